#include "export/rtf_writer.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>
#include <utility>

#include "base/cp1251.h"
#include "base/file_system.h"
#include "base/my_dialog.h"
#include "reports/report_table.h"

namespace zavlin::exporting {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTableEnd =
    "\\pard \\ql \\li0\\ri0\\widctlpar\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0";
constexpr std::string_view kCellStart =
    "\\pard \\ql \\li0\\ri0\\widctlpar\\intbl\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0";
constexpr std::string_view kFirstFont = "MS Sans Serif";

void appendHexEscape(std::string& out, unsigned char b) {
    out += fmt::format("\\'{:02X}", b);
}

// RTF wants \uN with N a signed 16-bit number; \uc1 of the head makes "?"
// the one character a reader without Unicode shows instead.
void appendUnicode(std::string& out, char16_t unit) {
    out += fmt::format("\\u{}?", static_cast<int16_t>(unit));
}

}  // namespace

std::string RtfText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = decodeUtf8At(utf8, i, cp);
        if (len == 0) {
            out += '?';
            ++i;
            continue;
        }
        i += len;
        if (cp < 0x80) {
            switch (cp) {
                case '\r':
                    out += "\\par ";
                    break;
                case '\n':
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                case '{':
                    out += "\\{";
                    break;
                case '}':
                    out += "\\}";
                    break;
                default:
                    out += static_cast<char>(cp);
            }
            continue;
        }
        if (const char single = codePointToCp1251(cp); single != '?') {
            appendHexEscape(out, static_cast<unsigned char>(single));
        } else if (cp <= 0xFFFF) {
            appendUnicode(out, static_cast<char16_t>(cp));
        } else {
            const char32_t v = cp - 0x10000;
            appendUnicode(out, static_cast<char16_t>(0xD800 + (v >> 10)));
            appendUnicode(out, static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        }
    }
    return out;
}

// --- TStrRtf

void TStrRtf::Render(std::string& out) const {
    RenderChildren(out);
}

void TStrRtf::RenderChildren(std::string& out) const {
    for (const auto& child : Li) child->Render(out);
}

int TStrRtf::GetIndex() const {
    if (FOwner == nullptr) return -1;
    const auto& siblings = FOwner->Li;
    // From the end: a node asks mostly while it is the one just added.
    for (std::size_t i = siblings.size(); i-- > 0;)
        if (siblings[i].get() == this) return static_cast<int>(i);
    return -1;
}

THeadRtf* TStrRtf::HeadRtf() const {
    TFileRtf* file = FileRtf();
    return file != nullptr ? file->FHead.get() : nullptr;
}

// --- The head

void THeadFontRtf::Render(std::string& out) const {
    out += fmt::format("{{\\f{}\\{} ", GetIndex(), FGrypFont);
    out += RtfText(FFontName);
    out += ";}";
}

THeadRtf::THeadRtf(TStrRtf* owner, TFileRtf* file) : TStrRtf(owner), FFileRtf(file) {
    Clear();
}

void THeadRtf::Clear() {
    TStrRtf::Clear();
    AddChild<THeadFontRtf>(std::string(kFirstFont));
    FAddFirsFont = true;
}

void THeadRtf::Render(std::string& out) const {
    out += "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049";
    out += "{\\fonttbl";
    RenderChildren(out);
    out += "}";
    out += kCrLf;
    out += "\\viewkind4\\uc1\\pard\\f0\\fs16 ";
}

THeadFontRtf* THeadRtf::FindOrAddFont(const std::string& name) {
    for (const auto& child : Li) {
        auto* font = static_cast<THeadFontRtf*>(child.get());
        if (font->FFontName == name) return font;
    }
    return AddChild<THeadFontRtf>(name);
}

THeadFontRtf* THeadRtf::Font(int indx) const {
    if (indx < 0 || indx >= Count()) return nullptr;
    return static_cast<THeadFontRtf*>(Li[static_cast<std::size_t>(indx)].get());
}

// --- Fonts

std::string TFontRtf::Codes() const {
    std::string codes;
    if (const int indx = FontIndex(); indx > 0) codes += fmt::format("\\f{}", indx);
    if (FSize != 0) codes += fmt::format("\\fs{}", 2 * FSize);
    if (FBold) codes += "\\b";
    if (FItalic) codes += "\\i";
    if (FUL) codes += "\\ul";
    if (!codes.empty()) codes += ' ';
    return codes;
}

