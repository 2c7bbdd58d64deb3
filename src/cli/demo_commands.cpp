#include "cli/demo_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/backup_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "demo/sample_college.h"
#include "model/year_range.h"
#include "shell/instance.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct Options {
    std::string size = "M";
    uint64_t seed = 1;
    int year = demo::SampleOptions{}.year;
};

struct PrintProgress : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { fmt::print("{}\n", text); }
};

int makeSample(const fs::path& home, const Options& o) {
    const auto size = demo::parseSampleSize(o.size);
    if (!size) {
        printError(fmt::format("--size {}: the sizes are S, M, L and XL", o.size));
        return kExitUsage;
    }
    const demo::SampleOptions options{*size, o.seed, o.year};
    fmt::print("sample college {} ({} groups), seed {}, academic year {}/{}, in {}\n",
               demo::sizeName(*size), demo::groupCount(*size), o.seed, o.year, o.year + 1,
               home.string());
    const auto writer = holdWriter(home);
    if (!writer) return kExitFailed;
    TConsoleDialog dialog(false);
    PrintProgress progress;
    const demo::SampleResult r = demo::createSampleCollege(home, options, dialog, &progress);
    if (!r.ok) {
        printError(r.message);
        return kExitFailed;
    }
    const demo::SampleCounts& c = r.counts;
    fmt::print(
        "{} faculties, {} groups, {} teachers, {} subject names, {} buildings with {} rooms\n",
        r.plan.faculties.size(), c.groups, c.teachers, c.subjectNames, r.plan.buildings.size(),
        c.rooms);
    for (const demo::WeekCounts& w : c.weeks)
        fmt::print("week {}: {} lessons of {} subjects to compose ({} periods of groups)\n", w.ne,
                   w.lessons, w.units, w.groupPeriods);
    fmt::print(
        "{} unions, {} pinned lessons a week; week {}: {} substitutions and cancellations; "
        "{} examinations in week {}, {} credits in week {}\n",
        c.unions, c.pinned, demo::kSubstitutionWeek, r.plan.substitutions.size(),
        r.plan.exams.size(), demo::kExamWeek, r.plan.credits.size(), demo::kCreditWeek);
    fmt::print("the year {}/{} is active, weeks {} and {} are active\n", o.year, o.year + 1,
               demo::kActiveWeeks[0], demo::kActiveWeeks[1]);
    fmt::print("counts of the hidden timetable: {}\n", r.countsFile.string());
    return kExitOk;
}

}  // namespace

void addDemoCommands(CLI::App& app, int& status) {
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "demo", "make a sample college an academic year of the database and the active one");
    cmd->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    cmd->add_option("--size", o->size, "S (12 groups), M (40), L (120) or XL (400); default M");
    cmd->add_option("--seed", o->seed, "the same seed gives the same college; default 1");
    cmd->add_option("--year", o->year, "the first calendar year of the academic year")
        ->check(CLI::Range(kFirstGod, kLastGod));
    cmd->callback([cmd, o, &status] { status = makeSample(homeFolder(*cmd), *o); });
}

}  // namespace zavlin::cli
