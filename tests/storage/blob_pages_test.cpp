// Blob values in .b2 pages: the page chains and the free-page stack checked
// against hand-computed page headers read straight from the files, and what
// damaged page files do to reading and writing.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/little_endian.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::hex;
using test::readBytes;
using test::writeBytes;
using Bytes = std::vector<uint8_t>;

// Distinct, non-zero-heavy bytes; the seed tells values apart.
Bytes pattern(std::size_t n, uint8_t seed) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 8));
    return v;
}

std::string pageHead(uint32_t slot, uint32_t length, uint32_t next, uint8_t state) {
    uint8_t b[kPageHeadSize];
    APageBlobHeadr h;
    h.FIndexRecordAbs = slot;
    h.FLength = length;
    h.FNextPage = next;
    h.FState = state;
    h.encode(b);
    return hex(Bytes(b, b + sizeof b));
}

class BlobPagesTest : public ::testing::Test {
protected:
    void SetUp() override { make(0); }

    void make(int pageSize) {
        t.Close();
        t.SetTableName(dir.table("P"));
        ASSERT_TRUE(t.CreateFile());
        ASSERT_NE(t.AddAutoIncField("N"), nullptr);
        ASSERT_NE(t.AddBlobField("Dan", pageSize), nullptr);
        slotLength_ = t.slotLength();
        blobPos_ = static_cast<uint64_t>(dan().PosSeekRecord());
        pageLength_ = t.LengthPageBlob();
    }

    TBlobField& dan() { return *t.FindBlobField(); }
    // Kept from the open table, so the helpers also work while it is closed.
    uint16_t pageLength() const { return pageLength_; }

    void store(const Bytes& value) {
        TMemoryStream s(value);
        dan().LoadFromStream(s);
        ASSERT_TRUE(t.Post());
    }
    void appendWith(const Bytes& value) {
        ASSERT_TRUE(t.Append());
        if (!value.empty()) store(value);
    }
    Bytes load() {
        TMemoryStream s;
        dan().SaveToStream(s);
        return s.Bytes();
    }
    // Puts the cursor on the live record held in the given slot.
    void at(int64_t slot) {
        t.First();
        while (!t.Eof()) {
            if (t.IndexActivRecordAbsolut() == slot) return;
            t.Next();
        }
        FAIL() << "no live record in slot " << slot;
    }

    ATableBlobHead head() { return ATableBlobHead::decode(readBytes(t.FilePath(".b0")).data()); }
    Bytes b2() { return readBytes(t.FilePath(".b2")); }
    uint64_t pageAt(uint32_t page) const {
        return (page - 1) * (kPageHeadSize + uint64_t{pageLength()});
    }
    std::string pageHeadOnDisk(uint32_t page) {
        const Bytes b = b2();
        if (pageAt(page) + kPageHeadSize > b.size()) return "<outside .b2>";
        return hex(Bytes(b.begin() + pageAt(page), b.begin() + pageAt(page) + kPageHeadSize));
    }
    Bytes pageData(uint32_t page) {
        const Bytes b = b2();
        const uint64_t from = pageAt(page) + kPageHeadSize;
        if (from + pageLength() > b.size()) return {};
        return Bytes(b.begin() + from, b.begin() + from + pageLength());
    }
    uint64_t slotBlobAt(uint32_t slot) { return slot * slotLength_ + blobPos_; }
    std::string slotBlobOnDisk(uint32_t slot) {
        const Bytes b = readBytes(t.FilePath(".b1"));
        return hex(
            Bytes(b.begin() + slotBlobAt(slot), b.begin() + slotBlobAt(slot) + kBlobHeadSize));
    }

    test::ScratchDir dir;
    test::MessageRecorder recorder;
    TTableBlob t{test::hooks()};
    uint64_t slotLength_ = 0;
    uint64_t blobPos_ = 0;
    uint16_t pageLength_ = 0;
};

// ---------------------------------------------------------------- worked examples

