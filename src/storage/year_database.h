// The year database: where its folder lies (TDB) and the data module TDM1 that
// owns the settings files and the two table objects the data model borrows.
// Every operation sets a table name, opens, works and closes before it returns.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_hooks.h"
#include "settings/settings_file.h"
#include "storage/table_blob.h"
#include "storage/year_tables.h"

namespace zavlin {

struct TDB {
    explicit TDB(const std::filesystem::path& home);

    std::string PathR;  // the home folder, absolute, ending in "/"
    std::string PathF;  // PathR + "Database/"
    std::vector<std::string> ListReIndex;
    static constexpr int VersDataBase = kDatabaseVersion;
    static constexpr int VersProg = 1;
    static constexpr int VersProgASY = 2;
};

enum class TUpgradeResult {
    Ok,
    NewerDatabase,   // the stored version is above VersDataBase; nothing done
    ConvertFailed,   // the legacy conversion failed
    Vers2Failed,     // widening Gryp failed
    Vers3Failed,     // adding Color failed
    SettingsFailed,  // the new version could not be written to "god.Ini"
};

// The program's message for a failed upgrade (empty for Ok).
std::string upgradeFailureText(TUpgradeResult result, int storedVersion);

// The seven weekday values of a group's "Dey" text, Monday first: a non-empty
// text is padded with "0" to seven characters; each digit among the first
// seven sets its day, any other character leaves days[i] as it was.
void ReadDey(std::string_view dey, std::array<int, 7>& days);

class TDM1 {
public:
    // DataModuleCreate: the paths, the settings files and AT1/AT2 pointed at
    // the database folder. Nothing is opened until it is used.
    // The tables go through tableFs (tests inject disk faults there; its
    // sync mode is this database's). Questions and messages go to dialog,
    // through Hooks, which everything this object owns or builds is given.
    TDM1(const std::filesystem::path& home, TMyDialog& dialog,
         FileSystem& tableFs = realFileSystem());
    TDM1(const TDM1&) = delete;
    TDM1& operator=(const TDM1&) = delete;

    TDB DB;
    // Set ProgressObserver and SaveProgress here.
    TCoreHooks Hooks;
    TFileIni FIni1;    // "Zavlin98.ini" in PathR
    TFileIni FGodini;  // "god.Ini" in PathF
    TMyDialog& MyDialog1;
    TTableBlob AT1;  // used in turn by every load and store
    TTableBlob AT2;  // for work that needs a second table open at once

    // PathF + the table's file name.
    std::filesystem::path TablePath(std::string_view tableName) const;

    void StydImageShowBar(const std::string& text);
    // An information box with Yes and No; true for Yes.
    bool MyMessageDlg(const std::string& text);
    // Input methods switch per user on Linux; kept so the windows can call them.
    void SetKeyRuss() {}
    void SetKeyEnglish() {}
    // AT1's key-check handler: one message per wrong key; the load goes on.
    void AT1TestKeys(TTableBlob& Sender, uint32_t vErrorKey, TTestKeys& aTestKeys);

    // Maintenance. Each shows its messages through Hooks and returns false
    // when anything failed.
    [[nodiscard]] bool ReindexFiles();
    [[nodiscard]] bool ReStracth_BDE();  // defined in legacy_converter.cpp
    [[nodiscard]] bool ReStracth_GrypName();
    [[nodiscard]] bool ReStracth_ColorFontDom();
    // "Database"/"Vers" of "god.Ini" (absent = 0).
    int StoredVersion();
    // Runs the steps from the stored version up to VersDataBase, writing the
    // version reached after each step.
    [[nodiscard]] TUpgradeResult UpgradeDatabase();

    // Stores one entry through AT1. N = 0: a new row is appended and N set to
    // its key; otherwise the row with key N is rewritten, and nothing happens
    // (false) when there is none. writeFields sets God, the other fields and
    // the blob; Post follows. A new row whose fields could not be written is
    // removed again (N back to 0) and the exception passed on.
    [[nodiscard]] bool StoreEntry(std::string_view tableName, uint32_t& N,
                                  const std::function<void(TTableBlob&)>& writeFields);
    // Deletes the row with key N; false when there is none.
    [[nodiscard]] bool DeleteEntry(std::string_view tableName, uint32_t N);
    // Deletes every row whose God is year; false when the table cannot be
    // opened or a delete fails.
    [[nodiscard]] bool DeleteAllOfYear(std::string_view tableName, int32_t year);
    // Deletes every row for which match is true (rows of all years are
    // offered); false when the table cannot be opened or a delete fails.
    [[nodiscard]] bool DeleteWhere(TTableBlob& table, std::string_view tableName,
                                   const std::function<bool(TTableBlob&)>& match);
    // Opens the table, checks its keys (messages from the table's onTestKeys)
    // and calls readRow on every row whose God is year (every row for
    // nullopt), in index order; closes it. readRow reads fields only.
    [[nodiscard]] bool ReadEntries(TTableBlob& table, std::string_view tableName,
                                   std::optional<int32_t> year,
                                   const std::function<void(TTableBlob&)>& readRow);
    [[nodiscard]] bool ReadEntries(std::string_view tableName, std::optional<int32_t> year,
                                   const std::function<void(TTableBlob&)>& readRow) {
        return ReadEntries(AT1, tableName, year, readRow);
    }
};

// Holds the database folder's lock "Database/db.lock" for a whole year
// operation, from load to save: exclusive for an operation that changes the
// year, shared for one that only reads it. A shared guard also opens AT1 and
// AT2 read-only while it lives, so that a reader changes no data (a read-only
// home works; see TTableBlob::Open for what a read-only open may settle). The tables keep their own locks beneath this one.
class TDatabaseLock {
public:
    TDatabaseLock(TDM1& dm, LockKind kind);
    ~TDatabaseLock();
    TDatabaseLock(const TDatabaseLock&) = delete;
    TDatabaseLock& operator=(const TDatabaseLock&) = delete;

    // Also true without a database folder: there is nothing to guard, and
    // the operation fails with its own message.
    bool Held() const { return held_; }
    // Why it is not held, naming the holder when known.
    const std::string& Message() const { return message_; }

private:
    TDM1& dm_;
    std::unique_ptr<FileLock> lock_;
    std::string message_;
    bool held_ = false;
    bool readOnly1_;
    bool readOnly2_;
};

inline constexpr const char* kDatabaseLockFile = "db.lock";

// The key field of a year table: "N", or the first field where it has
// another name (the membership table's key is never read by name).
TField* yearKeyField(const TTableBlob& table);

}  // namespace zavlin
