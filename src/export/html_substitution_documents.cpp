// The substitution lists for the word processor: per (week, day) chosen, one
// heading and one table of the rows the model lists for each selected group
// (its substitutions, or its differences from the base week), by group or by
// teacher.
#include <algorithm>

#include "export/html_documents.h"
#include "export/html_report_parts.h"
#include "model/substitution.h"
#include "model/year.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {

using namespace zavlin::html;

namespace {

struct TZamenaRow {
    const TGryp* gryp = nullptr;
    TSZamena z;
};

// Layout 1: the substitutions; layout 2: the differences from the base week.
std::vector<TZamenaRow> dayRows(const std::vector<const TGryp*>& groups, int ne, int d,
                                bool vShortPr, bool vShortFi, bool fromBase) {
    std::vector<TZamenaRow> rows;
    for (const TGryp* gr : groups) {
        // The listings only read the group.
        TGryp* g = const_cast<TGryp*>(gr);
        const std::vector<TSZamena> li = fromBase ? TOZamenaGryp(g, ne, d, vShortPr, vShortFi).Li
                                                  : TSZamenaGryp(g, ne, d, vShortPr, vShortFi).Li;
        for (const TSZamena& z : li) rows.push_back({gr, z});
    }
    return rows;
}

void addZamenaHeads(TGridHtml& grid, bool byFio, bool vAyd) {
    if (byFio) grid.Headr()->AddCol("Преподаватель");
    for (const char* head :
         {"Группа", "Пара", "Предмет", "Кого заменяют", "Замена", "Кто заменяет"})
        grid.Headr()->AddCol(head);
    if (vAyd) grid.Headr()->AddCol("Ауд.");
}

void addZamenaRow(TGridHtml& grid, const TZamenaRow& r, const std::string* fio, bool vAyd) {
    TRowGridHtml* row = grid.AddRow();
    if (fio != nullptr) row->AddCells()->AddText(*fio);
    row->AddCells()->AddText(r.gryp->Name());
    row->AddCells()->AddText(std::to_string(r.z.NYr));
    row->AddCells()->AddText(r.z.YrNameAtr1());
    row->AddCells()->AddText(r.z.FioName1);
    row->AddCells()->AddText(r.z.YrNameAtr2());
    row->AddCells()->AddText(r.z.FioName2);
    if (vAyd) row->AddCells()->AddText(r.z.Ayd() != nullptr ? r.z.Ayd()->Name() : std::string());
}

bool rowOfFio(const TSZamena& z, const TFio* fio, int VidDoc) {
    const bool substitute = z.Yr2 != nullptr && z.Yr2->Fio() == fio;
    const bool replaced = z.Yr1 != nullptr && z.Yr1->Fio() == fio;
    switch (VidDoc) {
        case zvReplaced:
            return replaced;
        case zvBoth:
            return substitute || replaced;
        default:
            return substitute;
    }
}

void noZamena(TBodyHtml& body) {
    body.AddText("Замен нет.")->Paragraf = true;
}

// Both group layouts: one table per (week, day).
bool zamenaByGryp(THtmlExportHub& hub, const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                  bool vShortFi, bool vSortYrok, bool fromBase) {
    const auto pairs = WeekDays(WD);
    const auto groups = hub.SelectedGryp();
    const std::string title =
        fromBase ? "Замены в группах относительно базовой недели" : "Замены в группах";
    return hub.WriteDocument(
        kZamenaGrypFile, title, static_cast<int>(pairs.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            int done = 0;
            for (const auto& [ne, d] : pairs) {
                AddHeading(
                    body, (fromBase ? "ЗАМЕНЫ ОТНОСИТЕЛЬНО БАЗОВОЙ НЕДЕЛИ " : "ЗАМЕНЫ В ГРУППАХ ") +
                              DayText(hub, ne, d) + " неделя " + hub.WeekLabel(ne));
                std::vector<TZamenaRow> rows = dayRows(groups, ne, d, vShortPr, vShortFi, fromBase);
                if (vSortYrok)
                    std::stable_sort(
                        rows.begin(), rows.end(),
                        [](const TZamenaRow& a, const TZamenaRow& b) { return a.z.NYr < b.z.NYr; });
                if (rows.empty()) {
                    noZamena(body);
                } else {
                    TGridHtml* grid = body.AddGrid();
                    grid->Border = 1;
                    addZamenaHeads(*grid, false, vAyd);
                    for (const TZamenaRow& r : rows) addZamenaRow(*grid, r, nullptr, vAyd);
                }
                progress.Position(++done);
            }
        });
}

// Both teacher layouts: per (week, day) the rows of each selected teacher.
bool zamenaByFio(THtmlExportHub& hub, const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                 bool vShortFi, int VidDoc, bool fromBase) {
    const auto pairs = WeekDays(WD);
    const auto groups = hub.SelectedGryp();
    const auto teachers = hub.SelectedFio();
    const std::string title =
        fromBase ? "Замены преподавателей относительно базовой недели" : "Замены преподавателей";
    return hub.WriteDocument(
        kZamenaFioFile, title, static_cast<int>(pairs.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            int done = 0;
            for (const auto& [ne, d] : pairs) {
                AddHeading(body, (fromBase ? "ЗАМЕНЫ ПРЕПОДАВАТЕЛЕЙ ОТНОСИТЕЛЬНО БАЗОВОЙ НЕДЕЛИ "
                                           : "ЗАМЕНЫ ПРЕПОДАВАТЕЛЕЙ ") +
                                     DayText(hub, ne, d) + " неделя " + hub.WeekLabel(ne));
                const std::vector<TZamenaRow> rows =
                    dayRows(groups, ne, d, vShortPr, vShortFi, fromBase);
                TGridHtml* grid = nullptr;
                for (const TFio* fio : teachers) {
                    const std::string name = vShortFi ? fio->Name() : FioTitle(*fio);
                    // The teacher's name on the first of its rows.
                    const std::string none;
                    bool first = true;
                    for (const TZamenaRow& r : rows) {
                        if (!rowOfFio(r.z, fio, VidDoc)) continue;
                        if (grid == nullptr) {
                            grid = body.AddGrid();
                            grid->Border = 1;
                            addZamenaHeads(*grid, true, vAyd);
                        }
                        addZamenaRow(*grid, r, first ? &name : &none, vAyd);
                        first = false;
                    }
                }
                if (grid == nullptr) noZamena(body);
                progress.Position(++done);
            }
        });
}

}  // namespace

bool THtmlExportHub::CreateWordZamena1(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                       bool vShortFi, bool vSortYrok) {
    return zamenaByGryp(*this, WD, vAyd, vShortPr, vShortFi, vSortYrok, false);
}

bool THtmlExportHub::CreateWordZamena3(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                       bool vShortFi, bool vSortYrok) {
    return zamenaByGryp(*this, WD, vAyd, vShortPr, vShortFi, vSortYrok, true);
}

bool THtmlExportHub::CreateWordZamena2(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                       bool vShortFi, int VidDoc) {
    return zamenaByFio(*this, WD, vAyd, vShortPr, vShortFi, VidDoc, false);
}

bool THtmlExportHub::CreateWordZamena4(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                       bool vShortFi, int VidDoc) {
    return zamenaByFio(*this, WD, vAyd, vShortPr, vShortFi, VidDoc, true);
}

}  // namespace zavlin::exporting
