// Floating-point numbers as text: the general format with up to 15 significant
// digits ("1.5", "100", "1E20", "1.5E-6") and the locale's decimal separator.
#pragma once

#include <string>
#include <string_view>

namespace zavlin {

// The decimal separator of the current C locale (LC_NUMERIC), "." by default.
char localeDecimalSeparator();

std::string formatFloatGeneral(long double value, char decimalSeparator);
// Accepts the given separator (and "." too); surrounding blanks are ignored.
// Throws EConvertError for text that is not a number.
long double parseFloatText(std::string_view text, char decimalSeparator);

}  // namespace zavlin
