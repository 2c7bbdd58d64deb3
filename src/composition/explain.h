// Why a lesson found no place: for each cell of the week the rule of the
// slot choice that keeps it out (teacher busy with another group, forbidden
// period, outside the group's daily window, day off, union partner busy, ...).
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TSpSostPr;
class TSosPredmet;

// The explanation of a unit (its lessons: one per group of a union) left
// unplaced in the week of search sp, as lines: per lesson a heading
// "Гр.<group> <subject> <teacher>: нет места (неделя N)", then one indented
// line per reason listing its cells ("Пн-Ср 0-3: вне окна группы"), periods
// numbered 0-11 as the timetable shows them. The rules are the slot
// choice's own, applied to the timetable as it stands (after the best
// variant is restored) with the most lenient working-days minimum the
// search tries. The unit is not placed and the timetable is not changed.
std::vector<std::string> ExplainUnplaced(TSpSostPr& sp, const TSosPredmet& unit);

}  // namespace zavlin
