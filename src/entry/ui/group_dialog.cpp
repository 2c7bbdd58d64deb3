#include "entry/ui/group_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/datetime.h"
#include "base/my_dialog.h"
#include "entry/name_input.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/russian_input.h"
#include "entry/ui/semester_date_dialog.h"
#include "model/calendar.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

namespace {

constexpr std::array<const char*, 7> kDayNames = {"Понедельник", "Вторник", "Среда",      "Четверг",
                                                  "Пятница",     "Суббота", "Воскресенье"};
constexpr int kMaxStudents = 1000;
constexpr int kMaxCourse = 6;
constexpr uint8_t kStudyDay = 9;  // what a new group's main study days hold

}  // namespace

TForm2_1::TForm2_1(TWindowContext& context, TGryp* gr, QWidget* parent)
    : QDialog(parent), context_(context), god_(*context.shell.God()), gr_(gr) {
    setWindowTitle(QStringLiteral("Группа"));
    // What a new group starts with is what the model gives a new group.
    TGryp fresh(&god_);
    const TGryp& from = gr != nullptr ? *gr : fresh;

    name_ = new QLineEdit(QString::fromStdString(from.Name()), this);
    name_->setObjectName("NameEdit");
    TRussianInput::Attach(name_, context.dialog, TNameKind::Group, kGroupNameChars);

    count_ = new QSpinBox(this);
    count_->setObjectName("CountSpin");
    count_->setRange(1, kMaxStudents);
    count_->setValue(std::clamp<int>(from.Dan.Ks, 1, kMaxStudents));

    period_ = new QListWidget(this);
    period_->setObjectName("PeriodList");
    period_->setSelectionMode(QAbstractItemView::SingleSelection);
    if (TAllGod* all = context.shell.AllGod())
        for (const std::string& line : all->TimeYrorToListBoxN())
            period_->addItem(QString::fromStdString(line));
    else
        for (int y = 0; y < kLessonPeriods; ++y) period_->addItem(QString::number(y));
    if (from.Dan.TimeDay < period_->count()) {
        period_->setCurrentRow(from.Dan.TimeDay);
        period_->item(from.Dan.TimeDay)->setSelected(true);
    }

    auto* daysBox = new QGroupBox(QStringLiteral("Основные  учебные дни занятий"), this);
    auto* daysLayout = new QVBoxLayout(daysBox);
    for (std::size_t d = 0; d < days_.size(); ++d) {
        days_[d] = new QCheckBox(QString::fromUtf8(kDayNames[d]), daysBox);
        days_[d]->setObjectName(QStringLiteral("DayCheck%1").arg(d + 1));
        days_[d]->setChecked(from.Dan.arRDeyNed[d] != 0);
        daysLayout->addWidget(days_[d]);
    }

    date_ = from.Dan.DateSemm2;
    dateLabel_ = new QLabel(this);
    dateLabel_->setObjectName("DateLabel");
    auto* change = new QPushButton(QStringLiteral("Изменить"), this);
    change->setObjectName("DateButton");
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(dateLabel_, 1);
    dateRow->addWidget(change);

    course_ = new QSpinBox(this);
    course_->setObjectName("CourseSpin");
    course_->setRange(1, kMaxCourse);
    course_->setValue(std::clamp<int>(from.Dan.Kyrs, 1, kMaxCourse));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Название группы"), name_);
    form->addRow(QStringLiteral("Количество человек в группе"), count_);
    form->addRow(QStringLiteral("Основное  время начала занятий"), period_);
    form->addRow(daysBox);
    form->addRow(QStringLiteral("Дата начала второго семестра"), dateRow);
    form->addRow(QStringLiteral("Курс группы"), course_);

    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &TForm2_1::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // The study year bounds the date, as the model keeps it.
    chooseDate = [this](int32_t& date) {
        int32_t first = 0;
        int32_t last = 0;
        if (!tryEncodeDate(god_.YGod, 9, 1, first) || !tryEncodeDate(god_.YGod + 1, 8, 1, last))
            first = last = 0;
        TForm2_3 calendar(date, first, last, this);
        if (calendar.exec() != QDialog::Accepted) return false;
        date = calendar.Date();
        return true;
    };
    connect(change, &QPushButton::clicked, this, [this] {
        int32_t date = date_;
        if (chooseDate && chooseDate(date) && date != 0) {
            date_ = date;
            showDate();
        }
    });
    showDate();
    opened_ = current();
}

