// The verbs that write the timetable for other software: "export xml" (the
// active weeks in one XML file) and "export web" (one week's web file).
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addExportCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
