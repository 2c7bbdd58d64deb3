#include "entry/ui/groups_window.h"

#include <QBoxLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/faculty_dialog.h"
#include "entry/ui/group_dialog.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

namespace {

constexpr int kHelpGroups = 2;
constexpr int kFreeChoice = -1;

QString caption(TListMode mode) {
    // The first letter of the caption is a Latin "C", as the program always
    // wrote it.
    switch (mode) {
        case TListMode::PickMany:
            return QStringLiteral("Cписок групп (режим выбор списка групп)");
        case TListMode::PickOne:
            return QStringLiteral("Cписок групп (режим выбор одной группы)");
        case TListMode::Edit:
            break;
    }
    return QStringLiteral("Cписок групп");
}

}  // namespace

TForm2::TForm2(TWindowContext& context, TListMode mode, QWidget* parent)
    : TListWindow(context, mode, caption(mode), parent) {
    faculties_ = new shell::ui::TComboBoxNumer(this);
    faculties_->setObjectName("FacultyBox");
    fillFaculties(0);

    auto* facultyRow = new QHBoxLayout;
    facultyRow->addWidget(new QLabel(QStringLiteral("Факультет"), this));
    facultyRow->addWidget(faculties_, 1);
    QPushButton* store = MakeButton(this, QStringLiteral("Запомнить под именем"),
                                    QStringLiteral("StoreFacultyButton"));
    QPushButton* fresh = MakeButton(this, QStringLiteral("Новое имя факультета"),
                                    QStringLiteral("NewFacultyButton"));
    facultyRow->addWidget(store);
    facultyRow->addWidget(fresh);
    ExtraArea()->addLayout(facultyRow);

    auto* moveRow = new QHBoxLayout;
    QPushButton* up = MakeButton(this, QStringLiteral("Двигать вверх"), QStringLiteral("UpButton"));
    QPushButton* down =
        MakeButton(this, QStringLiteral("Двигать вниз"), QStringLiteral("DownButton"));
    moveRow->addWidget(up);
    moveRow->addWidget(down);
    moveRow->addStretch(1);
    ExtraArea()->addLayout(moveRow);

    connect(faculties_, &QComboBox::activated, this, [this](int index) { chooseFaculty(index); });
    connect(store, &QPushButton::clicked, this, [this] { storeFaculty(); });
    connect(fresh, &QPushButton::clicked, this, [this] { newFaculty(); });
    connect(up, &QPushButton::clicked, this, [this] { move(true); });
    connect(down, &QPushButton::clicked, this, [this] { move(false); });

    Refill();
    if (const TGryp* active = god().GrypActiv()) SetCurrentKey(active->Dan.N);
}

TForm2::~TForm2() = default;

TGod& TForm2::god() const {
    return *context_.shell.God();
}

std::vector<TGryp*> TForm2::Picked() const {
    return PickedBy<TGryp>([this](int key) { return god().GrypNumer(key); });
}

TListBoxN TForm2::Items() const {
    return god().GrypToListBoxN();
}

void TForm2::fillFaculties(int currentIndex) {
    faculties_->Clear();
    faculties_->Add("Свободный выбор", kFreeChoice);
    int key = 0;
    for (const auto& [text, n] : god().FakToListBoxN()) faculties_->Add(text, key++);
    faculties_->setCurrentIndex(std::clamp(currentIndex, 0, faculties_->count() - 1));
}

void TForm2::chooseFaculty(int index) {
    const int key = faculties_->GetNumer(index);
    if (key < 0 || key >= god().CountFak()) return;
    const TFak& fak = *god().LFak[static_cast<std::size_t>(key)];
    QListWidget* list = List();
    {
        const QSignalBlocker quiet(list);
        list->clearSelection();
        for (int i = 0; i < list->count(); ++i) {
            const TGryp* gr = god().GrypNumer(List()->GetNumer(i));
            if (std::find(fak.LGryp.begin(), fak.LGryp.end(), gr) != fak.LGryp.end())
                list->item(i)->setSelected(true);
        }
    }
    SelectionChanged();
}

