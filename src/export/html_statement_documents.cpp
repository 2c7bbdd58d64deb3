// The monthly statements for the word processor: the figures of the hour
// accounting (reports/month_statement.h) as tables with one column per day
// of the month, hours shown as the statements show them.
#include <functional>

#include "base/datetime.h"
#include "export/html_documents.h"
#include "model/year.h"
#include "reports/hours.h"
#include "reports/summary_statement.h"

namespace zavlin::exporting {

using namespace zavlin::html;
using namespace zavlin::reports;

namespace {

// A column without a date stays blank; a Sunday is a day off.
std::string dayHead(const TStatementDay& day) {
    if (day.date == 0) return {};
    return std::to_string(decodeDate(day.date).day) + (day.sunday ? " вых." : "");
}

std::string monthName(int me) {
    const int column = summaryColumn(me);
    return column >= 0 ? kSummaryHeads[static_cast<std::size_t>(column)] : std::string();
}

TGridHtml* dayGrid(TBodyHtml& body, const TMonthStatement& st,
                   std::initializer_list<const char*> heads) {
    TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    for (const char* head : heads) grid->Headr()->AddCol(head);
    for (const TStatementDay& day : st.days) grid->Headr()->AddCol(dayHead(day));
    grid->Headr()->AddCol("Всего");
    return grid;
}

// Two leading cells, the 31 day figures and the total.
void addDayRow(TGridHtml& grid, const std::string& first, const std::string& second,
               const std::function<int(int)>& day, int total) {
    TRowGridHtml* row = grid.AddRow();
    row->AddCells()->AddText(first);
    row->AddCells()->AddText(second);
    for (int c = 0; c < kStatementDays; ++c) row->AddCells()->AddText(statementHoursText(day(c)));
    row->AddCells()->AddText(statementHoursText(total));
}

}  // namespace

bool THtmlExportHub::CreateWordVedGryp(int me, int h) {
    const auto groups = SelectedGryp();
    return WriteDocument(
        kVedGrypFile, "Ведомости групп", static_cast<int>(groups.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            int done = 0;
            for (const TGryp* gr : groups) {
                const TMonthStatement st = CreateGryp(Year(), *gr, me, h);
                AddHeading(body, "ВЕДОМОСТЬ ГРУППЫ " + gr->Name() + " за " + monthName(me));
                TGridHtml* grid = dayGrid(body, st, {"Предмет", "Преподаватель"});
                for (const TStatementRow& r : st.rows)
                    addDayRow(
                        *grid, r.first, r.second, [&](int c) { return r.DayTotal(c); }, r.Total());
                // Subgroups taught in parallel count once for the whole
                // group; their own sums follow in parentheses.
                TRowGridHtml* full = grid->AddRow();
                full->AddCells()->AddText("Для полной группы");
                full->AddCells()->AddText({});
                int whole = 0;
                for (int c = 0; c < kStatementDays; ++c) {
                    full->AddCells()->AddText(st.FullGroupText(c));
                    whole += st.positions[static_cast<std::size_t>(c)][0];
                }
                full->AddCells()->AddText(statementHoursText(whole));
                progress.Position(++done);
            }
        });
}

bool THtmlExportHub::CreateWordVedFio(int me, int h, TStatementKinds Setka, int VidDoc) {
    const auto teachers = SelectedFio();
    return WriteDocument(
        kVedFioFile, "Ведомости преподавателей", static_cast<int>(teachers.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            std::vector<TMonthStatement> statements;
            const std::string kinds = statementKindsText(Setka);
            TGridHtml* all = nullptr;
            int done = 0;
            for (const TFio* fio : teachers) {
                statements.push_back(CreateFio(Year(), *fio, me, h, Setka));
                const TMonthStatement& st = statements.back();
                if (VidDoc == vvAllFio) {
                    if (all == nullptr) {
                        AddHeading(body, "ВЕДОМОСТЬ ПРЕПОДАВАТЕЛЕЙ за " + monthName(me) + " (" +
                                             kinds + ")");
                        all = dayGrid(body, st, {"Преподаватель", "Должность"});
                    }
                    addDayRow(
                        *all, FioTitle(*fio), fio->Dolg(),
                        [&](int c) { return st.DayTotalUnions(c); }, st.TotalUnions());
                } else {
                    AddHeading(body, "ВЕДОМОСТЬ ПРЕПОДАВАТЕЛЯ " + FioTitle(*fio) + " за " +
                                         monthName(me) + " (" + kinds + ")");
                    TGridHtml* grid = dayGrid(body, st, {"Группа", "Предмет"});
                    for (const TStatementRow& r : st.rows)
                        addDayRow(
                            *grid, r.first, r.second, [&](int c) { return r.DayTotal(c); },
                            r.Total());
                    addDayRow(
                        *grid, "Итого", "без учета",
                        [&](int c) {
                            int sum = 0;
                            for (const TStatementRow& r : st.rows) sum += r.DayTotal(c);
                            return sum;
                        },
                        st.TotalNoUnions());
                    addDayRow(
                        *grid, "Итого", "с учетом объединений",
                        [&](int c) { return st.DayTotalUnions(c); }, st.TotalUnions());
                }
                progress.Position(++done);
            }
            if (!statements.empty()) body.AddText(teachersTotalText(statements))->Paragraf = true;
        });
}

}  // namespace zavlin::exporting
