// A study group (TGryp) with its subjects (TPredmet), the teacher assignments
// of each subject week by week (TFioPredmet, owning the lessons) and the unions
// of assignments taught together (TOb).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/element.h"
#include "model/exam.h"
#include "model/timetable.h"

namespace zavlin {

class TOb;
class TAllRasp;

// The reference entries by N, for reading many blobs at once.
struct TRefLookup {
    explicit TRefLookup(const TSpisok& spisok);
    TFio* Fio(int n) const;
    TYrName* YrName(int n) const;
    TAyd* Ayd(int n) const;

    std::unordered_map<int, TFio*> fio;
    std::unordered_map<int, TYrName*> yrName;
    std::unordered_map<int, TAyd*> ayd;
};

// The 6 bytes of a teacher assignment (5 in blobs before 108: Nob a byte).
struct AFioPredmet {
    uint8_t Ne = 0;
    uint16_t NFio = 0;
    uint8_t kYr = 0;
    uint16_t Nob = 0;
    static constexpr std::size_t kSize = 6;
    static constexpr std::size_t kOldSize = 5;
};

class TFioPredmet : public TDan {
public:
    TFioPredmet(TPredmet* predmet, int ne, TFio* fio);
    ~TFioPredmet() override;  // releases the teacher; lessons go with it

    std::string Name() const override;

    TPredmet* Predmet() const { return FPredmet; }
    TFio* Fio() const { return FFio; }
    int Ne() const { return Dan.Ne; }
    TYrokKorzinaZamena* ZmKorzina() const;

    int CountYr(int setka, int tip) const;
    int CountZm() const;
    int CountYrZmDp() const;
    int CountYrAllTip() const { return static_cast<int>(LYr.size()); }
    int CountOtmenYr(int setka) const;
    int GetIndex() const;  // position in its week's list
    // Owns the lesson from now on.
    TYr* AdoptYr(std::unique_ptr<TYr> yr);
    std::unique_ptr<TYr> ReleaseYr(const TYr* yr);

    std::vector<std::unique_ptr<TYr>> LYr;
    TPredmet* FPredmet = nullptr;
    TZmKorzina* FZmKorzina = nullptr;
    AFioPredmet Dan;
    TOb* Ob = nullptr;
    TFio* FFio = nullptr;
};

// The 15 bytes of a subject record.
struct APredmet {
    uint8_t N = 0;
    uint16_t NYrName = 0;
    uint16_t GNYrName = 0;
    uint16_t GNPredmetYp = 0;
    uint8_t Podg = 0;
    uint8_t TipDRKM = 0;
    uint8_t GDel = 0;
    uint8_t RazN = 0;
    uint8_t KFio = 0;
    uint8_t Spar = 1;
    uint8_t Sem1 = 0;
    uint8_t Sem2 = 0;
    static constexpr std::size_t kSize = 15;
    void toBytes(uint8_t* p) const;
    void fromBytes(const uint8_t* p);
};

using TLFio = std::vector<std::unique_ptr<TFioPredmet>>;

class TPredmet : public TDan {
public:
    TPredmet(TGryp* gryp, TYrName* yrName);
    ~TPredmet() override;  // releases the subject name

    std::string Name() const override;

    TGryp* Gryp() const { return FGryp; }
    TYrName* YrName() const { return FYrName; }
    void SetYrName(TYrName* value);

    // Load per week.
    TYrokKorzina* AddPredmetNe(int setka, int ne, TFioPredmet* vFioPredmet = nullptr);
    bool DelPredmetNe(int setka, int ne, bool UserDialog, TFioPredmet* vFioPredmet = nullptr);
    int CountPredmetNe(int setka, int ne, const TFioPredmet* vFioPredmet = nullptr) const;
    void CopyHasNedToNed(int setka, int ne1, int ne2, bool UserDialog);
    void DelHasNoRunDey(int ne1, int ne2);
    int CountPredmetAllForSetka(int setka) const;

