// The nine tables of the year database: their file names, fields and blob page
// sizes, and the creation of an empty database. Field types are documented in
// docs/file-formats.md ("The year database").
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "storage/table_blob.h"

namespace zavlin {

// In the order of re-indexing and conversion.
inline constexpr std::array<const char*, 9> kYearTables = {
    "YmGod.b0",  "YmGryp.b0", "YmFio.b0", "YmFak.b0",    "YmFakGryp.b0",
    "YmYrok.b0", "YmDom.b0",  "YmAyd.b0", "YmAtribyt.b0"};

inline constexpr const char* kDatabaseFolder = "Database/";
inline constexpr const char* kMainSettingsFile = "Zavlin98.ini";
inline constexpr const char* kDatabaseSettingsFile = "god.Ini";

// The structure version this program writes.
inline constexpr int kDatabaseVersion = 4;

// The lesson times a new database states in "god.Ini", section "Time" (keys
// "Yrok"+n and "LYrok"+n, minutes): period n starts at 07:15 + 105 n and lasts
// 90; a start past 23:59 is written as 0 with length 0, a period not in use.
inline constexpr int kLessonPeriodCount = 12;
inline constexpr int kNewLessonFirstStart = 435;
inline constexpr int kNewLessonStep = 105;
inline constexpr int kNewLessonLength = 90;

// Limits of the objects the rows become.
inline constexpr int kNameLength = 48;
inline constexpr int kRoomNumberLength = 5;
inline constexpr int kGroupNameLength = 18;
inline constexpr int kGroupNameLengthBefore = 5;
inline constexpr int kSubjectShortNameLength = 20;
inline constexpr int kDaysLength = 7;

struct TYearFieldSpec {
    const char* name;
    TFieldTableBlobType type;
    int length;  // declared length of a string field, 0 otherwise
};

struct TYearTableSpec {
    const char* file;
    std::vector<TYearFieldSpec> fields;  // the key first
};

// The tables as a new database gets them, in kYearTables order.
const std::vector<TYearTableSpec>& yearTableSpecs();

// The blob page size a table is created with: 4096 for YmGryp, 128 for YmFio,
// 64 for YmAyd, 1024 for the others. Takes the name with or without ".b0".
uint16_t yearTablePageSize(std::string_view tableName);

// "YmGod.b0" -> "YmGod": the file name up to its first ".".
std::string tableBaseName(std::string_view tableName);

// Creates the table in folder (overwriting one that is there) and closes it;
// the engine's messages go to hooks.
[[nodiscard]] bool createYearTable(const std::filesystem::path& folder, const TYearTableSpec& table,
                                   TCoreHooks& hooks, FileSystem& fs = realFileSystem());

enum class TCreateDatabaseResult { Created, Exists, Failed };

// Creates the home folder, "Database/" with the nine empty tables, "god.Ini"
// holding Database/Vers = 4 and the lesson times above, and "Zavlin98.ini"
// when missing. A folder that already holds any table of the database or its
// "god.Ini" is left as it is (Exists). message says what happened, in
// English, for the command line.
// Every file operation goes through fs.
TCreateDatabaseResult CreateDatabase(const std::filesystem::path& home, std::string& message,
                                     FileSystem& fs = realFileSystem());

}  // namespace zavlin
