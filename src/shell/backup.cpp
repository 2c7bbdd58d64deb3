#include "shell/backup.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <thread>

#include "base/core_hooks.h"
#include "base/cp1251.h"
#include "base/datetime.h"
#include "base/text.h"
#include "settings/settings_file.h"
#include "shell/instance.h"
#include "storage/year_database.h"
#include "storage/year_tables.h"

namespace zavlin::shell {
namespace fs = std::filesystem;

namespace {

constexpr const char* kDatabaseFolder = "Database";
constexpr const char* kLogFile = "_copybase.log";
constexpr const char* kYearTableFile = "YmGod.b0";
constexpr const char* kRestoringSuffix = ".restoring";
constexpr const char* kCopyingSuffix = ".copying";
constexpr const char* kAsideSuffix = ".old";

// The files a copy leaves alone: the log of the backups and the lock files,
// which belong to the processes of this machine, not to the data.
bool isLeftOut(const std::string& name) {
    return toLowerAscii(name) == kLogFile || name == kDatabaseLockFile ||
           name == kInstanceLockFile || name == kBackupLockFile;
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

fs::path withSuffix(const fs::path& folder, const char* suffix) {
    fs::path p = folder;
    p += suffix;
    return p;
}

fs::path canonicalOf(const fs::path& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? path.lexically_normal() : p;
}

// Whether inner is outer or lies below it.
bool isWithin(const fs::path& inner, const fs::path& outer) {
    const fs::path rel = canonicalOf(inner).lexically_relative(canonicalOf(outer));
    return !rel.empty() && *rel.begin() != "..";
}

bool isFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// Puts a folder replaced through a copy beside it back in order: a copy that
// never completed is dropped, a swap cut short between its renames is
// finished, and the old folder left aside is removed. The copy is only
// renamed in after every file of it was synced, and "folder" always exists
// before the copy starts, so a copy without "folder" is a complete one.
bool settleSwap(FileSystem& fileSystem, const fs::path& folder, const fs::path& staging,
                const fs::path& aside, std::string& done) {
    TMySystem sys(fileSystem);
    const bool hasFolder = isFolder(folder);
    const bool hasStaging = fileSystem.exists(staging);
    const bool hasAside = fileSystem.exists(aside);
    if (hasStaging && hasFolder) {
        done = "dropped";
        if (!sys.DeleteDir(staging.string())) return false;
    } else if (hasStaging) {
        done = "finished";
        if (!fileSystem.rename(staging, folder)) return false;
        (void)fileSystem.syncFolder(folder.parent_path());
    } else if (hasAside && !hasFolder) {
        done = "rolled back";
        if (!fileSystem.rename(aside, folder)) return false;
        (void)fileSystem.syncFolder(folder.parent_path());
        return true;
    }
    if (fileSystem.exists(aside)) {
        if (done.empty()) done = "cleaned";
        if (!sys.DeleteDir(aside.string())) return false;
    }
    return true;
}

// Replaces folder by the complete, synced staging folder: the old one is
// renamed aside, the new one in, the old one removed. On failure the old one
// is put back where that is still possible; what a crash leaves is settled
// by settleSwap.
bool swapIn(FileSystem& fileSystem, const fs::path& folder, const fs::path& staging,
            const fs::path& aside) {
    TMySystem sys(fileSystem);
    if (fileSystem.exists(aside) && !sys.DeleteDir(aside.string())) return false;
    if (!fileSystem.rename(folder, aside)) return false;
    if (!fileSystem.rename(staging, folder)) {
        (void)fileSystem.rename(aside, folder);
        return false;
    }
    (void)fileSystem.syncFolder(folder.parent_path());
    // Left behind on failure, removed at the next start.
    (void)sys.DeleteDir(aside.string());
    return true;
}

struct Pair {
    std::string from;  // database side
    std::string to;    // backup side
    bool wholeFolder;  // from an entry with a mask: its folder is copied whole
};

class ObserverCalls {
public:
    ObserverCalls(TMySystem& sys, TBackupObserver* observer) {
        if (observer == nullptr) return;
        sys.onBeforeCopy = [observer](int blocks) { observer->BlocksStart(blocks); };
        sys.onStrepIt = [observer] { observer->BlockDone(); };
    }
};

}  // namespace

std::string BackupDateText(double dayCount) {
    return formatDateTime(dayCount, kDottedDateTime);
}

double NowDayCount() {
    return nowLocal();
}

bool FinishInterruptedRestore(const fs::path& home, FileSystem& fileSystem, std::string& message) {
    message.clear();
    const fs::path folder = home / kDatabaseFolder;
    std::string done;
    const bool ok = settleSwap(fileSystem, folder, withSuffix(folder, kRestoringSuffix),
                               withSuffix(folder, kAsideSuffix), done);
    if (!ok) {
        message = "Не удалось завершить прерванное восстановление базы данных в " + home.string() +
                  ": проверьте каталоги " + folder.string() + "*";
    } else if (done == "dropped" || done == "rolled back") {
        message = "Восстановление базы данных было прервано: база данных оставлена прежней.";
    } else if (done == "finished") {
        message = "Прерванное восстановление базы данных завершено.";
    }
    return ok;
}

bool FinishInterruptedBackup(const std::string& pathCopy, FileSystem& fileSystem,
                             std::string& message) {
    message.clear();
    const fs::path folder = fs::path(pathCopy) / kDatabaseFolder;
    std::string done;
    if (!settleSwap(fileSystem, folder, withSuffix(folder, kCopyingSuffix),
                    withSuffix(folder, kAsideSuffix), done)) {
        message = "Не удалось привести в порядок резервную копию " + folder.string();
        return false;
    }
    return true;
}

struct TCopyFileBaza::Impl {
    Impl(const fs::path& h, TMyDialog& d, FileSystem& f)
        : home(h), dialog(d), fileSystem(f), hooks(d), ini(hooks, h, f) {
        ini.SetFileName(kMainSettingsFile);
    }

