// The reader: the tree it rebuilds, the encodings it turns into UTF-8, and
// every kind of bad input it must refuse with the line and an empty document.
#include <gtest/gtest.h>

#include <string>

#include "export/xml_document.h"

namespace zavlin {
namespace {

const std::string kMir = "\xD0\x9C\xD0\xB8\xD1\x80";  // "Мир" in UTF-8

std::string fieldText(const TXMLObject* o, const char* name) {
    const TXMLField* f = o == nullptr ? nullptr : o->FindXMLField(name);
    return f == nullptr ? "<missing>" : f->asString();
}

TEST(XMLReader, RebuildsFieldsAttributesAndChildren) {
    TXMLCreater doc;
    ASSERT_TRUE(
        doc.LoadFromAnsiString("<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n"
                               "<Data God=\"2016\" t='a&lt;&quot;b'>\r\n"
                               "<Name>A&lt;B</Name>\r\n"
                               "<Empty/>\r\n"
                               "<Group id=\"1\"/>\r\n"
                               "<Week>\r\n<Day>\xCC\xE8\xF0</Day>\r\n</Week>\r\n"
                               "</Data>\r\n"))
        << doc.LastError();
    EXPECT_EQ(doc.LastError(), "");
    const TXMLObject* data = doc.MainXMLObject();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Name(), "Data");
    ASSERT_EQ(data->CountLXMLAtr(), 2);
    EXPECT_EQ(data->XMLAtr(0)->asString(), "2016");
    EXPECT_EQ(data->XMLAtr(0)->Type(), usTypeField::usString);
    EXPECT_EQ(data->FindXMLAtr("t")->asString(), "a<\"b");
    // Text-only children are fields; those with attributes or elements are elements.
    EXPECT_EQ(data->CountLXMLField(), 2);
    EXPECT_EQ(fieldText(data, "Name"), "A<B");
    EXPECT_EQ(fieldText(data, "Empty"), "");
    ASSERT_EQ(data->CountLXMLObject(), 2);
    EXPECT_EQ(data->XMLObject(0)->Name(), "Group");
    EXPECT_EQ(fieldText(data->FindXMLObject("Week"), "Day"), kMir);
    EXPECT_EQ(data->FindXMLObject("Week")->BossXMLObject(), data);
}

TEST(XMLReader, PairsNestedElementsOfTheSameName) {
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString("<a><a x=\"1\"><a>in</a></a><b>after</b></a>"))
        << doc.LastError();
    const TXMLObject* outer = doc.MainXMLObject();
    EXPECT_EQ(fieldText(outer, "b"), "after");
    ASSERT_EQ(outer->CountLXMLObject(), 1);
    EXPECT_EQ(fieldText(outer->XMLObject(0), "a"), "in");
}

