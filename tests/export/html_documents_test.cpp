// The export hub over the tiny year: the web pages of groups and teachers,
// the word processor's documents with their stale-file and opening steps,
// the copy into the target folder, and the escaping of names from the data.
#include "export/html_documents.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "base/cp1251.h"
#include "demo/sample_college.h"
#include "demo/sample_plan.h"
#include "export/document_opener.h"
#include "export_year_fixture.h"
#include "model/attribute.h"
#include "settings/settings_file.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Counts how often needle occurs in text.
int occurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

struct RecordingProgress : THtmlProgress {
    void Show(int maximum) override { events.push_back("show " + std::to_string(maximum)); }
    void Position(int position) override { events.push_back(std::to_string(position)); }
    void Hide() override { events.push_back("hide"); }
    std::vector<std::string> events;
};

class HtmlHub : public testing_export::TinyYear {
protected:
    void SetUp() override {
        TinyYear::SetUp();
        build();
        year->SelectAllGryp(true);
        for (const auto& fio : year->LFio) fio->Select = true;
        g1 = year->FindGrypForName("Г-1");
        g2 = year->FindGrypForName("Г-2");
        g3 = year->FindGrypForName("Г-3");
        ivanov = year->FindFioForShortName("Иванов И.И.");
        petrov = year->FindFioForShortName("Петров П.П.");
        ASSERT_TRUE(g1 && g2 && g3 && ivanov && petrov);
        hub = std::make_unique<THtmlExportHub>(*year, home, hubDialog, opener);
        label = year->AllNed.DNed(1)->GetShortStrDateNed();
    }
    // A page of "temp" in UTF-8.
    std::string temp(const std::string& name) const {
        return cp1251ToUtf8(readFile(hub->PathTemp / name));
    }
    static std::string row(const std::vector<std::string>& cells) {
        std::string out = "<TR>\r\n";
        for (const std::string& c : cells) out += "  <TD>" + c + "</TD>\r\n";
        return out + "</TR>\r\n";
    }
    static const std::string& weekHead() {
        static const std::string head =
            "<TR>\r\n  <TH>Пара</TH>\r\n  <TH>Время</TH>\r\n  <TH>Понедельник</TH>\r\n"
            "  <TH>Вторник</TH>\r\n  <TH>Среда</TH>\r\n  <TH>Четверг</TH>\r\n"
            "  <TH>Пятница</TH>\r\n  <TH>Суббота</TH>\r\n</TR>\r\n";
        return head;
    }
    static std::string table(const std::string& rows) {
        return "<TABLE BORDER=1 BORDERCOLOR=BLACK Cellspacing=0 cellpadding=0>\r\n" + weekHead() +
               rows + "\r\n</TABLE>";
    }
    std::string pageOf(const TGryp* gr) const { return GrypPageName(1, *gr); }

    TScriptedDialog hubDialog;
    TRecordingOpener opener;
    std::unique_ptr<THtmlExportHub> hub;
    TGryp* g1 = nullptr;
    TGryp* g2 = nullptr;
    TGryp* g3 = nullptr;
    TFio* ivanov = nullptr;
    TFio* petrov = nullptr;
    std::string label;
};

