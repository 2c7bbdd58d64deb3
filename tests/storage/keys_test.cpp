// Keys: how new keys are chosen, key writes moving the index, key search,
// Locate and the key check.
#include <gtest/gtest.h>

#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::fromHex;
using test::hex;
using test::readBytes;
using test::slice;
using test::writeBytes;

using Keys = std::vector<uint32_t>;

// Key N, string Name[10], integer Age.
class KeysTest : public ::testing::Test {
protected:
    void make(const char* keyType) {
        test::createTable(t, dir, "K",
                          {std::string("N:") + keyType, "Name:ftString:10", "Age:ftInteger"});
    }
    uint32_t add(const std::string& name = "", int age = 0) {
        EXPECT_TRUE(t.Append());
        t.FieldByName("Name")->setAsString(name);
        t.FieldByName("Age")->setAsInteger(age);
        EXPECT_TRUE(t.Post());
        return key();
    }
    TField* n() { return t.FieldByName("N"); }
    uint32_t key() { return static_cast<uint32_t>(n()->asInteger()); }
    std::string name() { return t.FieldByName("Name")->asString(); }
    // Rewrites the key of the record in slot `slot` through asInteger.
    void setKey(uint32_t slot, uint32_t newKey) {
        t.SetIndexActivRecordAll(slot);
        n()->setAsInteger(newKey);
        ASSERT_TRUE(t.Post());
    }
    Keys indexKeys() {
        Keys k;
        for (const auto& e : t.Index()) k.push_back(e.key);
        return k;
    }
    Keys indexSlots() {
        Keys s;
        for (const auto& e : t.Index()) s.push_back(e.slot);
        return s;
    }
    std::filesystem::path file(const char* ext) const {
        return dir.path() / (std::string("K") + ext);
    }

    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
};

// Catches a reusable-key table that never fills gaps, fills them while a
// deleted slot waits, or takes a gap below the smallest live key.
TEST_F(KeysTest, ReusableKeyFillsTheLowestGapOnlyWhenNoSlotWaits) {
    make("ftNewKeys");
    for (int i = 0; i < 5; ++i) add();
    // Deleted slots wait: they are reused first, with their own keys.
    t.SetIndexActivRecordAll(1);
    ASSERT_TRUE(t.Delete());
    t.SetIndexActivRecordAll(2);
    ASSERT_TRUE(t.Delete());
    EXPECT_EQ(add(), 3u);
    EXPECT_EQ(add(), 2u);
    // Every slot is used and the counter equals the slot count: no gap search.
    EXPECT_EQ(add(), 6u);
}

TEST_F(KeysTest, ReusableKeyGapAfterKeysWereMovedAway) {
    make("ftNewKeys");
    add("a");
    add("b");
    add("c");
    // As after packing a table whose keys 2 and 3 were deleted: 1, 4, 5 live.
    setKey(1, 4);
    setKey(2, 5);
    EXPECT_EQ(t.Headr().FAutoInc, 5u);
    EXPECT_EQ(add("d"), 2u);
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 3);
    EXPECT_EQ(t.Headr().FAutoInc, 5u) << "a gap key does not move the counter";
    EXPECT_EQ(add("e"), 3u);
    EXPECT_EQ(add("f"), 6u);
    EXPECT_EQ(t.Headr().FAutoInc, 6u);
    // The index was sorted by key for the search but is stored by slot.
    EXPECT_EQ(hex(readBytes(file(".bi"))),
              hex(fromHex("01 00 00 00 00 00 00 00  04 00 00 00 01 00 00 00"
                          " 05 00 00 00 02 00 00 00  02 00 00 00 03 00 00 00"
                          " 03 00 00 00 04 00 00 00  06 00 00 00 05 00 00 00")));
    std::vector<std::string> names;
    for (t.First(); !t.Eof(); t.Next()) names.push_back(name());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
}

TEST_F(KeysTest, GapSearchIgnoresKeysBelowTheSmallestAndSingleRecords) {
    make("ftNewKeys");
    add();
    setKey(0, 5);
    EXPECT_EQ(add(), 6u) << "one live key: no gap";
    setKey(0, 3);
    setKey(1, 4);
    EXPECT_EQ(add(), 7u) << "1 and 2 lie below the smallest key";
}

// Catches an auto-increment table that fills gaps or reuses keys.
TEST_F(KeysTest, AutoIncrementNeverFillsGaps) {
    make("ftAutoInc");
    add();
    add();
    setKey(1, 9);
    EXPECT_EQ(add(), 10u);
}

