// The verbs of the year database: "init", "db reindex|check|upgrade", and the
// maintenance verbs of one table, "table check|reindex|pack". Results go to
// stdout, messages and errors to stderr; the exit status is written to the
// status given when the verb runs (0 done, 1 failed or inconsistent).
#pragma once

#include <filesystem>
#include <memory>

#include "storage/file_system.h"

namespace CLI {
class App;
}

namespace zavlin {
class TGod;
class TDM1;
class TAllRasp;
class TDatabaseLock;
}  // namespace zavlin
namespace zavlin::shell {
class TInstanceLock;
}

namespace zavlin::cli {

// Adds "init" and "db" to the program's command line.
void addDbCommands(CLI::App& app, int& status);
// Adds "check", "reindex" and "pack" to the existing "table" command.
void addTableMaintenanceCommands(CLI::App& tableCmd, int& status);

// The home folder of a verb: its --home or that of a command above it, else
// $ZAVLIN_HOME, else ~/.local/share/zavlin98.
std::filesystem::path homeFolder(const CLI::App& verb);

// The locks a verb holds on its database for its whole run.
struct HeldDatabase {
    std::unique_ptr<shell::TInstanceLock> writer;  // only for a verb that writes
    std::unique_ptr<TDatabaseLock> lock;
    ~HeldDatabase();
};

// Holds the database lock for the whole verb: exclusive for a verb that
// changes the year, shared (tables opened read-only) for one that reads it.
// A verb that writes also keeps out of the window program's home (the
// single-instance lock, shared). Null, with the holder named on stderr, when
// another program holds it.
std::unique_ptr<HeldDatabase> holdDatabase(TDM1& dm, LockKind kind);

// Loads year god (0: the active year of god.Ini) of the database in home,
// with the college's lesson times. The exit status when that failed, with
// the message printed; -1 when the year is loaded.
int loadYearForVerb(const std::filesystem::path& home, TDM1& dm, TAllRasp& year, int god);

// Year asked (0: the active one) as a TGod, whose calendar knows the active
// weeks, loaded as loadYearForVerb does; null with status set when it could
// not be.
std::unique_ptr<TGod> loadGodForVerb(const std::filesystem::path& home, TDM1& dm, int asked,
                                     int& status);

// One line on stderr for each group whose stored timetable could not be read
// and is left out of the work (loadYearForVerb prints them itself).
void printUnreadableGroups(const TAllRasp& year);

}  // namespace zavlin::cli