    // Teachers per week.
    TFioPredmet* AddFio(int ne, TFio* fio);
    bool DelFioPredmet(int ne, TFio* fio, bool UserDialog);
    bool DelFioPredmet(TFioPredmet* fp, bool UserDialog);
    bool DelAllFioPredmet(int ne, bool UserDialog);
    int CountFio(int ne) const;
    int CountAllFio() const;
    bool FioRun(int nFio) const;
    bool FioRunNed(int ne, int nFio) const;
    TLFio& GetLFio(int ne) { return mLFio[static_cast<std::size_t>(ne)]; }
    const TLFio& GetLFio(int ne) const { return mLFio[static_cast<std::size_t>(ne)]; }
    std::string NameFio(int ne) const;
    // Distinct short names of the teachers of every week, ","-joined.
    std::string NameAllFio() const;
    // The indx-th assignment counting over weeks 1-56 in order.
    TFioPredmet* FioAll(int indx) const;
    TFioPredmet* FindFioPredmet(int ne, const TFio* vFio) const;
    // The assignment of vFio in week ne at or after position vPosFioPredmet;
    // -1 in vPosFioPredmet when none. FindFioPredmetNext goes on after it.
    TFioPredmet* FindFioPredmet(int ne, int& vPosFioPredmet, const TFio* vFio) const;
    TFioPredmet* FindFioPredmetNext(int ne, int& vPosFioPredmet, const TFio* vFio) const;
    // The week's planned lessons of plan load after cancellations.
    int CountPlanNed(int ne) const;
    void CopyFioNedToNed(int setka, int ne1, int ne2, bool UserDialog);

    // Lessons of the subject in week ne, layer tip.
    void GetLYr(int tip, int ne, std::vector<TYr*>& lYr) const;
    void GetLYrPGryp(int tip, int ne, std::vector<TYr*>& lYr) const { GetLYr(tip, ne, lYr); }
    void GetLPg(int tip, int setka, int ne, std::vector<TYr*>& lYr) const;
    std::string DelPogryp() const;
    int GetIndex() const;

    // Substitutions of the subject (substitution.cpp).
    bool MoveZamenaToYrok(TZamena* vZm, int vNe, int vDe, int vYrok);
    int CountMaxZmKorzina(int ne) const;
    int CountZmKorzina(int ne) const;
    int CountFullZmPredmetNe(int ne) const;
    int CountZmKorzinaForFirstFioPredmet(int ne) const;
    std::string CountZmKorzinaToStr(int ne) const;  // per teacher, "/"-joined
    int CountMaxOtmenPredmet(int setka, int ne) const;
    int CountOtmenYr(int setka, int ne) const;
    std::string CountOtmenYrToStr(int ne) const;
    // Substitution lessons of the subject held by teacher fi in week ne,
    // whichever assignment owns them (every teacher's when fi is nil).
    int CountZamenNed(const TFio* fi, int ne) const;

    // Hour accounting (subject_accounting.cpp), over the timetable layer and
    // weeks 1-52 only. vFio nil counts the subject: a day's lessons are then
    // divided by the week's number of teachers, so parallel subgroups count
    // once. vSemm 1 or 2 is a semester of the group, anything else the year.
    int CountFaktSemm(int vNe1, int vDe1, int vNe2, int vDe2, int vSetka, const TFio* vFio) const;
    int CountFaktYrSemm(int vSemm, const TFio* vFio) const;
    int CountFaktZmSemm(int vSemm, const TFio* vFio) const;
    int CountFaktDpSemm(int vSemm, const TFio* vFio) const;
    int CountFaktYrZmDpSemm(int vSemm, const TFio* vFio, bool bSe, bool bZm, bool bDp) const;
    // The same from (vNe1, vDe1) to (vNe2, vDe2), kept inside the semester.
    int CountFaktYrZmDpSemm(int vSemm, int vNe1, int vDe1, int vNe2, int vDe2, const TFio* vFio,
                            bool bSe, bool bZm, bool bDp) const;
    // Lessons of the load items not yet placed.
    int CountKorzinaSemm(int vNe1, int vNe2, int vSetka, const TFio* vFio) const;
    int CountKorzinaYrSemm(int vSemm, const TFio* vFio) const;
    int CountKorzinaZmSemm(int vSemm, const TFio* vFio) const;
    int CountKorzinaDpSemm(int vSemm, const TFio* vFio) const;
    int CountKorzinaYrZmDpSemm(int vSemm, const TFio* vFio, bool bSe, bool bZm, bool bDp) const;
    // Planned lessons over a semester; kind 0 includes the substitutions granted.
    int CountPlanSemm(int vSemm, int vSetka) const;
    // What the FioPredmetIndex-th assignment of week ne is to deliver: its
    // load, less its lessons others took over, plus (kind 0) the
    // substitutions its teacher gives.
    int CountPlanNed(int Setka, int ne, int FioPredmetIndex) const;
    // Whether every teacher count of the semester gives each teacher the same
    // lessons and their sum is vSymmSemm.
    bool CompareSymmFioPredmetSemm(int vSemm, int vSymmSemm) const;
    // The plan check of the semester of week ne (refreshed for both
    // semesters when ne is 0 or above 52, which answers whether either fails).
    bool GetColorGrid(int ne);

