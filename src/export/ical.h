// A group's or a teacher's held lessons as an iCalendar file (RFC 5545), for
// calendar programs and phones.
//
//   BEGIN:VCALENDAR / VERSION:2.0 / PRODID / CALSCALE:GREGORIAN / X-WR-CALNAME
//   one VEVENT per lesson: UID (a uid stable while the timetable is), DTSTAMP (UTC),
//   DTSTART and DTEND as floating local times from the year's lesson times,
//   SUMMARY the subject (and the groups for a teacher), LOCATION the room,
//   DESCRIPTION the teacher
//   END:VCALENDAR
//
// Lines end in CR LF and are folded at 75 octets, never inside a UTF-8
// character. Substitutions apply: a cancelled lesson is left out, a replaced
// one appears as its substitution, with the substitute teacher. Weeks 53-56
// have no dates and give no events.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zavlin {
class TAllRasp;
class TFio;
class TGryp;
}  // namespace zavlin

namespace zavlin::exporting {

struct TIcalEvent {
    std::string Uid;
    int32_t Date = 0;  // days from 1899-12-30
    int Start = 0;     // minutes from midnight
    int End = 0;
    std::string Summary;
    std::string Location;
    std::string Description;
};

struct TIcalEvents {
    std::vector<TIcalEvent> Events;
    // Lessons in a period without a clock time: no start in the settings, or
    // no length (an end not after the start has no place in a calendar).
    int WithoutTime = 0;
    // Lessons in a week without dates (an additional week, or one whose
    // start date is not set).
    int WithoutDate = 0;
};

TIcalEvents GroupIcalEvents(const TAllRasp& year, const TGryp& gr, const std::vector<int>& weeks);
TIcalEvents TeacherIcalEvents(const TAllRasp& year, const TFio& fio, const std::vector<int>& weeks);

// TEXT escaping: "\" ";" "," and line breaks.
std::string IcalText(std::string_view utf8);
// The content line folded into lines of at most 75 octets, CR LF after each.
std::string FoldIcalLine(std::string_view line);

// stamp: "YYYYMMDDTHHMMSSZ".
std::string IcalDocument(const TIcalEvents& events, const std::string& calendarName,
                         const std::string& stamp);
// The current time in that form.
std::string IcalStampNow();

// Written aside and renamed over the file; false with the reason.
[[nodiscard]] bool SaveIcal(const std::filesystem::path& file, const std::string& document,
                            std::string& message);

}  // namespace zavlin::exporting
