#include "reports/hours.h"

#include <algorithm>
#include <array>
#include <utility>

#include "model/calendar.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin::reports {

std::string academicHoursText(int h00) {
    if (h00 <= 0) return "0";
    std::string text = std::to_string(h00 / 100);
    const int rest = h00 % 100;
    if (rest != 0) text += (rest < 10 ? ",0" : ",") + std::to_string(rest);
    return text;
}

std::string statementHoursText(int h00) {
    if (h00 == 0) return "";
    const int whole = h00 / 100;
    const int rest = std::abs(h00 % 100);
    std::string text = std::to_string(whole);
    if (rest != 0) text += (rest < 10 ? ".0" : ".") + std::to_string(rest);
    return text;
}

std::string pairsText(int lessons, bool pairsOnly) {
    if (lessons == 0) return "";
    if (pairsOnly) return std::to_string(lessons);
    return std::to_string(lessons) + "(" + std::to_string(lessons * 2) + ")";
}

void accountDateToNedDey(const TAllNed& calendar, int32_t date, int& ne, int& de) {
    if (calendar.DateToNedDey(date, false, ne, de)) return;
    if (calendar.DateToNedDey(date - 1, false, ne, de)) return;
    ne = kStudyWeeks;
    de = kDayCount;
}

void accountFromDateToNedDey(const TAllNed& calendar, int32_t date, int& ne, int& de) {
    if (calendar.DateToNedDey(date, false, ne, de)) return;
    if (calendar.DateToNedDey(date + 1, false, ne, de)) return;
    de = 1;
    ne = date < calendar.Dg ? 1 : kStudyWeeks + 1;
}

const char* const kAccountHeads[7] = {
    ";по плану;на;предмет",
    ";сетка +;корзина;на предмет",
    ";сетка +;корзина;на препод.",
    ";назначено;в;распис.",
    ";осталось;назначить;по сетке",
    ";корзина;(замены)",
    ";прочитано;до даты;(сетка +;замены)",
};

namespace {

constexpr int kLastWeek = 52;

int moment(int ne, int de) {
    return ne * 8 + de;
}

// One row being gathered: its planned lessons per semester and, for a
// substitution row, the moments of the lessons it took over.
struct RowAcc {
    const TFio* fio = nullptr;
    bool substitution = false;
    std::array<int, 3> plan{};
    std::vector<std::pair<int, int>> taken;  // (week, day), one per lesson
};

struct Kinds {
    int setka = kSetkaPlan;
    bool se = true, zm = true, dp = false;
};

Kinds kindsOf(THoursMode mode) {
    if (mode == THoursMode::Additional) return {kSetkaDop, false, false, true};
    return {};
}

bool kindCounts(const TYr& yr, const Kinds& k) {
    const int setka = yr.Setka();
    return (k.se && setka == kSetkaPlan) || (k.zm && setka == kSetkaZamena) ||
           (k.dp && setka == kSetkaDop);
}

RowAcc& rowOf(std::vector<RowAcc>& rows, const TFio* fio, bool substitution) {
    for (RowAcc& r : rows)
        if (r.fio == fio && r.substitution == substitution) return r;
    rows.push_back(RowAcc{fio, substitution, {}, {}});
    return rows.back();
}

// The rows of one subject, limited to teacher `only` when given: planned
// rows in order of appearance, then the substitution rows.
std::vector<RowAcc> subjectRows(const TPredmet& pr, const TFio* only, const Kinds& k) {
    std::vector<RowAcc> planned;
    std::vector<RowAcc> taken;
    const TGryp* gr = pr.Gryp();
    if (gr == nullptr) return planned;
    const int second = gr->NedStartSemm(2);
    const auto semmOf = [second](int ne) { return static_cast<std::size_t>(ne < second ? 1 : 2); };
    // The planned rows of the whole year come first: a teacher with one of
    // them gets no substitution row, whichever week he substitutes in.
    for (int ne = 1; ne <= kLastWeek; ++ne) {
        if (gr->GetNed(ne) == nullptr) continue;
        const TLFio& fios = pr.GetLFio(ne);
        for (std::size_t i = 0; i < fios.size(); ++i) {
            if (only != nullptr && fios[i]->Fio() != only) continue;
            rowOf(planned, fios[i]->Fio(), false).plan[semmOf(ne)] +=
                pr.CountPlanNed(k.setka, ne, static_cast<int>(i));
        }
    }
    const auto hasPlannedRow = [&](const TFio* t) {
        return std::any_of(planned.begin(), planned.end(),
                           [t](const RowAcc& r) { return r.fio == t; });
    };
    for (int ne = 1; ne <= kLastWeek; ++ne) {
        if (gr->GetNed(ne) == nullptr) continue;
        for (const auto& fp : pr.GetLFio(ne))
            for (const auto& yr : fp->LYr) {
                if (yr->Dan.tip != 0 || yr->Yrok() == nullptr || !yr->Delivered() ||
                    !kindCounts(*yr, k))
                    continue;
                const TFio* t = yr->Fio();
                if (t == nullptr || (only != nullptr && t != only) || hasPlannedRow(t)) continue;
                RowAcc& r = rowOf(taken, t, true);
                ++r.plan[semmOf(ne)];
                r.taken.emplace_back(ne, yr->De());
            }
    }
    for (RowAcc& r : taken) planned.push_back(std::move(r));
    return planned;
}

TAccountCell figure(int value, bool pairsOnly) {
    return {pairsText(value, pairsOnly), value, true};
}

TAccountCell text(std::string s) {
    return {std::move(s), 0, false};
}

class Builder {
public:
    Builder(const TAllRasp& year, const TAccountOptions& o) : o_(o), k_(kindsOf(o.mode)) {
        if (o.toDate != 0) accountDateToNedDey(year.AllNed, o.toDate, table.toNe, table.toDe);
        if (o.fromDate != 0)
            accountFromDateToNedDey(year.AllNed, o.fromDate, table.fromNe, table.fromDe);
    }

