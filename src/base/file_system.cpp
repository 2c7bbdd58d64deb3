#include "base/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace zavlin {

// In file_lock.cpp: the process's registry of lock files.
std::unique_ptr<FileLock> lockFile(const std::filesystem::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal);

namespace {

class PosixFile : public File {
public:
    PosixFile(int fd, std::shared_ptr<std::atomic<uint64_t>> diskSyncs)
        : fd_(fd), diskSyncs_(std::move(diskSyncs)) {}
    ~PosixFile() override { ::close(fd_); }

    bool readAt(uint64_t offset, void* buffer, std::size_t n) override {
        return readSomeAt(offset, buffer, n) == static_cast<int64_t>(n);
    }

    int64_t readSomeAt(uint64_t offset, void* buffer, std::size_t n) override {
        auto* p = static_cast<char*>(buffer);
        std::size_t done = 0;
        while (done < n) {
            ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (r == 0) break;
            done += static_cast<std::size_t>(r);
        }
        return static_cast<int64_t>(done);
    }

    bool writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
        const auto* p = static_cast<const char*>(buffer);
        std::size_t done = 0;
        while (done < n) {
            ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += static_cast<std::size_t>(r);
        }
        return true;
    }

    bool truncate(uint64_t size) override {
        return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
    }
    // Null diskSyncs: the file system does not wait for the disk.
    bool sync() override {
        if (!diskSyncs_) return true;
        ++*diskSyncs_;
        return ::fdatasync(fd_) == 0;
    }

    int64_t size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return -1;
        return static_cast<int64_t>(st.st_size);
    }

private:
    int fd_;
    std::shared_ptr<std::atomic<uint64_t>> diskSyncs_;
};

class FaultyFile : public File {
public:
    FaultyFile(FaultInjectingFileSystem& fs, std::unique_ptr<File> inner)
        : fs_(fs), inner_(std::move(inner)) {}

    bool readAt(uint64_t offset, void* buffer, std::size_t n) override {
        if (fs_.nextFails()) return false;
        return inner_->readAt(offset, buffer, n);
    }
    int64_t readSomeAt(uint64_t offset, void* buffer, std::size_t n) override {
        if (fs_.nextFails()) return -1;
        return inner_->readSomeAt(offset, buffer, n);
    }
    bool writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
        if (fs_.nextFails()) {
            if (fs_.tornWrites() && n > 1) (void)inner_->writeAt(offset, buffer, n / 2);
            return false;
        }
        return inner_->writeAt(offset, buffer, n);
    }
    bool truncate(uint64_t size) override { return !fs_.nextFails() && inner_->truncate(size); }
    bool sync() override { return !fs_.nextFails() && inner_->sync(); }
    int64_t size() override { return inner_->size(); }

private:
    FaultInjectingFileSystem& fs_;
    std::unique_ptr<File> inner_;
};

}  // namespace

std::unique_ptr<File> RealFileSystem::open(const std::filesystem::path& path, OpenMode mode) {
    int flags = mode == OpenMode::ReadOnly ? O_RDONLY | O_CLOEXEC : O_RDWR | O_CLOEXEC;
    if (mode == OpenMode::ReadWriteCreate) flags |= O_CREAT;
    if (mode == OpenMode::CreateTruncate) flags |= O_CREAT | O_TRUNC;
    if (mode == OpenMode::CreateNew) flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd, syncToDisk_ ? diskSyncs_ : nullptr);
}

bool RealFileSystem::exists(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool RealFileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RealFileSystem::remove(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool RealFileSystem::createFolder(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool RealFileSystem::removeFolder(const std::filesystem::path& path) {
    return ::rmdir(path.c_str()) == 0 || errno == ENOENT;
}

bool RealFileSystem::syncFolder(const std::filesystem::path& path) {
    if (!syncToDisk_) return true;
    ++*diskSyncs_;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool RealFileSystem::copyPermissions(const std::filesystem::path& from,
                                     const std::filesystem::path& to) {
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) return errno == ENOENT;
    return ::chmod(to.c_str(), st.st_mode & 07777) == 0;
}

std::unique_ptr<FileLock> RealFileSystem::lock(const std::filesystem::path& path, LockKind kind,
                                               std::chrono::milliseconds wait,
                                               LockRefusal& refusal) {
    return lockFile(path, kind, wait, refusal);
}

bool syncModeFromEnvironment() {
    const char* env = std::getenv("ZAVLIN_TABLE_SYNC");
    return !(env && std::string(env) == "off");
}

FileSystem& realFileSystem() {
    static RealFileSystem fs(syncModeFromEnvironment());
    return fs;
}

bool FaultInjectingFileSystem::nextFails() {
    ++count_;
    if (failed_ && crash_) return true;
    if (failAt_ != 0 && count_ == failAt_) {
        failed_ = true;
        return true;
    }
    return false;
}

std::unique_ptr<File> FaultInjectingFileSystem::open(const std::filesystem::path& path,
                                                     OpenMode mode) {
    if (nextFails()) return nullptr;
    auto inner = inner_.open(path, mode);
    if (!inner) return nullptr;
    return std::make_unique<FaultyFile>(*this, std::move(inner));
}

bool FaultInjectingFileSystem::rename(const std::filesystem::path& from,
                                      const std::filesystem::path& to) {
    return !nextFails() && inner_.rename(from, to);
}

std::unique_ptr<FileLock> FaultInjectingFileSystem::lock(const std::filesystem::path& path,
                                                         LockKind kind,
                                                         std::chrono::milliseconds wait,
                                                         LockRefusal& refusal) {
    if (nextFails()) {
        refusal = LockRefusal{};
        return nullptr;
    }
    return inner_.lock(path, kind, wait, refusal);
}

bool FaultInjectingFileSystem::remove(const std::filesystem::path& path) {
    return !nextFails() && inner_.remove(path);
}

bool FaultInjectingFileSystem::createFolder(const std::filesystem::path& path) {
    return !nextFails() && inner_.createFolder(path);
}

bool FaultInjectingFileSystem::removeFolder(const std::filesystem::path& path) {
    return !nextFails() && inner_.removeFolder(path);
}

bool FaultInjectingFileSystem::syncFolder(const std::filesystem::path& path) {
    return !nextFails() && inner_.syncFolder(path);
}

bool FaultInjectingFileSystem::copyPermissions(const std::filesystem::path& from,
                                               const std::filesystem::path& to) {
    return !nextFails() && inner_.copyPermissions(from, to);
}

bool replaceFileWhole(FileSystem& fs, const std::filesystem::path& path, const uint8_t* data,
                      std::size_t n, bool syncData) {
    std::filesystem::path aside = path;
    aside += ".new";
    // A leftover aside may be a link planted there: never write through it;
    // one planted between the removal and the creation makes the save fail.
    if (!fs.remove(aside)) return false;
    auto f = fs.open(aside, OpenMode::CreateNew);
    if (!f) return false;
    bool ok = fs.copyPermissions(path, aside);
    ok = ok && (n == 0 || f->writeAt(0, data, n));
    if (ok && syncData) ok = f->sync();
    f.reset();
    if (ok) ok = fs.rename(aside, path);
    if (!ok) {
        fs.remove(aside);
        return false;
    }
    if (syncData) {
        const std::filesystem::path folder = path.parent_path();
        (void)fs.syncFolder(folder.empty() ? std::filesystem::path(".") : folder);
    }
    return true;
}

}  // namespace zavlin
