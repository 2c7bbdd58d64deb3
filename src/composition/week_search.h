// The search of one week: the units still to place, their order, the passes
// that place them, the variants stored on disk and the best one restored.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "composition/improvement.h"
#include "composition/sos_predmet.h"
#include "storage/file_system.h"

namespace zavlin {

class TAllRasp;
class TFio;
class TGryp;
class TYrok;
class TSosRun;
class TYr;

// The quality of one stored variant: placed units, group holes, badly
// distributed subjects, teacher holes (the last two of six are unused).
struct TKahVar {
    std::array<uint16_t, 6> mk{};
};

// The candidate grid of the slot choice: days 1-6 by periods 0-11.
using TSlotGrid = std::array<std::array<uint16_t, 12>, 7>;

// The rule of the slot choice that ruled a cell out.
enum class ASlotRule : uint8_t {
    None,
    DayOff,           // the group does not study that day
    Window,           // outside the group's daily window
    TeacherHere,      // the teacher already teaches the group then
    BlockDone,        // the day already holds its block of Spar lessons
    BlockEnds,        // an open block grows only at its ends
    BlockOpen,        // a block begun on another day is completed first
    Excluded,         // the cell a displacement frees
    GroupCell,        // the group's cell holds a lesson it cannot share
    Forbidden,        // the teacher's availability
    UnitRefused,      // TestSosPredmet (see WhyNotSosPredmet)
    WorkDays,         // the teacher's working days are used up
    SubgroupsBeside,  // subgroups run side by side
    SubgroupsFirst,   // one teacher of several subgroups: first period only
    SubgroupsDays,    // one teacher of several subgroups: their days only
};
using TSlotRules = std::array<std::array<ASlotRule, 12>, 7>;

enum class AProcOptim {
    stNot,
    StDirkaGryp,
    StDirkaFio,
    StNormalNagryzkaGryp,
    StNormalNagryzkaAllGryp
};

class TSpSostPr {
public:
    static constexpr int kMaxVariants = 16300;
    static constexpr std::size_t kEntrySize = 5;

    // Recreates the variant file; Lg takes the selected groups with week ned.
    // A variant file that cannot be made stops the run (TSosRun::FileFault).
    TSpSostPr(TSosRun& run, int ned);
    ~TSpSostPr();  // deletes the variant file
    TSpSostPr(const TSpSostPr&) = delete;
    TSpSostPr& operator=(const TSpSostPr&) = delete;

    void GetSosSpisok();
    void Add(std::unique_ptr<TSGYF> sgyf);
    void SortSosPredmet();
    // Sign (1: P stays first, -1: Q first) and the deciding rule's code.
    int ComparePredmet(TSosPredmet& p, TSosPredmet& q, int& code);

    int Count() const { return static_cast<int>(Li.size()); }
    int CountSosPredmet() const;  // Ok = 0
    int CountSssPredmet() const;  // Ok = 1
    TSosPredmet* Item(int i) const { return Li[static_cast<std::size_t>(i)].get(); }

    bool GetVariantForPredmet(int FirstPr, int noD, int noY, int CountMinDey, bool LogShow);
    // The rules and preferences of one lesson of a unit applied to grid,
    // minDays being the minimum lessons per day of the working-days rule.
    // With why, each cell this lesson rules out gets the first rule that
    // did. False (grid untouched) when the group lacks the week.
    bool ScoreLesson(const TSosPredmet& unit, const TSGYF& lesson, int noD, int noY, int minDays,
                     TSlotGrid& grid, TSlotRules* why);
    bool GetNextVariantForPredmet(int FirstPr, bool LogShow);
    // One improvement of kind RejimPo (0 group holes, 1 a group's load,
    // 2 teacher holes, 3 whole cells between days) for every group and
    // teacher, or for those of unit NSosPr. True when a move was made.
    bool OptimizeRasp(bool bAllGr, bool LogShow, int RejimPo, int NSosPr);
    bool SetDirkaGryp(TGryp* Gr, int RejimPo, bool LogShow);
    bool SetNormalNagryzkaGryp(TGryp* Gr, bool LogShow);
    bool SetDirkaFio(TFio* Fi, bool LogShow);
    bool SetNormalNagryzkaAllGryp(TGryp* Gr, bool LogShow);
    bool GetTractForDirka(TGryp* gr, int DeyN, int YrokN, int RejimPo, bool LogShow);
    // The lesson of group gr's cell (ld, ly) offered to a teacher's hole.
    bool FindVariants(TGryp* gr, int ld, int ly, int hd, int hy, bool LogShow);
    // Group gr's cell (day, period) may go to (De, NewYrokN).
    bool TestMoveYrok(TGryp* gr, int day, int period, int De, int NewYrokN);
    // A placed lesson the moves may touch: the single lesson of a unit of
    // this search, not pinned, not in a block, not in a union.
    bool MayMoveYr(const TYr* yr) const;
    bool MayGoYr(const TYr* yr, const TGryp* gr, int toDay, int toY);

