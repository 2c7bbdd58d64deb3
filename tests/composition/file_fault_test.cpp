// A run whose variant file or report cannot be written (or read back) must
// end in error and leave the stored year as it was: the search on a tiny
// year through a file system that fails on purpose, and the command line on
// a sample college whose files cannot be made.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "composition/driver.h"
#include "composition/week_search.h"
#include "demo/sample_home.h"
#include "model/year_fixture.h"
#include "storage/file_system.h"
#include "support/cli_runner.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using testing_year::fileBytes;

// Fails the writes (or reads) of one file by name; with `containing` only
// the writes whose bytes hold that text. Everything else reaches the disk.
class FailingFileSystem : public FileSystem {
public:
    std::string name;
    std::string containing;  // Windows-1251
    bool reads = false;      // fail the reads instead of the writes
    bool torn = false;       // a failing write first puts half its bytes down
    int failures = 0;

    std::unique_ptr<File> open(const fs::path& path, OpenMode mode) override {
        auto inner = realFileSystem().open(path, mode);
        if (!inner || path.filename() != name) return inner;
        return std::make_unique<Faulty>(*this, std::move(inner));
    }
    bool exists(const fs::path& path) override { return realFileSystem().exists(path); }
    bool rename(const fs::path& from, const fs::path& to) override {
        return realFileSystem().rename(from, to);
    }
    bool remove(const fs::path& path) override { return realFileSystem().remove(path); }
    bool createFolder(const fs::path& path) override { return realFileSystem().createFolder(path); }
    bool removeFolder(const fs::path& path) override { return realFileSystem().removeFolder(path); }
    bool syncFolder(const fs::path& path) override { return realFileSystem().syncFolder(path); }
    bool copyPermissions(const fs::path& from, const fs::path& to) override {
        return realFileSystem().copyPermissions(from, to);
    }
    std::unique_ptr<FileLock> lock(const fs::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) override {
        return realFileSystem().lock(path, kind, wait, refusal);
    }

private:
    class Faulty : public File {
    public:
        Faulty(FailingFileSystem& fs, std::unique_ptr<File> inner)
            : fs_(fs), inner_(std::move(inner)) {}
        bool readAt(uint64_t offset, void* buffer, std::size_t n) override {
            if (fs_.reads) return ++fs_.failures, false;
            return inner_->readAt(offset, buffer, n);
        }
        int64_t readSomeAt(uint64_t offset, void* buffer, std::size_t n) override {
            if (fs_.reads) return ++fs_.failures, -1;
            return inner_->readSomeAt(offset, buffer, n);
        }
        bool writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
            const std::string bytes(static_cast<const char*>(buffer), n);
            if (fs_.reads || bytes.find(fs_.containing) == std::string::npos)
                return inner_->writeAt(offset, buffer, n);
            ++fs_.failures;
            if (fs_.torn && n > 1) (void)inner_->writeAt(offset, buffer, n / 2);
            return false;
        }
        bool truncate(uint64_t size) override { return inner_->truncate(size); }
        bool sync() override { return inner_->sync(); }
        int64_t size() override { return inner_->size(); }

    private:
        FailingFileSystem& fs_;
        std::unique_ptr<File> inner_;
    };
};

struct Window : TFormS1Observer {
    void SosLog(const std::string& line) override { lines.push_back(line); }
    void SosMessage(const std::string& text) override { messages.push_back(text); }
    bool logged(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> lines, messages;
};

// Two groups sharing a teacher: a week with a few units and some variants.
class FileFaults : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        TGryp* a = group("А");
        TGryp* b = group("Б");
        subject(a, 0, {0}, 3);
        subject(a, 1, {1}, 2);
        subject(b, 2, {0}, 2);
        subject(b, 1, {2}, 3);
        for (auto& gr : year->LGryp) gr->Select = true;
        year->AllNed.SetActivWeeks({1});
    }

    const TFormS1Snapshot& compose(FileSystem& files, bool report) {
        state = std::make_unique<TFormS1State>(*year, home, files);
        state->Run.WLog = report;
        window = Window{};
        state->SetObserver(&window);
        TSosRaspisanue worker(*state);
        worker.Start();
        worker.Wait();
        done = state->Snapshot();
        return done;
    }
    void TearDown() override {
        state.reset();
        YearFixture::TearDown();
    }

    std::string report() const { return (fs::path(home) / "Logsrasp.txt").string(); }
    std::string variants() const { return (fs::path(home) / "temprasp.bin").string(); }

    std::unique_ptr<TFormS1State> state;
    TFormS1Snapshot done;
    Window window;
    FailingFileSystem files;
};

