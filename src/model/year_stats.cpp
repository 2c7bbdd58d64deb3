// Counts over a week used by the quality measures: holes of groups and
// teachers, badly distributed days, single-lesson days, working days.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "model/year.h"
#include "model/year_internal.h"

namespace zavlin {

using namespace year_detail;

namespace {

// Holes of a sorted set of periods.
std::vector<int> holesOf(const std::vector<int>& periods) {
    std::vector<int> holes;
    for (std::size_t i = 1; i < periods.size(); ++i)
        for (int y = periods[i - 1] + 1; y < periods[i]; ++y) holes.push_back(y);
    return holes;
}

}  // namespace

// --- TFioYr, TAllFioYr

int TFioYr::CountStud() const {
    int students = 0;
    for (const TYr* yr : LPGr) {
        if (yr->Fio() == nullptr) continue;
        const TPredmet* pr = yr->Predmet();
        const int teachers = pr != nullptr ? pr->CountFio(yr->Ne()) : 0;
        const TGryp* gr = pr != nullptr ? pr->Gryp() : nullptr;
        if (gr != nullptr) students += gr->Dan.Ks / std::max(teachers, 1);
    }
    return students;
}

void TAllFioYr::AddYr(TFio* fio, TYr* pGr) {
    TFioYr* entry = TestRunFio(fio);
    if (entry == nullptr) {
        LFioYr.push_back(std::make_unique<TFioYr>(this, fio));
        entry = LFioYr.back().get();
    }
    entry->LPGr.push_back(pGr);
}

TFioYr* TAllFioYr::TestRunFio(const TFio* fio) const {
    for (const auto& entry : LFioYr)
        if (entry->Fio == fio) return entry.get();
    return nullptr;
}

// --- group measures

std::vector<std::pair<int, int>> TGryp::GetLDirkaRasp(int tip, int ne) const {
    std::vector<std::pair<int, int>> cells;
    const TNed* week = GetNed(ne);
    if (week == nullptr) return cells;
    for (int d = 1; d <= kDayCount; ++d)
        for (int y : week->Dey(d)->DirkaToArray(tip)) cells.emplace_back(d, y);
    return cells;
}

namespace {

// The usual count of a day, or 0 when the week is too thin to judge.
int usualDay(const TNed& week, int tip) {
    const int days = week.CountRunDey();
    int occupied = 0;
    for (int d = 1; d <= kDayCount; ++d) occupied += week.Dey(d)->CountYrok(tip);
    if (days < 2 || occupied < 2 * days) return 0;
    return static_cast<int>(std::nearbyint(static_cast<double>(occupied) / days));
}

}  // namespace

std::vector<std::pair<int, int>> TGryp::GetBadYrokRasp(int tip, int ne) const {
    std::vector<std::pair<int, int>> cells;
    const TNed* week = GetNed(ne);
    const int a = week != nullptr ? usualDay(*week, tip) : 0;
    if (a == 0) return cells;
    for (int d = 1; d <= kDayCount; ++d) {
        const std::vector<int> periods = week->Dey(d)->AllYrokToArray(tip);
        for (std::size_t i = static_cast<std::size_t>(a); i < periods.size(); ++i)
            cells.emplace_back(d, periods[i]);
    }
    return cells;
}

std::vector<std::pair<int, int>> TGryp::GetNilYrokRasp(int tip, int ne) const {
    std::vector<std::pair<int, int>> cells;
    const TNed* week = GetNed(ne);
    const int a = week != nullptr ? usualDay(*week, tip) : 0;
    if (a == 0) return cells;
    const int first = Dan.TimeDay;
    const int last = std::min(kPeriodCount - 1, first + (first > 5 ? 1 : 3));
    for (int d = 1; d <= kDayCount; ++d) {
        if (!week->TestRunDey(d) || week->Dey(d)->CountYrok(tip) >= a) continue;
        for (int y = first; y <= last; ++y)
            if (week->GetYrok(tip, d, y) == nullptr) cells.emplace_back(d, y);
    }
    return cells;
}

int TGryp::CountBadNagryzkaOfNed(int tip, int ne) const {
    return static_cast<int>(
        std::min(GetBadYrokRasp(tip, ne).size(), GetNilYrokRasp(tip, ne).size()));
}

void TGryp::DelAllObForPredmet(TPredmet* pr) {
    TAllRasp* god = God();
    for (int ne = 1; ne <= kWeeks; ++ne) {
        bool left = false;
        for (const auto& fp : pr->GetLFio(ne))
            if (TOb* ob = fp->Ob) {
                ob->DelFioPredmet(ob->GetIndexFio(fp.get()));
                left = true;
            }
        if (left && god != nullptr) god->TestAfterDelOb(ne);
    }
}

bool TGryp::AssignRasp(TGryp& grp) {
    if (&grp == this) return true;
    const std::vector<uint8_t> blob = grp.WriteRasp();
    const bool ok = ReadRasp(blob);
    // The copy joins no union: those are the source's.
    for (const auto& pr : LPredmet)
        for (auto& list : pr->mLFio)
            for (auto& fp : list)
                if (TOb* ob = fp->Ob) ob->DelFioPredmet(ob->GetIndexFio(fp.get()));
    if (TAllRasp* god = God()) god->TestAfterDelObAllNed();
    OnModifi(this);
    return ok;
}

// --- container: one moment

bool TAllRasp::CompareYrok(const TYrok* a, const TYrok* b) {
    if (a == nullptr || b == nullptr) return false;
    if (a->CountYrDpZm() != b->CountYrDpZm()) return false;
    for (int i = 0; i < a->CountYrDpZm(); ++i) {
        const TYr* x = a->YrDpZm(i);
        const TYr* y = b->YrDpZm(i);
        if (x->Predmet() == nullptr || y->Predmet() == nullptr) return false;
        if (x->YrName() != y->YrName() || x->Fio() != y->Fio()) return false;
    }
    return true;
}

TAllFioYr TAllRasp::GetFioOfGryp(int tip, int ne, int d, int y) const {
    TAllFioYr all;
    for (int g = 0; g < CountGryp(); ++g) {
        TAllFioYr one = GetFioOfGrypIndx(tip, g, ne, d, y);
        for (const auto& entry : one.LFioYr)
            for (TYr* yr : entry->LPGr) all.AddYr(entry->Fio, yr);
    }
    return all;
}

TAllFioYr TAllRasp::GetFioOfGrypIndx(int tip, int indxGryp, int ne, int d, int y) const {
    TAllFioYr all;
    if (indxGryp < 0 || indxGryp >= CountGryp()) return all;
    const TNed* week = LGryp[static_cast<std::size_t>(indxGryp)]->GetNed(ne);
    const TYrok* yrok = week != nullptr ? week->GetYrok(tip, d, y) : nullptr;
    if (yrok == nullptr) return all;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
        TYr* yr = yrok->YrDpZm(i);
        if (yr->Held() && yr->Fio() != nullptr) all.AddYr(yr->Fio(), yr);
    }
    return all;
}

