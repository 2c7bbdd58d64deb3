// Where one unit goes: the rules that rule cells out and the preferences that
// rank the rest, each seen through the cell the unit lands in, and the
// displacement that frees a cell for a unit that has none left.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "composition/sos_predmet.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "model/year_fixture.h"
#include "support/ready_search.h"

namespace zavlin {
namespace {

constexpr int kNe = 1;
using Cell = std::pair<int, int>;  // day, period; {0, 0} = not placed
constexpr Cell kNowhere{0, 0};

class SlotChoice : public testing_year::YearFixture {
protected:
    void TearDown() override {
        sp.reset();
        run.reset();
        YearFixture::TearDown();
    }

    static void forbid(TFio* fio, std::initializer_list<int> days,
                       std::initializer_list<int> periods) {
        for (int d : days)
            for (int p : periods)
                fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(p)] = 0;
    }
    static void forbidPeriods(TFio* fio, std::initializer_list<int> periods) {
        for (int d = 1; d <= 6; ++d)
            for (int p : periods)
                fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(p)] = 0;
    }

    // A lesson laid by hand, as the dispatcher or an earlier run left it.
    TYr* put(TGryp* gr, TPredmet* pr, int d, int y, int assignment = 0) {
        TYr* yr =
            gr->GetNed(kNe)->AddYrRas(0, d, y, item(gr, pr, kNe),
                                      pr->GetLFio(kNe)[static_cast<std::size_t>(assignment)].get());
        EXPECT_NE(yr, nullptr);
        return yr;
    }

    // Every group selected, the units built and ordered, ready to place.
    TSpSostPr& search() {
        for (auto& gr : year->LGryp) gr->Select = true;
        sp.reset();
        run = std::make_unique<TSosRun>(*year, home);
        run->WLog = false;
        sp = testsupport::readySearch(*run, kNe);
        return *sp;
    }

    // The nth unit whose first lesson is of pr (taught by fio when given).
    int unitOf(const TPredmet* pr, int nth = 0, const TFio* fio = nullptr) const {
        for (int i = 0; i < sp->Count(); ++i) {
            const TSGYF& l = *sp->Item(i)->LSGYF.front();
            if (l.YrokKorzina->Predmet() != pr) continue;
            if (fio != nullptr && l.FioPredmet->Fio() != fio) continue;
            if (nth-- == 0) return i;
        }
        ADD_FAILURE() << "no unit of " << pr->Name();
        return -1;
    }

    Cell at(int i) const { return {sp->Item(i)->Day(), sp->Item(i)->Period()}; }

    // Places unit i where the slot choice wants it.
    Cell place(int i) {
        if (i < 0) return kNowhere;
        if (!sp->GetVariantForPredmet(i, 0, 0, 0, false)) {
            EXPECT_EQ(sp->Item(i)->Ok, 0) << "a failed placement leaves the unit unplaced";
            return kNowhere;
        }
        EXPECT_EQ(sp->Item(i)->Ok, 1);
        return at(i);
    }
    // Takes unit i out again and places it anew.
    Cell replace(int i) {
        sp->Item(i)->PredmetDeleteRasp(kNe);
        return place(i);
    }

    // The teacher (wishing rday days) teaches a later group on Wednesday at 3
    // and 6; where does the teacher's lesson of an early group go?
    Cell teacherSpanCase(int rday) {
        TGryp* g1 = group("Г-1");
        TGryp* g2 = group("Г-2");
        g2->Dan.TimeDay = 3;
        fios[0]->SetRday(rday);
        TPredmet* x = subject(g1, 0, {0}, 1);
        TPredmet* z = subject(g2, 1, {0}, 2);
        put(g2, z, 3, 3);
        put(g2, z, 3, 6);
        search();
        return place(unitOf(x));
    }

    // The teacher (wishing rday days) works on Monday only so far; three
    // lessons keep the minimum days at three, so no day is closed yet.
    Cell fewDaysCase(int rday) {
        TGryp* g1 = group("Г-1");
        TGryp* g2 = group("Г-2");
        fios[0]->SetRday(rday);
        TPredmet* x = subject(g1, 0, {0}, 3);
        TPredmet* z = subject(g2, 1, {0}, 1);
        put(g2, z, 1, 1);
        search();
        return place(unitOf(x));
    }

    int lessonsAt(TGryp* gr, int d, int y) const {
        const TYrok* cell = gr->GetNed(kNe)->GetYrok(0, d, y);
        return cell != nullptr ? cell->CountYr() : 0;
    }

    std::unique_ptr<TSosRun> run;
    std::unique_ptr<TSpSostPr> sp;
};

