// A sample college as plain data, before it becomes a year of the database:
// its reference lists, groups with their curricula, and a timetable laid
// first (the hidden timetable) from which the weekly load is derived. The
// timetable obeys every rule of composition, so a timetable is known to exist
// for the load. Indices refer to the vectors of the same SamplePlan.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zavlin::demo {

enum class SampleSize { S, M, L, XL };

struct SampleOptions {
    SampleSize size = SampleSize::M;
    uint64_t seed = 1;
    int year = 2026;  // the first calendar year of the academic year
};

int groupCount(SampleSize size);
const char* sizeName(SampleSize size);
std::optional<SampleSize> parseSampleSize(std::string_view text);

// The numerator and denominator weeks the dispatcher composes.
inline constexpr std::array<int, 2> kActiveWeeks = {53, 54};
// A past calendar week that ran with the numerator timetable, substitutions
// included; the credits and the examinations come at the end of the term.
inline constexpr int kSubstitutionWeek = 5;
inline constexpr int kCreditWeek = 16;
inline constexpr int kExamWeek = 17;
// A group's day lies within this many periods from its first one.
inline constexpr int kWindow = 4;
inline constexpr int kPlanDays = 6;
inline constexpr int kPlanPeriods = 12;

using AvailabilityGrid = std::array<std::array<uint8_t, kPlanPeriods>, kPlanDays + 1>;

struct PlanSubjectName {
    std::string shortName;
    std::string fullName;
    int catalogue = 0;  // position in subjectCatalogue()
};

struct PlanFaculty {
    std::string name;
    std::vector<int> groups;
};

struct PlanTeacher {
    std::string fullName;
    std::string position;
    bool female = false;
    int department = 0;
    int rday = 5;             // wished working days
    unsigned workDays = 0;    // bit d (1-6): a day the hidden timetable may use
    AvailabilityGrid op{};    // [day][period], 1 = may teach; row 0 unused
    bool restricted = false;  // some periods are 0
    int capacity = 16;        // lessons a week the teacher may be given
};

struct PlanBuilding {
    std::string name;
};

struct PlanRoom {
    int building = 0;
    std::string name;
    int seats = 0;
    bool special = false;
    std::vector<int> teachers;  // bound to a special room
};

struct PlanSubject {
    int name = 0;                 // PlanSubjectName
    int spar = 1;                 // periods in a row
    std::vector<int> teachers;    // two for subgroups taught in parallel
    int unionIndex = -1;          // PlanUnion it is read in
    bool pinnedSport = false;     // one lesson a week stands fixed
    std::array<int, 2> target{};  // curriculum lessons per active week
};

struct PlanGroup {
    std::string name;
    int speciality = 0;  // specialityCatalogue()
    int course = 1;
    int students = 25;
    int firstPeriod = 1;
    bool fiveDays = false;
    std::vector<PlanSubject> subjects;
};

// One teacher reading one subject to several groups at once.
struct PlanUnion {
    int teacher = 0;
    std::vector<std::pair<int, int>> members;  // (group, subject)
};

// One teacher's lesson in one group: a subgroup lesson is two of them, a
// union lesson one per member group.
struct PlanLesson {
    int group = 0;
    int subject = 0;
    int teacher = 0;
    int day = 1;     // 1-6
    int period = 0;  // 0-11
    int room = 0;
    bool pinned = false;
};

struct PlanWeek {
    int ne = 0;
    std::vector<PlanLesson> lessons;
};

// In kSubstitutionWeek: the lesson of (group, day, period) given by teacher
// is taken by substitute, or cancelled when substitute is -1.
struct PlanSubstitution {
    int group = 0;
    int day = 1;
    int period = 0;
    int teacher = 0;
    int substitute = -1;
};

struct PlanExam {
    int group = 0;
    int subject = 0;
    int teacher = 0;
    int day = 1;
};

struct PlanCredit {
    int group = 0;
    int subject = 0;
    int examiner = 0;
    int assistant = -1;
    int day = 1;
    int start = 600;  // minutes from midnight
    int length = 90;
    int room = 0;
};

struct SamplePlan {
    SampleOptions options;
    std::vector<std::string> divisions;
    std::vector<PlanSubjectName> names;
    std::vector<PlanFaculty> faculties;
    std::vector<PlanTeacher> teachers;
    std::vector<PlanBuilding> buildings;
    std::vector<PlanRoom> rooms;
    std::vector<PlanGroup> groups;
    std::vector<PlanUnion> unions;
    std::array<PlanWeek, 2> weeks;  // kActiveWeeks, in order
    std::vector<PlanSubstitution> substitutions;
    std::vector<PlanExam> exams;
    std::vector<PlanCredit> credits;
    int showcaseGroup = 0;    // a group with a pinned lesson and a substitution
    int showcaseTeacher = 0;  // a teacher with a pinned lesson
};

// Lessons of one group's subject in a week of the hidden timetable.
int countLessons(const PlanWeek& week, int group, int subject);

struct WeekCounts {
    int ne = 0;
    int lessons = 0;       // PlanLesson entries: one per teacher and group
    int groupPeriods = 0;  // occupied (group, day, period) cells
    int units = 0;         // load items: group subjects with lessons that week
    int groupHoles = 0;
    int teacherHoles = 0;
};

struct SampleCounts {
    int groups = 0;
    int teachers = 0;
    int subjectNames = 0;
    int subjects = 0;  // of all groups
    int rooms = 0;
    int unions = 0;
    int pinned = 0;  // per active week
    std::array<WeekCounts, 2> weeks;
};

// The whole sample, the same for the same options on every platform.
SamplePlan planSample(const SampleOptions& options);
SampleCounts countPlan(const SamplePlan& plan);

}  // namespace zavlin::demo
