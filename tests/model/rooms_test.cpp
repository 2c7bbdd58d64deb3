// Room use across groups, the distribution of free rooms to teachers, copied
// rooms and the occupancy lists, over a scratch year database.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "model/group.h"
#include "model/room_occupancy.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

class Rooms : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        dm = std::make_unique<TDM1>(home, dialog);
        year = std::make_unique<TAllRasp>(*dm);
        year->YGod = 2016;
        for (const char* name : {"Иванов Иван Иванович", "Петров Пётр Петрович",
                                 "Сидоров Сидор Сидорович", "Козлов Кирилл Карпович"}) {
            auto fio = std::make_unique<TFio>();
            fio->SetBigName(name);
            fios.push_back(year->AddFio(std::move(fio)));
            ASSERT_NE(fios.back(), nullptr);
        }
        for (const char* name : {"Матем", "Физика", "Химия"}) {
            TYrName* yr = year->CreateYrName(name, "");
            ASSERT_TRUE(year->AddYrName(yr));
            names.push_back(yr);
        }
        main = year->AddDom("Главный");
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }

    TAyd* room(const std::string& name, int seats = 0, TDom* dom = nullptr) {
        TAyd* ayd = year->AddAyd(dom != nullptr ? dom : main, name);
        EXPECT_NE(ayd, nullptr);
        if (ayd != nullptr) ayd->kv = static_cast<uint16_t>(seats);
        return ayd;
    }

    TGryp* group(const std::string& name, int students = 25) {
        auto gr = std::make_unique<TGryp>(year.get());
        gr->SetName(name);
        gr->Dan.Ks = static_cast<uint16_t>(students);
        TGryp* added = year->AddGryp(std::move(gr));
        EXPECT_NE(added, nullptr);
        return added;
    }

    // A subject with the given teachers in week ne and ky lessons of plan load.
    TPredmet* subject(TGryp* gr, std::vector<int> teachers, int ky = 4, int ne = 1) {
        gr->SetNed(ne);
        TPredmet* pr = gr->CreatePredmet(names[0]);
        for (int t : teachers) pr->AddFio(ne, fios[static_cast<std::size_t>(t)]);
        for (int i = 0; i < ky; ++i) pr->AddPredmetNe(kSetkaPlan, ne);
        return pr;
    }

    // Places one lesson per teacher of the subject and returns the period's lessons.
    std::vector<TYr*> place(TGryp* gr, TPredmet* pr, int d, int y, int ne = 1, int tip = 0) {
        TNed* week = gr->GetNed(ne);
        week->AddYrokRas(tip, d, y, week->FindYrokKorzina(kSetkaPlan, pr));
        const TYrok* yrok = week->GetYrok(tip, d, y);
        EXPECT_NE(yrok, nullptr);
        return yrok != nullptr ? yrok->LYr : std::vector<TYr*>{};
    }

    // A credit record of week ne, day d from start (minutes) for length minutes.
    TZachet* zachet(TGryp* gr, int ne, int d, int start, int length, TAyd* ayd, TFio* examiner) {
        gr->LZachet.push_back(createZachet(gr, 1));
        TZachet* z = gr->LZachet.back().get();
        z->FDan.FNe = static_cast<uint8_t>(ne);
        z->FDan.FDay = static_cast<uint8_t>(d);
        z->FDan.FStart = static_cast<uint16_t>(start);
        z->FDan.FLength = static_cast<uint16_t>(length);
        z->SetAyd(ayd);
        z->AddEkzam(examiner);
        return z;
    }

    testsupport::ScratchHome scratch{"rooms"};
    std::string home;
    TScriptedDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    std::vector<TFio*> fios;
    std::vector<TYrName*> names;
    TDom* main = nullptr;
};