    fs::path home;
    TMyDialog& dialog;
    FileSystem& fileSystem;
    TCoreHooks hooks;
    TFileIni ini;
    std::string dateCopy;

    fs::path database() const { return home / kDatabaseFolder; }
    void show(const std::string& text) { dialog.MessageShow(text); }

    std::unique_ptr<FileLock> lockDatabase(LockKind kind) {
        LockRefusal refusal;
        auto held = fileSystem.lock(database() / kDatabaseLockFile, kind, lockWait(), refusal);
        if (!held) {
            show(refusal.busy
                     ? "База данных занята другой программой" +
                           (refusal.holder.empty() ? std::string() : " (" + refusal.holder + ")") +
                           ". Повторите позже."
                     : "Не удалось заблокировать базу данных " + database().string());
        }
        return held;
    }

    // Null when another backup or restore holds the backup folder, or its
    // lock cannot be taken. A reader of a folder it may not write (a disc,
    // another user's folder) holds it shared: no backup replaces the copy
    // while it is read, and the reader settles nothing there.
    std::unique_ptr<FileLock> lockBackupFolder(const std::string& pathCopy, bool mayOnlyRead) {
        LockRefusal refusal;
        const fs::path path = fs::path(pathCopy) / kBackupLockFile;
        auto held = fileSystem.lock(path, LockKind::Exclusive, lockWait(), refusal);
        if (held) return held;
        if (!refusal.busy && mayOnlyRead && ::access(pathCopy.c_str(), W_OK) != 0) {
            refusal = {};
            held = fileSystem.lock(path, LockKind::Shared, lockWait(), refusal);
            if (held) return held;
        }
        show(refusal.busy
                 ? "Резервный каталог " + pathCopy +
                       " занят другим копированием или восстановлением" +
                       (refusal.holder.empty() ? std::string() : " (" + refusal.holder + ")") +
                       ". Повторите позже."
                 : "Не удалось заблокировать резервный каталог " + path.string());
        return nullptr;
    }

