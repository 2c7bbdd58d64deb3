// Pieces the composition windows build alike.
#pragma once

#include <QString>
#include <string>
#include <vector>

class QPlainTextEdit;
class QWidget;

namespace zavlin::composition::ui {

// A read-only memo whose long lines scroll rather than wrap: the lists it
// shows (groups, weeks, differences) are read line by line.
QPlainTextEdit* MakeMemo(QWidget* parent, const QString& objectName);
// One setPlainText for the whole list: a line at a time would lay the memo
// out again for each, which a long list feels.
void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines);

}  // namespace zavlin::composition::ui
