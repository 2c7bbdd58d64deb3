// One group's timetable for one week: the week (TNed) with its load items
// (TYrokKorzina) and six days (TDey), each day twelve periods (TYrok) per
// layer, each period the lessons placed in it (TYr).
//
// Ownership: a week owns its days, load items and stand-alone cancellations;
// a day owns its period objects; a lesson with a teacher assignment is owned by
// that assignment (TFioPredmet::LYr). Period objects only point at lessons.
// Destructors never unlink: the operations below do, before they destroy.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/element.h"
#include "model/room.h"

namespace zavlin {

class TAyd;
class TFio;
class TYrName;
class TGryp;
class TPredmet;
class TFioPredmet;
class TYrok;
class TDey;
class TNed;
class TYrokKorzina;
class TYrokKorzinaZamena;
class TZamena;

constexpr int kWeeks = 56;          // 1-52 the study year, 53-56 additional
constexpr int kDayCount = 6;        // Monday..Saturday, 1-6
constexpr int kPeriodCount = 12;    // 0-11
constexpr uint16_t kNewKh00 = 200;  // two academic hours

// Kinds of load.
constexpr uint8_t kSetkaPlan = 0;
constexpr uint8_t kSetkaZamena = 1;
constexpr uint8_t kSetkaDop = 2;

// Substitution states of AYr::Zm.
constexpr uint8_t kZmNone = 0;
constexpr uint8_t kZmOldStyle = 1;  // blobs before 104: a substitution block follows
constexpr uint8_t kZmReplaced = 2;
constexpr uint8_t kZmZamena = 8;

constexpr uint8_t kYOkDop = 1 << 1;  // marked by the editor as assigned additionally
constexpr uint8_t kYOkPy = 1 << 3;   // came from the preliminary settings

// The 13 bytes of a lesson record.
struct AYr {
    uint8_t NN = 0;
    uint8_t tip = 0;
    uint8_t de = 0;
    uint8_t y = 0;
    uint16_t Nay = 0;
    uint16_t NAt = 0;
    uint16_t Kh00 = kNewKh00;
    uint8_t YOk = 0;
    uint8_t Zm = kZmNone;
    uint8_t IndexYrDp = 0;
    static constexpr std::size_t kSize = 13;
    void toBytes(uint8_t* p) const;
    void fromBytes(const uint8_t* p);
};

struct AYrokKorzina {
    uint8_t N = 0;   // the subject's number in the group
    uint8_t NN = 0;  // the item's number in the week
    uint8_t ky = 0;  // lessons per week for each teacher
    static constexpr std::size_t kSize = 3;
};

// The 11 bytes of a week header.
struct ANed {
    uint8_t N = 0;
    uint8_t kdop = 0;
    uint8_t knyr = 0;
    uint8_t Yd = 0;
    uint8_t Dt1 = 10;
    uint8_t Dt6 = 0;
    uint8_t NeSinx = 0;
    uint16_t kotm = 0;
    uint16_t kzam = 0;
    static constexpr std::size_t kSize = 11;
    void toBytes(uint8_t* p) const;
    void fromBytes(const uint8_t* p);
};

// What a substitution adds to the lesson record.
struct AZamena {
    uint16_t Fi = 0;  // the teacher who actually teaches, when not the assignment's
};

// One lesson: one teacher of one subject in one period.
class TYr : public TDan {
public:
    explicit TYr(TDan* sender);
    ~TYr() override;  // releases the room only

    std::string Name() const override;

    TYrok* Yrok() const { return FYrok; }
    void SetYrok(TYrok* value);  // copies day and period into de and y
    int Ne() const;
    int De() const;
    int Y() const;
    uint8_t Tip() const { return Dan.tip; }

    TAyd* Ayd() const { return FAyd; }
    void SetAyd(TAyd* value);  // moves the room's NoDelete
    int NAyd() const { return FAyd ? FAyd->N : 0; }
    void DeleteAyd() { SetAyd(nullptr); }

