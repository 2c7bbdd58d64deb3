// The single-instance lock: the 45-byte record a second copy reads, the
// window's exclusive lock against a second window and against the writers
// of the command line, and a lock that dies with its process.
#include "shell/instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "base/datetime.h"
#include "support/scratch_home.h"

namespace zavlin::shell {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchHome;

// Busy locks are refused after a short wait in these tests.
class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("ZAVLIN_LOCK_WAIT_MS", "20", 1); }
    void TearDown() override { ::unsetenv("ZAVLIN_LOCK_WAIT_MS"); }
    ScratchHome home{"instance"};
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
    EXPECT_NE(message.find("the window program zavlin (pid " + std::to_string(::getpid())),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(std::to_string(decodeDate(static_cast<int32_t>(nowLocal())).year)),
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

}  // namespace
}  // namespace zavlin::shell
