// The improvement moves of a week's search: filling a group's holes,
// evening out its load, closing a teacher's holes. Every chain is applied,
// measured and undone; a kept chain is applied again when the kind ends.
#include "composition/improvement.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "composition/quality.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kTimetable = 0;

TYrok* cellOf(const TGryp* gr, int ne, int d, int y) {
    const TNed* week = gr != nullptr ? gr->GetNed(ne) : nullptr;
    return week != nullptr ? week->GetYrok(kTimetable, d, y) : nullptr;
}

bool occupied(const TGryp* gr, int ne, int d, int y) {
    const TYrok* cell = cellOf(gr, ne, d, y);
    return cell != nullptr && !cell->Empty();
}

// The day's last, first, or previous occupied period; -1 when none.
int lastPeriod(const TGryp* gr, int ne, int d) {
    for (int y = kPeriodCount - 1; y >= 0; --y)
        if (occupied(gr, ne, d, y)) return y;
    return -1;
}

int firstPeriod(const TGryp* gr, int ne, int d) {
    for (int y = 0; y < kPeriodCount; ++y)
        if (occupied(gr, ne, d, y)) return y;
    return -1;
}

int priorPeriod(const TGryp* gr, int ne, int d, int y) {
    for (int p = y - 1; p >= 0; --p)
        if (occupied(gr, ne, d, p)) return p;
    return -1;
}

std::string stepText(const TStepYr& s, int fromD, int fromY, int toD, int toY) {
    const TPredmet* predmet = s.Yr->Predmet();
    const TFio* fio = s.Yr->Fio();
    const TGryp* gr = s.StepYrok->Gryp();
    return (gr != nullptr ? gr->Name() : std::string()) + " из д" + std::to_string(fromD) + "у" +
           std::to_string(fromY) + "  в д" + std::to_string(toD) + "у" + std::to_string(toY) + " " +
           (predmet != nullptr ? predmet->Name() : std::string()) + " " +
           (fio != nullptr ? fio->Name() : std::string());
}

// The group's daily window of periods, as placement keeps lessons in it.
bool insideWindow(const TGryp* gr, int y) {
    const int first = gr->Dan.TimeDay;
    return y >= first && y <= (first > 5 ? first + 1 : first + 3);
}

// Teacher holes of one day: empty periods strictly inside the day's span.
int holesOfDay(uint16_t periods) {
    if (periods == 0) return 0;
    const int first = std::countr_zero(periods);
    const int last = 15 - std::countl_zero(periods);
    return last - first + 1 - std::popcount(periods);
}

}  // namespace

// --- Steps

TGryp* TStepYrok::Gryp() const {
    if (Ls.empty() || Ls.front().Yr == nullptr) return nullptr;
    const TNed* week = Ls.front().Yr->Yrok() != nullptr ? Ls.front().Yr->Yrok()->Ned() : nullptr;
    return week != nullptr ? week->Gryp() : nullptr;
}

void TStepYrok::RunRasp(bool LogShow) {
    if (MoveYes) return;
    TSpSostPr& sp = Tract->SpSostPr;
    for (const TStepYr& s : Ls) {
        TNed* week = s.Yr->Yrok() != nullptr ? s.Yr->Yrok()->Ned() : nullptr;
        if (week == nullptr) continue;
        week->MoveYrRasp(kTimetable, s.OldDeyN, s.OldYrokN, s.NewDeyN, s.NewYrokN, s.Yr);
        if (LogShow && sp.Run.StepLog())
            sp.Run.SaveStepLog("----RunRasp  " +
                               stepText(s, s.OldDeyN, s.OldYrokN, s.NewDeyN, s.NewYrokN));
    }
    MoveYes = true;
}

void TStepYrok::AntiMove(bool LogShow) {
    if (!MoveYes) return;
    TSpSostPr& sp = Tract->SpSostPr;
    for (const TStepYr& s : Ls) {
        TNed* week = s.Yr->Yrok() != nullptr ? s.Yr->Yrok()->Ned() : nullptr;
        if (week == nullptr) continue;
        week->MoveYrRasp(kTimetable, s.NewDeyN, s.NewYrokN, s.OldDeyN, s.OldYrokN, s.Yr);
        if (LogShow && sp.Run.StepLog())
            sp.Run.SaveStepLog("----AntiMove " +
                               stepText(s, s.NewDeyN, s.NewYrokN, s.OldDeyN, s.OldYrokN));
    }
    MoveYes = false;
}

