// The verbs of one academic year: "year show" (load it and summarise every
// group's timetable), "year resave" (load it and write every group's
// timetable again in the current blob version), "year add|delete|activate"
// and "year copy FROM TO". Progress texts of the load, copy and save go to
// stdout as they come; show and resave take the active year by default.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addYearCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
