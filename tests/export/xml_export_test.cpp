// The export jobs as the windows run them: the author, the settings kept in
// "god.Ini", the files in "temp", the refusals of the web export and the
// hand-over to the mail client or a folder.
#include "export/xml_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export_year_fixture.h"
#include "settings/settings_file.h"

namespace zavlin::exporting {
namespace {

namespace fs = std::filesystem;

class XmlExport : public testing_export::TinyYear {
protected:
    TExportAuthor author{"сидоров", "Сидор", "Сидорович"};
    std::vector<std::string> statuses;
    TStatusSink sink = [this](const std::string& s) { statuses.push_back(s); };
};

TEST_F(XmlExport, TheAuthorSettingsAndTheFile) {
    build();
    TXmlExportJob job;
    job.author = {"  ", "Иван", ""};
    TExportResult r = RunXmlFileExport(*year, dm->FGodini, home, job, sink);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Введите вашу фамилию и инициалы");
    EXPECT_FALSE(fs::exists(fs::path(home) / "temp"));
    EXPECT_TRUE(statuses.empty());

    job.author = author;
    job.coding = 1;
    job.progName = "zavlin";
    r = RunXmlFileExport(*year, dm->FGodini, home, job, sink);
    ASSERT_TRUE(r.ok) << r.message;
    const fs::path file = fs::path(home) / "temp" / "Zavlin.xml";
    EXPECT_EQ(r.message, "Экспорт расписания успешно завершён. Файл: " + file.string());
    EXPECT_EQ(statuses,
              (std::vector<std::string>{"Формирование файла XML.", "Файл XML сформирован.",
                                        "Файл:" + file.string()}));
    EXPECT_EQ(job.author.surname, "Сидоров");  // the window shows it corrected

    TXMLCreater back;
    ASSERT_TRUE(back.LoadFromFile(file)) << back.LastError();
    EXPECT_EQ(back.Encoding(), "UTF-8");
    EXPECT_EQ(back.MainXMLObject()->FindXMLField("UserName")->asString(), "Сидоров С.С.");

    const TUserSettings s = ReadUserSettings(dm->FGodini);
    EXPECT_EQ(s.Name, "Сидоров С.С.");
    EXPECT_EQ(s.Coding, 1);
    const TAuthorParts parts = AuthorParts(s.Name);
    EXPECT_EQ(parts.surname, "Сидоров");
    EXPECT_EQ(parts.givenName, "С");
    EXPECT_EQ(parts.patronymic, "С");
    EXPECT_EQ(AuthorParts("").surname, "NoName");

    // Windows-1251 is the other choice, and the file is written anew.
    job.coding = 0;
    ASSERT_TRUE(RunXmlFileExport(*year, dm->FGodini, home, job).ok);
    std::ifstream in(file, std::ios::binary);
    std::string head(60, '\0');
    in.read(head.data(), 60);
    EXPECT_EQ(head.rfind("<?xml version=\"1.0\" encoding=\"windows-1251\" ?>", 0), 0u);
}

TEST_F(XmlExport, WebFilesAreNamedByYearAndWeek) {
    EXPECT_EQ(WebFileName(2016, 3), "rs201603.xml");
    EXPECT_EQ(WebFileName(2015, 7), "rs201507.xml");
    EXPECT_EQ(WebFileName(2016, 53), "rs201653.xml");

    build();
    year->AllNed.DNed(3)->Activ = true;
    TWebExportJob job;
    job.author = author;
    TRecordingMailer mailer;
    const TExportResult r = RunWebFileExport(*year, dm->FGodini, home, job, mailer, sink);
    ASSERT_TRUE(r.ok) << r.message;
    const fs::path temp = fs::path(home) / "temp";
    ASSERT_EQ(r.files, (std::vector<fs::path>{temp / "rs201601.xml", temp / "rs201603.xml"}));
    for (const fs::path& f : r.files) EXPECT_TRUE(fs::exists(f));
    EXPECT_EQ(r.message, "Экспорт расписания успешно завершён. Файлы: \r\n" + r.files[0].string() +
                             "\r\n" + r.files[1].string());
    EXPECT_EQ(statuses.back(), "Конец экспорта");
    EXPECT_TRUE(mailer.messages.empty());
}

TEST_F(XmlExport, TheWebExportRefuses) {
    build();
    TRecordingMailer mailer;
    const fs::path temp = fs::path(home) / "temp";
    auto run = [&](TWebExportJob job) {
        return RunWebFileExport(*year, dm->FGodini, home, job, mailer);
    };
    TWebExportJob base;
    base.author = author;

    TWebExportJob j = base;
    j.author = {};
    EXPECT_EQ(run(j).message, "Введите вашу фамилию и инициалы");

    j = base;
    j.mail = true;
    j.email = "  ";
    EXPECT_EQ(run(j).message, "Введите EMail для WEB");
    // Addresses that the mail client would read as an option or a mail link.
    for (const std::string bad :
         {"--help", "-x@b.example", "a b@c.example", "a@b.example?cc=x", "a@b.example,c@d.example",
          "a@b.example;x", "a&b@c.example", "a\x01@b.example"}) {
        j.email = bad;
        const TExportResult r = run(j);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.message.rfind("Неверный EMail для WEB: " + bad + "\n", 0), 0u) << r.message;
    }
    EXPECT_FALSE(fs::exists(temp));

