// Dates are day counts from 1899-12-30: whole numbers for dates, doubles with
// the time of day as the fraction. The texts are those of the table's date and
// date-time fields ("5/09/2016", "5/09/2016 08ч:30м:00с").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zavlin {

using TDateTime = double;

struct DateParts {
    int year = 0;
    int month = 0;
    int day = 0;
};

struct TimeParts {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
};

// Valid for years 1..9999. False for an impossible date; days is untouched then.
[[nodiscard]] bool tryEncodeDate(int year, int month, int day, int32_t& days);
// Throws EConvertError for an impossible date.
int32_t encodeDate(int year, int month, int day);
DateParts decodeDate(int32_t days);

// Fraction of a day; throws EConvertError when a part is out of range.
double encodeTime(int hour, int minute, int second, int msec);

// Splits a moment the way the original platform does: the moment is rounded to
// whole milliseconds first, so 23:59:59.9996 becomes the next day's midnight.
void decodeDateTime(TDateTime value, DateParts& date, TimeParts& time);

// The current local date and time.
TDateTime nowLocal();

// "5/09/2016": day without leading zero, month in two digits, year in four.
std::string dateText(int32_t days);
// "5/09/2016 08ч:30м:00с" (UTF-8).
std::string dateTimeText(TDateTime value);

// The shapes a date and time is written in: the date's separator, whether
// the day has two digits, and the marks after hours, minutes and seconds.
struct DateTimeShape {
    std::string_view dateSeparator;
    bool twoDigitDay;
    std::string_view hourMark;
    std::string_view minuteMark;
    std::string_view secondMark;
};
// "5/09/2016 08ч:30м:00с", as the tables have it.
inline constexpr DateTimeShape kTableDateTime{"/", false, "ч", "м", "с"};
// "08.12.2026 03ч:05м:07с", as the backup's settings and log have it.
inline constexpr DateTimeShape kDottedDateTime{".", true, "ч", "м", "с"};
// "08.12.2026 03:05:07".
inline constexpr DateTimeShape kDottedPlainDateTime{".", true, "", "", ""};
std::string formatDateTime(TDateTime value, const DateTimeShape& shape);

// "d/m/y", trimmed, each part a decimal of at most 65535. Throws EConvertError
// for anything that is not a possible date, including an empty text.
int32_t parseDateText(std::string_view text);
// Date, time ("8ч:05м:07с") or both separated by a blank; throws EConvertError.
TDateTime parseDateTimeText(std::string_view text);

}  // namespace zavlin
