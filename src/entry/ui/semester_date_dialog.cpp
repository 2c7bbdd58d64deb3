#include "entry/ui/semester_date_dialog.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/datetime.h"

namespace zavlin::entry::ui {

namespace {

QDate toQDate(int32_t days) {
    const DateParts p = decodeDate(days);
    return QDate(p.year, p.month, p.day);
}

}  // namespace

TForm2_3::TForm2_3(int32_t date, int32_t first, int32_t last, QWidget* parent)
    : QDialog(parent), calendar_(new QCalendarWidget(this)) {
    setWindowTitle(QStringLiteral("Дата начала второго семестра"));
    calendar_->setObjectName("Calendar");
    calendar_->setFirstDayOfWeek(Qt::Monday);
    calendar_->setGridVisible(true);
    if (first < last) calendar_->setDateRange(toQDate(first), toQDate(last));
    calendar_->setSelectedDate(toQDate(date));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("OkButton");
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("CancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(calendar_, &QCalendarWidget::activated, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calendar_);
    layout->addWidget(buttons);
}

int32_t TForm2_3::Date() const {
    const QDate d = calendar_->selectedDate();
    int32_t days = 0;
    if (!tryEncodeDate(d.year(), d.month(), d.day(), days)) return 0;
    return days;
}

}  // namespace zavlin::entry::ui
