// The main window over a sample college: the lists, the week selection and
// what it stores, the menu's checks, the year operations, the close sequence
// and the locked shell. Questions are answered by a scripted dialog; the Qt
// box itself is answered by clicking it. With ZAVLIN_SCREENSHOTS set to a
// folder the windows are also saved there as pictures.
#include "shell/ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "base/core_hooks.h"
#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "model/god.h"
#include "model/group.h"
#include "screenshot.h"
#include "settings/settings_file.h"
#include "shell/shell.h"
#include "shell/ui/backup_window.h"
#include "shell/ui/instance_channel.h"
#include "shell/ui/list_box_numer.h"
#include "shell/ui/new_year_dialog.h"
#include "shell/ui/qt_dialog.h"
#include "shell/ui/splash.h"
#include "support/scratch_home.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::shell;
using namespace zavlin::shell::ui;
using zavlin::testsupport::ScratchHome;

namespace {

constexpr int kLong = 60000;  // a start-up under the sanitizers

// A scripted dialog that lets a test look at the window when a question comes.
class WatchedDialog : public TScriptedDialog {
public:
    std::function<void(const std::string&)> onAsk;
    bool MessageDlg(const std::string& Msg, const std::string& Caption) override {
        if (onAsk) onAsk(Msg);
        return TScriptedDialog::MessageDlg(Msg, Caption);
    }
};

std::string iniValue(const fs::path& folder, const std::string& file, const std::string& section,
                     const std::string& key) {
    TConsoleDialog quiet;
    TCoreHooks hooks(quiet);
    TFileIni ini(hooks, folder);
    ini.SetFileName(file);
    return ini.ReadString(section, key);
}

void setIniValue(const fs::path& folder, const std::string& file, const std::string& section,
                 const std::string& key, const std::string& value) {
    TConsoleDialog quiet;
    TCoreHooks hooks(quiet);
    TFileIni ini(hooks, folder);
    ini.SetFileName(file);
    QVERIFY(ini.WriteString(section, key, value));
}

void clickItem(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    QVERIFY(item != nullptr);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

int selectedCount(QListWidget* list) {
    return static_cast<int>(list->selectedItems().size());
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    fs::path template_;  // the sample college, copied for each test
    std::unique_ptr<ScratchHome> templateHome_;

    // One test's window over its own copy of the sample college.
    struct Harness {
        ScratchHome home{"gui"};
        WatchedDialog dialog;
        std::unique_ptr<TForm1> window;
        std::vector<QString> opened;  // help pages

        fs::path db() const { return home.path() / "Database"; }
        TListBoxNumer* years() const { return window->findChild<TListBoxNumer*>("ListBoxN1"); }
        TListBoxNumer* weeks() const { return window->findChild<TListBoxNumer*>("ListBoxN3"); }
        QString count() const { return window->findChild<QLabel*>("LabelCount")->text(); }
        std::string storedWeeks() const { return iniValue(db(), "god.Ini", "YhGod2026", "Week"); }
    };

    std::unique_ptr<Harness> make() {
        auto h = std::make_unique<Harness>();
        std::error_code ec;
        fs::copy(template_, h->home.path(), fs::copy_options::recursive, ec);
        if (ec) qFatal("cannot copy the sample college: %s", ec.message().c_str());
        return h;
    }

    // Builds and starts the window; the test goes on once the start-up ended.
    void start(Harness& h, TStartOutcome expected = TStartOutcome::Running) {
        h.window = std::make_unique<TForm1>(h.home.path(), h.dialog);
        h.window->CopyBaza().PauseMs = 0;
        h.window->helpOpener = [&h](const QString& path) {
            h.opened.push_back(path);
            return true;
        };
        QSignalSpy started(h.window.get(), &TForm1::started);
        h.window->show();
        h.window->Start();
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, kLong);
        QCOMPARE(started.at(0).at(0).toInt(), static_cast<int>(expected));
        QVERIFY(!h.window->busy());
    }

    void waitIdle(Harness& h) { QTRY_VERIFY_WITH_TIMEOUT(!h.window->busy(), kLong); }

    // A backup of the home as it is now, made without a window.
    void backUpNow(Harness& h) {
        TScriptedDialog quiet;
        TCopyFileBaza backup(h.home.path(), quiet);
        backup.PauseMs = 0;
        backup.ReadSettings();
        QVERIFY(backup.Copy(nullptr));
    }

    // "Резервное восстановление" answered "Да" and "Востановить" clicked; the
    // test goes on once the start-up that follows it reported to `started`.
    void restoreThroughWindow(Harness& h, QSignalSpy& started) {
        h.dialog.queue(true);
        h.window->MenuAction("N62")->trigger();
        TCopyFileBazaWindow* backup = h.window->BackupWindow();
        QTRY_VERIFY(backup->isVisible());
        QCOMPARE(backup->windowTitle(), QStringLiteral("Резервное восстановление"));
        QTest::mouseClick(backup->findChild<QPushButton*>("RestoreButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, kLong);
    }

private slots:
    void initTestCase() {
        templateHome_ = std::make_unique<ScratchHome>("gui_template");
        template_ = templateHome_->path();
        TScriptedDialog quiet;
        demo::SampleOptions options;
        options.size = demo::SampleSize::S;
        const demo::SampleResult made = demo::createSampleCollege(template_, options, quiet);
        QVERIFY2(made.ok, made.message.c_str());
    }

    void startShowsYearsAndActiveWeeks() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(h->years()->count(), 1);
        QCOMPARE(h->years()->item(0)->text(), QStringLiteral("2026-2027"));
        QCOMPARE(h->years()->GetNumer(0), 2026);
        QCOMPARE(h->years()->currentRow(), 0);
        QCOMPARE(h->weeks()->count(), kWeekItems);
        QCOMPARE(h->weeks()->GetNumer(0), 1);
        QCOMPARE(h->weeks()->GetNumer(55), 56);
        QVERIFY(h->weeks()->item(0)->text().contains(QStringLiteral(" c ")));
        QVERIFY(h->weeks()->item(0)->text().contains(QStringLiteral(" по ")));
        QCOMPARE(h->weeks()->item(52)->text(), QStringLiteral("1Допонительная"));
        QCOMPARE(h->weeks()->item(55)->text(), QStringLiteral("4Допонительная"));
        // The sample's numerator and denominator weeks.
        QVERIFY(h->weeks()->item(52)->isSelected());
        QVERIFY(h->weeks()->item(53)->isSelected());
        QCOMPARE(selectedCount(h->weeks()), 2);
        QCOMPARE(h->count(), QStringLiteral("2"));
        // A year is active: every menu and the tool panel are there.
        QVERIFY(h->window->MenuNamed("&Расписание")->menuAction()->isEnabled());
        QVERIFY(h->window->MenuNamed("&Год")->menuAction()->isVisible());
        QVERIFY(h->window->MenuAction("N70")->isEnabled());
        QVERIFY(h->window->findChild<QWidget*>("Panel1")->isVisible());
        QVERIFY(h->window->findChild<QWidget*>("ListBoxN3")->isVisible());
        QCOMPARE(h->window->windowTitle(), QStringLiteral("Завлин 98"));
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("Start"));
        QVERIFY(h->dialog.shown.empty());

        if (!qEnvironmentVariableIsEmpty("ZAVLIN_SCREENSHOTS")) {
            // The picture shows a working selection: the first weeks of the term too.
            for (int row = 0; row < 4; ++row) clickItem(h->weeks(), row);
            h->weeks()->scrollToTop();
            QCOMPARE(h->count(), QStringLiteral("6"));
            QVERIFY(zavlin::test::saveScreenshot(h->window.get(), QStringLiteral("main_window")));
        }
    }

    void everyMenuItemIsInTheMenu() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        for (const TMenuItem& item : MenuItems()) {
            QAction* a = h->window->MenuAction(item.component);
            QVERIFY2(a != nullptr, item.component.c_str());
            QCOMPARE(a->text(), QString::fromStdString(item.path.back()));
        }
        for (const char* top : {"&Год", "&Расписание", "&Замены", "&Вычитка", "Справка",
                                "Доп. Возможности", "Экспорт данных"})
            QVERIFY2(h->window->MenuNamed(top) != nullptr, top);
        // The tool panel's buttons lead to the items of their menu.
        for (const TMenuItem& item : MenuItems())
            if (!item.speedButton.empty())
                QVERIFY2(h->window->findChild<QToolButton*>(
                             QString::fromStdString(item.speedButton)) != nullptr,
                         item.speedButton.c_str());
    }

