// Weeks, lessons, groups and unions worked through the year object over a
// scratch year database.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "year_fixture.h"

namespace zavlin {
namespace {

using Timetable = testing_year::YearFixture;
using testing_year::fileBytes;
namespace fs = std::filesystem;

TEST_F(Timetable, ParallelSubgroupsShareOneLoadItem) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0, 1}, 3);
    TNed* week = gr->GetNed(1);
    TYrokKorzina* yk = item(gr, pr);
    ASSERT_NE(yk, nullptr);
    EXPECT_EQ(yk->Dan.ky, 3);
    EXPECT_EQ(yk->Dan.NN, 1);
    EXPECT_EQ(week->CountMaxYrForPredmet(pr), 6);

    week->AddYrokRas(0, 1, 2, yk);
    const TYrok* cell = week->GetYrok(0, 1, 2);
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->CountYr(), 2);
    EXPECT_NE(cell->LYr[0]->Fio(), cell->LYr[1]->Fio());
    // Each teacher takes ky lessons and no more.
    for (int y = 3; y < 8; ++y) week->AddYrokRas(0, 2, y, yk);
    EXPECT_EQ(pr->GetLFio(1)[0]->CountYr(kSetkaPlan, 0), 3);
    EXPECT_EQ(pr->GetLFio(1)[1]->CountYr(kSetkaPlan, 0), 3);
    EXPECT_EQ(week->GetYrok(0, 2, 5), nullptr);
    EXPECT_EQ(year->CountAllKorzinaNoRasp(1), 0);
}

TEST_F(Timetable, APeriodMadeAfterAnotherEmptiedStartsClean) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0, 1}, 6);
    TNed* week = gr->GetNed(1);
    TYrokKorzina* yk = item(gr, pr);
    week->AddYrokRas(0, 1, 2, yk);
    const TYrok* emptied = week->GetYrok(0, 1, 2);
    ASSERT_NE(emptied, nullptr);
    ASSERT_EQ(emptied->CountYr(), 2);
    week->DelYrokRasp(0, 1, 2, false);
    EXPECT_EQ(week->GetYrok(0, 1, 2), nullptr);
    // Another layer and period of the same day: nothing of the old one stays.
    week->AddYrRas(1, 1, 7, yk, pr->GetLFio(1)[1].get());
    const TYrok* made = week->GetYrok(1, 1, 7);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->N, 7);
    EXPECT_EQ(made->Tip(), 1);
    EXPECT_EQ(made->Dey, week->Dey(1));
    ASSERT_EQ(made->CountYrDpZm(), 1);
    EXPECT_EQ(made->YrDpZm(0)->Yrok(), made);
    EXPECT_EQ(made->YrDpZm(0)->Fio(), pr->GetLFio(1)[1]->Fio());
    EXPECT_EQ(week->GetYrok(0, 1, 7), nullptr);
    EXPECT_EQ(week->GetYrok(1, 1, 2), nullptr);
    // Moving a lesson empties its period and fills another, back and forth.
    TYr* yr = made->YrDpZm(0);
    for (int round = 0; round < 3; ++round) {
        week->MoveYrRasp(1, 1, 7, 1, 3, yr);
        ASSERT_EQ(week->GetYrok(1, 1, 7), nullptr);
        ASSERT_NE(week->GetYrok(1, 1, 3), nullptr);
        EXPECT_EQ(week->GetYrok(1, 1, 3)->N, 3);
        EXPECT_EQ(yr->Yrok(), week->GetYrok(1, 1, 3));
        week->MoveYrRasp(1, 1, 3, 1, 7, yr);
        ASSERT_EQ(week->GetYrok(1, 1, 3), nullptr);
        EXPECT_EQ(yr->Yrok()->N, 7);
        EXPECT_EQ(yr->Yrok()->CountYrDpZm(), 1);
    }
    EXPECT_EQ(pr->GetLFio(1)[1]->CountYr(kSetkaPlan, 1), 1);
    EXPECT_EQ(pr->GetLFio(1)[0]->CountYr(kSetkaPlan, 1), 0);
}

TEST_F(Timetable, LoweringTheLoadTakesPlacedLessonsFromBothLayers) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0, 1}, 3);
    TNed* week = gr->GetNed(1);
    TYrokKorzina* yk = item(gr, pr);
    for (int tip = 0; tip <= 1; ++tip)
        for (int y = 0; y < 3; ++y) week->AddYrokRas(tip, 1, y, yk);
    for (const auto& fp : pr->GetLFio(1)) ASSERT_EQ(fp->CountYrAllTip(), 6);

    ASSERT_TRUE(pr->DelPredmetNe(kSetkaPlan, 1, false));
    EXPECT_EQ(yk->Dan.ky, 2);
    for (const auto& fp : pr->GetLFio(1)) {
        EXPECT_EQ(fp->CountYr(kSetkaPlan, 0), 2);
        EXPECT_EQ(fp->CountYr(kSetkaPlan, 1), 2);
    }
    // Down to nothing: the item leaves the week with its lessons.
    ASSERT_TRUE(pr->DelPredmetNe(kSetkaPlan, 1, false));
    ASSERT_TRUE(pr->DelPredmetNe(kSetkaPlan, 1, false));
    EXPECT_EQ(item(gr, pr), nullptr);
    EXPECT_EQ(week->CountLYrokKorzina(kSetkaPlan), 0);
    EXPECT_EQ(gr->FirsYrok(0, 1), nullptr);
    EXPECT_EQ(gr->FirsYrok(1, 1), nullptr);
}

