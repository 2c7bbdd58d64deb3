// The data-entry windows as the main menu opens them: reference lists,
// lesson times, active weeks, the study calendar and the weekly load.
#pragma once

#include <string>

#include "shell/ui/window_context.h"

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

// The opener the program gives the main window: runs the window named
// ("TForm2", "TForm5", ...) modally; false for a window not of this family.
bool OpenEntryWindow(const std::string& window, TWindowContext& context);

// Each runs its window modally as the main menu does (deletion allowed, the
// list's own order changeable) and returns when it closed.
void RunLessonTimes(TWindowContext& context);  // TForm1_0
// TForm1_3; true when it closed with weeks chosen.
bool RunActiveWeeks(TWindowContext& context);
void RunGroups(TWindowContext& context);           // TForm2
void RunTeachers(TWindowContext& context);         // TForm3
void RunSubjects(TWindowContext& context);         // TForm4
void RunBuildings(TWindowContext& context);        // TForm6
void RunRooms(TWindowContext& context);            // TForm7
void RunRoomPriority(TWindowContext& context);     // TForm16
void RunAttributes(TWindowContext& context);       // TForm17
bool RunCalendar(TWindowContext& context);         // TForm12; true when it changed the year
void RunLoad(TWindowContext& context);             // TForm5
void RunSubjectTeachers(TWindowContext& context);  // TForm5_2

}  // namespace zavlin::entry::ui
