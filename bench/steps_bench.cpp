// What each step beyond the classic search brings: the active weeks of the
// sample colleges composed from an empty timetable, as `zavlin-cli
// compose-week` does, with the search's options as they are by default, with
// each kept deviation switched off alone, and in the exact mode. The repair
// is off throughout, so that the search alone is compared.
// Release build: `steps_bench [--samples S1,S2,S3,M1] [--time-limit 20]
// [--steps N] [--configs default,exact,...]`. On a shared machine the clock
// stops each search at a different point; --steps (the stop flag's polls)
// stops it at the same point whatever the load, so that the options alone
// make the difference.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/my_dialog.h"
#include "composition/quality.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
#include "model/group.h"
#include "model/timetable.h"
#include "model/year.h"
#include "storage/year_database.h"

using namespace zavlin;
using namespace zavlin::demo;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Config {
    std::string name;
    std::function<void(TSosOptions&)> set;
};

const std::vector<Config> kConfigs = {
    {"default", [](TSosOptions&) {}},
    {"-PolishHoles", [](TSosOptions& o) { o.PolishHoles = false; }},
    {"-ChainInWindow", [](TSosOptions& o) { o.ChainInWindow = false; }},
    {"-NoMoveBack", [](TSosOptions& o) { o.NoMoveBack = false; }},
    {"-PolishTeacherHoles", [](TSosOptions& o) { o.PolishTeacherHoles = false; }},
    {"-ResumeSweeps", [](TSosOptions& o) { o.ResumeSweeps = false; }},
    {"-TeacherHolesAnyDay", [](TSosOptions& o) { o.TeacherHolesAnyDay = false; }},
    {"-SkipUnchanged", [](TSosOptions& o) { o.SkipUnchanged = false; }},
    {"exact", [](TSosOptions& o) { o = TSosOptions::Exact(); }},
};

struct Sample {
    SampleSize size;
    uint64_t seed;
};

struct Row {
    int placed = 0;
    int units = 0;
    int groupHoles = 0;
    int teacherHoles = 0;
    int bad = 0;
    int outsideWindow = 0;  // lessons the improvement left outside their group's window
    double seconds = 0;
    double cpu = 0;
};

int outsideWindow(const TAllRasp& year, int ne) {
    int n = 0;
    for (const auto& gr : year.LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        const int first = gr->Dan.TimeDay;
        const int last = first > 5 ? first + 1 : first + 3;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* cell = week->GetYrok(0, d, y);
                if (cell != nullptr && !cell->Empty() && (y < first || y > last))
                    n += cell->CountYrDpZm();
            }
    }
    return n;
}

bool measure(const fs::path& home, TScriptedDialog& dialog, int ne, const TSosOptions& options,
             int timeLimit, std::uint64_t steps, Row& row) {
    TDM1 dm(home, dialog);
    TAllRasp year(dm);
    year.YGod = 2026;
    if (!year.LoadYear()) return false;
    year.SelectAllGryp(true);
    for (const auto& gr : year.LGryp) gr->ClearRasp(0, ne, false);
    TSosRun run(year, home);
    run.Statys = AStatys::sSosRasp;
    run.Options = options;
    run.WeekTimeLimit = std::chrono::seconds(timeLimit);
    run.WeekStepLimit = steps;
    const auto t0 = Clock::now();
    const std::clock_t c0 = std::clock();
    const TSostavResult result = SostavNed(run, ne);
    row.cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    row.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const TWeekTotals totals = WeekTotals(year, 0, ne);
    row.placed = result.placed;
    row.units = result.units;
    row.groupHoles = totals.groupHoles;
    row.teacherHoles = totals.teacherHoles;
    row.bad = totals.badNagryzka;
    row.outsideWindow = outsideWindow(year, ne);
    return true;
}

