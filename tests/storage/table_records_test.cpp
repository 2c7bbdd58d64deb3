// Record operations: append, post, delete, undelete, navigation, emptying and
// changing the field list of a table that holds records.
#include <gtest/gtest.h>

#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::fromHex;
using test::hex;
using test::readBytes;
using test::slice;
using test::snapshotFiles;

using Bytes = std::vector<uint8_t>;

// Key N (auto-increment or reusable) and string Name[10]: 27-byte slots.
class RecordsTest : public ::testing::Test {
protected:
    void make(const char* keyType = "ftAutoInc") {
        test::createTable(t, dir, "R", {std::string("N:") + keyType, "Name:ftString:10"});
    }
    void add(const std::string& name) {
        ASSERT_TRUE(t.Append());
        t.FieldByName("Name")->setAsString(name);
        ASSERT_TRUE(t.Post());
    }
    void deleteSlot(uint32_t slot) {
        t.SetIndexActivRecordAll(slot);
        ASSERT_TRUE(t.Delete());
    }
    uint32_t key() { return static_cast<uint32_t>(t.FieldByName("N")->asInteger()); }
    std::string name() { return t.FieldByName("Name")->asString(); }
    // Keys met by the First/Eof/Next loop.
    std::vector<uint32_t> loopKeys() {
        std::vector<uint32_t> keys;
        for (t.First(); !t.Eof(); t.Next()) keys.push_back(key());
        return keys;
    }
    std::filesystem::path file(const char* ext) const {
        return dir.path() / (std::string("R") + ext);
    }
    void reopen() {
        t.Close();
        t.SetTableName(dir.table("R"));
        ASSERT_TRUE(t.Open());
    }

    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
};

// Catches values written to the wrong slot, lost at close, or read back in an
// order other than the index order.
TEST_F(RecordsTest, AppendPostReadRoundTrip) {
    make();
    add("Андрей");
    add("Борис");
    add("Вера");
    EXPECT_EQ(t.RecordCount(), 3u);
    EXPECT_EQ(t.IndexActivRecord(), 2u) << "the cursor stays on the appended record";
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 2);
    reopen();
    std::vector<std::string> names;
    std::vector<uint32_t> keys;
    for (t.First(); !t.Eof(); t.Next()) {
        keys.push_back(key());
        names.push_back(name());
    }
    EXPECT_EQ(keys, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(names, (std::vector<std::string>{"Андрей", "Борис", "Вера"}));
}

// Catches a Post that leaves the state in edit, pending values that Close
// writes after all, a Modifi flag that ignores a set value, and missing
// AfterOpen/AfterClose notifications.
TEST_F(RecordsTest, PendingValuesAreWrittenOnlyByPost) {
    make();
    int opened = 0;
    int closed = 0;
    t.AfterOpen = [&](TTableBlob&) { ++opened; };
    t.AfterClose = [&](TTableBlob&) { ++closed; };
    add("old");
    EXPECT_EQ(t.State(), dsOpening);
    EXPECT_FALSE(t.Modifi());
    t.FieldByName("Name")->setAsString("new");
    EXPECT_EQ(t.State(), dsEdit);
    EXPECT_TRUE(t.Modifi());
    reopen();  // Close drops the pending value
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(closed, 1);
    t.First();
    EXPECT_EQ(name(), "old");
    t.FieldByName("Name")->setAsString("new");
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(t.State(), dsOpening);
    EXPECT_FALSE(t.Modifi());
    reopen();
    t.First();
    EXPECT_EQ(name(), "new");
}

// Catches a second delete of the same slot pushing it on the chain again,
// dropping another index entry or moving the cursor.
TEST_F(RecordsTest, DeletingTheSameRecordTwiceChangesNothingTheSecondTime) {
    make();
    add("a");
    add("b");
    add("c");
    t.SetIndexActivRecord(2);
    ASSERT_TRUE(t.Delete());
    EXPECT_EQ(t.IndexActivRecord(), 1u) << "the cursor steps back after a delete";
    const auto files = snapshotFiles(dir.path());
    const auto cursor = t.IndexActivRecord();
    const auto index = t.Index().size();
    EXPECT_TRUE(t.Delete());
    EXPECT_EQ(snapshotFiles(dir.path()), files);
    EXPECT_EQ(t.IndexActivRecord(), cursor);
    EXPECT_EQ(t.Index().size(), index);
    EXPECT_EQ(t.RecordCount(), 2u);
    EXPECT_EQ(t.Headr().FAutoIncDelRec, 3u);
    EXPECT_EQ(t.Headr().FIndexDelRec, 2u);
}

