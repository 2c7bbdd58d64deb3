// Hour accounting on small hand-built weeks: which lessons count for whom,
// the accounting tables' rows and columns, and the figure texts.
#include "reports/hours.h"

#include <gtest/gtest.h>

#include "model/exam.h"
#include "model/year_fixture.h"

namespace zavlin {
namespace {

using namespace reports;

// Columns of the full view: N, name, 7 per semester, then the year's two.
constexpr int semColumn(int semm, int k) {
    return 2 + (semm - 1) * 7 + k;
}
constexpr int kPlanSubject = 0, kPlanAll = 1, kPlanTeacher = 2, kPlaced = 3, kLeft = 4,
              kLeftZamena = 5, kDelivered = 6;

class Hours : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        year->AllNed.SetDataGod(2016, false);
    }

    // A group whose second semester starts on 1 January.
    TGryp* studyGroup(const std::string& name) {
        TGryp* gr = group(name);
        gr->SetDateSemm2(0);
        return gr;
    }

    TYr* lessonOf(TGryp* gr, int ne, int de, int y, const TFio* fio) {
        const TYrok* yrok = gr->GetNed(ne)->GetYrok(0, de, y);
        if (yrok == nullptr) return nullptr;
        for (TYr* yr : yrok->LYr)
            if (yr->Fio() == fio) return yr;
        return nullptr;
    }

    const TAccountRow* row(const TAccountTable& t, const TFio* fio, bool substitution) {
        for (const TAccountRow& r : t.rows)
            if (r.fio == fio && r.substitution == substitution) return &r;
        return nullptr;
    }

    int32_t dateOf(int ne, int de) { return year->AllNed.DNed(ne)->Dt + de - 1; }
};

TEST(HourUnits, MinutesBecomeAcademicHoursAndTheirTexts) {
    // 45 minutes to the hour; credit records round the remainder to tens.
    EXPECT_EQ(minutesToKh00(90, true), 200);
    EXPECT_EQ(minutesToKh00(100, true), 220);   // 22 -> 20
    EXPECT_EQ(minutesToKh00(100, false), 222);  // unrounded
    EXPECT_EQ(minutesToKh00(107, true), 240);   // 37 -> 40: a 7 rounds up
    EXPECT_EQ(minutesToKh00(104, true), 230);   // 31 -> 30
    EXPECT_EQ(minutesToKh00(0, true), 0);
    EXPECT_EQ(academicHoursText(220), "2,20");
    EXPECT_EQ(academicHoursText(207), "2,07");
    EXPECT_EQ(academicHoursText(200), "2");
    EXPECT_EQ(statementHoursText(220), "2.20");
    EXPECT_EQ(statementHoursText(5), "0.05");
    EXPECT_EQ(statementHoursText(400), "4");
    EXPECT_EQ(statementHoursText(0), "");
    EXPECT_EQ(pairsText(12, false), "12(24)");
    EXPECT_EQ(pairsText(12, true), "12");
    EXPECT_EQ(pairsText(0, false), "");
}

