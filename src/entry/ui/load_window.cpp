#include "entry/ui/load_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "base/my_dialog.h"
#include "entry/load_ops.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/groups_window.h"
#include "entry/ui/load_subject_dialog.h"
#include "entry/ui/pairs_dialog.h"
#include "entry/ui/subject_teachers_window.h"
#include "entry/ui/sync_dialog.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

namespace {

constexpr const char* kOnlyRegular =
    "Эта операция осуществляется только для пар входящих в сетку(установите \"сетка\")";
constexpr const char* kNotCancelled =
    "Эта операция не осуществляется для отмененных пар (установите \"Сетка\")";
constexpr const char* kPickSubjectRow = "Выделите строку с названием предмета";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// "cп2", "cп2/подгр.", "подгр.": pairing over n > 1, then the subgroup split.
QString pairingNote(const TPredmet& pr) {
    QString note;
    if (pr.Dan.Spar > 1) note = QStringLiteral("cп") + QString::number(pr.Dan.Spar);
    if (pr.Dan.Podg != 0) {
        if (!note.isEmpty()) note += QStringLiteral("/");
        note += QStringLiteral("подгр.");
    }
    return note;
}

int distinctTeachers(const TPredmet& pr) {
    std::set<const TFio*> seen;
    for (int ne = 1; ne <= kWeeks; ++ne)
        for (const auto& fp : pr.GetLFio(ne)) seen.insert(fp->Fio());
    return static_cast<int>(seen.size());
}

// The pairs of one subject in one week of a layer, and the cell's text.
int layerCount(const TPredmet& pr, TLoadLayer layer, int ne, QString& text) {
    int n = 0;
    switch (layer) {
        case TLoadLayer::Setka:
            n = pr.CountPredmetNe(kSetkaPlan, ne);
            break;
        case TLoadLayer::Otmena:
            n = pr.CountOtmenYr(kSetkaPlan, ne);
            break;
        case TLoadLayer::Zamena:
            n = pr.CountZmKorzinaForFirstFioPredmet(ne);
            break;
        case TLoadLayer::Dop:
            n = pr.CountPredmetNe(kSetkaDop, ne);
            break;
    }
    if (layer == TLoadLayer::Zamena && pr.CountFio(ne) > 1 && pr.CountZmKorzina(ne) > 0)
        text = qs(pr.CountZmKorzinaToStr(ne));
    else
        text = n > 0 ? QString::number(n) : QString();
    return n;
}

}  // namespace

TGryp* PickOneGroup(TWindowContext& context, QWidget* parent) {
    TForm2 list(context, TListMode::PickOne, parent);
    if (list.exec() != QDialog::Accepted) return nullptr;
    const std::vector<TGryp*> picked = list.Picked();
    return picked.empty() ? nullptr : picked.front();
}

std::string UnreadableGroupText(const TGryp& group) {
    return "Расписание группы " + group.Name() +
           " не удалось прочитать; её нагрузка оставлена такой, как хранится, и не изменяется.";
}

