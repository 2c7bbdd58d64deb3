// How a second copy of the window program reaches the running one of the same
// home folder: a local socket named after the folder, over which it asks the
// first copy to bring its window to the front.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>

class QLocalServer;

namespace zavlin::shell::ui {

// "zavlin-" and a digest of the folder's absolute path: one name per home.
QString instanceServerName(const std::filesystem::path& home);

// The second copy's request; true when it was delivered.
bool askRunningCopyToRaise(const QString& name);

// The running copy's ear. raiseRequested() for every request received.
class TRaiseListener : public QObject {
    Q_OBJECT
public:
    explicit TRaiseListener(QObject* parent = nullptr);
    // A name left behind by a killed copy is taken over.
    [[nodiscard]] bool listen(const QString& name);

signals:
    void raiseRequested();

private:
    QLocalServer* server_;
};

}  // namespace zavlin::shell::ui
