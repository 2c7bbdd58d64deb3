#include "export/html_report_documents.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>

#include "model/calendar.h"
#include "model/year.h"

namespace zavlin::exporting {

using namespace zavlin::html;

namespace {

const std::vector<int> kAllDays = {1, 2, 3, 4, 5, 6};

// A lesson that takes place and gives a lesson: what every report shows.
bool shown(const TYr* yr) {
    return yr != nullptr && yr->Held() && !yr->SetOtmenaYes() && yr->Predmet() != nullptr;
}

template <typename Visit>
void forShownLessons(const TYrok* yrok, Visit visit) {
    if (yrok == nullptr) return;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i)
        if (const TYr* yr = yrok->YrDpZm(i); shown(yr)) visit(*yr);
}

bool anyShown(const TYrok* yrok) {
    bool any = false;
    forShownLessons(yrok, [&](const TYr&) { any = true; });
    return any;
}

// An additional week's label names it already.
std::string weekHeading(const THtmlExportHub& hub, int ne) {
    const TDNed* dn = hub.Year().AllNed.DNed(ne);
    if (dn != nullptr && dn->Dop()) return "Неделя " + hub.WeekLabel(ne);
    return "Неделя " + hub.Year().AllNed.GetNumberWeek(ne) + hub.WeekLabel(ne);
}

std::string periodHead(const TAllRasp& year, int y) {
    return std::to_string(y) + "\r" + year.TaimYrok[static_cast<std::size_t>(y)].TnText();
}

// The periods and days of week ne that hold a lesson in any of the groups.
struct TUsed {
    int first = -1;
    int last = -1;
    unsigned days = 0;  // bit d
    void note(int d, int y) {
        if (first < 0 || y < first) first = y;
        last = std::max(last, y);
        days |= 1u << d;
    }
    bool day(int d) const { return (days & (1u << d)) != 0; }
};

TUsed usedCells(const std::vector<const TGryp*>& groups, int ne) {
    TUsed used;
    for (const TGryp* gr : groups) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (anyShown(week->GetYrok(0, d, y))) used.note(d, y);
    }
    return used;
}

std::vector<const TGryp*> allGryp(const TAllRasp& year) {
    std::vector<const TGryp*> out;
    out.reserve(year.LGryp.size());
    for (const auto& gr : year.LGryp) out.push_back(gr.get());
    return out;
}

// The header of a chess board: the first column, then the used days over
// their periods, each period with its time.
void addChessHead(TGridHtml& grid, const TAllRasp& year, const std::string& first,
                  const TUsed& used) {
    std::vector<int> days;
    for (int d = 1; d <= kDayCount; ++d)
        if (used.day(d)) days.push_back(d);
    AddDayPeriodHeads(grid, {first}, days, used.first, used.last,
                      [&year](int y) { return periodHead(year, y); });
}

using TCellText = std::function<std::string(int d, int y)>;

void addChessRow(TGridHtml& grid, const std::string& name, const TUsed& used,
                 const TCellText& text) {
    TRowGridHtml* row = grid.AddRow();
    row->AddCells()->AddText(name);
    for (int d = 1; d <= kDayCount; ++d) {
        if (!used.day(d)) continue;
        for (int y = used.first; y <= used.last; ++y) row->AddCells()->AddText(text(d, y));
    }
}

TGridHtml* addGrid(TBodyHtml& body) {
    TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    return grid;
}

// Said where a document would show nothing at all.
void addNoLessons(TBodyHtml& body) {
    TTextHtml* text = body.AddText(kNoLessonsText);
    text->Paragraf = true;
    text->Align = TAlignHtml::alCenter;
}

int weekCount(int first, int last) {
    return std::max(0, last - first + 1);
}

// Whether the teacher has a lesson shown that week: what makes a cell of
// the teacher's table not free.
bool fioBusy(const TAllRasp& year, const TFioWeekIndex& index, const TFio& fio) {
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y) {
            const std::vector<TGrypYr>& lessons = index.At(&fio, d, y);
            if (!lessons.empty() && !TFioCellText(year, lessons).Gryp.empty()) return true;
        }
    return false;
}

