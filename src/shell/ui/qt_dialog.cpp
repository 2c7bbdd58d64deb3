#include "shell/ui/qt_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

namespace zavlin::shell::ui {

void runOnGuiThread(const std::function<void()>& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, f, Qt::BlockingQueuedConnection);
}

namespace {

QWidget* boxParent(QWidget* parent) {
    if (parent != nullptr && parent->isVisible()) return parent;
    return QApplication::activeWindow();
}

}  // namespace

bool TQtDialog::MessageDlg(const std::string& Msg, const std::string& Caption) {
    bool yes = false;
    runOnGuiThread([&] {
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
    runOnGuiThread([&] {
        const QPointer<QWidget> parent = parent_;
        QMessageBox box(QMessageBox::Information, QStringLiteral("Информация"),
                        QString::fromStdString(Msg), QMessageBox::Ok, boxParent(parent.data()));
        box.exec();
    });
}

bool TGuiThreadDialog::MessageDlg(const std::string& Msg, const std::string& Caption) {
    bool yes = false;
    runOnGuiThread([&] { yes = inner_.MessageDlg(Msg, Caption); });
    return yes;
}

void TGuiThreadDialog::MessageShow(const std::string& Msg) {
    runOnGuiThread([&] { inner_.MessageShow(Msg); });
}

}  // namespace zavlin::shell::ui
