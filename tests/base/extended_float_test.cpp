#include "base/extended_float.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace zavlin {
namespace {

Extended80 bytesOf(uint64_t mantissa, uint16_t signExp) {
    Extended80 b{};
    for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(mantissa >> (8 * i));
    b[8] = static_cast<uint8_t>(signExp);
    b[9] = static_cast<uint8_t>(signExp >> 8);
    return b;
}

TEST(ExtendedFloat, HandComputedBytes) {
    const struct {
        long double value;
        Extended80 bytes;
    } cases[] = {
        {1.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
        {-2.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
        {0.5L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F}},
        {100.0L, {0, 0, 0, 0, 0, 0, 0, 0xC8, 0x05, 0x40}},
        {0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {-0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
        {HUGE_VALL, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
        {-HUGE_VALL, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeExtended(c.value), c.bytes) << c.value;
        const long double back = decodeExtended(c.bytes);
        EXPECT_EQ(back, c.value);
        EXPECT_EQ(std::signbit(back), std::signbit(c.value));
    }
}

TEST(ExtendedFloat, NotANumber) {
    const Extended80 nan = encodeExtended(std::numeric_limits<long double>::quiet_NaN());
    EXPECT_EQ(nan[9] & 0x7F, 0x7F);
    EXPECT_EQ(nan[8], 0xFF);
    EXPECT_NE(nan[7] & 0x7F, 0);
    EXPECT_TRUE(std::isnan(decodeExtended(nan)));
    // Pseudo-infinity (integer bit clear) is not an infinity.
    EXPECT_TRUE(std::isnan(decodeExtended(bytesOf(0, 0x7FFF))));
}

TEST(ExtendedFloat, DoublesRoundTripOnAnyHost) {
    const double values[] = {1.0 / 3, -1e-300, 1e300, 5e-324, DBL_MIN, DBL_MAX, 0.1, -123.456};
    for (const double v : values) {
        EXPECT_EQ(decodeExtended(encodeExtended(v)), static_cast<long double>(v)) << v;
    }
}

TEST(ExtendedFloat, NonCanonicalPatternsDecodeToTheirValue) {
    // Pseudo-denormal: exponent 0 with the integer bit set reads at the
    // smallest normal scale; an unnormal reads as its bits spell.
    const long double pseudo = decodeExtended(bytesOf(uint64_t{1} << 63, 0));
    const long double unnormal = decodeExtended(bytesOf(uint64_t{1} << 62, 0x3FFF));
    if (LDBL_MAX_EXP >= 16384) {
        EXPECT_EQ(pseudo, std::ldexp(1.0L, -16382));
    } else {
        EXPECT_EQ(pseudo, 0.0L);
    }
    EXPECT_EQ(unnormal, 0.5L);
    EXPECT_EQ(decodeExtended(bytesOf(0, 0x4000)), 0.0L);  // pseudo-zero

    std::mt19937_64 rng(42);
    for (int i = 0; i < 20000; ++i) {
        Extended80 b{};
        for (auto& byte : b) byte = static_cast<uint8_t>(rng());
        const long double v = decodeExtended(b);
        if (std::isnan(v)) continue;
        EXPECT_EQ(decodeExtended(encodeExtended(v)), v);
    }
}

#if defined(__x86_64__) || defined(__i386__)

Extended80 hostBytes(long double v) {
    Extended80 b{};
    std::memcpy(b.data(), &v, b.size());
    return b;
}

long double hostValue(const Extended80& b) {
    long double v = 0;
    std::memcpy(&v, b.data(), b.size());
    return v;
}

TEST(ExtendedFloat, MatchesTheHostFormatBitForBit) {
    const long double extremes[] = {
        LDBL_MAX,
        -LDBL_MAX,
        LDBL_MIN,
        -LDBL_MIN,
        LDBL_TRUE_MIN,
        -LDBL_TRUE_MIN,
        LDBL_MIN - LDBL_TRUE_MIN,  // largest denormal
        LDBL_EPSILON,
        1.0L + LDBL_EPSILON,
        1.0L / 3,
        1e4000L,
        1e-4000L,
    };
    for (const long double v : extremes) {
        EXPECT_EQ(encodeExtended(v), hostBytes(v)) << v;
        EXPECT_EQ(decodeExtended(hostBytes(v)), v) << v;
    }

    std::mt19937_64 rng(7);
    for (int i = 0; i < 200000; ++i) {
        const uint64_t mantissa = rng();
        const auto signExp = static_cast<uint16_t>(rng());
        // Canonical forms only: the integer bit says whether the number is normal.
        if ((signExp & 0x7FFF) == 0x7FFF) continue;
        const uint64_t integerBit = (signExp & 0x7FFF) == 0 ? 0 : uint64_t{1} << 63;
        const Extended80 b = bytesOf((mantissa & ~(uint64_t{1} << 63)) | integerBit, signExp);
        const long double v = hostValue(b);
        ASSERT_EQ(encodeExtended(v), b) << i;
        ASSERT_EQ(decodeExtended(b), v) << i;
    }
}

#endif

}  // namespace
}  // namespace zavlin
