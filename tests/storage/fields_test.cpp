// Field classes: what each one puts into the record slot, how it converts to
// and from integer, text and date-time, and which values it refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/errors.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::hex;
using test::readBytes;

class FieldsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::createTable(t, dir, "F",
                          {"N:ftAutoInc", "S:ftString:5", "B:ftBoolean", "SI:ftSmallint",
                           "W:ftWord", "I:ftInteger", "L:ftLongWord", "D:ftDate", "DT:ftDateTime",
                           "F:ftFloat", "Dan:ftBlob"});
        ASSERT_TRUE(t.Append());
    }

    TField& field(const char* name) {
        TField* f = t.FieldByName(name);
        EXPECT_NE(f, nullptr) << name;
        return *f;
    }

    // The value bytes of the current record as they are in the .b1 file.
    std::string onDisk(const char* name) {
        const TField& f = field(name);
        const std::vector<uint8_t> b1 = readBytes(t.FilePath(".b1"));
        const uint64_t at = static_cast<uint64_t>(t.IndexActivRecordAbsolut()) * t.slotLength() +
                            static_cast<uint64_t>(f.PosSeekRecord());
        if (at + static_cast<uint64_t>(f.GetSizeForFile_b1()) > b1.size()) return "<outside .b1>";
        return hex(std::vector<uint8_t>(
            b1.begin() + static_cast<std::ptrdiff_t>(at),
            b1.begin() + static_cast<std::ptrdiff_t>(at) + f.GetSizeForFile_b1()));
    }

    void post() { ASSERT_TRUE(t.Post()); }

    test::ScratchDir dir;
    test::MessageRecorder recorder;
    TTableBlob t{test::hooks()};
};

// ---------------------------------------------------------------- string

// Catches a string written past its declared length, a length byte that
// counts the uncut text, and stale bytes left behind a shorter value.
TEST_F(FieldsTest, StringIsCutToDeclaredLengthAndZeroPadded) {
    TField& s = field("S");
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.GetSizeForFile_b1(), 6);
    s.setAsString("ABCDEFG");
    post();
    EXPECT_EQ(s.asString(), "ABCDE");
    EXPECT_EQ(onDisk("S"), "05 41 42 43 44 45");
    s.setAsString("AB");
    post();
    EXPECT_EQ(onDisk("S"), "02 41 42 00 00 00");
    EXPECT_EQ(s.asString(), "AB");
}

// Catches a number cut to its first digits instead of being dropped.
TEST_F(FieldsTest, StringWrittenWithTooLongIntegerStoresEmptyText) {
    TField& s = field("S");
    s.setAsInteger(1234567);
    post();
    EXPECT_EQ(s.asString(), "");
    EXPECT_EQ(onDisk("S"), "00 00 00 00 00 00");
    s.setAsInteger(-1234);
    post();
    EXPECT_EQ(s.asString(), "-1234");
    EXPECT_EQ(s.asInteger(), -1234);
    s.setAsInteger(12345);
    post();
    EXPECT_EQ(s.asString(), "12345");
}

// Catches UTF-8 bytes stored raw and a cut that counts bytes (which would
// keep two and a half letters) instead of characters.
TEST_F(FieldsTest, CyrillicTextIsStoredAsCp1251AndCutByCharacters) {
    TField& s = field("S");
    s.setAsString("Привет");
    post();
    EXPECT_EQ(onDisk("S"), "05 cf f0 e8 e2 e5");
    EXPECT_EQ(s.asString(), "Приве");
    s.setAsString("Ёж");
    post();
    EXPECT_EQ(onDisk("S"), "02 a8 e6 00 00 00");
    EXPECT_EQ(s.asString(), "Ёж");
}

// Catches an empty text that fails to parse and garbage that reads as 0.
TEST_F(FieldsTest, StringAsIntegerParsesTextAndRefusesGarbage) {
    TField& s = field("S");
    EXPECT_EQ(s.asInteger(), 0);  // new record: empty text
    s.setAsString(" 42 ");
    post();
    EXPECT_EQ(s.asInteger(), 42);
    s.setAsString("abc");
    post();
    EXPECT_THROW(s.asInteger(), EConvertError);
    s.setAsString("12a");
    post();
    EXPECT_THROW(s.asInteger(), EConvertError);
    EXPECT_EQ(s.asDateTime(), 0);
}

// ---------------------------------------------------------------- boolean

