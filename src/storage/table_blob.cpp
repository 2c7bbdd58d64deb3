#include "storage/table_blob.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

#include "base/cp1251.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/neighbour_sort.h"
#include "base/text.h"
#include "storage/table_validate.h"

namespace zavlin {
namespace {

const char* const kNoTableName = "Отсутствует название таблици.";
const char* const kTableMissing = "Таблица отсутствует.";
const char* const kReadError = "Ошибка при чтении файла.";
const char* const kLengthError = "Ошибка длины файла. База данных повреждена.";
const char* const kIndexCreateError = "Ошибка при создании файла индексов.";
const char* const kOverwriteQuestion = "Таблица сущенствует. Перезаписать?";
const char* const kLocked = "Таблица занята другой программой";
const char* const kLockError = "Ошибка блокировки таблицы.";
const char* const kUnsettled =
    "Таблица содержит незавершённую запись, открыть её только для чтения нельзя.";

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::size_t lastSeparator(std::string_view s) {
    for (std::size_t i = s.size(); i > 0; --i)
        if (isSeparator(s[i - 1])) return i - 1;
    return std::string_view::npos;
}

std::string withSlashes(std::string_view s) {
    std::string r(s);
    std::replace(r.begin(), r.end(), '\\', '/');
    return r;
}

std::mutex& programFolderMutex() {
    static std::mutex m;
    return m;
}
std::filesystem::path& programFolderValue() {
    static std::filesystem::path p;
    return p;
}
}  // namespace

void SetProgramFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(programFolderMutex());
    programFolderValue() = folder;
}

std::filesystem::path ProgramFolder() {
    std::lock_guard lock(programFolderMutex());
    if (!programFolderValue().empty()) return programFolderValue();
    std::error_code ec;
    return std::filesystem::current_path(ec);
}

TTableBlob::TTableBlob(TCoreHooks& hooks, FileSystem& fs) : hooks_(hooks), fs_(fs), journal_(fs) {
    resetHeadr();
    FFileStream_b0.setJournal(&journal_, 0);
    FFileStream_b1.setJournal(&journal_, 1);
    FFileStream_b2.setJournal(&journal_, 2);
}

TTableBlob::~TTableBlob() {
    Clear();
}

// ---------------------------------------------------------------- naming

void TTableBlob::SetDatabaseName(std::string_view value) {
    std::string v = withSlashes(trimView(value));
    // A value naming a file is reduced to its folder. Folder names with dots
    // are common here (~/.local/...), so only a last component that is not an
    // existing folder counts as a file name.
    const std::size_t sep = lastSeparator(v);
    const std::string last = sep == std::string::npos ? v : v.substr(sep + 1);
    std::error_code ec;
    if (last.find('.') != std::string::npos && last != "." && last != ".." &&
        !std::filesystem::is_directory(v, ec)) {
        v = sep == std::string::npos ? std::string() : v.substr(0, sep + 1);
    }
    if (!v.empty() && v.back() != '/') v += '/';
    FDatabaseName = v;
}

void TTableBlob::SetTableName(std::string_view value) {
    std::string v = withSlashes(trimView(value));
    const std::size_t sep = lastSeparator(v);
    if (sep != std::string::npos) {
        FDatabaseName = v.substr(0, sep + 1);
        v = v.substr(sep + 1);
    }
    const std::size_t dot = v.find('.');
    if (dot != std::string::npos) v.resize(dot);
    FTableName = v;
}

std::string TTableBlob::FileName() const {
    if (FTableName.empty()) return {};
    std::string base = withSlashes(FTableName);
    const std::size_t sep = lastSeparator(base);
    if (sep != std::string::npos) base = base.substr(sep + 1);
    const std::size_t dot = base.find('.');
    if (dot != std::string::npos) base.resize(dot);
    if (base.empty()) return {};
    std::string folder = FDatabaseName;
    if (folder.empty()) {
        folder = ProgramFolder().string();
        if (folder.empty() || folder.back() != '/') folder += '/';
    }
    return folder + base;
}

std::filesystem::path TTableBlob::FilePath(const char* extension) const {
    return std::filesystem::path(FileName() + extension);
}

// ---------------------------------------------------------------- life cycle

void TTableBlob::resetHeadr() {
    FHeadr = ATableBlobHead{};
    FHeadr.FCountField = static_cast<uint8_t>(std::min<std::size_t>(LField.size(), 255));
}

void TTableBlob::Clear() {
    // A batch still open is undone while its table is still held.
    abandonBatch();
    FFileStream_b0.close();
    FFileStream_b1.close();
    FFileStream_b2.close();
    biFile_.reset();
    biSize_ = 0;
    // The empty journal goes while the table is still held: removed after
    // the lock, it could be another process's new journal by then.
    journal_.close();
    lock_.reset();
    openedReadOnly_ = false;
    LField.clear();
    resetHeadr();
    FStIndex.clear();
    FModifiHeadr = FModifiNameField = false;
    FStIndexModifi = FStIndexNewCreated = false;
    FGotoKey = false;
    FGotoKeyN = 0;
    FIndexActivRecord = 0;
    indexReadPos_ = 0;
    posSlot_ = 0;
    FSortIndex = siIndex;
    FState = dsInactive;
}

void TTableBlob::Close() {
    Clear();
    if (AfterClose) AfterClose(*this);
}

void TTableBlob::ClearLField() {
    LField.clear();
}

