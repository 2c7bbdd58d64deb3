// The text of a settings file held in memory, line by line, as the Windows-1251
// bytes found on disk. Everything here works on those bytes; the conversion to
// and from UTF-8 happens in TFileIni.
//
// Format:
//   [Section]            a line that starts with "[" and contains "]"; the name
//                        lies between "[" and the last "]", blanks trimmed
//   Key=Value            blanks around key and value trimmed; one pair of
//                        matching quotes ("..." or '...') is removed on reading
//   ; comment            ignored, as is any other line; all are kept on writing
//   [Text]               a text section: the count line, then exactly n lines
//   _LenghtSection=n
// Names compare case-insensitively, Cyrillic letters included. Lines end in
// CR LF (LF alone is read too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zavlin {

inline constexpr std::string_view kTextCountPrefix = "_LenghtSection=";
// A text section without its count line yields at most this many lines.
inline constexpr std::size_t kTextLinesWithoutCount = 66000;

// Case-insensitive comparison in Windows-1251.
bool sameIniName(std::string_view a, std::string_view b);

bool isIniHeaderLine(std::string_view line);

// Decimal, "$1F" or "0x1F" with an optional sign; nothing else, not even blanks.
// Hex covers the 32 unsigned bits ("$FFFFFFFF" is -1), decimal the int range.
std::optional<int32_t> parseIniInteger(std::string_view text);

// Removes one pair of matching double or single quotes around a value.
std::string_view unquoteIniValue(std::string_view value);

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view fileBytes);

    std::string bytes() const;
    const std::vector<std::string>& lines() const { return lines_; }

    // Names of all sections, each once, in the order of their first header.
    std::vector<std::string> sectionNames() const;
    // Keys of the first section of that name, each once, as spelled in the file.
    std::vector<std::string> keys(std::string_view section) const;
    // The value with one pair of quotes removed; nullopt when the key is absent.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Stores the value as given (no trimming, no quoting). A new key goes after
    // the last non-blank line of its section, a new section at the end.
    void setValue(std::string_view section, std::string_view key, std::string_view rawValue);
    // Removes the first line of the key; false when it was not there.
    bool removeKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines; false when none was there.
    bool eraseSection(std::string_view section);

    std::vector<std::string> readText(std::string_view section) const;
    // Drops every section of that name and appends header, count line and the
    // lines at the end of the file; the last line gets no line end.
    void writeText(std::string_view section, const std::vector<std::string>& textLines);

private:
    struct Range {
        std::size_t header;
        std::size_t end;  // the next header line or the end of the file
    };
    std::optional<Range> findSection(std::string_view section) const;
    std::size_t sectionEnd(std::size_t header) const;
    std::optional<std::size_t> findKey(const Range& range, std::string_view key) const;

    std::vector<std::string> lines_;
    bool endsWithLineEnd_ = false;
};

}  // namespace zavlin
