// zavlin-cli timetable over a year built through the model.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "base/my_dialog.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

using Result = testsupport::CliRun;

class TimetableCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        TScriptedDialog dialog;
        TDM1 dm(home, dialog);
        TAllRasp year(dm);
        year.YGod = 2016;
        auto teacher = [&](const char* name) {
            auto fio = std::make_unique<TFio>();
            fio->SetBigName(name);
            return year.AddFio(std::move(fio));
        };
        TFio* ivanov = teacher("Иванов Иван Иванович");
        TFio* petrov = teacher("Петров Пётр Петрович");
        TYrName* math = year.CreateYrName("Матем", "Математика");
        TYrName* phys = year.CreateYrName("Физика", "");
        ASSERT_TRUE(year.AddYrName(math) && year.AddYrName(phys));
        TAyd* room = year.AddAyd(year.AddDom("Главный"), "214");
        auto gr = std::make_unique<TGryp>(&year);
        gr->SetName("ИС-21");
        TGryp* g = year.AddGryp(std::move(gr));
        ASSERT_NE(g, nullptr);
        TNed* week = g->SetNed(3);
        TPredmet* pm = g->CreatePredmet(math);
        TPredmet* pp = g->CreatePredmet(phys);
        pm->AddFio(3, ivanov);
        pp->AddFio(3, petrov);
        TYrokKorzina* km = nullptr;
        for (int i = 0; i < 2; ++i) km = pm->AddPredmetNe(kSetkaPlan, 3);
        TYrokKorzina* kp = pp->AddPredmetNe(kSetkaPlan, 3);
        week->AddYrokRas(0, 1, 1, km);
        week->AddYrokRas(0, 3, 2, km);
        week->AddYrokRas(0, 2, 4, kp);
        week->AddYrokRas(1, 5, 0, kp);
        week->GetYrok(0, 1, 1)->LYr[0]->SetAyd(room);
        week->GetYrok(0, 3, 2)->AddOtmena();
        ASSERT_TRUE(year.SaveRasp());
    }

    Result run(const std::string& args) { return testsupport::runAtHome(ZAVLIN_CLI, args, home); }

    testsupport::ScratchHome scratch{"ttcli"};
    std::string home;
};

TEST_F(TimetableCli, AGroupsWeekAsAGrid) {
    const Result r = run("timetable --group ИС-21 --week 3 --year 2016");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Группа ИС-21, неделя 3"), std::string::npos);
    EXPECT_NE(r.out.find("Матем"), std::string::npos);
    EXPECT_NE(r.out.find("Иванов И.И. ауд.214"), std::string::npos);
    EXPECT_NE(r.out.find("-отмена Матем"), std::string::npos);
    EXPECT_NE(r.out.find("Физика"), std::string::npos);
    // The pinned layer holds only Friday's physics.
    const Result pinned = run("timetable --group ИС-21 --week 3 --year 2016 --layer pinned");
    ASSERT_EQ(pinned.status, 0);
    EXPECT_EQ(pinned.out.find("Матем"), std::string::npos);
    EXPECT_NE(pinned.out.find("Физика"), std::string::npos);
}

TEST_F(TimetableCli, ATeachersWeekNamesTheGroups) {
    const Result r = run("timetable --teacher 'Петров П.П.' --week 3 --year 2016");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Преподаватель Петров Пётр Петрович"), std::string::npos);
    EXPECT_NE(r.out.find("ИС-21"), std::string::npos);
    EXPECT_EQ(r.out.find("Матем"), std::string::npos);
}

TEST_F(TimetableCli, UnknownNamesAndMissingChoicesAreRefused) {
    EXPECT_EQ(run("timetable --group НЕТ --week 3 --year 2016").status, 1);
    EXPECT_EQ(run("timetable --week 3 --year 2016").status, 2);
    EXPECT_EQ(run("timetable --group ИС-21 --week 77 --year 2016").status, 2);
}

}  // namespace
}  // namespace zavlin
