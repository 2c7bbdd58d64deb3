#include "shell/instance.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "base/cp1251.h"
#include "base/datetime.h"
#include "base/flock_wait.h"
#include "base/little_endian.h"

namespace zavlin::shell {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kNameOffset = 12;
constexpr std::size_t kNameMax = 32;
static_assert(kNameOffset + 1 + kNameMax == kInstanceRecordSize);

int openWith(const fs::path& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A lock file another user made (0644 in a shared home) cannot be opened for
// writing, but flock works on a descriptor opened for reading: the lock is
// taken all the same, only the record cannot be written.
int openLockFile(const fs::path& path, bool& writable) {
    int fd = openWith(path, O_RDWR | O_CREAT);
    writable = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        const int why = errno;
        fd = openWith(path, O_RDONLY);
        if (fd < 0) errno = why;
    }
    return fd;
}

// A copy that has just taken the lock writes its record a moment later (the
// file is empty after a clean end), and a write may be in progress: a read
// that does not decode is tried again a few times before the text goes
// without the start time.
std::optional<TInstanceRecord> readRecord(int fd) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        uint8_t bytes[kInstanceRecordSize];
        const ssize_t n = ::pread(fd, bytes, sizeof bytes, 0);
        if (n != static_cast<ssize_t>(sizeof bytes)) continue;
        if (auto record = TInstanceRecord::Decode(bytes, sizeof bytes)) return record;
    }
    return std::nullopt;
}

std::string startText(double started) {
    return formatDateTime(started, kDottedPlainDateTime);
}

}  // namespace

std::array<uint8_t, kInstanceRecordSize> TInstanceRecord::Encode() const {
    std::array<uint8_t, kInstanceRecordSize> out{};
    putU32(out.data(), handle);
    putF64(out.data() + 4, started);
    const std::string text = utf8ToCp1251Cut(name, kNameMax);
    out[kNameOffset] = static_cast<uint8_t>(text.size());
    std::memcpy(out.data() + kNameOffset + 1, text.data(), text.size());
    return out;
}

std::optional<TInstanceRecord> TInstanceRecord::Decode(const uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < kInstanceRecordSize) return std::nullopt;
    const std::size_t length = bytes[kNameOffset];
    if (length > kNameMax) return std::nullopt;
    TInstanceRecord r;
    r.handle = getU32(bytes);
    r.started = getF64(bytes + 4);
    if (!std::isfinite(r.started)) return std::nullopt;
    r.name = cp1251ToUtf8(
        std::string_view(reinterpret_cast<const char*>(bytes) + kNameOffset + 1, length));
    return r;
}

std::string AlreadyRunningText(const TInstanceRecord& record) {
    return "Программа " + record.name + " уже запущена :" + startText(record.started);
}

struct TInstanceLock::Impl {
    int fd = -1;
    bool window = false;
    ~Impl() {
        if (fd < 0) return;
        // The record only means something while its lock is held.
        if (window) (void)!::ftruncate(fd, 0);
        ::close(fd);
    }
};

TInstanceLock::~TInstanceLock() = default;

std::unique_ptr<TInstanceLock> TInstanceLock::AcquireWindow(const fs::path& home,
                                                            const std::string& name,
                                                            std::optional<TInstanceRecord>& other,
                                                            std::string& message) {
    other.reset();
    message.clear();
    auto impl = std::make_unique<Impl>();
    const fs::path path = home / kInstanceLockFile;
    // Without any lock file the program still runs, only unguarded.
    auto unguarded = [&] {
        message = "Ошибка при создании файла обмена информацией";
        auto lock = std::unique_ptr<TInstanceLock>(new TInstanceLock());
        lock->impl_ = std::make_unique<Impl>();
        return lock;
    };
    bool writable = false;
    impl->fd = openLockFile(path, writable);
    if (impl->fd < 0) return unguarded();
    // A writing verb of the command line holds the lock shared for its run:
    // it is waited for a while.
    const Flock taken = flockWithin(impl->fd, LOCK_EX, lockWait());
    if (taken == Flock::Failed) return unguarded();
    if (taken == Flock::Busy) {
        // Only another window holds it exclusively; shared holders are verbs.
        if (::flock(impl->fd, LOCK_SH | LOCK_NB) == 0) {
            (void)::flock(impl->fd, LOCK_UN);
            message =
                "База данных занята программой zavlin-cli. Повторите запуск после её "
                "завершения.";
            return nullptr;
        }
        other = readRecord(impl->fd);
        TInstanceRecord shown = other.value_or(TInstanceRecord{0, 0, name});
        message = other ? AlreadyRunningText(shown) : "Программа " + name + " уже запущена";
        return nullptr;
    }
    TInstanceRecord mine;
    mine.handle = static_cast<uint32_t>(::getpid());
    mine.started = nowLocal();
    mine.name = name;
    const auto bytes = mine.Encode();
    // Written over a stale record, then cut to size, so a reader meets no
    // truncated one in between.
    if (!writable ||
        ::pwrite(impl->fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()) ||
        ::ftruncate(impl->fd, static_cast<off_t>(bytes.size())) != 0) {
        // The lock is held all the same; only a second copy's text suffers.
        message = "Ошибка при создании файла обмена информацией";
    } else {
        impl->window = true;
    }
    auto lock = std::unique_ptr<TInstanceLock>(new TInstanceLock());
    lock->impl_ = std::move(impl);
    return lock;
}

std::unique_ptr<TInstanceLock> TInstanceLock::AcquireWriter(const fs::path& home,
                                                            std::string& message) {
    message.clear();
    auto impl = std::make_unique<Impl>();
    const fs::path path = home / kInstanceLockFile;
    bool writable = false;
    impl->fd = openLockFile(path, writable);
    if (impl->fd < 0) {
        // No lock file, and none can be made: a home nobody can write into
        // has no window program writing either.
        std::error_code ec;
        if (errno == EACCES || errno == EROFS || errno == EPERM || !fs::is_directory(home, ec)) {
            auto lock = std::unique_ptr<TInstanceLock>(new TInstanceLock());
            lock->impl_ = std::make_unique<Impl>();
            return lock;
        }
        message = "cannot lock " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    const Flock taken = flockWithin(impl->fd, LOCK_SH, lockWait());
    if (taken == Flock::Failed) {
        message = "cannot lock " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    if (taken == Flock::Busy) {
        const auto other = readRecord(impl->fd);
        if (other) {
            message = fmt::format(
                "the window program {} (pid {}) has held the database since {}; close it and "
                "try again ({})",
                other->name, other->handle, startText(other->started), path.string());
        } else {
            message = "the window program holds the database (" + path.string() +
                      "); close it and try again";
        }
        return nullptr;
    }
    auto lock = std::unique_ptr<TInstanceLock>(new TInstanceLock());
    lock->impl_ = std::move(impl);
    return lock;
}

}  // namespace zavlin::shell
