#include "model/group.h"

#include <algorithm>

#include "base/datetime.h"
#include "base/text.h"
#include "model/group_internal.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

using namespace group_detail;

namespace {

uint64_t gDetachedGeneration = 0;

std::string weekDateText(const TGryp& g, int ne) {
    const TDNed* week = g.Spisok != nullptr ? g.Spisok->AllNed.DNed(ne) : nullptr;
    return week != nullptr ? week->GetStrDateNed() : std::to_string(ne);
}

}  // namespace

// --- TGryp

TGryp::TGryp(TSpisok* spisok) : TDan(spisok) {
    FModifiRaspEvent = TModifiRaspEvent::Bind<TGryp, &TGryp::OnModifi>(this);
    if (spisok != nullptr && spisok->YGod != 0) Dan.DateSemm2 = encodeDate(spisok->YGod + 1, 2, 1);
}

TGryp::~TGryp() {
    // Weeks before subjects: load items point at assignments.
    LNed.clear();
    for (auto& week : mNed) week.reset();
    LZachet.clear();
    LENed.clear();
    for (auto& week : mENed) week.reset();
    LPredmet.clear();
}

uint64_t& TGryp::spisokGeneration() {
    return Spisok != nullptr ? Spisok->RaspGeneration : gDetachedGeneration;
}

void TGryp::SetName(const std::string& value) {
    FName = value.size() > kMaxName ? value.substr(0, kMaxName) : value;
}

uint8_t TGryp::DefaultYd() const {
    uint8_t yd = 1;
    for (int d = 1; d <= kDayCount; ++d)
        if (Dan.arRDeyNed[static_cast<std::size_t>(d - 1)] != 0)
            yd |= static_cast<uint8_t>(1u << d);
    return yd;
}

TNed* TGryp::SetNed(int ne) {
    if (!validWeek(ne)) return nullptr;
    auto& slot = mNed[static_cast<std::size_t>(ne)];
    if (!slot) {
        slot = std::make_unique<TNed>(this, ne);
        auto at =
            std::find_if(LNed.begin(), LNed.end(), [&](const TNed* w) { return w->Ne() > ne; });
        LNed.insert(at, slot.get());
        OnModifi(this);
    }
    return slot.get();
}

bool TGryp::TestNed(int ne) const {
    const TNed* week = GetNed(ne);
    return week != nullptr && week->Dan.Yd != 0;
}

bool TGryp::DelNed(int ne, bool UserDialog) {
    TNed* week = GetNed(ne);
    if (week == nullptr) return true;
    if (UserDialog && week->CountYrokKorzina(2) > 0) {
        if (Spisok == nullptr ||
            !Spisok->AskUser("Внимание! На неделю: " + weekDateText(*this, ne) +
                             " у группы: " + FName + " распределена нагрузка. Удалить?")) {
            if (Spisok != nullptr) Spisok->ShowUser("Удаление отменено!");
            return false;
        }
    }
    for (const auto& pr : LPredmet) pr->DelAllFioPredmet(ne, false);
    week->DelAllYrokKorzina(false);
    LNed.erase(std::find(LNed.begin(), LNed.end(), week));
    mNed[static_cast<std::size_t>(ne)].reset();
    OnModifi(this);
    return true;
}

uint8_t TGryp::GetNedDey(int ne) const {
    const TNed* week = GetNed(ne);
    return week != nullptr ? week->Dan.Yd : 0;
}

void TGryp::SetNedDey(int ne, uint8_t yd) {
    if (TNed* week = SetNed(ne)) week->SetYhDey(yd);
}

int TGryp::CountRunDey(int ne) const {
    const TNed* week = GetNed(ne);
    return week != nullptr ? week->CountRunDey() : 0;
}

std::string TGryp::CountRunDeyStr(int ne) const {
    return std::to_string(CountRunDey(ne));
}

bool TGryp::TestRunDey(int ne, int dey) const {
    const TNed* week = GetNed(ne);
    return week != nullptr && week->TestRunDey(dey);
}

int TGryp::CountRunDeyDefailt() const {
    int count = 0;
    for (uint8_t d : Dan.arRDeyNed)
        if (d != 0) ++count;
    return count == 0 || count == 7 ? 6 : count;
}

void TGryp::ClearLNed() {
    // A week's lessons belong to that week's assignments.
    for (const auto& pr : LPredmet)
        for (auto& list : pr->mLFio)
            for (auto& fp : list) fp->LYr.clear();
    LNed.clear();
    for (auto& week : mNed) week.reset();
}

