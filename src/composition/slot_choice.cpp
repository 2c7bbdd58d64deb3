// Where one unit goes: every cell of the week scored, rules giving 0 and
// preferences adding bits; and, when nothing is left, freeing a cell by
// moving the single lesson in it elsewhere.
#include <algorithm>
#include <array>
#include <bit>
#include <utility>
#include <vector>

#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kTimetable = 0;
constexpr int kPeriodsOfDay = 12;

constexpr uint16_t kPrefLast = 1;         // TimeDay + 3
constexpr uint16_t kPrefThird = 2;        // TimeDay + 2
constexpr uint16_t kPrefFirst = 4;        // TimeDay, TimeDay + 1
constexpr uint16_t kPrefHole = 8;         // a hole of the group's day
constexpr uint16_t kPrefFioDay = 16;      // a day the teacher already works
constexpr uint16_t kPrefFioWish = 32;     // the working-days wish of a short week
constexpr uint16_t kPrefFioGap = 64;      // between the teacher's first and last
constexpr uint16_t kPrefSubgroup = 1024;  // one teacher, several subgroups

using Grid = TSlotGrid;
static_assert(std::tuple_size_v<Grid> == kDays + 1 &&
              std::tuple_size_v<Grid::value_type> == kPeriodsOfDay);

void prefer(Grid& grid, int d, int y, uint16_t bits) {
    if (d < 1 || d > kDays || y < 0 || y >= kPeriodsOfDay) return;
    if (grid[d][y] != 0) grid[d][y] |= bits;
}

// The lesson that opens a cell, if any.
const TYr* firstYr(const TYrok* cell) {
    return cell != nullptr && !cell->Empty() ? cell->YrDpZm(0) : nullptr;
}

// The lessons of one teacher assignment on a day: how many, the first and
// the last period (-1 when none).
struct OwnOfDay {
    int count = 0;
    int first = -1;
    int last = -1;
};

OwnOfDay ownOfDay(const TNed& week, int d, const TFioPredmet* fp) {
    OwnOfDay own;
    for (int y = 0; y < kPeriodsOfDay; ++y) {
        const TYrok* cell = week.GetYrok(kTimetable, d, y);
        if (cell == nullptr) continue;
        for (int i = 0; i < cell->CountYrDpZm(); ++i)
            if (cell->YrDpZm(i)->FioPredmet() == fp) {
                ++own.count;
                if (own.first < 0) own.first = y;
                own.last = y;
            }
    }
    return own;
}

}  // namespace

int WindowEnd(const TGryp& gr) {
    const int first = gr.Dan.TimeDay;
    return first > 5 ? first + 1 : first + 3;
}

bool TeachesIn(const TYrok* cell, const TFio* fio) {
    if (cell == nullptr) return false;
    for (int i = 0; i < cell->CountYrDpZm(); ++i) {
        const TYr* yr = cell->YrDpZm(i);
        if (yr->Held() && yr->Fio() == fio) return true;
    }
    return false;
}

