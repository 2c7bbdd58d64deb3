// The web pages window and the word-processor window over the sample college
// (active weeks: the numerator and the denominator), driven offscreen; the
// documents are read back from the disk.
#include "export/ui/document_export_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/cp1251.h"
#include "closing_opener.h"
#include "entry/ui/active_weeks_window.h"
#include "entry/ui/groups_window.h"
#include "entry_fixture.h"
#include "export/html_documents.h"
#include "export/timetable_xml.h"
#include "export/ui/document_opening.h"
#include "export/ui/export_windows.h"
#include "model/god.h"
#include "screenshot.h"
#include "settings/settings_file.h"
#include "shell/menu.h"
#include "shell/ui/list_box_numer.h"
#include "storage/year_database.h"

using namespace zavlin;
using namespace zavlin::test;
using namespace zavlin::exporting;
using zavlin::exporting::ui::TForm33;
using zavlin::exporting::ui::TForm34;

namespace fs = std::filesystem;

namespace {

fs::path homeOf(EntryHarness& h) {
    return h.shell->DM().DB.PathR;
}

// A written page as text.
std::string readPage(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return cp1251ToUtf8(bytes.str());
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Answers the week choice the web export asks, keeping the weeks.
ModalWait keepWeeks() {
    return whenModal<entry::ui::TForm1_3>([](entry::ui::TForm1_3* w) { click(w, "OkButton"); });
}

// Clicks a check box or a radio button on its mark: the middle of a wide
// one is outside what it answers to.
void clickMark(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

void untickAllDaysBut(TForm34& window, const std::vector<int>& keep) {
    for (int d = 1; d <= 6; ++d) {
        auto* box =
            child<QCheckBox>(&window, QStringLiteral("Day%1").arg(d).toLatin1().constData());
        const bool wanted = std::find(keep.begin(), keep.end(), d) != keep.end();
        if (box->isChecked() != wanted) clickMark(box);
    }
}

}  // namespace

class DocumentExportWindowsTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("docexport_gui_template", message), message.c_str());
    }

    // Catches groups not all selected on opening, a wrong index name, pages
    // missing for a group or a week, a wrong end message, a bar left short,
    // and a second run that keeps the first run's files.
    void theGroupPagesAreCopiedAndReplaced() {
        auto h = template_.copy("docexport_web");
        h->year().SelectAllGryp(false);
        const fs::path site = homeOf(*h) / "site";
        TForm33 window(*h->context);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Экспорт данных"));
        QCOMPARE(h->year().CountSelectGryp(), h->year().CountGryp());
        QCOMPARE(child<QLineEdit>(&window, "EditFiles")->text(), QStringLiteral("allgryp.htm"));
        QCOMPARE(child<QLineEdit>(&window, "EditFolder")->text(),
                 QString::fromStdString((homeOf(*h) / "export").string() + "/"));
        QVERIFY(saveScreenshot(&window, QStringLiteral("document_export_window_html")));

        retype(&window, "EditFolder", QString::fromStdString(site.string()));
        {
            auto weeks = keepWeeks();
            click(&window, "CreateButton");
            QVERIFY(weeks.shown());
        }
        QCOMPARE(h->lastShown(), std::string("Файлы созданы."));
        const std::vector<int> active = ActiveWeeks(&h->year().AllNed);
        QVERIFY(!active.empty());
        QVERIFY(fs::exists(site / "allgryp.htm"));
        for (const auto& gr : h->year().LGryp)
            for (const int ne : active)
                QVERIFY2(fs::exists(site / GrypPageName(ne, *gr)), GrypPageName(ne, *gr).c_str());
        auto* bar = child<QProgressBar>(&window, "ProgressBar1");
        QCOMPARE(bar->value(), bar->maximum());

        // A second run over a file of the first: the file is the new one.
        { std::ofstream(site / "allgryp.htm", std::ios::trunc) << "stale"; }
        h->dialog.shown.clear();
        {
            auto weeks = keepWeeks();
            click(&window, "CreateButton");
        }
        QCOMPARE(h->lastShown(), std::string("Файлы созданы."));
        const std::string index = readPage(site / "allgryp.htm");
        QVERIFY(!contains(index, "stale"));
        QVERIFY(contains(index, "РАСПИСАНИЕ ГРУПП"));
        QVERIFY(contains(index, h->year().LGryp.front()->Name()));
    }

    // Catches the list's choice not taken back, the teachers' content not
    // switching the index, and pages of unchosen entries written.
    void theChoiceDecidesThePages() {
        auto h = template_.copy("docexport_pick");
        const fs::path site = homeOf(*h) / "site";
        TForm33 window(*h->context);
        window.show();
        retype(&window, "EditFolder", QString::fromStdString(site.string()));
        {
            auto pick = whenModal<entry::ui::TForm2>([](entry::ui::TForm2* w) {
                clickRow(w->List(), 0);
                click(w, "OkButton");
            });
            click(&window, "PickButton");
            QVERIFY(pick.shown());
        }
        QCOMPARE(h->year().CountSelectGryp(), 1);
        const TGryp* chosen = nullptr;
        for (const auto& gr : h->year().LGryp)
            if (gr->Select) chosen = gr.get();
        QVERIFY(chosen != nullptr);
        {
            auto weeks = keepWeeks();
            click(&window, "CreateButton");
        }
        const int ne = ActiveWeeks(&h->year().AllNed).front();
        for (const auto& gr : h->year().LGryp)
            QCOMPARE(fs::exists(site / GrypPageName(ne, *gr)), gr.get() == chosen);

        clickMark(child<QRadioButton>(&window, "RadioFio"));
        QCOMPARE(child<QLineEdit>(&window, "EditFiles")->text(), QStringLiteral("allfio.htm"));
        {
            auto weeks = keepWeeks();
            click(&window, "CreateButton");
        }
        QCOMPARE(h->lastShown(), std::string("Файлы созданы."));
        QVERIFY(contains(readPage(site / "allfio.htm"), "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЕЙ"));
        for (const auto& fio : h->year().LFio) QVERIFY(fs::exists(site / FioPageName(ne, *fio)));
    }

    // Catches generating (or asking the weeks) before the folder is known to
    // be usable, and a failure told as success.
    void anUncreatableFolderStopsBeforeAnything() {
        auto h = template_.copy("docexport_badfolder");
        const fs::path blocker = homeOf(*h) / "blocker";
        { std::ofstream(blocker) << "a file, not a folder"; }
        TForm33 window(*h->context);
        window.show();
        retype(&window, "EditFolder", QString::fromStdString((blocker / "site").string()));
        QVERIFY(!window.CreateFiles());
        QCOMPARE(h->dialog.shown, std::vector<std::string>{"Ошибка при создании директории"});
        QVERIFY(!fs::exists(homeOf(*h) / "temp" / "allgryp.htm"));
        QVERIFY(fs::is_regular_file(blocker));
        QVERIFY(child<QPushButton>(&window, "CreateButton")->isEnabled());
    }

    // Catches pages written although the week choice was closed without OK.
    void closingTheWeekChoiceWritesNothing() {
        auto h = template_.copy("docexport_noweeks");
        const fs::path site = homeOf(*h) / "site";
        TForm33 window(*h->context);
        window.show();
        retype(&window, "EditFolder", QString::fromStdString(site.string()));
        {
            auto weeks =
                whenModal<entry::ui::TForm1_3>([](entry::ui::TForm1_3* w) { w->reject(); });
            click(&window, "CreateButton");
            QVERIFY(weeks.shown());
        }
        QVERIFY(h->dialog.shown.empty());
        QVERIFY(fs::is_directory(site));
        QVERIFY(fs::is_empty(site));
        QCOMPARE(child<QProgressBar>(&window, "ProgressBar1")->value(), 0);
        QVERIFY(child<QPushButton>(&window, "CreateButton")->isEnabled());
    }

    // Catches the menu item's kind lost, days not limited to the ticked
    // ones, the document not handed to the opener, and the label choices
    // not reaching the headings.
    void theGroupTimetableFromTheMenu() {
        auto h = template_.copy("docexport_word1");
        TRecordingOpener opener;
        ui::TScopedDocumentOpener scoped(opener);
        h->context->component = "WORD1";
        std::string before;
        std::string after;
        auto act = whenModal<TForm34>([&](TForm34* w) {
            QCOMPARE(w->Kind(), 0);
            QVERIFY(child<QCheckBox>(w, "CheckWord")->isChecked());
            untickAllDaysBut(*w, {1, 3});
            QVERIFY(saveScreenshot(w, QStringLiteral("document_export_window_word")));
            before = child<QLabel>(w, "WeeksLabel")->text().toStdString();
            chooseCombo(child<QComboBox>(w, "ComboV2"), QStringLiteral("Числитель/Знаменатель"));
            after = child<QLabel>(w, "WeeksLabel")->text().toStdString();
            click(w, "ExportButton");
            click(w, "CloseButton");
        });
        QVERIFY(ui::OpenExportWindow("TForm34", *h->context));
        QVERIFY(act.shown());
        const fs::path file = homeOf(*h) / "temp" / kWordGrypFile;
        QCOMPARE(opener.files, std::vector<fs::path>{file});
        QVERIFY(h->dialog.shown.empty());
        const std::string page = readPage(file);
        QVERIFY(contains(page, "Понедельник"));
        QVERIFY(contains(page, "Среда"));
        for (const char* gone : {"Вторник", "Четверг", "Пятница", "Суббота"})
            QVERIFY2(!contains(page, gone), gone);
        QVERIFY(contains(page, "РАСПИСАНИЕ ГРУППЫ " + h->year().LGryp.front()->Name()));
        // The label the window shows for the chosen naming is the one in
        // the document.
        QVERIFY(before != after);
        const int ne = ActiveWeeks(&h->year().AllNed).front();
        QVERIFY(
            contains(page, " неделя " + h->year().AllNed.DNed(ne)->GetShortStrDateNed(0, 1, 0)));
    }

    // Catches "Запустить Word" ignored: the file is named, nothing opened.
    void withoutTheWordProcessorTheFileIsNamed() {
        auto h = template_.copy("docexport_noword");
        TRecordingOpener opener;
        ui::TScopedDocumentOpener scoped(opener);
        TForm34 window(*h->context, 1);
        window.show();
        clickMark(child<QCheckBox>(&window, "CheckWord"));
        QVERIFY(!child<QCheckBox>(&window, "CheckWord")->isChecked());
        click(&window, "ExportButton");
        const fs::path file = homeOf(*h) / "temp" / kWordFioFile;
        QCOMPARE(h->dialog.shown, std::vector<std::string>{"Создан файл " + file.string()});
        QVERIFY(opener.files.empty());
        QVERIFY(contains(readPage(file), "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ "));

        // No day ticked: nothing to make, and the old document stays.
        h->dialog.shown.clear();
        untickAllDaysBut(window, {});
        QVERIFY(!window.Export());
        QCOMPARE(h->dialog.shown, std::vector<std::string>{"Выберите хотя бы один день недели."});
        QVERIFY(fs::exists(file));

        // Days ticked but no week chosen: it is the week that is missing.
        h->dialog.shown.clear();
        untickAllDaysBut(window, {1, 2, 3, 4, 5, 6});
        for (const int ne : ActiveWeeks(&h->year().AllNed))
            h->year().AllNed.DNed(ne)->Activ = false;
        QVERIFY(!window.Export());
        QCOMPARE(h->dialog.shown, std::vector<std::string>{shell::kNoActiveWeeksText});
    }

    // Catches a window that can be closed, or used, while its document is
    // being written, and one that stays unusable after.
    void theWindowHoldsWhileWriting() {
        auto h = template_.copy("docexport_busy");
        TForm34 window(*h->context, 0);
        TClosingOpener opener(window);
        ui::TScopedDocumentOpener scoped(opener);
        window.show();
        QVERIFY(window.Export());
        QVERIFY(opener.busy);
        QVERIFY(!opener.enabled);
        QVERIFY(opener.visible);
        QCOMPARE(opener.opened, homeOf(*h) / "temp" / kWordGrypFile);
        QVERIFY(!window.Busy());
        QVERIFY(window.isEnabled());
        window.close();
        QVERIFY(!window.isVisible());
    }

    // Catches a menu item reaching the wrong window or kind, an unknown kind
    // opening an empty window, and the examinations' file misnamed.
    void theMenuItemsReachTheirWindows() {
        auto h = template_.copy("docexport_menu");
        TRecordingOpener opener;
        ui::TScopedDocumentOpener scoped(opener);
        for (const auto& [component, kind] : std::vector<std::pair<std::string, int>>{
                 {"WORD1", 0}, {"WORD2", 1}, {"WORD3", 60}, {"WORD4", 61}}) {
            const shell::TMenuItem* item = shell::FindMenuItem(component);
            QVERIFY(item != nullptr);
            h->context->component = component;
            int seen = -1;
            auto act = whenModal<TForm34>([&](TForm34* w) {
                seen = w->Kind();
                if (kind == 61) click(w, "ExportButton");
                click(w, "CloseButton");
            });
            QVERIFY(ui::OpenExportWindow(item->window, *h->context));
            QCOMPARE(seen, kind);
        }
        const fs::path exams = homeOf(*h) / "temp" / kEkzFioFile;
        QVERIFY(fs::exists(exams));
        QCOMPARE(opener.files, std::vector<fs::path>{exams});

        const shell::TMenuItem* html = shell::FindMenuItem("HTML1");
        QVERIFY(html != nullptr);
        h->context->component = "HTML1";
        auto act = whenModal<TForm33>([](TForm33* w) { click(w, "CloseButton"); });
        QVERIFY(ui::OpenExportWindow(html->window, *h->context));
        QVERIFY(act.shown());

        h->dialog.shown.clear();
        ui::RunWordExport(*h->context, 6);
        QCOMPARE(h->dialog.shown,
                 std::vector<std::string>{ui::kUnknownKindText + std::string("6")});
    }

    // Catches a kind of the hub the window cannot make, a room document
    // over the wrong list or periods, days asked of a kind that has none,
    // and a week range that does not reach the document.
    void theOtherKindsAreMadeThroughTheWindow() {
        auto h = template_.copy("docexport_kinds");
        TRecordingOpener opener;
        ui::TScopedDocumentOpener scoped(opener);
        for (const int kind : {2, 3, 4, 41, 5, 51, 7, 77, 8, 9, 91, 21, 24, 26})
            QVERIFY2(ui::FindWordKind(kind) != nullptr, std::to_string(kind).c_str());

        TForm34 rooms(*h->context, 9);
        rooms.show();
        QVERIFY(child<QLabel>(&rooms, "SelectionLabel")
                    ->text()
                    .startsWith(QStringLiteral("Выбрано аудиторий")));
        QVERIFY(rooms.findChild<QSpinBox*>("SpinN1") == nullptr);
        child<QSpinBox>(&rooms, "SpinY1")->setValue(1);
        child<QSpinBox>(&rooms, "SpinY2")->setValue(2);
        untickAllDaysBut(rooms, {1});
        QVERIFY(saveScreenshot(&rooms, QStringLiteral("document_export_window_rooms")));
        QVERIFY(rooms.Export());
        const fs::path roomFile = homeOf(*h) / "temp" / kAydGrypFile;
        QCOMPARE(opener.files, std::vector<fs::path>{roomFile});
        QVERIFY(h->dialog.shown.empty());
        const std::string roomPage = readPage(roomFile);
        // One table per active week: Monday alone was ticked.
        const std::vector<int> active = ActiveWeeks(&h->year().AllNed);
        std::size_t tables = 0;
        for (std::size_t at = roomPage.find("АУДИТОРИИ И ГРУППЫ "); at != std::string::npos;
             at = roomPage.find("АУДИТОРИИ И ГРУППЫ ", at + 1))
            ++tables;
        QCOMPARE(tables, active.size());
        QVERIFY(contains(roomPage, h->year().LAyd.front()->Name()));
        QVERIFY(contains(roomPage, "<TH>2</TH>"));
        QVERIFY(!contains(roomPage, "<TH>3</TH>"));

        // The planned hours ask for weeks, not days; the range is the
        // active weeks' to begin with.
        TForm34 plan(*h->context, 24);
        plan.show();
        QVERIFY(!child<QCheckBox>(&plan, "Day1")->isVisibleTo(&plan));
        QCOMPARE(child<QSpinBox>(&plan, "SpinN1")->value(), active.front());
        QCOMPARE(child<QSpinBox>(&plan, "SpinN2")->value(), active.back());
        untickAllDaysBut(plan, {});
        QVERIFY(plan.Export());
        const fs::path planFile = homeOf(*h) / "temp" / kPlanFioFile;
        QCOMPARE(opener.files.back(), planFile);
        const std::string whole = readPage(planFile);
        // A week range without lessons gives another document.
        child<QSpinBox>(&plan, "SpinN1")->setValue(kWeeks);
        child<QSpinBox>(&plan, "SpinN2")->setValue(kWeeks);
        QCOMPARE(plan.Request().N1, kWeeks);
        QVERIFY(plan.Export());
        QVERIFY(readPage(planFile).size() < whole.size());
        QCOMPARE(opener.files.size(), std::size_t(3));
        QVERIFY(h->dialog.shown.empty());
    }

    // Catches the setting ignored and a test's opener left installed.
    void theOpenerComesFromTheSettings() {
        auto h = template_.copy("docexport_opener");
        TFileIni& ini = h->shell->DM().FIni1;
        QVERIFY(ini.WriteString(kOpenerSection, kOpenerKey, "my-viewer"));
        {
            TRecordingOpener opener;
            ui::TScopedDocumentOpener scoped(opener);
            std::string why;
            QVERIFY(ui::DocumentOpener(*h->context)->Open("/tmp/x.htm", why));
            QCOMPARE(opener.files, std::vector<fs::path>{"/tmp/x.htm"});
        }
        auto opener = ui::DocumentOpener(*h->context);
        auto* xdg = dynamic_cast<TXdgOpener*>(opener.get());
        QVERIFY(xdg != nullptr);
        QCOMPARE(xdg->Program(), std::string("my-viewer"));
    }
};

QTEST_MAIN(DocumentExportWindowsTest)
#include "document_export_windows_test.moc"
