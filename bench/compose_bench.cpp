// Two measures on the sample colleges, beside the hidden timetable each
// sample's load was taken from:
// - week: the hardest active week composed from an empty timetable, as
//   `zavlin-cli compose-week` does, with and without the improvement moves;
// - run: the whole run from zero over both active weeks, as `zavlin-cli
//   compose --mode zero --all` does, with where its time went, by phase.
// Release build: `make bench`. `--part week|run` picks one, `--sizes S,M`
// limits the sizes, `--seeds 1,2` the samples, `--time-limit S` bounds each
// week's search (default 60 for week, 300 for run), `--no-repair` leaves the
// units a pass could not place to the reordering alone.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/my_dialog.h"
#include "composition/driver.h"
#include "composition/quality.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
#include "model/god.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"

using namespace zavlin;
using namespace zavlin::demo;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// A sample college made in a scratch folder, removed with it.
class ScratchCollege {
public:
    ScratchCollege(SampleSize size, uint64_t seed) {
        if (mkdtemp(FTmpl) == nullptr) {
            std::perror("compose_bench: mkdtemp");
            return;
        }
        FMade = true;
        home = fs::path(FTmpl) / "college";
        const auto c0 = Clock::now();
        sample = createSampleCollege(home, SampleOptions{size, seed, 2026}, dialog);
        created = seconds(c0, Clock::now());
        if (!sample.ok)
            std::fprintf(stderr, "compose_bench: %s: %s\n", sizeName(size), sample.message.c_str());
    }
    ~ScratchCollege() {
        if (FMade) fs::remove_all(FTmpl);
    }
    ScratchCollege(const ScratchCollege&) = delete;
    ScratchCollege& operator=(const ScratchCollege&) = delete;
    bool ok() const { return FMade && sample.ok; }

    TScriptedDialog dialog{true};
    fs::path home;
    SampleResult sample;
    double created = 0;  // seconds

private:
    char FTmpl[33] = "/tmp/zavlin_compose_bench_XXXXXX";
    bool FMade = false;
};

struct Row {
    SampleSize size;
    bool moves = false;
    int groups = 0;
    int ne = 0;
    double create = 0;
    double compose = 0;
    double composeCpu = 0;  // the machine may be shared: wall time alone misleads
    TSostavResult result;
    TWeekTotals totals;
    WeekCounts hidden;
};

int gTimeLimit = 60;  // seconds a week's search may run, as a dispatcher would wait
bool gRepair = true;

std::optional<Row> measure(SampleSize size, uint64_t seed, bool moves) {
    ScratchCollege college(size, seed);
    if (!college.ok()) return std::nullopt;
    const fs::path& home = college.home;
    const SampleResult& sample = college.sample;
    TScriptedDialog& dialog = college.dialog;
    Row row;
    row.size = size;
    row.moves = moves;
    row.create = college.created;
    {
        TDM1 dm(home, dialog);
        TAllRasp year(dm);
        year.YGod = 2026;
        if (!year.LoadYear()) {
            std::fprintf(stderr, "compose_bench: %s: the year did not load\n", sizeName(size));
            return std::nullopt;
        }
        year.SelectAllGryp(true);
        row.ne = GetNMaxNed(year, {kActiveWeeks[0], kActiveWeeks[1]});
        const int w = row.ne == kActiveWeeks[0] ? 0 : 1;
        row.hidden = sample.counts.weeks[static_cast<std::size_t>(w)];
        row.groups = year.CountGryp();
        for (const auto& gr : year.LGryp) {
            gr->ClearRasp(0, row.ne, false);
            gr->Select = true;
        }
        TSosRun run(year, home);
        run.WLog = false;
        // Displacement and the improvement moves act in the hardest week of
        // a run; without them the search only places and reorders, as it
        // completes the other weeks.
        run.Statys = moves ? AStatys::sSosRasp : AStatys::sSinxr;
        run.WeekTimeLimit = std::chrono::seconds(gTimeLimit);
        run.Options.Repair = gRepair;
        const auto t0 = Clock::now();
        const std::clock_t cpu0 = std::clock();
        row.result = SostavNed(run, row.ne);
        row.composeCpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        row.compose = seconds(t0, Clock::now());
        row.totals = WeekTotals(year, 0, row.ne);
    }
    return row;
}

