// The lesson-times, active-weeks and study-calendar windows over a sample
// college opened through the shell: typed times and their refusals, the week
// choice and its refusal, study weeks made, taken and toggled, the study-days
// and group-defaults dialogs, and a year that keeps all of it when it is
// loaded again. With ZAVLIN_SCREENSHOTS set the windows are saved as pictures.
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <memory>

#include "base/core_hooks.h"
#include "base/datetime.h"
#include "base/file_system.h"
#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "entry/ui/active_weeks_window.h"
#include "entry/ui/calendar_window.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/group_defaults_dialog.h"
#include "entry/ui/lesson_times_window.h"
#include "entry/ui/study_days_dialog.h"
#include "entry_fixture.h"
#include "model/god.h"
#include "screenshot.h"
#include "settings/settings_file.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/list_box_numer.h"
#include "shell/ui/main_window.h"
#include "support/scratch_home.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::entry;
using namespace zavlin::entry::ui;
using zavlin::shell::TShell;
using zavlin::shell::TStartOutcome;
using zavlin::shell::ui::TForm1;
using namespace zavlin::test;

namespace {

std::string iniValue(const fs::path& folder, const std::string& section, const std::string& key) {
    TConsoleDialog quiet;
    TCoreHooks hooks(quiet);
    TFileIni ini(hooks, folder);
    ini.SetFileName("god.Ini");
    return ini.ReadString(section, key);
}

void screenshot(QWidget* w, const char* name) {
    if (!qEnvironmentVariableIsEmpty("ZAVLIN_SCREENSHOTS"))
        QVERIFY(zavlin::test::saveScreenshot(w, QString::fromLatin1(name)));
}

}  // namespace

class CalendarWindowsTest : public QObject {
    Q_OBJECT

    test::SampleTemplate template_;

    // One test's shell over its own copy of the sample college.
    struct Harness : EntryHarness {
        explicit Harness(const std::string& tag) : EntryHarness(tag) {}

        fs::path db() const { return home.path() / "Database"; }
        TGod* god() const { return shell->God(); }
        TGryp* group(int i) const { return god()->LGryp[static_cast<std::size_t>(i)].get(); }

        // A fresh shell over the same home, as the next start of the program.
        bool open() { return start() && shell->God() != nullptr; }
    };

    std::unique_ptr<Harness> make() { return template_.copy<Harness>("calendar_gui"); }

    // The first calendar week from `from` in which none of the first `groups`
    // groups studies: the cells a test can make study weeks.
    static int freeWeek(Harness& h, int groups, int from = 30) {
        for (int ne = from; ne <= kStudyWeeks; ++ne) {
            bool free = true;
            for (int g = 0; g < groups; ++g) free = free && !h.group(g)->TestNed(ne);
            if (free) return ne;
        }
        return 0;
    }

