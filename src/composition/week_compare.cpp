#include "composition/week_compare.h"

#include <fmt/format.h>

#include "model/calendar.h"
#include "model/group.h"
#include "model/year.h"

namespace zavlin {

namespace {

// The subject's teachers of the week, place by place.
std::vector<const TFio*> teachersOf(const TPredmet& pr, int ne) {
    std::vector<const TFio*> out;
    for (const auto& fp : pr.GetLFio(ne)) out.push_back(fp->Fio());
    return out;
}

void compareGroup(const TGryp& gr, int base, int ne, std::vector<TWeekDifference>& out) {
    const bool hasBase = gr.GetNed(base) != nullptr;
    const bool hasWeek = gr.GetNed(ne) != nullptr;
    if (!hasBase && !hasWeek) return;
    TWeekDifference d;
    d.ne = ne;
    d.group = gr.Name();
    if (!hasBase || !hasWeek) {
        d.kind = hasBase ? TWeekDifference::Kind::NoWeek : TWeekDifference::Kind::NoBaseWeek;
        out.push_back(d);
        return;
    }
    if (gr.GetNedDey(base) != gr.GetNedDey(ne)) {
        d.kind = TWeekDifference::Kind::StudyDays;
        d.base = gr.CountRunDey(base);
        d.other = gr.CountRunDey(ne);
        out.push_back(d);
    }
    for (const auto& pr : gr.LPredmet) {
        d.subject = pr->Name();
        const int basePairs = pr->CountPredmetNe(kSetkaPlan, base);
        const int pairs = pr->CountPredmetNe(kSetkaPlan, ne);
        if (basePairs != pairs) {
            d.kind = TWeekDifference::Kind::Pairs;
            d.base = basePairs;
            d.other = pairs;
            d.baseText.clear();
            d.otherText.clear();
            out.push_back(d);
        }
        // Teachers matter only where the base week has lessons to copy.
        if (basePairs > 0 && pairs > 0 && teachersOf(*pr, base) != teachersOf(*pr, ne)) {
            d.kind = TWeekDifference::Kind::Teachers;
            d.base = d.other = 0;
            d.baseText = pr->NameFio(base);
            d.otherText = pr->NameFio(ne);
            out.push_back(d);
        }
    }
}

}  // namespace

std::vector<TWeekDifference> CompareWithBaseWeek(const TAllRasp& year, int base) {
    std::vector<TWeekDifference> out;
    if (base < 1 || base > kCalendarWeeks) return out;
    for (int ne = 1; ne <= kCalendarWeeks; ++ne) {
        if (ne == base || !year.AllNed.DNed(ne)->Activ) continue;
        for (const auto& gr : year.LGryp)
            if (gr->Select) compareGroup(*gr, base, ne, out);
    }
    return out;
}

std::string WeekDifferenceText(const TAllRasp& year, const TWeekDifference& d) {
    const std::string head =
        fmt::format("Неделя N{} Группа {}", year.AllNed.GetNumberWeek(d.ne), d.group);
    switch (d.kind) {
        case TWeekDifference::Kind::NoBaseWeek:
            return head + ": нет занятий на базовой неделе";
        case TWeekDifference::Kind::NoWeek:
            return head + ": нет занятий на этой неделе";
        case TWeekDifference::Kind::StudyDays:
            return fmt::format("{}: учебных дней {}, на базовой неделе {}", head, d.other, d.base);
        case TWeekDifference::Kind::Pairs:
            return fmt::format("{} {}: пар {}, на базовой неделе {}", head, d.subject, d.other,
                               d.base);
        case TWeekDifference::Kind::Teachers:
            return fmt::format("{} {}: преподаватели {}, на базовой неделе {}", head, d.subject,
                               d.otherText, d.baseText);
    }
    return head;
}

}  // namespace zavlin