// Lowering the load takes each teacher's first placed lessons of the item, in
// the order they were placed, not the last ones nor the earliest in the week.
// Catches: the latest or the earliest-in-week lesson taken instead, or one
// layer's choice made from the other layer's order.
TEST_F(Timetable, LoweringTheLoadTakesTheLessonPlacedFirst) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0}, 3);
    TNed* week = gr->GetNed(1);
    TYrokKorzina* yk = item(gr, pr);
    using Cell = std::pair<int, int>;
    const std::array<std::vector<Cell>, 2> placed{
        std::vector<Cell>{{3, 5}, {1, 0}, {2, 2}},  // timetable
        std::vector<Cell>{{2, 2}, {6, 1}, {1, 0}},  // preliminary settings
    };
    for (int tip = 0; tip <= 1; ++tip)
        for (const auto& [d, y] : placed[static_cast<std::size_t>(tip)])
            week->AddYrokRas(tip, d, y, yk);
    auto cells = [&](int tip) {
        std::vector<Cell> out;
        for (int d = 1; d <= 6; ++d)
            for (int y = 0; y < 12; ++y)
                if (week->GetYrok(tip, d, y) != nullptr) out.push_back({d, y});
        return out;
    };

    ASSERT_EQ(cells(0), (std::vector<Cell>{{1, 0}, {2, 2}, {3, 5}}));
    ASSERT_EQ(cells(1), (std::vector<Cell>{{1, 0}, {2, 2}, {6, 1}}));

    ASSERT_TRUE(pr->DelPredmetNe(kSetkaPlan, 1, false));
    EXPECT_EQ(cells(0), (std::vector<Cell>{{1, 0}, {2, 2}}));
    EXPECT_EQ(cells(1), (std::vector<Cell>{{1, 0}, {6, 1}}));
    ASSERT_TRUE(pr->DelPredmetNe(kSetkaPlan, 1, false));
    EXPECT_EQ(cells(0), (std::vector<Cell>{{2, 2}}));
    EXPECT_EQ(cells(1), (std::vector<Cell>{{1, 0}}));
}

TEST_F(Timetable, RemovingPlacedLoadAsksFirstAndARefusalKeepsIt) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0}, 1);
    TNed* week = gr->GetNed(1);
    week->AddYrokRas(0, 3, 4, item(gr, pr));
    dialog.queue(false);
    EXPECT_FALSE(pr->DelPredmetNe(kSetkaPlan, 1, true));
    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_EQ(dialog.asked[0], "Ср пара 4  Удалять пару из расписания?");
    EXPECT_NE(week->GetYrok(0, 3, 4), nullptr);
    dialog.queue(true);
    EXPECT_TRUE(pr->DelPredmetNe(kSetkaPlan, 1, true));
    EXPECT_EQ(week->GetYrok(0, 3, 4), nullptr);
}

TEST_F(Timetable, DaySpansGapsAndStudyDays) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0}, 2);
    TNed* week = gr->GetNed(1);
    week->AddYrokRas(0, 2, 2, item(gr, pr));
    week->AddYrokRas(0, 2, 5, item(gr, pr));
    const TDey* day = week->Dey(2);
    EXPECT_EQ(day->CountYrokAndDirka(0), 4);
    EXPECT_EQ(day->CountYrok(0), 2);
    EXPECT_EQ(day->CountDirka(0), 2);
    EXPECT_EQ(day->DirkaToArray(0), (std::vector<int>{3, 4}));
    EXPECT_EQ(week->Dey(3)->CountYrokAndDirka(0), 0);
    EXPECT_EQ(week->GetNextYrok(0, 0, 0)->N, 2);
    EXPECT_EQ(week->GetNextYrok(0, 2, 2)->N, 5);
    EXPECT_EQ(week->GetNextYrok(0, 2, 5), nullptr);

    // Monday to Saturday by default; a bare week has no study day.
    EXPECT_EQ(week->Dan.Yd, 0x7F);
    EXPECT_EQ(week->CountRunDey(), 6);
    week->SetYhDey(1);
    EXPECT_TRUE(gr->TestNed(1));
    EXPECT_EQ(week->CountRunDey(), 0);
    EXPECT_EQ(week->CountAllYrokOneDey(), 0);
    gr->Dan.arRDeyNed = {0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(gr->CountRunDeyDefailt(), 6);
    gr->Dan.arRDeyNed = {9, 0, 9, 0, 0, 0, 0};
    EXPECT_EQ(gr->CountRunDeyDefailt(), 2);
    EXPECT_EQ(gr->SetNed(2)->Dan.Yd, 0b1011);
}

