// The study calendar (weeks to dates, week and day texts), the semesters and
// study schedule of a group, and the academic years over a scratch database.
#include "model/calendar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/my_dialog.h"
#include "model/god.h"
#include "model/group.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

TAllNed& calendarOf(TAllNed& ned, int year, bool saturdayStudy, int lengthSemestr = 52) {
    ned.FLengthSemestr = static_cast<uint8_t>(lengthSemestr);
    ned.SetDataGod(year, saturdayStudy);
    return ned;
}

// --- weeks and dates

// Catches a wrong weekday rule: each case is a different branch of it.
TEST(CalendarWeeks, WeekOneStartsOnTheMondayTheSaturdayRuleGives) {
    struct Case {
        int year;
        bool saturday;
        int32_t monday;
    } cases[] = {
        {2019, true, encodeDate(2019, 9, 2)},    // 1 September a Sunday
        {2019, false, encodeDate(2019, 9, 2)},   //
        {2018, true, encodeDate(2018, 8, 27)},   // a Saturday: back to its Monday
        {2018, false, encodeDate(2018, 9, 3)},   // ... or on to the next one
        {2016, true, encodeDate(2016, 8, 29)},   // a Thursday
        {2016, false, encodeDate(2016, 8, 29)},  //
        {2014, false, encodeDate(2014, 9, 1)},   // a Monday stays
    };
    for (const Case& c : cases) {
        TAllNed ned;
        calendarOf(ned, c.year, c.saturday);
        SCOPED_TRACE(c.year);
        EXPECT_EQ(ned.Dg, c.monday);
        EXPECT_EQ(ned.DNed(1)->Dt, c.monday);
        EXPECT_EQ(isoWeekday(ned.Dg), 1);
        EXPECT_EQ(ned.DNed(56)->Dt, c.monday + 7 * 55);
        EXPECT_EQ(ned.Date09_01(), encodeDate(c.year, 9, 1));
    }
    TAllNed ned;
    EXPECT_EQ(ned.DNed(0), nullptr);
    EXPECT_EQ(ned.DNed(57), nullptr);
    EXPECT_EQ(ned.CountDNed(), 56);
}

// Catches the Latin/Cyrillic mix-up and the off-by-one at the semester edge.
TEST(CalendarWeeks, LabelsFollowTheFirstSemesterLength) {
    TAllNed ned;
    calendarOf(ned, 2019, false, 20);
    EXPECT_EQ(ned.GetNumberWeek(21), "1(2c)");
    EXPECT_EQ(ned.GetNumberWeek(5), "5(1c)");
    EXPECT_EQ(ned.GetNumberWeek(20), "20(1c)");
    EXPECT_EQ(ned.GetNumberWeek(52), "32(2c)");
    EXPECT_EQ(ned.GetNumberWeek(54), "2доп.");
    EXPECT_EQ(ned.GetNumberWeek(53), "1доп.");
    EXPECT_EQ(ned.GetNumberWeek(21).find("\xD1\x81"), std::string::npos);  // Cyrillic с
    ned.FLengthSemestr = 52;
    EXPECT_EQ(ned.GetNumberWeek(5), "5");
    EXPECT_EQ(ned.GetNumberWeek(52), "52");
    EXPECT_EQ(ned.GetNumberWeek(56), "4доп.");
}

