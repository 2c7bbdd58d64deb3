// What the unions window offers: the subjects the chosen groups have in
// common in the chosen weeks, the unions that could join their teacher
// assignments, the unions set, and the checks before one is set.
//
// Unions live per week: a choice made for several weeks becomes one union in
// each week, joining that week's assignments. A week in which a member lacks
// its subject or teacher is skipped and said so.
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;
class TFio;
class TFioPredmet;
class TGryp;
class TOb;
class TPredmet;

}  // namespace zavlin

namespace zavlin::composition {

// "Ошибка! Нельзя объединять разные предметы в одной группе(...)": two
// members of one group with different subjects.
extern const char* const kUnionDifferentSubjectsOneGroup;
// "Ошибка! Нельзя объединять предметы в одной группе(...)": two members of
// one group with the same subject (its subgroups' teachers).
extern const char* const kUnionSameSubjectOneGroup;

// One member of a possible union: a group's subject and the teacher who
// teaches it; in each week the member is that subject's assignment of that
// teacher.
struct TUnionMember {
    TPredmet* predmet = nullptr;
    TFio* fio = nullptr;
};

// A way to join: one member per chosen group (a single member when one group
// is chosen: it can only be added to a union set).
struct TUnionChoice {
    std::vector<TUnionMember> members;
    // Subject, groups and teachers joined by blanks, as a union names itself.
    std::string Text() const;
};

// The unions set in the chosen weeks that touch the chosen groups, one line
// per distinct union text; each week's union of that text is one part.
struct TSetUnionLine {
    std::string text;
    struct Part {
        int ne = 0;
        TOb* ob = nullptr;
    };
    std::vector<Part> parts;
};

// What setting, adding or deleting did. refusal: the message to show; for
// setting and adding the operation was refused as a whole, for deleting it
// holds the reasons of the weeks kept (each once). skipped: one line per
// week left out.
struct TUnionOutcome {
    int done = 0;  // weeks changed
    std::string refusal;
    std::vector<std::string> skipped;
};

// Names of the subjects every group has with a teacher in at least one of
// the weeks, in the first group's order.
std::vector<std::string> CommonSubjects(const std::vector<TGryp*>& groups,
                                        const std::vector<int>& weeks);

// The possible unions of the subject: every combination of one (subject,
// teacher) per group that teaches it in one of the weeks. At most limit
// combinations are built.
std::vector<TUnionChoice> PossibleUnions(const std::vector<TGryp*>& groups,
                                         const std::vector<int>& weeks, const std::string& subject,
                                         std::size_t limit = 500);

// The unions of the weeks with a member in one of the groups and, when a
// subject is given, every union of that subject: a group alone is added to
// one of those.
std::vector<TSetUnionLine> SetUnions(TAllRasp& year, const std::vector<TGryp*>& groups,
                                     const std::vector<int>& weeks,
                                     const std::string& subject = {});

// The assignment of member m in week ne; null when the subject has no such
// teacher that week.
TFioPredmet* MemberInWeek(const TUnionMember& m, int ne);

// The refusal for members' subjects that cannot form one union (two of one
// group); empty when they can.
std::string CheckMembers(const std::vector<const TPredmet*>& subjects);

// Sets the union of choice (two members or more) in each of the weeks.
TUnionOutcome SetUnion(TAllRasp& year, const TUnionChoice& choice, const std::vector<int>& weeks);

// Adds member (its group) to the union of each part of line.
TUnionOutcome AddToUnion(TAllRasp& year, const TSetUnionLine& line, const TUnionMember& member);

// Dissolves each part of line whose lessons are not placed; the others stay,
// listed in skipped, with the year's reasons in refusal.
TUnionOutcome DeleteUnion(TAllRasp& year, const TSetUnionLine& line);

}  // namespace zavlin::composition
