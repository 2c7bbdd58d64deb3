// Changing a table's structure: re-sizing string fields and blob pages,
// deleting, moving and adding fields, copying and comparing tables. Each
// change must keep every value with its field and leave a table that passes
// the consistency check.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/cp1251.h"
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
using Records = std::map<uint32_t, std::map<std::string, Bytes>>;

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

class TableRestructureTest : public ::testing::Test {
protected:
    // Keys 7, 3, 9 (deleted), 5 in slots 0-3; N | Gryp string 5 | Num | Dan blob, pages of 16.
    void SetUp() override {
        test::createTable(t, dir, "T", {"N:ftAutoInc", "Gryp:ftString:5", "Num:ftInteger"});
        ASSERT_NE(t.AddBlobField("Dan", 16), nullptr);
        const std::vector<std::pair<std::string, std::size_t>> rows = {
            {"ИП-31", 40}, {"Б-2", 0}, {"Д-1", 20}, {"АБВГД", 17}};
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("Gryp")->setAsString(rows[i].first);
            t.FieldByName("Num")->setAsInteger(static_cast<int64_t>(100 + i));
            if (rows[i].second)
                test::loadBlob(t, "Dan", seededBytes(rows[i].second, static_cast<uint8_t>(i)));
            ASSERT_TRUE(t.Post());
        }
        setKey(4, 5);
        setKey(3, 9);
        setKey(2, 3);
        setKey(1, 7);
        ASSERT_TRUE(test::gotoRecord(t, 9));
        ASSERT_TRUE(t.Delete());
        before = test::imageOf(t);
        ASSERT_EQ(before.records.size(), 3u);
    }
    void TearDown() override { t.Close(); }

    void setKey(uint32_t from, uint32_t to) {
        ASSERT_TRUE(test::gotoRecord(t, from));
        t.Edit();
        t.Field(0)->setAsInteger(to);
        ASSERT_TRUE(t.Post());
    }
    std::filesystem::path file(const char* ext) const { return dir.table("T") + ext; }

    // A fresh reader: the records, and whether the check passes.
    test::TableImage reread(bool* checked = nullptr) {
        test::MessageRecorder recorder;
        TTableBlob r{test::hooks()};
        recorder.attach(r);
        r.SetTableName(dir.table("T"));
        EXPECT_TRUE(r.Open());
        test::TableImage i = test::imageOf(r);
        const bool ok = r.TestTable();
        if (checked) *checked = ok;
        EXPECT_TRUE(ok) << (recorder.errors.empty() ? 0 : recorder.errors.front().first);
        r.Close();
        return i;
    }
    // The deleted record (key 9) brought back, as a fresh reader sees it.
    std::map<std::string, Bytes> undeleted() {
        TTableBlob r{test::hooks()};
        r.SetTableName(dir.table("T"));
        EXPECT_TRUE(r.Open());
        r.SetIndexActivRecordAll(r.Headr().FIndexDelRec);
        EXPECT_TRUE(r.UnDelete());
        std::map<std::string, Bytes> values = test::imageOf(r).records[9];
        r.Close();
        return values;
    }

    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
    test::TableImage before;
};

std::vector<std::string> fieldNames(TTableBlob& t) {
    std::vector<std::string> n;
    for (int i = 0; i < t.FieldCount(); ++i) n.push_back(t.Field(i)->Name());
    return n;
}