TEST_F(HtmlHub, GroupPagesLinkedFromTheIndex) {
    ASSERT_TRUE(hub->CreateHtmlGryp());
    EXPECT_EQ(hub->Fil,
              (std::vector<std::string>{pageOf(g1), pageOf(g2), pageOf(g3), "allgryp.htm"}));
    EXPECT_EQ(pageOf(g1), "1~" + std::to_string(g1->Dan.N) + ".htm");

    const std::string index = temp("allgryp.htm");
    EXPECT_NE(index.find("<TITLE>Расписание групп</TITLE>"), std::string::npos);
    EXPECT_NE(index.find("<BODY BGCOLOR=\"AQUA\">\r\n<BASEFONT=3>"
                         "<P ALIGN=CENTER><FONT SIZE=4 COLOR=\"RED\">РАСПИСАНИЕ ГРУПП</FONT></P>"),
              std::string::npos);
    EXPECT_NE(index.find("<TR>\r\n  <TH>Группы</TH>\r\n  <TH>Неделя N" +
                         year->AllNed.GetNumberWeek(1) + "</TH>\r\n</TR>\r\n"),
              std::string::npos);
    for (const TGryp* gr : {g1, g2, g3})
        EXPECT_NE(index.find(row({gr->Name(), "<A HREF=\"" + pageOf(gr) + "\">" + label + "</A>"})),
                  std::string::npos)
            << gr->Name();

    // Г-1: the Monday lesson is replaced by physics in room 101; the
    // Tuesday one has no room.
    const std::string page = temp(pageOf(g1));
    EXPECT_NE(page.find("<TITLE>Г-1</TITLE>"), std::string::npos);
    EXPECT_NE(page.find("<P ALIGN=CENTER><FONT SIZE=4 COLOR=\"RED\">РАСПИСАНИЕ ГРУППЫ Г-1 " +
                        label + "</FONT></P>\r\n"),
              std::string::npos);
    const std::string none = "-------";
    EXPECT_NE(page.find(table(
                  row({"0", "07:15", "Физика Петров П.П. ауд.101", none, none, none, none, none}) +
                  row({"1", "09:00", none, "Матем Иванов И.И.", none, none, none, none}))),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("</TABLE><A HREF=\"allgryp.htm\">Назад к списку групп</A>\r\n</BODY>"),
              std::string::npos);

    // Г-3 has no week 1: the heading and an empty table.
    const std::string empty = temp(pageOf(g3));
    EXPECT_NE(empty.find("РАСПИСАНИЕ ГРУППЫ Г-3 " + label), std::string::npos);
    EXPECT_NE(empty.find(table("")), std::string::npos);
}

TEST_F(HtmlHub, WithoutAnActiveWeekOnlyTheIndex) {
    year->AllNed.DNed(1)->Activ = false;
    THtmlExportHub idle(*year, home, hubDialog, opener);
    EXPECT_TRUE(idle.Weeks.empty());
    ASSERT_TRUE(idle.CreateHtmlGryp());
    EXPECT_EQ(idle.Fil, std::vector<std::string>{"allgryp.htm"});
    const std::string index = cp1251ToUtf8(readFile(idle.PathTemp / "allgryp.htm"));
    EXPECT_NE(index.find("<TR>\r\n  <TH>Группы</TH>\r\n</TR>\r\n"), std::string::npos);
    EXPECT_EQ(occurrences(index, "<TH>"), 1);
    EXPECT_EQ(occurrences(index, "<A HREF"), 0);
    EXPECT_NE(index.find(row({"Г-2"})), std::string::npos);
    EXPECT_FALSE(fs::exists(idle.PathTemp / pageOf(g1)));
}

