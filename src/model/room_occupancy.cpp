// Which rooms are in use at a moment across all groups, and giving the free
// rooms to the teachers who hold lessons then.
#include <algorithm>
#include <unordered_set>

#include "model/year.h"
#include "model/year_internal.h"

namespace zavlin {

using namespace year_detail;

namespace {

// Credit records have no layer: they hold their room in both.
bool zachetAt(const TZachet& z, int ne, int d, int y, const TSpisok& god) {
    return z.Ne() == ne && z.Day() == d && z.RunYrok(y, god.TaimYrok);
}

std::unordered_set<const TAyd*> roomsInUse(const TAllRasp& god, int tip, int ne, int d, int y) {
    std::unordered_set<const TAyd*> used;
    for (const auto& gr : god.LGryp) {
        if (const TNed* week = gr->GetNed(ne))
            forEachYr(week->GetYrok(tip, d, y), [&](const TYr* yr) {
                if (yr->Held() && yr->Ayd() != nullptr) used.insert(yr->Ayd());
            });
        for (const auto& z : gr->LZachet)
            if (z->FAyd != nullptr && zachetAt(*z, ne, d, y, god)) used.insert(z->FAyd);
    }
    return used;
}

// Stored rooms only: a room without N cannot be written into a lesson.
std::vector<TAyd*> freeRooms(const TAllRasp& god, int tip, int ne, int d, int y) {
    std::vector<TAyd*> rooms;
    if (!validMoment(tip, ne, d, y)) return rooms;
    const std::unordered_set<const TAyd*> used = roomsInUse(god, tip, ne, d, y);
    for (const auto& ayd : god.LAyd)
        if (ayd->N != 0 && !used.contains(ayd.get())) rooms.push_back(ayd.get());
    return rooms;
}

// A room of 0 seats has no stated size and fits anyone.
bool roomFits(const TAyd& room, const TFioYr& teacher, bool vCanMest) {
    if (!vCanMest || room.kv == 0) return true;
    const int c = teacher.CountStud();
    return c == 0 || room.kv >= c;
}

void giveRoom(TAyd* room, const TFioYr& teacher) {
    for (TYr* yr : teacher.LPGr) yr->SetAyd(room);
}

// The held lessons of a period in their running order.
std::vector<TYr*> heldOf(const TYrok* yrok) {
    std::vector<TYr*> held;
    forEachYr(yrok, [&](TYr* yr) {
        if (yr->Held()) held.push_back(yr);
    });
    return held;
}

}  // namespace

bool TAllRasp::CanRunAyd(int tip, int nAyd, int ne, int d, int y) const {
    if (nAyd == 0 || !validMoment(tip, ne, d, y)) return true;
    for (const auto& gr : LGryp) {
        bool taken = false;
        if (const TNed* week = gr->GetNed(ne))
            forEachYr(week->GetYrok(tip, d, y),
                      [&](const TYr* yr) { taken = taken || (yr->Held() && yr->NAyd() == nAyd); });
        for (const auto& z : gr->LZachet)
            taken = taken ||
                    (z->FAyd != nullptr && z->FAyd->N == nAyd && zachetAt(*z, ne, d, y, *this));
        if (taken) return false;
    }
    return true;
}

std::vector<TAyd*> TAllRasp::GetAydOfGryp(int tip, int indxGryp, int ne, int d, int y) const {
    std::vector<TAyd*> rooms;
    if (indxGryp < 0 || indxGryp >= CountGryp()) return rooms;
    const TNed* week = LGryp[static_cast<std::size_t>(indxGryp)]->GetNed(ne);
    const TYrok* yrok = week != nullptr ? week->GetYrok(tip, d, y) : nullptr;
    if (yrok == nullptr) return rooms;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
        TAyd* ayd = yrok->YrDpZm(i)->Ayd();
        if (ayd != nullptr && std::find(rooms.begin(), rooms.end(), ayd) == rooms.end())
            rooms.push_back(ayd);
    }
    return rooms;
}

std::vector<int> TAllRasp::GetGrypOfAyd(int tip, int nAyd, int ne, int d, int y) const {
    std::vector<int> groups;
    for (int g = 0; g < CountGryp(); ++g)
        for (const TAyd* ayd : GetAydOfGryp(tip, g, ne, d, y))
            if (ayd->N == nAyd) {
                groups.push_back(g);
                break;
            }
    return groups;
}

