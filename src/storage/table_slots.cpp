// Saving the header and the index, and reading and writing record slots.
#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "base/neighbour_sort.h"
#include "storage/table_blob.h"

namespace zavlin {

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

}  // namespace zavlin
