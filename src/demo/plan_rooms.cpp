// Rooms sized by the hidden timetable: the k-th largest room is as large as
// the k-th largest class of the busiest moment needs, so every moment of it
// has a room for every class. Laboratories and gyms are bound to their
// teachers, as a college assigns them.
#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "demo/catalogue.h"
#include "demo/plan_steps.h"

namespace zavlin::demo::detail {

namespace {

constexpr int kRoomsPerBuilding = 100;
constexpr int kRoomsPerFloor = 25;
constexpr int kGymSeats = 60;
constexpr int kLabSeats = 30;
constexpr int kSmallLabSeats = 16;
constexpr int kSpareSeats = 30;

// One teacher at one moment with the groups taught then.
struct Event {
    int week;
    int day;
    int period;
    int teacher;
    int seats;
    std::vector<std::size_t> lessons;  // into plan.weeks[week].lessons
};

int roundSeats(int need) {
    static constexpr int kSizes[] = {16, 20, 24, 26, 28, 30, 32,  36,  40,  48,
                                     50, 60, 64, 72, 80, 90, 100, 120, 150, 200};
    for (int s : kSizes)
        if (s >= need) return s;
    return need;
}

const SubjectEntry& entryOf(const SamplePlan& plan, const PlanSubject& s) {
    return subjectCatalogue()[static_cast<std::size_t>(
        plan.names[static_cast<std::size_t>(s.name)].catalogue)];
}

std::vector<Event> collectEvents(const SamplePlan& plan) {
    std::map<std::tuple<int, int, int, int>, std::size_t> at;
    std::vector<Event> events;
    for (int w = 0; w < 2; ++w) {
        const auto& lessons = plan.weeks[static_cast<std::size_t>(w)].lessons;
        for (std::size_t i = 0; i < lessons.size(); ++i) {
            const PlanLesson& l = lessons[i];
            const PlanGroup& g = plan.groups[static_cast<std::size_t>(l.group)];
            const PlanSubject& s = g.subjects[static_cast<std::size_t>(l.subject)];
            const int seats = s.teachers.size() > 1 ? (g.students + 1) / 2 : g.students;
            const auto key = std::make_tuple(w, l.day, l.period, l.teacher);
            auto [it, added] = at.emplace(key, events.size());
            if (added) events.push_back({w, l.day, l.period, l.teacher, 0, {}});
            Event& e = events[it->second];
            e.seats += seats;
            e.lessons.push_back(i);
        }
    }
    return events;
}

std::vector<int> lessonsPerTeacher(const SamplePlan& plan) {
    std::vector<int> n(plan.teachers.size(), 0);
    for (const PlanWeek& w : plan.weeks)
        for (const PlanLesson& l : w.lessons) ++n[static_cast<std::size_t>(l.teacher)];
    return n;
}

// Most lessons first; the lower index on a tie.
std::vector<int> byLessons(const std::vector<int>& teachers, const std::vector<int>& lessons) {
    std::vector<int> order = teachers;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return lessons[static_cast<std::size_t>(a)] > lessons[static_cast<std::size_t>(b)];
    });
    return order;
}

// The building of each is set by the caller: gyms go to the sports block.
std::vector<PlanRoom> planSpecialRooms(SamplePlan& plan) {
    std::vector<PlanRoom> rooms;
    const std::vector<int> lessons = lessonsPerTeacher(plan);
    std::set<int> sport;
    std::set<int> lab;
    std::set<int> wholeGroup;
    const std::set<std::string> labDepartments = {"Информатика",
                                                  "Программирование",
                                                  "Вычислительная техника и сети",
                                                  "Машиностроение и сварка",
                                                  "Электротехника и энергетика",
                                                  "Автомобильный транспорт",
                                                  "Строительство",
                                                  "Технология питания"};
    for (const PlanGroup& g : plan.groups)
        for (const PlanSubject& s : g.subjects) {
            const SubjectEntry& e = entryOf(plan, s);
            for (int t : s.teachers) {
                if ((e.flags & kSport) != 0) sport.insert(t);
                if (labDepartments.count(
                        departmentNames()[static_cast<std::size_t>(e.department)]) &&
                    (e.flags & (kSubgroups | kBlock)) != 0)
                    lab.insert(t);
                if (s.teachers.size() == 1) wholeGroup.insert(t);
            }
        }
    const std::vector<int> gyms = byLessons({sport.begin(), sport.end()}, lessons);
    const int groups = static_cast<int>(plan.groups.size());
    for (std::size_t i = 0; i < gyms.size() && i < (groups >= 40 ? 2u : 1u); ++i) {
        if (lessons[static_cast<std::size_t>(gyms[i])] == 0) break;
        rooms.push_back({0, "С/з-" + std::to_string(i + 1), kGymSeats, true, {gyms[i]}});
    }
    const std::vector<int> labs = byLessons({lab.begin(), lab.end()}, lessons);
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(groups / 6, 2, 60));
    for (std::size_t i = 0; i < labs.size() && i < wanted; ++i) {
        const int t = labs[i];
        if (lessons[static_cast<std::size_t>(t)] == 0) break;
        rooms.push_back({0,
                         "Л-" + std::to_string(i + 1),
                         wholeGroup.count(t) ? kLabSeats : kSmallLabSeats,
                         true,
                         {t}});
        PlanTeacher& teacher = plan.teachers[static_cast<std::size_t>(t)];
        if (teacher.position == "преподаватель") teacher.position = "заведующий лабораторией";
    }
    return rooms;
}

