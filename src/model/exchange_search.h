// The search for exchanges that free one period of a group for a subject
// whose teachers are busy elsewhere then: lessons of those teachers in other
// groups move to another period of the same day. It runs on a worker thread
// while the substitution window is open; the window cannot change the year
// meanwhile, so the search only reads.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/timetable.h"

namespace zavlin {

class TAllRasp;
class TDifZamena;

// One exchange: each moved lesson leaves period Y1 (or Y2) for the other.
class TDifZamenaYrok {
public:
    struct TMove {
        TGryp* Gryp = nullptr;
        int From = 0;  // period left
        int To = 0;    // period taken
    };

    // Applies the exchange as substitutions of the week: every period that
    // receives lessons gets substitutions for them, every period that gives
    // them up gets cancellations.
    void Move();
    std::string GetStrYrok() const { return FText; }

    TDifZamena* FDifZamena = nullptr;
    TPredmet* Predmet = nullptr;
    std::vector<TMove> Ly;  // lessons leaving the slot
    std::vector<TMove> Lv;  // lessons entering it
    int Ne = 0;
    int D1 = 0;
    int D2 = 0;
    int Y1 = 0;  // the slot
    int Y2 = 0;  // the other period
    std::string FText;
};

class TDifZamena {
public:
    // Found exchanges arrive through OnFound, progress through OnProgress
    // (position, maximum); both are called on the worker thread.
    TDifZamena(TAllRasp& year, TGryp* gr, int ne, int de, int y);
    ~TDifZamena();  // stops and waits
    TDifZamena(const TDifZamena&) = delete;
    TDifZamena& operator=(const TDifZamena&) = delete;

    void Start();
    // Asks the search to stop and waits for the thread.
    void Stop();
    // Waits for the search to finish on its own.
    void Wait();
    bool StartOk() const { return FStartOk.load(); }
    bool StopYes() const { return FStopYes.load(); }

    // The search itself; Start runs it on the worker thread.
    void Execute();

    std::function<void(const TDifZamenaYrok&)> OnFound;
    std::function<void(int, int)> OnProgress;

    TAllRasp& Year;
    TGryp* Gr = nullptr;
    int Ne = 0;
    int De = 0;
    int Y = 0;
    // Guarded by Lock while the search runs.
    std::vector<std::unique_ptr<TDifZamenaYrok>> LDifZamenaYrok;
    std::mutex Lock;

private:
    std::unique_ptr<TDifZamenaYrok> searchSubject(TPredmet& pr);

    std::atomic<bool> FStartOk{false};
    std::atomic<bool> FStopYes{false};
    std::jthread FThread;
};

}  // namespace zavlin
