#include "settings/settings_file.h"

#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <string_view>

#include "base/cp1251.h"
#include "base/text.h"

namespace zavlin {

namespace {

namespace fs = std::filesystem;

std::string nameBytes(const std::string& utf8) {
    return trim(utf8ToCp1251(utf8));
}

bool validSection(std::string_view s) {
    return !s.empty() && s.find_first_of("\r\n") == std::string_view::npos;
}

bool validKey(std::string_view k) {
    return !k.empty() && k.find_first_of("=\r\n") == std::string_view::npos && k.front() != ';' &&
           k.front() != '[';
}

// A value must stay on its line; a quoted one gets one more pair of its quotes,
// because reading removes one.
std::string encodeValue(const std::string& utf8) {
    std::string v = utf8ToCp1251(utf8);
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    v = trim(v);
    if (v.size() > 1 && v.front() == v.back() && (v.front() == '"' || v.front() == '\''))
        v = v.front() + v + v.back();
    return v;
}

std::size_t utf8Length(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::vector<std::string> splitBreaks(const std::string& line) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\r' || line[i] == '\n') {
            if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') ++i;
            parts.emplace_back();
        } else {
            parts.back() += line[i];
        }
    }
    return parts;
}

enum class ReadStatus { Ok, Missing, Failed };

}  // namespace

TFileIni::TFileIni(TCoreHooks& hooks, std::filesystem::path programFolder, FileSystem& fs)
    : hooks_(hooks), fs_(fs), FProgramFolder(std::move(programFolder)) {}

TFileIni::~TFileIni() {
    if (doc_ && dirty_) (void)save();
}

void TFileIni::SetFileName(const std::string& name) {
    if (name == FFileName) return;
    (void)CloseIni();
    FFileName = name;
}

void TFileIni::SetFilePath(const std::string& path) {
    if (path == FFilePath) return;
    (void)CloseIni();
    FFilePath = path;
}

void TFileIni::SetProgramFolder(const std::filesystem::path& folder) {
    if (folder == FProgramFolder) return;
    (void)CloseIni();
    FProgramFolder = folder;
}

std::string TFileIni::FolderText() const {
    std::string folder = utf8Length(FFilePath) > 2 ? FFilePath : FProgramFolder.string();
    if (!folder.empty() && folder.back() != fs::path::preferred_separator)
        folder += fs::path::preferred_separator;
    return folder;
}

std::filesystem::path TFileIni::FullFileName() const {
    return fs::path(FolderText() + FFileName);
}

std::optional<TFileIni::FileStamp> TFileIni::stampOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileStamp{static_cast<unsigned long long>(st.st_dev),
                     static_cast<unsigned long long>(st.st_ino), static_cast<long long>(st.st_size),
                     static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

namespace {

ReadStatus readFile(FileSystem& fs, const fs::path& path, std::string& bytes) {
    auto file = fs.open(path, OpenMode::ReadOnly);
    if (!file) return fs.exists(path) ? ReadStatus::Failed : ReadStatus::Missing;
    bytes.clear();
    char buf[65536];
    for (uint64_t at = 0;;) {
        const int64_t n = file->readSomeAt(at, buf, sizeof buf);
        if (n < 0) return ReadStatus::Failed;
        if (n == 0) return ReadStatus::Ok;
        bytes.append(buf, static_cast<std::size_t>(n));
        at += static_cast<uint64_t>(n);
    }
}

}  // namespace

void TFileIni::open() {
    const fs::path path = FullFileName();
    std::string bytes;
    // The stamp is taken before reading: a change made meanwhile is read again.
    const auto stamp = stampOf(path);
    switch (readFile(fs_, path, bytes)) {
        case ReadStatus::Ok:
            doc_.emplace(bytes);
            stamp_ = stamp;
            break;
        case ReadStatus::Missing: {
            hooks_.Message("Фаил не обнаружен: " + FolderText() + FFileName + " Создаю новый");
            (void)fs_.open(path, OpenMode::ReadWriteCreate);
            doc_.emplace();
            stamp_ = stampOf(path);
            break;
        }
        case ReadStatus::Failed:
            doc_.emplace();
            stamp_.reset();
            unreadable_ = true;
            break;
    }
}

IniDocument& TFileIni::doc() {
    if (!doc_) {
        open();
    } else if (!dirty_ && !unreadable_) {
        const fs::path path = FullFileName();
        const auto now = stampOf(path);
        std::string bytes;
        // A vanished file keeps what is in memory; the next save brings it back.
        if (now && now != stamp_ && readFile(fs_, path, bytes) == ReadStatus::Ok) {
            doc_.emplace(bytes);
            stamp_ = now;
        }
    }
    return *doc_;
}

void TFileIni::release() {
    doc_.reset();
    stamp_.reset();
    dirty_ = false;
    unreadable_ = false;
}

bool TFileIni::save() {
    if (unreadable_ || !doc_) return false;
    const fs::path path = FullFileName();
    const std::string bytes = doc_->bytes();
    if (!replaceFileWhole(fs_, path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                          true))
        return false;
    stamp_ = stampOf(path);
    dirty_ = false;
    return true;
}

bool TFileIni::commit() {
    dirty_ = true;
    return deferred_ || save();
}

bool TFileIni::UpdateFile() {
    return !doc_ || !dirty_ || save();
}

bool TFileIni::CloseIni() {
    const bool ok = UpdateFile();
    release();
    return ok;
}

std::string TFileIni::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) {
    const auto v = doc().value(nameBytes(Section), nameBytes(Ident));
    return v ? cp1251ToUtf8(*v) : Default;
}

