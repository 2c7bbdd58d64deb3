// "Дата начала второго семестра": a calendar to pick the day the second
// semester of a group starts.
#pragma once

#include <QDialog>
#include <cstdint>

class QCalendarWidget;

namespace zavlin::entry::ui {

class TForm2_3 : public QDialog {
    Q_OBJECT
public:
    // date: a whole day count; first..last bounds the choice (the study year).
    TForm2_3(int32_t date, int32_t first, int32_t last, QWidget* parent = nullptr);

    int32_t Date() const;
    QCalendarWidget* Calendar() const { return calendar_; }

private:
    QCalendarWidget* calendar_;
};

}  // namespace zavlin::entry::ui
