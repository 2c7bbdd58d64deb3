// Packing: the live records are copied in key order into fresh files, deleted
// slots and free pages disappear and every value's pages become consecutive.
#include <cstring>

#include "base/errors.h"
#include "base/streams.h"
#include "storage/table_blob.h"

namespace zavlin {

bool TTableBlob::PackTable() {
    if (FileName().empty() || !fs_.exists(FilePath(".b0")) || !fs_.exists(FilePath(".b1")))
        return false;
    if (!Open()) {
        Close();
        return false;
    }
    const bool blobs = CanBlobFields();
    const uint64_t slotLen = slotLength();
    const uint16_t pageLen = FHeadr.FLengthPage;
    ATableBlobHead nh = FHeadr;
    std::vector<uint8_t> b1;
    std::vector<uint8_t> b2;
    b1.reserve(slotLen * FHeadr.FCountRecord);
    uint32_t nextPage = 1;
    uint32_t pagesWritten = 0;
    bool damaged = false;
    try {
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
                break;
            }
            std::vector<uint8_t> slot(slotLen, 0);
            if (!FFileStream_b1.read(static_cast<uint64_t>(posSlot_) * slotLen, slot.data(), slotLen)) {
                damaged = true;
                break;
            }
            rh.FAutoIncDelRec = 0;
            rh.FIndexDelRec = 0;
            rh.encode(slot.data());
            for (auto& f : LField) {
                if (!f->asBlobField()) continue;
                auto* bf = static_cast<TBlobField*>(f.get());
                ABlobHeadr bh = ABlobHeadr::decode(slot.data() + bf->PosSeekRecord());
                if (bh.FCountPage == 0) continue;
                TMemoryStream sink;
                bf->SaveToStreamPageGreated(sink, true);
                const auto& pages = bf->Pages();
                if (pages.size() != bh.FCountPage) {
                    damaged = true;
                    break;
                }
                for (std::size_t k = 0; k < pages.size(); ++k) {
                    APageBlobHeadr ph = pages[k]->FPageBlobHeadr;
                    ph.FIndexRecordAbs = i;
                    ph.FNextPage = k + 1 < pages.size() ? nextPage + static_cast<uint32_t>(k) + 1 : 0;
                    const std::size_t at = b2.size();
                    b2.resize(at + kPageHeadSize + pageLen, 0);
                    ph.encode(b2.data() + at);
                    std::memcpy(b2.data() + at + kPageHeadSize, pages[k]->FSt.data(),
                                std::min<std::size_t>(pages[k]->FSt.size(), pageLen));
                    ++pagesWritten;
                }
                bh.FPageStartN = nextPage;
                nextPage += bh.FCountPage;
                bh.encode(slot.data() + bf->PosSeekRecord());
                bf->ClearPageBlob();
            }
            if (damaged) break;
            if (FHeadr.FTypeInc == 1 && key > nh.FAutoInc) nh.FAutoInc = key;
            b1.insert(b1.end(), slot.begin(), slot.end());
            ++i;
            Next();
        }
    } catch (const ERangeError&) {
        damaged = true;
    }
    if (damaged) {
        Close();
        return false;
    }
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
    if (blobs) r.b2 = &b2;
    r.dropIndex = true;
    const bool replaced = replaceFiles(r);
    Close();
    if (!replaced) return false;
    const bool ok = ReIndexTable();
    Close();
    return ok;
}

}  // namespace zavlin
