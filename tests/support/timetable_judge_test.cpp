// The judge of composed weeks must see each kind of breach, or the whole
// college tests that rely on it pass whatever the composition does.
#include "support/timetable_judge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "model/year_fixture.h"

namespace zavlin {
namespace {

constexpr uint8_t kAllDays = 0b1111111;  // bit d: day d studied
constexpr uint8_t kNoSaturday = 0b0111111;

class Judge : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        for (TFio* fio : fios)
            for (auto& day : fio->Dan.Op) day.fill(1);
        a = group("А");
        b = group("Б");
    }
    // A subject of ky lessons in week ne taught by teacher t, the week studied
    // on every day.
    TPredmet* lessons(TGryp* gr, int name, int t, int ky, int ne) {
        TPredmet* pr = subject(gr, name, {t}, ky, ne);
        gr->GetNed(ne)->SetYhDey(kAllDays);
        return pr;
    }
    void put(TGryp* gr, TPredmet* pr, int ne, int d, int y, int tip = 0) {
        ASSERT_NE(gr->GetNed(ne)->AddYrRas(tip, d, y, item(gr, pr, ne), pr->GetLFio(ne)[0].get()),
                  nullptr);
    }
    // True when some breach of week ne names the rule.
    bool caught(int ne, const std::string& rule) {
        const std::vector<std::string> found = testsupport::judgeWeek(*year, ne).breaches;
        return std::any_of(found.begin(), found.end(),
                           [&](const std::string& f) { return f.find(rule) != std::string::npos; });
    }

    TGryp* a = nullptr;
    TGryp* b = nullptr;
};

// Catches: a judge that reports lawful lessons, or counts placed load as
// missing or missing load as placed.
TEST_F(Judge, ALawfulWeekHasNoBreachesAndListsWhatIsLeft) {
    TPredmet* math = lessons(a, 0, 0, 3, 1);
    TPredmet* phys = lessons(b, 1, 1, 1, 1);
    put(a, math, 1, 1, 1);
    put(a, math, 1, 2, 1);
    put(b, phys, 1, 1, 1);
    const testsupport::WeekVerdict v = testsupport::judgeWeek(*year, 1);
    EXPECT_TRUE(v.breaches.empty()) << v.breaches.front();
    ASSERT_EQ(v.missing.size(), 1u);
    EXPECT_EQ(v.missing.front().rfind("А Матем ", 0), 0u) << v.missing.front();
}

// Catches a rule the judge stopped checking: each week breaks one.
TEST_F(Judge, EachRuleBrokenInAWeekOfItsOwnIsNamed) {
    // A teacher in two groups at once, no union.
    TPredmet* p = lessons(a, 0, 0, 1, 1);
    TPredmet* q = lessons(b, 1, 0, 1, 1);
    put(a, p, 1, 1, 1);
    put(b, q, 1, 1, 1);
    EXPECT_TRUE(caught(1, "lessons at once outside one union"));

    // Past the four periods of the group's window.
    p = lessons(a, 0, 0, 1, 2);
    put(a, p, 2, 1, a->Dan.TimeDay + 4);
    EXPECT_TRUE(caught(2, "outside the window"));

    // Saturday in a week studied Monday to Friday.
    p = lessons(a, 0, 0, 1, 3);
    a->GetNed(3)->SetYhDey(kNoSaturday);
    put(a, p, 3, 6, 1);
    EXPECT_TRUE(caught(3, "not a study day"));

    // A period the teacher is not available.
    p = lessons(a, 0, 1, 1, 4);
    fios[1]->Dan.Op[2][1] = 0;
    put(a, p, 4, 2, 1);
    EXPECT_TRUE(caught(4, "may not teach then"));
    fios[1]->Dan.Op[2][1] = 1;

    // More lessons than the load.
    p = lessons(a, 0, 0, 1, 5);
    put(a, p, 5, 1, 1);
    put(a, p, 5, 2, 1);
    EXPECT_TRUE(caught(5, "load 1, placed 2"));

    // Two lessons of a single-lesson block on one day.
    p = lessons(a, 0, 0, 2, 6);
    put(a, p, 6, 1, 1);
    put(a, p, 6, 1, 2);
    EXPECT_TRUE(caught(6, "lessons in blocks of 1"));

    // Two subjects in one cell.
    p = lessons(a, 0, 0, 1, 7);
    q = lessons(a, 1, 1, 1, 7);
    put(a, p, 7, 1, 1);
    put(a, q, 7, 1, 1);
    EXPECT_TRUE(caught(7, "share the cell"));

    // A pinned lesson missing from the timetable.
    p = lessons(a, 0, 0, 1, 8);
    put(a, p, 8, 1, 1, 1);
    EXPECT_TRUE(caught(8, "pinned lesson lost"));

    // A union whose groups meet at different moments.
    p = lessons(a, 0, 2, 1, 9);
    q = lessons(b, 0, 2, 1, 9);
    auto ob = std::make_unique<TOb>(9, 0);
    ob->LFioPredmet.push_back(p->GetLFio(9)[0].get());
    ob->LFioPredmet.push_back(q->GetLFio(9)[0].get());
    ASSERT_GE(year->AddOb(std::move(ob), true), 0);
    put(a, p, 9, 1, 1);
    put(b, q, 9, 2, 1);
    EXPECT_TRUE(caught(9, "meets at different moments"));
}

}  // namespace
}  // namespace zavlin
