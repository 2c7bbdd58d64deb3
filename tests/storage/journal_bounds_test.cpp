// Journals built by hand, byte for byte as the format document describes
// them: sound ones are played back, damaged ones (entries outside the files,
// sizes the files never had, unknown versions) are refused before any byte
// is written, and the table does not open.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/journal.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

uint32_t fnv1a(const std::vector<uint8_t>& bytes, std::size_t from, std::size_t to,
               uint32_t h = 2166136261u) {
    for (std::size_t i = from; i < to; ++i) {
        h ^= bytes[i];
        h *= 16777619u;
    }
    return h;
}

void putLe(std::vector<uint8_t>& out, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// "ZVJ1" | u64 x3 sizes | u32 0 | u32 checksum of bytes 0..31.
std::vector<uint8_t> header(uint64_t b0, uint64_t b1, uint64_t b2, const char* magic = "ZVJ1") {
    std::vector<uint8_t> h(magic, magic + 4);
    putLe(h, b0, 8);
    putLe(h, b1, 8);
    putLe(h, b2, 8);
    putLe(h, 0, 4);
    putLe(h, fnv1a(h, 0, 32), 4);
    return h;
}

// u8 file | u64 offset | u32 length | u32 0 | u32 checksum | old bytes.
void entry(std::vector<uint8_t>& j, uint8_t file, uint64_t offset, const std::vector<uint8_t>& old,
           bool goodChecksum = true) {
    std::vector<uint8_t> e{file};
    putLe(e, offset, 8);
    putLe(e, old.size(), 4);
    putLe(e, 0, 4);
    uint32_t c = fnv1a(e, 0, 17);
    c = fnv1a(old, 0, old.size(), c);
    putLe(e, goodChecksum ? c : c ^ 1u, 4);
    e.insert(e.end(), old.begin(), old.end());
    j.insert(j.end(), e.begin(), e.end());
}

class JournalBoundsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "Name:ftString:20", "Dan:ftBlob"});
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("Name")->setAsString("name" + std::to_string(i));
            test::loadBlob(t, "Dan", test::seededBytes(200, static_cast<uint8_t>(i)));
            ASSERT_TRUE(t.Post());
        }
        t.Close();
        for (int i = 0; i < 3; ++i) sizes[i] = fs::file_size(path(i));
    }

    fs::path path(int file) const {
        const char* ext[3] = {".b0", ".b1", ".b2"};
        return dir.path() / (std::string("T") + ext[file]);
    }

    // Opening with journal j in place must fail with code 24 naming the
    // journal, and leave every file byte as it was, the journal included.
    void expectRefused(const std::vector<uint8_t>& j, const std::string& why) {
        SCOPED_TRACE(why);
        test::writeBytes(dir.path() / "T.bj", j);
        const auto before = test::snapshotFiles(dir.path());
        TTableBlob t{test::hooks()};
        test::MessageRecorder rec;
        rec.attach(t);
        t.SetTableName(dir.table("T"));
        EXPECT_FALSE(t.Open());
        ASSERT_EQ(rec.errors.size(), 1u);
        EXPECT_EQ(rec.errors[0].first, 24);
        EXPECT_NE(rec.errors[0].second.find("T.bj: "), std::string::npos) << rec.errors[0].second;
        EXPECT_EQ(test::snapshotFiles(dir.path()), before)
            << test::changedFiles(test::snapshotFiles(dir.path()), before);
        // The engine's own entry point says the same.
        std::string problem;
        EXPECT_FALSE(RollbackJournal::replay(realFileSystem(), dir.table("T"), &problem));
        EXPECT_FALSE(problem.empty());
        EXPECT_EQ(test::snapshotFiles(dir.path()), before);
        fs::remove(dir.path() / "T.bj");
    }

    test::ScratchDir dir;
    uint64_t sizes[3] = {0, 0, 0};
};

