// Examination weeks (TENed: entries per day) and credit records (TZachet: an
// event at a clock time with examiners and assistants). Both are owned by the
// group and travel in its timetable blob after the weeks.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/element.h"
#include "model/timetable.h"

namespace zavlin {

class TAtr;
class TENed;
class TEDey;
class TTaimYrok;

// The 10 bytes of an examination entry.
struct AEkzamen {
    uint8_t de = 0;
    uint16_t Pr = 0;
    uint16_t Fi = 0;
    uint16_t AtrN = 0;
    uint16_t Kh00 = 0;
    uint8_t Tm = 0;
    static constexpr std::size_t kSize = 10;
};

class TEkzamen : public TDan {
public:
    explicit TEkzamen(TEDey* eDey);
    ~TEkzamen() override;  // releases teacher, attribute and subject

    std::string Name() const override;
    void SetFio(TFio* fio);
    void SetAtr(TAtr* atr);
    void SetAtr(int vNAtr);  // by number, through the year's attributes
    void SetPredmet(TPredmet* predmet);
    int GetIndex() const;  // place among its day's entries

    AEkzamen Dan;
    TFio* FFio = nullptr;
    TAtr* FAtr = nullptr;
    TEDey* EDey = nullptr;
    TPredmet* Predmet = nullptr;
};

class TEDey : public TDan {
public:
    TEDey(TENed* eNed, int n);
    std::string Name() const override;

    TEkzamen* AddEkzamen();
    void DelEkzamen(int indx);
    void DelAllEkzamen() { LEkz.clear(); }
    void ClearLEkz() { LEkz.clear(); }
    int CountEkzamen() const { return static_cast<int>(LEkz.size()); }

    std::vector<std::unique_ptr<TEkzamen>> LEkz;
    int N = 0;
    TENed* ENed = nullptr;
};

class TENed : public TDan {
public:
    TENed(TGryp* gryp, int ne);
    std::string Name() const override;

    int Ne() const { return N; }
    int CountEkzamen() const;

    std::array<std::unique_ptr<TEDey>, kDayCount + 1> mDey;  // index 1-6
    int N = 0;
    TGryp* Gryp = nullptr;
    static constexpr std::size_t kSize = 3;  // AENed: N, kekz (Word)
};

// The 12 bytes of a credit record.
struct AZachet {
    uint8_t FType = 0;
    uint8_t FNe = 0;
    uint8_t FDay = 0;
    uint16_t FLength = 0;
    uint16_t FStart = 0;
    uint8_t FPredmet = 0;
    uint8_t FCountEkzam = 0;
    uint8_t FCountAsist = 0;
    uint16_t FAyd = 0;
    static constexpr std::size_t kSize = 12;
};

class TZachet : public TDan {
public:
    TZachet(TGryp* gryp, uint8_t types);
    ~TZachet() override;  // releases teachers, room, attribute and subject

    std::string Name() const override;

    uint8_t Types() const { return FDan.FType; }
    int Ne() const { return FDan.FNe; }
    void SetNe(int ne);
    int Day() const { return FDan.FDay; }
    // Day 0 takes the record out of the week: no start, no room. Another day
    // leaves the room behind.
    void SetDay(int day);
    int StartTime() const { return FDan.FStart; }
    void SetStartTime(int minutes);
    int LengthTime() const { return FDan.FLength; }
    void SetLengthTime(int minutes);
    // All 12 bytes; a changed room number rebinds the room.
    void SetDan(const AZachet& vDan);
    void SetPredmet(TPredmet* predmet);
    void SetAyd(TAyd* ayd);
    void AddEkzam(TFio* fio);
    void AddAsist(TFio* fio);
    void ClearLEkzam();
    void ClearLAsist();
    void ClearLFio();
    int CountEkzam() const { return static_cast<int>(LEkzam.size()); }
    int CountAsist() const { return static_cast<int>(LAsist.size()); }
    int CountFio() const { return CountEkzam() + CountAsist(); }
    std::string StartStr() const;   // "HH:MM"
    std::string LengthStr() const;  // hours ":" minutes, two digits
    // The length in academic hours (45 minutes) x 100, rounded to tens.
    int Kh00() const;
    std::string NameOfTypes() const;
    std::string NamePredmet() const;
    std::string NameFio() const;
    int GetIndex() const;
    bool RunFio(const TFio* vFio) const;
    bool RunFioNumber(int vFioN) const;
    // Periods the record reaches, by the lesson clock times.
    int StartYrok(const std::array<TTaimYrok, kPeriodCount>& times) const;
    int EndYrok(const std::array<TTaimYrok, kPeriodCount>& times) const;
    bool RunYrok(int vY, const std::array<TTaimYrok, kPeriodCount>& times) const;

    TGryp* FGryp = nullptr;
    TPredmet* FPredmet = nullptr;
    std::vector<TFio*> LEkzam;
    std::vector<TFio*> LAsist;
    TAyd* FAyd = nullptr;
    AZachet FDan;
    TAtr* FAtr = nullptr;
};

// The four kinds take the built-in attribute of their position.
class TKonsZh : public TZachet {
public:
    explicit TKonsZh(TGryp* gryp);
};
class TDifZh : public TZachet {
public:
    explicit TDifZh(TGryp* gryp);
};
class TEkzamenZh : public TZachet {
public:
    explicit TEkzamenZh(TGryp* gryp);
};
class TGEkzamenZh : public TZachet {
public:
    explicit TGEkzamenZh(TGryp* gryp);
};

// The class of the kind (a plain TZachet for an unknown one).
std::unique_ptr<TZachet> createZachet(TGryp* gryp, uint8_t types);

// Minutes as academic hours x 100 (45 minutes an hour); rounded to tens when
// asked, as for credit records.
int minutesToKh00(int minutes, bool round);

}  // namespace zavlin
