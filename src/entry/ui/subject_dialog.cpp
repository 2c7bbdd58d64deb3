#include "entry/ui/subject_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/my_dialog.h"
#include "entry/name_input.h"
#include "entry/reference_checks.h"
#include "entry/ui/russian_input.h"
#include "model/subject_name.h"
#include "model/year.h"

namespace zavlin::entry::ui {

TForm4_1::TForm4_1(TAllRasp& year, TMyDialog& dialog, TYrName* yrName, QWidget* parent)
    : QDialog(parent), year_(year), dialog_(dialog), yrName_(yrName) {
    setWindowTitle(QStringLiteral("Название предмета"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Сокращение"), this));
    short_ = new QLineEdit(this);
    short_->setObjectName("ShortEdit");
    TRussianInput::Attach(short_, dialog_, TNameKind::Subject, kYrNameShortChars);
    layout->addWidget(short_);
    layout->addWidget(new QLabel(QStringLiteral("Полное название"), this));
    auto* note = new QLabel(
        QStringLiteral("(поле можно не заполнять - если заполнено то используется для печати на "
                       "стенд) "),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);
    big_ = new QLineEdit(this);
    big_->setObjectName("BigEdit");
    TRussianInput::Attach(big_, dialog_, TNameKind::Subject, kYrNameBigChars);
    layout->addWidget(big_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("OkButton");
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("CancelButton");
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (yrName_ != nullptr) {
        short_->setText(QString::fromStdString(yrName_->Name()));
        // The full name reads as the short one while none is given.
        if (yrName_->BigName() != yrName_->Name())
            big_->setText(QString::fromStdString(yrName_->BigName()));
    }
    resize(420, sizeHint().height());
}

void TForm4_1::onOk() {
    std::string shortName;
    std::string bigName;
    std::string message;
    if (!prepareName(short_->text().toStdString(), kYrNameShortChars, shortName, message) ||
        !prepareName(big_->text().toStdString(), kYrNameBigChars, bigName, message)) {
        dialog_.MessageShow(message);
        return;
    }
    if (TRefusal refused = CheckYrName(year_, yrName_, shortName)) {
        dialog_.MessageShow(*refused);
        return;
    }
    if (yrName_ == nullptr) {
        TYrName* created = year_.CreateYrName(shortName, bigName);
        if (!year_.AddYrName(created)) {
            std::erase_if(year_.LYrName, [&](const auto& yr) { return yr.get() == created; });
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
        yrName_ = created;
    } else {
        const std::string oldShort = yrName_->Name();
        const std::string oldBig = yrName_->BigName() == oldShort ? "" : yrName_->BigName();
        yrName_->SetName(shortName);
        yrName_->SetBigName(bigName);
        if (!year_.AddYrName(yrName_)) {
            yrName_->SetName(oldShort);
            yrName_->SetBigName(oldBig);
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
    }
    accept();
}

}  // namespace zavlin::entry::ui
