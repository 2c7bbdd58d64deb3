#include "model/exchange_search.h"

#include <algorithm>

#include "model/group.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

namespace {

// Held plan or additional lessons of a period that no substitution touches.
std::vector<TYr*> plainLessons(const TYrok* yrok) {
    std::vector<TYr*> out;
    if (yrok == nullptr) return out;
    for (int i = 0; i < yrok->CountYrDp(); ++i) {
        TYr* yr = yrok->YrDpZm(i);
        if (yr->Dan.Zm == kZmNone && yr->LZm.empty()) out.push_back(yr);
    }
    return out;
}

bool teaches(const TAllRasp& year, int nFio, int ne, int d, int y) {
    std::vector<TGrypYr> lessons;
    year.GetNFioOfGryp(0, nFio, ne, d, y, lessons);
    return !lessons.empty();
}

}  // namespace

// --- TDifZamenaYrok

void TDifZamenaYrok::Move() {
    std::vector<TGryp*> done;
    for (const TMove& m : Ly) {
        if (std::find(done.begin(), done.end(), m.Gryp) != done.end()) continue;
        done.push_back(m.Gryp);
        TNed* week = m.Gryp->GetNed(Ne);
        TDey* day = week != nullptr ? week->Dey(D1) : nullptr;
        TYrok* slot = day != nullptr ? day->GetYrok(0, Y1) : nullptr;
        if (slot == nullptr) continue;
        TYrok* other = day->GetYrok(0, Y2);
        if (other != nullptr && other->CountYrDp() > 0) {
            // A swap: each period is taught the other's lessons.
            other->AddZamenaForYrok(slot);
            slot->AddZamenaForYrok(other);
        } else {
            day->CreateYrok(0, Y2)->AddZamenaForYrok(slot);
            slot->AddOtmena();
        }
    }
}

// --- TDifZamena

TDifZamena::TDifZamena(TAllRasp& year, TGryp* gr, int ne, int de, int y,
                       TDifZamenaObserver* observer)
    : Year(year), Gr(gr), Ne(ne), De(de), Y(y), FObserver(observer) {}

TDifZamena::~TDifZamena() {
    Stop();
}

void TDifZamena::Start() {
    Stop();
    FStopYes = false;
    FStartOk = true;
    FThread = std::jthread([this] { Execute(); });
}

void TDifZamena::Stop() {
    FStopYes = true;
    if (FThread.joinable()) FThread.join();
}

void TDifZamena::Wait() {
    if (FThread.joinable()) FThread.join();
}

void TDifZamena::Execute() {
    FStartOk = true;
    {
        std::lock_guard<std::mutex> guard(Lock);
        LDifZamenaYrok.clear();
    }
    const int count = Gr != nullptr ? Gr->CountPredmet() : 0;
    for (int i = 0; i < count && !FStopYes; ++i) {
        if (auto found = searchSubject(*Gr->LPredmet[static_cast<std::size_t>(i)])) {
            found->FDifZamena = this;
            const TDifZamenaYrok* heard = found.get();
            {
                std::lock_guard<std::mutex> guard(Lock);
                LDifZamenaYrok.push_back(std::move(found));
            }
            // Outside the lock: a receiver may call Found().
            if (FObserver != nullptr) FObserver->DifZamenaFound(*heard);
        }
        if (FObserver != nullptr) FObserver->DifZamenaProgress(i + 1, count);
    }
    FStartOk = false;
}

std::vector<TDifZamenaYrok> TDifZamena::Found() const {
    std::lock_guard<std::mutex> guard(Lock);
    std::vector<TDifZamenaYrok> out;
    out.reserve(LDifZamenaYrok.size());
    for (const auto& found : LDifZamenaYrok) out.push_back(*found);
    return out;
}

int TDifZamena::CountFound() const {
    std::lock_guard<std::mutex> guard(Lock);
    return static_cast<int>(LDifZamenaYrok.size());
}

