// The timetable reports over the tiny year (Г-1's Monday lesson replaced by
// physics with Петров, Иванов's Tuesday lesson a union of Г-1 and Г-2) and
// over the sample college's week with substitutions: what each cell holds
// against the model, the weeks and groups each document covers, and the
// document handed to the opener.
#include "export/html_report_documents.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "demo/sample_college.h"
#include "demo/sample_plan.h"
#include "export/document_opener.h"
#include "export_year_fixture.h"
#include "model/calendar.h"

namespace zavlin::exporting {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int occurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

std::string row(const std::vector<std::string>& cells) {
    std::string out = "<TR>\r\n";
    for (const std::string& c : cells) out += "  <TD>" + c + "</TD>\r\n";
    return out + "</TR>\r\n";
}

std::string heading(const std::string& text) {
    return "<P ALIGN=CENTER><FONT SIZE=4 COLOR=\"RED\">" + text + "</FONT></P>";
}

class ReportDocuments : public testing_export::TinyYear {
protected:
    void SetUp() override {
        TinyYear::SetUp();
        build();
        g1 = year->FindGrypForName("Г-1");
        g2 = year->FindGrypForName("Г-2");
        g3 = year->FindGrypForName("Г-3");
        ivanov = year->FindFioForShortName("Иванов И.И.");
        petrov = year->FindFioForShortName("Петров П.П.");
        ASSERT_TRUE(g1 && g2 && g3 && ivanov && petrov);
        hub = std::make_unique<THtmlExportHub>(*year, home, hubDialog, opener);
    }
    // A document of "temp" in UTF-8, after checking that it was handed over.
    std::string opened(const std::string& name) const {
        EXPECT_EQ(opener.files, std::vector<fs::path>{hub->PathTemp / name});
        EXPECT_EQ(hub->Fil, std::vector<std::string>{name});
        return cp1251ToUtf8(readFile(hub->PathTemp / name));
    }
    std::string weekTitle(int ne) const {
        return "Неделя " + year->AllNed.GetNumberWeek(ne) + hub->WeekLabel(ne);
    }
    std::string periodHead(int y) const {
        return std::to_string(y) + "<BR>" + year->TaimYrok[static_cast<std::size_t>(y)].TnText();
    }
    // Г-1 gets week 2: mathematics with Иванов on Tuesday as in week 1, and
    // on Monday where week 1 has physics by substitution.
    void secondWeek() {
        TNed* week = g1->SetNed(2);
        TPredmet* pr = g1->LPredmet[0].get();
        TFioPredmet* fp = pr->AddFio(2, ivanov);
        pr->AddPredmetNe(kSetkaPlan, 2);
        pr->AddPredmetNe(kSetkaPlan, 2);
        TYrokKorzina* item = week->FindYrokKorzina(kSetkaPlan, pr);
        ASSERT_NE(week->AddYrRas(0, 2, 1, item, fp), nullptr);
        ASSERT_NE(week->AddYrRas(0, 1, 0, item, fp), nullptr);
    }

    TScriptedDialog hubDialog;
    TRecordingOpener opener;
    std::unique_ptr<THtmlExportHub> hub;
    TGryp* g1 = nullptr;
    TGryp* g2 = nullptr;
    TGryp* g3 = nullptr;
    TFio* ivanov = nullptr;
    TFio* petrov = nullptr;
};

// Catches a year that leaves out the group's weeks, shows a week outside the
// range, or shows the replaced lesson instead of the substitute.
TEST_F(ReportDocuments, GroupYearShowsItsStudyWeeksAsHeld) {
    secondWeek();
    ASSERT_TRUE(CreateGrypYear(*hub, *g1, 1, 52));
    const std::string page = opened(kGrypYearFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kGrypYearTitle) + "</TITLE>"), std::string::npos);
    EXPECT_NE(page.find(heading("РАСПИСАНИЕ ГРУППЫ Г-1 НА ГОД")), std::string::npos);
    EXPECT_NE(page.find(heading(weekTitle(1))), std::string::npos);
    EXPECT_NE(page.find(heading(weekTitle(2))), std::string::npos);
    EXPECT_EQ(occurrences(page, "<TABLE"), 2);
    EXPECT_NE(page.find("<TD>Физика Петров П.П. ауд.101</TD>"), std::string::npos);
    // Week 2 has mathematics on Monday; week 1's Monday shows physics only.
    EXPECT_EQ(occurrences(page, "<TD>Матем Иванов И.И.</TD>"), 3) << page;

    opener.files.clear();
    ASSERT_TRUE(CreateGrypYear(*hub, *g1, 2, 52));
    const std::string later = opened(kGrypYearFile);
    EXPECT_EQ(later.find(heading(weekTitle(1))), std::string::npos);
    EXPECT_NE(later.find(heading(weekTitle(2))), std::string::npos);
    EXPECT_EQ(later.find("Физика"), std::string::npos);

    // A group without study weeks: the heading and no table.
    opener.files.clear();
    ASSERT_TRUE(CreateGrypYear(*hub, *g3, 1, 52));
    const std::string empty = opened(kGrypYearFile);
    EXPECT_NE(empty.find(heading("РАСПИСАНИЕ ГРУППЫ Г-3 НА ГОД")), std::string::npos);
    EXPECT_EQ(empty.find("<TABLE"), std::string::npos);
    EXPECT_NE(empty.find(kNoLessonsText), std::string::npos);
    EXPECT_EQ(page.find(kNoLessonsText), std::string::npos);
}