    // One move of a chain: group gr's cell (day, period) to a new place.
    struct TMove {
        TGryp* gr;
        int day;
        int period;
        int toDay;
        int toPeriod;
    };
    // Applies the moves, measures, undoes them; keeps the chain in Tr when
    // the comparison reaches threshold. The timetable is left as it was.
    bool TryChain(std::initializer_list<TMove> moves, int threshold, bool LogShow);

    // With on, a sweep of every group (kinds 0 and 3) or every teacher (kind
    // 2) starts where the last one of its kind succeeded rather than at the
    // first: repeated sweeps then stop looking again and again at the
    // groups before it, which a move elsewhere seldom changes. Each sweep
    // still looks at them all before it fails. Off: every sweep starts at
    // the first; switching resets the places.
    void ResumeSweeps(bool on);
    // Whether the pass-end improvement runs. It moves lessons but places and
    // removes no unit, so the improvement then reads the placed units once,
    // not at each call: reading them per call grew with the week's units
    // times its moves. Debug builds check every call against a fresh reading.
    void PassEnd(bool on);
    // The same for the improvements one unit that found no place tries in a
    // row: they too place and remove no unit, and reading the placed units
    // for each of them grew with the units times the failures.
    void HoldPlacements(bool on);
    // With SkipUnchanged, at the pass end: whether the try of kind's sweep
    // at position at (Lg for kinds 0 and 3, Lf for kind 2) found nothing
    // the last time while nothing near it changed since. Otherwise print
    // is set to what noteFailed stores when this try finds nothing too (0:
    // nothing to store).
    bool skipUnchanged(int kind, std::size_t at, uint64_t& print);
    void noteFailed(int kind, std::size_t at, uint64_t print);
    std::size_t SweepFrom(int kind, std::size_t count) const;
    void SweptTo(int kind, std::size_t at);

    void SaveNew();
    // The week's units as a variant record: per unit in order, Ok, day,
    // period and NAuto (two bytes), kEntrySize bytes each.
    std::vector<uint8_t> CurrentRecord() const;
    bool TestVariant();
    void Exchange(int n1, int n2);
    void LoadOld();
    // Lays a variant record on the week, its units unplaced: the order of
    // the units and the places of the placed ones. A record that does not
    // name every unit once lays nothing. True when a unit was placed.
    bool LayRecord(std::vector<uint8_t> record);
    // The variants go to another file from now on (a search in another
    // process must not write into the run's own).
    void UseVariantFile(const std::filesystem::path& path);
    // Closes and deletes the variant file now.
    void DropVariantFile();

    bool FormS1StopSos() const;  // the run's stop flag and time limit
    void SaveLogError(const std::string& NameMetod, const std::string& Op);

    // The week's counts for a variant: placed units, group holes, badly
    // distributed subjects, teacher holes.
    TKahVar CurrentKahVar() const;
    // The minimum working days of a teacher in this week (the load does not
    // change while the search runs).
    int MimRunDey(int nFio, int minYrDey);

    TSosRun& Run;
    TAllRasp& Year;
    std::vector<uint8_t> St;
    int SizeSt = 0;
    std::unique_ptr<File> Sf;  // null when the file could not be made
    std::filesystem::path FiName;
    TSlotGrid mv{};
    std::vector<std::unique_ptr<TSosPredmet>> Li;
    std::vector<TGryp*> Lg;
    std::vector<TFio*> Lf;
    std::vector<TSosPredmet*> Ls;
    std::vector<TKahVar> Lk;
    int Ne = 0;
    int CountSt = 0;
    int CountSsOkMax = 0;
    int CountTry = 0;      // placements scored, for the benchmark
    int BestVariant = -1;  // the variant LoadOld restored, from 0
    AProcOptim ProcOptim = AProcOptim::stNot;
    std::unique_ptr<TTract> Tr;

private:
    bool readVariant(int k, std::vector<uint8_t>& record);
    // Add, with the units of each union (by NOb, in the list's order) kept
    // in byOb when it is given.
    void add(std::unique_ptr<TSGYF> sgyf, std::unordered_map<int, std::vector<TSosPredmet*>>* byOb);

