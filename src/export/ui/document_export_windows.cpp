#include "base/my_dialog.h"
#include "export/ui/export_windows.h"
#include "shell/menu.h"

namespace zavlin::exporting::ui {

// Placeholders until the windows are built.
void RunHtmlExport(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("Экспорт данных"));
}
void RunWordExport(TWindowContext& context) {
    context.dialog.MessageShow(shell::WindowNotReadyText("Экспорт в Word"));
}

}  // namespace zavlin::exporting::ui
