#include "cli/year_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "model/year.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct PrintLoad : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { fmt::print("{}\n", text); }
};

// The saving window's bar as a line every tenth of the way.
struct PrintSave : TSaveProgress {
    void SaveStart(int groups) override {
        total = groups;
        fmt::print("Сохранение расписания на диск: {} групп\n", groups);
    }
    void SaveStep(int done) override {
        if (total > 0 && (done == total || done * 10 / total != (done - 1) * 10 / total))
            fmt::print("  {}/{}\n", done, total);
    }
    void SaveFinish() override {}
    int total = 0;
};

struct Counts {
    int lessons[2] = {0, 0};
    int zamena = 0;
    int weeks = 0;
};

Counts countGroup(const TGryp& gr) {
    Counts c;
    c.weeks = static_cast<int>(gr.LNed.size());
    for (const TNed* week : gr.LNed)
        for (int tip = 0; tip <= 1; ++tip)
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (const TYrok* yrok = week->GetYrok(tip, d, y)) {
                        c.lessons[tip] += yrok->CountYrDp();
                        c.zamena += yrok->CountZam();
                    }
    return c;
}

int loadYear(const fs::path& home, int god, bool resave) {
    std::error_code ec;
    if (!fs::is_directory(home / "Database", ec)) {
        printError(fmt::format("no database in {} (zavlin-cli init creates one)", home.string()));
        return kExitFailed;
    }
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    PrintLoad load;
    dm.ProgressObserver = &load;
    TAllRasp year(dm);
    year.YGod = static_cast<uint16_t>(god);
    const bool loaded = year.LoadYear();
    int unions = 0;
    for (int ne = 1; ne <= kWeeks; ++ne) unions += static_cast<int>(year.GetLOb(ne).size());
    fmt::print("year {}/{}: {} groups, {} teachers, {} subject names, {} rooms, {} unions\n", god,
               (god + 1) % 100, year.CountGryp(), year.CountFio(), year.CountYrName(),
               year.CountAyd(), unions);
    if (!resave) {
        for (const auto& gr : year.LGryp) {
            const Counts c = countGroup(*gr);
            fmt::print(
                "  {}: {} subjects, {} weeks, {} lessons, {} preliminary, {} substitutions\n",
                gr->Name(), gr->CountPredmet(), c.weeks, c.lessons[0], c.lessons[1], c.zamena);
        }
        return loaded ? kExitOk : kExitFailed;
    }
    if (!loaded) {
        printError("the year did not load cleanly; nothing was written");
        return kExitFailed;
    }
    for (const auto& gr : year.LGryp) gr->modifiRasp = true;
    PrintSave save;
    year.SaveProgress = &save;
    if (!year.SaveRasp()) {
        printError("some timetables could not be written");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

void addYearCommands(CLI::App& app, int& status) {
    CLI::App* yearCmd = app.add_subcommand("year", "work with one academic year");
    yearCmd->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    yearCmd->require_subcommand(1);
    auto god = std::make_shared<int>(0);

    CLI::App* show =
        yearCmd->add_subcommand("show", "load a year and summarise every group's timetable");
    show->add_option("YEAR", *god, "the first calendar year, e.g. 2016 for 2016/17")
        ->required()
        ->check(CLI::Range(1900, 2200));
    show->callback([show, god, &status] { status = loadYear(homeFolder(*show), *god, false); });

    CLI::App* resave = yearCmd->add_subcommand(
        "resave", "load a year and write every group's timetable again in the current form");
    resave->add_option("YEAR", *god, "the first calendar year")
        ->required()
        ->check(CLI::Range(1900, 2200));
    resave->callback(
        [resave, god, &status] { status = loadYear(homeFolder(*resave), *god, true); });

    for (CLI::App* verb : {show, resave})
        verb->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
}

}  // namespace zavlin::cli