TEST_F(HtmlHub, TeacherPagesListLessonsOfAllGroups) {
    petrov->Select = false;
    ASSERT_TRUE(hub->CreateHtmlFio());
    const std::string file = FioPageName(1, *ivanov);
    EXPECT_EQ(file, "fio1~" + std::to_string(ivanov->N) + ".htm");
    EXPECT_EQ(hub->Fil, (std::vector<std::string>{file, "allfio.htm"}));

    const std::string index = temp("allfio.htm");
    EXPECT_NE(index.find("<TITLE>Расписание преподавателей</TITLE>"), std::string::npos);
    EXPECT_NE(index.find(">РАСПИСАНИЕ ПРЕПОДАВАТЕЛЕЙ</FONT>"), std::string::npos);
    EXPECT_NE(index.find("<TH>Преподаватели</TH>"), std::string::npos);
    EXPECT_NE(
        index.find(row({"Иванов Иван Иванович", "<A HREF=\"" + file + "\">" + label + "</A>"})),
        std::string::npos);
    EXPECT_EQ(index.find("Петров"), std::string::npos);

    // His Monday lesson in Г-1 is given by Петров; the union's Tuesday
    // lesson is one cell with both groups.
    const std::string page = temp(file);
    EXPECT_NE(page.find("<TITLE>Иванов Иван Иванович</TITLE>"), std::string::npos);
    EXPECT_NE(page.find("РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ Иванов Иван Иванович " + label),
              std::string::npos);
    const std::string none = "------";
    EXPECT_NE(page.find(table(row({"0", "07:15", none, none, "Г-2 Матем", none, none, none}) +
                              row({"1", "09:00", none, "Г-1,Г-2 Матем", none, none, none, none}))),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<A HREF=\"allfio.htm\">Назад к списку преподавателей</A>"),
              std::string::npos);

    // The back link follows the index's name.
    ASSERT_TRUE(hub->CreateHtmlFio("teachers"));
    EXPECT_NE(temp(file).find("<A HREF=\"teachers.htm\">"), std::string::npos);
    EXPECT_TRUE(fs::exists(hub->PathTemp / "teachers.htm"));
}

TEST_F(HtmlHub, WordDocumentOfGroupsOnTheChosenDays) {
    g2->Select = false;
    g3->Select = false;
    TArrayOfPointByte wd;
    wd.AddPoint(1, 2);
    wd.AddPoint(1, 1);
    wd.AddPoint(3, 4);  // a week that is not active
    RecordingProgress progress;
    hub->Progress = &progress;
    ASSERT_TRUE(hub->CreateWordGryp(wd));
    const fs::path file = hub->PathTemp / "rgryp.htm";
    EXPECT_EQ(hub->Fil, std::vector<std::string>{"rgryp.htm"});
    EXPECT_EQ(opener.files, std::vector<fs::path>{file});
    EXPECT_TRUE(hubDialog.shown.empty());
    EXPECT_EQ(progress.events, (std::vector<std::string>{"show 1", "1", "hide"}));

    const std::string doc = temp("rgryp.htm");
    EXPECT_NE(doc.find("<TITLE>Расписание групп</TITLE>"), std::string::npos);
    EXPECT_NE(doc.find("<BODY>\r\n<BASEFONT=3>"), std::string::npos);
    EXPECT_NE(
        doc.find("<FONT SIZE=4 COLOR=\"RED\">РАСПИСАНИЕ ГРУППЫ Г-1 неделя " + label + "</FONT>"),
        std::string::npos);
    EXPECT_NE(doc.find("<TR>\r\n  <TH>Пара</TH>\r\n  <TH>Время</TH>\r\n  <TH>Понедельник</TH>\r\n"
                       "  <TH>Вторник</TH>\r\n</TR>\r\n" +
                       row({"0", "07:15", "Физика Петров П.П. ауд.101", "-------"}) +
                       row({"1", "09:00", "-------", "Матем Иванов И.И."})),
              std::string::npos)
        << doc;
    EXPECT_EQ(doc.find("Г-2"), std::string::npos);

    // Without the opener: the message names the file.
    hub->StartWord = false;
    ASSERT_TRUE(hub->CreateWordGryp(wd));
    EXPECT_EQ(hubDialog.shown, std::vector<std::string>{"Создан файл " + file.string()});
    EXPECT_EQ(opener.files.size(), 1u);

    // An opener that cannot start fails the generator; the file stays.
    hub->StartWord = true;
    opener.accept = false;
    EXPECT_FALSE(hub->CreateWordGryp(wd));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(opener.files.size(), 2u);
    EXPECT_EQ(hubDialog.shown.size(), 2u);
    EXPECT_NE(hubDialog.shown.back().find(file.string()), std::string::npos);
}

