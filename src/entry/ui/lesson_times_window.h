// "Время проведения уроков": the start and length of the twelve lesson
// periods, typed as hours:minutes; OK checks every row and stores them all.
#pragma once

#include <QDialog>

#include "shell/ui/window_context.h"

namespace zavlin {
class THGrid;
}

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm1_0 : public QDialog {
    Q_OBJECT
public:
    // The grid is "Grid" (row r + 1 holds period r, periods 0..11), OK
    // "OkButton", cancel "CancelButton".
    explicit TForm1_0(TWindowContext& context, QWidget* parent = nullptr);

    THGrid* Grid() const { return grid_; }

public slots:
    // Checks every row; a refusal is shown and the window stays open with
    // nothing stored.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill();

    TWindowContext& context_;
    THGrid* grid_ = nullptr;
};

}  // namespace zavlin::entry::ui
