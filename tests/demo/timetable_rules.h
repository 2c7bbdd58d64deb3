// An independent judge of a sample's hidden timetable: it reads the rules
// from the year as it was stored (groups' windows and study days, teachers'
// availability and wished days, subjects' blocks and assignments, unions,
// load, rooms, pinned lessons) and the lessons from the plan, and lists
// every lesson that breaks one. It shares no code with the generator.
#pragma once

#include <string>
#include <vector>

#include "demo/sample_plan.h"
#include "model/year.h"

namespace zavlin::demo::testing {

std::vector<std::string> timetableViolations(const SamplePlan& plan, const TAllRasp& year);

// Empty periods between a day's first and last lesson, over all groups and
// over all teachers, of one week of the plan.
struct Holes {
    int groups = 0;
    int teachers = 0;
};
Holes countHoles(const PlanWeek& week);

}  // namespace zavlin::demo::testing