TEST_F(Timetable, MovingALessonDropsItsRoomAndFreesTheOldPeriod) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0}, 1);
    TNed* week = gr->GetNed(1);
    TYr* yr = week->AddYrRas(0, 1, 1, item(gr, pr), pr->GetLFio(1)[0].get());
    yr->SetAyd(room);
    EXPECT_EQ(room->NoDelete, 1);
    week->MoveYrRasp(0, 1, 1, 4, 6, yr);
    EXPECT_EQ(week->GetYrok(0, 1, 1), nullptr);
    EXPECT_EQ(yr->De(), 4);
    EXPECT_EQ(yr->Y(), 6);
    EXPECT_EQ(yr->Ayd(), nullptr);
    EXPECT_EQ(room->NoDelete, 0);

    std::unique_ptr<TYrok> cut = week->Dey(4)->CutYrok(6);
    ASSERT_TRUE(cut);
    EXPECT_TRUE(week->Dey(5)->PasteYrok(cut, 0));
    EXPECT_EQ(yr->De(), 5);
    EXPECT_EQ(yr->Dan.de, 5);
    EXPECT_EQ(yr->Dan.y, 0);
    cut = week->Dey(5)->CutYrok(0);
    week->AddYrokRas(0, 6, 0, item(gr, pr));  // nothing: the only lesson is placed
    TYr* other = pr->AddFio(1, fios[1]) != nullptr
                     ? week->AddYrRas(0, 6, 0, item(gr, pr), pr->GetLFio(1)[1].get())
                     : nullptr;
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(week->Dey(6)->PasteYrok(cut, 0));  // occupied
    EXPECT_TRUE(week->Dey(6)->PasteYrok(cut, 1));
}

TEST_F(Timetable, CopyingBetweenLayersReportsBusyTeachersUpTo200Lines) {
    TGryp* a = group("А-1");
    TGryp* c = group("В-1");
    TPredmet* pa = subject(a, 0, {0, 1, 2}, 72);
    TPredmet* pc = subject(c, 1, {0, 1, 2}, 72);
    for (int d = 1; d <= 6; ++d)
        for (int y = 0; y < 12; ++y) {
            a->GetNed(1)->AddYrokRas(0, d, y, item(a, pa));
            c->GetNed(1)->AddYrokRas(1, d, y, item(c, pc));
        }
    // One free moment: the teachers' lessons in В-1 go from Saturday period 11.
    c->GetNed(1)->DelYrokRasp(1, 6, 11, false);

    std::vector<std::string> sl;
    a->CopyRaspToPy(1, sl);
    EXPECT_EQ(sl.size(), 200u);
    EXPECT_EQ(sl[0], "Гр.А-1 Пн пара=0 Иванов Иван Иванович");
    // Only the free moment was copied, marked as coming from the settings.
    ASSERT_NE(a->GetNed(1)->GetYrok(1, 6, 11), nullptr);
    EXPECT_EQ(a->GetNed(1)->GetYrok(1, 6, 11)->CountYr(), 3);
    EXPECT_TRUE(a->GetNed(1)->GetYrok(1, 6, 11)->LYr[0]->TestPy());
    EXPECT_EQ(a->GetNed(1)->GetYrok(1, 6, 10), nullptr);
}

TEST_F(Timetable, ReferencesHeldByTheTimetableCannotBeDeleted) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 2, {3}, 1, 5);
    EXPECT_EQ(fios[3]->NoDelete, 1);
    EXPECT_EQ(names[2]->NoDelete, 1);
    EXPECT_FALSE(year->DelFio(fios[3]));
    EXPECT_FALSE(year->DelYrName(names[2]));

    TYr* yr = gr->GetNed(5)->AddYrRas(1, 2, 3, item(gr, pr, 5), pr->GetLFio(5)[0].get());
    yr->SetAyd(room);
    EXPECT_FALSE(year->DelAyd(room));
    yr->DeleteAyd();
    EXPECT_TRUE(year->DelAyd(room));

    ASSERT_TRUE(pr->DelFioPredmet(5, fios[3], false));
    EXPECT_EQ(fios[3]->NoDelete, 0);
    EXPECT_TRUE(year->DelFio(fios[3]));
    ASSERT_TRUE(gr->DelPredmet(0, false));
    EXPECT_EQ(names[2]->NoDelete, 0);
    EXPECT_TRUE(year->DelYrName(names[2]));
}

TEST_F(Timetable, DeletingATeacherWithPlacedLessonsAsks) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0}, 1, 3);
    gr->GetNed(3)->AddYrokRas(0, 1, 1, item(gr, pr, 3));
    dialog.queue(false);
    EXPECT_FALSE(pr->DelFioPredmet(3, fios[0], true));
    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_EQ(dialog.asked[0],
              "Удаление преподавателя на неделе N3 преведет к изменению расписания. Удалить?");
    dialog.queue(true);
    EXPECT_TRUE(pr->DelFioPredmet(3, fios[0], true));
    EXPECT_EQ(gr->GetNed(3)->GetYrok(0, 1, 1), nullptr);
    EXPECT_EQ(pr->CountFio(3), 0);
}

