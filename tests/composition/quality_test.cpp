// The quality measures of a week on small hand-made timetables, and their
// one-pass counting checked against the year's per-teacher questions on
// randomly filled weeks.
#include "composition/quality.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/god.h"
#include "model/group.h"
#include "model/year.h"
#include "model/year_fixture.h"
#include "support/cli_runner.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct Measured {
    Lines lines;
    int kd = 0;
    int k2 = 0;
};

class Quality : public testing_year::YearFixture {
protected:
    Measured measure(int n, int tip = 0, int ne = 1) {
        Measured m;
        m.lines.push_back("left over");  // a measure starts from an empty list
        GetKahestvo(*year, n, tip, ne, m.lines, m.kd, m.k2);
        return m;
    }

    // One lesson of the subject's t-th teacher assignment.
    TYr* place(TGryp* gr, TPredmet* pr, int d, int y, int tip = 0, std::size_t t = 0) {
        TNed* week = gr->GetNed(1);
        return week->AddYrRas(tip, d, y, item(gr, pr), pr->GetLFio(1)[t].get());
    }

    // The groups' assignments of their first subject joined in a union.
    TOb* unite(std::vector<TPredmet*> subjects) {
        auto ob = std::make_unique<TOb>(1, 0);
        for (TPredmet* pr : subjects) ob->LFioPredmet.push_back(pr->GetLFio(1)[0].get());
        const int at = year->AddOb(std::move(ob), true);
        EXPECT_GE(at, 0);
        return year->GetLOb(1)[static_cast<std::size_t>(at)].get();
    }
};

TEST_F(Quality, GroupAndTeacherHolesAreCountedPerDay) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    TPredmet* p1 = subject(g1, 0, {0}, 3);
    TPredmet* p2 = subject(g2, 1, {0}, 2);
    TPredmet* p3 = subject(g3, 2, {1}, 3);
    // Г-1: Monday 1 and 4 (holes 2, 3), Tuesday a single lesson (none).
    place(g1, p1, 1, 1);
    place(g1, p1, 1, 4);
    place(g1, p1, 2, 5);
    // Г-2 has no hole; Г-3 one on Friday.
    place(g2, p2, 3, 2);
    place(g2, p2, 3, 3);
    place(g3, p3, 5, 0);
    place(g3, p3, 5, 2);

    Measured m = measure(1);
    EXPECT_EQ(m.lines,
              (Lines{"1 Количество дырок у группы Г-1=2", "2 Количество дырок у группы Г-3=1"}));
    EXPECT_EQ(m.kd, 3);
    EXPECT_EQ(m.k2, 2);

    // Иванов: Monday 1 and 4 in Г-1; Wednesday 2, 3 in Г-2 and 4 free.
    // Tuesday 5 in Г-1 and 7 in Г-2 once the lesson is added: one more hole.
    TPredmet* extra = subject(g2, 0, {0}, 1);
    place(g2, extra, 2, 7);
    m = measure(2);
    EXPECT_EQ(m.lines, (Lines{"1 Количество дырок у преподавателя Иванов И.И.=3",
                              "2 Количество дырок у преподавателя Петров П.П.=1"}));
    EXPECT_EQ(m.kd, 4);
    EXPECT_EQ(m.k2, 2);
    // The pinned layer is another grid: nothing there.
    m = measure(1, 1);
    EXPECT_TRUE(m.lines.empty());
    EXPECT_EQ(m.kd, 0);
    EXPECT_EQ(m.k2, 0);
}

TEST_F(Quality, ThinWeeksHaveNoBadlyDistributedSubjects) {
    // Lessons on its only study day.
    TGryp* one = group("Г-1");
    TPredmet* p1 = subject(one, 0, {0}, 8);
    one->GetNed(1)->SetYhDey(0b0000011);
    for (int y = 0; y < 8; ++y) place(one, p1, 1, y);
    // Six study days, eleven lessons (fewer than twice the days), all Monday.
    TGryp* few = group("Г-2");
    TPredmet* p2 = subject(few, 1, {1}, 11);
    for (int y = 0; y < 11; ++y) place(few, p2, 1, y);
    Measured m = measure(3);
    EXPECT_TRUE(m.lines.empty());
    EXPECT_EQ(m.kd, 0);

    // A twelfth lesson makes the week judgeable: usual day 2, ten periods
    // too many on Monday, four window periods free on each other day.
    place(few, p2, 1, 11);
    m = measure(3);
    EXPECT_EQ(m.lines, Lines{"1 Неравномерность распределения нагрузки у группы Г-2=10"});
    EXPECT_EQ(m.kd, 10);
    EXPECT_EQ(m.k2, 1);
}

