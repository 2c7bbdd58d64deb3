// The hidden timetable. Each group's week is a fixed shape first: so many
// lessons a day from its first period, never more than the window. Then the
// lessons go into the shape, the hardest first (pinned, unions, blocks,
// subgroups), the others by a matching per group; a period no lesson of the
// curriculum could take gets a lesson of a subject whose teacher is free, so
// the load follows what was laid and never the other way round.
#include <algorithm>
#include <bit>
#include <functional>
#include <map>

#include "demo/plan_steps.h"

namespace zavlin::demo::detail {

namespace {

constexpr int kMinLessons = 15;
constexpr int kAttempts = 24;

using DayBits = std::array<uint16_t, kPlanDays + 1>;

struct Cell {
    int day;
    int period;
};

bool bit(const DayBits& bits, int d, int y) {
    return ((bits[static_cast<std::size_t>(d)] >> y) & 1u) != 0;
}

void setBit(DayBits& bits, int d, int y) {
    bits[static_cast<std::size_t>(d)] =
        static_cast<uint16_t>(bits[static_cast<std::size_t>(d)] | (1u << y));
}

class WeekPlacer {
public:
    WeekPlacer(const SamplePlan& plan, int week, SampleRandom rnd)
        : plan_(plan),
          week_(week),
          rnd_(rnd),
          teacherBusy_(plan.teachers.size(), DayBits{}),
          groupBusy_(plan.groups.size(), DayBits{}),
          shape_(plan.groups.size(), DayBits{}) {
        for (const PlanGroup& g : plan.groups) {
            placed_.emplace_back(g.subjects.size(), 0);
            subjectDays_.emplace_back(g.subjects.size(), 0u);
        }
    }

    // pinnedAt: the cell each group's pinned lesson took in the other week.
    std::vector<PlanLesson> run(const std::map<int, Cell>& pinnedAt) {
        for (std::size_t g = 0; g < plan_.groups.size(); ++g) makeShape(static_cast<int>(g));
        placePinned(pinnedAt);
        placeUnions();
        placeBlocksAndPairs();
        std::vector<int> order(plan_.groups.size());
        for (std::size_t g = 0; g < order.size(); ++g) order[g] = static_cast<int>(g);
        rnd_.shuffle(order);
        for (int g : order) {
            matchSingles(g);
            fillFree(g);
        }
        return std::move(lessons_);
    }

    int periods(int g) const {
        int n = 0;
        for (uint16_t b : groupBusy_[static_cast<std::size_t>(g)]) n += std::popcount(b);
        return n;
    }

private:
    const PlanGroup& group(int g) const { return plan_.groups[static_cast<std::size_t>(g)]; }
    const PlanSubject& subject(int g, int s) const {
        return group(g).subjects[static_cast<std::size_t>(s)];
    }
    int target(int g, int s) const { return subject(g, s).target[static_cast<std::size_t>(week_)]; }

    bool teacherOk(int t, int d, int y) const {
        const PlanTeacher& tc = plan_.teachers[static_cast<std::size_t>(t)];
        return ((tc.workDays >> d) & 1u) != 0 &&
               tc.op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] != 0 &&
               !bit(teacherBusy_[static_cast<std::size_t>(t)], d, y);
    }
    bool cellFree(int g, int d, int y) const {
        return y >= 0 && y < kPlanPeriods && bit(shape_[static_cast<std::size_t>(g)], d, y) &&
               !bit(groupBusy_[static_cast<std::size_t>(g)], d, y);
    }
    bool subjectOnDay(int g, int s, int d) const {
        return ((subjectDays_[static_cast<std::size_t>(g)][static_cast<std::size_t>(s)] >> d) &
                1u) != 0;
    }
    void count(int g, int s, int d) {
        ++placed_[static_cast<std::size_t>(g)][static_cast<std::size_t>(s)];
        subjectDays_[static_cast<std::size_t>(g)][static_cast<std::size_t>(s)] |= 1u << d;
    }

    // One cell of one group: every teacher of the subject there.
    void put(int g, int s, int d, int y, bool pinned = false) {
        for (int t : subject(g, s).teachers) {
            lessons_.push_back({g, s, t, d, y, 0, pinned});
            setBit(teacherBusy_[static_cast<std::size_t>(t)], d, y);
        }
        setBit(groupBusy_[static_cast<std::size_t>(g)], d, y);
        count(g, s, d);
    }
    int placed(int g, int s) const {
        return placed_[static_cast<std::size_t>(g)][static_cast<std::size_t>(s)];
    }

