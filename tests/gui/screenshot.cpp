#include "screenshot.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace zavlin::test {

bool saveScreenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("ZAVLIN_SCREENSHOTS");
    if (folder.isEmpty()) return true;
    if (widget == nullptr) return false;
    if (!QDir().mkpath(folder)) return false;
    return widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")), "PNG");
}

}  // namespace zavlin::test
