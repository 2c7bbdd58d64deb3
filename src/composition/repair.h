// The repair of the units a pass left without a place: a unit goes to a cell
// only occupancy rules out, the fewest placed units sitting in its way are
// taken out and placed again, themselves repaired in turn to a bounded depth.
#pragma once

#include <cstdint>

namespace zavlin {

class TSpSostPr;
class TSosRun;

struct TRepairTotals {
    int tried = 0;      // units without a place when the repair began
    int placed = 0;     // of them, placed by the repair
    int evicted = 0;    // placed units moved to make room, in kept chains
    int64_t nodes = 0;  // placements tried
};

// Tries every unit of sp with Ok != 1 in order (given-up units too). Only
// units of this search are moved; a cell whose way is blocked by any other
// lesson (pinned, copied from another week, a substitution) is not used.
// Every placement passes the slot choice's own test, so a repaired week
// breaks no rule the search keeps. A chain that fails, or a stop, leaves the
// week as it was before the chain. Reports through run.SaveLog.
TRepairTotals RepairUnplaced(TSpSostPr& sp, TSosRun& run);

}  // namespace zavlin