std::vector<int> TAllRasp::GetAydIndexForFio(int tip, int nFio, int ne, int d, int y) const {
    std::vector<int> positions;
    auto note = [&](const TAyd* ayd) {
        const int i = ayd != nullptr ? GetAydIndex(ayd) : -1;
        if (i >= 0 && std::find(positions.begin(), positions.end(), i) == positions.end())
            positions.push_back(i);
    };
    std::vector<TGrypYr> lessons;
    GetNFioOfGryp(tip, nFio, ne, d, y, lessons);
    for (const TGrypYr& l : lessons) note(l.yr->Ayd());
    if (validMoment(tip, ne, d, y))
        for (const auto& gr : LGryp)
            for (const auto& z : gr->LZachet)
                if (z->RunFioNumber(nFio) && zachetAt(*z, ne, d, y, *this)) note(z->FAyd);
    std::sort(positions.begin(), positions.end());
    return positions;
}

std::vector<int> TAllRasp::GetNoRunAyd(int tip, int ne, int d, int y) const {
    std::vector<int> numbers;
    for (const TAyd* ayd : freeRooms(*this, tip, ne, d, y)) numbers.push_back(ayd->N);
    return numbers;
}

void TAllRasp::DelAllAydit(int tip, int ne, int d) {
    if (!validMoment(tip, ne, d, 0)) return;
    for (const auto& gr : LGryp) {
        if (const TNed* week = gr->GetNed(ne))
            for (int y = 0; y < kPeriodCount; ++y)
                for (TYr* yr : heldOf(week->GetYrok(tip, d, y)))
                    if (yr->Ayd() != nullptr) yr->DeleteAyd();
        bool changed = false;
        for (const auto& z : gr->LZachet)
            if (z->Ne() == ne && z->Day() == d && z->FAyd != nullptr) {
                z->SetAyd(nullptr);
                changed = true;
            }
        // A credit record does not tell its group about a new room.
        if (changed) gr->OnModifi(gr.get());
    }
}

void TAllRasp::RaspredAydDeyYrok(int tip, int ne, int d, int y, bool vCanMest) {
    std::vector<TAyd*> free = freeRooms(*this, tip, ne, d, y);
    if (free.empty()) return;

    // Teachers whose every lesson has a room already keep what was chosen for
    // them and take nothing more from the free list.
    const TAllFioYr all = GetFioOfGryp(tip, ne, d, y);
    std::vector<const TFioYr*> teachers;
    for (const auto& entry : all.LFioYr)
        if (std::any_of(entry->LPGr.begin(), entry->LPGr.end(),
                        [](const TYr* yr) { return yr->Ayd() == nullptr; }))
            teachers.push_back(entry.get());

    // Bound rooms first, position by position in the rooms' teacher lists.
    std::size_t k = 0;
    for (const TAyd* room : free) k = std::max(k, room->LFio.size());
    for (std::size_t p = 0; p < k; ++p)
        for (auto room = free.begin(); room != free.end();) {
            auto teacher = teachers.end();
            if ((*room)->LFio.size() > p)
                teacher = std::find_if(teachers.begin(), teachers.end(),
                                       [&](const TFioYr* t) { return t->Fio == (*room)->LFio[p]; });
            if (teacher != teachers.end() && roomFits(**room, **teacher, vCanMest)) {
                giveRoom(*room, **teacher);
                teachers.erase(teacher);
                room = free.erase(room);
            } else {
                ++room;
            }
        }

    // Special rooms serve only the teachers bound to them.
    std::erase_if(free, [](const TAyd* room) { return room->SpecAyd(); });

    for (auto teacher = teachers.rbegin(); teacher != teachers.rend(); ++teacher) {
        auto room = std::find_if(free.begin(), free.end(),
                                 [&](const TAyd* r) { return roomFits(*r, **teacher, vCanMest); });
        if (room == free.end()) continue;
        giveRoom(*room, **teacher);
        free.erase(room);
    }
}

void TAllRasp::RaspredAydDey(int tip, int ne, int d, bool vCanMest) {
    for (int y = 0; y < kPeriodCount; ++y) RaspredAydDeyYrok(tip, ne, d, y, vCanMest);
}

void TAllRasp::SinxrAydDey(int tip, int neFrom, int neTo, int d) {
    // Copying a week onto itself would only wipe its rooms.
    if (neFrom == neTo || !validMoment(tip, neFrom, d, 0) || !validMoment(tip, neTo, d, 0)) return;
    DelAllAydit(tip, neTo, d);
    for (const auto& gr : LGryp) {
        const TNed* from = gr->GetNed(neFrom);
        const TNed* to = gr->GetNed(neTo);
        if (from == nullptr || to == nullptr) continue;
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* a = from->GetYrok(tip, d, y);
            const TYrok* b = to->GetYrok(tip, d, y);
            if (a == nullptr || b == nullptr) continue;
            const std::vector<TYr*> source = heldOf(a);
            const std::vector<TYr*> target = heldOf(b);
            if (source.size() != target.size()) continue;
            for (std::size_t i = 0; i < source.size(); ++i)
                if (source[i]->Fio() == target[i]->Fio()) target[i]->SetAyd(source[i]->Ayd());
        }
    }
}

}  // namespace zavlin