// --- Snapshots

std::array<int, 4> TKahestvoGryp::Measure(const TGryp& gr, int ne) {
    const TGrypWeekCounts counts = GrypWeekCounts(gr, kTimetable, ne);
    return {counts.oneYrok, 0, counts.holes, counts.badNagryzka};
}

TKahestvoGryp::TKahestvoGryp(TTract* tract, TGryp* gryp, int ne)
    : TKahestvo(tract, ne), FGryp(gryp) {
    A = Measure(*gryp, ne);
}

int TKahestvoGryp::Compare() const {
    const std::array<int, 4> b = Measure(*FGryp, Ne);
    if (A[2] > b[2]) return -1;
    if (FTract->SpSostPr.ProcOptim != AProcOptim::StDirkaGryp) {
        if (A[3] > b[3]) return -1;
        if (A[3] < b[3]) return 1;
    }
    if (A[2] < b[2]) return 1;
    return 0;
}

std::array<int, 4> TKahestvoFio::Measure(TSpSostPr& sp, const TFio& fio, int ne) {
    std::array<int, 4> a{};
    const auto days = sp.Year.FioWeekCells(kTimetable, fio.N, ne);
    for (int d = 1; d <= kDayCount; ++d) {
        if (days[d] != 0) ++a[0];
        a[1] += holesOfDay(days[d]);
    }
    return a;
}

TKahestvoFio::TKahestvoFio(TTract* tract, TFio* fio, int ne) : TKahestvo(tract, ne), FFio(fio) {
    A = Measure(tract->SpSostPr, *fio, ne);
}

int TKahestvoFio::Compare() const {
    const std::array<int, 4> b = Measure(FTract->SpSostPr, *FFio, Ne);
    const int rday = FFio->Rday();
    if ((rday < 6 || A[0] == 6) && A[0] > b[0]) return -1;
    if (rday < 6) {
        if (A[1] > b[1]) return -1;
        if (A[1] < b[1]) return 1;
    }
    if (A[0] < b[0]) return 1;
    return 0;
}

// --- The chain

TStepYrok* TTract::AddSteps(TGryp* gr, int day, int period, int NewDeyN, int NewYrokN,
                            bool LogShow) {
    TYrok* cell = cellOf(gr, SpSostPr.Ne, day, period);
    if (cell == nullptr || cell->Empty() || (day == NewDeyN && period == NewYrokN)) return nullptr;
    auto step = std::make_unique<TStepYrok>(this);
    step->Ls.reserve(static_cast<std::size_t>(cell->CountYrDpZm()));
    for (int i = 0; i < cell->CountYrDpZm(); ++i) {
        TStepYr& s = step->Ls.emplace_back();
        s.StepYrok = step.get();
        s.Yr = cell->YrDpZm(i);
        s.IndxYr = static_cast<uint8_t>(i);
        s.OldDeyN = static_cast<uint8_t>(day);
        s.OldYrokN = static_cast<uint8_t>(period);
        s.NewDeyN = static_cast<uint8_t>(NewDeyN);
        s.NewYrokN = static_cast<uint8_t>(NewYrokN);
    }
    Li.push_back(std::move(step));
    Li.back()->RunRasp(LogShow);
    return Li.back().get();
}

TStepYrok* TTract::GetNewVariantYrok(TGryp* gr, int day, int period, int NewDeyN, int NewYrokN,
                                     bool LogShow) {
    if (!SpSostPr.TestMoveYrok(gr, day, period, NewDeyN, NewYrokN)) return nullptr;
    TStepYrok* step = AddSteps(gr, day, period, NewDeyN, NewYrokN, LogShow);
    if (step == nullptr) return nullptr;
    SetKahestvo();
    AntiMove(step, LogShow);
    return step;
}

void TTract::AntiMove(TStepYrok* St, bool LogShow) {
    if (St != nullptr) St->AntiMove(LogShow);
}

void TTract::AntiMoveAll(bool LogShow) {
    for (auto it = Li.rbegin(); it != Li.rend(); ++it) (*it)->AntiMove(LogShow);
}

void TTract::DeleteSteps(TStepYrok* St) {
    std::erase_if(Li, [&](const auto& s) { return s.get() == St; });
}

void TTract::ClearKahestvo() {
    Lg.clear();
    Lf.clear();
}

