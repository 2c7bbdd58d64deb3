// The lesson-time text of the lesson-times window: what is taken, what is
// refused with which message, and that a refused table stores nothing.
#include "entry/lesson_time_text.h"

#include <gtest/gtest.h>

namespace zavlin::entry {
namespace {

struct Refusal {
    const char* text;
    const char* message;
};

// Catches times read without their leading zero, blanks that break the
// reading, and minutes taken from one digit.
TEST(LessonClock, HoursAndMinutesGiveMinutesSinceMidnight) {
    const std::pair<const char*, int> taken[] = {
        {"08:05", 485},  {" 8:05", 485}, {"8 : 05", 485}, {"00:00", 0},
        {"23:59", 1439}, {"1:30", 90},   {"007:15", 435}, {"\t9:00 ", 540},
    };
    for (const auto& [text, minutes] : taken) {
        int got = -1;
        std::string message;
        EXPECT_TRUE(parseLessonClock(text, 3, got, message)) << text << " " << message;
        EXPECT_EQ(got, minutes) << text;
        EXPECT_TRUE(message.empty()) << text;
    }
}

// Catches a wrong or unnumbered message, and values past a day taken as
// some other time.
TEST(LessonClock, RefusalsNameTheFaultAndThePeriod) {
    const Refusal refused[] = {
        {"0805", "Отсутствует разделитель двоеточие часы\":\"минуты, занятие N4"},
        {"", "Отсутствует разделитель двоеточие часы\":\"минуты, занятие N4"},
        {":05", "Отсутствуют  часы, занятие N4"},
        {"  :  ", "Отсутствуют  часы, занятие N4"},
        {"x8:05", "Отсутствуют  часы, занятие N4"},
        {"8:5", "Отсутствуют минуты(два знака), занятие N4"},
        {"8:", "Отсутствуют минуты(два знака), занятие N4"},
        {"8:055", "Отсутствуют минуты(два знака), занятие N4"},
        {"8:0:5", "Отсутствуют минуты(два знака), занятие N4"},
        {"24:00", "Часы должны быть от 0 до 23, занятие N4"},
        {"99999999999:00", "Часы должны быть от 0 до 23, занятие N4"},
        {"8:60", "Минуты должны быть от 00 до 59, занятие N4"},
    };
    for (const Refusal& r : refused) {
        int got = -7;
        std::string message;
        EXPECT_FALSE(parseLessonClock(r.text, 4, got, message)) << r.text;
        EXPECT_EQ(message, r.message) << r.text;
        EXPECT_EQ(got, -7) << "nothing given back for " << r.text;
    }
}

TEST(LessonClock, FormatIsTheInverseOfParse) {
    for (int minutes : {0, 5, 485, 600, 1439}) {
        int back = -1;
        std::string message;
        const std::string text = formatLessonClock(minutes);
        EXPECT_EQ(text.size(), 5u) << text;
        ASSERT_TRUE(parseLessonClock(text, 1, back, message)) << text;
        EXPECT_EQ(back, minutes);
    }
    EXPECT_EQ(formatLessonClock(485), "08:05");
}

std::array<TLessonTimeText, kLessonPeriods> tableOf(const char* start, const char* length) {
    std::array<TLessonTimeText, kLessonPeriods> rows;
    for (auto& row : rows) row = {start, length};
    return rows;
}

// Catches a table stored in part up to the faulty row, the length checked
// before the start, or rows numbered other than the year's periods 0..11.
TEST(LessonTimesTable, TheFirstFaultyRowRefusesTheWholeTable) {
    auto rows = tableOf("08:00", "01:30");
    rows[2] = {"10:00", "1:3"};
    rows[5] = {"8:5", "01:30"};
    std::array<TTaimYrok, kLessonPeriods> times;
    times[0].SetTn(111);
    std::string message;
    EXPECT_FALSE(parseLessonTimes(rows, times, message));
    EXPECT_EQ(message, "Отсутствуют минуты(два знака), занятие N2");
    EXPECT_EQ(times[0].Tn(), 111) << "a refused table gives nothing back";

    rows[2] = {"1000", "1:3"};  // the start is looked at first
    EXPECT_FALSE(parseLessonTimes(rows, times, message));
    EXPECT_EQ(message, "Отсутствует разделитель двоеточие часы\":\"минуты, занятие N2");

    rows[2] = {"10:00", "01:30"};
    EXPECT_FALSE(parseLessonTimes(rows, times, message));
    EXPECT_EQ(message, "Отсутствуют минуты(два знака), занятие N5");

    rows[0] = {"24:00", "01:30"};
    EXPECT_FALSE(parseLessonTimes(rows, times, message));
    EXPECT_EQ(message, "Часы должны быть от 0 до 23, занятие N0");
    rows[0] = {"08:00", "01:30"};
    rows[5] = {"08:00", "01:30"};
    rows[11] = {"08:00", "1 :7 "};  // blanks of an unfilled mask are no digits
    EXPECT_FALSE(parseLessonTimes(rows, times, message));
    EXPECT_EQ(message, "Отсутствуют минуты(два знака), занятие N11");
}

TEST(LessonTimesTable, EveryRowIsTakenWithItsPeriodNumber) {
    auto rows = tableOf("00:00", "00:00");
    rows[0] = {"08:05", "01:35"};
    rows[11] = {"20:00", "0:45"};
    rows[4] = {"00:00", "01:00"};  // a period without a start has no length
    std::array<TTaimYrok, kLessonPeriods> times;
    std::string message;
    ASSERT_TRUE(parseLessonTimes(rows, times, message)) << message;
    EXPECT_EQ(times[0].Tn(), 485);
    EXPECT_EQ(times[0].Td(), 95);
    EXPECT_EQ(times[11].Tn(), 1200);
    EXPECT_EQ(times[11].Td(), 45);
    EXPECT_EQ(times[4].Td(), 0);
    for (int i = 0; i < kLessonPeriods; ++i) EXPECT_EQ(times[static_cast<std::size_t>(i)].N, i);
}

}  // namespace
}  // namespace zavlin::entry
