#include "composition/sos_options.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "composition/parallel_search.h"
#include "settings/ini_document.h"
#include "storage/year_tables.h"

namespace zavlin {

namespace {

// The whole file, or nothing when it cannot be read.
std::optional<std::string> readAll(FileSystem& fs, const std::filesystem::path& file) {
    if (!fs.exists(file)) return std::nullopt;
    std::unique_ptr<File> f = fs.open(file, OpenMode::ReadOnly);
    if (!f) return std::nullopt;
    const int64_t size = f->size();
    // A settings file of megabytes is no settings file.
    if (size < 0 || size > (int64_t{1} << 24)) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !f->readAt(0, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
}

class Reader {
public:
    explicit Reader(const IniDocument& ini) : FIni(ini) {}

    std::optional<int32_t> number(std::string_view key, int32_t low, int32_t high) const {
        const std::optional<std::string> text = FIni.value(kSosOptionsSection, key);
        if (!text) return std::nullopt;
        // The document trims the blanks around a value.
        const std::optional<int32_t> n = parseIniInteger(*text);
        if (!n || *n < low || *n > high) return std::nullopt;
        return n;
    }
    void flag(std::string_view key, bool& to) const {
        if (const auto n = number(key, 0, 1)) to = *n == 1;
    }
    void count(std::string_view key, int32_t low, int32_t high, int& to) const {
        if (const auto n = number(key, low, high)) to = *n;
    }

private:
    const IniDocument& FIni;
};

}  // namespace

TSosOptions ReadSosOptions(const std::filesystem::path& home, FileSystem& fs) {
    TSosOptions o;
    // A dispatcher's machine gives every core to the composition.
    o.Threads = 0;
    const std::optional<std::string> bytes = readAll(fs, home / kMainSettingsFile);
    if (!bytes) return o;
    const IniDocument ini(*bytes);
    const Reader r(ini);
    if (const auto exact = r.number("Exact", 0, 1); exact && *exact == 1)
        return TSosOptions::Exact();
    r.flag("Repair", o.Repair);
    r.count("RepairDepth", 1, 64, o.RepairDepth);
    r.count("RepairNodes", 1, 100000000, o.RepairNodes);
    r.count("RepairPatience", 0, 16300, o.RepairPatience);
    r.flag("Recompose", o.Recompose);
    r.flag("PolishHoles", o.PolishHoles);
    r.flag("ChainInWindow", o.ChainInWindow);
    r.flag("NoMoveBack", o.NoMoveBack);
    r.flag("PolishTeacherHoles", o.PolishTeacherHoles);
    r.flag("LocalSweeps", o.LocalSweeps);
    r.flag("ResumeSweeps", o.ResumeSweeps);
    r.flag("TeacherHolesAnyDay", o.TeacherHolesAnyDay);
    r.flag("SkipUnchanged", o.SkipUnchanged);
    r.count("Threads", 0, kMaxSearches, o.Threads);
    return o;
}

}  // namespace zavlin