TEST_F(Timetable, UnionsLetTheirGroupsShareATeacher) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    TPredmet* p1 = subject(g1, 0, {0}, 2);
    TPredmet* p2 = subject(g2, 0, {0}, 2);
    TPredmet* p3 = subject(g3, 0, {0}, 2);
    auto ob = std::make_unique<TOb>(1, 0);
    ob->LFioPredmet = {p1->GetLFio(1)[0].get(), p2->GetLFio(1)[0].get()};
    ASSERT_EQ(year->AddOb(std::move(ob), true), 0);
    TOb* made = year->GetLOb(1)[0].get();
    EXPECT_EQ(made->FN, 1);
    EXPECT_EQ(p1->GetLFio(1)[0]->Dan.Nob, 1);
    EXPECT_EQ(made->NameGryp(), "Г-1,Г-2");
    EXPECT_EQ(made->NameFio(), "Иванов И.И.");

    const int nFio = fios[0]->N;
    EXPECT_NE(year->AddYr(g1, 0, 1, 2, 3, item(g1, p1), p1->GetLFio(1)[0].get()), nullptr);
    // Its union partner may join the teacher; an outside group may not.
    EXPECT_TRUE(year->TestAddFio(0, 1, nFio, 1, 2, 3));
    EXPECT_NE(year->AddYr(g2, 0, 1, 2, 3, item(g2, p2), p2->GetLFio(1)[0].get()), nullptr);
    EXPECT_FALSE(year->TestAddFio(0, 0, nFio, 1, 2, 3));
    EXPECT_EQ(year->AddYr(g3, 0, 1, 2, 3, item(g3, p3), p3->GetLFio(1)[0].get()), nullptr);
    EXPECT_TRUE(year->TestAddFio(0, 0, nFio, 1, 2, 4));
    EXPECT_TRUE(year->TestAddFio(1, 0, nFio, 1, 2, 3));  // the other layer
    EXPECT_TRUE(year->TestAddFio(0, 0, 0, 1, 2, 3));     // no teacher
    std::vector<int> mg;
    year->GetObedOfGryp(0, 1, 1, 2, 3, mg);
    EXPECT_EQ(mg, (std::vector<int>{0, 1}));
    EXPECT_EQ(year->GetNFioNObed(0, nFio, 1, 2, 3), std::vector<int>{1});

    // A union holding lessons is not dissolved on request.
    EXPECT_FALSE(year->DelOb(1, 0, true));
    EXPECT_EQ(dialog.shown.back(),
              "Удаление объединения невозможно. Сперва разнесите пары в расписании.");
    // Losing a member leaves one: the union goes and the last one is released.
    ASSERT_TRUE(p2->DelFioPredmet(1, fios[0], false));
    EXPECT_TRUE(year->GetLOb(1).empty());
    EXPECT_EQ(p1->GetLFio(1)[0]->Dan.Nob, 0);
    EXPECT_EQ(p1->GetLFio(1)[0]->Ob, nullptr);
}

TEST_F(Timetable, CopiedUnionsFollowTheSameTeachers) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TPredmet* p1 = subject(g1, 0, {0}, 1);
    TPredmet* p2 = subject(g2, 0, {0}, 1);
    g1->SetNed(2);
    g2->SetNed(2);
    p1->AddFio(2, fios[0]);
    p2->AddFio(2, fios[1]);  // another teacher: no union in week 2
    auto ob = std::make_unique<TOb>(1, 0);
    ob->LFioPredmet = {p1->GetLFio(1)[0].get(), p2->GetLFio(1)[0].get()};
    ASSERT_EQ(year->AddOb(std::move(ob), true), 0);
    year->CopyOb(1, 2);
    EXPECT_TRUE(year->GetLOb(2).empty());
    ASSERT_TRUE(p2->DelFioPredmet(2, fios[1], false));
    p2->AddFio(2, fios[0]);
    year->CopyOb(1, 2);
    ASSERT_EQ(year->GetLOb(2).size(), 1u);
    EXPECT_EQ(year->GetLOb(2)[0]->CountFioPredmet(), 2);
    EXPECT_EQ(p2->GetLFio(2)[0]->Dan.Nob, 1);
    EXPECT_EQ(year->AddOb(std::make_unique<TOb>(3, 0), true), -1);
}

TEST_F(Timetable, IndexedClashAnswersEqualTheScan) {
    std::vector<TGryp*> groups;
    std::vector<TPredmet*> subjects;
    for (int g = 0; g < 5; ++g) {
        groups.push_back(group("Г-" + std::to_string(g)));
        subjects.push_back(subject(groups.back(), g % 3, {g % 4, (g + 1) % 4}, 8));
    }
    auto ob = std::make_unique<TOb>(1, 0);
    ob->LFioPredmet = {subjects[0]->GetLFio(1)[0].get(), subjects[4]->GetLFio(1)[0].get()};
    ASSERT_GE(year->AddOb(std::move(ob), true), 0);
    auto check = [&] {
        for (int tip = 0; tip <= 1; ++tip)
            for (int nob = 0; nob <= 1; ++nob)
                for (const TFio* fio : fios)
                    for (int d = 1; d <= 6; ++d)
                        for (int y = 0; y < 12; ++y)
                            ASSERT_EQ(year->TestAddFio(tip, nob, fio->N, 1, d, y),
                                      year->TestAddFioScan(tip, nob, fio->N, 1, d, y))
                                << tip << nob << fio->N << " " << d << " " << y;
        // The teacher's cells as the index keeps them, against the scan.
        for (int tip = 0; tip <= 1; ++tip)
            for (const TFio* fio : fios) {
                std::array<uint16_t, 7> scanned{};
                for (const auto& [d, y] : year->GetNFioOfNe(tip, fio->N, 1))
                    scanned[static_cast<std::size_t>(d)] |= static_cast<uint16_t>(1u << y);
                ASSERT_EQ(year->FioWeekCells(tip, fio->N, 1), scanned) << tip << " " << fio->N;
                // The lessons of each cell, in the scan's order.
                for (int d = 1; d <= 6; ++d)
                    for (int y = 0; y < 12; ++y) {
                        std::vector<TGrypYr> walked;
                        year->GetNFioOfGryp(tip, fio->N, 1, d, y, walked);
                        const std::vector<TGrypYr> indexed = year->FioYrAt(tip, fio->N, 1, d, y);
                        ASSERT_EQ(indexed.size(), walked.size()) << d << " " << y;
                        for (std::size_t i = 0; i < walked.size(); ++i) {
                            ASSERT_EQ(indexed[i].indxGryp, walked[i].indxGryp);
                            ASSERT_EQ(indexed[i].yr, walked[i].yr);
                        }
                    }
            }
    };
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        const std::size_t g = rng() % groups.size();
        TNed* week = groups[g]->GetNed(1);
        const int tip = static_cast<int>(rng() % 2);
        const int d = 1 + static_cast<int>(rng() % 6);
        const int y = static_cast<int>(rng() % 12);
        switch (rng() % 3) {
            case 0:
                week->AddYrokRas(tip, d, y, item(groups[g], subjects[g]));
                break;
            case 1:
                week->DelYrokRasp(tip, d, y, false);
                break;
            default:
                week->MoveYrokRasp(tip, d, y, 1 + static_cast<int>(rng() % 6),
                                   static_cast<int>(rng() % 12));
        }
        // Every round: the index is kept in step with each change in place.
        check();
    }
}

