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

QPlainTextEdit* makeMemo(QWidget* parent, const QString& name) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
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

void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QStringList all;
    all.reserve(static_cast<int>(lines.size()));
    for (const std::string& line : lines) all.push_back(QString::fromStdString(line));
    memo->setPlainText(all.join(QLatin1Char('\n')));
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

void LeaveOutUnreadableGroups(TAllRasp& year) {
    for (TGryp* gr : year.UnreadableGryp()) gr->Select = false;
}

QString LogCheckText() {
    return QStringLiteral("Сохранять отчет о составлении в файле  ..\\Logsrasp.txt  ");
}

TForm8::TForm8(TWindowContext& context, QWidget* parent)
    : TForm8(context, 0, QStringLiteral("Составление расписания c \"0\""),
             "Составить расписание? Старое расписание для всех групп будет уничтожено!", true,
             parent) {
    setObjectName(QStringLiteral("Form8"));
}

TForm8::TForm8(TWindowContext& context, int tip, const QString& caption, std::string question,
               bool warnings, QWidget* parent)
    : QDialog(parent), context_(context), tip_(tip), question_(std::move(question)) {
    setWindowTitle(caption);
    build(warnings);
    Refresh();
}

TForm8::~TForm8() = default;

void TForm8::build(bool warnings) {
    using entry::ui::MakeButton;
    auto* layout = new QVBoxLayout(this);

    auto* weeksRow = new QHBoxLayout;
    weeksRow->addWidget(new QLabel(QStringLiteral("Активные недели"), this));
    weeksRow->addStretch(1);
    QPushButton* weeksButton =
        MakeButton(this, QStringLiteral("Изменить"), QStringLiteral("WeeksButton"), weeksRow);
    layout->addLayout(weeksRow);
    weeks_ = makeMemo(this, QStringLiteral("WeeksMemo"));
    layout->addWidget(weeks_, 1);

    auto* groupsRow = new QHBoxLayout;
    groupsRow->addWidget(new QLabel(QStringLiteral("Выбранные группы"), this));
    groupsRow->addStretch(1);
    QPushButton* groupsButton =
        MakeButton(this, QStringLiteral("Изменить"), QStringLiteral("GroupsButton"), groupsRow);
    layout->addLayout(groupsRow);
    groups_ = makeMemo(this, QStringLiteral("GroupsMemo"));
    layout->addWidget(groups_, 2);

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

    connect(weeksButton, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(groupsButton, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(start, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(560, 480);
}

void TForm8::Refresh() {
    const TGod* god = context_.shell.God();
    if (god == nullptr) return;
    SetMemoLines(weeks_, ActiveWeekLines(*god));
    SetMemoLines(groups_, SelectedGroupLines(*god));
}

void TForm8::Button1Click() {
    ChangeActiveWeeks(context_, this);
    Refresh();
}

void TForm8::Button2Click() {
    ChangeSelectedGroups(context_, this);
    const TGod* god = context_.shell.God();
    if (god == nullptr || god->CountGryp() == 0) {
        reject();
        return;
    }
    Refresh();
}

void TForm8::BitBtn2Click() {
    TGod* god = context_.shell.God();
    if (god == nullptr) return;
    LeaveOutUnreadableGroups(*god);
    if (god->CountSelectGryp() == 0) {
        Refresh();
        context_.dialog.MessageShow("Выберите группы");
        return;
    }
    if (!context_.dialog.MessageDlg(question_, "Подтверждение")) return;
    god->SinxrNed = 0;
    god->TipSostRasp = static_cast<uint8_t>(tip_);
    TSosStart start;
    start.TipSostRasp = static_cast<uint8_t>(tip_);
    start.WLog = log_->isChecked();
    (void)RunFormS1(context_, start);
    accept();
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
