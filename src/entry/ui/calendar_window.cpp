#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunCalendar(TWindowContext&) {}

}  // namespace zavlin::entry::ui
