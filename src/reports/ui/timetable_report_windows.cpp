#include "reports/ui/timetable_report_windows.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/groups_window.h"
#include "entry/ui/teachers_window.h"
#include "export/html_report_documents.h"
#include "export/timetable_xml.h"
#include "export/ui/document_opening.h"
#include "export/ui/document_work.h"
#include "model/calendar.h"
#include "model/god.h"
#include "reports/ui/report_windows.h"
#include "shell/menu.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"
#include "storage/year_database.h"

namespace zavlin::reports::ui {
namespace {

namespace fs = std::filesystem;
using exporting::THtmlExportHub;
using TReport = TTimetableReport;

QString qstr(const std::string& s) {
    return QString::fromStdString(s);
}

struct TKindInfo {
    const char* window;
    const char* caption;
};

const TKindInfo& info(TReport kind) {
    static const TKindInfo kInfo[] = {
        {"TForm25", exporting::kGrypYearTitle},    {"TForm26", exporting::kFioYearTitle},
        {"TForm27", exporting::kFioGrypYearTitle}, {"TForm42", exporting::kFioChessTitle},
        {"TForm48", exporting::kGrypChessTitle},   {"TForm28", exporting::kDayCardTitle},
        {"TForm29", exporting::kWeekStandTitle},   {"TForm36", exporting::kNumeratorStandTitle},
    };
    return kInfo[static_cast<std::size_t>(kind)];
}

bool needsGroup(TReport kind) {
    return kind == TReport::GroupYear;
}
bool needsTeacher(TReport kind) {
    return kind == TReport::TeacherYear || kind == TReport::TeacherGroupsYear;
}
bool needsRange(TReport kind) {
    return needsGroup(kind) || needsTeacher(kind);
}

std::string weekText(const TGod& god, int ne) {
    const TDNed* dn = god.AllNed.DNed(ne);
    if (dn == nullptr) return {};
    // An additional week's label names it already.
    return dn->Dop() ? dn->GetShortStrDateNed()
                     : god.AllNed.GetNumberWeek(ne) + dn->GetShortStrDateNed();
}

std::vector<int> activeWeeks(const TGod& god) {
    return exporting::ActiveWeeks(&god.AllNed);
}

}  // namespace

const char* ReportWindowName(TTimetableReport kind) {
    return info(kind).window;
}

const char* ReportCaption(TTimetableReport kind) {
    return info(kind).caption;
}

TTimetableReportWindow::TTimetableReportWindow(TWindowContext& context, TTimetableReport kind,
                                               QWidget* parent)
    : TWorkDialog(parent != nullptr ? parent : context.parent), context_(context), kind_(kind) {
    setObjectName(ReportWindowName(kind));
    setWindowTitle(qstr(ReportCaption(kind)));
    setModal(true);
    TGod* year = god();

    auto* layout = new QVBoxLayout(this);
    auto* kindLabel = new QLabel(qstr(ReportCaption(kind)), this);
    kindLabel->setObjectName("KindLabel");
    kindLabel->setWordWrap(true);
    QFont bold = kindLabel->font();
    bold.setBold(true);
    kindLabel->setFont(bold);
    layout->addWidget(kindLabel);

    auto* choice = new QGridLayout;
    layout->addLayout(choice);
    int line = 0;
    auto pickRow = [&](const QString& caption, const char* labelName, const char* buttonName) {
        auto* value = new QLabel(this);
        value->setObjectName(labelName);
        value->setFrameShape(QFrame::StyledPanel);
        value->setMinimumWidth(260);
        auto* button = entry::ui::MakeButton(this, QStringLiteral("Выбрать..."), buttonName);
        choice->addWidget(new QLabel(caption, this), line, 0);
        choice->addWidget(value, line, 1);
        choice->addWidget(button, line, 2);
        ++line;
        return std::make_pair(value, button);
    };
    if (needsGroup(kind)) {
        auto [value, button] = pickRow(QStringLiteral("Группа"), "GroupLabel", "GroupButton");
        groupLabel_ = value;
        PickGroup = [this]() -> TGryp* {
            entry::ui::TForm2 list(context_, entry::ui::TListMode::PickOne, this);
            if (list.exec() != QDialog::Accepted) return nullptr;
            const auto picked = list.Picked();
            return picked.empty() ? nullptr : picked.front();
        };
        connect(button, &QPushButton::clicked, this, [this] {
            if (!PickGroup) return;
            if (TGryp* picked = PickGroup()) SetGroup(picked);
            // The list may have deleted the group shown.
            if (TGod* g = god(); g != nullptr && group_ != nullptr && g->GetGrypIndex(group_) < 0)
                SetGroup(nullptr);
        });
        SetGroup(nullptr);
    }
    if (needsTeacher(kind)) {
        auto [value, button] =
            pickRow(QStringLiteral("Преподаватель"), "TeacherLabel", "TeacherButton");
        teacherLabel_ = value;
        PickTeacher = [this]() -> TFio* {
            entry::ui::TForm3 list(context_, entry::ui::TListMode::PickOne, this);
            if (list.exec() != QDialog::Accepted) return nullptr;
            const auto picked = list.Picked();
            return picked.empty() ? nullptr : picked.front();
        };
        connect(button, &QPushButton::clicked, this, [this] {
            if (!PickTeacher) return;
            if (TFio* picked = PickTeacher()) SetTeacher(picked);
            if (TGod* g = god();
                g != nullptr && teacher_ != nullptr && g->GetFioIndex(teacher_) < 0)
                SetTeacher(nullptr);
        });
        SetTeacher(nullptr);
    }
    if (needsRange(kind)) {
        firstWeek_ = new shell::ui::TComboBoxNumer(this);
        firstWeek_->setObjectName("FirstWeek");
        lastWeek_ = new shell::ui::TComboBoxNumer(this);
        lastWeek_->setObjectName("LastWeek");
        if (year != nullptr)
            for (const auto& [text, key] : year->AllNed.DateGodToComboBoxN()) {
                firstWeek_->Add(text, key);
                lastWeek_->Add(text, key);
            }
        // The study year by default: the additional weeks only when asked.
        firstWeek_->setCurrentIndex(std::min(0, firstWeek_->count() - 1));
        lastWeek_->setCurrentIndex(std::min(kStudyWeeks, lastWeek_->count()) - 1);
        choice->addWidget(new QLabel(QStringLiteral("С недели"), this), line, 0);
        choice->addWidget(firstWeek_, line++, 1, 1, 2);
        choice->addWidget(new QLabel(QStringLiteral("По неделю"), this), line, 0);
        choice->addWidget(lastWeek_, line++, 1, 1, 2);
    } else {
        auto* weeks = new QLabel(this);
        weeks->setObjectName("WeeksLabel");
        weeks->setWordWrap(true);
        QStringList lines;
        if (year != nullptr)
            for (const int ne : activeWeeks(*year)) lines << qstr(weekText(*year, ne));
        weeks->setText(lines.isEmpty() ? QString::fromUtf8(shell::kNoActiveWeeksText)
                                       : lines.join('\n'));
        choice->addWidget(
            new QLabel(lines.size() == 1 ? QStringLiteral("Неделя") : QStringLiteral("Недели"),
                       this),
            line, 0, Qt::AlignTop);
        choice->addWidget(weeks, line++, 1, 1, 2);
    }
    if (kind == TReport::DayCard) {
        day_ = new QComboBox(this);
        day_->setObjectName("DayBox");
        for (int d = 1; d <= kDayCount; ++d) day_->addItem(qstr(weekdayName(d)), d);
        choice->addWidget(new QLabel(QStringLiteral("День"), this), line, 0);
        choice->addWidget(day_, line++, 1, 1, 2);
    }
    if (kind == TReport::WeekStand) {
        perTable_ = new QSpinBox(this);
        perTable_->setObjectName("PerTable");
        perTable_->setRange(1, exporting::kStandGroupsMax);
        perTable_->setValue(exporting::kStandGroupsDefault);
        choice->addWidget(new QLabel(QStringLiteral("Групп в таблице"), this), line, 0);
        choice->addWidget(perTable_, line++, 1, 1, 2, Qt::AlignLeft);
    }
    choice->setColumnStretch(1, 1);

    progress_ = new QProgressBar(this);
    progress_->setObjectName("ProgressBar1");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    layout->addWidget(progress_);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    buttons->addStretch(1);
    create_ = entry::ui::MakeButton(this, QStringLiteral("Создать"), QStringLiteral("CreateButton"),
                                    buttons);
    create_->setDefault(true);
    auto* close = entry::ui::MakeButton(this, QStringLiteral("Закрыть"),
                                        QStringLiteral("CloseButton"), buttons);
    connect(create_, &QPushButton::clicked, this, [this] { (void)Create(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(520, sizeHint().height());
}

TGod* TTimetableReportWindow::god() const {
    return context_.shell.God();
}

void TTimetableReportWindow::SetGroup(TGryp* group) {
    group_ = group;
    if (groupLabel_ != nullptr)
        groupLabel_->setText(group != nullptr ? qstr(group->Name()) : QStringLiteral("не выбрана"));
}

void TTimetableReportWindow::SetTeacher(TFio* teacher) {
    teacher_ = teacher;
    if (teacherLabel_ != nullptr)
        teacherLabel_->setText(teacher != nullptr ? qstr(exporting::FioTitle(*teacher))
                                                  : QStringLiteral("не выбран"));
}

std::string TTimetableReportWindow::missing() const {
    const TGod* year = god();
    if (year == nullptr) return "Нет учебного года";
    if (needsGroup(kind_) && group_ == nullptr) return "Выберите группу";
    if (needsTeacher(kind_) && teacher_ == nullptr) return "Выберите ФИО";
    if (needsRange(kind_)) {
        if (firstWeek_->GetNumer() > lastWeek_->GetNumer()) return "Первая неделя позже последней";
        return {};
    }
    // The menu checked the weeks when the window opened; they are checked
    // again, since another window may have changed them since.
    const std::size_t weeks = activeWeeks(*year).size();
    if (weeks == 0) return shell::kNoActiveWeeksText;
    if ((kind_ == TReport::DayCard || kind_ == TReport::WeekStand) && weeks > 1)
        return "Выбрано более одной активной недели";
    if (kind_ == TReport::NumeratorStand && weeks != 2) return "Выбрать две активные недели";
    return {};
}

bool TTimetableReportWindow::Create() {
    TGod* year = god();
    if (busy_) return false;
    if (const std::string why = missing(); !why.empty()) {
        context_.dialog.MessageShow(why);
        return false;
    }
    const fs::path home = context_.shell.DM().DB.PathR;
    exporting::ui::TDeferredDialog told;
    auto opener = exporting::ui::DocumentOpener(context_);
    exporting::ui::TBarProgress progress(progress_);
    THtmlExportHub hub(*year, home, told, *opener);
    hub.Progress = &progress;
    const std::vector<int> weeks = hub.Weeks;
    const int first = firstWeek_ != nullptr ? firstWeek_->GetNumer() : 1;
    const int last = lastWeek_ != nullptr ? lastWeek_->GetNumer() : kStudyWeeks;
    const int day = day_ != nullptr ? day_->currentData().toInt() : 1;
    const int perTable = perTable_ != nullptr ? perTable_->value() : 0;
    const TGryp* group = group_;
    const TFio* teacher = teacher_;
    const TReport kind = kind_;
    std::function<bool()> job = [&, kind]() -> bool {
        switch (kind) {
            case TReport::GroupYear:
                return exporting::CreateGrypYear(hub, *group, first, last);
            case TReport::TeacherYear:
                return exporting::CreateFioYear(hub, *teacher, first, last);
            case TReport::TeacherGroupsYear:
                return exporting::CreateFioGrypYear(hub, *teacher, first, last);
            case TReport::TeachersChess:
                return exporting::CreateFioChess(hub);
            case TReport::GroupsChess:
                return exporting::CreateGrypChess(hub);
            case TReport::DayCard:
                return exporting::CreateDayCard(hub, weeks.front(), day);
            case TReport::WeekStand:
                return exporting::CreateWeekStand(hub, weeks.front(), perTable);
            case TReport::NumeratorStand:
                return exporting::CreateNumeratorStand(hub, weeks[0], weeks[1]);
        }
        return false;
    };
    busy_ = true;
    const bool ok = exporting::ui::RunOnWorker(this, progress, job);
    busy_ = false;
    told.Replay(context_.dialog);
    return ok;
}

void RunTimetableReport(TWindowContext& context, TTimetableReport kind) {
    TTimetableReportWindow window(context, kind);
    window.exec();
}

void RunGroupYear(TWindowContext& context) {
    RunTimetableReport(context, TReport::GroupYear);
}
void RunTeacherYear(TWindowContext& context) {
    RunTimetableReport(context, TReport::TeacherYear);
}
void RunTeacherGroupsYear(TWindowContext& context) {
    RunTimetableReport(context, TReport::TeacherGroupsYear);
}
void RunTeachersChess(TWindowContext& context) {
    RunTimetableReport(context, TReport::TeachersChess);
}
void RunGroupsChess(TWindowContext& context) {
    RunTimetableReport(context, TReport::GroupsChess);
}
void RunDayCard(TWindowContext& context) {
    RunTimetableReport(context, TReport::DayCard);
}
void RunWeekStand(TWindowContext& context) {
    RunTimetableReport(context, TReport::WeekStand);
}
void RunNumeratorStand(TWindowContext& context) {
    RunTimetableReport(context, TReport::NumeratorStand);
}

}  // namespace zavlin::reports::ui
