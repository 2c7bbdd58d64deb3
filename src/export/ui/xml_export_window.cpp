#include "export/ui/export_windows.h"

namespace zavlin::exporting::ui {

void RunXmlExport(TWindowContext&) {}

}  // namespace zavlin::exporting::ui