TPredmet* TGryp::CreatePredmet(TYrName* vYrName) {
    auto* pr = new TPredmet(this, vYrName);
    AddPredmet(pr);
    return GetIndexPredmet(pr) >= 0 ? pr : nullptr;
}

void TGryp::AddPredmet(TPredmet* pr) {
    if (pr == nullptr) return;
    const bool listed = GetIndexPredmet(pr) >= 0;
    std::unique_ptr<TPredmet> owned(listed ? nullptr : pr);
    if (pr->Dan.N == 0) {
        int n = 1;
        while (n <= 255 && FindPredmet(n) != nullptr) ++n;
        if (n > 255) return;  // a byte numbers the subjects of a group
        pr->Dan.N = static_cast<uint8_t>(n);
    }
    if (!listed) LPredmet.push_back(std::move(owned));
    OnModifi(this);
}

int TGryp::GetIndexPredmet(const TPredmet* pr) const {
    return indexIn(LPredmet, pr);
}

TPredmet* TGryp::FindPredmet(int vPredmetN) const {
    for (const auto& pr : LPredmet)
        if (pr->Dan.N == vPredmetN) return pr.get();
    return nullptr;
}

TPredmet* TGryp::FindFirstPredmetForYrName(int nYrName) const {
    for (const auto& pr : LPredmet)
        if (pr->Dan.NYrName == nYrName) return pr.get();
    return nullptr;
}

bool TGryp::DelPredmet(int indx, bool UserDialog) {
    if (indx < 0 || indx >= CountPredmet()) return false;
    TPredmet* pr = LPredmet[static_cast<std::size_t>(indx)].get();
    if (UserDialog) {
        bool placed = false;
        for (const auto& list : pr->mLFio)
            for (const auto& fp : list)
                for (const auto& yr : fp->LYr) placed = placed || yr->Yrok() != nullptr;
        if (placed && (Spisok == nullptr || !Spisok->AskUser("Удалять пары из расписания?")))
            return false;
    }
    for (int ne = 1; ne <= kWeeks; ++ne) {
        pr->DelAllFioPredmet(ne, false);
        if (TNed* week = GetNed(ne))
            for (int setka = 0; setka < 3; ++setka)
                if (TYrokKorzina* item = week->FindYrokKorzina(setka, pr))
                    week->FreeYrokKorzina(item);
    }
    // Its examination entries and credit records go with it.
    for (TENed* eNed : std::vector<TENed*>(LENed)) {
        for (int d = 1; d <= kDayCount; ++d) {
            auto& entries = eNed->mDey[static_cast<std::size_t>(d)]->LEkz;
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [&](const auto& e) { return e->Predmet == pr; }),
                          entries.end());
        }
        if (eNed->CountEkzamen() == 0) {
            LENed.erase(std::find(LENed.begin(), LENed.end(), eNed));
            mENed[static_cast<std::size_t>(eNed->Ne())].reset();
        }
    }
    LZachet.erase(std::remove_if(LZachet.begin(), LZachet.end(),
                                 [&](const auto& z) { return z->FPredmet == pr; }),
                  LZachet.end());
    LPredmet.erase(LPredmet.begin() + indx);
    OnModifi(this);
    return true;
}

void TGryp::DelAllPredmet() {
    while (!LPredmet.empty()) DelPredmet(CountPredmet() - 1, false);
}

void TGryp::MovePredmetNed(int setka, int ne1, int ne2, int indexPredmet) {
    if (indexPredmet < 0 || indexPredmet >= CountPredmet() || GetNed(ne2) == nullptr) return;
    TPredmet* pr = LPredmet[static_cast<std::size_t>(indexPredmet)].get();
    if (pr->CountPredmetNe(setka, ne1) == 0) return;
    if (pr->DelPredmetNe(setka, ne1, false)) pr->AddPredmetNe(setka, ne2);
}

void TGryp::CopyAllPredmetNedToNed(int setka, int ne1, int ne2, bool noRunDey) {
    if (GetNed(ne1) == nullptr || GetNed(ne2) == nullptr || ne1 == ne2) return;
    for (const auto& pr : LPredmet) {
        pr->CopyFioNedToNed(setka, ne1, ne2, false);
        pr->CopyHasNedToNed(setka, ne1, ne2, false);
        if (noRunDey) pr->DelHasNoRunDey(ne1, ne2);
    }
}

