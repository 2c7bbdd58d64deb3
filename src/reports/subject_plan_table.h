// A subject name across the groups ("Предмет в группах  по плану"): one row
// per subject of that name in a group, in the year's group order, with its
// teachers and, per semester and for the year, the pairs the curriculum plans
// ("по плану": Sem1, Sem2) beside the pairs the weekly load gives ("по
// сетке": the regular load of the group's weeks of that semester). The last
// row sums the columns. Columns: "N", "Группа", "Преподаватели", then the
// two figures under "1 семестр", "2 семестр" and "За год".
#pragma once

#include "reports/load_tables.h"

namespace zavlin {
class TYrName;
}

namespace zavlin::reports {

// The figures of one subject of a group.
struct TSubjectPlan {
    int plan[2] = {0, 0};  // Sem1, Sem2
    int load[2] = {0, 0};  // the weekly load of each semester
};
TSubjectPlan SubjectPlan(const TPredmet& pr);

// WeeksText names the study weeks the load columns count.
TLoadTable SubjectInGroupsTable(const TAllRasp& year, const TYrName& name);

}  // namespace zavlin::reports
