#include "model/timetable.h"

#include <algorithm>
#include <cmath>

#include "base/little_endian.h"
#include "base/neighbour_sort.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"

namespace zavlin {

namespace {

template <typename T>
bool eraseOne(std::vector<T*>& list, const T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

bool validDay(int de) {
    return de >= 1 && de <= kDayCount;
}
bool validPeriod(int y) {
    return y >= 0 && y < kPeriodCount;
}
bool validTip(int tip) {
    return tip == 0 || tip == 1;
}

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

const char* shortDayName(int de) {
    static const char* const names[] = {"", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    return validDay(de) ? names[de] : "";
}

// --- records

void AYr::toBytes(uint8_t* p) const {
    p[0] = NN;
    p[1] = tip;
    p[2] = de;
    p[3] = y;
    putU16(p + 4, Nay);
    putU16(p + 6, NAt);
    putU16(p + 8, Kh00);
    p[10] = YOk;
    p[11] = Zm;
    p[12] = IndexYrDp;
}

void AYr::fromBytes(const uint8_t* p) {
    NN = p[0];
    tip = p[1];
    de = p[2];
    y = p[3];
    Nay = getU16(p + 4);
    NAt = getU16(p + 6);
    Kh00 = getU16(p + 8);
    YOk = p[10];
    Zm = p[11];
    IndexYrDp = p[12];
}

void ANed::toBytes(uint8_t* p) const {
    p[0] = N;
    p[1] = kdop;
    p[2] = knyr;
    p[3] = Yd;
    p[4] = Dt1;
    p[5] = Dt6;
    p[6] = NeSinx;
    putU16(p + 7, kotm);
    putU16(p + 9, kzam);
}

void ANed::fromBytes(const uint8_t* p) {
    N = p[0];
    kdop = p[1];
    knyr = p[2];
    Yd = p[3];
    Dt1 = p[4];
    Dt6 = p[5];
    NeSinx = p[6];
    kotm = getU16(p + 7);
    kzam = getU16(p + 9);
}

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
        if (!yr->Held()) continue;
        if (yr->YrokKorzina() == nullptr || yr->Setka() != vSetka) continue;
        if (vPr != nullptr && yr->Predmet() != vPr) continue;
        if (vFi != nullptr && yr->Fio() != vFi) continue;
        ++count;
    }
    return count;
}

// --- TDey

TDey::TDey(TNed* ned, int n) : TDan(ned), N(n), Ned(ned) {}

TDey::~TDey() = default;

std::string TDey::Name() const {
    if (N == 0) return "Безымянный";
    const TDNed* week =
        Spisok != nullptr && Ned != nullptr ? Spisok->AllNed.DNed(Ned->Ne()) : nullptr;
    return week != nullptr ? week->GetStrDateDey(N) : shortDayName(N);
}

TYrok* TDey::CreateYrok(int tip, int y) {
    if (!validTip(tip) || !validPeriod(y)) return nullptr;
    auto& slot = Layer(tip)[y];
    if (!slot) {
        slot = std::make_unique<TYrok>(this, y);
        slot->FTip = tip;
        slot->Spisok = Spisok;
        slot->SetOnModifiEvent(FModifiRaspEvent);
    }
    return slot.get();
}

void TDey::DeletePg(int, TYr* yr) {
    Ned->DestroyYr(yr);
}

void TDey::DelYrok(int tip, int y) {
    TYrok* yrok = GetYrok(tip, y);
    if (yrok == nullptr) return;
    // Substitutions first: they give the lessons they replace back.
    while (GetYrok(tip, y) != nullptr && !yrok->LZm.empty()) Ned->DestroyYr(yrok->LZm.back());
    while (GetYrok(tip, y) != nullptr && yrok->CountYrDp() > 0) Ned->DestroyYr(yrok->YrDpZm(0));
}

void TDey::FreeIfEmpty(int tip, int y) {
    TYrok* yrok = GetYrok(tip, y);
    if (yrok != nullptr && yrok->Empty()) Layer(tip)[y].reset();
}

std::unique_ptr<TYrok> TDey::CutYrok(int y) {
    if (!validPeriod(y)) return nullptr;
    auto cut = std::move(mYrok[static_cast<std::size_t>(y)]);
    if (cut && FModifiRaspEvent) FModifiRaspEvent(this);
    return cut;
}

bool TDey::PasteYrok(std::unique_ptr<TYrok>& yrk, int y) {
    if (!yrk || !validPeriod(y) || mYrok[static_cast<std::size_t>(y)]) return false;
    yrk->N = y;
    yrk->Dey = this;
    yrk->FTip = 0;
    for (int i = 0; i < yrk->CountYrDpZm(); ++i) yrk->YrDpZm(i)->SetYrok(yrk.get());
    mYrok[static_cast<std::size_t>(y)] = std::move(yrk);
    if (FModifiRaspEvent) FModifiRaspEvent(this);
    return true;
}

TYrok* TDey::FirstYrok(int tip) const {
    for (int y = 0; y < kPeriodCount; ++y)
        if (TYrok* yrok = GetYrok(tip, y)) return yrok;
    return nullptr;
}

TYrok* TDey::LastYrok(int tip) const {
    for (int y = kPeriodCount - 1; y >= 0; --y)
        if (TYrok* yrok = GetYrok(tip, y)) return yrok;
    return nullptr;
}

TYrok* TDey::PriorYrok(int tip, const TYrok* yrk) const {
    if (yrk == nullptr) return nullptr;
    for (int y = yrk->N - 1; y >= 0; --y)
        if (TYrok* yrok = GetYrok(tip, y)) return yrok;
    return nullptr;
}

int TDey::CountYrok(int tip) const {
    int count = 0;
    for (int y = 0; y < kPeriodCount; ++y)
        if (GetYrok(tip, y) != nullptr) ++count;
    return count;
}

int TDey::CountYrokAndDirka(int tip) const {
    const TYrok* first = FirstYrok(tip);
    return first == nullptr ? 0 : LastYrok(tip)->N - first->N + 1;
}

int TDey::CountDirka(int tip) const {
    return CountYrokAndDirka(tip) - CountYrok(tip);
}

std::vector<int> TDey::DirkaToArray(int tip) const {
    std::vector<int> holes;
    const TYrok* first = FirstYrok(tip);
    if (first == nullptr) return holes;
    for (int y = first->N + 1; y < LastYrok(tip)->N; ++y)
        if (GetYrok(tip, y) == nullptr) holes.push_back(y);
    return holes;
}

std::vector<int> TDey::AllYrokToArray(int tip) const {
    std::vector<int> periods;
    for (int y = 0; y < kPeriodCount; ++y)
        if (GetYrok(tip, y) != nullptr) periods.push_back(y);
    return periods;
}

int TDey::GetNilYrok(int tip) const {
    for (int y = kPeriodCount - 1; y >= 0; --y)
        if (GetYrok(tip, y) == nullptr) return y;
    return -1;
}

int TDey::CountFaktYrok(int vSetka, const TPredmet* vPr, const TFio* vFi) const {
    int count = 0;
    for (int y = 0; y < kPeriodCount; ++y)
        if (const TYrok* yrok = GetYrok(0, y)) count += yrok->CountFaktYr(vSetka, vPr, vFi);
    return count;
}

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

// --- TNed

TNed::TNed(TGryp* gryp, int ne) : TDan(gryp), FGryp(gryp) {
    Dan.N = static_cast<uint8_t>(ne);
    Dan.Yd = gryp != nullptr ? gryp->DefaultYd() : 1;
    for (int d = 1; d <= kDayCount; ++d)
        mDey[static_cast<std::size_t>(d)] = std::make_unique<TDey>(this, d);
}

TNed::~TNed() {
    // Items go first: their per-teacher entries point at assignments that
    // outlive the week.
    LZYrok.clear();
    LNYrok.clear();
    LDYrok.clear();
}

std::string TNed::Name() const {
    const TDNed* week = Spisok != nullptr ? Spisok->AllNed.DNed(Dan.N) : nullptr;
    return week != nullptr ? week->GetStrDateNed() : "Неделя " + std::to_string(Dan.N);
}

void TNed::SetYhDey(uint8_t yd) {
    Dan.Yd = yd;
    ModifiRasp();
}

std::vector<std::unique_ptr<TYrokKorzina>>& TNed::LKorzina(int setka) {
    return setka == kSetkaPlan ? LNYrok : setka == kSetkaZamena ? LZYrok : LDYrok;
}

const std::vector<std::unique_ptr<TYrokKorzina>>& TNed::LKorzina(int setka) const {
    return setka == kSetkaPlan ? LNYrok : setka == kSetkaZamena ? LZYrok : LDYrok;
}

TYrokKorzina* TNed::FindYrokKorzina(int setka, const TPredmet* predmet) const {
    for (const auto& item : LKorzina(setka))
        if (item->Predmet() == predmet) return item.get();
    return nullptr;
}

TYrokKorzina* TNed::FindYrokKorzinaNN(int nn) const {
    for (int setka = 0; setka < 3; ++setka)
        for (const auto& item : LKorzina(setka))
            if (item->Dan.NN == nn) return item.get();
    return nullptr;
}

int TNed::CountRunDey() const {
    if (Dan.Yd < 2) return 0;
    int count = 0;
    for (int d = 1; d <= kDayCount; ++d)
        if (TestRunDey(d)) ++count;
    return count;
}

bool TNed::TestRunDey(int d) const {
    return validDay(d) && (Dan.Yd & (1u << d)) != 0;
}

void TNed::SortLNYrok() {
    neighbourSort(LNYrok.begin(), LNYrok.end(), [](const auto& a, const auto& b) {
        const int pa = a->Predmet() != nullptr ? a->Predmet()->GetIndex() : -1;
        const int pb = b->Predmet() != nullptr ? b->Predmet()->GetIndex() : -1;
        return pa < pb;
    });
}

TYrokKorzina* TNed::AddYrokKorzina(TYrokKorzina* yrok, TFioPredmet* vFioPredmet) {
    if (yrok == nullptr) return nullptr;
    auto& list = LKorzina(yrok->Setka());
    const bool listed =
        std::any_of(list.begin(), list.end(), [&](const auto& item) { return item.get() == yrok; });
    if (!listed) {
        std::unique_ptr<TYrokKorzina> owned(yrok);
        if (yrok->Dan.NN == 0) {
            int nn = 1;
            while (nn <= 255 && FindYrokKorzinaNN(nn) != nullptr) ++nn;
            if (nn > 255) return nullptr;  // as many items as a byte can number
            yrok->Dan.NN = static_cast<uint8_t>(nn);
        }
        list.push_back(std::move(owned));
    }
    if (yrok->Setka() == kSetkaZamena) {
        auto* zamena = static_cast<TYrokKorzinaZamena*>(yrok);
        if (vFioPredmet != nullptr)
            zamena->AddZmKorzina(vFioPredmet);
        else
            zamena->AddZmKorzinaAllFio();
    } else if (yrok->Dan.ky < 255) {
        ++yrok->Dan.ky;
    }
    ModifiRasp();
    return yrok;
}

void TNed::deleteTeacherLessons(TYrokKorzina* item, TFioPredmet* fp, int keep) {
    for (int tip = 0; tip <= 1; ++tip) {
        // The teacher's first lessons of the item go, down to keep.
        std::vector<TYr*> own;
        for (const auto& yr : fp->LYr)
            if (yr->YrokKorzina() == item && yr->Dan.tip == tip) own.push_back(yr.get());
        const int surplus = static_cast<int>(own.size()) - std::max(keep, 0);
        for (int i = 0; i < surplus; ++i) DestroyYr(own[static_cast<std::size_t>(i)]);
    }
}

bool TNed::DelYrokKorzina(int setka, int AutoN, bool UserDialog, TFioPredmet* vFioPredmet) {
    TYrokKorzina* item = nullptr;
    for (const auto& candidate : LKorzina(setka))
        if (candidate->Dan.N == AutoN) item = candidate.get();
    if (item == nullptr) return true;

    std::vector<TFioPredmet*> teachers;
    for (const auto& fp : item->LFio())
        if (vFioPredmet == nullptr || fp.get() == vFioPredmet) teachers.push_back(fp.get());

    if (UserDialog) {
        // Ask once, about the first teacher that would lose a placed lesson.
        for (TFioPredmet* fp : teachers) {
            const int keep = item->CountMaxFioPredmet(fp) - 1;
            const TYr* first = nullptr;
            int placed = 0;
            for (const auto& yr : fp->LYr)
                if (yr->YrokKorzina() == item && yr->Dan.tip == 0) {
                    if (first == nullptr) first = yr.get();
                    ++placed;
                }
            if (placed <= keep) continue;
            std::string text = "Удалять пару из расписания?";
            if (first != nullptr)
                text = std::string(shortDayName(first->De())) + " пара " +
                       std::to_string(first->Y()) + "  " + text;
            if (Spisok == nullptr || !Spisok->AskUser(text)) return false;
            break;
        }
    }

    for (TFioPredmet* fp : teachers)
        deleteTeacherLessons(item, fp, item->CountMaxFioPredmet(fp) - 1);

    if (setka == kSetkaZamena)
        static_cast<TYrokKorzinaZamena*>(item)->DecZmKorzina(vFioPredmet);
    else if (item->Dan.ky > 0)
        --item->Dan.ky;
    if (item->Dan.ky == 0) FreeYrokKorzina(item);
    ModifiRasp();
    return true;
}

void TNed::FreeYrokKorzina(TYrokKorzina* item) {
    for (const auto& fp : item->LFio()) {
        std::vector<TYr*> own;
        for (const auto& yr : fp->LYr)
            if (yr->YrokKorzina() == item) own.push_back(yr.get());
        for (TYr* yr : own) DestroyYr(yr);
    }
    auto& list = LKorzina(item->Setka());
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->get() == item) {
            list.erase(it);
            break;
        }
    ModifiRasp();
}

void TNed::DelAllYrokKorzina(bool) {
    for (int setka : {kSetkaZamena, kSetkaDop, kSetkaPlan})
        while (!LKorzina(setka).empty()) FreeYrokKorzina(LKorzina(setka).back().get());
}

int TNed::CountYrokKorzina(int setka) const {
    int sum = 0;
    for (int kind = 0; kind < 3; ++kind) {
        if (setka != 2 && kind != setka) continue;
        for (const auto& item : LKorzina(kind)) sum += item->Dan.ky;
    }
    return sum;
}

int TNed::CountLYrokKorzina(int setka) const {
    return static_cast<int>(LKorzina(setka).size());
}

int TNed::CountYrokNumerKorzina(int setka, int AutoN, const TFioPredmet* fi) const {
    for (const auto& item : LKorzina(setka))
        if (item->Dan.N == AutoN) return item->CountMaxFioPredmet(fi);
    return 0;
}

TYr* TNed::AddYrRas(int tip, int de, int y, TYrokKorzina* YKorzina, TFioPredmet* fFiPredmet) {
    TDey* dey = Dey(de);
    if (dey == nullptr || !validTip(tip) || !validPeriod(y)) return nullptr;
    const uint64_t before = Spisok != nullptr ? Spisok->RaspGeneration : 0;
    TYrok* yrok = dey->CreateYrok(tip, y);
    std::unique_ptr<TYr> made;
    if (YKorzina == nullptr || YKorzina->Setka() == kSetkaZamena)
        made = std::make_unique<TZamena>(yrok);
    else
        made = std::make_unique<TYr>(yrok);
    made->Dan.NN = YKorzina != nullptr ? YKorzina->Dan.NN : 0;
    made->Dan.tip = static_cast<uint8_t>(tip);
    made->Dan.de = static_cast<uint8_t>(de);
    made->SetYrokKorzina(YKorzina);
    made->SetFioPredmet(fFiPredmet);
    TYr* yr = fFiPredmet != nullptr
                  ? fFiPredmet->AdoptYr(std::move(made))
                  : AdoptOtmena(std::unique_ptr<TZamena>(static_cast<TZamena*>(made.release())));
    yrok->AddYr(yr);
    ModifiRasp();
    if (Spisok != nullptr && yr->Held())
        Spisok->NoteYr(FGryp, yr->Fio() != nullptr ? yr->Fio()->N : 0, yr->NObed(), tip, Ne(), de,
                       y, true, before);
    return yr;
}

TZamena* TNed::AdoptOtmena(std::unique_ptr<TZamena> zm) {
    TZamena* raw = zm.get();
    LOtmena.push_back(std::move(zm));
    return raw;
}

void TNed::AddYrokRas(int tip, int de, int y, TYrokKorzina* YKorzina) {
    if (YKorzina == nullptr) return;
    std::vector<TFioPredmet*> teachers;
    for (const auto& fp : YKorzina->LFio()) teachers.push_back(fp.get());
    for (TFioPredmet* fp : teachers)
        if (fp->CountYr(YKorzina->Setka(), tip) < YKorzina->CountMaxFioPredmet(fp))
            AddYrRas(tip, de, y, YKorzina, fp);
}

void TNed::MoveYrRasp(int tip, int d1, int y1, int d2, int y2, TYr* yr) {
    TDey* from = Dey(d1);
    TDey* to = Dey(d2);
    if (from == nullptr || to == nullptr || yr == nullptr || !validPeriod(y2)) return;
    TYrok* source = from->GetYrok(tip, y1);
    const uint64_t before = Spisok != nullptr ? Spisok->RaspGeneration : 0;
    if (source == nullptr || !source->RemoveYr(yr)) return;
    from->FreeIfEmpty(tip, y1);
    yr->DeleteAyd();
    to->CreateYrok(tip, y2)->AddYr(yr);
    ModifiRasp();
    // A lesson without substitutions moves in the clash index too.
    if (Spisok != nullptr && yr->LZm.empty() && yr->Held()) {
        const int nFio = yr->Fio() != nullptr ? yr->Fio()->N : 0;
        Spisok->NoteYr(FGryp, nFio, yr->NObed(), tip, Ne(), d1, y1, false, before);
        Spisok->NoteYr(FGryp, nFio, yr->NObed(), tip, Ne(), d2, y2, true, Spisok->RaspGeneration);
    }
}

TYrok* TNed::MoveYrokRasp(int tip, int d1, int y1, int d2, int y2) {
    TYrok* source = GetYrok(tip, d1, y1);
    if (source == nullptr) return GetYrok(tip, d2, y2);
    std::vector<TYr*> all;
    for (int i = 0; i < source->CountYrDpZm(); ++i) all.push_back(source->YrDpZm(i));
    for (TYr* yr : all) MoveYrRasp(tip, d1, y1, d2, y2, yr);
    return GetYrok(tip, d2, y2);
}

void TNed::LinkZamena(TYr* zamena, TYr* yr) {
    if (std::find(zamena->LZm.begin(), zamena->LZm.end(), yr) == zamena->LZm.end())
        zamena->LZm.push_back(yr);
    if (std::find(yr->LZm.begin(), yr->LZm.end(), zamena) == yr->LZm.end())
        yr->LZm.push_back(zamena);
    yr->Dan.Zm = kZmReplaced;
    yr->DeleteAyd();
}

void TNed::UnlinkZamena(TYr* zamena, TYr* yr) {
    eraseOne(zamena->LZm, yr);
    eraseOne(yr->LZm, zamena);
    if (yr->LZm.empty() && !yr->SetZamenaYes()) yr->Dan.Zm = kZmNone;
}

void TNed::DestroyYr(TYr* yr) {
    if (yr == nullptr) return;
    // A lesson without substitutions leaves the clash index in place; any
    // other removal changes more than one lesson and lets it be rebuilt.
    const uint64_t before = Spisok != nullptr ? Spisok->RaspGeneration : 0;
    const bool plain = yr->LZm.empty() && yr->Yrok() != nullptr;
    const int noteTip = yr->Dan.tip;
    const int noteDe = plain && yr->Yrok()->Dey != nullptr ? yr->Yrok()->Dey->N : 0;
    const int noteY = plain ? yr->Yrok()->N : 0;
    const int noteFio = plain && yr->Held() && yr->Fio() != nullptr ? yr->Fio()->N : 0;
    const int noteOb = plain && yr->Held() ? yr->NObed() : 0;
    while (!yr->LZm.empty()) {
        TYr* other = yr->LZm.back();
        if (yr->SetZamenaYes())
            UnlinkZamena(yr, other);
        else
            UnlinkZamena(other, yr);
    }
    if (TYrok* yrok = yr->Yrok()) {
        const int tip = yr->Dan.tip;
        const int y = yrok->N;
        yrok->RemoveYr(yr);
        if (yrok->Dey != nullptr) yrok->Dey->FreeIfEmpty(tip, y);
    }
    if (TFioPredmet* fp = yr->FioPredmet()) {
        fp->ReleaseYr(yr);
    } else {
        for (auto it = LOtmena.begin(); it != LOtmena.end(); ++it)
            if (it->get() == yr) {
                LOtmena.erase(it);
                break;
            }
    }
    ModifiRasp();
    if (plain && Spisok != nullptr)
        Spisok->NoteYr(FGryp, noteFio, noteOb, noteTip, Ne(), noteDe, noteY, false, before);
}

void TNed::DeletePGrRasp(int, TYr* yr, bool) {
    DestroyYr(yr);
}

void TNed::DelYrokRasp(int tip, int de, int y, bool) {
    if (TDey* dey = Dey(de)) dey->DelYrok(tip, y);
}

void TNed::DelAllYrokRasp(int tip, bool UserDialog) {
    for (int de = 1; de <= kDayCount; ++de)
        for (int y = 0; y < kPeriodCount; ++y) DelYrokRasp(tip, de, y, UserDialog);
    if (tip == 0) Dan.NeSinx = 0;
    ModifiRasp();
}

void TNed::CopyRaspOrPy(int TipFrom, int TipTo, std::vector<std::string>& sl) {
    constexpr std::size_t kMaxLines = 200;
    for (int de = 1; de <= kDayCount; ++de) {
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* source = GetYrok(TipFrom, de, y);
            if (source == nullptr) continue;
            const std::vector<TYr*> plan = source->LYr;
            for (TYr* yr : plan) {
                const TFio* fio = yr->Fio();
                const int nFio = fio != nullptr ? fio->N : 0;
                const bool free =
                    Spisok == nullptr || Spisok->TestAddFio(TipTo, yr->NObed(), nFio, Ne(), de, y);
                if (free) {
                    TYr* copy = AddYrRas(TipTo, de, y, yr->YrokKorzina(), yr->FioPredmet());
                    if (copy != nullptr) {
                        copy->Dan.NAt = yr->Dan.NAt;
                        copy->Dan.Kh00 = yr->Dan.Kh00;
                        copy->SetPy(true);
                    }
                } else if (sl.size() < kMaxLines) {
                    sl.push_back("Гр." + (FGryp != nullptr ? FGryp->Name() : std::string()) + " " +
                                 shortDayName(de) + " пара=" + std::to_string(y) + " " +
                                 (fio != nullptr ? fio->BigName() : std::string()));
                }
            }
        }
    }
}

