// The search for exchanges that free one period of a group for a subject
// whose teachers are busy elsewhere then: lessons of those teachers in other
// groups move to another period of the same day. It runs on a worker thread
// while the substitution window is open; the window cannot change the year
// meanwhile, so the search only reads.
#pragma once

#include <atomic>
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

// What the substitution window hears from a running search. Both calls come
// on the search's worker thread, one at a time, while the search goes on: a
// window queues what it hears to its own thread and returns at once (the
// search waits for nothing), and touches neither the year nor the exchange
// it was handed after returning; it reads the exchanges through Found().
class TDifZamenaObserver {
public:
    virtual ~TDifZamenaObserver() = default;
    // An exchange was found; Found() already holds it.
    virtual void DifZamenaFound(const TDifZamenaYrok& found) { (void)found; }
    // Subject position of count was searched.
    virtual void DifZamenaProgress(int position, int count) {
        (void)position;
        (void)count;
    }
};

class TDifZamena {
public:
    // The observer (may be null, not owned) must outlive the search.
    TDifZamena(TAllRasp& year, TGryp* gr, int ne, int de, int y,
               TDifZamenaObserver* observer = nullptr);
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

    // Copies of the exchanges found so far, in the order found; any thread
    // may ask, also while the search runs. Move() one of them only once the
    // search has ended: it changes the year the search reads.
    std::vector<TDifZamenaYrok> Found() const;
    int CountFound() const;

    // What is searched for; fixed for the search's life.
    TAllRasp& Year;
    TGryp* const Gr = nullptr;
    const int Ne = 0;
    const int De = 0;
    const int Y = 0;

private:
    std::unique_ptr<TDifZamenaYrok> searchSubject(TPredmet& pr);

    TDifZamenaObserver* const FObserver;
    // Guards LDifZamenaYrok: the worker adds while a window reads.
    mutable std::mutex Lock;
    std::vector<std::unique_ptr<TDifZamenaYrok>> LDifZamenaYrok;

    std::atomic<bool> FStartOk{false};
    std::atomic<bool> FStopYes{false};
    std::jthread FThread;
};

}  // namespace zavlin
