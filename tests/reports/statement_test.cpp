// The monthly statements and the summaries: which day each column shows,
// what a teacher's and a group's hours add up to, unions counted once.
#include <gtest/gtest.h>

#include "base/datetime.h"
#include "model/exam.h"
#include "model/year_fixture.h"
#include "reports/hours.h"
#include "reports/month_statement.h"
#include "reports/summary_statement.h"

namespace zavlin {
namespace {

using namespace reports;

class Statements : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        year->AllNed.SetDataGod(2016, false);
        // Week 3 lies wholly in September 2016.
        const DateParts monday = decodeDate(year->AllNed.DNed(kWeek)->Dt);
        ASSERT_EQ(monday.month, 9);
        month = monday.month;
        firstColumn = monday.day - 1;
    }

    // The column of day de of week 3 with the statement starting on the 1st.
    int column(int de) const { return firstColumn + de - 1; }

    const TStatementRow* rowOf(const TMonthStatement& st, const std::string& first,
                               const std::string& second) {
        for (const TStatementRow& r : st.rows)
            if (r.first == first && r.second == second) return &r;
        return nullptr;
    }

    static constexpr int kWeek = 3;
    int month = 0;
    int firstColumn = 0;
};

TEST_F(Statements, ColumnsFollowTheStartAndStayInsideTheAcademicYear) {
    // "с 28 ч. прошлого мес." in October: column 1 is 28 September.
    auto days = statementDays(*year, 10, -4);
    EXPECT_EQ(days[0].date, encodeDate(2016, 9, 28));
    EXPECT_EQ(days[3].date, 0);  // 31 September does not exist
    EXPECT_EQ(days[4].date, encodeDate(2016, 10, 1));
    // September starting from 28 August: the August columns stay empty.
    days = statementDays(*year, 9, -4);
    EXPECT_EQ(days[0].date, 0);
    EXPECT_EQ(days[4].date, encodeDate(2016, 9, 1));
    // "с 10 ч. этого мес." in August: September never shows.
    days = statementDays(*year, 8, 9);
    EXPECT_EQ(days[0].date, encodeDate(2017, 8, 10));
    EXPECT_EQ(days[21].date, encodeDate(2017, 8, 31));
    EXPECT_EQ(days[22].date, 0);
    // In December it runs into January of the next calendar year.
    days = statementDays(*year, 12, 9);
    EXPECT_EQ(days[22].date, encodeDate(2017, 1, 1));
    for (const TStatementDay& d : statementDays(*year, 11, 0)) {
        if (d.date != 0) {
            EXPECT_EQ(d.sunday, isoWeekday(d.date) == 7);
        }
    }
    EXPECT_EQ(kStatementStarts[1].hh, -4);
    EXPECT_EQ(std::string(kStatementStarts[1].text), "с 28 ч. прошлого мес.");
}

TEST_F(Statements, AUnionOfThreeGroupsCountsOnceWithUnions) {
    for (const char* name : {"ИС-11", "ИС-12", "ИС-13"}) {
        TGryp* gr = group(name);
        TPredmet* pr = subject(gr, 0, {0}, 1, kWeek);
        gr->GetNed(kWeek)->AddYrokRas(0, 2, 1, item(gr, pr, kWeek));
        ASSERT_EQ(gr->GetNed(kWeek)->GetYrok(0, 2, 1)->CountYr(), 1);
    }
    const TMonthStatement st = CreateFio(*year, *fios[0], month, 0, TStatementKinds::All);
    ASSERT_EQ(st.rows.size(), 3U);
    EXPECT_EQ(st.rows[0].first, "ИС-11");
    EXPECT_EQ(st.rows[2].first, "ИС-13");
    EXPECT_EQ(st.rows[1].days[static_cast<std::size_t>(column(2))][1], 200);
    EXPECT_EQ(st.TotalUnions(), 200);
    EXPECT_EQ(st.TotalNoUnions(), 600);
    EXPECT_EQ(teachersTotalText({st, st}),
              "Общая сумма часов с учетом объединений=4  без учета=12");
    // Nothing of it is a substitution.
    EXPECT_EQ(CreateFio(*year, *fios[0], month, 0, TStatementKinds::Substitutions).TotalNoUnions(),
              0);
}

