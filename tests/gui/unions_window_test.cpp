// The unions window over the sample college (active weeks: the numerator
// and the denominator): groups chosen through the group list, a union set
// from a common subject and found in the model and, after closing, in the
// stored year; the composition of a week then puts both groups' lessons of
// the subject in the same cells. Deleting, its refusals, and a group added
// to a union set with the refusals for two members of one group; a failed
// save on closing is asked about.
#include "composition/ui/unions_window.h"

#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "composition/sos_run.h"
#include "composition/union_choice.h"
#include "composition/week_search.h"
#include "demo/sample_plan.h"
#include "entry/ui/groups_window.h"
#include "entry_fixture.h"
#include "model/god.h"
#include "screenshot.h"
#include "shell/ui/list_box_numer.h"

using namespace zavlin;
using namespace zavlin::test;
using zavlin::composition::ui::TForm13;

namespace {

constexpr int kNumerator = demo::kActiveWeeks[0];
constexpr int kDenominator = demo::kActiveWeeks[1];
const char* const kSport = "Физ. культура";
const char* const kChooseDeleted = "Выберите удаляемое объединение";
const char* const kUseAssign = "Для добавляния объединений используйте кнопку \"Назначить\"";
const char* const kChooseTarget = "Выберите объединение к которому добавляется группа";
const char* const kPlaced = "Удаление объединения невозможно. Сперва разнесите пары в расписании.";
const char* const kPinned =
    "Удаление объединения невозможно. Сперва разнесите пары в предварительных установках.";

TPredmet* subjectOf(const TGryp& gr, const std::string& name) {
    for (const auto& pr : gr.LPredmet)
        if (pr->Name() == name) return pr.get();
    return nullptr;
}

TFioPredmet* firstAssignment(const TGryp& gr, const std::string& name, int ne) {
    TPredmet* pr = subjectOf(gr, name);
    return pr != nullptr && !pr->GetLFio(ne).empty() ? pr->GetLFio(ne).front().get() : nullptr;
}

// The group's assignment of the subject to the teacher whose name starts so.
TFioPredmet* assignmentOf(const TGryp& gr, const std::string& subject, const std::string& teacher,
                          int ne = kNumerator) {
    if (TPredmet* pr = subjectOf(gr, subject))
        for (const auto& fp : pr->GetLFio(ne))
            if (fp->Name().rfind(teacher, 0) == 0) return fp.get();
    return nullptr;
}

// The row showing text (a union set: followed by its weeks); -1 when none.
int rowOf(const QListWidget* list, const QString& wanted) {
    for (int row = 0; row < list->count(); ++row)
        if (const QString text = list->item(row)->text();
            text == wanted || text.startsWith(wanted + QStringLiteral("   (")))
            return row;
    return -1;
}

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int row = 0; row < list->count(); ++row) out << list->item(row)->text();
    return out;
}

// Each placed lesson of the subject in the group's week: (day, period, teacher).
std::set<std::tuple<int, int, const TFio*>> lessonsOf(const TGryp& gr, const std::string& subject,
                                                      int ne) {
    std::set<std::tuple<int, int, const TFio*>> out;
    const TNed* week = gr.GetNed(ne);
    for (int d = 1; week != nullptr && d <= 6; ++d)
        for (int y = 0; y < 12; ++y)
            if (const TYrok* cell = week->GetYrok(0, d, y))
                for (const TYr* yr : cell->LYr)
                    if (yr->Predmet() != nullptr && yr->Predmet()->Name() == subject)
                        out.insert({d, y, yr->Fio()});
    return out;
}

}  // namespace

class UnionsWindowTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

    std::unique_ptr<EntryHarness> make() { return template_.copy("unions_gui"); }
    static TGryp* group(EntryHarness& h, const char* name) {
        TGryp* gr = h.year().FindGrypForName(name);
        if (gr == nullptr) qFatal("no group %s", name);
        return gr;
    }
    // Chooses the subject and the possible union whose text starts so.
    static void choosePossible(TForm13& window, const char* subject, const QString& text) {
        const int s = rowOf(window.Subjects(), QString::fromUtf8(subject));
        QVERIFY2(s >= 0, subject);
        clickRow(window.Subjects(), s);
        const int p = rowOf(window.Possible(), text);
        QVERIFY2(p >= 0, qPrintable(texts(window.Possible()).join("|")));
        clickRow(window.Possible(), p);
    }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("unions_gui_template", message), message.c_str());
    }

    // Catches the group list not choosing the groups, a common subject
    // missing, a union set in one week only or not shown, the union lost on
    // closing, and a union the composition does not obey.
    void aUnionSetInTheWindowIsStoredAndComposedTogether() {
        auto h = make();
        {
            TForm13 window(*h->context);
            window.show();
            QCOMPARE(window.windowTitle(), QStringLiteral("Объединения по предмету в группах"));
            QCOMPARE(window.Weeks(), (std::vector<int>{kNumerator, kDenominator}));
            const std::set<std::string> wanted{"ИС-21", "ИС-23"};
            const auto modal = whenModal<entry::ui::TForm2>([&](entry::ui::TForm2* list) {
                shell::ui::TListBoxNumer* rows = list->List();
                rows->clearSelection();
                for (int row = 0; row < rows->count(); ++row)
                    if (wanted.count(h->year().GrypNumer(rows->GetNumer(row))->Name()) != 0)
                        clickRow(rows, row, Qt::ControlModifier);
                click(list, "OkButton");
            });
            click(&window, "GroupsButton");
            QVERIFY(modal.shown());
            QCOMPARE(child<QLabel>(&window, "GroupsLabel")->text(), QStringLiteral("ИС-21, ИС-23"));
            QVERIFY(group(*h, "ИС-21")->Select && group(*h, "ИС-23")->Select);
            QVERIFY(!group(*h, "ИС-22")->Select);
            QVERIFY(texts(window.Subjects()).contains(QString::fromUtf8(kSport)));
            const QStringList before = texts(window.SetList());

            choosePossible(window, kSport,
                           QStringLiteral("Физ. культура ИС-21,ИС-23 Цветкова О.В."));
            click(&window, "SetButton");
            QCOMPARE(h->dialog.shown.size(), std::size_t{0});
            QCOMPARE(window.SetList()->count(), before.size() + 1);
            QVERIFY(rowOf(window.SetList(),
                          QStringLiteral("Физ. культура ИС-21,ИС-23 Цветкова О.В.")) >= 0);
            for (int ne : {kNumerator, kDenominator}) {
                const TFioPredmet* a = firstAssignment(*group(*h, "ИС-21"), kSport, ne);
                const TFioPredmet* b = firstAssignment(*group(*h, "ИС-23"), kSport, ne);
                QVERIFY(a != nullptr && b != nullptr);
                QVERIFY(a->Dan.Nob != 0);
                QCOMPARE(a->Dan.Nob, b->Dan.Nob);
                QCOMPARE(a->Ob, b->Ob);
            }
            QVERIFY(saveScreenshot(&window, QStringLiteral("unions_window")));
            click(&window, "CloseButton");
            QVERIFY(!window.isVisible());
        }

        // The next start of the program reads the union back.
        QVERIFY(h->start());
        TGod& year = h->year();
        TGryp* a = group(*h, "ИС-21");
        TGryp* b = group(*h, "ИС-23");
        for (int ne : {kNumerator, kDenominator}) {
            const TFioPredmet* fa = firstAssignment(*a, kSport, ne);
            const TFioPredmet* fb = firstAssignment(*b, kSport, ne);
            QVERIFY(fa != nullptr && fb != nullptr);
            QVERIFY(fa->Ob != nullptr);
            QCOMPARE(fa->Ob, fb->Ob);
        }

        // The composition of the week puts the union's lessons together.
        for (const auto& gr : year.LGryp) gr->Select = gr.get() == a || gr.get() == b;
        TSosRun run(year, h->home.path());
        run.Statys = AStatys::sSosRasp;
        const TSostavResult result = SostavNed(run, kNumerator);
        QVERIFY(result.placed > 0);
        const auto inA = lessonsOf(*a, kSport, kNumerator);
        QVERIFY(!inA.empty());
        QCOMPARE(static_cast<int>(inA.size()),
                 subjectOf(*a, kSport)->CountPredmetNe(kSetkaPlan, kNumerator));
        QCOMPARE(lessonsOf(*b, kSport, kNumerator), inA);
    }

    // Catches "Удалить" acting without a chosen union, the hint not given
    // when a possible union is chosen instead, a union with placed lessons
    // dissolved or its refusal not shown, and a free union not released.
    void deletingAskForAChoiceAndKeepsUnionsInUse() {
        auto h = make();
        TForm13 window(*h->context);
        window.show();
        window.SetGroups(
            {group(*h, "ИС-21"), group(*h, "ИС-22"), group(*h, "ИС-23"), group(*h, "ИС-24")});
        click(&window, "DeleteButton");
        QCOMPARE(h->lastShown(), std::string(kChooseDeleted));
        choosePossible(window, "Осн. философии",
                       QStringLiteral("Осн. философии ИС-21,ИС-22,ИС-23,ИС-24 Елисеева Я.Р."));
        click(&window, "DeleteButton");
        QCOMPARE(h->lastShown(), std::string(kUseAssign));
        QCOMPARE(h->year().GetLOb(kNumerator).size(), std::size_t{7});

        // A lesson of the second union placed in the numerator's timetable.
        TGryp* ic23 = group(*h, "ИС-23");
        TFioPredmet* placed = firstAssignment(*ic23, "Осн. философии", kNumerator);
        TYrokKorzina* item =
            ic23->GetNed(kNumerator)->FindYrokKorzina(kSetkaPlan, placed->Predmet());
        QVERIFY(h->year().AddYr(ic23, 0, kNumerator, 1, ic23->Dan.TimeDay, item, placed) !=
                nullptr);
        const int nob = placed->Dan.Nob;

        const QStringList before = texts(window.SetList());
        const int second =
            rowOf(window.SetList(), QStringLiteral("Осн. философии ИС-23,ИС-24 Елисеева Я.Р."));
        QVERIFY(second >= 0);
        clickRow(window.SetList(), second);
        const std::size_t boxes = h->dialog.shown.size();
        click(&window, "DeleteButton");
        QCOMPARE(h->dialog.shown.size(), boxes + 1);
        QCOMPARE(h->lastShown(), std::string(kPlaced) + "\nНеделя " +
                                     h->year().GetNumberWeek(kNumerator) +
                                     ": объединение оставлено");
        QCOMPARE(static_cast<int>(placed->Dan.Nob), nob);
        QVERIFY(placed->Ob != nullptr);
        QVERIFY(firstAssignment(*ic23, "Осн. философии", kDenominator)->Ob == nullptr);
        QCOMPARE(window.SetList()->count(), before.size());
        QVERIFY(window.SetList()->item(second)->text().endsWith(
            QString::fromStdString("(недели " + h->year().GetNumberWeek(kNumerator) + ")")));

        const int first =
            rowOf(window.SetList(), QStringLiteral("Осн. философии ИС-21,ИС-22 Елисеева Я.Р."));
        QVERIFY(first >= 0);
        clickRow(window.SetList(), first);
        const std::size_t shown = h->dialog.shown.size();
        click(&window, "DeleteButton");
        QCOMPARE(h->dialog.shown.size(), shown);
        QCOMPARE(window.SetList()->count(), before.size() - 1);
        for (int ne : {kNumerator, kDenominator}) {
            const TFioPredmet* fp = firstAssignment(*group(*h, "ИС-21"), "Осн. философии", ne);
            QCOMPARE(static_cast<int>(fp->Dan.Nob), 0);
            QVERIFY(fp->Ob == nullptr);
        }
        click(&window, "CloseButton");
        QVERIFY(!window.isVisible());
        QVERIFY(h->start());
        QVERIFY(firstAssignment(*group(*h, "ИС-22"), "Осн. философии", kNumerator)->Ob == nullptr);
        QVERIFY(firstAssignment(*group(*h, "ИС-23"), "Осн. философии", kNumerator)->Ob != nullptr);
    }

    // Catches the refusal shown once per week (or per week and layer) when
    // a union has lessons placed in every week, and the weeks kept unsaid.
    void deletingAUnionPlacedInEveryWeekSaysSoInOneBox() {
        auto h = make();
        TForm13 window(*h->context);
        window.show();
        window.SetGroups({group(*h, "ИС-23"), group(*h, "ИС-24")});
        TGryp* ic23 = group(*h, "ИС-23");
        for (int ne : {kNumerator, kDenominator}) {
            TFioPredmet* fp = firstAssignment(*ic23, "Осн. философии", ne);
            QVERIFY(fp != nullptr && fp->Ob != nullptr);
            TYrokKorzina* item = ic23->GetNed(ne)->FindYrokKorzina(kSetkaPlan, fp->Predmet());
            QVERIFY(h->year().AddYr(ic23, 0, ne, 1, ic23->Dan.TimeDay, item, fp) != nullptr);
            QVERIFY(h->year().AddYr(ic23, 1, ne, 2, ic23->Dan.TimeDay, item, fp) != nullptr);
        }
        const int row =
            rowOf(window.SetList(), QStringLiteral("Осн. философии ИС-23,ИС-24 Елисеева Я.Р."));
        QVERIFY(row >= 0);
        clickRow(window.SetList(), row);
        const std::size_t boxes = h->dialog.shown.size();
        click(&window, "DeleteButton");
        QCOMPARE(h->dialog.shown.size(), boxes + 1);
        QCOMPARE(h->lastShown(),
                 std::string(kPlaced) + "\n" + kPinned + "\nНеделя " +
                     h->year().GetNumberWeek(kNumerator) + ": объединение оставлено\nНеделя " +
                     h->year().GetNumberWeek(kDenominator) + ": объединение оставлено");
        for (int ne : {kNumerator, kDenominator})
            QVERIFY(firstAssignment(*ic23, "Осн. философии", ne)->Ob != nullptr);
        QVERIFY(rowOf(window.SetList(),
                      QStringLiteral("Осн. философии ИС-23,ИС-24 Елисеева Я.Р.")) >= 0);
    }

    // Catches the window keeping groups, subjects and unions the group list
    // deleted: after Cancel there, choosing a subject and "Назначить" would
    // read freed memory (the sanitizer's report) or offer the lost group.
    void aGroupDeletedInThePickerLeavesTheChoice() {
        auto h = make();
        TForm13 window(*h->context);
        window.show();
        window.SetGroups({group(*h, "ИС-21"), group(*h, "ИС-22"), group(*h, "ИС-23")});
        choosePossible(window, kSport,
                       QStringLiteral("Физ. культура ИС-21,ИС-22,ИС-23 Цветкова О.В."));
        const int philosophy =
            rowOf(window.SetList(), QStringLiteral("Осн. философии ИС-21,ИС-22 Елисеева Я.Р."));
        QVERIFY(philosophy >= 0);
        clickRow(window.SetList(), philosophy);

        h->dialog.queue(true);  // "Удалить Группу?"
        const auto modal = whenModal<entry::ui::TForm2>([&](entry::ui::TForm2* list) {
            shell::ui::TListBoxNumer* rows = list->List();
            rows->clearSelection();
            for (int row = 0; row < rows->count(); ++row)
                if (h->year().GrypNumer(rows->GetNumer(row))->Name() == "ИС-22")
                    clickRow(rows, row);
            click(list, "DeleteButton");
            QTest::keyClick(list, Qt::Key_Escape);
        });
        click(&window, "GroupsButton");
        QVERIFY(modal.shown());
        QVERIFY(h->year().FindGrypForName("ИС-22") == nullptr);
        QCOMPARE(child<QLabel>(&window, "GroupsLabel")->text(), QStringLiteral("ИС-21, ИС-23"));
        QCOMPARE(window.Groups(), (std::vector<TGryp*>{group(*h, "ИС-21"), group(*h, "ИС-23")}));
        QVERIFY(rowOf(window.SetList(),
                      QStringLiteral("Осн. философии ИС-21,ИС-22 Елисеева Я.Р.")) < 0);
        // The subject stays chosen, its unions offered without the lost group.
        QCOMPARE(window.Subjects()->currentItem()->text(), QString::fromUtf8(kSport));
        QVERIFY(!texts(window.Possible()).join("|").contains(QStringLiteral("ИС-22")));

        const std::size_t boxes = h->dialog.shown.size();
        click(&window, "DeleteButton");
        QCOMPARE(h->lastShown(), std::string(kChooseDeleted));
        choosePossible(window, kSport, QStringLiteral("Физ. культура ИС-21,ИС-23 Цветкова О.В."));
        click(&window, "SetButton");
        QCOMPARE(h->dialog.shown.size(), boxes + 1);
        for (int ne : {kNumerator, kDenominator}) {
            const TFioPredmet* a = firstAssignment(*group(*h, "ИС-21"), kSport, ne);
            const TFioPredmet* b = firstAssignment(*group(*h, "ИС-23"), kSport, ne);
            QVERIFY(a != nullptr && b != nullptr && a->Ob != nullptr);
            QCOMPARE(a->Ob, b->Ob);
            QCOMPARE(a->Ob->CountFioPredmet(), 2);
        }
    }

    // Catches a lone group's teacher not offered for adding, adding without
    // a target union, the two refusals for two members of one group mixed up
    // or changing the union, and a group not joining the union chosen.
    void aGroupJoinsAUnionSetWithTheRefusalsForOneGroup() {
        auto h = make();
        TForm13 window(*h->context);
        window.show();
        window.SetGroups({group(*h, "ИС-21"), group(*h, "ИС-22")});
        // The two groups share one teacher of the language: their union.
        choosePossible(window, "Ин. язык в ПД",
                       QStringLiteral("Ин. язык в ПД ИС-21,ИС-22 Успенская Л.Ю."));
        click(&window, "SetButton");
        QVERIFY(rowOf(window.SetList(),
                      QStringLiteral("Ин. язык в ПД ИС-21,ИС-22 Успенская Л.Ю.")) >= 0);

        window.SetGroups({group(*h, "ИС-21")});
        choosePossible(window, "Ин. язык в ПД",
                       QStringLiteral("Ин. язык в ПД ИС-21 Назарова А.Ф."));
        window.SetList()->clearSelection();
        click(&window, "SetButton");
        QCOMPARE(h->lastShown(), std::string(kChooseTarget));
        QTest::mouseDClick(
            window.Possible()->viewport(), Qt::LeftButton, {},
            window.Possible()->visualItemRect(window.Possible()->currentItem()).center());
        QCOMPARE(h->lastShown(), std::string(kUseAssign));

        const int language =
            rowOf(window.SetList(), QStringLiteral("Ин. язык в ПД ИС-21,ИС-22 Успенская Л.Ю."));
        QVERIFY(language >= 0);
        clickRow(window.SetList(), language);
        click(&window, "SetButton");
        QCOMPARE(h->lastShown(), std::string(composition::kUnionSameSubjectOneGroup));
        choosePossible(window, kSport, QStringLiteral("Физ. культура ИС-21 Цветкова О.В."));
        clickRow(window.SetList(), language);
        click(&window, "SetButton");
        QCOMPARE(h->lastShown(), std::string(composition::kUnionDifferentSubjectsOneGroup));
        const TFioPredmet* shared = assignmentOf(*group(*h, "ИС-22"), "Ин. язык в ПД", "Успенская");
        QVERIFY(shared != nullptr && shared->Ob != nullptr);
        QCOMPARE(shared->Ob->CountFioPredmet(), 2);

        // ИС-24 alone: the language's unions are offered to join.
        window.SetGroups({group(*h, "ИС-24")});
        choosePossible(window, "Ин. язык в ПД",
                       QStringLiteral("Ин. язык в ПД ИС-24 Успенская Л.Ю."));
        const int target =
            rowOf(window.SetList(), QStringLiteral("Ин. язык в ПД ИС-21,ИС-22 Успенская Л.Ю."));
        QVERIFY2(target >= 0, qPrintable(texts(window.SetList()).join("|")));
        clickRow(window.SetList(), target);
        const std::size_t shown = h->dialog.shown.size();
        click(&window, "SetButton");
        QCOMPARE(h->dialog.shown.size(), shown);
        QVERIFY(rowOf(window.SetList(),
                      QStringLiteral("Ин. язык в ПД ИС-21,ИС-22,ИС-24 Успенская Л.Ю.")) >= 0);
        for (int ne : {kNumerator, kDenominator}) {
            const TFioPredmet* joined =
                assignmentOf(*group(*h, "ИС-24"), "Ин. язык в ПД", "Успенская", ne);
            QVERIFY(joined != nullptr && joined->Ob != nullptr);
            QCOMPARE(joined->Ob->CountFioPredmet(), 3);
            QCOMPARE(joined->Dan.Nob,
                     assignmentOf(*group(*h, "ИС-21"), "Ин. язык в ПД", "Успенская", ne)->Dan.Nob);
        }
    }

    // Catches a window that closes as if saved when the year's timetables
    // could not be written: the unions would be lost without a word.
    void aFailedSaveAsksBeforeClosing() {
        auto h = template_.copy("unions_gui", true);
        TForm13 window(*h->context);
        window.show();
        window.SetGroups({group(*h, "ИС-21"), group(*h, "ИС-23")});
        choosePossible(window, kSport, QStringLiteral("Физ. культура ИС-21,ИС-23 Цветкова О.В."));
        click(&window, "SetButton");
        h->faulty->failAt(1, false);
        h->dialog.queue(false);
        click(&window, "CloseButton");
        QVERIFY(h->faulty->failed());
        QCOMPARE(h->dialog.asked,
                 std::vector<std::string>{composition::ui::kUnionsNotSavedQuestion});
        QVERIFY(window.isVisible());
        h->faulty->failAt(0, false);
        click(&window, "CloseButton");
        QVERIFY(!window.isVisible());
        QVERIFY(h->start());
        const TFioPredmet* stored = firstAssignment(*group(*h, "ИС-21"), kSport, kDenominator);
        QVERIFY(stored != nullptr && stored->Ob != nullptr);
        QCOMPARE(stored->Ob->CountFioPredmet(), 2);
    }
};

QTEST_MAIN(UnionsWindowTest)
#include "unions_window_test.moc"
