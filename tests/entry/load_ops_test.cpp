// The load arithmetic on hand-built years: spreading pairs over study weeks,
// synchronising week pairs, copying weeks and planning the extra-week copies.
#include "entry/load_ops.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "model/group.h"
#include "model/teacher.h"
#include "model/year_fixture.h"

namespace zavlin::entry {
namespace {

class LoadOps : public testing_year::YearFixture {
protected:
    // A group studying in the given weeks; Yd 0 marks a week it holds but
    // does not study in.
    TGryp* groupWithWeeks(std::initializer_list<int> study, std::initializer_list<int> idle = {}) {
        TGryp* gr = group("ИС-" + std::to_string(++groups));
        for (int ne : study) gr->SetNed(ne);
        for (int ne : idle) gr->SetNedDey(ne, 0);
        return gr;
    }

    TPredmet* subjectOf(TGryp* gr, int name) {
        TPredmet* pr = gr->CreatePredmet(names[static_cast<std::size_t>(name)]);
        gr->AddPredmet(pr);
        return pr;
    }

    static void setCounts(TPredmet* pr, std::initializer_list<std::pair<int, int>> weekCounts) {
        for (const auto& [ne, count] : weekCounts) ASSERT_TRUE(SetSubjectPairs(*pr, ne, count));
    }

    static std::vector<int> counts(const TPredmet* pr, std::initializer_list<int> weeks) {
        std::vector<int> out;
        for (int ne : weeks) out.push_back(pr->CountPredmetNe(kSetkaPlan, ne));
        return out;
    }

