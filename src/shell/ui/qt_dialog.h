// The question box of the window program, and the route that brings a
// question asked on a worker thread to the window thread.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "base/my_dialog.h"

class QWidget;

namespace zavlin::shell::ui {

// Runs f on the application's thread and returns when it has run. Called on
// that thread it runs f at once; called on a worker it blocks the worker
// until the window thread got to it (the worker's question waits for its
// answer). False when f did not run: the window thread refused the calls of
// this worker because it is about to join it (see joinRefusingGuiCalls).
bool runOnGuiThread(const std::function<void()>& f);

// Joins worker on the window thread. Meanwhile every window-thread call of
// that worker, waiting or new, returns at once without running (a question
// reads "Нет"), so that a worker waiting for the window cannot hang the
// join. Not to be called from inside one of that worker's calls.
void joinRefusingGuiCalls(std::jthread& worker);

// A real box: the information icon, "Да"/"Нет" or one OK button. Callable
// from any thread; a worker waits for the answer.
class TQtDialog : public TMyDialog {
public:
    explicit TQtDialog(QWidget* parent = nullptr) : parent_(parent) {}
    bool MessageDlg(const std::string& Msg, const std::string& Caption) override;
    void MessageShow(const std::string& Msg) override;
    void setParent(QWidget* parent) { parent_ = parent; }

private:
    QWidget* parent_;
};

// Hands every question and message to another dialog on the window thread,
// whatever thread asks: the windows give this to the core so that a
// scripted dialog of a test is only ever touched by the window thread.
class TGuiThreadDialog : public TMyDialog {
public:
    explicit TGuiThreadDialog(TMyDialog& inner) : inner_(inner) {}
    bool MessageDlg(const std::string& Msg, const std::string& Caption) override;
    void MessageShow(const std::string& Msg) override;

private:
    TMyDialog& inner_;
};

}  // namespace zavlin::shell::ui