void TGryp::DelKorzina(int ne, bool UserDialog) {
    if (TNed* week = GetNed(ne)) week->DelAllYrokKorzina(UserDialog);
}

void TGryp::DelAllFioPredmet(int ne, bool UserDialog) {
    for (const auto& pr : LPredmet) pr->DelAllFioPredmet(ne, UserDialog);
}

void TGryp::ClearRasp(int tip, int ne, bool UserDialog) {
    TNed* week = GetNed(ne);
    if (week == nullptr) return;
    week->DelAllYrokRasp(tip, UserDialog);
    if (tip != 0) return;
    for (TNed* other : LNed)
        if (other->Dan.NeSinx == ne) other->Dan.NeSinx = 0;
    for (const auto& z : LZachet)
        if (z->FDan.FNe == ne && z->FDan.FDay != 0) {
            z->FDan.FDay = 0;
            z->FDan.FStart = 0;
            z->SetAyd(nullptr);
        }
    OnModifi(this);
}

void TGryp::CopyRaspToPy(int ne, std::vector<std::string>& sl) {
    if (TNed* week = GetNed(ne)) week->CopyRaspOrPy(0, 1, sl);
}

void TGryp::CopyPyToRasp(int ne, std::vector<std::string>& sl) {
    if (TNed* week = GetNed(ne)) week->CopyRaspOrPy(1, 0, sl);
}

TYrok* TGryp::FirsYrok(int tip, int ne) const {
    const TNed* week = GetNed(ne);
    return week != nullptr ? week->GetNextYrok(tip, 0, 0) : nullptr;
}

TYrok* TGryp::LastYrok(int tip, int ne) const {
    const TNed* week = GetNed(ne);
    if (week == nullptr) return nullptr;
    for (int de = kDayCount; de >= 1; --de)
        if (TYrok* yrok = week->Dey(de)->LastYrok(tip)) return yrok;
    return nullptr;
}

TYrok* TGryp::GetNextYrok(int tip, int ne, int de, int yk) const {
    const TNed* week = GetNed(ne);
    return week != nullptr ? week->GetNextYrok(tip, de, yk) : nullptr;
}

bool TGryp::FioRun(int nFio) const {
    return std::any_of(LPredmet.begin(), LPredmet.end(),
                       [&](const auto& pr) { return pr->FioRun(nFio); });
}

bool TGryp::FioRunNed(int nFio, int ne) const {
    return std::any_of(LPredmet.begin(), LPredmet.end(),
                       [&](const auto& pr) { return pr->FioRunNed(ne, nFio); });
}

void TGryp::AssignDan(const TGryp& gr) {
    FName = gr.FName;
    Dan.Ks = gr.Dan.Ks;
    Dan.TimeDay = gr.Dan.TimeDay;
    Dan.arRDeyNed = gr.Dan.arRDeyNed;
}

void TGryp::Clear() {
    // The year's unions must not keep assignments about to go. A union left
    // with one member stays for the blob read next to rejoin; the year
    // releases what is still alone when the reading is over.
    for (const auto& pr : LPredmet)
        for (auto& list : pr->mLFio)
            for (auto& fp : list)
                if (TOb* ob = fp->Ob) ob->DelFioPredmet(ob->GetIndexFio(fp.get()));
    ClearLNed();
    ClearLZachet();
    ClearLENed();
    LPredmet.clear();
}

TAllRasp* TGryp::God() const {
    return dynamic_cast<TAllRasp*>(Spisok);
}

int TGryp::GetIndex() const {
    if (Spisok == nullptr) return -1;
    const auto& list = Spisok->LGryp;
    if (FIndexHint >= 0 && static_cast<std::size_t>(FIndexHint) < list.size() &&
        list[static_cast<std::size_t>(FIndexHint)].get() == this)
        return FIndexHint;
    FIndexHint = indexIn(list, this);
    return FIndexHint;
}

TENed* TGryp::SetENed(int ne) {
    if (!validWeek(ne)) return nullptr;
    auto& slot = mENed[static_cast<std::size_t>(ne)];
    if (!slot) {
        slot = std::make_unique<TENed>(this, ne);
        auto at =
            std::find_if(LENed.begin(), LENed.end(), [&](const TENed* w) { return w->Ne() > ne; });
        LENed.insert(at, slot.get());
    }
    return slot.get();
}

void TGryp::ClearLENed() {
    LENed.clear();
    for (auto& week : mENed) week.reset();
}

void TGryp::ClearLZachet() {
    LZachet.clear();
}

}  // namespace zavlin