void TTract::SetKahestvo() {
    ClearKahestvo();
    for (const auto& step : Li) {
        TGryp* gr = step->Gryp();
        if (gr != nullptr &&
            std::none_of(Lg.begin(), Lg.end(), [&](const auto& k) { return k->Gryp() == gr; }))
            Lg.push_back(std::make_unique<TKahestvoGryp>(this, gr, SpSostPr.Ne));
        for (const TStepYr& s : step->Ls) {
            TFio* fio = s.Yr->Fio();
            if (fio != nullptr &&
                std::none_of(Lf.begin(), Lf.end(), [&](const auto& k) { return k->Fio() == fio; }))
                Lf.push_back(std::make_unique<TKahestvoFio>(this, fio, SpSostPr.Ne));
        }
    }
}

int TTract::CompareKahestvo() const {
    if (Li.empty()) return 0;
    bool better = false;
    for (const auto& k : Lf) {
        const int c = k->Compare();
        if (c < 0) return -1;
        better = better || c > 0;
    }
    for (const auto& k : Lg) {
        const int c = k->Compare();
        if (c < 0) return -1;
        better = better || c > 0;
    }
    return better ? 1 : 0;
}

// --- Which lessons may move, and where

std::size_t TSpSostPr::TMovableSet::slot(const TYr* yr) const {
    const auto bits = static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(yr));
    return static_cast<std::size_t>((bits >> 4) * 0x9e3779b97f4a7c15ULL >> 32) &
           (FSlots.size() - 1);
}

void TSpSostPr::TMovableSet::assign(const std::vector<const TYr*>& items) {
    std::size_t size = 16;
    while (size < 2 * items.size()) size *= 2;
    if (FSlots.size() == size)
        std::fill(FSlots.begin(), FSlots.end(), nullptr);
    else
        FSlots.assign(size, nullptr);
    for (const TYr* yr : items) {
        if (yr == nullptr) continue;
        std::size_t at = slot(yr);
        while (FSlots[at] != nullptr && FSlots[at] != yr) at = (at + 1) & (size - 1);
        FSlots[at] = yr;
    }
}

bool TSpSostPr::TMovableSet::contains(const TYr* yr) const {
    if (FSlots.empty() || yr == nullptr) return false;
    for (std::size_t at = slot(yr);; at = (at + 1) & (FSlots.size() - 1)) {
        if (FSlots[at] == yr) return true;
        if (FSlots[at] == nullptr) return false;
    }
}

bool TSpSostPr::MayMoveYr(const TYr* yr) const {
    if (yr == nullptr || yr->TestPy() || yr->NObed() != 0 || yr->SetZamenaYes()) return false;
    const TPredmet* predmet = yr->Predmet();
    if (predmet == nullptr || predmet->Dan.Spar > 1) return false;
    return FMovableOn && FMovable.contains(yr);
}

bool TSpSostPr::MayGoYr(const TYr* yr, const TGryp* gr, int toDay, int toY) {
    if (!MayMoveYr(yr) || toDay < 1 || toDay > kDayCount || toY < 0 || toY >= kPeriodCount)
        return false;
    const TFio* fio = yr->Fio();
    if (fio != nullptr && fio->Dan.Op[toDay][toY] == 0) return false;
    if (!gr->TestRunDey(Ne, toDay)) return false;
    const TNed* week = gr->GetNed(Ne);
    // Every test only reads; the cheap ones go first.
    const TYrok* target = week->GetYrok(kTimetable, toDay, toY);
    if (target != nullptr && !target->Empty()) {
        // Only subgroup lessons of one subject share a cell, in the exact
        // mode too: a whole-group lesson never shares one.
        if (yr->CountFioPredmet() <= 1) return false;
        for (int i = 0; i < target->CountYrDpZm(); ++i) {
            const TYr* other = target->YrDpZm(i);
            if (other->Predmet() == nullptr || other->Predmet()->Dan.Spar > 1) return false;
            if (other->Predmet() != yr->Predmet() || other->CountFioPredmet() <= 1) return false;
        }
    }
    if (fio != nullptr && !Year.TestAddFio(kTimetable, 0, fio->N, Ne, toDay, toY)) return false;
    for (int y = 0; y < kPeriodCount; ++y)
        if (const TYrok* cell = week->GetYrok(kTimetable, toDay, y))
            for (int i = 0; i < cell->CountYrDpZm(); ++i) {
                const TYr* other = cell->YrDpZm(i);
                if (other != yr && other->Predmet() == yr->Predmet() && other->Fio() == fio)
                    return false;
            }
    return true;
}