void TTableBlob::raiseErrorOpen(uint16_t code, const std::string& text) {
    if (ErrorOpen) {
        ErrorOpen(*this, code, text);
    } else if ((code >= 60 && code <= 64) || code == kErrorLocked || code == kErrorUnsettled) {
        hooks_.Message(text);
    }
}

std::unique_ptr<FileLock> TTableBlob::lockOrReport(LockKind kind, std::chrono::milliseconds wait) {
    LockRefusal refusal;
    const auto path = FilePath(".bl");
    auto lock = fs_.lock(path, kind, wait, refusal);
    if (lock) return lock;
    if (!refusal.busy) {
        raiseErrorOpen(kErrorLocked, std::string(kLockError) + " " + path.string());
    } else if (refusal.holder.empty()) {
        raiseErrorOpen(kErrorLocked, std::string(kLocked) + ". " + FilePath(".b0").string());
    } else {
        raiseErrorOpen(kErrorLocked, std::string(kLocked) + " (" + refusal.holder + "). " +
                                         FilePath(".b0").string());
    }
    return nullptr;
}

std::unique_ptr<FileLock> TTableBlob::LockTable(LockKind kind) {
    if (FileName().empty()) {
        raiseErrorOpen(22, kNoTableName);
        return nullptr;
    }
    return lockOrReport(kind, lockWait());
}

bool TTableBlob::pendingRecovery() {
    if (fs_.exists(FilePath(".bt"))) return true;
    const auto journal = FilePath(".bj");
    if (!fs_.exists(journal)) return false;
    // An empty journal is no journal; one that cannot be read counts.
    auto f = fs_.open(journal, OpenMode::ReadOnly);
    return !f || f->size() != 0;
}

bool TTableBlob::settleForReader() {
    // Under the shared lock no live writer is in the middle of an operation
    // (writers hold the table exclusively from open to close): the leftovers
    // are a dead writer's. They are settled only when this process may
    // write, which the exclusive lock and a writable .b0 tell.
    lock_.reset();
    lock_ = lockOrReport(LockKind::Exclusive, lockWait());
    if (!lock_) return false;
    if (pendingRecovery()) {
        if (!fs_.open(FilePath(".b0"), OpenMode::ReadWrite)) return false;
        if (!RecoverFiles(fs_, FileName()) && fs_.exists(FilePath(".bt"))) return false;
        if (!RollbackJournal::replay(fs_, FileName()) && pendingRecovery()) return false;
    }
    // Back to sharing the table: shared taken before exclusive is let go.
    auto shared = lockOrReport(LockKind::Shared, lockWait());
    if (!shared) return false;
    lock_ = std::move(shared);
    return true;
}

bool TTableBlob::failOpen(uint16_t code, const std::string& text) {
    Clear();
    raiseErrorOpen(code, text);
    return false;
}

bool TTableBlob::CreateFile() {
    Clear();
    FModifiHeadr = true;
    if (FileName().empty()) {
        raiseErrorOpen(10, kNoTableName);
        return false;
    }
    // Creating is writing, whatever the last open was.
    FReadOnly = false;
    // Held until the new table is open (Open takes its own handle on it).
    const auto held = lockOrReport(LockKind::Exclusive, lockWait());
    if (!held) return false;
    const auto b0 = FilePath(".b0");
    if (fs_.exists(b0) && CanReWrite) {
        bool rewrite = true;
        CanReWrite(*this, std::string(kOverwriteQuestion) + " " + b0.string(), rewrite);
        if (!rewrite) return false;
    }
    // Whatever an operation cut short left of the old table (a journal, a
    // committed plan) is settled on the old files first; left for later, it
    // would be played back over the new ones.
    if (!RecoverFiles(fs_, FileName()) || !RollbackJournal::replay(fs_, FileName())) return false;
    FHeadr.FDateTimeCreate = nowLocal();
    FHeadr.FCountField = 0;
    // The new empty table takes the place of any old one in one committed
    // step, so a crash leaves one of the two, never a mix.
    const std::vector<uint8_t> b0Bytes = encodeB0();
    const std::vector<uint8_t> empty;
    Replacement r;
    r.b0 = &b0Bytes;
    r.b1 = &empty;
    r.removeB2 = true;
    r.dropIndex = true;
    if (!replaceFiles(r)) return false;
    return Open();
}

TField* TTableBlob::createField(uint8_t typeCode) {
    std::unique_ptr<TField> f;
    switch (typeCode) {
        case ftString:
            f = std::make_unique<TStringField>(this);
            break;
        case ftSmallint:
            f = std::make_unique<TSmallintField>(this);
            break;
        case ftInteger:
            f = std::make_unique<TIntegerField>(this);
            break;
        case ftWord:
            f = std::make_unique<TWordField>(this);
            break;
        case ftBoolean:
            f = std::make_unique<TBooleanField>(this);
            break;
        case ftFloat:
            f = std::make_unique<TFloatField>(this);
            break;
        case ftDate:
            f = std::make_unique<TDateField>(this);
            break;
        case ftDateTime:
            f = std::make_unique<TDateTimeField>(this);
            break;
        case ftAutoInc:
            f = std::make_unique<TAutoIncField>(this);
            break;
        case ftBlob:
            f = std::make_unique<TBlobField>(this);
            break;
        case ftLongWord:
            f = std::make_unique<TLongWordField>(this);
            break;
        case ftNewKeys:
            f = std::make_unique<TNewKeysField>(this);
            break;
        default:
            hooks_.Message("Класс Field не поддерживается " + fieldTypeName(typeCode));
            return nullptr;
    }
    f->SetTypeCode(typeCode);
    if (typeCode == ftAutoInc) FHeadr.FTypeInc = 1;
    if (typeCode == ftNewKeys) FHeadr.FTypeInc = 0;
    LField.push_back(std::move(f));
    return LField.back().get();
}

