// Our composition of a week beside the free timetabler FET on the same
// sample college and the same hard rules (see vs_peer_fet.h for how each
// rule maps). For each active week both start from the week cleared with
// its pinned lessons transferred, as a run from zero does; FET's timetable
// is placed into a copy of the week and measured by our quality code, and
// both timetables go before the independent judge.
//
// Release build; FET's command-line solver from scripts/install-bench-deps.sh.
// vs_peer [--size S|M|L|XL[,...]] [--seed K[,...]] [--week N] [--fet-time-limit S]
//         [--keep DIR] [--fet PATH] [--fet-no-gaps] [--fet-teacher-gaps N] [--exact]
//         [--threads N]
// The time limit caps both searches, each week. FET keeps its usual limit of
// 6 gaps a week per teacher unless --fet-teacher-gaps says otherwise (-1:
// none); --fet-no-gaps also asks it for no group holes at all, a rule ours
// only prefers; --fet-only leaves our search out (its columns stay empty);
// --exact runs ours as the classic search alone; --threads N runs N of our
// searches side by side (default 1: one core; 0: one per core), their
// processor time added to ours. With several sizes the
// growth of our time against the growth in units is printed last.
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "composition/quality.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/timetable_judge.h"
#include "vs_peer_fet.h"

using namespace zavlin;
using namespace zavlin::demo;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::vector<SampleSize> sizes{SampleSize::S};
    std::vector<uint64_t> seeds{1};
    int week = 0;  // 0 = both active weeks
    int timeLimit = 300;
    std::string keep;
    std::string fet = "fet-cl";
    bool noGaps = false;
    int teacherGaps = 6;
    bool fetOnly = false;
    bool exact = false;
    int threads = 1;
};

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// A sample college in a scratch folder, removed with it.
class ScratchCollege {
public:
    ScratchCollege(SampleSize size, uint64_t seed) {
        if (mkdtemp(FTmpl) == nullptr) {
            std::perror("vs_peer: mkdtemp");
            return;
        }
        FMade = true;
        home = fs::path(FTmpl) / "college";
        sample = createSampleCollege(home, SampleOptions{size, seed, 2026}, dialog);
        if (!sample.ok) std::fprintf(stderr, "vs_peer: %s\n", sample.message.c_str());
    }
    ~ScratchCollege() {
        std::error_code ec;
        if (FMade) fs::remove_all(FTmpl, ec);
    }
    ScratchCollege(const ScratchCollege&) = delete;
    ScratchCollege& operator=(const ScratchCollege&) = delete;
    bool ok() const { return FMade && sample.ok; }
    fs::path scratch() const { return FTmpl; }

    TScriptedDialog dialog{true};
    fs::path home;
    SampleResult sample;

private:
    char FTmpl[29] = "/tmp/zavlin_vs_peer_XXXXXX";
    bool FMade = false;
};

struct Side {
    double wall = 0;
    double cpu = 0;
    int placed = 0;
    TWeekTotals totals;
    std::string verdict;  // "valid" or "INVALID: ..."
    int missing = 0;
    std::string status;
};

std::string judge(const TAllRasp& year, int ne, int& missing) {
    const testsupport::WeekVerdict v = testsupport::judgeWeek(year, ne);
    missing = static_cast<int>(v.missing.size());
    if (v.breaches.empty()) return "valid";
    std::string text = "INVALID: " + v.breaches.front();
    if (v.breaches.size() > 1) text += " (+" + std::to_string(v.breaches.size() - 1) + " more)";
    return text;
}

