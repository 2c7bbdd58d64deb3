// "Выбор активной недели": the active weeks of the year, chosen in a list
// of the main window's weeks; closing stores them.
#pragma once

#include <QDialog>

#include "shell/ui/window_context.h"

namespace zavlin::shell::ui {
class TListBoxNumer;
}

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm1_3 : public QDialog {
    Q_OBJECT
public:
    // The week list is "ListBoxN", "+" is "PlusButton", OK "OkButton".
    explicit TForm1_3(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm1_3() override;

    void done(int result) override;

private:
    class Impl;
    Impl* impl_;
};

}  // namespace zavlin::entry::ui
