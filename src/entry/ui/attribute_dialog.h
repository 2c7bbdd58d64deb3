// "Название атрибута": the name of one of the user's attributes.
#pragma once

#include <QDialog>

class QLineEdit;

namespace zavlin {
class TAllRasp;
class TAtr;
class TMyDialog;
}  // namespace zavlin

namespace zavlin::entry::ui {

class TForm17_1 : public QDialog {
    Q_OBJECT
public:
    // atr: the attribute renamed; nullptr adds one, starting as
    // "Новое название". OK stores it.
    TForm17_1(TAllRasp& year, TMyDialog& dialog, TAtr* atr, QWidget* parent = nullptr);

    TAtr* Result() const { return atr_; }

private:
    void onOk();

    TAllRasp& year_;
    TMyDialog& dialog_;
    TAtr* atr_;
    QLineEdit* name_ = nullptr;
};

}  // namespace zavlin::entry::ui
