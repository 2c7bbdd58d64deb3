// The state a composition run shares with its searches: the stop flag, the
// status, the counters the progress window shows, the report file and the
// observer that hears about all of it. The run lives on the worker thread:
// only RequestStop() may be called from elsewhere while it runs; the fields
// are set before it starts and read after it has ended.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "storage/file_system.h"

namespace zavlin {

class TAllRasp;

// The phase of a run, in the order a run passes through them.
enum class AStatys { sSinxrPY, sSortRasp, sSosRasp, sSinxr, sSinxrEnd };

// What the progress window shows besides the log.
struct TSosCounters {
    int KolVar = 0;     // variants stored in this week's search
    int CountSs = 0;    // units of the week
    int CountSsOk = 0;  // most units placed in a stored variant
    int CountSsNo = 0;  // units with no place in any order
    int CountYly = 0;   // improvement attempts for the current unit
    int Position = 0;   // the progress bar
    int PositionMax = 0;
};

// What a run tells its window. Every call comes on the run's worker thread,
// in the order the run does things, while the run holds the year: a window
// queues what it hears to its own thread, returns at once, and does not
// touch the year (nor the run's fields) until the run has ended. Only
// SosShowList is waited for (see there).
class TSosObserver {
public:
    virtual ~TSosObserver() = default;
    // A line of the report; heard whether or not the report file is written.
    virtual void SosLog(const std::string& line) { (void)line; }
    // The status line and the button caption.
    virtual void SosStatus(const std::string& text) { (void)text; }
    // Counters or the progress position changed.
    virtual void SosProgress(const TSosCounters& counters) { (void)counters; }
    // A message box: the verdict of a run, or why it did not start.
    virtual void SosMessage(const std::string& text) { (void)text; }
    // The list of pinned lessons that could not be transferred ("Ошибки
    // назначения"); the run waits until this returns. A window that shows
    // the list modally blocks here until its own thread reports the list
    // closed (a promise it fulfils, say); it must not wait on the worker.
    virtual void SosShowList(const std::vector<std::string>& lines) { (void)lines; }
};

// The steps of the search that go beyond the classic one. Each can be
// switched off on its own ("Zavlin98.ini", section "Composition"); the exact
// mode switches them all off and leaves the classic search alone.
struct TSosOptions {
    // Conflict-directed repair of the units a pass (or the completion of a
    // week) left unplaced: the cells that only occupancy rules out, the
    // fewest placed units evicted, they placed again, to a bounded depth.
    bool Repair = true;
    int RepairDepth = 3;      // evictions in a chain
    int RepairNodes = 20000;  // placements tried for one unplaced unit
    // The search ends after this many passes in a row whose best variant
    // placed no unit more (0: only the variant store's limit ends it).
    int RepairPatience = 20;
    // A week the copy of the hardest week and its completion leave with
    // units unplaced is composed again from its pinned lessons, as the
    // hardest week is, and kept so when that places more: the copied
    // lessons do not move in the completion.
    bool Recompose = true;
    // Deviations of the improvement moves, kept for better timetables:
    // the pass-end improvement also fills the groups' holes (kind 0 after
    // kind 3);
    bool PolishHoles = true;
    // a single move or a chain never takes a lesson out of its group's
    // daily window;
    bool ChainInWindow = true;
    // a hole's second move does not go back into the cell just emptied.
    bool NoMoveBack = true;
    // The pass-end improvement, after the groups' holes, closes the
    // teachers' holes and then the groups' holes again.
    bool PolishTeacherHoles = true;
    // With the repair on, a unit that finds no place is given the
    // improvement of its own groups and teachers only, not a sweep over every
    // group: on a large college those sweeps, one per unit that fails, cost
    // most of the first pass, and the repair places what they would have.
    bool LocalSweeps = true;
    // The pass-end improvement's repeated sweeps over every group or
    // teacher each start where the last success was, not at the first.
    bool ResumeSweeps = true;
    // At the pass end, closing a teacher's hole may take the teacher's
    // first or last lesson of a day from any group's day, not only from one
    // longer than the group's planned lessons: that leaves about a tenth
    // fewer teacher holes.
    bool TeacherHolesAnyDay = true;
    // The pass-end improvement's sweeps pass over a teacher whose last try
    // found no move while neither its lessons nor its groups' lessons
    // changed since, and over such a group while neither its lessons nor
    // its teachers' lessons changed. The last sweeps, which find nothing,
    // then look only where moves were made, and the pass end grows with the
    // week's moves rather than with the moves times the teachers.
    bool SkipUnchanged = true;
    // A move joins an occupied cell only beside subgroup lessons of its own
    // subject in both modes: anything looser would put two lessons of one
    // group in one cell.

    // Searches of a week run side by side, each in its own process over its
    // own copy of the year and in its own order of the units; the best
    // variant of them all is kept (ties: the lower search, and the first is
    // the classic order). 0: one per core. A run gives the same timetable
    // for the same count whatever the machine's speed, unless a time limit
    // ends it.
    int Threads = 1;

    // The classic search alone.
    static TSosOptions Exact() {
        TSosOptions o;
        o.Repair = false;
        o.Recompose = false;
        o.PolishHoles = false;
        o.ChainInWindow = false;
        o.NoMoveBack = false;
        o.PolishTeacherHoles = false;
        o.LocalSweeps = false;
        o.ResumeSweeps = false;
        o.TeacherHolesAnyDay = false;
        o.SkipUnchanged = false;
        o.Threads = 1;
        return o;
    }
};

class TSosRun {
public:
    using Clock = std::chrono::steady_clock;

