// Rooms for the word processor, as the room dispatcher shows them: on each
// (week, day) chosen, for the periods asked, the rooms of each teacher, the
// groups in each room and the rooms of each group.
#include <algorithm>
#include <unordered_map>

#include "export/html_documents.h"
#include "export/html_report_parts.h"
#include "model/room_occupancy.h"
#include "model/year.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {

using namespace zavlin::html;

namespace {

// A lesson without a room asks for one; one without a teacher is cancelled.
constexpr const char* kNoRoom = "?";
constexpr const char* kCancelled = "отм";

// What the groups table of the dispatcher shows for a period: the room of
// every held lesson, in order.
std::string grypRooms(const TYrok* yrok) {
    std::string text;
    if (yrok == nullptr) return text;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
        const TYr* yr = yrok->YrDpZm(i);
        if (!yr->Held()) continue;
        const std::string room = yr->Fio() == nullptr   ? kCancelled
                                 : yr->Ayd() != nullptr ? yr->Ayd()->Name()
                                                        : kNoRoom;
        text += (text.empty() ? "" : ",") + room;
    }
    return text;
}

// The teacher's rooms in a period: each room once, "?" for lessons without.
std::string fioRooms(const std::vector<TGrypYr>& lessons) {
    std::vector<std::string> rooms;
    for (const TGrypYr& l : lessons) {
        const std::string room = l.yr->Ayd() != nullptr ? l.yr->Ayd()->Name() : kNoRoom;
        if (std::find(rooms.begin(), rooms.end(), room) == rooms.end()) rooms.push_back(room);
    }
    std::string text;
    for (const std::string& r : rooms) text += (text.empty() ? "" : ",") + r;
    return text;
}

TGridHtml* periodGrid(TBodyHtml& body, const char* first, int y1, int y2) {
    TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    AddPeriodHeads(*grid, {first}, y1, y2);
    return grid;
}

void addRow(TGridHtml& grid, const std::string& name, const std::vector<std::string>& cells) {
    TRowGridHtml* row = grid.AddRow();
    row->AddCells()->AddText(name);
    for (const std::string& c : cells) row->AddCells()->AddText(c);
}

std::string aydTitle(const TAllRasp& year, const TAyd& ayd) {
    // With several buildings a room's number alone is ambiguous.
    if (year.CountDom() > 1 && ayd.Dom() != nullptr && !ayd.Dom()->Name().empty())
        return ayd.Name() + " (" + ayd.Dom()->Name() + ")";
    return ayd.Name();
}

}  // namespace

std::vector<const TAyd*> THtmlExportHub::SelectedAyd() const {
    std::vector<const TAyd*> out;
    for (const auto& ayd : Year().LAyd)
        if (ayd->Select) out.push_back(ayd.get());
    return out;
}

bool THtmlExportHub::CreateWordFioToAyd(int Y1, int Y2, const TArrayOfPointByte& WD) {
    ClampPeriods(Y1, Y2);
    const auto pairs = WeekDays(WD);
    const auto teachers = SelectedFio();
    return WriteDocument(kFioAydFile, "Аудитории преподавателей", static_cast<int>(pairs.size()),
                         [&](TBodyHtml& body, THtmlProgress& progress) {
                             int done = 0;
                             for (const auto& [ne, d] : pairs) {
                                 AddHeading(body, "АУДИТОРИИ ПРЕПОДАВАТЕЛЕЙ " +
                                                      DayText(*this, ne, d) + " неделя " +
                                                      WeekLabel(ne));
                                 TGridHtml* grid = periodGrid(body, "Преподаватель", Y1, Y2);
                                 const TFioWeekIndex index(Year(), ne);
                                 for (const TFio* fio : teachers) {
                                     std::vector<std::string> cells;
                                     bool any = false;
                                     for (int y = Y1; y <= Y2; ++y) {
                                         const auto& lessons = index.At(fio, d, y);
                                         any = any || !lessons.empty();
                                         cells.push_back(fioRooms(lessons));
                                     }
                                     // A teacher free all the periods asked has no row.
                                     if (any) addRow(*grid, FioTitle(*fio), cells);
                                 }
                                 progress.Position(++done);
                             }
                         });
}

bool THtmlExportHub::CreateWordAydToGryp(int Y1, int Y2, const TArrayOfPointByte& WD) {
    ClampPeriods(Y1, Y2);
    const auto pairs = WeekDays(WD);
    const auto rooms = SelectedAyd();
    return WriteDocument(kAydGrypFile, "Аудитории и Группы", static_cast<int>(pairs.size()),
                         [&](TBodyHtml& body, THtmlProgress& progress) {
                             int done = 0;
                             for (const auto& [ne, d] : pairs) {
                                 AddHeading(body, "АУДИТОРИИ И ГРУППЫ " + DayText(*this, ne, d) +
                                                      " неделя " + WeekLabel(ne));
                                 TGridHtml* grid = periodGrid(body, "Аудитория", Y1, Y2);
                                 TLAydAllDomNed occupancy(Year(), {ne});
                                 std::unordered_map<const TAyd*, const TLGrypAydDey*> byAyd;
                                 for (const auto& dom : occupancy.Ln.front()->Li) {
                                     dom->GetAydDey(d);
                                     for (const auto& room : dom->Li)
                                         byAyd[room->Ayd()] = room.get();
                                 }
                                 // Every selected room has its row: a free room is news too.
                                 for (const TAyd* ayd : rooms) {
                                     const auto it = byAyd.find(ayd);
                                     std::vector<std::string> cells;
                                     for (int y = Y1; y <= Y2; ++y)
                                         cells.push_back(it != byAyd.end()
                                                             ? it->second->GrypForYr(d, y)
                                                             : std::string());
                                     addRow(*grid, aydTitle(Year(), *ayd), cells);
                                 }
                                 progress.Position(++done);
                             }
                         });
}

bool THtmlExportHub::CreateWordGrypToAyd(int Y1, int Y2, const TArrayOfPointByte& WD) {
    ClampPeriods(Y1, Y2);
    const auto pairs = WeekDays(WD);
    const auto groups = SelectedGryp();
    return WriteDocument(kGrypAydFile, "Группы и аудитории", static_cast<int>(pairs.size()),
                         [&](TBodyHtml& body, THtmlProgress& progress) {
                             int done = 0;
                             for (const auto& [ne, d] : pairs) {
                                 AddHeading(body, "ГРУППЫ И АУДИТОРИИ " + DayText(*this, ne, d) +
                                                      " неделя " + WeekLabel(ne));
                                 TGridHtml* grid = periodGrid(body, "Группа", Y1, Y2);
                                 for (const TGryp* gr : groups) {
                                     const TNed* week = gr->GetNed(ne);
                                     if (week == nullptr) continue;
                                     std::vector<std::string> cells;
                                     bool any = false;
                                     for (int y = Y1; y <= Y2; ++y) {
                                         cells.push_back(grypRooms(week->GetYrok(0, d, y)));
                                         any = any || !cells.back().empty();
                                     }
                                     if (any) addRow(*grid, gr->Name(), cells);
                                 }
                                 progress.Position(++done);
                             }
                         });
}

}  // namespace zavlin::exporting
