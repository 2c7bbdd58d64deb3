// The year object: its reference lists (each entry stored as it is edited),
// its groups with their timetables (stored as one blob per group on SaveRasp),
// the unions per week, and the questions that span groups. TGod derives from it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/core_hooks.h"
#include "model/attribute.h"
#include "model/building.h"
#include "model/element.h"
#include "model/faculty.h"
#include "model/group.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/teacher.h"

namespace zavlin {

class TDM1;

// The teachers who hold lessons at one moment, each with its lessons there.
class TAllFioYr;
class TFioYr {
public:
    TFioYr(TAllFioYr* owner, TFio* fio) : Fio(fio), LFioYr(owner) {}
    // Students taught at once: each group's size shared among the subject's
    // teachers of that week.
    int CountStud() const;

    TFio* Fio = nullptr;
    std::vector<TYr*> LPGr;  // one lesson per group
    TAllFioYr* LFioYr = nullptr;
};

class TAllFioYr {
public:
    TAllFioYr() = default;
    TAllFioYr(const TAllFioYr&) = delete;
    TAllFioYr& operator=(const TAllFioYr&) = delete;
    // The entries follow the list to its new place.
    TAllFioYr(TAllFioYr&& other) noexcept : LFioYr(std::move(other.LFioYr)) { adopt(); }
    TAllFioYr& operator=(TAllFioYr&& other) noexcept {
        LFioYr = std::move(other.LFioYr);
        adopt();
        return *this;
    }

    void AddYr(TFio* fio, TYr* pGr);
    TFioYr* TestRunFio(const TFio* fio) const;
    std::vector<std::unique_ptr<TFioYr>> LFioYr;

private:
    void adopt() {
        for (auto& entry : LFioYr) entry->LFioYr = this;
    }
};

// A (day, period) cell of a week.
using TCell = std::pair<int, int>;

// One lesson found at a moment, with the group that holds it.
struct TGrypYr {
    int indxGryp;
    TYr* yr;
};

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
    // The whole year: groups (rows and blobs), faculties with their groups,
    // the reference lists, then every group's timetable. False when a table
    // could not be read. A group whose blob cannot be read is reported,
    // held empty and marked (UnreadableGryp); the rest of the year loads.
    [[nodiscard]] bool LoadYear();

    // --- Groups
    void ClearLGryp();
    int CountGryp() const { return static_cast<int>(LGryp.size()); }
    int CountSelectGryp() const;
    void SelectAllGryp(bool value = true);
    int GetGrypIndex(const TGryp* gr) const;
    TGryp* FindGrypForName(std::string_view name) const;
    TGryp* GrypNumer(int n) const;
    // Stores the group's row; a group not yet in the list (N = 0 or not
    // listed) is appended, takes ownership and gets its N and position.
    bool AddGryp(TGryp* gr);
    TGryp* AddGryp(std::unique_ptr<TGryp> gr);
    bool DelGryp(TGryp* gr);
    bool DelAllGryp();
    bool PositionGrypUp(int indx);
    bool PositionGrypDown(int indx);
    TGryp* GrypActiv() const;
    int GrypActivIndx() const { return FGrypActivIndx; }
    void SetGrypActivIndx(int value) { FGrypActivIndx = value; }
    void GrypActivUp();
    void GrypActivDown();
    TListBoxN GrypToListBoxN() const;
    TListBoxN GrypToComboBoxN() const { return GrypToListBoxN(); }
    TListBoxN GrypToComboBox() const { return GrypToListBoxN(); }

    // --- Faculty memberships (rows of "YmFakGryp.b0", through AT2)
    bool AddFakGryp(TFak* fak, TGryp* gr);
    bool DelFakGryp(TFak* fak, TGryp* gr);

    // --- Timetable storage
    // Parses every group's blob; errors are reported per group and reading
    // goes on. A group that failed is marked BlobUnreadable and held empty.
    bool StreamToRasp();
    // Groups whose stored blob could not be read, in list order.
    std::vector<TGryp*> UnreadableGryp() const;
    // The dispatcher's repair: the unreadable groups lose their mark and are
    // written as the empty timetables they now hold on the next save.
    std::vector<TGryp*> DropUnreadableGryp();
    // Writes the blob of every group whose timetable changed; an unreadable
    // group's stored blob is never written over. The bar is DM.Hooks's
    // SaveProgress.
    bool SaveRasp();

