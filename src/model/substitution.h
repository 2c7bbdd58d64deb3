// The lists of changes of one group's day: its substitutions (TSZamenaGryp)
// and its differences from the week it was synchronised from (TOZamenaGryp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/timetable.h"

namespace zavlin {

// One row: what was planned (1) and what takes place (2).
class TSZamena {
public:
    uint8_t NYr = 0;  // period 0-11
    uint8_t b = 0;    // 1 for a row of a substitution, 2 for a difference from the base week
    std::string YrName1;
    std::string FioName1;
    std::string YrName2;
    std::string FioName2;
    TAyd* FAyd = nullptr;
    TYr* Yr1 = nullptr;
    TYr* Yr2 = nullptr;

    // The attribute's name, empty for a lesson of the grid.
    static std::string GetAtribyt(const TYr* yr);
    std::string YrNameAtr1() const;
    std::string YrNameAtr2() const;
    TAyd* Ayd() const { return FAyd; }

    bool operator==(const TSZamena& o) const {
        return NYr == o.NYr && YrName1 == o.YrName1 && FioName1 == o.FioName1 &&
               YrName2 == o.YrName2 && FioName2 == o.FioName2 && FAyd == o.FAyd;
    }
};

class TSZamenaGryp {
public:
    TSZamenaGryp() = default;
    TSZamenaGryp(TGryp* gr, int ne, int de, bool vShortPr, bool vShortFi) {
        Create(gr, ne, de, vShortPr, vShortFi);
    }
    void Create(TGryp* gr, int ne, int de, bool vShortPr, bool vShortFi);
    void Clear() { Li.clear(); }
    int Count() const { return static_cast<int>(Li.size()); }

    TGryp* FGryp = nullptr;
    int FNe = 0;
    int FDey = 0;
    std::vector<TSZamena> Li;
};

class TOZamenaGryp {
public:
    TOZamenaGryp() = default;
    TOZamenaGryp(TGryp* gr, int ne, int de, bool vShortPr, bool vShortFi) {
        Create(gr, ne, de, vShortPr, vShortFi);
    }
    void Create(TGryp* gr, int ne, int de, bool vShortPr, bool vShortFi);
    void Clear() { Li.clear(); }
    int Count() const { return static_cast<int>(Li.size()); }

    TGryp* FGryp = nullptr;
    int FNe = 0;
    int FDey = 0;
    std::vector<TSZamena> Li;
    bool FShortPr = true;
    bool FShortFi = true;
};

}  // namespace zavlin
