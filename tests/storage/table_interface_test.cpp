// The ITableBlob/IField wrappers through which the outside converter fills
// tables, and their reference counting.
#include "storage/table_interface.h"

#include <gtest/gtest.h>

#include "base/streams.h"
#include "test_support.h"

namespace zavlin {
namespace {

using test::readBytes;

ITableBlob* tableInterface(TTableBlobInterface& w) {
    void* p = nullptr;
    EXPECT_EQ(w.QueryInterface(IID_ITableBlob, &p), S_OK);
    return static_cast<ITableBlob*>(p);
}

// Holds an IField for one scope and gives the reference back.
struct FieldRef {
    FieldRef(ITableBlob* table, int index) { table->GetField(index, f); }
    ~FieldRef() {
        if (f) f->_Release();
    }
    IField* operator->() const { return f; }
    IField* f = nullptr;
};

// Catches wrapper operations bound to the wrong table operation (a wrong
// field type per Add call, a name normalised where it must be verbatim),
// values that do not pass straight through IField, and an overwrite that
// asks the refusing handler or forgets to restore it.
TEST(TableInterface, CreateFillAndReadATableThroughTheInterfaces) {
    test::ScratchDir dir;
    test::MessageRecorder rec;
    {
        TTableBlob old{test::hooks()};
        test::createTable(old, dir, "Conv", {"N:ftAutoInc"});
        ASSERT_TRUE(old.Append());
    }
    TTableBlob t{test::hooks()};
    int asked = 0;
    t.CanReWrite = [&](TTableBlob&, const std::string&, bool& rewrite) {
        ++asked;
        rewrite = false;
    };
    TTableBlobInterface w(t);
    ITableBlob* it = tableInterface(w);
    it->SetDatabaseName("  " + dir.path().string() + "  ");
    EXPECT_EQ(it->GetDatabaseName(), dir.path().string() + "/");
    it->SetTableName("Conv");
    EXPECT_EQ(it->GetTableName(), "Conv");

    ASSERT_TRUE(it->CreateFile());
    EXPECT_EQ(asked, 0) << "the interface overwrites without asking";
    EXPECT_EQ(it->RecordCount(), 0);
    it->AddAutoIncField("N");
    it->AddNewKeysField("K");
    it->AddStringField("Name", 20);
    it->AddSmallIntField("S");
    it->AddWordField("W");
    it->AddIntegerField("I");
    it->AddDateField("D");
    it->AddDateTimeField("DT");
    it->AddBlobField("B", 200);
    ASSERT_EQ(t.FieldCount(), 9);
    EXPECT_EQ(w.fieldWrapperCount(), 9);
    const std::vector<TFieldTableBlobType> types{
        ftAutoInc, ftNewKeys, ftString, ftSmallint, ftWord, ftInteger, ftDate, ftDateTime, ftBlob};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(t.Field(i)->TypeField(), types[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(t.Field(2)->Size(), 20);
    EXPECT_EQ(t.LengthPageBlob(), 200);

    for (int r = 0; r < 2; ++r) {
        it->Append();
        FieldRef(it, 2)->SetAsString(r == 0 ? "Иванов" : "Петров");
        FieldRef(it, 3)->SetAsInteger(-5 - r);
        FieldRef(it, 4)->SetAsString("65535");
        FieldRef(it, 5)->SetAsInteger(-100000);
        FieldRef(it, 6)->SetAsString("1/9/2016");
        FieldRef(it, 7)->SetAsDateTime(42614.5);
        TMemoryStream blob(std::vector<uint8_t>{'h', 'i', static_cast<uint8_t>('0' + r)});
        FieldRef(it, 8)->LoadFromStream(blob);
        it->Post();
    }
    EXPECT_EQ(it->RecordCount(), 2);

    it->Close();
    EXPECT_EQ(w.fieldWrapperCount(), 0);
    it->SetTableName("Conv.b0");  // kept as given; the files are still Conv.*
    EXPECT_EQ(it->GetTableName(), "Conv.b0");
    ASSERT_TRUE(it->Open());
    EXPECT_EQ(w.fieldWrapperCount(), 9);
    std::vector<std::string> rows;
    for (it->First(); !it->Eof(); it->Next()) {
        TMemoryStream blob;
        FieldRef(it, 8)->SaveToStream(blob);
        rows.push_back(FieldRef(it, 0)->GetAsString() + "|" + FieldRef(it, 2)->GetAsString() + "|" +
                       std::to_string(FieldRef(it, 3)->GetAsInteger()) + "|" +
                       FieldRef(it, 4)->GetAsString() + "|" +
                       std::to_string(FieldRef(it, 5)->GetAsInteger()) + "|" +
                       FieldRef(it, 6)->GetAsString() + "|" +
                       (FieldRef(it, 7)->GetAsDateTime() == 42614.5 ? "noon" : "other") + "|" +
                       std::string(blob.Bytes().begin(), blob.Bytes().end()));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"1|Иванов|-5|65535|-100000|1/09/2016|noon|hi0",
                                              "2|Петров|-6|65535|-100000|1/09/2016|noon|hi1"}));

    it->First();
    ASSERT_FALSE(it->Eof());
    it->Delete();
    EXPECT_EQ(it->RecordCount(), 1);

    // The refusing handler is back in place for direct calls.
    EXPECT_FALSE(t.CreateFile());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(readBytes(dir.path() / "Conv.b1").size(),
              2u * (12 + 4 + 4 + 21 + 2 + 2 + 4 + 4 + 8 + 12));
    EXPECT_TRUE(rec.messages.empty());
    it->_Release();
}

// Catches wrappers left pointing at field objects that EmptyTable, Close or
// CreateFile destroyed.
TEST(TableInterface, FieldWrappersFollowTheTablesFields) {
    test::ScratchDir dir;
    TTableBlob t{test::hooks()};
    test::createTable(t, dir, "E", {"N:ftAutoInc", "Name:ftString:10"});
    TTableBlobInterface w(t);  // wraps the fields of an open table
    ITableBlob* it = tableInterface(w);
    EXPECT_EQ(w.fieldWrapperCount(), 2);
    it->Append();
    FieldRef(it, 1)->SetAsString("x");
    it->Post();

    it->EmptyTable();
    EXPECT_EQ(it->RecordCount(), 0);
    EXPECT_EQ(w.fieldWrapperCount(), 2);
    it->Append();
    FieldRef(it, 1)->SetAsString("after");
    it->Post();
    it->First();
    ASSERT_FALSE(it->Eof());
    EXPECT_EQ(FieldRef(it, 1)->GetAsString(), "after");
    EXPECT_EQ(FieldRef(it, 0)->GetAsInteger(), 1);

    EXPECT_EQ(FieldRef(it, 2).f, nullptr) << "no field at that position";
    EXPECT_EQ(FieldRef(it, -1).f, nullptr);
    it->Close();
    EXPECT_EQ(FieldRef(it, 0).f, nullptr);
    ASSERT_TRUE(it->CreateFile());
    EXPECT_EQ(w.fieldWrapperCount(), 0);
    it->_Release();
}

// Catches a count that goes wrong, frees anything, or drops below 0 silently.
TEST(TableInterface, ReferenceCounting) {
    test::MessageRecorder rec;
    TTableBlob t{test::hooks()};
    {
        TTableBlobInterface w(t);
        EXPECT_EQ(w.refCount(), 0) << "a new wrapper starts at 0";
        EXPECT_TRUE(rec.messages.empty());
        EXPECT_EQ(w._AddRef(), 1);
        EXPECT_EQ(w._AddRef(), 2);
        EXPECT_EQ(w._Release(), 1);
        EXPECT_EQ(w._Release(), 0);
        EXPECT_TRUE(rec.messages.empty());
        w._Release();
        ASSERT_FALSE(rec.messages.empty());
        EXPECT_EQ(rec.messages[0], "Ошибка количества ссылок на TTableBlobInterface =-1");
    }
    rec.messages.clear();
    {
        TTableBlobInterface w(t);
        w._AddRef();
    }
    EXPECT_EQ(rec.messages,
              std::vector<std::string>{"Ошибка Interface TTableBlobInterface неразрушен =1"});
}

// Catches a field wrapper freed with a reference still held going unreported.
TEST(TableInterface, FieldWrapperDestroyedWhileReferenced) {
    test::ScratchDir dir;
    test::MessageRecorder rec;
    TTableBlob t{test::hooks()};
    test::createTable(t, dir, "F", {"N:ftAutoInc"});
    TTableBlobInterface w(t);
    IField* f = nullptr;
    w.GetField(0, f);
    ASSERT_NE(f, nullptr);
    f->_AddRef();
    EXPECT_EQ(f->_Release(), 1) << "GetField hands the field out with its count raised";
    w.Close();
    EXPECT_EQ(rec.messages,
              std::vector<std::string>{"Ошибка Interface TFieldInterface неразрушен =1"});
}

// Catches QueryInterface answering for an interface the object does not have.
TEST(TableInterface, QueryInterfaceWithAWrongIdIsRefused) {
    TTableBlob t{test::hooks()};
    TTableBlobInterface w(t);
    void* p = reinterpret_cast<void*>(&t);
    EXPECT_EQ(w.QueryInterface(IID_IField, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    const TGuid other{0x9272F829, 0xC20E, 0x4D6F, {0x8F, 0x5A, 0xCE, 0x75, 0xE2, 0x75, 0x5F, 0x66}};
    EXPECT_EQ(w.QueryInterface(other, &p), E_NOINTERFACE);
    EXPECT_EQ(w.refCount(), 0) << "a refused query counted a reference";
    ASSERT_EQ(w.QueryInterface(IID_ITableBlob, &p), S_OK);
    EXPECT_EQ(p, static_cast<ITableBlob*>(&w));
    EXPECT_EQ(w.refCount(), 1);
    w._Release();

    test::ScratchDir dir;
    test::createTable(t, dir, "Q", {"N:ftAutoInc"});
    TTableBlobInterface w2(t);
    IField* f = nullptr;
    w2.GetField(0, f);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->QueryInterface(IID_ITableBlob, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    ASSERT_EQ(f->QueryInterface(IID_IField, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(f));
    EXPECT_EQ(f->_Release(), 1);
    EXPECT_EQ(f->_Release(), 0);
}

}  // namespace
}  // namespace zavlin
