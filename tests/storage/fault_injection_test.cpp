// Disk failures in the middle of an operation. For N = 1, 2, 3, ... the N-th
// disk operation of Append+Post, Delete and CreateFile+AddField fails (once,
// or from then on as in a crash, optionally with a torn write) until the
// operation gets through without meeting the fault. After each failure:
//  - the operation reports failure (false or ERangeError), never success
//    unless its whole effect is on disk, and never crashes;
//  - the object can still be closed and used again;
//  - a fresh object on the real file system either opens the table with
//    every record posted before intact, or refuses it with a length code
//    60-63 (a half-finished operation across files is for a later re-index).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/errors.h"
#include "storage/file_system.h"
#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::readBytes;
using test::writeBytes;
using Bytes = std::vector<uint8_t>;

constexpr int kPageSize = 64;

Bytes pattern(std::size_t n, uint8_t seed) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 13);
    return v;
}

struct Rec {
    std::string name;
    Bytes blob;
    bool operator==(const Rec&) const = default;
};
using Records = std::map<uint32_t, Rec>;

enum class Mode { Single, Crash, TornCrash };
const char* modeName(Mode m) {
    return m == Mode::Single  ? "single failure"
           : m == Mode::Crash ? "crash"
                              : "crash with torn write";
}

// What a fresh object on the real file system finds.
struct DiskState {
    bool opened = false;
    std::vector<uint16_t> codes;  // ErrorOpen codes when not opened
    int fields = 0;
    uint16_t pageLength = 0;
    Records records;
};

DiskState readDisk(const test::ScratchDir& dir) {
    DiskState s;
    test::MessageRecorder recorder;
    TTableBlob t{test::hooks()};
    recorder.attach(t);
    t.SetTableName(dir.table("T"));
    s.opened = t.Open();
    if (!s.opened) {
        for (const auto& e : recorder.errors) s.codes.push_back(e.first);
        return s;
    }
    s.fields = t.FieldCount();
    s.pageLength = t.LengthPageBlob();
    TField* name = t.FieldByName("Name");
    TBlobField* dan = t.FindBlobField();
    if (t.FieldCount() > 0 && name && dan) {
        t.First();
        while (!t.Eof()) {
            Rec r;
            uint32_t key = 0;
            try {
                key = static_cast<uint32_t>(t.Field(0)->asInteger());
                r.name = name->asString();
                TMemoryStream m;
                dan->SaveToStream(m);
                r.blob = m.Bytes();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "a record cannot be read back: " << e.what();
            }
            s.records[key] = r;
            t.Next();
        }
    }
    t.Close();
    return s;
}

struct Operation {
    // Runs on the opened table before the counting starts (positioning).
    std::function<void(TTableBlob&)> prepare;
    // The operation under test; false or ERangeError is a reported failure.
    std::function<bool(TTableBlob&)> run;
    // Checks the disk after the operation reported success.
    std::function<void(const DiskState&)> checkSuccess;
    // Records that must survive a failure (the others may be gone or changed).
    Records mustSurvive;
    // CreateFile starts from no open table.
    bool openFirst = true;
};

