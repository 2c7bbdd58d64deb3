#include "composition/union_choice.h"

#include <algorithm>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "model/group.h"
#include "model/year.h"

namespace zavlin::composition {

const char* const kUnionDifferentSubjectsOneGroup =
    "Ошибка! Нельзя объединять разные предметы в одной группе(установите это объединение в "
    "предварительных установках)";
const char* const kUnionSameSubjectOneGroup =
    "Ошибка! Нельзя объединять предметы в одной группе(установите это объединение в "
    "предварительных установках)";

namespace {

bool hasTeacherIn(const TPredmet& pr, const std::vector<int>& weeks) {
    return std::any_of(weeks.begin(), weeks.end(),
                       [&](int ne) { return ne >= 1 && ne <= kWeeks && !pr.GetLFio(ne).empty(); });
}

void appendDistinct(std::unordered_set<std::string>& seen, std::string& out,
                    const std::string& text) {
    if (!seen.insert(text).second) return;
    if (!out.empty()) out += ",";
    out += text;
}

std::string weekLabel(const TAllRasp& year, int ne) {
    return "Неделя " + year.AllNed.GetNumberWeek(ne) + ": ";
}

std::string memberText(const TUnionMember& m) {
    return (m.fio != nullptr ? m.fio->Name() : std::string()) + " (" +
           (m.predmet != nullptr && m.predmet->Gryp() != nullptr ? m.predmet->Gryp()->Name()
                                                                 : std::string()) +
           ")";
}

std::string missingText(const TAllRasp& year, int ne, const TUnionMember& m) {
    return weekLabel(year, ne) + "у группы " +
           (m.predmet->Gryp() != nullptr ? m.predmet->Gryp()->Name() : std::string()) +
           " нет преподавателя " + (m.fio != nullptr ? m.fio->Name() : std::string()) +
           " по предмету " + m.predmet->Name();
}

// The position of ob in its week's list; -1 when it is gone.
int indexOf(TAllRasp& year, int ne, const TOb* ob) {
    if (ne < 1 || ne > kWeeks) return -1;
    const auto& list = year.GetLOb(ne);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == ob) return static_cast<int>(i);
    return -1;
}

}  // namespace

std::string TUnionChoice::Text() const {
    std::unordered_set<std::string> seen;
    std::string subjects, groups, teachers;
    for (const TUnionMember& m : members) appendDistinct(seen, subjects, m.predmet->Name());
    seen.clear();
    for (const TUnionMember& m : members)
        appendDistinct(seen, groups, m.predmet->Gryp() != nullptr ? m.predmet->Gryp()->Name() : "");
    seen.clear();
    for (const TUnionMember& m : members)
        appendDistinct(seen, teachers, m.fio != nullptr ? m.fio->Name() : "");
    return subjects + " " + groups + " " + teachers;
}

std::vector<std::string> CommonSubjects(const std::vector<TGryp*>& groups,
                                        const std::vector<int>& weeks) {
    std::vector<std::string> out;
    if (groups.empty()) return out;
    std::vector<std::unordered_set<std::string>> taught;
    for (std::size_t g = 1; g < groups.size(); ++g) {
        auto& names = taught.emplace_back();
        for (const auto& pr : groups[g]->LPredmet)
            if (hasTeacherIn(*pr, weeks)) names.insert(pr->Name());
    }
    for (const auto& pr : groups.front()->LPredmet) {
        if (!hasTeacherIn(*pr, weeks)) continue;
        const std::string name = pr->Name();
        if (std::find(out.begin(), out.end(), name) != out.end()) continue;
        if (std::all_of(taught.begin(), taught.end(),
                        [&](const auto& names) { return names.count(name) != 0; }))
            out.push_back(name);
    }
    return out;
}

