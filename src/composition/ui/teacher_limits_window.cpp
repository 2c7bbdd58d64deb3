#include "composition/ui/composition_windows.h"

namespace zavlin::composition::ui {

void RunTeacherLimits(TWindowContext&) {}

}  // namespace zavlin::composition::ui