TEST_F(Quality, UnevenLoadTakesTheSmallerOfSurplusAndFreeWindow) {
    TGryp* gr = group("Г-1");
    TPredmet* pr = subject(gr, 0, {0}, 5);
    gr->GetNed(1)->SetYhDey(0b0000111);  // Monday and Tuesday
    gr->Dan.TimeDay = 1;
    // 5 lessons over 2 days: 2.5 goes to 2. Monday's 3rd and 4th are surplus;
    // Tuesday's window 1-4 is all free.
    for (int y = 0; y < 4; ++y) place(gr, pr, 1, y);
    place(gr, pr, 2, 7);
    Measured m = measure(3);
    EXPECT_EQ(m.kd, 2);
    EXPECT_EQ(m.kd, gr->CountBadNagryzkaOfNed(0, 1));
    // A late group's window is two periods, 6 and 7: only 6 is free.
    gr->Dan.TimeDay = 6;
    m = measure(3);
    EXPECT_EQ(m.kd, 1);
    EXPECT_EQ(m.kd, gr->CountBadNagryzkaOfNed(0, 1));
}

TEST_F(Quality, SingleLessonDaysAndWorkingDaysOfTeachers) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TPredmet* p1 = subject(g1, 0, {0}, 6);
    TPredmet* p2 = subject(g2, 0, {0}, 6);
    unite({p1, p2});
    // Monday: one period in two groups of a union is still one lesson.
    place(g1, p1, 1, 2);
    place(g2, p2, 1, 2);
    // Tuesday to Saturday: Tuesday two periods, the others one each.
    place(g1, p1, 2, 1);
    place(g1, p1, 2, 2);
    for (int d = 3; d <= 6; ++d) place(g1, p1, d, 0);

    Measured m = measure(4);
    EXPECT_EQ(m.lines, Lines{"1 Назначено одиночных предметов у преподавателя Иванов И.И.=5"});
    EXPECT_EQ(m.kd, 5);
    EXPECT_EQ(m.k2, 1);

    // An administrator who wishes 6 days and works 6: the minimum is 5.
    fios[0]->SetRday(6);
    m = measure(5);
    EXPECT_EQ(m.lines,
              Lines{"1 Неоптимальное количество дней у преподавателя Иванов И.И.=6 вместо 5"});
    EXPECT_EQ(m.kd, 1);
    EXPECT_EQ(m.k2, 1);
}

TEST_F(Quality, MinimumDaysFollowTheWishBelowFive) {
    TGryp* gr = group("Г-1");
    TPredmet* pr = subject(gr, 0, {1}, 2);  // two lessons: at least 2 days
    gr->Dan.TimeDay = 1;
    place(gr, pr, 1, 0);
    place(gr, pr, 3, 0);
    TPredmet* more = subject(gr, 1, {1}, 1);
    place(gr, more, 5, 0);
    const int nFio = fios[1]->N;
    ASSERT_EQ(year->GetMimRunDey(nFio, 1, 4), 2);

    fios[1]->SetRday(5);  // the usual wish: the minimum of the load
    Measured m = measure(5);
    EXPECT_EQ(m.lines,
              Lines{"1 Неоптимальное количество дней у преподавателя Петров П.П.=3 вместо 2"});
    EXPECT_EQ(m.kd, 1);
    fios[1]->SetRday(3);  // a wish below 5 above the load's minimum counts
    EXPECT_TRUE(measure(5).lines.empty());
    fios[1]->SetRday(1);  // a wish below the load's minimum does not
    EXPECT_EQ(measure(5).lines,
              Lines{"1 Неоптимальное количество дней у преподавателя Петров П.П.=3 вместо 2"});
}

