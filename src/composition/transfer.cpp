// Whole-cell transfers between days: the planner of kind 3 and the
// transfers it runs.
#include "composition/transfer.h"

#include <algorithm>
#include <bit>

#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kTimetable = 0;

bool occupied(const TNed* week, int d, int y) {
    const TYrok* cell = week != nullptr ? week->GetYrok(kTimetable, d, y) : nullptr;
    return cell != nullptr && !cell->Empty();
}

// First and last occupied period of a day; -1 when the day is empty.
std::pair<int, int> span(const TNed* week, int d) {
    int first = -1;
    int last = -1;
    for (int y = 0; y < kPeriodCount; ++y)
        if (occupied(week, d, y)) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

bool pinnedIn(const TNed* week, int d, int y) {
    const TYrok* cell = week->GetYrok(kTimetable, d, y);
    for (int i = 0; cell != nullptr && i < cell->CountYrDpZm(); ++i)
        if (cell->YrDpZm(i)->TestPy()) return true;
    return false;
}

// The group already has a lesson of yr's subject and teacher on day d
// (yr itself and the lessons in `except` aside).
bool sameSubjectOnDay(const TNed* week, int d, const TYr* yr, const std::vector<TYr*>& except) {
    for (int y = 0; y < kPeriodCount; ++y) {
        const TYrok* cell = week->GetYrok(kTimetable, d, y);
        for (int i = 0; cell != nullptr && i < cell->CountYrDpZm(); ++i) {
            const TYr* other = cell->YrDpZm(i);
            if (other == yr || std::find(except.begin(), except.end(), other) != except.end())
                continue;
            if (other->Predmet() == yr->Predmet() && other->Fio() == yr->Fio()) return true;
        }
    }
    return false;
}

}  // namespace

std::vector<TYr*> CellYrs(const TGryp* gr, int ne, int d, int y) {
    std::vector<TYr*> yrs;
    const TNed* week = gr != nullptr ? gr->GetNed(ne) : nullptr;
    const TYrok* cell = week != nullptr ? week->GetYrok(kTimetable, d, y) : nullptr;
    for (int i = 0; cell != nullptr && i < cell->CountYrDpZm(); ++i) yrs.push_back(cell->YrDpZm(i));
    return yrs;
}

// --- Sets

TYkGryp::TYkGryp(TYkGryps* owner, TGryp* gryp, int oldY)
    : FYkGryps(owner), Gryp(gryp), Ned(gryp->GetNed(owner->FPerenos->FHag->Ne)), OldY(oldY) {}

bool TYkGryps::HasFio(const TFio* fio) const {
    for (const auto& c : LYkGryp)
        for (const TYr* yr : c->FYrok)
            if (yr->Fio() == fio) return true;
    return false;
}

bool TYkGryps::HasCell(const TGryp* gr, int y) const {
    return FOldYN == y && std::any_of(LYkGryp.begin(), LYkGryp.end(),
                                      [&](const auto& c) { return c->Gryp == gr; });
}

// --- The planner and its shared operations

THag::THag(TSpSostPr& sp, TGryp* gr) : FSpSostPr(sp), FGryp(gr), Ne(sp.Ne) {}

bool THag::MoveCell(TPerenos* by, TNed* ned, int d1, int y1, int d2, int y2) {
    if (ned == nullptr || (d1 == d2 && y1 == y2) || !occupied(ned, d1, y1) || occupied(ned, d2, y2))
        return false;
    TCellMove m;
    m.by = by;
    m.ned = ned;
    m.d1 = d1;
    m.y1 = y1;
    m.d2 = d2;
    m.y2 = y2;
    m.yrs = CellYrs(ned->Gryp(), Ne, d1, y1);
    for (TYr* yr : m.yrs) m.rooms.push_back(yr->Ayd());
    for (TYr* yr : m.yrs) ned->MoveYrRasp(kTimetable, d1, y1, d2, y2, yr);
    Journal.push_back(std::move(m));
    return true;
}

