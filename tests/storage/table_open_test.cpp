// Opening damaged, missing and empty tables, and creating over an existing one.
#include <gtest/gtest.h>

#include <functional>

#include "storage/table_blob.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::fromHex;
using test::hex;
using test::readBytes;
using test::snapshotFiles;
using test::writeBytes;

using Bytes = std::vector<uint8_t>;

// Passes everything to the real disk except the operations `fails` picks:
// op is "open", "read", "write" or "rename"; the name is the file's name.
class SelectiveFailFs : public FileSystem {
public:
    std::function<bool(const std::string& name, const std::string& op)> fails =
        [](const std::string&, const std::string&) { return false; };

    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override {
        if (fails(path.filename().string(), "open")) return nullptr;
        auto inner = realFileSystem().open(path, mode);
        if (!inner) return nullptr;
        return std::make_unique<FailFile>(*this, path.filename().string(), std::move(inner));
    }
    bool exists(const std::filesystem::path& path) override {
        return realFileSystem().exists(path);
    }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return !fails(to.filename().string(), "rename") && realFileSystem().rename(from, to);
    }
    bool remove(const std::filesystem::path& path) override {
        return realFileSystem().remove(path);
    }
    bool createFolder(const std::filesystem::path& path) override {
        return realFileSystem().createFolder(path);
    }
    bool removeFolder(const std::filesystem::path& path) override {
        return realFileSystem().removeFolder(path);
    }
    bool syncFolder(const std::filesystem::path& path) override {
        return realFileSystem().syncFolder(path);
    }
    bool copyPermissions(const std::filesystem::path& from,
                         const std::filesystem::path& to) override {
        return realFileSystem().copyPermissions(from, to);
    }
    std::unique_ptr<FileLock> lock(const std::filesystem::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) override {
        return realFileSystem().lock(path, kind, wait, refusal);
    }

private:
    class FailFile : public File {
    public:
        FailFile(SelectiveFailFs& fs, std::string name, std::unique_ptr<File> inner)
            : fs_(fs), name_(std::move(name)), inner_(std::move(inner)) {}
        bool readAt(uint64_t offset, void* buffer, std::size_t n) override {
            return !fs_.fails(name_, "read") && inner_->readAt(offset, buffer, n);
        }
        int64_t readSomeAt(uint64_t offset, void* buffer, std::size_t n) override {
            return fs_.fails(name_, "read") ? -1 : inner_->readSomeAt(offset, buffer, n);
        }
        bool writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
            return !fs_.fails(name_, "write") && inner_->writeAt(offset, buffer, n);
        }
        bool truncate(uint64_t size) override {
            return !fs_.fails(name_, "write") && inner_->truncate(size);
        }
        bool sync() override { return inner_->sync(); }
        int64_t size() override { return inner_->size(); }

    private:
        SelectiveFailFs& fs_;
        std::string name_;
        std::unique_ptr<File> inner_;
    };
};

const char* const kLengthError = "Ошибка длины файла. База данных повреждена.";
const char* const kReadError = "Ошибка при чтении файла.";

// A table "T" with key N, string Name[10] (27-byte slots) and, when asked, a
// blob field; three records with keys 1..3, the one with key 2 deleted.
class OpenTest : public ::testing::Test {
protected:
    void makeTable(bool withBlob = false) {
        TTableBlob t{test::hooks()};
        std::vector<std::string> fields{"N:ftAutoInc", "Name:ftString:10"};
        if (withBlob) fields.push_back("Dan:ftBlob");
        test::createTable(t, dir, "T", fields);
        for (const char* name : {"one", "two", "three"}) {
            ASSERT_TRUE(t.Append());
            t.FieldByName("Name")->setAsString(name);
            ASSERT_TRUE(t.Post());
        }
        t.SetIndexActivRecordAll(1);
        ASSERT_TRUE(t.Delete());
        t.Close();
    }
    std::filesystem::path file(const char* ext) const {
        return dir.path() / (std::string("T") + ext);
    }
    std::string fullName(const char* ext) const { return dir.table("T") + ext; }

