// The planned-load report windows over the sample college: each grid shows
// its report table cell for cell with its headers, follows the choices, and
// exports what it shows to temp/temp.rtf for the document opener; a document
// held by the word processor is named and left alone; an unread timetable is
// said, not shown as no load; the menu items reach the windows.
#include "reports/ui/plan_windows.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "entry_fixture.h"
#include "export/document_opener.h"
#include "export/load_rtf.h"
#include "export/rtf_writer.h"
#include "export/ui/document_opening.h"
#include "model/god.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "reports/load_tables.h"
#include "reports/subject_plan_table.h"
#include "reports/ui/report_grid_view.h"
#include "reports/ui/report_windows.h"
#include "screenshot.h"
#include "shell/menu.h"
#include "shell/ui/list_box_numer.h"
#include "storage/year_database.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::test;
using zavlin::exporting::TRecordingOpener;
using zavlin::exporting::ui::TScopedDocumentOpener;
using zavlin::reports::TDGrid;
using zavlin::reports::TLoadTable;
using zavlin::reports::ui::TForm41;
using zavlin::reports::ui::TForm45;
using zavlin::reports::ui::TForm5_5;
using zavlin::reports::ui::TPlanReportWindow;
using zavlin::reports::ui::TReportGridView;

namespace {

const std::string kRtfHead = "{\\rtf1\\ansi\\ansicpg1251";

fs::path tempRtf(EntryHarness& h) {
    return exporting::LoadTablesTempFile(h.shell->DM().DB.PathR);
}

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The document the table makes, written without any window.
std::string documentOf(const TLoadTable& table) {
    exporting::TFileRtf doc;
    exporting::AddLoadTablePage(doc, table);
    return doc.Render();
}

std::vector<int> studyWeeks() {
    std::vector<int> weeks;
    for (int ne = 1; ne <= kStudyWeeks; ++ne) weeks.push_back(ne);
    return weeks;
}

std::vector<int> activeWeeksOf(EntryHarness& h) {
    std::vector<int> weeks;
    const auto flags = h.shell->ActiveWeeks();
    for (int ne = 1; ne <= kWeeks; ++ne)
        if (flags[static_cast<std::size_t>(ne - 1)]) weeks.push_back(ne);
    return weeks;
}

QStringList linesOf(const std::vector<std::string>& lines) {
    QStringList out;
    for (const std::string& line : lines) out.append(QString::fromStdString(line));
    return out;
}

// The grid shows the table: its size, fixed part, every cell's lines,
// the vertical headings, and the headers as bands over the same columns
// inside the header row, above the headings they stand over.
void compareShown(TReportGridView* grid, const TDGrid& t) {
    QCOMPARE(grid->ColCount(), t.ColCount());
    QCOMPARE(grid->RowCount(), t.RowCount());
    QCOMPARE(grid->FixedRows(), t.FixedRows);
    QCOMPARE(grid->FixedCols(), t.FixedCols);
    const int lineHeight = QFontMetrics(grid->font()).height();
    const int headerHeight = grid->RowHeights(0);
    for (int c = 0; c < t.ColCount(); ++c) {
        QStringList heading = grid->Cells(c, 0).split(u';');
        const int lines = static_cast<int>(heading.size());
        int pad = 0;
        while (!heading.isEmpty() && heading.front().isEmpty() && t.CellLines(c, 0).front() != "") {
            heading.removeFirst();
            ++pad;
        }
        QCOMPARE(heading, linesOf(t.CellLines(c, 0)));
        QCOMPARE(grid->colVertical(c), t.Vert(c));
        // Where the grid centres a horizontal heading, it starts below every
        // band over its column.
        const int textTop = (headerHeight - lines * lineHeight) / 2 + pad * lineHeight;
        for (int i = 0; i < grid->headrsCount(); ++i) {
            const TMyObj o = grid->headrsObj(i);
            if (!t.Vert(c) && o.CStart <= c && c <= o.CEnd)
                QVERIFY2(textTop >= o.BottomY, qPrintable(grid->Cells(c, 0)));
        }
        for (int r = 1; r < t.RowCount(); ++r)
            // A cell's lines side by side.
            QCOMPARE(grid->Cells(c, r), linesOf(t.CellLines(c, r)).join(QStringLiteral(", ")));
    }
    QCOMPARE(grid->headrsCount(), t.HeadrsCount());
    for (int i = 0; i < t.HeadrsCount(); ++i) {
        const auto& h = t.Headrs()[static_cast<std::size_t>(i)];
        const TMyObj o = grid->headrsObj(i);
        QCOMPARE(o.CStart, h.ColStart);
        QCOMPARE(o.CEnd, h.ColEnd);
        QVERIFY(o.TopY < o.BottomY);
        QVERIFY(o.BottomY <= headerHeight);
    }
    // Bands of a lower line lie below those of a higher one.
    for (int i = 0; i < t.HeadrsCount(); ++i)
        for (int j = 0; j < t.HeadrsCount(); ++j)
            if (t.Headrs()[static_cast<std::size_t>(i)].HeadrsBottom <=
                t.Headrs()[static_cast<std::size_t>(j)].HeadrsTop)
                QVERIFY(grid->headrsObj(i).BottomY <= grid->headrsObj(j).TopY);
}

}  // namespace

class PlanWindowsTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("plan_gui_template", message), message.c_str());
    }

    // Catches the grid showing another group than the one chosen, a row or
    // column shifted against the table, a lost header, or a heading hidden
    // under its band.
    void theGroupSummaryShowsTheChosenGroup() {
        auto h = template_.copy("plan_group");
        TGod& god = h->year();
        QVERIFY(god.CountGryp() >= 2);
        TForm5_5 window(*h->context);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Сводная таблица"));
        const TGryp& second = *god.LGryp[1];
        chooseCombo(window.Groups(), QString::fromStdString(second.Name()));
        QCOMPARE(window.Group(), &second);
        const TLoadTable expected = reports::GroupSummaryTable(god, second, studyWeeks());
        QVERIFY(expected.Grid.RowCount() > 2);
        QVERIFY(expected.Grid.HeadrsLines() == 2);
        compareShown(window.Grid(), expected.Grid);
        QCOMPARE(window.Shown().Title, expected.Title);
        QVERIFY(!child<QLabel>(&window, "NoteLabel")->isVisible());
        QVERIFY(saveScreenshot(&window, QStringLiteral("plan_group_table_window")));
    }

    // Catches a document that is not the table shown, not in temp, not
    // handed to the opener, or a message shown after a good export; and an
    // opener that refuses passing in silence.
    void exportWritesTheShownTableAndOpensIt() {
        auto h = template_.copy("plan_export");
        TRecordingOpener opener;
        TScopedDocumentOpener scoped(opener);
        TForm5_5 window(*h->context);
        window.show();
        const TGryp& first = *h->year().LGryp.front();
        chooseCombo(window.Groups(), QString::fromStdString(first.Name()));
        click(&window, "ExportButton");
        const fs::path file = tempRtf(*h);
        QCOMPARE(opener.files, std::vector<fs::path>{file});
        QVERIFY(h->dialog.shown.empty());
        const std::string bytes = bytesOf(file);
        QVERIFY(bytes.starts_with(kRtfHead));
        QVERIFY(bytes.find("\\landscape") != std::string::npos);
        QVERIFY(bytes.find(exporting::RtfText("Недели : 1-52")) != std::string::npos);
        // The page decides the widths.
        QVERIFY(bytes.find("\\trautofit1") == std::string::npos);
        QCOMPARE(bytes, documentOf(reports::GroupSummaryTable(h->year(), first, studyWeeks())));

        opener.accept = false;
        QVERIFY(!window.ExportToWord());
        QCOMPARE(h->dialog.shown.size(), std::size_t(1));
        QVERIFY(h->lastShown().starts_with("Невозможно открыть файл : " + file.string()));
        QVERIFY(fs::exists(file));
    }

    // Catches a held document overwritten, or the refusal unsaid or
    // followed by opening the old document.
    void aDocumentHeldByTheWordProcessorIsNamed() {
        auto h = template_.copy("plan_busy");
        TRecordingOpener opener;
        TScopedDocumentOpener scoped(opener);
        const fs::path file = tempRtf(*h);
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "old";
        std::ofstream(file.parent_path() / ".~lock.temp.rtf#") << "held";
        TForm41 window(*h->context);
        window.show();
        click(&window, "ExportButton");
        QCOMPARE(h->dialog.shown, std::vector<std::string>{exporting::BusyFileMessage(file)});
        QVERIFY(opener.files.empty());
        QCOMPARE(bytesOf(file), std::string("old"));
    }

    // Catches the active weeks not read from the week list, the range or
    // the chosen teacher not followed, and an export of another table than
    // the one shown.
    void theTeachersLoadFollowsWeeksAndTeacher() {
        auto h = template_.copy("plan_teacher");
        TGod& god = h->year();
        TRecordingOpener opener;
        TScopedDocumentOpener scoped(opener);
        TForm41 window(*h->context);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Планируемая нагрузка преподавателя"));
        const std::vector<int> active = activeWeeksOf(*h);
        QVERIFY(!active.empty());
        QCOMPARE(window.Weeks(), active);
        QCOMPARE(window.Teacher(), nullptr);
        const TLoadTable all = reports::TeacherLoadTable(god, active);
        QVERIFY(all.Grid.RowCount() > 2);
        compareShown(window.Grid(), all.Grid);
        QVERIFY(saveScreenshot(&window, QStringLiteral("plan_teacher_load_window")));

        QTest::mouseClick(child<QRadioButton>(&window, "RangeRadio"), Qt::LeftButton);
        auto* from = child<QSpinBox>(&window, "FromWeekSpin");
        auto* to = child<QSpinBox>(&window, "ToWeekSpin");
        QVERIFY(from->isEnabled());
        // The weeks typed and stepped rebuild the table once they settle,
        // not at every keystroke or step.
        QTRY_VERIFY(!window.RebuildPending());
        const int before = window.Rebuilds();
        for (auto [spin, value] : {std::pair{to, "9"}, std::pair{from, "3"}}) {
            spin->selectAll();
            QTest::keyClicks(spin, QString::fromLatin1(value));
        }
        for (int i = 0; i < 3; ++i) QTest::keyClick(to, Qt::Key_Down);
        QCOMPARE(window.Weeks(), (std::vector<int>{3, 4, 5, 6}));
        QCOMPARE(window.Rebuilds(), before);
        QTRY_VERIFY(!window.RebuildPending());
        QCOMPARE(window.Rebuilds(), before + 1);
        compareShown(window.Grid(), reports::TeacherLoadTable(god, {3, 4, 5, 6}).Grid);

        const TFio* fio = nullptr;
        for (const auto& f : god.LFio)
            if (reports::TeacherLoadTable(god, {3, 4, 5, 6}, {f.get()}).Grid.RowCount() > 3) {
                fio = f.get();
                break;
            }
        QVERIFY(fio != nullptr);
        chooseCombo(window.Teachers(),
                    QString::fromStdString(fio->BigName().empty() ? fio->Name() : fio->BigName()));
        QCOMPARE(window.Teacher(), fio);
        const TLoadTable one = reports::TeacherLoadTable(god, {3, 4, 5, 6}, {fio});
        compareShown(window.Grid(), one.Grid);

        click(&window, "ExportButton");
        QCOMPARE(opener.files, std::vector<fs::path>{tempRtf(*h)});
        const std::string bytes = bytesOf(tempRtf(*h));
        QVERIFY(bytes.starts_with(kRtfHead));
        QCOMPARE(bytes, documentOf(one));
    }

    // Catches groups without the subject listed, or the figures not those of
    // the chosen subject.
    void aSubjectAcrossTheGroups() {
        auto h = template_.copy("plan_subject");
        TGod& god = h->year();
        TRecordingOpener opener;
        TScopedDocumentOpener scoped(opener);
        TForm45 window(*h->context);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Предмет в группах  по плану"));
        // The name taught in most groups.
        const TYrName* widest = nullptr;
        int most = 0;
        for (const auto& name : god.LYrName) {
            const int rows = reports::SubjectInGroupsTable(god, *name).Grid.RowCount();
            if (rows > most) most = rows, widest = name.get();
        }
        QVERIFY(widest != nullptr && most > 3);
        chooseCombo(window.Subjects(), QString::fromStdString(widest->Name()));
        QCOMPARE(window.Subject(), widest);
        const TLoadTable expected = reports::SubjectInGroupsTable(god, *widest);
        compareShown(window.Grid(), expected.Grid);
        // The document is headed as the window is titled.
        QVERIFY(QString::fromStdString(window.Shown().Title).startsWith(window.windowTitle()));
        QVERIFY(saveScreenshot(&window, QStringLiteral("plan_subject_groups_window")));

        click(&window, "ExportButton");
        QCOMPARE(opener.files, std::vector<fs::path>{tempRtf(*h)});
        QCOMPARE(bytesOf(tempRtf(*h)), documentOf(expected));
    }

    // Catches a group whose timetable could not be read shown as a group
    // without load, in its summary or unmentioned in the other reports.
    void anUnreadTimetableIsSaidNotShownAsNoLoad() {
        auto h = template_.copy("plan_unread");
        TGod& god = h->year();
        TGryp& gr = *god.LGryp[1];
        gr.BlobUnreadable = true;
        TForm5_5 summary(*h->context);
        summary.show();
        chooseCombo(summary.Groups(), QString::fromStdString(gr.Name()));
        auto* note = child<QLabel>(&summary, "NoteLabel");
        QVERIFY(note->isVisible());
        QVERIFY(note->text().contains(QString::fromStdString(gr.Name())));
        QCOMPARE(summary.Grid()->RowCount(), 1);
        QVERIFY(!child<QPushButton>(&summary, "ExportButton")->isEnabled());
        chooseCombo(summary.Groups(), QString::fromStdString(god.LGryp[0]->Name()));
        QVERIFY(!note->isVisible());
        QVERIFY(summary.Grid()->RowCount() > 1);
        QVERIFY(child<QPushButton>(&summary, "ExportButton")->isEnabled());

        TForm45 subjects(*h->context);
        subjects.show();
        QVERIFY(child<QLabel>(&subjects, "NoteLabel")
                    ->text()
                    .contains(QString::fromStdString(gr.Name())));
    }

    // Catches columns and the header row left at the old font's size (texts
    // cut off), and a table without rows or columns breaking the view.
    void theViewFitsItsTextsInTheFontItHas() {
        TDGrid t;
        t.SetSize(3, 3);
        t.FixedRows = 1;
        t.FixedCols = 1;
        t.SetCells(0, 0, "Группа");
        t.SetCells(1, 0, "длинный заголовок столбца");
        t.FHVert[1] = 1;
        t.SetCells(2, 0, "пары");
        t.SetCells(2, 1, "123456789012345");
        t.AddHeadrs(1, 2, 0, 1, "Итого");
        TReportGridView view;
        view.ShowTable(t);
        compareShown(&view, t);
        const int width = view.ColWidths(2);
        const int height = view.RowHeights(0);
        QVERIFY(width >=
                QFontMetrics(view.font()).horizontalAdvance(QStringLiteral("123456789012345")));
        QFont bigger = view.font();
        bigger.setPointSize(bigger.pointSize() * 2);
        view.setFont(bigger);
        QVERIFY(view.ColWidths(2) > width);
        QVERIFY(view.RowHeights(0) > height);
        QVERIFY(view.ColWidths(2) >=
                QFontMetrics(bigger).horizontalAdvance(QStringLiteral("123456789012345")));
        compareShown(&view, t);

        // A shorter text in wide letters outweighs a longer one in narrow
        // letters: every text of the column is measured.
        TDGrid mixed;
        mixed.SetSize(1, 3);
        mixed.FixedRows = 1;
        mixed.SetCells(0, 1, "iiiiiiiiiiii");
        mixed.SetCells(0, 2, "ШШШШШШ");
        view.ShowTable(mixed);
        const QFontMetrics fm(view.font());
        QVERIFY(fm.horizontalAdvance(QStringLiteral("ШШШШШШ")) >
                fm.horizontalAdvance(QStringLiteral("iiiiiiiiiiii")));
        QVERIFY(view.ColWidths(0) >= fm.horizontalAdvance(QStringLiteral("ШШШШШШ")));

        view.ShowTable(TDGrid{});
        QCOMPARE(view.headrsCount(), 0);
        QVERIFY(view.RowCount() >= 1);
    }

    // Catches a menu item that reaches no window or another one.
    void theMenuItemsReachTheWindows() {
        auto h = template_.copy("plan_menu");
        const auto reach = [&](const char* component, auto* typeTag) {
            using W = std::remove_pointer_t<decltype(typeTag)>;
            const shell::TMenuItem* item = shell::FindMenuItem(component);
            QVERIFY2(item != nullptr, component);
            auto act = whenModal<W>([](W* w) { click(w, "CloseButton"); });
            QVERIFY(reports::ui::OpenReportWindow(item->window, *h->context));
            QVERIFY2(act.shown(), component);
        };
        reach("N40", static_cast<TForm5_5*>(nullptr));
        reach("N49", static_cast<TForm41*>(nullptr));
        reach("N74", static_cast<TForm45*>(nullptr));
        QVERIFY(h->dialog.shown.empty());
    }
};

QTEST_MAIN(PlanWindowsTest)
#include "plan_windows_test.moc"
