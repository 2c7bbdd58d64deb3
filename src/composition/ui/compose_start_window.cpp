#include "composition/ui/compose_start_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <unordered_set>

#include "base/my_dialog.h"
#include "composition/driver.h"
#include "composition/ui/composition_windows.h"
#include "composition/ui/progress_window.h"
#include "composition/ui/recompose_start_window.h"
#include "entry/ui/active_weeks_window.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/groups_window.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::composition::ui {

namespace {

constexpr std::size_t kGroupLineLimit = 60;

std::size_t charCount(const std::string& utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// What a run needs said before it starts: the groups it leaves out.
std::string leftOutText(const std::vector<TGryp*>& left) {
    std::string names;
    for (const TGryp* gr : left) names += (names.empty() ? "" : ", ") + gr->Name();
    return "Сохранённое расписание групп не читается, они не участвуют в составлении: " + names;
}

}  // namespace

std::vector<std::string> ActiveWeekLines(const TAllRasp& year) {
    std::vector<std::string> lines;
    for (auto& [text, ne] : year.AllNed.DateGodToListBoxN())
        if (const TDNed* week = year.AllNed.DNed(ne); week != nullptr && week->Activ)
            lines.push_back(text);
    return lines;
}

std::vector<std::string> SelectedGroupLines(const TAllRasp& year) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t chars = 0;
    for (const auto& gr : year.LGryp) {
        if (!gr->Select) continue;
        if (!line.empty()) {
            line += "  ";
            chars += 2;
        }
        line += gr->Name();
        chars += charCount(gr->Name());
        if (chars > kGroupLineLimit) {
            lines.push_back(std::move(line));
            line.clear();
            chars = 0;
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

void ChangeActiveWeeks(TWindowContext& context, QWidget* parent) {
    // The window stores the weeks and has the main window's list follow.
    entry::ui::TForm1_3 window(context, parent);
    window.exec();
}

void ChangeSelectedGroups(TWindowContext& context, QWidget* parent) {
    TGod* god = context.shell.God();
    if (god == nullptr) return;
    entry::ui::TForm2 window(context, entry::ui::TListMode::PickMany, parent);
    shell::ui::TListBoxNumer* list = window.List();
    // One selection change for the whole list: a long list is not counted
    // again row by row.
    QItemSelection selection;
    for (int i = 0; i < list->count(); ++i) {
        const TGryp* gr = god->GrypNumer(list->GetNumer(i));
        if (gr != nullptr && gr->Select) {
            const QModelIndex index = list->model()->index(i, 0);
            selection.select(index, index);
        }
    }
    list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (window.exec() != QDialog::Accepted) return;
    // The list may have gained or lost groups while it was open.
    const std::vector<TGryp*> picked = window.Picked();
    const std::unordered_set<const TGryp*> chosen(picked.begin(), picked.end());
    for (const auto& gr : god->LGryp) gr->Select = chosen.count(gr.get()) != 0;
}

QString LogCheckText() {
    return QStringLiteral("Сохранять отчет о составлении в файле  ..\\Logsrasp.txt  ");
}

TStartWindow::TStartWindow(TWindowContext& context, const QString& caption, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(caption);
}

TStartWindow::~TStartWindow() = default;

void TStartWindow::addLists(QVBoxLayout* layout, const QString& weeksLabel) {
    using entry::ui::MakeButton;
    auto* weeksRow = new QHBoxLayout;
    weeksRow->addWidget(new QLabel(weeksLabel, this));
    weeksRow->addStretch(1);
    QPushButton* weeksButton =
        MakeButton(this, QStringLiteral("Изменить"), QStringLiteral("WeeksButton"), weeksRow);
    layout->addLayout(weeksRow);
    weeks_ = MakeMemo(this, QStringLiteral("WeeksMemo"));
    layout->addWidget(weeks_, 1);

    auto* groupsRow = new QHBoxLayout;
    groupsRow->addWidget(new QLabel(QStringLiteral("Выбранные группы"), this));
    groupsRow->addStretch(1);
    QPushButton* groupsButton =
        MakeButton(this, QStringLiteral("Изменить"), QStringLiteral("GroupsButton"), groupsRow);
    layout->addLayout(groupsRow);
    groups_ = MakeMemo(this, QStringLiteral("GroupsMemo"));
    layout->addWidget(groups_, 2);

    connect(weeksButton, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(groupsButton, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TStartWindow::addStartRow(QVBoxLayout* layout) {
    using entry::ui::MakeButton;
    log_ = new QCheckBox(LogCheckText(), this);
    log_->setObjectName(QStringLiteral("LogCheck"));
    layout->addWidget(log_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* start =
        MakeButton(this, QStringLiteral("Старт"), QStringLiteral("StartButton"), buttons);
    QPushButton* cancel =
        MakeButton(this, QStringLiteral("Отмена"), QStringLiteral("CancelButton"), buttons);
    layout->addLayout(buttons);

    connect(start, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TStartWindow::Refresh() {
    const TGod* god = context_.shell.God();
    if (god == nullptr) return;
    SetMemoLines(weeks_, ActiveWeekLines(*god));
    SetMemoLines(groups_, SelectedGroupLines(*god));
}

void TStartWindow::Button1Click() {
    ChangeActiveWeeks(context_, this);
    Refresh();
}

void TStartWindow::Button2Click() {
    ChangeSelectedGroups(context_, this);
    const TGod* god = context_.shell.God();
    if (god == nullptr || god->CountGryp() == 0) {
        reject();
        return;
    }
    Refresh();
}

bool TStartWindow::groupsReady() {
    TGod* god = context_.shell.God();
    if (god == nullptr) return false;
    if (const std::vector<TGryp*> left = LeaveOutUnreadableGroups(*god); !left.empty()) {
        // The memo first: the user reads the message over the list it means.
        Refresh();
        context_.dialog.MessageShow(leftOutText(left));
    }
    if (god->CountSelectGryp() == 0) {
        context_.dialog.MessageShow("Выберите группы");
        return false;
    }
    return true;
}

void TStartWindow::run(TSosStart start) {
    start.WLog = log_->isChecked();
    const TFormS1Snapshot done = RunFormS1(context_, start);
    // The state names its caption when the run opens: without it the
    // progress window was closed first and nothing was touched.
    if (done.Caption.empty()) return;
    if (done.PyOk)
        accept();
    else
        reject();
}

TForm8::TForm8(TWindowContext& context, QWidget* parent)
    : TForm8(context, 0, QStringLiteral("Составление расписания c \"0\""),
             "Составить расписание? Старое расписание для всех групп будет уничтожено!", true,
             parent) {
    setObjectName(QStringLiteral("Form8"));
}

TForm8::TForm8(TWindowContext& context, int tip, const QString& caption, std::string question,
               bool warnings, QWidget* parent)
    : TStartWindow(context, caption, parent), tip_(tip), question_(std::move(question)) {
    auto* layout = new QVBoxLayout(this);
    addLists(layout, QStringLiteral("Активные недели"));
    if (warnings) {
        auto* attention = new QLabel(QStringLiteral("Внимание!"), this);
        attention->setObjectName(QStringLiteral("WarningLabel"));
        attention->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
        layout->addWidget(attention);
        auto* erased = new QLabel(
            QStringLiteral("Расписание всех остальных групп на эти недели будет удалено!"), this);
        erased->setStyleSheet(QStringLiteral("color: #b00000;"));
        layout->addWidget(erased);
        layout->addWidget(new QLabel(QStringLiteral("Для сохранения расписания других групп "
                                                    "используйте \"Пересоставление расписания\""),
                                     this));
    }
    addStartRow(layout);
    resize(560, 480);
    Refresh();
}

void TForm8::BitBtn2Click() {
    if (!groupsReady()) return;
    if (!context_.dialog.MessageDlg(question_, "Подтверждение")) return;
    // The run writes its kind into the year when it opens.
    TSosStart start;
    start.TipSostRasp = static_cast<uint8_t>(tip_);
    run(start);
}

bool RunComposeStart(TWindowContext& context, int tip) {
    if (context.shell.God() == nullptr) return false;
    if (tip == 1) {
        TForm9 window(context, context.parent);
        return window.exec() == QDialog::Accepted;
    }
    TForm8 window(context, context.parent);
    return window.exec() == QDialog::Accepted;
}

}  // namespace zavlin::composition::ui

#include "moc_compose_start_window.cpp"
