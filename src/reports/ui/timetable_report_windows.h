// The timetable report windows: one small window for the eight reports the
// menu "Расписание" makes as documents (a group's or a teacher's year, a
// teacher's groups, the chess boards, the day card, the board prints). Each
// shows the choice its report needs, "Создать" and "Закрыть"; the document is
// written on a worker while the window, disabled, shows the progress, then
// handed to the opener.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "export/ui/document_work.h"
#include "shell/ui/window_context.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace zavlin {
class TFio;
class TGod;
class TGryp;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TComboBoxNumer;
}

namespace zavlin::reports::ui {

using shell::ui::TWindowContext;

enum class TTimetableReport {
    GroupYear,          // TForm25
    TeacherYear,        // TForm26
    TeacherGroupsYear,  // TForm27
    TeachersChess,      // TForm42
    GroupsChess,        // TForm48
    DayCard,            // TForm28
    WeekStand,          // TForm29
    NumeratorStand,     // TForm36
};

// The window's name ("TForm25", ...) and caption (its menu item's).
const char* ReportWindowName(TTimetableReport kind);
const char* ReportCaption(TTimetableReport kind);

class TTimetableReportWindow : public exporting::ui::TWorkDialog {
    Q_OBJECT
public:
    // Object names: "KindLabel"; the group's "GroupLabel" and "GroupButton",
    // the teacher's "TeacherLabel" and "TeacherButton", the range's
    // "FirstWeek" and "LastWeek", "WeeksLabel" (the active weeks), "DayBox",
    // "PerTable", "ProgressBar1", "CreateButton", "CloseButton"; each only
    // where the report needs it.
    TTimetableReportWindow(TWindowContext& context, TTimetableReport kind,
                           QWidget* parent = nullptr);

    TTimetableReport Kind() const { return kind_; }
    // The group (teacher) the report is made for; none when the window opens.
    TGryp* Group() const { return group_; }
    TFio* Teacher() const { return teacher_; }
    void SetGroup(TGryp* group);
    void SetTeacher(TFio* teacher);
    // The pickers "Выбрать..." opens: the group list and the teacher list by
    // default; nullptr when nothing was picked.
    std::function<TGryp*()> PickGroup;
    std::function<TFio*()> PickTeacher;

    // "Создать": true when the document was written and handed over; false
    // with the message shown.
    bool Create();

private:
    TGod* god() const;
    // The refusal of what the report lacks; empty when it can be made.
    std::string missing() const;

    TWindowContext& context_;
    TTimetableReport kind_;
    TGryp* group_ = nullptr;
    TFio* teacher_ = nullptr;
    QLabel* groupLabel_ = nullptr;
    QLabel* teacherLabel_ = nullptr;
    shell::ui::TComboBoxNumer* firstWeek_ = nullptr;
    shell::ui::TComboBoxNumer* lastWeek_ = nullptr;
    QComboBox* day_ = nullptr;
    QSpinBox* perTable_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* create_ = nullptr;
};

void RunTimetableReport(TWindowContext& context, TTimetableReport kind);

}  // namespace zavlin::reports::ui
