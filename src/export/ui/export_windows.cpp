#include "export/ui/export_windows.h"

#include <map>

namespace zavlin::exporting::ui {

bool OpenExportWindow(const std::string& window, TWindowContext& context) {
    static const std::map<std::string, void (*)(TWindowContext&)> kWindows = {
        {"TForm50", RunXmlExport},  {"TForm53", RunWebExport},  {"TForm19_1", RunCurriculumImport},
        {"TForm33", RunHtmlExport}, {"TForm34", RunWordExport},
    };
    const auto found = kWindows.find(window);
    if (found == kWindows.end()) return false;
    found->second(context);
    return true;
}

}  // namespace zavlin::exporting::ui
