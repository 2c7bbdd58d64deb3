#include "cli/hours_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/my_dialog.h"
#include "base/text.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "cli/text_columns.h"
#include "export/hours_xml.h"
#include "model/god.h"
#include "reports/hours.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct HoursArgs {
    std::string group;
    std::string teacher;
    std::string subject;
    std::string from;
    std::string to;
    std::string mode = "grid";
    std::string xml;
    bool pairsOnly = false;
    bool shortView = false;
    int year = 0;
};

// "dd.mm.yyyy", "d/m/yyyy" or "yyyy-mm-dd"; false for anything else.
bool parseDate(const std::string& text, int32_t& date) {
    std::vector<int> parts;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    char sep = 0;
    while (p < end) {
        int v = 0;
        const auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || next == p) return false;
        parts.push_back(v);
        p = next;
        if (p == end) break;
        if (sep == 0) sep = *p;
        if (*p != sep || (sep != '.' && sep != '/' && sep != '-')) return false;
        ++p;
    }
    if (parts.size() != 3) return false;
    if (sep == '-') return tryEncodeDate(parts[0], parts[1], parts[2], date);
    return tryEncodeDate(parts[2], parts[1], parts[0], date);
}

// One line of the table, without the blanks after its last column.
void printLine(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    fmt::print("{}\n", line);
}

std::vector<std::string> headLines(const std::string& head) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = head.find(';', start);
        lines.push_back(
            head.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return lines;
}

void printTable(const reports::TAccountTable& t) {
    const std::size_t columns = t.heads.size();
    std::vector<std::vector<std::string>> heads;
    std::size_t headHeight = 0;
    for (const std::string& h : t.heads) {
        heads.push_back(headLines(h));
        headHeight = std::max(headHeight, heads.back().size());
    }
    std::vector<std::size_t> w(columns, 1);
    const auto fitAll = [&](const reports::TAccountRow& r) {
        for (std::size_t c = 0; c < columns && c < r.cells.size(); ++c)
            w[c] = std::max(w[c], textWidth(r.cells[c].text));
    };
    for (std::size_t c = 0; c < columns; ++c)
        for (const std::string& l : heads[c]) w[c] = std::max(w[c], textWidth(l));
    for (const auto& r : t.rows) fitAll(r);
    fitAll(t.total);
    // A heading group spans its columns; widen the last one when it is longer.
    for (const auto& g : t.headGroups) {
        std::size_t span = 0;
        for (int c = g.firstColumn; c < g.firstColumn + g.columnCount; ++c)
            span += w[static_cast<std::size_t>(c)] + 3;
        if (span - 3 < textWidth(g.text))
            w[static_cast<std::size_t>(g.firstColumn + g.columnCount - 1)] +=
                textWidth(g.text) - (span - 3);
    }
    std::string groups;
    for (std::size_t c = 0; c < columns;) {
        const auto* g = static_cast<const reports::TAccountHeadGroup*>(nullptr);
        for (const auto& hg : t.headGroups)
            if (hg.firstColumn == static_cast<int>(c)) g = &hg;
        if (g == nullptr) {
            groups += std::string(w[c], ' ') + " | ";
            ++c;
            continue;
        }
        std::size_t span = 0;
        for (int k = 0; k < g->columnCount; ++k) span += w[c + static_cast<std::size_t>(k)] + 3;
        groups += padRight(g->text, span - 3) + " | ";
        c += static_cast<std::size_t>(g->columnCount);
    }
    printLine(groups);
    for (std::size_t line = 0; line < headHeight; ++line) {
        std::string out;
        for (std::size_t c = 0; c < columns; ++c)
            out += padRight(line < heads[c].size() ? heads[c][line] : "", w[c]) + " | ";
        printLine(out);
    }
    std::size_t total = 0;
    for (std::size_t v : w) total += v + 3;
    const std::string rule(total, '-');
    fmt::print("{}\n", rule);
    const auto printRow = [&](const reports::TAccountRow& r) {
        std::string out;
        for (std::size_t c = 0; c < columns; ++c) {
            const std::string& s = c < r.cells.size() ? r.cells[c].text : std::string();
            out += (c == 1 ? padRight(s, w[c]) : padLeft(s, w[c])) + " | ";
        }
        printLine(out);
    };
    for (const auto& r : t.rows) printRow(r);
    fmt::print("{}\n", rule);
    printRow(t.total);
}

