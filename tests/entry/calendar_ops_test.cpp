// The calendar window's rules on a hand-built year: study weeks made, taken
// and toggled, study days per date with their refusal, the main study days
// and second-semester start of several groups, the first semester's length.
#include "entry/calendar_ops.h"

#include <gtest/gtest.h>

#include "base/datetime.h"
#include "base/file_system.h"
#include "model/calendar.h"
#include "model/year_fixture.h"

namespace zavlin::entry {
namespace {

using testing_year::YearFixture;

class CalendarOps : public YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        year->AllNed.SetDataGod(2016, false);
        a = group("ИС-11");
        b = group("ИС-12");
        b->Dan.arRDeyNed = {9, 9, 9, 9, 9, 0, 0};  // a five-day group
    }

    std::array<bool, kDayCount> days(std::initializer_list<int> on) {
        std::array<bool, kDayCount> result{};
        for (int d : on) result[static_cast<std::size_t>(d - 1)] = true;
        return result;
    }

    TGryp* a = nullptr;
    TGryp* b = nullptr;
};

// Catches new weeks without the group's own days, a week counted twice, or
// the additional weeks counted as days of the year.
TEST_F(CalendarOps, StudyWeeksTakeTheGroupsMainDays) {
    EXPECT_EQ(makeStudyWeeks({{a, 1}, {a, 2}, {b, 1}, {b, 53}, {a, 0}, {a, 57}, {nullptr, 3}}), 4);
    EXPECT_EQ(makeStudyWeeks({{a, 1}, {b, 1}}), 0) << "study weeks already";
    EXPECT_EQ(calendarCellText(*a, 1), "6");
    EXPECT_EQ(calendarCellText(*b, 1), "5");
    EXPECT_EQ(calendarCellText(*a, 3), "");
    EXPECT_EQ(countStudyDaysYear(*a), 12);
    EXPECT_EQ(countStudyDaysYear(*b), 5) << "week 53 is a template";
    EXPECT_TRUE(a->modifiRasp);

    // A week kept without any day is no study week; making it one gives days.
    a->SetNedDey(7, 0);
    EXPECT_EQ(calendarCellText(*a, 7), "");
    EXPECT_EQ(makeStudyWeeks({{a, 7}}), 1);
    EXPECT_EQ(calendarCellText(*a, 7), "6");
}

// Catches load thrown away without asking, or a refusal that still takes the
// week.
TEST_F(CalendarOps, AWeekWithLoadGoesOnlyWhenTheUserAgrees) {
    subject(a, 0, {0}, 2, 4);
    makeStudyWeeks({{a, 5}, {b, 4}});
    dialog.queue(false);
    EXPECT_EQ(removeStudyWeeks({{a, 4}, {a, 5}, {b, 4}, {b, 9}}), 2);
    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_NE(dialog.asked[0].find("распределена нагрузка"), std::string::npos);
    EXPECT_TRUE(a->TestNed(4));
    EXPECT_NE(a->GetNed(4)->FindYrokKorzina(kSetkaPlan, a->LPredmet[0].get()), nullptr);
    EXPECT_FALSE(a->TestNed(5));
    EXPECT_FALSE(b->TestNed(4));

    dialog.queue(true);
    EXPECT_FALSE(toggleStudyWeek(*a, 57));
    EXPECT_TRUE(toggleStudyWeek(*a, 4));
    EXPECT_FALSE(a->TestNed(4));
    EXPECT_TRUE(toggleStudyWeek(*a, 4));
    EXPECT_EQ(calendarCellText(*a, 4), "6");
}

