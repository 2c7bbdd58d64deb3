// "График учебы": the study calendar of all groups, one row per group and
// one column per week, with the study days of each week a group studies in.
#pragma once

#include <QDialog>
#include <vector>

#include "entry/calendar_ops.h"
#include "shell/ui/window_context.h"

class QLabel;
class QLineEdit;

namespace zavlin {
class THGrid;
}

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm12 : public QDialog {
    Q_OBJECT
public:
    // Grid columns: 0 the group, 1 "Итого", 1 + n week n; rows from 2 are the
    // groups in the year's order. Buttons: "StudyButton" ("У"),
    // "RemoveButton" (" "), "StudyDaysButton", "DefaultsButton", the length
    // field "LengthEdit", "PrintButton", "OkButton"; labels "YearLabel",
    // "SelectedLabel".
    explicit TForm12(TWindowContext& context, QWidget* parent = nullptr);

    static constexpr int kFirstWeekCol = 2;
    static constexpr int kFirstGroupRow = 2;

    THGrid* Grid() const { return grid_; }
    // The window changed the groups' calendar: the year needs saving, which
    // whoever opened the window does.
    bool Changed() const { return changed_; }
    // The selected cells that are group weeks.
    std::vector<TCalendarCell> SelectedCells() const;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillHeaders();
    void fillRow(int index);
    void fillAll();
    void showSelected();
    void makeStudy();
    void remove();
    void toggle(int col, int row);
    void studyDays();
    void defaults();
    void applyLength();
    std::vector<TGryp*> selectedGroups() const;
    std::vector<int> selectedWeeks() const;
    // The selection inside the group rows and week columns; empty when none.
    QRect selectedRect() const;

    TWindowContext& context_;
    std::vector<TGryp*> groups_;  // row kFirstGroupRow + i
    THGrid* grid_ = nullptr;
    QLabel* selected_ = nullptr;
    QLineEdit* length_ = nullptr;
    bool changed_ = false;
};

}  // namespace zavlin::entry::ui
