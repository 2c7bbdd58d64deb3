#include "entry/ui/sync_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"

namespace zavlin::entry::ui {

TForm5_4::TForm5_4(TMyDialog& dialog, QWidget* parent) : QDialog(parent), dialog_(dialog) {
    setWindowTitle(QStringLiteral("Синхронизация часов нагрузки по предметам"));
    auto* layout = new QVBoxLayout(this);
    auto radio = [&](const QString& text, const QString& name) {
        auto* button = new QRadioButton(text, this);
        button->setObjectName(name);
        layout->addWidget(button);
        return button;
    };
    firstTwo_ = radio(QStringLiteral("По первым двум выделенным неделям"),
                      QStringLiteral("FirstTwoButton"));
    extra12_ = radio(QStringLiteral("По двум дополнительным неделям  1 и 2"),
                     QStringLiteral("Extra12Button"));
    extra34_ = radio(QStringLiteral("По двум дополнительным неделям  3 и 4"),
                     QStringLiteral("Extra34Button"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("OkButton"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TForm5_4::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::optional<TSyncVariant> TForm5_4::Variant() const {
    if (firstTwo_->isChecked()) return TSyncVariant::FirstTwoSelected;
    if (extra12_->isChecked()) return TSyncVariant::Extra12;
    if (extra34_->isChecked()) return TSyncVariant::Extra34;
    return std::nullopt;
}

void TForm5_4::accept() {
    if (!Variant()) {
        dialog_.MessageShow("Требуется выбрать один из вариантов!");
        return;
    }
    QDialog::accept();
}

}  // namespace zavlin::entry::ui