bool TSpSostPr::TestMoveYrok(TGryp* gr, int day, int period, int De, int NewYrokN) {
    const TYrok* cell = cellOf(gr, Ne, day, period);
    if (cell == nullptr) return false;
    if (day == De && period == NewYrokN) return false;
    for (int i = 0; i < cell->CountYrDpZm(); ++i)
        if (!MayGoYr(cell->YrDpZm(i), gr, De, NewYrokN)) return false;
    return true;
}

bool TSpSostPr::TryChain(std::initializer_list<TMove> moves, int threshold, bool LogShow) {
    const bool inWindow = Run.Options.ChainInWindow;
    // A single move out of the group's window is refused before it is made.
    if (inWindow && moves.size() == 1 && !insideWindow(moves.begin()->gr, moves.begin()->toPeriod))
        return false;
    auto tract = std::make_unique<TTract>(*this);
    for (const TMove& m : moves) {
        if (!TestMoveYrok(m.gr, m.day, m.period, m.toDay, m.toPeriod) ||
            tract->AddSteps(m.gr, m.day, m.period, m.toDay, m.toPeriod, LogShow) == nullptr) {
            tract->AntiMoveAll(LogShow);
            return false;
        }
    }
    // A lesson may step outside its group's daily window on the way, but
    // the chain must end with every moved lesson inside it, as placement
    // keeps them.
    for (const auto& step : tract->Li)
        for (const TStepYr& s : step->Ls) {
            const TGryp* owner = step->Gryp();
            const TYrok* at = s.Yr->Yrok();
            if (owner == nullptr || at == nullptr) continue;
            if (inWindow && !insideWindow(owner, at->N)) {
                tract->AntiMoveAll(LogShow);
                return false;
            }
        }
    tract->SetKahestvo();
    tract->AntiMoveAll(LogShow);
    if (tract->CompareKahestvo() < threshold) return false;
    Tr = std::move(tract);
    return true;
}

// --- Kind 0: a group's holes

bool TSpSostPr::GetTractForDirka(TGryp* gr, int DeyN, int YrokN, int, bool LogShow) {
    // The last, then the first lesson cell of some day fills the hole.
    for (int pass = 0; pass < 2; ++pass)
        for (int d = 1; d <= kDayCount; ++d) {
            const int y = pass == 0 ? lastPeriod(gr, Ne, d) : firstPeriod(gr, Ne, d);
            if (y >= 0 && TryChain({{gr, d, y, DeyN, YrokN}}, 0, LogShow)) return true;
        }
    // The cell before a day's last fills the hole; another day's last or
    // first cell takes its place.
    for (int n = 1; n <= kDayCount; ++n) {
        const int last = lastPeriod(gr, Ne, n);
        const int h = last >= 0 ? priorPeriod(gr, Ne, n, last) : -1;
        if (h < 0 || !TestMoveYrok(gr, n, h, DeyN, YrokN)) continue;
        std::vector<std::pair<int, int>> seconds;
        {
            TTract probe(*this);
            if (probe.AddSteps(gr, n, h, DeyN, YrokN, false) == nullptr) continue;
            for (int pass = 0; pass < 2; ++pass)
                for (int i = 1; i <= kDayCount; ++i) {
                    const int y = pass == 0 ? lastPeriod(gr, Ne, i) : firstPeriod(gr, Ne, i);
                    if (y >= 0) seconds.emplace_back(i, y);
                }
            probe.AntiMoveAll(false);
        }
        // Taking the moved lesson straight back would be a chain that
        // changes nothing yet counts as an improvement.
        for (const auto& [i, y] : seconds)
            if (!(Run.Options.NoMoveBack && i == DeyN && y == YrokN) &&
                TryChain({{gr, n, h, DeyN, YrokN}, {gr, i, y, n, h}}, 0, LogShow))
                return true;
    }
    // Another group's lesson of the same teacher steps aside on the hole's
    // day so that a day's single last lesson can come into the hole.
    for (int k = 1; k <= kDayCount; ++k) {
        const int lk = lastPeriod(gr, Ne, k);
        const TYrok* cell = lk >= 0 ? cellOf(gr, Ne, k, lk) : nullptr;
        if (cell == nullptr || cell->CountYrDpZm() != 1) continue;
        const TFio* fio = cell->YrDpZm(0)->Fio();
        if (fio == nullptr) continue;
        for (TGryp* other : Lg) {
            if (other == gr) continue;
            const TYrok* oc = cellOf(other, Ne, DeyN, YrokN);
            if (oc == nullptr || oc->CountYrDpZm() != 1) continue;
            const TYr* m = oc->YrDpZm(0);
            if (m->NObed() != 0 || m->Fio() != fio) continue;
            const TDey* day = other->GetNed(Ne)->Dey(DeyN);
            const int f = day != nullptr ? day->GetNilYrok(kTimetable) : -1;
            if (f < 0) continue;
            const TMove aside{other, DeyN, YrokN, DeyN, f};
            const TMove into{gr, k, lk, DeyN, YrokN};
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y) {
                    if ((d == DeyN && y == YrokN) || (d == DeyN && y == f) ||
                        !occupied(other, Ne, d, y))
                        continue;
                    if (TryChain({aside, into, {other, d, y, DeyN, YrokN}, {other, DeyN, f, d, y}},
                                 0, LogShow))
                        return true;
                }
            if (TryChain({aside, into}, 0, LogShow)) return true;
            break;  // only the first such group
        }
    }
    return false;
}

