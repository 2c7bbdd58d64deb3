// The timetable report windows over the sample college (active weeks: the
// numerator and the denominator), driven offscreen: the choice each report
// needs, "Создать", the document handed to a recording opener and read back,
// the refusals of a missing choice, and the menu items reaching the windows.
#include "reports/ui/timetable_report_windows.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "closing_opener.h"
#include "demo/sample_plan.h"
#include "entry/ui/groups_window.h"
#include "entry/ui/teachers_window.h"
#include "entry_fixture.h"
#include "export/html_report_documents.h"
#include "export/timetable_xml.h"
#include "export/ui/document_opening.h"
#include "model/calendar.h"
#include "model/god.h"
#include "reports/ui/report_windows.h"
#include "screenshot.h"
#include "shell/menu.h"
#include "shell/ui/list_box_numer.h"
#include "storage/year_database.h"

using namespace zavlin;
using namespace zavlin::test;
using namespace zavlin::exporting;
using zavlin::reports::ui::TTimetableReport;
using zavlin::reports::ui::TTimetableReportWindow;

namespace fs = std::filesystem;

namespace {

fs::path tempOf(EntryHarness& h, const char* file) {
    return fs::path(h.shell->DM().DB.PathR) / "temp" / file;
}

std::string readPage(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return cp1251ToUtf8(bytes.str());
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

int occurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

// A week's heading: its number and dates, an additional week its name alone.
std::string weekTitle(const TGod& god, int ne) {
    const TDNed* dn = god.AllNed.DNed(ne);
    return "Неделя " + (dn->Dop() ? "" : god.AllNed.GetNumberWeek(ne)) + dn->GetShortStrDateNed();
}

// Picks the row with that key in a picking list and confirms it.
template <class W>
ModalWait pickKey(int key) {
    return whenModal<W>([key](W* w) {
        shell::ui::TListBoxNumer* list = w->List();
        for (int i = 0; i < list->count(); ++i)
            if (list->GetNumer(i) == key) clickRow(list, i);
        click(w, "OkButton");
    });
}

void chooseWeek(QWidget* window, const char* name, int ne) {
    auto* box = child<shell::ui::TComboBoxNumer>(window, name);
    for (int i = 0; i < box->count(); ++i)
        if (box->GetNumer(i) == ne) box->setCurrentIndex(i);
    QCOMPARE(box->GetNumer(), ne);
}

}  // namespace

class TimetableReportWindowsTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