TEST_F(Quality, LessonsOnFreeDaysAndInForbiddenPeriods) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TPredmet* p1 = subject(g1, 0, {0}, 3);
    TPredmet* p2 = subject(g2, 0, {0}, 3);
    unite({p1, p2});
    g1->GetNed(1)->SetYhDey(0b0111111);  // no Saturday
    place(g1, p1, 6, 2);
    place(g1, p1, 6, 4);
    place(g1, p1, 2, 3);
    place(g2, p2, 2, 3);  // the same period in a union
    Measured m = measure(6);
    EXPECT_EQ(m.lines, (Lines{"Г-1 день 6 урок 2", "Г-1 день 6 урок 4"}));
    EXPECT_EQ(m.kd, 2);
    EXPECT_EQ(m.k2, 1);

    fios[0]->Dan.Op[2][3] = 0;
    fios[0]->Dan.Op[6][4] = 0;
    fios[0]->Dan.Op[1][0] = 0;  // forbidden but unused
    m = measure(7);
    EXPECT_EQ(m.lines, (Lines{"Иванов И.И. день 2 урок 3", "Иванов И.И. день 6 урок 4"}));
    EXPECT_EQ(m.kd, 2);
    EXPECT_EQ(m.k2, 1);
}

TEST_F(Quality, PinnedLessonsMissingFromTheTimetable) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TPredmet* split = subject(g1, 0, {0, 1}, 2);  // two subgroups
    TPredmet* other = subject(g1, 1, {2}, 2);
    TPredmet* p2 = subject(g2, 0, {3}, 2);
    // Pinned Monday 0: both subgroups; the timetable cell is missing.
    place(g1, split, 1, 0, 1, 0);
    place(g1, split, 1, 0, 1, 1);
    // Pinned Tuesday 1: subgroup 2; the timetable holds subgroup 1 there.
    place(g1, split, 2, 1, 1, 1);
    place(g1, split, 2, 1, 0, 0);
    // Pinned Wednesday 2 and kept.
    place(g1, other, 3, 2, 1);
    place(g1, other, 3, 2, 0);
    place(g2, p2, 4, 4, 1);
    place(g2, p2, 4, 4, 0);

    for (int tip : {0, 1}) {  // always the pinned grid against the timetable
        Measured m = measure(8, tip);
        EXPECT_EQ(m.lines, (Lines{"Г-1 день 1 урок 0", "Г-1 день 2 урок 1"}));
        EXPECT_EQ(m.kd, 3);
        EXPECT_EQ(m.k2, 1);
    }
}

TEST_F(Quality, UnionLessonsNotHeldTogether) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TPredmet* p1 = subject(g1, 0, {0}, 2);
    TPredmet* p2 = subject(g2, 0, {0}, 2);
    unite({p1, p2});
    place(g1, p1, 1, 1);
    place(g2, p2, 1, 1);
    // The second joint lesson is held apart.
    place(g1, p1, 2, 1);
    place(g2, p2, 3, 1);
    Measured m = measure(9);
    EXPECT_EQ(m.lines, Lines{"Отсутсвуют 1 объединения для 2 групп из Матем Г-1,Г-2 Иванов И.И."});
    EXPECT_EQ(m.kd, 1);
    EXPECT_EQ(m.k2, 1);
    // In the pinned grid nothing is placed: both are missing.
    m = measure(9, 1);
    EXPECT_EQ(m.lines, Lines{"Отсутсвуют 2 объединения для 2 групп из Матем Г-1,Г-2 Иванов И.И."});

    // Brought together, nothing is missing.
    g2->GetNed(1)->MoveYrRasp(0, 3, 1, 2, 1, g2->GetNed(1)->GetYrok(0, 3, 1)->LYr[0]);
    m = measure(9);
    EXPECT_TRUE(m.lines.empty());
    EXPECT_EQ(m.kd, 0);
    EXPECT_EQ(m.k2, 0);
}

