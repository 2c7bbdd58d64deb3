// Improvement moves: chains of lesson-cell moves tried for real on the
// timetable, measured on the groups and teachers they touch, and undone
// unless nothing got worse.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace zavlin {

class TFio;
class TGryp;
class TYr;
class TSpSostPr;
class TTract;
class TStepYrok;

// One lesson of a moved cell.
class TStepYr {
public:
    TStepYrok* StepYrok = nullptr;
    TYr* Yr = nullptr;
    uint8_t IndxYr = 0;
    uint8_t OldDeyN = 0;
    uint8_t OldYrokN = 0;
    uint8_t NewDeyN = 0;
    uint8_t NewYrokN = 0;
};

// One group's cell moved from one day and period to another.
class TStepYrok {
public:
    explicit TStepYrok(TTract* tract) : Tract(tract) {}
    void RunRasp(bool LogShow);
    void AntiMove(bool LogShow);
    TGryp* Gryp() const;

    TTract* Tract = nullptr;
    bool MoveYes = false;
    std::vector<TStepYr> Ls;  // by value: a chain is tried hundreds of thousands of times
};

// Counts of one group or teacher in the week, taken while a chain is applied.
class TKahestvo {
public:
    explicit TKahestvo(TTract* tract, int ne) : FTract(tract), Ne(ne) {}
    virtual ~TKahestvo() = default;
    // The present state against the recorded one: -1 worse, 1 better, 0 equal
    // (as the kind of improvement running judges them).
    virtual int Compare() const { return 0; }

    TTract* FTract = nullptr;
    int Ne = 0;
    std::array<int, 4> A{};
};

class TKahestvoGryp : public TKahestvo {
public:
    TKahestvoGryp(TTract* tract, TGryp* gryp, int ne);
    int Compare() const override;
    TGryp* Gryp() const { return FGryp; }
    // Single-lesson days, 0, holes, badly distributed subjects.
    static std::array<int, 4> Measure(const TGryp& gr, int ne);

private:
    TGryp* FGryp;
};

class TKahestvoFio : public TKahestvo {
public:
    TKahestvoFio(TTract* tract, TFio* fio, int ne);
    int Compare() const override;
    TFio* Fio() const { return FFio; }
    // Working days and holes of the teacher in the week.
    static std::array<int, 4> Measure(TSpSostPr& sp, const TFio& fio, int ne);

private:
    TFio* FFio;
};

// A chain of moves and the snapshots that judge it.
class TTract {
public:
    explicit TTract(TSpSostPr& sp) : SpSostPr(sp) { Li.reserve(4); }
    ~TTract() = default;

    // Records the move of group gr's cell (day, period) to the target and
    // applies it; nullptr when the cell is empty or already there.
    TStepYrok* AddSteps(TGryp* gr, int day, int period, int NewDeyN, int NewYrokN, bool LogShow);
    // The move measured with the rest of the chain applied, then undone;
    // nullptr when the cell may not go there.
    TStepYrok* GetNewVariantYrok(TGryp* gr, int day, int period, int NewDeyN, int NewYrokN,
                                 bool LogShow);
    void AntiMove(TStepYrok* St, bool LogShow);
    void AntiMoveAll(bool LogShow);
    void DeleteSteps(TStepYrok* St);
    void SetKahestvo();
    void ClearKahestvo();
    int CompareKahestvo() const;
    bool Empty() const { return Li.empty(); }

    TSpSostPr& SpSostPr;
    std::vector<std::unique_ptr<TKahestvoGryp>> Lg;
    std::vector<std::unique_ptr<TKahestvoFio>> Lf;
    std::vector<std::unique_ptr<TStepYrok>> Li;  // the steps in order
};

}  // namespace zavlin