void TTableBlob::recomputeLayout() {
    uint32_t pos = kRecordHeadSize;
    for (auto& f : LField) {
        // Positions are signed 16-bit; adding a field keeps slots below 32768.
        f->SetPosSeekRecord(static_cast<int32_t>(pos));
        pos += static_cast<uint32_t>(f->GetSizeForFile_b1());
    }
    FHeadr.FLengthRecords = pos - kRecordHeadSize;
}

bool TTableBlob::Open() {
    // A reopen keeps the table locked: the old handle goes after the new one
    // is taken, so another process cannot come in between.
    auto previous = std::move(lock_);
    Clear();
    if (FileName().empty()) return failOpen(22, kNoTableName);
    // No lock file is left beside a table that is not there (a plan may
    // still bring .b0 back).
    if (!fs_.exists(FilePath(".b0")) && !fs_.exists(FilePath(".bt")))
        return failOpen(23, std::string(kTableMissing) + " " + FilePath(".b0").string());
    const bool readOnly = FReadOnly;
    lock_ = lockOrReport(readOnly ? LockKind::Shared : LockKind::Exclusive, lockWait());
    previous.reset();
    if (!lock_) {
        Clear();
        return false;
    }
    // A replacement of the files or an operation cut short by a crash is
    // settled first, and only under the exclusive lock (a journal under a
    // live writer's lock is that writer's work in progress). While a plan or
    // a journal cannot be settled the files are a mix of two versions: the
    // table does not open (an operation on it would also start a new journal
    // over the old one).
    const auto plan = FilePath(".bt");
    const auto journal = FilePath(".bj");
    if (readOnly) {
        if (pendingRecovery() && !settleForReader()) {
            const auto what = fs_.exists(plan) ? plan : journal;
            return failOpen(kErrorUnsettled, std::string(kUnsettled) + " " + what.string());
        }
    } else {
        if (!RecoverFiles(fs_, FileName()) && fs_.exists(plan))
            return failOpen(24, std::string(kReadError) + " " + plan.string());
        std::string damage;
        if (!RollbackJournal::replay(fs_, FileName(), &damage) && fs_.exists(journal))
            return failOpen(24, std::string(kReadError) + " " + journal.string() +
                                    (damage.empty() ? "" : ": " + damage));
    }
    const OpenMode existing = readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite;
    const OpenMode created = readOnly ? OpenMode::ReadOnly : OpenMode::ReadWriteCreate;
    const auto b0 = FilePath(".b0");
    const auto b1 = FilePath(".b1");
    const auto b2 = FilePath(".b2");
    const auto bi = FilePath(".bi");
    if (!fs_.exists(b0)) return failOpen(23, std::string(kTableMissing) + " " + b0.string());
    if (!FFileStream_b0.open(fs_, b0, existing))
        return failOpen(24, std::string(kReadError) + " " + b0.string());

    uint8_t head[kTableHeadSize];
    if (!FFileStream_b0.read(0, head, sizeof head))
        return failOpen(25, std::string(kReadError) + " " + b0.string());
    FHeadr = ATableBlobHead::decode(head);
    for (int i = 0; i < FHeadr.FCountField; ++i) {
        uint8_t d[kFieldDescSize];
        const uint64_t at = kTableHeadSize + static_cast<uint64_t>(i) * kFieldDescSize;
        // Descriptions cut off by the end of the file are a length fault,
        // which the length check below reports (code 60).
        if (at + kFieldDescSize > FFileStream_b0.size()) break;
        if (!FFileStream_b0.read(at, d, sizeof d))
            return failOpen(25, std::string(kReadError) + " " + b0.string());
        std::string_view raw(reinterpret_cast<const char*>(d + 2), kFieldNameLength);
        TField* f = createField(d[0]);
        if (!f) continue;
        f->SetName(cp1251ToUtf8(trimView(raw)));
        if (f->asStringField()) f->SetSizeForFile_b1(d[28]);
    }
    recomputeLayout();
    if (FFileStream_b0.size() !=
        kTableHeadSize + static_cast<uint64_t>(FHeadr.FCountField) * kFieldDescSize)
        return failOpen(60, std::string(kLengthError) + " " + b0.string());
    if (fieldsDamaged()) return failOpen(64, std::string(kDamagedFieldsText) + " " + b0.string());

    // A reader takes a missing .b1 or .b2 as empty rather than create it.
    if (readOnly && !fs_.exists(b1)) {
        if (FHeadr.FCountRecordAll != 0)
            return failOpen(61, std::string(kLengthError) + " " + b1.string());
    } else if (!FFileStream_b1.open(fs_, b1, created))
        return failOpen(27, std::string(kReadError) + " " + b1.string());
    if (FFileStream_b1.size() != slotLength() * FHeadr.FCountRecordAll)
        return failOpen(61, std::string(kLengthError) + " " + b1.string());

    if (readOnly && CanBlobFields() && !fs_.exists(b2)) {
        if (FHeadr.FCountPageAll != 0)
            return failOpen(62, std::string(kLengthError) + " " + b2.string());
    } else if (CanBlobFields()) {
        if (!FFileStream_b2.open(fs_, b2, created))
            return failOpen(28, std::string(kReadError) + " " + b2.string());
        // A page length of 0 cannot describe any page: the file is damaged.
        if (FFileStream_b2.size() != (kPageHeadSize + static_cast<uint64_t>(FHeadr.FLengthPage)) *
                                         FHeadr.FCountPageAll ||
            (FHeadr.FLengthPage == 0 && FHeadr.FCountPageAll != 0))
            return failOpen(62, std::string(kLengthError) + " " + b2.string());
    }

    if (fs_.exists(bi)) {
        auto f = fs_.open(bi, existing);
        int64_t size = f ? f->size() : -1;
        if (size < 0) return failOpen(29, std::string(kReadError) + " " + bi.string());
        // The length is checked before anything is read, so a huge file
        // costs nothing; a ragged tail fails the check too.
        if (static_cast<uint64_t>(size) !=
            static_cast<uint64_t>(FHeadr.FCountRecord) * kIndexEntrySize)
            return failOpen(63, std::string(kLengthError) + " " + bi.string());
        std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
        if (size > 0 && !f->readAt(0, bytes.data(), bytes.size()))
            return failOpen(29, std::string(kReadError) + " " + bi.string());
        FStIndex.resize(bytes.size() / kIndexEntrySize);
        for (std::size_t i = 0; i < FStIndex.size(); ++i) {
            FStIndex[i].key = getU32(bytes.data() + i * kIndexEntrySize);
            FStIndex[i].slot = getU32(bytes.data() + i * kIndexEntrySize + 4);
        }
        biFile_ = std::move(f);
        biSize_ = bytes.size();
    } else if (readOnly) {
        // The index is built in memory only; the header keeps its count.
        try {
            if (!buildIndexFromB1())
                return failOpen(30, std::string(kIndexCreateError) + " " + bi.string());
        } catch (const std::exception&) {
            return failOpen(33, std::string(kIndexCreateError) + " " + bi.string());
        }
        FModifiHeadr = false;
    } else {
        try {
            if (!buildIndexFromB1())
                return failOpen(30, std::string(kIndexCreateError) + " " + bi.string());
            FStIndexModifi = true;
            FStIndexNewCreated = true;
            if (!saveIndex() && ErrorOpen)
                return failOpen(31, std::string(kIndexCreateError) + " " + bi.string());
            if (FModifiHeadr && !saveHeadr())
                return failOpen(32, std::string(kIndexCreateError) + " " + bi.string());
        } catch (const std::exception&) {
            return failOpen(33, std::string(kIndexCreateError) + " " + bi.string());
        }
    }
    if (FStIndex.size() != FHeadr.FCountRecord)
        return failOpen(63, std::string(kLengthError) + " " + bi.string());

    First();
    FState = dsOpening;
    openedReadOnly_ = readOnly;
    if (AfterOpen) AfterOpen(*this);
    return true;
}

