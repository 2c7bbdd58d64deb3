// One week of a year as an instance of the free timetabler FET: the units
// our search must place become FET activities under the same hard rules,
// the instance is written in FET's ".fet" XML, FET's activities timetable is
// read back, and its times are placed into the model so that our own quality
// code and judge can measure them.
//
// How the rules map:
// - days 1-6 and periods 0-11 are FET's days "1".."6" and hours "0".."11";
// - each group is a FET year (a students set) not available on its days off
//   and outside its daily window;
// - a teacher is not available where the availability grid says so or where
//   the model already holds them (credits) before any lesson is placed;
// - subgroups of one subject with different teachers are one activity with
//   every subgroup teacher and the group, as many as the subgroups share;
// - a union is one activity of all its groups with its teacher(s);
// - a subject of Spar > 1 becomes blocks of Spar consecutive periods (the
//   rest as a shorter block); all lessons of one teacher assignment lie on
//   different days, as the model allows one block a day;
// - a pinned lesson already transferred into the week is an activity fixed
//   at its time (100 %, locked);
// - the teacher's working days are capped by the loosest limit our search
//   applies to them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/year.h"
#include "storage/year_database.h"

namespace zavlin {
class TFio;
class TMyDialog;
class TFioPredmet;
class TGryp;
class TSosPredmet;
class TYrokKorzina;
}  // namespace zavlin

namespace zavlin::peer {

// One lesson of one group that an hour of an activity gives.
struct FetLesson {
    TGryp* gr = nullptr;
    TYrokKorzina* korzina = nullptr;
    TFioPredmet* fp = nullptr;
};

struct FetActivity {
    int id = 0;
    int groupId = 0;        // FET's activity group: the blocks of one series
    int totalDuration = 0;  // of the activity group (its own duration alone)
    std::vector<const TFio*> teachers;
    std::vector<const TGryp*> groups;
    std::string subject;
    // Per period of the activity, the lessons it places.
    std::vector<std::vector<FetLesson>> hours;
    // Our units it places (indexes into the week's unit list).
    std::vector<int> units;
    bool pinned = false;  // then fixed at (day, hour)
    int day = 0;
    int hour = 0;
    int duration() const { return static_cast<int>(hours.size()); }
};

struct FetInstance {
    int ne = 0;
    int units = 0;          // our search's units of the week
    int pinnedLessons = 0;  // lessons already in the week when it starts
    std::vector<FetActivity> activities;
    // Activity ids that must lie on different days.
    std::vector<std::vector<int>> differentDays;
    std::map<const TFio*, std::vector<std::pair<int, int>>> teacherNotAvailable;
    std::map<const TGryp*, std::vector<std::pair<int, int>>> groupNotAvailable;
    std::map<const TFio*, int> teacherMaxDays;
    // Beyond our hard rules: FET must leave no group a hole (asked of FET to
    // see what our preference for no holes costs it).
    bool studentsNoGaps = false;
    // FET's own usual limit on each teacher's gaps a week; negative: none.
    int teacherMaxGaps = -1;
    // What the instance could not express exactly, counted by kind.
    std::map<std::string, int> inexact;
};

// The instance of week ne. The year must hold the week as our search starts
// it: every group's week cleared, the pinned lessons transferred; units is
// that search's unit list (TSpSostPr::GetSosSpisok). teacherBusy lists the
// cells where the model holds a teacher before any lesson of the week is
// placed (see TeacherBusyCells).
FetInstance BuildFetInstance(
    TAllRasp& year, int ne, const std::vector<const TSosPredmet*>& units,
    const std::map<const TFio*, std::vector<std::pair<int, int>>>& teacherBusy);

// Cells (day, period) of week ne where TestAddFio refuses each teacher;
// asked of a week with no lesson in it, so only the holdings outside the
// timetable (credits) show.
std::map<const TFio*, std::vector<std::pair<int, int>>> TeacherBusyCells(TAllRasp& year, int ne);

// The instance as a ".fet" file's text.
std::string WriteFetXml(const FetInstance& instance);

// FET's "<name>_activities.xml": activity id -> (day, hour); an activity
// FET left without a time is absent. False, with why, on a text that is not
// such a file or names a day or hour outside the week.
struct FetTime {
    int day = 0;
    int hour = 0;
};
[[nodiscard]] bool ParseFetActivities(const std::string& text, std::map<int, FetTime>& times,
                                      std::string& why);

// Places the activities FET gave a time (the pinned ones are in the week
// already) into layer 0 of week ne. Returns the units placed; an activity
// naming a time outside the week counts in rejected and is left out.
struct FetPlacement {
    int unitsPlaced = 0;
    int activitiesPlaced = 0;
    int rejected = 0;
};
FetPlacement PlaceFetTimes(const FetInstance& instance, const std::map<int, FetTime>& times);

// FET run on the instance: dir/<base>.fet written, FET's output under
// dir/fet. answered when a timetable came back (complete, or the most FET
// placed before the time limit), its times read.
struct FetRun {
    bool answered = false;
    std::string status;  // "complete", "partial (time limit)", or why none came
    double wall = 0;     // seconds
    double cpu = 0;      // FET's processor seconds
    std::map<int, FetTime> times;
};
FetRun SolveWithFet(const FetInstance& instance, const std::string& fet,
                    const std::filesystem::path& dir, const std::string& base, int timeLimit,
                    uint64_t seed);

// Year YGod of home loaded with week ne as a run from zero starts it: every
// group selected and its week cleared, the pinned lessons transferred.
class WeekAtStart {
public:
    WeekAtStart(const std::filesystem::path& home, TMyDialog& dialog, int ygod, int ne);
    TDM1 dm;
    TAllRasp year;
    int ne = 0;
    // Teachers held outside the timetable, read before any pin went in.
    std::map<const TFio*, std::vector<std::pair<int, int>>> busy;
    int pinsRefused = 0;  // lines of the transfer's refusals
    bool loaded = false;
};

// The instance of the week as it starts, with the units our search builds
// for it; scratch receives the search's variant file for the while.
FetInstance BuildWeekInstance(WeekAtStart& week, const std::filesystem::path& scratch);

}  // namespace zavlin::peer