// Catches a teacher's year that keeps the lessons a substitution took away,
// forgets the substitute's, or lists weeks the teacher does not teach.
TEST_F(ReportDocuments, TeacherYearFollowsTheSubstitutions) {
    ASSERT_TRUE(CreateFioYear(*hub, *petrov, 1, 52));
    const std::string page = opened(kFioYearFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kFioYearTitle) + "</TITLE>"), std::string::npos);
    EXPECT_NE(page.find(heading("РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ Петров Пётр Петрович НА ГОД")),
              std::string::npos);
    EXPECT_EQ(occurrences(page, heading(weekTitle(1))), 1);
    EXPECT_NE(page.find("<TD>Г-1 Физика ауд.101</TD>"), std::string::npos);

    opener.files.clear();
    ASSERT_TRUE(CreateFioYear(*hub, *ivanov, 1, 52));
    const std::string his = opened(kFioYearFile);
    EXPECT_NE(his.find("<TD>Г-1,Г-2 Матем</TD>"), std::string::npos);
    EXPECT_NE(his.find("<TD>Г-2 Матем</TD>"), std::string::npos);
    // His Monday lesson in Г-1 is given by Петров.
    EXPECT_EQ(his.find("<TD>Г-1 Матем</TD>"), std::string::npos);

    TFio* idle = teacher("Сидоров Сидор Сидорович");
    opener.files.clear();
    ASSERT_TRUE(CreateFioYear(*hub, *idle, 1, 52));
    const std::string none = opened(kFioYearFile);
    EXPECT_EQ(none.find("<TABLE"), std::string::npos);
    EXPECT_NE(none.find(kNoLessonsText), std::string::npos);
}

// Catches counts that include replaced lessons, leave out substitutions,
// merge groups or ignore the range of weeks.
TEST_F(ReportDocuments, TeacherGroupsCountTheLessonsHeld) {
    secondWeek();
    const auto his = CountFioGryp(*year, *ivanov, 1, 52);
    ASSERT_EQ(his.size(), 2u);
    EXPECT_EQ(his[0].gryp, g1);
    EXPECT_EQ(his[0].subject, "Матем");
    EXPECT_EQ(his[0].count, 3);  // Tuesday of week 1, Monday and Tuesday of week 2
    EXPECT_EQ(his[1].gryp, g2);
    EXPECT_EQ(his[1].count, 2);
    const auto firstWeek = CountFioGryp(*year, *ivanov, 1, 1);
    ASSERT_EQ(firstWeek.size(), 2u);
    EXPECT_EQ(firstWeek[0].count, 1);
    EXPECT_TRUE(CountFioGryp(*year, *ivanov, 3, 52).empty());
    const auto substitute = CountFioGryp(*year, *petrov, 1, 52);
    ASSERT_EQ(substitute.size(), 1u);
    EXPECT_EQ(substitute[0].gryp, g1);
    EXPECT_EQ(substitute[0].subject, "Физика");
    EXPECT_EQ(substitute[0].count, 1);

    ASSERT_TRUE(CreateFioGrypYear(*hub, *ivanov, 1, 52));
    const std::string page = opened(kFioGrypYearFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kFioGrypYearTitle) + "</TITLE>"),
              std::string::npos);
    EXPECT_NE(page.find("<TR>\r\n  <TD>Г-1</TD>\r\n  <TD>Матем</TD>\r\n  <TD ALIGN=RIGHT>3</TD>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<TD COLSPAN=2>Итого</TD>\r\n  <TD ALIGN=RIGHT>5</TD>"), std::string::npos);
}

