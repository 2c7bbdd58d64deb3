// The main menu: every item with its place in the menu bar, its tool-panel
// button, and the checks that must hold before its window opens. The checks
// are plain data so that the window and the tests ask the same function.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zavlin::shell {

// Said wherever work needs the active weeks and none is chosen.
inline constexpr const char* kNoActiveWeeksText = "Нет выбранных активных недель.";

// What the checks look at, gathered by the window from the loaded year and
// the week list.
struct TMenuFacts {
    bool yearActive = false;
    int activeWeeks = 0;       // selected in the week list, 1..56
    int activeRealWeeks = 0;   // of them weeks 1..52
    int activeExtraWeeks = 0;  // of them weeks 53..56
    int groups = 0;
    int teachers = 0;
    int subjects = 0;
    int rooms = 0;
    int attributes = 0;  // the user's; the built-in ones are not counted
};

// How a window reached from the menu is opened.
struct TMenuItem {
    std::string component;          // "N21", "WORD1", ...
    std::vector<std::string> path;  // captions from the menu bar down, with "&"
    std::string window;             // "TForm8", "" for an action of the main window
    std::string speedButton;        // "SpeedButton2", "" when none
    std::string hint;               // the speed button's hint
    bool saves = false;             // the year's timetable is saved after it closes
};

// Every item of the main menu, in menu order.
const std::vector<TMenuItem>& MenuItems();
// The item with that component name; nullptr when there is none.
const TMenuItem* FindMenuItem(const std::string& component);

// The first check that fails for the item, as the text the person is shown;
// nothing when the window may open. Unknown components pass.
std::optional<std::string> MenuRefusal(const std::string& component, const TMenuFacts& facts);

// What an item whose window this version lacks says; caption is the item's
// caption without "&".
std::string WindowNotReadyText(const std::string& caption);

// The reference-data check shared by many items: the message for the first
// missing list (groups, then teachers, then subjects); nothing when all exist.
std::optional<std::string> NoVxodMenu(const TMenuFacts& facts);

}  // namespace zavlin::shell
