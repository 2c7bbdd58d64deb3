// Repairs that never destroy: re-index and pack refuse a table whose header
// or field descriptions they cannot trust and change no byte of it, and the
// check names each kind of damage that would make a later write lose data.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/little_endian.h"
#include "base/streams.h"
#include "storage/table_blob.h"
#include "storage/table_validate.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::readBytes;
using test::seededBytes;
using test::writeBytes;
using Bytes = std::vector<uint8_t>;
using Files = std::map<std::string, Bytes>;
// Every live record by key: the value of each field by position (names may
// be what the damage changed).
using Records = std::map<uint32_t, std::vector<Bytes>>;

// Layout of the test table: N autoinc (4) | Name string 18 (19) | Num integer
// (4) | Day date (4) | Dan blob (12), pages of 16 bytes.
constexpr int kFields = 5;
constexpr uint64_t kSlot = 12 + 4 + 19 + 4 + 4 + 12;
constexpr uint64_t kDanAt = 12 + 4 + 19 + 4 + 4;
constexpr uint64_t kPage = 16 + 16;
constexpr std::size_t kB0Length = 68 + 32 * kFields;

Records recordsOf(TTableBlob& t) {
    Records out;
    t.First();
    while (!t.Eof()) {
        std::vector<Bytes> values;
        for (int i = 0; i < t.FieldCount(); ++i) {
            TField* f = t.Field(i);
            TMemoryStream s;
            // A value whose chain is damaged reads as a marker, so records
            // can still be counted and compared.
            try {
                f->SaveToStream(s);
                values.push_back(s.Bytes());
            } catch (const ERangeError&) {
                values.push_back({0xEE, 0xEE});
            }
        }
        out[static_cast<uint32_t>(t.Field(0)->asInteger())] = values;
        t.Next();
    }
    t.First();
    return out;
}

class TableRepairTest : public ::testing::Test {
protected:
    // Keys 1..5 with blob values of 40, 10, 20, 33 and 5 bytes; key 3 is
    // deleted (so the deleted chain is not empty) and key 4's value is cut
    // to 8 bytes (so two pages are free).
    void SetUp() override {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T",
                          {"N:ftAutoInc", "Name:ftString:18", "Num:ftInteger", "Day:ftDate"});
        ASSERT_NE(t.AddBlobField("Dan", 16), nullptr);
        const std::vector<std::size_t> sizes = {40, 10, 20, 33, 5};
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            ASSERT_TRUE(t.Append());
            t.Field(1)->setAsString("группа " + std::to_string(i));
            t.Field(2)->setAsInteger(static_cast<int32_t>(1000 * i + 7));
            t.Field(3)->setAsInteger(static_cast<int32_t>(45000 + i));
            test::loadBlob(t, "Dan", seededBytes(sizes[i], static_cast<uint8_t>(i)));
            ASSERT_TRUE(t.Post());
        }
        ASSERT_TRUE(test::gotoRecord(t, 3));
        ASSERT_TRUE(t.Delete());
        ASSERT_TRUE(test::gotoRecord(t, 4));
        test::loadBlob(t, "Dan", seededBytes(8, 9));
        ASSERT_TRUE(t.Post());
        ASSERT_GT(t.Headr().FCountPageEmpty, 0u);
        ASSERT_NE(t.Headr().FAutoIncDelRec, 0u);
        healthyRecords = recordsOf(t);
        ASSERT_EQ(healthyRecords.size(), 4u);
        t.Close();
        healthy = test::snapshotFiles(dir.path());
        ASSERT_EQ(healthy.at("T.b0").size(), kB0Length);
    }
    std::filesystem::path file(const char* ext) const { return dir.table("T") + ext; }
    void restore() {
        for (const auto& [name, bytes] : healthy) writeBytes(dir.path() / name, bytes);
    }
    void patchU32(const char* ext, uint64_t at, uint32_t v) {
        Bytes b = readBytes(file(ext));
        ASSERT_GE(b.size(), at + 4);
        putU32(b.data() + at, v);
        writeBytes(file(ext), b);
    }
    void patchU8(const char* ext, uint64_t at, uint8_t v) {
        Bytes b = readBytes(file(ext));
        ASSERT_GT(b.size(), at);
        b[at] = v;
        writeBytes(file(ext), b);
    }

    // Runs a repair on the closed table; the codes it raised go to `errors`.
    bool repair(bool pack, std::vector<std::pair<uint16_t, std::string>>& errors) {
        test::MessageRecorder recorder;
        TTableBlob t{test::hooks()};
        recorder.attach(t);
        t.SetTableName(dir.table("T"));
        const bool ok = pack ? t.PackTable() : t.ReIndexTable();
        t.Close();
        errors = recorder.errors;
        return ok;
    }
    // Opens the table, checks it and reads its records; false when it does
    // not open or the check fails.
    bool opensClean(Records& records, std::vector<std::pair<uint16_t, std::string>>& errors) {
        test::MessageRecorder recorder;
        TTableBlob t{test::hooks()};
        recorder.attach(t);
        t.SetTableName(dir.table("T"));
        if (!t.Open()) {
            errors = recorder.errors;
            return false;
        }
        const bool clean = t.TestTable();
        records = recordsOf(t);
        t.Close();
        errors = recorder.errors;
        return clean;
    }
    // The check's findings on the table as it is; the check changes nothing.
    std::vector<std::pair<uint16_t, std::string>> checkFindings() {
        const Files before = test::snapshotFiles(dir.path());
        test::MessageRecorder recorder;
        TTableBlob t{test::hooks()};
        recorder.attach(t);
        t.SetTableName(dir.table("T"));
        EXPECT_TRUE(t.Open());
        recorder.errors.clear();
        const bool ok = t.TestTable();
        t.Close();
        EXPECT_EQ(ok, recorder.errors.empty());
        EXPECT_EQ(test::changedFiles(before, test::snapshotFiles(dir.path())), "");
        return recorder.errors;
    }

    test::ScratchDir dir;
    Files healthy;
    Records healthyRecords;
};

