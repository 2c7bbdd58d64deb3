// A window font as the settings files keep it: five keys under the font's key K.
//   K.Name     face name
//   K.Size     points
//   K.Style    "Bold ", "Italic ", "UnDer ", "StrikeOut " concatenated in this order
//   K.Color    a standard colour identifier ("clRed"); absent for any other colour
//   K.Charset  character set number 0..255
#pragma once

#include <string>
#include <string_view>

namespace zavlin {

struct TFontSpec {
    std::string Name;
    int Size = 8;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::string Color = "clWindowText";
    int Charset = 1;  // the default character set

    bool operator==(const TFontSpec&) const = default;
};

// The identifier as the standard list spells it ("clred" gives "clRed"); empty
// when the text names no standard colour.
std::string_view standardColorIdent(std::string_view text);

std::string fontStyleText(const TFontSpec& font);
// Each style is on when its word appears anywhere in the text (any case).
void applyFontStyleText(std::string_view text, TFontSpec& font);

}  // namespace zavlin
