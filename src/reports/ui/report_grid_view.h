// A report table (TDGrid) shown in the grid widget: the table's row 0 is the
// grid's header row, its fixed rows and columns stay in place, its headers
// over columns become bands across the top of the header row, one band line
// per header line, and the columns of vertical text read upwards. Row and
// column numbers are the table's own.
//
// The grid draws one line per body cell, so a multi-line body cell shows its
// lines side by side, ", "-joined; header cells keep their lines.
//
// The view keeps the table it shows, so that an export writes what the user
// sees. Read-only.
#pragma once

#include <QString>

#include "reports/report_table.h"
#include "shell/ui/hgrid.h"

namespace zavlin::reports::ui {

class TReportGridView : public THGrid {
    Q_OBJECT
public:
    explicit TReportGridView(QWidget* parent = nullptr);

    void ShowTable(TDGrid table);
    const TDGrid& Table() const { return table_; }

    // A body cell's text as the view shows it.
    static QString BodyText(const TDGrid& table, int col, int row);
    // The pixel height of one band line.
    int BandLineHeight() const;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Sizes the columns and the header row to the texts and places the
    // bands, in the font the grid has now.
    void fit();

    TDGrid table_;
    bool shown_ = false;  // a table was given
    QString fitFont_;     // the font fit() measured with
};

}  // namespace zavlin::reports::ui
