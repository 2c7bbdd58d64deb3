#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunSubjectTeachers(TWindowContext&) {}

}  // namespace zavlin::entry::ui
