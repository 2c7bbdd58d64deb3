#include "composition/explain.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "composition/sos_predmet.h"
#include "composition/week_search.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kTimetable = 0;
constexpr int kPeriodsOfDay = 12;
constexpr uint16_t kWholeDay = (1u << kPeriodsOfDay) - 1;
// A pass's last try of a unit counts one lesson a day towards the
// teacher's minimum working days, the most lenient the search goes.
constexpr int kLenientMinDays = 1;

// A unit given up keeps failing with the minimum of its last try (the
// search never tries it again); any other unplaced unit last failed in a
// pass, whose final try is the lenient one.
int minDaysOf(const TSosPredmet& unit) {
    return unit.Ok == 2 && unit.LastMinDays != 0 ? unit.LastMinDays : kLenientMinDays;
}

// Why a cell every rule leaves open does not hold the unit, as far as the
// run can tell: a search cut short never reached it; a finished one tried
// the unit while other lessons stood elsewhere.
std::string freeText(ASearchEnd end) {
    switch (end) {
        case ASearchEnd::Stopped:
            return "клетка свободна: составление остановлено раньше, чем перебор дошёл до неё";
        case ASearchEnd::TimeLimit:
            return "клетка свободна: время составления недели вышло раньше, чем перебор дошёл "
                   "до неё";
        case ASearchEnd::VariantLimit:
            return "клетка свободна: перебор достиг предела вариантов раньше, чем дошёл до неё";
        case ASearchEnd::NoProgress:
            return "клетка свободна: перебор закончен, когда проходы после ремонта перестали "
                   "размещать новые предметы, раньше, чем дошёл до неё";
        case ASearchEnd::Finished:
            break;
    }
    return "клетка свободна в лучшем варианте; когда предмет искал место, расписание было "
           "другим";
}

std::string fioName(const TFio* fio) {
    return fio != nullptr ? fio->Name() : std::string();
}

std::string lessonName(const TYr& yr) {
    const TPredmet* pr = yr.Predmet();
    std::string text = pr != nullptr ? pr->Name() : std::string();
    if (const TFio* fio = yr.Fio()) text += " (" + fio->Name() + ")";
    return text;
}

// What holds a group's cell: the lesson of teacher fio when there is one,
// else the cell's first lesson.
std::string occupantText(const TGryp& gr, int ne, int d, int y, const TFio* fio) {
    const TNed* week = gr.GetNed(ne);
    const TYrok* cell = week != nullptr ? week->GetYrok(kTimetable, d, y) : nullptr;
    if (cell == nullptr || cell->Empty()) return "группа занята";
    const TYr* shown = cell->YrDpZm(0);
    for (int i = 0; i < cell->CountYrDpZm(); ++i)
        if (cell->YrDpZm(i)->Held() && fio != nullptr && cell->YrDpZm(i)->Fio() == fio)
            shown = cell->YrDpZm(i);
    return "группа занята: " + lessonName(*shown);
}

class Explainer {
public:
    Explainer(TSpSostPr& sp, const TSosPredmet& unit, ASearchEnd end)
        : sp_(sp), unit_(unit), end_(end) {
        rules_.resize(unit.LSGYF.size());
        scored_.resize(unit.LSGYF.size(), false);
        for (std::size_t i = 0; i < unit.LSGYF.size(); ++i) {
            TSlotGrid grid;
            for (auto& day : grid) day.fill(1);
            for (auto& day : rules_[i]) day.fill(ASlotRule::None);
            scored_[i] =
                sp.ScoreLesson(unit, *unit.LSGYF[i], 0, 0, minDaysOf(unit), grid, &rules_[i]);
        }
    }

    // The reason cell (d, y) is closed to lesson i: its own first rule, else
    // the first rule of a partner lesson of the union.
    std::string reason(std::size_t i, int d, int y) const {
        if (const ASlotRule r = rules_[i][d][y]; r != ASlotRule::None) return describe(i, r, d, y);
        for (std::size_t j = 0; j < rules_.size(); ++j) {
            const ASlotRule r = rules_[j][d][y];
            if (j == i || r == ASlotRule::None) continue;
            if (r == ASlotRule::UnitRefused) return describe(i, r, d, y);
            return "объединение: группа " + unit_.LSGYF[j]->Gryp->Name() + ": " +
                   describe(j, r, d, y);
        }
        return freeText(end_);
    }