bool TSpSostPr::SetDirkaGryp(TGryp* Gr, int RejimPo, bool LogShow) {
    ProcOptim = AProcOptim::StDirkaGryp;
    const bool log = LogShow && Run.StepLog();
    if (log) Run.SaveStepLog("--SetDirkaGryp--start");
    std::vector<TGryp*> groups = Gr != nullptr ? std::vector<TGryp*>{Gr} : Lg;
    const std::size_t from = Gr == nullptr ? SweepFrom(0, groups.size()) : 0;
    for (std::size_t k = 0; k < groups.size(); ++k) {
        const std::size_t at = (from + k) % groups.size();
        TGryp* gr = groups[at];
        const TNed* week = gr->GetNed(Ne);
        if (week == nullptr) continue;
        uint64_t print = 0;
        if (Gr == nullptr && skipUnchanged(0, at, print)) continue;
        for (int d = 1; d <= kDayCount; ++d) {
            const TDey* day = week->Dey(d);
            if (day == nullptr) continue;
            for (int y : day->DirkaToArray(kTimetable))
                if (GetTractForDirka(gr, d, y, RejimPo, LogShow)) {
                    if (Gr == nullptr) SweptTo(0, at);
                    if (log) Run.SaveStepLog("--SetDirkaGryp--end true");
                    return true;
                }
        }
        noteFailed(0, at, print);
    }
    if (log) Run.SaveStepLog("--SetDirkaGryp--end  false");
    return false;
}

// --- Kind 1: a group's load over the week

bool TSpSostPr::SetNormalNagryzkaGryp(TGryp* Gr, bool LogShow) {
    ProcOptim = AProcOptim::StNormalNagryzkaGryp;
    const bool log = LogShow && Run.StepLog();
    if (log) Run.SaveStepLog("--SetNormalNagryzkaGryp--start");
    std::vector<TGryp*> groups = Gr != nullptr ? std::vector<TGryp*>{Gr} : Lg;
    for (TGryp* gr : groups) {
        if (gr->GetNed(Ne) == nullptr || gr->CountBadNagryzkaOfNed(kTimetable, Ne) <= 0) continue;
        const auto bad = gr->GetBadYrokRasp(kTimetable, Ne);
        const auto free = gr->GetNilYrokRasp(kTimetable, Ne);
        for (auto b = bad.rbegin(); b != bad.rend(); ++b)
            for (const auto& [fd, fy] : free)
                if (TryChain({{gr, b->first, b->second, fd, fy}}, 0, LogShow)) {
                    if (log) Run.SaveStepLog("--SetNormalNagryzkaGryp--end  true");
                    return true;
                }
        int lastDay = 0;
        for (const auto& [bd, by] : bad) {
            if (bd <= lastDay) continue;
            lastDay = bd;
            const int first = firstPeriod(gr, Ne, bd);
            if (first < 0) continue;
            for (const auto& [fd, fy] : free)
                if (TryChain({{gr, bd, first, fd, fy}}, 0, LogShow)) {
                    if (log) Run.SaveStepLog("--SetNormalNagryzkaGryp--end  true");
                    return true;
                }
        }
    }
    if (log) Run.SaveStepLog("--SetNormalNagryzkaGryp--end false");
    return false;
}

// --- Kind 2: a teacher's holes

