// What every data-entry window test stands on: a sample college made once
// and copied into each test's own home with a started shell, the context the
// main window would hand a window, widget helpers, and the pump that drives a
// window opened modally by the click that shows it.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/my_dialog.h"
#include "shell/shell.h"
#include "shell/ui/window_context.h"
#include "support/scratch_home.h"

class QComboBox;
class QListWidget;

namespace zavlin {
class THGrid;
}

namespace zavlin::test {

struct QuietView : shell::TShellView {
    void StatusText(const std::string&) override {}
    void HideSplash() override {}
};

// Closes, as a failure, a modal window that no wait expects and that stays
// open past the bound: it would block the click that opened it for ever.
class ModalWatchdog {
public:
    ModalWatchdog();
    ModalWatchdog(const ModalWatchdog&) = delete;
    ModalWatchdog& operator=(const ModalWatchdog&) = delete;

private:
    QTimer timer_;
    QElapsedTimer unexpected_;
};

// One test's shell over its own home, with what its windows asked of the
// main window recorded.
struct EntryHarness {
    explicit EntryHarness(const std::string& tag) : home(tag) {}
    EntryHarness(const EntryHarness&) = delete;
    EntryHarness& operator=(const EntryHarness&) = delete;

    testsupport::ScratchHome home;
    TScriptedDialog dialog;
    QuietView view;
    // When set before start(), the shell's tables go through it.
    std::unique_ptr<FaultInjectingFileSystem> faulty;
    std::unique_ptr<shell::TShell> shell;
    std::unique_ptr<shell::ui::TWindowContext> context;
    std::vector<int> helpTopics;
    int weeksChanged = 0;
    std::vector<std::string> opened;  // windows asked of the opener
    // Answers the opener for a window; unset, no window is known.
    std::function<bool(const std::string& window)> onOpen;
    ModalWatchdog watchdog;

    // A fresh shell over the home, as the next start of the program; false
    // when it does not come to run.
    [[nodiscard]] bool start();
    TGod& year() const { return *shell->God(); }
    std::string lastShown() const { return dialog.shown.empty() ? "" : dialog.shown.back(); }
    bool wasShown(const std::string& text) const {
        return std::find(dialog.shown.begin(), dialog.shown.end(), text) != dialog.shown.end();
    }
};

// The small sample college, made once per executable and copied for each
// test so that no test sees another's changes.
class SampleTemplate {
public:
    [[nodiscard]] bool make(const std::string& tag, std::string& message);

    // A started shell over a copy; faulty puts a fault injector under it.
    template <class H = EntryHarness>
    std::unique_ptr<H> copy(const std::string& tag, bool faulty = false) const {
        auto h = std::make_unique<H>(tag);
        copyInto(*h, faulty);
        return h;
    }

private:
    void copyInto(EntryHarness& h, bool faulty) const;
    std::unique_ptr<testsupport::ScratchHome> home_;
};

// Acts on the first modal window of the expected type once it is shown: the
// click that opens it returns when the action closed it. Looks on every turn
// of the event loop for as long as the object lives. A window the action left
// open (a check inside failed) is closed; after a generous bound without it
// the test fails and whatever modal window is in the way is closed, so that
// a test never waits for a user. A wait that dies unmet fails the test.
class ModalWait {
public:
    static constexpr qint64 kBoundMs = 30000;

    explicit ModalWait(std::function<QWidget*(QWidget* modal)> match,
                       std::function<void(QWidget*)> act);
    ~ModalWait();
    ModalWait(const ModalWait&) = delete;
    ModalWait& operator=(const ModalWait&) = delete;

    bool shown() const { return shown_; }
    // For a window that comes only after long work (a composition run).
    void setBoundMs(qint64 ms) { boundMs_ = ms; }
    // Waits still looking for their window.
    static int waiting();

private:
    void poll();
    void stop();

    std::function<QWidget*(QWidget*)> match_;
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 boundMs_ = kBoundMs;
    bool shown_ = false;
    bool gaveUp_ = false;
};

template <class W>
[[nodiscard]] ModalWait whenModal(std::function<void(W*)> act) {
    return ModalWait([](QWidget* modal) -> QWidget* { return qobject_cast<W*>(modal); },
                     [act](QWidget* w) { act(static_cast<W*>(w)); });
}

template <class W = QWidget>
W* child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    if (w == nullptr) qFatal("no child %s", name);
    return w;
}

// Clicks the named button; a missing one fails the test.
void click(QWidget* parent, const char* name);
// Clicks a list row; with Ctrl it joins the selection.
void clickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = {});
void clickCell(THGrid* grid, int col, int row, Qt::KeyboardModifiers modifiers = {});
void doubleClickCell(THGrid* grid, int col, int row);
// Selects the rectangle from (c1, r1) to (c2, r2) as the keyboard does.
void selectCells(THGrid* grid, int c1, int r1, int c2, int r2);
// Types key by key: keyClicks cannot name a key for a Cyrillic letter.
void typeText(QWidget* widget, const QString& text);
// Clears the named line edit and types text into it.
void retype(QWidget* parent, const char* edit, const QString& text);
void chooseCombo(QComboBox* box, const QString& text);
// The lines of the named memo (a QPlainTextEdit); none when it is empty.
QStringList memoLines(QWidget* parent, const char* name);

}  // namespace zavlin::test
