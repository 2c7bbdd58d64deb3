// One table of the storage engine: .b0 header and field descriptions, .b1
// record slots, .b2 blob pages, .bi index of live records. One object can be
// pointed at any table in turn; see table_format.h for the byte layouts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_hooks.h"
#include "storage/blob_pages.h"
#include "storage/fields.h"
#include "storage/file_system.h"
#include "storage/table_file.h"
#include "storage/table_format.h"

namespace zavlin {

enum TTableBlobState { dsInactive, dsOpening, dsEdit, dsInsert };

// The program's home folder, where a table without a DatabaseName lives.
// Until it is set, the current folder is used.
void SetProgramFolder(const std::filesystem::path& folder);
std::filesystem::path ProgramFolder();
enum TTableBlobSortIndex { siDefailt, siIndex, siAutoInc };
enum TTestKeys { asIgnore, asNill, asNewKey, asDelete };

class TTableBlob;
using TMessageForTableBlob =
    std::function<void(TTableBlob& sender, uint16_t vMesN, const std::string& vMes)>;
using TMessageDlgForTableBlob =
    std::function<void(TTableBlob& sender, const std::string& vMes, bool& CanReWrite)>;
using TonTestKeysEvent =
    std::function<void(TTableBlob& sender, uint32_t vErrorKey, TTestKeys& aTestKeys)>;
using TNotifyEvent = std::function<void(TTableBlob& sender)>;

class TTableBlob {
public:
    // Messages for the person at the screen go to hooks (its owner's).
    explicit TTableBlob(TCoreHooks& hooks, FileSystem& fs = realFileSystem());
    ~TTableBlob();
    TTableBlob(const TTableBlob&) = delete;
    TTableBlob& operator=(const TTableBlob&) = delete;

    // Naming and location. Paths use "/" here where the original used "\".
    const std::string& DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(std::string_view value);
    const std::string& TableName() const { return FTableName; }
    void SetTableName(std::string_view value);
    void SetTableNameVerbatim(std::string_view value) { FTableName = std::string(value); }
    std::string FileName() const;
    std::filesystem::path FilePath(const char* extension) const;
    FileSystem& fileSystem() { return fs_; }
    TCoreHooks& Hooks() const { return hooks_; }

    // Life cycle. An open table holds its lock file "<table>.bl" until
    // Close/Clear: exclusive for a read-write open, shared for a read-only
    // one. A read-only open opens the files read-only and changes no table
    // data; every change is refused. Two exceptions: the lock file is created
    // where the folder allows it, and a journal or plan left by a writer that
    // died is settled first when the exclusive lock can be had and the files
    // can be written (else the open fails). A process that cannot get the
    // lock within lockWait() fails the open with kErrorLocked, naming the
    // holder.
    [[nodiscard]] bool CreateFile();
    [[nodiscard]] bool Open();
    [[nodiscard]] bool OpenReadOnly() {
        SetReadOnly(true);
        return Open();
    }
    // Takes effect at the next Open.
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool ReadOnly() const { return FReadOnly; }
    // The table's lock for work that spans several opens (re-index, pack);
    // null when not taken (reported through ErrorOpen like a failed open).
    std::unique_ptr<FileLock> LockTable(LockKind kind);
    static constexpr uint16_t kErrorLocked = 34;
    // A read-only open found an operation cut short it may not settle.
    static constexpr uint16_t kErrorUnsettled = 35;
    void Close();
    void Clear();
    bool Active() const { return FState != dsInactive; }
    [[nodiscard]] bool EmptyTable();

    // Records.
    [[nodiscard]] bool Append();
    void Edit();
    [[nodiscard]] bool Post();
    [[nodiscard]] bool Delete();
    [[nodiscard]] bool UnDelete();
    [[nodiscard]] bool ReadRecordHeadr(ARecordHeadr& header);
    [[nodiscard]] bool WriteRecordHeadr(const ARecordHeadr& header);
    int64_t TestRecordDeleted();

    // Counting.
    uint32_t RecordCount() const { return FHeadr.FCountRecord; }
    uint32_t CountRecord() const { return FHeadr.FCountRecord; }
    uint32_t RecordCountAll() const { return FHeadr.FCountRecordAll; }
    uint32_t CountRecordAll() const { return FHeadr.FCountRecordAll; }
    int64_t IndexActivRecordAbsolut() const;

