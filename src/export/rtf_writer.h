// The RTF document writer: a small tree of nodes (head with its font table,
// body with pages, paragraphs, texts, tables, rows, cells) that renders itself
// into Windows-1251 RTF in one pass (each node knows how to render itself).
//
// What a node writes:
//   head       {\rtf1\ansi\ansicpg1251\deff0\deflang1049{\fonttbl{\f0\fnil MS Sans Serif;}...}
//              CR LF \viewkind4\uc1\pard\f0\fs16
//   body       the pages, then CR LF "\par }" CR LF and one 0 byte
//   page       [\landscape\paperwH\paperhW ] children [\landscape0\paperwW\paperhH ]\page
//   paragraph  [{\pard[\fN][\ql|\qr|\qc|\qj] ] children [\pard}]
//   text       [{font codes] text children [\plain}]
//   table      rows, then "\pard \ql \li0\ri0..." (see TGridRtf)
//
// Texts from data (contents, captions, font names) are UTF-8 here and are
// escaped on output: "\", "{", "}" become "\\", "\{", "\}", a character of
// Windows-1251 above 127 becomes \'hh, one outside it \uN? (N the signed
// 16-bit code), CR becomes "\par " and LF is dropped. The control words the
// writer emits itself go out as they are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zavlin {
class TMyDialog;
class FileSystem;
}  // namespace zavlin

namespace zavlin::reports {
class TStringGrid;
class TDGrid;
}  // namespace zavlin::reports

namespace zavlin::exporting {

class TFileRtf;
class THeadRtf;
class THeadFontRtf;
class TPageRtf;
class TParagRtf;
class TTextRtf;
class TGridRtf;
class TRowRtf;
class TCellRtf;

// Data text as RTF: the escapes above.
std::string RtfText(std::string_view utf8);

// The base of every node: its parent and its ordered, owned children.
class TStrRtf {
public:
    explicit TStrRtf(TStrRtf* owner) : FOwner(owner) {}
    virtual ~TStrRtf() = default;
    TStrRtf(const TStrRtf&) = delete;
    TStrRtf& operator=(const TStrRtf&) = delete;

    // Renders the node; the base lets each child render itself in order.
    virtual void Render(std::string& out) const;
    // Drops the children.
    virtual void Clear() { Li.clear(); }

    int Count() const { return static_cast<int>(Li.size()); }
    // Position in the parent; -1 without one.
    int GetIndex() const;
    // The document the node belongs to, nullptr when it is not in one.
    virtual TFileRtf* FileRtf() const { return FOwner != nullptr ? FOwner->FileRtf() : nullptr; }
    THeadRtf* HeadRtf() const;

    TStrRtf* FOwner = nullptr;
    std::vector<std::unique_ptr<TStrRtf>> Li;

protected:
    void RenderChildren(std::string& out) const;
    template <typename T, typename... Args>
    T* AddChild(Args&&... args) {
        auto node = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = node.get();
        Li.push_back(std::move(node));
        return raw;
    }
};

// One entry of the font table.
class THeadFontRtf : public TStrRtf {
public:
    THeadFontRtf(TStrRtf* owner, std::string name) : TStrRtf(owner), FFontName(std::move(name)) {}
    void Render(std::string& out) const override;

    std::string FGrypFont = "fnil";
    std::string FFontName;
};

// The document head: its children are the font-table entries; entry 0 is
// always "MS Sans Serif".
class THeadRtf : public TStrRtf {
public:
    THeadRtf(TStrRtf* owner, TFileRtf* file);
    void Render(std::string& out) const override;
    void Clear() override;
    TFileRtf* FileRtf() const override { return FFileRtf; }

    // The entry of that name, added when new.
    THeadFontRtf* FindOrAddFont(const std::string& name);
    THeadFontRtf* Font(int indx) const;

    bool FAddFirsFont = false;
    TFileRtf* FFileRtf = nullptr;
};

// A character format.
class TFontRtf {
public:
    uint16_t FSize = 0;  // points; 0 = not set
    bool FBold = false;
    bool FItalic = false;
    bool FUL = false;
    TStrRtf* FOwner = nullptr;
    THeadRtf* FHeadRtf = nullptr;
    THeadFontRtf* FHeadFontRtf = nullptr;  // nullptr = entry 0

    int FontIndex() const { return FHeadFontRtf != nullptr ? FHeadFontRtf->GetIndex() : 0; }
    // "\f1\fs24\b " or nothing at all.
    std::string Codes() const;
};

// A node with a character format, created on first write.
class TStrFontRtf : public TStrRtf {
public:
    using TStrRtf::TStrRtf;

