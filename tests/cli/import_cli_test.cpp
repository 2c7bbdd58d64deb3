// zavlin-cli import curriculum / curriculum export.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/cli_runner.h"
#include "support/files.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using testsupport::CliRun;

std::map<std::string, std::string> databaseFiles(const fs::path& home) {
    auto files = testsupport::folderFiles(home / "Database");
    for (auto it = files.begin(); it != files.end();)
        it = it->first == "db.lock" || it->first.ends_with(".bl") ? files.erase(it) : std::next(it);
    return files;
}

class ImportCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(source.empty());
        ASSERT_FALSE(target.empty());
        CliRun r = run("demo --size S --year 2016", source);
        ASSERT_EQ(r.status, 0) << r.out;
        r = run("curriculum export --to '" + plan.string() + "'", source);
        ASSERT_EQ(r.status, 0) << r.out;
        r = run("init", target);
        ASSERT_EQ(r.status, 0) << r.out;
    }

    static CliRun run(const std::string& words, const testsupport::ScratchHome& home) {
        return testsupport::runAtHome(ZAVLIN_CLI, words, home.str());
    }
    CliRun import(const std::string& words = "") {
        return run("import curriculum '" + plan.string() + "' " + words, target);
    }

    testsupport::ScratchHome source{"import_src"};
    testsupport::ScratchHome target{"import_dst"};
    fs::path plan = source.path() / "plan.xml";
};

TEST_F(ImportCli, ImportThenDryRunKeepsTheLoadAndWritesNothing) {
    CliRun r = import();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Импорт успешно завершён"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2016-2017: 12 groups"), std::string::npos) << r.out;
    r = run("years", target);
    EXPECT_NE(r.out.find("2016-2017"), std::string::npos) << r.out;

    // Written again from the imported year, the plan is what the year holds.
    const fs::path again = target.path() / "again.xml";
    r = run("curriculum export --to '" + again.string() + "'", target);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto before = databaseFiles(target.path());
    r = run("import curriculum '" + again.string() + "' --dry-run", target);
    ASSERT_EQ(r.status, 0) << r.out;
    // The load comes back whole and nothing outside the plan is lost; the
    // calendar of a week split by a holiday is the written file's nearest.
    EXPECT_EQ(r.out.find("нагрузка "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Будет удалено:"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Будет добавлено:"), std::string::npos) << r.out;
    EXPECT_EQ(databaseFiles(target.path()), before) << "a dry run writes nothing";
}

TEST_F(ImportCli, AnExistingYearIsReplacedOnlyWithYes) {
    ASSERT_EQ(import().status, 0);
    const auto before = databaseFiles(target.path());
    CliRun r = import();
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("--yes"), std::string::npos) << r.out;
    EXPECT_EQ(databaseFiles(target.path()), before);
    r = import("--yes");
    EXPECT_EQ(r.status, 0) << r.out;
    r = run("year show 2016", target);
    EXPECT_NE(r.out.find("12 groups"), std::string::npos) << r.out;
}

TEST_F(ImportCli, AnotherYearAndTheDryRunOfANewYear) {
    const auto before = databaseFiles(target.path());
    for (const char* year : {"--year 1899", "--year 2101"}) {
        const CliRun refused = import(year);
        EXPECT_NE(refused.status, 0) << year << ": " << refused.out;
        EXPECT_EQ(databaseFiles(target.path()), before) << year;
    }
    CliRun r = import("--year 2030 --dry-run");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Будет добавлено:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("группа ИС-21"), std::string::npos) << r.out;
    r = run("years", target);
    EXPECT_EQ(r.out.find("2030"), std::string::npos) << r.out;
    ASSERT_EQ(import("--year 2030").status, 0);
    r = run("years", target);
    EXPECT_NE(r.out.find("2030-2031"), std::string::npos) << r.out;
}

TEST_F(ImportCli, OldAndMalformedFilesAreRefusedUnchanged) {
    const auto before = databaseFiles(target.path());
    const fs::path old = target.path() / "old.xml";
    std::ofstream(old) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R><Year Name=\"2016\">"
                          "<LGryp Count=\"0\"/></Year></R>";
    CliRun r = run("import curriculum '" + old.string() + "'", target);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Вы пытаетесь получить данные из старой версии файла!"), std::string::npos)
        << r.out;
    const fs::path broken = target.path() / "broken.xml";
    std::ofstream(broken) << "<?xml version=\"1.0\"?>\n<R><Year Vers=\"1\" Name=\"2016\">\n</R>";
    r = run("import curriculum '" + broken.string() + "' --yes", target);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("строка 3"), std::string::npos) << "the reader's refusal: " << r.out;
    EXPECT_EQ(databaseFiles(target.path()), before);
    r = run("import curriculum '" + (target.path() / "absent.xml").string() + "'", target);
    EXPECT_EQ(r.status, 1) << r.out;
}

}  // namespace
}  // namespace zavlin
