#include "composition/ui/composition_windows.h"

#include <map>

namespace zavlin::composition::ui {

bool OpenCompositionWindow(const std::string& window, TWindowContext& context) {
    static const std::map<std::string, void (*)(TWindowContext&)> kWindows = {
        {"TForm8", [](TWindowContext& c) { (void)RunComposeStart(c, 0); }},
        {"TForm9", [](TWindowContext& c) { (void)RunComposeStart(c, 1); }},
        {"TForm30", [](TWindowContext& c) { (void)RunSyncStart(c); }},
        {"TForm11_12", [](TWindowContext& c) { RunQuality(c, 0); }},
        {"TForm13", RunUnions},
        {"TForm14", RunTeacherLimits},
        {"TForm15", RunWorkingDays},
    };
    const auto found = kWindows.find(window);
    if (found == kWindows.end()) return false;
    found->second(context);
    return true;
}

}  // namespace zavlin::composition::ui