TEST_F(Statements, FiltersSelectKindsAttributesAndSubjects) {
    TGryp* gr = group("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 2, kWeek);
    TNed* week = gr->GetNed(kWeek);
    week->AddYrokRas(0, 1, 0, item(gr, math, kWeek));
    week->AddYrokRas(0, 1, 1, item(gr, math, kWeek));
    // The second one becomes Иванов's substitution lesson with 3 hours.
    TZamena* zm = week->GetYrok(0, 1, 1)->AddZamenaForYr(week->GetYrok(0, 1, 1)->LYr[0]);
    ASSERT_NE(zm, nullptr);
    zm->Dan.Kh00 = 300;
    TFioPredmet* fp = math->GetLFio(kWeek)[0].get();
    ASSERT_NE(week->AddYrRas(0, 2, 0, math->AddPredmetNe(kSetkaDop, kWeek, fp), fp), nullptr);
    gr->AddEkzamen(kWeek, 3, TAtribyt::kEkzamen, 400, math, fios[0]);

    const auto total = [&](TStatementKinds k, TStatementFilter f = {}) {
        return CreateFio(*year, *fios[0], month, 0, k, f).TotalNoUnions();
    };
    EXPECT_EQ(total(TStatementKinds::All), 200 + 300 + 200 + 400);
    EXPECT_EQ(total(TStatementKinds::Substitutions), 300);
    EXPECT_EQ(total(TStatementKinds::Additional), 200 + 400);
    TStatementFilter onlyGrid;
    onlyGrid.attributes = {TAtribyt::kSetka};
    EXPECT_EQ(total(TStatementKinds::All, onlyGrid), 700);
    TStatementFilter otherSubject;
    otherSubject.subjectNames = {names[1]->N};
    EXPECT_EQ(total(TStatementKinds::All, otherSubject), 0);
    // Someone else's statement holds none of it.
    EXPECT_EQ(CreateFio(*year, *fios[1], month, 0, TStatementKinds::All).TotalNoUnions(), 0);
}

TEST_F(Statements, CreditRecordsCountTheirConvertedLengthPerTeacher) {
    TGryp* gr = group("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 1, kWeek);
    TZachet* a = gr->CreateZachet(2);
    a->SetPredmet(math);
    a->SetNe(kWeek);
    a->SetDay(2);
    a->SetLengthTime(90);
    a->AddEkzam(fios[0]);
    TZachet* b = gr->CreateZachet(2);
    b->SetPredmet(math);
    b->SetNe(kWeek);
    b->SetDay(4);
    b->SetLengthTime(100);
    b->AddEkzam(fios[0]);
    b->AddAsist(fios[1]);
    TZachet* state = gr->CreateZachet(4);  // no subject: a state examination
    state->SetNe(kWeek);
    state->SetDay(5);
    state->SetLengthTime(45);
    state->AddEkzam(fios[0]);

    const TMonthStatement st = CreateFio(*year, *fios[0], month, 0, TStatementKinds::All);
    const TStatementRow* row = rowOf(st, "ИС-11", "Матем");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->days[static_cast<std::size_t>(column(2))][kExtraSlot], 200);
    EXPECT_EQ(row->days[static_cast<std::size_t>(column(4))][kExtraSlot], 220);
    EXPECT_EQ(statementHoursText(row->Total()), "4.20");
    ASSERT_NE(rowOf(st, "ИС-11", TYrNameGos().Name()), nullptr);
    EXPECT_EQ(st.TotalNoUnions(), 200 + 220 + 100);
    EXPECT_EQ(st.TotalUnions(), st.TotalNoUnions());  // extra slots always add up
    EXPECT_EQ(CreateFio(*year, *fios[1], month, 0, TStatementKinds::All).TotalNoUnions(), 220);
    // A subject filter keeps the state examination.
    TStatementFilter other;
    other.subjectNames = {names[2]->N};
    EXPECT_EQ(CreateFio(*year, *fios[0], month, 0, TStatementKinds::All, other).TotalNoUnions(),
              100);

    // Credit records count under every kind filter; an examination entry
    // is left out only of the substitutions.
    gr->AddEkzamen(kWeek, 3, TAtribyt::kEkzamen, 400, math, fios[0]);
    const auto total = [&](TStatementKinds k) {
        return CreateFio(*year, *fios[0], month, 0, k).TotalNoUnions();
    };
    EXPECT_EQ(total(TStatementKinds::All), 200 + 220 + 100 + 400);
    EXPECT_EQ(total(TStatementKinds::Substitutions), 200 + 220 + 100);
    EXPECT_EQ(total(TStatementKinds::Additional), 200 + 220 + 100 + 400);
    EXPECT_EQ(CreateFio(*year, *fios[1], month, 0, TStatementKinds::Substitutions).TotalNoUnions(),
              220);
}

TEST_F(Statements, TheGroupStatementShowsSubgroupsBesideTheFullGroup) {
    TGryp* gr = group("ИС-11");
    TPredmet* lang = subject(gr, 1, {0, 1}, 1, kWeek);
    TPredmet* math = subject(gr, 0, {2}, 1, kWeek);
    gr->GetNed(kWeek)->AddYrokRas(0, 1, 0, item(gr, lang, kWeek));
    gr->GetNed(kWeek)->AddYrokRas(0, 1, 1, item(gr, math, kWeek));
    gr->GetNed(kWeek)->GetYrok(0, 1, 0)->LYr[1]->Dan.Kh00 = 100;
    const TMonthStatement st = CreateGryp(*year, *gr, month, 0);
    ASSERT_EQ(st.rows.size(), 3U);
    const TStatementRow* second = rowOf(st, "Физика", "Петров П.П.");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Total(), 100);
    EXPECT_EQ(st.FullGroupText(column(1)), "4(4+1)");
    EXPECT_EQ(st.FullGroupText(column(2)), "");
    // The third teacher stands first in his own subject: the whole group.
    EXPECT_EQ(st.positions[static_cast<std::size_t>(column(1))][0], 400);

    // The grid the window shows ends in the whole group's row, under the
    // same day columns as the subjects.
    const TDGrid grid = groupStatementGrid(st);
    ASSERT_EQ(grid.RowCount(), static_cast<int>(st.rows.size()) + 2);
    const int last = grid.RowCount() - 1;
    const int dayCol = grid.FixedCols + column(1);
    EXPECT_EQ(grid.Cells(0, last), "Для полной группы");
    EXPECT_EQ(grid.Cells(dayCol, 0),
              std::to_string(decodeDate(st.days[static_cast<std::size_t>(column(1))].date).day));
    EXPECT_EQ(grid.Cells(dayCol, last), "4(4+1)");
    EXPECT_EQ(grid.Cells(dayCol + 1, last), "");
    EXPECT_EQ(grid.Cells(grid.ColCount() - 1, last), "4(4+1)");  // the month
    int physics = -1;
    for (int r = 1; r < last; ++r)
        if (grid.Cells(0, r) == "Физика" && grid.Cells(1, r) == "Петров П.П.") physics = r;
    ASSERT_GT(physics, 0);
    EXPECT_EQ(grid.Cells(dayCol, physics), "1");
    EXPECT_EQ(grid.Cells(grid.ColCount() - 1, physics), "1");
}

