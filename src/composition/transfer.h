// Whole-cell transfers between days: a cell of a group's overloaded day,
// together with every cell that shares its teachers that day, goes to a
// lighter day. Lessons in the way step aside within the target day, and a
// hole left behind is plugged. A transfer is all or nothing.
//
// Lessons are moved with TNed::MoveYrRasp only, so the search's units keep
// their lesson pointers and the clash index stays in step. Every move is
// journalled; undoing replays the journal backwards, which puts each lesson
// back into its old cell in its old order and gives back the room the move
// dropped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/timetable.h"

namespace zavlin {

class TAyd;
class TFio;
class TGryp;
class TNed;
class TSpSostPr;
class TYr;
class THag;
class TPerenos;
class TPerenos03;
class TPerenosDr;
class TYkGryps;

// Placement marks, one byte per period of the target day; 0 = never.
constexpr uint8_t kMarkFree = 255;             // free cell, teachers free, no union
constexpr uint8_t kMarkCellTaken = 1u << 3;    // cleared: a lesson is in the cell
constexpr uint8_t kMarkTeacherBusy = 1u << 4;  // cleared: a teacher teaches elsewhere then
constexpr uint8_t kMarkUnion = 1u << 5;        // cleared: a lesson has a union
constexpr uint8_t kMarkOccupied = kMarkFree & ~kMarkCellTaken;  // only a lesson in the way
static_assert(kMarkOccupied == 247);

enum class AYkStatus { stOld, stByf, stNew };

// One group's cell of a linked set.
class TYkGryp {
public:
    TYkGryp(TYkGryps* owner, TGryp* gryp, int oldY);

    TYkGryps* FYkGryps = nullptr;
    TPerenosDr* FPerenosDr = nullptr;  // plugged the hole the cell left
    TPerenos03* FPerenos03 = nullptr;  // cleared the cell's target
    TGryp* Gryp = nullptr;
    TNed* Ned = nullptr;
    // The cell's lessons in cell order; period objects are not kept because
    // a move frees the old one and makes a new one.
    std::vector<TYr*> FYrok;
    int OldY = 0;
    int NewY = -1;
    std::array<uint8_t, kPeriodCount> my{};  // placement marks, target day
};

// Cells of several groups at one time linked by a shared teacher.
class TYkGryps {
public:
    explicit TYkGryps(TPerenos* owner, int oldY) : FPerenos(owner), FOldYN(oldY) {}
    bool HasFio(const TFio* fio) const;
    bool HasCell(const TGryp* gr, int y) const;

    TPerenos* FPerenos = nullptr;
    AYkStatus Status = AYkStatus::stOld;
    int FOldYN = 0;
    int FNewYN = -1;
    std::vector<std::unique_ptr<TYkGryp>> LYkGryp;
};

// One whole-cell move as the journal keeps it.
struct TCellMove {
    TPerenos* by = nullptr;
    TNed* ned = nullptr;
    int d1 = 0, y1 = 0, d2 = 0, y2 = 0;
    std::vector<TYr*> yrs;
    std::vector<TAyd*> rooms;  // what each lesson had before the move
};

class TPerenos {
public:
    TPerenos(THag* hag, TPerenos* parBoss, TYkGryp* ykGryp, int oldDeyN, int newDeyN);
    virtual ~TPerenos() = default;
    TPerenos(const TPerenos&) = delete;
    TPerenos& operator=(const TPerenos&) = delete;

    // Makes the moves; on failure the week is as it was before the call.
    virtual bool AllMove() = 0;
    // Takes the cells moved since the transfer began out of their new places,
    // last first, straight back into their old ones.
    virtual void CutNew();
    // Gives the moved lessons back the rooms the moves took.
    virtual void PasteOld();
    // The moves this transfer made, one line per lesson.
    virtual void PrintErrorLog(std::vector<std::string>& out) const;