    void plusMinusAndClicksStoreTheWeeks() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        const std::string before = h->storedWeeks();
        QCOMPARE(before.size(), std::size_t{kWeekItems});

        QTest::mouseClick(h->window->findChild<QToolButton*>("PlusButton"), Qt::LeftButton);
        QCOMPARE(selectedCount(h->weeks()), kWeekItems);
        QCOMPARE(h->count(), QStringLiteral("56"));
        QCOMPARE(h->window->Shell().Facts().activeWeeks, kWeekItems);
        QCOMPARE(h->storedWeeks(), before);  // "+" changes the flags only
        // Leaving the list stores what it shows.
        h->window->activateWindow();
        QTRY_VERIFY(h->window->isActiveWindow());
        h->weeks()->setFocus();
        QTRY_VERIFY(h->weeks()->hasFocus());
        h->years()->setFocus();
        QTRY_COMPARE(h->storedWeeks(), std::string(kWeekItems, '1'));

        QTest::mouseClick(h->window->findChild<QToolButton*>("MinusButton"), Qt::LeftButton);
        QCOMPARE(selectedCount(h->weeks()), 0);
        QCOMPARE(h->count(), QStringLiteral("0"));
        QCOMPARE(h->window->Shell().Facts().activeWeeks, 0);
        // Leaving the list with nothing chosen stores nothing either.
        h->weeks()->setFocus();
        QTRY_VERIFY(h->weeks()->hasFocus());
        h->years()->setFocus();
        QTRY_VERIFY(h->years()->hasFocus());
        QCOMPARE(h->storedWeeks(), std::string(kWeekItems, '1'));

