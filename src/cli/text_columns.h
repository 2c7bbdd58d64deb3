// Widths and padding of the text tables the verbs print. A terminal shows
// one column per code point (the names here are Cyrillic or Latin), so the
// width counts UTF-8 lead bytes, not bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace zavlin::cli {

inline std::size_t textWidth(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

inline std::string padLeft(const std::string& s, std::size_t width) {
    const std::size_t w = textWidth(s);
    return w >= width ? s : std::string(width - w, ' ') + s;
}

inline std::string padRight(const std::string& s, std::size_t width) {
    const std::size_t w = textWidth(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

}  // namespace zavlin::cli
