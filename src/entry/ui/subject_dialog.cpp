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
#include "entry/ui/entry_widgets.h"
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
    TRussianInput::Attach(short_, dialog_, TNameKind::Subject, kSubjectShortNameChars);
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
    TRussianInput::Attach(big_, dialog_, TNameKind::Subject, kSubjectLongNameChars);
    layout->addWidget(big_);
    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
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
    if (!prepareName(short_->text().toStdString(), kSubjectShortNameChars, shortName, message) ||
        !prepareName(big_->text().toStdString(), kSubjectLongNameChars, bigName, message)) {
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
        // A whole copy: the full name may be stored equal to the short one
        // or empty, and the two read back alike.
        const TYrName before = *yrName_;
        yrName_->SetName(shortName);
        yrName_->SetBigName(bigName);
        if (!year_.AddYrName(yrName_)) {
            static_cast<TYrName&>(*yrName_) = before;
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
    }
    accept();
}

}  // namespace zavlin::entry::ui