class FaultInjectionTest : public ::testing::TestWithParam<Mode> {
protected:
    // Builds the table: four records, page size 64 so values span pages,
    // record 3 shrunk so that four pages are free.
    void SetUp() override {
        TTableBlob t{test::hooks()};
        test::createTable(t, dir, "T", {"N:ftAutoInc", "Name:ftString:20"});
        ASSERT_NE(t.AddBlobField("Dan", kPageSize), nullptr);
        const std::vector<std::pair<std::string, Bytes>> values = {{"один", pattern(100, 1)},
                                                                   {"два", pattern(130, 2)},
                                                                   {"три", pattern(300, 3)},
                                                                   {"четыре", pattern(64, 4)}};
        uint32_t key = 0;
        for (const auto& [name, blob] : values) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("Name")->setAsString(name);
            TMemoryStream s(blob);
            t.FindBlobField()->LoadFromStream(s);
            ASSERT_TRUE(t.Post());
            records[++key] = {name, blob};
        }
        position(t, 3);
        TMemoryStream shorter(pattern(10, 5));
        t.FindBlobField()->LoadFromStream(shorter);
        ASSERT_TRUE(t.Post());
        records[3].blob = pattern(10, 5);
        ASSERT_EQ(t.Headr().FCountPageEmpty, 4u);
        t.Close();
        snapshot();
    }

    static void position(TTableBlob& t, uint32_t key) {
        t.First();
        while (!t.Eof()) {
            if (static_cast<uint32_t>(t.Field(0)->asInteger()) == key) return;
            t.Next();
        }
        FAIL() << "no record with key " << key;
    }

    void snapshot() {
        baseline.clear();
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            baseline[e.path()] = readBytes(e.path());
    }
    void restore() {
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove(e.path());
        for (const auto& [p, bytes] : baseline) writeBytes(p, bytes);
    }

    void deleteRecord(uint32_t key) {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        position(t, key);
        ASSERT_TRUE(t.Delete());
        t.Close();
        records.erase(key);
        snapshot();
    }

    void runWithFaults(const Operation& op) {
        const Mode mode = GetParam();
        bool completed = false;
        for (uint64_t n = 1; !completed; ++n) {
            ASSERT_LT(n, 2000u) << "the operation never completes";
            SCOPED_TRACE(std::string(modeName(mode)) + " at disk operation " + std::to_string(n));
            restore();
            FaultInjectingFileSystem fs;
            test::MessageRecorder quiet;
            TTableBlob t(test::hooks(), fs);
            t.SetTableName(dir.table("T"));
            if (op.openFirst) {
                ASSERT_TRUE(t.Open());
                op.prepare(t);
            }
            fs.failAt(n, mode != Mode::Single, mode == Mode::TornCrash);
            bool reported = false;
            try {
                reported = op.run(t);
            } catch (const ERangeError&) {
                reported = false;
            }
            completed = !fs.failed();
            if (completed) {
                EXPECT_TRUE(reported) << "failed without a disk fault";
            }
            t.Close();
            const DiskState disk = readDisk(dir);
            // The object is still usable once the disk works again.
            fs.failAt(0);
            if (t.Open()) t.Close();
            if (reported) {
                // Only a failure the engine may ignore (a file it removes
                // anyway) can come with success; the effect must be whole.
                if (disk.opened) {
                    op.checkSuccess(disk);
                } else {
                    ADD_FAILURE() << "success was reported, but the table does not open (code "
                                  << (disk.codes.empty() ? 0 : disk.codes.front()) << ")";
                }
                continue;
            }
            if (!disk.opened) {
                ASSERT_FALSE(disk.codes.empty());
                EXPECT_GE(disk.codes.front(), 60) << "open fails with code " << disk.codes.front();
                EXPECT_LE(disk.codes.front(), 63) << "open fails with code " << disk.codes.front();
                continue;
            }
            for (const auto& [key, rec] : op.mustSurvive) {
                auto it = disk.records.find(key);
                if (it == disk.records.end()) {
                    ADD_FAILURE() << "record " << key << " (" << rec.name << ") is lost";
                } else {
                    EXPECT_EQ(it->second.name, rec.name) << "record " << key;
                    EXPECT_TRUE(it->second.blob == rec.blob)
                        << "blob of record " << key << " damaged";
                }
            }
        }
    }

    Operation appendBlobRecord(const Bytes& blob) {
        Operation op;
        op.prepare = [](TTableBlob&) {};
        op.run = [blob](TTableBlob& t) {
            if (!t.Append()) return false;
            t.FieldByName("Name")->setAsString("новая");
            TMemoryStream s(blob);
            t.FindBlobField()->LoadFromStream(s);
            return t.Post();
        };
        op.mustSurvive = records;
        op.checkSuccess = [this, blob](const DiskState& d) {
            EXPECT_EQ(d.records.size(), records.size() + 1);
            for (const auto& [key, rec] : records) {
                auto it = d.records.find(key);
                EXPECT_TRUE(it != d.records.end() && it->second == rec) << "record " << key;
            }
            bool found = false;
            for (const auto& [key, rec] : d.records) found = found || (rec == Rec{"новая", blob});
            EXPECT_TRUE(found) << "the appended record is not on disk";
        };
        return op;
    }

    test::ScratchDir dir;
    test::MessageRecorder recorder;
    Records records;
    std::map<std::filesystem::path, Bytes> baseline;
};

// At the end of .b1: takes the four free pages and appends four more.
// Catches a blob write whose pages reach the disk in an order that leaves an
// older record pointing at foreign data, and failures reported as success.
TEST_P(FaultInjectionTest, AppendAndPostOfBlobRecord) {
    runWithFaults(appendBlobRecord(pattern(500, 9)));
}

// Reuses the slot of a deleted record, whose three pages are freed first.
// Catches freed pages of the deleted record being handed to a live one.
TEST_P(FaultInjectionTest, AppendAndPostReusingDeletedSlot) {
    deleteRecord(2);
    runWithFaults(appendBlobRecord(pattern(200, 10)));
}

// Catches a failed Delete reported as done, and one that damages the
// records around it.
TEST_P(FaultInjectionTest, DeleteOfRecord) {
    Operation op;
    op.prepare = [](TTableBlob& t) { position(t, 3); };
    op.run = [](TTableBlob& t) { return t.Delete(); };
    op.mustSurvive = records;
    op.mustSurvive.erase(3);
    op.checkSuccess = [this](const DiskState& d) {
        Records expected = records;
        expected.erase(3);
        EXPECT_TRUE(d.records == expected)
            << "after Delete the disk holds " << d.records.size() << " records";
    };
    runWithFaults(op);
}

// Overwrites the existing table. Catches a CreateFile that reports success
// over leftovers of the old table, and a field added in memory only.
TEST_P(FaultInjectionTest, CreateFileAndAddFields) {
    Operation op;
    op.openFirst = false;
    op.run = [](TTableBlob& t) {
        return t.CreateFile() && t.AddAutoIncField("N") != nullptr &&
               t.AddStringField("Name", 20) != nullptr &&
               t.AddBlobField("Dan", kPageSize) != nullptr;
    };
    op.checkSuccess = [](const DiskState& d) {
        EXPECT_EQ(d.fields, 3);
        EXPECT_EQ(d.pageLength, kPageSize);
        EXPECT_TRUE(d.records.empty());
    };
    runWithFaults(op);
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultInjectionTest,
                         ::testing::Values(Mode::Single, Mode::Crash, Mode::TornCrash),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                             return info.param == Mode::Single  ? std::string("SingleFailure")
                                    : info.param == Mode::Crash ? std::string("Crash")
                                                                : std::string("TornWriteCrash");
                         });

}  // namespace
}  // namespace zavlin
