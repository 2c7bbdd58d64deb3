#include "cli/compose_commands.h"

#include <fmt/format.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "composition/driver.h"
#include "composition/parallel_search.h"
#include "composition/quality.h"
#include "composition/sos_options.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "model/god.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct ComposeArgs {
    int week = 0;
    int god = 0;
    std::string groups;  // comma-separated names; empty = every group
    bool log = false;
    int timeLimit = 0;  // seconds per week, 0 = none
    bool exact = false;
    int threads = -1;  // -1: as the settings say
};

// The home's "Zavlin98.ini" chooses the steps beyond the classic search;
// --exact leaves the classic search alone; --threads, given, counts the
// searches side by side in either.
TSosOptions composeOptions(const fs::path& home, bool exact, int threads) {
    TSosOptions o = exact ? TSosOptions::Exact() : ReadSosOptions(home);
    if (threads >= 0) o.Threads = threads;
    return o;
}

// The observers print on the worker thread, where a failed write must not
// throw: the run would die half way. main() sees the stream's error at exit.
void tell(std::FILE* to, const std::string& text) {
    (void)std::fputs(text.c_str(), to);
}

// Ctrl-C stops the search the way the stop button does: the best variant is
// restored and saved.
std::atomic<TSosRun*> gStopRun{nullptr};

// Installs a Ctrl-C handler that reads target; on every way out, an
// exception too, the previous handler comes back and target is cleared, so
// a late Ctrl-C never reaches an object that is gone.
template <typename T>
class InterruptScope {
public:
    InterruptScope(std::atomic<T*>& target, T* value, void (*handler)(int)) : target_(target) {
        target_ = value;
        previous_ = std::signal(SIGINT, handler);
    }
    ~InterruptScope() { release(); }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;
    void release() {
        if (!active_) return;
        std::signal(SIGINT, previous_);
        target_ = nullptr;
        active_ = false;
    }

private:
    std::atomic<T*>& target_;
    void (*previous_)(int) = nullptr;
    bool active_ = true;
};

// RequestStop only stores a lock-free atomic: safe in a signal handler.
extern "C" void onInterrupt(int) {
    if (TSosRun* run = gStopRun.load(); run != nullptr) run->RequestStop();
}

// One line on stderr, rewritten in place, at most ten times a second.
class ProgressLine : public TSosObserver {
public:
    void SosStatus(const std::string& text) override { status_ = text; }
    void SosProgress(const TSosCounters& c) override {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        tell(stderr,
             fmt::format("\r{} {}/{}, variants {}, placed {}/{}, given up {}   ", phase(),
                         c.Position, c.PositionMax, c.KolVar, c.CountSsOk, c.CountSs, c.CountSsNo));
        shown_ = true;
    }
    void finish() {
        if (shown_) tell(stderr, "\n");
    }

private:
    // The stop button's caption says what runs.
    std::string phase() const {
        return status_.find("ртировку") != std::string::npos ? "sorting" : "unit";
    }
    std::string status_;
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

std::vector<std::string> splitNames(const std::string& text) {
    std::vector<std::string> names;
    std::stringstream in(text);
    std::string name;
    while (std::getline(in, name, ','))
        if (!name.empty()) names.push_back(name);
    return names;
}

int composeWeek(const fs::path& home, const ComposeArgs& args) {
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Exclusive);
    if (!held) return kExitFailed;
    TAllRasp year(dm);
    if (const int failed = loadYearForVerb(home, dm, year, args.god); failed >= 0) return failed;

    if (args.groups.empty()) {
        year.SelectAllGryp(true);
    } else {
        year.SelectAllGryp(false);
        for (const std::string& name : splitNames(args.groups)) {
            TGryp* gr = year.FindGrypForName(name);
            if (gr == nullptr) {
                printError(fmt::format("no group named {} in the year {}", name, year.YGod));
                return kExitUsage;
            }
            gr->Select = true;
        }
    }
    // loadYearForVerb has named the groups left out.
    (void)LeaveOutUnreadableGroups(year);
    int withWeek = 0;
    for (const auto& gr : year.LGryp)
        if (gr->Select && gr->GetNed(args.week) != nullptr) ++withWeek;
    if (withWeek == 0) {
        printError(fmt::format("none of the chosen groups has week {}", args.week));
        return kExitUsage;
    }

