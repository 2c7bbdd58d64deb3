// Which rooms are in use at a moment, across all groups.
#include <algorithm>

#include "model/year.h"
#include "model/year_internal.h"

namespace zavlin {

using namespace year_detail;

bool TAllRasp::CanRunAyd(int tip, int nAyd, int ne, int d, int y) const {
    if (nAyd == 0 || !validMoment(tip, ne, d, y)) return true;
    for (const auto& gr : LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        bool taken = false;
        forEachYr(week->GetYrok(tip, d, y),
                  [&](const TYr* yr) { taken = taken || (yr->Held() && yr->NAyd() == nAyd); });
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

}  // namespace zavlin
