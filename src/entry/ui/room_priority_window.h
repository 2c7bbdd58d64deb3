// "Приоритет преподавателей": the teachers bound to each room and the
// room's special flag, which the automatic room distribution follows. The
// changes live in the rooms as they are made; closing stores every changed
// room.
#pragma once

#include <QDialog>
#include <string>
#include <unordered_map>
#include <vector>

#include "shell/ui/window_context.h"

namespace zavlin {
class TAllRasp;
class TAyd;
class TFio;
class THGrid;
}  // namespace zavlin

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm16 : public QDialog {
    Q_OBJECT
public:
    // Buttons: "AddButton", "DeleteButton", "AnyButton" ("Любой преп."),
    // "SpecButton" ("Спец. ауд"), "PrintButton", "HelpButton", "OkButton";
    // the grid is "Grid": one row per room after the header row.
    explicit TForm16(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm16() override;

    // The room of a grid row; nullptr for the header or past the end.
    TAyd* RoomOfRow(int row) const;
    void done(int result) override;

private:
    TAllRasp& year() const;
    TAyd* currentRoom() const;
    void fillRow(int row);
    // The teacher list picking several; empty when cancelled.
    std::vector<TFio*> pickTeachers();
    void bind(bool add);
    void setSpecial(bool special);
    // Keeps what a room holds before this window first changes it.
    void remember(const TAyd& ayd);
    // Stores the changed rooms; a room the tables refuse goes back to what
    // it held. The names of those rooms, joined by ", ".
    std::string storeChanged();

    // A room as it was stored: teachers by key, since a teacher may be
    // deleted from the pick window while this one is open.
    struct Stored {
        std::vector<int> fio;
        bool special = false;
        bool modifi = false;
    };

    TWindowContext& context_;
    THGrid* grid_ = nullptr;
    std::vector<TAyd*> rooms_;  // in grid order, row = index + 1
    std::unordered_map<const TAyd*, Stored> stored_;
};

}  // namespace zavlin::entry::ui
