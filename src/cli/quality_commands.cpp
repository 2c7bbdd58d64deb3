// "quality --week N [--measure 1-10] [--layer pinned]": one week's block of
// the quality window. Without --measure the ten summary lines, with it that
// measure's detail lines and its summary line.
#include "cli/quality_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "composition/quality.h"
#include "model/god.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct QualityArgs {
    int week = 0;
    int measure = 0;
    bool measureGiven = false;  // else the summary of all ten
    std::string layer = "timetable";
    int year = 0;
};

int showQuality(const fs::path& home, const QualityArgs& args) {
    if (args.week < 1 || args.week > kWeeks) {
        printError(fmt::format("there is no week {}: weeks are 1-{}", args.week, kWeeks));
        return kExitUsage;
    }
    if (args.measureGiven && (args.measure < 1 || args.measure > kKahestvoCount)) {
        printError(
            fmt::format("there is no measure {}: measures are 1-{}", args.measure, kKahestvoCount));
        return kExitUsage;
    }
    if (!requireYearDatabase(home)) return kExitFailed;
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    const int chosen = chosenYear(dm, args.year);
    if (chosen == 0) return kExitUsage;
    TAllGod years(dm);
    if (!years.ReadListGod()) {
        printError("the list of years could not be read");
        return kExitFailed;
    }
    const int indx = years.GetIndexGod(chosen);
    if (indx < 0) {
        printError(
            fmt::format("there is no academic year {} (zavlin-cli years lists them)", chosen));
        return kExitFailed;
    }
    years.LoadTimeYrok();
    std::unique_ptr<TGod> god = years.CreateGod(indx);
    if (!god->Load()) {
        printError(fmt::format("the year {} did not load cleanly", chosen));
        return kExitFailed;
    }
    printUnreadableGroups(*god);
    const int tip = args.layer == "pinned" ? 1 : 0;
    fmt::print("Неделя {}\n", god->AllNed.DNed(args.week)->GetStrDateNed());
    std::vector<std::string> sl;
    int kd = 0;
    int k2 = 0;
    if (!args.measureGiven) {
        for (int n = 1; n <= kKahestvoCount; ++n) {
            GetKahestvo(*god, n, tip, args.week, sl, kd, k2);
            fmt::print("{}\n", KahestvoSummaryLine(n, kd, k2));
        }
        return kExitOk;
    }
    GetKahestvo(*god, args.measure, tip, args.week, sl, kd, k2);
    for (const std::string& line : sl) fmt::print("{}\n", line);
    fmt::print("{}\n", KahestvoSummaryLine(args.measure, kd, k2));
    return kExitOk;
}

}  // namespace

void addQualityCommands(CLI::App& app, int& status) {
    auto args = std::make_shared<QualityArgs>();
    CLI::App* cmd = app.add_subcommand(
        "quality", "the ten quality counts of a week, or one measure with its detail lines");
    cmd->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    cmd->add_option("--week", args->week, "the week, 1-56")->required();
    CLI::Option* measure =
        cmd->add_option("--measure", args->measure,
                        "1 group holes, 2 teacher holes, 3 uneven load, 4 single lessons, "
                        "5 working days, 6 group days, 7 teacher restrictions, 8 pinned lessons, "
                        "9 unions, 10 teacher overlaps");
    cmd->add_option("--layer", args->layer, "timetable (default) or pinned (preliminary settings)")
        ->check(CLI::IsMember({"timetable", "pinned"}));
    cmd->add_option("--year", args->year, "the first calendar year; default: the active one");
    cmd->callback([cmd, args, measure, &status] {
        args->measureGiven = measure->count() > 0;
        status = showQuality(homeFolder(*cmd), *args);
    });
}

}  // namespace zavlin::cli
