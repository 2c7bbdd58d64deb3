#include "base/extended_float.h"

#include <cfloat>
#include <cmath>

#include "base/little_endian.h"

namespace zavlin {

namespace {

constexpr int kBias = 16383;
constexpr int kMaxExponent = 0x7FFF;
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
// Weight of the mantissa's lowest bit when the exponent field is 0 (or 1).
constexpr int kDenormalShift = 1 - kBias - 63;

Extended80 pack(bool negative, int exponent, uint64_t mantissa) {
    Extended80 out{};
    putU64(out.data(), mantissa);
    putU16(out.data() + 8, static_cast<uint16_t>((negative ? 0x8000 : 0) | exponent));
    return out;
}

// scaled is below 2^64 and has no fraction unless the host's long double is wider
// than 64 bits; then it is rounded to nearest even, which may carry to 2^64.
uint64_t toMantissa(long double scaled, bool& carried) {
    carried = false;
    if constexpr (LDBL_MANT_DIG > 64) {
        scaled = std::nearbyint(scaled);
        if (scaled >= 0x1p64L) {
            carried = true;
            return kIntegerBit;
        }
    }
    return static_cast<uint64_t>(scaled);
}

}  // namespace

Extended80 encodeExtended(long double value) {
    const bool negative = std::signbit(value);
    if (std::isnan(value)) return pack(negative, kMaxExponent, kIntegerBit | (kIntegerBit >> 1));
    if (std::isinf(value)) return pack(negative, kMaxExponent, kIntegerBit);
    if (value == 0) return pack(negative, 0, 0);

    int e = 0;
    const long double fraction = std::frexp(std::fabs(value), &e);  // in [0.5, 1)
    int exponent = e - 1 + kBias;
    bool carried = false;
    if (exponent >= 1) {
        const uint64_t mantissa = toMantissa(std::ldexp(fraction, 64), carried);
        if (carried) ++exponent;
        if (exponent >= kMaxExponent) return pack(negative, kMaxExponent, kIntegerBit);
        return pack(negative, exponent, mantissa);
    }
    // Too small for a normal number: the mantissa counts units of 2^kDenormalShift.
    // Below 2^63 before rounding, so carried stays false here.
    const uint64_t mantissa = toMantissa(std::ldexp(fraction, e - kDenormalShift), carried);
    // Rounding up into the integer bit makes the smallest normal number.
    if (mantissa & kIntegerBit) return pack(negative, 1, mantissa);
    return pack(negative, 0, mantissa);
}

long double decodeExtended(const uint8_t* bytes) {
    const uint64_t mantissa = getU64(bytes);
    const uint16_t signExp = getU16(bytes + 8);
    const bool negative = (signExp & 0x8000) != 0;
    const int exponent = signExp & 0x7FFF;

    long double magnitude;
    if (exponent == kMaxExponent) {
        // Only the canonical infinity is one; every other pattern here is not a number.
        magnitude = mantissa == kIntegerBit ? HUGE_VALL : NAN;
    } else {
        // Denormals and pseudo-denormals share the smallest normal's scale; unnormals
        // simply read as the number their bits spell.
        // Exact where long double has 64 bits or more; a narrower host rounds.
        const int shift = exponent == 0 ? kDenormalShift : exponent - kBias - 63;
        magnitude = std::ldexp(static_cast<long double>(mantissa), shift);
    }
    return negative ? -magnitude : magnitude;
}

long double decodeExtended(const Extended80& bytes) {
    return decodeExtended(bytes.data());
}

}  // namespace zavlin
