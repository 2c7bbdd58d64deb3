// The load windows over a sample college: spreading pairs over the selected
// weeks, the layer and synchronisation refusals, a subject added, refused and
// deleted, the copies between groups and to the additional weeks, the year
// saved on close, and the teachers of a subject given and taken over a range
// of weeks. Questions are answered by a scripted dialog, the load windows'
// own small windows by clicking them once they are the active modal window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "entry/load_ops.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/groups_window.h"
#include "entry/ui/load_subject_dialog.h"
#include "entry/ui/load_window.h"
#include "entry/ui/pairs_dialog.h"
#include "entry/ui/subject_teachers_window.h"
#include "entry/ui/sync_dialog.h"
#include "entry/ui/teachers_window.h"
#include "entry_fixture.h"
#include "model/god.h"
#include "screenshot.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/list_box_numer.h"
#include "support/scratch_home.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::entry::ui;
using zavlin::shell::TShell;
using zavlin::shell::ui::TComboBoxNumer;
using zavlin::shell::ui::TListBoxNumer;
using namespace zavlin::test;

namespace {

const std::string kOnlyRegular =
    "Эта операция осуществляется только для пар входящих в сетку(установите \"сетка\")";

std::vector<int> pairsIn(const TPredmet& pr, int first, int last) {
    std::vector<int> out;
    for (int ne = first; ne <= last; ++ne) out.push_back(pr.CountPredmetNe(kSetkaPlan, ne));
    return out;
}

}  // namespace

class LoadWindowsTest : public QObject {
    Q_OBJECT

    test::SampleTemplate template_;

    // One test's shell over its own copy of the sample college.
    struct Harness : EntryHarness {
        explicit Harness(const std::string& tag) : EntryHarness(tag) {
            onOpen = [this](const std::string& window) {
                if (window != "TForm1_3" || !onActiveWeeks) return false;
                onActiveWeeks();
                return true;
            };
        }
        std::function<void()> onActiveWeeks;

        TGod& god() const { return year(); }
        TGryp& group(int index = 0) const { return *god().LGryp[static_cast<std::size_t>(index)]; }
    };

    // faulty: the shell's files go through a fault injector (h->faulty).
    std::unique_ptr<Harness> make(bool faulty = false) {
        return template_.copy<Harness>("load_gui", faulty);
    }

    // The group as the tables hold it, read by a fresh shell as the next
    // start of the program would.
    static TGryp* storedGroup(Harness& h, const std::string& name) {
        if (!h.start() || h.shell->God() == nullptr) return nullptr;
        return h.god().FindGrypForName(name);
    }

