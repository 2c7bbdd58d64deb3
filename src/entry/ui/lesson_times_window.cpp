#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunLessonTimes(TWindowContext&) {}

}  // namespace zavlin::entry::ui