TFontRtf& TStrFontRtf::Font() {
    if (!FFont) {
        FFont = std::make_unique<TFontRtf>();
        FFont->FOwner = this;
        FFont->FHeadRtf = HeadRtf();
    }
    return *FFont;
}

std::string TStrFontRtf::NameFont() const {
    if (FFont && FFont->FHeadFontRtf != nullptr) return FFont->FHeadFontRtf->FFontName;
    return std::string(kFirstFont);
}

void TStrFontRtf::SetNameFont(const std::string& name) {
    TFontRtf& font = Font();
    if (font.FHeadRtf != nullptr) font.FHeadFontRtf = font.FHeadRtf->FindOrAddFont(name);
}

void TStrFontRtf::SetSize(int points) {
    Font().FSize = static_cast<uint16_t>(std::clamp(points, 0, 0xFFFF));
}

// --- Texts, pages, paragraphs

void TTextRtf::Render(std::string& out) const {
    if (FFont) {
        out += '{';
        out += FFont->Codes();
    }
    out += RtfText(FStr);
    out += FControl;
    RenderChildren(out);
    if (FFont) out += "\\plain}";
}

TTextRtf* TStrPgRtf::AddLn() {
    return AddChild<TTextRtf>(std::string(), "\\par ");
}

TTextRtf* TStrPgRtf::AddString(const std::string& text) {
    return AddChild<TTextRtf>(text);
}

TTextRtf* TStrPgRtf::AddStringLn(const std::string& text) {
    return AddChild<TTextRtf>(text, "\\par ");
}

TGridRtf* TStrPgRtf::AddGrid() {
    TGridRtf* grid = AddChild<TGridRtf>();
    if (FQuad != 0) grid->FQuad = FQuad;
    return grid;
}

TGridRtf* TStrPgRtf::AddGrid(const reports::TStringGrid& source) {
    TGridRtf* grid = AddGrid();
    for (int r = 0; r < source.RowCount(); ++r) {
        TRowRtf* row = grid->AddRow();
        for (int c = 0; c < source.ColCount(); ++c) row->AddCell(source.Cells(c, r));
    }
    return grid;
}

TGridRtf* TStrPgRtf::AddGrid(const reports::TDGrid& source) {
    TGridRtf* grid = AddGrid();
    for (int r = 0; r < source.RowCount(); ++r) {
        TRowRtf* row = grid->AddRow();
        for (int c = 0; c < source.ColCount(); ++c) {
            const bool fixed = r < source.FixedRows || c < source.FixedCols;
            std::string text = source.Cells(c, r);
            if (fixed || source.FMultiRowCells) {
                const std::vector<std::string> lines = reports::SplitCellLines(text);
                text.clear();
                for (std::size_t i = 0; i < lines.size(); ++i)
                    text += (i == 0 ? "" : "\r\n") + lines[i];
            }
            TCellRtf* cell = row->AddCell(text);
            if (fixed && source.Vert(c)) cell->SetTextVert(true);
        }
    }

    TLObjForHGrid headers;
    for (int i = 0; i < source.HeadrsCount(); ++i) {
        int x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        std::string text;
        if (!source.GetHeadrsIndex(i, x1, x2, y1, y2, text)) continue;
        if (x1 >= 0 && x2 >= 0 && y1 >= 0 && y2 > 0) headers.AddHeadr(x1, x2, y1, y2, text);
    }
    headers.SetYroven();
    for (int level = 0; level < headers.CountYroven(); ++level) {
        TRowRtf* row = grid->InsertRow(level);
        for (int c = 0; c < source.ColCount(); ++c) {
            TCellRtf* cell = row->AddCell(headers.GetCaptionHeadr(level, c));
            cell->SetMargeRight(headers.GetMargeRightHeadr(level, c));
            cell->SetMargeBottom(headers.GetMargeBottomHeadr(level, c));
            if (cell->MargeBottom()) {
                const TRowRtf* below = grid->Row(level + 1);
                const TCellRtf* under = below != nullptr ? below->Cell(c) : nullptr;
                if (under != nullptr && under->TextVert()) cell->SetTextVert(true);
            }
        }
    }
    return grid;
}