    TYrokKorzina* YrokKorzina() const { return FYrokKorzina; }
    void SetYrokKorzina(TYrokKorzina* value);  // copies the item's NN
    TFioPredmet* FioPredmet() const { return FFioPredmet; }
    virtual void SetFioPredmet(TFioPredmet* value);
    // The teacher who gives the lesson; a substitution may name another one.
    virtual TFio* Fio() const;
    TPredmet* Predmet() const;
    TYrName* YrName() const;
    uint16_t NAtr() const { return Dan.NAt; }
    uint16_t Kh00() const { return Dan.Kh00; }

    virtual bool SetZamenaYes() const { return false; }
    bool ZamenaYes() const { return Dan.Zm != kZmNone; }
    // Taking place: a substitution, or a lesson no substitution replaces.
    bool Held() const { return SetZamenaYes() || LZm.empty(); }
    // A substitution without a teacher: a cancellation.
    bool SetOtmenaYes() const { return SetZamenaYes() && Fio() == nullptr; }
    // Counted as given by the accounting and the statements: held, drawn
    // from a load item, and no cancellation.
    bool Delivered() const { return Held() && FYrokKorzina != nullptr && !SetOtmenaYes(); }
    bool TestSetka() const;
    int Setka() const;
    bool TestPy() const { return (Dan.YOk & kYOkPy) != 0; }
    void SetPy(bool on);
    int NObed() const;
    bool Compare(const TYr& pg) const;
    bool Compare(const TYrokKorzina* yk, const TFioPredmet* fp, const TFio* fi) const;
    std::string NamePredmet(bool vBigName) const;
    std::string NameFio(bool vBigName, bool vDolg) const;
    std::string NameFioNoProbel() const;
    std::string NameAyd() const;
    std::string Kh00Str() const;
    int CountFioPredmet() const;
    int GetIndexPredmet() const;
    int GetIndexFioPredmet() const;
    int CountZamen() const { return static_cast<int>(LZm.size()); }
    // Whether removing this substitution (or this lesson's substitutions)
    // would give lessons back to teachers now busy elsewhere.
    bool TestDeleteZamena(bool userDlg) const;

    TYrok* FYrok = nullptr;
    AYr Dan;
    std::vector<TYr*> LZm;  // a lesson: its substitutions; a substitution: what it replaces
    TAyd* FAyd = nullptr;
    TYrokKorzina* FYrokKorzina = nullptr;
    TFioPredmet* FFioPredmet = nullptr;
    uint8_t FPlanFN = 0;
};

// A substitution (or, without a teacher, a cancellation) sitting on top of
// the lessons it replaces.
class TZamena : public TYr {
public:
    explicit TZamena(TDan* sender);
    ~TZamena() override;  // releases the teacher

    bool SetZamenaYes() const override { return true; }
    TFio* Fio() const override { return FFio; }
    void SetFioPredmet(TFioPredmet* value) override;
    // A teacher other than the assignment's is remembered in Fi.
    void SetFio(TFio* value);

    AZamena DanZm;
    TFio* FFio = nullptr;
    static constexpr std::size_t kDanZmSize = 2;
};

// One period of one day in one layer.
class TYrok : public TDan {
public:
    TYrok(TDey* dey, int n);

    std::string Name() const override;

    void AddYr(TYr* yr);
    // Takes the lesson out of whichever list holds it; false when absent.
    bool RemoveYr(const TYr* yr);
    void SortYr();
    int CountYr() const { return static_cast<int>(LYr.size()); }
    int CountDp() const { return static_cast<int>(LDp.size()); }
    int CountZam() const { return static_cast<int>(LZm.size()); }
    int CountYrDp() const { return CountYr() + CountDp(); }
    int CountYrDpZm() const { return CountYrDp() + CountZam(); }
    int CountPGr() const;
    int CountNoZam() const;
    bool Empty() const { return CountYrDpZm() == 0; }
    int GetIndx() const { return N; }
    TYr* YrDpZm(int indx) const;  // running index over LYr, LDp, LZm
    int GetIndexYrDpZm(const TYr* vYr) const;
    TYr* FindYrForPlan(int FN) const;
    bool OtmenaYr() const;
    bool ZamenaYes() const;
    std::string GetStrYrName() const;
    std::string GetStrFioName() const;
    std::string GetStrYrFioName() const;
    std::string GetStrAydName() const;
    std::string GetStrListFioName() const;
    std::string GetStrListFioAydName() const;
    int CountFaktYr(int vSetka, const TPredmet* vPr, const TFio* vFi) const;
    TNed* Ned() const;
    int Tip() const { return FTip; }

