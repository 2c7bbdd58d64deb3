#include "cli/db_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/my_dialog.h"
#include "cli/backup_commands.h"
#include "cli/calendar_commands.h"
#include "cli/table_access.h"
#include "model/god.h"
#include "shell/instance.h"
#include "storage/legacy_converter_api.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

struct PrintProgress : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { fmt::print("{}\n", text); }
};

void addHomeOption(CLI::App& verb) {
    verb.add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
}

// The verbs below need the tables; init is the one that makes them.
bool requireDatabase(const fs::path& home) {
    std::error_code ec;
    if (fs::is_directory(home / "Database", ec)) return true;
    printError(fmt::format("no database in {} (zavlin-cli init creates one)", home.string()));
    return false;
}

int initDatabase(const fs::path& home) {
    const auto writer = holdWriter(home);
    if (!writer) return kExitFailed;
    std::string message;
    switch (CreateDatabase(home, message)) {
        case TCreateDatabaseResult::Created:
        case TCreateDatabaseResult::Exists:
            fmt::print("{}\n", message);
            return kExitOk;
        case TCreateDatabaseResult::Failed:
            break;
    }
    printError(message);
    return kExitFailed;
}

int reindexDatabase(const fs::path& home) {
    if (!requireDatabase(home)) return kExitFailed;
    TConsoleDialog dialog;
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Exclusive);
    if (!held) return kExitFailed;
    PrintProgress progress;
    dm.Hooks.ProgressObserver = &progress;
    return dm.ReindexFiles() ? kExitOk : kExitFailed;
}

// What the dispatcher can do about a finding of the check, when it matters.
const char* checkFindingRemedy(uint16_t code) {
    switch (code) {
        case 103:
        case 104:
        case 105:
            return "table reindex repairs this without losing a record";
        case 102:
        case 208:
            return "reported only: re-index and pack do not settle this by dropping data";
        default:
            return nullptr;
    }
}

// Reports why a repair refused or failed; a refusal leaves the files as they were.
void attachRepairErrors(TTableBlob& t, const std::string& path, bool& refused) {
    t.ErrorOpen = [&path, &refused](TTableBlob&, uint16_t code, const std::string& text) {
        refused = true;
        fmt::print(stderr, "{}: error {}: {}\n", path, code, text);
    };
}

// Opens and checks one table on t; every finding goes to stderr.
bool checkTable(TTableBlob& t, const std::string& label) {
    bool consistent = true;
    t.ErrorOpen = [&](TTableBlob&, uint16_t code, const std::string& text) {
        fmt::print(stderr, "{}: error {}: {}\n", label, code, text);
    };
    t.ErrorTest = [&](TTableBlob&, uint16_t code, const std::string& text) {
        consistent = false;
        fmt::print(stderr, "{}: error {}: {}\n", label, code, text);
        if (const char* what = checkFindingRemedy(code))
            fmt::print(stderr, "{}: {}\n", label, what);
    };
    if (!t.Open()) return false;
    consistent = t.TestTable() && consistent;
    t.Close();
    t.ErrorOpen = nullptr;
    t.ErrorTest = nullptr;
    if (consistent) fmt::print("{}: consistent\n", label);
    return consistent;
}

int checkDatabase(const fs::path& home) {
    if (!requireDatabase(home)) return kExitFailed;
    TConsoleDialog dialog;
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    bool ok = true;
    for (const std::string& name : dm.DB.ListReIndex) {
        std::error_code ec;
        if (!fs::exists(dm.TablePath(name), ec)) {
            fmt::print(stderr, "{}: missing\n", name);
            ok = false;
            continue;
        }
        // AT1 reports each wrong key through its own handler.
        dm.AT1.SetTableName(name);
        ok = checkTable(dm.AT1, name) && ok;
    }
    return ok ? kExitOk : kExitFailed;
}

int upgradeDatabase(const fs::path& home, bool yes) {
    if (!requireDatabase(home)) return kExitFailed;
    // --yes is the answer to loading the converter library.
    TConsoleDialog dialog(yes);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Exclusive);
    if (!held) return kExitFailed;
    PrintProgress progress;
    dm.Hooks.ProgressObserver = &progress;
    const int before = dm.StoredVersion();
    if (before < 2) {
        const std::string library = dm.DB.PathR + kLegacyConverterFile;
        fmt::print("the legacy tables are converted by the library {}\n", library);
        if (!yes) {
            printError(fmt::format("{} was not loaded: add --yes to load it", library));
            return kExitFailed;
        }
    }
    const TUpgradeResult result = dm.UpgradeDatabase();
    if (result != TUpgradeResult::Ok) {
        printError(upgradeFailureText(result, before));
        return kExitFailed;
    }
    if (before == TDB::VersDataBase) {
        fmt::print("the database is at structure version {}\n", before);
    } else {
        fmt::print("the database went from structure version {} to {}\n", before,
                   TDB::VersDataBase);
    }
    return kExitOk;
}

int checkOneTable(const std::string& path) {
    ConsoleHooks console;
    TTableBlob t(console.hooks());
    attachTable(t, path);
    t.SetReadOnly(true);
    t.onTestKeys = [&](TTableBlob&, uint32_t key, TTestKeys&) {
        fmt::print(stderr, "{}: wrong key N={}\n", path, key);
    };
    return checkTable(t, path) ? kExitOk : kExitFailed;
}

