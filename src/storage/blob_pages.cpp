#include "storage/blob_pages.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "base/errors.h"
#include "storage/table_blob.h"

namespace zavlin {
namespace {

uint64_t pageOffset(uint32_t page, uint16_t lengthPage) {
    return static_cast<uint64_t>(page - 1) * (kPageHeadSize + static_cast<uint64_t>(lengthPage));
}

void checkPage(const ATableBlobHead& h, uint32_t page) {
    if (page == 0 || page > h.FCountPageAll) throw ERangeError("blob page outside the page file");
}

APageBlobHeadr readPageHeadr(TTableBlob& t, uint32_t page) {
    checkPage(t.headr(), page);
    uint8_t b[kPageHeadSize];
    if (!t.b2().read(pageOffset(page, t.LengthPageBlob()), b, sizeof b))
        throw ERangeError("cannot read a blob page");
    return APageBlobHeadr::decode(b);
}

// A consistent chain names every page once; a repeat means it loops.
void checkNoRepeat(std::vector<uint32_t>& pages) {
    std::sort(pages.begin(), pages.end());
    if (std::adjacent_find(pages.begin(), pages.end()) != pages.end())
        throw ERangeError("blob page chain loops");
}

void writePage(TTableBlob& t, uint32_t page, const TPageBlob& p) {
    const uint16_t len = t.LengthPageBlob();
    uint8_t h[kPageHeadSize];
    p.FPageBlobHeadr.encode(h);
    const uint64_t at = pageOffset(page, len);
    bool ok = t.b2().write(at, h, sizeof h);
    const std::size_t have = std::min<std::size_t>(p.FSt.size(), len);
    if (ok && have > 0) ok = t.b2().write(at + kPageHeadSize, p.FSt.data(), have);
    if (ok && have < len) {
        static const std::vector<uint8_t> zeros(65536, 0);
        ok = t.b2().write(at + kPageHeadSize + have, zeros.data(), len - have);
    }
    if (!ok) throw ERangeError("cannot write a blob page");
}

}  // namespace

void TBlobField::Clear() {
    TField::Clear();
    ClearPageBlob();
}

void TBlobField::ClearPageBlob() {
    LPage.clear();
    FTempBlobHeadr = ABlobHeadr{};
    FModifiFields = false;
    FModifiBlobFields = false;
}

ABlobHeadr TBlobField::StoredBlobHeadr() {
    readValue();
    return ABlobHeadr::decode(FStValue.data());
}

int32_t TBlobField::asInteger() {
    const uint32_t n = StoredBlobHeadr().FSummaLength;
    if (n > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
        throw ERangeError("blob length out of range");
    return static_cast<int32_t>(n);
}

std::string TBlobField::asString() {
    const ABlobHeadr h = StoredBlobHeadr();
    return std::to_string(h.FCountPage) + "/" + std::to_string(h.FPageStartN) + "/" +
           std::to_string(h.FSummaLength) + "/" + std::to_string(h.FReserv1) + "/";
}

void TBlobField::GetTempBlobHeadr(ABlobHeadr& header) {
    if (FModifiBlobFields) {
        header = FTempBlobHeadr;
    } else {
        FStValue.resize(kBlobHeadSize);
        header = ABlobHeadr::decode(FStValue.data());
    }
}

void TBlobField::SetTempBlobHeadr(const ABlobHeadr& header) {
    FTempBlobHeadr = header;
    FModifiFields = true;
    FModifiBlobFields = true;
}

void TBlobField::LoadFromStream(TStream& stream) {
    ClearPageBlob();
    FOwner->fieldSet();
    const uint16_t len = FOwner->LengthPageBlob();
    const int64_t size = stream.Size();
    if (len == 0) throw ERangeError("blob page length is 0");
    const int64_t pages = (size + len - 1) / len;
    if (pages > static_cast<int64_t>(kMaxBlobPages)) {
        FOwner->Hooks().Message(
            "Данные не сохранены. Требуется реструктуризация базы данных. Обратитесь к "
            "разработчику");
        return;
    }
    FTempBlobHeadr.FCountPage = static_cast<uint16_t>(pages);
    FTempBlobHeadr.FSummaLength = static_cast<uint32_t>(size);
    FTempBlobHeadr.FPageStartN = 0;
    const auto slot = static_cast<uint32_t>(FOwner->IndexActivRecordAbsolut());
    stream.Seek(0, SeekOrigin::Begin);
    LPage.reserve(static_cast<std::size_t>(pages));
    for (int64_t i = 0; i < pages; ++i) {
        auto p = std::make_unique<TPageBlob>(this);
        const int64_t take = std::min<int64_t>(len, size - i * len);
        p->FPageBlobHeadr.FIndexRecordAbs = slot;
        p->FPageBlobHeadr.FLength = static_cast<uint32_t>(take);
        p->FPageBlobHeadr.FState = 0;
        p->FSt.assign(len, 0);
        stream.ReadBuffer(p->FSt.data(), take);
        LPage.push_back(std::move(p));
    }
    FModifiFields = true;
    FModifiBlobFields = true;
}

void TBlobField::SaveToStreamPageGreated(TStream& stream, bool keepPages) {
    ClearPageBlob();
    const ABlobHeadr h = StoredBlobHeadr();
    if (h.FCountPage == 0) return;
    if (!FOwner->b2().isOpen()) throw ERangeError("blob without a page file");
    const ATableBlobHead& th = FOwner->headr();
    const uint16_t len = th.FLengthPage;
    // The stored length is only a hint, and never more than the page file holds.
    if (auto* mem = dynamic_cast<TMemoryStream*>(&stream))
        mem->Reserve(mem->Position() + std::min({static_cast<int64_t>(h.FSummaLength),
                                                 static_cast<int64_t>(h.FCountPage) * len,
                                                 static_cast<int64_t>(FOwner->b2().size())}));
    auto* mem = dynamic_cast<TMemoryStream*>(&stream);
    // A chain that comes back to a page it has passed is damaged.
    std::unordered_set<uint32_t> visited;
    uint32_t page = h.FPageStartN;
    for (uint32_t i = 0; i < h.FCountPage; ++i) {
        checkPage(th, page);
        if (h.FCountPage > 1 && !visited.insert(page).second)
            throw ERangeError("blob page chain loops");
        uint8_t hb[kPageHeadSize];
        const uint64_t at = pageOffset(page, len);
        if (!FOwner->b2().read(at, hb, sizeof hb)) throw ERangeError("cannot read a blob page");
        const APageBlobHeadr ph = APageBlobHeadr::decode(hb);
        if (ph.FLength > len) throw ERangeError("blob page longer than a page");
        if (mem && !keepPages) {
            // Straight into the memory stream, without a copy in between.
            const int64_t pos = mem->Position();
            if (pos + ph.FLength > mem->Size()) mem->SetSize(pos + ph.FLength);
            if (ph.FLength > 0 &&
                !FOwner->b2().read(at + kPageHeadSize, mem->Memory() + pos, ph.FLength))
                throw ERangeError("cannot read a blob page");
            mem->SetPosition(pos + ph.FLength);
        } else {
            scratch_.assign(len, 0);
            if (ph.FLength > 0 &&
                !FOwner->b2().read(at + kPageHeadSize, scratch_.data(), ph.FLength))
                throw ERangeError("cannot read a blob page");
            stream.WriteBuffer(scratch_.data(), ph.FLength);
            if (keepPages) {
                auto p = std::make_unique<TPageBlob>(this);
                p->FPageBlobHeadr = ph;
                p->FSt = scratch_;
                LPage.push_back(std::move(p));
            }
        }
        if (ph.FNextPage == 0) break;
        page = ph.FNextPage;
    }
}

void TBlobField::overwriteInPlace(uint32_t startPage, std::size_t count, uint32_t& link) {
    uint32_t page = startPage;
    std::vector<uint32_t> visited;
    for (std::size_t i = 0; i < count; ++i) {
        visited.push_back(page);
        const uint32_t oldNext = readPageHeadr(*FOwner, page).FNextPage;
        TPageBlob& p = *LPage[i];
        if (i + 1 < count) {
            p.FPageBlobHeadr.FNextPage = oldNext;
        } else {
            p.FPageBlobHeadr.FNextPage = link;
            link = oldNext;
        }
        p.FPageBlobHeadr.FState = 0;
        writePage(*FOwner, page, p);
        if (i + 1 < count && oldNext == 0) throw ERangeError("blob page chain ends early");
        page = oldNext;
    }
    // The pages written so far are dropped with the failed operation.
    checkNoRepeat(visited);
}

uint32_t TBlobField::appendPages(std::size_t count) {
    if (count == 0) return 0;
    if (!FOwner->ensureB2Open()) throw ERangeError("cannot open the page file");
    const uint32_t first = FOwner->headr().FCountPageAll + 1;
    if (static_cast<uint64_t>(first) + count - 1 > std::numeric_limits<uint32_t>::max())
        throw ERangeError("page file full");
    const std::size_t from = LPage.size() - count;
    for (std::size_t i = 0; i < count; ++i) {
        TPageBlob& p = *LPage[from + i];
        const auto number = static_cast<uint32_t>(first + i);
        p.FPageBlobHeadr.FNextPage = i + 1 < count ? number + 1 : 0;
        p.FPageBlobHeadr.FState = 0;
        writePage(*FOwner, number, p);
    }
    return first;
}

uint32_t TBlobField::takeFreePages(std::size_t firstPos, std::size_t count, uint32_t appended) {
    ATableBlobHead& h = FOwner->headr();
    uint32_t next = appended;
    for (std::size_t k = count; k > 0; --k) {
        const std::size_t pos = firstPos + k - 1;
        const uint32_t page = h.FLastEmptyPageN;
        if (page == 0) throw ERangeError("free page chain ends early");
        const APageBlobHeadr old = readPageHeadr(*FOwner, page);
        if (old.FState != 1) throw ERangeError("free page chain holds a page in use");
        h.FLastEmptyPageN = old.FNextPage;
        TPageBlob& p = *LPage[pos];
        p.FPageBlobHeadr.FNextPage = next;
        p.FPageBlobHeadr.FState = 0;
        writePage(*FOwner, page, p);
        next = page;
    }
    return next;
}

void TBlobField::WriteForFile_b1() {
    if (!FModifiBlobFields) {
        TField::WriteForFile_b1();
        return;
    }
    const ABlobHeadr stored = StoredBlobHeadr();
    ATableBlobHead& th = FOwner->headr();
    const std::size_t oldCount = stored.FCountPage;
    const std::size_t newCount = LPage.size();
    if ((oldCount > 0 || newCount > 0) && !FOwner->ensureB2Open())
        throw ERangeError("cannot open the page file");
    uint32_t link = 0;
    uint32_t start = 0;
    if (oldCount == newCount) {
        overwriteInPlace(stored.FPageStartN, newCount, link);
        start = newCount > 0 ? stored.FPageStartN : 0;
    } else {
        FOwner->markHeadrModified();
        if (oldCount > newCount) {
            if (newCount > 0) {
                overwriteInPlace(stored.FPageStartN, newCount, link);
                start = stored.FPageStartN;
            } else {
                link = stored.FPageStartN;
            }
            FOwner->freePages(static_cast<uint32_t>(oldCount - newCount), link);
        } else {
            const std::size_t need = newCount - oldCount;
            std::size_t append = 0;
            std::size_t take = 0;
            if (need > th.FCountPageEmpty) {
                append = need - th.FCountPageEmpty;
                take = th.FCountPageEmpty;
                th.FCountPageEmpty = 0;
                link = appendPages(append);
            } else {
                take = need;
                th.FCountPageEmpty -= static_cast<uint32_t>(need);
            }
            if (take > 0) link = takeFreePages(newCount - append - take, take, link);
            const uint32_t firstNew = link;
            overwriteInPlace(stored.FPageStartN, oldCount, link);
            th.FCountPageAll += static_cast<uint32_t>(append);
            start = oldCount > 0 ? stored.FPageStartN : firstNew;
        }
    }
    FTempBlobHeadr.FPageStartN = start;
    FTempBlobHeadr.FCountPage = static_cast<uint16_t>(newCount);
    FStValue.assign(kBlobHeadSize, 0);
    FTempBlobHeadr.encode(FStValue.data());
    FOwner->writeSlotBytes(FPosSeekRecord, FStValue.data(), FStValue.size());
}

void TBlobField::Committed() {
    LPage.clear();
    FModifiFields = false;
    FModifiBlobFields = false;
}

}  // namespace zavlin

namespace zavlin {

void TTableBlob::freePages(uint32_t count, uint32_t firstPage) {
    ATableBlobHead& h = FHeadr;
    uint32_t page = firstPage;
    uint64_t steps = 0;
    while (page != 0) {
        // A chain longer than the file has pages loops; stop it.
        if (++steps > h.FCountPageAll) throw ERangeError("blob page chain loops");
        APageBlobHeadr ph = readPageHeadr(*this, page);
        if (ph.FState == 1) throw ERangeError("blob page freed twice");
        const uint32_t next = ph.FNextPage;
        ph.FNextPage = h.FLastEmptyPageN;
        ph.FState = 1;
        uint8_t b[kPageHeadSize];
        ph.encode(b);
        if (!FFileStream_b2.write(pageOffset(page, h.FLengthPage), b, sizeof b))
            throw ERangeError("cannot write a blob page");
        h.FLastEmptyPageN = page;
        page = next;
    }
    h.FCountPageEmpty += count;
    FModifiHeadr = true;
}

}  // namespace zavlin