    TGryp* FGryp = nullptr;
    TYrName* FYrName = nullptr;
    std::array<TLFio, kWeeks + 1> mLFio;  // index 1-56
    uint8_t FNedStartSem = 0;
    bool FColorSemm1 = false;
    bool FColorSemm2 = false;
    APredmet Dan;
    std::vector<TEkzamen*> LEkz;
    std::vector<TZachet*> LZachet;
};

// Assignments of several groups taught together in one lesson.
class TOb {
public:
    TOb(int ne, int fn) : FN(static_cast<uint16_t>(fn)), Ne(static_cast<uint8_t>(ne)) {}

    void AddFio(TFioPredmet* fp);
    void DelFioPredmet(int indx);
    int GetIndexFio(const TFioPredmet* fp) const;
    int CountFioPredmet() const { return static_cast<int>(LFioPredmet.size()); }
    std::string NamePredmet() const;
    std::string NameGryp() const;
    std::string NameFio() const;
    std::string NamePredmetGrypFio() const;
    // The most lessons of one kind a member holds in the week (plan load).
    int CountMaxOb() const;
    // Lessons of the union's members held at (layer tip, day g, period k).
    int CountYr(int tip, int g, int k) const;
    // Lessons of the union's members at one moment, one list per group.
    void ObYrToList(int vTip, int vNDay, int vNYrok, std::vector<TYr*>& vL) const;

    std::vector<TFioPredmet*> LFioPredmet;
    uint16_t FN = 0;
    uint8_t Ne = 0;
};

struct ADanRasp {
    uint8_t kYh = 0, KPr = 0, sizeYh = 11, sizePr = 15, sizeAFpr = 6, sizeYrKor = 3, sizeYr = 13,
            sizeDey = 1, sizeZm = 2, kEn = 0, sizeEn = 3, sizeEk = 10, kZh = 0, sizeZh = 12,
            versZh = 1, versDifZh = 1, versEkZh = 1, versGEkZh = 1;
    static constexpr std::size_t kSize = 18;
    static constexpr std::size_t kOldSize = 9;
};

struct ADanHeadr {
    uint8_t Vers = 109;
    uint8_t Head = static_cast<uint8_t>(ADanRasp::kSize);
};

struct AGryp {
    int N = 0;
    uint16_t Ks = 1;
    uint8_t TimeDay = 1;
    std::array<uint8_t, 7> arRDeyNed{9, 9, 9, 9, 9, 9, 0};
    int GN = 0;
    uint8_t Kyrs = 1;
    int DateSemm2 = 0;
};

class TGryp : public TDan {
public:
    static constexpr uint8_t kVers = 109;
    static constexpr std::size_t kMaxName = 255;

    explicit TGryp(TSpisok* spisok);
    ~TGryp() override;

    std::string Name() const override { return FName; }
    void SetName(const std::string& value);

    // Weeks.
    TNed* GetNed(int ne) const {
        return ne >= 1 && ne <= kWeeks ? mNed[static_cast<std::size_t>(ne)].get() : nullptr;
    }
    TNed* SetNed(int ne);
    bool TestNed(int ne) const;
    bool DelNed(int ne, bool UserDialog);
    uint8_t GetNedDey(int ne) const;
    void SetNedDey(int ne, uint8_t yd);
    int CountRunDey(int ne) const;
    std::string CountRunDeyStr(int ne) const;
    bool TestRunDey(int ne, int dey) const;
    int CountRunDeyDefailt() const;
    void ClearLNed();
    // The week bits new weeks take from the main study days.
    uint8_t DefaultYd() const;

    // Subjects.
    int CountPredmet() const { return static_cast<int>(LPredmet.size()); }
    TPredmet* CreatePredmet(TYrName* vYrName);
    void AddPredmet(TPredmet* pr);
    int GetIndexPredmet(const TPredmet* pr) const;
    TPredmet* FindPredmet(int vPredmetN) const;
    TPredmet* FindFirstPredmetForYrName(int nYrName) const;
    bool DelPredmet(int indx, bool UserDialog);
    void DelAllPredmet();
    void MovePredmetNed(int setka, int ne1, int ne2, int indexPredmet);
    void CopyAllPredmetNedToNed(int setka, int ne1, int ne2, bool noRunDey);
    void DelKorzina(int ne, bool UserDialog);
    void DelAllFioPredmet(int ne, bool UserDialog);

