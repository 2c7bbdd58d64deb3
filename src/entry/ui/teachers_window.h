// "Фамилии преподавателей": the teachers, with stored selections by type;
// also used by other windows to pick one teacher or several.
#pragma once

#include <vector>

#include "entry/ui/list_window.h"

class QLabel;

namespace zavlin {
class TFio;
class TGod;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TComboBoxNumer;
}

namespace zavlin::entry::ui {

class TForm3 : public TListWindow {
    Q_OBJECT
public:
    TForm3(TWindowContext& context, TListMode mode, QWidget* parent = nullptr);
    ~TForm3() override;

    // The selected teachers (PickOne: at most one), in list order.
    std::vector<TFio*> Picked() const;
    // "Тип выделения": "Свободный выбор" (key -1), then the stored
    // selections keyed by their bit.
    shell::ui::TComboBoxNumer* SelectionTypes() const { return types_; }
    // Whether the teacher holds lessons or is otherwise referred to.
    static bool InUse(const TGod& god, const TFio& fio);

protected:
    TListBoxN Items() const override;
    void AddItem() override;
    void EditItem(int key) override;
    bool DeleteOne(int key, std::string& failure) override;
    std::string LastEntryMessage() const override;
    void CurrentChanged(int key) override;
    int HelpTopic() const override;
    std::string ChooseMessage() const override { return "Выберите ФИО"; }
    bool DeleteAllowed(const std::vector<int>& keys) override;
    void SelectionChanged() override;

private:
    TGod& god() const;
    void chooseType(int index);
    void storeSelection();

    shell::ui::TComboBoxNumer* types_ = nullptr;
    QLabel* selected_ = nullptr;
};

}  // namespace zavlin::entry::ui
