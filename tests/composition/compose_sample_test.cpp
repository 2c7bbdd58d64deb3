// Whole weeks of the sample colleges composed from scratch and judged by the
// tests' own judge, which reads nothing but the timetable's cells and the
// rules stored in the year.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/my_dialog.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"
#include "support/timetable_judge.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using demo::SampleSize;

std::string where(const TGryp* gr, int d, int y) {
    return gr->Name() + " " + shortDayName(d) + "/" + std::to_string(y);
}

int weekLoad(const TAllRasp& year, int ne) {
    int load = 0;
    for (const auto& gr : year.LGryp)
        if (gr->GetNed(ne) != nullptr)
            for (const auto& pr : gr->LPredmet)
                for (const auto& fp : pr->GetLFio(ne))
                    load += pr->CountPredmetNe(kSetkaPlan, ne, fp.get());
    return load;
}

using Pinned = std::tuple<const TGryp*, int, int, const TFio*, const TPredmet*>;

std::vector<Pinned> layerLessons(const TAllRasp& year, int ne, int tip) {
    std::vector<Pinned> out;
    for (const auto& gr : year.LGryp)
        if (const TNed* week = gr->GetNed(ne))
            for (int d = 1; d <= 6; ++d)
                for (int y = 0; y < 12; ++y)
                    if (const TYrok* cell = week->GetYrok(tip, d, y))
                        for (const TYr* yr : cell->LYr)
                            out.push_back({gr.get(), d, y, yr->Fio(), yr->Predmet()});
    return out;
}

class ComposeSample : public ::testing::Test {
protected:
    void TearDown() override {
        run.reset();
        year.reset();
        dm.reset();
    }

    // The sample of the size made in a scratch home and loaded back; the
    // hardest of the active weeks chosen as a run chooses it.
    void load(SampleSize size) {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        const demo::SampleResult made =
            demo::createSampleCollege(home, demo::SampleOptions{size, 1, 2026}, dialog);
        ASSERT_TRUE(made.ok) << made.message;
        dm = std::make_unique<TDM1>(home, dialog);
        year = std::make_unique<TAllRasp>(*dm);
        year->YGod = 2026;
        ASSERT_TRUE(year->LoadYear());
        year->SelectAllGryp(true);
        ne = GetNMaxNed(*year, {53, 54});
        ASSERT_GT(weekLoad(*year, ne), 0);
        ASSERT_TRUE(layerLessons(*year, ne, 0).empty()) << "the sample's week starts empty";
    }

    // Pinned lessons first, as the run copies them; then the week composed.
    void compose(std::uint64_t stepsAllowed = 0) {
        pinned = layerLessons(*year, ne, 1);
        for (const auto& gr : year->LGryp) {
            std::vector<std::string> refused;
            gr->CopyPyToRasp(ne, refused);
            EXPECT_TRUE(refused.empty()) << gr->Name() << ": " << refused.front();
            gr->Select = true;
        }
        run = std::make_unique<TSosRun>(*year, home);
        run->WLog = false;
        // The hardest week: displacement and the improvement moves may act.
        run->Statys = AStatys::sSosRasp;
        run->WeekStepLimit = stepsAllowed;
        result = SostavNed(*run, ne);
    }

    void expectAWholeLawfulWeek(bool everyUnit = true) {
        EXPECT_GT(result.units, 0);
        if (everyUnit) {
            EXPECT_EQ(result.placed, result.units)
                << result.variants << " variants; first unplaced: "
                << (result.unplaced.empty() ? std::string("-") : result.unplaced.front());
            EXPECT_EQ(result.noPlace, 0);
        } else {
            EXPECT_GT(result.placed, result.units * 3 / 4);
        }
        const testsupport::WeekVerdict verdict = testsupport::judgeWeek(*year, ne);
        const std::vector<std::string>& found = verdict.breaches;
        // A search stopped early may leave load unplaced, never overplaced.
        if (everyUnit) {
            EXPECT_TRUE(verdict.missing.empty())
                << verdict.missing.size() << " lessons unplaced, first: " << verdict.missing.front();
        }
        std::string listed;
        for (const std::string& f : found) listed += "\n  " + f;
        EXPECT_TRUE(found.empty()) << found.size() << " findings:" << listed;
        for (const auto& [gr, d, y, fio, pr] : pinned) {
            const TYrok* cell = gr->GetNed(ne)->GetYrok(0, d, y);
            const bool kept = cell != nullptr &&
                              std::any_of(cell->LYr.begin(), cell->LYr.end(), [&](const TYr* yr) {
                                  return yr->Fio() == fio && yr->Predmet() == pr;
                              });
            EXPECT_TRUE(kept) << "pinned lesson lost at " << where(gr, d, y);
        }
        EXPECT_FALSE(fs::exists(run->VariantFile()));
    }

    testsupport::ScratchHome scratch{"compose"};
    fs::path home;
    TScriptedDialog dialog{true};
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    std::unique_ptr<TSosRun> run;
    int ne = 0;
    std::vector<Pinned> pinned;
    TSostavResult result;
};

// Catches, on a real college: teachers double-booked, shared cells, lessons
// outside the windows, days or availability, load left unplaced, broken
// blocks, unions split, pinned lessons lost.
TEST_F(ComposeSample, SizeSKeepsEveryRuleAndPlacesEveryUnit) {
    ASSERT_NO_FATAL_FAILURE(load(SampleSize::S));
    compose();
    expectAWholeLawfulWeek();
}

// The medium college's search runs for minutes when left alone; stopped
// early, as a dispatcher stops it, the best variant found must still keep
// every rule (placing every unit is the benchmark's business). A million
// polls of the stop flag stop it at the same point on any machine: a few
// seconds in a Release build.
TEST_F(ComposeSample, SizeMStoppedEarlyKeepsEveryRule) {
    ASSERT_NO_FATAL_FAILURE(load(SampleSize::M));
    compose(1'000'000);
    expectAWholeLawfulWeek(false);
}

}  // namespace
}  // namespace zavlin