std::vector<TUnionChoice> PossibleUnions(const std::vector<TGryp*>& groups,
                                         const std::vector<int>& weeks, const std::string& subject,
                                         std::size_t limit) {
    // Per group, its distinct (subject, teacher) pairs of that name.
    std::vector<std::vector<TUnionMember>> options;
    for (const TGryp* gr : groups) {
        auto& own = options.emplace_back();
        for (const auto& owned : gr->LPredmet) {
            TPredmet* pr = owned.get();
            if (pr->Name() != subject) continue;
            for (int ne : weeks) {
                if (ne < 1 || ne > kWeeks) continue;
                for (const auto& fp : pr->GetLFio(ne)) {
                    const bool known = std::any_of(own.begin(), own.end(), [&](const auto& m) {
                        return m.predmet == pr && m.fio == fp->Fio();
                    });
                    if (!known) own.push_back({pr, fp->Fio()});
                }
            }
        }
        if (own.empty()) return {};
    }
    std::vector<TUnionChoice> out;
    if (options.empty()) return out;
    // Odometer over the groups' options, the last group turning fastest.
    std::vector<std::size_t> at(options.size(), 0);
    while (out.size() < limit) {
        TUnionChoice& choice = out.emplace_back();
        for (std::size_t g = 0; g < options.size(); ++g)
            choice.members.push_back(options[g][at[g]]);
        std::size_t g = options.size();
        while (g > 0) {
            --g;
            if (++at[g] < options[g].size()) break;
            at[g] = 0;
            if (g == 0) return out;
        }
    }
    return out;
}

std::vector<TSetUnionLine> SetUnions(TAllRasp& year, const std::vector<TGryp*>& groups,
                                     const std::vector<int>& weeks, const std::string& subject) {
    const std::unordered_set<const TGryp*> chosen(groups.begin(), groups.end());
    std::vector<TSetUnionLine> out;
    std::unordered_map<std::string, std::size_t> byText;
    for (int ne : weeks) {
        if (ne < 1 || ne > kWeeks) continue;
        for (const auto& ob : year.GetLOb(ne)) {
            const bool touches =
                std::any_of(ob->LFioPredmet.begin(), ob->LFioPredmet.end(), [&](const auto* fp) {
                    return fp->Predmet() != nullptr && chosen.count(fp->Predmet()->Gryp()) != 0;
                });
            if (!touches && (subject.empty() || ob->NamePredmet() != subject)) continue;
            const std::string text = ob->NamePredmetGrypFio();
            auto [it, fresh] = byText.emplace(text, out.size());
            if (fresh) out.push_back({text, {}});
            out[it->second].parts.push_back({ne, ob.get()});
        }
    }
    return out;
}

TFioPredmet* MemberInWeek(const TUnionMember& m, int ne) {
    if (m.predmet == nullptr || ne < 1 || ne > kWeeks) return nullptr;
    for (const auto& fp : m.predmet->GetLFio(ne))
        if (fp->Fio() == m.fio) return fp.get();
    return nullptr;
}

std::string CheckMembers(const std::vector<const TPredmet*>& subjects) {
    for (std::size_t i = 0; i < subjects.size(); ++i)
        for (std::size_t j = i + 1; j < subjects.size(); ++j) {
            const TPredmet* a = subjects[i];
            const TPredmet* b = subjects[j];
            if (a == nullptr || b == nullptr || a->Gryp() != b->Gryp()) continue;
            return a->Name() == b->Name() ? kUnionSameSubjectOneGroup
                                          : kUnionDifferentSubjectsOneGroup;
        }
    return {};
}