// Catches: a window of the wrong width or offset, or the preference values
// of its periods in the wrong order.
TEST_F(SlotChoice, TheWindowPrefersItsFirstTwoPeriodsThenTheThirdThenTheFourth) {
    TGryp* gr = group("Г-1");
    TPredmet* x = subject(gr, 0, {0}, 1);
    search();
    const int u = unitOf(x);
    EXPECT_EQ(place(u), (Cell{1, 1}));
    // Preferences outrank the order of the scan: a later day wins with a
    // better period.
    forbid(fios[0], {1}, {1, 2});
    EXPECT_EQ(replace(u), (Cell{2, 1})) << "Tuesday's first period before Monday's third";
    forbidPeriods(fios[0], {1, 2});
    forbid(fios[0], {1}, {3});
    EXPECT_EQ(replace(u), (Cell{2, 3})) << "Tuesday's third period before Monday's fourth";
    forbidPeriods(fios[0], {3});
    EXPECT_EQ(replace(u), (Cell{1, 4}));
    // Periods 0 and 5-11 stay allowed to the teacher but lie outside the window.
    forbidPeriods(fios[0], {4});
    EXPECT_EQ(replace(u), kNowhere);
    EXPECT_EQ(gr->FirsYrok(0, kNe), nullptr);

    // The window follows the group's first period.
    for (int d = 1; d <= 6; ++d) fios[0]->Dan.Op[static_cast<std::size_t>(d)].fill(1);
    gr->Dan.TimeDay = 3;
    EXPECT_EQ(replace(u), (Cell{1, 3}));
    forbidPeriods(fios[0], {3, 4});
    EXPECT_EQ(replace(u), (Cell{1, 5}));
    forbidPeriods(fios[0], {5});
    EXPECT_EQ(replace(u), (Cell{1, 6}));
    forbidPeriods(fios[0], {6});
    EXPECT_EQ(replace(u), kNowhere);
}

// Catches: the short window of late groups missing, or applied from period 5.
TEST_F(SlotChoice, AGroupStartingAtPeriodSixOrLaterHasTwoPeriodsADay) {
    TGryp* late = group("В-1");
    late->Dan.TimeDay = 6;
    TPredmet* x = subject(late, 0, {0}, 1);
    TGryp* early = group("В-2");
    early->Dan.TimeDay = 5;
    TPredmet* z = subject(early, 1, {1}, 1);
    search();
    const int ul = unitOf(x);
    const int ue = unitOf(z);
    EXPECT_EQ(place(ul), (Cell{1, 6}));
    forbidPeriods(fios[0], {6});
    EXPECT_EQ(replace(ul), (Cell{1, 7}));
    forbidPeriods(fios[0], {7});
    EXPECT_EQ(replace(ul), kNowhere) << "periods 8 and 9 are outside a late group's day";

    forbidPeriods(fios[1], {5, 6, 7});
    EXPECT_EQ(place(ue), (Cell{1, 8})) << "a group from period 5 still has four periods";
}

// Catches: holes of the group's day not preferred over the window's best.
TEST_F(SlotChoice, AHoleInTheGroupsDayIsFilledFirst) {
    TGryp* gr = group("Г-1");
    TPredmet* y = subject(gr, 1, {1}, 2);
    put(gr, y, 2, 1);
    put(gr, y, 2, 4);
    TPredmet* x = subject(gr, 0, {0}, 1);
    search();
    EXPECT_EQ(sp->Count(), 1);
    EXPECT_EQ(place(unitOf(x)), (Cell{2, 2}));
}

// Catches: a teacher with a usual week not drawn to the day already worked.
TEST_F(SlotChoice, ATeacherWithAUsualWeekIsDrawnToTheDaysAlreadyWorked) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    // Five lessons keep the teacher's minimum days above one: no day limit.
    TPredmet* x = subject(g1, 0, {0}, 5);
    TPredmet* z = subject(g2, 1, {0}, 1);
    put(g2, z, 3, 3);
    search();
    EXPECT_EQ(place(unitOf(x)), (Cell{3, 1}));
}

// Catches: the span between a teacher's lessons not preferred for teachers
// who want fewer than six days, or preferred for those who want six.
TEST_F(SlotChoice, ATeacherWithFewerThanSixDaysFillsTheSpanBetweenTheirLessons) {
    EXPECT_EQ(teacherSpanCase(5), (Cell{3, 4}));
}
TEST_F(SlotChoice, ATeacherWishingSixDaysIsNotDrawnIntoTheSpan) {
    EXPECT_EQ(teacherSpanCase(6), (Cell{3, 1}));
}

