// What the teacher windows of the composition inputs show and change: the
// availability grid and its restricted teachers, and the wished number of
// working days as it is listed and chosen.
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;
class TSpisok;
class TFio;

// The teacher may not teach in at least one of the 72 cells.
bool HasRestriction(const TFio& fio);
// The teachers with a restriction, in list order.
std::vector<TFio*> RestrictedTeachers(const TSpisok& year);
// Sets the cells of days d1..d2 and periods y1..y2 (bounds in either order,
// cut to days 1-6 and periods 0-11) to "works" or "does not work"; true when
// a cell changed.
bool SetAvailability(TFio& fio, int d1, int d2, int y1, int y2, bool works);
// Every cell "works"; true when a cell changed.
bool ClearAvailability(TFio& fio);

// Writes each teacher that is still in the year back to its tables; the
// teachers that could not be stored, in the given order (still marked
// modified, their values kept in memory).
std::vector<TFio*> StoreTeachers(TAllRasp& year, const std::vector<TFio*>& teachers);
// "\n" + the full name of each teacher.
std::string TeacherNames(const std::vector<TFio*>& teachers);

// The value as the list of wished days shows it: " Обычный" after 5,
// " Администрация" after 6.
std::string RdayText(int rday);
// The choice 1-6 a value starts on: 6 for a value outside 1-6.
int RdayChoice(int rday);

}  // namespace zavlin
