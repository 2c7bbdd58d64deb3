// "Cписок групп": the groups of the year by faculty, also used by other
// windows to pick one group or a list of groups.
#pragma once

#include <vector>

#include "entry/ui/list_window.h"

namespace zavlin {
class TGod;
class TGryp;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TComboBoxNumer;
}

namespace zavlin::entry::ui {

class TForm2 : public TListWindow {
    Q_OBJECT
public:
    TForm2(TWindowContext& context, TListMode mode, QWidget* parent = nullptr);
    ~TForm2() override;

    // Reordering allowed: only the main menu sets it.
    bool MoveUpDown = false;
    // The selected groups (PickOne: at most one), in list order.
    std::vector<TGryp*> Picked() const;
    // The faculty drop-down: "Свободный выбор" (key -1), then the faculties
    // keyed by their place in the year's list.
    shell::ui::TComboBoxNumer* Faculties() const { return faculties_; }

protected:
    TListBoxN Items() const override;
    void AddItem() override;
    void EditItem(int key) override;
    bool DeleteOne(int key, std::string& failure) override;
    std::string LastEntryMessage() const override;
    std::string DeleteQuestion() const override;
    void CurrentChanged(int key) override;
    int HelpTopic() const override;
    std::string ChooseMessage() const override { return "Выберите группу"; }

private:
    TGod& god() const;
    void fillFaculties(int currentIndex);
    void chooseFaculty(int index);
    void move(bool up);
    void storeFaculty();
    void newFaculty();

    shell::ui::TComboBoxNumer* faculties_ = nullptr;
};

}  // namespace zavlin::entry::ui