        // A click chooses week 3 and stores the choice at once.
        clickItem(h->weeks(), 2);
        QCOMPARE(h->count(), QStringLiteral("1"));
        std::string expected(kWeekItems, '0');
        expected[2] = '1';
        QCOMPARE(h->storedWeeks(), expected);
        const auto flags = h->window->Shell().ActiveWeeks();
        QVERIFY(flags[2]);
        QCOMPARE(h->window->Shell().Facts().activeWeeks, 1);
    }

    void menuChecksAndUnfinishedWindows() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        // With no week chosen, a composition item is refused with the check's text.
        QTest::mouseClick(h->window->findChild<QToolButton*>("MinusButton"), Qt::LeftButton);
        h->window->MenuAction("N21")->trigger();
        QCOMPARE(h->dialog.shown.size(), std::size_t{1});
        QCOMPARE(h->dialog.shown.back(), std::string("Нет выбранных активных недель."));
        // The tool panel asks the same checks.
        QTest::mouseClick(h->window->findChild<QToolButton*>("SpeedButton2"), Qt::LeftButton);
        QCOMPARE(h->dialog.shown.back(), std::string("Нет выбранных активных недель."));

        // An allowed item whose window this version lacks says so once.
        QTest::mouseClick(h->window->findChild<QToolButton*>("PlusButton"), Qt::LeftButton);
        h->dialog.shown.clear();
        QTest::mouseClick(h->window->findChild<QToolButton*>("SpeedButton12"), Qt::LeftButton);
        QCOMPARE(h->dialog.shown.size(), std::size_t{1});
        QCOMPARE(h->dialog.shown.back(),
                 std::string("Окно «Ввод названий групп» ещё не готово в этой версии."));
        // More than four weeks: the preliminary settings are refused.
        h->window->MenuAction("N51")->trigger();
        QCOMPARE(h->dialog.shown.back(), std::string("Выбрано более 4 активных недель"));

        h->window->MenuAction("N25")->trigger();
        QCOMPARE(h->dialog.shown.back(), "Версия сборки :" + ApplicationVersion());
        QVERIFY(h->dialog.asked.empty());

        // The exams button has a caption but no hint of its own.
        auto* exams = h->window->findChild<QToolButton*>("SpeedButton17");
        QCOMPARE(exams->text(), QStringLiteral("Экзамены"));
        QCOMPARE(exams->toolTip(), QString());
    }

    void openersGetTheWindowsTheyKnow() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        std::vector<std::string> opened;
        // The first opener knows no window; the second knows the group list
        // and, as a window may, changes the active weeks while it is open.
        h->window->windowOpeners.push_back(
            [](const std::string&, TWindowContext&) { return false; });
        h->window->windowOpeners.push_back(
            [&opened](const std::string& window, TWindowContext& context) {
                if (window != "TForm2" && window != "TForm5_5") return false;
                opened.push_back(window);
                std::array<bool, kWeekItems> weeks{};
                weeks[4] = true;
                return context.shell.SetActiveWeeks(weeks, true);
            });
        QTest::mouseClick(h->window->findChild<QToolButton*>("SpeedButton12"), Qt::LeftButton);
        QCOMPARE(opened, std::vector<std::string>{"TForm2"});
        QVERIFY(h->dialog.shown.empty());
        // The week list shows what the window left.
        QCOMPARE(selectedCount(h->weeks()), 1);
        QVERIFY(h->weeks()->item(4)->isSelected());
        QCOMPARE(h->count(), QStringLiteral("1"));
        // A window opens another one through the context; unknown ones are refused.
        QVERIFY(h->window->WindowContext().openWindow("TForm5_5"));
        QVERIFY(!h->window->WindowContext().openWindow("TForm99"));
        QCOMPARE(opened.size(), std::size_t{2});
        // Items no opener knows still say that their window is missing.
        h->window->MenuAction("N13")->trigger();
        QCOMPARE(h->dialog.shown.size(), std::size_t{1});
        QCOMPARE(h->dialog.shown.back(),
                 std::string("Окно «Список аудиторий» ещё не готово в этой версии."));
    }

    // A window whose work must not be kept (a composition whose files
    // failed) leaves the year to be read again instead of saved, even from an
    // item that saves.
    void droppedWorkIsReadAgainNotSaved() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        std::array<bool, kWeekItems> weeks{};
        weeks[0] = true;
        QVERIFY(h->window->Shell().SetActiveWeeks(weeks, true));
        const int subjects = h->window->Shell().God()->LGryp.front()->CountPredmet();
        QVERIFY(subjects > 0);
        h->window->windowOpeners.push_back([](const std::string& window, TWindowContext& context) {
            if (window != "TForm12") return false;
            TGryp& group = *context.shell.God()->LGryp.front();
            (void)group.DelPredmet(0, false);
            context.dropChanges = true;
            return true;
        });
        h->window->MenuAction("N14")->trigger();
        waitIdle(*h);
        QVERIFY(h->dialog.shown.empty());
        QCOMPARE(h->window->Shell().God()->LGryp.front()->CountPredmet(), subjects);
    }

    void helpPagesOpenFromTheMenu() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        h->window->MenuAction("N48")->trigger();
        h->window->MenuAction("N50")->trigger();
        h->window->MenuAction("N56")->trigger();
        QTest::mouseClick(h->window->findChild<QToolButton*>("SpeedButton3"), Qt::LeftButton);
        QCOMPARE(h->opened.size(), std::size_t{4});
        QVERIFY(h->opened[0].endsWith(QStringLiteral("/about.html")));
        QVERIFY(h->opened[1].endsWith(QStringLiteral("/menu.html")));
        QVERIFY(h->opened[2].endsWith(QStringLiteral("/howto.html")));
        for (const QString& page : h->opened)
            QVERIFY2(fs::exists(page.toStdString()), qPrintable(page));
        QVERIFY(h->dialog.shown.empty());
    }

    void newYearWindowCreatesAYear() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy changed(h->window.get(), &TForm1::yearsChanged);
        h->window->currentYear = [] { return 2031; };
        h->window->MenuAction("N69")->trigger();
        TForm1_1* form = h->window->NewYearWindow();
        QTRY_VERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("Новый Учебный  Год"));
        auto* spin = form->findChild<QSpinBox*>("SpinEdit1");
        auto* next = form->findChild<QLabel*>("NextYear");
        QCOMPARE(spin->value(), 2031);
        QCOMPARE(spin->minimum(), 1900);
        QCOMPARE(spin->maximum(), 3000);
        spin->setValue(2027);
        QCOMPARE(next->text(), QStringLiteral("2028"));
        QVERIFY(zavlin::test::saveScreenshot(form, QStringLiteral("new_year")));
        QTest::mouseClick(form->findChild<QPushButton*>("OkButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kLong);
        waitIdle(*h);

        QCOMPARE(h->years()->count(), 2);
        const int row = h->years()->Find("2027-2028");
        QVERIFY(row >= 0);
        QCOMPARE(h->years()->currentRow(), row);
        QCOMPARE(h->years()->GetNumer(), 2027);
        QCOMPARE(h->weeks()->count(), kWeekItems);
        QVERIFY(selectedCount(h->weeks()) >= 1);
        // Copied from 2026: the reference lists came along.
        QVERIFY(h->window->Shell().Facts().groups > 0);
        QVERIFY(h->dialog.shown.empty());

        // The same year again is refused and changes nothing.
        h->window->MenuAction("N69")->trigger();
        QTRY_VERIFY(form->isVisible());
        spin->setValue(2026);
        QTest::mouseClick(form->findChild<QPushButton*>("OkButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, kLong);
        QCOMPARE(h->dialog.shown.back(), std::string("2026- Год уже существует!"));
        QCOMPARE(h->years()->count(), 2);

        // "Отказ" does nothing at all.
        h->window->MenuAction("N69")->trigger();
        QTRY_VERIFY(form->isVisible());
        QTest::mouseClick(form->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QVERIFY(!h->window->busy());
        QCOMPARE(changed.count(), 2);
    }

    void choosingAYearLoadsIt() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy changed(h->window.get(), &TForm1::yearsChanged);
        h->window->MenuAction("N69")->trigger();
        h->window->NewYearWindow()->SetYear(2030);
        h->window->NewYearWindow()->accept();
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kLong);
        QCOMPARE(h->window->Shell().God() != nullptr, true);
        QCOMPARE(h->years()->GetNumer(), 2030);

        clickItem(h->years(), h->years()->Find("2026-2027"));
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, kLong);
        waitIdle(*h);
        QCOMPARE(h->years()->GetNumer(), 2026);
        QVERIFY(h->weeks()->item(52)->isSelected());
        QCOMPARE(h->count(), QStringLiteral("2"));
    }

    void deleteYearAnsweredNoChangesNothing() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy changed(h->window.get(), &TForm1::yearsChanged);
        h->dialog.queue(false);
        h->window->MenuAction("N70")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kLong);
        QCOMPARE(h->dialog.asked.size(), std::size_t{1});
        QVERIFY(h->dialog.asked[0].starts_with("Удалив учебный год"));
        QCOMPARE(h->years()->count(), 1);
        QVERIFY(h->window->Shell().God() != nullptr);
        QVERIFY(!fs::exists(h->home.path() / "REM"));

        // "Да" and then "Нет" at the second question: still nothing.
        h->dialog.queue(true);
        h->dialog.queue(false);
        h->window->MenuAction("N70")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, kLong);
        QCOMPARE(h->dialog.asked.back(), std::string("Удалить  год? (2026-2027)"));
        QCOMPARE(h->years()->count(), 1);
        QVERIFY(h->weeks()->isVisible());
    }

    void deleteYearBacksUpFirst() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy changed(h->window.get(), &TForm1::yearsChanged);
        h->dialog.queue(true);
        h->dialog.queue(true);
        h->window->MenuAction("N70")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kLong);
        // The automatic backup ran before the deletion.
        QVERIFY(fs::exists(h->home.path() / "REM" / "Database" / "YmGod.b0"));
        QCOMPARE(h->years()->count(), 0);
        QVERIFY(h->window->Shell().God() == nullptr);
        QVERIFY(!h->window->findChild<QWidget*>("WeekPane")->isVisible());
        QVERIFY(!h->window->findChild<QWidget*>("Panel1")->isVisible());
        QVERIFY(!h->window->MenuNamed("&Расписание")->menuAction()->isEnabled());
        QVERIFY(!h->window->MenuAction("N70")->isEnabled());
        const auto& shown = h->dialog.shown;
        QVERIFY(std::find_if(shown.begin(), shown.end(), [](const std::string& s) {
                    return s.starts_with("Скопировано файлов -");
                }) != shown.end());
        QCOMPARE(shown.back(),
                 std::string("Выберите(выделите)или введите новый активный учебный год."));
    }

    // A failed automatic backup leaves nothing to restore: the year stays.
    void deleteYearKeepsTheYearWithoutABackup() {
        auto h = make();
        // The backup folder cannot be made: a file holds its name.
        {
            std::ofstream blocker(h->home.path() / "REM");
            blocker << "not a folder";
        }
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy changed(h->window.get(), &TForm1::yearsChanged);
        h->dialog.queue(true);
        h->dialog.queue(true);
        h->window->MenuAction("N70")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kLong);
        waitIdle(*h);
        QCOMPARE(h->dialog.shown.back(),
                 std::string("Резервная копия не создана. Учебный год не удалён."));
        QCOMPARE(h->years()->count(), 1);
        QVERIFY(h->window->Shell().God() != nullptr);
        QVERIFY(h->window->MenuAction("N70")->isEnabled());
        QVERIFY(h->weeks()->isVisible());
    }

    void closeWritesTheMarkersAndRemindsOfTheBackup() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        // No backup was ever made, so the reminder is due; "Нет" skips it.
        // The tool panel and the menus are gone before it is asked.
        bool hiddenAtReminder = false;
        h->dialog.onAsk = [&](const std::string&) {
            hiddenAtReminder =
                !h->window->MenuNamed("&Год")->menuAction()->isVisible() &&
                !h->window->MenuNamed("&Расписание")->menuAction()->isVisible() &&
                !h->window->findChild<QWidget*>("Panel1")->isVisibleTo(h->window.get());
        };
        h->dialog.queue(false);
        h->window->close();
        QVERIFY(hiddenAtReminder);
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("OK"));
        QCOMPARE(iniValue(h->db(), "god.Ini", "Database", "Vers"), std::string("4"));
        QCOMPARE(iniValue(h->db(), "god.Ini", "God", "ActivGod"), std::string("2026"));
        QCOMPARE(h->dialog.asked.size(), std::size_t{1});
        QCOMPARE(h->dialog.asked[0],
                 std::string("Резервное копирование было более 7 дней назад. Копировать?"));
        QVERIFY(!fs::exists(h->home.path() / "REM"));
        QVERIFY(!h->window->MenuNamed("&Год")->menuAction()->isVisible());
        QVERIFY(!h->window->findChild<QWidget*>("Panel1")->isVisibleTo(h->window.get()));
    }

    void closeRunsTheRemindedBackup() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        h->dialog.queue(true);
        QTest::keyClick(h->window.get(), Qt::Key_Escape);  // nothing closes on Escape
        QVERIFY(h->window->isVisible());
        h->window->MenuAction("N5")->trigger();  // "Вы&Ход"
        QVERIFY(!h->window->isVisible());
        QVERIFY(fs::exists(h->home.path() / "REM" / "Database" / "YmGod.b0"));
        QVERIFY(!h->dialog.shown.empty());
        QVERIFY(h->dialog.shown.back().starts_with("Скопировано файлов -"));
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("OK"));
    }

    void restoreStartsTheShellOver() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy changed(h->window.get(), &TForm1::yearsChanged);
        QSignalSpy started(h->window.get(), &TForm1::started);
        TCopyFileBazaWindow* backup = h->window->BackupWindow();

        h->window->MenuAction("N61")->trigger();
        QTRY_VERIFY(backup->isVisible());
        QCOMPARE(backup->windowTitle(), QStringLiteral("Резервное копирование"));
        QTest::mouseClick(backup->findChild<QPushButton*>("CopyButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!backup->isVisible(), kLong);
        QVERIFY(h->dialog.shown.back().starts_with("Скопировано файлов -"));
        QCOMPARE(changed.count(), 0);  // a copy reloads nothing
        QCOMPARE(started.count(), 0);

        // A week chosen after the backup is undone by the restore, in the
        // lists and in the stored settings alike.
        const std::string stored = h->storedWeeks();
        clickItem(h->weeks(), 0);
        QCOMPARE(h->count(), QStringLiteral("3"));
        QVERIFY(h->storedWeeks() != stored);

        restoreThroughWindow(*h, started);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(started.at(0).at(0).toInt(), static_cast<int>(TStartOutcome::Running));
        waitIdle(*h);
        QVERIFY(h->dialog.shown.back().starts_with("Востановлено файлов -"));
        QCOMPARE(h->years()->count(), 1);
        QCOMPARE(h->count(), QStringLiteral("2"));
        QVERIFY(!h->weeks()->item(0)->isSelected());
        QCOMPARE(h->storedWeeks(), stored);

        // "Отказ" in restore mode reloads nothing.
        h->window->MenuAction("N62")->trigger();
        QTRY_VERIFY(backup->isVisible());
        QTest::mouseClick(backup->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        QVERIFY(!backup->isVisible());
        QCOMPARE(started.count(), 1);

        // The close after it keeps what was restored.
        h->window->close();
        QCOMPARE(h->storedWeeks(), stored);
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("OK"));
    }

    // A restored database of another structure version goes through the
    // start-up ladder; the replaced database's close sequence never marks it.
    void restoreOfANewerDatabaseOnARunningShellLocksIt() {
        auto h = make();
        setIniValue(h->db(), "god.Ini", "Database", "Vers", "5");
        backUpNow(*h);
        setIniValue(h->db(), "god.Ini", "Database", "Vers", "4");
        if (QTest::currentTestFailed()) return;
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy started(h->window.get(), &TForm1::started);

        restoreThroughWindow(*h, started);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(started.at(0).at(0).toInt(), static_cast<int>(TStartOutcome::Locked));
        waitIdle(*h);
        QVERIFY(!h->window->Shell().GoodStart());
        QCOMPARE(h->years()->count(), 0);
        QVERIFY(!h->window->MenuNamed("&Год")->menuAction()->isVisible());
        QVERIFY(!h->window->MenuAction("N61")->isEnabled());
        h->window->close();
        QCOMPARE(iniValue(h->db(), "god.Ini", "Database", "Vers"), std::string("5"));
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("Start"));
    }

    // Only the opening of the restore window counts as a restore: a later
    // automatic backup (that of a year deletion) must not restart the shell
    // while the deletion's worker waits for it.
    void aCancelledRestoreIsNoRestoreForALaterBackup() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        QSignalSpy started(h->window.get(), &TForm1::started);
        QSignalSpy changed(h->window.get(), &TForm1::yearsChanged);
        TCopyFileBazaWindow* backup = h->window->BackupWindow();
        h->window->MenuAction("N62")->trigger();
        QTRY_VERIFY(backup->isVisible());
        QTest::mouseClick(backup->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        QVERIFY(!backup->isVisible());

        h->dialog.queue(true);
        h->dialog.queue(true);
        h->window->MenuAction("N70")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kLong);
        waitIdle(*h);
        QVERIFY(fs::exists(h->home.path() / "REM" / "Database" / "YmGod.b0"));
        QCOMPARE(h->years()->count(), 0);
        QCOMPARE(started.count(), 0);
        h->window->close();
        QCOMPARE(started.count(), 0);
        QVERIFY(!h->window->busy());
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("OK"));
    }

    void restoreOnALockedShellStartsItOver() {
        auto h = make();
        backUpNow(*h);
        setIniValue(h->db(), "god.Ini", "Database", "Vers", "5");
        if (QTest::currentTestFailed()) return;
        start(*h, TStartOutcome::Locked);
        if (QTest::currentTestFailed()) return;
        QSignalSpy started(h->window.get(), &TForm1::started);

        restoreThroughWindow(*h, started);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(started.at(0).at(0).toInt(), static_cast<int>(TStartOutcome::Running));
        waitIdle(*h);
        QCOMPARE(iniValue(h->db(), "god.Ini", "Database", "Vers"), std::string("4"));
        QCOMPARE(h->years()->count(), 1);
        QCOMPARE(h->count(), QStringLiteral("2"));
        QVERIFY(h->window->MenuNamed("&Год")->menuAction()->isVisible());
        QVERIFY(h->window->MenuAction("N61")->isEnabled());
        const std::size_t asked = h->dialog.asked.size();
        h->window->close();  // the backup is fresh: no reminder
        QCOMPARE(h->dialog.asked.size(), asked);
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("OK"));
    }

    void newerDatabaseLocksTheShell() {
        auto h = make();
        setIniValue(h->db(), "god.Ini", "Database", "Vers", "5");
        if (QTest::currentTestFailed()) return;
        const std::string endBefore = iniValue(h->home.path(), "Zavlin98.ini", "Program", "End");
        start(*h, TStartOutcome::Locked);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(h->dialog.shown.size(), std::size_t{1});
        QVERIFY(h->dialog.shown[0].starts_with(
            "База данных создана версией программы с более поздней датой"));
        for (const char* hidden : {"&Год", "&Расписание", "&Замены", "&Вычитка", "Экспорт данных"})
            QVERIFY2(!h->window->MenuNamed(hidden)->menuAction()->isVisible(), hidden);
        QVERIFY(h->window->MenuNamed("Справка")->menuAction()->isVisible());
        QVERIFY(h->window->MenuNamed("Доп. Возможности")->menuAction()->isVisible());
        QVERIFY(!h->window->MenuAction("N61")->isEnabled());
        QVERIFY(h->window->MenuAction("N62")->isEnabled());
        QVERIFY(h->window->MenuAction("N5")->isVisible());
        QVERIFY(!h->window->findChild<QWidget*>("Panel1")->isVisible());
        QCOMPARE(h->years()->count(), 0);

        // A close after a failed start asks nothing and writes no marker.
        h->window->close();
        QCOMPARE(h->dialog.asked.size(), std::size_t{0});
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), endBefore);
        QCOMPARE(iniValue(h->db(), "god.Ini", "Database", "Vers"), std::string("5"));
    }

    void anUncleanEndReindexesBehindTheSplash() {
        auto h = make();
        setIniValue(h->home.path(), "Zavlin98.ini", "Program", "End", "Start");
        if (QTest::currentTestFailed()) return;
        h->window = std::make_unique<TForm1>(h->home.path(), h->dialog);
        QSignalSpy texts(h->window.get(), &TForm1::statusText);
        QSignalSpy started(h->window.get(), &TForm1::started);
        h->window->show();
        h->window->Start();
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, kLong);
        QCOMPARE(started.at(0).at(0).toInt(), static_cast<int>(TStartOutcome::Running));
        bool reindexed = false;
        for (const auto& t : texts)
            reindexed = reindexed || t.at(0).toString().startsWith(QStringLiteral("Реиндексация "));
        QVERIFY(reindexed);
        QVERIFY(h->dialog.shown.empty());
        QCOMPARE(h->years()->count(), 1);
        // The splash is gone once the lists are filled.
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(qobject_cast<TSplash*>(w) == nullptr || !w->isVisible());
    }

    void aMissingSettingsFileIsSaidOnceAndMade() {
        auto h = make();
        fs::remove(h->home.path() / "Zavlin98.ini");
        start(*h);
        if (QTest::currentTestFailed()) return;
        int said = 0;
        for (const std::string& text : h->dialog.shown)
            if (text.starts_with("Фаил не обнаружен: ")) {
                ++said;
                QVERIFY2(text.ends_with("Zavlin98.ini Создаю новый"), text.c_str());
            }
        QCOMPARE(said, 1);
        QCOMPARE(iniValue(h->home.path(), "Zavlin98.ini", "Program", "End"), std::string("Start"));
        QCOMPARE(h->years()->count(), 1);
    }

    void aSecondCopyBringsTheFirstForward() {
        auto h = make();
        start(*h);
        if (QTest::currentTestFailed()) return;
        ScratchHome other("gui_other");
        const QString name = instanceServerName(h->home.path());
        QCOMPARE(instanceServerName(h->home.path()), name);
        QVERIFY(instanceServerName(other.path()) != name);

        TRaiseListener listener;
        QVERIFY(listener.listen(name));
        QSignalSpy asked(&listener, &TRaiseListener::raiseRequested);
        connect(&listener, &TRaiseListener::raiseRequested, h->window.get(), &TForm1::bringToFront);
        h->window->showMinimized();
        QTRY_VERIFY(h->window->isMinimized());
        QVERIFY(askRunningCopyToRaise(name));
        QTRY_COMPARE(asked.count(), 1);
        QTRY_VERIFY(!h->window->isMinimized());
        QVERIFY(h->window->isVisible());
        // Nobody listens for the other home.
        QVERIFY(!askRunningCopyToRaise(instanceServerName(other.path())));
        QCOMPARE(asked.count(), 1);
    }

    void splashShowsTheStatusLine() {
        TSplash splash;
        splash.setStatus(QStringLiteral("Реиндексация YmGryp.b0"));
        QCOMPARE(splash.status(), QStringLiteral("Реиндексация YmGryp.b0"));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        // The picture is drawn, not blank: the name's letters leave white pixels.
        const QImage picture = splash.grab().toImage();
        int white = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2)
                if (picture.pixelColor(x, y) == Qt::white) ++white;
        QVERIFY(white > 100);
        QVERIFY(zavlin::test::saveScreenshot(&splash, QStringLiteral("splash")));
    }

    void keyedListsKeepTextAndKeyTogether() {
        TListBoxNumer list;
        list.Add("2016-2017", 2016);
        list.Add("2018-2019", 2018);
        list.Insert("2017-2018", 2017, 1);
        list.Insert("2020-2021", 2020, 99);  // past the end: appended
        QCOMPARE(list.count(), 4);
        QCOMPARE(list.GetNumer(1), 2017);
        QCOMPARE(list.GetNumer(3), 2020);
        QCOMPARE(list.Find("2018-2019"), 2);
        QCOMPARE(list.Find("1999-2000"), -1);
        QCOMPARE(list.GetNumer(), -1);  // nothing current
        list.setCurrentRow(2);
        QCOMPARE(list.GetNumer(), 2018);
        list.Delete(0);
        list.Delete(7);  // out of range: ignored
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.GetNumer(0), 2017);
        QCOMPARE(list.GetNumer(9), -1);
        list.Clear();
        QCOMPARE(list.count(), 0);

        TComboBoxNumer combo;
        combo.Add("Б", 2);
        combo.Insert("А", 1, 0);
        combo.Add("В", 3);
        QCOMPARE(combo.GetNumer(0), 1);
        QCOMPARE(combo.Find("В"), 2);
        combo.setCurrentIndex(1);
        QCOMPARE(combo.GetNumer(), 2);
        combo.Delete(1);
        QCOMPARE(combo.GetNumer(1), 3);
        QCOMPARE(combo.GetNumer(5), -1);
        combo.Clear();
        QCOMPARE(combo.GetNumer(), -1);
    }

    // The real box, asked from a worker as the core asks: the worker waits
    // until the box is answered on the window thread. The box runs its own
    // loop there, so a timer of that thread finds it and clicks.
    void qtDialogAnswersFromAWorker() {
        TQtDialog dialog;
        struct Seen {
            QString title, text, yes, no;
            int buttons = 0;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
        };
        std::vector<Seen> seen;
        QTimer clicker;
        clicker.setInterval(10);
        connect(&clicker, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box == nullptr || !box->isVisible()) continue;
                Seen s{box->windowTitle(),
                       box->text(),
                       {},
                       {},
                       static_cast<int>(box->buttons().size()),
                       box->icon()};
                if (QAbstractButton* b = box->button(QMessageBox::Yes)) s.yes = b->text();
                if (QAbstractButton* b = box->button(QMessageBox::No)) s.no = b->text();
                seen.push_back(s);
                QTest::mouseClick(box->buttons().size() == 1 ? box->buttons().first()
                                                             : box->button(QMessageBox::Yes),
                                  Qt::LeftButton);
                return;
            }
        });
        clicker.start();

        std::atomic<int> answer{-1};
        std::jthread worker([&] {
            answer = dialog.MessageDlg("Удалить  год? (2026-2027)", "Предупреждение") ? 1 : 0;
        });
        QTRY_COMPARE_WITH_TIMEOUT(answer.load(), 1, kLong);
        worker.join();
        QCOMPARE(seen.size(), std::size_t{1});
        QCOMPARE(seen[0].title, QStringLiteral("Предупреждение"));
        QCOMPARE(seen[0].text, QStringLiteral("Удалить  год? (2026-2027)"));
        QCOMPARE(seen[0].icon, QMessageBox::Information);
        QCOMPARE(seen[0].yes, QStringLiteral("Да"));
        QCOMPARE(seen[0].no, QStringLiteral("Нет"));
        QCOMPARE(seen[0].buttons, 2);

        std::atomic<bool> shown{false};
        std::jthread teller([&] {
            dialog.MessageShow("Скопировано файлов -3");
            shown = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(shown.load(), kLong);
        teller.join();
        QCOMPARE(seen.size(), std::size_t{2});
        QCOMPARE(seen[1].title, QStringLiteral("Информация"));
        QCOMPARE(seen[1].buttons, 1);

        // Asked on the window thread itself the box works the same way.
        QVERIFY(dialog.MessageInfDlg("Копировать?"));
        QCOMPARE(seen.size(), std::size_t{3});
        QCOMPARE(seen[2].title, QStringLiteral("Информация"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