    bool scored(std::size_t i) const { return scored_[i]; }

private:
    std::string describe(std::size_t i, ASlotRule r, int d, int y) const {
        const TSGYF& l = *unit_.LSGYF[i];
        const TFio* fio = l.FioPredmet->Fio();
        const int spar = std::max<int>(1, l.YrokKorzina->Predmet()->Dan.Spar);
        switch (r) {
            case ASlotRule::None:
                break;
            case ASlotRule::DayOff:
                return "день не учебный";
            case ASlotRule::Window:
                return "вне окна группы";
            case ASlotRule::TeacherHere:
            case ASlotRule::GroupCell:
                return occupantText(*l.Gryp, sp_.Ne, d, y,
                                    r == ASlotRule::TeacherHere ? fio : nullptr);
            case ASlotRule::BlockDone:
                if (spar == 1) return "предмет уже стоит в этот день";
                return fmt::format("в этот день уже стоит блок из {} пар предмета", spar);
            case ASlotRule::BlockEnds:
                return fmt::format("блок из {} пар продолжается только рядом с начатым", spar);
            case ASlotRule::BlockOpen:
                return fmt::format("сначала достраивается начатый блок из {} пар", spar);
            case ASlotRule::Excluded:
                return "клетка освобождается для другого урока";
            case ASlotRule::Forbidden:
                return "преподаватель " + fioName(fio) + " не работает в это время";
            case ASlotRule::UnitRefused:
                return refusal(i, d, y);
            case ASlotRule::WorkDays:
                return "превышено число рабочих дней преподавателя " + fioName(fio);
            case ASlotRule::SubgroupsBeside:
                return "подгруппа идёт только вместе с уже поставленной подгруппой";
            case ASlotRule::SubgroupsFirst:
                return "преподаватель " + fioName(fio) +
                       " ведёт несколько подгрупп: только первая пара дня";
            case ASlotRule::SubgroupsDays:
                return "преподаватель " + fioName(fio) +
                       " ведёт несколько подгрупп: только в дни других подгрупп";
        }
        return freeText(end_);
    }

    // The unit-wide check, told from the side of lesson i.
    std::string refusal(std::size_t i, int d, int y) const {
        const TSosRefusal why = unit_.WhyNotSosPredmet(sp_.Ne, d, y);
        if (why.kind == TSosRefusal::None || why.lesson < 0) return "клетка не подходит";
        const TSGYF& l = *unit_.LSGYF[static_cast<std::size_t>(why.lesson)];
        const bool own = static_cast<std::size_t>(why.lesson) == i;
        const std::string partner = own ? "" : "объединение: ";
        switch (why.kind) {
            case TSosRefusal::None:
                break;
            case TSosRefusal::NoTeacher:
                return partner + "у предмета нет преподавателя в группе " + l.Gryp->Name();
            case TSosRefusal::TeacherBusy:
                return partner + busyText(l.FioPredmet->Fio(), d, y);
            case TSosRefusal::CellTaken:
                if (!own) return "объединение: группа " + l.Gryp->Name() + " занята";
                return occupantText(*l.Gryp, sp_.Ne, d, y, nullptr);
        }
        return "клетка не подходит";
    }

    // The groups where the teacher holds a lesson at the cell, the unit's
    // union meeting aside.
    std::string busyText(const TFio* fio, int d, int y) const {
        const std::string who = "преподаватель " + fioName(fio);
        if (fio == nullptr) return who + " занят";
        std::vector<TGrypYr> lessons;
        sp_.Year.GetNFioOfGryp(kTimetable, fio->N, sp_.Ne, d, y, lessons);
        std::vector<int> union_;
        if (unit_.NOb != 0) sp_.Year.GetObedOfGryp(kTimetable, unit_.NOb, sp_.Ne, d, y, union_);
        std::vector<std::string> groups;
        for (const TGrypYr& l : lessons) {
            if (std::find(union_.begin(), union_.end(), l.indxGryp) != union_.end()) continue;
            const std::string name = sp_.Year.LGryp[static_cast<std::size_t>(l.indxGryp)]->Name();
            if (std::find(groups.begin(), groups.end(), name) == groups.end())
                groups.push_back(name);
        }
        // A credit or an examination holds the teacher without a lesson.
        if (groups.empty()) return who + " занят в это время";
        std::string text = who + (groups.size() == 1 ? " занят в группе " : " занят в группах ");
        for (std::size_t g = 0; g < groups.size(); ++g) text += (g > 0 ? ", " : "") + groups[g];
        return text;
    }

