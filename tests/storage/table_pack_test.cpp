// Packing: live records copied in key order into fresh files, deleted slots
// and free pages gone, every value's pages consecutive; checked on the bytes
// of the files, and a damaged table refused without a byte changed.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::readBytes;
using test::seededBytes;
using test::writeBytes;
using Bytes = std::vector<uint8_t>;

// N (4) | Name string 10 (11) | Num integer (4) | Dan blob (12); pages of 16.
constexpr std::size_t kSlot = 12 + 4 + 11 + 4 + 12;
constexpr std::size_t kDanAt = 12 + 4 + 11 + 4;
constexpr std::size_t kPage = 16 + 16;

class TablePackTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::createTable(t, dir, "T", {"N:ftAutoInc", "Name:ftString:10", "Num:ftInteger"});
        ASSERT_NE(t.AddBlobField("Dan", 16), nullptr);
    }
    void TearDown() override { t.Close(); }

    std::filesystem::path file(const char* ext) const { return dir.table("T") + ext; }

    void append(const std::string& name, int32_t num, const Bytes& value) {
        ASSERT_TRUE(t.Append());
        t.FieldByName("Name")->setAsString(name);
        t.FieldByName("Num")->setAsInteger(num);
        if (!value.empty()) test::loadBlob(t, "Dan", value);
        ASSERT_TRUE(t.Post());
    }
    void setKey(uint32_t from, uint32_t to) {
        ASSERT_TRUE(test::gotoRecord(t, from));
        t.Edit();
        t.Field(0)->setAsInteger(to);
        ASSERT_TRUE(t.Post());
    }
    void rewrite(uint32_t key, const Bytes& value) {
        ASSERT_TRUE(test::gotoRecord(t, key));
        test::loadBlob(t, "Dan", value);
        ASSERT_TRUE(t.Post());
    }
    void remove(uint32_t key) {
        ASSERT_TRUE(test::gotoRecord(t, key));
        ASSERT_TRUE(t.Delete());
    }

    // Live keys 7, 3, 5 in slots 0, 2, 3; slot 1 deleted (key 9, pages still
    // in use); key 7's value shrunk, so free pages exist.
    void buildSevenThreeFive() {
        append("seven", 70, seededBytes(40, 7));
        append("nine", 90, seededBytes(20, 9));
        append("three", 30, seededBytes(25, 3));
        append("five", 50, seededBytes(33, 5));
        setKey(1, 7);
        setKey(2, 9);
        setKey(4, 5);
        rewrite(7, seededBytes(18, 17));
        remove(9);
        ASSERT_EQ(t.Headr().FCountPageEmpty, 1u);
        ASSERT_EQ(t.RecordCountAll(), 4u);
    }

    test::TableImage image() {
        TTableBlob r{test::hooks()};
        r.SetTableName(dir.table("T"));
        EXPECT_TRUE(r.Open());
        test::TableImage i = test::imageOf(r);
        r.Close();
        return i;
    }

    bool pack() {
        t.Close();
        TTableBlob p{test::hooks()};
        p.SetTableName(dir.table("T"));
        const bool ok = p.PackTable();
        EXPECT_FALSE(p.Active());
        return ok;
    }

    bool testTable() {
        test::MessageRecorder recorder;
        TTableBlob r{test::hooks()};
        recorder.attach(r);
        r.SetTableName(dir.table("T"));
        EXPECT_TRUE(r.Open());
        const bool ok = r.TestTable();
        EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().first;
        r.Close();
        return ok;
    }

    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
};

