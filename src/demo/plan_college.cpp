// Who studies what with whom: cohorts of a speciality and course share one
// curriculum, as the state standard gives them, and some of its lectures are
// read to two or three of the cohort's groups at once.
#include <algorithm>
#include <cmath>
#include <map>

#include "demo/catalogue.h"
#include "demo/plan_steps.h"

namespace zavlin::demo::detail {

namespace {

constexpr int kMaxGroupsInCohort = 9;
constexpr int kMinSubjects = 10;
constexpr int kMaxSubjects = 14;
constexpr int kMinLessons = 15;
constexpr int kMaxLessons = 19;
constexpr int kMaxLessonsFiveDays = 18;

struct Cohort {
    int speciality = 0;
    int course = 1;
    int size = 1;
    std::vector<int> groups;
};

struct CurriculumItem {
    int catalogue = 0;
    std::array<int, 2> hours{};
};

bool has(unsigned flags, SubjectFlag f) {
    return (flags & f) != 0;
}

const SubjectEntry& entry(int catalogue) {
    return subjectCatalogue()[static_cast<std::size_t>(catalogue)];
}

int mustIndex(const char* shortName) {
    const int i = subjectIndex(shortName);
    return i < 0 ? 0 : i;  // the catalogue test keeps every name listed
}

void appendUnique(std::vector<int>& list, int item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

std::vector<Cohort> planCohorts(int groups, int specialities, SampleRandom& rnd) {
    std::vector<Cohort> all;
    for (int s = 0; s < specialities; ++s)
        for (int course = 1; course <= 4; ++course) all.push_back({s, course, 1, {}});
    rnd.shuffle(all);
    const int wanted =
        std::clamp(static_cast<int>(std::lround(groups / 2.5)), 3, static_cast<int>(all.size()));
    all.resize(static_cast<std::size_t>(std::min(wanted, groups)));
    int left = groups - static_cast<int>(all.size());
    while (left > 0) {
        // First-year cohorts are the largest in most colleges.
        Cohort& c = all[static_cast<std::size_t>(rnd.below(static_cast<int>(all.size())))];
        const int cap = c.course <= 2 ? kMaxGroupsInCohort : kMaxGroupsInCohort - 2;
        if (c.size >= cap && !rnd.percent(5)) continue;
        if (c.size >= kMaxGroupsInCohort) continue;
        ++c.size;
        --left;
    }
    std::sort(all.begin(), all.end(), [](const Cohort& a, const Cohort& b) {
        return a.speciality != b.speciality ? a.speciality < b.speciality : a.course < b.course;
    });
    return all;
}

// The subjects of a cohort: the general ones of its course, the professional
// ones of its speciality for that course, and the practice from the third.
std::vector<int> cohortSubjects(const SpecialityEntry& sp, int course, SampleRandom& rnd) {
    const CourseCurriculum& general = generalCurriculum(course);
    const int wanted = rnd.range(kMinSubjects, kMaxSubjects);
    std::vector<int> list;
    for (const char* name : general.always) appendUnique(list, mustIndex(name));
    if (course == 2)
        appendUnique(list,
                     mustIndex(sp.kind == SpecialityKind::It || sp.kind == SpecialityKind::Technical
                                   ? "Эл. высш. матем."
                                   : "Математика"));
    const int pro = static_cast<int>(sp.subjects.size()) - 1;  // the last is the practice
    int from = 0;
    int to = 0;
    if (course == 1) {
        to = rnd.percent(50) ? 1 : 0;
    } else if (course == 2) {
        to = std::min(6, pro);
    } else if (course == 3) {
        from = std::min(3, pro);
        to = std::min(9, pro);
    } else {
        from = std::max(0, pro - 6);
        to = pro;
    }
    std::vector<int> professional;
    for (int i = from; i < to; ++i)
        professional.push_back(mustIndex(sp.subjects[static_cast<std::size_t>(i)]));
    if (course >= 3) appendUnique(list, mustIndex(sp.subjects.back()));
    for (int p : professional)
        if (static_cast<int>(list.size()) < wanted) appendUnique(list, p);
    std::vector<int> optional;
    for (const char* name : general.optional) optional.push_back(mustIndex(name));
    rnd.shuffle(optional);
    for (int o : optional)
        if (static_cast<int>(list.size()) < wanted) appendUnique(list, o);
    for (int i = 0; i < pro && static_cast<int>(list.size()) < kMinSubjects; ++i)
        appendUnique(list, mustIndex(sp.subjects[static_cast<std::size_t>(i)]));
    return list;
}

// Hours of the numerator week, then the denominator's: a pair moved between
// subjects, sometimes one pair more or less.
std::vector<CurriculumItem> cohortHours(const std::vector<int>& subjects, int maxLessons,
                                        SampleRandom& rnd) {
    std::vector<CurriculumItem> items;
    int total = 0;
    for (int s : subjects) {
        const int h = has(entry(s).flags, kBlock) ? 2 : 1;
        items.push_back({s, {h, h}});
        total += h;
    }
    const int lessons = rnd.range(std::max(kMinLessons, total), maxLessons);
    auto cap = [&](const CurriculumItem& it) {
        const unsigned f = entry(it.catalogue).flags;
        if (has(f, kBlock)) return 2;
        if (has(f, kSport)) return 2;
        if (has(f, kSubgroups)) return 2;
        return has(f, kCore) ? 4 : 3;
    };
    auto weight = [&](const CurriculumItem& it) {
        const unsigned f = entry(it.catalogue).flags;
        if (has(f, kBlock)) return 0;
        if (has(f, kCore)) return 6;
        if (has(f, kSport)) return 2;
        return 3;
    };
    for (int guard = 0; total < lessons && guard < 10000; ++guard) {
        int sum = 0;
        for (const auto& it : items)
            if (it.hours[0] < cap(it)) sum += weight(it);
        if (sum == 0) break;
        int r = rnd.below(sum);
        for (auto& it : items) {
            if (it.hours[0] >= cap(it)) continue;
            r -= weight(it);
            if (r < 0) {
                ++it.hours[0];
                ++total;
                break;
            }
        }
    }
    for (auto& it : items) it.hours[1] = it.hours[0];
    auto movable = [&](const CurriculumItem& it) {
        const unsigned f = entry(it.catalogue).flags;
        return !has(f, kBlock) && !has(f, kSport);
    };
    const int moves = rnd.range(1, 2);
    for (int m = 0; m < moves; ++m) {
        std::vector<int> from;
        std::vector<int> to;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!movable(items[i])) continue;
            if (items[i].hours[1] >= 1) from.push_back(static_cast<int>(i));
            if (items[i].hours[1] < cap(items[i])) to.push_back(static_cast<int>(i));
        }
        if (from.empty() || to.empty()) break;
        const int a = rnd.pick(from);
        const int b = rnd.pick(to);
        if (a == b) continue;
        --items[static_cast<std::size_t>(a)].hours[1];
        ++items[static_cast<std::size_t>(b)].hours[1];
    }
    int denominator = 0;
    for (const auto& it : items) denominator += it.hours[1];
    if (rnd.percent(40)) {
        // One pair more or less in the denominator week, within bounds.
        const bool more = rnd.percent(50);
        std::vector<int> candidates;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!movable(items[i])) continue;
            if (more && denominator < maxLessons && items[i].hours[1] < cap(items[i]))
                candidates.push_back(static_cast<int>(i));
            if (!more && denominator > kMinLessons && items[i].hours[1] > 1)
                candidates.push_back(static_cast<int>(i));
        }
        if (!candidates.empty())
            items[static_cast<std::size_t>(rnd.pick(candidates))].hours[1] += more ? 1 : -1;
    }
    return items;
}

