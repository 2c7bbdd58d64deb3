#include "cli/year_commands.h"

#include <fmt/format.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "model/god.h"
#include "model/year_range.h"
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

struct ResaveArgs {
    bool dropUnreadable = false;
    bool yes = false;
};

// Yes only with --yes or a terminal that answers y.
bool confirmDrop(const std::vector<TGryp*>& groups, bool yes) {
    std::string names;
    for (const TGryp* gr : groups) names += (names.empty() ? "" : ", ") + gr->Name();
    const std::string question = fmt::format(
        "write empty timetables over the unreadable stored ones of {}? they are lost for good",
        names);
    if (yes) return true;
    return confirmedOnTerminal(question, "add --yes to write them empty without asking");
}

int loadYear(const fs::path& home, int asked, bool resave, const ResaveArgs& how = {}) {
    if (!requireYearDatabase(home)) return kExitFailed;
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, resave ? LockKind::Exclusive : LockKind::Shared);
    if (!held) return kExitFailed;
    const int god = chosenYear(dm, asked);
    if (god == 0 || !yearListed(dm, god)) return kExitFailed;
    PrintLoad load;
    dm.Hooks.ProgressObserver = &load;
    TAllRasp year(dm);
    year.YGod = static_cast<uint16_t>(god);
    const bool loaded = year.LoadYear();
    int unions = 0;
    for (int ne = 1; ne <= kWeeks; ++ne) unions += static_cast<int>(year.GetLOb(ne).size());
    fmt::print("year {}/{:02}: {} groups, {} teachers, {} subject names, {} rooms, {} unions\n",
               god, (god + 1) % 100, year.CountGryp(), year.CountFio(), year.CountYrName(),
               year.CountAyd(), unions);
    if (!resave) {
        for (const auto& gr : year.LGryp) {
            if (gr->BlobUnreadable) {
                fmt::print("  {}: unreadable timetable ({}), kept as stored\n", gr->Name(),
                           gr->BlobFault);
                continue;
            }
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
    std::vector<TGryp*> unreadable = year.UnreadableGryp();
    std::vector<TGryp*> dropped;
    if (how.dropUnreadable && !unreadable.empty()) {
        if (!confirmDrop(unreadable, how.yes)) return kExitUsage;
        dropped = year.DropUnreadableGryp();
        unreadable.clear();
    }
    for (const auto& gr : year.LGryp) gr->modifiRasp = true;
    PrintSave save;
    dm.Hooks.SaveProgress = &save;
    if (!year.SaveRasp()) {
        printError("some timetables could not be written");
        return kExitFailed;
    }
    for (const TGryp* gr : dropped)
        fmt::print("{}: written as an empty timetable in place of the unreadable one\n",
                   gr->Name());
    for (const TGryp* gr : unreadable)
        fmt::print(stderr,
                   "{}: left as stored, its timetable could not be read ({}); --drop-unreadable "
                   "--yes writes it as an empty timetable\n",
                   gr->Name(), gr->BlobFault);
    return unreadable.empty() ? kExitOk : kExitFailed;
}

// The list of years with the database's messages on stderr.
struct YearList {
    explicit YearList(const fs::path& home) : dm(home, dialog), years(dm) {
        dm.Hooks.ProgressObserver = &load;
    }
    // Every verb of the list changes the database: held from here to the end.
    [[nodiscard]] bool read() {
        held = holdDatabase(dm, LockKind::Exclusive);
        if (!held) return false;
        if (years.ReadListGod()) return true;
        printError("the list of years could not be read");
        return false;
    }
    int indexOf(int god) {
        const int indx = years.GetIndexGod(god);
        if (indx < 0)
            printError(
                fmt::format("there is no academic year {} (zavlin-cli years lists them)", god));
        return indx;
    }

    TConsoleDialog dialog{false};
    TDM1 dm;
    PrintLoad load;
    TAllGod years;
    std::unique_ptr<HeldDatabase> held;
};

int activateYear(YearList& list, int indx) {
    const bool loaded = list.years.SetActivGod(indx);
    const TGod* god = list.years.God();
    // Active only in memory when god.Ini cannot take it.
    if (!list.dm.FGodini.UpdateFile()) {
        printError(fmt::format("{} could not be written: {} is not the active year",
                               list.dm.FGodini.FullFileName().string(),
                               list.years.RecordGod(indx)->Name()));
        return kExitFailed;
    }
    fmt::print("active year: {} ({} groups, {} teachers, {} active weeks)\n",
               list.years.RecordGod(indx)->Name(), god->CountGryp(), god->CountFio(),
               god->AllNed.CountActivDNed());
    return loaded ? kExitOk : kExitFailed;
}

// Like the window program: the new year takes the reference lists of the
// nearest earlier year and becomes the active one.
int addYear(const fs::path& home, int god, bool empty) {
    if (!requireYearDatabase(home)) return kExitFailed;
    YearList list(home);
    if (!list.read()) return kExitFailed;
    if (!list.years.TestNewGod(god)) {
        printError(fmt::format("{}- Год уже существует!", god));
        return kExitFailed;
    }
    int indx = list.years.AddGod(god);
    if (indx < 0) {
        printError("the year could not be stored in YmGod.b0");
        return kExitFailed;
    }
    fmt::print("{} added\n", list.years.RecordGod(indx)->Name());
    const int prior = empty ? -1 : list.years.TestPriorGod(god);
    bool ok = true;
    if (prior >= 0) {
        ok = list.years.AssignGod(prior, indx);
        fmt::print("copied from {}\n", list.years.RecordGod(prior)->Name());
        if (!ok) printError("some entries could not be copied");
    }
    return activateYear(list, indx) == kExitOk && ok ? kExitOk : kExitFailed;
}

int deleteYear(const fs::path& home, int god) {
    if (!requireYearDatabase(home)) return kExitFailed;
    YearList list(home);
    if (!list.read()) return kExitFailed;
    const int indx = list.indexOf(god);
    if (indx < 0) return kExitFailed;
    const std::string name = list.years.RecordGod(indx)->Name();
    bool ok = list.years.DelGod(indx);
    // The deleted rows leave their slots behind until the tables are packed.
    ok = list.dm.ReindexFiles() && ok;
    if (!ok) {
        printError(fmt::format("{} was not deleted completely", name));
        return kExitFailed;
    }
    fmt::print("{} deleted\n", name);
    return kExitOk;
}

int copyYear(const fs::path& home, int from, int to, bool force) {
    if (!requireYearDatabase(home)) return kExitFailed;
    if (from == to) {
        printError("a year cannot be copied onto itself");
        return kExitUsage;
    }
    YearList list(home);
    if (!list.read()) return kExitFailed;
    const int fromIndx = list.indexOf(from);
    if (fromIndx < 0) return kExitFailed;
    int toIndx = list.years.GetIndexGod(to);
    if (toIndx >= 0 && !force) {
        printError(fmt::format("{}- Год уже существует! (--force replaces what it holds)", to));
        return kExitFailed;
    }
    if (toIndx < 0) {
        toIndx = list.years.AddGod(to);
        if (toIndx < 0) {
            printError("the year could not be stored in YmGod.b0");
            return kExitFailed;
        }
    }
    // The places moved when a year was added.
    const int source = list.years.GetIndexGod(from);
    const bool ok = list.years.AssignGod(source, toIndx);
    if (!ok) {
        printError("some entries could not be copied");
        return kExitFailed;
    }
    fmt::print("{} copied to {}\n", list.years.RecordGod(source)->Name(),
               list.years.RecordGod(toIndx)->Name());
    return kExitOk;
}

int activateYearCommand(const fs::path& home, int god) {
    if (!requireYearDatabase(home)) return kExitFailed;
    YearList list(home);
    if (!list.read()) return kExitFailed;
    const int indx = list.indexOf(god);
    if (indx < 0) return kExitFailed;
    list.years.LoadTimeYrok();
    return activateYear(list, indx);
}

}  // namespace