int reindexOneTable(const std::string& path) {
    std::unique_ptr<shell::TInstanceLock> writer;
    if (!holdWriterForTable(path, writer)) return kExitFailed;
    ConsoleHooks console;
    TTableBlob t(console.hooks());
    attachTable(t, path);
    // The repair before the open and the open itself happen under one lock.
    const auto held = t.LockTable(LockKind::Exclusive);
    if (!held) return kExitFailed;
    bool refused = false;
    attachRepairErrors(t, path, refused);
    if (!t.ReIndexTable()) {
        printError(refused ? fmt::format("{}: re-index refused, the table was left as it is", path)
                           : fmt::format("{}: the index could not be rebuilt", path));
        return kExitFailed;
    }
    t.ErrorOpen = nullptr;
    uint32_t records = 0;
    if (t.Open()) records = t.RecordCount();
    t.Close();
    fmt::print("{}: index rebuilt, {} records\n", path, records);
    return kExitOk;
}

int packOneTable(const std::string& path) {
    std::unique_ptr<shell::TInstanceLock> writer;
    if (!holdWriterForTable(path, writer)) return kExitFailed;
    ConsoleHooks console;
    TTableBlob t(console.hooks());
    attachTable(t, path);
    const auto held = t.LockTable(LockKind::Exclusive);
    if (!held) return kExitFailed;
    bool refused = false;
    attachRepairErrors(t, path, refused);
    if (!t.PackTable()) {
        printError(refused ? fmt::format("{}: pack refused, the table was left as it is", path)
                           : fmt::format("{}: the table could not be packed", path));
        return kExitFailed;
    }
    fmt::print("{}: packed\n", path);
    return kExitOk;
}

}  // namespace

HeldDatabase::~HeldDatabase() = default;

std::unique_ptr<HeldDatabase> holdDatabase(TDM1& dm, LockKind kind) {
    auto held = std::make_unique<HeldDatabase>();
    if (kind == LockKind::Exclusive) {
        held->writer = holdWriter(dm.DB.PathR);
        if (!held->writer) return nullptr;
    }
    held->lock = std::make_unique<TDatabaseLock>(dm, kind);
    if (held->lock->Held()) return held;
    printError(held->lock->Message());
    return nullptr;
}

fs::path homeFolder(const CLI::App& verb) {
    for (const CLI::App* a = &verb; a != nullptr; a = a->get_parent()) {
        const CLI::Option* home = a->get_option_no_throw("--home");
        if (home != nullptr && home->count() > 0) return fs::path(home->as<std::string>());
    }
    if (const char* env = std::getenv("ZAVLIN_HOME"); env != nullptr && *env != '\0')
        return fs::path(env);
    const char* user = std::getenv("HOME");
    return fs::path(user != nullptr ? user : ".") / ".local" / "share" / "zavlin98";
}

void addDbCommands(CLI::App& app, int& status) {
    CLI::App* init = app.add_subcommand("init", "create an empty database in the home folder");
    addHomeOption(*init);
    init->callback([init, &status] { status = initDatabase(homeFolder(*init)); });

    CLI::App* db = app.add_subcommand("db", "maintenance of the year database");
    addHomeOption(*db);
    db->require_subcommand(1);

    CLI::App* reindex =
        db->add_subcommand("reindex", "rebuild the index of every table and pack it");
    reindex->callback([reindex, &status] { status = reindexDatabase(homeFolder(*reindex)); });

    CLI::App* check = db->add_subcommand("check", "check every table for consistency");
    check->callback([check, &status] { status = checkDatabase(homeFolder(*check)); });

    CLI::App* upgrade =
        db->add_subcommand("upgrade", "bring the database to the current structure version");
    auto yes = std::make_shared<bool>(false);
    upgrade->add_flag("--yes", *yes,
                      "load the legacy converter library of the home folder when it is needed");
    upgrade->callback(
        [upgrade, yes, &status] { status = upgradeDatabase(homeFolder(*upgrade), *yes); });

    for (CLI::App* verb : {reindex, check, upgrade}) addHomeOption(*verb);
}

void addTableMaintenanceCommands(CLI::App& tableCmd, int& status) {
    // The commands keep their own copy of PATH until they run.
    auto path = std::make_shared<std::string>();

    CLI::App* check = tableCmd.add_subcommand(
        "check", "check a table for consistency; exit 1 with each finding when it is not");
    check->add_option("PATH", *path, "the table")->required();
    check->callback([path, &status] { status = checkOneTable(*path); });

    CLI::App* reindex = tableCmd.add_subcommand("reindex", "rebuild a table's index (.bi)");
    reindex->add_option("PATH", *path, "the table")->required();
    reindex->callback([path, &status] { status = reindexOneTable(*path); });

    CLI::App* pack = tableCmd.add_subcommand(
        "pack", "pack a table: drop deleted records and free blob pages, rebuild the index");
    pack->add_option("PATH", *path, "the table")->required();
    pack->callback([path, &status] { status = packOneTable(*path); });

    for (CLI::App* verb : {check, reindex, pack}) addHomeOption(*verb);
}

std::unique_ptr<TGod> loadGodForVerb(const std::filesystem::path& home, TDM1& dm, int asked,
                                     int& status) {
    status = kExitFailed;
    if (!requireYearDatabase(home)) return nullptr;
    const int y = chosenYear(dm, asked);
    if (y == 0) {
        status = kExitUsage;
        return nullptr;
    }
    TAllGod years(dm);
    if (!years.ReadListGod()) {
        printError("the list of years could not be read");
        return nullptr;
    }
    const int indx = years.GetIndexGod(y);
    if (indx < 0) {
        printError(fmt::format("there is no academic year {} (zavlin-cli years lists them)", y));
        status = kExitUsage;
        return nullptr;
    }
    std::unique_ptr<TGod> god = years.CreateGod(indx);
    if (const int failed = loadYearForVerb(home, dm, *god, y); failed >= 0) {
        status = failed;
        return nullptr;
    }
    return god;
}

}  // namespace zavlin::cli
