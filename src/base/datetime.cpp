#include "base/datetime.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "base/errors.h"
#include "base/text.h"

namespace zavlin {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochShift = -25569;

bool isLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Proleptic Gregorian calendar on 400-year eras, days relative to 1970-01-01.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateParts civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    DateParts p;
    p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2));
    return p;
}

[[noreturn]] void throwBadText(std::string_view text) {
    throw EConvertError(fmt::format("'{}' is not a valid date or time", text));
}

// A part of a date or time text: decimal digits only, at most 65535.
int parsePart(std::string_view part, std::string_view whole) {
    unsigned value = 0;
    const char* end = part.data() + part.size();
    const auto [ptr, ec] = std::from_chars(part.data(), end, value);
    if (part.empty() || ec != std::errc() || ptr != end || value > 65535) throwBadText(whole);
    return static_cast<int>(value);
}

DateParts splitDate(std::string_view text, std::string_view whole) {
    std::string_view day = text;
    std::string_view month;
    std::string_view year;
    if (const auto s1 = text.find('/'); s1 != std::string_view::npos) {
        day = text.substr(0, s1);
        const std::string_view rest = text.substr(s1 + 1);
        month = rest;
        if (const auto s2 = rest.find('/'); s2 != std::string_view::npos) {
            month = rest.substr(0, s2);
            year = rest.substr(s2 + 1);
        }
    }
    DateParts p;
    p.day = parsePart(day, whole);
    p.month = parsePart(month, whole);
    p.year = parsePart(year, whole);
    return p;
}

// "8ч:05м:07с"; whatever follows the seconds marker is ignored.
double parseTime(std::string_view text, std::string_view whole) {
    static constexpr std::string_view kHourMark = "ч:";
    static constexpr std::string_view kMinuteMark = "м:";
    static constexpr std::string_view kSecondMark = "с";
    const auto h = text.find(kHourMark);
    if (h == std::string_view::npos) throwBadText(whole);
    const auto mStart = h + kHourMark.size();
    const auto m = text.find(kMinuteMark, mStart);
    if (m == std::string_view::npos) throwBadText(whole);
    const auto sStart = m + kMinuteMark.size();
    const auto s = text.find(kSecondMark, sStart);
    if (s == std::string_view::npos) throwBadText(whole);
    return encodeTime(parsePart(text.substr(0, h), whole),
                      parsePart(text.substr(mStart, m - mStart), whole),
                      parsePart(text.substr(sStart, s - sStart), whole), 0);
}

}  // namespace

bool tryEncodeDate(int year, int month, int day, int32_t& days) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month)) {
        return false;
    }
    days = static_cast<int32_t>(daysFromCivil(year, month, day) - kEpochShift);
    return true;
}

int32_t encodeDate(int year, int month, int day) {
    int32_t days = 0;
    if (!tryEncodeDate(year, month, day, days)) {
        throw EConvertError(fmt::format("{}/{}/{} is not a valid date", day, month, year));
    }
    return days;
}

DateParts decodeDate(int32_t days) {
    return civilFromDays(int64_t{days} + kEpochShift);
}

double encodeTime(int hour, int minute, int second, int msec) {
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
        msec < 0 || msec >= 1000) {
        throw EConvertError(
            fmt::format("{}:{}:{}.{} is not a valid time", hour, minute, second, msec));
    }
    const int64_t ms = ((int64_t{hour} * 60 + minute) * 60 + second) * 1000 + msec;
    return static_cast<double>(ms) / kMsPerDay;
}

void decodeDateTime(TDateTime value, DateParts& date, TimeParts& time) {
    // Keeps llround and the day count defined for nonsense values.
    constexpr double kLimit = 2147483647.0;
    if (!std::isfinite(value)) value = 0;
    if (value > kLimit) value = kLimit;
    if (value < -kLimit) value = -kLimit;

    const int64_t total = std::llround(value * kMsPerDay);
    const int64_t days = total / kMsPerDay;
    int64_t ms = std::llabs(total) % kMsPerDay;
    date = decodeDate(static_cast<int32_t>(days));
    time.hour = static_cast<int>(ms / 3600000);
    ms %= 3600000;
    time.minute = static_cast<int>(ms / 60000);
    ms %= 60000;
    time.second = static_cast<int>(ms / 1000);
    time.msec = static_cast<int>(ms % 1000);
}

TDateTime nowLocal() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    const int32_t days = encodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    // A leap second shows as 60; fold it into the last ordinary one.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return days +
           encodeTime(local.tm_hour, local.tm_min, second, static_cast<int>(ts.tv_nsec / 1000000));
}

std::string dateText(int32_t days) {
    const DateParts p = decodeDate(days);
    return fmt::format("{}/{:02}/{:04}", p.day, p.month, p.year);
}

std::string dateTimeText(TDateTime value) {
    return formatDateTime(value, kTableDateTime);
}

std::string formatDateTime(TDateTime value, const DateTimeShape& shape) {
    DateParts d;
    TimeParts t;
    decodeDateTime(value, d, t);
    const std::string day = shape.twoDigitDay ? fmt::format("{:02}", d.day) : std::to_string(d.day);
    return fmt::format("{}{}{:02}{}{:04} {:02}{}:{:02}{}:{:02}{}", day, shape.dateSeparator,
                       d.month, shape.dateSeparator, d.year, t.hour, shape.hourMark, t.minute,
                       shape.minuteMark, t.second, shape.secondMark);
}

int32_t parseDateText(std::string_view text) {
    const std::string_view trimmed = trimView(text);
    const DateParts p = splitDate(trimmed, text);
    int32_t days = 0;
    if (!tryEncodeDate(p.year, p.month, p.day, days)) throwBadText(text);
    return days;
}

TDateTime parseDateTimeText(std::string_view text) {
    const std::string_view trimmed = trimView(text);
    std::string_view datePart;
    std::string_view timePart;
    if (const auto blank = trimmed.find(' '); blank != std::string_view::npos) {
        datePart = trimmed.substr(0, blank);
        timePart = trimView(trimmed.substr(blank + 1));
    } else if (trimmed.find(':') != std::string_view::npos) {
        timePart = trimmed;
    } else {
        datePart = trimmed;
    }

    const double time = timePart.empty() ? 0.0 : parseTime(timePart, text);
    // A time alone leaves the date at 0/0/0, which no calendar has.
    DateParts p;
    if (!datePart.empty()) p = splitDate(datePart, text);
    int32_t days = 0;
    if (!tryEncodeDate(p.year, p.month, p.day, days)) throwBadText(text);
    // Before the epoch the fraction counts away from zero too.
    return days < 0 ? days - time : days + time;
}

}  // namespace zavlin