// Catches a key write that leaves the index entry on the old key, does not
// raise the counter, or lowers it; and an index stored out of slot order.
TEST_F(KeysTest, WritingTheKeyMovesTheIndexEntryAndRaisesTheCounter) {
    make("ftAutoInc");
    add("a");
    add("b");
    add("c");
    t.SetIndexActivRecordAll(1);
    n()->setAsInteger(10);
    EXPECT_EQ(indexKeys(), (Keys{1, 10, 3})) << "the index follows at once";
    EXPECT_EQ(t.Headr().FAutoInc, 10u);
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(
        hex(readBytes(file(".bi"))),
        hex(fromHex("01 00 00 00 00 00 00 00  0a 00 00 00 01 00 00 00  03 00 00 00 02 00 00 00")));
    EXPECT_EQ(hex(slice(readBytes(file(".b0")), 4, 4)), hex(fromHex("0a 00 00 00")));
    EXPECT_EQ(hex(slice(readBytes(file(".b1")), 31 + 12, 4)), hex(fromHex("0a 00 00 00")));

    setKey(2, 7);  // below the counter: the counter stays
    EXPECT_EQ(t.Headr().FAutoInc, 10u);
    EXPECT_EQ(indexKeys(), (Keys{1, 10, 7}));
    EXPECT_EQ(add("d"), 11u);

    // Sorted by key in memory, still stored by slot.
    t.SortAutoIncRecord();
    EXPECT_EQ(indexKeys(), (Keys{1, 7, 10, 11}));
    Keys loop;
    for (t.First(); !t.Eof(); t.Next()) loop.push_back(key());
    EXPECT_EQ(loop, (Keys{1, 7, 10, 11})) << "navigation follows the index order";
    t.SetIndexActivRecordAll(0);
    n()->setAsInteger(12);
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(hex(readBytes(file(".bi"))),
              hex(fromHex("0c 00 00 00 00 00 00 00  0a 00 00 00 01 00 00 00"
                          " 07 00 00 00 02 00 00 00  0b 00 00 00 03 00 00 00")));
}

// Catches a key written as text being treated like a key change.
TEST_F(KeysTest, KeyWrittenAsTextLeavesIndexAndCounter) {
    make("ftAutoInc");
    add();
    add();
    t.SetIndexActivRecordAll(1);
    n()->setAsString("20");
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(key(), 20u);
    EXPECT_EQ(indexKeys(), (Keys{1, 2}));
    EXPECT_EQ(t.Headr().FAutoInc, 2u);
}

// Catches key search that writes the searched key into the record, misplaces
// the cursor, or moves it when nothing is found.
TEST_F(KeysTest, SetKeyGotoKeyFoundAndNotFound) {
    make("ftAutoInc");
    for (const char* s : {"a", "b", "c", "d"}) add(s);

    t.SetKey();
    EXPECT_TRUE(t.GotoKeyMode());
    n()->setAsInteger(3);
    EXPECT_FALSE(t.Modifi()) << "a searched key is not a pending value";
    ASSERT_TRUE(t.GotoKey());
    EXPECT_FALSE(t.GotoKeyMode());
    EXPECT_EQ(t.IndexActivRecord(), 2u);
    ASSERT_FALSE(t.Eof());
    EXPECT_EQ(name(), "c");
    EXPECT_EQ(key(), 3u);
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(indexKeys(), (Keys{1, 2, 3, 4})) << "the search changed a key";

    t.SetIndexActivRecord(1);
    t.EditKey();
    n()->setAsInteger(9);
    EXPECT_FALSE(t.GotoKey());
    EXPECT_FALSE(t.GotoKeyMode());
    EXPECT_EQ(t.IndexActivRecord(), 1u);
    std::vector<std::string> names;
    for (t.First(); !t.Eof(); t.Next()) names.push_back(name());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d"}));

    // Edit leaves key-search mode: the next key write is a real one.
    t.SetKey();
    t.Edit();
    EXPECT_FALSE(t.GotoKeyMode());
    EXPECT_EQ(t.State(), dsEdit);
}

TEST_F(KeysTest, GotoKeyOnAnEmptyTable) {
    make("ftAutoInc");
    t.SetKey();
    n()->setAsInteger(1);
    EXPECT_FALSE(t.GotoKey());
    EXPECT_EQ(t.IndexActivRecord(), 0u);
    EXPECT_TRUE(t.Eof());
}

