// Value encodings shared by the BIFF readers: RK numbers, column widths, format classes.
#include "sources/workbook/BiffFormat.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t HighWordOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return uint32_t(bits >> 32);
}

TEST(RkValue, DecodesIntegersDoublesAndHundredths) {
    struct Case {
        uint32_t rk;
        double expected;
    } cases[] = {
        {3, 0.0},                               // integer 0, divided by 100
        {303, 0.75},                            // integer 75 / 100
        {302, 75.0},                            // integer 75
        {HighWordOf(1.0), 1.0},                 // 0x3FF00000: the double 1.0
        {HighWordOf(1.0) + 1, 0.01},            // the same divided by 100
        {uint32_t(-7 * 4) | 2, -7.0},           // negative integers shift arithmetically
        {(uint32_t(-12345) << 2) | 3, -123.45},
        {HighWordOf(-2.5), -2.5},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(dulo::biff::DecodeRk(c.rk), c.expected) << "rk " << c.rk;
}

TEST(ColumnWidth, RoundsUpAboveSeventyThreeSixtieths) {
    EXPECT_EQ(dulo::biff::WidthFromUnits(0x0A4A), 11);
    EXPECT_EQ(dulo::biff::WidthFromUnits(0x0A49), 10);
    EXPECT_EQ(dulo::biff::WidthFromUnits(0x0900), 9);
    EXPECT_EQ(dulo::biff::WidthFromUnits(0x00FF), 1);
}

TEST(FormatText, DateAndTimeLettersOutsideBracketsAndQuotes) {
    struct Case {
        const char* format;
        int flags;
    } cases[] = {
        {"m/d/yy", 0x100},
        {"D-MMM-YY", 0x100},
        {"h:mm AM/PM", 0x200},
        {"[h]:mm:ss", 0x200},            // the bracket hides h, the s stays
        {"dd/mm/yyyy hh:mm", 0x300},
        {"mm", 0},                       // m alone decides nothing
        {"[Red]0.00", 0},                // colour names are not looked at
        {"[$-409]General", 0},
        {"0.0 \"days\"", 0},             // quoted text is literal
        {"#,##0\\d", 0},                 // so is an escaped character
        {"General", 0},
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(dulo::biff::ClassifyFormatText(c.format), c.flags) << c.format;
}

TEST(BuiltinFormat, Biff5CodesDecideDateAndTime) {
    struct Case {
        int index;
        const char* code;
        int flags;
    } cases[] = {
        {0, "G", 0},     {2, "F2", 0},    {8, "C2-", 0},   {14, "D4", 0x100}, {15, "D1", 0x100},
        {17, "D3", 0x100}, {18, "D7", 0x200}, {19, "D6", 0x200}, {20, "D9", 0x200}, {21, "D8", 0x200},
        {22, "D4", 0x100}, {23, "G", 0},  {164, "G", 0},  {-1, "G", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dulo::biff::BuiltinFormatCode(c.index), c.code) << c.index;
        EXPECT_EQ(dulo::biff::ClassifyBuiltinCode(dulo::biff::BuiltinFormatCode(c.index)), c.flags) << c.index;
    }
}

}  // namespace