    TSosRun run(year, home);
    run.WLog = args.log;
    run.Statys = AStatys::sSosRasp;
    run.WeekTimeLimit = std::chrono::seconds(args.timeLimit);
    run.Options = composeOptions(home, args.exact, args.threads);
    ProgressLine progress;
    run.Observer = &progress;
    InterruptScope<TSosRun> interrupts(gStopRun, &run, onInterrupt);
    const auto start = std::chrono::steady_clock::now();
    const TSostavResult result = SostavNed(run, args.week);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    interrupts.release();
    progress.finish();

    fmt::print(
        "week {} ({}), {} groups: {} of {} units placed, {} given up, {} variants, {:.2f} s\n",
        args.week, year.AllNed.GetNumberWeek(args.week), withWeek, result.placed, result.units,
        result.noPlace, result.variants, seconds);
    for (const std::string& line : result.unplaced) fmt::print("not placed: {}\n", line);
    for (const std::string& line : result.why) fmt::print("{}\n", line);
    for (const std::string& line : KahestvoReportLines(year, args.week)) fmt::print("{}\n", line);
    if (!run.FilesOk()) {
        printError(run.FileError() + ": the timetable was not saved");
        return kExitFailed;
    }
    if (!year.SaveRasp()) {
        printError("some timetables could not be written");
        return kExitFailed;
    }
    return kExitOk;
}

// --- compose: the whole run over the active weeks

struct RunArgs {
    std::string mode = "zero";
    int baseWeek = 0;
    bool complete = false;
    std::string groups;
    bool all = false;
    bool log = false;
    bool yes = false;
    bool verbose = false;
    int god = 0;
    int timeLimit = 0;  // seconds per week, 0 = none
    bool exact = false;
    int threads = -1;  // -1: as the settings say
};

// Ctrl-C: the first acts as the stop button, the next ones end the run
// after its current phase. Only lock-free atomics are touched here (Stop and
// EndRun store nothing else).
std::atomic<TSosRaspisanue*> gRunWorker{nullptr};
std::atomic<int> gRunInterrupts{0};

extern "C" void onRunInterrupt(int) {
    TSosRaspisanue* worker = gRunWorker.load();
    if (worker == nullptr) return;
    if (gRunInterrupts.fetch_add(1) > 0)
        worker->EndRun();
    else
        worker->Stop();
}

std::string clockText(std::chrono::steady_clock::duration span) {
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(span).count();
    return fmt::format("{}:{:02}:{:02}", s / 3600, s / 60 % 60, s % 60);
}

// The progress window on a terminal: one status line on stderr rewritten in
// place (one line per phase when stderr is no terminal), the log lines on
// stdout with --verbose. Called on the worker thread.
class RunWindow : public TFormS1Observer {
public:
    RunWindow(const TSosRun& run, bool verbose)
        : run_(run), verbose_(verbose), tty_(isatty(STDERR_FILENO) != 0) {}

    void SosLog(const std::string& line) override {
        if (!verbose_) return;
        clearLine();
        tell(stdout, fmt::format("{}\n", line));
        std::fflush(stdout);
    }
    void SosStatus(const std::string& text) override {
        // The week search names its step through the stop button's caption.
        if (text.rfind("Прекратить", 0) == 0) {
            sorting_ = text.find("ртировку") != std::string::npos;
        } else {
            phase_ = text;
            sorting_ = false;
            if (!tty_) tell(stderr, fmt::format("{}\n", phase_));
        }
        show(true);
    }
    void SosProgress(const TSosCounters& c) override {
        counters_ = c;
        show(false);
    }
    void SosShowList(const std::vector<std::string>& lines) override {
        clearLine();
        tell(stdout, "Ошибки назначения\nСписок не выполненных предварительных установок\n");
        for (const std::string& line : lines) tell(stdout, fmt::format("  {}\n", line));
        std::fflush(stdout);
    }
    void finish() { clearLine(); }

private:
    void show(bool now) {
        if (!tty_) return;
        const auto t = std::chrono::steady_clock::now();
        if (!now && t - last_ < std::chrono::milliseconds(100)) return;
        last_ = t;
        const TSosCounters& c = counters_;
        std::string line = phase_ + (sorting_ ? ", sorting" : "");
        if (c.PositionMax > 0)
            line += fmt::format(": unit {} of {}, variants {}, placed {} of {}", c.Position,
                                c.PositionMax, c.KolVar, c.CountSsOk, c.CountSs);
        if (c.CountSsNo > 0) line += fmt::format(", no place {}", c.CountSsNo);
        if (c.KolVar > 0) line += ", last improvement " + clockText(t - run_.Ti) + " ago";
        tell(stderr, fmt::format("\r{}\x1b[K", line));
        std::fflush(stderr);
        shown_ = true;
    }
    void clearLine() {
        if (!shown_) return;
        tell(stderr, "\r\x1b[K");
        std::fflush(stderr);
        shown_ = false;
    }

