#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunLoad(TWindowContext&) {}

}  // namespace zavlin::entry::ui
