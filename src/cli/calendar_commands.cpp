#include "cli/calendar_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <memory>

#include "base/my_dialog.h"
#include "base/text.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "model/god.h"
#include "model/year_range.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHomeHelp = "the home folder (Database/, Zavlin98.ini, ...)";

int weekNumber(std::string_view text, const std::string& whole) {
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value < 1 ||
        value > kCalendarWeeks)
        throw UsageError(fmt::format("weeks '{}': '{}' is no week from 1 to {}", whole,
                                     std::string(text), kCalendarWeeks));
    return value;
}

int listYears(const fs::path& home) {
    if (!requireYearDatabase(home)) return kExitFailed;
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    TAllGod years(dm);
    if (!years.ReadListGod()) {
        printError("the list of years could not be read");
        return kExitFailed;
    }
    const int activ = dm.FGodini.ReadInteger("God", "ActivGod", 0);
    if (years.CountGod() == 0) fmt::print("no academic years\n");
    for (const auto& rec : years.SL)
        fmt::print("{} {}\n", rec->yGod == activ ? '*' : ' ', rec->Name());
    return kExitOk;
}

// The year object of the chosen year with its calendar, not loaded.
std::unique_ptr<TGod> calendarOf(TDM1& dm, TAllGod& years, int asked) {
    const int year = chosenYear(dm, asked);
    if (year == 0) return nullptr;
    if (!years.ReadListGod()) {
        printError("the list of years could not be read");
        return nullptr;
    }
    const int indx = years.GetIndexGod(year);
    if (indx < 0) {
        printError(fmt::format("there is no academic year {} (zavlin-cli years lists them)", year));
        return nullptr;
    }
    return years.CreateGod(indx);
}

int showWeeks(const fs::path& home, int asked) {
    if (!requireYearDatabase(home)) return kExitFailed;
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    TAllGod years(dm);
    std::unique_ptr<TGod> god = calendarOf(dm, years, asked);
    if (!god) return kExitFailed;
    const TAllNed& calendar = god->AllNed;
    fmt::print("{}: week 1 from {}, Saturday {}, first semester {} weeks, {} active weeks\n",
               god->Name(), shortDateText(calendar.Dg),
               god->FRunSubb ? "is a study day" : "is free", god->FLengthSemestr,
               calendar.CountActivDNed());
    for (const auto& [text, week] : calendar.DateGodToListBoxN())
        fmt::print("{} {:>2}  {}\n", calendar.DNed(week)->Activ ? '*' : ' ', week, text);
    return kExitOk;
}

int activateWeeks(const fs::path& home, int asked, const std::string& list) {
    std::vector<int> weeks;
    try {
        weeks = parseWeekList(list);
    } catch (const UsageError& e) {
        printError(e.what());
        return kExitUsage;
    }
    if (!requireYearDatabase(home)) return kExitFailed;
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Exclusive);
    if (!held) return kExitFailed;
    TAllGod years(dm);
    std::unique_ptr<TGod> god = calendarOf(dm, years, asked);
    if (!god) return kExitFailed;
    god->AllNed.SetActivWeeks(weeks);
    if (!god->AllNed.SaveDataGod()) {
        printError("god.Ini could not be written");
        return kExitFailed;
    }
    std::string active;
    for (const TDNed& w : god->AllNed.LNed)
        if (w.Activ) active += (active.empty() ? "" : ",") + god->GetNumberWeek(w.N);
    fmt::print("{}: {} active weeks: {}\n", god->Name(), god->AllNed.CountActivDNed(), active);
    return kExitOk;
}

}  // namespace

bool requireYearDatabase(const fs::path& home) {
    std::error_code ec;
    if (fs::is_directory(home / "Database", ec)) return true;
    printError(fmt::format("no database in {} (zavlin-cli init creates one)", home.string()));
    return false;
}

int chosenYear(TDM1& dm, int asked) {
    const int god = asked > 0 ? asked : dm.FGodini.ReadInteger("God", "ActivGod", 0);
    if (god <= 0) {
        printError("no academic year is active; give --year YEAR");
        return 0;
    }
    if (!validGod(god)) {
        printError(
            fmt::format("{}: the academic years run from {} to {}", god, kFirstGod, kLastGod));
        return 0;
    }
    return god;
}

bool yearListed(TDM1& dm, int god) {
    TAllGod years(dm);
    if (!years.ReadListGod()) {
        printError("the list of years could not be read");
        return false;
    }
    if (years.GetIndexGod(god) >= 0) return true;
    printError(fmt::format("there is no academic year {} (zavlin-cli years lists them)", god));
    return false;
}

std::vector<int> parseWeekList(const std::string& text) {
    std::vector<int> weeks;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string item = trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (item.empty()) continue;
        const std::size_t dash = item.find('-');
        const int first = weekNumber(std::string_view(item).substr(0, dash), text);
        const int last = dash == std::string::npos
                             ? first
                             : weekNumber(std::string_view(item).substr(dash + 1), text);
        if (last < first)
            throw UsageError(fmt::format("weeks '{}': the range '{}' runs backwards", text, item));
        for (int i = first; i <= last; ++i) weeks.push_back(i);
    }
    if (weeks.empty()) throw UsageError("Требуется выбрать хотя бы одну неделю.");
    return weeks;
}

void addCalendarCommands(CLI::App& app, int& status) {
    CLI::App* yearsCmd =
        app.add_subcommand("years", "list the academic years, the active one marked");
    yearsCmd->add_option("--home", kHomeHelp);
    yearsCmd->callback([yearsCmd, &status] { status = listYears(homeFolder(*yearsCmd)); });

    auto year = std::make_shared<int>(0);
    auto list = std::make_shared<std::string>();
    CLI::App* weeks = app.add_subcommand(
        "weeks", "the weeks of a year with their labels and dates, active weeks marked");
    weeks->add_option("--home", kHomeHelp);
    weeks->add_option("--year", *year, "the first calendar year (default: the active year)")
        ->check(CLI::Range(kFirstGod, kLastGod));
    CLI::App* activate =
        weeks->add_subcommand("activate", "make exactly the listed weeks active, e.g. 1,2,5-8");
    activate->add_option("WEEKS", *list, "week numbers 1-56 and ranges, joined by ','")->required();
    activate->add_option("--home", kHomeHelp);
    activate->add_option("--year", *year, "the first calendar year (default: the active year)")
        ->check(CLI::Range(kFirstGod, kLastGod));
    activate->callback([activate, year, list, &status] {
        status = activateWeeks(homeFolder(*activate), *year, *list);
    });
    weeks->callback([weeks, activate, year, &status] {
        if (activate->parsed()) return;
        status = showWeeks(homeFolder(*weeks), *year);
    });
}

}  // namespace zavlin::cli
