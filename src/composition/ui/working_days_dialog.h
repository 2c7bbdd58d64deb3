// TForm15_1 "Количество  рабочих дней": the choice of a teacher's wished
// number of working days, 1 to 6.
#pragma once

#include <QDialog>

class QListWidget;

namespace zavlin::composition::ui {

class TForm15_1 : public QDialog {
    Q_OBJECT
public:
    // Controls: "DaysList" (rows "1".."6"), "OkButton". The row of rd is
    // current, row "6" for a value outside 1-6.
    explicit TForm15_1(int rd, QWidget* parent = nullptr);

    // The value chosen: the current row once the dialog has closed.
    int Rd = 0;
    QListWidget* DaysList() const { return list_; }

    // However the dialog closes (OK, Enter, the close box, Escape), the
    // current row is the answer: there is no way to leave it unanswered.
    void done(int result) override;

private:
    QListWidget* list_ = nullptr;
};

}  // namespace zavlin::composition::ui