    // Substitutions (substitution.cpp). The period is of the timetable layer.
    TZamena* AddZamena(TYr* FYr, TYrokKorzina* FYk, TAyd* vAyd, TFio* fi, TFioPredmet* fp);
    void AddZamena(TYrokKorzina* FYk, TFioPredmet* fp, TFio* fi);
    void AddZamena(TYr* FYr, TZamena* FZm);
    void AddZamena(TZamena* FZm);
    void AddZamenaLYr(const std::vector<TYr*>& vLYr, TYrokKorzina* FYk, TAyd* vAyd);
    TZamena* AddZamenaForYr(TYr* FYr);
    void AddZamenaForYrok(const TYrok* FYrk);
    void AddZamenaForYrokKorzina(TYrokKorzina* FYk);
    TZamena* AddOtmena(TYr* FYr);
    TZamena* AddOtmena();
    void ClearZamen();
    bool TestDeleteZamena(bool userDlg) const;

    std::vector<TYr*> LYr;
    std::vector<TYr*> LDp;
    std::vector<TYr*> LZm;
    int N = 0;
    TDey* Dey = nullptr;
    int FTip = 0;
};

class TDey : public TDan {
public:
    TDey(TNed* ned, int n);
    ~TDey() override;

    std::string Name() const override;

    std::unique_ptr<TYrok>* Layer(int tip) { return tip == 0 ? mYrok.data() : mPYrok.data(); }
    const std::unique_ptr<TYrok>* Layer(int tip) const {
        return tip == 0 ? mYrok.data() : mPYrok.data();
    }
    // nullptr for an empty or invalid period. Inline: the search asks it by
    // the hundred million.
    TYrok* GetYrok(int tip, int y) const {
        return (tip == 0 || tip == 1) && y >= 0 && y < kPeriodCount ? Layer(tip)[y].get() : nullptr;
    }
    TYrok* CreateYrok(int tip, int y);
    // Deletes one lesson, freeing the period object when it empties.
    void DeletePg(int tip, TYr* yr);
    void DelYrok(int tip, int y);
    // Frees the period object when it holds nothing.
    void FreeIfEmpty(int tip, int y);
    std::unique_ptr<TYrok> CutYrok(int y);
    bool PasteYrok(std::unique_ptr<TYrok>& yrk, int y);
    TYrok* FirstYrok(int tip) const;
    TYrok* LastYrok(int tip) const;
    TYrok* PriorYrok(int tip, const TYrok* yrk) const;
    int CountYrok(int tip) const;
    int CountYrokAndDirka(int tip) const;
    int CountDirka(int tip) const;
    std::vector<int> DirkaToArray(int tip) const;
    std::vector<int> AllYrokToArray(int tip) const;
    int GetNilYrok(int tip) const;  // the highest free period, -1 when all are taken
    int CountFaktYrok(int vSetka, const TPredmet* vPr, const TFio* vFi) const;
    // A substitution is deleted; a lesson loses all its substitutions. The
    // kind-1 item follows.
    void DelZamena(TYr* yr);
    void DelAllZamena(int y);
    // Out of its period, replacing nothing; the caller places or deletes it.
    void CutZamena(TZamena* zm);