int showHours(const fs::path& home, const HoursArgs& a) {
    reports::TAccountOptions o;
    o.mode = a.mode == "additional" ? reports::THoursMode::Additional : reports::THoursMode::Grid;
    o.pairsOnly = a.pairsOnly;
    o.shortView = a.shortView;
    if (!a.to.empty() && !parseDate(a.to, o.toDate)) {
        printError("--to: \"" + a.to + "\" is no date (dd.mm.yyyy)");
        return kExitUsage;
    }
    if (!a.from.empty() && !parseDate(a.from, o.fromDate)) {
        printError("--from: \"" + a.from + "\" is no date (dd.mm.yyyy)");
        return kExitUsage;
    }
    if (o.fromDate != 0 && o.toDate != 0 && o.fromDate > o.toDate) {
        printError("--from is after --to");
        return kExitUsage;
    }
    std::error_code ec;
    if (!fs::is_directory(home / "Database", ec)) {
        printError(fmt::format("no database in {} (zavlin-cli init creates one)", home.string()));
        return kExitFailed;
    }
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    int status = kExitFailed;
    const auto god = loadGodForVerb(home, dm, a.year, status);
    if (!god) return status;

    reports::TAccountTable table;
    std::string title;
    const TFio* fio = nullptr;
    if (!a.group.empty()) {
        const TGryp* gr = god->FindGrypForName(a.group);
        if (gr == nullptr) {
            printError(fmt::format("no group \"{}\" in {}", a.group, god->Name()));
            return kExitFailed;
        }
        title = "Вычитка по группе " + gr->Name();
        table = reports::accountByGroup(*god, *gr, o);
    } else if (!a.teacher.empty()) {
        fio = god->FindFioForAnyName(a.teacher);
        if (fio == nullptr) {
            printError(fmt::format("no teacher \"{}\" in {}", a.teacher, god->Name()));
            return kExitFailed;
        }
        title = "Вычитка преподавателя " + fio->TitleName();
        table = reports::accountByTeacher(*god, *fio, o);
    } else {
        const TYrName* name = god->FindYrNameForName(a.subject);
        if (name == nullptr) name = god->FindYrNameForLongName(a.subject);
        if (name == nullptr) {
            printError(fmt::format("no subject \"{}\" in {}", a.subject, god->Name()));
            return kExitFailed;
        }
        title = "Вычитка по предмету " + name->Name();
        table = reports::accountBySubjectName(*god, *name, o);
    }
    fmt::print("{}, {}\n", title,
               o.mode == reports::THoursMode::Grid ? "Сетка" : "Допол-но вне сетки");
    fmt::print("Вычитка до  даты: неделя {}, день {}\n", table.toNe, table.toDe);
    printTable(table);
    if (!a.xml.empty()) {
        // The command line asks nothing: an existing file is refused.
        TScriptedDialog never(false);
        std::string message;
        if (!exporting::SaveTeacherHoursXml(a.xml, *god, *fio, o, never, message)) {
            printError(message.empty() ? "the file " + a.xml + " exists; remove it first"
                                       : message);
            return kExitFailed;
        }
        fmt::print("Файл: {}\n", a.xml);
    }
    return kExitOk;
}

}  // namespace

void addHoursCommands(CLI::App& app, int& status) {
    auto a = std::make_shared<HoursArgs>();
    CLI::App* cmd = app.add_subcommand(
        "hours", "the lessons planned, placed and delivered for a group, a teacher or a subject");
    cmd->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    auto* group = cmd->add_option("--group", a->group, "the group's name");
    auto* teacher = cmd->add_option("--teacher", a->teacher, "the teacher's short or full name");
    auto* subject = cmd->add_option("--subject", a->subject, "the subject's short or full name");
    group->excludes(teacher)->excludes(subject);
    teacher->excludes(subject);
    cmd->add_option("--from", a->from, "count delivered lessons from this date (dd.mm.yyyy)");
    cmd->add_option("--to", a->to, "count delivered lessons up to this date (dd.mm.yyyy)");
    cmd->add_flag("--pairs-only", a->pairsOnly, "lessons only, without the hours");
    cmd->add_option("--mode", a->mode, "grid (plan and substitutions) or additional")
        ->check(CLI::IsMember({"grid", "additional"}));
    cmd->add_flag("--short", a->shortView, "the short view: plan and delivered per semester");
    cmd->add_option("--xml", a->xml, "with --teacher: also write the accounting to this file")
        ->needs(teacher);
    cmd->add_option("--year", a->year, "the first calendar year; default: the active one");
    cmd->callback([cmd, a, &status] {
        if (a->group.empty() && a->teacher.empty() && a->subject.empty()) {
            printError("give --group NAME, --teacher NAME or --subject NAME");
            status = kExitUsage;
            return;
        }
        status = showHours(homeFolder(*cmd), *a);
    });
}

}  // namespace zavlin::cli
