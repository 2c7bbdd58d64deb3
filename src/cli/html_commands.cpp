// "export html": the timetables of groups or teachers as documents for the
// word processor, the consultations and examinations, or the linked web
// pages of both, made in the home folder's "temp" and copied into --to.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/export_commands.h"
#include "cli/table_access.h"
#include "export/document_opener.h"
#include "export/html_documents.h"
#include "model/god.h"
#include "storage/typed_arrays.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;
using namespace zavlin::exporting;

struct HtmlArgs {
    bool groups = false;
    bool teachers = false;
    bool web = false;
    bool exams = false;
    int kind = -1;
    int month = 9;
    std::string weeks;
    std::vector<std::string> groupNames;
    std::vector<std::string> teacherNames;
    std::string to;
    int year = 0;
};

// Marks the named entries (all when none is named); false with the message
// printed when a name is not in the year.
bool selectGroups(TAllRasp& year, const std::vector<std::string>& names) {
    year.SelectAllGryp(names.empty());
    for (const std::string& name : names) {
        TGryp* gr = year.FindGrypForName(name);
        if (gr == nullptr) {
            printError(fmt::format("no group \"{}\" in {}", name, year.YGod));
            return false;
        }
        gr->Select = true;
    }
    return true;
}

bool selectTeachers(TAllRasp& year, const std::vector<std::string>& names) {
    for (const auto& fio : year.LFio) fio->Select = names.empty();
    for (const std::string& name : names) {
        TFio* fio = year.FindFioForAnyName(name);
        if (fio == nullptr) {
            printError(fmt::format("no teacher \"{}\" in {}", name, year.YGod));
            return false;
        }
        fio->Select = true;
    }
    return true;
}

int exportHtml(const fs::path& home, const HtmlArgs& a) {
    if (int(a.groups) + int(a.teachers) + int(a.web) + int(a.exams) + int(a.kind >= 0) != 1) {
        printError("give one of --groups, --teachers, --exams, --web, --kind");
        return kExitUsage;
    }
    std::vector<int> weeks;
    if (!a.weeks.empty()) {
        try {
            weeks = parseWeekList(a.weeks);
        } catch (const UsageError& e) {
            printError(e.what());
            return kExitUsage;
        }
        std::sort(weeks.begin(), weeks.end());
        weeks.erase(std::unique(weeks.begin(), weeks.end()), weeks.end());
    }
    TConsoleDialog console(false);
    TDM1 dm(home, console);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    int status = kExitFailed;
    const auto god = loadGodForVerb(home, dm, a.year, status);
    if (!god) return status;
    if (!selectGroups(*god, a.groupNames) || !selectTeachers(*god, a.teacherNames))
        return kExitFailed;

    // The hub's messages are the verb's: errors on stderr, the last one
    // (the end of the copy) on stdout with the files.
    TScriptedDialog dialog(false);
    TRecordingOpener opener;
    THtmlExportHub hub(*god, home, dialog, opener);
    hub.StartWord = false;
    if (!a.weeks.empty()) hub.Weeks = weeks;
    TArrayOfPointByte wd;
    for (const int ne : hub.Weeks)
        for (int d = 1; d <= kDayCount; ++d)
            wd.AddPoint(static_cast<uint8_t>(ne), static_cast<uint8_t>(d));

    std::vector<fs::path> copied;
    bool ok = false;
    if (a.web) {
        ok = hub.ExportWeb(a.to, true, true, &copied);
    } else {
        std::vector<std::string> made;
        auto one = [&](bool done) {
            if (done) made.insert(made.end(), hub.Fil.begin(), hub.Fil.end());
            return done;
        };
        if (a.groups) ok = one(hub.CreateWordGryp(wd));
        if (a.teachers) ok = one(hub.CreateWordFio(wd));
        if (a.exams) ok = one(hub.CreateWordEkzamen1(wd)) && one(hub.CreateWordEkzamen2(wd));
        if (a.kind >= 0) {
            // Every room, the periods of the whole day, the weeks' span.
            for (const auto& ayd : god->LAyd) ayd->Select = true;
            TWordRequest request;
            request.WD = &wd;
            request.me = a.month;
            if (!hub.Weeks.empty()) {
                request.N1 = hub.Weeks.front();
                request.N2 = hub.Weeks.back();
            }
            ok = one(hub.CreateWordOfKind(a.kind, request));
            // The hub says nothing of a kind it does not make.
            if (!ok && hub.Fil.empty() && dialog.shown.empty()) {
                printError(fmt::format("no document of kind {}", a.kind));
                return kExitFailed;
            }
        }
        hub.Fil = made;
        // "Создан файл" names the file in "temp"; the copy is what counts here.
        dialog.shown.clear();
        ok = ok && hub.CopyToFolder(a.to, &copied);
    }
    for (const fs::path& f : copied) fmt::print("{}\n", f.string());
    if (!ok) {
        for (const std::string& m : dialog.shown) printError(m);
        return kExitFailed;
    }
    for (const std::string& m : dialog.shown) fmt::print("{}\n", m);
    return kExitOk;
}

}  // namespace

void addHtmlExportCommands(CLI::App& exportVerb, int& status) {
    auto a = std::make_shared<HtmlArgs>();
    CLI::App* cmd = exportVerb.add_subcommand(
        "html", "timetables, examinations or the web site as HTML pages (Windows-1251)");
    cmd->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    cmd->add_flag("--groups", a->groups, "the selected groups' timetables in one document");
    cmd->add_flag("--teachers", a->teachers, "the selected teachers' timetables in one document");
    cmd->add_flag("--exams", a->exams,
                  "consultations and examinations of the groups and of the teachers");
    cmd->add_option("--kind", a->kind,
                    "a document of the word-processor window by its kind (0-91)");
    cmd->add_option("--month", a->month, "the month (1-12) of the statements of --kind 2, 3")
        ->check(CLI::Range(1, 12));
    cmd->add_flag("--web", a->web, "the linked pages of groups and teachers with both indexes");
    cmd->add_option("--weeks", a->weeks, "weeks, e.g. 5-8 or 53,54; default: the active ones");
    cmd->add_option("--group", a->groupNames, "a group to include (repeatable); default: all");
    cmd->add_option("--teacher", a->teacherNames,
                    "a teacher to include, short or full name (repeatable); default: all");
    cmd->add_option("--to", a->to, "the folder the files are copied into")->required();
    cmd->add_option("--year", a->year, "the first calendar year; default: the active one");
    cmd->callback([cmd, a, &status] { status = exportHtml(homeFolder(*cmd), *a); });
}

}  // namespace zavlin::cli
