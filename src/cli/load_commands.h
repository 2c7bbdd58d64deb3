// The verbs of a group's weekly load: "load set" spreads a number of pairs of
// one subject over the study weeks of a range, as the load window does, and
// saves the year; "load show" prints the regular pairs of every subject of a
// group week by week.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addLoadCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