// Each level asks for the lessons above the level below it: held as formed,
// nothing is missing. Catches: a level asking for all its lessons again (the
// union held as formed would lack two lessons of two groups), or a level's
// shortfall counted at another level.
TEST_F(Quality, UnionWhoseMembersHaveDifferentLoads) {
    // Two, three and three lessons: two joint lessons of all three groups,
    // then one of the two with more, as the composition forms its units.
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    TPredmet* p1 = subject(g1, 0, {0}, 2);
    TPredmet* p2 = subject(g2, 0, {0}, 3);
    TPredmet* p3 = subject(g3, 0, {0}, 3);
    unite({p1, p2, p3});
    for (int d : {1, 2}) {
        place(g1, p1, d, 0);
        place(g2, p2, d, 0);
        place(g3, p3, d, 0);
    }
    place(g2, p2, 3, 0);
    place(g3, p3, 4, 0);
    Measured m = measure(9);
    EXPECT_EQ(m.lines,
              Lines{"Отсутсвуют 1 объединения для 2 групп из Матем Г-1,Г-2,Г-3 Иванов И.И."});
    EXPECT_EQ(m.kd, 1);
    g3->GetNed(1)->MoveYrRasp(0, 4, 0, 3, 0, g3->GetNed(1)->GetYrok(0, 4, 0)->LYr[0]);
    m = measure(9);
    EXPECT_TRUE(m.lines.empty()) << m.lines.front();
    EXPECT_EQ(m.kd, 0);
    EXPECT_EQ(m.k2, 0);

    // Г-1's second lesson apart: one lesson of all three is missing, while
    // the two with more still meet twice without it (Tuesday and Wednesday).
    g1->GetNed(1)->MoveYrRasp(0, 2, 0, 5, 0, g1->GetNed(1)->GetYrok(0, 2, 0)->LYr[0]);
    m = measure(9);
    EXPECT_EQ(m.lines,
              Lines{"Отсутсвуют 1 объединения для 3 групп из Матем Г-1,Г-2,Г-3 Иванов И.И."});
    EXPECT_EQ(m.kd, 1);
    EXPECT_EQ(m.k2, 1);
}

TEST_F(Quality, TeacherOverlapsOutsideOneUnion) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    // Both subgroups of Г-1 taught by Иванов, at once, without a union.
    TPredmet* split = subject(g1, 0, {0, 0}, 1);
    place(g1, split, 1, 0, 0, 0);
    place(g1, split, 1, 0, 0, 1);
    Measured m = measure(10);
    EXPECT_EQ(m.lines, Lines{"Накладка гр.Г-1 на гр.Г-1 день 1 урок 0 пр.Иванов И.И."});
    EXPECT_EQ(m.kd, 1);
    EXPECT_EQ(m.k2, 1);

    // A union of Г-2 and Г-3 meets on Tuesday 5: no overlap; Г-4 joining
    // Петров there outside the union is one, named after the previous group.
    TGryp* g4 = group("Г-4");
    TPredmet* p2 = subject(g2, 1, {1}, 1);
    TPredmet* p3 = subject(g3, 1, {1}, 1);
    TPredmet* p4 = subject(g4, 1, {1}, 1);
    unite({p2, p3});
    place(g2, p2, 2, 5);
    place(g3, p3, 2, 5);
    m = measure(10);
    EXPECT_EQ(m.kd, 1);
    place(g4, p4, 2, 5);
    m = measure(10);
    EXPECT_EQ(m.lines, (Lines{"Накладка гр.Г-1 на гр.Г-1 день 1 урок 0 пр.Иванов И.И.",
                              "Накладка гр.Г-3 на гр.Г-4 день 2 урок 5 пр.Петров П.П."}));
    EXPECT_EQ(m.kd, 2);
    EXPECT_EQ(m.k2, 2);
    // The first group's lesson sets the reference: outside the union, both
    // members after it are overlaps, the teacher-period still counts once.
    TPredmet* p1 = subject(g1, 1, {1}, 1);
    place(g1, p1, 2, 5);
    m = measure(10);
    EXPECT_EQ(m.kd, 4);
    EXPECT_EQ(m.k2, 2);
    EXPECT_EQ(m.lines[1], "Накладка гр.Г-1 на гр.Г-2 день 2 урок 5 пр.Петров П.П.");
}