TEST_F(Statements, SummariesAddTheMonthsUpToTheYear) {
    TGryp* gr = group("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 2, kWeek);
    gr->GetNed(kWeek)->AddYrokRas(0, 1, 0, item(gr, math, kWeek));
    gr->GetNed(kWeek)->AddYrokRas(0, 3, 0, item(gr, math, kWeek));
    const TSummaryTable g = groupSummary(*year, *gr);
    ASSERT_EQ(g.rows.size(), 1U);
    EXPECT_EQ(g.rows[0].first, "Матем");
    EXPECT_EQ(g.rows[0].h00[static_cast<std::size_t>(summaryColumn(month))], 400);
    EXPECT_EQ(g.rows[0].h00[kSummaryYear], 400);
    EXPECT_EQ(summaryColumn(9), 0);
    EXPECT_EQ(summaryColumn(8), 11);
    // The month's figure agrees with the monthly statement of the teacher.
    EXPECT_EQ(teacherSummary(*year, *fios[0]).total.h00[kSummaryYear],
              CreateFio(*year, *fios[0], month, 0, TStatementKinds::All).TotalNoUnions());
    EXPECT_EQ(teachersOfAllGroups(*year).rows.size(), 1U);
    EXPECT_EQ(teachersOfEachGroup(*year).size(), 1U);
}

TEST_F(Statements, SummaryRowsGatherEveryLessonOfTheirKeyAndUndatedWeeksCountNowhere) {
    // Lessons of two teachers met in turn across two groups: each lesson
    // must land on its own teacher's row, however the rows interleave.
    TGryp* a = group("ИС-11");
    TGryp* b = group("ИС-12");
    TPredmet* ma = subject(a, 0, {0}, 2, kWeek);
    TPredmet* pa = subject(a, 1, {1}, 1, kWeek);
    TPredmet* mb = subject(b, 0, {1}, 1, kWeek);
    a->GetNed(kWeek)->AddYrokRas(0, 1, 0, item(a, ma, kWeek));
    a->GetNed(kWeek)->AddYrokRas(0, 1, 1, item(a, pa, kWeek));
    a->GetNed(kWeek)->AddYrokRas(0, 2, 0, item(a, ma, kWeek));
    b->GetNed(kWeek)->AddYrokRas(0, 3, 0, item(b, mb, kWeek));
    const auto teacherRow = [](const TSummaryTable& t, const std::string& name) {
        const TSummaryRow* found = nullptr;
        for (const TSummaryRow& r : t.rows)
            if (r.first == name) {
                EXPECT_EQ(found, nullptr) << name << " has two rows";
                found = &r;
            }
        return found;
    };
    const TSummaryTable all = teachersOfAllGroups(*year);
    ASSERT_EQ(all.rows.size(), 2U);
    const TSummaryRow* ivanov = teacherRow(all, fios[0]->Name());
    const TSummaryRow* petrov = teacherRow(all, fios[1]->Name());
    ASSERT_NE(ivanov, nullptr);
    ASSERT_NE(petrov, nullptr);
    EXPECT_EQ(ivanov->h00[kSummaryYear], 400);
    EXPECT_EQ(petrov->h00[kSummaryYear], 400);
    EXPECT_EQ(all.total.h00[kSummaryYear], 800);
    const TSummaryTable ofA = groupSummary(*year, *a);
    ASSERT_EQ(ofA.rows.size(), 2U);
    EXPECT_EQ(ofA.total.h00[kSummaryYear], 600);

    // A week without dates: its lessons belong to no month, not to the
    // December of the calendar's zero date.
    const int undated = kWeek + 1;
    TPredmet* late = subject(a, 2, {2}, 1, undated);
    a->GetNed(undated)->AddYrokRas(0, 1, 0, item(a, late, undated));
    ASSERT_EQ(a->GetNed(undated)->GetYrok(0, 1, 0)->CountYr(), 1);
    const TSummaryTable dated = groupSummary(*year, *a);
    ASSERT_EQ(dated.total.h00[kSummaryYear], 800);  // the lesson counts while dated
    year->AllNed.DNed(undated)->Dt = 0;
    const TSummaryTable g = groupSummary(*year, *a);
    EXPECT_EQ(g.total.h00[kSummaryYear], 600);
    EXPECT_EQ(g.total.h00[static_cast<std::size_t>(summaryColumn(12))], 0);
    EXPECT_EQ(teachersOfAllGroups(*year).total.h00[kSummaryYear], 800);
}

TEST_F(Statements, AStoppedSummaryCountsNoFurtherGroup) {
    // Each group holds one lesson: a count stopped after the first group
    // has that group's hours only, and one never let go counts none.
    TGryp* a = group("ИС-11");
    TGryp* b = group("ИС-12");
    TPredmet* ma = subject(a, 0, {0}, 1, kWeek);
    TPredmet* mb = subject(b, 0, {0}, 1, kWeek);
    a->GetNed(kWeek)->AddYrokRas(0, 1, 0, item(a, ma, kWeek));
    b->GetNed(kWeek)->AddYrokRas(0, 1, 0, item(b, mb, kWeek));
    ASSERT_EQ(teachersOfAllGroups(*year).total.h00[kSummaryYear], 400);
    int asked = 0;
    const TSummaryGoOn afterOne = [&] { return asked++ < 1; };
    EXPECT_EQ(teachersOfAllGroups(*year, afterOne).total.h00[kSummaryYear], 200);
    EXPECT_EQ(asked, 2);
    asked = 0;
    EXPECT_EQ(teachersOfEachGroup(*year, afterOne).size(), 1U);
    asked = 0;
    EXPECT_EQ(teacherSummary(*year, *fios[0], afterOne).total.h00[kSummaryYear], 200);
    const TSummaryGoOn never = [] { return false; };
    EXPECT_TRUE(groupSummary(*year, *a, never).rows.empty());
    EXPECT_TRUE(teachersOfEachGroup(*year, never).empty());
}

}  // namespace
}  // namespace zavlin
