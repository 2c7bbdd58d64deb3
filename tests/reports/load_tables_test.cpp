// The report table and the two weekly load tables on hand-built years.
#include "reports/load_tables.h"

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

TEST(ReportTable, ResizingKeepsWhatFitsAndOutOfRangeIsHarmless) {
    TDGrid g;
    g.SetSize(3, 2);
    g.FixedRows = 1;
    g.FixedCols = 2;
    g.SetCells(0, 0, "a");
    g.SetCells(2, 1, "c");
    g.SetCells(3, 0, "lost");
    g.SetCells(-1, 0, "lost");
    EXPECT_EQ(g.Cells(3, 0), "");
    EXPECT_EQ(g.Cells(0, -1), "");
    EXPECT_EQ(g.AddRow(), 2);
    g.SetCells(1, 2, "b");
    g.SetSize(2, 3);
    EXPECT_EQ(rowOf(g, 0), (Row{"a", ""}));
    EXPECT_EQ(rowOf(g, 1), (Row{"", ""}));
    EXPECT_EQ(rowOf(g, 2), (Row{"", "b"}));
    EXPECT_EQ(g.FHVert.size(), 2u);
    g.SetSize(1, 0);
    EXPECT_EQ(g.FixedRows, 0);
    EXPECT_EQ(g.FixedCols, 1);
}

TEST(ReportTable, CellLinesAndHeaders) {
    EXPECT_EQ(SplitCellLines(";a;b"), (Row{"a", "b"}));
    EXPECT_EQ(SplitCellLines(";;a"), (Row{"", "a"}));
    EXPECT_EQ(SplitCellLines("a;"), (Row{"a", ""}));
    EXPECT_EQ(SplitCellLines(""), (Row{""}));

    TDGrid g;
    g.SetSize(2, 2);
    g.FixedRows = 1;
    g.SetCells(1, 0, "x;y");
    g.SetCells(1, 1, "x;y");
    EXPECT_EQ(g.CellLines(1, 0), (Row{"x", "y"}));
    EXPECT_EQ(g.CellLines(1, 1), (Row{"x;y"}));
    g.FMultiRowCells = true;
    EXPECT_EQ(g.CellLines(1, 1), (Row{"x", "y"}));

    EXPECT_EQ(g.HeadrsLines(), 0);
    g.AddHeadrs(0, 1, 0, 1, "top");
    g.AddHeadrs(1, 1, 1, 3, "low");
    EXPECT_EQ(g.HeadrsLines(), 3);
    int x1 = -1, x2 = -1, y1 = -1, y2 = -1;
    std::string text;
    ASSERT_TRUE(g.GetHeadrsIndex(1, x1, x2, y1, y2, text));
    EXPECT_EQ((std::vector<int>{x1, x2, y1, y2}), (std::vector<int>{1, 1, 1, 3}));
    EXPECT_EQ(text, "low");
    EXPECT_FALSE(g.GetHeadrsIndex(2, x1, x2, y1, y2, text));
    EXPECT_EQ(text, "low");
}

TEST(LoadTableWeeks, RunsOfWeekNumbers) {
    EXPECT_EQ(WeeksShownText({3, 1, 2, 7, 9, 10, 10}), "1-3, 7, 9-10");
    EXPECT_EQ(WeeksShownText({56}), "56");
    EXPECT_EQ(WeeksShownText({0, 57}), "");
}

