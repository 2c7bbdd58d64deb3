// Pieces shared by the report windows' documents: where a teacher teaches in
// a week (gathered in one pass over the groups, so that a document over many
// teachers and weeks stays linear in the timetable), the texts of such a
// cell, and the period range a document was asked for.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/html_writer.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin::exporting {

class THtmlExportHub;

// The lessons every teacher holds in one week, layer 0, per day and period:
// the same lessons GetNFioOfGryp finds (held, with that teacher).
class TFioWeekIndex {
public:
    TFioWeekIndex(const TAllRasp& year, int ne);

    const std::vector<TGrypYr>& At(const TFio* fio, int d, int y) const;
    // Whether the teacher holds anything that week in periods y1..y2.
    bool Any(const TFio* fio, int y1, int y2) const;

private:
    using TCells = std::array<std::array<std::vector<TGrypYr>, kPeriodCount>, kDayCount + 1>;
    std::unordered_map<const TFio*, TCells> FCells;
    std::vector<TGrypYr> FNone;
};

// The week indexes of a document over many weeks, each made when first asked
// for and kept for the document's life.
class TFioWeekIndexes {
public:
    explicit TFioWeekIndexes(const TAllRasp& year) : FYear(year) {}
    const TFioWeekIndex& Week(int ne);

private:
    const TAllRasp& FYear;
    std::map<int, std::unique_ptr<TFioWeekIndex>> FWeeks;
};

// The distinct groups, subjects and rooms of a teacher's lessons in one
// period, each ","-joined.
struct TFioCellText {
    TFioCellText(const TAllRasp& year, const std::vector<TGrypYr>& lessons);
    std::string Gryp;
    std::string Predmet;
    std::string Ayd;
    bool Empty() const { return Gryp.empty() && Predmet.empty(); }
};

// A cell's list: text is added unless empty or there already; the list is
// shown ","-joined.
void AddDistinct(std::vector<std::string>& list, const std::string& text);
std::string JoinedList(const std::vector<std::string>& list);

// Periods y1..y2 kept inside 0..11, in order.
void ClampPeriods(int& y1, int& y2);
// Weeks n1..n2 kept inside 1..56, in order.
void ClampWeeks(int& n1, int& n2);

// The day as documents name it: its name and date in week ne.
std::string DayText(const THtmlExportHub& hub, int ne, int d);

// A heading row: first the given heads, then one column per period y1..y2
// headed by its number.
void AddPeriodHeads(html::TGridHtml& grid, const std::vector<std::string>& heads, int y1, int y2);

// The heads of a grid of days over periods: the given heads spanning two
// rows, then each of days (1-6) over its periods y1..y2; the periods, named
// by periodText, make the first row of the body.
void AddDayPeriodHeads(html::TGridHtml& grid, const std::vector<std::string>& heads,
                       const std::vector<int>& days, int y1, int y2,
                       const std::function<std::string(int y)>& periodText);

}  // namespace zavlin::exporting
