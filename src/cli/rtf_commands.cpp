// "export rtf": the weekly load tables of the teachers or of groups as the
// RTF document the report windows hand to the word processor.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/export_commands.h"
#include "cli/table_access.h"
#include "export/load_rtf.h"
#include "export/timetable_xml.h"
#include "model/god.h"
#include "reports/load_tables.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct RtfArgs {
    std::string load;
    std::vector<std::string> teachers;
    std::vector<std::string> groups;
    std::string weeks;
    std::string to;
    int year = 0;
};

int exportRtf(const fs::path& home, const RtfArgs& a) {
    std::vector<int> weeks;
    try {
        if (!a.weeks.empty()) weeks = parseWeekList(a.weeks);
    } catch (const UsageError& e) {
        printError(e.what());
        return kExitUsage;
    }
    const bool teachers = a.load == "teachers";
    if (teachers && !a.groups.empty()) {
        printError("--group goes with --load groups");
        return kExitUsage;
    }
    if (!teachers && !a.teachers.empty()) {
        printError("--teacher goes with --load teachers");
        return kExitUsage;
    }
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    int status = kExitFailed;
    const auto god = loadGodForVerb(home, dm, a.year, status);
    if (!god) return status;

    std::vector<reports::TLoadTable> tables;
    if (teachers) {
        if (weeks.empty()) weeks = exporting::ActiveWeeks(&god->AllNed);
        if (weeks.empty()) {
            printError("no active weeks in the year: give --weeks");
            return kExitUsage;
        }
        std::vector<const TFio*> chosen;
        for (const std::string& name : a.teachers) {
            const TFio* fio = god->FindFioForAnyName(name);
            if (fio == nullptr) {
                printError(fmt::format("no teacher \"{}\" in the year {}", name, god->YGod));
                return kExitUsage;
            }
            chosen.push_back(fio);
        }
        tables.push_back(reports::TeacherLoadTable(*god, weeks, chosen));
    } else {
        if (weeks.empty())
            for (int ne = 1; ne <= kStudyWeeks; ++ne) weeks.push_back(ne);
        std::vector<const TGryp*> chosen;
        for (const std::string& name : a.groups) {
            const TGryp* gr = god->FindGrypForName(name);
            if (gr == nullptr) {
                printError(fmt::format("no group \"{}\" in the year {}", name, god->YGod));
                return kExitUsage;
            }
            chosen.push_back(gr);
        }
        if (chosen.empty())
            for (const auto& gr : god->LGryp) chosen.push_back(gr.get());
        for (const TGryp* gr : chosen) {
            if (gr->BlobUnreadable) {
                printError(fmt::format(
                    "the timetable of group {} could not be read; its load is not known",
                    gr->Name()));
                return kExitFailed;
            }
            tables.push_back(reports::GroupSummaryTable(*god, *gr, weeks));
        }
        if (tables.empty()) {
            printError(fmt::format("the year {} has no groups", god->YGod));
            return kExitFailed;
        }
    }
    if (!exporting::SaveLoadTables(tables, a.to, dialog)) return kExitFailed;
    const std::string what =
        teachers || tables.size() == 1
            ? tables.front().Title
            : fmt::format("Сводная таблица для группы (планируемая), {} groups", tables.size());
    fmt::print("{}: {}, weeks {}\n", a.to, what, tables.front().WeeksText);
    return kExitOk;
}

}  // namespace

void addRtfExportCommands(CLI::App& exportVerb, int& status) {
    auto a = std::make_shared<RtfArgs>();
    CLI::App* rtf = exportVerb.add_subcommand(
        "rtf", "the weekly load tables of teachers or groups as an RTF document");
    rtf->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    rtf->add_option("--load", a->load,
                    "teachers (planned load per teacher) or groups (a group's summary table)")
        ->required()
        ->check(CLI::IsMember({"teachers", "groups"}));
    rtf->add_option("--teacher", a->teachers,
                    "a teacher's short or full name (repeat for more); default: every teacher "
                    "with load");
    rtf->add_option("--group", a->groups, "a group's name (repeat for more); default: every group");
    rtf->add_option("--weeks", a->weeks,
                    "weeks as A-B or 1,2,5-8; default: the active weeks (teachers), 1-52 (groups)");
    rtf->add_option("--to", a->to, "the file to write")->required();
    rtf->add_option("--year", a->year, "the first calendar year; default: the active one");
    rtf->callback([rtf, a, &status] { status = exportRtf(homeFolder(*rtf), *a); });
}

}  // namespace zavlin::cli