// Catches: a variant that did not reach the disk read back as an empty week
// and the run reporting "Расписание составлено." (a full disk once turned
// 820 lessons into 271 this way); a torn write taken for a whole one.
TEST_F(FileFaults, AVariantFileThatCannotBeWrittenEndsTheRunInError) {
    EXPECT_TRUE(compose(realFileSystem(), false).RaspOk) << "the year composes when writes work";
    EXPECT_TRUE(done.FileError.empty());

    for (bool torn : {false, true}) {
        files.name = "temprasp.bin";
        files.torn = torn;
        files.failures = 0;
        const TFormS1Snapshot& s = compose(files, false);
        EXPECT_GT(files.failures, 0);
        EXPECT_FALSE(s.RaspOk);
        EXPECT_EQ(window.messages,
                  std::vector<std::string>{"Составленное расписание имеет ошибку."});
        EXPECT_EQ(s.FileError, "Не удалось записать файл " + variants());
        EXPECT_TRUE(window.logged(s.FileError));
        EXPECT_EQ(files.failures, 1) << "the run stops at the first fault";
        EXPECT_FALSE(fs::exists(variants())) << "the variant file is removed all the same";
    }
}

// Catches: a variant file that reads back nothing taken as a week without
// lessons.
TEST_F(FileFaults, AVariantThatCannotBeReadBackEndsTheRunInError) {
    files.name = "temprasp.bin";
    files.reads = true;
    const TFormS1Snapshot& s = compose(files, false);
    EXPECT_GT(files.failures, 0);
    EXPECT_FALSE(s.RaspOk);
    EXPECT_EQ(s.FileError, "Не удалось прочитать файл " + variants());
    EXPECT_EQ(window.messages, std::vector<std::string>{"Составленное расписание имеет ошибку."});
}

// Catches: a report that silently stops growing, at its creation, in the
// middle of the search, or at its closing lines after the verdict.
TEST_F(FileFaults, AReportThatCannotBeWrittenEndsTheRunInError) {
    EXPECT_TRUE(compose(realFileSystem(), true).RaspOk);
    const std::vector<uint8_t> whole = fileBytes(report());
    ASSERT_FALSE(whole.empty());

    for (const std::string line : {"", "Вариант1 ", "------GAME OVER------"}) {
        files.name = "Logsrasp.txt";
        files.containing = utf8ToCp1251(line);
        files.failures = 0;
        const TFormS1Snapshot& s = compose(files, true);
        EXPECT_EQ(files.failures, 1) << line;
        EXPECT_FALSE(s.RaspOk) << line;
        EXPECT_EQ(s.FileError, "Не удалось записать файл " + report()) << line;
        EXPECT_EQ(window.messages.back(), "Составленное расписание имеет ошибку.") << line;
        const std::vector<uint8_t> kept = fileBytes(report());
        EXPECT_LT(kept.size(), whole.size()) << line;
    }
}

// Sends the operations on one file to a fault injector, the rest to the disk:
// the injector's count is then that file's operations alone.
class OneFileFaults : public FileSystem {
public:
    OneFileFaults(std::string name, FileSystem& faulty) : name_(std::move(name)), faulty_(faulty) {}
    std::unique_ptr<File> open(const fs::path& path, OpenMode mode) override {
        return of(path).open(path, mode);
    }
    bool exists(const fs::path& path) override { return of(path).exists(path); }
    bool rename(const fs::path& from, const fs::path& to) override {
        return of(to).rename(from, to);
    }
    bool remove(const fs::path& path) override { return of(path).remove(path); }
    bool createFolder(const fs::path& path) override { return of(path).createFolder(path); }
    bool removeFolder(const fs::path& path) override { return of(path).removeFolder(path); }
    bool syncFolder(const fs::path& path) override { return of(path).syncFolder(path); }
    bool copyPermissions(const fs::path& from, const fs::path& to) override {
        return of(to).copyPermissions(from, to);
    }
    std::unique_ptr<FileLock> lock(const fs::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) override {
        return of(path).lock(path, kind, wait, refusal);
    }

private:
    FileSystem& of(const fs::path& path) {
        return path.filename() == name_ ? faulty_ : realFileSystem();
    }
    std::string name_;
    FileSystem& faulty_;
};

