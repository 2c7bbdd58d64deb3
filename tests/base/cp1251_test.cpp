#include "base/cp1251.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text_checks.h"

namespace zavlin {
namespace {

TEST(Cp1251, EveryDefinedByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != 0x98) all += static_cast<char>(b);
    }
    ASSERT_EQ(all.size(), 255u);
    const std::string utf8 = cp1251ToUtf8(all);
    EXPECT_EQ(utf8ToCp1251(utf8), all);
}

TEST(Cp1251, KnownCharacters) {
    const struct {
        const char* utf8;
        unsigned char byte;
    } cases[] = {
        {"А", 0xC0}, {"я", 0xFF}, {"Ё", 0xA8}, {"ё", 0xB8}, {"№", 0xB9}, {"«", 0xAB},
        {"»", 0xBB}, {"€", 0x88}, {"—", 0x97}, {"Ґ", 0xA5}, {"ї", 0xBF}, {"\u00A0", 0xA0},
    };
    for (const auto& c : cases) {
        const std::string one(1, static_cast<char>(c.byte));
        EXPECT_EQ(utf8ToCp1251(c.utf8), one) << c.utf8;
        EXPECT_EQ(cp1251ToUtf8(one), c.utf8) << int{c.byte};
    }
    EXPECT_EQ(cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2, world"), "Привет, world");
}

TEST(Cp1251, UndefinedByteAndForeignCharactersBecomeQuestionMarks) {
    EXPECT_EQ(cp1251ToUtf8("a\x98z"), "a?z");
    // Latin-1 letter, CJK and a four-byte character: outside the code page.
    EXPECT_EQ(utf8ToCp1251("é日😀x"), "???x");
}

TEST(Cp1251, EachMalformedByteBecomesOneQuestionMark) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"\x80", "?"},    // stray continuation
        {"a\xD0", "a?"},  // truncated at the end
        {"\xD0"
         "A",
         "?A"},                        // lead without its continuation
        {"\xE2\x82x", "??x"},          // three-byte form cut short
        {"\xC0\xAF", "??"},            // overlong '/'
        {"\xE0\x80\xAF", "???"},       // overlong three-byte
        {"\xED\xA0\x80", "???"},       // surrogate
        {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
        {"\xF5\xFF\xFE", "???"},       // never valid
        {"\xD0\xD0\x9F", "?\xCF"},     // bad lead, then a good 'П'
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToCp1251(c.in), c.out) << testing::PrintToString(c.in);
    }
}

TEST(Cp1251, CutCountsCharactersNotBytes) {
    const std::string text = "Привет";  // twelve UTF-8 bytes
    EXPECT_EQ(cp1251ToUtf8(utf8ToCp1251Cut(text, 3)), "При");
    EXPECT_EQ(utf8ToCp1251Cut(text, 0), "");
    EXPECT_EQ(utf8ToCp1251Cut(text, 100), utf8ToCp1251(text));
    EXPECT_EQ(utf8ToCp1251Cut("\x80\x80Я", 3), "??\xDF");
    EXPECT_EQ(utf8ToCp1251Cut("ab\xE2\x82", 3), "ab?");
}

// Catches: malformed input taken as text (it would be stored as "?"), valid
// four-byte and boundary sequences refused, and a '?' typed by the user
// mistaken for a lost character.
TEST(TextChecks, ValidUtf8AndWhatTheCodePageCanHold) {
    for (const char* good :
         {"", "abc", "Привет", "€ № ё", "\xF0\x9F\x98\x80", "\xEF\xBF\xBF", "\xC2\x80", "a?b"})
        EXPECT_TRUE(isValidUtf8(good)) << testing::PrintToString(std::string(good));
    for (const char* bad : {"\xCF\xF0\xE8", "ok\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\x80", "\xFF", "\xE2\x82"})
        EXPECT_FALSE(isValidUtf8(bad)) << testing::PrintToString(std::string(bad));

    EXPECT_TRUE(fitsCp1251("Что? Где? € № ё Ё"));
    EXPECT_FALSE(fitsCp1251("Σ-группа"));
    EXPECT_FALSE(fitsCp1251("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(fitsCp1251("ok\xC3")) << "malformed bytes also become '?'";
}

}  // namespace
}  // namespace zavlin
