#include "entry/ui/rooms_window.h"

#include "base/my_dialog.h"
#include "entry/reference_checks.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/room_dialog.h"
#include "model/god.h"
#include "model/room.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

TForm7::TForm7(TWindowContext& context, TListMode mode, QWidget* parent)
    : TListWindow(context, mode, QStringLiteral("Список аудиторий"), parent) {
    Refill();
    const int active = year().AydActivIndx();
    if (active >= 0 && active < year().CountAyd()) SetCurrentKey(year().LAyd[active]->N);
}

TForm7::~TForm7() = default;

TAllRasp& TForm7::year() const {
    return *context_.shell.God();
}

std::vector<TAyd*> TForm7::Picked() const {
    return PickedBy<TAyd>([this](int key) { return year().GetAydNumer(key); });
}

TListBoxN TForm7::Items() const {
    return year().AydToListBoxN();
}

void TForm7::AddItem() {
    TForm7_1 edit(year(), context_.dialog, nullptr, this);
    if (edit.exec() != QDialog::Accepted) return;
    Refill();
    SetCurrentKey(edit.Result()->N);
}

void TForm7::EditItem(int key) {
    TAyd* ayd = year().GetAydNumer(key);
    if (ayd == nullptr) return;
    TForm7_1 edit(year(), context_.dialog, ayd, this);
    if (edit.exec() != QDialog::Accepted) return;
    // A rename may move the entry in the sorted list; Refill moves the
    // active one with it.
    Refill();
}

bool TForm7::DeleteAllowed(const std::vector<int>& keys) {
    std::vector<const TAyd*> chosen;
    for (int key : keys) chosen.push_back(year().GetAydNumer(key));
    if (TRefusal refused = CheckDelAyd(year(), chosen, CanDelOk)) {
        context_.dialog.MessageShow(*refused);
        return false;
    }
    return true;
}

bool TForm7::DeleteOne(int key, std::string&) {
    TAyd* ayd = year().GetAydNumer(key);
    return ayd == nullptr || year().DelAyd(ayd);
}

std::string TForm7::LastEntryMessage() const {
    return kLastAydMessage;
}

void TForm7::CurrentChanged(int key) {
    const int index = year().GetAydIndex(year().GetAydNumer(key));
    if (index >= 0) year().SetAydActivIndx(index);
}

void RunRooms(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm7 window(context, TListMode::Edit);
    window.CanDelOk = true;
    window.exec();
}

}  // namespace zavlin::entry::ui
