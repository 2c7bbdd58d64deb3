#include "cli/hours_commands.h"

#include <CLI/CLI.hpp>

namespace zavlin::cli {

// Placeholder until the verb is built.
void addHoursCommands(CLI::App& /*app*/, int& /*status*/) {}

}  // namespace zavlin::cli
