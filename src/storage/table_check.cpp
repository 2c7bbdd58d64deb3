// The consistency check and the re-index of a table.
#include <algorithm>

#include "base/errors.h"
#include "storage/table_blob.h"
#include "storage/table_validate.h"

namespace zavlin {
namespace {

const char* const kText101 = "Ошибка целосности индксов в файле *.bi";
const char* const kText102 = "Ошибка одинаковые ключи у разных записей в файле *.b1";
const char* const kText103 = "Ошибка счетчик ключей в файле *.b0 меньше наибольшего ключа";
const char* const kText104 = "Ошибка индекс указывает на удаленную запись в файле *.bi";
const char* const kText105 = "Ошибка индекс в файле *.bi не соответствует записям файла *.b1";
const char* const kText201 =
    "Ошибка соответсвия количества страниц в файле *.b2 и поле из файла *.b1";
const char* const kText203 =
    "Ошибка индекса номера рекорды в файле *.b1 и индекса в Blob заголовке файла *.b2";
const char* const kText204 =
    "Ошибка полезной длины Blob поля из файла *.b1 и реальной суммы длины данных из файла *.b2";
const char* const kText205 = "Ошибка количества удаленных Blob страниц из файла *.b2";
const char* const kText206 = "Ошибка количества информационно полезных Blob страниц из файла *.b2";
const char* const kText207 = "Ошибка существуют потеренные Blob страницы из файла *.b2";
const char* const kText208 =
    "Ошибка одна Blob страница принадлежит нескольким значениям или свободна в файле *.b2";

}  // namespace

bool TTableBlob::TestTable() {
    auto fail = [this](uint16_t code, const char* text) {
        if (ErrorTest) ErrorTest(*this, code, text);
        First();
        return false;
    };
    if (!Active()) return false;
    // The slots are the truth the index and the key counter must agree with.
    const bool keyed = FHeadr.FLengthRecords >= 4;
    std::vector<IndexEntry> live;
    for (uint32_t s = 0; s < FHeadr.FCountRecordAll && keyed; ++s) {
        ARecordHeadr rh;
        uint32_t key = 0;
        if (!readSlotHeadr(s, rh, key)) return fail(105, kText105);
        if (rh.live()) live.push_back({key, s});
    }
    if (!live.empty()) {
        std::vector<uint32_t> keys;
        keys.reserve(live.size());
        for (const IndexEntry& e : live) keys.push_back(e.key);
        std::sort(keys.begin(), keys.end());
        // Two records under one key: re-index cannot choose between them.
        if (std::adjacent_find(keys.begin(), keys.end()) != keys.end()) return fail(102, kText102);
        // The next append would hand out a key already in use.
        if (FHeadr.FAutoInc < keys.back()) return fail(103, kText103);
    }
    FirstAll();
    if (!TestKeys()) return fail(101, kText101);
    if (keyed) {
        std::vector<IndexEntry> indexed = FStIndex;
        for (const IndexEntry& e : indexed) {
            ARecordHeadr rh;
            uint32_t key = 0;
            if (e.slot >= FHeadr.FCountRecordAll || !readSlotHeadr(e.slot, rh, key))
                return fail(105, kText105);
            // A later set through this entry would write into a deleted slot.
            if (!rh.live()) return fail(104, kText104);
        }
        std::sort(indexed.begin(), indexed.end(),
                  [](const IndexEntry& a, const IndexEntry& b) { return a.slot < b.slot; });
        const bool same = std::equal(indexed.begin(), indexed.end(), live.begin(), live.end(),
                                     [](const IndexEntry& a, const IndexEntry& b) {
                                         return a.slot == b.slot && a.key == b.key;
                                     });
        if (!same) return fail(105, kText105);
    }
    // Every blob field holds pages; checking only the first would call the
    // pages of the others lost.
    std::vector<TBlobField*> blobs;
    for (auto& f : LField)
        if (f->asBlobField()) blobs.push_back(static_cast<TBlobField*>(f.get()));
    if (blobs.empty()) {
        First();
        return true;
    }
    const uint64_t pageLength = kPageHeadSize + static_cast<uint64_t>(FHeadr.FLengthPage);
    const bool noDeleted = FHeadr.FCountRecordAll == FHeadr.FCountRecord;
    // A page two chains visit (or one chain twice) is overwritten by a set
    // on either value.
    std::vector<bool> visited(static_cast<std::size_t>(FHeadr.FCountPageAll) + 1, false);
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
                if (visited[page] || ph.FState != 0) return fail(208, kText208);
                visited[page] = true;
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

bool TTableBlob::trustedForRepair(bool allowPartialTail, int64_t& cutB1To) {
    cutB1To = -1;
    const std::string name = FileName();
    if (name.empty()) return false;
    // A plan or a journal left by a crash is settled first, as open does;
    // until then the files are a mix of two versions. Open reports why not
    // (and that a table is missing).
    if (!Active() && (!fs_.exists(FilePath(".b0")) || !RecoverFiles(fs_, name) ||
                      !RollbackJournal::replay(fs_, name) || fs_.exists(FilePath(".bj")) ||
                      fs_.exists(FilePath(".bt")))) {
        if (Open()) Close();
        return false;
    }
    const TableDamage d = validateForRepair(fs_, name, allowPartialTail, cutB1To);
    if (d) raiseErrorOpen(d.code, d.text);
    return !d;
}

bool TTableBlob::ReIndexTable() {
    // A repair writes: never through an object meant for reading, and only
    // under the table's exclusive lock (kept when the caller holds it).
    if (FReadOnly) return false;
    // No lock file is left beside a table that is not there: the check
    // below reports it.
    std::unique_ptr<FileLock> held;
    if (!FileName().empty() && (fs_.exists(FilePath(".b0")) || fs_.exists(FilePath(".bt")))) {
        held = LockTable(LockKind::Exclusive);
        if (!held) return false;
    }
    const bool wasOpen = Active();
    int64_t cutTo = -1;
    if (!trustedForRepair(!wasOpen, cutTo)) return false;
    if (!wasOpen) {
        // Bytes after the counted slots, fewer than one slot, cannot be a
        // record (the journal rules them out for the engine's own writes):
        // they keep the table from opening, so they go.
        if (cutTo >= 0) {
            auto b1 = fs_.open(FilePath(".b1"), OpenMode::ReadWrite);
            if (!b1 || !b1->truncate(static_cast<uint64_t>(cutTo)) || !b1->sync()) return false;
        }
        // A .bi of the wrong length fails open; open rebuilds a missing one.
        if (fs_.exists(FilePath(".bi")) && !fs_.remove(FilePath(".bi"))) return false;
        if (!Open()) return false;
    }
    bool ok = fs_.remove(FilePath(".bi"));
    biFile_.reset();
    biSize_ = 0;
    if (ok) ok = buildIndexFromB1();
    if (ok && FHeadr.FLengthRecords >= 4) {
        // A key counter below a live key would hand that key out again.
        for (const IndexEntry& e : FStIndex) {
            if (e.key > FHeadr.FAutoInc) {
                FHeadr.FAutoInc = e.key;
                FModifiHeadr = true;
            }
        }
    }
    if (ok) {
        FStIndexModifi = true;
        ok = saveIndex();
    }
    if (ok && FModifiHeadr) ok = saveHeadr();
    First();
    if (!wasOpen) Close();
    return ok;
}

bool TTableBlob::fieldsDamaged() {
    std::vector<uint8_t> desc(static_cast<std::size_t>(FHeadr.FCountField) * kFieldDescSize);
    if (!desc.empty() && !FFileStream_b0.read(kTableHeadSize, desc.data(), desc.size()))
        return true;
    uint64_t slotData = 0;
    return static_cast<bool>(checkFieldDescriptions(desc.data(), FHeadr.FCountField, slotData));
}

}  // namespace zavlin
