// The single-instance lock: the 45-byte record a second copy reads, the
// window's exclusive lock against a second window and against the writers
// of the command line, and a lock that dies with its process.
#include "shell/instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "base/datetime.h"
#include "support/scoped_env.h"
#include "support/scratch_home.h"

namespace zavlin::shell {
namespace {

namespace fs = std::filesystem;
using testsupport::ScopedEnv;
using testsupport::ScratchHome;

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Busy locks are refused after a short wait in these tests.
class InstanceTest : public ::testing::Test {
protected:
    ScopedEnv wait{"ZAVLIN_LOCK_WAIT_MS", "20"};
    ScratchHome home{"instance"};
    fs::path lockFile() const { return home.path() / kInstanceLockFile; }
    std::optional<TInstanceRecord> recordInFile() const {
        const std::string bytes = fileBytes(lockFile());
        return TInstanceRecord::Decode(reinterpret_cast<const uint8_t*>(bytes.data()),
                                       bytes.size());
    }
};

TEST(InstanceRecord, EncodesPidStartAndNameLittleEndian) {
    TInstanceRecord r;
    r.handle = 0x01020304;
    r.started = 2.5;  // 0x4004000000000000
    r.name = "Завлин";
    const auto bytes = r.Encode();
    const uint8_t expected[kInstanceRecordSize] = {
        0x04, 0x03, 0x02, 0x01,                          // pid
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x40,  // 2.5
        6,    0xC7, 0xE0, 0xE2, 0xEB, 0xE8, 0xED,        // "Завлин" in CP1251
    };
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()),
              std::vector<uint8_t>(std::begin(expected), std::end(expected)));

    const auto back = TInstanceRecord::Decode(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->handle, r.handle);
    EXPECT_EQ(back->started, 2.5);
    EXPECT_EQ(back->name, "Завлин");
}

TEST(InstanceRecord, CutsLongNamesAndRejectsDamagedRecords) {
    TInstanceRecord r;
    r.name = std::string(40, 'x');
    auto bytes = r.Encode();
    EXPECT_EQ(bytes[12], 32);
    EXPECT_EQ(TInstanceRecord::Decode(bytes.data(), bytes.size())->name, std::string(32, 'x'));

    EXPECT_FALSE(TInstanceRecord::Decode(bytes.data(), kInstanceRecordSize - 1));
    bytes[12] = 33;
    EXPECT_FALSE(TInstanceRecord::Decode(bytes.data(), bytes.size()));
}

TEST(InstanceRecord, AlreadyRunningNamesTheStartTime) {
    TInstanceRecord r;
    r.name = "zavlin";
    r.started = encodeDate(2026, 12, 8) + encodeTime(3, 5, 7, 0);
    EXPECT_EQ(AlreadyRunningText(r), "Программа zavlin уже запущена :08.12.2026 03:05:07");
}

TEST_F(InstanceTest, ASecondWindowIsRefusedWithTheFirstOnesRecord) {
    std::optional<TInstanceRecord> other;
    std::string message;
    const double before = nowLocal();
    auto first = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
    ASSERT_TRUE(first) << message;
    EXPECT_FALSE(other);

    // flock: two opens conflict even inside one process.
    auto second = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
    EXPECT_FALSE(second);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->handle, static_cast<uint32_t>(::getpid()));
    EXPECT_EQ(other->name, "zavlin");
    EXPECT_GE(other->started, before - 1e-6);
    EXPECT_LE(other->started, nowLocal() + 1e-6);
    EXPECT_EQ(message, AlreadyRunningText(*other));

    first.reset();
    auto third = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
    EXPECT_TRUE(third) << message;
}

TEST_F(InstanceTest, WritersShareTheLockButNotWithTheWindow) {
    std::string message;
    auto w1 = TInstanceLock::AcquireWriter(home.path(), message);
    auto w2 = TInstanceLock::AcquireWriter(home.path(), message);
    ASSERT_TRUE(w1);
    ASSERT_TRUE(w2);
    std::optional<TInstanceRecord> other;
    EXPECT_FALSE(TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message));
    EXPECT_FALSE(other);  // a verb, not a window
    EXPECT_NE(message.find("zavlin-cli"), std::string::npos) << message;
    w1.reset();
    w2.reset();

    auto window = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
    ASSERT_TRUE(window);
    EXPECT_FALSE(TInstanceLock::AcquireWriter(home.path(), message));
    // The message is built from the record in the file: find its start time there.
    const auto record = recordInFile();
    ASSERT_TRUE(record);
    EXPECT_NE(message.find("the window program zavlin (pid " + std::to_string(::getpid()) +
                           ") has held the database since " +
                           formatDateTime(record->started, kDottedPlainDateTime)),
              std::string::npos)
        << message;
}

