#include "model/group.h"

#include <algorithm>

#include "base/datetime.h"
#include "base/text.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

namespace {

uint64_t gDetachedGeneration = 0;

template <typename T>
int indexIn(const std::vector<std::unique_ptr<T>>& list, const T* item) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == item) return static_cast<int>(i);
    return -1;
}

bool validWeek(int ne) {
    return ne >= 1 && ne <= kWeeks;
}

std::string weekDateText(const TGryp& g, int ne) {
    const TDNed* week = g.Spisok != nullptr ? g.Spisok->AllNed.DNed(ne) : nullptr;
    return week != nullptr ? week->GetStrDateNed() : std::to_string(ne);
}

}  // namespace

// --- TFioPredmet

TFioPredmet::TFioPredmet(TPredmet* predmet, int ne, TFio* fio)
    : TDan(predmet), FPredmet(predmet), FFio(fio) {
    Dan.Ne = static_cast<uint8_t>(ne);
    Dan.NFio = static_cast<uint16_t>(fio != nullptr ? fio->N : 0);
    if (FFio != nullptr) ++FFio->NoDelete;
}

TFioPredmet::~TFioPredmet() {
    LYr.clear();
    if (FZmKorzina != nullptr && FZmKorzina->FFioPredmet == this) FZmKorzina->FFioPredmet = nullptr;
    if (FFio != nullptr) --FFio->NoDelete;
}

std::string TFioPredmet::Name() const {
    return FFio != nullptr ? FFio->Name() : std::string();
}

TYrokKorzinaZamena* TFioPredmet::ZmKorzina() const {
    return FZmKorzina != nullptr ? FZmKorzina->FYrokKorzinaZamena : nullptr;
}

int TFioPredmet::CountYr(int setka, int tip) const {
    int count = 0;
    for (const auto& yr : LYr)
        if (yr->YrokKorzina() != nullptr && yr->Setka() == setka && yr->Dan.tip == tip) ++count;
    return count;
}

int TFioPredmet::CountZm() const {
    return CountYr(kSetkaZamena, 0);
}

int TFioPredmet::CountYrZmDp() const {
    int count = 0;
    for (const auto& yr : LYr)
        if (yr->YrokKorzina() != nullptr && yr->Dan.tip == 0) ++count;
    return count;
}

int TFioPredmet::CountOtmenYr(int setka) const {
    if (setka == kSetkaZamena) return 0;
    int count = 0;
    for (const auto& yr : LYr)
        if (!yr->SetZamenaYes() && yr->Setka() == setka && !yr->LZm.empty()) ++count;
    return count;
}

int TFioPredmet::GetIndex() const {
    if (FPredmet == nullptr || !validWeek(Dan.Ne)) return -1;
    return indexIn(FPredmet->GetLFio(Dan.Ne), this);
}

TYr* TFioPredmet::AdoptYr(std::unique_ptr<TYr> yr) {
    LYr.push_back(std::move(yr));
    return LYr.back().get();
}

std::unique_ptr<TYr> TFioPredmet::ReleaseYr(const TYr* yr) {
    for (auto it = LYr.begin(); it != LYr.end(); ++it)
        if (it->get() == yr) {
            std::unique_ptr<TYr> out = std::move(*it);
            LYr.erase(it);
            return out;
        }
    return nullptr;
}

// --- TPredmet

TPredmet::TPredmet(TGryp* gryp, TYrName* yrName) : TDan(gryp), FGryp(gryp) {
    SetYrName(yrName);
}

TPredmet::~TPredmet() {
    for (auto& week : mLFio) week.clear();
    if (FYrName != nullptr) --FYrName->NoDelete;
}

std::string TPredmet::Name() const {
    return FYrName != nullptr ? FYrName->Name() : "Безымянный";
}

void TPredmet::SetYrName(TYrName* value) {
    if (value == FYrName) return;
    if (FYrName != nullptr) --FYrName->NoDelete;
    FYrName = value;
    if (FYrName != nullptr) ++FYrName->NoDelete;
    Dan.NYrName = static_cast<uint16_t>(FYrName != nullptr ? FYrName->N : 0);
    if (FModifiRaspEvent) FModifiRaspEvent(this);
}