    int groups = 0;
};

using V = std::vector<int>;

TEST(DistributePairs, EveryPairIsPlacedAndWeeksDifferByAtMostOne) {
    const std::vector<std::vector<int>> weekLists = {
        {1}, {1, 2}, {4, 5, 6}, {1, 3, 4, 7, 8}, {10, 12, 14}, {2, 3, 5, 6, 9, 10, 11}};
    for (const auto& weeks : weekLists)
        for (const bool oddFirst : {false, true})
            for (int total = 0; total <= 60; ++total) {
                const V got = DistributePairs(total, weeks, oddFirst);
                ASSERT_EQ(got.size(), weeks.size());
                EXPECT_EQ(std::accumulate(got.begin(), got.end(), 0), total)
                    << "total " << total << " over " << weeks.size() << " weeks";
                const auto [lo, hi] = std::minmax_element(got.begin(), got.end());
                EXPECT_LE(*hi - *lo, 1);
            }
    EXPECT_TRUE(DistributePairs(5, V{}, false).empty());
}

TEST(DistributePairs, TheRestGoesToOneDistanceClassBeforeTheOther) {
    EXPECT_EQ(DistributePairs(7, V{1, 2, 3}, false), (V{3, 2, 2}));
    EXPECT_EQ(DistributePairs(8, V{1, 2, 3}, false), (V{3, 2, 3}));
    EXPECT_EQ(DistributePairs(6, V{1, 2, 3}, false), (V{2, 2, 2}));
    EXPECT_EQ(DistributePairs(7, V{1, 2, 3}, true), (V{2, 3, 2}));
    // More pairs left than the first class holds: the other class takes them.
    EXPECT_EQ(DistributePairs(3, V{1, 2, 3, 4}, true), (V{1, 1, 0, 1}));
    EXPECT_EQ(DistributePairs(4, V{1, 2, 3, 4, 5}, false), (V{1, 1, 1, 0, 1}));
    // Distance is the difference of week numbers: 4 lies at an odd
    // distance from 1 though it is the third study week.
    EXPECT_EQ(DistributePairs(5, V{1, 2, 4}, false), (V{2, 2, 1}));
    EXPECT_EQ(DistributePairs(4, V{1, 3, 4}, false), (V{2, 1, 1}));
    EXPECT_EQ(DistributePairs(5, V{1, 3, 4}, false), (V{2, 2, 1}));
    EXPECT_EQ(DistributePairs(4, V{1, 3, 4}, true), (V{1, 1, 2}));
    EXPECT_EQ(DistributePairs(-3, V{1, 2}, false), (V{0, 0}));
}

TEST_F(LoadOps, StudyWeeksAndWeekTotals) {
    TGryp* gr = groupWithWeeks({2, 3, 5, 56}, {4});
    EXPECT_EQ(StudyWeeksIn(*gr, -3, 99), (V{2, 3, 5, 56}));
    EXPECT_EQ(StudyWeeksIn(*gr, 3, 5), (V{3, 5}));
    EXPECT_TRUE(StudyWeeksIn(*gr, 6, 55).empty());
    TPredmet* a = subjectOf(gr, 0);
    TPredmet* b = subjectOf(gr, 1);
    setCounts(a, {{3, 2}});
    setCounts(b, {{3, 3}, {5, 1}});
    b->AddPredmetNe(kSetkaDop, 3);  // off the grid: not in the regular total
    EXPECT_EQ(WeekPairTotal(*gr, 3), 5);
    EXPECT_EQ(WeekPairTotal(*gr, 5), 1);
    EXPECT_EQ(WeekPairTotal(*gr, 1), 0);
}

TEST_F(LoadOps, ThreeEqualWeeksTakeSevenEightAndSixPairs) {
    for (const auto& [total, expected] :
         std::vector<std::pair<int, V>>{{7, {3, 2, 2}}, {8, {3, 2, 3}}, {6, {2, 2, 2}}}) {
        TGryp* gr = groupWithWeeks({1, 2, 3});
        TPredmet* other = subjectOf(gr, 1);
        setCounts(other, {{1, 2}, {2, 2}, {3, 2}});
        TPredmet* pr = subjectOf(gr, 0);
        EXPECT_EQ(SetPairsInWeeks(*gr, {pr}, 1, 3, total), 3);
        EXPECT_EQ(counts(pr, {1, 2, 3}), expected) << total << " pairs";
        EXPECT_EQ(counts(other, {1, 2, 3}), (V{2, 2, 2}));
        EXPECT_TRUE(gr->modifiRasp);
    }
}

TEST_F(LoadOps, ZeroPairsEmptiesEveryStudyWeekOfTheRange) {
    TGryp* gr = groupWithWeeks({1, 2, 3, 4});
    TPredmet* pr = subjectOf(gr, 0);
    setCounts(pr, {{1, 3}, {2, 1}, {3, 2}, {4, 5}});
    EXPECT_EQ(SetPairsInWeeks(*gr, {pr}, 1, 3, 0), 3);
    EXPECT_EQ(counts(pr, {1, 2, 3, 4}), (V{0, 0, 0, 5}));
    EXPECT_TRUE(gr->GetNed(1)->LKorzina(kSetkaPlan).empty());
}

TEST_F(LoadOps, NonStudyWeeksAtBothEndsAreLeftAlone) {
    TGryp* gr = groupWithWeeks({2, 3, 4}, {1, 5});
    TPredmet* pr = subjectOf(gr, 0);
    setCounts(pr, {{1, 4}, {5, 1}});
    EXPECT_EQ(SetPairsInWeeks(*gr, {pr}, 0, 6, 7), 3);
    EXPECT_EQ(counts(pr, {1, 2, 3, 4, 5, 6}), (V{4, 3, 2, 2, 1, 0}));
}

TEST_F(LoadOps, ASelectionWithoutStudyWeeksChangesNothing) {
    TGryp* gr = groupWithWeeks({1, 5}, {3});
    TPredmet* pr = subjectOf(gr, 0);
    setCounts(pr, {{3, 2}});
    gr->modifiRasp = false;
    EXPECT_EQ(SetPairsInWeeks(*gr, {pr}, 2, 4, 9), 0);
    EXPECT_EQ(counts(pr, {1, 2, 3, 4, 5}), (V{0, 0, 2, 0, 0}));
    EXPECT_FALSE(gr->modifiRasp);
    EXPECT_EQ(SetPairsInWeeks(*gr, {pr}, 1, 5, -4), 0);
    EXPECT_EQ(counts(pr, {1, 5}), (V{0, 0}));
}

TEST_F(LoadOps, ALighterSecondWeekTakesTheRestFirst) {
    TGryp* gr = groupWithWeeks({1, 2, 3});
    TPredmet* busy = subjectOf(gr, 1);
    TPredmet* pr = subjectOf(gr, 0);
    setCounts(busy, {{1, 1}});
    EXPECT_TRUE(OddDistanceFirst(*gr, {1, 2, 3}));
    EXPECT_EQ(SetPairsInWeeks(*gr, {pr}, 1, 3, 4), 3);
    EXPECT_EQ(counts(pr, {1, 2, 3}), (V{1, 2, 1}));

    // The second week heavier: the even class again.
    TGryp* other = groupWithWeeks({1, 2, 3});
    TPredmet* busy2 = subjectOf(other, 1);
    TPredmet* pr2 = subjectOf(other, 0);
    setCounts(busy2, {{2, 1}});
    EXPECT_FALSE(OddDistanceFirst(*other, {1, 2, 3}));
    EXPECT_EQ(SetPairsInWeeks(*other, {pr2}, 1, 3, 4), 3);
    EXPECT_EQ(counts(pr2, {1, 2, 3}), (V{2, 1, 1}));
}

TEST_F(LoadOps, OddFirstComparesTheFirstTwoStudyWeeksByWeekNumber) {
    // Weeks 1 and 3 lie both at an even distance: nothing weighs on the odd
    // class, so it comes first as soon as the even one holds a pair.
    TGryp* gr = groupWithWeeks({1, 3, 4}, {2});
    TPredmet* busy = subjectOf(gr, 1);
    TPredmet* pr = subjectOf(gr, 0);
    EXPECT_FALSE(OddDistanceFirst(*gr, {1, 3, 4}));
    setCounts(busy, {{3, 1}});
    EXPECT_TRUE(OddDistanceFirst(*gr, {1, 3, 4}));
    EXPECT_EQ(SetPairsInWeeks(*gr, {pr}, 1, 4, 4), 3);
    EXPECT_EQ(counts(pr, {1, 2, 3, 4}), (V{1, 0, 1, 2}));
    // A single study week: even first, whatever the totals.
    EXPECT_FALSE(OddDistanceFirst(*gr, {3}));
    EXPECT_FALSE(OddDistanceFirst(*gr, {}));
}

TEST_F(LoadOps, TheSecondSubjectSeesTheFirstSubjectsPairs) {
    TGryp* gr = groupWithWeeks({1, 2, 3});
    TPredmet* a = subjectOf(gr, 0);
    TPredmet* b = subjectOf(gr, 1);
    EXPECT_EQ(SetPairsInWeeks(*gr, {a, b}, 1, 3, 4), 3);
    EXPECT_EQ(counts(a, {1, 2, 3}), (V{2, 1, 1}));
    // Week 1 now holds 2 against week 2's 1: the odd class first.
    EXPECT_EQ(counts(b, {1, 2, 3}), (V{1, 2, 1}));
    EXPECT_EQ(WeekPairTotal(*gr, 1), 3);
    EXPECT_EQ(WeekPairTotal(*gr, 2), 3);
}

TEST_F(LoadOps, SettingAWeekTakesPlacedAndPinnedLessonsBeyondTheCount) {
    TGryp* gr = groupWithWeeks({1});
    TPredmet* pr = subjectOf(gr, 0);
    pr->AddFio(1, fios[0]);
    setCounts(pr, {{1, 3}});
    TNed* week = gr->GetNed(1);
    TYrokKorzina* item = week->FindYrokKorzina(kSetkaPlan, pr);
    ASSERT_NE(item, nullptr);
    for (int y = 0; y < 3; ++y) week->AddYrokRas(0, 1, y, item);
    week->AddYrokRas(1, 2, 0, item);
    TFioPredmet* fp = pr->GetLFio(1)[0].get();
    ASSERT_EQ(fp->CountYr(kSetkaPlan, 0), 3);

    EXPECT_TRUE(SetSubjectPairs(*pr, 1, 1));
    EXPECT_EQ(pr->CountPredmetNe(kSetkaPlan, 1), 1);
    EXPECT_EQ(fp->CountYr(kSetkaPlan, 0), 1);
    EXPECT_EQ(fp->CountYr(kSetkaPlan, 1), 1);
    EXPECT_TRUE(SetSubjectPairs(*pr, 1, 0));
    EXPECT_EQ(fp->CountYrAllTip(), 0);
    EXPECT_EQ(pr->GetLFio(1).size(), 1u);  // the teacher stays assigned
    EXPECT_TRUE(SetSubjectPairs(*pr, 1, 4));
    EXPECT_EQ(pr->CountPredmetNe(kSetkaPlan, 1), 4);
}

TEST_F(LoadOps, SettingAWeekRefusesWhatTheBasketCannotHold) {
    TGryp* gr = groupWithWeeks({1});
    TPredmet* pr = subjectOf(gr, 0);
    setCounts(pr, {{1, 2}});
    EXPECT_FALSE(SetSubjectPairs(*pr, 7, 1));  // the group has no week 7
    EXPECT_EQ(gr->GetNed(7), nullptr);
    EXPECT_FALSE(SetSubjectPairs(*pr, 1, -1));
    EXPECT_FALSE(SetSubjectPairs(*pr, 1, 256));
    EXPECT_EQ(pr->CountPredmetNe(kSetkaPlan, 1), 2);
    EXPECT_TRUE(SetSubjectPairs(*pr, 1, 255));
    EXPECT_EQ(pr->CountPredmetNe(kSetkaPlan, 1), 255);
}

TEST_F(LoadOps, SyncRefusals) {
    TGryp* gr = groupWithWeeks({1, 2, 3, 4, 5, 6, 8, 53, 55, 56}, {54});
    using enum TSyncVariant;
    EXPECT_EQ(SyncRefusal(*gr, FirstTwoSelected, 1, 3),
              "Требуется выделить не менее четырех недель");
    EXPECT_EQ(SyncRefusal(*gr, FirstTwoSelected, 0, 3),
              "Требуется выделить не менее четырех недель");
    EXPECT_EQ(SyncRefusal(*gr, FirstTwoSelected, 6, 10),
              "Первые две выделенные недели должны быть учебные");
    EXPECT_EQ(SyncRefusal(*gr, FirstTwoSelected, 1, 4), std::nullopt);
    EXPECT_EQ(SyncRefusal(*gr, Extra34, 3, 3), "Требуется выделить не менее двух недель");
    EXPECT_EQ(SyncRefusal(*gr, Extra12, 1, 6), "Дополнительные недели должны быть учебные");
    EXPECT_EQ(SyncRefusal(*gr, Extra34, 1, 2), std::nullopt);

    // A refused run changes nothing even when called.
    TPredmet* pr = subjectOf(gr, 0);
    setCounts(pr, {{1, 2}, {2, 0}, {3, 0}, {4, 2}});
    EXPECT_EQ(SyncLoad(*gr, {pr}, FirstTwoSelected, 1, 3), 0);
    EXPECT_EQ(counts(pr, {1, 2, 3, 4}), (V{2, 0, 0, 2}));
}

TEST_F(LoadOps, SyncSetsPairsWithTheTemplatesSumAndKeepsTheTotal) {
    TGryp* gr = groupWithWeeks({1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}, {10});
    TPredmet* pr = subjectOf(gr, 0);
    TPredmet* untouched = subjectOf(gr, 1);
    setCounts(pr, {{1, 3},
                   {2, 1},
                   {3, 2},
                   {4, 2},
                   {5, 0},
                   {6, 4},
                   {7, 4},
                   {8, 1},
                   {9, 2},
                   {10, 2},
                   {11, 2},
                   {12, 2}});
    setCounts(untouched, {{3, 2}, {4, 2}});
    const int before = pr->CountPredmetAllForSetka(kSetkaPlan);
    // Pairs (3,4) and (5,6) add up to 4 like the template (1,2); (7,8) adds
    // up to 5; (9,10) has a week the group does not study; 11 has no partner
    // inside the selection.
    EXPECT_EQ(SyncLoad(*gr, {pr}, TSyncVariant::FirstTwoSelected, 1, 11), 4);
    EXPECT_EQ(counts(pr, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
              (V{3, 1, 3, 1, 3, 1, 4, 1, 2, 2, 2, 2}));
    EXPECT_EQ(pr->CountPredmetAllForSetka(kSetkaPlan), before);
    EXPECT_EQ(counts(untouched, {3, 4}), (V{2, 2}));
}

TEST_F(LoadOps, SyncByAdditionalWeeksStartsAtTheFirstSelectedWeek) {
    TGryp* gr = groupWithWeeks({2, 3, 4, 5, 53, 54, 55, 56});
    TPredmet* a = subjectOf(gr, 0);
    TPredmet* b = subjectOf(gr, 1);
    setCounts(a, {{2, 1}, {3, 3}, {4, 2}, {5, 2}, {53, 0}, {54, 4}, {55, 3}, {56, 1}});
    setCounts(b, {{2, 2}, {3, 2}, {53, 3}, {54, 1}});
    EXPECT_EQ(SyncLoad(*gr, {a, b}, TSyncVariant::Extra12, 2, 5), 6);
    EXPECT_EQ(counts(a, {2, 3, 4, 5}), (V{0, 4, 0, 4}));
    EXPECT_EQ(counts(b, {2, 3, 4, 5}), (V{3, 1, 0, 0}));
    EXPECT_EQ(SyncLoad(*gr, {a}, TSyncVariant::Extra34, 2, 5), 4);
    EXPECT_EQ(counts(a, {2, 3, 4, 5}), (V{3, 1, 3, 1}));
}

TEST_F(LoadOps, CopyingAWeekBringsPairsAndTeachers) {
    TGryp* gr = groupWithWeeks({1, 2, 53}, {3});
    TPredmet* a = subjectOf(gr, 0);
    TPredmet* b = subjectOf(gr, 1);
    a->AddFio(1, fios[0]);
    a->AddFio(1, fios[1]);
    setCounts(a, {{1, 3}});
    a->AddFio(53, fios[2]);
    setCounts(a, {{53, 1}});
    b->AddFio(53, fios[3]);
    setCounts(b, {{53, 2}});
    TNed* extra = gr->GetNed(53);
    extra->AddYrokRas(0, 1, 0, extra->FindYrokKorzina(kSetkaPlan, a));
    ASSERT_EQ(extra->GetYrok(0, 1, 0)->CountYr(), 1);
    const int sidorovHeld = fios[2]->NoDelete;

    EXPECT_TRUE(CopyWeekToWeek(*gr, 1, 53));
    EXPECT_EQ(counts(a, {1, 53}), (V{3, 3}));
    ASSERT_EQ(a->GetLFio(53).size(), 2u);
    EXPECT_EQ(a->GetLFio(53)[0]->Fio(), fios[0]);
    EXPECT_EQ(a->GetLFio(53)[1]->Fio(), fios[1]);
    EXPECT_EQ(fios[2]->NoDelete, sidorovHeld - 1);
    EXPECT_EQ(extra->GetYrok(0, 1, 0), nullptr);  // the replaced teacher's lesson went
    EXPECT_EQ(counts(b, {53}), (V{0}));
    EXPECT_TRUE(b->GetLFio(53).empty());
    // The source keeps what it had.
    EXPECT_EQ(a->GetLFio(1).size(), 2u);

    // Either week not a study week: refused, nothing moves.
    EXPECT_FALSE(CopyWeekToWeek(*gr, 1, 3));
    EXPECT_FALSE(CopyWeekToWeek(*gr, 3, 2));
    EXPECT_FALSE(CopyWeekToWeek(*gr, 1, 4));
    EXPECT_EQ(counts(a, {2, 3}), (V{0, 0}));
    EXPECT_TRUE(a->GetLFio(3).empty());
    EXPECT_EQ(CopyWeeks(*gr, {{1, 2}, {1, 3}}), 1);
    EXPECT_EQ(counts(a, {2}), (V{3}));
}

std::array<bool, 56> activeWeeks(std::initializer_list<int> weeks) {
    std::array<bool, 56> active{};
    for (int ne : weeks) active[static_cast<std::size_t>(ne - 1)] = true;
    return active;
}

TEST(CopyPlans, ToAdditionalWeeksPairsRegularWithAdditionalInOrder) {
    using Plan = std::vector<std::pair<int, int>>;
    EXPECT_EQ(CopyToExtraPlan(activeWeeks({7, 55})), (Plan{{7, 55}}));
    EXPECT_EQ(CopyToExtraPlan(activeWeeks({54, 3, 10, 56})), (Plan{{3, 54}, {10, 56}}));
    for (const auto& refused :
         {activeWeeks({}), activeWeeks({1, 2}), activeWeeks({53, 54}), activeWeeks({1, 53, 54}),
          activeWeeks({1, 2, 3, 53}), activeWeeks({1, 2, 3, 53, 54, 55}), activeWeeks({52})})
        EXPECT_EQ(CopyToExtraPlan(refused), std::nullopt);
}

TEST(CopyPlans, FromAdditionalWeeksNeedsExactlyTwoOfThem) {
    const TExtraSource ok = CopyFromExtraSource(activeWeeks({56, 54}));
    EXPECT_EQ(ok.first, 54);
    EXPECT_EQ(ok.second, 56);
    EXPECT_TRUE(ok.refusal.empty());
    const std::string onlyTwo = "Требуется сделать активными только две дополнительные недели.";
    const std::string two = "Требуется сделать активными две дополнительные недели.";
    EXPECT_EQ(CopyFromExtraSource(activeWeeks({1, 53, 54})).refusal, onlyTwo);
    EXPECT_EQ(CopyFromExtraSource(activeWeeks({53, 54, 55})).refusal, onlyTwo);
    EXPECT_EQ(CopyFromExtraSource(activeWeeks({5, 6})).refusal, onlyTwo);
    EXPECT_EQ(CopyFromExtraSource(activeWeeks({53})).refusal, two);
    EXPECT_EQ(CopyFromExtraSource(activeWeeks({})).refusal, two);
    EXPECT_EQ(CopyFromExtraSource(activeWeeks({53})).first, 0);

    EXPECT_EQ(CopyFromExtraSelectionRefusal(9, 9), "Выделите не менее двух обычных недель");
    EXPECT_EQ(CopyFromExtraSelectionRefusal(0, 1), "Выделите не менее двух обычных недель");
    EXPECT_EQ(CopyFromExtraSelectionRefusal(52, 53),
              "Выделите две обычных недели, а не дополнительные");
    EXPECT_EQ(CopyFromExtraSelectionRefusal(9, 10), std::nullopt);
}

TEST_F(LoadOps, CopyFromAdditionalWeeksAlternatesByWeekNumber) {
    TGryp* gr = groupWithWeeks({1, 2, 4, 5, 53, 54}, {3});
    TPredmet* pr = subjectOf(gr, 0);
    pr->AddFio(53, fios[0]);
    pr->AddFio(54, fios[1]);
    setCounts(pr, {{53, 2}, {54, 1}, {3, 4}});
    const TExtraSource source = CopyFromExtraSource(activeWeeks({53, 54}));
    EXPECT_EQ(CopyFromExtra(*gr, source, 1, 5), 4);
    EXPECT_EQ(counts(pr, {1, 2, 3, 4, 5}), (V{2, 1, 4, 1, 2}));
    EXPECT_EQ(pr->GetLFio(1)[0]->Fio(), fios[0]);
    EXPECT_EQ(pr->GetLFio(2)[0]->Fio(), fios[1]);
    EXPECT_EQ(pr->GetLFio(5)[0]->Fio(), fios[0]);
    EXPECT_TRUE(pr->GetLFio(3).empty());

    // A refused source copies nothing.
    const TExtraSource refused = CopyFromExtraSource(activeWeeks({53}));
    setCounts(pr, {{1, 0}});
    EXPECT_EQ(CopyFromExtra(*gr, refused, 1, 5), 0);
    EXPECT_EQ(counts(pr, {1}), (V{0}));
}

}  // namespace
}  // namespace zavlin::entry
