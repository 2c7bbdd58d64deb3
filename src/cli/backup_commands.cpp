#include "cli/backup_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cstdio>

#include "base/my_dialog.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "shell/backup.h"
#include "shell/instance.h"

namespace zavlin::cli {
namespace fs = std::filesystem;

namespace {

class PrintFiles : public shell::TBackupObserver {
public:
    void FilesStart(int pairs) override { total_ = pairs; }
    void FileStart(int index, const std::string& source) override {
        fmt::print("[{}/{}] {}\n", index + 1, total_, source);
        // The dialog's messages go to stderr: keep the two in order.
        std::fflush(stdout);
    }
    void BlocksStart(int) override {}
    void BlockDone() override {}
    void FileDone(int) override {}

private:
    int total_ = 0;
};

struct BackupArgs {
    std::string to;
    std::string from;
    bool yes = false;
};

int runBackup(const fs::path& home, const BackupArgs& args) {
    const auto writer = holdWriter(home);
    if (!writer) return kExitFailed;
    TConsoleDialog dialog(false);
    shell::TCopyFileBaza baza(home, dialog);
    baza.Mode = shell::TBackupMode::Copy;
    baza.PauseMs = 0;
    baza.ReadSettings();
    if (!args.to.empty()) baza.PathCopy = fs::absolute(args.to).lexically_normal().string();
    fmt::print("backup of {} into {}\n", (home / "Database").string(), baza.PathCopy);
    std::fflush(stdout);
    PrintFiles files;
    return baza.Copy(&files) ? kExitOk : kExitFailed;
}

int runRestore(const fs::path& home, const BackupArgs& args) {
    if (!args.yes) {
        printError("a restore replaces the whole database with the backup; add --yes to restore");
        return kExitUsage;
    }
    // Like the window program itself: nobody else writes while the tables
    // are replaced.
    std::optional<shell::TInstanceRecord> other;
    std::string message;
    const auto lock = shell::TInstanceLock::AcquireWindow(home, "zavlin-cli", other, message);
    if (!lock) {
        printError(message);
        return kExitFailed;
    }
    std::string settled;
    if (!shell::FinishInterruptedRestore(home, realFileSystem(), settled)) {
        printError(settled);
        return kExitFailed;
    }
    if (!settled.empty()) fmt::print("{}\n", settled);
    TConsoleDialog dialog(true);
    shell::TCopyFileBaza baza(home, dialog);
    baza.Mode = shell::TBackupMode::Restore;
    baza.PauseMs = 0;
    baza.ReadSettings();
    baza.PathCopy = fs::absolute(args.from).lexically_normal().string();
    fmt::print("restore of {} from {}\n", (home / "Database").string(), baza.PathCopy);
    std::fflush(stdout);
    PrintFiles files;
    return baza.Restore(&files) ? kExitOk : kExitFailed;
}

}  // namespace

std::unique_ptr<shell::TInstanceLock> holdWriter(const fs::path& home) {
    std::string message;
    auto held = shell::TInstanceLock::AcquireWriter(home, message);
    if (!held) printError(message);
    return held;
}

bool holdWriterForTable(const std::string& path, std::unique_ptr<shell::TInstanceLock>& held) {
    std::error_code ec;
    const fs::path folder = fs::absolute(path, ec).lexically_normal().parent_path();
    if (ec || folder.filename() != "Database") return true;
    held = holdWriter(folder.parent_path());
    return held != nullptr;
}

void addBackupCommands(CLI::App& app, int& status) {
    auto args = std::make_shared<BackupArgs>();
    CLI::App* backup =
        app.add_subcommand("backup", "copy every file of the database into the backup folder");
    backup->add_option("--home", "the program folder (Database/, Zavlin98.ini, ...)");
    backup->add_option("--to", args->to,
                       "the backup folder (default: CopyToArxiv/Path of Zavlin98.ini, else "
                       "HOME/REM)");
    backup->callback([backup, args, &status] { status = runBackup(homeFolder(*backup), *args); });

    CLI::App* restore =
        app.add_subcommand("restore", "replace the database with the one of a backup folder");
    restore->add_option("--home", "the program folder (Database/, Zavlin98.ini, ...)");
    restore->add_option("--from", args->from, "the backup folder (it holds Database/)")->required();
    restore->add_flag("--yes", args->yes, "the database is replaced: say so");
    restore->callback(
        [restore, args, &status] { status = runRestore(homeFolder(*restore), *args); });
}

}  // namespace zavlin::cli
