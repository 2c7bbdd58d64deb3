// "Преподаватели по предмету": the teachers of each subject of a group week
// by week, given or taken over a range of weeks.
#pragma once

#include <QDialog>
#include <functional>

#include "shell/ui/window_context.h"

class QLabel;

namespace zavlin {
class TFio;
class TGryp;
class TPredmet;
class THGrid;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TListBoxNumer;
}

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm5_2 : public QDialog {
    Q_OBJECT
public:
    // Columns of the grid; row n is week n.
    static constexpr int kLabelCol = 0;
    static constexpr int kPairsCol = 1;
    static constexpr int kTeachersCol = 2;

    // For the year's active group (the first when none). Controls:
    // "GroupLabel", "GroupButton" ("Г"), "PrevGroupButton",
    // "NextGroupButton", "SubjectList", "Grid", "AddTeacherButton",
    // "DeleteTeacherButton", "PlannedLoadButton", "HelpButton",
    // "CloseButton".
    explicit TForm5_2(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm5_2() override;

    THGrid* Grid() const { return grid_; }
    TGryp* Group() const { return group_; }
    void SetGroup(TGryp* group);
    TPredmet* Subject() const;
    bool Changed() const { return changed_; }

    // One teacher for "Добавить преподавателя"/"Удалить преподавателя";
    // nullptr when none was chosen. By default the teacher list in its
    // single-choice mode.
    std::function<TFio*()> PickTeacher;
    // One group for "Г"; by default the group list in its single-choice mode.
    std::function<TGryp*()> PickGroup;

    // Saves the year when a teacher was given or taken; when that fails,
    // asks whether to close anyway.
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillSubjects();
    void fillGrid();
    void changeTeacher(bool add);
    void stepGroup(int delta);

    TWindowContext& context_;
    TGryp* group_ = nullptr;
    bool changed_ = false;
    QLabel* groupLabel_ = nullptr;
    shell::ui::TListBoxNumer* subjects_ = nullptr;
    THGrid* grid_ = nullptr;
};

}  // namespace zavlin::entry::ui
