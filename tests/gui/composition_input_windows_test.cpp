// The quality window, the teacher restrictions and the wished working days
// over the small sample college: the measures listed as the engine computes
// them, restrictions set through the grid and obeyed by a composition, and
// the wished days chosen and read back by the next start of the program.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "composition/quality.h"
#include "composition/sos_run.h"
#include "composition/teacher_inputs.h"
#include "composition/ui/quality_window.h"
#include "composition/ui/teacher_limits_window.h"
#include "composition/ui/working_days_dialog.h"
#include "composition/ui/working_days_window.h"
#include "composition/week_search.h"
#include "entry/ui/teachers_window.h"
#include "entry_fixture.h"
#include "model/god.h"
#include "model/group.h"
#include "model/timetable.h"
#include "screenshot.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/list_box_numer.h"

using namespace zavlin;
using namespace zavlin::composition::ui;
using namespace zavlin::test;

namespace {

constexpr int kWeek = 53;  // the sample's numerator week
constexpr int kComputeMs = 120000;

// Composes week ne of every group headless, as a run does: pinned lessons
// first, then the search. The number of units placed.
int composeWeek(TGod& year, const std::filesystem::path& home, int ne) {
    for (const auto& gr : year.LGryp) {
        std::vector<std::string> refused;
        gr->CopyPyToRasp(ne, refused);
        gr->Select = true;
    }
    TSosRun run(year, home);
    run.WLog = false;
    run.Statys = AStatys::sSosRasp;
    return SostavNed(run, ne).placed;
}

std::vector<int> activeWeeks(const TGod& year) {
    std::vector<int> out;
    for (int ne = 1; ne <= kCalendarWeeks; ++ne)
        if (year.AllNed.DNed(ne)->Activ) out.push_back(ne);
    return out;
}

QString weekTitle(const TGod& year, int ne) {
    return QString::fromStdString("Неделя " + year.AllNed.DNed(ne)->GetStrDateNed());
}

// The memo a choice should show, from the measures themselves.
QStringList expectedLines(const TGod& year, int choice, int tip = 0) {
    QStringList out;
    std::vector<std::string> sl;
    int kd = 0;
    int k2 = 0;
    for (int ne : activeWeeks(year)) {
        out << weekTitle(year, ne);
        for (int n = 1; n <= kKahestvoCount; ++n) {
            if (choice != 0 && n != choice) continue;
            GetKahestvo(year, n, tip, ne, sl, kd, k2);
            if (choice != 0)
                for (const std::string& line : sl) out << QString::fromStdString(line);
            out << QString::fromStdString(KahestvoSummaryLine(n, kd, k2));
        }
    }
    return out;
}

// Lessons of a teacher in the timetable of week ne, as (day, period).
std::vector<std::pair<int, int>> teacherCells(const TGod& year, const TFio* fio, int ne) {
    std::vector<std::pair<int, int>> out;
    for (const auto& gr : year.LGryp)
        if (const TNed* week = gr->GetNed(ne))
            for (int d = 1; d <= kDays; ++d)
                for (int y = 0; y < kPeriods; ++y)
                    if (const TYrok* cell = week->GetYrok(0, d, y))
                        for (const TYr* yr : cell->LYr)
                            if (yr->Fio() == fio) out.emplace_back(d, y);
    return out;
}

// A cell where the teacher has a pinned lesson in week ne.
bool pinnedAt(const TGod& year, const TFio* fio, int ne, int d, int y) {
    for (const auto& gr : year.LGryp)
        if (const TNed* week = gr->GetNed(ne))
            if (const TYrok* cell = week->GetYrok(1, d, y))
                for (const TYr* yr : cell->LYr)
                    if (yr->Fio() == fio) return true;
    return false;
}

uint8_t op(const TFio& fio, int d, int y) {
    return fio.Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)];
}

// The grid marks exactly the teacher's forbidden cells.
bool gridShows(const TForm14& w, const TFio& fio) {
    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriods; ++y) {
            const QString text = w.Grid()->Cells(TForm14::DayCol(d), TForm14::PeriodRow(y));
            if ((text == QStringLiteral("Не работает")) != (op(fio, d, y) == 0)) return false;
        }
    return true;
}

