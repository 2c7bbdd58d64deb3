// Typed values: their texts, the reads of texts by position, and the
// refusals that must come back as false instead of a wrong number.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/datetime.h"
#include "export/xml_document.h"
#include "storage/typed_arrays.h"

namespace zavlin {
namespace {

class XMLValue : public ::testing::Test {
protected:
    TXMLField& text(const std::string& value) {
        TXMLField* f = root_->AddXMLField("f");
        f->setAsString(value);
        return *f;
    }
    TXMLField& fresh() { return *root_->AddXMLField("f"); }

    TXMLCreater doc_;
    TXMLObject* root_ = doc_.CreateMainXMLObject("r");
};

const TDateTime kMoment = 42614.0 + (8 * 3600 + 5 * 60 + 7) / 86400.0;  // 01.09.2016 08:05:07

TEST_F(XMLValue, TextsOfStoredTypes) {
    TXMLField& f = fresh();
    EXPECT_EQ(f.asString(), "");
    f.setAsInteger(-2147483647 - 1);
    EXPECT_EQ(f.asString(), "-2147483648");
    f.setAsLongWord(4294967295u);
    EXPECT_EQ(f.asString(), "4294967295");
    f.setAsBoolean(false);
    EXPECT_EQ(f.asString(), "false");
    f.setAsDateTime(kMoment);
    EXPECT_EQ(f.asString(), "01.09.2016 08:05:07");
    f.setAsDate(kMoment);
    EXPECT_EQ(f.asString(), "01.09.2016");
    f.setAsTime(kMoment);
    EXPECT_EQ(f.asString(), "08:05:07");
    f.setAsStream("raw");
    EXPECT_EQ(f.asString(), "");
    EXPECT_EQ(f.asStream(), "raw");
    EXPECT_EQ(f.Type(), usTypeField::usStream);
}

TEST_F(XMLValue, IntegerReadsAndRefusals) {
    int32_t i = 99;
    uint32_t u = 99;
    EXPECT_TRUE(fresh().asInteger(i));
    EXPECT_EQ(i, 0);  // empty reads 0
    EXPECT_TRUE(text(" -17 ").asInteger(i));
    EXPECT_EQ(i, -17);
    EXPECT_TRUE(text("4294967295").asLongWord(u));
    EXPECT_EQ(u, 4294967295u);

    std::string message;
    i = 5;
    EXPECT_FALSE(text("12a").asInteger(i, &message));
    EXPECT_EQ(i, 5);
    EXPECT_NE(message.find("12a"), std::string::npos);
    EXPECT_FALSE(text("2147483648").asInteger(i));
    u = 5;
    EXPECT_FALSE(text("-1").asLongWord(u, &message));
    EXPECT_EQ(u, 5u);
    EXPECT_NE(message.find("-1"), std::string::npos);
    EXPECT_FALSE(text("4294967296").asLongWord(u));

    // Stored numbers: a negative integer is no long word and the other way round.
    TXMLField& stored = fresh();
    stored.setAsInteger(-1);
    EXPECT_FALSE(stored.asLongWord(u));
    stored.setAsLongWord(3000000000u);
    EXPECT_FALSE(stored.asInteger(i));
    EXPECT_TRUE(stored.asLongWord(u));
    EXPECT_EQ(u, 3000000000u);
}

TEST_F(XMLValue, BooleanIsTrueOnlyForTheWord) {
    EXPECT_TRUE(text(" TRUE\r\n").asBoolean());
    EXPECT_TRUE(text("true").asBoolean());
    EXPECT_FALSE(text("1").asBoolean());
    EXPECT_FALSE(text("truex").asBoolean());
    EXPECT_FALSE(fresh().asBoolean());
}

TEST_F(XMLValue, DateAndTimeTextsReadByPosition) {
    TDateTime v = -1;
    ASSERT_TRUE(text("01.09.2016 08:05:07").asDateTime(v));
    EXPECT_NEAR(v, kMoment, 1e-9);
    ASSERT_TRUE(text("01.09.2016").asDate(v));
    EXPECT_EQ(v, 42614.0);
    ASSERT_TRUE(text("08:05:07").asTime(v));
    EXPECT_NEAR(v, kMoment - 42614.0, 1e-9);
    // Anything after the positions is not looked at.
    ASSERT_TRUE(text("01.09.2016xx 08:05:07.250").asDateTime(v));
    EXPECT_NEAR(v, kMoment, 1e-9);
    EXPECT_TRUE(fresh().asDateTime(v));
    EXPECT_EQ(v, 0.0);

    // A stored date-time reads back exactly.
    TXMLField& stored = fresh();
    stored.setAsDateTime(kMoment);
    ASSERT_TRUE(stored.asDateTime(v));
    EXPECT_EQ(v, kMoment);

    std::string message;
    v = 7;
    for (const char* bad : {"1.09.2016", "31.02.2016", "01.09.16", "25:00:00", "08:05",
                            "01.09.2016 8:05:07", "noon", " 01.09.2016"}) {
        EXPECT_FALSE(text(bad).asDateTime(v, &message)) << bad;
        EXPECT_EQ(v, 7) << bad;
    }
    EXPECT_NE(message.find("01.09.2016"), std::string::npos);
}

TEST_F(XMLValue, DateTimeSurvivesWritingAndReading) {
    TXMLCreater doc;
    doc.CreateMainXMLObject("r")->AddNewXMLFieldDateTime("when", kMoment);
    std::string written;
    ASSERT_TRUE(doc.SaveToAnsiString(written));
    EXPECT_NE(written.find("<when>01.09.2016 08:05:07</when>"), std::string::npos);
    TXMLCreater read;
    ASSERT_TRUE(read.LoadFromAnsiString(written));
    TDateTime v = 0;
    ASSERT_TRUE(read.MainXMLObject()->FindXMLField("when")->asDateTime(v));
    EXPECT_NEAR(v, kMoment, 1e-9);
}

TEST_F(XMLValue, ArraysOfWords) {
    TArrayOfWord words;
    words.Add(5);
    words.Add(0);
    words.Add(7);
    words.Add(65535);
    TXMLField& f = fresh();
    f.setAsArrayOfWord(words);
    EXPECT_EQ(f.asString(), "5;;7;65535;");

    TArrayOfWord back;
    ASSERT_TRUE(f.GetArrayOfWord(back));
    EXPECT_EQ(back.Values(), (std::vector<uint16_t>{5, 0, 7, 65535}));

    ASSERT_TRUE(text("1;2").GetArrayOfWord(back));  // the last ";" may be missing
    EXPECT_EQ(back.Values(), (std::vector<uint16_t>{1, 2}));
    ASSERT_TRUE(fresh().GetArrayOfWord(back));
    EXPECT_EQ(back.Count(), 0);

    back.Add(9);
    std::string message;
    EXPECT_FALSE(text("1;65536;").GetArrayOfWord(back, &message));
    EXPECT_FALSE(text("1;-2;").GetArrayOfWord(back));
    EXPECT_FALSE(text("1;x;").GetArrayOfWord(back));
    EXPECT_EQ(back.Values(), (std::vector<uint16_t>{9}));  // unchanged by a refusal
    EXPECT_NE(message.find("65536"), std::string::npos);
}

}  // namespace
}  // namespace zavlin