    // Indexed navigation over live records.
    void First();
    void Next() { ++FIndexActivRecord; }
    bool Eof();
    void Last();
    uint32_t IndexActivRecord() const { return FIndexActivRecord; }
    void SetIndexActivRecord(uint32_t position);
    // Slot navigation over every slot, deleted ones included.
    void FirstAll();
    void NextAll();
    bool EofAll() const;
    uint32_t IndexActivRecordAll() const { return FIndexActivRecord; }
    void SetIndexActivRecordAll(uint32_t slot);

    // Fields.
    int FieldCount() const { return static_cast<int>(LField.size()); }
    int CountField() const { return FieldCount(); }
    TField* Field(int index) const { return LField.at(static_cast<size_t>(index)).get(); }
    TField* FieldByName(std::string_view name) const;
    TField* AddFieldByName(TFieldTableBlobType type, std::string_view name, int length);
    TField* AddFieldByName(TFieldTableBlobType type, std::string_view name) {
        return AddFieldByName(type, name, 0);
    }
    TField* AddFieldByName(uint8_t typeCode, std::string_view name);
    TField* AddField(TFieldTableBlobType type, std::string_view name, int length) {
        return AddFieldByName(type, name, length);
    }
    TAutoIncField* AddAutoIncField(std::string_view name);
    TNewKeysField* AddNewKeysField(std::string_view name);
    TBlobField* AddBlobField(std::string_view name, int pageSize = 0);
    TStringField* AddStringField(std::string_view name, int length);
    [[nodiscard]] bool SetNewFieldName(TField* field, std::string_view newName);
    static bool CanCreateField(TFieldTableBlobType type) { return fieldTypeCreatable(type); }
    bool CanBlobFields() const { return FindBlobField() != nullptr; }
    TBlobField* FindBlobField() const;
    void ClearLField();

    // Key search and lookups.
    void SetKey();
    void EditKey();
    bool GotoKey();
    bool Locate(std::string_view fieldName, int32_t value);
    bool Locate(std::string_view fieldName, std::string_view value);
    bool Locate(std::string_view fieldNames, const std::vector<std::string>& values);
    bool TestKeys();
    void SortIndexRecord();
    void SortAutoIncRecord();

    // Maintenance: consistency check, re-index, pack, restructuring.
    bool TestTable();
    [[nodiscard]] bool ReIndexTable();
    [[nodiscard]] bool PackTable();
    [[nodiscard]] bool DeleteFieldName(int index);
    // The slots are rewritten with the fields in their new order.
    [[nodiscard]] bool MoveFieldNameUp(int index);
    [[nodiscard]] bool MoveFieldNameDown(int index);
    [[nodiscard]] bool SetNewSizeStringField(std::string_view name, int newLength,
                                             std::string& message);
    [[nodiscard]] bool SetNewSizeBlobField(std::string_view name, uint16_t newPageSize,
                                           std::string& message);
    void CopyDataFieldsToTable(TTableBlob& target);
    [[nodiscard]] bool CompareFile(TTableBlob& other, std::string& message);
    // A batch: the record operations between BeginBatch and CommitBatch reach
    // the disk as one change. One journal, begun with the sizes at BeginBatch,
    // is kept across the operations and emptied only by the commit, so a
    // crash at any moment leaves the table as it was at BeginBatch (played
    // back at the next open). When an operation of the batch fails, the whole
    // batch is rolled back at once and every later operation of it fails;
    // CommitBatch then says false. Replacing whole files is refused inside a
    // batch; closing or reopening the table (pack, re-index) rolls an open
    // batch back first. RollbackBatch is true when the files are back
    // as they were at BeginBatch (false: the journal stays for the next open).
    [[nodiscard]] bool BeginBatch();
    [[nodiscard]] bool CommitBatch();
    bool RollbackBatch();
    bool InBatch() const { return batch_.has_value(); }
    // Finishes a replacement of the table's files that was committed but cut
    // short, or removes the leftovers of one that was not; then rolls back an
    // operation cut short in the middle (see docs/file-formats.md).
    static bool RecoverFiles(FileSystem& fs, const std::string& fileName);

