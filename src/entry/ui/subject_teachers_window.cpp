#include "entry/ui/subject_teachers_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/load_window.h"
#include "entry/ui/teachers_window.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

namespace {

QToolButton* toolButton(QWidget* parent, QBoxLayout* layout, const QString& name) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(QStringLiteral("Выбор группы"));
    layout->addWidget(b);
    return b;
}

}  // namespace

TForm5_2::TForm5_2(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Преподаватели по предмету"));
    FillWorkArea(this);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    QToolButton* pick = toolButton(this, top, QStringLiteral("GroupButton"));
    pick->setText(QStringLiteral("Г"));
    QToolButton* prev = toolButton(this, top, QStringLiteral("PrevGroupButton"));
    prev->setArrowType(Qt::LeftArrow);
    QToolButton* next = toolButton(this, top, QStringLiteral("NextGroupButton"));
    next->setArrowType(Qt::RightArrow);
    groupLabel_ = new QLabel(this);
    groupLabel_->setObjectName(QStringLiteral("GroupLabel"));
    top->addWidget(groupLabel_, 1);

    auto* middle = new QHBoxLayout;
    layout->addLayout(middle, 1);
    auto* left = new QVBoxLayout;
    middle->addLayout(left);
    left->addWidget(new QLabel(QStringLiteral("Предметы группы"), this));
    subjects_ = new shell::ui::TListBoxNumer(this);
    subjects_->setObjectName(QStringLiteral("SubjectList"));
    subjects_->setMaximumWidth(260);
    left->addWidget(subjects_, 1);

    grid_ = new THGrid(this);
    grid_->setObjectName(QStringLiteral("Grid"));
    grid_->SetColCount(3);
    grid_->SetRowCount(kWeeks + 1);
    grid_->SetFixedCols(1);
    grid_->SetFixedRows(1);
    grid_->SetColWidths(kLabelCol, 230);
    grid_->SetColWidths(kPairsCol, 48);
    grid_->SetColWidths(kTeachersCol, 420);
    grid_->SetRowHeights(0, 52);
    grid_->setRowSelect(true);
    middle->addWidget(grid_, 1);
    // Teachers are given only in the group's study weeks; the others are greyed.
    grid_->OnGetCellColor = [this](THGrid*, int row, int col, TGridDrawStates state, QBrush& brush,
                                   QColor&) {
        if (col != kTeachersCol || row < 1 || (state & gdSelected) != 0) return;
        if (group_ == nullptr || !group_->TestNed(row)) brush = palette().brush(QPalette::Button);
    };

    auto* bottom = new QHBoxLayout;
    layout->addLayout(bottom);
    auto* add = MakeButton(this, QStringLiteral("Добавить преподавателя"),
                           QStringLiteral("AddTeacherButton"), bottom);
    auto* del = MakeButton(this, QStringLiteral("Удалить преподавателя"),
                           QStringLiteral("DeleteTeacherButton"), bottom);
    auto* planned = MakeButton(this, QStringLiteral("Планируемая нагрузка преподавателя"),
                               QStringLiteral("PlannedLoadButton"), bottom);
    auto* help = MakeButton(this, QStringLiteral("Справка"), QStringLiteral("HelpButton"), bottom);
    auto* close =
        MakeButton(this, QStringLiteral("Закрыть"), QStringLiteral("CloseButton"), bottom);

    PickTeacher = [this]() -> TFio* {
        TForm3 list(context_, TListMode::PickOne, this);
        if (list.exec() != QDialog::Accepted) return nullptr;
        const std::vector<TFio*> picked = list.Picked();
        return picked.empty() ? nullptr : picked.front();
    };
    PickGroup = [this] { return PickOneGroup(context_, this); };

    connect(pick, &QToolButton::clicked, this, [this] {
        if (!PickGroup) return;
        // The list makes its choice active; a cancelled pick leaves ours.
        TGryp* picked = PickGroup();
        SetGroup(picked != nullptr ? picked : group_);
    });
    connect(prev, &QToolButton::clicked, this, [this] { stepGroup(-1); });
    connect(next, &QToolButton::clicked, this, [this] { stepGroup(1); });
    connect(subjects_, &QListWidget::currentRowChanged, this, [this] { fillGrid(); });
    connect(add, &QPushButton::clicked, this, [this] { changeTeacher(true); });
    connect(del, &QPushButton::clicked, this, [this] { changeTeacher(false); });
    connect(planned, &QPushButton::clicked, this,
            [this] { OpenOtherWindow(context_, "TForm41", "Планируемая нагрузка преподавателя"); });
    connect(help, &QPushButton::clicked, this, [this] {
        if (context_.help) context_.help(16);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    grid_->SetHCol({QStringLiteral("Недели;изучения;предмета"), QStringLiteral("Пары"),
                    QStringLiteral("Преподаватели")});
    if (TGod* god = context_.shell.God()) {
        for (int ne = 1; ne <= kWeeks; ++ne)
            if (const TDNed* week = god->AllNed.DNed(ne))
                grid_->SetCells(kLabelCol, ne, QString::fromStdString(week->GetStrDateNed()));
        TGryp* start = god->GrypActiv();
        if (start == nullptr && god->CountGryp() > 0) start = god->LGryp.front().get();
        SetGroup(start);
    }
}

TForm5_2::~TForm5_2() = default;

void TForm5_2::SetGroup(TGryp* group) {
    group_ = group;
    TGod* god = context_.shell.God();
    if (god != nullptr && group != nullptr) god->SetGrypActivIndx(god->GetGrypIndex(group));
    groupLabel_->setText(group != nullptr ? QString::fromStdString(group->Name()) : QString());
    fillSubjects();
}

void TForm5_2::stepGroup(int delta) {
    TGod* god = context_.shell.God();
    if (god == nullptr || group_ == nullptr) return;
    const int index = god->GetGrypIndex(group_) + delta;
    if (index >= 0 && index < god->CountGryp())
        SetGroup(god->LGryp[static_cast<std::size_t>(index)].get());
}

TPredmet* TForm5_2::Subject() const {
    if (group_ == nullptr) return nullptr;
    return subjects_->currentRow() >= 0 ? group_->FindPredmet(subjects_->GetNumer()) : nullptr;
}

void TForm5_2::fillSubjects() {
    const QSignalBlocker quiet(subjects_);
    subjects_->Clear();
    if (group_ != nullptr) {
        std::vector<const TPredmet*> ordered;
        for (const auto& pr : group_->LPredmet) ordered.push_back(pr.get());
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const TPredmet* a, const TPredmet* b) { return a->Dan.N < b->Dan.N; });
        for (const TPredmet* pr : ordered)
            subjects_->Add(std::to_string(pr->Dan.N) + ". " + pr->Name(), pr->Dan.N);
    }
    fillGrid();
}

