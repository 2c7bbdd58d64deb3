#include "storage/url_coding.h"

namespace zavlin {
namespace {

bool keptAsIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string EncodeURL(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string DecodeURL(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 2 >= n) break;
        const char a = text[i + 1];
        const char b = text[i + 2];
        const int hi = hexValue(a);
        const int lo = hexValue(b);
        if (hi >= 0 && lo >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 3;
        } else if ((a == '\r' && b == '\n') || (a == '\n' && b == '\r')) {
            i += 3;
        } else if (a == '\r' || a == '\n') {
            i += 2;
        } else {
            out += '%';
            ++i;
        }
    }
    return out;
}

}  // namespace zavlin
