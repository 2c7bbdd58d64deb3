// Lessons (TYr, TZamena) and the period objects holding them (TYrok).
#include <algorithm>

#include "base/neighbour_sort.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/timetable_internal.h"

namespace zavlin {

using namespace timetable_detail;

namespace {

void joinDistinct(std::string& out, const std::string& text, const char* sep) {
    if (text.empty()) return;
    // Parallel subgroups repeat the same text; it is shown once.
    std::size_t pos = 0;
    while (pos <= out.size()) {
        std::size_t end = out.find(sep, pos);
        if (end == std::string::npos) end = out.size();
        if (out.compare(pos, end - pos, text) == 0 && !out.empty()) return;
        if (end == out.size()) break;
        pos = end + std::char_traits<char>::length(sep);
    }
    if (!out.empty()) out += sep;
    out += text;
}

}  // namespace

// --- TYr

TYr::TYr(TDan* sender) : TDan(sender) {}

TYr::~TYr() {
    if (FAyd != nullptr) --FAyd->NoDelete;
}

std::string TYr::Name() const {
    const TYrName* name = YrName();
    return name != nullptr ? name->Name() : "Предмет отменён";
}

void TYr::SetYrok(TYrok* value) {
    FYrok = value;
    if (value != nullptr) {
        Dan.de = static_cast<uint8_t>(value->Dey != nullptr ? value->Dey->N : 0);
        Dan.y = static_cast<uint8_t>(value->N);
    }
}

int TYr::Ne() const {
    if (FYrok != nullptr && FYrok->Dey != nullptr && FYrok->Dey->Ned != nullptr)
        return FYrok->Dey->Ned->Ne();
    return FFioPredmet != nullptr ? FFioPredmet->Ne() : 0;
}

int TYr::De() const {
    return FYrok != nullptr && FYrok->Dey != nullptr ? FYrok->Dey->N : Dan.de;
}

int TYr::Y() const {
    return FYrok != nullptr ? FYrok->N : Dan.y;
}

void TYr::SetAyd(TAyd* value) {
    if (value == FAyd) return;
    if (FAyd != nullptr) --FAyd->NoDelete;
    FAyd = value;
    if (FAyd != nullptr) ++FAyd->NoDelete;
    Dan.Nay = static_cast<uint16_t>(FAyd != nullptr ? FAyd->N : 0);
    if (FModifiRaspEvent) FModifiRaspEvent(this);
}

void TYr::SetYrokKorzina(TYrokKorzina* value) {
    FYrokKorzina = value;
    if (value != nullptr) Dan.NN = value->Dan.NN;
}

void TYr::SetFioPredmet(TFioPredmet* value) {
    FFioPredmet = value;
}

TFio* TYr::Fio() const {
    return FFioPredmet != nullptr ? FFioPredmet->Fio() : nullptr;
}

TPredmet* TYr::Predmet() const {
    return FYrokKorzina != nullptr ? FYrokKorzina->Predmet() : nullptr;
}

TYrName* TYr::YrName() const {
    const TPredmet* predmet = Predmet();
    return predmet != nullptr ? predmet->YrName() : nullptr;
}

bool TYr::TestSetka() const {
    return FYrokKorzina != nullptr && FYrokKorzina->Setka() == kSetkaPlan;
}

int TYr::Setka() const {
    return FYrokKorzina != nullptr ? FYrokKorzina->Setka() : kSetkaZamena;
}

void TYr::SetPy(bool on) {
    Dan.YOk = static_cast<uint8_t>(on ? (Dan.YOk | kYOkPy) : (Dan.YOk & ~kYOkPy));
}

int TYr::NObed() const {
    if (SetZamenaYes() || FFioPredmet == nullptr) return 0;
    return FFioPredmet->Dan.Nob;
}

bool TYr::Compare(const TYr& pg) const {
    return Predmet() == pg.Predmet() && Fio() == pg.Fio();
}

bool TYr::Compare(const TYrokKorzina* yk, const TFioPredmet* fp, const TFio* fi) const {
    return FYrokKorzina == yk && FFioPredmet == fp && Fio() == fi;
}

std::string TYr::NamePredmet(bool vBigName) const {
    const TYrName* name = YrName();
    if (name == nullptr) return "Отменен";
    return vBigName ? name->BigName() : name->Name();
}

std::string TYr::NameFio(bool vBigName, bool vDolg) const {
    const TFio* fio = Fio();
    if (fio == nullptr) return "";
    std::string text = vBigName ? fio->BigName() : fio->Name();
    if (vDolg && !fio->Dolg().empty()) text = fio->Dolg() + " " + text;
    return text;
}

std::string TYr::NameFioNoProbel() const {
    std::string text = NameFio(false, false);
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

std::string TYr::NameAyd() const {
    return FAyd != nullptr ? FAyd->Name() : "";
}

std::string TYr::Kh00Str() const {
    return std::to_string(Dan.Kh00 / 100) + "," + std::to_string(Dan.Kh00 % 100);
}

int TYr::CountFioPredmet() const {
    return FYrokKorzina != nullptr ? static_cast<int>(FYrokKorzina->LFio().size()) : 0;
}

int TYr::GetIndexPredmet() const {
    const TPredmet* predmet = Predmet();
    return predmet != nullptr ? predmet->GetIndex() : -1;
}

int TYr::GetIndexFioPredmet() const {
    return FFioPredmet != nullptr ? FFioPredmet->GetIndex() : -1;
}

// --- TZamena

TZamena::TZamena(TDan* sender) : TYr(sender) {
    Dan.Zm = kZmZamena;
}

TZamena::~TZamena() {
    if (FFio != nullptr) --FFio->NoDelete;
}

void TZamena::SetFioPredmet(TFioPredmet* value) {
    FFioPredmet = value;
    SetFio(value != nullptr ? value->Fio() : nullptr);
}

void TZamena::SetFio(TFio* value) {
    if (value != FFio) {
        if (FFio != nullptr) --FFio->NoDelete;
        FFio = value;
        if (FFio != nullptr) ++FFio->NoDelete;
    }
    const TFio* own = FFioPredmet != nullptr ? FFioPredmet->Fio() : nullptr;
    DanZm.Fi = static_cast<uint16_t>(FFio != nullptr && FFio != own ? FFio->N : 0);
}

// --- TYrok

TYrok::TYrok(TDey* dey, int n) : TDan(dey), N(n), Dey(dey) {}

TNed* TYrok::Ned() const {
    return Dey != nullptr ? Dey->Ned : nullptr;
}

std::string TYrok::Name() const {
    return GetStrYrFioName();
}

void TYrok::AddYr(TYr* yr) {
    if (yr->SetZamenaYes())
        LZm.push_back(yr);
    else if (yr->YrokKorzina() != nullptr && yr->YrokKorzina()->Setka() == kSetkaDop)
        LDp.push_back(yr);
    else
        LYr.push_back(yr);
    yr->SetYrok(this);
    yr->Spisok = Spisok;
    yr->SetOnModifiEvent(FModifiRaspEvent);
    if (FModifiRaspEvent) FModifiRaspEvent(this);
}

bool TYrok::RemoveYr(const TYr* yr) {
    const bool found = eraseOne(LYr, yr) || eraseOne(LDp, yr) || eraseOne(LZm, yr);
    if (found) {
        const_cast<TYr*>(yr)->FYrok = nullptr;
        if (FModifiRaspEvent) FModifiRaspEvent(this);
    }
    return found;
}

void TYrok::SortYr() {
    neighbourSort(LYr.begin(), LYr.end(), [](const TYr* a, const TYr* b) {
        const int pa = a->GetIndexPredmet();
        const int pb = b->GetIndexPredmet();
        if (pa != pb) return pa < pb;
        return a->GetIndexFioPredmet() < b->GetIndexFioPredmet();
    });
}

int TYrok::CountNoZam() const {
    int count = 0;
    for (const TYr* yr : LYr)
        if (yr->LZm.empty()) ++count;
    for (const TYr* yr : LDp)
        if (yr->LZm.empty()) ++count;
    return count;
}

int TYrok::CountPGr() const {
    return CountNoZam() + CountZam();
}

TYr* TYrok::YrDpZm(int indx) const {
    if (indx < 0) return nullptr;
    const auto i = static_cast<std::size_t>(indx);
    if (i < LYr.size()) return LYr[i];
    if (i < LYr.size() + LDp.size()) return LDp[i - LYr.size()];
    if (i < LYr.size() + LDp.size() + LZm.size()) return LZm[i - LYr.size() - LDp.size()];
    return nullptr;
}

int TYrok::GetIndexYrDpZm(const TYr* vYr) const {
    for (int i = 0; i < CountYrDpZm(); ++i)
        if (YrDpZm(i) == vYr) return i;
    return -1;
}

TYr* TYrok::FindYrForPlan(int FN) const {
    for (int i = 0; i < CountYrDp(); ++i)
        if (YrDpZm(i)->FPlanFN == FN) return YrDpZm(i);
    return nullptr;
}

bool TYrok::OtmenaYr() const {
    for (int i = 0; i < CountYrDpZm(); ++i) {
        const TYr* yr = YrDpZm(i);
        if (yr->Held() && yr->Predmet() != nullptr) return false;
    }
    return true;
}

bool TYrok::ZamenaYes() const {
    return !LZm.empty();
}

namespace {

template <typename F>
std::string joinHeld(const TYrok& yrok, F text) {
    std::string out;
    for (int i = 0; i < yrok.CountYrDpZm(); ++i) {
        const TYr* yr = yrok.YrDpZm(i);
        if (!yr->Held()) continue;
        joinDistinct(out, text(*yr), ",");
    }
    return out;
}

}  // namespace

std::string TYrok::GetStrYrName() const {
    return joinHeld(*this, [](const TYr& yr) { return yr.NamePredmet(false); });
}

std::string TYrok::GetStrFioName() const {
    return joinHeld(*this, [](const TYr& yr) { return yr.NameFio(false, false); });
}

std::string TYrok::GetStrYrFioName() const {
    return joinHeld(*this, [](const TYr& yr) {
        const std::string fio = yr.NameFio(false, false);
        return fio.empty() ? yr.NamePredmet(false) : yr.NamePredmet(false) + " " + fio;
    });
}

std::string TYrok::GetStrAydName() const {
    return joinHeld(*this, [](const TYr& yr) { return yr.NameAyd(); });
}

std::string TYrok::GetStrListFioName() const {
    return joinHeld(*this, [](const TYr& yr) { return yr.NameFio(true, false); });
}

std::string TYrok::GetStrListFioAydName() const {
    return joinHeld(*this, [](const TYr& yr) {
        const std::string ayd = yr.NameAyd();
        return ayd.empty() ? yr.NameFio(true, false) : yr.NameFio(true, false) + " " + ayd;
    });
}

int TYrok::CountFaktYr(int vSetka, const TPredmet* vPr, const TFio* vFi) const {
    int count = 0;
    for (int i = 0; i < CountYrDpZm(); ++i) {
        const TYr* yr = YrDpZm(i);
        if (!yr->Delivered() || yr->Setka() != vSetka) continue;
        if (vPr != nullptr && yr->Predmet() != vPr) continue;
        if (vFi != nullptr && yr->Fio() != vFi) continue;
        ++count;
    }
    return count;
}

}  // namespace zavlin
