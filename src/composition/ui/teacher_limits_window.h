// TForm14 "Ограничение преподавателей": when each teacher may teach. A grid
// of the 12 periods by the 6 days for the current teacher, the cells the
// teacher does not work in marked, and the list of every teacher with such a
// cell. Changed teachers are stored when the window closes.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "composition/teacher_inputs.h"
#include "shell/ui/window_context.h"

class QLabel;

namespace zavlin {
class TFio;
class TGod;
class THGrid;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TListBoxNumer;
}

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

class TForm14 : public QDialog {
    Q_OBJECT
public:
    static constexpr int DayCol(int d) { return d; }         // days 1-6
    static constexpr int PeriodRow(int y) { return y + 1; }  // periods 0-11

    // For the year's active teacher (the first when none). Controls:
    // "FioLabel", "FioButton" ("Ф"), "PrevButton", "NextButton", "Grid",
    // "WorksButton", "NotWorksButton", "NoLimitsButton", "RestrictedList",
    // "CloseButton".
    explicit TForm14(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm14() override;

    THGrid* Grid() const { return grid_; }
    shell::ui::TListBoxNumer* RestrictedList() const { return restricted_; }
    TFio* Teacher() const { return fio_; }
    void SetTeacher(TFio* fio);
    // The numbers of the teachers changed since the window opened and not
    // yet stored.
    const std::vector<int>& Modified() const { return modified_.Numbers(); }

    // One teacher for "Ф"; nullptr when none was chosen. By default the
    // teacher list in its single-choice mode.
    std::function<TFio*()> PickTeacher;

    // Stores every changed teacher; when one cannot be stored, says so and
    // asks whether to close all the same.
    void done(int result) override;

private:
    TGod* god() const;
    void step(int delta);
    // The selected cells (all when every is set) made working or not.
    void change(bool works, bool every);
    void fillGrid();
    void fillRestricted();

    TWindowContext& context_;
    TFio* fio_ = nullptr;
    TModifiedTeachers modified_;
    QLabel* fioLabel_ = nullptr;
    THGrid* grid_ = nullptr;
    shell::ui::TListBoxNumer* restricted_ = nullptr;
};

}  // namespace zavlin::composition::ui