std::vector<TCellMove> THag::TakeBack(std::size_t mark) {
    std::vector<TCellMove> undone;
    while (Journal.size() > mark) {
        TCellMove m = std::move(Journal.back());
        Journal.pop_back();
        // In the old order, into the old (now empty) cell: the cell's order returns.
        for (TYr* yr : m.yrs) m.ned->MoveYrRasp(kTimetable, m.d2, m.y2, m.d1, m.y1, yr);
        undone.push_back(std::move(m));
    }
    return undone;
}

void THag::GiveRoomsBack(std::vector<TCellMove>& undone) {
    // Latest move first, so a lesson moved twice ends with its first room.
    for (const TCellMove& m : undone)
        for (std::size_t i = 0; i < m.yrs.size(); ++i) m.yrs[i]->SetAyd(m.rooms[i]);
}

bool THag::Selected(const TGryp* gr) const {
    const auto& lg = FSpSostPr.Lg;
    return std::find(lg.begin(), lg.end(), gr) != lg.end();
}

bool THag::MovableYr(const TYr* yr) {
    if (yr == nullptr || yr->TestPy() || yr->SetZamenaYes() || !yr->LZm.empty() || yr->NObed() != 0)
        return false;
    const TPredmet* pr = yr->Predmet();
    return pr != nullptr && pr->Dan.Spar <= 1;
}

bool THag::MovableCell(const std::vector<TYr*>& yrs) {
    return !yrs.empty() && std::all_of(yrs.begin(), yrs.end(), MovableYr);
}

std::pair<int, int> THag::Window(const TGryp& gr) {
    const int first = gr.Dan.TimeDay;
    return {first, std::min(kPeriodCount - 1, first + (first >= 6 ? 1 : 3))};
}

bool THag::MayGo(const TGryp* gr, const std::vector<TYr*>& yrs, int d, int y, int fromDay) {
    const TNed* week = gr != nullptr ? gr->GetNed(Ne) : nullptr;
    if (week == nullptr || d < 1 || d > kDayCount || !week->TestRunDey(d) || occupied(week, d, y))
        return false;
    const auto [w0, w1] = Window(*gr);
    if (y < w0 || y > w1) return false;
    for (const TYr* yr : yrs) {
        if (const TFio* fio = yr->Fio()) {
            if (fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] == 0)
                return false;
            if (!FSpSostPr.Year.TestAddFio(kTimetable, 0, fio->N, Ne, d, y)) return false;
        }
        // Within its own day a cell changes nothing of the day's subjects.
        if (fromDay != d && sameSubjectOnDay(week, d, yr, yrs)) return false;
    }
    return true;
}

std::string THag::MoveText(const TCellMove& m, const TYr* yr) const {
    const TGryp* gr = m.ned->Gryp();
    const TPredmet* pr = yr->Predmet();
    const TFio* fio = yr->Fio();
    return (gr != nullptr ? gr->Name() : std::string()) + " из д" + std::to_string(m.d1) + "у" +
           std::to_string(m.y1) + "  в д" + std::to_string(m.d2) + "у" + std::to_string(m.y2) +
           " " + (pr != nullptr ? pr->Name() : std::string()) + " " +
           (fio != nullptr ? fio->Name() : std::string());
}

