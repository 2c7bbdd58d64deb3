// The arithmetic of a group's weekly load: spreading a number of pairs over
// study weeks, synchronising weeks in pairs, copying between regular and
// additional weeks. Plain functions over the model, shared by the load window
// and the command line; every refusal is returned as the text to show.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zavlin {
class TGryp;
class TPredmet;
}  // namespace zavlin

namespace zavlin::entry {

// Weeks 53..56 are the four additional weeks.
inline constexpr int kFirstExtraWeek = 53;

// The most pairs a subject is given in one study week: the window offers
// totals up to twice that many hours a week, the command line refuses more.
inline constexpr int kMaxPairsPerWeek = 20;

// The study weeks of the group within [first, last] (first clamped to 1,
// last to 56), in week order.
std::vector<int> StudyWeeksIn(const TGryp& gr, int first, int last);

// Pairs of the group's regular layer in week ne: "Итого пары в неделю".
int WeekPairTotal(const TGryp& gr, int ne);

// The pair count of one subject in each of the study weeks (in order): b =
// total div j in every one of the j weeks, then the r = total mod j remaining
// pairs one per week, first to the weeks at an even distance from the first
// week then to those at an odd distance, or odd first when oddFirst.
// Distance counts week numbers, not places in the list: with a holiday
// between them, weeks 3 and 5 are both at an even distance from week 3.
// Empty when there are no weeks.
std::vector<int> DistributePairs(int total, const std::vector<int>& studyWeeks, bool oddFirst);

// Whether the odd class comes first for weeks (in order): of the first two
// weeks, the regular-load totals of those at an odd distance from the first
// add up to less than those at an even distance. False for fewer than two.
bool OddDistanceFirst(const TGryp& gr, const std::vector<int>& studyWeeks);

// Sets the subject's regular pair count in week ne, adding or removing pairs
// of its basket one at a time (the model removes presets and placed lessons
// beyond the new count). False when the week is not one of the group's, the
// count is outside 0..255 (a byte of the basket), or the basket is full.
bool SetSubjectPairs(TPredmet& pr, int ne, int count);

// "Количество пар в неделю": each subject in order gets total pairs over the
// study weeks of [first, last], each computed after the previous subject was
// set. Returns the number of study weeks used (0: nothing changed).
int SetPairsInWeeks(TGryp& gr, const std::vector<TPredmet*>& subjects, int first, int last,
                    int total);

enum class TSyncVariant { FirstTwoSelected, Extra12, Extra34 };

// The refusal text for synchronising the selection [first, last] with that
// variant; nothing when it may run.
std::optional<std::string> SyncRefusal(const TGryp& gr, TSyncVariant variant, int first, int last);
// Runs it (nothing when SyncRefusal has a refusal); returns how many week
// counts of the subjects changed.
int SyncLoad(TGryp& gr, const std::vector<TPredmet*>& subjects, TSyncVariant variant, int first,
             int last);

// Copying a regular week to a week of the group, where both are study weeks:
// every subject gets the source's regular pair count and teachers.
// False when either is not a study week of the group.
bool CopyWeekToWeek(TGryp& gr, int from, int to);
// Copies each (from, to) of a plan; returns how many were copied.
int CopyWeeks(TGryp& gr, const std::vector<std::pair<int, int>>& plan);

// Refusals of the copies to and from additional weeks that the plans below
// give as "nothing".
inline constexpr const char* kCopyToExtraRefusal =
    "Сделайте активными две или четыре недели(одну или две обычных и одну или две "
    "дополнительных)";
inline constexpr const char* kWrongActiveWeeks = "Ошибочный выбор активных недель.";

// The weeks "Копирование на дополнительные недели" copies: (regular,
// additional) pairs, one or two, from the active weeks (index 0 is week 1);
// nothing when the active weeks do not allow it.
std::optional<std::vector<std::pair<int, int>>> CopyToExtraPlan(const std::array<bool, 56>& active);
// The two additional weeks "Копирование c дополнительных недель" copies
// from, or the refusal text for the active weeks.
struct TExtraSource {
    int first = 0;
    int second = 0;
    std::string refusal;  // empty when first and second are set
};
TExtraSource CopyFromExtraSource(const std::array<bool, 56>& active);
// The refusal for the selected week columns [first, last] as targets;
// nothing when they are at least two regular weeks.
std::optional<std::string> CopyFromExtraSelectionRefusal(int first, int last);
// Copies into each week of [first, last]: odd-numbered weeks from
// source.first, even-numbered ones from source.second. Returns the weeks
// copied.
int CopyFromExtra(TGryp& gr, const TExtraSource& source, int first, int last);

}  // namespace zavlin::entry