TYrok* TNed::GetNextYrok(int tip, int de, int y) const {
    int d = de;
    int p = y + 1;
    if (de <= 0) {
        d = 1;
        p = 0;
    }
    for (; d <= kDayCount; ++d, p = 0)
        for (; p < kPeriodCount; ++p)
            if (TYrok* yrok = GetYrok(tip, d, p)) return yrok;
    return nullptr;
}

int TNed::CountOneYrok(int tip) const {
    int count = 0;
    for (int de = 1; de <= kDayCount; ++de)
        if (Dey(de)->CountYrok(tip) == 1) ++count;
    return count;
}

int TNed::CountDirka(int tip) const {
    int count = 0;
    for (int de = 1; de <= kDayCount; ++de) count += Dey(de)->CountDirka(tip);
    return count;
}

int TNed::CountAllYrokOneDey() const {
    const int days = CountRunDey();
    if (days == 0 || FGryp == nullptr || FGryp->CountPredmet() == 0) return 0;
    int sum = 0;
    for (const auto& item : LNYrok)
        if (!item->LFio().empty()) sum += item->Dan.ky;
    return static_cast<int>(std::nearbyint(static_cast<double>(sum) / days));
}

bool TNed::TestBadDeyMaxYrok(int tip, int de) const {
    const TDey* dey = Dey(de);
    return dey != nullptr && dey->CountYrok(tip) > CountAllYrokOneDey();
}

