// "Часы по предмету": the totals a subject may be given over the selected
// study weeks, one line per number of hours.
#pragma once

#include <QDialog>

class QListWidget;

namespace zavlin::entry::ui {

class TForm5_3 : public QDialog {
    Q_OBJECT
public:
    // Hours offered per study week at most.
    static constexpr int kMaxHoursPerWeek = 40;

    // subjects: the names joined by blanks; studyWeeks: j > 0. The lines are
    // "ListBox", "Да" is "YesButton", "Отказ" "CancelButton".
    TForm5_3(const QString& subjects, int studyWeeks, QWidget* parent = nullptr);

    // The pairs of the chosen line (hours div 2); -1 when none is chosen.
    int Pairs() const;

private:
    QListWidget* list_ = nullptr;
};

}  // namespace zavlin::entry::ui