    void appendByte(const char* ext) {
        Bytes b = readBytes(file(ext));
        b.push_back(0);
        writeBytes(file(ext), b);
    }
    void dropLastBytes(const char* ext, std::size_t n) {
        Bytes b = readBytes(file(ext));
        b.resize(b.size() - n);
        writeBytes(file(ext), b);
    }

    // Opens "T" once with an ErrorOpen handler and once without, expecting
    // the same failure both times; checks that no file changed.
    void expectOpenFails(uint16_t code, const std::string& text, bool shownWithoutHandler) {
        const auto before = snapshotFiles(dir.path());
        {
            test::MessageRecorder rec;
            TTableBlob t{test::hooks()};
            rec.attach(t);
            t.SetTableName(dir.table("T"));
            bool opened = true;
            t.AfterOpen = [&](TTableBlob&) { opened = true; };
            opened = false;
            EXPECT_FALSE(t.Open());
            EXPECT_FALSE(opened) << "AfterOpen raised for a failed open";
            ASSERT_EQ(rec.errors.size(), 1u);
            EXPECT_EQ(rec.errors[0].first, code);
            EXPECT_EQ(rec.errors[0].second, text);
            EXPECT_TRUE(rec.messages.empty()) << "shown although a handler is set";
            EXPECT_FALSE(t.Active());
            EXPECT_EQ(t.State(), dsInactive);
            EXPECT_EQ(t.FieldCount(), 0);
            EXPECT_EQ(t.RecordCount(), 0u);
        }
        {
            test::MessageRecorder rec;
            TTableBlob t{test::hooks()};
            t.SetTableName(dir.table("T"));
            EXPECT_FALSE(t.Open());
            EXPECT_FALSE(t.Active());
            if (shownWithoutHandler) {
                EXPECT_EQ(rec.messages, std::vector<std::string>{text});
            } else {
                EXPECT_TRUE(rec.messages.empty()) << "only length errors reach the user";
            }
        }
        const auto after = snapshotFiles(dir.path());
        EXPECT_EQ(before, after) << "a failed open changed the table files";
    }

    test::ScratchDir dir;
};

// Catches an empty name that is not refused, or refused with the wrong code.
TEST_F(OpenTest, EmptyNameFailsWith22) {
    test::MessageRecorder rec;
    TTableBlob t{test::hooks()};
    rec.attach(t);
    EXPECT_FALSE(t.Open());
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].first, 22);
    EXPECT_EQ(rec.errors[0].second, "Отсутствует название таблици.");
    EXPECT_FALSE(t.Active());
    EXPECT_TRUE(rec.messages.empty());
}

// Catches a missing table reported with the wrong code or name, or one that
// gets files created for it.
TEST_F(OpenTest, MissingB0FailsWith23AndCreatesNothing) {
    expectOpenFails(23, "Таблица отсутствует. " + fullName(".b0"), false);
    EXPECT_TRUE(snapshotFiles(dir.path()).empty());
}

// Catches a header shorter than 68 bytes that is read as if zero-filled.
TEST_F(OpenTest, B0ShorterThanHeaderFailsWith25) {
    makeTable();
    dropLastBytes(".b0", readBytes(file(".b0")).size() - 67);
    expectOpenFails(25, std::string(kReadError) + " " + fullName(".b0"), false);
}

// Catches a .b0 whose length disagrees with its field count by one byte
// (either way) being accepted or reported as something else.
TEST_F(OpenTest, B0OneByteLongOrShortFailsWith60) {
    makeTable();
    const Bytes good = readBytes(file(".b0"));
    appendByte(".b0");
    expectOpenFails(60, std::string(kLengthError) + " " + fullName(".b0"), true);
    writeBytes(file(".b0"), good);
    dropLastBytes(".b0", 1);
    expectOpenFails(60, std::string(kLengthError) + " " + fullName(".b0"), true);
}

