// A unit of composition: one lesson of one group, or the joint lesson of a
// union (one lesson per member group), placed as a whole in one cell.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace zavlin {

class TAllRasp;
class TGryp;
class TYrokKorzina;
class TFioPredmet;
class TYr;

// One lesson still to be placed for one group.
struct TSGYF {
    TGryp* Gryp = nullptr;
    TYrokKorzina* YrokKorzina = nullptr;
    TFioPredmet* FioPredmet = nullptr;
    TYr* Yr = nullptr;  // the lesson while the unit is placed
};

// The first lesson of a unit that keeps it out of a cell, and why.
struct TSosRefusal {
    enum Kind : uint8_t { None, NoTeacher, TeacherBusy, CellTaken };
    Kind kind = None;
    int lesson = -1;  // index into LSGYF
};

class TSosPredmet {
public:
    explicit TSosPredmet(TAllRasp& year) : Year(year) {}

    int CountSGYF() const { return static_cast<int>(LSGYF.size()); }
    // May the unit go to (dey, y) of week ne?
    bool TestSosPredmet(int ne, int dey, int y) const {
        return WhyNotSosPredmet(ne, dey, y).kind == TSosRefusal::None;
    }
    TSosRefusal WhyNotSosPredmet(int ne, int dey, int y) const;
    bool PredmetToRasp(int ne, int dey, int y);
    void PredmetDeleteRasp(int ne);
    // The basket of lesson indx has fewer than 2 teacher assignments.
    bool TestSosPredmetGryp(int indx) const;
    // The weekly lessons of the unit's assignments (cached).
    int CountPodGrypFio(int ne);
    // Cells of the week the unit's teachers and groups allow (cached).
    int CountYrokForFio(int ne);
    // Day and period of the first lesson while placed, else 0.
    int Day() const;
    int Period() const;

    TAllRasp& Year;
    uint16_t NAuto = 0;
    bool sosYes = false;
    std::vector<std::unique_ptr<TSGYF>> LSGYF;
    uint16_t FCountPodGryp = 0;
    uint16_t FCountYrokFio = 0;
    uint8_t Ok = 0;  // 0 not placed, 1 placed, 2 no place in any order
    // The working-days minimum of the unit's last scored try: a unit given
    // up is explained with the rule as it was when it failed.
    uint8_t LastMinDays = 0;
    uint16_t NOb = 0;
};

// Subgroups of the subject in week ne whose lessons are not all placed in
// layer tip.
int CountPodGrypNotRasp(const TYrokKorzina& korzina, int setka, int tip);
// Distinct teachers among the basket's assignments.
int CountCompareFioPredmet(const TYrokKorzina& korzina);

}  // namespace zavlin