TEST_F(HtmlHub, WordDocumentOfTeachers) {
    TArrayOfPointByte wd;
    wd.AddPoint(1, 3);
    hub->StartWord = false;
    ASSERT_TRUE(hub->CreateWordFio(wd));
    const std::string doc = temp("rfio.htm");
    EXPECT_NE(doc.find("<TITLE>Расписание преподавателей</TITLE>"), std::string::npos);
    EXPECT_NE(doc.find("РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ Иванов Иван Иванович неделя " + label),
              std::string::npos);
    EXPECT_NE(doc.find(row({"0", "07:15", "Г-2 Матем"})), std::string::npos) << doc;
    // Петров has nothing on Wednesday: his heading and a table of heads only.
    EXPECT_NE(doc.find("РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ Петров Пётр Петрович неделя " + label +
                       "</FONT></P>\r\n<TABLE BORDER=1 BORDERCOLOR=BLACK Cellspacing=0 "
                       "cellpadding=0>\r\n<TR>\r\n  <TH>Пара</TH>\r\n  <TH>Время</TH>\r\n"
                       "  <TH>Среда</TH>\r\n</TR>\r\n\r\n</TABLE>"),
              std::string::npos);
}

TEST_F(HtmlHub, AStaleDocumentIsReplacedOrStopsTheGeneration) {
    TArrayOfPointByte wd;
    wd.AddPoint(1, 1);
    const fs::path file = hub->PathTemp / "rgryp.htm";
    {
        std::ofstream old(file, std::ios::binary);
        old << "stale " << std::string(20000, 'x');
    }
    ASSERT_TRUE(hub->CreateWordGryp(wd));
    EXPECT_EQ(readFile(file).find("stale"), std::string::npos);

    // An empty folder of that name is removed.
    fs::remove(file);
    fs::create_directory(file);
    ASSERT_TRUE(hub->CreateWordGryp(wd));
    EXPECT_TRUE(fs::is_regular_file(file));

    // One that cannot be removed: the message, and nothing is generated.
    // Permissions do not hold the superuser back.
    if (::geteuid() == 0) GTEST_SKIP() << "a read-only folder is writable as root";
    fs::remove(file);
    fs::create_directories(file / "inside");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_exec);
    opener.files.clear();
    RecordingProgress progress;
    hub->Progress = &progress;
    EXPECT_FALSE(hub->CreateWordGryp(wd));
    EXPECT_EQ(
        hubDialog.shown,
        std::vector<std::string>{"Невозмохно удалить устаревший Файл (возможно Word уже запущен) " +
                                 file.string()});
    EXPECT_TRUE(hub->Fil.empty());
    EXPECT_TRUE(opener.files.empty());
    EXPECT_TRUE(progress.events.empty());
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    fs::permissions(file, fs::perms::owner_all);
}

TEST_F(HtmlHub, ATempFolderThatCannotBeMadeFailsTheFirstSave) {
    testsupport::ScratchHome other{"htmlnotemp"};
    { std::ofstream blocker(other.path() / "temp"); }
    TScriptedDialog dialog;
    THtmlExportHub blocked(*year, other.path(), dialog, opener);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0],
              "Ошибка при создании временной директории :" + (other.path() / "temp").string());
    EXPECT_FALSE(blocked.CreateHtmlGryp());
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1].rfind(
                  "Невозможно создать файл : " + (other.path() / "temp" / pageOf(g1)).string(), 0),
              0u);
    EXPECT_TRUE(blocked.Fil.empty());
}

