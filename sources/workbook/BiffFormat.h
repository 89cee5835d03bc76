#pragma once
// Record ids and value encodings shared by the BIFF2-BIFF5 readers.
#include <cstdint>
#include <cstring>
#include <string_view>

namespace biff {

// Record ids.
constexpr uint16_t kBlank2 = 0x0001;
constexpr uint16_t kInteger2 = 0x0002;
constexpr uint16_t kNumber2 = 0x0003;
constexpr uint16_t kLabel2 = 0x0004;
constexpr uint16_t kBoolErr2 = 0x0005;
constexpr uint16_t kFormula2 = 0x0006;  // also BIFF5
constexpr uint16_t kString2 = 0x0007;
constexpr uint16_t kRow2 = 0x0008;
constexpr uint16_t kBof2 = 0x0009;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kProtect = 0x0012;
constexpr uint16_t kSelection = 0x001D;
constexpr uint16_t kFormat2 = 0x001E;  // BIFF2 and BIFF3
constexpr uint16_t kDateMode = 0x0022;
constexpr uint16_t kColWidth2 = 0x0024;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kDefColWidth = 0x0055;
constexpr uint16_t kUncalced = 0x005E;
constexpr uint16_t kColInfo = 0x007D;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kBundleSheet = 0x008F;
constexpr uint16_t kMulRk = 0x00BD;
constexpr uint16_t kMulBlank = 0x00BE;
constexpr uint16_t kRString = 0x00D6;
constexpr uint16_t kXf5 = 0x00E0;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kBoolErr = 0x0205;
constexpr uint16_t kFormula3 = 0x0206;
constexpr uint16_t kString = 0x0207;
constexpr uint16_t kBof3 = 0x0209;
constexpr uint16_t kArray = 0x0221;
constexpr uint16_t kTableOp = 0x0236;
constexpr uint16_t kXf3 = 0x0243;
constexpr uint16_t kRk = 0x027E;
constexpr uint16_t kFormula4 = 0x0406;
constexpr uint16_t kBof4 = 0x0409;
constexpr uint16_t kFormat4 = 0x041E;  // BIFF4 and BIFF5
constexpr uint16_t kXf4 = 0x0443;
constexpr uint16_t kShrFmla = 0x04BC;
constexpr uint16_t kBof5 = 0x0809;

// The number an RK value stands for (inline: read for most number cells).
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

// Column width in characters from a width in 1/256 characters.
int WidthFromUnits(uint16_t units);

// BIFF2-4: date (0x100) and time (0x200) flags of a display format text, from
// the date letters d, y and the time letters h, s outside brackets.
int ClassifyFormatText(std::string_view text);

// BIFF5: the built-in format code of a format index ("G" from 23 on), and its flags.
std::string_view BuiltinFormatCode(int formatIndex);
int ClassifyBuiltinCode(std::string_view code);

}  // namespace biff
