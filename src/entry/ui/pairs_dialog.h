// "Часы по предмету": the totals a subject may be given over the selected
// study weeks, one line per number of hours.
#pragma once

#include <QDialog>

#include "entry/load_ops.h"

class QListWidget;

namespace zavlin::entry::ui {

class TForm5_3 : public QDialog {
    Q_OBJECT
public:
    // A pair is two hours.
    static constexpr int kMaxHoursPerWeek = 2 * kMaxPairsPerWeek;

    // subjects: the names joined by blanks ("SubjectLabel", after the
    // caption "Предмет:"); studyWeeks: j > 0. The lines are "ListBox", "Да"
    // is "YesButton", "Отказ" "CancelButton".
    TForm5_3(const QString& subjects, int studyWeeks, QWidget* parent = nullptr);

    // The pairs of the chosen line (hours div 2); -1 when none is chosen.
    int Pairs() const;

private:
    QListWidget* list_ = nullptr;
};

}  // namespace zavlin::entry::ui
