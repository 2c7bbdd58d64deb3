// Creating a database when the disk fails: for N = 1, 2, 3, ... the N-th file
// operation of CreateDatabase fails (once, or from then on as in a crash)
// until the creation gets through. After each failure the home holds no
// database or a whole one (every table opens and checks clean, "god.Ini"
// holds the version and the lesson times); "Created" is never reported over
// less; and a creation run again on the real disk ends with a whole
// database. Files of the user in the folder stay.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "base/my_dialog.h"
#include "settings/settings_file.h"
#include "storage/file_system.h"
#include "storage/year_tables.h"
#include "test_support.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

enum class Mode { Single, Crash };
const char* modeName(Mode m) {
    return m == Mode::Single ? "single failure" : "crash";
}

bool anyDatabaseFile(const fs::path& db) {
    if (fs::exists(db / kDatabaseSettingsFile)) return true;
    for (const char* name : kYearTables)
        if (fs::exists(db / (tableBaseName(name) + ".b0"))) return true;
    return false;
}

// Empty when the database in db is whole, else what is wrong with it.
std::string wholeDatabaseFault(const fs::path& db) {
    for (const TYearTableSpec& table : yearTableSpecs()) {
        TTableBlob t{test::hooks()};
        test::MessageRecorder recorder;
        recorder.attach(t);
        t.SetDatabaseName(db.string() + "/");
        t.SetTableName(table.file);
        if (!t.Open()) return std::string(table.file) + " does not open";
        if (t.FieldCount() != static_cast<int>(table.fields.size()))
            return std::string(table.file) + " has " + std::to_string(t.FieldCount()) + " fields";
        if (!t.TestTable()) return std::string(table.file) + " does not check clean";
        if (t.RecordCount() != 0) return std::string(table.file) + " is not empty";
        t.Close();
    }
    if (!fs::exists(db / kDatabaseSettingsFile)) return "god.Ini is missing";
    TFileIni ini(test::hooks(), db);
    ini.SetFileName(kDatabaseSettingsFile);
    if (ini.ReadInteger("Database", "Vers", -1) != kDatabaseVersion) return "no version";
    const int last = kLessonPeriodCount - 1;
    if (!ini.ValueExists("Time", "Yrok" + std::to_string(last)) ||
        !ini.ValueExists("Time", "LYrok" + std::to_string(last)))
        return "lesson times missing";
    if (ini.ReadInteger("Time", "Yrok0", -1) != kNewLessonFirstStart) return "wrong first lesson";
    return {};
}

class DatabaseCreationFaults : public ::testing::Test {
protected:

    // Runs the creation with the N-th operation failing for every N until it
    // gets through; `prepare` lays out the home first.
    void failEveryOperation(Mode mode, const std::function<void(const fs::path&)>& prepare,
                            const std::function<void(const fs::path&)>& userFilesKept) {
        for (uint64_t n = 1;; ++n) {
            ASSERT_LT(n, 5000u) << "the creation never completes";
            test::ScratchDir dir;
            const fs::path home = dir.path() / "home";
            prepare(home);
            const fs::path db = home / "Database";
            FaultInjectingFileSystem faulty(disk_);
            faulty.failAt(n, mode == Mode::Crash);
            std::string message;
            const TCreateDatabaseResult result = CreateDatabase(home, message, faulty);
            const std::string where =
                std::string(modeName(mode)) + " at operation " + std::to_string(n) + ": " + message;
            userFilesKept(home);
            if (!faulty.failed()) {
                RecordProperty("operations", static_cast<int>(faulty.operations()));
                ASSERT_EQ(result, TCreateDatabaseResult::Created) << where;
                EXPECT_EQ(wholeDatabaseFault(db), "") << where;
                EXPECT_TRUE(fs::exists(home / kMainSettingsFile)) << where;
                EXPECT_FALSE(fs::exists(home / "Database.new")) << where;
                return;
            }
            EXPECT_NE(result, TCreateDatabaseResult::Exists) << where;
            if (result == TCreateDatabaseResult::Created) {
                EXPECT_EQ(wholeDatabaseFault(db), "") << where;
            } else {
                EXPECT_FALSE(message.empty()) << where;
            }
            const bool interrupted = !fs::exists(db / kDatabaseSettingsFile) &&
                                     fs::exists(home / "Database.new" / kDatabaseSettingsFile);
            if (anyDatabaseFile(db) && !interrupted) {
                EXPECT_EQ(wholeDatabaseFault(db), "") << where;
            }

            // Whatever was left, the next creation ends with a whole database.
            std::string again;
            const TCreateDatabaseResult second = CreateDatabase(home, again, disk_);
            EXPECT_NE(second, TCreateDatabaseResult::Failed) << where << "; then: " << again;
            EXPECT_EQ(wholeDatabaseFault(db), "") << where << "; then: " << again;
            userFilesKept(home);
            if (::testing::Test::HasFailure()) return;
        }
    }

