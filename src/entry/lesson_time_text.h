// The text of a lesson time as the lesson-times window takes it: hours and
// minutes joined by ":", blanks ignored ("08:05" is 485 minutes).
//
// Refusals, each followed by the period's number as the window shows it:
//   no ":"                       "Отсутствует разделитель двоеточие часы":"минуты, занятие N"
//   nothing (or no digits) before ":"           "Отсутствуют  часы, занятие N"
//   not exactly two digits after ":"            "Отсутствуют минуты(два знака), занятие N"
//   hours past 23                               "Часы должны быть от 0 до 23, занятие N"
//   minutes past 59                             "Минуты должны быть от 00 до 59, занятие N"
// A start or a length is a time within one day, so 24:00 and more, and 60
// minutes and more, are refused rather than stored as something else.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/lesson_time.h"

namespace zavlin::entry {

// Minutes since midnight of the text; false with the refusal in message.
[[nodiscard]] bool parseLessonClock(std::string_view text, int period, int& minutes,
                                    std::string& message);

// "08:05" for 485.
std::string formatLessonClock(int minutes);

// One row of the window: start and length as typed.
struct TLessonTimeText {
    std::string start;
    std::string length;
};

// Every row in order, start before length; on the first refusal nothing is
// given back but its message. Row i is period i, numbered from 0 as the
// year's own list of periods is (colleges do have a pair number 0).
[[nodiscard]] bool parseLessonTimes(const std::array<TLessonTimeText, kLessonPeriods>& rows,
                                    std::array<TTaimYrok, kLessonPeriods>& times,
                                    std::string& message);

}  // namespace zavlin::entry