int clampWeek(int ne) {
    return std::clamp(ne, 1, kWeeks);
}

}  // namespace

std::string GrypChessText(const TYrok* yrok) {
    std::string out;
    // Whole entries are compared: one may be the beginning of another.
    std::set<std::string> added;
    forShownLessons(yrok, [&](const TYr& yr) {
        std::string lesson = yr.NamePredmet(false);
        for (const std::string& part : {yr.NameFio(false, false), yr.NameAyd()})
            if (!part.empty()) lesson += "/" + part;
        if (!added.insert(lesson).second) return;
        out += (out.empty() ? "" : ",") + lesson;
    });
    return out;
}

TFioWeekCells::TFioWeekCells(const TAllRasp& year, int ne) : FYear(year), FIndex(year, ne) {
    for (const auto& fio : year.LFio)
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                if (Text(*fio, d, y).empty()) continue;
                if (FFirst < 0 || y < FFirst) FFirst = y;
                FLast = std::max(FLast, y);
                FDays |= 1u << d;
            }
}

std::string TFioWeekCells::Text(const TFio& fio, int d, int y) const {
    const std::vector<TGrypYr>& lessons = FIndex.At(&fio, d, y);
    // A cancellation has no teacher and never comes here.
    return lessons.empty() ? std::string() : TFioCellText(FYear, lessons).Gryp;
}

bool TFioWeekCells::Busy(const TFio& fio) const {
    return fioBusy(FYear, FIndex, fio);
}

bool TFioWeekCells::DayUsed(int d) const {
    return d >= 1 && d <= kDayCount && (FDays & (1u << d)) != 0;
}

std::vector<TFioGrypCount> CountFioGryp(const TAllRasp& year, const TFio& fio, int first,
                                        int last) {
    std::vector<TFioGrypCount> out;
    first = clampWeek(first);
    last = clampWeek(last);
    for (const auto& gr : year.LGryp) {
        // By subject in the group's order: what the reader finds in its plan.
        std::map<int, TFioGrypCount> bySubject;
        for (int ne = first; ne <= last; ++ne) {
            const TNed* week = gr->GetNed(ne);
            if (week == nullptr) continue;
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    forShownLessons(week->GetYrok(0, d, y), [&](const TYr& yr) {
                        if (yr.Fio() != &fio) return;
                        TFioGrypCount& c = bySubject[yr.GetIndexPredmet()];
                        c.gryp = gr.get();
                        c.subject = yr.NamePredmet(false);
                        ++c.count;
                    });
        }
        for (auto& [index, c] : bySubject) out.push_back(std::move(c));
    }
    return out;
}

bool CreateGrypYear(THtmlExportHub& hub, const TGryp& gr, int first, int last) {
    first = clampWeek(first);
    last = clampWeek(last);
    return hub.WriteDocument(kGrypYearFile, kGrypYearTitle, weekCount(first, last),
                             [&](TBodyHtml& body, THtmlProgress& progress) {
                                 AddHeading(body, "РАСПИСАНИЕ ГРУППЫ " + gr.Name() + " НА ГОД");
                                 int done = 0;
                                 bool any = false;
                                 for (int ne = first; ne <= last; ++ne) {
                                     progress.Position(++done);
                                     if (!gr.TestNed(ne)) continue;
                                     any = true;
                                     std::vector<int> days;
                                     for (int d = 1; d <= kDayCount; ++d)
                                         if (gr.TestRunDey(ne, d)) days.push_back(d);
                                     AddHeading(body, weekHeading(hub, ne));
                                     AddGrypWeekTable(body, hub.Year(), gr, ne,
                                                      days.empty() ? kAllDays : days);
                                 }
                                 if (!any) addNoLessons(body);
                             });
}