// Catches: the days of a teacher who wants few days preferred the wrong way
// round: new days while fewer than wished, the days in use once reached.
TEST_F(SlotChoice, ATeacherWishingTwoDaysTakesANewDayWhileWorkingOne) {
    EXPECT_EQ(fewDaysCase(2), (Cell{2, 1}));
}
TEST_F(SlotChoice, ATeacherWishingOneDayStaysOnTheDayInUse) {
    EXPECT_EQ(fewDaysCase(1), (Cell{1, 2}));
}

// Catches: the working-days limit not closing the other days once a teacher
// who wants two days works on two.
TEST_F(SlotChoice, ATeacherWithTwoWishedDaysStaysOnTheTwoDaysInUse) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    fios[0]->SetRday(2);
    TPredmet* x = subject(g1, 0, {0}, 1);
    TPredmet* z = subject(g2, 1, {0}, 2);
    put(g2, z, 3, 1);
    put(g2, z, 4, 1);
    search();
    const int u = unitOf(x);
    EXPECT_EQ(place(u), (Cell{3, 2}));
    forbid(fios[0], {3, 4}, {2, 3, 4});
    EXPECT_EQ(replace(u), kNowhere) << "Monday is free but would be a third day";
}

// Catches: a block of two placed apart, a second day opened before the block
// is whole, or a whole block's day offered again.
TEST_F(SlotChoice, ABlockOfTwoGrowsOnlyAtItsEnds) {
    TGryp* gr = group("Г-1");
    TPredmet* x = subject(gr, 0, {0}, 4);
    x->Dan.Spar = 2;
    put(gr, x, 1, 2);
    search();
    ASSERT_EQ(sp->Count(), 3);
    const int u = unitOf(x);
    EXPECT_EQ(place(u), (Cell{1, 1}));
    forbid(fios[0], {1}, {1});
    EXPECT_EQ(replace(u), (Cell{1, 3})) << "Tuesday 1 would score as high";
    forbid(fios[0], {1}, {3});
    EXPECT_EQ(replace(u), kNowhere) << "no other day while the block is open";

    // Monday 2-3 whole: the next lesson starts a block on another day.
    for (int d = 1; d <= 6; ++d) fios[0]->Dan.Op[static_cast<std::size_t>(d)].fill(1);
    EXPECT_EQ(replace(u), (Cell{1, 1}));
    sp->Item(u)->PredmetDeleteRasp(kNe);
    put(gr, x, 1, 3);
    const int next = unitOf(x, 1);
    EXPECT_EQ(place(next), (Cell{2, 1}));
}

// Catches: ties broken by the last maximum, or by period before day.
TEST_F(SlotChoice, TiesGoToTheEarliestDayThenTheEarliestPeriod) {
    TGryp* gr = group("Г-1");
    TPredmet* x = subject(gr, 0, {0}, 1);
    search();
    const int u = unitOf(x);
    EXPECT_EQ(place(u), (Cell{1, 1}));
    // Monday 2 and Tuesday 1 score alike; Monday comes first.
    forbid(fios[0], {1}, {1});
    EXPECT_EQ(replace(u), (Cell{1, 2}));
    gr->GetNed(kNe)->SetYhDey(static_cast<uint8_t>(gr->GetNed(kNe)->Dan.Yd & ~(1u << 1)));
    EXPECT_EQ(replace(u), (Cell{2, 1})) << "Monday is no study day";
}

// Catches: the subgroups of one subject kept apart, or a whole-group lesson
// (or another subject's subgroup) put into an occupied cell.
TEST_F(SlotChoice, SubgroupsOfOneSubjectShareACellAWholeGroupLessonNever) {
    TGryp* gr = group("Г-1");
    TFio* other = teacher("Орлов Олег Олегович");
    TPredmet* sub = subject(gr, 0, {0, 1}, 1);
    TPredmet* sub2 = subject(gr, 1, {2, 3}, 1);
    TPredmet* whole = subject(gr, 2, {}, 1);
    whole->AddFio(kNe, other);
    search();
    const int s0 = unitOf(sub, 0, fios[0]);
    const int s1 = unitOf(sub, 0, fios[1]);
    const int w = unitOf(whole);
    const int t0 = unitOf(sub2, 0, fios[2]);

    EXPECT_EQ(place(s0), (Cell{1, 1}));
    EXPECT_TRUE(sp->Item(s1)->TestSosPredmet(kNe, 1, 1));
    EXPECT_FALSE(sp->Item(w)->TestSosPredmet(kNe, 1, 1));
    EXPECT_FALSE(sp->Item(t0)->TestSosPredmet(kNe, 1, 1)) << "another subject's subgroup";
    EXPECT_EQ(place(s1), (Cell{1, 1}));
    EXPECT_EQ(lessonsAt(gr, 1, 1), 2);
    EXPECT_EQ(place(w), (Cell{1, 2}));
    EXPECT_EQ(place(t0), (Cell{2, 1}));
    EXPECT_EQ(lessonsAt(gr, 1, 2), 1);

    // The other way round: a subgroup never joins a whole-group lesson.
    for (int i : {s0, s1, w, t0}) sp->Item(i)->PredmetDeleteRasp(kNe);
    EXPECT_EQ(place(w), (Cell{1, 1}));
    EXPECT_FALSE(sp->Item(s0)->TestSosPredmet(kNe, 1, 1));
    EXPECT_EQ(place(s0), (Cell{1, 2}));
    EXPECT_EQ(place(s1), (Cell{1, 2}));
    EXPECT_EQ(lessonsAt(gr, 1, 1), 1);
}

