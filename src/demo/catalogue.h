// What a Russian college is made of, as the sample colleges use it: the
// divisions and specialities, the subjects with their cycle commissions
// (departments), the teachers' names and positions. Texts are UTF-8.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace zavlin::demo {

// How a subject is taught.
enum SubjectFlag : unsigned {
    kLecture = 1u << 0,    // may be read to two or three groups at once
    kSubgroups = 1u << 1,  // two subgroups in parallel, each with its teacher
    kBlock = 1u << 2,      // two periods in a row
    kSport = 1u << 3,      // physical education: often pinned by the dispatcher
    kCore = 1u << 4,       // gets more hours than the others
};

struct SubjectEntry {
    const char* shortName;  // at most 20 characters
    const char* fullName;   // at most 48 characters
    int department;
    unsigned flags;
};

enum class SpecialityKind { It, Economy, Technical, Service };

struct SpecialityEntry {
    const char* abbreviation;  // "ИС": the first part of the group names
    const char* faculty;       // code and name, at most 48 characters
    int division;
    SpecialityKind kind;
    // Short names of its professional subjects, from the first year of
    // professional study on; the last one is its practice.
    std::vector<const char*> subjects;
};

// General subjects by the course that takes them.
struct CourseCurriculum {
    std::vector<const char*> always;
    std::vector<const char*> optional;
};

std::span<const SubjectEntry> subjectCatalogue();
std::span<const SpecialityEntry> specialityCatalogue();
std::span<const char* const> divisionNames();
std::span<const char* const> departmentNames();
const CourseCurriculum& generalCurriculum(int course);
// Position in subjectCatalogue(), -1 when there is no such subject.
int subjectIndex(const std::string& shortName);

// Teachers' names.
struct PatronymicEntry {
    const char* male;
    const char* female;
};
std::span<const char* const> surnames();  // the male form
std::span<const char* const> maleNames();
std::span<const char* const> femaleNames();
std::span<const PatronymicEntry> patronymics();
// "Иванов" -> "Иванова", "Троицкий" -> "Троицкая", "Коваленко" stays.
std::string femaleSurname(const std::string& male);

}  // namespace zavlin::demo