    // Timetable.
    void ClearRasp(int tip, int ne, bool UserDialog);
    void CopyRaspToPy(int ne, std::vector<std::string>& sl);
    void CopyPyToRasp(int ne, std::vector<std::string>& sl);
    TYrok* FirsYrok(int tip, int ne) const;
    TYrok* LastYrok(int tip, int ne) const;
    TYrok* GetNextYrok(int tip, int ne, int de, int yk) const;
    bool FioRun(int nFio) const;
    bool FioRunNed(int nFio, int ne) const;
    // Holes of the week: empty periods between a day's first and last lesson.
    std::vector<std::pair<int, int>> GetLDirkaRasp(int tip, int ne) const;
    // Periods beyond the usual count of a day, and the free periods of the
    // group's window on days short of it.
    std::vector<std::pair<int, int>> GetBadYrokRasp(int tip, int ne) const;
    std::vector<std::pair<int, int>> GetNilYrokRasp(int tip, int ne) const;
    int CountBadNagryzkaOfNed(int tip, int ne) const;
    // Its subjects' assignments leave their unions.
    void DelAllObForPredmet(TPredmet* pr);

    // Storage.
    std::vector<uint8_t> WriteRasp();
    // The blob of the group's row, read when the year loads.
    void LoadStream(std::vector<uint8_t> blob) { St = std::move(blob); }
    // Takes another group's timetable: subjects, load, lessons, exams.
    bool AssignRasp(TGryp& grp);
    // Parses a blob. A blob that cannot be read whole (unknown version, cut
    // short, bytes after the last record) is reported once, naming the
    // subject or week it broke in, leaves the group empty with BlobFault set,
    // and gives false. An empty blob is a group without a timetable.
    bool ReadRasp(const std::vector<uint8_t>& blob, const TRefLookup* lookup = nullptr);
    void AssignDan(const TGryp& gr);
    void Clear();
    TAllRasp* God() const;
    int GetIndex() const;

    // Semesters (group_calendar.cpp): the second starts on DateSemm2, a
    // whole date kept between 1 September and 1 August of the year.
    int DateSemm2() const { return Dan.DateSemm2; }
    void SetDateSemm2(int value);
    std::string StrDateSemm2() const;
    int NedStartSemm(int semm) const;
    int CountNedSemm(int semm) const;
    void NedStartEnd(int vSemm, int& n1, int& n2) const;
    // Reads the study schedule of an imported curriculum: one character per
    // calendar day from 1 September, "У" = a study day; vD is the position
    // where the second semester begins. vS1, vS2 count the study days of
    // each semester.
    void GrafToNed(const std::string& vS, int vD, int& vS1, int& vS2);

    // Examinations and credits.
    TENed* GetENed(int ne) const {
        return ne >= 1 && ne <= kWeeks ? mENed[static_cast<std::size_t>(ne)].get() : nullptr;
    }
    TENed* SetENed(int ne);
    void ClearLENed();
    TEkzamen* AddEkzamen(int ne, int de, int nAtr, int kh00, TPredmet* pr, TFio* fi);
    void DelEkzamen(int ne, int de, int indx);
    TZachet* CreateZachet(uint8_t vTypes);
    void DelZachet(int vIndexZachet);
    void DelAllZachetForPredmet(const TPredmet* vPredmet);
    int CountZachet() const { return static_cast<int>(LZachet.size()); }
    void ClearLZachet();
    void SortZachet();  // by week, then kind; equal ones keep their order
    // Placed records of attribute vAtrN in week ne, day d (any when d <= 0),
    // starting in period y (any when -1), with teacher vFioN (any when 0).
    void ZachetToList(std::vector<TZachet*>& vL, int vAtrN, int ne, int d, int y, int vFioN) const;
    // Attribute names of the records overlapping the period, ","-joined.
    std::string ZachetStr(int vNed, int vDey, int vYrok) const;
    TZachet* FirsZachet(int vAtrN, int ne) const;
    TZachet* LastZachet(int vAtrN, int ne) const;
    TZachet* ZachetNedDeyYrok(int vAtrN, int ne, int d, int y) const;

    void OnModifi(TDan*) {
        modifiRasp = true;
        ++spisokGeneration();
    }

    std::vector<uint8_t> St;  // the blob as read, until parsed
    std::vector<TNed*> LNed;  // weeks in order
    std::array<std::unique_ptr<TNed>, kWeeks + 1> mNed;
    std::vector<std::unique_ptr<TPredmet>> LPredmet;
    ADanRasp DanRasp;
    ADanHeadr VersHeadr;
    std::vector<TENed*> LENed;
    std::array<std::unique_ptr<TENed>, kWeeks + 1> mENed;
    std::vector<std::unique_ptr<TZachet>> LZachet;
    std::string FName;
    AGryp Dan;
    bool Select = false;
    bool modifiRasp = false;
    // Its stored blob could not be read when the year loaded: the group is
    // held empty and no save writes over that blob until the mark is lifted.
    bool BlobUnreadable = false;
    std::string BlobFault;  // why the last read failed, for the user
    int Position = 0;

private:
    uint64_t& spisokGeneration();
    // Where GetIndex last found the group; asked per lesson move.
    mutable int FIndexHint = 0;
};

}  // namespace zavlin
