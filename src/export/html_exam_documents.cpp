// Consultations, examinations and credits for the word processor: per group
// (teacher) and week, one heading and one table of the entries of the chosen
// days, each day's credit records by their start, then its examination
// entries.
#include <algorithm>
#include <map>
#include <tuple>

#include "export/html_documents.h"
#include "export/html_report_parts.h"
#include "model/attribute.h"
#include "model/lesson_time.h"
#include "model/year.h"
#include "reports/hours.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {

using namespace zavlin::html;

namespace {

struct TEntryRow {
    int day = 0;
    std::string time;
    std::string kind;
    std::string who;  // the teachers, or the group
    std::string subject;
    std::string room;
    std::string hours;
};

bool kindWanted(const TAtr* atr, int vAtrN) {
    return vAtrN == kAllAtr || (atr != nullptr && atr->N == vAtrN);
}

TEntryRow zachetRow(const TZachet& z, const std::string& who) {
    return {z.Day(),
            z.StartStr() + "-" + minutesToClock(z.StartTime() + z.LengthTime()),
            z.NameOfTypes(),
            who,
            z.FPredmet != nullptr ? z.FPredmet->Name() : std::string(),
            z.FAyd != nullptr ? z.FAyd->Name() : std::string(),
            reports::academicHoursText(z.Kh00())};
}

TEntryRow ekzamenRow(const TEkzamen& e, int day, const std::string& who) {
    return {day,
            {},
            e.FAtr != nullptr ? e.FAtr->Name() : std::string(),
            who,
            e.Predmet != nullptr ? e.Predmet->Name() : std::string(),
            {},
            reports::academicHoursText(e.Dan.Kh00)};
}

// The entries of group gr in week ne on day d: credit records of teacher fio
// (any when null) by start, then examination entries.
void groupDayRows(const TGryp& gr, int ne, int d, int vAtrN, const TFio* fio, bool teacherView,
                  std::vector<TEntryRow>& rows) {
    std::vector<const TZachet*> records;
    for (const auto& z : gr.LZachet)
        if (z->Ne() == ne && z->Day() == d && kindWanted(z->FAtr, vAtrN) &&
            (fio == nullptr || z->RunFio(fio)))
            records.push_back(z.get());
    std::stable_sort(records.begin(), records.end(), [](const TZachet* a, const TZachet* b) {
        return a->StartTime() < b->StartTime();
    });
    for (const TZachet* z : records)
        rows.push_back(zachetRow(*z, teacherView ? gr.Name() : z->NameFio()));
    const TENed* en = gr.GetENed(ne);
    const TEDey* dey = en != nullptr ? en->mDey[static_cast<std::size_t>(d)].get() : nullptr;
    if (dey == nullptr) return;
    for (const auto& e : dey->LEkz) {
        if (!kindWanted(e->FAtr, vAtrN) || (fio != nullptr && e->FFio != fio)) continue;
        rows.push_back(ekzamenRow(
            *e, d, teacherView ? gr.Name() : (e->FFio != nullptr ? e->FFio->Name() : "")));
    }
}

// The groups each teacher has an entry with on a day of a week, in the
// groups' order: a document over many teachers reads the groups once.
class TFioEntryGroups {
public:
    TFioEntryGroups(const TAllRasp& year, const std::vector<int>& weeks) {
        for (const auto& gr : year.LGryp) {
            for (const auto& z : gr->LZachet) {
                note(z->LEkzam, z->Ne(), z->Day(), gr.get());
                note(z->LAsist, z->Ne(), z->Day(), gr.get());
            }
            for (const int ne : weeks) {
                const TENed* en = gr->GetENed(ne);
                if (en == nullptr) continue;
                for (int d = 1; d <= kDayCount; ++d)
                    if (const TEDey* dey = en->mDey[static_cast<std::size_t>(d)].get())
                        for (const auto& e : dey->LEkz) note(e->FFio, ne, d, gr.get());
            }
        }
    }