// Catches bound rooms handed out in gathering order instead of first, and a
// room taken by a later binding position before an earlier one.
TEST_F(Rooms, BoundRoomsGoToTheirTeachersFirst) {
    TAyd* r101 = room("101");
    TAyd* r102 = room("102");
    TAyd* r103 = room("103");
    TAyd* r104 = room("104");
    r101->AddFio(fios[0]);
    // 103 names Сидоров second, 104 names him first: 104 is his.
    r103->AddFio(fios[3]);
    r103->AddFio(fios[2]);
    r104->AddFio(fios[2]);
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    TYr* a = place(g1, subject(g1, {0}), 1, 2)[0];
    TYr* b = place(g2, subject(g2, {1}), 1, 2)[0];
    TYr* c = place(g3, subject(g3, {2}), 1, 2)[0];
    // Unbound, the last gathered would choose first: Сидоров 101, Петров 102.
    year->RaspredAydDeyYrok(0, 1, 1, 2, false);
    EXPECT_EQ(a->Ayd(), r101);
    EXPECT_EQ(c->Ayd(), r104);
    EXPECT_EQ(b->Ayd(), r102);
    EXPECT_TRUE(year->CanRunAyd(0, r103->N, 1, 1, 2));
    EXPECT_EQ(r101->NoDelete, 1);
    EXPECT_TRUE(g1->modifiRasp);
    // Nothing else happens at other moments.
    EXPECT_EQ(year->GetNoRunAyd(0, 1, 1, 3).size(), 4u);
}

// Catches a special room given to someone else, and a free one left unused.
TEST_F(Rooms, SpecialRoomsWaitForTheirBoundTeachers) {
    TAyd* lab = room("Лаб");
    lab->SetSpecAyd(true);
    lab->AddFio(fios[3]);  // Козлов teaches on Monday only
    TAyd* plain = room("201");
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    TYr* a = place(g1, subject(g1, {0}), 2, 0)[0];
    TYr* b = place(g2, subject(g2, {1}), 2, 0)[0];
    year->RaspredAydDey(0, 1, 2, false);
    EXPECT_EQ(b->Ayd(), plain);  // the last gathered chooses first
    EXPECT_EQ(a->Ayd(), nullptr);
    EXPECT_TRUE(year->CanRunAyd(0, lab->N, 1, 2, 0));

    TYr* k = place(g3, subject(g3, {3}), 1, 0)[0];
    TYr* m = place(g1, g1->LPredmet[0].get(), 1, 0)[0];
    year->RaspredAydDeyYrok(0, 1, 1, 0, false);
    EXPECT_EQ(k->Ayd(), lab);
    EXPECT_EQ(m->Ayd(), plain);
}

// Catches seat counts ignored, a zero seat count read as too small, and a
// bound but too small room kept from the teachers it fits.
TEST_F(Rooms, SeatsDecideWhenAsked) {
    // The list keeps rooms in name order: 101 comes first.
    TAyd* small = room("101", 25);
    TAyd* unknown = room("102", 0);
    small->AddFio(fios[0]);
    TGryp* big = group("Г-30", 30);
    TGryp* little = group("Г-10", 10);
    TYr* a = place(big, subject(big, {0}), 1, 1)[0];
    TYr* b = place(little, subject(little, {1}), 1, 1)[0];
    year->RaspredAydDeyYrok(0, 1, 1, 1, true);
    EXPECT_EQ(a->Ayd(), unknown);
    EXPECT_EQ(b->Ayd(), small);

    // Without the seat test the binding wins.
    year->DelAllAydit(0, 1, 1);
    EXPECT_EQ(a->Ayd(), nullptr);
    year->RaspredAydDeyYrok(0, 1, 1, 1, false);
    EXPECT_EQ(a->Ayd(), small);
    EXPECT_EQ(b->Ayd(), unknown);

    // Only rooms too small are left: the group goes without.
    year->DelAllAydit(0, 1, 1);
    unknown->kv = 29;
    TYr* c = place(big, big->LPredmet[0].get(), 1, 2)[0];
    year->RaspredAydDeyYrok(0, 1, 1, 2, true);
    EXPECT_EQ(c->Ayd(), nullptr);
}

