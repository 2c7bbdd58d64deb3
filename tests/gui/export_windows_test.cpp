// The XML file export and the web export windows over the sample college
// (active weeks: the numerator and the denominator), driven offscreen.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "demo/sample_plan.h"
#include "entry_fixture.h"
#include "export/ui/web_export_window.h"
#include "export/ui/xml_export_window.h"
#include "export/xml_document.h"
#include "model/god.h"
#include "screenshot.h"
#include "storage/year_database.h"

using namespace zavlin;
using namespace zavlin::test;
using zavlin::exporting::TRecordingMailer;
using zavlin::exporting::ui::TForm50;
using zavlin::exporting::ui::TForm53;

namespace fs = std::filesystem;

namespace {

constexpr int kNumerator = demo::kActiveWeeks[0];
constexpr int kDenominator = demo::kActiveWeeks[1];

fs::path homeOf(EntryHarness& h) {
    return h.shell->DM().DB.PathR;
}

}  // namespace

class ExportWindowsTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("export_gui_template", message), message.c_str());
    }

    // Catches a missing author not refused, groups not selected on opening,
    // the file not written or written elsewhere, a wrong success text, and
    // the author not kept for the next opening.
    void theXmlFileExport() {
        auto h = template_.copy("export_gui");
        h->year().SelectAllGryp(false);
        const fs::path file = homeOf(*h) / "temp" / "Zavlin.xml";
        {
            TForm50 window(*h->context);
            window.show();
            QCOMPARE(window.windowTitle(), QStringLiteral("Экспорт расписания в файл XML"));
            QCOMPARE(h->year().CountSelectGryp(), h->year().CountGryp());
            QCOMPARE(child<QLineEdit>(&window, "Edit1")->text(), QStringLiteral("NoName"));
            QVERIFY(child<QLabel>(&window, "WeeksLabel")
                        ->text()
                        .contains(QString::fromStdString(
                            h->year().AllNed.DNed(kNumerator)->GetShortStrDateNed())));

            retype(&window, "Edit1", QString());
            click(&window, "Button1");
            QCOMPARE(h->lastShown(), std::string("Введите вашу фамилию и инициалы"));
            QVERIFY(!fs::exists(file));
            QVERIFY(child<QPushButton>(&window, "Button1")->isEnabled());

            retype(&window, "Edit1", QStringLiteral("кузнецова"));
            retype(&window, "Edit2", QStringLiteral("Анна"));
            retype(&window, "Edit3", QStringLiteral("Петровна"));
            chooseCombo(child<QComboBox>(&window, "ComboCoding"), QStringLiteral("UTF-8"));
            QVERIFY(saveScreenshot(&window, QStringLiteral("xml_export_window")));
            click(&window, "Button1");
            QCOMPARE(h->lastShown(), "Экспорт расписания успешно завершён. Файл: " + file.string());
            QCOMPARE(window.result(), int(QDialog::Accepted));
            QCOMPARE(child<QLabel>(&window, "StatusBar1")->text(),
                     QString::fromStdString("Файл:" + file.string()));
        }
        TXMLCreater doc;
        QVERIFY2(doc.LoadFromFile(file), doc.LastError().c_str());
        QCOMPARE(doc.Encoding(), std::string("UTF-8"));
        QCOMPARE(doc.MainXMLObject()->FindXMLField("UserName")->asString(),
                 std::string("Кузнецова А.П."));
        QVERIFY(doc.MainXMLObject()->FindXMLObject("LDNed") != nullptr);

        TForm50 again(*h->context);
        QCOMPARE(child<QLineEdit>(&again, "Edit1")->text(), QStringLiteral("Кузнецова"));
        QCOMPARE(child<QLineEdit>(&again, "Edit2")->text(), QStringLiteral("А"));
        QCOMPARE(child<QComboBox>(&again, "ComboCoding")->currentIndex(), 1);
    }

    // Catches the one-week rule not applied to the copy, the copy not made
    // or the success text naming the week file instead of the copy, the
    // mail not handed over with the week's subject.
    void theWebExportCopiesAndMailsOneWeek() {
        auto h = template_.copy("export_gui");
        TRecordingMailer mailer;
        const fs::path site = homeOf(*h) / "site";
        fs::create_directories(site);
        {
            TForm53 window(*h->context, mailer);
            window.show();
            QCOMPARE(window.windowTitle(), QStringLiteral("Экспорт на WEB"));
            retype(&window, "Edit1", QStringLiteral("Кузнецова"));
            retype(&window, "Edit2", QStringLiteral("Анна"));
            retype(&window, "Edit3", QStringLiteral("Петровна"));
            QTest::mouseClick(child<QCheckBox>(&window, "CheckCopy"), Qt::LeftButton, {},
                              QPoint(4, 4));
            QTest::mouseClick(child<QCheckBox>(&window, "CheckZamena"), Qt::LeftButton, {},
                              QPoint(4, 4));
            retype(&window, "Edit4", QString::fromStdString(site.string()));
            retype(&window, "Edit5", QStringLiteral("week.xml"));
            chooseCombo(child<QComboBox>(&window, "ComboBox1"), QStringLiteral("Знаменатель"));
            QVERIFY(saveScreenshot(&window, QStringLiteral("web_export_window")));
            click(&window, "Button1");
            QCOMPARE(h->lastShown(), std::string("При включённой опции \"Копировать в папку\" "
                                                 "можно отправлять только одну неделю"));
            QVERIFY(child<QPushButton>(&window, "Button1")->isEnabled());

            h->year().AllNed.DNed(kNumerator)->Activ = false;
            click(&window, "Button1");
            QCOMPARE(h->lastShown(), "Экспорт расписания успешно завершён. Файлы: \r\n" +
                                         (site / "week.xml").string());
            QCOMPARE(window.result(), int(QDialog::Accepted));
        }
        TXMLCreater doc;
        QVERIFY2(doc.LoadFromFile(site / "week.xml"), doc.LastError().c_str());
        QCOMPARE(doc.MainXMLObject()->FindXMLField("Week")->asString(),
                 std::to_string(kDenominator));
        QCOMPARE(doc.MainXMLObject()->FindXMLField("Numerator")->asString(), std::string("1"));
        QVERIFY(
            fs::exists(homeOf(*h) / "temp" / exporting::WebFileName(h->year().YGod, kDenominator)));

        TForm53 mail(*h->context, mailer);
        mail.show();
        QVERIFY(child<QCheckBox>(&mail, "CheckCopy")->isChecked());  // kept from last time
        QCOMPARE(child<QLineEdit>(&mail, "Edit5")->text(), QStringLiteral("week.xml"));
        QTest::mouseClick(child<QCheckBox>(&mail, "CheckCopy"), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseClick(child<QCheckBox>(&mail, "CheckMail"), Qt::LeftButton, {}, QPoint(4, 4));
        click(&mail, "Button1");
        QCOMPARE(h->lastShown(), std::string("Введите EMail для WEB"));
        retype(&mail, "Edit7", QStringLiteral("site@college.example"));
        click(&mail, "Button1");
        QCOMPARE(mailer.messages.size(), std::size_t(1));
        QCOMPARE(mailer.messages[0].subject, "Week" + std::to_string(kDenominator));
        QCOMPARE(mailer.messages[0].address, std::string("site@college.example"));
        QCOMPARE(h->lastShown(), std::string("Файл успешно отправлен( или успешно поставлен в "
                                             "очередь на отправление)."));
    }
};

QTEST_MAIN(ExportWindowsTest)
#include "export_windows_test.moc"