bool CreateFioYear(THtmlExportHub& hub, const TFio& fio, int first, int last) {
    first = clampWeek(first);
    last = clampWeek(last);
    const TAllRasp& year = hub.Year();
    return hub.WriteDocument(kFioYearFile, kFioYearTitle, weekCount(first, last),
                             [&](TBodyHtml& body, THtmlProgress& progress) {
                                 AddHeading(
                                     body, "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ " + FioTitle(fio) + " НА ГОД");
                                 int done = 0;
                                 bool any = false;
                                 for (int ne = first; ne <= last; ++ne) {
                                     progress.Position(++done);
                                     // One index of the week answers both whether
                                     // the teacher is busy and what the table holds.
                                     const TFioWeekIndex index(year, ne);
                                     if (!fioBusy(year, index, fio)) continue;
                                     any = true;
                                     AddHeading(body, weekHeading(hub, ne));
                                     AddFioWeekTable(body, year, fio, kAllDays, index);
                                 }
                                 if (!any) addNoLessons(body);
                             });
}

bool CreateFioGrypYear(THtmlExportHub& hub, const TFio& fio, int first, int last) {
    first = clampWeek(first);
    last = clampWeek(last);
    const TAllRasp& year = hub.Year();
    return hub.WriteDocument(
        kFioGrypYearFile, kFioGrypYearTitle, 1, [&](TBodyHtml& body, THtmlProgress& progress) {
            AddHeading(body, "ГРУППЫ ПРЕПОДАВАТЕЛЯ " + FioTitle(fio) + " НА ГОД");
            AddHeading(body, "Недели с " + year.AllNed.GetNumberWeek(first) + " по " +
                                 year.AllNed.GetNumberWeek(last));
            TGridHtml* grid = addGrid(body);
            for (const char* head : {"Группа", "Предмет", "Проведено пар"})
                grid->Headr()->AddCol(head);
            int total = 0;
            for (const TFioGrypCount& c : CountFioGryp(year, fio, first, last)) {
                TRowGridHtml* row = grid->AddRow();
                row->AddCells()->AddText(c.gryp->Name());
                row->AddCells()->AddText(c.subject);
                TCellsGridHtml* count = row->AddCells();
                count->Align = TAlignHtml::alRight;
                count->AddText(std::to_string(c.count));
                total += c.count;
            }
            TRowGridHtml* row = grid->AddRow();
            TCellsGridHtml* label = row->AddCells();
            label->ColSpan = 2;
            label->AddText("Итого");
            TCellsGridHtml* sum = row->AddCells();
            sum->Align = TAlignHtml::alRight;
            sum->AddText(std::to_string(total));
            progress.Position(1);
        });
}

bool CreateFioChess(THtmlExportHub& hub) {
    const TAllRasp& year = hub.Year();
    const std::vector<int> weeks = hub.Weeks;
    return hub.WriteDocument(
        kFioChessFile, kFioChessTitle, static_cast<int>(weeks.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            int done = 0;
            for (const int ne : weeks) {
                const TFioWeekCells cells(year, ne);
                AddHeading(body, "ШАХМАТКА ПРЕПОДАВАТЕЛЕЙ " + weekHeading(hub, ne));
                if (cells.First() < 0) addNoLessons(body);
                if (cells.First() >= 0) {
                    TUsed used{cells.First(), cells.Last(), 0};
                    for (int d = 1; d <= kDayCount; ++d)
                        if (cells.DayUsed(d)) used.days |= 1u << d;
                    TGridHtml* grid = addGrid(body);
                    addChessHead(*grid, year, "Преподаватель", used);
                    for (const auto& fio : year.LFio)
                        if (cells.Busy(*fio))
                            addChessRow(*grid, fio->Name(), used,
                                        [&](int d, int y) { return cells.Text(*fio, d, y); });
                }
                progress.Position(++done);
            }
        });
}

