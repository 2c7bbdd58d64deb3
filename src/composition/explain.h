// Why a lesson found no place: for each cell of the week the rule of the
// slot choice that keeps it out (teacher busy with another group, forbidden
// period, outside the group's daily window, day off, union partner busy, ...).
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;
class TSosPredmet;

// The explanation of a unit (its lessons: one per group of a union) left
// unplaced in week ne of the timetable layer, as lines: the first names the
// lessons, the others the blocked cells grouped by reason. Reads the
// timetable as it stands (after the best variant is restored).
std::vector<std::string> ExplainUnplaced(const TAllRasp& year, int ne, const TSosPredmet& unit);

}  // namespace zavlin
