#include "entry/ui/semester_date_dialog.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "entry/ui/entry_widgets.h"

namespace zavlin::entry::ui {

TForm2_3::TForm2_3(int32_t date, int32_t first, int32_t last, QWidget* parent)
    : QDialog(parent), calendar_(new QCalendarWidget(this)) {
    setWindowTitle(QStringLiteral("Дата начала второго семестра"));
    calendar_->setObjectName("Calendar");
    calendar_->setFirstDayOfWeek(Qt::Monday);
    calendar_->setGridVisible(true);
    if (first < last) calendar_->setDateRange(DateFromStored(first), DateFromStored(last));
    calendar_->setSelectedDate(DateFromStored(date));

    QDialogButtonBox* buttons = MakeOkCancel(this, nullptr);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(calendar_, &QCalendarWidget::activated, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calendar_);
    layout->addWidget(buttons);
}

int32_t TForm2_3::Date() const {
    const QDate d = calendar_->selectedDate();
    return d.isValid() ? StoredFromDate(d) : 0;
}

}  // namespace zavlin::entry::ui