// --- the whole run

// Which phase a status of the run belongs to; the statuses of a week's sort
// and search stay in the phase that started them.
const std::vector<std::pair<std::string, std::string>> kPhases = {
    {"Удаление старого расписания", "clearing"},
    {"Перенос предварительных установок  групп", "pinned transfer"},
    {"Синхронизация предварительных установок групп", "pinned spreading"},
    {"Составление", "hardest week"},
    {"Синхронизация других недель", "other weeks"},
    {"Тест составленного расписания", "final test"},
    {"Синхронизация окончена", "closing"},
};

// The observer's timestamps, summed by phase; a week's sort apart from its
// search.
class PhaseClock : public TFormS1Observer {
public:
    void SosStatus(const std::string& text) override {
        const auto now = Clock::now();
        if (!FPhase.empty()) add(FPhase + FSub, seconds(FSince, now));
        FSince = now;
        for (const auto& [status, phase] : kPhases)
            if (text == status) {
                FPhase = phase;
                FSub.clear();
                return;
            }
        if (text.rfind("Досоставление", 0) == 0) FPhase = "other weeks";
        if (text == "Прекратить cортировку") FSub = ": sort";
        if (text == "Прекратить cоставление") FSub = ": search";
    }
    void SosMessage(const std::string& text) override { Verdict = text; }
    void finish() { SosStatus(""); }

    std::vector<std::pair<std::string, double>> Spent;  // in the order first seen
    std::string Verdict;

private:
    void add(const std::string& phase, double s) {
        for (auto& [name, spent] : Spent)
            if (name == phase) {
                spent += s;
                return;
            }
        Spent.emplace_back(phase, s);
    }

    std::string FPhase;
    std::string FSub;
    Clock::time_point FSince = Clock::now();
};

struct RunRow {
    SampleSize size;
    uint64_t seed = 0;
    int groups = 0;
    int ne = 0;
    double wall = 0;
    double cpu = 0;
    int units = 0;  // of both weeks, as each week's search counted them
    int placed = 0;
    int variants = 0;
    std::string verdict;
    std::array<std::pair<int, int>, kKahestvoCount> quality{};  // the hardest week's
    TWeekTotals totals;
    WeekCounts hidden;
    std::vector<std::pair<std::string, double>> phases;
};

int gRunTimeLimit = 300;

std::optional<RunRow> measureRun(SampleSize size, uint64_t seed) {
    ScratchCollege college(size, seed);
    if (!college.ok()) return std::nullopt;
    const fs::path& home = college.home;
    const SampleResult& sample = college.sample;
    TScriptedDialog& dialog = college.dialog;
    RunRow row;
    row.size = size;
    row.seed = seed;
    {
        TDM1 dm(home, dialog);
        TAllGod years(dm);
        std::unique_ptr<TGod> god;
        if (years.ReadListGod()) {
            years.LoadTimeYrok();
            god = years.CreateGod(years.GetIndexGod(2026));
        }
        if (!god || !god->LoadYear()) {
            std::fprintf(stderr, "compose_bench: %s: the year did not load\n", sizeName(size));
            return std::nullopt;
        }
        god->SelectAllGryp(true);
        row.groups = god->CountGryp();
        TFormS1State state(*god, home);
        state.SetTipSostRasp(0);
        state.Run.WeekTimeLimit = std::chrono::seconds(gRunTimeLimit);
        state.Run.Options.Repair = gRepair;
        PhaseClock clock;
        state.SetObserver(&clock);
        const auto t0 = Clock::now();
        const std::clock_t cpu0 = std::clock();
        {
            TSosRaspisanue worker(state);
            worker.Start();
            worker.Wait();
        }
        row.cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        row.wall = seconds(t0, Clock::now());
        clock.finish();
        row.phases = clock.Spent;
        row.verdict = clock.Verdict;
        const TFormS1Snapshot done = state.Snapshot();
        row.ne = done.NMaxNed;
        for (const TSosWeek& w : done.Weeks) {
            row.units += w.result.units;
            row.placed += w.result.placed;
            row.variants += w.result.variants;
        }
        std::vector<std::string> sl;
        for (int n = 1; n <= kKahestvoCount; ++n) {
            auto& [kd, k2] = row.quality[static_cast<std::size_t>(n - 1)];
            GetKahestvo(*god, n, 0, row.ne, sl, kd, k2);
        }
        row.totals = WeekTotals(*god, 0, row.ne);
        const int w = row.ne == kActiveWeeks[0] ? 0 : 1;
        row.hidden = sample.counts.weeks[static_cast<std::size_t>(w)];
    }
    return row;
}