    void heads(std::string title) {
        table.title = title;
        table.heads = {"N", std::move(title)};
        const char* groups[] = {"Пары(Часы)1 сем.", "Пары(Часы)2 сем.", "Пары(Часы)за год."};
        if (o_.shortView) {
            for (int s = 0; s < 2; ++s) {
                table.headGroups.push_back({groups[s], static_cast<int>(table.heads.size()), 2});
                table.heads.push_back(kAccountHeads[0]);
                table.heads.push_back(kAccountHeads[6]);
            }
            return;
        }
        for (int s = 0; s < 2; ++s) {
            table.headGroups.push_back({groups[s], static_cast<int>(table.heads.size()), 7});
            for (const char* h : kAccountHeads) table.heads.push_back(h);
        }
        table.headGroups.push_back({groups[2], static_cast<int>(table.heads.size()), 2});
        table.heads.push_back(kAccountHeads[2]);
        table.heads.push_back(kAccountHeads[6]);
    }

    // The rows of one subject; name gives each row's second cell.
    template <typename Name>
    void subject(const TPredmet& pr, const TFio* only, Name name) {
        std::vector<RowAcc> rows = subjectRows(pr, only, k_);
        if (rows.empty()) return;
        ++number_;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const RowAcc& r = rows[i];
            TAccountRow row;
            row.gryp = pr.Gryp();
            row.predmet = &pr;
            row.fio = r.fio;
            row.substitution = r.substitution;
            const bool first = i == 0;
            row.cells.push_back(text(first ? std::to_string(number_) : ""));
            std::string title = name(r);
            if (r.substitution) title += " (замена)";
            row.cells.push_back(text(std::move(title)));
            std::array<int, 3> done{};
            std::array<std::array<int, 7>, 3> c{};
            for (int s = 1; s <= 2; ++s) {
                auto& v = c[static_cast<std::size_t>(s)];
                v[0] =
                    first && o_.mode == THoursMode::Grid ? (s == 1 ? pr.Dan.Sem1 : pr.Dan.Sem2) : 0;
                v[1] = first ? pr.CountPlanSemm(s, k_.setka) : 0;
                v[2] = r.plan[static_cast<std::size_t>(s)];
                v[3] = delivered(pr, r, s, kLastWeek, kDayCount, false);
                v[4] =
                    r.substitution ? 0 : pr.CountKorzinaYrZmDpSemm(s, r.fio, k_.se, false, k_.dp);
                v[5] = r.substitution || o_.mode != THoursMode::Grid
                           ? 0
                           : pr.CountKorzinaYrZmDpSemm(s, r.fio, false, true, false);
                v[6] = delivered(pr, r, s, table.toNe, table.toDe, true);
                done[static_cast<std::size_t>(s)] = v[6];
            }
            if (o_.shortView) {
                for (int s = 1; s <= 2; ++s) {
                    row.cells.push_back(figure(c[static_cast<std::size_t>(s)][0], o_.pairsOnly));
                    row.cells.push_back(figure(c[static_cast<std::size_t>(s)][6], o_.pairsOnly));
                }
            } else {
                for (int s = 1; s <= 2; ++s)
                    for (int v : c[static_cast<std::size_t>(s)])
                        row.cells.push_back(figure(v, o_.pairsOnly));
                row.cells.push_back(figure(r.plan[1] + r.plan[2], o_.pairsOnly));
                row.cells.push_back(figure(done[1] + done[2], o_.pairsOnly));
            }
            table.rows.push_back(std::move(row));
        }
    }