bool THag::MoveAllFio(bool LogShow) {
    TSpSostPr& sp = FSpSostPr;
    TNed* week = FGryp != nullptr ? FGryp->GetNed(Ne) : nullptr;
    if (week == nullptr || !sp.FormS1StopSos()) return false;
    const auto bad = FGryp->GetBadYrokRasp(kTimetable, Ne);
    const auto free = FGryp->GetNilYrokRasp(kTimetable, Ne);
    if (bad.empty() || free.empty()) return false;
    const auto [w0, w1] = Window(*FGryp);
    int lastD = 0;
    for (const auto& [d, by] : bad) {
        if (d <= lastD) continue;
        lastD = d;
        for (int p = w0; p <= w1; ++p) {
            if (!occupied(week, d, p)) continue;
            int lastT = 0;
            for (const auto& [t, fy] : free) {
                if (t <= lastT) continue;
                lastT = t;
                if (!sp.FormS1StopSos()) return false;
                PerenosAf = std::make_unique<TPerenosAf>(this, d, t);
                if (sp.Run.StepLog())
                    sp.Run.SaveStepLog("Перенос с" + std::to_string(d) + std::to_string(p) + " на" +
                                       std::to_string(t) + " гр" + FGryp->Name());
                PerenosAf->SetYrok(d, p);
                if (PerenosAf->AllMove()) {
                    if (LogShow && sp.Run.StepLog()) {
                        std::vector<std::string> lines;
                        PerenosAf->PrintLog(lines);
                        for (const auto& l : lines) sp.Run.SaveStepLog(l);
                    }
                    return true;
                }
            }
        }
    }
    PerenosAf.reset();
    return false;
}

// --- The transfer family

TPerenos::TPerenos(THag* hag, TPerenos* parBoss, TYkGryp* ykGryp, int oldDeyN, int newDeyN)
    : FHag(hag),
      FParBoss(parBoss),
      FYkGryp(ykGryp),
      FOldDeyN(oldDeyN),
      FNewDeyN(newDeyN),
      FMark(hag->Mark()) {}

void TPerenos::CutNew() {
    FUndone = FHag->TakeBack(FMark);
}

void TPerenos::PasteOld() {
    THag::GiveRoomsBack(FUndone);
    FUndone.clear();
}

void TPerenos::PrintErrorLog(std::vector<std::string>& out) const {
    for (const TCellMove& m : FHag->Journal)
        if (m.by == this)
            for (const TYr* yr : m.yrs) out.push_back(FHag->MoveText(m, yr));
}

TPerenos03::TPerenos03(THag* hag, TPerenos* parBoss, TYkGryp* ykGryp, int day, int targetY)
    : TPerenos(hag, parBoss, ykGryp, day, day), TargetY(targetY) {}

bool TPerenos03::AllMove() {
    TYkGryp& c = *FYkGryp;
    const int d = FNewDeyN;
    const std::vector<TYr*> yrs = CellYrs(c.Gryp, FHag->Ne, d, TargetY);
    if (yrs.empty()) return true;
    if (!THag::MovableCell(yrs)) return false;
    // The target period is taken again at once, so the obstacle may go into
    // a hole of the day or next to its ends without opening a new hole.
    const auto [first, last] = span(c.Ned, d);
    const auto [w0, w1] = THag::Window(*c.Gryp);
    for (int r = std::max(w0, first - 1); r <= std::min(w1, last + 1); ++r)
        if (r != TargetY && FHag->MayGo(c.Gryp, yrs, d, r, d))
            return FHag->MoveCell(this, c.Ned, d, TargetY, d, r);
    return false;
}

TPerenosDr::TPerenosDr(THag* hag, TPerenos* parBoss, TYkGryp* ykGryp, bool otherDays)
    : TPerenos(hag, parBoss, ykGryp, parBoss->FOldDeyN, parBoss->FOldDeyN), OtherDays(otherDays) {}

bool TPerenosDr::tryCell(int d, int y) {
    TYkGryp& c = *FYkGryp;
    if (y < 0 || (d == FOldDeyN && y == c.OldY)) return false;
    const std::vector<TYr*> yrs = CellYrs(c.Gryp, FHag->Ne, d, y);
    if (!THag::MovableCell(yrs) || !FHag->MayGo(c.Gryp, yrs, FOldDeyN, c.OldY, d)) return false;
    return FHag->MoveCell(this, c.Ned, d, y, FOldDeyN, c.OldY);
}

