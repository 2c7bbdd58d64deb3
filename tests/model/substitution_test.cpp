// Substitutions and cancellations over a placed timetable: what they replace,
// what removing and moving them gives back, and the day's lists of changes.
#include "model/substitution.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <utility>

#include "model/exchange_search.h"
#include "year_fixture.h"

namespace zavlin {
namespace {

using Substitution = testing_year::YearFixture;
namespace fs = std::filesystem;

TEST_F(Substitution, CancellingAPeriodOfSubgroupsAndTakingItBack) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0, 1}, 1);
    TNed* week = gr->GetNed(1);
    week->AddYrokRas(0, 2, 3, item(gr, pr));
    TYrok* cell = week->GetYrok(0, 2, 3);
    ASSERT_EQ(cell->CountYr(), 2);
    cell->LYr[0]->SetAyd(room);

    TZamena* otm = cell->AddOtmena();
    ASSERT_NE(otm, nullptr);
    EXPECT_TRUE(otm->SetOtmenaYes());
    EXPECT_EQ(cell->LYr[0]->Dan.Zm, kZmReplaced);
    EXPECT_EQ(cell->LYr[1]->Dan.Zm, kZmReplaced);
    EXPECT_EQ(cell->LYr[0]->Ayd(), nullptr);  // a replaced lesson frees its room
    EXPECT_EQ(cell->CountPGr(), 1);
    EXPECT_TRUE(cell->OtmenaYr());
    // The teachers are free for other groups while cancelled.
    EXPECT_TRUE(year->TestAddFio(0, 0, fios[0]->N, 1, 2, 3));

    // Meanwhile Иванов took a lesson elsewhere: the cancellation must stay.
    TGryp* other = group("ИС-12");
    TPredmet* po = subject(other, 1, {0}, 1);
    other->GetNed(1)->AddYrokRas(0, 2, 3, item(other, po));
    EXPECT_FALSE(cell->TestDeleteZamena(true));
    ASSERT_FALSE(dialog.shown.empty());
    EXPECT_EQ(dialog.shown.back(),
              "Невозможно удалить установленную замену,\r\nзамененный преподаватель Иванов И.И. "
              "занят в другой группе ИС-12");

    other->GetNed(1)->DelYrokRasp(0, 2, 3, false);
    EXPECT_TRUE(cell->TestDeleteZamena(true));
    week->Dey(2)->DelZamena(otm);
    EXPECT_EQ(cell->CountZam(), 0);
    EXPECT_EQ(cell->LYr[0]->Dan.Zm, kZmNone);
    EXPECT_EQ(cell->LYr[1]->Dan.Zm, kZmNone);
    EXPECT_EQ(cell->CountPGr(), 2);
}