std::string codes(const std::vector<std::pair<uint16_t, std::string>>& errors) {
    std::string out;
    for (const auto& [code, text] : errors) out += std::to_string(code) + " " + text + "; ";
    return out;
}

// Every byte of the header and of the field descriptions damaged in turn:
// a repair either refuses with a reason and leaves every file as it was, or
// leaves a table that opens, checks clean and still holds every record with
// its values. Catches a repair that trusts a damaged slot size, field type
// or counter and cuts, drops or reinterprets records.
TEST_F(TableRepairTest, DamagedHeaderMatrix) {
    int refused = 0;
    int repaired = 0;
    for (bool pack : {false, true}) {
        for (std::size_t at = 0; at < kB0Length; ++at) {
            for (uint8_t mask : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
                SCOPED_TRACE((pack ? "pack, byte " : "re-index, byte ") + std::to_string(at) +
                             " ^ " + std::to_string(mask));
                restore();
                Bytes b0 = healthy.at("T.b0");
                b0[at] ^= mask;
                writeBytes(file(".b0"), b0);
                const Files damaged = test::snapshotFiles(dir.path());
                std::vector<std::pair<uint16_t, std::string>> errors;
                if (!repair(pack, errors)) {
                    ++refused;
                    EXPECT_FALSE(errors.empty()) << "refused without a reason";
                    ASSERT_EQ(test::changedFiles(damaged, test::snapshotFiles(dir.path())), "");
                    continue;
                }
                ++repaired;
                Records records;
                std::vector<std::pair<uint16_t, std::string>> found;
                ASSERT_TRUE(opensClean(records, found)) << codes(found);
                ASSERT_EQ(records, healthyRecords);
            }
        }
    }
    // Both outcomes must occur: counters re-index can rebuild, and damage
    // it must refuse.
    EXPECT_GT(refused, 0);
    EXPECT_GT(repaired, 0);
}