    std::array<std::unique_ptr<TYrok>, kPeriodCount> mYrok;
    std::array<std::unique_ptr<TYrok>, kPeriodCount> mPYrok;
    int N = 0;
    TNed* Ned = nullptr;

private:
    // A period object freed when it emptied, taken again by the next period
    // made: the search fills and empties periods by the million.
    std::unique_ptr<TYrok> FSpare;
};

// A load item: a subject's weekly number of lessons of one kind in one week.
class TYrokKorzina : public TDan {
public:
    TYrokKorzina(TNed* vNed, uint8_t setka, TPredmet* predmet);
    ~TYrokKorzina() override;

    std::string Name() const override;

    uint8_t Setka() const { return FSetka; }
    TPredmet* Predmet() const { return FPredmet; }
    TNed* Ned() const { return FNed; }
    int NPredmet() const { return Dan.N; }
    // The subject's teacher assignments of this week.
    const std::vector<std::unique_ptr<TFioPredmet>>& LFio() const;

    virtual int CountMaxYrForFioPredmet() const { return Dan.ky; }
    virtual int CountMaxFioPredmet(const TFioPredmet* vFioPredmet) const;
    virtual int CountPlanYrForFio(const TFioPredmet* fi) const;
    int CountPlanYr() const;

    uint8_t FSetka = kSetkaPlan;
    TPredmet* FPredmet = nullptr;
    AYrokKorzina Dan;
    TNed* FNed = nullptr;
};

class TZmKorzina;

// A load item of kind 1: how many substitution lessons each teacher may hold.
class TYrokKorzinaZamena : public TYrokKorzina {
public:
    TYrokKorzinaZamena(TNed* vNed, TPredmet* predmet);
    ~TYrokKorzinaZamena() override;

    std::string Name() const override;
    int CountMaxYrForFioPredmet() const override;
    int CountMaxFioPredmet(const TFioPredmet* vFioPredmet) const override;
    int CountPlanYrForFio(const TFioPredmet* fi) const override;

    int CountZmKorzina() const { return static_cast<int>(LZmKorzina.size()); }
    TZmKorzina* FindZmKorzina(const TFioPredmet* fp) const;
    TZmKorzina* CreateZmKorzina(TFioPredmet* fp);
    void AddZmKorzina(TFioPredmet* vFioPredmet);
    void AddZmKorzinaAllFio();
    void DecZmKorzina(TFioPredmet* vFioPredmet);
    void FreeZmKorzina(int indx);
    void ClearLZmKorzina();
    int CountAllYr() const;
    void RecountKy();

    std::vector<std::unique_ptr<TZmKorzina>> LZmKorzina;
};

class TZmKorzina : public TDan {
public:
    TZmKorzina(TYrokKorzinaZamena* owner, TFioPredmet* fp);
    ~TZmKorzina() override;  // the assignment forgets it

    std::string Name() const override;

    TYrokKorzinaZamena* FYrokKorzinaZamena = nullptr;
    TFioPredmet* FFioPredmet = nullptr;
    uint8_t FCountZm = 0;
};

class TNed : public TDan {
public:
    TNed(TGryp* gryp, int ne);
    ~TNed() override;

    std::string Name() const override;

    int Ne() const { return Dan.N; }
    uint8_t YhDey() const { return Dan.Yd; }
    // The week this one was synchronised from, 0 = none.
    uint8_t NedSinx() const { return Dan.NeSinx; }
    void SetNedSinx(uint8_t ne);
    void SetYhDey(uint8_t yd);
    TGryp* Gryp() const { return FGryp; }
    TDey* Dey(int de) const { return de >= 1 && de <= kDayCount ? mDey[de].get() : nullptr; }
    TYrok* GetYrok(int tip, int de, int y) const {
        const TDey* dey = Dey(de);
        return dey != nullptr ? dey->GetYrok(tip, y) : nullptr;
    }

    std::vector<std::unique_ptr<TYrokKorzina>>& LKorzina(int setka);
    const std::vector<std::unique_ptr<TYrokKorzina>>& LKorzina(int setka) const;
    TYrokKorzina* FindYrokKorzina(int setka, const TPredmet* predmet) const;
    TYrokKorzina* FindYrokKorzinaNN(int nn) const;

