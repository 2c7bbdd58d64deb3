// Time to make each sample college: planning it (the hidden timetable
// included) and entering it into a new database, as `zavlin-cli demo` does.
// Release build: `make bench`. An optional argument is the seed.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/my_dialog.h"
#include "demo/sample_college.h"

using namespace zavlin;
using namespace zavlin::demo;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
    const uint64_t seed = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1;
    std::printf(
        "sample colleges, seed %llu: plan = groups, curricula, teachers and the hidden\n"
        "timetable in memory; total = database created, year entered and saved\n",
        static_cast<unsigned long long>(seed));
    std::printf("%-4s %7s %9s %14s %10s %10s\n", "size", "groups", "teachers", "lessons/week",
                "plan s", "total s");
    for (SampleSize size : {SampleSize::S, SampleSize::M, SampleSize::L, SampleSize::XL}) {
        const SampleOptions options{size, seed, 2026};
        const auto p0 = Clock::now();
        const SamplePlan plan = planSample(options);
        const auto p1 = Clock::now();

        char tmpl[] = "/tmp/zavlin_demo_bench_XXXXXX";
        if (mkdtemp(tmpl) == nullptr) {
            std::perror("demo_bench: mkdtemp");
            return 1;
        }
        const fs::path home = fs::path(tmpl) / "college";
        TScriptedDialog dialog;
        const auto t0 = Clock::now();
        const SampleResult r = createSampleCollege(home, options, dialog);
        const auto t1 = Clock::now();
        fs::remove_all(tmpl);
        if (!r.ok) {
            std::fprintf(stderr, "demo_bench: %s: %s\n", sizeName(size), r.message.c_str());
            return 1;
        }
        std::printf("%-4s %7d %9d %14d %10.3f %10.3f\n", sizeName(size), r.counts.groups,
                    r.counts.teachers, r.counts.weeks[0].lessons, seconds(p0, p1), seconds(t0, t1));
        (void)plan;
    }
    return 0;
}
