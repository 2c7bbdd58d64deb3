// The study calendar of the groups as the calendar window edits it: which
// weeks a group studies in, its study days date by date, the main study days
// and second-semester start of several groups, and the first semester's
// length. Week changes go into the groups' timetables (saved with the year);
// the main study days into the groups' rows, stored at once.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/group.h"
#include "model/timetable.h"

namespace zavlin {
class TAllRasp;
class TMyDialog;
}  // namespace zavlin

namespace zavlin::entry {

// A selected cell of the calendar: a group and one of its weeks 1-56.
struct TCalendarCell {
    TGryp* gryp = nullptr;
    int ne = 0;
};

// The group's study days over the calendar weeks 1-52; the additional weeks
// are templates, not days of the year.
int countStudyDaysYear(const TGryp& gr);
// The study days of the week, or empty when the group does not study then.
std::string calendarCellText(const TGryp& gr, int ne);

// Each makes the weeks study weeks of their groups (with the group's main
// study days) and returns how many changed.
int makeStudyWeeks(const std::vector<TCalendarCell>& cells);
// Takes the weeks from their groups; a week holding load is asked about
// through the year's question box and stays when refused. How many went.
int removeStudyWeeks(const std::vector<TCalendarCell>& cells);
// A study week goes (asked about as above), any other becomes one; true when
// the week changed.
bool toggleStudyWeek(TGryp& gr, int ne);

// Study days of one week, Monday to Saturday.
struct TWeekStudyDays {
    int ne = 0;
    std::array<bool, kDayCount> study{};
};

// What the study-days dialog starts with for each week: a day counts as a
// study day when a group studying that week has it.
std::vector<TWeekStudyDays> initialStudyDays(const std::vector<TGryp*>& groups,
                                             const std::vector<int>& weeks);
// Gives every group that studies in one of the weeks the days the user
// changed from `initial` (what initialStudyDays gave); the days left as they
// were keep each group's own setting, so groups with different days are not
// made alike by an OK. A study week left without a study day is refused
// before anything changes: "Ошибка! Установите учебные дни на учебной неделе "
// + week label + " для группы " + group name. Weeks the group does not study
// in stay so.
[[nodiscard]] bool setStudyDays(const std::vector<TGryp*>& groups,
                                const std::vector<TWeekStudyDays>& initial,
                                const std::vector<TWeekStudyDays>& chosen, std::string& message);

// "Установить дату начала 2 семестра для всех выделенных групп=" + dd.mm.yyyy
std::string secondSemesterQuestion(int32_t date);
// "Установить основные учебные дни для всех выделенных групп=" + day names
std::string mainStudyDaysQuestion(const std::array<bool, kDayCount>& days);
void setSecondSemesterStart(const std::vector<TGryp*>& groups, int32_t date);
// The main study days of the groups (Sunday stays as it is), each group's row
// stored at once. Checked before anything is asked: no day chosen is refused
// with kNoStudyDay, since new weeks would take no study day. Then
// mainStudyDaysQuestion goes to dialog; "Нет" changes nothing (false, empty
// message). A row that cannot be stored stops there with its group as it was,
// and the message names it and the groups already changed, if any. stored:
// how many groups' rows were changed.
inline constexpr const char* kNoStudyDay = "Установите учебные дни!";
[[nodiscard]] bool setMainStudyDays(TAllRasp& year, TMyDialog& dialog,
                                    const std::vector<TGryp*>& groups,
                                    const std::array<bool, kDayCount>& days, int& stored,
                                    std::string& message);
// The main study days the dialog starts with: the first group's.
std::array<bool, kDayCount> mainStudyDays(const TGryp& gr);

// The first semester's length as typed: 1-52, anything else reads as 52.
int readStudyPeriodLength(std::string_view text);

}  // namespace zavlin::entry
