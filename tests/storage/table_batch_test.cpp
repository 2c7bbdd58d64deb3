// Batches of record operations: one journal across the operations, so that a
// crash, a failed write or a rollback anywhere leaves the table as it was at
// the batch's start, and the commit leaves all of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "storage/file_system.h"
#include "storage/journal.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::vector<uint8_t>>;

// A read that the disk fails raises ERangeError: the operation fails.
template <typename F>
bool attempt(F&& f) {
    try {
        return f();
    } catch (const ERangeError&) {
        return false;
    }
}

class TableBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "Name:ftString:20", "Dan:ftBlob"});
        // Four records with blobs of several pages, one deleted slot to reuse.
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("Name")->setAsString("r" + std::to_string(i));
            test::loadBlob(t, "Dan", test::seededBytes(300 + 150 * i, static_cast<uint8_t>(i)));
            ASSERT_TRUE(t.Post());
        }
        ASSERT_TRUE(test::gotoRecord(t, 3));
        ASSERT_TRUE(t.Delete());
        t.Close();
        base_ = test::snapshotFiles(dir.path());
        before_ = image();
    }

    // The changes of one batch: blobs grown and shrunk (pages freed and taken
    // again by a later record), a new record in the deleted slot, one at the
    // end, a deletion.
    static bool changes(TTableBlob& t) {
        auto setBlob = [&](uint32_t key, std::size_t n, uint8_t seed) {
            if (!test::gotoRecord(t, key)) return false;
            t.Edit();
            test::loadBlob(t, "Dan", test::seededBytes(n, seed));
            return t.Post();
        };
        if (!setBlob(1, 40, 0x71) || !setBlob(2, 1200, 0x72)) return false;
        for (int i = 0; i < 2; ++i) {
            if (!t.Append()) return false;
            t.FieldByName("Name")->setAsString("new" + std::to_string(i));
            test::loadBlob(t, "Dan", test::seededBytes(500, static_cast<uint8_t>(0x80 + i)));
            if (!t.Post()) return false;
        }
        if (!test::gotoRecord(t, 4) || !t.Delete()) return false;
        return setBlob(5, 700, 0x75);
    }

    // What the table holds, read through the real file system (a journal
    // left behind is played back first).
    test::TableImage image() {
        TTableBlob t{test::hooks()};
        test::MessageRecorder rec;
        rec.attach(t);
        t.SetTableName(dir.table("T"));
        if (!t.Open()) {
            ADD_FAILURE() << "the table does not open";
            return {};
        }
        EXPECT_TRUE(t.TestTable());
        EXPECT_TRUE(rec.errors.empty()) << rec.errors.front().second;
        return test::imageOf(t);
    }

    void restore(const Files& files) {
        for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
        for (const auto& [name, bytes] : files) test::writeBytes(dir.path() / name, bytes);
    }

    test::ScratchDir dir;
    Files base_;
    test::TableImage before_;
};

// Catches: a batch that commits each operation on its own (the table would
// hold some of the changes after a crash), a journal that records the old
// bytes of a range again after an earlier operation of the batch changed
// them, playback that leaves the last operation's image instead of the first.
TEST_F(TableBatchTest, ACrashAtAnyDiskOperationLeavesAllOrNothing) {
    {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(t.BeginBatch());
        ASSERT_TRUE(changes(t));
        ASSERT_TRUE(t.CommitBatch());
    }
    const test::TableImage after = image();
    ASSERT_FALSE(after == before_);

    struct Mode {
        bool crash;
        bool torn;
    };
    for (const Mode mode : {Mode{true, false}, Mode{true, true}, Mode{false, false}}) {
        bool completed = false;
        for (uint64_t n = 1; !completed; ++n) {
            ASSERT_LT(n, 3000u) << "the batch never completes";
            SCOPED_TRACE("crash " + std::to_string(mode.crash) + " torn " +
                         std::to_string(mode.torn) + ": disk operation " + std::to_string(n));
            restore(base_);
            FaultInjectingFileSystem faulty;
            bool committed = false;
            {
                test::MessageRecorder quiet;
                TTableBlob t(test::hooks(), faulty);
                t.SetTableName(dir.table("T"));
                ASSERT_TRUE(t.Open());
                faulty.failAt(n, mode.crash, mode.torn);
                if (t.BeginBatch()) {
                    // As a caller does: commit only what went through.
                    if (attempt([&] { return changes(t); })) {
                        committed = t.CommitBatch();
                    } else {
                        (void)t.RollbackBatch();
                    }
                }
                completed = !faulty.failed();
            }
            const test::TableImage found = image();
            if (committed) {
                EXPECT_EQ(found, after) << "commit reported, but the change is not on disk";
            } else {
                EXPECT_EQ(found, before_) << "failed batch left part of its change";
            }
        }
    }
}

// Catches: a journal emptied between the operations of a batch (a process
// killed there would keep the first operations), and a journal that is not
// emptied by the commit.
// Catches: a second table object of the same program (the year's second
// table slot, another thread) opening the table in the middle of a batch and
// playing its live journal back, which would undo part of the batch under it.
TEST_F(TableBatchTest, ASecondObjectDoesNotPlayBackALiveBatch) {
    TTableBlob writer{test::hooks()};
    writer.SetTableName(dir.table("T"));
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.BeginBatch());
    ASSERT_TRUE(changes(writer));
    const Files during = test::snapshotFiles(dir.path());
    {
        TTableBlob other{test::hooks()};
        test::MessageRecorder rec;
        rec.attach(other);
        other.SetTableName(dir.table("T"));
        EXPECT_FALSE(other.Open());
        EXPECT_EQ(test::snapshotFiles(dir.path()), during);
    }
    ASSERT_TRUE(writer.CommitBatch());
    writer.Close();
    TTableBlob other{test::hooks()};
    other.SetTableName(dir.table("T"));
    ASSERT_TRUE(other.Open());
    EXPECT_EQ(other.RecordCount(), 5u);
}

