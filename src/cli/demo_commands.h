// The verb "demo": a sample college of a given size made an academic year of
// the database (created when the home folder has none), the active year from
// then on. The same size and seed give the same year.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addDemoCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
