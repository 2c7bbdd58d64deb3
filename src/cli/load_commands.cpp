#include "cli/load_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "cli/text_columns.h"
#include "entry/load_ops.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/year.h"
#include "model/year_range.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct LoadArgs {
    std::string group;
    std::string subject;
    std::string weeks;
    int pairs = 0;
    int god = 0;
    bool json = false;
};

struct WeekRange {
    int first = 0;
    int last = 0;
};

// "A-B" or "A", 1 <= A <= B <= 56.
WeekRange parseWeekRange(const std::string& text) {
    const auto bad = [&] {
        return UsageError(fmt::format("--weeks {}: give A-B (or one week A) with 1 <= A <= B <= 56",
                                      text.empty() ? "\"\"" : text));
    };
    const auto number = [&](const std::string& part) {
        if (part.empty() || part.size() > 2 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            throw bad();
        return std::stoi(part);
    };
    const std::size_t dash = text.find('-');
    WeekRange range;
    range.first = number(text.substr(0, dash));
    range.last = dash == std::string::npos ? range.first : number(text.substr(dash + 1));
    if (range.first < 1 || range.last > kWeeks || range.first > range.last) throw bad();
    return range;
}

// The group of the verb, readable; null with the message printed and the
// exit status in status.
TGryp* verbGroup(TAllRasp& year, const std::string& name, int& status) {
    TGryp* gr = year.FindGrypForName(name);
    if (gr == nullptr) {
        printError(fmt::format("no group \"{}\" in the year {}", name, year.YGod));
        status = kExitUsage;
        return nullptr;
    }
    if (gr->BlobUnreadable) {
        printError(
            fmt::format("the timetable of group {} could not be read; its load is left as "
                        "stored",
                        gr->Name()));
        status = kExitFailed;
        return nullptr;
    }
    return gr;
}

// By short or full name, else by the number "load show" prints.
TPredmet* verbSubject(const TGryp& gr, const std::string& name, int& status) {
    std::vector<TPredmet*> found;
    for (const auto& pr : gr.LPredmet)
        if (pr->Name() == name || (pr->YrName() != nullptr && pr->YrName()->BigName() == name))
            found.push_back(pr.get());
    if (found.empty() && !name.empty() && name.size() <= 3 &&
        std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        if (TPredmet* pr = gr.FindPredmet(std::stoi(name))) found.push_back(pr);
    if (found.size() == 1) return found.front();
    status = kExitUsage;
    if (found.empty()) {
        printError(
            fmt::format("group {} has no subject \"{}\" (zavlin-cli load show --group {} "
                        "lists them)",
                        gr.Name(), name, gr.Name()));
        return nullptr;
    }
    std::string numbers;
    for (const TPredmet* pr : found)
        numbers += (numbers.empty() ? "" : ", ") + std::to_string(pr->Dan.N);
    printError(fmt::format("group {} has several subjects \"{}\": give its number ({})", gr.Name(),
                           name, numbers));
    return nullptr;
}

// Lessons of the subject's regular load placed in a layer of those weeks.
int placedLessons(const TPredmet& pr, const std::vector<int>& weeks, int tip) {
    int count = 0;
    for (int ne : weeks) {
        std::vector<TYr*> lessons;
        pr.GetLPg(tip, kSetkaPlan, ne, lessons);
        count += static_cast<int>(lessons.size());
    }
    return count;
}

std::string studyWeeksText(int j) {
    return fmt::format("{} study week{}", j, j == 1 ? "" : "s");
}

int setLoad(const fs::path& home, const LoadArgs& args) {
    const WeekRange range = parseWeekRange(args.weeks);
    if (args.pairs < 0) {
        printError(fmt::format("--pairs {}: the number of pairs cannot be negative", args.pairs));
        return kExitUsage;
    }
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Exclusive);
    if (!held) return kExitFailed;
    TAllRasp year(dm);
    if (const int failed = loadYearForVerb(home, dm, year, args.god); failed >= 0) return failed;

    int status = kExitOk;
    TGryp* gr = verbGroup(year, args.group, status);
    if (gr == nullptr) return status;
    TPredmet* pr = verbSubject(*gr, args.subject, status);
    if (pr == nullptr) return status;
    const std::vector<int> weeks = entry::StudyWeeksIn(*gr, range.first, range.last);
    if (weeks.empty()) {
        printError(fmt::format("group {} does not study in weeks {}-{}; nothing changed",
                               gr->Name(), range.first, range.last));
        return kExitFailed;
    }
    const int j = static_cast<int>(weeks.size());
    if (args.pairs > entry::kMaxPairsPerWeek * j) {
        printError(fmt::format("--pairs {}: at most {} pairs a week, {} over {}", args.pairs,
                               entry::kMaxPairsPerWeek, entry::kMaxPairsPerWeek * j,
                               studyWeeksText(j)));
        return kExitUsage;
    }

    const std::vector<int> wanted =
        entry::DistributePairs(args.pairs, weeks, entry::OddDistanceFirst(*gr, weeks));
    const int placed = placedLessons(*pr, weeks, 0);
    const int pinned = placedLessons(*pr, weeks, 1);
    (void)entry::SetPairsInWeeks(*gr, {pr}, range.first, range.last, args.pairs);
    std::string line;
    for (std::size_t i = 0; i < weeks.size(); ++i) {
        const int have = pr->CountPredmetNe(kSetkaPlan, weeks[i]);
        if (have != wanted[i]) {
            // Nothing is saved: the stored year keeps its old load.
            printError(
                fmt::format("week {} of group {} could not take {} pairs of {}; nothing "
                            "saved",
                            weeks[i], gr->Name(), wanted[i], pr->Name()));
            return kExitFailed;
        }
        line += fmt::format("{}{}={}", line.empty() ? "" : " ", weeks[i], have);
    }
    if (!year.SaveRasp()) {
        printError("the group's timetable could not be written");
        return kExitFailed;
    }
    fmt::print("{}, {}: {} pairs over {} of {}-{}, saved\n", gr->Name(), pr->Name(), args.pairs,
               studyWeeksText(j), range.first, range.last);
    fmt::print("week=pairs: {}\n", line);
    // Lowering the load takes lessons out of the timetable: say how many.
    const int placedGone = placed - placedLessons(*pr, weeks, 0);
    const int pinnedGone = pinned - placedLessons(*pr, weeks, 1);
    if (placedGone > 0 || pinnedGone > 0)
        fmt::print(
            "taken out beyond the new counts: {} lessons of the timetable, {} of the "
            "preliminary settings\n",
            placedGone, pinnedGone);
    return kExitOk;
}

std::string weekCell(const TGryp& gr, int ne, int value) {
    return value == 0 && !gr.TestNed(ne) ? "." : std::to_string(value);
}

void printLoadText(const TAllRasp& year, const TGryp& gr) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> head{"N", "Предмет"};
    for (int ne = 1; ne <= kWeeks; ++ne) head.push_back(std::to_string(ne));
    head.push_back("Итого");
    rows.push_back(std::move(head));
    std::vector<std::string> days{"", "Учебная неделя"};
    std::vector<std::string> totals{"", "Итого пары в неделю"};
    int all = 0;
    for (int ne = 1; ne <= kWeeks; ++ne) {
        days.push_back(gr.TestNed(ne) ? std::to_string(gr.CountRunDey(ne)) : ".");
        const int total = entry::WeekPairTotal(gr, ne);
        totals.push_back(weekCell(gr, ne, total));
        all += total;
    }
    days.emplace_back();
    totals.push_back(std::to_string(all));
    rows.push_back(std::move(days));
    rows.push_back(std::move(totals));
    for (const auto& pr : gr.LPredmet) {
        std::vector<std::string> row{std::to_string(pr->Dan.N), pr->Name()};
        for (int ne = 1; ne <= kWeeks; ++ne)
            row.push_back(weekCell(gr, ne, pr->CountPredmetNe(kSetkaPlan, ne)));
        row.push_back(std::to_string(pr->CountPredmetAllForSetka(kSetkaPlan)));
        rows.push_back(std::move(row));
    }
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], textWidth(row[c]));

    fmt::print("Группа {}, {}/{:02}: пары сетки по неделям ('.': группа не учится)\n", gr.Name(),
               year.YGod, (year.YGod + 1) % 100);
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string& cell = row[c];
            const std::size_t pad = widths[c] - std::min(widths[c], textWidth(cell));
            // The name column reads left to right, the numbers line up right.
            line += c == 1 ? padRight(cell, widths[c]) + " " : std::string(pad, ' ') + cell + " ";
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        fmt::print("{}\n", line);
    }
    if (gr.LPredmet.empty()) fmt::print("(предметов нет)\n");
}