int runPart(const std::vector<SampleSize>& sizes, const std::vector<uint64_t>& seeds) {
    std::printf(
        "\nthe whole run from zero over both active weeks, at most %d s a week's search.\n"
        "units/placed/variants = both weeks' searches (the other week completes what the\n"
        "copy of the hardest week left); holes/bad/t.holes and q1-q10 = the hardest week\n"
        "(q: groups or people / count, in the order of the quality window)\n\n",
        gRunTimeLimit);
    std::printf("%-4s %4s %6s %4s %6s %6s %8s %8s %8s | %5s %5s %7s | %6s %8s | %s\n", "size",
                "seed", "groups", "week", "units", "placed", "variants", "wall s", "cpu s", "holes",
                "bad", "t.holes", "hidden", "hidden t", "verdict");
    std::map<uint64_t, std::pair<double, double>> mWall;
    std::map<uint64_t, std::pair<double, double>> lWall;
    std::vector<RunRow> rows;
    for (uint64_t seed : seeds)
        for (SampleSize size : sizes) {
            std::optional<RunRow> row = measureRun(size, seed);
            if (!row) return 1;
            std::printf("%-4s %4llu %6d %4d %6d %6d %8d %8.1f %8.1f | %5d %5d %7d | %6d %8d | %s\n",
                        sizeName(size), static_cast<unsigned long long>(seed), row->groups, row->ne,
                        row->units, row->placed, row->variants, row->wall, row->cpu,
                        row->totals.groupHoles, row->totals.badNagryzka, row->totals.teacherHoles,
                        row->hidden.groupHoles, row->hidden.teacherHoles, row->verdict.c_str());
            std::string q = "     q:";
            for (const auto& [kd, k2] : row->quality)
                q += " " + std::to_string(kd) + "/" + std::to_string(k2);
            std::printf("%s\n     phases:", q.c_str());
            for (const auto& [phase, spent] : row->phases)
                if (spent >= 0.05) std::printf(" %s %.1f s;", phase.c_str(), spent);
            std::printf("\n");
            std::fflush(stdout);
            if (size == SampleSize::M) mWall[seed] = {row->wall, row->cpu};
            if (size == SampleSize::L) lWall[seed] = {row->wall, row->cpu};
        }
    for (const auto& [seed, l] : lWall)
        if (const auto m = mWall.find(seed); m != mWall.end() && m->second.first > 0)
            std::printf("seed %llu: L / M wall time %.2f, processor time %.2f\n",
                        static_cast<unsigned long long>(seed), l.first / m->second.first,
                        l.second / m->second.second);
    return 0;
}

std::vector<SampleSize> parseSizes(std::string_view list) {
    std::vector<SampleSize> out;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (const auto size = parseSampleSize(name)) {
            out.push_back(*size);
        } else {
            std::fprintf(stderr, "compose_bench: unknown size %.*s\n",
                         static_cast<int>(name.size()), name.data());
            std::exit(2);
        }
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    }
    return out;
}