class LoadTables : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        year->AllNed.SetDataGod(2016, false);
        g1 = group("ИС-1");
        g2 = group("ИС-2");
        for (TGryp* gr : {g1, g2})
            for (int ne : {1, 2}) gr->SetNed(ne);
        // Ivanov: Матем in ИС-1, one subgroup of Физика in ИС-2 beside
        // Petrov, who also has Химия there.
        math = g1->CreatePredmet(names[0]);
        plan(math, 1, {0}, 2);
        plan(math, 2, {0}, 3);
        physics = g2->CreatePredmet(names[1]);
        plan(physics, 1, {0, 1}, 2);
        plan(physics, 2, {0, 1}, 1);
        chemistry = g2->CreatePredmet(names[2]);
        plan(chemistry, 1, {1}, 1);
    }

    void plan(TPredmet* pr, int ne, std::vector<int> teachers, int pairs) {
        for (int t : teachers)
            ASSERT_NE(pr->AddFio(ne, fios[static_cast<std::size_t>(t)]), nullptr);
        for (int i = 0; i < pairs; ++i) ASSERT_NE(pr->AddPredmetNe(kSetkaPlan, ne), nullptr);
    }

    static int findRow(const TDGrid& g, int col, const std::string& text) {
        for (int r = 0; r < g.RowCount(); ++r)
            if (g.Cells(col, r) == text) return r;
        ADD_FAILURE() << "no row with " << text;
        return 0;
    }

    TGryp* g1 = nullptr;
    TGryp* g2 = nullptr;
    TPredmet* math = nullptr;
    TPredmet* physics = nullptr;
    TPredmet* chemistry = nullptr;
};

TEST_F(LoadTables, ATeacherOfTwoGroupsAndASubgroupSubject) {
    EXPECT_EQ(TeacherPairs(*physics, 1, *fios[0]), 2);
    EXPECT_EQ(TeacherPairs(*physics, 1, *fios[1]), 2);
    EXPECT_EQ(TeacherPairs(*chemistry, 1, *fios[0]), 0);
    EXPECT_EQ(TeacherPairs(*math, 57, *fios[0]), 0);

    const TLoadTable t = TeacherLoadTable(*year, {2, 1});
    const TDGrid& g = t.Grid;
    EXPECT_EQ(t.WeeksText, "1-2");
    ASSERT_EQ(g.ColCount(), 7);
    EXPECT_EQ(rowOf(g, 0), (Row{"Преподаватель", "Группа", "Предмет", year->AllNed.GetNumberWeek(1),
                                year->AllNed.GetNumberWeek(2), "пары", "часы"}));
    // Teachers without load are left out when none is asked for.
    ASSERT_EQ(g.RowCount(), 1 + 3 + 3);
    const std::string ivanov = fios[0]->BigName();
    const std::string petrov = fios[1]->BigName();
    EXPECT_EQ(rowOf(g, 1), (Row{ivanov, "", "", "4", "4", "8", "16"}));
    EXPECT_EQ(rowOf(g, 2), (Row{"", "ИС-1", math->Name(), "2", "3", "5", "10"}));
    EXPECT_EQ(rowOf(g, 3), (Row{"", "ИС-2", physics->Name(), "2", "1", "3", "6"}));
    EXPECT_EQ(rowOf(g, 4), (Row{petrov, "", "", "3", "1", "4", "8"}));
    EXPECT_EQ(rowOf(g, 5), (Row{"", "ИС-2", physics->Name(), "2", "1", "3", "6"}));
    EXPECT_EQ(rowOf(g, 6), (Row{"", "ИС-2", chemistry->Name(), "1", "", "1", "2"}));
    EXPECT_EQ(g.FixedRows, 1);
    EXPECT_EQ(g.FixedCols, 3);
    EXPECT_TRUE(g.Vert(3) && g.Vert(4));
    EXPECT_FALSE(g.Vert(5));
    ASSERT_EQ(g.HeadrsCount(), 2);
    EXPECT_EQ(g.Headrs()[0].Text, "Недели");
    EXPECT_EQ(g.Headrs()[0].ColStart, 3);
    EXPECT_EQ(g.Headrs()[0].ColEnd, 4);
    EXPECT_EQ(g.Headrs()[1].ColStart, 5);

    // Asked by name: in the order given, also without load.
    const TLoadTable asked = TeacherLoadTable(*year, {1}, {fios[3], fios[1]});
    ASSERT_EQ(asked.Grid.RowCount(), 1 + 1 + 3);
    EXPECT_EQ(rowOf(asked.Grid, 1), (Row{fios[3]->BigName(), "", "", "", "", ""}));
    EXPECT_EQ(rowOf(asked.Grid, 2), (Row{petrov, "", "", "3", "3", "6"}));
}