TEST_F(Quality, ReportAndSummaryLines) {
    TGryp* gr = group("Г-1");
    TPredmet* pr = subject(gr, 0, {0}, 3);
    place(gr, pr, 1, 1);
    place(gr, pr, 1, 3);
    place(gr, pr, 2, 0, 1);  // pinned, lost in the timetable
    EXPECT_EQ(KahestvoReportLines(*year, 1), (Lines{
                                                 "Всего дырок в группах ..............=1  у 1 гр.",
                                                 "Всего дырок у преподавателей .......=1  у 1 чел.",
                                                 "Неравномерно распределено предметов =0  у 0 гр.",
                                                 "Одиночные пары у преподавателей ....=0  у 0 чел.",
                                                 "Неоптимальное кол-во дней у препод. =0  у 0 чел.",
                                                 "Невыполненые ограничения групп      =0  у 0 гр.",
                                                 "Невыполненые ограничения препод.    =0  у 0 чел.",
                                                 "Утеренно предварительных установок  =1  у 1 гр.",
                                                 "Невыполненые объединения препод.    =0  у 0 чел.",
                                                 "Ошибочная накладка преподавателей   =0  у 0 чел.",
                                             }));
    EXPECT_EQ(KahestvoSummaryLine(1, 5, 2), "Всего дырок в группах =5  у 2 гр.");
    EXPECT_EQ(KahestvoSummaryLine(4, 3, 1), "Назначено одиночных предметов =3  у 1 чел.");
    EXPECT_EQ(KahestvoSummaryLine(5, 0, 0),
              "Неоптимальное количество дней у преподавателей =0  у 0 чел.");
    EXPECT_EQ(KahestvoSummaryLine(10, 1, 1), "Ошибочная накладка преподавателей =1  у 1 чел.");
    std::string units;
    for (int n = 1; n <= kKahestvoCount; ++n) units += KahestvoUnit(n);
    EXPECT_EQ(units, " гр. чел. гр. чел. чел. гр. чел. гр. чел. чел.");
    Measured m = measure(11);
    EXPECT_TRUE(m.lines.empty());
    EXPECT_EQ(m.kd, 0);
}

// A week filled at random, overlaps, unions and substitutions included.
class RandomWeek : public Quality {
protected:
    void fill(unsigned seed) {
        std::mt19937 rng(seed);
        auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        for (const char* name : {"Смирнов Семён Семёнович", "Орлов Олег Олегович",
                                 "Волков Вадим Вадимович", "Зайцев Захар Захарович"}) {
            auto fio = std::make_unique<TFio>();
            fio->SetBigName(name);
            fios.push_back(year->AddFio(std::move(fio)));
        }
        const auto teachers = static_cast<int>(fios.size());
        for (TFio* fio : fios) {
            fio->SetRday(1 + pick(6));
            for (int k = 0; k < 6; ++k) fio->Dan.Op[1 + pick(6)][pick(12)] = 0;
        }
        fios[0]->SetRday(6);  // whose minimum is 5 whatever the load
        std::vector<TPredmet*> byName[3];
        for (int g = 0; g < 9; ++g) {
            TGryp* gr = group("Г-" + std::to_string(g + 1));
            gr->Dan.TimeDay = static_cast<uint8_t>(pick(2) == 0 ? 6 + pick(3) : pick(4));
            std::vector<TPredmet*> subjects;
            for (int s = 0; s < 3; ++s) {
                std::vector<int> who{pick(teachers)};
                if (pick(3) == 0) who.push_back(pick(teachers));
                subjects.push_back(subject(gr, s, who, 1 + pick(3)));
                byName[s].push_back(subjects.back());
            }
            gr->GetNed(1)->SetYhDey(static_cast<uint8_t>(1 | (pick(64) << 1)));
            for (int tip = 0; tip <= 1; ++tip)
                for (int d = 1; d <= kDayCount; ++d)
                    for (int y = 0; y < kPeriodCount; ++y) {
                        if (pick(100) >= 30) continue;
                        TPredmet* pr = subjects[static_cast<std::size_t>(pick(3))];
                        const auto t =
                            static_cast<std::size_t>(pick(static_cast<int>(pr->GetLFio(1).size())));
                        place(gr, pr, d, y, tip, t);
                    }
        }
        // Pairs of groups sharing a subject's first teacher form unions.
        for (auto& list : byName)
            for (std::size_t i = 0; i + 1 < list.size(); i += 2)
                if (list[i]->GetLFio(1)[0]->Fio() == list[i + 1]->GetLFio(1)[0]->Fio())
                    unite({list[i], list[i + 1]});
        // Some lessons replaced by another teacher's substitution.
        for (int k = 0; k < 12; ++k) {
            TGryp* gr = year->LGryp[static_cast<std::size_t>(pick(year->CountGryp()))].get();
            TNed* week = gr->GetNed(1);
            const int d = 1 + pick(6);
            const int y = pick(12);
            TYrok* yrok = week->GetYrok(0, d, y);
            if (yrok == nullptr || yrok->LYr.empty()) continue;
            TYr* lesson = yrok->LYr[0];
            TFioPredmet* fp = lesson->FioPredmet();
            TYrokKorzina* zk = fp->Predmet()->AddPredmetNe(kSetkaZamena, 1, fp);
            if (zk == nullptr) continue;
            TYr* zm = week->AddYrRas(0, d, y, zk, fp);
            if (zm == nullptr) continue;
            static_cast<TZamena*>(zm)->SetFio(fios[static_cast<std::size_t>(pick(teachers))]);
            TNed::LinkZamena(zm, lesson);
        }
    }
};

