#include "export/html_report_parts.h"

#include <algorithm>

#include "export/html_documents.h"
#include "model/calendar.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {

void AddDistinct(std::vector<std::string>& list, const std::string& text) {
    if (!text.empty() && std::find(list.begin(), list.end(), text) == list.end())
        list.push_back(text);
}

std::string JoinedList(const std::vector<std::string>& list) {
    std::string out;
    for (const std::string& s : list) out += (out.empty() ? "" : ",") + s;
    return out;
}

TFioWeekIndex::TFioWeekIndex(const TAllRasp& year, int ne) {
    if (ne < 1 || ne > kWeeks) return;
    for (std::size_t g = 0; g < year.LGryp.size(); ++g) {
        const TNed* week = year.LGryp[g]->GetNed(ne);
        if (week == nullptr) continue;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* yrok = week->GetYrok(0, d, y);
                if (yrok == nullptr) continue;
                for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
                    TYr* yr = yrok->YrDpZm(i);
                    if (!yr->Held() || yr->Fio() == nullptr) continue;
                    FCells[yr->Fio()][static_cast<std::size_t>(d)][static_cast<std::size_t>(y)]
                        .push_back({static_cast<int>(g), yr});
                }
            }
    }
}

const std::vector<TGrypYr>& TFioWeekIndex::At(const TFio* fio, int d, int y) const {
    const auto it = FCells.find(fio);
    if (it == FCells.end() || d < 1 || d > kDayCount || y < 0 || y >= kPeriodCount) return FNone;
    return it->second[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)];
}

bool TFioWeekIndex::Any(const TFio* fio, int y1, int y2) const {
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = y1; y <= y2; ++y)
            if (!At(fio, d, y).empty()) return true;
    return false;
}

const TFioWeekIndex& TFioWeekIndexes::Week(int ne) {
    std::unique_ptr<TFioWeekIndex>& index = FWeeks[ne];
    if (!index) index = std::make_unique<TFioWeekIndex>(FYear, ne);
    return *index;
}

TFioCellText::TFioCellText(const TAllRasp& year, const std::vector<TGrypYr>& lessons) {
    std::vector<std::string> groups;
    std::vector<std::string> subjects;
    std::vector<std::string> rooms;
    for (const TGrypYr& l : lessons) {
        if (l.yr == nullptr || l.yr->Predmet() == nullptr) continue;
        if (l.indxGryp >= 0 && l.indxGryp < year.CountGryp())
            AddDistinct(groups, year.LGryp[static_cast<std::size_t>(l.indxGryp)]->Name());
        AddDistinct(subjects, l.yr->NamePredmet(false));
        AddDistinct(rooms, l.yr->NameAyd());
    }
    Gryp = JoinedList(groups);
    Predmet = JoinedList(subjects);
    Ayd = JoinedList(rooms);
}

void ClampPeriods(int& y1, int& y2) {
    y1 = std::clamp(y1, 0, kPeriodCount - 1);
    y2 = std::clamp(y2, 0, kPeriodCount - 1);
    if (y1 > y2) std::swap(y1, y2);
}

void ClampWeeks(int& n1, int& n2) {
    n1 = std::clamp(n1, 1, kWeeks);
    n2 = std::clamp(n2, 1, kWeeks);
    if (n1 > n2) std::swap(n1, n2);
}

std::string DayText(const THtmlExportHub& hub, int ne, int d) {
    const std::string name = weekdayName(d);
    const TDNed* dn = hub.Year().AllNed.DNed(ne);
    if (dn == nullptr) return name;
    // An additional week has no dates; its day text names the day itself.
    return dn->Dop() ? dn->GetStrDateShortDey(d, hub.vV1, hub.vV2)
                     : name + " " + dn->GetStrDateShortDey(d, hub.vV1, hub.vV2);
}

void AddPeriodHeads(html::TGridHtml& grid, const std::vector<std::string>& heads, int y1, int y2) {
    for (const std::string& head : heads) grid.Headr()->AddCol(head);
    for (int y = y1; y <= y2; ++y) grid.Headr()->AddCol(std::to_string(y));
}

void AddDayPeriodHeads(html::TGridHtml& grid, const std::vector<std::string>& heads,
                       const std::vector<int>& days, int y1, int y2,
                       const std::function<std::string(int y)>& periodText) {
    for (const std::string& head : heads) grid.Headr()->AddCol(head)->RowSpan = 2;
    html::TRowGridHtml* periods = grid.AddRow();
    for (const int d : days) {
        html::THStringHtml* day = grid.Headr()->AddCol(weekdayName(d));
        day->ColSpan = static_cast<uint16_t>(y2 - y1 + 1);
        day->Align = html::TAlignHtml::alCenter;
        for (int y = y1; y <= y2; ++y) {
            html::TCellsGridHtml* cell = periods->AddCells();
            cell->Align = html::TAlignHtml::alCenter;
            cell->AddText(periodText(y));
        }
    }
}

std::vector<std::pair<int, int>> WeekDays(const TArrayOfPointByte& WD) {
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < WD.Count(); ++i) {
        const int ne = WD.LowByte(i);
        const int d = WD.HighByte(i);
        if (ne >= 1 && ne <= kWeeks && d >= 1 && d <= kDayCount) pairs.emplace_back(ne, d);
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    return pairs;
}

}  // namespace zavlin::exporting