TEST_F(Substitution, TheDayListShowsChangesButNotAMereRoomChange) {
    TGryp* gr = group("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 2);
    TPredmet* phys = subject(gr, 1, {1}, 1);
    TNed* week = gr->GetNed(1);
    week->AddYrokRas(0, 1, 0, item(gr, math));
    week->AddYrokRas(0, 1, 1, item(gr, math));
    week->AddYrokRas(0, 1, 2, item(gr, phys));

    // Period 0: the same lesson in another room.
    TYr* first = week->GetYrok(0, 1, 0)->LYr[0];
    TZamena* moved = week->GetYrok(0, 1, 0)->AddZamenaForYr(first);
    ASSERT_NE(moved, nullptr);
    moved->SetAyd(room);
    // Period 1: physics by Петров instead of mathematics.
    TYrok* p1 = week->GetYrok(0, 1, 1);
    TFioPredmet* petrov = phys->GetLFio(1)[0].get();
    TYrokKorzina* zk = phys->AddPredmetNe(kSetkaZamena, 1, petrov);
    p1->AddZamena(zk, petrov, nullptr);
    // Period 2 cancelled; period 5 gets an extra lesson.
    week->GetYrok(0, 1, 2)->AddOtmena();
    week->Dey(1)->CreateYrok(0, 5)->AddZamena(phys->AddPredmetNe(kSetkaZamena, 1, petrov), petrov,
                                              nullptr);

    TSZamenaGryp list(gr, 1, 1, true, true);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Li[0].NYr, 1);
    EXPECT_EQ(list.Li[0].YrName1, "Матем");
    EXPECT_EQ(list.Li[0].FioName1, "Иванов И.И.");
    EXPECT_EQ(list.Li[0].YrName2, "Физика");
    EXPECT_EQ(list.Li[0].FioName2, "Петров П.П.");
    EXPECT_EQ(list.Li[1].NYr, 2);
    EXPECT_EQ(list.Li[1].YrName2, "Предмет");
    EXPECT_EQ(list.Li[1].FioName2, "отменен");
    EXPECT_EQ(list.Li[2].NYr, 5);
    EXPECT_EQ(list.Li[2].YrName1, "Назначен");
    EXPECT_EQ(list.Li[2].FioName1, "дополнительно");
    EXPECT_EQ(list.Li[2].FioName2, "Петров П.П.");
    TSZamenaGryp full(gr, 1, 1, true, false);
    EXPECT_EQ(full.Li[0].FioName1, "Иванов Иван Иванович");

    // All of it survives the blob.
    TGryp* copy = group("ИС-12");
    ASSERT_TRUE(copy->AssignRasp(*gr));
    TSZamenaGryp again(copy, 1, 1, true, true);
    ASSERT_EQ(again.Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(again.Li[i], list.Li[i]) << i;
}

TEST_F(Substitution, MovingToAnotherWeekNeedsTheSameTeachers) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0, 1}, 1, 1);
    gr->SetNed(2);
    pr->AddFio(2, fios[0]);
    pr->AddPredmetNe(kSetkaPlan, 2);
    gr->GetNed(1)->AddYrokRas(0, 1, 1, item(gr, pr, 1));
    gr->GetNed(2)->AddYrokRas(0, 3, 4, item(gr, pr, 2));
    TFioPredmet* ivanov1 = pr->GetLFio(1)[0].get();
    TYr* lesson1 = gr->GetNed(1)->GetYrok(0, 1, 1)->LYr[0];
    TZamena* zm = gr->GetNed(1)->GetYrok(0, 1, 1)->AddZamenaForYr(lesson1);
    ASSERT_NE(zm, nullptr);
    EXPECT_EQ(pr->CountMaxZmKorzina(1), 1);
    TYr* target = gr->GetNed(2)->GetYrok(0, 3, 4)->LYr[0];
    const std::vector<uint8_t> before = gr->WriteRasp();

    EXPECT_FALSE(gr->GetNed(1)->MoveZamenaRasp(zm, target));
    EXPECT_EQ(dialog.shown.back(),
              "Ошибка. На неделе N2(вы туда переносите) количество преподавателей по предмету "
              "Матем не равно количеству на неделе N1\n Установите одинаковое количество "
              "преподавателей");
    EXPECT_EQ(gr->WriteRasp(), before);

    // Same count, other order: the order message.
    pr->AddFio(2, fios[1]);
    std::swap(pr->GetLFio(2)[0], pr->GetLFio(2)[1]);
    EXPECT_FALSE(gr->GetNed(1)->MoveZamenaRasp(zm, target));
    EXPECT_EQ(dialog.shown.back(),
              "Ошибка. На неделе N2(вы туда переносите) у переносимой группы преподаватель "
              "Петров П.П., а неделе N1 Иванов И.И.\nУстановите одинаковый порядок "
              "преподавателей");

    std::swap(pr->GetLFio(2)[0], pr->GetLFio(2)[1]);
    ASSERT_TRUE(gr->GetNed(1)->MoveZamenaRasp(zm, target));
    EXPECT_EQ(lesson1->Dan.Zm, kZmNone);
    EXPECT_EQ(target->Dan.Zm, kZmReplaced);
    EXPECT_EQ(gr->GetNed(1)->FindYrokKorzina(kSetkaZamena, pr), nullptr);  // its grant went
    EXPECT_EQ(pr->CountMaxZmKorzina(2), 1);
    EXPECT_EQ(ivanov1->CountZm(), 0);
    EXPECT_EQ(pr->GetLFio(2)[0]->CountZm(), 1);
}

