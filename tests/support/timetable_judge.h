// An independent judge of a composed week: it reads nothing but the cells
// of the timetable and pinned layers and the rules stored in the year,
// never the engine's bookkeeping, and names every lesson that breaks one.
#pragma once

#include <string>
#include <vector>

#include "model/year.h"

namespace zavlin::testsupport {

struct WeekVerdict {
    // One readable line per breach, at most a few dozen.
    std::vector<std::string> breaches;
    // The load left unplaced: "group subject teacher" once per lesson, as a
    // run lists what it could not place.
    std::vector<std::string> missing;
};

// Layer 0 of week ne of every group holding the week.
WeekVerdict judgeWeek(const TAllRasp& year, int ne);

}  // namespace zavlin::testsupport
