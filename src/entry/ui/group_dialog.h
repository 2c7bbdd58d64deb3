// "Группа": one group's name, size, usual first period, main study days,
// second-semester start and course. OK checks and stores it; closing with
// changes asks "Сохранить изменения?".
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "shell/ui/window_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace zavlin {
class TGod;
class TGryp;
}  // namespace zavlin

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm2_1 : public QDialog {
    Q_OBJECT
public:
    // gr: the group edited; null for a new one.
    TForm2_1(TWindowContext& context, TGryp* gr, QWidget* parent = nullptr);

    // The group stored by the last successful Store() (the new one too).
    TGryp* Group() const { return gr_; }
    // Whether a field differs from what the window opened with.
    bool Changed() const;
    // Checks the fields and stores the group; false after showing why.
    [[nodiscard]] bool Store();
    // Picks the second-semester date; the calendar window by default.
    std::function<bool(int32_t& date)> chooseDate;

    void accept() override;
    void reject() override;

private:
    struct State {
        QString name;
        int count = 0;
        int period = -1;
        std::array<bool, 7> days{};
        int32_t date = 0;
        int course = 0;
        bool operator==(const State&) const = default;
    };
    State current() const;
    void showDate();

    TWindowContext& context_;
    TGod& god_;
    TGryp* gr_;
    State opened_;
    int32_t date_ = 0;
    QLineEdit* name_;
    QSpinBox* count_;
    QListWidget* period_;
    std::array<QCheckBox*, 7> days_{};
    QLabel* dateLabel_;
    QSpinBox* course_;
};

}  // namespace zavlin::entry::ui