// Catches a case-sensitive comparison, any non-"true" text taken as true,
// and a value above a byte being wrapped instead of refused.
TEST_F(FieldsTest, BooleanTextAndRange) {
    TField& b = field("B");
    b.setAsString("TRUE");
    post();
    EXPECT_EQ(b.asString(), "true");
    EXPECT_EQ(onDisk("B"), "01");
    b.setAsString("yes");
    post();
    EXPECT_EQ(b.asString(), "false");
    EXPECT_EQ(onDisk("B"), "00");

    b.setAsInteger(7);  // any non-zero byte reads as true
    post();
    EXPECT_EQ(b.asString(), "true");
    EXPECT_EQ(b.asInteger(), 7);
    b.setAsInteger(255);
    post();
    EXPECT_EQ(onDisk("B"), "ff");

    EXPECT_THROW(b.setAsInteger(300), ERangeError);
    EXPECT_THROW(b.setAsInteger(-1), ERangeError);
    post();
    EXPECT_EQ(onDisk("B"), "ff") << "a refused value must not be stored";
    EXPECT_EQ(b.asDateTime(), 0);
}

// ---------------------------------------------------------------- integers

struct IntCase {
    const char* field;
    int64_t value;
    const char* bytes;  // little-endian as stored
};

// Catches a wrong width, sign handling or byte order in the slot.
TEST_F(FieldsTest, IntegerFieldsStoreLittleEndianOfTheirWidth) {
    const IntCase cases[] = {
        {"SI", -2, "fe ff"},
        {"SI", 32767, "ff 7f"},
        {"SI", -32768, "00 80"},
        {"W", 0xABCD, "cd ab"},
        {"W", 65535, "ff ff"},
        {"I", -2, "fe ff ff ff"},
        {"I", std::numeric_limits<int32_t>::min(), "00 00 00 80"},
        {"L", 0x12345678, "78 56 34 12"},
        {"L", 0xFFFFFFFFll, "ff ff ff ff"},
    };
    for (const IntCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + std::to_string(c.value));
        field(c.field).setAsInteger(c.value);
        post();
        EXPECT_EQ(onDisk(c.field), c.bytes);
        EXPECT_EQ(field(c.field).asString(), std::to_string(c.value));
        EXPECT_EQ(field(c.field).asDateTime(), 0);
    }
}

// Catches values wrapped into the field instead of refused, and a refused
// value that still overwrites the stored one.
TEST_F(FieldsTest, IntegerFieldsRefuseValuesOutsideTheirRange) {
    const IntCase outside[] = {
        {"SI", 32768, nullptr}, {"SI", -32769, nullptr},      {"W", -1, nullptr},
        {"W", 65536, nullptr},  {"I", 2147483648ll, nullptr}, {"I", -2147483649ll, nullptr},
        {"L", -1, nullptr},     {"L", 4294967296ll, nullptr},
    };
    for (const IntCase& c : outside) {
        SCOPED_TRACE(std::string(c.field) + " = " + std::to_string(c.value));
        field(c.field).setAsInteger(1);
        post();
        EXPECT_THROW(field(c.field).setAsInteger(c.value), ERangeError);
        EXPECT_THROW(field(c.field).setAsString(std::to_string(c.value)), std::runtime_error);
        post();
        EXPECT_EQ(field(c.field).asInteger(), 1);
    }
    EXPECT_THROW(field("SI").setAsString("40000"), ERangeError);
    EXPECT_THROW(field("W").setAsString("-5"), ERangeError);
    EXPECT_THROW(field("L").setAsString("-1"), ERangeError);
    EXPECT_THROW(field("I").setAsString("12x"), EConvertError);
    EXPECT_THROW(field("SI").setAsString(""), EConvertError);
}

// Catches a longword read through the signed integer getter as a negative
// number instead of a range error.
TEST_F(FieldsTest, LongWordAtOrAbove2Pow31IsARangeErrorAsInteger) {
    TField& l = field("L");
    l.setAsInteger(2147483647);
    post();
    EXPECT_EQ(l.asInteger(), 2147483647);
    l.setAsString("2147483648");
    post();
    EXPECT_EQ(onDisk("L"), "00 00 00 80");
    EXPECT_THROW(l.asInteger(), ERangeError);
    EXPECT_EQ(l.asString(), "2147483648");
    EXPECT_EQ(static_cast<TLongWordField&>(l).asLongWord(), 2147483648u);
}

// ---------------------------------------------------------------- date