// Catches an append that reuses the first deleted slot instead of the last,
// gives an auto-increment table an old key, or grows .b1 while slots wait.
TEST_F(RecordsTest, AutoIncAppendReusesLastDeletedSlotWithNewKey) {
    make();
    for (const char* n : {"a", "b", "c", "d"}) add(n);
    deleteSlot(1);
    deleteSlot(3);
    add("e");
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 3);
    EXPECT_EQ(key(), 5u);
    add("f");
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 1);
    EXPECT_EQ(key(), 6u);
    EXPECT_EQ(t.RecordCountAll(), 4u);
    EXPECT_EQ(readBytes(file(".b1")).size(), 4u * 27);
    add("g");
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 4);
    EXPECT_EQ(key(), 7u);
    EXPECT_EQ(loopKeys(), (std::vector<uint32_t>{1, 6, 3, 5, 7}));
}

// Catches a reusable-key table that hands a reused slot a new key.
TEST_F(RecordsTest, ReusableKeyAppendGivesTheDeletedRecordsKey) {
    make("ftNewKeys");
    for (const char* n : {"a", "b", "c", "d"}) add(n);
    deleteSlot(1);
    deleteSlot(3);
    add("e");
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 3);
    EXPECT_EQ(key(), 4u);
    EXPECT_EQ(name(), "e");
    add("f");
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 1);
    EXPECT_EQ(key(), 2u);
    EXPECT_EQ(t.Headr().FAutoInc, 4u) << "a reused key must not move the counter";
    EXPECT_EQ(hex(readBytes(file(".bi"))),
              hex(fromHex("01 00 00 00 00 00 00 00  02 00 00 00 01 00 00 00"
                          " 03 00 00 00 02 00 00 00  04 00 00 00 03 00 00 00")));
}

// Catches TestRecordDeleted mixing up its three answers, an undelete that
// loses the field values or the index entry, or leaves the chain head behind.
TEST_F(RecordsTest, UnDeleteOfTheChainTopRestoresRecordAndIndex) {
    make();
    for (const char* n : {"a", "b", "c", "d"}) add(n);
    deleteSlot(1);
    deleteSlot(2);

    t.SetIndexActivRecordAll(0);
    EXPECT_EQ(t.TestRecordDeleted(), -1) << "live slot";
    t.SetIndexActivRecordAll(1);
    EXPECT_EQ(t.TestRecordDeleted(), 0) << "deleted, but not the last deleted";
    t.SetIndexActivRecordAll(2);
    EXPECT_EQ(t.TestRecordDeleted(), 3) << "the top of the chain gives its key";

    ASSERT_TRUE(t.UnDelete());
    EXPECT_EQ(t.RecordCount(), 3u);
    EXPECT_EQ(t.Headr().FAutoIncDelRec, 2u);
    EXPECT_EQ(t.Headr().FIndexDelRec, 1u);
    EXPECT_EQ(hex(slice(readBytes(file(".b1")), 2 * 27, 12)),
              hex(fromHex("ff 01 00 00 00 00 00 00 00 00 00 00")));
    EXPECT_EQ(
        hex(readBytes(file(".bi"))),
        hex(fromHex("01 00 00 00 00 00 00 00  03 00 00 00 02 00 00 00  04 00 00 00 03 00 00 00")));
    EXPECT_EQ(hex(slice(readBytes(file(".b0")), 12, 4)), hex(fromHex("03 00 00 00")));
    EXPECT_EQ(hex(slice(readBytes(file(".b0")), 20, 8)), hex(fromHex("02 00 00 00 01 00 00 00")));

    // Now the record deleted first is the top and can come back too.
    t.SetIndexActivRecordAll(1);
    EXPECT_EQ(t.TestRecordDeleted(), 2);
    ASSERT_TRUE(t.UnDelete());
    EXPECT_EQ(t.Headr().FAutoIncDelRec, 0u);
    std::vector<std::string> names;
    for (t.First(); !t.Eof(); t.Next()) names.push_back(name());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d"}));
}

