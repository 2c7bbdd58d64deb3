#include "model/name_text.h"

#include "base/cp1251.h"

namespace zavlin {

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the character starting at i (a stray byte counts as one).
std::size_t charLength(std::string_view s, std::size_t i) {
    std::size_t n = 1;
    while (i + n < s.size() && isContinuation(static_cast<unsigned char>(s[i + n]))) ++n;
    return n;
}

}  // namespace

std::string_view utf8Prefix(std::string_view s, std::size_t maxChars) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < maxChars; ++count) i += charLength(s, i);
    return s.substr(0, i);
}

std::string_view utf8First(std::string_view s) {
    return utf8Prefix(s, 1);
}

std::string lowerRussian(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c0 = static_cast<unsigned char>(s[i]);
        if (c0 < 0x80) {
            out += (c0 >= 'A' && c0 <= 'Z') ? static_cast<char>(c0 + 32) : static_cast<char>(c0);
            ++i;
            continue;
        }
        const std::size_t len = charLength(s, i);
        if (len == 2 && (c0 & 0xE0) == 0xC0) {
            char32_t cp = (static_cast<char32_t>(c0 & 0x1F) << 6) |
                          (static_cast<unsigned char>(s[i + 1]) & 0x3F);
            if (cp >= 0x0410 && cp <= 0x042F)
                cp += 0x20;  // А..Я
            else if (cp >= 0x0400 && cp <= 0x040F)
                cp += 0x50;  // Ѐ..Џ, Ё among them
            appendUtf8(out, cp);
        } else {
            out.append(s.substr(i, len));
        }
        i += len;
    }
    return out;
}

}  // namespace zavlin