// Catches: playback that writes wherever an entry says (a 57-byte journal
// grew .b1 to a terabyte), sizes trusted without looking at the files, a
// 64-bit wrap in offset + length, entries for a fourth file, and a journal of
// another version deleted or misread.
TEST_F(JournalBoundsTest, DamagedJournalsAreRefusedWithoutWritingAByte) {
    const uint64_t tera = uint64_t{1} << 40;
    std::vector<uint8_t> j = header(sizes[0], sizes[1], sizes[2]);
    entry(j, 1, tera, {});
    ASSERT_EQ(j.size(), 57u);
    expectRefused(j, "an empty entry a terabyte out");

    j = header(sizes[0], sizes[1], sizes[2]);
    entry(j, 1, tera, {0xAA});
    expectRefused(j, "one byte a terabyte out");

    j = header(sizes[0], sizes[1], sizes[2]);
    entry(j, 1, 4, {1, 2, 3});  // sound
    entry(j, 1, sizes[1] - 2, {1, 2, 3, 4});
    expectRefused(j, "an entry running past the recorded size");

    j = header(sizes[0], sizes[1], sizes[2]);
    entry(j, 2, UINT64_MAX - 1, {1, 2, 3, 4});
    expectRefused(j, "offset plus length wrapping around");

    j = header(sizes[0], tera, sizes[2]);
    entry(j, 1, tera / 2, {1, 2, 3, 4});
    expectRefused(j, "a recorded size the file never had");

    j = header(sizes[0] + 1, sizes[1], sizes[2]);
    expectRefused(j, "a recorded size one byte too long, no entries");

    j = header(sizes[0], sizes[1], sizes[2]);
    entry(j, 3, 0, {1});
    expectRefused(j, "an entry for a fourth file");

    j = header(sizes[0], sizes[1], sizes[2], "ZVJ2");
    entry(j, 1, 0, {1});
    expectRefused(j, "a journal of another version");

    // No file may have grown on the way.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fs::file_size(path(i)), sizes[i]);
}

// Catches: a layout that drifted from the document (checksum position, entry
// head length), newest-first order lost, a torn last entry played back, files
// not cut back to their recorded sizes.
TEST_F(JournalBoundsTest, SoundJournalsArePlayedBackAsDocumented) {
    std::vector<uint8_t> b1 = test::readBytes(path(1));
    std::vector<uint8_t> b2 = test::readBytes(path(2));
    const std::vector<uint8_t> b1Before = b1;
    const std::vector<uint8_t> b2Before = b2;
    // What an operation cut short would leave: bytes overwritten in both
    // files and both files grown.
    for (int i = 0; i < 5; ++i) b1[20 + i] = 'X';
    b2[b2.size() - 1] ^= 0xFF;
    b1.insert(b1.end(), 40, 0x11);
    b2.insert(b2.end(), 300, 0x22);
    test::writeBytes(path(1), b1);
    test::writeBytes(path(2), b2);

    std::vector<uint8_t> j = header(sizes[0], sizes[1], sizes[2]);
    // The oldest image of a range comes first and must be the one that stays.
    entry(j, 1, 18, test::slice(b1Before, 18, 10));
    entry(j, 1, 20, {'Y', 'Y', 'Y', 'Y', 'Y'});
    entry(j, 2, sizes[2] - 1, {b2Before.back()});
    // A torn entry after them: never played back, however wild.
    entry(j, 1, uint64_t{1} << 40, {9, 9, 9}, false);
    test::writeBytes(dir.path() / "T.bj", j);

    TTableBlob t{test::hooks()};
    test::MessageRecorder rec;
    rec.attach(t);
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_TRUE(rec.errors.empty());
    EXPECT_EQ(t.RecordCount(), 2u);
    EXPECT_TRUE(t.TestTable());
    t.Close();
    EXPECT_EQ(test::readBytes(path(1)), b1Before);
    EXPECT_EQ(test::readBytes(path(2)), b2Before);
    EXPECT_FALSE(fs::exists(dir.path() / "T.bj"));

    // A header whose checksum does not match never led to a table write: it
    // is dropped and nothing else changes.
    j = header(sizes[0], sizes[1], sizes[2]);
    j[32] ^= 1;
    entry(j, 1, 0, {1, 2, 3});
    test::writeBytes(dir.path() / "T.bj", j);
    ASSERT_TRUE(RollbackJournal::replay(realFileSystem(), dir.table("T")));
    EXPECT_EQ(test::readBytes(path(1)), b1Before);
    EXPECT_FALSE(fs::exists(dir.path() / "T.bj"));
}

}  // namespace
}  // namespace zavlin
