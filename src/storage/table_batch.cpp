// Batches of record operations committed together under one journal.
#include "storage/table_blob.h"

namespace zavlin {

bool TTableBlob::BeginBatch() {
    if (!Active() || batch_) return false;
    // The batch's journal starts here, with the sizes of this moment.
    beginJournal();
    batch_ = BatchStart{FHeadr, FStIndex, FSortIndex, FIndexActivRecord, posSlot_, FModifiHeadr};
    batchFailed_ = false;
    batchBack_ = true;
    return true;
}

void TTableBlob::restoreBatchStart(const BatchStart& start) {
    FFileStream_b0.discard();
    FFileStream_b1.discard();
    FFileStream_b2.discard();
    biFile_.reset();
    biSize_ = 0;
    FHeadr = start.headr;
    FStIndex = start.index;
    FSortIndex = start.sort;
    FIndexActivRecord = start.cursor;
    posSlot_ = start.pos;
    FModifiHeadr = start.modifiHeadr;
    // .bi was removed with the playback, or holds a later state.
    FStIndexModifi = true;
}

bool TTableBlob::undoBatch() {
    const bool back = journal_.rollback();
    restoreBatchStart(*batch_);
    batchFailed_ = true;
    batchBack_ = back;
    journal_.refuseWrites();
    return back;
}

bool TTableBlob::CommitBatch() {
    if (!batch_) return false;
    if (batchFailed_) {
        batch_.reset();
        batchFailed_ = false;
        (void)journal_.rollback();  // lets go of the refusal; nothing to play back
        return false;
    }
    const BatchStart start = std::move(*batch_);
    batch_.reset();
    // Every operation flushed its bytes; the commit makes them final.
    if (endJournal(true)) return true;
    restoreBatchStart(start);
    return false;
}

bool TTableBlob::RollbackBatch() {
    if (!batch_) return false;
    const bool back = batchFailed_ ? batchBack_ : undoBatch();
    batch_.reset();
    batchFailed_ = false;
    (void)journal_.rollback();
    return back;
}

void TTableBlob::abandonBatch() {
    if (batch_) (void)RollbackBatch();
}

}  // namespace zavlin