class RandomWeekTotals : public RandomWeek, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RandomWeekTotals, EqualTheYearsTotals) {
    fill(GetParam());
    for (int tip = 0; tip <= 1; ++tip) {
        const TWeekTotals totals = WeekTotals(*year, tip, 1);
        EXPECT_EQ(totals.groupHoles, year->CountDirkaAllGrypOfNed(tip, 1));
        EXPECT_EQ(totals.badNagryzka, year->CountBadNagryzkaAllGrypOfNed(tip, 1));
        EXPECT_EQ(totals.teacherHoles, year->CountDirkaAllFioOfNed(tip, 1));
        // The year's own total is counted in one pass too: against the
        // teacher-by-teacher answer.
        int teacherHoles = 0;
        for (const TFio* fio : fios) teacherHoles += year->CountDirkaNFioOfNed(tip, fio->N, 1);
        EXPECT_EQ(totals.teacherHoles, teacherHoles);
        EXPECT_GT(totals.groupHoles, 0);
        EXPECT_GT(totals.teacherHoles, 0);
        // The per-group counts the moves measure, against the model's own.
        for (const auto& gr : year->LGryp) {
            const TNed* week = gr->GetNed(1);
            if (week == nullptr) continue;
            const TGrypWeekCounts counts = GrypWeekCounts(*gr, tip, 1);
            EXPECT_EQ(counts.oneYrok, week->CountOneYrok(tip)) << gr->Name();
            EXPECT_EQ(counts.holes, week->CountDirka(tip)) << gr->Name();
            EXPECT_EQ(counts.badNagryzka, gr->CountBadNagryzkaOfNed(tip, 1)) << gr->Name();
        }
    }
    const TWeekTotals none = WeekTotals(*year, 0, 2);  // a week nobody has
    EXPECT_EQ(none.groupHoles + none.badNagryzka + none.teacherHoles, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomWeekTotals, ::testing::Values(1u, 2u, 3u, 4u));

TEST_F(RandomWeek, TeacherMeasuresEqualTheYearsPerTeacherQuestions) {
    fill(7);
    for (int tip = 0; tip <= 1; ++tip) {
        int holes = 0, single = 0, surplus = 0, forbidden = 0, overlaps = 0;
        Lines late;  // every teacher's working days against its minimum
        for (const auto& listed : year->LFio) {
            const TFio* fio = listed.get();
            holes += year->CountDirkaNFioOfNed(tip, fio->N, 1);
            single += year->CountOdinYrokFioOfNed(tip, fio->N, 1);
            const int working = year->GetRunDey(tip, fio->N, 1);
            const int least = year->CountMinRunDeyFioOfNed(fio->N, 1);
            if (working > least) {
                surplus += working - least;
                late.push_back(fio->Name() + "=" + std::to_string(working) + " вместо " +
                               std::to_string(least));
            }
            for (const auto& [d, y] : year->GetNFioOfNe(tip, fio->N, 1))
                if (fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] == 0)
                    ++forbidden;
        }
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                for (const TFio* fio : fios) {
                    std::vector<TGrypYr> lessons;
                    year->GetNFioOfGryp(tip, fio->N, 1, d, y, lessons);
                    for (std::size_t i = 1; i < lessons.size(); ++i) {
                        const int nob = lessons[i].yr->NObed();
                        if (nob == 0 || nob != lessons[0].yr->NObed()) ++overlaps;
                    }
                }
        EXPECT_EQ(measure(2, tip).kd, holes);
        EXPECT_EQ(measure(4, tip).kd, single);
        const Measured days = measure(5, tip);
        EXPECT_EQ(days.kd, surplus);
        ASSERT_EQ(days.lines.size(), late.size());
        for (std::size_t i = 0; i < late.size(); ++i)
            EXPECT_TRUE(days.lines[i].ends_with(" " + late[i])) << days.lines[i];
        EXPECT_EQ(measure(7, tip).kd, forbidden);
        EXPECT_EQ(measure(10, tip).kd, overlaps);
        EXPECT_GT(holes * single * surplus * forbidden * overlaps, 0) << "layer " << tip;
    }
    int groupHoles = 0, bad = 0;
    for (int g = 0; g < year->CountGryp(); ++g) {
        groupHoles += year->CountDirkaIndxGrypOfNed(0, g, 1);
        bad += year->CountBadNagryzkaGrypOfNed(0, g, 1);
    }
    EXPECT_EQ(measure(1).kd, groupHoles);
    EXPECT_EQ(measure(3).kd, bad);
}

