// TForm30 "Сихронизация расписания.": the start window of a synchronisation,
// which makes the active weeks of the selected groups like a base week. It
// shows the base week, the active weeks and the selected groups; "Старт"
// compares the weeks, offers to copy the base week's unions and runs the
// progress window.
#pragma once

#include <QDialog>

#include "composition/ui/compose_start_window.h"
#include "shell/ui/window_context.h"

class QLineEdit;

namespace zavlin::shell::ui {
class TListBoxNumer;
}

namespace zavlin::composition::ui {

// One week out of the year's 56, for the base week: the list "ListBoxN",
// "OkButton", "CancelButton".
class TBaseWeekDialog : public QDialog {
    Q_OBJECT
public:
    // current: the week preselected (1-56).
    TBaseWeekDialog(TWindowContext& context, int current, QWidget* parent = nullptr);
    // The week chosen; 0 when none.
    int Week() const;
    shell::ui::TListBoxNumer* List() const { return list_; }

private:
    shell::ui::TListBoxNumer* list_ = nullptr;
};

class TForm30 : public TStartWindow {
    Q_OBJECT
public:
    // Object names: the base week "BaseWeekEdit" with "BaseWeekButton", and
    // those of TStartWindow.
    explicit TForm30(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm30() override;

    void Refresh() override;
    // The base week chosen; 0 before one is.
    int SinxrNed() const { return sinxrNed_; }
    void SetSinxrNed(int week);

private:
    void BaseWeekClick();
    void BitBtn2Click() override;
    // The unions questions; false when the synchronisation is cancelled.
    bool offerUnions();

    // Every synchronisation chooses its base week anew.
    int sinxrNed_ = 0;
    QLineEdit* base_ = nullptr;
};

}  // namespace zavlin::composition::ui