std::vector<std::vector<int>> unionSets(const std::vector<int>& groups, SampleRandom& rnd) {
    std::vector<int> order = groups;
    rnd.shuffle(order);
    std::vector<std::vector<int>> sets;
    std::size_t i = 0;
    while (order.size() - i >= 2) {
        const std::size_t left = order.size() - i;
        std::size_t take = left == 4 ? 2 : std::min<std::size_t>(3, left);
        if (left == 5 && rnd.percent(50)) take = 2;
        sets.emplace_back(order.begin() + static_cast<std::ptrdiff_t>(i),
                          order.begin() + static_cast<std::ptrdiff_t>(i + take));
        i += take;
    }
    return sets;
}

}  // namespace

void planCollege(SamplePlan& plan, SampleRandom& rnd) {
    const int groups = groupCount(plan.options.size);
    const int specialities =
        std::clamp((groups + 9) / 10, 3, static_cast<int>(specialityCatalogue().size()));
    for (const char* d : divisionNames()) plan.divisions.push_back(d);
    const std::vector<Cohort> cohorts = planCohorts(groups, specialities, rnd);

    std::map<int, int> nameOf;  // catalogue -> PlanSubjectName
    auto nameIndex = [&](int catalogue) {
        const auto [it, added] = nameOf.emplace(catalogue, static_cast<int>(plan.names.size()));
        if (added)
            plan.names.push_back(
                {entry(catalogue).shortName, entry(catalogue).fullName, catalogue});
        return it->second;
    };

    // Faculties: the divisions, then the specialities; a group is in both.
    std::vector<int> divisionFaculty(plan.divisions.size(), -1);
    std::vector<int> specialityFaculty(static_cast<std::size_t>(specialities), -1);
    for (int s = 0; s < specialities; ++s) {
        const SpecialityEntry& sp = specialityCatalogue()[static_cast<std::size_t>(s)];
        auto& div = divisionFaculty[static_cast<std::size_t>(sp.division)];
        if (div < 0) {
            div = static_cast<int>(plan.faculties.size());
            plan.faculties.push_back({plan.divisions[static_cast<std::size_t>(sp.division)], {}});
        }
    }
    for (int s = 0; s < specialities; ++s) {
        specialityFaculty[static_cast<std::size_t>(s)] = static_cast<int>(plan.faculties.size());
        plan.faculties.push_back({specialityCatalogue()[static_cast<std::size_t>(s)].faculty, {}});
    }

    // Some cohorts study in the second shift, never more than a third of
    // the groups; a few groups study five days a week.
    std::vector<bool> secondShift(cohorts.size(), false);
    int secondGroups = 0;
    for (std::size_t c = 0; c < cohorts.size(); ++c)
        if (rnd.percent(30) && (secondGroups + cohorts[c].size) * 3 <= groups) {
            secondShift[c] = true;
            secondGroups += cohorts[c].size;
        }
    if (secondGroups == 0) {
        const auto smallest =
            std::min_element(cohorts.begin(), cohorts.end(),
                             [](const Cohort& a, const Cohort& b) { return a.size < b.size; });
        secondShift[static_cast<std::size_t>(smallest - cohorts.begin())] = true;
    }
    int fiveDayGroups = 0;
    for (std::size_t c = 0; c < cohorts.size(); ++c) {
        const Cohort& co = cohorts[c];
        const SpecialityEntry& sp = specialityCatalogue()[static_cast<std::size_t>(co.speciality)];
        const int first = secondShift[c] ? rnd.range(4, 5) : rnd.range(0, 1);
        std::vector<int> members;
        bool fiveDays = false;
        for (int i = 1; i <= co.size; ++i) {
            PlanGroup g;
            g.name =
                std::string(sp.abbreviation) + "-" + std::to_string(co.course) + std::to_string(i);
            g.speciality = co.speciality;
            g.course = co.course;
            g.students = rnd.range(18, 30);
            g.firstPeriod = first;
            g.fiveDays = rnd.percent(15) && (fiveDayGroups + 1) * 4 <= groups;
            fiveDayGroups += g.fiveDays ? 1 : 0;
            fiveDays = fiveDays || g.fiveDays;
            members.push_back(static_cast<int>(plan.groups.size()));
            plan.faculties[static_cast<std::size_t>(
                               divisionFaculty[static_cast<std::size_t>(sp.division)])]
                .groups.push_back(members.back());
            plan.faculties[static_cast<std::size_t>(
                               specialityFaculty[static_cast<std::size_t>(co.speciality)])]
                .groups.push_back(members.back());
            plan.groups.push_back(std::move(g));
        }
        const std::vector<int> subjects = cohortSubjects(sp, co.course, rnd);
        const std::vector<CurriculumItem> hours =
            cohortHours(subjects, fiveDays ? kMaxLessonsFiveDays : kMaxLessons, rnd);
        for (int g : members) {
            PlanGroup& group = plan.groups[static_cast<std::size_t>(g)];
            for (const CurriculumItem& it : hours) {
                PlanSubject s;
                s.name = nameIndex(it.catalogue);
                s.spar = has(entry(it.catalogue).flags, kBlock) ? 2 : 1;
                s.target = it.hours;
                s.pinnedSport = has(entry(it.catalogue).flags, kSport) && rnd.percent(35);
                group.subjects.push_back(s);
            }
        }
        // Lectures read to two or three groups of the cohort at once.
        std::vector<int> lectures;
        for (std::size_t i = 0; i < hours.size(); ++i)
            if (has(entry(hours[i].catalogue).flags, kLecture) && hours[i].hours[0] > 0 &&
                hours[i].hours[1] > 0)
                lectures.push_back(static_cast<int>(i));
        rnd.shuffle(lectures);
        if (lectures.size() > 2) lectures.resize(static_cast<std::size_t>(rnd.range(1, 2)));
        for (int subject : lectures)
            for (const std::vector<int>& set : unionSets(members, rnd)) {
                PlanUnion u;
                for (int g : set) {
                    u.members.emplace_back(g, subject);
                    plan.groups[static_cast<std::size_t>(g)]
                        .subjects[static_cast<std::size_t>(subject)]
                        .unionIndex = static_cast<int>(plan.unions.size());
                }
                plan.unions.push_back(std::move(u));
            }
    }
    if (std::none_of(plan.groups.begin(), plan.groups.end(),
                     [](const PlanGroup& g) { return g.fiveDays; }) &&
        !plan.groups.empty()) {
        // Every college has a group or two on a five-day week: the first
        // whose lessons fit into five days gets one.
        for (PlanGroup& g : plan.groups) {
            std::array<int, 2> week{};
            for (const PlanSubject& s : g.subjects)
                for (int w = 0; w < 2; ++w)
                    week[static_cast<std::size_t>(w)] += s.target[static_cast<std::size_t>(w)];
            if (std::max(week[0], week[1]) <= kMaxLessonsFiveDays) {
                g.fiveDays = true;
                break;
            }
        }
    }
    planTeachers(plan, rnd);
    assignTeachers(plan, rnd);
}

}  // namespace zavlin::demo::detail
