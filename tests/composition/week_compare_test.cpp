// How the weeks to be synchronised differ from the base week: equal weeks say
// nothing, and every kind of difference is found in its week and group, for
// the selected groups only.
#include "composition/week_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/year_fixture.h"

namespace zavlin {
namespace {

using Kind = TWeekDifference::Kind;

class WeekCompare : public testing_year::YearFixture {
protected:
    static constexpr int kBase = 3;
    static constexpr int kOther = 4;

    // A group whose subjects have the same teachers and load in the base
    // week, week 4 and week 6; weeks 4 and 6 active, the base week not.
    TGryp* alikeGroup(const std::string& name) {
        TGryp* gr = group(name);
        gr->Select = true;
        TPredmet* math = subject(gr, 0, {0}, 2, kBase);
        TPredmet* physics = subject(gr, 1, {1, 2}, 3, kBase);
        for (int ne : {kOther, 6}) {
            gr->SetNed(ne);
            math->AddFio(ne, fios[0]);
            physics->AddFio(ne, fios[1]);
            physics->AddFio(ne, fios[2]);
            for (int i = 0; i < 2; ++i) math->AddPredmetNe(kSetkaPlan, ne);
            for (int i = 0; i < 3; ++i) physics->AddPredmetNe(kSetkaPlan, ne);
        }
        return gr;
    }

    void activate(std::initializer_list<int> weeks) {
        for (int ne : weeks) year->AllNed.DNed(ne)->Activ = true;
    }

    std::vector<TWeekDifference> compare() const { return CompareWithBaseWeek(*year, kBase); }
};

TEST_F(WeekCompare, EqualWeeksReportNothing) {
    alikeGroup("П-11");
    alikeGroup("П-12");
    activate({kBase, kOther, 6});
    EXPECT_TRUE(compare().empty());
    // The base week need not be active, nor is it compared with itself.
    year->AllNed.DNed(kBase)->Activ = false;
    EXPECT_TRUE(compare().empty());
    // Nor is a week that is not a week.
    EXPECT_TRUE(CompareWithBaseWeek(*year, 0).empty());
    EXPECT_TRUE(CompareWithBaseWeek(*year, 57).empty());
}

TEST_F(WeekCompare, ChangedLoadIsFoundInItsWeekGroupAndSubject) {
    alikeGroup("П-11");
    TGryp* gr = alikeGroup("П-12");
    activate({kOther, 6});
    TPredmet* physics = gr->LPredmet[1].get();
    ASSERT_TRUE(physics->DelPredmetNe(kSetkaPlan, 6, false));

    const auto found = compare();
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].ne, 6);
    EXPECT_EQ(found[0].group, "П-12");
    EXPECT_EQ(found[0].kind, Kind::Pairs);
    EXPECT_EQ(found[0].subject, physics->Name());
    EXPECT_EQ(found[0].base, 3);
    EXPECT_EQ(found[0].other, 2);
    const std::string text = WeekDifferenceText(*year, found[0]);
    EXPECT_NE(text.find("П-12"), std::string::npos) << text;
    EXPECT_NE(text.find(physics->Name()), std::string::npos) << text;
    EXPECT_NE(text.find(year->AllNed.GetNumberWeek(6)), std::string::npos) << text;

    // The same change in a group that takes no part is not reported.
    gr->Select = false;
    EXPECT_TRUE(compare().empty());
}

TEST_F(WeekCompare, MissingWeeksStudyDaysAndTeachersAreReported) {
    TGryp* a = alikeGroup("П-11");
    TGryp* b = alikeGroup("П-12");
    TGryp* c = alikeGroup("П-13");
    activate({kOther, 6});
    ASSERT_TRUE(a->DelNed(6, false));      // a holiday in week 6
    ASSERT_TRUE(b->DelNed(kBase, false));  // no base week to copy from
    c->SetNedDey(kOther,
                 static_cast<uint8_t>(c->GetNedDey(kOther) ^ (1U << 3)));  // a day less or more
    TPredmet* physics = c->LPredmet[1].get();
    ASSERT_TRUE(physics->DelFioPredmet(6, fios[2], false));
    ASSERT_NE(physics->AddFio(6, fios[3]), nullptr);  // another teacher in place 2

    const auto found = compare();
    auto has = [&](int ne, const std::string& group, Kind kind) {
        return std::any_of(found.begin(), found.end(), [&](const TWeekDifference& d) {
            return d.ne == ne && d.group == group && d.kind == kind;
        });
    };
    EXPECT_TRUE(has(6, "П-11", Kind::NoWeek));
    EXPECT_TRUE(has(kOther, "П-12", Kind::NoBaseWeek));
    EXPECT_TRUE(has(6, "П-12", Kind::NoBaseWeek));
    EXPECT_TRUE(has(kOther, "П-13", Kind::StudyDays));
    EXPECT_TRUE(has(6, "П-13", Kind::Teachers));
    // A group without its base week is not compared subject by subject.
    EXPECT_FALSE(has(kOther, "П-12", Kind::Pairs));
    EXPECT_EQ(found.size(), 5U);
    // In week order, then group order.
    EXPECT_TRUE(std::is_sorted(
        found.begin(), found.end(),
        [](const TWeekDifference& x, const TWeekDifference& y) { return x.ne < y.ne; }));
    for (const TWeekDifference& d : found) EXPECT_FALSE(WeekDifferenceText(*year, d).empty());
}

}  // namespace
}  // namespace zavlin
