// Views of room use built for a display: for some weeks, per building, per
// room, the held timetable lessons (layer 0) using the room in each period of
// a day; and one teacher's lessons of a week period by period with the room
// they were given. The lists only point at lessons and own nothing of the
// timetable: rebuild them (GetAydDey) after it changes.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "model/timetable.h"

namespace zavlin {

class TAllRasp;
class TAyd;
class TDom;
class TFio;
class TYr;
class TLAydDom;
class TLAydAllDom;
class TLAydAllDomNed;

// A period's lessons, absent (nullptr) while there are none.
using TYrList = std::unique_ptr<std::vector<TYr*>>;

// One room in one week.
class TLGrypAydDey {
public:
    TLGrypAydDey(TLAydDom* owner, const TAllRasp& god, TAyd* ayd, int ned);

    TAyd* Ayd() const { return FAyd; }
    // The week's place in the list of the outermost owner; -1 without one.
    int IndxNe() const;

    // Rebuilds the lists of day d from the timetable.
    void GetGrypAydDey(int d);
    // Group names of the lessons of that period joined by ",".
    std::string GrypForYr(int d, int y) const;
    int CountGrypYr(int d, int y) const;
    const std::vector<TYr*>* Yr(int d, int y) const;
    void DelAllGryp(int de, int Y);

    TLAydDom* LAydDom = nullptr;
    int Ned = 0;
    std::array<std::array<TYrList, kPeriodCount>, kDayCount + 1> My;  // days 1-6

private:
    const TAllRasp& FGod;
    TAyd* FAyd = nullptr;
};

// The rooms of one building in one week, in room-list order.
class TLAydDom {
public:
    TLAydDom(TLAydAllDom* owner, const TAllRasp& god, TDom* dom, int ned);

    TDom* Dom() const { return FDom; }
    void GetAydDey(int d);
    int CountAydDom() const { return static_cast<int>(Li.size()); }

    TLAydAllDom* LAydAllDom = nullptr;
    int Ned = 0;
    std::vector<std::unique_ptr<TLGrypAydDey>> Li;

private:
    TDom* FDom = nullptr;
};

// Every building of the year in one week.
class TLAydAllDom {
public:
    TLAydAllDom(TLAydAllDomNed* owner, const TAllRasp& god, int ned, int indxNe);

    // Every building's rooms for day d.
    void GetAydDey(int d);
    int CountLAydDom() const { return static_cast<int>(Li.size()); }

    TLAydAllDomNed* LAydAllDomNed = nullptr;
    int Ned = 0;
    int IndxNe = 0;
    std::vector<std::unique_ptr<TLAydDom>> Li;
};

// One TLAydAllDom per week of the list given, in its order.
class TLAydAllDomNed {
public:
    TLAydAllDomNed(const TAllRasp& god, const std::vector<int>& weeks);

    int CountLAydDom(int NeIndx) const;

    std::vector<std::unique_ptr<TLAydAllDom>> Ln;
};

// One teacher in one week: its lessons per period and the room they have.
class TFioAyd {
public:
    TFioAyd(TFio* fio, int indxNe) : Fio(fio), FIndxNe(indxNe) {}

    // Adds the lesson to period Y; its room, if any, becomes the period's.
    void AddPg(TYr* Pg, int Y);
    void DelPg(int Y, int i);
    int CountPG(int Y) const;
    void ClearAllYr();
    // Gives the room to every lesson of period Y; refused for a period
    // without lessons or one that has a room already.
    bool SetAyd(TAyd* Ay, int Y);
    void DelAyd(int Y);

    std::array<TYrList, kPeriodCount> MYr;
    std::array<TAyd*, kPeriodCount> MAyd{};
    TFio* Fio = nullptr;
    int FIndxNe = 0;
};

class TAllFioAyd {
public:
    // The teacher's entry for that week, appended when there is none yet.
    TFioAyd* AddFio(TFio* Fio, int NNe);
    void ClearYrAllFio();

    std::vector<std::unique_ptr<TFioAyd>> LFioAyd;
};

}  // namespace zavlin
