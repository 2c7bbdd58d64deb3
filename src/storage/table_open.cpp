// Naming a table, creating, opening, closing and emptying it.
#include <algorithm>
#include <mutex>

#include "base/cp1251.h"
#include "base/datetime.h"
#include "base/text.h"
#include "storage/table_blob.h"
#include "storage/table_restore_guard.h"
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
    const auto putBack = [&] { FHeadr = old; };
    RestoreGuard restore(*this, putBack, /*reopen=*/false);
    if (!replaceFiles(r)) return false;
    restore.dismiss();
    FStIndex.clear();
    FStIndexModifi = true;
    FModifiHeadr = FModifiNameField = false;
    if (!reopenAfterReplace() || !saveIndex()) return false;
    return Open();
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