bool TSpSostPr::ScoreLesson(const TSosPredmet& unit, const TSGYF& lesson, int noD, int noY,
                            int minDays, Grid& grid, TSlotRules* why) {
    TGryp& gr = *lesson.Gryp;
    const TNed* week = gr.GetNed(Ne);
    if (week == nullptr) return false;
    const TPredmet* predmet = lesson.YrokKorzina->Predmet();
    const TFioPredmet* fp = lesson.FioPredmet;
    const TFio* fio = fp->Fio();
    const int first = gr.Dan.TimeDay;
    const int last = WindowEnd(gr);

    // A cell ruled out keeps the first rule that did it.
    auto rule = [&](int d, int y, ASlotRule r) {
        if (grid[d][y] == 0) return;
        grid[d][y] = 0;
        if (why != nullptr) (*why)[d][y] = r;
    };
    auto ruleDay = [&](int d, ASlotRule r) {
        for (int y = 0; y < kPeriodsOfDay; ++y) rule(d, y, r);
    };

    // Study days and the daily window, with its preferred periods.
    for (int d = 1; d <= kDays; ++d) {
        if (!gr.TestRunDey(Ne, d)) ruleDay(d, ASlotRule::DayOff);
        for (int y = 0; y < kPeriodsOfDay; ++y)
            if (y < first || y > last) rule(d, y, ASlotRule::Window);
        prefer(grid, d, first, kPrefFirst);
        prefer(grid, d, first + 1, kPrefFirst);
        prefer(grid, d, first + 2, kPrefThird);
        prefer(grid, d, first + 3, kPrefLast);
    }

    // Cells where the teacher already teaches this group.
    int j = 0;
    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriodsOfDay; ++y) {
            const TYrok* cell = week->GetYrok(kTimetable, d, y);
            if (cell == nullptr) continue;
            bool busy = false;
            for (int i = 0; i < cell->CountYrDpZm(); ++i) {
                const TYr* yr = cell->YrDpZm(i);
                if (!yr->Held() || yr->Fio() != fio) continue;
                busy = true;
                if (yr->Predmet() == predmet) ++j;
            }
            if (busy) rule(d, y, ASlotRule::TeacherHere);
        }

    // Blocks of Spar lessons, one block a day.
    const int spar = std::max<int>(1, predmet->Dan.Spar);
    for (int d = 1; d <= kDays; ++d) {
        const auto [k, firstOwn, lastOwn] = ownOfDay(*week, d, fp);
        if (k >= spar) {
            ruleDay(d, ASlotRule::BlockDone);
            continue;
        }
        if (spar > 1 && j > 0) {
            if (k > 0) {
                for (int y = 0; y < kPeriodsOfDay; ++y)
                    if (y < firstOwn - 1 || y > lastOwn + 1) rule(d, y, ASlotRule::BlockEnds);
            } else if (j < spar || j % spar != 0) {
                // An unfinished block is completed first.
                ruleDay(d, ASlotRule::BlockOpen);
            }
        }
        for (int y = 0; y < kPeriodsOfDay; ++y) {
            if (grid[d][y] == 0) continue;
            const TYr* occupant = firstYr(week->GetYrok(kTimetable, d, y));
            if (d == noD && y == noY)
                rule(d, y, ASlotRule::Excluded);
            else if (occupant != nullptr &&
                     (occupant->CountFioPredmet() <= 1 || occupant->Predmet() != predmet))
                rule(d, y, ASlotRule::GroupCell);
            else if (fio != nullptr && fio->Dan.Op[d][y] == 0)
                rule(d, y, ASlotRule::Forbidden);
            else if (!unit.TestSosPredmet(Ne, d, y))
                rule(d, y, ASlotRule::UnitRefused);
        }
    }

    // The teacher's working days.
    if (fio != nullptr) {
        const auto days = Year.FioWeekCells(kTimetable, fio->N, Ne);
        int l = 0;
        for (int d = 1; d <= kDays; ++d)
            if (days[d] != 0) ++l;
        if (l > 0) {
            const int rday = fio->Rday();
            const int w = MimRunDey(fio->N, minDays);
            if (l >= rday || l >= w) {
                int limit = 6;
                if (rday < 5) limit = rday;
                if (rday == 5 && w < limit) limit = w;
                if (limit < w) limit = w;
                if (l >= limit)
                    for (int d = 1; d <= kDays; ++d)
                        if (days[d] == 0) ruleDay(d, ASlotRule::WorkDays);
            }
            for (int d = 1; d <= kDays; ++d) {
                const bool works = days[d] != 0;
                for (int y = 0; y < kPeriodsOfDay; ++y) {
                    if (rday > 4 && works) prefer(grid, d, y, kPrefFioDay);
                    if (rday < 5 && ((rday == l && works) || (l < rday && !works)))
                        prefer(grid, d, y, kPrefFioWish);
                }
                if (rday < 6 && works) {
                    const int from = std::countr_zero(days[d]);
                    const int to = 15 - std::countl_zero(days[d]);
                    if (from < to)
                        for (int y = from; y <= to; ++y) prefer(grid, d, y, kPrefFioGap);
                }
            }
        }
    }

    // Holes of the group's days.
    for (const auto& [d, y] : gr.GetLDirkaRasp(kTimetable, Ne)) prefer(grid, d, y, kPrefHole);

    // Subgroups run side by side.
    const auto& teachers = lesson.YrokKorzina->LFio();
    if (teachers.size() >= 2) {
        std::vector<TYr*> placed;
        predmet->GetLYrPGryp(kTimetable, Ne, placed);
        const auto own = std::count_if(teachers.begin(), teachers.end(),
                                       [&](const auto& t) { return t->Fio() == fio; });
        if (own < 2) {
            std::erase_if(placed, [&](const TYr* yr) { return TeachesIn(yr->Yrok(), fio); });
            if (!placed.empty()) {
                Grid keep{};
                for (const TYr* yr : placed)
                    if (const TYrok* cell = yr->Yrok()) keep[yr->Dan.de][cell->N] = 1;
                for (int d = 1; d <= kDays; ++d)
                    for (int y = 0; y < kPeriodsOfDay; ++y)
                        if (keep[d][y] == 0) rule(d, y, ASlotRule::SubgroupsBeside);
            }
        } else if (placed.empty()) {
            for (int d = 1; d <= kDays; ++d)
                for (int y = 0; y < kPeriodsOfDay; ++y)
                    if (y != first) rule(d, y, ASlotRule::SubgroupsFirst);
            for (int d = 1; d <= kDays; ++d) prefer(grid, d, first, kPrefSubgroup);
        } else {
            std::array<bool, kDays + 1> used{};
            for (const TYr* yr : placed) {
                const int d = yr->Dan.de;
                if (d < 1 || d > kDays) continue;
                used[d] = true;
                prefer(grid, d, first, kPrefSubgroup);
                if (first + 3 <= 11) prefer(grid, d, first + 3, kPrefSubgroup);
            }
            for (int d = 1; d <= kDays; ++d)
                if (!used[d]) ruleDay(d, ASlotRule::SubgroupsDays);
        }
    }
    return true;
}

