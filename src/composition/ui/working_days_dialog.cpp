#include "composition/ui/working_days_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "composition/teacher_inputs.h"
#include "entry/ui/entry_widgets.h"

namespace zavlin::composition::ui {

TForm15_1::TForm15_1(int rd, QWidget* parent) : QDialog(parent), Rd(RdayChoice(rd)) {
    setWindowTitle(QStringLiteral("Количество  рабочих дней"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("DaysList"));
    for (int d = 1; d <= 6; ++d) list_->addItem(QString::number(d));
    list_->setCurrentRow(Rd - 1);
    layout->addWidget(list_, 1);
    auto* bottom = new QHBoxLayout;
    layout->addLayout(bottom);
    bottom->addStretch(1);
    QPushButton* ok =
        entry::ui::MakeButton(this, QStringLiteral("OK"), QStringLiteral("OkButton"), bottom);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(260, 260);
}

void TForm15_1::done(int) {
    if (const int row = list_->currentRow(); row >= 0) Rd = row + 1;
    QDialog::done(QDialog::Accepted);
}

}  // namespace zavlin::composition::ui