TEST(CalendarWeeks, WeekTextsNameTheirDays) {
    TAllNed ned;
    calendarOf(ned, 2019, false, 20);
    const TDNed& w1 = *ned.DNed(1);
    EXPECT_EQ(w1.GetStrDateNed(), "N1(1c) c 2/09/19 по 8/09/19");
    EXPECT_EQ(ned.DNed(21)->GetStrDateNed(), "N1(2c) c 20/01/20 по 26/01/20");
    EXPECT_EQ(ned.DNed(53)->GetStrDateNed(), "N1доп. c 31/08/20 по 6/09/201Допонительная");
    EXPECT_EQ(w1.GetShortStrDateNed(), " с 2/09/19 по 8/09/19");
    EXPECT_EQ(w1.GetShortStrDateNed(1), " с 02.09.2019 по 08.09.2019");
    // Dt1/Dt6 narrow the week only when both are set.
    ned.DNed(1)->Dt1 = 2;
    EXPECT_EQ(w1.GetStrDateNed(), "N1(1c) c 2/09/19 по 8/09/19");
    ned.DNed(1)->Dt6 = 5;
    EXPECT_EQ(w1.GetStrDateNed(), "N1(1c) c 3/09/19 по 6/09/19");
    EXPECT_EQ(w1.GetShortStrDateNed(), " с 3/09/19 по 6/09/19");

    struct Dop {
        int week, vid1, vid2, vid3;
        const char* text;
    } dops[] = {
        {53, 0, 0, 0, "1Допонительная"},
        {54, 0, 1, 0, "Знаменатель"},
        {53, 1, 1, 3, "Числитель(осенний семестр)"},
        {55, 0, 2, 3, "Нечётная(весенний семестр)"},
        {56, 0, 2, 1, "Чётная(осенний семестр)"},
        {54, 0, 0, 2, "2Допонительная(весенний семестр)"},
        {56, 0, 1, 3, "Знаменатель(весенний семестр)"},
        {55, 0, 0, 4, "3Допонительная"},
    };
    for (const Dop& d : dops)
        EXPECT_EQ(ned.DNed(d.week)->GetShortStrDateNed(d.vid1, d.vid2, d.vid3), d.text) << d.week;

    const TDNed& w2 = *ned.DNed(2);
    EXPECT_EQ(w2.GetStrDateDey(3), "11/09/19");
    EXPECT_EQ(w2.GetStrDateDey(3, 1), "11.09.2019");
    EXPECT_EQ(w2.GetStrDateShortDey(1), "9/09");
    EXPECT_EQ(w2.GetStrDateShortDey(1, 1), "09.09");
    EXPECT_EQ(w2.GetLongStrDateDey(6), "14/09/19 Суббота");
    EXPECT_EQ(w2.GetLongStrDateDey(7), "15/09/19 Воскресенье");
    const TDNed& w54 = *ned.DNed(54);
    EXPECT_EQ(w54.GetStrDateDey(2), "2Доп. Вторник");
    EXPECT_EQ(w54.GetStrDateDey(2, 0, 1), "Знаменатель Вторник");
    EXPECT_EQ(w54.GetStrDateDey(1, 0, 2), "Чётная Понедельник");
    EXPECT_EQ(ned.DNed(55)->GetLongStrDateDey(7), "3Доп. Воскресенье");
    EXPECT_EQ(ned.DNed(53)->GetStrDateShortDey(3), "1Доп. Среда");
}

TEST(CalendarWeeks, ListLinesRunFromMondayToTheDayBeforeTheNextWeek) {
    TAllNed ned;
    calendarOf(ned, 2018, true, 17);
    const TListBoxN lines = ned.DateGodToListBoxN();
    ASSERT_EQ(lines.size(), 56u);
    EXPECT_EQ(lines[0], (std::pair<std::string, int>{"1(1c) c 27/08/18 по 2/09/18", 1}));
    EXPECT_EQ(lines[17], (std::pair<std::string, int>{"1(2c) c 24/12/18 по 30/12/18", 18}));
    EXPECT_EQ(lines[52], (std::pair<std::string, int>{"1Допонительная", 53}));
    EXPECT_EQ(lines[55].second, 56);
    const std::vector<std::string> memo = ned.DateGodToMemo();
    ASSERT_EQ(memo.size(), 56u);
    EXPECT_EQ(memo[1], "2(1c) c 3/09/18 по 9/09/18");
}

