#include "composition/repair.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "composition/explain.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kTimetable = 0;
constexpr int kPeriods = 12;
// Recently vacated (unit, cell) pairs the choice of a cell avoids first.
constexpr std::size_t kTabuLength = 32;

int cellKey(int d, int y) {
    return d * kPeriods + y;
}

class Repairer {
public:
    Repairer(TSpSostPr& sp, TSosRun& run)
        : sp_(sp), run_(run), ne_(sp.Ne), locked_(static_cast<std::size_t>(sp.Count()), 0) {
        for (int i = 0; i < sp_.Count(); ++i)
            if (sp_.Item(i)->Ok == 1) enroll(i);
    }

    TRepairTotals run() {
        TRepairTotals totals;
        for (int u = 0; u < sp_.Count() && !stopped_; ++u) {
            TSosPredmet& unit = *sp_.Item(u);
            if (unit.Ok == 1) continue;
            ++totals.tried;
            nodesLeft_ = std::max<int64_t>(1, run_.Options.RepairNodes);
            const int64_t before = nodes_;
            const bool placed = repairUnit(u, 0);
            if (placed) {
                ++totals.placed;
                for (const Entry& e : journal_) totals.evicted += e.eviction ? 1 : 0;
                for (const auto& l : unit.LSGYF)
                    run_.SaveLog("Поставлен при ремонте Гр." + LessonText(*l));
            }
            journal_.clear();
            unlockTo(0);
            run_.Counters.CountYly = static_cast<int>(std::min<int64_t>(nodes_ - before, 1 << 30));
            run_.Counters.Position = u;
            run_.Counters.CountSsOk = std::max(run_.Counters.CountSsOk, sp_.CountSssPredmet());
            run_.Progress();
        }
        totals.nodes = nodes_;
        if (totals.tried > 0)
            run_.SaveLog("Ремонт: поставлено " + std::to_string(totals.placed) + " из " +
                         std::to_string(totals.tried) + ", вытеснено " +
                         std::to_string(totals.evicted) + ", узлов " + std::to_string(nodes_));
        return totals;
    }

private:
    // A unit's state before one step of a chain, to put it back.
    struct Entry {
        int unit;
        bool eviction;
        uint8_t ok;
        bool sosYes;
        uint8_t lastMinDays;
        int d;
        int y;
    };

    struct Candidate {
        int d;
        int y;
        bool tabu;
        unsigned score;
        std::vector<int> conflicts;
    };

    // Counts a node; false once the budget is spent or the run must stop.
    bool step() {
        if (stopped_ || nodesLeft_ <= 0) return false;
        if (!run_.FormS1StopSos()) {
            stopped_ = true;
            return false;
        }
        --nodesLeft_;
        ++nodes_;
        return true;
    }

    void enroll(int u) {
        for (const auto& l : sp_.Item(u)->LSGYF)
            if (l->Yr != nullptr) owner_[l->Yr] = u;
    }
    void withdraw(int u) {
        for (const auto& l : sp_.Item(u)->LSGYF)
            if (l->Yr != nullptr) owner_.erase(l->Yr);
    }

    void remember(int u, bool eviction) {
        const TSosPredmet& unit = *sp_.Item(u);
        journal_.push_back(
            Entry{u, eviction, unit.Ok, unit.sosYes, unit.LastMinDays, unit.Day(), unit.Period()});
    }

    void evict(int u) {
        TSosPredmet& unit = *sp_.Item(u);
        remember(u, true);
        tabu_.emplace_back(u, cellKey(unit.Day(), unit.Period()));
        if (tabu_.size() > kTabuLength) tabu_.pop_front();
        withdraw(u);
        unit.PredmetDeleteRasp(ne_);
    }

    bool placeAt(int u, int d, int y) {
        TSosPredmet& unit = *sp_.Item(u);
        remember(u, false);
        unit.Ok = 0;
        if (!unit.PredmetToRasp(ne_, d, y)) return false;
        enroll(u);
        return true;
    }

    // The slot choice's own best cell, with the loosest working-days minimum.
    bool placeBest(int u) {
        remember(u, false);
        if (!sp_.GetVariantForPredmet(u, 0, 0, 1, false)) return false;
        enroll(u);
        return true;
    }

    // Puts every unit touched since the journal had `mark` entries back.
    void undo(std::size_t mark) {
        while (journal_.size() > mark) {
            const Entry e = journal_.back();
            journal_.pop_back();
            TSosPredmet& unit = *sp_.Item(e.unit);
            if (unit.Ok == 1) {
                withdraw(e.unit);
                unit.PredmetDeleteRasp(ne_);
            }
            if (e.ok == 1) {
                unit.Ok = 0;
                unit.PredmetToRasp(ne_, e.d, e.y);
                enroll(e.unit);
            }
            unit.Ok = e.ok;
            unit.sosYes = e.sosYes;
            unit.LastMinDays = e.lastMinDays;
        }
    }

