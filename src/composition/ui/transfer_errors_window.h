// TFormS2 "Ошибки назначения": the pinned lessons a run could not transfer
// into the timetable, shown while the run waits.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

namespace zavlin::composition::ui {

class TFormS2 : public QDialog {
    Q_OBJECT
public:
    explicit TFormS2(const std::vector<std::string>& lines, QWidget* parent = nullptr);
};

}  // namespace zavlin::composition::ui