// The refusals name their reason. Catches a refusal that reports nothing or
// the wrong thing, and a repair that goes ahead.
TEST_F(TableRepairTest, RefusalsNameTheirReason) {
    const uint64_t nameSizeAt = 68 + 32 + 28;
    const uint32_t freePages = getU32(healthy.at("T.b0").data() + 40);
    struct Case {
        const char* what;
        uint16_t code;
        std::function<void()> damage;
    };
    const std::vector<Case> cases = {
        {"a string slot size 19 -> 3", kDamagedSlotLength, [&] { patchU8(".b0", nameSizeAt, 3); }},
        {"a string slot size of 0", kDamagedFields, [&] { patchU8(".b0", nameSizeAt, 0); }},
        {"a field type of 0", kDamagedFields, [&] { patchU8(".b0", 68 + 32 * 2, 0); }},
        {"an integer sized as a word", kDamagedFields, [&] { patchU8(".b0", 68 + 64 + 28, 2); }},
        {"a slot length that is not the fields' sum", kDamagedSlotLength,
         [&] { patchU32(".b0", 16, static_cast<uint32_t>(kSlot - 12 + 1)); }},
        {"a header version of 0", kDamagedHeader, [&] { patchU8(".b0", 0, 0); }},
        {"a key kind other than the key field's", kDamagedHeader, [&] { patchU8(".b0", 3, 0); }},
        {"a page length of 0", kDamagedHeader,
         [&] {
             Bytes b = readBytes(file(".b0"));
             putU16(b.data() + 34, 0);
             writeBytes(file(".b0"), b);
         }},
        {"one slot fewer counted than .b1 holds", kDamagedLength, [&] { patchU32(".b0", 8, 4); }},
        {"more pages counted than .b2 holds", kDamagedLength, [&] { patchU32(".b0", 36, 99); }},
        {"one free page too many", kDamagedFreePages, [&] { patchU32(".b0", 40, freePages + 1); }},
        {"a free-page head on a page in use", kDamagedFreePages, [&] { patchU32(".b0", 44, 1); }},
        {"a deleted chain head on a live slot", kDamagedDeletedHead,
         [&] { patchU32(".b0", 24, 0); }},
        {"a deleted chain head under another key", kDamagedDeletedHead,
         [&] { patchU32(".b0", 20, 4); }},
    };
    for (bool pack : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(pack ? "pack: " : "re-index: ") + c.what);
            restore();
            c.damage();
            const Files damaged = test::snapshotFiles(dir.path());
            std::vector<std::pair<uint16_t, std::string>> errors;
            EXPECT_FALSE(repair(pack, errors));
            ASSERT_EQ(errors.size(), 1u) << codes(errors);
            EXPECT_EQ(errors[0].first, c.code) << errors[0].second;
            EXPECT_NE(errors[0].second.find("T.b"), std::string::npos) << errors[0].second;
            EXPECT_EQ(test::changedFiles(damaged, test::snapshotFiles(dir.path())), "");
        }
    }
    // A missing table is named as open names it, and nothing is created.
    {
        test::ScratchDir empty;
        test::MessageRecorder recorder;
        TTableBlob t{test::hooks()};
        recorder.attach(t);
        t.SetTableName(empty.table("Missing"));
        EXPECT_FALSE(t.ReIndexTable());
        ASSERT_EQ(recorder.errors.size(), 1u) << codes(recorder.errors);
        EXPECT_EQ(recorder.errors[0].first, 23);
        EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
    }
    // Open refuses descriptions no field has too, rather than drop them and
    // write a shorter field list back at the next save.
    restore();
    patchU8(".b0", 68 + 32 * 2, 0);
    test::MessageRecorder recorder;
    TTableBlob t{test::hooks()};
    recorder.attach(t);
    t.SetTableName(dir.table("T"));
    EXPECT_FALSE(t.Open());
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].first, kDamagedFields);
    EXPECT_EQ(recorder.errors[0].second,
              std::string(kDamagedFieldsText) + " " + file(".b0").string());
}

