#include "entry/ui/teachers_window.h"

#include <QBoxLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/teacher_dialog.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

namespace {

constexpr int kHelpTeachers = 3;
constexpr int kFreeChoice = -1;

// The stored selections: their names and the bit of FBitSec each uses.
struct SelectionType {
    const char* name;
    int bit;
};
constexpr SelectionType kTypes[] = {{"Штатные", 0}, {"Прочее.", 1}};

}  // namespace

TForm3::TForm3(TWindowContext& context, TListMode mode, QWidget* parent)
    : TListWindow(context, mode, QStringLiteral("Фамилии преподавателей"), parent) {
    types_ = new shell::ui::TComboBoxNumer(this);
    types_->setObjectName("SelectionTypeBox");
    types_->Add("Свободный выбор", kFreeChoice);
    for (const SelectionType& type : kTypes) types_->Add(type.name, type.bit);

    selected_ = new QLabel(this);
    selected_->setObjectName("SelectedLabel");
    QPushButton* store = MakeButton(this, QStringLiteral("Запомнить под именем"),
                                    QStringLiteral("StoreSelectionButton"));

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Тип выделения"), this));
    row->addWidget(types_, 1);
    row->addWidget(store);
    ExtraArea()->addLayout(row);
    ExtraArea()->addWidget(selected_);

    connect(types_, &QComboBox::activated, this, [this](int index) { chooseType(index); });
    connect(store, &QPushButton::clicked, this, [this] { storeSelection(); });

    Refill();
    const int active = god().FioActivIndx();
    if (active >= 0 && active < god().CountFio())
        SetCurrentKey(god().LFio[static_cast<std::size_t>(active)]->N);
}

TForm3::~TForm3() = default;

TGod& TForm3::god() const {
    return *context_.shell.God();
}

bool TForm3::InUse(const TGod& god, const TFio& fio) {
    if (fio.NoDelete > 0) return true;
    for (const auto& gr : god.LGryp)
        if (gr->FioRun(fio.N)) return true;
    return false;
}

std::vector<TFio*> TForm3::Picked() const {
    return PickedBy<TFio>([this](int key) { return god().FioNumer(key); });
}

TListBoxN TForm3::Items() const {
    return god().FioToListBoxN();
}

void TForm3::SelectionChanged() {
    TListWindow::SelectionChanged();
    if (selected_ == nullptr) return;  // the base fills the list before this window is built
    selected_->setText(QStringLiteral("Выделено=") +
                       QString::number(List()->selectedItems().size()) + QStringLiteral(" (") +
                       types_->currentText() + QStringLiteral(")"));
}

void TForm3::chooseType(int index) {
    const int bit = types_->GetNumer(index);
    if (bit >= 0) {
        QListWidget* list = List();
        const QSignalBlocker quiet(list);
        list->clearSelection();
        for (int i = 0; i < list->count(); ++i)
            if (const TFio* fio = god().FioNumer(List()->GetNumer(i)); fio && fio->BitSec(bit))
                list->item(i)->setSelected(true);
    }
    SelectionChanged();
}

void TForm3::storeSelection() {
    const int bit = types_->GetNumer();
    if (bit < 0) {
        context_.dialog.MessageShow(
            "Выберите тип выделения, затем выделив преподавателей повторите сохранение.");
        return;
    }
    const std::string type = types_->currentText().toStdString();
    if (!context_.dialog.MessageDlg("Сохранить выделенных преподавателей под именем:" + type,
                                    "Подтверждение"))
        return;
    std::vector<bool> chosen(static_cast<std::size_t>(List()->count()));
    bool ok = true;
    for (int i = 0; i < List()->count(); ++i) {
        TFio* fio = god().FioNumer(List()->GetNumer(i));
        const bool on = List()->item(i)->isSelected();
        if (fio == nullptr || fio->BitSec(bit) == on) continue;
        fio->SetBitSec(bit, on);
        if (!god().AddFio(fio)) {
            fio->SetBitSec(bit, !on);
            ok = false;
        }
    }
    if (!ok) {
        context_.dialog.MessageShow(
            "Выделение не удалось записать в базу данных для всех преподавателей.");
        return;
    }
    context_.dialog.MessageShow("Выделенные преподаватели сохранены под именем:" + type);
}

void TForm3::AddItem() {
    TForm3_1 dialog(context_, nullptr, this);
    if (dialog.exec() != QDialog::Accepted || dialog.Teacher() == nullptr) return;
    Refill();
    SetCurrentKey(dialog.Teacher()->N);
}

void TForm3::EditItem(int key) {
    TFio* fio = god().FioNumer(key);
    if (fio == nullptr) return;
    TForm3_1 dialog(context_, fio, this);
    if (dialog.exec() != QDialog::Accepted) return;
    Refill();
}

std::string TForm3::LastEntryMessage() const {
    return "Удаление единственной фамилии возможно только при входе в это окно через главное "
           "меню программы";
}

bool TForm3::DeleteAllowed(const std::vector<int>& keys) {
    for (int key : keys) {
        if (const TFio* fio = god().FioNumer(key); fio != nullptr && InUse(god(), *fio)) {
            context_.dialog.MessageShow("Удаление невозможно. ФИО используется");
            return false;
        }
    }
    return true;
}

bool TForm3::DeleteOne(int key, std::string& failure) {
    TFio* fio = god().FioNumer(key);
    if (fio == nullptr) return true;
    const std::string name = fio->BigName();
    if (god().DelFio(fio)) return true;
    failure = "Преподавателя " + name + " не удалось удалить из базы данных.";
    return false;
}

void TForm3::CurrentChanged(int key) {
    if (TFio* fio = god().FioNumer(key)) god().SetFioActivIndx(god().GetFioIndex(fio));
}

int TForm3::HelpTopic() const {
    return kHelpTeachers;
}

void RunTeachers(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm3 window(context, TListMode::Edit);
    window.CanDelOk = true;
    window.exec();
}

}  // namespace zavlin::entry::ui
