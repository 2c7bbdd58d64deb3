#include "entry/ui/buildings_window.h"

#include "base/my_dialog.h"
#include "entry/reference_checks.h"
#include "entry/ui/building_dialog.h"
#include "entry/ui/entry_windows.h"
#include "model/building.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

TForm6::TForm6(TWindowContext& context, TListMode mode, QWidget* parent)
    : TListWindow(context, mode, QStringLiteral("Список корпусов"), parent) {
    Refill();
    const int active = year().DomActivIndx();
    if (active >= 0 && active < year().CountDom()) SetCurrentKey(year().LDom[active]->N);
}

TForm6::~TForm6() = default;

TAllRasp& TForm6::year() const {
    return *context_.shell.God();
}

TListBoxN TForm6::Items() const {
    return year().DomToListBoxN();
}

void TForm6::AddItem() {
    TForm6_1 edit(year(), context_.dialog, nullptr, this);
    if (edit.exec() != QDialog::Accepted) return;
    Refill();
    SetCurrentKey(edit.Result()->N);
}

void TForm6::EditItem(int key) {
    TDom* dom = year().DomNumer(key);
    if (dom == nullptr) return;
    TForm6_1 edit(year(), context_.dialog, dom, this);
    if (edit.exec() != QDialog::Accepted) return;
    // A rename may move the entry in the sorted list; Refill moves the
    // active one with it.
    Refill();
}

bool TForm6::DeleteAllowed(const std::vector<int>& keys) {
    std::vector<const TDom*> chosen;
    for (int key : keys) chosen.push_back(year().DomNumer(key));
    if (TRefusal refused = CheckDelDom(year(), chosen)) {
        context_.dialog.MessageShow(*refused);
        return false;
    }
    return true;
}

void TForm6::DeleteItems(const std::vector<int>& keys) {
    std::size_t rooms = 0;
    for (int key : keys) rooms += RoomsOfDom(year(), year().DomNumer(key)).size();
    if (rooms > 0 && !context_.dialog.MessageDlg("Вместе со зданием будут удалены его аудитории (" +
                                                     std::to_string(rooms) + "). Продолжить?",
                                                 "Подтверждение"))
        return;
    TListWindow::DeleteItems(keys);
}

bool TForm6::DeleteOne(int key, std::string& failure) {
    TDom* dom = year().DomNumer(key);
    return dom == nullptr || DelDomWithRooms(year(), dom, failure);
}

std::string TForm6::LastEntryMessage() const {
    return kLastDomMessage;
}

void TForm6::CurrentChanged(int key) {
    for (int i = 0; i < year().CountDom(); ++i)
        if (year().LDom[i]->N == key) year().SetDomActivIndx(i);
}

void RunBuildings(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm6 window(context, TListMode::Edit);
    window.CanDelOk = true;
    window.exec();
}

}  // namespace zavlin::entry::ui