TCopyScopeDialog::TCopyScopeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Копирование на дополнительные недели"));
    auto* layout = new QVBoxLayout(this);
    auto* one = new QPushButton(QStringLiteral("Для одной текущей группы"), this);
    one->setObjectName(QStringLiteral("OneGroupButton"));
    auto* all = new QPushButton(QStringLiteral("Для  всех групп"), this);
    all->setObjectName(QStringLiteral("AllGroupsButton"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton* b : {one, all, cancel}) {
        b->setAutoDefault(false);
        layout->addWidget(b);
    }
    connect(one, &QPushButton::clicked, this, [this] {
        all_ = false;
        accept();
    });
    connect(all, &QPushButton::clicked, this, [this] {
        all_ = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TForm5::TForm5(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Предметы, нагрузка по неделям"));
    FillWorkArea(this);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    auto* pick = new QToolButton(this);
    pick->setText(QStringLiteral("Г"));
    pick->setObjectName(QStringLiteral("GroupButton"));
    pick->setToolTip(QStringLiteral("Выбор группы"));
    top->addWidget(pick);
    auto* prev = new QToolButton(this);
    prev->setArrowType(Qt::LeftArrow);
    prev->setObjectName(QStringLiteral("PrevGroupButton"));
    prev->setToolTip(QStringLiteral("Выбор группы"));
    top->addWidget(prev);
    auto* next = new QToolButton(this);
    next->setArrowType(Qt::RightArrow);
    next->setObjectName(QStringLiteral("NextGroupButton"));
    next->setToolTip(QStringLiteral("Выбор группы"));
    top->addWidget(next);
    groups_ = new shell::ui::TComboBoxNumer(this);
    groups_->setObjectName(QStringLiteral("GroupBox"));
    groups_->setMinimumContentsLength(16);
    top->addWidget(groups_);
    layer_ = new QComboBox(this);
    layer_->setObjectName(QStringLiteral("LayerBox"));
    layer_->addItems({QStringLiteral("Сетка"), QStringLiteral("Отмененные"),
                      QStringLiteral("Добавленые замены"), QStringLiteral("Допол-но вне сетки")});
    top->addWidget(layer_);
    auto* pairs = MakeButton(this, QStringLiteral("Количество пар в неделю"),
                             QStringLiteral("PairsButton"), top);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    top->addWidget(status_, 1);

    grid_ = new THGrid(this);
    grid_->setObjectName(QStringLiteral("Grid"));
    layout->addWidget(grid_, 1);

    auto* row1 = new QHBoxLayout;
    auto* row2 = new QHBoxLayout;
    layout->addLayout(row1);
    layout->addLayout(row2);
    auto* add = MakeButton(this, QStringLiteral("Добавить предмет"),
                           QStringLiteral("AddSubjectButton"), row1);
    auto* props = MakeButton(this, QStringLiteral("Свойства предмета"),
                             QStringLiteral("PropertiesButton"), row1);
    auto* del = MakeButton(this, QStringLiteral("Удалить предмет"),
                           QStringLiteral("DeleteSubjectButton"), row1);
    auto* teachers = MakeButton(this, QStringLiteral("Преподаватели по предметам"),
                                QStringLiteral("TeachersButton"), row1);
    auto* copyGroup = MakeButton(this, QStringLiteral("Копирование из другой группы"),
                                 QStringLiteral("CopyGroupButton"), row1);
    auto* sync = MakeButton(this, QStringLiteral("Синхронизация  нагрузки"),
                            QStringLiteral("SyncButton"), row1);
    auto* toExtra = MakeButton(this, QStringLiteral("Копирование на дополнительные недели"),
                               QStringLiteral("CopyToExtraButton"), row2);
    auto* fromExtra = MakeButton(this, QStringLiteral("Копирование c дополнительных недель"),
                                 QStringLiteral("CopyFromExtraButton"), row2);
    auto* summary =
        MakeButton(this, QStringLiteral("Сводная таблица"), QStringLiteral("SummaryButton"), row2);
    auto* planned = MakeButton(this, QStringLiteral("Планируемая нагрузка преподавателя"),
                               QStringLiteral("PlannedLoadButton"), row2);
    auto* week =
        MakeButton(this, QStringLiteral("Выбор недели"), QStringLiteral("WeekButton"), row2);
    auto* print = MakeButton(this, QStringLiteral("Печать"), QStringLiteral("PrintButton"), row2);
    auto* close = MakeButton(this, QStringLiteral("Закрыть"), QStringLiteral("CloseButton"), row2);

    grid_->SetColCount(kFixedCols + kWeeks);
    grid_->SetRowCount(kFixedRows + 1);
    grid_->SetFixedCols(kFixedCols);
    grid_->SetFixedRows(kFixedRows);
    grid_->SetDefaultColWidth(40);
    grid_->SetColWidths(0, 28);
    grid_->SetColWidths(1, 150);
    grid_->SetColWidths(2, 56);
    grid_->SetColWidths(3, 56);
    grid_->SetColWidths(4, 64);
    grid_->SetRowHeights(0, 40);
    grid_->SetRowHeights(2, 40);

    // The grid breaks a heading into lines at ";".
    QStringList headings = {QStringLiteral("N"), QStringLiteral("Предмет;Номер недели"),
                            QStringLiteral("Спарив."), QStringLiteral("Кол-во;преп."),
                            QStringLiteral("Пары;(Часы)")};
    for (int ne = 1; ne <= kWeeks; ++ne)
        headings.append(context_.shell.God() != nullptr
                            ? qs(context_.shell.God()->GetNumberWeek(ne))
                            : QString::number(ne));
    grid_->SetHCol(headings);

    PickGroup = [this] { return PickOneGroup(context_, this); };
    OpenSubjectTeachers = [this] {
        TForm5_2 window(context_, this);
        window.exec();
    };

    fillGroups();
    connect(groups_, &QComboBox::currentIndexChanged, this, [this](int index) {
        TGod* year = context_.shell.God();
        if (year != nullptr && index >= 0 && index < year->CountGryp())
            SetGroup(year->LGryp[static_cast<std::size_t>(index)].get());
    });
    connect(prev, &QToolButton::clicked, this, [this] {
        if (groups_->currentIndex() > 0) groups_->setCurrentIndex(groups_->currentIndex() - 1);
    });
    connect(next, &QToolButton::clicked, this, [this] {
        if (groups_->currentIndex() + 1 < groups_->count())
            groups_->setCurrentIndex(groups_->currentIndex() + 1);
    });
    connect(pick, &QToolButton::clicked, this, &TForm5::onPickGroup);
    connect(layer_, &QComboBox::currentIndexChanged, this, [this] { fillGrid(); });
    connect(grid_, &THGrid::currentCellChanged, this, [this] { updateStatus(); });
    connect(pairs, &QPushButton::clicked, this, &TForm5::onPairsInWeek);
    connect(add, &QPushButton::clicked, this, &TForm5::onAddSubject);
    connect(props, &QPushButton::clicked, this, &TForm5::onProperties);
    connect(del, &QPushButton::clicked, this, &TForm5::onDeleteSubject);
    connect(teachers, &QPushButton::clicked, this, [this] {
        if (group_ == nullptr) return;
        OpenSubjectTeachers();
        // The other window saved what it changed; the teacher counts moved.
        // Its arrows may have made another group active, its group list
        // renamed one.
        fillGroups();
        SetGroup(group_);
    });
    connect(copyGroup, &QPushButton::clicked, this, &TForm5::onCopyFromGroup);
    connect(sync, &QPushButton::clicked, this, &TForm5::onSync);
    connect(toExtra, &QPushButton::clicked, this, &TForm5::onCopyToExtra);
    connect(fromExtra, &QPushButton::clicked, this, &TForm5::onCopyFromExtra);
    connect(summary, &QPushButton::clicked, this,
            [this] { OpenOtherWindow(context_, "TForm5_5", "Сводная таблица"); });
    connect(planned, &QPushButton::clicked, this,
            [this] { OpenOtherWindow(context_, "TForm41", "Планируемая нагрузка преподавателя"); });
    connect(print, &QPushButton::clicked, this,
            [this] { OpenOtherWindow(context_, "TForm5Print", "Печать"); });
    connect(week, &QPushButton::clicked, this, [this] {
        OpenOtherWindow(context_, "TForm1_3", "Выбор активной недели");
        updateStatus();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    TGod* god = context_.shell.God();
    TGryp* start = nullptr;
    if (god != nullptr && god->CountGryp() > 0)
        start = god->GrypActiv() != nullptr ? god->GrypActiv() : god->LGryp.front().get();
    SetGroup(start);
}

TForm5::~TForm5() = default;

TLoadLayer TForm5::Layer() const {
    return static_cast<TLoadLayer>(std::max(layer_->currentIndex(), 0));
}

void TForm5::SetGroup(TGryp* group) {
    group_ = group;
    TGod* god = context_.shell.God();
    if (god != nullptr && group != nullptr) {
        const int index = god->GetGrypIndex(group);
        god->SetGrypActivIndx(index);
        if (groups_->currentIndex() != index) {
            const QSignalBlocker quiet(groups_);
            groups_->setCurrentIndex(index);
        }
    }
    fillGrid();
}

void TForm5::fillGroups() {
    const QSignalBlocker quiet(groups_);
    groups_->Clear();
    TGod* god = context_.shell.God();
    if (god == nullptr) return;
    for (int i = 0; i < god->CountGryp(); ++i) groups_->Add(god->LGryp[i]->Name(), i);
    if (group_ != nullptr) groups_->setCurrentIndex(god->GetGrypIndex(group_));
}

TGryp* TForm5::pickGroup() {
    TGryp* picked = PickGroup ? PickGroup() : nullptr;
    fillGroups();
    TGod* god = context_.shell.God();
    if (god != nullptr && group_ != nullptr) god->SetGrypActivIndx(god->GetGrypIndex(group_));
    return picked;
}

bool TForm5::editable(const TGryp* group) {
    if (group == nullptr) return false;
    if (!group->BlobUnreadable) return true;
    context_.dialog.MessageShow(UnreadableGroupText(*group));
    return false;
}

void TForm5::fillGrid() {
    const int subjects = group_ != nullptr ? group_->CountPredmet() : 0;
    grid_->SetRowCount(kFixedRows + std::max(subjects, 1));
    grid_->Clear();
    grid_->SetCells(1, 1, QStringLiteral("Учебная неделя"));
    grid_->SetCells(1, 2, QStringLiteral("Итого пары в неделю"));
    for (int ne = 1; ne <= kWeeks; ++ne) {
        grid_->SetCells(
            WeekCol(ne), 1,
            group_ != nullptr && group_->TestNed(ne) ? qs(group_->CountRunDeyStr(ne)) : QString());
    }
    for (int i = 0; i < subjects; ++i) fillRow(i);
    fillTotals();
    updateStatus();
}

void TForm5::fillRow(int index) {
    const TPredmet& pr = *group_->LPredmet[static_cast<std::size_t>(index)];
    const int row = SubjectRow(index);
    const TLoadLayer layer = Layer();
    grid_->SetCells(0, row, QString::number(pr.Dan.N));
    grid_->SetCells(1, row, qs(pr.Name()));
    grid_->SetCells(2, row, pairingNote(pr));
    grid_->SetCells(3, row, QString::number(distinctTeachers(pr)));
    int total = 0;
    QString text;
    for (int ne = 1; ne <= kWeeks; ++ne) {
        total += layerCount(pr, layer, ne, text);
        grid_->SetCells(WeekCol(ne), row, text);
    }
    grid_->SetCells(4, row, QStringLiteral("%1(%2)").arg(total).arg(total * 2));
}

void TForm5::fillTotals() {
    const TLoadLayer layer = Layer();
    QString text;
    for (int ne = 1; ne <= kWeeks; ++ne) {
        int sum = 0;
        if (group_ != nullptr && group_->GetNed(ne) != nullptr) {
            if (layer == TLoadLayer::Setka) {
                sum = WeekPairTotal(*group_, ne);
            } else {
                for (const auto& pr : group_->LPredmet) sum += layerCount(*pr, layer, ne, text);
            }
        }
        grid_->SetCells(WeekCol(ne), 2, sum > 0 ? QString::number(sum) : QString());
    }
}

void TForm5::updateStatus() {
    if (group_ == nullptr) {
        status_->clear();
        return;
    }
    const QRect sel = grid_->selection();
    int first = 0;
    int last = 0;
    if (sel.width() == 1 && sel.height() == 1) {
        const TPredmet* pr = currentSubject();
        const int ne = WeekOfCol(grid_->Col());
        if (pr != nullptr && ne >= 1 && ne <= kWeeks) {
            status_->setText(
                QStringLiteral("Пары план=%1 - Отменен подгрупп=%2 и + Замен подгрупп=%3")
                    .arg(pr->CountPredmetNe(kSetkaPlan, ne))
                    .arg(pr->CountOtmenYr(kSetkaPlan, ne))
                    .arg(pr->CountZmKorzina(ne)));
            return;
        }
    }
    if (!selectedWeeks(first, last)) {
        status_->clear();
        return;
    }
    const auto active = context_.shell.ActiveWeeks();
    int activeCount = 0;
    for (int ne = first; ne <= last; ++ne) activeCount += active[static_cast<std::size_t>(ne - 1)];
    status_->setText(QStringLiteral("Недели :Выделено учебных=%1  Активно=%2")
                         .arg(StudyWeeksIn(*group_, first, last).size())
                         .arg(activeCount));
}

bool TForm5::selectedWeeks(int& first, int& last) const {
    const QRect sel = grid_->selection();
    first = std::max(WeekOfCol(sel.left()), 1);
    last = std::min(WeekOfCol(sel.right()), kWeeks);
    return last >= first;
}

std::vector<TPredmet*> TForm5::selectedSubjects() const {
    std::vector<TPredmet*> out;
    if (group_ == nullptr) return out;
    const QRect sel = grid_->selection();
    for (int row = std::max(sel.top(), kFixedRows); row <= sel.bottom(); ++row) {
        const int index = row - kFixedRows;
        if (index < group_->CountPredmet())
            out.push_back(group_->LPredmet[static_cast<std::size_t>(index)].get());
    }
    return out;
}

TPredmet* TForm5::currentSubject() const {
    if (group_ == nullptr) return nullptr;
    const int index = grid_->Row() - kFixedRows;
    if (index < 0 || index >= group_->CountPredmet()) return nullptr;
    return group_->LPredmet[static_cast<std::size_t>(index)].get();
}

bool TForm5::regularLayerOnly(bool pairsText) {
    const TLoadLayer layer = Layer();
    if (layer == TLoadLayer::Setka) return true;
    context_.dialog.MessageShow(!pairsText && layer == TLoadLayer::Otmena ? kNotCancelled
                                                                          : kOnlyRegular);
    return false;
}

void TForm5::loadChanged() {
    changed_ = true;
    fillGrid();
}

void TForm5::offerActiveWeeks() {
    if (context_.openWindow) (void)context_.openWindow("TForm1_3");
}

void TForm5::onPickGroup() {
    if (TGryp* picked = pickGroup()) SetGroup(picked);
}

void TForm5::onAddSubject() {
    if (!editable(group_) || context_.shell.God() == nullptr) return;
    TForm5_1 window(*context_.shell.God(), *group_, nullptr, context_.dialog, this);
    if (window.exec() == QDialog::Accepted) loadChanged();
}

void TForm5::onProperties() {
    TPredmet* pr = currentSubject();
    if (pr == nullptr || context_.shell.God() == nullptr) {
        context_.dialog.MessageShow(kPickSubjectRow);
        return;
    }
    if (!editable(group_)) return;
    TForm5_1 window(*context_.shell.God(), *group_, pr, context_.dialog, this);
    if (window.exec() == QDialog::Accepted) loadChanged();
}

void TForm5::onDeleteSubject() {
    TPredmet* pr = currentSubject();
    if (pr == nullptr) {
        context_.dialog.MessageShow(kPickSubjectRow);
        return;
    }
    if (!editable(group_)) return;
    if (!context_.dialog.MessageDlg("Удалить предмет? ", "Подтверждение")) return;
    if (group_->DelPredmet(group_->GetIndexPredmet(pr), true)) loadChanged();
}

void TForm5::onCopyFromGroup() {
    if (!editable(group_) || !PickGroup) return;
    if (!context_.dialog.MessageDlg("Копировать предметы из другой группы?", "Подтверждение"))
        return;
    context_.dialog.MessageShow("Для подтверждение выбранной группы пользуйтесь кнопкой \"Ok\"");
    TGryp* source = pickGroup();
    if (source == nullptr) return;
    if (source == group_) {
        context_.dialog.MessageShow("Нельзя копировать группу саму в себя!");
        return;
    }
    // An unread group is held empty: copying it would copy nothing.
    if (!editable(source)) return;
    // Subjects the group lacks come with their properties and their regular
    // load in the weeks the group studies; the group's own stay as they are.
    bool any = false;
    for (const auto& from : source->LPredmet) {
        if (from->YrName() == nullptr) continue;
        bool present = false;
        for (const auto& own : group_->LPredmet)
            present = present || own->YrName() == from->YrName();
        if (present) continue;
        TPredmet* pr = group_->CreatePredmet(from->YrName());
        if (pr == nullptr) break;
        pr->Dan.Spar = from->Dan.Spar;
        pr->Dan.Sem1 = from->Dan.Sem1;
        pr->Dan.Sem2 = from->Dan.Sem2;
        pr->Dan.Podg = from->Dan.Podg;
        for (int ne = 1; ne <= kWeeks; ++ne) {
            const int count = from->CountPredmetNe(kSetkaPlan, ne);
            if (count > 0 && group_->TestNed(ne)) (void)SetSubjectPairs(*pr, ne, count);
        }
        group_->OnModifi(pr);
        any = true;
    }
    if (any) loadChanged();
}

void TForm5::onPairsInWeek() {
    if (!editable(group_) || !regularLayerOnly(true)) return;
    int first = 0;
    int last = 0;
    if (!selectedWeeks(first, last)) return;
    const std::vector<TPredmet*> subjects = selectedSubjects();
    if (subjects.empty()) {
        context_.dialog.MessageShow(kPickSubjectRow);
        return;
    }
    const std::vector<int> study = StudyWeeksIn(*group_, first, last);
    if (study.empty()) return;
    QStringList names;
    for (const TPredmet* pr : subjects) names.append(qs(pr->Name()));
    TForm5_3 window(names.join(QStringLiteral(" ")), static_cast<int>(study.size()), this);
    if (window.exec() != QDialog::Accepted || window.Pairs() < 0) return;
    if (SetPairsInWeeks(*group_, subjects, first, last, window.Pairs()) > 0) loadChanged();
}

void TForm5::onSync() {
    if (!editable(group_) || !regularLayerOnly(false)) return;
    TForm5_4 window(context_.dialog, this);
    if (window.exec() != QDialog::Accepted || !window.Variant()) return;
    int first = 0;
    int last = 0;
    (void)selectedWeeks(first, last);
    if (const auto refusal = SyncRefusal(*group_, *window.Variant(), first, last)) {
        context_.dialog.MessageShow(*refusal);
        return;
    }
    const std::vector<TPredmet*> subjects = selectedSubjects();
    if (subjects.empty()) {
        context_.dialog.MessageShow(kPickSubjectRow);
        return;
    }
    if (SyncLoad(*group_, subjects, *window.Variant(), first, last) > 0) loadChanged();
}

void TForm5::onCopyToExtra() {
    TGod* god = context_.shell.God();
    if (!editable(group_) || god == nullptr || !regularLayerOnly(false)) return;
    auto plan = CopyToExtraPlan(context_.shell.ActiveWeeks());
    if (!plan) {
        context_.dialog.MessageShow(kCopyToExtraRefusal);
        offerActiveWeeks();
        plan = CopyToExtraPlan(context_.shell.ActiveWeeks());
        if (!plan) {
            context_.dialog.MessageShow(kWrongActiveWeeks);
            return;
        }
    }
    if (!context_.dialog.MessageDlg(
            "Напоминание! Операция копирования изменит количество часов,\r\nудалит "
            "предварительные установки и расписание на дополнительных неделях.\r\nПродолжить?",
            "Подтверждение"))
        return;
    TCopyScopeDialog scope(this);
    if (scope.exec() != QDialog::Accepted) return;
    const bool all = scope.AllGroups();
    std::string question =
        all ? "Копировать для всех групп часы с недели N" : "Копировать часы с недели N";
    for (std::size_t i = 0; i < plan->size(); ++i) {
        const auto [from, to] = (*plan)[i];
        if (i > 0) question += " и с недели N";
        question += god->GetNumberWeek(from) + " на дополнительную неделю N" +
                    std::to_string(to - kFirstExtraWeek + 1);
    }
    if (!context_.dialog.MessageDlg(question, "Подтверждение")) return;
    bool copied = false;
    std::string unread;
    auto copyGroup = [&](TGryp& gr) {
        if (gr.BlobUnreadable) {
            unread += (unread.empty() ? "" : ", ") + gr.Name();
            return;
        }
        copied = CopyWeeks(gr, *plan) > 0 || copied;
    };
    if (all) {
        for (const auto& gr : god->LGryp) copyGroup(*gr);
    } else {
        copyGroup(*group_);
    }
    if (copied) loadChanged();
    if (!unread.empty())
        context_.dialog.MessageShow("Расписание групп " + unread +
                                    " не удалось прочитать; их нагрузка не изменена.");
}

void TForm5::onCopyFromExtra() {
    TGod* god = context_.shell.God();
    if (!editable(group_) || god == nullptr || !regularLayerOnly(false)) return;
    TExtraSource source = CopyFromExtraSource(context_.shell.ActiveWeeks());
    if (!source.refusal.empty()) {
        context_.dialog.MessageShow(source.refusal);
        offerActiveWeeks();
        source = CopyFromExtraSource(context_.shell.ActiveWeeks());
        if (!source.refusal.empty()) {
            context_.dialog.MessageShow(kWrongActiveWeeks);
            return;
        }
    }
    const QRect sel = grid_->selection();
    // A selection reaching into the subject columns starts at week 1.
    const int first = std::max(WeekOfCol(sel.left()), 1);
    const int last = WeekOfCol(sel.right());
    if (const auto refusal = CopyFromExtraSelectionRefusal(first, last)) {
        context_.dialog.MessageShow(*refusal);
        return;
    }
    const std::string statement = "Копировать часы с дополнительной недели N" +
                                  std::to_string(source.first - kFirstExtraWeek + 1) + " и N" +
                                  std::to_string(source.second - kFirstExtraWeek + 1) +
                                  "\r\nна недели начиная с N" + god->GetNumberWeek(first) +
                                  " по неделю" + " N" + god->GetNumberWeek(last);
    if (!context_.dialog.MessageDlg(statement, "Подтверждение")) return;
    if (!context_.dialog.MessageDlg(
            "Напоминание! Операция копирования на обычные недели изменит количество "
            "часов,\r\nудалит предварительные установки и расписание на выделенных обычных "
            "неделях.\r\nПродолжить?\r\n(для сохранения суммы количества часов воспользуйтесь "
            "кнопкой синхронизации)",
            "Подтверждение"))
        return;
    if (CopyFromExtra(*group_, source, first, last) > 0) loadChanged();
}

void TForm5::done(int result) {
    if (changed_) {
        if (TGod* god = context_.shell.God(); god != nullptr && god->SaveRasp()) changed_ = false;
        // The menu does not save after this window: closing now may lose the edits.
        else if (!context_.dialog.MessageDlg(kLoadNotSavedQuestion, "Подтверждение"))
            return;
    }
    QDialog::done(result);
}

void RunLoad(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm5 window(context, context.parent);
    window.exec();
}

}  // namespace zavlin::entry::ui
