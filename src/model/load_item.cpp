// The load items of a week (TYrokKorzina) and of its substitutions.
#include <algorithm>

#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/timetable.h"

namespace zavlin {

// --- TYrokKorzina

TYrokKorzina::TYrokKorzina(TNed* vNed, uint8_t setka, TPredmet* predmet)
    : TDan(vNed), FSetka(setka), FPredmet(predmet), FNed(vNed) {
    if (predmet != nullptr) Dan.N = predmet->Dan.N;
}

TYrokKorzina::~TYrokKorzina() = default;

const std::vector<std::unique_ptr<TFioPredmet>>& TYrokKorzina::LFio() const {
    static const TLFio none;
    if (FPredmet == nullptr || FNed == nullptr || FNed->Ne() < 1 || FNed->Ne() > kWeeks)
        return none;
    return FPredmet->GetLFio(FNed->Ne());
}

std::string TYrokKorzina::Name() const {
    std::string text = FPredmet != nullptr && FPredmet->YrName() != nullptr
                           ? FPredmet->YrName()->Name()
                           : std::string("Предмет отменён");
    for (const auto& fp : LFio())
        if (fp->Fio() != nullptr) text += " " + fp->Fio()->Name();
    return text;
}

int TYrokKorzina::CountMaxFioPredmet(const TFioPredmet*) const {
    return Dan.ky;
}

int TYrokKorzina::CountPlanYrForFio(const TFioPredmet* fi) const {
    return Dan.ky - (fi != nullptr ? fi->CountOtmenYr(FSetka) : 0);
}

int TYrokKorzina::CountPlanYr() const {
    const auto& fios = LFio();
    if (fios.empty()) return Dan.ky;
    int least = fios.front()->CountOtmenYr(FSetka);
    for (const auto& fp : fios) least = std::min(least, fp->CountOtmenYr(FSetka));
    return Dan.ky - least;
}

// --- TYrokKorzinaZamena and TZmKorzina

TYrokKorzinaZamena::TYrokKorzinaZamena(TNed* vNed, TPredmet* predmet)
    : TYrokKorzina(vNed, kSetkaZamena, predmet) {}

TYrokKorzinaZamena::~TYrokKorzinaZamena() = default;

std::string TYrokKorzinaZamena::Name() const {
    std::string text = FPredmet != nullptr && FPredmet->YrName() != nullptr
                           ? FPredmet->YrName()->Name()
                           : std::string("Предмет отменён");
    for (const auto& zk : LZmKorzina)
        if (zk->FFioPredmet != nullptr && zk->FFioPredmet->Fio() != nullptr)
            text += " " + zk->FFioPredmet->Fio()->Name();
    return text;
}

int TYrokKorzinaZamena::CountMaxYrForFioPredmet() const {
    int most = 0;
    for (const auto& zk : LZmKorzina) most = std::max<int>(most, zk->FCountZm);
    return most;
}

int TYrokKorzinaZamena::CountMaxFioPredmet(const TFioPredmet* vFioPredmet) const {
    if (vFioPredmet == nullptr) return Dan.ky;
    const TZmKorzina* zk = FindZmKorzina(vFioPredmet);
    return zk != nullptr ? zk->FCountZm : 0;
}

int TYrokKorzinaZamena::CountPlanYrForFio(const TFioPredmet* fi) const {
    if (fi == nullptr) return Dan.ky;
    return CountMaxFioPredmet(fi) - fi->CountZm();
}

TZmKorzina* TYrokKorzinaZamena::FindZmKorzina(const TFioPredmet* fp) const {
    for (const auto& zk : LZmKorzina)
        if (zk->FFioPredmet == fp) return zk.get();
    return nullptr;
}

TZmKorzina* TYrokKorzinaZamena::CreateZmKorzina(TFioPredmet* fp) {
    LZmKorzina.push_back(std::make_unique<TZmKorzina>(this, fp));
    return LZmKorzina.back().get();
}

void TYrokKorzinaZamena::AddZmKorzina(TFioPredmet* vFioPredmet) {
    if (vFioPredmet == nullptr) return;
    TZmKorzina* zk = FindZmKorzina(vFioPredmet);
    if (zk == nullptr) zk = CreateZmKorzina(vFioPredmet);
    if (zk->FCountZm < 255) ++zk->FCountZm;
    RecountKy();
}

void TYrokKorzinaZamena::AddZmKorzinaAllFio() {
    for (const auto& fp : LFio()) AddZmKorzina(fp.get());
}

void TYrokKorzinaZamena::DecZmKorzina(TFioPredmet* vFioPredmet) {
    for (std::size_t i = LZmKorzina.size(); i-- > 0;) {
        TZmKorzina& zk = *LZmKorzina[i];
        if (vFioPredmet != nullptr && zk.FFioPredmet != vFioPredmet) continue;
        if (zk.FCountZm > 0) --zk.FCountZm;
        if (zk.FCountZm == 0) FreeZmKorzina(static_cast<int>(i));
    }
    RecountKy();
}

void TYrokKorzinaZamena::FreeZmKorzina(int indx) {
    if (indx < 0 || indx >= CountZmKorzina()) return;
    LZmKorzina.erase(LZmKorzina.begin() + indx);
}

void TYrokKorzinaZamena::ClearLZmKorzina() {
    LZmKorzina.clear();
    RecountKy();
}

int TYrokKorzinaZamena::CountAllYr() const {
    int sum = 0;
    for (const auto& zk : LZmKorzina) sum += zk->FCountZm;
    return sum;
}

void TYrokKorzinaZamena::RecountKy() {
    Dan.ky = static_cast<uint8_t>(CountMaxYrForFioPredmet());
}

TZmKorzina::TZmKorzina(TYrokKorzinaZamena* owner, TFioPredmet* fp)
    : TDan(owner), FYrokKorzinaZamena(owner), FFioPredmet(fp) {
    if (fp != nullptr) fp->FZmKorzina = this;
}

TZmKorzina::~TZmKorzina() {
    if (FFioPredmet != nullptr && FFioPredmet->FZmKorzina == this)
        FFioPredmet->FZmKorzina = nullptr;
}

std::string TZmKorzina::Name() const {
    std::string text = std::to_string(FCountZm);
    if (FFioPredmet != nullptr && FFioPredmet->Fio() != nullptr)
        text += " " + FFioPredmet->Fio()->Name();
    return text;
}

}  // namespace zavlin
