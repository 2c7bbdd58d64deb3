#include "entry/lesson_time_text.h"

#include <cctype>

namespace zavlin::entry {

namespace {

bool allDigits(std::string_view s) {
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

bool parseLessonClock(std::string_view text, int period, int& minutes, std::string& message) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t') s += c;
    const std::string suffix = ", занятие N" + std::to_string(period);
    const auto colon = s.find(':');
    if (colon == std::string::npos) {
        message = "Отсутствует разделитель двоеточие часы\":\"минуты" + suffix;
        return false;
    }
    const std::string_view hours = std::string_view(s).substr(0, colon);
    const std::string_view mins = std::string_view(s).substr(colon + 1);
    if (hours.empty() || !allDigits(hours)) {
        message = "Отсутствуют  часы" + suffix;
        return false;
    }
    if (mins.size() != 2 || !allDigits(mins)) {
        message = "Отсутствуют минуты(два знака)" + suffix;
        return false;
    }
    // Leading zeros are allowed; the length keeps a long run from overflowing.
    const auto firstDigit = hours.find_first_not_of('0');
    const std::string_view significant =
        firstDigit == std::string_view::npos ? std::string_view("0") : hours.substr(firstDigit);
    const int h = significant.size() > 2 ? 100 : std::stoi(std::string(significant));
    const int m = std::stoi(std::string(mins));
    if (h > 23) {
        message = "Часы должны быть от 0 до 23" + suffix;
        return false;
    }
    if (m > 59) {
        message = "Минуты должны быть от 00 до 59" + suffix;
        return false;
    }
    minutes = h * 60 + m;
    return true;
}

std::string formatLessonClock(int minutes) {
    return minutesToClock(minutes);
}

bool parseLessonTimes(const std::array<TLessonTimeText, kLessonPeriods>& rows,
                      std::array<TTaimYrok, kLessonPeriods>& times, std::string& message) {
    std::array<TTaimYrok, kLessonPeriods> parsed;
    for (int i = 0; i < kLessonPeriods; ++i) {
        const TLessonTimeText& row = rows[static_cast<std::size_t>(i)];
        int start = 0;
        int length = 0;
        if (!parseLessonClock(row.start, i, start, message) ||
            !parseLessonClock(row.length, i, length, message))
            return false;
        TTaimYrok& t = parsed[static_cast<std::size_t>(i)];
        t.N = i;
        t.SetTn(start);
        t.SetTd(length);
    }
    times = parsed;
    return true;
}

}  // namespace zavlin::entry
