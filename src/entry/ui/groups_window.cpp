#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunGroups(TWindowContext&) {}

}  // namespace zavlin::entry::ui
