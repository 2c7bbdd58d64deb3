// A group's subjects (TPredmet) and their teacher assignments (TFioPredmet).
#include <algorithm>

#include "base/text.h"
#include "model/group.h"
#include "model/group_internal.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

using namespace group_detail;

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

}  // namespace zavlin