    std::string NameFont() const;
    void SetNameFont(const std::string& name);
    int Size() const { return FFont ? FFont->FSize : 0; }
    void SetSize(int points);
    bool Bold() const { return FFont && FFont->FBold; }
    void SetBold(bool on) { Font().FBold = on; }
    bool Italic() const { return FFont && FFont->FItalic; }
    void SetItalic(bool on) { Font().FItalic = on; }
    bool ULine() const { return FFont && FFont->FUL; }
    void SetULine(bool on) { Font().FUL = on; }

    std::unique_ptr<TFontRtf> FFont;

protected:
    TFontRtf& Font();
};

// A piece of text: data (escaped) followed by control words of the writer.
class TTextRtf : public TStrFontRtf {
public:
    TTextRtf(TStrRtf* owner, std::string text, std::string control = {})
        : TStrFontRtf(owner), FStr(std::move(text)), FControl(std::move(control)) {}
    void Render(std::string& out) const override;

    std::string FStr;      // UTF-8 data
    std::string FControl;  // "\par " of AddLn and AddStringLn
};

// What holds paragraph-level content: pages and paragraphs.
class TStrPgRtf : public TStrRtf {
public:
    using TStrRtf::TStrRtf;

    TTextRtf* AddLn();
    TTextRtf* AddString(const std::string& text);
    TTextRtf* AddStringLn(const std::string& text);
    // An empty table taking this container's alignment when it has one.
    TGridRtf* AddGrid();
    // A table filled from a grid control.
    TGridRtf* AddGrid(const reports::TStringGrid& grid);
    TGridRtf* AddGrid(const reports::TDGrid& grid);

    // 0 none, 1 left, 2 right, 3 centre, 4 justified.
    uint8_t FQuad = 0;
};

class TParagRtf : public TStrPgRtf {
public:
    using TStrPgRtf::TStrPgRtf;
    void Render(std::string& out) const override;

    std::string NameFont() const;
    void SetNameFont(const std::string& name);
    bool LeftQuad() const { return FQuad == 1; }
    void SetLeftQuad(bool on) { FQuad = on ? 1 : 0; }
    bool RightQuad() const { return FQuad == 2; }
    void SetRightQuad(bool on) { FQuad = on ? 2 : 0; }
    bool CentrQuad() const { return FQuad == 3; }
    void SetCentrQuad(bool on) { FQuad = on ? 3 : 0; }
    TPageRtf* Page() const;

    THeadFontRtf* FHdFont = nullptr;
};

class TPageRtf : public TStrPgRtf {
public:
    static constexpr int kA4Width = 11906;   // twips
    static constexpr int kA4Height = 16838;  // twips

    TPageRtf(TStrRtf* owner, bool landscape) : TStrPgRtf(owner), LandscapeTrue(landscape) {}
    void Render(std::string& out) const override;

    TParagRtf* AddParagraf();
    int PageWidth() const { return FPageWidth; }
    void SetPageWidth(int twips) { FPageWidth = twips; }
    int PageHeight() const { return FPageHeight; }
    void SetPageHeight(int twips) { FPageHeight = twips; }
    // The width a table may take: the height when the page lies on its side.
    int TextWidth() const { return LandscapeTrue ? FPageHeight : FPageWidth; }

    int FPageWidth = kA4Width;
    int FPageHeight = kA4Height;
    bool LandscapeTrue = false;
};

// One cell of a table row.
class TCellRtf : public TStrFontRtf {
public:
    static constexpr int kNewCellx = 1000;  // twips
    static constexpr int kVertRowHeight = 1134;

    TCellRtf(TStrRtf* owner, std::string caption) : TStrFontRtf(owner), FStr(std::move(caption)) {}

    bool MargeRight() const { return Fclmrg; }
    void SetMargeRight(bool on) { Fclmrg = on; }
    bool MargeBottom() const { return Fcvmrg; }
    void SetMargeBottom(bool on) { Fcvmrg = on; }
    bool TextVert() const { return FTextVert; }
    // Vertical text needs room: a row of automatic height gets 1134.
    void SetTextVert(bool on);
    const std::string& Caption() const { return FStr; }
    void SetCaption(std::string text) { FStr = std::move(text); }
    // A width given here is kept when the table recomputes its columns.
    void SetCellx(int twips) {
        FCellx = twips;
        FDefailtCellX = true;
    }
    TRowRtf* Row() const;

    bool Fclmrg = false;
    bool Fcvmrg = false;
    bool FTextVert = false;
    int FCellx = kNewCellx;
    bool FDefailtCellX = false;
    std::string FStr;  // UTF-8 data
};

class TRowRtf : public TStrRtf {
public:
    static constexpr int kTrpadd = 18;  // twips

    using TStrRtf::TStrRtf;
    void Render(std::string& out) const override;

    // A cell at position k of a row that is not the table's first takes the
    // width (and whether it is fixed) of cell k of the row above.
    TCellRtf* AddCell(const std::string& text = {});
    int CellCount() const { return Count(); }
    TCellRtf* Cell(int k) const;
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int twips) {
        FRowHeight = twips;
        FDefailtRowHeight = true;
    }
    TGridRtf* Grid() const;
    // Render for a row whose place in its table is known: index.
    void RenderAt(std::string& out, int index) const;

