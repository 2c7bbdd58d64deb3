// The RTF writer against hand-written bytes: head and closing, texts and
// their escapes, pages, paragraphs, tables (widths, merges, vertical text),
// tables taken from the report grid, and saving over an existing file.
#include "export/rtf_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/file_system.h"
#include "base/my_dialog.h"
#include "export/load_rtf.h"
#include "reports/report_table.h"
#include "support/scratch_home.h"

namespace zavlin::exporting {
namespace {

namespace fs = std::filesystem;

const std::string kHead =
    R"({\rtf1\ansi\ansicpg1251\deff0\deflang1049{\fonttbl{\f0\fnil MS Sans Serif;}})"
    "\r\n"
    R"(\viewkind4\uc1\pard\f0\fs16 )";
const std::string kEnd = std::string("\r\n\\par }\r\n") + '\0';
const std::string kTableEnd =
    R"(\pard \ql \li0\ri0\widctlpar\aspalpha\aspnum\faauto\adjustright\rin0\lin0\itap0)";
const std::string kCellStart =
    R"(\pard \ql \li0\ri0\widctlpar\intbl\aspalpha\aspnum\faauto\adjustright\rin0\lin0)";
const std::string kBorders =
    R"(\clbrdrt\brdrs\brdrw10\clbrdrl\brdrs\brdrw10\clbrdrb\brdrs\brdrw10\clbrdrr\brdrs\brdrw10)";
const std::string kAuto = R"(\trftsWidth1\trautofit1)";
const std::string kPad = R"(\trpaddl18\trpaddr18\clvertalt)";

// What follows the head (whatever fonts it lists) and precedes the closing.
std::string body(const TFileRtf& doc) {
    const std::string all = doc.Render();
    const std::string headEnd =
        "}\r\n"
        R"(\viewkind4\uc1\pard\f0\fs16 )";
    const std::size_t start = all.find(headEnd);
    EXPECT_TRUE(all.starts_with(kHead.substr(0, kHead.find("{\\f0")))) << all;
    EXPECT_TRUE(all.ends_with(kEnd)) << all;
    if (start == std::string::npos || all.size() < start + headEnd.size() + kEnd.size()) return {};
    return all.substr(start + headEnd.size(), all.size() - start - headEnd.size() - kEnd.size());
}

// A cell's definition with borders, horizontal text and no merge mark.
std::string plainDef(int cellx, bool autoFormat = false) {
    return (autoFormat ? kAuto : "") + kPad + kBorders + R"(\cltxlrtb\cellx)" +
           std::to_string(cellx);
}

std::string cellText(const std::string& rtf, bool closes = true) {
    return kCellStart + "{" + rtf + (closes ? R"(\cell )" : "") + "}";
}

std::string fileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(RtfDocument, HeadClosingAndPlainTextsOfOnePortraitPage) {
    TFileRtf doc;
    EXPECT_EQ(doc.Render(), kHead + kEnd);
    TParagRtf* par = doc.AddPage()->AddParagraf();
    par->AddString("Группа 1");
    par->AddLn();
    par->AddStringLn("x");
    // Six letters as their Windows-1251 codes, then the blank and the digit.
    EXPECT_EQ(body(doc), R"(\'C3\'F0\'F3\'EF\'EF\'E0 1\par x\par )");
}

TEST(RtfDocument, DataTextsAreEscapedControlWordsAreNot) {
    // Braces and backslashes of data would otherwise open groups or start
    // control words and break the document.
    EXPECT_EQ(RtfText(R"(a\b{c})"), R"(a\\b\{c\})");
    // CR ends a paragraph, LF is dropped.
    EXPECT_EQ(RtfText("x\r\ny\nz"), R"(x\par yz)");
    // In the code page: its byte; outside: the signed 16-bit code and "?".
    EXPECT_EQ(RtfText("€№"), R"(\'88\'B9)");
    EXPECT_EQ(RtfText("✓"), R"(\u10003?)");
    EXPECT_EQ(RtfText("ę"), R"(\u281?)");
    EXPECT_EQ(RtfText("\xEF\xBF\xBD"), R"(\u-3?)");
    // Beyond the 16-bit plane: a surrogate pair.
    EXPECT_EQ(RtfText("😀"), R"(\u-10179?\u-8704?)");
    // A byte that starts no UTF-8 character.
    EXPECT_EQ(RtfText("a\xFF"
                      "b"),
              "a?b");

    // Whatever bytes come in, the output is 7-bit text without raw line
    // breaks or unescaped braces: a document a reader can parse.
    for (int b1 = 0; b1 < 256; ++b1)
        for (int b2 = 0; b2 < 256; b2 += 3) {
            const std::string in = {static_cast<char>(b1), static_cast<char>(b2), '\xD0', '{'};
            const std::string out = RtfText(in);
            for (std::size_t i = 0; i < out.size(); ++i) {
                const auto c = static_cast<unsigned char>(out[i]);
                ASSERT_LT(c, 0x80) << b1 << " " << b2;
                ASSERT_TRUE(c != '\r' && c != '\n') << b1 << " " << b2;
                if (c == '\\')
                    ++i;
                else
                    ASSERT_TRUE(c != '{' && c != '}') << b1 << " " << b2 << " " << out;
            }
        }

    TFileRtf doc;
    TPageRtf* page = doc.AddPage();
    page->AddStringLn("{x}");
    TTextRtf* t = page->AddString("y");
    t->SetNameFont("Sym{bol}");
    EXPECT_NE(doc.Render().find(R"({\f1\fnil Sym\{bol\};})"), std::string::npos);
    EXPECT_EQ(body(doc), R"(\{x\}\par {\f1 y\plain})");
}

TEST(RtfDocument, FontCodesParagraphFramesAndFontTable) {
    TFileRtf doc;
    TParagRtf* par = doc.AddPage()->AddParagraf();
    par->SetCentrQuad(true);
    TTextRtf* big = par->AddString("A");
    big->SetSize(12);
    big->SetBold(true);
    big->SetULine(true);
    TTextRtf* other = par->AddString("B");
    other->SetNameFont("Arial");
    other->SetItalic(true);
    // A format written without anything set still frames the text.
    par->AddString("C")->SetBold(false);
    EXPECT_EQ(body(doc), R"({\pard\qc {\fs24\b\ul A\plain}{\f1\i B\plain}{C\plain}\pard})");
    EXPECT_EQ(other->NameFont(), "Arial");
    EXPECT_EQ(big->NameFont(), "MS Sans Serif");
    // One entry per name, in order of first use.
    par->AddString("D")->SetNameFont("Arial");
    const std::string all = doc.Render();
    EXPECT_NE(all.find(R"({\fonttbl{\f0\fnil MS Sans Serif;}{\f1\fnil Arial;}})"),
              std::string::npos);
    EXPECT_EQ(all.find("Arial", all.find("Arial") + 1), std::string::npos);

    // Alignment off again, font entry 0 set: the frame names the font.
    par->SetCentrQuad(false);
    par->SetNameFont("MS Sans Serif");
    EXPECT_TRUE(body(doc).starts_with(R"({\pard\f0 {)"));
    // Clearing empties the body and brings the first font back alone.
    doc.Clear();
    EXPECT_EQ(doc.Render(), kHead + kEnd);
}

TEST(RtfDocument, LandscapePagesSwitchBackBeforeAPortraitOne) {
    TFileRtf doc;
    doc.SetLandscapeTrue(true);
    doc.AddPage()->AddString("1");
    doc.AddPage()->AddString("2");
    doc.SetLandscapeTrue(false);
    doc.AddPage()->AddString("3");
    EXPECT_EQ(body(doc),
              R"(\landscape\paperw16838\paperh11906 1\page )"
              R"(\landscape\paperw16838\paperh11906 2\landscape0\paperw11906\paperh16838 \page )"
              "3");
}

TEST(RtfTable, FourEqualColumnsShareALandscapePage) {
    TFileRtf doc;
    doc.SetLandscapeTrue(true);
    TGridRtf* grid = doc.AddPage()->AddGrid();
    grid->SetAutoFormat(false);
    TRowRtf* row = grid->AddRow();
    for (const char* s : {"a", "b", "c", "d"}) row->AddCell(s);
    // 16838 - 3348 = 13490 twips, 3372 each; every \cellx adds the index.
    EXPECT_EQ(body(doc), R"(\landscape\paperw16838\paperh11906 )"
                         R"({\trowd \trgaph18\trleft-18 )" +
                             plainDef(3372) + plainDef(6745) + plainDef(10118) + plainDef(13491) +
                             cellText("a") + cellText("b") + cellText("c") + cellText("d") +
                             R"(\row })" + kTableEnd);
    EXPECT_EQ(grid->WidthMax(), 4 * 3372);
}

TEST(RtfTable, FixedWidthsStayAndTheRestShareWhatIsLeft) {
    TFileRtf doc;
    TGridRtf* grid = doc.AddPage()->AddGrid();
    TRowRtf* first = grid->AddRow();
    first->AddCell("n")->SetCellx(2000);
    first->AddCell("x");
    first->AddCell("y");
    // The second row's first cell takes the fixed width from above; its
    // extra cell has no cell above and no say in the widths.
    TRowRtf* second = grid->AddRow();
    for (int k = 0; k < 3; ++k) second->AddCell();
    EXPECT_TRUE(second->Cell(0)->FDefailtCellX);
    EXPECT_FALSE(second->Cell(1)->FDefailtCellX);
    (void)doc.Render();
    // Portrait: 11906 - 3348 = 8558, less 2000 fixed, over two columns.
    for (TRowRtf* row : {first, second}) {
        EXPECT_EQ(row->Cell(0)->FCellx, 2000);
        EXPECT_EQ(row->Cell(1)->FCellx, 3279);
        EXPECT_EQ(row->Cell(2)->FCellx, 3279);
    }

    // So many columns that the margins go: the full width less 108.
    TFileRtf wide;
    TRowRtf* many = wide.AddPage()->AddGrid()->AddRow();
    for (int k = 0; k < 428; ++k) many->AddCell();
    (void)wide.Render();
    EXPECT_EQ(many->Cell(427)->FCellx, (11906 - 108) / 428);
}

TEST(RtfTable, AlignmentOnlyWhenTheTableFitsTheWidth) {
    TFileRtf doc;
    TPageRtf* page = doc.AddPage();
    page->FQuad = 3;
    TGridRtf* grid = page->AddGrid();
    EXPECT_EQ(grid->FQuad, 3);
    grid->SetAutoFormat(false);
    TRowRtf* row = grid->AddRow();
    row->AddCell("a")->SetCellx(5000);
    EXPECT_NE(body(doc).find(R"(\trleft-18\trqc )"), std::string::npos);
    row->Cell(0)->SetCellx(20000);
    EXPECT_NE(body(doc).find(R"(\trleft-18 )"), std::string::npos);
    EXPECT_EQ(body(doc).find(R"(\trqc)"), std::string::npos);
}

TEST(RtfTable, VerticalMergeAcrossThreeRowsGathersTheCaptions) {
    TFileRtf doc;
    TGridRtf* grid = doc.AddPage()->AddGrid();
    grid->SetAutoFormat(false);
    grid->SetBordrWidth(0);
    for (const char* s : {"A", "B", "C"}) {
        TRowRtf* row = grid->AddRow();
        row->AddCell(s)->SetCellx(1000);
        row->AddCell(std::string(s) + "2")->SetCellx(1000);
    }
    grid->Row(0)->Cell(0)->SetMargeBottom(true);
    grid->Row(1)->Cell(0)->SetMargeBottom(true);
    const std::string def0 = kPad + R"(\cltxlrtb\cellx1000)";
    const std::string def1 = kPad + R"(\cltxlrtb\cellx2001)";
    const std::string open = R"({\trowd \trgaph18\trleft-18 )";
    EXPECT_EQ(body(doc), open + R"(\clvmgf )" + def0 + def1 + cellText(R"(A\par B\par C)") +
                             cellText("A2") + R"(\row })" + open + R"(\clvmrg )" + def0 + def1 +
                             cellText("") + cellText("B2") + R"(\row })" + open + R"(\clvmrg )" +
                             def0 + def1 + cellText("") + cellText("C2") + R"(\row })" + kTableEnd);
}

TEST(RtfTable, VerticalTextRaisesAnAutomaticRowOnly) {
    TFileRtf doc;
    TGridRtf* grid = doc.AddPage()->AddGrid();
    grid->SetAutoFormat(false);
    TRowRtf* row = grid->AddRow();
    row->AddCell("a")->SetCellx(1000);
    row->AddCell("v")->SetCellx(1000);
    row->Cell(1)->SetTextVert(true);
    EXPECT_EQ(row->RowHeight(), 1134);
    EXPECT_EQ(body(doc), R"({\trowd \trgaph18\trrh1134\trleft-18 )" + plainDef(1000) + kPad +
                             kBorders + R"(\cltxbtlr\clwWidth1019\cellx2001)" + cellText("a") +
                             cellText("v") + R"(\row })" + kTableEnd);

    TRowRtf* given = grid->AddRow();
    given->SetRowHeight(500);
    given->AddCell("w")->SetTextVert(true);
    EXPECT_EQ(given->RowHeight(), 500);
}

// The report grid of a window: four columns, one fixed row.
reports::TDGrid fourColumns() {
    reports::TDGrid g;
    g.SetSize(4, 2);
    g.FixedRows = 1;
    for (int c = 0; c < 4; ++c) g.SetCells(c, 0, std::string(1, static_cast<char>('A' + c)));
    return g;
}

TEST(RtfTable, HeaderOverColumnsOneToThreeBecomesOneCellAtTheTop) {
    reports::TDGrid g = fourColumns();
    for (int c = 0; c < 4; ++c) g.SetCells(c, 1, std::to_string(c));
    g.AddHeadrs(1, 3, 0, 1, "H");
    TFileRtf doc;
    TGridRtf* grid = doc.AddPage()->AddGrid(g);
    ASSERT_EQ(grid->RowCount(), 3);
    // Portrait: 8558 / 4 = 2139 a column.
    const std::string open = R"({\trowd \trgaph18\trleft-18 )";
    const std::string header =
        open + R"(\clvmgf )" + plainDef(2139, true) + kAuto + kPad + kBorders + R"(\cltxlrtb)" +
        kAuto + kPad + kBorders + R"(\cltxlrtb)" + plainDef(8559, true) + cellText(R"(\par A)") +
        cellText("H", false) + cellText("", false) + cellText("") + R"(\row })";
    const std::string fixed = open + R"(\clvmrg )" + plainDef(2139, true) + plainDef(4279, true) +
                              plainDef(6419, true) + plainDef(8559, true) + cellText("") +
                              cellText("B") + cellText("C") + cellText("D") + R"(\row })";
    const std::string data = open + plainDef(2139, true) + plainDef(4279, true) +
                             plainDef(6419, true) + plainDef(8559, true) + cellText("0") +
                             cellText("1") + cellText("2") + cellText("3") + R"(\row })";
    EXPECT_EQ(body(doc), header + fixed + data + kTableEnd);
}

TEST(RtfTable, HeaderLevelsFollowTheTopLinesInOrder) {
    reports::TDGrid g = fourColumns();
    // Given out of order; a header without lines or columns is left out.
    g.AddHeadrs(2, 3, 1, 2, "low");
    g.AddHeadrs(0, 3, 0, 1, "top");
    g.AddHeadrs(0, 1, 3, 0, "none");
    g.AddHeadrs(-1, 1, 3, 4, "none");
    TFileRtf doc;
    TGridRtf* grid = doc.AddPage()->AddGrid(g);
    ASSERT_EQ(grid->RowCount(), 4);
    const TRowRtf* top = grid->Row(0);
    const TRowRtf* low = grid->Row(1);
    EXPECT_EQ(top->Cell(0)->Caption(), "top");
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(top->Cell(c)->MargeRight()) << c;
    EXPECT_FALSE(top->Cell(3)->MargeRight());
    for (int c = 0; c < 4; ++c) EXPECT_FALSE(top->Cell(c)->MargeBottom()) << c;
    EXPECT_TRUE(low->Cell(0)->MargeBottom());
    EXPECT_TRUE(low->Cell(1)->MargeBottom());
    EXPECT_EQ(low->Cell(2)->Caption(), "low");
    EXPECT_FALSE(low->Cell(2)->MargeBottom());
    EXPECT_EQ(grid->Row(2)->Cell(0)->Caption(), "A");

    TLObjForHGrid list;
    list.AddHeadr(4, 6, 5, 6, "x");
    list.AddHeadr(0, 2, 1, 2, "y");
    list.SetYroven();
    EXPECT_EQ(list.CountYroven(), 2);
    EXPECT_EQ(list.GetCaptionHeadr(1, 4), "x");
    EXPECT_EQ(list.GetCaptionHeadr(1, 5), "");
    EXPECT_TRUE(list.GetMargeBottomHeadr(1, 3));
    EXPECT_FALSE(list.GetMargeBottomHeadr(1, 6));
    EXPECT_TRUE(list.GetMargeBottomHeadr(1, 7));
}

TEST(RtfTable, ReportGridLinesAndVerticalColumns) {
    reports::TDGrid g;
    g.SetSize(3, 2);
    g.FixedRows = 1;
    g.FixedCols = 1;
    g.SetCells(0, 0, ";Нед;ели");
    g.SetCells(1, 0, "5(1c)");
    g.SetCells(2, 0, "x;y");
    g.SetCells(0, 1, "a;b");
    g.SetCells(1, 1, "c;d");
    g.FHVert[1] = 1;
    g.AddHeadrs(2, 2, 0, 1, "H");
    TFileRtf doc;
    TGridRtf* grid = doc.AddPage()->AddGrid(g);
    ASSERT_EQ(grid->RowCount(), 3);
    // Fixed cells break at ";" (a leading one dropped); others keep it.
    EXPECT_EQ(grid->Row(1)->Cell(0)->Caption(), "Нед\r\nели");
    EXPECT_EQ(grid->Row(2)->Cell(0)->Caption(), "a\r\nb");
    EXPECT_EQ(grid->Row(2)->Cell(1)->Caption(), "c;d");
    EXPECT_TRUE(grid->Row(1)->Cell(1)->TextVert());
    EXPECT_FALSE(grid->Row(2)->Cell(1)->TextVert());
    EXPECT_EQ(grid->Row(1)->RowHeight(), 1134);
    // The header row's merged cell over a vertical column turns with it.
    EXPECT_TRUE(grid->Row(0)->Cell(1)->MargeBottom());
    EXPECT_TRUE(grid->Row(0)->Cell(1)->TextVert());
    EXPECT_FALSE(grid->Row(0)->Cell(2)->TextVert());
    EXPECT_NE(doc.Render().find(R"(\'CD\'E5\'E4\par \'E5\'EB\'E8\cell )"), std::string::npos);

    g.FMultiRowCells = true;
    TGridRtf* multi = doc.AddPage()->AddGrid(g);
    EXPECT_EQ(multi->Row(2)->Cell(1)->Caption(), "c\r\nd");

    // A plain string grid: texts as they are.
    reports::TStringGrid plain;
    plain.SetSize(2, 1);
    plain.FixedRows = 1;
    plain.SetCells(0, 0, ";a;b");
    TGridRtf* same = doc.AddPage()->AddGrid(plain);
    EXPECT_EQ(same->Row(0)->Cell(0)->Caption(), ";a;b");
    EXPECT_EQ(same->ColCountMax(), 2);
}

TEST(RtfLoadPage, LandscapeWeeksAndATableTheTitleOnlyAmongSeveral) {
    reports::TLoadTable table;
    table.Title = "T";
    table.WeeksText = "1-2";
    table.Grid.SetSize(2, 1);
    table.Grid.SetCells(0, 0, "a");
    table.Grid.SetCells(1, 0, "b");
    const std::string weeksAndGrid =
        R"(\'CD\'E5\'E4\'E5\'EB\'E8 : 1-2\par {\trowd \trgaph18\trleft-18 )" + plainDef(6745) +
        plainDef(13491) + cellText("a") + cellText("b") + R"(\row })" + kTableEnd;
    const std::string landscape = R"(\landscape\paperw16838\paperh11906 )";

    TFileRtf single;
    AddLoadTablePage(single, table);
    EXPECT_EQ(body(single), landscape + weeksAndGrid);

    TFileRtf several;
    AddLoadTablePage(several, table, true);
    AddLoadTablePage(several, table, true);
    const std::string titled = landscape + R"(T\par )" + weeksAndGrid;
    EXPECT_EQ(body(several), titled + R"(\page )" + titled);
    EXPECT_EQ(LoadTablesTempFile("/h"), fs::path("/h") / "temp" / "temp.rtf");
}

// A file system whose renames fail, as a replace over a busy file would.
class NoRename : public FaultInjectingFileSystem {
public:
    bool rename(const fs::path&, const fs::path&) override { return false; }
};

class RtfSave : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        doc.AddPage()->AddString("Отчёт");
    }
    testsupport::ScratchHome dir{"rtfsave"};
    TFileRtf doc;
    TScriptedDialog dialog;
};