// Catches: an object opened before the batch began writing the same table in
// the middle of it; its journal would overwrite the batch's saved bytes, so a
// rollback of the batch would then leave its writes on disk.
TEST_F(TableBatchTest, AnotherObjectCannotWriteUnderALiveBatch) {
    TTableBlob writer{test::hooks()};
    writer.SetTableName(dir.table("T"));
    TTableBlob other{test::hooks()};
    other.SetTableName(dir.table("T"));
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(other.Open());
    ASSERT_TRUE(writer.BeginBatch());
    ASSERT_TRUE(changes(writer));
    ASSERT_TRUE(test::gotoRecord(other, 1));
    other.Edit();
    other.FieldByName("Name")->setAsString("other");
    EXPECT_FALSE(attempt([&] { return other.Post(); }));
    other.Close();
    EXPECT_TRUE(writer.RollbackBatch());
    writer.Close();
    EXPECT_TRUE(image() == before_);
}

TEST_F(TableBatchTest, TheJournalStaysUntilTheCommit) {
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.BeginBatch());
    ASSERT_TRUE(changes(t));
    // The disk as a kill -9 would leave it now.
    const Files killed = test::snapshotFiles(dir.path());
    ASSERT_TRUE(killed.count("T.bj"));
    EXPECT_GT(killed.at("T.bj").size(), 36u);
    ASSERT_TRUE(t.CommitBatch());
    const Files committed = test::snapshotFiles(dir.path());
    EXPECT_TRUE(!committed.count("T.bj") || committed.at("T.bj").empty());
    t.Close();
    const test::TableImage after = image();

    restore(killed);
    EXPECT_EQ(image(), before_);
    EXPECT_FALSE(fs::exists(dir.path() / "T.bj"));
    // The commit survives a close and reopen unchanged.
    restore(committed);
    EXPECT_EQ(image(), after);
}

// Catches: a rollback that leaves the object describing the undone records
// (the next operation would write over the restored slots), a close that
// keeps an open batch's changes, a batch that goes on after a failed step.
TEST_F(TableBatchTest, RollbackCloseAndFailureUndoTheWholeBatch) {
    {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(t.BeginBatch());
        EXPECT_FALSE(t.BeginBatch()) << "batches do not nest";
        ASSERT_TRUE(changes(t));
        EXPECT_TRUE(t.RollbackBatch());
        EXPECT_FALSE(t.InBatch());
        EXPECT_EQ(t.RecordCount(), 4u);
        EXPECT_EQ(test::imageOf(t), before_);
        // The object goes on from the restored state.
        ASSERT_TRUE(t.Append());
        t.FieldByName("Name")->setAsString("after");
        ASSERT_TRUE(t.Post());
    }
    test::TableImage one = image();
    EXPECT_EQ(one.records.size(), 5u);
    EXPECT_EQ(one.records.count(6), 1u);

    restore(base_);
    {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(t.BeginBatch());
        ASSERT_TRUE(changes(t));
        t.Close();
    }
    EXPECT_EQ(image(), before_) << "closing with a batch open keeps its changes";

    restore(base_);
    FaultInjectingFileSystem faulty;
    {
        test::MessageRecorder quiet;
        TTableBlob t(test::hooks(), faulty);
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(t.BeginBatch());
        ASSERT_TRUE(test::gotoRecord(t, 1));
        t.Edit();
        t.FieldByName("Name")->setAsString("changed");
        ASSERT_TRUE(t.Post());
        ASSERT_TRUE(test::gotoRecord(t, 2));
        t.Edit();
        t.FieldByName("Name")->setAsString("fails");
        // One disk operation fails; the disk works again afterwards.
        faulty.failAt(1, false);
        EXPECT_FALSE(attempt([&] { return t.Post(); }));
        EXPECT_EQ(test::imageOf(t), before_);
        ASSERT_TRUE(test::gotoRecord(t, 5));
        t.Edit();
        t.FieldByName("Name")->setAsString("too late");
        EXPECT_FALSE(t.Post()) << "the batch went on after a failed step";
        EXPECT_FALSE(t.Append());
        EXPECT_FALSE(t.CommitBatch());
    }
    EXPECT_EQ(image(), before_);
}

// Catches: a whole-file replacement inside a batch, which the batch's
// journal cannot undo, and a reopening operation that keeps half a batch.
TEST_F(TableBatchTest, WholeFileOperationsDoNotMixWithABatch) {
    TTableBlob t{test::hooks()};
    test::MessageRecorder quiet;
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.BeginBatch());
    ASSERT_TRUE(changes(t));
    EXPECT_FALSE(t.EmptyTable());
    EXPECT_TRUE(t.InBatch());
    // Pack reopens the table: the batch is rolled back before it packs.
    EXPECT_TRUE(t.PackTable());
    EXPECT_FALSE(t.InBatch());
    t.Close();
    test::TableImage packed = image();
    EXPECT_EQ(packed.records, before_.records);
    EXPECT_EQ(packed.deletedSlots, 0u);
}

}  // namespace
}  // namespace zavlin
