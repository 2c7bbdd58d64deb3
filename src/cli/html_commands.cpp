#include <CLI/CLI.hpp>

#include "cli/export_commands.h"

namespace zavlin::cli {

// Placeholder until the verb is built.
void addHtmlExportCommands(CLI::App& /*exportVerb*/, int& /*status*/) {}

}  // namespace zavlin::cli
