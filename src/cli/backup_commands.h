// The verbs "backup" and "restore" (what the backup window does, with
// progress lines), and the single-instance lock every writing verb takes:
// while the window program runs on a home, nothing on the command line
// writes into it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace CLI {
class App;
}

namespace zavlin::shell {
class TInstanceLock;
}

namespace zavlin::cli {

void addBackupCommands(CLI::App& app, int& status);

// The writer's lock on home for the whole verb; null, with the message on
// stderr, while the window program holds it.
std::unique_ptr<shell::TInstanceLock> holdWriter(const std::filesystem::path& home);
// The same for a table named by its path: a table of a home's "Database"
// folder is that home's; other tables belong to no home (granted, empty).
[[nodiscard]] bool holdWriterForTable(const std::string& path,
                                      std::unique_ptr<shell::TInstanceLock>& held);

}  // namespace zavlin::cli
