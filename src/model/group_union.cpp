// Unions of teacher assignments taught together (TOb).
#include <algorithm>

#include "model/group.h"

namespace zavlin {

// --- TOb

void TOb::AddFio(TFioPredmet* fp) {
    if (fp == nullptr || GetIndexFio(fp) >= 0) return;
    LFioPredmet.push_back(fp);
    fp->Ob = this;
    fp->Dan.Nob = FN;
    if (fp->OnModifiEvent()) fp->OnModifiEvent()(fp);
}

void TOb::DelFioPredmet(int indx) {
    if (indx < 0 || indx >= CountFioPredmet()) return;
    TFioPredmet* fp = LFioPredmet[static_cast<std::size_t>(indx)];
    LFioPredmet.erase(LFioPredmet.begin() + indx);
    fp->Ob = nullptr;
    fp->Dan.Nob = 0;
    if (fp->OnModifiEvent()) fp->OnModifiEvent()(fp);
}

int TOb::GetIndexFio(const TFioPredmet* fp) const {
    auto it = std::find(LFioPredmet.begin(), LFioPredmet.end(), fp);
    return it == LFioPredmet.end() ? -1 : static_cast<int>(it - LFioPredmet.begin());
}

namespace {

template <typename F>
std::string joinDistinctNames(const std::vector<TFioPredmet*>& members, F name) {
    std::vector<std::string> seen;
    std::string out;
    for (const TFioPredmet* fp : members) {
        std::string text = name(*fp);
        if (std::find(seen.begin(), seen.end(), text) != seen.end()) continue;
        seen.push_back(text);
        if (!out.empty()) out += ",";
        out += text;
    }
    return out;
}

}  // namespace

std::string TOb::NamePredmet() const {
    return joinDistinctNames(LFioPredmet, [](const TFioPredmet& fp) {
        return fp.Predmet() != nullptr ? fp.Predmet()->Name() : std::string();
    });
}

std::string TOb::NameGryp() const {
    return joinDistinctNames(LFioPredmet, [](const TFioPredmet& fp) {
        return fp.Predmet() != nullptr && fp.Predmet()->Gryp() != nullptr
                   ? fp.Predmet()->Gryp()->Name()
                   : std::string();
    });
}

std::string TOb::NameFio() const {
    return joinDistinctNames(LFioPredmet, [](const TFioPredmet& fp) { return fp.Name(); });
}

std::string TOb::NamePredmetGrypFio() const {
    return NamePredmet() + " " + NameGryp() + " " + NameFio();
}

int TOb::CountMaxOb() const {
    int most = 0;
    for (const TFioPredmet* fp : LFioPredmet) most = std::max(most, fp->CountYr(kSetkaPlan, 0));
    return most;
}

int TOb::CountYr(int tip, int g, int k) const {
    std::vector<TYr*> lessons;
    ObYrToList(tip, g, k, lessons);
    return static_cast<int>(
        std::count_if(lessons.begin(), lessons.end(), [](const TYr* yr) { return yr->Held(); }));
}

void TOb::ObYrToList(int vTip, int vNDay, int vNYrok, std::vector<TYr*>& vL) const {
    for (const TFioPredmet* fp : LFioPredmet)
        for (const auto& yr : fp->LYr)
            if (yr->Yrok() != nullptr && yr->Dan.tip == vTip && yr->De() == vNDay &&
                yr->Y() == vNYrok)
                vL.push_back(yr.get());
}

}  // namespace zavlin
