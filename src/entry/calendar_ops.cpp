#include "entry/calendar_ops.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "base/my_dialog.h"
#include "model/calendar.h"
#include "model/element.h"
#include "model/year.h"

namespace zavlin::entry {

namespace {

// The bits of Monday to Saturday in a week's Yd; bit 0 only says the week
// is there.
constexpr uint8_t kDayBits = 0x7E;

// What arRDeyNed holds for a main study day.
constexpr uint8_t kMainDay = 9;

const char* const kConfirmCaption = "Подтверждение";

std::string weekLabel(const TGryp& gr, int ne) {
    return gr.Spisok != nullptr ? gr.Spisok->AllNed.GetNumberWeek(ne) : std::to_string(ne);
}

bool storeGroup(TAllRasp& year, TGryp& gr) {
    return year.AddGryp(&gr);
}

bool validCell(const TCalendarCell& cell) {
    return cell.gryp != nullptr && cell.ne >= 1 && cell.ne <= kCalendarWeeks;
}

}  // namespace

int countStudyDaysYear(const TGryp& gr) {
    int days = 0;
    for (int ne = 1; ne <= kStudyWeeks; ++ne) days += gr.CountRunDey(ne);
    return days;
}

std::string calendarCellText(const TGryp& gr, int ne) {
    return gr.TestNed(ne) ? gr.CountRunDeyStr(ne) : std::string();
}

int makeStudyWeeks(const std::vector<TCalendarCell>& cells) {
    int changed = 0;
    for (const TCalendarCell& cell : cells) {
        if (!validCell(cell) || cell.gryp->TestNed(cell.ne)) continue;
        // A week present without any day bit is no study week: it takes the
        // main study days like a new one.
        if (cell.gryp->GetNed(cell.ne) != nullptr)
            cell.gryp->SetNedDey(cell.ne, cell.gryp->DefaultYd());
        else
            (void)cell.gryp->SetNed(cell.ne);
        ++changed;
    }
    return changed;
}

int removeStudyWeeks(const std::vector<TCalendarCell>& cells) {
    int removed = 0;
    for (const TCalendarCell& cell : cells) {
        if (!validCell(cell) || cell.gryp->GetNed(cell.ne) == nullptr) continue;
        if (cell.gryp->DelNed(cell.ne, true)) ++removed;
    }
    return removed;
}

bool toggleStudyWeek(TGryp& gr, int ne) {
    if (ne < 1 || ne > kCalendarWeeks) return false;
    if (gr.TestNed(ne)) return removeStudyWeeks({{&gr, ne}}) == 1;
    return makeStudyWeeks({{&gr, ne}}) == 1;
}

std::vector<TWeekStudyDays> initialStudyDays(const std::vector<TGryp*>& groups,
                                             const std::vector<int>& weeks) {
    std::vector<TWeekStudyDays> result;
    for (int ne : weeks) {
        TWeekStudyDays w;
        w.ne = ne;
        for (const TGryp* gr : groups)
            for (int d = 1; d <= kDayCount; ++d)
                if (gr != nullptr && gr->TestRunDey(ne, d))
                    w.study[static_cast<std::size_t>(d - 1)] = true;
        result.push_back(w);
    }
    return result;
}

bool setStudyDays(const std::vector<TGryp*>& groups, const std::vector<TWeekStudyDays>& initial,
                  const std::vector<TWeekStudyDays>& chosen, std::string& message) {
    // The week's bits after the change, for one group.
    auto newBits = [&](const TGryp& gr, std::size_t i) {
        uint8_t yd = gr.GetNedDey(chosen[i].ne);
        for (int d = 1; d <= kDayCount; ++d) {
            const auto day = static_cast<std::size_t>(d - 1);
            if (i < initial.size() && initial[i].ne == chosen[i].ne &&
                initial[i].study[day] == chosen[i].study[day])
                continue;
            const auto bit = static_cast<uint8_t>(1u << d);
            yd = chosen[i].study[day] ? static_cast<uint8_t>(yd | bit)
                                      : static_cast<uint8_t>(yd & ~bit);
        }
        return yd;
    };
    // Checked whole first: a refusal changes nothing.
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        for (const TGryp* gr : groups) {
            if (gr == nullptr || !gr->TestNed(chosen[i].ne) || (newBits(*gr, i) & kDayBits) != 0)
                continue;
            message = "Ошибка! Установите учебные дни на учебной неделе " +
                      weekLabel(*gr, chosen[i].ne) + " для группы " + gr->Name();
            return false;
        }
    }
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        for (TGryp* gr : groups) {
            if (gr == nullptr || !gr->TestNed(chosen[i].ne)) continue;
            const uint8_t yd = newBits(*gr, i);
            if (yd != gr->GetNedDey(chosen[i].ne)) gr->SetNedDey(chosen[i].ne, yd);
        }
    }
    return true;
}

