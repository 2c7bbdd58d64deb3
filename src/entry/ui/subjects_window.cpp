#include "entry/ui/subjects_window.h"

#include <QBoxLayout>
#include <QPushButton>

#include "base/my_dialog.h"
#include "entry/reference_checks.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/subject_dialog.h"
#include "model/god.h"
#include "model/subject_name.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

TForm4::TForm4(TWindowContext& context, TListMode mode, QWidget* parent)
    : TListWindow(context, mode, QStringLiteral("Ввод предметов"), parent) {
    QPushButton* unused = MakeButton(this, QStringLiteral("Удалить все неиспользуемые"),
                                     QStringLiteral("DeleteUnusedButton"), ExtraArea());
    connect(unused, &QPushButton::clicked, this, [this] { deleteUnused(); });
    Refill();
    const int active = year().YrNameActivIndx();
    if (active >= 0 && active < year().CountYrName()) SetCurrentKey(year().LYrName[active]->N);
}

TForm4::~TForm4() = default;

TAllRasp& TForm4::year() const {
    return *context_.shell.God();
}

std::vector<TYrName*> TForm4::Picked() const {
    return PickedBy<TYrName>([this](int key) { return year().YrNameNumer(key); });
}

TListBoxN TForm4::Items() const {
    return year().YrNameToListBoxN();
}

void TForm4::AddItem() {
    TForm4_1 edit(year(), context_.dialog, nullptr, this);
    if (edit.exec() != QDialog::Accepted) return;
    Refill();
    SetCurrentKey(edit.Result()->N);
}

void TForm4::EditItem(int key) {
    TYrName* yr = year().YrNameNumer(key);
    if (yr == nullptr) return;
    TForm4_1 edit(year(), context_.dialog, yr, this);
    if (edit.exec() != QDialog::Accepted) return;
    // A rename may move the entry in the sorted list; Refill moves the
    // active one with it.
    Refill();
}

bool TForm4::DeleteAllowed(const std::vector<int>& keys) {
    std::vector<const TYrName*> chosen;
    for (int key : keys) chosen.push_back(year().YrNameNumer(key));
    if (TRefusal refused = CheckDelYrName(year(), chosen, CanDelOk)) {
        context_.dialog.MessageShow(*refused);
        return false;
    }
    return true;
}

bool TForm4::DeleteOne(int key, std::string&) {
    TYrName* yr = year().YrNameNumer(key);
    return yr == nullptr || year().DelYrName(yr);
}

std::string TForm4::LastEntryMessage() const {
    return kLastYrNameMessage;
}

void TForm4::CurrentChanged(int key) {
    const int index = year().GetYrNameIndex(year().YrNameNumer(key));
    if (index >= 0) year().SetYrNameActivIndx(index);
}

void TForm4::deleteUnused() {
    if (TRefusal refused = CheckDelUnusedYrName(CanDelOk)) {
        context_.dialog.MessageShow(*refused);
        return;
    }
    if (!context_.dialog.MessageDlg("Удалить все неиспользуемые предметы", "Подтверждение")) return;
    std::vector<int> keys;
    for (const TYrName* yr : UnusedYrNames(year())) keys.push_back(yr->N);
    DeleteItems(keys);
}

void RunSubjects(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm4 window(context, TListMode::Edit);
    window.CanDelOk = true;
    window.exec();
}

}  // namespace zavlin::entry::ui
