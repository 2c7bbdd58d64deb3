#include "composition/ui/week_compare_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "composition/ui/window_parts.h"
#include "entry/ui/entry_widgets.h"

namespace zavlin::composition::ui {

TWeekCompareWindow::TWeekCompareWindow(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("WeekCompare"));
    setWindowTitle(QStringLiteral("Сравнение синхронизируемой и базовой недели"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Недели отличаются от базовой недели. Продолжить синхронизацию?"), this));
    memo_ = MakeMemo(this, QStringLiteral("DifferenceMemo"));
    SetMemoLines(memo_, lines);
    layout->addWidget(memo_, 1);
    QPushButton* ok = nullptr;
    layout->addWidget(entry::ui::MakeOkCancel(this, &ok));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(640, 420);
}

}  // namespace zavlin::composition::ui

#include "moc_week_compare_window.cpp"
