#include <sys/statvfs.h>

#include <algorithm>
#include <cstring>
#include <system_error>
#include <vector>

#include "shell/backup.h"

namespace zavlin::shell {
namespace fs = std::filesystem;

namespace {

constexpr const char* kResultText[] = {
    "Ok",
    "Файл не найден",
    "Ошибочное имя файла",
    "Ошибка чтения с диска",
    "Диск переполнен",
    "Диск не доступен",
    "Ошибка записи на диск",
    "Ошибка создания каталога",
    "Ошибка записи на дискету -плохая дискета",
    "Ошибка записи",
    "Файл занят другим приложением",
};

// "*.*" and "*" take every name; otherwise "*" and "?" as the shell has them.
bool maskMatches(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    std::size_t m = 0, n = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

fs::path driveOf(const fs::path& path) {
    std::error_code ec;
    const fs::path abs = fs::absolute(path, ec);
    if (ec) return {};
    fs::path drive = abs.root_path();
    for (const fs::path& part : abs.relative_path()) {
        drive /= part;
        break;
    }
    return drive;
}

std::optional<uint64_t> TMySystem::FreeSpaceOf(const std::string& folder) {
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

int TMySystem::fail(int code, std::string detail) {
    code_ = code;
    detail_ = std::move(detail);
    return code;
}

int TMySystem::CopyFile(const std::string& FileFrom, const std::string& FileTo) {
    code_ = 0;
    detail_.clear();
    if (FileFrom.empty() || FileFrom.back() == '/') return fail(2, FileFrom);
    if (FileTo.empty() || FileTo.back() == '/') return fail(2, FileTo);
    if (CountCopyByte <= 0) return fail(9, FileFrom + " " + FileTo);

    std::error_code ec;
    const fs::path target(FileTo);
    const fs::path folder = target.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        const fs::path drive = driveOf(folder);
        if (!drive.empty() && !fs::exists(drive, ec)) return fail(5, drive.string());
        if (!MakeFolders || !fs_.createFolder(folder)) return fail(7, folder.string());
    }
    // A folder is there but is no file: the one failure of the source that
    // is not a failed open.
    if (fs::is_directory(FileFrom, ec)) return fail(1, FileFrom);
    auto source = fs_.open(FileFrom, OpenMode::ReadOnly);
    if (!source) return fail(10, FileFrom);
    const int64_t size = source->size();
    if (size < 0) return fail(1, FileFrom);
    const std::string targetFolder = folder.empty() ? std::string(".") : folder.string();
    const std::optional<uint64_t> free =
        FreeSpace ? FreeSpace(targetFolder) : FreeSpaceOf(targetFolder);
    if (free && *free < static_cast<uint64_t>(size)) return fail(4, "\"" + targetFolder + "\"");

    auto out = fs_.open(target, OpenMode::CreateTruncate);
    if (!out) return fail(6, FileTo);
    try {
        const auto block = static_cast<uint64_t>(CountCopyByte);
        if (onBeforeCopy) onBeforeCopy(static_cast<int>(static_cast<uint64_t>(size) / block + 1));
        std::vector<uint8_t> buffer(block);
        uint64_t offset = 0;
        const auto total = static_cast<uint64_t>(size);
        while (offset < total) {
            const std::size_t n = static_cast<std::size_t>(std::min(block, total - offset));
            if (!source->readAt(offset, buffer.data(), n)) return fail(3, FileFrom);
            if (!out->writeAt(offset, buffer.data(), n)) return fail(6, FileTo);
            offset += n;
            if (onStrepIt) onStrepIt();
        }
        // A copy that is not on the disk is no copy.
        if (!out->sync()) return fail(6, FileTo);
        if (onAfterCopy) onAfterCopy();
    } catch (const std::exception&) {
        return fail(9, FileFrom + " " + FileTo);
    }
    return 0;
}

std::string TMySystem::IOResultString() const {
    const char* text = code_ >= 0 && code_ <= 10 ? kResultText[code_] : "Ошибка записи";
    return std::string(text) + " " + detail_;
}

std::vector<std::string> TMySystem::GetNameFileOfPath(const std::string& Path,
                                                      const std::string& mask) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(Path, ec), end; !ec && it != end; it.increment(ec)) {
        // A link to a file elsewhere is not a file of this folder.
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        const std::string name = it->path().filename().string();
        if (maskMatches(mask, name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool TMySystem::DeleteDir(const std::string& DirName) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(DirName, ec))) return true;
    if (!fs::is_directory(fs::symlink_status(DirName, ec))) return fs_.remove(DirName);
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(DirName, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    if (ec) return false;
    bool ok = true;
    for (const fs::path& entry : entries) {
        if (fs::is_directory(fs::symlink_status(entry, ec)))
            ok = DeleteDir(entry.string()) && ok;
        else
            ok = fs_.remove(entry) && ok;
    }
    return fs_.removeFolder(DirName) && ok;
}

}  // namespace zavlin::shell
