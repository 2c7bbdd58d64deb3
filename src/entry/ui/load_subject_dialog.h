// "Добавление (изменение) предмета": one subject of a group with its plan
// per semester, its pairing and whether subgroups are taught apart.
#pragma once

#include <QDialog>

class QCheckBox;
class QSpinBox;

namespace zavlin {
class TAllRasp;
class TGryp;
class TMyDialog;
class TPredmet;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TComboBoxNumer;
}

namespace zavlin::entry::ui {

class TForm5_1 : public QDialog {
    Q_OBJECT
public:
    // subject: the one edited, or nullptr to add one to the group. The
    // controls: "SubjectBox", "Sem1Edit", "Sem2Edit", "SparEdit",
    // "PodgCheck", "OkButton", "CancelButton".
    TForm5_1(TAllRasp& year, TGryp& group, TPredmet* subject, TMyDialog& dialog,
             QWidget* parent = nullptr);

    // The subject added or edited once OK was accepted.
    TPredmet* Predmet() const { return subject_; }
    // Checks and stores; a refusal keeps the window open.
    void accept() override;

private:
    TAllRasp& year_;
    TGryp& group_;
    TPredmet* subject_;
    TMyDialog& dialog_;
    shell::ui::TComboBoxNumer* names_ = nullptr;
    QSpinBox* sem1_ = nullptr;
    QSpinBox* sem2_ = nullptr;
    QSpinBox* spar_ = nullptr;
    QCheckBox* podg_ = nullptr;
};

}  // namespace zavlin::entry::ui