    const TSosRun& run_;
    bool verbose_;
    bool tty_;
    std::string phase_;
    bool sorting_ = false;
    TSosCounters counters_;
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

std::string confirmationQuestion(int tip) {
    switch (tip) {
        case 0:
            return "Составить расписание? Старое расписание для всех групп будет уничтожено!";
        case 1:
            return "Составить расписание? Старое расписание для выбранных групп будет уничтожено!";
        default:
            return "Синхронизировать расписание? Старое расписание для выбранных групп будет "
                   "уничтожено!";
    }
}

// Yes only on a terminal that answers y.
bool confirmed(int tip) {
    return confirmedOnTerminal(confirmationQuestion(tip), "add --yes to compose without asking");
}

int composeRun(const fs::path& home, const RunArgs& args) {
    const int tip = args.mode == "recompose" ? 1 : args.mode == "sync" ? 2 : 0;
    if (!args.all && args.groups.empty()) {
        printError("Выберите группы (--groups A,B or --all)");
        return kExitUsage;
    }
    if (args.all && !args.groups.empty()) {
        printError("--groups and --all exclude each other");
        return kExitUsage;
    }
    if (tip == 2 && args.baseWeek == 0) {
        printError("Выберите базовую неделю (--base-week N)");
        return kExitUsage;
    }
    if (tip != 2 && (args.baseWeek != 0 || args.complete)) {
        printError("--base-week and --complete belong to --mode sync");
        return kExitUsage;
    }

    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Exclusive);
    if (!held) return kExitFailed;
    int status = kExitOk;
    std::unique_ptr<TGod> god = loadGodForVerb(home, dm, args.god, status);
    if (!god) return status;
    god->SelectAllGryp(args.all);
    for (const std::string& name : splitNames(args.groups)) {
        TGryp* gr = god->FindGrypForName(name);
        if (gr == nullptr) {
            printError(fmt::format("no group named {} in the year {}", name, god->YGod));
            return kExitUsage;
        }
        gr->Select = true;
    }
    (void)LeaveOutUnreadableGroups(*god);
    if (god->CountSelectGryp() == 0) {
        printError("Выберите группы: the year has no groups");
        return kExitUsage;
    }
    if (god->AllNed.CountActivDNed() == 0) {
        printError("no week is active (zavlin-cli weeks activate LIST)");
        return kExitUsage;
    }
    if (!args.yes && !confirmed(tip)) return kExitUsage;

    TFormS1State state(*god, home);
    state.Run.WLog = args.log;
    state.Run.WeekTimeLimit = std::chrono::seconds(args.timeLimit);
    state.Run.Options = composeOptions(home, args.exact, args.threads);
    state.SetTipSostRasp(static_cast<uint8_t>(tip));
    state.SetSinxrNed(static_cast<uint8_t>(args.baseWeek));
    state.SetSostRaspYes(args.complete);
    RunWindow window(state.Run, args.verbose);
    state.SetObserver(&window);

    TSosRaspisanue worker(state);
    gRunInterrupts = 0;
    InterruptScope<TSosRaspisanue> handler(gRunWorker, &worker, onRunInterrupt);
    worker.Start();
    worker.Wait();
    window.finish();

