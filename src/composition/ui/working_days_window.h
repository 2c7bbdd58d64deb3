// TForm15 "Желательное количество рабочих дней": every teacher with the
// number of days a week the teacher wishes to work; a row clicked opens the
// choice of the number. Changed teachers are stored when the window closes.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "composition/teacher_inputs.h"
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
    // The numbers of the teachers changed and not yet stored.
    const std::vector<int>& Modified() const { return modified_.Numbers(); }
    // Opens the choice for the teacher of the row and takes its answer.
    void ChooseDays(int row);

    // The value chosen for a teacher's value. By default TForm15_1.
    std::function<int(int rd)> AskDays;

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
    TModifiedTeachers modified_;
    THGrid* grid_ = nullptr;
};

}  // namespace zavlin::composition::ui
