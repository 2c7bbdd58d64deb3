// Locks between processes: a writer holds its table exclusively from open to
// close, a reader shares it, and neither touches the other's work in progress.
// The second process is a fork of this test; the two talk through pipes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <set>

#include "storage/year_database.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::createTable;
using test::MessageRecorder;
using test::ScratchDir;
using test::snapshotFiles;

// Sets ZAVLIN_LOCK_WAIT_MS while alive.
class LockWaitMs {
public:
    explicit LockWaitMs(const char* ms) {
        const char* old = std::getenv("ZAVLIN_LOCK_WAIT_MS");
        if (old) old_ = old;
        had_ = old != nullptr;
        setenv("ZAVLIN_LOCK_WAIT_MS", ms, 1);
    }
    ~LockWaitMs() {
        if (had_) {
            setenv("ZAVLIN_LOCK_WAIT_MS", old_.c_str(), 1);
        } else {
            unsetenv("ZAVLIN_LOCK_WAIT_MS");
        }
    }

private:
    std::string old_;
    bool had_ = false;
};

// A forked child running body; it reports its result in the exit status and
// can be signalled through a pipe. The parent's waits are on pipes, never on
// the clock.
class Child {
public:
    // body gets the child's ends: wait() blocks until the parent says go,
    // ready() tells the parent the child reached its point.
    using Body =
        std::function<int(const std::function<void()>& ready, const std::function<void()>& wait)>;
    explicit Child(const Body& body) {
        if (::pipe(toChild_) != 0 || ::pipe(toParent_) != 0) std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(toChild_[1]);
            ::close(toParent_[0]);
            const int in = toChild_[0];
            const int out = toParent_[1];
            auto ready = [out] { (void)!::write(out, "r", 1); };
            auto wait = [in] {
                char c;
                (void)!::read(in, &c, 1);
            };
            int code = 99;
            try {
                code = body(ready, wait);
            } catch (...) {
                code = 98;
            }
            // No destructors, no gtest teardown in the child.
            ::_exit(code);
        }
        ::close(toChild_[0]);
        ::close(toParent_[1]);
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            go();
            (void)finish();
        }
        ::close(toChild_[1]);
        ::close(toParent_[0]);
    }
    pid_t pid() const { return pid_; }
    // Blocks until the child called ready(); false when it ended instead.
    bool awaitReady() {
        char c;
        return ::read(toParent_[0], &c, 1) == 1;
    }
    void go() { (void)!::write(toChild_[1], "g", 1); }
    // The child's exit status (-1 when it did not exit normally).
    int finish() {
        int status = 0;
        reaped_ = true;
        if (::waitpid(pid_, &status, 0) != pid_ || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

private:
    int toChild_[2] = {-1, -1};
    int toParent_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool reaped_ = false;
};

void makeTable(const ScratchDir& dir, int records) {
    TTableBlob t{test::hooks()};
    createTable(t, dir, "T", {"N:ftAutoInc", "Name:ftString:20", "Dan:ftBlob"});
    for (int i = 0; i < records; ++i) {
        ASSERT_TRUE(t.Append());
        t.FieldByName("Name")->setAsString("r" + std::to_string(i));
        ASSERT_TRUE(t.Post());
    }
    t.Close();
}

// Everything but the lock files, which a reader may create beside a table.
std::map<std::string, std::vector<uint8_t>> tableFiles(const ScratchDir& dir) {
    auto files = snapshotFiles(dir.path());
    for (auto it = files.begin(); it != files.end();) {
        const std::string& name = it->first;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".bl") == 0) {
            it = files.erase(it);
        } else {
            ++it;
        }
    }
    return files;
}

// ---------------------------------------------------------------- one process

