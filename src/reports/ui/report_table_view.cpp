#include "reports/ui/report_table_view.h"

#include <QDialog>
#include <algorithm>

#include "base/datetime.h"
#include "entry/ui/entry_widgets.h"
#include "export/document_opener.h"
#include "export/html_documents.h"
#include "export/html_writer.h"
#include "export/ui/document_opening.h"
#include "model/god.h"
#include "reports/hours.h"
#include "reports/month_statement.h"
#include "reports/summary_statement.h"
#include "shell/shell.h"
#include "storage/year_database.h"

namespace zavlin::reports::ui {

namespace {

// The heading covering column c, -1 for none.
int headrOf(const TDGrid& t, int c) {
    for (int i = 0; i < t.HeadrsCount(); ++i) {
        const TDGridHeadr& h = t.Headrs()[static_cast<std::size_t>(i)];
        if (c >= std::min(h.ColStart, h.ColEnd) && c <= std::max(h.ColStart, h.ColEnd)) return i;
    }
    return -1;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += '\r';
        out += lines[i];
    }
    return out;
}

}  // namespace

html::TGridHtml* AddReportTableHtml(html::TBodyHtml& body, const TDGrid& t) {
    html::TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    const bool twoRows = t.HeadrsCount() > 0;
    for (int c = 0; c < t.ColCount();) {
        const int h = headrOf(t, c);
        if (h >= 0) {
            const TDGridHeadr& hd = t.Headrs()[static_cast<std::size_t>(h)];
            const int last = std::min(std::max(hd.ColStart, hd.ColEnd), t.ColCount() - 1);
            html::THStringHtml* th = grid->Headr()->AddCol(hd.Text);
            th->ColSpan = static_cast<uint16_t>(last - c + 1);
            th->Align = html::TAlignHtml::alCenter;
            c = last + 1;
            continue;
        }
        html::THStringHtml* th = grid->Headr()->AddCol(joinLines(SplitCellLines(t.Cells(c, 0))));
        if (twoRows) th->RowSpan = 2;
        th->Align = html::TAlignHtml::alCenter;
        ++c;
    }
    if (twoRows) {
        html::TRowGridHtml* row = grid->AddRow();
        for (int c = 0; c < t.ColCount(); ++c) {
            if (headrOf(t, c) < 0) continue;
            html::TCellsGridHtml* cell = row->AddCells();
            cell->Align = html::TAlignHtml::alCenter;
            cell->AddText(joinLines(SplitCellLines(t.Cells(c, 0))));
        }
    }
    for (int r = 1; r < t.RowCount(); ++r) {
        html::TRowGridHtml* row = grid->AddRow();
        for (int c = 0; c < t.ColCount(); ++c) {
            html::TCellsGridHtml* cell = row->AddCells();
            if (c >= t.FixedCols) cell->Align = html::TAlignHtml::alRight;
            cell->AddText(t.Cells(c, r));
        }
    }
    return grid;
}

bool PrintReport(TWindowContext& context, exporting::TDocumentOpener& opener,
                 const std::string& fileName, const std::string& title,
                 const std::vector<TPrintPart>& parts) {
    const TGod* year = context.shell.God();
    if (year == nullptr) return false;
    exporting::THtmlExportHub hub(*year, context.shell.DM().DB.PathR, context.dialog, opener);
    return hub.WriteDocument(fileName, title, static_cast<int>(parts.size()),
                             [&](html::TBodyHtml& body, exporting::THtmlProgress& progress) {
                                 int done = 0;
                                 for (const TPrintPart& part : parts) {
                                     if (!part.heading.empty())
                                         exporting::AddHeading(body, part.heading);
                                     for (const std::string& note : part.notes) {
                                         html::TTextHtml* line = body.AddText(note);
                                         line->Paragraf = true;
                                     }
                                     if (part.table != nullptr)
                                         AddReportTableHtml(body, *part.table);
                                     progress.Position(++done);
                                 }
                             });
}

void RunReportWindow(TWindowContext& context, bool fillScreen, const TMakeReportWindow& make) {
    if (context.shell.God() == nullptr) return;
    const std::unique_ptr<exporting::TDocumentOpener> opener =
        exporting::ui::DocumentOpener(context);
    const std::unique_ptr<QDialog> window = make(*opener);
    if (fillScreen) entry::ui::FillWorkArea(window.get());
    window->exec();
}

TDGrid AccountGrid(const TAccountTable& a) {
    TDGrid t;
    const int cols = static_cast<int>(a.heads.size());
    t.SetSize(cols, static_cast<int>(a.rows.size()) + 2);
    t.FixedRows = 1;
    t.FixedCols = std::min(2, cols);
    for (int c = 0; c < cols; ++c) t.SetCells(c, 0, a.heads[static_cast<std::size_t>(c)]);
    const auto put = [&](const TAccountRow& row, int r) {
        for (int c = 0; c < cols && c < static_cast<int>(row.cells.size()); ++c)
            t.SetCells(c, r, row.cells[static_cast<std::size_t>(c)].text);
    };
    int r = 1;
    for (const TAccountRow& row : a.rows) put(row, r++);
    put(a.total, r);
    for (const TAccountHeadGroup& g : a.headGroups)
        t.AddHeadrs(g.firstColumn, g.firstColumn + g.columnCount - 1, 0, 1, g.text);
    return t;
}

namespace {

const char* const kWeekDays[7] = {"пн", "вт", "ср", "чт", "пт", "сб", "вс"};

}  // namespace

