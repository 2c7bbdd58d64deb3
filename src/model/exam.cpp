#include "model/exam.h"

#include <algorithm>

#include "model/attribute.h"
#include "model/group.h"
#include "model/lesson_time.h"
#include "model/teacher.h"

namespace zavlin {

// --- TEkzamen

TEkzamen::TEkzamen(TEDey* eDey) : TDan(eDey), EDey(eDey) {}

TEkzamen::~TEkzamen() {
    SetFio(nullptr);
    SetAtr(nullptr);
    SetPredmet(nullptr);
}

std::string TEkzamen::Name() const {
    std::string text = FAtr != nullptr ? FAtr->Name() : std::string();
    if (Predmet != nullptr) text += " " + Predmet->Name();
    if (FFio != nullptr) text += " " + FFio->Name();
    return text;
}

void TEkzamen::SetFio(TFio* fio) {
    if (fio == FFio) return;
    if (FFio != nullptr) --FFio->NoDelete;
    FFio = fio;
    if (FFio != nullptr) ++FFio->NoDelete;
    Dan.Fi = static_cast<uint16_t>(FFio != nullptr ? FFio->N : 0);
}

void TEkzamen::SetAtr(TAtr* atr) {
    if (atr == FAtr) return;
    if (FAtr != nullptr) --FAtr->NoDelete;
    FAtr = atr;
    if (FAtr != nullptr) ++FAtr->NoDelete;
    Dan.AtrN = static_cast<uint16_t>(FAtr != nullptr ? FAtr->N : 0);
}

void TEkzamen::SetPredmet(TPredmet* predmet) {
    if (predmet == Predmet) return;
    if (Predmet != nullptr) {
        auto& list = Predmet->LEkz;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    Predmet = predmet;
    if (Predmet != nullptr) Predmet->LEkz.push_back(this);
    Dan.Pr = static_cast<uint16_t>(Predmet != nullptr ? Predmet->Dan.N : 0);
}

// --- TEDey, TENed

TEDey::TEDey(TENed* eNed, int n) : TDan(eNed), N(n), ENed(eNed) {}

std::string TEDey::Name() const {
    return shortDayName(N);
}

TENed::TENed(TGryp* gryp, int ne) : TDan(gryp), N(ne), Gryp(gryp) {
    for (int d = 1; d <= kDayCount; ++d)
        mDey[static_cast<std::size_t>(d)] = std::make_unique<TEDey>(this, d);
}

std::string TENed::Name() const {
    return "Неделя " + std::to_string(N);
}

int TENed::CountEkzamen() const {
    int count = 0;
    for (int d = 1; d <= kDayCount; ++d)
        count += static_cast<int>(mDey[static_cast<std::size_t>(d)]->LEkz.size());
    return count;
}

// --- TZachet

TZachet::TZachet(TGryp* gryp, uint8_t types) : TDan(gryp), FGryp(gryp) {
    FDan.FType = types;
}

TZachet::~TZachet() {
    ClearLFio();
    SetAyd(nullptr);
    if (FAtr != nullptr) --FAtr->NoDelete;
    SetPredmet(nullptr);
}

std::string TZachet::Name() const {
    std::string text = FAtr != nullptr ? FAtr->Name() : std::string();
    if (FPredmet != nullptr) text += " " + FPredmet->Name();
    for (const TFio* fio : LEkzam) text += " " + fio->Name();
    if (FAyd != nullptr) text += " ауд. " + FAyd->Name();
    return text;
}

void TZachet::SetPredmet(TPredmet* predmet) {
    if (predmet == FPredmet) return;
    if (FPredmet != nullptr) {
        auto& list = FPredmet->LZachet;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    FPredmet = predmet;
    if (FPredmet != nullptr) FPredmet->LZachet.push_back(this);
    FDan.FPredmet = static_cast<uint8_t>(FPredmet != nullptr ? FPredmet->Dan.N : 0);
}

void TZachet::SetAyd(TAyd* ayd) {
    if (ayd == FAyd) return;
    if (FAyd != nullptr) --FAyd->NoDelete;
    FAyd = ayd;
    if (FAyd != nullptr) ++FAyd->NoDelete;
    FDan.FAyd = static_cast<uint16_t>(FAyd != nullptr ? FAyd->N : 0);
}

void TZachet::AddEkzam(TFio* fio) {
    if (fio == nullptr) return;
    LEkzam.push_back(fio);
    ++fio->NoDelete;
}

void TZachet::AddAsist(TFio* fio) {
    if (fio == nullptr) return;
    LAsist.push_back(fio);
    ++fio->NoDelete;
}

void TZachet::ClearLFio() {
    for (TFio* fio : LEkzam) --fio->NoDelete;
    for (TFio* fio : LAsist) --fio->NoDelete;
    LEkzam.clear();
    LAsist.clear();
}

bool TZachet::RunFio(const TFio* vFio) const {
    return std::find(LEkzam.begin(), LEkzam.end(), vFio) != LEkzam.end() ||
           std::find(LAsist.begin(), LAsist.end(), vFio) != LAsist.end();
}

bool TZachet::RunFioNumber(int vFioN) const {
    auto has = [&](const std::vector<TFio*>& list) {
        return std::any_of(list.begin(), list.end(), [&](const TFio* f) { return f->N == vFioN; });
    };
    return has(LEkzam) || has(LAsist);
}

int TZachet::StartYrok(const std::array<TTaimYrok, kPeriodCount>& times) const {
    int p = 0;
    for (int next = 1; next < kPeriodCount; ++next) {
        if (FDan.FStart < times[static_cast<std::size_t>(next)].Tn()) break;
        p = next;
    }
    return p;
}

int TZachet::EndYrok(const std::array<TTaimYrok, kPeriodCount>& times) const {
    const int end = FDan.FStart + FDan.FLength;
    for (int i = 0; i <= 9; ++i) {
        const int start = times[static_cast<std::size_t>(i + 1)].Tn();
        if (start == 0 || start > end) return i;
    }
    return kPeriodCount - 1;
}

bool TZachet::RunYrok(int vY, const std::array<TTaimYrok, kPeriodCount>& times) const {
    if (FDan.FDay == 0 || vY < 0 || vY >= kPeriodCount) return false;
    const TTaimYrok& t = times[static_cast<std::size_t>(vY)];
    const int end = FDan.FStart + FDan.FLength;
    return end >= t.Tn() && t.Tk() >= FDan.FStart;
}

std::unique_ptr<TZachet> createZachet(TGryp* gryp, uint8_t types) {
    auto zachet = std::make_unique<TZachet>(gryp, types);
    if (types >= 1 && types <= 4 && gryp != nullptr && gryp->Spisok != nullptr) {
        static constexpr int kBuiltIn[] = {0, TAtribyt::kKonsyltacia, TAtribyt::kDifZachet,
                                           TAtribyt::kEkzamen, TAtribyt::kGosEkzamen};
        if (TAtr* atr = gryp->Spisok->Atribyt.AtrNumer(kBuiltIn[types])) {
            zachet->FAtr = atr;
            ++atr->NoDelete;
        }
    }
    return zachet;
}

}  // namespace zavlin