// Catches a union counted by one group's size, or its groups split over rooms.
TEST_F(Rooms, AUnionTakesOneRoomForAllItsStudents) {
    TAyd* r30 = room("30", 30);
    TAyd* r40 = room("40", 40);
    TGryp* g1 = group("Г-1", 20);
    TGryp* g2 = group("Г-2", 20);
    TPredmet* p1 = subject(g1, {0});
    TPredmet* p2 = subject(g2, {0});
    auto ob = std::make_unique<TOb>(1, 0);
    ob->LFioPredmet = {p1->GetLFio(1)[0].get(), p2->GetLFio(1)[0].get()};
    ASSERT_EQ(year->AddOb(std::move(ob), true), 0);
    TYr* a = place(g1, p1, 3, 4)[0];
    TYr* b = place(g2, p2, 3, 4)[0];
    year->RaspredAydDeyYrok(0, 1, 3, 4, true);
    EXPECT_EQ(a->Ayd(), r40);
    EXPECT_EQ(b->Ayd(), r40);
    EXPECT_EQ(r40->NoDelete, 2);
    EXPECT_EQ(year->GetGrypOfAyd(0, r40->N, 1, 3, 4), (std::vector<int>{0, 1}));
    EXPECT_TRUE(year->CanRunAyd(0, r30->N, 1, 3, 4));
}

// Catches a teacher seated by hand being moved, or taking a second room from
// someone who has none, and rooms given across layers.
TEST_F(Rooms, SeatedTeachersAndOtherLayersAreLeftAlone) {
    TAyd* r1 = room("1");
    TAyd* r2 = room("2");
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TYr* a = place(g1, subject(g1, {0}), 1, 0)[0];
    TYr* b = place(g2, subject(g2, {1}), 1, 0)[0];
    b->SetAyd(r1);
    TYr* pre = place(g1, g1->LPredmet[0].get(), 1, 0, 1, 1)[0];
    year->RaspredAydDeyYrok(0, 1, 1, 0, false);
    EXPECT_EQ(b->Ayd(), r1);
    EXPECT_EQ(a->Ayd(), r2);
    EXPECT_EQ(pre->Ayd(), nullptr);
    // Layer 0 rooms do not occupy the preliminary layer.
    EXPECT_EQ(year->GetNoRunAyd(1, 1, 1, 0), (std::vector<int>{r1->N, r2->N}));
    year->RaspredAydDeyYrok(1, 1, 1, 0, false);
    EXPECT_EQ(pre->Ayd(), r1);
    EXPECT_EQ(a->Ayd(), r2);
}

// Catches lessons of a period with another count taking rooms lesson by
// lesson, rooms copied to another teacher, and old rooms of the target kept.
TEST_F(Rooms, CopyingRoomsFromAnotherWeek) {
    TAyd* r1 = room("1");
    TAyd* r2 = room("2");
    TAyd* r3 = room("3");
    TGryp* gr = group("Г-1");
    TPredmet* pr = subject(gr, {0, 1}, 4, 1);
    subject(gr, {0, 1}, 4, 2);
    TPredmet* pr2 = gr->LPredmet[1].get();
    // Week 1: both subgroups in periods 0 and 1, each with a room.
    for (int y : {0, 1}) {
        std::vector<TYr*> w1 = place(gr, pr, 1, y, 1);
        ASSERT_EQ(w1.size(), 2u);
        w1[0]->SetAyd(r1);
        w1[1]->SetAyd(r2);
    }
    TNed* week2 = gr->GetNed(2);
    TYrokKorzina* item2 = week2->FindYrokKorzina(kSetkaPlan, pr2);
    // Week 2: period 0 the same two teachers, period 1 only the first.
    std::vector<TYr*> same = place(gr, pr2, 1, 0, 2);
    TYr* alone = week2->AddYrRas(0, 1, 1, item2, pr2->GetLFio(2)[0].get());
    alone->SetAyd(r3);
    year->SinxrAydDey(0, 1, 2, 1);
    EXPECT_EQ(same[0]->Ayd(), r1);
    EXPECT_EQ(same[1]->Ayd(), r2);
    EXPECT_EQ(alone->Ayd(), nullptr);
    EXPECT_EQ(r3->NoDelete, 0);

    // A copy onto the same week keeps what it has.
    year->SinxrAydDey(0, 2, 2, 1);
    EXPECT_EQ(same[0]->Ayd(), r1);

    // Different teachers in the same places take nothing.
    TPredmet* other = subject(gr, {2, 3}, 4, 2);
    std::vector<TYr*> swapped = place(gr, other, 1, 5, 2);
    place(gr, pr, 1, 5, 1)[0]->SetAyd(r3);
    year->SinxrAydDey(0, 1, 2, 1);
    EXPECT_EQ(swapped[0]->Ayd(), nullptr);
    EXPECT_EQ(same[1]->Ayd(), r2);
}