// Catches the wrong year for spring months, Sundays counted as study days and
// dates outside weeks 1-52 given a week.
TEST(CalendarWeeks, DatesFindTheirWeekAndDay) {
    TAllNed ned;
    calendarOf(ned, 2019, false);
    struct Case {
        int day, month, week, dey, week7, dey7;
    } cases[] = {
        {2, 9, 1, 1, 1, 1},                            // week 1's Monday
        {7, 9, 1, 6, 1, 6},                            // its Saturday
        {8, 9, 0, 0, 1, 7},                            // its Sunday
        {1, 9, 0, 0, 0, 0},                            // before week 1
        {15, 1, 20, 3, 20, 3},                         // January is the next calendar year
        {29, 2, 26, 6, 26, 6},                         // 2020 is a leap year
        {30, 2, 0, 0, 0, 0},                           // no such day
        {31, 9, 0, 0, 0, 0},   {29, 8, 52, 6, 52, 6},  // the last Saturday of week 52
        {31, 8, 0, 0, 0, 0},                           // week 53 has no dates
        {1, 13, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        int nn = -1;
        int nd = -1;
        SCOPED_TRACE(std::to_string(c.day) + "." + std::to_string(c.month));
        EXPECT_EQ(ned.GetNedDey(c.day, c.month, nn, nd), c.week != 0);
        EXPECT_EQ(nn, c.week);
        EXPECT_EQ(nd, c.dey);
        EXPECT_EQ(ned.GetNedDey7(c.day, c.month, nn, nd), c.week7 != 0);
        EXPECT_EQ(nn, c.week7);
        EXPECT_EQ(nd, c.dey7);
    }
    TAllNed y2018;
    calendarOf(y2018, 2018, false);
    int nn = -1;
    int nd = -1;
    EXPECT_FALSE(y2018.GetNedDey(29, 2, nn, nd));  // 2019 is not
}

TEST(CalendarWeeks, ActiveWeeksCountListAndExpand) {
    TAllNed ned;
    calendarOf(ned, 2019, false);
    EXPECT_EQ(ned.PreselectActiv(), std::vector<int>{1});  // none active: week 1 is
    EXPECT_TRUE(ned.DNed(1)->Activ);
    ned.SetActivWeeks({2, 3, 54, 0, 57});
    EXPECT_FALSE(ned.DNed(1)->Activ);
    EXPECT_EQ(ned.CountActivDNed(), 3);
    EXPECT_EQ(ned.CountActivDNedNoDop(), 2);
    EXPECT_EQ(ned.CountActivDNedOnlyDop(), 1);
    EXPECT_EQ(ned.PreselectActiv(), (std::vector<int>{2, 3, 54}));
    EXPECT_EQ(ned.ActivDNedToStr(),
              " с 9/09/19 по 15/09/19, с 16/09/19 по 22/09/19,2Допонительная");
    const auto days = ned.ActivDNedToArray();
    ASSERT_EQ(days.size(), 18u);
    EXPECT_EQ(days.front(), (std::pair<int, int>{2, 1}));
    EXPECT_EQ(days[6], (std::pair<int, int>{3, 1}));
    EXPECT_EQ(days.back(), (std::pair<int, int>{54, 6}));
}

// --- a group's semesters and study schedule

class GroupCalendar : public ::testing::Test {
protected:
    void setYear(int year, bool saturday = false) {
        spisok.YGod = static_cast<uint16_t>(year);
        spisok.AllNed.SetDataGod(year, saturday);
    }
    TGryp* newGroup() {
        spisok.LGryp.push_back(std::make_unique<TGryp>(&spisok));
        return spisok.LGryp.back().get();
    }

    TYrName name{"Матем", ""};  // outlives the subjects that hold it
    TSpisok spisok;
};

TEST_F(GroupCalendar, SecondSemesterDateStaysInsideTheYear) {
    setYear(2019);
    TGryp& gr = *newGroup();
    gr.SetDateSemm2(encodeDate(2020, 7, 15));
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2020, 7, 15));
    EXPECT_EQ(gr.StrDateSemm2(), "15.07.2020");
    gr.SetDateSemm2(encodeDate(2020, 8, 15));
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2020, 8, 1));  // a Saturday
    gr.SetDateSemm2(encodeDate(2020, 2, 2));            // a Sunday
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2020, 2, 3));
    gr.SetDateSemm2(encodeDate(2019, 6, 1));  // before 1 September, itself a Sunday
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2019, 9, 2));
    gr.SetDateSemm2(0);
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2020, 1, 1));
    EXPECT_EQ(gr.StrDateSemm2(), "01.01.2020");

    setYear(2020);  // 1 August 2021 is a Sunday
    gr.SetDateSemm2(encodeDate(2021, 8, 15));
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2021, 8, 2));
}

// Catches semesters that split a week on a mid-week start or count week 52
// twice.
TEST_F(GroupCalendar, SemestersSplitTheWeeksAtTheSecondSemesterStart) {
    setYear(2019);  // week 1 from 2 September 2019
    TGryp& gr = *newGroup();
    for (int day : {3, 5, 9}) {  // Monday, Wednesday, Sunday of week 23
        SCOPED_TRACE(day);
        gr.Dan.DateSemm2 = encodeDate(2020, 2, day);
        EXPECT_EQ(gr.NedStartSemm(1), 1);
        EXPECT_EQ(gr.NedStartSemm(2), 23);
        EXPECT_EQ(gr.CountNedSemm(1), 22);
        EXPECT_EQ(gr.CountNedSemm(2), 30);
    }
    int n1 = 0;
    int n2 = 0;
    gr.NedStartEnd(1, n1, n2);
    EXPECT_EQ((std::pair{n1, n2}), (std::pair{1, 22}));
    gr.NedStartEnd(2, n1, n2);
    EXPECT_EQ((std::pair{n1, n2}), (std::pair{23, 52}));
    gr.NedStartEnd(0, n1, n2);
    EXPECT_EQ((std::pair{n1, n2}), (std::pair{1, 52}));

    gr.Dan.DateSemm2 = encodeDate(2020, 2, 10);  // Monday of week 24
    EXPECT_EQ(gr.NedStartSemm(2), 24);
    // A date past week 52 (as an old blob may hold) leaves no second semester.
    gr.Dan.DateSemm2 = encodeDate(2020, 9, 20);
    EXPECT_EQ(gr.CountNedSemm(1), 52);
    EXPECT_EQ(gr.CountNedSemm(2), 0);
}

