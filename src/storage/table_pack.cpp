// Packing: the live records are copied in key order into fresh files, deleted
// slots and free pages disappear and every value's pages become consecutive.
#include <algorithm>
#include <cstring>
#include <optional>

#include "base/errors.h"
#include "base/streams.h"
#include "storage/table_blob.h"
#include "storage/table_validate.h"

namespace zavlin {

namespace {

const char* const kDamagedChainText = "Ошибка цепочки Blob страниц, упаковка отменена.";
const char* const kIndexDisagreesText =
    "Индекс не соответствует записям, упаковка отменена. Выполните реиндексацию.";

// Writes a temporary file in large pieces, so a big page file is never held
// in memory whole.
class ChunkWriter {
public:
    ChunkWriter(FileSystem& fs, const std::filesystem::path& path)
        : file_(fs.open(path, OpenMode::CreateTruncate)) {
        buf_.reserve(kChunk);
    }
    bool ok() const { return file_ != nullptr && ok_; }
    // Room for n more bytes at the end of the buffer; flushes first when full.
    uint8_t* grow(std::size_t n) {
        if (buf_.size() + n > kChunk) flush();
        const std::size_t at = buf_.size();
        buf_.resize(at + n);
        return buf_.data() + at;
    }
    void shrink(std::size_t n) { buf_.resize(buf_.size() - n); }
    bool finish() {
        flush();
        return ok() && file_->sync();
    }

private:
    void flush() {
        if (ok_ && file_ && !buf_.empty()) ok_ = file_->writeAt(written_, buf_.data(), buf_.size());
        written_ += buf_.size();
        buf_.clear();
    }
    static constexpr std::size_t kChunk = 1 << 20;
    std::unique_ptr<File> file_;
    std::vector<uint8_t> buf_;
    uint64_t written_ = 0;
    bool ok_ = true;
};

}  // namespace

bool TTableBlob::copyChain(const ABlobHeadr& bh, uint32_t slot, uint32_t firstPage, void* sink) {
    auto& out = *static_cast<ChunkWriter*>(sink);
    const uint16_t len = FHeadr.FLengthPage;
    const uint64_t pageLen = kPageHeadSize + static_cast<uint64_t>(len);
    if (!FFileStream_b2.isOpen()) return false;
    std::vector<uint32_t> seen;
    uint32_t page = bh.FPageStartN;
    uint64_t sum = 0;
    for (uint32_t k = 0; k < bh.FCountPage; ++k) {
        // The chain must hold exactly FCountPage distinct pages of the file.
        if (page == 0 || page > FHeadr.FCountPageAll) return false;
        if (bh.FCountPage <= 64) {
            if (std::find(seen.begin(), seen.end(), page) != seen.end()) return false;
            seen.push_back(page);
        }
        uint8_t* p = out.grow(pageLen);
        if (!FFileStream_b2.read((page - 1) * pageLen, p, pageLen)) return false;
        APageBlobHeadr ph = APageBlobHeadr::decode(p);
        if (ph.FLength > len || (ph.FNextPage == 0) != (k + 1 == bh.FCountPage)) return false;
        const uint32_t next = ph.FNextPage;
        ph.FIndexRecordAbs = slot;
        ph.FNextPage = k + 1 < bh.FCountPage ? firstPage + k + 1 : 0;
        ph.encode(p);
        // Bytes past the useful length are written as zeros.
        std::memset(p + kPageHeadSize + ph.FLength, 0, len - ph.FLength);
        sum += ph.FLength;
        page = next;
    }
    // A value whose pages hold another length than it says cannot be read
    // back as it was stored; copying it would hide the damage.
    return sum == bh.FSummaLength;
}

bool TTableBlob::PackTable() {
    if (FileName().empty() || !fs_.exists(FilePath(".b0")) || !fs_.exists(FilePath(".b1")))
        return false;
    if (FReadOnly) return false;
    const auto held = LockTable(LockKind::Exclusive);
    if (!held) return false;
    // The copy trusts the descriptions and counters: damaged ones would
    // reinterpret or drop records, so such a table is refused untouched.
    int64_t cutTo = -1;
    if (!trustedForRepair(false, cutTo)) return false;
    if (!Open()) {
        Close();
        return false;
    }
    const bool blobs = CanBlobFields();
    const uint64_t slotLen = slotLength();
    ATableBlobHead nh = FHeadr;
    std::vector<uint8_t> b1;
    std::optional<ChunkWriter> b2;
    if (blobs) b2.emplace(fs_, std::filesystem::path(FileName() + ".b2t"));
    b1.reserve(slotLen * FHeadr.FCountRecord);
    uint32_t nextPage = 1;
    uint32_t pagesWritten = 0;
    bool damaged = false;
    bool indexBad = false;
    try {
        // Every live slot once in the index, under its own key: otherwise the
        // copy would drop a record or copy one twice.
        uint64_t live = 0;
        for (uint32_t s = 0; s < FHeadr.FCountRecordAll && !damaged; ++s) {
            ARecordHeadr rh;
            uint32_t key = 0;
            if (!readSlotHeadr(s, rh, key)) damaged = true;
            if (rh.live()) ++live;
        }
        std::vector<uint32_t> slots;
        for (const IndexEntry& e : FStIndex) {
            ARecordHeadr rh;
            uint32_t key = 0;
            if (!readSlotHeadr(e.slot, rh, key) || !rh.live() || key != e.key) damaged = true;
            slots.push_back(e.slot);
        }
        std::sort(slots.begin(), slots.end());
        if (live != FStIndex.size() ||
            std::adjacent_find(slots.begin(), slots.end()) != slots.end())
            damaged = true;
        if (damaged) {
            indexBad = true;
            throw ERangeError("index and slots disagree");
        }
        SortAutoIncRecord();
        First();
        uint32_t i = 0;
        while (!Eof()) {
            ARecordHeadr rh;
            uint32_t key = 0;
            // An index entry that names a deleted or missing slot means the
            // table is damaged; dropping the record is not ours to decide.
            if (!readSlotHeadr(static_cast<uint32_t>(posSlot_), rh, key) || !rh.live()) {
                damaged = true;
                indexBad = true;
                break;
            }
            std::vector<uint8_t> slot(slotLen, 0);
            if (!FFileStream_b1.read(static_cast<uint64_t>(posSlot_) * slotLen, slot.data(),
                                     slotLen)) {
                damaged = true;
                break;
            }
            rh.FAutoIncDelRec = 0;
            rh.FIndexDelRec = 0;
            rh.encode(slot.data());
            for (auto& f : LField) {
                if (!f->asBlobField()) continue;
                ABlobHeadr bh = ABlobHeadr::decode(slot.data() + f->PosSeekRecord());
                if (bh.FCountPage == 0) continue;
                if (!b2 || !copyChain(bh, i, nextPage, &*b2)) {
                    raiseErrorOpen(kDamagedChain,
                                   std::string(kDamagedChainText) + " " + FilePath(".b2").string());
                    damaged = true;
                    break;
                }
                pagesWritten += bh.FCountPage;
                bh.FPageStartN = nextPage;
                nextPage += bh.FCountPage;
                bh.encode(slot.data() + f->PosSeekRecord());
            }
            if (damaged) break;
            // Either key kind hands out the counter + 1 when it finds no gap.
            if (key > nh.FAutoInc) nh.FAutoInc = key;
            b1.insert(b1.end(), slot.begin(), slot.end());
            ++i;
            Next();
        }
    } catch (const ERangeError&) {
        damaged = true;
    }
    if (indexBad)
        raiseErrorOpen(kIndexDisagrees,
                       std::string(kIndexDisagreesText) + " " + FilePath(".bi").string());
    if (damaged || (b2 && !b2->finish())) {
        b2.reset();
        fs_.remove(std::filesystem::path(FileName() + ".b2t"));
        Close();
        return false;
    }
    b2.reset();
    nh.FCountRecordAll = FHeadr.FCountRecord;
    nh.FAutoIncDelRec = 0;
    nh.FIndexDelRec = 0;
    nh.FCountPageAll = pagesWritten;
    nh.FCountPageEmpty = 0;
    nh.FLastEmptyPageN = 0;
    FHeadr = nh;
    const std::vector<uint8_t> b0 = encodeB0();
    Replacement r;
    r.b0 = &b0;
    r.b1 = &b1;
    r.b2Written = blobs;
    r.dropIndex = true;
    const bool replaced = replaceFiles(r);
    Close();
    if (!replaced) return false;
    const bool ok = ReIndexTable();
    Close();
    return ok;
}

}  // namespace zavlin