// Catches Locate starting from the first record instead of the current one,
// comparing loosely, or stopping away from the match.
TEST_F(KeysTest, LocateFormsStartAtTheCurrentRecord) {
    make("ftAutoInc");
    add("a", 10);
    add("b", 20);
    add("a", 30);
    add("c", 40);

    t.First();
    ASSERT_TRUE(t.Locate("Name", std::string_view("a")));
    EXPECT_EQ(key(), 1u) << "the current record is the first candidate";
    ASSERT_TRUE(t.Locate("Name", std::string_view("a")));
    EXPECT_EQ(key(), 1u);
    t.Next();
    ASSERT_TRUE(t.Locate("Name", std::string_view("a")));
    EXPECT_EQ(key(), 3u);
    EXPECT_EQ(t.IndexActivRecord(), 2u);

    // On the third record the first two are not searched.
    EXPECT_FALSE(t.Locate("Name", std::string_view("b")));
    t.SetIndexActivRecord(2);
    EXPECT_FALSE(t.Locate("Age", 10));
    t.SetIndexActivRecord(2);
    ASSERT_TRUE(t.Locate("Age", 40));
    EXPECT_EQ(name(), "c");

    t.First();
    EXPECT_FALSE(t.Locate("Name", std::string_view("A"))) << "text compares case-sensitively";
    t.First();
    ASSERT_TRUE(t.Locate("Name;Age", std::vector<std::string>{"a", "30"}));
    EXPECT_EQ(key(), 3u);
    t.First();
    EXPECT_FALSE(t.Locate("Name;Age", std::vector<std::string>{"b", "30"}));
    t.First();
    EXPECT_FALSE(t.Locate("Nothing", 1));
}

// Catches a key check that misses zero or duplicate keys, reports them out of
// key order, keeps calling after asNill, or leaves the index sorted by key.
TEST_F(KeysTest, TestKeysReportsZeroAndDuplicateInKeyOrder) {
    make("ftNewKeys");
    for (int i = 0; i < 4; ++i) add();
    EXPECT_TRUE(t.TestKeys());
    setKey(2, 2);
    setKey(3, 0);
    EXPECT_EQ(indexKeys(), (Keys{1, 2, 2, 0}));

    Keys reported;
    t.onTestKeys = [&](TTableBlob&, uint32_t k, TTestKeys& verdict) {
        EXPECT_EQ(verdict, asIgnore) << "the verdict starts as asIgnore";
        reported.push_back(k);
    };
    EXPECT_FALSE(t.TestKeys());
    EXPECT_EQ(reported, (Keys{0, 2}));
    EXPECT_EQ(indexSlots(), (Keys{0, 1, 2, 3})) << "the index goes back to slot order";
    EXPECT_EQ(t.SortIndex(), siIndex);

    reported.clear();
    t.onTestKeys = [&](TTableBlob&, uint32_t k, TTestKeys& verdict) {
        reported.push_back(k);
        verdict = asNill;
    };
    EXPECT_FALSE(t.TestKeys());
    EXPECT_EQ(reported, (Keys{0}));

    t.onTestKeys = [&](TTableBlob&, uint32_t, TTestKeys& verdict) { verdict = asDelete; };
    EXPECT_FALSE(t.TestKeys());
    EXPECT_EQ(t.RecordCount(), 4u) << "a verdict does not change the table";
}

// Catches the stable key sort losing the slot order of equal keys.
TEST_F(KeysTest, SortByKeyKeepsEqualKeysInSlotOrder) {
    make("ftNewKeys");
    for (int i = 0; i < 4; ++i) add();
    setKey(0, 3);
    setKey(1, 2);
    setKey(2, 3);
    setKey(3, 1);
    t.SortAutoIncRecord();
    EXPECT_EQ(indexKeys(), (Keys{1, 2, 3, 3}));
    EXPECT_EQ(indexSlots(), (Keys{3, 1, 0, 2}));
    EXPECT_EQ(t.SortIndex(), siAutoInc);
    t.SortIndexRecord();
    EXPECT_EQ(indexSlots(), (Keys{0, 1, 2, 3}));
}

// Catches an auto-increment key above the counter passing the check.
TEST_F(KeysTest, AutoIncKeyAboveTheCounterIsWrong) {
    make("ftAutoInc");
    for (int i = 0; i < 3; ++i) add();
    EXPECT_TRUE(t.TestKeys());
    t.Close();
    auto b0 = readBytes(file(".b0"));
    b0[4] = 2;  // FAutoInc 3 -> 2
    writeBytes(file(".b0"), b0);
    t.SetTableName(dir.table("K"));
    ASSERT_TRUE(t.Open());
    Keys reported;
    t.onTestKeys = [&](TTableBlob&, uint32_t k, TTestKeys&) { reported.push_back(k); };
    EXPECT_FALSE(t.TestKeys());
    EXPECT_EQ(reported, (Keys{3}));
}

TEST_F(KeysTest, TestKeysOnAnEmptyTableIsTrue) {
    make("ftAutoInc");
    bool called = false;
    t.onTestKeys = [&](TTableBlob&, uint32_t, TTestKeys&) { called = true; };
    EXPECT_TRUE(t.TestKeys());
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace zavlin
