// Backup and restore of the database folder: the block copy (TMySystem) and
// what the backup window does (TCopyFileBaza), without the window. The
// window sets the mode, shows the texts and runs Copy or Restore on a
// worker; zavlin-cli's "backup" and "restore" run them directly.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "base/my_dialog.h"

namespace zavlin {
class TFileIni;
}

namespace zavlin::shell {

// The copy of one file, block by block, through the file-system seam.
class TMySystem {
public:
    explicit TMySystem(FileSystem& fs = realFileSystem()) : fs_(fs) {}

    int CountCopyByte = 65535;
    // Whether a missing target folder is made; a copy into a folder made for
    // it beforehand fails instead when that folder went away.
    bool MakeFolders = true;
    std::function<void(int maxPos)> onBeforeCopy;  // blocks of the file
    std::function<void()> onStrepIt;               // after each block
    std::function<void()> onAfterCopy;

    // 0 "Ok"; 1..10 as IOResultString tells.
    int CopyFile(const std::string& FileFrom, const std::string& FileTo);
    // The message of the last code followed by a blank and its detail.
    std::string IOResultString() const;
    int LastCode() const { return code_; }
    // Sorted names of the plain files of Path matching mask ("*.*", "*.b0").
    static std::vector<std::string> GetNameFileOfPath(const std::string& Path,
                                                      const std::string& mask);
    // Removes the folder with everything in it; true when it is gone.
    [[nodiscard]] bool DeleteDir(const std::string& DirName);
    // Free bytes of a folder's disk, unknown when absent; statvfs unless set.
    std::function<std::optional<uint64_t>(const std::string& folder)> FreeSpace;
    static std::optional<uint64_t> FreeSpaceOf(const std::string& folder);

private:
    int fail(int code, std::string detail);
    FileSystem& fs_;
    int code_ = 0;
    std::string detail_;
};

// The stand-in for a drive: "/media" of "/media/usb/REM", taken of the
// absolute path.
std::filesystem::path driveOf(const std::filesystem::path& path);

// The lock of a backup folder, held exclusively by a backup or a restore for
// its whole run, so that two runs never settle or replace each other's copy.
inline constexpr const char* kBackupLockFile = "zavlin-backup.lock";

enum class TBackupMode { Automatic = 0, Copy = 1, Restore = 2 };

// What a run reports; the window turns each call into a queued signal.
class TBackupObserver {
public:
    virtual ~TBackupObserver() = default;
    virtual void FilesStart(int pairs) = 0;
    virtual void FileStart(int index, const std::string& source) = 0;
    virtual void BlocksStart(int blocks) = 0;
    virtual void BlockDone() = 0;
    virtual void FileDone(int index) = 0;
};

class TCopyFileBaza {
public:
    // home: the program folder; its database is home/"Database". Questions and
    // messages go to dialog; the settings are "CopyToArxiv" and
    // "CopyFromArxiv" of home/"Zavlin98.ini".
    TCopyFileBaza(const std::filesystem::path& home, TMyDialog& dialog,
                  FileSystem& fs = realFileSystem());
    ~TCopyFileBaza();

    TBackupMode Mode = TBackupMode::Automatic;
    std::vector<std::string> ListFile;  // sources: files, or folders ending in a mask
    std::string PathCopy;               // the backup folder, no trailing "/"
    int NextCopy = 7;                   // days; negative: no reminder
    std::string FPathFileLog;           // empty: the database folder
    // Days since 30 December 1899, with the time as the fraction; tests set it.
    std::function<double()> Now;
    // The pause before a run starts (the window's animation); tests set 0.
    int PauseMs = 1000;

    // Reads "Path" and "DateCopy" (on showing the window).
    void ReadSettings();
    // "DateCopy" of the last backup, or "не производилось.".
    std::string DateCopyText() const;
    // "Изменить": the chosen folder becomes PathCopy and is stored.
    void SetPathCopy(const std::string& folder);
    // The reminder: true when it was due and the person wants a backup.
    bool TestNewCopy();
    // The database-side and backup-side paths of every file (Sl1, Sl2).
    std::vector<std::pair<std::string, std::string>> BuildPairs();

    // A backup into PathCopy with its log, holding the database lock shared.
    // A folder copied whole goes into "<folder>.copying" first and replaces
    // the previous backup only when every file copied and was synced, so a
    // failed or stopped run leaves the previous backup as it was; "DateCopy"
    // and "LastDate" are written only then. A PathCopy in or on the database
    // folder is refused. An empty ListFile stands for the database folder.
    // False when the backup was not made.
    [[nodiscard]] bool Copy(TBackupObserver* observer, const std::atomic<bool>* stop = nullptr);
    // A restore from PathCopy (after its question), holding the database lock
    // exclusive: every file of PathCopy/"Database" (which must hold
    // "YmGod.b0") is copied into "Database.restoring", which then replaces
    // "Database" (see FinishInterruptedRestore); the log "_copybase.log" is
    // kept. The database files the backup does not hold are named in a
    // message before the copy: they are gone after it. On any failure the
    // database is left as it was. True only when it completed and the
    // database was replaced: the window's result "OK".
    [[nodiscard]] bool Restore(TBackupObserver* observer);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A restore replaces home/"Database" whole: the backup is copied into
// "Database.restoring", then "Database" is renamed to "Database.old", the
// new folder renamed in and the old one removed. Run at start-up, before the
// database is opened: finishes a swap that a crash cut short, or drops a
// copy that never completed. False when the folders could not be put right;
// message says what was done or what failed (empty when nothing was to do).
[[nodiscard]] bool FinishInterruptedRestore(const std::filesystem::path& home, FileSystem& fs,
                                            std::string& message);

// The same for a backup folder: a backup replaces pathCopy/"Database" through
// "Database.copying" and "Database.old". A backup and a restore settle it
// first themselves.
[[nodiscard]] bool FinishInterruptedBackup(const std::string& pathCopy, FileSystem& fs,
                                           std::string& message);

// "08.12.2026 03ч:05м:07с" for a day count (kDottedDateTime).
std::string BackupDateText(double dayCount);
// Days since 30 December 1899 now, local time.
double NowDayCount();

}  // namespace zavlin::shell