bool TPerenosDr::AllMove() {
    TNed* week = FYkGryp->Ned;
    // A day's last or first cell leaves no hole behind.
    auto ends = [&](int d) { return span(week, d); };
    if (tryCell(FOldDeyN, ends(FOldDeyN).second) || tryCell(FOldDeyN, ends(FOldDeyN).first))
        return true;
    if (!OtherDays) return false;
    const int target = FParBoss != nullptr ? FParBoss->FNewDeyN : 0;
    for (int e = 1; e <= kDayCount; ++e) {
        if (e == FOldDeyN || e == target || !week->TestBadDeyMaxYrok(kTimetable, e)) continue;
        if (tryCell(e, ends(e).second) || tryCell(e, ends(e).first)) return true;
    }
    return false;
}

TPerenosAf::TPerenosAf(THag* hag, int oldDeyN, int newDeyN)
    : TPerenos(hag, nullptr, nullptr, oldDeyN, newDeyN) {}

void TPerenosAf::SetYrok(int DeyN, int YrokN) {
    LYkGryps.clear();
    FOverflow = false;
    FOldDeyN = DeyN;
    TAllRasp& year = FHag->FSpSostPr.Year;
    const int ne = FHag->Ne;
    auto seen = [&](const TGryp* gr, int y) {
        return std::any_of(LYkGryps.begin(), LYkGryps.end(),
                           [&](const auto& s) { return s->HasCell(gr, y); });
    };
    std::vector<TGrypYr> sharing;
    // The cells at one time reached from a first one through shared teachers.
    auto addSet = [&](TGryp* gr, int y) {
        auto set = std::make_unique<TYkGryps>(this, y);
        std::vector<TGryp*> queue{gr};
        while (!queue.empty()) {
            TGryp* g = queue.back();
            queue.pop_back();
            if (seen(g, y) || set->HasCell(g, y)) continue;
            std::vector<TYr*> yrs = CellYrs(g, ne, DeyN, y);
            if (yrs.empty()) continue;
            auto c = std::make_unique<TYkGryp>(set.get(), g, y);
            c->FYrok = std::move(yrs);
            for (const TYr* yr : c->FYrok)
                if (const TFio* fio = yr->Fio()) {
                    year.FioYrAt(kTimetable, fio->N, ne, DeyN, y, sharing);
                    for (const TGrypYr& l : sharing)
                        queue.push_back(year.LGryp[static_cast<std::size_t>(l.indxGryp)].get());
                }
            set->LYkGryp.push_back(std::move(c));
        }
        if (!set->LYkGryp.empty()) LYkGryps.push_back(std::move(set));
    };
    addSet(FHag->FGryp, YrokN);
    // Every teacher met leaves the old day with all of that day's lessons,
    // so the teacher gains no working day.
    std::vector<const TFio*> met;
    std::vector<TGrypYr> held;
    for (std::size_t i = 0; i < LYkGryps.size(); ++i) {
        const TYkGryps* s = LYkGryps[i].get();
        for (std::size_t j = 0; j < s->LYkGryp.size(); ++j)
            for (const TYr* yr : s->LYkGryp[j]->FYrok) {
                const TFio* fio = yr->Fio();
                if (fio == nullptr || std::find(met.begin(), met.end(), fio) != met.end()) continue;
                met.push_back(fio);
                const uint16_t cells =
                    year.FioWeekCells(kTimetable, fio->N, ne)[static_cast<std::size_t>(DeyN)];
                for (int q = 0; q < kPeriodCount; ++q) {
                    if (((cells >> q) & 1u) == 0) continue;
                    year.FioYrAt(kTimetable, fio->N, ne, DeyN, q, held);
                    for (const TGrypYr& l : held) {
                        TGryp* g = year.LGryp[static_cast<std::size_t>(l.indxGryp)].get();
                        if (!seen(g, q)) addSet(g, q);
                    }
                    if (LYkGryps.size() > static_cast<std::size_t>(kPeriodCount)) {
                        FOverflow = true;
                        return;
                    }
                }
            }
    }
}

std::vector<const TYkGryps*> TPerenosAf::waitingFrom(std::size_t i) const {
    std::vector<const TYkGryps*> out;
    for (std::size_t k = i; k < LYkGryps.size(); ++k) out.push_back(LYkGryps[k].get());
    return out;
}