    // The group's weeks made study weeks, as the calendar window makes them.
    static void studyWeeks(TGryp& gr, std::initializer_list<int> weeks) {
        for (int ne : weeks) gr.SetNed(ne);
    }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("load_gui_template", message), message.c_str());
    }

    // Catches a grid whose rows or columns do not follow the model, a week
    // column shifted by one, a layer not followed, or a header lost.
    void gridShowsTheGroupsSubjectsWeekByWeek() {
        auto h = make();
        TGryp& gr = h->group();
        TForm5 window(*h->context);
        window.show();
        THGrid* grid = window.Grid();
        QCOMPARE(window.windowTitle(), QStringLiteral("Предметы, нагрузка по неделям"));
        QCOMPARE(window.Group(), &gr);
        QCOMPARE(grid->ColCount(), TForm5::kFixedCols + kWeeks);
        QCOMPARE(grid->FixedCols(), 5);
        QCOMPARE(grid->FixedRows(), 3);
        QCOMPARE(grid->RowCount(), TForm5::kFixedRows + gr.CountPredmet());
        QCOMPARE(grid->Cells(1, 1), QStringLiteral("Учебная неделя"));
        QCOMPARE(grid->Cells(1, 2), QStringLiteral("Итого пары в неделю"));
        QCOMPARE(grid->Cells(TForm5::WeekCol(5), 0),
                 QString::fromStdString(h->god().GetNumberWeek(5)));
        // Week 5 is a study week of the sample; week 6 is not.
        QCOMPARE(grid->Cells(TForm5::WeekCol(5), 1), QString::fromStdString(gr.CountRunDeyStr(5)));
        QVERIFY(grid->Cells(TForm5::WeekCol(6), 1).isEmpty());
        // The picture shows the sample's own weeks: the past week and the
        // two additional ones.
        grid->MoveTo(TForm5::WeekCol(1), TForm5::SubjectRow(0));
        QVERIFY(zavlin::test::saveScreenshot(&window, QStringLiteral("load_window")));
        int weekTotal = 0;
        for (int i = 0; i < gr.CountPredmet(); ++i) {
            const TPredmet& pr = *gr.LPredmet[static_cast<std::size_t>(i)];
            const int row = TForm5::SubjectRow(i);
            QCOMPARE(grid->Cells(1, row), QString::fromStdString(pr.Name()));
            const int n = pr.CountPredmetNe(kSetkaPlan, 53);
            QCOMPARE(grid->Cells(TForm5::WeekCol(53), row), n > 0 ? QString::number(n) : QString());
            QVERIFY(grid->Cells(TForm5::WeekCol(6), row).isEmpty());
            weekTotal += n;
            if (pr.Dan.Spar > 1)
                QVERIFY(grid->Cells(2, row).startsWith(QStringLiteral("cп") +
                                                       QString::number(pr.Dan.Spar)));
            const int all = pr.CountPredmetAllForSetka(kSetkaPlan);
            QCOMPARE(grid->Cells(4, row), QStringLiteral("%1(%2)").arg(all).arg(all * 2));
        }
        QCOMPARE(grid->Cells(TForm5::WeekCol(53), 2), QString::number(weekTotal));

        // The off-grid layer holds nothing in the sample: the cells empty.
        child<QComboBox>(&window, "LayerBox")->setCurrentIndex(static_cast<int>(TLoadLayer::Dop));
        QVERIFY(grid->Cells(TForm5::WeekCol(53), TForm5::SubjectRow(0)).isEmpty());
        QVERIFY(grid->Cells(TForm5::WeekCol(53), 2).isEmpty());

        // The arrows step to the next group and back.
        click(&window, "NextGroupButton");
        QCOMPARE(window.Group(), &h->group(1));
        QCOMPARE(h->god().GrypActiv(), &h->group(1));
        QCOMPARE(grid->Cells(1, TForm5::SubjectRow(0)),
                 QString::fromStdString(h->group(1).LPredmet.front()->Name()));
        click(&window, "PrevGroupButton");
        QCOMPARE(window.Group(), &gr);
        // "Г": the group chosen in the group list.
        TGryp* third = &h->group(2);
        const auto modal1 = whenModal<TForm2>([third](TForm2* list) {
            TListBoxNumer* rows = list->List();
            for (int row = 0; row < rows->count(); ++row)
                if (rows->GetNumer(row) == third->Dan.N) rows->setCurrentRow(row);
            click(list, "OkButton");
        });
        click(&window, "GroupButton");
        QCOMPARE(window.Group(), third);
        QCOMPARE(child<QComboBox>(&window, "GroupBox")->currentText(),
                 QString::fromStdString(third->Name()));
        window.SetGroup(&gr);

        // A cell tells its counts, a range its study and active weeks.
        grid->MoveTo(TForm5::WeekCol(53), TForm5::SubjectRow(0));
        const TPredmet& first = *gr.LPredmet.front();
        QCOMPARE(child<QLabel>(&window, "StatusLabel")->text(),
                 QStringLiteral("Пары план=%1 - Отменен подгрупп=0 и + Замен подгрупп=%2")
                     .arg(first.CountPredmetNe(kSetkaPlan, 53))
                     .arg(first.CountZmKorzina(53)));
        selectCells(grid, TForm5::WeekCol(52), TForm5::SubjectRow(0), TForm5::WeekCol(54),
                    TForm5::SubjectRow(0));
        QCOMPARE(child<QLabel>(&window, "StatusLabel")->text(),
                 QStringLiteral("Недели :Выделено учебных=2  Активно=2"));
    }

    // Catches the pairs spread in the wrong order, the range not narrowed
    // to the study weeks, totals not refreshed, the line offered wrongly, or
    // the change lost on close.
    void pairsInWeekSpreadsTheChosenTotalAndCloseSavesIt() {
        auto h = make();
        TGryp& gr = h->group();
        studyWeeks(gr, {10, 11, 12});
        TPredmet& pr = *gr.LPredmet.front();
        const std::string groupName = gr.Name();
        const int subjectN = pr.Dan.N;
        auto window = std::make_unique<TForm5>(*h->context);
        window->show();
        // Weeks 9 and 13 are not study weeks: only 10..12 take the pairs.
        selectCells(window->Grid(), TForm5::WeekCol(9), TForm5::SubjectRow(0), TForm5::WeekCol(13),
                    TForm5::SubjectRow(0));
        QString weeksText;
        int lines = 0;
        const auto modal2 = whenModal<TForm5_3>([&](TForm5_3* d) {
            weeksText = child<QLabel>(d, "WeeksLabel")->text();
            auto* list = child<QListWidget>(d, "ListBox");
            lines = list->count();
            // 14 hours: 7 pairs.
            list->setCurrentRow(14);
            QCOMPARE(list->currentItem()->text(),
                     QStringLiteral("Всего часов = 14    Всего пар =7"));
            QVERIFY(zavlin::test::saveScreenshot(d, QStringLiteral("pairs_dialog")));
            click(d, "YesButton");
        });
        click(window.get(), "PairsButton");
        QCOMPARE(weeksText, QStringLiteral("Выделено учебных недель :3"));
        QCOMPARE(lines, 40 * 3 + 1);
        QCOMPARE(pairsIn(pr, 9, 13), (std::vector<int>{0, 3, 2, 2, 0}));
        QCOMPARE(window->Grid()->Cells(TForm5::WeekCol(10), TForm5::SubjectRow(0)),
                 QStringLiteral("3"));
        QCOMPARE(window->Grid()->Cells(TForm5::WeekCol(11), 2), QStringLiteral("2"));
        QVERIFY(window->Changed());

        // "Отказ" leaves the load alone.
        const auto modal3 = whenModal<TForm5_3>([](TForm5_3* d) {
            child<QListWidget>(d, "ListBox")->setCurrentRow(40);
            click(d, "CancelButton");
        });
        click(window.get(), "PairsButton");
        QCOMPARE(pairsIn(pr, 10, 12), (std::vector<int>{3, 2, 2}));

        // A selection without a study week changes nothing and asks nothing.
        selectCells(window->Grid(), TForm5::WeekCol(14), TForm5::SubjectRow(0), TForm5::WeekCol(16),
                    TForm5::SubjectRow(0));
        click(window.get(), "PairsButton");
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        click(window.get(), "CloseButton");
        QVERIFY(!window->isVisible());
        window.reset();

        // The year read again from the tables holds what the window set.
        TGryp* again = storedGroup(*h, groupName);
        QVERIFY(again != nullptr);
        TPredmet* stored = again->FindPredmet(subjectN);
        QVERIFY(stored != nullptr);
        QCOMPARE(pairsIn(*stored, 9, 13), (std::vector<int>{0, 3, 2, 2, 0}));
    }

    // Catches an operation of the regular grid run on another layer, a
    // refusal text that differs, or a synchronisation that runs without a
    // variant or on too few weeks.
    void layersAndSynchronisationAreRefusedWithTheirTexts() {
        auto h = make();
        TGryp& gr = h->group();
        studyWeeks(gr, {20, 21, 22});
        const std::vector<int> before = pairsIn(*gr.LPredmet.front(), 20, 22);
        TForm5 window(*h->context);
        window.show();
        auto* layer = child<QComboBox>(&window, "LayerBox");
        layer->setCurrentIndex(static_cast<int>(TLoadLayer::Zamena));
        selectCells(window.Grid(), TForm5::WeekCol(20), TForm5::SubjectRow(0), TForm5::WeekCol(22),
                    TForm5::SubjectRow(0));
        click(&window, "PairsButton");
        QCOMPARE(h->dialog.shown.back(), kOnlyRegular);
        click(&window, "SyncButton");
        QCOMPARE(h->dialog.shown.back(), kOnlyRegular);
        layer->setCurrentIndex(static_cast<int>(TLoadLayer::Otmena));
        click(&window, "CopyToExtraButton");
        QCOMPARE(h->dialog.shown.back(),
                 std::string(
                     "Эта операция не осуществляется для отмененных пар (установите \"Сетка\")"));
        QCOMPARE(pairsIn(*gr.LPredmet.front(), 20, 22), before);

        layer->setCurrentIndex(static_cast<int>(TLoadLayer::Setka));
        selectCells(window.Grid(), TForm5::WeekCol(20), TForm5::SubjectRow(0), TForm5::WeekCol(22),
                    TForm5::SubjectRow(0));
        h->dialog.shown.clear();
        const auto modal4 = whenModal<TForm5_4>([&](TForm5_4* d) {
            click(d, "OkButton");  // no variant: refused, the window stays
            QVERIFY(d->isVisible());
            QTest::mouseClick(child<QRadioButton>(d, "FirstTwoButton"), Qt::LeftButton);
            click(d, "OkButton");
        });
        click(&window, "SyncButton");
        QCOMPARE(h->dialog.shown,
                 (std::vector<std::string>{"Требуется выбрать один из вариантов!",
                                           "Требуется выделить не менее четырех недель"}));
        QCOMPARE(pairsIn(*gr.LPredmet.front(), 20, 22), before);
        QVERIFY(!window.Changed());
    }

    // Catches a subject stored without a name or twice, its properties not
    // stored, a deletion without the question or of the wrong row.
    void subjectsAreAddedRefusedAndDeleted() {
        auto h = make();
        TGryp& gr = h->group();
        const int count = gr.CountPredmet();
        // A subject name the group does not have yet.
        TYrName* fresh = nullptr;
        for (const auto& name : h->god().LYrName)
            if (gr.FindFirstPredmetForYrName(name->N) == nullptr) fresh = name.get();
        QVERIFY(fresh != nullptr);
        TForm5 window(*h->context);
        window.show();

        const auto modal5 = whenModal<TForm5_1>([&](TForm5_1* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Добавление (изменение) предмета"));
            auto* names = child<TComboBoxNumer>(d, "SubjectBox");
            QCOMPARE(names->currentIndex(), -1);
            click(d, "OkButton");
            names->setCurrentIndex(names->findData(gr.LPredmet.front()->YrName()->N));
            click(d, "OkButton");
            QVERIFY(d->isVisible());
            names->setCurrentIndex(names->findData(fresh->N));
            child<QSpinBox>(d, "Sem1Edit")->setValue(34);
            child<QSpinBox>(d, "SparEdit")->setValue(2);
            child<QCheckBox>(d, "PodgCheck")->setChecked(true);
            QVERIFY(zavlin::test::saveScreenshot(d, QStringLiteral("load_subject_dialog")));
            click(d, "OkButton");
        });
        click(&window, "AddSubjectButton");
        QCOMPARE(h->dialog.shown,
                 (std::vector<std::string>{"Выберите предмет!", "Повтор предмета."}));
        QCOMPARE(gr.CountPredmet(), count + 1);
        TPredmet* added = gr.LPredmet.back().get();
        QCOMPARE(added->YrName(), fresh);
        QCOMPARE(int(added->Dan.Sem1), 34);
        QCOMPARE(int(added->Dan.Spar), 2);
        QCOMPARE(int(added->Dan.Podg), 1);
        const int row = TForm5::SubjectRow(count);
        QCOMPARE(window.Grid()->RowCount(), row + 1);
        QCOMPARE(window.Grid()->Cells(1, row), QString::fromStdString(fresh->Name()));
        QCOMPARE(window.Grid()->Cells(2, row), QStringLiteral("cп2/подгр."));

        // "Нет" keeps it, "Да" deletes the row's subject and no other.
        window.Grid()->MoveTo(TForm5::WeekCol(1), row);
        h->dialog.queue(false);
        click(&window, "DeleteSubjectButton");
        QCOMPARE(h->dialog.asked.back(), std::string("Удалить предмет? "));
        QCOMPARE(gr.CountPredmet(), count + 1);
        h->dialog.queue(true);
        click(&window, "DeleteSubjectButton");
        QCOMPARE(gr.CountPredmet(), count);
        QVERIFY(gr.FindFirstPredmetForYrName(fresh->N) == nullptr);
        QCOMPARE(window.Grid()->RowCount(), TForm5::SubjectRow(count));
        QVERIFY(window.Changed());
    }

    // Catches a copy of a group into itself, a cancelled choice taken as a
    // group, or a copy that overwrites the subjects the group already has.
    void subjectsAreCopiedFromAnotherGroup() {
        auto h = make();
        TGryp& gr = h->group();
        TGryp& other = h->group(1);
        TForm5 window(*h->context);
        window.show();
        std::vector<TGryp*> picks = {nullptr, &gr, &other};
        window.PickGroup = [&] {
            TGryp* next = picks.front();
            picks.erase(picks.begin());
            return next;
        };
        for (int i = 0; i < 3; ++i) h->dialog.queue(true);
        // The instruction comes before the list; a cancel says nothing more.
        const std::string useOk = "Для подтверждение выбранной группы пользуйтесь кнопкой \"Ok\"";
        click(&window, "CopyGroupButton");
        QCOMPARE(h->dialog.shown, std::vector<std::string>{useOk});
        click(&window, "CopyGroupButton");
        QCOMPARE(h->dialog.shown,
                 (std::vector<std::string>{useOk, useOk, "Нельзя копировать группу саму в себя!"}));
        QCOMPARE(h->dialog.asked.front(), std::string("Копировать предметы из другой группы?"));

        std::vector<int> own;
        for (const auto& pr : gr.LPredmet) own.push_back(pr->CountPredmetNe(kSetkaPlan, 53));
        const int ownCount = gr.CountPredmet();
        click(&window, "CopyGroupButton");
        for (const auto& from : other.LPredmet)
            QVERIFY(gr.FindFirstPredmetForYrName(from->YrName()->N) != nullptr);
        for (int i = 0; i < ownCount; ++i)
            QCOMPARE(gr.LPredmet[static_cast<std::size_t>(i)]->CountPredmetNe(kSetkaPlan, 53),
                     own[static_cast<std::size_t>(i)]);
        for (int i = ownCount; i < gr.CountPredmet(); ++i) {
            const TPredmet& copy = *gr.LPredmet[static_cast<std::size_t>(i)];
            const TPredmet* from = other.FindFirstPredmetForYrName(copy.YrName()->N);
            QCOMPARE(copy.CountPredmetNe(kSetkaPlan, 53), from->CountPredmetNe(kSetkaPlan, 53));
            QCOMPARE(copy.Dan.Spar, from->Dan.Spar);
        }
        QCOMPARE(window.Grid()->RowCount(), TForm5::SubjectRow(gr.CountPredmet()));
    }

    // Catches a window of later work opened by the wrong name or failing
    // silently, and the teachers window not opened for the group shown.
    void otherWindowsOpenByName() {
        auto h = make();
        TForm5 window(*h->context);
        window.show();
        click(&window, "NextGroupButton");
        click(&window, "SummaryButton");
        click(&window, "PlannedLoadButton");
        QCOMPARE(h->opened, (std::vector<std::string>{"TForm5_5", "TForm41"}));
        QCOMPARE(h->dialog.shown,
                 (std::vector<std::string>{
                     "Окно «Сводная таблица» ещё не готово в этой версии.",
                     "Окно «Планируемая нагрузка преподавателя» ещё не готово в этой версии."}));
        TGryp* shownIn = nullptr;
        const auto modal6 = whenModal<TForm5_2>([&](TForm5_2* teachers) {
            shownIn = teachers->Group();
            click(teachers, "CloseButton");
        });
        click(&window, "TeachersButton");
        QCOMPARE(shownIn, &h->group(1));
    }

    // Catches a copy that runs on wrong active weeks, a question text that
    // differs, or a copy to the wrong additional week.
    void aRegularWeekIsCopiedToAnAdditionalWeek() {
        auto h = make();
        TGryp& gr = h->group();
        // Week 5 gets a load the additional weeks do not have.
        TPredmet& first = *gr.LPredmet.front();
        first.AddPredmetNe(kSetkaPlan, 5);
        first.AddPredmetNe(kSetkaPlan, 5);
        TForm5 window(*h->context);
        window.show();
        // The sample makes only the additional weeks 53 and 54 active: the
        // active-week window is offered, and the person chooses 5 and 54.
        h->onActiveWeeks = [&] {
            std::array<bool, shell::kWeekItems> weeks{};
            weeks[5 - 1] = true;
            weeks[54 - 1] = true;
            QVERIFY(h->shell->SetActiveWeeks(weeks, false));
        };
        h->dialog.queue(true);  // the reminder
        h->dialog.queue(true);  // the copy itself
        const auto modal7 =
            whenModal<TCopyScopeDialog>([](TCopyScopeDialog* d) { click(d, "OneGroupButton"); });
        click(&window, "CopyToExtraButton");
        QCOMPARE(h->opened, (std::vector<std::string>{"TForm1_3"}));
        QCOMPARE(h->dialog.shown.front(),
                 std::string("Сделайте активными две или четыре недели(одну или две обычных и "
                             "одну или две дополнительных)"));
        QCOMPARE(h->dialog.asked.size(), std::size_t{2});
        QCOMPARE(h->dialog.asked[1], "Копировать часы с недели N" + h->god().GetNumberWeek(5) +
                                         " на дополнительную неделю N2");
        for (const auto& pr : gr.LPredmet)
            QCOMPARE(pr->CountPredmetNe(kSetkaPlan, 54), pr->CountPredmetNe(kSetkaPlan, 5));
        QVERIFY(window.Changed());

        // Still wrong after the offered window: refused, nothing asked.
        h->dialog.asked.clear();
        h->onActiveWeeks = [] {};
        std::array<bool, shell::kWeekItems> none{};
        none[10] = true;
        QVERIFY(h->shell->SetActiveWeeks(none, false));
        click(&window, "CopyToExtraButton");
        QCOMPARE(h->dialog.shown.back(), std::string("Ошибочный выбор активных недель."));
        QVERIFY(h->dialog.asked.empty());
    }

    // Catches a synchronisation over the wrong weeks or subjects, and a copy
    // from the additional weeks with the wrong statement, source or range.
    void extraWeeksSynchroniseAndCopyIntoTheSelection() {
        auto h = make();
        TGryp& gr = h->group();
        studyWeeks(gr, {40, 41, 42, 43});
        TPredmet& first = *gr.LPredmet.front();
        TPredmet& second = *gr.LPredmet[1];
        const int a = first.CountPredmetNe(kSetkaPlan, 53);
        const int b = first.CountPredmetNe(kSetkaPlan, 54);
        // Without pairs in the templates every sum below would be zero.
        QVERIFY(a + b > 0);
        // Each pair of weeks holds the templates' sum, spread otherwise.
        QVERIFY(entry::SetSubjectPairs(first, 40, a + b));
        QVERIFY(entry::SetSubjectPairs(first, 41, 0));
        QVERIFY(entry::SetSubjectPairs(first, 42, 0));
        QVERIFY(entry::SetSubjectPairs(first, 43, a + b));
        QVERIFY(entry::SetSubjectPairs(second, 40, 5));
        TForm5 window(*h->context);
        window.show();
        selectCells(window.Grid(), TForm5::WeekCol(40), TForm5::SubjectRow(0), TForm5::WeekCol(43),
                    TForm5::SubjectRow(0));
        const auto modal8 = whenModal<TForm5_4>([](TForm5_4* d) {
            QTest::mouseClick(child<QRadioButton>(d, "Extra12Button"), Qt::LeftButton);
            click(d, "OkButton");
        });
        click(&window, "SyncButton");
        QVERIFY(h->dialog.shown.empty());
        QCOMPARE(pairsIn(first, 40, 43), (std::vector<int>{a, b, a, b}));
        QCOMPARE(second.CountPredmetNe(kSetkaPlan, 40), 5);  // not selected
        QCOMPARE(window.Grid()->Cells(TForm5::WeekCol(41), TForm5::SubjectRow(0)),
                 b > 0 ? QString::number(b) : QString());

        // The sample's active weeks are the additional 1 and 2: week 40 and
        // 42 (even) take the second, 41 and 43 the first.
        h->dialog.queue(false);
        click(&window, "CopyFromExtraButton");
        QCOMPARE(h->dialog.asked.size(), std::size_t{1});
        QCOMPARE(h->dialog.asked[0],
                 "Копировать часы с дополнительной недели N1 и N2\r\nна недели "
                 "начиная с N" +
                     h->god().GetNumberWeek(40) + " по неделю N" + h->god().GetNumberWeek(43));
        QCOMPARE(second.CountPredmetNe(kSetkaPlan, 40), 5);  // "Нет" copies nothing
        h->dialog.queue(true);
        h->dialog.queue(true);
        click(&window, "CopyFromExtraButton");
        QCOMPARE(h->dialog.asked.size(), std::size_t{3});
        QVERIFY(h->dialog.asked[2].rfind("Напоминание! Операция копирования на обычные недели",
                                         0) == 0);
        for (const auto& pr : gr.LPredmet)
            for (int ne = 40; ne <= 43; ++ne)
                QCOMPARE(pr->CountPredmetNe(kSetkaPlan, ne),
                         pr->CountPredmetNe(kSetkaPlan, ne % 2 == 1 ? 53 : 54));

        // An additional week in the selection is refused before any question.
        h->dialog.asked.clear();
        selectCells(window.Grid(), TForm5::WeekCol(52), TForm5::SubjectRow(0), TForm5::WeekCol(53),
                    TForm5::SubjectRow(0));
        click(&window, "CopyFromExtraButton");
        QVERIFY(h->dialog.asked.empty());
        QCOMPARE(h->dialog.shown,
                 std::vector<std::string>{"Выделите две обычных недели, а не дополнительные"});
    }

    // Catches a teacher given outside the selected weeks or in weeks the
    // group lacks, a removal that takes other weeks too, or the change lost.
    void teachersAreGivenAndTakenOverAWeekRange() {
        auto h = make();
        TGryp& gr = h->group();
        studyWeeks(gr, {30, 31, 32, 33});
        TFio* teacher = h->god().LFio.back().get();
        const std::string groupName = gr.Name();
        auto window = std::make_unique<TForm5_2>(*h->context);
        window->show();
        // The teacher is chosen in the teacher list the button opens.
        auto pickTeacher = [teacher, &window](const char* button) {
            const auto picked = whenModal<TForm3>([teacher](TForm3* list) {
                TListBoxNumer* rows = list->List();
                for (int row = 0; row < rows->count(); ++row)
                    if (rows->GetNumer(row) == teacher->N) rows->setCurrentRow(row);
                click(list, "OkButton");
            });
            click(window.get(), button);
        };
        QCOMPARE(window->windowTitle(), QStringLiteral("Преподаватели по предмету"));
        QCOMPARE(child<QLabel>(window.get(), "GroupLabel")->text(),
                 QString::fromStdString(gr.Name()));
        auto* subjects = child<TListBoxNumer>(window.get(), "SubjectList");
        QCOMPARE(subjects->count(), gr.CountPredmet());

        click(window.get(), "AddTeacherButton");
        QCOMPARE(h->dialog.shown.back(), std::string("Выберите предмет"));
        // The arrows step through the groups, the subjects following.
        click(window.get(), "NextGroupButton");
        QCOMPARE(window->Group(), &h->group(1));
        QCOMPARE(child<QLabel>(window.get(), "GroupLabel")->text(),
                 QString::fromStdString(h->group(1).Name()));
        QCOMPARE(subjects->count(), h->group(1).CountPredmet());
        click(window.get(), "PrevGroupButton");
        QCOMPARE(window->Group(), &gr);

        subjects->setCurrentRow(0);
        TPredmet* pr = window->Subject();
        QVERIFY(pr != nullptr);
        const int n = pr->Dan.N;
        THGrid* grid = window->Grid();
        QCOMPARE(grid->Cells(TForm5_2::kPairsCol, 53),
                 QString::number(pr->CountPredmetNe(kSetkaPlan, 53)));
        QCOMPARE(grid->Cells(TForm5_2::kTeachersCol, 53), QString::fromStdString(pr->NameFio(53)));
        // Weeks 29..34: the group has 30..33 only.
        selectCells(grid, TForm5_2::kPairsCol, 29, TForm5_2::kPairsCol, 34);
        pickTeacher("AddTeacherButton");
        for (int ne = 29; ne <= 34; ++ne)
            QCOMPARE(pr->FindFioPredmet(ne, teacher) != nullptr, ne >= 30 && ne <= 33);
        QVERIFY(grid->Cells(TForm5_2::kTeachersCol, 31)
                    .contains(QString::fromStdString(teacher->Name())));
        // Given again: no second assignment in a week.
        pickTeacher("AddTeacherButton");
        QCOMPARE(pr->CountFio(31), 1);

        selectCells(grid, TForm5_2::kPairsCol, 32, TForm5_2::kPairsCol, 33);
        pickTeacher("DeleteTeacherButton");
        for (int ne = 30; ne <= 33; ++ne)
            QCOMPARE(pr->FindFioPredmet(ne, teacher) != nullptr, ne <= 31);
        QVERIFY(grid->Cells(TForm5_2::kTeachersCol, 32).isEmpty());
        QVERIFY(window->Changed());
        grid->MoveTo(TForm5_2::kPairsCol, 1);
        QVERIFY(
            zavlin::test::saveScreenshot(window.get(), QStringLiteral("subject_teachers_window")));

        click(window.get(), "CloseButton");
        window.reset();
        TGryp* again = storedGroup(*h, groupName);
        QVERIFY(again != nullptr);
        TPredmet* stored = again->FindPredmet(n);
        QVERIFY(stored != nullptr);
        for (int ne = 29; ne <= 34; ++ne)
            QCOMPARE(stored->CountFio(ne), ne == 30 || ne == 31 ? 1 : 0);
    }

    // Catches the group list's choice left as the year's active group after
    // a copy or a cancelled pick (the teachers window then opening on it),
    // and a drop-down that keeps a name changed in the list.
    void picksLeaveTheWindowsGroupActive() {
        auto h = make();
        TGryp& gr = h->group();
        TGryp& other = h->group(1);
        // Picks in the group list the button opens; before runs first.
        auto choose = [](QWidget* window, const char* button, TGryp* pick, bool confirm,
                         const std::function<void()>& before = {}) {
            const auto picked = whenModal<TForm2>([pick, confirm, before](TForm2* list) {
                if (before) before();
                TListBoxNumer* rows = list->List();
                for (int row = 0; row < rows->count(); ++row)
                    if (rows->GetNumer(row) == pick->Dan.N) rows->setCurrentRow(row);
                if (confirm)
                    click(list, "OkButton");
                else
                    list->reject();
            });
            click(window, button);
        };
        TForm5 window(*h->context);
        window.show();
        h->dialog.queue(true);
        choose(&window, "CopyGroupButton", &other, true);
        QCOMPARE(window.Group(), &gr);
        QCOMPARE(h->god().GrypActiv(), &gr);
        choose(&window, "GroupButton", &other, false);
        QCOMPARE(window.Group(), &gr);
        QCOMPARE(h->god().GrypActiv(), &gr);
        TGryp* shownIn = nullptr;
        const auto modal9 = whenModal<TForm5_2>([&](TForm5_2* teachers) {
            shownIn = teachers->Group();
            choose(teachers, "GroupButton", &other, false);
            QCOMPARE(teachers->Group(), &gr);
            QCOMPARE(h->god().GrypActiv(), &gr);
            click(teachers, "CloseButton");
        });
        click(&window, "TeachersButton");
        QCOMPARE(shownIn, &gr);

        choose(&window, "GroupButton", &other, true, [&other] { other.SetName("ПКС-99"); });
        QCOMPARE(window.Group(), &other);
        auto* box = child<QComboBox>(&window, "GroupBox");
        QCOMPARE(box->count(), h->god().CountGryp());
        QCOMPARE(box->currentText(), QStringLiteral("ПКС-99"));
        click(&window, "PrevGroupButton");
        QCOMPARE(window.Group(), &gr);
    }

    // Catches the request for a subject row shown before the variant is
    // chosen: the variant and the week count are checked first.
    void synchronisationAsksForTheVariantFirst() {
        auto h = make();
        TGryp& gr = h->group();
        while (gr.CountPredmet() > 0) QVERIFY(gr.DelPredmet(0, false));
        studyWeeks(gr, {20, 21, 22, 23});
        TForm5 window(*h->context);
        window.show();
        int variants = 0;
        // Synchronises, choosing the first two weeks in the variant window.
        auto syncFirstTwo = [&variants, &window] {
            const auto asked = whenModal<TForm5_4>([&variants](TForm5_4* d) {
                ++variants;
                QTest::mouseClick(child<QRadioButton>(d, "FirstTwoButton"), Qt::LeftButton);
                click(d, "OkButton");
            });
            click(&window, "SyncButton");
        };
        selectCells(window.Grid(), TForm5::WeekCol(20), TForm5::SubjectRow(0), TForm5::WeekCol(22),
                    TForm5::SubjectRow(0));
        syncFirstTwo();
        QCOMPARE(variants, 1);
        QCOMPARE(h->dialog.shown,
                 std::vector<std::string>{"Требуется выделить не менее четырех недель"});
        selectCells(window.Grid(), TForm5::WeekCol(20), TForm5::SubjectRow(0), TForm5::WeekCol(23),
                    TForm5::SubjectRow(0));
        syncFirstTwo();
        QCOMPARE(variants, 2);
        QCOMPARE(h->dialog.shown,
                 (std::vector<std::string>{"Требуется выделить не менее четырех недель",
                                           "Выделите строку с названием предмета"}));
        QVERIFY(!window.Changed());
    }

    // Catches a window that closes in silence when the year could not be
    // stored (nothing saves it after the window): "Нет" keeps the window
    // and the edit, a later close stores it; "Да" closes unsaved.
    void aFailedSaveOnCloseAsksBeforeClosing() {
        auto h = make(true);
        TGryp& gr = h->group();
        studyWeeks(gr, {10});
        const std::string groupName = gr.Name();
        const int count = gr.CountPredmet();
        auto window = std::make_unique<TForm5>(*h->context);
        window->show();
        selectCells(window->Grid(), TForm5::WeekCol(10), TForm5::SubjectRow(0), TForm5::WeekCol(10),
                    TForm5::SubjectRow(0));
        const auto modal10 = whenModal<TForm5_3>([](TForm5_3* d) {
            child<QListWidget>(d, "ListBox")->setCurrentRow(6);
            click(d, "YesButton");
        });
        click(window.get(), "PairsButton");
        QCOMPARE(gr.LPredmet.front()->CountPredmetNe(kSetkaPlan, 10), 3);
        h->faulty->failAt(1, false);
        h->dialog.queue(false);
        click(window.get(), "CloseButton");
        QVERIFY(h->faulty->failed());
        QCOMPARE(h->dialog.asked, std::vector<std::string>{kLoadNotSavedQuestion});
        QVERIFY(window->isVisible());
        QVERIFY(window->Changed());
        h->faulty->failAt(0, false);
        click(window.get(), "CloseButton");
        QVERIFY(!window->isVisible());
        window.reset();

        TForm5_2 teachers(*h->context);
        teachers.show();
        child<TListBoxNumer>(&teachers, "SubjectList")->setCurrentRow(0);
        TFio* teacher = h->god().LFio.back().get();
        teachers.PickTeacher = [teacher] { return teacher; };
        teachers.Grid()->MoveTo(TForm5_2::kPairsCol, 53);
        click(&teachers, "AddTeacherButton");
        QVERIFY(teachers.Changed());
        h->faulty->failAt(1, false);
        h->dialog.asked.clear();
        h->dialog.queue(false);
        click(&teachers, "CloseButton");
        QCOMPARE(h->dialog.asked, std::vector<std::string>{kLoadNotSavedQuestion});
        QVERIFY(teachers.isVisible());
        h->faulty->failAt(1, false);
        h->dialog.queue(true);
        click(&teachers, "CloseButton");
        QVERIFY(!teachers.isVisible());

        TGryp* again = storedGroup(*h, groupName);
        QVERIFY(again != nullptr);
        QCOMPARE(again->CountPredmet(), count);
        QCOMPARE(again->LPredmet.front()->CountPredmetNe(kSetkaPlan, 10), 3);
    }

    // Catches edits taken for a group whose stored timetable could not be
    // read: the save never writes over it, so they would be lost in silence.
    void aGroupThatCouldNotBeReadIsNotEdited() {
        auto h = make();
        TGryp& gr = h->group();
        gr.BlobUnreadable = true;
        const std::string refusal = UnreadableGroupText(gr);
        QVERIFY(refusal.find(gr.Name()) != std::string::npos);
        const int count = gr.CountPredmet();
        const std::vector<int> before = pairsIn(*gr.LPredmet.front(), 1, kWeeks);
        TForm5 window(*h->context);
        window.show();
        selectCells(window.Grid(), TForm5::WeekCol(50), TForm5::SubjectRow(0), TForm5::WeekCol(54),
                    TForm5::SubjectRow(0));
        for (const char* name :
             {"AddSubjectButton", "PropertiesButton", "DeleteSubjectButton", "CopyGroupButton",
              "PairsButton", "SyncButton", "CopyToExtraButton", "CopyFromExtraButton"}) {
            h->dialog.shown.clear();
            click(&window, name);
            QVERIFY2(h->dialog.shown == std::vector<std::string>{refusal}, name);
        }
        QVERIFY(h->dialog.asked.empty());
        QCOMPARE(gr.CountPredmet(), count);
        QCOMPARE(pairsIn(*gr.LPredmet.front(), 1, kWeeks), before);
        QVERIFY(!window.Changed());

        TForm5_2 teachers(*h->context);
        teachers.show();
        QCOMPARE(teachers.Group(), &gr);
        child<TListBoxNumer>(&teachers, "SubjectList")->setCurrentRow(0);
        bool picked = false;
        TFio* teacher = h->god().LFio.back().get();
        teachers.PickTeacher = [&picked, teacher] {
            picked = true;
            return teacher;
        };
        h->dialog.shown.clear();
        click(&teachers, "AddTeacherButton");
        QCOMPARE(h->dialog.shown, std::vector<std::string>{refusal});
        QVERIFY(!picked);
        QVERIFY(!teachers.Changed());
    }

    // Catches a line offered wrongly or hours not halved into whole pairs.
    void pairsDialogOffersEveryTotal() {
        TForm5_3 d(QStringLiteral("Матем Физика"), 1);
        d.show();
        auto* list = child<QListWidget>(&d, "ListBox");
        QCOMPARE(list->count(), 41);
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(d.Pairs(), 0);
        QCOMPARE(list->item(41 - 1)->text(), QStringLiteral("Всего часов = 40    Всего пар =20"));
        QCOMPARE(child<QLabel>(&d, "SubjectLabel")->text(), QStringLiteral("Матем Физика"));
        int captions = 0;
        for (const QLabel* label : d.findChildren<QLabel*>())
            captions += label->text() == QStringLiteral("Предмет:");
        QCOMPARE(captions, 1);
        list->setCurrentRow(7);
        QCOMPARE(d.Pairs(), 3);  // 7 hours: 3 whole pairs
    }
};

QTEST_MAIN(LoadWindowsTest)
#include "load_windows_test.moc"
