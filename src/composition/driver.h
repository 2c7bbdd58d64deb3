// The whole automatic composition of the active weeks: the state the
// progress window shows (TFormS1State) and the worker that runs the phases
// on its own thread (TSosRaspisanue): test of the pinned lessons, clearing,
// their transfer and spreading, the hardest week, the other weeks, the
// final test.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "composition/sos_run.h"
#include "composition/week_search.h"

namespace zavlin {

class TAllRasp;
class TGryp;

// What the progress window hears besides the log, the status and the
// counters of a week. Called like TSosObserver: on the worker thread, to be
// queued to the window's own thread.
class TFormS1Observer : public TSosObserver {
public:
    virtual void SosButton(const std::string& caption, bool enabled) {
        (void)caption;
        (void)enabled;
    }
    virtual void SosClearMemo() {}
};

// One week the run composed or synchronised.
struct TSosWeek {
    int ne = 0;
    bool composed = false;  // false: only copied from the base week
    TSostavResult result;
    // Composed again from its pinned lessons after the completion of the
    // copy left units unplaced (TSosOptions::Recompose); lacking: how many.
    bool afresh = false;
    int lacking = 0;
};

// A copy of the run state, taken under the state's lock: what a window
// redraws from at any moment, and what the caller reads after the run.
struct TFormS1Snapshot {
    bool StartPotok = false;  // the worker is running
    AStatys Statys = AStatys::sSinxrPY;
    std::string Caption;  // of the window
    std::string Status;   // the last status line
    std::string ButtonCaption;
    bool ButtonEnabled = false;
    TSosCounters Counters;
    int NMaxNed = 0;
    std::vector<std::string> Sl;  // pinned lessons that could not go in
    // The outcome.
    bool PyOk = false;  // the pinned lessons passed their test
    // The final test passed and every file of the run was written; with a
    // file fault (FileError not empty) the year in memory must not be saved.
    bool RaspOk = false;
    // The run was ended before its phases were done: the year in memory is
    // half composed (perhaps only cleared) and must not be saved either.
    bool Ended = false;
    std::string Verdict;  // the last message shown
    std::vector<TSosWeek> Weeks;
    std::string FileError;
};

// The run state of the progress window. The worker writes it under a lock;
// a window hears it through its observer or reads it whole through
// Snapshot(), from any thread.
class TFormS1State : private TSosObserver {
public:
    // The variant file and the report go through fs.
    TFormS1State(TAllRasp& year, std::filesystem::path home, FileSystem& fs = realFileSystem());
    TFormS1State(const TFormS1State&) = delete;
    TFormS1State& operator=(const TFormS1State&) = delete;

    // Set before the run starts; the observer must outlive it.
    void SetObserver(TFormS1Observer* observer) { FWindow = observer; }
    TFormS1Observer* Window() const { return FWindow; }
    // What to run (0 from zero, 1 recompose, 2 synchronise), from which
    // base week, and whether a synchronisation completes the weeks. Set
    // before the run; a change while it runs counts from the next one.
    void SetTipSostRasp(uint8_t tip);
    void SetSinxrNed(uint8_t ne);
    void SetSostRaspYes(bool complete);
    uint8_t TipSostRasp() const;
    uint8_t SinxrNed() const;
    bool SostRaspYes() const;

    TFormS1Snapshot Snapshot() const;
    bool StartPotok() const { return FStartPotok.load(); }
    // A week's search (its sort included) is running: only then does the
    // stop button have something to end.
    bool Searching() const { return FSearching.load(); }

    // Report file recreated with the caption as its first line, counters
    // and times reset; what the window does when it opens. TSosRaspisanue
    // calls it on the worker, since it talks to the observer.
    void Open();
    std::string NameLogFile() const { return Run.LogFile().string(); }
    // Caption of the window for TipSostRasp.
    static std::string CaptionOf(int tipSostRasp);
    std::vector<int> ActiveWeeks() const;

