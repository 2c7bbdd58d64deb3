// The monthly statements: hours x 100 per calendar day of one month, for a
// teacher (TMyForma3.CreateFio) and for a group (TMyForma2.CreateGryp).
//
// Column i (1-31) shows day i + hh of the month chosen: a day <= 0 lies in
// the previous month (+31), a day >= 32 in the next one (-31); a day beyond
// its month's length leaves the column empty, and so does August with
// September chosen and September with August chosen (another academic year).
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "reports/report_table.h"

namespace zavlin {
class TAllRasp;
class TFio;
class TGryp;
}  // namespace zavlin

namespace zavlin::reports {

inline constexpr int kStatementDays = 31;
inline constexpr int kStatementPeriods = 12;
inline constexpr int kExtraSlot = kStatementPeriods;  // examinations and credits
inline constexpr int kStatementSlots = kStatementPeriods + 1;
inline constexpr int kStatementPositions = 6;  // teacher positions in a subject

// The start offsets hh and their names: "с 1 ч.мес." is 0, "с 28 ч. прошлого
// мес." to "с 20 ч. прошлого мес." are -4 to -12, "с 5 ч. этого мес." 4,
// "с 10 ч. этого мес." 9.
struct TStatementStart {
    const char* text;
    int hh;
};
extern const std::array<TStatementStart, 12> kStatementStarts;

// The kind filter of the teacher's statement.
enum class TStatementKinds {
    All,            // "Сетка+Замены+Вне сетки"
    Substitutions,  // "Только Замены"
    Additional,     // "Только Вне сетки"
};
const char* statementKindsText(TStatementKinds kinds);

// What counts; an empty set selects everything of its kind.
struct TStatementFilter {
    std::set<int> attributes;    // TAtr::N; 0 = "Сетка"
    std::set<int> subjectNames;  // TYrName::N
    std::set<const TGryp*> groups;
};

struct TStatementDay {
    int32_t date = 0;  // 0: the column is empty
    int ne = 0;        // week 1-52 and day 1-7 of the date; 0 outside
    int de = 0;
    bool sunday = false;
};

using TDaySlots = std::array<int, kStatementSlots>;

struct TStatementRow {
    std::string first;   // teacher statement: group; group statement: subject name
    std::string second;  // teacher statement: subject name; group statement: teacher
    std::array<TDaySlots, kStatementDays> days{};  // [column][period or extra slot]
    int DayTotal(int column) const;
    int Total() const;
};

struct TMonthStatement {
    int month = 9;
    int hh = 0;
    std::array<TStatementDay, kStatementDays> days{};
    std::vector<TStatementRow> rows;
    // The group statement: per column and teacher position.
    std::array<std::array<int, kStatementPositions>, kStatementDays> positions{};

    // "без учета": every slot of every row.
    int TotalNoUnions() const;
    // "с учетом объединений": per day and period the largest row value (one
    // lesson given to several groups at once), plus the extra slots.
    int TotalUnions() const;
    int DayTotalUnions(int column) const;
    // "Для полной группы" of one column: "4" or "4(4+2)".
    std::string FullGroupText(int column) const;
};

// The days of the columns for month me (1-12) of the year's calendar.
std::array<TStatementDay, kStatementDays> statementDays(const TAllRasp& year, int me, int hh);

TMonthStatement CreateFio(const TAllRasp& year, const TFio& Fi, int me, int hh,
                          TStatementKinds Setka, const TStatementFilter& filter = {});
TMonthStatement CreateGryp(const TAllRasp& year, const TGryp& Gr, int me, int hh,
                           const TStatementFilter& filter = {});

// The heading of the group statement's figures for the whole group.
inline constexpr const char* kFullGroupHead = "Для полной группы";

// The group statement as its window shows it. Row 0 is the heading:
// "Предмет", "Преподаватель", the day of the month of each of the 31 columns
// (empty for an empty column, a Sunday followed by ";вых"), "Итого". Then a
// row per (subject name, teacher) with its hours per day, and last the row
// headed kFullGroupHead with FullGroupText per day and for the month.
TDGrid groupStatementGrid(const TMonthStatement& st);

// Several teachers' statements summed: "Общая сумма часов с учетом
// объединений=" + total + "  без учета=" + total.
std::string teachersTotalText(const std::vector<TMonthStatement>& statements);

}  // namespace zavlin::reports
