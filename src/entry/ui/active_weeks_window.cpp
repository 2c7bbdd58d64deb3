#include "entry/ui/entry_windows.h"

namespace zavlin::entry::ui {

bool RunActiveWeeks(TWindowContext&) {
    return false;
}

}  // namespace zavlin::entry::ui