// Catches texts lost or cut when widening, values of other fields moved
// with the wrong bytes, the field left in its place, the temporary field
// left behind, and deleted slots skipped (their text must survive undelete).
TEST_F(TableRestructureTest, WideningKeepsTextsAndMovesFieldLast) {
    std::string message = "x";
    ASSERT_TRUE(t.SetNewSizeStringField("Gryp", 18, message));
    EXPECT_EQ(message, "");
    EXPECT_EQ(fieldNames(t), (std::vector<std::string>{"N", "Num", "Dan", "Gryp"}));
    EXPECT_EQ(t.FieldByName("Gryp")->Size(), 18);
    EXPECT_EQ(t.slotLength(), 12u + 4 + 4 + 12 + 19);
    // The widened field takes a long text.
    ASSERT_TRUE(test::gotoRecord(t, 3));
    t.Edit();
    t.FieldByName("Gryp")->setAsString("ДлинноеНазвание-18");
    ASSERT_TRUE(t.Post());
    t.Close();

    const test::TableImage after = reread();
    Records expected = before.records;
    expected[3]["Gryp"] = text("ДлинноеНазвание-18");
    EXPECT_EQ(after.records, expected) << test::describe(after);
    EXPECT_EQ(undeleted()["Gryp"], text("Д-1"));
    EXPECT_EQ(readBytes(file(".b1")).size(), 4 * (12u + 4 + 4 + 12 + 19));
}

// Catches a narrowing that keeps the old length byte or the characters past
// the new length in the slot.
TEST_F(TableRestructureTest, NarrowingCutsTexts) {
    std::string message;
    ASSERT_TRUE(t.SetNewSizeStringField("Gryp", 2, message));
    EXPECT_EQ(message, "");
    t.Close();
    Records expected = before.records;
    expected[7]["Gryp"] = text("ИП");
    expected[3]["Gryp"] = text("Б-");
    expected[5]["Gryp"] = text("АБ");
    EXPECT_EQ(reread().records, expected);
    EXPECT_EQ(undeleted()["Gryp"], text("Д-"));
    // Slot bytes of the field: length 2, two characters, nothing else.
    const Bytes b1 = readBytes(file(".b1"));
    const std::size_t slot = 12 + 4 + 4 + 12 + 3;
    ASSERT_EQ(b1.size(), 4 * slot);
    const std::string cut = utf8ToCp1251("ИП");
    EXPECT_EQ(test::hex(test::slice(b1, 12 + 4 + 4 + 12, 3)),
              test::hex(Bytes{2, static_cast<uint8_t>(cut[0]), static_cast<uint8_t>(cut[1])}));
}

// Catches refusals with the wrong text, and a refused change that touches
// the files anyway.
TEST_F(TableRestructureTest, StringResizeRefusals) {
    const std::string name = t.TableName();
    ASSERT_EQ(name, "T");
    std::string message;
    EXPECT_FALSE(t.SetNewSizeStringField("Num", 9, message));
    EXPECT_EQ(message, "В таблице T нет поля Num");
    EXPECT_FALSE(t.SetNewSizeStringField("Xyz", 9, message));
    EXPECT_EQ(message, "В таблице T нет поля Xyz");

    ASSERT_NE(t.AddStringField("_Gryp", 3), nullptr);
    const auto files = test::snapshotFiles(dir.path());
    EXPECT_FALSE(t.SetNewSizeStringField("Gryp", 18, message));
    EXPECT_EQ(message, "Изменение невозможно.T В таблице существует временное поле: \"_Gryp\"");
    EXPECT_EQ(test::changedFiles(files, test::snapshotFiles(dir.path())), "");
    EXPECT_EQ(t.FieldByName("Gryp")->Size(), 5);

    t.Close();
    EXPECT_FALSE(t.SetNewSizeStringField("Gryp", 18, message));
    EXPECT_EQ(message, "Таблица закрыта: T");
    EXPECT_FALSE(t.SetNewSizeBlobField("Dan", 32, message));
    EXPECT_EQ(message, "Таблица закрыта: T");

    TTableBlob e{test::hooks()};
    test::createTable(e, dir, "E", {});
    EXPECT_FALSE(e.SetNewSizeStringField("Gryp", 18, message));
    EXPECT_EQ(message, "В таблице нет полей E");
    EXPECT_FALSE(e.SetNewSizeBlobField("Dan", 32, message));
    EXPECT_EQ(message, "В таблице нет полей E");
    e.Close();
}