bool TSpSostPr::GetVariantForPredmet(int FirstPr, int noD, int noY, int CountMinDey, bool LogShow) {
    if (!FormS1StopSos()) return false;
    if (FirstPr < 0 || FirstPr >= Count()) return false;
    const bool log = LogShow && Run.StepLog();
    if (log) SaveLogError("GetVariantForPredmet", "--GetVariantForPredmet--start");
    TSosPredmet& unit = *Li[static_cast<std::size_t>(FirstPr)];
    ++CountTry;
    int m = unit.sosYes ? 3 : 4;
    if (CountMinDey != 0) m = CountMinDey;
    unit.sosYes = true;
    if (unit.Ok == 2) {
        if (log) SaveLogError("GetVariantForPredmet", "--GetVariantForPredmet--end false n=0");
        return false;
    }

    unit.LastMinDays = static_cast<uint8_t>(m);
    Grid grid;
    for (auto& day : grid) day.fill(1);
    for (const auto& lesson : unit.LSGYF)
        (void)ScoreLesson(unit, *lesson, noD, noY, m, grid, nullptr);

    // The first highest cell, day by day.
    int bestD = 0;
    int bestY = 0;
    unsigned best = 0;
    for (int d = 1; d <= kDays && best < 65535; ++d)
        for (int y = 0; y < kPeriodsOfDay && best < 65535; ++y)
            if (grid[d][y] > best) {
                best = grid[d][y];
                bestD = d;
                bestY = y;
            }
    if (best == 0) {
        if (log) SaveLogError("GetVariantForPredmet", "--GetVariantForPredmet--end false n=0");
        return false;
    }
    if (!unit.PredmetToRasp(Ne, bestD, bestY)) {
        if (log) SaveLogError("GetVariantForPredmet", "--GetVariantForPredmet--end false d=0");
        return false;
    }
    unit.sosYes = false;
    if (log) SaveLogError("GetVariantForPredmet", "--GetVariantForPredmet--end true");
    return true;
}