bool TTableBlob::buildIndexFromB1() {
    FStIndex.clear();
    if (FHeadr.FCountRecordAll > 0 && FHeadr.FLengthRecords > 3) {
        const uint64_t len = slotLength();
        for (uint32_t s = 0; s < FHeadr.FCountRecordAll; ++s) {
            uint8_t h[kRecordHeadSize + 4];
            if (!FFileStream_b1.read(s * len, h, sizeof h)) return false;
            if (h[0] != 0) FStIndex.push_back({getU32(h + kRecordHeadSize), s});
        }
    }
    if (FStIndex.size() != FHeadr.FCountRecord) {
        FHeadr.FCountRecord = static_cast<uint32_t>(FStIndex.size());
        FModifiHeadr = true;
    }
    FSortIndex = siIndex;
    posSlot_ = 0;
    return true;
}

bool TTableBlob::EmptyTable() {
    if (!Active() || openedReadOnly()) return false;
    const ATableBlobHead old = FHeadr;
    const bool blobs = CanBlobFields();
    ATableBlobHead h;
    h.FLengthPage = old.FLengthPage;
    h.FReserv1 = old.FReserv1;
    h.FReserv2 = old.FReserv2;
    h.FReserv3 = old.FReserv3;
    h.FReserv4 = old.FReserv4;
    h.FDateTimeCreate = old.FDateTimeCreate;
    h.FTypeInc = old.FTypeInc;
    FHeadr = h;
    recomputeLayout();
    discardData();
    // All files change together: the emptied table replaces the old one whole.
    const std::vector<uint8_t> b0 = encodeB0();
    const std::vector<uint8_t> empty;
    Replacement r;
    r.b0 = &b0;
    r.b1 = &empty;
    if (blobs) r.b2 = &empty;
    r.dropIndex = true;
    if (!replaceFiles(r)) {
        // Closed when the files are no longer the old table.
        if (!Active()) return false;
        FHeadr = old;
        recomputeLayout();
        return false;
    }
    FStIndex.clear();
    FStIndexModifi = true;
    FModifiHeadr = FModifiNameField = false;
    if (!reopenAfterReplace() || !saveIndex()) return false;
    return Open();
}

// ---------------------------------------------------------------- saving

bool TTableBlob::flushData() {
    // Pages before the slots that point at them.
    bool ok = true;
    if (FFileStream_b2.isOpen()) ok = FFileStream_b2.flush();
    if (ok && FFileStream_b1.isOpen()) ok = FFileStream_b1.flush();
    return ok;
}

void TTableBlob::discardData() {
    FFileStream_b2.discard();
    FFileStream_b1.discard();
}