void TParagRtf::Render(std::string& out) const {
    const bool framed = FHdFont != nullptr || FQuad != 0;
    if (framed) {
        out += "{\\pard";
        if (FHdFont != nullptr) out += fmt::format("\\f{}", FHdFont->GetIndex());
        if (FQuad >= 1 && FQuad <= 4) out += std::string("\\q") + "lrcj"[FQuad - 1];
        out += ' ';
    }
    RenderChildren(out);
    if (framed) out += "\\pard}";
}

std::string TParagRtf::NameFont() const {
    return FHdFont != nullptr ? FHdFont->FFontName : std::string(kFirstFont);
}

void TParagRtf::SetNameFont(const std::string& name) {
    if (THeadRtf* head = HeadRtf()) FHdFont = head->FindOrAddFont(name);
}

TPageRtf* TParagRtf::Page() const {
    return dynamic_cast<TPageRtf*>(FOwner);
}

TParagRtf* TPageRtf::AddParagraf() {
    return AddChild<TParagRtf>();
}

void TPageRtf::Render(std::string& out) const {
    if (LandscapeTrue)
        out += fmt::format("\\landscape\\paperw{}\\paperh{} ", FPageHeight, FPageWidth);
    RenderChildren(out);
    const int indx = GetIndex();
    if (FOwner == nullptr || indx + 1 >= FOwner->Count()) return;
    const auto* next =
        dynamic_cast<const TPageRtf*>(FOwner->Li[static_cast<std::size_t>(indx + 1)].get());
    if (LandscapeTrue && next != nullptr && !next->LandscapeTrue)
        out += fmt::format("\\landscape0\\paperw{}\\paperh{} ", FPageWidth, FPageHeight);
    out += "\\page ";
}

// --- Tables

void TCellRtf::SetTextVert(bool on) {
    FTextVert = on;
    if (TRowRtf* row = Row(); on && row != nullptr && row->FRowHeight == 0)
        row->FRowHeight = kVertRowHeight;
}

TRowRtf* TCellRtf::Row() const {
    return dynamic_cast<TRowRtf*>(FOwner);
}

TCellRtf* TRowRtf::AddCell(const std::string& text) {
    const int k = Count();
    TCellRtf* cell = AddChild<TCellRtf>(text);
    const TGridRtf* grid = Grid();
    const int r = GetIndex();
    if (grid != nullptr && r > 0) {
        if (const TCellRtf* above = grid->Row(r - 1)->Cell(k)) {
            cell->FCellx = above->FCellx;
            cell->FDefailtCellX = above->FDefailtCellX;
        }
    }
    return cell;
}

TCellRtf* TRowRtf::Cell(int k) const {
    if (k < 0 || k >= Count()) return nullptr;
    return static_cast<TCellRtf*>(Li[static_cast<std::size_t>(k)].get());
}

TGridRtf* TRowRtf::Grid() const {
    return dynamic_cast<TGridRtf*>(FOwner);
}

void TRowRtf::Render(std::string& out) const {
    RenderAt(out, GetIndex());
}

void TRowRtf::RenderAt(std::string& out, int index) const {
    const TGridRtf* grid = Grid();
    const TRowRtf* above = grid != nullptr && index > 0 ? grid->Row(index - 1) : nullptr;
    out += "{\\trowd ";
    out += fmt::format("\\trgaph{}", FTrpadd);
    if (FRowHeight > 0) out += fmt::format("\\trrh{}", FRowHeight);
    out += fmt::format("\\trleft-{}", FTrpadd);
    if (grid != nullptr && grid->FQuad >= 1 && grid->FQuad <= 4) {
        const TPageRtf* page = grid->Page();
        if (page != nullptr && page->TextWidth() >= grid->WidthMax()) {
            static constexpr const char* kAlign[] = {"\\trql", "\\trqr", "\\trqc", "\\trqj"};
            out += kAlign[grid->FQuad - 1];
        }
    }
    out += ' ';
    int right = 0;
    for (int k = 0; k < Count(); ++k) {
        right += Cell(k)->FCellx;
        RenderCellDefinition(out, k, above != nullptr ? above->Cell(k) : nullptr, right + k);
    }
    for (int k = 0; k < Count(); ++k)
        RenderCellText(out, k, above != nullptr ? above->Cell(k) : nullptr, index);
    out += "\\row }";
}