    const std::vector<const TGryp*>& Of(const TFio* fio, int ne, int d) const {
        const auto it = FGroups.find({fio, ne, d});
        return it != FGroups.end() ? it->second : FNone;
    }

private:
    using TKey = std::tuple<const TFio*, int, int>;

    void note(const std::vector<TFio*>& teachers, int ne, int d, const TGryp* gr) {
        for (const TFio* fio : teachers) note(fio, ne, d, gr);
    }
    void note(const TFio* fio, int ne, int d, const TGryp* gr) {
        if (fio == nullptr) return;
        std::vector<const TGryp*>& groups = FGroups[{fio, ne, d}];
        if (groups.empty() || groups.back() != gr) groups.push_back(gr);
    }

    std::map<TKey, std::vector<const TGryp*>> FGroups;
    std::vector<const TGryp*> FNone;
};

void addEntryTable(TBodyHtml& body, const THtmlExportHub& hub, int ne, const char* whoColumn,
                   const std::vector<TEntryRow>& rows) {
    TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    for (const char* head : {"День", "Время", "Вид", whoColumn, "Предмет", "Ауд.", "Часы"})
        grid->Headr()->AddCol(head);
    for (const TEntryRow& r : rows) {
        TRowGridHtml* row = grid->AddRow();
        const std::string day = DayText(hub, ne, r.day);
        for (const std::string* text :
             {&day, &r.time, &r.kind, &r.who, &r.subject, &r.room, &r.hours})
            row->AddCells()->AddText(*text);
    }
}

void noEntries(TBodyHtml& body, bool any) {
    if (!any) AddHeading(body, "Консультаций и экзаменов нет");
}

}  // namespace

bool THtmlExportHub::CreateWordEkzamen1(const TArrayOfPointByte& WD, int vAtrN) {
    const auto groups = SelectedGryp();
    return WriteDocument(kEkzGrypFile, "Консультации и экзамены групп",
                         static_cast<int>(groups.size()),
                         [&](TBodyHtml& body, THtmlProgress& progress) {
                             int done = 0;
                             bool any = false;
                             for (const TGryp* gr : groups) {
                                 for (const int ne : Weeks) {
                                     std::vector<TEntryRow> rows;
                                     for (const int d : DaysOfWeek(WD, ne))
                                         groupDayRows(*gr, ne, d, vAtrN, nullptr, false, rows);
                                     if (rows.empty()) continue;
                                     any = true;
                                     AddHeading(body, "КОНСУЛЬТАЦИИ И ЭКЗАМЕНЫ ГРУППЫ " +
                                                          gr->Name() + " неделя " + WeekLabel(ne));
                                     addEntryTable(body, *this, ne, "Преподаватель", rows);
                                 }
                                 progress.Position(++done);
                             }
                             noEntries(body, any);
                         });
}

bool THtmlExportHub::CreateWordEkzamen2(const TArrayOfPointByte& WD, int vAtrN) {
    const auto teachers = SelectedFio();
    return WriteDocument(
        kEkzFioFile, "Консультации и экзамены преподавателей", static_cast<int>(teachers.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            int done = 0;
            bool any = false;
            const TFioEntryGroups entries(Year(), Weeks);
            for (const TFio* fio : teachers) {
                for (const int ne : Weeks) {
                    std::vector<TEntryRow> rows;
                    for (const int d : DaysOfWeek(WD, ne))
                        for (const TGryp* gr : entries.Of(fio, ne, d))
                            groupDayRows(*gr, ne, d, vAtrN, fio, true, rows);
                    if (rows.empty()) continue;
                    any = true;
                    AddHeading(body, "КОНСУЛЬТАЦИИ И ЭКЗАМЕНЫ ПРЕПОДАВАТЕЛЯ " + FioTitle(*fio) +
                                         " неделя " + WeekLabel(ne));
                    addEntryTable(body, *this, ne, "Группа", rows);
                }
                progress.Position(++done);
            }
            noEntries(body, any);
        });
}

}  // namespace zavlin::exporting