// Processor seconds of the processes waited for: our searches side by side.
double childrenCpu() {
    rusage u{};
    if (getrusage(RUSAGE_CHILDREN, &u) != 0) return 0;
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Side ours(const fs::path& home, TMyDialog& dialog, int ne, const Options& o, int& units) {
    Side side;
    peer::WeekAtStart w(home, dialog, 2026, ne);
    if (!w.loaded) {
        side.status = "the year did not load";
        return side;
    }
    TSosRun run(w.year, home);
    run.WLog = false;
    run.Statys = AStatys::sSosRasp;
    run.WeekTimeLimit = std::chrono::seconds(o.timeLimit);
    if (o.exact) run.Options = TSosOptions::Exact();
    run.Options.Threads = o.threads;
    const auto t0 = Clock::now();
    const std::clock_t c0 = std::clock();
    const double children0 = childrenCpu();
    const TSostavResult r = SostavNed(run, ne);
    side.cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC + childrenCpu() - children0;
    side.wall = since(t0);
    units = r.units;
    side.placed = r.placed;
    side.totals = WeekTotals(w.year, 0, ne);
    side.verdict = judge(w.year, ne, side.missing);
    side.status = r.placed == r.units ? "complete" : "partial";
    return side;
}

struct FetSide {
    Side side;
    int activities = 0;
    int pinned = 0;
    int units = 0;
    std::map<std::string, int> inexact;
};

FetSide fet(const Options& o, uint64_t seed, const fs::path& home, TMyDialog& dialog, int ne,
            const fs::path& dir) {
    FetSide f;
    peer::WeekAtStart w(home, dialog, 2026, ne);
    if (!w.loaded) {
        f.side.status = "the year did not load";
        return f;
    }
    peer::FetInstance instance = peer::BuildWeekInstance(w, dir);
    instance.studentsNoGaps = o.noGaps;
    instance.teacherMaxGaps = o.teacherGaps;
    f.activities = static_cast<int>(instance.activities.size());
    f.pinned = instance.pinnedLessons;
    f.units = instance.units;
    f.inexact = instance.inexact;
    if (w.pinsRefused > 0) f.inexact["pinned lessons the transfer refused"] = w.pinsRefused;

    const peer::FetRun run =
        peer::SolveWithFet(instance, o.fet, dir, "week" + std::to_string(ne), o.timeLimit, seed);
    f.side.wall = run.wall;
    f.side.cpu = run.cpu;
    f.side.status = run.status;
    if (!run.answered) return f;
    const std::map<int, peer::FetTime>& times = run.times;
    const peer::FetPlacement placed = peer::PlaceFetTimes(instance, times);
    f.side.placed = placed.unitsPlaced;
    if (placed.rejected > 0)
        f.side.status += ", " + std::to_string(placed.rejected) + " activities at impossible times";
    f.side.totals = WeekTotals(w.year, 0, ne);
    f.side.verdict = judge(w.year, ne, f.side.missing);
    return f;
}

// A comma-separated list, each item read by one; false on an empty or bad item.
template <typename T, typename Read>
bool parseList(const std::string& text, std::vector<T>& out, Read read) {
    out.clear();
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        const std::string item = text.substr(from, comma - from);
        T value{};
        if (item.empty() || !read(item, value)) return false;
        out.push_back(value);
        if (comma == std::string::npos) return true;
        from = comma + 1;
    }
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--size" && more) {
            if (!parseList(argv[++i], o.sizes, [](const std::string& t, SampleSize& v) {
                    const auto size = parseSampleSize(t);
                    if (size) v = *size;
                    return size.has_value();
                }))
                return false;
        } else if (a == "--seed" && more) {
            if (!parseList(argv[++i], o.seeds, [](const std::string& t, uint64_t& v) {
                    char* end = nullptr;
                    v = std::strtoull(t.c_str(), &end, 10);
                    return end != nullptr && *end == 0 && v > 0;
                }))
                return false;
        } else if (a == "--week" && more) {
            o.week = std::atoi(argv[++i]);
            if (o.week < 1 || o.week > kWeeks) return false;
        } else if (a == "--fet-time-limit" && more) {
            o.timeLimit = std::atoi(argv[++i]);
            if (o.timeLimit < 1) return false;
        } else if (a == "--keep" && more) {
            o.keep = argv[++i];
        } else if (a == "--fet-only") {
            o.fetOnly = true;
        } else if (a == "--fet-no-gaps") {
            o.noGaps = true;
        } else if (a == "--fet-teacher-gaps" && more) {
            o.teacherGaps = std::atoi(argv[++i]);
        } else if (a == "--exact") {
            o.exact = true;
        } else if (a == "--threads" && i + 1 < argc) {
            o.threads = std::atoi(argv[++i]);
        } else if (a == "--fet" && more) {
            o.fet = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

// What one sample size added up to over its seeds and weeks.
struct SizeTotals {
    SampleSize size{};
    long units = 0;
    double ours = 0;  // wall seconds
    double fet = 0;
};

}  // namespace

