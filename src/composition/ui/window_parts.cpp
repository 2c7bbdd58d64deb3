#include "composition/ui/window_parts.h"

#include <QPlainTextEdit>
#include <QStringList>

namespace zavlin::composition::ui {

QPlainTextEdit* MakeMemo(QWidget* parent, const QString& objectName) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(objectName);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}

void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QStringList all;
    all.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) all.push_back(QString::fromStdString(line));
    memo->setPlainText(all.join(QLatin1Char('\n')));
}

}  // namespace zavlin::composition::ui
