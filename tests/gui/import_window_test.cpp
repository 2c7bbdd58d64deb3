// The curriculum import window over the sample college: an old file refused
// with OK disabled, "Проверить" showing what would change without writing,
// OK with "Да" importing (a new year and the existing one replaced), and
// "Нет" leaving the data as it was.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "entry_fixture.h"
#include "export/curriculum_import.h"
#include "export/curriculum_writer.h"
#include "export/ui/curriculum_import_window.h"
#include "export/ui/export_windows.h"
#include "model/god.h"
#include "screenshot.h"
#include "shell/shell.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::exporting;
using namespace zavlin::exporting::ui;
using namespace zavlin::test;

class ImportWindowTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

    std::unique_ptr<EntryHarness> make() { return template_.copy("import_gui"); }

    // The sample's own year written as a study plan, for year (0: its own).
    static TCurriculumPlan planOf(EntryHarness& h, int year = 0) {
        const fs::path file = h.home.path() / "plan.xml";
        std::string message;
        if (!SaveCurriculum(h.year(), file, message)) qFatal("%s", message.c_str());
        TCurriculumPlan plan;
        if (!LoadCurriculumPlan(file, plan, message)) qFatal("%s", message.c_str());
        if (year != 0) plan.year = year;
        return plan;
    }

    int backups = 0;

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("import_gui_template", message), message.c_str());
        RunImportBackup = [this](TWindowContext&) {
            ++backups;
            return true;
        };
    }

    // Catches an old file that could still be imported, or its message lost.
    void oldFileDisablesOk() {
        auto h = make();
        const fs::path old = h->home.path() / "old.xml";
        std::ofstream(old) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R><Year Vers=\"0\" "
                              "Name=\"2026\"><LGryp Count=\"0\"/></Year></R>";
        ChooseCurriculumFile = [old](QWidget*) { return QString::fromStdString(old.string()); };
        bool seen = false;
        auto wait = whenModal<TForm55>([&](TForm55* form) {
            seen = true;
            QVERIFY(!child<QPushButton>(form, "ok")->isEnabled());
            QVERIFY(!child<QPushButton>(form, "check")->isEnabled());
            QCOMPARE(child<QLabel>(form, "status")->text(), QString::fromUtf8(kOldVersionMessage));
            QCOMPARE(child<QLabel>(form, "year")->text(), QStringLiteral("2026-2027"));
            form->close();
        });
        QVERIFY(OpenExportWindow("TForm19_1", *h->context));
        QVERIFY(seen);
        QCOMPARE(h->lastShown(), std::string(kOldVersionMessage));
        QVERIFY(h->dialog.asked.empty());
    }

    // Catches a malformed file that opens the window or says nothing.
    void malformedFileIsRefusedWithTheReadersMessage() {
        auto h = make();
        const fs::path bad = h->home.path() / "bad.xml";
        std::ofstream(bad) << "<?xml version=\"1.0\"?>\n<R><Year Vers=\"1\">\n</R>";
        ChooseCurriculumFile = [bad](QWidget*) { return QString::fromStdString(bad.string()); };
        RunCurriculumImport(*h->context);
        QVERIFY2(h->lastShown().find("строка 3") != std::string::npos, h->lastShown().c_str());
    }

    // Catches a check that writes, or shows nothing of what would change.
    void checkShowsTheReportAndWritesNothing() {
        auto h = make();
        const int yearsBefore = h->shell->AllGod()->CountGod();
        TForm55 form(*h->context, planOf(*h, 2040));
        form.show();
        QTest::mouseClick(child<QPushButton>(&form, "check"), Qt::LeftButton);
        const QString report = child<QPlainTextEdit>(&form, "report")->toPlainText();
        QVERIFY2(report.contains(QStringLiteral("Будет добавлено:")), qPrintable(report));
        const std::string group = h->year().LGryp[0]->Name();
        QVERIFY(report.contains(QString::fromStdString("группа " + group)));
        QCOMPARE(h->shell->AllGod()->CountGod(), yearsBefore);
        QVERIFY(h->dialog.asked.empty());
        QVERIFY(child<QPushButton>(&form, "ok")->isEnabled());
        QVERIFY(child<QPushButton>(&form, "check")->isEnabled());

        // The same year: what the plan cannot carry is listed too.
        TForm55 same(*h->context, planOf(*h));
        same.show();
        QTest::mouseClick(child<QPushButton>(&same, "check"), Qt::LeftButton);
        const QString text = child<QPlainTextEdit>(&same, "report")->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("факультеты")), qPrintable(text));
        same.resize(760, 460);
        QVERIFY(saveScreenshot(&same, QStringLiteral("curriculum_import_window")));
    }

    // Catches an import that does not happen on "Да", skips a question or
    // leaves the main window's weeks unrefreshed.
    void okWithYesImports() {
        auto h = make();
        const int before = backups;
        const int weeksBefore = h->weeksChanged;
        TForm55 form(*h->context, planOf(*h, 2040));
        form.show();
        h->dialog.queue(true);  // the first question
        h->dialog.queue(true);  // the backup
        const auto backup = RunImportBackup;
        bool formShownAtBackup = true, progressShown = false;
        RunImportBackup = [&](TWindowContext& context) {
            formShownAtBackup = form.isVisible();
            for (QWidget* w : QApplication::topLevelWidgets())
                progressShown =
                    progressShown || (w->objectName() == "importProgress" && w->isVisible());
            return backup(context);
        };
        QTest::mouseClick(child<QPushButton>(&form, "ok"), Qt::LeftButton);
        RunImportBackup = backup;
        QVERIFY(!formShownAtBackup);
        QVERIFY(progressShown);
        QCOMPARE(form.result(), TImportResult::Done);
        QCOMPARE(backups, before + 1);
        QCOMPARE(h->dialog.asked.size(), std::size_t{2});
        QCOMPARE(h->dialog.asked[0],
                 std::string("При импорте все данные на год: 2040-2041 будут уничтожены! "
                             "Продолжать?"));
        QCOMPARE(h->lastShown(), std::string(kImportDone));
        QCOMPARE(h->weeksChanged, weeksBefore + 1);
        QVERIFY(!form.isVisible());
        // The status line followed the work to its end.
        QCOMPARE(child<QLabel>(&form, "status")->text(), QString::fromUtf8(kImportDone));
        const int groups = h->shell->God()->CountGryp();
        QCOMPARE(h->shell->God()->YGod, 2040);
        QVERIFY(h->start());
        QCOMPARE(h->shell->God()->YGod, 2040);
        QCOMPARE(h->shell->God()->CountGryp(), groups);
        QVERIFY(groups > 0);

        // The existing year: asked twice more and replaced.
        h->dialog.asked.clear();
        TForm55 again(*h->context, planOf(*h));
        again.show();
        h->dialog.queue(true);
        h->dialog.queue(false);
        h->dialog.queue(true);
        QTest::mouseClick(child<QPushButton>(&again, "ok"), Qt::LeftButton);
        QCOMPARE(again.result(), TImportResult::Done);
        QCOMPARE(h->dialog.asked.size(), std::size_t{3});
        QVERIFY(h->dialog.asked[2].find("Повторное предупреждение") != std::string::npos);
        QCOMPARE(h->shell->God()->CountFak(), 0);
    }

    // Catches the window going before its first question breaking the
    // modal run the menu starts.
    void menuRunImportsThroughTheModalWindow() {
        auto h = make();
        const fs::path file = h->home.path() / "menu.xml";
        std::string message;
        QVERIFY2(SaveCurriculum(h->year(), file, message), message.c_str());
        std::string text;
        {
            std::ifstream in(file);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        const std::string own = "Name=\"" + std::to_string(h->year().YGod) + "\"";
        const std::size_t at = text.find(own);
        QVERIFY(at != std::string::npos);
        text.replace(at, own.size(), "Name=\"2041\"");
        std::ofstream(file, std::ios::trunc) << text;
        ChooseCurriculumFile = [file](QWidget*) { return QString::fromStdString(file.string()); };
        h->dialog.queue(true);   // the first question
        h->dialog.queue(false);  // no backup
        auto wait = whenModal<TForm55>([](TForm55* form) {
            QTest::mouseClick(child<QPushButton>(form, "ok"), Qt::LeftButton);
        });
        QVERIFY(OpenExportWindow("TForm19_1", *h->context));
        QVERIFY(wait.shown());
        QCOMPARE(h->lastShown(), std::string(kImportDone));
        QCOMPARE(h->shell->God()->YGod, 2041);
    }

    // Catches a plan refused only after the questions (or the backup), a
    // failure that changed nothing making the main window drop its work,
    // and a message told twice.
    void refusalsBeforeTheYearIsTouchedKeepTheWork() {
        auto h = make();
        const int years = h->shell->AllGod()->CountGod();
        TCurriculumPlan plan = planOf(*h, 2040);
        for (TPlanGroup& g : plan.groups)
            for (TPlanSubject& s : g.subjects)
                if (!s.hPairs.empty()) s.hPairs[0] = kMaxPairsPerWeek + 1;
        TForm55 refused(*h->context, std::move(plan));
        refused.show();
        QTest::mouseClick(child<QPushButton>(&refused, "ok"), Qt::LeftButton);
        QCOMPARE(refused.result(), TImportResult::Failed);
        QVERIFY(h->dialog.asked.empty());
        QVERIFY2(h->lastShown().starts_with("Файл учебного плана не может быть импортирован: "),
                 h->lastShown().c_str());
        QVERIFY(!h->context->dropChanges);
        QCOMPARE(h->shell->AllGod()->CountGod(), years);

        const auto backup = RunImportBackup;
        RunImportBackup = [](TWindowContext&) { return false; };
        const std::size_t shownBefore = h->dialog.shown.size();
        TForm55 noCopy(*h->context, planOf(*h, 2040));
        noCopy.show();
        h->dialog.queue(true);
        h->dialog.queue(true);
        QTest::mouseClick(child<QPushButton>(&noCopy, "ok"), Qt::LeftButton);
        RunImportBackup = backup;
        QCOMPARE(noCopy.result(), TImportResult::Failed);
        QCOMPARE(h->dialog.asked.size(), std::size_t{2});
        QCOMPARE(h->dialog.shown.size(), shownBefore + 1);
        QCOMPARE(h->lastShown(), std::string("Резервная копия не создана. Импорт не выполнен."));
        QVERIFY(!h->context->dropChanges);
        QCOMPARE(h->shell->AllGod()->CountGod(), years);
    }

    // Catches a "Нет" that still deletes or imports.
    void noLeavesTheData() {
        auto h = make();
        const int groups = h->year().CountGryp();
        const int faculties = h->year().CountFak();
        for (int declined = 0; declined < 2; ++declined) {
            h->dialog.asked.clear();
            TForm55 form(*h->context, planOf(*h));
            form.show();
            if (declined == 1) {
                h->dialog.queue(true);
                h->dialog.queue(false);
            }
            h->dialog.queue(false);
            QTest::mouseClick(child<QPushButton>(&form, "ok"), Qt::LeftButton);
            QCOMPARE(form.result(), TImportResult::Declined);
            QCOMPARE(h->dialog.asked.size(), std::size_t(declined == 0 ? 1 : 3));
        }
        QVERIFY(h->start());
        QCOMPARE(h->year().CountGryp(), groups);
        QCOMPARE(h->year().CountFak(), faculties);
    }
};

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"
