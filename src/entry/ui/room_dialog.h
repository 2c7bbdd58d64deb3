// "Аудитория": a room's number, its seats (0: no limit) and its building.
#pragma once

#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace zavlin {
class TAllRasp;
class TAyd;
class TMyDialog;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TComboBoxNumer;
}

namespace zavlin::entry::ui {

class TForm7_1 : public QDialog {
    Q_OBJECT
public:
    // ayd: the room edited; nullptr adds a new one. OK stores it.
    TForm7_1(TAllRasp& year, TMyDialog& dialog, TAyd* ayd, QWidget* parent = nullptr);

    TAyd* Result() const { return ayd_; }

private:
    void onOk();

    TAllRasp& year_;
    TMyDialog& dialog_;
    TAyd* ayd_;
    QLineEdit* name_ = nullptr;
    QSpinBox* seats_ = nullptr;
    shell::ui::TComboBoxNumer* dom_ = nullptr;
};

}  // namespace zavlin::entry::ui
