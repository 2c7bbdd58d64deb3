// zavlin-cli hours over the sample college.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "demo/sample_plan.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using testsupport::CliRun;

class HoursCli : public ::testing::Test {
protected:
    // One sample college for every case: none of them writes to it.
    static void SetUpTestSuite() {
        home = std::make_unique<testsupport::ScratchHome>("hours");
        const CliRun made =
            testsupport::runAtHome(ZAVLIN_CLI, "demo --size S --seed 1 --year 2026", home->str());
        ASSERT_EQ(made.status, 0) << made.out;
        const demo::SamplePlan plan = demo::planSample({demo::SampleSize::S, 1, 2026});
        teacher = plan.teachers[static_cast<std::size_t>(plan.showcaseTeacher)].fullName;
        group = plan.groups[static_cast<std::size_t>(plan.showcaseGroup)].name;
    }
    static void TearDownTestSuite() { home.reset(); }

    static CliRun run(const std::string& words) {
        return testsupport::runAtHome(ZAVLIN_CLI, words, home->str());
    }

    static std::unique_ptr<testsupport::ScratchHome> home;
    static std::string teacher;
    static std::string group;
};

std::unique_ptr<testsupport::ScratchHome> HoursCli::home;
std::string HoursCli::teacher;
std::string HoursCli::group;

// The figures of the line beginning with the total's name.
std::string totalLine(const std::string& out) {
    const std::size_t at = out.find("Итог");
    if (at == std::string::npos) return {};
    return out.substr(at, out.find('\n', at) - at);
}

// The cells of the short view's total line that hold what was delivered
// (the name, then plan, delivered, plan, delivered).
std::string deliveredTotals(const std::string& out) {
    std::vector<std::string> cells;
    std::stringstream line(totalLine(out));
    for (std::string cell; std::getline(line, cell, '|');) cells.push_back(cell);
    return cells.size() < 5 ? std::string("?") : cells[2] + cells[4];
}

TEST_F(HoursCli, ATeachersAccountingIsPrintedAsATable) {
    const CliRun r = run("hours --teacher '" + teacher + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Вычитка преподавателя " + teacher), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Пары(Часы)1 сем."), std::string::npos);
    EXPECT_NE(r.out.find("Группа Предмет"), std::string::npos);
    EXPECT_NE(r.out.find("назначено"), std::string::npos);
    // The sample's past week gave this teacher lessons: the total is not empty.
    EXPECT_NE(totalLine(r.out).find('('), std::string::npos) << r.out;

    const CliRun pairs = run("hours --teacher '" + teacher + "' --pairs-only --short");
    ASSERT_EQ(pairs.status, 0) << pairs.out;
    EXPECT_EQ(totalLine(pairs.out).find('('), std::string::npos) << pairs.out;
    EXPECT_EQ(pairs.out.find("назначено"), std::string::npos);

    // Before the past week nothing was delivered yet.
    const CliRun early = run("hours --teacher '" + teacher + "' --to 02.09.2026 --short");
    ASSERT_EQ(early.status, 0) << early.out;
    EXPECT_EQ(deliveredTotals(early.out).find_first_not_of(' '), std::string::npos) << early.out;

    const CliRun byGroup = run("hours --group '" + group + "' --mode additional");
    ASSERT_EQ(byGroup.status, 0) << byGroup.out;
    EXPECT_NE(byGroup.out.find("Предмет Преподаватель"), std::string::npos);
    EXPECT_NE(byGroup.out.find("Допол-но вне сетки"), std::string::npos);
}

TEST_F(HoursCli, TheTeachersFileIsWrittenButNeverOverAnother) {
    const fs::path file = home->path() / "teacher.xml";
    const CliRun first = run("hours --teacher '" + teacher + "' --xml '" + file.string() + "'");
    ASSERT_EQ(first.status, 0) << first.out;
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<Teachers"), std::string::npos);
    const CliRun again = run("hours --teacher '" + teacher + "' --xml '" + file.string() + "'");
    EXPECT_EQ(again.status, 1) << again.out;
    EXPECT_NE(again.out.find("exists"), std::string::npos) << again.out;
}

TEST_F(HoursCli, WrongArgumentsAndUnknownNamesAreRefused) {
    const struct {
        const char* words;
        int status;
        const char* says;
    } cases[] = {
        {"hours", 2, "give --group NAME"},
        {"hours --group x --teacher y", 2, "excludes"},
        {"hours --group x --mode other", 2, "--mode"},
        {"hours --teacher x --to 32.13.2026", 2, "is no date"},
        {"hours --teacher x --from 10.10.2026 --to 01.10.2026", 2, "after"},
        {"hours --group x --xml f.xml", 2, "--teacher"},
        {"hours --group Нет-такой", 1, "no group \"Нет-такой\""},
        {"hours --teacher 'Никто Н.Н.'", 1, "no teacher"},
        {"hours --subject Нет", 1, "no subject"},
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.words);
        EXPECT_EQ(r.status, c.status) << c.words << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.words << "\n" << r.out;
    }
}

}  // namespace
}  // namespace zavlin
