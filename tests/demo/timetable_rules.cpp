#include "timetable_rules.h"

#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <map>
#include <set>
#include <tuple>

#include "model/group.h"
#include "model/timetable.h"

namespace zavlin::demo::testing {

namespace {

// A group's lessons lie within four periods from its first period.
constexpr int kGroupWindow = 4;
constexpr int kMaxViolations = 40;

using Cell = std::pair<int, int>;  // day, period

class Report {
public:
    explicit Report(std::vector<std::string>& out) : out_(out) {}
    template <typename... Args>
    void operator()(fmt::format_string<Args...> f, Args&&... args) {
        if (static_cast<int>(out_.size()) < kMaxViolations)
            out_.push_back(fmt::format(f, std::forward<Args>(args)...));
    }

private:
    std::vector<std::string>& out_;
};

std::string at(int ne, int d, int y) {
    return fmt::format("week {} {}/{}", ne, shortDayName(d), y);
}

// Lengths of the runs of consecutive periods in a day's bits.
std::vector<int> runs(uint16_t bits) {
    std::vector<int> out;
    int run = 0;
    for (int y = 0; y <= 16; ++y) {
        if (y < 16 && ((bits >> y) & 1u) != 0) {
            ++run;
        } else if (run > 0) {
            out.push_back(run);
            run = 0;
        }
    }
    return out;
}

int span(uint16_t bits) {
    if (bits == 0) return 0;
    int first = 0;
    while (((bits >> first) & 1u) == 0) ++first;
    int last = 15;
    while (((bits >> last) & 1u) == 0) --last;
    int n = 0;
    for (int y = first; y <= last; ++y) n += (bits >> y) & 1u;
    return last - first + 1 - n;
}

struct Index {
    std::vector<const TGryp*> groups;
    std::vector<const TFio*> teachers;
    std::vector<const TAyd*> rooms;
    std::map<const TGryp*, int> groupOf;
    std::map<const TFio*, int> teacherOf;
};

bool buildIndex(const SamplePlan& plan, const TAllRasp& year, Index& ix, Report& report) {
    std::map<std::string, const TFio*> fio;
    for (const auto& f : year.LFio) fio[f->BigName()] = f.get();
    std::map<std::pair<std::string, std::string>, const TAyd*> room;
    for (const auto& a : year.LAyd)
        room[{a->Dom() != nullptr ? a->Dom()->Name() : "", a->Name()}] = a.get();
    bool ok = true;
    for (const PlanGroup& g : plan.groups) {
        const TGryp* gr = year.FindGrypForName(g.name);
        if (gr == nullptr || gr->CountPredmet() != static_cast<int>(g.subjects.size())) {
            report("group {} is missing or has other subjects", g.name);
            ok = false;
        }
        ix.groupOf[gr] = static_cast<int>(ix.groups.size());
        ix.groups.push_back(gr);
        for (std::size_t s = 0; gr != nullptr && s < g.subjects.size() && s < gr->LPredmet.size();
             ++s) {
            const std::string& want =
                plan.names[static_cast<std::size_t>(g.subjects[s].name)].shortName;
            const TYrName* name = gr->LPredmet[s]->YrName();
            if (name == nullptr || name->Name() != want) {
                report("{}: subject {} is not {}", g.name, s, want);
                ok = false;
            }
        }
    }
    for (const PlanTeacher& t : plan.teachers) {
        const auto it = fio.find(t.fullName);
        if (it == fio.end()) {
            report("teacher {} is missing", t.fullName);
            ok = false;
        }
        const TFio* f = it == fio.end() ? nullptr : it->second;
        ix.teacherOf[f] = static_cast<int>(ix.teachers.size());
        ix.teachers.push_back(f);
    }
    for (const PlanRoom& r : plan.rooms) {
        const auto it =
            room.find({plan.buildings[static_cast<std::size_t>(r.building)].name, r.name});
        if (it == room.end()) {
            report("room {} is missing", r.name);
            ok = false;
        }
        ix.rooms.push_back(it == room.end() ? nullptr : it->second);
    }
    return ok;
}

void checkWeek(const TAllRasp& year, const Index& ix, const PlanWeek& week, Report& report) {
    const int ne = week.ne;
    const auto& lessons = week.lessons;
    std::map<std::tuple<int, int, int>, std::vector<std::size_t>> byTeacher, byGroup, byRoom;
    std::map<std::pair<int, int>, std::array<uint16_t, 7>> subjectCells;
    std::map<std::tuple<int, int, int>, int> teacherLessons;  // group, subject, teacher
    std::map<int, std::set<int>> teacherDays;
    for (std::size_t i = 0; i < lessons.size(); ++i) {
        const PlanLesson& l = lessons[i];
        const TGryp* gr = ix.groups[static_cast<std::size_t>(l.group)];
        const TFio* fio = ix.teachers[static_cast<std::size_t>(l.teacher)];
        const std::string where = fmt::format("{} {}", gr->Name(), at(ne, l.day, l.period));
        if (l.day < 1 || l.day > kDayCount || l.period < 0 || l.period >= kPeriodCount) {
            report("{}: no such moment", where);
            continue;
        }
        if (l.period < gr->Dan.TimeDay || l.period >= gr->Dan.TimeDay + kGroupWindow)
            report("{}: outside the window from period {}", where, gr->Dan.TimeDay);
        const TNed* w = gr->GetNed(ne);
        if (w == nullptr || !w->TestRunDey(l.day)) report("{}: not a study day", where);
        if (fio->Dan.Op[static_cast<std::size_t>(l.day)][static_cast<std::size_t>(l.period)] != 1)
            report("{}: {} may not teach then", where, fio->Name());
        const TPredmet* pr = gr->LPredmet[static_cast<std::size_t>(l.subject)].get();
        if (pr->FindFioPredmet(ne, fio) == nullptr)
            report("{}: {} does not teach {} that week", where, fio->Name(), pr->Name());
        byTeacher[{l.teacher, l.day, l.period}].push_back(i);
        byGroup[{l.group, l.day, l.period}].push_back(i);
        byRoom[{l.room, l.day, l.period}].push_back(i);
        subjectCells[{l.group, l.subject}][static_cast<std::size_t>(l.day)] |=
            static_cast<uint16_t>(1u << l.period);
        ++teacherLessons[{l.group, l.subject, l.teacher}];
        teacherDays[l.teacher].insert(l.day);
    }
    auto fpOf = [&](const PlanLesson& l) {
        const TGryp* gr = ix.groups[static_cast<std::size_t>(l.group)];
        return gr->LPredmet[static_cast<std::size_t>(l.subject)]->FindFioPredmet(
            ne, ix.teachers[static_cast<std::size_t>(l.teacher)]);
    };

    // A teacher in two places at once only inside one union.
    for (const auto& [key, list] : byTeacher) {
        if (list.size() < 2) continue;
        const auto [t, d, y] = key;
        const TFioPredmet* first = fpOf(lessons[list.front()]);
        std::set<int> groups;
        for (std::size_t i : list) {
            const TFioPredmet* fp = fpOf(lessons[i]);
            if (fp == nullptr || first == nullptr || fp->Ob == nullptr || fp->Ob != first->Ob)
                report("{}: {} teaches {} lessons at once outside a union", at(ne, d, y),
                       ix.teachers[static_cast<std::size_t>(t)]->Name(), list.size());
            if (!groups.insert(lessons[i].group).second)
                report("{}: {} twice in one group", at(ne, d, y),
                       ix.teachers[static_cast<std::size_t>(t)]->Name());
        }
    }
    for (const auto& [t, days] : teacherDays) {
        const TFio* fio = ix.teachers[static_cast<std::size_t>(t)];
        if (static_cast<int>(days.size()) > fio->Rday())
            report("week {}: {} works {} days, wished {}", ne, fio->Name(), days.size(),
                   fio->Rday());
    }
    // One subject per period of a group, every teacher of it there at once.
    for (const auto& [key, list] : byGroup) {
        const auto [g, d, y] = key;
        const TGryp* gr = ix.groups[static_cast<std::size_t>(g)];
        const int s = lessons[list.front()].subject;
        std::set<const TFio*> present;
        for (std::size_t i : list) {
            if (lessons[i].subject != s)
                report("{} {}: two subjects at once", gr->Name(), at(ne, d, y));
            present.insert(ix.teachers[static_cast<std::size_t>(lessons[i].teacher)]);
        }
        std::set<const TFio*> assigned;
        for (const auto& fp : gr->LPredmet[static_cast<std::size_t>(s)]->GetLFio(ne))
            assigned.insert(fp->Fio());
        if (present != assigned || present.size() != list.size())
            report("{} {}: {} teachers of {} present, {} assigned", gr->Name(), at(ne, d, y),
                   list.size(), gr->LPredmet[static_cast<std::size_t>(s)]->Name(), assigned.size());
    }
    // The stored load is what the timetable holds; blocks come whole.
    for (std::size_t g = 0; g < ix.groups.size(); ++g) {
        const TGryp* gr = ix.groups[g];
        for (std::size_t s = 0; s < gr->LPredmet.size(); ++s) {
            const TPredmet* pr = gr->LPredmet[s].get();
            const auto it = subjectCells.find({static_cast<int>(g), static_cast<int>(s)});
            std::array<uint16_t, 7> cells{};
            if (it != subjectCells.end()) cells = it->second;
            int n = 0;
            for (uint16_t b : cells) n += std::popcount(b);
            const int load = pr->CountPredmetNe(kSetkaPlan, ne);
            if (n != load)
                report("{} {} week {}: load {}, timetable {}", gr->Name(), pr->Name(), ne, load, n);
            for (const auto& fp : pr->GetLFio(ne)) {
                const auto t = ix.teacherOf.find(fp->Fio());
                int given = 0;
                if (t != ix.teacherOf.end())
                    if (const auto c = teacherLessons.find(
                            {static_cast<int>(g), static_cast<int>(s), t->second});
                        c != teacherLessons.end())
                        given = c->second;
                if (given != load)
                    report("{} {} week {}: {} gives {} of {}", gr->Name(), pr->Name(), ne,
                           fp->Fio()->Name(), given, load);
            }
            if (pr->Dan.Spar > 1)
                for (int d = 1; d <= kDayCount; ++d)
                    for (int r : runs(cells[static_cast<std::size_t>(d)]))
                        if (r % pr->Dan.Spar != 0)
                            report("{} {} week {} {}: a run of {} in blocks of {}", gr->Name(),
                                   pr->Name(), ne, shortDayName(d), r, pr->Dan.Spar);
        }
    }
    // A union's groups have its lessons at the same moments.
    for (const auto& ob : year.LOb[static_cast<std::size_t>(ne)]) {
        std::set<std::array<uint16_t, 7>> patterns;
        for (const TFioPredmet* fp : ob->LFioPredmet) {
            const TPredmet* pr = fp->Predmet();
            const auto g = ix.groupOf.find(pr->Gryp());
            if (g == ix.groupOf.end()) continue;
            const auto it = subjectCells.find({g->second, pr->GetIndex()});
            patterns.insert(it == subjectCells.end() ? std::array<uint16_t, 7>{} : it->second);
        }
        if (patterns.size() > 1)
            report("week {}: union {} ({}) meets at different moments", ne, ob->FN, ob->NameGryp());
    }
    // A room holds one class at a time, with seats for it.
    for (const auto& [key, list] : byRoom) {
        const auto [r, d, y] = key;
        const TAyd* room = ix.rooms[static_cast<std::size_t>(r)];
        int seats = 0;
        for (std::size_t i : list) {
            const PlanLesson& l = lessons[i];
            const TGryp* gr = ix.groups[static_cast<std::size_t>(l.group)];
            const int share = static_cast<int>(
                gr->LPredmet[static_cast<std::size_t>(l.subject)]->GetLFio(ne).size());
            seats += (gr->Dan.Ks + share - 1) / std::max(1, share);
            if (l.teacher != lessons[list.front()].teacher)
                report("room {} {}: two teachers", room->Name(), at(ne, d, y));
            const TFio* fio = ix.teachers[static_cast<std::size_t>(l.teacher)];
            if (room->SpecAyd() &&
                std::find(room->LFio.begin(), room->LFio.end(), fio) == room->LFio.end())
                report("room {} {}: special, not {}'s", room->Name(), at(ne, d, y), fio->Name());
        }
        if (seats > room->kv)
            report("room {} {}: {} students, {} seats", room->Name(), at(ne, d, y), seats,
                   room->kv);
    }
    // The pinned lessons are exactly those of the preliminary settings.
    std::set<std::tuple<int, int, int, int>> planned;
    for (const PlanLesson& l : lessons)
        if (l.pinned) planned.insert({l.group, l.day, l.period, l.teacher});
    std::set<std::tuple<int, int, int, int>> stored;
    for (std::size_t g = 0; g < ix.groups.size(); ++g) {
        const TNed* w = ix.groups[g]->GetNed(ne);
        for (int d = 1; w != nullptr && d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (const TYrok* yrok = w->GetYrok(1, d, y))
                    for (const TYr* yr : yrok->LYr) {
                        const auto t = ix.teacherOf.find(yr->Fio());
                        stored.insert(
                            {static_cast<int>(g), d, y, t == ix.teacherOf.end() ? -1 : t->second});
                    }
    }
    if (planned != stored)
        report("week {}: {} pinned lessons planned, {} in the preliminary settings", ne,
               planned.size(), stored.size());
}

}  // namespace

std::vector<std::string> timetableViolations(const SamplePlan& plan, const TAllRasp& year) {
    std::vector<std::string> out;
    Report report(out);
    Index ix;
    if (!buildIndex(plan, year, ix, report)) return out;
    for (const PlanWeek& week : plan.weeks) checkWeek(year, ix, week, report);
    return out;
}

Holes countHoles(const PlanWeek& week) {
    std::map<int, std::array<uint16_t, 7>> groups;
    std::map<int, std::array<uint16_t, 7>> teachers;
    for (const PlanLesson& l : week.lessons) {
        groups[l.group][static_cast<std::size_t>(l.day)] |= static_cast<uint16_t>(1u << l.period);
        teachers[l.teacher][static_cast<std::size_t>(l.day)] |=
            static_cast<uint16_t>(1u << l.period);
    }
    Holes h;
    for (const auto& [g, days] : groups)
        for (uint16_t b : days) h.groups += span(b);
    for (const auto& [t, days] : teachers)
        for (uint16_t b : days) h.teachers += span(b);
    return h;
}

}  // namespace zavlin::demo::testing