// Catches an undelete out of chain order that corrupts the chain instead of
// refusing with the slot of the last deleted record.
TEST_F(RecordsTest, UnDeleteBelowTheChainTopIsRefused) {
    make();
    for (const char* n : {"a", "b", "c", "d"}) add(n);
    deleteSlot(1);
    deleteSlot(3);
    const auto files = snapshotFiles(dir.path());
    test::MessageRecorder rec;
    t.SetIndexActivRecordAll(1);
    EXPECT_FALSE(t.UnDelete());
    EXPECT_EQ(rec.messages,
              std::vector<std::string>{
                  "Востановление осуществляется начиная с последней удалённой записи Index=3"});
    EXPECT_EQ(snapshotFiles(dir.path()), files);
    EXPECT_EQ(t.RecordCount(), 2u);
    EXPECT_EQ(t.Index().size(), 2u);
    EXPECT_EQ(t.Headr().FIndexDelRec, 3u);

    // A live slot is not touched either.
    t.SetIndexActivRecordAll(0);
    EXPECT_FALSE(t.UnDelete());
    EXPECT_EQ(snapshotFiles(dir.path()), files);
}

// Catches slot navigation that skips deleted slots or stops early, and record
// headers read from the wrong slot.
TEST_F(RecordsTest, SlotNavigationVisitsDeletedSlotsToo) {
    make();
    for (const char* n : {"a", "b", "c", "d"}) add(n);
    deleteSlot(1);
    deleteSlot(2);
    std::vector<int64_t> states;
    std::vector<int64_t> slots;
    std::vector<int> flags;
    for (t.FirstAll(); !t.EofAll(); t.NextAll()) {
        states.push_back(t.TestRecordDeleted());
        slots.push_back(t.IndexActivRecordAbsolut());
        ARecordHeadr h;
        ASSERT_TRUE(t.ReadRecordHeadr(h));
        flags.push_back(h.FState);
    }
    EXPECT_EQ(states, (std::vector<int64_t>{-1, 0, 3, -1}));
    EXPECT_EQ(slots, (std::vector<int64_t>{0, 1, 2, 3}));
    EXPECT_EQ(flags, (std::vector<int>{0xFF, 0, 0, 0xFF}));
}

// Catches a record header written to another slot or not written through.
TEST_F(RecordsTest, WriteRecordHeadrGoesToTheCurrentSlot) {
    make();
    add("a");
    add("b");
    t.SetIndexActivRecordAll(1);
    ARecordHeadr h;
    ASSERT_TRUE(t.ReadRecordHeadr(h));
    h.FReserv = 0x0201;
    ASSERT_TRUE(t.WriteRecordHeadr(h));
    const Bytes b1 = readBytes(file(".b1"));
    EXPECT_EQ(hex(slice(b1, 27, 12)), hex(fromHex("ff 01 00 00 00 00 00 00 00 00 01 02")));
    EXPECT_EQ(hex(slice(b1, 0, 12)), hex(fromHex("ff 01 00 00 00 00 00 00 00 00 00 00")));
    EXPECT_EQ(name(), "b") << "the position must stay on the slot";
}

// Catches Next moving the file (so that a read between Next and Eof sees the
// next record), Eof not moving it, and a loop that follows key order or the
// unsorted index left by deletes instead of slot order.
TEST_F(RecordsTest, EofIsTheStepThatMoves) {
    make();
    for (const char* n : {"a", "b", "c", "d", "e"}) add(n);
    t.First();
    EXPECT_EQ(key(), 1u) << "First places the file on the first record";
    ASSERT_FALSE(t.Eof());
    EXPECT_EQ(key(), 1u);
    t.Next();
    EXPECT_EQ(key(), 1u) << "Next only counts";
    ASSERT_FALSE(t.Eof());
    EXPECT_EQ(key(), 2u);

    deleteSlot(0);
    deleteSlot(3);
    EXPECT_EQ(loopKeys(), (std::vector<uint32_t>{2, 3, 5}));
    add("f");  // takes slot 3 with key 6
    EXPECT_EQ(loopKeys(), (std::vector<uint32_t>{2, 3, 6, 5}));
    reopen();
    EXPECT_EQ(loopKeys(), (std::vector<uint32_t>{2, 3, 6, 5}));

    t.Last();
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.IndexActivRecord(), 4u);
    t.SetIndexActivRecord(2);
    EXPECT_EQ(key(), 6u) << "writing the cursor positions the file";
    ASSERT_FALSE(t.Eof());
    EXPECT_EQ(key(), 6u);
    t.SetIndexActivRecord(9);
    EXPECT_TRUE(t.Eof());
    EXPECT_THROW(key(), std::exception) << "beyond the index the file stands at its end";
}

