#include "entry/name_input.h"

#include "base/cp1251.h"
#include "base/text.h"
#include "model/name_text.h"

namespace zavlin::entry {

namespace {

// Decodes the character at i and advances i; a malformed sequence gives
// U+FFFD and advances one byte.
char32_t nextChar(std::string_view s, std::size_t& i) {
    constexpr char32_t kBad = 0xFFFD;
    const auto c0 = static_cast<unsigned char>(s[i]);
    if (c0 < 0x80) {
        ++i;
        return c0;
    }
    std::size_t n = 0;
    char32_t cp = 0;
    if ((c0 & 0xE0) == 0xC0) {
        n = 2;
        cp = c0 & 0x1F;
    } else if ((c0 & 0xF0) == 0xE0) {
        n = 3;
        cp = c0 & 0x0F;
    } else if ((c0 & 0xF8) == 0xF0) {
        n = 4;
        cp = c0 & 0x07;
    } else {
        ++i;
        return kBad;
    }
    if (i + n > s.size()) {
        ++i;
        return kBad;
    }
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return kBad;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    // Over-long forms and surrogates are not characters.
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        ++i;
        return kBad;
    }
    i += n;
    return cp;
}

bool oneOf(char32_t c, std::u32string_view set) {
    return set.find(c) != std::u32string_view::npos;
}

}  // namespace

bool isCyrillicLetter(char32_t c) {
    if (c >= 0x0410 && c <= 0x044F) return true;  // А..я
    if (c >= 0x0401 && c <= 0x040F) return c != 0x040D;
    if (c >= 0x0451 && c <= 0x045F) return c != 0x045D;
    return c == 0x0490 || c == 0x0491;  // Ґ ґ
}

bool isNameChar(char32_t c, TNameKind kind) {
    if (isCyrillicLetter(c)) return true;
    const bool digit = c >= U'0' && c <= U'9';
    switch (kind) {
        case TNameKind::Group:
            return digit || oneOf(c, U" -./()_№");
        case TNameKind::Person:
            return c == U'-';
        case TNameKind::Subject:
            return digit || oneOf(c, U" -./(),:;+'\"№");
        case TNameKind::Free:
            return c >= 0x20 && c != 0xFFFD && c != 0x7F;
    }
    return false;
}

std::string keepNameChars(std::string_view text, TNameKind kind, bool* dropped) {
    std::string out;
    out.reserve(text.size());
    bool any = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t c = nextChar(text, i);
        if (isNameChar(c, kind))
            out.append(text.substr(start, i - start));
        else
            any = true;
    }
    if (dropped != nullptr) *dropped = any;
    return out;
}

std::string fitToLimit(std::string_view text, std::size_t maxChars) {
    return std::string(utf8Prefix(text, maxChars));
}

std::string firstNonCp1251(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t c = nextChar(text, i);
        const std::string_view one = text.substr(start, i - start);
        // A literal "?" is stored as itself; anything else that becomes
        // "?" is lost.
        if (c == 0xFFFD) return "\xEF\xBF\xBD";
        if (c != U'?' && utf8ToCp1251(one) == "?") return std::string(one);
    }
    return {};
}

bool prepareName(std::string_view typed, std::size_t maxChars, std::string& name,
                 std::string& message) {
    const std::string bad = firstNonCp1251(typed);
    if (!bad.empty()) {
        message = "Знак \"" + bad +
                  "\" нельзя сохранить в базе данных (нет в кодировке Windows-1251). "
                  "Исправьте текст.";
        return false;
    }
    name = trim(fitToLimit(trim(typed), maxChars));
    message.clear();
    return true;
}

}  // namespace zavlin::entry
