// The consistency check and the re-index: each code of the check raised by a
// table damaged on disk, healthy tables passing, and .bi rebuilt from the
// slots (including the repair of a .b1 with a partial slot the header does
// not count).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "storage/file_system.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::readBytes;
using test::seededBytes;
using test::writeBytes;
using Bytes = std::vector<uint8_t>;

const char* const kText101 = "Ошибка целосности индксов в файле *.bi";
const char* const kText103 = "Ошибка счетчик ключей в файле *.b0 меньше наибольшего ключа";
const char* const kText201 =
    "Ошибка соответсвия количества страниц в файле *.b2 и поле из файла *.b1";
const char* const kText203 =
    "Ошибка индекса номера рекорды в файле *.b1 и индекса в Blob заголовке файла *.b2";
const char* const kText204 =
    "Ошибка полезной длины Blob поля из файла *.b1 и реальной суммы длины данных из файла *.b2";
const char* const kText205 = "Ошибка количества удаленных Blob страниц из файла *.b2";
const char* const kText206 = "Ошибка количества информационно полезных Blob страниц из файла *.b2";
const char* const kText207 = "Ошибка существуют потеренные Blob страницы из файла *.b2";

// Layout of the test table: N (4) | Name string 10 (11) | Dan blob (12), pages of 16.
constexpr uint64_t kSlot = 12 + 4 + 11 + 12;
constexpr uint64_t kDanAt = 12 + 4 + 11;
constexpr uint64_t kPage = 16 + 16;

void patchU32(const std::filesystem::path& p, uint64_t at, uint32_t v) {
    Bytes b = readBytes(p);
    ASSERT_GE(b.size(), at + 4) << p;
    putU32(b.data() + at, v);
    writeBytes(p, b);
}
void patchU16(const std::filesystem::path& p, uint64_t at, uint16_t v) {
    Bytes b = readBytes(p);
    ASSERT_GE(b.size(), at + 2) << p;
    putU16(b.data() + at, v);
    writeBytes(p, b);
}

class TableCheckTest : public ::testing::Test {
protected:
    // Keys 1, 2, 3 in slots 0, 1, 2 with values of 40 bytes (pages 1-3),
    // 10 bytes (page 4) and 20 bytes (pages 5-6); no deleted slots.
    void SetUp() override {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "Name:ftString:10"});
        ASSERT_NE(t.AddBlobField("Dan", 16), nullptr);
        const std::vector<std::size_t> sizes = {40, 10, 20};
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("Name")->setAsString("r" + std::to_string(i));
            test::loadBlob(t, "Dan", seededBytes(sizes[i], static_cast<uint8_t>(i)));
            ASSERT_TRUE(t.Post());
        }
        ASSERT_EQ(t.Headr().FCountPageAll, 6u);
        t.Close();
    }
    std::filesystem::path file(const char* ext) const { return dir.table("T") + ext; }

    // Opens the table and runs the check; returns the events raised.
    std::vector<std::pair<uint16_t, std::string>> check(bool& result) {
        test::MessageRecorder recorder;
        TTableBlob t{test::hooks()};
        recorder.attach(t);
        t.SetTableName(dir.table("T"));
        EXPECT_TRUE(t.Open());
        recorder.errors.clear();
        result = t.TestTable();
        t.Close();
        EXPECT_TRUE(recorder.messages.empty());
        return recorder.errors;
    }

    test::ScratchDir dir;
};

TEST_F(TableCheckTest, HealthyTablePasses) {
    bool ok = false;
    EXPECT_TRUE(check(ok).empty());
    EXPECT_TRUE(ok);
}

