// The rules of the name fields of groups, teachers and subjects, below the
// windows: which characters a name may hold, how a name is fitted to its
// table field (limits count characters, as the files do) and whether it can
// be stored at all in the tables' code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/attribute.h"
#include "model/building.h"
#include "model/faculty.h"
#include "model/room.h"
#include "model/teacher.h"
#include "storage/year_tables.h"

namespace zavlin::entry {

// What a name field holds decides which characters besides the Cyrillic
// letters it takes.
enum class TNameKind {
    // "ПКС-21", "10 (б)": digits, blanks and a few marks.
    Group,
    // One part of a teacher's name: letters and a hyphen ("Петров-Водкин").
    // A blank would split the part when the full name is read back.
    Person,
    // "Физ-ра", "Осн. безоп. жизн.": digits, blanks and punctuation.
    Subject,
    // Faculty names and positions: anything the code page holds.
    Free,
};

// Field limits in characters.
inline constexpr std::size_t kGroupNameChars = kGroupNameLength;
inline constexpr std::size_t kTeacherNameChars = TFio::kMaxBigName;
inline constexpr std::size_t kPositionChars = TFio::kMaxDolj;
inline constexpr std::size_t kFacultyNameChars = TFak::kMaxName;
inline constexpr std::size_t kSubjectShortNameChars = kSubjectShortNameLength;
inline constexpr std::size_t kSubjectLongNameChars = kNameLength;
inline constexpr std::size_t kBuildingNameChars = TDom::kMaxName;
inline constexpr std::size_t kRoomNameChars = TAyd::kMaxName;
inline constexpr std::size_t kAttributeNameChars = TAtr::kMaxName;
static_assert(kGroupNameChars > 0 && kTeacherNameChars > 0 && kSubjectShortNameChars > 0);

// The message of a refused key.
inline constexpr const char* kOnlyRussianMessage = "Только русский шрифт!";

// A Cyrillic letter of the tables' code page (Russian, Ukrainian,
// Belarusian, Serbian and Macedonian letters).
bool isCyrillicLetter(char32_t c);
// Whether a name of that kind may hold the character.
bool isNameChar(char32_t c, TNameKind kind);

// The text without the characters a name of that kind may not hold;
// dropped tells whether any went. Malformed UTF-8 goes too.
std::string keepNameChars(std::string_view text, TNameKind kind, bool* dropped = nullptr);

// The first maxChars characters; never ends inside a character.
std::string fitToLimit(std::string_view text, std::size_t maxChars);

// The first character the tables' code page cannot hold (UTF-8); empty when
// every character can be stored.
std::string firstNonCp1251(std::string_view text);
inline bool fitsCp1251(std::string_view text) {
    return firstNonCp1251(text).empty();
}

// A typed name as it is stored: blanks trimmed, cut at the field's limit.
// False, with the message to show, when a character cannot be stored (it
// would turn into "?" in the table); name is then left as it was.
[[nodiscard]] bool prepareName(std::string_view typed, std::size_t maxChars, std::string& name,
                               std::string& message);

}  // namespace zavlin::entry
