#include "storage/year_tables.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "base/my_dialog.h"
#include "settings/settings_file.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

// The engine's key type; every table starts with it.
constexpr TYearFieldSpec kKey{"N", ftAutoInc, 0};
constexpr TYearFieldSpec kGod{"God", ftInteger, 0};

// A settings file written through TFileIni; created empty first so that the
// component does not announce a missing file.
bool writeSettings(TCoreHooks& hooks, FileSystem& fs, const fs::path& folder, const char* file,
                   const char* section, const char* key, const std::string& value) {
    if (!fs.open(folder / file, OpenMode::CreateTruncate)) return false;
    TFileIni ini(hooks, folder, fs);
    ini.SetFileName(file);
    return ini.WriteString(section, key, value) && ini.CloseIni();
}

// A new database states its lesson times, so that the times in use are the
// ones the file shows.
bool writeNewLessonTimes(TCoreHooks& hooks, FileSystem& fs, const fs::path& folder) {
    TFileIni ini(hooks, folder, fs);
    ini.SetFileName(kDatabaseSettingsFile);
    ini.BeginUpdate();
    bool ok = true;
    for (int n = 0; n < kLessonPeriodCount && ok; ++n) {
        int start = kNewLessonFirstStart + kNewLessonStep * n;
        if (start / 60 > 23) start = 0;
        ok = ini.WriteInteger("Time", "Yrok" + std::to_string(n), start) &&
             ini.WriteInteger("Time", "LYrok" + std::to_string(n),
                              start == 0 ? 0 : kNewLessonLength);
    }
    ok = ini.EndUpdate() && ok;
    return ini.CloseIni() && ok;
}

bool anyTable(FileSystem& fs, const fs::path& folder) {
    for (const char* name : kYearTables)
        if (fs.exists(folder / (tableBaseName(name) + ".b0"))) return true;
    return false;
}

bool databaseExists(FileSystem& fs, const fs::path& db) {
    return fs.exists(db / kDatabaseSettingsFile) || anyTable(fs, db);
}

// A move into a folder holding other files that stopped half way: the
// settings file (always moved last) still in the built folder, and each table
// in exactly one of the two folders. A damaged database beside a leftover
// built folder has tables in both and is never completed.
bool moveInterrupted(FileSystem& fs, const fs::path& built, const fs::path& db) {
    if (fs.exists(db / kDatabaseSettingsFile) || !fs.exists(built / kDatabaseSettingsFile))
        return false;
    bool anyMoved = false;
    for (const char* name : kYearTables) {
        const std::string file = tableBaseName(name) + ".b0";
        const bool moved = fs.exists(db / file);
        if (moved == fs.exists(built / file)) return false;
        anyMoved = anyMoved || moved;
    }
    return anyMoved;
}

std::vector<fs::path> entriesOf(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) entries.push_back(entry.path());
    return entries;
}

// Removes a folder built aside with everything in it.
bool removeTree(FileSystem& fs, const fs::path& folder) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(folder, ec))) return true;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) return fs.remove(folder);
    bool ok = true;
    for (const fs::path& entry : entriesOf(folder)) ok = removeTree(fs, entry) && ok;
    return fs.removeFolder(folder) && ok;
}

// Moves the entries of the built folder into the database folder one by one,
// the settings file last. Resuming an interrupted move, files already there
// stay. A failed first move takes back what had moved; what it cannot take
// back stays for the next creation to finish (see moveInterrupted).
bool moveEntries(FileSystem& fs, const fs::path& built, const fs::path& db, bool resume) {
    std::vector<fs::path> entries = entriesOf(built);
    std::stable_partition(entries.begin(), entries.end(),
                          [](const fs::path& p) { return p.filename() != kDatabaseSettingsFile; });
    std::vector<fs::path> moved;
    for (const fs::path& from : entries) {
        const fs::path to = db / from.filename();
        if (resume && fs.exists(to)) continue;
        if (!fs.rename(from, to)) {
            if (resume) return false;
            bool back = true;
            for (auto it = moved.rbegin(); it != moved.rend(); ++it)
                back = fs.rename(db / it->filename(), *it) && back;
            if (back) (void)removeTree(fs, built);
            return false;
        }
        moved.push_back(from);
    }
    (void)fs.syncFolder(db);
    (void)removeTree(fs, built);
    return true;
}

// Moves the freshly built folder into place. A missing or empty target is one
// rename, so that a crash leaves the whole database or none; a target holding
// other files keeps them.
bool moveIntoPlace(FileSystem& fs, const fs::path& built, const fs::path& db) {
    if (fs.exists(db) && entriesOf(db).empty() && !fs.removeFolder(db)) {
        (void)removeTree(fs, built);
        return false;
    }
    if (fs.exists(db)) return moveEntries(fs, built, db, false);
    if (fs.rename(built, db)) return true;
    (void)removeTree(fs, built);
    return false;
}

}  // namespace