TDGrid StatementGrid(const TMonthStatement& st, TStatementOf of) {
    TDGrid t;
    const int totalCol = kStatementFirstDayCol + kStatementDays;
    const int rows = static_cast<int>(st.rows.size());
    t.SetSize(totalCol + 1, rows + 3);
    t.FixedRows = 1;
    t.FixedCols = kStatementFirstDayCol;
    t.SetCells(0, 0, of == TStatementOf::Teacher ? "Группа" : "Предмет");
    t.SetCells(1, 0, of == TStatementOf::Teacher ? "Предмет" : "Преподаватель");
    for (int i = 0; i < kStatementDays; ++i) {
        const TStatementDay& d = st.days[static_cast<std::size_t>(i)];
        if (d.date == 0) continue;
        const DateParts p = decodeDate(d.date);
        // Day 0 of the stored dates, 30 December 1899, was a Saturday.
        const int weekDay = static_cast<int>((d.date + 5) % 7);
        t.SetCells(kStatementFirstDayCol + i, 0,
                   std::to_string(p.day) + ";" + kWeekDays[std::clamp(weekDay, 0, 6)]);
    }
    t.SetCells(totalCol, 0, "Итого");
    int r = 1;
    for (const TStatementRow& row : st.rows) {
        t.SetCells(0, r, row.first);
        t.SetCells(1, r, row.second);
        for (int i = 0; i < kStatementDays; ++i)
            t.SetCells(kStatementFirstDayCol + i, r, statementHoursText(row.DayTotal(i)));
        t.SetCells(totalCol, r, statementHoursText(row.Total()));
        ++r;
    }
    t.SetCells(0, r, "Итого");
    // A teacher's lessons shared by united groups count once or per group:
    // the two totals say which, as the printed statement does.
    if (of == TStatementOf::Teacher) t.SetCells(1, r, "без учета");
    for (int i = 0; i < kStatementDays; ++i) {
        int sum = 0;
        for (const TStatementRow& row : st.rows) sum += row.DayTotal(i);
        t.SetCells(kStatementFirstDayCol + i, r, statementHoursText(sum));
    }
    t.SetCells(totalCol, r, statementHoursText(st.TotalNoUnions()));
    ++r;
    if (of == TStatementOf::Teacher) {
        t.SetCells(0, r, "Итого");
        t.SetCells(1, r, "с учетом объединений");
        for (int i = 0; i < kStatementDays; ++i)
            t.SetCells(kStatementFirstDayCol + i, r, statementHoursText(st.DayTotalUnions(i)));
        t.SetCells(totalCol, r, statementHoursText(st.TotalUnions()));
    } else {
        t.SetCells(0, r, "Для полной группы");
        int whole = 0;
        for (int i = 0; i < kStatementDays; ++i) {
            t.SetCells(kStatementFirstDayCol + i, r, st.FullGroupText(i));
            whole += st.positions[static_cast<std::size_t>(i)][0];
        }
        t.SetCells(totalCol, r, statementHoursText(whole));
    }
    return t;
}

namespace {

void putSummaryRow(TDGrid& t, int r, int firstMonthCol, const TSummaryRow& row) {
    for (int m = 0; m <= kSummaryMonths; ++m)
        t.SetCells(firstMonthCol + m, r, statementHoursText(row.h00[static_cast<std::size_t>(m)]));
}

}  // namespace

TDGrid SummaryGrid(const std::vector<std::string>& heads, const TSummaryTable& table) {
    TDGrid t;
    const int fixed = static_cast<int>(heads.size());
    t.SetSize(fixed + kSummaryMonths + 1, static_cast<int>(table.rows.size()) + 2);
    t.FixedRows = 1;
    t.FixedCols = fixed;
    for (int c = 0; c < fixed; ++c) t.SetCells(c, 0, heads[static_cast<std::size_t>(c)]);
    for (int m = 0; m <= kSummaryMonths; ++m)
        t.SetCells(fixed + m, 0, kSummaryHeads[static_cast<std::size_t>(m)]);
    int r = 1;
    for (const TSummaryRow& row : table.rows) {
        t.SetCells(0, r, row.first);
        if (fixed > 1) t.SetCells(1, r, row.second);
        putSummaryRow(t, r++, fixed, row);
    }
    t.SetCells(0, r, table.total.first);
    putSummaryRow(t, r, fixed, table.total);
    return t;
}

TDGrid SummaryGrid(const std::vector<std::string>& heads,
                   const std::vector<TSummaryTable>& tables) {
    TDGrid t;
    const int fixed = std::max(2, static_cast<int>(heads.size()));
    int rows = 1;
    for (const TSummaryTable& s : tables) rows += static_cast<int>(s.rows.size()) + 1;
    t.SetSize(fixed + kSummaryMonths + 1, std::max(rows, 2));
    t.FixedRows = 1;
    t.FixedCols = fixed;
    for (int c = 0; c < fixed && c < static_cast<int>(heads.size()); ++c)
        t.SetCells(c, 0, heads[static_cast<std::size_t>(c)]);
    for (int m = 0; m <= kSummaryMonths; ++m)
        t.SetCells(fixed + m, 0, kSummaryHeads[static_cast<std::size_t>(m)]);
    int r = 1;
    for (const TSummaryTable& s : tables) {
        bool first = true;
        for (const TSummaryRow& row : s.rows) {
            if (first) t.SetCells(0, r, s.title);
            first = false;
            t.SetCells(1, r, row.first);
            putSummaryRow(t, r++, fixed, row);
        }
        if (first) t.SetCells(0, r, s.title);
        t.SetCells(1, r, s.total.first);
        putSummaryRow(t, r++, fixed, s.total);
    }
    return t;
}

QColor DayOffColor() {
    return QColor(255, 214, 214);
}

}  // namespace zavlin::reports::ui
