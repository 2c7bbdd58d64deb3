// "Атрибуты предмета": the lesson attributes, the five built-in ones first.
// Other windows open it to pick one attribute (NAtr) or several
// (MultiSelect: the picked ones are marked Select).
#pragma once

#include "entry/ui/list_window.h"

namespace zavlin::entry::ui {

class TForm17 : public TListWindow {
    Q_OBJECT
public:
    // noSetka: the list leaves out "Сетка" (picking the kind of a record).
    TForm17(TWindowContext& context, TListMode mode, bool noSetka = false,
            QWidget* parent = nullptr);
    ~TForm17() override;

    bool MultiSelect() const { return Mode() == TListMode::PickMany; }
    // After OK when picking one: the N of the picked attribute; -1 when none.
    int NAtr = -1;

    void done(int result) override;

protected:
    TListBoxN Items() const override;
    void AddItem() override;
    void EditItem(int key) override;
    bool DeleteAllowed(const std::vector<int>& keys) override;
    bool DeleteOne(int key, std::string& failure) override;
    std::string LastEntryMessage() const override;
    std::string DeleteQuestion() const override { return "Удалить?"; }

private:
    TAllRasp& year() const;
    bool noSetka_;
};

}  // namespace zavlin::entry::ui
