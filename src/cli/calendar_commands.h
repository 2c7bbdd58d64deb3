// The verbs of the academic years and their calendar: "years" (the stored
// years, the active one marked), "weeks [--year Y]" (week labels and dates,
// active weeks marked) and "weeks activate LIST [--year Y]". Without --year
// a verb works on the year "god.Ini" names as active.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zavlin {
class TDM1;
}

namespace zavlin::cli {

void addCalendarCommands(CLI::App& app, int& status);

// False (with the message printed) when the home folder has no database.
bool requireYearDatabase(const std::filesystem::path& home);
// The year asked for (asked > 0), else "God"/"ActivGod"; 0 with a message
// printed when there is none or it lies outside the years the program takes.
int chosenYear(TDM1& dm, int asked);
// False (with the message printed) when the year is not in the list of years.
bool yearListed(TDM1& dm, int god);
// "1,2,5-8" -> 1 2 5 6 7 8, each within 1..56; throws UsageError.
std::vector<int> parseWeekList(const std::string& text);

}  // namespace zavlin::cli
