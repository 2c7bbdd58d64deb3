#include "settings/ini_document.h"

#include <array>

#include "base/text.h"

namespace zavlin {

namespace {

constexpr std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> f{};
    for (int i = 0; i < 256; ++i) f[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) f[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) f[c] = static_cast<unsigned char>(c + 32);  // А..Я
    // The capitals of the upper half that are not in the А..Я block.
    // clang-format off
    constexpr std::array<std::array<unsigned char, 2>, 15> kPairs = {{
        {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
        {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
        {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
    }};
    // clang-format on
    for (const auto& p : kPairs) f[p[0]] = p[1];
    return f;
}();

std::string_view headerName(std::string_view line) {
    const std::string_view t = trimView(line);
    const std::size_t close = t.rfind(']');
    return trimView(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> parseKeyLine(std::string_view line) {
    if (isIniHeaderLine(line)) return std::nullopt;
    const std::string_view t = trimView(line);
    if (t.empty() || t.front() == ';') return std::nullopt;
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view key = trimView(t.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return KeyLine{key, trimView(t.substr(eq + 1))};
}

bool isBlank(std::string_view line) {
    return trimView(line).empty();
}

}  // namespace

bool sameIniName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])])
            return false;
    }
    return true;
}

bool isIniHeaderLine(std::string_view line) {
    return !line.empty() && line.front() == '[' && line.find(']') != std::string_view::npos;
}

std::optional<int32_t> parseIniInteger(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned d = 0;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        v = v * base + d;
        if (v > limit) return std::nullopt;
    }
    uint32_t bits = static_cast<uint32_t>(v);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

std::string_view unquoteIniValue(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

IniDocument::IniDocument(std::string_view fileBytes) {
    std::size_t start = 0;
    while (start < fileBytes.size()) {
        std::size_t lf = fileBytes.find('\n', start);
        const bool last = lf == std::string_view::npos;
        if (last) lf = fileBytes.size();
        std::string_view line = fileBytes.substr(start, lf - start);
        if (!last && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        endsWithLineEnd_ = !last;
        start = lf + 1;
    }
}

std::string IniDocument::bytes() const {
    std::string out;
    std::size_t size = 2;
    for (const auto& l : lines_) size += l.size() + 2;
    out.reserve(size);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += lines_[i];
    }
    if (endsWithLineEnd_ && !lines_.empty()) out += "\r\n";
    return out;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && !isIniHeaderLine(lines_[i])) ++i;
    return i;
}

std::optional<IniDocument::Range> IniDocument::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (isIniHeaderLine(lines_[i]) && sameIniName(headerName(lines_[i]), section))
            return Range{i, sectionEnd(i)};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::findKey(const Range& range, std::string_view key) const {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto kl = parseKeyLine(lines_[i]);
        if (kl && sameIniName(kl->key, key)) return i;
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    for (const auto& line : lines_) {
        if (!isIniHeaderLine(line)) continue;
        const std::string_view name = headerName(line);
        bool seen = false;
        for (const auto& n : names) seen = seen || sameIniName(n, name);
        if (!seen) names.emplace_back(name);
    }
    return names;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> result;
    const auto range = findSection(section);
    if (!range) return result;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kl = parseKeyLine(lines_[i]);
        if (!kl) continue;
        bool seen = false;
        for (const auto& k : result) seen = seen || sameIniName(k, kl->key);
        if (!seen) result.emplace_back(kl->key);
    }
    return result;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const auto range = findSection(section);
    if (!range) return std::nullopt;
    const auto at = findKey(*range, key);
    if (!at) return std::nullopt;
    return std::string(unquoteIniValue(parseKeyLine(lines_[*at])->value));
}

void IniDocument::setValue(std::string_view section, std::string_view key,
                           std::string_view rawValue) {
    const auto range = findSection(section);
    if (!range) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + std::string(rawValue));
        endsWithLineEnd_ = true;
        return;
    }
    if (const auto at = findKey(*range, key)) {
        // Keep the key as the file spells it.
        lines_[*at] = std::string(parseKeyLine(lines_[*at])->key) + "=" + std::string(rawValue);
        return;
    }
    std::size_t after = range->header;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (!isBlank(lines_[i])) after = i;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1),
                  std::string(key) + "=" + std::string(rawValue));
    if (after + 2 == lines_.size()) endsWithLineEnd_ = true;
}

bool IniDocument::removeKey(std::string_view section, std::string_view key) {
    const auto range = findSection(section);
    if (!range) return false;
    const auto at = findKey(*range, key);
    if (!at) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
    return true;
}

bool IniDocument::eraseSection(std::string_view section) {
    const std::size_t before = lines_.size();
    std::vector<std::string> kept;
    kept.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size();) {
        if (isIniHeaderLine(lines_[i]) && sameIniName(headerName(lines_[i]), section)) {
            i = sectionEnd(i);
        } else {
            kept.push_back(std::move(lines_[i++]));
        }
    }
    lines_ = std::move(kept);
    if (lines_.empty()) endsWithLineEnd_ = false;
    return lines_.size() != before;
}

std::vector<std::string> IniDocument::readText(std::string_view section) const {
    std::vector<std::string> text;
    const auto range = findSection(section);
    if (!range) return text;
    std::size_t i = range->header + 1;
    std::size_t limit = kTextLinesWithoutCount;
    if (i < lines_.size() && std::string_view(lines_[i]).starts_with(kTextCountPrefix)) {
        const auto n =
            parseIniInteger(trimView(std::string_view(lines_[i]).substr(kTextCountPrefix.size())));
        if (n && *n >= 0) limit = static_cast<std::size_t>(*n);
        ++i;
    }
    for (; i < range->end && text.size() < limit; ++i) text.push_back(lines_[i]);
    return text;
}

void IniDocument::writeText(std::string_view section, const std::vector<std::string>& textLines) {
    eraseSection(section);
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::string(kTextCountPrefix) + std::to_string(textLines.size()));
    lines_.insert(lines_.end(), textLines.begin(), textLines.end());
    // Without a line end an empty last line would not exist on disk at all.
    endsWithLineEnd_ = !textLines.empty() && textLines.back().empty();
}

}  // namespace zavlin
