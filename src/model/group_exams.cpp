// A group's examination entries and credit records, and the credit lookups
// over all groups.
#include <algorithm>

#include "model/group.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

TEkzamen* TGryp::AddEkzamen(int ne, int de, int nAtr, int kh00, TPredmet* pr, TFio* fi) {
    if (de < 1 || de > kDayCount) return nullptr;
    TENed* eNed = SetENed(ne);
    if (eNed == nullptr) return nullptr;
    TEkzamen* e = eNed->mDey[static_cast<std::size_t>(de)]->AddEkzamen();
    e->Dan.Kh00 = static_cast<uint16_t>(std::clamp(kh00, 0, 65535));
    e->SetAtr(nAtr);
    e->SetPredmet(pr);
    e->SetFio(fi);
    OnModifi(this);
    return e;
}

void TGryp::DelEkzamen(int ne, int de, int indx) {
    TENed* eNed = GetENed(ne);
    if (eNed == nullptr || de < 1 || de > kDayCount) return;
    eNed->mDey[static_cast<std::size_t>(de)]->DelEkzamen(indx);
    if (eNed->CountEkzamen() == 0) {
        LENed.erase(std::find(LENed.begin(), LENed.end(), eNed));
        mENed[static_cast<std::size_t>(ne)].reset();
    }
    OnModifi(this);
}

TZachet* TGryp::CreateZachet(uint8_t vTypes) {
    LZachet.push_back(createZachet(this, vTypes));
    OnModifi(this);
    return LZachet.back().get();
}

void TGryp::DelZachet(int vIndexZachet) {
    if (vIndexZachet < 0 || vIndexZachet >= CountZachet()) return;
    LZachet.erase(LZachet.begin() + vIndexZachet);
    OnModifi(this);
}

void TGryp::DelAllZachetForPredmet(const TPredmet* vPredmet) {
    const auto before = LZachet.size();
    LZachet.erase(std::remove_if(LZachet.begin(), LZachet.end(),
                                 [&](const auto& z) { return z->FPredmet == vPredmet; }),
                  LZachet.end());
    if (LZachet.size() != before) OnModifi(this);
}

void TGryp::SortZachet() {
    std::stable_sort(LZachet.begin(), LZachet.end(), [](const auto& a, const auto& b) {
        if (a->FDan.FNe != b->FDan.FNe) return a->FDan.FNe < b->FDan.FNe;
        return a->FDan.FType < b->FDan.FType;
    });
}

namespace {

bool matches(const TZachet& z, int vAtrN, int ne, int d, int y, int vFioN,
             const std::array<TTaimYrok, kPeriodCount>& times) {
    if (z.Day() == 0 || z.Ne() != ne || z.FAtr == nullptr || z.FAtr->N != vAtrN) return false;
    if (d > 0 && z.Day() != d) return false;
    if (y != -1 && z.StartYrok(times) != y) return false;
    return vFioN == 0 || z.RunFioNumber(vFioN);
}

const std::array<TTaimYrok, kPeriodCount>& timesOf(const TGryp& g) {
    static const std::array<TTaimYrok, kPeriodCount> defaults = defaultLessonTimes();
    return g.Spisok != nullptr ? g.Spisok->TaimYrok : defaults;
}

// Earlier: an earlier day, or the same day and an earlier start.
bool earlier(const TZachet* a, const TZachet* b) {
    if (a->Day() != b->Day()) return a->Day() < b->Day();
    return a->StartTime() < b->StartTime();
}

}  // namespace

void TGryp::ZachetToList(std::vector<TZachet*>& vL, int vAtrN, int ne, int d, int y,
                         int vFioN) const {
    for (const auto& z : LZachet)
        if (matches(*z, vAtrN, ne, d, y, vFioN, timesOf(*this))) vL.push_back(z.get());
}

std::string TGryp::ZachetStr(int vNed, int vDey, int vYrok) const {
    std::string out;
    for (const auto& z : LZachet) {
        if (z->Ne() != vNed || z->Day() != vDey || !z->RunYrok(vYrok, timesOf(*this))) continue;
        if (!out.empty()) out += ",";
        out += z->NameOfTypes();
    }
    return out;
}

TZachet* TGryp::FirsZachet(int vAtrN, int ne) const {
    std::vector<TZachet*> found;
    ZachetToList(found, vAtrN, ne, 0, -1, 0);
    return found.empty() ? nullptr : *std::min_element(found.begin(), found.end(), earlier);
}

TZachet* TGryp::LastZachet(int vAtrN, int ne) const {
    std::vector<TZachet*> found;
    ZachetToList(found, vAtrN, ne, 0, -1, 0);
    return found.empty() ? nullptr : *std::max_element(found.begin(), found.end(), earlier);
}

TZachet* TGryp::ZachetNedDeyYrok(int vAtrN, int ne, int d, int y) const {
    for (const auto& z : LZachet)
        if (matches(*z, vAtrN, ne, d, -1, 0, timesOf(*this)) && z->RunYrok(y, timesOf(*this)))
            return z.get();
    return nullptr;
}

// --- over all groups

void TAllRasp::ZachetNedDeyYrokFio(std::vector<TZachet*>& vL, int vAtrN, int ne, int d, int y,
                                   const TFio* vFio) const {
    if (vFio == nullptr) return;
    for (const auto& gr : LGryp) gr->ZachetToList(vL, vAtrN, ne, d, y, vFio->N);
}

TZachet* TAllRasp::FirsFioZachet(int vAtrN, int ne, const TFio* vFio) const {
    std::vector<TZachet*> found;
    ZachetNedDeyYrokFio(found, vAtrN, ne, 0, -1, vFio);
    return found.empty() ? nullptr : *std::min_element(found.begin(), found.end(), earlier);
}

TZachet* TAllRasp::LastFioZachet(int vAtrN, int ne, const TFio* vFio) const {
    std::vector<TZachet*> found;
    ZachetNedDeyYrokFio(found, vAtrN, ne, 0, -1, vFio);
    return found.empty() ? nullptr : *std::max_element(found.begin(), found.end(), earlier);
}

}  // namespace zavlin
