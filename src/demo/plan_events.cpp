// What happened in the term besides the timetable: substitutions and
// cancellations in a past week, credits and the examination week.
#include <algorithm>
#include <set>
#include <tuple>

#include "demo/catalogue.h"
#include "demo/plan_steps.h"

namespace zavlin::demo::detail {

namespace {

using DayBits = std::array<uint16_t, kPlanDays + 1>;

const SubjectEntry& entryOf(const SamplePlan& plan, const PlanSubject& s) {
    return subjectCatalogue()[static_cast<std::size_t>(
        plan.names[static_cast<std::size_t>(s.name)].catalogue)];
}

const PlanSubject& subjectOf(const SamplePlan& plan, int g, int s) {
    return plan.groups[static_cast<std::size_t>(g)].subjects[static_cast<std::size_t>(s)];
}

bool singleLesson(const SamplePlan& plan, const PlanLesson& l) {
    const PlanSubject& s = subjectOf(plan, l.group, l.subject);
    return !l.pinned && s.unionIndex < 0 && s.spar == 1 && s.teachers.size() == 1;
}

// A substitute of the same commission, free and willing at that moment.
int findSubstitute(const SamplePlan& plan, const std::vector<DayBits>& busy, const PlanLesson& l,
                   SampleRandom& rnd) {
    std::vector<int> candidates;
    const int department = plan.teachers[static_cast<std::size_t>(l.teacher)].department;
    for (std::size_t t = 0; t < plan.teachers.size(); ++t) {
        const PlanTeacher& tc = plan.teachers[t];
        if (static_cast<int>(t) == l.teacher || tc.department != department) continue;
        if (((tc.workDays >> l.day) & 1u) == 0) continue;
        if (tc.op[static_cast<std::size_t>(l.day)][static_cast<std::size_t>(l.period)] == 0)
            continue;
        if (((busy[t][static_cast<std::size_t>(l.day)] >> l.period) & 1u) != 0) continue;
        candidates.push_back(static_cast<int>(t));
    }
    return candidates.empty() ? -1 : rnd.pick(candidates);
}

void planSubstitutions(SamplePlan& plan, SampleRandom& rnd) {
    const PlanWeek& week = plan.weeks[0];
    std::vector<DayBits> busy(plan.teachers.size(), DayBits{});
    for (const PlanLesson& l : week.lessons)
        busy[static_cast<std::size_t>(l.teacher)][static_cast<std::size_t>(l.day)] |=
            static_cast<uint16_t>(1u << l.period);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < week.lessons.size(); ++i)
        if (singleLesson(plan, week.lessons[i])) order.push_back(i);
    rnd.shuffle(order);
    // The group the demo shows gets two of them, the others go round.
    std::vector<std::size_t> first;
    for (std::size_t i : order)
        if (week.lessons[i].group == plan.showcaseGroup && first.size() < 2) first.push_back(i);
    for (std::size_t i : first) order.erase(std::find(order.begin(), order.end(), i));
    order.insert(order.begin(), first.begin(), first.end());
    const int groups = static_cast<int>(plan.groups.size());
    const int substitutions = std::max(3, groups / 4);
    const int cancellations = std::max(1, groups / 12);
    std::set<std::tuple<int, int, int>> taken;
    int made = 0;
    int cancelled = 0;
    for (std::size_t i : order) {
        const PlanLesson& l = week.lessons[i];
        if (!taken.emplace(l.group, l.day, l.period).second) continue;
        if (made < substitutions) {
            const int sub = findSubstitute(plan, busy, l, rnd);
            if (sub >= 0) {
                plan.substitutions.push_back({l.group, l.day, l.period, l.teacher, sub});
                busy[static_cast<std::size_t>(sub)][static_cast<std::size_t>(l.day)] |=
                    static_cast<uint16_t>(1u << l.period);
                ++made;
                continue;
            }
        }
        if (cancelled < cancellations) {
            plan.substitutions.push_back({l.group, l.day, l.period, l.teacher, -1});
            ++cancelled;
        }
        if (made >= substitutions && cancelled >= cancellations) break;
    }
}

// Subjects of a group worth an examination: taught in the weeks, not
// physical education nor practice; the weightiest first.
std::vector<int> examSubjects(const SamplePlan& plan, int g, SampleRandom& rnd) {
    std::vector<int> core;
    std::vector<int> other;
    const PlanGroup& gr = plan.groups[static_cast<std::size_t>(g)];
    for (std::size_t s = 0; s < gr.subjects.size(); ++s) {
        const PlanSubject& sub = gr.subjects[s];
        const unsigned flags = entryOf(plan, sub).flags;
        if (sub.target[0] + sub.target[1] == 0 || (flags & (kSport | kBlock)) != 0) continue;
        ((flags & kCore) != 0 ? core : other).push_back(static_cast<int>(s));
    }
    rnd.shuffle(core);
    rnd.shuffle(other);
    core.insert(core.end(), other.begin(), other.end());
    return core;
}

void planExams(SamplePlan& plan, SampleRandom& rnd) {
    std::set<std::pair<int, int>> examinerDay;
    for (std::size_t gi = 0; gi < plan.groups.size(); ++gi) {
        const int g = static_cast<int>(gi);
        const int wanted = plan.groups[gi].course == 1 ? 2 : 3;
        std::set<int> days;
        int made = 0;
        const int start = rnd.range(1, 2);
        for (int s : examSubjects(plan, g, rnd)) {
            if (made >= wanted) break;
            const int t = subjectOf(plan, g, s).teachers.front();
            // Every other day, so that there is a day to prepare.
            for (int d = start + 2 * made; d <= kPlanDays; ++d) {
                if (days.count(d) || days.count(d - 1) || examinerDay.count({t, d})) continue;
                plan.exams.push_back({g, s, t, d});
                days.insert(d);
                examinerDay.insert({t, d});
                ++made;
                break;
            }
        }
    }
}

void planCredits(SamplePlan& plan, SampleRandom& rnd) {
    std::vector<int> order(plan.groups.size());
    for (std::size_t g = 0; g < order.size(); ++g) order[g] = static_cast<int>(g);
    rnd.shuffle(order);
    order.resize(std::min(order.size(), static_cast<std::size_t>(
                                            std::max<int>(2, static_cast<int>(order.size()) / 4))));
    std::sort(order.begin(), order.end());
    std::set<std::tuple<int, int, int>> roomBusy;
    std::set<std::tuple<int, int, int>> teacherBusy;
    for (int g : order) {
        const std::vector<int> subjects = examSubjects(plan, g, rnd);
        if (subjects.empty()) continue;
        const int s = subjects.back();  // a lesser subject: the weighty ones are examined
        PlanCredit c;
        c.group = g;
        c.subject = s;
        c.examiner = subjectOf(plan, g, s).teachers.front();
        c.day = rnd.range(1, 5);
        c.start = 540 + 105 * rnd.range(0, 3);
        const int students = plan.groups[static_cast<std::size_t>(g)].students;
        std::vector<int> rooms;
        for (std::size_t r = 0; r < plan.rooms.size(); ++r)
            if (!plan.rooms[r].special && plan.rooms[r].seats >= students &&
                !roomBusy.count({static_cast<int>(r), c.day, c.start}))
                rooms.push_back(static_cast<int>(r));
        if (rooms.empty() || teacherBusy.count({c.examiner, c.day, c.start})) continue;
        c.room = rnd.pick(rooms);
        if (rnd.percent(50)) {
            std::vector<int> assistants;
            const int department = plan.teachers[static_cast<std::size_t>(c.examiner)].department;
            for (std::size_t t = 0; t < plan.teachers.size(); ++t)
                if (plan.teachers[t].department == department &&
                    static_cast<int>(t) != c.examiner &&
                    !teacherBusy.count({static_cast<int>(t), c.day, c.start}))
                    assistants.push_back(static_cast<int>(t));
            if (!assistants.empty()) c.assistant = rnd.pick(assistants);
        }
        roomBusy.insert({c.room, c.day, c.start});
        teacherBusy.insert({c.examiner, c.day, c.start});
        if (c.assistant >= 0) teacherBusy.insert({c.assistant, c.day, c.start});
        plan.credits.push_back(c);
    }
}

}  // namespace

void planEvents(SamplePlan& plan, SampleRandom& rnd) {
    // The demo shows a group whose physical education is pinned, and the
    // teacher of that lesson.
    plan.showcaseGroup = 0;
    plan.showcaseTeacher = 0;
    for (const PlanLesson& l : plan.weeks[0].lessons)
        if (l.pinned) {
            plan.showcaseGroup = l.group;
            plan.showcaseTeacher = l.teacher;
            break;
        }
    planSubstitutions(plan, rnd);
    planExams(plan, rnd);
    planCredits(plan, rnd);
}

}  // namespace zavlin::demo::detail