// 1/9/2016 is day 42614 = 0xA676 counted from 1899-12-30.
// Catches a wrong epoch, a month without its leading zero, and a day number
// kept as a double instead of 4 unsigned bytes.
TEST_F(FieldsTest, DateTextDayNumberAndBytes) {
    TField& d = field("D");
    d.setAsString("1/9/2016");
    post();
    EXPECT_EQ(onDisk("D"), "76 a6 00 00");
    EXPECT_EQ(d.asString(), "1/09/2016");
    EXPECT_EQ(d.asInteger(), 42614);
    EXPECT_EQ(d.asDateTime(), 42614.0);

    d.setAsString(" 29/2/2016 ");
    post();
    EXPECT_EQ(d.asString(), "29/02/2016");

    d.setAsDateTime(42614.75);  // the time of day is cut off
    post();
    EXPECT_EQ(d.asInteger(), 42614);
    d.setAsInteger(2);
    post();
    EXPECT_EQ(d.asString(), "1/01/1900");
}

// Catches impossible dates rolled over into the next month, a negative day
// number wrapped into a huge unsigned one, and a refused value still stored.
TEST_F(FieldsTest, DateRefusesImpossibleAndNegativeDays) {
    TField& d = field("D");
    d.setAsInteger(42614);
    post();
    for (const char* text : {"29/2/2015", "31/4/2016", "0/1/2016", "1/13/2016", "1/0/2016", "",
                             "1/9", "a/b/c", "1/9/2016x", "1/9/70000"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(d.setAsString(text), EConvertError);
    }
    EXPECT_THROW(d.setAsInteger(-1), ERangeError);
    EXPECT_THROW(d.setAsDateTime(-3.5), ERangeError);
    post();
    EXPECT_EQ(d.asInteger(), 42614);
}

// ---------------------------------------------------------------- date-time

// Catches hours or minutes without leading zeros, a lost time of day, and a
// time-only text accepted as a moment of day 0.
TEST_F(FieldsTest, DateTimeTextRoundTripAndConversions) {
    TField& dt = field("DT");
    dt.setAsString("1/9/2016 8ч:05м:07с");
    post();
    EXPECT_EQ(dt.asString(), "1/09/2016 08ч:05м:07с");
    EXPECT_EQ(dt.asDateTime(), 42614.0 + (8 * 3600 + 5 * 60 + 7) / 86400.0);
    EXPECT_EQ(dt.asInteger(), 42614);

    dt.setAsString("1/9/2016");  // a date alone is midnight
    post();
    EXPECT_EQ(dt.asDateTime(), 42614.0);
    EXPECT_EQ(dt.asString(), "1/09/2016 00ч:00м:00с");
    // The stored form is the IEEE double 42614.0 = 0x40E4CEC000000000.
    EXPECT_EQ(onDisk("DT"), "00 00 00 00 c0 ce e4 40");

    EXPECT_THROW(dt.setAsString("8ч:05м:07с"), EConvertError);
    EXPECT_THROW(dt.setAsString("1/9/2016 24ч:00м:00с"), EConvertError);
    EXPECT_THROW(dt.setAsString("1/9/2016 8:05:07"), EConvertError);
    post();
    EXPECT_EQ(dt.asDateTime(), 42614.0);

    dt.setAsInteger(42615);  // a whole day at midnight
    post();
    EXPECT_EQ(dt.asString(), "2/09/2016 00ч:00м:00с");
    dt.setAsDateTime(42614.999);
    post();
    EXPECT_EQ(dt.asInteger(), 42614);  // truncated, not rounded
    dt.setAsDateTime(-1.5);
    post();
    EXPECT_EQ(dt.asInteger(), -1);  // toward zero, not down
}

// ---------------------------------------------------------------- float

// The slot holds the 80-bit extended form: 8 bytes mantissa with the integer
// bit, then sign and 15-bit exponent (bias 16383), little-endian.
// Catches a double (8 bytes) stored instead, a missing explicit integer bit,
// a wrong bias, and text parsed through double (0.1 would then end in ...D000).
TEST_F(FieldsTest, FloatIsStoredAsTenByteExtended) {
    TField& f = field("F");
    struct Case {
        const char* text;
        const char* bytes;
    };
    const Case cases[] = {
        {"1", "00 00 00 00 00 00 00 80 ff 3f"},   {"-2.5", "00 00 00 00 00 00 00 a0 00 c0"},
        {"100", "00 00 00 00 00 00 00 c8 05 40"}, {"0.1", "cd cc cc cc cc cc cc cc fb 3f"},
        {"0", "00 00 00 00 00 00 00 00 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        f.setAsString(c.text);
        post();
        EXPECT_EQ(onDisk("F"), c.bytes);
        EXPECT_EQ(f.asString(), c.text);
    }
    f.setAsInteger(1);
    post();
    EXPECT_EQ(onDisk("F"), "00 00 00 00 00 00 00 80 ff 3f");
    EXPECT_EQ(f.asDateTime(), 0);
}

// Catches rounding instead of truncation, floor for negatives, and an
// integer that loses digits on its way through the float.
TEST_F(FieldsTest, FloatAsIntegerTruncatesTowardZero) {
    TField& f = field("F");
    const std::pair<const char*, int32_t> cases[] = {
        {"2.9", 2}, {"-2.9", -2}, {"0.5", 0}, {"-0.5", 0}};
    for (const auto& [text, expected] : cases) {
        f.setAsString(text);
        post();
        EXPECT_EQ(f.asInteger(), expected) << text;
    }
    f.setAsInteger(2147483647);
    post();
    EXPECT_EQ(f.asInteger(), 2147483647);
    EXPECT_EQ(f.asString(), "2147483647");
    f.setAsString("1E20");
    post();
    EXPECT_EQ(f.asString(), "1E20");
    EXPECT_THROW(f.asInteger(), ERangeError);
    EXPECT_THROW(f.setAsString("abc"), EConvertError);
    EXPECT_THROW(f.setAsString(""), EConvertError);
}

// Catches more or fewer than 15 significant digits in the text form.
TEST_F(FieldsTest, FloatTextRoundTrip) {
    TField& f = field("F");
    for (const char* text : {"1.5", "123456.789", "-0.001", "3.14159265358979", "1E-6", "1.5E-6"}) {
        f.setAsString(text);
        post();
        EXPECT_EQ(f.asString(), text);
    }
    f.setAsString("0.1234567890123456789");
    post();
    EXPECT_EQ(f.asString(), "0.123456789012346");
}

// ---------------------------------------------------------------- blob

// Catches the blob getters reading the pending instead of the stored header,
// and the header fields printed in the wrong order.
TEST_F(FieldsTest, BlobAsIntegerIsLengthAndAsStringIsHeader) {
    TField& b = field("Dan");
    EXPECT_EQ(b.asInteger(), 0);
    EXPECT_EQ(b.asString(), "0/0/0/0/");
    TMemoryStream value(std::vector<uint8_t>(1500, 0x5A));
    b.LoadFromStream(value);
    post();
    EXPECT_EQ(b.asInteger(), 1500);
    EXPECT_EQ(b.asString(), "2/1/1500/0/");
    EXPECT_EQ(b.asDateTime(), 0);

    b.setAsInteger(7);  // writes do nothing
    b.setAsString("9/9/9/9/");
    EXPECT_FALSE(b.Pending());
    post();
    EXPECT_EQ(b.asString(), "2/1/1500/0/");
}

// ---------------------------------------------------------------- pending values

// Catches a field that writes through at once instead of at Post, and a
// Post that loses values set before it.
TEST_F(FieldsTest, ValuesReachTheDiskOnlyAtPost) {
    post();
    const std::vector<uint8_t> before = readBytes(t.FilePath(".b1"));
    field("I").setAsInteger(99);
    field("S").setAsString("xyz");
    field("D").setAsString("1/9/2016");
    EXPECT_EQ(t.State(), dsEdit);
    EXPECT_TRUE(t.Modifi());
    EXPECT_EQ(readBytes(t.FilePath(".b1")), before);
    post();
    EXPECT_EQ(t.State(), dsOpening);
    EXPECT_FALSE(t.Modifi());
    EXPECT_EQ(onDisk("I"), "63 00 00 00");
    EXPECT_EQ(onDisk("S"), "03 78 79 7a 00 00");
    EXPECT_EQ(onDisk("D"), "76 a6 00 00");
}

// Catches a read that returns the pending value (a cache) instead of going
// to the file: the stored value wins and is what Post then writes back.
TEST_F(FieldsTest, ReadReplacesPendingValueByStoredOne) {
    TField& i = field("I");
    i.setAsInteger(5);
    post();
    i.setAsInteger(9);
    EXPECT_EQ(i.asInteger(), 5);
    post();
    EXPECT_EQ(onDisk("I"), "05 00 00 00");

    TField& s = field("S");
    s.setAsString("old");
    post();
    s.setAsString("new");
    EXPECT_EQ(s.asString(), "old");
    post();
    EXPECT_EQ(s.asString(), "old");
}

}  // namespace
}  // namespace zavlin
