#include "storage/year_tables.h"

#include <fstream>
#include <system_error>

#include "settings/settings_file.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

// The engine's key type; every table starts with it.
constexpr TYearFieldSpec kKey{"N", ftAutoInc, 0};
constexpr TYearFieldSpec kGod{"God", ftInteger, 0};

bool createEmptyFile(const fs::path& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out);
}

// A settings file written through TFileIni; created empty first so that the
// component does not announce a missing file.
bool writeSettings(TCoreHooks& hooks, const fs::path& folder, const char* file, const char* section,
                   const char* key, const std::string& value) {
    if (!createEmptyFile(folder / file)) return false;
    TFileIni ini(hooks, folder);
    ini.SetFileName(file);
    return ini.WriteString(section, key, value) && ini.CloseIni();
}

// A new database states its lesson times, so that the times in use are the
// ones the file shows.
bool writeNewLessonTimes(TCoreHooks& hooks, const fs::path& folder) {
    TFileIni ini(hooks, folder);
    ini.SetFileName(kDatabaseSettingsFile);
    bool ok = true;
    for (int n = 0; n < kLessonPeriodCount && ok; ++n) {
        int start = kNewLessonFirstStart + kNewLessonStep * n;
        if (start / 60 > 23) start = 0;
        ok = ini.WriteInteger("Time", "Yrok" + std::to_string(n), start) &&
             ini.WriteInteger("Time", "LYrok" + std::to_string(n),
                              start == 0 ? 0 : kNewLessonLength);
    }
    return ini.CloseIni() && ok;
}

bool databaseExists(const fs::path& db) {
    std::error_code ec;
    if (fs::exists(db / kDatabaseSettingsFile, ec)) return true;
    for (const char* name : kYearTables)
        if (fs::exists(db / (tableBaseName(name) + ".b0"), ec)) return true;
    return false;
}

// Moves the files of the freshly built folder into place. A missing target is
// one rename; otherwise file by file, keeping whatever else the folder holds.
bool moveIntoPlace(const fs::path& built, const fs::path& db) {
    std::error_code ec;
    if (!fs::exists(db, ec)) {
        fs::rename(built, db, ec);
        return !ec;
    }
    for (const auto& entry : fs::directory_iterator(built, ec)) {
        fs::rename(entry.path(), db / entry.path().filename(), ec);
        if (ec) return false;
    }
    if (ec) return false;
    fs::remove_all(built, ec);
    return true;
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

bool createYearTable(const fs::path& folder, const TYearTableSpec& table, TCoreHooks& hooks) {
    TTableBlob t(hooks);
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

TCreateDatabaseResult CreateDatabase(const fs::path& home, std::string& message) {
    std::error_code ec;
    const fs::path root = fs::absolute(home, ec).lexically_normal();
    const fs::path db = root / "Database";
    if (databaseExists(db)) {
        message = "a database already exists in " + db.string() + "; nothing changed";
        return TCreateDatabaseResult::Exists;
    }
    if (fs::exists(db, ec) && !fs::is_directory(db, ec)) {
        message = db.string() + " exists and is not a folder";
        return TCreateDatabaseResult::Failed;
    }
    fs::create_directories(root, ec);
    if (ec) {
        message = "cannot create " + root.string() + ": " + ec.message();
        return TCreateDatabaseResult::Failed;
    }
    // What the engine says on the way belongs to this report, not to a screen.
    TScriptedDialog engine;
    TCoreHooks hooks(engine);
    // Built aside, so that a failure leaves no half database behind.
    const fs::path built = root / "Database.new";
    fs::remove_all(built, ec);
    fs::create_directory(built, ec);
    bool ok = !ec;
    for (const TYearTableSpec& table : yearTableSpecs()) {
        if (!ok) break;
        ok = createYearTable(built, table, hooks);
        if (!ok) message = "cannot create the table " + (built / table.file).string();
    }
    if (ok) {
        ok = writeSettings(hooks, built, kDatabaseSettingsFile, "Database", "Vers",
                           std::to_string(kDatabaseVersion)) &&
             writeNewLessonTimes(hooks, built);
        if (!ok) message = "cannot write " + (built / kDatabaseSettingsFile).string();
    }
    if (ok) {
        ok = moveIntoPlace(built, db);
        if (!ok) message = "cannot move the new tables into " + db.string();
    }
    if (!ok) {
        for (const std::string& said : engine.shown) message += "; " + said;
        fs::remove_all(built, ec);
        return TCreateDatabaseResult::Failed;
    }
    // A settings file of an earlier installation is kept as it is.
    if (!fs::exists(root / kMainSettingsFile, ec) &&
        !writeSettings(hooks, root, kMainSettingsFile, "Program", "End", "OK")) {
        message = "cannot write " + (root / kMainSettingsFile).string();
        return TCreateDatabaseResult::Failed;
    }
    message = "created the database in " + db.string();
    return TCreateDatabaseResult::Created;
}

}  // namespace zavlin