// --- container: a teacher's week

std::vector<int> TAllRasp::GetNFioOfDey(int tip, int nFio, int ne, int d) const {
    std::vector<int> periods;
    for (int y = 0; y < kPeriodCount; ++y) {
        std::vector<TGrypYr> lessons;
        GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
        if (!lessons.empty()) periods.push_back(y);
    }
    return periods;
}

std::vector<TCell> TAllRasp::GetNFioOfNe(int tip, int nFio, int ne) const {
    std::vector<TCell> cells;
    for (int d = 1; d <= kDayCount; ++d)
        for (int y : GetNFioOfDey(tip, nFio, ne, d)) cells.emplace_back(d, y);
    return cells;
}

int TAllRasp::FirstYr(int tip, int nFio, int ne, int d) const {
    const std::vector<int> periods = GetNFioOfDey(tip, nFio, ne, d);
    return periods.empty() ? -1 : periods.front();
}

int TAllRasp::LastYr(int tip, int nFio, int ne, int d) const {
    const std::vector<int> periods = GetNFioOfDey(tip, nFio, ne, d);
    return periods.empty() ? -1 : periods.back();
}

TYr* TAllRasp::FirstPG(int tip, int nFio, int ne, int d) const {
    const int y = FirstYr(tip, nFio, ne, d);
    if (y < 0) return nullptr;
    std::vector<TGrypYr> lessons;
    GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
    return lessons.front().yr;
}

TYr* TAllRasp::LastPG(int tip, int nFio, int ne, int d) const {
    const int y = LastYr(tip, nFio, ne, d);
    if (y < 0) return nullptr;
    std::vector<TGrypYr> lessons;
    GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
    return lessons.back().yr;
}

