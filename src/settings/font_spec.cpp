#include "settings/font_spec.h"

#include <array>

#include "settings/ini_document.h"

namespace zavlin {

namespace {

// clang-format off
constexpr std::array<std::string_view, 47> kColorIdents = {
    "clBlack",         "clMaroon",          "clGreen",        "clOlive",
    "clNavy",          "clPurple",          "clTeal",         "clGray",
    "clSilver",        "clRed",             "clLime",         "clYellow",
    "clBlue",          "clFuchsia",         "clAqua",         "clWhite",
    "clMoneyGreen",    "clSkyBlue",         "clCream",        "clMedGray",
    "clNone",          "clDefault",         "clScrollBar",    "clBackground",
    "clActiveCaption", "clInactiveCaption", "clMenu",         "clWindow",
    "clWindowFrame",   "clMenuText",        "clWindowText",   "clCaptionText",
    "clActiveBorder",  "clInactiveBorder",  "clAppWorkSpace", "clHighlight",
    "clHighlightText", "clBtnFace",         "clBtnShadow",    "clGrayText",
    "clBtnText",       "clInactiveCaptionText", "clBtnHighlight", "cl3DDkShadow",
    "cl3DLight",       "clInfoText",        "clInfoBk",
};
// clang-format on

bool containsNoCase(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (sameIniName(text.substr(i, word.size()), word)) return true;
    return false;
}

}  // namespace

std::string_view standardColorIdent(std::string_view text) {
    for (std::string_view id : kColorIdents)
        if (sameIniName(id, text)) return id;
    return {};
}

std::string fontStyleText(const TFontSpec& font) {
    std::string s;
    if (font.Bold) s += "Bold ";
    if (font.Italic) s += "Italic ";
    if (font.Underline) s += "UnDer ";
    if (font.StrikeOut) s += "StrikeOut ";
    return s;
}

void applyFontStyleText(std::string_view text, TFontSpec& font) {
    font.Bold = containsNoCase(text, "Bold");
    font.Italic = containsNoCase(text, "Italic");
    font.Underline = containsNoCase(text, "UnDer");
    font.StrikeOut = containsNoCase(text, "StrikeOut");
}

}  // namespace zavlin
