#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunAttributes(TWindowContext&) {}

}  // namespace zavlin::entry::ui
