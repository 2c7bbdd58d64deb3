// The report windows as the main menu opens them: hour accounting, the
// statements, and the planned-load, year, chess-board and board-print reports.
#pragma once

#include <string>

#include "shell/ui/window_context.h"

namespace zavlin::reports::ui {

using shell::ui::TWindowContext;

// The opener the program gives the main window: runs the window named
// ("TForm20", ...) modally; false for a window not of this family.
bool OpenReportWindow(const std::string& window, TWindowContext& context);

// Hour accounting and the statements.
void RunGroupAccounting(TWindowContext& context);  // TForm20 "Вычитка по группе"
void RunTeacherAccounting(TWindowContext& context);  // TForm21 "Вычитка преподавателя"
void RunSubjectAccounting(TWindowContext& context);  // TForm37 "Вычитка по предмету"
void RunGroupMonthStatement(TWindowContext& context);       // TForm22
void RunTeacherMonthStatement(TWindowContext& context);     // TForm23
void RunGroupSummaryStatement(TWindowContext& context);     // TForm35
void RunTeacherSummaryStatement(TWindowContext& context);   // TForm24
void RunTeachersByGroupStatement(TWindowContext& context);  // TForm40
void RunAllTeachersStatement(TWindowContext& context);      // TForm39

// The reports that build a document and open it.
void RunGroupPlanTable(TWindowContext& context);     // TForm5_5 "Сводная таблица"
void RunTeacherPlanLoad(TWindowContext& context);    // TForm41
void RunSubjectInGroups(TWindowContext& context);    // TForm45
void RunGroupYear(TWindowContext& context);          // TForm25
void RunTeacherYear(TWindowContext& context);        // TForm26
void RunTeacherGroupsYear(TWindowContext& context);  // TForm27
void RunTeachersChess(TWindowContext& context);      // TForm42
void RunGroupsChess(TWindowContext& context);        // TForm48
void RunDayCard(TWindowContext& context);            // TForm28
void RunWeekStand(TWindowContext& context);          // TForm29
void RunNumeratorStand(TWindowContext& context);     // TForm36

}  // namespace zavlin::reports::ui
