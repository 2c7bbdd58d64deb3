// The import of a study plan exported by the curriculum planning program: an
// XML document that holds one academic year (buildings and rooms, groups with
// their study calendars, and per group its subjects with teachers and pairs
// per week). The import replaces the whole year.
//
// The document is first read whole into a TCurriculumPlan and resolved
// against the year's calendar into the load every group will get
// (TCurriculumOutcome); a malformed or inconsistent file is refused there,
// before anything changes. The dry run compares that outcome with the year
// as it is; the import deletes the year, creates it again and applies the
// same outcome through the model.
//
// Document (names as read; attribute = of the element, field = value child):
//   Year  Vers (0/missing = old file) Name (first calendar year)
//     LDom Count / * Name Count / LAyd / * Name N Count
//     LGryp Count / * Name N / Main: Kyrs Stud1 Dey2sem Graf
//                            / LPrGryp Count / * NPredmet BakMet GNYrName N RazN Tip
//                                 Ned / Ne1|Ne2 H="4;0;3;"
//                                 Sem1|Sem2 H1 H2 / LFio1|LFio2 Count / * FN
//     LPredmet / P N: SName LName      LFio / F N: Name      LMetodist / M N: Name
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/calendar.h"

namespace zavlin {
class TAllGod;
class TAllRasp;
class TGryp;
class TMyDialog;
class TXMLCreater;
}  // namespace zavlin