    std::unordered_map<int64_t, int> FMim;  // (teacher, minYrDey) -> minimum days
    // Per teacher, its subjects of the week in the groups' order: whether the
    // group's day starts before period 6, the subject's lessons.
    std::unordered_map<int, std::vector<std::pair<bool, int>>> FLoads;
    bool FLoadsRead = false;
    // A hash of each stored variant's order, to the variant's number.
    std::unordered_multimap<uint64_t, int> FOrders;
    // The single lessons of the placed units, in unit order; the set below
    // is rebuilt only when the list changed since the last improvement.
    std::vector<const TYr*> FMovableOrder;
    // The same as a set: open addressing over a power-of-two table, rebuilt
    // in place when the list changed. Sorting the list each time a unit had
    // been placed grew with the units times the failures.
    class TMovableSet {
    public:
        void assign(const std::vector<const TYr*>& items);
        bool contains(const TYr* yr) const;

    private:
        std::size_t slot(const TYr* yr) const;
        std::vector<const TYr*> FSlots;  // nullptr: free
    };
    TMovableSet FMovable;
    std::vector<const TYr*> FMovableScratch;
    bool FMovableOn = false;
    bool FResumeSweeps = false;
    bool FPassEnd = false;
    bool FHoldPlacements = false;
    bool FPlacementsRead = false;  // Ls and the movable lessons read in the pass end or a hold
    // Ls and FMovableScratch read from the units.
    void readPlacements();
    std::array<std::size_t, 4> FSweepFrom{};
    // What is near a try, as the units say: per group of Lg, the teachers
    // of its lessons; per teacher of Lf, the groups it teaches (positions in
    // LGryp). Read at the pass end's first skip.
    void readNear();
    // The fingerprints near a group (its own and its teachers') or near a
    // teacher (its own and its groups'), chained.
    uint64_t nearPrint(int kind, std::size_t at) const;
    bool FNearRead = false;
    std::vector<std::vector<int>> FGroupTeachers;
    std::vector<std::vector<int>> FFioGroups;
    // Per kind and position, the fingerprint near it when its try last
    // found nothing; 0: not tried since the pass end began.
    std::array<std::vector<uint64_t>, 4> FFailedPrint;
};

// The outcome of one week's composition.
struct TSostavResult {
    int units = 0;     // units built
    int placed = 0;    // units placed in the restored variant
    int variants = 0;  // variants stored
    int noPlace = 0;   // units given up (Ok = 2)
    int tries = 0;     // placements scored (GetVariantForPredmet calls)
    // Stopped from outside or by the week's time or step limit, rather than
    // ended by the search itself.
    bool stopped = false;
    // Group, subject and teacher of each lesson left without a place.
    std::vector<std::string> unplaced;
    // Why: for each unplaced lesson, a heading line and the rule that keeps
    // it out of each cell of the week (ExplainWeek: bounded, and empty after a
    // file fault), ready to print.
    std::vector<std::string> why;
};

// Composes week ne of the year's selected groups from their current state:
// builds and orders the units, searches, restores the best variant and,
// with the report on, logs the week's quality lines. Displacement and the
// improvement moves act only while the run's Statys is sSosRasp (the
// hardest week); the caller sets it. With run.Options.Repair the units a
// pass left unplaced are repaired (repair.h) before the pass is stored, in
// every week and phase. The search clears an earlier stop
// request as it starts; run.RequestStop() from another thread then stops it,
// and the best variant found so far is restored all the same.
TSostavResult SostavNed(TSosRun& run, int ne);

// The passes of SostavNed over sp's units in their current order, up to the
// end of the search or a stop; the caller stores the last pass and restores
// the best variant.
enum class ASearchEnd;
ASearchEnd SearchPasses(TSpSostPr& sp, TSosRun& run);

// The last period of a group's daily window, which starts at Dan.TimeDay.
int WindowEnd(const TGryp& gr);
// The teacher gives a held lesson in the cell.
bool TeachesIn(const TYrok* cell, const TFio* fio);

// The hardest of the active weeks for the selected groups: the most groups,
// then study days, then lessons, as cascading maxima scanned from the last
// week down (ties go to the lower week); the first active week when none
// qualifies, 0 when no week is active.
int GetNMaxNed(const TAllRasp& year, const std::vector<int>& activeWeeks);

}  // namespace zavlin