bool CreateGrypChess(THtmlExportHub& hub) {
    const TAllRasp& year = hub.Year();
    const std::vector<int> weeks = hub.Weeks;
    const std::vector<const TGryp*> groups = allGryp(year);
    return hub.WriteDocument(kGrypChessFile, kGrypChessTitle, static_cast<int>(weeks.size()),
                             [&](TBodyHtml& body, THtmlProgress& progress) {
                                 int done = 0;
                                 for (const int ne : weeks) {
                                     AddHeading(body, "ШАХМАТКА ГРУПП " + weekHeading(hub, ne));
                                     const TUsed used = usedCells(groups, ne);
                                     if (used.first < 0) addNoLessons(body);
                                     if (used.first >= 0) {
                                         TGridHtml* grid = addGrid(body);
                                         addChessHead(*grid, year, "Группа", used);
                                         for (const TGryp* gr : groups) {
                                             const TNed* week = gr->GetNed(ne);
                                             if (week == nullptr) continue;
                                             addChessRow(
                                                 *grid, gr->Name(), used, [week](int d, int y) {
                                                     return GrypChessText(week->GetYrok(0, d, y));
                                                 });
                                         }
                                     }
                                     progress.Position(++done);
                                 }
                             });
}

bool CreateDayCard(THtmlExportHub& hub, int ne, int d) {
    const TAllRasp& year = hub.Year();
    const std::vector<const TGryp*> groups = allGryp(year);
    const TDNed* dn = year.AllNed.DNed(ne);
    const std::string day =
        dn != nullptr && d >= 1 && d <= kDayCount ? dn->GetLongStrDateDey(d) : std::string();
    return hub.WriteDocument(
        kDayCardFile, kDayCardTitle, static_cast<int>(groups.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            AddHeading(body, "РАСПИСАНИЕ НА " + day);
            AddHeading(body, weekHeading(hub, ne));
            TUsed used;
            for (const TGryp* gr : groups)
                if (const TNed* week = gr->GetNed(ne))
                    for (int y = 0; y < kPeriodCount; ++y)
                        if (anyShown(week->GetYrok(0, d, y))) used.note(d, y);
            if (used.first < 0) {
                addNoLessons(body);
                return;
            }
            TGridHtml* grid = addGrid(body);
            grid->Headr()->AddCol("Группа");
            for (int y = used.first; y <= used.last; ++y)
                grid->Headr()->AddCol(periodHead(year, y))->Align = TAlignHtml::alCenter;
            int done = 0;
            for (const TGryp* gr : groups) {
                progress.Position(++done);
                const TNed* week = gr->GetNed(ne);
                if (week == nullptr) continue;
                // A group shows when it studies that day or holds a lesson
                // there all the same (a lesson moved onto a free day).
                bool any = week->TestRunDey(d);
                for (int y = used.first; !any && y <= used.last; ++y)
                    any = anyShown(week->GetYrok(0, d, y));
                if (!any) continue;
                TRowGridHtml* row = grid->AddRow();
                row->AddCells()->AddText(gr->Name());
                for (int y = used.first; y <= used.last; ++y) {
                    const std::string text = GrypPeriodText(week->GetYrok(0, d, y));
                    row->AddCells()->AddText(text.empty() ? kNoLessonGryp : text);
                }
            }
        });
}