bool TSpSostPr::FindVariants(TGryp* gr, int ld, int ly, int hd, int hy, bool LogShow) {
    const TYrok* own = cellOf(gr, Ne, ld, ly);
    if (own == nullptr || own->CountYrDpZm() > 1) return false;
    const TFio* fio = own->YrDpZm(0)->Fio();
    if (fio != nullptr && fio->Dan.Op[hd][hy] == 0) return false;
    const TYrok* target = cellOf(gr, Ne, hd, hy);
    if (target == nullptr || target->Empty()) return TryChain({{gr, ld, ly, hd, hy}}, 0, LogShow);
    for (int i = 0; i < target->CountYrDpZm(); ++i)
        if (!MayMoveYr(target->YrDpZm(i))) return false;
    const TDey* day = gr->GetNed(Ne)->Dey(hd);
    const int f = day != nullptr ? day->GetNilYrok(kTimetable) : -1;
    if (f < 0) return false;
    const TMove aside{gr, hd, hy, hd, f};
    const TMove into{gr, ld, ly, hd, hy};
    // Can the lesson that stepped aside go back to where the teacher's
    // lesson was? Only when it cannot are the group's other cells tried.
    bool canReturn = false;
    if (TestMoveYrok(gr, hd, hy, hd, f)) {
        TTract probe(*this);
        if (probe.AddSteps(gr, hd, hy, hd, f, false) != nullptr &&
            TestMoveYrok(gr, ld, ly, hd, hy) &&
            probe.AddSteps(gr, ld, ly, hd, hy, false) != nullptr)
            canReturn = TestMoveYrok(gr, hd, f, ld, ly);
        probe.AntiMoveAll(false);
    }
    // Two moves that change nothing measurable are not worth making.
    if (canReturn) return TryChain({aside, into, {gr, hd, f, ld, ly}}, 1, LogShow);
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y) {
            if ((d == hd && (y == hy || y == f)) || (d == ld && y == ly) || !occupied(gr, Ne, d, y))
                continue;
            if (TryChain({aside, into, {gr, d, y, ld, ly}, {gr, hd, f, d, y}}, 1, LogShow))
                return true;
        }
    return false;
}

bool TSpSostPr::SetDirkaFio(TFio* Fi, bool LogShow) {
    ProcOptim = AProcOptim::StDirkaFio;
    if (Lf.empty()) return false;
    const bool log = LogShow && Run.StepLog();
    if (log) Run.SaveStepLog("--SetDirkaFio--start");
    std::vector<TFio*> teachers = Fi != nullptr ? std::vector<TFio*>{Fi} : Lf;
    std::vector<char> inLg(Year.LGryp.size(), 0);
    for (const TGryp* gr : Lg) {
        const int g = gr->GetIndex();
        if (g >= 0 && static_cast<std::size_t>(g) < inLg.size())
            inLg[static_cast<std::size_t>(g)] = 1;
    }
    // A group's lessons per day by the plan, read when first needed: the
    // moves tried on the way change no plan.
    std::vector<int> perDay(Year.LGryp.size(), -1);
    std::vector<TGrypYr> lessons;
    const std::size_t from = Fi == nullptr ? SweepFrom(2, teachers.size()) : 0;
    for (std::size_t k = 0; k < teachers.size(); ++k) {
        const std::size_t at = (from + k) % teachers.size();
        TFio* fio = teachers[at];
        const auto days = Year.FioWeekCells(kTimetable, fio->N, Ne);
        int holes = 0;
        for (int d = 1; d <= kDayCount; ++d) holes += holesOfDay(days[d]);
        if (holes == 0) continue;
        uint64_t print = 0;
        if (Fi == nullptr && skipUnchanged(2, at, print)) continue;
        for (int hd = 1; hd <= kDayCount; ++hd) {
            const uint16_t p = days[hd];
            if (p == 0) continue;
            for (int hy = std::countr_zero(p) + 1; hy < 15 - std::countl_zero(p); ++hy) {
                if ((p >> hy) & 1u) continue;
                for (int pass = 0; pass < 2; ++pass)
                    for (int i = 1; i <= kDayCount; ++i) {
                        // Every rejected offer is undone, so the week's cells stay as read.
                        const uint16_t q = days[static_cast<std::size_t>(i)];
                        if (q == 0) continue;
                        const int y = pass == 0 ? 15 - std::countl_zero(q) : std::countr_zero(q);
                        Year.FioYrAt(kTimetable, fio->N, Ne, i, y, lessons);
                        if (lessons.empty()) continue;
                        // The last lesson of the period for the last, the first for the first.
                        const TGrypYr& l = pass == 0 ? lessons.back() : lessons.front();
                        TGryp* gr = Year.LGryp[static_cast<std::size_t>(l.indxGryp)].get();
                        if (!inLg[static_cast<std::size_t>(l.indxGryp)]) continue;
                        const TNed* week = gr->GetNed(Ne);
                        const TDey* day = week != nullptr ? week->Dey(i) : nullptr;
                        if (day == nullptr) continue;
                        // Any day gives its lesson only at the pass end: a
                        // unit's own improvement moving so freely kept the
                        // classic search from placing its last units.
                        if (!(Run.Options.TeacherHolesAnyDay && FPassEnd)) {
                            int& planned = perDay[static_cast<std::size_t>(l.indxGryp)];
                            if (planned < 0) planned = week->CountAllYrokOneDey();
                            if (day->CountYrokAndDirka(kTimetable) <= planned) continue;
                        }
                        if (FindVariants(gr, i, y, hd, hy, LogShow)) {
                            if (Fi == nullptr) SweptTo(2, at);
                            if (log) Run.SaveStepLog("--SetDirkaFio--end true");
                            return true;
                        }
                    }
            }
        }
        noteFailed(2, at, print);
    }
    if (log) Run.SaveStepLog("--SetDirkaFio--end false");
    return false;
}