TYrokKorzina* TPredmet::AddPredmetNe(int setka, int ne, TFioPredmet* vFioPredmet) {
    TNed* week = FGryp != nullptr ? FGryp->GetNed(ne) : nullptr;
    if (week == nullptr || setka < 0 || setka > 2) return nullptr;
    TYrokKorzina* item = week->FindYrokKorzina(setka, this);
    if (item == nullptr)
        item = setka == kSetkaZamena
                   ? static_cast<TYrokKorzina*>(new TYrokKorzinaZamena(week, this))
                   : new TYrokKorzina(week, static_cast<uint8_t>(setka), this);
    return week->AddYrokKorzina(item, vFioPredmet);
}

bool TPredmet::DelPredmetNe(int setka, int ne, bool UserDialog, TFioPredmet* vFioPredmet) {
    TNed* week = FGryp != nullptr ? FGryp->GetNed(ne) : nullptr;
    if (week == nullptr) return true;
    return week->DelYrokKorzina(setka, Dan.N, UserDialog, vFioPredmet);
}

int TPredmet::CountPredmetNe(int setka, int ne, const TFioPredmet* vFioPredmet) const {
    const TNed* week = FGryp != nullptr ? FGryp->GetNed(ne) : nullptr;
    return week != nullptr ? week->CountYrokNumerKorzina(setka, Dan.N, vFioPredmet) : 0;
}

void TPredmet::CopyHasNedToNed(int setka, int ne1, int ne2, bool UserDialog) {
    if (ne1 == ne2 || FGryp == nullptr || FGryp->GetNed(ne2) == nullptr) return;
    const int wanted = CountPredmetNe(setka, ne1);
    for (int guard = 0; guard < 512; ++guard) {
        const int have = CountPredmetNe(setka, ne2);
        if (have == wanted) return;
        if (have < wanted) {
            if (AddPredmetNe(setka, ne2) == nullptr) return;
        } else if (!DelPredmetNe(setka, ne2, UserDialog)) {
            return;
        }
    }
}

void TPredmet::DelHasNoRunDey(int ne1, int ne2) {
    if (ne1 == ne2 || FGryp == nullptr) return;
    const TNed* week1 = FGryp->GetNed(ne1);
    TNed* week2 = FGryp->GetNed(ne2);
    if (week1 == nullptr || week2 == nullptr) return;
    const int c = CountPredmetNe(kSetkaPlan, ne2);
    const TLFio& teachers2 = GetLFio(ne2);
    if (c == 0 || teachers2.empty()) return;
    std::vector<int> value(teachers2.size(), c);
    for (const auto& fp : GetLFio(ne1)) {
        const int pos = fp->GetIndex();
        if (pos < 0 || pos >= static_cast<int>(value.size())) continue;
        for (const auto& yr : fp->LYr) {
            if (yr->Dan.tip != 0 || !yr->TestSetka() || yr->Yrok() == nullptr) continue;
            if (!week2->TestRunDey(yr->De()) && value[static_cast<std::size_t>(pos)] > 0)
                --value[static_cast<std::size_t>(pos)];
        }
    }
    const int m = *std::max_element(value.begin(), value.end());
    for (int i = m; i < c; ++i) DelPredmetNe(kSetkaPlan, ne2, false);
    if (CountPredmetNe(kSetkaPlan, ne2) == 0 && CountPredmetNe(kSetkaDop, ne2) == 0 &&
        CountPredmetNe(kSetkaZamena, ne2) == 0)
        DelAllFioPredmet(ne2, false);
}

int TPredmet::CountPredmetAllForSetka(int setka) const {
    int sum = 0;
    for (int ne = 1; ne <= kWeeks; ++ne) sum += CountPredmetNe(setka, ne);
    return sum;
}

