// "Список аудиторий": the rooms of the year with their seats.
#pragma once

#include "entry/ui/list_window.h"

namespace zavlin {
class TAyd;
}

namespace zavlin::entry::ui {

class TForm7 : public TListWindow {
    Q_OBJECT
public:
    TForm7(TWindowContext& context, TListMode mode, QWidget* parent = nullptr);
    ~TForm7() override;

    // The selected rooms, in list order.
    std::vector<TAyd*> Picked() const;

protected:
    TListBoxN Items() const override;
    void AddItem() override;
    void EditItem(int key) override;
    bool DeleteAllowed(const std::vector<int>& keys) override;
    bool DeleteOne(int key, std::string& failure) override;
    std::string LastEntryMessage() const override;
    void CurrentChanged(int key) override;
    std::string ChooseMessage() const override { return "Выберите аудиторию"; }

private:
    TAllRasp& year() const;
};

}  // namespace zavlin::entry::ui