// Catches: any operation on the report whose failure goes unnoticed (the
// run then claims a report it did not write), a run that goes on writing a
// report that failed, or a fault that leaves the verdict a success. Only
// removing the old report, the first operation, may fail: the run then
// appends to it.
TEST_F(FileFaults, EveryFailedOperationOfTheReportEndsTheRunInError) {
    FaultInjectingFileSystem faults;
    OneFileFaults routed("Logsrasp.txt", faults);
    faults.failAt(0);
    ASSERT_TRUE(compose(routed, true).RaspOk);
    const uint64_t total = faults.operations();
    ASSERT_GE(total, 6u) << "remove, create, then an open and a write per line";

    for (uint64_t n = 1; n <= total; ++n) {
        faults.failAt(n, false);
        const TFormS1Snapshot& s = compose(routed, true);
        ASSERT_TRUE(faults.failed()) << n;
        if (n == 1) {
            EXPECT_TRUE(s.RaspOk) << "a report that cannot be removed is appended to";
            EXPECT_TRUE(s.FileError.empty());
            continue;
        }
        EXPECT_FALSE(s.RaspOk) << "operation " << n << " of " << total << " failed unnoticed";
        EXPECT_EQ(s.FileError, "Не удалось записать файл " + report()) << n;
        ASSERT_FALSE(window.messages.empty()) << n;
        EXPECT_EQ(window.messages.back(), "Составленное расписание имеет ошибку.") << n;
        EXPECT_TRUE(window.logged(s.FileError)) << n;
        EXPECT_EQ(faults.operations(), n) << "the report is not touched after its fault";
    }
}

// Catches: any file operation of a week's search whose failure goes
// unnoticed. Only removing the old file (first) and the spent one (last)
// may fail without harm.
TEST_F(FileFaults, EveryFailedOperationOfTheVariantFileIsNoticed) {
    FaultInjectingFileSystem faults;
    auto search = [&] {
        TSosRun run(*year, home, faults);
        run.Statys = AStatys::sSosRasp;
        const TSostavResult result = SostavNed(run, 1);
        return std::make_pair(run.FilesOk(), result);
    };
    faults.failAt(0);
    const auto [clean, whole] = search();
    ASSERT_TRUE(clean);
    EXPECT_EQ(whole.placed, whole.units);
    const uint64_t total = faults.operations();
    ASSERT_GE(total, 4u) << "remove, open, a write and a read at least";
    for (uint64_t n = 2; n < total; ++n) {
        for (auto& gr : year->LGryp) gr->ClearRasp(0, 1, false);
        faults.failAt(n, false);
        const auto [ok, result] = search();
        EXPECT_TRUE(faults.failed()) << n;
        EXPECT_FALSE(ok) << "operation " << n << " of " << total << " failed unnoticed";
    }
}

// ------------------------------------------------------------ the command line