const std::vector<TYearTableSpec>& yearTableSpecs() {
    static const std::vector<TYearTableSpec> specs = {
        {"YmGod.b0", {kKey, kGod}},
        {"YmGryp.b0",
         {kKey,
          kGod,
          {"Gryp", ftString, kGroupNameLength},
          {"CStyd", ftInteger, 0},
          {"RunYrok", ftInteger, 0},
          {"Index", ftInteger, 0},
          {"Dey", ftString, kDaysLength},
          {"Zavlin", ftBlob, 0}}},
        {"YmFio.b0",
         {kKey,
          kGod,
          {"Name", ftString, kNameLength},
          {"RunDay", ftInteger, 0},
          {"Dan", ftBlob, 0}}},
        {"YmFak.b0", {kKey, kGod, {"Fak", ftString, kNameLength}}},
        {"YmFakGryp.b0", {kKey, kGod, {"Fak", ftInteger, 0}, {"Gryp", ftInteger, 0}}},
        {"YmYrok.b0",
         {kKey,
          kGod,
          {"Yrok", ftString, kSubjectShortNameLength},
          {"YrokFull", ftString, kNameLength}}},
        {"YmDom.b0", {kKey, kGod, {"Dom", ftString, kNameLength}, {"Color", ftWord, 0}}},
        {"YmAyd.b0",
         {kKey,
          kGod,
          {"Klass", ftString, kRoomNumberLength},
          {"Mest", ftInteger, 0},
          {"Dom", ftInteger, 0},
          {"SpesAyd", ftString, 1},
          {"LFio", ftBlob, 0}}},
        {"YmAtribyt.b0", {kKey, {"Name", ftString, kNameLength}}},
    };
    return specs;
}

std::string tableBaseName(std::string_view tableName) {
    const std::size_t dot = tableName.find('.');
    return std::string(dot == std::string_view::npos ? tableName : tableName.substr(0, dot));
}

uint16_t yearTablePageSize(std::string_view tableName) {
    const std::string base = tableBaseName(tableName);
    if (base == "YmGryp") return 4096;
    if (base == "YmFio") return 128;
    if (base == "YmAyd") return 64;
    return 1024;
}

bool createYearTable(const fs::path& folder, const TYearTableSpec& table, TCoreHooks& hooks,
                     FileSystem& fs) {
    TTableBlob t(hooks, fs);
    t.SetDatabaseName(folder.string() + "/");
    t.SetTableName(table.file);
    if (!t.CreateFile()) return false;
    bool ok = t.SetNewSizePageBlob(yearTablePageSize(table.file));
    for (const TYearFieldSpec& f : table.fields) {
        if (!ok) break;
        if (f.type == ftBlob) {
            ok = t.AddBlobField(f.name, yearTablePageSize(table.file)) != nullptr;
        } else {
            ok = t.AddFieldByName(f.type, f.name, f.length) != nullptr;
        }
    }
    t.Close();
    return ok;
}

namespace {

TCreateDatabaseResult writeMainSettings(TCoreHooks& hooks, FileSystem& fs, const fs::path& root,
                                        const fs::path& db, std::string& message) {
    (void)fs.syncFolder(root);
    // A settings file of an earlier installation is kept as it is.
    if (!fs.exists(root / kMainSettingsFile) &&
        !writeSettings(hooks, fs, root, kMainSettingsFile, "Program", "End", "OK")) {
        message = "cannot write " + (root / kMainSettingsFile).string();
        return TCreateDatabaseResult::Failed;
    }
    message = "created the database in " + db.string();
    return TCreateDatabaseResult::Created;
}

}  // namespace

TCreateDatabaseResult CreateDatabase(const fs::path& home, std::string& message, FileSystem& fs) {
    std::error_code ec;
    const fs::path root = fs::absolute(home, ec).lexically_normal();
    const fs::path db = root / "Database";
    // What the engine says on the way belongs to this report, not to a screen.
    TScriptedDialog engine;
    TCoreHooks hooks(engine);
    // Built aside, so that a failure leaves no half database behind.
    const fs::path built = root / "Database.new";
    if (moveInterrupted(fs, built, db)) {
        if (!moveEntries(fs, built, db, true)) {
            message = "cannot move the new tables into " + db.string();
            return TCreateDatabaseResult::Failed;
        }
        return writeMainSettings(hooks, fs, root, db, message);
    }
    if (databaseExists(fs, db)) {
        message = "a database already exists in " + db.string() + "; nothing changed";
        return TCreateDatabaseResult::Exists;
    }
    if (fs::exists(db, ec) && !fs::is_directory(db, ec)) {
        message = db.string() + " exists and is not a folder";
        return TCreateDatabaseResult::Failed;
    }
    errno = 0;
    if (!fs.createFolder(root)) {
        message = "cannot create " + root.string();
        if (errno != 0) message += ": " + std::error_code(errno, std::generic_category()).message();
        return TCreateDatabaseResult::Failed;
    }
    bool ok = removeTree(fs, built) && fs.createFolder(built);
    if (!ok) message = "cannot create " + built.string();
    for (const TYearTableSpec& table : yearTableSpecs()) {
        if (!ok) break;
        ok = createYearTable(built, table, hooks, fs);
        if (!ok) message = "cannot create the table " + (built / table.file).string();
    }
    if (ok) {
        ok = writeSettings(hooks, fs, built, kDatabaseSettingsFile, "Database", "Vers",
                           std::to_string(kDatabaseVersion)) &&
             writeNewLessonTimes(hooks, fs, built);
        if (!ok) message = "cannot write " + (built / kDatabaseSettingsFile).string();
    }
    // The new files' names must be on disk before the folder that holds them
    // becomes the database.
    if (ok && !fs.syncFolder(built)) {
        ok = false;
        message = "cannot write " + built.string();
    }
    if (!ok) {
        for (const std::string& said : engine.shown) message += "; " + said;
        (void)removeTree(fs, built);
        return TCreateDatabaseResult::Failed;
    }
    if (!moveIntoPlace(fs, built, db)) {
        message = "cannot move the new tables into " + db.string();
        return TCreateDatabaseResult::Failed;
    }
    return writeMainSettings(hooks, fs, root, db, message);
}

}  // namespace zavlin