    // A backup must not land in the database it copies, nor be the same folder.
    bool refusesTarget(const std::string& pathCopy, const std::vector<Pair>& pairs) {
        bool inside = isWithin(pathCopy, database());
        for (const Pair& p : pairs)
            inside = inside || isWithin(fs::path(p.to).parent_path(), database()) ||
                     canonicalOf(fs::path(p.to).parent_path()) ==
                         canonicalOf(fs::path(p.from).parent_path());
        if (inside)
            show("Резервная копия не может находиться в каталоге базы данных " +
                 database().string() + " или совпадать с ним: выберите другой резервный каталог (" +
                 pathCopy + ").");
        return inside;
    }

    fs::path logFolder(const std::string& configured) const {
        if (configured.empty()) return database();
        std::size_t skip = 0;
        if (configured[0] == '.') {
            while (skip < configured.size() && (configured[skip] == '.' || configured[skip] == '/'))
                ++skip;
            return home / configured.substr(skip);
        }
        const fs::path p(configured);
        return p.is_absolute() ? p : home / p;
    }
};

TCopyFileBaza::TCopyFileBaza(const fs::path& home, TMyDialog& dialog, FileSystem& fileSystem)
    : impl_(std::make_unique<Impl>(home, dialog, fileSystem)) {
    Now = NowDayCount;
}

TCopyFileBaza::~TCopyFileBaza() = default;

void TCopyFileBaza::ReadSettings() {
    const std::string path = impl_->ini.ReadString("CopyToArxiv", "Path");
    PathCopy = withoutTrailingSlash(path.empty() ? (impl_->home / "REM").string() : path);
    impl_->dateCopy = impl_->ini.ReadString("CopyToArxiv", "DateCopy");
}

std::string TCopyFileBaza::DateCopyText() const {
    return impl_->dateCopy.empty() ? "не производилось." : impl_->dateCopy;
}

void TCopyFileBaza::SetPathCopy(const std::string& folder) {
    if (folder.empty()) return;
    PathCopy = withoutTrailingSlash(folder);
    if (!impl_->ini.WriteString("CopyToArxiv", "Path", PathCopy))
        impl_->show("Не удалось сохранить настройки в " + impl_->ini.FullFileName().string());
}

bool TCopyFileBaza::TestNewCopy() {
    if (NextCopy < 0) return false;
    const double last = std::floor(impl_->ini.ReadDate("CopyToArxiv", "LastDate", 0));
    const double today = std::floor(Now());
    if (today < last + NextCopy) return false;
    return impl_->dialog.MessageInfDlg("Резервное копирование было более " +
                                       std::to_string(NextCopy) + " дней назад. Копировать?");
}

namespace {

std::vector<Pair> buildPairs(const std::vector<std::string>& entries, const fs::path& home,
                             const std::string& pathCopy) {
    std::vector<Pair> pairs;
    std::string homeText = home.lexically_normal().string();
    if (homeText.empty() || homeText.back() != '/') homeText += '/';
    auto backupFolder = [&](const std::string& folder) {
        std::string f = folder;
        if (f.empty() || f.back() != '/') f += '/';
        std::string rel = f.rfind(homeText, 0) == 0 ? f.substr(homeText.size()) : std::string();
        return withoutTrailingSlash(pathCopy + "/" + rel);
    };
    for (const std::string& entry : entries) {
        const std::size_t star = entry.find('*');
        const std::size_t slash = entry.rfind('/');
        const std::string folder =
            slash == std::string::npos ? std::string(".") : entry.substr(0, slash);
        const std::string leaf = slash == std::string::npos ? entry : entry.substr(slash + 1);
        const std::string target = backupFolder(fs::path(folder).lexically_normal().string());
        if (star != std::string::npos) {
            for (const std::string& name : TMySystem::GetNameFileOfPath(folder, leaf)) {
                if (isLeftOut(name)) continue;
                pairs.push_back({folder + "/" + name, target + "/" + name, true});
            }
        } else if (!isLeftOut(leaf)) {
            pairs.push_back({entry, target + "/" + leaf, false});
        }
    }
    return pairs;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> TCopyFileBaza::BuildPairs() {
    std::vector<std::string> entries = ListFile;
    if (entries.empty()) entries.push_back((impl_->database() / "*.*").string());
    std::vector<std::pair<std::string, std::string>> out;
    for (const Pair& p : buildPairs(entries, impl_->home, PathCopy)) out.emplace_back(p.from, p.to);
    return out;
}

bool TCopyFileBaza::Copy(TBackupObserver* observer, const std::atomic<bool>* stop) {
    Impl& im = *impl_;
    if (PathCopy.empty()) ReadSettings();
    const std::string pathCopy = withoutTrailingSlash(PathCopy);
    if (isWithin(pathCopy, im.database())) {
        (void)im.refusesTarget(pathCopy, {});
        return false;
    }
    if (driveOf(pathCopy) == driveOf(im.home)) {
        if (!isFolder(pathCopy) || ::access(pathCopy.c_str(), X_OK) != 0) {
            im.show("Создаю резервный каталог " + pathCopy);
            if (!im.fileSystem.createFolder(pathCopy)) {
                im.show("Ошибка создания каталога " + pathCopy);
                return false;
            }
        }
    } else if (!isFolder(pathCopy)) {
        im.show("Резервный каталог недоступен " + pathCopy);
        return false;
    }
    // Another run into the same folder would settle away the copy this one
    // is making.
    const auto folderHeld = im.lockBackupFolder(pathCopy, false);
    if (!folderHeld) return false;
    // No writer changes a table while it is copied.
    const auto held = im.lockDatabase(LockKind::Shared);
    if (!held) return false;
    if (PauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(PauseMs));

    std::vector<std::string> entries = ListFile;
    if (entries.empty()) entries.push_back((im.database() / "*.*").string());
    std::vector<Pair> pairs = buildPairs(entries, im.home, pathCopy);
    if (im.refusesTarget(pathCopy, pairs)) return false;

    // Folders copied whole go into a copy beside them first, so that a failed
    // run leaves the previous backup as it was.
    std::set<std::string> staged;
    const fs::path top = canonicalOf(pathCopy);
    for (const Pair& p : pairs) {
        const fs::path folder = fs::path(p.to).parent_path();
        if (p.wholeFolder && canonicalOf(folder) != top) staged.insert(folder.string());
    }
    TMySystem sys(im.fileSystem);
    // As for a restore: a copy is only dropped once the folder it was to
    // replace is in place again.
    auto dropStaging = [&] {
        for (const std::string& f : staged) {
            if (!isFolder(f)) (void)im.fileSystem.rename(withSuffix(f, kAsideSuffix), f);
            if (isFolder(f)) (void)sys.DeleteDir(withSuffix(f, kCopyingSuffix).string());
        }
    };
    for (const std::string& f : staged) {
        std::string done;
        const fs::path staging = withSuffix(f, kCopyingSuffix);
        if (!settleSwap(im.fileSystem, f, staging, withSuffix(f, kAsideSuffix), done) ||
            !im.fileSystem.createFolder(f) || !im.fileSystem.createFolder(staging)) {
            im.show("Ошибка создания каталога " + f);
            dropStaging();
            return false;
        }
    }

    const double started = Now();
    const std::string startedText = BackupDateText(started);
    std::string log = utf8ToCp1251("Последнее копирование:" + startedText) + "\r\n";
    ObserverCalls calls(sys, observer);
    sys.CountCopyByte = 65535;
    bool failed = false;
    bool stopped = false;
    if (observer) observer->FilesStart(static_cast<int>(pairs.size()));
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (stop != nullptr && stop->load()) {
            stopped = true;
            break;
        }
        const Pair& p = pairs[i];
        if (observer) observer->FileStart(static_cast<int>(i), p.from);
        const fs::path to(p.to);
        const bool inStaging = staged.count(to.parent_path().string()) != 0;
        const fs::path dest =
            inStaging ? withSuffix(to.parent_path(), kCopyingSuffix) / to.filename() : to;
        // The copy was made before the run: gone, it is not made again.
        sys.MakeFolders = !inStaging;
        if (sys.CopyFile(p.from, dest.string()) != 0) {
            failed = true;
            im.show(sys.IOResultString());
        }
        if (observer) observer->FileDone(static_cast<int>(i));
        log += utf8ToCp1251(fmt::format("{}) из {} в {}", i + 1, p.from, p.to)) + "\r\n";
    }

    bool committed = !failed && !stopped;
    for (const std::string& f : staged) {
        if (!committed) break;
        const fs::path staging = withSuffix(f, kCopyingSuffix);
        committed = im.fileSystem.syncFolder(staging) &&
                    swapIn(im.fileSystem, f, staging, withSuffix(f, kAsideSuffix));
        if (!committed) im.show("Ошибка записи на диск " + f);
    }
    if (!committed) dropStaging();

    if (!committed) {
        // The log keeps telling of the backup that is still there.
        if (!stopped)
            im.show("Резервная копия не сохранена: прежняя копия в " + pathCopy +
                    " оставлена без изменений.");
        return false;
    }
    const fs::path logPath = im.logFolder(FPathFileLog) / kLogFile;
    if (!replaceFileWhole(im.fileSystem, logPath, reinterpret_cast<const uint8_t*>(log.data()),
                          log.size(), true))
        im.show("Ошибка записи на диск " + logPath.string());
    im.ini.BeginUpdate();
    (void)im.ini.WriteString("CopyToArxiv", "DateCopy", startedText);
    (void)im.ini.WriteDate("CopyToArxiv", "LastDate", std::floor(started));
    if (!im.ini.EndUpdate())
        im.show("Не удалось сохранить настройки в " + im.ini.FullFileName().string());
    im.dateCopy = startedText;
    im.show("Скопировано файлов -" + std::to_string(pairs.size()));
    return true;
}

bool TCopyFileBaza::Restore(TBackupObserver* observer) {
    Impl& im = *impl_;
    if (PathCopy.empty()) ReadSettings();
    const std::string pathCopy = withoutTrailingSlash(PathCopy);
    const double last = std::floor(im.ini.ReadDate("CopyToArxiv", "LastDate", 0));
    if (!im.dialog.MessageInfDlg("Востановление приведет к потере изменений данных после " +
                                 dateText(static_cast<int32_t>(last)) + " Копировать?"))
        return false;
    std::error_code ec;
    if (!fs::exists(pathCopy, ec)) {
        im.show("Резервный каталог недоступен " + pathCopy);
        return false;
    }
    if (!isFolder(pathCopy) || ::access(pathCopy.c_str(), X_OK) != 0) {
        im.show("Отсутствует резервный каталог " + pathCopy);
        return false;
    }
    const fs::path source = fs::path(pathCopy) / kDatabaseFolder;
    // No backup replaces the copy while it is read, nor is settled by it.
    const auto folderHeld = im.lockBackupFolder(pathCopy, true);
    if (!folderHeld) return false;
    // A backup cut short between its renames is finished first, where this
    // run may write.
    std::string settledBackup;
    if (folderHeld->kind() == LockKind::Exclusive &&
        !FinishInterruptedBackup(pathCopy, im.fileSystem, settledBackup)) {
        im.show(settledBackup);
        return false;
    }
    if (!fs::is_regular_file(source / kYearTableFile, ec)) {
        im.show("В каталоге " + pathCopy + " нет резервной копии базы данных (нет файла " +
                (source / kYearTableFile).string() + "). Восстановление отменено.");
        return false;
    }
    if (isWithin(source, im.database()) || isWithin(im.database(), source)) {
        (void)im.refusesTarget(pathCopy, {});
        return false;
    }

    const fs::path folder = im.database();
    const fs::path staging = withSuffix(folder, kRestoringSuffix);
    const fs::path aside = withSuffix(folder, kAsideSuffix);
    std::string settled;
    // The database folder exists before the copy starts: see settleSwap.
    if (!settleSwap(im.fileSystem, folder, staging, aside, settled) ||
        !im.fileSystem.createFolder(folder)) {
        im.show("Ошибка создания каталога " + folder.string());
        return false;
    }
    // Nobody else reads or writes the tables while they are replaced.
    const auto held = im.lockDatabase(LockKind::Exclusive);
    if (!held) return false;
    if (PauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(PauseMs));

    std::vector<std::string> names;
    for (const std::string& name : TMySystem::GetNameFileOfPath(source.string(), "*.*"))
        if (!isLeftOut(name)) names.push_back(name);

    // The whole folder is replaced: what the backup lacks is gone after it.
    std::string lost;
    for (const std::string& name : TMySystem::GetNameFileOfPath(folder.string(), "*.*")) {
        if (isLeftOut(name) || std::find(names.begin(), names.end(), name) != names.end()) continue;
        lost += (lost.empty() ? "" : ", ") + name;
    }
    if (!lost.empty() &&
        !im.dialog.MessageInfDlg("В резервной копии нет файлов базы данных " + lost +
                                 ": после восстановления их не будет. Продолжить?"))
        return false;

    TMySystem sys(im.fileSystem);
    auto abandon = [&](const std::string& why) {
        if (!why.empty()) im.show(why);
        // A complete copy without the folder is what a start-up renames in:
        // only drop it once the old folder is back.
        if (!isFolder(folder)) (void)im.fileSystem.rename(aside, folder);
        if (!isFolder(folder)) {
            // Both renames failed: the complete copy is what the next start
            // puts in place.
            im.show("Восстановление не завершено: его закончит следующий запуск программы.");
            return false;
        }
        (void)sys.DeleteDir(staging.string());
        im.show("Восстановление отменено: база данных оставлена без изменений.");
        return false;
    };
    if (!im.fileSystem.createFolder(staging))
        return abandon("Ошибка создания каталога " + staging.string());
    ObserverCalls calls(sys, observer);
    sys.CountCopyByte = 65535;
    if (observer) observer->FilesStart(static_cast<int>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string from = (source / names[i]).string();
        if (observer) observer->FileStart(static_cast<int>(i), from);
        if (sys.CopyFile(from, (staging / names[i]).string()) != 0)
            return abandon(sys.IOResultString());
        if (observer) observer->FileDone(static_cast<int>(i));
    }
    // The history of the backups stays with the database it describes.
    if (fs::is_regular_file(folder / kLogFile, ec)) {
        TMySystem logCopy(im.fileSystem);
        if (logCopy.CopyFile((folder / kLogFile).string(), (staging / kLogFile).string()) != 0)
            return abandon(logCopy.IOResultString());
    }
    if (!im.fileSystem.syncFolder(staging))
        return abandon("Ошибка записи на диск " + staging.string());
    if (!swapIn(im.fileSystem, folder, staging, aside))
        return abandon("Ошибка записи на диск " + folder.string());

    const double now = Now();
    im.ini.BeginUpdate();
    (void)im.ini.WriteDate("CopyFromArxiv", "LastDate", std::floor(now));
    (void)im.ini.WriteDate("CopyToArxiv", "LastDate", std::floor(now));
    (void)im.ini.WriteString("CopyFromArxiv", "DateCopy", BackupDateText(now));
    if (!im.ini.EndUpdate())
        im.show("Не удалось сохранить настройки в " + im.ini.FullFileName().string());
    im.show("Востановлено файлов -" + std::to_string(names.size()) + "\n" +
            "Вaм необходимо перезагрузить программу!");
    return true;
}

}  // namespace zavlin::shell