    // --- Unions (weeks 1-56)
    std::vector<std::unique_ptr<TOb>>& GetLOb(int ne) { return LOb[static_cast<std::size_t>(ne)]; }
    TOb* FindOb(const TFioPredmet* vFioPredmet) const;
    TOb* CreateOb(TFioPredmet* fioPredmet);
    // Numbers the union when needed and makes it the members' union; with
    // TestCount a union of fewer than two members is discarded (-1).
    int AddOb(std::unique_ptr<TOb> ob, bool TestCount);
    bool DelOb(int ne, int indx, bool UserDialog);
    // Why DelOb with UserDialog refuses that union (placed lessons, one text
    // per layer); empty when it would dissolve it.
    std::vector<std::string> DelObRefusals(int ne, int indx) const;
    void DelObOnlySelectGryp(int ne, int indx);
    void TestAfterDelOb(int ne);
    void TestAfterDelObAllNed();
    void CopyOb(int NeFrom, int NeTo);
    void CopyObOnlySelectGryp(int NeFrom, int NeTo);

    // --- Questions over all groups at one moment
    // Lessons teacher nFio holds at (tip, ne, d, y): plan and additional
    // lessons not replaced, and substitutions with that teacher.
    void GetNFioOfGryp(int tip, int nFio, int ne, int d, int y, std::vector<TGrypYr>& vL) const;
    void GetNFioOfGrypNoZam(int tip, int nFio, int ne, int d, int y,
                            std::vector<TGrypYr>& vL) const;
    // Groups in which a lesson of union NOb is held.
    void GetObedOfGryp(int tip, int NOb, int ne, int d, int y, std::vector<int>& mg) const;
    // Unions the teacher holds then.
    std::vector<int> GetNFioNObed(int tip, int nFio, int ne, int d, int y) const;
    bool TestAddFio(int tip, int nob, int nFio, int ne, int d, int y) override;
    // Keeps the clash index in step with a lesson added or removed.
    void NoteYr(const TGryp* gr, int nFio, int nob, int tip, int ne, int d, int y, bool added,
                uint64_t before) override;
    void NoteNoLessonMoved(uint64_t before) override;
    // Per day 1-6, the periods (bit y) in which the teacher holds a lesson
    // in any group: GetNFioOfNe answered from the clash index.
    std::array<uint16_t, kDayCount + 1> FioWeekCells(int tip, int nFio, int ne);
    // GetNFioOfGryp answered from the clash index.
    std::vector<TGrypYr> FioYrAt(int tip, int nFio, int ne, int d, int y);
    // The same into lessons (cleared first), reusing its room.
    void FioYrAt(int tip, int nFio, int ne, int d, int y, std::vector<TGrypYr>& lessons);
    // Starts to watch layer tip, week ne (ne 0: stops): from now on every
    // held lesson put into or taken from a period there changes the
    // fingerprint of its group and of its teacher. Equal fingerprints say,
    // but for a chance of one in 2^64, that the group's or the teacher's
    // lessons of that week are where they were when the fingerprint was
    // read: a search may then skip looking again at what nothing changed.
    void WatchLessons(int tip, int ne);
    uint64_t GroupPrint(int g) const;  // g: the group's position in LGryp
    uint64_t FioPrint(int nFio) const;
    // The same answer by walking every group; the index must agree with it.
    bool TestAddFioScan(int tip, int nob, int nFio, int ne, int d, int y) const;
    TYr* AddYr(TGryp* gryp, int tip, int ne, int d, int y, TYrokKorzina* YrKorzina,
               TFioPredmet* fiPredmet);
    int GetRunDey(int tip, int nFio, int ne) const;
    int GetMimRunDey(int nFio, int ne, int minYrDey) const;
    int CountAllKorzinaNoRasp(int ne) const;
    // Credit records of one teacher over all groups.
    TZachet* FirsFioZachet(int vAtrN, int ne, const TFio* vFio) const;
    TZachet* LastFioZachet(int vAtrN, int ne, const TFio* vFio) const;
    void ZachetNedDeyYrokFio(std::vector<TZachet*>& vL, int vAtrN, int ne, int d, int y,
                             const TFio* vFio) const;
    // Both periods exist and hold, lesson by lesson, the same subjects and
    // teachers (two periods without lessons are equal too).
    static bool CompareYrok(const TYrok* a, const TYrok* b);
    TAllFioYr GetFioOfGryp(int tip, int ne, int d, int y) const;
    TAllFioYr GetFioOfGrypIndx(int tip, int indxGryp, int ne, int d, int y) const;

