#include "entry/ui/group_defaults_dialog.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/my_dialog.h"
#include "entry/calendar_ops.h"
#include "model/calendar.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

namespace {

// Whole dates count days from 1899-12-30.
const QDate kDateZero(1899, 12, 30);

QDate toQDate(int32_t date) {
    return kDateZero.addDays(date);
}

int32_t fromQDate(const QDate& date) {
    return static_cast<int32_t>(kDateZero.daysTo(date));
}

const char* const kCaption = "Подтверждение";

}  // namespace

TForm12_2::TForm12_2(TWindowContext& context, std::vector<TGryp*> groups, QWidget* parent)
    : QDialog(parent), context_(context), groups_(std::move(groups)) {
    setObjectName(QStringLiteral("Form12_2"));
    setWindowTitle(QStringLiteral("Установка данных для нескольких групп"));

    auto* dateBox = new QGroupBox(QStringLiteral("Дата начала второго семестра"), this);
    date_ = new QDateEdit(dateBox);
    date_->setObjectName(QStringLiteral("DateEdit"));
    date_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    date_->setCalendarPopup(true);
    if (!groups_.empty()) date_->setDate(toQDate(groups_.front()->DateSemm2()));
    auto* dateButton = new QPushButton(QStringLiteral("Изменить"), dateBox);
    dateButton->setObjectName(QStringLiteral("DateButton"));
    dateButton->setAutoDefault(false);
    auto* dateRow = new QHBoxLayout(dateBox);
    dateRow->addWidget(date_);
    dateRow->addWidget(dateButton);

    auto* daysBox = new QGroupBox(QStringLiteral("Основные  учебные дни занятий"), this);
    days_ = new QListWidget(daysBox);
    days_->setObjectName(QStringLiteral("DayList"));
    const auto main =
        groups_.empty() ? std::array<bool, kDayCount>{} : mainStudyDays(*groups_.front());
    for (int d = 1; d <= kDayCount; ++d) {
        auto* item = new QListWidgetItem(QString::fromUtf8(weekdayName(d)), days_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(main[static_cast<std::size_t>(d - 1)] ? Qt::Checked : Qt::Unchecked);
    }
    auto* daysButton = new QPushButton(QStringLiteral("Изменить"), daysBox);
    daysButton->setObjectName(QStringLiteral("DaysButton"));
    daysButton->setAutoDefault(false);
    auto* daysColumn = new QVBoxLayout(daysBox);
    daysColumn->addWidget(days_);
    daysColumn->addWidget(daysButton);

    auto* groupsText = new QLabel(this);
    groupsText->setText(QStringLiteral("Выделено групп: ") +
                        QString::number(static_cast<int>(groups_.size())));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(groupsText);
    layout->addWidget(dateBox);
    layout->addWidget(daysBox);
    layout->addWidget(ok, 0, Qt::AlignRight);
    resize(380, 420);

    connect(dateButton, &QPushButton::clicked, this, &TForm12_2::setDate);
    connect(daysButton, &QPushButton::clicked, this, &TForm12_2::setDays);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm12_2::setDate() {
    const int32_t date = fromQDate(date_->date());
    if (!context_.dialog.MessageDlg(secondSemesterQuestion(date), kCaption)) return;
    setSecondSemesterStart(groups_, date);
    changed_ = true;
    // The group keeps the date it could take (a Sunday moves to Monday).
    if (!groups_.empty()) date_->setDate(toQDate(groups_.front()->DateSemm2()));
}

void TForm12_2::setDays() {
    std::array<bool, kDayCount> days{};
    for (int d = 1; d <= kDayCount; ++d)
        days[static_cast<std::size_t>(d - 1)] = days_->item(d - 1)->checkState() == Qt::Checked;
    TGod* year = context_.shell.God();
    if (year == nullptr) return;
    if (std::find(days.begin(), days.end(), true) == days.end()) {
        context_.dialog.MessageShow(kNoStudyDay);
        return;
    }
    if (!context_.dialog.MessageDlg(mainStudyDaysQuestion(days), kCaption)) return;
    std::string message;
    if (!setMainStudyDays(*year, groups_, days, message)) {
        context_.dialog.MessageShow(message);
        return;
    }
    changed_ = true;
}

}  // namespace zavlin::entry::ui
