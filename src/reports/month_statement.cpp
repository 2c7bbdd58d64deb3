#include "reports/month_statement.h"

#include <algorithm>

#include "base/collation.h"
#include "base/datetime.h"
#include "model/calendar.h"
#include "model/exam.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"
#include "reports/hours.h"

namespace zavlin::reports {

const std::array<TStatementStart, 12> kStatementStarts = {{
    {"с 1 ч.мес.", 0},
    {"с 28 ч. прошлого мес.", -4},
    {"с 27 ч. прошлого мес.", -5},
    {"с 26 ч. прошлого мес.", -6},
    {"с 25 ч. прошлого мес.", -7},
    {"с 24 ч. прошлого мес.", -8},
    {"с 23 ч. прошлого мес.", -9},
    {"с 22 ч. прошлого мес.", -10},
    {"с 21 ч. прошлого мес.", -11},
    {"с 20 ч. прошлого мес.", -12},
    {"с 5 ч. этого мес.", 4},
    {"с 10 ч. этого мес.", 9},
}};

const char* statementKindsText(TStatementKinds kinds) {
    switch (kinds) {
        case TStatementKinds::Substitutions:
            return "Только Замены";
        case TStatementKinds::Additional:
            return "Только Вне сетки";
        case TStatementKinds::All:
            break;
    }
    return "Сетка+Замены+Вне сетки";
}

int TStatementRow::DayTotal(int column) const {
    int sum = 0;
    for (int v : days[static_cast<std::size_t>(column)]) sum += v;
    return sum;
}

int TStatementRow::Total() const {
    int sum = 0;
    for (int c = 0; c < kStatementDays; ++c) sum += DayTotal(c);
    return sum;
}

int TMonthStatement::TotalNoUnions() const {
    int sum = 0;
    for (const TStatementRow& r : rows) sum += r.Total();
    return sum;
}

int TMonthStatement::DayTotalUnions(int column) const {
    const auto c = static_cast<std::size_t>(column);
    int sum = 0;
    for (std::size_t y = 0; y < kStatementPeriods; ++y) {
        int most = 0;
        for (const TStatementRow& r : rows) most = std::max(most, r.days[c][y]);
        sum += most;
    }
    for (const TStatementRow& r : rows) sum += r.days[c][kExtraSlot];
    return sum;
}

int TMonthStatement::TotalUnions() const {
    int sum = 0;
    for (int c = 0; c < kStatementDays; ++c) sum += DayTotalUnions(c);
    return sum;
}

namespace {

using Positions = std::array<int, kStatementPositions>;

// "4" for the whole group, "4(4+2)" when the subgroups add up to more.
std::string fullGroupText(const Positions& p) {
    int all = 0;
    int last = 0;
    for (int i = 0; i < kStatementPositions; ++i) {
        all += p[static_cast<std::size_t>(i)];
        if (p[static_cast<std::size_t>(i)] != 0) last = i;
    }
    std::string text = statementHoursText(p[0]);
    if (all <= p[0]) return text;
    text += "(";
    for (int i = 0; i <= last; ++i) {
        if (i > 0) text += "+";
        const int v = p[static_cast<std::size_t>(i)];
        text += v == 0 ? std::string("0") : statementHoursText(v);
    }
    return text + ")";
}

}  // namespace

std::string TMonthStatement::FullGroupText(int column) const {
    return fullGroupText(positions[static_cast<std::size_t>(column)]);
}

namespace {

int monthLength(int year, int month) {
    int32_t date = 0;
    for (int d = 31; d >= 28; --d)
        if (tryEncodeDate(year, month, d, date)) return d;
    return 0;
}

bool selected(const std::set<int>& set, int n) {
    return set.empty() || set.count(n) != 0;
}

bool groupSelected(const TStatementFilter& f, const TGryp* gr) {
    return f.groups.empty() || f.groups.count(gr) != 0;
}

int yrNameN(const TPredmet* pr) {
    return pr != nullptr && pr->YrName() != nullptr ? pr->YrName()->N : 0;
}

std::string yrNameText(const TPredmet* pr) {
    return pr != nullptr && pr->YrName() != nullptr ? pr->YrName()->Name() : std::string();
}

TStatementRow& rowOf(std::vector<TStatementRow>& rows, const std::string& first,
                     const std::string& second) {
    for (TStatementRow& r : rows)
        if (r.first == first && r.second == second) return r;
    rows.push_back(TStatementRow{first, second, {}});
    return rows.back();
}

bool kindMatches(const TYr& yr, TStatementKinds kinds) {
    switch (kinds) {
        case TStatementKinds::Substitutions:
            return yr.SetZamenaYes() && yr.Setka() == kSetkaZamena;
        case TStatementKinds::Additional:
            return !yr.SetZamenaYes() && yr.Setka() == kSetkaDop;
        case TStatementKinds::All:
            break;
    }
    return true;
}

// Held lessons of the timetable layer at (week, day, period) with a subject
// and a teacher.
template <typename F>
void forHeldLessons(const TNed& week, int de, int y, F f) {
    const TYrok* yrok = week.GetYrok(0, de, y);
    if (yrok == nullptr) return;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
        const TYr* yr = yrok->YrDpZm(i);
        if (!yr->Delivered() || yr->Fio() == nullptr) continue;
        f(*yr);
    }
}

// Position of teacher fi among the subject's teachers of week ne; that of
// the assignment when the teacher has none.
int positionOf(const TPredmet& pr, int ne, const TFio* fi, const TFioPredmet* fp) {
    const TLFio& list = pr.GetLFio(ne);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i]->Fio() == fi) return static_cast<int>(i);
    const int index = fp != nullptr ? fp->GetIndex() : 0;
    return std::clamp(index, 0, kStatementPositions - 1);
}

}  // namespace

