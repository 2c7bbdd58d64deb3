#include "reports/load_tables.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

#include "model/group.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin::reports {

namespace {

std::string countText(int n) {
    return n != 0 ? std::to_string(n) : std::string();
}

std::string teacherName(const TFio& fio) {
    return fio.TitleName();
}

// One row's week figures, the row's total and hours after them.
void fillFigures(TDGrid& g, int row, int firstCol, const std::vector<int>& figures) {
    int total = 0;
    for (std::size_t i = 0; i < figures.size(); ++i) {
        g.SetCells(firstCol + static_cast<int>(i), row, countText(figures[i]));
        total += figures[i];
    }
    const int after = firstCol + static_cast<int>(figures.size());
    g.SetCells(after, row, countText(total));
    g.SetCells(after + 1, row, countText(total * kHoursPerPair));
}

std::vector<int> validWeeks(std::vector<int> weeks, int last) {
    std::sort(weeks.begin(), weeks.end());
    weeks.erase(std::unique(weeks.begin(), weeks.end()), weeks.end());
    std::erase_if(weeks, [last](int ne) { return ne < 1 || ne > last; });
    return weeks;
}

// The teacher's pairs of one (group, subject) line per chosen week.
struct TeacherLine {
    const TGryp* gr = nullptr;
    const TPredmet* pr = nullptr;
    std::vector<int> pairs;
};

}  // namespace

int TeacherPairs(const TPredmet& pr, int ne, const TFio& fio) {
    if (ne < 1 || ne > kWeeks) return 0;
    int pairs = 0;
    for (const auto& fp : pr.GetLFio(ne))
        if (fp->Fio() == &fio) pairs += pr.CountPredmetNe(kSetkaPlan, ne, fp.get());
    return pairs;
}

std::string WeeksShownText(const std::vector<int>& weeksIn) {
    const std::vector<int> weeks = validWeeks(weeksIn, kWeeks);
    std::string text;
    for (std::size_t i = 0; i < weeks.size();) {
        std::size_t j = i;
        while (j + 1 < weeks.size() && weeks[j + 1] == weeks[j] + 1) ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(weeks[i]);
        if (j > i) {
            text += '-';
            text += std::to_string(weeks[j]);
        }
        i = j + 1;
    }
    return text;
}

TLoadTable TeacherLoadTable(const TAllRasp& year, const std::vector<int>& weeksIn,
                            const std::vector<const TFio*>& teachers) {
    const std::vector<int> weeks = validWeeks(weeksIn, kWeeks);
    const int n = static_cast<int>(weeks.size());
    constexpr int kFirstWeekCol = 3;

    TLoadTable table;
    table.Title = "Планируемая нагрузка преподавателя";
    table.WeeksText = WeeksShownText(weeks);
    TDGrid& g = table.Grid;
    g.SetSize(kFirstWeekCol + n + 2, 1);
    g.FixedRows = 1;
    g.FixedCols = kFirstWeekCol;
    g.SetCells(0, 0, "Преподаватель");
    g.SetCells(1, 0, "Группа");
    g.SetCells(2, 0, "Предмет");
    for (int i = 0; i < n; ++i) {
        g.SetCells(kFirstWeekCol + i, 0, year.AllNed.GetNumberWeek(weeks[i]));
        g.FHVert[static_cast<std::size_t>(kFirstWeekCol + i)] = 1;
    }
    g.SetCells(kFirstWeekCol + n, 0, "пары");
    g.SetCells(kFirstWeekCol + n + 1, 0, "часы");
    if (n > 0) g.AddHeadrs(kFirstWeekCol, kFirstWeekCol + n - 1, 0, 1, "Недели");
    g.AddHeadrs(kFirstWeekCol + n, kFirstWeekCol + n + 1, 0, 1, "Итого");

    std::vector<const TFio*> chosen;
    for (const TFio* fio : teachers)
        if (fio != nullptr && std::find(chosen.begin(), chosen.end(), fio) == chosen.end())
            chosen.push_back(fio);
    const bool all = chosen.empty();
    if (all)
        for (const auto& fio : year.LFio) chosen.push_back(fio.get());

    // One pass over the year's assignments of the weeks, filed by teacher:
    // a table of every teacher of a large college stays linear.
    struct TeacherLoad {
        std::vector<TeacherLine> lines;
        std::vector<int> totals;
        // Lessons of a union are given once for all its groups: per week,
        // each union's largest member.
        std::map<std::pair<int, const TOb*>, int> unions;
    };
    std::unordered_map<const TFio*, TeacherLoad> load;
    for (const TFio* fio : chosen) load[fio].totals.assign(static_cast<std::size_t>(n), 0);
    for (const auto& gr : year.LGryp)
        for (const auto& pr : gr->LPredmet)
            for (int i = 0; i < n; ++i)
                for (const auto& fp : pr->GetLFio(weeks[i])) {
                    const auto it = load.find(fp->Fio());
                    if (it == load.end()) continue;
                    const int pairs = pr->CountPredmetNe(kSetkaPlan, weeks[i], fp.get());
                    if (pairs == 0) continue;
                    TeacherLoad& t = it->second;
                    if (t.lines.empty() || t.lines.back().pr != pr.get())
                        t.lines.push_back(
                            {gr.get(), pr.get(), std::vector<int>(static_cast<std::size_t>(n))});
                    t.lines.back().pairs[static_cast<std::size_t>(i)] += pairs;
                    if (fp->Ob == nullptr) {
                        t.totals[static_cast<std::size_t>(i)] += pairs;
                    } else {
                        int& most = t.unions[{i, fp->Ob}];
                        most = std::max(most, pairs);
                    }
                }

    for (const TFio* fio : chosen) {
        TeacherLoad& t = load[fio];
        if (all && t.lines.empty()) continue;
        for (const auto& [key, pairs] : t.unions)
            t.totals[static_cast<std::size_t>(key.first)] += pairs;
        const int head = g.AddRow();
        g.SetCells(0, head, teacherName(*fio));
        fillFigures(g, head, kFirstWeekCol, t.totals);
        for (const TeacherLine& line : t.lines) {
            const int row = g.AddRow();
            g.SetCells(1, row, line.gr->Name());
            g.SetCells(2, row, line.pr->Name());
            fillFigures(g, row, kFirstWeekCol, line.pairs);
        }
    }
    return table;
}