TUnionOutcome SetUnion(TAllRasp& year, const TUnionChoice& choice, const std::vector<int>& weeks) {
    TUnionOutcome outcome;
    if (choice.members.size() < 2) return outcome;
    // The members' subjects are the same in every week: checked once.
    std::vector<const TPredmet*> subjects;
    for (const TUnionMember& m : choice.members) subjects.push_back(m.predmet);
    outcome.refusal = CheckMembers(subjects);
    if (!outcome.refusal.empty()) return outcome;
    for (int ne : weeks) {
        if (ne < 1 || ne > kWeeks) continue;
        std::vector<TFioPredmet*> fps;
        bool complete = true;
        for (const TUnionMember& m : choice.members) {
            TFioPredmet* fp = MemberInWeek(m, ne);
            if (fp == nullptr) {
                outcome.skipped.push_back(missingText(year, ne, m));
                complete = false;
                break;
            }
            fps.push_back(fp);
        }
        if (!complete) continue;
        const std::set<const TFioPredmet*> wanted(fps.begin(), fps.end());
        if (fps.front()->Ob != nullptr &&
            static_cast<std::size_t>(fps.front()->Ob->CountFioPredmet()) == fps.size() &&
            std::all_of(fps.begin(), fps.end(),
                        [&](const TFioPredmet* fp) { return fp->Ob == fps.front()->Ob; })) {
            outcome.skipped.push_back(weekLabel(year, ne) + "объединение уже назначено");
            continue;
        }
        // Taking a member from a union of other groups would silently break
        // that union (and a timetable placed with it): the week is left.
        const TOb* foreign = nullptr;
        for (const TFioPredmet* fp : fps)
            if (fp->Ob != nullptr)
                for (const TFioPredmet* other : fp->Ob->LFioPredmet)
                    if (wanted.count(other) == 0) foreign = fp->Ob;
        if (foreign != nullptr) {
            outcome.skipped.push_back(weekLabel(year, ne) + "уже назначено объединение " +
                                      foreign->NamePredmetGrypFio());
            continue;
        }
        auto ob = std::make_unique<TOb>(ne, 0);
        ob->LFioPredmet = fps;
        if (year.AddOb(std::move(ob), true) >= 0) ++outcome.done;
    }
    return outcome;
}

TUnionOutcome AddToUnion(TAllRasp& year, const TSetUnionLine& line, const TUnionMember& member) {
    TUnionOutcome outcome;
    if (member.predmet == nullptr) return outcome;
    // First every week is checked, so that a refusal leaves all as it was.
    std::vector<std::pair<TOb*, TFioPredmet*>> joins;
    for (const TSetUnionLine::Part& part : line.parts) {
        if (indexOf(year, part.ne, part.ob) < 0) continue;
        TFioPredmet* fp = MemberInWeek(member, part.ne);
        if (fp == nullptr) {
            outcome.skipped.push_back(missingText(year, part.ne, member));
            continue;
        }
        if (fp->Ob == part.ob) {
            outcome.skipped.push_back(weekLabel(year, part.ne) + memberText(member) +
                                      " уже в этом объединении");
            continue;
        }
        std::vector<const TPredmet*> subjects;
        for (const TFioPredmet* other : part.ob->LFioPredmet) subjects.push_back(other->Predmet());
        subjects.push_back(member.predmet);
        if (std::string refusal = CheckMembers(subjects); !refusal.empty()) {
            outcome.refusal = std::move(refusal);
            outcome.skipped.clear();
            return outcome;
        }
        if (fp->Ob != nullptr) {
            outcome.skipped.push_back(weekLabel(year, part.ne) + "уже назначено объединение " +
                                      fp->Ob->NamePredmetGrypFio());
            continue;
        }
        joins.emplace_back(part.ob, fp);
    }
    for (auto& [ob, fp] : joins) {
        ob->AddFio(fp);
        ++outcome.done;
    }
    // The clash index holds the unions' members: it is rebuilt when next asked.
    if (!joins.empty()) ++year.RaspGeneration;
    return outcome;
}

TUnionOutcome DeleteUnion(TAllRasp& year, const TSetUnionLine& line) {
    TUnionOutcome outcome;
    // The year's own check, asked quietly per week: a union placed in many
    // weeks gets each reason said once, not once per week.
    std::vector<std::string> reasons;
    for (const TSetUnionLine::Part& part : line.parts) {
        const int indx = indexOf(year, part.ne, part.ob);
        if (indx < 0) continue;
        const std::vector<std::string> refusals = year.DelObRefusals(part.ne, indx);
        if (refusals.empty() && year.DelOb(part.ne, indx, false)) {
            ++outcome.done;
            continue;
        }
        for (const std::string& text : refusals)
            if (std::find(reasons.begin(), reasons.end(), text) == reasons.end())
                reasons.push_back(text);
        outcome.skipped.push_back(weekLabel(year, part.ne) + "объединение оставлено");
    }
    for (const std::string& text : reasons)
        outcome.refusal += (outcome.refusal.empty() ? "" : "\n") + text;
    return outcome;
}

}  // namespace zavlin::composition
