// Consultations, examinations and credits for the word processor: per group
// (teacher) and week, one heading and one table of the entries of the chosen
// days, each day's credit records by their start, then its examination
// entries.
#include <fmt/format.h>

#include <algorithm>

#include "export/html_documents.h"
#include "model/attribute.h"
#include "model/lesson_time.h"
#include "model/year.h"
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

std::string hoursText(int kh00) {
    if (kh00 % 100 == 0) return std::to_string(kh00 / 100);
    return fmt::format("{},{:02}", kh00 / 100, kh00 % 100);
}

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
            hoursText(z.Kh00())};
}

TEntryRow ekzamenRow(const TEkzamen& e, int day, const std::string& who) {
    return {day,
            {},
            e.FAtr != nullptr ? e.FAtr->Name() : std::string(),
            who,
            e.Predmet != nullptr ? e.Predmet->Name() : std::string(),
            {},
            hoursText(e.Dan.Kh00)};
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

void addEntryTable(TBodyHtml& body, const THtmlExportHub& hub, int ne, const char* whoColumn,
                   const std::vector<TEntryRow>& rows) {
    TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    for (const char* head : {"День", "Время", "Вид", whoColumn, "Предмет", "Ауд.", "Часы"})
        grid->Headr()->AddCol(head);
    const TDNed* dn = hub.Year().AllNed.DNed(ne);
    for (const TEntryRow& r : rows) {
        TRowGridHtml* row = grid->AddRow();
        std::string day = weekdayName(r.day);
        const std::string& dayText = day;
        if (dn != nullptr)
            day = dn->Dop() ? dn->GetStrDateShortDey(r.day, hub.vV1, hub.vV2)
                            : day + " " + dn->GetStrDateShortDey(r.day, hub.vV1, hub.vV2);
        for (const std::string* text :
             {&dayText, &r.time, &r.kind, &r.who, &r.subject, &r.room, &r.hours})
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
            for (const TFio* fio : teachers) {
                for (const int ne : Weeks) {
                    std::vector<TEntryRow> rows;
                    for (const int d : DaysOfWeek(WD, ne))
                        for (const auto& gr : Year().LGryp)
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
