// The composition verbs on a small year: what they print about a lesson
// that found no place.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/my_dialog.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

using Result = testsupport::CliRun;

// One group studying on Monday only, with a teacher who never works.
class ComposeCli : public ::testing::Test {
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
        for (auto& day : fio->Dan.Op) day.fill(0);
        TFio* ivanov = year.AddFio(std::move(fio));
        ASSERT_NE(ivanov, nullptr);
        TYrName* math = year.CreateYrName("Матем", "Математика");
        ASSERT_TRUE(year.AddYrName(math));
        auto gr = std::make_unique<TGryp>(&year);
        gr->SetName("ИС-21");
        TGryp* g = year.AddGryp(std::move(gr));
        ASSERT_NE(g, nullptr);
        g->SetNed(3)->SetYhDey(1u << 1);
        TPredmet* pm = g->CreatePredmet(math);
        pm->AddFio(3, ivanov);
        pm->AddPredmetNe(kSetkaPlan, 3);
        ASSERT_TRUE(year.SaveRasp());
    }

    Result run(const std::string& args) { return testsupport::runAtHome(ZAVLIN_CLI, args, home); }

    testsupport::ScratchHome scratch{"composecli"};
    std::string home;
};

// The explanation block, right under the lesson it explains.
std::string explanation(const std::string& week) {
    return "not placed: ИС-21 Матем Иванов И.И.\n"
           "Гр.ИС-21 Матем Иванов И.И.: нет места (неделя " +
           week +
           ")\n"
           "  Пн 0,5-11: вне окна группы\n"
           "  Пн 1-4: преподаватель Иванов И.И. не работает в это время\n"
           "  Вт-Сб: день не учебный\n";
}

// Catches either verb dropping the explanation, printing it away from the
// lesson, or printing it for placed lessons.
TEST_F(ComposeCli, BothVerbsExplainTheLessonLeftWithoutAPlace) {
    Result r = run("compose-week --week 3 --year 2016");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(explanation("3")), std::string::npos) << r.out;

    r = run("compose --all --yes --year 2016");
    EXPECT_NE(r.out.find(explanation("3")), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("нет места"), r.out.rfind("нет места")) << "explained once: " << r.out;
}

}  // namespace
}  // namespace zavlin