TEST_F(HtmlHub, TheWebSiteIsCopiedIntoTheFolder) {
    const fs::path site = fs::path(home) / "site" / "deep";
    RecordingProgress progress;
    hub->Progress = &progress;
    std::vector<fs::path> copied;
    ASSERT_TRUE(hub->ExportWeb(site, true, true, &copied));
    EXPECT_EQ(hubDialog.shown, std::vector<std::string>{"Файлы созданы."});
    // Three group pages and the index, two teacher pages and the index.
    ASSERT_EQ(copied.size(), 7u);
    EXPECT_EQ(hub->Fil.size(), 7u);
    for (const std::string& name : hub->Fil) {
        EXPECT_EQ(readFile(site / name), readFile(hub->PathTemp / name)) << name;
        EXPECT_NE(std::find(copied.begin(), copied.end(), site / name), copied.end());
    }
    // Groups: shown with 3, three steps, hidden; the same for the two
    // teachers, then the copy of seven files.
    EXPECT_EQ(progress.events,
              (std::vector<std::string>{"show 3", "1", "2", "3", "hide", "show 2", "1", "2", "hide",
                                        "show 7", "1", "2", "3", "4", "5", "6", "7", "hide"}));

    // A second run replaces what the first left.
    {
        std::ofstream scribble(site / "allgryp.htm", std::ios::binary);
        scribble << "old";
    }
    g3->SetName("Г-3а");
    hubDialog.shown.clear();
    ASSERT_TRUE(hub->ExportWeb(site, true, false));
    EXPECT_NE(cp1251ToUtf8(readFile(site / "allgryp.htm")).find("Г-3а"), std::string::npos);

    // A copy that fails is reported once, at the end, and its file leaves
    // "temp"; the others are copied.
    fs::remove(site / pageOf(g2));
    fs::create_directories(site / pageOf(g2) / "x");
    fs::remove(site / pageOf(g1));
    hubDialog.shown.clear();
    EXPECT_FALSE(hub->ExportWeb(site, true, false, &copied));
    // The system's own text of why, alone (a folder is in the file's place).
    ASSERT_EQ(hubDialog.shown.size(), 1u);
    EXPECT_EQ(hubDialog.shown[0], std::system_category().message(EISDIR));
    EXPECT_FALSE(fs::exists(hub->PathTemp / pageOf(g2)));
    EXPECT_TRUE(fs::exists(site / pageOf(g1)));
    EXPECT_EQ(copied.size(), 3u);
}

TEST_F(HtmlHub, AFolderThatCannotBeMadeStopsBeforeGenerating) {
    const fs::path blocker = fs::path(home) / "file";
    { std::ofstream out(blocker); }
    EXPECT_FALSE(hub->ExportWeb(blocker / "site", true, true));
    EXPECT_EQ(hubDialog.shown, std::vector<std::string>{"Ошибка при создании директории"});
    EXPECT_FALSE(fs::exists(hub->PathTemp / "allgryp.htm"));
    EXPECT_TRUE(hub->Fil.empty());
}