TLoadTable GroupSummaryTable(const TAllRasp& year, const TGryp& gr,
                             const std::vector<int>& weeksIn) {
    const std::vector<int> weeks = validWeeks(weeksIn, kStudyWeeks);
    constexpr int kFirstWeekCol = 3;

    // The columns: each semester's weeks, then its total (-semester).
    std::vector<int> cols;
    std::vector<std::pair<int, int>> semesters;  // first and last column
    for (int semm = 1; semm <= 2; ++semm) {
        int n1 = 0, n2 = 0;
        gr.NedStartEnd(semm, n1, n2);
        const int start = kFirstWeekCol + static_cast<int>(cols.size());
        for (int ne : weeks)
            if (ne >= n1 && ne <= n2) cols.push_back(ne);
        if (kFirstWeekCol + static_cast<int>(cols.size()) == start) continue;
        cols.push_back(-semm);
        semesters.emplace_back(start, kFirstWeekCol + static_cast<int>(cols.size()) - 1);
    }
    const int n = static_cast<int>(cols.size());

    TLoadTable table;
    table.Title = "Сводная таблица для группы (планируемая) : " + gr.Name();
    table.WeeksText = WeeksShownText(weeks);
    TDGrid& g = table.Grid;
    g.SetSize(kFirstWeekCol + n + 2, 1);
    g.FixedRows = 1;
    g.FixedCols = kFirstWeekCol;
    g.SetCells(0, 0, "N");
    g.SetCells(1, 0, "Предмет");
    g.SetCells(2, 0, "Преподаватели");
    for (int i = 0; i < n; ++i) {
        const int ne = cols[static_cast<std::size_t>(i)];
        g.SetCells(kFirstWeekCol + i, 0, ne > 0 ? year.AllNed.GetNumberWeek(ne) : "Итого");
        g.FHVert[static_cast<std::size_t>(kFirstWeekCol + i)] = 1;
    }
    g.SetCells(kFirstWeekCol + n, 0, "пары");
    g.SetCells(kFirstWeekCol + n + 1, 0, "часы");
    if (n > 0) g.AddHeadrs(kFirstWeekCol, kFirstWeekCol + n - 1, 0, 1, "Недели");
    for (const auto& [first, last] : semesters) {
        const int semm = -cols[static_cast<std::size_t>(last - kFirstWeekCol)];
        g.AddHeadrs(first, last, 1, 2, std::to_string(semm) + " семестр");
    }
    g.AddHeadrs(kFirstWeekCol + n, kFirstWeekCol + n + 1, 0, 1, "Итого за год");

    // Figures per column; a semester's column sums its weeks. The year's
    // total is of the weeks only.
    const auto rowFigures = [&](auto pairsOf) {
        std::vector<int> figures(static_cast<std::size_t>(n), 0);
        int semester = 0;
        int year = 0;
        for (int i = 0; i < n; ++i) {
            const int ne = cols[static_cast<std::size_t>(i)];
            if (ne > 0) {
                figures[static_cast<std::size_t>(i)] = pairsOf(ne);
                semester += figures[static_cast<std::size_t>(i)];
            } else {
                figures[static_cast<std::size_t>(i)] = semester;
                year += semester;
                semester = 0;
            }
        }
        return std::make_pair(figures, year);
    };
    const auto put = [&](int row, const std::pair<std::vector<int>, int>& f) {
        for (int i = 0; i < n; ++i)
            g.SetCells(kFirstWeekCol + i, row, countText(f.first[static_cast<std::size_t>(i)]));
        g.SetCells(kFirstWeekCol + n, row, countText(f.second));
        g.SetCells(kFirstWeekCol + n + 1, row, countText(f.second * kHoursPerPair));
    };

    for (const auto& pr : gr.LPredmet) {
        const int row = g.AddRow();
        g.SetCells(0, row, std::to_string(pr->Dan.N));
        g.SetCells(1, row, pr->Name());
        // One teacher a line.
        std::string fios = pr->NameAllFio();
        std::replace(fios.begin(), fios.end(), ',', ';');
        g.SetCells(2, row, fios);
        put(row, rowFigures([&](int ne) { return pr->CountPredmetNe(kSetkaPlan, ne); }));
    }
    const int total = g.AddRow();
    g.SetCells(1, total, "Итого пары в неделю");
    put(total, rowFigures([&](int ne) {
            int sum = 0;
            for (const auto& pr : gr.LPredmet) sum += pr->CountPredmetNe(kSetkaPlan, ne);
            return sum;
        }));
    return table;
}

}  // namespace zavlin::reports
