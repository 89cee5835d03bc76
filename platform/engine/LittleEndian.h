#pragma once
// Little-endian fields of binary workbook records, and the RK number form
// that BIFF and .xlsb share. Callers check lengths before reading.
#include <cstdint>
#include <cstring>

namespace dulo::engine {

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
inline double F64(const uint8_t* p) {
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

// An RK value: a 30-bit integer or the high bits of a double, perhaps divided by 100.
inline double DecodeRk(uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, 8);
    }
    return (rk & 0x01) ? value / 100.0 : value;
}

}  // namespace dulo::engine