void TTableBlob::sortIndex(TTableBlobSortIndex mode) {
    if (FStIndex.size() >= 2) {
        if (mode == siAutoInc) {
            neighbourSort(FStIndex.begin(), FStIndex.end(),
                          [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; });
        } else {
            neighbourSort(FStIndex.begin(), FStIndex.end(),
                          [](const IndexEntry& a, const IndexEntry& b) { return a.slot < b.slot; });
        }
    }
    FSortIndex = mode;
}

bool TTableBlob::saveIndex() {
    if (!FStIndexModifi) return true;
    if (openedReadOnly()) return false;
    if (FSortIndex != siIndex) sortIndex(siIndex);
    std::vector<uint8_t> bytes(FStIndex.size() * kIndexEntrySize);
    for (std::size_t i = 0; i < FStIndex.size(); ++i) {
        putU32(bytes.data() + i * kIndexEntrySize, FStIndex[i].key);
        putU32(bytes.data() + i * kIndexEntrySize + 4, FStIndex[i].slot);
    }
    // The index is written whole into the open file (cut when it shrank): the
    // same bytes as recreating it, without creating a file at every append.
    if (biFile_) {
        bool ok = bytes.empty() || biFile_->writeAt(0, bytes.data(), bytes.size());
        if (ok && bytes.size() < biSize_) ok = biFile_->truncate(bytes.size());
        if (!ok) {
            // What the file holds now is unknown: replace it whole next time.
            biFile_.reset();
            biSize_ = 0;
            return false;
        }
    } else {
        const auto bi = FilePath(".bi");
        if (!replaceFileWhole(fs_, bi, bytes.data(), bytes.size(), false)) return false;
        biFile_ = fs_.open(bi, OpenMode::ReadWrite);
    }
    biSize_ = bytes.size();
    FStIndexModifi = false;
    return true;
}

bool TTableBlob::saveHeadr() {
    if (openedReadOnly()) return !FModifiNameField && !FModifiHeadr;
    FHeadr.FCountField = static_cast<uint8_t>(std::min<std::size_t>(LField.size(), 255));
    FHeadr.FLengthHeadr = kTableHeadSize;
    if (FModifiNameField) {
        recomputeLayout();
        const std::vector<uint8_t> bytes = encodeB0();
        const auto b0 = FilePath(".b0");
        if (!replaceFileWhole(fs_, b0, bytes.data(), bytes.size(), true)) return false;
        FModifiHeadr = FModifiNameField = false;
        // The old handle still points at the replaced file.
        if (!FFileStream_b0.open(fs_, b0, OpenMode::ReadWrite)) return false;
        return true;
    }
    if (FModifiHeadr) {
        uint8_t head[kTableHeadSize];
        FHeadr.encode(head);
        if (!FFileStream_b0.write(0, head, sizeof head) || !FFileStream_b0.flush()) return false;
        FModifiHeadr = false;
    }
    return true;
}

bool TTableBlob::Modifi() const {
    if (FModifiHeadr || FModifiNameField) return true;
    return std::any_of(LField.begin(), LField.end(), [](const auto& f) { return f->Pending(); });
}

// ---------------------------------------------------------------- slots

void TTableBlob::readSlotBytes(int offset, void* buffer, std::size_t n) {
    if (posSlot_ < 0 || offset < 0) throw ERangeError("no current record");
    const uint64_t at =
        static_cast<uint64_t>(posSlot_) * slotLength() + static_cast<uint64_t>(offset);
    if (!FFileStream_b1.isOpen() || !FFileStream_b1.read(at, buffer, n))
        throw ERangeError("record slot outside the table file");
}

void TTableBlob::writeSlotBytes(int offset, const void* buffer, std::size_t n) {
    if (openedReadOnly()) throw ERangeError("the table is open read-only");
    if (posSlot_ < 0 || offset < 0 || static_cast<uint64_t>(posSlot_) >= FHeadr.FCountRecordAll)
        throw ERangeError("no current record");
    const uint64_t at =
        static_cast<uint64_t>(posSlot_) * slotLength() + static_cast<uint64_t>(offset);
    if (!FFileStream_b1.write(at, buffer, n)) throw ERangeError("cannot write the record slot");
}

bool TTableBlob::readSlotHeadr(uint32_t slot, ARecordHeadr& h, uint32_t& key) {
    uint8_t b[kRecordHeadSize + 4] = {};
    const uint64_t at = static_cast<uint64_t>(slot) * slotLength();
    const std::size_t n = FHeadr.FLengthRecords >= 4 ? sizeof b : kRecordHeadSize;
    if (slot >= FHeadr.FCountRecordAll || !FFileStream_b1.read(at, b, n)) return false;
    h = ARecordHeadr::decode(b);
    key = n == sizeof b ? getU32(b + kRecordHeadSize) : 0;
    return true;
}

bool TTableBlob::writeSlotHeadr(uint32_t slot, const ARecordHeadr& h) {
    uint8_t b[kRecordHeadSize];
    h.encode(b);
    return FFileStream_b1.write(static_cast<uint64_t>(slot) * slotLength(), b, sizeof b);
}

bool TTableBlob::ReadRecordHeadr(ARecordHeadr& header) {
    uint32_t key;
    if (posSlot_ < 0) return false;
    return readSlotHeadr(static_cast<uint32_t>(posSlot_), header, key);
}

