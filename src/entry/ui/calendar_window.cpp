#include "entry/ui/calendar_window.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <set>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/group_defaults_dialog.h"
#include "entry/ui/study_days_dialog.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"

namespace zavlin::entry::ui {

namespace {

const QColor kStudyColor(200, 235, 200);

}  // namespace

TForm12::TForm12(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("График учебы"));
    TGod* god = context_.shell.God();
    if (god != nullptr)
        for (const auto& gr : god->LGryp) groups_.push_back(gr.get());

    auto* year = new QLabel(this);
    year->setObjectName(QStringLiteral("YearLabel"));
    if (god != nullptr)
        year->setText(QStringLiteral("Учебный год ") + QString::number(god->YGod) +
                      QStringLiteral("-") + QString::number(god->YGod + 1));

    grid_ = new THGrid(this);
    grid_->setObjectName(QStringLiteral("Grid"));
    grid_->SetColCount(kFirstWeekCol + kCalendarWeeks);
    grid_->SetRowCount(kFirstGroupRow + static_cast<int>(groups_.size()));
    grid_->SetFixedCols(kFirstWeekCol);
    grid_->SetFixedRows(kFirstGroupRow);
    grid_->SetDefaultColWidth(42);
    grid_->SetColWidths(0, 130);
    grid_->SetColWidths(1, 48);
    grid_->setTabMoves(false);
    grid_->viewport()->installEventFilter(this);
    grid_->OnGetCellColor = [](THGrid* g, int row, int col, TGridDrawStates state, QBrush& brush,
                               QColor&) {
        if ((state & (gdFixed | gdSelected)) == 0 && !g->Cells(col, row).isEmpty())
            brush = QBrush(kStudyColor);
    };
    connect(grid_, &THGrid::currentCellChanged, this, [this] { showSelected(); });

    selected_ = new QLabel(this);
    selected_->setObjectName(QStringLiteral("SelectedLabel"));
    auto* study = MakeButton(this, QStringLiteral("У"), QStringLiteral("StudyButton"));
    study->setToolTip(QStringLiteral("Сделать выделенные недели учебными"));
    auto* remove = MakeButton(this, QStringLiteral(" "), QStringLiteral("RemoveButton"));
    remove->setToolTip(QStringLiteral("Сделать выделенные недели не учебными"));
    auto* days = MakeButton(this, QStringLiteral("Учебные дни"), QStringLiteral("StudyDaysButton"));
    auto* defaults =
        MakeButton(this, QStringLiteral("Дни по умолчанию"), QStringLiteral("DefaultsButton"));
    auto* lengthText =
        new QLabel(QStringLiteral("Длина 1-го семестра(рекомендуется оставить =52)"), this);
    length_ = new QLineEdit(this);
    length_->setObjectName(QStringLiteral("LengthEdit"));
    length_->setMaxLength(2);
    length_->setFixedWidth(40);
    if (god != nullptr) length_->setText(QString::number(god->FLengthSemestr));
    // Printing the calendar is a window of a later part of the program.
    auto* print = MakeButton(this, QStringLiteral("Печать"), QStringLiteral("PrintButton"));
    auto* ok = MakeButton(this, QStringLiteral("OK"), QStringLiteral("OkButton"));

