#include "demo/sample_plan.h"

#include <algorithm>
#include <bit>
#include <set>

#include "demo/plan_steps.h"

namespace zavlin::demo {

namespace {

using DayBits = std::array<uint16_t, kPlanDays + 1>;

int holes(const DayBits& bits) {
    int n = 0;
    for (uint16_t b : bits)
        if (b != 0) n += (16 - std::countl_zero(b)) - std::countr_zero(b) - std::popcount(b);
    return n;
}

}  // namespace

int groupCount(SampleSize size) {
    switch (size) {
        case SampleSize::S:
            return 12;
        case SampleSize::M:
            return 40;
        case SampleSize::L:
            return 120;
        case SampleSize::XL:
            return 400;
    }
    return 40;
}

const char* sizeName(SampleSize size) {
    switch (size) {
        case SampleSize::S:
            return "S";
        case SampleSize::M:
            return "M";
        case SampleSize::L:
            return "L";
        case SampleSize::XL:
            return "XL";
    }
    return "M";
}

std::optional<SampleSize> parseSampleSize(std::string_view text) {
    for (SampleSize s : {SampleSize::S, SampleSize::M, SampleSize::L, SampleSize::XL}) {
        const std::string_view name = sizeName(s);
        if (text.size() == name.size() &&
            std::equal(text.begin(), text.end(), name.begin(), [](char a, char b) {
                return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
            }))
            return s;
    }
    return std::nullopt;
}

int countLessons(const PlanWeek& week, int group, int subject) {
    DayBits cells{};
    for (const PlanLesson& l : week.lessons)
        if (l.group == group && l.subject == subject)
            cells[static_cast<std::size_t>(l.day)] |= static_cast<uint16_t>(1u << l.period);
    int n = 0;
    for (uint16_t b : cells) n += std::popcount(b);
    return n;
}

SamplePlan planSample(const SampleOptions& options) {
    SamplePlan plan;
    plan.options = options;
    // The size takes part in the seed: S and M of one seed are two colleges.
    SampleRandom root(options.seed * 0x2545F4914F6CDD1Dull +
                      static_cast<uint64_t>(groupCount(options.size)));
    SampleRandom college = root.fork(1);
    SampleRandom timetable = root.fork(2);
    SampleRandom rooms = root.fork(3);
    SampleRandom events = root.fork(4);
    detail::planCollege(plan, college);
    detail::planTimetable(plan, timetable);
    detail::planRooms(plan, rooms);
    detail::planEvents(plan, events);
    return plan;
}

SampleCounts countPlan(const SamplePlan& plan) {
    SampleCounts c;
    c.groups = static_cast<int>(plan.groups.size());
    c.teachers = static_cast<int>(plan.teachers.size());
    c.subjectNames = static_cast<int>(plan.names.size());
    for (const PlanGroup& g : plan.groups) c.subjects += static_cast<int>(g.subjects.size());
    c.rooms = static_cast<int>(plan.rooms.size());
    c.unions = static_cast<int>(plan.unions.size());
    for (std::size_t w = 0; w < plan.weeks.size(); ++w) {
        const PlanWeek& week = plan.weeks[w];
        WeekCounts& wc = c.weeks[w];
        wc.ne = week.ne;
        wc.lessons = static_cast<int>(week.lessons.size());
        std::vector<DayBits> groups(plan.groups.size(), DayBits{});
        std::vector<DayBits> teachers(plan.teachers.size(), DayBits{});
        std::set<std::pair<int, int>> units;
        for (const PlanLesson& l : week.lessons) {
            groups[static_cast<std::size_t>(l.group)][static_cast<std::size_t>(l.day)] |=
                static_cast<uint16_t>(1u << l.period);
            teachers[static_cast<std::size_t>(l.teacher)][static_cast<std::size_t>(l.day)] |=
                static_cast<uint16_t>(1u << l.period);
            units.emplace(l.group, l.subject);
            if (w == 0 && l.pinned) ++c.pinned;
        }
        for (const DayBits& g : groups) {
            for (uint16_t b : g) wc.groupPeriods += std::popcount(b);
            wc.groupHoles += holes(g);
        }
        for (const DayBits& t : teachers) wc.teacherHoles += holes(t);
        wc.units = static_cast<int>(units.size());
    }
    return c;
}

}  // namespace zavlin::demo
