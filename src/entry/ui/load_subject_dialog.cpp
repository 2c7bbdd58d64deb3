#include "entry/ui/load_subject_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "model/year.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

namespace {

QSpinBox* spin(QWidget* parent, const QString& name, int low, int high, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setValue(std::clamp(value, low, high));
    return box;
}

}  // namespace

TForm5_1::TForm5_1(TAllRasp& year, TGryp& group, TPredmet* subject, TMyDialog& dialog,
                   QWidget* parent)
    : QDialog(parent), year_(year), group_(group), subject_(subject), dialog_(dialog) {
    setWindowTitle(QStringLiteral("Добавление (изменение) предмета"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    names_ = new shell::ui::TComboBoxNumer(this);
    names_->setObjectName(QStringLiteral("SubjectBox"));
    for (const auto& [text, key] : year_.YrNameToListBoxN()) names_->Add(text, key);
    names_->setPlaceholderText(QStringLiteral("Безымянный"));
    names_->setCurrentIndex(-1);
    if (subject_ != nullptr && subject_->YrName() != nullptr)
        names_->setCurrentIndex(names_->findData(subject_->YrName()->N));
    form->addRow(QStringLiteral("Предмет"), names_);

    const APredmet dan = subject_ != nullptr ? subject_->Dan : APredmet{};
    form->addRow(new QLabel(QStringLiteral("Количество пар за семестр по плану "), this));
    sem1_ = spin(this, QStringLiteral("Sem1Edit"), 0, 250, dan.Sem1);
    sem2_ = spin(this, QStringLiteral("Sem2Edit"), 0, 250, dan.Sem2);
    form->addRow(QStringLiteral("1 сем."), sem1_);
    form->addRow(QStringLiteral("2 сем."), sem2_);
    auto* sparLabel = new QLabel(
        QStringLiteral("Спаривание предмета (нет спаривания=1 тоесть читать по одной паре в день)"),
        this);
    sparLabel->setWordWrap(true);
    spar_ = spin(this, QStringLiteral("SparEdit"), 1, 16, dan.Spar);
    form->addRow(sparLabel, spar_);
    podg_ = new QCheckBox(QStringLiteral("Предмет читается раздельными подгруппами"), this);
    podg_->setObjectName(QStringLiteral("PodgCheck"));
    podg_->setChecked(dan.Podg != 0);
    form->addRow(podg_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("OkButton"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TForm5_1::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TForm5_1::accept() {
    TYrName* name = year_.YrNameNumer(names_->GetNumer());
    if (names_->currentIndex() < 0 || name == nullptr) {
        dialog_.MessageShow("Выберите предмет!");
        return;
    }
    for (const auto& other : group_.LPredmet)
        if (other.get() != subject_ && other->YrName() == name) {
            dialog_.MessageShow("Повтор предмета.");
            return;
        }
    if (subject_ == nullptr) {
        subject_ = group_.CreatePredmet(name);
        if (subject_ == nullptr) {
            // A byte numbers the subjects: the group is full.
            dialog_.MessageShow("В группе не может быть более 255 предметов.");
            return;
        }
    } else {
        subject_->SetYrName(name);
    }
    subject_->Dan.Sem1 = static_cast<uint8_t>(sem1_->value());
    subject_->Dan.Sem2 = static_cast<uint8_t>(sem2_->value());
    subject_->Dan.Spar = static_cast<uint8_t>(spar_->value());
    subject_->Dan.Podg = podg_->isChecked() ? 1 : 0;
    group_.OnModifi(subject_);
    QDialog::accept();
}

}  // namespace zavlin::entry::ui
