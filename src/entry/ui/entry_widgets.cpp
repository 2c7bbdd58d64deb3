#include "entry/ui/entry_widgets.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>

#include "base/my_dialog.h"
#include "shell/menu.h"

namespace zavlin::entry::ui {

namespace {
// Day 0 of the stored dates.
const QDate kDayZero(1899, 12, 30);
}  // namespace

QPushButton* MakeButton(QWidget* parent, const QString& text, const QString& objectName,
                        QBoxLayout* layout) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    if (layout != nullptr) layout->addWidget(button);
    return button;
}

QDialogButtonBox* MakeOkCancel(QDialog* dialog, QPushButton** ok) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* okButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    okButton->setObjectName(QStringLiteral("OkButton"));
    okButton->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    if (ok != nullptr) *ok = okButton;
    return buttons;
}

void FillWorkArea(QWidget* window) {
    const QWidget* parent = window->parentWidget();
    const QScreen* screen = parent != nullptr && parent->screen() != nullptr
                                ? parent->screen()
                                : QApplication::primaryScreen();
    if (screen != nullptr) window->setGeometry(screen->availableGeometry());
}

void OpenOtherWindow(TWindowContext& context, const std::string& window,
                     const std::string& caption) {
    if (context.openWindow && context.openWindow(window)) return;
    context.dialog.MessageShow(shell::WindowNotReadyText(caption));
}

QDate DateFromStored(int days) {
    return kDayZero.addDays(days);
}

int StoredFromDate(const QDate& date) {
    return static_cast<int>(kDayZero.daysTo(date));
}

}  // namespace zavlin::entry::ui
