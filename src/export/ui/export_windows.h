// The exchange windows as the main menu opens them: the XML file export, the
// web export and the curriculum import.
#pragma once

#include <string>

#include "shell/ui/window_context.h"

namespace zavlin::exporting::ui {

using shell::ui::TWindowContext;

// The opener the program gives the main window: runs the window named
// ("TForm50", "TForm53", "TForm19_1", "TForm33", "TForm34") modally; false for a window not of this
// family.
bool OpenExportWindow(const std::string& window, TWindowContext& context);

void RunXmlExport(TWindowContext& context);  // TForm50
void RunWebExport(TWindowContext& context);  // TForm53
// TForm19_1, the choice of the file, then TForm55 on it.
void RunCurriculumImport(TWindowContext& context);
// TForm33 "Экспорт данных": the linked web pages of groups or teachers.
void RunHtmlExport(TWindowContext& context);
// TForm34 "Экспорт в Word" of the kind its menu item names (WORD1..WORD4:
// kinds 0, 1, 60, 61).
void RunWordExport(TWindowContext& context);

}  // namespace zavlin::exporting::ui
