#include "composition/quality.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/group.h"
#include "model/year.h"

namespace zavlin {

namespace {

using DayMask = uint16_t;                             // bit y = period y occupied
using WeekMask = std::array<DayMask, kDayCount + 1>;  // index 1-6

int holesOf(DayMask m) {
    if (m == 0) return 0;
    const int first = std::countr_zero(m);
    const int last = 15 - std::countl_zero(m);
    return last - first + 1 - std::popcount(m);
}

// Halves go to the even neighbour, as the model's averages do.
int roundHalfEven(int num, int den) {
    const int q = num / den;
    const int twice = 2 * (num % den);
    if (twice > den || (twice == den && q % 2 != 0)) return q + 1;
    return q;
}

bool validWeek(int ne) {
    return ne >= 1 && ne <= kWeeks;
}

template <typename F>
void forEachYr(const TYrok* yrok, F f) {
    if (yrok == nullptr) return;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) f(yrok->YrDpZm(i));
}

// Teachers are matched by N, as the year's per-teacher questions do; the
// slot of a teacher is its first position in LFio.
class TeacherSlots {
public:
    explicit TeacherSlots(const TAllRasp& year) {
        byN.reserve(year.LFio.size());
        for (std::size_t i = 0; i < year.LFio.size(); ++i)
            byN.emplace(year.LFio[i]->N, static_cast<int>(i));
    }
    int of(int n) const {
        auto it = byN.find(n);
        return it == byN.end() ? -1 : it->second;
    }
    int of(const TFio* fio) const { return fio != nullptr ? of(fio->N) : -1; }

private:
    std::unordered_map<int, int> byN;
};

// A teacher's lesson: one that takes place, with a teacher of the list.
int teacherSlot(const TeacherSlots& slots, const TYr* yr) {
    return yr->Held() ? slots.of(yr->Fio()) : -1;
}

// Every teacher's occupied periods of the week, from one pass over the groups.
std::vector<WeekMask> teacherWeeks(const TAllRasp& year, const TeacherSlots& slots, int tip,
                                   int ne) {
    std::vector<WeekMask> weeks(year.LFio.size(), WeekMask{});
    if (!validWeek(ne) || (tip != 0 && tip != 1)) return weeks;
    for (const auto& gr : year.LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                forEachYr(week->GetYrok(tip, d, y), [&](const TYr* yr) {
                    const int s = teacherSlot(slots, yr);
                    if (s >= 0) weeks[static_cast<std::size_t>(s)][d] |= DayMask(1u << y);
                });
    }
    return weeks;
}

WeekMask groupWeek(const TNed& week, int tip) {
    WeekMask m{};
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y)
            if (week.GetYrok(tip, d, y) != nullptr) m[d] |= DayMask(1u << y);
    return m;
}

int weekHoles(const WeekMask& m) {
    int holes = 0;
    for (int d = 1; d <= kDayCount; ++d) holes += holesOf(m[d]);
    return holes;
}

// min(periods beyond the usual day, free periods of the window on short
// study days); nothing for a week too thin to judge.
int badNagryzka(const TGryp& gr, const TNed& week, const WeekMask& m) {
    const int days = week.CountRunDey();
    int occupied = 0;
    for (int d = 1; d <= kDayCount; ++d) occupied += std::popcount(m[d]);
    if (days < 2 || occupied < 2 * days) return 0;
    const int a = roundHalfEven(occupied, days);
    const int first = gr.Dan.TimeDay;
    const int last = std::min(kPeriodCount - 1, first + (first > 5 ? 1 : 3));
    DayMask window = 0;
    for (int y = first; y <= last; ++y) window |= DayMask(1u << y);
    int bad = 0;
    int nil = 0;
    for (int d = 1; d <= kDayCount; ++d) {
        const int count = std::popcount(m[d]);
        bad += std::max(0, count - a);
        if (week.TestRunDey(d) && count < a) nil += std::popcount(DayMask(window & ~m[d]));
    }
    return std::min(bad, nil);
}

int workingDays(const WeekMask& m) {
    int days = 0;
    for (int d = 1; d <= kDayCount; ++d)
        if (m[d] != 0) ++days;
    return days;
}