    auto* top = new QHBoxLayout;
    top->addWidget(year);
    top->addSpacing(20);
    top->addWidget(study);
    top->addWidget(remove);
    top->addWidget(days);
    top->addWidget(defaults);
    top->addSpacing(20);
    top->addWidget(selected_);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lengthText);
    bottom->addWidget(length_);
    bottom->addStretch();
    bottom->addWidget(print);
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addLayout(bottom);

    connect(study, &QPushButton::clicked, this, &TForm12::makeStudy);
    connect(remove, &QPushButton::clicked, this, &TForm12::remove);
    connect(days, &QPushButton::clicked, this, &TForm12::studyDays);
    connect(defaults, &QPushButton::clicked, this, &TForm12::defaults);
    connect(length_, &QLineEdit::editingFinished, this, &TForm12::applyLength);
    connect(print, &QPushButton::clicked, this,
            [this] { OpenOtherWindow(context_, "Печать", "Печать"); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    FillWorkArea(this);
    fillHeaders();
    fillAll();
    showSelected();
}

void TForm12::fillHeaders() {
    const TGod* god = context_.shell.God();
    grid_->SetCells(0, 0, QStringLiteral("Группа"));
    grid_->SetCells(1, 0, QStringLiteral("Итого"));
    if (god == nullptr) return;
    for (int ne = 1; ne <= kCalendarWeeks; ++ne) {
        const int col = kFirstWeekCol + ne - 1;
        grid_->SetCells(col, 0, QString::fromStdString(god->GetNumberWeek(ne)));
        const TDNed* week = god->AllNed.DNed(ne);
        grid_->SetCells(
            col, 1, week->Dop() ? QString() : QString::fromStdString(week->GetStrDateShortDey(1)));
    }
}

void TForm12::fillRow(int index) {
    const TGryp& gr = *groups_[static_cast<std::size_t>(index)];
    const int row = kFirstGroupRow + index;
    grid_->SetCells(0, row, QString::fromStdString(gr.Name()));
    grid_->SetCells(1, row, QString::number(countStudyDaysYear(gr)));
    for (int ne = 1; ne <= kCalendarWeeks; ++ne)
        grid_->SetCells(kFirstWeekCol + ne - 1, row,
                        QString::fromStdString(calendarCellText(gr, ne)));
}

void TForm12::fillAll() {
    for (int i = 0; i < static_cast<int>(groups_.size()); ++i) fillRow(i);
}

QRect TForm12::selectedRect() const {
    const QRect cells(QPoint(kFirstWeekCol, kFirstGroupRow),
                      QPoint(grid_->ColCount() - 1, grid_->RowCount() - 1));
    return grid_->selection().intersected(cells);
}

void TForm12::showSelected() {
    const QRect r = selectedRect();
    const int count = r.isEmpty() ? 0 : r.width() * r.height();
    selected_->setText(QStringLiteral("Выделено:") + QString::number(count));
}

std::vector<TCalendarCell> TForm12::SelectedCells() const {
    std::vector<TCalendarCell> cells;
    const QRect r = selectedRect();
    if (r.isEmpty()) return cells;
    for (int row = r.top(); row <= r.bottom(); ++row)
        for (int col = r.left(); col <= r.right(); ++col)
            cells.push_back(
                {groups_[static_cast<std::size_t>(row - kFirstGroupRow)], col - kFirstWeekCol + 1});
    return cells;
}

std::vector<TGryp*> TForm12::selectedGroups() const {
    std::vector<TGryp*> groups;
    const QRect r = selectedRect();
    if (r.isEmpty()) return groups;
    for (int row = r.top(); row <= r.bottom(); ++row)
        groups.push_back(groups_[static_cast<std::size_t>(row - kFirstGroupRow)]);
    return groups;
}

std::vector<int> TForm12::selectedWeeks() const {
    std::vector<int> weeks;
    const QRect r = selectedRect();
    if (r.isEmpty()) return weeks;
    for (int col = r.left(); col <= r.right(); ++col) weeks.push_back(col - kFirstWeekCol + 1);
    return weeks;
}

void TForm12::makeStudy() {
    if (makeStudyWeeks(SelectedCells()) == 0) return;
    changed_ = true;
    const QRect r = selectedRect();
    for (int row = r.top(); row <= r.bottom(); ++row) fillRow(row - kFirstGroupRow);
}

void TForm12::remove() {
    // The rows are refreshed even when a week with load was kept.
    const int removed = removeStudyWeeks(SelectedCells());
    if (removed > 0) changed_ = true;
    const QRect r = selectedRect();
    for (int row = r.top(); row <= r.bottom(); ++row) fillRow(row - kFirstGroupRow);
}

void TForm12::toggle(int col, int row) {
    if (col < kFirstWeekCol || row < kFirstGroupRow || row >= grid_->RowCount()) return;
    const int index = row - kFirstGroupRow;
    if (toggleStudyWeek(*groups_[static_cast<std::size_t>(index)], col - kFirstWeekCol + 1))
        changed_ = true;
    fillRow(index);
}

void TForm12::studyDays() {
    const auto groups = selectedGroups();
    const auto weeks = selectedWeeks();
    if (groups.empty() || weeks.empty()) return;
    TForm12_1 window(context_, groups, weeks, this);
    if (window.exec() != QDialog::Accepted) return;
    changed_ = true;
    const QRect r = selectedRect();
    for (int row = r.top(); row <= r.bottom(); ++row) fillRow(row - kFirstGroupRow);
}

void TForm12::defaults() {
    const auto groups = selectedGroups();
    if (groups.empty()) return;
    TForm12_2 window(context_, groups, this);
    window.exec();
    if (window.Changed()) changed_ = true;
}

void TForm12::applyLength() {
    TGod* god = context_.shell.God();
    if (god == nullptr) return;
    const int weeks = readStudyPeriodLength(length_->text().toStdString());
    length_->setText(QString::number(weeks));
    if (weeks == god->FLengthSemestr) return;
    if (!god->SetLengthSemestr(weeks))
        context_.dialog.MessageShow("Не удалось записать длину семестра в god.Ini");
    fillHeaders();
    grid_->viewport()->update();
    if (context_.weeksChanged) context_.weeksChanged();
}

void TForm12::done(int result) {
    // A length typed and not yet left counts too.
    applyLength();
    QDialog::done(result);
}

bool TForm12::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            int col = 0;
            int row = 0;
            if (mouse->button() == Qt::LeftButton &&
                grid_->cellAt(mouse->position().toPoint(), col, row)) {
                toggle(col, row);
                showSelected();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            showSelected();
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool RunCalendar(TWindowContext& context) {
    if (context.shell.God() == nullptr) return false;
    TForm12 window(context, context.parent);
    window.exec();
    return window.Changed();
}

}  // namespace zavlin::entry::ui

// The window's meta-object code compiles with it.
#include "moc_calendar_window.cpp"