TEST(XMLReader, EncodingsOfTheProlog) {
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a><b>" + kMir +
                                       "</b></a>"));
    EXPECT_EQ(doc.Encoding(), "UTF-8");
    EXPECT_EQ(fieldText(doc.MainXMLObject(), "b"), kMir);
    std::string text;
    ASSERT_TRUE(doc.SaveToAnsiString(text));
    EXPECT_NE(text.find("<b>" + kMir + "</b>"), std::string::npos);

    // KOI8-R: "Мир" is ED C9 D2, and the attribute's "ё" is A3.
    ASSERT_TRUE(doc.LoadFromAnsiString(
        "<?xml version=\"1.0\" encoding=\"KOI8-R\" ?>\r\n<a n=\"\xA3\"><b>\xED\xC9\xD2</b></a>"));
    EXPECT_EQ(doc.UnicodeCodecType(), TUnicodeCodecType::ucKOI8_R);
    EXPECT_EQ(fieldText(doc.MainXMLObject(), "b"), kMir);
    EXPECT_EQ(doc.MainXMLObject()->FindXMLAtr("n")->asString(), "\xD1\x91");

    // Without a declaration the document's current encoding applies; a byte
    // order mark says UTF-8.
    TXMLCreater plain;
    ASSERT_TRUE(plain.LoadFromAnsiString("<a><b>\xCC\xE8\xF0</b></a>"));
    EXPECT_EQ(fieldText(plain.MainXMLObject(), "b"), kMir);
    ASSERT_TRUE(plain.LoadFromAnsiString("\xEF\xBB\xBF<a><b>" + kMir + "</b></a>"));
    EXPECT_EQ(fieldText(plain.MainXMLObject(), "b"), kMir);
    EXPECT_EQ(plain.Encoding(), "UTF-8");

    // Letters in the declaration grow in UTF-8: the body still starts right
    // after it, in both single-byte encodings.
    ASSERT_TRUE(
        doc.LoadFromAnsiString("<?xml version=\"1.0\" encoding=\"windows-1251\" "
                               "note=\"\xCC\xE8\xF0\xCC\xE8\xF0\"?><a><b>\xCC\xE8\xF0</b></a>"))
        << doc.LastError();
    EXPECT_EQ(fieldText(doc.MainXMLObject(), "b"), kMir);
    ASSERT_TRUE(
        doc.LoadFromAnsiString("<?xml version=\"1.0\" encoding=\"KOI8-R\" "
                               "note=\"\xED\xC9\xD2\"?>\n<a><b>\xED\xC9\xD2</b></a>"))
        << doc.LastError();
    EXPECT_EQ(fieldText(doc.MainXMLObject(), "b"), kMir);

    // A UTF-8 mark with a declared single-byte encoding contradicts itself.
    EXPECT_FALSE(
        doc.LoadFromAnsiString("\xEF\xBB\xBF<?xml version=\"1.0\" "
                               "encoding=\"windows-1251\"?><a><b>" +
                               kMir + "</b></a>"));
    EXPECT_EQ(doc.MainXMLObject(), nullptr);
    EXPECT_EQ(doc.LastError(),
              "Ошибка в документе XML, строка 1: метка UTF-8 в начале файла, а кодировка "
              "\"windows-1251\"");
    ASSERT_TRUE(doc.LoadFromAnsiString(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><a><b>" + kMir + "</b></a>"));
    EXPECT_EQ(fieldText(doc.MainXMLObject(), "b"), kMir);
}

TEST(XMLReader, ExpandsReferencesAndKeepsTheEntityLists) {
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString(
        "<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n"
        "<!DOCTYPE Rasp[\r\n"
        "<!ENTITY fio1 \"\xCC\xE8\xF0\">\r\n"
        "<!ENTITY fio3 \"a&amp;b\">\r\n"
        "<!ENTITY both \"&fio1;+&fio3;\">\r\n"
        "<!-- a note -->\r\n"
        "<!ENTITY fio1 \"ignored: the first declaration counts\">\r\n"
        "]>\r\n"
        "<r a=\"&fio3;&#65;\"><f>&fio1;&#x41;&#1052;&apos;&gt;</f><g>&both;</g>"
        "<c><![CDATA[<not markup> &fio1;]]><!-- c --></c></r>"))
        << doc.LastError();
    const TXMLObject* r = doc.MainXMLObject();
    EXPECT_EQ(r->FindXMLAtr("a")->asString(), "a&bA");
    EXPECT_EQ(fieldText(r, "f"), kMir + "A\xD0\x9C'>");
    EXPECT_EQ(fieldText(r, "g"), kMir + "+a&b");
    EXPECT_EQ(fieldText(r, "c"), "<not markup> &fio1;");

    const TXMLDocType* type = doc.XMLDocType();
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->DocTypeName(), "Rasp");
    const TDTDEntity* fio = type->FindDTDEntity("fio");
    ASSERT_NE(fio, nullptr);
    EXPECT_EQ(fio->Lines, (std::vector<std::string>{kMir, "", "a&b"}));
    // "both" has no line number: expanded, but no list of the model.
    EXPECT_EQ(type->CountLDTDString(), 1);
}

TEST(XMLReader, ExternalIdentifierIsNeverFetched) {
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString(
        "<!DOCTYPE r SYSTEM \"http://127.0.0.1:1/none.dtd\"><r><f>1</f></r>"))
        << doc.LastError();
    EXPECT_EQ(fieldText(doc.MainXMLObject(), "f"), "1");
}

