// What the unions window builds on: the subjects groups share, the ways to
// join their assignments, setting a union week by week, the refusals for two
// members of one group, adding a group to a union, and dissolving one only
// when no lesson of it is placed.
#include "composition/union_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/year_fixture.h"

namespace zavlin {
namespace {

using composition::TSetUnionLine;
using composition::TUnionChoice;
using composition::TUnionMember;

constexpr int kMatem = 0, kFizika = 1, kHimia = 2;
const std::string kPlaced = "Удаление объединения невозможно. Сперва разнесите пары в расписании.";
const std::string kPinned =
    "Удаление объединения невозможно. Сперва разнесите пары в предварительных установках.";

class UnionChoice : public testing_year::YearFixture {
protected:
    // The subject's teachers given in each of the weeks.
    TPredmet* taught(TGryp* gr, int name, std::vector<int> teachers, std::vector<int> weeks) {
        TPredmet* pr = subject(gr, name, teachers, 2, weeks.front());
        for (std::size_t i = 1; i < weeks.size(); ++i) {
            gr->SetNed(weeks[i]);
            for (int t : teachers) pr->AddFio(weeks[i], fios[static_cast<std::size_t>(t)]);
            pr->AddPredmetNe(kSetkaPlan, weeks[i]);
        }
        return pr;
    }
    TFioPredmet* fp(TPredmet* pr, int ne, int i = 0) {
        return pr->GetLFio(ne)[static_cast<std::size_t>(i)].get();
    }
    TUnionChoice choice(std::vector<TPredmet*> subjects, int teacher = 0) {
        TUnionChoice c;
        for (TPredmet* pr : subjects)
            c.members.push_back({pr, fios[static_cast<std::size_t>(teacher)]});
        return c;
    }
    TSetUnionLine onlyLine(std::vector<TGryp*> groups, std::vector<int> weeks) {
        auto lines = composition::SetUnions(*year, groups, weeks);
        EXPECT_EQ(lines.size(), 1u);
        return lines.empty() ? TSetUnionLine{} : lines.front();
    }
};

// Catches a subject counted as common when one group lacks it or has no
// teacher for it in the chosen weeks, a name listed twice, or the order lost.
TEST_F(UnionChoice, CommonSubjectsAreTheNamesEveryGroupTeachesInTheWeeks) {
    TGryp* a = group("А");
    TGryp* b = group("Б");
    taught(a, kFizika, {0}, {1});
    taught(a, kMatem, {0}, {1});
    taught(a, kHimia, {1}, {5});  // taught only outside the chosen weeks
    taught(b, kMatem, {0}, {2});
    taught(b, kHimia, {1}, {1});
    taught(b, kFizika, {2}, {1});
    taught(b, kFizika, {3}, {1});  // a second subject of the same name
    EXPECT_EQ(composition::CommonSubjects({a, b}, {1, 2}),
              (std::vector<std::string>{"Физика", "Матем"}));
    EXPECT_EQ(composition::CommonSubjects({a, b}, {1}), std::vector<std::string>{"Физика"});
    EXPECT_EQ(composition::CommonSubjects({a}, {1, 5}),
              (std::vector<std::string>{"Физика", "Матем", "Химия"}));
    EXPECT_TRUE(composition::CommonSubjects({}, {1}).empty());
}

// Catches a teacher missing from the combinations, one group given two
// members, or a teacher of another week or subject offered.
TEST_F(UnionChoice, PossibleUnionsCombineOneTeacherPerGroup) {
    TGryp* a = group("А");
    TGryp* b = group("Б");
    TPredmet* pa = taught(a, kMatem, {0, 1}, {1});
    TPredmet* pb = taught(b, kMatem, {0}, {1, 2});
    pb->AddFio(2, fios[2]);  // week 2 only
    taught(b, kFizika, {3}, {1});
    auto found = composition::PossibleUnions({a, b}, {1}, "Матем");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Text(), "Матем А,Б " + fios[0]->Name());
    EXPECT_EQ(found[1].Text(), "Матем А,Б " + fios[1]->Name() + "," + fios[0]->Name());
    for (const TUnionChoice& c : found) {
        ASSERT_EQ(c.members.size(), 2u);
        EXPECT_EQ(c.members[0].predmet, pa);
        EXPECT_EQ(c.members[1].predmet, pb);
        EXPECT_EQ(c.members[1].fio, fios[0]);
    }
    EXPECT_EQ(composition::PossibleUnions({a, b}, {1, 2}, "Матем").size(), 4u);
    EXPECT_TRUE(composition::PossibleUnions({a, b}, {1}, "Физика").empty());
    EXPECT_EQ(composition::PossibleUnions({a, b}, {1, 2}, "Матем", 3).size(), 3u);
    // One group alone: each of its teachers, to be added to a union.
    EXPECT_EQ(composition::PossibleUnions({a}, {1}, "Матем").size(), 2u);
}

// Catches a union set in one week only, members left with different numbers,
// a week without the teacher joined anyway (or not reported), and the union
// not found again as one line over its weeks.
TEST_F(UnionChoice, SettingJoinsTheAssignmentsOfEachWeek) {
    TGryp* a = group("А");
    TGryp* b = group("Б");
    TGryp* c = group("В");
    TPredmet* pa = taught(a, kMatem, {0}, {1, 2, 3});
    TPredmet* pb = taught(b, kMatem, {0}, {1, 2});
    taught(b, kMatem, {1}, {3});  // another subject of the name, week 3 only
    pb->AddFio(3, fios[1]);       // week 3: another teacher
    taught(c, kMatem, {0}, {1});
    const auto outcome = composition::SetUnion(*year, choice({pa, pb}), {1, 2, 3});
    EXPECT_TRUE(outcome.refusal.empty());
    EXPECT_EQ(outcome.done, 2);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_NE(outcome.skipped[0].find("у группы Б нет преподавателя " + fios[0]->Name()),
              std::string::npos)
        << outcome.skipped[0];
    for (int ne : {1, 2}) {
        SCOPED_TRACE(ne);
        ASSERT_EQ(year->GetLOb(ne).size(), 1u);
        const TOb* ob = year->GetLOb(ne)[0].get();
        EXPECT_NE(fp(pa, ne)->Dan.Nob, 0);
        EXPECT_EQ(fp(pa, ne)->Dan.Nob, fp(pb, ne)->Dan.Nob);
        EXPECT_EQ(fp(pa, ne)->Ob, ob);
        EXPECT_EQ(fp(pb, ne)->Ob, ob);
    }
    EXPECT_TRUE(year->GetLOb(3).empty());
    EXPECT_EQ(fp(pa, 3)->Dan.Nob, 0);
    EXPECT_TRUE(a->modifiRasp && b->modifiRasp);

    const TSetUnionLine line = onlyLine({b}, {1, 2, 3});
    EXPECT_EQ(line.text, "Матем А,Б " + fios[0]->Name());
    EXPECT_EQ(line.parts.size(), 2u);
    EXPECT_TRUE(composition::SetUnions(*year, {c}, {1, 2}).empty());
    // With the subject named, a group outside sees the union it could join.
    EXPECT_EQ(composition::SetUnions(*year, {c}, {1, 2}, "Матем").size(), 1u);
    EXPECT_TRUE(composition::SetUnions(*year, {c}, {1, 2}, "Физика").empty());

    // Set again: nothing doubles.
    const auto again = composition::SetUnion(*year, choice({pa, pb}), {1});
    EXPECT_EQ(again.done, 0);
    EXPECT_EQ(year->GetLOb(1).size(), 1u);
}

// Catches a member taken out of a union of other groups, which would leave
// that union (and its placed lessons) broken, and a union that grows over a
// smaller one not taking its place.
TEST_F(UnionChoice, SettingKeepsOtherGroupsUnionsWhole) {
    TGryp* a = group("А");
    TGryp* b = group("Б");
    TGryp* c = group("В");
    TPredmet* pa = taught(a, kMatem, {0}, {1});
    TPredmet* pb = taught(b, kMatem, {0}, {1});
    TPredmet* pc = taught(c, kMatem, {0}, {1});
    ASSERT_EQ(composition::SetUnion(*year, choice({pb, pc}), {1}).done, 1);
    const auto refused = composition::SetUnion(*year, choice({pa, pb}), {1});
    EXPECT_EQ(refused.done, 0);
    ASSERT_EQ(refused.skipped.size(), 1u);
    EXPECT_NE(refused.skipped[0].find("уже назначено объединение Матем Б,В"), std::string::npos);
    EXPECT_EQ(fp(pa, 1)->Dan.Nob, 0);
    EXPECT_EQ(fp(pc, 1)->Ob->CountFioPredmet(), 2);

    ASSERT_EQ(composition::SetUnion(*year, choice({pa, pb, pc}), {1}).done, 1);
    ASSERT_EQ(year->GetLOb(1).size(), 1u);
    EXPECT_EQ(year->GetLOb(1)[0]->CountFioPredmet(), 3);
    EXPECT_EQ(fp(pa, 1)->Dan.Nob, fp(pc, 1)->Dan.Nob);
}

// Catches the two refusals mixed up, a refusal that still changed the model,
// and adding a group's second assignment to a union it is already in.
TEST_F(UnionChoice, TwoMembersOfOneGroupAreRefused) {
    TGryp* a = group("А");
    TGryp* b = group("Б");
    TPredmet* matem = taught(a, kMatem, {0}, {1});
    TPredmet* fizika = taught(a, kFizika, {0}, {1});
    TPredmet* pb = taught(b, kMatem, {0, 1}, {1});

    auto outcome = composition::SetUnion(*year, choice({matem, fizika}), {1});
    EXPECT_EQ(outcome.refusal, composition::kUnionDifferentSubjectsOneGroup);
    EXPECT_EQ(std::string(composition::kUnionDifferentSubjectsOneGroup),
              "Ошибка! Нельзя объединять разные предметы в одной группе(установите это "
              "объединение в предварительных установках)");
    TUnionChoice subgroups{{{pb, fios[0]}, {pb, fios[1]}}};
    outcome = composition::SetUnion(*year, subgroups, {1});
    EXPECT_EQ(outcome.refusal, composition::kUnionSameSubjectOneGroup);
    EXPECT_EQ(std::string(composition::kUnionSameSubjectOneGroup),
              "Ошибка! Нельзя объединять предметы в одной группе(установите это объединение в "
              "предварительных установках)");
    EXPECT_TRUE(year->GetLOb(1).empty());
    EXPECT_EQ(fp(pb, 1, 0)->Dan.Nob, 0);
    EXPECT_EQ(fp(pb, 1, 1)->Dan.Nob, 0);

    ASSERT_EQ(composition::SetUnion(*year, choice({matem, pb}), {1}).done, 1);
    const TSetUnionLine line = onlyLine({a}, {1});
    outcome = composition::AddToUnion(*year, line, {fizika, fios[0]});
    EXPECT_EQ(outcome.refusal, composition::kUnionDifferentSubjectsOneGroup);
    outcome = composition::AddToUnion(*year, line, {pb, fios[1]});
    EXPECT_EQ(outcome.refusal, composition::kUnionSameSubjectOneGroup);
    EXPECT_EQ(year->GetLOb(1)[0]->CountFioPredmet(), 2);
    EXPECT_EQ(fp(fizika, 1)->Dan.Nob, 0);
}

// Catches an added group not given the union's number, a week where it
// lacks the teacher joined or not reported, and the clash test not seeing
// the new member (its teacher would be refused at the union's cell).
TEST_F(UnionChoice, AGroupJoinsAUnionSet) {
    TGryp* a = group("А");
    TGryp* b = group("Б");
    TGryp* c = group("В");
    TPredmet* pa = taught(a, kMatem, {0}, {1, 2});
    TPredmet* pb = taught(b, kMatem, {0}, {1, 2});
    TPredmet* pc = taught(c, kMatem, {0}, {1});
    ASSERT_EQ(composition::SetUnion(*year, choice({pa, pb}), {1, 2}).done, 2);
    ASSERT_NE(year->AddYr(a, 0, 1, 1, 2, item(a, pa), fp(pa, 1)), nullptr);
    // Outside the union the teacher is busy there; the clash index is built.
    EXPECT_FALSE(year->TestAddFio(0, 0, fios[0]->N, 1, 1, 2));
    EXPECT_EQ(year->AddYr(c, 0, 1, 1, 2, item(c, pc), fp(pc, 1)), nullptr);

    const auto outcome = composition::AddToUnion(*year, onlyLine({a, b}, {1, 2}), {pc, fios[0]});
    EXPECT_TRUE(outcome.refusal.empty());
    EXPECT_EQ(outcome.done, 1);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_NE(outcome.skipped[0].find("у группы В нет преподавателя"), std::string::npos);
    const TOb* ob = year->GetLOb(1)[0].get();
    EXPECT_EQ(ob->CountFioPredmet(), 3);
    EXPECT_EQ(fp(pc, 1)->Ob, ob);
    EXPECT_EQ(fp(pc, 1)->Dan.Nob, ob->FN);
    EXPECT_TRUE(c->modifiRasp);
    EXPECT_EQ(year->GetLOb(2)[0]->CountFioPredmet(), 2);
    EXPECT_TRUE(year->TestAddFio(0, ob->FN, fios[0]->N, 1, 1, 2));
    EXPECT_NE(year->AddYr(c, 0, 1, 1, 2, item(c, pc), fp(pc, 1)), nullptr);
}

// Catches a union with a placed lesson dissolved (its lessons would clash),
// the year's reasons lost or repeated once per week (a box per week), the
// weeks kept not listed, and a free week not released.
TEST_F(UnionChoice, DeletingKeepsTheWeeksWithLessonsPlacedAndSaysWhyOnce) {
    TGryp* a = group("А");
    TGryp* b = group("Б");
    TPredmet* pa = taught(a, kMatem, {0}, {1, 2, 3, 4});
    TPredmet* pb = taught(b, kMatem, {0}, {1, 2, 3, 4});
    ASSERT_EQ(composition::SetUnion(*year, choice({pa, pb}), {1, 2, 3, 4}).done, 4);
    // Timetable lessons in weeks 1-3, a pinned one besides in week 2.
    for (int ne : {1, 2, 3})
        ASSERT_NE(year->AddYr(b, 0, ne, 3, 1, item(b, pb, ne), fp(pb, ne)), nullptr) << ne;
    ASSERT_NE(year->AddYr(a, 1, 2, 4, 2, item(a, pa, 2), fp(pa, 2)), nullptr);
    const uint16_t nob = fp(pa, 1)->Dan.Nob;

    const auto outcome = composition::DeleteUnion(*year, onlyLine({a}, {1, 2, 3, 4}));
    EXPECT_EQ(outcome.done, 1);
    EXPECT_EQ(outcome.refusal, kPlaced + "\n" + kPinned);
    ASSERT_EQ(outcome.skipped.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(outcome.skipped[i].rfind(
                      "Неделя " + year->AllNed.GetNumberWeek(static_cast<int>(i) + 1) + ": ", 0),
                  0u)
            << outcome.skipped[i];
    // The year was asked quietly: the caller shows the reasons once.
    EXPECT_TRUE(dialog.shown.empty());
    for (int ne : {1, 2, 3}) {
        SCOPED_TRACE(ne);
        ASSERT_EQ(year->GetLOb(ne).size(), 1u);
        EXPECT_EQ(fp(pa, ne)->Ob, year->GetLOb(ne)[0].get());
        EXPECT_EQ(fp(pb, ne)->Ob, year->GetLOb(ne)[0].get());
    }
    EXPECT_EQ(fp(pa, 1)->Dan.Nob, nob);
    EXPECT_TRUE(year->GetLOb(4).empty());
    EXPECT_EQ(fp(pa, 4)->Dan.Nob, 0);
    EXPECT_EQ(fp(pb, 4)->Ob, nullptr);

    // Only pinned lessons: that reason alone.
    ASSERT_NE(year->AddYr(a, 1, 4, 4, 2, item(a, pa, 4), fp(pa, 4)), nullptr);
    ASSERT_EQ(composition::SetUnion(*year, choice({pa, pb}), {4}).done, 1);
    const auto pinned = composition::DeleteUnion(*year, onlyLine({b}, {4}));
    EXPECT_EQ(pinned.done, 0);
    EXPECT_EQ(pinned.refusal, kPinned);
    EXPECT_EQ(pinned.skipped.size(), 1u);
    EXPECT_NE(fp(pb, 4)->Ob, nullptr);
}

}  // namespace
}  // namespace zavlin
