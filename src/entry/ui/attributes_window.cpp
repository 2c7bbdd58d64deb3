#include "entry/ui/attributes_window.h"

#include <QToolButton>
#include <algorithm>

#include "base/my_dialog.h"
#include "entry/reference_checks.h"
#include "entry/ui/attribute_dialog.h"
#include "entry/ui/entry_windows.h"
#include "model/attribute.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

TForm17::TForm17(TWindowContext& context, TListMode mode, bool noSetka, QWidget* parent)
    : TListWindow(context, mode, QStringLiteral("Атрибуты предмета"), parent), noSetka_(noSetka) {
    if (auto* edit = findChild<QToolButton*>("EditButton"))
        edit->setText(QStringLiteral("Исправить"));
    Refill();
}

TForm17::~TForm17() = default;

TAllRasp& TForm17::year() const {
    return *context_.shell.God();
}

void TForm17::done(int result) {
    if (result == QDialog::Accepted) {
        const std::vector<int> keys = SelectedKeys();
        if (Mode() == TListMode::PickOne) {
            NAtr = keys.empty() ? CurrentKey() : keys.front();
        } else if (MultiSelect()) {
            for (const auto& atr : year().Atribyt.LAtr)
                atr->Select = std::find(keys.begin(), keys.end(), atr->N) != keys.end();
        }
    }
    TListWindow::done(result);
}

TListBoxN TForm17::Items() const {
    return year().AtribytToComboBoxN(noSetka_);
}

void TForm17::AddItem() {
    TForm17_1 edit(year(), context_.dialog, nullptr, this);
    if (edit.exec() != QDialog::Accepted) return;
    Refill();
    SetCurrentKey(edit.Result()->N);
}

void TForm17::EditItem(int key) {
    TAtr* atr = year().Atribyt.AtrNumer(key);
    if (TRefusal refused = CheckChangeAtr(year().Atribyt, atr)) {
        context_.dialog.MessageShow(*refused);
        return;
    }
    TForm17_1 edit(year(), context_.dialog, atr, this);
    if (edit.exec() == QDialog::Accepted) Refill();
}

bool TForm17::DeleteAllowed(const std::vector<int>& keys) {
    for (int key : keys) {
        // Load that points at an attribute keeps it: deleting it would
        // leave the load naming nothing.
        if (TRefusal refused = CheckDelAtr(year().Atribyt, year().Atribyt.AtrNumer(key))) {
            context_.dialog.MessageShow(*refused);
            return false;
        }
    }
    return true;
}

bool TForm17::DeleteOne(int key, std::string&) {
    TAtr* atr = year().Atribyt.AtrNumer(key);
    return atr == nullptr || year().DelAtribyt(atr);
}

std::string TForm17::LastEntryMessage() const {
    // The built-in attributes are never deleted: the list is never emptied.
    return "Пять верхних атрибутов изменению и удалению неподлежат";
}

void RunAttributes(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm17 window(context, TListMode::Edit);
    window.CanDelOk = true;
    window.exec();
}

}  // namespace zavlin::entry::ui
