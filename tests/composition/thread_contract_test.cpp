// The contract between the composition's worker and a window on another
// thread: the window reads the run state only through a locked snapshot,
// and stops the run through named calls. The other thread meets the worker
// at points the worker reports (a rendezvous), never after a wait on the
// clock, so what each side sees there is fixed.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "composition/driver.h"
#include "composition/week_search.h"
#include "model/group.h"
#include "model/year_fixture.h"

namespace zavlin {
namespace {

// The worker hands a value over and waits until the other thread has
// looked at the state and let it go on.
template <typename T>
class Rendezvous {
public:
    // Worker side. False once the other side has closed.
    bool meet(const T& value) {
        std::unique_lock<std::mutex> lock(m_);
        if (closed_) return false;
        value_ = value;
        pending_ = true;
        cv_.notify_all();
        cv_.wait(lock, [&] { return !pending_ || closed_; });
        return !closed_;
    }
    // Other side: waits for the next meeting; false once closed.
    bool next(T& value) {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [&] { return pending_ || closed_; });
        if (!pending_) return false;
        value = value_;
        return true;
    }
    void release() {
        std::lock_guard<std::mutex> lock(m_);
        pending_ = false;
        cv_.notify_all();
    }
    void close() {
        std::lock_guard<std::mutex> lock(m_);
        closed_ = true;
        pending_ = false;
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    T value_{};
    bool pending_ = false;
    bool closed_ = false;
};

int lessonsOf(TGryp* gr, int ne) {
    int n = 0;
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y)
            if (const TYrok* cell = gr->GetNed(ne)->GetYrok(0, d, y)) n += cell->CountYrDp();
    return n;
}

// Three groups, a teacher per subject, two weeks: enough units for a pass
// with several steps.
class ThreadContract : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        for (const char* name : {"А", "Б", "В"}) {
            TGryp* gr = group(name);
            for (int n = 0; n < 3; ++n) {
                subject(gr, n, {n}, 2, 1);
                subject(gr, n, {n}, 2, 2);
            }
            gr->Select = true;
        }
        year->AllNed.SetActivWeeks({1, 2});
    }
};

// Meets the reader at the first reports of the hardest week's search.
struct MeetingWindow : TFormS1Observer {
    Rendezvous<TSosCounters>* meeting = nullptr;
    TFormS1State* state = nullptr;
    int meetings = 0;
    void SosProgress(const TSosCounters& c) override {
        if (state->Run.Statys != AStatys::sSosRasp || meetings >= 8) return;
        if (meeting->meet(c)) ++meetings;
    }
};

// Catches: a snapshot that lags what the window was just told (the window
// would draw stale counters), a lock held across the observer call (the
// reader would hang here), a run that never reports itself running or
// ended, and an outcome read before the worker wrote it.
TEST_F(ThreadContract, ASnapshotFromAnotherThreadShowsWhatTheWindowHeard) {
    TFormS1State state(*year, home);
    state.SetTipSostRasp(0);
    Rendezvous<TSosCounters> meeting;
    MeetingWindow window;
    window.meeting = &meeting;
    window.state = &state;
    state.SetObserver(&window);

    std::vector<TFormS1Snapshot> seen;
    std::vector<TSosCounters> heard;
    std::thread reader([&] {
        TSosCounters c;
        while (meeting.next(c)) {
            heard.push_back(c);
            seen.push_back(state.Snapshot());
            meeting.release();
        }
    });
    // A second reader that never waits: it takes snapshots as fast as it can
    // while the run goes on, and each must be whole.
    std::atomic<bool> over{false};
    int torn = 0;
    int taken = 0;
    // At least one snapshot even when the scheduler starts it late.
    std::thread racer([&] {
        do {
            const TFormS1Snapshot s = state.Snapshot();
            ++taken;
            if (s.Counters.CountSsOk > s.Counters.CountSs && s.Counters.CountSs > 0) ++torn;
            if (!s.Caption.empty() && s.Caption != "Составление расписания с \"0\"") ++torn;
        } while (!over.load());
    });

    TSosRaspisanue worker(state);
    worker.Start();
    worker.Wait();
    meeting.close();
    over = true;
    reader.join();
    racer.join();

    ASSERT_EQ(window.meetings, 8);
    ASSERT_EQ(seen.size(), heard.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const TFormS1Snapshot& s = seen[i];
        EXPECT_TRUE(s.StartPotok) << i;
        EXPECT_EQ(s.Statys, AStatys::sSosRasp) << i;
        EXPECT_EQ(s.Caption, "Составление расписания с \"0\"") << i;
        EXPECT_EQ(s.ButtonCaption, "Прекратить составление") << i;
        EXPECT_TRUE(s.ButtonEnabled) << i;
        EXPECT_EQ(s.Counters.Position, heard[i].Position) << i;
        EXPECT_EQ(s.Counters.PositionMax, heard[i].PositionMax) << i;
        EXPECT_EQ(s.Counters.KolVar, heard[i].KolVar) << i;
        EXPECT_EQ(s.Counters.CountSs, heard[i].CountSs) << i;
        EXPECT_TRUE(s.Verdict.empty()) << i;
        EXPECT_TRUE(s.Weeks.empty()) << "the hardest week is not done yet";
        EXPECT_NE(s.NMaxNed, 0) << i;
    }
    EXPECT_GT(taken, 0);
    EXPECT_EQ(torn, 0);

    const TFormS1Snapshot end = state.Snapshot();
    EXPECT_FALSE(end.StartPotok);
    EXPECT_FALSE(state.StartPotok());
    EXPECT_TRUE(end.PyOk);
    EXPECT_TRUE(end.RaspOk);
    EXPECT_EQ(end.Verdict, "Расписание составлено.");
    EXPECT_EQ(end.ButtonCaption, "Закрыть окно");
    EXPECT_TRUE(end.ButtonEnabled);
    EXPECT_EQ(end.Statys, AStatys::sSinxrEnd);
    ASSERT_EQ(end.Weeks.size(), 2u);
    EXPECT_EQ(end.Weeks[0].ne, end.NMaxNed);
    EXPECT_TRUE(end.FileError.empty());
}