TEST_F(Substitution, GrantsPerTeacherFollowTheSubstitutions) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0, 1}, 2);
    TNed* week = gr->GetNed(1);
    week->AddYrokRas(0, 1, 1, item(gr, pr));
    TYrok* cell = week->GetYrok(0, 1, 1);
    // Both subgroups substituted in one period: one grant for each teacher.
    TYrokKorzina* zk = pr->AddPredmetNe(kSetkaZamena, 1);
    ASSERT_NE(zk, nullptr);
    cell->AddZamenaForYrokKorzina(zk);
    ASSERT_EQ(cell->CountZam(), 2);
    auto* zmk = static_cast<TYrokKorzinaZamena*>(zk);
    EXPECT_EQ(zmk->CountAllYr(), 2);
    EXPECT_EQ(pr->CountZmKorzinaToStr(1), "1/1");
    // No room left for a third.
    cell->AddZamenaForYrokKorzina(zk);
    EXPECT_EQ(cell->CountZam(), 2);

    // Removing one leaves the subgroups unequal: the grant stays; the second
    // makes them equal again and the grant goes with the item.
    week->Dey(1)->DelZamena(cell->LZm[0]);
    EXPECT_EQ(zmk->CountAllYr(), 2);
    week->Dey(1)->DelZamena(cell->LZm[0]);
    EXPECT_EQ(week->FindYrokKorzina(kSetkaZamena, pr), nullptr);
    EXPECT_EQ(cell->CountPGr(), 2);

    // Lowering a teacher's count to nothing removes the item too.
    TFioPredmet* ivanov = pr->GetLFio(1)[0].get();
    TYrokKorzina* again = pr->AddPredmetNe(kSetkaZamena, 1, ivanov);
    EXPECT_EQ(again->Dan.ky, 1);
    EXPECT_EQ(pr->CountPredmetNe(kSetkaZamena, 1, ivanov), 1);
    ASSERT_TRUE(pr->DelPredmetNe(kSetkaZamena, 1, false, ivanov));
    EXPECT_EQ(week->CountLYrokKorzina(kSetkaZamena), 0);
}

TEST_F(Substitution, MovingWithinTheWeekReplacesWhatIsThere) {
    TGryp* gr = group("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 1);
    TPredmet* chem = subject(gr, 2, {2}, 1);
    TNed* week = gr->GetNed(1);
    week->AddYrokRas(0, 1, 0, item(gr, math));
    week->AddYrokRas(0, 4, 2, item(gr, chem));
    TZamena* zm = week->GetYrok(0, 1, 0)->AddZamenaForYr(week->GetYrok(0, 1, 0)->LYr[0]);
    ASSERT_TRUE(week->MoveZamenaRasp(zm, 4, 2));
    EXPECT_EQ(week->GetYrok(0, 1, 0)->LYr[0]->Dan.Zm, kZmNone);
    EXPECT_EQ(week->GetYrok(0, 4, 2)->LYr[0]->Dan.Zm, kZmReplaced);
    EXPECT_EQ(zm->De(), 4);
    EXPECT_EQ(zm->Y(), 2);
    // Into an empty period it replaces nothing: an additional lesson.
    ASSERT_TRUE(week->MoveZamenaRasp(zm, 6, 7));
    EXPECT_EQ(week->GetYrok(0, 4, 2)->LYr[0]->Dan.Zm, kZmNone);
    EXPECT_TRUE(zm->LZm.empty());
    TSZamenaGryp list(gr, 1, 6, true, true);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Li[0].YrName1, "Назначен");
}

TEST_F(Substitution, DifferencesFromTheBaseWeek) {
    TGryp* gr = group("ИС-11");
    TPredmet* math = subject(gr, 0, {0}, 2, 1);
    TPredmet* phys = subject(gr, 1, {1}, 1, 1);
    for (TPredmet* pr : {math, phys}) {
        gr->SetNed(2);
        pr->AddFio(2, pr->GetLFio(1)[0]->Fio());
        pr->AddPredmetNe(kSetkaPlan, 2);
    }
    gr->GetNed(2)->Dan.NeSinx = 1;
    gr->GetNed(1)->AddYrokRas(0, 1, 0, item(gr, math, 1));
    gr->GetNed(1)->AddYrokRas(0, 1, 1, item(gr, phys, 1));
    gr->GetNed(2)->AddYrokRas(0, 1, 0, item(gr, math, 2));  // the same
    gr->GetNed(2)->AddYrokRas(0, 1, 2, item(gr, phys, 2));  // moved from 1 to 2

    TOZamenaGryp diff(gr, 2, 1, true, true);
    ASSERT_EQ(diff.Count(), 2);
    EXPECT_EQ(diff.Li[0].NYr, 1);
    EXPECT_EQ(diff.Li[0].YrName1, "Физика");
    EXPECT_EQ(diff.Li[0].YrName2, "Предмет");
    EXPECT_EQ(diff.Li[0].FioName2, "отменен");
    EXPECT_EQ(diff.Li[1].NYr, 2);
    EXPECT_EQ(diff.Li[1].YrName1, "Назначен");
    EXPECT_EQ(diff.Li[1].YrName2, "Физика");
    // Without a base week there is nothing to compare.
    gr->GetNed(2)->Dan.NeSinx = 0;
    EXPECT_EQ(TOZamenaGryp(gr, 2, 1, true, true).Count(), 0);
}

