// "Добавление факультета": names a new faculty and gives it the groups
// selected in the group list. The existing faculties are listed beside it.
#pragma once

#include <QDialog>
#include <vector>

#include "shell/ui/window_context.h"

class QLineEdit;
class QListWidget;

namespace zavlin {
class TFak;
class TGod;
class TGryp;
}  // namespace zavlin

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm2_2 : public QDialog {
    Q_OBJECT
public:
    TForm2_2(TWindowContext& context, std::vector<TGryp*> groups, QWidget* parent = nullptr);

    // The faculty stored by OK; null before. It stays stored after Cancel
    // when some of its groups could not be written.
    TFak* Faculty() const { return fak_; }
    // Checks the name, stores the faculty (once) and whichever of its groups
    // are not stored yet; false after showing why.
    [[nodiscard]] bool Store();
    void accept() override;

private:
    bool storeFaculty();

    TWindowContext& context_;
    TGod& god_;
    std::vector<TGryp*> groups_;
    TFak* fak_ = nullptr;
    QListWidget* list_;
    QLineEdit* name_;
};

}  // namespace zavlin::entry::ui