TEST_F(Timetable, MinimumWorkingDaysRunOverAllGroups) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    subject(g1, 0, {0}, 5);
    subject(g2, 1, {0}, 4);
    // c = 4: after Г-1 s = 5 gives 2 days; after Г-2 s = 9 gives 3; m also
    // remembers the largest single subject, min(5, 6).
    EXPECT_EQ(year->GetMimRunDey(fios[0]->N, 1, 4), 5);
    EXPECT_EQ(year->GetMimRunDey(fios[1]->N, 1, 4), 6);  // teaches nothing
    g2->Dan.TimeDay = 6;
    subject(g2, 2, {2}, 1);
    subject(g1, 2, {2}, 1);
    EXPECT_EQ(year->GetMimRunDey(fios[2]->N, 1, 4), 1);
}

TEST_F(Timetable, ASavedYearLoadsAndSavesToTheSameFiles) {
    TGryp* g1 = group("ИС-11");
    TGryp* g2 = group("ИС-12");
    TPredmet* p1 = subject(g1, 0, {0, 1}, 2);
    TPredmet* p2 = subject(g2, 0, {0}, 2);
    subject(g1, 1, {2}, 3);
    auto ob = std::make_unique<TOb>(1, 0);
    ob->LFioPredmet = {p1->GetLFio(1)[0].get(), p2->GetLFio(1)[0].get()};
    ASSERT_EQ(year->AddOb(std::move(ob), true), 0);
    g1->GetNed(1)->AddYrokRas(0, 1, 1, item(g1, p1));
    g2->GetNed(1)->AddYrokRas(0, 1, 1, item(g2, p2));
    g1->GetNed(1)->AddYrokRas(1, 3, 2, item(g1, p1));
    g1->GetNed(1)->GetYrok(0, 1, 1)->LYr[0]->SetAyd(room);
    // Replace the second subgroup's lesson by a substitution of Козлов.
    TFioPredmet* second = p1->GetLFio(1)[1].get();
    TYrokKorzina* zk = p1->AddPredmetNe(kSetkaZamena, 1, second);
    ASSERT_NE(zk, nullptr);
    TYr* zm = g1->GetNed(1)->AddYrRas(0, 1, 1, zk, second);
    static_cast<TZamena*>(zm)->SetFio(fios[3]);
    TNed::LinkZamena(zm, g1->GetNed(1)->GetYrok(0, 1, 1)->LYr[1]);
    EXPECT_TRUE(g1->modifiRasp);
    ASSERT_TRUE(year->SaveRasp());
    EXPECT_FALSE(g1->modifiRasp);
    const auto groupsFile = fileBytes(fs::path(dm->DB.PathF) / "YmGryp.b0");
    const std::vector<uint8_t> blob1 = g1->WriteRasp();

    TAllRasp fresh(*dm);
    fresh.YGod = 2016;
    progress.texts.clear();
    ASSERT_TRUE(fresh.LoadYear());
    EXPECT_EQ(progress.texts.front(), "Чтение YmGryp.b0");
    EXPECT_NE(std::find(progress.texts.begin(), progress.texts.end(), "Чтение расписания"),
              progress.texts.end());
    EXPECT_EQ(progress.texts.back(), "Чтение ИС-12");
    ASSERT_EQ(fresh.CountGryp(), 2);
    TGryp* r1 = fresh.LGryp[0].get();
    EXPECT_EQ(r1->Name(), "ИС-11");
    EXPECT_EQ(r1->WriteRasp(), blob1);
    ASSERT_EQ(fresh.GetLOb(1).size(), 1u);
    EXPECT_EQ(fresh.GetLOb(1)[0]->CountFioPredmet(), 2);
    const TYrok* cell = r1->GetNed(1)->GetYrok(0, 1, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->CountYr(), 2);
    ASSERT_EQ(cell->CountZam(), 1);
    EXPECT_EQ(cell->LZm[0]->Fio()->BigName(), "Козлов Кирилл Карпович");
    EXPECT_EQ(cell->LYr[1]->Dan.Zm, kZmReplaced);
    EXPECT_EQ(cell->CountPGr(), 2);
    EXPECT_EQ(cell->LYr[0]->NameAyd(), "101");
    EXPECT_EQ(fresh.FioNumer(fios[3]->N)->NoDelete, 1);

    for (const auto& gr : fresh.LGryp) gr->modifiRasp = true;
    ASSERT_TRUE(fresh.SaveRasp());
    EXPECT_EQ(fileBytes(fs::path(dm->DB.PathF) / "YmGryp.b0"), groupsFile);
}