TEST_F(Hours, ASubstituteGetsTheLessonAndACancellationCountsForNobody) {
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 3, 2);
    TNed* week = gr->GetNed(2);
    for (int de = 1; de <= 3; ++de) week->AddYrokRas(0, de, 1, item(gr, math, 2));
    ASSERT_EQ(math->CountFaktYrSemm(1, fios[0]), 3);

    // Day 2: Петров teaches instead; day 3: cancelled.
    TYr* second = lessonOf(gr, 2, 2, 1, fios[0]);
    TZamena* zm = week->GetYrok(0, 2, 1)->AddZamenaForYr(second);
    ASSERT_NE(zm, nullptr);
    zm->SetFio(fios[1]);
    ASSERT_NE(week->GetYrok(0, 3, 1)->AddOtmena(lessonOf(gr, 2, 3, 1, fios[0])), nullptr);

    EXPECT_EQ(math->CountFaktYrSemm(1, fios[0]), 1);
    EXPECT_EQ(math->CountFaktZmSemm(1, fios[1]), 1);
    EXPECT_EQ(math->CountFaktZmSemm(1, fios[0]), 0);  // the substitution is not Иванов's
    EXPECT_EQ(math->CountFaktZmSemm(1, nullptr), 1);  // the cancellation counts for nobody
    EXPECT_EQ(math->CountZamenNed(fios[1], 2), 1);
    EXPECT_EQ(math->CountZamenNed(fios[0], 2), 0);
    // Иванов's plan loses both lessons he did not give.
    EXPECT_EQ(math->CountPlanNed(kSetkaPlan, 2, 0), 1);

    const TAccountTable t = accountByGroup(*year, *gr, {});
    ASSERT_EQ(t.rows.size(), 2U);
    const TAccountRow* ivanov = row(t, fios[0], false);
    const TAccountRow* petrov = row(t, fios[1], true);
    ASSERT_NE(ivanov, nullptr);
    ASSERT_NE(petrov, nullptr);
    EXPECT_EQ(ivanov->cells[1].text, "Матем Иванов И.И.");
    EXPECT_EQ(petrov->cells[1].text, "Матем Петров П.П. (замена)");
    EXPECT_EQ(ivanov->cells[0].text, "1");
    EXPECT_EQ(petrov->cells[0].text, "");  // the number stands on the subject's first row
    EXPECT_EQ(ivanov->cells[semColumn(1, kPlanTeacher)].value, 1);
    EXPECT_EQ(petrov->cells[semColumn(1, kPlanTeacher)].value, 1);
    EXPECT_EQ(ivanov->cells[semColumn(1, kPlaced)].value, 1);
    EXPECT_EQ(petrov->cells[semColumn(1, kPlaced)].value, 1);
    EXPECT_EQ(petrov->cells[semColumn(1, kDelivered)].text, "1(2)");
    // On the subject: three plan lessons less the two replaced, plus the
    // substitution granted; the cancelled lesson leaves the plan.
    EXPECT_EQ(ivanov->cells[semColumn(1, kPlanAll)].value, 2);
    EXPECT_EQ(ivanov->cells[semColumn(1, kPlanAll)].value,
              ivanov->cells[semColumn(1, kPlanTeacher)].value +
                  petrov->cells[semColumn(1, kPlanTeacher)].value);
    EXPECT_EQ(t.total.cells[1].text, "Итог");
    EXPECT_EQ(t.total.cells[semColumn(1, kDelivered)].value, 2);
    EXPECT_EQ(t.total.cells[semColumn(1, kDelivered)].text, "2(4)");
    // Nothing of it lies in the second semester.
    EXPECT_EQ(t.total.cells[semColumn(2, kDelivered)].text, "");
}

TEST_F(Hours, ATeacherWithAPlannedRowSubstitutesWithoutASecondRow) {
    // Иванов teaches the subject in week 2 and, in week 3 where Петров is
    // assigned, gives Петров's lesson as a substitution.
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 1, 2);
    gr->SetNed(3);
    math->AddFio(3, fios[1]);
    math->AddPredmetNe(kSetkaPlan, 3);
    gr->GetNed(2)->AddYrokRas(0, 1, 0, item(gr, math, 2));
    gr->GetNed(3)->AddYrokRas(0, 1, 0, item(gr, math, 3));
    TZamena* zm = gr->GetNed(3)->GetYrok(0, 1, 0)->AddZamenaForYr(lessonOf(gr, 3, 1, 0, fios[1]));
    ASSERT_NE(zm, nullptr);
    zm->SetFio(fios[0]);
    ASSERT_EQ(math->FindFioPredmet(3, fios[0]), nullptr);

    const TAccountTable t = accountByGroup(*year, *gr, {});
    ASSERT_EQ(t.rows.size(), 2U);
    EXPECT_EQ(row(t, fios[0], true), nullptr);
    const TAccountRow* ivanov = row(t, fios[0], false);
    const TAccountRow* petrov = row(t, fios[1], false);
    ASSERT_NE(ivanov, nullptr);
    ASSERT_NE(petrov, nullptr);
    EXPECT_EQ(ivanov->cells[1].text, "Матем Иванов И.И.");
    // His own lesson and the one he took over, each counted once.
    EXPECT_EQ(ivanov->cells[semColumn(1, kPlaced)].value, 2);
    EXPECT_EQ(ivanov->cells[semColumn(1, kDelivered)].value, 2);
    EXPECT_EQ(petrov->cells[semColumn(1, kDelivered)].text, "");
    EXPECT_EQ(t.total.cells[semColumn(1, kDelivered)].value, 2);

    const TAccountTable own = accountByTeacher(*year, *fios[0], {});
    ASSERT_EQ(own.rows.size(), 1U);
    EXPECT_FALSE(own.rows[0].substitution);
    EXPECT_EQ(own.rows[0].cells[semColumn(1, kDelivered)].value, 2);
}

