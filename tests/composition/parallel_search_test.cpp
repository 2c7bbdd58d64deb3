// Searches of a week side by side, each in a process of its own: the same
// count gives the same week, the week kept is never worse than the classic
// order's, a stop or a step limit keeps a lawful week, and a search's file
// fault is the run's.
#include "composition/parallel_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "composition/quality.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/engine_recording.h"
#include "support/scratch_home.h"
#include "support/timetable_judge.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

TKahVar kah(int placed, int groupHoles, int bad, int teacherHoles) {
    TKahVar k;
    k.mk = {static_cast<uint16_t>(placed),
            static_cast<uint16_t>(groupHoles),
            static_cast<uint16_t>(bad),
            static_cast<uint16_t>(teacherHoles),
            0,
            0};
    return k;
}

TEST(ChooseSearch, MostPlacedThenFewestHolesThenTheFirstOfEquals) {
    EXPECT_EQ(ChooseSearch({}), -1);
    EXPECT_EQ(ChooseSearch({kah(10, 0, 0, 0)}), 0);
    // More units placed outweigh every hole.
    EXPECT_EQ(ChooseSearch({kah(9, 0, 0, 0), kah(10, 50, 50, 50)}), 1);
    // Then group holes, badly distributed subjects, teacher holes, in turn.
    EXPECT_EQ(ChooseSearch({kah(10, 3, 1, 1), kah(10, 2, 9, 9), kah(10, 2, 9, 8)}), 2);
    EXPECT_EQ(ChooseSearch({kah(10, 2, 5, 1), kah(10, 2, 4, 9)}), 1);
    // Of equals the first: the classic order wins a tie.
    EXPECT_EQ(ChooseSearch({kah(10, 2, 4, 9), kah(10, 2, 4, 9), kah(10, 2, 4, 9)}), 0);
    EXPECT_EQ(ChooseSearch({kah(10, 2, 4, 9), kah(10, 1, 4, 9), kah(10, 1, 4, 9)}), 1);
}

TEST(SosSearchCount, ZeroIsOnePerCoreAndTheCountIsBounded) {
    TSosOptions o;
    EXPECT_EQ(SosSearchCount(o), 1) << "a run's own default is the classic single search";
    o.Threads = 0;
    EXPECT_GE(SosSearchCount(o), 1);
    EXPECT_LE(SosSearchCount(o), kMaxSearches);
    o.Threads = 3;
    EXPECT_EQ(SosSearchCount(o), 3);
    o.Threads = 1000;
    EXPECT_EQ(SosSearchCount(o), kMaxSearches);
    EXPECT_EQ(SosSearchCount(TSosOptions::Exact()), 1);
}

// The quality the searches are chosen by, measured on the week as it stands.
TKahVar weekKah(const TAllRasp& year, int ne, int placed) {
    const TWeekTotals t = WeekTotals(year, 0, ne);
    return kah(placed, t.groupHoles, t.badNagryzka, t.teacherHoles);
}

// Fails the opening of one file by name; the rest reaches the disk.
class RefusingFileSystem : public RealFileSystem {
public:
    explicit RefusingFileSystem(std::string name) : RealFileSystem(false), name_(std::move(name)) {}
    std::unique_ptr<File> open(const fs::path& path, OpenMode mode) override {
        if (path.filename() == name_) return nullptr;
        return RealFileSystem::open(path, mode);
    }

private:
    std::string name_;
};

// Never returns from opening one file: a search that opens it hangs, as one
// that forked while another thread held a lock would.
class HangingFileSystem : public RealFileSystem {
public:
    explicit HangingFileSystem(std::string name) : RealFileSystem(false), name_(std::move(name)) {}
    std::unique_ptr<File> open(const fs::path& path, OpenMode mode) override {
        if (path.filename() == name_)
            for (;;) ::pause();
        return RealFileSystem::open(path, mode);
    }

private:
    std::string name_;
};

struct Listener : TSosObserver {
    void SosLog(const std::string& line) override { lines.push_back(line); }
    void SosProgress(const TSosCounters&) override {
        ++progress;
        if (stopOnProgress && run != nullptr) run->RequestStop();
    }
    std::vector<std::string> lines;
    int progress = 0;
    bool stopOnProgress = false;
    TSosRun* run = nullptr;
};