// The blob stored in a group's row, read or written straight in the table.
std::vector<uint8_t> storedBlob(TDM1& dm, int n) {
    dm.AT1.SetTableName("YmGryp.b0");
    if (!dm.AT1.Open()) return {};
    dm.AT1.SetKey();
    dm.AT1.FieldByName("N")->setAsInteger(n);
    std::vector<uint8_t> bytes;
    if (dm.AT1.GotoKey()) {
        TMemoryStream stream;
        dm.AT1.FieldByName("Zavlin")->SaveToStream(stream);
        bytes = stream.Bytes();
    }
    dm.AT1.Close();
    return bytes;
}

bool storeBlob(TDM1& dm, int n, std::vector<uint8_t> bytes) {
    dm.AT1.SetTableName("YmGryp.b0");
    if (!dm.AT1.Open()) return false;
    dm.AT1.SetKey();
    dm.AT1.FieldByName("N")->setAsInteger(n);
    bool ok = dm.AT1.GotoKey();
    if (ok) {
        dm.AT1.Edit();
        TMemoryStream stream(std::move(bytes));
        dm.AT1.FieldByName("Zavlin")->LoadFromStream(stream);
        ok = dm.AT1.Post();
    }
    dm.AT1.Close();
    return ok;
}

// One damaged blob neither stops the year nor is written over: catches a
// load that fails the year, a partial group, two messages for one failure,
// and a save (even of a group flagged modified) that replaces the stored
// bytes without the dispatcher's say.
TEST_F(Timetable, ADamagedBlobIsReportedAndNeverSavedOver) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    subject(g1, 0, {0}, 1);
    subject(g2, 0, {0}, 1);
    ASSERT_TRUE(year->SaveRasp());
    // Cut Г-1's blob inside its subject record.
    std::vector<uint8_t> damaged = g1->WriteRasp();
    damaged.resize(2 + 18 + 9 + 5);
    ASSERT_TRUE(storeBlob(*dm, g1->Dan.N, damaged));
    const int n1 = g1->Dan.N;

    TAllRasp fresh(*dm);
    fresh.YGod = 2016;
    EXPECT_TRUE(fresh.LoadYear());
    EXPECT_EQ(dialog.shown, std::vector<std::string>{"Ошибка при чтении Гр.Г-1 предмет=0"});
    ASSERT_EQ(fresh.CountGryp(), 2);
    TGryp& bad = *fresh.LGryp[0];
    EXPECT_EQ(fresh.UnreadableGryp(), std::vector<TGryp*>{&bad});
    EXPECT_TRUE(bad.BlobUnreadable);
    EXPECT_EQ(bad.BlobFault, "cut short in subject 0");
    EXPECT_EQ(bad.CountPredmet(), 0);
    EXPECT_TRUE(bad.LNed.empty());
    EXPECT_FALSE(fresh.LGryp[1]->BlobUnreadable);
    EXPECT_EQ(fresh.LGryp[1]->CountPredmet(), 1);

    // Edited and flagged, it is still not written; the others are.
    bad.SetNed(2);
    bad.modifiRasp = true;
    fresh.LGryp[1]->SetNed(5);
    fresh.LGryp[1]->modifiRasp = true;
    EXPECT_TRUE(fresh.SaveRasp());
    EXPECT_EQ(storedBlob(*dm, n1), damaged);
    EXPECT_TRUE(bad.BlobUnreadable);
    {
        TAllRasp again(*dm);
        again.YGod = 2016;
        EXPECT_TRUE(again.LoadYear());
        EXPECT_EQ(again.UnreadableGryp().size(), 1u);
        EXPECT_NE(again.LGryp[1]->GetNed(5), nullptr);
    }

    // The dispatcher's repair writes what the group now holds.
    EXPECT_EQ(fresh.DropUnreadableGryp(), std::vector<TGryp*>{&bad});
    EXPECT_TRUE(fresh.UnreadableGryp().empty());
    EXPECT_TRUE(fresh.SaveRasp());
    EXPECT_NE(storedBlob(*dm, n1), damaged);
    dialog.shown.clear();
    TAllRasp repaired(*dm);
    repaired.YGod = 2016;
    EXPECT_TRUE(repaired.LoadYear());
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(repaired.UnreadableGryp().empty());
    EXPECT_EQ(repaired.LGryp[0]->CountPredmet(), 0);
    EXPECT_NE(repaired.LGryp[0]->GetNed(2), nullptr);
    EXPECT_EQ(repaired.LGryp[1]->CountPredmet(), 1);
}

// A header the reader cannot trust gives the group's message, once.
TEST_F(Timetable, AnUnknownVersionNamesTheGroup) {
    TGryp* g1 = group("Г-1");
    subject(g1, 0, {0}, 1);
    ASSERT_TRUE(year->SaveRasp());
    std::vector<uint8_t> blob = g1->WriteRasp();
    blob[0] = 255;
    ASSERT_TRUE(storeBlob(*dm, g1->Dan.N, blob));
    TAllRasp fresh(*dm);
    fresh.YGod = 2016;
    EXPECT_TRUE(fresh.LoadYear());
    EXPECT_EQ(dialog.shown,
              std::vector<std::string>{
                  "Ошибка при чтении данных группы Г-1\nРасписание этой группы имеет ошибку"});
    ASSERT_EQ(fresh.UnreadableGryp().size(), 1u);
    EXPECT_EQ(fresh.UnreadableGryp()[0]->BlobFault, "unknown version 255");
}

