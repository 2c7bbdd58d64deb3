// Hour accounting: the lessons planned, placed and delivered for a group, a
// teacher or a subject name, as tables a window shows in one pass.
//
// Accounting counts lessons ("пары"); a figure is shown as lessons followed
// by hours in parentheses (a lesson = 2 academic hours), "12(24)", or the
// lessons alone when only pairs are asked; 0 is an empty cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zavlin {
class TAllNed;
class TAllRasp;
class TFio;
class TGryp;
class TPredmet;
class TYrName;
}  // namespace zavlin

namespace zavlin::reports {

// --- Units

// Minutes become academic hours x 100 by minutesToKh00 (model/exam.h).
// Academic hours x 100 as "2", "2,20", "0,07".
std::string academicHoursText(int h00);
// Hours x 100 in the monthly statements: "2", "2.20"; empty for 0.
std::string statementHoursText(int h00);
// A lesson count as "12(24)", "12" with pairsOnly, "" for 0.
std::string pairsText(int lessons, bool pairsOnly);

// The week (1-52) and day (1-6) an accounting date stands for: that day,
// else the day before, else week 52 day 6.
void accountDateToNedDey(const TAllNed& calendar, int32_t date, int& ne, int& de);

// The first (week, day) counted from a date: that day, else the next one,
// else week 1 day 1 for a date before the year (week 53 after it).
void accountFromDateToNedDey(const TAllNed& calendar, int32_t date, int& ne, int& de);

// --- Accounting tables

enum class THoursMode {
    Grid,        // "Сетка": plan lessons and substitutions
    Additional,  // "Допол-но вне сетки": lessons assigned outside the grid
};

struct TAccountOptions {
    THoursMode mode = THoursMode::Grid;
    int32_t toDate = 0;      // "Вычитка до  даты"; 0: the end of the year
    int32_t fromDate = 0;    // delivered counted from this day; 0: week 1
    bool pairsOnly = false;  // "Показывать только пары"
    bool shortView = false;  // "Краткий вид": 6 columns
};

struct TAccountCell {
    std::string text;  // what the cell shows
    int value = 0;     // lessons; 0 for an empty or text cell
    bool numeric = false;
};

// One row: a (subject, teacher) pair of a group, planned or taken over by
// substitution ("(замена)"), or the total.
struct TAccountRow {
    std::vector<TAccountCell> cells;  // one per column
    const TGryp* gryp = nullptr;
    const TPredmet* predmet = nullptr;
    const TFio* fio = nullptr;
    bool substitution = false;
};

// Columns grouped under one heading ("Пары(Часы)1 сем.").
struct TAccountHeadGroup {
    std::string text;
    int firstColumn = 0;
    int columnCount = 0;
};

struct TAccountTable {
    std::string title;  // "Группа Предмет", "Предмет Преподаватель", ...
    // Column headings; ";" separates the lines of one heading.
    std::vector<std::string> heads;
    std::vector<TAccountHeadGroup> headGroups;
    std::vector<TAccountRow> rows;
    TAccountRow total;  // "Итог": every numeric column summed
    int toNe = 52;      // the accounting date as (week, day)
    int toDe = 6;
    int fromNe = 1;  // where delivered lessons start being counted
    int fromDe = 1;
};

// Full view headings, in column order.
extern const char* const kAccountHeads[7];

// TForm20: the subjects of one group.
TAccountTable accountByGroup(const TAllRasp& year, const TGryp& gr, const TAccountOptions& o);
// TForm21: one teacher over every group.
TAccountTable accountByTeacher(const TAllRasp& year, const TFio& fio, const TAccountOptions& o);
// TForm37: every group's subjects of one subject name.
TAccountTable accountBySubjectName(const TAllRasp& year, const TYrName& name,
                                   const TAccountOptions& o);

}  // namespace zavlin::reports
