#include "base/cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "base/text_checks.h"

namespace zavlin {

namespace {

// Code points of 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
// 0 marks 0x98, the one byte without a character.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

using ReverseEntry = std::pair<char16_t, uint8_t>;

constexpr auto kReverse = [] {
    std::array<ReverseEntry, 63> r{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] != 0) r[n++] = {kHigh[i], static_cast<uint8_t>(0x80 + i)};
    }
    std::sort(r.begin(), r.end());
    return r;
}();

char toCp1251(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(0xC0 + (cp - 0x0410));
    if (cp > 0xFFFF) return '?';
    const auto key = static_cast<char16_t>(cp);
    const auto it = std::lower_bound(kReverse.begin(), kReverse.end(), key,
                                     [](const ReverseEntry& e, char16_t k) { return e.first < k; });
    if (it != kReverse.end() && it->first == key) return static_cast<char>(it->second);
    return '?';
}

bool isContinuation(uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// Decodes one well-formed sequence at s[i]; returns its length, or 0 when the
// lead byte does not start one (overlong forms, surrogates and values past
// U+10FFFF included), so the caller can replace just that byte.
std::size_t decodeOne(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<uint8_t>(s[i]);
    std::size_t len;
    uint8_t lo = 0x80;
    uint8_t hi = 0xBF;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    const auto b1 = static_cast<uint8_t>(s[i + 1]);
    if (b1 < lo || b1 > hi) return 0;
    cp = (cp << 6) | (b1 & 0x3F);
    for (std::size_t k = 2; k < len; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if (!isContinuation(b)) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    return len;
}

// Every input character or bad byte yields exactly one output byte, so stopping
// at maxChars output bytes never splits a character.
std::string convert(std::string_view utf8, std::size_t maxChars) {
    std::string out;
    out.reserve(std::min(utf8.size(), maxChars));
    std::size_t i = 0;
    while (i < utf8.size() && out.size() < maxChars) {
        char32_t cp = 0;
        const std::size_t len = decodeOne(utf8, i, cp);
        if (len == 0) {
            out += '?';
            ++i;
        } else {
            out += toCp1251(cp);
            i += len;
        }
    }
    return out;
}

}  // namespace

std::size_t decodeUtf8At(std::string_view s, std::size_t i, char32_t& cp) {
    return i < s.size() ? decodeOne(s, i, cp) : 0;
}

char codePointToCp1251(char32_t cp) {
    return toCp1251(cp);
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isValidUtf8(std::string_view text) {
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = decodeOne(text, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

bool fitsCp1251(std::string_view utf8) {
    char32_t cp = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = decodeOne(utf8, i, cp);
        if (len == 0 || (cp != U'?' && toCp1251(cp) == '?')) return false;
        i += len;
    }
    return true;
}

std::string utf8ToCp1251(std::string_view utf8) {
    return convert(utf8, utf8.size());
}

std::string cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (const char c : cp1251) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x80) {
            out += c;
        } else if (b >= 0xC0) {
            appendUtf8(out, 0x0410 + (b - 0xC0));
        } else if (const char16_t cp = kHigh[b - 0x80]; cp != 0) {
            appendUtf8(out, cp);
        } else {
            out += '?';
        }
    }
    return out;
}

std::string utf8ToCp1251Refs(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = decodeOne(utf8, i, cp);
        if (len == 0) {
            out += '?';
            ++i;
            continue;
        }
        const char c = toCp1251(cp);
        if (c == '?' && cp != U'?')
            out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
        else
            out += c;
        i += len;
    }
    return out;
}

std::string utf8ToCp1251Cut(std::string_view utf8, std::size_t maxChars) {
    return convert(utf8, maxChars);
}

}  // namespace zavlin
