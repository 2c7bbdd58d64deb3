#include "entry/ui/pairs_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zavlin::entry::ui {

TForm5_3::TForm5_3(const QString& subjects, int studyWeeks, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Часы по предмету"));
    auto* layout = new QVBoxLayout(this);
    auto* subjectRow = new QHBoxLayout;
    layout->addLayout(subjectRow);
    subjectRow->addWidget(new QLabel(QStringLiteral("Предмет:"), this), 0, Qt::AlignTop);
    auto* subjectLabel = new QLabel(subjects, this);
    subjectLabel->setObjectName(QStringLiteral("SubjectLabel"));
    subjectLabel->setWordWrap(true);
    subjectRow->addWidget(subjectLabel, 1);
    auto* weeksLabel =
        new QLabel(QStringLiteral("Выделено учебных недель :") + QString::number(studyWeeks), this);
    weeksLabel->setObjectName(QStringLiteral("WeeksLabel"));
    layout->addWidget(weeksLabel);
    layout->addWidget(new QLabel(QStringLiteral("Возможные варианты проведения предмета"), this));
    layout->addWidget(
        new QLabel(QStringLiteral("(всего часов за все недели   -  всего пар)"), this));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListBox"));
    const int most = kMaxHoursPerWeek * std::max(studyWeeks, 0);
    QStringList lines;
    lines.reserve(most + 1);
    for (int h = 0; h <= most; ++h)
        lines.append(QStringLiteral("Всего часов = %1    Всего пар =%2").arg(h).arg(h / 2));
    list_->addItems(lines);
    list_->setCurrentRow(0);
    layout->addWidget(list_, 1);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* yes = buttons->addButton(QStringLiteral("Да"), QDialogButtonBox::AcceptRole);
    yes->setObjectName(QStringLiteral("YesButton"));
    QPushButton* cancel = buttons->addButton(QStringLiteral("Отказ"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 480);
}

int TForm5_3::Pairs() const {
    const int row = list_->currentRow();
    return row < 0 ? -1 : row / 2;
}

}  // namespace zavlin::entry::ui