// Catches a pack in slot order instead of key order, a .bi out of slot
// order, leftover deleted slots or free pages, pages not renumbered
// consecutively or still naming their old slot, and lost values.
TEST_F(TablePackTest, SortsByKeyAndRenumbersPages) {
    buildSevenThreeFive();
    test::TableImage before = image();
    ASSERT_TRUE(pack());

    const Bytes b0 = readBytes(file(".b0"));
    const ATableBlobHead h = ATableBlobHead::decode(b0.data());
    EXPECT_EQ(h.FCountRecordAll, 3u);
    EXPECT_EQ(h.FCountRecord, 3u);
    EXPECT_EQ(h.FAutoIncDelRec, 0u);
    EXPECT_EQ(h.FIndexDelRec, 0u);
    EXPECT_EQ(h.FCountPageEmpty, 0u);
    EXPECT_EQ(h.FLastEmptyPageN, 0u);
    EXPECT_EQ(h.FAutoInc, 9u);
    EXPECT_EQ(h.FLengthPage, 16u);
    // 25 bytes: 2 pages, 33 bytes: 3 pages, 18 bytes: 2 pages.
    EXPECT_EQ(h.FCountPageAll, 7u);
    EXPECT_EQ(b0.size(), 68u + 4 * 32);

    EXPECT_EQ(test::hex(readBytes(file(".bi"))),
              test::hex(test::fromHex("03000000 00000000 05000000 01000000 07000000 02000000")));

    const Bytes b1 = readBytes(file(".b1"));
    const Bytes b2 = readBytes(file(".b2"));
    ASSERT_EQ(b1.size(), 3 * kSlot);
    ASSERT_EQ(b2.size(), 7 * kPage);
    const uint32_t keys[] = {3, 5, 7};
    const uint16_t counts[] = {2, 3, 2};
    const uint32_t lengths[] = {25, 33, 18};
    uint32_t nextPage = 1;
    for (uint32_t slot = 0; slot < 3; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const uint8_t* s = b1.data() + slot * kSlot;
        const ARecordHeadr rh = ARecordHeadr::decode(s);
        EXPECT_EQ(rh.FState, 0xFF);
        EXPECT_EQ(rh.FVers, 1);
        EXPECT_EQ(rh.FAutoIncDelRec, 0u);
        EXPECT_EQ(rh.FIndexDelRec, 0u);
        EXPECT_EQ(getU32(s + 12), keys[slot]);
        const ABlobHeadr bh = ABlobHeadr::decode(s + kDanAt);
        EXPECT_EQ(bh.FCountPage, counts[slot]);
        EXPECT_EQ(bh.FPageStartN, nextPage);
        EXPECT_EQ(bh.FSummaLength, lengths[slot]);
        for (uint16_t k = 0; k < counts[slot]; ++k) {
            const uint32_t page = nextPage + k;
            const APageBlobHeadr ph = APageBlobHeadr::decode(b2.data() + (page - 1) * kPage);
            EXPECT_EQ(ph.FIndexRecordAbs, slot) << "page " << page;
            EXPECT_EQ(ph.FNextPage, k + 1 < counts[slot] ? page + 1 : 0u) << "page " << page;
            EXPECT_EQ(ph.FState, 0) << "page " << page;
            EXPECT_EQ(ph.FLength, k + 1 < counts[slot] ? 16u : lengths[slot] - 16u * k)
                << "page " << page;
        }
        nextPage += counts[slot];
    }

    before.deletedSlots = 0;
    before.records.erase(9);
    EXPECT_EQ(image(), before) << test::describe(image());
    EXPECT_TRUE(testTable());
}