// Catches credit records ignored by the room questions, a record's room held
// outside its periods, and DelAllAydit leaving records or other days alone.
TEST_F(Rooms, CreditRecordsOccupyTheirRooms) {
    TAyd* r1 = room("1");
    TAyd* r2 = room("2");
    TGryp* gr = group("Г-1");
    TGryp* exams = group("Г-2");
    TPredmet* pr = subject(gr, {0});
    // 09:00 for three hours: periods 1 and 2 with the default times.
    TZachet* z = zachet(exams, 1, 1, 540, 180, r1, fios[1]);
    TZachet* later = zachet(exams, 1, 2, 540, 90, r2, fios[1]);
    for (int tip : {0, 1}) {
        EXPECT_TRUE(year->CanRunAyd(tip, r1->N, 1, 1, 0));
        EXPECT_FALSE(year->CanRunAyd(tip, r1->N, 1, 1, 1));
        EXPECT_FALSE(year->CanRunAyd(tip, r1->N, 1, 1, 2));
        EXPECT_TRUE(year->CanRunAyd(tip, r1->N, 1, 1, 3));
        EXPECT_TRUE(year->CanRunAyd(tip, r1->N, 2, 1, 1));
    }
    EXPECT_EQ(year->GetNoRunAyd(0, 1, 1, 1), (std::vector<int>{r2->N}));
    EXPECT_EQ(year->GetAydIndexForFio(0, fios[1]->N, 1, 1, 2), (std::vector<int>{0}));
    EXPECT_TRUE(year->GetAydIndexForFio(0, fios[1]->N, 1, 1, 3).empty());

    TYr* a = place(gr, pr, 1, 1)[0];
    year->RaspredAydDeyYrok(0, 1, 1, 1, false);
    EXPECT_EQ(a->Ayd(), r2);
    exams->modifiRasp = false;
    year->DelAllAydit(0, 1, 1);
    EXPECT_EQ(z->FAyd, nullptr);
    EXPECT_EQ(z->FDan.FAyd, 0);
    EXPECT_EQ(r1->NoDelete, 0);
    EXPECT_EQ(a->Ayd(), nullptr);
    EXPECT_EQ(later->FAyd, r2);
    EXPECT_TRUE(exams->modifiRasp);
}

// Catches the teacher's rooms missing a group or a credit record, or counted twice.
TEST_F(Rooms, RoomsOfATeacherAtOneMoment) {
    room("1");
    TAyd* r2 = room("2");
    TAyd* r3 = room("3");
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TGryp* g3 = group("Г-3");
    place(g1, subject(g1, {0}), 4, 3)[0]->SetAyd(r3);
    place(g2, subject(g2, {0}), 4, 3)[0]->SetAyd(r3);
    place(g3, subject(g3, {1}), 4, 3)[0]->SetAyd(r2);
    zachet(g3, 1, 4, 12 * 60 + 30, 60, r2, fios[3])->AddAsist(fios[0]);
    EXPECT_EQ(year->GetAydIndexForFio(0, fios[0]->N, 1, 4, 3), (std::vector<int>{1, 2}));
    EXPECT_EQ(year->GetAydIndexForFio(0, fios[2]->N, 1, 4, 3), std::vector<int>{});
    EXPECT_EQ(year->GetAydOfGryp(0, 0, 1, 4, 3), std::vector<TAyd*>{r3});
    EXPECT_EQ(year->GetGrypOfAyd(0, r3->N, 1, 4, 3), (std::vector<int>{0, 1}));
}

