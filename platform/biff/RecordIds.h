#pragma once
// Record ids of the BIFF versions this library reads (BIFF2 to BIFF8). A name
// with a version number is the id from that version on, unless it says otherwise.
#include <cstdint>

namespace dulo::biff {

constexpr uint16_t kBlank2 = 0x0001;
constexpr uint16_t kInteger2 = 0x0002;
constexpr uint16_t kNumber2 = 0x0003;
constexpr uint16_t kLabel2 = 0x0004;
constexpr uint16_t kBoolErr2 = 0x0005;
constexpr uint16_t kFormula2 = 0x0006;  // BIFF2, and again from BIFF5 on
constexpr uint16_t kString2 = 0x0007;
constexpr uint16_t kRow2 = 0x0008;
constexpr uint16_t kBof2 = 0x0009;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kProtect = 0x0012;
constexpr uint16_t kSelection = 0x001D;
constexpr uint16_t kFormat2 = 0x001E;  // BIFF2 and BIFF3
constexpr uint16_t kDateMode = 0x0022;
constexpr uint16_t kColWidth2 = 0x0024;
constexpr uint16_t kFilePass = 0x002F;
constexpr uint16_t kContinue = 0x003C;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kDefColWidth = 0x0055;
constexpr uint16_t kUncalced = 0x005E;
constexpr uint16_t kColInfo = 0x007D;
constexpr uint16_t kWsBool = 0x0081;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kBundleSheet = 0x008F;
constexpr uint16_t kStandardWidth = 0x0099;
constexpr uint16_t kMulRk = 0x00BD;
constexpr uint16_t kMulBlank = 0x00BE;
constexpr uint16_t kRString = 0x00D6;
constexpr uint16_t kXf5 = 0x00E0;
constexpr uint16_t kSst = 0x00FC;       // BIFF8
constexpr uint16_t kLabelSst = 0x00FD;  // BIFF8
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
constexpr uint16_t kFormat4 = 0x041E;
constexpr uint16_t kXf4 = 0x0443;
constexpr uint16_t kShrFmla = 0x04BC;
constexpr uint16_t kBof5 = 0x0809;

}  // namespace dulo::biff