bool CreateWeekStand(THtmlExportHub& hub, int ne, int perTable) {
    const TAllRasp& year = hub.Year();
    std::vector<const TGryp*> groups;
    for (const auto& gr : year.LGryp)
        if (gr->GetNed(ne) != nullptr) groups.push_back(gr.get());
    const auto per = static_cast<std::size_t>(std::clamp(perTable, 1, kStandGroupsMax));
    return hub.WriteDocument(
        kWeekStandFile, kWeekStandTitle, static_cast<int>(groups.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            AddHeading(body, "РАСПИСАНИЕ ЗАНЯТИЙ " + weekHeading(hub, ne));
            for (std::size_t at = 0; at < groups.size(); at += per) {
                const std::vector<const TGryp*> part(
                    groups.begin() + static_cast<std::ptrdiff_t>(at),
                    groups.begin() +
                        static_cast<std::ptrdiff_t>(std::min(at + per, groups.size())));
                TGridHtml* grid = addGrid(body);
                grid->Headr()->AddCol("День");
                grid->Headr()->AddCol("Пара");
                for (const TGryp* gr : part) grid->Headr()->AddCol(gr->Name());
                for (int d = 1; d <= kDayCount; ++d) {
                    // Per day only the periods some group of the table uses.
                    TUsed used;
                    for (const TGryp* gr : part)
                        for (int y = 0; y < kPeriodCount; ++y)
                            if (anyShown(gr->GetNed(ne)->GetYrok(0, d, y))) used.note(d, y);
                    for (int y = used.first; used.first >= 0 && y <= used.last; ++y) {
                        TRowGridHtml* row = grid->AddRow();
                        if (y == used.first) {
                            TCellsGridHtml* day = row->AddCells();
                            day->RowSpan = static_cast<uint16_t>(used.last - used.first + 1);
                            day->AddText(shortDayName(d));
                        }
                        row->AddCells()->AddText(periodHead(year, y));
                        for (const TGryp* gr : part)
                            row->AddCells()->AddText(
                                GrypChessText(gr->GetNed(ne)->GetYrok(0, d, y)));
                    }
                }
                progress.Position(static_cast<int>(std::min(at + per, groups.size())));
            }
        });
}

bool CreateNumeratorStand(THtmlExportHub& hub, int ne1, int ne2) {
    const TAllRasp& year = hub.Year();
    const std::vector<const TGryp*> groups = allGryp(year);
    return hub.WriteDocument(
        kNumeratorStandFile, kNumeratorStandTitle, static_cast<int>(groups.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            AddHeading(body, "РАСПИСАНИЕ ЗАНЯТИЙ ЧИСЛИТЕЛЬ-ЗНАМЕНАТЕЛЬ");
            int done = 0;
            for (const TGryp* gr : groups) {
                progress.Position(++done);
                const TNed* w1 = gr->GetNed(ne1);
                const TNed* w2 = gr->GetNed(ne2);
                if (w1 == nullptr && w2 == nullptr) continue;
                AddHeading(body, "ГРУППА " + gr->Name());
                TGridHtml* grid = addGrid(body);
                grid->Headr()->AddCol("День");
                grid->Headr()->AddCol("Пара");
                grid->Headr()->AddCol(weekHeading(hub, ne1));
                grid->Headr()->AddCol(weekHeading(hub, ne2));
                auto text = [](const TNed* w, int d, int y) {
                    return w != nullptr ? GrypPeriodText(w->GetYrok(0, d, y)) : std::string();
                };
                for (int d = 1; d <= kDayCount; ++d) {
                    TUsed used;
                    for (int y = 0; y < kPeriodCount; ++y)
                        if (!text(w1, d, y).empty() || !text(w2, d, y).empty()) used.note(d, y);
                    for (int y = used.first; used.first >= 0 && y <= used.last; ++y) {
                        TRowGridHtml* row = grid->AddRow();
                        if (y == used.first) {
                            TCellsGridHtml* day = row->AddCells();
                            day->RowSpan = static_cast<uint16_t>(used.last - used.first + 1);
                            day->AddText(shortDayName(d));
                        }
                        row->AddCells()->AddText(periodHead(year, y));
                        const std::string a = text(w1, d, y);
                        const std::string b = text(w2, d, y);
                        for (const std::string* t : {&a, &b}) {
                            TStringHtml* s =
                                row->AddCells()->AddText(t->empty() ? kNoLessonGryp : *t);
                            if (a != b) s->Font().StrColor = kDifferColor;
                        }
                    }
                }
            }
        });
}

}  // namespace zavlin::exporting
