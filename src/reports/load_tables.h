// The two weekly load tables of the report windows, as report grids:
//
// The teachers' planned load ("Планируемая нагрузка преподавателя"): one row
// per teacher with its week totals, under it one row per (group, subject)
// it teaches in the chosen weeks. Columns: "Преподаватель", "Группа",
// "Предмет", one per week under the header "Недели", then "пары" and "часы"
// under "Итого".
//
// A group's summary ("Сводная таблица для группы (планируемая)"): one row per
// subject with its teachers, the last row the week totals. Columns: "N",
// "Предмет", "Преподаватели", then the weeks of each semester followed by the
// semester's total, under "1 семестр" / "2 семестр" and, above those,
// "Недели"; then "пары" and "часы" under "Итого за год".
//
// A cell holds the planned pairs of the regular load (empty for none); hours
// are pairs times kHoursPerPair and appear only in the "часы" column. Week
// columns are headed by the week's label, written bottom to top.
#pragma once

#include <string>
#include <vector>

#include "reports/report_table.h"

namespace zavlin {
class TAllRasp;
class TFio;
class TGryp;
class TPredmet;
}  // namespace zavlin

namespace zavlin::reports {

constexpr int kHoursPerPair = 2;

// A report table with the lines printed above it.
struct TLoadTable {
    std::string Title;      // what and whose
    std::string WeeksText;  // follows "Недели : "
    TDGrid Grid;
};

// The planned pairs of teacher fio in subject pr in week ne: the lessons per
// week of every assignment of fio to the subject that week (two subgroups
// taught by the same teacher count twice).
int TeacherPairs(const TPredmet& pr, int ne, const TFio& fio);

// The weeks as runs of numbers: "1-4, 7, 9-10".
std::string WeeksShownText(const std::vector<int>& weeks);

// Teachers in the given order; none given: every teacher of the year with
// planned pairs in the weeks, in list order. A teacher's total counts the
// pairs of a union of groups once, as they are taught once.
TLoadTable TeacherLoadTable(const TAllRasp& year, const std::vector<int>& weeks,
                            const std::vector<const TFio*>& teachers = {});

// The weeks of 1-52 among the given ones, grouped by the group's semesters.
TLoadTable GroupSummaryTable(const TAllRasp& year, const TGryp& gr, const std::vector<int>& weeks);

}  // namespace zavlin::reports
