// The timetable reports for the word processor: a group's or a teacher's
// year, a teacher's groups over the year, the chess boards of teachers and of
// groups, the card of one day and the two board prints. Every lesson is shown
// as it is held: a substitution shows its teacher, a cancelled or replaced
// lesson shows nothing.
//
// Each generator writes its page into the hub's "temp" under its file name
// and hands it to the hub's opener (or tells where it lies), through
// THtmlExportHub::WriteDocument; false with the message shown.
#pragma once

#include <string>
#include <vector>

#include "export/html_documents.h"
#include "export/html_report_parts.h"

namespace zavlin {
class TYrok;
}

namespace zavlin::exporting {

inline constexpr const char* kGrypYearFile = "godgryp.htm";
inline constexpr const char* kFioYearFile = "godfio.htm";
inline constexpr const char* kFioGrypYearFile = "grypfiogod.htm";
inline constexpr const char* kFioChessFile = "shfio.htm";
inline constexpr const char* kGrypChessFile = "shgryp.htm";
inline constexpr const char* kDayCardFile = "kartday.htm";
inline constexpr const char* kWeekStandFile = "stend.htm";
inline constexpr const char* kNumeratorStandFile = "stendchz.htm";

// The titles of the documents: the captions of their menu items.
inline constexpr const char* kGrypYearTitle = "Расписание  для группы на год (с заменами)";
inline constexpr const char* kFioYearTitle = "Расписание для преподавателя на год(с заменами)";
inline constexpr const char* kFioGrypYearTitle = "Группы преподавателя на год (с заменами)";
inline constexpr const char* kFioChessTitle =
    "Шахматка преподавателей на выбранные недели (с заменами)";
inline constexpr const char* kGrypChessTitle = "Шахматка групп на выбранные недели(с заменами)";
inline constexpr const char* kDayCardTitle = "Печать на карточку на один день(с заменами)";
inline constexpr const char* kWeekStandTitle = "Печать на стенд на неделю(с заменами)";
inline constexpr const char* kNumeratorStandTitle = "Печать на стенд Числитель-Знаменатель";

// Said under the headings where a document shows no lesson at all.
inline constexpr const char* kNoLessonsText = "Занятий нет";
// The colour of a board cell that differs between the two weeks.
inline constexpr const char* kDifferColor = "RED";
inline constexpr int kStandGroupsDefault = 4;
inline constexpr int kStandGroupsMax = 12;

// A group's cell on the groups' chess board: per held lesson
// "subject/teacher/room" (short names, empty parts left out), ","-joined.
std::string GrypChessText(const TYrok* yrok);

// The groups a teacher holds lessons in, cell by cell, for one week, over
// the teachers' week index: one walk of the timetable for a board of all
// teachers, not one per teacher and cell.
class TFioWeekCells {
public:
    TFioWeekCells(const TAllRasp& year, int ne);
    // The groups ","-joined in list order; empty when the teacher is free.
    std::string Text(const TFio& fio, int d, int y) const;
    // Whether the teacher holds any lesson in the week.
    bool Busy(const TFio& fio) const;
    // The first and last period holding any lesson of the week; -1 when none.
    int First() const { return FFirst; }
    int Last() const { return FLast; }
    // Whether any lesson is held on day d (1-6).
    bool DayUsed(int d) const;

private:
    const TAllRasp& FYear;
    TFioWeekIndex FIndex;
    int FFirst = -1;
    int FLast = -1;
    unsigned FDays = 0;
};

// What a teacher held in one group over weeks first..last: per subject the
// lessons given (substitutions by the teacher counted, lessons replaced or
// cancelled not).
struct TFioGrypCount {
    const TGryp* gryp = nullptr;
    std::string subject;
    int count = 0;
};
std::vector<TFioGrypCount> CountFioGryp(const TAllRasp& year, const TFio& fio, int first, int last);

// The group's study weeks within first..last, a week table each.
[[nodiscard]] bool CreateGrypYear(THtmlExportHub& hub, const TGryp& gr, int first, int last);
// The weeks within first..last in which the teacher holds a lesson.
[[nodiscard]] bool CreateFioYear(THtmlExportHub& hub, const TFio& fio, int first, int last);
// CountFioGryp as a table with the total.
[[nodiscard]] bool CreateFioGrypYear(THtmlExportHub& hub, const TFio& fio, int first, int last);
// Over hub.Weeks: rows the busy teachers (groups), columns day x period.
[[nodiscard]] bool CreateFioChess(THtmlExportHub& hub);
[[nodiscard]] bool CreateGrypChess(THtmlExportHub& hub);
// Every group's lessons of day d (1-6) of week ne: rows groups, columns
// periods.
[[nodiscard]] bool CreateDayCard(THtmlExportHub& hub, int ne, int d);
// Every group's week ne, perTable groups side by side in a table.
[[nodiscard]] bool CreateWeekStand(THtmlExportHub& hub, int ne, int perTable = kStandGroupsDefault);
// Per group, weeks ne1 and ne2 side by side; a cell whose text differs
// between them is in kDifferColor in both columns.
[[nodiscard]] bool CreateNumeratorStand(THtmlExportHub& hub, int ne1, int ne2);

}  // namespace zavlin::exporting
