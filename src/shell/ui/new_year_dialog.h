// "Новый Учебный  Год": the first calendar year of a new academic year.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

namespace zavlin::shell::ui {

class TForm1_1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1_1(QWidget* parent = nullptr);
    int Year() const;
    // The shown year; the following year follows it.
    void SetYear(int year);

private:
    void showNext(int year);

    QSpinBox* SpinEdit1_;
    QLabel* nextYear_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace zavlin::shell::ui
