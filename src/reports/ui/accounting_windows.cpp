#include "reports/ui/accounting_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "base/datetime.h"
#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "export/document_opener.h"
#include "export/hours_xml.h"
#include "model/god.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "reports/ui/report_table_view.h"
#include "reports/ui/report_windows.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "storage/year_database.h"

namespace zavlin::reports::ui {

namespace fs = std::filesystem;

namespace {

const char* titleOf(TAccountWindow::TKind kind) {
    switch (kind) {
        case TAccountWindow::TKind::Teacher:
            return "Вычитка преподавателя";
        case TAccountWindow::TKind::Subject:
            return "Вычитка по предмету";
        case TAccountWindow::TKind::Group:
            break;
    }
    return "Вычитка по группе";
}

const char* choiceLabel(TAccountWindow::TKind kind) {
    switch (kind) {
        case TAccountWindow::TKind::Teacher:
            return "Преподаватель";
        case TAccountWindow::TKind::Subject:
            return "Предмет";
        case TAccountWindow::TKind::Group:
            break;
    }
    return "Группа";
}

const char* fileOf(TAccountWindow::TKind kind) {
    switch (kind) {
        case TAccountWindow::TKind::Teacher:
            return "teacher_hours.htm";
        case TAccountWindow::TKind::Subject:
            return "subject_hours.htm";
        case TAccountWindow::TKind::Group:
            break;
    }
    return "group_hours.htm";
}

}  // namespace

TAccountWindow::TAccountWindow(TKind kind, TWindowContext& context,
                               exporting::TDocumentOpener& opener, QWidget* parent)
    : QDialog(parent), context_(context), kind_(kind), opener_(opener) {
    setWindowTitle(QString::fromUtf8(titleOf(kind)));
    resize(1100, 640);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    top->addWidget(new QLabel(QString::fromUtf8(choiceLabel(kind)), this));
    choice_ = new QComboBox(this);
    choice_->setObjectName(QStringLiteral("ChoiceBox"));
    choice_->setMinimumContentsLength(18);
    choice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    top->addWidget(choice_);
    gridMode_ = new QRadioButton(QStringLiteral("Сетка"), this);
    gridMode_->setObjectName(QStringLiteral("GridMode"));
    gridMode_->setChecked(true);
    additionalMode_ = new QRadioButton(QStringLiteral("Допол-но вне сетки"), this);
    additionalMode_->setObjectName(QStringLiteral("AdditionalMode"));
    top->addWidget(gridMode_);
    top->addWidget(additionalMode_);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Вычитка до  даты"), this));
    date_ = new QDateEdit(this);
    date_->setObjectName(QStringLiteral("DateEdit"));
    date_->setCalendarPopup(true);
    date_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    top->addWidget(date_);
    top->addStretch(1);

    auto* options = new QHBoxLayout;
    layout->addLayout(options);
    shortView_ = new QCheckBox(QStringLiteral("Краткий вид"), this);
    shortView_->setObjectName(QStringLiteral("ShortView"));
    pairsOnly_ = new QCheckBox(QStringLiteral("Показывать только пары"), this);
    pairsOnly_->setObjectName(QStringLiteral("PairsOnly"));
    options->addWidget(shortView_);
    options->addWidget(pairsOnly_);
    options->addStretch(1);

    grid_ = new TReportGridView(this);
    grid_->setObjectName(QStringLiteral("Grid"));
    layout->addWidget(grid_, 1);

    buttons_ = new QHBoxLayout;
    layout->addLayout(buttons_);
    buttons_->addStretch(1);
    printButton_ = entry::ui::MakeButton(this, QStringLiteral("Печать"),
                                         QStringLiteral("PrintButton"), buttons_);
    auto* close = entry::ui::MakeButton(this, QStringLiteral("Закрыть"),
                                        QStringLiteral("CloseButton"), buttons_);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(printButton_, &QPushButton::clicked, this, [this] { (void)Print(); });

    // The date lies inside the year: today, else the nearer end of the year.
    if (const TGod* g = god()) {
        const int first = g->AllNed.Dg;
        const int last = first + kStudyWeeks * 7 - 1;
        date_->setDateRange(entry::ui::DateFromStored(first), entry::ui::DateFromStored(last));
        const int today = entry::ui::StoredFromDate(QDate::currentDate());
        date_->setDate(entry::ui::DateFromStored(std::clamp(today, first, last)));
    }
    fillChoice();

    connect(choice_, &QComboBox::currentIndexChanged, this, [this] { Recalculate(); });
    connect(gridMode_, &QRadioButton::toggled, this, [this] { Recalculate(); });
    // A typed date passes through a new date per keystroke: the table
    // follows once the typing pauses or ends, not at every keystroke.
    rebuildTimer_ = new QTimer(this);
    rebuildTimer_->setSingleShot(true);
    rebuildTimer_->setInterval(kDateSettleMs);
    connect(rebuildTimer_, &QTimer::timeout, this, [this] { Recalculate(); });
    connect(date_, &QDateEdit::dateChanged, rebuildTimer_, qOverload<>(&QTimer::start));
    connect(date_, &QDateEdit::editingFinished, this, [this] {
        if (rebuildTimer_->isActive()) Recalculate();
    });
    connect(shortView_, &QCheckBox::toggled, this, [this] { Recalculate(); });
    connect(pairsOnly_, &QCheckBox::toggled, this, [this] { Recalculate(); });
    Recalculate();
}

// The date edit ends its editing as it loses the focus on the way out: the
// half-destroyed window must not hear it.
TAccountWindow::~TAccountWindow() {
    disconnect(date_, nullptr, this, nullptr);
}

TGod* TAccountWindow::god() const {
    return context_.shell.God();
}

void TAccountWindow::fillChoice() {
    const TGod* g = god();
    if (g == nullptr) return;
    QStringList texts;
    switch (kind_) {
        case TKind::Group:
            for (const auto& gr : g->LGryp) {
                items_.push_back(gr.get());
                texts << QString::fromStdString(gr->Name());
            }
            break;
        case TKind::Teacher:
            for (const auto& fio : g->LFio) {
                items_.push_back(fio.get());
                texts << QString::fromStdString(fio->Name());
            }
            break;
        case TKind::Subject:
            for (const auto& name : g->LYrName) {
                items_.push_back(name.get());
                texts << QString::fromStdString(name->Name());
            }
            break;
    }
    // The window opens on the item the main window has current.
    int active = 0;
    switch (kind_) {
        case TKind::Group:
            active = g->GrypActivIndx();
            break;
        case TKind::Teacher:
            active = g->FioActivIndx();
            break;
        case TKind::Subject:
            active = g->YrNameActivIndx();
            break;
    }
    if (active < 0 || active >= texts.size()) active = 0;
    const QSignalBlocker quiet(choice_);
    choice_->addItems(texts);
    choice_->setCurrentIndex(texts.isEmpty() ? -1 : active);
}

TAccountOptions TAccountWindow::Options() const {
    TAccountOptions o;
    o.mode = additionalMode_->isChecked() ? THoursMode::Additional : THoursMode::Grid;
    o.toDate = entry::ui::StoredFromDate(date_->date());
    o.pairsOnly = pairsOnly_->isChecked();
    o.shortView = shortView_->isChecked();
    return o;
}

const TGryp* TAccountWindow::ChosenGroup() const {
    const int i = choice_->currentIndex();
    if (kind_ != TKind::Group || i < 0 || i >= static_cast<int>(items_.size())) return nullptr;
    return static_cast<const TGryp*>(items_[static_cast<std::size_t>(i)]);
}

const TFio* TAccountWindow::ChosenTeacher() const {
    const int i = choice_->currentIndex();
    if (kind_ != TKind::Teacher || i < 0 || i >= static_cast<int>(items_.size())) return nullptr;
    return static_cast<const TFio*>(items_[static_cast<std::size_t>(i)]);
}

const TYrName* TAccountWindow::ChosenSubject() const {
    const int i = choice_->currentIndex();
    if (kind_ != TKind::Subject || i < 0 || i >= static_cast<int>(items_.size())) return nullptr;
    return static_cast<const TYrName*>(items_[static_cast<std::size_t>(i)]);
}

std::string TAccountWindow::ChosenText() const {
    if (const TGryp* gr = ChosenGroup()) return gr->Name();
    if (const TFio* fio = ChosenTeacher())
        return fio->BigName().empty() ? fio->Name() : fio->BigName();
    if (const TYrName* name = ChosenSubject()) return name->BigName();
    return {};
}

bool TAccountWindow::RebuildPending() const {
    return rebuildTimer_->isActive();
}

void TAccountWindow::Recalculate() {
    rebuildTimer_->stop();
    ++rebuilds_;
    const TGod* g = god();
    const TAccountOptions o = Options();
    table_ = TAccountTable{};
    if (g != nullptr) {
        if (const TGryp* gr = ChosenGroup())
            table_ = accountByGroup(*g, *gr, o);
        else if (const TFio* fio = ChosenTeacher())
            table_ = accountByTeacher(*g, *fio, o);
        else if (const TYrName* name = ChosenSubject())
            table_ = accountBySubjectName(*g, *name, o);
    }
    shown_ = AccountGrid(table_);
    grid_->ShowTable(shown_);
    printButton_->setEnabled(!table_.heads.empty());
}

std::string TAccountWindow::DocumentName() const {
    return fileOf(kind_);
}

bool TAccountWindow::Print() {
    // The document is of the date on screen, typed a moment ago or not.
    if (RebuildPending()) Recalculate();
    if (table_.heads.empty()) return false;
    const TAccountOptions o = Options();
    TPrintPart part;
    part.heading = std::string(titleOf(kind_)) + " " + ChosenText();
    part.notes.push_back(o.mode == THoursMode::Grid ? "Сетка" : "Допол-но вне сетки");
    part.notes.push_back("Вычитка до  даты " +
                         date_->date().toString(QStringLiteral("dd.MM.yyyy")).toStdString());
    part.table = &shown_;
    return PrintReport(context_, opener_, DocumentName(), titleOf(kind_), {part});
}

TForm20::TForm20(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent)
    : TAccountWindow(TKind::Group, context, opener, parent) {}

TForm37::TForm37(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent)
    : TAccountWindow(TKind::Subject, context, opener, parent) {}

TForm21::TForm21(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent)
    : TAccountWindow(TKind::Teacher, context, opener, parent) {
    auto* xml =
        entry::ui::MakeButton(this, QStringLiteral("Сохранить в XML"), QStringLiteral("XmlButton"));
    buttons_->insertWidget(1, xml);  // before the print button
    connect(xml, &QPushButton::clicked, this, [this] { (void)SaveXml(); });
    AskXmlFile = [this](const std::string& proposed) {
        // The overwrite question is asked by SaveXml through the dialog.
        return QFileDialog::getSaveFileName(
                   this, QStringLiteral("Сохранить в XML"), QString::fromStdString(proposed),
                   QStringLiteral("XML (*.xml)"), nullptr, QFileDialog::DontConfirmOverwrite)
            .toStdString();
    };
}

bool TForm21::SaveXml() {
    const TGod* g = god();
    const TFio* fio = ChosenTeacher();
    if (g == nullptr || fio == nullptr || !AskXmlFile) return false;
    // The teacher's name as a file name: a separator in it would name a folder.
    std::string name = fio->Name();
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    const fs::path proposed = fs::path(context_.shell.DM().DB.PathR) / "export" / (name + ".xml");
    const std::string file = AskXmlFile(proposed.string());
    if (file.empty()) return false;
    std::string message;
    if (!exporting::SaveTeacherHoursXml(file, *g, *fio, Options(), context_.dialog, message)) {
        if (!message.empty()) context_.dialog.MessageShow(message);
        return false;
    }
    context_.dialog.MessageShow("Создан файл " + file);
    return true;
}

void RunGroupAccounting(TWindowContext& context) {
    RunReportWindow(context, true, [&](exporting::TDocumentOpener& opener) {
        return std::make_unique<TForm20>(context, opener, context.parent);
    });
}

void RunTeacherAccounting(TWindowContext& context) {
    RunReportWindow(context, true, [&](exporting::TDocumentOpener& opener) {
        return std::make_unique<TForm21>(context, opener, context.parent);
    });
}

void RunSubjectAccounting(TWindowContext& context) {
    RunReportWindow(context, true, [&](exporting::TDocumentOpener& opener) {
        return std::make_unique<TForm37>(context, opener, context.parent);
    });
}

}  // namespace zavlin::reports::ui