// Each damage must be reported with its own code and text, and only once:
// catches a check that stops at the wrong step or mixes up 201 and 202.
TEST_F(TableCheckTest, EachDamageRaisesItsCode) {
    struct Case {
        const char* what;
        uint16_t code;
        const char* text;
        std::function<void()> damage;
    };
    const std::vector<Case> cases = {
        {"two index entries with the same key", 101, kText101,
         [&] { patchU32(file(".bi"), 8, 1); }},
        {"an index entry with key 0", 101, kText101, [&] { patchU32(file(".bi"), 16, 0); }},
        // Before the key check: its own code says re-index repairs it.
        {"a key above the key counter", 103, kText103,
         [&] {
             patchU32(file(".bi"), 16, 9);
             patchU32(file(".b1"), 2 * kSlot + 12, 9);
         }},
        {"the chain goes on after FCountPage pages", 201, kText201,
         [&] { patchU16(file(".b1"), kDanAt, 2); }},
        {"the chain ends before FCountPage pages", 202, kText201,
         [&] { patchU16(file(".b1"), kDanAt, 4); }},
        {"the first page lies outside .b2", 202, kText201,
         [&] { patchU32(file(".b1"), kSlot + kDanAt + 2, 7); }},
        {"a page names another slot", 203, kText203, [&] { patchU32(file(".b2"), 1 * kPage, 1); }},
        {"the page lengths do not add up", 204, kText204,
         [&] { patchU32(file(".b1"), 2 * kSlot + kDanAt + 6, 21); }},
        // The header claims one free page more than .b2 holds.
        {"one free page too many in the header", 205, kText205,
         [&] { patchU32(file(".b0"), 40, 1); }},
        {"a page in use that no value names", 207, kText207,
         [&] {
             Bytes b1 = readBytes(file(".b1"));
             std::fill(b1.begin() + 2 * kSlot + kDanAt, b1.begin() + 2 * kSlot + kDanAt + 12, 0);
             writeBytes(file(".b1"), b1);
         }},
    };
    const auto healthy = test::snapshotFiles(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [name, bytes] : healthy) writeBytes(dir.path() / name, bytes);
        c.damage();
        const auto damaged = test::snapshotFiles(dir.path());
        bool ok = true;
        const auto errors = check(ok);
        EXPECT_FALSE(ok);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].first, c.code);
        EXPECT_EQ(errors[0].second, c.text);
        // The check repairs nothing.
        EXPECT_EQ(test::changedFiles(damaged, test::snapshotFiles(dir.path())), "");
    }
}

// 206 (used + free pages differ from the page count) cannot come from damaged
// bytes: open checks the length of .b2, and every page header read counts as
// either free or used. Only a page header that cannot be read leaves the sum
// short; with no free pages the free count still agrees and 206 is raised.
// Catches a check that treats an unreadable page file as healthy.
TEST_F(TableCheckTest, UnreadablePageFileRaises206) {
    {
        // All records deleted: their pages stay in use and no chain is walked
        // before the page headers are counted.
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        while (t.RecordCount() > 0) {
            t.First();
            ASSERT_FALSE(t.Eof());
            ASSERT_TRUE(t.Delete());
        }
        t.Close();
    }
    test::MessageRecorder recorder;
    FaultInjectingFileSystem fs;
    TTableBlob t(test::hooks(), fs);
    recorder.attach(t);
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    // The page headers are read last: the check's last operation fails.
    fs.failAt(0);
    ASSERT_TRUE(t.TestTable());
    const uint64_t operations = fs.operations();
    ASSERT_GT(operations, 0u);
    fs.failAt(operations, false);
    EXPECT_FALSE(t.TestTable());
    EXPECT_TRUE(fs.failed());
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].first, 206);
    EXPECT_EQ(recorder.errors[0].second, kText206);
}

// Catches a check that reports through the user message box when no handler
// is assigned.
TEST_F(TableCheckTest, WithoutHandlerFailsSilently) {
    patchU32(file(".b0"), 40, 1);
    test::MessageRecorder recorder;
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_FALSE(t.TestTable());
    EXPECT_TRUE(recorder.messages.empty());
    t.Close();
}

