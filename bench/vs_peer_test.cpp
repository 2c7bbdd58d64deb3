// The week written for FET must hold exactly what our search places under
// the same rules, and FET's answer must come back into the right cells.
// Built on the small sample college; the cases that run FET itself are
// skipped where fet-cl is not installed.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "base/my_dialog.h"
#include "composition/quality.h"
#include "composition/sos_predmet.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
#include "model/group.h"
#include "model/teacher.h"
#include "support/timetable_judge.h"
#include "vs_peer_fet.h"

using namespace zavlin;
using namespace zavlin::peer;
namespace fs = std::filesystem;

namespace {

constexpr int kYear = 2026;
constexpr int kNe = demo::kActiveWeeks[0];

class Sample {
public:
    Sample() {
        char tmpl[] = "/tmp/zavlin_vs_peer_test_XXXXXX";
        if (mkdtemp(tmpl) == nullptr) return;
        folder = tmpl;
        made = demo::createSampleCollege(home(), demo::SampleOptions{demo::SampleSize::S, 1, kYear},
                                         dialog);
    }
    ~Sample() {
        std::error_code ec;
        if (!folder.empty()) fs::remove_all(folder, ec);
    }
    fs::path home() const { return folder / "college"; }
    TScriptedDialog dialog{true};
    fs::path folder;
    demo::SampleResult made;
};

bool fetInstalled() {
    return std::system("command -v fet-cl > /dev/null 2>&1") == 0;
}

class FetWeek : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sample = new Sample(); }
    static void TearDownTestSuite() {
        delete sample;
        sample = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(sample->made.ok) << sample->made.message;
        week = std::make_unique<WeekAtStart>(sample->home(), sample->dialog, kYear, kNe);
        ASSERT_TRUE(week->loaded);
        scratch = sample->folder / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(scratch);
        instance = BuildWeekInstance(*week, scratch);
    }
    // The lessons of each assignment the activities give, pins apart.
    std::map<const TFioPredmet*, int> lessonsByAssignment(bool pinned) const {
        std::map<const TFioPredmet*, int> n;
        for (const FetActivity& a : instance.activities)
            if (a.pinned == pinned)
                for (const auto& hour : a.hours)
                    for (const FetLesson& l : hour) ++n[l.fp];
        return n;
    }
    const FetActivity* activityWith(const TFioPredmet* fp) const {
        for (const FetActivity& a : instance.activities)
            for (const auto& hour : a.hours)
                for (const FetLesson& l : hour)
                    if (l.fp == fp && !a.pinned) return &a;
        return nullptr;
    }

    static Sample* sample;
    std::unique_ptr<WeekAtStart> week;
    fs::path scratch;
    FetInstance instance;
};

Sample* FetWeek::sample = nullptr;

TEST_F(FetWeek, HoldsEveryLessonOfTheLoadOnceWithThePinsAsTheyStand) {
    // The pins stand where the transfer put them, and nowhere else.
    int inWeek = 0;
    for (const auto& gr : week->year.LGryp)
        if (const TNed* w = gr->GetNed(kNe))
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (const TYrok* cell = w->GetYrok(0, d, y)) inWeek += cell->CountYr();
    ASSERT_GT(inWeek, 0) << "the sample pins lessons";
    EXPECT_EQ(instance.pinnedLessons, inWeek);
    for (const FetActivity& a : instance.activities) {
        if (!a.pinned) continue;
        ASSERT_EQ(a.duration(), 1);
        for (const FetLesson& l : a.hours[0]) {
            const TYrok* cell = l.gr->GetNed(kNe)->GetYrok(0, a.day, a.hour);
            ASSERT_NE(cell, nullptr);
            EXPECT_TRUE(std::any_of(cell->LYr.begin(), cell->LYr.end(),
                                    [&](const TYr* yr) { return yr->FioPredmet() == l.fp; }));
        }
    }

    // Every assignment's weekly load, less its pins, in the activities.
    const auto given = lessonsByAssignment(false);
    const auto pinned = lessonsByAssignment(true);
    int expected = 0;
    for (const auto& gr : week->year.LGryp) {
        if (gr->GetNed(kNe) == nullptr) continue;
        for (const auto& pr : gr->LPredmet)
            for (const auto& fp : pr->GetLFio(kNe)) {
                const int load = pr->CountPredmetNe(kSetkaPlan, kNe, fp.get());
                const auto p = pinned.find(fp.get());
                const int left = load - (p == pinned.end() ? 0 : p->second);
                const auto g = given.find(fp.get());
                EXPECT_EQ(g == given.end() ? 0 : g->second, left)
                    << gr->Name() << " " << pr->Name();
                expected += left;
            }
    }
    EXPECT_GT(expected, 0);

    // Each of our units goes into exactly one activity.
    std::map<int, int> seen;
    for (const FetActivity& a : instance.activities)
        for (int u : a.units) ++seen[u];
    EXPECT_EQ(static_cast<int>(seen.size()), instance.units);
    for (const auto& [u, times] : seen) EXPECT_EQ(times, 1) << "unit " << u;
    EXPECT_TRUE(instance.inexact.empty()) << instance.inexact.begin()->first;
}

