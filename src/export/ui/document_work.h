// Writing a document on a worker while its window waits: the hub's messages
// and progress cross back to the window's thread.
#pragma once

#include <QDialog>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "export/html_documents.h"

class QCloseEvent;
class QProgressBar;
class QWidget;

namespace zavlin::exporting::ui {

// The hub talks from the worker: its messages wait here until the work has
// ended and are then shown by the window, in order.
class TDeferredDialog : public TMyDialog {
public:
    // No question of the hub may block a worker: it is told, not asked.
    bool MessageDlg(const std::string& Msg, const std::string& Caption) override;
    void MessageShow(const std::string& Msg) override;
    void Replay(TMyDialog& to);

private:
    std::mutex mutex_;
    std::vector<std::string> shown_;
};

// The worker may not touch a widget: each report is queued to the bar's own
// thread, and dropped if the bar is gone by then.
class TBarProgress : public THtmlProgress {
public:
    explicit TBarProgress(QProgressBar* bar) : bar_(bar) {}
    void Show(int maximum) override;
    void Position(int position) override;
    void Hide() override;
    // Shows the reports still queued; only on the bar's thread.
    void Flush();

private:
    template <class F>
    void post(F f);
    QProgressBar* bar_;
};

// A window that writes a document on a worker: while it writes (busy_),
// neither Escape nor closing the window ends it, so no file is left half made.
class TWorkDialog : public QDialog {
public:
    using QDialog::QDialog;
    bool Busy() const { return busy_; }
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool busy_ = false;
};

// Runs job on a worker while the window, disabled, keeps its event loop
// turning; returns its result once it has ended and its last progress is
// shown.
bool RunOnWorker(QWidget* window, TBarProgress& progress, const std::function<bool()>& job);

}  // namespace zavlin::exporting::ui
