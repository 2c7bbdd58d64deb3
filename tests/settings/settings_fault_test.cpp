// Saving a settings file when the disk fails: for N = 1, 2, 3, ... the N-th
// file operation of a write fails (once, or from then on as in a crash,
// optionally with a torn write) until the write gets through. A write that
// reports failure leaves the old file byte for byte; one that reports success
// left the new file; the next write on a sound disk saves both changes and
// leaves no file aside.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/file_system.h"
#include "base/my_dialog.h"
#include "settings/settings_file.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

enum class Mode { Single, Crash, TornCrash };

class SettingsFaults : public testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() / ("zavlin-settings-faults-" + std::to_string(::getpid()) +
                                            "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path file() const { return dir_ / "setupini.ini"; }
    std::string text() const {
        std::ifstream in(file(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void put(const std::string& bytes) const {
        std::ofstream(file(), std::ios::binary | std::ios::trunc) << bytes;
    }

    fs::path dir_;
    TScriptedDialog dialog_;
    TCoreHooks hooks_{dialog_};
};

// Catches: a failed save reported as success, an old file truncated or torn
// by a failed save, a change lost for good after a failure, a leftover
// "setupini.ini.new" never cleaned up, permissions reset by the replacement.
TEST_F(SettingsFaults, FailedSaveKeepsTheOldFileAndReportsIt) {
    const std::string before = "[Program]\r\nStart=1\r\n[Rasp]\r\nk=old\r\n";
    const std::string after = "[Program]\r\nStart=1\r\n[Rasp]\r\nk=new\r\n";
    const std::string later = "[Program]\r\nStart=2\r\n[Rasp]\r\nk=new\r\n";
    for (Mode mode : {Mode::Single, Mode::Crash, Mode::TornCrash}) {
        for (uint64_t n = 1;; ++n) {
            ASSERT_LT(n, 200u) << "the write never completes";
            put(before);
            ASSERT_EQ(::chmod(file().c_str(), 0600), 0);
            FaultInjectingFileSystem faulty;
            faulty.failAt(n, mode != Mode::Single, mode == Mode::TornCrash);
            const std::string where = "mode " + std::to_string(static_cast<int>(mode)) +
                                      ", operation " + std::to_string(n);
            bool wrote = false;
            bool failed = false;
            {
                TFileIni ini(hooks_, dir_, faulty);
                wrote = ini.WriteString("Rasp", "k", "new");
                failed = faulty.failed();
                if (!failed) {
                    ASSERT_TRUE(wrote) << where;
                    EXPECT_EQ(text(), after) << where;
                } else if (wrote) {
                    // Only the folder sync after the rename may fail here: the
                    // rename is the commit.
                    EXPECT_EQ(text(), after) << where;
                } else {
                    EXPECT_EQ(text(), before) << where;
                }
                // The change stays in memory; once the disk is sound again the
                // next save carries it along.
                faulty.failAt(0);
                if (!wrote && ini.ReadInteger("Program", "Start") == 1) {
                    EXPECT_TRUE(ini.WriteInteger("Program", "Start", 2)) << where;
                    EXPECT_EQ(text(), later) << where;
                }
            }
            struct stat st {};
            ASSERT_EQ(::stat(file().c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0600u) << where;
            EXPECT_FALSE(fs::exists(dir_ / "setupini.ini.new")) << where;
            if (HasFailure() || !failed) break;
        }
        if (HasFailure()) return;
    }
}

// A file that cannot be read is never replaced: writing to it fails, and the
// bytes stay.
TEST_F(SettingsFaults, UnreadableFileIsNeverReplaced) {
    const std::string before = "[Rasp]\r\nk=old\r\n";
    put(before);
    FaultInjectingFileSystem faulty;
    faulty.failAt(1, false);  // the open for reading
    TFileIni ini(hooks_, dir_, faulty);
    EXPECT_FALSE(ini.WriteString("Rasp", "k", "new"));
    EXPECT_TRUE(faulty.failed());
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(text(), before);
}

// The file created for a missing one comes through the same file system.
TEST_F(SettingsFaults, MissingFileIsCreatedThroughTheSeam) {
    FaultInjectingFileSystem faulty;
    {
        TFileIni ini(hooks_, dir_, faulty);
        EXPECT_EQ(ini.ReadString("Rasp", "k", "none"), "none");
    }
    EXPECT_EQ(dialog_.shown.size(), 1u);
    EXPECT_TRUE(fs::exists(file()));
    EXPECT_GE(faulty.operations(), 2u);  // the read attempt and the creation
}

// Catches: a deferred run of writes that reaches the disk before its end (a
// crash would leave half of it), or whose failed save at the end is taken
// for a success.
TEST_F(SettingsFaults, DeferredWritesReachTheFileOnlyTogether) {
    const std::string before = "[Time]\r\nYrok0=1\r\n";
    put(before);
    FaultInjectingFileSystem faulty;
    TFileIni ini(hooks_, dir_, faulty);
    ASSERT_EQ(ini.ReadInteger("Time", "Yrok0"), 1);
    ini.BeginUpdate();
    const uint64_t afterRead = faulty.operations();
    ASSERT_TRUE(ini.WriteInteger("Time", "Yrok0", 540));
    ASSERT_TRUE(ini.WriteInteger("Time", "LYrok0", 90));
    EXPECT_EQ(faulty.operations(), afterRead) << "nothing touches the disk before the end";
    EXPECT_EQ(text(), before);

    faulty.failAt(1, false);  // the save's first operation
    EXPECT_FALSE(ini.EndUpdate());
    EXPECT_EQ(text(), before);
    faulty.failAt(0);
    EXPECT_TRUE(ini.UpdateFile()) << "the changes stay in memory for the next save";
    EXPECT_EQ(text(), "[Time]\r\nYrok0=540\r\nLYrok0=90\r\n");
}

}  // namespace
}  // namespace zavlin
