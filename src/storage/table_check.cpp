// The consistency check and the re-index of a table.
#include "base/errors.h"
#include "storage/table_blob.h"

namespace zavlin {
namespace {

const char* const kText101 = "Ошибка целосности индксов в файле *.bi";
const char* const kText201 =
    "Ошибка соответсвия количества страниц в файле *.b2 и поле из файла *.b1";
const char* const kText203 =
    "Ошибка индекса номера рекорды в файле *.b1 и индекса в Blob заголовке файла *.b2";
const char* const kText204 =
    "Ошибка полезной длины Blob поля из файла *.b1 и реальной суммы длины данных из файла *.b2";
const char* const kText205 = "Ошибка количества удаленных Blob страниц из файла *.b2";
const char* const kText206 = "Ошибка количества информационно полезных Blob страниц из файла *.b2";
const char* const kText207 = "Ошибка существуют потеренные Blob страницы из файла *.b2";

}  // namespace

bool TTableBlob::TestTable() {
    auto fail = [this](uint16_t code, const char* text) {
        if (ErrorTest) ErrorTest(*this, code, text);
        return false;
    };
    if (!Active()) return false;
    FirstAll();
    if (!TestKeys()) return fail(101, kText101);
    // Every blob field holds pages; checking only the first would call the
    // pages of the others lost.
    std::vector<TBlobField*> blobs;
    for (auto& f : LField)
        if (f->asBlobField()) blobs.push_back(static_cast<TBlobField*>(f.get()));
    if (blobs.empty()) return true;
    const uint64_t pageLength = kPageHeadSize + static_cast<uint64_t>(FHeadr.FLengthPage);
    const bool noDeleted = FHeadr.FCountRecordAll == FHeadr.FCountRecord;
    uint64_t pagesInUse = 0;
    uint32_t r = 0;
    First();
    while (!Eof()) {
        for (TBlobField* blob : blobs) {
            ABlobHeadr bh;
            try {
                bh = blob->StoredBlobHeadr();
            } catch (const ERangeError&) {
                return fail(202, kText201);
            }
            pagesInUse += bh.FCountPage;
            if (bh.FCountPage == 0) continue;
            uint32_t page = bh.FPageStartN;
            uint64_t sum = 0;
            for (uint32_t k = 1;; ++k) {
                uint8_t b[kPageHeadSize];
                // A page number outside the file ends the chain early.
                if (page == 0 || page > FHeadr.FCountPageAll || !FFileStream_b2.isOpen() ||
                    !FFileStream_b2.read((page - 1) * pageLength, b, sizeof b))
                    return fail(202, kText201);
                const APageBlobHeadr ph = APageBlobHeadr::decode(b);
                if (ph.FNextPage != 0 && k == bh.FCountPage) return fail(201, kText201);
                if (ph.FNextPage == 0 && k != bh.FCountPage) return fail(202, kText201);
                if (noDeleted && ph.FIndexRecordAbs != r) return fail(203, kText203);
                sum += ph.FLength;
                if (k == bh.FCountPage && sum != bh.FSummaLength) return fail(204, kText204);
                if (ph.FNextPage == 0) break;
                page = ph.FNextPage;
            }
        }
        ++r;
        Next();
    }
    if (FHeadr.FCountPageAll > 0) {
        uint64_t freePages = 0;
        uint64_t usedPages = 0;
        for (uint32_t p = 1; p <= FHeadr.FCountPageAll; ++p) {
            uint8_t b[kPageHeadSize];
            if (!FFileStream_b2.isOpen() || !FFileStream_b2.read((p - 1) * pageLength, b, sizeof b))
                break;
            if (APageBlobHeadr::decode(b).FState != 0) {
                ++freePages;
            } else {
                ++usedPages;
            }
        }
        if (freePages != FHeadr.FCountPageEmpty) return fail(205, kText205);
        if (usedPages + freePages != FHeadr.FCountPageAll) return fail(206, kText206);
        if (noDeleted && FHeadr.FCountPageEmpty + pagesInUse != FHeadr.FCountPageAll)
            return fail(207, kText207);
    }
    First();
    return true;
}

bool TTableBlob::ReIndexTable() {
    const bool wasOpen = Active();
    // Repair rule of the re-index: a .b1 longer than the slots its header counts
    // fails open with code 61 for ever. The engine's own writes cannot leave such
    // a tail (the journal cuts the files back), so it is damage from elsewhere:
    // once any plan and journal have been settled, the bytes after the counted
    // slots are cut. A shorter .b1, a damaged .b0 or an unsettled journal or plan
    // leave everything as it is.
    auto cutUncountedSlotTail = [this]() -> bool {
        const std::string name = FileName();
        if (name.empty() || !RecoverFiles(fs_, name) || !RollbackJournal::replay(fs_, name) ||
            fs_.exists(FilePath(".bj")) || fs_.exists(FilePath(".bt")))
            return false;
        auto b0 = fs_.open(FilePath(".b0"), OpenMode::ReadWrite);
        auto b1 = b0 ? fs_.open(FilePath(".b1"), OpenMode::ReadWrite) : nullptr;
        if (!b1) return false;
        uint8_t head[kTableHeadSize];
        if (b0->size() < kTableHeadSize || !b0->readAt(0, head, sizeof head)) return false;
        const ATableBlobHead h = ATableBlobHead::decode(head);
        if (b0->size() != kTableHeadSize + static_cast<int64_t>(h.FCountField) * kFieldDescSize)
            return false;
        std::vector<uint8_t> desc(static_cast<std::size_t>(h.FCountField) * kFieldDescSize);
        if (!desc.empty() && !b0->readAt(kTableHeadSize, desc.data(), desc.size())) return false;
        // The slot length as open computes it from the descriptions.
        TTableBlob probe(fs_);
        for (std::size_t i = 0; i < h.FCountField; ++i) {
            const uint8_t* d = desc.data() + i * kFieldDescSize;
            if (!fieldTypeCreatable(d[0])) continue;
            TField* f = probe.createField(d[0]);
            if (f && f->asStringField()) f->SetSizeForFile_b1(d[28]);
        }
        probe.recomputeLayout();
        const uint64_t counted = probe.slotLength() * h.FCountRecordAll;
        const int64_t size = b1->size();
        if (size < 0 || static_cast<uint64_t>(size) <= counted) return false;
        return b1->truncate(counted) && (!tableSyncFull() || b1->sync());
    };
    if (!wasOpen) (void)cutUncountedSlotTail();
    if (!wasOpen && !Open()) return false;
    bool ok = fs_.remove(FilePath(".bi"));
    biFile_.reset();
    biSize_ = 0;
    if (ok) ok = buildIndexFromB1();
    if (ok) {
        FStIndexModifi = true;
        ok = saveIndex();
    }
    if (ok && FModifiHeadr) ok = saveHeadr();
    First();
    if (!wasOpen) Close();
    return ok;
}

}  // namespace zavlin
