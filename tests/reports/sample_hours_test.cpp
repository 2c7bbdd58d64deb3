// The accounting of teachers of the sample college checked against a count
// made here by walking the timetable layer of every group.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>

#include "demo/sample_home.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "reports/hours.h"

namespace zavlin {
namespace {

using demo::testing::LoadedYear;
using demo::testing::sampleHome;
using Key = std::pair<const TGryp*, const TPredmet*>;

// Lessons of teacher fio held in the timetable layer, plan and substitution
// kinds, per (group, subject), over the study weeks.
std::map<Key, int> walkedLessons(const TAllRasp& year, const TFio* fio) {
    std::map<Key, int> count;
    for (const auto& gr : year.LGryp)
        for (int ne = 1; ne <= 52; ++ne) {
            const TNed* week = gr->GetNed(ne);
            for (int de = 1; week != nullptr && de <= 6; ++de)
                for (int y = 0; y < 12; ++y) {
                    const TYrok* yrok = week->GetYrok(0, de, y);
                    if (yrok == nullptr) continue;
                    const auto take = [&](const TYr* yr) {
                        if (yr->Fio() == fio && yr->YrokKorzina() != nullptr &&
                            yr->YrokKorzina()->Setka() != kSetkaDop)
                            ++count[{gr.get(), yr->Predmet()}];
                    };
                    for (const TYr* yr : yrok->LYr)
                        if (yr->Dan.Zm == kZmNone) take(yr);
                    for (const TYr* yr : yrok->LZm) take(yr);
                }
        }
    return count;
}

TEST(SampleHours, TeacherFiguresAgreeWithAWalkOfTheTimetable) {
    const auto& home = sampleHome(demo::SampleSize::S, 1);
    ASSERT_TRUE(home.result.ok) << home.result.message;
    LoadedYear loaded(home);
    ASSERT_TRUE(loaded.loaded);
    TAllRasp& year = loaded.year;
    if (year.AllNed.Dg == 0) year.AllNed.SetDataGod(year.YGod, false);

    // A teacher whose lesson was taken over, and the one who took it.
    const demo::SamplePlan& plan = home.result.plan;
    const demo::PlanSubstitution* sub = nullptr;
    for (const auto& s : plan.substitutions)
        if (s.substitute >= 0) sub = &s;
    ASSERT_NE(sub, nullptr);
    for (int t : {sub->teacher, sub->substitute}) {
        const TFio* fio =
            year.FindFioForBigName(plan.teachers[static_cast<std::size_t>(t)].fullName);
        ASSERT_NE(fio, nullptr);
        const std::map<Key, int> walked = walkedLessons(year, fio);
        ASSERT_FALSE(walked.empty());

        const reports::TAccountTable table = reports::accountByTeacher(year, *fio, {});
        std::map<Key, int> placed;
        std::map<Key, int> delivered;
        int planned = 0;
        for (const reports::TAccountRow& r : table.rows) {
            const Key key{r.gryp, r.predmet};
            // Placed and delivered per semester: columns 5 and 8, 12 and 15.
            placed[key] += r.cells[5].value + r.cells[12].value;
            delivered[key] += r.cells[8].value + r.cells[15].value;
            planned += r.cells[16].value;
        }
        // A row may hold an assignment whose lessons were all taken over.
        std::erase_if(placed, [](const auto& e) { return e.second == 0; });
        std::erase_if(delivered, [](const auto& e) { return e.second == 0; });
        EXPECT_EQ(placed, walked) << fio->Name();
        EXPECT_EQ(delivered, walked) << fio->Name();
        int total = 0;
        for (const auto& [key, n] : walked) total += n;
        EXPECT_EQ(table.total.cells[17].value, total);
        // The sample places its whole load: what is planned is what is given.
        EXPECT_EQ(planned, total) << fio->Name();
    }
}

}  // namespace
}  // namespace zavlin