    // Properties.
    bool Modifi() const;
    TTableBlobState State() const { return FState; }
    uint16_t LengthPageBlob() const { return FHeadr.FLengthPage; }
    void SetLengthPageBlob(uint16_t size);
    [[nodiscard]] bool SetNewSizePageBlob(uint16_t size);
    const ATableBlobHead& Headr() const { return FHeadr; }
    const std::vector<IndexEntry>& Index() const { return FStIndex; }
    TTableBlobSortIndex SortIndex() const { return FSortIndex; }
    bool GotoKeyMode() const { return FGotoKey; }

    // Events.
    TMessageForTableBlob ErrorSave;
    TMessageForTableBlob ErrorOpen;
    TMessageForTableBlob ErrorTest;
    TNotifyEvent AfterOpen;
    TNotifyEvent AfterClose;
    TMessageDlgForTableBlob CanReWrite;
    TonTestKeysEvent onTestKeys;

    // --- used by the field classes ---
    // The .b1 slot the file position stands on (FCountRecordAll = at the end).
    int64_t currentSlot() const { return posSlot_; }
    uint64_t slotLength() const {
        return kRecordHeadSize + static_cast<uint64_t>(FHeadr.FLengthRecords);
    }
    // Reads/writes bytes at an offset inside the current slot; throws
    // ERangeError when the slot lies outside .b1 or the file fails.
    void readSlotBytes(int offset, void* buffer, std::size_t n);
    void writeSlotBytes(int offset, const void* buffer, std::size_t n);
    void fieldSet() {
        if (FState == dsOpening) FState = dsEdit;
    }
    // Key writes: remember the key searched, or move the index entry.
    bool inKeySearch() const { return FGotoKey; }
    void setGotoKeyN(uint32_t key) { FGotoKeyN = key; }
    void keyChanged(uint32_t oldKey, uint32_t newKey);
    ATableBlobHead& headr() { return FHeadr; }
    void markHeadrModified() { FModifiHeadr = true; }
    TableFile& b2() { return FFileStream_b2; }
    [[nodiscard]] bool ensureB2Open();
    // Frees the page chain starting at firstPage (count adjusts the counter).
    void freePages(uint32_t count, uint32_t firstPage);
    // Bracket of an operation that changes the files (rollback journal).
    void beginJournal();
    [[nodiscard]] bool endJournal(bool success);

private:
    // What the object held at BeginBatch, put back when the batch is undone.
    struct BatchStart {
        ATableBlobHead headr;
        std::vector<IndexEntry> index;
        TTableBlobSortIndex sort = siIndex;
        uint32_t cursor = 0;
        int64_t pos = 0;
        bool modifiHeadr = false;
    };
    // Plays the batch's journal back and restores the object; true when the
    // files are back. Later writes of the batch are refused.
    bool undoBatch();
    void restoreBatchStart(const BatchStart& start);
    // Closing with a batch open: the batch is rolled back.
    void abandonBatch();
    friend class TField;
    void raiseErrorOpen(uint16_t code, const std::string& text);
    // Reports a lock not taken (kErrorLocked) and returns null.
    std::unique_ptr<FileLock> lockOrReport(LockKind kind, std::chrono::milliseconds wait);
    // True when a plan or a non-empty journal waits to be settled.
    bool pendingRecovery();
    // Settles a dead writer's plan and journal for a read-only open.
    [[nodiscard]] bool settleForReader();
    // Changes are refused on a table opened read-only.
    bool openedReadOnly() const { return openedReadOnly_ && FState != dsInactive; }
    bool failOpen(uint16_t code, const std::string& text);
    void recomputeLayout();
    TField* createField(uint8_t typeCode);
    [[nodiscard]] bool saveIndex();
    [[nodiscard]] bool saveHeadr();
    [[nodiscard]] bool flushData();
    void discardData();
    [[nodiscard]] bool buildIndexFromB1();
    [[nodiscard]] bool readSlotHeadr(uint32_t slot, ARecordHeadr& h, uint32_t& key);
    [[nodiscard]] bool writeSlotHeadr(uint32_t slot, const ARecordHeadr& h);
    void placeAtEntry(uint32_t position);
    bool gapKey(uint32_t& key);
    void sortIndex(TTableBlobSortIndex mode);
    void resetHeadr();
    // Writes new contents for some of .b0/.b1/.b2 (empty optional = keep,
    // `remove` = delete) as temporary files, commits them with a plan file and
    // renames them over the table's files. dropIndex deletes .bi on the way.
    struct Replacement {
        const std::vector<uint8_t>* b0 = nullptr;
        const std::vector<uint8_t>* b1 = nullptr;
        const std::vector<uint8_t>* b2 = nullptr;
        bool removeB2 = false;
        bool dropIndex = false;
        // The caller wrote "<table>.b2t" itself (complete and flushed).
        bool b2Written = false;
    };
    [[nodiscard]] bool replaceFiles(const Replacement& r);
    std::vector<uint8_t> encodeB0() const;
    // Rebuilds .b1 from a new field order; newFields[i] is the index of an old
    // field, or -1 for a new field that starts as zeros.
    [[nodiscard]] bool readAllSlots(std::vector<uint8_t>& out);
    // The refusals both re-sizing operations share; false with the message.
    bool readyToResize(std::string& message) const;
    // Where each field starts in a slot and how many bytes it takes.
    void fieldLayout(std::vector<int>& offsets, std::vector<int>& sizes) const;
    std::vector<uint8_t> relayoutSlots(const std::vector<uint8_t>& oldB1,
                                       const std::vector<int>& oldOffsets,
                                       const std::vector<int>& oldSizes,
                                       const std::vector<int>& newFields) const;
    [[nodiscard]] bool reopenAfterReplace();
    // Restores the object when a replacement fails (table_restore_guard.h).
    template <typename Restore>
    class RestoreGuard;
    // Appends a value's pages to a packed page image, renumbered from
    // firstPage; false when the chain is damaged.
    [[nodiscard]] bool copyChain(const ABlobHeadr& bh, uint32_t slot, uint32_t firstPage,
                                 void* sink);
    // Settles a closed table's plan and journal, then checks what a repair
    // relies on; raises ErrorOpen with the reason and returns false when the
    // table cannot be trusted (see table_validate.h).
    [[nodiscard]] bool trustedForRepair(bool allowPartialTail, int64_t& cutB1To);
    // The descriptions in the open .b0 name a type or a size no field has.
    bool fieldsDamaged();