bool TAllRasp::FirstLastPg(int tip, int nFio, int ne, int d, int& first, int& last) const {
    const std::vector<int> periods = GetNFioOfDey(tip, nFio, ne, d);
    if (periods.empty()) return false;
    first = periods.front();
    last = periods.back();
    return true;
}

std::vector<int> TAllRasp::GetDirkaNFioOfDey(int tip, int nFio, int ne, int d) const {
    return holesOf(GetNFioOfDey(tip, nFio, ne, d));
}

int TAllRasp::CountDirkaNFioOfNed(int tip, int nFio, int ne) const {
    int holes = 0;
    for (int d = 1; d <= kDayCount; ++d)
        holes += static_cast<int>(GetDirkaNFioOfDey(tip, nFio, ne, d).size());
    return holes;
}

int TAllRasp::CountYrNFioOfDey(int tip, int nFio, int ne, int d) const {
    int count = 0;
    for (int y = 0; y < kPeriodCount; ++y) {
        std::vector<TGrypYr> lessons;
        GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
        count += static_cast<int>(lessons.size());
    }
    return count;
}

int TAllRasp::CountYrokNFioOfDey(int tip, int nFio, int ne, int d) const {
    return static_cast<int>(GetNFioOfDey(tip, nFio, ne, d).size());
}

int TAllRasp::CountOdinYrokFioOfNed(int tip, int nFio, int ne) const {
    int days = 0;
    for (int d = 1; d <= kDayCount; ++d)
        if (CountYrokNFioOfDey(tip, nFio, ne, d) == 1) ++days;
    return days;
}

int TAllRasp::CountMinRunDeyFioOfNed(int nFio, int ne) const {
    const TFio* fio = FioNumer(nFio);
    const int rday = fio != nullptr ? fio->Rday() : TFio::kDefaultRday;
    if (rday == 6) return 5;
    const int m = GetMimRunDey(nFio, ne, 4);
    return rday < 5 && rday > m ? rday : m;
}

// --- container: week totals

int TAllRasp::CountDirkaIndxGrypOfNed(int tip, int indxGryp, int ne) const {
    if (indxGryp < 0 || indxGryp >= CountGryp()) return 0;
    const TNed* week = LGryp[static_cast<std::size_t>(indxGryp)]->GetNed(ne);
    return week != nullptr ? week->CountDirka(tip) : 0;
}

int TAllRasp::CountDirkaAllGrypOfNed(int tip, int ne) const {
    int holes = 0;
    for (int g = 0; g < CountGryp(); ++g) holes += CountDirkaIndxGrypOfNed(tip, g, ne);
    return holes;
}

int TAllRasp::CountDirkaAllFioOfNed(int tip, int ne) const {
    if (!validMoment(tip, ne, 1, 0)) return 0;
    // One pass over the groups: asking teacher by teacher would walk every
    // group once per teacher.
    std::unordered_map<int, std::size_t> slot;
    for (std::size_t i = 0; i < LFio.size(); ++i) slot.emplace(LFio[i]->N, i);
    std::vector<std::array<uint16_t, kDayCount + 1>> busy(LFio.size());
    for (const auto& gr : LGryp)
        if (const TNed* week = gr->GetNed(ne))
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    forEachYr(week->GetYrok(tip, d, y), [&](const TYr* yr) {
                        if (!yr->Held() || yr->Fio() == nullptr) return;
                        auto it = slot.find(yr->Fio()->N);
                        if (it != slot.end()) busy[it->second][d] |= uint16_t(1u << y);
                    });
    int holes = 0;
    for (const auto& fio : LFio)
        for (int d = 1; d <= kDayCount; ++d) {
            const uint16_t m = busy[slot.at(fio->N)][d];
            if (m != 0)
                holes += (15 - std::countl_zero(m)) - std::countr_zero(m) + 1 - std::popcount(m);
        }
    return holes;
}

int TAllRasp::CountBadNagryzkaGrypOfNed(int tip, int indxGryp, int ne) const {
    if (indxGryp < 0 || indxGryp >= CountGryp()) return 0;
    return LGryp[static_cast<std::size_t>(indxGryp)]->CountBadNagryzkaOfNed(tip, ne);
}

int TAllRasp::CountBadNagryzkaAllGrypOfNed(int tip, int ne) const {
    int bad = 0;
    for (int g = 0; g < CountGryp(); ++g) bad += CountBadNagryzkaGrypOfNed(tip, g, ne);
    return bad;
}

}  // namespace zavlin