TEST_F(Hours, AdditionalLessonsCountOnlyOutsideTheGrid) {
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 2, 2);
    TNed* week = gr->GetNed(2);
    week->AddYrokRas(0, 1, 0, item(gr, math, 2));
    TFioPredmet* fp = math->GetLFio(2)[0].get();
    TYrokKorzina* dop = math->AddPredmetNe(kSetkaDop, 2, fp);
    ASSERT_NE(dop, nullptr);
    ASSERT_NE(week->AddYrRas(0, 4, 2, dop, fp), nullptr);
    math->AddPredmetNe(kSetkaDop, 2, fp);  // a second one still unplaced

    EXPECT_EQ(math->CountFaktDpSemm(1, nullptr), 1);
    EXPECT_EQ(math->CountFaktYrSemm(1, nullptr), 1);
    EXPECT_EQ(math->CountKorzinaDpSemm(1, fios[0]), 1);
    EXPECT_EQ(math->CountKorzinaYrSemm(1, fios[0]), 1);

    const TAccountTable grid = accountByGroup(*year, *gr, {});
    const TAccountRow* g = row(grid, fios[0], false);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->cells[semColumn(1, kPlaced)].value, 1);
    EXPECT_EQ(g->cells[semColumn(1, kLeft)].value, 1);
    EXPECT_EQ(g->cells[semColumn(1, kPlanTeacher)].value, 2);

    TAccountOptions o;
    o.mode = THoursMode::Additional;
    const TAccountTable extra = accountByGroup(*year, *gr, o);
    const TAccountRow* e = row(extra, fios[0], false);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->cells[semColumn(1, kPlaced)].value, 1);
    EXPECT_EQ(e->cells[semColumn(1, kDelivered)].value, 1);
    EXPECT_EQ(e->cells[semColumn(1, kPlanTeacher)].value, 2);
    EXPECT_EQ(e->cells[semColumn(1, kLeft)].value, 1);
    // Outside the grid there is no curriculum figure and no substitution basket.
    EXPECT_EQ(e->cells[semColumn(1, kPlanSubject)].text, "");
    EXPECT_EQ(e->cells[semColumn(1, kLeftZamena)].text, "");
}

TEST_F(Hours, ParallelSubgroupsCountOnceForTheSubject) {
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* lang = subject(gr, 1, {0, 1}, 2, 2);
    gr->GetNed(2)->AddYrokRas(0, 1, 0, item(gr, lang, 2));
    gr->GetNed(2)->AddYrokRas(0, 2, 0, item(gr, lang, 2));
    ASSERT_EQ(gr->GetNed(2)->GetYrok(0, 1, 0)->CountYr(), 2);

    EXPECT_EQ(lang->CountFaktYrSemm(1, nullptr), 2);
    EXPECT_EQ(lang->CountFaktYrSemm(1, fios[0]), 2);
    EXPECT_EQ(lang->CountFaktYrSemm(1, fios[1]), 2);
    // One lesson still to place for each, one for the subject.
    gr->GetNed(2)->AddYrokRas(0, 3, 0, item(gr, lang, 2));
    lang->AddPredmetNe(kSetkaPlan, 2);
    EXPECT_EQ(lang->CountKorzinaYrSemm(1, nullptr), 1);
    EXPECT_EQ(lang->CountKorzinaYrSemm(1, fios[1]), 1);
}

TEST_F(Hours, EachTeacherKeepsHisOwnShareOfTheSubstitutionBasket) {
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* lang = subject(gr, 1, {0, 1}, 1, 2);
    TFioPredmet* ivanov = lang->GetLFio(2)[0].get();
    // Two substitution lessons granted to Иванов, none to Петров.
    lang->AddPredmetNe(kSetkaZamena, 2, ivanov);
    TYrokKorzina* zamena = lang->AddPredmetNe(kSetkaZamena, 2, ivanov);
    ASSERT_NE(zamena, nullptr);
    ASSERT_EQ(zamena->CountMaxYrForFioPredmet(), 2);
    EXPECT_EQ(lang->CountKorzinaZmSemm(1, fios[0]), 2);
    EXPECT_EQ(lang->CountKorzinaZmSemm(1, fios[1]), 0);
    EXPECT_EQ(lang->CountKorzinaZmSemm(1, nullptr), 1);  // two teachers share the subject
    const TAccountTable t = accountByGroup(*year, *gr, {});
    const TAccountRow* petrov = row(t, fios[1], false);
    ASSERT_NE(petrov, nullptr);
    EXPECT_EQ(petrov->cells[semColumn(1, kLeftZamena)].text, "");
    EXPECT_EQ(t.total.cells[semColumn(1, kLeftZamena)].value, 2);

    // More placed than the load asks (a load lowered behind the timetable's
    // back) is shown, not hidden as zero.
    TYrokKorzina* plan = item(gr, lang, 2);
    gr->GetNed(2)->AddYrokRas(0, 1, 0, plan);
    ASSERT_EQ(lang->CountKorzinaYrSemm(1, fios[0]), 0);
    plan->Dan.ky = 0;
    EXPECT_EQ(lang->CountKorzinaYrSemm(1, fios[0]), -1);
}

