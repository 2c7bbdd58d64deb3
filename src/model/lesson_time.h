// Clock times of the lesson periods (TTaimYrok, N = period 0-11).
#pragma once

#include <array>
#include <string>

#include "model/element_base.h"

namespace zavlin {

class TTaimYrok : public TElement {
public:
    static constexpr int kDefaultFirstStart = 435;  // 07:15
    static constexpr int kDefaultStep = 105;
    static constexpr int kDefaultLength = 90;

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

constexpr int kLessonPeriods = 12;

// 07:15, 09:00, 10:45, ... each 90 minutes long.
std::array<TTaimYrok, kLessonPeriods> defaultLessonTimes();

class TFileIni;

// The college's times from the settings file (section "Time", keys "Yrok"+i
// and "LYrok"+i); a missing key keeps the default time of that period.
std::array<TTaimYrok, kLessonPeriods> readLessonTimes(TFileIni& ini);
bool writeLessonTimes(TFileIni& ini, const std::array<TTaimYrok, kLessonPeriods>& times);

// Hours and minutes joined by ":", each at least two digits.
std::string minutesToClock(int minutes);

}  // namespace zavlin
