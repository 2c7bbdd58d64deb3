#include "entry/ui/group_defaults_dialog.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/calendar_ops.h"
#include "entry/ui/entry_widgets.h"
#include "model/calendar.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

namespace {

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
    if (!groups_.empty()) date_->setDate(DateFromStored(groups_.front()->DateSemm2()));
    auto* dateButton =
        MakeButton(dateBox, QStringLiteral("Изменить"), QStringLiteral("DateButton"));
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
    auto* daysButton =
        MakeButton(daysBox, QStringLiteral("Изменить"), QStringLiteral("DaysButton"));
    auto* daysColumn = new QVBoxLayout(daysBox);
    daysColumn->addWidget(days_);
    daysColumn->addWidget(daysButton);

    auto* groupsText = new QLabel(this);
    groupsText->setText(QStringLiteral("Выделено групп: ") +
                        QString::number(static_cast<int>(groups_.size())));
    auto* ok = MakeButton(this, QStringLiteral("OK"), QStringLiteral("OkButton"));

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
    const int32_t date = StoredFromDate(date_->date());
    if (!context_.dialog.MessageDlg(secondSemesterQuestion(date), kCaption)) return;
    setSecondSemesterStart(groups_, date);
    changed_ = true;
    // The group keeps the date it could take (a Sunday moves to Monday).
    if (!groups_.empty()) date_->setDate(DateFromStored(groups_.front()->DateSemm2()));
}

void TForm12_2::setDays() {
    std::array<bool, kDayCount> days{};
    for (int d = 1; d <= kDayCount; ++d)
        days[static_cast<std::size_t>(d - 1)] = days_->item(d - 1)->checkState() == Qt::Checked;
    TGod* year = context_.shell.God();
    if (year == nullptr) return;
    int stored = 0;
    std::string message;
    const bool done = setMainStudyDays(*year, context_.dialog, groups_, days, stored, message);
    // Rows stored before a failure are changed all the same.
    if (stored > 0) changed_ = true;
    if (!done && !message.empty()) context_.dialog.MessageShow(message);
}

}  // namespace zavlin::entry::ui

// The window's meta-object code compiles with it.
#include "moc_group_defaults_dialog.cpp"
