// Explicit little-endian encode/decode of the packed records of the table files.
// Never cast a struct over a buffer: the records are packed and the host may differ.
#pragma once

#include <cstdint>
#include <cstring>

namespace zavlin {

inline uint8_t getU8(const uint8_t* p) {
    return p[0];
}
inline uint16_t getU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t getU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t getU64(const uint8_t* p) {
    return static_cast<uint64_t>(getU32(p)) | (static_cast<uint64_t>(getU32(p + 4)) << 32);
}
inline int16_t getI16(const uint8_t* p) {
    return static_cast<int16_t>(getU16(p));
}
inline int32_t getI32(const uint8_t* p) {
    return static_cast<int32_t>(getU32(p));
}
inline double getF64(const uint8_t* p) {
    uint64_t bits = getU64(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline void putU8(uint8_t* p, uint8_t v) {
    p[0] = v;
}
inline void putU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void putU64(uint8_t* p, uint64_t v) {
    putU32(p, static_cast<uint32_t>(v));
    putU32(p + 4, static_cast<uint32_t>(v >> 32));
}
inline void putI16(uint8_t* p, int16_t v) {
    putU16(p, static_cast<uint16_t>(v));
}
inline void putI32(uint8_t* p, int32_t v) {
    putU32(p, static_cast<uint32_t>(v));
}
inline void putF64(uint8_t* p, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    putU64(p, bits);
}

}  // namespace zavlin