TEST_F(FetWeek, SubgroupsUnionsAndBlocksKeepTheirShape) {
    int subgroupBaskets = 0;
    int blockSubjects = 0;
    for (const auto& gr : week->year.LGryp) {
        if (gr->GetNed(kNe) == nullptr) continue;
        for (const auto& pr : gr->LPredmet) {
            const auto& fps = pr->GetLFio(kNe);
            if (fps.empty()) continue;
            // Subgroups with their own teachers meet in one activity, so
            // they share every cell.
            if (fps.size() >= 2 && fps[0]->Fio() != fps[1]->Fio()) {
                ++subgroupBaskets;
                const FetActivity* a = activityWith(fps[0].get());
                ASSERT_NE(a, nullptr);
                for (const auto& hour : a->hours) {
                    std::set<const TFioPredmet*> in;
                    for (const FetLesson& l : hour) in.insert(l.fp);
                    for (const auto& fp : fps) EXPECT_EQ(in.count(fp.get()), 1u) << pr->Name();
                }
                EXPECT_EQ(a->teachers.size(), fps.size());
            }
            // Blocks: Spar periods in a row, at most one shorter rest, and
            // all on different days.
            const int spar = pr->Dan.Spar;
            if (spar > 1) {
                ++blockSubjects;
                std::vector<int> ids;
                int shorter = 0;
                for (const FetActivity& a : instance.activities)
                    if (!a.pinned &&
                        std::any_of(a.hours[0].begin(), a.hours[0].end(),
                                    [&](const FetLesson& l) { return l.fp == fps[0].get(); })) {
                        ids.push_back(a.id);
                        EXPECT_LE(a.duration(), spar);
                        if (a.duration() < spar) ++shorter;
                    }
                EXPECT_LE(shorter, 1);
                if (ids.size() >= 2) {
                    EXPECT_TRUE(
                        std::any_of(instance.differentDays.begin(), instance.differentDays.end(),
                                    [&](const std::vector<int>& set) {
                                        return std::all_of(ids.begin(), ids.end(), [&](int id) {
                                            return std::count(set.begin(), set.end(), id) == 1;
                                        });
                                    }))
                        << pr->Name();
                }
            }
        }
    }
    EXPECT_GT(subgroupBaskets, 0) << "the sample has subgroups";
    EXPECT_GT(blockSubjects, 0) << "the sample has blocks";

    // A union is one activity of all its groups.
    int unions = 0;
    for (const auto& ob : week->year.LOb[kNe]) {
        if (ob->LFioPredmet.size() < 2) continue;
        ++unions;
        const FetActivity* a = activityWith(ob->LFioPredmet.front());
        ASSERT_NE(a, nullptr);
        for (const TFioPredmet* fp : ob->LFioPredmet) {
            const TGryp* gr = fp->Predmet()->Gryp();
            EXPECT_EQ(std::count(a->groups.begin(), a->groups.end(), gr), 1) << ob->NameGryp();
        }
    }
    EXPECT_GT(unions, 0) << "the sample has unions";
}

TEST_F(FetWeek, GroupsAndTeachersAreClosedWhereTheyMayNotStudyOrTeach) {
    for (const auto& [gr, cells] : instance.groupNotAvailable) {
        const std::set<std::pair<int, int>> closed(cells.begin(), cells.end());
        const int first = gr->Dan.TimeDay;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const int last = first > 5 ? first + 1 : first + 3;
                const bool studies = gr->TestRunDey(kNe, d) && y >= first && y <= last;
                EXPECT_EQ(closed.count({d, y}) == 0, studies) << gr->Name() << " " << d << "/" << y;
            }
    }
    int restricted = 0;
    for (const auto& [fio, cells] : instance.teacherNotAvailable) {
        const std::set<std::pair<int, int>> closed(cells.begin(), cells.end());
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] == 0) {
                    EXPECT_EQ(closed.count({d, y}), 1u) << fio->Name();
                    ++restricted;
                }
    }
    EXPECT_GT(restricted, 0) << "the sample restricts some teachers";
}

