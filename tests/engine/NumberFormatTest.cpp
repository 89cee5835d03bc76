// Which display formats make a number a date or a currency value.
#include "platform/engine/NumberFormat.h"

#include <gtest/gtest.h>

using dulo::engine::ClassifyBuiltinFormat;
using dulo::engine::ClassifyFormatCode;
using dulo::engine::NumberClass;

namespace {

TEST(EngineNumberFormat, FormatCodes) {
    struct Case {
        const char* code;
        NumberClass expected;
    };
    const Case cases[] = {
        {"General", NumberClass::Plain},
        {"0.00", NumberClass::Plain},
        {"#,##0.00;[Red]-#,##0.00", NumberClass::Plain},  // a colour is not a date letter
        {"0.00E+00", NumberClass::Plain},
        {"yyyy-mm-dd", NumberClass::Date},
        {"d/m/yy h:mm", NumberClass::Date},
        {"hh:mm:ss", NumberClass::Date},
        {"[h]:mm", NumberClass::Date},  // elapsed hours
        {"[mm]", NumberClass::Date},
        {"mm", NumberClass::Plain},  // m alone decides nothing
        {"0 \"days\"", NumberClass::Plain},  // quoted letters are shown, not read
        {"0\\d", NumberClass::Plain},        // an escaped letter
        {"0_d", NumberClass::Plain},         // padding as wide as "d"
        {"[>=100]0;0", NumberClass::Plain},
        {"\"$\"#,##0.00", NumberClass::Currency},
        {"$#,##0", NumberClass::Currency},
        {"#,##0 \xE2\x82\xAC", NumberClass::Currency},  // euro sign
        {"[$\xE2\x82\xAC-407]#,##0.00", NumberClass::Currency},
        {"[$-409]0.00", NumberClass::Plain},  // a locale without a symbol
        {"[$-409]d-mmm-yy", NumberClass::Date},
        {"[$$-409]yyyy", NumberClass::Date},  // a date wins
        {"\"unterminated", NumberClass::Plain},
        {"[unterminated", NumberClass::Plain},
        {"", NumberClass::Plain},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyFormatCode(c.code), c.expected) << c.code;
}

TEST(EngineNumberFormat, BuiltinIds) {
    struct Case {
        int id;
        NumberClass expected;
    };
    const Case cases[] = {{0, NumberClass::Plain},    {4, NumberClass::Plain},     {5, NumberClass::Currency},
                          {8, NumberClass::Currency}, {9, NumberClass::Plain},     {14, NumberClass::Date},
                          {22, NumberClass::Date},    {23, NumberClass::Plain},    {42, NumberClass::Currency},
                          {43, NumberClass::Plain},   {44, NumberClass::Currency}, {45, NumberClass::Date},
                          {47, NumberClass::Date},    {48, NumberClass::Plain},    {49, NumberClass::Plain}};
    for (const Case& c : cases) EXPECT_EQ(ClassifyBuiltinFormat(c.id), c.expected) << c.id;
}

}  // namespace
