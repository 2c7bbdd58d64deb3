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

void TEkzamen::SetAtr(int vNAtr) {
    SetAtr(Spisok != nullptr ? Spisok->Atribyt.AtrNumer(vNAtr) : nullptr);
}

int TEkzamen::GetIndex() const {
    if (EDey == nullptr) return -1;
    for (std::size_t i = 0; i < EDey->LEkz.size(); ++i)
        if (EDey->LEkz[i].get() == this) return static_cast<int>(i);
    return -1;
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

TEkzamen* TEDey::AddEkzamen() {
    LEkz.push_back(std::make_unique<TEkzamen>(this));
    LEkz.back()->Dan.de = static_cast<uint8_t>(N);
    return LEkz.back().get();
}

void TEDey::DelEkzamen(int indx) {
    if (indx < 0 || indx >= CountEkzamen()) return;
    LEkz.erase(LEkz.begin() + indx);
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
    std::string text = NamePredmet() + " " + NameFio();
    if (FAyd != nullptr) text += " ауд. " + FAyd->Name();
    return text;
}

namespace {

void modified(TZachet& z) {
    if (z.FGryp != nullptr) z.FGryp->OnModifi(&z);
}

}  // namespace

void TZachet::SetNe(int ne) {
    FDan.FNe = static_cast<uint8_t>(ne);
    modified(*this);
}

void TZachet::SetDay(int day) {
    if (day == FDan.FDay) return;
    FDan.FDay = static_cast<uint8_t>(day);
    if (day == 0) FDan.FStart = 0;
    SetAyd(nullptr);
    modified(*this);
}

void TZachet::SetStartTime(int minutes) {
    FDan.FStart = static_cast<uint16_t>(std::clamp(minutes, 0, 24 * 60 - 1));
    modified(*this);
}

void TZachet::SetLengthTime(int minutes) {
    FDan.FLength = static_cast<uint16_t>(std::clamp(minutes, 0, 24 * 60));
    modified(*this);
}

void TZachet::SetDan(const AZachet& vDan) {
    const uint16_t oldRoom = FDan.FAyd;
    FDan = vDan;
    FDan.FAyd = oldRoom;
    if (vDan.FAyd != oldRoom) {
        TAyd* room = nullptr;
        if (vDan.FAyd != 0 && FGryp != nullptr && FGryp->Spisok != nullptr)
            for (const auto& a : FGryp->Spisok->LAyd)
                if (a->N == vDan.FAyd) room = a.get();
        SetAyd(room);
    }
    modified(*this);
}

std::string TZachet::StartStr() const {
    return minutesToClock(FDan.FStart);
}

std::string TZachet::LengthStr() const {
    const int h = FDan.FLength / 60;
    const int m = FDan.FLength % 60;
    return std::to_string(h) + ":" + (m < 10 ? "0" : "") + std::to_string(m);
}

int TZachet::Kh00() const {
    return minutesToKh00(FDan.FLength, true);
}

std::string TZachet::NameOfTypes() const {
    return FAtr != nullptr ? FAtr->Name() : std::string();
}

std::string TZachet::NamePredmet() const {
    return NameOfTypes() + " " + (FPredmet != nullptr ? FPredmet->Name() : std::string());
}

std::string TZachet::NameFio() const {
    std::string out;
    for (const TFio* f : LEkzam) out += (out.empty() ? "" : ",") + f->Name();
    if (!LAsist.empty()) {
        std::string as;
        for (const TFio* f : LAsist) as += (as.empty() ? "" : ",") + f->Name();
        out += " ас. " + as;
    }
    return out;
}

int TZachet::GetIndex() const {
    if (FGryp == nullptr) return -1;
    for (std::size_t i = 0; i < FGryp->LZachet.size(); ++i)
        if (FGryp->LZachet[i].get() == this) return static_cast<int>(i);
    return -1;
}

void TZachet::ClearLEkzam() {
    for (TFio* fio : LEkzam) --fio->NoDelete;
    LEkzam.clear();
}

void TZachet::ClearLAsist() {
    for (TFio* fio : LAsist) --fio->NoDelete;
    LAsist.clear();
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
    if (FGryp != nullptr) FGryp->OnModifi(this);
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
    ClearLEkzam();
    ClearLAsist();
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

namespace {

void takeBuiltIn(TZachet& z, int n) {
    if (z.FGryp == nullptr || z.FGryp->Spisok == nullptr) return;
    if (TAtr* atr = z.FGryp->Spisok->Atribyt.AtrNumer(n)) {
        z.FAtr = atr;
        ++atr->NoDelete;
    }
}

}  // namespace

TKonsZh::TKonsZh(TGryp* gryp) : TZachet(gryp, 1) {
    takeBuiltIn(*this, TAtribyt::kKonsyltacia);
}

TDifZh::TDifZh(TGryp* gryp) : TZachet(gryp, 2) {
    takeBuiltIn(*this, TAtribyt::kDifZachet);
}

TEkzamenZh::TEkzamenZh(TGryp* gryp) : TZachet(gryp, 3) {
    takeBuiltIn(*this, TAtribyt::kEkzamen);
}

TGEkzamenZh::TGEkzamenZh(TGryp* gryp) : TZachet(gryp, 4) {
    takeBuiltIn(*this, TAtribyt::kGosEkzamen);
}

std::unique_ptr<TZachet> createZachet(TGryp* gryp, uint8_t types) {
    switch (types) {
        case 1:
            return std::make_unique<TKonsZh>(gryp);
        case 2:
            return std::make_unique<TDifZh>(gryp);
        case 3:
            return std::make_unique<TEkzamenZh>(gryp);
        case 4:
            return std::make_unique<TGEkzamenZh>(gryp);
        default:
            return std::make_unique<TZachet>(gryp, types);
    }
}

int minutesToKh00(int minutes, bool round) {
    if (minutes <= 0) return 0;
    int h = minutes / 45 * 100;
    if (minutes % 45 != 0) {
        int r = minutes % 45 * 100 / 45;
        if (round) r = r / 10 * 10 + (r % 10 > 4 ? 10 : 0);
        h += r;
    }
    return h;
}

}  // namespace zavlin