// Catches: a subgroup's second lesson tied to the cell its first one already
// shares, where its teacher is busy, instead of opening a new cell that the
// other subgroup then joins.
TEST_F(SlotChoice, ASubgroupsNextLessonOpensANewCellForBoth) {
    TGryp* gr = group("Г-1");
    TPredmet* sub = subject(gr, 0, {0, 1}, 2);
    search();
    EXPECT_EQ(place(unitOf(sub, 0, fios[0])), (Cell{1, 1}));
    EXPECT_EQ(place(unitOf(sub, 0, fios[1])), (Cell{1, 1}));
    EXPECT_EQ(place(unitOf(sub, 1, fios[0])), (Cell{2, 1}));
    EXPECT_EQ(place(unitOf(sub, 1, fios[1])), (Cell{2, 1}));
}

// Catches: a teacher who teaches every subgroup of a subject not started at
// the group's first period, or the later subgroups not kept on its days.
TEST_F(SlotChoice, OneTeacherOfSeveralSubgroupsStartsAtTheFirstPeriod) {
    TGryp* gr = group("Г-1");
    gr->Dan.TimeDay = 2;
    TPredmet* sub = subject(gr, 0, {0, 0}, 1);
    search();
    const int first = unitOf(sub, 0);
    const int second = unitOf(sub, 1);
    // Monday 3 would win on the window's preference alone; then Tuesday 3.
    forbid(fios[0], {1}, {2});
    EXPECT_EQ(place(first), (Cell{2, 2}));
    EXPECT_EQ(place(second), (Cell{2, 5}));

    // With the first period closed on every day the first subgroup has no
    // place, though later periods are free.
    sp->Item(second)->PredmetDeleteRasp(kNe);
    sp->Item(first)->PredmetDeleteRasp(kNe);
    for (int d = 1; d <= 6; ++d) fios[0]->Dan.Op[static_cast<std::size_t>(d)][2] = 0;
    EXPECT_EQ(place(first), kNowhere);
}

// Catches: union partners refused the shared teacher, or an outside group
// allowed to take the teacher while a union lesson runs.
TEST_F(SlotChoice, AUnionTeacherTeachesItsGroupsAtOnceAndBlocksOthers) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    TPredmet* p1 = subject(g1, 0, {0}, 1);
    TPredmet* p2 = subject(g2, 0, {0}, 1);
    TPredmet* p3 = subject(g3, 0, {0}, 1);
    auto ob = std::make_unique<TOb>(kNe, 0);
    ob->LFioPredmet = {p1->GetLFio(kNe)[0].get(), p2->GetLFio(kNe)[0].get()};
    ASSERT_EQ(year->AddOb(std::move(ob), true), 0);
    // Г-1's share of the union stands already.
    put(g1, p1, 1, 1);
    search();
    ASSERT_EQ(sp->Count(), 2);
    const int u2 = unitOf(p2);
    const int u3 = unitOf(p3);
    EXPECT_EQ(sp->Item(u2)->NOb, 1);
    EXPECT_EQ(sp->Item(u3)->NOb, 0);
    EXPECT_TRUE(sp->Item(u2)->TestSosPredmet(kNe, 1, 1));
    EXPECT_FALSE(sp->Item(u3)->TestSosPredmet(kNe, 1, 1));
    EXPECT_EQ(place(u2), (Cell{1, 1}));
    EXPECT_EQ(place(u3), (Cell{1, 2}));
    EXPECT_EQ(lessonsAt(g1, 1, 1), 1);
    EXPECT_EQ(lessonsAt(g2, 1, 1), 1);
    EXPECT_EQ(lessonsAt(g3, 1, 1), 0);
}

