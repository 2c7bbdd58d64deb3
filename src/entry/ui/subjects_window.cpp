#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunSubjects(TWindowContext&) {}

}  // namespace zavlin::entry::ui
