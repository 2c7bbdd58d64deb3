// "compose-week": one week of the chosen groups composed from its current
// state; "compose": the whole run over the active weeks (from zero,
// recomposing chosen groups, or synchronising with a base week). Both save
// the year.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addComposeCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