TEST_F(RtfSave, WritesTheRenderedBytesAndReplacesAnOldFile) {
    const fs::path file = dir.path() / "temp.rtf";
    ASSERT_TRUE(doc.SaveToFile(file, dialog));
    EXPECT_EQ(fileBytes(file), doc.Render());
    doc.AddPage()->AddString("2");
    ASSERT_TRUE(doc.SaveToFile(file, dialog));
    EXPECT_EQ(fileBytes(file), doc.Render());
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_FALSE(fs::exists(dir.path() / "temp.rtf.new"));
}

TEST_F(RtfSave, AFileHeldByAnotherProgramIsNamedAndLeftAlone) {
    const fs::path file = dir.path() / "temp.rtf";
    std::ofstream(file) << "old";
    std::ofstream(dir.path() / ".~lock.temp.rtf#") << "holder";
    EXPECT_FALSE(doc.SaveToFile(file, dialog));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0],
              "Нельзя удалтиь файл \"" + file.string() + "\". Очевидно он занят другой программой");
    EXPECT_EQ(fileBytes(file), "old");
    EXPECT_FALSE(fs::exists(dir.path() / "temp.rtf.new"));

    // The rename over it refused: a failed write, the old bytes stay.
    fs::remove(dir.path() / ".~lock.temp.rtf#");
    NoRename refusing;
    EXPECT_FALSE(doc.SaveToFile(file, dialog, refusing));
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1], "Не удалось записать файл \"" + file.string() + "\"");
    EXPECT_EQ(fileBytes(file), "old");
    EXPECT_FALSE(fs::exists(dir.path() / "temp.rtf.new"));
}