// Catches a .b1 that does not hold exactly FCountRecordAll slots.
TEST_F(OpenTest, B1OneByteShortOrLongFailsWith61) {
    makeTable();
    const Bytes good = readBytes(file(".b1"));
    dropLastBytes(".b1", 1);
    expectOpenFails(61, std::string(kLengthError) + " " + fullName(".b1"), true);
    writeBytes(file(".b1"), good);
    appendByte(".b1");
    expectOpenFails(61, std::string(kLengthError) + " " + fullName(".b1"), true);
}

// Catches a blob page file whose length is not a whole number of pages.
TEST_F(OpenTest, WrongB2LengthFailsWith62) {
    makeTable(true);
    {
        TTableBlob t{test::hooks()};  // the page file appears at the first open
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
    }
    ASSERT_EQ(readBytes(file(".b2")).size(), 0u);
    appendByte(".b2");
    expectOpenFails(62, std::string(kLengthError) + " " + fullName(".b2"), true);
}

// Catches an index file that is trusted although an entry is missing.
TEST_F(OpenTest, IndexOneEntryShortFailsWith63) {
    makeTable();
    dropLastBytes(".bi", 8);
    expectOpenFails(63, std::string(kLengthError) + " " + fullName(".bi"), true);
}

// Catches files that cannot be opened being taken as missing or empty, or
// reported with the code of another step.
TEST_F(OpenTest, UnopenableFilesFailWithTheirOwnCodes) {
    makeTable(true);
    writeBytes(file(".b2"), {});
    const auto cases = {std::pair{".b1", 27}, std::pair{".b2", 28}, std::pair{".bi", 29}};
    for (auto [ext, code] : cases) {
        SCOPED_TRACE(ext);
        const Bytes saved = readBytes(file(ext));
        std::filesystem::remove(file(ext));
        std::filesystem::create_directory(file(ext));
        expectOpenFails(static_cast<uint16_t>(code), std::string(kReadError) + " " + fullName(ext),
                        false);
        std::filesystem::remove(file(ext));
        writeBytes(file(ext), saved);
    }
    const Bytes b0 = readBytes(file(".b0"));
    std::filesystem::remove(file(".b0"));
    std::filesystem::create_directory(file(".b0"));
    expectOpenFails(24, std::string(kReadError) + " " + fullName(".b0"), false);
}

// Catches an index rebuilt from deleted slots too, out of slot order, not
// written back, or a header record count that is not corrected.
TEST_F(OpenTest, MissingIndexIsRebuiltFromLiveSlotsAndWritten) {
    makeTable();
    std::filesystem::remove(file(".bi"));
    Bytes b0 = readBytes(file(".b0"));
    b0[12] = 7;  // a wrong FCountRecord: the rebuild must correct it
    writeBytes(file(".b0"), b0);

    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.RecordCount(), 2u);
    EXPECT_EQ(hex(readBytes(file(".bi"))),
              hex(fromHex("01 00 00 00 00 00 00 00  03 00 00 00 02 00 00 00")));
    EXPECT_EQ(readBytes(file(".b0"))[12], 2);

    std::vector<std::string> names;
    for (t.First(); !t.Eof(); t.Next()) names.push_back(t.FieldByName("Name")->asString());
    EXPECT_EQ(names, (std::vector<std::string>{"one", "three"}));
}

