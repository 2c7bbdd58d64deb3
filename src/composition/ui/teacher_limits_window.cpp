#include "composition/ui/teacher_limits_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "composition/teacher_inputs.h"
#include "composition/ui/composition_windows.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/teachers_window.h"
#include "model/calendar.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::composition::ui {

namespace {

const QString kNotWorking = QStringLiteral("Не работает");

QToolButton* toolButton(QWidget* parent, QBoxLayout* layout, const QString& name,
                        const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    layout->addWidget(b);
    return b;
}

int rowOfKey(const shell::ui::TListBoxNumer* list, int key) {
    for (int i = 0; i < list->count(); ++i)
        if (list->GetNumer(i) == key) return i;
    return -1;
}

}  // namespace

TForm14::TForm14(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Ограничение преподавателей"));
    resize(1080, 520);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    QToolButton* pick =
        toolButton(this, top, QStringLiteral("FioButton"), QStringLiteral("Выбор преподавателя"));
    pick->setText(QStringLiteral("Ф"));
    QToolButton* prev = toolButton(this, top, QStringLiteral("PrevButton"),
                                   QStringLiteral("Предыдущий преподаватель"));
    prev->setArrowType(Qt::UpArrow);
    QToolButton* next = toolButton(this, top, QStringLiteral("NextButton"),
                                   QStringLiteral("Следующий преподаватель"));
    next->setArrowType(Qt::DownArrow);
    fioLabel_ = new QLabel(this);
    fioLabel_->setObjectName(QStringLiteral("FioLabel"));
    QFont bold = fioLabel_->font();
    bold.setBold(true);
    fioLabel_->setFont(bold);
    top->addWidget(fioLabel_, 1);

    auto* middle = new QHBoxLayout;
    layout->addLayout(middle, 1);
    grid_ = new THGrid(this);
    grid_->setObjectName(QStringLiteral("Grid"));
    grid_->SetColCount(kDays + 1);
    grid_->SetRowCount(kPeriods + 1);
    grid_->SetFixedCols(1);
    grid_->SetFixedRows(1);
    constexpr int kTimeWidth = 60;
    constexpr int kDayWidth = 104;
    grid_->SetDefaultColWidth(kDayWidth);
    grid_->SetColWidths(0, kTimeWidth);
    // All six days in view: the grid is small, scrolling it would hide a day.
    grid_->setMinimumWidth(kTimeWidth + kDays * kDayWidth + 2 * grid_->frameWidth() +
                           (kDays + 1) * grid_->GridLineWidth() + 4);
    QStringList days{QString()};
    for (int d = 1; d <= kDays; ++d) days << QString::fromUtf8(weekdayName(d));
    grid_->SetHCol(days);
    QStringList periods;
    const TGod* year = god();
    for (int y = 0; y < kPeriods; ++y) {
        const TTaimYrok* time =
            year != nullptr ? &year->TaimYrok[static_cast<std::size_t>(y)] : nullptr;
        // A period without a start is not in use: its row stays untitled.
        periods << (time != nullptr && time->Tn() > 0 ? QString::fromStdString(time->TnText())
                                                      : QString());
    }
    grid_->SetHRow(periods);
    middle->addWidget(grid_);
    // Tinted as well as titled: among 72 cells the words alone are hard to
    // take in at a glance.
    grid_->OnGetCellColor = [](THGrid* grid, int row, int col, TGridDrawStates state, QBrush& brush,
                               QColor&) {
        if (row < 1 || col < 1 || (state & gdSelected) != 0) return;
        if (grid->Cells(col, row) == kNotWorking) brush = QColor(255, 220, 220);
    };

    auto* right = new QVBoxLayout;
    middle->addLayout(right, 1);
    auto* caption = new QLabel(
        QStringLiteral("Список преподавателей имеющих ограничения  в учебное время групп"), this);
    caption->setWordWrap(true);
    right->addWidget(caption);
    restricted_ = new shell::ui::TListBoxNumer(this);
    restricted_->setObjectName(QStringLiteral("RestrictedList"));
    right->addWidget(restricted_, 1);

    auto* bottom = new QHBoxLayout;
    layout->addLayout(bottom);
    auto* works = entry::ui::MakeButton(this, QStringLiteral("Работает"),
                                        QStringLiteral("WorksButton"), bottom);
    auto* notWorks = entry::ui::MakeButton(this, QStringLiteral("Не работает"),
                                           QStringLiteral("NotWorksButton"), bottom);
    auto* noLimits = entry::ui::MakeButton(this, QStringLiteral("Нет ограничений(работает всегда)"),
                                           QStringLiteral("NoLimitsButton"), bottom);
    bottom->addStretch(1);
    auto* close = entry::ui::MakeButton(this, QStringLiteral("Закрыть"),
                                        QStringLiteral("CloseButton"), bottom);

    PickTeacher = [this]() -> TFio* {
        entry::ui::TForm3 list(context_, entry::ui::TListMode::PickOne, this);
        if (list.exec() != QDialog::Accepted) return nullptr;
        const std::vector<TFio*> picked = list.Picked();
        return picked.empty() ? nullptr : picked.front();
    };
    connect(pick, &QToolButton::clicked, this, [this] {
        if (!PickTeacher) return;
        const int shown = fio_ != nullptr ? fio_->N : -1;
        TFio* picked = PickTeacher();
        // The list may have deleted teachers and added others in their
        // memory: what was shown or changed is found again by number.
        TGod* g = god();
        if (g == nullptr) return;
        modified_.DropDeleted(*g);
        if (picked == nullptr) picked = g->FioNumer(shown);
        if (picked == nullptr && !g->LFio.empty()) picked = g->LFio.front().get();
        SetTeacher(picked);
        fillRestricted();
    });
    connect(prev, &QToolButton::clicked, this, [this] { step(-1); });
    connect(next, &QToolButton::clicked, this, [this] { step(1); });
    connect(works, &QPushButton::clicked, this, [this] { change(true, false); });
    connect(notWorks, &QPushButton::clicked, this, [this] { change(false, false); });
    connect(noLimits, &QPushButton::clicked, this, [this] { change(true, true); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(restricted_, &QListWidget::itemClicked, this, [this] {
        if (TGod* g = god()) SetTeacher(g->FioNumer(restricted_->GetNumer()));
    });

    TFio* first = nullptr;
    if (year != nullptr && !year->LFio.empty()) {
        const int active = year->FioActivIndx();
        first = active >= 0 && active < year->CountFio()
                    ? year->LFio[static_cast<std::size_t>(active)].get()
                    : year->LFio.front().get();
    }
    SetTeacher(first);
    fillRestricted();
}

TForm14::~TForm14() = default;

TGod* TForm14::god() const {
    return context_.shell.God();
}

void TForm14::SetTeacher(TFio* fio) {
    fio_ = fio;
    fioLabel_->setText(fio != nullptr ? QString::fromStdString(fio->BigName()) : QString());
    if (TGod* g = god(); g != nullptr && fio != nullptr) g->SetFioActivIndx(g->GetFioIndex(fio));
    fillGrid();
    restricted_->setCurrentRow(fio != nullptr ? rowOfKey(restricted_, fio->N) : -1);
}

void TForm14::step(int delta) {
    TGod* g = god();
    if (g == nullptr || g->LFio.empty()) return;
    const int count = g->CountFio();
    int indx = fio_ != nullptr ? g->GetFioIndex(fio_) : -1;
    indx = std::clamp(indx < 0 ? 0 : indx + delta, 0, count - 1);
    SetTeacher(g->LFio[static_cast<std::size_t>(indx)].get());
}

void TForm14::change(bool works, bool every) {
    if (fio_ == nullptr) return;
    bool changed = false;
    if (every) {
        changed = ClearAvailability(*fio_);
    } else {
        const QRect s = grid_->selection();
        // Columns are days, rows periods; the header cells are cut off.
        changed = SetAvailability(*fio_, s.left(), s.right(), s.top() - 1, s.bottom() - 1, works);
    }
    if (!changed) return;
    modified_.Mark(*fio_);
    fillGrid();
    fillRestricted();
}

void TForm14::fillGrid() {
    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriods; ++y) {
            const bool off =
                fio_ != nullptr &&
                fio_->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] == 0;
            grid_->SetCells(DayCol(d), PeriodRow(y), off ? kNotWorking : QString());
        }
}

void TForm14::fillRestricted() {
    restricted_->Clear();
    const TGod* g = god();
    if (g == nullptr) return;
    for (const TFio* fio : RestrictedTeachers(*g)) restricted_->Add(fio->BigName(), fio->N);
    restricted_->setCurrentRow(fio_ != nullptr ? rowOfKey(restricted_, fio_->N) : -1);
}

void TForm14::done(int result) {
    TGod* g = god();
    if (g != nullptr &&
        !StoreOrAskToClose(*g, modified_, context_.dialog,
                           "Ограничения преподавателей не удалось записать в базу данных:"))
        return;
    QDialog::done(result);
}

void RunTeacherLimits(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm14 window(context, context.parent);
    window.exec();
}

}  // namespace zavlin::composition::ui