// Catches EmptyTable losing the page size, leaving records, counters or the
// chain behind, or leaving the table unusable.
TEST_F(RecordsTest, EmptyTableKeepsPageLengthAndLeavesEmptyFiles) {
    test::createTable(t, dir, "R", {"N:ftAutoInc", "Name:ftString:10", "Dan:ftBlob:100"});
    for (const char* n : {"a", "b", "c"}) add(n);
    deleteSlot(1);
    ASSERT_TRUE(t.EmptyTable());
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.LengthPageBlob(), 100);
    EXPECT_EQ(t.RecordCount(), 0u);
    EXPECT_EQ(t.RecordCountAll(), 0u);
    EXPECT_EQ(readBytes(file(".b1")).size(), 0u);
    EXPECT_EQ(readBytes(file(".bi")).size(), 0u);
    EXPECT_EQ(readBytes(file(".b2")).size(), 0u);
    const Bytes b0 = readBytes(file(".b0"));
    ASSERT_EQ(b0.size(), 68u + 3 * 32);
    // FAutoInc .. FReserv0 all zero, field data length kept; page length 100.
    EXPECT_EQ(hex(slice(b0, 4, 28)),
              hex(fromHex("00 00 00 00  00 00 00 00  00 00 00 00  1b 00 00 00"
                          " 00 00 00 00  00 00 00 00  00 00 00 00")));
    EXPECT_EQ(hex(slice(b0, 32, 16)),
              hex(fromHex("01 00 64 00  00 00 00 00  00 00 00 00  00 00 00 00")));
    t.First();
    EXPECT_TRUE(t.Eof());
    add("new");
    EXPECT_EQ(key(), 1u);
    EXPECT_EQ(t.RecordCountAll(), 1u);
}

// Catches a new field that shifts or loses the values of existing records,
// reads garbage instead of 0/empty, or breaks the deleted-record chain.
TEST_F(RecordsTest, AddingAFieldKeepsExistingRecords) {
    make();
    add("Анна");
    add("Борис");
    add("Вика");
    deleteSlot(1);
    ASSERT_NE(t.AddFieldByName(ftInteger, "Age"), nullptr);
    ASSERT_NE(t.AddStringField("Town", 5), nullptr);
    EXPECT_EQ(t.Headr().FLengthRecords, 15u + 4 + 6);
    const Bytes b1 = readBytes(file(".b1"));
    ASSERT_EQ(b1.size(), 3u * (12 + 25));
    // The deleted slot kept its header, key and value; the new bytes are zero.
    EXPECT_EQ(hex(slice(b1, 37, 37)),
              hex(fromHex("00 01 00 00 00 00 00 00 00 00 00 00  02 00 00 00"
                          " 05 c1 ee f0 e8 f1 00 00 00 00 00" +
                          std::string(30, ' ') + "00 00 00 00  00 00 00 00 00 00")));

    auto check = [&] {
        std::vector<std::string> seen;
        for (t.First(); !t.Eof(); t.Next()) {
            seen.push_back(name() + "|" + t.FieldByName("Age")->asString() + "|" +
                           t.FieldByName("Town")->asString());
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"Анна|0|", "Вика|0|"}));
    };
    check();
    reopen();
    check();
    add("Гена");  // reuses slot 1 of the new length
    t.FieldByName("Age")->setAsInteger(30);
    t.FieldByName("Town")->setAsString("Тверь");
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(t.IndexActivRecordAbsolut(), 1);
    EXPECT_EQ(t.FieldByName("Town")->asString(), "Тверь");
    EXPECT_EQ(readBytes(file(".b1")).size(), 3u * 37);
}

// Catches a rename that lives only in memory.
TEST_F(RecordsTest, RenamedFieldSurvivesReopen) {
    make();
    add("x");
    ASSERT_TRUE(t.SetNewFieldName(t.FieldByName("Name"), "Фамилия"));
    reopen();
    EXPECT_EQ(t.FieldByName("Name"), nullptr);
    ASSERT_NE(t.FieldByName("Фамилия"), nullptr);
    t.First();
    EXPECT_EQ(t.FieldByName("Фамилия")->asString(), "x");
}

}  // namespace
}  // namespace zavlin