    void makeShape(int g) {
        const PlanGroup& gr = group(g);
        int total = 0;
        for (std::size_t s = 0; s < gr.subjects.size(); ++s)
            total += gr.subjects[s].target[static_cast<std::size_t>(week_)];
        std::vector<int> days;
        for (int d = 1; d <= (gr.fiveDays ? 5 : kPlanDays); ++d) days.push_back(d);
        total = std::min<int>(total, kWindow * static_cast<int>(days.size()));
        rnd_.shuffle(days);
        const int each = total / static_cast<int>(days.size());
        const int extra = total % static_cast<int>(days.size());
        for (std::size_t i = 0; i < days.size(); ++i) {
            const int n = each + (static_cast<int>(i) < extra ? 1 : 0);
            for (int k = 0; k < n; ++k)
                setBit(shape_[static_cast<std::size_t>(g)], days[i], gr.firstPeriod + k);
        }
    }

    std::vector<Cell> freeCells(int g) {
        std::vector<Cell> cells;
        for (int d = 1; d <= kPlanDays; ++d)
            for (int y = 0; y < kPlanPeriods; ++y)
                if (cellFree(g, d, y)) cells.push_back({d, y});
        rnd_.shuffle(cells);
        return cells;
    }

    // Up to n cells from the candidates, each on another day while it can.
    static std::vector<Cell> spread(const std::vector<Cell>& candidates, int n) {
        std::vector<Cell> chosen;
        unsigned days = 0;
        for (int pass = 0; pass < 2; ++pass)
            for (const Cell& c : candidates) {
                if (static_cast<int>(chosen.size()) >= n) return chosen;
                const bool newDay = ((days >> c.day) & 1u) == 0;
                if (pass == 0 && !newDay) continue;
                if (pass == 1 && newDay) continue;
                // The second pass never reuses a cell taken by the first.
                if (std::any_of(chosen.begin(), chosen.end(), [&](const Cell& o) {
                        return o.day == c.day && o.period == c.period;
                    }))
                    continue;
                chosen.push_back(c);
                days |= 1u << c.day;
            }
        return chosen;
    }

    // Physical education at a fixed time: the first or the last lesson of a
    // day, the same cell in both weeks when it can be.
    void placePinned(const std::map<int, Cell>& pinnedAt) {
        for (std::size_t gi = 0; gi < plan_.groups.size(); ++gi) {
            const int g = static_cast<int>(gi);
            for (std::size_t si = 0; si < group(g).subjects.size(); ++si) {
                const int s = static_cast<int>(si);
                if (!subject(g, s).pinnedSport || target(g, s) == 0) continue;
                const int t = subject(g, s).teachers.front();
                std::vector<Cell> cells;
                if (const auto it = pinnedAt.find(g); it != pinnedAt.end())
                    cells.push_back(it->second);
                std::vector<Cell> edges;
                for (int d = 1; d <= kPlanDays; ++d) {
                    const uint16_t b = shape_[gi][static_cast<std::size_t>(d)];
                    if (b == 0) continue;
                    edges.push_back({d, std::countr_zero(b)});
                    edges.push_back({d, 15 - std::countl_zero(b)});
                }
                rnd_.shuffle(edges);
                cells.insert(cells.end(), edges.begin(), edges.end());
                for (const Cell& c : cells)
                    if (cellFree(g, c.day, c.period) && teacherOk(t, c.day, c.period)) {
                        put(g, s, c.day, c.period, true);
                        break;
                    }
            }
        }
    }

    void placeUnions() {
        std::vector<int> order(plan_.unions.size());
        for (std::size_t u = 0; u < order.size(); ++u) order[u] = static_cast<int>(u);
        rnd_.shuffle(order);
        for (int ui : order) {
            const PlanUnion& u = plan_.unions[static_cast<std::size_t>(ui)];
            const auto [g0, s0] = u.members.front();
            std::vector<Cell> candidates;
            for (int d = 1; d <= kPlanDays; ++d)
                for (int y = 0; y < kPlanPeriods; ++y) {
                    if (!teacherOk(u.teacher, d, y)) continue;
                    if (std::all_of(u.members.begin(), u.members.end(),
                                    [&](const auto& m) { return cellFree(m.first, d, y); }))
                        candidates.push_back({d, y});
                }
            rnd_.shuffle(candidates);
            for (const Cell& c : spread(candidates, target(g0, s0))) {
                for (const auto& [g, s] : u.members) {
                    lessons_.push_back({g, s, u.teacher, c.day, c.period, 0, false});
                    setBit(groupBusy_[static_cast<std::size_t>(g)], c.day, c.period);
                    count(g, s, c.day);
                }
                setBit(teacherBusy_[static_cast<std::size_t>(u.teacher)], c.day, c.period);
            }
        }
    }

