// Windows-1251 is the code page of every table file, blob, document and report.
// Inside the program text is UTF-8; these two functions are the only boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zavlin {

// A character outside the code page (or a malformed UTF-8 sequence) becomes '?'.
std::string utf8ToCp1251(std::string_view utf8);

// Every byte has a meaning except 0x98, which becomes '?'.
std::string cp1251ToUtf8(std::string_view cp1251);

// Converts and keeps at most maxChars single-byte characters, so a limit counts
// characters and never splits a UTF-8 sequence.
std::string utf8ToCp1251Cut(std::string_view utf8, std::size_t maxChars);

// Converts as utf8ToCp1251, except that a character outside the code page
// becomes the numeric character reference "&#N;" (N decimal), as HTML reads it.
std::string utf8ToCp1251Refs(std::string_view utf8);

// The one UTF-8 decoder of the program: the character at s[i], its code
// point in cp and its length; 0 when that byte starts no well-formed sequence.
std::size_t decodeUtf8At(std::string_view s, std::size_t i, char32_t& cp);
// The code page's byte of a code point; '?' when it has none.
char codePointToCp1251(char32_t cp);

// Appends one character (below U+10000) as UTF-8.
void appendUtf8(std::string& out, char32_t cp);

}  // namespace zavlin
