// The teachers' grids for the word processor: the groups each teacher has in
// every day and period of a week (one table per week, or one over a range of
// weeks with a row per teacher and week), and each teacher's year, week by
// week.
#include "export/html_documents.h"
#include "export/html_report_parts.h"
#include "model/year.h"

namespace zavlin::exporting {

using namespace zavlin::html;

namespace {

std::string cellText(const TAllRasp& year, const std::vector<TGrypYr>& lessons, int vd) {
    const TFioCellText t(year, lessons);
    if (t.Empty()) return {};
    switch (vd) {
        case gfGrypPredmet:
            return t.Gryp + " " + t.Predmet;
        case gfFull:
            return t.Gryp + " " + t.Predmet + (t.Ayd.empty() ? "" : " ауд." + t.Ayd);
        default:
            return t.Gryp;
    }
}

TGridHtml* dayPeriodGrid(TBodyHtml& body, const std::vector<std::string>& heads, int y1, int y2) {
    TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    static const std::vector<int> kAllDays = {1, 2, 3, 4, 5, 6};
    AddDayPeriodHeads(*grid, heads, kAllDays, y1, y2, [](int y) { return std::to_string(y); });
    return grid;
}

void addFioWeekCells(TRowGridHtml& row, const TAllRasp& year, const TFioWeekIndex& index,
                     const TFio* fio, int y1, int y2, int vd) {
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = y1; y <= y2; ++y)
            row.AddCells()->AddText(cellText(year, index.At(fio, d, y), vd));
}

}  // namespace

bool THtmlExportHub::CreateWordAllFioNed(int Y1, int Y2, int vd) {
    ClampPeriods(Y1, Y2);
    const auto teachers = SelectedFio();
    return WriteDocument(kGrypFioFile, "Группы преподавателей", static_cast<int>(Weeks.size()),
                         [&](TBodyHtml& body, THtmlProgress& progress) {
                             int done = 0;
                             for (const int ne : Weeks) {
                                 AddHeading(body, "ГРУППЫ ПРЕПОДАВАТЕЛЕЙ неделя " + WeekLabel(ne));
                                 TGridHtml* grid = dayPeriodGrid(body, {"Преподаватель"}, Y1, Y2);
                                 const TFioWeekIndex index(Year(), ne);
                                 for (const TFio* fio : teachers) {
                                     TRowGridHtml* row = grid->AddRow();
                                     row->AddCells()->AddText(fio->Name());
                                     addFioWeekCells(*row, Year(), index, fio, Y1, Y2, vd);
                                 }
                                 progress.Position(++done);
                             }
                         });
}

bool THtmlExportHub::CreateWordAllFioNed2(int N1, int N2, int Y1, int Y2, int vd) {
    ClampWeeks(N1, N2);
    ClampPeriods(Y1, Y2);
    const auto teachers = SelectedFio();
    return WriteDocument(
        kGrypFio2File, "Группы преподавателей", N2 - N1 + 1,
        [&](TBodyHtml& body, THtmlProgress& progress) {
            AddHeading(body, "ГРУППЫ ПРЕПОДАВАТЕЛЕЙ с недели " + WeekLabel(N1) + " по неделю " +
                                 WeekLabel(N2));
            TGridHtml* grid = dayPeriodGrid(body, {"Преподаватель", "Неделя"}, Y1, Y2);
            // Week by week the index, teacher by teacher the rows.
            std::vector<TFioWeekIndex> weeks;
            weeks.reserve(static_cast<std::size_t>(N2 - N1 + 1));
            for (int ne = N1; ne <= N2; ++ne) {
                weeks.emplace_back(Year(), ne);
                progress.Position(ne - N1 + 1);
            }
            for (const TFio* fio : teachers) {
                bool first = true;
                for (int ne = N1; ne <= N2; ++ne) {
                    const TFioWeekIndex& index = weeks[static_cast<std::size_t>(ne - N1)];
                    // Weeks without a lesson in the periods asked have no row.
                    if (!index.Any(fio, Y1, Y2)) continue;
                    TRowGridHtml* row = grid->AddRow();
                    row->AddCells()->AddText(first ? fio->Name() : std::string());
                    row->AddCells()->AddText(WeekLabel(ne));
                    addFioWeekCells(*row, Year(), index, fio, Y1, Y2, vd);
                    first = false;
                }
            }
        });
}

bool THtmlExportHub::CreateWordFioAllGod(int ne1, int ne2, int vY1, int vY2) {
    ClampWeeks(ne1, ne2);
    ClampPeriods(vY1, vY2);
    const auto teachers = SelectedFio();
    return WriteDocument(
        kFioAllGodFile, "Годовое расписание преподавателей", static_cast<int>(teachers.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            std::vector<TFioWeekIndex> weeks;
            weeks.reserve(static_cast<std::size_t>(ne2 - ne1 + 1));
            for (int ne = ne1; ne <= ne2; ++ne) weeks.emplace_back(Year(), ne);
            int done = 0;
            for (const TFio* fio : teachers) {
                AddHeading(body, "ГОДОВОЕ РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ " + FioTitle(*fio) +
                                     " с недели " + WeekLabel(ne1) + " по неделю " +
                                     WeekLabel(ne2));
                TGridHtml* grid = body.AddGrid();
                grid->Border = 1;
                grid->Headr()->AddCol("Неделя");
                for (int d = 1; d <= kDayCount; ++d) grid->Headr()->AddCol(weekdayName(d));
                grid->Headr()->AddCol("Пары");
                int total = 0;
                for (int ne = ne1; ne <= ne2; ++ne) {
                    const TFioWeekIndex& index = weeks[static_cast<std::size_t>(ne - ne1)];
                    if (!index.Any(fio, vY1, vY2)) continue;
                    TRowGridHtml* row = grid->AddRow();
                    row->AddCells()->AddText(WeekLabel(ne));
                    int periods = 0;
                    for (int d = 1; d <= kDayCount; ++d) {
                        // One line per period taught: its number, then what.
                        std::string lines;
                        for (int y = vY1; y <= vY2; ++y) {
                            const std::string t = cellText(Year(), index.At(fio, d, y), gfFull);
                            if (t.empty()) continue;
                            lines += (lines.empty() ? "" : "\r\n") + std::to_string(y) + ": " + t;
                            ++periods;
                        }
                        row->AddCells()->AddText(lines);
                    }
                    row->AddCells()->AddText(std::to_string(periods));
                    total += periods;
                }
                TRowGridHtml* sum = grid->AddRow();
                sum->AddCells()->AddText("Итого");
                for (int d = 1; d <= kDayCount; ++d) sum->AddCells()->AddText({});
                sum->AddCells()->AddText(std::to_string(total));
                progress.Position(++done);
            }
        });
}

}  // namespace zavlin::exporting