// Catches DelAllAydit reaching other layers, days or weeks, or lessons that
// a substitution replaces; and replaced lessons counted as using their room.
TEST_F(Rooms, ClearingADayAndReplacedLessons) {
    TAyd* r1 = room("1");
    TAyd* r2 = room("2");
    TGryp* gr = group("Г-1");
    TPredmet* pr = subject(gr, {0}, 6, 1);
    subject(gr, {0}, 6, 2);
    TYr* cleared = place(gr, pr, 1, 0)[0];
    TYr* otherLayer = place(gr, pr, 1, 0, 1, 1)[0];
    TYr* otherDay = place(gr, pr, 2, 0)[0];
    TYr* otherWeek = place(gr, gr->LPredmet[1].get(), 1, 0, 2)[0];
    for (TYr* yr : {cleared, otherLayer, otherDay, otherWeek}) yr->SetAyd(r1);
    // A replaced lesson keeps its room but does not occupy it.
    TYr* replaced = place(gr, pr, 1, 1)[0];
    TFioPredmet* fp = pr->GetLFio(1)[0].get();
    TYrokKorzina* zk = pr->AddPredmetNe(kSetkaZamena, 1, fp);
    ASSERT_NE(zk, nullptr);
    TYr* zm = gr->GetNed(1)->AddYrRas(0, 1, 1, zk, fp);
    static_cast<TZamena*>(zm)->SetFio(fios[2]);
    TNed::LinkZamena(zm, replaced);
    zm->SetAyd(r2);
    replaced->SetAyd(r1);  // as an older blob may hold it
    EXPECT_TRUE(year->CanRunAyd(0, r1->N, 1, 1, 1));
    EXPECT_FALSE(year->CanRunAyd(0, r2->N, 1, 1, 1));
    EXPECT_EQ(r1->NoDelete, 5);

    year->DelAllAydit(0, 1, 1);
    EXPECT_EQ(cleared->Ayd(), nullptr);
    EXPECT_EQ(zm->Ayd(), nullptr);
    EXPECT_EQ(replaced->Ayd(), r1);
    EXPECT_EQ(otherLayer->Ayd(), r1);
    EXPECT_EQ(otherDay->Ayd(), r1);
    EXPECT_EQ(otherWeek->Ayd(), r1);
    EXPECT_EQ(r1->NoDelete, 4);
    EXPECT_EQ(r2->NoDelete, 0);
    // Out-of-range moments change nothing and report every room free.
    year->DelAllAydit(0, 1, 7);
    year->RaspredAydDeyYrok(0, 1, 1, 12, false);
    EXPECT_EQ(otherDay->Ayd(), r1);
    EXPECT_TRUE(year->GetNoRunAyd(0, 0, 1, 0).empty());
}

