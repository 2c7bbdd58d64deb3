// Clock times of the lesson periods (TTaimYrok, N = period 0-11).
#pragma once

#include <array>
#include <string>

#include "model/element_base.h"
#include "storage/year_tables.h"

namespace zavlin {

class TTaimYrok : public TElement {
public:
    // The times a year list starts with before the settings are read, and the
    // ones a new database states.
    static constexpr int kDefaultFirstStart = kNewLessonFirstStart;  // 07:15
    static constexpr int kDefaultStep = kNewLessonStep;
    static constexpr int kDefaultLength = kNewLessonLength;

    int Tn() const { return FTn; }
    // A start past 23:59 is no time of day: stored as 0.
    void SetTn(int minutes);
    int Td() const { return FTd; }
    // A period without a start has no length either.
    void SetTd(int minutes);
    int Tk() const { return FTn + FTd; }

    // "HH:MM"
    std::string TnText() const;
    std::string TdText() const;
    std::string TkText() const;
    // "HH:MM-HH:MM"
    std::string TnTkText() const;

private:
    int FTn = 0;
    int FTd = 0;
};

constexpr int kLessonPeriods = kLessonPeriodCount;

// 07:15, 09:00, 10:45, ... each 90 minutes long.
std::array<TTaimYrok, kLessonPeriods> defaultLessonTimes();

class TFileIni;

// The college's times from the settings file (section "Time", keys "Yrok"+i
// and "LYrok"+i). A missing key reads 0: what the program uses is what the
// file states, and a period without a start is not in use.
std::array<TTaimYrok, kLessonPeriods> readLessonTimes(TFileIni& ini);
bool writeLessonTimes(TFileIni& ini, const std::array<TTaimYrok, kLessonPeriods>& times);

// Hours and minutes joined by ":", each at least two digits.
std::string minutesToClock(int minutes);

}  // namespace zavlin
