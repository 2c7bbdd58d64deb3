// The 10-byte x87 extended-precision form that float fields hold on disk:
// 64-bit mantissa with an explicit integer bit, 15-bit exponent (bias 16383),
// sign bit, little-endian. Encoded and decoded bit by bit so the result is the
// same on any host, whatever its own long double is.
#pragma once

#include <array>
#include <cstdint>

namespace zavlin {

using Extended80 = std::array<uint8_t, 10>;

Extended80 encodeExtended(long double value);
long double decodeExtended(const Extended80& bytes);
long double decodeExtended(const uint8_t* bytes);

}  // namespace zavlin