void TPerenosAf::SetMarks(TYkGryp& c, const std::vector<const TYkGryps*>& waiting) {
    TAllRasp& year = FHag->FSpSostPr.Year;
    const int ne = FHag->Ne;
    const int t = FNewDeyN;
    const TNed* week = c.Ned;
    c.my.fill(kMarkFree);
    const auto [w0, w1] = THag::Window(*c.Gryp);
    const auto [first, last] = span(week, t);
    const bool studies = week->TestRunDey(t);
    for (int q = 0; q < kPeriodCount; ++q) {
        uint8_t& m = c.my[static_cast<std::size_t>(q)];
        // A period beyond the day's ends by more than one would open a hole.
        if (!studies || q < w0 || q > w1 || pinnedIn(week, t, q) ||
            (first >= 0 && (q < first - 1 || q > last + 1))) {
            m = 0;
            continue;
        }
        for (const TYr* yr : c.FYrok) {
            const TFio* fio = yr->Fio();
            const TPredmet* pr = yr->Predmet();
            if (pr == nullptr || pr->Dan.Spar > 1 || sameSubjectOnDay(week, t, yr, c.FYrok) ||
                (fio != nullptr &&
                 fio->Dan.Op[static_cast<std::size_t>(t)][static_cast<std::size_t>(q)] == 0))
                m = 0;
        }
        if (m == 0) continue;
        if (occupied(week, t, q)) m &= static_cast<uint8_t>(~kMarkCellTaken);
        for (const TYr* yr : c.FYrok) {
            if (const TFio* fio = yr->Fio();
                fio != nullptr && !year.TestAddFio(kTimetable, 0, fio->N, ne, t, q))
                m &= static_cast<uint8_t>(~kMarkTeacherBusy);
            if (yr->NObed() != 0) m &= static_cast<uint8_t>(~kMarkUnion);
        }
    }
    // A teacher wanting few days keeps to the span already taught that day,
    // widened by the sets of that teacher still to come beyond the free
    // periods inside the span (at least by one, which opens no hole).
    std::vector<const TFio*> done;
    for (const TYr* yr : c.FYrok) {
        const TFio* fio = yr->Fio();
        if (fio == nullptr || fio->Rday() > 5 ||
            std::find(done.begin(), done.end(), fio) != done.end())
            continue;
        done.push_back(fio);
        const uint16_t cells =
            year.FioWeekCells(kTimetable, fio->N, ne)[static_cast<std::size_t>(t)];
        if (cells == 0) continue;
        const int a = std::countr_zero(cells);
        const int b = 15 - std::countl_zero(cells);
        const int inside = b - a + 1 - std::popcount(cells);
        const int sets = static_cast<int>(std::count_if(
            waiting.begin(), waiting.end(), [&](const TYkGryps* s) { return s->HasFio(fio); }));
        const int r = std::max(1, sets - inside);
        for (int q = 0; q < kPeriodCount; ++q)
            if (q < a - r || q > b + r) c.my[static_cast<std::size_t>(q)] = 0;
    }
}