    THag* FHag = nullptr;
    TPerenos* FParBoss = nullptr;
    TYkGryp* FYkGryp = nullptr;
    int FOldDeyN = 0;
    int FNewDeyN = 0;
    std::vector<std::unique_ptr<TYkGryps>> LYkGryps;

protected:
    std::size_t FMark = 0;           // the journal's length when the transfer began
    std::vector<TCellMove> FUndone;  // filled by CutNew for PasteOld
};

// Carries the lesson cell at (FNewDeyN, TargetY) of the cell's group to
// another period of the same day, so that the cell can go there.
class TPerenos03 : public TPerenos {
public:
    TPerenos03(THag* hag, TPerenos* parBoss, TYkGryp* ykGryp, int day, int targetY);
    bool AllMove() override;
    int TargetY = 0;
};

// The same for a cell of a linked set; kept apart for the log.
class TPerenos06 : public TPerenos03 {
public:
    using TPerenos03::TPerenos03;
};

// Plugs the hole the cell left on its old day with the last or first lesson
// cell of that day, or (when OtherDays) of another overloaded day.
class TPerenosDr : public TPerenos {
public:
    TPerenosDr(THag* hag, TPerenos* parBoss, TYkGryp* ykGryp, bool otherDays);
    bool AllMove() override;
    bool OtherDays = false;

private:
    bool tryCell(int d, int y);
};

// The whole transfer: the cell at (FOldDeyN, y) of the planner's group and
// every cell linked to it, to FNewDeyN.
class TPerenosAf : public TPerenos {
public:
    TPerenosAf(THag* hag, int oldDeyN, int newDeyN);
    // Gathers the linked sets: the cell, the cells sharing a teacher with it
    // at that time, and, for every teacher met, that teacher's other cells of
    // the old day with theirs, until no new teacher appears.
    void SetYrok(int DeyN, int YrokN);
    bool AllMove() override;
    // Placement marks of a cell for the target day in the present state;
    // `waiting` counts, per teacher of the cell, the sets not yet placed.
    void SetMarks(TYkGryp& c, const std::vector<const TYkGryps*>& waiting);
    // The pre-checks, in the present state.
    bool TestPerenos();
    void PrintLog(std::vector<std::string>& out) const;

    std::vector<std::unique_ptr<TPerenos03>> LPerenos03;
    std::vector<std::unique_ptr<TPerenosDr>> LPerenosDr;

private:
    bool placeSet(std::size_t i);
    bool plugHoles();
    void undo();
    std::vector<const TYkGryps*> waitingFrom(std::size_t i) const;
    bool FOverflow = false;  // more sets than periods
};

// The planner of kind 3 for one group.
class THag {
public:
    THag(TSpSostPr& sp, TGryp* gr);

    // Tries the group's overloaded days' cells against its light days until
    // one transfer succeeds; its moves then stay.
    bool MoveAllFio(bool LogShow);

    // --- Shared by the transfers
    // Moves the whole cell into an empty cell of the same week and journals
    // it; false (nothing moved) when the source is empty or the target not.
    bool MoveCell(TPerenos* by, TNed* ned, int d1, int y1, int d2, int y2);
    std::size_t Mark() const { return Journal.size(); }
    // Moves back, last first, everything journalled after the mark.
    std::vector<TCellMove> TakeBack(std::size_t mark);
    static void GiveRoomsBack(std::vector<TCellMove>& undone);
    bool Selected(const TGryp* gr) const;
    // Not pinned, not in a block, not in a union, no substitution involved.
    static bool MovableYr(const TYr* yr);
    static bool MovableCell(const std::vector<TYr*>& yrs);
    static std::pair<int, int> Window(const TGryp& gr);
    // The lessons of gr's cell on day fromDay may go into the empty cell
    // (d, y): the group studies then and there, every teacher is available
    // and free, and, coming from another day, the group has no other lesson
    // of the same subject and teacher on d.
    bool MayGo(const TGryp* gr, const std::vector<TYr*>& yrs, int d, int y, int fromDay);
    std::string MoveText(const TCellMove& m, const TYr* yr) const;

    TSpSostPr& FSpSostPr;
    TGryp* FGryp = nullptr;
    int Ne = 0;
    std::unique_ptr<TPerenosAf> PerenosAf;
    std::vector<TCellMove> Journal;
};

// Kind 3 for one group: a planner runs MoveAllFio.
bool GetTractForNagryzAllGryp(TSpSostPr& sp, TGryp* gr, bool LogShow);

// The lessons of group gr's cell (d, y) in cell order.
std::vector<TYr*> CellYrs(const TGryp* gr, int ne, int d, int y);

}  // namespace zavlin