TEST_F(Substitution, AYearWithSubstitutionsSavesAndLoadsUnchanged) {
    TGryp* gr = group("ИС-11");
    TPredmet* pr = subject(gr, 0, {0, 1}, 2);
    TPredmet* phys = subject(gr, 1, {2}, 1);
    TNed* week = gr->GetNed(1);
    week->AddYrokRas(0, 1, 1, item(gr, pr));
    week->AddYrokRas(0, 2, 1, item(gr, pr));
    week->AddYrokRas(0, 3, 0, item(gr, phys));
    week->GetYrok(0, 1, 1)->AddOtmena(week->GetYrok(0, 1, 1)->LYr[1]);
    TZamena* zm = week->GetYrok(0, 2, 1)->AddZamenaForYr(week->GetYrok(0, 2, 1)->LYr[0]);
    zm->SetFio(fios[3]);
    zm->SetAyd(room);
    week->GetYrok(0, 3, 0)->AddOtmena();
    gr->AddEkzamen(20, 2, TAtribyt::kEkzamen, 400, phys, fios[2]);
    TZachet* credit = gr->CreateZachet(2);
    credit->SetPredmet(pr);
    credit->SetNe(21);
    credit->SetDay(4);
    credit->SetStartTime(10 * 60);
    credit->SetLengthTime(90);
    credit->AddEkzam(fios[0]);
    credit->AddAsist(fios[1]);
    ASSERT_TRUE(year->SaveRasp());
    const std::vector<uint8_t> blob = gr->WriteRasp();
    const auto groupsFile = testing_year::fileBytes(fs::path(dm->DB.PathF) / "YmGryp.b0");

    TAllRasp fresh(*dm);
    fresh.YGod = 2016;
    ASSERT_TRUE(fresh.LoadYear());
    TGryp* back = fresh.LGryp[0].get();
    EXPECT_EQ(back->WriteRasp(), blob);
    TSZamenaGryp a(gr, 1, 2, true, true);
    TSZamenaGryp b(back, 1, 2, true, true);
    ASSERT_EQ(b.Count(), 1);
    EXPECT_EQ(b.Li[0].FioName2, "Козлов К.К.");
    EXPECT_EQ(b.Li[0].Ayd()->Name(), "101");
    EXPECT_EQ(back->GetNed(1)->GetYrok(0, 1, 1)->CountPGr(), 2);
    EXPECT_EQ(back->GetNed(1)->GetYrok(0, 3, 0)->CountPGr(), 1);
    EXPECT_EQ(fresh.FioNumer(fios[3]->N)->NoDelete, 1);
    ASSERT_NE(back->GetENed(20), nullptr);
    EXPECT_EQ(back->GetENed(20)->mDey[2]->LEkz[0]->Predmet->Name(), "Физика");
    ASSERT_EQ(back->CountZachet(), 1);
    EXPECT_EQ(back->LZachet[0]->NameFio(), "Иванов И.И. ас. Петров П.П.");
    EXPECT_EQ(back->LZachet[0]->StartStr(), "10:00");

    // Saved again from what was loaded, the table is the same file.
    back->modifiRasp = true;
    ASSERT_TRUE(fresh.SaveRasp());
    EXPECT_EQ(testing_year::fileBytes(fs::path(dm->DB.PathF) / "YmGryp.b0"), groupsFile);
}