TEST_F(HtmlHub, ExaminationsOfGroupsAndTeachers) {
    TArrayOfPointByte wd;
    for (int d = 1; d <= 6; ++d) wd.AddPoint(1, static_cast<uint8_t>(d));
    hub->StartWord = false;
    // A credit record on Thursday at 12:30 for 90 minutes in room 101.
    TZachet* z = g2->CreateZachet(1);
    ASSERT_NE(z, nullptr);
    z->SetNe(1);
    z->SetDay(4);
    z->SetStartTime(12 * 60 + 30);
    z->SetLengthTime(90);
    z->SetPredmet(g2->LPredmet[0].get());
    z->SetAyd(room);
    z->AddEkzam(ivanov);
    const std::string kind = z->NameOfTypes();
    const std::string exam = year->Atribyt.AtrName(TAtribyt::kEkzamen);
    ASSERT_FALSE(kind.empty());

    ASSERT_TRUE(hub->CreateWordEkzamen1(wd));
    EXPECT_EQ(hub->Fil, std::vector<std::string>{"ekzgr.htm"});
    const std::string day = "Четверг " + year->AllNed.DNed(1)->GetStrDateShortDey(4);
    std::string doc = temp("ekzgr.htm");
    EXPECT_NE(doc.find("КОНСУЛЬТАЦИИ И ЭКЗАМЕНЫ ГРУППЫ Г-1 неделя " + label), std::string::npos);
    EXPECT_NE(doc.find(row({day, "", exam, "Иванов И.И.", "Матем", "", "4"})), std::string::npos)
        << doc;
    EXPECT_NE(doc.find(row({day, "12:30-14:00", kind, "Иванов И.И.", "Матем", "101", "2"})),
              std::string::npos)
        << doc;
    EXPECT_EQ(doc.find("ГРУППЫ Г-3"), std::string::npos);

    // Only the credit records' kind.
    ASSERT_TRUE(hub->CreateWordEkzamen1(wd, z->FAtr->N));
    doc = temp("ekzgr.htm");
    EXPECT_EQ(doc.find(exam), std::string::npos);
    EXPECT_NE(doc.find(kind), std::string::npos);

    ASSERT_TRUE(hub->CreateWordEkzamen2(wd));
    doc = temp("ekzfio.htm");
    EXPECT_NE(doc.find("<TH>Группа</TH>"), std::string::npos);
    EXPECT_NE(doc.find(row({day, "12:30-14:00", kind, "Г-2", "Матем", "101", "2"})),
              std::string::npos);
    EXPECT_NE(doc.find(row({day, "", exam, "Г-1", "Матем", "", "4"})), std::string::npos);
    EXPECT_EQ(doc.find("ПРЕПОДАВАТЕЛЯ Петров"), std::string::npos);

    // Days without entries: the document says so.
    TArrayOfPointByte monday;
    monday.AddPoint(1, 1);
    ASSERT_TRUE(hub->CreateWordEkzamen2(monday));
    EXPECT_NE(temp("ekzfio.htm").find("Консультаций и экзаменов нет"), std::string::npos);
}

// Names are data: they show as text, and "&" stays readable.
TEST_F(HtmlHub, NamesFromTheDataAreEscaped) {
    g1->SetName("<script>alert(1)</script>");
    g2->SetName("Физики & Лирики");
    ASSERT_TRUE(hub->CreateHtmlGryp());
    const std::string index = temp("allgryp.htm");
    EXPECT_EQ(index.find("<script"), std::string::npos);
    EXPECT_NE(index.find("<TD>&lt;script&gt;alert(1)&lt;/script&gt;</TD>"), std::string::npos);
    EXPECT_NE(index.find("<TD>Физики &amp; Лирики</TD>"), std::string::npos);
    const std::string page = temp(pageOf(g1));
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("<TITLE>&lt;script&gt;alert(1)&lt;/script&gt;</TITLE>"), std::string::npos);
}

// The sample college's week with substitutions: each cell against what the
// model holds there.
class DemoPages : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        dm = std::make_unique<TDM1>(scratch.str(), dialog);
        year = std::make_unique<TAllRasp>(*dm);
        demo::SampleOptions options;
        options.size = demo::SampleSize::S;
        options.year = 2016;
        year->YGod = 2016;
        year->AllNed.SetDataGod(2016, false);
        ASSERT_TRUE(demo::buildSampleYear(demo::planSample(options), *year, message)) << message;
        year->SelectAllGryp(true);
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }
    // The cell of day d in the row of period y, or "" when there is no row.
    static std::string cellOf(const std::string& page, const TAllRasp& year, int d, int y) {
        const std::string start = "<TR>\r\n  <TD>" + std::to_string(y) + "</TD>\r\n  <TD>" +
                                  year.TaimYrok[static_cast<std::size_t>(y)].TnText() + "</TD>\r\n";
        std::size_t at = page.find(start);
        if (at == std::string::npos) return {};
        at += start.size();
        for (int i = 1; i < d; ++i) at = page.find("\r\n", at) + 2;
        const std::string line = page.substr(at, page.find("\r\n", at) - at);
        const std::string open = "  <TD>";
        const std::string close = "</TD>";
        if (line.rfind(open, 0) != 0 || line.size() < open.size() + close.size()) return {};
        return line.substr(open.size(), line.size() - open.size() - close.size());
    }

    testsupport::ScratchHome scratch{"htmldemo"};
    TScriptedDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
};