    int FRowHeight = 0;  // 0 = automatic
    bool FDefailtRowHeight = false;
    int FTrpadd = kTrpadd;

private:
    // right: where cell k ends, the widths up to it plus one twip per cell.
    void RenderCellDefinition(std::string& out, int k, const TCellRtf* above, int right) const;
    void RenderCellText(std::string& out, int k, const TCellRtf* above, int index) const;
};

// A table. Before its rows are rendered the non-fixed columns share the page's
// text width (see Render).
class TGridRtf : public TStrRtf {
public:
    static constexpr uint16_t kNewBorder = 10;  // twips

    using TStrRtf::TStrRtf;
    void Render(std::string& out) const override;

    TRowRtf* AddRow();
    TRowRtf* InsertRow(int index);
    int RowCount() const { return Count(); }
    TRowRtf* Row(int i) const;
    int ColCountMax() const;
    // The sum of the cell widths of the first row with the most cells.
    int WidthMax() const;
    uint16_t BordrWidth() const { return Fbrdrw; }
    void SetBordrWidth(uint16_t twips) { Fbrdrw = twips; }
    bool AutoFormat() const { return FAutoFormat; }
    void SetAutoFormat(bool on) { FAutoFormat = on; }
    // The page the table lies on, through any paragraph.
    TPageRtf* Page() const;

    uint8_t FQuad = 0;
    uint16_t Fbrdrw = kNewBorder;
    bool FAutoFormat = true;

private:
    // Widths are a result of rendering, as the page decides them.
    void RecomputeWidths() const;
};

class TBodyRtf : public TStrRtf {
public:
    TBodyRtf(TStrRtf* owner, TFileRtf* file) : TStrRtf(owner), FFileRtf(file) {}
    void Render(std::string& out) const override;
    TFileRtf* FileRtf() const override { return FFileRtf; }
    int CountPage() const { return Count(); }
    TPageRtf* Page(int i) const;

    TFileRtf* FFileRtf = nullptr;
    bool LandscapeTrue = false;  // for pages added from now on
};

// One header over columns of a grid control: columns x1..x2, band lines
// y1..y2, at level FYroven.
class TObjForHGrid {
public:
    uint8_t FYroven = 0;
    uint16_t x1 = 0;
    uint16_t x2 = 0;
    uint16_t y1 = 0;
    uint16_t y2 = 0;
    std::string StrHeadr;
};

// The headers of a grid control turned into header rows, one per level.
class TLObjForHGrid {
public:
    void Clear() {
        Li.clear();
        FCountYroven = 0;
    }
    void AddHeadr(int x1, int x2, int y1, int y2, const std::string& text);
    // Numbers the distinct y1 values in ascending order as levels 0, 1, ...
    void SetYroven();
    int CountYroven() const { return FCountYroven; }
    // The text of the header of that level starting in that column; empty
    // when none does.
    std::string GetCaptionHeadr(int level, int column) const;
    // A header of the level covers the column and does not end there.
    bool GetMargeRightHeadr(int level, int column) const;
    // No header of the level that starts at or before the column reaches it.
    bool GetMargeBottomHeadr(int level, int column) const;

    uint8_t FCountYroven = 0;
    std::vector<std::unique_ptr<TObjForHGrid>> Li;
};

class TFileRtf {
public:
    TFileRtf();
    TFileRtf(const TFileRtf&) = delete;
    TFileRtf& operator=(const TFileRtf&) = delete;

    void Clear();
    TPageRtf* AddPage();
    bool LandscapeTrue() const { return FBody->LandscapeTrue; }
    void SetLandscapeTrue(bool on) { FBody->LandscapeTrue = on; }

    // The whole document: head, body, closing bytes.
    std::string Render() const;
    // Writes the document aside and renames it over the old file. An old file
    // that cannot be replaced (a word processor holds it open, or the rename
    // is refused) is named to the user through dialog and nothing is written.
    [[nodiscard]] bool SaveToFile(const std::filesystem::path& name, TMyDialog& dialog);
    [[nodiscard]] bool SaveToFile(const std::filesystem::path& name, TMyDialog& dialog,
                                  FileSystem& fs);

    std::unique_ptr<THeadRtf> FHead;
    std::unique_ptr<TBodyRtf> FBody;
};

// "Нельзя удалтиь файл "name". Очевидно он занят другой программой"
std::string BusyFileMessage(const std::filesystem::path& name);

// Whether a word processor has the document open: LibreOffice keeps a
// ".~lock.<name>#" file beside it while it does.
bool HeldByWordProcessor(const std::filesystem::path& name);

}  // namespace zavlin::exporting
