#include "cli/room_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/my_dialog.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "model/god.h"
#include "model/room_occupancy.h"
#include "model/year.h"
#include "model/year_range.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct RoomArgs {
    int week = 0;
    int day = 0;  // 0 = every day
    int god = 0;  // 0 = the active year of god.Ini
    bool seats = false;
};

// Columns are padded by characters, not bytes: the names are Cyrillic.
std::size_t textWidth(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string padded(const std::string& s, std::size_t width) {
    const std::size_t w = textWidth(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string roomText(const TAyd& ayd) {
    return ayd.Dom() != nullptr ? fmt::format("{} ({})", ayd.Name(), ayd.Dom()->Name())
                                : ayd.Name();
}

template <typename F>
void forEachHeld(const TAllRasp& year, int week, int day, F f) {
    for (const auto& gr : year.LGryp) {
        const TNed* ned = gr->GetNed(week);
        if (ned == nullptr) continue;
        for (int y = 0; y < kPeriodCount; ++y)
            if (const TYrok* yrok = ned->GetYrok(0, day, y))
                for (int i = 0; i < yrok->CountYrDpZm(); ++i)
                    if (TYr* yr = yrok->YrDpZm(i); yr->Held()) f(*gr, y, yr);
    }
}

int distribute(const fs::path& home, const RoomArgs& args) {
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Exclusive);
    if (!held) return kExitFailed;
    TAllRasp year(dm);
    if (const int failed = loadYearForVerb(home, dm, year, args.god); failed >= 0) return failed;

    std::vector<int> days;
    for (int d = 1; d <= kDayCount; ++d)
        if (args.day == 0 || args.day == d) days.push_back(d);
    std::unordered_map<const TYr*, const TAyd*> before;
    for (int d : days)
        forEachHeld(year, args.week, d,
                    [&](const TGryp&, int, TYr* yr) { before[yr] = yr->Ayd(); });
    for (int d : days) year.RaspredAydDey(0, args.week, d, args.seats);

    std::vector<std::vector<std::string>> rows;
    for (int d : days)
        forEachHeld(year, args.week, d, [&](const TGryp& gr, int y, TYr* yr) {
            if (yr->Ayd() == nullptr || yr->Ayd() == before[yr]) return;
            rows.push_back({gr.Name(), shortDayName(d), std::to_string(y),
                            yr->Fio() != nullptr ? yr->Fio()->Name() : std::string(),
                            roomText(*yr->Ayd())});
        });
    fmt::print("year {}/{:02}, week {}: {} lessons given rooms\n", year.YGod, (year.YGod + 1) % 100,
               args.week, rows.size());
    std::vector<std::size_t> widths(5, 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], textWidth(row[c]));
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c + 1 < row.size(); ++c) line += padded(row[c], widths[c]) + "  ";
        fmt::print("{}{}\n", line, row.back());
    }
    if (!year.SaveRasp()) {
        printError("some timetables could not be written");
        return kExitFailed;
    }
    return kExitOk;
}

int occupancy(const fs::path& home, const RoomArgs& args) {
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    TAllRasp year(dm);
    if (const int failed = loadYearForVerb(home, dm, year, args.god); failed >= 0) return failed;

    TLAydAllDomNed all(year, {args.week});
    TLAydAllDom& week = *all.Ln.front();
    week.GetAydDey(args.day);
    fmt::print("year {}/{:02}, week {}, {}\n", year.YGod, (year.YGod + 1) % 100, args.week,
               shortDayName(args.day));
    for (const auto& dom : week.Li) {
        fmt::print("\n{}\n", dom->Dom()->Name());
        if (dom->CountAydDom() == 0) {
            fmt::print("  (no rooms)\n");
            continue;
        }
        std::vector<std::vector<std::string>> rows;
        rows.emplace_back(1, "ауд.");
        for (int y = 0; y < kPeriodCount; ++y) rows[0].push_back(std::to_string(y));
        for (const auto& room : dom->Li) {
            std::vector<std::string> row{room->Ayd()->Name()};
            for (int y = 0; y < kPeriodCount; ++y) {
                const std::string groups = room->GrypForYr(args.day, y);
                row.push_back(groups.empty() ? "-" : groups);
            }
            rows.push_back(std::move(row));
        }
        std::vector<std::size_t> widths(kPeriodCount + 1, 0);
        for (const auto& row : rows)
            for (std::size_t c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], textWidth(row[c]));
        for (const auto& row : rows) {
            std::string line;
            for (std::size_t c = 0; c < row.size(); ++c)
                line += "  " + (c + 1 < row.size() ? padded(row[c], widths[c]) : row[c]);
            fmt::print("{}\n", line);
        }
    }
    return kExitOk;
}

