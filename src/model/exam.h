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
    void SetPredmet(TPredmet* predmet);

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
    int Day() const { return FDan.FDay; }
    void SetPredmet(TPredmet* predmet);
    void SetAyd(TAyd* ayd);
    void AddEkzam(TFio* fio);
    void AddAsist(TFio* fio);
    void ClearLFio();
    int CountEkzam() const { return static_cast<int>(LEkzam.size()); }
    int CountAsist() const { return static_cast<int>(LAsist.size()); }
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
std::unique_ptr<TZachet> createZachet(TGryp* gryp, uint8_t types);

}  // namespace zavlin
