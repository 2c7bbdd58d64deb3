#include "shell/ui/new_year_dialog.h"

#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zavlin::shell::ui {

TForm1_1::TForm1_1(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form1_1"));
    setWindowTitle(QStringLiteral("Новый Учебный  Год"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    SpinEdit1_ = new QSpinBox(this);
    SpinEdit1_->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1_->setRange(1900, 3000);
    nextYear_ = new QLabel(this);
    nextYear_->setObjectName(QStringLiteral("NextYear"));
    nextYear_->setMinimumWidth(60);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("OkButton"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отказ"), this);
    cancel_->setObjectName(QStringLiteral("CancelButton"));

    auto* years = new QHBoxLayout;
    years->addWidget(new QLabel(QStringLiteral("Учебный год:"), this));
    years->addWidget(SpinEdit1_);
    years->addWidget(new QLabel(QStringLiteral("-"), this));
    years->addWidget(nextYear_);
    years->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(years);
    all->addSpacing(8);
    all->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(SpinEdit1_, &QSpinBox::valueChanged, this, &TForm1_1::showNext);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    SetYear(QDate::currentDate().year());
}

int TForm1_1::Year() const {
    return SpinEdit1_->value();
}

void TForm1_1::SetYear(int year) {
    SpinEdit1_->setValue(year);
    showNext(SpinEdit1_->value());
}

void TForm1_1::showNext(int year) {
    nextYear_->setText(QString::number(year + 1));
}

}  // namespace zavlin::shell::ui
