#include "export/html_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "base/cp1251.h"

namespace zavlin::html {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string alignAttr(TAlignHtml a) {
    switch (a) {
        case TAlignHtml::alLeft:
            return " ALIGN=LEFT";
        case TAlignHtml::alCenter:
            return " ALIGN=CENTER";
        case TAlignHtml::alRight:
            return " ALIGN=RIGHT";
        case TAlignHtml::alNot:
            break;
    }
    return {};
}

std::string spanAttrs(uint16_t colSpan, uint16_t rowSpan, TAlignHtml align) {
    std::string out;
    if (colSpan > 1) out += " COLSPAN=" + std::to_string(colSpan);
    if (rowSpan > 1) out += " ROWSPAN=" + std::to_string(rowSpan);
    return out + alignAttr(align);
}

// A colour word as page bytes, cut to its length limit after converting.
std::string colorText(const std::string& color) {
    return EscapeHtml(cp1251ToUtf8(utf8ToCp1251Cut(color, TFontHtml::kMaxColor)));
}

}  // namespace

std::string EscapeHtml(std::string_view utf8) {
    std::string escaped;
    escaped.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return utf8ToCp1251Refs(escaped);
}

std::string TFontHtml::Render() const {
    if (Size == 0 && StrColor.empty()) return {};
    std::string out = "<FONT";
    if (Size != 0) out += " SIZE=" + std::to_string(Size);
    if (!StrColor.empty()) out += " COLOR=\"" + colorText(StrColor) + "\"";
    return out + ">";
}

std::string TColorHtml::Render() const {
    if (StrColor.empty()) return {};
    return "COLOR=\"" + colorText(StrColor) + "\"";
}

std::string TComponentHtml::Render() const {
    std::string out;
    for (const auto& child : Li) out += child->Render();
    return out;
}

int TComponentHtml::Remove(const TComponentHtml* child) {
    const auto it =
        std::find_if(Li.begin(), Li.end(), [child](const auto& c) { return c.get() == child; });
    if (it == Li.end()) return -1;
    const int position = static_cast<int>(it - Li.begin());
    Li.erase(it);
    return position;
}

std::string TStringHtml::Render() const {
    const std::string font = FFont.Render();
    std::string text;
    for (const char c : EscapeHtml(Text)) {
        if (c == '\r')
            text += "<BR>";
        else if (c != '\n')
            text += c;
    }
    std::string out = font + text + (font.empty() ? "" : "</FONT>");
    if (UnderLine) out = "<U>" + out + "</U>";
    if (BR) out += "<BR>";
    return out;
}

std::string TTextHtml::Render() const {
    if (!Paragraf) return TStringHtml::Render();
    return "<P" + alignAttr(Align) + ">" + TStringHtml::Render() + "</P>" + kCrLf;
}

std::string TLinkHtml::Render() const {
    return "<A HREF=\"" + EscapeHtml(Href) + "\">" + TStringHtml::Render() + "</A>";
}

std::string THStringHtml::Render() const {
    return "  <TH" + spanAttrs(ColSpan, RowSpan, Align) + ">" + TStringHtml::Render() + "</TH>" +
           kCrLf;
}

std::string THGridHtml::Render() const {
    if (Li.empty()) return {};
    return std::string("<TR>") + kCrLf + TComponentHtml::Render() + "</TR>" + kCrLf;
}

THStringHtml* THGridHtml::AddCol(std::string text) {
    return Append(std::make_unique<THStringHtml>(std::move(text)));
}

std::string TCellsGridHtml::Render() const {
    return "  <TD" + spanAttrs(ColSpan, RowSpan, Align) + ">" + TComponentHtml::Render() + "</TD>" +
           kCrLf;
}

TStringHtml* TCellsGridHtml::AddText(std::string text) {
    return Append(std::make_unique<TStringHtml>(std::move(text)));
}

TLinkHtml* TCellsGridHtml::AddLink(std::string text, std::string href) {
    return Append(std::make_unique<TLinkHtml>(std::move(text), std::move(href)));
}

std::string TRowGridHtml::Render() const {
    return std::string("<TR>") + kCrLf + TComponentHtml::Render() + "</TR>" + kCrLf;
}

TCellsGridHtml* TRowGridHtml::AddCells() {
    return Append(std::make_unique<TCellsGridHtml>());
}

TGridHtml::TGridHtml() {
    FColor.StrColor = "BLACK";
    FHeadr = Append(std::make_unique<THGridHtml>());
}

std::string TGridHtml::Render() const {
    std::string out = "<TABLE";
    if (Border != 0) out += " BORDER=" + std::to_string(Border);
    if (!FColor.StrColor.empty()) out += " BORDERCOLOR=" + colorText(FColor.StrColor);
    out += " Cellspacing=0 cellpadding=0>";
    out += kCrLf;
    if (!Caption.empty()) out += "<CAPTION>" + EscapeHtml(Caption) + "</CAPTION>" + kCrLf;
    return out + TComponentHtml::Render() + kCrLf + "</TABLE>";
}

TRowGridHtml* TGridHtml::AddRow() {
    return Append(std::make_unique<TRowGridHtml>());
}

int TGridHtml::DelRow(const TRowGridHtml* row) {
    if (row == nullptr) return -1;
    return Remove(row);
}

std::string THeadHtml::Render() const {
    return std::string("<HEAD>") + kCrLf + "<TITLE>" + EscapeHtml(FTitle) + "</TITLE>" + kCrLf +
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">" +
           kCrLf + TComponentHtml::Render() + kCrLf + "</HEAD>" + kCrLf;
}

std::string TBodyHtml::Render() const {
    std::string out = "<BODY";
    if (!FColor.StrColor.empty()) out += " BGCOLOR=\"" + colorText(FColor.StrColor) + "\"";
    out += ">";
    out += kCrLf;
    if (FFont.Size > 0) out += "<BASEFONT=" + std::to_string(FFont.Size) + ">";
    return out + TComponentHtml::Render() + kCrLf + "</BODY>";
}

TTextHtml* TBodyHtml::AddText(std::string text) {
    return Append(std::make_unique<TTextHtml>(std::move(text)));
}

TLinkHtml* TBodyHtml::AddLink(std::string text, std::string href) {
    return Append(std::make_unique<TLinkHtml>(std::move(text), std::move(href)));
}

TGridHtml* TBodyHtml::AddGrid() {
    return Append(std::make_unique<TGridHtml>());
}

TFileHtml::TFileHtml() {
    FHead = Append(std::make_unique<THeadHtml>());
    FBody = Append(std::make_unique<TBodyHtml>());
    FHead->FTitle = "NoName";
}

std::string TFileHtml::Render() const {
    return std::string("<HTML>") + kCrLf + TComponentHtml::Render() + kCrLf + "</HTML>";
}

bool TFileHtml::SaveToFile(FileSystem& files) {
    FLastError.clear();
    if (FName.empty()) {
        FLastError = "no file name";
        return false;
    }
    const std::string bytes = Render();
    errno = 0;
    if (replaceFileWhole(files, FName, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                         false))
        return true;
    FLastError = errno != 0 ? std::system_category().message(errno) : "write failed";
    return false;
}

}  // namespace zavlin::html
