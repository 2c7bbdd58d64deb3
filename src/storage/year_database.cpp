#include "storage/year_database.h"

#include <system_error>

#include "storage/table_interface.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

std::string folderText(const fs::path& folder) {
    std::error_code ec;
    std::string s = fs::absolute(folder, ec).lexically_normal().string();
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

// No table stays open between operations, whatever way one ends.
class CloseOnExit {
public:
    explicit CloseOnExit(TTableBlob& table) : table_(table) {}
    ~CloseOnExit() { table_.Close(); }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    TTableBlob& table_;
};

}  // namespace

TDB::TDB(const fs::path& home)
    : PathR(folderText(home)),
      PathF(PathR + kDatabaseFolder),
      ListReIndex(kYearTables.begin(), kYearTables.end()) {}

std::string upgradeFailureText(TUpgradeResult result, int storedVersion) {
    const std::string critical = "Критическая ошибка изменения структуры базы данных.";
    switch (result) {
        case TUpgradeResult::Ok:
            return {};
        case TUpgradeResult::NewerDatabase:
            return "База данных создана версией программы с более поздней датой\r\n"
                   "Старая версия базы данных =" +
                   std::to_string(TDB::VersDataBase) +
                   "\r\nНовая версия ../Database/God.ini[Database]=" +
                   std::to_string(storedVersion) + "\r\nОбновите версию программы";
        case TUpgradeResult::ConvertFailed:
            return critical + "(возможно нет dll для BDE)";
        case TUpgradeResult::Vers2Failed:
            return critical + " Версия=2.";
        case TUpgradeResult::Vers3Failed:
            return critical + " Версия=3.";
        case TUpgradeResult::SettingsFailed:
            return "Ошибка записи версии базы данных в " + std::string(kDatabaseSettingsFile);
    }
    return {};
}

void ReadDey(std::string_view dey, std::array<int, 7>& days) {
    if (dey.empty()) return;
    std::string padded(dey);
    if (padded.size() < days.size()) padded.resize(days.size(), '0');
    for (std::size_t i = 0; i < days.size(); ++i)
        if (padded[i] >= '0' && padded[i] <= '9') days[i] = padded[i] - '0';
}

TField* yearKeyField(const TTableBlob& table) {
    if (TField* n = table.FieldByName("N")) return n;
    if (table.FieldCount() == 0) return nullptr;
    TField* first = table.Field(0);
    const auto type = first->TypeField();
    return type == ftAutoInc || type == ftNewKeys || type == ftLongWord ? first : nullptr;
}

TDM1::TDM1(const fs::path& home, TMyDialog& dialog, FileSystem& tableFs)
    : DB(home),
      Hooks(dialog),
      FIni1(Hooks, DB.PathR, tableFs),
      FGodini(Hooks, DB.PathR, tableFs),
      MyDialog1(dialog),
      AT1(Hooks, tableFs),
      AT2(Hooks, tableFs) {
    FIni1.SetFileName(kMainSettingsFile);
    FGodini.SetFileName(kDatabaseSettingsFile);
    FGodini.SetFilePath(DB.PathF);
    AT1.SetDatabaseName(DB.PathF);
    AT2.SetDatabaseName(DB.PathF);
    AT1.onTestKeys = [this](TTableBlob& sender, uint32_t key, TTestKeys& verdict) {
        AT1TestKeys(sender, key, verdict);
    };
}

fs::path TDM1::TablePath(std::string_view tableName) const {
    return fs::path(DB.PathF + std::string(tableName));
}

void TDM1::StydImageShowBar(const std::string& text) {
    Hooks.Progress(text);
}

bool TDM1::MyMessageDlg(const std::string& text) {
    return MyDialog1.MessageInfDlg(text);
}

void TDM1::AT1TestKeys(TTableBlob& Sender, uint32_t vErrorKey, TTestKeys& /*aTestKeys*/) {
    Hooks.Message("Ошибка индекса базы данных.Сообщите разработчику. Таблица:" +
                          Sender.TableName() + " ключ N=" + std::to_string(vErrorKey));
}

