// The study calendar of one academic year: weeks 1-56 tied to dates (TAllNed,
// TDNed) and the texts by which weeks and days are named everywhere.
//
// Weeks 1-52 are calendar weeks from the Monday of week 1; 53-56 are template
// weeks with no dates of their own: 53, 54 belong to the autumn semester,
// 55, 56 to the spring one, the odd ones being the numerator weeks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/element_base.h"

namespace zavlin {

class TFileIni;
class TAllNed;

inline constexpr int kCalendarWeeks = 56;
inline constexpr int kStudyWeeks = 52;  // weeks with dates; 53-56 are additional

// (text, key) rows for a numbered list control.
using TListBoxN = std::vector<std::pair<std::string, int>>;

// Monday = 1 ... Sunday = 7.
int isoWeekday(int32_t date);
// "5/09/16"
std::string shortDateText(int32_t date);
// "05.09.2016"
std::string dottedDateText(int32_t date);
// "Понедельник" ... "Воскресенье" for 1-7; empty otherwise.
const char* weekdayName(int n);

class TDNed : public TElement {
public:
    int32_t Dt = 0;   // the week's Monday
    uint8_t Dt1 = 0;  // first and last day shown (1-7) when both are set
    uint8_t Dt6 = 0;
    bool Activ = false;
    TAllNed* Owner = nullptr;

    bool Dop() const { return N > kStudyWeeks; }

    // "N5(1c) c 2/09/19 по 8/09/19" (Latin c); additional weeks end in
    // "1Допонительная".
    std::string GetStrDateNed() const;
    // vVid1 = 1: dates as dd.mm.yyyy; vVid2 = 1 numerator/denominator, 2
    // odd/even instead of "Допонительная"; vVid3 = 1 autumn, 2 spring, 3 the
    // semester the additional week belongs to.
    std::string GetShortStrDateNed(int vVid1 = 0, int vVid2 = 0, int vVid3 = 0) const;
    // Day n (1-7) of the week.
    std::string GetStrDateDey(int n, int vVid1 = 0, int vVid2 = 0) const;
    // As GetStrDateDey without the year: "5/09", or "05.09" with vVid1 = 1.
    std::string GetStrDateShortDey(int n, int vVid1 = 0, int vVid2 = 0) const;
    // The date and the weekday name.
    std::string GetLongStrDateDey(int n) const;

private:
    // "1Допонительная", "Числитель", "Чётная" ... for weeks 53-56.
    std::string dopText(int vVid2) const;
    std::string dayText(int n, int vVid1, int vVid2, bool withYear) const;
};

class TAllNed {
public:
    TAllNed();
    TAllNed(const TAllNed&) = delete;
    TAllNed& operator=(const TAllNed&) = delete;

    // Weeks from the Monday of week 1, found from 1 September; then the active
    // flags from "YhGod<year>"/"Week" when Ini is set.
    void SetDataGod(int YhGod, bool vRunSubb);
    // Writes the 56 flags; false when there is no file or it cannot be saved.
    [[nodiscard]] bool SaveDataGod();
    // "YhGod2016"
    static std::string SectionName(int year);

    int32_t Date09_01() const;
    int CountDNed() const { return kCalendarWeeks; }
    int CountActivDNed() const;
    int CountActivDNedNoDop() const;
    int CountActivDNedOnlyDop() const;
    // Short texts of the active weeks joined by ",".
    std::string ActivDNedToStr() const;
    // Every (week, day 1-6) of the active weeks.
    std::vector<std::pair<int, int>> ActivDNedToArray() const;

    // Week (1-52) and day of a date of the year given as day and month; both
    // 0 (and false) for a date outside weeks 1-52, a Sunday or no such day.
    bool GetNedDey(int dey, int mon, int& Nn, int& Nd) const;
    // Sunday too, as day 7.
    bool GetNedDey7(int dey, int mon, int& Nn, int& Nd) const;
    // The same for a whole date.
    bool DateToNedDey(int32_t date, bool withSunday, int& Nn, int& Nd) const;

    // "5(1c)", "1(2c)", "2доп.": the label of week i under FLengthSemestr.
    std::string GetNumberWeek(int i) const;

    // One line per week: label + " c " + Monday + " по " + Sunday, or
    // "1Допонительная" for the additional weeks; the key is the week.
    TListBoxN DateGodToListBoxN() const;
    TListBoxN DateGodToComboBoxN() const { return DateGodToListBoxN(); }
    std::vector<std::string> DateGodToMemo() const;
    // The weeks a multi-selection list starts with: the active ones, or week
    // 1, activated, when none is.
    std::vector<int> PreselectActiv();

    // Makes exactly these weeks active (numbers outside 1-56 are ignored).
    void SetActivWeeks(const std::vector<int>& weeks);

    TDNed* DNed(int i) {
        return i >= 1 && i <= kCalendarWeeks ? &LNed[static_cast<std::size_t>(i - 1)] : nullptr;
    }
    const TDNed* DNed(int i) const {
        return i >= 1 && i <= kCalendarWeeks ? &LNed[static_cast<std::size_t>(i - 1)] : nullptr;
    }

    std::array<TDNed, kCalendarWeeks> LNed;  // weeks 1-56
    uint16_t YGod = 0;
    int32_t Dg = 0;  // the Monday of week 1
    // Weeks of the first semester (1-52); 52 = the year is not split.
    uint8_t FLengthSemestr = kStudyWeeks;
    TFileIni* Ini = nullptr;  // "god.Ini"; not owned
};

}  // namespace zavlin
