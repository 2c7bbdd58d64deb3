// A sample college made a year of the database, entered through the model's
// own operations as the data-entry windows enter it: reference lists, groups
// with subjects, teachers per week and load, unions, the pinned lessons,
// a past week with substitutions, credits and examinations.
//
// The counts file "sample-<size>-<seed>.txt" beside the database says what
// the year holds and what its hidden timetable measures (key=value lines).
#pragma once

#include <filesystem>
#include <string>

#include "demo/sample_plan.h"

namespace zavlin {
class TAllRasp;
class TMyDialog;
class TProgressObserver;
}  // namespace zavlin

namespace zavlin::demo {

// Fills an empty year: every entry is stored as it is added, the timetables
// by SaveRasp at the end. False, with a message, when something could not be
// stored.
[[nodiscard]] bool buildSampleYear(const SamplePlan& plan, TAllRasp& year, std::string& message);

struct SampleResult {
    bool ok = false;
    std::string message;  // what went wrong, for the command line
    SamplePlan plan;
    SampleCounts counts;
    std::filesystem::path countsFile;
};

// Creates the database in home when it has none, adds the plan's year (a
// year that exists is refused), fills it, makes it the active year with the
// numerator and denominator weeks active, and writes the counts file.
SampleResult createSampleCollege(const std::filesystem::path& home, const SampleOptions& options,
                                 TMyDialog& dialog, TProgressObserver* progress = nullptr);

std::string countsFileName(const SampleOptions& options);
std::string countsText(const SamplePlan& plan, const SampleCounts& counts);

}  // namespace zavlin::demo