void addYearCommands(CLI::App& app, int& status) {
    CLI::App* yearCmd = app.add_subcommand("year", "work with one academic year");
    yearCmd->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    yearCmd->require_subcommand(1);
    auto god = std::make_shared<int>(0);

    CLI::App* show =
        yearCmd->add_subcommand("show", "load a year and summarise every group's timetable");
    show->add_option("YEAR", *god,
                     "the first calendar year, e.g. 2016 for 2016/17 (default: the active year)")
        ->check(CLI::Range(kFirstGod, kLastGod));
    show->callback([show, god, &status] { status = loadYear(homeFolder(*show), *god, false); });

    CLI::App* resave = yearCmd->add_subcommand(
        "resave", "load a year and write every group's timetable again in the current form");
    resave->add_option("YEAR", *god, "the first calendar year (default: the active year)")
        ->check(CLI::Range(kFirstGod, kLastGod));
    auto how = std::make_shared<ResaveArgs>();
    resave->add_flag("--drop-unreadable", how->dropUnreadable,
                     "write the groups whose timetable cannot be read as empty timetables");
    resave->add_flag("--yes", how->yes, "confirm that the unreadable timetables are replaced");
    resave->callback(
        [resave, god, how, &status] { status = loadYear(homeFolder(*resave), *god, true, *how); });

    auto to = std::make_shared<int>(0);
    auto flag = std::make_shared<bool>(false);

    CLI::App* add = yearCmd->add_subcommand(
        "add", "add a year, copy the reference lists of the nearest earlier one, make it active");
    add->add_option("YEAR", *god, "the first calendar year")
        ->required()
        ->check(CLI::Range(kFirstGod, kLastGod));
    add->add_flag("--empty", *flag, "copy nothing from an earlier year");
    add->callback([add, god, flag, &status] { status = addYear(homeFolder(*add), *god, *flag); });

    CLI::App* del = yearCmd->add_subcommand(
        "delete", "delete a year with all its data, then re-index and pack the tables");
    del->add_option("YEAR", *god, "the first calendar year")
        ->required()
        ->check(CLI::Range(kFirstGod, kLastGod));
    del->callback([del, god, &status] { status = deleteYear(homeFolder(*del), *god); });

    CLI::App* copy = yearCmd->add_subcommand(
        "copy",
        "copy faculties, subjects, teachers, groups, buildings and rooms into another year");
    copy->add_option("FROM", *god, "the year copied")
        ->required()
        ->check(CLI::Range(kFirstGod, kLastGod));
    copy->add_option("TO", *to, "the year that receives the copy")
        ->required()
        ->check(CLI::Range(kFirstGod, kLastGod));
    copy->add_flag("--force", *flag, "replace what an existing TO year holds");
    copy->callback(
        [copy, god, to, flag, &status] { status = copyYear(homeFolder(*copy), *god, *to, *flag); });

    CLI::App* activate =
        yearCmd->add_subcommand("activate", "make a year the active one and load it");
    activate->add_option("YEAR", *god, "the first calendar year")
        ->required()
        ->check(CLI::Range(kFirstGod, kLastGod));
    activate->callback(
        [activate, god, &status] { status = activateYearCommand(homeFolder(*activate), *god); });

    for (CLI::App* verb : {show, resave, add, del, copy, activate})
        verb->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
}

}  // namespace zavlin::cli