TEST_F(RtfSave, AFailedWriteIsReportedNotTakenForSuccess) {
    const fs::path missing = dir.path() / "no" / "temp.rtf";
    EXPECT_FALSE(doc.SaveToFile(missing, dialog));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_NE(dialog.shown[0].find(missing.string()), std::string::npos);

    // Every operation of the save failing in turn: the old file stays
    // whole on a failure, and success means the new one is there whole
    // (only the folder's sync after the rename may fail without undoing it).
    const fs::path file = dir.path() / "temp.rtf";
    int failuresTakenForSuccess = 0;
    for (uint64_t n = 1;; ++n) {
        std::ofstream(file, std::ios::trunc) << "old";
        FaultInjectingFileSystem faulty;
        faulty.failAt(n, false);
        const bool saved = doc.SaveToFile(file, dialog, faulty);
        if (!faulty.failed()) {
            EXPECT_TRUE(saved);
            break;
        }
        const std::string now = fileBytes(file);
        if (saved) {
            ++failuresTakenForSuccess;
            EXPECT_EQ(now, doc.Render()) << n;
        } else {
            EXPECT_EQ(now, "old") << n;
        }
        ASSERT_LT(n, 50u);
    }
    EXPECT_LE(failuresTakenForSuccess, 1);
    EXPECT_EQ(fileBytes(file), doc.Render());
}

}  // namespace
}  // namespace zavlin::exporting
