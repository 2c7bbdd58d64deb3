#include "reports/summary_statement.h"

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#include "base/collation.h"
#include "base/datetime.h"
#include "model/calendar.h"
#include "model/exam.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin::reports {

const std::array<const char*, kSummaryMonths + 1> kSummaryHeads = {
    "Сентябрь", "Октябрь", "Ноябрь", "Декабрь", "Январь", "Февраль", "Март",
    "Апрель",   "Май",     "Июнь",   "Июль",    "Август", "За год"};

int summaryColumn(int month) {
    if (month < 1 || month > 12) return -1;
    return (month + 3) % 12;
}

namespace {

// One contribution: group, subject, teacher, month column, hours x 100.
using Visit = std::function<void(const TGryp&, const TPredmet*, const TFio*, int, int)>;

std::string subjectName(const TPredmet* pr) {
    return pr != nullptr && pr->YrName() != nullptr ? pr->YrName()->Name() : TYrNameGos().Name();
}

std::string fioName(const TFio* fio) {
    return fio != nullptr ? fio->Name() : std::string();
}

void walkGroup(const TAllRasp& year, const TGryp& gr, const Visit& visit) {
    for (int ne = 1; ne <= kStudyWeeks; ++ne) {
        const TDNed* dn = year.AllNed.DNed(ne);
        // A week without dates belongs to no month.
        if (dn == nullptr || dn->Dt == 0) continue;
        const TNed* week = gr.GetNed(ne);
        const TENed* exams = gr.GetENed(ne);
        for (int de = 1; de <= kDayCount; ++de) {
            const int column = summaryColumn(decodeDate(dn->Dt + de - 1).month);
            if (column < 0) continue;
            for (int y = 0; week != nullptr && y < kPeriodCount; ++y) {
                const TYrok* yrok = week->GetYrok(0, de, y);
                for (int i = 0; yrok != nullptr && i < yrok->CountYrDpZm(); ++i) {
                    const TYr* yr = yrok->YrDpZm(i);
                    if (yr->Delivered() && yr->Fio() != nullptr)
                        visit(gr, yr->Predmet(), yr->Fio(), column, yr->Kh00());
                }
            }
            if (exams != nullptr)
                for (const auto& ex : exams->mDey[static_cast<std::size_t>(de)]->LEkz)
                    if (ex->FFio != nullptr) visit(gr, ex->Predmet, ex->FFio, column, ex->Dan.Kh00);
        }
        for (const auto& z : gr.LZachet) {
            if (z->Ne() != ne || z->Day() < 1 || z->Day() > 7) continue;
            const int column = summaryColumn(decodeDate(dn->Dt + z->Day() - 1).month);
            for (const TFio* f : z->LEkzam) visit(gr, z->FPredmet, f, column, z->Kh00());
            for (const TFio* f : z->LAsist) visit(gr, z->FPredmet, f, column, z->Kh00());
        }
    }
}

// Rows found by their two names: a college has hundreds of groups and
// thousands of lessons each, so no search along the rows per lesson.
class Rows {
public:
    explicit Rows(TSummaryTable& t) : t_(t) {}

    void add(const std::string& first, const std::string& second, int column, int h00) {
        const auto [at, made] = index_.try_emplace({first, second}, t_.rows.size());
        if (made) t_.rows.push_back(TSummaryRow{first, second, {}});
        TSummaryRow& row = t_.rows[at->second];
        row.h00[static_cast<std::size_t>(column)] += h00;
        row.h00[kSummaryYear] += h00;
        t_.total.h00[static_cast<std::size_t>(column)] += h00;
        t_.total.h00[kSummaryYear] += h00;
    }

private:
    TSummaryTable& t_;
    std::map<std::pair<std::string, std::string>, std::size_t> index_;
};

TSummaryTable emptyTable(std::string title) {
    TSummaryTable t;
    t.title = std::move(title);
    t.total.first = "Итого";
    return t;
}

void sortRows(TSummaryTable& t) {
    std::stable_sort(t.rows.begin(), t.rows.end(), [](const TSummaryRow& a, const TSummaryRow& b) {
        return compareRussian(a.first, b.first) < 0;
    });
}

}  // namespace

TSummaryTable groupSummary(const TAllRasp& year, const TGryp& gr, const TSummaryGoOn& goOn) {
    TSummaryTable t = emptyTable(gr.Name());
    if (goOn && !goOn()) return t;
    Rows rows(t);
    walkGroup(year, gr, [&](const TGryp&, const TPredmet* pr, const TFio* fio, int c, int h) {
        rows.add(subjectName(pr), fioName(fio), c, h);
    });
    return t;
}

TSummaryTable teacherSummary(const TAllRasp& year, const TFio& fio, const TSummaryGoOn& goOn) {
    TSummaryTable t = emptyTable(fio.Name());
    Rows rows(t);
    for (const auto& gr : year.LGryp) {
        if (goOn && !goOn()) return t;
        walkGroup(year, *gr, [&](const TGryp& g, const TPredmet* pr, const TFio* f, int c, int h) {
            if (f == &fio) rows.add(g.Name(), subjectName(pr), c, h);
        });
    }
    sortRows(t);
    return t;
}

std::vector<TSummaryTable> teachersOfEachGroup(const TAllRasp& year, const TSummaryGoOn& goOn) {
    std::vector<TSummaryTable> tables;
    for (const auto& gr : year.LGryp) {
        if (goOn && !goOn()) return tables;
        TSummaryTable t = emptyTable(gr->Name());
        Rows rows(t);
        walkGroup(year, *gr, [&](const TGryp&, const TPredmet*, const TFio* f, int c, int h) {
            rows.add(fioName(f), "", c, h);
        });
        sortRows(t);
        tables.push_back(std::move(t));
    }
    return tables;
}

TSummaryTable teachersOfAllGroups(const TAllRasp& year, const TSummaryGoOn& goOn) {
    TSummaryTable t = emptyTable("");
    Rows rows(t);
    for (const auto& gr : year.LGryp) {
        if (goOn && !goOn()) return t;
        walkGroup(year, *gr, [&](const TGryp&, const TPredmet*, const TFio* f, int c, int h) {
            rows.add(fioName(f), "", c, h);
        });
    }
    sortRows(t);
    return t;
}

}  // namespace zavlin::reports
