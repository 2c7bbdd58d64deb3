// Our composition of a week beside the free timetabler FET on the same
// sample college and the same hard rules (see vs_peer_fet.h for how each
// rule maps). For each active week both start from the week cleared with
// its pinned lessons transferred, as a run from zero does; FET's timetable
// is placed into a copy of the week and measured by our quality code, and
// both timetables go before the independent judge.
//
// Release build; FET's command-line solver from scripts/install-bench-deps.sh.
// vs_peer [--size S|M|L|XL] [--seed K] [--week N] [--fet-time-limit S]
//         [--keep DIR] [--fet PATH]
// The time limit caps both searches, each week.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
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
    SampleSize size = SampleSize::S;
    uint64_t seed = 1;
    int week = 0;  // 0 = both active weeks
    int timeLimit = 300;
    std::string keep;
    std::string fet = "fet-cl";
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

// The year loaded with week ne as a run from zero starts it: every group's
// week cleared, the pinned lessons transferred.
class WeekAtStart {
public:
    WeekAtStart(const fs::path& home, TMyDialog& dialog, int ne) : dm(home, dialog), year(dm) {
        year.YGod = 2026;
        if (!year.LoadYear()) return;
        year.SelectAllGryp(true);
        for (const auto& gr : year.LGryp) gr->ClearRasp(0, ne, false);
        // Credits hold teachers outside the timetable; read before any pin.
        busy = peer::TeacherBusyCells(year, ne);
        std::vector<std::string> refused;
        for (const auto& gr : year.LGryp) gr->CopyPyToRasp(ne, refused);
        pinsRefused = static_cast<int>(refused.size());
        loaded = true;
    }
    TDM1 dm;
    TAllRasp year;
    std::map<const TFio*, std::vector<std::pair<int, int>>> busy;
    int pinsRefused = 0;
    bool loaded = false;
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

Side ours(const fs::path& home, TMyDialog& dialog, int ne, int timeLimit, int& units) {
    Side side;
    WeekAtStart w(home, dialog, ne);
    if (!w.loaded) {
        side.status = "the year did not load";
        return side;
    }
    TSosRun run(w.year, home);
    run.WLog = false;
    run.Statys = AStatys::sSosRasp;
    run.WeekTimeLimit = std::chrono::seconds(timeLimit);
    const auto t0 = Clock::now();
    const std::clock_t c0 = std::clock();
    const TSostavResult r = SostavNed(run, ne);
    side.cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    side.wall = since(t0);
    units = r.units;
    side.placed = r.placed;
    side.totals = WeekTotals(w.year, 0, ne);
    side.verdict = judge(w.year, ne, side.missing);
    side.status = r.placed == r.units ? "complete" : "partial";
    return side;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs FET; false when it could not be started. Its own exit code and its
// processor time come back.
bool runFet(const Options& o, const fs::path& input, const fs::path& outDir, int& exitCode,
            double& cpu) {
    std::vector<std::string> args = {
        o.fet,
        "--inputfile=" + input.string(),
        "--outputdir=" + outDir.string(),
        "--timelimitseconds=" + std::to_string(o.timeLimit),
        "--htmllevel=0",
        "--language=en_US",
        "--verbose=false",
        "--warnsubgroupswiththesameactivities=false",
    };
    // Only the activities' XML timetable is read (this FET writes it with
    // the activity tags' timetables).
    args.push_back("--writetimetableconflicts=false");
    for (const char* kind :
         {"statistics", "dayshorizontal", "daysvertical", "timehorizontal", "timevertical",
          "subgroups", "groups", "years", "teachers", "teachersfreeperiods", "rooms", "subjects"})
        args.push_back(std::string("--writetimetables") + kind + "=false");
    args.push_back("--writetimetablesxml=true");
    // The same answer for the same sample.
    const std::string s = std::to_string(o.seed % 4000000000ULL + 1);
    for (const char* part : {"10", "11", "12", "20", "21", "22"})
        args.push_back(std::string("--randomseeds") + part + "=" + s);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const fs::path log = outDir / "fet-cl.log";
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0) dup2(null, 0);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return false;
    cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exitCode != 127;
}

// The first lines FET says why it stopped with.
std::string fetComplaint(const fs::path& outDir) {
    std::istringstream log(readFile(outDir / "fet-cl.log"));
    std::string line;
    std::string said;
    while (std::getline(log, line))
        if (line.rfind("Message: ", 0) == 0 || line.find("aborting") != std::string::npos) {
            said = line;
            break;
        }
    return said.empty() ? "see " + (outDir / "fet-cl.log").string() : said;
}

struct FetSide {
    Side side;
    int activities = 0;
    int pinned = 0;
    std::map<std::string, int> inexact;
};

FetSide fet(const Options& o, const fs::path& home, TMyDialog& dialog, int ne,
            const fs::path& dir) {
    FetSide f;
    WeekAtStart w(home, dialog, ne);
    if (!w.loaded) {
        f.side.status = "the year did not load";
        return f;
    }
    peer::FetInstance instance;
    {
        TSosRun run(w.year, dir);
        run.WLog = false;
        TSpSostPr sp(run, ne);
        sp.GetSosSpisok();
        std::vector<const TSosPredmet*> units;
        for (int i = 0; i < sp.Count(); ++i) units.push_back(sp.Item(i));
        instance = peer::BuildFetInstance(w.year, ne, units, w.busy);
    }
    f.activities = static_cast<int>(instance.activities.size());
    f.pinned = instance.pinnedLessons;
    f.inexact = instance.inexact;
    if (w.pinsRefused > 0) f.inexact["pinned lessons the transfer refused"] = w.pinsRefused;

    const std::string base = "week" + std::to_string(ne);
    const fs::path input = dir / (base + ".fet");
    {
        std::ofstream out(input, std::ios::binary);
        out << peer::WriteFetXml(instance);
        if (!out) {
            f.side.status = "could not write " + input.string();
            return f;
        }
    }
    const fs::path outDir = dir / "fet";
    std::error_code ec;
    fs::create_directories(outDir, ec);
    int exitCode = 0;
    const auto t0 = Clock::now();
    if (!runFet(o, input, outDir, exitCode, f.side.cpu)) {
        f.side.status = "could not run " + o.fet + " (scripts/install-bench-deps.sh installs it)";
        return f;
    }
    f.side.wall = since(t0);
    const fs::path solved = outDir / "timetables" / base / (base + "_activities.xml");
    const fs::path highest =
        outDir / "timetables" / (base + "-highest") / (base + "_activities.xml");
    fs::path answer;
    if (fs::exists(solved)) {
        answer = solved;
        f.side.status = "complete";
    } else if (fs::exists(highest)) {
        answer = highest;
        f.side.status = "partial (time limit)";
    } else {
        f.side.status = "failed (exit " + std::to_string(exitCode) + "): " + fetComplaint(outDir);
        return f;
    }
    std::map<int, peer::FetTime> times;
    std::string why;
    if (!peer::ParseFetActivities(readFile(answer), times, why)) {
        f.side.status = "unreadable answer: " + why;
        return f;
    }
    const peer::FetPlacement placed = peer::PlaceFetTimes(instance, times);
    f.side.placed = placed.unitsPlaced;
    if (placed.rejected > 0)
        f.side.status += ", " + std::to_string(placed.rejected) + " activities at impossible times";
    f.side.totals = WeekTotals(w.year, 0, ne);
    f.side.verdict = judge(w.year, ne, f.side.missing);
    return f;
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--size" && more) {
            const auto size = parseSampleSize(argv[++i]);
            if (!size) return false;
            o.size = *size;
        } else if (a == "--seed" && more) {
            o.seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--week" && more) {
            o.week = std::atoi(argv[++i]);
            if (o.week < 1 || o.week > kWeeks) return false;
        } else if (a == "--fet-time-limit" && more) {
            o.timeLimit = std::atoi(argv[++i]);
            if (o.timeLimit < 1) return false;
        } else if (a == "--keep" && more) {
            o.keep = argv[++i];
        } else if (a == "--fet" && more) {
            o.fet = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Waiting for the disk at every table write is not what is measured.
    setenv("ZAVLIN_TABLE_SYNC", "off", 1);
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: vs_peer [--size S|M|L|XL] [--seed K] [--week N] "
                     "[--fet-time-limit S] [--keep DIR] [--fet PATH]\n");
        return 2;
    }
    ScratchCollege college(o.size, o.seed);
    if (!college.ok()) return 1;
    std::vector<int> weeks = {kActiveWeeks[0], kActiveWeeks[1]};
    if (o.week != 0) weeks = {o.week};

    std::printf(
        "sample %s, seed %llu, %zu groups; each search capped at %d s a week.\n"
        "units = what our search places (a union's lesson once, each subgroup's lesson apart);\n"
        "holes / t.holes = group and teacher holes by our quality code; judge = the\n"
        "independent check of every hard rule\n\n",
        sizeName(o.size), static_cast<unsigned long long>(o.seed),
        college.sample.plan.groups.size(), o.timeLimit);
    std::printf("%-4s %4s %4s %5s %4s | %-3s %8s %8s %6s %5s %7s | %8s %8s %6s %5s %7s %5s\n",
                "size", "seed", "week", "units", "pins", "", "wall s", "cpu s", "placed", "holes",
                "t.holes", "wall s", "cpu s", "placed", "holes", "t.holes", "acts");
    std::fflush(stdout);
    std::vector<std::string> notes;
    int status = 0;
    for (int ne : weeks) {
        fs::path dir = college.scratch() / ("week" + std::to_string(ne));
        if (!o.keep.empty())
            dir = fs::path(o.keep) / (std::string(sizeName(o.size)) + "-" + std::to_string(o.seed) +
                                      "-week" + std::to_string(ne));
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) {
            std::fprintf(stderr, "vs_peer: %s: %s\n", dir.c_str(), ec.message().c_str());
            return 1;
        }
        int units = 0;
        const Side our = ours(college.home, college.dialog, ne, o.timeLimit, units);
        const FetSide peer = fet(o, college.home, college.dialog, ne, dir);
        std::printf(
            "%-4s %4llu %4d %5d %4d | %-3s %8.1f %8.1f %6d %5d %7d | %8.1f %8.1f %6d %5d %7d %5d\n",
            sizeName(o.size), static_cast<unsigned long long>(o.seed), ne, units, peer.pinned, "",
            our.wall, our.cpu, our.placed, our.totals.groupHoles, our.totals.teacherHoles,
            peer.side.wall, peer.side.cpu, peer.side.placed, peer.side.totals.groupHoles,
            peer.side.totals.teacherHoles, peer.activities);
        std::printf("     week %d ours: %s, judge %s; FET: %s, judge %s\n", ne, our.status.c_str(),
                    our.verdict.c_str(), peer.side.status.c_str(),
                    peer.side.verdict.empty() ? "-" : peer.side.verdict.c_str());
        for (const auto& [what, count] : peer.inexact)
            std::printf("     week %d not mapped exactly: %s (%d)\n", ne, what.c_str(), count);
        std::fflush(stdout);
        if (our.verdict.rfind("INVALID", 0) == 0 || peer.side.verdict.rfind("INVALID", 0) == 0)
            status = 1;
    }
    if (!o.keep.empty())
        std::printf("\nthe .fet files and FET's output are in %s\n", o.keep.c_str());
    return status;
}