TEST_F(Hours, AdditionalWeeksNeverCount) {
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 1, 2);
    gr->SetNed(53);
    math->AddFio(53, fios[0]);
    math->AddPredmetNe(kSetkaPlan, 53);
    gr->GetNed(2)->AddYrokRas(0, 1, 0, item(gr, math, 2));
    gr->GetNed(53)->AddYrokRas(0, 1, 0, item(gr, math, 53));
    ASSERT_EQ(gr->GetNed(53)->GetYrok(0, 1, 0)->CountYr(), 1);

    EXPECT_EQ(math->CountFaktYrSemm(0, fios[0]), 1);
    EXPECT_EQ(math->CountFaktSemm(1, 1, 56, 6, kSetkaPlan, nullptr), 1);
    EXPECT_EQ(math->CountPlanSemm(0, kSetkaPlan), 1);
    const TAccountTable t = accountByGroup(*year, *gr, {});
    ASSERT_EQ(t.rows.size(), 1U);
    EXPECT_EQ(t.total.cells[semColumn(1, kPlanTeacher)].value +
                  t.total.cells[semColumn(2, kPlanTeacher)].value,
              1);
}

TEST_F(Hours, TheDateFallsBackToTheDayBeforeThenToTheLastWeek) {
    int ne = 0;
    int de = 0;
    accountDateToNedDey(year->AllNed, dateOf(3, 2), ne, de);
    EXPECT_EQ(ne, 3);
    EXPECT_EQ(de, 2);
    accountDateToNedDey(year->AllNed, dateOf(3, 7), ne, de);  // a Sunday
    EXPECT_EQ(ne, 3);
    EXPECT_EQ(de, 6);
    accountDateToNedDey(year->AllNed, dateOf(1, 1) - 5, ne, de);  // before the year
    EXPECT_EQ(ne, 52);
    EXPECT_EQ(de, 6);

    // Delivered up to a date stops at that day.
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 3, 3);
    for (int d = 1; d <= 3; ++d) gr->GetNed(3)->AddYrokRas(0, d * 2, 0, item(gr, math, 3));
    TAccountOptions o;
    o.toDate = dateOf(3, 7);  // Sunday: Saturday's lesson counts
    EXPECT_EQ(accountByGroup(*year, *gr, o).total.cells[semColumn(1, kDelivered)].value, 3);
    o.toDate = dateOf(3, 5);
    const TAccountTable t = accountByGroup(*year, *gr, o);
    EXPECT_EQ(t.toNe, 3);
    EXPECT_EQ(t.toDe, 5);
    EXPECT_EQ(t.total.cells[semColumn(1, kDelivered)].value, 2);
    EXPECT_EQ(t.total.cells[semColumn(1, kPlaced)].value, 3);  // placed is not up to a date

    // Counted from a day: the lessons of days 4 and 6 remain; placed stays whole.
    o.toDate = 0;
    o.fromDate = dateOf(3, 3);
    const TAccountTable from = accountByGroup(*year, *gr, o);
    EXPECT_EQ(from.total.cells[semColumn(1, kDelivered)].value, 2);
    EXPECT_EQ(from.total.cells[semColumn(1, kPlaced)].value, 3);
    accountFromDateToNedDey(year->AllNed, dateOf(2, 7), ne, de);  // Sunday: the next Monday
    EXPECT_EQ(ne, 3);
    EXPECT_EQ(de, 1);
}