    // --- Rooms at one moment (room_occupancy.cpp)
    bool CanRunAyd(int tip, int nAyd, int ne, int d, int y) const;
    std::vector<int> GetGrypOfAyd(int tip, int nAyd, int ne, int d, int y) const;
    std::vector<TAyd*> GetAydOfGryp(int tip, int indxGryp, int ne, int d, int y) const;
    // Positions in LAyd of the rooms the teacher uses then.
    std::vector<int> GetAydIndexForFio(int tip, int nFio, int ne, int d, int y) const;
    // N of every room not in use then, in room-list order.
    std::vector<int> GetNoRunAyd(int tip, int ne, int d, int y) const;
    void DelAllAydit(int tip, int ne, int d);
    void RaspredAydDeyYrok(int tip, int ne, int d, int y, bool vCanMest);
    void RaspredAydDey(int tip, int ne, int d, bool vCanMest);
    void SinxrAydDey(int tip, int NeFrom, int NeTo, int d);

    // --- A teacher's days (periods taught in any group)
    std::vector<TCell> GetNFioOfNe(int tip, int nFio, int ne) const;
    std::vector<int> GetNFioOfDey(int tip, int nFio, int ne, int d) const;
    int FirstYr(int tip, int nFio, int ne, int d) const;  // -1 when none
    int LastYr(int tip, int nFio, int ne, int d) const;
    TYr* FirstPG(int tip, int nFio, int ne, int d) const;
    TYr* LastPG(int tip, int nFio, int ne, int d) const;
    bool FirstLastPg(int tip, int nFio, int ne, int d, int& first, int& last) const;
    std::vector<int> GetDirkaNFioOfDey(int tip, int nFio, int ne, int d) const;
    int CountDirkaNFioOfNed(int tip, int nFio, int ne) const;
    int CountYrNFioOfDey(int tip, int nFio, int ne, int d) const;    // lessons
    int CountYrokNFioOfDey(int tip, int nFio, int ne, int d) const;  // periods
    int CountOdinYrokFioOfNed(int tip, int nFio, int ne) const;
    int CountMinRunDeyFioOfNed(int nFio, int ne) const;
    // --- Week totals
    int CountDirkaIndxGrypOfNed(int tip, int indxGryp, int ne) const;
    int CountDirkaAllGrypOfNed(int tip, int ne) const;
    int CountDirkaAllFioOfNed(int tip, int ne) const;
    int CountBadNagryzkaGrypOfNed(int tip, int indxGryp, int ne) const;
    int CountBadNagryzkaAllGrypOfNed(int tip, int ne) const;

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
    // A name as a user types it: the short name, else the full one.
    TFio* FindFioForAnyName(std::string_view name) const;
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
    bool aydUsedInRasp(const TAyd& ayd) const;
    bool storeGryp(TGryp& gr);
    bool readGryp();
    bool readFakGryp();
    // False when a moved group's position could not be stored.
    [[nodiscard]] bool renumberGryp();
    bool busyInZachet(int nFio, int ne, int d, int y, std::vector<int>& groups) const;
    struct OccupancySlot;
    struct OccupancyIndex;
    // The teachers' and unions' cells of one layer and week, kept for the
    // last few asked; rebuilt after a change it was not told about.
    OccupancySlot& occupancy(int tip, int ne);
    std::unique_ptr<OccupancyIndex> FOccupancy;
    int FWatchTip = -1;
    int FWatchNe = 0;
    std::vector<uint64_t> FGroupPrint;
    std::vector<uint64_t> FFioPrint;  // by teacher N below kDenseFio
    std::unordered_map<int, uint64_t> FFioPrintSparse;
    static constexpr int kDenseFio = 1 << 16;
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
    int FGrypActivIndx = 0;
    TYrNameGos FYrNameGos;
};

}  // namespace zavlin
