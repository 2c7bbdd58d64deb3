#include "composition/ui/composition_windows.h"

namespace zavlin::composition::ui {

bool RunComposeStart(TWindowContext&, int) {
    return false;
}

}  // namespace zavlin::composition::ui
