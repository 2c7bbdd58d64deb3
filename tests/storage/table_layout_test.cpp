// Byte layouts of .b0, .b1 and .bi, compared with bytes worked out by hand.
// Other programs and older tables read these files, so any drift in an
// offset, a width, the byte order or the padding corrupts data silently.
#include <gtest/gtest.h>

#include <cstring>

#include "base/datetime.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::fromHex;
using test::hex;
using test::readBytes;
using test::repeatHex;
using test::slice;
using test::withoutCreationTime;

using Bytes = std::vector<uint8_t>;

#define EXPECT_BYTES(expected, actual) EXPECT_EQ(hex(expected), hex(actual))

// The 26-character name is cut from this 30-character one.
const char* const kLongName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";

// Key N, string Name[10], date "Дата", smallint with a 30-character name:
// 4 + 11 + 4 + 2 = 21 bytes of field data, 33-byte slots.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::createTable(t, dir, "Layout",
                          {"N:ftAutoInc", "Name:ftString:10", "Дата:ftDate",
                           std::string(kLongName) + ":ftSmallint"});
    }
    std::filesystem::path file(const char* ext) const {
        return dir.path() / (std::string("Layout") + ext);
    }
    TField* f(const char* name) { return t.FieldByName(name); }
    TField* small() { return t.Field(3); }

    // Three records with keys 1..3 in slots 0..2.
    void appendThree() {
        ASSERT_TRUE(t.Append());
        f("Name")->setAsString("Иван");
        f("Дата")->setAsInteger(42614);  // 1/09/2016
        small()->setAsInteger(-2);
        ASSERT_TRUE(t.Post());

        ASSERT_TRUE(t.Append());
        f("Name")->setAsString("Abcdefghijklm");  // cut to 10
        small()->setAsInteger(300);
        ASSERT_TRUE(t.Post());
        f("Name")->setAsString("Ab");  // the old tail must not survive
        ASSERT_TRUE(t.Post());

        ASSERT_TRUE(t.Append());
        f("Name")->setAsString("Я");
        f("Дата")->setAsInteger(1);
        small()->setAsInteger(32767);
        ASSERT_TRUE(t.Post());
    }

    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
};

const std::string kDescN = "0e 1a 4e " + repeatHex("20", 25) + " 04 00 00 00";
const std::string kDescName = "01 1a 4e 61 6d 65 " + repeatHex("20", 22) + " 0b 00 00 00";
const std::string kDescDate = "09 1a c4 e0 f2 e0 " + repeatHex("20", 22) + " 04 00 00 00";
const std::string kDescLong =
    "02 1a 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 51 52 53 54 55 56 57 58 59 5a"
    " 02 00 00 00";

const std::string kSlot0 =
    "ff 01 00 00 00 00 00 00 00 00 00 00"  // live, version 1, no links
    " 01 00 00 00"                         // key 1
    " 04 c8 e2 e0 ed 00 00 00 00 00 00"    // "Иван" in Windows-1251
    " 76 a6 00 00"                         // day 42614
    " fe ff";                              // -2
const std::string kSlot1Fields =
    " 02 00 00 00"
    " 02 41 62 00 00 00 00 00 00 00 00"  // "Ab", zero tail
    " 00 00 00 00"
    " 2c 01";  // 300
const std::string kSlot2Fields =
    " 03 00 00 00"
    " 01 df 00 00 00 00 00 00 00 00 00"  // "Я"
    " 01 00 00 00"
    " ff 7f";  // 32767
const std::string kLiveHead = "ff 01 00 00 00 00 00 00 00 00 00 00";

