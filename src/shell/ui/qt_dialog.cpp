#include "shell/ui/qt_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

namespace zavlin::shell::ui {

namespace {

// The workers whose window-thread calls are refused, and the calls waiting.
std::mutex gCallsMutex;
std::condition_variable gCallsChanged;
std::multiset<std::thread::id> gRefused;

struct TGuiCall {
    const std::function<void()>* f = nullptr;
    bool started = false;
    bool done = false;
    bool abandoned = false;
};

}  // namespace

bool runOnGuiThread(const std::function<void()>& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        f();
        return true;
    }
    const std::thread::id self = std::this_thread::get_id();
    auto call = std::make_shared<TGuiCall>();
    call->f = &f;
    {
        const std::lock_guard lock(gCallsMutex);
        if (gRefused.contains(self)) return false;
    }
    QMetaObject::invokeMethod(
        app,
        [call] {
            {
                const std::lock_guard lock(gCallsMutex);
                // The worker went on without it: f is gone with its stack.
                if (call->abandoned) return;
                call->started = true;
            }
            (*call->f)();
            {
                const std::lock_guard lock(gCallsMutex);
                call->done = true;
            }
            gCallsChanged.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(gCallsMutex);
    // Once started, f runs on the window thread and must be waited for.
    gCallsChanged.wait(lock,
                       [&] { return call->done || (!call->started && gRefused.contains(self)); });
    if (call->done) return true;
    call->abandoned = true;
    return false;
}

void joinRefusingGuiCalls(std::jthread& worker) {
    if (!worker.joinable()) return;
    const std::thread::id id = worker.get_id();
    {
        const std::lock_guard lock(gCallsMutex);
        gRefused.insert(id);
    }
    gCallsChanged.notify_all();
    worker.join();
    const std::lock_guard lock(gCallsMutex);
    gRefused.erase(gRefused.find(id));
}

namespace {

QWidget* boxParent(QWidget* parent) {
    if (parent != nullptr && parent->isVisible()) return parent;
    return QApplication::activeWindow();
}

}  // namespace

bool TQtDialog::MessageDlg(const std::string& Msg, const std::string& Caption) {
    bool yes = false;
    (void)runOnGuiThread([&] {
        const QPointer<QWidget> parent = parent_;
        QMessageBox box(QMessageBox::Information, QString::fromStdString(Caption),
                        QString::fromStdString(Msg), QMessageBox::Yes | QMessageBox::No,
                        boxParent(parent.data()));
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
        box.setDefaultButton(QMessageBox::Yes);
        yes = box.exec() == QMessageBox::Yes;
    });
    return yes;
}

void TQtDialog::MessageShow(const std::string& Msg) {
    (void)runOnGuiThread([&] {
        const QPointer<QWidget> parent = parent_;
        QMessageBox box(QMessageBox::Information, QStringLiteral("Информация"),
                        QString::fromStdString(Msg), QMessageBox::Ok, boxParent(parent.data()));
        box.exec();
    });
}

bool TGuiThreadDialog::MessageDlg(const std::string& Msg, const std::string& Caption) {
    bool yes = false;
    (void)runOnGuiThread([&] { yes = inner_.MessageDlg(Msg, Caption); });
    return yes;
}

void TGuiThreadDialog::MessageShow(const std::string& Msg) {
    (void)runOnGuiThread([&] { inner_.MessageShow(Msg); });
}

}  // namespace zavlin::shell::ui
