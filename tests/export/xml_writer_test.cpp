// The writer's exact bytes, the model's lookups and saving through the file
// system. Expected texts are written out by hand from the document format.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/streams.h"
#include "export/xml_document.h"
#include "storage/typed_arrays.h"

namespace zavlin {
namespace {

std::string save(TXMLCreater& doc) {
    std::string text;
    EXPECT_TRUE(doc.SaveToAnsiString(text)) << doc.LastError();
    return text;
}

// "Мир" in the program's UTF-8.
const std::string kMir = "\xD0\x9C\xD0\xB8\xD1\x80";

TEST(XMLWriter, SmallDocumentInWindows1251) {
    TXMLCreater doc;
    TXMLObject* data = doc.CreateMainXMLObject("Data");
    data->AddNewXMLAtr("God", int32_t{2016});
    data->AddNewXMLField("Name", "A<B");
    EXPECT_EQ(save(doc),
              "<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n"
              "<Data God=\"2016\">\r\n"
              "<Name>A&lt;B</Name>\r\n"
              "</Data>\r\n");
}

// One document with every piece the writer knows, in both encodings.
void buildFullDocument(TXMLCreater& doc) {
    TXMLDocType* type = doc.CreateXMLDocType("Rasp");
    TDTDEntity* fio = type->AddDTDEntity("fio");
    EXPECT_EQ(fio->Add(kMir), 1);
    EXPECT_EQ(fio->Add(""), 2);  // empty lines are not written but keep numbering
    EXPECT_EQ(fio->Add("a&\"b"), 3);
    type->AddDTDString("notes")->Lines.push_back("not an entity");

    TXMLObject* root = doc.CreateMainXMLObject("Root");
    root->AddNewXMLAtr("name", kMir);
    root->AddXMLAtr("blank");
    root->AddNewXMLAtr("n", uint32_t{4000000000u});
    root->AddNewXMLField("f", kMir);
    root->AddXMLField("empty");
    root->AddNewXMLFieldStream("raw", std::string("<b>\xFF", 4));
    TXMLObject* week = root->CreateXMLObject("Week");
    week->AddNewXMLAtr("on", true);
    week->AddNewXMLFieldDate("d", encodeDate(2016, 9, 1));
    week->CreateXMLObject("Inner");
}

TEST(XMLWriter, FullDocumentInWindows1251AndUtf8) {
    const std::string body =
        "<!DOCTYPE Rasp[\r\n"
        "<!ENTITY fio1 \"@\">\r\n"
        "<!ENTITY fio3 \"a&amp;&quot;b\">\r\n"
        "]>\r\n"
        "<Root name=\"@\" blank=\"\"\r\n"
        " n=\"4000000000\">\r\n"
        "<f>@</f>\r\n"
        "<raw><b>\xFF</raw>\r\n"
        "<Week on=\"true\">\r\n"
        "<d>01.09.2016</d>\r\n"
        "<Inner>\r\n"
        "</Inner>\r\n"
        "</Week>\r\n"
        "</Root>\r\n";
    auto with = [&](const std::string& prolog, const std::string& mir) {
        std::string s = prolog + body;
        for (std::size_t p = s.find('@'); p != std::string::npos; p = s.find('@', p))
            s.replace(p, 1, mir);
        return s;
    };
    TXMLCreater doc;
    buildFullDocument(doc);
    EXPECT_EQ(save(doc),
              with("<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n", "\xCC\xE8\xF0"));

    doc.SetEncoding("UTF-8");
    EXPECT_EQ(save(doc), with("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n", kMir));

    // An empty field is written only when asked.
    doc.SetCanWriteSize(true);
    std::string withEmpty = with("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n", kMir);
    withEmpty.insert(withEmpty.find("<raw>"), "<empty/>\r\n");
    EXPECT_EQ(save(doc), withEmpty);
}

TEST(XMLWriter, EscapesTheFiveCharactersOnlyInTexts) {
    TXMLCreater doc;
    TXMLObject* root = doc.CreateMainXMLObject("r");
    root->AddNewXMLAtr("a", "&<>'\"x");
    root->AddNewXMLField("f", "\"'><&");
    root->AddNewXMLFieldStream("s", "&<");
    EXPECT_EQ(save(doc),
              "<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n"
              "<r a=\"&amp;&lt;&gt;&apos;&quot;x\">\r\n"
              "<f>&quot;&apos;&gt;&lt;&amp;</f>\r\n"
              "<s>&<</s>\r\n"
              "</r>\r\n");
}

TEST(XMLWriter, CharacterOutsideTheCodePageBecomesQuestionMark) {
    TXMLCreater doc;
    doc.CreateMainXMLObject("r")->AddNewXMLField("f", "\xE4\xB8\x80z");  // U+4E00
    EXPECT_NE(save(doc).find("<f>?z</f>"), std::string::npos);
}

TEST(XMLWriter, EncodingPropertyAndUnwritableEncoding) {
    TXMLCreater doc;
    EXPECT_EQ(doc.Encoding(), "windows-1251");
    doc.SetEncoding("uTf-8");
    EXPECT_EQ(doc.Encoding(), "UTF-8");
    doc.SetEncoding("KOI8-R");  // not a writable choice: nothing changes
    EXPECT_EQ(doc.Encoding(), "UTF-8");
    doc.SetEncoding("WINDOWS-1251");
    EXPECT_EQ(doc.UnicodeCodecType(), TUnicodeCodecType::ucWin1251);

    // A document read as KOI8-R has no writable encoding: saving is refused,
    // never an empty success.
    ASSERT_TRUE(doc.LoadFromAnsiString("<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>"));
    EXPECT_EQ(doc.Encoding(), "");
    std::string text = "old";
    EXPECT_FALSE(doc.SaveToAnsiString(text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(doc.LastError().empty());
    doc.SetEncoding("utf-8");
    EXPECT_TRUE(doc.SaveToAnsiString(text));
}

TEST(XMLWriter, RoundTripGivesTheSameBytes) {
    for (const char* encoding : {"windows-1251", "utf-8"}) {
        TXMLCreater doc;
        TDTDEntity* e = doc.CreateXMLDocType("t")->AddDTDEntity("e");
        e->Add(kMir);
        e->Add("");
        e->Add("<&>");
        TXMLObject* root = doc.CreateMainXMLObject("Root");
        root->AddNewXMLAtr("name", kMir + "\"'");
        root->AddXMLAtr("blank");
        root->AddNewXMLAtr("n", uint32_t{4000000000u});
        root->AddNewXMLField("f", "a<b>&c");
        root->AddXMLField("empty");
        root->AddNewXMLFieldDateTime("when", encodeDate(2016, 9, 1) + encodeTime(8, 5, 7, 0));
        TXMLObject* week = root->CreateXMLObject("Week");
        week->AddNewXMLAtr("n", int32_t{-3});
        week->CreateXMLObject("Week")->AddNewXMLField("x", "1");
        doc.SetEncoding(encoding);
        doc.SetCanWriteSize(true);
        const std::string first = save(doc);

        TXMLCreater again;
        again.SetCanWriteSize(true);
        ASSERT_TRUE(again.LoadFromAnsiString(first)) << again.LastError();
        EXPECT_EQ(save(again), first) << encoding;
    }
}

TEST(XMLModel, FindsElementsByNameAndAttribute) {
    TXMLCreater doc;
    TXMLObject* root = doc.CreateMainXMLObject("root");
    TXMLObject* g1 = root->CreateXMLObject("g");
    g1->AddNewXMLAtr("id", uint32_t{7});
    TXMLObject* g2 = root->CreateXMLObject("g");
    g2->AddNewXMLAtr("id", "8");
    TXMLObject* h = root->CreateXMLObject("h");
    h->AddNewXMLAtr("id", "8");

    EXPECT_EQ(root->FindXMLObject("g"), g1);
    EXPECT_EQ(root->FindXMLObject("G"), nullptr);  // exact names
    EXPECT_EQ(root->FindXMLObject("g", "id", "8"), g2);
    EXPECT_EQ(root->FindXMLObject("g", "id", uint32_t{7}), g1);
    EXPECT_EQ(root->FindXMLObject("h", "id", uint32_t{8}), h);
    EXPECT_EQ(root->FindXMLObject("g", "id", "9"), nullptr);
    EXPECT_EQ(root->FindXMLObject("g", "other", "8"), nullptr);
}

TEST(XMLModel, FindFirstSearchesDepthFirst) {
    TXMLCreater doc;
    TXMLObject* root = doc.CreateMainXMLObject("x");
    TXMLObject* a = root->CreateXMLObject("a");
    TXMLObject* deep = a->CreateXMLObject("b")->CreateXMLObject("x");
    root->CreateXMLObject("x");  // a later child of the root
    // The first child's descendants come before the second child.
    EXPECT_EQ(root->FindFirstXMLObject("x"), deep);
    EXPECT_EQ(doc.FindFirstXMLObject("x"), root);  // the root itself first
    EXPECT_EQ(doc.FindFirstXMLObject("b"), a->XMLObject(0));
    EXPECT_EQ(doc.FindFirstXMLObject("none"), nullptr);
    EXPECT_EQ(deep->BossXMLObject(), a->XMLObject(0));
}

TEST(XMLModel, ByNameCreatesOnlyWhenAbsent) {
    TXMLCreater doc;
    TXMLObject* root = doc.CreateMainXMLObject("r");
    TXMLAtr* first = root->AtrByName("a");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->IsEmpty());
    EXPECT_EQ(root->AtrByName("a"), first);
    EXPECT_EQ(root->CountLXMLAtr(), 1);
    root->AddNewXMLAtr("a", "second");  // a second of the same name
    EXPECT_EQ(root->FindXMLAtr("a"), first);
    EXPECT_EQ(root->CountLXMLAtr(), 2);
    EXPECT_EQ(root->FindXMLAtr("b"), nullptr);

    TXMLField* f = root->FieldByName("f");
    EXPECT_EQ(root->FieldByName("f"), f);
    EXPECT_EQ(root->FindXMLField("f"), f);
    EXPECT_EQ(root->CountLXMLField(), 1);
    EXPECT_EQ(f->XMLObject(), root);
}

TEST(XMLModel, ExchangeByPositionAndByObject) {
    TXMLCreater doc;
    TXMLObject* root = doc.CreateMainXMLObject("r");
    TXMLObject* a = root->CreateXMLObject("a");
    TXMLObject* b = root->CreateXMLObject("b");
    TXMLObject* c = root->CreateXMLObject("c");
    EXPECT_TRUE(root->ExchangeXMLObject(0, 2));
    EXPECT_EQ(root->XMLObject(0), c);
    EXPECT_EQ(root->XMLObject(2), a);
    EXPECT_TRUE(root->ExchangeXMLObject(a, b));
    EXPECT_EQ(root->XMLObject(1), a);
    EXPECT_EQ(root->XMLObject(2), b);
    EXPECT_FALSE(root->ExchangeXMLObject(0, 3));
    EXPECT_FALSE(root->ExchangeXMLObject(-1, 0));
    TXMLObject* stranger = a->CreateXMLObject("s");
    EXPECT_FALSE(root->ExchangeXMLObject(a, stranger));
    EXPECT_EQ(root->XMLObject(0), c);  // a refused exchange moves nothing
    EXPECT_TRUE(root->DeleteXMLObject(b));
    EXPECT_FALSE(root->DeleteXMLObject(stranger));
    EXPECT_EQ(root->CountLXMLObject(), 2);
}

TEST(XMLModel, DocumentTypeListsAndEntityReferences) {
    TXMLCreater doc;
    TXMLDocType* type = doc.CreateXMLDocType("d");
    TDTDEntity* e = type->AddDTDEntity("e");
    e->Add("one");
    e->Add("two");
    e->Add("two");
    EXPECT_EQ(e->StrEntity("two"), "&e2;");
    EXPECT_EQ(e->StrEntity("three"), "");
    TDTDString* plain = type->AddDTDString("e");
    EXPECT_EQ(type->FindDTDEntity("e"), e);
    EXPECT_EQ(type->FindDTDString("e", "TDTDString"), plain);
    EXPECT_EQ(type->FindDTDString("e", "TDTDEntity"), e);
    EXPECT_EQ(type->CountLDTDString(), 2);
    // Replacing the document type drops the old lists.
    EXPECT_EQ(doc.CreateXMLDocType("n")->CountLDTDString(), 0);
    doc.Clear();
    EXPECT_EQ(doc.XMLDocType(), nullptr);
    EXPECT_EQ(doc.MainXMLObject(), nullptr);
}

TEST(XMLModel, ElementAndDocumentTypeWriteToStream) {
    TXMLCreater doc;
    TXMLObject* root = doc.CreateMainXMLObject("r");
    TXMLObject* child = root->CreateXMLObject("c");
    child->AddNewXMLField("f", int32_t{-5});
    TMemoryStream stream;
    ASSERT_TRUE(child->WriteToStream(stream));
    const auto& bytes = stream.Bytes();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<c>\r\n<f>-5</f>\r\n</c>\r\n");

    TMemoryStream whole;
    ASSERT_TRUE(doc.WriteToStream(whole));
    std::string text;
    ASSERT_TRUE(doc.SaveToAnsiString(text));
    EXPECT_EQ(std::string(whole.Bytes().begin(), whole.Bytes().end()), text);
}

class XMLFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zavlin-xml-test-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string fileText(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
};

TEST_F(XMLFiles, SaveThenLoadAndNotifications) {
    TXMLCreater doc;
    doc.CreateMainXMLObject("r")->AddNewXMLField("f", kMir);
    std::vector<std::string> events;
    doc.onBeforeSaveToFile = [&] { events.push_back("before"); };
    doc.onAfterSaveToFile = [&] { events.push_back("after"); };
    const auto path = dir_ / "doc.xml";
    ASSERT_TRUE(doc.SaveToFile(path)) << doc.LastError();
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
    std::string text;
    ASSERT_TRUE(doc.SaveToAnsiString(text));
    EXPECT_EQ(fileText(path), text);

    TXMLCreater loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path)) << loaded.LastError();
    EXPECT_EQ(loaded.MainXMLObject()->FindXMLField("f")->asString(), kMir);

