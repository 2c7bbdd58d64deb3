#include "composition/ui/working_days_dialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "composition/teacher_inputs.h"
#include "entry/ui/entry_widgets.h"

namespace zavlin::composition::ui {

TForm15_1::TForm15_1(int rd, QWidget* parent) : QDialog(parent), Rd(rd) {
    setWindowTitle(QStringLiteral("Количество  рабочих дней"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("DaysList"));
    for (int d = 1; d <= 6; ++d) list_->addItem(QString::number(d));
    list_->setCurrentRow(RdayChoice(rd) - 1);
    layout->addWidget(list_, 1);
    QPushButton* ok = nullptr;
    layout->addWidget(entry::ui::MakeOkCancel(this, &ok));
    connect(ok, &QPushButton::clicked, this, &TForm15_1::accept);
    connect(list_, &QListWidget::itemDoubleClicked, this, &TForm15_1::accept);
    resize(260, 260);
}

void TForm15_1::accept() {
    const int row = list_->currentRow();
    if (row < 0) return;  // nothing chosen: the dialog stays
    Rd = row + 1;
    QDialog::accept();
}

}  // namespace zavlin::composition::ui
