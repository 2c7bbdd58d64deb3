#include "entry/ui/list_window.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_set>

#include "base/my_dialog.h"
#include "entry/reference_checks.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

namespace {

QToolButton* speedButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(false);
    return button;
}

}  // namespace

TListWindow::TListWindow(TWindowContext& context, TListMode mode, const QString& caption,
                         QWidget* parent)
    : QDialog(parent != nullptr ? parent : context.parent), context_(context), mode_(mode) {
    setWindowTitle(caption);
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    count_ = new QLabel(this);
    count_->setObjectName("CountLabel");
    outer->addWidget(count_);

    extra_ = new QVBoxLayout;
    outer->addLayout(extra_);

    list_ = new TListBoxNumer(this);
    list_->setObjectName("ListBoxN");
    list_->setSelectionMode(mode == TListMode::PickOne ? QAbstractItemView::SingleSelection
                                                       : QAbstractItemView::ExtendedSelection);
    list_->setUniformItemSizes(true);  // long lists lay out without measuring each row
    outer->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    QToolButton* add = speedButton(this, "AddButton", QStringLiteral("Добавить"));
    QToolButton* del = speedButton(this, "DeleteButton", QStringLiteral("Удалить"));
    QToolButton* edit = speedButton(this, "EditButton", QStringLiteral("Редактировать"));
    QToolButton* all = speedButton(this, "SelectAllButton", QStringLiteral("Выделить все"));
    QToolButton* none =
        speedButton(this, "ClearSelectionButton", QStringLiteral("Отменить выделение"));
    QToolButton* invert = speedButton(this, "InvertButton", QStringLiteral("Инвертировать"));
    QToolButton* help = speedButton(this, "HelpButton", QStringLiteral("Справка"));
    for (QToolButton* b : {add, del, edit, all, none, invert, help}) buttons->addWidget(b);
    buttons->addStretch(1);
    outer->addLayout(buttons);

    // One entry is picked: selecting many has no meaning there.
    const bool many = mode != TListMode::PickOne;
    all->setEnabled(many);
    invert->setEnabled(many);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("OkButton");
    ok->setDefault(true);
    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(ok);
    outer->addLayout(okRow);

    connect(add, &QToolButton::clicked, this, [this] {
        AddItem();
        SelectionChanged();
    });
    connect(del, &QToolButton::clicked, this, [this] { onDelete(); });
    connect(edit, &QToolButton::clicked, this, [this] { onEdit(); });
    connect(all, &QToolButton::clicked, this, [this] { list_->selectAll(); });
    connect(none, &QToolButton::clicked, this, [this] { list_->clearSelection(); });
    connect(invert, &QToolButton::clicked, this, [this] {
        // One toggle of the whole range: item by item is quadratic in the
        // selection model, felt on a college's teacher list.
        const QSignalBlocker quiet(list_);
        if (list_->count() > 0)
            list_->selectionModel()->select(
                QItemSelection(list_->model()->index(0, 0),
                               list_->model()->index(list_->count() - 1, 0)),
                QItemSelectionModel::Toggle);
        SelectionChanged();
    });
    connect(help, &QToolButton::clicked, this, [this] {
        if (context_.help) context_.help(HelpTopic());
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) CurrentChanged(list_->GetNumer(row));
    });
    // Editing from the menu; picking takes the entry and closes.
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) {
        if (mode_ == TListMode::Edit)
            onEdit();
        else
            accept();
    });
    resize(520, 480);
}

TListWindow::~TListWindow() = default;

