// How the core reaches the person at the screen: the question box, plain
// messages, and the progress of loading and of saving. One object per owner
// (TDM1 builds one from its dialog and hands it to its tables, settings files
// and year), so that two databases in one process never hear each other.
//
// Threads: every call arrives on the thread that runs the core operation. In
// the window program that is a worker thread, never the window's own. A
// receiver that draws (a progress bar, a message box) queues the call to its
// window thread and returns; a question (TMyDialog::MessageDlg) must block
// the worker until the person has answered, since the operation goes on with
// the answer. Receivers are not owned and must outlive the operations that
// use them.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "base/my_dialog.h"

namespace zavlin {

// Receives the progress texts of loading and of the long maintenance runs
// (the splash window's status line in the window program, a line on the
// command line).
class TProgressObserver {
public:
    virtual ~TProgressObserver() = default;
    virtual void StydImageShowBar(const std::string& text) = 0;
};

// The saving window's bar: one step per group.
class TSaveProgress {
public:
    virtual ~TSaveProgress() = default;
    virtual void SaveStart(int groups) = 0;
    virtual void SaveStep(int done) = 0;
    virtual void SaveFinish() = 0;
};

class TCoreHooks {
public:
    using MessageRoute = std::function<void(const std::string& text)>;

    explicit TCoreHooks(TMyDialog& dialog) : dialog_(&dialog) {}
    TCoreHooks(const TCoreHooks&) = delete;
    TCoreHooks& operator=(const TCoreHooks&) = delete;

    TMyDialog& Dialog() const { return *dialog_; }
    // A question with "Да" and "Нет"; true for "Да".
    bool Ask(const std::string& text) const { return dialog_->MessageInfDlg(text); }
    // A plain message: through the route when one is set, else the dialog's
    // information box.
    void Message(const std::string& text) const {
        MessageRoute route;
        {
            // A front end may change the route while a worker reports.
            std::lock_guard lock(routeLock_);
            route = route_;
        }
        if (route)
            route(text);
        else
            dialog_->MessageShow(text);
    }
    // Returns the route set before; an empty route restores the dialog.
    MessageRoute SetMessageRoute(MessageRoute route) {
        std::lock_guard lock(routeLock_);
        MessageRoute old = std::move(route_);
        route_ = std::move(route);
        return old;
    }

    void Progress(const std::string& text) const {
        if (ProgressObserver != nullptr) ProgressObserver->StydImageShowBar(text);
    }

    TProgressObserver* ProgressObserver = nullptr;  // not owned
    TSaveProgress* SaveProgress = nullptr;          // not owned

private:
    TMyDialog* dialog_;
    mutable std::mutex routeLock_;
    MessageRoute route_;
};

}  // namespace zavlin
