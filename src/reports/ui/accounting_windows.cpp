#include "base/my_dialog.h"
#include "reports/ui/report_windows.h"
#include "shell/menu.h"

namespace zavlin::reports::ui {

// Placeholders until the windows are built.
void RunGroupAccounting(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunGroupAccounting"));
}
void RunTeacherAccounting(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeacherAccounting"));
}
void RunSubjectAccounting(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunSubjectAccounting"));
}
void RunGroupMonthStatement(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunGroupMonthStatement"));
}
void RunTeacherMonthStatement(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeacherMonthStatement"));
}
void RunGroupSummaryStatement(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunGroupSummaryStatement"));
}
void RunTeacherSummaryStatement(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeacherSummaryStatement"));
}
void RunTeachersByGroupStatement(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeachersByGroupStatement"));
}
void RunAllTeachersStatement(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunAllTeachersStatement"));
}

}  // namespace zavlin::reports::ui
