// Name helpers of the data-entry windows: a teacher's short name from the three
// parts of a full name, and the parts back out of a full name. Text is UTF-8;
// one "character" is one code point, as one byte of Windows-1251 was.
#pragma once

#include <string>
#include <string_view>

namespace zavlin {

// Trims the three parts in place. When none is empty, a part that starts with
// a lower-case Cyrillic letter (а–я, ё) gets it upper-cased in place, and the
// result is "Surname G.P."; otherwise the result is empty.
std::string SetNameFill(std::string& surname, std::string& givenName, std::string& patronymic);

// The text before the first blank (all of it when there is none), trimmed.
std::string NameFirst(std::string_view full);
// After the first blank, trimmed: the text up to the first "." or blank.
// Empty when the name has no blank.
std::string NameSecond(std::string_view full);
// The third word: the first word and the second (up to its "." or blank) are
// removed, then the rest up to its first "." (or blank). Empty when either
// removal finds no delimiter.
std::string NameThree(std::string_view full);

// The first character of a UTF-8 text (a whole code point), or empty.
std::string firstCharacter(std::string_view text);
// Upper-cases the first character when it is а–я or ё; anything else is kept.
std::string upperFirstCyrillic(std::string_view text);

}  // namespace zavlin