void addCommonOptions(CLI::App& verb, RoomArgs& args) {
    verb.add_option("--week", args.week, "the week, 1-56")->required()->check(CLI::Range(1, 56));
    verb.add_option("--year", args.god, "the first calendar year, e.g. 2016 for 2016/17")
        ->check(CLI::Range(kFirstGod, kLastGod));
    verb.add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
}

}  // namespace

// Loads the year into `year`; the exit status when that failed, else -1.
int loadYearForVerb(const fs::path& home, TDM1& dm, TAllRasp& year, int god) {
    std::error_code ec;
    if (!fs::is_directory(home / "Database", ec)) {
        printError(fmt::format("no database in {} (zavlin-cli init creates one)", home.string()));
        return kExitFailed;
    }
    const int chosen = god != 0 ? god : dm.FGodini.ReadInteger("God", "ActivGod", 0);
    if (chosen == 0) {
        printError("no year given: use --year, or make a year active (god.Ini, God/ActivGod)");
        return kExitUsage;
    }
    if (chosenYear(dm, chosen) == 0) return kExitUsage;
    year.YGod = static_cast<uint16_t>(chosen);
    // Credit records hold rooms by clock time: use the college's lesson times.
    TAllGod times(dm);
    times.LoadTimeYrok();
    year.TaimYrok = times.Lt;
    if (!year.LoadYear()) {
        printError(fmt::format("the year {} did not load cleanly; nothing was changed", year.YGod));
        return kExitFailed;
    }
    printUnreadableGroups(year);
    return -1;
}

void printUnreadableGroups(const TAllRasp& year) {
    for (const TGryp* gr : year.UnreadableGryp())
        fmt::print(stderr,
                   "left out: group {}, its stored timetable could not be read ({}); it stays "
                   "as stored until zavlin-cli year resave --drop-unreadable writes it empty\n",
                   gr->Name(), gr->BlobFault);
}

void addRoomCommands(CLI::App& app, int& status) {
    CLI::App* rooms = app.add_subcommand("rooms", "room use in one week of a year");
    rooms->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    rooms->require_subcommand(1);
    auto args = std::make_shared<RoomArgs>();

    CLI::App* give = rooms->add_subcommand(
        "distribute", "give the free rooms to the teachers of a day (or every day) and save");
    addCommonOptions(*give, *args);
    give->add_option("--day", args->day, "the day, 1-6 (Monday = 1); every day when absent")
        ->check(CLI::Range(1, 6));
    give->add_flag("--seats", args->seats, "give only rooms with enough seats");
    give->callback([give, args, &status] { status = distribute(homeFolder(*give), *args); });

    CLI::App* show = rooms->add_subcommand(
        "occupancy", "the groups using each room in each period of a day, per building");
    addCommonOptions(*show, *args);
    show->add_option("--day", args->day, "the day, 1-6 (Monday = 1)")
        ->required()
        ->check(CLI::Range(1, 6));
    show->callback([show, args, &status] { status = occupancy(homeFolder(*show), *args); });
}

}  // namespace zavlin::cli
