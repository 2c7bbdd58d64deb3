#include "cli/import_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/backup_commands.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "export/curriculum_import.h"
#include "export/curriculum_writer.h"
#include "model/god.h"
#include "shell/backup.h"
#include "shell/instance.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;
using namespace zavlin::exporting;

struct ImportArgs {
    std::string file;
    std::optional<int> year;
    bool dryRun = false;
    bool yes = false;
    bool backup = false;
};

// The import's questions answered from the command line: the backup is
// offered only when --backup gave its hook, the replacement only after
// --yes was checked.
class ImportDialog : public TMyDialog {
public:
    bool MessageDlg(const std::string&, const std::string&) override { return true; }
    void MessageShow(const std::string& Msg) override { fmt::print(stderr, "{}\n", Msg); }
};

int importCurriculum(const fs::path& home, const ImportArgs& args) {
    if (!requireYearDatabase(home)) return kExitFailed;
    TCurriculumPlan plan;
    std::string message;
    if (!LoadCurriculumPlan(args.file, plan, message)) {
        printError(fmt::format("{}: {}", args.file, message));
        return kExitFailed;
    }
    if (plan.version == 0) {
        printError(kOldVersionMessage);
        return kExitFailed;
    }
    if (args.year) plan.year = *args.year;
    const auto writer = args.dryRun ? nullptr : holdWriter(home);
    if (!args.dryRun && !writer) return kExitFailed;

    ImportDialog dialog;
    TDM1 dm(home, dialog);
    TAllGod years(dm);
    {
        const TDatabaseLock guard(dm, LockKind::Shared);
        if (!guard.Held()) {
            printError(guard.Message());
            return kExitFailed;
        }
        if (!years.ReadListGod()) {
            printError("the list of years could not be read");
            return kExitFailed;
        }
    }
    const std::string yearText = ImportYearText(plan.year);
    if (args.dryRun) {
        TImportReport report;
        if (!DryRunCurriculum(years, plan, report, message)) {
            printError(message);
            return kExitFailed;
        }
        fmt::print("{}{}\n{}", yearText, years.TestNewGod(plan.year) ? " (новый учебный год)" : "",
                   report.Text());
        return kExitOk;
    }
    if (!years.TestNewGod(plan.year) && !args.yes) {
        printError(fmt::format(
            "the academic year {} exists: the import deletes it with all its data and builds it "
            "from the file; add --yes to replace it (--dry-run shows what would change)",
            yearText));
        return kExitUsage;
    }
    TImportHooks hooks;
    if (args.backup)
        hooks.backup = [&home, &dialog] {
            shell::TCopyFileBaza baza(home, dialog);
            baza.Mode = shell::TBackupMode::Automatic;
            baza.PauseMs = 0;
            baza.ReadSettings();
            fmt::print("backup into {}\n", baza.PathCopy);
            std::fflush(stdout);
            return baza.Copy(nullptr);
        };
    // One line per group; the subjects would drown them.
    hooks.status = [](const std::string& text) {
        if (text.find(" Предмет: ") == std::string::npos) fmt::print("{}\n", text);
    };
    const TImportResult result = ImportCurriculum(years, plan, dialog, hooks, message);
    if (result != TImportResult::Done) {
        printError(message.empty() ? "the import was not made" : message);
        return kExitFailed;
    }
    const TGod* god = years.God();
    fmt::print("{}: {} groups, {} teachers, {} subject names, {} rooms\n", yearText,
               god->CountGryp(), god->CountFio(), god->CountYrName(), god->CountAyd());
    return kExitOk;
}

int exportCurriculum(const fs::path& home, const fs::path& to, int god) {
    if (!requireYearDatabase(home)) return kExitFailed;
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    // The study calendar is written from the year's weeks: a TGod has them.
    int status = kExitFailed;
    const auto year = loadGodForVerb(home, dm, god, status);
    if (!year) return status;
    std::string message;
    if (!SaveCurriculum(*year, to, message)) {
        printError(fmt::format("{}: {}", to.string(), message));
        return kExitFailed;
    }
    fmt::print("{}: the study plan of {} ({} groups)\n", to.string(), ImportYearText(year->YGod),
               year->CountGryp());
    return kExitOk;
}

}  // namespace

void addImportCommands(CLI::App& app, int& status) {
    auto args = std::make_shared<ImportArgs>();
    CLI::App* import = app.add_subcommand("import", "read data of other software into a year");
    import->add_option("--home", "the program folder");
    import->require_subcommand(1);
    CLI::App* curriculum = import->add_subcommand(
        "curriculum", "build an academic year from a study plan file (*.xml), replacing it");
    curriculum->add_option("FILE", args->file, "the study plan")->required();
    curriculum
        ->add_option("--year", args->year,
                     "the first calendar year to import into (default: the file's)")
        ->check(CLI::Range(1900, 2100));
    curriculum->add_flag("--dry-run", args->dryRun,
                         "only list what would be added, changed and removed");
    curriculum->add_flag("--yes", args->yes, "replace an existing year");
    curriculum->add_flag("--backup", args->backup, "make the automatic backup first");
    curriculum->add_option("--home", "the program folder");
    curriculum->callback(
        [curriculum, args, &status] { status = importCurriculum(homeFolder(*curriculum), *args); });

    auto to = std::make_shared<std::string>();
    auto god = std::make_shared<int>(0);
    CLI::App* plan = app.add_subcommand("curriculum", "the study plan of a year");
    plan->add_option("--home", "the program folder");
    plan->require_subcommand(1);
    CLI::App* exp = plan->add_subcommand("export", "write the study plan of a year as a file");
    exp->add_option("--to", *to, "the file to write")->required();
    exp->add_option("--year", *god, "the first calendar year (default: the active year)");
    exp->add_option("--home", "the program folder");
    exp->callback(
        [exp, to, god, &status] { status = exportCurriculum(homeFolder(*exp), *to, *god); });
}

}  // namespace zavlin::cli