// Keys 7, 3, 5 with gaps: catches the copy's keys given out by Append (1, 2,
// 3) instead of the stored ones, an index that disagrees with the slots, a
// key counter set back, values cut at the old page size, and leftovers of
// the temporary table.
TEST_F(TableRestructureTest, BlobPageResizeKeepsValuesAndKeys) {
    std::string message;
    ASSERT_TRUE(t.SetNewSizeBlobField("Dan", 32, message)) << message;
    EXPECT_EQ(message, "Создан файл " + dir.table("T") + " с новым размером: 32");
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.LengthPageBlob(), 32);
    t.Close();
    const test::TableImage after = reread();
    test::TableImage expected = before;
    expected.pageLength = 32;
    expected.deletedSlots = 0;  // only live records are copied
    EXPECT_EQ(after, expected) << test::describe(after);
    EXPECT_EQ(test::hex(readBytes(file(".bi"))),
              test::hex(test::fromHex("07000000 00000000 03000000 01000000 05000000 02000000")));
    const ATableBlobHead h = ATableBlobHead::decode(readBytes(file(".b0")).data());
    EXPECT_EQ(h.FLengthPage, 32);
    EXPECT_EQ(h.FCountPageAll, 2u + 1u);  // 40 bytes and 17 bytes in pages of 32
    EXPECT_EQ(readBytes(file(".b2")).size(), 3u * (16 + 32));
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().filename().string().front(), '-') << e.path();
    // The next key continues after the largest one ever given out.
    TTableBlob r{test::hooks()};
    r.SetTableName(dir.table("T"));
    ASSERT_TRUE(r.Open());
    ASSERT_TRUE(r.Append());
    EXPECT_EQ(r.Field(0)->asInteger(), 10);
    r.Close();
}

// Catches a resize that fails on the disk without saying so, or with the
// message of another step.
TEST_F(TableRestructureTest, DiskFailureMessages) {
    t.Close();
    const auto files = test::snapshotFiles(dir.path());
    FaultInjectingFileSystem fs;
    TTableBlob f(test::hooks(), fs);
    f.SetTableName(dir.table("T"));
    ASSERT_TRUE(f.Open());
    std::string message;
    fs.failAt(1, true);
    EXPECT_FALSE(f.SetNewSizeStringField("Gryp", 18, message));
    EXPECT_EQ(message, "Произошла ошибка при добавлении поля в таблице T");
    fs.failAt(1, true);
    EXPECT_FALSE(f.SetNewSizeBlobField("Dan", 32, message));
    EXPECT_EQ(message, "Произошла ошибка при добавлении поля в таблице T");
    fs.failAt(0);
    f.Close();
    EXPECT_EQ(test::changedFiles(files, test::snapshotFiles(dir.path())), "");
}

// Catches a blob resize that accepts a field of another type or an unknown one.
TEST_F(TableRestructureTest, BlobResizeRefusals) {
    std::string message;
    EXPECT_FALSE(t.SetNewSizeBlobField("Gryp", 32, message));
    EXPECT_EQ(message, "В таблице T нет поля Gryp");
    EXPECT_FALSE(t.SetNewSizeBlobField("Xyz", 32, message));
    EXPECT_EQ(message, "В таблице T нет поля Xyz");
    EXPECT_EQ(t.LengthPageBlob(), 16);
}

