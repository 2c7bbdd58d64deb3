#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunTeachers(TWindowContext&) {}

}  // namespace zavlin::entry::ui