TFioPredmet* TPredmet::AddFio(int ne, TFio* fio) {
    if (!validWeek(ne) || CountAllFio() >= 255) return nullptr;
    auto& list = mLFio[static_cast<std::size_t>(ne)];
    list.push_back(std::make_unique<TFioPredmet>(this, ne, fio));
    if (FModifiRaspEvent) FModifiRaspEvent(this);
    return list.back().get();
}

bool TPredmet::DelFioPredmet(int ne, TFio* fio, bool UserDialog) {
    if (!validWeek(ne)) return false;
    TFioPredmet* fp = FindFioPredmet(ne, fio);
    return fp != nullptr && DelFioPredmet(fp, UserDialog);
}

bool TPredmet::DelFioPredmet(TFioPredmet* fp, bool UserDialog) {
    const int ne = fp->Ne();
    if (UserDialog && fp->CountYr(kSetkaPlan, 0) + fp->CountYr(kSetkaDop, 0) + fp->CountZm() > 0) {
        const std::string label =
            Spisok != nullptr ? Spisok->AllNed.GetNumberWeek(ne) : std::to_string(ne);
        if (Spisok == nullptr || !Spisok->AskUser("Удаление преподавателя на неделе N" + label +
                                                  " преведет к изменению расписания. Удалить?"))
            return false;
        if (fp->CountZm() > 0) {
            Spisok->ShowUser("Преподаватель назначен на замену. Удаление на неделе N" + label +
                             " можно произвести после отмены установленной замены в расписании.");
            return false;
        }
    }
    TNed* week = FGryp != nullptr ? FGryp->GetNed(ne) : nullptr;
    while (!fp->LYr.empty()) {
        TYr* yr = fp->LYr.back().get();
        if (week != nullptr)
            week->DestroyYr(yr);
        else
            fp->LYr.pop_back();
    }
    if (TOb* ob = fp->Ob) {
        ob->DelFioPredmet(ob->GetIndexFio(fp));
        if (auto* god = dynamic_cast<TAllRasp*>(Spisok)) god->TestAfterDelOb(ne);
    }
    if (TYrokKorzinaZamena* zk = fp->ZmKorzina()) {
        zk->FreeZmKorzina(indexIn(zk->LZmKorzina, fp->FZmKorzina));
        zk->RecountKy();
        if (zk->LZmKorzina.empty() && week != nullptr) week->FreeYrokKorzina(zk);
    }
    auto& list = mLFio[static_cast<std::size_t>(ne)];
    list.erase(list.begin() + indexIn(list, fp));
    if (FModifiRaspEvent) FModifiRaspEvent(this);
    return true;
}

bool TPredmet::DelAllFioPredmet(int ne, bool UserDialog) {
    if (!validWeek(ne)) return false;
    auto& list = mLFio[static_cast<std::size_t>(ne)];
    while (!list.empty())
        if (!DelFioPredmet(list.back().get(), UserDialog)) return false;
    return true;
}

int TPredmet::CountFio(int ne) const {
    return validWeek(ne) ? static_cast<int>(GetLFio(ne).size()) : 0;
}

int TPredmet::CountAllFio() const {
    int count = 0;
    for (const auto& week : mLFio) count += static_cast<int>(week.size());
    return count;
}

bool TPredmet::FioRun(int nFio) const {
    for (int ne = 1; ne <= kWeeks; ++ne)
        if (FioRunNed(ne, nFio)) return true;
    return false;
}

bool TPredmet::FioRunNed(int ne, int nFio) const {
    if (!validWeek(ne)) return false;
    for (const auto& fp : GetLFio(ne))
        if (fp->Dan.NFio == nFio) return true;
    return false;
}

std::string TPredmet::NameFio(int ne) const {
    std::string out;
    if (!validWeek(ne)) return out;
    for (const auto& fp : GetLFio(ne)) {
        if (!out.empty()) out += ",";
        out += fp->Name();
    }
    return out;
}

