#include "reports/ui/report_windows.h"

#include <map>

namespace zavlin::reports::ui {

bool OpenReportWindow(const std::string& window, TWindowContext& context) {
    static const std::map<std::string, void (*)(TWindowContext&)> kWindows = {
        {"TForm20", RunGroupAccounting},
        {"TForm21", RunTeacherAccounting},
        {"TForm37", RunSubjectAccounting},
        {"TForm22", RunGroupMonthStatement},
        {"TForm23", RunTeacherMonthStatement},
        {"TForm35", RunGroupSummaryStatement},
        {"TForm24", RunTeacherSummaryStatement},
        {"TForm40", RunTeachersByGroupStatement},
        {"TForm39", RunAllTeachersStatement},
        {"TForm5_5", RunGroupPlanTable},
        {"TForm41", RunTeacherPlanLoad},
        {"TForm45", RunSubjectInGroups},
        {"TForm25", RunGroupYear},
        {"TForm26", RunTeacherYear},
        {"TForm27", RunTeacherGroupsYear},
        {"TForm42", RunTeachersChess},
        {"TForm48", RunGroupsChess},
        {"TForm28", RunDayCard},
        {"TForm29", RunWeekStand},
        {"TForm36", RunNumeratorStand},
    };
    const auto found = kWindows.find(window);
    if (found == kWindows.end()) return false;
    found->second(context);
    return true;
}

}  // namespace zavlin::reports::ui
