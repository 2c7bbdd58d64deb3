// Why a lesson found no place: for each cell of the week the rule of the
// slot choice that keeps it out (teacher busy with another group, forbidden
// period, outside the group's daily window, day off, union partner busy, ...).
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TSGYF;
class TSpSostPr;
class TSosPredmet;

// How a week's search ended: what a cell every rule leaves open can say.
enum class ASearchEnd {
    Finished,      // every unit placed or given up
    Stopped,       // the stop button or the week's step limit
    TimeLimit,     // the week's time ran out
    VariantLimit,  // the store of variants is full
    NoProgress,    // passes after the repair placed no unit more
};

// A week explains at most this many units; a college-wide failure (a week
// with no study cells, say) would otherwise bury the report.
constexpr int kExplainedUnitsMax = 100;

// Group, subject and teacher of a lesson, blank-separated.
std::string LessonText(const TSGYF& l);

// The explanation of a unit (its lessons: one per group of a union) left
// unplaced in the week of search sp, as lines: per lesson a heading
// "Гр.<group> <subject> <teacher>: нет места (неделя N)", then one indented
// line per reason listing its cells ("Пн-Ср 0-3: вне окна группы"), periods
// numbered 0-11 as the timetable shows them. The rules are the slot
// choice's own, applied to the timetable as it stands (after the best
// variant is restored); the working-days minimum is the one of the unit's
// last try when it was given up, else the most lenient a pass tries. The
// unit is not placed and the timetable is not changed.
std::vector<std::string> ExplainUnplaced(TSpSostPr& sp, const TSosPredmet& unit, ASearchEnd end);

// The explanations of the units of sp not placed, in the search's order,
// the first `limit` of them; then one line counting the rest.
std::vector<std::string> ExplainWeek(TSpSostPr& sp, ASearchEnd end, int limit = kExplainedUnitsMax);

}  // namespace zavlin
