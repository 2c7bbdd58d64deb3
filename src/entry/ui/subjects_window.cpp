#include "entry/ui/subjects_window.h"

#include <QBoxLayout>
#include <QPushButton>

#include "base/my_dialog.h"
#include "entry/reference_checks.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/subject_dialog.h"
#include "model/god.h"
#include "model/subject_name.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

TForm4::TForm4(TWindowContext& context, TListMode mode, QWidget* parent)
    : TListWindow(context, mode, QStringLiteral("Ввод предметов"), parent) {
    auto* unused = new QPushButton(QStringLiteral("Удалить все неиспользуемые"), this);
    unused->setObjectName("DeleteUnusedButton");
    ExtraArea()->addWidget(unused);
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
    std::vector<TYrName*> out;
    for (int key : SelectedKeys())
        if (TYrName* yr = year().YrNameNumer(key)) out.push_back(yr);
    return out;
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
    // A rename may move the entry in the sorted list: the active one follows.
    Refill();
    CurrentChanged(CurrentKey());
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

void TForm4::DeleteItems(const std::vector<int>& keys) {
    bool stored = true;
    for (int key : keys) stored = year().DelYrName(year().YrNameNumer(key)) && stored;
    Refill();
    CurrentChanged(CurrentKey());
    if (!stored) context_.dialog.MessageShow(kNotStoredMessage);
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
    bool stored = true;
    for (TYrName* yr : UnusedYrNames(year())) stored = year().DelYrName(yr) && stored;
    Refill();
    CurrentChanged(CurrentKey());
    if (!stored) context_.dialog.MessageShow(kNotStoredMessage);
}

void RunSubjects(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm4 window(context, TListMode::Edit);
    window.CanDelOk = true;
    window.exec();
}

}  // namespace zavlin::entry::ui