// Positions count from 1 September (position 1). 2019: 1 September is a
// Sunday, weeks 1-4 run from 2, 9, 16 and 23 September.
TEST_F(GroupCalendar, ScheduleSetsStudyDaysAndTheSecondSemester) {
    setYear(2019);
    TGryp& gr = *newGroup();
    gr.SetNed(3);  // no load: goes when its Saturday leaves it without days
    gr.SetNed(5);  // with load: stays
    TPredmet* pr = gr.CreatePredmet(&name);
    ASSERT_NE(pr->AddPredmetNe(kSetkaPlan, 5), nullptr);
    const std::string graf = std::string("Х") + "УУУУУУ" + "Х" + "ККУУКК" + "Х" + "КККККК" + "Х" +
                             "УУУУУК" + "Х" + "КККККК";
    int s1 = -1;
    int s2 = -1;
    gr.GrafToNed(graf, 25, s1, s2);  // position 25 = Wednesday 25 September
    EXPECT_EQ(s1, 6 + 2 + 2);
    EXPECT_EQ(s2, 3);
    EXPECT_EQ(gr.GetNedDey(1), 0b1111111);
    EXPECT_EQ(gr.GetNedDey(2), 0b0011001);  // Wednesday and Thursday
    EXPECT_EQ(gr.GetNed(3), nullptr);
    EXPECT_EQ(gr.GetNedDey(4), 0b0111111);
    ASSERT_NE(gr.GetNed(5), nullptr);
    EXPECT_EQ(gr.CountRunDey(5), 0);
    EXPECT_EQ(gr.GetNed(6), nullptr);
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2019, 9, 25));

    // Without a second-semester day (0 or below) everything counts in the
    // first: a schedule of one half-year has no second one, and the import
    // gives a half-year with study days its additional weeks.
    for (int none : {0, -1}) {
        TGryp& other = *newGroup();
        const int before = other.DateSemm2();
        other.GrafToNed(graf, none, s1, s2);
        EXPECT_EQ(s1, 13) << none;
        EXPECT_EQ(s2, 0) << none;
        EXPECT_EQ(other.DateSemm2(), before) << none;
    }
}

TEST_F(GroupCalendar, ScheduleDaysOutsideTheWeeksAreNotCounted) {
    setYear(2018, false);  // 1 September a Saturday: week 1 from 3 September
    TGryp& gr = *newGroup();
    int s1 = 0;
    int s2 = 0;
    gr.GrafToNed("УУУY", 0, s1, s2);  // Sat, Sun, Mon, and a Latin Y
    EXPECT_EQ(s1, 1);
    EXPECT_EQ(gr.GetNedDey(1), 0b1111011);  // only Tuesday switched off
}

// --- academic years in a scratch database

struct ProgressLog : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { texts.push_back(text); }
    bool saw(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::vector<std::string> texts;
};