// Catches: a teacher who may never teach still being given a cell.
TEST_F(SlotChoice, ATeacherForbiddenEverywhereGetsNoPlace) {
    TGryp* gr = group("Г-1");
    TPredmet* x = subject(gr, 0, {0}, 1);
    for (int d = 1; d <= 6; ++d) fios[0]->Dan.Op[static_cast<std::size_t>(d)].fill(0);
    search();
    const int u = unitOf(x);
    EXPECT_EQ(sp->Item(u)->CountYrokForFio(kNe), 0);
    EXPECT_EQ(place(u), kNowhere);
    EXPECT_EQ(gr->FirsYrok(0, kNe), nullptr);
}

// Catches: a placement made after the run was stopped.
TEST_F(SlotChoice, NothingIsPlacedOnceTheRunIsStopped) {
    TGryp* gr = group("Г-1");
    TPredmet* x = subject(gr, 0, {0}, 1);
    search();
    run->RequestStop();
    EXPECT_FALSE(sp->GetVariantForPredmet(unitOf(x), 0, 0, 0, false));
    EXPECT_EQ(gr->FirsYrok(0, kNe), nullptr);
}

// A week of two study days whose Monday is full: the unit's teacher cannot
// come on Tuesday, so a Monday lesson has to make room.
class Displacement : public SlotChoice {
protected:
    void SetUp() override {
        SlotChoice::SetUp();
        gr = group("Г-1");
        x = subject(gr, 0, {0}, 4);
        y = subject(gr, 1, {1}, 1);
        u = subject(gr, 2, {2}, 1);
        gr->GetNed(kNe)->SetYhDey((1u << 1) | (1u << 2));
        forbid(fios[2], {2}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
        search();
        for (int n = 0; n < 4; ++n) xs[n] = unitOf(x, n);
        iu = unitOf(u);
        ASSERT_GT(iu, 0) << "the lighter unit comes after the four of x";
        // Monday: 1 pinned; 2 holds a second lesson beside x's; 3 and 4 plain.
        for (int n = 0; n < 4; ++n) ASSERT_TRUE(sp->Item(xs[n])->PredmetToRasp(kNe, 1, n + 1));
        sp->Item(xs[0])->LSGYF.front()->Yr->SetPy(true);
        put(gr, y, 1, 2);
        ASSERT_FALSE(sp->GetVariantForPredmet(iu, 0, 0, 0, false));
    }

    TGryp* gr = nullptr;
    TPredmet* x = nullptr;
    TPredmet* y = nullptr;
    TPredmet* u = nullptr;
    int xs[4] = {};
    int iu = -1;
};

// Catches: a pinned lesson or a shared cell displaced, or the displaced
// lesson lost instead of moved.
TEST_F(Displacement, MovesAPlainLessonButNeverAPinnedOneOrAShared) {
    ASSERT_TRUE(sp->GetNextVariantForPredmet(iu, false));
    EXPECT_EQ(at(iu), (Cell{1, 3}));
    EXPECT_EQ(at(xs[0]), (Cell{1, 1}));
    EXPECT_EQ(at(xs[1]), (Cell{1, 2}));
    EXPECT_EQ(lessonsAt(gr, 1, 2), 2);
    EXPECT_EQ(at(xs[2]), (Cell{2, 1})) << "the displaced lesson goes to Tuesday";
    EXPECT_EQ(at(xs[3]), (Cell{1, 4}));
    EXPECT_EQ(sp->Item(xs[2])->Ok, 1);
}

// Catches: displacement falling back on pinned or shared cells when no
// plain one is left, or moving a lesson without placing the unit.
TEST_F(Displacement, WithOnlyPinnedAndSharedCellsNothingMoves) {
    sp->Item(xs[2])->LSGYF.front()->Yr->SetPy(true);
    sp->Item(xs[3])->LSGYF.front()->Yr->SetPy(true);
    EXPECT_FALSE(sp->GetNextVariantForPredmet(iu, false));
    EXPECT_EQ(sp->Item(iu)->Ok, 0);
    for (int n = 0; n < 4; ++n) EXPECT_EQ(at(xs[n]), (Cell{1, n + 1})) << n;
    EXPECT_EQ(lessonsAt(gr, 1, 2), 2);
    for (int p = 0; p < 12; ++p) EXPECT_EQ(lessonsAt(gr, 2, p), 0) << p;
}

}  // namespace
}  // namespace zavlin
