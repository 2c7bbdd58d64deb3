// A run of the composition engine reduced to what identifies its result: the
// report "Logsrasp.txt", every variant file "temprasp.bin" a week's search
// left (size and digest, taken just before the search deletes it) and the
// composed timetable read back from the saved year. The recordings under
// tests/data/recorded/ were made with this; a faster engine must give the
// same bytes. scripts/record-engine.sh remakes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "demo/sample_college.h"

namespace zavlin {
class TAllRasp;
}

namespace zavlin::testsupport {

struct EngineRecording {
    bool ok = false;
    std::string message;  // why the run could not be recorded
    std::string log;      // the report as written: Windows-1251, CR LF
    // One line per variant file, in the order the searches left them:
    // "<size> <sha256>".
    std::string variants;
    // One line per lesson of the active weeks, group by group.
    std::string timetable;
    double seconds = 0;  // the composition alone, wall time
};

// Makes the sample college of size and seed in home as `zavlin-cli demo`
// does, then runs what `zavlin-cli compose --mode zero --all --yes --log`
// runs, on the run's own worker thread, and saves the year.
EngineRecording recordSampleRun(const std::filesystem::path& home, demo::SampleSize size,
                                uint64_t seed);

// The report with the time each week's search took cut from its line: the
// only bytes of a run that depend on the machine rather than the work.
std::string maskClockLines(std::string_view log);

// The first line (1-based) where two texts differ; a text that ends early
// differs by an empty line. Lines end at LF; a CR before it is dropped.
struct LineDifference {
    std::size_t line = 0;
    std::string expected;
    std::string actual;
};
std::optional<LineDifference> firstDifferentLine(std::string_view expected,
                                                 std::string_view actual);

// Every lesson of layer 0 of the weeks, a line each: group, week, day,
// period, subject, teacher, room, in the groups' and the cells' order.
std::string timetableLines(const TAllRasp& year, const std::vector<int>& weeks);

// Short lines for the bench's comparison: the masked report's size and
// digest, the variant lines, the timetable's line count and digest.
std::string recordingDigest(const EngineRecording& recording);

}  // namespace zavlin::testsupport
