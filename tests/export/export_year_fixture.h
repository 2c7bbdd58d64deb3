// A tiny year for the XML forms: groups Г-1 and Г-2 learn mathematics with
// Иванов in week 1 (the only active week) in a union; Г-1's Monday lesson is
// replaced by physics with Петров in room 101 and it has an examination on
// Thursday; Г-3 has no week 1.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace zavlin::testing_export {

class TinyYear : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        dm = std::make_unique<TDM1>(home, dialog);
        year = std::make_unique<TAllRasp>(*dm);
        year->YGod = 2016;
        year->AllNed.SetDataGod(2016, false);
        year->AllNed.DNed(1)->Activ = true;
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }

    TFio* teacher(const char* name) {
        auto fio = std::make_unique<TFio>();
        fio->SetBigName(name);
        TFio* added = year->AddFio(std::move(fio));
        EXPECT_NE(added, nullptr);
        return added;
    }
    TGryp* group(const char* name) {
        auto gr = std::make_unique<TGryp>(year.get());
        gr->SetName(name);
        TGryp* added = year->AddGryp(std::move(gr));
        EXPECT_NE(added, nullptr);
        return added;
    }

    void build() {
        TFio* ivanov = teacher("Иванов Иван Иванович");
        TFio* petrov = teacher("Петров Пётр Петрович");
        TYrName* math = year->CreateYrName("Матем", "Математика");
        TYrName* phys = year->CreateYrName("Физика", "Физика");
        ASSERT_TRUE(year->AddYrName(math));
        ASSERT_TRUE(year->AddYrName(phys));
        TDom* dom = year->AddDom("Главный");
        room = year->AddAyd(dom, "101");
        ASSERT_NE(room, nullptr);

        TGryp* g1 = group("Г-1");
        TGryp* g2 = group("Г-2");
        group("Г-3");
        std::vector<TFioPredmet*> members;
        for (TGryp* gr : {g1, g2}) {
            TNed* week = gr->SetNed(1);
            TPredmet* pr = gr->CreatePredmet(math);
            TFioPredmet* fp = pr->AddFio(1, ivanov);
            pr->AddPredmetNe(kSetkaPlan, 1);
            pr->AddPredmetNe(kSetkaPlan, 1);
            TYrokKorzina* item = week->FindYrokKorzina(kSetkaPlan, pr);
            ASSERT_NE(week->AddYrRas(0, 2, 1, item, fp), nullptr);
            ASSERT_NE(week->AddYrRas(0, gr == g1 ? 1 : 3, 0, item, fp), nullptr);
            members.push_back(fp);
        }
        auto ob = std::make_unique<TOb>(1, 0);
        ob->LFioPredmet = members;
        ASSERT_EQ(year->AddOb(std::move(ob), true), 0);

        TPredmet* physics = g1->CreatePredmet(phys);
        TFioPredmet* pfp = physics->AddFio(1, petrov);
        TYrokKorzina* zk = physics->AddPredmetNe(kSetkaZamena, 1, pfp);
        TYrok* monday = g1->GetNed(1)->GetYrok(0, 1, 0);
        ASSERT_NE(monday->AddZamena(monday->LYr[0], zk, room, petrov, pfp), nullptr);
        ASSERT_NE(g1->AddEkzamen(1, 4, TAtribyt::kEkzamen, 400, g1->LPredmet[0].get(), ivanov),
                  nullptr);
    }

    testsupport::ScratchHome scratch{"xmlforms"};
    std::string home;
    TScriptedDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    TAyd* room = nullptr;
};

}  // namespace zavlin::testing_export