void TForm5_2::fillGrid() {
    const TPredmet* pr = Subject();
    for (int ne = 1; ne <= kWeeks; ++ne) {
        QString pairs;
        QString teachers;
        if (pr != nullptr && group_->GetNed(ne) != nullptr) {
            const int count = pr->CountPredmetNe(kSetkaPlan, ne);
            if (count > 0) pairs = QString::number(count);
        }
        if (pr != nullptr) teachers = QString::fromStdString(pr->NameFio(ne));
        grid_->SetCells(kPairsCol, ne, pairs);
        grid_->SetCells(kTeachersCol, ne, teachers);
    }
}

void TForm5_2::changeTeacher(bool add) {
    TPredmet* pr = Subject();
    if (pr == nullptr) {
        context_.dialog.MessageShow("Выберите предмет");
        return;
    }
    // The save never writes over a timetable it could not read.
    if (group_->BlobUnreadable) {
        context_.dialog.MessageShow(UnreadableGroupText(*group_));
        return;
    }
    const QRect sel = grid_->selection();
    const int first = std::clamp(sel.top(), 1, kWeeks);
    const int last = std::clamp(sel.bottom(), 1, kWeeks);
    if (!PickTeacher) return;
    TFio* fio = PickTeacher();
    if (fio == nullptr || last < first) return;
    for (int ne = first; ne <= last; ++ne) {
        if (add) {
            if (group_->GetNed(ne) == nullptr || pr->FindFioPredmet(ne, fio) != nullptr) continue;
            if (pr->AddFio(ne, fio) == nullptr) {
                // A byte counts the assignments of a subject over the year.
                context_.dialog.MessageShow("Не более 255 назначений преподавателей на предмет.");
                break;
            }
            changed_ = true;
        } else if (pr->FindFioPredmet(ne, fio) != nullptr) {
            if (pr->DelFioPredmet(ne, fio, true)) changed_ = true;
        }
    }
    fillGrid();
}

void TForm5_2::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The teachers' names take whatever the week and pair columns leave.
    const int used =
        grid_->ColWidths(kLabelCol) + grid_->ColWidths(kPairsCol) + 3 * grid_->GridLineWidth();
    grid_->SetColWidths(kTeachersCol, std::max(200, grid_->viewport()->width() - used));
}

void TForm5_2::done(int result) {
    if (changed_) {
        if (TGod* god = context_.shell.God(); god != nullptr && god->SaveRasp()) changed_ = false;
        // The menu does not save after this window: closing now may lose the edits.
        else if (!context_.dialog.MessageDlg(kLoadNotSavedQuestion, "Подтверждение"))
            return;
    }
    QDialog::done(result);
}

void RunSubjectTeachers(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm5_2 window(context, context.parent);
    window.exec();
}

}  // namespace zavlin::entry::ui
