#include "export/ui/document_work.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProgressBar>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <memory>

namespace zavlin::exporting::ui {

bool TDeferredDialog::MessageDlg(const std::string& Msg, const std::string& Caption) {
    (void)Caption;
    MessageShow(Msg);
    return false;
}

void TDeferredDialog::MessageShow(const std::string& Msg) {
    const std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back(Msg);
}

void TDeferredDialog::Replay(TMyDialog& to) {
    std::vector<std::string> shown;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        shown.swap(shown_);
    }
    for (const std::string& m : shown) to.MessageShow(m);
}

template <class F>
void TBarProgress::post(F f) {
    QPointer<QProgressBar> bar(bar_);
    // The bar is the receiver, so Flush can deliver this window's reports
    // without running anybody else's queued calls.
    QMetaObject::invokeMethod(
        bar_,
        [bar, f] {
            if (bar) f(bar.data());
        },
        Qt::QueuedConnection);
}

void TBarProgress::Show(int maximum) {
    post([maximum](QProgressBar* b) {
        b->setRange(0, std::max(maximum, 1));
        b->setValue(0);
    });
}

void TBarProgress::Position(int position) {
    post([position](QProgressBar* b) { b->setValue(position); });
}

void TBarProgress::Hide() {
    post([](QProgressBar* b) { b->setValue(b->maximum()); });
}

void TBarProgress::Flush() {
    // A null receiver would deliver every queued call of the program.
    if (bar_ != nullptr) QCoreApplication::sendPostedEvents(bar_, QEvent::MetaCall);
}

bool RunOnWorker(QWidget* window, TBarProgress& progress, const std::function<bool()>& job) {
    bool result = false;
    window->setEnabled(false);
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = job(); }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    progress.Flush();
    window->setEnabled(true);
    return result;
}

void TWorkDialog::reject() {
    if (!busy_) QDialog::reject();
}

void TWorkDialog::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace zavlin::exporting::ui
