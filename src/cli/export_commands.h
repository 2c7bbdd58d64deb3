// The verbs that write the timetable for other software: "export xml" (the
// active weeks in one XML file) and "export web" (one week's web file).
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addExportCommands(CLI::App& app, int& status);

// The documents' verbs under "export": each family adds its own.
void addHtmlExportCommands(CLI::App& exportVerb, int& status);  // export html
void addRtfExportCommands(CLI::App& exportVerb, int& status);   // export rtf
void addIcalExportCommands(CLI::App& exportVerb, int& status);  // export ical

}  // namespace zavlin::cli
