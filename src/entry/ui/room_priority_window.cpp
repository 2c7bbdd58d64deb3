#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunRoomPriority(TWindowContext&) {}

}  // namespace zavlin::entry::ui
