// Searches of one week side by side. Each runs in a process forked from the
// run: the fork hands it its own copy of the year at no cost, the search
// code stays the one a single search runs, and a search that dies takes
// only itself down. The processes touch nothing but their own variant file
// and the pipe to the run; the run keeps the best of their variants.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "composition/explain.h"
#include "composition/week_search.h"

namespace zavlin {

struct TSosOptions;

// More searches than this gain nothing on a week and cost memory.
inline constexpr int kMaxSearches = 64;

// The searches the options ask for: Threads, or one per core for 0; from 1
// to kMaxSearches.
int SosSearchCount(const TSosOptions& options);

// Search k's own order of the sorted units: the first search keeps the
// sorted order, every other one moves some units a few places down, the
// same way each time for the same k.
void ShuffleUnits(TSpSostPr& sp, int k);

// What one search handed back.
struct TSearchOutcome {
    ASearchEnd end = ASearchEnd::Stopped;
    int variants = 0;                // variants it stored
    int tries = 0;                   // placements it scored
    TKahVar best;                    // the quality of its best variant
    std::vector<uint8_t> record;     // its best variant (TSpSostPr::CurrentRecord)
    std::vector<std::string> lines;  // its report lines
    std::string fault;               // a file of its own could not be written
};

// The outcome the run keeps: most units placed, then fewest group holes,
// fewest badly distributed subjects, fewest teacher holes; of equals the
// first. -1 when the list is empty.
int ChooseSearch(const std::vector<TKahVar>& bests);

// Runs count searches of sp's sorted units, each in its own process and
// order, until each ends by itself or the run is stopped; lays the chosen
// variant on sp's week, gives its end, counts and report lines to sp, run
// and end. A search's file fault is the run's. False when no process could
// be started: the caller then searches itself.
bool SearchInParallel(TSpSostPr& sp, TSosRun& run, int count, ASearchEnd& end);

}  // namespace zavlin