class Years : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        reopen();
    }
    void TearDown() override {
        years.reset();
        dm.reset();
    }
    // A fresh data module and year list, as at the next start.
    void reopen() {
        years.reset();
        dm = std::make_unique<TDM1>(home, dialog);
        dm->Hooks.ProgressObserver = &progress;
        years = std::make_unique<TAllGod>(*dm);
        ASSERT_TRUE(years->ReadListGod());
    }
    std::unique_ptr<TGod> loaded(int year) {
        auto god = years->CreateGod(years->GetIndexGod(year));
        EXPECT_NE(god, nullptr);
        if (god) {
            EXPECT_TRUE(god->Load());
        }
        return god;
    }
    std::vector<int> listed() const {
        std::vector<int> out;
        for (const auto& rec : years->SL) out.push_back(rec->yGod);
        return out;
    }

    // A year with a faculty, subjects, teachers, two groups (one with load in
    // week 1), a coloured building and a special room bound to a teacher.
    void fill(TGod& god) {
        auto fak = std::make_unique<TFak>(static_cast<TSpisok*>(&god));
        fak->SetName("Очное");
        TFak* faculty = god.AddFak(std::move(fak));
        ASSERT_NE(faculty, nullptr);
        TYrName* math = god.CreateYrName("Матем", "Математика");
        ASSERT_TRUE(god.AddYrName(math));
        ASSERT_TRUE(god.AddYrName(god.CreateYrName("Физика", "")));
        auto fio = std::make_unique<TFio>();
        fio->SetBigName("Иванов Иван Иванович");
        fio->SetRday(4);
        fio->SetDolg("доцент");
        fio->Dan.Op[2][3] = 0;
        TFio* teacher = god.AddFio(std::move(fio));
        ASSERT_NE(teacher, nullptr);
        for (const char* name : {"ИС-11", "ИС-12"}) {
            auto gr = std::make_unique<TGryp>(static_cast<TSpisok*>(&god));
            gr->SetName(name);
            gr->Dan.Ks = 25;
            gr->Dan.TimeDay = 2;
            gr->Dan.Kyrs = 3;
            gr->Dan.arRDeyNed = {1, 1, 1, 1, 1, 0, 0};
            TGryp* added = god.AddGryp(std::move(gr));
            ASSERT_NE(added, nullptr);
            added->SetDateSemm2(encodeDate(god.YGod + 1, 2, 3));
            TPredmet* pr = added->CreatePredmet(math);
            pr->Dan.Sem1 = 34;
            pr->Dan.Sem2 = 40;
            pr->Dan.Spar = 2;
            added->SetNed(1);
            ASSERT_NE(pr->AddPredmetNe(kSetkaPlan, 1), nullptr);
        }
        ASSERT_TRUE(god.AddFakGryp(faculty, god.LGryp[1].get()));
        TDom* dom = god.AddDom("Корпус 2");
        ASSERT_NE(dom, nullptr);
        dom->ColorFont = 5;
        ASSERT_TRUE(god.AddDom(dom));
        TAyd* ayd = god.CreateAyd(dom, "214");
        ayd->kv = 30;
        ayd->SetSpecAyd(true);
        ayd->AddFio(teacher);
        ASSERT_TRUE(god.AddAyd(ayd));
        ASSERT_TRUE(god.SaveRasp());
    }

    testsupport::ScratchHome scratch{"years"};
    std::string home;
    TScriptedDialog dialog;
    ProgressLog progress;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllGod> years;
};

TEST_F(Years, YearsAreListedInOrderAndFoundByNumber) {
    EXPECT_EQ(years->AddGod(2017), 0);
    EXPECT_EQ(years->AddGod(2015), 0);
    EXPECT_EQ(years->AddGod(2016), 1);
    EXPECT_EQ(years->AddGod(2016), -1);  // no second row for a year
    EXPECT_EQ(listed(), (std::vector<int>{2015, 2016, 2017}));
    EXPECT_EQ(years->RecordGod(1)->Name(), "2016-2017");
    EXPECT_FALSE(years->TestNewGod(2015));
    EXPECT_TRUE(years->TestNewGod(2018));
    EXPECT_EQ(years->GetIndexGod(2018), -1);
    EXPECT_EQ(years->TestPriorGod(2017), 1);
    EXPECT_EQ(years->TestPriorGod(2030), 2);
    EXPECT_EQ(years->TestPriorGod(2015), -1);
    reopen();
    EXPECT_EQ(listed(), (std::vector<int>{2015, 2016, 2017}));
    EXPECT_EQ(years->RecordGod(3), nullptr);
}

// Catches: a year outside 1900..3000 stored (the verbs then showed "1999/0"
// style labels), or the bounds themselves refused.
TEST_F(Years, OnlyYearsFrom1900To3000AreAdded) {
    for (int y : {0, 1, 1899, 3001, 9998}) EXPECT_EQ(years->AddGod(y), -1) << y;
    EXPECT_GE(years->AddGod(1900), 0);
    EXPECT_GE(years->AddGod(3000), 0);
    reopen();
    EXPECT_EQ(listed(), (std::vector<int>{1900, 3000}));
}