std::string secondSemesterQuestion(int32_t date) {
    return "Установить дату начала 2 семестра для всех выделенных групп=" + dottedDateText(date);
}

std::string mainStudyDaysQuestion(const std::array<bool, kDayCount>& days) {
    std::string names;
    for (int d = 1; d <= kDayCount; ++d) {
        if (!days[static_cast<std::size_t>(d - 1)]) continue;
        if (!names.empty()) names += ",";
        names += weekdayName(d);
    }
    return "Установить основные учебные дни для всех выделенных групп=" + names;
}

void setSecondSemesterStart(const std::vector<TGryp*>& groups, int32_t date) {
    for (TGryp* gr : groups)
        if (gr != nullptr) gr->SetDateSemm2(date);
}

bool setMainStudyDays(TAllRasp& year, TMyDialog& dialog, const std::vector<TGryp*>& groups,
                      const std::array<bool, kDayCount>& days, int& stored, std::string& message) {
    stored = 0;
    message.clear();
    if (std::find(days.begin(), days.end(), true) == days.end()) {
        message = kNoStudyDay;
        return false;
    }
    if (!dialog.MessageDlg(mainStudyDaysQuestion(days), kConfirmCaption)) return false;
    std::string changed;  // the groups already stored, for a failure's message
    for (TGryp* gr : groups) {
        // Storing a group the year does not list would hand it the group.
        if (gr == nullptr || year.GetGrypIndex(gr) < 0) continue;
        const auto old = gr->Dan.arRDeyNed;
        for (int d = 1; d <= kDayCount; ++d)
            gr->Dan.arRDeyNed[static_cast<std::size_t>(d - 1)] =
                days[static_cast<std::size_t>(d - 1)] ? kMainDay : 0;
        if (gr->Dan.arRDeyNed == old) continue;
        if (!storeGroup(year, *gr)) {
            gr->Dan.arRDeyNed = old;
            message =
                "Ошибка записи данных группы " + gr->Name() + ". " +
                (changed.empty() ? std::string("Данные остались прежними.")
                                 : "Основные учебные дни уже изменены у групп: " + changed + ".");
            return false;
        }
        ++stored;
        if (!changed.empty()) changed += ", ";
        changed += gr->Name();
    }
    return true;
}

std::array<bool, kDayCount> mainStudyDays(const TGryp& gr) {
    std::array<bool, kDayCount> days{};
    for (int d = 1; d <= kDayCount; ++d)
        days[static_cast<std::size_t>(d - 1)] =
            gr.Dan.arRDeyNed[static_cast<std::size_t>(d - 1)] != 0;
    return days;
}

int readStudyPeriodLength(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c != ' ') digits += c;
    if (digits.empty() || digits.size() > 2) return kStudyWeeks;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return kStudyWeeks;
    const int weeks = std::stoi(digits);
    return weeks >= 1 && weeks <= kStudyWeeks ? weeks : kStudyWeeks;
}

}  // namespace zavlin::entry