// Catches missed differences, wrong message texts, and a comparison that
// reports equal tables as different.
TEST_F(TableRestructureTest, CompareFileMessages) {
    auto copy = [&](const std::string& name) {
        TTableBlob c{test::hooks()};
        test::createTable(c, dir, name, {"N:ftAutoInc", "Gryp:ftString:5", "Num:ftInteger"});
        EXPECT_NE(c.AddBlobField("Dan", 16), nullptr);
        c.Close();
        c.SetTableName(dir.table(name));
        t.CopyDataFieldsToTable(c);
        EXPECT_FALSE(c.Active());
        EXPECT_TRUE(c.ReIndexTable());
    };
    copy("C");
    TTableBlob c{test::hooks()};
    c.SetTableName(dir.table("C"));
    std::string message = "x";
    EXPECT_TRUE(t.CompareFile(c, message));
    EXPECT_EQ(message, "");
    EXPECT_FALSE(c.Active());

    ASSERT_TRUE(c.Open());
    ASSERT_TRUE(test::gotoRecord(c, 3));
    c.Edit();
    c.FieldByName("Gryp")->setAsString("Б-3");
    ASSERT_TRUE(c.Post());
    ASSERT_TRUE(test::gotoRecord(c, 5));
    test::loadBlob(c, "Dan", seededBytes(18, 3));
    ASSERT_TRUE(c.Post());
    c.Close();
    EXPECT_FALSE(t.CompareFile(c, message));
    EXPECT_EQ(message, "Отличие данных для \"N\"=3\r\nРазная длина данных для N=5\r\n");

    ASSERT_TRUE(c.Open());
    ASSERT_TRUE(test::gotoRecord(c, 3));
    ASSERT_TRUE(c.Delete());
    c.Close();
    EXPECT_FALSE(t.CompareFile(c, message));
    EXPECT_EQ(message, "Разное количество Записей (Recotd)");
    EXPECT_FALSE(c.Active());
}

// Catches a field deletion that shifts the other values by the wrong
// amount, or touches the index.
TEST_F(TableRestructureTest, DeleteStringFieldInTheMiddle) {
    const Bytes bi = readBytes(file(".bi"));
    ASSERT_TRUE(t.DeleteFieldName(1));
    EXPECT_EQ(fieldNames(t), (std::vector<std::string>{"N", "Num", "Dan"}));
    t.Close();
    Records expected = before.records;
    for (auto& [key, values] : expected) values.erase("Gryp");
    EXPECT_EQ(reread().records, expected);
    EXPECT_EQ(readBytes(file(".bi")), bi);
    EXPECT_EQ(readBytes(file(".b1")).size(), 4u * (12 + 4 + 4 + 12));
    EXPECT_EQ(undeleted()["Num"].size(), 4u);
}

// Catches a .b2 left behind and page counters of the deleted field kept,
// which would fail the open of the table once a blob field comes back.
TEST_F(TableRestructureTest, DeleteOnlyBlobField) {
    ASSERT_TRUE(t.DeleteFieldName(3));
    EXPECT_FALSE(std::filesystem::exists(file(".b2")));
    t.Close();
    const ATableBlobHead h = ATableBlobHead::decode(readBytes(file(".b0")).data());
    EXPECT_EQ(h.FVersPage, 1);
    EXPECT_EQ(h.FLengthPage, 1024);
    EXPECT_EQ(h.FCountPageAll, 0u);
    EXPECT_EQ(h.FCountPageEmpty, 0u);
    EXPECT_EQ(h.FLastEmptyPageN, 0u);
    Records expected = before.records;
    for (auto& [key, values] : expected) values.erase("Dan");
    EXPECT_EQ(reread().records, expected);
    // A new blob field starts from an empty page file.
    TTableBlob r{test::hooks()};
    r.SetTableName(dir.table("T"));
    ASSERT_TRUE(r.Open());
    ASSERT_NE(r.AddBlobField("Dan2", 8), nullptr);
    ASSERT_TRUE(test::gotoRecord(r, 5));
    test::loadBlob(r, "Dan2", seededBytes(20, 4));
    ASSERT_TRUE(r.Post());
    EXPECT_EQ(test::blobValue(r, "Dan2"), seededBytes(20, 4));
    EXPECT_TRUE(r.TestTable());
    r.Close();
}

