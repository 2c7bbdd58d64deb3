// Locks between processes with flock, shared inside one process through a
// registry of the lock files this process holds (see FileSystem::lock).
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "base/file_system.h"
#include "base/flock_wait.h"

namespace zavlin {
namespace {

std::mutex& holderNameMutex() {
    static std::mutex m;
    return m;
}
std::string& holderNameValue() {
    static std::string name = program_invocation_short_name;
    return name;
}

std::string holderText() {
    std::lock_guard lock(holderNameMutex());
    return "pid " + std::to_string(::getpid()) + " " + holderNameValue();
}

// One lock file this process holds, with the handles taken on it.
struct Entry {
    uint64_t id = 0;  // tells a handle whether its entry is still this one
    pid_t owner = 0;  // a child of fork() inherits the table, not the lock
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    int shared = 0;
    int exclusive = 0;
};

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}
std::vector<Entry*>& registry() {
    static std::vector<Entry*> entries;
    return entries;
}
uint64_t nextEntryId = 0;

// Who holds the file, as its holder wrote it; empty when nobody said or the
// process named is gone (a writer that died leaves its name behind).
std::string readHolder(int fd) {
    char buffer[256];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0) return {};
    std::string text(buffer, static_cast<std::size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    if (text.rfind("pid ", 0) == 0) {
        const long pid = std::strtol(text.c_str() + 4, nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return {};
    }
    return text;
}

void writeHolder(int fd) {
    const std::string text = holderText() + "\n";
    // Only a courtesy to whoever waits: a failure changes nothing.
    if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, text.data(), text.size(), 0);
}

void clearHolder(int fd) {
    (void)!::ftruncate(fd, 0);
}

class RegisteredLock : public FileLock {
public:
    RegisteredLock(Entry* entry, LockKind kind)
        : entry_(entry), id_(entry ? entry->id : 0), kind_(kind) {}
    ~RegisteredLock() override;
    LockKind kind() const override { return kind_; }

private:
    Entry* entry_;  // null: nothing to lock (no lock file could exist)
    uint64_t id_;
    LockKind kind_;
};

RegisteredLock::~RegisteredLock() {
    if (!entry_) return;
    std::lock_guard guard(registryMutex());
    auto& entries = registry();
    // A handle inherited through fork() finds its entry gone or not its own.
    const auto found = std::find(entries.begin(), entries.end(), entry_);
    if (found == entries.end() || entry_->id != id_ || entry_->owner != ::getpid()) return;
    Entry& e = *entry_;
    if (kind_ == LockKind::Exclusive) {
        --e.exclusive;
        if (e.exclusive == 0) {
            clearHolder(e.fd);
            if (e.shared > 0) (void)::flock(e.fd, LOCK_SH);
        }
    } else {
        --e.shared;
    }
    if (e.shared == 0 && e.exclusive == 0) {
        (void)::flock(e.fd, LOCK_UN);
        ::close(e.fd);
        entries.erase(found);
        delete entry_;
    }
}

}  // namespace

Flock flockWithin(int fd, int op, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (true) {
        if (::flock(fd, op | LOCK_NB) == 0) return Flock::Taken;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return Flock::Failed;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return Flock::Busy;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

std::chrono::milliseconds lockWait() {
    if (const char* env = std::getenv("ZAVLIN_LOCK_WAIT_MS"); env != nullptr && *env != '\0') {
        char* end = nullptr;
        const long ms = std::strtol(env, &end, 10);
        if (end != env && *end == '\0' && ms >= 0) return std::chrono::milliseconds(ms);
    }
    return std::chrono::milliseconds(3000);
}

void setLockHolderName(const std::string& name) {
    std::lock_guard lock(holderNameMutex());
    holderNameValue() = name;
}

std::unique_ptr<FileLock> lockFile(const std::filesystem::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) {
    refusal = LockRefusal{};
    std::lock_guard guard(registryMutex());
    auto& entries = registry();
    const pid_t self = ::getpid();
    // Entries inherited through fork() belong to the parent: forget them (the
    // descriptor is closed here, the parent's lock stays).
    for (auto it = entries.begin(); it != entries.end();) {
        if ((*it)->owner == self) {
            ++it;
            continue;
        }
        ::close((*it)->fd);
        delete *it;
        it = entries.erase(it);
    }

    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        for (Entry* e : entries) {
            if (e->dev != st.st_dev || e->ino != st.st_ino) continue;
            if (kind == LockKind::Shared) {
                ++e->shared;
                return std::make_unique<RegisteredLock>(e, kind);
            }
            if (e->exclusive == 0) {
                const Flock r = flockWithin(e->fd, LOCK_EX, wait);
                if (r != Flock::Taken) {
                    refusal.busy = r == Flock::Busy;
                    refusal.holder = readHolder(e->fd);
                    // A refused conversion may have let the shared lock go.
                    (void)flockWithin(e->fd, LOCK_SH, wait);
                    return nullptr;
                }
                writeHolder(e->fd);
            }
            ++e->exclusive;
            return std::make_unique<RegisteredLock>(e, kind);
        }
    }

    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && kind == LockKind::Shared && (errno == EACCES || errno == EROFS)) {
        do {
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0 && errno == ENOENT) return std::make_unique<RegisteredLock>(nullptr, kind);
    }
    if (fd < 0) return nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const Flock r = flockWithin(fd, kind == LockKind::Exclusive ? LOCK_EX : LOCK_SH, wait);
    if (r != Flock::Taken) {
        refusal.busy = r == Flock::Busy;
        refusal.holder = readHolder(fd);
        ::close(fd);
        return nullptr;
    }
    auto* e = new Entry;
    e->id = ++nextEntryId;
    e->owner = self;
    e->fd = fd;
    e->dev = st.st_dev;
    e->ino = st.st_ino;
    if (kind == LockKind::Exclusive) {
        e->exclusive = 1;
        writeHolder(fd);
    } else {
        e->shared = 1;
    }
    entries.push_back(e);
    return std::make_unique<RegisteredLock>(e, kind);
}

}  // namespace zavlin