std::string TPredmet::NameAllFio() const {
    std::vector<std::string> seen;
    std::string out;
    for (const auto& week : mLFio)
        for (const auto& fp : week) {
            const std::string name = fp->Name();
            if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
            seen.push_back(name);
            out += (out.empty() ? "" : ",") + name;
        }
    return out;
}

TFioPredmet* TPredmet::FioAll(int indx) const {
    if (indx < 0) return nullptr;
    for (const auto& week : mLFio) {
        if (indx < static_cast<int>(week.size())) return week[static_cast<std::size_t>(indx)].get();
        indx -= static_cast<int>(week.size());
    }
    return nullptr;
}

TFioPredmet* TPredmet::FindFioPredmet(int ne, int& vPosFioPredmet, const TFio* vFio) const {
    if (validWeek(ne))
        for (int i = std::max(vPosFioPredmet, 0); i < CountFio(ne); ++i)
            if (GetLFio(ne)[static_cast<std::size_t>(i)]->Fio() == vFio) {
                vPosFioPredmet = i;
                return GetLFio(ne)[static_cast<std::size_t>(i)].get();
            }
    vPosFioPredmet = -1;
    return nullptr;
}

TFioPredmet* TPredmet::FindFioPredmetNext(int ne, int& vPosFioPredmet, const TFio* vFio) const {
    if (vPosFioPredmet < 0) return nullptr;
    ++vPosFioPredmet;
    return FindFioPredmet(ne, vPosFioPredmet, vFio);
}

int TPredmet::CountPlanNed(int ne) const {
    const TNed* week = FGryp != nullptr ? FGryp->GetNed(ne) : nullptr;
    return week != nullptr ? week->CountPlanForPredmet(kSetkaPlan, this) : 0;
}

TFioPredmet* TPredmet::FindFioPredmet(int ne, const TFio* vFio) const {
    if (!validWeek(ne)) return nullptr;
    for (const auto& fp : GetLFio(ne))
        if (fp->Fio() == vFio) return fp.get();
    return nullptr;
}

void TPredmet::CopyFioNedToNed(int, int ne1, int ne2, bool UserDialog) {
    if (!validWeek(ne1) || !validWeek(ne2) || ne1 == ne2) return;
    std::vector<TFio*> wanted;
    for (const auto& fp : GetLFio(ne1)) wanted.push_back(fp->Fio());
    std::vector<TFio*> have;
    for (const auto& fp : GetLFio(ne2)) have.push_back(fp->Fio());
    if (wanted == have) return;  // nothing to replace: the lessons stay
    if (!DelAllFioPredmet(ne2, UserDialog)) return;
    for (TFio* fio : wanted) AddFio(ne2, fio);
}

void TPredmet::GetLYr(int tip, int ne, std::vector<TYr*>& lYr) const {
    if (!validWeek(ne)) return;
    for (const auto& fp : GetLFio(ne))
        for (const auto& yr : fp->LYr)
            if (yr->Dan.tip == tip && yr->Yrok() != nullptr) lYr.push_back(yr.get());
}

void TPredmet::GetLPg(int tip, int setka, int ne, std::vector<TYr*>& lYr) const {
    if (!validWeek(ne)) return;
    for (const auto& fp : GetLFio(ne))
        for (const auto& yr : fp->LYr)
            if (yr->Dan.tip == tip && yr->Yrok() != nullptr && yr->YrokKorzina() != nullptr &&
                yr->Setka() == setka)
                lYr.push_back(yr.get());
}

std::string TPredmet::DelPogryp() const {
    const std::string name = Name();
    const std::size_t pos = name.find("подг.");
    if (pos == std::string::npos) return name;
    std::string head = name.substr(0, pos);
    // "Англ.яз 1 подг." -> "Англ.яз": the subgroup number goes with the suffix.
    while (!head.empty() && (head.back() == ' ' || (head.back() >= '0' && head.back() <= '9')))
        head.pop_back();
    return head;
}

int TPredmet::GetIndex() const {
    return FGryp != nullptr ? FGryp->GetIndexPredmet(this) : -1;
}

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