TEST_F(Substitution, ASearchFindsAnExchangeThatFreesThePeriod) {
    TGryp* a = group("А-1");
    TGryp* b = group("Б-1");
    TPredmet* wanted = subject(a, 0, {0}, 1);  // Иванов, busy in Б-1 at Monday 2
    TPredmet* physB = subject(b, 1, {0}, 1);
    TPredmet* chemB = subject(b, 2, {2}, 1);
    b->GetNed(1)->AddYrokRas(0, 1, 2, item(b, physB));
    b->GetNed(1)->AddYrokRas(0, 1, 1, item(b, chemB));
    ASSERT_FALSE(year->TestAddFio(0, 0, fios[0]->N, 1, 1, 2));

    struct Heard : TDifZamenaObserver {
        void DifZamenaFound(const TDifZamenaYrok& found) override {
            texts.push_back(found.GetStrYrok());
        }
        void DifZamenaProgress(int pos, int max) override {
            EXPECT_EQ(max, 1);
            steps = pos;
        }
        std::vector<std::string> texts;
        int steps = 0;
    } heard;
    TDifZamena search(*year, a, 1, 1, 2, &heard);
    search.Start();
    search.Wait();
    EXPECT_FALSE(search.StartOk());
    EXPECT_EQ(heard.steps, 1);
    ASSERT_EQ(heard.texts.size(), 1u);
    EXPECT_EQ(heard.texts[0], "Матем Иванов И.И.( Гр.Б-1 Физика с2 на1, Гр.Б-1 Химия с1 на2)");
    std::vector<TDifZamenaYrok> found = search.Found();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Predmet, wanted);

    // Applied, it shows as substitutions of Б-1 and Иванов is free at the slot.
    found[0].Move();
    EXPECT_TRUE(year->TestAddFio(0, 0, fios[0]->N, 1, 1, 2));
    EXPECT_FALSE(year->TestAddFio(0, 0, fios[0]->N, 1, 1, 1));
    TSZamenaGryp list(b, 1, 1, true, true);
    EXPECT_EQ(list.Count(), 2);

    // Stopped at once, a search of many subjects ends without finishing.
    for (int i = 0; i < 40; ++i) subject(a, 1, {3}, 1);
    TDifZamena stopped(*year, a, 1, 1, 2);
    stopped.Start();
    stopped.Stop();
    EXPECT_TRUE(stopped.StopYes());
    EXPECT_FALSE(stopped.StartOk());
}

// Catches: an exchange reported before the list holds it (the window would
// ask for it and not find it), the list's lock held across the report (a
// window reading Found() from its thread would hang the search), and the
// search not counting as running while it reports.
TEST_F(Substitution, FoundExchangesCanBeReadFromAnotherThreadWhileTheSearchReports) {
    TGryp* a = group("А-1");
    TGryp* b = group("Б-1");
    subject(a, 0, {0}, 1);
    TPredmet* physB = subject(b, 1, {0}, 1);
    TPredmet* chemB = subject(b, 2, {2}, 1);
    b->GetNed(1)->AddYrokRas(0, 1, 2, item(b, physB));
    b->GetNed(1)->AddYrokRas(0, 1, 1, item(b, chemB));

    // The search waits in its report until the test thread has looked.
    struct Gate : TDifZamenaObserver {
        std::mutex m;
        std::condition_variable cv;
        std::string text;
        bool reported = false;
        bool looked = false;
        std::vector<std::pair<int, int>> progress;
        void DifZamenaFound(const TDifZamenaYrok& found) override {
            std::unique_lock<std::mutex> lock(m);
            text = found.GetStrYrok();
            reported = true;
            cv.notify_all();
            cv.wait(lock, [&] { return looked; });
        }
        void DifZamenaProgress(int pos, int count) override { progress.emplace_back(pos, count); }
    } gate;
    TDifZamena search(*year, a, 1, 1, 2, &gate);
    search.Start();
    std::vector<TDifZamenaYrok> during;
    int counted = 0;
    bool running = false;
    {
        std::unique_lock<std::mutex> lock(gate.m);
        gate.cv.wait(lock, [&] { return gate.reported; });
        during = search.Found();
        counted = search.CountFound();
        running = search.StartOk();
        gate.looked = true;
        gate.cv.notify_all();
    }
    search.Wait();
    EXPECT_TRUE(running);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(counted, 1);
    EXPECT_EQ(during[0].GetStrYrok(), gate.text);
    EXPECT_EQ(gate.progress, (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_FALSE(search.StartOk());
    const std::vector<TDifZamenaYrok> after = search.Found();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].GetStrYrok(), gate.text);

    // A second run starts from an empty list.
    search.Start();
    search.Wait();
    EXPECT_EQ(search.CountFound(), 1);
}

}  // namespace
}  // namespace zavlin