// Catches: a stop asked for from the window's thread that the search does
// not see, or that throws away what the search had placed; and the stop of
// one week's search outliving it into the next search.
TEST_F(ThreadContract, RequestStopFromAnotherThreadEndsTheSearchKeepingItsBestVariant) {
    TSosRun run(*year, home);
    run.Statys = AStatys::sSosRasp;
    struct AtThirdUnit : TSosObserver {
        Rendezvous<int>* meeting = nullptr;
        bool met = false;
        void SosProgress(const TSosCounters& c) override {
            if (met || c.Position < 2) return;
            met = true;
            (void)meeting->meet(c.Position);
        }
    } observer;
    Rendezvous<int> meeting;
    observer.meeting = &meeting;
    run.Observer = &observer;

    TSostavResult stopped;
    std::thread worker([&] { stopped = SostavNed(run, 1); });
    int position = 0;
    ASSERT_TRUE(meeting.next(position));
    EXPECT_EQ(position, 2);
    run.RequestStop();
    meeting.release();
    worker.join();

    EXPECT_GT(stopped.placed, 0);
    EXPECT_LT(stopped.placed, stopped.units) << "the search ended at the stop";
    int placed = 0;
    for (const auto& gr : year->LGryp) placed += lessonsOf(gr.get(), 1);
    EXPECT_EQ(placed, stopped.placed) << "its best variant stays in the timetable";
    EXPECT_FALSE(run.FormS1StopSos()) << "the stop stays asked for until a search clears it";

    // The next week's search starts afresh although the stop is still set.
    run.Observer = nullptr;
    const TSostavResult next = SostavNed(run, 2);
    EXPECT_EQ(next.placed, next.units);
}

// Catches: an end of the run asked for from the window's thread while the
// worker opens the run lost because the worker reset the flags as it began.
TEST_F(ThreadContract, EndingTheRunWhileItOpensIsNotLost) {
    struct GateAtFirstCall : TFormS1Observer {
        Rendezvous<int>* gate = nullptr;
        bool met = false;
        void SosButton(const std::string&, bool) override {
            if (met) return;
            met = true;
            (void)gate->meet(0);
        }
    } window;
    Rendezvous<int> gate;
    window.gate = &gate;
    TFormS1State state(*year, home);
    state.SetTipSostRasp(0);
    state.SetObserver(&window);
    TSosRaspisanue worker(state);
    worker.Start();
    int unused = 0;
    ASSERT_TRUE(gate.next(unused));
    worker.EndRun();
    gate.release();
    worker.Wait();
    const TFormS1Snapshot end = state.Snapshot();
    EXPECT_TRUE(end.Weeks.empty()) << "no week composed after the end was asked for";
    EXPECT_EQ(end.NMaxNed, 0);
    EXPECT_FALSE(end.StartPotok);
    EXPECT_EQ(end.ButtonCaption, "Закрыть окно");
    EXPECT_FALSE(end.Verdict.empty()) << "the final test still gives its verdict";
}

}  // namespace
}  // namespace zavlin