namespace zavlin::exporting {

inline constexpr int kGrafDays = 364;          // calendar days of "Graf" read
inline constexpr int kHWeeks = 52;             // weeks of an "H" list read
inline constexpr int kMaxHalfYearHours = 510;  // hours of a half-year counted
inline constexpr std::size_t kMaxNameDom = 48;
inline constexpr std::size_t kMaxNameAyd = 5;
inline constexpr std::size_t kSubjectShort1 = 18;  // kind 1: "SName" cut
inline constexpr std::size_t kSubjectShort2 = 15;  // kind 2: cut, then "(Д)"
// Bounds of a sane plan; a file beyond them is refused whole.
inline constexpr int kMaxPlanGroups = 5000;
inline constexpr int kMaxPlanSubjects = 255;       // subjects of one group
inline constexpr int kMaxPlanTeachersOfHalf = 32;  // teachers of one half-year
inline constexpr int kMaxPairsPerWeek = 72;        // 6 days x 12 periods

// The old-file message and the captions of the import.
inline constexpr const char* kOldVersionMessage =
    "Вы пытаетесь получить данные из старой версии файла! Скачайте новый файл с сервера "
    "\"Сферион\"";
inline constexpr const char* kImportVariant =
    "На весь год сразу(импорт с нуля удалив всё в учебном году)";
inline constexpr const char* kImportDone = "Импорт успешно завершён";

// The teacher short name of a full name: the first word and the initials of
// the second and third, or the whole text of one or two words.
std::string ShortFioName(const std::string& fullName);
// "2015-2016"
std::string ImportYearText(int year);
// The question asked on "OK" before anything else.
std::string ImportFirstQuestion(int year);

struct TPlanTeacher {
    std::string fullName;
    std::string shortName;
    int fn = 0;  // plan number; 0 for a placeholder
};

// Hours and teachers (positions in TCurriculumPlan::teachers) of a half-year.
struct TPlanHalf {
    bool present = false;
    int hours = 0;
    std::vector<int> teachers;
};

struct TPlanSubject {
    std::string shortName;
    std::string longName;
    int kind = 1;  // 1 from "Ne1", 2 from any other child
    int gnYrName = 0;
    int n = 0;
    int razN = 0;
    int tipDRKM = 0;
    bool hTeachers = true;  // "Ne1"/"Ne2": its weeks get teachers
    bool cut = false;       // "SName" was longer than the short name holds
    std::array<TPlanHalf, 2> half;
    std::vector<int> hPairs;  // pairs of weeks 1.. from "H"
};

struct TPlanGroup {
    std::string name;
    int n = 0;
    int kyrs = 0;
    int stud1 = 0;
    int dey2sem = 0;
    std::string graf;
    std::vector<TPlanSubject> subjects;
};

struct TPlanRoom {
    std::string name;
    int n = 0;
    int seats = 0;
};

struct TPlanBuilding {
    std::string name;
    std::vector<TPlanRoom> rooms;
};

struct TCurriculumPlan {
    int version = 0;
    int year = 0;
    std::vector<TPlanBuilding> buildings;
    std::vector<TPlanGroup> groups;
    std::vector<TPlanTeacher> teachers;  // distinct short names, first seen first
};

// Reads the document. False, with the reason, for a document that is not a
// curriculum, holds a number that does not parse or exceeds the bounds above.
// An old version reads (version 0); the window refuses it.
[[nodiscard]] bool ReadCurriculumPlan(const TXMLCreater& doc, TCurriculumPlan& plan,
                                      std::string& message);
// Loads the file with the XML reader first; its refusal becomes the message.
[[nodiscard]] bool LoadCurriculumPlan(const std::filesystem::path& file, TCurriculumPlan& plan,
                                      std::string& message);

// What a group's subject will hold after the import.
struct TOutcomeSubject {
    std::string shortName;
    std::string longName;
    const TPlanSubject* source = nullptr;
    std::array<int, kCalendarWeeks + 1> pairs{};                // weeks 1-56
    std::array<std::vector<int>, kCalendarWeeks + 1> teachers;  // plan teacher positions
    bool subgroups = false;
    int sem1 = 0;  // planned pairs of each half-year
    int sem2 = 0;
};

struct TOutcomeGroup {
    const TPlanGroup* source = nullptr;
    int s1 = 0;  // study days of each half-year
    int s2 = 0;
    std::vector<TOutcomeSubject> subjects;
};

struct TCurriculumOutcome {
    std::vector<TOutcomeGroup> groups;
};

// Resolves the plan against the calendar of its year: study days from the
// calendars, the weekly pairs and teachers, and the typical weeks 53-56.
// False, with the reason, when a subject would get more than a week or a
// subject can hold.
[[nodiscard]] bool ResolveCurriculum(const TCurriculumPlan& plan, const TAllNed& calendar,
                                     TCurriculumOutcome& outcome, std::string& message);

// Weeks of a half-year of D study days: D div 6, one more for a remainder
// above 2.
int TypicalWeekCount(int studyDays);
// Typical week of a half-year: pairs of its two weeks for D study days and h
// hours, with the pairs the group's two weeks received so far (updated).
std::array<int, 2> TypicalWeekPairs(int studyDays, int hours, std::array<int, 2>& given);

// The group's calendar from its plan: weeks and study days from "Graf", the
// start of the second half-year, and six study days in the typical weeks of
// each half-year that has study days.
void ApplyPlanCalendar(TGryp& gr, const TPlanGroup& pg);

// The dry run's findings: one line per entry that would be added, changed
// or removed. The import deletes the year first, so removed also counts what
// the year holds that the plan cannot give back (placed lessons, unions,
// faculties, room and teacher data, ...).
struct TImportReport {
    std::vector<std::string> added;
    std::vector<std::string> changed;
    std::vector<std::string> removed;
    bool NoChange() const { return added.empty() && changed.empty() && removed.empty(); }
    std::string Text() const;
};

// A subject name the file holds cut short is the year's own subject name
// when exactly one subject name of the year begins with the cut one (a kind-2
// name ends in "(Д)" too): re-importing a year keeps its long names. Any
// other cut name stays as the file gives it, a new subject.
void KeepYearSubjectNames(TCurriculumPlan& plan, const TAllRasp& year);

// Compares the outcome with a loaded year (null: the year does not exist);
// calendar is the week calendar the new year gets.
TImportReport CompareCurriculum(const TCurriculumPlan& plan, const TCurriculumOutcome& outcome,
                                const TAllNed& calendar, const TAllRasp* year);
// The whole dry run on the database of years: nothing is written.
[[nodiscard]] bool DryRunCurriculum(TAllGod& years, const TCurriculumPlan& plan,
                                    TImportReport& report, std::string& message);

enum class TImportResult { Done, Declined, Failed };

struct TImportHooks {
    // The automatic backup after "Да" to its question; true when a copy was
    // kept. Without it the question is not asked.
    std::function<bool()> backup;
    // Called from the thread the import runs on.
    std::function<void(const std::string&)> status;
    // Once, just before the stored year is first changed: from then on a
    // failure may leave the year half made.
    std::function<void()> touching;
};

// The plan resolved against the calendar a new year of it gets, as the
// import checks it before anything is asked; an old version is refused.
[[nodiscard]] bool CheckCurriculumPlan(const TCurriculumPlan& plan, bool runSaturday,
                                       TCurriculumOutcome& outcome, std::string& message);

// The import after the first question was answered "Да": the plan checked,
// the backup question, the question on an existing year, the deletion, the
// new year made active, buildings, rooms, groups with their subjects, and
// the save. A failure after the deletion is told with the way back (the
// backup) in message. The questions are asked here only.
[[nodiscard]] TImportResult ImportCurriculum(TAllGod& years, const TCurriculumPlan& plan,
                                             TMyDialog& dialog, const TImportHooks& hooks,
                                             std::string& message);

}  // namespace zavlin::exporting