    void placeBlocksAndPairs() {
        std::vector<std::pair<int, int>> items;
        for (std::size_t g = 0; g < plan_.groups.size(); ++g)
            for (std::size_t s = 0; s < plan_.groups[g].subjects.size(); ++s) {
                const PlanSubject& sub = plan_.groups[g].subjects[s];
                if (sub.unionIndex < 0 && (sub.spar > 1 || sub.teachers.size() > 1))
                    items.emplace_back(static_cast<int>(g), static_cast<int>(s));
            }
        rnd_.shuffle(items);
        // Blocks need two free periods in a row: they go before the pairs.
        std::stable_sort(items.begin(), items.end(), [&](const auto& a, const auto& b) {
            return subject(a.first, a.second).spar > subject(b.first, b.second).spar;
        });
        for (const auto& [g, s] : items) {
            const PlanSubject& sub = subject(g, s);
            auto ok = [&](int d, int y) {
                for (int k = 0; k < sub.spar; ++k) {
                    if (!cellFree(g, d, y + k)) return false;
                    for (int t : sub.teachers)
                        if (!teacherOk(t, d, y + k)) return false;
                }
                return true;
            };
            std::vector<Cell> candidates;
            for (int d = 1; d <= kPlanDays; ++d)
                for (int y = 0; y + sub.spar <= kPlanPeriods; ++y)
                    if (ok(d, y)) candidates.push_back({d, y});
            rnd_.shuffle(candidates);
            const int runs = (target(g, s) - placed(g, s)) / sub.spar;
            int done = 0;
            unsigned days = 0;
            for (int pass = 0; pass < 2 && done < runs; ++pass)
                for (const Cell& c : candidates) {
                    if (done >= runs) break;
                    if (pass == 0 && ((days >> c.day) & 1u) != 0) continue;
                    if (!ok(c.day, c.period)) continue;  // an earlier run took part of it
                    for (int k = 0; k < sub.spar; ++k) put(g, s, c.day, c.period + k);
                    days |= 1u << c.day;
                    ++done;
                }
        }
    }

    // The single-teacher lessons of a group into its free cells: a maximum
    // matching, each lesson trying days without its subject first.
    void matchSingles(int g) {
        std::vector<int> lessonSubject;
        for (std::size_t si = 0; si < group(g).subjects.size(); ++si) {
            const int s = static_cast<int>(si);
            const PlanSubject& sub = subject(g, s);
            if (sub.unionIndex >= 0 || sub.spar > 1 || sub.teachers.size() != 1) continue;
            for (int k = placed(g, s); k < target(g, s); ++k) lessonSubject.push_back(s);
        }
        const std::vector<Cell> cells = freeCells(g);
        std::vector<std::vector<int>> edges(lessonSubject.size());
        for (std::size_t i = 0; i < lessonSubject.size(); ++i) {
            const int s = lessonSubject[i];
            const int t = subject(g, s).teachers.front();
            std::vector<int> later;
            for (std::size_t j = 0; j < cells.size(); ++j) {
                if (!teacherOk(t, cells[j].day, cells[j].period)) continue;
                if (subjectOnDay(g, s, cells[j].day))
                    later.push_back(static_cast<int>(j));
                else
                    edges[i].push_back(static_cast<int>(j));
            }
            edges[i].insert(edges[i].end(), later.begin(), later.end());
        }
        std::vector<int> cellLesson(cells.size(), -1);
        std::vector<char> seen;
        std::function<bool(int)> augment = [&](int i) {
            for (int j : edges[static_cast<std::size_t>(i)]) {
                if (seen[static_cast<std::size_t>(j)]) continue;
                seen[static_cast<std::size_t>(j)] = 1;
                if (cellLesson[static_cast<std::size_t>(j)] < 0 ||
                    augment(cellLesson[static_cast<std::size_t>(j)])) {
                    cellLesson[static_cast<std::size_t>(j)] = i;
                    return true;
                }
            }
            return false;
        };
        for (std::size_t i = 0; i < lessonSubject.size(); ++i) {
            seen.assign(cells.size(), 0);
            augment(static_cast<int>(i));
        }
        for (std::size_t j = 0; j < cells.size(); ++j)
            if (cellLesson[j] >= 0)
                put(g, lessonSubject[static_cast<std::size_t>(cellLesson[j])], cells[j].day,
                    cells[j].period);
    }

