// zavlin-cli: the headless face of the program. Each command is a verb; human
// text goes to stdout, errors to stderr with a non-zero exit status.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/backup_commands.h"
#include "cli/calendar_commands.h"
#include "cli/compose_commands.h"
#include "cli/db_commands.h"
#include "cli/demo_commands.h"
#include "cli/load_commands.h"
#include "cli/export_commands.h"
#include "cli/hours_commands.h"
#include "cli/import_commands.h"
#include "cli/quality_commands.h"
#include "cli/room_commands.h"
#include "cli/table_access.h"
#include "cli/table_commands.h"
#include "cli/table_dump.h"
#include "cli/timetable_commands.h"
#include "cli/year_commands.h"
#include "shell/instance.h"

#ifndef ZAVLIN_VERSION
#define ZAVLIN_VERSION "0"
#endif

namespace zavlin::cli {
namespace {

struct VerbHelp {
    const char* usage;
    const char* what;
};

constexpr VerbHelp kVerbs[] = {
    {"help", "list the verbs"},
    {"table dump PATH [--json] [--blobs] | --decode [--key N]",
     "show a table: header, fields, index and every slot, live or deleted; --decode spells out "
     "the timetables of a group table"},
    {"table create PATH NAME:TYPE[:LENGTH]... [--force]",
     "create a table; the first field is the key (ftAutoInc or ftNewKeys)"},
    {"table append PATH [NAME=VALUE...]",
     "append a record and print its key; VALUE @FILE loads a blob field"},
    {"table set PATH KEY NAME=VALUE...", "change fields of the record with this key"},
    {"table delete PATH KEY", "delete the record with this key"},
    {"table undelete PATH SLOT", "bring back the last deleted record by its slot"},
    {"table check|reindex|pack PATH",
     "check a table (exit 1 when inconsistent), rebuild its index, pack it"},
    {"init [--home DIR]", "create an empty database in the home folder"},
    {"db reindex|check|upgrade [--yes] [--home DIR]",
     "re-index and pack, check, or upgrade the year database (--yes: the legacy converter "
     "library of the home folder may be loaded)"},
    {"demo [--size S|M|L|XL] [--seed N] [--year Y] [--home DIR]",
     "make a sample college (12, 40, 120 or 400 groups) a new academic year, the active one"},
    {"rooms distribute --week N [--day D] [--seats] [--year Y] [--home DIR]",
     "give the free rooms to the teachers of a day (every day without --day) and save"},
    {"rooms occupancy --week N --day D [--year Y] [--home DIR]",
     "per building, the groups using each room in each period of a day"},
    {"timetable --group NAME|--teacher NAME --week N [--layer pinned] [--year Y]",
     "one week of a group's or a teacher's timetable as a text grid"},
    {"year show [YEAR] [--home DIR]",
     "load an academic year (2016 = 2016/17; the active one by default) and summarise every "
     "group's timetable"},
    {"year resave [YEAR] [--home DIR]",
     "load a year and write every group's timetable again in the current form"},
    {"years [--home DIR]", "list the academic years, the active one marked with *"},
    {"year add YEAR [--empty] [--home DIR]",
     "add a year, copy the reference lists of the nearest earlier year, make it active"},
    {"year delete YEAR [--home DIR]", "delete a year with all its data, then re-index the tables"},
    {"year copy FROM TO [--force] [--home DIR]",
     "copy faculties, subjects, teachers, groups, buildings and rooms of FROM into TO"},
    {"year activate YEAR [--home DIR]", "make a year the active one"},
    {"weeks [--year YEAR] [--home DIR]",
     "the weeks of the active year: labels and dates, active weeks marked with *"},
    {"weeks activate 1,2,5-8 [--year YEAR] [--home DIR]", "make exactly the listed weeks active"},
    {"quality --week N [--measure 1-10] [--layer pinned] [--year Y] [--home DIR]",
     "the ten quality counts of a week, or one measure with its detail lines"},
    {"compose-week --week N [--groups A,B] [--log] [--time-limit S] [--year Y] [--home DIR]",
     "compose one week of the selected groups from their current state and save the year"},
    {"compose [--mode zero|recompose|sync] [--base-week N] [--complete] --groups A,B|--all "
     "--yes [--log] [--verbose] [--time-limit S] [--year Y] [--home DIR]",
     "compose the active weeks: pinned lessons tested and carried over, the hardest week "
     "composed, the others copied from it and completed, the result tested; save the year"},
    {"load set --group G --subject S --weeks A-B --pairs P [--year Y] [--home DIR]",
     "spread P pairs of a subject over the group's study weeks of A-B and save the year"},
    {"load show --group G [--json] [--year Y] [--home DIR]",
     "a group's regular pairs per subject and week 1-56, with the totals"},
    {"export xml --to FILE [--author \"Фамилия И.О.\"] [--encoding windows-1251|utf-8] [--year Y] "
     "[--home DIR]",
     "write every active week with all groups, examinations, unions and name lists as XML"},
    {"export web --week N --to DIR [--denominator] [--with-substitutions] [--with-additional] "
     "[--year Y] [--home DIR]",
     "write one week in the web form as DIR/rs<year><week>.xml"},
    {"export html --groups|--teachers|--exams|--web --to DIR [--weeks A-B|N,M] [--group G ...] "
     "[--teacher T ...] [--year Y] [--home DIR]",
     "write the timetables of groups or teachers, their examinations, or the linked web pages "
     "of both (allgryp.htm, allfio.htm) as HTML into DIR; default weeks: the active ones"},
    {"export rtf --load teachers|groups [--teacher T ...] [--group G ...] [--weeks A-B] --to FILE "
     "[--year Y] [--home DIR]",
     "write the teachers' planned weekly load (the active weeks by default) or groups' summary "
     "tables (weeks 1-52) as an RTF document"},
    {"export ical --group G|--teacher T --to FILE [--weeks A-B] [--year Y] [--home DIR]",
     "write the held lessons of the active (or given) weeks as an iCalendar file"},
    {"backup [--to DIR] [--home DIR]",
     "copy every file of the database into the backup folder (default HOME/REM) and log it"},
    {"import curriculum FILE [--year Y] [--dry-run] [--yes] [--backup] [--home DIR]",
     "build an academic year from a study plan file, replacing the year (--yes when it exists); "
     "--dry-run lists what would be added, changed and removed and writes nothing"},
    {"curriculum export --to FILE [--year Y] [--home DIR]",
     "write the study plan of a year in the form the import reads"},
    {"restore --from DIR --yes [--home DIR]",
     "replace the database with the backup in DIR (DIR/Database); refused without --yes"},
    {"hours --group G|--teacher T|--subject S [--from DATE] [--to DATE] [--pairs-only] [--mode "
     "grid|additional] [--short] [--xml FILE] [--year Y] [--home DIR]",
     "the lessons planned, placed and delivered per semester and for the year (--xml with --teacher)"},
};

std::string verbList() {
    std::string out = fmt::format(
        "zavlin-cli {}: the command line of Завлин 98\n"
        "usage: zavlin-cli VERB [ARGUMENTS] [--home DIR]\n\nverbs:\n",
        ZAVLIN_VERSION);
    for (const VerbHelp& v : kVerbs) out += fmt::format("  {}\n      {}\n", v.usage, v.what);
    out +=
        "\nPATH names a table with or without its extension (Database/YmGod, YmGod.b0).\n"
        "Every verb takes --home DIR (the program folder); -h after a verb shows its options.\n"
        "Exit status: 0 done, 1 the table could not be read or changed, 2 wrong arguments.\n";
    return out;
}

// A verb that changes a table of a home keeps out of the window program's.
template <typename Body>
int asTableWriter(const std::string& path, Body body) {
    std::unique_ptr<shell::TInstanceLock> writer;
    if (!holdWriterForTable(path, writer)) return kExitFailed;
    return body();
}

int run(int argc, char** argv) {
    CLI::App app("zavlin-cli: the command line of Завлин 98", "zavlin-cli");
    app.set_version_flag("--version", fmt::format("zavlin-cli {}", ZAVLIN_VERSION));
    app.set_help_flag("-h,--help", "show the options");

    // Accepted everywhere; the table verbs take their paths as given.
    std::string home;
    auto addHome = [&home](CLI::App* verb) {
        verb->add_option("--home", home, "the program folder (Database/, Zavlin98.ini, ...)");
    };
    addHome(&app);

    int status = kExitOk;
    CLI::App* help = app.add_subcommand("help", "list the verbs");
    addHome(help);
    help->callback([&] { fmt::print("{}", verbList()); });

    CLI::App* table = app.add_subcommand("table", "work with one table of the storage engine");
    addHome(table);
    table->require_subcommand(1);
    addTableMaintenanceCommands(*table, status);
    addDbCommands(app, status);
    addDemoCommands(app, status);
    addYearCommands(app, status);
    addRoomCommands(app, status);
    addTimetableCommands(app, status);
    addCalendarCommands(app, status);
    addQualityCommands(app, status);
    addComposeCommands(app, status);
    addBackupCommands(app, status);
    addLoadCommands(app, status);
    addExportCommands(app, status);
    addImportCommands(app, status);
    addHoursCommands(app, status);

    std::string path;
    std::string key;
    std::string slot;
    std::vector<std::string> args;
    bool json = false;
    bool blobs = false;
    bool force = false;

    CLI::App* dump = table->add_subcommand("dump", kVerbs[1].what);
    dump->add_option("PATH", path, "the table")->required();
    dump->add_flag("--json", json, "one JSON document instead of text");
    dump->add_flag("--blobs", blobs, "also the bytes of every blob value, in hex");
    bool decode = false;
    std::optional<uint32_t> decodeKey;
    dump->add_flag("--decode", decode, "each group's timetable blob, record by record")
        ->excludes(dump->get_option("--json"))
        ->excludes(dump->get_option("--blobs"));
    dump->add_option("--key", decodeKey, "with --decode: only the group with this key")
        ->needs(dump->get_option("--decode"));
    dump->callback(
        [&] { status = decode ? tableDecode(path, decodeKey) : tableDump(path, json, blobs); });

    CLI::App* create = table->add_subcommand("create", kVerbs[2].what);
    create->add_option("PATH", path, "the table")->required();
    create->add_option("FIELD", args, "NAME:TYPE[:LENGTH], e.g. N:ftAutoInc Name:ftString:48")
        ->required();
    create->add_flag("--force", force, "overwrite an existing table");
    create->callback(
        [&] { status = asTableWriter(path, [&] { return tableCreate(path, args, force); }); });

    CLI::App* append = table->add_subcommand("append", kVerbs[3].what);
    append->add_option("PATH", path, "the table")->required();
    append->add_option("VALUES", args, "NAME=VALUE; @FILE for a blob field");
    append->callback(
        [&] { status = asTableWriter(path, [&] { return tableAppend(path, args); }); });

    CLI::App* set = table->add_subcommand("set", kVerbs[4].what);
    set->add_option("PATH", path, "the table")->required();
    set->add_option("KEY", key, "the record's key")->required();
    set->add_option("VALUES", args, "NAME=VALUE; @FILE for a blob field")->required();
    set->callback([&] { status = asTableWriter(path, [&] { return tableSet(path, key, args); }); });

    CLI::App* del = table->add_subcommand("delete", kVerbs[5].what);
    del->add_option("PATH", path, "the table")->required();
    del->add_option("KEY", key, "the record's key")->required();
    del->callback([&] { status = asTableWriter(path, [&] { return tableDelete(path, key); }); });

    CLI::App* undel = table->add_subcommand("undelete", kVerbs[6].what);
    undel->add_option("PATH", path, "the table")->required();
    undel->add_option("SLOT", slot, "the slot of the last deleted record")->required();
    undel->callback(
        [&] { status = asTableWriter(path, [&] { return tableUndelete(path, slot); }); });

    for (CLI::App* verb : {dump, create, append, set, del, undel}) addHome(verb);

    if (argc <= 1) {
        fmt::print(stderr, "{}", verbList());
        return kExitUsage;
    }
    // Who holds a lock is named to whoever waits for it: "zavlin-cli table append".
    std::string holder = "zavlin-cli";
    for (int i = 1; i < argc && i < 3 && argv[i][0] != '-'; ++i)
        holder += std::string(" ") + argv[i];
    setLockHolderName(holder);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    if (app.get_subcommands().empty()) {
        fmt::print(stderr, "{}", verbList());
        return kExitUsage;
    }
    return status;
}

}  // namespace
}  // namespace zavlin::cli

int main(int argc, char** argv) {
    try {
        const int status = zavlin::cli::run(argc, argv);
        // Output that did not arrive (a full disk behind a redirection) is a
        // failure a script must see.
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            zavlin::cli::printError("the output could not be written");
            return status == zavlin::cli::kExitOk ? zavlin::cli::kExitFailed : status;
        }
        return status;
    } catch (const std::exception& e) {
        zavlin::cli::printError(e.what());
        return zavlin::cli::kExitFailed;
    }
}
