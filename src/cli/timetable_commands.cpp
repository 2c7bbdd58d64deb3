#include "cli/timetable_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "model/year.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kColumn = 24;  // characters of a day's column

// Display width: one per code point (the names are Cyrillic or Latin).
std::size_t width(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string fit(const std::string& s, std::size_t w) {
    std::string out;
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t len = 1;
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0xF0)
            len = 4;
        else if (c >= 0xE0)
            len = 3;
        else if (c >= 0xC0)
            len = 2;
        if (n == w) break;
        out.append(s, i, len);
        ++n;
        i += len;
    }
    return out + std::string(w - n, ' ');
}

struct Options {
    std::string group;
    std::string teacher;
    int week = 0;
    std::string layer = "timetable";
    int year = 0;
};

// What one lesson shows in a cell; "*" marks a substitution, "+" one that
// replaces nothing, "-" a cancellation with what it cancels.
std::vector<std::string> lessonLines(const TYr& yr, bool teacherView) {
    std::vector<std::string> lines;
    std::string mark;
    if (yr.SetZamenaYes()) mark = yr.LZm.empty() ? "+" : "*";
    if (yr.SetZamenaYes() && yr.YrokKorzina() == nullptr) {
        std::string what;
        for (const TYr* r : yr.LZm) what += (what.empty() ? "" : ",") + r->NamePredmet(false);
        lines.push_back("-отмена " + what);
        return lines;
    }
    lines.push_back(mark + yr.NamePredmet(false));
    std::string who;
    if (teacherView) {
        const TPredmet* pr = yr.Predmet();
        who = pr != nullptr && pr->Gryp() != nullptr ? pr->Gryp()->Name() : "";
    } else {
        who = yr.NameFio(false, false);
    }
    if (!yr.NameAyd().empty()) who += (who.empty() ? "" : " ") + std::string("ауд.") + yr.NameAyd();
    if (!who.empty()) lines.push_back(" " + who);
    return lines;
}

void printGrid(const std::string& title,
               const std::vector<std::vector<std::vector<std::string>>>& cells) {
    fmt::print("{}\n", title);
    std::string head = "пара |";
    for (int d = 1; d <= kDayCount; ++d) head += " " + fit(shortDayName(d), kColumn) + " |";
    fmt::print("{}\n", head);
    const std::string rule(width(head), '-');
    fmt::print("{}\n", rule);
    int last = -1;
    for (int y = 0; y < kPeriodCount; ++y)
        for (int d = 1; d <= kDayCount; ++d)
            if (!cells[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)].empty()) last = y;
    for (int y = 0; y <= last; ++y) {
        std::size_t rows = 1;
        for (int d = 1; d <= kDayCount; ++d)
            rows = std::max(rows,
                            cells[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)].size());
        for (std::size_t r = 0; r < rows; ++r) {
            std::string line = r == 0 ? fmt::format("{:>4} |", y) : "     |";
            for (int d = 1; d <= kDayCount; ++d) {
                const auto& cell = cells[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)];
                line += " " + fit(r < cell.size() ? cell[r] : "", kColumn) + " |";
            }
            fmt::print("{}\n", line);
        }
        fmt::print("{}\n", rule);
    }
    if (last < 0) fmt::print("(пар нет)\n");
}

int showTimetable(const fs::path& home, const Options& o) {
    std::error_code ec;
    if (!fs::is_directory(home / "Database", ec)) {
        printError(fmt::format("no database in {} (zavlin-cli init creates one)", home.string()));
        return kExitFailed;
    }
    if (o.week < 1 || o.week > kWeeks) {
        printError("--week must be 1-56");
        return kExitUsage;
    }
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    int god = o.year;
    if (god == 0) god = dm.FGodini.ReadInteger("God", "ActivGod", 0);
    if (god == 0) {
        printError("no active year in god.Ini: give --year");
        return kExitFailed;
    }
    if (chosenYear(dm, god) == 0) return kExitFailed;
    TAllRasp year(dm);
    year.YGod = static_cast<uint16_t>(god);
    const bool loaded = year.LoadYear();
    printUnreadableGroups(year);
    const int tip = o.layer == "pinned" ? 1 : 0;
    std::vector<std::vector<std::vector<std::string>>> cells(
        kDayCount + 1, std::vector<std::vector<std::string>>(kPeriodCount));
    std::string title;
    if (!o.group.empty()) {
        TGryp* gr = year.FindGrypForName(o.group);
        if (gr == nullptr) {
            printError(fmt::format("no group \"{}\" in {}", o.group, god));
            return kExitFailed;
        }
        if (gr->BlobUnreadable) {
            printError(fmt::format("the timetable of group {} could not be read; nothing to show",
                                   gr->Name()));
            return kExitFailed;
        }
        const TNed* week = gr->GetNed(o.week);
        title = fmt::format("Группа {}, неделя {}{}", gr->Name(), o.week,
                            tip == 1 ? ", предварительные установки" : "");
        if (week == nullptr) title += " (группа на этой неделе не учится)";
        for (int d = 1; week != nullptr && d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (const TYrok* yrok = week->GetYrok(tip, d, y))
                    for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
                        const TYr* yr = yrok->YrDpZm(i);
                        if (!yr->Held()) continue;
                        for (std::string& line : lessonLines(*yr, false))
                            cells[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)]
                                .push_back(std::move(line));
                    }
    } else {
        TFio* fio = year.FindFioForAnyName(o.teacher);
        if (fio == nullptr) {
            printError(fmt::format("no teacher \"{}\" in {}", o.teacher, god));
            return kExitFailed;
        }
        title = fmt::format("Преподаватель {}, неделя {}{}", fio->BigName(), o.week,
                            tip == 1 ? ", предварительные установки" : "");
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                std::vector<TGrypYr> lessons;
                year.GetNFioOfGryp(tip, fio->N, o.week, d, y, lessons);
                for (const TGrypYr& l : lessons)
                    for (std::string& line : lessonLines(*l.yr, true))
                        cells[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)].push_back(
                            std::move(line));
            }
    }
    printGrid(title, cells);
    fmt::print("* замена   + назначено дополнительно   - отмена\n");
    return loaded ? kExitOk : kExitFailed;
}

}  // namespace

void addTimetableCommands(CLI::App& app, int& status) {
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "timetable", "show one week of a group's or a teacher's timetable as a text grid");
    cmd->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    auto* group = cmd->add_option("--group", o->group, "the group's name");
    auto* teacher = cmd->add_option("--teacher", o->teacher, "the teacher's short or full name");
    group->excludes(teacher);
    cmd->add_option("--week", o->week, "the week, 1-56")->required();
    cmd->add_option("--layer", o->layer, "timetable (default) or pinned (preliminary settings)")
        ->check(CLI::IsMember({"timetable", "pinned"}));
    cmd->add_option("--year", o->year, "the first calendar year; default: the active one");
    cmd->callback([cmd, o, &status] {
        if (o->group.empty() && o->teacher.empty()) {
            printError("give --group NAME or --teacher NAME");
            status = kExitUsage;
            return;
        }
        status = showTimetable(homeFolder(*cmd), *o);
    });
}

}  // namespace zavlin::cli