bool TTableBlob::WriteRecordHeadr(const ARecordHeadr& header) {
    if (openedReadOnly()) return false;
    if (posSlot_ < 0 || static_cast<uint64_t>(posSlot_) >= FHeadr.FCountRecordAll) return false;
    if (!writeSlotHeadr(static_cast<uint32_t>(posSlot_), header) || !flushData()) return false;
    return true;
}

int64_t TTableBlob::IndexActivRecordAbsolut() const {
    if (FFileStream_b1.size() == 0) return -1;
    return posSlot_;
}

// ---------------------------------------------------------------- records

namespace {

// Brackets one operation that changes the files: the journal is started, and
// when the operation fails half-way the disk is rolled back and the in-memory
// state restored, so the object keeps describing what the disk holds.
struct OperationGuard {
    explicit OperationGuard(TTableBlob& table, ATableBlobHead& headr,
                            std::vector<IndexEntry>* index, std::function<void()> onFail)
        : table_(table), headr_(headr), saved_(headr), index_(index), onFail_(std::move(onFail)) {
        if (index_) savedIndex_ = *index_;
        table_.beginJournal();
    }
    ~OperationGuard() {
        if (done_) return;
        restore();
        (void)table_.endJournal(false);
    }
    [[nodiscard]] bool commit() {
        done_ = true;
        if (table_.endJournal(true)) return true;
        // The journal could not be closed and was played back: the files
        // hold what they held before, and so must the object.
        restore();
        return false;
    }

private:
    void restore() {
        headr_ = saved_;
        if (index_) *index_ = std::move(*savedIndex_);
        onFail_();
    }

    TTableBlob& table_;
    bool done_ = false;
    ATableBlobHead& headr_;
    ATableBlobHead saved_;
    std::vector<IndexEntry>* index_;
    std::optional<std::vector<IndexEntry>> savedIndex_;
    std::function<void()> onFail_;
};

}  // namespace

bool TTableBlob::Append() {
    if (!Active() || openedReadOnly()) return false;
    const auto savedSort = FSortIndex;
    const auto savedCursor = FIndexActivRecord;
    const auto savedPos = posSlot_;
    OperationGuard guard(*this, FHeadr, &FStIndex, [&] {
        discardData();
        FSortIndex = savedSort;
        FIndexActivRecord = savedCursor;
        posSlot_ = savedPos;
    });
    FModifiHeadr = true;
    uint32_t slot = 0;
    uint32_t key = 0;
    bool reused = false;
    if (FHeadr.FAutoIncDelRec != 0) {
        slot = FHeadr.FIndexDelRec;
        ARecordHeadr h;
        uint32_t oldKey = 0;
        // Never take a live slot, whatever a damaged chain says.
        if (!readSlotHeadr(slot, h, oldKey) || h.live())
            throw ERangeError("damaged deleted-record chain");
        if (FHeadr.FTypeInc == 1) {
            if (FHeadr.FAutoInc == UINT32_MAX) throw ERangeError("key counter overflow");
            key = ++FHeadr.FAutoInc;
        } else {
            key = FHeadr.FAutoIncDelRec;
        }
        FHeadr.FAutoIncDelRec = h.FAutoIncDelRec;
        FHeadr.FIndexDelRec = h.FIndexDelRec;
        ++FHeadr.FCountRecord;
        reused = true;
    } else {
        if (FHeadr.FCountRecordAll == UINT32_MAX) throw ERangeError("too many record slots");
        slot = FHeadr.FCountRecordAll;
        if (FHeadr.FTypeInc == 1 || !gapKey(key)) {
            if (FHeadr.FAutoInc == UINT32_MAX) throw ERangeError("key counter overflow");
            key = ++FHeadr.FAutoInc;
        }
        ++FHeadr.FCountRecordAll;
        ++FHeadr.FCountRecord;
    }
    FStIndex.push_back({key, slot});
    FSortIndex = siDefailt;
    FStIndexModifi = true;
    FIndexActivRecord = static_cast<uint32_t>(FStIndex.size() - 1);
    posSlot_ = slot;

    if (reused) {
        for (auto& f : LField) {
            if (!f->asBlobField()) continue;
            uint8_t b[kBlobHeadSize];
            readSlotBytes(f->PosSeekRecord(), b, sizeof b);
            const ABlobHeadr bh = ABlobHeadr::decode(b);
            if (bh.FCountPage > 0) freePages(bh.FCountPage, bh.FPageStartN);
        }
    }
    std::vector<uint8_t> bytes(slotLength(), 0);
    ARecordHeadr live;
    live.encode(bytes.data());
    if (FHeadr.FLengthRecords >= 4) putU32(bytes.data() + kRecordHeadSize, key);
    if (!FFileStream_b1.write(static_cast<uint64_t>(slot) * slotLength(), bytes.data(),
                              bytes.size()))
        return false;
    for (auto& f : LField) f->Clear();
    if (!flushData() || !saveIndex() || !saveHeadr()) return false;
    return guard.commit();
}

void TTableBlob::Edit() {
    FGotoKey = false;
    if (Active()) FState = dsEdit;
}

bool TTableBlob::Post() {
    if (!Active() || openedReadOnly()) return false;
    OperationGuard guard(*this, FHeadr, nullptr, [&] { discardData(); });
    std::vector<TField*> written;
    for (auto& f : LField) {
        if (!f->Pending()) continue;
        f->WriteForFile_b1();
        written.push_back(f.get());
    }
    if (!flushData() || !saveIndex() || !saveHeadr()) return false;
    // Values stay pending until the change is final, so a failed Post can be
    // repeated and writes them again.
    if (!guard.commit()) return false;
    for (TField* f : written) f->Committed();
    FState = dsOpening;
    return true;
}