    year->AllNed.DNed(2)->Activ = true;
    j.email = "web@college.example";
    EXPECT_EQ(run(j).message,
              "При включённой опции \"Открыть Outlook Express\" можно отправлять только одну "
              "неделю");
    j = base;
    j.copy = true;
    j.folder = home;
    j.fileName = "week.xml";
    const TExportResult r = run(j);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message,
              "При включённой опции \"Копировать в папку\" можно отправлять только одну неделю");
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_TRUE(mailer.messages.empty());
    // The address and the folder were kept for the next time.
    const TUserSettings s = ReadUserSettings(dm->FGodini);
    EXPECT_EQ(s.EMailWeb, "web@college.example");
    EXPECT_EQ(s.Path, home);
    EXPECT_EQ(s.FileName, "week.xml");
    year->AllNed.DNed(2)->Activ = false;

    // Copying into the file itself (the letter case aside), into a missing folder.
    j.folder = temp.string();
    j.fileName = "RS201601.XML";
    EXPECT_EQ(run(j).message, "Нельзя копировать в себя");
    EXPECT_TRUE(fs::exists(temp / "rs201601.xml"));  // the week file stays
    j.folder = (fs::path(home) / "nowhere").string();
    j.fileName = "week.xml";
    EXPECT_EQ(run(j).message, "Папка недоступна : " + j.folder);
}

TEST_F(XmlExport, TheWeekGoesToTheMailClientAndToAFolder) {
    build();
    TRecordingMailer mailer;
    TWebExportJob job;
    job.author = author;
    job.mail = true;
    job.email = " web@college.example ";
    TExportResult r = RunWebFileExport(*year, dm->FGodini, home, job, mailer);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(mailer.messages.size(), 1u);
    EXPECT_EQ(mailer.messages[0].address, "web@college.example");
    EXPECT_EQ(mailer.messages[0].subject, "Week1");
    EXPECT_EQ(mailer.messages[0].file, fs::path(home) / "temp" / "rs201601.xml");
    EXPECT_EQ(r.message,
              "Файл успешно отправлен( или успешно поставлен в очередь на отправление).");

    // A client that refuses: no message, the file stays.
    mailer.accept = false;
    r = RunWebFileExport(*year, dm->FGodini, home, job, mailer);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, "");
    EXPECT_TRUE(fs::exists(fs::path(home) / "temp" / "rs201601.xml"));

    // The copy replaces the list of written files.
    const fs::path site = fs::path(home) / "site";
    fs::create_directories(site);
    job.mail = false;
    job.copy = true;
    job.folder = site.string();
    job.fileName = "week.xml";
    r = RunWebFileExport(*year, dm->FGodini, home, job, mailer);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.files, std::vector<fs::path>{site / "week.xml"});
    EXPECT_EQ(r.message,
              "Экспорт расписания успешно завершён. Файлы: \r\n" + (site / "week.xml").string());
    TXMLCreater back;
    ASSERT_TRUE(back.LoadFromFile(site / "week.xml")) << back.LastError();
    EXPECT_EQ(back.MainXMLObject()->FindXMLField("Week")->asString(), "1");
}

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(XmlExport, AFailedCopyKeepsThePreviousCopyWhole) {
    build();
    TRecordingMailer mailer;
    const fs::path site = fs::path(home) / "site";
    fs::create_directories(site / "taken");
    TWebExportJob job;
    job.author = author;
    job.copy = true;
    job.folder = site.string();

    // A name that is a folder cannot become the copy.
    job.fileName = "taken";
    EXPECT_EQ(RunWebFileExport(*year, dm->FGodini, home, job, mailer).message,
              "Невозможно создать файл : " + (site / "taken").string());

    job.fileName = "week.xml";
    const fs::path target = site / "week.xml";
    std::ofstream(target) << "previous copy";
    const std::string text = (site / "week.xml").string();
    FaultInjectingFileSystem faulty;
    uint64_t n = 1;
    for (;; ++n) {
        faulty.failAt(n, false);
        const TExportResult r = RunWebFileExport(*year, dm->FGodini, home, job, mailer, {}, faulty);
        // The folder sync after the rename is past the commit.
        if (!faulty.failed() || r.ok) {
            ASSERT_TRUE(r.ok) << r.message;
            break;
        }
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, "Ошибка копирования в файл: " + text) << n;
        EXPECT_EQ(contents(target), "previous copy") << n;
        EXPECT_FALSE(fs::exists(site / "week.xml.new")) << n;
    }
    EXPECT_GT(n, 3u);
    EXPECT_EQ(contents(target), contents(fs::path(home) / "temp" / "rs201601.xml"));
}

TEST_F(XmlExport, TheMailClientIsCalledWithSubjectAttachmentAndAddress) {
    std::vector<std::string> seen;
    TXdgMailer mailer([&](const std::vector<std::string>& argv) {
        seen = argv;
        return 0;
    });
    EXPECT_TRUE(mailer.Send("a@b.example", "Week7", "/tmp/rs201507.xml"));
    EXPECT_EQ(seen, (std::vector<std::string>{"xdg-email", "--subject", "Week7", "--attach",
                                              "/tmp/rs201507.xml", "a@b.example"}));
    TXdgMailer failing([](const std::vector<std::string>&) { return 3; });
    EXPECT_FALSE(failing.Send("a@b.example", "Week7", "/tmp/x.xml"));
    // An option-like address never reaches the client.
    seen.clear();
    EXPECT_FALSE(mailer.Send("--help", "Week7", "/tmp/x.xml"));
    EXPECT_TRUE(seen.empty());

    EXPECT_EQ(RunProcess({"/nonexistent/program"}), -1);
    EXPECT_EQ(RunProcess({"/bin/sh", "-c", "exit 3"}), 3);
}

}  // namespace
}  // namespace zavlin::exporting