    EXPECT_FALSE(loaded.LoadFromFile(dir_ / "missing.xml"));
    EXPECT_EQ(loaded.MainXMLObject(), nullptr);
    EXPECT_NE(loaded.LastError().find("missing.xml"), std::string::npos);
}

TEST_F(XMLFiles, FailedSaveLeavesTheOldFileWhole) {
    const auto path = dir_ / "doc.xml";
    {
        std::ofstream out(path, std::ios::binary);
        out << "old contents";
    }
    TXMLCreater doc;
    doc.CreateMainXMLObject("r")->AddNewXMLField("f", std::string(10000, 'x'));
    bool after = false;
    doc.onAfterSaveToFile = [&] { after = true; };
    FaultInjectingFileSystem faulty;
    std::string text;
    ASSERT_TRUE(doc.SaveToAnsiString(text));
    // Fail each operation of the save in turn until it completes: the file
    // holds the old or the new text, never a part.
    for (uint64_t n = 1;; ++n) {
        faulty.failAt(n, true, true);
        after = false;
        const bool ok = doc.SaveToFile(path, faulty);
        EXPECT_EQ(after, ok);
        if (!faulty.failed()) {
            ASSERT_TRUE(ok);
            break;
        }
        EXPECT_EQ(fileText(path), ok ? text : "old contents") << "operation " << n;
        if (!ok) {
            EXPECT_FALSE(doc.LastError().empty());
        }
        ASSERT_LT(n, 50u);
    }
    EXPECT_TRUE(after);
    EXPECT_EQ(fileText(path), text);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "doc.xml.new"));
}

}  // namespace
}  // namespace zavlin