TEST_F(InstanceTest, ALockDiesWithAKilledProcess) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        std::optional<TInstanceRecord> other;
        std::string message;
        auto lock = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
        const char c = lock ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(c, 'y');

    std::optional<TInstanceRecord> other;
    std::string message;
    EXPECT_FALSE(TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->handle, static_cast<uint32_t>(child));

    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    // Its record is still in the file; it means nothing without the lock.
    EXPECT_GE(fs::file_size(home.path() / kInstanceLockFile), kInstanceRecordSize);
    auto writer = TInstanceLock::AcquireWriter(home.path(), message);
    EXPECT_TRUE(writer) << message;
    writer.reset();
    EXPECT_TRUE(TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message)) << message;
}

TEST_F(InstanceTest, TheLockIsNotHandedToChildPrograms) {
    std::optional<TInstanceRecord> other;
    std::string message;
    auto window = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
    ASSERT_TRUE(window);
    // A program started by the window (a document opener) must not keep the
    // lock after the window is gone: the descriptor is closed on exec.
    const std::string lockFile = (home.path() / kInstanceLockFile).string();
    const std::string script = "for f in /proc/self/fd/*; do [ \"$(readlink $f)\" = '" + lockFile +
                               "' ] && exit 1; done; exit 0";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the lock file is open in the child program";
}

TEST_F(InstanceTest, WithoutALockFileTheWindowIsToldAndGoesOn) {
    std::string message;
    EXPECT_TRUE(TInstanceLock::AcquireWriter(home.path() / "not-made-yet", message)) << message;
    std::optional<TInstanceRecord> other;
    EXPECT_TRUE(
        TInstanceLock::AcquireWindow(home.path() / "not-made-yet", "zavlin", other, message));
    EXPECT_EQ(message, "Ошибка при создании файла обмена информацией");
    EXPECT_FALSE(other);
}

TEST_F(InstanceTest, TheRecordIsWrittenOverTheOldOneAtItsSize) {
    // A copy killed long ago left its record, and something longer besides.
    TInstanceRecord stale{77, 1.5, "zavlin"};
    const auto staleBytes = stale.Encode();
    std::string old(staleBytes.begin(), staleBytes.end());
    old += std::string(30, 'x');
    std::ofstream(lockFile(), std::ios::binary) << old;

    std::optional<TInstanceRecord> other;
    std::string message;
    auto window = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
    ASSERT_TRUE(window) << message;
    EXPECT_EQ(message, "");
    EXPECT_EQ(fs::file_size(lockFile()), kInstanceRecordSize);
    const auto record = recordInFile();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->handle, static_cast<uint32_t>(::getpid()));

    // A second copy's text always has the time when there is a record.
    EXPECT_FALSE(TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message));
    EXPECT_EQ(message, "Программа zavlin уже запущена :" +
                           formatDateTime(record->started, kDottedPlainDateTime));
}

// Another user's window program made the lock file: this user may only read
// it. A child process drops to the user "nobody" (when run as root, which
// ignores file modes) so that opening it for writing really fails.
TEST_F(InstanceTest, ALockFileThatCannotBeWrittenStillGuards) {
    {
        std::optional<TInstanceRecord> other;
        std::string message;
        ASSERT_TRUE(TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message));
    }
    ASSERT_EQ(::chmod(lockFile().c_str(), 0444), 0);
    ASSERT_EQ(::chmod(home.path().c_str(), 0755), 0);
    const bool root = ::geteuid() == 0;
    int up[2], down[2];
    ASSERT_EQ(::pipe(up), 0);
    ASSERT_EQ(::pipe(down), 0);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto say = [&](char c) { (void)!::write(up[1], &c, 1); };
        auto hear = [&] {
            char c = 0;
            (void)!::read(down[0], &c, 1);
        };
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
        if (::open(lockFile().c_str(), O_RDWR) >= 0) ::_exit(11);
        std::optional<TInstanceRecord> other;
        std::string message;
        {
            auto window = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
            if (!window) ::_exit(12);
            if (message != "Ошибка при создании файла обмена информацией") ::_exit(13);
            say('w');
            hear();
        }
        say('r');
        hear();
        // The parent's window holds the lock now.
        if (TInstanceLock::AcquireWriter(home.path(), message)) ::_exit(14);
        if (message.find("the window program zavlin (pid " + std::to_string(parent)) ==
            std::string::npos)
            ::_exit(15);
        if (TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message)) ::_exit(16);
        // Only root could write the record into the file it may not write.
        if (root && (!other || other->handle != static_cast<uint32_t>(parent))) ::_exit(17);
        ::_exit(0);
    }
    auto hear = [&] {
        char c = 0;
        return ::read(up[0], &c, 1) == 1 ? c : '?';
    };
    ASSERT_EQ(hear(), 'w');
    std::string message;
    std::optional<TInstanceRecord> other;
    EXPECT_FALSE(TInstanceLock::AcquireWriter(home.path(), message));
    EXPECT_FALSE(TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message));
    (void)!::write(down[1], "g", 1);
    ASSERT_EQ(hear(), 'r');
    {
        auto window = TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
        EXPECT_TRUE(window) << message;
        (void)!::write(down[1], "g", 1);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's check that failed";
    }
    for (int fd : {up[0], up[1], down[0], down[1]}) ::close(fd);
}

}  // namespace
}  // namespace zavlin::shell
