// Examination entries and credit records: periods a record reaches, what
// changing it releases, and teachers held by it.
#include "model/exam.h"

#include <gtest/gtest.h>

#include "year_fixture.h"

namespace zavlin {
namespace {

using Exams = testing_year::YearFixture;

TEST_F(Exams, ARecordReachesThePeriodsOfItsClockTimes) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0}, 1);
    TZachet* z = gr->CreateZachet(3);
    ASSERT_NE(dynamic_cast<TEkzamenZh*>(z), nullptr);
    EXPECT_EQ(z->NameOfTypes(), "Экзамен");
    EXPECT_EQ(year->Atribyt.AtrNumer(TAtribyt::kEkzamen)->NoDelete, 1);
    z->SetPredmet(pr);
    z->AddEkzam(fios[1]);
    z->AddAsist(fios[2]);
    z->SetNe(1);
    z->SetDay(3);
    z->SetStartTime(9 * 60);
    z->SetLengthTime(180);
    z->SetAyd(room);
    EXPECT_EQ(z->StartYrok(year->TaimYrok), 1);
    EXPECT_EQ(z->EndYrok(year->TaimYrok), 2);
    EXPECT_FALSE(z->RunYrok(0, year->TaimYrok));
    EXPECT_TRUE(z->RunYrok(1, year->TaimYrok));
    EXPECT_TRUE(z->RunYrok(2, year->TaimYrok));
    EXPECT_FALSE(z->RunYrok(3, year->TaimYrok));
    EXPECT_EQ(z->StartStr(), "09:00");
    EXPECT_EQ(z->LengthStr(), "3:00");
    EXPECT_EQ(z->Kh00(), 400);
    EXPECT_EQ(z->NamePredmet(), "Экзамен Матем");
    EXPECT_EQ(z->NameFio(), "Петров П.П. ас. Сидоров С.С.");
    EXPECT_EQ(z->Name(), "Экзамен Матем Петров П.П. ас. Сидоров С.С. ауд. 101");
    EXPECT_EQ(gr->ZachetStr(1, 3, 2), "Экзамен");
    EXPECT_EQ(gr->ZachetStr(1, 3, 3), "");

    // Both teachers are held then, whichever way the question is answered.
    for (int y = 0; y < 12; ++y)
        for (const TFio* fio : fios) {
            const bool held = (fio == fios[1] || fio == fios[2]) && (y == 1 || y == 2);
            EXPECT_EQ(year->TestAddFio(0, 0, fio->N, 1, 3, y), !held) << y;
            EXPECT_EQ(year->TestAddFioScan(0, 0, fio->N, 1, 3, y), !held) << y;
        }
    std::vector<TZachet*> found;
    year->ZachetNedDeyYrokFio(found, TAtribyt::kEkzamen, 1, 3, 1, fios[2]);
    EXPECT_EQ(found, std::vector<TZachet*>{z});
    EXPECT_EQ(year->FirsFioZachet(TAtribyt::kEkzamen, 1, fios[1]), z);
    EXPECT_EQ(year->FirsFioZachet(TAtribyt::kEkzamen, 1, fios[0]), nullptr);

    // Taken out of the week: no start, no room.
    EXPECT_EQ(room->NoDelete, 1);
    z->SetDay(0);
    EXPECT_EQ(z->StartTime(), 0);
    EXPECT_EQ(z->FAyd, nullptr);
    EXPECT_EQ(room->NoDelete, 0);
    EXPECT_TRUE(year->TestAddFio(0, 0, fios[1]->N, 1, 3, 1));
}

TEST_F(Exams, MinutesBecomeAcademicHours) {
    EXPECT_EQ(minutesToKh00(0, true), 0);
    EXPECT_EQ(minutesToKh00(45, true), 100);
    EXPECT_EQ(minutesToKh00(90, false), 200);
    EXPECT_EQ(minutesToKh00(100, false), 222);  // 2 h 10 min: 10/45 = 0.222
    EXPECT_EQ(minutesToKh00(100, true), 220);
    EXPECT_EQ(minutesToKh00(118, true), 260);  // 28/45 = 0.622 -> 0.62 -> 0.6
    EXPECT_EQ(minutesToKh00(30, true), 70);    // 0.66 rounds up to 0.7
}

TEST_F(Exams, EntriesAndRecordsGoWithTheirSubject) {
    TGryp* gr = group("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 1);
    TPredmet* phys = subject(gr, 1, {1}, 1);
    TEkzamen* e = gr->AddEkzamen(20, 2, TAtribyt::kKonsyltacia, 200, math, fios[0]);
    ASSERT_NE(e, nullptr);
    gr->AddEkzamen(20, 4, TAtribyt::kEkzamen, 400, phys, fios[1]);
    EXPECT_EQ(gr->GetENed(20)->CountEkzamen(), 2);
    EXPECT_EQ(math->LEkz, std::vector<TEkzamen*>{e});
    EXPECT_EQ(fios[0]->NoDelete, 2);  // assignment and entry

    TZachet* a = gr->CreateZachet(2);
    a->SetNe(20);
    a->SetPredmet(math);
    TZachet* b = gr->CreateZachet(1);
    b->SetNe(19);
    b->SetPredmet(phys);
    TZachet* c = gr->CreateZachet(1);
    c->SetNe(20);
    c->SetPredmet(phys);
    gr->SortZachet();
    EXPECT_EQ(gr->LZachet[0].get(), b);
    EXPECT_EQ(gr->LZachet[1].get(), c);
    EXPECT_EQ(gr->LZachet[2].get(), a);

    ASSERT_TRUE(gr->DelPredmet(gr->GetIndexPredmet(math), false));
    EXPECT_EQ(gr->GetENed(20)->CountEkzamen(), 1);
    EXPECT_EQ(gr->CountZachet(), 2);
    EXPECT_EQ(fios[0]->NoDelete, 0);
    gr->DelEkzamen(20, 4, 0);
    EXPECT_EQ(gr->GetENed(20), nullptr);
    EXPECT_TRUE(gr->LENed.empty());
}

}  // namespace
}  // namespace zavlin
