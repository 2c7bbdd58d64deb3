#include "cli/export_commands.h"

namespace zavlin::cli {

void addExportCommands(CLI::App&, int&) {}

}  // namespace zavlin::cli