TEST_F(DemoPages, LessonsAndCancellationsAsHeld) {
    TScriptedDialog hubDialog;
    TRecordingOpener opener;
    THtmlExportHub hub(*year, scratch.path(), hubDialog, opener);
    const int ne = demo::kSubstitutionWeek;
    hub.Weeks = {ne};
    ASSERT_TRUE(hub.CreateHtmlGryp());
    const std::string label = year->AllNed.DNed(ne)->GetShortStrDateNed();
    int single = 0;
    int cancelled = 0;
    for (const auto& gr : year->LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        const std::string page = cp1251ToUtf8(readFile(hub.PathTemp / GrypPageName(ne, *gr)));
        ASSERT_NE(page.find("РАСПИСАНИЕ ГРУППЫ " + gr->Name() + " " + label), std::string::npos);
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* yrok = week->GetYrok(0, d, y);
                if (yrok == nullptr) continue;
                std::vector<const TYr*> held;
                bool cancellation = false;
                for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
                    const TYr* yr = yrok->YrDpZm(i);
                    if (!yr->Held()) continue;
                    if (yr->SetZamenaYes() && yr->Fio() == nullptr)
                        cancellation = true;
                    else
                        held.push_back(yr);
                }
                const std::string cell = cellOf(page, *year, d, y);
                if (held.size() == 1 && held[0]->Ayd() != nullptr && held[0]->Fio() != nullptr) {
                    ++single;
                    EXPECT_EQ(cell, held[0]->YrName()->Name() + " " + held[0]->Fio()->Name() +
                                        " ауд." + held[0]->Ayd()->Name())
                        << gr->Name() << " " << d << "/" << y;
                } else if (held.empty() && cancellation) {
                    ++cancelled;
                    // A lesson given by nobody: the period is free, when it
                    // has a row at all.
                    if (!cell.empty()) {
                        EXPECT_EQ(cell, kNoLessonGryp) << gr->Name();
                    }
                }
            }
    }
    EXPECT_GT(single, 20);
    EXPECT_GT(cancelled, 0);
}

TEST(DocumentOpener, TheProgramOpensTheAbsoluteFile) {
    std::vector<std::vector<std::string>> started;
    TXdgOpener opener("my-viewer", [&](const std::vector<std::string>& argv, std::string& why) {
        started.push_back(argv);
        why = "gone";
        return started.size() == 1;
    });
    std::string why;
    EXPECT_TRUE(opener.Open("/tmp/a b.htm", why));
    EXPECT_FALSE(opener.Open("-rf.htm", why));  // relative: made absolute, never an option
    EXPECT_EQ(why, "gone");
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"my-viewer", "/tmp/a b.htm"}));
    EXPECT_EQ(started[1][1], (fs::current_path() / "-rf.htm").string());

    // A real start: a program that exists, and one that does not.
    EXPECT_TRUE(StartDetached({"true"}, why)) << why;
    EXPECT_FALSE(StartDetached({"/nonexistent/zavlin-viewer"}, why));
    EXPECT_NE(why.find("/nonexistent/zavlin-viewer"), std::string::npos);
    EXPECT_FALSE(StartDetached({}, why));
}

TEST(DocumentOpener, TheProgramComesFromTheSettings) {
    testsupport::ScratchHome scratch{"opener"};
    TScriptedDialog quiet;
    TCoreHooks hooks(quiet);
    TFileIni ini(hooks, scratch.path());
    ini.SetFileName("Zavlin98.ini");
    EXPECT_EQ(OpenerProgram(ini), "xdg-open");
    ASSERT_TRUE(ini.WriteString(kOpenerSection, kOpenerKey, "  /usr/bin/okular "));
    EXPECT_EQ(OpenerProgram(ini), "/usr/bin/okular");
    EXPECT_EQ(TXdgOpener(OpenerProgram(ini)).Program(), "/usr/bin/okular");
}

}  // namespace
}  // namespace zavlin::exporting