    TCoreHooks& hooks_;
    FileSystem& fs_;
    RollbackJournal journal_;
    std::unique_ptr<FileLock> lock_;
    bool FReadOnly = false;
    bool openedReadOnly_ = false;
    std::string FDatabaseName;
    std::string FTableName;
    std::vector<std::unique_ptr<TField>> LField;
    ATableBlobHead FHeadr;
    TableFile FFileStream_b0;
    TableFile FFileStream_b1;
    TableFile FFileStream_b2;
    bool FModifiHeadr = false;
    bool FModifiNameField = false;
    TTableBlobState FState = dsInactive;
    uint32_t FIndexActivRecord = 0;
    TTableBlobSortIndex FSortIndex = siIndex;
    std::vector<IndexEntry> FStIndex;
    bool FStIndexModifi = false;
    bool FStIndexNewCreated = false;
    bool FGotoKey = false;
    uint32_t FGotoKeyN = 0;
    // The open .bi and the length last written to it.
    std::unique_ptr<File> biFile_;
    uint64_t biSize_ = 0;
    // Where the .bi and .b1 file positions of the original stand.
    uint32_t indexReadPos_ = 0;
    int64_t posSlot_ = 0;
    std::optional<BatchStart> batch_;
    bool batchFailed_ = false;
    bool batchBack_ = true;  // a failed batch's files were rolled back
};

// Opens a batch on a table for the life of the object; rolled back unless
// commit() was called and succeeded.
class TTableBatch {
public:
    explicit TTableBatch(TTableBlob& table) : table_(table), begun_(table.BeginBatch()) {}
    ~TTableBatch() {
        if (begun_ && !done_) (void)table_.RollbackBatch();
    }
    TTableBatch(const TTableBatch&) = delete;
    TTableBatch& operator=(const TTableBatch&) = delete;
    bool begun() const { return begun_; }
    [[nodiscard]] bool commit() {
        if (!begun_ || done_) return false;
        done_ = true;
        return table_.CommitBatch();
    }

private:
    TTableBlob& table_;
    bool begun_;
    bool done_ = false;
};

}  // namespace zavlin