TEST_F(LoadTables, AUnionIsCountedOnceInTheTeachersTotal) {
    TGryp* g3 = group("ИС-3");
    g3->SetNed(1);
    TPredmet* math3 = g3->CreatePredmet(names[0]);
    plan(math3, 1, {0}, 2);
    auto ob = std::make_unique<TOb>(1, 0);
    ob->LFioPredmet = {math->GetLFio(1)[0].get(), math3->GetLFio(1)[0].get()};
    ASSERT_GE(year->AddOb(std::move(ob), true), 0);
    ASSERT_NE(math->GetLFio(1)[0]->Ob, nullptr);

    const TDGrid g = TeacherLoadTable(*year, {1}, {fios[0]}).Grid;
    // Each group's line keeps its pairs; the teacher gives the joint two
    // once, beside the two of Физика.
    EXPECT_EQ(g.Cells(3, findRow(g, 1, "ИС-3")), "2");
    EXPECT_EQ(g.Cells(3, findRow(g, 1, "ИС-1")), "2");
    EXPECT_EQ(rowOf(g, 1), (Row{fios[0]->BigName(), "", "", "4", "4", "8"}));
}

TEST_F(LoadTables, GroupSummaryBySemesters) {
    g2->SetDateSemm2(year->AllNed.DNed(20)->Dt);
    const int s2 = g2->NedStartSemm(2);
    ASSERT_GT(s2, 2);
    ASSERT_LT(s2, 52);
    for (int ne : {s2, s2 + 1}) g2->SetNed(ne);
    plan(physics, s2 + 1, {0}, 2);
    plan(chemistry, s2, {1}, 1);
    plan(chemistry, 2, {1}, 3);

    const TLoadTable t = GroupSummaryTable(*year, *g2, {1, 2, s2, s2 + 1, 53});
    const TDGrid& g = t.Grid;
    EXPECT_EQ(t.WeeksText, WeeksShownText({1, 2, s2, s2 + 1}));
    EXPECT_NE(t.Title.find("ИС-2"), std::string::npos);
    const auto& ned = year->AllNed;
    EXPECT_EQ(rowOf(g, 0), (Row{"N", "Предмет", "Преподаватели", ned.GetNumberWeek(1),
                                ned.GetNumberWeek(2), "Итого", ned.GetNumberWeek(s2),
                                ned.GetNumberWeek(s2 + 1), "Итого", "пары", "часы"}));
    ASSERT_EQ(g.RowCount(), 4);
    const Row phys = rowOf(g, 1);
    EXPECT_EQ(Row(phys.begin() + 3, phys.end()), (Row{"2", "1", "3", "", "2", "2", "5", "10"}));
    EXPECT_EQ(phys[1], physics->Name());
    // Each teacher on a line of its own.
    EXPECT_NE(phys[2].find(fios[0]->Name() + ";" + fios[1]->Name()), std::string::npos) << phys[2];
    const Row chem = rowOf(g, 2);
    EXPECT_EQ(Row(chem.begin() + 3, chem.end()), (Row{"1", "3", "4", "1", "", "1", "5", "10"}));
    EXPECT_EQ(rowOf(g, 3),
              (Row{"", "Итого пары в неделю", "", "3", "4", "7", "1", "2", "3", "10", "20"}));
    ASSERT_EQ(g.HeadrsCount(), 4);
    EXPECT_EQ(g.Headrs()[0].Text, "Недели");
    EXPECT_EQ(g.Headrs()[0].ColEnd, 8);
    EXPECT_EQ(g.Headrs()[1].Text, "1 семестр");
    EXPECT_EQ(g.Headrs()[1].ColStart, 3);
    EXPECT_EQ(g.Headrs()[1].ColEnd, 5);
    EXPECT_EQ(g.Headrs()[1].HeadrsTop, 1);
    EXPECT_EQ(g.Headrs()[2].Text, "2 семестр");
    EXPECT_EQ(g.Headrs()[2].ColStart, 6);
    EXPECT_EQ(g.Headrs()[3].Text, "Итого за год");

    // Weeks of one semester only: no column or header for the other.
    const TDGrid first = GroupSummaryTable(*year, *g2, {1, 2}).Grid;
    EXPECT_EQ(first.ColCount(), 3 + 3 + 2);
    EXPECT_EQ(first.HeadrsCount(), 3);
}

}  // namespace
}  // namespace zavlin::reports
