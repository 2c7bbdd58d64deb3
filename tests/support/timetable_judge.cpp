#include "timetable_judge.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "model/group.h"
#include "model/timetable.h"

namespace zavlin::testsupport {

namespace {

constexpr std::size_t kMaxBreaches = 40;

std::string where(const TGryp* gr, int d, int y) {
    return gr->Name() + " " + shortDayName(d) + "/" + std::to_string(y);
}

}  // namespace

WeekVerdict judgeWeek(const TAllRasp& year, int ne) {
    WeekVerdict v;
    auto report = [&](const std::string& text) {
        if (v.breaches.size() < kMaxBreaches) v.breaches.push_back(text);
    };
    struct Booking {
        const TGryp* gr;
        int nob;
    };
    std::map<std::tuple<const TFio*, int, int>, std::vector<Booking>> byTeacher;
    std::map<const TFioPredmet*, std::set<std::pair<int, int>>> cellsOf;
    std::map<const TFioPredmet*, int> given;

    for (const auto& gr : year.LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        // Four periods from the group's first; two from a late first.
        const int first = gr->Dan.TimeDay;
        const int last = first + (first > 5 ? 1 : 3);
        for (int d = 1; d <= 6; ++d)
            for (int y = 0; y < 12; ++y) {
                const TYrok* cell = week->GetYrok(0, d, y);
                const std::string at = where(gr.get(), d, y);
                if (const TYrok* py = week->GetYrok(1, d, y))
                    for (const TYr* pin : py->LYr) {
                        const bool kept =
                            cell != nullptr &&
                            std::any_of(cell->LYr.begin(), cell->LYr.end(), [&](const TYr* yr) {
                                return yr->Fio() == pin->Fio() && yr->Predmet() == pin->Predmet();
                            });
                        if (!kept) report(at + ": pinned lesson lost");
                    }
                if (cell == nullptr || cell->LYr.empty()) continue;
                if (!week->TestRunDey(d)) report(at + ": not a study day");
                if (y < first || y > last)
                    report(at + ": outside the window from " + std::to_string(first));
                std::set<const TFioPredmet*> assignments;
                for (const TYr* yr : cell->LYr) {
                    const TFioPredmet* fp = yr->FioPredmet();
                    const TFio* fio = yr->Fio();
                    if (fp == nullptr || fio == nullptr) {
                        report(at + ": a lesson without a teacher assignment");
                        continue;
                    }
                    if (fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] == 0)
                        report(at + ": " + fio->Name() + " may not teach then");
                    byTeacher[{fio, d, y}].push_back({gr.get(), fp->Dan.Nob});
                    cellsOf[fp].insert({d, y});
                    ++given[fp];
                    if (!assignments.insert(fp).second)
                        report(at + ": one assignment twice in a cell");
                }
                // Only the subgroups of one subject share a cell.
                if (cell->LYr.size() > 1) {
                    const TPredmet* pr = cell->LYr.front()->Predmet();
                    const bool subgroups = pr != nullptr && pr->GetLFio(ne).size() > 1;
                    for (const TYr* yr : cell->LYr)
                        if (!subgroups || yr->Predmet() != pr)
                            report(at + ": a whole-group lesson or two subjects share the cell");
                }
            }
    }

    // A teacher in two places at once only inside one union.
    for (const auto& [key, list] : byTeacher) {
        if (list.size() < 2) continue;
        const auto& [fio, d, y] = key;
        std::set<const TGryp*> groups;
        for (const Booking& b : list) {
            if (b.nob == 0 || b.nob != list.front().nob)
                report(where(b.gr, d, y) + ": " + fio->Name() + " teaches " +
                       std::to_string(list.size()) + " lessons at once outside one union");
            if (!groups.insert(b.gr).second)
                report(where(b.gr, d, y) + ": " + fio->Name() + " twice in one group");
        }
    }

    // Never more than the load; a day holds at most one block of a subject,
    // in a row.
    for (const auto& gr : year.LGryp) {
        if (gr->GetNed(ne) == nullptr) continue;
        for (const auto& pr : gr->LPredmet)
            for (const auto& fp : pr->GetLFio(ne)) {
                const int load = pr->CountPredmetNe(kSetkaPlan, ne, fp.get());
                const auto g = given.find(fp.get());
                const int have = g == given.end() ? 0 : g->second;
                if (have > load)
                    report(gr->Name() + " " + pr->Name() + " " + fp->Name() + ": load " +
                           std::to_string(load) + ", placed " + std::to_string(have));
                for (int i = have; i < load; ++i)
                    v.missing.push_back(gr->Name() + " " + pr->Name() + " " + fp->Fio()->Name());
                const auto c = cellsOf.find(fp.get());
                if (c == cellsOf.end()) continue;
                const int spar = std::max(1, static_cast<int>(pr->Dan.Spar));
                for (int d = 1; d <= 6; ++d) {
                    std::vector<int> periods;
                    for (const auto& [cd, cy] : c->second)
                        if (cd == d) periods.push_back(cy);
                    if (periods.empty()) continue;
                    const bool inARow =
                        periods.back() - periods.front() + 1 == static_cast<int>(periods.size());
                    if (static_cast<int>(periods.size()) > spar || !inARow)
                        report(where(gr.get(), d, periods.front()) + " " + pr->Name() + ": " +
                               std::to_string(periods.size()) + " lessons in blocks of " +
                               std::to_string(spar));
                }
            }
    }

    // A union's groups have its lessons at the same moments.
    for (const auto& ob : year.LOb[static_cast<std::size_t>(ne)]) {
        std::set<std::set<std::pair<int, int>>> patterns;
        for (const TFioPredmet* fp : ob->LFioPredmet) {
            const auto c = cellsOf.find(fp);
            patterns.insert(c == cellsOf.end() ? std::set<std::pair<int, int>>{} : c->second);
        }
        if (patterns.size() > 1)
            report("union " + std::to_string(ob->FN) + " (" + ob->NameGryp() +
                   ") meets at different moments");
    }
    return v;
}

}  // namespace zavlin::testsupport