struct BadInput {
    const char* what;
    std::string text;
    int line;
};

TEST(XMLReader, RefusesMalformedInputNamingTheLine) {
    const std::string prolog = "<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n";
    std::string deep;
    for (int i = 0; i < kXMLMaxDepth + 1; ++i) deep += "<e>";
    const std::vector<BadInput> cases = {
        {"empty", "", 1},
        {"only blanks", "  \r\n ", 2},
        {"unclosed element", prolog + "<a>\r\n<b>1</b>\r\n", 2},
        {"unclosed start tag", prolog + "<a\r\n x=\"1\"", 2},
        {"mismatched end tag", prolog + "<a>\r\n<b>\r\n</a>\r\n</b>", 4},
        {"truncated", prolog + "<a>\r\n<b>12</b>\r\n<c>3", 4},
        {"NUL byte", prolog + "<a>\r\n" + std::string(1, '\0') + "</a>", 3},
        {"attribute without quotes", prolog + "<a\r\n\r\nx=1>", 4},
        {"attribute without value", prolog + "<a x>", 2},
        {"attributes run together", prolog + "<a x=\"1\"y=\"2\">", 2},
        {"less-than in an attribute", prolog + "<a x=\"<\"></a>", 2},
        {"bad UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<a>\r\n\xC3\x28</a>", 3},
        {"overlong UTF-8", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xC0\xAF</a>", 1},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC\" ?><a/>", 1},
        {"unclosed prolog", "\r\n<?xml version=\"1.0\" <a/>", 2},
        {"unknown entity", prolog + "<a>\r\n&nope;</a>", 3},
        {"ampersand alone", prolog + "<a>a & b</a>", 2},
        {"character reference zero", prolog + "<a>&#0;</a>", 2},
        {"surrogate reference", prolog + "<a>&#xD800;</a>", 2},
        {"external entity",
         prolog + "<!DOCTYPE a[\r\n<!ENTITY e SYSTEM \"/etc/passwd\">]><a>&e;</a>", 3},
        {"parameter entity", prolog + "<!DOCTYPE a[\r\n<!ENTITY % p \"x\">]><a/>", 3},
        {"unclosed document type", prolog + "<!DOCTYPE a[\r\n<!ENTITY e \"x\">", 3},
        {"text before the root", prolog + "junk<a/>", 2},
        {"text after the root", prolog + "<a/>\r\n<b/>", 3},
        {"no root", prolog + "<!-- only -->", 2},
        {"unclosed comment", prolog + "<a><!-- </a>", 2},
        {"too deep", prolog + deep, 2},
    };
    for (const BadInput& c : cases) {
        TXMLCreater doc;
        ASSERT_TRUE(doc.LoadFromAnsiString("<?xml version=\"1.0\"?><old><f>1</f></old>"));
        doc.CreateXMLDocType("old");
        EXPECT_FALSE(doc.LoadFromAnsiString(c.text)) << c.what;
        EXPECT_EQ(doc.MainXMLObject(), nullptr) << c.what;
        EXPECT_EQ(doc.XMLDocType(), nullptr) << c.what;
        EXPECT_NE(doc.LastError().find("строка " + std::to_string(c.line) + ":"), std::string::npos)
            << c.what << ": " << doc.LastError();
    }
}

TEST(XMLReader, DepthLimitIsInclusive) {
    std::string text;
    for (int i = 0; i < kXMLMaxDepth; ++i) text += "<e x=\"1\">";
    for (int i = 0; i < kXMLMaxDepth; ++i) text += "</e>";
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString(text)) << doc.LastError();
    EXPECT_EQ(doc.FindFirstXMLObject("e"), doc.MainXMLObject());
}

std::string billionLaughs() {
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    std::string previous = "lol";
    for (int i = 1; i <= 9; ++i) {
        const std::string name = "lol" + std::to_string(i);
        text += "<!ENTITY " + name + " \"";
        for (int k = 0; k < 10; ++k) text += "&" + previous + ";";
        text += "\">\n";
        previous = name;
    }
    return text + "]>\n<lolz>&lol9;</lolz>\n";
}

