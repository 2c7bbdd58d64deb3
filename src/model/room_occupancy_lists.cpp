// The occupancy lists of rooms per building and week, and a teacher's rooms
// period by period.
#include "model/room_occupancy.h"
#include "model/year.h"

namespace zavlin {

namespace {

bool validCell(int d, int y) {
    return d >= 1 && d <= kDayCount && y >= 0 && y < kPeriodCount;
}

}  // namespace

// --- TLGrypAydDey

TLGrypAydDey::TLGrypAydDey(TLAydDom* owner, const TAllRasp& god, TAyd* ayd, int ned)
    : LAydDom(owner), Ned(ned), FGod(god), FAyd(ayd) {}

int TLGrypAydDey::IndxNe() const {
    if (LAydDom == nullptr || LAydDom->LAydAllDom == nullptr) return -1;
    return LAydDom->LAydAllDom->IndxNe;
}

void TLGrypAydDey::DelAllGryp(int de, int Y) {
    if (validCell(de, Y)) My[static_cast<std::size_t>(de)][static_cast<std::size_t>(Y)].reset();
}

void TLGrypAydDey::GetGrypAydDey(int d) {
    if (!validCell(d, 0)) return;
    for (int y = 0; y < kPeriodCount; ++y) {
        DelAllGryp(d, y);
        TYrList& list = My[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)];
        for (const auto& gr : FGod.LGryp) {
            const TNed* week = gr->GetNed(Ned);
            const TYrok* yrok = week != nullptr ? week->GetYrok(0, d, y) : nullptr;
            if (yrok == nullptr) continue;
            for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
                TYr* yr = yrok->YrDpZm(i);
                if (!yr->Held() || yr->Ayd() != FAyd || FAyd == nullptr) continue;
                if (!list) list = std::make_unique<std::vector<TYr*>>();
                list->push_back(yr);
            }
        }
    }
}

const std::vector<TYr*>* TLGrypAydDey::Yr(int d, int y) const {
    if (!validCell(d, y)) return nullptr;
    return My[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)].get();
}

int TLGrypAydDey::CountGrypYr(int d, int y) const {
    const std::vector<TYr*>* list = Yr(d, y);
    return list != nullptr ? static_cast<int>(list->size()) : 0;
}

std::string TLGrypAydDey::GrypForYr(int d, int y) const {
    std::string text;
    const std::vector<TYr*>* list = Yr(d, y);
    if (list == nullptr) return text;
    for (const TYr* yr : *list) {
        const TYrok* yrok = yr->Yrok();
        const TGryp* gr = yrok != nullptr && yrok->Dey != nullptr && yrok->Dey->Ned != nullptr
                              ? yrok->Dey->Ned->Gryp()
                              : nullptr;
        if (gr == nullptr) continue;
        if (!text.empty()) text += ",";
        text += gr->Name();
    }
    return text;
}

// --- TLAydDom

TLAydDom::TLAydDom(TLAydAllDom* owner, const TAllRasp& god, TDom* dom, int ned)
    : LAydAllDom(owner), Ned(ned), FDom(dom) {
    for (const auto& ayd : god.LAyd)
        if (ayd->Dom() == dom)
            Li.push_back(std::make_unique<TLGrypAydDey>(this, god, ayd.get(), ned));
}

void TLAydDom::GetAydDey(int d) {
    for (const auto& room : Li) room->GetGrypAydDey(d);
}

// --- TLAydAllDom

TLAydAllDom::TLAydAllDom(TLAydAllDomNed* owner, const TAllRasp& god, int ned, int indxNe)
    : LAydAllDomNed(owner), Ned(ned), IndxNe(indxNe) {
    for (const auto& dom : god.LDom)
        Li.push_back(std::make_unique<TLAydDom>(this, god, dom.get(), ned));
}

void TLAydAllDom::GetAydDey(int d) {
    for (const auto& dom : Li) dom->GetAydDey(d);
}

// --- TLAydAllDomNed

TLAydAllDomNed::TLAydAllDomNed(const TAllRasp& god, const std::vector<int>& weeks) {
    for (std::size_t i = 0; i < weeks.size(); ++i)
        Ln.push_back(std::make_unique<TLAydAllDom>(this, god, weeks[i], static_cast<int>(i)));
}

int TLAydAllDomNed::CountLAydDom(int NeIndx) const {
    if (NeIndx < 0 || NeIndx >= static_cast<int>(Ln.size())) return 0;
    return Ln[static_cast<std::size_t>(NeIndx)]->CountLAydDom();
}

// --- TFioAyd

void TFioAyd::AddPg(TYr* Pg, int Y) {
    if (Pg == nullptr || Y < 0 || Y >= kPeriodCount) return;
    TYrList& list = MYr[static_cast<std::size_t>(Y)];
    if (!list) list = std::make_unique<std::vector<TYr*>>();
    list->push_back(Pg);
    TAyd*& room = MAyd[static_cast<std::size_t>(Y)];
    if (room == nullptr) room = Pg->Ayd();
}

void TFioAyd::DelPg(int Y, int i) {
    if (i < 0 || i >= CountPG(Y)) return;
    TYrList& list = MYr[static_cast<std::size_t>(Y)];
    list->erase(list->begin() + i);
    // The period's room is whatever the remaining lessons still have.
    TAyd*& room = MAyd[static_cast<std::size_t>(Y)];
    room = nullptr;
    for (const TYr* yr : *list)
        if (room == nullptr) room = yr->Ayd();
    if (list->empty()) list.reset();
}

int TFioAyd::CountPG(int Y) const {
    if (Y < 0 || Y >= kPeriodCount) return 0;
    const TYrList& list = MYr[static_cast<std::size_t>(Y)];
    return list ? static_cast<int>(list->size()) : 0;
}

void TFioAyd::ClearAllYr() {
    for (TYrList& list : MYr) list.reset();
    MAyd.fill(nullptr);
}

bool TFioAyd::SetAyd(TAyd* Ay, int Y) {
    if (Ay == nullptr || CountPG(Y) == 0 || MAyd[static_cast<std::size_t>(Y)] != nullptr)
        return false;
    for (TYr* yr : *MYr[static_cast<std::size_t>(Y)]) yr->SetAyd(Ay);
    MAyd[static_cast<std::size_t>(Y)] = Ay;
    return true;
}

void TFioAyd::DelAyd(int Y) {
    if (CountPG(Y) == 0) return;
    for (TYr* yr : *MYr[static_cast<std::size_t>(Y)]) yr->DeleteAyd();
    MAyd[static_cast<std::size_t>(Y)] = nullptr;
}

// --- TAllFioAyd

TFioAyd* TAllFioAyd::AddFio(TFio* Fio, int NNe) {
    for (const auto& entry : LFioAyd)
        if (entry->Fio == Fio && entry->FIndxNe == NNe) return entry.get();
    LFioAyd.push_back(std::make_unique<TFioAyd>(Fio, NNe));
    return LFioAyd.back().get();
}

void TAllFioAyd::ClearYrAllFio() {
    for (const auto& entry : LFioAyd) entry->ClearAllYr();
}

}  // namespace zavlin
