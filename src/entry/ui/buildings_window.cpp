#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunBuildings(TWindowContext&) {}

}  // namespace zavlin::entry::ui
