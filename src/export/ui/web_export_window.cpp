#include "export/ui/export_windows.h"

namespace zavlin::exporting::ui {

void RunWebExport(TWindowContext&) {}

}  // namespace zavlin::exporting::ui