std::unique_ptr<TDifZamenaYrok> TDifZamena::searchSubject(TPredmet& pr) {
    const TNed* week = Gr->GetNed(Ne);
    if (week == nullptr || De < 1 || De > kDayCount || Y < 0 || Y >= kPeriodCount) return nullptr;
    const TYrokKorzina* item = week->FindYrokKorzina(kSetkaPlan, &pr);
    const TLFio& assignments = pr.GetLFio(Ne);
    if (item == nullptr || item->Dan.ky == 0 || assignments.empty()) return nullptr;
    std::vector<int> teachers;
    for (const auto& fp : assignments)
        if (fp->Fio() != nullptr) teachers.push_back(fp->Fio()->N);
    if (teachers.empty()) return nullptr;

    // Only a subject all of whose teachers are held elsewhere at the slot.
    const int own = Year.GetGrypIndex(Gr);
    std::vector<int> slotGroups;
    for (int t : teachers) {
        std::vector<TGrypYr> lessons;
        Year.GetNFioOfGryp(0, t, Ne, De, Y, lessons);
        bool elsewhere = false;
        for (const TGrypYr& l : lessons) {
            if (l.indxGryp == own) return nullptr;
            elsewhere = true;
            slotGroups.push_back(l.indxGryp);
        }
        if (!elsewhere) return nullptr;
    }

    std::array<bool, kPeriodCount> usable{};
    usable.fill(true);
    usable[static_cast<std::size_t>(Y)] = false;
    for (int p = 0; p < kPeriodCount; ++p)
        for (int t : teachers)
            if (teaches(Year, t, Ne, De, p)) usable[static_cast<std::size_t>(p)] = false;
    for (int g : slotGroups) {
        const int first = Year.LGryp[static_cast<std::size_t>(g)]->Dan.TimeDay;
        const int last = first + (first > 4 ? 1 : 3);
        for (int p = 0; p < kPeriodCount; ++p)
            if (p < first || p > last) usable[static_cast<std::size_t>(p)] = false;
    }
    if (std::none_of(usable.begin(), usable.end(), [](bool u) { return u; })) return nullptr;

    // The lessons of those teachers at the slot, in every group.
    struct Moving {
        TGryp* gryp;
        TYr* yr;
    };
    std::vector<Moving> moving;
    for (const auto& gr : Year.LGryp) {
        const TNed* w = gr->GetNed(Ne);
        for (TYr* yr : plainLessons(w != nullptr ? w->GetYrok(0, De, Y) : nullptr))
            if (yr->Fio() != nullptr &&
                std::find(teachers.begin(), teachers.end(), yr->Fio()->N) != teachers.end())
                moving.push_back({gr.get(), yr});
    }
    if (moving.empty()) return nullptr;

    auto freeAt = [&](const TYr* yr, int p) {
        return yr->Fio() == nullptr || !teaches(Year, yr->Fio()->N, Ne, De, p);
    };
    for (int p = 0; p < kPeriodCount; ++p) {
        if (!usable[static_cast<std::size_t>(p)]) continue;
        std::vector<std::pair<TGryp*, TYr*>> entering;
        bool fits = true;
        for (const Moving& m : moving) {
            const TNed* w = m.gryp->GetNed(Ne);
            const TDey* day = w->Dey(De);
            const TYrok* target = day->GetYrok(0, p);
            if (target != nullptr && target->CountYrDp() > 0) {
                const std::vector<TYr*> occupying = plainLessons(target);
                for (TYr* o : occupying) {
                    if (o->YrokKorzina() == nullptr || !freeAt(o, Y)) fits = false;
                    entering.emplace_back(m.gryp, o);
                }
                if (static_cast<int>(occupying.size()) != target->CountYrDpZm())
                    fits = false;  // substitutions there stay where they are
            } else {
                // Into an empty period only from the edge of the day.
                const TYrok* first = day->FirstYrok(0);
                const TYrok* last = day->LastYrok(0);
                const bool edge =
                    p < Y ? first != nullptr && first->N == Y : last != nullptr && last->N == Y;
                if (!edge || !freeAt(m.yr, p)) fits = false;
            }
            if (!fits) break;
        }
        if (!fits) continue;

        auto found = std::make_unique<TDifZamenaYrok>();
        found->Predmet = &pr;
        found->Ne = Ne;
        found->D1 = found->D2 = De;
        found->Y1 = Y;
        found->Y2 = p;
        std::string text = pr.Name() + " " + pr.NameFio(Ne) + "(";
        bool firstEntry = true;
        auto entry = [&](const TGryp* g, const TYr* yr, int from, int to) {
            if (!firstEntry) text += ",";
            firstEntry = false;
            text += " Гр." + g->Name() + " " + yr->NamePredmet(false) + " с" +
                    std::to_string(from) + " на" + std::to_string(to);
        };
        for (const Moving& m : moving) {
            found->Ly.push_back({m.gryp, Y, p});
            entry(m.gryp, m.yr, Y, p);
        }
        for (const auto& [g, o] : entering) {
            found->Lv.push_back({g, p, Y});
            entry(g, o, p, Y);
        }
        found->FText = text + ")";
        return found;
    }
    return nullptr;
}

}  // namespace zavlin