    TSpSostPr& sp_;
    const TSosPredmet& unit_;
    ASearchEnd end_;
    std::vector<TSlotRules> rules_;
    std::vector<bool> scored_;
};

// "0-3,5" for the periods of a mask.
std::string periodsText(uint16_t mask) {
    std::string text;
    for (int y = 0; y < kPeriodsOfDay;) {
        if ((mask >> y & 1u) == 0) {
            ++y;
            continue;
        }
        int last = y;
        while (last + 1 < kPeriodsOfDay && (mask >> (last + 1) & 1u) != 0) ++last;
        if (!text.empty()) text += ",";
        text += last > y ? fmt::format("{}-{}", y, last) : std::to_string(y);
        y = last + 1;
    }
    return text;
}

// "Пн-Ср 0-3, Сб": days in a row with the same periods share one entry; a
// whole day is named alone.
std::string cellsText(const std::array<uint16_t, kDays + 1>& days) {
    std::string text;
    for (int d = 1; d <= kDays;) {
        if (days[d] == 0) {
            ++d;
            continue;
        }
        int last = d;
        while (last + 1 <= kDays && days[last + 1] == days[d]) ++last;
        if (!text.empty()) text += ", ";
        text += shortDayName(d);
        if (last > d) {
            text += '-';
            text += shortDayName(last);
        }
        if (days[d] != kWholeDay) {
            text += ' ';
            text += periodsText(days[d]);
        }
        d = last + 1;
    }
    return text;
}

}  // namespace

std::string LessonText(const TSGYF& l) {
    const TPredmet* predmet = l.YrokKorzina->Predmet();
    return l.Gryp->Name() + " " + (predmet != nullptr ? predmet->Name() : std::string()) + " " +
           fioName(l.FioPredmet->Fio());
}

std::vector<std::string> ExplainUnplaced(TSpSostPr& sp, const TSosPredmet& unit, ASearchEnd end) {
    std::vector<std::string> lines;
    const Explainer explainer(sp, unit, end);
    const std::string week = sp.Year.AllNed.GetNumberWeek(sp.Ne);
    for (std::size_t i = 0; i < unit.LSGYF.size(); ++i) {
        lines.push_back("Гр." + LessonText(*unit.LSGYF[i]) + ": нет места (неделя " + week + ")");
        if (!explainer.scored(i)) {
            lines.push_back("  группа на этой неделе не учится");
            continue;
        }
        // One line per reason rather than per cell: a week has 72 cells,
        // mostly closed for a handful of reasons.
        std::vector<std::pair<std::string, std::array<uint16_t, kDays + 1>>> reasons;
        for (int d = 1; d <= kDays; ++d)
            for (int y = 0; y < kPeriodsOfDay; ++y) {
                std::string text = explainer.reason(i, d, y);
                auto found = std::find_if(reasons.begin(), reasons.end(),
                                          [&](const auto& r) { return r.first == text; });
                if (found == reasons.end()) {
                    reasons.push_back({std::move(text), {}});
                    found = reasons.end() - 1;
                }
                found->second[d] = static_cast<uint16_t>(found->second[d] | 1u << y);
            }
        for (const auto& [text, days] : reasons) {
            std::string line = "  ";
            line += cellsText(days);
            line += ": ";
            line += text;
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::vector<std::string> ExplainWeek(TSpSostPr& sp, ASearchEnd end, int limit) {
    std::vector<std::string> lines;
    int explained = 0;
    int left = 0;
    for (const auto& unit : sp.Li) {
        if (unit->Ok == 1) continue;
        if (explained >= limit) {
            ++left;
            continue;
        }
        ++explained;
        for (std::string& line : ExplainUnplaced(sp, *unit, end)) lines.push_back(std::move(line));
    }
    if (left > 0) {
        const int tens = left % 100;
        const int ones = left % 10;
        const char* noun = tens / 10 == 1 || ones == 0 || ones >= 5 ? "предметов"
                           : ones == 1                              ? "предмет"
                                                                    : "предмета";
        lines.push_back(fmt::format("… и ещё {} {} без места", left, noun));
    }
    return lines;
}

}  // namespace zavlin
