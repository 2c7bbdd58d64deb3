// The verb that reads a curriculum file into an academic year: "import
// curriculum FILE", with a dry run that only reports what would change.
#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addImportCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
