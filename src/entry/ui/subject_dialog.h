// "Название предмета": the short and the full name of one subject.
#pragma once

#include <QDialog>

class QLineEdit;

namespace zavlin {
class TAllRasp;
class TMyDialog;
class TYrName;
}  // namespace zavlin

namespace zavlin::entry::ui {

class TForm4_1 : public QDialog {
    Q_OBJECT
public:
    // yrName: the subject edited; nullptr adds a new one. OK stores it and
    // closes; a refusal shows its message and keeps the window open.
    TForm4_1(TAllRasp& year, TMyDialog& dialog, TYrName* yrName, QWidget* parent = nullptr);

    // The stored subject after OK.
    TYrName* Result() const { return yrName_; }

private:
    void onOk();

    TAllRasp& year_;
    TMyDialog& dialog_;
    TYrName* yrName_;
    QLineEdit* short_ = nullptr;
    QLineEdit* big_ = nullptr;
};

}  // namespace zavlin::entry::ui
