// How a week to be synchronised differs from the base week, for the
// synchronisation start window's comparison: for each selected group, the
// weeks it lacks, its study days, and the subjects whose pairs per week or
// teachers are not those of the base week. A synchronisation copies the base
// week's lessons only where the group, the subject's load and the teacher in
// the same place exist in both weeks, so every difference listed is a
// lesson that will not be copied as the dispatcher may expect.
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;

struct TWeekDifference {
    enum class Kind {
        NoBaseWeek,  // the group studies in the week but not in the base week
        NoWeek,      // the group studies in the base week but not in this one
        StudyDays,   // its study days differ
        Pairs,       // a subject's regular pairs per week differ
        Teachers,    // a subject's teachers differ, place by place
    };
    int ne = 0;  // the week compared with the base week
    std::string group;
    Kind kind = Kind::Pairs;
    std::string subject;  // Pairs, Teachers
    // Study days (StudyDays) or pairs (Pairs) in the base week and in ne;
    // the teachers' short names (Teachers) in baseText and otherText.
    int base = 0;
    int other = 0;
    std::string baseText;
    std::string otherText;
};

// Every active week other than base against base, over the selected
// groups: in week order, then group order, then subject order. Empty when the
// weeks are alike (or base is not a week).
std::vector<TWeekDifference> CompareWithBaseWeek(const TAllRasp& year, int base);

// One line of the comparison window for a difference.
std::string WeekDifferenceText(const TAllRasp& year, const TWeekDifference& difference);

}  // namespace zavlin