class ParallelSearch : public ::testing::Test {
protected:
    static constexpr int kNe = 53;

    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        const demo::SampleResult made = demo::createSampleCollege(
            home, demo::SampleOptions{demo::SampleSize::S, 1, 2026}, dialog);
        ASSERT_TRUE(made.ok) << made.message;
        dm = std::make_unique<TDM1>(home, dialog);
        year = std::make_unique<TAllRasp>(*dm);
        year->YGod = 2026;
        ASSERT_TRUE(year->LoadYear());
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }
    TSostavResult compose(int threads, FileSystem& files = realFileSystem(),
                          std::uint64_t steps = 0) {
        for (const auto& gr : year->LGryp) {
            gr->ClearRasp(0, kNe, false);
            std::vector<std::string> refused;
            gr->CopyPyToRasp(kNe, refused);
            gr->Select = true;
        }
        listener = Listener{};
        TSosRun run(*year, home, files);
        run.WLog = wlog;
        run.Statys = AStatys::sSosRasp;
        run.Options.Threads = threads;
        run.WeekStepLimit = steps;
        run.SearchSilenceLimit = silenceLimit;
        run.Observer = &listener;
        listener.run = &run;
        listener.stopOnProgress = stopOnProgress;
        TSostavResult r = SostavNed(run, kNe);
        fault = run.FileError();
        listener.run = nullptr;
        return r;
    }
    bool strayFiles() const {
        for (const auto& entry : fs::directory_iterator(home)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("temprasp", 0) == 0) return true;
        }
        return false;
    }
    void expectLawful(const TSostavResult& r) {
        const testsupport::WeekVerdict verdict = testsupport::judgeWeek(*year, kNe);
        EXPECT_TRUE(verdict.breaches.empty()) << verdict.breaches.front();
        EXPECT_EQ(verdict.missing.size(), r.unplaced.size());
    }

    testsupport::ScratchHome scratch{"parallel"};
    fs::path home;
    TScriptedDialog dialog{true};
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    Listener listener;
    bool stopOnProgress = false;
    bool wlog = false;
    std::chrono::milliseconds silenceLimit{10000};
    std::string fault;
};

// Catches: a search whose order depends on anything but its number, a
// chooser that depends on which search ended first, a variant laid back
// wrong, or a week kept that is worse than the classic search's.
TEST_F(ParallelSearch, TheSameCountGivesTheSameWeekNoWorseThanTheClassicOrder) {
    const TSostavResult one = compose(1);
    ASSERT_GT(one.units, 100);
    const TKahVar classicKah = weekKah(*year, kNe, one.placed);

    const TSostavResult first = compose(3);
    const std::string firstWeek = testsupport::timetableLines(*year, {kNe});
    const std::vector<std::string> firstLines = listener.lines;
    expectLawful(first);
    EXPECT_EQ(first.units, one.units);
    EXPECT_FALSE(first.stopped);
    EXPECT_EQ(ChooseSearch({weekKah(*year, kNe, first.placed), classicKah}), 0)
        << "the week kept is at least as good as the classic order's";
    EXPECT_GT(listener.progress, 0) << "the window hears how the searches go";
    EXPECT_EQ(std::count_if(firstLines.begin(), firstLines.end(),
                            [](const std::string& l) { return l.rfind("Поиск", 0) == 0; }),
              4)
        << "a line per search and the verdict";
    EXPECT_FALSE(strayFiles()) << "every search's variant file is gone";

    const TSostavResult again = compose(3);
    EXPECT_EQ(testsupport::timetableLines(*year, {kNe}), firstWeek);
    EXPECT_EQ(listener.lines, firstLines) << "the report too is the same";
    EXPECT_EQ(again.placed, first.placed);
    EXPECT_EQ(again.variants, first.variants);
    EXPECT_EQ(again.tries, first.tries);

    // The first search is the classic one: its line reports what one search found.
    const std::string search1 = "Поиск1 всего" + std::to_string(classicKah.mk[0]) + " дыр_г" +
                                std::to_string(classicKah.mk[1]) + " предм" +
                                std::to_string(classicKah.mk[2]) + " дыр_ф" +
                                std::to_string(classicKah.mk[3]);
    EXPECT_NE(std::find(firstLines.begin(), firstLines.end(), search1), firstLines.end())
        << search1;
}

