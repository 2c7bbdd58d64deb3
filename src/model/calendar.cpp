#include "model/calendar.h"

#include <fmt/format.h>

#include "base/datetime.h"
#include "settings/settings_file.h"

namespace zavlin {

namespace {

constexpr const char* kWeekKey = "Week";

bool numeratorWeek(int i) {
    return i == 53 || i == 55;
}

}  // namespace

int isoWeekday(int32_t date) {
    // Day 0, 1899-12-30, was a Saturday.
    return static_cast<int>(((date + 5) % 7 + 7) % 7) + 1;
}

std::string shortDateText(int32_t date) {
    const DateParts p = decodeDate(date);
    return fmt::format("{}/{:02}/{:02}", p.day, p.month, p.year % 100);
}

std::string dottedDateText(int32_t date) {
    const DateParts p = decodeDate(date);
    return fmt::format("{:02}.{:02}.{:04}", p.day, p.month, p.year);
}

const char* weekdayName(int n) {
    static constexpr const char* kNames[] = {"Понедельник", "Вторник", "Среда",      "Четверг",
                                             "Пятница",     "Суббота", "Воскресенье"};
    return n >= 1 && n <= 7 ? kNames[n - 1] : "";
}

// --- TDNed

std::string TDNed::dopText(int vVid2) const {
    if (vVid2 == 1) return numeratorWeek(N) ? "Числитель" : "Знаменатель";
    if (vVid2 == 2) return numeratorWeek(N) ? "Нечётная" : "Чётная";
    return std::to_string(N - kStudyWeeks) + "Допонительная";
}

namespace {

// The days shown: the whole week unless both Dt1 and Dt6 are set.
std::pair<int32_t, int32_t> shownDays(const TDNed& w) {
    if (w.Dt1 != 0 && w.Dt6 != 0) return {w.Dt + w.Dt1 - 1, w.Dt + w.Dt6 - 1};
    return {w.Dt, w.Dt + 6};
}

}  // namespace

std::string TDNed::GetStrDateNed() const {
    const auto [first, last] = shownDays(*this);
    const std::string label = Owner != nullptr ? Owner->GetNumberWeek(N) : std::to_string(N);
    std::string text = "N" + label + " c " + shortDateText(first) + " по " + shortDateText(last);
    if (Dop()) text += dopText(0);
    return text;
}

std::string TDNed::GetShortStrDateNed(int vVid1, int vVid2, int vVid3) const {
    if (!Dop()) {
        const auto [first, last] = shownDays(*this);
        auto date = vVid1 == 1 ? dottedDateText : shortDateText;
        return " с " + date(first) + " по " + date(last);
    }
    std::string text = dopText(vVid2);
    const bool autumn = N == 53 || N == 54;
    if (vVid3 == 1 || (vVid3 == 3 && autumn))
        text += "(осенний семестр)";
    else if (vVid3 == 2 || (vVid3 == 3 && !autumn))
        text += "(весенний семестр)";
    return text;
}

std::string TDNed::dayText(int n, int vVid1, int vVid2, bool withYear) const {
    if (Dop()) {
        const std::string head = vVid2 == 1 || vVid2 == 2
                                     ? dopText(vVid2) + " "
                                     : std::to_string(N - kStudyWeeks) + "Доп. ";
        return head + weekdayName(n);
    }
    const int32_t date = Dt + n - 1;
    if (withYear) return vVid1 == 1 ? dottedDateText(date) : shortDateText(date);
    const DateParts p = decodeDate(date);
    return vVid1 == 1 ? fmt::format("{:02}.{:02}", p.day, p.month)
                      : fmt::format("{}/{:02}", p.day, p.month);
}

std::string TDNed::GetStrDateDey(int n, int vVid1, int vVid2) const {
    return dayText(n, vVid1, vVid2, true);
}

std::string TDNed::GetStrDateShortDey(int n, int vVid1, int vVid2) const {
    return dayText(n, vVid1, vVid2, false);
}

std::string TDNed::GetLongStrDateDey(int n) const {
    if (Dop()) return std::to_string(N - kStudyWeeks) + "Доп. " + weekdayName(n);
    return shortDateText(Dt + n - 1) + " " + weekdayName(n);
}

// --- TAllNed

TAllNed::TAllNed() {
    for (int i = 1; i <= kCalendarWeeks; ++i) {
        TDNed& w = LNed[static_cast<std::size_t>(i - 1)];
        w.N = i;
        w.Owner = this;
    }
}

std::string TAllNed::SectionName(int year) {
    return "YhGod" + std::to_string(year);
}

void TAllNed::SetDataGod(int YhGod, bool vRunSubb) {
    int32_t first = 0;
    if (!tryEncodeDate(YhGod, 9, 1, first)) return;
    // Flags of another year mean nothing here.
    if (YhGod != YGod)
        for (TDNed& w : LNed) w.Activ = false;
    YGod = static_cast<uint16_t>(YhGod);
    const int wd = isoWeekday(first);
    if (wd == 7)
        first += 1;
    else if (wd == 6 && !vRunSubb)
        first += 2;
    else
        first -= wd - 1;
    Dg = first;
    for (TDNed& w : LNed) w.Dt = Dg + 7 * (w.N - 1);
    if (Ini == nullptr) return;
    const std::string flags = Ini->ReadString(SectionName(YGod), kWeekKey);
    for (std::size_t i = 0; i < flags.size() && i < LNed.size(); ++i)
        LNed[i].Activ = flags[i] == '1';
}

bool TAllNed::SaveDataGod() {
    if (Ini == nullptr || YGod == 0) return false;
    std::string flags;
    for (const TDNed& w : LNed) flags += w.Activ ? '1' : '0';
    return Ini->WriteString(SectionName(YGod), kWeekKey, flags);
}

int32_t TAllNed::Date09_01() const {
    int32_t date = 0;
    return tryEncodeDate(YGod, 9, 1, date) ? date : 0;
}

int TAllNed::CountActivDNed() const {
    return CountActivDNedNoDop() + CountActivDNedOnlyDop();
}

int TAllNed::CountActivDNedNoDop() const {
    int count = 0;
    for (const TDNed& w : LNed)
        if (w.Activ && !w.Dop()) ++count;
    return count;
}

int TAllNed::CountActivDNedOnlyDop() const {
    int count = 0;
    for (const TDNed& w : LNed)
        if (w.Activ && w.Dop()) ++count;
    return count;
}

std::string TAllNed::ActivDNedToStr() const {
    std::string text;
    for (const TDNed& w : LNed) {
        if (!w.Activ) continue;
        if (!text.empty()) text += ",";
        text += w.GetShortStrDateNed();
    }
    return text;
}

std::vector<std::pair<int, int>> TAllNed::ActivDNedToArray() const {
    std::vector<std::pair<int, int>> days;
    for (const TDNed& w : LNed)
        if (w.Activ)
            for (int d = 1; d <= 6; ++d) days.emplace_back(w.N, d);
    return days;
}

bool TAllNed::DateToNedDey(int32_t date, bool withSunday, int& Nn, int& Nd) const {
    Nn = Nd = 0;
    const int wd = isoWeekday(date);
    if (wd == 7 && !withSunday) return false;
    if (date < Dg) return false;
    const int week = (date - Dg) / 7 + 1;
    if (week > kStudyWeeks) return false;
    Nn = week;
    Nd = wd;
    return true;
}

namespace {

bool dateOfYear(int year, int dey, int mon, int32_t& date) {
    if (mon < 1 || mon > 12) return false;
    return tryEncodeDate(mon >= 9 ? year : year + 1, mon, dey, date);
}

}  // namespace

bool TAllNed::GetNedDey(int dey, int mon, int& Nn, int& Nd) const {
    int32_t date = 0;
    if (!dateOfYear(YGod, dey, mon, date)) {
        Nn = Nd = 0;
        return false;
    }
    return DateToNedDey(date, false, Nn, Nd);
}

bool TAllNed::GetNedDey7(int dey, int mon, int& Nn, int& Nd) const {
    int32_t date = 0;
    if (!dateOfYear(YGod, dey, mon, date)) {
        Nn = Nd = 0;
        return false;
    }
    return DateToNedDey(date, true, Nn, Nd);
}

std::string TAllNed::GetNumberWeek(int i) const {
    if (i > kStudyWeeks) return std::to_string(i - kStudyWeeks) + "доп.";
    if (i > FLengthSemestr) return std::to_string(i - FLengthSemestr) + "(2c)";
    if (FLengthSemestr >= kStudyWeeks) return std::to_string(i);
    return std::to_string(i) + "(1c)";
}

TListBoxN TAllNed::DateGodToListBoxN() const {
    TListBoxN lines;
    for (const TDNed& w : LNed) {
        if (w.Dop()) {
            lines.emplace_back(std::to_string(w.N - kStudyWeeks) + "Допонительная", w.N);
            continue;
        }
        // The day before the next week's Monday.
        const int32_t last = Dg + 7 * w.N - 1;
        lines.emplace_back(
            GetNumberWeek(w.N) + " c " + shortDateText(w.Dt) + " по " + shortDateText(last), w.N);
    }
    return lines;
}

std::vector<std::string> TAllNed::DateGodToMemo() const {
    std::vector<std::string> lines;
    for (auto& line : DateGodToListBoxN()) lines.push_back(std::move(line.first));
    return lines;
}

std::vector<int> TAllNed::PreselectActiv() {
    std::vector<int> weeks;
    for (const TDNed& w : LNed)
        if (w.Activ) weeks.push_back(w.N);
    if (weeks.empty()) {
        LNed[0].Activ = true;
        weeks.push_back(1);
    }
    return weeks;
}

void TAllNed::SetActivWeeks(const std::vector<int>& weeks) {
    for (TDNed& w : LNed) w.Activ = false;
    for (int i : weeks)
        if (TDNed* w = DNed(i)) w->Activ = true;
}

}  // namespace zavlin
