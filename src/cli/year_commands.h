// The verbs of one academic year: "year show" (load it and summarise every
// group's timetable) and "year resave" (load it and write every group's
// timetable again in the current blob version). Progress texts of the load
// and save go to stdout as they come.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addYearCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
