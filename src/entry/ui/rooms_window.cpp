#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

void RunRooms(TWindowContext&) {}

}  // namespace zavlin::entry::ui