// Catches: a year reported active while god.Ini could not take it, so that
// the next start opens another year.
TEST_F(Years, AnActiveYearTheSettingsCannotTakeIsAFailure) {
    ASSERT_GE(years->AddGod(2016), 0);
    ASSERT_GE(years->AddGod(2017), 0);
    ASSERT_TRUE(years->SetActivGod(years->GetIndexGod(2016)));
    // The settings are saved through "god.Ini.new": a folder there stops it.
    const fs::path blocker = dm->FGodini.FullFileName().string() + ".new";
    fs::create_directories(blocker / "kept");
    EXPECT_FALSE(years->SetActivGod(years->GetIndexGod(2017)));
    fs::remove_all(blocker);
    TScriptedDialog otherDialog;
    TDM1 other(home, otherDialog);
    EXPECT_EQ(other.FGodini.ReadInteger("God", "ActivGod", 0), 2016);
    EXPECT_TRUE(years->SetActivGod(years->GetIndexGod(2017)));
    TDM1 after(home, otherDialog);
    EXPECT_EQ(after.FGodini.ReadInteger("God", "ActivGod", 0), 2017);
}

TEST_F(Years, TheActiveYearIsRememberedAndLoaded) {
    ASSERT_GE(years->AddGod(2016), 0);
    ASSERT_GE(years->AddGod(2017), 0);
    EXPECT_EQ(years->God(), nullptr);
    ASSERT_TRUE(years->SetActivGod(years->GetIndexGod(2017)));
    ASSERT_NE(years->God(), nullptr);
    EXPECT_EQ(years->God()->YGod, 2017);
    EXPECT_EQ(years->God()->Name(), "2017-18");
    EXPECT_EQ(years->God()->AllNed.YGod, 2017);
    fill(*years->God());

    reopen();
    ASSERT_TRUE(years->AllGodLoad());
    ASSERT_NE(years->God(), nullptr);
    EXPECT_EQ(years->ActivIndx(), 1);
    EXPECT_EQ(years->God()->CountGryp(), 2);
    EXPECT_EQ(dm->FGodini.ReadString("God", "RunSubb"), "2");  // missing: written as 2
    EXPECT_FALSE(years->SetActivGod(5));
    EXPECT_EQ(years->God()->YGod, 2017);  // a wrong choice keeps the year
}

TEST_F(Years, DeletingAYearRemovesOnlyItsRowsAndSettings) {
    ASSERT_GE(years->AddGod(2016), 0);
    ASSERT_GE(years->AddGod(2017), 0);
    for (int year : {2016, 2017}) {
        auto god = years->CreateGod(years->GetIndexGod(year));
        fill(*god);
        god->AllNed.SetActivWeeks({1, 2});
        ASSERT_TRUE(god->AllNed.SaveDataGod());
    }
    ASSERT_TRUE(years->SetActivGod(years->GetIndexGod(2016)));
    ASSERT_TRUE(years->DelGod(years->GetIndexGod(2016)));
    EXPECT_EQ(years->God(), nullptr);
    EXPECT_EQ(dm->FGodini.ReadInteger("God", "ActivGod", -1), 0);
    EXPECT_EQ(listed(), std::vector<int>{2017});
    const auto sections = dm->FGodini.ReadSections();
    EXPECT_EQ(std::count(sections.begin(), sections.end(), "YhGod2016"), 0);
    EXPECT_EQ(std::count(sections.begin(), sections.end(), "YhGod2017"), 1);

    reopen();
    EXPECT_EQ(listed(), std::vector<int>{2017});
    auto kept = loaded(2017);
    EXPECT_EQ(kept->CountGryp(), 2);
    EXPECT_EQ(kept->CountFio(), 1);
    EXPECT_EQ(kept->CountAyd(), 1);
    EXPECT_EQ(kept->AllNed.CountActivDNed(), 2);
    TGod gone(*dm);
    gone.YGod = 2016;
    ASSERT_TRUE(gone.Load());
    EXPECT_EQ(
        gone.CountGryp() + gone.CountFio() + gone.CountYrName() + gone.CountFak() + gone.CountAyd(),
        0);

    // Made active by an earlier run, not this one: still no longer named.
    ASSERT_TRUE(years->SetActivGod(years->GetIndexGod(2017)));
    reopen();
    ASSERT_TRUE(years->DelGod(years->GetIndexGod(2017)));
    EXPECT_EQ(dm->FGodini.ReadInteger("God", "ActivGod", -1), 0);
}