// Catches a refusal that changes part of the selection, a message naming the
// wrong week or group, and non-study weeks made study ones.
TEST_F(CalendarOps, StudyDaysPerDateAndTheEmptyWeekRefusal) {
    year->AllNed.FLengthSemestr = 20;
    makeStudyWeeks({{a, 21}, {b, 22}, {a, 23}});
    const std::vector<TGryp*> groups{a, b};
    const auto initial = initialStudyDays(groups, {21, 22, 24});
    ASSERT_EQ(initial.size(), 3u);
    EXPECT_EQ(initial[0].study, days({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(initial[1].study, days({1, 2, 3, 4, 5}));
    EXPECT_EQ(initial[2].study, days({})) << "nobody studies in week 24";

    auto chosen = initial;
    chosen[0].study = days({1, 3});
    chosen[1].study = days({});
    std::string message;
    EXPECT_FALSE(setStudyDays(groups, initial, chosen, message));
    EXPECT_EQ(message, "Ошибка! Установите учебные дни на учебной неделе 2(2c) для группы ИС-12");
    EXPECT_EQ(a->CountRunDey(21), 6) << "nothing changes on a refusal";

    chosen[1].study = days({6});
    ASSERT_TRUE(setStudyDays(groups, initial, chosen, message)) << message;
    EXPECT_EQ(calendarCellText(*a, 21), "2");
    EXPECT_TRUE(a->TestRunDey(21, 3));
    EXPECT_FALSE(a->TestRunDey(21, 2));
    EXPECT_EQ(calendarCellText(*b, 22), "1");
    EXPECT_TRUE(b->TestRunDey(22, 6));
    EXPECT_EQ(calendarCellText(*b, 21), "") << "not a study week of the group";
    EXPECT_EQ(calendarCellText(*a, 24), "");
    EXPECT_EQ(calendarCellText(*a, 23), "6") << "a week not in the dialog";
}

// Catches an OK that makes a five-day and a six-day group alike: only the
// dates the user changed are set.
TEST_F(CalendarOps, StudyDaysLeftAloneKeepEachGroupsOwn) {
    makeStudyWeeks({{a, 10}, {b, 10}});
    const std::vector<TGryp*> groups{a, b};
    const auto initial = initialStudyDays(groups, {10});
    EXPECT_EQ(initial[0].study, days({1, 2, 3, 4, 5, 6}));
    std::string message;
    ASSERT_TRUE(setStudyDays(groups, initial, initial, message)) << message;
    EXPECT_EQ(a->CountRunDey(10), 6);
    EXPECT_EQ(b->CountRunDey(10), 5);
    EXPECT_FALSE(b->TestRunDey(10, 6));

    auto chosen = initial;
    chosen[0].study[0] = false;  // Monday off for both
    ASSERT_TRUE(setStudyDays(groups, initial, chosen, message)) << message;
    EXPECT_EQ(a->CountRunDey(10), 5);
    EXPECT_EQ(b->CountRunDey(10), 4);
    EXPECT_FALSE(b->TestRunDey(10, 1));
    EXPECT_FALSE(b->TestRunDey(10, 6)) << "Saturday stays off for the five-day group";

    // Leaving the five-day group only Saturday off is no study day at all.
    chosen = initialStudyDays(groups, {10});
    for (int d = 1; d <= 5; ++d) chosen[0].study[static_cast<std::size_t>(d - 1)] = false;
    EXPECT_FALSE(setStudyDays(groups, initialStudyDays(groups, {10}), chosen, message));
    EXPECT_EQ(message, "Ошибка! Установите учебные дни на учебной неделе 10 для группы ИС-12");
    EXPECT_EQ(a->CountRunDey(10), 5);
}

// Catches a date question in another form, Sunday or unchosen days named.
TEST_F(CalendarOps, QuestionsNameTheDateAndTheDays) {
    EXPECT_EQ(secondSemesterQuestion(encodeDate(2017, 2, 6)),
              "Установить дату начала 2 семестра для всех выделенных групп=06.02.2017");
    EXPECT_EQ(mainStudyDaysQuestion(days({1, 2, 5})),
              "Установить основные учебные дни для всех выделенных групп=Понедельник,Вторник,"
              "Пятница");
}

// Catches main days kept only in memory (lost on the next load), days
// cleared to nothing, a question asked about no day at all, a "Нет" that still
// sets them, and groups outside the selection changed.
TEST_F(CalendarOps, MainStudyDaysAreStoredInTheGroupsRows) {
    TGryp* c = group("ИС-13");
    int stored = -1;
    std::string message;
    EXPECT_FALSE(setMainStudyDays(*year, dialog, {a, b}, days({}), stored, message));
    EXPECT_EQ(message, "Установите учебные дни!");
    EXPECT_TRUE(dialog.asked.empty()) << "refused before the question";
    EXPECT_EQ(mainStudyDays(*a), days({1, 2, 3, 4, 5, 6}));

    dialog.queue(false);
    EXPECT_FALSE(setMainStudyDays(*year, dialog, {a, b}, days({2, 4}), stored, message));
    EXPECT_EQ(message, "");
    EXPECT_EQ(stored, 0);
    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_EQ(dialog.asked[0], mainStudyDaysQuestion(days({2, 4})));
    EXPECT_EQ(mainStudyDays(*a), days({1, 2, 3, 4, 5, 6}));

    dialog.queue(true);
    ASSERT_TRUE(setMainStudyDays(*year, dialog, {a, b}, days({2, 4}), stored, message)) << message;
    EXPECT_EQ(stored, 2);
    EXPECT_EQ(mainStudyDays(*a), days({2, 4}));
    EXPECT_EQ(mainStudyDays(*b), days({2, 4}));
    EXPECT_EQ(mainStudyDays(*c), days({1, 2, 3, 4, 5, 6}));
    makeStudyWeeks({{a, 9}});
    EXPECT_EQ(calendarCellText(*a, 9), "2") << "new weeks take the main days";

    setSecondSemesterStart({a, c}, encodeDate(2017, 2, 5));  // a Sunday
    EXPECT_EQ(a->DateSemm2(), encodeDate(2017, 2, 6));
    EXPECT_EQ(c->DateSemm2(), encodeDate(2017, 2, 6));

    // A fresh year from the same tables reads the rows back.
    TAllRasp again(*dm);
    again.YGod = 2016;
    ASSERT_TRUE(again.LoadYear());
    ASSERT_NE(again.FindGrypForName("ИС-11"), nullptr);
    EXPECT_EQ(mainStudyDays(*again.FindGrypForName("ИС-11")), days({2, 4}));
    EXPECT_EQ(mainStudyDays(*again.FindGrypForName("ИС-13")), days({1, 2, 3, 4, 5, 6}));
}

// The year's tables behind a file system that fails the chosen operation.
class MainDaysFaults : public CalendarOps {
protected:
    void SetUp() override {
        CalendarOps::SetUp();
        group("ИС-13");
        year.reset();
        dm.reset();
        dm = std::make_unique<TDM1>(home, dialog, faulty);
        year = std::make_unique<TAllRasp>(*dm);
        year->YGod = 2016;
        ASSERT_TRUE(year->LoadYear());
        for (const char* name : {"ИС-11", "ИС-12", "ИС-13"}) {
            groups.push_back(year->FindGrypForName(name));
            ASSERT_NE(groups.back(), nullptr) << name;
        }
    }

    FaultInjectingFileSystem faulty;
    TScriptedDialog yes{true};
    std::vector<TGryp*> groups;
};

// Catches a failed write reported as if nothing had changed after earlier
// groups were stored (or as a change when nothing was), memory that differs
// from the rows, and groups after the failure changed all the same.
TEST_F(MainDaysFaults, AFailedWriteNamesTheGroupsAlreadyChanged) {
    const auto before = days({1, 2, 3, 4, 5, 6});
    const auto after = days({1, 3, 5});
    int stored = 0;
    std::string message;
    // Every operation of a whole change is failed once, from a known start.
    auto restore = [&] {
        faulty.failAt(0);
        ASSERT_TRUE(setMainStudyDays(*year, yes, groups, before, stored, message)) << message;
    };
    restore();
    faulty.failAt(0);
    ASSERT_TRUE(setMainStudyDays(*year, yes, groups, after, stored, message)) << message;
    const uint64_t operations = faulty.operations();
    ASSERT_GT(operations, 0u);
    bool sawNoneChanged = false;
    bool sawSomeChanged = false;
    for (uint64_t n = 1; n <= operations; ++n) {
        restore();
        faulty.failAt(n, false);
        const bool done = setMainStudyDays(*year, yes, groups, after, stored, message);
        faulty.failAt(0);
        std::string changed;
        for (int i = 0; i < 3; ++i) {
            const TGryp& gr = *groups[static_cast<std::size_t>(i)];
            EXPECT_EQ(mainStudyDays(gr), i < stored ? after : before) << n << " " << gr.Name();
            if (i >= stored) continue;
            if (!changed.empty()) changed += ", ";
            changed += gr.Name();
        }
        if (done) {
            EXPECT_EQ(stored, 3) << n;
        } else {
            ASSERT_LT(stored, 3) << n;
            const std::string failed = groups[static_cast<std::size_t>(stored)]->Name();
            EXPECT_EQ(
                message,
                "Ошибка записи данных группы " + failed + ". " +
                    (stored == 0 ? std::string("Данные остались прежними.")
                                 : "Основные учебные дни уже изменены у групп: " + changed + "."))
                << n;
            (stored == 0 ? sawNoneChanged : sawSomeChanged) = true;
        }

        // What the message says is what the rows hold.
        TAllRasp again(*dm);
        again.YGod = 2016;
        ASSERT_TRUE(again.LoadYear()) << n;
        for (const TGryp* gr : groups) {
            const TGryp* read = again.FindGrypForName(gr->Name());
            ASSERT_NE(read, nullptr) << n;
            EXPECT_EQ(mainStudyDays(*read), mainStudyDays(*gr)) << n << " " << gr->Name();
        }
    }
    EXPECT_TRUE(sawNoneChanged);
    EXPECT_TRUE(sawSomeChanged);
}

TEST(StudyPeriodLength, OnlyOneToFiftyTwoIsTakenElseFiftyTwo) {
    const std::pair<const char*, int> cases[] = {
        {"1", 1}, {"20", 20}, {" 52 ", 52}, {"0", 52},   {"53", 52},          {"-5", 52},
        {"", 52}, {"x", 52},  {"2 0", 20},  {"020", 52}, {"99999999999", 52},
    };
    for (const auto& [text, weeks] : cases) EXPECT_EQ(readStudyPeriodLength(text), weeks) << text;
}

}  // namespace
}  // namespace zavlin::entry
