// What the accounting and statement windows share: the core's tables as
// report tables (TDGrid) for the grid view, and a report table printed as a
// document in the home's "temp" handed to the desktop.
//
// A report table here has one heading row (row 0; ";" separates the lines of
// a heading) and spanning headings on band line 0 over groups of columns.
#pragma once

#include <QColor>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reports/report_table.h"
#include "shell/ui/window_context.h"

class QDialog;

namespace zavlin::html {
class TBodyHtml;
class TGridHtml;
}  // namespace zavlin::html

namespace zavlin::exporting {
class TDocumentOpener;
}

namespace zavlin::reports {
struct TAccountTable;
struct TMonthStatement;
struct TSummaryTable;
}  // namespace zavlin::reports

namespace zavlin::reports::ui {

using shell::ui::TWindowContext;

// The table as an HTML table with border 1: the spanning headings and the
// headings of the other columns in the heading row, the headings under the
// spanning ones in a second row, then the rows.
html::TGridHtml* AddReportTableHtml(html::TBodyHtml& body, const TDGrid& table);

// One heading, its note lines and its table in a printed document.
struct TPrintPart {
    std::string heading;
    std::vector<std::string> notes;
    const TDGrid* table = nullptr;
};

// Writes the document fileName into the home's "temp" (a stale one removed
// first) and hands it to opener. False, with the reason shown through the
// context's dialog, when it could not be written or opened.
[[nodiscard]] bool PrintReport(TWindowContext& context, exporting::TDocumentOpener& opener,
                               const std::string& fileName, const std::string& title,
                               const std::vector<TPrintPart>& parts);

// Runs a window of this family modally over the loaded year (nothing without
// one), handing it the program's document opener; a wide one fills the
// screen's work area.
using TMakeReportWindow =
    std::function<std::unique_ptr<QDialog>(exporting::TDocumentOpener& opener)>;
void RunReportWindow(TWindowContext& context, bool fillScreen, const TMakeReportWindow& make);

// --- The core's tables as report tables.

// Columns as the table has them, "N" and the row title fixed; the "Итог"
// row last.
TDGrid AccountGrid(const TAccountTable& table);

// The rows of a monthly statement: (first, second) fixed, the 31 day
// columns (day and weekday; empty for a day outside the month chosen),
// "Итого". Then the "Итого" row (every slot; for a teacher "Итого" "без
// учета") and, for a teacher, "Итого" "с учетом объединений"; for a group,
// the row "Для полной группы".
enum class TStatementOf { Teacher, Group };
TDGrid StatementGrid(const TMonthStatement& st, TStatementOf of);
inline constexpr int kStatementFirstDayCol = 2;

// A summary: the fixed columns named by heads (one or two), the months and
// the year; the "Итого" row last. Several tables go one under the other,
// each opened by its title in the first column and closed by its "Итого".
TDGrid SummaryGrid(const std::vector<std::string>& heads, const TSummaryTable& table);
TDGrid SummaryGrid(const std::vector<std::string>& heads, const std::vector<TSummaryTable>& tables);

// The brush of a day off in the statements.
QColor DayOffColor();

}  // namespace zavlin::reports::ui
