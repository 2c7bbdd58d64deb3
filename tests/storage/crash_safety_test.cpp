// Crash safety of every operation that changes a table. For N = 1, 2, 3, ...
// the N-th disk operation fails (once, or from then on as when the program
// dies there, optionally leaving half of a write on disk) until the operation
// gets through without meeting the fault. After each failure a fresh object
// on the real file system must open the table (settling a journal or a
// replacement left behind), pass the consistency check and hold exactly the
// records of before or exactly those of after the operation, never a mix;
// an operation that reported success must have left the new records; and
// running the operation again from what was left must succeed.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/file_system.h"
#include "storage/journal.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::seededBytes;
using Bytes = std::vector<uint8_t>;
using Files = std::map<std::string, Bytes>;

enum class Mode { Single, SingleTorn, Crash, TornCrash, SingleSynced };

struct Step {
    // Positions the cursor; runs before the fault counting starts.
    std::function<void(TTableBlob&)> prepare;
    // The operation; false or an exception is a reported failure.
    std::function<bool(TTableBlob&)> run;
};

// One case: changes made to the base table before the baseline is taken,
// then the steps under test. Each step is one operation, so after a failure
// the table may hold the state before any step or after any whole step.
struct Case {
    std::function<void(TTableBlob&)> setup;
    std::vector<Step> steps;
};

// The records and the page and deleted-record bookkeeping of the header: a
// change rolled back must restore both, or pages leak or are handed out twice.
struct State {
    test::TableImage image;
    std::array<uint32_t, 5> chains{};  // pages all, free, last freed; last deleted key, slot
    bool operator==(const State&) const = default;
};

std::string describe(const State& s) {
    return test::describe(s.image) + "; pages " + std::to_string(s.chains[0]) + "/" +
           std::to_string(s.chains[1]) + "/" + std::to_string(s.chains[2]) + "; deleted " +
           std::to_string(s.chains[3]) + "@" + std::to_string(s.chains[4]);
}
void PrintTo(const State& s, std::ostream* out) {
    *out << describe(s);
}

