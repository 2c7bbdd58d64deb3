#include "entry/load_ops.h"

#include <algorithm>

#include "model/group.h"
#include "model/timetable.h"

namespace zavlin::entry {
namespace {

constexpr int kLastRegularWeek = kFirstExtraWeek - 1;
constexpr int kMaxWeekPairs = 255;  // the basket counts in a byte

bool oddDistance(int week, int from) {
    return (week - from) % 2 != 0;
}

int pairsIn(const TPredmet& pr, int ne) {
    return pr.CountPredmetNe(kSetkaPlan, ne);
}

// The two template weeks of a variant.
std::pair<int, int> syncTemplate(TSyncVariant variant, int first) {
    switch (variant) {
        case TSyncVariant::FirstTwoSelected:
            return {first, first + 1};
        case TSyncVariant::Extra12:
            return {kFirstExtraWeek, kFirstExtraWeek + 1};
        case TSyncVariant::Extra34:
            break;
    }
    return {kFirstExtraWeek + 2, kFirstExtraWeek + 3};
}

}  // namespace

std::vector<int> StudyWeeksIn(const TGryp& gr, int first, int last) {
    std::vector<int> weeks;
    for (int ne = std::max(first, 1); ne <= std::min(last, kWeeks); ++ne)
        if (gr.TestNed(ne)) weeks.push_back(ne);
    return weeks;
}

int WeekPairTotal(const TGryp& gr, int ne) {
    const TNed* week = gr.GetNed(ne);
    return week != nullptr ? week->CountYrokKorzina(kSetkaPlan) : 0;
}

std::vector<int> DistributePairs(int total, const std::vector<int>& studyWeeks, bool oddFirst) {
    const int j = static_cast<int>(studyWeeks.size());
    if (j == 0) return {};
    total = std::max(total, 0);
    std::vector<int> counts(studyWeeks.size(), total / j);
    int rest = total % j;
    const int from = studyWeeks.front();
    for (const bool odd : {oddFirst, !oddFirst})
        for (std::size_t i = 0; i < studyWeeks.size() && rest > 0; ++i)
            if (oddDistance(studyWeeks[i], from) == odd) {
                ++counts[i];
                --rest;
            }
    return counts;
}

bool OddDistanceFirst(const TGryp& gr, const std::vector<int>& studyWeeks) {
    if (studyWeeks.size() < 2) return false;
    const int from = studyWeeks[0];
    int even = 0;
    int odd = 0;
    for (std::size_t i = 0; i < 2; ++i)
        (oddDistance(studyWeeks[i], from) ? odd : even) += WeekPairTotal(gr, studyWeeks[i]);
    return odd < even;
}

bool SetSubjectPairs(TPredmet& pr, int ne, int count) {
    if (pr.Gryp() == nullptr || pr.Gryp()->GetNed(ne) == nullptr) return false;
    if (count < 0 || count > kMaxWeekPairs) return false;
    // Each step must move the count, or the basket refused: stop there.
    for (int have = pairsIn(pr, ne); have != count;) {
        if (have < count) {
            if (pr.AddPredmetNe(kSetkaPlan, ne) == nullptr) return false;
        } else if (!pr.DelPredmetNe(kSetkaPlan, ne, false)) {
            return false;
        }
        const int now = pairsIn(pr, ne);
        if (now == have) return false;
        have = now;
    }
    return true;
}

int SetPairsInWeeks(TGryp& gr, const std::vector<TPredmet*>& subjects, int first, int last,
                    int total) {
    const std::vector<int> weeks = StudyWeeksIn(gr, first, last);
    if (weeks.empty() || total < 0) return 0;
    for (TPredmet* pr : subjects) {
        if (pr == nullptr || pr->Gryp() != &gr) continue;
        // Asked per subject: the previous subject has changed the totals.
        const std::vector<int> counts = DistributePairs(total, weeks, OddDistanceFirst(gr, weeks));
        for (std::size_t i = 0; i < weeks.size(); ++i)
            (void)SetSubjectPairs(*pr, weeks[i], counts[i]);
    }
    return static_cast<int>(weeks.size());
}

std::optional<std::string> SyncRefusal(const TGryp& gr, TSyncVariant variant, int first, int last) {
    first = std::max(first, 1);
    last = std::min(last, kWeeks);
    const int selected = last - first + 1;
    const auto [t1, t2] = syncTemplate(variant, first);
    if (variant == TSyncVariant::FirstTwoSelected) {
        if (selected < 4) return "Требуется выделить не менее четырех недель";
        if (!gr.TestNed(t1) || !gr.TestNed(t2))
            return "Первые две выделенные недели должны быть учебные";
        return std::nullopt;
    }
    if (selected < 2) return "Требуется выделить не менее двух недель";
    if (!gr.TestNed(t1) || !gr.TestNed(t2)) return "Дополнительные недели должны быть учебные";
    return std::nullopt;
}

int SyncLoad(TGryp& gr, const std::vector<TPredmet*>& subjects, TSyncVariant variant, int first,
             int last) {
    if (SyncRefusal(gr, variant, first, last)) return 0;
    first = std::max(first, 1);
    last = std::min(last, kWeeks);
    const auto [t1, t2] = syncTemplate(variant, first);
    int changed = 0;
    for (TPredmet* pr : subjects) {
        if (pr == nullptr || pr->Gryp() != &gr) continue;
        const int a = pairsIn(*pr, t1);
        const int b = pairsIn(*pr, t2);
        for (int ne = first; ne + 1 <= last; ne += 2) {
            if (!gr.TestNed(ne) || !gr.TestNed(ne + 1)) continue;
            const int here = pairsIn(*pr, ne);
            const int next = pairsIn(*pr, ne + 1);
            // Only a pair with the same sum: the year's total stays.
            if (here + next != a + b) continue;
            if (here != a && SetSubjectPairs(*pr, ne, a)) ++changed;
            if (next != b && SetSubjectPairs(*pr, ne + 1, b)) ++changed;
        }
    }
    return changed;
}

bool CopyWeekToWeek(TGryp& gr, int from, int to) {
    if (!gr.TestNed(from) || !gr.TestNed(to)) return false;
    gr.CopyAllPredmetNedToNed(kSetkaPlan, from, to, false);
    return true;
}

int CopyWeeks(TGryp& gr, const std::vector<std::pair<int, int>>& plan) {
    int copied = 0;
    for (const auto& [from, to] : plan)
        if (CopyWeekToWeek(gr, from, to)) ++copied;
    return copied;
}

std::optional<std::vector<std::pair<int, int>>> CopyToExtraPlan(
    const std::array<bool, 56>& active) {
    std::vector<int> regular;
    std::vector<int> extra;
    for (int ne = 1; ne <= kWeeks; ++ne)
        if (active[static_cast<std::size_t>(ne - 1)])
            (ne < kFirstExtraWeek ? regular : extra).push_back(ne);
    if (regular.size() != extra.size() || regular.empty() || regular.size() > 2)
        return std::nullopt;
    std::vector<std::pair<int, int>> plan;
    for (std::size_t i = 0; i < regular.size(); ++i) plan.emplace_back(regular[i], extra[i]);
    return plan;
}

TExtraSource CopyFromExtraSource(const std::array<bool, 56>& active) {
    TExtraSource source;
    std::vector<int> extra;
    bool regular = false;
    for (int ne = 1; ne <= kWeeks; ++ne)
        if (active[static_cast<std::size_t>(ne - 1)]) {
            if (ne < kFirstExtraWeek)
                regular = true;
            else
                extra.push_back(ne);
        }
    if (regular || extra.size() > 2) {
        source.refusal = "Требуется сделать активными только две дополнительные недели.";
    } else if (extra.size() < 2) {
        source.refusal = "Требуется сделать активными две дополнительные недели.";
    } else {
        source.first = extra[0];
        source.second = extra[1];
    }
    return source;
}

std::optional<std::string> CopyFromExtraSelectionRefusal(int first, int last) {
    first = std::max(first, 1);
    if (last - first + 1 < 2) return "Выделите не менее двух обычных недель";
    if (last >= kFirstExtraWeek) return "Выделите две обычных недели, а не дополнительные";
    return std::nullopt;
}

int CopyFromExtra(TGryp& gr, const TExtraSource& source, int first, int last) {
    if (!source.refusal.empty() || source.first == 0 || source.second == 0) return 0;
    int copied = 0;
    for (int ne = std::max(first, 1); ne <= std::min(last, kLastRegularWeek); ++ne)
        if (CopyWeekToWeek(gr, ne % 2 != 0 ? source.first : source.second, ne)) ++copied;
    return copied;
}

}  // namespace zavlin::entry
