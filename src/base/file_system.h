// The one seam through which the core writes to the disk (tables, settings
// files, the database's creation, file streams). Tests put a
// fault-injecting file system in front of the real one to fail the N-th
// operation and check what a crash or an I/O error leaves behind.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace zavlin {

class File {
public:
    virtual ~File() = default;
    // Reads exactly n bytes at offset; false on a short read or an error.
    [[nodiscard]] virtual bool readAt(uint64_t offset, void* buffer, std::size_t n) = 0;
    // Reads up to n bytes at offset; returns the count read, -1 on error.
    virtual int64_t readSomeAt(uint64_t offset, void* buffer, std::size_t n) = 0;
    [[nodiscard]] virtual bool writeAt(uint64_t offset, const void* buffer, std::size_t n) = 0;
    [[nodiscard]] virtual bool truncate(uint64_t size) = 0;
    [[nodiscard]] virtual bool sync() = 0;
    // -1 on error.
    virtual int64_t size() = 0;
};

enum class OpenMode {
    ReadWrite,        // existing file only
    ReadWriteCreate,  // created empty when missing
    CreateTruncate,   // created, or emptied when present
    ReadOnly,         // existing file only; every write fails
    CreateNew,        // created; fails when anything (a link too) has the name
};

enum class LockKind { Shared, Exclusive };

// A lock held on a lock file; let go when destroyed.
class FileLock {
public:
    virtual ~FileLock() = default;
    virtual LockKind kind() const = 0;
};

// Why a lock was not taken: busy (another process holds it; holder names it
// when it said who it is: "pid 1234 zavlin-cli compose") or an error.
struct LockRefusal {
    bool busy = false;
    std::string holder;
};

// How long a lock is waited for: ZAVLIN_LOCK_WAIT_MS, else 3 seconds.
std::chrono::milliseconds lockWait();
// What an exclusive holder writes after its pid ("zavlin-cli compose"); the
// program name until set. One text per process: it names the process.
void setLockHolderName(const std::string& name);

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Null on failure.
    virtual std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) = 0;
    virtual bool exists(const std::filesystem::path& path) = 0;
    // Replaces `to` atomically when it exists.
    [[nodiscard]] virtual bool rename(const std::filesystem::path& from,
                                      const std::filesystem::path& to) = 0;
    // True when the file is gone afterwards (also when it was never there).
    virtual bool remove(const std::filesystem::path& path) = 0;
    // Creates the folder and any missing parents; true when it is a folder
    // afterwards.
    [[nodiscard]] virtual bool createFolder(const std::filesystem::path& path) = 0;
    // Removes an empty folder; true when it is gone afterwards.
    virtual bool removeFolder(const std::filesystem::path& path) = 0;
    // Makes the folder's entries (a rename, a new file) durable.
    [[nodiscard]] virtual bool syncFolder(const std::filesystem::path& path) = 0;
    // Gives `to` the permission bits of `from`; true also when `from` is missing.
    [[nodiscard]] virtual bool copyPermissions(const std::filesystem::path& from,
                                               const std::filesystem::path& to) = 0;
    // Locks the lock file at path (created when missing), shared or
    // exclusive, waiting at most `wait`. Null when not taken, with the reason.
    // Locks coordinate processes: inside one process every request on the
    // same file shares one lock (flock would make two descriptors of one
    // process conflict, and the model opens a table twice), counted per kind;
    // an exclusive request over a shared one upgrades it, and the last
    // exclusive handle gone turns it back into a shared one. An upgrade is not
    // atomic (flock's is not): another writer may come in between. A shared
    // lock whose file cannot be created (a read-only folder) is granted
    // without a file, since no writer can take one there either.
    virtual std::unique_ptr<FileLock> lock(const std::filesystem::path& path, LockKind kind,
                                           std::chrono::milliseconds wait,
                                           LockRefusal& refusal) = 0;
};

// The real file system (POSIX). syncToDisk says whether File::sync and
// syncFolder wait for the disk (fdatasync, fsync): off only protects against
// the program dying, on also against power loss. The storage code always calls
// sync and lets the file system decide, so the mode belongs to whoever owns
// the database.
class RealFileSystem : public FileSystem {
public:
    explicit RealFileSystem(bool syncToDisk)
        : syncToDisk_(syncToDisk), diskSyncs_(std::make_shared<std::atomic<uint64_t>>(0)) {}
    bool syncsToDisk() const { return syncToDisk_; }
    // The syncs that waited for the disk, through every file opened here.
    uint64_t diskSyncs() const { return diskSyncs_->load(); }

    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override;
    bool exists(const std::filesystem::path& path) override;
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    bool remove(const std::filesystem::path& path) override;
    bool createFolder(const std::filesystem::path& path) override;
    bool removeFolder(const std::filesystem::path& path) override;
    bool syncFolder(const std::filesystem::path& path) override;
    bool copyPermissions(const std::filesystem::path& from,
                         const std::filesystem::path& to) override;
    std::unique_ptr<FileLock> lock(const std::filesystem::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) override;

private:
    bool syncToDisk_;
    std::shared_ptr<std::atomic<uint64_t>> diskSyncs_;  // shared with the open files
};

// ZAVLIN_TABLE_SYNC=off turns the disk waits off; anything else leaves them on.
bool syncModeFromEnvironment();
// The program's default real file system, its sync mode from the environment.
FileSystem& realFileSystem();

// Counts the operations that reach the disk (open, read, write, truncate, sync,
// rename, remove, lock, and the folder and permission operations) and fails the chosen one. In
// crash mode every operation from that one on fails too, as if the process had died there; a
// failing write may first put part of its bytes on disk, as a torn write would. A sync is
// counted (and can fail) whatever the inner file system's sync mode.
class FaultInjectingFileSystem : public FileSystem {
public:
    explicit FaultInjectingFileSystem(FileSystem& inner = realFileSystem()) : inner_(inner) {}

    // n is 1-based and counts from the last reset; 0 disables.
    void failAt(uint64_t n, bool crash = true, bool tornWrite = false) {
        failAt_ = n;
        crash_ = crash;
        torn_ = tornWrite;
        count_ = 0;
        failed_ = false;
    }
    uint64_t operations() const { return count_; }
    bool failed() const { return failed_; }

    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override;
    bool exists(const std::filesystem::path& path) override { return inner_.exists(path); }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    bool remove(const std::filesystem::path& path) override;
    bool createFolder(const std::filesystem::path& path) override;
    bool removeFolder(const std::filesystem::path& path) override;
    bool syncFolder(const std::filesystem::path& path) override;
    bool copyPermissions(const std::filesystem::path& from,
                         const std::filesystem::path& to) override;
    std::unique_ptr<FileLock> lock(const std::filesystem::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) override;

    // True when this operation must fail. Public for the file wrapper.
    bool nextFails();
    bool tornWrites() const { return torn_; }

private:
    FileSystem& inner_;
    uint64_t failAt_ = 0;
    uint64_t count_ = 0;
    bool crash_ = true;
    bool torn_ = false;
    bool failed_ = false;
};

// Writes a whole file aside ("<name>.new"), flushes it and renames it over the
// old one, so a reader never sees a half-written file. The new file keeps the
// old one's permissions. With syncData the folder is synced after the rename
// too; the rename is the commit, so a failure of that last sync is not one of
// the replacement.
[[nodiscard]] bool replaceFileWhole(FileSystem& fs, const std::filesystem::path& path,
                                    const uint8_t* data, std::size_t n, bool syncData);

}  // namespace zavlin