bool TTableBlob::Delete() {
    if (!Active() || openedReadOnly() || posSlot_ < 0) return false;
    const uint32_t slot = static_cast<uint32_t>(posSlot_);
    ARecordHeadr h;
    uint32_t key = 0;
    if (!readSlotHeadr(slot, h, key)) return false;
    if (!h.live()) return true;
    const auto savedSort = FSortIndex;
    const auto savedCursor = FIndexActivRecord;
    OperationGuard guard(*this, FHeadr, &FStIndex, [&] {
        discardData();
        FSortIndex = savedSort;
        FIndexActivRecord = savedCursor;
    });
    h.FState = 0;
    h.FAutoIncDelRec = FHeadr.FAutoIncDelRec;
    h.FIndexDelRec = FHeadr.FIndexDelRec;
    FHeadr.FAutoIncDelRec = key;
    FHeadr.FIndexDelRec = slot;
    FModifiHeadr = true;
    auto it = std::find_if(FStIndex.begin(), FStIndex.end(),
                           [&](const IndexEntry& e) { return e.key == key && e.slot == slot; });
    // A damaged index may name the slot under another key: the entry of the
    // slot goes first, or a loop deleting "until none is found" never ends.
    if (it == FStIndex.end())
        it = std::find_if(FStIndex.begin(), FStIndex.end(),
                          [&](const IndexEntry& e) { return e.slot == slot; });
    if (it == FStIndex.end())
        it = std::find_if(FStIndex.begin(), FStIndex.end(),
                          [&](const IndexEntry& e) { return e.key == key; });
    if (it != FStIndex.end()) {
        *it = FStIndex.back();
        FStIndex.pop_back();
        if (FHeadr.FCountRecord > 0) --FHeadr.FCountRecord;
        // The moved entry breaks slot order; the save restores it on disk.
        FSortIndex = siDefailt;
        FStIndexModifi = true;
    }
    if (FIndexActivRecord > 0) --FIndexActivRecord;
    if (!writeSlotHeadr(slot, h) || !flushData() || !saveIndex() || !saveHeadr()) return false;
    return guard.commit();
}

bool TTableBlob::UnDelete() {
    if (!Active() || openedReadOnly() || posSlot_ < 0) return false;
    const uint32_t slot = static_cast<uint32_t>(posSlot_);
    ARecordHeadr h;
    uint32_t key = 0;
    if (!readSlotHeadr(slot, h, key) || h.live()) return false;
    if (key == 0 || key != FHeadr.FAutoIncDelRec || slot != FHeadr.FIndexDelRec) {
        hooks_.Message("Востановление осуществляется начиная с последней удалённой записи Index=" +
                       std::to_string(FHeadr.FIndexDelRec));
        return false;
    }
    OperationGuard guard(*this, FHeadr, &FStIndex, [&] { discardData(); });
    FHeadr.FAutoIncDelRec = h.FAutoIncDelRec;
    FHeadr.FIndexDelRec = h.FIndexDelRec;
    FModifiHeadr = true;
    h.FState = 0xFF;
    h.FAutoIncDelRec = 0;
    h.FIndexDelRec = 0;
    FStIndex.push_back({key, slot});
    ++FHeadr.FCountRecord;
    sortIndex(siIndex);
    FStIndexModifi = true;
    if (!writeSlotHeadr(slot, h) || !flushData() || !saveIndex() || !saveHeadr()) return false;
    return guard.commit();
}

void TTableBlob::beginJournal() {
    // Inside a batch the batch's journal goes on: old bytes are kept once per
    // range, from the batch's start.
    if (batch_) return;
    journal_.begin(FilePath(".bj"), {FFileStream_b0.diskSize(), FFileStream_b1.diskSize(),
                                     FFileStream_b2.isOpen() ? FFileStream_b2.diskSize() : 0});
    // Nearly every operation rewrites the table header: keeping its old bytes
    // now lets the journal take everything in one write.
    uint8_t head[kTableHeadSize];
    if (FFileStream_b0.read(0, head, sizeof head)) journal_.capture(0, 0, head, sizeof head);
}

bool TTableBlob::endJournal(bool success) {
    if (batch_) {
        // One operation failing undoes the whole batch; the commit ends it.
        if (!success && !batchFailed_) (void)undoBatch();
        return success && !batchFailed_;
    }
    // The index goes to the disk with the rest: after a power cut an old
    // index of the same length would name the wrong slots.
    if (success && biFile_ && !biFile_->sync()) success = false;
    const bool ok =
        journal_.end(success, {FFileStream_b0.raw(), FFileStream_b1.raw(), FFileStream_b2.raw()});
    // A journal that cannot be closed is played back as well.
    if (!success || !ok) {
        // The files were rolled back under the caches and .bi was removed.
        FFileStream_b0.discard();
        FFileStream_b1.discard();
        FFileStream_b2.discard();
        biFile_.reset();
        biSize_ = 0;
        FStIndexModifi = true;
    }
    return ok;
}

int64_t TTableBlob::TestRecordDeleted() {
    posSlot_ = FIndexActivRecord;
    ARecordHeadr h;
    uint32_t key = 0;
    if (!readSlotHeadr(FIndexActivRecord, h, key)) return 0;
    if (h.live()) return -1;
    if (key != 0 && key == FHeadr.FAutoIncDelRec && FIndexActivRecord == FHeadr.FIndexDelRec)
        return key;
    return 0;
}