// The fault loops write, sync and rename small files thousands of times; in
// a memory file system that takes milliseconds instead of a disk's seconds.
std::unique_ptr<test::ScratchDir> scratchInMemory() {
    const char* was = std::getenv("TMPDIR");
    const std::string saved = was ? was : "";
    if (std::filesystem::is_directory("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 1);
    auto dir = std::make_unique<test::ScratchDir>();
    if (was) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    return dir;
}

void restoreFiles(const test::ScratchDir& dir, const Files& files) {
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        std::filesystem::remove(e.path());
    for (const auto& [name, bytes] : files) test::writeBytes(dir.path() / name, bytes);
}

// Three records (keys 1-3) with a text and a 20-30 byte value in pages of 16.
void buildSmallTable(const test::ScratchDir& dir) {
    TTableBlob t{test::hooks()};
    test::createTable(t, dir, "T", {"N:ftAutoInc", "Gryp:ftString:5", "Num:ftInteger"});
    ASSERT_NE(t.AddBlobField("Dan", 16), nullptr);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(t.Append());
        t.FieldByName("Gryp")->setAsString("g" + std::to_string(i));
        test::loadBlob(t, "Dan",
                       seededBytes(static_cast<std::size_t>(20 + 5 * i), static_cast<uint8_t>(i)));
        ASSERT_TRUE(t.Post());
    }
    t.Close();
}

bool runStep(TTableBlob& t, const Step& s) {
    try {
        if (s.prepare) s.prepare(t);
        return s.run(t);
    } catch (const std::exception&) {
        return false;
    }
}

class CrashSafetyTest : public ::testing::TestWithParam<Mode> {
protected:
    // Keys 1-4 with values of 18 (shrunk from 40: one page freed), 10, 20 and
    // 33 bytes in pages of 16; key 2 deleted.
    void SetUp() override {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "Gryp:ftString:5", "Num:ftInteger"});
        ASSERT_NE(t.AddBlobField("Dan", 16), nullptr);
        const std::vector<std::pair<std::string, std::size_t>> rows = {
            {"ИП-31", 40}, {"Б-2", 10}, {"Д-1", 20}, {"АБВ", 33}};
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("Gryp")->setAsString(rows[i].first);
            t.FieldByName("Num")->setAsInteger(static_cast<int64_t>(100 + i));
            test::loadBlob(t, "Dan", seededBytes(rows[i].second, static_cast<uint8_t>(i)));
            ASSERT_TRUE(t.Post());
        }
        ASSERT_TRUE(test::gotoRecord(t, 1));
        test::loadBlob(t, "Dan", seededBytes(18, 9));
        ASSERT_TRUE(t.Post());
        ASSERT_TRUE(test::gotoRecord(t, 2));
        ASSERT_TRUE(t.Delete());
        ASSERT_EQ(t.Headr().FCountPageEmpty, 1u);
        t.Close();
        base_ = test::snapshotFiles(dir.path());
    }
    void restore(const Files& files) { restoreFiles(dir, files); }

    // What a fresh object on the real file system finds; fails the test when
    // the table does not open or does not pass the check.
    State freshState() {
        test::MessageRecorder recorder;
        TTableBlob r{test::hooks()};
        recorder.attach(r);
        r.SetTableName(dir.table("T"));
        if (!r.Open()) {
            ADD_FAILURE() << "the table does not open: code "
                          << (recorder.errors.empty() ? 0 : recorder.errors.front().first);
            return {};
        }
        State state{test::imageOf(r), {}};
        const ATableBlobHead& h = r.Headr();
        state.chains = {h.FCountPageAll, h.FCountPageEmpty, h.FLastEmptyPageN, h.FAutoIncDelRec,
                        h.FIndexDelRec};
        EXPECT_TRUE(r.TestTable()) << "check fails with code "
                                   << (recorder.errors.empty() ? 0 : recorder.errors.front().first);
        r.Close();
        // The journal and the replacement have been settled.
        for (const char* ext : {".bj", ".bt", ".b0t", ".b1t", ".b2t"})
            EXPECT_FALSE(std::filesystem::exists(dir.table("T") + ext)) << ext << " left behind";
        return state;
    }

    // Runs steps [from, to) on the real file system; true when all succeed.
    bool runClean(const Case& c, std::size_t from, std::size_t to) {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        if (!t.Open()) return false;
        bool ok = true;
        for (std::size_t i = from; i < to && ok; ++i) ok = runStep(t, c.steps[i]);
        t.Close();
        return ok;
    }

    void check(const Case& c) {
        const Mode mode = GetParam();
        // The disk under the faults: only the synced mode waits for it.
        RealFileSystem disk(mode == Mode::SingleSynced);
        const bool crash = mode == Mode::Crash || mode == Mode::TornCrash;
        const bool torn = mode == Mode::SingleTorn || mode == Mode::TornCrash;

        // The baseline and the state after each whole step, without faults.
        restore(base_);
        if (c.setup) {
            TTableBlob t{test::hooks()};
            t.SetTableName(dir.table("T"));
            ASSERT_TRUE(t.Open());
            c.setup(t);
            t.Close();
        }
        const Files baseline = test::snapshotFiles(dir.path());
        std::vector<State> states = {freshState()};
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            ASSERT_TRUE(runClean(c, i, i + 1)) << "step " << i << " fails without a fault";
            states.push_back(freshState());
            ASSERT_FALSE(states[i + 1] == states[i]) << "step " << i << " changes nothing";
        }
        if (HasFailure()) return;

        bool completed = false;
        for (uint64_t n = 1; !completed && !HasFailure(); ++n) {
            ASSERT_LT(n, 5000u) << "the operation never completes";
            SCOPED_TRACE("disk operation " + std::to_string(n) + " fails");
            restore(baseline);
            FaultInjectingFileSystem fs(disk);
            std::size_t done = 0;
            bool reported = true;
            {
                test::MessageRecorder quiet;
                TTableBlob t(test::hooks(), fs);
                t.SetTableName(dir.table("T"));
                ASSERT_TRUE(t.Open());
                for (; done < c.steps.size(); ++done) {
                    Step step = c.steps[done];
                    if (done == 0) {
                        if (step.prepare) step.prepare(t);
                        step.prepare = nullptr;
                        fs.failAt(n, crash, torn);
                    }
                    if (!runStep(t, step)) {
                        reported = false;
                        break;
                    }
                }
                completed = !fs.failed();
                t.Close();
            }
            if (completed) {
                EXPECT_TRUE(reported) << "fails without a disk fault";
            }
            const State found = freshState();
            std::size_t at = states.size();
            for (std::size_t i = 0; i < states.size(); ++i)
                if (found == states[i]) at = i;
            if (at == states.size()) {
                ADD_FAILURE() << "the table holds neither the old nor the new records:\n  found  "
                              << describe(found) << "\n  before " << describe(states.front())
                              << "\n  after  " << describe(states.back());
                continue;
            }
            // Steps reported done are on disk.
            EXPECT_GE(at, done) << "a step reported done is not on disk";
            if (reported) {
                EXPECT_EQ(at, c.steps.size()) << "success reported, but the change is not on disk";
            }
            // What is left can be brought to the end by running the rest again.
            if (at < c.steps.size()) {
                EXPECT_TRUE(runClean(c, at, c.steps.size()))
                    << "running again from step " << at << " fails";
                EXPECT_EQ(freshState(), states.back()) << "running again from step " << at;
            }
        }
    }

    std::unique_ptr<test::ScratchDir> scratch_ = scratchInMemory();
    test::ScratchDir& dir = *scratch_;
    Files base_;
};

