// "export ical": a group's or a teacher's held lessons as a calendar file.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/export_commands.h"
#include "cli/table_access.h"
#include "export/ical.h"
#include "export/timetable_xml.h"
#include "model/god.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct IcalArgs {
    std::string group;
    std::string teacher;
    std::string weeks;
    std::string to;
    int year = 0;
};

int exportIcal(const fs::path& home, const IcalArgs& a) {
    if (a.group.empty() == a.teacher.empty()) {
        printError("give --group NAME or --teacher NAME");
        return kExitUsage;
    }
    std::vector<int> weeks;
    try {
        if (!a.weeks.empty()) weeks = parseWeekList(a.weeks);
    } catch (const UsageError& e) {
        printError(e.what());
        return kExitUsage;
    }
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    int status = kExitFailed;
    const auto god = loadGodForVerb(home, dm, a.year, status);
    if (!god) return status;
    if (weeks.empty()) weeks = exporting::ActiveWeeks(&god->AllNed);
    if (weeks.empty()) {
        printError("no active weeks in the year: give --weeks");
        return kExitUsage;
    }

    exporting::TIcalEvents events;
    std::string name;
    if (!a.group.empty()) {
        const TGryp* gr = god->FindGrypForName(a.group);
        if (gr == nullptr) {
            printError(fmt::format("no group \"{}\" in the year {}", a.group, god->YGod));
            return kExitUsage;
        }
        if (gr->BlobUnreadable) {
            printError(fmt::format("the timetable of group {} could not be read; nothing written",
                                   gr->Name()));
            return kExitFailed;
        }
        events = exporting::GroupIcalEvents(*god, *gr, weeks);
        name = "Группа " + gr->Name();
    } else {
        const TFio* fio = god->FindFioForAnyName(a.teacher);
        if (fio == nullptr) {
            printError(fmt::format("no teacher \"{}\" in the year {}", a.teacher, god->YGod));
            return kExitUsage;
        }
        events = exporting::TeacherIcalEvents(*god, *fio, weeks);
        name = "Преподаватель " + fio->TitleName();
    }
    const std::string doc = exporting::IcalDocument(events, name, exporting::IcalStampNow());
    std::string message;
    if (!exporting::SaveIcal(a.to, doc, message)) {
        printError(message);
        return kExitFailed;
    }
    fmt::print("{}: {} lessons of {}\n", a.to, events.Events.size(), name);
    if (std::any_of(weeks.begin(), weeks.end(), [](int ne) { return ne > kStudyWeeks; }))
        fmt::print(stderr, "left out: weeks {}-{} are templates without dates\n", kStudyWeeks + 1,
                   kCalendarWeeks);
    if (events.WithoutDate > 0)
        fmt::print(stderr, "left out: {} lessons in weeks without dates\n", events.WithoutDate);
    if (events.WithoutTime > 0)
        fmt::print(stderr,
                   "left out: {} lessons in periods without a start time or a length "
                   "(god.Ini, Time)\n",
                   events.WithoutTime);
    return kExitOk;
}

}  // namespace

void addIcalExportCommands(CLI::App& exportVerb, int& status) {
    auto a = std::make_shared<IcalArgs>();
    CLI::App* ical = exportVerb.add_subcommand(
        "ical", "a group's or a teacher's held lessons as an iCalendar file");
    ical->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    auto* group = ical->add_option("--group", a->group, "the group's name");
    auto* teacher = ical->add_option("--teacher", a->teacher, "the teacher's short or full name");
    group->excludes(teacher);
    ical->add_option("--weeks", a->weeks, "weeks as A-B or 1,2,5-8; default: the active weeks");
    ical->add_option("--to", a->to, "the file to write")->required();
    ical->add_option("--year", a->year, "the first calendar year; default: the active one");
    ical->callback([ical, a, &status] { status = exportIcal(homeFolder(*ical), *a); });
}

}  // namespace zavlin::cli