bool TPerenosAf::TestPerenos() {
    if (FOverflow || LYkGryps.empty()) return false;
    const int d = FOldDeyN;
    const int t = FNewDeyN;
    std::vector<const TGryp*> groups;
    for (const auto& s : LYkGryps) {
        std::vector<const TYr*> seenYrs;
        for (const auto& c : s->LYkGryp) {
            if (c->Ned == nullptr || !FHag->Selected(c->Gryp)) return false;
            for (const TYr* yr : c->FYrok) {
                const TPredmet* pr = yr->Predmet();
                if (yr->TestPy() || pr == nullptr || pr->Dan.Spar > 1 || yr->SetZamenaYes() ||
                    !yr->LZm.empty())
                    return false;
                // One teacher in two cells at once is only a union meeting.
                for (const TYr* other : seenYrs)
                    if (other->Fio() == yr->Fio() && yr->Fio() != nullptr &&
                        (yr->NObed() == 0 || other->NObed() != yr->NObed()))
                        return false;
            }
            seenYrs.insert(seenYrs.end(), c->FYrok.begin(), c->FYrok.end());
            if (c->Ned->Dey(d)->CountYrokAndDirka(kTimetable) <= c->Ned->CountAllYrokOneDey())
                return false;
            if (std::find(groups.begin(), groups.end(), c->Gryp) != groups.end()) return false;
            groups.push_back(c->Gryp);
        }
    }
    if (!FHag->FSpSostPr.FormS1StopSos()) return false;
    const auto waiting = waitingFrom(0);
    for (const auto& s : LYkGryps)
        for (const auto& c : s->LYkGryp) SetMarks(*c, waiting);
    auto openTo = [](const TYkGryps& s, int q) {
        return std::all_of(s.LYkGryp.begin(), s.LYkGryp.end(),
                           [&](const auto& c) { return c->my[static_cast<std::size_t>(q)] != 0; });
    };
    int openToAll = 0;
    for (int q = 0; q < kPeriodCount; ++q)
        if (std::all_of(LYkGryps.begin(), LYkGryps.end(),
                        [&](const auto& s) { return openTo(*s, q); }))
            ++openToAll;
    for (const auto& s : LYkGryps) {
        bool any = false;
        for (int q = 0; q < kPeriodCount && !any; ++q) any = openTo(*s, q);
        if (!any) return false;
    }
    if (openToAll < static_cast<int>(LYkGryps.size())) return false;
    if (d != t) {
        int balance = 0;
        for (const auto& s : LYkGryps)
            for (const auto& c : s->LYkGryp) {
                const int onNew = c->Ned->Dey(t)->CountYrok(kTimetable);
                const int onOld = c->Ned->Dey(d)->CountYrok(kTimetable);
                balance += onNew < onOld || onNew < c->Ned->CountAllYrokOneDey() ? 1 : -1;
            }
        if (balance < 0) return false;
    }
    return true;
}

bool TPerenosAf::placeSet(std::size_t i) {
    TYkGryps& s = *LYkGryps[i];
    const auto waiting = waitingFrom(i);
    for (const auto& c : s.LYkGryp) SetMarks(*c, waiting);
    for (const uint8_t want : {kMarkFree, kMarkOccupied})
        for (int q = 0; q < kPeriodCount; ++q) {
            if (!std::all_of(s.LYkGryp.begin(), s.LYkGryp.end(), [&](const auto& c) {
                    return c->my[static_cast<std::size_t>(q)] == want;
                }))
                continue;
            const std::size_t mark = FHag->Mark();
            const std::size_t preliminary = LPerenos03.size();
            bool ok = true;
            for (const auto& c : s.LYkGryp) {
                if (want == kMarkOccupied) {
                    std::unique_ptr<TPerenos03> pr =
                        i == 0 ? std::make_unique<TPerenos03>(FHag, this, c.get(), FNewDeyN, q)
                               : std::make_unique<TPerenos06>(FHag, this, c.get(), FNewDeyN, q);
                    if (!pr->AllMove()) {
                        ok = false;
                        break;
                    }
                    c->FPerenos03 = pr.get();
                    LPerenos03.push_back(std::move(pr));
                }
                if (!FHag->MoveCell(this, c->Ned, FOldDeyN, c->OldY, FNewDeyN, q)) {
                    ok = false;
                    break;
                }
                c->NewY = q;
            }
            if (ok) {
                s.FNewYN = q;
                s.Status = AYkStatus::stNew;
                return true;
            }
            // The set leaves the period again and the obstacles come back.
            std::vector<TCellMove> undone = FHag->TakeBack(mark);
            THag::GiveRoomsBack(undone);
            LPerenos03.erase(LPerenos03.begin() + static_cast<std::ptrdiff_t>(preliminary),
                             LPerenos03.end());
            for (const auto& c : s.LYkGryp) {
                c->FPerenos03 = nullptr;
                c->NewY = -1;
            }
        }
    return false;
}