int keyRow(const QListWidget* list, int key) {
    const auto* numer = static_cast<const shell::ui::TListBoxNumer*>(list);
    for (int i = 0; i < numer->count(); ++i)
        if (numer->GetNumer(i) == key) return i;
    return -1;
}

}  // namespace

class CompositionInputWindowsTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

    std::unique_ptr<EntryHarness> make(bool faulty = false) {
        return template_.copy("inputs_gui", faulty);
    }

    // The first teacher of the year without a restriction.
    static TFio* freeTeacher(TGod& year) {
        for (const auto& fio : year.LFio)
            if (!HasRestriction(*fio)) return fio.get();
        return nullptr;
    }

    static void waitComputed(TForm11_12& w) { QTRY_VERIFY_WITH_TIMEOUT(!w.Busy(), kComputeMs); }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("inputs_gui_template", message), message.c_str());
    }

    // Catches a choice list out of order or misspelt, a week missing or
    // measured twice, a measure listed under another's choice, detail lines
    // lost or a summary number that is not the measure's.
    void qualityListsEveryMeasureOfEveryActiveWeek() {
        auto h = make();
        TGod& year = h->year();
        QVERIFY(composeWeek(year, h->home.path(), kWeek) > 0);
        QVERIFY(activeWeeks(year).size() >= 2);

        TForm11_12 w(*h->context, 0);
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Оценка качества расписания"));
        const QStringList choices = {
            QStringLiteral("Сводный отчет"),
            QStringLiteral("Дыры у расписания группы"),
            QStringLiteral("Дыры у расписания преподавателя"),
            QStringLiteral("Неравномерность нагрузки у группы"),
            QStringLiteral("Одиночные пары  в нагрузке у преподавателя"),
            QStringLiteral("Неоптимальное количество дней у преподавателя"),
            QStringLiteral("Невыполненые ограничения групп"),
            QStringLiteral("Невыполненые ограничения преподавателя"),
            QStringLiteral("Утеренно предварительных установок"),
            QStringLiteral("Невыполненые объединения преподавателя"),
            QStringLiteral("Ошибочная накладка преподавателя"),
        };
        QCOMPARE(w.ParamBox()->count(), choices.size());
        for (int i = 0; i < choices.size(); ++i) QCOMPARE(w.ParamBox()->itemText(i), choices[i]);

        waitComputed(w);
        const QStringList summary = expectedLines(year, 0);
        QCOMPARE(summary.size(), static_cast<int>(activeWeeks(year).size()) * 11);
        QCOMPARE(w.Lines(), summary);
        QCOMPARE(w.Memo()->toPlainText(), summary.join(QLatin1Char('\n')));
        // The summary lines as the dispatcher reads them, unit included.
        const char* const titles[kKahestvoCount] = {
            "Всего дырок в группах =",
            "Всего дырок у преподавателей =",
            "Неравномерно распределено предметов =",
            "Назначено одиночных предметов =",
            "Неоптимальное количество дней у преподавателей =",
            "Невыполненые ограничения групп =",
            "Невыполненые ограничения преподавателей =",
            "Утеренно предварительных установок =",
            "Невыполненые объединения преподавателей =",
            "Ошибочная накладка преподавателей =",
        };
        for (int n = 1; n <= kKahestvoCount; ++n) {
            const bool groups = n == 1 || n == 3 || n == 6 || n == 8;
            const QRegularExpression line(
                QStringLiteral("^") + QRegularExpression::escape(QString::fromUtf8(titles[n - 1])) +
                QStringLiteral("\\d+  у \\d+") +
                (groups ? QStringLiteral(" гр\\.$") : QStringLiteral(" чел\\.$")));
            QVERIFY2(line.match(w.Lines()[n]).hasMatch(), qPrintable(w.Lines()[n]));
        }
        QVERIFY(saveScreenshot(&w, QStringLiteral("quality_window")));

        int details = 0;
        for (int n = 1; n <= kKahestvoCount; ++n) {
            chooseCombo(w.ParamBox(), choices[n]);
            waitComputed(w);
            const QStringList expected = expectedLines(year, n);
            QCOMPARE(w.Lines(), expected);
            details += static_cast<int>(expected.size() - 2 * activeWeeks(year).size());
        }
        // A composed week has something to find; otherwise the comparison
        // above would hold for any window that lists only summaries.
        QVERIFY(details > 0);

        // Opened for the pinned lessons, the window measures that grid.
        TForm11_12 pinned(*h->context, 1);
        waitComputed(pinned);
        QCOMPARE(pinned.Lines(), expectedLines(year, 0, 1));
        QVERIFY(pinned.Lines() != summary);
    }

    // A choice changed while the weeks are measured: the memo ends with the
    // last choice, never with what the stopped computation had found.
    void qualityChoiceChangedMidwayEndsWithTheLastChoice() {
        auto h = make();
        TGod& year = h->year();
        QVERIFY(composeWeek(year, h->home.path(), kWeek) > 0);
        TForm11_12 w(*h->context, 0);
        w.show();
        w.ParamBox()->setCurrentIndex(1);
        w.ParamBox()->setCurrentIndex(2);
        w.ParamBox()->setCurrentIndex(0);
        waitComputed(w);
        QCOMPARE(w.Lines(), expectedLines(year, 0));
        // Stopped computations leave nothing queued that would overwrite it.
        QCoreApplication::processEvents();
        QCOMPARE(w.Lines(), expectedLines(year, 0));
        QVERIFY(!w.Busy());
    }

    // Closed while the weeks are measured, by the button or the close box:
    // the window stays up until the worker has let go of the year, then
    // closes with the answer asked for and shows nothing half-measured.
    // Destroyed outright, it waits for every worker it started; nothing they
    // post reaches the freed window (ASan would tell).
    void qualityClosedOrDestroyedWhileMeasuring() {
        auto h = make();
        TGod& year = h->year();
        QVERIFY(composeWeek(year, h->home.path(), kWeek) > 0);
        {
            TForm11_12 w(*h->context, 0);
            w.show();
            w.ParamBox()->setCurrentIndex(10);  // a second worker behind the first
            QVERIFY(w.Busy());
            click(&w, "CloseButton");
            QVERIFY(w.isVisible());
            QVERIFY(!w.ParamBox()->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), kComputeMs);
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QVERIFY(!w.Busy());
            QVERIFY(w.Lines().isEmpty());
        }
        {
            TForm11_12 w(*h->context, 0);
            w.show();
            QVERIFY(w.Busy());
            w.close();
            QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), kComputeMs);
            QCOMPARE(w.result(), int(QDialog::Rejected));
        }
        {
            auto w = std::make_unique<TForm11_12>(*h->context, 0);
            w->show();
            w->ParamBox()->setCurrentIndex(2);
            w->ParamBox()->setCurrentIndex(7);
            QVERIFY(w->Busy());
            w.reset();
            QCoreApplication::processEvents();
        }
        // Not closed while idle either: a finished window closes at once.
        TForm11_12 w(*h->context, 0);
        w.show();
        waitComputed(w);
        click(&w, "CloseButton");
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Lines(), expectedLines(year, 0));
    }

    // The memo's bound: findings stop at the limit, the week's title and
    // summary line still come.
    void qualityFindingsStopAtTheMemoBound() {
        auto h = make();
        TGod& year = h->year();
        QVERIFY(composeWeek(year, h->home.path(), kWeek) > 0);
        std::vector<std::string> sl;
        int kd = 0;
        int k2 = 0;
        int measure = 0;
        for (int n = 1; n <= kKahestvoCount && measure == 0; ++n) {
            GetKahestvo(year, n, 0, kWeek, sl, kd, k2);
            if (sl.size() >= 2) measure = n;
        }
        QVERIFY2(measure > 0, "no measure with two findings in the composed week");
        const std::vector<std::string> full = QualityWeekLines(year, measure, 0, kWeek, 0);
        QCOMPARE(full.size(), sl.size() + 2);
        const std::vector<std::string> cut =
            QualityWeekLines(year, measure, 0, kWeek, kQualityMemoLines - 2);
        QCOMPARE(cut.size(), std::size_t{3});
        QCOMPARE(cut[0], full[0]);
        QCOMPARE(cut[1], sl[0]);
        QCOMPARE(cut[2], KahestvoSummaryLine(measure, kd, k2));
        const std::vector<std::string> full0 =
            QualityWeekLines(year, measure, 0, kWeek, kQualityMemoLines);
        QCOMPARE(full0.size(), std::size_t{2});
    }

    // Catches cells mapped to the wrong day or period, the restricted list
    // not following the cells, "Работает" acting beyond the selection, or
    // the restrictions not stored on closing.
    void restrictionsSetThroughTheGridAreListedAndStored() {
        auto h = make();
        TGod& year = h->year();
        TFio* t = freeTeacher(year);
        QVERIFY(t != nullptr);
        const std::string name = t->BigName();
        TForm14 w(*h->context);
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Ограничение преподавателей"));
        QCOMPARE(w.Grid()->Cells(TForm14::DayCol(1), 0), QStringLiteral("Понедельник"));
        QCOMPARE(w.Grid()->Cells(TForm14::DayCol(6), 0), QStringLiteral("Суббота"));
        QCOMPARE(w.Grid()->Cells(0, TForm14::PeriodRow(0)),
                 QString::fromStdString(year.TaimYrok[0].TnText()));
        QCOMPARE(w.Grid()->Cells(0, TForm14::PeriodRow(2)),
                 QString::fromStdString(year.TaimYrok[2].TnText()));

        // "Ф" picks the teacher from the teacher list.
        {
            auto wait = whenModal<entry::ui::TForm3>([&](entry::ui::TForm3* list) {
                const int row = keyRow(list->List(), t->N);
                QVERIFY(row >= 0);
                clickRow(list->List(), row);
                click(list, "OkButton");
            });
            click(&w, "FioButton");
            QVERIFY(wait.shown());
        }
        QCOMPARE(w.Teacher(), t);
        QCOMPARE(child<QLabel>(&w, "FioLabel")->text(), QString::fromStdString(name));
        QVERIFY(keyRow(w.RestrictedList(), t->N) < 0);

        // Tuesday and Wednesday, periods 3 and 4.
        selectCells(w.Grid(), TForm14::DayCol(2), TForm14::PeriodRow(3), TForm14::DayCol(3),
                    TForm14::PeriodRow(4));
        click(&w, "NotWorksButton");
        int forbidden = 0;
        for (int d = 1; d <= kDays; ++d)
            for (int y = 0; y < kPeriods; ++y) {
                const bool off = d >= 2 && d <= 3 && y >= 3 && y <= 4;
                QCOMPARE(op(*t, d, y) == 0, off);
                QCOMPARE(w.Grid()->Cells(TForm14::DayCol(d), TForm14::PeriodRow(y)),
                         off ? QStringLiteral("Не работает") : QString());
                forbidden += off ? 1 : 0;
            }
        QCOMPARE(forbidden, 4);
        QVERIFY(keyRow(w.RestrictedList(), t->N) >= 0);
        QCOMPARE(w.Modified(), std::vector<int>{t->N});

        // "Работает" frees only the selected cell.
        clickCell(w.Grid(), TForm14::DayCol(2), TForm14::PeriodRow(3));
        click(&w, "WorksButton");
        QVERIFY(op(*t, 2, 3) != 0);
        QCOMPARE(op(*t, 3, 4), uint8_t{0});
        QVERIFY(keyRow(w.RestrictedList(), t->N) >= 0);

        // No restrictions: the teacher leaves the list at once.
        click(&w, "NoLimitsButton");
        QVERIFY(!HasRestriction(*t));
        QVERIFY(keyRow(w.RestrictedList(), t->N) < 0);
        QVERIFY(w.Grid()->Cells(TForm14::DayCol(3), TForm14::PeriodRow(4)).isEmpty());

        // Saturday's first two periods forbidden, the picture taken, closed.
        selectCells(w.Grid(), TForm14::DayCol(6), TForm14::PeriodRow(0), TForm14::DayCol(6),
                    TForm14::PeriodRow(1));
        click(&w, "NotWorksButton");
        selectCells(w.Grid(), TForm14::DayCol(1), TForm14::PeriodRow(5), TForm14::DayCol(2),
                    TForm14::PeriodRow(5));
        click(&w, "NotWorksButton");
        w.Grid()->MoveTo(TForm14::DayCol(4), TForm14::PeriodRow(2));
        QVERIFY(saveScreenshot(&w, QStringLiteral("teacher_limits_window")));
        click(&w, "CloseButton");
        QVERIFY(!w.isVisible());
        QVERIFY(h->dialog.asked.empty());

        QVERIFY(h->start());
        const TFio* stored = h->year().FindFioForBigName(name);
        QVERIFY(stored != nullptr);
        for (int d = 1; d <= kDays; ++d)
            for (int y = 0; y < kPeriods; ++y) {
                const bool off = (d == 6 && y <= 1) || (d <= 2 && y == 5);
                QCOMPARE(op(*stored, d, y) == 0, off);
            }
    }

    // The list and the arrows move the current teacher; the grid follows.
    void restrictedListAndArrowsChooseTheTeacher() {
        auto h = make();
        TGod& year = h->year();
        QVERIFY(year.CountFio() >= 3);
        TFio* a = year.LFio[0].get();
        TFio* b = year.LFio[2].get();
        QVERIFY(SetAvailability(*b, 4, 4, 7, 7, false));
        year.SetFioActivIndx(0);
        TForm14 w(*h->context);
        w.show();
        QCOMPARE(w.Teacher(), a);
        const int row = keyRow(w.RestrictedList(), b->N);
        QVERIFY(row >= 0);
        clickRow(w.RestrictedList(), row);
        QCOMPARE(w.Teacher(), b);
        QCOMPARE(w.Grid()->Cells(TForm14::DayCol(4), TForm14::PeriodRow(7)),
                 QStringLiteral("Не работает"));
        click(&w, "PrevButton");
        QCOMPARE(w.Teacher(), year.LFio[1].get());
        QVERIFY(gridShows(w, *year.LFio[1]));
        click(&w, "NextButton");
        QCOMPARE(w.Teacher(), b);
        QVERIFY(gridShows(w, *b));
        // Nothing changed: closing stores nothing and asks nothing.
        QVERIFY(w.Modified().empty());
        click(&w, "CloseButton");
        QVERIFY(h->dialog.asked.empty());
    }

    // The teacher list opened by "Ф" may delete the teacher shown and
    // changed: the window neither shows nor stores it afterwards.
    void teacherDeletedInThePickerIsDropped() {
        auto h = make();
        TGod& year = h->year();
        auto made = std::make_unique<TFio>();
        made->SetBigName("Яковлев Юрий Юрьевич");
        TFio* fresh = year.AddFio(std::move(made));
        QVERIFY(fresh != nullptr);
        const int key = fresh->N;
        year.SetFioActivIndx(year.GetFioIndex(fresh));
        TForm14 w(*h->context);
        w.show();
        QCOMPARE(w.Teacher(), fresh);
        clickCell(w.Grid(), TForm14::DayCol(5), TForm14::PeriodRow(6));
        click(&w, "NotWorksButton");
        QVERIFY(keyRow(w.RestrictedList(), key) >= 0);
        QCOMPARE(w.Modified(), std::vector<int>{key});
        {
            auto wait = whenModal<entry::ui::TForm3>([&](entry::ui::TForm3* list) {
                const int row = keyRow(list->List(), key);
                QVERIFY(row >= 0);
                clickRow(list->List(), row);
                h->dialog.queue(true);  // "Удалить ?"
                click(list, "DeleteButton");
                QVERIFY(keyRow(list->List(), key) < 0);
                list->reject();  // nothing picked
            });
            click(&w, "FioButton");
            QVERIFY(wait.shown());
        }
        QVERIFY(year.FioNumer(key) == nullptr);
        QVERIFY(w.Modified().empty());
        QCOMPARE(w.Teacher(), year.LFio.front().get());
        QVERIFY(keyRow(w.RestrictedList(), key) < 0);
        click(&w, "CloseButton");
        QVERIFY(!w.isVisible());
    }

    // The picker deletes the changed teacher and another teacher takes its
    // very memory: the window knows teachers by number, so it neither shows
    // the newcomer as the one it had nor stores it as changed.
    void teacherReplacedAtTheSameAddressIsNotTakenForTheOld() {
        auto h = make();
        TGod& year = h->year();
        QVERIFY(year.CountFio() >= 2);
        TFio* t = year.LFio.back().get();
        const int key = t->N;
        int unused = 0;
        for (const auto& fio : year.LFio) unused = std::max(unused, fio->N + 1);
        year.SetFioActivIndx(year.GetFioIndex(t));
        TForm14 w(*h->context);
        w.show();
        QCOMPARE(w.Teacher(), t);
        clickCell(w.Grid(), TForm14::DayCol(1), TForm14::PeriodRow(1));
        click(&w, "NotWorksButton");
        QCOMPARE(w.Modified(), std::vector<int>{key});
        TFio* reused = nullptr;
        w.PickTeacher = [&]() -> TFio* {
            // The same object leaves the list and comes back as a new
            // teacher: what a freed address handed out again looks like.
            auto it = std::find_if(year.LFio.begin(), year.LFio.end(),
                                   [t](const auto& fio) { return fio.get() == t; });
            std::unique_ptr<TFio> same = std::move(*it);
            year.LFio.erase(it);
            same->N = unused;
            same->SetBigName("Яковлев Юрий Юрьевич");
            same->modifi = false;
            reused = same.get();
            year.LFio.push_back(std::move(same));
            return nullptr;  // nothing picked
        };
        click(&w, "FioButton");
        QCOMPARE(reused, t);
        QVERIFY(w.Modified().empty());
        QCOMPARE(w.Teacher(), year.LFio.front().get());
        QVERIFY(w.Teacher() != reused);
        click(&w, "CloseButton");
        QVERIFY(!w.isVisible());
        QVERIFY(!reused->modifi);
        QVERIFY(h->dialog.asked.empty());
    }

    // A teacher that cannot be stored is said, the window stays when the
    // answer is no, and the next close stores it.
    void restrictionNotStoredIsShownAndKept() {
        auto h = make(true);
        TGod& year = h->year();
        TFio* t = freeTeacher(year);
        QVERIFY(t != nullptr);
        const std::string name = t->BigName();
        year.SetFioActivIndx(year.GetFioIndex(t));
        TForm14 w(*h->context);
        w.show();
        QCOMPARE(w.Teacher(), t);
        clickCell(w.Grid(), TForm14::DayCol(1), TForm14::PeriodRow(0));
        click(&w, "NotWorksButton");
        h->faulty->failAt(1, false);
        h->dialog.queue(false);
        click(&w, "CloseButton");
        QCOMPARE(h->dialog.asked.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(h->dialog.asked[0]).contains(QString::fromStdString(name)));
        QVERIFY(w.isVisible());
        QCOMPARE(w.Modified(), std::vector<int>{t->N});
        h->faulty->failAt(0);
        click(&w, "CloseButton");
        QVERIFY(!w.isVisible());
        QCOMPARE(h->dialog.asked.size(), std::size_t{1});
        h->faulty.reset();
        QVERIFY(h->start());
        const TFio* stored = h->year().FindFioForBigName(name);
        QVERIFY(stored != nullptr);
        QCOMPARE(op(*stored, 1, 0), uint8_t{0});
    }

    // Windows opened on a year without teachers show empty grids and ignore
    // their buttons instead of crashing.
    void windowsWithoutTeachers() {
        auto h = make();
        TGod& year = h->year();
        auto saved = std::move(year.LFio);
        year.LFio.clear();
        {
            TForm14 w(*h->context);
            w.show();
            QVERIFY(w.Teacher() == nullptr);
            click(&w, "NextButton");
            click(&w, "PrevButton");
            click(&w, "NotWorksButton");
            click(&w, "NoLimitsButton");
            QCOMPARE(w.RestrictedList()->count(), 0);
            click(&w, "CloseButton");
        }
        {
            TForm15 w(*h->context);
            w.show();
            QVERIFY(w.TeacherAt(1) == nullptr);
            clickCell(w.Grid(), TForm15::kNameCol, 1);
            click(&w, "CloseButton");
        }
        year.LFio = std::move(saved);
        QVERIFY(h->dialog.asked.empty());
    }

    // The engine reads the stored restriction: a cell where a teacher taught
    // is forbidden through the window, and the week composed again leaves it.
    void compositionObeysAStoredRestriction() {
        auto h = make();
        TGod* year = &h->year();
        QVERIFY(composeWeek(*year, h->home.path(), kWeek) > 0);
        std::string name;
        int day = 0;
        int period = 0;
        for (const auto& fio : year->LFio) {
            for (const auto& [d, y] : teacherCells(*year, fio.get(), kWeek))
                if (!pinnedAt(*year, fio.get(), kWeek, d, y)) {
                    name = fio->BigName();
                    day = d;
                    period = y;
                    break;
                }
            if (!name.empty()) break;
        }
        QVERIFY2(!name.empty(), "no teacher with a lesson that is not pinned");

        // Back to the stored year, without the composed week.
        QVERIFY(h->start());
        year = &h->year();
        TFio* t = year->FindFioForBigName(name);
        QVERIFY(t != nullptr);
        year->SetFioActivIndx(year->GetFioIndex(t));
        {
            TForm14 w(*h->context);
            w.show();
            QCOMPARE(w.Teacher(), t);
            clickCell(w.Grid(), TForm14::DayCol(day), TForm14::PeriodRow(period));
            click(&w, "NotWorksButton");
            click(&w, "CloseButton");
        }
        QVERIFY(h->start());
        year = &h->year();
        t = year->FindFioForBigName(name);
        QVERIFY(t != nullptr);
        QCOMPARE(op(*t, day, period), uint8_t{0});
        QVERIFY(composeWeek(*year, h->home.path(), kWeek) > 0);
        const auto cells = teacherCells(*year, t, kWeek);
        QVERIFY(!cells.empty());
        for (const auto& [d, y] : cells) QVERIFY(!(d == day && y == period));
    }

    // Catches a value text that does not follow the value, a preselection
    // on the wrong row, a choice not stored or not read back.
    void wishedDaysChosenAndStored() {
        auto h = make();
        TGod& year = h->year();
        QVERIFY(year.CountFio() >= 3);
        year.LFio[0]->SetRday(6);
        year.LFio[1]->SetRday(5);
        year.LFio[2]->SetRday(3);
        const std::string name = year.LFio[2]->BigName();
        TForm15 w(*h->context);
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Желательное количество рабочих дней"));
        for (const char* text :
             {"Необоснованное уменьшение  количества рабочих дней ухудшает составляемое "
              "расписание",
              "6 - для администрации", "5 - для обычных преподавателей"}) {
            bool found = false;
            for (const QLabel* label : w.findChildren<QLabel*>())
                found = found || label->text() == QString::fromUtf8(text);
            QVERIFY2(found, text);
        }
        QCOMPARE(w.Grid()->RowCount(), year.CountFio() + 1);
        QCOMPARE(w.Grid()->Cells(TForm15::kNameCol, TForm15::TeacherRow(0)),
                 QString::fromStdString(year.LFio[0]->BigName()));
        QCOMPARE(w.Grid()->Cells(TForm15::kDaysCol, TForm15::TeacherRow(0)),
                 QStringLiteral("6 Администрация"));
        QCOMPARE(w.Grid()->Cells(TForm15::kDaysCol, TForm15::TeacherRow(1)),
                 QStringLiteral("5 Обычный"));
        QCOMPARE(w.Grid()->Cells(TForm15::kDaysCol, TForm15::TeacherRow(2)), QStringLiteral("3"));
        QVERIFY(saveScreenshot(&w, QStringLiteral("working_days_window")));

        // Closed by its close box on the preselected value: nothing changes.
        {
            auto wait = whenModal<TForm15_1>([](TForm15_1* d) {
                QCOMPARE(d->windowTitle(), QStringLiteral("Количество  рабочих дней"));
                QCOMPARE(d->DaysList()->count(), 6);
                QCOMPARE(d->DaysList()->currentItem()->text(), QStringLiteral("3"));
                QVERIFY(d->findChild<QPushButton*>(QStringLiteral("CancelButton")) == nullptr);
                QVERIFY(saveScreenshot(d, QStringLiteral("working_days_dialog")));
                d->close();
            });
            clickCell(w.Grid(), TForm15::kNameCol, TForm15::TeacherRow(2));
            QVERIFY(wait.shown());
        }
        QCOMPARE(year.LFio[2]->Rday(), 3);
        QVERIFY(w.Modified().empty());

        // 2 chosen, the close box stores it: the window has no way to cancel.
        {
            auto wait = whenModal<TForm15_1>([](TForm15_1* d) {
                clickRow(d->DaysList(), 1);
                d->close();
            });
            clickCell(w.Grid(), TForm15::kDaysCol, TForm15::TeacherRow(2));
            QVERIFY(wait.shown());
        }
        QCOMPARE(year.LFio[2]->Rday(), 2);
        QCOMPARE(w.Grid()->Cells(TForm15::kDaysCol, TForm15::TeacherRow(2)), QStringLiteral("2"));
        QCOMPARE(w.Modified(), std::vector<int>{year.LFio[2]->N});

        // Enter on the list closes with the row reached by the arrows.
        {
            auto wait = whenModal<TForm15_1>([](TForm15_1* d) {
                QCOMPARE(d->DaysList()->currentRow(), 4);
                QTest::keyClick(d->DaysList(), Qt::Key_Down);
                QTest::keyClick(d->DaysList(), Qt::Key_Return);
            });
            clickCell(w.Grid(), TForm15::kDaysCol, TForm15::TeacherRow(1));
            QVERIFY(wait.shown());
        }
        // Teacher 1 wished 5: the list started there, Down made it 6.
        QCOMPARE(year.LFio[1]->Rday(), 6);
        QCOMPARE(w.Grid()->Cells(TForm15::kDaysCol, TForm15::TeacherRow(1)),
                 QStringLiteral("6 Администрация"));
        QCOMPARE(w.Modified(), (std::vector<int>{year.LFio[2]->N, year.LFio[1]->N}));
        click(&w, "CloseButton");
        QVERIFY(!w.isVisible());

        QVERIFY(h->start());
        const TFio* stored = h->year().FindFioForBigName(name);
        QVERIFY(stored != nullptr);
        QCOMPARE(stored->Rday(), 2);
    }

    // A value outside 1-6 starts the choice on 6; each value in range on
    // its own row.
    void wishedDaysChoiceStartsOnSixOutsideTheRange() {
        for (int rd : {0, 7, 9, -1}) {
            TForm15_1 d(rd);
            QCOMPARE(d.DaysList()->currentRow(), 5);
        }
        for (int rd = 1; rd <= 6; ++rd) {
            TForm15_1 d(rd);
            QCOMPARE(d.DaysList()->currentRow(), rd - 1);
        }
        TForm15_1 d(4);
        d.show();
        QTest::keyClick(d.DaysList(), Qt::Key_Down);
        click(&d, "OkButton");
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.Rd, 5);
        // Escape closes too, and a close is always an answer.
        TForm15_1 e(2);
        e.show();
        QTest::keyClick(e.DaysList(), Qt::Key_Up);
        QTest::keyClick(&e, Qt::Key_Escape);
        QVERIFY(!e.isVisible());
        QCOMPARE(e.Rd, 1);
    }
};

QTEST_MAIN(CompositionInputWindowsTest)
#include "composition_input_windows_test.moc"
