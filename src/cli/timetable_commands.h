// "timetable --group NAME | --teacher NAME --week N [--layer pinned]": one
// week as a text grid, days as columns and periods as rows.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addTimetableCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