int main(int argc, char** argv) {
    // Waiting for the disk at every table write is not what is measured.
    setenv("ZAVLIN_TABLE_SYNC", "off", 1);
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: vs_peer [--size S|M|L|XL[,...]] [--seed K[,...]] [--week N] "
                     "[--fet-time-limit S] [--keep DIR] [--fet PATH] [--fet-no-gaps] "
                     "[--fet-teacher-gaps N] [--fet-only] [--exact] [--threads N]\n");
        return 2;
    }
    std::vector<int> weeks = {kActiveWeeks[0], kActiveWeeks[1]};
    if (o.week != 0) weeks = {o.week};

    std::printf(
        "Each search capped at %d s a week; ours %s, FET %s.\n"
        "units = what our search places (a union's lesson once, each subgroup's lesson apart);\n"
        "holes / t.holes = group and teacher holes by our quality code; ratio = our wall time\n"
        "over FET's; judge = the independent check of every hard rule.\n\n",
        o.timeLimit, o.exact ? "as the classic search alone" : "with its default steps",
        o.noGaps
            ? "told to leave no group hole"
            : (o.teacherGaps >= 0
                   ? ("at most " + std::to_string(o.teacherGaps) + " gaps a teacher a week").c_str()
                   : "without gap limits"));
    std::printf("Ours runs %d search(es) side by side (0: one per core).\n\n", o.threads);
    std::printf("%-24s | %-38s | %-38s |\n", "", "ours", "FET (acts = its activities)");
    std::printf("%-4s %4s %4s %5s %4s | %8s %8s %6s %5s %7s | %8s %8s %6s %5s %7s | %5s %6s\n",
                "size", "seed", "week", "units", "pins", "wall s", "cpu s", "placed", "holes",
                "t.holes", "wall s", "cpu s", "placed", "holes", "t.holes", "acts", "ratio");
    std::fflush(stdout);
    int status = 0;
    std::vector<SizeTotals> sizes;
    for (SampleSize size : o.sizes) {
        SizeTotals total;
        total.size = size;
        for (uint64_t seed : o.seeds) {
            ScratchCollege college(size, seed);
            if (!college.ok()) return 1;
            for (int ne : weeks) {
                fs::path dir = college.scratch() / ("week" + std::to_string(ne));
                if (!o.keep.empty())
                    dir = fs::path(o.keep) / (std::string(sizeName(size)) + "-" +
                                              std::to_string(seed) + "-week" + std::to_string(ne));
                std::error_code ec;
                fs::create_directories(dir, ec);
                if (ec) {
                    std::fprintf(stderr, "vs_peer: %s: %s\n", dir.c_str(), ec.message().c_str());
                    return 1;
                }
                int units = 0;
                Side our;
                if (o.fetOnly)
                    our.status = our.verdict = "not run";
                else
                    our = ours(college.home, college.dialog, ne, o, units);
                const FetSide peer = fet(o, seed, college.home, college.dialog, ne, dir);
                const int shown = o.fetOnly ? peer.units : units;
                total.units += shown;
                total.ours += our.wall;
                total.fet += peer.side.wall;
                std::printf(
                    "%-4s %4llu %4d %5d %4d | %8.2f %8.2f %6d %5d %7d | %8.2f %8.2f %6d %5d %7d "
                    "| %5d %6.2f\n",
                    sizeName(size), static_cast<unsigned long long>(seed), ne, shown, peer.pinned,
                    our.wall, our.cpu, our.placed, our.totals.groupHoles, our.totals.teacherHoles,
                    peer.side.wall, peer.side.cpu, peer.side.placed, peer.side.totals.groupHoles,
                    peer.side.totals.teacherHoles, peer.activities,
                    peer.side.wall > 0 ? our.wall / peer.side.wall : 0.0);
                std::printf("     week %d ours: %s, judge %s; FET: %s, judge %s\n", ne,
                            our.status.c_str(), our.verdict.c_str(), peer.side.status.c_str(),
                            peer.side.verdict.empty() ? "-" : peer.side.verdict.c_str());
                for (const auto& [what, count] : peer.inexact)
                    std::printf("     week %d not mapped exactly: %s (%d)\n", ne, what.c_str(),
                                count);
                std::fflush(stdout);
                if (our.verdict.rfind("INVALID", 0) == 0 ||
                    peer.side.verdict.rfind("INVALID", 0) == 0)
                    status = 1;
            }
        }
        sizes.push_back(total);
    }
    if (sizes.size() >= 2 && !o.fetOnly) {
        const SizeTotals& a = sizes.front();
        std::printf("\ngrowth from %s (our time / units):\n", sizeName(a.size));
        for (std::size_t i = 1; i < sizes.size(); ++i) {
            const SizeTotals& b = sizes[i];
            const double units = a.units > 0 ? static_cast<double>(b.units) / a.units : 0;
            const double time = a.ours > 0 ? b.ours / a.ours : 0;
            std::printf(
                "  %s: units x%.2f, our time x%.2f, FET's time x%.2f; time per unit x%.2f\n",
                sizeName(b.size), units, time, a.fet > 0 ? b.fet / a.fet : 0.0,
                units > 0 ? time / units : 0.0);
        }
    }
    if (!o.keep.empty())
        std::printf("\nthe .fet files and FET's output are in %s\n", o.keep.c_str());
    return status;
}