// Catches occupancy lists built from the wrong layer, from replaced lessons,
// in the wrong building, or stale after a rebuild.
TEST_F(Rooms, OccupancyListsGroupsPerRoomAndPeriod) {
    TDom* annex = year->AddDom("Корпус 2");
    ASSERT_NE(annex, nullptr);
    TAyd* r1 = room("1");
    TAyd* a1 = room("A1", 0, annex);
    TAyd* r2 = room("2");
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TPredmet* p1 = subject(g1, {0});
    TPredmet* p2 = subject(g2, {1});
    place(g1, p1, 2, 3)[0]->SetAyd(r1);
    place(g2, p2, 2, 3)[0]->SetAyd(r1);
    place(g2, p2, 2, 5)[0]->SetAyd(a1);
    place(g1, p1, 2, 5, 1, 1)[0]->SetAyd(r2);  // preliminary layer: not shown

    TLAydAllDomNed all(*year, {3, 1});
    ASSERT_EQ(all.Ln.size(), 2u);
    EXPECT_EQ(all.CountLAydDom(1), 2);
    EXPECT_EQ(all.CountLAydDom(2), 0);
    TLAydAllDom& week1 = *all.Ln[1];
    EXPECT_EQ(week1.Ned, 1);
    ASSERT_EQ(week1.Li[0]->Dom(), main);
    ASSERT_EQ(week1.Li[0]->CountAydDom(), 2);
    ASSERT_EQ(week1.Li[1]->CountAydDom(), 1);
    TLGrypAydDey& room1 = *week1.Li[0]->Li[0];
    TLGrypAydDey& room2 = *week1.Li[0]->Li[1];
    TLGrypAydDey& annex1 = *week1.Li[1]->Li[0];
    EXPECT_EQ(room2.Ayd(), r2);
    EXPECT_EQ(room1.IndxNe(), 1);

    week1.GetAydDey(2);
    EXPECT_EQ(room1.GrypForYr(2, 3), "Г-1,Г-2");
    EXPECT_EQ(room1.CountGrypYr(2, 3), 2);
    EXPECT_EQ(room1.Yr(2, 4), nullptr);
    EXPECT_EQ(annex1.GrypForYr(2, 5), "Г-2");
    EXPECT_EQ(room2.CountGrypYr(2, 5), 0);
    // Another week in the list sees nothing of week 1.
    all.Ln[0]->GetAydDey(2);
    EXPECT_EQ(all.Ln[0]->Li[0]->Li[0]->CountGrypYr(2, 3), 0);

    g2->GetNed(1)->GetYrok(0, 2, 3)->LYr[0]->DeleteAyd();
    EXPECT_EQ(room1.CountGrypYr(2, 3), 2);  // until rebuilt
    week1.Li[0]->GetAydDey(2);
    EXPECT_EQ(room1.GrypForYr(2, 3), "Г-1");
    room1.DelAllGryp(2, 3);
    EXPECT_EQ(room1.GrypForYr(2, 3), "");
}

// Catches a teacher's period given a second room, a room noted from the wrong
// lesson, or rooms left on lessons after DelAyd.
TEST_F(Rooms, ATeachersRoomsPeriodByPeriod) {
    TAyd* r1 = room("1");
    TAyd* r2 = room("2");
    TGryp* g1 = group("Г-1");
    TGryp* g2 = group("Г-2");
    TYr* a = place(g1, subject(g1, {0}), 1, 2)[0];
    TYr* b = place(g2, subject(g2, {0}), 1, 2)[0];
    TYr* c = place(g1, g1->LPredmet[0].get(), 1, 4)[0];
    c->SetAyd(r2);

    TAllFioAyd all;
    TFioAyd* fa = all.AddFio(fios[0], 0);
    EXPECT_EQ(all.AddFio(fios[0], 0), fa);
    EXPECT_NE(all.AddFio(fios[0], 1), fa);
    fa->AddPg(a, 2);
    fa->AddPg(b, 2);
    fa->AddPg(c, 4);
    EXPECT_EQ(fa->CountPG(2), 2);
    EXPECT_EQ(fa->MAyd[4], r2);
    EXPECT_FALSE(fa->SetAyd(r1, 3));  // no lesson
    EXPECT_FALSE(fa->SetAyd(r1, 4));  // has a room
    ASSERT_TRUE(fa->SetAyd(r1, 2));
    EXPECT_EQ(a->Ayd(), r1);
    EXPECT_EQ(b->Ayd(), r1);
    EXPECT_FALSE(fa->SetAyd(r2, 2));
    fa->DelPg(2, 0);
    EXPECT_EQ(fa->CountPG(2), 1);
    EXPECT_EQ(fa->MAyd[2], r1);
    fa->DelAyd(2);
    EXPECT_EQ(b->Ayd(), nullptr);
    EXPECT_EQ(a->Ayd(), r1);  // no longer listed
    fa->DelPg(4, 0);
    EXPECT_EQ(fa->CountPG(4), 0);
    EXPECT_EQ(fa->MAyd[4], nullptr);
    all.ClearYrAllFio();
    EXPECT_EQ(fa->CountPG(2), 0);
    EXPECT_EQ(c->Ayd(), r2);
}

}  // namespace
}  // namespace zavlin
