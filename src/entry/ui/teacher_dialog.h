// "Ввод фамилии преподавателя": a teacher's surname, name and patronymic
// (each may be one letter), position and wished number of working days.
#pragma once

#include <QDialog>

#include "shell/ui/window_context.h"

class QLineEdit;
class QSpinBox;

namespace zavlin {
class TFio;
class TGod;
}  // namespace zavlin

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm3_1 : public QDialog {
    Q_OBJECT
public:
    // fio: the teacher edited; null for a new one.
    TForm3_1(TWindowContext& context, TFio* fio, QWidget* parent = nullptr);

    // The teacher stored by the last successful Store() (the new one too).
    TFio* Teacher() const { return fio_; }
    // Checks the fields and stores the teacher; false after showing why.
    [[nodiscard]] bool Store();
    void accept() override;

private:
    TWindowContext& context_;
    TGod& god_;
    TFio* fio_;
    QLineEdit* surname_;
    QLineEdit* name_;
    QLineEdit* patronymic_;
    QLineEdit* position_;
    QSpinBox* days_;
};

}  // namespace zavlin::entry::ui
