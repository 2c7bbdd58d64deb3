// The steps of planSample, in the order it runs them.
#pragma once

#include "demo/random.h"
#include "demo/sample_plan.h"

namespace zavlin::demo::detail {

// Faculties, subject names, groups with their curricula, unions; then the
// two below.
void planCollege(SamplePlan& plan, SampleRandom& rnd);
// The teachers, in proportion to the hours of their commissions.
void planTeachers(SamplePlan& plan, SampleRandom& rnd);
// Each subject of each group its teacher, or two for subgroups.
void assignTeachers(SamplePlan& plan, SampleRandom& rnd);
// The hidden timetable of both active weeks; the subjects' targets become
// what was laid.
void planTimetable(SamplePlan& plan, SampleRandom& rnd);
// Buildings and rooms sized by the hidden timetable, and its rooms.
void planRooms(SamplePlan& plan, SampleRandom& rnd);
// Substitutions, examinations, credits and the groups the demo shows.
void planEvents(SamplePlan& plan, SampleRandom& rnd);

}  // namespace zavlin::demo::detail
