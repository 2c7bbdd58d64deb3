// The planned-load report windows: a group's summary table ("Сводная
// таблица"), the teachers' planned load ("Планируемая нагрузка
// преподавателя") and a subject across the groups ("Предмет в группах  по
// плану"). Each shows its report table and writes it, as the grid shows it,
// into the home's temp/temp.rtf ("Экспорт в Word": a landscape page with the
// title, "Недели : " and the table), which the desktop then opens.
//
// Object names: the grid "ReportGrid", "ExportButton", "CloseButton", the
// note about groups whose timetable could not be read "NoteLabel"; each
// window's own choices are named in its class.
#pragma once

#include <QDialog>
#include <vector>

#include "reports/load_tables.h"
#include "shell/ui/window_context.h"

class QBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace zavlin {
class TFio;
class TGryp;
class TYrName;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TComboBoxNumer;
}

namespace zavlin::reports::ui {

using shell::ui::TWindowContext;
class TReportGridView;

class TPlanReportWindow : public QDialog {
    Q_OBJECT
public:
    ~TPlanReportWindow() override;

    TReportGridView* Grid() const { return grid_; }
    // The table shown, with its title and weeks.
    TLoadTable Shown() const;
    // Saves the shown table into temp/temp.rtf and hands it to the document
    // opener. False when no document was opened; the dialog heard why.
    bool ExportToWord();

protected:
    TPlanReportWindow(TWindowContext& context, const QString& caption, QWidget* parent);
    // Where a window puts its choices, above the grid.
    QBoxLayout* Choices() const { return choices_; }
    void ShowTable(TLoadTable table);
    // Names the groups whose load is unknown (their timetable could not be
    // read) among those the table covers; hidden when there are none.
    void NoteUnreadable(const std::vector<const TGryp*>& groups);
    // Off while the table shown stands for no known load.
    void SetExportEnabled(bool on);
    // Brings a table that waits for its choices to settle up to date.
    virtual void flushPending() {}

    TWindowContext& context_;

private:
    TReportGridView* grid_ = nullptr;
    QBoxLayout* choices_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* export_ = nullptr;
    std::string title_;
    std::string weeksText_;
};

// "Сводная таблица": the chosen group's subjects week by week over the study
// weeks, by semester. The group list is "GroupsCombo".
class TForm5_5 : public TPlanReportWindow {
    Q_OBJECT
public:
    explicit TForm5_5(TWindowContext& context, QWidget* parent = nullptr);

    shell::ui::TComboBoxNumer* Groups() const { return groups_; }
    const TGryp* Group() const;

private:
    void refresh();

    shell::ui::TComboBoxNumer* groups_ = nullptr;
};

// "Планируемая нагрузка преподавателя": the active weeks ("ActiveWeeksRadio")
// or a range ("RangeRadio", "FromWeekSpin", "ToWeekSpin"); every teacher
// with load or the one chosen in "TeachersCombo" (key -1: all).
class TForm41 : public TPlanReportWindow {
    Q_OBJECT
public:
    explicit TForm41(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm41() override;

    shell::ui::TComboBoxNumer* Teachers() const { return teachers_; }
    // The weeks the table covers now.
    std::vector<int> Weeks() const;
    // The chosen teacher; nullptr for all.
    const TFio* Teacher() const;
    // A change of the weeks waits kWeeksSettleMs (or the end of its editing)
    // for the next one before the table follows.
    static constexpr int kWeeksSettleMs = 300;
    bool RebuildPending() const;
    // How many times the table was built.
    int Rebuilds() const { return rebuilds_; }

protected:
    void flushPending() override;

private:
    void refresh();

    QTimer* rebuildTimer_ = nullptr;
    int rebuilds_ = 0;

    shell::ui::TComboBoxNumer* teachers_ = nullptr;
    QRadioButton* active_ = nullptr;
    QSpinBox* from_ = nullptr;
    QSpinBox* to_ = nullptr;
};

// "Предмет в группах  по плану": the groups having the subject name chosen in
// "SubjectsCombo", with the planned and the loaded pairs per semester.
class TForm45 : public TPlanReportWindow {
    Q_OBJECT
public:
    explicit TForm45(TWindowContext& context, QWidget* parent = nullptr);

    shell::ui::TComboBoxNumer* Subjects() const { return subjects_; }
    const TYrName* Subject() const;

private:
    void refresh();

    shell::ui::TComboBoxNumer* subjects_ = nullptr;
};

}  // namespace zavlin::reports::ui
