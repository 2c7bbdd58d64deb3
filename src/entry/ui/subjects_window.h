// "Ввод предметов": the subject names of the year, with "Удалить все
// неиспользуемые".
#pragma once

#include "entry/ui/list_window.h"

namespace zavlin {
class TYrName;
}

namespace zavlin::entry::ui {

class TForm4 : public TListWindow {
    Q_OBJECT
public:
    TForm4(TWindowContext& context, TListMode mode, QWidget* parent = nullptr);
    ~TForm4() override;

    // The selected subjects, in list order.
    std::vector<TYrName*> Picked() const;

protected:
    TListBoxN Items() const override;
    void AddItem() override;
    void EditItem(int key) override;
    bool DeleteAllowed(const std::vector<int>& keys) override;
    bool DeleteOne(int key, std::string& failure) override;
    std::string LastEntryMessage() const override;
    void CurrentChanged(int key) override;
    std::string ChooseMessage() const override { return "Выберите предмет"; }

private:
    void deleteUnused();
    TAllRasp& year() const;
};

}  // namespace zavlin::entry::ui
