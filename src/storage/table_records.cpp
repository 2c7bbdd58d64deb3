// Adding, posting, deleting and restoring records under the rollback journal.
#include <functional>
#include <optional>

#include "base/errors.h"
#include "storage/table_blob.h"

namespace zavlin {

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

}  // namespace zavlin