// Two blob fields share .b2: catches the other field's pages deleted with
// the page file, or the deleted field's pages left in use (lost) instead of
// freed for reuse.
TEST_F(TableRestructureTest, DeleteOneOfTwoBlobFields) {
    ASSERT_NE(t.AddBlobField("Pic"), nullptr);
    ASSERT_TRUE(test::gotoRecord(t, 3));
    test::loadBlob(t, "Pic", seededBytes(50, 8));
    ASSERT_TRUE(t.Post());
    ASSERT_TRUE(test::gotoRecord(t, 7));
    test::loadBlob(t, "Pic", seededBytes(5, 9));
    ASSERT_TRUE(t.Post());
    const uint32_t pages = t.Headr().FCountPageAll;
    ASSERT_TRUE(t.DeleteFieldName(3));  // Dan: 40 + 20 (deleted record) + 17 bytes
    EXPECT_EQ(fieldNames(t), (std::vector<std::string>{"N", "Gryp", "Num", "Pic"}));
    EXPECT_EQ(t.Headr().FCountPageEmpty, 3u + 2u + 2u);
    t.Close();
    bool checked = false;
    const test::TableImage after = reread(&checked);
    EXPECT_TRUE(checked);
    EXPECT_EQ(after.records.at(3).at("Pic"), seededBytes(50, 8));
    EXPECT_EQ(after.records.at(7).at("Pic"), seededBytes(5, 9));
    EXPECT_EQ(after.records.at(5).at("Pic"), Bytes{});
    // The freed pages are reused before the file grows.
    TTableBlob r{test::hooks()};
    r.SetTableName(dir.table("T"));
    ASSERT_TRUE(r.Open());
    ASSERT_TRUE(test::gotoRecord(r, 5));
    test::loadBlob(r, "Pic", seededBytes(100, 10));
    ASSERT_TRUE(r.Post());
    EXPECT_EQ(r.Headr().FCountPageAll, pages);
    EXPECT_TRUE(r.TestTable());
    r.Close();
}

// A damaged chain of the field to delete stops the deletion. Catches a
// failed deletion that keeps the free-page counters it had changed in
// memory, which the next write would store over a healthy page file.
TEST_F(TableRestructureTest, FailedBlobFieldDeletionChangesNothing) {
    ASSERT_NE(t.AddBlobField("Pic"), nullptr);
    ASSERT_TRUE(test::gotoRecord(t, 7));
    test::loadBlob(t, "Pic", seededBytes(5, 9));
    ASSERT_TRUE(t.Post());
    t.Close();
    // Key 5's Dan value names key 7's first page: freeing both frees it twice.
    Bytes b1 = readBytes(file(".b1"));
    const std::size_t slot = 12 + 4 + 6 + 4 + 12 + 12;
    const std::size_t dan = 12 + 4 + 6 + 4;
    putU32(b1.data() + 3 * slot + dan + 2, ABlobHeadr::decode(b1.data() + dan).FPageStartN);
    writeBytes(file(".b1"), b1);
    const auto files = test::snapshotFiles(dir.path());
    ASSERT_TRUE(t.Open());
    const ATableBlobHead h = t.Headr();
    EXPECT_FALSE(t.DeleteFieldName(3));
    EXPECT_EQ(t.FieldCount(), 5);
    EXPECT_EQ(t.Headr().FLastEmptyPageN, h.FLastEmptyPageN);
    EXPECT_EQ(t.Headr().FCountPageEmpty, h.FCountPageEmpty);
    // A write of the header afterwards stores the counters of the disk.
    ASSERT_TRUE(test::gotoRecord(t, 3));
    ASSERT_TRUE(t.Delete());
    t.Close();
    const ATableBlobHead now = ATableBlobHead::decode(readBytes(file(".b0")).data());
    EXPECT_EQ(now.FLastEmptyPageN, h.FLastEmptyPageN);
    EXPECT_EQ(now.FCountPageEmpty, h.FCountPageEmpty);
    EXPECT_EQ(readBytes(file(".b2")), files.at("T.b2"));
}