void TRowRtf::RenderCellDefinition(std::string& out, int k, const TCellRtf* above,
                                   int right) const {
    const TGridRtf* grid = Grid();
    const TCellRtf* cell = Cell(k);
    if (cell->MargeBottom())
        out += above == nullptr || !above->MargeBottom() ? "\\clvmgf " : "\\clvmrg ";
    else if (above != nullptr && above->MargeBottom())
        out += "\\clvmrg ";
    if (grid == nullptr || grid->FAutoFormat) out += "\\trftsWidth1\\trautofit1";
    out += fmt::format("\\trpaddl{}\\trpaddr{}\\clvertalt", FTrpadd, FTrpadd);
    const uint16_t border = grid != nullptr ? grid->Fbrdrw : TGridRtf::kNewBorder;
    if (border != 0)
        out += fmt::format(
            "\\clbrdrt\\brdrs\\brdrw{0}\\clbrdrl\\brdrs\\brdrw{0}\\clbrdrb\\brdrs\\brdrw{0}"
            "\\clbrdrr\\brdrs\\brdrw{0}",
            border);
    out += cell->TextVert() ? "\\cltxbtlr" : "\\cltxlrtb";
    if (!cell->MargeRight() || k == Count() - 1) {
        if (cell->TextVert()) out += fmt::format("\\clwWidth{}", cell->FCellx + FTrpadd + k);
        out += fmt::format("\\cellx{}", right);
    }
}

void TRowRtf::RenderCellText(std::string& out, int k, const TCellRtf* above, int index) const {
    const TCellRtf* cell = Cell(k);
    out += kCellStart;
    out += '{';
    if (!cell->MargeBottom()) {
        if (above == nullptr || !above->MargeBottom()) out += RtfText(cell->FStr);
    } else if (above == nullptr || !above->MargeBottom()) {
        // A reader shows a merged run as its first cell alone: the texts of
        // the cells below would be lost unless they are carried up into it.
        out += RtfText(cell->FStr);
        const TGridRtf* grid = Grid();
        for (int r = index + 1; grid != nullptr && r < grid->RowCount(); ++r) {
            const TCellRtf* next = grid->Row(r)->Cell(k);
            if (next == nullptr) break;
            out += "\\par ";
            out += RtfText(next->FStr);
            if (!next->MargeBottom()) break;
        }
    }
    if (!cell->MargeRight() || k == Count() - 1) out += "\\cell ";
    out += '}';
}

TRowRtf* TGridRtf::AddRow() {
    return AddChild<TRowRtf>();
}

TRowRtf* TGridRtf::InsertRow(int index) {
    index = std::clamp(index, 0, Count());
    auto row = std::make_unique<TRowRtf>(this);
    TRowRtf* raw = row.get();
    Li.insert(Li.begin() + index, std::move(row));
    return raw;
}

TRowRtf* TGridRtf::Row(int i) const {
    if (i < 0 || i >= Count()) return nullptr;
    return static_cast<TRowRtf*>(Li[static_cast<std::size_t>(i)].get());
}

int TGridRtf::ColCountMax() const {
    int n = 0;
    for (int r = 0; r < RowCount(); ++r) n = std::max(n, Row(r)->CellCount());
    return n;
}

int TGridRtf::WidthMax() const {
    const int n = ColCountMax();
    for (int r = 0; r < RowCount(); ++r) {
        const TRowRtf* row = Row(r);
        if (row->CellCount() != n) continue;
        int sum = 0;
        for (int k = 0; k < n; ++k) sum += row->Cell(k)->FCellx;
        return sum;
    }
    return 0;
}

TPageRtf* TGridRtf::Page() const {
    for (TStrRtf* up = FOwner; up != nullptr; up = up->FOwner)
        if (auto* page = dynamic_cast<TPageRtf*>(up)) return page;
    return nullptr;
}

void TGridRtf::RecomputeWidths() const {
    const int n = ColCountMax();
    const TPageRtf* page = Page();
    if (n == 0 || page == nullptr) return;
    const TRowRtf* first = nullptr;
    for (int r = 0; r < RowCount() && first == nullptr; ++r)
        if (Row(r)->CellCount() == n) first = Row(r);
    const int w = page->TextWidth();
    int available = n * 20 + 3240 < w - 108 ? w - 3348 : w - 108;
    int fixed = 0;
    for (int k = 0; k < n; ++k)
        if (first->Cell(k)->FDefailtCellX) {
            available -= first->Cell(k)->FCellx;
            ++fixed;
        }
    if (available <= 0 || fixed == n) return;
    const int each = available / (n - fixed);
    for (int k = 0; k < n; ++k) {
        if (first->Cell(k)->FDefailtCellX) continue;
        for (int r = 0; r < RowCount(); ++r)
            if (TCellRtf* cell = Row(r)->Cell(k)) cell->FCellx = each;
    }
}