void TListWindow::Refill() {
    const int current = CurrentKey();
    const int oldRow = list_->currentRow();
    const std::vector<int> selected = SelectedKeys();
    const std::unordered_set<int> wasSelected(selected.begin(), selected.end());
    const TListBoxN items = Items();
    {
        const QSignalBlocker quiet(list_);
        list_->setUpdatesEnabled(false);
        list_->Clear();
        int currentRow = -1;
        for (const auto& [text, key] : items) {
            list_->Add(text, key);
            if (key == current) currentRow = list_->count() - 1;
        }
        // The current entry went: its neighbour takes its place.
        if (currentRow < 0 && oldRow >= 0 && list_->count() > 0)
            currentRow = std::min(oldRow, list_->count() - 1);
        if (currentRow >= 0) list_->setCurrentRow(currentRow, QItemSelectionModel::NoUpdate);
        for (int i = 0; i < list_->count(); ++i)
            if (wasSelected.count(list_->GetNumer(i)) != 0) list_->item(i)->setSelected(true);
        list_->setUpdatesEnabled(true);
    }
    // The signals were blocked: the model's active entry is set here, since a
    // deletion or a re-sort moves entries under an unchanged active index.
    if (const int key = CurrentKey(); key >= 0 && list_->currentRow() >= 0) CurrentChanged(key);
    SelectionChanged();
}

void TListWindow::SetCurrentKey(int key) {
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->GetNumer(i) != key) continue;
        list_->setCurrentRow(i);
        list_->scrollToItem(list_->item(i));
        return;
    }
}

std::vector<int> TListWindow::SelectedKeys() const {
    std::vector<int> keys;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected()) keys.push_back(list_->GetNumer(i));
    return keys;
}

int TListWindow::CurrentKey() const {
    return list_->GetNumer();
}

std::string TListWindow::DeleteQuestion() const {
    return "Удалить ?";
}

void TListWindow::CurrentChanged(int) {}

bool TListWindow::DeleteAllowed(const std::vector<int>&) {
    return true;
}

void TListWindow::DeleteItems(const std::vector<int>& keys) {
    std::string failure;
    bool refused = false;
    for (int key : keys) {
        if (!DeleteOne(key, failure)) {
            refused = true;
            break;
        }
    }
    Refill();
    if (!refused) return;
    // What is gone is counted from the list itself, so a half-done entry is
    // told as it is.
    std::unordered_set<int> left;
    for (int i = 0; i < list_->count(); ++i) left.insert(list_->GetNumer(i));
    const auto deleted =
        std::count_if(keys.begin(), keys.end(), [&](int key) { return left.count(key) == 0; });
    std::string message = failure;
    if (message.empty()) message = deleted == 0 ? kNotStoredMessage : kNotWrittenMessage;
    if (keys.size() > 1)
        message += " Удалено записей: " + std::to_string(deleted) + " из " +
                   std::to_string(keys.size()) + ".";
    context_.dialog.MessageShow(message);
}

void TListWindow::SelectionChanged() {
    count_->setText(QStringLiteral("Всего=") + QString::number(list_->count()));
}

void TListWindow::onEdit() {
    // The current entry when it is selected, else the first selected one.
    int key = -1;
    QListWidgetItem* item = list_->currentItem();
    if (item != nullptr && item->isSelected()) {
        key = CurrentKey();
    } else if (const std::vector<int> keys = SelectedKeys(); !keys.empty()) {
        key = keys.front();
    }
    if (key < 0) {
        const std::string message = ChooseMessage();
        if (!message.empty()) context_.dialog.MessageShow(message);
        return;
    }
    EditItem(key);
    SelectionChanged();
}

void TListWindow::onDelete() {
    const std::vector<int> keys = SelectedKeys();
    if (keys.empty()) {
        const std::string message = ChooseMessage();
        if (!message.empty()) context_.dialog.MessageShow(message);
        return;
    }
    if (!CanDelOk && static_cast<int>(keys.size()) >= list_->count()) {
        context_.dialog.MessageShow(LastEntryMessage());
        return;
    }
    if (!DeleteAllowed(keys)) return;
    if (!context_.dialog.MessageDlg(DeleteQuestion(), "Подтверждение")) return;
    DeleteItems(keys);
    SelectionChanged();
}

}  // namespace zavlin::entry::ui
