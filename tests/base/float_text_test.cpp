#include "base/float_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "base/errors.h"

namespace zavlin {
namespace {

TEST(FloatText, GeneralFormat) {
    const struct {
        long double value;
        const char* text;
    } cases[] = {
        {0.0L, "0"},
        {-0.0L, "0"},
        {1.5L, "1.5"},
        {100.0L, "100"},
        {-3.25L, "-3.25"},
        {0.0001L, "0.0001"},
        {0.00001L, "0.00001"},
        {0.000015L, "0.000015"},
        {0.000001L, "1E-6"},
        {1.5e-6L, "1.5E-6"},
        {123456789012345.0L, "123456789012345"},
        {1e14L, "100000000000000"},
        {1e15L, "1E15"},
        {1e20L, "1E20"},
        {-2.5e20L, "-2.5E20"},
        {1e300L, "1E300"},
        {1e-300L, "1E-300"},
        // Fifteen significant digits, rounded; binary noise never shows.
        {0.1, "0.1"},
        {1.0L / 3, "0.333333333333333"},
        {2.0L / 3, "0.666666666666667"},
        {-2.0L / 3, "-0.666666666666667"},
        {1234567.891, "1234567.891"},
        {999999999999999.9L, "1E15"},
        {9.999999999999999e-6L, "0.00001"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatFloatGeneral(c.value, '.'), c.text) << c.text;
}

TEST(FloatText, SeparatorAndSpecialValues) {
    EXPECT_EQ(formatFloatGeneral(123.456L, ','), "123,456");
    EXPECT_EQ(formatFloatGeneral(1.5e-6L, ','), "1,5E-6");
    EXPECT_EQ(formatFloatGeneral(0.0001L, ','), "0,0001");
    EXPECT_EQ(formatFloatGeneral(std::numeric_limits<long double>::quiet_NaN(), '.'), "NAN");
    EXPECT_EQ(formatFloatGeneral(HUGE_VALL, '.'), "INF");
    EXPECT_EQ(formatFloatGeneral(-HUGE_VALL, '.'), "-INF");
#if LDBL_MAX_10_EXP >= 4000
    EXPECT_EQ(formatFloatGeneral(-1.25e4000L, '.'), "-1.25E4000");
#endif
}

TEST(FloatText, ParseAcceptsNumbers) {
    EXPECT_EQ(parseFloatText("1.5", '.'), 1.5L);
    EXPECT_EQ(parseFloatText("1,5", ','), 1.5L);
    EXPECT_EQ(parseFloatText("1.5", ','), 1.5L);
    EXPECT_EQ(parseFloatText("  -3.25\t", '.'), -3.25L);
    EXPECT_EQ(parseFloatText("+2", '.'), 2.0L);
    EXPECT_EQ(parseFloatText("1e3", '.'), 1000.0L);
    EXPECT_EQ(parseFloatText("2,5E-3", ','), 2.5e-3L);
    EXPECT_EQ(parseFloatText(".5", '.'), 0.5L);
    EXPECT_EQ(parseFloatText("5.", '.'), 5.0L);
    EXPECT_EQ(parseFloatText("0001", '.'), 1.0L);
    // Full long double precision, not a double widened afterwards.
    EXPECT_EQ(parseFloatText("0.1", '.'), 0.1L);
    // Underflow is a tiny number, not an error.
    EXPECT_EQ(parseFloatText("1e-5000", '.'), 0.0L);
}

TEST(FloatText, ParseRejectsEverythingElse) {
    for (const char* bad : {"", "   ", "abc", "1.5.2", "1,5", "1e", "e5", "--1", "1 5", "0x10",
                            "nan", "inf", "+", ".", "1e+", "1.5x", "1e99999"}) {
        EXPECT_THROW(parseFloatText(bad, '.'), EConvertError) << bad;
    }
    EXPECT_THROW(parseFloatText("1,5,2", ','), EConvertError);
    EXPECT_THROW(parseFloatText("1.5,2", ','), EConvertError);
}

TEST(FloatText, FormatThenParseKeepsFifteenDigits) {
    for (const long double v :
         {1.0L / 3, -2.0L / 7, 6.02214076e23L, 1.602176634e-19L, 42.0L, 0.000123456789L}) {
        for (const char sep : {'.', ','}) {
            const long double back = parseFloatText(formatFloatGeneral(v, sep), sep);
            EXPECT_NEAR(static_cast<double>(back / v), 1.0, 1e-14) << formatFloatGeneral(v, sep);
        }
    }
}

// Runs only where a locale with a decimal comma is installed.
TEST(FloatText, IgnoresTheProcessLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const char* found = nullptr;
    for (const char* name :
         {"ru_RU.UTF-8", "ru_RU.utf8", "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            found = name;
            break;
        }
    }
    if (found == nullptr) GTEST_SKIP() << "no locale with a decimal comma";
    EXPECT_EQ(localeDecimalSeparator(), ',');
    EXPECT_EQ(formatFloatGeneral(1.5L, '.'), "1.5");
    EXPECT_EQ(formatFloatGeneral(1.5e-6L, '.'), "1.5E-6");
    EXPECT_EQ(parseFloatText("1.5", '.'), 1.5L);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FloatText, DefaultSeparatorIsPoint) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(localeDecimalSeparator(), '.');
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace zavlin