TEST(LockInProcess, SameTableTwiceDoesNotBlockItself) {
    // The model opens one table through two objects; flock on two descriptors
    // of one process would make the second wait for the first for ever.
    LockWaitMs wait("0");
    ScratchDir dir;
    makeTable(dir, 2);
    TTableBlob a{test::hooks()};
    TTableBlob b{test::hooks()};
    TTableBlob reader{test::hooks()};
    a.SetTableName(dir.table("T"));
    b.SetTableName(dir.table("T"));
    reader.SetTableName(dir.table("T"));
    ASSERT_TRUE(reader.OpenReadOnly());
    ASSERT_TRUE(a.Open());  // exclusive over this process's own shared lock
    ASSERT_TRUE(b.Open());
    ASSERT_TRUE(b.Append());
    ASSERT_TRUE(b.Post());
    b.Close();
    a.Close();
    // The reader keeps its lock after the writers left: another process
    // cannot write, while this one still can.
    Child other([&](auto&&, auto&&) {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        return t.Open() ? 1 : 0;
    });
    EXPECT_EQ(other.finish(), 0);
    reader.Close();
    Child after([&](auto&&, auto&&) {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        return t.Open() && t.RecordCount() == 3 ? 0 : 1;
    });
    EXPECT_EQ(after.finish(), 0);
}

TEST(LockInProcess, ForkedChildLettingGoOfAnInheritedLockKeepsTheParentsLock) {
    LockWaitMs wait("0");
    ScratchDir dir;
    makeTable(dir, 1);
    TTableBlob parent{test::hooks()};
    parent.SetTableName(dir.table("T"));
    ASSERT_TRUE(parent.Open());
    // The child closes the table it inherited (its destructor would unlock
    // the shared descriptor), then finds the table still held.
    Child child([&](auto&&, auto&&) {
        parent.Close();
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        return t.Open() ? 1 : 0;
    });
    EXPECT_EQ(child.finish(), 0);
    Child other([&](auto&&, auto&&) {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        return t.OpenReadOnly() ? 1 : 0;
    });
    EXPECT_EQ(other.finish(), 0);
    EXPECT_TRUE(parent.Append());
    EXPECT_TRUE(parent.Post());
}

TEST(LockInProcess, InjectedLockFailureFailsTheOpenCleanly) {
    ScratchDir dir;
    makeTable(dir, 3);
    const auto before = tableFiles(dir);
    for (bool readOnly : {false, true}) {
        FaultInjectingFileSystem fs;
        TTableBlob t(test::hooks(), fs);
        MessageRecorder rec;
        rec.attach(t);
        t.SetTableName(dir.table("T"));
        t.SetReadOnly(readOnly);
        fs.failAt(1);  // the lock is the open's first operation
        EXPECT_FALSE(t.Open());
        EXPECT_FALSE(t.Active());
        ASSERT_EQ(rec.errors.size(), 1u);
        EXPECT_EQ(rec.errors[0].first, TTableBlob::kErrorLocked);
        EXPECT_EQ(fs.operations(), 1u) << "nothing may follow a lock not taken";
        EXPECT_EQ(tableFiles(dir), before);
    }
    // The failure left no lock behind.
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    EXPECT_TRUE(t.Open());
}

// A file system that refuses and records every operation that would change
// the disk: a read-only home, whoever runs the test (root ignores modes).
class NoWriteFs : public FileSystem {
public:
    std::vector<std::string> attempts;

    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override {
        if (mode != OpenMode::ReadOnly) {
            attempts.push_back("open for writing " + path.filename().string());
            return nullptr;
        }
        auto inner = realFileSystem().open(path, mode);
        if (!inner) return nullptr;
        return std::make_unique<NoWriteFile>(*this, path.filename().string(), std::move(inner));
    }
    bool exists(const std::filesystem::path& path) override {
        return realFileSystem().exists(path);
    }
    bool rename(const std::filesystem::path& from, const std::filesystem::path&) override {
        attempts.push_back("rename " + from.filename().string());
        return false;
    }
    bool remove(const std::filesystem::path& path) override {
        attempts.push_back("remove " + path.filename().string());
        return false;
    }
    bool createFolder(const std::filesystem::path& path) override {
        attempts.push_back("create folder " + path.filename().string());
        return false;
    }
    bool removeFolder(const std::filesystem::path& path) override {
        attempts.push_back("remove folder " + path.filename().string());
        return false;
    }
    bool syncFolder(const std::filesystem::path& path) override {
        return realFileSystem().syncFolder(path);
    }
    bool copyPermissions(const std::filesystem::path& from, const std::filesystem::path&) override {
        attempts.push_back("copy permissions " + from.filename().string());
        return false;
    }
    std::unique_ptr<FileLock> lock(const std::filesystem::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) override {
        if (kind == LockKind::Exclusive) attempts.push_back("exclusive lock");
        return realFileSystem().lock(path, kind, wait, refusal);
    }

private:
    class NoWriteFile : public File {
    public:
        NoWriteFile(NoWriteFs& fs, std::string name, std::unique_ptr<File> inner)
            : fs_(fs), name_(std::move(name)), inner_(std::move(inner)) {}
        bool readAt(uint64_t offset, void* buffer, std::size_t n) override {
            return inner_->readAt(offset, buffer, n);
        }
        int64_t readSomeAt(uint64_t offset, void* buffer, std::size_t n) override {
            return inner_->readSomeAt(offset, buffer, n);
        }
        bool writeAt(uint64_t, const void*, std::size_t) override { return refuse("write"); }
        bool truncate(uint64_t) override { return refuse("truncate"); }
        bool sync() override { return true; }
        int64_t size() override { return inner_->size(); }