std::string roomName(int building, int k) {
    const int floor = k / kRoomsPerFloor + 1;
    const int number = floor * 100 + k % kRoomsPerFloor + 1;
    return building == 0 ? std::to_string(number)
                         : std::to_string(building + 1) + "-" + std::to_string(number);
}

}  // namespace

void planRooms(SamplePlan& plan, SampleRandom& rnd) {
    std::vector<Event> events = collectEvents(plan);
    // Seats wanted at each moment by the classes no special room takes.
    std::vector<int> special(plan.teachers.size(), -1);
    std::vector<PlanRoom> specialRooms = planSpecialRooms(plan);
    for (std::size_t r = 0; r < specialRooms.size(); ++r)
        for (int t : specialRooms[r].teachers)
            special[static_cast<std::size_t>(t)] = static_cast<int>(r);

    std::map<std::tuple<int, int, int>, std::vector<std::size_t>> general;
    std::vector<int> eventRoom(events.size(), -1);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        const int sr = special[static_cast<std::size_t>(e.teacher)];
        if (sr >= 0 && e.seats <= specialRooms[static_cast<std::size_t>(sr)].seats) {
            eventRoom[i] = -2 - sr;
            continue;
        }
        general[{e.week, e.day, e.period}].push_back(i);
    }
    std::vector<int> sizes;
    for (auto& [moment, list] : general) {
        std::stable_sort(list.begin(), list.end(), [&](std::size_t a, std::size_t b) {
            return events[a].seats > events[b].seats;
        });
        if (sizes.size() < list.size()) sizes.resize(list.size(), 0);
        for (std::size_t k = 0; k < list.size(); ++k)
            sizes[k] = std::max(sizes[k], events[list[k]].seats);
    }
    for (int& s : sizes) s = roundSeats(s);
    const std::size_t spare = sizes.size() / 20 + 1;
    for (std::size_t i = 0; i < spare; ++i) sizes.push_back(roundSeats(kSpareSeats - rnd.below(6)));
    std::stable_sort(sizes.begin(), sizes.end(), std::greater<int>());

    const int buildings =
        static_cast<int>((sizes.size() + kRoomsPerBuilding - 1) / kRoomsPerBuilding);
    for (int b = 0; b < std::max(1, buildings); ++b)
        plan.buildings.push_back(
            {b == 0 ? std::string("Главный корпус") : "Учебный корпус №" + std::to_string(b + 1)});
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        const int b = static_cast<int>(k) / kRoomsPerBuilding;
        plan.rooms.push_back(
            {b, roomName(b, static_cast<int>(k) % kRoomsPerBuilding), sizes[k], false, {}});
    }
    const int labBuilding = static_cast<int>(plan.buildings.size());
    plan.buildings.push_back({"Лабораторный корпус"});
    const int sportBuilding = static_cast<int>(plan.buildings.size());
    plan.buildings.push_back({"Спортивный комплекс"});
    const int firstSpecial = static_cast<int>(plan.rooms.size());
    for (PlanRoom& r : specialRooms) {
        r.building = r.name.rfind("С/з", 0) == 0 ? sportBuilding : labBuilding;
        plan.rooms.push_back(std::move(r));
    }

    // The k-th largest class of a moment goes to the k-th largest room.
    for (auto& [moment, list] : general)
        for (std::size_t k = 0; k < list.size(); ++k) eventRoom[list[k]] = static_cast<int>(k);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const int room = eventRoom[i] <= -2 ? firstSpecial + (-2 - eventRoom[i]) : eventRoom[i];
        for (std::size_t l : events[i].lessons)
            plan.weeks[static_cast<std::size_t>(events[i].week)].lessons[l].room = room;
    }
}

}  // namespace zavlin::demo::detail
