// The program's frame without its windows: the start-up and close
// sequences, the year list, the active weeks, and the creation and deletion
// of years. The main window owns one TShell and shows what it says; the
// tests drive it with a scripted dialog.
//
// Threads: Start, ChooseYear, NewYear and DeleteActiveYear do long work
// (loading a year, copying one); the window calls them on a worker thread
// and must not touch the shell from its own thread until they return. Their
// questions and messages come through the dialog given to the constructor,
// their progress texts through TShellView.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/my_dialog.h"
#include "shell/menu.h"

namespace zavlin {
class TDM1;
class TAllGod;
class TGod;
}  // namespace zavlin

namespace zavlin::shell {

inline constexpr int kWeekItems = 56;

// What the start-up and the year operations show while they work.
class TShellView {
public:
    virtual ~TShellView() = default;
    // The status line of the splash or of the load window.
    virtual void StatusText(const std::string& text) = 0;
    // The splash goes away before a message that stops the start-up.
    virtual void HideSplash() = 0;
};

enum class TStartOutcome {
    Running,    // the start-up completed: badstart is set
    Locked,     // a step failed: only help, the backup functions other than
                // copying, the version and exit remain
    Terminate,  // a structure step failed that ends the program
};

// Which parts of the main window are usable (MenuVid and the locked shell).
struct TMenuState {
    bool godMenu = true;      // "&Год" shown
    bool deleteYear = false;  // "Удалить учебный год" enabled
    bool yearMenus = false;  // "&Расписание", "&Замены", "&Вычитка", "Экспорт данных"
    bool toolPanel = false;  // shown and enabled
    bool weekList = false;   // shown
    bool plusMinus = false;  // "+" and "-" enabled
    bool backupCopy = true;  // "Резервное копирование " enabled
    bool locked = false;     // the locked shell
};

// The program's file version ("Database"/"VersApplication", "Версия сборки").
std::string ApplicationVersion();

enum class TNewYearResult { Created, Exists, Failed };

class TShell {
public:
    // The database of home ("home/Database/"); nothing is opened yet.
    TShell(const std::filesystem::path& home, TMyDialog& dialog, FileSystem& fs = realFileSystem());
    ~TShell();
    TShell(const TShell&) = delete;
    TShell& operator=(const TShell&) = delete;

    TDM1& DM();
    // Null until the start-up read the years.
    TAllGod* AllGod();
    // The loaded year; null when none is active.
    TGod* God();

    // The start-up after the main window is shown: first-start date, the
    // structure-version ladder, re-indexing after an unclean end, "End" =
    // "Start", the years and the active year, the lesson times.
    TStartOutcome Start(TShellView& view);
    // badstart: true only when the start-up completed.
    bool GoodStart() const { return badstart_; }
    TMenuState MenuVid() const;

    // The year list: "2016-2017" items, sorted, each keyed by its year.
    struct TYearItem {
        std::string text;
        int year = 0;
    };
    std::vector<TYearItem> YearItems() const;
    // The index of the active year in YearItems(); -1 when none.
    int ActiveYearIndex() const;
    // Loads the year at that index of YearItems() (the load window's texts
    // through the view). False when it did not load cleanly.
    [[nodiscard]] bool ChooseYear(int index, TShellView& view);

    // The 56 texts of the week list of the active year (empty without one).
    std::vector<std::string> WeekTexts() const;
    // The active flags of the weeks; index 0 is week 1.
    std::array<bool, kWeekItems> ActiveWeeks() const;
    // Copies a selection into the flags. write: store "Week" of the year's
    // section too, which only happens when at least one week is selected.
    // False when there is no active year or the flags could not be stored.
    bool SetActiveWeeks(const std::array<bool, kWeekItems>& weeks, bool write);
    // When no week is active, week 1 is made active (the week list does that
    // on filling).
    void EnsureActiveWeek();
    // The facts the menu checks look at.
    TMenuFacts Facts() const;

    // "Новый учебный год" after its window gave year: the record, the copy
    // from the nearest earlier year with its texts, then the new year loaded.
    TNewYearResult NewYear(int year, TShellView& view);
    // "Удалить учебный год": the two questions, then backup() (the automatic
    // backup; true when a copy was made and kept), the deletion, re-indexing
    // and the two closing messages. Without a kept copy nothing is deleted.
    // False when refused or failed.
    [[nodiscard]] bool DeleteActiveYear(TShellView& view, const std::function<bool()>& backup);

    // The close sequence. userClose: "Вы&Ход" or the window's close box.
    // backupDue asks the reminder and returns true when the person wants a
    // backup; runBackup runs it. hideMenus hides the tool panel and the menus
    // once the year list is gone, before the reminder. Never refuses.
    void Close(bool userClose, const std::function<bool()>& backupDue,
               const std::function<void()>& runBackup, const std::function<void()>& hideMenus = {});
    bool FClickExitUser = false;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool badstart_ = false;
};

}  // namespace zavlin::shell