    // The week's cells every lesson of the unit may take on the rules that
    // do not depend on the timetable: study days, the daily window, the
    // teacher's availability.
    TSlotGrid openCells(const TSosPredmet& unit) const {
        TSlotGrid open{};
        for (int d = 1; d <= 6; ++d) open[d].fill(1);
        for (const auto& l : unit.LSGYF) {
            const TGryp& gr = *l->Gryp;
            if (gr.GetNed(ne_) == nullptr) continue;
            const TFio* fio = l->FioPredmet->Fio();
            const int first = gr.Dan.TimeDay;
            const int last = WindowEnd(gr);
            for (int d = 1; d <= 6; ++d)
                for (int y = 0; y < kPeriods; ++y)
                    if (!gr.TestRunDey(ne_, d) || y < first || y > last ||
                        (fio != nullptr && fio->Dan.Op[d][y] == 0))
                        open[d][y] = 0;
        }
        return open;
    }

    // The slot choice's block rules for lesson l at (d, y): one block of
    // Spar lessons a day, grown at its ends, finished before the next.
    bool blockAllows(const TNed& week, const TSGYF& l, int d, int y) const {
        const TPredmet* predmet = l.YrokKorzina->Predmet();
        const TFioPredmet* fp = l.FioPredmet;
        const TFio* fio = fp->Fio();
        const int spar = std::max<int>(1, predmet->Dan.Spar);
        int j = 0;
        int k = 0;
        int first = -1;
        int last = -1;
        for (int od = 1; od <= 6; ++od)
            for (int oy = 0; oy < kPeriods; ++oy)
                if (const TYrok* cell = week.GetYrok(kTimetable, od, oy))
                    for (int i = 0; i < cell->CountYrDpZm(); ++i) {
                        const TYr* yr = cell->YrDpZm(i);
                        if (yr->Held() && yr->Fio() == fio && yr->Predmet() == predmet) ++j;
                        if (od == d && yr->FioPredmet() == fp) {
                            ++k;
                            if (first < 0) first = oy;
                            last = oy;
                        }
                    }
        if (k >= spar) return false;
        if (spar > 1 && j > 0) {
            if (k > 0) return y >= first - 1 && y <= last + 1;
            if (j < spar || j % spar != 0) return false;
        }
        return true;
    }

