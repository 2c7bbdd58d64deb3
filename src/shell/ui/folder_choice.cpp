#include "shell/ui/folder_choice.h"

#include <QFileDialog>

namespace zavlin::shell::ui {

TPapkaView::TPapkaView()
    : Choose([](QWidget* parent, const QString& title, const QString& start) {
          return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
      }) {}

bool TPapkaView::ShowDirectory(QWidget* parent) {
    const QString chosen = Choose(parent, TitleName, StartFolder);
    if (chosen.isEmpty()) return false;
    directory_ = chosen;
    return true;
}

}  // namespace zavlin::shell::ui