TDatabaseLock::TDatabaseLock(TDM1& dm, LockKind kind)
    : dm_(dm), readOnly1_(dm.AT1.ReadOnly()), readOnly2_(dm.AT2.ReadOnly()) {
    const fs::path path = fs::path(dm.DB.PathF) / kDatabaseLockFile;
    std::error_code ec;
    if (!fs::is_directory(dm.DB.PathF, ec)) {
        held_ = true;
        return;
    }
    LockRefusal refusal;
    lock_ = dm.AT1.fileSystem().lock(path, kind, lockWait(), refusal);
    held_ = lock_ != nullptr;
    if (!lock_) {
        if (!refusal.busy) {
            // The window program shows these to the dispatcher as they are.
            message_ = "Не удалось заблокировать базу данных " + path.string();
        } else if (refusal.holder.empty()) {
            message_ = "База данных занята другой программой (" + path.string() + ")";
        } else {
            message_ = "База данных занята программой " + refusal.holder + " (" + path.string() + ")";
        }
        return;
    }
    if (kind == LockKind::Shared) {
        dm.AT1.SetReadOnly(true);
        dm.AT2.SetReadOnly(true);
    }
}

TDatabaseLock::~TDatabaseLock() {
    dm_.AT1.SetReadOnly(readOnly1_);
    dm_.AT2.SetReadOnly(readOnly2_);
}

bool TDM1::ReindexFiles() {
    bool result = true;
    for (const std::string& name : DB.ListReIndex) {
        StydImageShowBar("Реиндексация " + name);
        std::error_code ec;
        if (!fs::exists(TablePath(name), ec)) {
            result = false;
            Hooks.Message("Отсутствует фаил. " + name);
            continue;
        }
        // The re-index rebuilds .bi from the slots, so a damaged index cannot
        // survive this; both refuse a table they cannot trust, untouched. The
        // table is held from the re-index until the pack is done.
        AT1.SetTableName(name);
        const auto held = AT1.LockTable(LockKind::Exclusive);
        if (!held || !AT1.ReIndexTable() || !AT1.PackTable()) {
            result = false;
            Hooks.Message("Ошибка реиндексации и упаковки фаила. " + name);
        }
        AT1.Close();
    }
    return result;
}

bool TDM1::ReStracth_GrypName() {
    AT1.SetTableName("YmGryp.b0");
    try {
        if (!AT1.Open()) return false;
        CloseOnExit closer(AT1);
        TField* gryp = AT1.FieldByName("Gryp");
        // A missing field goes through the widening too: its message names it.
        if (gryp && gryp->Size() != kGroupNameLengthBefore) return true;
        std::string message;
        if (!AT1.SetNewSizeStringField("Gryp", kGroupNameLength, message)) {
            Hooks.Message(message);
            return false;
        }
        return true;
    } catch (const std::exception&) {
        AT1.Close();
        return false;
    }
}

bool TDM1::ReStracth_ColorFontDom() {
    AT1.SetTableName("YmDom.b0");
    try {
        if (!AT1.Open()) return false;
        CloseOnExit closer(AT1);
        if (AT1.FieldByName("Color")) return true;
        return AT1.AddFieldByName(ftWord, "Color") != nullptr;
    } catch (const std::exception&) {
        AT1.Close();
        return false;
    }
}

int TDM1::StoredVersion() {
    return FGodini.ReadInteger("Database", "Vers", 0);
}

