// A scratch year database with a year of four teachers, three subject names
// and one room, and helpers to add groups and subjects to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace zavlin::testing_year {

namespace fs = std::filesystem;

struct ProgressLog : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

inline std::vector<uint8_t> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class YearFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        dm = std::make_unique<TDM1>(home, dialog);
        dm->Hooks.ProgressObserver = &progress;
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
        TDom* dom = year->AddDom("Главный");
        ASSERT_NE(dom, nullptr);
        room = year->AddAyd(dom, "101");
        ASSERT_NE(room, nullptr);
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }

    TGryp* group(const std::string& name) {
        auto gr = std::make_unique<TGryp>(year.get());
        gr->SetName(name);
        TGryp* added = year->AddGryp(std::move(gr));
        EXPECT_NE(added, nullptr);
        return added;
    }

    TFio* teacher(const std::string& bigName) {
        auto fio = std::make_unique<TFio>();
        fio->SetBigName(bigName);
        TFio* added = year->AddFio(std::move(fio));
        EXPECT_NE(added, nullptr);
        return added;
    }

    // A subject with the given teachers in week ne and ky lessons of plan load.
    TPredmet* subject(TGryp* gr, int name, std::vector<int> teachers, int ky, int ne = 1) {
        gr->SetNed(ne);
        TPredmet* pr = gr->CreatePredmet(names[static_cast<std::size_t>(name)]);
        for (int t : teachers) pr->AddFio(ne, fios[static_cast<std::size_t>(t)]);
        for (int i = 0; i < ky; ++i) pr->AddPredmetNe(kSetkaPlan, ne);
        return pr;
    }

    TYrokKorzina* item(TGryp* gr, TPredmet* pr, int ne = 1) {
        return gr->GetNed(ne)->FindYrokKorzina(kSetkaPlan, pr);
    }

    testsupport::ScratchHome scratch{"rasp"};
    std::string home;
    TScriptedDialog dialog;
    ProgressLog progress;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    std::vector<TFio*> fios;
    std::vector<TYrName*> names;
    TAyd* room = nullptr;
};

}  // namespace zavlin::testing_year