    // A cell of the shape still free takes a lesson of a subject whose
    // teacher is free then: one that fell short of its hours first, then
    // one not yet on that day, then the one with the fewest lessons.
    void fillFree(int g) {
        fillCells(g, freeCells(g));
        // Periods of the shape nobody could take move elsewhere in the
        // window: next to a day's lessons first, so that no hole opens.
        const int wanted = shapeSize(g);
        if (periods(g) >= wanted) return;
        const PlanGroup& gr = group(g);
        std::vector<Cell> near;
        std::vector<Cell> far;
        for (int d = 1; d <= (gr.fiveDays ? 5 : kPlanDays); ++d) {
            const uint16_t busy =
                groupBusy_[static_cast<std::size_t>(g)][static_cast<std::size_t>(d)];
            for (int y = gr.firstPeriod; y < gr.firstPeriod + kWindow; ++y) {
                if (((busy >> y) & 1u) != 0) continue;
                const bool touches =
                    ((busy >> (y + 1)) & 1u) != 0 || (y > 0 && ((busy >> (y - 1)) & 1u) != 0);
                (touches ? near : far).push_back({d, y});
            }
        }
        rnd_.shuffle(near);
        rnd_.shuffle(far);
        near.insert(near.end(), far.begin(), far.end());
        for (const Cell& c : near) {
            if (periods(g) >= wanted) break;
            setBit(shape_[static_cast<std::size_t>(g)], c.day, c.period);
            fillCells(g, {c});
        }
    }

    int shapeSize(int g) const {
        int n = 0;
        for (uint16_t b : shape_[static_cast<std::size_t>(g)]) n += std::popcount(b);
        return n;
    }

    void fillCells(int g, const std::vector<Cell>& cells) {
        for (const Cell& c : cells) {
            if (!cellFree(g, c.day, c.period)) continue;
            int best = -1;
            int bestScore = 0;
            for (std::size_t si = 0; si < group(g).subjects.size(); ++si) {
                const int s = static_cast<int>(si);
                const PlanSubject& sub = subject(g, s);
                if (sub.unionIndex >= 0 || sub.spar > 1 || sub.teachers.size() != 1) continue;
                if (!teacherOk(sub.teachers.front(), c.day, c.period)) continue;
                int score = placed(g, s) * 4;
                if (placed(g, s) >= target(g, s)) score += 100;
                if (subjectOnDay(g, s, c.day)) score += 40;
                if (best < 0 || score < bestScore) {
                    best = s;
                    bestScore = score;
                }
            }
            if (best >= 0) put(g, best, c.day, c.period);
        }
    }

    const SamplePlan& plan_;
    int week_;
    SampleRandom rnd_;
    std::vector<DayBits> teacherBusy_;
    std::vector<DayBits> groupBusy_;
    std::vector<DayBits> shape_;
    std::vector<std::vector<int>> placed_;            // [group][subject] lessons laid
    std::vector<std::vector<unsigned>> subjectDays_;  // [group][subject] bit per day
    std::vector<PlanLesson> lessons_;
};

}  // namespace

void planTimetable(SamplePlan& plan, SampleRandom& rnd) {
    std::map<int, Cell> pinnedAt;
    for (int w = 0; w < 2; ++w) {
        std::vector<PlanLesson> best;
        int bestShort = -1;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            WeekPlacer placer(plan, w, rnd.fork(static_cast<uint64_t>(w * 1000 + attempt)));
            std::vector<PlanLesson> lessons = placer.run(pinnedAt);
            int shortGroups = 0;
            for (std::size_t g = 0; g < plan.groups.size(); ++g)
                if (placer.periods(static_cast<int>(g)) < kMinLessons) ++shortGroups;
            if (bestShort < 0 || shortGroups < bestShort) {
                best = std::move(lessons);
                bestShort = shortGroups;
            }
            if (shortGroups == 0) break;
        }
        plan.weeks[static_cast<std::size_t>(w)].ne = kActiveWeeks[static_cast<std::size_t>(w)];
        plan.weeks[static_cast<std::size_t>(w)].lessons = std::move(best);
        for (const PlanLesson& l : plan.weeks[static_cast<std::size_t>(w)].lessons)
            if (l.pinned) pinnedAt[l.group] = {l.day, l.period};
    }
    // The load is what was laid.
    for (int w = 0; w < 2; ++w) {
        std::vector<std::map<int, DayBits>> cells(plan.groups.size());
        for (const PlanLesson& l : plan.weeks[static_cast<std::size_t>(w)].lessons)
            setBit(cells[static_cast<std::size_t>(l.group)][l.subject], l.day, l.period);
        for (std::size_t g = 0; g < plan.groups.size(); ++g)
            for (std::size_t s = 0; s < plan.groups[g].subjects.size(); ++s) {
                int n = 0;
                if (const auto it = cells[g].find(static_cast<int>(s)); it != cells[g].end())
                    for (uint16_t b : it->second) n += std::popcount(b);
                plan.groups[g].subjects[s].target[static_cast<std::size_t>(w)] = n;
            }
    }
    // Sorted by group, day and period: the order a reader expects.
    for (PlanWeek& week : plan.weeks)
        std::stable_sort(week.lessons.begin(), week.lessons.end(),
                         [](const PlanLesson& a, const PlanLesson& b) {
                             if (a.group != b.group) return a.group < b.group;
                             if (a.day != b.day) return a.day < b.day;
                             return a.period < b.period;
                         });
}

}  // namespace zavlin::demo::detail
