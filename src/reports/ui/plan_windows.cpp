#include "reports/ui/plan_windows.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "export/document_opener.h"
#include "export/load_rtf.h"
#include "export/ui/document_opening.h"
#include "model/god.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "reports/subject_plan_table.h"
#include "reports/ui/report_grid_view.h"
#include "reports/ui/report_table_view.h"
#include "reports/ui/report_windows.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"
#include "storage/year_database.h"

namespace zavlin::reports::ui {

namespace {

using entry::ui::MakeButton;
using shell::ui::TComboBoxNumer;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* label(QWidget* parent, const QString& text, QBoxLayout* layout) {
    auto* l = new QLabel(text, parent);
    layout->addWidget(l);
    return l;
}

std::vector<const TGryp*> unreadableGroups(const TGod& god) {
    std::vector<const TGryp*> out;
    for (const auto& gr : god.LGryp)
        if (gr->BlobUnreadable) out.push_back(gr.get());
    return out;
}

std::vector<int> studyWeeks() {
    std::vector<int> weeks;
    for (int ne = 1; ne <= kStudyWeeks; ++ne) weeks.push_back(ne);
    return weeks;
}

}  // namespace

// ---- The shared frame ---------------------------------------------------

TPlanReportWindow::TPlanReportWindow(TWindowContext& context, const QString& caption,
                                     QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    choices_ = new QHBoxLayout;
    layout->addLayout(choices_);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("NoteLabel"));
    note_->setWordWrap(true);
    note_->hide();
    layout->addWidget(note_);
    grid_ = new TReportGridView(this);
    grid_->setObjectName(QStringLiteral("ReportGrid"));
    layout->addWidget(grid_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    export_ =
        MakeButton(this, QStringLiteral("Экспорт в Word"), QStringLiteral("ExportButton"), buttons);
    auto* close =
        MakeButton(this, QStringLiteral("Закрыть"), QStringLiteral("CloseButton"), buttons);
    layout->addLayout(buttons);
    connect(export_, &QPushButton::clicked, this, [this] { (void)ExportToWord(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(1100, 650);
}

TPlanReportWindow::~TPlanReportWindow() = default;

TLoadTable TPlanReportWindow::Shown() const {
    return {title_, weeksText_, grid_->Table()};
}

void TPlanReportWindow::ShowTable(TLoadTable table) {
    title_ = std::move(table.Title);
    weeksText_ = std::move(table.WeeksText);
    grid_->ShowTable(std::move(table.Grid));
}

void TPlanReportWindow::NoteUnreadable(const std::vector<const TGryp*>& groups) {
    if (groups.empty()) {
        note_->hide();
        return;
    }
    std::string names;
    for (const TGryp* gr : groups) names += (names.empty() ? "" : ", ") + gr->Name();
    note_->setText(qs("Расписание не прочитано, нагрузка не учтена: " + names));
    note_->show();
}

void TPlanReportWindow::SetExportEnabled(bool on) {
    export_->setEnabled(on);
}

bool TPlanReportWindow::ExportToWord() {
    // The document is of the choices on screen, made a moment ago or not.
    flushPending();
    const std::filesystem::path home = context_.shell.DM().DB.PathR;
    if (!exporting::SaveLoadTablesInTemp({Shown()}, home, context_.dialog)) return false;
    const std::filesystem::path file = exporting::LoadTablesTempFile(home);
    std::string why;
    if (exporting::ui::DocumentOpener(context_)->Open(file, why)) return true;
    // The document stays; the user learns where it is.
    context_.dialog.MessageShow("Невозможно открыть файл : " + file.string() +
                                (why.empty() ? "" : "\n" + why));
    return false;
}

// ---- A group's summary --------------------------------------------------

TForm5_5::TForm5_5(TWindowContext& context, QWidget* parent)
    : TPlanReportWindow(context, QStringLiteral("Сводная таблица"), parent) {
    label(this, QStringLiteral("Группа"), Choices());
    groups_ = new TComboBoxNumer(this);
    groups_->setObjectName(QStringLiteral("GroupsCombo"));
    groups_->setMinimumContentsLength(16);
    Choices()->addWidget(groups_);
    Choices()->addStretch(1);
    if (const TGod* god = context_.shell.God()) {
        for (int i = 0; i < god->CountGryp(); ++i)
            groups_->Add(god->LGryp[static_cast<std::size_t>(i)]->Name(), i);
        const int active = god->GrypActivIndx();
        groups_->setCurrentIndex(active >= 0 && active < groups_->count() ? active : 0);
    }
    connect(groups_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    refresh();
}

const TGryp* TForm5_5::Group() const {
    const TGod* god = context_.shell.God();
    const int key = groups_->GetNumer();
    if (god == nullptr || key < 0 || key >= god->CountGryp()) return nullptr;
    return god->LGryp[static_cast<std::size_t>(key)].get();
}

void TForm5_5::refresh() {
    const TGod* god = context_.shell.God();
    const TGryp* gr = Group();
    if (god == nullptr || gr == nullptr) return;
    // An unread timetable would show as no load at all.
    if (gr->BlobUnreadable) {
        NoteUnreadable({gr});
        SetExportEnabled(false);
        TLoadTable empty = GroupSummaryTable(*god, *gr, {});
        empty.Grid.SetSize(empty.Grid.ColCount(), 1);
        ShowTable(std::move(empty));
        return;
    }
    NoteUnreadable({});
    SetExportEnabled(true);
    ShowTable(GroupSummaryTable(*god, *gr, studyWeeks()));
}

// ---- The teachers' planned load ------------------------------------------

TForm41::TForm41(TWindowContext& context, QWidget* parent)
    : TPlanReportWindow(context, QStringLiteral("Планируемая нагрузка преподавателя"), parent) {
    active_ = new QRadioButton(QStringLiteral("Активные недели"), this);
    active_->setObjectName(QStringLiteral("ActiveWeeksRadio"));
    active_->setChecked(true);
    auto* range = new QRadioButton(QStringLiteral("Недели с"), this);
    range->setObjectName(QStringLiteral("RangeRadio"));
    from_ = new QSpinBox(this);
    from_->setObjectName(QStringLiteral("FromWeekSpin"));
    to_ = new QSpinBox(this);
    to_->setObjectName(QStringLiteral("ToWeekSpin"));
    for (QSpinBox* spin : {from_, to_}) spin->setRange(1, kWeeks);
    from_->setValue(1);
    to_->setValue(kStudyWeeks);
    Choices()->addWidget(active_);
    Choices()->addWidget(range);
    Choices()->addWidget(from_);
    label(this, QStringLiteral("по"), Choices());
    Choices()->addWidget(to_);
    Choices()->addSpacing(16);
    label(this, QStringLiteral("Преподаватель"), Choices());
    teachers_ = new TComboBoxNumer(this);
    teachers_->setObjectName(QStringLiteral("TeachersCombo"));
    teachers_->setMinimumContentsLength(24);
    teachers_->Add("Все преподаватели", -1);
    if (const TGod* god = context_.shell.God())
        for (int i = 0; i < static_cast<int>(god->LFio.size()); ++i) {
            const TFio& fio = *god->LFio[static_cast<std::size_t>(i)];
            teachers_->Add(fio.BigName().empty() ? fio.Name() : fio.BigName(), i);
        }
    teachers_->setCurrentIndex(0);
    Choices()->addWidget(teachers_);
    Choices()->addStretch(1);

    // Every teacher's load is a pass over the year: a held spin arrow or a
    // typed number would rebuild it per step, so the table follows once the
    // weeks settle.
    rebuildTimer_ = new QTimer(this);
    rebuildTimer_->setSingleShot(true);
    rebuildTimer_->setInterval(kWeeksSettleMs);
    connect(rebuildTimer_, &QTimer::timeout, this, [this] { refresh(); });
    for (QSpinBox* spin : {from_, to_}) {
        connect(spin, &QSpinBox::valueChanged, rebuildTimer_, qOverload<>(&QTimer::start));
        connect(spin, &QSpinBox::editingFinished, this, [this] {
            if (rebuildTimer_->isActive()) refresh();
        });
    }
    const auto again = [this] { refresh(); };
    connect(active_, &QRadioButton::toggled, this, again);
    connect(teachers_, &QComboBox::currentIndexChanged, this, again);
    refresh();
}

// A spin box ends its editing as it loses the focus on the way out: the
// half-destroyed window must not hear it.
TForm41::~TForm41() {
    for (QSpinBox* spin : {from_, to_}) disconnect(spin, nullptr, this, nullptr);
}

std::vector<int> TForm41::Weeks() const {
    std::vector<int> weeks;
    if (active_->isChecked()) {
        const auto flags = context_.shell.ActiveWeeks();
        for (int ne = 1; ne <= kWeeks; ++ne)
            if (flags[static_cast<std::size_t>(ne - 1)]) weeks.push_back(ne);
        return weeks;
    }
    const int first = std::min(from_->value(), to_->value());
    const int last = std::max(from_->value(), to_->value());
    for (int ne = first; ne <= last; ++ne) weeks.push_back(ne);
    return weeks;
}

const TFio* TForm41::Teacher() const {
    const TGod* god = context_.shell.God();
    const int key = teachers_->GetNumer();
    if (god == nullptr || key < 0 || key >= static_cast<int>(god->LFio.size())) return nullptr;
    return god->LFio[static_cast<std::size_t>(key)].get();
}

bool TForm41::RebuildPending() const {
    return rebuildTimer_->isActive();
}

void TForm41::flushPending() {
    if (RebuildPending()) refresh();
}

void TForm41::refresh() {
    rebuildTimer_->stop();
    ++rebuilds_;
    const TGod* god = context_.shell.God();
    if (god == nullptr) return;
    from_->setEnabled(!active_->isChecked());
    to_->setEnabled(!active_->isChecked());
    std::vector<const TFio*> chosen;
    if (const TFio* fio = Teacher()) chosen.push_back(fio);
    NoteUnreadable(unreadableGroups(*god));
    ShowTable(TeacherLoadTable(*god, Weeks(), chosen));
}

// ---- A subject across the groups -----------------------------------------

TForm45::TForm45(TWindowContext& context, QWidget* parent)
    : TPlanReportWindow(context, QStringLiteral("Предмет в группах  по плану"), parent) {
    label(this, QStringLiteral("Предмет"), Choices());
    subjects_ = new TComboBoxNumer(this);
    subjects_->setObjectName(QStringLiteral("SubjectsCombo"));
    subjects_->setMinimumContentsLength(24);
    Choices()->addWidget(subjects_);
    Choices()->addStretch(1);
    if (const TGod* god = context_.shell.God())
        for (int i = 0; i < static_cast<int>(god->LYrName.size()); ++i)
            subjects_->Add(god->LYrName[static_cast<std::size_t>(i)]->Name(), i);
    subjects_->setCurrentIndex(0);
    connect(subjects_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    refresh();
}

const TYrName* TForm45::Subject() const {
    const TGod* god = context_.shell.God();
    const int key = subjects_->GetNumer();
    if (god == nullptr || key < 0 || key >= static_cast<int>(god->LYrName.size())) return nullptr;
    return god->LYrName[static_cast<std::size_t>(key)].get();
}

void TForm45::refresh() {
    const TGod* god = context_.shell.God();
    const TYrName* name = Subject();
    if (god == nullptr || name == nullptr) return;
    NoteUnreadable(unreadableGroups(*god));
    ShowTable(SubjectInGroupsTable(*god, *name));
}

// ---- The menu's entry points ---------------------------------------------

namespace {

// The plan windows find the document opener themselves when they export.
template <class W>
void runModal(TWindowContext& context) {
    RunReportWindow(context, false, [&](exporting::TDocumentOpener&) {
        return std::make_unique<W>(context, context.parent);
    });
}

}  // namespace

void RunGroupPlanTable(TWindowContext& context) {
    runModal<TForm5_5>(context);
}
void RunTeacherPlanLoad(TWindowContext& context) {
    runModal<TForm41>(context);
}
void RunSubjectInGroups(TWindowContext& context) {
    runModal<TForm45>(context);
}

}  // namespace zavlin::reports::ui
