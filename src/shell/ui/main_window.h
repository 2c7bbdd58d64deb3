// The main window "Завлин 98": the year list, the active weeks, the tool
// panel and the main menu over one TShell. The start-up, choosing a year and
// creating or deleting one run on a worker; the window shows their texts
// through queued signals and is inert until they return.
#pragma once

#include <QMainWindow>
#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell/backup.h"
#include "shell/shell.h"
#include "shell/ui/qt_dialog.h"
#include "shell/ui/window_context.h"

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QToolButton;
class QWidget;

namespace zavlin::shell::ui {

class TListBoxNumer;
class TSplash;
class TForm1_1;
class TCopyFileBazaWindow;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // dialog answers every question of the shell and its windows; it is only
    // ever called on the window thread.
    TForm1(const std::filesystem::path& home, TMyDialog& dialog, QWidget* parent = nullptr);
    ~TForm1() override;

    // The start-up behind the splash; started() tells when it is over.
    void Start();
    bool busy() const { return busy_; }
    TShell& Shell() { return *shell_; }
    TCopyFileBaza& CopyBaza() { return *copyBaza_; }
    TCopyFileBazaWindow* BackupWindow() { return backupWindow_; }
    TForm1_1* NewYearWindow() { return newYearWindow_; }
    // The menu item of that component ("N69", "WORD1", ...); nullptr when none.
    QAction* MenuAction(const std::string& component) const;
    // The top-level menu or submenu with that caption ("&Год", "Экспорт данных").
    QMenu* MenuNamed(const std::string& caption) const;

    // Opens a help page (a local file path); true when it could. Tests put a
    // recording opener here.
    std::function<bool(const QString& path)> helpOpener;
    // The calendar year "Новый учебный год" offers first. Tests fix it.
    std::function<int()> currentYear;
    // The folder holding about.html, menu.html and howto.html.
    static QString helpFolder();
    // The windows above this library: each opener is asked in turn for the
    // window of a menu item. The program adds them; tests may add their own.
    std::vector<TWindowOpener> windowOpeners;
    // The context those windows get.
    TWindowContext& WindowContext() { return *context_; }

    // The window raised to the front, as when a second copy was started.
    void bringToFront();

signals:
    void started(int outcome);
    void statusText(const QString& text);
    void splashHidden();
    void workFinished(int result);
    // After a year is loaded, created or deleted and the lists are refilled.
    void yearsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class View;

    void buildMenu();
    void buildToolPanel(QWidget* panel);
    void menuClicked(const std::string& component);
    // False, starting nothing, while another worker has not been joined.
    bool runWork(std::function<int()> work, std::function<void(int)> then, bool loadWindow);
    void reloadYear();
    void onWorkFinished(int result);
    void onStatusText(const QString& text);
    void setBusy(bool busy);
    void afterStart(TStartOutcome outcome);
    // The year list, the week list and the menu state, after a year changed.
    void fillLists();
    void showYears();
    void fillYears();
    void fillWeeks();
    void weeksFromList(bool write);
    void showCount();
    void applyMenuState();
    void chooseYear(int row);
    void newYear();
    void deleteYear();
    void openBackup(TBackupMode mode);
    void openHelp(const QString& page);
    bool openWindow(const TMenuItem& item);
    void closeShell(bool userClose);
    void restartAfterRestore();

    std::filesystem::path home_;
    TGuiThreadDialog dialog_;
    std::unique_ptr<View> view_;
    std::unique_ptr<TShell> shell_;
    std::unique_ptr<TCopyFileBaza> copyBaza_;
    std::unique_ptr<TWindowContext> context_;

    TCopyFileBazaWindow* backupWindow_ = nullptr;
    TForm1_1* newYearWindow_ = nullptr;
    TSplash* splash_ = nullptr;
    QDialog* loadWindow_ = nullptr;
    QLabel* loadStatus_ = nullptr;
    TListBoxNumer* ListBoxN1_ = nullptr;
    TListBoxNumer* ListBoxN3_ = nullptr;
    QWidget* weekPane_ = nullptr;
    QLabel* count_ = nullptr;
    QToolButton* plus_ = nullptr;
    QToolButton* minus_ = nullptr;
    QWidget* Panel1_ = nullptr;
    QLabel* version_ = nullptr;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QMenu*> menus_;

    std::jthread worker_;
    std::function<void(int)> then_;
    bool busy_ = false;
    bool fillingWeeks_ = false;
    bool closePending_ = false;
    // The year in memory holds work that was to be dropped and could not be
    // read again: no window may open on it.
    bool yearUntrusted_ = false;
    bool shellClosed_ = false;
    bool centred_ = false;
    bool restartPending_ = false;
};

}  // namespace zavlin::shell::ui
