// One day of a week (TDey) and its periods.
#include "model/group.h"
#include "model/timetable.h"
#include "model/timetable_internal.h"

namespace zavlin {

using namespace timetable_detail;

const char* shortDayName(int de) {
    static const char* const names[] = {"", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    return validDay(de) ? names[de] : "";
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
        if (FSpare) {
            slot = std::move(FSpare);
            slot->N = y;
        } else {
            slot = std::make_unique<TYrok>(this, y);
        }
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
    if (yrok == nullptr || !yrok->Empty()) return;
    if (FSpare)
        Layer(tip)[y].reset();
    else
        FSpare = std::move(Layer(tip)[y]);
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

}  // namespace zavlin
