#include "composition/ui/composition_windows.h"

namespace zavlin::composition::ui {

bool RunSyncStart(TWindowContext&) {
    return false;
}

}  // namespace zavlin::composition::ui
