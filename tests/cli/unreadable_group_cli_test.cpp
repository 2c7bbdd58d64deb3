// A year with one group whose stored timetable cannot be read, worked
// through zavlin-cli: the verbs name it, work on the other group, and never
// write over its stored bytes until year resave is told to.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "base/streams.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

using Result = testsupport::CliRun;

class UnreadableGroupCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        ASSERT_EQ(run("init").status, 0);
        ASSERT_EQ(run("year add 2016").status, 0);
        ASSERT_EQ(run("weeks activate 3").status, 0);
        TScriptedDialog dialog;
        TDM1 dm(home, dialog);
        TAllRasp year(dm);
        year.YGod = 2016;
        auto fio = std::make_unique<TFio>();
        fio->SetBigName("Иванов Иван Иванович");
        TFio* ivanov = year.AddFio(std::move(fio));
        TYrName* math = year.CreateYrName("Матем", "Математика");
        ASSERT_TRUE(year.AddYrName(math));
        for (const char* name : {"ИС-21", "ИС-22"}) {
            auto gr = std::make_unique<TGryp>(&year);
            gr->SetName(name);
            TGryp* g = year.AddGryp(std::move(gr));
            ASSERT_NE(g, nullptr);
            TNed* week = g->SetNed(3);
            TPredmet* pm = g->CreatePredmet(math);
            pm->AddFio(3, ivanov);
            TYrokKorzina* km = nullptr;
            for (int i = 0; i < 2; ++i) km = pm->AddPredmetNe(kSetkaPlan, 3);
            week->AddYrokRas(0, 1, 1, km);
        }
        ASSERT_TRUE(year.SaveRasp());
        badN = year.LGryp[0]->Dan.N;
        goodN = year.LGryp[1]->Dan.N;
        // Cut inside the subject's teacher assignment.
        damaged = year.LGryp[0]->WriteRasp();
        damaged.resize(2 + 18 + 9 + 15 + 3);
        ASSERT_TRUE(storeBlob(damaged));
    }

    Result run(const std::string& args) { return testsupport::runAtHome(ZAVLIN_CLI, args, home); }

    bool storeBlob(std::vector<uint8_t> bytes) {
        TScriptedDialog dialog;
        TDM1 dm(home, dialog);
        dm.AT1.SetTableName("YmGryp.b0");
        if (!dm.AT1.Open()) return false;
        dm.AT1.SetKey();
        dm.AT1.FieldByName("N")->setAsInteger(badN);
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

    std::vector<uint8_t> storedBlob(int n) {
        TScriptedDialog dialog;
        TDM1 dm(home, dialog);
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

    // Lessons of the timetable layer the good group holds in week 3.
    int goodLessons() {
        TScriptedDialog dialog;
        TDM1 dm(home, dialog);
        TAllRasp year(dm);
        year.YGod = 2016;
        if (!year.LoadYear()) return -1;
        const TGryp* gr = year.GrypNumer(goodN);
        const TNed* week = gr != nullptr ? gr->GetNed(3) : nullptr;
        int count = 0;
        for (int d = 1; week != nullptr && d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (const TYrok* yrok = week->GetYrok(0, d, y)) count += yrok->CountYr();
        return count;
    }

    static bool has(const Result& r, const std::string& text) {
        return r.out.find(text) != std::string::npos;
    }

    testsupport::ScratchHome scratch{"badgrp"};
    std::string home;
    int badN = 0;
    int goodN = 0;
    std::vector<uint8_t> damaged;
    const std::string leftOut = "left out: group ИС-21, its stored timetable could not be read";
};

// Catches verbs that refuse the whole year for one group, or that stay
// silent about the group they could not show.
TEST_F(UnreadableGroupCli, ShowingVerbsNameTheGroupAndWorkOnTheRest) {
    Result r = run("year show 2016");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "Ошибка при чтении Гр.ИС-21 предмет=0")) << r.out;
    EXPECT_FALSE(has(r, "Ошибка при чтении данных группы")) << r.out;
    EXPECT_TRUE(has(r, "ИС-21: unreadable timetable (cut short in subject 0), kept as stored"))
        << r.out;
    EXPECT_TRUE(has(r, "ИС-22: 1 subjects, 1 weeks, 1 lessons")) << r.out;

    r = run("timetable --teacher 'Иванов И.И.' --week 3 --year 2016");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, leftOut)) << r.out;
    EXPECT_TRUE(has(r, "ИС-22")) << r.out;
    r = run("timetable --group ИС-22 --week 3 --year 2016");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "Матем")) << r.out;
    r = run("timetable --group ИС-21 --week 3 --year 2016");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r, "the timetable of group ИС-21 could not be read")) << r.out;

    r = run("quality --week 3 --year 2016");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, leftOut)) << r.out;
    EXPECT_TRUE(has(r, "Неделя")) << r.out;
    EXPECT_EQ(storedBlob(badN), damaged);
}

// Catches a composition that takes the unreadable group in (even when named)
// or saves over its stored bytes.
TEST_F(UnreadableGroupCli, ComposeLeavesTheGroupOutAndComposesTheRest) {
    Result r = run("compose --all --yes");
    EXPECT_TRUE(has(r, leftOut)) << r.out;
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(storedBlob(badN), damaged);
    EXPECT_EQ(goodLessons(), 2);

    r = run("compose --mode recompose --groups ИС-21 --yes");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_TRUE(has(r, leftOut)) << r.out;
    r = run("compose-week --week 3 --year 2016");
    EXPECT_TRUE(has(r, leftOut)) << r.out;
    EXPECT_TRUE(has(r, "1 groups")) << r.out;
    EXPECT_EQ(storedBlob(badN), damaged);
}

// Catches a resave that writes over the damaged blob unasked, a repair
// without confirmation, and a repair that leaves the group unreadable.
TEST_F(UnreadableGroupCli, ResaveKeepsTheBlobUntilTheRepairIsConfirmed) {
    Result r = run("year resave 2016");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r, "ИС-21: left as stored")) << r.out;
    EXPECT_EQ(storedBlob(badN), damaged);

    r = run("year resave 2016 --drop-unreadable");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_TRUE(has(r, "not confirmed")) << r.out;
    EXPECT_EQ(storedBlob(badN), damaged);

    r = run("year resave 2016 --drop-unreadable --yes");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "ИС-21: written as an empty timetable")) << r.out;
    EXPECT_NE(storedBlob(badN), damaged);
    r = run("year show 2016");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_FALSE(has(r, "Ошибка")) << r.out;
    EXPECT_TRUE(has(r, "ИС-21: 0 subjects, 0 weeks")) << r.out;
    EXPECT_EQ(goodLessons(), 1);
    // Nothing left to drop: the flag changes nothing.
    EXPECT_EQ(run("year resave 2016 --drop-unreadable").status, 0);
}

}  // namespace
}  // namespace zavlin
