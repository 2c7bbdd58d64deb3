// The summary statements: hours x 100 per month of the academic year
// (September ... August) and for the year, counted as the monthly statements
// count them (held lessons with a teacher, examination entries, credit
// records for each of their teachers), every attribute and kind included.
//   TForm35  one group:  rows (subject name, teacher)
//   TForm24  one teacher: rows (group, subject name)
//   TForm40  each group:  rows teacher, one table per group
//   TForm39  all groups:  rows teacher
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace zavlin {
class TAllRasp;
class TFio;
class TGryp;
}  // namespace zavlin

namespace zavlin::reports {

inline constexpr int kSummaryMonths = 12;
inline constexpr int kSummaryYear = kSummaryMonths;  // the year's column

// "Сентябрь" ... "Август", "За год".
extern const std::array<const char*, kSummaryMonths + 1> kSummaryHeads;

struct TSummaryRow {
    std::string first;
    std::string second;  // empty for the teacher rows
    std::array<int, kSummaryMonths + 1> h00{};
};

struct TSummaryTable {
    std::string title;  // the group or teacher it is about; empty for all
    std::vector<TSummaryRow> rows;
    TSummaryRow total;  // "Итого"
};

// The month's column (0 = September), -1 for no month.
int summaryColumn(int month);

// Asked before each group's lessons are walked; false stops the count, and
// what it returns is then partial, to be dropped. A window closed during a
// long count stops it so.
using TSummaryGoOn = std::function<bool()>;

TSummaryTable groupSummary(const TAllRasp& year, const TGryp& gr, const TSummaryGoOn& goOn = {});
TSummaryTable teacherSummary(const TAllRasp& year, const TFio& fio, const TSummaryGoOn& goOn = {});
std::vector<TSummaryTable> teachersOfEachGroup(const TAllRasp& year, const TSummaryGoOn& goOn = {});
TSummaryTable teachersOfAllGroups(const TAllRasp& year, const TSummaryGoOn& goOn = {});

}  // namespace zavlin::reports
