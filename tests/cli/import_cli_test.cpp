// zavlin-cli import curriculum / curriculum export.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/files.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using testsupport::CliRun;
using Json = nlohmann::json;

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
    // Export and import are inverse on a year the import made.
    EXPECT_NE(r.out.find("изменений нет"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Будет"), std::string::npos) << r.out;
    EXPECT_EQ(databaseFiles(target.path()), before) << "a dry run writes nothing";
}

// The groups a year shows, in its order.
std::vector<std::string> groupsOf(const testsupport::ScratchHome& home) {
    const CliRun r = testsupport::runAtHome(ZAVLIN_CLI, "year show 2016", home.str());
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> out;
    const std::regex line(R"(\n  (\S+): \d+ subjects)");
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), line);
         it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

Json loadOf(const testsupport::ScratchHome& home, const std::string& group) {
    const CliRun r = testsupport::runCommandLine(
        ZAVLIN_CLI,
        "load show --json --year 2016 --group " + group + " --home '" + home.str() + "'", false);
    EXPECT_EQ(r.status, 0) << r.err;
    return Json::parse(r.out, nullptr, false);
}

// The demo year written, imported into an empty database and composed: the
// weekly load of weeks 1-52 comes back whole, the typical weeks' pairs come
// back as their half-year's sum (the file carries hours of a half-year);
// imported once, export and import are inverse: a second generation holds
// every week's load and its dry run reports no change.
TEST_F(ImportCli, RoundTripKeepsTheLoadComposesAndReachesAFixedPoint) {
    CliRun r = import("--yes");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::vector<std::string> groups = groupsOf(source);
    ASSERT_FALSE(groups.empty());
    ASSERT_EQ(groupsOf(target), groups);
    int subjects = 0, typicalLost = 0;
    for (const std::string& g : groups) {
        const Json a = loadOf(source, g), b = loadOf(target, g);
        ASSERT_TRUE(a.is_object() && b.is_object()) << g;
        ASSERT_EQ(a["subjects"].size(), b["subjects"].size()) << g;
        for (std::size_t i = 0; i < a["subjects"].size(); ++i) {
            const Json& pa = a["subjects"][i]["pairs"];
            const Json& pb = b["subjects"][i]["pairs"];
            const std::string what = g + " / " + a["subjects"][i]["name"].get<std::string>();
            ASSERT_EQ(pa.size(), 56u) << what;
            for (int ne = 1; ne <= 52; ++ne) EXPECT_EQ(pb[ne - 1], pa[ne - 1]) << what << " " << ne;
            for (int ne : {53, 55}) {
                const int sa = pa[ne - 1].get<int>() + pa[ne].get<int>();
                const int sb = pb[ne - 1].get<int>() + pb[ne].get<int>();
                // One pair in a half-year of one study week is one hour: no
                // pair is planned from it.
                if (sa == 1 && sb == 0) {
                    ++typicalLost;
                    continue;
                }
                EXPECT_EQ(sb, sa) << what << " " << ne;
            }
            ++subjects;
        }
    }
    EXPECT_LT(typicalLost, subjects / 4);

    // Export and import again: the second generation is the first.
    testsupport::ScratchHome third{"import_third"};
    ASSERT_EQ(run("init", third).status, 0);
    const fs::path again = target.path() / "again.xml";
    ASSERT_EQ(run("curriculum export --to '" + again.string() + "'", target).status, 0);
    r = run("import curriculum '" + again.string() + "' --dry-run", target);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("изменений нет"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Будет"), std::string::npos) << r.out;
    ASSERT_EQ(run("import curriculum '" + again.string() + "'", third).status, 0);
    for (const std::string& g : groups)
        EXPECT_EQ(loadOf(third, g)["subjects"], loadOf(target, g)["subjects"]) << g;

    // The imported load of a typical week composes (and what is composed is
    // no plan's: a dry run from now on counts those lessons lost).
    r = run("compose-week --week 53 --groups " + groups[0] + "," + groups[1] + "," + groups[2],
            target);
    ASSERT_EQ(r.status, 0) << r.out;
    std::smatch found;
    ASSERT_TRUE(std::regex_search(r.out, found, std::regex(R"((\d+) of (\d+) units placed)")))
        << r.out;
    const std::string placed = found[1], units = found[2];
    EXPECT_GT(std::stoi(units), 0) << r.out;
    EXPECT_EQ(placed, units) << r.out;
    r = run("import curriculum '" + again.string() + "' --dry-run", target);
    EXPECT_NE(r.out.find("уроки в расписании: " + placed), std::string::npos) << r.out;
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
