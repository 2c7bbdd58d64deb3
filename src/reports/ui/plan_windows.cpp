#include "base/my_dialog.h"
#include "reports/ui/report_windows.h"
#include "shell/menu.h"

namespace zavlin::reports::ui {

// Placeholders until the windows are built.
void RunGroupPlanTable(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunGroupPlanTable"));
}
void RunTeacherPlanLoad(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunTeacherPlanLoad"));
}
void RunSubjectInGroups(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("RunSubjectInGroups"));
}

}  // namespace zavlin::reports::ui