TUpgradeResult TDM1::UpgradeDatabase() {
    int vers = StoredVersion();
    if (vers > TDB::VersDataBase) return TUpgradeResult::NewerDatabase;
    auto reached = [&](int v) {
        vers = v;
        return FGodini.WriteInteger("Database", "Vers", v);
    };
    if (vers < 2) {
        if (!ReStracth_BDE()) return TUpgradeResult::ConvertFailed;
        if (!reached(2)) return TUpgradeResult::SettingsFailed;
    }
    if (vers == 2) {
        if (!ReStracth_GrypName()) return TUpgradeResult::Vers2Failed;
        if (!reached(3)) return TUpgradeResult::SettingsFailed;
    }
    if (vers == 3) {
        if (!ReStracth_ColorFontDom()) return TUpgradeResult::Vers3Failed;
        if (!reached(4)) return TUpgradeResult::SettingsFailed;
    }
    return TUpgradeResult::Ok;
}

bool TDM1::StoreEntry(std::string_view tableName, uint32_t& N,
                      const std::function<void(TTableBlob&)>& writeFields) {
    AT1.SetTableName(tableName);
    if (!AT1.Open()) return false;
    CloseOnExit closer(AT1);
    TField* key = yearKeyField(AT1);
    if (!key) return false;
    const bool appended = N == 0;
    if (!appended) {
        AT1.SetKey();
        key->setAsInteger(N);
        if (!AT1.GotoKey()) return false;
    } else {
        AT1.Last();
        if (!AT1.Append()) return false;
        N = static_cast<uint32_t>(key->asInteger());
    }
    // A row appended above but never filled would be an empty entry that no
    // window can show: it goes again.
    auto dropNewRow = [&] {
        if (!appended) return;
        (void)AT1.Delete();
        N = 0;
    };
    try {
        AT1.Edit();
        writeFields(AT1);
        if (AT1.Post()) return true;
    } catch (...) {
        dropNewRow();
        throw;
    }
    dropNewRow();
    return false;
}

bool TDM1::DeleteEntry(std::string_view tableName, uint32_t N) {
    if (N == 0) return false;
    AT1.SetTableName(tableName);
    if (!AT1.Open()) return false;
    CloseOnExit closer(AT1);
    TField* key = yearKeyField(AT1);
    if (!key) return false;
    AT1.SetKey();
    key->setAsInteger(N);
    if (!AT1.GotoKey()) return false;
    return AT1.Delete();
}

bool TDM1::DeleteAllOfYear(std::string_view tableName, int32_t year) {
    AT1.SetTableName(tableName);
    if (!AT1.Open()) return false;
    CloseOnExit closer(AT1);
    while (true) {
        AT1.First();
        if (!AT1.Locate("God", year)) return true;
        // Every round must take one record away; a damaged table that keeps
        // showing the same one would loop for ever.
        const uint32_t before = AT1.RecordCount();
        if (!AT1.Delete() || AT1.RecordCount() >= before) return false;
    }
}

bool TDM1::DeleteWhere(TTableBlob& table, std::string_view tableName,
                       const std::function<bool(TTableBlob&)>& match) {
    table.SetTableName(tableName);
    if (!table.Open()) return false;
    CloseOnExit closer(table);
    // A delete reorders the index, so every round starts from the top.
    // Eof() places the walk on the next row, so it is asked once per row:
    // asking again after a match would delete the row after it.
    while (true) {
        table.First();
        bool found = false;
        while (!found && !table.Eof()) {
            found = match(table);
            if (!found) table.Next();
        }
        if (!found) return true;
        const uint32_t before = table.RecordCount();
        if (!table.Delete() || table.RecordCount() >= before) return false;
    }
}

bool TDM1::ReadEntries(TTableBlob& table, std::string_view tableName, std::optional<int32_t> year,
                       const std::function<void(TTableBlob&)>& readRow) {
    table.SetTableName(tableName);
    if (!table.Open()) return false;
    CloseOnExit closer(table);
    (void)table.TestKeys();
    TField* god = year ? table.FieldByName("God") : nullptr;
    if (year && !god) return true;
    table.First();
    while (!table.Eof()) {
        if (!god || god->asInteger() == *year) readRow(table);
        table.Next();
    }
    return true;
}

}  // namespace zavlin