bool TSpSostPr::GetNextVariantForPredmet(int FirstPr, bool LogShow) {
    const bool log = LogShow && Run.StepLog();
    if (log) SaveLogError("GetNextVariantForPredmet", "--GetNextVariantForPredmet--start");
    auto refuse = [&] {
        if (log) SaveLogError("GetNextVariantForPredmet", "--GetNextVariantForPredmet--end not");
        return false;
    };
    if (FirstPr <= 0 || FirstPr >= Count() || Run.Statys != AStatys::sSosRasp || !FormS1StopSos())
        return refuse();
    const bool anyPlaced =
        std::any_of(Li.begin(), Li.begin() + FirstPr, [](const auto& u) { return u->Ok == 1; });
    TSosPredmet& unit = *Li[static_cast<std::size_t>(FirstPr)];
    if (!anyPlaced || unit.Ok == 2 || unit.CountSGYF() != 1 || unit.NOb != 0 ||
        unit.LSGYF.front()->YrokKorzina->LFio().size() > 1)
        return refuse();

    const TSGYF& lesson = *unit.LSGYF.front();
    TGryp& gr = *lesson.Gryp;
    const TNed* week = gr.GetNed(Ne);
    if (week == nullptr) return refuse();
    const TPredmet* predmet = lesson.YrokKorzina->Predmet();
    const TFioPredmet* fp = lesson.FioPredmet;
    const TFio* fio = fp->Fio();
    const int first = gr.Dan.TimeDay;
    const int last = first >= 6 ? first + 1 : first + 3;

    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriodsOfDay; ++y)
            mv[d][y] = gr.TestRunDey(Ne, d) && y >= first && y <= last ? 1 : 0;

    int l = 0;
    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriodsOfDay; ++y) {
            const TYrok* cell = week->GetYrok(kTimetable, d, y);
            if (cell == nullptr) continue;
            for (int i = 0; i < cell->CountYrDpZm(); ++i) {
                const TYr* yr = cell->YrDpZm(i);
                if (!yr->Held() || yr->Fio() != fio) continue;
                mv[d][y] = 0;
                if (yr->Predmet() == predmet) ++l;
            }
        }

    const int spar = std::max<int>(1, predmet->Dan.Spar);
    bool marked = false;
    for (int d = 1; d <= kDays; ++d) {
        const auto [j, firstOwn, lastOwn] = ownOfDay(*week, d, fp);
        if (j >= spar) {
            mv[d].fill(0);
            continue;
        }
        if (spar > 1 && l > 0) {
            if (j > 0) {
                for (int y = 0; y < kPeriodsOfDay; ++y)
                    if (y < firstOwn - 1 || y > lastOwn + 1) mv[d][y] = 0;
            } else if (l < spar || l % spar != 0) {
                mv[d].fill(0);
            }
        }
        for (int y = 0; y < kPeriodsOfDay; ++y) {
            if (mv[d][y] == 0) continue;
            const TYrok* cell = week->GetYrok(kTimetable, d, y);
            if (cell != nullptr && !cell->Empty()) {
                const TYr* occupant = cell->YrDpZm(0);
                if (occupant->CountFioPredmet() <= 1) mv[d][y] = 2;
                if (cell->CountYrDpZm() > 1 || occupant->TestPy() || occupant->Predmet() == predmet)
                    mv[d][y] = 0;
            }
            if (mv[d][y] != 0 &&
                ((fio != nullptr && !Year.TestAddFio(kTimetable, 0, fio->N, Ne, d, y)) ||
                 (fio != nullptr && fio->Dan.Op[d][y] == 0)))
                mv[d][y] = 0;
            if (mv[d][y] == 2) marked = true;
        }
    }
    if (!marked) {
        if (log) SaveLogError("GetNextVariantForPredmet", "--GetNextVariantForPredmet--end false");
        return false;
    }

    // The unit holding each marked cell's lesson, found in one walk over the
    // units rather than one per cell: a placed lesson belongs to one unit.
    auto owns = [](const TSosPredmet& u, const TYr* yr) {
        return u.Ok == 1 && u.CountSGYF() == 1 && u.LSGYF.front()->Yr == yr;
    };
    std::vector<std::pair<const TYr*, int>> owners;
    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriodsOfDay; ++y)
            if (mv[d][y] == 2)
                if (const TYrok* cell = week->GetYrok(kTimetable, d, y);
                    cell != nullptr && cell->CountYrDpZm() == 1)
                    owners.emplace_back(cell->YrDpZm(0), -1);
    std::sort(owners.begin(), owners.end());
    for (int i = 0; i < Count(); ++i) {
        const TSosPredmet& u = *Li[static_cast<std::size_t>(i)];
        if (u.Ok != 1 || u.CountSGYF() != 1) continue;
        const TYr* yr = u.LSGYF.front()->Yr;
        auto it = std::lower_bound(owners.begin(), owners.end(), std::make_pair(yr, -1));
        if (it != owners.end() && it->first == yr && it->second < 0) it->second = i;
    }

    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriodsOfDay; ++y) {
            if (mv[d][y] != 2) continue;
            const TYrok* cell = week->GetYrok(kTimetable, d, y);
            if (cell == nullptr || cell->CountYrDpZm() != 1) continue;
            const TYr* occupant = cell->YrDpZm(0);
            const auto found =
                std::lower_bound(owners.begin(), owners.end(), std::make_pair(occupant, -1));
            int other = found != owners.end() && found->first == occupant ? found->second : -1;
            // A displacement tried and undone before leaves the others as
            // they were; should a unit have changed all the same, the walk.
            if (other >= 0 && !owns(*Li[static_cast<std::size_t>(other)], occupant)) {
                other = -1;
                for (int i = 0; i < Count() && other < 0; ++i)
                    if (owns(*Li[static_cast<std::size_t>(i)], occupant)) other = i;
            }
            if (other < 0) continue;
            TSosPredmet& moved = *Li[static_cast<std::size_t>(other)];
            moved.PredmetDeleteRasp(Ne);
            if (!GetVariantForPredmet(other, d, y, 0, LogShow)) {
                moved.PredmetToRasp(Ne, d, y);
                continue;
            }
            const bool placed = unit.PredmetToRasp(Ne, d, y);
            if (log)
                SaveLogError("GetNextVariantForPredmet",
                             placed ? "--GetNextVariantForPredmet--end true"
                                    : "--GetNextVariantForPredmet--end false");
            return placed;
        }
    if (log) SaveLogError("GetNextVariantForPredmet", "--GetNextVariantForPredmet--end false");
    return false;
}

}  // namespace zavlin