// Deleted slots, reused slots, values grown and shrunk (free pages taken and
// given back): a table the engine wrote itself must pass. Catches a check
// that counts the pages of deleted records as lost, or that compares page
// owners with index positions while slots are out of step.
TEST_F(TableCheckTest, HealthyAfterDeletesReuseAndRewrites) {
    test::MessageRecorder recorder;
    TTableBlob t{test::hooks()};
    recorder.attach(t);
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(t.Append());
        test::loadBlob(
            t, "Dan",
            seededBytes(static_cast<std::size_t>(17 * i + 5), static_cast<uint8_t>(9 + i)));
        ASSERT_TRUE(t.Post());
    }
    EXPECT_TRUE(t.TestTable());
    ASSERT_TRUE(test::gotoRecord(t, 2));
    ASSERT_TRUE(t.Delete());
    ASSERT_TRUE(test::gotoRecord(t, 5));
    ASSERT_TRUE(t.Delete());
    EXPECT_TRUE(t.TestTable());
    ASSERT_TRUE(t.Append());  // reuses the slot of key 5, frees its pages
    test::loadBlob(t, "Dan", seededBytes(70, 20));
    ASSERT_TRUE(t.Post());
    ASSERT_TRUE(test::gotoRecord(t, 1));
    test::loadBlob(t, "Dan", seededBytes(3, 21));  // shrinks: frees two pages
    ASSERT_TRUE(t.Post());
    ASSERT_TRUE(test::gotoRecord(t, 3));
    test::loadBlob(t, "Dan", seededBytes(90, 22));  // grows: takes them back
    ASSERT_TRUE(t.Post());
    EXPECT_TRUE(t.TestTable());
    EXPECT_TRUE(recorder.errors.empty());
    t.Close();
}

// A second blob field holds pages too. Catches a check that counts only the
// first blob field's pages and calls the second one's lost (207).
TEST_F(TableCheckTest, HealthyWithTwoBlobFields) {
    test::MessageRecorder recorder;
    TTableBlob t{test::hooks()};
    recorder.attach(t);
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    ASSERT_NE(t.AddBlobField("Dan2"), nullptr);
    ASSERT_TRUE(test::gotoRecord(t, 2));
    test::loadBlob(t, "Dan2", seededBytes(33, 40));
    ASSERT_TRUE(t.Post());
    EXPECT_TRUE(t.TestTable());
    EXPECT_TRUE(recorder.errors.empty());
    t.Close();
}

// Runs ReIndexTable on a closed table, or on an open one.
bool reIndex(const test::ScratchDir& dir, bool open) {
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    if (open && !t.Open()) return false;
    const bool ok = t.ReIndexTable();
    EXPECT_EQ(t.Active(), open);
    t.Close();
    return ok;
}

// Catches a re-index that keeps a wrong .bi, or leaves a closed table open.
TEST_F(TableCheckTest, ReIndexRecreatesMissingOrStaleIndex) {
    {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(test::gotoRecord(t, 2));
        ASSERT_TRUE(t.Delete());
        t.Close();
    }
    const Bytes expected = test::fromHex("01000000 00000000 03000000 02000000");
    ASSERT_EQ(readBytes(file(".bi")), expected);
    for (bool open : {false, true}) {
        SCOPED_TRACE(open ? "open table" : "closed table");
        std::filesystem::remove(file(".bi"));
        ASSERT_TRUE(reIndex(dir, open));
        EXPECT_EQ(readBytes(file(".bi")), expected);
        // Stale: right length, wrong keys and slots (the deleted slot among them).
        writeBytes(file(".bi"), test::fromHex("02000000 01000000 07000000 00000000"));
        ASSERT_TRUE(reIndex(dir, open));
        EXPECT_EQ(readBytes(file(".bi")), expected);
    }
}

