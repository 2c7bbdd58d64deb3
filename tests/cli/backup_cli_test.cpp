// zavlin-cli beside the window program: writing verbs refused while it holds
// the home, reading verbs working beside it; "backup" and "restore" end to end.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "base/datetime.h"
#include "shell/instance.h"
#include "support/cli_runner.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/scratch_home.h"

#ifndef ZAVLIN_CLI
#error "ZAVLIN_CLI must name the zavlin-cli binary"
#endif

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using testsupport::CliRun;
using testsupport::folderFiles;
using testsupport::runAtHome;
using testsupport::ScratchHome;

class BackupCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(run("init").status, 0);
        const CliRun added = run("year add 2020");
        ASSERT_EQ(added.status, 0) << added.out;
    }
    CliRun run(const std::string& words) { return runAtHome(ZAVLIN_CLI, words, home.str()); }
    testsupport::ScopedEnv wait{"ZAVLIN_LOCK_WAIT_MS", "50"};
    ScratchHome home{"bkcli"};
    ScratchHome target{"bkcliout"};
};

TEST_F(BackupCliTest, WritersAreRefusedWhileTheWindowProgramRunsReadersAreNot) {
    std::optional<shell::TInstanceRecord> other;
    std::string message;
    auto window = shell::TInstanceLock::AcquireWindow(home.path(), "zavlin", other, message);
    ASSERT_TRUE(window) << message;
    const auto before = folderFiles(home.path() / "Database");
    const auto settingsBefore = folderFiles(home.path());
    // The refusals name the start time of the record in the lock file.
    const std::string recordBytes = folderFiles(home.path())[shell::kInstanceLockFile];
    const auto record = shell::TInstanceRecord::Decode(
        reinterpret_cast<const uint8_t*>(recordBytes.data()), recordBytes.size());
    ASSERT_TRUE(record);
    const std::string started = formatDateTime(record->started, kDottedPlainDateTime);

    for (const std::string& verb : std::vector<std::string>{
             "year add 2021", "year activate 2020", "compose --all --yes", "demo --size S", "init",
             "db reindex", "weeks activate 1",
             "table delete " + (home.path() / "Database" / "YmGod").string() + " 1",
             "backup --to " + target.str(), "restore --yes --from " + target.str()}) {
        const CliRun r = run(verb);
        EXPECT_EQ(r.status, 1) << verb << "\n" << r.out;
        // A writer names the window program; the restore, which takes the
        // lock as a window does, says it in the window program's words.
        EXPECT_TRUE(r.out.find("the window program zavlin") != std::string::npos ||
                    r.out.find("Программа zavlin уже запущена :") != std::string::npos)
            << verb << r.out;
        EXPECT_NE(r.out.find(started), std::string::npos) << verb << r.out;
    }
    EXPECT_EQ(folderFiles(home.path() / "Database"), before);
    EXPECT_EQ(folderFiles(home.path()), settingsBefore);
    EXPECT_FALSE(fs::exists(target.path() / "Database"));

    const CliRun years = run("years");
    EXPECT_EQ(years.status, 0) << years.out;
    EXPECT_NE(years.out.find("2020-2021"), std::string::npos);
    EXPECT_EQ(run("db check").status, 0);

    window.reset();
    EXPECT_EQ(run("year add 2021").status, 0);
}

TEST_F(BackupCliTest, BackupThenRestoreBringsTheOldYearsBack) {
    const CliRun backup = run("backup --to " + target.str());
    ASSERT_EQ(backup.status, 0) << backup.out;
    EXPECT_NE(backup.out.find("Скопировано файлов -"), std::string::npos);
    EXPECT_TRUE(fs::exists(target.path() / "Database" / "YmGod.b0"));
    EXPECT_TRUE(fs::exists(home.path() / "Database" / "_copybase.log"));

    ASSERT_EQ(run("year add 2021").status, 0);
    const CliRun refused = run("restore --from " + target.str());
    EXPECT_EQ(refused.status, 2) << refused.out;
    EXPECT_NE(run("years").out.find("2021-2022"), std::string::npos);

    const CliRun restored = run("restore --yes --from " + target.str());
    ASSERT_EQ(restored.status, 0) << restored.out;
    EXPECT_NE(restored.out.find("Вaм необходимо перезагрузить программу!"), std::string::npos);
    const CliRun years = run("years");
    EXPECT_NE(years.out.find("2020-2021"), std::string::npos) << years.out;
    EXPECT_EQ(years.out.find("2021-2022"), std::string::npos) << years.out;
    const CliRun check = run("db check");
    EXPECT_EQ(check.status, 0) << check.out;
}

TEST_F(BackupCliTest, RestoreRefusesAFolderWithoutADatabase) {
    const auto before = folderFiles(home.path() / "Database");
    const CliRun r = run("restore --yes --from " + target.str());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("нет резервной копии базы данных"), std::string::npos) << r.out;
    EXPECT_EQ(folderFiles(home.path() / "Database"), before);
}

}  // namespace
}  // namespace zavlin