void printLoadJson(const TAllRasp& year, const TGryp& gr) {
    using Json = nlohmann::ordered_json;
    Json doc;
    doc["year"] = year.YGod;
    doc["group"] = gr.Name();
    Json weeks = Json::array();
    for (int ne = 1; ne <= kWeeks; ++ne)
        weeks.push_back({{"week", ne},
                         {"study", gr.TestNed(ne)},
                         {"study_days", gr.TestNed(ne) ? gr.CountRunDey(ne) : 0},
                         {"pairs", entry::WeekPairTotal(gr, ne)}});
    doc["weeks"] = std::move(weeks);
    Json subjects = Json::array();
    for (const auto& pr : gr.LPredmet) {
        Json pairs = Json::array();
        for (int ne = 1; ne <= kWeeks; ++ne) pairs.push_back(pr->CountPredmetNe(kSetkaPlan, ne));
        subjects.push_back({{"n", pr->Dan.N},
                            {"name", pr->Name()},
                            {"pairs", std::move(pairs)},
                            {"total", pr->CountPredmetAllForSetka(kSetkaPlan)}});
    }
    doc["subjects"] = std::move(subjects);
    fmt::print("{}\n", doc.dump(2));
}

int showLoad(const fs::path& home, const LoadArgs& args) {
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    TAllRasp year(dm);
    if (const int failed = loadYearForVerb(home, dm, year, args.god); failed >= 0) return failed;
    int status = kExitOk;
    const TGryp* gr = verbGroup(year, args.group, status);
    if (gr == nullptr) return status;
    if (args.json)
        printLoadJson(year, *gr);
    else
        printLoadText(year, *gr);
    return kExitOk;
}