int TNed::CountMaxYrForPredmet(const TPredmet* predmet) const {
    const TYrokKorzina* item = FindYrokKorzina(kSetkaPlan, predmet);
    return item != nullptr ? item->Dan.ky * static_cast<int>(item->LFio().size()) : 0;
}

int TNed::CountMaxZmForPredmet(const TPredmet* predmet) const {
    const auto* item =
        static_cast<const TYrokKorzinaZamena*>(FindYrokKorzina(kSetkaZamena, predmet));
    return item != nullptr ? item->CountAllYr() : 0;
}

int TNed::CountMaxOtmenForPredmet(const TPredmet* predmet) const {
    const TYrokKorzina* item = FindYrokKorzina(kSetkaPlan, predmet);
    if (item == nullptr) return 0;
    int count = 0;
    for (const auto& fp : item->LFio()) count += fp->CountOtmenYr(kSetkaPlan);
    return count;
}

int TNed::CountPlanForPredmet(int setka, const TPredmet* predmet) const {
    const TYrokKorzina* item = FindYrokKorzina(setka, predmet);
    if (item == nullptr) return 0;
    return setka == kSetkaZamena ? item->Dan.ky : item->CountPlanYr();
}

int TNed::CountFaktYrok(int vDe, int vSetka, const TPredmet* vPr, const TFio* vFi) const {
    int count = 0;
    for (int de = 1; de <= kDayCount; ++de)
        if (vDe <= 0 || vDe == de) count += Dey(de)->CountFaktYrok(vSetka, vPr, vFi);
    return count;
}

}  // namespace zavlin
