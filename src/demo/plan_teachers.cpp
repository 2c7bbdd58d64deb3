// The staff: as many teachers as a college of that size has, spread over
// the cycle commissions by their hours; their names, positions, wished days
// and availability; then who teaches which group what.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

#include "demo/catalogue.h"
#include "demo/plan_steps.h"

namespace zavlin::demo::detail {

namespace {

constexpr double kTeachersPerGroup = 2.5;

bool has(unsigned flags, SubjectFlag f) {
    return (flags & f) != 0;
}

const SubjectEntry& entry(int catalogue) {
    return subjectCatalogue()[static_cast<std::size_t>(catalogue)];
}

std::string teacherName(bool female, SampleRandom& rnd) {
    const std::string surname =
        surnames()[static_cast<std::size_t>(rnd.below(static_cast<int>(surnames().size())))];
    const auto& given = female ? femaleNames() : maleNames();
    const PatronymicEntry& p =
        patronymics()[static_cast<std::size_t>(rnd.below(static_cast<int>(patronymics().size())))];
    return (female ? femaleSurname(surname) : surname) + " " +
           given[static_cast<std::size_t>(rnd.below(static_cast<int>(given.size())))] + " " +
           (female ? p.female : p.male);
}

// "Иванова Анна Петровна" -> "Иванова А.П.": the short form must be unique too.
std::string shortForm(const std::string& full) {
    const std::size_t a = full.find(' ');
    const std::size_t b = full.find(' ', a + 1);
    auto first = [&](std::size_t at) {
        const auto c = static_cast<unsigned char>(full[at]);
        return full.substr(at, c >= 0xC0 ? 2 : 1);
    };
    return full.substr(0, a) + " " + first(a + 1) + "." + first(b + 1) + ".";
}

}  // namespace

void planTeachers(SamplePlan& plan, SampleRandom& rnd) {
    const int departments = static_cast<int>(departmentNames().size());
    // Lessons a week each commission must give; a union's lessons once.
    std::vector<double> demand(static_cast<std::size_t>(departments), 0.0);
    std::vector<bool> needsTwo(static_cast<std::size_t>(departments), false);
    for (const PlanGroup& g : plan.groups)
        for (const PlanSubject& s : g.subjects) {
            const SubjectEntry& e = entry(plan.names[static_cast<std::size_t>(s.name)].catalogue);
            const int lessons = std::max(s.target[0], s.target[1]);
            double share = has(e.flags, kSubgroups) ? 2.0 * lessons : lessons;
            if (s.unionIndex >= 0)
                share /= static_cast<double>(
                    plan.unions[static_cast<std::size_t>(s.unionIndex)].members.size());
            demand[static_cast<std::size_t>(e.department)] += share;
            if (has(e.flags, kSubgroups)) needsTwo[static_cast<std::size_t>(e.department)] = true;
        }
    const int total =
        static_cast<int>(std::lround(kTeachersPerGroup * static_cast<double>(plan.groups.size())));
    const double sum = std::accumulate(demand.begin(), demand.end(), 0.0);
    std::vector<int> count(static_cast<std::size_t>(departments), 0);
    std::vector<std::pair<double, int>> remainders;
    int given = 0;
    for (int d = 0; d < departments; ++d) {
        const double exact = sum > 0 ? total * demand[static_cast<std::size_t>(d)] / sum : 0.0;
        int n = static_cast<int>(exact);
        if (demand[static_cast<std::size_t>(d)] > 0)
            n = std::max(n, needsTwo[static_cast<std::size_t>(d)] ? 2 : 1);
        count[static_cast<std::size_t>(d)] = n;
        given += n;
        if (demand[static_cast<std::size_t>(d)] > 0) remainders.emplace_back(exact - n, d);
    }
    std::stable_sort(remainders.begin(), remainders.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; given < total && !remainders.empty(); ++i, ++given)
        ++count[static_cast<std::size_t>(remainders[i % remainders.size()].second)];
    // The commissions that needed a second teacher may have taken more than
    // the college has: the largest ones give back.
    while (given > total) {
        int largest = -1;
        for (int d = 0; d < departments; ++d) {
            const int floor = needsTwo[static_cast<std::size_t>(d)] ? 2 : 1;
            if (count[static_cast<std::size_t>(d)] > floor &&
                (largest < 0 ||
                 count[static_cast<std::size_t>(d)] > count[static_cast<std::size_t>(largest)]))
                largest = d;
        }
        if (largest < 0) break;
        --count[static_cast<std::size_t>(largest)];
        --given;
    }

    std::set<std::string> fullNames;
    std::set<std::string> shortNames;
    for (int d = 0; d < departments; ++d)
        for (int i = 0; i < count[static_cast<std::size_t>(d)]; ++i) {
            PlanTeacher t;
            t.department = d;
            t.female = rnd.percent(72);
            for (int attempt = 0; attempt < 1000; ++attempt) {
                t.fullName = teacherName(t.female, rnd);
                if (fullNames.count(t.fullName) == 0 &&
                    shortNames.count(shortForm(t.fullName)) == 0)
                    break;
            }
            fullNames.insert(t.fullName);
            shortNames.insert(shortForm(t.fullName));
            t.position = "преподаватель";
            plan.teachers.push_back(std::move(t));
        }

    // Administration teaches a little and works six days; some teachers come
    // from outside for two or three days.
    std::vector<int> order(plan.teachers.size());
    std::iota(order.begin(), order.end(), 0);
    rnd.shuffle(order);
    std::vector<const char*> admin = {"директор", "заместитель директора по учебной работе",
                                      "заместитель директора по УВР"};
    std::set<int> divisions;
    for (const PlanGroup& g : plan.groups)
        divisions.insert(specialityCatalogue()[static_cast<std::size_t>(g.speciality)].division);
    for (std::size_t i = 0; i < divisions.size(); ++i) admin.push_back("заведующий отделением");
    std::size_t next = 0;
    for (const char* position : admin) {
        if (next >= order.size()) break;
        PlanTeacher& t = plan.teachers[static_cast<std::size_t>(order[next++])];
        t.position = position;
        t.rday = 6;
        t.capacity = next == 1 ? 3 : 6;
    }
    const std::size_t partTime = std::max<std::size_t>(1, plan.teachers.size() / 10);
    for (std::size_t i = 0; i < partTime && next < order.size(); ++i) {
        PlanTeacher& t = plan.teachers[static_cast<std::size_t>(order[next++])];
        t.position = "преподаватель (совместитель)";
        t.rday = rnd.range(2, 3);
        t.capacity = t.rday * 3;
    }
    bool sportHead = false;
    bool safetyHead = false;
    for (PlanTeacher& t : plan.teachers) {
        if (t.position != "преподаватель") continue;
        if (departmentNames()[static_cast<std::size_t>(t.department)] ==
                std::string("Физическая культура") &&
            !sportHead) {
            t.position = "руководитель физического воспитания";
            sportHead = true;
        } else if (departmentNames()[static_cast<std::size_t>(t.department)] ==
                       std::string("Безопасность жизнедеятельности") &&
                   !safetyHead) {
            t.position = "преподаватель-организатор ОБЖ";
            safetyHead = true;
        }
        t.capacity = rnd.percent(30) ? 18 : 16;
    }

    // Availability: most may teach at any time; about one in seven has a day
    // or half a day when they cannot. The working days avoid whole days off.
    rnd.shuffle(order);
    const std::size_t restricted = std::max<std::size_t>(1, (plan.teachers.size() * 15 + 50) / 100);
    for (std::size_t i = 0; i < restricted && i < order.size(); ++i)
        plan.teachers[static_cast<std::size_t>(order[i])].restricted = true;
    for (PlanTeacher& t : plan.teachers) {
        for (int d = 1; d <= kPlanDays; ++d) t.op[static_cast<std::size_t>(d)].fill(1);
        if (t.restricted) {
            const int day = rnd.range(1, kPlanDays);
            auto& row = t.op[static_cast<std::size_t>(day)];
            switch (rnd.below(4)) {
                case 0:
                    row.fill(0);
                    break;
                case 1:
                    std::fill(row.begin(), row.begin() + 4, 0);
                    break;
                case 2:
                    std::fill(row.begin() + 4, row.end(), 0);
                    break;
                default: {
                    row.fill(0);
                    const int other = day % kPlanDays + 1;
                    t.op[static_cast<std::size_t>(other)].fill(0);
                }
            }
        }
        std::vector<int> days;
        for (int d = 1; d <= kPlanDays; ++d)
            if (std::any_of(t.op[static_cast<std::size_t>(d)].begin(),
                            t.op[static_cast<std::size_t>(d)].end(), [](uint8_t v) { return v; }))
                days.push_back(d);
        rnd.shuffle(days);
        const int n = std::min<int>(t.rday, static_cast<int>(days.size()));
        for (int i = 0; i < n; ++i) t.workDays |= 1u << days[static_cast<std::size_t>(i)];
    }
}

namespace {

// The least loaded teacher of the commission, relative to what each may take.
int chooseTeacher(const SamplePlan& plan, const std::vector<int>& load, int department, int need,
                  int except, SampleRandom& rnd) {
    int best = -1;
    double bestScore = 0;
    for (std::size_t i = 0; i < plan.teachers.size(); ++i) {
        const PlanTeacher& t = plan.teachers[i];
        if (t.department != department || static_cast<int>(i) == except) continue;
        double score = static_cast<double>(load[i] + need) / t.capacity;
        if (load[i] + need > t.capacity) score += 10.0;
        score += rnd.below(1000) * 1e-6;
        if (best < 0 || score < bestScore) {
            best = static_cast<int>(i);
            bestScore = score;
        }
    }
    return best;
}

}  // namespace

void assignTeachers(SamplePlan& plan, SampleRandom& rnd) {
    std::vector<int> load(plan.teachers.size(), 0);
    auto lessons = [](const PlanSubject& s) { return std::max(s.target[0], s.target[1]); };
    auto department = [&](const PlanSubject& s) {
        return entry(plan.names[static_cast<std::size_t>(s.name)].catalogue).department;
    };
    for (PlanUnion& u : plan.unions) {
        const auto [g0, s0] = u.members.front();
        const PlanSubject& first =
            plan.groups[static_cast<std::size_t>(g0)].subjects[static_cast<std::size_t>(s0)];
        u.teacher = chooseTeacher(plan, load, department(first), lessons(first), -1, rnd);
        load[static_cast<std::size_t>(u.teacher)] += lessons(first);
        for (const auto& [g, s] : u.members)
            plan.groups[static_cast<std::size_t>(g)]
                .subjects[static_cast<std::size_t>(s)]
                .teachers = {u.teacher};
    }
    std::vector<std::pair<int, int>> rest;
    for (std::size_t g = 0; g < plan.groups.size(); ++g)
        for (std::size_t s = 0; s < plan.groups[g].subjects.size(); ++s)
            if (plan.groups[g].subjects[s].unionIndex < 0)
                rest.emplace_back(static_cast<int>(g), static_cast<int>(s));
    rnd.shuffle(rest);
    // Pairs of teachers are the hardest to find: they go first.
    std::stable_sort(rest.begin(), rest.end(), [&](const auto& a, const auto& b) {
        auto two = [&](const std::pair<int, int>& x) {
            const PlanSubject& s = plan.groups[static_cast<std::size_t>(x.first)]
                                       .subjects[static_cast<std::size_t>(x.second)];
            return has(entry(plan.names[static_cast<std::size_t>(s.name)].catalogue).flags,
                       kSubgroups);
        };
        return two(a) && !two(b);
    });
    for (const auto& [g, si] : rest) {
        PlanSubject& s =
            plan.groups[static_cast<std::size_t>(g)].subjects[static_cast<std::size_t>(si)];
        const bool pair =
            has(entry(plan.names[static_cast<std::size_t>(s.name)].catalogue).flags, kSubgroups);
        const int a = chooseTeacher(plan, load, department(s), lessons(s), -1, rnd);
        load[static_cast<std::size_t>(a)] += lessons(s);
        s.teachers = {a};
        if (pair) {
            const int b = chooseTeacher(plan, load, department(s), lessons(s), a, rnd);
            load[static_cast<std::size_t>(b)] += lessons(s);
            s.teachers.push_back(b);
        }
    }
}

}  // namespace zavlin::demo::detail