void at(TTableBlob& t, uint32_t key) {
    if (!test::gotoRecord(t, key)) throw std::runtime_error("no record " + std::to_string(key));
}

Step postBlob(uint32_t key, Bytes value) {
    return {[key](TTableBlob& t) { at(t, key); },
            [value](TTableBlob& t) {
                TMemoryStream s(value);
                t.FindBlobField()->LoadFromStream(s);
                return t.Post();
            }};
}

Step appendStep() {
    return {nullptr, [](TTableBlob& t) { return t.Append(); }};
}

// Catches a pack that swaps some files and not others, or loses the index.
TEST_P(CrashSafetyTest, PackTable) {
    check({nullptr, {{nullptr, [](TTableBlob& t) { return t.PackTable(); }}}});
}

// Catches a widening that leaves the temporary field, or half the texts
// copied, after a failure (the operation could then never be repeated).
TEST_P(CrashSafetyTest, SetNewSizeStringField) {
    check({nullptr, {{nullptr, [](TTableBlob& t) {
                          std::string message;
                          return t.SetNewSizeStringField("Gryp", 12, message);
                      }}}});
}

// Catches a page resize that mixes files of the temporary table with the
// table's own, or whose leftovers break the next attempt.
TEST_P(CrashSafetyTest, SetNewSizeBlobField) {
    check({nullptr, {{nullptr, [](TTableBlob& t) {
                          std::string message;
                          return t.SetNewSizeBlobField("Dan", 32, message);
                      }}}});
}

// Catches a new .b1 with the old .b0 (or the reverse) after a failure.
TEST_P(CrashSafetyTest, DeleteStringField) {
    check({nullptr, {{nullptr, [](TTableBlob& t) { return t.DeleteFieldName(1); }}}});
}

// Catches .b2 removed while .b0 still describes the blob field.
TEST_P(CrashSafetyTest, DeleteOnlyBlobField) {
    check({nullptr, {{nullptr, [](TTableBlob& t) { return t.DeleteFieldName(3); }}}});
}

// Catches old slots and new descriptions (or the reverse) after a failure.
TEST_P(CrashSafetyTest, AddFieldToTableWithRecords) {
    check({nullptr,
           {{nullptr, [](TTableBlob& t) { return t.AddStringField("Kurs", 8) != nullptr; }}}});
}

// Reuses the deleted slot (its pages freed), takes the free page and
// appends pages. Catches a slot pointing at pages never written, and free
// pages counted twice.
TEST_P(CrashSafetyTest, AppendAndPostReusingDeletedSlot) {
    check({nullptr, {appendStep(), postBlob(5, seededBytes(60, 20))}});
}

