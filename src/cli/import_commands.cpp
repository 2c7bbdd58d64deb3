#include "cli/import_commands.h"

namespace zavlin::cli {

void addImportCommands(CLI::App&, int&) {}

}  // namespace zavlin::cli