    // The placed units in the unit's way at (d, y); false when something
    // not movable is in the way.
    bool conflictsAt(const TSosPredmet& unit, int d, int y, std::vector<int>& out) {
        out.clear();
        auto add = [&](const TYr* yr) {
            auto found = owner_.find(yr);
            if (found == owner_.end() || locked_[static_cast<std::size_t>(found->second)] != 0)
                return false;
            out.push_back(found->second);
            return true;
        };
        for (const auto& l : unit.LSGYF) {
            const TNed* week = l->Gryp->GetNed(ne_);
            if (week == nullptr) continue;
            const TPredmet* predmet = l->YrokKorzina->Predmet();
            const auto& teachers = l->YrokKorzina->LFio();
            const TFio* fio = l->FioPredmet->Fio();
            if (const TYrok* cell = week->GetYrok(kTimetable, d, y);
                cell != nullptr && !cell->Empty()) {
                const TYr* first = cell->YrDpZm(0);
                const bool shared = teachers.size() >= 2 && first->CountFioPredmet() > 1 &&
                                    first->Predmet() == predmet;
                if (!shared)
                    for (int i = 0; i < cell->CountYrDpZm(); ++i)
                        if (!add(cell->YrDpZm(i))) return false;
            }
            if (fio != nullptr)
                for (const TGrypYr& busy : sp_.Year.FioYrAt(kTimetable, fio->N, ne_, d, y))
                    if (!add(busy.yr)) return false;
            // Where the blocks of the subject rule the cell out, the
            // teacher's lessons of it move too and rebuild their blocks
            // around the unit; single lessons only leave the unit's day.
            if (predmet != nullptr && !blockAllows(*week, *l, d, y))
                for (int od = 1; od <= 6; ++od) {
                    if (predmet->Dan.Spar <= 1 && od != d) continue;
                    for (int oy = 0; oy < kPeriods; ++oy)
                        if (const TYrok* cell = week->GetYrok(kTimetable, od, oy))
                            for (int i = 0; i < cell->CountYrDpZm(); ++i) {
                                const TYr* yr = cell->YrDpZm(i);
                                if (yr->Held() && yr->Fio() == fio && yr->Predmet() == predmet &&
                                    !add(yr))
                                    return false;
                            }
                }
            // Subgroups run side by side: partners placed elsewhere move too.
            if (teachers.size() >= 2 && predmet != nullptr) {
                const auto own = std::count_if(teachers.begin(), teachers.end(),
                                               [&](const auto& t) { return t->Fio() == fio; });
                if (own >= 2) continue;
                std::vector<TYr*> placed;
                predmet->GetLYrPGryp(kTimetable, ne_, placed);
                std::erase_if(placed, [&](const TYr* yr) { return TeachesIn(yr->Yrok(), fio); });
                const bool beside = std::any_of(placed.begin(), placed.end(), [&](const TYr* yr) {
                    return yr->Yrok() != nullptr && yr->Dan.de == d && yr->Yrok()->N == y;
                });
                if (!beside)
                    for (const TYr* yr : placed)
                        if (!add(yr)) return false;
            }
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return true;
    }

    std::vector<Candidate> candidates(int u) {
        const TSosPredmet& unit = *sp_.Item(u);
        const TSlotGrid open = openCells(unit);
        // The slot choice's preferences order cells of equal cost.
        TSlotGrid score;
        for (auto& day : score) day.fill(1);
        for (const auto& l : unit.LSGYF) (void)sp_.ScoreLesson(unit, *l, 0, 0, 1, score, nullptr);
        std::vector<Candidate> out;
        std::vector<int> conflicts;
        for (int d = 1; d <= 6; ++d)
            for (int y = 0; y < kPeriods; ++y) {
                if (open[d][y] == 0 || !conflictsAt(unit, d, y, conflicts)) continue;
                const bool tabu = std::find(tabu_.begin(), tabu_.end(),
                                            std::pair{u, cellKey(d, y)}) != tabu_.end();
                out.push_back(Candidate{d, y, tabu, score[d][y], conflicts});
            }
        std::stable_sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
            if (a.conflicts.size() != b.conflicts.size())
                return a.conflicts.size() < b.conflicts.size();
            if (a.tabu != b.tabu) return !a.tabu;
            return a.score > b.score;
        });
        return out;
    }

    // The engine's own verdict on unit u at (d, y) as the week stands.
    bool allowed(int u, int d, int y) {
        const TSosPredmet& unit = *sp_.Item(u);
        TSlotGrid grid;
        for (auto& day : grid) day.fill(1);
        for (const auto& l : unit.LSGYF) (void)sp_.ScoreLesson(unit, *l, 0, 0, 1, grid, nullptr);
        return grid[d][y] != 0 && unit.TestSosPredmet(ne_, d, y);
    }

    // Unit u placed, moving the units in its way; on failure the week is as
    // it was on entry.
    bool repairUnit(int u, int depth) {
        const std::size_t entry = journal_.size();
        const std::size_t lockMark = lockStack_.size();
        lock(u);
        for (const Candidate& c : candidates(u)) {
            if (!step()) break;
            const std::size_t mark = journal_.size();
            const std::size_t attemptLocks = lockStack_.size();
            for (int e : c.conflicts) evict(e);
            if (!allowed(u, c.d, c.y) || !placeAt(u, c.d, c.y)) {
                undo(mark);
                continue;
            }
            bool ok = true;
            for (int e : c.conflicts) {
                if (!step()) {
                    ok = false;
                    break;
                }
                if (placeBest(e)) {
                    lock(e);
                    continue;
                }
                if (stopped_ || depth + 1 >= run_.Options.RepairDepth ||
                    !repairUnit(e, depth + 1)) {
                    ok = false;
                    break;
                }
            }
            if (ok) return true;
            undo(mark);
            unlockTo(attemptLocks);
        }
        undo(entry);
        unlockTo(lockMark);
        return false;
    }

    void lock(int u) {
        locked_[static_cast<std::size_t>(u)] = 1;
        lockStack_.push_back(u);
    }
    void unlockTo(std::size_t mark) {
        while (lockStack_.size() > mark) {
            locked_[static_cast<std::size_t>(lockStack_.back())] = 0;
            lockStack_.pop_back();
        }
    }

    TSpSostPr& sp_;
    TSosRun& run_;
    int ne_;
    std::unordered_map<const TYr*, int> owner_;  // a placed lesson's unit
    std::vector<uint8_t> locked_;                // placed earlier in the chain
    std::vector<int> lockStack_;
    std::vector<Entry> journal_;
    std::deque<std::pair<int, int>> tabu_;
    int64_t nodesLeft_ = 0;
    int64_t nodes_ = 0;
    bool stopped_ = false;
};

}  // namespace

TRepairTotals RepairUnplaced(TSpSostPr& sp, TSosRun& run) {
    if (sp.Count() == 0 || !run.FormS1StopSos()) return {};
    Repairer repairer(sp, run);
    return repairer.run();
}

}  // namespace zavlin
