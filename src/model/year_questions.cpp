// Questions across all groups at one moment: who teaches, which unions meet,
// whether a teacher or a room is free.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <unordered_map>

#include "model/year.h"
#include "model/year_internal.h"

namespace zavlin {

using namespace year_detail;

namespace {

uint8_t cellOf(int d, int y) {
    return static_cast<uint8_t>((d - 1) * kPeriodCount + y);
}

}  // namespace

bool TAllRasp::busyInZachet(int nFio, int ne, int d, int y, std::vector<int>& groups) const {
    bool any = false;
    for (std::size_t gi = 0; gi < LGryp.size(); ++gi)
        for (const auto& z : LGryp[gi]->LZachet) {
            if (z->Ne() != ne || z->Day() != d || !z->RunFioNumber(nFio)) continue;
            if (y < z->StartYrok(TaimYrok) || y > z->EndYrok(TaimYrok)) continue;
            groups.push_back(static_cast<int>(gi));
            any = true;
        }
    return any;
}

void TAllRasp::OccupancySlot::Cells::add(const Entry& e) {
    entries.push_back(e);
    const auto d = static_cast<std::size_t>(e.cell / kPeriodCount + 1);
    const auto bit = static_cast<uint16_t>(1u << (e.cell % kPeriodCount));
    if (!e.lesson) {
        creditDays[d] |= bit;
        return;
    }
    ++lessons[e.cell];
    lessonDays[d] |= bit;
}

bool TAllRasp::OccupancySlot::Cells::removeLesson(uint8_t cell, int g) {
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (it->cell == cell && it->g == g && it->lesson) {
            entries.erase(it);
            if (--lessons[cell] == 0)
                lessonDays[static_cast<std::size_t>(cell / kPeriodCount + 1)] &=
                    static_cast<uint16_t>(~(1u << (cell % kPeriodCount)));
            return true;
        }
    return false;
}

const TAllRasp::OccupancySlot::Cells* TAllRasp::OccupancySlot::Keyed::find(int n) const {
    int pos = 0;
    if (n >= 0 && n < kDense) {
        if (static_cast<std::size_t>(n) < FDense.size()) pos = FDense[static_cast<std::size_t>(n)];
    } else if (auto it = FSparse.find(n); it != FSparse.end()) {
        pos = it->second;
    }
    return pos != 0 ? &FCells[static_cast<std::size_t>(pos - 1)] : nullptr;
}

TAllRasp::OccupancySlot::Cells& TAllRasp::OccupancySlot::Keyed::at(int n) {
    int* pos = nullptr;
    if (n >= 0 && n < kDense) {
        if (static_cast<std::size_t>(n) >= FDense.size())
            FDense.resize(static_cast<std::size_t>(n) + 1, 0);
        pos = &FDense[static_cast<std::size_t>(n)];
    } else {
        pos = &FSparse[n];
    }
    if (*pos == 0) {
        FCells.emplace_back();
        *pos = static_cast<int>(FCells.size());
    }
    return FCells[static_cast<std::size_t>(*pos - 1)];
}

void TAllRasp::OccupancySlot::Keyed::clear() {
    FDense.clear();
    FSparse.clear();
    FCells.clear();
}

TAllRasp::OccupancySlot& TAllRasp::occupancy(int tip, int ne) {
    if (!FOccupancy) {
        FOccupancy = std::make_unique<OccupancyIndex>();
        FOccupancy->slots.resize(4);
    }
    OccupancyIndex& index = *FOccupancy;
    for (auto& slot : index.slots)
        if (slot.tip == tip && slot.ne == ne && slot.generation == RaspGeneration) return slot;
    OccupancySlot& slot = index.slots[index.next];
    index.next = (index.next + 1) % index.slots.size();
    slot.tip = tip;
    slot.ne = ne;
    slot.generation = RaspGeneration;
    slot.fio.clear();
    slot.ob.clear();
    for (std::size_t gi = 0; gi < LGryp.size(); ++gi) {
        const TGryp& gr = *LGryp[gi];
        const int g = static_cast<int>(gi);
        if (const TNed* week = gr.GetNed(ne))
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    forEachYr(week->GetYrok(tip, d, y), [&](const TYr* yr) {
                        if (!yr->Held()) return;
                        if (const TFio* fio = yr->Fio())
                            slot.fio.at(fio->N).add({cellOf(d, y), true, g});
                        if (const int nob = yr->NObed())
                            slot.ob.at(nob).add({cellOf(d, y), true, g});
                    });
        for (const auto& z : gr.LZachet) {
            if (z->Ne() != ne || z->Day() < 1 || z->Day() > kDayCount) continue;
            const int first = std::max(z->StartYrok(TaimYrok), 0);
            const int last = std::min(z->EndYrok(TaimYrok), kPeriodCount - 1);
            for (int y = first; y <= last; ++y) {
                for (const TFio* fio : z->LEkzam)
                    slot.fio.at(fio->N).add({cellOf(z->Day(), y), false, g});
                for (const TFio* fio : z->LAsist)
                    slot.fio.at(fio->N).add({cellOf(z->Day(), y), false, g});
            }
        }
    }
    return slot;
}

namespace {

uint64_t mix64(uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

}  // namespace

void TAllRasp::WatchLessons(int tip, int ne) {
    FWatchTip = tip;
    FWatchNe = ne;
    // Fingerprints start at zero: a lesson put in and taken out again
    // leaves them as they were, so only the net change shows.
    FGroupPrint.assign(LGryp.size(), 0);
    FFioPrint.clear();
    FFioPrintSparse.clear();
}

uint64_t TAllRasp::GroupPrint(int g) const {
    return g >= 0 && static_cast<std::size_t>(g) < FGroupPrint.size()
               ? FGroupPrint[static_cast<std::size_t>(g)]
               : 0;
}

uint64_t TAllRasp::FioPrint(int nFio) const {
    if (nFio >= 0 && nFio < kDenseFio)
        return static_cast<std::size_t>(nFio) < FFioPrint.size()
                   ? FFioPrint[static_cast<std::size_t>(nFio)]
                   : 0;
    const auto it = FFioPrintSparse.find(nFio);
    return it != FFioPrintSparse.end() ? it->second : 0;
}

void TAllRasp::NoteYr(const TGryp* gr, int nFio, int nob, int tip, int ne, int d, int y, bool added,
                      uint64_t before) {
    if (gr == nullptr || !validMoment(tip, ne, d, y)) return;
    const int g = gr->GetIndex();
    const uint8_t cell = cellOf(d, y);
    if (ne == FWatchNe && tip == FWatchTip) {
        const auto n = static_cast<uint64_t>(static_cast<uint32_t>(nFio));
        const auto u = static_cast<uint64_t>(static_cast<uint32_t>(nob));
        // Adding and removing the same lesson cancel out.
        const uint64_t lesson = mix64(cell | n << 8 | u << 40);
        if (g >= 0 && static_cast<std::size_t>(g) < FGroupPrint.size())
            FGroupPrint[static_cast<std::size_t>(g)] ^= lesson;
        if (nFio != 0) {
            const auto gu = static_cast<uint64_t>(static_cast<uint32_t>(g));
            const uint64_t held = mix64(~(cell | gu << 8 | u << 40));
            if (nFio > 0 && nFio < kDenseFio) {
                if (static_cast<std::size_t>(nFio) >= FFioPrint.size())
                    FFioPrint.resize(static_cast<std::size_t>(nFio) + 1, 0);
                FFioPrint[static_cast<std::size_t>(nFio)] ^= held;
            } else {
                FFioPrintSparse[nFio] ^= held;
            }
        }
    }
    if (!FOccupancy) return;
    auto update = [&](OccupancySlot::Cells& cells) {
        if (added)
            cells.add({cell, true, g});
        else
            cells.removeLesson(cell, g);
    };
    for (auto& slot : FOccupancy->slots) {
        // A slot that missed an earlier change is rebuilt when next asked.
        if (slot.generation != before) continue;
        slot.generation = RaspGeneration;
        if (slot.tip != tip || slot.ne != ne || g < 0) continue;
        if (nFio != 0) update(slot.fio.at(nFio));
        if (nob != 0) update(slot.ob.at(nob));
#ifndef NDEBUG
        // The teacher's bit of the cell must say what the groups' cells say.
        if (nFio != 0) {
            std::vector<TGrypYr> held;
            GetNFioOfGryp(tip, nFio, ne, d, y, held);
            const OccupancySlot::Cells* cells = slot.fio.find(nFio);
            assert(cells != nullptr && ((cells->lessonDays[static_cast<std::size_t>(d)] >> y) &
                                        1u) == (held.empty() ? 0u : 1u));
        }
#endif
    }
}

void TAllRasp::NoteNoLessonMoved(uint64_t before) {
    if (!FOccupancy) return;
    for (auto& slot : FOccupancy->slots)
        if (slot.generation == before) slot.generation = RaspGeneration;
}

bool TAllRasp::TestAddFio(int tip, int nob, int nFio, int ne, int d, int y) {
    if (nFio == 0 || !validMoment(tip, ne, d, y)) return true;
    const OccupancySlot& slot = occupancy(tip, ne);
    const OccupancySlot::Cells* busy = slot.fio.find(nFio);
    const uint8_t cell = cellOf(d, y);
    if (busy == nullptr || !busy->busy(cell)) return true;
    const OccupancySlot::Cells* members = nob != 0 ? slot.ob.find(nob) : nullptr;
    // Free only when every group holding the teacher is one where the union meets.
    for (const auto& e : busy->entries) {
        if (e.cell != cell) continue;
        if (members == nullptr) return false;
        const bool meets = std::any_of(members->entries.begin(), members->entries.end(),
                                       [&](const auto& m) { return m.cell == cell && m.g == e.g; });
        if (!meets) return false;
    }
    return true;
}

std::array<uint16_t, kDayCount + 1> TAllRasp::FioWeekCells(int tip, int nFio, int ne) {
    if (nFio == 0 || !validMoment(tip, ne, 1, 0)) return {};
    const OccupancySlot::Cells* busy = occupancy(tip, ne).fio.find(nFio);
    return busy != nullptr ? busy->lessonDays : std::array<uint16_t, kDayCount + 1>{};
}

std::vector<TGrypYr> TAllRasp::FioYrAt(int tip, int nFio, int ne, int d, int y) {
    std::vector<TGrypYr> lessons;
    FioYrAt(tip, nFio, ne, d, y, lessons);
    return lessons;
}

void TAllRasp::FioYrAt(int tip, int nFio, int ne, int d, int y, std::vector<TGrypYr>& lessons) {
    lessons.clear();
    if (nFio == 0 || !validMoment(tip, ne, d, y)) return;
    const OccupancySlot::Cells* busy = occupancy(tip, ne).fio.find(nFio);
    const uint8_t cell = cellOf(d, y);
    if (busy == nullptr || busy->lessons[cell] == 0) return;
    // The groups in ascending order, each once; a teacher is in few at a time.
    std::array<int, 16> few{};
    std::vector<int> many;
    std::size_t n = 0;
    for (const auto& e : busy->entries) {
        if (!e.lesson || e.cell != cell) continue;
        if (n < few.size())
            few[n] = e.g;
        else
            many.push_back(e.g);
        ++n;
    }
    int* begin = few.data();
    int* end = few.data() + std::min(n, few.size());
    if (!many.empty()) {
        many.insert(many.begin(), begin, end);
        begin = many.data();
        end = many.data() + many.size();
    }
    std::sort(begin, end);
    end = std::unique(begin, end);
    for (const int* g = begin; g != end; ++g)
        if (const TNed* week = LGryp[static_cast<std::size_t>(*g)]->GetNed(ne))
            forEachYr(week->GetYrok(tip, d, y), [&](TYr* yr) {
                if (yr->Held() && yr->Fio() != nullptr && yr->Fio()->N == nFio)
                    lessons.push_back({*g, yr});
            });
}

bool TAllRasp::TestAddFioScan(int tip, int nob, int nFio, int ne, int d, int y) const {
    if (nFio == 0 || !validMoment(tip, ne, d, y)) return true;
    std::vector<TGrypYr> lessons;
    GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
    std::vector<int> groups;
    for (const TGrypYr& l : lessons) groups.push_back(l.indxGryp);
    busyInZachet(nFio, ne, d, y, groups);
    std::vector<int> unionGroups;
    if (nob != 0) GetObedOfGryp(tip, nob, ne, d, y, unionGroups);
    for (int g : groups)
        if (std::find(unionGroups.begin(), unionGroups.end(), g) == unionGroups.end()) return false;
    return true;
}

void TAllRasp::GetNFioOfGryp(int tip, int nFio, int ne, int d, int y,
                             std::vector<TGrypYr>& vL) const {
    if (!validMoment(tip, ne, d, y)) return;
    for (std::size_t gi = 0; gi < LGryp.size(); ++gi)
        if (const TNed* week = LGryp[gi]->GetNed(ne))
            forEachYr(week->GetYrok(tip, d, y), [&](TYr* yr) {
                if (yr->Held() && yr->Fio() != nullptr && yr->Fio()->N == nFio)
                    vL.push_back({static_cast<int>(gi), yr});
            });
}

void TAllRasp::GetNFioOfGrypNoZam(int tip, int nFio, int ne, int d, int y,
                                  std::vector<TGrypYr>& vL) const {
    if (!validMoment(tip, ne, d, y)) return;
    for (std::size_t gi = 0; gi < LGryp.size(); ++gi)
        if (const TNed* week = LGryp[gi]->GetNed(ne))
            forEachYr(week->GetYrok(tip, d, y), [&](TYr* yr) {
                if (!yr->SetZamenaYes() && yr->Fio() != nullptr && yr->Fio()->N == nFio)
                    vL.push_back({static_cast<int>(gi), yr});
            });
}

void TAllRasp::GetObedOfGryp(int tip, int NOb, int ne, int d, int y, std::vector<int>& mg) const {
    if (NOb == 0 || !validMoment(tip, ne, d, y)) return;
    for (std::size_t gi = 0; gi < LGryp.size(); ++gi) {
        bool held = false;
        if (const TNed* week = LGryp[gi]->GetNed(ne))
            forEachYr(week->GetYrok(tip, d, y),
                      [&](const TYr* yr) { held = held || (yr->Held() && yr->NObed() == NOb); });
        if (held) mg.push_back(static_cast<int>(gi));
    }
}

std::vector<int> TAllRasp::GetNFioNObed(int tip, int nFio, int ne, int d, int y) const {
    std::vector<TGrypYr> lessons;
    GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
    std::vector<int> unions;
    for (const TGrypYr& l : lessons) {
        const int nob = l.yr->NObed();
        if (nob != 0 && std::find(unions.begin(), unions.end(), nob) == unions.end())
            unions.push_back(nob);
    }
    return unions;
}

TYr* TAllRasp::AddYr(TGryp* gryp, int tip, int ne, int d, int y, TYrokKorzina* YrKorzina,
                     TFioPredmet* fiPredmet) {
    if (gryp == nullptr || YrKorzina == nullptr || fiPredmet == nullptr || !gryp->TestNed(ne))
        return nullptr;
    const TFio* fio = fiPredmet->Fio();
    if (!TestAddFio(tip, fiPredmet->Dan.Nob, fio != nullptr ? fio->N : 0, ne, d, y)) return nullptr;
    TNed* week = gryp->GetNed(ne);
    if (fiPredmet->CountYr(kSetkaPlan, tip) >=
        week->CountPlanForPredmet(kSetkaPlan, YrKorzina->Predmet()))
        return nullptr;
    return week->AddYrRas(tip, d, y, YrKorzina, fiPredmet);
}

bool TAllRasp::aydUsedInRasp(const TAyd& ayd) const {
    for (const auto& gr : LGryp)
        for (const TNed* week : gr->LNed)
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y) {
                    bool used = false;
                    forEachYr(week->GetYrok(0, d, y),
                              [&](const TYr* yr) { used = used || yr->Ayd() == &ayd; });
                    if (used) return true;
                }
    return false;
}

int TAllRasp::GetRunDey(int tip, int nFio, int ne) const {
    int days = 0;
    for (int d = 1; d <= kDayCount; ++d) {
        bool works = false;
        for (int y = 0; y < kPeriodCount && !works; ++y) {
            std::vector<TGrypYr> lessons;
            GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
            works = !lessons.empty();
        }
        if (works) ++days;
    }
    return days;
}

int TAllRasp::GetMimRunDey(int nFio, int ne, int minYrDey) const {
    int m = 0;
    int s = 0;  // runs over all groups, never reset
    for (const auto& gr : LGryp) {
        const int c = minYrDey == 1 ? 1 : (gr->Dan.TimeDay < 6 ? minYrDey : 2);
        if (gr->GetNed(ne) == nullptr) continue;
        for (const auto& pr : gr->LPredmet) {
            if (!pr->FioRunNed(ne, nFio)) continue;
            const int e = pr->CountPredmetNe(kSetkaPlan, ne);
            m = std::max(m, std::min(e, 6));
            s += e;
            if (c > 0 && s >= c) m = std::max(m, std::min(6, (s + c - 1) / c));
        }
    }
    return m == 0 ? 6 : m;
}

int TAllRasp::CountAllKorzinaNoRasp(int ne) const {
    int left = 0;
    for (const auto& gr : LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        for (const auto& item : week->LNYrok)
            for (const auto& fp : item->LFio()) {
                int placed = 0;
                for (const auto& yr : fp->LYr)
                    if (yr->YrokKorzina() == item.get() && yr->Dan.tip == 0) ++placed;
                left += std::max(0, item->Dan.ky - placed);
            }
    }
    return left;
}

}  // namespace zavlin
