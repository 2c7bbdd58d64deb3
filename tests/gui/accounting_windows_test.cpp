// The hour-accounting and statement windows over the sample college: the
// grids show what the core computes for the choices made through the
// widgets, every change of a choice is followed, the teacher's XML is
// written with the overwrite question, the documents reach the opener, and
// the menu items open the windows.
#include "reports/ui/accounting_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/datetime.h"
#include "base/my_dialog.h"
#include "demo/sample_plan.h"
#include "entry/ui/entry_widgets.h"
#include "entry_fixture.h"
#include "export/document_opener.h"
#include "export/ui/document_opening.h"
#include "model/god.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "reports/hours.h"
#include "reports/month_statement.h"
#include "reports/summary_statement.h"
#include "reports/ui/report_table_view.h"
#include "reports/ui/report_windows.h"
#include "reports/ui/statement_windows.h"
#include "screenshot.h"
#include "shell/menu.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/main_window.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::reports;
using namespace zavlin::reports::ui;
using namespace zavlin::test;

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The grid row by row as the core's table has it: every cell of every row
// and of the total.
void compareWithTable(TReportGridView* grid, const TAccountTable& t) {
    QCOMPARE(grid->ColCount(), static_cast<int>(t.heads.size()));
    QCOMPARE(grid->RowCount(), static_cast<int>(t.rows.size()) + 2);
    for (std::size_t c = 0; c < t.heads.size(); ++c)
        QCOMPARE(grid->Table().Cells(static_cast<int>(c), 0), t.heads[c]);
    for (std::size_t r = 0; r < t.rows.size(); ++r)
        for (std::size_t c = 0; c < t.rows[r].cells.size(); ++c)
            QCOMPARE(grid->Cells(static_cast<int>(c), static_cast<int>(r) + 1),
                     q(t.rows[r].cells[c].text));
    const int last = grid->RowCount() - 1;
    QCOMPARE(grid->Cells(1, last), QStringLiteral("Итог"));
    for (std::size_t c = 2; c < t.total.cells.size(); ++c)
        QCOMPARE(grid->Cells(static_cast<int>(c), last), q(t.total.cells[c].text));
}

// Sets the date as a pick from the calendar does and waits for the table
// to follow it.
void setDate(TAccountWindow& w, const QDate& date) {
    child<QDateEdit>(&w, "DateEdit")->setDate(date);
    QTRY_VERIFY(!w.RebuildPending());
}

// The sum of the lessons of a table's total row.
int totalLessons(const TAccountTable& t) {
    int sum = 0;
    for (const TAccountCell& c : t.total.cells) sum += c.value;
    return sum;
}

}  // namespace

class AccountingWindowsTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

    std::unique_ptr<EntryHarness> make() { return template_.copy("accounting_gui"); }

    // The last day of the year: every placed lesson counts as delivered.
    static QDate yearEnd(const TGod& g) {
        return entry::ui::DateFromStored(g.AllNed.Dg + kStudyWeeks * 7 - 1);
    }

    // The index of the first group whose accounting to the year's end holds
    // delivered lessons.
    static int busyGroup(const TGod& g) {
        TAccountOptions o;
        o.toDate = g.AllNed.Dg + kStudyWeeks * 7 - 1;
        for (std::size_t i = 0; i < g.LGryp.size(); ++i) {
            const TAccountTable t = accountByGroup(g, *g.LGryp[i], o);
            if (!t.total.cells.empty() && t.total.cells.back().value > 0)
                return static_cast<int>(i);
        }
        return -1;
    }

    // A teacher and a month (box index) whose statement holds hours of two
    // different kinds, so that the kind filter shows.
    static bool teacherMonth(const TGod& g, int& teacher, int& monthIndex) {
        for (std::size_t i = 0; i < g.LFio.size(); ++i)
            for (int m = 0; m < 12; ++m) {
                const int me = MonthOfIndex(m);
                const TMonthStatement all = CreateFio(g, *g.LFio[i], me, 0, TStatementKinds::All);
                const TMonthStatement zm =
                    CreateFio(g, *g.LFio[i], me, 0, TStatementKinds::Substitutions);
                if (all.TotalNoUnions() > 0 && zm.TotalNoUnions() > 0 &&
                    zm.TotalNoUnions() != all.TotalNoUnions()) {
                    teacher = static_cast<int>(i);
                    monthIndex = m;
                    return true;
                }
            }
        return false;
    }

    // A month (box index) in which the group has hours.
    static int groupMonth(const TGod& g, const TGryp& gr) {
        for (int m = 0; m < 12; ++m)
            if (CreateGryp(g, gr, MonthOfIndex(m), 0).TotalNoUnions() > 0) return m;
        return -1;
    }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("accounting_template", message), message.c_str());
    }

    // Catches a grid that shows other figures than the core computes for
    // the choices on screen, spanning headings lost, and choices that do
    // not reach the table: the group, the mode, the date, "Показывать только
    // пары" and "Краткий вид" each rebuild it.
    void groupAccountingFollowsEveryChoice() {
        auto h = make();
        const TGod& g = h->year();
        const int busy = busyGroup(g);
        QVERIFY2(busy >= 0, "the sample has delivered lessons");
        exporting::TRecordingOpener opener;
        TForm20 w(*h->context, opener);
        w.show();
        TReportGridView* grid = w.Grid();
        auto* date = child<QDateEdit>(&w, "DateEdit");
        // Today, clamped into the year; a date typed outside it is held at
        // the year's ends.
        const int first = g.AllNed.Dg;
        const int last = first + kStudyWeeks * 7 - 1;
        const int today = entry::ui::StoredFromDate(QDate::currentDate());
        QCOMPARE(entry::ui::StoredFromDate(date->date()), std::clamp(today, first, last));
        date->setDate(entry::ui::DateFromStored(first - 30));
        QCOMPARE(entry::ui::StoredFromDate(date->date()), first);
        date->setDate(entry::ui::DateFromStored(last + 30));
        QCOMPARE(entry::ui::StoredFromDate(date->date()), last);

        chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(g.LGryp[busy]->Name()));
        setDate(w, yearEnd(g));
        const TGryp& gr = *g.LGryp[static_cast<std::size_t>(busy)];
        TAccountOptions o;
        o.toDate = entry::ui::StoredFromDate(yearEnd(g));
        const TAccountTable grid0 = accountByGroup(g, gr, o);
        compareWithTable(grid, grid0);
        QCOMPARE(grid->HHeadrs(), (QStringList{QStringLiteral("Пары(Часы)1 сем."),
                                               QStringLiteral("Пары(Часы)2 сем."),
                                               QStringLiteral("Пары(Часы)за год.")}));
        QVERIFY(grid->Cells(grid->ColCount() - 1, grid->RowCount() - 1).contains(u'('));
        QVERIFY(saveScreenshot(&w, "accounting_group_window"));

        // An earlier date delivers fewer lessons: the Sunday before the
        // sample's week with a timetable counts from the Saturday before it.
        const int sunday = g.AllNed.Dg + 7 * (demo::kSubstitutionWeek - 1) - 1;
        setDate(w, entry::ui::DateFromStored(sunday));
        o.toDate = sunday;
        const TAccountTable early = accountByGroup(g, gr, o);
        compareWithTable(grid, early);
        QVERIFY(early.total.cells.back().value < grid0.total.cells.back().value);
        setDate(w, yearEnd(g));
        o.toDate = entry::ui::StoredFromDate(yearEnd(g));

        QTest::mouseClick(child(&w, "PairsOnly"), Qt::LeftButton);
        o.pairsOnly = true;
        compareWithTable(grid, accountByGroup(g, gr, o));
        QCOMPARE(grid->Cells(grid->ColCount() - 1, grid->RowCount() - 1),
                 QString::number(grid0.total.cells.back().value));

        QTest::mouseClick(child(&w, "AdditionalMode"), Qt::LeftButton);
        o.mode = THoursMode::Additional;
        const TAccountTable additional = accountByGroup(g, gr, o);
        compareWithTable(grid, additional);
        TAccountOptions grid1 = o;
        grid1.mode = THoursMode::Grid;
        QVERIFY(totalLessons(additional) != totalLessons(accountByGroup(g, gr, grid1)));

        QTest::mouseClick(child(&w, "GridMode"), Qt::LeftButton);
        QTest::mouseClick(child(&w, "ShortView"), Qt::LeftButton);
        o.mode = THoursMode::Grid;
        o.shortView = true;
        const TAccountTable brief = accountByGroup(g, gr, o);
        compareWithTable(grid, brief);
        QCOMPARE(grid->ColCount(), 6);
        QCOMPARE(grid->HHeadrs().size(), 2);

        // Another group: its own subjects.
        const int other = busy == 0 ? 1 : 0;
        chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(g.LGryp[other]->Name()));
        compareWithTable(grid, accountByGroup(g, *g.LGryp[other], o));
    }

    // Catches a document not written, not handed over, or without the
    // group and the table; and a refused hand-over taken for success.
    void printingHandsTheDocumentToTheOpener() {
        auto h = make();
        const TGod& g = h->year();
        const int busy = busyGroup(g);
        QVERIFY(busy >= 0);
        exporting::TRecordingOpener opener;
        TForm20 w(*h->context, opener);
        w.show();
        chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(g.LGryp[busy]->Name()));
        setDate(w, yearEnd(g));
        QTest::mouseClick(child(&w, "PrintButton"), Qt::LeftButton);
        QCOMPARE(opener.files.size(), std::size_t{1});
        const fs::path file = opener.files[0];
        QCOMPARE(file.parent_path().filename().string(), std::string("temp"));
        QVERIFY(fs::equivalent(file.parent_path().parent_path(), h->home.path()));
        const std::string page = cp1251ToUtf8(readFile(file));
        QVERIFY(page.find("Вычитка по группе " + g.LGryp[busy]->Name()) != std::string::npos);
        QVERIFY(page.find("<TABLE BORDER=1") != std::string::npos);
        // The spanning headings span their columns; the others span both
        // heading rows.
        QVERIFY(page.find("<TH COLSPAN=7 ALIGN=CENTER>Пары(Часы)1 сем.</TH>") != std::string::npos);
        QVERIFY(page.find("<TH COLSPAN=2 ALIGN=CENTER>Пары(Часы)за год.</TH>") !=
                std::string::npos);
        QVERIFY(page.find("<TH ROWSPAN=2 ALIGN=CENTER>Предмет Преподаватель</TH>") !=
                std::string::npos);
        QVERIFY(page.find("Итог") != std::string::npos);
        QVERIFY(page.find("Вычитка до  даты " +
                          yearEnd(g).toString(QStringLiteral("dd.MM.yyyy")).toStdString()) !=
                std::string::npos);
        // Every row of the grid is a row of the document: two heading rows.
        std::size_t rows = 0;
        for (std::size_t at = page.find("<TR>"); at != std::string::npos;
             at = page.find("<TR>", at + 1))
            ++rows;
        QCOMPARE(rows, static_cast<std::size_t>(w.Grid()->RowCount() + 1));
        QVERIFY(h->dialog.shown.empty());

        opener.accept = false;
        QTest::mouseClick(child(&w, "PrintButton"), Qt::LeftButton);
        QCOMPARE(opener.files.size(), std::size_t{2});
        QVERIFY(h->lastShown().starts_with("Невозможно открыть файл"));
        QVERIFY(fs::exists(opener.files[1]));
        QVERIFY(!w.Print());
    }

    // Catches rows of other teachers in the teacher's table, an XML file not
    // written, a file replaced without the question, and a refusal that
    // replaced it all the same.
    void teacherAccountingWritesXmlAskingBeforeReplacing() {
        auto h = make();
        const TGod& g = h->year();
        exporting::TRecordingOpener opener;
        TForm21 w(*h->context, opener);
        w.show();
        auto* box = child<QComboBox>(&w, "ChoiceBox");
        QCOMPARE(box->count(), static_cast<int>(g.LFio.size()));
        // A teacher with rows.
        const TFio* fio = nullptr;
        TAccountOptions o;
        o.toDate = entry::ui::StoredFromDate(yearEnd(g));
        setDate(w, yearEnd(g));
        for (const auto& f : g.LFio)
            if (!accountByTeacher(g, *f, o).rows.empty()) {
                fio = f.get();
                break;
            }
        QVERIFY(fio != nullptr);
        chooseCombo(box, q(fio->Name()));
        QCOMPARE(w.ChosenTeacher(), fio);
        const TAccountTable expected = accountByTeacher(g, *fio, o);
        compareWithTable(w.Grid(), expected);
        QCOMPARE(w.Grid()->Cells(1, 0), QStringLiteral("Группа Предмет"));
        for (const TAccountRow& r : expected.rows) QCOMPARE(r.fio, fio);
        QVERIFY(saveScreenshot(&w, "accounting_teacher_window"));

        const fs::path file = h->home.path() / "teacher.xml";
        std::vector<std::string> proposed;
        w.AskXmlFile = [&](const std::string& p) {
            proposed.push_back(p);
            return file.string();
        };
        QTest::mouseClick(child(&w, "XmlButton"), Qt::LeftButton);
        QVERIFY(fs::exists(file));
        QVERIFY(h->dialog.asked.empty());
        QCOMPARE(proposed.size(), std::size_t{1});
        QVERIFY(proposed[0].ends_with(fio->Name() + ".xml"));
        const std::string xml = cp1251ToUtf8(readFile(file));
        QVERIFY(xml.find("<Teacher Name=\"" + fio->BigName() + "\"") != std::string::npos);
        QVERIFY(xml.find("<Semester1>") != std::string::npos);

        // Refused: the file stays as it was.
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << "old";
        }
        h->dialog.queue(false);
        QTest::mouseClick(child(&w, "XmlButton"), Qt::LeftButton);
        QCOMPARE(h->dialog.asked.size(), std::size_t{1});
        QCOMPARE(h->dialog.asked[0], "Файл существует. Заменить? \r\n" + file.string());
        QCOMPARE(readFile(file), std::string("old"));

        h->dialog.queue(true);
        QVERIFY(w.SaveXml());
        QCOMPARE(h->dialog.asked.size(), std::size_t{2});
        QCOMPARE(cp1251ToUtf8(readFile(file)), xml);

        // A file that cannot be written is said so, not reported as made.
        const fs::path nowhere = h->home.path() / "no such folder" / "teacher.xml";
        w.AskXmlFile = [&](const std::string&) { return nowhere.string(); };
        h->dialog.shown.clear();
        QVERIFY(!w.SaveXml());
        QCOMPARE(h->dialog.shown.size(), std::size_t{1});
        QVERIFY(h->lastShown().find("Создан файл") == std::string::npos);
        QVERIFY(h->lastShown().find(nowhere.string()) != std::string::npos);
        QVERIFY(!fs::exists(nowhere));

        // No file chosen: nothing asked, nothing written.
        w.AskXmlFile = [](const std::string&) { return std::string(); };
        QVERIFY(!w.SaveXml());
        QCOMPARE(h->dialog.asked.size(), std::size_t{2});
    }

    // Catches a subject window that shows another subject's groups.
    void subjectAccountingShowsEveryGroupOfTheName() {
        auto h = make();
        const TGod& g = h->year();
        exporting::TRecordingOpener opener;
        TForm37 w(*h->context, opener);
        w.show();
        setDate(w, yearEnd(g));
        TAccountOptions o;
        o.toDate = entry::ui::StoredFromDate(yearEnd(g));
        // The subject name taught in the most groups.
        const TYrName* best = nullptr;
        std::size_t most = 0;
        for (const auto& n : g.LYrName) {
            const std::size_t rows = accountBySubjectName(g, *n, o).rows.size();
            if (rows > most) {
                most = rows;
                best = n.get();
            }
        }
        QVERIFY(best != nullptr);
        chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(best->Name()));
        QCOMPARE(w.ChosenSubject(), best);
        const TAccountTable t = accountBySubjectName(g, *best, o);
        compareWithTable(w.Grid(), t);
        QCOMPARE(w.Grid()->Cells(1, 0), QStringLiteral("Группа Преподаватель"));
        for (const TAccountRow& r : t.rows) QCOMPARE(r.predmet->YrName(), best);
        QVERIFY(saveScreenshot(&w, "accounting_subject_window"));
    }

    // Catches a table rebuilt at every keystroke while a date is typed (a
    // pass over the year each), one that never follows the typed date, and
    // a document printed of the date before the typing.
    void aTypedDateRebuildsTheTableOnce() {
        auto h = make();
        const TGod& g = h->year();
        const int busy = busyGroup(g);
        QVERIFY(busy >= 0);
        exporting::TRecordingOpener opener;
        TForm20 w(*h->context, opener);
        w.show();
        chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(g.LGryp[busy]->Name()));
        setDate(w, entry::ui::DateFromStored(g.AllNed.Dg + 7 * (demo::kSubstitutionWeek - 1)));
        auto* date = child<QDateEdit>(&w, "DateEdit");
        date->setFocus();
        const QDate start = date->date();
        const int before = w.Rebuilds();
        for (int i = 0; i < 4; ++i) QTest::keyClick(date, Qt::Key_Up);
        QVERIFY(date->date() > start);
        QCOMPARE(w.Rebuilds(), before);
        QVERIFY(w.RebuildPending());
        TAccountOptions o;
        o.toDate = entry::ui::StoredFromDate(date->date());
        QTRY_VERIFY(!w.RebuildPending());
        QCOMPARE(w.Rebuilds(), before + 1);
        compareWithTable(w.Grid(), accountByGroup(g, *g.LGryp[static_cast<std::size_t>(busy)], o));

        // Printed at once after a keystroke: the document is of the new date.
        QTest::keyClick(date, Qt::Key_Down);
        QVERIFY(w.RebuildPending());
        QVERIFY(w.Print());
        QVERIFY(!w.RebuildPending());
        o.toDate = entry::ui::StoredFromDate(date->date());
        compareWithTable(w.Grid(), accountByGroup(g, *g.LGryp[static_cast<std::size_t>(busy)], o));
        QCOMPARE(opener.files.size(), std::size_t{1});
    }

    // Catches a window that opens on the first group, teacher or subject
    // instead of the one current in the main window, and one that fails on
    // a current index the lists no longer hold.
    void windowsOpenOnTheMainWindowsCurrentItem() {
        auto h = make();
        TGod& g = h->year();
        QVERIFY(g.LGryp.size() > 1 && g.LFio.size() > 1 && g.LYrName.size() > 1);
        const int gr = static_cast<int>(g.LGryp.size()) - 1;
        const int fio = static_cast<int>(g.LFio.size()) - 1;
        const int name = static_cast<int>(g.LYrName.size()) - 1;
        g.SetGrypActivIndx(gr);
        g.SetFioActivIndx(fio);
        g.SetYrNameActivIndx(name);
        exporting::TRecordingOpener opener;
        {
            TForm20 w(*h->context, opener);
            QCOMPARE(w.ChosenGroup(), g.LGryp[static_cast<std::size_t>(gr)].get());
            TAccountOptions o = w.Options();
            compareWithTable(w.Grid(),
                             accountByGroup(g, *g.LGryp[static_cast<std::size_t>(gr)], o));
        }
        {
            TForm21 w(*h->context, opener);
            QCOMPARE(w.ChosenTeacher(), g.LFio[static_cast<std::size_t>(fio)].get());
        }
        {
            TForm37 w(*h->context, opener);
            QCOMPARE(w.ChosenSubject(), g.LYrName[static_cast<std::size_t>(name)].get());
        }
        g.SetGrypActivIndx(gr + 5);
        g.SetFioActivIndx(-1);
        {
            TForm20 w(*h->context, opener);
            QCOMPARE(w.ChosenGroup(), g.LGryp.front().get());
            TForm21 t(*h->context, opener);
            QCOMPARE(t.ChosenTeacher(), g.LFio.front().get());
        }
    }

    // Catches a totals line that ignores the kind filter, a grid that does
    // not follow the teacher, month or start, and Sundays not marked.
    void teacherStatementFollowsTheFilter() {
        auto h = make();
        const TGod& g = h->year();
        int teacher = -1;
        int monthIndex = -1;
        QVERIFY2(teacherMonth(g, teacher, monthIndex), "a teacher with substitutions");
        const TFio& fio = *g.LFio[static_cast<std::size_t>(teacher)];
        exporting::TRecordingOpener opener;
        TForm23 w(*h->context, opener);
        w.show();
        chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(fio.Name()));
        child<QComboBox>(&w, "MonthBox")->setCurrentIndex(monthIndex);
        const int me = MonthOfIndex(monthIndex);
        QCOMPARE(w.Month(), me);
        auto* totals = child<QLabel>(&w, "TotalsLabel");
        const TMonthStatement all = CreateFio(g, fio, me, 0, TStatementKinds::All);
        QCOMPARE(totals->text(), q(teachersTotalText({all})));
        QVERIFY(
            totals->text().startsWith(QStringLiteral("Общая сумма часов с учетом объединений=")));
        TReportGridView* grid = w.Grid();
        QCOMPARE(grid->RowCount(), static_cast<int>(all.rows.size()) + 3);
        QCOMPARE(grid->Cells(grid->ColCount() - 1, grid->RowCount() - 2),
                 q(statementHoursText(all.TotalNoUnions())));
        QCOMPARE(grid->Cells(grid->ColCount() - 1, grid->RowCount() - 1),
                 q(statementHoursText(all.TotalUnions())));
        // The two totals are told apart by name, as in the printed statement.
        QCOMPARE(grid->Cells(1, grid->RowCount() - 2), QStringLiteral("без учета"));
        QCOMPARE(grid->Cells(1, grid->RowCount() - 1), QStringLiteral("с учетом объединений"));
        for (std::size_t r = 0; r < all.rows.size(); ++r) {
            QCOMPARE(grid->Cells(0, static_cast<int>(r) + 1), q(all.rows[r].first));
            for (int d = 0; d < kStatementDays; ++d)
                QCOMPARE(grid->Cells(kStatementFirstDayCol + d, static_cast<int>(r) + 1),
                         q(statementHoursText(all.rows[r].DayTotal(d))));
        }
        QVERIFY(saveScreenshot(&w, "statement_teacher_month_window"));

        chooseCombo(child<QComboBox>(&w, "KindsBox"), QStringLiteral("Только Замены"));
        const TMonthStatement zm = CreateFio(g, fio, me, 0, TStatementKinds::Substitutions);
        QCOMPARE(totals->text(), q(teachersTotalText({zm})));
        QVERIFY(totals->text() != q(teachersTotalText({all})));

        // The start moves the days: with October chosen, column 1 is the
        // 28th of September.
        chooseCombo(child<QComboBox>(&w, "MonthBox"), QStringLiteral("Октябрь"));
        chooseCombo(child<QComboBox>(&w, "StartBox"), QStringLiteral("с 28 ч. прошлого мес."));
        QCOMPARE(w.Start(), -4);
        QCOMPARE(w.Month(), 10);
        const TMonthStatement shifted = CreateFio(g, fio, 10, -4, TStatementKinds::Substitutions);
        QCOMPARE(totals->text(), q(teachersTotalText({shifted})));
        const auto days = statementDays(g, 10, -4);
        QCOMPARE(decodeDate(days[0].date).month, 9);
        QCOMPARE(decodeDate(days[0].date).day, 28);
        QVERIFY(grid->Cells(kStatementFirstDayCol, 0).startsWith(QStringLiteral("28;")));

        // Sundays are painted as days off, the other days are not.
        int sunday = -1;
        int weekday = -1;
        for (int d = 0; d < kStatementDays; ++d) {
            if (days[static_cast<std::size_t>(d)].sunday && sunday < 0) sunday = d;
            if (!days[static_cast<std::size_t>(d)].sunday &&
                days[static_cast<std::size_t>(d)].date && weekday < 0)
                weekday = d;
        }
        QVERIFY(sunday >= 0 && weekday >= 0);
        QVERIFY(grid->Cells(kStatementFirstDayCol + sunday, 0).endsWith(QStringLiteral("вс")));
        const auto brushOf = [&](int col) {
            QBrush brush(Qt::white);
            QColor font(Qt::black);
            grid->OnGetCellColor(grid, 1, col, 0, brush, font);
            return brush.color();
        };
        QCOMPARE(brushOf(kStatementFirstDayCol + sunday), DayOffColor());
        QVERIFY(brushOf(kStatementFirstDayCol + weekday) != DayOffColor());
    }

    // Catches the group's statement losing its rows or the whole-group line.
    void groupStatementShowsTheWholeGroupLine() {
        auto h = make();
        const TGod& g = h->year();
        const int busy = busyGroup(g);
        QVERIFY(busy >= 0);
        const TGryp& gr = *g.LGryp[static_cast<std::size_t>(busy)];
        const int monthIndex = groupMonth(g, gr);
        QVERIFY(monthIndex >= 0);
        exporting::TRecordingOpener opener;
        TForm22 w(*h->context, opener);
        w.show();
        QVERIFY(w.findChild<QLabel*>("TotalsLabel") == nullptr);
        chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(gr.Name()));
        child<QComboBox>(&w, "MonthBox")->setCurrentIndex(monthIndex);
        const TMonthStatement st = CreateGryp(g, gr, MonthOfIndex(monthIndex), 0);
        TReportGridView* grid = w.Grid();
        const int last = grid->RowCount() - 1;
        QCOMPARE(grid->RowCount(), static_cast<int>(st.rows.size()) + 3);
        QCOMPARE(grid->Cells(0, last), QStringLiteral("Для полной группы"));
        for (int d = 0; d < kStatementDays; ++d)
            QCOMPARE(grid->Cells(kStatementFirstDayCol + d, last), q(st.FullGroupText(d)));
        QCOMPARE(grid->Cells(grid->ColCount() - 1, last - 1),
                 q(statementHoursText(st.TotalNoUnions())));
        QVERIFY(saveScreenshot(&w, "statement_group_month_window"));

        QTest::mouseClick(child(&w, "PrintButton"), Qt::LeftButton);
        QCOMPARE(opener.files.size(), std::size_t{1});
        const std::string page = cp1251ToUtf8(readFile(opener.files[0]));
        QVERIFY(page.find(gr.Name()) != std::string::npos);
        QVERIFY(page.find("Для полной группы") != std::string::npos);
    }

    // Catches summaries that differ from the core's, a group or teacher
    // choice not followed, and a document of every group that misses some.
    void summariesShowTheYearByMonth() {
        auto h = make();
        const TGod& g = h->year();
        exporting::TRecordingOpener opener;
        const int busy = busyGroup(g);
        QVERIFY(busy >= 0);
        {
            TForm35 w(*h->context, opener);
            w.show();
            // Chosen again while the first group is being counted: the grid
            // ends with the last choice, never with a stale count.
            const int other = busy == 0 ? 1 : 0;
            chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(g.LGryp[other]->Name()));
            chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(g.LGryp[busy]->Name()));
            QTRY_VERIFY(!w.Busy());
            QVERIFY(child<QLabel>(&w, "BusyLabel")->text().isEmpty());
            const TSummaryTable t = groupSummary(g, *g.LGryp[static_cast<std::size_t>(busy)]);
            QVERIFY(!t.rows.empty());
            TReportGridView* grid = w.Grid();
            QCOMPARE(grid->RowCount(), static_cast<int>(t.rows.size()) + 2);
            QCOMPARE(grid->Cells(2, 0), QStringLiteral("Сентябрь"));
            QCOMPARE(grid->Cells(grid->ColCount() - 1, 0), QStringLiteral("За год"));
            QCOMPARE(grid->Cells(0, 1), q(t.rows[0].first));
            QCOMPARE(grid->Cells(1, 1), q(t.rows[0].second));
            QCOMPARE(grid->Cells(grid->ColCount() - 1, grid->RowCount() - 1),
                     q(statementHoursText(t.total.h00[kSummaryYear])));
            QVERIFY(saveScreenshot(&w, "statement_summary_window"));
        }
        {
            TForm24 w(*h->context, opener);
            w.show();
            const TFio* fio = nullptr;
            for (const auto& f : g.LFio)
                if (teacherSummary(g, *f).total.h00[kSummaryYear] > 0) fio = f.get();
            QVERIFY(fio != nullptr);
            chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(fio->Name()));
            QTRY_VERIFY(!w.Busy());
            const TSummaryTable t = teacherSummary(g, *fio);
            QCOMPARE(w.Grid()->Cells(w.Grid()->ColCount() - 1, w.Grid()->RowCount() - 1),
                     q(statementHoursText(t.total.h00[kSummaryYear])));
            QCOMPARE(w.Grid()->Cells(0, 0), QStringLiteral("Группа"));
        }
        {
            TForm39 w(*h->context, opener);
            w.show();
            QTRY_VERIFY(!w.Busy());
            const TSummaryTable t = teachersOfAllGroups(g);
            QCOMPARE(w.Grid()->RowCount(), static_cast<int>(t.rows.size()) + 2);
            QCOMPARE(w.Grid()->Cells(w.Grid()->ColCount() - 1, w.Grid()->RowCount() - 1),
                     q(statementHoursText(t.total.h00[kSummaryYear])));
            QVERIFY(w.findChild<QComboBox*>("ChoiceBox") == nullptr);
        }
        {
            TForm40 w(*h->context, opener);
            w.show();
            QVERIFY(!w.Print());  // nothing to print before the count is done
            QTRY_VERIFY(!w.Busy());
            const std::vector<TSummaryTable> tables = teachersOfEachGroup(g);
            int rows = 1;
            for (const TSummaryTable& t : tables) rows += static_cast<int>(t.rows.size()) + 1;
            QCOMPARE(w.Grid()->RowCount(), rows);
            QTest::mouseClick(child(&w, "PrintButton"), Qt::LeftButton);
            QCOMPARE(opener.files.size(), std::size_t{1});
            const std::string page = cp1251ToUtf8(readFile(opener.files[0]));
            for (const auto& gr : g.LGryp)
                QVERIFY2(page.find("Группа " + gr->Name()) != std::string::npos,
                         gr->Name().c_str());
        }
    }

    // Catches a close that waits for the whole count (the program frozen
    // until it ends), a count that goes on after its window is closed, and
    // a choice change that lets the former count run on.
    void closingOrChoosingStopsACountUnderWay() {
        auto h = make();
        const TGod& g = h->year();
        QVERIFY(g.LGryp.size() > 1 && g.LFio.size() > 1);
        // The first group of a count is held until the count is stopped or
        // the test lets it go.
        std::mutex mutex;
        std::condition_variable_any wake;
        bool released = false;
        std::atomic<int> steps{0};
        std::atomic<bool> stopped{false};
        TSummaryWindow::CountStep = [&](std::stop_token stop) {
            if (steps++ > 0) return;
            std::unique_lock lock(mutex);
            wake.wait(lock, stop, [&] { return released; });
            stopped = stop.stop_requested();
        };
        const auto release = [&] {
            {
                const std::lock_guard lock(mutex);
                released = true;
            }
            wake.notify_all();
        };
        struct TForget {
            ~TForget() { TSummaryWindow::CountStep = nullptr; }
        } forget;
        exporting::TRecordingOpener opener;
        {
            TForm40 w(*h->context, opener);
            w.show();
            QTRY_VERIFY(steps > 0);
            QVERIFY(w.Busy());
            click(&w, "CloseButton");
            // Back here with the test's hold never let go: the close stopped it.
            QVERIFY(!w.isVisible());
            QVERIFY(!w.Busy());
            QVERIFY(stopped);
            QCOMPARE(steps.load(), 1);  // no group counted after the close
            QVERIFY(w.Tables().empty());
            QVERIFY(child<QLabel>(&w, "BusyLabel")->text().isEmpty());
        }
        release();

        steps = 0;
        stopped = false;
        released = false;
        {
            TForm24 w(*h->context, opener);
            w.show();
            QTRY_VERIFY(steps > 0);
            const TFio& other = *g.LFio[1];
            chooseCombo(child<QComboBox>(&w, "ChoiceBox"), q(other.Name()));
            QVERIFY(stopped);
            QTRY_VERIFY(!w.Busy());
            const TSummaryTable t = teacherSummary(g, other);
            QCOMPARE(w.Tables().size(), std::size_t{1});
            QCOMPARE(w.Tables().front().title, t.title);
            QCOMPARE(w.Grid()->Cells(w.Grid()->ColCount() - 1, w.Grid()->RowCount() - 1),
                     q(statementHoursText(t.total.h00[kSummaryYear])));
        }
        release();
    }

    // Catches a crash or a document from a year with no groups, teachers or
    // subjects: every window opens empty and has nothing to print.
    void aYearWithoutDataOpensEmptyWindows() {
        EntryHarness h("accounting_empty");
        std::string message;
        QVERIFY2(h.home.MakeDatabase(message), message.c_str());
        QVERIFY(h.start());
        QCOMPARE(h.shell->NewYear(2026, h.view), zavlin::shell::TNewYearResult::Created);
        QVERIFY(h.shell->God() != nullptr);
        QVERIFY(h.year().LGryp.empty());
        exporting::TRecordingOpener opener;
        {
            TForm21 w(*h.context, opener);
            w.show();
            QVERIFY(!w.Print());
            QVERIFY(!w.SaveXml());
            QVERIFY(!child<QPushButton>(&w, "PrintButton")->isEnabled());
            QCOMPARE(w.Grid()->Cells(1, 0), QString());
        }
        {
            TForm23 w(*h.context, opener);
            w.show();
            QVERIFY(!w.Print());
            QVERIFY(child<QLabel>(&w, "TotalsLabel")->text().isEmpty());
        }
        {
            TForm39 w(*h.context, opener);
            w.show();
            QTRY_VERIFY(!w.Busy());
            QCOMPARE(w.Grid()->Cells(0, w.Grid()->RowCount() - 1), QStringLiteral("Итого"));
        }
        {
            TForm35 w(*h.context, opener);
            w.show();
            QTRY_VERIFY(!w.Busy());
            QVERIFY(w.Tables().empty());
            QVERIFY(!child<QPushButton>(&w, "PrintButton")->isEnabled());
        }
        {
            TForm22 w(*h.context, opener);
            w.show();
            QVERIFY(!w.Print());
            QVERIFY(!child<QPushButton>(&w, "PrintButton")->isEnabled());
        }
        QVERIFY(opener.files.empty());
        QVERIFY(h.dialog.shown.empty());
    }

    // Catches a menu item that opens no window or the wrong one, and a window
    // run from the menu that hands its document to another opener than the
    // program's.
    void menuItemsOpenTheWindows() {
        auto h = make();
        h->context.reset();
        h->shell.reset();
        auto main = std::make_unique<zavlin::shell::ui::TForm1>(h->home.path(), h->dialog);
        main->CopyBaza().PauseMs = 0;
        main->windowOpeners.push_back(OpenReportWindow);
        exporting::TRecordingOpener opener;
        const exporting::ui::TScopedDocumentOpener installed(opener);
        QSignalSpy started(main.get(), &zavlin::shell::ui::TForm1::started);
        main->show();
        main->Start();
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 60000);
        const std::pair<const char*, const char*> items[] = {
            {"N37", "zavlin::reports::ui::TForm20"},  {"N43", "zavlin::reports::ui::TForm21"},
            {"N44", "zavlin::reports::ui::TForm37"},  {"N211", "zavlin::reports::ui::TForm22"},
            {"N59", "zavlin::reports::ui::TForm23"},  {"N28", "zavlin::reports::ui::TForm35"},
            {"N310", "zavlin::reports::ui::TForm24"}, {"N41", "zavlin::reports::ui::TForm40"},
            {"N34", "zavlin::reports::ui::TForm39"},
        };
        for (const auto& [item, window] : items) {
            QAction* action = main->MenuAction(item);
            QVERIFY2(action != nullptr, item);
            QVERIFY2(action->isEnabled(), item);
            QString seen;
            QString title;
            {
                const auto wait = whenModal<QDialog>([&](QDialog* d) {
                    seen = QString::fromLatin1(d->metaObject()->className());
                    title = d->windowTitle();
                    if (auto* summary = qobject_cast<TSummaryWindow*>(d))
                        QTRY_VERIFY(!summary->Busy());
                    click(d, "PrintButton");
                    d->accept();
                });
                action->trigger();
            }
            QCOMPARE(seen, QString::fromLatin1(window));
            // The window is titled as the item that opened it, letter for letter.
            const zavlin::shell::TMenuItem* menuItem = zavlin::shell::FindMenuItem(item);
            QVERIFY(menuItem != nullptr);
            QCOMPARE(title, q(menuItem->path.back()).remove(u'&'));
        }
        QVERIFY(h->dialog.shown.empty());
        // Every window printed: what the first group, teacher or subject
        // holds, or the summaries of all.
        QCOMPARE(opener.files.size(), std::size(items));
        for (const fs::path& file : opener.files) QVERIFY2(fs::exists(file), file.c_str());
    }
};

QTEST_MAIN(AccountingWindowsTest)
#include "accounting_windows_test.moc"
