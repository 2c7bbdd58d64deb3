// Reads an iCalendar file back with an independent parser: Python's
// icalendar module (Debian package python3-icalendar), run as a separate
// process.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace zavlin::testsupport {

struct IcalReadEvent {
    std::string summary;
    std::string start;  // ISO form as Python prints it: 2016-09-12T09:00:00
    std::string end;
    std::string location;
    std::string description;
    std::string uid;
    std::string stamp;
};

struct IcalRead {
    std::string version;
    std::string prodid;
    std::vector<IcalReadEvent> events;
};

// A Python with the module; empty when there is none.
inline std::filesystem::path pythonWithIcalendar() {
    for (const char* candidate : {"/usr/bin/python3", "/usr/local/bin/python3"}) {
        if (!std::filesystem::exists(candidate)) continue;
        CliCall call;
        call.args = {"-c", "import icalendar"};
        const CliRun r = runProgram(candidate, call);
        if (r.status == 0) return candidate;
    }
    return {};
}

// nullopt with the reason when Python could not read the file.
inline std::optional<IcalRead> readIcal(const std::filesystem::path& python,
                                        const std::filesystem::path& file, std::string& why) {
    static const char* kScript = R"(
import sys, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
out = [str(cal.get('VERSION', '')), str(cal.get('PRODID', ''))]
for e in cal.walk('VEVENT'):
    out += ['\x1e', str(e.get('SUMMARY', '')), e['DTSTART'].dt.isoformat(),
            e['DTEND'].dt.isoformat(), str(e.get('LOCATION', '')),
            str(e.get('DESCRIPTION', '')), str(e.get('UID', '')),
            e['DTSTAMP'].dt.isoformat()]
sys.stdout.buffer.write('\x1f'.join(out).encode('utf-8'))
)";
    CliCall call;
    call.args = {"-c", kScript, file.string()};
    const CliRun r = runProgram(python, call);
    if (r.status != 0) {
        why = r.err.empty() ? r.out : r.err;
        return std::nullopt;
    }
    std::vector<std::string> fields;
    std::string field;
    for (char c : r.out) {
        if (c == '\x1f') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    IcalRead read;
    if (fields.size() < 2) {
        why = "no calendar: " + r.out;
        return std::nullopt;
    }
    read.version = fields[0];
    read.prodid = fields[1];
    for (std::size_t i = 2; i + 7 < fields.size() && fields[i] == "\x1e"; i += 8)
        read.events.push_back({fields[i + 1], fields[i + 2], fields[i + 3], fields[i + 4],
                               fields[i + 5], fields[i + 6], fields[i + 7]});
    return read;
}

}  // namespace zavlin::testsupport
