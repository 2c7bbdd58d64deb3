// "Ввод  названия здания": a building's name and the colour its rooms'
// lessons are shown in.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace zavlin {
class TAllRasp;
class TDom;
class TMyDialog;
}  // namespace zavlin

namespace zavlin::entry::ui {

class TForm6_1 : public QDialog {
    Q_OBJECT
public:
    // dom: the building edited; nullptr adds a new one. OK stores it.
    TForm6_1(TAllRasp& year, TMyDialog& dialog, TDom* dom, QWidget* parent = nullptr);

    TDom* Result() const { return dom_; }

private:
    void onOk();

    TAllRasp& year_;
    TMyDialog& dialog_;
    TDom* dom_;
    QLineEdit* name_ = nullptr;
    QComboBox* color_ = nullptr;
};

}  // namespace zavlin::entry::ui