TEST(XMLReader, RefusesEntityBlowUps) {
    TXMLCreater doc;
    EXPECT_FALSE(doc.LoadFromAnsiString(billionLaughs()));
    EXPECT_EQ(doc.MainXMLObject(), nullptr);
    EXPECT_NE(doc.LastError().find("подстановки сущностей длиннее"), std::string::npos)
        << doc.LastError();

    // One big entity referenced many times: each reference alone is cheap.
    std::string quadratic = "<!DOCTYPE q [<!ENTITY big \"" + std::string(50000, 'x') + "\">]>\n<q>";
    for (int i = 0; i < 10000; ++i) quadratic += "&big;";
    quadratic += "</q>";
    EXPECT_FALSE(doc.LoadFromAnsiString(quadratic));
    EXPECT_NE(doc.LastError().find("строка 2: подстановки сущностей длиннее"), std::string::npos)
        << doc.LastError();

    // Many tiny expansions are bounded by their count.
    std::string many = "<!DOCTYPE q [<!ENTITY e \"\">]><q>";
    for (uint64_t i = 0; i <= kXMLMaxEntityExpansions; ++i) many += "&e;";
    many += "</q>";
    EXPECT_FALSE(doc.LoadFromAnsiString(many));
    EXPECT_NE(doc.LastError().find("подстановок сущностей больше"), std::string::npos)
        << doc.LastError();

    // Short declarations with high line numbers under many list names: the
    // empty lines they would keep are paid for like expanded text.
    std::string lines = "<!DOCTYPE q [";
    for (int i = 0; i < 400; ++i)
        lines +=
            "<!ENTITY b" + std::to_string(i) + "x" + std::to_string(kXMLMaxEntityLine) + " \"\">";
    lines += "]><q/>";
    EXPECT_FALSE(doc.LoadFromAnsiString(lines));
    EXPECT_NE(doc.LastError().find("подстановки сущностей длиннее"), std::string::npos)
        << doc.LastError();
    EXPECT_EQ(doc.XMLDocType(), nullptr);

    // The budget grows with the input only twofold.
    const std::string big(50000, 'x');
    auto padded = [&](int refs) {
        std::string t = "<!DOCTYPE q [<!ENTITY big \"" + big + "\">]><!--" +
                        std::string(kXMLMinExpansionBudget, '.') + "--><q><f>";
        for (int i = 0; i < refs; ++i) t += "&big;";
        return t + "</f></q>";
    };
    EXPECT_FALSE(doc.LoadFromAnsiString(padded(50)));  // 2.5 MB from about 1 MB
    EXPECT_NE(doc.LastError().find("подстановки сущностей длиннее"), std::string::npos)
        << doc.LastError();
    ASSERT_TRUE(doc.LoadFromAnsiString(padded(30))) << doc.LastError();

    // An input above the file bound is refused before it is read.
    EXPECT_FALSE(doc.LoadFromAnsiString(std::string(kXMLMaxFileSize + 1, ' ')));
    EXPECT_EQ(doc.LastError(), "Документ XML длиннее " + std::to_string(kXMLMaxFileSize) + " байт");

    // Below the bounds the same shapes read.
    ASSERT_TRUE(
        doc.LoadFromAnsiString("<!DOCTYPE q [<!ENTITY b9999 \"z\"><!ENTITY b2 \"y\">]><q/>"))
        << doc.LastError();
    const TDTDEntity* b = doc.XMLDocType()->FindDTDEntity("b");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Lines.size(), 9999u);
    EXPECT_EQ(b->Lines[1], "y");
    EXPECT_EQ(b->Lines[9998], "z");
    EXPECT_EQ(doc.XMLDocType()->CountLDTDString(), 1);

    std::string fine = "<!DOCTYPE q [<!ENTITY e \"ab\">]><q><f>";
    for (int i = 0; i < 1000; ++i) fine += "&e;";
    fine += "</f></q>";
    ASSERT_TRUE(doc.LoadFromAnsiString(fine)) << doc.LastError();
    EXPECT_EQ(doc.MainXMLObject()->FindXMLField("f")->asString().size(), 2000u);
}

}  // namespace
}  // namespace zavlin