// Catches a move that exchanges only the descriptions (every value would be
// read through the other field), moves the key, or moves past the ends.
TEST_F(TableRestructureTest, MoveFieldsKeepsValuesWithTheirFields) {
    EXPECT_FALSE(t.MoveFieldNameUp(1));
    EXPECT_FALSE(t.MoveFieldNameUp(0));
    EXPECT_FALSE(t.MoveFieldNameDown(3));
    EXPECT_FALSE(t.MoveFieldNameDown(0));
    EXPECT_FALSE(t.MoveFieldNameUp(4));
    EXPECT_EQ(fieldNames(t), (std::vector<std::string>{"N", "Gryp", "Num", "Dan"}));

    ASSERT_TRUE(t.MoveFieldNameUp(3));
    EXPECT_EQ(fieldNames(t), (std::vector<std::string>{"N", "Gryp", "Dan", "Num"}));
    ASSERT_TRUE(t.MoveFieldNameDown(1));
    EXPECT_EQ(fieldNames(t), (std::vector<std::string>{"N", "Dan", "Gryp", "Num"}));
    EXPECT_EQ(test::imageOf(t).records, before.records);
    t.Close();
    EXPECT_EQ(reread().records, before.records);
    EXPECT_EQ(undeleted()["Gryp"], text("Д-1"));
}

// Catches old slots not widened for the new field (the old values would be
// read at the wrong offsets) and a new field that starts with garbage.
TEST_F(TableRestructureTest, AddFieldKeepsOldValues) {
    ASSERT_NE(t.AddStringField("Kurs", 8), nullptr);
    ASSERT_NE(t.AddFieldByName(ftInteger, "Count"), nullptr);
    EXPECT_EQ(test::imageOf(t).records.size(), 3u);
    t.Close();
    const test::TableImage after = reread();
    Records expected = before.records;
    for (auto& [key, values] : expected) {
        values["Kurs"] = {};
        values["Count"] = Bytes(4, 0);
    }
    EXPECT_EQ(after.records, expected);
    EXPECT_EQ(undeleted()["Gryp"], text("Д-1"));
}

// A change whose replacement of the files fails while the old table is
// still in place must leave the object describing that table. Catches a
// failed change kept in memory only (the object would read and write the old
// slots at the new field offsets) and a restore that forgets the layout.
TEST_F(TableRestructureTest, FailedReplacementLeavesTheObjectOnItsTable) {
    t.Close();
    const auto files = test::snapshotFiles(dir.path());
    struct Change {
        const char* name;
        std::function<bool(TTableBlob&)> run;
    };
    const std::vector<Change> changes = {
        {"add", [](TTableBlob& f) { return f.AddStringField("Kurs", 7) != nullptr; }},
        {"delete", [](TTableBlob& f) { return f.DeleteFieldName(1); }},
        {"move", [](TTableBlob& f) { return f.MoveFieldNameUp(3); }},
        {"resize",
         [](TTableBlob& f) {
             std::string message;
             return f.SetNewSizeStringField("Gryp", 9, message);
         }},
        {"empty", [](TTableBlob& f) { return f.EmptyTable(); }},
    };
    for (const Change& change : changes) {
        int keptOpen = 0;
        bool completed = false;
        for (uint64_t n = 1; !completed; ++n) {
            ASSERT_LT(n, 500u) << change.name << " never completes";
            SCOPED_TRACE(std::string(change.name) + " with disk operation " + std::to_string(n) +
                         " failing");
            for (const auto& e : std::filesystem::directory_iterator(dir.path()))
                std::filesystem::remove(e.path());
            for (const auto& [name, bytes] : files) writeBytes(dir.path() / name, bytes);
            FaultInjectingFileSystem fs;
            test::MessageRecorder quiet;
            TTableBlob f(test::hooks(), fs);
            f.SetTableName(dir.table("T"));
            ASSERT_TRUE(f.Open());
            fs.failAt(n, false);
            bool done = false;
            try {
                done = change.run(f);
            } catch (const std::exception&) {
            }
            completed = !fs.failed();
            fs.failAt(0);
            if (done || !f.Active()) continue;
            ++keptOpen;
            // A record written through the object after the failure.
            ASSERT_TRUE(f.Append());
            f.FieldByName("Num")->setAsInteger(77);
            ASSERT_TRUE(f.Post());
            const test::TableImage seen = test::imageOf(f);
            f.Close();
            EXPECT_EQ(reread(), seen);
        }
        EXPECT_GT(keptOpen, 0) << change.name << ": no failure left the table open";
    }
}

}  // namespace
}  // namespace zavlin
