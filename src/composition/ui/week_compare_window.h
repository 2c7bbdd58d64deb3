// "Сравнение синхронизируемой и базовой недели": how the weeks to be
// synchronised differ from the base week; OK goes on with the
// synchronisation, anything else cancels it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace zavlin::composition::ui {

class TWeekCompareWindow : public QDialog {
    Q_OBJECT
public:
    // The lines in "DifferenceMemo"; "OkButton", "CancelButton".
    explicit TWeekCompareWindow(const std::vector<std::string>& lines, QWidget* parent = nullptr);

    QPlainTextEdit* Memo() const { return memo_; }

private:
    QPlainTextEdit* memo_ = nullptr;
};

}  // namespace zavlin::composition::ui
