// "Учебные дни недели": study and non-study days date by date for the weeks
// and groups selected in the calendar.
#pragma once

#include <QDialog>
#include <vector>

#include "entry/calendar_ops.h"
#include "shell/ui/window_context.h"

class QTableWidget;

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm12_1 : public QDialog {
    Q_OBJECT
public:
    // "DayTable" has one row per date: its text and a choice of
    // "Учебный день недели" (0) or "Не учебный день недели" (1); OK is
    // "OkButton", cancel "CancelButton".
    TForm12_1(TWindowContext& context, std::vector<TGryp*> groups, std::vector<int> weeks,
              QWidget* parent = nullptr);

    QTableWidget* DayTable() const { return table_; }
    // The choice of day (1-6) of the weekIndex-th week shown.
    void setStudy(int weekIndex, int day, bool study);

public slots:
    // Stores the days; a study week left without one is refused and shown.
    void accept() override;

private:
    std::vector<TWeekStudyDays> chosen() const;

    TWindowContext& context_;
    std::vector<TGryp*> groups_;
    std::vector<int> weeks_;
    QTableWidget* table_ = nullptr;
};

}  // namespace zavlin::entry::ui