    TSosRun(TAllRasp& year, std::filesystem::path home, FileSystem& fs = realFileSystem());

    TAllRasp& Year;
    // The variant file and the report go through it.
    FileSystem& Fs;
    AStatys Statys = AStatys::sSinxrPY;
    // The report is on: "Logsrasp.txt" receives every line.
    bool WLog = false;
    TSosObserver* Observer = nullptr;  // not owned
    TSosOptions Options;
    TSosCounters Counters;
    std::string Caption;  // the stop button's caption: what is running
    // Ti: last improvement of the placed count; Tm1/Tm2: the week's start/end.
    Clock::time_point Ti, Ti2, Tm1, Tm2;

    // The stop button: the sort or the week's search in progress ends at
    // its next check and keeps its best variant. Any thread may call it; it
    // only stores a lock-free atomic, so a signal handler may too.
    void RequestStop() noexcept { StopSos.store(false); }
    // A week's search calls this as it starts: a stop asked for before
    // belonged to the search before.
    void ClearStopRequest() noexcept { StopSos.store(true); }
    // Clears a stop asked from outside; one the week's time or step limit
    // made stands, since the limit is not armed again.
    void ClearOutsideStopRequest() noexcept {
        if (!FLimitReached) StopSos.store(true);
    }
    // Has a stop been asked for or a file failed? Unlike FormS1StopSos it
    // neither counts a step nor reads the clock: for a run that only waits.
    bool StopRequested() const noexcept {
        return !StopSos.load(std::memory_order_relaxed) || !FFileError.empty();
    }
    // A second "may go on" flag the run obeys besides its own: a search in
    // another process is stopped through one shared with it. Not owned.
    const std::atomic<bool>* SharedGo = nullptr;
    // Where the run shows it is alive: a count of its polls, now and then.
    // A search in another process that stops counting is hung. Not owned.
    std::atomic<uint64_t>* Heartbeat = nullptr;
    // A search side by side whose heartbeat stands still this long is hung
    // (a lock another thread of the run held at the fork, say) and is ended;
    // a live search polls many times a second.
    std::chrono::milliseconds SearchSilenceLimit{10000};
    // When set, report lines are kept here instead of being written and told
    // to the observer: a search in another process hands them over at its end.
    std::vector<std::string>* Capture = nullptr;
    // May the run go on? Asked by the worker between steps. Checks the
    // week's time limit too: once it has passed, the run stops as if the
    // stop button had been pressed. False for good once a file of the run
    // could not be written or read back.
    bool FormS1StopSos();
    // Each week's composition may run this long; zero = until it ends.
    std::chrono::seconds WeekTimeLimit{0};
    // Each week's composition may poll the stop flag this many times; zero =
    // no limit. Unlike the clock it stops at the same point on every machine.
    std::uint64_t WeekStepLimit = 0;
    // Called when a week's composition starts; the week's step lines start
    // counting afresh.
    void ArmWeekDeadline();
    std::filesystem::path VariantFile() const { return FHome / "temprasp.bin"; }
    std::filesystem::path LogFile() const { return FHome / "Logsrasp.txt"; }
    const std::filesystem::path& Home() const { return FHome; }

    // A report line: to the observer always, to "Logsrasp.txt" (Windows-1251,
    // CR LF, appended with a write of its own) when WLog is set.
    void SaveLog(const std::string& line);
    // A line written per try or per move. Millions of them come in a long
    // search, so a week's report takes at most StepLogLimit bytes of them;
    // one line then says the rest is left out.
    void SaveStepLog(const std::string& line);
    bool StepLog() const { return WLog && !FStepLogFull; }
    std::uintmax_t StepLogLimit = std::uintmax_t{64} << 20;
    void Status(const std::string& text);
    void Progress();

    // A file of the run could not be written (or read back): what the run
    // did since can no longer be trusted, so it stops and its result must
    // not be saved. The first fault is kept; the observer hears it as a line.
    void FileFault(const std::string& message);
    bool FilesOk() const { return FFileError.empty(); }
    const std::string& FileError() const { return FFileError; }
    // Opens the report (created when missing) for the lines to come, when
    // WLog is set; false (and a fault) when it cannot be.
    bool CreateLog();

private:
    // Set while the run may go on, cleared to stop it (the engine's name:
    // "may go on" is the answer no to "stop composing?").
    std::atomic<bool> StopSos{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
    std::filesystem::path FHome;
    Clock::time_point FDeadline{};
    bool FHasDeadline = false;
    bool FLimitReached = false;  // the week's time or step limit has stopped it
    unsigned FPolls = 0;
    uint64_t FBeats = 0;
    std::uint64_t FStepsLeft = 0;
    std::uintmax_t FStepLogBytes = 0;
    bool FStepLogFull = false;
    std::string FFileError;
    // The report stays open between lines: opening it per line cost more
    // than the search on a large college. Each line is written at once, so
    // the file stays whole when the run dies.
    std::unique_ptr<File> FLog;
    std::uint64_t FLogEnd = 0;  // where the next line goes
    bool openLog();
};

}  // namespace zavlin