// The sample college's home copied, so each case may break its files.
class ComposeCli : public ::testing::Test {
protected:
    static fs::path program() {
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        return ec ? fs::path() : self.parent_path().parent_path() / "src" / "cli" / "zavlin-cli";
    }
    // The sample, composed once: the year a failed run must not overwrite.
    static const fs::path& composed() {
        static const fs::path base = [] {
            const auto& sample = demo::testing::sampleHome(demo::SampleSize::S, 3);
            if (!sample.result.ok) return fs::path();
            const fs::path to = demo::testing::scratchFolder("composed") / "college";
            fs::copy(sample.home, to, fs::copy_options::recursive);
            const std::string cmd = "\"" + program().string() +
                                    "\" compose --mode zero --all --yes --time-limit 1 --home \"" +
                                    to.string() + "\" >/dev/null 2>&1";
            // The verdict may be an error (a second of search per week); the
            // timetable is saved all the same.
            const int status = std::system(cmd.c_str());
            return WIFEXITED(status) && WEXITSTATUS(status) <= 1 ? to : fs::path();
        }();
        return base;
    }
    static void TearDownTestSuite() {
        if (!fs::exists(program())) return;
        std::error_code ec;
        if (!composed().empty()) fs::remove_all(composed().parent_path(), ec);
    }
    void SetUp() override {
        if (!fs::exists(program())) GTEST_SKIP() << "zavlin-cli is not built";
        ASSERT_FALSE(composed().empty()) << "the sample college could not be made and composed";
        home = demo::testing::scratchFolder("compose_fault") / "college";
        fs::copy(composed(), home, fs::copy_options::recursive);
        before = yearFiles();
        ASSERT_FALSE(before.empty());
    }
    void TearDown() override {
        std::error_code ec;
        if (!home.empty()) fs::remove_all(home.parent_path(), ec);
    }
    std::map<std::string, std::vector<uint8_t>> yearFiles() const {
        std::map<std::string, std::vector<uint8_t>> files;
        for (const auto& e : fs::directory_iterator(home / "Database"))
            if (e.path().filename().string().rfind("YmGryp.", 0) == 0)
                files[e.path().filename().string()] = fileBytes(e.path());
        return files;
    }
    // The exit status of the compose verb run through `sh -c prefix`.
    int compose(const std::string& prefix, const std::string& extra, std::string& out) {
        testsupport::CliCall call;
        call.args = {"-c", prefix + "exec \"" + program().string() +
                               "\" compose --mode zero --all --yes --time-limit 1 --home \"" +
                               home.string() + "\"" + extra};
        call.errIntoOut = true;
        const testsupport::CliRun r = testsupport::runProgram("/bin/sh", call);
        out += r.out;
        return r.status;
    }

    fs::path home;
    std::map<std::string, std::vector<uint8_t>> before;
};

// Catches: the run that could not write its variant file exiting 0 and
// saving what it had (0 of 264 units placed) over the composed year.
TEST_F(ComposeCli, AVariantFileThatCannotBeMadeFailsAndTheYearStays) {
    fs::create_directories(home / "temprasp.bin" / "kept");
    std::string out;
    EXPECT_EQ(compose("", "", out), 1) << out;
    EXPECT_NE(out.find("Составленное расписание имеет ошибку."), std::string::npos) << out;
    EXPECT_NE(out.find("temprasp.bin: the timetable was not saved"), std::string::npos) << out;
    EXPECT_EQ(out.find("Расписание составлено."), std::string::npos) << out;
    EXPECT_EQ(yearFiles(), before);
}

// Catches: the same with the report, asked for with --log, unwritable.
TEST_F(ComposeCli, AReportThatCannotBeMadeFailsAndTheYearStays) {
    fs::create_directories(home / "Logsrasp.txt" / "kept");
    std::string out;
    EXPECT_EQ(compose("", " --log", out), 1) << out;
    EXPECT_NE(out.find("Logsrasp.txt: the timetable was not saved"), std::string::npos) << out;
    EXPECT_EQ(yearFiles(), before);
}

// Catches: a file size limit with its signal ignored (short writes, then
// EFBIG), under which most units were placed and success was reported.
TEST_F(ComposeCli, AFileSizeLimitFailsTheRunAndTheYearStays) {
    std::string out;
    EXPECT_EQ(compose("trap \"\" XFSZ; ulimit -f 2; ", "", out), 1) << out;
    // The run's variant file, or a search's of its own (temprasp1.bin, ...).
    EXPECT_NE(out.find(".bin: the timetable was not saved"), std::string::npos) << out;
    EXPECT_NE(out.find("temprasp"), std::string::npos) << out;
    EXPECT_EQ(yearFiles(), before);
}

}  // namespace
}  // namespace zavlin