// At the end of .b1 (no deleted slot to reuse).
TEST_P(CrashSafetyTest, AppendAndPostAtTheEnd) {
    check({[](TTableBlob& t) {
               t.SetIndexActivRecordAll(t.Headr().FIndexDelRec);
               ASSERT_TRUE(t.UnDelete());
           },
           {appendStep(), postBlob(5, seededBytes(45, 21))}});
}

// Catches a shorter value whose freed pages are on the free chain while the
// slot still names them, or the reverse.
TEST_P(CrashSafetyTest, PostShorterBlob) {
    check({nullptr, {postBlob(4, seededBytes(5, 22))}});
}

// Takes the free page and appends two: catches a chain that names pages the
// failed write never put on disk.
TEST_P(CrashSafetyTest, PostLongerBlob) {
    check({nullptr, {postBlob(1, seededBytes(70, 23))}});
}

// Same page count: overwritten in place.
TEST_P(CrashSafetyTest, PostBlobOfSamePageCount) {
    check({nullptr, {postBlob(3, seededBytes(31, 24))}});
}

// Catches a deleted-record chain in the header that disagrees with the slots.
TEST_P(CrashSafetyTest, Delete) {
    check({nullptr, {{[](TTableBlob& t) { at(t, 3); }, [](TTableBlob& t) { return t.Delete(); }}}});
}

// Catches a slot brought back while the header still names it as the
// last deleted record (the next append would take a live slot).
TEST_P(CrashSafetyTest, UnDelete) {
    check({nullptr,
           {{[](TTableBlob& t) { t.SetIndexActivRecordAll(t.Headr().FIndexDelRec); },
             [](TTableBlob& t) { return t.UnDelete(); }}}});
}

// Catches an emptied .b1 with the old header (or the reverse).
TEST_P(CrashSafetyTest, EmptyTable) {
    check({nullptr, {{nullptr, [](TTableBlob& t) { return t.EmptyTable(); }}}});
}

INSTANTIATE_TEST_SUITE_P(Modes, CrashSafetyTest,
                         ::testing::Values(Mode::Single, Mode::SingleTorn, Mode::Crash,
                                           Mode::TornCrash, Mode::SingleSynced),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                             switch (info.param) {
                                 case Mode::Single:
                                     return std::string("SingleFailure");
                                 case Mode::SingleTorn:
                                     return std::string("SingleTornWrite");
                                 case Mode::Crash:
                                     return std::string("Crash");
                                 case Mode::TornCrash:
                                     return std::string("CrashWithTornWrite");
                                 case Mode::SingleSynced:
                                     return std::string("SingleFailureSynced");
                             }
                             return std::string();
                         });

// A table re-created over one that an operation cut short left with a
// journal. Catches the old journal played back over the new, empty table
// (its old header bytes make the new .b0 fail the open).
TEST(CrashLeftovers, CreateFileOverTableWithJournal) {
    auto scratch = scratchInMemory();
    const test::ScratchDir& dir = *scratch;
    // The program dies in the middle of a rewrite, after old bytes of .b0
    // went into the journal.
    bool left = false;
    for (uint64_t n = 1; n < 200 && !left; ++n) {
        buildSmallTable(dir);
        FaultInjectingFileSystem fs;
        {
            test::MessageRecorder quiet;
            TTableBlob t(test::hooks(), fs);
            t.SetTableName(dir.table("T"));
            ASSERT_TRUE(t.Open());
            ASSERT_TRUE(test::gotoRecord(t, 2));
            test::loadBlob(t, "Dan", seededBytes(90, 7));
            fs.failAt(n, true);
            try {
                (void)t.Post();
            } catch (const std::exception&) {
            }
            if (!fs.failed()) break;
        }
        // Header, and at least the entry with the 68 old header bytes of .b0.
        left = test::readBytes(dir.table("T") + ".bj").size() >= 36 + 21 + 68;
    }
    ASSERT_TRUE(left) << "no crash left a journal with old bytes";

    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.CreateFile());
    ASSERT_NE(t.AddAutoIncField("K"), nullptr);
    ASSERT_TRUE(t.Append());
    t.Close();
    EXPECT_FALSE(std::filesystem::exists(dir.table("T") + ".bj"));
    test::MessageRecorder recorder;
    recorder.attach(t);
    ASSERT_TRUE(t.Open()) << (recorder.errors.empty() ? 0 : recorder.errors.front().first);
    EXPECT_EQ(t.FieldCount(), 1);
    EXPECT_EQ(t.RecordCount(), 1u);
    EXPECT_TRUE(t.TestTable());
    t.Close();
}