// GetMimRunDey(teacher, ne, 4) of every teacher at once: the running sum goes
// over the groups in their order, as for a single teacher.
std::vector<int> minimumRunDays(const TAllRasp& year, const TeacherSlots& slots, int ne) {
    constexpr int kMinYrDey = 4;
    std::vector<int> m(year.LFio.size(), 0);
    std::vector<int> s(year.LFio.size(), 0);
    std::vector<int> seen;
    for (const auto& gr : year.LGryp) {
        const int c = gr->Dan.TimeDay < 6 ? kMinYrDey : 2;
        if (gr->GetNed(ne) == nullptr) continue;
        for (const auto& pr : gr->LPredmet) {
            seen.clear();
            int e = -1;
            for (const auto& fp : pr->GetLFio(ne)) {
                const int t = slots.of(fp->Dan.NFio);
                if (t < 0 || std::find(seen.begin(), seen.end(), t) != seen.end()) continue;
                seen.push_back(t);
                if (e < 0) e = pr->CountPredmetNe(kSetkaPlan, ne);
                auto& mt = m[static_cast<std::size_t>(t)];
                auto& st = s[static_cast<std::size_t>(t)];
                mt = std::max(mt, std::min(e, 6));
                st += e;
                if (st >= c) mt = std::max(mt, std::min(6, (st + c - 1) / c));
            }
        }
    }
    for (int& v : m)
        if (v == 0) v = 6;
    return m;
}

std::string cellText(const std::string& who, int d, int y) {
    return who + " день " + std::to_string(d) + " урок " + std::to_string(y);
}

void start(std::vector<std::string>& Sl, int& kd, int& k2) {
    Sl.clear();
    kd = 0;
    k2 = 0;
}

}  // namespace

void GetKahestvoDirkaGryp(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                          int& kd, int& kg) {
    start(Sl, kd, kg);
    if (!validWeek(ne)) return;
    for (const auto& gr : year.LGryp) {
        const TNed* week = gr->GetNed(ne);
        const int holes = week != nullptr ? weekHoles(groupWeek(*week, Tip)) : 0;
        if (holes == 0) continue;
        kd += holes;
        ++kg;
        Sl.push_back(std::to_string(kg) + " Количество дырок у группы " + gr->Name() + "=" +
                     std::to_string(holes));
    }
}

void GetKahestvoDirkaFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                         int& kd, int& kf) {
    start(Sl, kd, kf);
    const TeacherSlots slots(year);
    const std::vector<WeekMask> weeks = teacherWeeks(year, slots, Tip, ne);
    for (const auto& fio : year.LFio) {
        const int s = slots.of(fio->N);
        const int holes = weekHoles(weeks[static_cast<std::size_t>(s)]);
        if (holes == 0) continue;
        kd += holes;
        ++kf;
        Sl.push_back(std::to_string(kf) + " Количество дырок у преподавателя " + fio->Name() + "=" +
                     std::to_string(holes));
    }
}

void GetKahestvoNagryzGryp(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                           int& kd, int& kg) {
    start(Sl, kd, kg);
    if (!validWeek(ne)) return;
    for (const auto& gr : year.LGryp) {
        const TNed* week = gr->GetNed(ne);
        const int bad = week != nullptr ? badNagryzka(*gr, *week, groupWeek(*week, Tip)) : 0;
        if (bad == 0) continue;
        kd += bad;
        ++kg;
        Sl.push_back(std::to_string(kg) + " Неравномерность распределения нагрузки у группы " +
                     gr->Name() + "=" + std::to_string(bad));
    }
}

void GetKahestvoNagryzFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                          int& kd, int& kf) {
    start(Sl, kd, kf);
    const TeacherSlots slots(year);
    const std::vector<WeekMask> weeks = teacherWeeks(year, slots, Tip, ne);
    for (const auto& fio : year.LFio) {
        const WeekMask& m = weeks[static_cast<std::size_t>(slots.of(fio->N))];
        int days = 0;
        for (int d = 1; d <= kDayCount; ++d)
            if (std::popcount(m[d]) == 1) ++days;
        if (days == 0) continue;
        kd += days;
        ++kf;
        Sl.push_back(std::to_string(kf) + " Назначено одиночных предметов у преподавателя " +
                     fio->Name() + "=" + std::to_string(days));
    }
}

void GetKahestvoRunFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl, int& kd,
                       int& kf) {
    start(Sl, kd, kf);
    if (!validWeek(ne)) return;
    const TeacherSlots slots(year);
    const std::vector<WeekMask> weeks = teacherWeeks(year, slots, Tip, ne);
    const std::vector<int> least = minimumRunDays(year, slots, ne);
    for (const auto& fio : year.LFio) {
        const auto s = static_cast<std::size_t>(slots.of(fio->N));
        const int working = workingDays(weeks[s]);
        if (working == 0) continue;
        const int rday = fio->Rday();
        const int m = least[s];
        const int minimum = rday == 6 ? 5 : (rday < 5 && rday > m ? rday : m);
        if (working <= minimum) continue;
        kd += working - minimum;
        ++kf;
        Sl.push_back(std::to_string(kf) + " Неоптимальное количество дней у преподавателя " +
                     fio->Name() + "=" + std::to_string(working) + " вместо " +
                     std::to_string(minimum));
    }
}

void GetKahestvoNoDeyGryp(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                          int& kd, int& kg) {
    start(Sl, kd, kg);
    for (const auto& gr : year.LGryp) {
        if (!gr->TestNed(ne)) continue;
        const TNed* week = gr->GetNed(ne);
        bool found = false;
        for (int d = 1; d <= kDayCount; ++d) {
            if (week->TestRunDey(d)) continue;
            for (int y = 0; y < kPeriodCount; ++y) {
                if (week->GetYrok(Tip, d, y) == nullptr) continue;
                ++kd;
                found = true;
                Sl.push_back(cellText(gr->Name(), d, y));
            }
        }
        if (found) ++kg;
    }
}

void GetKahestvoNoDeyFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                         int& kd, int& kf) {
    start(Sl, kd, kf);
    const TeacherSlots slots(year);
    const std::vector<WeekMask> weeks = teacherWeeks(year, slots, Tip, ne);
    for (const auto& fio : year.LFio) {
        const WeekMask& m = weeks[static_cast<std::size_t>(slots.of(fio->N))];
        bool found = false;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                if ((m[d] & (1u << y)) == 0 ||
                    fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] != 0)
                    continue;
                ++kd;
                found = true;
                Sl.push_back(cellText(fio->Name(), d, y));
            }
        if (found) ++kf;
    }
}

void GetKahestvoPy(const TAllRasp& year, int, int ne, std::vector<std::string>& Sl, int& kd,
                   int& kg) {
    start(Sl, kd, kg);
    for (const auto& gr : year.LGryp) {
        if (!gr->TestNed(ne)) continue;
        const TNed* week = gr->GetNed(ne);
        bool found = false;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* pinned = week->GetYrok(1, d, y);
                if (pinned == nullptr || pinned->Empty()) continue;
                const TYrok* rasp = week->GetYrok(0, d, y);
                if (rasp == nullptr) {
                    kd += pinned->CountYrDpZm();
                    found = true;
                    Sl.push_back(cellText(gr->Name(), d, y));
                    continue;
                }
                forEachYr(pinned, [&](const TYr* py) {
                    bool kept = false;
                    forEachYr(rasp, [&](const TYr* yr) { kept = kept || yr->Compare(*py); });
                    if (kept) return;
                    ++kd;
                    found = true;
                    Sl.push_back(cellText(gr->Name(), d, y));
                });
            }
        if (found) ++kg;
    }
}

void GetKahestvoNoObFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                        int& kd, int& kf) {
    start(Sl, kd, kf);
    if (!validWeek(ne) || static_cast<std::size_t>(ne) >= year.LOb.size()) return;
    for (const auto& ob : year.LOb[static_cast<std::size_t>(ne)]) {
        if (ob->CountFioPredmet() < 2) continue;
        // How many members meet in each cell: a member counts once per cell.
        std::array<std::array<int, kPeriodCount>, kDayCount + 1> grid{};
        std::vector<int> counts;
        for (const TFioPredmet* fp : ob->LFioPredmet) {
            const TPredmet* pr = fp->Predmet();
            counts.push_back(pr != nullptr ? pr->CountPredmetNe(kSetkaPlan, ne) : 0);
            WeekMask cells{};
            for (const auto& yr : fp->LYr) {
                if (yr->Yrok() == nullptr || yr->Dan.tip != Tip) continue;
                const int d = yr->De();
                const int y = yr->Y();
                if (d < 1 || d > kDayCount || y < 0 || y >= kPeriodCount) continue;
                cells[d] |= DayMask(1u << y);
            }
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (cells[d] & (1u << y)) ++grid[d][y];
        }
        const int most = *std::max_element(counts.begin(), counts.end());
        bool missingAny = false;
        // Each level of load asks only for the joint lessons above the level
        // below it: members with fewer lessons have left the union by then.
        // Asking for the whole level again would report a union held exactly
        // as formed (2, 3, 3 lessons: two cells of three, one of two) as
        // missing two lessons.
        int below = 0;
        for (int i = 1; i <= most; ++i) {
            const auto j =
                std::count_if(counts.begin(), counts.end(), [i](int c) { return c >= i; });
            const auto k = std::count(counts.begin(), counts.end(), i);
            if (k == 0) continue;
            const int wanted = i - below;
            below = i;
            if (j < 2) continue;
            int met = 0;
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (grid[d][y] == j) ++met;
            const int missing = wanted - std::min(wanted, met);
            if (missing == 0) continue;
            kd += missing;
            missingAny = true;
            Sl.push_back("Отсутсвуют " + std::to_string(missing) + " объединения для " +
                         std::to_string(j) + " групп из " + ob->NamePredmetGrypFio());
        }
        if (missingAny) ++kf;
    }
}

void GetKahestvoBadFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl, int& kd,
                       int& kf) {
    start(Sl, kd, kf);
    if (!validWeek(ne) || (Tip != 0 && Tip != 1)) return;
    const TeacherSlots slots(year);
    struct Entry {
        int slot;
        const TGryp* gr;
        const TYr* yr;
    };
    std::vector<Entry> cell;
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y) {
            cell.clear();
            for (const auto& gr : year.LGryp)
                if (const TNed* week = gr->GetNed(ne))
                    forEachYr(week->GetYrok(Tip, d, y), [&](const TYr* yr) {
                        const int s = teacherSlot(slots, yr);
                        if (s >= 0) cell.push_back({s, gr.get(), yr});
                    });
            // Teacher by teacher in list order, each one's lessons group by group.
            std::stable_sort(cell.begin(), cell.end(),
                             [](const Entry& a, const Entry& b) { return a.slot < b.slot; });
            for (std::size_t i = 0; i < cell.size();) {
                std::size_t end = i + 1;
                while (end < cell.size() && cell[end].slot == cell[i].slot) ++end;
                const int reference = cell[i].yr->NObed();
                const TFio* fio = year.LFio[static_cast<std::size_t>(cell[i].slot)].get();
                bool overlap = false;
                for (std::size_t k = i + 1; k < end; ++k) {
                    const int nob = cell[k].yr->NObed();
                    if (nob == reference && nob != 0) continue;
                    ++kd;
                    overlap = true;
                    Sl.push_back("Накладка гр." + cell[k - 1].gr->Name() + " на гр." +
                                 cell[k].gr->Name() + " день " + std::to_string(d) + " урок " +
                                 std::to_string(y) + " пр." + fio->Name());
                }
                if (overlap) ++kf;
                i = end;
            }
        }
}

void GetKahestvo(const TAllRasp& year, int n, int Tip, int ne, std::vector<std::string>& Sl,
                 int& kd, int& k2) {
    using Measure = void (*)(const TAllRasp&, int, int, std::vector<std::string>&, int&, int&);
    static constexpr std::array<Measure, kKahestvoCount> kMeasures = {
        GetKahestvoDirkaGryp, GetKahestvoDirkaFio,  GetKahestvoNagryzGryp, GetKahestvoNagryzFio,
        GetKahestvoRunFio,    GetKahestvoNoDeyGryp, GetKahestvoNoDeyFio,   GetKahestvoPy,
        GetKahestvoNoObFio,   GetKahestvoBadFio,
    };
    if (n < 1 || n > kKahestvoCount) {
        start(Sl, kd, k2);
        return;
    }
    kMeasures[static_cast<std::size_t>(n - 1)](year, Tip, ne, Sl, kd, k2);
}