    private:
        bool refuse(const char* what) {
            fs_.attempts.push_back(std::string(what) + " " + name_);
            return false;
        }
        NoWriteFs& fs_;
        std::string name_;
        std::unique_ptr<File> inner_;
    };
};

TEST(ReadOnlyOpen, ReadsEverythingAndAttemptsNoWrite) {
    ScratchDir dir;
    makeTable(dir, 4);
    {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        t.First();
        test::loadBlob(t, "Dan", test::seededBytes(100, 7));
        ASSERT_TRUE(t.Post());
    }
    // Without .bi a writer would rebuild and store it; a reader builds it in
    // memory only.
    std::filesystem::remove(dir.path() / "T.bi");
    const auto before = tableFiles(dir);
    NoWriteFs fs;
    TTableBlob t(test::hooks(), fs);
    MessageRecorder rec;
    rec.attach(t);
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.OpenReadOnly()) << (rec.errors.empty() ? "" : rec.errors[0].second);
    EXPECT_EQ(t.RecordCount(), 4u);
    EXPECT_TRUE(t.TestTable());
    t.First();
    EXPECT_EQ(test::blobValue(t, "Dan"), test::seededBytes(100, 7));
    t.SetIndexActivRecord(3);
    EXPECT_EQ(t.FieldByName("Name")->asString(), "r3");
    // Every change is refused before it reaches the disk.
    EXPECT_FALSE(t.Append());
    t.Edit();
    t.FieldByName("Name")->setAsString("x");  // pending until a Post
    EXPECT_FALSE(t.Post());
    EXPECT_FALSE(t.Delete());
    EXPECT_FALSE(t.EmptyTable());
    EXPECT_EQ(t.AddFieldByName(ftInteger, "More", 0), nullptr);
    t.Close();
    EXPECT_TRUE(fs.attempts.empty()) << fs.attempts.front();
    EXPECT_EQ(tableFiles(dir), before);
}

TEST(ReadOnlyOpen, MissingSlotAndPageFilesReadAsEmpty) {
    ScratchDir dir;
    {
        TTableBlob t{test::hooks()};
        createTable(t, dir, "E", {"N:ftAutoInc", "Dan:ftBlob"});
    }
    for (const char* ext : {".b1", ".b2", ".bi"}) std::filesystem::remove(dir.table("E") + ext);
    NoWriteFs fs;
    TTableBlob t(test::hooks(), fs);
    t.SetTableName(dir.table("E"));
    ASSERT_TRUE(t.OpenReadOnly());
    EXPECT_EQ(t.RecordCount(), 0u);
    t.Close();
    EXPECT_TRUE(fs.attempts.empty()) << fs.attempts.front();
    EXPECT_FALSE(std::filesystem::exists(dir.table("E") + ".b1"));
}

// ---------------------------------------------------------------- two processes

// A child cuts an append short after its journal reached the disk and keeps
// holding the table, as a writer still at work would.
int leaveJournalAndHold(const ScratchDir& dir, const std::function<void()>& ready,
                        const std::function<void()>& wait) {
    TTableBlob holder{test::hooks()};
    holder.SetTableName(dir.table("T"));
    const auto held = holder.LockTable(LockKind::Exclusive);
    if (!held) return 2;
    const auto journal = std::filesystem::path(dir.table("T") + ".bj");
    for (uint64_t n = 1; n < 200; ++n) {
        FaultInjectingFileSystem fs;
        {
            TTableBlob t(test::hooks(), fs);
            t.SetTableName(dir.table("T"));
            if (!t.Open()) return 3;
            fs.failAt(n);
            if (t.Append()) {
                t.FieldByName("Name")->setAsString("half");
                (void)t.Post();
            }
        }
        std::error_code ec;
        if (std::filesystem::file_size(journal, ec) > 0 && !ec) {
            ready();
            wait();
            return 0;  // dies holding nothing but the journal on disk
        }
    }
    return 4;
}

