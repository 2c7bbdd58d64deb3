// Text encodings the XML reader meets besides Windows-1251.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zavlin {

// Every byte of KOI8-R has a character.
std::string koi8rToUtf8(std::string_view koi8r);

// The offset of the first byte that does not start well-formed UTF-8
// (overlong forms and surrogates are not), or npos when all is well.
std::size_t invalidUtf8At(std::string_view s);

// The XML blanks: space, tab, CR, LF.
inline bool isXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Latin letters lowered; every other byte (UTF-8 included) kept.
std::string lowerAscii(std::string_view s);

// Appends any code point up to U+10FFFF as UTF-8.
void appendCodePoint(std::string& out, uint32_t cp);

}  // namespace zavlin