// Catches a board whose cell is not the group the teacher holds then: the
// union named once per group, the substitute in the replaced one's place.
TEST_F(ReportDocuments, TeachersChessBoardHoldsTheGroups) {
    const TFioWeekCells cells(*year, 1);
    EXPECT_EQ(cells.Text(*ivanov, 2, 1), "Г-1,Г-2");
    EXPECT_EQ(cells.Text(*ivanov, 3, 0), "Г-2");
    EXPECT_EQ(cells.Text(*ivanov, 1, 0), "");
    EXPECT_EQ(cells.Text(*petrov, 1, 0), "Г-1");
    EXPECT_EQ(cells.Text(*petrov, 7, 0), "");
    EXPECT_EQ(cells.First(), 0);
    EXPECT_EQ(cells.Last(), 1);
    EXPECT_TRUE(cells.DayUsed(3));
    EXPECT_FALSE(cells.DayUsed(4));
    TFio* idle = teacher("Сидоров Сидор Сидорович");
    EXPECT_FALSE(cells.Busy(*idle));

    ASSERT_TRUE(CreateFioChess(*hub));
    const std::string page = opened(kFioChessFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kFioChessTitle) + "</TITLE>"), std::string::npos);
    EXPECT_NE(page.find("  <TH ROWSPAN=2>Преподаватель</TH>\r\n"
                        "  <TH COLSPAN=2 ALIGN=CENTER>Понедельник</TH>\r\n"
                        "  <TH COLSPAN=2 ALIGN=CENTER>Вторник</TH>\r\n"
                        "  <TH COLSPAN=2 ALIGN=CENTER>Среда</TH>\r\n</TR>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<TD ALIGN=CENTER>" + periodHead(1) + "</TD>"), std::string::npos);
    EXPECT_NE(page.find(row({"Иванов И.И.", "", "", "", "Г-1,Г-2", "Г-2", ""})), std::string::npos);
    EXPECT_NE(page.find(row({"Петров П.П.", "Г-1", "", "", "", "", ""})), std::string::npos);
    EXPECT_EQ(page.find("Сидоров"), std::string::npos);
}

// Catches a groups' board that shows a replaced lesson, the long names, or a
// row for a group without the week.
TEST_F(ReportDocuments, GroupsChessBoardShowsSubjectTeacherRoom) {
    EXPECT_EQ(GrypChessText(g1->GetNed(1)->GetYrok(0, 1, 0)), "Физика/Петров П.П./101");
    EXPECT_EQ(GrypChessText(g1->GetNed(1)->GetYrok(0, 2, 1)), "Матем/Иванов И.И.");
    EXPECT_EQ(GrypChessText(nullptr), "");

    ASSERT_TRUE(CreateGrypChess(*hub));
    const std::string page = opened(kGrypChessFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kGrypChessTitle) + "</TITLE>"), std::string::npos);
    EXPECT_NE(page.find(heading("ШАХМАТКА ГРУПП " + weekTitle(1))), std::string::npos);
    EXPECT_NE(
        page.find(row({"Г-1", "Физика/Петров П.П./101", "", "", "Матем/Иванов И.И.", "", ""})),
        std::string::npos)
        << page;
    EXPECT_NE(page.find(row({"Г-2", "", "", "", "Матем/Иванов И.И.", "Матем/Иванов И.И.", ""})),
              std::string::npos);
    EXPECT_EQ(page.find("<TD>Г-3</TD>"), std::string::npos);

    // No week chosen: the document holds no board.
    hub->Weeks.clear();
    opener.files.clear();
    ASSERT_TRUE(CreateGrypChess(*hub));
    EXPECT_EQ(opened(kGrypChessFile).find("<TABLE"), std::string::npos);
}

// Catches an entry lost because another one of the period begins with it,
// and an entry repeated.
TEST_F(ReportDocuments, GroupsChessCellKeepsEveryDistinctEntry) {
    TNed* week = g3->SetNed(1);
    TPredmet* pr = g3->CreatePredmet(g1->LPredmet[0]->YrName());
    TFioPredmet* fp = pr->AddFio(1, petrov);
    for (int i = 0; i < 3; ++i) pr->AddPredmetNe(kSetkaPlan, 1);
    TYrokKorzina* item = week->FindYrokKorzina(kSetkaPlan, pr);
    TDom* dom = room->Dom();
    TAyd* twelve = year->AddAyd(dom, "12");
    TAyd* one = year->AddAyd(dom, "1");
    ASSERT_TRUE(twelve && one);
    for (TAyd* ayd : {twelve, one, twelve}) {
        TYr* yr = week->AddYrRas(0, 5, 2, item, fp);
        ASSERT_NE(yr, nullptr);
        yr->SetAyd(ayd);
    }
    const std::string entry = "Матем/Петров П.П./";
    EXPECT_EQ(GrypChessText(week->GetYrok(0, 5, 2)), entry + "12," + entry + "1");
}

