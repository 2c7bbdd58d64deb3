#include "reports/subject_plan_table.h"

#include <algorithm>
#include <string>
#include <vector>

#include "model/group.h"
#include "model/subject_name.h"
#include "model/year.h"

namespace zavlin::reports {

namespace {

constexpr int kFirstFigureCol = 3;

std::string countText(int n) {
    return n != 0 ? std::to_string(n) : std::string();
}

void putFigures(TDGrid& g, int row, const TSubjectPlan& f) {
    int col = kFirstFigureCol;
    for (int s = 0; s < 2; ++s) {
        g.SetCells(col++, row, countText(f.plan[s]));
        g.SetCells(col++, row, countText(f.load[s]));
    }
    g.SetCells(col++, row, countText(f.plan[0] + f.plan[1]));
    g.SetCells(col, row, countText(f.load[0] + f.load[1]));
}

}  // namespace

TSubjectPlan SubjectPlan(const TPredmet& pr) {
    TSubjectPlan f;
    f.plan[0] = pr.Dan.Sem1;
    f.plan[1] = pr.Dan.Sem2;
    const TGryp* gr = pr.Gryp();
    if (gr == nullptr) return f;
    for (int semm = 1; semm <= 2; ++semm) {
        int n1 = 0, n2 = 0;
        gr->NedStartEnd(semm, n1, n2);
        // The additional weeks are no semester's.
        n1 = std::max(n1, 1);
        n2 = std::min(n2, kStudyWeeks);
        for (int ne = n1; ne <= n2; ++ne) f.load[semm - 1] += pr.CountPredmetNe(kSetkaPlan, ne);
    }
    return f;
}

TLoadTable SubjectInGroupsTable(const TAllRasp& year, const TYrName& name) {
    TLoadTable table;
    table.Title = "Предмет в группах  по плану : " + name.Name();
    std::vector<int> weeks;
    for (int ne = 1; ne <= kStudyWeeks; ++ne) weeks.push_back(ne);
    table.WeeksText = WeeksShownText(weeks);

    TDGrid& g = table.Grid;
    g.SetSize(kFirstFigureCol + 6, 1);
    g.FixedRows = 1;
    g.FixedCols = kFirstFigureCol;
    g.SetCells(0, 0, "N");
    g.SetCells(1, 0, "Группа");
    g.SetCells(2, 0, "Преподаватели");
    const char* const kTitles[] = {"1 семестр", "2 семестр", "За год"};
    for (int i = 0; i < 3; ++i) {
        const int col = kFirstFigureCol + 2 * i;
        g.SetCells(col, 0, "по плану");
        g.SetCells(col + 1, 0, "по сетке");
        g.AddHeadrs(col, col + 1, 0, 1, kTitles[i]);
    }

    TSubjectPlan total;
    int n = 0;
    for (const auto& gr : year.LGryp)
        for (const auto& pr : gr->LPredmet) {
            if (pr->YrName() != &name) continue;
            const int row = g.AddRow();
            g.SetCells(0, row, std::to_string(++n));
            g.SetCells(1, row, gr->Name());
            // One teacher a line.
            std::string fios = pr->NameAllFio();
            std::replace(fios.begin(), fios.end(), ',', ';');
            g.SetCells(2, row, fios);
            const TSubjectPlan f = SubjectPlan(*pr);
            putFigures(g, row, f);
            for (int s = 0; s < 2; ++s) {
                total.plan[s] += f.plan[s];
                total.load[s] += f.load[s];
            }
        }
    const int last = g.AddRow();
    g.SetCells(1, last, "Итого");
    putFigures(g, last, total);
    return table;
}

}  // namespace zavlin::reports
