#pragma once
// Little-endian fields of binary records, and the RK number form. BIFF records
// use them, and so do the .xlsb and Lotus records, which lay fields out the same
// way. Callers check lengths before reading.
#include <cstdint>
#include <cstring>

namespace dulo::biff {

inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline double ReadF64(const uint8_t* p) {
    uint64_t bits = uint64_t(ReadU32(p)) | (uint64_t(ReadU32(p + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// An RK value: a 30-bit integer or the high bits of a double, perhaps divided
// by 100 (inline: read for most number cells).
inline double DecodeRk(uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    if (rk & 0x01) value /= 100.0;
    return value;
}

}  // namespace dulo::biff
