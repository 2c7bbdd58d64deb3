#include "entry/ui/attribute_dialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/name_input.h"
#include "entry/reference_checks.h"
#include "entry/ui/entry_widgets.h"
#include "model/attribute.h"
#include "model/year.h"

namespace zavlin::entry::ui {

TForm17_1::TForm17_1(TAllRasp& year, TMyDialog& dialog, TAtr* atr, QWidget* parent)
    : QDialog(parent), year_(year), dialog_(dialog), atr_(atr) {
    setWindowTitle(QStringLiteral("Название атрибута"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    name_ = new QLineEdit(this);
    name_->setObjectName("NameEdit");
    name_->setMaxLength(static_cast<int>(kAttributeNameChars));
    name_->setText(atr_ != nullptr ? QString::fromStdString(atr_->Name())
                                   : QStringLiteral("Новое название"));
    name_->selectAll();
    layout->addWidget(name_);
    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    resize(380, sizeHint().height());
}

void TForm17_1::onOk() {
    std::string name;
    std::string message;
    if (!prepareName(name_->text().toStdString(), kAttributeNameChars, name, message)) {
        dialog_.MessageShow(message);
        return;
    }
    if (TRefusal refused = CheckAtrName(year_.Atribyt, atr_, name)) {
        dialog_.MessageShow(*refused);
        return;
    }
    if (atr_ == nullptr) {
        atr_ = year_.AddAtribyt(name);
        if (atr_ == nullptr) {
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
    } else {
        const std::string oldName = atr_->Name();
        atr_->SetName(name);
        if (!year_.AddAtribyt(atr_)) {
            atr_->SetName(oldName);
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
    }
    accept();
}

}  // namespace zavlin::entry::ui