    int CountRunDey() const;
    bool TestRunDey(int d) const;
    void SortLNYrok();
    // Joins the item (numbering it and taking ownership when new) and raises
    // its count by one. nullptr when a new item finds no free number (it is
    // then destroyed).
    TYrokKorzina* AddYrokKorzina(TYrokKorzina* yrok, TFioPredmet* vFioPredmet);
    // false when the user refused.
    bool DelYrokKorzina(int setka, int AutoN, bool UserDialog, TFioPredmet* vFioPredmet = nullptr);
    void DelAllYrokKorzina(bool UserDialog);
    // Destroys an item whose count fell to nothing, with its lessons.
    void FreeYrokKorzina(TYrokKorzina* item);
    int CountYrokKorzina(int setka) const;
    int CountLYrokKorzina(int setka) const;
    int CountYrokNumerKorzina(int setka, int AutoN, const TFioPredmet* fi) const;

    TYr* AddYrRas(int tip, int de, int y, TYrokKorzina* YKorzina, TFioPredmet* fFiPredmet);
    void AddYrokRas(int tip, int de, int y, TYrokKorzina* YKorzina);
    void MoveYrRasp(int tip, int d1, int y1, int d2, int y2, TYr* yr);
    TYrok* MoveYrokRasp(int tip, int d1, int y1, int d2, int y2);
    void DeletePGrRasp(int tip, TYr* yr, bool UserDialog);
    void DelYrokRasp(int tip, int de, int y, bool UserDialog);
    void DelAllYrokRasp(int tip, bool UserDialog);
    // Plan lessons of one layer copied into the other where the teacher is
    // free; the refusals go to sl (at most 200 lines).
    void CopyRaspOrPy(int TipFrom, int TipTo, std::vector<std::string>& sl);
    TYrok* GetNextYrok(int tip, int de, int y) const;
    // Substitutions moved within the week, or onto a lesson of another week
    // of the group (false, with a message, when the subject's teachers differ).
    bool MoveZamenaRasp(TZamena* zm, int d2, int y2);
    bool MoveZamenaRasp(TZamena* zm, TYr* yr);

    // Takes a lesson out of its period and its relations and destroys it.
    void DestroyYr(TYr* yr);
    // A stand-alone cancellation now owned by the week.
    TZamena* AdoptOtmena(std::unique_ptr<TZamena> zm);
    // Links a substitution to a lesson it replaces.
    static void LinkZamena(TYr* zamena, TYr* yr);
    static void UnlinkZamena(TYr* zamena, TYr* yr);

    int CountOneYrok(int tip) const;
    int CountDirka(int tip) const;
    int CountAllYrokOneDey() const;
    bool TestBadDeyMaxYrok(int tip, int de) const;
    int CountMaxYrForPredmet(const TPredmet* predmet) const;
    int CountMaxZmForPredmet(const TPredmet* predmet) const;
    int CountMaxOtmenForPredmet(const TPredmet* predmet) const;
    int CountPlanForPredmet(int setka, const TPredmet* predmet) const;
    int CountFaktYrok(int vDe, int vSetka, const TPredmet* vPr, const TFio* vFi) const;

    void ModifiRasp() {
        if (FModifiRaspEvent) FModifiRaspEvent(this);
    }

    std::vector<std::unique_ptr<TYrokKorzina>> LNYrok;
    std::vector<std::unique_ptr<TYrokKorzina>> LZYrok;
    std::vector<std::unique_ptr<TYrokKorzina>> LDYrok;
    std::array<std::unique_ptr<TDey>, kDayCount + 1> mDey;  // index 1-6
    ANed Dan;
    TGryp* FGryp = nullptr;
    // Cancellations: substitutions with no teacher assignment to own them.
    std::vector<std::unique_ptr<TYr>> LOtmena;

private:
    void deleteTeacherLessons(TYrokKorzina* item, TFioPredmet* fp, int keep);
};

// Short day names, index 1-6.
const char* shortDayName(int de);

}  // namespace zavlin
