#include "storage/name_helpers.h"

#include "base/text.h"

namespace zavlin {
namespace {

std::size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;  // a stray byte counts as one character
}

}  // namespace

std::string firstCharacter(std::string_view text) {
    if (text.empty()) return {};
    std::size_t n = utf8SequenceLength(static_cast<unsigned char>(text[0]));
    if (n > text.size()) n = text.size();
    return std::string(text.substr(0, n));
}

std::string upperFirstCyrillic(std::string_view text) {
    std::string r(text);
    if (r.size() < 2) return r;
    const auto b0 = static_cast<unsigned char>(r[0]);
    const auto b1 = static_cast<unsigned char>(r[1]);
    // а–п U+0430–U+043F: D0 B0–D0 BF -> А–П D0 90–D0 9F.
    // р–я U+0440–U+044F: D1 80–D1 8F -> Р–Я D0 A0–D0 AF.
    // ё   U+0451:        D1 91       -> Ё   D0 81.
    if (b0 == 0xD0 && b1 >= 0xB0 && b1 <= 0xBF) {
        r[1] = static_cast<char>(b1 - 0x20);
    } else if (b0 == 0xD1 && b1 >= 0x80 && b1 <= 0x8F) {
        r[0] = static_cast<char>(0xD0);
        r[1] = static_cast<char>(b1 + 0x20);
    } else if (b0 == 0xD1 && b1 == 0x91) {
        r[0] = static_cast<char>(0xD0);
        r[1] = static_cast<char>(0x81);
    }
    return r;
}

std::string SetNameFill(std::string& surname, std::string& givenName, std::string& patronymic) {
    surname = trim(surname);
    givenName = trim(givenName);
    patronymic = trim(patronymic);
    if (surname.empty() || givenName.empty() || patronymic.empty()) return {};
    surname = upperFirstCyrillic(surname);
    givenName = upperFirstCyrillic(givenName);
    patronymic = upperFirstCyrillic(patronymic);
    return surname + " " + firstCharacter(givenName) + "." + firstCharacter(patronymic) + ".";
}

std::string NameFirst(std::string_view full) {
    const std::size_t blank = full.find(' ');
    return trim(blank == std::string_view::npos ? full : full.substr(0, blank));
}

std::string NameSecond(std::string_view full) {
    const std::size_t blank = full.find(' ');
    if (blank == std::string_view::npos) return {};
    const std::string_view rest = trimView(full.substr(blank + 1));
    const std::size_t end = rest.find_first_of(". ");
    return std::string(end == std::string_view::npos ? rest : rest.substr(0, end));
}

std::string NameThree(std::string_view full) {
    const std::size_t blank = full.find(' ');
    if (blank == std::string_view::npos) return {};
    std::string_view rest = trimView(full.substr(blank + 1));
    const std::size_t second = rest.find_first_of(". ");
    if (second == std::string_view::npos) return {};
    rest = trimView(rest.substr(second + 1));
    std::size_t end = rest.find('.');
    if (end == std::string_view::npos) end = rest.find(' ');
    return std::string(end == std::string_view::npos ? rest : rest.substr(0, end));
}

}  // namespace zavlin