// Catches failures while rebuilding a missing index reported with the wrong
// code, and a failed index write that refuses the table although nobody
// listens for the error (the table must then open with the in-memory index).
TEST_F(OpenTest, IndexRebuildFailuresAndTheirCodes) {
    makeTable();
    std::filesystem::remove(file(".bi"));
    const std::string indexError = "Ошибка при создании файла индексов. " + fullName(".bi");
    SelectiveFailFs fs;
    auto openWith = [&](std::function<bool(const std::string&, const std::string&)> fails,
                        bool handler, std::vector<std::pair<uint16_t, std::string>>& errors) {
        fs.fails = std::move(fails);
        TTableBlob t(test::hooks(), fs);
        if (handler) {
            t.ErrorOpen = [&](TTableBlob&, uint16_t code, const std::string& text) {
                errors.emplace_back(code, text);
            };
        }
        t.SetTableName(dir.table("T"));
        const bool ok = t.Open();
        EXPECT_EQ(ok, t.Active());
        return ok;
    };
    test::MessageRecorder rec;
    std::vector<std::pair<uint16_t, std::string>> errors;

    // Reading the slots fails: 30.
    EXPECT_FALSE(openWith(
        [](const std::string& n, const std::string& op) { return n == "T.b1" && op == "read"; },
        true, errors));
    EXPECT_EQ(errors, (std::vector<std::pair<uint16_t, std::string>>{{30, indexError}}));

    // Writing the index fails: 31 with a handler ...
    errors.clear();
    auto noIndexFile = [](const std::string& n, const std::string&) {
        return n.rfind("T.bi", 0) == 0;
    };
    EXPECT_FALSE(openWith(noIndexFile, true, errors));
    EXPECT_EQ(errors, (std::vector<std::pair<uint16_t, std::string>>{{31, indexError}}));
    // ... but without one the table opens on the index built in memory.
    {
        fs.fails = noIndexFile;
        TTableBlob t(test::hooks(), fs);
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.Open());
        EXPECT_FALSE(std::filesystem::exists(file(".bi")));
        std::vector<std::string> names;
        for (t.First(); !t.Eof(); t.Next()) names.push_back(t.FieldByName("Name")->asString());
        EXPECT_EQ(names, (std::vector<std::string>{"one", "three"}));
        fs.fails = [](const std::string&, const std::string&) { return false; };
        ASSERT_TRUE(t.Append());  // the next save point writes it (key 4 in slot 1)
        EXPECT_EQ(
            hex(readBytes(file(".bi"))),
            hex(fromHex(
                "01 00 00 00 00 00 00 00  04 00 00 00 01 00 00 00  03 00 00 00 02 00 00 00")));
    }
    EXPECT_TRUE(rec.messages.empty()) << "index errors are not shown to the user";

    // The rebuild corrected the record count but the header cannot be written: 32.
    std::filesystem::remove(file(".bi"));
    Bytes b0 = readBytes(file(".b0"));
    b0[12] = 9;
    test::writeBytes(file(".b0"), b0);
    errors.clear();
    EXPECT_FALSE(openWith(
        [](const std::string& n, const std::string& op) { return n == "T.b0" && op == "write"; },
        true, errors));
    EXPECT_EQ(errors, (std::vector<std::pair<uint16_t, std::string>>{{32, indexError}}));
}

// Catches a stored record length that is trusted instead of recomputed from
// the field descriptions.
TEST_F(OpenTest, StoredRecordLengthIsNotTrusted) {
    makeTable();
    Bytes b0 = readBytes(file(".b0"));
    b0[16] = 99;
    writeBytes(file(".b0"), b0);
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.Headr().FLengthRecords, 15u);
    EXPECT_EQ(t.FieldByName("Name")->asString(), "one")
        << "an open table stands on its first record";
    t.SetIndexActivRecord(1);
    EXPECT_EQ(t.FieldByName("Name")->asString(), "three");
}

// Catches a bare 68-byte header being rejected and an empty table whose
// cursor is not at the end at once.
TEST_F(OpenTest, TableWithoutFieldsAndEmptyTableOpen) {
    {
        TTableBlob t{test::hooks()};
        t.SetTableName(dir.table("T"));
        ASSERT_TRUE(t.CreateFile());
        t.Close();
    }
    ASSERT_EQ(readBytes(file(".b0")).size(), 68u);
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.FieldCount(), 0);
    EXPECT_EQ(t.State(), dsOpening);
    t.Close();

    TTableBlob e{test::hooks()};
    test::createTable(e, dir, "E", {"N:ftAutoInc", "Name:ftString:10"});
    e.Close();
    ASSERT_TRUE(e.Open());
    e.First();
    EXPECT_TRUE(e.Eof());
    EXPECT_EQ(e.IndexActivRecordAbsolut(), -1);
    EXPECT_EQ(e.RecordCount(), 0u);
    EXPECT_THROW(e.FieldByName("Name")->asString(), std::exception) << "no record to read";
    EXPECT_EQ(readBytes(dir.path() / "E.b1").size(), 0u);
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "E.bi"));
    EXPECT_EQ(readBytes(dir.path() / "E.bi").size(), 0u);
}

