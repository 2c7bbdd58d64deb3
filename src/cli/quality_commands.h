#pragma once

namespace CLI {
class App;
}

namespace zavlin::cli {

void addQualityCommands(CLI::App& app, int& status);

}  // namespace zavlin::cli
