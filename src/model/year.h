// The year object's work on its reference lists: teachers, subject names,
// buildings, rooms, faculties and attributes, each stored one entry at a time.
// Groups, unions and the timetable will join this class later, and TGod will
// derive from it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/attribute.h"
#include "model/building.h"
#include "model/element.h"
#include "model/faculty.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/teacher.h"

namespace zavlin {

class TDM1;

// (text, key) rows for a numbered list control.
using TListBoxN = std::vector<std::pair<std::string, int>>;

class TAllRasp : public TSpisok {
public:
    explicit TAllRasp(TDM1& dm);
    ~TAllRasp() override;

    TDM1& DM;

    // Reads faculties, teachers, subject names, buildings, rooms and
    // attributes of YGod, replacing what the lists held. False when a table
    // could not be read.
    [[nodiscard]] bool LoadReferenceLists();

    // --- Teachers
    void ClearLFio();
    int GetFioIndex(const TFio* fio) const;  // -1 when not in the list
    int CountFio() const { return static_cast<int>(LFio.size()); }
    int CountSelectFio() const;
    // A new teacher: stored (appended when N = 0), then owned by LFio.
    // nullptr when it could not be stored.
    TFio* AddFio(std::unique_ptr<TFio> fio);
    // A teacher of the list: its row is rewritten (appended when N = 0).
    bool AddFio(TFio* fio);
    bool DelFio(TFio* fio);
    bool DelAllFio();
    int FioActivIndx() const { return FFioActivIndx; }
    void SetFioActivIndx(int value) { FFioActivIndx = value; }
    void FioActivUp();
    void FioActivDown();
    TFio* FindFioForShortName(std::string_view valueShortName) const;
    TFio* FindFioForBigName(std::string_view valueBigName) const;
    TFio* FioNumer(int n) const;
    TListBoxN FioToListBoxN() const;
    TListBoxN FioToComboBoxN() const { return FioToListBoxN(); }

    // --- Subject names
    void ClearLYrName();
    int GetYrNameIndex(const TYrName* yrName) const;
    int CountYrName() const { return static_cast<int>(LYrName.size()); }
    // Joins the list unstored.
    TYrName* CreateYrName(std::string_view vShortName, std::string_view vLongName);
    bool AddYrName(TYrName* yrName);
    bool DelYrName(TYrName* yrName);
    bool DelAllYrName();
    int YrNameActivIndx() const { return FYrNameActivIndx; }
    void SetYrNameActivIndx(int value) { FYrNameActivIndx = value; }
    void YrNameActivUp();
    void YrNameActivDown();
    TYrName* FindYrNameForName(std::string_view shName) const;
    TYrName* FindYrNameForLongName(std::string_view vLongName) const;
    TYrName* YrNameGos() { return &FYrNameGos; }
    TYrName* YrNameNumer(int n) const;
    TListBoxN YrNameToListBoxN() const;

    // --- Buildings
    void ClearLDom();  // the rooms go first: they point at the buildings
    int CountDom() const { return static_cast<int>(LDom.size()); }
    TDom* FindDom(std::string_view vDomName) const;
    TDom* CreateDom(std::string_view vDomName);  // joins the list unstored
    bool AddDom(TDom* dom);
    TDom* AddDom(std::string_view vDomName);  // nullptr when not stored
    bool DelDom(TDom* dom);
    bool DelAllDom();
    int DomActivIndx() const { return FDomActivIndx; }
    void SetDomActivIndx(int value) { FDomActivIndx = value; }
    TDom* DomNumer(int n) const;
    TListBoxN DomToListBoxN() const;
    TListBoxN DomToComboBoxN() const { return DomToListBoxN(); }

    // --- Rooms
    void ClearLAyd();
    int GetAydIndex(const TAyd* ayd) const;
    TAyd* GetAydNumer(int nAyd) const;
    int CountAyd() const { return static_cast<int>(LAyd.size()); }
    TAyd* CreateAyd(TDom* vDom, std::string_view vAydName);  // joins the list unstored
    bool AddAyd(TAyd* ayd);
    TAyd* AddAyd(TDom* vDom, std::string_view vAydName);  // nullptr when not stored
    bool DelAyd(TAyd* ayd);
    bool DelAllAyd();
    int AydActivIndx() const { return FAydActivIndx; }
    void SetAydActivIndx(int value) { FAydActivIndx = value; }
    TAyd* FindAyd(std::string_view vDomName, std::string_view vAydName) const;
    TListBoxN AydToListBoxN() const;
    // Whether a lesson of the timetable is held in the room. Until the
    // timetable exists nothing is; it will set this hook.
    std::function<bool(const TAyd&)> AydUsedInRasp;

    // --- Faculties
    void ClearLFak();
    int CountFak() const { return static_cast<int>(LFak.size()); }
    TFak* AddFak(std::unique_ptr<TFak> fak);  // nullptr when not stored
    bool AddFak(TFak* fak);
    bool DelFak(int indx);
    bool DelAllFak();
    TListBoxN FakToListBoxN() const;
    TListBoxN FakToComboBoxN() const { return FakToListBoxN(); }

    // --- Attributes (shared by every year)
    TAtr* AddAtribyt(std::string_view name);  // nullptr when not stored
    bool AddAtribyt(TAtr* atr);               // rewrites a stored one
    bool DelAtribyt(TAtr* atr);
    TListBoxN AtribytToComboBoxN(bool vNoSetka) const;

private:
    bool storeFio(TFio& fio);
    bool storeYrName(TYrName& yrName);
    bool storeDom(TDom& dom);
    bool storeAyd(TAyd& ayd);
    bool storeFak(TFak& fak);
    bool readFak();
    bool readFio();
    bool readYrName();
    bool readDom();
    bool readAyd();
    bool readAtribyt();

    int FFioActivIndx = 0;
    int FYrNameActivIndx = 0;
    int FDomActivIndx = 0;
    int FAydActivIndx = 0;
    TYrNameGos FYrNameGos;
};

}  // namespace zavlin