// Catches counters or files left over from the records packed away, and a
// key counter reset with them.
TEST_F(TablePackTest, EmptyTableKeepsOnlyKeyCounter) {
    append("a", 1, seededBytes(40, 1));
    append("b", 2, seededBytes(5, 2));
    remove(1);
    remove(2);
    ASSERT_TRUE(pack());
    EXPECT_TRUE(readBytes(file(".b1")).empty());
    EXPECT_TRUE(readBytes(file(".bi")).empty());
    EXPECT_TRUE(readBytes(file(".b2")).empty());
    const ATableBlobHead h = ATableBlobHead::decode(readBytes(file(".b0")).data());
    EXPECT_EQ(h.FAutoInc, 2u);
    EXPECT_EQ(h.FCountRecordAll, 0u);
    EXPECT_EQ(h.FCountRecord, 0u);
    EXPECT_EQ(h.FAutoIncDelRec, 0u);
    EXPECT_EQ(h.FIndexDelRec, 0u);
    EXPECT_EQ(h.FCountPageAll, 0u);
    EXPECT_EQ(h.FCountPageEmpty, 0u);
    EXPECT_EQ(h.FLastEmptyPageN, 0u);
    // The packed table takes new records again.
    TTableBlob r{test::hooks()};
    r.SetTableName(dir.table("T"));
    ASSERT_TRUE(r.Open());
    ASSERT_TRUE(r.Append());
    EXPECT_EQ(r.Field(0)->asInteger(), 3);
    r.Close();
    EXPECT_TRUE(testTable());

    // A table that never held a record packs too.
    TTableBlob e{test::hooks()};
    test::createTable(e, dir, "E", {"N:ftNewKeys", "Name:ftString:4"});
    e.Close();
    TTableBlob p{test::hooks()};
    p.SetTableName(dir.table("E"));
    ASSERT_TRUE(p.PackTable());
    EXPECT_TRUE(readBytes(dir.table("E") + ".b1").empty());
    EXPECT_TRUE(readBytes(dir.table("E") + ".bi").empty());
}

// Reused slots, values grown into free pages and shrunk out of them, and
// stored bytes the engine does not interpret (padding after a text, record
// header state and reserve). Catches a pack that re-encodes a record instead
// of copying it, or that follows a chain into pages of another value.
TEST_F(TablePackTest, KeepsEveryLiveRecordByteForByte) {
    for (int i = 0; i < 6; ++i)
        append("r" + std::to_string(i), i * 11,
               seededBytes(static_cast<std::size_t>(9 + 13 * i), static_cast<uint8_t>(i)));
    remove(2);
    remove(5);
    append("reuse", 99, seededBytes(50, 30));  // slot of key 5, its pages freed
    rewrite(1, seededBytes(70, 31));           // grows through the free pages
    rewrite(4, seededBytes(3, 32));            // shrinks
    rewrite(6, {});                            // empties
    t.Close();
    // Bytes no operation looks at: text padding and the record header's
    // state and reserve of the slot of key 3.
    Bytes b1 = readBytes(file(".b1"));
    b1[2 * kSlot + 16 + 3] = 0xAB;
    b1[2 * kSlot + 0] = 0x7F;
    b1[2 * kSlot + 10] = 0x34;
    writeBytes(file(".b1"), b1);
    const test::TableImage before = image();
    // Field bytes of each live record by key, blob headers left out.
    auto fieldBytes = [&](const Bytes& slots) {
        std::map<uint32_t, Bytes> out;
        for (std::size_t at = 0; at + kSlot <= slots.size(); at += kSlot) {
            if (slots[at] == 0) continue;
            Bytes b(slots.begin() + static_cast<std::ptrdiff_t>(at),
                    slots.begin() + static_cast<std::ptrdiff_t>(at + kDanAt));
            b[2] = b[3] = b[4] = b[5] = b[6] = b[7] = b[8] = b[9] = 0;  // chain links
            out[getU32(b.data() + 12)] = b;
        }
        return out;
    };
    const auto slotsBefore = fieldBytes(readBytes(file(".b1")));
    ASSERT_EQ(slotsBefore.size(), 5u);

    ASSERT_TRUE(pack());
    EXPECT_EQ(fieldBytes(readBytes(file(".b1"))), slotsBefore);
    test::TableImage expected = before;
    expected.deletedSlots = 0;
    EXPECT_EQ(image(), expected) << test::describe(image());
    EXPECT_TRUE(testTable());
    const ATableBlobHead h = ATableBlobHead::decode(readBytes(file(".b0")).data());
    // 70, 50, 35, 3 and 0 bytes in pages of 16.
    EXPECT_EQ(h.FCountPageAll, 5u + 4u + 3u + 1u + 0u);
    EXPECT_EQ(readBytes(file(".b2")).size(), h.FCountPageAll * kPage);
}