TEST_F(FetWeek, WrittenNamesAreEscapedAndUnique) {
    // Two teachers of one name, with XML's own characters in it.
    std::vector<TFio*> two;
    for (const FetActivity& act : instance.activities)
        for (const TFio* fio : act.teachers)
            if (two.size() < 2 && std::find(two.begin(), two.end(), fio) == two.end())
                two.push_back(const_cast<TFio*>(fio));
    ASSERT_EQ(two.size(), 2u);
    for (TFio* fio : two) fio->SetBigName("Ким&<Ли>");
    const std::string text = WriteFetXml(instance);
    EXPECT_EQ(text.find("<Ли>"), std::string::npos);
    EXPECT_EQ(text.find("&<"), std::string::npos);
    for (const TFio* fio : two)
        EXPECT_NE(
            text.find("<Teacher>Ким&amp;&lt;Ли&gt; #" + std::to_string(fio->N) + "</Teacher>"),
            std::string::npos);
    // Each activity once.
    for (const FetActivity& act : instance.activities) {
        const std::string id = "<Id>" + std::to_string(act.id) + "</Id>";
        const std::size_t at = text.find(id);
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(text.find(id, at + 1), std::string::npos);
    }
}

TEST(FetAnswer, TimesAreReadAndBadAnswersRefused) {
    std::map<int, FetTime> times;
    std::string why;
    const std::string good =
        "<?xml version=\"1.0\"?>\n<Activities_Timetable>\n"
        "<Activity>\n\t<Id>3</Id>\n\t<Day>6</Day>\n\t<Hour>11</Hour>\n\t<Room></Room>\n</"
        "Activity>\n"
        "<Activity>\n\t<Id>4</Id>\n\t<Day></Day>\n\t<Hour></Hour>\n\t<Room></Room>\n</Activity>\n"
        "<Activity>\n\t<Id>5</Id>\n\t<Day>1</Day>\n\t<Hour>0</Hour>\n\t<Room></Room>\n</Activity>\n"
        "</Activities_Timetable>\n";
    ASSERT_TRUE(ParseFetActivities(good, times, why)) << why;
    ASSERT_EQ(times.size(), 2u);  // the one without a time is left out
    EXPECT_EQ(times.at(3).day, 6);
    EXPECT_EQ(times.at(3).hour, 11);
    EXPECT_EQ(times.at(5).day, 1);
    EXPECT_EQ(times.at(5).hour, 0);

    const std::string bad[] = {
        "<html>not FET</html>",
        "<Activities_Timetable><Activity><Id>1</Id><Day>7</Day><Hour>0</Hour>",
        "<Activities_Timetable><Activity><Id>1</Id><Day>7</Day><Hour>0</Hour></Activity>",
        "<Activities_Timetable><Activity><Id>1</Id><Day>1</Day><Hour>12</Hour></Activity>",
        "<Activities_Timetable><Activity><Id>x</Id><Day>1</Day><Hour>1</Hour></Activity>",
        "<Activities_Timetable><Activity><Id>1</Id><Day>1</Day></Activity>",
        "<Activities_Timetable><Activity><Id>1</Id><Day>1</Day><Hour>-1</Hour></Activity>",
        "<Activities_Timetable><Activity><Id>1</Id><Day>1</Day><Hour>2</Hour></Activity>"
        "<Activity><Id>1</Id><Day>2</Day><Hour>2</Hour></Activity>",
    };
    for (const std::string& text : bad) {
        why.clear();
        EXPECT_FALSE(ParseFetActivities(text, times, why)) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
}

TEST_F(FetWeek, PlacedTimesFillTheirCellsAndImpossibleOnesAreRefused) {
    // A block put at the last period cannot run on; a single at a time.
    const FetActivity* block = nullptr;
    const FetActivity* single = nullptr;
    for (const FetActivity& a : instance.activities) {
        if (a.pinned) continue;
        if (block == nullptr && a.duration() == 2) block = &a;
        if (single == nullptr && a.duration() == 1 && a.hours[0].size() == 1) single = &a;
    }
    ASSERT_NE(block, nullptr);
    ASSERT_NE(single, nullptr);
    std::map<int, FetTime> times;
    times[block->id] = {2, kPeriodCount - 1};
    times[single->id] = {3, 2};
    const FetPlacement placed = PlaceFetTimes(instance, times);
    EXPECT_EQ(placed.rejected, 1);
    EXPECT_EQ(placed.activitiesPlaced, 1);
    EXPECT_EQ(placed.unitsPlaced, static_cast<int>(single->units.size()));
    const FetLesson& l = single->hours[0][0];
    const TYrok* cell = l.gr->GetNed(kNe)->GetYrok(0, 3, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(std::any_of(cell->LYr.begin(), cell->LYr.end(),
                            [&](const TYr* yr) { return yr->FioPredmet() == l.fp; }));
    const FetLesson& b = block->hours[0][0];
    EXPECT_EQ(b.gr->GetNed(kNe)->GetYrok(0, 2, kPeriodCount - 1), nullptr);

    // A block takes its periods in a row.
    times.clear();
    times[block->id] = {4, 1};
    ASSERT_EQ(PlaceFetTimes(instance, times).activitiesPlaced, 1);
    for (int h = 0; h < 2; ++h) {
        const FetLesson& lh = block->hours[static_cast<std::size_t>(h)][0];
        const TYrok* c = lh.gr->GetNed(kNe)->GetYrok(0, 4, 1 + h);
        ASSERT_NE(c, nullptr) << "period " << 1 + h;
        EXPECT_TRUE(std::any_of(c->LYr.begin(), c->LYr.end(),
                                [&](const TYr* yr) { return yr->FioPredmet() == lh.fp; }));
    }
}

TEST_F(FetWeek, FetsTimetableOfTheWeekBreaksNoRule) {
    if (!fetInstalled()) GTEST_SKIP() << "fet-cl is not installed";
    const FetRun run = SolveWithFet(instance, "fet-cl", scratch, "week", 120, 1);
    ASSERT_TRUE(run.answered) << run.status;
    EXPECT_EQ(run.status, "complete");
    const FetPlacement placed = PlaceFetTimes(instance, run.times);
    EXPECT_EQ(placed.rejected, 0);
    EXPECT_EQ(placed.unitsPlaced, instance.units);
    const testsupport::WeekVerdict v = testsupport::judgeWeek(week->year, kNe);
    EXPECT_TRUE(v.breaches.empty()) << v.breaches.front();
    EXPECT_TRUE(v.missing.empty()) << v.missing.front();
    // The working-days cap FET was given holds.
    for (const auto& [fio, limit] : instance.teacherMaxDays) {
        const auto days = week->year.FioWeekCells(0, fio->N, kNe);
        const int worked = static_cast<int>(
            std::count_if(days.begin() + 1, days.end(), [](uint16_t c) { return c != 0; }));
        EXPECT_LE(worked, limit) << fio->Name();
    }
}

TEST_F(FetWeek, AskedForNoHolesFetLeavesNoGroupAHole) {
    if (!fetInstalled()) GTEST_SKIP() << "fet-cl is not installed";
    instance.studentsNoGaps = true;
    const FetRun run = SolveWithFet(instance, "fet-cl", scratch, "week", 120, 2);
    ASSERT_TRUE(run.answered) << run.status;
    ASSERT_EQ(run.status, "complete");
    EXPECT_EQ(PlaceFetTimes(instance, run.times).unitsPlaced, instance.units);
    EXPECT_EQ(WeekTotals(week->year, 0, kNe).groupHoles, 0);
    EXPECT_TRUE(testsupport::judgeWeek(week->year, kNe).breaches.empty());
}

TEST_F(FetWeek, AnEarlierRunsAnswerIsNotTakenForThisOnes) {
    // A solver that ends well but writes nothing, beside a complete answer
    // of an earlier run in the same folder.
    const fs::path stale = scratch / "fet" / "timetables" / "week";
    fs::create_directories(stale);
    {
        std::ofstream out(stale / "week_activities.xml");
        out << "<Activities_Timetable><Activity><Id>1</Id><Day>1</Day><Hour>1</Hour>"
               "</Activity></Activities_Timetable>\n";
    }
    const FetRun run = SolveWithFet(instance, "true", scratch, "week", 5, 1);
    EXPECT_FALSE(run.answered);
    EXPECT_EQ(run.status.rfind("failed", 0), 0u) << run.status;
}

TEST_F(FetWeek, AMissingSolverIsReportedNotTakenForAnAnswer) {
    const FetRun run =
        SolveWithFet(instance, (scratch / "no-such-fet").string(), scratch, "week", 5, 1);
    EXPECT_FALSE(run.answered);
    EXPECT_NE(run.status.find("could not run"), std::string::npos) << run.status;
}

}  // namespace
