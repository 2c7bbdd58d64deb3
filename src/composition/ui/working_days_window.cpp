#include "composition/ui/composition_windows.h"

namespace zavlin::composition::ui {

void RunWorkingDays(TWindowContext&) {}

}  // namespace zavlin::composition::ui
