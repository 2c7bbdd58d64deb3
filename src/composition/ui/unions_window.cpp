#include "composition/ui/composition_windows.h"

namespace zavlin::composition::ui {

void RunUnions(TWindowContext&) {}

}  // namespace zavlin::composition::ui
