#include "export/ical.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "base/datetime.h"
#include "base/file_system.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin::exporting {

namespace {

constexpr std::size_t kLineOctets = 75;

std::string teacherText(const TYr& yr) {
    std::string text = yr.NameFio(true, false);
    if (text.empty()) text = yr.NameFio(false, false);
    if (yr.SetZamenaYes() && !yr.LZm.empty()) text += " (замена)";
    return text;
}

constexpr int kMinutesPerDay = 24 * 60;

// Where the lesson's day and period are in the calendar; false, counted in
// out, for a week without dates or a period without a start or a length.
bool timeOf(const TAllRasp& year, int ne, int d, int y, TIcalEvent& ev, TIcalEvents& out) {
    const TDNed* week = year.AllNed.DNed(ne);
    if (week == nullptr || week->Dop() || week->Dt == 0) {
        ++out.WithoutDate;
        return false;
    }
    const TTaimYrok& t = year.TaimYrok[static_cast<std::size_t>(y)];
    // A calendar refuses an event that ends before it starts, and a time past
    // midnight is no time of the lesson's day.
    if (t.Tn() == 0 || t.Tk() <= t.Tn() || t.Tk() >= kMinutesPerDay) {
        ++out.WithoutTime;
        return false;
    }
    ev.Date = week->Dt + d - 1;
    ev.Start = t.Tn();
    ev.End = t.Tk();
    return true;
}

std::vector<int> datedWeeks(std::vector<int> weeks) {
    std::sort(weeks.begin(), weeks.end());
    weeks.erase(std::unique(weeks.begin(), weeks.end()), weeks.end());
    std::erase_if(weeks, [](int ne) { return ne < 1 || ne > kStudyWeeks; });
    return weeks;
}

std::string dateTimeText(int32_t date, int minutes) {
    const DateParts p = decodeDate(date);
    return fmt::format("{:04}{:02}{:02}T{:02}{:02}00", p.year, p.month, p.day, minutes / 60,
                       minutes % 60);
}

}  // namespace

TIcalEvents GroupIcalEvents(const TAllRasp& year, const TGryp& gr, const std::vector<int>& weeks) {
    TIcalEvents out;
    for (int ne : datedWeeks(weeks)) {
        const TNed* week = gr.GetNed(ne);
        if (week == nullptr) continue;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* yrok = week->GetYrok(0, d, y);
                if (yrok == nullptr) continue;
                int k = 0;
                for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
                    const TYr* yr = yrok->YrDpZm(i);
                    if (yr == nullptr || !yr->Delivered()) continue;
                    TIcalEvent ev;
                    if (!timeOf(year, ne, d, y, ev, out)) continue;
                    ev.Uid = fmt::format("{}-g{}-w{}-d{}-p{}-{}@zavlin98", year.YGod, gr.Dan.N, ne,
                                         d, y, k++);
                    ev.Summary = yr->NamePredmet(true);
                    ev.Location = yr->NameAyd();
                    ev.Description = teacherText(*yr);
                    out.Events.push_back(std::move(ev));
                }
            }
    }
    return out;
}