// Catches the name forms of one table not naming the same files.
TEST_F(OpenTest, TableNameWithExtensionOrFolderNamesTheSameTable) {
    makeTable();
    TTableBlob t{test::hooks()};
    t.SetDatabaseName(dir.path().string());
    t.SetTableName("T.b0");
    EXPECT_EQ(t.FileName(), dir.table("T"));
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.RecordCount(), 2u);
    t.Close();
    t.SetTableName("  " + dir.table("T") + ".bi  ");
    EXPECT_EQ(t.TableName(), "T");
    ASSERT_TRUE(t.Open());
}

// Catches an object that keeps the old table's state after a failed open.
TEST_F(OpenTest, FailedOpenOfAnotherTableLeavesTheObjectInactive) {
    makeTable();
    TTableBlob t{test::hooks()};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.Open());
    test::MessageRecorder rec;
    t.SetTableName(dir.table("Nothing"));
    EXPECT_FALSE(t.Open());
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.FieldCount(), 0);
    EXPECT_EQ(t.RecordCountAll(), 0u);
    EXPECT_FALSE(t.Append()) << "an inactive table took a record";
}

// Catches an overwrite that asks in the wrong words, goes ahead although the
// answer was no, or asks when nothing would be overwritten.
TEST_F(OpenTest, CreateFileAsksBeforeOverwriting) {
    makeTable();
    const auto before = snapshotFiles(dir.path());
    std::vector<std::string> questions;
    TTableBlob t{test::hooks()};
    t.CanReWrite = [&](TTableBlob&, const std::string& text, bool& rewrite) {
        questions.push_back(text);
        EXPECT_TRUE(rewrite) << "the flag must be preset to true";
        rewrite = false;
    };
    t.SetTableName(dir.table("T"));
    EXPECT_FALSE(t.CreateFile());
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(questions,
              std::vector<std::string>{"Таблица сущенствует. Перезаписать? " + fullName(".b0")});
    EXPECT_EQ(snapshotFiles(dir.path()), before) << "a refused overwrite touched the files";

    // A new table: nobody is asked.
    t.SetTableName(dir.table("New"));
    ASSERT_TRUE(t.CreateFile());
    EXPECT_EQ(questions.size(), 1u);

    // Agreeing (or having no handler) replaces the table with an empty one.
    t.CanReWrite = [](TTableBlob&, const std::string&, bool&) {};
    t.SetTableName(dir.table("T"));
    ASSERT_TRUE(t.CreateFile());
    EXPECT_EQ(t.FieldCount(), 0);
    EXPECT_EQ(t.RecordCountAll(), 0u);
    EXPECT_EQ(readBytes(file(".b0")).size(), 68u);
    EXPECT_EQ(readBytes(file(".b1")).size(), 0u);
    EXPECT_EQ(readBytes(file(".bi")).size(), 0u);
    EXPECT_FALSE(std::filesystem::exists(file(".b2"))) << "the old blob pages were left behind";
}

// Catches CreateFile on an empty name reporting with the open code.
TEST_F(OpenTest, CreateFileWithoutNameFailsWith10) {
    test::MessageRecorder rec;
    TTableBlob t{test::hooks()};
    rec.attach(t);
    EXPECT_FALSE(t.CreateFile());
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].first, 10);
    EXPECT_EQ(rec.errors[0].second, "Отсутствует название таблици.");
}

}  // namespace
}  // namespace zavlin