int weekPart(const std::vector<SampleSize>& sizes, uint64_t seed) {
    std::printf(
        "composing the hardest active week from an empty timetable, seed %llu, at most %d s a\n"
        "week; mode 'place' = placement and reordering only, 'moves' = with displacement and\n"
        "the improvement moves, as the hardest week of a run. units = lessons to place (a\n"
        "union's counts once); variants = passes stored; tries = placements scored; us/try =\n"
        "processor time per try; placed/holes/bad/t.holes = the restored variant's counts,\n"
        "hidden = the timetable the sample's load was taken from\n\n",
        static_cast<unsigned long long>(seed), gTimeLimit);
    std::printf("%-4s %-5s %6s %4s %6s %6s %8s %9s %8s %8s %7s | %5s %5s %7s | %6s %8s\n", "size",
                "mode", "groups", "week", "units", "placed", "variants", "tries", "wall s", "cpu s",
                "us/try", "holes", "bad", "t.holes", "hidden", "hidden t");
    // Processor time per try and per placed unit, of S and of L, per mode.
    std::optional<std::pair<double, double>> perS[2];
    std::optional<std::pair<double, double>> perL[2];
    for (SampleSize size : sizes)
        for (int moves = 0; moves <= 1; ++moves) {
            const std::optional<Row> row = measure(size, seed, moves != 0);
            if (!row) return 1;
            const TSostavResult& r = row->result;
            const double perTry = r.tries > 0 ? 1e6 * row->composeCpu / r.tries : 0.0;
            std::printf(
                "%-4s %-5s %6d %4d %6d %6d %8d %9d %8.2f %8.2f %7.1f | %5d %5d %7d | %6d %8d\n",
                sizeName(size), moves ? "moves" : "place", row->groups, row->ne, r.units, r.placed,
                r.variants, r.tries, row->compose, row->composeCpu, perTry, row->totals.groupHoles,
                row->totals.badNagryzka, row->totals.teacherHoles, row->hidden.groupHoles,
                row->hidden.teacherHoles);
            std::fflush(stdout);
            if (r.placed > 0 && r.tries > 0) {
                const std::pair<double, double> per{row->composeCpu / r.tries,
                                                    row->composeCpu / r.placed};
                if (size == SampleSize::S) perS[moves] = per;
                if (size == SampleSize::L) perL[moves] = per;
            }
        }
    for (int moves = 0; moves <= 1; ++moves)
        if (perS[moves] && perL[moves])
            std::printf("%s: L / S processor time per try %.2f, per placed unit %.2f\n",
                        moves ? "moves" : "place", perL[moves]->first / perS[moves]->first,
                        perL[moves]->second / perS[moves]->second);
    return 0;
}

std::vector<uint64_t> parseSeeds(std::string_view list) {
    std::vector<uint64_t> out;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string item(list.substr(0, comma));
        char* end = nullptr;
        const unsigned long long seed = std::strtoull(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0') {
            std::fprintf(stderr, "compose_bench: bad seed %s\n", item.c_str());
            std::exit(2);
        }
        out.push_back(seed);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    // Waiting for the disk at every table write is not what is measured.
    setenv("ZAVLIN_TABLE_SYNC", "off", 1);
    std::vector<SampleSize> sizes = {SampleSize::S, SampleSize::M, SampleSize::L, SampleSize::XL};
    std::vector<uint64_t> seeds = {1, 2};
    std::string part = "all";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes = parseSizes(argv[++i]);
        } else if (std::strcmp(argv[i], "--time-limit") == 0 && i + 1 < argc) {
            gTimeLimit = gRunTimeLimit = std::atoi(argv[++i]);
        } else if ((std::strcmp(argv[i], "--seeds") == 0 || std::strcmp(argv[i], "--seed") == 0) &&
                   i + 1 < argc) {
            seeds = parseSeeds(argv[++i]);
        } else if (std::strcmp(argv[i], "--part") == 0 && i + 1 < argc) {
            part = argv[++i];
        } else if (std::strcmp(argv[i], "--no-repair") == 0) {
            gRepair = false;
        } else {
            part.clear();
        }
        if (seeds.empty() || (part != "all" && part != "week" && part != "run")) {
            std::fprintf(stderr,
                         "usage: compose_bench [--part week|run] [--sizes S,M,L,XL] [--seeds 1,2] "
                         "[--time-limit S] [--no-repair]\n");
            return 2;
        }
    }
    if (part != "run" && weekPart(sizes, seeds.front()) != 0) return 1;
    if (part != "week" && runPart(sizes, seeds) != 0) return 1;
    return 0;
}
