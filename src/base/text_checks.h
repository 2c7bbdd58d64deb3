// Checks of outside text before it is converted to the code page of the files
// (the conversion itself is in cp1251.h and never fails).
#pragma once

#include <string_view>

namespace zavlin {

// True when every byte belongs to a well-formed UTF-8 sequence.
bool isValidUtf8(std::string_view text);

// True when valid UTF-8 converts without a '?' standing for a character
// outside the code page.
bool fitsCp1251(std::string_view utf8);

}  // namespace zavlin