    static int colOf(int ne) { return TForm12::kFirstWeekCol + ne - 1; }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("calendar_template", message), message.c_str());
    }

    // Catches a typed time lost on OK, a refused row that still stores the
    // others, times stored in memory and not in god.Ini, periods numbered
    // other than the year's 0..11, and an editor that takes more than a time.
    void lessonTimesTypedThroughTheGrid() {
        auto h = make();
        TForm1_0 w(*h->context);
        w.show();
        THGrid* grid = w.Grid();
        QCOMPARE(grid->Cells(0, 0), QStringLiteral("Номер занятия(пары)"));
        QCOMPARE(grid->Cells(1, 0), QStringLiteral("Начало"));
        QCOMPARE(grid->Cells(2, 0), QStringLiteral("Продолжительность"));
        QCOMPARE(grid->RowCount(), 13);
        QCOMPARE(grid->Cells(0, 1), QStringLiteral("0"));
        QCOMPARE(grid->Cells(0, 12), QStringLiteral("11"));
        const TTaimYrok before = h->shell->AllGod()->GetTimeYrok(0);
        QCOMPARE(grid->Cells(1, 1), QString::fromStdString(before.TnText()));
        screenshot(&w, "lesson_times_window");

        clickCell(grid, 1, 1);
        QTest::keyClicks(grid, QStringLiteral("08:05"));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(grid->Cells(1, 1), QStringLiteral("08:05"));
        clickCell(grid, 2, 1);
        QTest::keyClicks(grid, QStringLiteral("1:35"));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(grid->Cells(2, 1), QStringLiteral("1:35"));
        // Letters never get into a time, and a time has room for no more.
        clickCell(grid, 2, 2);
        QTest::keyClicks(grid, QStringLiteral("1a:b30"));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(grid->Cells(2, 2), QStringLiteral("1:30"));
        clickCell(grid, 2, 3);
        QTest::keyClicks(grid, QStringLiteral("012345"));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(grid->Cells(2, 3), QStringLiteral("01:23"));
        click(&w, "OkButton");
        QVERIFY2(h->dialog.shown.empty(),
                 h->dialog.shown.empty() ? "" : h->dialog.shown.front().c_str());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(h->shell->AllGod()->GetTimeYrok(0).Tn(), 485);
        QCOMPARE(h->shell->AllGod()->GetTimeYrok(0).Td(), 95);
        QCOMPARE(h->shell->AllGod()->GetTimeYrok(2).Td(), 83);
        QCOMPARE(h->god()->TaimYrok[0].Tn(), 485);
        QCOMPARE(iniValue(h->db(), "Time", "Yrok0"), std::string("485"));
        QCOMPARE(iniValue(h->db(), "Time", "LYrok0"), std::string("95"));

        // 8:5 in period 2: refused with its message, nothing stored.
        const std::string third = iniValue(h->db(), "Time", "Yrok2");
        TForm1_0 again(*h->context);
        again.show();
        QCOMPARE(again.Grid()->Cells(1, 1), QStringLiteral("08:05"));
        clickCell(again.Grid(), 1, 1);
        QTest::keyClicks(again.Grid(), QStringLiteral("09:00"));
        QTest::keyClick(again.Grid(), Qt::Key_Return);
        clickCell(again.Grid(), 1, 3);
        QTest::keyClicks(again.Grid(), QStringLiteral("8:5"));
        click(&again, "OkButton");  // the open editor counts
        QCOMPARE(h->dialog.shown.size(), std::size_t(1));
        QCOMPARE(h->dialog.shown[0], std::string("Отсутствуют минуты(два знака), занятие N2"));
        QVERIFY(again.isVisible());
        QCOMPARE(h->shell->AllGod()->GetTimeYrok(0).Tn(), 485);
        QCOMPARE(iniValue(h->db(), "Time", "Yrok0"), std::string("485"));
        QCOMPARE(iniValue(h->db(), "Time", "Yrok2"), third);

        // Two hour digits fit the mask; past 23 they are refused by name.
        clickCell(again.Grid(), 1, 3);
        QTest::keyClicks(again.Grid(), QStringLiteral("25:00"));
        click(&again, "OkButton");
        QCOMPARE(h->dialog.shown.size(), std::size_t(2));
        QCOMPARE(h->dialog.shown[1], std::string("Часы должны быть от 0 до 23, занятие N2"));
        click(&again, "CancelButton");
        QVERIFY(!again.isVisible());
        QCOMPARE(iniValue(h->db(), "Time", "Yrok0"), std::string("485"));
        QCOMPARE(iniValue(h->db(), "Time", "Yrok2"), third);
    }

    // Catches a window closed with no week, clicks not reaching the flags,
    // flags not written on close, or the main window not told.
    void activeWeeksRefuseNoneAndStoreTheChoice() {
        auto h = make();
        TForm1_3 w(*h->context);
        w.show();
        auto* list = w.findChild<zavlin::shell::ui::TListBoxNumer*>("ListBoxN");
        QVERIFY(list != nullptr);
        QCOMPARE(list->count(), 56);
        QVERIFY(list->item(52)->isSelected());
        QVERIFY(list->item(53)->isSelected());
        screenshot(&w, "active_weeks_window");

        click(&w, "PlusButton");
        QCOMPARE(static_cast<int>(list->selectedItems().size()), 56);
        QCOMPARE(h->god()->AllNed.CountActivDNed(), 56);

        list->clearSelection();
        QCOMPARE(h->god()->AllNed.CountActivDNed(), 0);
        click(&w, "OkButton");
        QCOMPARE(h->dialog.shown,
                 std::vector<std::string>{"Требуется выбрать хотя бы одну неделю."});
        QVERIFY(w.isVisible());
        w.reject();  // closing by any way is refused alike
        QCOMPARE(h->dialog.shown.size(), std::size_t(2));
        QVERIFY(w.isVisible());
        QCOMPARE(h->weeksChanged, 0);
        QCOMPARE(iniValue(h->db(), "YhGod2026", "Week").substr(52),
                 std::string("1100"));  // nothing written yet

        for (int row : {0, 4}) {
            QListWidgetItem* item = list->item(row);
            list->scrollToItem(item);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(item).center());
        }
        QCOMPARE(h->god()->AllNed.CountActivDNed(), 2);
        click(&w, "OkButton");
        QVERIFY(!w.isVisible());
        QCOMPARE(h->weeksChanged, 1);
        QCOMPARE(iniValue(h->db(), "YhGod2026", "Week"), "10001" + std::string(51, '0'));
    }

    // Catches selections that change other cells, a removal that leaves the
    // week, a double click that edits instead of toggling, and totals that
    // do not follow.
    void calendarMakesTakesAndTogglesStudyWeeks() {
        auto h = make();
        TForm12 w(*h->context);
        w.show();
        THGrid* grid = w.Grid();
        const int groups = h->god()->CountGryp();
        QCOMPARE(grid->RowCount(), TForm12::kFirstGroupRow + groups);
        QCOMPARE(grid->ColCount(), TForm12::kFirstWeekCol + 56);
        QCOMPARE(w.findChild<QLabel*>("YearLabel")->text(),
                 QStringLiteral("Учебный год 2026-2027"));
        QCOMPARE(grid->Cells(1, 0), QStringLiteral("Итого"));
        QCOMPARE(grid->Cells(colOf(1), 0), QString::fromStdString(h->god()->GetNumberWeek(1)));
        QCOMPARE(grid->Cells(colOf(54), 0), QStringLiteral("2доп."));
        QCOMPARE(grid->Cells(0, 2), QString::fromStdString(h->group(0)->Name()));
        QCOMPARE(grid->Cells(colOf(53), 2), QString::number(h->group(0)->CountRunDey(53)));
        QVERIFY(h->group(0)->CountRunDey(53) > 0);
        screenshot(&w, "calendar_window");

        const int ne = freeWeek(*h, 2);
        QVERIFY(ne > 0);
        grid->SetLeftCol(colOf(ne));
        const QString total0 = grid->Cells(1, 2);
        clickCell(grid, colOf(ne), 2);
        clickCell(grid, colOf(ne + 1), 3, Qt::ShiftModifier);
        QCOMPARE(w.findChild<QLabel*>("SelectedLabel")->text(), QStringLiteral("Выделено:4"));
        QCOMPARE(w.SelectedCells().size(), std::size_t(4));
        click(&w, "StudyButton");
        QVERIFY(w.Changed());
        for (int g = 0; g < 2; ++g)
            for (int week : {ne, ne + 1}) {
                QVERIFY(h->group(g)->TestNed(week));
                QCOMPARE(grid->Cells(colOf(week), 2 + g),
                         QString::number(h->group(g)->CountRunDey(week)));
            }
        QVERIFY(!h->group(2)->TestNed(ne));
        QCOMPARE(grid->Cells(1, 2).toInt(), total0.toInt() + 2 * h->group(0)->CountRunDey(ne));

        // The button captioned with a blank takes them again.
        QCOMPARE(w.findChild<QPushButton*>("RemoveButton")->text(), QStringLiteral(" "));
        click(&w, "RemoveButton");
        for (int g = 0; g < 2; ++g)
            for (int week : {ne, ne + 1}) {
                QVERIFY(!h->group(g)->TestNed(week));
                QCOMPARE(grid->Cells(colOf(week), 2 + g), QString());
            }
        QCOMPARE(grid->Cells(1, 2), total0);
        QVERIFY2(h->dialog.asked.empty(), "weeks without load go unasked");

        doubleClickCell(grid, colOf(ne), 3);
        QVERIFY(h->group(1)->TestNed(ne));
        QVERIFY(!grid->Cells(colOf(ne), 3).isEmpty());
        QVERIFY(!h->group(0)->TestNed(ne));
        doubleClickCell(grid, colOf(ne), 3);
        QVERIFY(!h->group(1)->TestNed(ne));
        QVERIFY(grid->Cells(colOf(ne), 3).isEmpty());

        // A week with load is asked about; "Нет" keeps it and its load.
        grid->SetLeftCol(colOf(demo::kSubstitutionWeek));
        QVERIFY(h->group(0)->TestNed(demo::kSubstitutionWeek));
        h->dialog.queue(false);
        doubleClickCell(grid, colOf(demo::kSubstitutionWeek), 2);
        QCOMPARE(h->dialog.asked.size(), std::size_t(1));
        QVERIFY(h->group(0)->TestNed(demo::kSubstitutionWeek));
        QVERIFY(!grid->Cells(colOf(demo::kSubstitutionWeek), 2).isEmpty());
    }

    // Catches the study-days dialog closing over a study week without days,
    // and days set but not shown in the calendar.
    void studyDaysRefuseAStudyWeekWithoutDays() {
        auto h = make();
        TForm12 w(*h->context);
        w.show();
        THGrid* grid = w.Grid();
        const int ne = freeWeek(*h, 2);
        grid->SetLeftCol(colOf(ne));
        doubleClickCell(grid, colOf(ne), 2);  // group 0 studies, group 1 does not
        QVERIFY(h->group(0)->TestNed(ne));
        clickCell(grid, colOf(ne), 2);
        clickCell(grid, colOf(ne), 3, Qt::ShiftModifier);

        bool seen = false;
        const auto waiting = whenModal<TForm12_1>([&](TForm12_1* days) {
            seen = true;
            QTableWidget* table = days->DayTable();
            if (table->rowCount() != kDayCount) return days->reject();
            screenshot(days, "study_days_dialog");
            for (int d = 1; d <= kDayCount; ++d) days->setStudy(0, d, false);
            QTest::mouseClick(days->findChild<QPushButton*>("OkButton"), Qt::LeftButton);
            if (!days->isVisible()) return;
            auto* tuesday = qobject_cast<QComboBox*>(table->cellWidget(1, 1));
            tuesday->setCurrentIndex(0);
            QTest::mouseClick(days->findChild<QPushButton*>("OkButton"), Qt::LeftButton);
        });
        click(&w, "StudyDaysButton");
        QVERIFY(seen);
        const std::string expected = "Ошибка! Установите учебные дни на учебной неделе " +
                                     h->god()->GetNumberWeek(ne) + " для группы " +
                                     h->group(0)->Name();
        QCOMPARE(h->dialog.shown, std::vector<std::string>{expected});
        QCOMPARE(h->group(0)->CountRunDey(ne), 1);
        QVERIFY(h->group(0)->TestRunDey(ne, 2));
        QVERIFY2(!h->group(1)->TestNed(ne), "not made a study week");
        QCOMPARE(grid->Cells(colOf(ne), 2), QStringLiteral("1"));
    }

    // Catches settings applied without the confirmation or despite a "Нет",
    // and main days set for groups outside the selection.
    void groupDefaultsAreConfirmed() {
        auto h = make();
        TForm12 w(*h->context);
        w.show();
        THGrid* grid = w.Grid();
        clickCell(grid, colOf(1), 2);
        clickCell(grid, colOf(2), 3, Qt::ShiftModifier);
        const int32_t before = h->group(0)->DateSemm2();
        const auto otherDays = h->group(2)->Dan.arRDeyNed;
        const int32_t sunday = encodeDate(2027, 2, 7);

        bool seen = false;
        const auto waiting = whenModal<TForm12_2>([&](TForm12_2* d) {
            seen = true;
            screenshot(d, "group_defaults_dialog");
            d->findChild<QDateEdit*>("DateEdit")->setDate(QDate(2027, 2, 7));
            h->dialog.queue(false);
            QTest::mouseClick(d->findChild<QPushButton*>("DateButton"), Qt::LeftButton);
            h->dialog.queue(true);
            QTest::mouseClick(d->findChild<QPushButton*>("DateButton"), Qt::LeftButton);
            auto* list = d->findChild<QListWidget*>("DayList");
            list->item(5)->setCheckState(Qt::Unchecked);
            h->dialog.queue(true);
            QTest::mouseClick(d->findChild<QPushButton*>("DaysButton"), Qt::LeftButton);
            for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Unchecked);
            QTest::mouseClick(d->findChild<QPushButton*>("DaysButton"), Qt::LeftButton);
            QTest::mouseClick(d->findChild<QPushButton*>("OkButton"), Qt::LeftButton);
        });
        click(&w, "DefaultsButton");
        QVERIFY(seen);
        const std::string dateQuestion =
            "Установить дату начала 2 семестра для всех выделенных групп=07.02.2027";
        QCOMPARE(h->dialog.asked,
                 (std::vector<std::string>{dateQuestion, dateQuestion,
                                           "Установить основные учебные дни для всех выделенных "
                                           "групп=Понедельник,Вторник,Среда,Четверг,Пятница"}));
        QCOMPARE(h->dialog.shown, std::vector<std::string>{"Установите учебные дни!"});
        QVERIFY(before != sunday + 1);
        for (int g = 0; g < 2; ++g) {
            QCOMPARE(h->group(g)->DateSemm2(), sunday + 1);
            QCOMPARE(int(h->group(g)->Dan.arRDeyNed[5]), 0);
            QVERIFY(h->group(g)->Dan.arRDeyNed[0] != 0);
        }
        QVERIFY(h->group(2)->Dan.arRDeyNed == otherDays);
        QVERIFY(w.Changed());
    }

    // Catches a failed write that leaves the calendar thinking nothing
    // changed after earlier groups took the days (the year would not be
    // saved), or a message that hides what was already written.
    void groupDefaultsFailingMidwaySayWhatChanged() {
        auto h = make();
        h->faulty = std::make_unique<FaultInjectingFileSystem>();
        QVERIFY(h->open());
        const std::vector<TGryp*> groups{h->group(0), h->group(1)};
        const auto all = mainStudyDays(*groups[0]);
        QVERIFY(all[0]);
        TScriptedDialog yes(true);
        // The dialog run once over the groups as they were, failing the
        // operation n (0: none); true when both groups took the days.
        auto run = [&](uint64_t n, bool& changed) {
            h->faulty->failAt(0);
            int count = 0;
            std::string message;
            if (!setMainStudyDays(h->year(), yes, groups, all, count, message)) return false;
            TForm12_2 d(*h->context, groups);
            d.show();
            d.findChild<QListWidget*>("DayList")->item(0)->setCheckState(Qt::Unchecked);
            h->dialog.shown.clear();
            h->dialog.queue(true);
            h->faulty->failAt(n, false);
            click(&d, "DaysButton");
            changed = d.Changed();
            return groups[0]->Dan.arRDeyNed[0] == 0 && groups[1]->Dan.arRDeyNed[0] == 0;
        };
        bool changed = false;
        QVERIFY(run(0, changed));
        const uint64_t operations = h->faulty->operations();
        h->faulty->failAt(0);
        bool sawPartial = false;
        bool sawNone = false;
        for (uint64_t n = 1; n <= operations; ++n) {
            const bool stored = run(n, changed);
            h->faulty->failAt(0);
            const bool first = groups[0]->Dan.arRDeyNed[0] == 0;
            const bool second = groups[1]->Dan.arRDeyNed[0] == 0;
            QCOMPARE(changed, first || second);
            // The table engine may have said what failed first.
            const std::string last = h->dialog.shown.empty() ? "" : h->dialog.shown.back();
            if (stored) {
                QVERIFY(h->dialog.shown.empty());
            } else if (first) {
                sawPartial = true;
                QCOMPARE(last, "Ошибка записи данных группы " + groups[1]->Name() +
                                   ". Основные учебные дни уже изменены у групп: " +
                                   groups[0]->Name() + ".");
            } else {
                QVERIFY(!second);
                sawNone = true;
                QCOMPARE(last, "Ошибка записи данных группы " + groups[0]->Name() +
                                   ". Данные остались прежними.");
            }
        }
        QVERIFY(sawPartial);
        QVERIFY(sawNone);
    }

    // Catches calendar changes kept only in memory: the window opened from
    // the main window's menu changes the year and the main window saves it,
    // so a fresh shell finds the weeks, the days, the second-semester start
    // and the first semester's length. Printing says it is not there yet.
    void theYearKeepsTheCalendarWhenLoadedAgain() {
        auto h = make();
        const int ne = freeWeek(*h, 2);
        QVERIFY(ne > 0);
        const int32_t start = encodeDate(2027, 2, 15);
        // The main window runs on the same home; the harness's shell steps aside.
        h->context.reset();
        h->shell.reset();
        auto main = std::make_unique<TForm1>(h->home.path(), h->dialog);
        main->CopyBaza().PauseMs = 0;
        main->windowOpeners.push_back(OpenEntryWindow);
        QSignalSpy started(main.get(), &TForm1::started);
        main->show();
        main->Start();
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 60000);
        QCOMPARE(started.at(0).at(0).toInt(), static_cast<int>(TStartOutcome::Running));
        h->dialog.shown.clear();
        h->dialog.asked.clear();

        bool seen = false;
        const auto waiting = whenModal<TForm12>([&](TForm12* w) {
            seen = true;
            THGrid* grid = w->Grid();
            grid->SetLeftCol(colOf(ne));
            clickCell(grid, colOf(ne), 2);
            clickCell(grid, colOf(ne + 1), 3, Qt::ShiftModifier);
            QTest::mouseClick(w->findChild<QPushButton*>("StudyButton"), Qt::LeftButton);
            doubleClickCell(grid, colOf(ne + 1), 3);  // group 1 keeps only week ne
            clickCell(grid, colOf(ne), 2);
            const auto defaults = whenModal<TForm12_2>([&](TForm12_2* d) {
                d->findChild<QDateEdit*>("DateEdit")->setDate(QDate(2027, 2, 15));
                h->dialog.queue(true);
                QTest::mouseClick(d->findChild<QPushButton*>("DateButton"), Qt::LeftButton);
                d->findChild<QListWidget*>("DayList")->item(0)->setCheckState(Qt::Unchecked);
                h->dialog.queue(true);
                QTest::mouseClick(d->findChild<QPushButton*>("DaysButton"), Qt::LeftButton);
                d->accept();
            });
            QTest::mouseClick(w->findChild<QPushButton*>("DefaultsButton"), Qt::LeftButton);
            auto* length = w->findChild<QLineEdit*>("LengthEdit");
            length->setFocus();
            length->selectAll();
            QTest::keyClicks(length, QStringLiteral("20"));
            QTest::keyClick(length, Qt::Key_Return);
            QCOMPARE(grid->Cells(colOf(21), 0), QStringLiteral("1(2c)"));
            QCOMPARE(grid->Cells(colOf(5), 0), QStringLiteral("5(1c)"));
            QTest::mouseClick(w->findChild<QPushButton*>("PrintButton"), Qt::LeftButton);
            QTest::mouseClick(w->findChild<QPushButton*>("OkButton"), Qt::LeftButton);
        });
        main->MenuAction("N14")->trigger();
        QVERIFY(seen);
        QCOMPARE(h->dialog.shown,
                 std::vector<std::string>{"Окно «Печать» ещё не готово в этой версии."});
        QCOMPARE(iniValue(h->db(), "God", "Semestr2026"), std::string("20"));
        main.reset();  // nothing is saved on the way out

        QVERIFY(h->open());
        QVERIFY(h->group(0)->TestNed(ne));
        QVERIFY(h->group(0)->TestNed(ne + 1));
        QVERIFY(h->group(1)->TestNed(ne));
        QVERIFY(!h->group(1)->TestNed(ne + 1));
        QCOMPARE(h->group(0)->DateSemm2(), start);
        QCOMPARE(int(h->group(0)->Dan.arRDeyNed[0]), 0);
        QVERIFY2(h->group(1)->Dan.arRDeyNed[0] != 0, "only the selected group");
        QCOMPARE(int(h->god()->FLengthSemestr), 20);

        // A length out of range reads as 52; the calendar itself is unchanged.
        bool lengthSeen = false;
        const auto lengthOnly = whenModal<TForm12>([&](TForm12* w) {
            lengthSeen = true;
            auto* length = w->findChild<QLineEdit*>("LengthEdit");
            QCOMPARE(length->text(), QStringLiteral("20"));
            length->setText(QStringLiteral("99"));
            QTest::mouseClick(w->findChild<QPushButton*>("OkButton"), Qt::LeftButton);
            QCOMPARE(length->text(), QStringLiteral("52"));
        });
        QVERIFY(!RunCalendar(*h->context));
        QVERIFY(lengthSeen);
        QCOMPARE(iniValue(h->db(), "God", "Semestr2026"), std::string("52"));
        QCOMPARE(h->weeksChanged, 1);
    }
};

QTEST_MAIN(CalendarWindowsTest)
#include "calendar_windows_test.moc"