const char* KahestvoUnit(int n) {
    return n == 1 || n == 3 || n == 6 || n == 8 ? " гр." : " чел.";
}

namespace {

constexpr std::array<const char*, kKahestvoCount> kReportTitles = {
    "Всего дырок в группах ..............=", "Всего дырок у преподавателей .......=",
    "Неравномерно распределено предметов =", "Одиночные пары у преподавателей ....=",
    "Неоптимальное кол-во дней у препод. =", "Невыполненые ограничения групп      =",
    "Невыполненые ограничения препод.    =", "Утеренно предварительных установок  =",
    "Невыполненые объединения препод.    =", "Ошибочная накладка преподавателей   =",
};

constexpr std::array<const char*, kKahestvoCount> kSummaryTitles = {
    "Всего дырок в группах =",
    "Всего дырок у преподавателей =",
    "Неравномерно распределено предметов =",
    "Назначено одиночных предметов =",
    "Неоптимальное количество дней у преподавателей =",
    "Невыполненые ограничения групп =",
    "Невыполненые ограничения преподавателей =",
    "Утеренно предварительных установок =",
    "Невыполненые объединения преподавателей =",
    "Ошибочная накладка преподавателей =",
};

std::string countsText(int n, int kd, int k2) {
    return std::to_string(kd) + "  у " + std::to_string(k2) + KahestvoUnit(n);
}

}  // namespace

std::vector<std::string> KahestvoReportLines(const TAllRasp& year, int ne) {
    std::vector<std::string> lines;
    std::vector<std::string> sl;
    for (int n = 1; n <= kKahestvoCount; ++n) {
        int kd = 0;
        int k2 = 0;
        GetKahestvo(year, n, 0, ne, sl, kd, k2);
        lines.push_back(kReportTitles[static_cast<std::size_t>(n - 1)] + countsText(n, kd, k2));
    }
    return lines;
}

std::string KahestvoSummaryLine(int n, int kd, int k2) {
    if (n < 1 || n > kKahestvoCount) return {};
    return kSummaryTitles[static_cast<std::size_t>(n - 1)] + countsText(n, kd, k2);
}

TWeekTotals WeekTotals(const TAllRasp& year, int tip, int ne) {
    TWeekTotals totals;
    if (!validWeek(ne) || (tip != 0 && tip != 1)) return totals;
    const TeacherSlots slots(year);
    std::vector<WeekMask> teachers(year.LFio.size(), WeekMask{});
    for (const auto& gr : year.LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        WeekMask own{};
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* yrok = week->GetYrok(tip, d, y);
                if (yrok == nullptr) continue;
                own[d] |= DayMask(1u << y);
                forEachYr(yrok, [&](const TYr* yr) {
                    const int s = teacherSlot(slots, yr);
                    if (s >= 0) teachers[static_cast<std::size_t>(s)][d] |= DayMask(1u << y);
                });
            }
        totals.groupHoles += weekHoles(own);
        totals.badNagryzka += badNagryzka(*gr, *week, own);
    }
    for (const auto& fio : year.LFio)
        totals.teacherHoles += weekHoles(teachers[static_cast<std::size_t>(slots.of(fio->N))]);
    return totals;
}

TGrypWeekCounts GrypWeekCounts(const TGryp& gr, int tip, int ne) {
    TGrypWeekCounts counts;
    const TNed* week = gr.GetNed(ne);
    if (week == nullptr || (tip != 0 && tip != 1)) return counts;
    const WeekMask m = groupWeek(*week, tip);
    for (int d = 1; d <= kDayCount; ++d)
        if (std::popcount(m[d]) == 1) ++counts.oneYrok;
    counts.holes = weekHoles(m);
    counts.badNagryzka = badNagryzka(gr, *week, m);
    return counts;
}

}  // namespace zavlin