std::array<TStatementDay, kStatementDays> statementDays(const TAllRasp& year, int me, int hh) {
    std::array<TStatementDay, kStatementDays> days{};
    if (me < 1 || me > 12) return days;
    for (int i = 1; i <= kStatementDays; ++i) {
        int month = me;
        int d = i + hh;
        if (d <= 0) {
            month = me == 1 ? 12 : me - 1;
            d += 31;
        } else if (d >= 32) {
            month = me == 12 ? 1 : me + 1;
            d -= 31;
        }
        // The neighbour month across 1 September is another academic year.
        if ((me == 9 && month == 8) || (me == 8 && month == 9)) continue;
        const int calYear = month >= 9 ? year.YGod : year.YGod + 1;
        if (d > monthLength(calYear, month)) continue;
        TStatementDay& day = days[static_cast<std::size_t>(i - 1)];
        day.date = encodeDate(calYear, month, d);
        day.sunday = isoWeekday(day.date) == 7;
        (void)year.AllNed.DateToNedDey(day.date, true, day.ne, day.de);
    }
    return days;
}

TMonthStatement CreateFio(const TAllRasp& year, const TFio& Fi, int me, int hh,
                          TStatementKinds Setka, const TStatementFilter& filter) {
    TMonthStatement st;
    st.month = me;
    st.hh = hh;
    st.days = statementDays(year, me, hh);
    for (int c = 0; c < kStatementDays; ++c) {
        const TStatementDay& day = st.days[static_cast<std::size_t>(c)];
        if (day.ne < 1 || day.ne > kStudyWeeks) continue;
        for (const auto& gr : year.LGryp) {
            if (!groupSelected(filter, gr.get())) continue;
            const TNed* week = gr->GetNed(day.ne);
            if (week == nullptr) continue;
            const auto slots = [&](const TPredmet* pr) -> TDaySlots& {
                return rowOf(st.rows, gr->Name(), yrNameText(pr)).days[static_cast<std::size_t>(c)];
            };
            if (day.de <= kDayCount)
                for (int y = 0; y < kStatementPeriods; ++y)
                    forHeldLessons(*week, day.de, y, [&](const TYr& yr) {
                        if (yr.Fio() != &Fi || !selected(filter.attributes, yr.NAtr()) ||
                            !kindMatches(yr, Setka) ||
                            !selected(filter.subjectNames, yrNameN(yr.Predmet())))
                            return;
                        slots(yr.Predmet())[static_cast<std::size_t>(y)] += yr.Kh00();
                    });
            // Examination entries are no substitutions; credit records count
            // under every filter.
            const TENed* en =
                Setka != TStatementKinds::Substitutions ? gr->GetENed(day.ne) : nullptr;
            if (en != nullptr && day.de <= kDayCount)
                for (const auto& ex : en->mDey[static_cast<std::size_t>(day.de)]->LEkz) {
                    if (ex->FFio != &Fi || !selected(filter.attributes, ex->Dan.AtrN) ||
                        !selected(filter.subjectNames, yrNameN(ex->Predmet)))
                        continue;
                    slots(ex->Predmet)[kExtraSlot] += ex->Dan.Kh00;
                }
            for (const auto& z : gr->LZachet) {
                if (z->Ne() != day.ne || z->Day() != day.de || z->CountFio() == 0) continue;
                if (!selected(filter.attributes, z->FAtr != nullptr ? z->FAtr->N : 0)) continue;
                // A record without a subject is a state examination: it always counts.
                if (z->FPredmet != nullptr && !selected(filter.subjectNames, yrNameN(z->FPredmet)))
                    continue;
                int times = 0;
                for (const TFio* f : z->LEkzam) times += f == &Fi ? 1 : 0;
                for (const TFio* f : z->LAsist) times += f == &Fi ? 1 : 0;
                if (times == 0) continue;
                TDaySlots& s = z->FPredmet != nullptr
                                   ? slots(z->FPredmet)
                                   : rowOf(st.rows, gr->Name(), TYrNameGos().Name())
                                         .days[static_cast<std::size_t>(c)];
                s[kExtraSlot] += times * z->Kh00();
            }
        }
    }
    std::stable_sort(st.rows.begin(), st.rows.end(),
                     [](const TStatementRow& a, const TStatementRow& b) {
                         return compareRussian(a.first, b.first) < 0;
                     });
    return st;
}

