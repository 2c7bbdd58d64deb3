// What the teacher windows of the composition inputs show and change: the
// availability grid and its restricted teachers, and the wished number of
// working days as it is listed and chosen.
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;
class TMyDialog;
class TSpisok;
class TFio;

// The teacher may not teach in at least one of the 72 cells.
bool HasRestriction(const TFio& fio);
// The teachers with a restriction, in list order.
std::vector<TFio*> RestrictedTeachers(const TSpisok& year);
// Sets the cells of days d1..d2 and periods y1..y2 (bounds in either order,
// cut to days 1-6 and periods 0-11) to 1 ("works") or 0 ("does not work");
// true when a cell changed.
bool SetAvailability(TFio& fio, int d1, int d2, int y1, int y2, bool works);
// Every cell 1; true when a cell changed.
bool ClearAvailability(TFio& fio);

// The teachers a window has changed and not yet stored. They are held by
// number, not by address: the teacher list a window opens may delete a
// teacher and add another that lands on the freed memory.
class TModifiedTeachers {
public:
    // Marks the teacher modified; each teacher is held once.
    void Mark(TFio& fio);
    const std::vector<int>& Numbers() const { return numbers_; }
    bool Empty() const { return numbers_.empty(); }
    // Forgets the teachers no longer in the year.
    void DropDeleted(const TAllRasp& year);
    // Writes each teacher still in the year back to its tables; keeps the
    // ones that could not be stored (their values stay in memory). True
    // when none is left.
    [[nodiscard]] bool Store(TAllRasp& year);
    // "\n" + the full name of each held teacher still in the year.
    std::string Names(const TAllRasp& year) const;

private:
    std::vector<int> numbers_;
};

// What a teacher window does on closing: stores the modified teachers and,
// when some could not be stored, names them after `failed` and asks whether
// to close without them. True when the window may close.
[[nodiscard]] bool StoreOrAskToClose(TAllRasp& year, TModifiedTeachers& modified, TMyDialog& dialog,
                                     const std::string& failed);

// The value as the list of wished days shows it: " Обычный" after 5,
// " Администрация" after 6.
std::string RdayText(int rday);
// The choice 1-6 a value starts on: 6 for a value outside 1-6.
int RdayChoice(int rday);

}  // namespace zavlin
