#include "composition/ui/composition_windows.h"

namespace zavlin::composition::ui {

void RunQuality(TWindowContext&, int) {}

}  // namespace zavlin::composition::ui
