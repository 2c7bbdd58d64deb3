#include "base/my_dialog.h"
#include "reports/ui/report_windows.h"
#include "shell/menu.h"

namespace zavlin::reports::ui {

// Placeholders until the windows are built.
void RunGroupYear(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunGroupYear"));
}
void RunTeacherYear(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeacherYear"));
}
void RunTeacherGroupsYear(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeacherGroupsYear"));
}
void RunTeachersChess(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeachersChess"));
}
void RunGroupsChess(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunGroupsChess"));
}
void RunDayCard(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunDayCard"));
}
void RunWeekStand(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunWeekStand"));
}
void RunNumeratorStand(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunNumeratorStand"));
}

}  // namespace zavlin::reports::ui
