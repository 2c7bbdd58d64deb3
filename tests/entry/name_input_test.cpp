// The name fields' rules: the characters each kind of name takes, cutting at
// a field's limit without splitting a character, and refusing what the
// tables' code page cannot hold instead of storing "?".
#include "entry/name_input.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"

using namespace zavlin;
using namespace zavlin::entry;

TEST(NameInputChars, CyrillicLettersOfTheCodePageOnly) {
    for (char32_t c : {U'А', U'я', U'Ё', U'ё', U'Ж', U'щ', U'І', U'ї', U'Ґ', U'ґ', U'Ў', U'џ'})
        EXPECT_TRUE(isCyrillicLetter(c)) << static_cast<int>(c);
    // Latin look-alikes, and Cyrillic code points the code page lacks.
    for (char32_t c : {U'A', U'a', U'C', U'p', U'\u040D', U'\u045D', U'\u0400', U'\u0460',
                       U'\u04D8', U'1', U' '})
        EXPECT_FALSE(isCyrillicLetter(c)) << static_cast<int>(c);
}

TEST(NameInputChars, EachKindTakesItsMarks) {
    // Group names carry course numbers and hyphens.
    EXPECT_TRUE(isNameChar(U'2', TNameKind::Group));
    EXPECT_TRUE(isNameChar(U'-', TNameKind::Group));
    EXPECT_TRUE(isNameChar(U' ', TNameKind::Group));
    EXPECT_FALSE(isNameChar(U'K', TNameKind::Group));
    EXPECT_FALSE(isNameChar(U'@', TNameKind::Group));
    // A blank in a part of a teacher's name would shift the parts on reading.
    EXPECT_TRUE(isNameChar(U'-', TNameKind::Person));
    EXPECT_FALSE(isNameChar(U' ', TNameKind::Person));
    EXPECT_FALSE(isNameChar(U'1', TNameKind::Person));
    EXPECT_FALSE(isNameChar(U'.', TNameKind::Person));
    EXPECT_TRUE(isNameChar(U'.', TNameKind::Subject));
    EXPECT_FALSE(isNameChar(U'x', TNameKind::Subject));
    // Free text takes Latin too, but no control character.
    EXPECT_TRUE(isNameChar(U'x', TNameKind::Free));
    EXPECT_FALSE(isNameChar(U'\t', TNameKind::Free));
}

TEST(NameInputChars, PastedTextLosesWhatTheKindRefuses) {
    bool dropped = false;
    EXPECT_EQ(keepNameChars("ПКС-21", TNameKind::Group, &dropped), "ПКС-21");
    EXPECT_FALSE(dropped);
    EXPECT_EQ(keepNameChars("ПKС-21b", TNameKind::Group, &dropped), "ПС-21");
    EXPECT_TRUE(dropped);
    EXPECT_EQ(keepNameChars("Иван ов", TNameKind::Person, &dropped), "Иванов");
    EXPECT_TRUE(dropped);
    // A broken sequence never survives into a name, nor takes a neighbour.
    EXPECT_EQ(keepNameChars("А\xD0Б\xFF", TNameKind::Group, &dropped), "АБ");
    EXPECT_TRUE(dropped);
}

TEST(NameInputLimit, CutsCountCharactersNotBytes) {
    // 20 two-byte letters cut to the group field's 18 characters.
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += "Ж";
    const std::string cut = fitToLimit(twenty, kGroupNameChars);
    EXPECT_EQ(cut.size(), 2 * kGroupNameChars);
    EXPECT_EQ(utf8ToCp1251(cut).size(), kGroupNameChars);
    // Mixed widths: the cut lands after the last whole character.
    EXPECT_EQ(fitToLimit("aЖb№c", 4), "aЖb№");
    EXPECT_EQ(fitToLimit("aЖ", 1), "a");
    EXPECT_EQ(fitToLimit("short", 48), "short");
}

TEST(NameInputCodePage, FindsTheFirstCharacterThatWouldBecomeAQuestionMark) {
    EXPECT_EQ(firstNonCp1251("Иванов И.И. № 5 «x»"), "");
    EXPECT_TRUE(fitsCp1251("Что?"));  // a real question mark is kept
    EXPECT_EQ(firstNonCp1251("Ли 李 Ω"), "李");
    EXPECT_EQ(firstNonCp1251("Ǎb"), "Ǎ");
    EXPECT_FALSE(fitsCp1251("a\xC3"));     // cut-off sequence
    EXPECT_FALSE(fitsCp1251("\xC0\x80"));  // over-long NUL
}

TEST(NameInputPrepare, TrimsCutsAndRefusesUnstorableText) {
    std::string name = "before";
    std::string message;
    ASSERT_TRUE(prepareName("  ПКС-21  ", kGroupNameChars, name, message));
    EXPECT_EQ(name, "ПКС-21");
    EXPECT_TRUE(message.empty());
    // Cut at the limit, and the blank the cut leaves at the end goes too.
    ASSERT_TRUE(prepareName("Группа номер один два", 13, name, message));
    EXPECT_EQ(name, "Группа номер");
    // Refused: the name keeps what it held, the message names the character.
    name = "old";
    EXPECT_FALSE(prepareName("Ли 李", kTeacherNameChars, name, message));
    EXPECT_EQ(name, "old");
    EXPECT_NE(message.find("李"), std::string::npos);
    // The cut never produces a text the tables would mangle.
    std::string mixed;
    for (int i = 0; i < 30; ++i) mixed += "Ёж";
    ASSERT_TRUE(prepareName(mixed, kTeacherNameChars, name, message));
    EXPECT_EQ(cp1251ToUtf8(utf8ToCp1251(name)), name);
    EXPECT_EQ(utf8ToCp1251(name).size(), kTeacherNameChars);
}
