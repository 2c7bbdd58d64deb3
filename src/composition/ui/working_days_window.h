// TForm15 "Желательное количество рабочих дней": every teacher with the
// number of days a week the teacher wishes to work; a row clicked opens the
// choice of the number. Changed teachers are stored when the window closes.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "shell/ui/window_context.h"

namespace zavlin {
class TFio;
class TGod;
class THGrid;
}  // namespace zavlin

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

class TForm15 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kNameCol = 1;
    static constexpr int kDaysCol = 2;
    static constexpr int TeacherRow(int indx) { return indx + 1; }

    // Controls: "Grid" (row n + 1 = the year's teacher n), "CloseButton".
    explicit TForm15(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm15() override;

    THGrid* Grid() const { return grid_; }
    // The teacher of a grid row; nullptr for the header or past the end.
    TFio* TeacherAt(int row) const;
    const std::vector<TFio*>& Modified() const { return modified_; }
    // Opens the choice for the teacher of the row and takes its answer.
    void ChooseDays(int row);

    // The choice for a teacher's value; nothing when cancelled. By default
    // TForm15_1.
    std::function<std::optional<int>(int rd)> AskDays;

    // Stores every changed teacher; when one cannot be stored, says so and
    // asks whether to close all the same.
    void done(int result) override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TGod* god() const;
    void fillRow(int row);

    TWindowContext& context_;
    std::vector<TFio*> teachers_;  // in grid order
    std::vector<TFio*> modified_;
    THGrid* grid_ = nullptr;
};

}  // namespace zavlin::composition::ui