TEST_F(Hours, HeadingsShortViewAndPairsOnly) {
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 2, 2);
    math->Dan.Sem1 = 30;
    gr->GetNed(2)->AddYrokRas(0, 1, 0, item(gr, math, 2));
    const TAccountTable full = accountByGroup(*year, *gr, {});
    ASSERT_EQ(full.heads.size(), 18U);
    EXPECT_EQ(full.heads[1], "Предмет Преподаватель");
    EXPECT_EQ(full.heads[semColumn(2, kDelivered)], ";прочитано;до даты;(сетка +;замены)");
    ASSERT_EQ(full.headGroups.size(), 3U);
    EXPECT_EQ(full.headGroups[1].text, "Пары(Часы)2 сем.");
    EXPECT_EQ(full.headGroups[1].firstColumn, semColumn(2, 0));
    EXPECT_EQ(full.headGroups[2].text, "Пары(Часы)за год.");
    EXPECT_EQ(full.rows[0].cells[semColumn(1, kPlanSubject)].text, "30(60)");
    for (const TAccountRow& r : full.rows) EXPECT_EQ(r.cells.size(), full.heads.size());

    TAccountOptions o;
    o.shortView = true;
    o.pairsOnly = true;
    const TAccountTable brief = accountByGroup(*year, *gr, o);
    ASSERT_EQ(brief.heads.size(), 6U);
    ASSERT_EQ(brief.rows.size(), 1U);
    EXPECT_EQ(brief.rows[0].cells[2].text, "30");
    EXPECT_EQ(brief.rows[0].cells[3].text, "1");
    EXPECT_EQ(brief.total.cells.size(), 6U);
}

TEST_F(Hours, TeacherAndSubjectNameTablesGatherEveryGroup) {
    TGryp* a = studyGroup("ИС-11");
    TGryp* b = studyGroup("ИС-12");
    TPredmet* ma = subject(a, 0, {0}, 1, 2);
    TPredmet* mb = subject(b, 0, {1}, 1, 2);
    TPredmet* pb = subject(b, 1, {0}, 1, 2);
    a->GetNed(2)->AddYrokRas(0, 1, 0, item(a, ma, 2));
    b->GetNed(2)->AddYrokRas(0, 1, 1, item(b, mb, 2));
    b->GetNed(2)->AddYrokRas(0, 1, 2, item(b, pb, 2));

    const TAccountTable byTeacher = accountByTeacher(*year, *fios[0], {});
    EXPECT_EQ(byTeacher.heads[1], "Группа Предмет");
    ASSERT_EQ(byTeacher.rows.size(), 2U);
    EXPECT_EQ(byTeacher.rows[0].cells[1].text, "ИС-11 Матем");
    EXPECT_EQ(byTeacher.rows[1].cells[1].text, "ИС-12 Физика");
    EXPECT_EQ(byTeacher.total.cells[semColumn(1, kPlaced)].value, 2);

    const TAccountTable byName = accountBySubjectName(*year, *names[0], {});
    EXPECT_EQ(byName.heads[1], "Группа Преподаватель");
    ASSERT_EQ(byName.rows.size(), 2U);
    EXPECT_EQ(byName.rows[1].cells[1].text, "ИС-12 Петров П.П.");
    EXPECT_EQ(byName.rows[1].cells[0].text, "2");
}

TEST_F(Hours, ThePlanCheckWantsEqualTeachersAndTheCurriculumSum) {
    TGryp* gr = studyGroup("ИС-11");
    TPredmet* lang = subject(gr, 1, {0, 1}, 2, 2);
    gr->SetNed(3);
    lang->AddFio(3, fios[0]);
    lang->AddPredmetNe(kSetkaPlan, 3);
    // Two weeks: 2 lessons each for two teachers, then 1 for one.
    EXPECT_TRUE(lang->CompareSymmFioPredmetSemm(1, 3));
    lang->Dan.Sem1 = 3;
    EXPECT_FALSE(lang->GetColorGrid(0));
    lang->Dan.Sem1 = 4;
    EXPECT_TRUE(lang->GetColorGrid(0));
    EXPECT_TRUE(lang->GetColorGrid(2));
    EXPECT_FALSE(lang->GetColorGrid(40));  // the second semester has no plan
    lang->Dan.Sem1 = 0;
    EXPECT_FALSE(lang->GetColorGrid(0));  // a plan of 0 is never flagged

    // A cancellation for one teacher of a pair breaks their equality.
    lang->Dan.Sem1 = 3;
    gr->GetNed(2)->AddYrokRas(0, 1, 0, item(gr, lang, 2));
    ASSERT_NE(gr->GetNed(2)->GetYrok(0, 1, 0)->AddOtmena(lessonOf(gr, 2, 1, 0, fios[1])), nullptr);
    EXPECT_FALSE(lang->CompareSymmFioPredmetSemm(1, 3));
    EXPECT_TRUE(lang->GetColorGrid(0));
}

}  // namespace
}  // namespace zavlin
