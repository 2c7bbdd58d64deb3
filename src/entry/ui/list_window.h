// The layout and behaviour every reference-list window shares: a numbered
// list with "Всего=", the speed buttons "Добавить", "Удалить",
// "Редактировать", "Выделить все", "Отменить выделение", "Инвертировать",
// "Справка", and "OK". A window opened by another one to pick entries runs in
// a picking mode and may not delete (CanDelOk is set only by the main menu).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "model/year.h"
#include "shell/ui/window_context.h"

class QBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;

namespace zavlin::shell::ui {
class TListBoxNumer;
}

namespace zavlin::entry::ui {

using shell::ui::TListBoxNumer;
using shell::ui::TWindowContext;

enum class TListMode {
    Edit,      // from the main menu: one current entry, the list edited
    PickMany,  // picking several entries for another window
    PickOne,   // picking one entry for another window
};

class TListWindow : public QDialog {
    Q_OBJECT
public:
    // The speed buttons' object names: "AddButton", "DeleteButton",
    // "EditButton", "SelectAllButton", "ClearSelectionButton",
    // "InvertButton", "HelpButton"; the list is "ListBoxN", the count
    // "CountLabel", OK "OkButton".
    TListWindow(TWindowContext& context, TListMode mode, const QString& caption,
                QWidget* parent = nullptr);
    ~TListWindow() override;

    TListMode Mode() const { return mode_; }
    // Deleting the last entries allowed: only the main menu sets it.
    bool CanDelOk = false;
    TListBoxNumer* List() const { return list_; }
    // Rebuilds the list from Items(), keeping the current entry and the
    // selection by key where they still exist, and the count. When the
    // current entry went, the row at its place becomes current; the model's
    // active entry then follows the current row (an edit may re-sort it). A
    // derived window calls it once at the end of its constructor.
    void Refill();
    // Keys of the selected entries, in list order.
    std::vector<int> SelectedKeys() const;
    // The key of the current entry; -1 when none.
    int CurrentKey() const;

protected:
    // The entries as (text, key).
    virtual TListBoxN Items() const = 0;
    virtual void AddItem() = 0;
    // The current entry (key) is edited.
    virtual void EditItem(int key) = 0;
    // After the shared question was answered "Да": deletes the entries one
    // by one through DeleteOne, stopping at the first refusal, refills the
    // list and tells honestly how far it got.
    virtual void DeleteItems(const std::vector<int>& keys);
    // Deletes one entry; false when a table refused. failure then says what
    // became of that entry; empty: nothing of it changed.
    virtual bool DeleteOne(int key, std::string& failure) = 0;
    // Refused without CanDelOk when a deletion would leave the list empty.
    virtual std::string LastEntryMessage() const = 0;
    // "Удалить ?" by default.
    virtual std::string DeleteQuestion() const;
    // The current entry becomes the model's active one.
    virtual void CurrentChanged(int key);
    // The help topic of "Справка".
    virtual int HelpTopic() const { return 0; }
    // Shown when "Удалить" or "Редактировать" finds no entry chosen
    // ("Выберите группу"); nothing when empty.
    virtual std::string ChooseMessage() const { return {}; }
    // Asked before "Удалить ?": a window refuses here (with its message) what
    // it may not delete at all, so the user is not asked in vain.
    virtual bool DeleteAllowed(const std::vector<int>& keys);
    // Where a window puts its own controls, above the list.
    QBoxLayout* ExtraArea() const { return extra_; }
    // Updates "Всего=" (and whatever a window shows of the selection).
    virtual void SelectionChanged();
    // Makes the entry with that key current (the model's active entry when a
    // window opens); nothing when no entry has it.
    void SetCurrentKey(int key);
    QLabel* CountLabel() const { return count_; }
    // The selected entries found by lookup (null ones left out), in list
    // order; at most one when picking one.
    template <typename T, typename Lookup>
    std::vector<T*> PickedBy(Lookup lookup) const {
        std::vector<T*> out;
        for (int key : SelectedKeys())
            if (T* entry = lookup(key)) out.push_back(entry);
        if (mode_ == TListMode::PickOne && out.size() > 1) out.erase(out.begin() + 1, out.end());
        return out;
    }

    TWindowContext& context_;

private:
    void onDelete();
    void onEdit();

    TListMode mode_;
    TListBoxNumer* list_ = nullptr;
    QLabel* count_ = nullptr;
    QBoxLayout* extra_ = nullptr;
};

}  // namespace zavlin::entry::ui
