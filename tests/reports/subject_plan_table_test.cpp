// A subject name across the groups: which rows, the planned pairs beside the
// weekly load split at each group's own second semester, and the totals.
#include "reports/subject_plan_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/group.h"
#include "model/teacher.h"
#include "model/year_fixture.h"
#include "reports/report_table.h"

namespace zavlin::reports {
namespace {

using Row = std::vector<std::string>;

Row rowOf(const TDGrid& g, int row) {
    Row out;
    for (int c = 0; c < g.ColCount(); ++c) out.push_back(g.Cells(c, row));
    return out;
}

class SubjectPlanTable : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        year->AllNed.SetDataGod(2016, false);
        g1 = group("ИС-1");
        g2 = group("ИС-2");
        g3 = group("ИС-3");
        // The groups' second semesters start in different weeks.
        g1->SetDateSemm2(year->AllNed.DNed(20)->Dt);
        g2->SetDateSemm2(year->AllNed.DNed(22)->Dt);
        g3->SetDateSemm2(year->AllNed.DNed(24)->Dt);
        for (TGryp* gr : {g1, g2, g3})
            for (int ne = 1; ne <= kWeeks; ++ne) gr->SetNed(ne);
    }

    TPredmet* subject(TGryp* gr, TYrName* name, int sem1, int sem2) {
        TPredmet* pr = gr->CreatePredmet(name);
        EXPECT_NE(pr, nullptr);
        pr->Dan.Sem1 = static_cast<uint8_t>(sem1);
        pr->Dan.Sem2 = static_cast<uint8_t>(sem2);
        return pr;
    }

    void plan(TPredmet* pr, int ne, std::vector<int> teachers, int pairs) {
        for (int t : teachers)
            ASSERT_NE(pr->AddFio(ne, fios[static_cast<std::size_t>(t)]), nullptr);
        for (int i = 0; i < pairs; ++i) ASSERT_NE(pr->AddPredmetNe(kSetkaPlan, ne), nullptr);
    }

    TGryp* g1 = nullptr;
    TGryp* g2 = nullptr;
    TGryp* g3 = nullptr;
};

// Catches a group listed without the subject, weeks put in the wrong
// semester, additional weeks counted, or totals that do not add up.
TEST_F(SubjectPlanTable, RowsOfTheGroupsHavingTheSubject) {
    TPredmet* p1 = subject(g1, names[1], 34, 30);
    subject(g2, names[0], 10, 10);  // another subject only
    TPredmet* p3 = subject(g3, names[1], 17, 0);
    const int s1 = g1->NedStartSemm(2);
    const int s3 = g3->NedStartSemm(2);
    ASSERT_LT(s1, s3);
    plan(p1, 1, {0, 1}, 2);
    plan(p1, s1, {0}, 3);
    plan(p1, 53, {0}, 4);  // additional week: no semester's
    // Between the two groups' starts: the first's second semester, the
    // third's first.
    plan(p3, s1 + 1, {2}, 5);
    plan(p3, s3, {2}, 1);

    const TLoadTable t = SubjectInGroupsTable(*year, *names[1]);
    const TDGrid& g = t.Grid;
    EXPECT_NE(t.Title.find(names[1]->Name()), std::string::npos);
    EXPECT_EQ(t.WeeksText, "1-" + std::to_string(kStudyWeeks));
    EXPECT_EQ(rowOf(g, 0), (Row{"N", "Группа", "Преподаватели", "по плану", "по сетке", "по плану",
                                "по сетке", "по плану", "по сетке"}));
    ASSERT_EQ(g.RowCount(), 1 + 2 + 1);
    const Row first = rowOf(g, 1);
    EXPECT_EQ(Row(first.begin(), first.begin() + 2), (Row{"1", "ИС-1"}));
    EXPECT_EQ(g.CellLines(2, 1), (Row{fios[0]->Name(), fios[1]->Name()}));
    EXPECT_EQ(Row(first.begin() + 3, first.end()), (Row{"34", "2", "30", "3", "64", "5"}));
    EXPECT_EQ(rowOf(g, 2), (Row{"2", "ИС-3", fios[2]->Name(), "17", "5", "", "1", "17", "6"}));
    EXPECT_EQ(rowOf(g, 3), (Row{"", "Итого", "", "51", "7", "30", "4", "81", "11"}));

    // The load columns agree with the group's own summary of the study weeks.
    std::vector<int> studyWeeks;
    for (int ne = 1; ne <= kStudyWeeks; ++ne) studyWeeks.push_back(ne);
    const TDGrid summary = GroupSummaryTable(*year, *g3, studyWeeks).Grid;
    const int sem1Total = 3 + (s3 - 1);
    EXPECT_EQ(summary.Cells(sem1Total, 1), g.Cells(4, 2));
    EXPECT_EQ(summary.Cells(summary.ColCount() - 2, 1), g.Cells(8, 2));

    ASSERT_EQ(g.HeadrsCount(), 3);
    const Row headers = {g.Headrs()[0].Text, g.Headrs()[1].Text, g.Headrs()[2].Text};
    EXPECT_EQ(headers, (Row{"1 семестр", "2 семестр", "За год"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g.Headrs()[static_cast<std::size_t>(i)].ColStart, 3 + 2 * i);
        EXPECT_EQ(g.Headrs()[static_cast<std::size_t>(i)].ColEnd, 4 + 2 * i);
    }
}

TEST_F(SubjectPlanTable, ASubjectTwiceInAGroupAndANameNobodyHas) {
    TPredmet* a = subject(g2, names[0], 4, 0);
    TPredmet* b = subject(g2, names[0], 0, 6);
    plan(a, 2, {3}, 1);
    plan(b, g2->NedStartSemm(2), {3}, 2);
    const TDGrid g = SubjectInGroupsTable(*year, *names[0]).Grid;
    ASSERT_EQ(g.RowCount(), 1 + 2 + 1);
    EXPECT_EQ(rowOf(g, 1)[1], "ИС-2");
    EXPECT_EQ(rowOf(g, 2)[1], "ИС-2");
    EXPECT_EQ(rowOf(g, 3), (Row{"", "Итого", "", "4", "1", "6", "2", "10", "3"}));

    const TDGrid none = SubjectInGroupsTable(*year, *names[2]).Grid;
    ASSERT_EQ(none.RowCount(), 2);
    EXPECT_EQ(rowOf(none, 1), (Row{"", "Итого", "", "", "", "", "", "", ""}));
}

}  // namespace
}  // namespace zavlin::reports