int TFileIni::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    const auto v = doc().value(nameBytes(Section), nameBytes(Ident));
    if (!v) return Default;
    const auto n = parseIniInteger(*v);
    return n ? *n : Default;
}

bool TFileIni::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

TDateTime TFileIni::ReadDate(const std::string& Section, const std::string& Ident,
                             TDateTime Default) {
    const auto v = doc().value(nameBytes(Section), nameBytes(Ident));
    if (!v) return Default;
    const auto n = parseIniInteger(*v);
    return n ? static_cast<TDateTime>(*n) : Default;
}

bool TFileIni::ValueExists(const std::string& Section, const std::string& Ident) {
    return doc().value(nameBytes(Section), nameBytes(Ident)).has_value();
}

bool TFileIni::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
    const std::string section = nameBytes(Section);
    const std::string key = nameBytes(Ident);
    if (!validSection(section) || !validKey(key)) return false;
    doc().setValue(section, key, encodeValue(Value));
    return commit();
}

bool TFileIni::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    return WriteString(Section, Ident, std::to_string(Value));
}

bool TFileIni::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    return WriteString(Section, Ident, Value ? "1" : "0");
}

bool TFileIni::WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value) {
    if (!std::isfinite(Value)) return false;
    const double days = std::trunc(Value);
    if (days < INT_MIN || days > INT_MAX) return false;
    return WriteInteger(Section, Ident, static_cast<int>(days));
}

std::vector<std::string> TFileIni::ReadSections() {
    std::vector<std::string> names = doc().sectionNames();
    for (auto& n : names) n = cp1251ToUtf8(n);
    return names;
}

std::vector<std::string> TFileIni::ReadSection(const std::string& Section) {
    std::vector<std::string> keys = doc().keys(nameBytes(Section));
    for (auto& k : keys) k = cp1251ToUtf8(k);
    return keys;
}

std::vector<std::string> TFileIni::ReadSectionValues(const std::string& Section) {
    const std::string section = nameBytes(Section);
    IniDocument& d = doc();
    std::vector<std::string> lines;
    for (const auto& key : d.keys(section))
        lines.push_back(cp1251ToUtf8(key) + "=" + cp1251ToUtf8(d.value(section, key).value_or("")));
    return lines;
}

bool TFileIni::EraseSection(const std::string& Section) {
    if (!doc().eraseSection(nameBytes(Section))) return UpdateFile();
    return commit();
}

std::vector<std::string> TFileIni::ReadSectionText(const std::string& Section) {
    std::vector<std::string> lines = doc().readText(nameBytes(Section));
    for (auto& l : lines) l = cp1251ToUtf8(l);
    return lines;
}

bool TFileIni::WriteSectionText(const std::string& Section, const std::vector<std::string>& Lines) {
    const std::string section = nameBytes(Section);
    if (!validSection(section)) return false;
    std::vector<std::string> text;
    text.reserve(Lines.size());
    for (const auto& line : Lines)
        for (auto& part : splitBreaks(line)) text.push_back(utf8ToCp1251(part));
    doc().writeText(section, text);
    return commit();
}

void TFileIni::ReadFont(const std::string& Section, const std::string& Ident, TFontSpec& Font) {
    const std::string section = nameBytes(Section);
    const std::string base = nameBytes(Ident);
    IniDocument& d = doc();
    if (const auto v = d.value(section, base + ".Name"); v && !v->empty())
        Font.Name = cp1251ToUtf8(*v);
    if (const auto v = d.value(section, base + ".Size"))
        if (const auto n = parseIniInteger(*v)) Font.Size = *n;
    if (const auto v = d.value(section, base + ".Style")) applyFontStyleText(*v, Font);
    if (const auto v = d.value(section, base + ".Color")) {
        if (const auto id = standardColorIdent(*v); !id.empty()) Font.Color = id;
    }
    if (const auto v = d.value(section, base + ".Charset")) {
        if (const auto n = parseIniInteger(*v); n && *n >= 0 && *n <= 255) Font.Charset = *n;
    }
}

bool TFileIni::WriteFont(const std::string& Section, const std::string& Ident,
                         const TFontSpec& Font) {
    const std::string section = nameBytes(Section);
    const std::string base = nameBytes(Ident);
    if (!validSection(section) || !validKey(base)) return false;
    IniDocument& d = doc();
    d.setValue(section, base + ".Name", encodeValue(Font.Name));
    d.setValue(section, base + ".Size", std::to_string(Font.Size));
    // Written as concatenated, trailing blank included.
    d.setValue(section, base + ".Style", fontStyleText(Font));
    if (const auto id = standardColorIdent(Font.Color); !id.empty())
        d.setValue(section, base + ".Color", id);
    else
        d.removeKey(section, base + ".Color");
    d.setValue(section, base + ".Charset", std::to_string(Font.Charset));
    return commit();
}

}  // namespace zavlin