// Catches a wrong header field order or width, a field name that is not
// blank-padded or not cut to 26 characters, names not in Windows-1251, a wrong
// type code or slot size, and a creation moment that is never set.
TEST_F(LayoutTest, HeaderAndFieldDescriptions) {
    const Bytes b0 = readBytes(file(".b0"));
    ASSERT_EQ(b0.size(), 68u + 4 * 32);
    const std::string head =
        "01 44 04 01  00 00 00 00  00 00 00 00  00 00 00 00"
        " 15 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"
        " 01 00 00 04  00 00 00 00  00 00 00 00  00 00 00 00"
        " 00 00 00 00 00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00";
    EXPECT_BYTES(fromHex(head + kDescN + kDescName + kDescDate + kDescLong),
                 withoutCreationTime(b0));

    double created = 0;
    std::memcpy(&created, b0.data() + 48, 8);
    EXPECT_NEAR(created, nowLocal(), 1.0) << "creation moment not stored";

    // Read back: blanks removed, the long name cut, exact comparison.
    t.Close();
    ASSERT_TRUE(t.Open());
    ASSERT_EQ(t.FieldCount(), 4);
    EXPECT_EQ(t.Field(1)->Name(), "Name");
    EXPECT_EQ(t.Field(2)->Name(), "Дата");
    EXPECT_EQ(t.Field(3)->Name(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(t.Field(1)->Size(), 10);
    EXPECT_EQ(t.FieldByName("name"), nullptr) << "names compare case-sensitively";
    EXPECT_EQ(t.FieldByName(kLongName), nullptr);
}

// Catches wrong slot packing, a string without its length byte or zero tail,
// a key not at slot offset 12, a wrong header counter and an index not in
// slot order.
TEST_F(LayoutTest, RecordSlotsAndIndexAfterAppends) {
    appendThree();
    EXPECT_BYTES(fromHex(kSlot0 + " " + kLiveHead + kSlot1Fields + " " + kLiveHead + kSlot2Fields),
                 readBytes(file(".b1")));
    EXPECT_BYTES(
        fromHex("01 00 00 00 00 00 00 00  02 00 00 00 01 00 00 00  03 00 00 00 02 00 00 00"),
        readBytes(file(".bi")));
    // FAutoInc, FCountRecordAll, FCountRecord, FLengthRecords, chain head, FReserv0.
    EXPECT_BYTES(fromHex("03 00 00 00  03 00 00 00  03 00 00 00  15 00 00 00"
                         " 00 00 00 00  00 00 00 00  00 00 00 00"),
                 slice(readBytes(file(".b0")), 4, 28));
}

// Catches a deleted slot that does not link to the record deleted before it,
// a chain head not kept in the table header, field values wiped on delete and
// index entries left behind.
TEST_F(LayoutTest, DeletedSlotsFormAChainHeadedInTheTableHeader) {
    appendThree();
    t.SetIndexActivRecordAll(1);
    ASSERT_TRUE(t.Delete());  // key 2, slot 1
    t.SetIndexActivRecordAll(2);
    ASSERT_TRUE(t.Delete());  // key 3, slot 2: links to key 2 in slot 1

    EXPECT_BYTES(fromHex(kSlot0 + " 00 01 00 00 00 00 00 00 00 00 00 00" + kSlot1Fields +
                         " 00 01 02 00 00 00 01 00 00 00 00 00" + kSlot2Fields),
                 readBytes(file(".b1")));
    EXPECT_BYTES(fromHex("01 00 00 00 00 00 00 00"), readBytes(file(".bi")));
    EXPECT_BYTES(fromHex("03 00 00 00  03 00 00 00  01 00 00 00  15 00 00 00"
                         " 03 00 00 00  02 00 00 00  00 00 00 00"),
                 slice(readBytes(file(".b0")), 4, 28));
}

// Catches an append that takes a new slot while one waits, reuses the wrong
// one, keeps old field values in it, or does not pop the chain; and the
// auto-increment key given to a reused slot.
TEST_F(LayoutTest, AppendReusesTheLastDeletedSlot) {
    appendThree();
    t.SetIndexActivRecordAll(1);
    ASSERT_TRUE(t.Delete());
    t.SetIndexActivRecordAll(2);
    ASSERT_TRUE(t.Delete());
    ASSERT_TRUE(t.Append());

    const std::string reused = kLiveHead + " 04 00 00 00 " + repeatHex("00", 17);
    EXPECT_BYTES(
        fromHex(kSlot0 + " 00 01 00 00 00 00 00 00 00 00 00 00" + kSlot1Fields + " " + reused),
        readBytes(file(".b1")));
    EXPECT_BYTES(fromHex("01 00 00 00 00 00 00 00  04 00 00 00 02 00 00 00"),
                 readBytes(file(".bi")));
    EXPECT_BYTES(fromHex("04 00 00 00  03 00 00 00  02 00 00 00  15 00 00 00"
                         " 02 00 00 00  01 00 00 00  00 00 00 00"),
                 slice(readBytes(file(".b0")), 4, 28));

    // The next append takes slot 1, empties the chain, and only then .b1 grows.
    ASSERT_TRUE(t.Append());
    ASSERT_TRUE(t.Append());
    const Bytes b1 = readBytes(file(".b1"));
    ASSERT_EQ(b1.size(), 4u * 33);
    EXPECT_BYTES(fromHex(kLiveHead + " 05 00 00 00 " + repeatHex("00", 17)), slice(b1, 33, 33));
    EXPECT_BYTES(fromHex(kLiveHead + " 06 00 00 00 " + repeatHex("00", 17)), slice(b1, 99, 33));
    EXPECT_BYTES(fromHex("01 00 00 00 00 00 00 00  05 00 00 00 01 00 00 00"
                         " 04 00 00 00 02 00 00 00  06 00 00 00 03 00 00 00"),
                 readBytes(file(".bi")));
    EXPECT_BYTES(fromHex("06 00 00 00  04 00 00 00  04 00 00 00  15 00 00 00"
                         " 00 00 00 00  00 00 00 00"),
                 slice(readBytes(file(".b0")), 4, 24));
}

// Catches a wrong type code or slot size for any of the field classes, a wrong
// key kind byte for a reusable-key table, and wrong value encodings in the slot.
TEST(Layout, EveryFieldTypeAndItsStoredValue) {
    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
    test::createTable(t, dir, "Types",
                      {"K:ftNewKeys", "I:ftInteger", "W:ftWord", "B:ftBoolean", "F:ftFloat",
                       "DT:ftDateTime", "L:ftLongWord", "Bl:ftBlob"});
    ASSERT_TRUE(t.Append());
    t.FieldByName("I")->setAsInteger(-2);
    t.FieldByName("W")->setAsInteger(65535);
    t.FieldByName("B")->setAsString("TRUE");
    t.FieldByName("F")->setAsInteger(-3);
    t.FieldByName("DT")->setAsDateTime(42614.5);
    t.FieldByName("L")->setAsInteger(4000000000LL);
    ASSERT_TRUE(t.Post());

    const std::string head =
        "01 44 08 00  01 00 00 00  01 00 00 00  01 00 00 00"
        " 2d 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"
        " 01 00 00 04  00 00 00 00  00 00 00 00  00 00 00 00"
        " 00 00 00 00 00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00";
    const std::string descs =
        "18 1a 4b " + repeatHex("20", 25) + " 04 00 00 00 " + "03 1a 49 " + repeatHex("20", 25) +
        " 04 00 00 00 " + "04 1a 57 " + repeatHex("20", 25) + " 02 00 00 00 " + "05 1a 42 " +
        repeatHex("20", 25) + " 01 00 00 00 " + "06 1a 46 " + repeatHex("20", 25) +
        " 0a 00 00 00 " + "0b 1a 44 54 " + repeatHex("20", 24) + " 08 00 00 00 " + "17 1a 4c " +
        repeatHex("20", 25) + " 04 00 00 00 " + "0f 1a 42 6c " + repeatHex("20", 24) +
        " 0c 00 00 00";
    EXPECT_BYTES(fromHex(head + descs), withoutCreationTime(readBytes(dir.path() / "Types.b0")));

    const std::string slot =
        "ff 01 00 00 00 00 00 00 00 00 00 00"
        " 01 00 00 00"                           // key
        " fe ff ff ff"                           // -2
        " ff ff"                                 // 65535
        " 01"                                    // true
        " 00 00 00 00 00 00 00 c0 00 c0"         // -3.0, 80-bit
        " 00 00 00 00 d0 ce e4 40"               // 42614.5 as a double
        " 00 28 6b ee"                           // 4000000000
        " 00 00 00 00 00 00 00 00 00 00 00 00";  // empty blob
    EXPECT_BYTES(fromHex(slot), readBytes(dir.path() / "Types.b1"));
}

// Catches a header written with a stray field count or without the default
// page settings when a table is created without fields.
TEST(Layout, TableWithoutFieldsIsTheBareHeader) {
    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("Bare"));
    ASSERT_TRUE(t.CreateFile());
    EXPECT_BYTES(
        fromHex("01 44 00 00 " + repeatHex("00", 28) + " 01 00 00 04 " + repeatHex("00", 32)),
        withoutCreationTime(readBytes(dir.path() / "Bare.b0")));
}

// Catches a rename that is not written with the same padding and cut rules.
TEST_F(LayoutTest, RenamedFieldIsRewrittenInPlace) {
    ASSERT_TRUE(t.SetNewFieldName(f("Name"), "Фамилия"));
    const Bytes b0 = readBytes(file(".b0"));
    ASSERT_EQ(b0.size(), 68u + 4 * 32);
    EXPECT_BYTES(fromHex(kDescN + " 01 1a d4 e0 ec e8 eb e8 ff " + repeatHex("20", 19) +
                         " 0b 00 00 00 " + kDescDate + kDescLong),
                 slice(b0, 68, 4 * 32));
}

}  // namespace
}  // namespace zavlin
