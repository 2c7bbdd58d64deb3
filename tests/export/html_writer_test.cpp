// The HTML writer's renderings against hand-written bytes: every class, its
// defaults and edge cases, the escaping of data texts and the save.
#include "export/html_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/cp1251.h"
#include "support/scratch_home.h"

namespace zavlin::html {
namespace {

namespace fs = std::filesystem;

// Expected page bytes written in UTF-8 for readability.
std::string cp(const std::string& utf8) {
    return utf8ToCp1251(utf8);
}

TEST(HtmlWriter, FontAndColourTags) {
    TFontHtml font;
    EXPECT_EQ(font.Render(), "");
    font.Size = 4;
    EXPECT_EQ(font.Render(), "<FONT SIZE=4>");
    font.StrColor = "RED";
    EXPECT_EQ(font.Render(), "<FONT SIZE=4 COLOR=\"RED\">");
    font.Size = 0;
    EXPECT_EQ(font.Render(), "<FONT COLOR=\"RED\">");
    // The colour is cut to its 255 characters.
    font.StrColor = std::string(300, 'A');
    EXPECT_EQ(font.Render(), "<FONT COLOR=\"" + std::string(255, 'A') + "\">");

    TColorHtml colour;
    EXPECT_EQ(colour.Render(), "");
    colour.StrColor = "AQUA";
    EXPECT_EQ(colour.Render(), "COLOR=\"AQUA\"");
}

TEST(HtmlWriter, StringsTextsAndLinks) {
    TStringHtml plain("Пара");
    EXPECT_EQ(plain.Render(), "\xCF\xE0\xF0\xE0");  // Windows-1251, no font, no </FONT>

    // One <BR> per CR LF line end; a lone LF disappears.
    TStringHtml lines("a\r\nb\r\nc\nd");
    EXPECT_EQ(lines.Render(), "a<BR>b<BR>cd");

    TStringHtml styled("x");
    styled.Font().Size = 2;
    styled.UnderLine = true;
    styled.BR = true;
    EXPECT_EQ(styled.Render(), "<U><FONT SIZE=2>x</FONT></U><BR>");

    TTextHtml text("t");
    EXPECT_EQ(text.Render(), "t");
    text.Paragraf = true;
    EXPECT_EQ(text.Render(), "<P>t</P>\r\n");
    const std::pair<TAlignHtml, const char*> aligns[] = {{TAlignHtml::alLeft, "LEFT"},
                                                         {TAlignHtml::alCenter, "CENTER"},
                                                         {TAlignHtml::alRight, "RIGHT"}};
    for (const auto& [align, word] : aligns) {
        text.Align = align;
        EXPECT_EQ(text.Render(), std::string("<P ALIGN=") + word + ">t</P>\r\n");
    }
    text.Font().StrColor = "RED";
    text.Align = TAlignHtml::alCenter;
    EXPECT_EQ(text.Render(), "<P ALIGN=CENTER><FONT COLOR=\"RED\">t</FONT></P>\r\n");

    TLinkHtml link("Назад", "allgryp.htm");
    EXPECT_EQ(link.Render(), "<A HREF=\"allgryp.htm\">" + cp("Назад") + "</A>");
    link.Font().Size = 3;
    link.BR = true;
    EXPECT_EQ(link.Render(),
              "<A HREF=\"allgryp.htm\"><FONT SIZE=3>" + cp("Назад") + "</FONT><BR></A>");
}

TEST(HtmlWriter, GridsHeadsRowsAndCells) {
    TGridHtml grid;
    // The header row is in place but renders nothing without columns; the
    // border colour is black from the start; border 0 is not written.
    ASSERT_NE(grid.Headr(), nullptr);
    EXPECT_EQ(grid.Count(), 1);
    EXPECT_EQ(grid.Render(),
              "<TABLE BORDERCOLOR=BLACK Cellspacing=0 cellpadding=0>\r\n"
              "\r\n</TABLE>");

    grid.Border = 1;
    grid.Caption = "Итог";
    THStringHtml* wide = grid.Headr()->AddCol("A");
    wide->ColSpan = 2;
    wide->Align = TAlignHtml::alRight;
    THStringHtml* one = grid.Headr()->AddCol("B");
    one->ColSpan = 1;  // a span of one is no span
    one->RowSpan = 3;
    TRowGridHtml* row = grid.AddRow();
    TCellsGridHtml* cell = row->AddCells();
    cell->AddText("x")->BR = true;
    cell->AddLink("y", "p.htm");
    cell->ColSpan = 2;
    cell->RowSpan = 4;
    cell->Align = TAlignHtml::alLeft;
    row->AddCells();  // an empty cell
    EXPECT_EQ(grid.Render(),
              "<TABLE BORDER=1 BORDERCOLOR=BLACK Cellspacing=0 cellpadding=0>\r\n"
              "<CAPTION>" +
                  cp("Итог") +
                  "</CAPTION>\r\n"
                  "<TR>\r\n"
                  "  <TH COLSPAN=2 ALIGN=RIGHT>A</TH>\r\n"
                  "  <TH ROWSPAN=3>B</TH>\r\n"
                  "</TR>\r\n"
                  "<TR>\r\n"
                  "  <TD COLSPAN=2 ROWSPAN=4 ALIGN=LEFT>x<BR><A HREF=\"p.htm\">y</A></TD>\r\n"
                  "  <TD></TD>\r\n"
                  "</TR>\r\n"
                  "\r\n</TABLE>");

    // Without a colour no BORDERCOLOR.
    grid.FColor.StrColor.clear();
    EXPECT_EQ(grid.Render().rfind("<TABLE BORDER=1 Cellspacing=0 cellpadding=0>\r\n", 0), 0u);
}

TEST(HtmlWriter, RowsAreDeletedByPosition) {
    TGridHtml grid;
    TRowGridHtml* first = grid.AddRow();
    TRowGridHtml* second = grid.AddRow();
    first->AddCells()->AddText("1");
    second->AddCells()->AddText("2");
    EXPECT_EQ(grid.DelRow(first), 1);  // after the header row
    EXPECT_EQ(grid.Count(), 2);
    EXPECT_EQ(grid.Render().find("<TD>1</TD>"), std::string::npos);
    EXPECT_NE(grid.Render().find("<TD>2</TD>"), std::string::npos);

    TGridHtml other;
    EXPECT_EQ(grid.DelRow(other.AddRow()), -1);
    EXPECT_EQ(grid.DelRow(nullptr), -1);
    EXPECT_EQ(grid.DelRow(second), 1);
    EXPECT_EQ(grid.Count(), 1);
    EXPECT_NE(grid.Headr(), nullptr);
}

TEST(HtmlWriter, TheWholeDocument) {
    TFileHtml file;
    EXPECT_EQ(file.Head().Title(), "NoName");
    EXPECT_EQ(file.Count(), 2);
    const std::string meta =
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">";
    EXPECT_EQ(file.Render(), "<HTML>\r\n<HEAD>\r\n<TITLE>NoName</TITLE>\r\n" + meta +
                                 "\r\n\r\n</HEAD>\r\n<BODY>\r\n\r\n</BODY>\r\n</HTML>");

    file.Head().SetTitle("Расписание групп");
    file.Body().BGColor().StrColor = "AQUA";
    file.Body().BaseFont().Size = 3;
    TTextHtml* heading = file.Body().AddText("РАСПИСАНИЕ");
    heading->Paragraf = true;
    heading->Align = TAlignHtml::alCenter;
    heading->Font().Size = 4;
    heading->Font().StrColor = "RED";
    file.Body().AddGrid()->Headr()->AddCol("Группы");
    file.Body().AddLink("Назад", "allgryp.htm");
    EXPECT_EQ(file.Render(), "<HTML>\r\n<HEAD>\r\n<TITLE>" + cp("Расписание групп") +
                                 "</TITLE>\r\n" + meta +
                                 "\r\n\r\n</HEAD>\r\n"
                                 "<BODY BGCOLOR=\"AQUA\">\r\n"
                                 "<BASEFONT=3>"
                                 "<P ALIGN=CENTER><FONT SIZE=4 COLOR=\"RED\">" +
                                 cp("РАСПИСАНИЕ") +
                                 "</FONT></P>\r\n"
                                 "<TABLE BORDERCOLOR=BLACK Cellspacing=0 cellpadding=0>\r\n"
                                 "<TR>\r\n  <TH>" +
                                 cp("Группы") +
                                 "</TH>\r\n</TR>\r\n\r\n</TABLE>"
                                 "<A HREF=\"allgryp.htm\">" +
                                 cp("Назад") + "</A>\r\n</BODY>\r\n</HTML>");
}

// Names typed by users reach the pages as text, never as markup.
TEST(HtmlWriter, DataTextsAreEscaped) {
    const std::string evil = "<script>alert(1)</script>";
    const std::string shown = "&lt;script&gt;alert(1)&lt;/script&gt;";
    EXPECT_EQ(TStringHtml(evil).Render(), shown);
    EXPECT_EQ(TStringHtml("Иванов & Сын \"ООО\"").Render(), cp("Иванов &amp; Сын &quot;ООО&quot;"));

    TLinkHtml link(evil, "a\"><script>x</script>.htm?a=1&b=2");
    EXPECT_EQ(
        link.Render(),
        "<A HREF=\"a&quot;&gt;&lt;script&gt;x&lt;/script&gt;.htm?a=1&amp;b=2\">" + shown + "</A>");

    TFileHtml file;
    file.Head().SetTitle("</TITLE>" + evil);
    TGridHtml* grid = file.Body().AddGrid();
    grid->Caption = evil;
    grid->Headr()->AddCol(evil);
    grid->AddRow()->AddCells()->AddText(evil);
    file.Body().AddText(evil)->Paragraf = true;
    const std::string page = file.Render();
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_NE(page.find("<TITLE>&lt;/TITLE&gt;" + shown + "</TITLE>"), std::string::npos);
    EXPECT_NE(page.find("<CAPTION>" + shown + "</CAPTION>"), std::string::npos);
    EXPECT_NE(page.find("<TH>" + shown + "</TH>"), std::string::npos);
    EXPECT_NE(page.find("<TD>" + shown + "</TD>"), std::string::npos);
    EXPECT_NE(page.find("<P>" + shown + "</P>"), std::string::npos);

    // Escaped first, so the <BR> of a line end stays markup.
    EXPECT_EQ(TStringHtml("a<b\r\nc>d").Render(), "a&lt;b<BR>c&gt;d");
}

TEST(HtmlWriter, CharactersOutsideTheCodePageBecomeReferences) {
    // "Ё" and "№" are in the code page; a check mark, a Greek letter and an
    // emoji are not.
    EXPECT_EQ(TStringHtml("Ёж №5").Render(),
              "\xA8\xE6 \xB9"
              "5");
    EXPECT_EQ(TStringHtml("✓ λ 😀").Render(), "&#10003; &#955; &#128512;");
    EXPECT_EQ(TLinkHtml("x", "λ.htm").Render(), "<A HREF=\"&#955;.htm\">x</A>");
    // A malformed byte is no character at all.
    EXPECT_EQ(TStringHtml(std::string("a\xFF") + "b").Render(), "a?b");
    // A question mark is itself.
    EXPECT_EQ(TStringHtml("?").Render(), "?");
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(HtmlWriter, SaveReplacesTheFileAndReportsFailure) {
    testsupport::ScratchHome scratch{"htmlsave"};
    ASSERT_FALSE(scratch.empty());
    TFileHtml file;
    file.SetFileName(scratch.path() / "page.htm");
    {
        std::ofstream old(file.FileName(), std::ios::binary);
        old << std::string(5000, 'x');  // longer than the page: nothing of it may stay
    }
    file.Head().SetTitle("Страница");
    ASSERT_TRUE(file.SaveToFile()) << file.LastError();
    EXPECT_EQ(readFile(file.FileName()), file.Render());
    EXPECT_FALSE(fs::exists(scratch.path() / "page.htm.new"));

    TFileHtml nowhere;
    nowhere.SetFileName(scratch.path() / "missing" / "page.htm");
    EXPECT_FALSE(nowhere.SaveToFile());
    EXPECT_FALSE(nowhere.LastError().empty());
    EXPECT_FALSE(fs::exists(nowhere.FileName()));

    TFileHtml unnamed;
    EXPECT_FALSE(unnamed.SaveToFile());
}

}  // namespace
}  // namespace zavlin::html
