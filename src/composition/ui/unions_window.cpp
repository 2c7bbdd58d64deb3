#include "composition/ui/unions_window.h"

#include <QBoxLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <unordered_set>

#include "base/my_dialog.h"
#include "composition/ui/composition_windows.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/groups_window.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::composition::ui {

const char* const kUnionsNotSavedQuestion =
    "Не удалось сохранить объединения учебного года. Закрыть окно без сохранения?";

namespace {

QLabel* heading(QWidget* parent, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QListWidget* list(QWidget* parent, const char* name) {
    auto* w = new QListWidget(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    return w;
}

// The chosen row of a list: current and selected; -1 when none.
int chosenRow(const QListWidget* w) {
    const QListWidgetItem* item = w->currentItem();
    return item != nullptr && item->isSelected() ? w->currentRow() : -1;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += (out.empty() ? "" : "\n") + line;
    return out;
}

}  // namespace

TForm13::TForm13(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Объединения по предмету в группах"));
    const auto active = context_.shell.ActiveWeeks();
    std::string weekText;
    for (int ne = 1; ne <= shell::kWeekItems; ++ne) {
        if (!active[static_cast<std::size_t>(ne - 1)]) continue;
        weeks_.push_back(ne);
        weekText += (weekText.empty() ? "" : ",") + god().GetNumberWeek(ne);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(heading(this, "Объединяемые группы на неделях :"));
    auto* weeksLabel = new QLabel(QString::fromStdString(weekText), this);
    weeksLabel->setObjectName("WeeksLabel");
    top->addWidget(weeksLabel, 1);
    QPushButton* groupsButton =
        entry::ui::MakeButton(this, QStringLiteral("Группы"), QStringLiteral("GroupsButton"));
    top->addWidget(groupsButton);

    groupsLabel_ = new QLabel(this);
    groupsLabel_->setObjectName("GroupsLabel");
    groupsLabel_->setWordWrap(true);

    subjects_ = list(this, "SubjectList");
    possible_ = list(this, "PossibleList");
    set_ = list(this, "SetList");

    auto* left = new QVBoxLayout;
    left->addWidget(heading(this, "Общие предметы"));
    left->addWidget(subjects_, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(heading(this, "Возможные объединения"));
    right->addWidget(possible_, 1);
    right->addWidget(heading(this, "Назначенные объединения"));
    right->addWidget(set_, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(left, 1);
    lists->addLayout(right, 3);

    auto* buttons = new QHBoxLayout;
    QPushButton* assignButton = entry::ui::MakeButton(this, QStringLiteral("Назначить"),
                                                      QStringLiteral("SetButton"), buttons);
    QPushButton* deleteButton = entry::ui::MakeButton(this, QStringLiteral("Удалить"),
                                                      QStringLiteral("DeleteButton"), buttons);
    buttons->addStretch(1);
    QPushButton* closeButton = entry::ui::MakeButton(this, QStringLiteral("Закрыть"),
                                                     QStringLiteral("CloseButton"), buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(groupsLabel_);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(900, 600);

    connect(groupsButton, &QPushButton::clicked, this, [this] { pickGroups(); });
    connect(subjects_, &QListWidget::itemSelectionChanged, this, [this] {
        fillPossible();
        fillSet();
    });
    connect(possible_, &QListWidget::itemDoubleClicked, this, [this] {
        context_.dialog.MessageShow("Для добавляния объединений используйте кнопку \"Назначить\"");
    });
    connect(assignButton, &QPushButton::clicked, this, [this] { assign(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { remove(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { accept(); });

    // The Select flags carry the choice over from the last opening (and into
    // the composition's group choice); a first opening starts from the group
    // the user is working on.
    std::vector<TGryp*> chosen;
    for (const auto& gr : god().LGryp)
        if (gr->Select) chosen.push_back(gr.get());
    if (chosen.empty())
        if (TGryp* activ = god().GrypActiv()) chosen.push_back(activ);
    SetGroups(chosen);
}

TForm13::~TForm13() = default;

TGod& TForm13::god() const {
    return *context_.shell.God();
}

void TForm13::SetGroups(const std::vector<TGryp*>& groups) {
    groups_ = groups;
    const std::unordered_set<const TGryp*> chosen(groups.begin(), groups.end());
    for (const auto& gr : god().LGryp) gr->Select = chosen.count(gr.get()) != 0;
    std::string names;
    for (const TGryp* gr : groups_) names += (names.empty() ? "" : ", ") + gr->Name();
    groupsLabel_->setText(QString::fromStdString(names));
    fillSubjects();
    fillSet();
}

void TForm13::pickGroups() {
    // The list can delete groups, freeing them with their subjects and
    // unions: the choice is kept by number, not by pointer (a group added
    // there may even take a deleted one's address), and every list that
    // points into the model is built again whatever the answer.
    std::vector<int> keys;
    for (const TGryp* gr : groups_) keys.push_back(gr->Dan.N);
    const int subjectRow = chosenRow(subjects_);
    const QString subject = subjectRow < 0 ? QString() : subjects_->item(subjectRow)->text();
    std::vector<TGryp*> groups;
    {
        entry::ui::TForm2 pick(context_, entry::ui::TListMode::PickMany, this);
        const std::unordered_set<int> chosen(keys.begin(), keys.end());
        shell::ui::TListBoxNumer* rows = pick.List();
        for (int i = 0; i < rows->count(); ++i)
            if (chosen.count(rows->GetNumer(i)) != 0) rows->item(i)->setSelected(true);
        if (pick.exec() == QDialog::Accepted) groups = pick.Picked();
    }
    if (groups.empty())
        for (int key : keys)
            if (TGryp* gr = god().GrypNumer(key)) groups.push_back(gr);
    SetGroups(groups);
    if (subject.isEmpty()) return;
    const QList<QListWidgetItem*> same = subjects_->findItems(subject, Qt::MatchExactly);
    if (!same.isEmpty()) subjects_->setCurrentItem(same.front());
}

void TForm13::fillSubjects() {
    const QSignalBlocker block(subjects_);
    subjects_->clear();
    for (const std::string& name : CommonSubjects(groups_, weeks_))
        subjects_->addItem(QString::fromStdString(name));
    fillPossible();
}

void TForm13::fillPossible() {
    possible_->clear();
    choices_.clear();
    const int row = chosenRow(subjects_);
    if (row < 0) return;
    choices_ = PossibleUnions(groups_, weeks_, subjects_->item(row)->text().toStdString());
    for (const TUnionChoice& choice : choices_)
        possible_->addItem(QString::fromStdString(choice.Text()));
}

void TForm13::fillSet() {
    set_->clear();
    const int subject = chosenRow(subjects_);
    lines_ =
        SetUnions(god(), groups_, weeks_,
                  subject < 0 ? std::string() : subjects_->item(subject)->text().toStdString());
    for (const TSetUnionLine& line : lines_) {
        std::string weeks;
        for (const TSetUnionLine::Part& part : line.parts)
            weeks += (weeks.empty() ? "" : ",") + god().GetNumberWeek(part.ne);
        set_->addItem(QString::fromStdString(line.text + "   (недели " + weeks + ")"));
    }
}

void TForm13::report(const TUnionOutcome& outcome) {
    if (outcome.done > 0) {
        changed_ = true;
        fillSet();
    }
    // One box for the whole operation, however many weeks it touched.
    std::vector<std::string> lines;
    if (!outcome.refusal.empty()) lines.push_back(outcome.refusal);
    lines.insert(lines.end(), outcome.skipped.begin(), outcome.skipped.end());
    if (!lines.empty()) context_.dialog.MessageShow(joinLines(lines));
}

void TForm13::assign() {
    const int row = chosenRow(possible_);
    if (row < 0 || row >= static_cast<int>(choices_.size())) {
        context_.dialog.MessageShow("Выберите возможное объединение");
        return;
    }
    const TUnionChoice& choice = choices_[static_cast<std::size_t>(row)];
    if (choice.members.size() >= 2) {
        report(SetUnion(god(), choice, weeks_));
        return;
    }
    // A single member cannot form a union by itself: it may only join one set.
    const int target = chosenRow(set_);
    if (target < 0 || target >= static_cast<int>(lines_.size())) {
        context_.dialog.MessageShow("Выберите объединение к которому добавляется группа");
        return;
    }
    report(AddToUnion(god(), lines_[static_cast<std::size_t>(target)], choice.members.front()));
}

void TForm13::remove() {
    const int row = chosenRow(set_);
    if (row < 0 || row >= static_cast<int>(lines_.size())) {
        if (chosenRow(possible_) >= 0)
            context_.dialog.MessageShow(
                "Для добавляния объединений используйте кнопку \"Назначить\"");
        else
            context_.dialog.MessageShow("Выберите удаляемое объединение");
        return;
    }
    report(DeleteUnion(god(), lines_[static_cast<std::size_t>(row)]));
}

void TForm13::done(int result) {
    if (changed_) {
        if (god().SaveRasp()) changed_ = false;
        // The menu does not save after this window: closing now may lose the unions.
        else if (!context_.dialog.MessageDlg(kUnionsNotSavedQuestion, "Подтверждение"))
            return;
    }
    QDialog::done(result);
}

void RunUnions(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm13 window(context, context.parent);
    window.exec();
}

}  // namespace zavlin::composition::ui