// Catches an off-by-one in the page count (a full page spilling into an empty
// second one), a last page whose FLength is the page size, and stale bytes in
// the unused part of the last page.
TEST_F(BlobPagesTest, FullPageAndOneByteMore) {
    const Bytes exact = pattern(1024, 1);
    const Bytes more = pattern(1025, 2);
    appendWith(exact);
    appendWith(more);

    // slot 0: 1 page from page 1, 1024 bytes; slot 1: 2 pages from page 2, 1025 bytes.
    EXPECT_EQ(slotBlobOnDisk(0), "01 00 01 00 00 00 00 04 00 00 00 00");
    EXPECT_EQ(slotBlobOnDisk(1), "02 00 02 00 00 00 01 04 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(1), pageHead(0, 1024, 0, 0));
    EXPECT_EQ(pageHeadOnDisk(2), pageHead(1, 1024, 3, 0));
    EXPECT_EQ(pageHeadOnDisk(3), pageHead(1, 1, 0, 0));
    EXPECT_EQ(pageHeadOnDisk(1), "00 00 00 00 00 04 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(3), "01 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(b2().size(), 3u * 1040);
    Bytes lastPage(1024, 0);
    lastPage[0] = more[1024];
    EXPECT_EQ(pageData(3), lastPage);
    EXPECT_EQ(pageData(1), exact);

    const ATableBlobHead h = head();
    EXPECT_EQ(h.FCountPageAll, 3u);
    EXPECT_EQ(h.FCountPageEmpty, 0u);
    EXPECT_EQ(h.FLastEmptyPageN, 0u);
    EXPECT_EQ(load(), more);
    at(0);
    EXPECT_EQ(load(), exact);
}

// Catches pages tagged with the cursor position instead of the slot number,
// and a chain that does not follow the page numbers in order.
TEST_F(BlobPagesTest, ThreePageValueIsChainedAndTaggedWithItsSlot) {
    appendWith({});
    appendWith({});
    const Bytes v = pattern(3000, 3);
    appendWith(v);
    // 3000 = 0x0BB8 bytes: 1024 + 1024 + 952 (0x3B8).
    EXPECT_EQ(slotBlobOnDisk(2), "03 00 01 00 00 00 b8 0b 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(1), pageHead(2, 1024, 2, 0));
    EXPECT_EQ(pageHeadOnDisk(2), pageHead(2, 1024, 3, 0));
    EXPECT_EQ(pageHeadOnDisk(3), pageHead(2, 952, 0, 0));

    // The value is appended after what the stream already holds.
    TMemoryStream out(Bytes{'x', 'y'});
    out.Seek(0, SeekOrigin::End);
    dan().SaveToStream(out);
    Bytes expected{'x', 'y'};
    expected.insert(expected.end(), v.begin(), v.end());
    EXPECT_EQ(out.Bytes(), expected);
}

// Catches freed pages pushed in the wrong order, a counter not raised, and
// freed pages left marked in use.
TEST_F(BlobPagesTest, ShrinkingThreePagesToOneFreesTheTail) {
    const Bytes first = pattern(1000, 4);
    appendWith(first);             // page 1
    appendWith(pattern(3000, 5));  // pages 2, 3, 4
    const Bytes small = pattern(100, 6);
    store(small);

    EXPECT_EQ(slotBlobOnDisk(1), "01 00 02 00 00 00 64 00 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(2), pageHead(1, 100, 0, 0));
    // Page 3 was freed first (next = the old stack head 0), page 4 last.
    EXPECT_EQ(pageHeadOnDisk(3), pageHead(1, 1024, 0, 1));
    EXPECT_EQ(pageHeadOnDisk(4), pageHead(1, 952, 3, 1));
    const ATableBlobHead h = head();
    EXPECT_EQ(h.FCountPageEmpty, 2u);
    EXPECT_EQ(h.FLastEmptyPageN, 4u);
    EXPECT_EQ(h.FCountPageAll, 4u);
    EXPECT_EQ(b2().size(), 4u * 1040);

    Bytes page2 = small;
    page2.resize(1024, 0);
    EXPECT_EQ(pageData(2), page2);
    EXPECT_EQ(load(), small);
    at(0);
    EXPECT_EQ(load(), first);
}

// Catches free pages taken in push order instead of stack order, a file that
// grows although free pages were there, and counters left behind.
TEST_F(BlobPagesTest, GrowingOnePageToFourTakesFreePagesThenAppends) {
    appendWith(pattern(1000, 7));  // slot 0: page 1
    const Bytes other = pattern(500, 8);
    appendWith(pattern(3000, 9));  // slot 1: pages 2, 3, 4
    store(other);                  // pages 3, 4 freed: stack 4 -> 3
    ASSERT_EQ(head().FCountPageEmpty, 2u);

    at(0);
    const Bytes big = pattern(3500, 10);
    store(big);
    // Old page first, then 3 (freed before the last), 4 (freed last), then appended 5.
    EXPECT_EQ(slotBlobOnDisk(0), "04 00 01 00 00 00 ac 0d 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(1), pageHead(0, 1024, 3, 0));
    EXPECT_EQ(pageHeadOnDisk(3), pageHead(0, 1024, 4, 0));
    EXPECT_EQ(pageHeadOnDisk(4), pageHead(0, 1024, 5, 0));
    EXPECT_EQ(pageHeadOnDisk(5), pageHead(0, 3500 - 3072, 0, 0));
    const ATableBlobHead h = head();
    EXPECT_EQ(h.FCountPageEmpty, 0u);
    EXPECT_EQ(h.FLastEmptyPageN, 0u);
    EXPECT_EQ(h.FCountPageAll, 5u);
    EXPECT_EQ(b2().size(), 5u * 1040);

    EXPECT_EQ(load(), big);
    at(1);
    EXPECT_EQ(load(), other);
}

// Catches a same-size rewrite that moves the value to new pages or touches
// the header, and a shorter last page that keeps the old page's bytes.
TEST_F(BlobPagesTest, RewriteWithSamePageCountKeepsPagesAndHeader) {
    appendWith(pattern(2048, 11));  // pages 1, 2
    appendWith(pattern(2000, 12));  // pages 3, 4
    store(pattern(10, 13));         // page 4 freed
    const Bytes b0 = readBytes(t.FilePath(".b0"));

    at(0);
    const Bytes v = pattern(1025, 14);
    store(v);
    EXPECT_EQ(slotBlobOnDisk(0), "02 00 01 00 00 00 01 04 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(1), pageHead(0, 1024, 2, 0));
    EXPECT_EQ(pageHeadOnDisk(2), pageHead(0, 1, 0, 0));
    Bytes last(1024, 0);
    last[0] = v[1024];
    EXPECT_EQ(pageData(2), last);
    EXPECT_EQ(readBytes(t.FilePath(".b0")), b0);
    EXPECT_EQ(pageHeadOnDisk(4), pageHead(1, 976, 0, 1));
    EXPECT_EQ(load(), v);
}

// Catches an empty value that keeps its old pages or start page, and a
// free-page stack that is not reused last-in first-out.
TEST_F(BlobPagesTest, EmptyValueStoresZerosAndFreesAllPages) {
    appendWith(pattern(3000, 15));  // pages 1, 2, 3
    appendWith(pattern(10, 16));    // page 4
    at(0);
    store({});
    EXPECT_EQ(slotBlobOnDisk(0), "00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(dan().asInteger(), 0);
    EXPECT_TRUE(load().empty());
    // Freed along the chain 1, 2, 3: each points at the one freed before.
    EXPECT_EQ(pageHeadOnDisk(1), pageHead(0, 1024, 0, 1));
    EXPECT_EQ(pageHeadOnDisk(2), pageHead(0, 1024, 1, 1));
    EXPECT_EQ(pageHeadOnDisk(3), pageHead(0, 952, 2, 1));
    ATableBlobHead h = head();
    EXPECT_EQ(h.FCountPageEmpty, 3u);
    EXPECT_EQ(h.FLastEmptyPageN, 3u);

    const Bytes v = pattern(20, 17);
    store(v);  // takes page 3, the one freed last
    EXPECT_EQ(slotBlobOnDisk(0), "01 00 03 00 00 00 14 00 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(3), pageHead(0, 20, 0, 0));
    h = head();
    EXPECT_EQ(h.FCountPageEmpty, 2u);
    EXPECT_EQ(h.FLastEmptyPageN, 2u);
    EXPECT_EQ(h.FCountPageAll, 4u);
    EXPECT_EQ(load(), v);
}

// Catches Delete freeing pages at once (an undelete would then lose the
// value) and a reused slot whose old pages leak.
TEST_F(BlobPagesTest, DeleteKeepsPagesAndReusingTheSlotFreesThem) {
    appendWith(pattern(2000, 18));  // slot 0: pages 1, 2
    const Bytes other = pattern(5, 19);
    appendWith(other);  // slot 1: page 3
    const Bytes b2Before = b2();
    const ATableBlobHead before = head();

    at(0);
    ASSERT_TRUE(t.Delete());
    EXPECT_EQ(b2(), b2Before);
    EXPECT_EQ(head().FCountPageEmpty, before.FCountPageEmpty);
    EXPECT_EQ(head().FLastEmptyPageN, before.FLastEmptyPageN);

    ASSERT_TRUE(t.Append());
    ASSERT_EQ(t.IndexActivRecordAbsolut(), 0);
    EXPECT_EQ(slotBlobOnDisk(0), "00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(1), pageHead(0, 1024, 0, 1));
    EXPECT_EQ(pageHeadOnDisk(2), pageHead(0, 976, 1, 1));
    ATableBlobHead h = head();
    EXPECT_EQ(h.FCountPageEmpty, 2u);
    EXPECT_EQ(h.FLastEmptyPageN, 2u);

    const Bytes v = pattern(1500, 20);
    store(v);  // both free pages taken back, the file does not grow
    EXPECT_EQ(slotBlobOnDisk(0), "02 00 01 00 00 00 dc 05 00 00 00 00");
    EXPECT_EQ(pageHeadOnDisk(1), pageHead(0, 1024, 2, 0));
    EXPECT_EQ(pageHeadOnDisk(2), pageHead(0, 476, 0, 0));
    h = head();
    EXPECT_EQ(h.FCountPageEmpty, 0u);
    EXPECT_EQ(h.FCountPageAll, 3u);
    EXPECT_EQ(load(), v);
    at(1);
    EXPECT_EQ(load(), other);
}

// The page count is 16 bits in the slot. Catches 65536 pages wrapping to 0
// (the value would silently become empty) and an off-by-one at the limit.
TEST_F(BlobPagesTest, ValueOf65536PagesIsRefused) {
    make(1);
    ASSERT_EQ(pageLength(), 1);
    const Bytes old{'a', 'b', 'c'};
    appendWith(old);
    const Bytes b1Before = readBytes(t.FilePath(".b1"));
    const Bytes b2Before = b2();

    TMemoryStream huge(Bytes(65536, 0x77));
    dan().LoadFromStream(huge);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(
        recorder.messages[0],
        "Данные не сохранены. Требуется реструктуризация базы данных. Обратитесь к разработчику");
    EXPECT_FALSE(dan().Pending());
    EXPECT_EQ(dan().CountPageBlob(), 0);
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(readBytes(t.FilePath(".b1")), b1Before);
    EXPECT_EQ(b2(), b2Before);
    EXPECT_EQ(load(), old);

    const Bytes limit = pattern(65535, 21);
    store(limit);
    EXPECT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(dan().asString(), "65535/1/65535/0/");
    EXPECT_EQ(head().FCountPageAll, 65535u);
    EXPECT_EQ(load(), limit);
}

// ---------------------------------------------------------------- damaged files

// Table for the damage cases: slot 0 holds 3 pages (1 -> 2 -> 3, 3000 bytes),
// slot 1 one page (4), and pages 6 -> 5 are free (stack head 6).
class DamagedBlobTest : public BlobPagesTest {
protected:
    void SetUp() override {
        BlobPagesTest::SetUp();
        appendWith(pattern(3000, 22));
        appendWith(keep);
        appendWith(pattern(2000, 23));
        store({});
        const ATableBlobHead h = head();
        ASSERT_EQ(h.FLastEmptyPageN, 6u);
        ASSERT_EQ(h.FCountPageEmpty, 2u);
        t.Close();
    }

    struct Files {
        Bytes b0, b1, b2, bi;
        bool operator==(const Files&) const = default;
    };
    Files files() {
        return {readBytes(t.FilePath(".b0")), readBytes(t.FilePath(".b1")),
                readBytes(t.FilePath(".b2")), readBytes(t.FilePath(".bi"))};
    }

    // Patches the closed table and opens it again.
    void damage(const std::function<void(Files&)>& patch) {
        Files f = files();
        patch(f);
        writeBytes(t.FilePath(".b0"), f.b0);
        writeBytes(t.FilePath(".b1"), f.b1);
        writeBytes(t.FilePath(".b2"), f.b2);
        ASSERT_TRUE(t.Open()) << "the damage must not change any file length";
    }
    uint8_t* pageHeadIn(Files& f, uint32_t page) { return f.b2.data() + pageAt(page); }
    uint8_t* slotBlobIn(Files& f, uint32_t slot) { return f.b1.data() + slotBlobAt(slot); }

    bool readFails() {
        try {
            (void)load();
        } catch (const ERangeError&) {
            return true;
        }
        return false;
    }
    // Writes a value of the given size into the current record; true when
    // the Post failed (false or ERangeError) and left every file unchanged.
    bool writeFailsCleanly(std::size_t size) {
        const Files before = files();
        TMemoryStream s(pattern(size, 24));
        dan().LoadFromStream(s);
        bool failed = false;
        try {
            failed = !t.Post();
        } catch (const ERangeError&) {
            failed = true;
        }
        EXPECT_TRUE(failed) << "Post reported success on a damaged table";
        EXPECT_TRUE(files() == before) << "a failed Post changed the files";
        return failed && files() == before;
    }
    // The object stays usable and the undamaged record stays readable.
    void expectUsable() {
        t.Close();
        ASSERT_TRUE(t.Open());
        at(1);
        EXPECT_EQ(load(), keep);
    }

    const Bytes keep = pattern(700, 25);
};

// Catches a reader or writer that follows a looping chain without noticing:
// it would return or overwrite the same page twice, or free pages forever.
TEST_F(DamagedBlobTest, LoopingValueChainIsARangeError) {
    damage([&](Files& f) { putU32(pageHeadIn(f, 2) + 8, 1); });  // 1 -> 2 -> 1
    at(0);
    EXPECT_TRUE(readFails());
    at(0);
    EXPECT_TRUE(writeFailsCleanly(3000));  // same page count: rewrite in place
    at(0);
    EXPECT_TRUE(writeFailsCleanly(0));  // frees the chain to its end
    expectUsable();
}

// Catches a chain that continues past its last page being freed in a loop.
TEST_F(DamagedBlobTest, LoopBehindTheLastPageStopsFreeing) {
    damage([&](Files& f) { putU32(pageHeadIn(f, 3) + 8, 2); });  // 1 -> 2 -> 3 -> 2
    at(0);
    EXPECT_TRUE(writeFailsCleanly(100));  // frees 2, 3, 2, ...
    at(0);
    EXPECT_TRUE(writeFailsCleanly(0));
    expectUsable();
}

// Catches reads and writes at page offsets beyond the end of .b2 (which the
// file cache would happily extend) and page number 0 taken as a page.
TEST_F(DamagedBlobTest, PageNumberBeyondTheFileIsARangeError) {
    damage([&](Files& f) { putU32(pageHeadIn(f, 1) + 8, 99); });
    at(0);
    EXPECT_TRUE(readFails());
    at(0);
    EXPECT_TRUE(writeFailsCleanly(3000));
    expectUsable();

    t.Close();
    damage([&](Files& f) {
        putU32(pageHeadIn(f, 1) + 8, 2);
        putU32(slotBlobIn(f, 0) + 2, 0);  // 3 pages starting at page 0
    });
    at(0);
    EXPECT_TRUE(readFails());
    at(0);
    EXPECT_TRUE(writeFailsCleanly(2500));
    expectUsable();
}

// Catches a free-page stack that runs dry before its counter: the write must
// stop instead of taking page 0 or appending in silence. A stack pointing at
// a page in use must not hand that page out.
TEST_F(DamagedBlobTest, FreeChainShorterThanItsCounterIsARangeError) {
    damage([&](Files& f) { putU32(f.b0.data() + 40, 5); });  // counter 5, two free pages
    at(1);
    EXPECT_TRUE(writeFailsCleanly(4096));  // needs 3 more pages, takes them from the stack
    expectUsable();

    t.Close();
    damage([&](Files& f) {
        putU32(f.b0.data() + 40, 3);
        putU32(pageHeadIn(f, 5) + 8, 1);  // 6 -> 5 -> 1, but page 1 is in use
    });
    at(1);
    EXPECT_TRUE(writeFailsCleanly(4000));  // takes 6, 5, then page 1
    expectUsable();
    at(0);
    EXPECT_EQ(load(), pattern(3000, 22));

    t.Close();
    damage([&](Files& f) { putU32(f.b0.data() + 44, 99); });  // stack head beyond the file
    at(1);
    EXPECT_TRUE(writeFailsCleanly(2000));
    expectUsable();
}

// A big value appends its new pages before it takes the free ones. Catches
// appended pages that reach the disk before the free stack turns out short,
// which would leave .b2 longer than the header says.
TEST_F(DamagedBlobTest, FailedBigWriteLeavesTheFilesUnchanged) {
    damage([&](Files& f) { putU32(f.b0.data() + 40, 3); });  // counter 3, two free pages
    at(1);
    EXPECT_TRUE(writeFailsCleanly(2 * 1024 * 1024));
    expectUsable();
}

// Catches a page FLength trusted for the copy: reading it would run past
// the page into the next one or past the buffer.
TEST_F(DamagedBlobTest, PageLengthAboveThePageSizeIsARangeError) {
    damage([&](Files& f) { putU32(pageHeadIn(f, 2) + 4, 1025); });
    at(0);
    EXPECT_TRUE(readFails());
    expectUsable();

    t.Close();
    damage([&](Files& f) { putU32(pageHeadIn(f, 4) + 4, 0xFFFFFFFF); });
    at(1);
    EXPECT_TRUE(readFails());
}

}  // namespace
}  // namespace zavlin