// After a single disk failure the program goes on with the same object.
// Catches an object left describing one version of the table while the
// files on disk (or those a pending replacement will put in place at the
// next open) are another: a Post reported done must survive.
class ContinueAfterFailure : public ::testing::TestWithParam<int> {};

TEST_P(ContinueAfterFailure, PostAfterFailedOperation) {
    // Syncing on: the syncs before the journal is emptied fail in turn too.
    RealFileSystem disk(true);
    auto scratch = scratchInMemory();
    const test::ScratchDir& dir = *scratch;
    buildSmallTable(dir);
    const Files base = test::snapshotFiles(dir.path());
    const std::function<bool(TTableBlob&)> ops[] = {
        [](TTableBlob& t) { return t.AddStringField("Kurs", 8) != nullptr; },
        [](TTableBlob& t) { return t.DeleteFieldName(2); },
        [](TTableBlob& t) {
            std::string m;
            return t.SetNewSizeStringField("Gryp", 9, m);
        },
        [](TTableBlob& t) { return t.MoveFieldNameUp(3); },
        [](TTableBlob& t) {
            if (!t.Append()) return false;
            test::loadBlob(t, "Dan", seededBytes(70, 9));
            return t.Post();
        },
        [](TTableBlob& t) {
            at(t, 3);
            return t.Delete();
        },
        [](TTableBlob& t) { return t.EmptyTable(); },
        [](TTableBlob& t) {
            std::string m;
            return t.SetNewSizeBlobField("Dan", 32, m);
        },
    };
    const auto& op = ops[GetParam()];
    int checked = 0;
    bool completed = false;
    for (uint64_t n = 1; !completed && !HasFailure(); ++n) {
        SCOPED_TRACE("disk operation " + std::to_string(n) + " fails");
        restoreFiles(dir, base);
        FaultInjectingFileSystem fs(disk);
        bool posted = false;
        test::TableImage seen;
        {
            test::MessageRecorder quiet;
            TTableBlob t(test::hooks(), fs);
            t.SetTableName(dir.table("T"));
            ASSERT_TRUE(t.Open());
            fs.failAt(n, false);
            bool ok = false;
            try {
                ok = op(t);
            } catch (const std::exception&) {
            }
            completed = !fs.failed();
            if (ok || !t.Active()) continue;
            try {
                // The failed edit is abandoned (values still pending in the
                // fields would go into the next record posted).
                for (int i = 0; i < t.FieldCount(); ++i) t.Field(i)->Clear();
                if (test::gotoRecord(t, 2)) {
                    t.Edit();
                    t.FieldByName("Gryp")->setAsString("after");
                    posted = t.Post();
                }
                if (posted) seen = test::imageOf(t);
            } catch (const std::exception&) {
                posted = false;
            }
            t.Close();
        }
        if (!posted) continue;
        // What the object showed is what the disk holds.
        TTableBlob r{test::hooks()};
        r.SetTableName(dir.table("T"));
        ASSERT_TRUE(r.Open());
        EXPECT_TRUE(r.TestTable());
        EXPECT_EQ(test::imageOf(r), seen);
        ASSERT_TRUE(test::gotoRecord(r, 2));
        EXPECT_EQ(r.FieldByName("Gryp")->asString(), "after") << "a Post reported done is lost";
        // The deleted-record chain names deleted slots only.
        EXPECT_TRUE(r.Append());
        r.Close();
        ++checked;
    }
    EXPECT_GT(checked, 0) << "no failure left the object open";
}