void TForm2_1::showDate() {
    dateLabel_->setText(QString::fromStdString(dottedDateText(date_)));
}

TForm2_1::State TForm2_1::current() const {
    State s;
    s.name = name_->text();
    s.count = count_->value();
    const QList<QListWidgetItem*> picked = period_->selectedItems();
    s.period = picked.isEmpty() ? -1 : period_->row(picked.front());
    for (std::size_t d = 0; d < days_.size(); ++d) s.days[d] = days_[d]->isChecked();
    s.date = date_;
    s.course = course_->value();
    return s;
}

bool TForm2_1::Changed() const {
    return !(current() == opened_);
}

bool TForm2_1::Store() {
    const State s = current();
    std::string name;
    std::string message;
    if (!prepareName(s.name.toStdString(), kGroupNameChars, name, message)) {
        context_.dialog.MessageShow(message);
        return false;
    }
    if (name.empty()) {
        context_.dialog.MessageShow("Введите название группы!");
        return false;
    }
    if (TGryp* same = god_.FindGrypForName(name); same != nullptr && same != gr_) {
        context_.dialog.MessageShow("Повтор названия группы!");
        return false;
    }
    if (s.period < 0) {
        context_.dialog.MessageShow("Выделите время начала занятий!");
        return false;
    }
    if (std::none_of(s.days.begin(), s.days.end(), [](bool on) { return on; })) {
        context_.dialog.MessageShow("Установите учебные дни!");
        return false;
    }
    if (s.days[6]) {
        context_.dialog.MessageShow("Установите Воскресенье - выходной!");
        return false;
    }

    auto fill = [&](TGryp& g) {
        g.SetName(name);
        g.Dan.Ks = static_cast<uint16_t>(s.count);
        g.Dan.TimeDay = static_cast<uint8_t>(s.period);
        for (std::size_t d = 0; d < s.days.size(); ++d) {
            uint8_t& day = g.Dan.arRDeyNed[d];
            day = s.days[d] ? (day != 0 ? day : kStudyDay) : 0;
        }
        g.Dan.Kyrs = static_cast<uint8_t>(s.course);
        g.SetDateSemm2(s.date);
        // Course and semester start live in the group's blob.
        g.modifiRasp = true;
    };

    if (gr_ == nullptr) {
        auto made = std::make_unique<TGryp>(&god_);
        fill(*made);
        TGryp* stored = god_.AddGryp(std::move(made));
        if (stored == nullptr) {
            context_.dialog.MessageShow("Группу не удалось записать в базу данных.");
            return false;
        }
        gr_ = stored;
    } else {
        const std::string oldName = gr_->Name();
        const AGryp oldDan = gr_->Dan;
        fill(*gr_);
        if (!god_.AddGryp(gr_)) {
            gr_->SetName(oldName);
            gr_->Dan = oldDan;
            context_.dialog.MessageShow("Группу не удалось записать в базу данных.");
            return false;
        }
    }
    if (!god_.SaveRasp()) {
        // The row is stored by now: only the blob is behind; OK tries again.
        context_.dialog.MessageShow("Группа " + name +
                                    " записана, но курс и дату начала второго семестра не "
                                    "удалось записать в базу данных.");
        return false;
    }
    opened_ = current();
    return true;
}

void TForm2_1::accept() {
    if (Store()) QDialog::accept();
}

void TForm2_1::reject() {
    if (Changed() && context_.dialog.MessageDlg("Сохранить изменения?", "Подтверждение")) {
        if (Store()) QDialog::accept();
        return;
    }
    QDialog::reject();
}

}  // namespace zavlin::entry::ui