    // The real disk without waiting for it: a sync is still an operation the
    // fault injector counts and can fail, but nothing here outlives the process.
    RealFileSystem disk_{false};
};

void nothing(const fs::path&) {}

// Catches: a half-built database left in place or reported as made, a failed
// step reported as success, a leftover folder that blocks the next creation.
TEST_F(DatabaseCreationFaults, NewHomeHoldsNoDatabaseOrAWholeOne) {
    // Every file of a creation is new, so a torn write adds nothing here.
    for (Mode mode : {Mode::Crash, Mode::Single}) {
        failEveryOperation(mode, nothing, nothing);
        if (HasFailure()) return;
    }
}

// A "Database" folder that holds files of its own: they are kept, and a move
// stopped half way is finished by the next creation instead of leaving a
// database without its settings file.
TEST_F(DatabaseCreationFaults, FolderWithOtherFilesKeepsThem) {
    const auto prepare = [](const fs::path& home) {
        fs::create_directories(home / "Database");
        std::ofstream(home / "Database" / "notes.txt", std::ios::binary) << "keep me";
    };
    const auto kept = [](const fs::path& home) {
        std::ifstream in(home / "Database" / "notes.txt", std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        EXPECT_EQ(text, "keep me");
    };
    failEveryOperation(Mode::Crash, prepare, kept);
}

// Catches: a settings file of an earlier installation overwritten, an empty
// "Database" folder left in the way of the one-step move.
TEST_F(DatabaseCreationFaults, EarlierSettingsAndEmptyFolderStay) {
    const auto prepare = [](const fs::path& home) {
        fs::create_directories(home / "Database");
        std::ofstream(home / kMainSettingsFile, std::ios::binary) << "[Program]\r\nEnd=NO\r\n";
    };
    const auto kept = [](const fs::path& home) {
        std::ifstream in(home / kMainSettingsFile, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        EXPECT_EQ(text, "[Program]\r\nEnd=NO\r\n");
    };
    failEveryOperation(Mode::Crash, prepare, kept);
}

// Catches: a damaged database (its settings file lost) beside a folder left
// by a creation that died before its move taken for a move to finish, which
// would put new settings over the old tables and call it created.
TEST(DatabaseCreation, DamagedDatabaseBesideALeftoverBuildIsLeftAlone) {
    test::ScratchDir dir;
    const fs::path home = dir.path() / "home";
    std::string message;
    ASSERT_EQ(CreateDatabase(home, message), TCreateDatabaseResult::Created) << message;
    ASSERT_EQ(CreateDatabase(dir.path() / "other", message), TCreateDatabaseResult::Created)
        << message;
    fs::rename(dir.path() / "other" / "Database", home / "Database.new");
    fs::remove(home / "Database" / kDatabaseSettingsFile);
    const std::string god = "YmGod.b0";
    const auto before = fs::file_size(home / "Database" / god);

    EXPECT_EQ(CreateDatabase(home, message), TCreateDatabaseResult::Exists) << message;
    EXPECT_FALSE(fs::exists(home / "Database" / kDatabaseSettingsFile));
    EXPECT_EQ(fs::file_size(home / "Database" / god), before);
}

}  // namespace
}  // namespace zavlin
