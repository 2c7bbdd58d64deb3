#include "model/lesson_time.h"

#include <fmt/format.h>

#include "settings/settings_file.h"

namespace zavlin {

void TTaimYrok::SetTn(int minutes) {
    FTn = (minutes < 0 || minutes / 60 > 23) ? 0 : minutes;
}

void TTaimYrok::SetTd(int minutes) {
    FTd = (FTn == 0 || minutes < 0) ? 0 : minutes;
}

std::array<TTaimYrok, kLessonPeriods> readLessonTimes(TFileIni& ini) {
    std::array<TTaimYrok, kLessonPeriods> times;
    for (std::size_t i = 0; i < times.size(); ++i) {
        TTaimYrok& t = times[i];
        t.N = static_cast<int>(i);
        t.SetTn(ini.ReadInteger("Time", "Yrok" + std::to_string(i), 0));
        t.SetTd(ini.ReadInteger("Time", "LYrok" + std::to_string(i), 0));
    }
    return times;
}

bool writeLessonTimes(TFileIni& ini, const std::array<TTaimYrok, kLessonPeriods>& times) {
    bool ok = true;
    for (const TTaimYrok& t : times) {
        ok = ini.WriteInteger("Time", "Yrok" + std::to_string(t.N), t.Tn()) && ok;
        ok = ini.WriteInteger("Time", "LYrok" + std::to_string(t.N), t.Td()) && ok;
    }
    return ok;
}

std::string TTaimYrok::TnText() const {
    return minutesToClock(FTn);
}
std::string TTaimYrok::TdText() const {
    return minutesToClock(FTd);
}
std::string TTaimYrok::TkText() const {
    return minutesToClock(Tk());
}
std::string TTaimYrok::TnTkText() const {
    return TnText() + "-" + TkText();
}

std::array<TTaimYrok, kLessonPeriods> defaultLessonTimes() {
    std::array<TTaimYrok, kLessonPeriods> times;
    for (int i = 0; i < kLessonPeriods; ++i) {
        TTaimYrok& t = times[static_cast<std::size_t>(i)];
        t.N = i;
        t.SetTn(TTaimYrok::kDefaultFirstStart + TTaimYrok::kDefaultStep * i);
        t.SetTd(TTaimYrok::kDefaultLength);
    }
    return times;
}

std::string minutesToClock(int minutes) {
    return fmt::format("{:02}:{:02}", minutes / 60, minutes % 60);
}

}  // namespace zavlin