// Catches a card of the wrong day, a group left out that studies that day,
// or one without the week shown.
TEST_F(ReportDocuments, DayCardListsTheGroupsOfThatDay) {
    ASSERT_TRUE(CreateDayCard(*hub, 1, 2));
    const std::string page = opened(kDayCardFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kDayCardTitle) + "</TITLE>"), std::string::npos);
    EXPECT_NE(page.find(heading("РАСПИСАНИЕ НА " + year->AllNed.DNed(1)->GetLongStrDateDey(2))),
              std::string::npos);
    EXPECT_NE(page.find("<TH ALIGN=CENTER>" + periodHead(1) + "</TH>"), std::string::npos);
    EXPECT_EQ(page.find("<TH ALIGN=CENTER>" + periodHead(0) + "</TH>"), std::string::npos);
    EXPECT_NE(page.find(row({"Г-1", "Матем Иванов И.И."})), std::string::npos) << page;
    EXPECT_NE(page.find(row({"Г-2", "Матем Иванов И.И."})), std::string::npos);
    EXPECT_EQ(page.find("Г-3"), std::string::npos);

    opener.files.clear();
    ASSERT_TRUE(CreateDayCard(*hub, 1, 1));
    const std::string monday = opened(kDayCardFile);
    EXPECT_NE(monday.find(row({"Г-1", "Физика Петров П.П. ауд.101"})), std::string::npos);

    // A day without lessons: the headings only.
    opener.files.clear();
    ASSERT_TRUE(CreateDayCard(*hub, 1, 5));
    const std::string friday = opened(kDayCardFile);
    EXPECT_EQ(friday.find("<TABLE"), std::string::npos);
    EXPECT_NE(friday.find(kNoLessonsText), std::string::npos);
}

// Catches a stand that loses groups between tables, shows periods no group
// of the table uses, or spans the day wrongly.
TEST_F(ReportDocuments, WeekStandPutsSeveralGroupsInATable) {
    // Г-2 gets a second Wednesday lesson: that day spans two periods.
    TPredmet* pr = g2->LPredmet[0].get();
    TYrokKorzina* item = pr->AddPredmetNe(kSetkaPlan, 1);
    ASSERT_NE(g2->GetNed(1)->AddYrRas(0, 3, 1, item, pr->FindFioPredmet(1, ivanov)), nullptr);
    ASSERT_TRUE(CreateWeekStand(*hub, 1, 4));
    const std::string page = opened(kWeekStandFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kWeekStandTitle) + "</TITLE>"), std::string::npos);
    EXPECT_EQ(occurrences(page, "<TABLE"), 1);
    EXPECT_NE(page.find("  <TH>День</TH>\r\n  <TH>Пара</TH>\r\n  <TH>Г-1</TH>\r\n  <TH>Г-2</TH>\r\n"
                        "</TR>"),
              std::string::npos);
    EXPECT_NE(
        page.find(row({shortDayName(2), periodHead(1), "Матем/Иванов И.И.", "Матем/Иванов И.И."})),
        std::string::npos)
        << page;
    // Monday: only period 0 is used by either group; Wednesday 0 and 1.
    EXPECT_NE(page.find(row({shortDayName(1), periodHead(0), "Физика/Петров П.П./101", ""})),
              std::string::npos);
    EXPECT_NE(page.find("<TR>\r\n  <TD ROWSPAN=2>" + std::string(shortDayName(3)) +
                        "</TD>\r\n  <TD>" + periodHead(0) +
                        "</TD>\r\n  <TD></TD>\r\n"
                        "  <TD>Матем/Иванов И.И.</TD>\r\n</TR>\r\n" +
                        row({periodHead(1), "", "Матем/Иванов И.И."})),
              std::string::npos);
    EXPECT_EQ(occurrences(page, "<TR>"), 1 + 4);

    opener.files.clear();
    ASSERT_TRUE(CreateWeekStand(*hub, 1, 1));
    const std::string narrow = opened(kWeekStandFile);
    EXPECT_EQ(occurrences(narrow, "<TABLE"), 2);
    EXPECT_NE(narrow.find("<TH>Г-2</TH>"), std::string::npos);
    EXPECT_EQ(narrow.find("<TH>Г-3</TH>"), std::string::npos);
}