    // WLog, Statys, the counters and times, the report. Configured before
    // the run, read after it; the worker owns it meanwhile (only its
    // RequestStop() may be called then).
    TSosRun Run;

private:
    friend class TSosRaspisanue;
    void SosLog(const std::string& line) override;
    void SosStatus(const std::string& text) override;
    void SosProgress(const TSosCounters& counters) override;
    void SosMessage(const std::string& text) override;
    void SosShowList(const std::vector<std::string>& lines) override;
    void button(const std::string& caption, bool enabled);
    void clearMemo();
    // Worker-side writers, each under the lock.
    void setPyOk(bool ok);
    void setRaspOk(bool ok);
    void setNMaxNed(int ne);
    void setSl(std::vector<std::string> sl);
    void addWeek(TSosWeek week);
    void setStartPotok(bool running);
    void setEnded(bool ended);
    TSostavResult search(int ne);
    // The worker reads what only it writes without the lock.
    bool raspOk() const { return FRaspOk; }
    int nMaxNed() const { return FNMaxNed; }

    TFormS1Observer* FWindow = nullptr;
    std::atomic<bool> FStartPotok{false};
    std::atomic<bool> FSearching{false};
    // End the run after its current phase; set by TSosRaspisanue::EndRun.
    std::atomic<bool> StopRun{false};

    mutable std::mutex FLock;
    // Guarded by FLock.
    uint8_t FTipSostRasp = 0;
    uint8_t FSinxrNed = 0;
    bool FSostRaspYes = false;
    AStatys FStatys = AStatys::sSinxrPY;
    std::string FCaption;
    std::string FStatus;
    std::string FButtonCaption;
    bool FButtonEnabled = false;
    TSosCounters FCounters;
    int FNMaxNed = 0;
    std::vector<std::string> FSl;
    bool FPyOk = false;
    bool FRaspOk = false;
    bool FEnded = false;
    std::string FVerdict;
    std::vector<TSosWeek> FWeeks;
    std::string FFileError;
};

// The worker. Start() opens the state and runs Execute on a thread; the
// destructor ends the run and waits for it.
class TSosRaspisanue {
public:
    explicit TSosRaspisanue(TFormS1State& state);
    ~TSosRaspisanue();
    TSosRaspisanue(const TSosRaspisanue&) = delete;
    TSosRaspisanue& operator=(const TSosRaspisanue&) = delete;

    void Start();
    // The stop button: the current sort or week ends early, keeping its best
    // variant, and the run goes on. Stop and EndRun may be called from any
    // thread, a signal handler included: they only store lock-free atomics.
    void Stop() noexcept;
    // The current phase ends early and no further phase starts; the final
    // test and the closing lines still come, but the run counts as ended:
    // its year must not be kept.
    void EndRun() noexcept;
    void Wait();
    // All phases on the calling thread.
    void Execute();

    void AddString(const std::string& str0);
    void AddStatysAndMemo(const std::string& str0);
    void ShowModalFormS2(const std::vector<std::string>& sl);

private:
    bool ending() const { return S.StopRun.load() || !S.Run.FilesOk(); }
    void clearing(const std::vector<int>& weeks, bool allGroups);
    void transferPy(const std::vector<int>& weeks);
    void spreadPy(const std::vector<int>& weeks);
    void composeHardest(const std::vector<int>& weeks);
    // mayRecompose: the base week was composed by this run, so a week its
    // copy leaves incomplete may be composed afresh instead; a dispatcher's
    // own base week is always copied.
    void synchronise(const std::vector<int>& weeks, int base, bool complete, bool mayRecompose);
    void recompose(TSosWeek& week, int base);

    TFormS1State& S;
    std::jthread FThread;
};

// The week copy from neFrom to neTo for every selected group.
void copyWeek(TSosRun& run, int neFrom, int neTo);

// The test of layer tip (1 pinned, 0 timetable) over the weeks: teacher
// overlaps, whole-group lessons beside others, and for the timetable of
// modes 0 and 1 the pinned lessons kept. Logs every fault; false when any.
bool testRasp(TSosRun& run, int tip, int tipSostRasp, const std::vector<int>& weeks);

// Groups whose stored timetable could not be read take no part in a run:
// composing them would replace what the dispatcher may still recover. Clears
// their Select and returns those that had it, for the caller to name them.
std::vector<TGryp*> LeaveOutUnreadableGroups(TAllRasp& year);

}  // namespace zavlin
