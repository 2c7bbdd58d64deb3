#include "storage/table_blob.h"

namespace zavlin {

// The original walks a file position through .bi and .b1; here indexReadPos_
// is the .bi position (in entries) and posSlot_ the .b1 position (in slots).

void TTableBlob::placeAtEntry(uint32_t position) {
    indexReadPos_ = position;
    if (position < FStIndex.size()) {
        posSlot_ = FStIndex[position].slot;
    } else {
        posSlot_ = FHeadr.FCountRecordAll;
    }
}

void TTableBlob::First() {
    // A walk starts from what the files hold now: another object may have
    // written to this table since the cache was filled.
    FFileStream_b1.refresh();
    FFileStream_b2.refresh();
    FIndexActivRecord = 0;
    placeAtEntry(0);
}

bool TTableBlob::Eof() {
    if (FIndexActivRecord >= FHeadr.FCountRecord || indexReadPos_ >= FStIndex.size()) {
        return true;
    }
    posSlot_ = FStIndex[indexReadPos_].slot;
    ++indexReadPos_;
    return false;
}

void TTableBlob::Last() {
    FIndexActivRecord = FHeadr.FCountRecord;
    indexReadPos_ = static_cast<uint32_t>(FStIndex.size());
    posSlot_ = FHeadr.FCountRecordAll;
}

void TTableBlob::SetIndexActivRecord(uint32_t position) {
    FIndexActivRecord = position;
    placeAtEntry(position);
}

void TTableBlob::FirstAll() {
    FFileStream_b1.refresh();
    FFileStream_b2.refresh();
    FIndexActivRecord = 0;
    posSlot_ = 0;
}

void TTableBlob::NextAll() {
    ++FIndexActivRecord;
    posSlot_ = FIndexActivRecord;
}

bool TTableBlob::EofAll() const {
    return static_cast<uint64_t>(posSlot_ + 1) * slotLength() > FFileStream_b1.size();
}

void TTableBlob::SetIndexActivRecordAll(uint32_t slot) {
    FIndexActivRecord = slot;
    posSlot_ = slot;
}

}  // namespace zavlin