// Catches a board that marks equal cells, misses a differing one, or shows
// only one of the two weeks.
TEST_F(ReportDocuments, NumeratorStandMarksTheDifferingCells) {
    secondWeek();
    ASSERT_TRUE(CreateNumeratorStand(*hub, 1, 2));
    const std::string page = opened(kNumeratorStandFile);
    EXPECT_NE(page.find("<TITLE>" + std::string(kNumeratorStandTitle) + "</TITLE>"),
              std::string::npos);
    EXPECT_NE(page.find("<TH>" + weekTitle(1) + "</TH>\r\n  <TH>" + weekTitle(2) + "</TH>"),
              std::string::npos);
    // Г-1's Monday: physics by substitution in week 1, mathematics in week 2.
    EXPECT_NE(page.find("<TD><FONT COLOR=\"RED\">Физика Петров П.П. ауд.101</FONT></TD>\r\n"
                        "  <TD><FONT COLOR=\"RED\">Матем Иванов И.И.</FONT></TD>"),
              std::string::npos)
        << page;
    // Tuesday is the same in both weeks.
    EXPECT_NE(page.find("<TD>Матем Иванов И.И.</TD>\r\n  <TD>Матем Иванов И.И.</TD>"),
              std::string::npos);
    // Г-2 has no week 2: every lesson of its week 1 differs.
    const std::string g2part = page.substr(page.find(heading("ГРУППА Г-2")));
    EXPECT_EQ(occurrences(g2part, "<FONT COLOR=\"RED\">Матем Иванов И.И.</FONT>"), 2);
    EXPECT_EQ(occurrences(g2part, "<FONT COLOR=\"RED\">-------</FONT>"), 2);
    EXPECT_EQ(page.find("ГРУППА Г-3"), std::string::npos);
}

// The opener refusing: the document stays in "temp" and the user is told
// where; the generator reports the failure.
TEST_F(ReportDocuments, UnopenedDocumentIsReportedAndKept) {
    opener.accept = false;
    EXPECT_FALSE(CreateFioChess(*hub));
    EXPECT_TRUE(fs::exists(hub->PathTemp / kFioChessFile));
    ASSERT_FALSE(hubDialog.shown.empty());
    EXPECT_NE(hubDialog.shown.back().find((hub->PathTemp / kFioChessFile).string()),
              std::string::npos);
}

// The sample college's week with substitutions: every substitute's cell of
// the teachers' board holds the group, and the board has a row per busy
// teacher.
class SampleReports : public ::testing::Test {
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
        plan = demo::planSample(options);
        year->YGod = 2016;
        year->AllNed.SetDataGod(2016, false);
        ASSERT_TRUE(demo::buildSampleYear(plan, *year, message)) << message;
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }

    testsupport::ScratchHome scratch{"reportdemo"};
    TScriptedDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    demo::SamplePlan plan;
};

TEST_F(SampleReports, SubstitutesHoldTheirGroupsOnTheBoard) {
    const int ne = demo::kSubstitutionWeek;
    const TFioWeekCells cells(*year, ne);
    int substituted = 0;
    for (const demo::PlanSubstitution& s : plan.substitutions) {
        const TGryp* gr =
            year->FindGrypForName(plan.groups[static_cast<std::size_t>(s.group)].name);
        ASSERT_NE(gr, nullptr);
        if (s.substitute < 0) continue;
        const TFio* sub =
            year->FindFioForBigName(plan.teachers[static_cast<std::size_t>(s.substitute)].fullName);
        ASSERT_NE(sub, nullptr);
        const std::string text = cells.Text(*sub, s.day, s.period);
        EXPECT_NE(("," + text + ",").find("," + gr->Name() + ","), std::string::npos)
            << sub->Name() << " " << s.day << "/" << s.period << ": " << text;
        ++substituted;
    }
    EXPECT_GT(substituted, 0);

    TScriptedDialog hubDialog;
    TRecordingOpener opener;
    THtmlExportHub hub(*year, scratch.path(), hubDialog, opener);
    hub.Weeks = {ne};
    ASSERT_TRUE(CreateFioChess(hub));
    const std::string page = cp1251ToUtf8(readFile(hub.PathTemp / kFioChessFile));
    // One row per teacher holding a lesson that week.
    int busy = 0;
    for (const auto& fio : year->LFio) busy += cells.Busy(*fio) ? 1 : 0;
    EXPECT_GT(busy, 0);
    EXPECT_EQ(occurrences(page, "<TR>\r\n  <TD>"), busy);
}

}  // namespace
}  // namespace zavlin::exporting