// What re-index rebuilds from the slots (index entries, the key counter) is
// repaired; what it could only settle by dropping data (two records under
// one key, pages two values share) is reported by the check and left alone.
// Catches a check that calls such tables consistent, and a repair that
// "fixes" a finding by losing a record.
TEST_F(TableRepairTest, CheckFindingsAndWhatReIndexRepairs) {
    // Slots: key 1 -> 0, 2 -> 1, 3 (deleted) -> 2, 4 -> 3, 5 -> 4; the value
    // of key 1 holds pages 1-3.
    struct Case {
        const char* what;
        uint16_t code;
        bool reIndexRepairs;
        std::function<void()> damage;
    };
    const std::vector<Case> cases = {
        {"two live slots under one key", 102, false,
         [&] {
             patchU32(".b1", 1 * kSlot + 12, 1);
             patchU32(".bi", 8, 1);
         }},
        {"the key counter below the largest key", 103, true, [&] { patchU32(".b0", 4, 0); }},
        {"the key counter one below the largest key", 103, true, [&] { patchU32(".b0", 4, 4); }},
        {"an index entry on the deleted slot", 104, true,
         [&] {
             patchU32(".bi", 8, 3);
             patchU32(".bi", 12, 2);
         }},
        {"index entries with their keys swapped", 105, true,
         [&] {
             patchU32(".bi", 0, 2);
             patchU32(".bi", 8, 1);
         }},
        {"two values starting on the same page", 208, false,
         [&] {
             Bytes b1 = readBytes(file(".b1"));
             std::copy_n(b1.begin() + kDanAt, 12, b1.begin() + kSlot + kDanAt);
             writeBytes(file(".b1"), b1);
         }},
        {"a chain that loops back to its first page", 208, false,
         [&] { patchU32(".b2", 1 * kPage + 8, 1); }},
        {"a chain through a free page", 208, false, [&] { patchU8(".b2", 0 * kPage + 12, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        restore();
        c.damage();
        const auto found = checkFindings();
        ASSERT_EQ(found.size(), 1u) << codes(found);
        EXPECT_EQ(found[0].first, c.code) << found[0].second;
        TTableBlob probe{test::hooks()};
        probe.SetTableName(dir.table("T"));
        ASSERT_TRUE(probe.Open());
        const Records before = recordsOf(probe);
        const uint32_t slots = probe.RecordCountAll();
        probe.Close();

        std::vector<std::pair<uint16_t, std::string>> errors;
        const bool reindexed = repair(false, errors);
        Records after;
        std::vector<std::pair<uint16_t, std::string>> left;
        const bool clean = opensClean(after, left);
        if (c.reIndexRepairs) {
            ASSERT_TRUE(reindexed) << codes(errors);
            EXPECT_TRUE(clean) << codes(left);
            EXPECT_EQ(after, healthyRecords);
            // The next record gets a key nobody holds.
            TTableBlob t{test::hooks()};
            t.SetTableName(dir.table("T"));
            ASSERT_TRUE(t.Open());
            ASSERT_TRUE(t.Append());
            EXPECT_EQ(t.Field(0)->asInteger(), 6);
            t.Close();
        } else {
            // Still reported, and no slot or value lost on the way.
            EXPECT_FALSE(clean);
            ASSERT_FALSE(left.empty());
            EXPECT_EQ(left[0].first, c.code);
            EXPECT_EQ(after.size(), before.size());
            TTableBlob t{test::hooks()};
            t.SetTableName(dir.table("T"));
            ASSERT_TRUE(t.Open());
            EXPECT_EQ(t.RecordCountAll(), slots);
            EXPECT_EQ(t.RecordCount(), 4u);
            t.Close();
        }
    }
}

// A table with reusable keys hands out the counter + 1 when there is no gap
// among its keys, so its counter is checked and repaired the same way.
TEST_F(TableRepairTest, ReusableKeyCounterRepaired) {
    TTableBlob t{test::hooks()};
    test::createTable(t, dir, "K", {"N:ftNewKeys", "Name:ftString:8"});
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(t.Append());
        t.Field(1)->setAsString("k" + std::to_string(i));
        ASSERT_TRUE(t.Post());
    }
    t.Close();
    Bytes b0 = readBytes(dir.table("K") + ".b0");
    ASSERT_EQ(getU32(b0.data() + 4), 3u);
    putU32(b0.data() + 4, 1);
    writeBytes(dir.table("K") + ".b0", b0);

    test::MessageRecorder recorder;
    t.SetTableName(dir.table("K"));
    recorder.attach(t);
    ASSERT_TRUE(t.Open());
    EXPECT_FALSE(t.TestTable());
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].first, 103);
    t.Close();
    recorder.errors.clear();
    ASSERT_TRUE(t.ReIndexTable());
    ASSERT_TRUE(t.Open());
    EXPECT_TRUE(t.TestTable()) << codes(recorder.errors);
    ASSERT_TRUE(t.Append());
    EXPECT_EQ(t.Field(0)->asInteger(), 4);
    t.Close();
}

}  // namespace
}  // namespace zavlin