    const int interrupts = gRunInterrupts.load();
    if (interrupts == 1)
        fmt::print(stderr, "stopped once: the week then composed kept its best variant\n");
    if (interrupts > 1)
        fmt::print(stderr, "the run was ended early; the stored timetable is kept\n");
    const TFormS1Snapshot done = state.Snapshot();
    fmt::print("{}\n", done.Verdict);
    std::vector<TSosWeek> weeks = done.Weeks;
    std::sort(weeks.begin(), weeks.end(),
              [](const TSosWeek& a, const TSosWeek& b) { return a.ne < b.ne; });
    for (const TSosWeek& w : weeks) {
        const int base = tip == 2 ? args.baseWeek : done.NMaxNed;
        std::string what = w.ne == done.NMaxNed ? "the hardest week, composed"
                           : w.afresh
                               ? fmt::format(
                                     "composed afresh (the copy of week {} and its completion "
                                     "left {} without a place)",
                                     base, w.lacking)
                           : w.composed ? fmt::format("copied from week {} and completed", base)
                                        : fmt::format("copied from week {}", args.baseWeek);
        if (w.composed)
            what +=
                fmt::format(": {} of {} units placed, {} given up, {} variants", w.result.placed,
                            w.result.units, w.result.noPlace, w.result.variants);
        fmt::print("\nweek {} ({}): {}\n", w.ne, god->GetNumberWeek(w.ne), what);
        for (const std::string& line : w.result.unplaced) fmt::print("not placed: {}\n", line);
        for (const std::string& line : w.result.why) fmt::print("{}\n", line);
        for (const std::string& line : KahestvoReportLines(*god, w.ne)) fmt::print("{}\n", line);
    }
    if (args.log) fmt::print("\nreport: {}\n", state.NameLogFile());
    // What a run did after a file fault cannot be trusted: the stored year stays.
    if (!done.FileError.empty()) {
        handler.release();
        printError(done.FileError + ": the timetable was not saved");
        return kExitFailed;
    }
    // An ended run has cleared weeks it never composed again.
    if (done.Ended) {
        handler.release();
        return kExitFailed;
    }
    // Ctrl-C during the save changes nothing: the handler stays until then.
    const bool saved = god->SaveRasp();
    handler.release();
    if (!saved) {
        printError("some timetables could not be written");
        return kExitFailed;
    }
    return done.PyOk && done.RaspOk ? kExitOk : kExitFailed;
}

}  // namespace

void addComposeCommands(CLI::App& app, int& status) {
    auto args = std::make_shared<ComposeArgs>();
    CLI::App* verb = app.add_subcommand(
        "compose-week", "compose one week of the chosen groups from their current state and save");
    verb->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    verb->add_option("--week", args->week, "the week, 1-56")->required()->check(CLI::Range(1, 56));
    verb->add_option("--groups", args->groups,
                     "group names, comma-separated; every group when absent");
    verb->add_flag("--log", args->log, "write the report file Logsrasp.txt in the home folder");
    verb->add_option("--time-limit", args->timeLimit,
                     "stop the search after this many seconds and keep the best variant found")
        ->check(CLI::NonNegativeNumber);
    verb->add_option("--year", args->god,
                     "the academic year (2016 = 2016/17); the active one by default");
    verb->add_flag("--exact", args->exact,
                   "the exact mode: none of the steps that Zavlin98.ini [Composition] switches");
    verb->add_option("--threads", args->threads,
                     "searches side by side, each in its own order; 0 = one per core")
        ->check(CLI::Range(0, kMaxSearches));
    verb->callback([verb, args, &status] { status = composeWeek(homeFolder(*verb), *args); });

    auto runArgs = std::make_shared<RunArgs>();
    CLI::App* compose = app.add_subcommand(
        "compose",
        "compose the active weeks of the chosen groups: from zero, again, or from a base week");
    compose->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    compose
        ->add_option(
            "--mode", runArgs->mode,
            "zero (every group cleared), recompose (the chosen groups), sync (from --base-week)")
        ->check(CLI::IsMember({"zero", "recompose", "sync"}));
    compose->add_option("--base-week", runArgs->baseWeek, "the base week of --mode sync, 1-56")
        ->check(CLI::Range(1, 56));
    compose->add_flag("--complete", runArgs->complete,
                      "sync: also compose each synchronised week to place what the copy left");
    compose->add_option("--groups", runArgs->groups, "group names, comma-separated");
    compose->add_flag("--all", runArgs->all, "every group of the year");
    compose->add_flag("--log", runArgs->log,
                      "write the report file Logsrasp.txt in the home folder");
    compose->add_flag("--yes", runArgs->yes, "confirm that the old timetable is destroyed");
    compose->add_flag("--verbose", runArgs->verbose, "print every line of the report");
    compose
        ->add_option("--time-limit", runArgs->timeLimit,
                     "stop each week's search after this many seconds, keeping its best variant")
        ->check(CLI::NonNegativeNumber);
    compose->add_option("--year", runArgs->god,
                        "the academic year (2016 = 2016/17); the active one by default");
    compose->add_flag("--exact", runArgs->exact,
                      "the exact mode: none of the steps that Zavlin98.ini [Composition] switches");
    compose
        ->add_option("--threads", runArgs->threads,
                     "searches side by side in each week, each in its own order; 0 = one per core")
        ->check(CLI::Range(0, kMaxSearches));
    compose->callback(
        [compose, runArgs, &status] { status = composeRun(homeFolder(*compose), *runArgs); });
}

}  // namespace zavlin::cli
