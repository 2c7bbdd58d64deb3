// Small text helpers shared by the layers.
#pragma once

#include <string>
#include <string_view>

namespace zavlin {

// Removes leading and trailing characters up to and including the blank
// (control characters too), as the original platform's Trim does.
std::string_view trimView(std::string_view s);
inline std::string trim(std::string_view s) {
    return std::string(trimView(s));
}

std::string toLowerAscii(std::string_view s);

}  // namespace zavlin