bool TPerenosAf::plugHoles() {
    for (std::size_t i = 0; i < LYkGryps.size(); ++i)
        for (std::size_t j = 0; j < LYkGryps[i]->LYkGryp.size(); ++j) {
            TYkGryp& c = *LYkGryps[i]->LYkGryp[j];
            if (occupied(c.Ned, FOldDeyN, c.OldY)) continue;
            const auto [first, last] = span(c.Ned, FOldDeyN);
            if (!(first < c.OldY && c.OldY < last)) continue;
            // The main cell's group gives up a lesson of its overloaded day;
            // a linked group may take one back from another overloaded day.
            auto pr = std::make_unique<TPerenosDr>(FHag, this, &c, !(i == 0 && j == 0));
            if (!pr->AllMove()) return false;
            c.FPerenosDr = pr.get();
            LPerenosDr.push_back(std::move(pr));
        }
    return true;
}

void TPerenosAf::undo() {
    CutNew();
    PasteOld();
    LPerenos03.clear();
    LPerenosDr.clear();
    for (const auto& s : LYkGryps) {
        s->Status = AYkStatus::stOld;
        s->FNewYN = -1;
        for (const auto& c : s->LYkGryp) {
            c->NewY = -1;
            c->FPerenos03 = nullptr;
            c->FPerenosDr = nullptr;
        }
    }
}

bool TPerenosAf::AllMove() {
    // The marks read the target day with the cells still away from it.
    if (LYkGryps.empty() || FOldDeyN == FNewDeyN || !TestPerenos()) return false;
    FMark = FHag->Mark();
    for (const auto& s : LYkGryps) s->Status = AYkStatus::stByf;
    for (std::size_t i = 0; i < LYkGryps.size(); ++i)
        if (!placeSet(i)) {
            undo();
            return false;
        }
    if (!plugHoles()) {
        undo();
        return false;
    }
    return true;
}

void TPerenosAf::PrintLog(std::vector<std::string>& out) const {
    out.push_back(std::to_string(FHag->FSpSostPr.Run.Counters.CountYly) + " -----------");
    out.push_back(" предварительные перенос");
    for (const auto& pr : LPerenos03) pr->PrintErrorLog(out);
    out.push_back(" главный перенос");
    PrintErrorLog(out);
    out.push_back(" переносы для затыкания дыры");
    for (const auto& pr : LPerenosDr) pr->PrintErrorLog(out);
}

// --- Kind 3

bool GetTractForNagryzAllGryp(TSpSostPr& sp, TGryp* gr, bool LogShow) {
    THag hag(sp, gr);
    return hag.MoveAllFio(LogShow);
}

bool TSpSostPr::SetNormalNagryzkaAllGryp(TGryp* Gr, bool LogShow) {
    ProcOptim = AProcOptim::StNormalNagryzkaAllGryp;
    if (!FormS1StopSos()) return false;
    const bool log = LogShow && Run.StepLog();
    if (log) Run.SaveStepLog("--SetNormalNagryzkaAllGryp--start");
    const std::size_t from = Gr == nullptr ? SweepFrom(3, Lg.size()) : 0;
    for (std::size_t k = 0; k < Lg.size(); ++k) {
        const std::size_t i = (from + k) % Lg.size();
        TGryp* gr = Lg[i];
        if ((Gr != nullptr && gr != Gr) || gr->CountBadNagryzkaOfNed(kTimetable, Ne) <= 0) continue;
        uint64_t print = 0;
        if (Gr == nullptr && skipUnchanged(3, i, print)) continue;
        if (GetTractForNagryzAllGryp(*this, gr, LogShow)) {
            if (Gr == nullptr) SweptTo(3, i);
            if (log)
                Run.SaveStepLog("--SetNormalNagryzkaAllGryp--end true гр.N" + std::to_string(i));
            return true;
        }
        noteFailed(3, i, print);
    }
    if (log) Run.SaveStepLog("--SetNormalNagryzkaAllGryp--end false");
    return false;
}

}  // namespace zavlin
