// Character-level helpers for the names of the reference lists. Names are UTF-8
// inside the program while their limits count characters, as the files do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zavlin {

// The first maxChars characters of the text (never a split sequence).
std::string_view utf8Prefix(std::string_view s, std::size_t maxChars);

// The first character, empty for an empty text.
std::string_view utf8First(std::string_view s);

// Lower case for Latin and Cyrillic letters, which is all that names here use.
std::string lowerRussian(std::string_view s);

}  // namespace zavlin