std::string restructuringName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"AddField",   "DeleteField",        "SetNewSizeStringField",
                                        "MoveField",  "AppendAndPost",      "Delete",
                                        "EmptyTable", "SetNewSizeBlobField"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Operations, ContinueAfterFailure, ::testing::Range(0, 8),
                         restructuringName);

// The recovery at open can itself be cut short: a failure while a journal is
// played back or a plan is run must leave them for the next open, which
// then finishes the job. Catches a playback that skips a file it cannot open
// (or a plan step that fails) and still removes the journal or the plan.
class InterruptedRecovery : public ::testing::TestWithParam<bool> {};

TEST_P(InterruptedRecovery, CanBeRepeated) {
    const bool plan = GetParam();
    auto scratch = scratchInMemory();
    const test::ScratchDir& dir = *scratch;
    buildSmallTable(dir);
    {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(test::gotoRecord(t, 2));
        ASSERT_TRUE(t.Delete());
        t.Close();
    }
    const Files base = test::snapshotFiles(dir.path());
    const auto restore = [&](const Files& files) { restoreFiles(dir, files); };
    const auto image = [&] {
        TTableBlob r{test::hooks()};
        r.SetTableName(dir.table("T"));
        EXPECT_TRUE(r.Open());
        test::TableImage i = test::imageOf(r);
        EXPECT_TRUE(r.TestTable());
        r.Close();
        return i;
    };
    const test::TableImage before = image();
    // The last crash of the operation that leaves a journal (changes to
    // undo in all three files) or a committed plan (renames still to run).
    const char* const leftover = plan ? ".bt" : ".bj";
    Files crashed;
    for (uint64_t n = 1;; ++n) {
        ASSERT_LT(n, 1000u);
        restore(base);
        FaultInjectingFileSystem fs;
        {
            test::MessageRecorder quiet;
            TTableBlob t(test::hooks(), fs);
            t.SetTableName(dir.table("T"));
            ASSERT_TRUE(t.Open());
            ASSERT_TRUE(test::gotoRecord(t, 1));
            test::loadBlob(t, "Dan", seededBytes(90, 9));
            fs.failAt(n, true);
            try {
                if (plan) {
                    (void)t.PackTable();
                } else {
                    (void)t.Post();  // grows the value: all three files change
                }
            } catch (const std::exception&) {
            }
            if (!fs.failed()) break;
        }
        if (test::readBytes(dir.table("T") + leftover).size() > 0)
            crashed = test::snapshotFiles(dir.path());
    }
    ASSERT_FALSE(crashed.empty()) << "no crash left " << leftover;
    restore(crashed);
    const test::TableImage settled = image();
    EXPECT_TRUE(plan ? !(settled == before) : settled == before);

    bool completed = false;
    for (uint64_t k = 1; !completed; ++k) {
        ASSERT_LT(k, 1000u);
        SCOPED_TRACE("disk operation " + std::to_string(k) + " of the recovery fails");
        restore(crashed);
        FaultInjectingFileSystem fs;
        fs.failAt(k, false);
        test::TableImage expected = settled;
        {
            test::MessageRecorder quiet;
            TTableBlob t(test::hooks(), fs);
            t.SetTableName(dir.table("T"));
            // An open that succeeds must stand on settled files: work done
            // through it stays.
            const bool opened = t.Open();
            completed = !fs.failed();
            if (opened) {
                fs.failAt(0);
                bool posted = false;
                try {
                    if (test::gotoRecord(t, 3)) {
                        t.Edit();
                        t.FieldByName("Gryp")->setAsString("after");
                        posted = t.Post();
                    }
                } catch (const std::exception&) {
                }
                EXPECT_TRUE(posted);
                if (posted) expected.records[3]["Gryp"] = {'a', 'f', 't', 'e', 'r'};
                t.Close();
            }
        }
        EXPECT_EQ(image(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Leftovers, InterruptedRecovery, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Plan" : "Journal");
                         });

}  // namespace
}  // namespace zavlin
