// The backup window over a small database folder: the caption and buttons of
// each mode, the copy with both progress bars, the automatic start, the
// folder choice, and the restore with its result.
#include "shell/ui/backup_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "base/my_dialog.h"
#include "screenshot.h"
#include "shell/backup.h"
#include "shell/ui/qt_dialog.h"
#include "support/files.h"
#include "support/scratch_home.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::shell;
using namespace zavlin::shell::ui;
using zavlin::testsupport::readFile;
using zavlin::testsupport::ScratchHome;
using zavlin::testsupport::writeFile;

namespace {

constexpr int kLong = 60000;
constexpr std::size_t kBig = 65535 * 2 + 10;  // three blocks

}  // namespace

class BackupWindowTest : public QObject {
    Q_OBJECT

    struct Harness {
        ScratchHome home{"backup_gui"};
        TScriptedDialog dialog;
        std::unique_ptr<TCopyFileBaza> logic;
        std::unique_ptr<TCopyFileBazaWindow> window;
        std::string big;

        Harness() {
            const fs::path db = home.path() / "Database";
            fs::create_directories(db);
            big.assign(kBig, 'x');
            for (std::size_t i = 0; i < big.size(); i += 97)
                big[i] = static_cast<char>('a' + i % 26);
            writeFile(db / "YmGod.b0", "years");
            writeFile(db / "YmGryp.b0", big);
            writeFile(db / "god.Ini", "[God]\r\nActivGod=2026\r\n");
            writeFile(db / "_copybase.log", "old log");
            logic = std::make_unique<TCopyFileBaza>(home.path(), dialog);
            logic->PauseMs = 0;
            logic->ListFile = {(db).string() + "/*.*"};
            window = std::make_unique<TCopyFileBazaWindow>(*logic);
        }
        fs::path rem() const { return home.path() / "REM" / "Database"; }
        QPushButton* button(const char* name) const {
            return window->findChild<QPushButton*>(name);
        }
        QString label(const char* name) const { return window->findChild<QLabel*>(name)->text(); }
        QProgressBar* bar(const char* name) const { return window->findChild<QProgressBar*>(name); }
    };

private slots:
    void copyShowsProgressAndCopiesEveryFile() {
        Harness h;
        QSignalSpy files(h.window.get(), &TCopyFileBazaWindow::fileStarted);
        QSignalSpy blocks(h.window.get(), &TCopyFileBazaWindow::blocksStarted);
        QSignalSpy steps(h.window.get(), &TCopyFileBazaWindow::blockDone);
        QSignalSpy finished(h.window.get(), &QDialog::finished);

        h.window->Open(TBackupMode::Copy);
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Резервное копирование"));
        QVERIFY(h.button("CopyButton")->isVisible());
        QVERIFY(!h.button("RestoreButton")->isVisible());
        QCOMPARE(h.label("DateCopy"), QStringLiteral("не производилось."));
        QCOMPARE(h.label("PathCopy"), QString::fromStdString((h.home.path() / "REM").string()));
        // The picture is taken in the middle of the run, the big file copied.
        bool shot = false;
        connect(h.window.get(), &TCopyFileBazaWindow::fileDone, this, [&](int index) {
            if (index != 1 || shot) return;
            shot = true;
            QVERIFY(zavlin::test::saveScreenshot(h.window.get(), QStringLiteral("backup_window")));
        });

        QTest::mouseClick(h.button("CopyButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kLong);
        QCOMPARE(finished.at(0).at(0).toInt(), static_cast<int>(QDialog::Accepted));
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.window->mode(), TBackupMode::Automatic);  // closing resets the mode

        // Three files; the log of earlier backups stays behind.
        QCOMPARE(readFile(h.rem() / "YmGryp.b0"), h.big);
        QCOMPARE(readFile(h.rem() / "YmGod.b0"), std::string("years"));
        QVERIFY(fs::exists(h.rem() / "god.Ini"));
        QVERIFY(!fs::exists(h.rem() / "_copybase.log"));
        QCOMPARE(h.dialog.shown.back(), std::string("Скопировано файлов -3"));

        QCOMPARE(files.count(), 3);
        QCOMPARE(h.bar("FileBar")->maximum(), 3);
        QCOMPARE(h.bar("FileBar")->value(), 3);
        int blockTotal = 0;
        for (const auto& b : blocks) blockTotal += b.at(0).toInt();
        QCOMPARE(steps.count(), blockTotal);
        QVERIFY(blockTotal >= 5);  // the big file alone has three
        QCOMPARE(h.bar("BlockBar")->value(), h.bar("BlockBar")->maximum());
        QCOMPARE(h.label("StatusLine"), files.last().at(1).toString());

        // Shown again, the window tells when the last backup was made.
        h.window->Open(TBackupMode::Copy);
        QVERIFY(h.label("DateCopy") != QStringLiteral("не производилось."));
        QCOMPARE(h.bar("FileBar")->value(), 0);
        QTest::mouseClick(h.button("CancelButton"), Qt::LeftButton);
        QVERIFY(!h.window->isVisible());
    }

    void automaticModeStartsByItself() {
        Harness h;
        QSignalSpy finished(h.window.get(), &QDialog::finished);
        h.window->Open(TBackupMode::Automatic);
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Резервное копирование"));
        QVERIFY(!h.button("CopyButton")->isVisible());
        QVERIFY(!h.button("RestoreButton")->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kLong);
        QVERIFY(fs::exists(h.rem() / "YmGryp.b0"));
        QCOMPARE(h.dialog.shown.back(), std::string("Скопировано файлов -3"));
    }

    void changeAsksForAFolderAndKeepsIt() {
        Harness h;
        const std::string elsewhere = (h.home.path() / "elsewhere").string();
        QString title;
        h.window->PapkaView.Choose = [&](QWidget*, const QString& t, const QString&) {
            title = t;
            return QString::fromStdString(elsewhere + "/");
        };
        h.window->Open(TBackupMode::Copy);
        QTest::mouseClick(h.button("ChangeButton"), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("Резервная папка"));
        QCOMPARE(h.label("PathCopy"), QString::fromStdString(elsewhere));
        // A cancelled choice keeps the folder.
        h.window->PapkaView.Choose = [](QWidget*, const QString&, const QString&) {
            return QString();
        };
        QTest::mouseClick(h.button("ChangeButton"), Qt::LeftButton);
        QCOMPARE(h.label("PathCopy"), QString::fromStdString(elsewhere));
        QTest::mouseClick(h.button("CancelButton"), Qt::LeftButton);

        // The choice is stored: a new run reads it.
        TScriptedDialog quiet;
        TCopyFileBaza again(h.home.path(), quiet);
        again.ReadSettings();
        QCOMPARE(again.PathCopy, elsewhere);
    }

    void restoreReturnsTheFilesAndTheResult() {
        Harness h;
        QSignalSpy finished(h.window.get(), &QDialog::finished);
        QVERIFY(h.window->Run(TBackupMode::Automatic));
        const fs::path db = h.home.path() / "Database";
        QVERIFY(writeFile(db / "YmGryp.b0", "changed after the backup"));

        h.window->Open(TBackupMode::Restore);
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Резервное восстановление"));
        QVERIFY(!h.button("CopyButton")->isVisible());
        QVERIFY(h.button("RestoreButton")->isVisible());

        // "Нет" to the warning: nothing restored, the window stays for "Отказ".
        h.dialog.queue(false);
        QTest::mouseClick(h.button("RestoreButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!h.window->running(), kLong);
        QTRY_VERIFY(h.button("RestoreButton")->isEnabled());
        QVERIFY(h.window->isVisible());
        QCOMPARE(readFile(db / "YmGryp.b0"), std::string("changed after the backup"));
        QTest::mouseClick(h.button("CancelButton"), Qt::LeftButton);
        QCOMPARE(finished.count(), 2);
        QCOMPARE(finished.last().at(0).toInt(), static_cast<int>(QDialog::Rejected));

        h.window->Open(TBackupMode::Restore);
        h.dialog.queue(true);
        QTest::mouseClick(h.button("RestoreButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, kLong);
        QCOMPARE(finished.last().at(0).toInt(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(readFile(db / "YmGryp.b0"), h.big);
        QVERIFY(h.dialog.asked.back().starts_with(
            "Востановление приведет к потере изменений данных после "));
        QVERIFY(h.dialog.shown.back().starts_with("Востановлено файлов -3"));
    }

    // The window going while its run waits for an answer on the window
    // thread: the wait must end ("Нет") instead of hanging the window
    // thread's join, and the restore must not go ahead unasked.
    void closingWhileTheRunAsksEndsTheRun() {
        Harness h;
        QVERIFY(h.window->Run(TBackupMode::Automatic));
        const fs::path db = h.home.path() / "Database";
        QVERIFY(writeFile(db / "YmGryp.b0", "changed after the backup"));
        TGuiThreadDialog onWindowThread(h.dialog);
        TCopyFileBaza logic(h.home.path(), onWindowThread);
        logic.PauseMs = 0;
        logic.ReadSettings();
        auto window = std::make_unique<TCopyFileBazaWindow>(logic);
        window->Open(TBackupMode::Restore);
        h.dialog.queue(true);
        const std::size_t asked = h.dialog.asked.size();
        QTest::mouseClick(window->findChild<QPushButton*>("RestoreButton"), Qt::LeftButton);
        QVERIFY(window->running());
        window.reset();
        QCOMPARE(h.dialog.asked.size(), asked);
        QCOMPARE(readFile(db / "YmGryp.b0"), std::string("changed after the backup"));
        // A question posted before the window went is dropped, not answered.
        QCoreApplication::processEvents();
        QCOMPARE(h.dialog.asked.size(), asked);
    }
};

QTEST_MAIN(BackupWindowTest)
#include "backup_window_test.moc"