// Catches: deleting groups reported as done while their faculty membership
// rows could not be removed (the table would then hold rows of groups that
// are gone).
TEST_F(Timetable, DeletedGroupsReportMembershipsThatStayBehind) {
    TGryp* g1 = group("Г-1");
    group("Г-2");
    group("Г-3");
    const fs::path members = fs::path(home) / "Database" / "YmFakGryp.b0";
    const auto kept = fs::path(home) / "kept.b0";
    fs::copy_file(members, kept);
    {
        std::ofstream damage(members, std::ios::binary | std::ios::trunc);
        damage << "not a table";
    }
    EXPECT_FALSE(year->DelGryp(g1));
    EXPECT_EQ(year->CountGryp(), 2) << "the group goes all the same";
    EXPECT_FALSE(year->DelAllGryp());
    EXPECT_EQ(year->CountGryp(), 0);

    fs::copy_file(kept, members, fs::copy_options::overwrite_existing);
    group("Г-4");
    EXPECT_TRUE(year->DelGryp(year->LGryp[0].get()));
}

// Catches: a new order of the groups reported as stored when their rows
// could not take it (the next start shows the old order).
TEST_F(Timetable, AnOrderThatCannotBeStoredIsAFailure) {
    group("Г-1");
    group("Г-2");
    const fs::path rows = fs::path(home) / "Database" / "YmGryp.b0";
    const auto kept = fs::path(home) / "kept.b0";
    fs::copy_file(rows, kept);
    {
        std::ofstream damage(rows, std::ios::binary | std::ios::trunc);
        damage << "not a table";
    }
    EXPECT_FALSE(year->PositionGrypUp(1));
    EXPECT_EQ(year->LGryp[0]->Name(), "Г-2") << "the order in memory is the one asked for";
    fs::copy_file(kept, rows, fs::copy_options::overwrite_existing);
    EXPECT_TRUE(year->PositionGrypUp(1));
}

TEST_F(Timetable, GroupRowsKeepTheirPlaces) {
    TGryp* g1 = group("Г-1");
    group("Г-2");
    TGryp* g3 = group("Г-3");
    g3->Dan.arRDeyNed = {1, 2, 3, 0, 0, 0, 0};
    g3->Dan.Ks = 25;
    ASSERT_TRUE(year->AddGryp(g3));
    ASSERT_TRUE(year->PositionGrypUp(2));
    ASSERT_TRUE(year->DelGryp(g1));
    EXPECT_EQ(year->FindGrypForName(" Г-3 "), year->LGryp[0].get());

    TAllRasp fresh(*dm);
    fresh.YGod = 2016;
    ASSERT_TRUE(fresh.LoadYear());
    ASSERT_EQ(fresh.CountGryp(), 2);
    EXPECT_EQ(fresh.LGryp[0]->Name(), "Г-3");
    EXPECT_EQ(fresh.LGryp[0]->Position, 0);
    EXPECT_EQ(fresh.LGryp[0]->Dan.Ks, 25);
    EXPECT_EQ(fresh.LGryp[0]->Dan.arRDeyNed, (std::array<uint8_t, 7>{1, 2, 3, 0, 0, 0, 0}));
    EXPECT_EQ(fresh.LGryp[1]->Name(), "Г-2");
    EXPECT_EQ(fresh.LGryp[1]->Position, 1);
}

// Catches: rows whose stored place differs from the loaded order left as
// they are, so that a group added later sorts ahead of an old one.
TEST_F(Timetable, LoadingRewritesTheRowsOfGroupsThatChangedPlace) {
    for (const char* name : {"Г-1", "Г-2", "Г-3", "Г-4"}) group(name);
    // Places as an older file may hold them: 50, 1, 2, 2.
    const std::vector<int> stored{50, 1, 2, 2};
    for (std::size_t i = 0; i < stored.size(); ++i) {
        auto n = static_cast<uint32_t>(year->LGryp[i]->Dan.N);
        ASSERT_TRUE(dm->StoreEntry("YmGryp.b0", n, [&](TTableBlob& t) {
            t.FieldByName("Index")->setAsInteger(stored[i]);
        }));
    }
    auto rows = [&] {
        std::map<std::string, int> out;
        EXPECT_TRUE(dm->ReadEntries("YmGryp.b0", 2016, [&](TTableBlob& t) {
            out[t.FieldByName("Gryp")->asString()] = t.FieldByName("Index")->asInteger();
        }));
        return out;
    };
    auto names = [](const TAllRasp& y) {
        std::vector<std::string> out;
        for (const auto& gr : y.LGryp) out.push_back(gr->Name());
        return out;
    };

    TAllRasp fresh(*dm);
    fresh.YGod = 2016;
    ASSERT_TRUE(fresh.LoadYear());
    EXPECT_EQ(names(fresh), (std::vector<std::string>{"Г-2", "Г-3", "Г-4", "Г-1"}));
    const std::map<std::string, int> expected{{"Г-2", 0}, {"Г-3", 1}, {"Г-4", 2}, {"Г-1", 3}};
    EXPECT_EQ(rows(), expected);

    auto added = std::make_unique<TGryp>(&fresh);
    added->SetName("Г-5");
    ASSERT_NE(fresh.AddGryp(std::move(added)), nullptr);
    TAllRasp again(*dm);
    again.YGod = 2016;
    ASSERT_TRUE(again.LoadYear());
    EXPECT_EQ(names(again), (std::vector<std::string>{"Г-2", "Г-3", "Г-4", "Г-1", "Г-5"}));
}