void TGridRtf::Render(std::string& out) const {
    if (RowCount() > 0 && ColCountMax() > 0) RecomputeWidths();
    for (int r = 0; r < RowCount(); ++r) Row(r)->RenderAt(out, r);
    if (RowCount() > 0) out += kTableEnd;
}

// --- Body and file

TPageRtf* TBodyRtf::Page(int i) const {
    if (i < 0 || i >= Count()) return nullptr;
    return static_cast<TPageRtf*>(Li[static_cast<std::size_t>(i)].get());
}

void TBodyRtf::Render(std::string& out) const {
    RenderChildren(out);
    out += kCrLf;
    out += "\\par }";
    out += kCrLf;
    out += '\0';
}

void TLObjForHGrid::AddHeadr(int x1, int x2, int y1, int y2, const std::string& text) {
    auto h = std::make_unique<TObjForHGrid>();
    h->x1 = static_cast<uint16_t>(x1);
    h->x2 = static_cast<uint16_t>(x2);
    h->y1 = static_cast<uint16_t>(y1);
    h->y2 = static_cast<uint16_t>(y2);
    h->StrHeadr = text;
    Li.push_back(std::move(h));
}

void TLObjForHGrid::SetYroven() {
    std::set<uint16_t> tops;
    for (const auto& h : Li) tops.insert(h->y1);
    for (const auto& h : Li)
        h->FYroven = static_cast<uint8_t>(std::distance(tops.begin(), tops.find(h->y1)));
    FCountYroven = static_cast<uint8_t>(tops.size());
}

std::string TLObjForHGrid::GetCaptionHeadr(int level, int column) const {
    for (const auto& h : Li)
        if (h->FYroven == level && h->x1 == column) return h->StrHeadr;
    return {};
}

bool TLObjForHGrid::GetMargeRightHeadr(int level, int column) const {
    for (const auto& h : Li)
        if (h->FYroven == level && h->x1 <= column && column < h->x2) return true;
    return false;
}

bool TLObjForHGrid::GetMargeBottomHeadr(int level, int column) const {
    for (const auto& h : Li)
        if (h->FYroven == level && h->x1 <= column && h->x2 >= column) return false;
    return true;
}

TFileRtf::TFileRtf()
    : FHead(std::make_unique<THeadRtf>(nullptr, this)),
      FBody(std::make_unique<TBodyRtf>(nullptr, this)) {}

void TFileRtf::Clear() {
    FHead->Clear();
    FBody->Clear();
}

TPageRtf* TFileRtf::AddPage() {
    auto page = std::make_unique<TPageRtf>(FBody.get(), FBody->LandscapeTrue);
    TPageRtf* raw = page.get();
    FBody->Li.push_back(std::move(page));
    return raw;
}

std::string TFileRtf::Render() const {
    std::string out;
    FHead->Render(out);
    FBody->Render(out);
    return out;
}

std::string BusyFileMessage(const std::filesystem::path& name) {
    return "Нельзя удалтиь файл \"" + name.string() + "\". Очевидно он занят другой программой";
}

bool HeldByWordProcessor(const std::filesystem::path& name) {
    std::filesystem::path lock = name.parent_path() / (".~lock." + name.filename().string() + "#");
    std::error_code ec;
    return std::filesystem::exists(lock, ec);
}

bool TFileRtf::SaveToFile(const std::filesystem::path& name, TMyDialog& dialog) {
    return SaveToFile(name, dialog, realFileSystem());
}

bool TFileRtf::SaveToFile(const std::filesystem::path& name, TMyDialog& dialog, FileSystem& fs) {
    const bool existed = fs.exists(name);
    if (existed && HeldByWordProcessor(name)) {
        dialog.MessageShow(BusyFileMessage(name));
        return false;
    }
    const std::string bytes = Render();
    // Nothing of the old file is touched until the new one is whole. On this
    // system a rename replaces a file other programs hold open, so a failure
    // here is one of writing, not a busy file.
    if (!replaceFileWhole(fs, name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                          true)) {
        dialog.MessageShow(fmt::format("Не удалось записать файл \"{}\"", name.string()));
        return false;
    }
    return true;
}

}  // namespace zavlin::exporting