// A .b1 with bytes after the last slot the header counts (not left by the
// engine, which journals its writes) fails open with 61 for ever unless the
// re-index cuts them. Fewer bytes than a slot cannot be a record and are cut;
// a whole slot more may be a record the counter lost, and is refused.
// Catches a repair that cuts counted slots, a whole slot or a short file, or
// that cuts on any other open failure.
TEST_F(TableCheckTest, ReIndexCutsUncountedSlotTail) {
    const auto healthy = test::snapshotFiles(dir.path());
    auto restoreAll = [&] {
        for (const auto& [name, bytes] : healthy) writeBytes(dir.path() / name, bytes);
    };
    const Bytes b1 = healthy.at("T.b1");
    ASSERT_EQ(b1.size(), 3 * kSlot);
    TTableBlob probe{test::hooks()};
    probe.SetTableName(dir.table("T"));
    ASSERT_TRUE(probe.Open());
    const test::TableImage before = test::imageOf(probe);
    probe.Close();

    // Partial slots: one byte short of a slot, and a few bytes.
    for (std::size_t extra : {std::size_t{5}, std::size_t{kSlot - 1}}) {
        SCOPED_TRACE("tail of " + std::to_string(extra) + " bytes");
        for (const auto& [name, bytes] : healthy) writeBytes(dir.path() / name, bytes);
        Bytes longer = b1;
        const Bytes tail = seededBytes(extra, 3);
        longer.insert(longer.end(), tail.begin(), tail.end());
        longer[3 * kSlot] = 0xFF;  // looks like a live slot
        writeBytes(file(".b1"), longer);
        {
            test::MessageRecorder recorder;
            TTableBlob t{test::hooks()};
            recorder.attach(t);
            t.SetTableName(dir.table("T"));
            ASSERT_FALSE(t.Open());
            ASSERT_FALSE(recorder.errors.empty());
            EXPECT_EQ(recorder.errors[0].first, 61);
        }
        ASSERT_TRUE(reIndex(dir, false));
        EXPECT_EQ(readBytes(file(".b1")), b1);
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        EXPECT_EQ(test::imageOf(t), before);
        EXPECT_TRUE(t.TestTable());
        t.Close();
    }

    // A whole slot that looks live, and one with a partial slot after it.
    for (std::size_t extra : {std::size_t{kSlot}, std::size_t{kSlot + 7}}) {
        SCOPED_TRACE("tail of " + std::to_string(extra) + " bytes");
        restoreAll();
        Bytes longer = b1;
        const Bytes tail = seededBytes(extra, 4);
        longer.insert(longer.end(), tail.begin(), tail.end());
        longer[3 * kSlot] = 0xFF;
        writeBytes(file(".b1"), longer);
        const auto damaged = test::snapshotFiles(dir.path());
        test::MessageRecorder recorder;
        TTableBlob t{test::hooks()};
        recorder.attach(t);
        t.SetTableName(dir.table("T"));
        EXPECT_FALSE(t.ReIndexTable());
        ASSERT_EQ(recorder.errors.size(), 1u);
        EXPECT_EQ(recorder.errors[0].first, 72);
        EXPECT_EQ(test::changedFiles(damaged, test::snapshotFiles(dir.path())), "");
    }

    // Shorter than the header says: nothing may be cut or padded.
    for (const auto& [name, bytes] : healthy) writeBytes(dir.path() / name, bytes);
    const Bytes shorter(b1.begin(), b1.end() - 5);
    writeBytes(file(".b1"), shorter);
    {
        test::MessageRecorder quiet;
        EXPECT_FALSE(reIndex(dir, false));
    }
    EXPECT_EQ(readBytes(file(".b1")), shorter);

    // Longer .b1 but open fails earlier (.b0 damaged, code 60): not touched.
    for (const auto& [name, bytes] : healthy) writeBytes(dir.path() / name, bytes);
    Bytes longer = b1;
    longer.resize(b1.size() + 5, 0xEE);
    writeBytes(file(".b1"), longer);
    Bytes b0 = healthy.at("T.b0");
    b0.push_back(0);
    writeBytes(file(".b0"), b0);
    {
        test::MessageRecorder quiet;
        EXPECT_FALSE(reIndex(dir, false));
    }
    EXPECT_EQ(readBytes(file(".b1")), longer);
    EXPECT_EQ(readBytes(file(".b0")), b0);
}

}  // namespace
}  // namespace zavlin
