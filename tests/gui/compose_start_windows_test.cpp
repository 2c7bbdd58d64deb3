// The start windows of a run over a sample college: the lists they show,
// changing the groups and the weeks, the refusals of "Старт", the questions
// and a "No" that runs nothing, the synchronisation's base week, its
// comparison of the weeks and its offer to copy the base week's unions.
// Questions are answered by a scripted dialog, the windows opened by a click
// through the modal pump.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/my_dialog.h"
#include "composition/ui/compose_start_window.h"
#include "composition/ui/composition_windows.h"
#include "composition/ui/progress_window.h"
#include "composition/ui/recompose_start_window.h"
#include "composition/ui/sync_start_window.h"
#include "composition/ui/week_compare_window.h"
#include "composition/week_compare.h"
#include "entry/ui/active_weeks_window.h"
#include "entry/ui/groups_window.h"
#include "entry_fixture.h"
#include "model/god.h"
#include "screenshot.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"

using namespace zavlin;
using namespace zavlin::composition::ui;
using namespace zavlin::test;
using zavlin::entry::ui::TForm1_3;
using zavlin::entry::ui::TForm2;

namespace {

const std::string kNoGroups = "Выберите группы";
const std::string kZeroQuestion =
    "Составить расписание? Старое расписание для всех групп будет уничтожено!";
const std::string kRecomposeQuestion =
    "Составить расписание? Старое расписание для выбранных групп будет уничтожено!";
const std::string kSyncQuestion =
    "Синхронизировать расписание? Старое расписание для выбранных групп будет уничтожено!";
const std::string kUnionsNotAll =
    "Установка объединений по аналогии с базовой неделей происходит автоматически только при "
    "выборе всех групп  Продолжать  синхронизацию?";
const std::string kUnionsCopy =
    "Установить объединения на синхронизируемые недели аналогичные базовой неделе? Внимание! Все "
    "ваши установленные объединения отличные от объединений базовой недели будут удалены";
const std::string kCompleteQuestion =
    "Назначать предметы часы которых на синхронизируемой неделе превышают часы базовой недели?";

QStringList toQt(const std::vector<std::string>& lines) {
    QStringList out;
    for (const std::string& line : lines) out.push_back(QString::fromStdString(line));
    return out;
}

// (day, period, teacher, subject) of every timetable lesson of a group.
using Lesson = std::tuple<int, int, int, int, const TFio*, const TPredmet*>;
std::set<Lesson> timetableOf(const TGryp& gr) {
    std::set<Lesson> out;
    for (int ne = 1; ne <= 56; ++ne)
        if (const TNed* week = gr.GetNed(ne))
            for (int d = 1; d <= 6; ++d)
                for (int y = 0; y < 12; ++y)
                    if (const TYrok* cell = week->GetYrok(0, d, y))
                        for (const TYr* yr : cell->LYr)
                            out.insert({ne, d, y, 0, yr->Fio(), yr->Predmet()});
    return out;
}

// The year's timetable by names, comparable across two shells: (group, week,
// day, period, teacher, subject) of every timetable lesson.
using NamedLesson = std::tuple<std::string, int, int, int, std::string, std::string>;
std::set<NamedLesson> namedTimetable(const TGod& god, const TGryp* only = nullptr,
                                     bool activeOnly = false) {
    std::set<NamedLesson> out;
    for (const auto& gr : god.LGryp) {
        if (only != nullptr && gr.get() != only) continue;
        for (const auto& [ne, d, y, tip, fio, pr] : timetableOf(*gr))
            if (!activeOnly || god.AllNed.DNed(ne)->Activ)
                out.insert({gr->Name(), ne, d, y, fio != nullptr ? fio->Name() : std::string(),
                            pr != nullptr ? pr->Name() : std::string()});
    }
    return out;
}

// Places one lesson of the group's first subject with a teacher in week ne
// into the timetable, as an earlier run would have.
bool placeLesson(TGryp& gr, int ne) {
    TNed* week = gr.GetNed(ne);
    if (week == nullptr) return false;
    for (const auto& pr : gr.LPredmet) {
        TYrokKorzina* load = week->FindYrokKorzina(kSetkaPlan, pr.get());
        if (load == nullptr || pr->GetLFio(ne).empty()) continue;
        return week->AddYrRas(0, 1, 11, load, pr->GetLFio(ne).front().get()) != nullptr;
    }
    return false;
}

// Pins a lesson of one teacher in two groups at the same hour of week ne,
// outside any union: the test of the pinned lessons must refuse the run.
bool pinClash(TGod& god, int ne) {
    struct Pin {
        TNed* week;
        TYrokKorzina* load;
        TFioPredmet* teacher;
    };
    std::map<const TFio*, Pin> first;
    for (const auto& gr : god.LGryp) {
        TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        std::set<const TFio*> ofGroup;
        for (const auto& pr : gr->LPredmet) {
            TYrokKorzina* load = week->FindYrokKorzina(kSetkaPlan, pr.get());
            if (load == nullptr || pr->GetLFio(ne).empty()) continue;
            const Pin pin{week, load, pr->GetLFio(ne).front().get()};
            const TFio* fio = pin.teacher->Fio();
            if (const auto other = first.find(fio); other != first.end() && !ofGroup.count(fio))
                return other->second.week->AddYrRas(1, 2, 11, other->second.load,
                                                    other->second.teacher) != nullptr &&
                       week->AddYrRas(1, 2, 11, load, pin.teacher) != nullptr;
            first.try_emplace(fio, pin);
            ofGroup.insert(fio);
        }
    }
    return false;
}

// A scripted dialog that also keeps what a window's memo showed at the
// moment of each message.
class MemoAtMessage : public TScriptedDialog {
public:
    QWidget* window = nullptr;
    std::vector<QStringList> memoSeen;
    void MessageShow(const std::string& msg) override {
        TScriptedDialog::MessageShow(msg);
        memoSeen.push_back(window != nullptr ? memoLines(window, "GroupsMemo") : QStringList{});
    }
};

// What the progress window was started with, as it showed it.
struct SeenRun {
    QString caption;
    int tip = -1;
    int base = -1;
    bool complete = false;
    bool log = false;
    bool finished = false;
};

// Waits for the progress window a start window opens, lets the run end and
// closes it with its button, keeping what it was started with.
ModalWait finishRun(SeenRun& seen) {
    return whenModal<TFormS1>([&seen](TFormS1* w) {
        seen.caption = w->windowTitle();
        seen.tip = w->State().TipSostRasp();
        seen.base = w->State().SinxrNed();
        seen.complete = w->State().SostRaspYes();
        seen.log = w->State().Run.WLog;
        QTRY_VERIFY_WITH_TIMEOUT(w->Finished(), 20 * 60 * 1000);
        seen.finished = true;
        click(w, "StopButton");
    });
}

// Passes the comparison window with OK when the weeks differ from the base
// week; nothing when they are alike.
std::unique_ptr<ModalWait> passComparison(const TGod& god, int base) {
    if (CompareWithBaseWeek(god, base).empty()) return nullptr;
    return std::make_unique<ModalWait>(
        [](QWidget* w) -> QWidget* { return qobject_cast<TWeekCompareWindow*>(w); },
        [](QWidget* w) { click(w, "OkButton"); });
}

std::set<std::string> unionsOf(TGod& god, int ne) {
    std::set<std::string> out;
    for (const auto& ob : god.GetLOb(ne)) out.insert(ob->NamePredmetGrypFio());
    return out;
}

void dissolveUnions(TGod& god, int ne) {
    while (!god.GetLOb(ne).empty())
        QVERIFY(god.DelOb(ne, static_cast<int>(god.GetLOb(ne).size()) - 1, false));
}

}  // namespace

class ComposeStartWindowsTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

    std::unique_ptr<EntryHarness> sample() { return template_.copy("start_gui"); }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("start_gui_template", message), message.c_str());
    }

    // Catches "Старт" asking its question, or closing, while no group is
    // selected, in any of the three windows.
    void startWithoutGroupsRefusesAndStays() {
        auto h = sample();
        h->year().SelectAllGryp(false);
        TForm8 zero(*h->context);
        TForm9 again(*h->context);
        TForm30 sync(*h->context);
        sync.SetSinxrNed(53);
        for (QDialog* window : std::initializer_list<QDialog*>{&zero, &again, &sync}) {
            h->dialog.shown.clear();
            window->show();
            click(window, "StartButton");
            QCOMPARE(h->dialog.shown, std::vector<std::string>{kNoGroups});
            QVERIFY(h->dialog.asked.empty());
            QVERIFY(window->isVisible());
            QCOMPARE(window->result(), int(QDialog::Rejected));
        }
    }

    // Catches a week list not of the active weeks, groups listed that are
    // not selected or in another order, and the memo of groups counting
    // bytes instead of characters or closing a line at 60 rather than past it.
    void listsShowActiveWeeksAndSelectedGroups() {
        auto h = sample();
        TGod& god = h->year();
        QVERIFY(god.CountGryp() >= 6);
        // Twenty-nine letters, twenty, and two of one: 29 + 2 + 29 = 60 is
        // not past the limit, a third name is.
        const std::string name29 = "Группааааааааааааааааааааааа1";
        const std::string name29b = "Группааааааааааааааааааааааа2";
        const std::string name20 = "Группаааааааааааааа3";
        QCOMPARE(QString::fromStdString(name29).size(), 29);
        QCOMPARE(QString::fromStdString(name20).size(), 20);
        god.SelectAllGryp(false);
        const std::vector<std::string> names = {name29, name29b, name20, "А", "Б"};
        for (std::size_t i = 0; i < names.size(); ++i) {
            TGryp& gr = *god.LGryp[i];
            gr.SetName(names[i]);
            gr.Select = true;
        }
        // One group left out between chosen ones.
        god.LGryp[3]->Select = false;
        const QStringList expected = {
            QString::fromStdString(name29 + "  " + name29b + "  " + name20), QStringLiteral("Б")};
        QCOMPARE(toQt(SelectedGroupLines(god)), expected);

        std::vector<std::string> weeks;
        for (const auto& [text, ne] : god.AllNed.DateGodToListBoxN())
            if (ne == 53 || ne == 54) weeks.push_back(text);
        QCOMPARE(god.AllNed.CountActivDNed(), 2);

        TForm8 zero(*h->context);
        TForm9 again(*h->context);
        TForm30 sync(*h->context);
        for (QDialog* window : std::initializer_list<QDialog*>{&zero, &again, &sync}) {
            QCOMPARE(memoLines(window, "GroupsMemo"), expected);
            QCOMPARE(memoLines(window, "WeeksMemo"), toQt(weeks));
            QCOMPARE(child<QCheckBox>(window, "LogCheck")->text(),
                     QStringLiteral("Сохранять отчет о составлении в файле  ..\\Logsrasp.txt  "));
        }
        QCOMPARE(zero.windowTitle(), QStringLiteral("Составление расписания c \"0\""));
        QCOMPARE(again.windowTitle(), QStringLiteral("Пересоставление расписания"));
        QCOMPARE(sync.windowTitle(), QStringLiteral("Сихронизация расписания."));
        // The warnings belong to the run from zero only.
        const auto warned = [](QWidget* w) {
            for (const QLabel* label : w->findChildren<QLabel*>())
                if (label->text() ==
                    QStringLiteral("Расписание всех остальных групп на эти недели будет удалено!"))
                    return true;
            return false;
        };
        QVERIFY(warned(&zero));
        QVERIFY(!warned(&again));
        QVERIFY(!warned(&sync));
    }

    // Catches the wrong question for the kind of run, and a "No" that still
    // clears or composes anything or closes the window.
    void noToTheQuestionRunsNothing() {
        auto h = sample();
        TGod& god = h->year();
        god.SelectAllGryp(true);
        std::vector<std::set<Lesson>> before;
        for (const auto& gr : god.LGryp) before.push_back(timetableOf(*gr));
        QVERIFY(!before.front().empty());
        god.TipSostRasp = 7;

        TForm8 zero(*h->context);
        TForm9 again(*h->context);
        QCOMPARE(zero.Question(), kZeroQuestion);
        QCOMPARE(again.Question(), kRecomposeQuestion);
        for (TForm8* window : std::initializer_list<TForm8*>{&zero, &again}) {
            h->dialog.asked.clear();
            window->show();
            QVERIFY(saveScreenshot(
                window, window == &zero ? "compose_start_window" : "recompose_start_window"));
            click(window, "StartButton");
            QCOMPARE(h->dialog.asked, std::vector<std::string>{window->Question()});
            QVERIFY(window->isVisible());
            QCOMPARE(window->result(), int(QDialog::Rejected));
        }
        QVERIFY(h->dialog.shown.empty());
        QCOMPARE(int(god.TipSostRasp), 7);
        for (std::size_t i = 0; i < god.LGryp.size(); ++i)
            QVERIFY(timetableOf(*god.LGryp[i]) == before[i]);
    }

    // Catches the group list not opened with the selection preselected, its
    // picks not becoming the groups' flags, a cancel changing them, and the
    // memo not following.
    void changingTheGroupsSetsTheirSelection() {
        auto h = sample();
        TGod& god = h->year();
        god.SelectAllGryp(false);
        god.LGryp[1]->Select = true;
        TForm8 window(*h->context);
        window.show();

        std::vector<int> preselected;
        const auto pick = whenModal<TForm2>([&](TForm2* list) {
            QCOMPARE(list->Mode(), entry::ui::TListMode::PickMany);
            for (TGryp* gr : list->Picked()) preselected.push_back(god.GetGrypIndex(gr));
            click(list, "ClearSelectionButton");
            clickRow(list->List(), 0);
            clickRow(list->List(), 2, Qt::ControlModifier);
            click(list, "OkButton");
        });
        click(&window, "GroupsButton");
        QVERIFY(pick.shown());
        QCOMPARE(preselected, std::vector<int>{1});
        std::vector<bool> flags;
        for (const auto& gr : god.LGryp) flags.push_back(gr->Select);
        std::vector<bool> expected(god.LGryp.size(), false);
        expected[0] = expected[2] = true;
        QVERIFY(flags == expected);
        QCOMPARE(memoLines(&window, "GroupsMemo"),
                 QStringList{
                     QString::fromStdString(god.LGryp[0]->Name() + "  " + god.LGryp[2]->Name())});

        // A closed list changes nothing.
        const auto cancel = whenModal<TForm2>([](TForm2* list) {
            click(list, "SelectAllButton");
            list->reject();
        });
        click(&window, "GroupsButton");
        QVERIFY(cancel.shown());
        flags.clear();
        for (const auto& gr : god.LGryp) flags.push_back(gr->Select);
        QVERIFY(flags == expected);
        QVERIFY(window.isVisible());
    }

    // Catches the week memo not following the active-week window and the
    // main window's week list not told.
    void changingTheWeeksRefreshesTheList() {
        auto h = sample();
        TForm9 window(*h->context);
        window.show();
        QCOMPARE(memoLines(&window, "WeeksMemo").size(), 2);
        const int told = h->weeksChanged;
        const auto weeks = whenModal<TForm1_3>([](TForm1_3* w) {
            auto* list = child<shell::ui::TListBoxNumer>(w, "ListBoxN");
            // Week 5 joins the two active ones.
            list->item(4)->setSelected(true);
            click(w, "OkButton");
        });
        click(&window, "WeeksButton");
        QVERIFY(weeks.shown());
        QVERIFY(h->year().AllNed.DNed(5)->Activ);
        const QStringList lines = memoLines(&window, "WeeksMemo");
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.front(),
                 QString::fromStdString(h->year().AllNed.DateGodToListBoxN()[4].first));
        QVERIFY(h->weeksChanged > told);
    }

    // Catches a base week not asked for, the base-week list not starting on
    // week 52, its choice not shown, the year's record changed by a window
    // that ran nothing, and the groups refused only after the base week.
    void syncStartRefusals() {
        auto h = sample();
        TGod& god = h->year();
        god.SinxrNed = 9;
        TForm30 window(*h->context);
        window.show();
        QCOMPARE(window.SinxrNed(), 0);
        QVERIFY(child<QLineEdit>(&window, "BaseWeekEdit")->text().isEmpty());
        QCOMPARE(child<QLabel>(&window, "BaseWeekLabel")->text(),
                 QStringLiteral("Базова неделя (неделя образец  для составления расписания)"));

        god.SelectAllGryp(false);
        click(&window, "StartButton");
        QCOMPARE(h->dialog.shown, std::vector<std::string>{"Выберите базовую неделю"});

        int preselected = 0;
        const auto choose = whenModal<TBaseWeekDialog>([&](TBaseWeekDialog* d) {
            preselected = d->Week();
            clickRow(d->List(), 52);  // week 53
            click(d, "OkButton");
        });
        click(&window, "BaseWeekButton");
        QVERIFY(choose.shown());
        QCOMPARE(preselected, 52);
        QCOMPARE(window.SinxrNed(), 53);
        QCOMPARE(int(god.SinxrNed), 9);
        QCOMPARE(child<QLineEdit>(&window, "BaseWeekEdit")->text(),
                 QString::fromStdString(god.AllNed.DateGodToListBoxN()[52].first));

        // Opened again, the list starts on the week chosen; a cancel keeps it.
        const auto again = whenModal<TBaseWeekDialog>([&](TBaseWeekDialog* d) {
            preselected = d->Week();
            clickRow(d->List(), 3);
            click(d, "CancelButton");
        });
        click(&window, "BaseWeekButton");
        QCOMPARE(preselected, 53);
        QCOMPARE(window.SinxrNed(), 53);

        h->dialog.shown.clear();
        click(&window, "StartButton");
        QCOMPARE(h->dialog.shown, std::vector<std::string>{kNoGroups});
        QVERIFY(h->dialog.asked.empty());
        QVERIFY(window.isVisible());
    }

    // Catches weeks that differ going on without the comparison window, and
    // anything but its OK going on to the question.
    void syncComparisonCancels() {
        auto h = sample();
        TGod& god = h->year();
        god.SelectAllGryp(true);
        TGryp& gr = *god.LGryp[0];
        TPredmet* changed = nullptr;
        for (const auto& pr : gr.LPredmet)
            if (pr->CountPredmetNe(kSetkaPlan, 54) > 0) changed = pr.get();
        QVERIFY(changed != nullptr);
        changed->AddPredmetNe(kSetkaPlan, 54);
        QVERIFY(!CompareWithBaseWeek(god, 53).empty());

        TForm30 window(*h->context);
        window.show();
        window.SetSinxrNed(53);
        QString listed;
        const auto compare = whenModal<TWeekCompareWindow>([&](TWeekCompareWindow* w) {
            QCOMPARE(w->windowTitle(),
                     QStringLiteral("Сравнение синхронизируемой и базовой недели"));
            listed = w->Memo()->toPlainText();
            QVERIFY(saveScreenshot(w, "week_compare_window"));
            click(w, "CancelButton");
        });
        click(&window, "StartButton");
        QVERIFY(compare.shown());
        QVERIFY(listed.contains(QString::fromStdString(gr.Name())));
        QVERIFY(listed.contains(QString::fromStdString(changed->Name())));
        QVERIFY(h->dialog.asked.empty());
        QVERIFY(window.isVisible());

        // Closed without a button: cancelled as well.
        const auto closed =
            whenModal<TWeekCompareWindow>([](TWeekCompareWindow* w) { w->reject(); });
        click(&window, "StartButton");
        QVERIFY(closed.shown());
        QVERIFY(h->dialog.asked.empty());
    }

    // Catches the unions question skipped, a "No" to it going on, and the
    // copy of the base week's unions not made when all groups are selected.
    void syncOffersTheBaseWeeksUnions() {
        auto h = sample();
        TGod& god = h->year();
        QVERIFY(!god.GetLOb(53).empty());
        dissolveUnions(god, 54);
        god.SelectAllGryp(true);
        god.LGryp[0]->Select = false;
        {
            TForm30 window(*h->context);
            window.show();
            window.SetSinxrNed(53);
            const auto compare = passComparison(god, 53);
            h->dialog.queue(true);   // synchronise
            h->dialog.queue(false);  // not all groups: do not go on
            click(&window, "StartButton");
            QCOMPARE(h->dialog.asked, (std::vector<std::string>{kSyncQuestion, kUnionsNotAll}));
            QVERIFY(god.GetLOb(54).empty());
            QVERIFY(window.isVisible());
        }

        // All groups, the copy refused: the run goes on without it and
        // without completing the weeks.
        god.SelectAllGryp(true);
        {
            h->dialog.asked.clear();
            TForm30 window(*h->context);
            window.show();
            window.SetSinxrNed(53);
            const auto compare = passComparison(god, 53);
            h->dialog.queue(true);   // synchronise
            h->dialog.queue(false);  // no copy of the unions
            h->dialog.queue(false);  // no completion
            SeenRun seen;
            const auto run = finishRun(seen);
            click(&window, "StartButton");
            QVERIFY(run.shown());
            QCOMPARE(h->dialog.asked,
                     (std::vector<std::string>{kSyncQuestion, kUnionsCopy, kCompleteQuestion}));
            QCOMPARE(seen.tip, 2);
            QVERIFY(!seen.complete);
            QVERIFY(god.GetLOb(54).empty());
            QCOMPARE(window.result(), int(QDialog::Accepted));
        }

        // All groups: the copy asked for and made before the run; the run
        // synchronises week 54 from week 53 and completes it.
        h->dialog.asked.clear();
        TForm30 window(*h->context);
        window.show();
        window.SetSinxrNed(53);
        QVERIFY(saveScreenshot(&window, "sync_start_window"));
        const auto compare = passComparison(god, 53);
        h->dialog.queue(true);  // synchronise
        h->dialog.queue(true);  // copy the unions
        h->dialog.queue(true);  // complete the weeks
        SeenRun seen;
        const auto run = finishRun(seen);
        click(&window, "StartButton");
        QVERIFY(run.shown());
        QCOMPARE(h->dialog.asked,
                 (std::vector<std::string>{kSyncQuestion, kUnionsCopy, kCompleteQuestion}));
        QVERIFY(seen.finished);
        QCOMPARE(seen.caption, QStringLiteral("Синхронизация расписания"));
        QCOMPARE(seen.tip, 2);
        QCOMPARE(seen.base, 53);
        QVERIFY(seen.complete);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(int(god.TipSostRasp), 2);
        QCOMPARE(int(god.SinxrNed), 53);
        const std::set<std::string> base = unionsOf(god, 53);
        const std::set<std::string> copied = unionsOf(god, 54);
        QVERIFY(!copied.empty());
        for (const std::string& ob : copied) QVERIFY2(base.count(ob) == 1, ob.c_str());
    }

    // Catches a run not started, started with another kind or without the
    // report, the window not closed with OK after it, and the composed
    // timetable not stored by the save the main window makes after the
    // window: a fresh shell reads the same timetable back.
    void fullRunFromZeroIsStored() {
        auto h = sample();
        TGod& god = h->year();
        god.SelectAllGryp(false);
        god.LGryp[0]->Select = true;
        // The old timetable of every group goes, selected or not.
        const TGryp* other = god.LGryp[1].get();
        QVERIFY(placeLesson(*god.LGryp[1], 53));
        QVERIFY(!namedTimetable(god, other, true).empty());
        TForm8 window(*h->context);
        window.show();
        child<QCheckBox>(&window, "LogCheck")->setChecked(true);
        h->dialog.queue(true);
        SeenRun seen;
        const auto run = finishRun(seen);
        click(&window, "StartButton");
        QVERIFY(run.shown());
        QVERIFY(seen.finished);
        QCOMPARE(seen.caption, QStringLiteral("Составление расписания с \"0\""));
        QCOMPARE(seen.tip, 0);
        QVERIFY(seen.log);
        QVERIFY(h->wasShown("Расписание составлено."));
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(!h->context->dropChanges);
        QVERIFY(std::filesystem::exists(h->home.path() / "Logsrasp.txt"));

        const std::set<NamedLesson> composed = namedTimetable(god);
        QVERIFY(!namedTimetable(god, god.LGryp[0].get()).empty());
        QVERIFY(namedTimetable(god, other, true).empty());
        QVERIFY(god.SaveRasp());
        QVERIFY(h->start());
        QVERIFY(namedTimetable(h->year()) == composed);
    }

    // Catches a recomposition that clears or composes groups not selected.
    void recompositionKeepsOtherGroups() {
        auto h = sample();
        TGod& god = h->year();
        god.SelectAllGryp(false);
        TGryp* chosen = god.LGryp[2].get();
        chosen->Select = true;
        QVERIFY(placeLesson(*god.LGryp[1], 53));
        QVERIFY(placeLesson(*god.LGryp[3], 54));
        std::set<NamedLesson> othersBefore = namedTimetable(god);
        for (const NamedLesson& lesson : namedTimetable(god, chosen)) othersBefore.erase(lesson);
        QVERIFY(!othersBefore.empty());
        TForm9 window(*h->context);
        window.show();
        h->dialog.queue(true);
        SeenRun seen;
        const auto run = finishRun(seen);
        click(&window, "StartButton");
        QVERIFY(run.shown());
        QCOMPARE(seen.tip, 1);
        QVERIFY(!seen.log);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        std::set<NamedLesson> othersAfter = namedTimetable(god);
        const std::set<NamedLesson> composed = namedTimetable(god, chosen);
        QVERIFY(!composed.empty());
        for (const NamedLesson& lesson : composed) othersAfter.erase(lesson);
        QVERIFY(othersAfter == othersBefore);
    }

    // Catches a group whose stored timetable could not be read taking part
    // in a run, which would compose over what may still be recovered; it
    // left out without a word, or the message read over a memo still
    // listing it.
    void unreadableGroupsAreLeftOutAndNamed() {
        auto h = sample();
        TGod& god = h->year();
        god.SelectAllGryp(false);
        TGryp& lost = *god.LGryp[0];
        TGryp& kept = *god.LGryp[1];
        lost.SetName("Утраченная");
        kept.SetName("Целая");
        lost.Select = kept.Select = true;
        lost.BlobUnreadable = true;
        MemoAtMessage dialog;
        TWindowContext context{*h->shell, dialog, nullptr, {}, {}, {}, false, {}};
        TForm9 window(context);
        dialog.window = &window;
        window.show();
        QCOMPARE(memoLines(&window, "GroupsMemo"),
                 QStringList{QStringLiteral("Утраченная  Целая")});

        click(&window, "StartButton");  // the question answered No
        QCOMPARE(dialog.shown.size(), std::size_t{1});
        QVERIFY(dialog.shown[0].find("Утраченная") != std::string::npos);
        QVERIFY(dialog.shown[0].find("Целая") == std::string::npos);
        QCOMPARE(dialog.memoSeen[0], QStringList{QStringLiteral("Целая")});
        QCOMPARE(dialog.asked, std::vector<std::string>{kRecomposeQuestion});
        QVERIFY(!lost.Select);
        QVERIFY(kept.Select);
        QVERIFY(window.isVisible());

        // Only the unreadable group chosen: named, then nothing is left.
        dialog.shown.clear();
        dialog.asked.clear();
        dialog.memoSeen.clear();
        lost.Select = true;
        kept.Select = false;
        window.Refresh();
        click(&window, "StartButton");
        QCOMPARE(dialog.shown.size(), std::size_t{2});
        QVERIFY(dialog.shown[0].find("Утраченная") != std::string::npos);
        QCOMPARE(dialog.shown[1], kNoGroups);
        QVERIFY(dialog.memoSeen[0].isEmpty());
        QVERIFY(dialog.asked.empty());
        QVERIFY(!lost.Select);
        QVERIFY(window.isVisible());
    }

    // Catches a group left out as unreadable counting as one the user did
    // not choose, so that the copy of the base week's unions is refused;
    // and a progress window closed before its run began taken for a run:
    // closing the start window or writing the run into the year.
    void syncWithAnUnreadableGroupAndNoRun() {
        auto h = sample();
        TGod& god = h->year();
        QVERIFY(!god.GetLOb(53).empty());
        god.SelectAllGryp(true);
        TGryp& lost = *god.LGryp[0];
        lost.BlobUnreadable = true;
        // A week that differs from the base week with or without that group.
        TGryp& gr = *god.LGryp[1];
        TPredmet* changed = nullptr;
        for (const auto& pr : gr.LPredmet)
            if (pr->CountPredmetNe(kSetkaPlan, 54) > 0) changed = pr.get();
        QVERIFY(changed != nullptr);
        changed->AddPredmetNe(kSetkaPlan, 54);
        god.TipSostRasp = 7;
        god.SinxrNed = 9;
        const std::set<NamedLesson> before = namedTimetable(god);
        const std::set<std::string> unions54 = unionsOf(god, 54);

        TForm30 window(*h->context);
        window.show();
        window.SetSinxrNed(53);
        const auto compare =
            whenModal<TWeekCompareWindow>([](TWeekCompareWindow* w) { click(w, "OkButton"); });
        h->dialog.queue(true);   // synchronise
        h->dialog.queue(false);  // no copy of the unions
        h->dialog.queue(false);  // no completion
        bool notYetRunning = false;
        const auto progress = whenModal<TFormS1>([&](TFormS1* w) {
            notYetRunning = !w->State().StartPotok();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        click(&window, "StartButton");
        QVERIFY(compare.shown());
        QVERIFY(progress.shown());
        QVERIFY(notYetRunning);
        QCOMPARE(h->dialog.shown.size(), std::size_t{1});
        QVERIFY(h->dialog.shown[0].find(lost.Name()) != std::string::npos);
        QCOMPARE(h->dialog.asked,
                 (std::vector<std::string>{kSyncQuestion, kUnionsCopy, kCompleteQuestion}));
        QVERIFY(window.isVisible());
        QVERIFY(window.result() != QDialog::Accepted);
        QCOMPARE(int(god.TipSostRasp), 7);
        QCOMPARE(int(god.SinxrNed), 9);
        QVERIFY(namedTimetable(god) == before);
        QVERIFY(unionsOf(god, 54) == unions54);
    }

    // Catches a run the test of the pinned lessons refused reported as a
    // run, or leaving the start window open over a run that cannot go.
    void refusedRunIsNoRun() {
        auto h = sample();
        TGod& god = h->year();
        dissolveUnions(god, 53);
        QVERIFY(pinClash(god, 53));
        god.SelectAllGryp(true);
        QVERIFY(placeLesson(*god.LGryp[1], 53));
        const std::set<NamedLesson> before = namedTimetable(god);
        bool closed = false;
        SeenRun seen;
        const auto start = whenModal<TForm8>([&](TForm8* w) {
            h->dialog.queue(true);
            const auto run = finishRun(seen);
            click(w, "StartButton");
            QVERIFY(run.shown());
            closed = !w->isVisible();
        });
        QVERIFY(!RunComposeStart(*h->context, 0));
        QVERIFY(start.shown());
        QVERIFY(seen.finished);
        QVERIFY(closed);
        QVERIFY(h->wasShown(
            "Предварительные установки расписания имеют ошибку.Расписание не составлялось"));
        QVERIFY(namedTimetable(god) == before);
    }

    // Catches the menu's names opening the wrong window or kind of run, and
    // a window closed without a run reported as a run.
    void openedFromTheMenu() {
        auto h = sample();
        const auto zero = whenModal<TForm8>([](TForm8* w) {
            QVERIFY(qobject_cast<TForm9*>(w) == nullptr);
            QCOMPARE(w->Tip(), 0);
            click(w, "CancelButton");
        });
        QVERIFY(!RunComposeStart(*h->context, 0));
        QVERIFY(zero.shown());
        const auto again = whenModal<TForm9>([](TForm9* w) {
            QCOMPARE(w->Tip(), 1);
            w->reject();
        });
        QVERIFY(OpenCompositionWindow("TForm9", *h->context));
        QVERIFY(again.shown());
        const auto sync = whenModal<TForm30>([](TForm30* w) { click(w, "CancelButton"); });
        QVERIFY(!RunSyncStart(*h->context));
        QVERIFY(sync.shown());
        QVERIFY(h->dialog.asked.empty());
    }
};

QTEST_MAIN(ComposeStartWindowsTest)
#include "compose_start_windows_test.moc"