TMonthStatement CreateGryp(const TAllRasp& year, const TGryp& Gr, int me, int hh,
                           const TStatementFilter& filter) {
    TMonthStatement st;
    st.month = me;
    st.hh = hh;
    st.days = statementDays(year, me, hh);
    const auto fioName = [](const TFio* f) { return f != nullptr ? f->Name() : std::string(); };
    for (int c = 0; c < kStatementDays; ++c) {
        const TStatementDay& day = st.days[static_cast<std::size_t>(c)];
        if (day.ne < 1 || day.ne > kStudyWeeks || day.de > kDayCount) continue;
        auto& positions = st.positions[static_cast<std::size_t>(c)];
        const auto add = [&](const TPredmet* pr, const TFio* fi, int pos, int slot, int kh00) {
            rowOf(st.rows, yrNameText(pr), fioName(fi))
                .days[static_cast<std::size_t>(c)][static_cast<std::size_t>(slot)] += kh00;
            positions[static_cast<std::size_t>(std::clamp(pos, 0, kStatementPositions - 1))] +=
                kh00;
        };
        if (const TNed* week = Gr.GetNed(day.ne))
            for (int y = 0; y < kStatementPeriods; ++y)
                forHeldLessons(*week, day.de, y, [&](const TYr& yr) {
                    if (!selected(filter.attributes, yr.NAtr()) ||
                        !selected(filter.subjectNames, yrNameN(yr.Predmet())))
                        return;
                    add(yr.Predmet(), yr.Fio(),
                        positionOf(*yr.Predmet(), day.ne, yr.Fio(), yr.FioPredmet()), y, yr.Kh00());
                });
        if (const TENed* en = Gr.GetENed(day.ne))
            for (const auto& ex : en->mDey[static_cast<std::size_t>(day.de)]->LEkz) {
                if (ex->FFio == nullptr || ex->Predmet == nullptr ||
                    !selected(filter.attributes, ex->Dan.AtrN) ||
                    !selected(filter.subjectNames, yrNameN(ex->Predmet)))
                    continue;
                add(ex->Predmet, ex->FFio, positionOf(*ex->Predmet, day.ne, ex->FFio, nullptr),
                    kExtraSlot, ex->Dan.Kh00);
            }
    }
    return st;
}

TDGrid groupStatementGrid(const TMonthStatement& st) {
    constexpr int kFirstDay = 2;
    constexpr int kTotalCol = kFirstDay + kStatementDays;
    TDGrid g;
    g.SetSize(kTotalCol + 1, static_cast<int>(st.rows.size()) + 2);
    g.FixedRows = 1;
    g.FixedCols = kFirstDay;
    g.FMultiRowCells = true;
    g.SetCells(0, 0, "Предмет");
    g.SetCells(1, 0, "Преподаватель");
    for (int c = 0; c < kStatementDays; ++c) {
        const TStatementDay& day = st.days[static_cast<std::size_t>(c)];
        if (day.date == 0) continue;
        std::string head = std::to_string(decodeDate(day.date).day);
        if (day.sunday) head += ";вых";
        g.SetCells(kFirstDay + c, 0, std::move(head));
    }
    g.SetCells(kTotalCol, 0, "Итого");
    int r = 1;
    for (const TStatementRow& row : st.rows) {
        g.SetCells(0, r, row.first);
        g.SetCells(1, r, row.second);
        for (int c = 0; c < kStatementDays; ++c)
            g.SetCells(kFirstDay + c, r, statementHoursText(row.DayTotal(c)));
        g.SetCells(kTotalCol, r, statementHoursText(row.Total()));
        ++r;
    }
    g.SetCells(0, r, kFullGroupHead);
    Positions month{};
    for (int c = 0; c < kStatementDays; ++c) {
        g.SetCells(kFirstDay + c, r, st.FullGroupText(c));
        for (int i = 0; i < kStatementPositions; ++i)
            month[static_cast<std::size_t>(i)] +=
                st.positions[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
    }
    g.SetCells(kTotalCol, r, fullGroupText(month));
    return g;
}

std::string teachersTotalText(const std::vector<TMonthStatement>& statements) {
    int unions = 0;
    int plain = 0;
    for (const TMonthStatement& st : statements) {
        unions += st.TotalUnions();
        plain += st.TotalNoUnions();
    }
    const auto shown = [](int v) { return v == 0 ? std::string("0") : statementHoursText(v); };
    return "Общая сумма часов с учетом объединений=" + shown(unions) +
           "  без учета=" + shown(plain);
}

}  // namespace zavlin::reports