TEST_F(Timetable, WeekMeasuresOfGroupsAndTeachers) {
    TGryp* gr = group("Г-1");
    TGryp* other = group("Г-2");
    TPredmet* pr = subject(gr, 0, {0}, 7);
    TPredmet* po = subject(other, 1, {0}, 2);
    TNed* week = gr->GetNed(1);
    week->SetYhDey(0b0000111);  // Monday and Tuesday
    // Monday 1,2,3,4,5 and 7; Tuesday 1 only: usual day = 7 / 2 -> 4.
    for (int y : {1, 2, 3, 4, 5, 7}) week->AddYrokRas(0, 1, y, item(gr, pr));
    week->AddYrokRas(0, 2, 1, item(gr, pr));
    EXPECT_EQ(gr->GetLDirkaRasp(0, 1), (std::vector<std::pair<int, int>>{{1, 6}}));
    EXPECT_EQ(gr->GetBadYrokRasp(0, 1), (std::vector<std::pair<int, int>>{{1, 5}, {1, 7}}));
    // The window from period 1: Tuesday lacks 2, 3 and 4.
    EXPECT_EQ(gr->GetNilYrokRasp(0, 1), (std::vector<std::pair<int, int>>{{2, 2}, {2, 3}, {2, 4}}));
    EXPECT_EQ(gr->CountBadNagryzkaOfNed(0, 1), 2);
    EXPECT_EQ(year->CountBadNagryzkaAllGrypOfNed(0, 1), 2);
    EXPECT_EQ(week->CountOneYrok(0), 1);
    EXPECT_EQ(week->CountAllYrokOneDey(), 4);  // 7 / 2, half to even
    EXPECT_TRUE(week->TestBadDeyMaxYrok(0, 1));
    EXPECT_FALSE(week->TestBadDeyMaxYrok(0, 2));

    // The teacher also teaches Г-2 on Tuesday at 4: holes 2 and 3 that day.
    other->GetNed(1)->AddYrokRas(0, 2, 4, item(other, po));
    const int nFio = fios[0]->N;
    EXPECT_EQ(year->GetNFioOfDey(0, nFio, 1, 2), (std::vector<int>{1, 4}));
    EXPECT_EQ(year->GetDirkaNFioOfDey(0, nFio, 1, 2), (std::vector<int>{2, 3}));
    EXPECT_EQ(year->CountDirkaNFioOfNed(0, nFio, 1), 3);
    EXPECT_EQ(year->CountDirkaAllFioOfNed(0, 1), 3);
    EXPECT_EQ(year->CountDirkaAllGrypOfNed(0, 1), 1);
    EXPECT_EQ(year->GetRunDey(0, nFio, 1), 2);
    EXPECT_EQ(year->CountOdinYrokFioOfNed(0, nFio, 1), 0);
    EXPECT_EQ(year->LastPG(0, nFio, 1, 2)->Predmet(), po);
    int first = -1;
    int last = -1;
    ASSERT_TRUE(year->FirstLastPg(0, nFio, 1, 1, first, last));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 7);
}

TEST_F(Timetable, TeachersAtOneMomentAndCopiedTimetables) {
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    g1->Dan.Ks = 25;
    g2->Dan.Ks = 30;
    TPredmet* p1 = subject(g1, 0, {0, 1}, 1);
    TPredmet* p2 = subject(g2, 0, {0}, 1);
    auto ob = std::make_unique<TOb>(1, 0);
    ob->LFioPredmet = {p1->GetLFio(1)[0].get(), p2->GetLFio(1)[0].get()};
    ASSERT_EQ(year->AddOb(std::move(ob), true), 0);
    g1->GetNed(1)->AddYrokRas(0, 1, 0, item(g1, p1));
    g2->GetNed(1)->AddYrokRas(0, 1, 0, item(g2, p2));
    const TAllFioYr all = year->GetFioOfGryp(0, 1, 1, 0);
    ASSERT_EQ(all.LFioYr.size(), 2u);
    const TFioYr* shared = all.TestRunFio(fios[0]);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->LPGr.size(), 2u);
    EXPECT_EQ(shared->CountStud(), 25 / 2 + 30);
    EXPECT_EQ(all.TestRunFio(fios[2]), nullptr);

    EXPECT_FALSE(
        TAllRasp::CompareYrok(g1->GetNed(1)->GetYrok(0, 1, 0), g2->GetNed(1)->GetYrok(0, 1, 0)));
    TGryp* copy = group("Г-3");
    ASSERT_TRUE(copy->AssignRasp(*g1));
    EXPECT_TRUE(
        TAllRasp::CompareYrok(copy->GetNed(1)->GetYrok(0, 1, 0), g1->GetNed(1)->GetYrok(0, 1, 0)));
    EXPECT_EQ(copy->LPredmet[0]->GetLFio(1)[0]->Dan.Nob, 0);  // unions stay the source's
    EXPECT_EQ(year->GetLOb(1)[0]->CountFioPredmet(), 2);
    EXPECT_EQ(fios[1]->NoDelete, 2);
    EXPECT_TRUE(copy->modifiRasp);
}

}  // namespace
}  // namespace zavlin