// Catches: the chosen search's restored variant announced twice in the
// report, once by the search and once as the run lays it.
TEST_F(ParallelSearch, TheReportTellsTheRestoredVariantOnce) {
    wlog = true;
    const TSostavResult r = compose(2);
    ASSERT_EQ(r.placed, r.units);
    const auto count = [&](const std::string& line) {
        return std::count(listener.lines.begin(), listener.lines.end(), line);
    };
    EXPECT_EQ(count("-----Сортировка лучшего варианта----"), 1);
    EXPECT_EQ(count("Количество назначенных предметов=" + std::to_string(r.placed)), 1);
}

// Catches: a step limit counted across the searches (the result would then
// depend on their timing), or a stopped search laying half a variant.
TEST_F(ParallelSearch, AStepLimitStopsEverySearchAtTheSamePoint) {
    // A limit that stops the searches half way: below it the sort takes
    // every step, above it the search ends by itself. Found by halving.
    std::uint64_t low = 1;
    std::uint64_t high = 1u << 22;
    std::uint64_t halfway = 0;
    for (int round = 0; round < 40 && halfway == 0 && low + 1 < high; ++round) {
        const std::uint64_t steps = low + (high - low) / 2;
        const TSostavResult r = compose(2, realFileSystem(), steps);
        if (!r.stopped)
            high = steps;
        else if (r.placed == 0)
            low = steps;
        else if (r.placed < r.units)
            halfway = steps;
        else
            high = steps;
    }
    ASSERT_GT(halfway, 0u) << "no step limit stops the searches half way";
    for (const std::uint64_t steps : {halfway, halfway + 97}) {
        SCOPED_TRACE("steps " + std::to_string(steps));
        const TSostavResult a = compose(2, realFileSystem(), steps);
        const std::string week = testsupport::timetableLines(*year, {kNe});
        expectLawful(a);
        if (steps == halfway) {
            EXPECT_TRUE(a.stopped);
        }
        const TSostavResult b = compose(2, realFileSystem(), steps);
        EXPECT_EQ(testsupport::timetableLines(*year, {kNe}), week);
        EXPECT_EQ(b.placed, a.placed);
        EXPECT_EQ(b.stopped, a.stopped);
    }
}

// Catches: a stop that the searches never hear (the run would hang or run
// to its end), or a stopped run keeping nothing or an unlawful week.
TEST_F(ParallelSearch, AStopKeepsTheBestVariantOfEverySearch) {
    // The run tells its progress before the searches start: they start stopped.
    stopOnProgress = true;
    const TSostavResult r = compose(2);
    expectLawful(r);
    EXPECT_GT(r.units, 0);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(strayFiles());
}

// Catches: a hung search hanging the run (the window would wait for ever),
// or its silence taken for a fault.
TEST_F(ParallelSearch, AHungSearchIsEndedAndTheOthersKept) {
    HangingFileSystem hanging("temprasp2.bin");
    silenceLimit = std::chrono::milliseconds(2000);
    const TSostavResult r = compose(2, hanging);
    EXPECT_TRUE(fault.empty()) << fault;
    EXPECT_EQ(r.placed, r.units);
    expectLawful(r);
    const auto has = [&](const std::string& line) {
        return std::find(listener.lines.begin(), listener.lines.end(), line) !=
               listener.lines.end();
    };
    EXPECT_TRUE(has("Поиск 2 прерван: он перестал отвечать"));
    EXPECT_TRUE(has("Поисков: 2, лучший вариант дал поиск 1"));
    EXPECT_FALSE(strayFiles());
}

// Catches: a search whose variant file could not be made being trusted, or
// its fault lost: the run would save a week nobody could restore.
TEST_F(ParallelSearch, ASearchsFileFaultIsTheRuns) {
    RefusingFileSystem refusing("temprasp2.bin");
    const TSostavResult r = compose(2, refusing);
    EXPECT_NE(fault.find("temprasp2.bin"), std::string::npos) << fault;
    EXPECT_TRUE(r.why.empty()) << "a run in fault explains nothing";
    EXPECT_FALSE(strayFiles());
}

}  // namespace
}  // namespace zavlin
