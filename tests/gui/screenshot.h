// Pictures of windows for the documentation, taken by the window tests.
// Set ZAVLIN_SCREENSHOTS to a folder (docs/screenshots) to have them saved
// there; without it the tests take none.
#pragma once

#include <QString>

class QWidget;

namespace zavlin::test {

// Saves the widget's picture as <folder>/<name>.png when ZAVLIN_SCREENSHOTS
// names a folder. False only when a picture was asked for and not written.
[[nodiscard]] bool saveScreenshot(QWidget* widget, const QString& name);

}  // namespace zavlin::test
