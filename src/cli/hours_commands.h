// The verb that counts the hours delivered: "hours".
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addHoursCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