void TForm2::storeFaculty() {
    if (god().CountFak() == 0) {
        context_.dialog.MessageShow("Введите название факультета");
        newFaculty();
        return;
    }
    const int key = faculties_->GetNumer();
    if (key < 0 || key >= god().CountFak()) {
        context_.dialog.MessageShow("Выберите другое название факультета");
        return;
    }
    TFak* fak = god().LFak[static_cast<std::size_t>(key)].get();
    const std::vector<TGryp*> chosen = Picked();
    // Memberships go before they are added: a failure then leaves the
    // faculty with fewer groups, never with groups the user unselected.
    bool ok = true;
    const std::vector<TGryp*> had = fak->LGryp;
    for (TGryp* gr : had)
        if (std::find(chosen.begin(), chosen.end(), gr) == chosen.end())
            ok = god().DelFakGryp(fak, gr) && ok;
    for (TGryp* gr : chosen) ok = god().AddFakGryp(fak, gr) && ok;
    if (!ok) {
        context_.dialog.MessageShow("Группы факультета " + fak->Name() +
                                    " не удалось записать в базу данных полностью.");
        return;
    }
    context_.dialog.MessageShow("За факультетом " + fak->Name() + " закреплены выделенные группы");
}

void TForm2::newFaculty() {
    TForm2_2 dialog(context_, Picked(), this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // A faculty stored before Cancel stays in the year: the drop-down shows it.
    const TFak* made = dialog.Faculty();
    int index = accepted ? 0 : faculties_->currentIndex();
    if (accepted)
        for (int i = 0; i < god().CountFak(); ++i)
            if (god().LFak[static_cast<std::size_t>(i)].get() == made) index = i + 1;
    fillFaculties(index);
}

void TForm2::move(bool up) {
    if (!MoveUpDown) {
        context_.dialog.MessageShow(
            "Изменение позиции группы возможно только при входе в это окно через главное меню "
            "программы.");
        return;
    }
    TGryp* gr = god().GrypNumer(CurrentKey());
    if (gr == nullptr) {
        context_.dialog.MessageShow(ChooseMessage());
        return;
    }
    const int index = god().GetGrypIndex(gr);
    if (up ? index == 0 : index + 1 >= god().CountGryp()) return;
    const bool stored = up ? god().PositionGrypUp(index) : god().PositionGrypDown(index);
    Refill();
    if (!stored)
        context_.dialog.MessageShow("Новое место группы не удалось записать в базу данных.");
}

void TForm2::AddItem() {
    TForm2_1 dialog(context_, nullptr, this);
    dialog.exec();
    // A group whose row was stored stays even when the rest failed and the
    // dialog was cancelled: the list shows it either way.
    Refill();
    if (dialog.Group() != nullptr) SetCurrentKey(dialog.Group()->Dan.N);
}

void TForm2::EditItem(int key) {
    TGryp* gr = god().GrypNumer(key);
    if (gr == nullptr) return;
    TForm2_1 dialog(context_, gr, this);
    dialog.exec();
    Refill();
}

std::string TForm2::LastEntryMessage() const {
    return "Удаление единственной группы возможно только при входе в это окно через главное меню "
           "программы.";
}

bool TForm2::DeleteOne(int key, std::string& failure) {
    TGryp* gr = god().GrypNumer(key);
    if (gr == nullptr) return true;
    const std::string name = gr->Name();
    if (god().DelGryp(gr)) return true;
    // The partners' unions may already be saved without it.
    failure = god().GrypNumer(key) != nullptr
                  ? "Группу " + name + " не удалось полностью удалить из базы данных."
                  : "Группа " + name +
                        " удалена, но не все изменения удалось записать в базу "
                        "данных.";
    return false;
}

std::string TForm2::DeleteQuestion() const {
    return "Удалить Группу?";
}

void TForm2::CurrentChanged(int key) {
    if (TGryp* gr = god().GrypNumer(key)) god().SetGrypActivIndx(god().GetGrypIndex(gr));
}

int TForm2::HelpTopic() const {
    return kHelpGroups;
}

void RunGroups(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm2 window(context, TListMode::Edit);
    window.CanDelOk = true;
    window.MoveUpDown = true;
    window.exec();
}

}  // namespace zavlin::entry::ui
