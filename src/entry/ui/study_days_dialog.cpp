#include "entry/ui/study_days_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "model/calendar.h"
#include "model/element.h"

namespace zavlin::entry::ui {

namespace {

const char* const kStudy = "Учебный день недели";
const char* const kFree = "Не учебный день недели";

}  // namespace

TForm12_1::TForm12_1(TWindowContext& context, std::vector<TGryp*> groups, std::vector<int> weeks,
                     QWidget* parent)
    : QDialog(parent), context_(context), groups_(std::move(groups)), weeks_(std::move(weeks)) {
    setObjectName(QStringLiteral("Form12_1"));
    setWindowTitle(QStringLiteral("Учебные дни недели"));
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("DayTable"));
    table_->setColumnCount(2);
    table_->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("День")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    table_->setRowCount(static_cast<int>(weeks_.size()) * kDayCount);

    const TAllNed* calendar = !groups_.empty() && groups_.front()->Spisok != nullptr
                                  ? &groups_.front()->Spisok->AllNed
                                  : nullptr;
    initial_ = initialStudyDays(groups_, weeks_);
    int row = 0;
    for (const TWeekStudyDays& w : initial_) {
        const TDNed* week = calendar != nullptr ? calendar->DNed(w.ne) : nullptr;
        for (int d = 1; d <= kDayCount; ++d, ++row) {
            const std::string text = week != nullptr ? week->GetLongStrDateDey(d)
                                                     : std::to_string(w.ne) + " " + weekdayName(d);
            auto* item = new QTableWidgetItem(QString::fromStdString(text));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            table_->setItem(row, 0, item);
            auto* choice = new QComboBox(table_);
            choice->addItems({QString::fromUtf8(kStudy), QString::fromUtf8(kFree)});
            choice->setCurrentIndex(w.study[static_cast<std::size_t>(d - 1)] ? 0 : 1);
            table_->setCellWidget(row, 1, choice);
        }
    }

    auto* groupsText = new QLabel(this);
    QStringList names;
    for (const TGryp* gr : groups_) names << QString::fromStdString(gr->Name());
    groupsText->setText(QStringLiteral("Группы: ") + names.join(QStringLiteral(", ")));
    groupsText->setWordWrap(true);

    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    connect(ok, &QPushButton::clicked, this, &TForm12_1::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(groupsText);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(480, 520);
}

void TForm12_1::setStudy(int weekIndex, int day, bool study) {
    const int row = weekIndex * kDayCount + day - 1;
    if (auto* choice = qobject_cast<QComboBox*>(table_->cellWidget(row, 1)))
        choice->setCurrentIndex(study ? 0 : 1);
}

std::vector<TWeekStudyDays> TForm12_1::chosen() const {
    std::vector<TWeekStudyDays> days;
    int row = 0;
    for (int ne : weeks_) {
        TWeekStudyDays w;
        w.ne = ne;
        for (int d = 1; d <= kDayCount; ++d, ++row) {
            const auto* choice = qobject_cast<QComboBox*>(table_->cellWidget(row, 1));
            w.study[static_cast<std::size_t>(d - 1)] =
                choice != nullptr && choice->currentIndex() == 0;
        }
        days.push_back(w);
    }
    return days;
}

void TForm12_1::accept() {
    std::string message;
    if (!setStudyDays(groups_, initial_, chosen(), message)) {
        context_.dialog.MessageShow(message);
        return;
    }
    QDialog::accept();
}

}  // namespace zavlin::entry::ui

// The window's meta-object code compiles with it.
#include "moc_study_days_dialog.cpp"