// zavlin-cli quality, when the program is built beside this test.
class QualityCli : public Quality {
protected:
    static fs::path program() {
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        return ec ? fs::path() : self.parent_path().parent_path() / "src" / "cli" / "zavlin-cli";
    }

    int run(const std::string& args, std::string& out) {
        const testsupport::CliRun r = testsupport::runCommandLine(
            program(), "quality " + args + " --home '" + home + "'");
        out += r.out;
        return r.status;
    }
};

TEST_F(QualityCli, PrintsTheWeekAndItsMeasures) {
    if (!fs::exists(program())) GTEST_SKIP() << "zavlin-cli is not built";
    TAllGod years(*dm);
    ASSERT_TRUE(years.ReadListGod());
    ASSERT_GE(years.AddGod(2016), 0);
    TGryp* gr = group("Г-1");
    TPredmet* pr = subject(gr, 0, {0}, 3, 3);
    gr->GetNed(3)->AddYrRas(0, 1, 1, item(gr, pr, 3), pr->GetLFio(3)[0].get());
    gr->GetNed(3)->AddYrRas(0, 1, 4, item(gr, pr, 3), pr->GetLFio(3)[0].get());
    gr->GetNed(3)->AddYrRas(1, 2, 2, item(gr, pr, 3), pr->GetLFio(3)[0].get());
    ASSERT_TRUE(year->SaveRasp());
    TGod god(*dm);
    god.SetDataGod(2016, false);
    const std::string title = "Неделя " + god.AllNed.DNed(3)->GetStrDateNed() + "\n";

    std::string out;
    ASSERT_EQ(run("--week 3 --year 2016", out), 0) << out;
    EXPECT_EQ(out.substr(0, title.size()), title);
    EXPECT_NE(out.find("\nВсего дырок в группах =2  у 1 гр.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nУтеренно предварительных установок =1  у 1 гр.\n"), std::string::npos);
    EXPECT_NE(out.find("\nОшибочная накладка преподавателей =0  у 0 чел.\n"), std::string::npos);

    out.clear();
    ASSERT_EQ(run("--week 3 --year 2016 --measure 1", out), 0) << out;
    EXPECT_EQ(out,
              title + "1 Количество дырок у группы Г-1=2\nВсего дырок в группах =2  у 1 гр.\n");
    out.clear();
    ASSERT_EQ(run("--week 3 --year 2016 --measure 1 --layer pinned", out), 0) << out;
    EXPECT_EQ(out, title + "Всего дырок в группах =0  у 0 гр.\n");

    out.clear();
    EXPECT_EQ(run("--week 57 --year 2016", out), 2);
    EXPECT_NE(out.find("week 57"), std::string::npos) << out;
    out.clear();
    EXPECT_EQ(run("--week 3 --year 2016 --measure 11", out), 2);
}

}  // namespace
}  // namespace zavlin
