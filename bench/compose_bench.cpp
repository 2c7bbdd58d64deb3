// Composing the hardest active week of each sample college from an empty
// timetable, as `zavlin-cli compose-week` does, beside the measures of the
// hidden timetable the sample's load was taken from.
// Release build: `make bench`. `--sizes S,M` limits the sizes, `--seed N`
// picks another sample, `--time-limit S` bounds each search (default 60).
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/my_dialog.h"
#include "composition/quality.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
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

std::optional<Row> measure(SampleSize size, uint64_t seed, bool moves) {
    char tmpl[] = "/tmp/zavlin_compose_bench_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        std::perror("compose_bench: mkdtemp");
        return std::nullopt;
    }
    const fs::path home = fs::path(tmpl) / "college";
    Row row;
    row.size = size;
    row.moves = moves;
    TScriptedDialog dialog(true);
    const auto c0 = Clock::now();
    const SampleResult sample = createSampleCollege(home, SampleOptions{size, seed, 2026}, dialog);
    row.create = seconds(c0, Clock::now());
    if (!sample.ok) {
        std::fprintf(stderr, "compose_bench: %s: %s\n", sizeName(size), sample.message.c_str());
        fs::remove_all(tmpl);
        return std::nullopt;
    }
    {
        TDM1 dm(home, dialog);
        TAllRasp year(dm);
        year.YGod = 2026;
        if (!year.LoadYear()) {
            std::fprintf(stderr, "compose_bench: %s: the year did not load\n", sizeName(size));
            fs::remove_all(tmpl);
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
        const auto t0 = Clock::now();
        const std::clock_t cpu0 = std::clock();
        row.result = SostavNed(run, row.ne);
        row.composeCpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        row.compose = seconds(t0, Clock::now());
        row.totals = WeekTotals(year, 0, row.ne);
    }
    fs::remove_all(tmpl);
    return row;
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

}  // namespace

int main(int argc, char** argv) {
    // Waiting for the disk at every table write is not what is measured.
    setenv("ZAVLIN_TABLE_SYNC", "off", 1);
    std::vector<SampleSize> sizes = {SampleSize::S, SampleSize::M, SampleSize::L, SampleSize::XL};
    uint64_t seed = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes = parseSizes(argv[++i]);
        } else if (std::strcmp(argv[i], "--time-limit") == 0 && i + 1 < argc) {
            gTimeLimit = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: compose_bench [--sizes S,M,L,XL] [--seed N] [--time-limit S]\n");
            return 2;
        }
    }

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
                r.variants, r.tries, row->compose, row->composeCpu, perTry,
                row->totals.groupHoles, row->totals.badNagryzka, row->totals.teacherHoles,
                row->hidden.groupHoles, row->hidden.teacherHoles);
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
