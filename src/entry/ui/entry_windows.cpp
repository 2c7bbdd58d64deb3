#include "entry/ui/entry_windows.h"

#include <map>

namespace zavlin::entry::ui {

bool OpenEntryWindow(const std::string& window, TWindowContext& context) {
    static const std::map<std::string, void (*)(TWindowContext&)> kWindows = {
        {"TForm1_0", RunLessonTimes},
        {"TForm1_3", [](TWindowContext& c) { (void)RunActiveWeeks(c); }},
        {"TForm2", RunGroups},
        {"TForm3", RunTeachers},
        {"TForm4", RunSubjects},
        {"TForm6", RunBuildings},
        {"TForm7", RunRooms},
        {"TForm16", RunRoomPriority},
        {"TForm17", RunAttributes},
        {"TForm12", [](TWindowContext& c) { (void)RunCalendar(c); }},
        {"TForm5", RunLoad},
        {"TForm5_2", RunSubjectTeachers},
    };
    const auto found = kWindows.find(window);
    if (found == kWindows.end()) return false;
    found->second(context);
    return true;
}

}  // namespace zavlin::entry::ui