    TAccountTable finish() {
        TAccountRow& total = table.total;
        total.cells.assign(table.heads.size(), TAccountCell{});
        total.cells[1] = text("Итог");
        for (std::size_t col = 2; col < table.heads.size(); ++col) {
            int sum = 0;
            for (const TAccountRow& r : table.rows)
                if (col < r.cells.size() && r.cells[col].numeric) sum += r.cells[col].value;
            total.cells[col] = figure(sum, o_.pairsOnly);
        }
        return std::move(table);
    }

    TAccountTable table;

private:
    // Lessons of the row delivered in semester s up to (ne, de). A
    // substitution row holds just the lessons it took over; a planned row
    // every lesson of its teacher, substitutions in any week included.
    int delivered(const TPredmet& pr, const RowAcc& r, int s, int ne, int de, bool upToDate) const {
        // The whole semester for what is placed, the asked range for what is delivered.
        const std::pair<int, int> from =
            upToDate ? std::pair{table.fromNe, table.fromDe} : std::pair{1, 1};
        if (!r.substitution)
            return pr.CountFaktYrZmDpSemm(s, from.first, from.second, ne, de, r.fio, k_.se, k_.zm,
                                          k_.dp);
        int n1 = 1;
        int n2 = kLastWeek;
        pr.Gryp()->NedStartEnd(s, n1, n2);
        int count = 0;
        for (const auto& [wn, wd] : r.taken)
            if (wn >= n1 && wn <= n2 && moment(wn, wd) <= moment(ne, de) &&
                moment(wn, wd) >= moment(from.first, from.second))
                ++count;
        return count;
    }

    const TAccountOptions& o_;
    Kinds k_;
    int number_ = 0;
};

std::string shortFio(const TFio* fio) {
    return fio != nullptr ? fio->Name() : std::string();
}

std::string shortSubject(const TPredmet& pr) {
    return pr.YrName() != nullptr ? pr.YrName()->Name() : pr.Name();
}

}  // namespace

TAccountTable accountByGroup(const TAllRasp& year, const TGryp& gr, const TAccountOptions& o) {
    Builder b(year, o);
    b.heads("Предмет Преподаватель");
    for (const auto& pr : gr.LPredmet)
        b.subject(*pr, nullptr, [&](const RowAcc& r) {
            const std::string fio = shortFio(r.fio);
            return fio.empty() ? shortSubject(*pr) : shortSubject(*pr) + " " + fio;
        });
    return b.finish();
}

TAccountTable accountByTeacher(const TAllRasp& year, const TFio& fio, const TAccountOptions& o) {
    Builder b(year, o);
    b.heads("Группа Предмет");
    for (const auto& gr : year.LGryp)
        for (const auto& pr : gr->LPredmet)
            b.subject(*pr, &fio,
                      [&](const RowAcc&) { return gr->Name() + " " + shortSubject(*pr); });
    return b.finish();
}

TAccountTable accountBySubjectName(const TAllRasp& year, const TYrName& name,
                                   const TAccountOptions& o) {
    Builder b(year, o);
    b.heads("Группа Преподаватель");
    for (const auto& gr : year.LGryp)
        for (const auto& pr : gr->LPredmet) {
            if (pr->YrName() != &name) continue;
            b.subject(*pr, nullptr, [&](const RowAcc& r) {
                const std::string f = shortFio(r.fio);
                return f.empty() ? gr->Name() : gr->Name() + " " + f;
            });
        }
    return b.finish();
}

}  // namespace zavlin::reports
