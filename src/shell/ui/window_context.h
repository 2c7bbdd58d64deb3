// What a window opened from the main menu works with: the shell and its
// loaded year, the question box, the main window as parent, help, and the
// main window's refresh after the year's weeks or lists changed.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace zavlin {
class TMyDialog;
}

namespace zavlin::shell {
class TShell;
}

namespace zavlin::shell::ui {

struct TWindowContext {
    TShell& shell;
    TMyDialog& dialog;
    QWidget* parent = nullptr;
    // Opens help topic n; may be empty (tests).
    std::function<void(int topic)> help;
    // The week list of the main window is rebuilt from the year.
    std::function<void()> weeksChanged;
    // Opens another window by its name ("TForm41", ...) as the menu would,
    // without the menu's checks; false when no opener knows it. May be empty.
    std::function<bool(const std::string& window)> openWindow;
    // Set by a window whose work must not be kept (a composition whose files
    // failed): the main window then reloads the year from the database
    // instead of saving it. Cleared before each window opens.
    bool dropChanges = false;
    // The menu item that opened the window ("WORD1", ...): one window serves
    // several items with different kinds. Empty when opened otherwise.
    std::string component;
};

// Opens the window of a menu item ("TForm2", ...) and returns when it has
// closed; false when the opener does not know that window.
using TWindowOpener = std::function<bool(const std::string& window, TWindowContext& context)>;

}  // namespace zavlin::shell::ui
