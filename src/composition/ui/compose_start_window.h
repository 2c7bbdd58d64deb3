// TForm8 "Составление расписания c "0"": the start window of a composition
// from zero. It shows the active weeks and the selected groups, lets both be
// changed, and on "Старт" runs the progress window. TForm9 is the same window
// for a recomposition. The pieces the synchronisation start window shares
// (the two lists and their changes) are here as well.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "shell/ui/window_context.h"

class QCheckBox;
class QPlainTextEdit;

namespace zavlin {
class TAllRasp;
}

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

// The calendar texts of the active weeks, in week order.
std::vector<std::string> ActiveWeekLines(const TAllRasp& year);
// The selected groups' names joined by two blanks; a line is closed as soon
// as the text gathered exceeds 60 characters.
std::vector<std::string> SelectedGroupLines(const TAllRasp& year);
// Fills a memo with lines at once.
void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines);
// The active-week choice; the main window's week list follows it.
void ChangeActiveWeeks(TWindowContext& context, QWidget* parent);
// The group list picking several groups, the selected ones preselected; its
// OK makes the picked groups, and only them, selected.
void ChangeSelectedGroups(TWindowContext& context, QWidget* parent);
// Groups whose stored timetable could not be read take no part in a run:
// composing them would replace what the dispatcher may still recover.
void LeaveOutUnreadableGroups(TAllRasp& year);

// The check box every start window shows, byte for byte.
QString LogCheckText();

class TForm8 : public QDialog {
    Q_OBJECT
public:
    // Object names: the memos "WeeksMemo" and "GroupsMemo", their "Изменить"
    // "WeeksButton" and "GroupsButton", the check box "LogCheck", "Старт"
    // "StartButton", "Отмена" "CancelButton".
    explicit TForm8(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm8() override;

    int Tip() const { return tip_; }
    // The question "Старт" asks before a run.
    const std::string& Question() const { return question_; }
    // The lists drawn again from the year.
    void Refresh();

protected:
    // The window of another kind of run: its caption and question; the
    // warnings belong to the composition from zero only.
    TForm8(TWindowContext& context, int tip, const QString& caption, std::string question,
           bool warnings, QWidget* parent);

private:
    void build(bool warnings);
    void Button1Click();
    void Button2Click();
    void BitBtn2Click();

    TWindowContext& context_;
    int tip_;
    std::string question_;
    QPlainTextEdit* weeks_ = nullptr;
    QPlainTextEdit* groups_ = nullptr;
    QCheckBox* log_ = nullptr;
};

}  // namespace zavlin::composition::ui