// Catches entries copied without their data, references left pointing into
// the old year, copied timetables and a copy that adds to what the target held.
TEST_F(Years, CopyingAYearCarriesItsListsButNotItsTimetable) {
    ASSERT_GE(years->AddGod(2016), 0);
    ASSERT_TRUE(years->SetActivGod(0));
    fill(*years->God());
    const int target = years->AddGod(2017);
    ASSERT_GE(target, 0);
    progress.texts.clear();
    ASSERT_TRUE(years->AssignGod(years->GetIndexGod(2016), target));
    for (const char* text : {"Факультеты", "Предметы", "Предмет Матем", "Преподаватели",
                             "Преподаватель Иванов И.И.", "Группы", "Группа ИС-11", "Здания"})
        EXPECT_TRUE(progress.saw(text)) << text;
    // Twice: the second copy replaces the first.
    ASSERT_TRUE(years->AssignGod(years->GetIndexGod(2016), target));

    reopen();
    auto copy = loaded(2017);
    ASSERT_EQ(copy->CountFak(), 1);
    ASSERT_EQ(copy->CountYrName(), 2);
    ASSERT_EQ(copy->CountFio(), 1);
    ASSERT_EQ(copy->CountGryp(), 2);
    ASSERT_EQ(copy->CountDom(), 2);  // with the unnamed one the first load gave 2016
    EXPECT_NE(copy->FindDom(""), nullptr);
    ASSERT_EQ(copy->CountAyd(), 1);

    TYrName* math = copy->FindYrNameForName("Матем");
    ASSERT_NE(math, nullptr);
    EXPECT_EQ(math->BigName(), "Математика");
    EXPECT_EQ(copy->FindYrNameForName("Физика")->BigName(), "Физика");
    const TFio& fio = *copy->LFio[0];
    EXPECT_EQ(fio.BigName(), "Иванов Иван Иванович");
    EXPECT_EQ(fio.Rday(), 4);
    EXPECT_EQ(fio.Dolg(), "доцент");
    EXPECT_EQ(fio.Dan.Op[2][3], 0);
    EXPECT_EQ(fio.Dan.Op[2][4], 1);

    const TGryp& gr = *copy->LGryp[1];
    EXPECT_EQ(gr.Name(), "ИС-12");
    EXPECT_EQ(gr.Dan.Ks, 25);
    EXPECT_EQ(gr.Dan.TimeDay, 2);
    EXPECT_EQ(gr.Dan.Kyrs, 3);
    EXPECT_EQ(gr.Dan.arRDeyNed, (std::array<uint8_t, 7>{1, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(gr.DateSemm2(), encodeDate(2018, 2, 3));  // moved into the new year
    EXPECT_TRUE(gr.LNed.empty());
    ASSERT_EQ(gr.CountPredmet(), 1);
    const TPredmet& pr = *gr.LPredmet[0];
    EXPECT_EQ(pr.YrName(), math);
    EXPECT_EQ(pr.Dan.Sem1, 34);
    EXPECT_EQ(pr.Dan.Sem2, 40);
    EXPECT_EQ(pr.Dan.Spar, 2);
    EXPECT_EQ(copy->LFak[0]->Name(), "Очное");
    EXPECT_EQ(copy->LFak[0]->LGryp, std::vector<TGryp*>{copy->LGryp[1].get()});

    const TAyd& ayd = *copy->LAyd[0];
    EXPECT_EQ(ayd.Name(), "214");
    EXPECT_EQ(ayd.kv, 30);
    EXPECT_TRUE(ayd.SpecAyd());
    ASSERT_NE(ayd.Dom(), nullptr);
    EXPECT_EQ(ayd.Dom()->Name(), "Корпус 2");
    EXPECT_EQ(ayd.Dom()->ColorFont, 5);
    EXPECT_EQ(ayd.LFio, std::vector<TFio*>{copy->LFio[0].get()});

    auto original = loaded(2016);
    EXPECT_EQ(original->CountGryp(), 2);
    EXPECT_EQ(original->LGryp[0]->LNed.size(), 1u);
    EXPECT_NE(original->FindYrNameForName("Матем")->N, math->N);
}

TEST_F(Years, SettingsGoToTheYearSettingsFile) {
    ASSERT_GE(years->AddGod(2018), 0);
    auto god = years->CreateGod(0);
    EXPECT_FALSE(god->FRunSubb);
    EXPECT_EQ(god->AllNed.Dg, encodeDate(2018, 9, 3));
    ASSERT_TRUE(god->SetDataGod(true));
    EXPECT_EQ(god->AllNed.Dg, encodeDate(2018, 8, 27));
    EXPECT_EQ(dm->FGodini.ReadString("YhGod2018", "RunSubb"), "7");
    ASSERT_TRUE(god->SetLengthSemestr(20));
    god->AllNed.SetActivWeeks({1, 21, 56});
    ASSERT_TRUE(god->AllNed.SaveDataGod());
    EXPECT_EQ(dm->FGodini.ReadString("YhGod2018", "Week"),
              "1" + std::string(19, '0') + "1" + std::string(34, '0') + "1");

    god.reset();
    reopen();
    god = years->CreateGod(0);  // the year's own setting beats the default
    EXPECT_TRUE(god->FRunSubb);
    EXPECT_EQ(god->AllNed.Dg, encodeDate(2018, 8, 27));
    EXPECT_EQ(god->FLengthSemestr, 20);
    EXPECT_EQ(god->GetNumberWeek(21), "1(2c)");
    EXPECT_EQ(god->AllNed.CountActivDNed(), 3);
    ASSERT_TRUE(god->SetDataGod(false));
    EXPECT_EQ(dm->FGodini.ReadString("YhGod2018", "RunSubb"), "2");

    // A shorter flag text leaves the remaining weeks as they are.
    ASSERT_TRUE(dm->FGodini.WriteString("YhGod2018", "Week", "01"));
    god->AllNed.SetDataGod(2018, false);
    EXPECT_FALSE(god->AllNed.DNed(1)->Activ);
    EXPECT_TRUE(god->AllNed.DNed(2)->Activ);
    EXPECT_TRUE(god->AllNed.DNed(21)->Activ);

    for (const char* length : {"0", "53", "x"}) {
        ASSERT_TRUE(dm->FGodini.WriteString("God", "Semestr2018", length));
        EXPECT_EQ(TGod::ReadLengthSemestr(dm->FGodini, 2018), 52) << length;
    }
}

// Catches: times assumed where the file states none, a missing length taken
// from anywhere but 0, or a new database that states no times.
TEST_F(Years, LessonTimesAreWhatTheFileStates) {
    // A new database states 07:15 + 105 n, 90 minutes; 24:45 and 26:30 are no
    // times of day, so periods 10 and 11 are not in use.
    years->LoadTimeYrok();
    const std::vector<std::string> stated{
        "0  07:15  01:30", "1  09:00  01:30", "2  10:45  01:30",  "3  12:30  01:30",
        "4  14:15  01:30", "5  16:00  01:30", "6  17:45  01:30",  "7  19:30  01:30",
        "8  21:15  01:30", "9  23:00  01:30", "10  00:00  00:00", "11  00:00  00:00"};
    EXPECT_EQ(years->TimeYrorToListBoxN(), stated);

    // Without the section every period reads 0 and is out of use; a start
    // without its length has none.
    ASSERT_TRUE(dm->FGodini.EraseSection("Time"));
    ASSERT_TRUE(dm->FGodini.WriteInteger("Time", "Yrok2", 600));
    years->LoadTimeYrok();
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(years->GetTimeYrok(i).Tn(), i == 2 ? 600 : 0) << i;
        EXPECT_EQ(years->GetTimeYrok(i).Td(), 0) << i;
        EXPECT_EQ(years->GetTimeYrok(i).N, i);
    }
    ASSERT_GE(years->AddGod(2016), 0);
    ASSERT_TRUE(years->SetActivGod(0));
    EXPECT_EQ(years->God()->TaimYrok[0].Tn(), 0) << "the loaded year reads the file too";
    EXPECT_EQ(years->God()->TaimYrok[2].Tn(), 600);
}

TEST_F(Years, LessonTimesAreWrittenBackAndReadAgain) {
    years->LoadTimeYrok();
    EXPECT_EQ(years->GetTimeYrok(1).Tn(), 540);
    years->GetTimeYrok(1).SetTn(8 * 60 + 30);
    years->GetTimeYrok(1).SetTd(80);
    ASSERT_TRUE(years->SaveTimeYrok());
    EXPECT_EQ(dm->FGodini.ReadInteger("Time", "Yrok1"), 510);
    EXPECT_EQ(dm->FGodini.ReadInteger("Time", "LYrok1"), 80);
    ASSERT_TRUE(dm->FGodini.WriteInteger("Time", "Yrok11", 1440));  // no time of day

    reopen();
    ASSERT_GE(years->AddGod(2016), 0);
    ASSERT_TRUE(years->AllGodLoad());
    EXPECT_EQ(years->TimeYrorToListBoxN()[1], "1  08:30  01:20");
    EXPECT_EQ(years->GetTimeYrok(11).Tn(), 0);
    EXPECT_EQ(years->GetTimeYrok(11).Td(), 0);
    ASSERT_TRUE(years->SetActivGod(0));
    EXPECT_EQ(years->God()->TaimYrok[1].Tn(), 510);  // the year sees the list's times
}

}  // namespace
}  // namespace zavlin
