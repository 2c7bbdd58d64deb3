// The HTML writer: a small tree of document objects that renders itself as
// the Windows-1251 bytes of a page (upper-case tags, CR LF line ends).
//
//   TFileHtml   "<HTML>" CRLF, head, body, CRLF "</HTML>"
//   THeadHtml   "<HEAD>" CRLF "<TITLE>t</TITLE>" CRLF <META charset line> CRLF
//               children CRLF "</HEAD>" CRLF
//   TBodyHtml   "<BODY BGCOLOR="c">" CRLF "<BASEFONT=n>" children CRLF "</BODY>"
//   TGridHtml   "<TABLE BORDER=n BORDERCOLOR=c Cellspacing=0 cellpadding=0>" CRLF
//               "<CAPTION>c</CAPTION>" CRLF, header row, rows, CRLF "</TABLE>"
//   THGridHtml  "<TR>" CRLF heads "</TR>" CRLF (nothing without heads)
//   THStringHtml "  <TH COLSPAN=n ROWSPAN=n ALIGN=x>" text "</TH>" CRLF
//   TRowGridHtml "<TR>" CRLF cells "</TR>" CRLF
//   TCellsGridHtml "  <TD COLSPAN=n ROWSPAN=n ALIGN=x>" children "</TD>" CRLF
//   TTextHtml   "<P ALIGN=x>" string "</P>" CRLF, or the string alone
//   TLinkHtml   "<A HREF="h">" string "</A>"
//   TStringHtml "<FONT SIZE=n COLOR="c">" text "</FONT>", in "<U>" "</U>" when
//               underlined, "<BR>" after it when asked
//
// Texts are UTF-8 here. Everything that comes from data (texts, titles,
// captions, hrefs, colours) is escaped (& < > ") when rendered, and a
// character the code page cannot hold becomes "&#N;"; a CR in a text becomes
// "<BR>" and an LF is dropped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace zavlin::html {

enum class TAlignHtml { alNot, alLeft, alCenter, alRight };

// A data text as page bytes: escaped, in the code page, references for the
// characters outside it.
std::string EscapeHtml(std::string_view utf8);

class TObjectHtml {
public:
    virtual ~TObjectHtml() = default;
    // The narrow (Windows-1251) rendering.
    virtual std::string Render() const = 0;
};

class TFontHtml : public TObjectHtml {
public:
    static constexpr std::size_t kMaxColor = 255;
    std::string Render() const override;

    int Size = 0;          // 0 = unset
    std::string StrColor;  // empty = unset; cut to kMaxColor characters
};

class TColorHtml : public TObjectHtml {
public:
    std::string Render() const override;
    std::string StrColor;
};

class TComponentHtml : public TObjectHtml {
public:
    TComponentHtml() = default;
    TComponentHtml(const TComponentHtml&) = delete;
    TComponentHtml& operator=(const TComponentHtml&) = delete;

    // The children's renderings in order.
    std::string Render() const override;
    int Count() const { return static_cast<int>(Li.size()); }
    TComponentHtml* Child(int i) const { return Li[static_cast<std::size_t>(i)].get(); }

    TFontHtml FFont;
    TColorHtml FColor;

protected:
    template <typename T>
    T* Append(std::unique_ptr<T> child) {
        T* raw = child.get();
        Li.push_back(std::move(child));
        return raw;
    }
    // Removes and frees the child; its former position, -1 when not a child.
    int Remove(const TComponentHtml* child);

    std::vector<std::unique_ptr<TComponentHtml>> Li;
};

class TStringHtml : public TComponentHtml {
public:
    explicit TStringHtml(std::string text = {}) : Text(std::move(text)) {}
    std::string Render() const override;
    TFontHtml& Font() { return FFont; }

    std::string Text;
    bool UnderLine = false;
    bool BR = false;
};

class TTextHtml : public TStringHtml {
public:
    using TStringHtml::TStringHtml;
    std::string Render() const override;

    bool Paragraf = false;
    TAlignHtml Align = TAlignHtml::alNot;
};

class TLinkHtml : public TStringHtml {
public:
    TLinkHtml(std::string text, std::string href)
        : TStringHtml(std::move(text)), Href(std::move(href)) {}
    std::string Render() const override;

    std::string Href;
};

class THStringHtml : public TStringHtml {
public:
    using TStringHtml::TStringHtml;
    std::string Render() const override;

    uint16_t ColSpan = 0;
    uint16_t RowSpan = 0;
    TAlignHtml Align = TAlignHtml::alNot;
};

class THGridHtml : public TComponentHtml {
public:
    std::string Render() const override;
    THStringHtml* AddCol(std::string text);
};

class TCellsGridHtml : public TComponentHtml {
public:
    std::string Render() const override;
    TStringHtml* AddText(std::string text);
    TLinkHtml* AddLink(std::string text, std::string href);

    uint16_t ColSpan = 0;
    uint16_t RowSpan = 0;
    TAlignHtml Align = TAlignHtml::alNot;
};

class TRowGridHtml : public TComponentHtml {
public:
    std::string Render() const override;
    TCellsGridHtml* AddCells();
};

class TGridHtml : public TComponentHtml {
public:
    TGridHtml();
    std::string Render() const override;

    THGridHtml* Headr() const { return FHeadr; }
    TRowGridHtml* AddRow();
    // Removes and frees a row; its former position among the children (the
    // header row is the first), -1 when it is no row of this grid. The header
    // row stays.
    int DelRow(const TRowGridHtml* row);

    uint8_t Border = 0;
    std::string Caption;

private:
    THGridHtml* FHeadr = nullptr;
};

class THeadHtml : public TComponentHtml {
public:
    std::string Render() const override;
    const std::string& Title() const { return FTitle; }
    void SetTitle(std::string title) { FTitle = std::move(title); }

    std::string FTitle;
};

class TBodyHtml : public TComponentHtml {
public:
    std::string Render() const override;
    TFontHtml& BaseFont() { return FFont; }
    TColorHtml& BGColor() { return FColor; }

    TTextHtml* AddText(std::string text);
    TLinkHtml* AddLink(std::string text, std::string href);
    TGridHtml* AddGrid();
};

class TFileHtml : public TComponentHtml {
public:
    TFileHtml();
    std::string Render() const override;

    THeadHtml& Head() const { return *FHead; }
    TBodyHtml& Body() const { return *FBody; }
    const std::filesystem::path& FileName() const { return FName; }
    void SetFileName(std::filesystem::path name) { FName = std::move(name); }

    // Writes the rendering aside and renames it over FName. False, with the
    // reason in LastError, when the file could not be written.
    [[nodiscard]] bool SaveToFile(FileSystem& files = realFileSystem());
    const std::string& LastError() const { return FLastError; }

    std::filesystem::path FName;

private:
    THeadHtml* FHead = nullptr;
    TBodyHtml* FBody = nullptr;
    std::string FLastError;
};

}  // namespace zavlin::html
