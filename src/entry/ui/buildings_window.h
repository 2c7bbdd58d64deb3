// "Список корпусов": the buildings of the year.
#pragma once

#include "entry/ui/list_window.h"

namespace zavlin::entry::ui {

class TForm6 : public TListWindow {
    Q_OBJECT
public:
    TForm6(TWindowContext& context, TListMode mode, QWidget* parent = nullptr);
    ~TForm6() override;

protected:
    TListBoxN Items() const override;
    void AddItem() override;
    void EditItem(int key) override;
    bool DeleteAllowed(const std::vector<int>& keys) override;
    // Asks before rooms go with their buildings.
    void DeleteItems(const std::vector<int>& keys) override;
    // A building goes with its rooms, none of which is in use.
    bool DeleteOne(int key, std::string& failure) override;
    std::string LastEntryMessage() const override;
    void CurrentChanged(int key) override;
    std::string ChooseMessage() const override { return "Выберите здание"; }

private:
    TAllRasp& year() const;
};

}  // namespace zavlin::entry::ui