TIcalEvents TeacherIcalEvents(const TAllRasp& year, const TFio& fio,
                              const std::vector<int>& weeks) {
    TIcalEvents out;
    for (int ne : datedWeeks(weeks))
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                std::vector<TGrypYr> lessons;
                year.GetNFioOfGryp(0, fio.N, ne, d, y, lessons);
                // A subject taught to several groups at once is one event.
                struct Joint {
                    std::string subject;
                    std::vector<std::string> groups;
                    std::vector<std::string> rooms;
                    bool zamena = false;
                };
                std::vector<Joint> joints;
                for (const TGrypYr& l : lessons) {
                    if (l.yr == nullptr || !l.yr->Delivered()) continue;
                    const std::string subject = l.yr->NamePredmet(true);
                    auto it = std::find_if(joints.begin(), joints.end(),
                                           [&](const Joint& j) { return j.subject == subject; });
                    if (it == joints.end())
                        it = joints.insert(joints.end(), Joint{subject, {}, {}, false});
                    const TGryp* gr = l.indxGryp >= 0 && l.indxGryp < year.CountGryp()
                                          ? year.LGryp[static_cast<std::size_t>(l.indxGryp)].get()
                                          : nullptr;
                    if (gr != nullptr && std::find(it->groups.begin(), it->groups.end(),
                                                   gr->Name()) == it->groups.end())
                        it->groups.push_back(gr->Name());
                    const std::string room = l.yr->NameAyd();
                    if (!room.empty() &&
                        std::find(it->rooms.begin(), it->rooms.end(), room) == it->rooms.end())
                        it->rooms.push_back(room);
                    it->zamena = it->zamena || (l.yr->SetZamenaYes() && !l.yr->LZm.empty());
                }
                int k = 0;
                for (const Joint& j : joints) {
                    TIcalEvent ev;
                    if (!timeOf(year, ne, d, y, ev, out)) continue;
                    ev.Uid = fmt::format("{}-t{}-w{}-d{}-p{}-{}@zavlin98", year.YGod, fio.N, ne, d,
                                         y, k++);
                    ev.Summary = j.subject;
                    if (!j.groups.empty())
                        ev.Summary += " (" + fmt::format("{}", fmt::join(j.groups, ", ")) + ")";
                    ev.Location = fmt::format("{}", fmt::join(j.rooms, ", "));
                    ev.Description = fio.TitleName() + (j.zamena ? " (замена)" : "");
                    out.Events.push_back(std::move(ev));
                }
            }
    return out;
}

std::string IcalText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ';':
                out += "\\;";
                break;
            case ',':
                out += "\\,";
                break;
            case '\r':
                if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
                out += "\\n";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                // Other control characters are not allowed in TEXT.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                    out += ' ';
                else
                    out += c;
        }
    }
    return out;
}

std::string FoldIcalLine(std::string_view line) {
    std::string out;
    std::size_t limit = kLineOctets;  // the first line; then 74 after the blank
    while (line.size() > limit) {
        std::size_t cut = limit;
        // Back to the start of a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        if (cut == 0) cut = limit;  // no character starts there: cut bytes
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kLineOctets - 1;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::string IcalDocument(const TIcalEvents& events, const std::string& calendarName,
                         const std::string& stamp) {
    std::string out;
    const auto line = [&out](std::string_view name, std::string_view value) {
        out += FoldIcalLine(std::string(name) + ":" + std::string(value));
    };
    line("BEGIN", "VCALENDAR");
    line("VERSION", "2.0");
    line("PRODID", "-//Zavlin 98//Timetable//RU");
    line("CALSCALE", "GREGORIAN");
    line("X-WR-CALNAME", IcalText(calendarName));
    for (const TIcalEvent& ev : events.Events) {
        line("BEGIN", "VEVENT");
        line("UID", ev.Uid);
        line("DTSTAMP", stamp);
        line("DTSTART", dateTimeText(ev.Date, ev.Start));
        line("DTEND", dateTimeText(ev.Date, ev.End));
        line("SUMMARY", IcalText(ev.Summary));
        if (!ev.Location.empty()) line("LOCATION", IcalText(ev.Location));
        if (!ev.Description.empty()) line("DESCRIPTION", IcalText(ev.Description));
        line("END", "VEVENT");
    }
    line("END", "VCALENDAR");
    return out;
}

std::string IcalStampNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    return fmt::format("{:04}{:02}{:02}T{:02}{:02}{:02}Z", utc.tm_year + 1900, utc.tm_mon + 1,
                       utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

bool SaveIcal(const std::filesystem::path& file, const std::string& document,
              std::string& message) {
    if (replaceFileWhole(realFileSystem(), file, reinterpret_cast<const uint8_t*>(document.data()),
                         document.size(), true))
        return true;
    message = fmt::format("the file {} could not be written", file.string());
    return false;
}

}  // namespace zavlin::exporting