void addYearOptions(CLI::App& verb, LoadArgs& args) {
    verb.add_option("--group", args.group, "the group's name")->required();
    verb.add_option("--year", args.god, "the first calendar year, e.g. 2016 for 2016/17")
        ->check(CLI::Range(kFirstGod, kLastGod));
    verb.add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
}

}  // namespace

void addLoadCommands(CLI::App& app, int& status) {
    CLI::App* load = app.add_subcommand("load", "a group's regular pairs week by week");
    load->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    load->require_subcommand(1);
    auto args = std::make_shared<LoadArgs>();

    CLI::App* set = load->add_subcommand(
        "set", "spread a subject's pairs over the study weeks of a range and save the year");
    addYearOptions(*set, *args);
    set->add_option("--subject", args->subject, "the subject's name or number in the group")
        ->required();
    set->add_option("--weeks", args->weeks, "the weeks A-B (or one week), 1-56")->required();
    set->add_option("--pairs", args->pairs, "the pairs over all the study weeks of the range")
        ->required();
    set->callback([set, args, &status] {
        try {
            status = setLoad(homeFolder(*set), *args);
        } catch (const UsageError& e) {
            printError(e.what());
            status = kExitUsage;
        }
    });

    CLI::App* show =
        load->add_subcommand("show", "the regular pairs of every subject of a group per week");
    addYearOptions(*show, *args);
    show->add_flag("--json", args->json, "one JSON document instead of the table");
    show->callback([show, args, &status] { status = showLoad(homeFolder(*show), *args); });
}

}  // namespace zavlin::cli
