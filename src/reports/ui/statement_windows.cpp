#include "reports/ui/statement_windows.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "base/datetime.h"
#include "entry/ui/entry_widgets.h"
#include "export/document_opener.h"
#include "model/god.h"
#include "model/group.h"
#include "model/teacher.h"
#include "reports/ui/report_table_view.h"
#include "reports/ui/report_windows.h"
#include "shell/menu.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"

namespace zavlin::reports::ui {

namespace {

constexpr TStatementKinds kKinds[] = {TStatementKinds::All, TStatementKinds::Substitutions,
                                      TStatementKinds::Additional};

template <class T>
const T* itemAt(const std::vector<const void*>& items, const QComboBox* box) {
    const int i = box != nullptr ? box->currentIndex() : -1;
    return i >= 0 && i < static_cast<int>(items.size())
               ? static_cast<const T*>(items[static_cast<std::size_t>(i)])
               : nullptr;
}

// The box's objects are kept in its order: the choice is found by its
// index, not by searching for its name.
void fillGroups(const TGod& g, QComboBox* box, std::vector<const void*>& items) {
    QStringList texts;
    for (const auto& gr : g.LGryp) {
        items.push_back(gr.get());
        texts << QString::fromStdString(gr->Name());
    }
    const QSignalBlocker quiet(box);
    box->addItems(texts);
    box->setCurrentIndex(texts.isEmpty() ? -1 : 0);
}

void fillTeachers(const TGod& g, QComboBox* box, std::vector<const void*>& items) {
    QStringList texts;
    for (const auto& fio : g.LFio) {
        items.push_back(fio.get());
        texts << QString::fromStdString(fio->Name());
    }
    const QSignalBlocker quiet(box);
    box->addItems(texts);
    box->setCurrentIndex(texts.isEmpty() ? -1 : 0);
}

QComboBox* addChoice(QWidget* owner, QHBoxLayout* row, const char* label, const char* name) {
    row->addWidget(new QLabel(QString::fromUtf8(label), owner));
    auto* box = new QComboBox(owner);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumContentsLength(14);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    row->addWidget(box);
    return box;
}

TReportGridView* addGrid(QWidget* owner, QVBoxLayout* layout) {
    auto* grid = new TReportGridView(owner);
    grid->setObjectName(QStringLiteral("Grid"));
    layout->addWidget(grid, 1);
    return grid;
}

// "Печать" and "Закрыть" at the bottom right, status at the left when given;
// returns the print button.
QPushButton* addButtons(QDialog* owner, QVBoxLayout* layout, QLabel* status = nullptr) {
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    if (status != nullptr) row->addWidget(status);
    row->addStretch(1);
    auto* print =
        entry::ui::MakeButton(owner, QStringLiteral("Печать"), QStringLiteral("PrintButton"), row);
    auto* close =
        entry::ui::MakeButton(owner, QStringLiteral("Закрыть"), QStringLiteral("CloseButton"), row);
    QObject::connect(close, &QPushButton::clicked, owner, &QDialog::accept);
    return print;
}

std::string teacherTitle(const TFio& fio) {
    return fio.BigName().empty() ? fio.Name() : fio.BigName();
}

}  // namespace

int MonthOfIndex(int index) {
    return (index + 8) % 12 + 1;
}

int IndexOfMonth(int month) {
    return summaryColumn(month);
}

// ---- The monthly statements -------------------------------------------------

TMonthStatementWindow::TMonthStatementWindow(TKind kind, TWindowContext& context,
                                             exporting::TDocumentOpener& opener, QWidget* parent)
    : QDialog(parent), kind_(kind), context_(context), opener_(opener) {
    setWindowTitle(kind == TKind::Group ? QStringLiteral("Ведомость группы за месяц")
                                        : QStringLiteral("Ведомость преподавателя за месяц"));
    resize(1180, 600);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    choice_ = addChoice(this, top, kind == TKind::Group ? "Группа" : "Преподаватель", "ChoiceBox");
    month_ = addChoice(this, top, "Месяц", "MonthBox");
    for (int m = 0; m < kSummaryMonths; ++m)
        month_->addItem(QString::fromUtf8(kSummaryHeads[static_cast<std::size_t>(m)]));
    start_ = addChoice(this, top, "Начало", "StartBox");
    for (const TStatementStart& s : kStatementStarts) start_->addItem(QString::fromUtf8(s.text));
    if (kind == TKind::Teacher) {
        kinds_ = new QComboBox(this);
        kinds_->setObjectName(QStringLiteral("KindsBox"));
        for (TStatementKinds k : kKinds) kinds_->addItem(QString::fromUtf8(statementKindsText(k)));
        top->addWidget(kinds_);
    }
    top->addStretch(1);
    if (kind == TKind::Teacher) {
        totals_ = new QLabel(this);
        totals_->setObjectName(QStringLiteral("TotalsLabel"));
        layout->addWidget(totals_);
    }
    grid_ = addGrid(this, layout);
    // A day off shows as such in its whole column.
    grid_->OnGetCellColor = [this](THGrid*, int row, int col, TGridDrawStates state, QBrush& brush,
                                   QColor&) {
        const int day = col - kStatementFirstDayCol;
        if (day < 0 || day >= kStatementDays || (state & gdSelected) != 0) return;
        if (statement_.days[static_cast<std::size_t>(day)].sunday && row > 0)
            brush = QBrush(DayOffColor());
    };
    printButton_ = addButtons(this, layout);
    connect(printButton_, &QPushButton::clicked, this, [this] { (void)Print(); });

    if (const TGod* g = god()) {
        if (kind == TKind::Group)
            fillGroups(*g, choice_, items_);
        else
            fillTeachers(*g, choice_, items_);
        // A statement is mostly asked for the month under way.
        const int today = entry::ui::StoredFromDate(QDate::currentDate());
        const int first = g->AllNed.Dg;
        const bool inYear = today >= first && today < first + kStudyWeeks * 7;
        month_->setCurrentIndex(inYear ? IndexOfMonth(decodeDate(today).month) : 0);
    }
    for (QComboBox* box : {choice_, month_, start_, kinds_})
        if (box != nullptr)
            connect(box, &QComboBox::currentIndexChanged, this, [this] { Recalculate(); });
    Recalculate();
}

TMonthStatementWindow::~TMonthStatementWindow() = default;

TGod* TMonthStatementWindow::god() const {
    return context_.shell.God();
}

const TGryp* TMonthStatementWindow::ChosenGroup() const {
    return kind_ == TKind::Group ? itemAt<TGryp>(items_, choice_) : nullptr;
}

const TFio* TMonthStatementWindow::ChosenTeacher() const {
    return kind_ == TKind::Teacher ? itemAt<TFio>(items_, choice_) : nullptr;
}

int TMonthStatementWindow::Month() const {
    return MonthOfIndex(std::max(month_->currentIndex(), 0));
}

int TMonthStatementWindow::Start() const {
    const int i = start_->currentIndex();
    return i >= 0 && i < static_cast<int>(kStatementStarts.size())
               ? kStatementStarts[static_cast<std::size_t>(i)].hh
               : 0;
}

TStatementKinds TMonthStatementWindow::Kinds() const {
    const int i = kinds_ != nullptr ? kinds_->currentIndex() : 0;
    return i >= 0 && i < 3 ? kKinds[i] : TStatementKinds::All;
}

std::string TMonthStatementWindow::TotalsText() const {
    if (kind_ != TKind::Teacher || ChosenTeacher() == nullptr) return {};
    return teachersTotalText({statement_});
}

void TMonthStatementWindow::Recalculate() {
    statement_ = TMonthStatement{};
    const TGod* g = god();
    bool have = false;
    if (g != nullptr) {
        if (const TGryp* gr = ChosenGroup()) {
            statement_ = CreateGryp(*g, *gr, Month(), Start());
            have = true;
        } else if (const TFio* fio = ChosenTeacher()) {
            statement_ = CreateFio(*g, *fio, Month(), Start(), Kinds());
            have = true;
        }
    }
    shown_ = StatementGrid(statement_,
                           kind_ == TKind::Teacher ? TStatementOf::Teacher : TStatementOf::Group);
    grid_->ShowTable(shown_);
    if (totals_ != nullptr) totals_->setText(QString::fromStdString(TotalsText()));
    printButton_->setEnabled(have);
}

std::string TMonthStatementWindow::chosenText() const {
    if (const TGryp* gr = ChosenGroup()) return gr->Name();
    if (const TFio* fio = ChosenTeacher()) return teacherTitle(*fio);
    return {};
}

std::string TMonthStatementWindow::DocumentName() const {
    return kind_ == TKind::Group ? "group_month.htm" : "teacher_month.htm";
}

bool TMonthStatementWindow::Print() {
    if (ChosenGroup() == nullptr && ChosenTeacher() == nullptr) return false;
    const std::string title = windowTitle().toStdString();
    TPrintPart part;
    part.heading = title + " " + chosenText();
    part.notes.push_back(month_->currentText().toStdString() + ", " +
                         start_->currentText().toStdString());
    if (kinds_ != nullptr) part.notes.push_back(kinds_->currentText().toStdString());
    if (!TotalsText().empty()) part.notes.push_back(TotalsText());
    part.table = &shown_;
    return PrintReport(context_, opener_, DocumentName(), title, {part});
}

// ---- The summaries -----------------------------------------------------------

namespace {

// The caption of the menu item that opens the window: one text for both.
std::string summaryTitle(TSummaryWindow::TKind kind) {
    const char* component = "N28";
    switch (kind) {
        case TSummaryWindow::TKind::Teacher:
            component = "N310";
            break;
        case TSummaryWindow::TKind::EachGroup:
            component = "N41";
            break;
        case TSummaryWindow::TKind::AllTeachers:
            component = "N34";
            break;
        case TSummaryWindow::TKind::Group:
            break;
    }
    const shell::TMenuItem* item = shell::FindMenuItem(component);
    if (item == nullptr || item->path.empty()) return {};
    std::string caption = item->path.back();
    std::erase(caption, '&');
    return caption;
}

const char* summaryFile(TSummaryWindow::TKind kind) {
    switch (kind) {
        case TSummaryWindow::TKind::Teacher:
            return "teacher_summary.htm";
        case TSummaryWindow::TKind::EachGroup:
            return "teachers_by_group.htm";
        case TSummaryWindow::TKind::AllTeachers:
            return "all_teachers.htm";
        case TSummaryWindow::TKind::Group:
            break;
    }
    return "group_summary.htm";
}

}  // namespace

TSummaryWindow::TSummaryWindow(TKind kind, TWindowContext& context,
                               exporting::TDocumentOpener& opener, QWidget* parent)
    : QDialog(parent), kind_(kind), context_(context), opener_(opener) {
    setWindowTitle(QString::fromStdString(summaryTitle(kind)));
    resize(1100, 600);
    auto* layout = new QVBoxLayout(this);
    if (kind == TKind::Group || kind == TKind::Teacher) {
        auto* top = new QHBoxLayout;
        layout->addLayout(top);
        choice_ =
            addChoice(this, top, kind == TKind::Group ? "Группа" : "Преподаватель", "ChoiceBox");
        top->addStretch(1);
        if (const TGod* g = god()) {
            if (kind == TKind::Group)
                fillGroups(*g, choice_, items_);
            else
                fillTeachers(*g, choice_, items_);
        }
        connect(choice_, &QComboBox::currentIndexChanged, this, [this] { Recalculate(); });
    }
    busy_ = new QLabel(this);
    busy_->setObjectName(QStringLiteral("BusyLabel"));
    grid_ = addGrid(this, layout);
    printButton_ = addButtons(this, layout, busy_);
    connect(printButton_, &QPushButton::clicked, this, [this] { (void)Print(); });
    Recalculate();
}

// The worker is stopped and joined before the window's widgets go; what it
// queued for the window is dropped with it.
TSummaryWindow::~TSummaryWindow() {
    stopCount();
}

void TSummaryWindow::done(int result) {
    // A closed window counts for no one; the count would also hold the close.
    stopCount();
    QDialog::done(result);
}

void TSummaryWindow::stopCount() {
    if (worker_.joinable()) {
        worker_.request_stop();
        // It stops before its next group: the wait is one group's count.
        worker_.join();
    }
    if (computing_) busy_->clear();
    computing_ = false;
}

TGod* TSummaryWindow::god() const {
    return context_.shell.God();
}

std::vector<std::string> TSummaryWindow::heads() const {
    switch (kind_) {
        case TKind::Group:
            return {"Предмет", "Преподаватель"};
        case TKind::Teacher:
            return {"Группа", "Предмет"};
        case TKind::EachGroup:
            return {"Группа", "Преподаватель"};
        case TKind::AllTeachers:
            break;
    }
    return {"Преподаватель"};
}

namespace {

std::vector<TSummaryTable> countSummary(const TGod& g, TSummaryWindow::TKind kind, const void* item,
                                        const TSummaryGoOn& goOn) {
    switch (kind) {
        case TSummaryWindow::TKind::Group:
            if (item != nullptr) return {groupSummary(g, *static_cast<const TGryp*>(item), goOn)};
            break;
        case TSummaryWindow::TKind::Teacher:
            if (item != nullptr) return {teacherSummary(g, *static_cast<const TFio*>(item), goOn)};
            break;
        case TSummaryWindow::TKind::EachGroup:
            return teachersOfEachGroup(g, goOn);
        case TSummaryWindow::TKind::AllTeachers:
            return {teachersOfAllGroups(g, goOn)};
    }
    return {};
}

}  // namespace

void TSummaryWindow::Recalculate() {
    // The count for the former choice is of no use any more.
    stopCount();
    start();
}

void TSummaryWindow::start() {
    computing_ = true;
    const int generation = ++generation_;
    busy_->setText(QStringLiteral("Подсчёт часов..."));
    printButton_->setEnabled(false);
    const TGod* g = god();
    const void* item = nullptr;
    if (kind_ == TKind::Group) item = itemAt<TGryp>(items_, choice_);
    if (kind_ == TKind::Teacher) item = itemAt<TFio>(items_, choice_);
    worker_ = std::jthread([this, g, kind = kind_, item, generation](std::stop_token stop) {
        const TSummaryGoOn goOn = [&stop] {
            if (CountStep) CountStep(stop);
            return !stop.stop_requested();
        };
        auto tables = std::make_shared<std::vector<TSummaryTable>>();
        if (g != nullptr) *tables = countSummary(*g, kind, item, goOn);
        if (stop.stop_requested()) return;  // partial
        QMetaObject::invokeMethod(
            this, [this, tables, generation] { finished(generation, std::move(*tables)); },
            Qt::QueuedConnection);
    });
}

void TSummaryWindow::finished(int generation, std::vector<TSummaryTable> tables) {
    // A count stopped after it had queued its tables: a newer one is under way.
    if (generation != generation_) return;
    computing_ = false;
    tables_ = std::move(tables);
    if (kind_ == TKind::EachGroup)
        shown_ = SummaryGrid(heads(), tables_);
    else
        shown_ = SummaryGrid(heads(), tables_.empty() ? TSummaryTable{} : tables_.front());
    grid_->ShowTable(shown_);
    busy_->clear();
    printButton_->setEnabled(!tables_.empty());
}

std::string TSummaryWindow::DocumentName() const {
    return summaryFile(kind_);
}

bool TSummaryWindow::Print() {
    if (computing_ || tables_.empty()) return false;
    const std::string title = summaryTitle(kind_);
    std::vector<TPrintPart> parts;
    std::vector<TDGrid> grids;  // the parts point into them until the document is written
    if (kind_ == TKind::EachGroup) {
        grids.reserve(tables_.size());
        for (const TSummaryTable& t : tables_) grids.push_back(SummaryGrid({"Преподаватель"}, t));
        parts.push_back(TPrintPart{title, {}, nullptr});
        for (std::size_t i = 0; i < tables_.size(); ++i)
            parts.push_back(TPrintPart{"Группа " + tables_[i].title, {}, &grids[i]});
    } else {
        std::string heading = title;
        if (kind_ == TKind::Teacher) {
            if (const TFio* fio = itemAt<TFio>(items_, choice_))
                heading += " " + teacherTitle(*fio);
        } else if (!tables_.front().title.empty()) {
            heading += " " + tables_.front().title;
        }
        parts.push_back(TPrintPart{heading, {}, &shown_});
    }
    return PrintReport(context_, opener_, DocumentName(), title, parts);
}

// ---- Opening from the menu -----------------------------------------------------

namespace {

template <class W>
void runWindow(TWindowContext& context, bool fillScreen = false) {
    RunReportWindow(context, fillScreen, [&](exporting::TDocumentOpener& opener) {
        return std::make_unique<W>(context, opener, context.parent);
    });
}

}  // namespace

void RunGroupMonthStatement(TWindowContext& context) {
    runWindow<TForm22>(context, true);
}
void RunTeacherMonthStatement(TWindowContext& context) {
    runWindow<TForm23>(context, true);
}
void RunGroupSummaryStatement(TWindowContext& context) {
    runWindow<TForm35>(context);
}
void RunTeacherSummaryStatement(TWindowContext& context) {
    runWindow<TForm24>(context);
}
void RunTeachersByGroupStatement(TWindowContext& context) {
    runWindow<TForm40>(context);
}
void RunAllTeachersStatement(TWindowContext& context) {
    runWindow<TForm39>(context);
}

}  // namespace zavlin::reports::ui
