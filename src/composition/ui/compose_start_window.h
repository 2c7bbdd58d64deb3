// TForm8 "Составление расписания c "0"": the start window of a composition
// from zero. It shows the active weeks and the selected groups, lets both be
// changed, and on "Старт" runs the progress window. TForm9 is the same window
// for a recomposition. What every start window shares, the synchronisation's
// included, is TStartWindow.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "composition/ui/window_parts.h"
#include "shell/ui/window_context.h"

class QCheckBox;
class QPlainTextEdit;
class QVBoxLayout;

namespace zavlin {
class TAllRasp;
}

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;
struct TSosStart;

// The calendar texts of the active weeks, in week order.
std::vector<std::string> ActiveWeekLines(const TAllRasp& year);
// The selected groups' names joined by two blanks; a line is closed as soon
// as the text gathered exceeds 60 characters.
std::vector<std::string> SelectedGroupLines(const TAllRasp& year);
// The active-week choice; the main window's week list follows it.
void ChangeActiveWeeks(TWindowContext& context, QWidget* parent);
// The group list picking several groups, the selected ones preselected; its
// OK makes the picked groups, and only them, selected.
void ChangeSelectedGroups(TWindowContext& context, QWidget* parent);

// The check box every start window shows, byte for byte.
QString LogCheckText();

// A start window: the active weeks and the selected groups with their
// "Изменить", the report check box, "Старт" and "Отмена". It closes with OK
// only after a run that changed the timetable, so its caller knows whether
// there is anything to save.
class TStartWindow : public QDialog {
    Q_OBJECT
public:
    ~TStartWindow() override;
    // The lists drawn again from the year.
    virtual void Refresh();

protected:
    TStartWindow(TWindowContext& context, const QString& caption, QWidget* parent);
    // Object names: the memos "WeeksMemo" and "GroupsMemo", their
    // "Изменить" "WeeksButton" and "GroupsButton".
    void addLists(QVBoxLayout* layout, const QString& weeksLabel);
    // The check box "LogCheck", "Старт" "StartButton", "Отмена"
    // "CancelButton".
    void addStartRow(QVBoxLayout* layout);
    // The groups a run may take: the unreadable ones left out and named, the
    // memo showing what is left; false with "Выберите группы" when nothing is.
    [[nodiscard]] bool groupsReady();
    // The progress window for start (its report flag taken from the check
    // box). A run that composed closes this window with OK; one refused by
    // the test of the pinned lessons closes it too, as nothing is left to
    // change here; a progress window closed before its run began leaves
    // this one open for another try.
    void run(TSosStart start);
    virtual void BitBtn2Click() = 0;

    TWindowContext& context_;

private:
    void Button1Click();
    void Button2Click();

    QPlainTextEdit* weeks_ = nullptr;
    QPlainTextEdit* groups_ = nullptr;
    QCheckBox* log_ = nullptr;
};

class TForm8 : public TStartWindow {
    Q_OBJECT
public:
    explicit TForm8(TWindowContext& context, QWidget* parent = nullptr);

    int Tip() const { return tip_; }
    // The question "Старт" asks before a run.
    const std::string& Question() const { return question_; }

protected:
    // The window of another kind of run: its caption and question; the
    // warnings belong to the composition from zero only.
    TForm8(TWindowContext& context, int tip, const QString& caption, std::string question,
           bool warnings, QWidget* parent);

private:
    void BitBtn2Click() override;

    int tip_;
    std::string question_;
};

}  // namespace zavlin::composition::ui