// ---------------------------------------------------------------- fields

TField* TTableBlob::FieldByName(std::string_view name) const {
    for (auto& f : LField)
        if (f->Name() == name) return f.get();
    return nullptr;
}

TBlobField* TTableBlob::FindBlobField() const {
    for (auto& f : LField)
        if (f->asBlobField()) return static_cast<TBlobField*>(f.get());
    return nullptr;
}

TField* TTableBlob::AddFieldByName(uint8_t typeCode, std::string_view name) {
    return AddFieldByName(static_cast<TFieldTableBlobType>(typeCode), name, 0);
}

TField* TTableBlob::AddFieldByName(TFieldTableBlobType type, std::string_view name, int length) {
    if (openedReadOnly()) return nullptr;
    if (type == ftString && (length < 0 || length > 254))
        throw ERangeError("string length outside 0..254");
    if (LField.size() >= 255) throw ERangeError("a table holds at most 255 fields");
    if (type == ftBlob && (length < 0 || length > 65535))
        throw ERangeError("blob page size outside 1..65535");
    // Field positions in a slot are signed 16-bit numbers.
    const int added = type == ftString ? length + 1 : 12;
    if (kRecordHeadSize + FHeadr.FLengthRecords + static_cast<uint32_t>(added) > 32767)
        throw ERangeError("record slot longer than 32767 bytes");
    if (!fieldTypeCreatable(type)) {
        hooks_.Message("Класс Field не поддерживается " + fieldTypeName(type));
        return nullptr;
    }
    std::vector<int> oldOffsets;
    std::vector<int> oldSizes;
    fieldLayout(oldOffsets, oldSizes);
    std::vector<uint8_t> oldB1;
    const bool rewrite = Active() && FHeadr.FCountRecordAll > 0;
    if (rewrite && !readAllSlots(oldB1)) return nullptr;
    const ATableBlobHead savedHeadr = FHeadr;
    TField* f = createField(type);
    f->SetName(std::string(name));
    if (type == ftString) f->SetSizeForFile_b1(length + 1);
    if (type == ftBlob && length > 0) SetLengthPageBlob(static_cast<uint16_t>(length));
    FModifiHeadr = FModifiNameField = true;
    recomputeLayout();
    if (!Active()) return f;
    bool ok;
    if (rewrite) {
        // Old slots get the new field as zeros; .b1 and .b0 change together.
        std::vector<int> order;
        for (std::size_t i = 0; i + 1 < LField.size(); ++i) order.push_back(static_cast<int>(i));
        order.push_back(-1);
        const std::vector<uint8_t> b1 = relayoutSlots(oldB1, oldOffsets, oldSizes, order);
        const std::vector<uint8_t> b0 = encodeB0();
        Replacement r;
        r.b0 = &b0;
        r.b1 = &b1;
        ok = replaceFiles(r);
        if (ok) {
            FModifiHeadr = FModifiNameField = false;
            ok = reopenAfterReplace();
        }
    } else {
        ok = saveHeadr();
    }
    if (!ok) {
        // Closed when the files are no longer the old table.
        if (!Active()) return nullptr;
        LField.pop_back();
        FHeadr = savedHeadr;
        recomputeLayout();
        (void)reopenAfterReplace();
        return nullptr;
    }
    return f;
}

TAutoIncField* TTableBlob::AddAutoIncField(std::string_view name) {
    return static_cast<TAutoIncField*>(AddFieldByName(ftAutoInc, name, 0));
}
TNewKeysField* TTableBlob::AddNewKeysField(std::string_view name) {
    return static_cast<TNewKeysField*>(AddFieldByName(ftNewKeys, name, 0));
}
TBlobField* TTableBlob::AddBlobField(std::string_view name, int pageSize) {
    return static_cast<TBlobField*>(AddFieldByName(ftBlob, name, pageSize));
}
TStringField* TTableBlob::AddStringField(std::string_view name, int length) {
    return static_cast<TStringField*>(AddFieldByName(ftString, name, length));
}

bool TTableBlob::SetNewFieldName(TField* field, std::string_view newName) {
    if (!field || openedReadOnly()) return false;
    field->SetName(std::string(newName));
    FModifiHeadr = FModifiNameField = true;
    return !Active() || saveHeadr();
}

void TTableBlob::SetLengthPageBlob(uint16_t size) {
    // Pages already in .b2 have the old length: only an empty page file can
    // change it (re-sizing a filled one is SetNewSizeBlobField's work).
    if (FHeadr.FCountPageAll > 0) return;
    if (size != 0 && size != FHeadr.FLengthPage) {
        FHeadr.FLengthPage = size;
        FModifiHeadr = true;
    }
}

bool TTableBlob::SetNewSizePageBlob(uint16_t size) {
    if (size == 0 || size == FHeadr.FLengthPage) return true;
    if (FHeadr.FCountPageAll > 0 || openedReadOnly()) return false;
    FHeadr.FLengthPage = size;
    FModifiHeadr = true;
    return !Active() || saveHeadr();
}

bool TTableBlob::ensureB2Open() {
    if (FFileStream_b2.isOpen()) return true;
    if (openedReadOnly()) return false;
    const auto b2 = FilePath(".b2");
    if (!FFileStream_b2.open(fs_, b2, OpenMode::ReadWriteCreate)) {
        Clear();
        raiseErrorOpen(28, std::string(kReadError) + " " + b2.string());
        return false;
    }
    return true;
}

}  // namespace zavlin