TEST(LockBetweenProcesses, LiveWritersJournalIsLeftAloneThenSettledWhenItDies) {
    ScratchDir dir;
    makeTable(dir, 5);
    const auto original = tableFiles(dir);
    LockWaitMs wait("20");
    Child writer([&](auto&& ready, auto&& go) { return leaveJournalAndHold(dir, ready, go); });
    ASSERT_TRUE(writer.awaitReady());
    const auto inProgress = tableFiles(dir);
    ASSERT_TRUE(inProgress.count("T.bj"));
    for (bool readOnly : {true, false}) {
        TTableBlob t{test::hooks()};
        MessageRecorder rec;
        rec.attach(t);
        t.SetTableName(dir.table("T"));
        t.SetReadOnly(readOnly);
        EXPECT_FALSE(t.Open());
        ASSERT_EQ(rec.errors.size(), 1u);
        EXPECT_EQ(rec.errors[0].first, TTableBlob::kErrorLocked);
        // The waiter is told who holds the table.
        EXPECT_NE(rec.errors[0].second.find("pid " + std::to_string(writer.pid())),
                  std::string::npos)
            << rec.errors[0].second;
        EXPECT_EQ(tableFiles(dir), inProgress) << "the live writer's journal was touched";
    }
    writer.go();
    ASSERT_EQ(writer.finish(), 0);
    // Now the journal is a dead writer's: a reader settles it and sees the
    // table as it was before the append.
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.OpenReadOnly());
    EXPECT_EQ(t.RecordCount(), 5u);
    EXPECT_TRUE(t.TestTable());
    t.Close();
    EXPECT_FALSE(std::filesystem::exists(dir.table("T") + ".bj"));
}

TEST(LockBetweenProcesses, ReaderThatMayNotWriteRefusesAJournalAndChangesNothing) {
    ScratchDir dir;
    makeTable(dir, 2);
    LockWaitMs wait("20");
    {
        Child writer([&](auto&& ready, auto&& go) { return leaveJournalAndHold(dir, ready, go); });
        ASSERT_TRUE(writer.awaitReady());
        writer.go();
        ASSERT_EQ(writer.finish(), 0);
    }
    const auto left = tableFiles(dir);
    NoWriteFs fs;
    TTableBlob t(test::hooks(), fs);
    MessageRecorder rec;
    rec.attach(t);
    t.SetTableName(dir.table("T"));
    EXPECT_FALSE(t.OpenReadOnly());
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].first, TTableBlob::kErrorUnsettled);
    EXPECT_NE(rec.errors[0].second.find("T.bj"), std::string::npos);
    EXPECT_EQ(tableFiles(dir), left);
}

TEST(LockBetweenProcesses, TwoWritersNeitherLoseNorShareKeys) {
    ScratchDir dir;
    makeTable(dir, 0);
    LockWaitMs wait("20000");
    constexpr int kEach = 60;
    auto appender = [&](const std::string& tag) {
        return [&dir, tag](auto&& ready, auto&& go) {
            ready();
            go();
            for (int i = 0; i < kEach; ++i) {
                TTableBlob t{test::hooks()};
                t.SetTableName(dir.table("T"));
                if (!t.Open() || !t.Append()) return 1;
                t.FieldByName("Name")->setAsString(tag + std::to_string(i));
                if (!t.Post()) return 1;
            }
            return 0;
        };
    };
    Child a(appender("a"));
    Child b(appender("b"));
    ASSERT_TRUE(a.awaitReady());
    ASSERT_TRUE(b.awaitReady());
    a.go();
    b.go();
    EXPECT_EQ(a.finish(), 0);
    EXPECT_EQ(b.finish(), 0);
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_TRUE(t.TestTable());
    ASSERT_EQ(t.RecordCount(), 2u * kEach);
    std::set<uint32_t> keys;
    std::set<std::string> names;
    for (t.First(); !t.Eof(); t.Next()) {
        keys.insert(static_cast<uint32_t>(t.FieldByName("N")->asInteger()));
        names.insert(t.FieldByName("Name")->asString());
    }
    EXPECT_EQ(keys.size(), 2u * kEach);
    EXPECT_EQ(names.size(), 2u * kEach);
    EXPECT_TRUE(names.count("a0") && names.count(std::string("b") + std::to_string(kEach - 1)));
}