// --- Entry

std::size_t TSpSostPr::SweepFrom(int kind, std::size_t count) const {
    if (!FResumeSweeps || count == 0) return 0;
    return FSweepFrom[static_cast<std::size_t>(kind)] % count;
}

void TSpSostPr::SweptTo(int kind, std::size_t at) {
    if (FResumeSweeps) FSweepFrom[static_cast<std::size_t>(kind)] = at;
}

void TSpSostPr::ResumeSweeps(bool on) {
    FResumeSweeps = on;
    FSweepFrom.fill(0);
}

void TSpSostPr::HoldPlacements(bool on) {
    FHoldPlacements = on;
    FPlacementsRead = false;
}

void TSpSostPr::PassEnd(bool on) {
    FPassEnd = on;
    FPlacementsRead = false;
    FNearRead = false;
    for (auto& printed : FFailedPrint) printed.clear();
    const bool watch = on && Run.Options.SkipUnchanged;
    Year.WatchLessons(watch ? kTimetable : -1, watch ? Ne : 0);
}

namespace {

void sortUnique(std::vector<int>& v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

// Order matters here, unlike in the fingerprints themselves: two values
// swapped between neighbours must not cancel out.
uint64_t chain(uint64_t h, uint64_t v) {
    return (h ^ v) * 0x100000001b3ULL + 0x9e3779b97f4a7c15ULL;
}

}  // namespace

void TSpSostPr::readNear() {
    FNearRead = true;
    std::vector<int> lgAt(Year.LGryp.size(), -1);
    for (std::size_t i = 0; i < Lg.size(); ++i) {
        const int g = Lg[i]->GetIndex();
        if (g >= 0 && static_cast<std::size_t>(g) < lgAt.size())
            lgAt[static_cast<std::size_t>(g)] = static_cast<int>(i);
    }
    std::unordered_map<const TFio*, std::size_t> lfAt;
    for (std::size_t i = 0; i < Lf.size(); ++i) lfAt.emplace(Lf[i], i);
    FGroupTeachers.assign(Lg.size(), {});
    FFioGroups.assign(Lf.size(), {});
    for (const auto& unit : Li)
        for (const auto& l : unit->LSGYF) {
            const TFio* fio = l->FioPredmet != nullptr ? l->FioPredmet->Fio() : nullptr;
            const int g = l->Gryp != nullptr ? l->Gryp->GetIndex() : -1;
            if (fio == nullptr || g < 0 || static_cast<std::size_t>(g) >= lgAt.size()) continue;
            if (const int i = lgAt[static_cast<std::size_t>(g)]; i >= 0)
                FGroupTeachers[static_cast<std::size_t>(i)].push_back(fio->N);
            if (const auto it = lfAt.find(fio); it != lfAt.end())
                FFioGroups[it->second].push_back(g);
        }
    for (auto& fios : FGroupTeachers) sortUnique(fios);
    for (auto& groups : FFioGroups) sortUnique(groups);
    // Kinds 0 and 3 sweep the groups, kind 2 the teachers; kind 1 never skips.
    FFailedPrint[0].assign(Lg.size(), 0);
    FFailedPrint[2].assign(Lf.size(), 0);
    FFailedPrint[3].assign(Lg.size(), 0);
}

uint64_t TSpSostPr::nearPrint(int kind, std::size_t at) const {
    uint64_t h = 0;
    if (kind == 2) {
        h = chain(h, Year.FioPrint(Lf[at]->N));
        for (const int g : FFioGroups[at]) h = chain(h, Year.GroupPrint(g));
    } else {
        h = chain(h, Year.GroupPrint(Lg[at]->GetIndex()));
        for (const int n : FGroupTeachers[at]) h = chain(h, Year.FioPrint(n));
    }
    return h | 1u;  // 0 is "not tried"
}

bool TSpSostPr::skipUnchanged(int kind, std::size_t at, uint64_t& print) {
    print = 0;
    if (!FPassEnd || !Run.Options.SkipUnchanged) return false;
    if (!FNearRead) readNear();
    const auto& failed = FFailedPrint[static_cast<std::size_t>(kind)];
    if (at >= failed.size()) return false;
    print = nearPrint(kind, at);
    return failed[at] == print;
}

void TSpSostPr::noteFailed(int kind, std::size_t at, uint64_t print) {
    if (print == 0) return;
    // A try that found nothing undid every move it tried.
    assert(nearPrint(kind, at) == print);
    FFailedPrint[static_cast<std::size_t>(kind)][at] = print;
}

void TSpSostPr::readPlacements() {
    Ls.clear();
    FMovableScratch.clear();
    for (const auto& unit : Li)
        if (unit->Ok == 1) {
            Ls.push_back(unit.get());
            if (unit->CountSGYF() == 1 && unit->LSGYF.front()->Yr != nullptr)
                FMovableScratch.push_back(unit->LSGYF.front()->Yr);
        }
}

bool TSpSostPr::OptimizeRasp(bool bAllGr, bool LogShow, int RejimPo, int NSosPr) {
    if (Run.Statys != AStatys::sSosRasp || !FormS1StopSos()) return false;
    ProcOptim = AProcOptim::stNot;
    const int yly = Run.Counters.CountYly;
    if (yly > 800 || (RejimPo <= 2 && yly > 50)) return false;
    if (!FPlacementsRead) {
        readPlacements();
        // Moves keep the lessons' identity, so between placements the list stays.
        if (FMovableScratch != FMovableOrder) {
            FMovableOrder.swap(FMovableScratch);
            FMovable.assign(FMovableOrder);
        }
        FPlacementsRead = FPassEnd || FHoldPlacements;
    } else {
#ifndef NDEBUG
        const std::vector<TSosPredmet*> held = Ls;
        readPlacements();
        assert(Ls == held && FMovableScratch == FMovableOrder);
#endif
    }
    if (Li.empty() || Ls.empty() || Lg.empty()) return false;
    FMovableOn = true;
    const bool log = LogShow && Run.StepLog();
    if (log) Run.SaveStepLog("OptimizeRasp--start " + std::to_string(RejimPo));
    Tr.reset();
    auto runKind = [&](TGryp* gr, TFio* fio) {
        switch (RejimPo) {
            case 0:
                return SetDirkaGryp(gr, RejimPo, LogShow);
            case 1:
                return SetNormalNagryzkaGryp(gr, LogShow);
            case 2:
                return SetDirkaFio(fio, LogShow);
            case 3:
                return SetNormalNagryzkaAllGryp(gr, LogShow);
            default:
                return false;
        }
    };
    bool done = false;
    if (bAllGr) {
        done = runKind(nullptr, nullptr);
    } else if (NSosPr >= 0 && NSosPr < Count()) {
        for (const auto& l : Li[static_cast<std::size_t>(NSosPr)]->LSGYF) {
            TFio* fio = l->FioPredmet != nullptr ? l->FioPredmet->Fio() : nullptr;
            if (RejimPo == 2 && fio == nullptr) continue;
            if (runKind(l->Gryp, fio)) {
                done = true;
                break;
            }
        }
    }
    if (done && Tr)
        for (const auto& step : Tr->Li) step->RunRasp(LogShow);
    Tr.reset();
    FMovableOn = false;
    if (log) Run.SaveStepLog(done ? "OptimizeRasp--end true" : "OptimizeRasp--end false");
    return done;
}

}  // namespace zavlin
