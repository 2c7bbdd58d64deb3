#include "base/float_text.h"

#include <fmt/format.h>
#include <locale.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/errors.h"
#include "base/text.h"

namespace zavlin {

namespace {

constexpr int kPrecision = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void throwNotANumber(std::string_view text) {
    throw EConvertError(fmt::format("'{}' is not a valid floating point value", text));
}

locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

char localeDecimalSeparator() {
    const lconv* conv = std::localeconv();
    if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') {
        return '.';
    }
    return conv->decimal_point[0];
}

std::string formatFloatGeneral(long double value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*Le", kPrecision - 1, std::fabs(value));
    // The printed point follows the process locale, so read digits around it.
    std::string digits;
    const char* p = buf;
    for (; *p != '\0' && *p != 'e'; ++p) {
        if (isDigit(*p)) digits += *p;
    }
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = value < 0 ? "-" : "";
    const auto count = static_cast<int>(digits.size());
    if (exponent >= kPrecision || exponent < -5) {
        out += digits[0];
        if (count > 1) {
            out += decimalSeparator;
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += '0';
        out += decimalSeparator;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const int whole = exponent + 1;
        if (count <= whole) {
            out += digits;
            out.append(static_cast<std::size_t>(whole - count), '0');
        } else {
            out.append(digits, 0, static_cast<std::size_t>(whole));
            out += decimalSeparator;
            out.append(digits, static_cast<std::size_t>(whole));
        }
    }
    return out;
}

long double parseFloatText(std::string_view text, char decimalSeparator) {
    const std::string_view s = trimView(text);
    // Checked here and rewritten with '.', so the C library never sees the
    // process locale's idea of a number.
    std::string normal;
    normal.reserve(s.size());
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
    std::size_t mantissaDigits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) normal += s[i];
    if (i < s.size() && (s[i] == decimalSeparator || s[i] == '.')) {
        normal += '.';
        for (++i; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) normal += s[i];
    }
    if (mantissaDigits == 0) throwNotANumber(text);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
        std::size_t exponentDigits = 0;
        for (; i < s.size() && isDigit(s[i]); ++i, ++exponentDigits) normal += s[i];
        if (exponentDigits == 0) throwNotANumber(text);
    }
    if (i != s.size()) throwNotANumber(text);

    errno = 0;
    const long double value = strtold_l(normal.c_str(), nullptr, cLocale());
    if (errno == ERANGE && std::isinf(value)) throwNotANumber(text);
    return value;
}

}  // namespace zavlin