TEST(LockBetweenProcesses, ReaderBesideAWriterAlwaysSeesAWholeTable) {
    ScratchDir dir;
    makeTable(dir, 1);
    LockWaitMs wait("20000");
    constexpr int kAppends = 80;
    // The writer ticks after every append and the reader reads once per tick,
    // so the two keep running into each other to the end.
    int tick[2];
    ASSERT_EQ(::pipe(tick), 0);
    Child writer([&](auto&& ready, auto&& go) {
        ::close(tick[0]);
        ready();
        go();
        for (int i = 0; i < kAppends; ++i) {
            TTableBlob t{test::hooks()};
            t.SetTableName(dir.table("T"));
            if (!t.Open() || !t.Append()) return 1;
            t.FieldByName("Name")->setAsString("w" + std::to_string(i));
            test::loadBlob(t, "Dan", test::seededBytes(40 + i, static_cast<uint8_t>(i)));
            if (!t.Post()) return 1;
            t.Close();
            (void)!::write(tick[1], "t", 1);
        }
        return 0;
    });
    Child reader([&](auto&& ready, auto&& go) {
        ::close(tick[1]);
        ready();
        go();
        uint32_t last = 0;
        char c;
        int rounds = 0;
        // Until the writer is gone and its ticks are read.
        while (::read(tick[0], &c, 1) == 1) {
            ++rounds;
            TTableBlob t{test::hooks()};
            t.SetTableName(dir.table("T"));
            if (!t.OpenReadOnly()) return 1;
            if (!t.TestTable()) return 2;
            if (t.RecordCount() < last) return 3;
            last = t.RecordCount();
        }
        return rounds == kAppends ? 0 : 4;
    });
    ::close(tick[0]);
    ::close(tick[1]);
    ASSERT_TRUE(writer.awaitReady());
    ASSERT_TRUE(reader.awaitReady());
    writer.go();
    reader.go();
    EXPECT_EQ(writer.finish(), 0);
    EXPECT_EQ(reader.finish(), 0);
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.RecordCount(), 1u + kAppends);
    EXPECT_TRUE(t.TestTable());
}

TEST(LockBetweenProcesses, DatabaseLockNamesItsHolderAndMakesReadersReadOnly) {
    ScratchDir home;
    std::filesystem::create_directories(home.path() / "Database");
    LockWaitMs wait("20");
    setLockHolderName("locking_test compose");
    Child holder([&](auto&& ready, auto&& go) {
        TScriptedDialog dmDialog;
        TDM1 dm(home.path(), dmDialog);
        TDatabaseLock lock(dm, LockKind::Exclusive);
        if (!lock.Held()) return 1;
        ready();
        go();
        return 0;
    });
    ASSERT_TRUE(holder.awaitReady());
    {
        TScriptedDialog dmDialog;
        TDM1 dm(home.path(), dmDialog);
        TDatabaseLock reader(dm, LockKind::Shared);
        EXPECT_FALSE(reader.Held());
        EXPECT_NE(
            reader.Message().find("pid " + std::to_string(holder.pid()) + " locking_test compose"),
            std::string::npos)
            << reader.Message();
    }
    holder.go();
    ASSERT_EQ(holder.finish(), 0);
    TScriptedDialog dmDialog;
    TDM1 dm(home.path(), dmDialog);
    {
        TDatabaseLock reader(dm, LockKind::Shared);
        ASSERT_TRUE(reader.Held());
        EXPECT_TRUE(dm.AT1.ReadOnly());
        EXPECT_TRUE(dm.AT2.ReadOnly());
        // Two readers share the database.
        Child second([&](auto&&, auto&&) {
            TScriptedDialog otherDialog;
            TDM1 other(home.path(), otherDialog);
            TDatabaseLock lock(other, LockKind::Shared);
            return lock.Held() ? 0 : 1;
        });
        EXPECT_EQ(second.finish(), 0);
    }
    EXPECT_FALSE(dm.AT1.ReadOnly());
    EXPECT_FALSE(dm.AT2.ReadOnly());
}

}  // namespace
}  // namespace zavlin
