#include "composition/ui/transfer_errors_window.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "composition/ui/window_parts.h"
#include "entry/ui/entry_widgets.h"

namespace zavlin::composition::ui {

TFormS2::TFormS2(const std::vector<std::string>& lines, QWidget* parent) : QDialog(parent) {
    setObjectName("TFormS2");
    setWindowTitle(QString::fromUtf8("Ошибки назначения"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QString::fromUtf8("Список не выполненных предварительных установок"), this));
    QPlainTextEdit* memo = MakeMemo(this, QStringLiteral("Memo"));
    SetMemoLines(memo, lines);
    layout->addWidget(memo, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    QPushButton* close =
        entry::ui::MakeButton(this, QString::fromUtf8("Закрыть"), "CloseButton", row);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addLayout(row);
    resize(560, 360);
}

}  // namespace zavlin::composition::ui
