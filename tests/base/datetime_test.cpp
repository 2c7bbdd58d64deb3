#include "base/datetime.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace zavlin {
namespace {

TEST(DateTime, KnownDayNumbers) {
    EXPECT_EQ(encodeDate(1899, 12, 30), 0);
    EXPECT_EQ(encodeDate(1899, 12, 29), -1);
    EXPECT_EQ(encodeDate(1900, 3, 1), 61);
    EXPECT_EQ(encodeDate(2016, 9, 1), 42614);
    EXPECT_EQ(encodeDate(1, 1, 1), -693593);
    EXPECT_EQ(encodeDate(9999, 12, 31), 2958465);
}

TEST(DateTime, ImpossibleDates) {
    int32_t days = 77;
    EXPECT_TRUE(tryEncodeDate(2016, 2, 29, days));
    EXPECT_TRUE(tryEncodeDate(2000, 2, 29, days));
    days = 77;
    EXPECT_FALSE(tryEncodeDate(2015, 2, 29, days));
    EXPECT_FALSE(tryEncodeDate(1900, 2, 29, days));
    EXPECT_FALSE(tryEncodeDate(2016, 4, 31, days));
    EXPECT_FALSE(tryEncodeDate(2016, 13, 1, days));
    EXPECT_FALSE(tryEncodeDate(2016, 0, 1, days));
    EXPECT_FALSE(tryEncodeDate(2016, 1, 0, days));
    EXPECT_FALSE(tryEncodeDate(0, 1, 1, days));
    EXPECT_FALSE(tryEncodeDate(10000, 1, 1, days));
    EXPECT_EQ(days, 77);
    EXPECT_THROW(encodeDate(2015, 2, 29), EConvertError);
}

TEST(DateTime, DecodeInvertsEncodeOverTheWholeRange) {
    DateParts prev = decodeDate(-693593);
    ASSERT_EQ(prev.year, 1);
    for (int32_t d = -693592; d <= 2958465; ++d) {
        const DateParts p = decodeDate(d);
        const bool nextDay = p.year == prev.year && p.month == prev.month && p.day == prev.day + 1;
        const bool nextMonth = p.year == prev.year && p.month == prev.month + 1 && p.day == 1;
        const bool nextYear = p.year == prev.year + 1 && p.month == 1 && p.day == 1;
        ASSERT_TRUE(nextDay || nextMonth || nextYear) << d;
        ASSERT_EQ(encodeDate(p.year, p.month, p.day), d);
        prev = p;
    }
    EXPECT_EQ(prev.year, 9999);
}

TEST(DateTime, EncodeTimeChecksEveryPart) {
    EXPECT_DOUBLE_EQ(encodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(encodeTime(6, 0, 0, 0), 0.25);
    EXPECT_THROW(encodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(encodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(encodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(encodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(encodeTime(-1, 0, 0, 0), EConvertError);
}

TEST(DateTime, DecodeRoundsToWholeMilliseconds) {
    DateParts d;
    TimeParts t;
    decodeDateTime(42614 + 86399999.6 / 86400000, d, t);
    EXPECT_EQ(d.day, 2);
    EXPECT_EQ(d.month, 9);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.msec, 0);

    decodeDateTime(42614 + 86399999.4 / 86400000, d, t);
    EXPECT_EQ(d.day, 1);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.minute, 59);
    EXPECT_EQ(t.second, 59);
    EXPECT_EQ(t.msec, 999);

    // Before the epoch the fraction still counts forward within the day.
    decodeDateTime(-1.25, d, t);
    EXPECT_EQ(d.year, 1899);
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(t.hour, 6);
}

TEST(DateTime, Texts) {
    EXPECT_EQ(dateText(42614), "1/09/2016");
    EXPECT_EQ(dateText(encodeDate(2016, 12, 25)), "25/12/2016");
    EXPECT_EQ(dateText(encodeDate(5, 3, 7)), "7/03/0005");
    EXPECT_EQ(dateTimeText(encodeDate(2016, 9, 5) + encodeTime(8, 30, 0, 0)),
              "5/09/2016 08ч:30м:00с");
    EXPECT_EQ(dateTimeText(42614), "1/09/2016 00ч:00м:00с");
}

TEST(DateTime, ParseDateText) {
    EXPECT_EQ(parseDateText("1/9/2016"), 42614);
    EXPECT_EQ(parseDateText("  01/09/2016\t"), 42614);
    EXPECT_EQ(parseDateText("29/2/2016"), encodeDate(2016, 2, 29));
    for (const char* bad : {"", "   ", "29/2/2015", "70000/1/2000", "1/9", "1", "1-9-2016",
                            "a/9/2016", "1/9/2016x", "-1/9/2016", "+1/9/2016", "1/9/2016/1",
                            "1 /9/2016", "1/9/99999", "99999999999999999999/1/2000"}) {
        EXPECT_THROW(parseDateText(bad), EConvertError) << bad;
    }
}

TEST(DateTime, ParseDateTimeText) {
    EXPECT_EQ(dateTimeText(parseDateTimeText("1/9/2016 8ч:05м:07с")), "1/09/2016 08ч:05м:07с");
    EXPECT_EQ(dateTimeText(parseDateTimeText(" 1/9/2016   23ч:59м:59с ")), "1/09/2016 23ч:59м:59с");
    EXPECT_EQ(parseDateTimeText("1/9/2016"), 42614.0);
    // Negative days take the time away from zero, so the parts come back unchanged.
    EXPECT_EQ(parseDateTimeText("29/12/1899 6ч:00м:00с"), -1.25);
    EXPECT_EQ(dateTimeText(parseDateTimeText("1/1/1800 12ч:34м:56с")), "1/01/1800 12ч:34м:56с");
    for (const char* bad :
         {"8ч:05м:07с", "0ч:00м:00с", "", "1/9/2016 8:05:07", "1/9/2016 24ч:00м:00с",
          "1/9/2016 8ч:60м:00с", "1/9/2016 8ч:05м:07", "1/9/2016 8ч05м:07с", "1/9/2016 xч:05м:07с",
          "31/9/2016 8ч:05м:07с", "1/9/2016 8ч:05м:-1с"}) {
        EXPECT_THROW(parseDateTimeText(bad), EConvertError) << bad;
    }
}

TEST(DateTime, NowIsAPlausibleMoment) {
    const TDateTime now = nowLocal();
    EXPECT_GT(now, encodeDate(2020, 1, 1));
    EXPECT_LT(now, encodeDate(9999, 12, 31));
}

}  // namespace
}  // namespace zavlin
