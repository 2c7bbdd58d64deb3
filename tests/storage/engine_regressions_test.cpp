// Faults found by reading the engine, each kept from coming back.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/little_endian.h"
#include "base/streams.h"
#include "storage/file_system.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::ScratchDir;

// Catches a Post that, after failing, forgot its pending values: the second
// Post reported success and wrote nothing.
TEST(EngineRegressions, FailedPostCanBeRepeated) {
    ScratchDir dir;
    {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "V:ftInteger", "Dan:ftBlob:16"});
        ASSERT_TRUE(t.Append());
        ASSERT_TRUE(t.Post());
    }
    for (uint64_t n = 1; n < 40; ++n) {
        FaultInjectingFileSystem fs;
        TTableBlob t(test::hooks(), fs);
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(test::gotoRecord(t, 1));
        t.Edit();
        t.FieldByName("V")->setAsInteger(static_cast<int64_t>(40 + n));
        test::loadBlob(t, "Dan", test::seededBytes(40, static_cast<uint8_t>(n)));
        fs.failAt(n, false);
        bool first = false;
        try {
            first = t.Post();
        } catch (const ERangeError&) {
        }
        if (!fs.failed()) {
            EXPECT_TRUE(first);
            break;
        }
        if (!first) {
            EXPECT_TRUE(t.Post()) << "retry after a failure at operation " << n;
        }
        t.Close();
        TTableBlob r{test::hooks()};
        r.SetTableName(dir.table("T"));
        ASSERT_TRUE(r.Open());
        ASSERT_TRUE(test::gotoRecord(r, 1));
        EXPECT_EQ(r.FieldByName("V")->asInteger(), static_cast<int32_t>(40 + n)) << n;
        EXPECT_EQ(test::blobValue(r, "Dan"), test::seededBytes(40, static_cast<uint8_t>(n))) << n;
        EXPECT_TRUE(r.TestTable());
    }
}

// Catches a page-size change on a table that holds pages: every stored value
// became unreadable and the table never opened again (code 62).
TEST(EngineRegressions, PageSizeOfAFilledPageFileStays) {
    ScratchDir dir;
    TTableBlob t{test::hooks()};
    test::createTable(t, dir, "T", {"N:ftAutoInc", "A:ftBlob:8"});
    ASSERT_TRUE(t.Append());
    test::loadBlob(t, "A", test::seededBytes(10, 1));
    ASSERT_TRUE(t.Post());
    EXPECT_FALSE(t.SetNewSizePageBlob(100));
    ASSERT_NE(t.AddBlobField("B", 100), nullptr);
    EXPECT_EQ(t.LengthPageBlob(), 8);
    t.Close();
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(test::gotoRecord(t, 1));
    EXPECT_EQ(test::blobValue(t, "A"), test::seededBytes(10, 1));
    EXPECT_TRUE(t.TestTable());
}

// Catches a Delete that left the index entry of a slot whose key the index
// got wrong, so "delete until none is found" never ended.
TEST(EngineRegressions, DeleteRemovesTheEntryOfItsSlotEvenUnderAWrongKey) {
    ScratchDir dir;
    {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "V:ftInteger"});
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("V")->setAsInteger(7);
            ASSERT_TRUE(t.Post());
        }
    }
    auto bi = test::readBytes(dir.path() / "T.bi");
    bi[0] = 99;  // the first entry names slot 0 under key 99
    test::writeBytes(dir.path() / "T.bi", bi);
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    for (int round = 0; round < 5; ++round) {
        t.First();
        if (!t.Locate("V", 7)) break;
        const uint32_t before = t.RecordCount();
        ASSERT_TRUE(t.Delete());
        ASSERT_LT(t.RecordCount(), before) << "round " << round;
    }
    EXPECT_EQ(t.RecordCount(), 0u);
}