    // The first group that studies in the week with substitutions.
    static TGryp* studyingGroup(EntryHarness& h) {
        for (const auto& gr : h.year().LGryp)
            if (gr->TestNed(demo::kSubstitutionWeek)) return gr.get();
        return nullptr;
    }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("ttreport_template", message), message.c_str());
    }

    // Catches the report made without a group, the picked group not reaching
    // the document, or the range of weeks ignored.
    void groupYearFromTheMenu() {
        auto h = template_.copy("ttreport_group");
        TRecordingOpener opener;
        exporting::ui::TScopedDocumentOpener scoped(opener);
        TGryp* gr = studyingGroup(*h);
        QVERIFY(gr != nullptr);
        auto act = whenModal<TTimetableReportWindow>([&](TTimetableReportWindow* w) {
            QCOMPARE(w->windowTitle(), QString::fromUtf8(kGrypYearTitle));
            QVERIFY(w->Group() == nullptr);
            click(w, "CreateButton");
            QCOMPARE(h->lastShown(), std::string("Выберите группу"));
            QVERIFY(opener.files.empty());
            {
                auto pick = pickKey<entry::ui::TForm2>(gr->Dan.N);
                click(w, "GroupButton");
                QVERIFY(pick.shown());
            }
            QCOMPARE(w->Group(), gr);
            QCOMPARE(child<QLabel>(w, "GroupLabel")->text(), QString::fromStdString(gr->Name()));
            QVERIFY(saveScreenshot(w, QStringLiteral("timetable_report_window")));
            chooseWeek(w, "LastWeek", demo::kSubstitutionWeek);
            click(w, "CreateButton");
            click(w, "CloseButton");
        });
        QVERIFY(reports::ui::OpenReportWindow("TForm25", *h->context));
        QVERIFY(act.shown());
        const fs::path file = tempOf(*h, kGrypYearFile);
        QCOMPARE(opener.files, std::vector<fs::path>{file});
        QCOMPARE(h->dialog.shown, std::vector<std::string>{"Выберите группу"});
        const std::string page = readPage(file);
        QVERIFY(contains(page, "РАСПИСАНИЕ ГРУППЫ " + gr->Name() + " НА ГОД"));
        QVERIFY(contains(page, weekTitle(h->year(), demo::kSubstitutionWeek)));
        // The range ends with the week with substitutions.
        for (int ne = demo::kSubstitutionWeek + 1; ne <= kStudyWeeks; ++ne)
            QVERIFY2(!contains(page, weekTitle(h->year(), ne)), std::to_string(ne).c_str());
    }

    // Catches a teacher's report without its teacher, a range backwards
    // accepted, and the teacher's groups' document not made.
    void teacherReports() {
        auto h = template_.copy("ttreport_teacher");
        TRecordingOpener opener;
        exporting::ui::TScopedDocumentOpener scoped(opener);
        // A teacher of the week with substitutions (the sample's active
        // weeks are not composed yet).
        const TFioWeekCells numerator(h->year(), demo::kSubstitutionWeek);
        TFio* fio = nullptr;
        for (const auto& f : h->year().LFio)
            if (fio == nullptr && numerator.Busy(*f)) fio = f.get();
        QVERIFY(fio != nullptr);

        TTimetableReportWindow year(*h->context, TTimetableReport::TeacherYear);
        year.show();
        QCOMPARE(year.objectName(), QStringLiteral("TForm26"));
        QVERIFY(!year.Create());
        QCOMPARE(h->lastShown(), std::string("Выберите ФИО"));
        {
            auto pick = pickKey<entry::ui::TForm3>(fio->N);
            click(&year, "TeacherButton");
            QVERIFY(pick.shown());
        }
        QCOMPARE(year.Teacher(), fio);
        chooseWeek(&year, "FirstWeek", 10);
        chooseWeek(&year, "LastWeek", 9);
        h->dialog.shown.clear();
        QVERIFY(!year.Create());
        QCOMPARE(h->dialog.shown, std::vector<std::string>{"Первая неделя позже последней"});
        chooseWeek(&year, "FirstWeek", 1);
        chooseWeek(&year, "LastWeek", 56);
        QVERIFY(year.Create());
        const std::string page = readPage(tempOf(*h, kFioYearFile));
        QVERIFY(contains(page, "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ " + FioTitle(*fio) + " НА ГОД"));
        QVERIFY(contains(page, weekTitle(h->year(), demo::kSubstitutionWeek)));

        TTimetableReportWindow groups(*h->context, TTimetableReport::TeacherGroupsYear);
        groups.PickTeacher = [fio] { return fio; };
        groups.show();
        click(&groups, "TeacherButton");
        QVERIFY(groups.Create());
        const std::string counts = readPage(tempOf(*h, kFioGrypYearFile));
        QVERIFY(contains(counts, "ГРУППЫ ПРЕПОДАВАТЕЛЯ " + FioTitle(*fio)));
        const auto held = CountFioGryp(h->year(), *fio, 1, kStudyWeeks);
        QVERIFY(!held.empty());
        QVERIFY(contains(counts, "<TD>" + held.front().gryp->Name() + "</TD>"));
        QCOMPARE(opener.files,
                 (std::vector<fs::path>{tempOf(*h, kFioYearFile), tempOf(*h, kFioGrypYearFile)}));
    }

    // Catches a chess board of other weeks than the active ones, or one
    // without the rows of the week.
    void chessBoardsOfTheActiveWeeks() {
        auto h = template_.copy("ttreport_chess");
        TRecordingOpener opener;
        exporting::ui::TScopedDocumentOpener scoped(opener);
        TGod& god = h->year();
        const std::vector<int> weeks = {demo::kSubstitutionWeek, demo::kActiveWeeks[0]};
        god.AllNed.SetActivWeeks(weeks);
        const TFioWeekCells cells(god, demo::kSubstitutionWeek);
        const TFio* busy = nullptr;
        for (const auto& f : god.LFio)
            if (busy == nullptr && cells.Busy(*f)) busy = f.get();
        QVERIFY(busy != nullptr);
        const TGryp* gr = god.LGryp.front().get();
        for (const auto& [kind, file, title, row] :
             std::vector<std::tuple<TTimetableReport, const char*, std::string, std::string>>{
                 {TTimetableReport::TeachersChess, kFioChessFile, "ШАХМАТКА ПРЕПОДАВАТЕЛЕЙ ",
                  busy->Name()},
                 {TTimetableReport::GroupsChess, kGrypChessFile, "ШАХМАТКА ГРУПП ", gr->Name()}}) {
            TTimetableReportWindow window(*h->context, kind);
            window.show();
            const QString shown = child<QLabel>(&window, "WeeksLabel")->text();
            for (const int ne : weeks)
                QVERIFY(shown.contains(
                    QString::fromStdString(god.AllNed.DNed(ne)->GetShortStrDateNed())));
            if (kind == TTimetableReport::TeachersChess)
                QVERIFY(saveScreenshot(&window, QStringLiteral("chess_report_window")));
            QVERIFY(window.Create());
            QCOMPARE(child<QProgressBar>(&window, "ProgressBar1")->value(),
                     child<QProgressBar>(&window, "ProgressBar1")->maximum());
            const std::string page = readPage(tempOf(*h, file));
            for (const int ne : weeks) QVERIFY(contains(page, title + weekTitle(god, ne)));
            QVERIFY(!contains(page, weekTitle(god, demo::kActiveWeeks[1])));
            QVERIFY2(contains(page, "<TR>\r\n  <TD>" + row + "</TD>"), row.c_str());
        }
        QCOMPARE(opener.files.size(), std::size_t(2));
        QVERIFY(h->dialog.shown.empty());
    }

    // Catches the card made over two weeks, the chosen day not reaching it.
    void dayCardOfTheChosenDay() {
        auto h = template_.copy("ttreport_card");
        TRecordingOpener opener;
        exporting::ui::TScopedDocumentOpener scoped(opener);
        TTimetableReportWindow window(*h->context, TTimetableReport::DayCard);
        window.show();
        QVERIFY(!window.Create());
        QCOMPARE(h->lastShown(), std::string("Выбрано более одной активной недели"));
        QVERIFY(opener.files.empty());

        h->year().AllNed.SetActivWeeks({demo::kSubstitutionWeek});
        TTimetableReportWindow card(*h->context, TTimetableReport::DayCard);
        card.show();
        chooseCombo(child<QComboBox>(&card, "DayBox"), QStringLiteral("Среда"));
        QVERIFY(saveScreenshot(&card, QStringLiteral("day_card_window")));
        QVERIFY(card.Create());
        const std::string page = readPage(tempOf(*h, kDayCardFile));
        QVERIFY(contains(page,
                         "РАСПИСАНИЕ НА " +
                             h->year().AllNed.DNed(demo::kSubstitutionWeek)->GetLongStrDateDey(3)));
        QVERIFY(contains(page, "<TD>" + studyingGroup(*h)->Name() + "</TD>"));
    }

    // Catches the number of groups per table ignored and groups left out.
    void weekStandTablesOfTheChosenWidth() {
        auto h = template_.copy("ttreport_stand");
        TRecordingOpener opener;
        exporting::ui::TScopedDocumentOpener scoped(opener);
        const int ne = demo::kSubstitutionWeek;
        h->year().AllNed.SetActivWeeks({ne});
        TTimetableReportWindow window(*h->context, TTimetableReport::WeekStand);
        window.show();
        child<QSpinBox>(&window, "PerTable")->setValue(2);
        QVERIFY(saveScreenshot(&window, QStringLiteral("week_stand_window")));
        QVERIFY(window.Create());
        const std::string page = readPage(tempOf(*h, kWeekStandFile));
        int groups = 0;
        for (const auto& gr : h->year().LGryp)
            if (gr->GetNed(ne) != nullptr) {
                ++groups;
                QVERIFY2(contains(page, "<TH>" + gr->Name() + "</TH>"), gr->Name().c_str());
            }
        QVERIFY(groups > 2);
        QCOMPARE(occurrences(page, "<TABLE"), (groups + 1) / 2);
    }

    // Catches the board made without two weeks, or its weeks not both shown.
    void numeratorStandNeedsTwoWeeks() {
        auto h = template_.copy("ttreport_numden");
        TRecordingOpener opener;
        exporting::ui::TScopedDocumentOpener scoped(opener);
        TTimetableReportWindow window(*h->context, TTimetableReport::NumeratorStand);
        window.show();
        QVERIFY(saveScreenshot(&window, QStringLiteral("numerator_stand_window")));
        QVERIFY(window.Create());
        const std::string page = readPage(tempOf(*h, kNumeratorStandFile));
        const TGod& god = h->year();
        QVERIFY(contains(page, "<TH>" + weekTitle(god, demo::kActiveWeeks[0]) + "</TH>\r\n  <TH>" +
                                   weekTitle(god, demo::kActiveWeeks[1]) + "</TH>"));
        QVERIFY(contains(page, "ГРУППА " + god.LGryp.front()->Name()));

        h->year().AllNed.SetActivWeeks({demo::kActiveWeeks[0]});
        QVERIFY(!window.Create());
        QCOMPARE(h->lastShown(), std::string("Выбрать две активные недели"));
        QCOMPARE(opener.files.size(), std::size_t(1));
    }

    // Catches a document that could not be opened reported as made.
    void anUnopenedDocumentIsTold() {
        auto h = template_.copy("ttreport_refused");
        TRecordingOpener opener;
        opener.accept = false;
        exporting::ui::TScopedDocumentOpener scoped(opener);
        TTimetableReportWindow window(*h->context, TTimetableReport::GroupsChess);
        window.show();
        QVERIFY(!window.Create());
        QVERIFY(contains(h->lastShown(), tempOf(*h, kGrypChessFile).string()));
        QVERIFY(window.isEnabled());
    }

    // Catches a window that can be closed, or used, while its document is
    // being written, and one that stays unusable after.
    void theWindowHoldsWhileWriting() {
        auto h = template_.copy("ttreport_busy");
        TTimetableReportWindow window(*h->context, TTimetableReport::GroupsChess);
        TClosingOpener opener(window);
        exporting::ui::TScopedDocumentOpener scoped(opener);
        window.show();
        QVERIFY(window.Create());
        QVERIFY(opener.busy);
        QVERIFY(!opener.enabled);
        QVERIFY(opener.visible);
        QCOMPARE(opener.opened, tempOf(*h, kGrypChessFile));
        QVERIFY(!window.Busy());
        QVERIFY(window.isEnabled());
        window.close();
        QVERIFY(!window.isVisible());
    }

    // Catches a menu item reaching another report's window or caption.
    void theMenuItemsReachTheirWindows() {
        auto h = template_.copy("ttreport_menu");
        for (const char* component : {"N55", "N45", "N57", "N42", "N78", "N8", "N66", "N36"}) {
            const shell::TMenuItem* item = shell::FindMenuItem(component);
            QVERIFY(item != nullptr);
            QString name;
            QString title;
            auto act = whenModal<TTimetableReportWindow>([&](TTimetableReportWindow* w) {
                name = w->objectName();
                title = w->windowTitle();
                click(w, "CloseButton");
            });
            QVERIFY(reports::ui::OpenReportWindow(item->window, *h->context));
            QVERIFY(act.shown());
            QCOMPARE(name, QString::fromStdString(item->window));
            QCOMPARE(title, QString::fromStdString(item->path.back()));
        }
        QVERIFY(h->dialog.shown.empty());
    }
};

QTEST_MAIN(TimetableReportWindowsTest)
#include "timetable_report_windows_test.moc"
