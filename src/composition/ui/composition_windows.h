// The composition windows as the main menu opens them: the three start
// windows with their progress window, the quality of a week, and the inputs
// that shape a composition (unions, teacher restrictions, wished days).
#pragma once

#include <string>

#include "shell/ui/window_context.h"

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

// The opener the program gives the main window: runs the window named
// ("TForm8", "TForm13", ...) modally; false for a window not of this family.
bool OpenCompositionWindow(const std::string& window, TWindowContext& context);

// Each runs its window modally and returns when it has closed.
// TForm8 (tip 0, from zero) and TForm9 (tip 1, recomposition); true when a
// run took place.
bool RunComposeStart(TWindowContext& context, int tip);
bool RunSyncStart(TWindowContext& context);  // TForm30; true when a run took place
// TForm11_12 for the layer tip (0 timetable, 1 pinned lessons).
void RunQuality(TWindowContext& context, int tip);
void RunUnions(TWindowContext& context);         // TForm13
void RunTeacherLimits(TWindowContext& context);  // TForm14
void RunWorkingDays(TWindowContext& context);    // TForm15

}  // namespace zavlin::composition::ui
