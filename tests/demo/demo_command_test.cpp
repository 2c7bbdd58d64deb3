// zavlin-cli demo, run as a separate program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sample_home.h"
#include "support/cli_runner.h"

namespace zavlin::demo {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun cli(const std::string& args) {
    const testsupport::CliRun r = testsupport::runCommandLine(ZAVLIN_CLI, args);
    return {r.status, r.out};
}

// Catches: a verb that overwrites a year already there, accepts a size it
// cannot make, or leaves a year the other verbs cannot show.
TEST(DemoCommand, MakesTheYearOnceAndTheOtherVerbsShowIt) {
    const fs::path home = testing::scratchFolder("democli") / "college";
    const std::string at = " --home '" + home.string() + "'";
    const CliRun made = cli("demo --size s --seed 4 --year 2025" + at);
    ASSERT_EQ(made.status, 0) << made.out;
    EXPECT_NE(made.out.find("12 groups"), std::string::npos) << made.out;
    EXPECT_TRUE(fs::exists(home / "Database" / "YmGryp.b0"));
    EXPECT_TRUE(fs::exists(home / "sample-S-4.txt"));

    const CliRun again = cli("demo --size S --seed 4 --year 2025" + at);
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("exists already"), std::string::npos) << again.out;
    const CliRun wrong = cli("demo --size XXL" + at);
    EXPECT_EQ(wrong.status, 2) << wrong.out;
    EXPECT_NE(cli("help").out.find("demo [--size S|M|L|XL]"), std::string::npos);

    const CliRun years = cli("years" + at);
    EXPECT_NE(years.out.find("* 2025"), std::string::npos) << years.out;
    const CliRun show = cli("year show" + at);
    EXPECT_EQ(show.status, 0) << show.out;
    EXPECT_NE(show.out.find("12 groups"), std::string::npos) << show.out;

    const SamplePlan plan = planSample({SampleSize::S, 4, 2025});
    const std::string group = plan.groups[static_cast<std::size_t>(plan.showcaseGroup)].name;
    const CliRun pinned = cli("timetable --group " + group + " --week 53 --layer pinned" + at);
    EXPECT_EQ(pinned.status, 0) << pinned.out;
    EXPECT_NE(pinned.out.find("Физ. культура"), std::string::npos) << pinned.out;
    const CliRun past = cli("timetable --group " + group + " --week 5" + at);
    EXPECT_NE(past.out.find("*"), std::string::npos) << past.out;
    fs::remove_all(home.parent_path());
}

// Catches: a demo that failed late leaving its half-built year behind, so
// that the next run refuses ("exists already") and the year that was active
// before is no longer the active one.
TEST(DemoCommand, AFailedRunTakesItsHalfBuiltYearAwayAndCanBeRunAgain) {
    const fs::path home = testing::scratchFolder("demofail") / "college";
    const std::string at = " --home '" + home.string() + "'";
    ASSERT_EQ(cli("demo --size S --seed 6 --year 2023" + at).status, 0);
    const std::string listBefore = cli("years" + at).out;
    ASSERT_EQ(listBefore, "* 2023-2024\n");

    // The counts file, written last, cannot be made.
    const fs::path blocker = home / "sample-S-7.txt";
    fs::create_directories(blocker / "kept");
    const CliRun failed = cli("demo --size S --seed 7 --year 2024" + at);
    EXPECT_EQ(failed.status, 1) << failed.out;
    EXPECT_NE(failed.out.find("could not write " + blocker.string()), std::string::npos)
        << failed.out;
    EXPECT_EQ(cli("years" + at).out, listBefore) << "the year is gone, 2023 active again";
    const CliRun show = cli("year show 2024" + at);
    EXPECT_EQ(show.status, 1) << show.out;
    std::ifstream ini(home / "Database" / "god.Ini", std::ios::binary);
    const std::string settings{std::istreambuf_iterator<char>(ini), {}};
    EXPECT_EQ(settings.find("YhGod2024"), std::string::npos) << "its weeks are gone: " << settings;
    EXPECT_NE(settings.find("ActivGod=2023"), std::string::npos) << settings;
    EXPECT_TRUE(fs::is_directory(blocker)) << "what was not the run's own stays";

    fs::remove_all(blocker);
    const CliRun again = cli("demo --size S --seed 7 --year 2024" + at);
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(cli("years" + at).out, "  2023-2024\n* 2024-2025\n");
    fs::remove_all(home.parent_path());
}

}  // namespace
}  // namespace zavlin::demo