// Catches a second object serving stale cached bytes after another object
// changed the table: a new walk must see the change.
TEST(EngineRegressions, NewWalkSeesWhatAnotherObjectWrote) {
    ScratchDir dir;
    TTableBlob a{test::hooks()};
    test::createTable(a, dir, "T", {"N:ftAutoInc", "V:ftInteger"});
    ASSERT_TRUE(a.Append());
    a.FieldByName("V")->setAsInteger(1);
    ASSERT_TRUE(a.Post());
    a.First();
    ASSERT_FALSE(a.Eof());
    ASSERT_EQ(a.FieldByName("V")->asInteger(), 1);

    TTableBlob b{test::hooks()};
    b.SetTableName(dir.table("T"));
    ASSERT_TRUE(b.Open());
    ASSERT_TRUE(test::gotoRecord(b, 1));
    b.Edit();
    b.FieldByName("V")->setAsInteger(2);
    ASSERT_TRUE(b.Post());

    a.First();
    ASSERT_FALSE(a.Eof());
    EXPECT_EQ(a.FieldByName("V")->asInteger(), 2);
}

// Catches field positions kept in 16 bits: a field past byte 32767 of a
// slot wrapped to a negative offset, and pack then lost its blob pages.
TEST(EngineRegressions, FieldsPastTheSixteenBitOffsetPackIntact) {
    ScratchDir dir;
    {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "W:ftString:10", "Dan:ftBlob:16"});
        ASSERT_TRUE(t.Append());
        t.FieldByName("W")->setAsString("слово");
        test::loadBlob(t, "Dan", test::seededBytes(50, 3));
        ASSERT_TRUE(t.Post());
    }
    // Widen the table with filler fields in front of the blob, as a damaged
    // or hand-made description could: 130 strings of 254 characters.
    auto b0 = test::readBytes(dir.path() / "T.b0");
    auto b1 = test::readBytes(dir.path() / "T.b1");
    const std::size_t fields = b0[2];
    ASSERT_EQ(fields, 3u);
    std::vector<uint8_t> descs(b0.begin() + 68, b0.end());
    std::vector<uint8_t> out(b0.begin(), b0.begin() + 68);
    // key, string, 130 fillers, blob
    out.insert(out.end(), descs.begin(), descs.begin() + 64);
    for (int i = 0; i < 130; ++i) {
        std::vector<uint8_t> d(32, 0);
        d[0] = 1;
        d[1] = 26;
        std::string name = "F" + std::to_string(i);
        for (int k = 0; k < 26; ++k) d[2 + k] = k < static_cast<int>(name.size()) ? name[k] : ' ';
        d[28] = 255;
        out.insert(out.end(), d.begin(), d.end());
    }
    out.insert(out.end(), descs.begin() + 64, descs.end());
    out[2] = static_cast<uint8_t>(fields + 130);
    // The header's record length agrees with the descriptions, as the
    // engine writes it; pack refuses a table where it does not.
    putU32(out.data() + 16, getU32(out.data() + 16) + 130 * 255);
    // The slot: header, key, string (11), then 130 × 255 zero bytes, then the blob.
    std::vector<uint8_t> slot(b1.begin(), b1.begin() + 12 + 4 + 11);
    slot.insert(slot.end(), 130 * 255, 0);
    slot.insert(slot.end(), b1.begin() + 12 + 4 + 11, b1.end());
    test::writeBytes(dir.path() / "T.b0", out);
    test::writeBytes(dir.path() / "T.b1", slot);
    std::filesystem::remove(dir.path() / "T.bi");

    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    ASSERT_GT(t.FieldByName("Dan")->PosSeekRecord(), 32767);
    ASSERT_TRUE(test::gotoRecord(t, 1));
    EXPECT_EQ(test::blobValue(t, "Dan"), test::seededBytes(50, 3));
    t.Close();
    ASSERT_TRUE(t.PackTable());
    ASSERT_TRUE(t.Open());
    EXPECT_TRUE(t.TestTable());
    ASSERT_TRUE(test::gotoRecord(t, 1));
    EXPECT_EQ(test::blobValue(t, "Dan"), test::seededBytes(50, 3));
    EXPECT_EQ(t.FieldByName("W")->asString(), "слово");
}

}  // namespace
}  // namespace zavlin