std::vector<Sample> parseSamples(const char* text) {
    std::vector<Sample> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item.size() < 2) continue;
        const auto size = parseSampleSize(item.substr(0, item.size() - 1));
        if (!size) continue;
        out.push_back({*size, static_cast<uint64_t>(std::atoi(item.c_str() + item.size() - 1))});
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Sample> samples = {
        {SampleSize::S, 1}, {SampleSize::S, 2}, {SampleSize::S, 3}, {SampleSize::M, 1}};
    int timeLimit = 20;
    std::uint64_t steps = 0;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--samples") == 0 && i + 1 < argc) {
            samples = parseSamples(argv[++i]);
        } else if (std::strcmp(argv[i], "--time-limit") == 0 && i + 1 < argc) {
            timeLimit = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--steps") == 0 && i + 1 < argc) {
            steps = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--configs") == 0 && i + 1 < argc) {
            std::stringstream in(argv[++i]);
            std::string name;
            while (std::getline(in, name, ',')) only.push_back(name);
        } else {
            std::fprintf(stderr,
                         "usage: steps_bench [--samples S1,M1] [--time-limit S] [--steps N] "
                         "[--configs default,exact,...]\n");
            return 2;
        }
    }
    std::map<std::string, Row> sums;
    std::printf("%-7s %-4s %-18s %9s %6s %6s %4s %4s %7s %7s\n", "sample", "week", "options",
                "placed", "gholes", "tholes", "bad", "out", "s", "cpu");
    for (const Sample& s : samples) {
        char tmpl[] = "/tmp/zavlin_steps_bench_XXXXXX";
        if (mkdtemp(tmpl) == nullptr) {
            std::perror("steps_bench: mkdtemp");
            return 1;
        }
        const fs::path home = fs::path(tmpl) / "college";
        TScriptedDialog dialog(true);
        const SampleResult made =
            createSampleCollege(home, SampleOptions{s.size, s.seed, 2026}, dialog);
        if (!made.ok) {
            std::fprintf(stderr, "steps_bench: %s\n", made.message.c_str());
            fs::remove_all(tmpl);
            return 1;
        }
        const std::string sample = std::string(sizeName(s.size)) + std::to_string(s.seed);
        for (const int ne : kActiveWeeks)
            for (const Config& c : kConfigs) {
                if (!only.empty() && std::find(only.begin(), only.end(), c.name) == only.end())
                    continue;
                TSosOptions o;
                o.Repair = false;
                c.set(o);
                Row row;
                if (!measure(home, dialog, ne, o, timeLimit, steps, row)) {
                    std::fprintf(stderr, "steps_bench: %s: the year did not load\n",
                                 sample.c_str());
                    fs::remove_all(tmpl);
                    return 1;
                }
                std::printf("%-7s %-4d %-18s %4d/%-4d %6d %6d %4d %4d %7.2f %7.2f\n",
                            sample.c_str(), ne, c.name.c_str(), row.placed, row.units,
                            row.groupHoles, row.teacherHoles, row.bad, row.outsideWindow,
                            row.seconds, row.cpu);
                std::fflush(stdout);
                Row& sum = sums[c.name];
                sum.placed += row.placed;
                sum.units += row.units;
                sum.groupHoles += row.groupHoles;
                sum.teacherHoles += row.teacherHoles;
                sum.bad += row.bad;
                sum.outsideWindow += row.outsideWindow;
                sum.seconds += row.seconds;
                sum.cpu += row.cpu;
            }
        fs::remove_all(tmpl);
    }
    std::printf("\ntotals\n");
    for (const Config& c : kConfigs) {
        const auto it = sums.find(c.name);
        if (it == sums.end()) continue;
        const Row& r = it->second;
        std::printf("%-18s %5d/%-5d %6d %6d %4d %4d %7.2f %7.2f\n", c.name.c_str(), r.placed,
                    r.units, r.groupHoles, r.teacherHoles, r.bad, r.outsideWindow, r.seconds,
                    r.cpu);
    }
    return 0;
}
