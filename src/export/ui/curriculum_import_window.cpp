#include "export/ui/export_windows.h"

namespace zavlin::exporting::ui {

void RunCurriculumImport(TWindowContext&) {}

}  // namespace zavlin::exporting::ui