// A damaged table is not packed: the pack would drop or invent data. Catches
// a pack that drops the record of a bad index entry, copies a slot twice,
// shortens or lengthens a value whose chain disagrees with its header, or
// changes any file before it finds the damage.
TEST_F(TablePackTest, RefusesDamagedTableAndChangesNothing) {
    buildSevenThreeFive();
    t.Close();
    const auto healthy = test::snapshotFiles(dir.path());
    auto patch = [&](const char* ext, std::size_t at, uint32_t v) {
        Bytes b = readBytes(file(ext));
        putU32(b.data() + at, v);
        writeBytes(file(ext), b);
    };
    // .bi now: (7,0) (3,2) (5,3); slot 1 is deleted.
    struct Case {
        const char* what;
        std::function<void()> damage;
    };
    const std::vector<Case> cases = {
        {"an index entry names the deleted slot", [&] { patch(".bi", 12, 1); }},
        {"an index entry names a slot past the end", [&] { patch(".bi", 12, 40); }},
        {"two index entries name one slot",
         [&] {
             patch(".bi", 8, 7);
             patch(".bi", 12, 0);
         }},
        {"a live slot the index does not name",
         [&] {
             Bytes bi = readBytes(file(".bi"));
             bi.resize(16);
             writeBytes(file(".bi"), bi);
             patch(".b0", 12, 2);
         }},
        {"a chain that ends before its page count",
         [&] {
             // Key 5's value: pages 6, 7, 8 of the slot at 3.
             const ABlobHeadr bh =
                 ABlobHeadr::decode(readBytes(file(".b1")).data() + 3 * kSlot + kDanAt);
             patch(".b2", (bh.FPageStartN - 1) * kPage + 8, 0);
         }},
        {"a chain that goes on after its page count",
         [&] {
             Bytes b1 = readBytes(file(".b1"));
             putU16(b1.data() + 3 * kSlot + kDanAt, 2);
             writeBytes(file(".b1"), b1);
         }},
        {"a chain that leaves the page file", [&] { patch(".b1", 2 * kSlot + kDanAt + 2, 99); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove(e.path());
        for (const auto& [name, bytes] : healthy) writeBytes(dir.path() / name, bytes);
        c.damage();
        const auto damaged = test::snapshotFiles(dir.path());
        test::MessageRecorder quiet;
        TTableBlob p{test::hooks()};
        p.SetTableName(dir.table("T"));
        EXPECT_FALSE(p.PackTable());
        EXPECT_FALSE(p.Active());
        EXPECT_EQ(test::changedFiles(damaged, test::snapshotFiles(dir.path())), "");
    }
}

// Catches a pack that keeps a key counter below a key stored in a slot (the
// next append would repeat it), and one that changes a reusable-key table's.
TEST_F(TablePackTest, KeyCounterCoversTheLargestKey) {
    append("a", 1, {});
    append("b", 2, {});
    t.Close();
    Bytes b0 = readBytes(file(".b0"));
    putU32(b0.data() + 4, 1);  // counter below key 2
    writeBytes(file(".b0"), b0);
    ASSERT_TRUE(pack());
    EXPECT_EQ(ATableBlobHead::decode(readBytes(file(".b0")).data()).FAutoInc, 2u);

    TTableBlob k{test::hooks()};
    test::createTable(k, dir, "K", {"N:ftNewKeys", "Name:ftString:4"});
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(k.Append());
    ASSERT_TRUE(test::gotoRecord(k, 3));
    k.Edit();
    k.Field(0)->setAsInteger(8);
    ASSERT_TRUE(k.Post());
    const uint32_t counter = k.Headr().FAutoInc;
    k.Close();
    TTableBlob p{test::hooks()};
    p.SetTableName(dir.table("K"));
    ASSERT_TRUE(p.PackTable());
    EXPECT_EQ(ATableBlobHead::decode(readBytes(dir.table("K") + ".b0").data()).FAutoInc, counter);
}

}  // namespace
}  // namespace zavlin
