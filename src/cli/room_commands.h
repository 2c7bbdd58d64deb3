// The verbs of room use in one week of a year: "rooms distribute" gives the
// free rooms to the teachers holding timetable lessons on a day (or on every
// day) and saves the timetables; "rooms occupancy" shows, per building, which
// groups use each room in each period of a day. Without --year the year is
// the one "god.Ini" last had active.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addRoomCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
