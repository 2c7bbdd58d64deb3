// The statements: hours per calendar day of one month for a group (TForm22
// "Ведомость группы за месяц") or a teacher (TForm23 "Ведомость преподавателя
// за месяц"), and the hours per month of the academic year (TForm35 of a
// group, TForm24 of a teacher, TForm40 of every group's teachers, TForm39 of
// the teachers over all groups). Each shows its table in the grid, rebuilt
// on every change of a choice, and prints it as a document.
#pragma once

#include <QDialog>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "reports/month_statement.h"
#include "reports/report_table.h"
#include "reports/summary_statement.h"
#include "reports/ui/report_grid_view.h"
#include "shell/ui/window_context.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace zavlin {
class TFio;
class TGod;
class TGryp;
}  // namespace zavlin

namespace zavlin::exporting {
class TDocumentOpener;
}

namespace zavlin::reports::ui {

using shell::ui::TWindowContext;

// The month of the statement, as its box lists the months: September first.
int MonthOfIndex(int index);
int IndexOfMonth(int month);

class TMonthStatementWindow : public QDialog {
    Q_OBJECT
public:
    enum class TKind { Group, Teacher };

    // Controls: "ChoiceBox" (the group or the teacher), "MonthBox",
    // "StartBox" (the first day), for a teacher "KindsBox" and
    // "TotalsLabel", "Grid", "PrintButton", "CloseButton".
    TMonthStatementWindow(TKind kind, TWindowContext& context, exporting::TDocumentOpener& opener,
                          QWidget* parent = nullptr);
    ~TMonthStatementWindow() override;

    TKind Kind() const { return kind_; }
    TReportGridView* Grid() const { return grid_; }
    const TMonthStatement& Statement() const { return statement_; }
    const TDGrid& Shown() const { return shown_; }
    const TGryp* ChosenGroup() const;
    const TFio* ChosenTeacher() const;
    int Month() const;
    int Start() const;  // hh
    TStatementKinds Kinds() const;
    // "Общая сумма часов ..." of the teacher; empty for a group.
    std::string TotalsText() const;

    void Recalculate();
    [[nodiscard]] bool Print();
    std::string DocumentName() const;

private:
    TGod* god() const;
    std::string chosenText() const;

    TKind kind_;
    TWindowContext& context_;
    exporting::TDocumentOpener& opener_;
    std::vector<const void*> items_;
    TMonthStatement statement_;
    TDGrid shown_;
    QComboBox* choice_ = nullptr;
    QComboBox* month_ = nullptr;
    QComboBox* start_ = nullptr;
    QComboBox* kinds_ = nullptr;
    QLabel* totals_ = nullptr;
    TReportGridView* grid_ = nullptr;
    QPushButton* printButton_ = nullptr;
};

// TForm22 "Ведомость группы за месяц".
class TForm22 : public TMonthStatementWindow {
    Q_OBJECT
public:
    TForm22(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr)
        : TMonthStatementWindow(TKind::Group, context, opener, parent) {}
};

// TForm23 "Ведомость преподавателя за месяц".
class TForm23 : public TMonthStatementWindow {
    Q_OBJECT
public:
    TForm23(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr)
        : TMonthStatementWindow(TKind::Teacher, context, opener, parent) {}
};

class TSummaryWindow : public QDialog {
    Q_OBJECT
public:
    enum class TKind {
        Group,        // TForm35: one group's subjects and teachers
        Teacher,      // TForm24: one teacher's groups and subjects
        EachGroup,    // TForm40: the teachers of each group
        AllTeachers,  // TForm39: the teachers over all groups
    };

    // Controls: "ChoiceBox" (the group or teacher, for the first two),
    // "BusyLabel", "Grid", "PrintButton", "CloseButton".
    //
    // A summary walks every lesson of the year (of every group for the
    // teachers), so it is counted on a worker thread while the window stays
    // live; the year is not changed while this modal window is open, and the
    // count is stopped and joined before the window goes.
    TSummaryWindow(TKind kind, TWindowContext& context, exporting::TDocumentOpener& opener,
                   QWidget* parent = nullptr);
    ~TSummaryWindow() override;

    TKind Kind() const { return kind_; }
    TReportGridView* Grid() const { return grid_; }
    // The tables shown: one, or one per group for TForm40.
    const std::vector<TSummaryTable>& Tables() const { return tables_; }
    const TDGrid& Shown() const { return shown_; }
    // True while the tables for the current choice are being counted.
    bool Busy() const { return computing_; }

    // Counts the tables for the choice, stopping a count under way; the grid
    // follows when they are done.
    void Recalculate();
    // Closing stops a count under way at once (before its next group).
    void done(int result) override;

    // Called on the worker before each group is counted, with the count's
    // stop; lets a test hold a count under way. Empty in the program.
    static inline std::function<void(std::stop_token)> CountStep;
    [[nodiscard]] bool Print();
    std::string DocumentName() const;

private:
    TGod* god() const;
    std::vector<std::string> heads() const;
    void start();
    void stopCount();
    void finished(int generation, std::vector<TSummaryTable> tables);

    TKind kind_;
    TWindowContext& context_;
    exporting::TDocumentOpener& opener_;
    std::vector<const void*> items_;
    std::vector<TSummaryTable> tables_;
    TDGrid shown_;
    std::jthread worker_;
    bool computing_ = false;
    int generation_ = 0;  // of the count whose tables are awaited
    QComboBox* choice_ = nullptr;
    QLabel* busy_ = nullptr;
    TReportGridView* grid_ = nullptr;
    QPushButton* printButton_ = nullptr;
};

class TForm35 : public TSummaryWindow {
    Q_OBJECT
public:
    TForm35(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr)
        : TSummaryWindow(TKind::Group, context, opener, parent) {}
};

class TForm24 : public TSummaryWindow {
    Q_OBJECT
public:
    TForm24(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr)
        : TSummaryWindow(TKind::Teacher, context, opener, parent) {}
};

class TForm40 : public TSummaryWindow {
    Q_OBJECT
public:
    TForm40(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr)
        : TSummaryWindow(TKind::EachGroup, context, opener, parent) {}
};

class TForm39 : public TSummaryWindow {
    Q_OBJECT
public:
    TForm39(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr)
        : TSummaryWindow(TKind::AllTeachers, context, opener, parent) {}
};

}  // namespace zavlin::reports::ui
