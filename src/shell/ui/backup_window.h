// The window of the backup and the restore of the database folder. Its logic
// is shell::TCopyFileBaza; this is only its face: the caption and buttons by
// mode, the chosen folder, the animation, the two progress bars and the
// status line. The run goes on a worker and reports through queued signals.
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "shell/backup.h"
#include "shell/ui/folder_choice.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zavlin::shell::ui {

class TCopyAnimation;

class TCopyFileBazaWindow : public QDialog {
    Q_OBJECT
public:
    TCopyFileBazaWindow(TCopyFileBaza& logic, QWidget* parent = nullptr);
    ~TCopyFileBazaWindow() override;

    // The folder choice of "Изменить"; tests set its chooser.
    TPapkaView PapkaView;

    // Sets the mode and shows the window modally without waiting; finished()
    // tells the result. Mode 0 starts its copy by itself.
    void Open(TBackupMode mode);
    // As Open, waiting for the window to close; true for the result "OK".
    bool Run(TBackupMode mode);
    bool running() const { return worker_.joinable(); }
    TBackupMode mode() const { return logic_.Mode; }

signals:
    void filesStarted(int pairs);
    void fileStarted(int index, const QString& source);
    void blocksStarted(int blocks);
    void blockDone();
    void fileDone(int index);
    void runFinished(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void done(int result) override;

private:
    class Observer;
    void prepare(TBackupMode mode);
    void startRun();
    void onRunFinished(bool ok);
    void changeFolder();
    void showFolder();

    TCopyFileBaza& logic_;
    std::unique_ptr<Observer> observer_;
    // Before the worker, which reads it until it is joined.
    std::atomic<bool> stop_{false};
    std::jthread worker_;

    QLabel* dateCopy_;
    QLabel* folder_;
    QPushButton* change_;
    QPushButton* copy_;
    QPushButton* restore_;
    QPushButton* cancel_;
    TCopyAnimation* animation_;
    QProgressBar* fileBar_;
    QProgressBar* blockBar_;
    QLabel* status_;
    QTimer* autoStart_;
};

}  // namespace zavlin::shell::ui
