// "Фамилии преподавателей": the teachers, with stored selections by type;
// also used by other windows to pick one teacher or several.
#pragma once

#include <vector>

#include "entry/ui/list_window.h"

namespace zavlin {
class TFio;
}

namespace zavlin::entry::ui {

class TForm3 : public TListWindow {
    Q_OBJECT
public:
    TForm3(TWindowContext& context, TListMode mode, QWidget* parent = nullptr);
    ~TForm3() override;

    // The selected teachers (PickOne: at most one), in list order.
    std::vector<TFio*> Picked() const;

protected:
    TListBoxN Items() const override;
    void AddItem() override;
    void EditItem(int key) override;
    void DeleteItems(const std::vector<int>& keys) override;
    void CurrentChanged(int key) override;
    int HelpTopic() const override;
};

}  // namespace zavlin::entry::ui
