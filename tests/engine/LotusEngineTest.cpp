// Lotus 1-2-3 worksheets built record by record in the test: the release 2
// cell records with their format bytes, the release 3 sheets and 10-byte
// numbers, and records that do not hold.
#include "Builders.h"
#include "EngineHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace dulo::engine;
using namespace enginetest;

namespace {

const std::string kTextResult10 = std::string(8, '\0') + U16(0xFFFF);

// Format bytes: 0x80 protected, kind in bits 4-6, variant in bits 0-3.
constexpr uint8_t kGeneral = 0xF1, kFixed2 = 0x02, kCurrency2 = 0x22, kDateD1 = 0x72, kTimeD7 = 0x78, kDateD4 = 0xF9;

TEST(EngineLotus, Release2CellsFormatsAndTexts) {
    LotusWriter w;
    w.Record(0, U16(0x0406)).Record(6, std::string(8, '\0'));
    w.Record(8, U16(1) + "\x14");  // column B 20 characters wide
    w.Cell(0x0F, kGeneral, 0, 0, Sz("'left"))
        .Cell(0x0F, kGeneral, 1, 0, Sz("\"right"))
        .Cell(0x0F, kGeneral, 2, 0, Sz("^centre"))
        .Cell(0x0F, kGeneral, 3, 0, Sz("\\-"))
        .Cell(0x0F, kGeneral, 4, 0, Sz("'M\x81nchen \x9B"));  // code page 437
    w.Cell(0x0D, kGeneral, 0, 1, U16(static_cast<uint16_t>(-12)))
        .Cell(0x0E, kFixed2, 1, 1, F64(2.25))
        .Cell(0x0E, kCurrency2, 2, 1, F64(12.5))
        .Cell(0x0E, kDateD1, 3, 1, F64(36526))
        .Cell(0x0E, kTimeD7, 4, 1, F64(0.75))
        .Cell(0x0E, kDateD4, 5, 1, F64(61));
    w.Cell(0x10, kGeneral, 0, 2, F64(4) + U16(0))
        .Cell(0x10, kGeneral, 1, 2, F64(std::nan("")) + U16(0))
        .Cell(0x33, kGeneral, 1, 2, Sz("text result"))
        .Cell(0x10, kGeneral, 2, 2, F64(std::nan("")) + U16(0));  // an error: no text follows
    w.Cell(0x0C, kGeneral, 7, 5);  // a formatted blank beyond the data
    w.Record(1);
    w.Cell(0x0E, kGeneral, 9, 9, F64(1));  // after the end
    Opened o = OpenInEngine(w.Write(TempPath("Crude Prices.wk1")));
    EXPECT_EQ(o.book->Sheets()->Count(), 1);
    auto sheet = o.book->Worksheets(1);
    EXPECT_EQ(sheet->Name(), "Crude Prices");
    UsedArea area;
    ReadUsed(*sheet, area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 6);
    EXPECT_EQ(area.cols, 8);
    EXPECT_EQ(Text(area.At(1, 1)), "left");
    EXPECT_EQ(Text(area.At(1, 2)), "right");
    EXPECT_EQ(Text(area.At(1, 3)), "centre");
    EXPECT_EQ(Text(area.At(1, 4)), "-");
    EXPECT_EQ(Text(area.At(1, 5)), "M\u00FCnchen \u00A2");
    EXPECT_EQ(Text(area.At(3, 2)), "text result");
    EXPECT_EQ(area.At(3, 3).vt, VT_EMPTY);
    struct Expected {
        long r, c;
        VARTYPE vt;
        double value;
    };
    const Expected cases[] = {{2, 1, VT_R8, -12},   {2, 2, VT_R8, 2.25},    {2, 3, VT_CY, 12.5}, {2, 4, VT_DATE, 36526},
                              {2, 5, VT_DATE, 0.75}, {2, 6, VT_DATE, 61},   {3, 1, VT_R8, 4}};
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << e.r << "," << e.c);
        const VARIANT& v = area.At(e.r, e.c);
        ASSERT_EQ(v.vt, e.vt);
        if (e.vt == VT_CY) EXPECT_EQ(v.cyVal.int64, static_cast<int64_t>(e.value * 10000));
        else EXPECT_DOUBLE_EQ(e.vt == VT_DATE ? v.date : v.dblVal, e.value);
    }
    VARIANT has;
    sheet->Range(*sheet->Cells(3, 1), *sheet->Cells(3, 3))->HasFormula(has);
    EXPECT_EQ(has.boolVal, VARIANT_TRUE);
    EXPECT_NEAR(sheet->Cells(1, 2)->ColumnWidth(), 20, 0.01);
}

TEST(EngineLotus, Release3SheetsAndTenByteNumbers) {
    LotusWriter w;
    w.Record(0, U16(0x1000) + std::string(24, '\0'));
    w.Record(0x1B, U16(14000) + U16(1) + Sz("Crude"));
    w.Cell3(0x16, 0, 0, 0, Sz("'first"))
        .Cell3(0x17, 0, 1, 0, Ext10(-1234.5625))
        .Cell3(0x17, 0, 2, 0, Ext10(1e-300))
        .Cell3(0x18, 0, 3, 0, U16(static_cast<uint16_t>(-42 * 2)))
        .Cell3(0x19, 0, 0, 1, Ext10(7) + U16(0))
        .Cell3(0x19, 0, 1, 1, kTextResult10 + U16(0))
        .Cell3(0x1A, 0, 1, 1, Sz("computed"));
    w.Cell3(0x17, 1, 4, 2, Ext10(3));
    w.Cell3(0x16, 2, 0, 0, Sz("'third"));
    w.Record(1);
    Opened o = OpenInEngine(w.Write(TempPath("three.wk3")));
    ASSERT_EQ(o.book->Sheets()->Count(), 3);
    EXPECT_EQ(o.book->Worksheets(1)->Name(), "A");
    EXPECT_EQ(o.book->Worksheets(2)->Name(), "Crude");
    EXPECT_EQ(o.book->Worksheets(3)->Name(), "C");
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 2);
    EXPECT_EQ(area.cols, 4);
    EXPECT_EQ(Text(area.At(1, 1)), "first");
    EXPECT_DOUBLE_EQ(area.At(1, 2).dblVal, -1234.5625);
    EXPECT_DOUBLE_EQ(area.At(1, 3).dblVal, 1e-300);
    EXPECT_DOUBLE_EQ(area.At(1, 4).dblVal, -42);
    EXPECT_DOUBLE_EQ(area.At(2, 1).dblVal, 7);
    EXPECT_EQ(Text(area.At(2, 2)), "computed");
    auto second = o.book->Worksheets(2)->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
    EXPECT_EQ(second->Row(), 3);
    EXPECT_EQ(second->Column(), 5);
}

// Release 3 and later labels are LMBCS: escapes for control characters,
// other code pages and UTF-16, and sequences that break off.
TEST(EngineLotus, Release3LabelsDecodeLmbcs) {
    struct Case {
        const char* what;
        std::string label;  // after the alignment prefix
        const char* utf8;
    };
    const Case cases[] = {
        {"line breaks as control escapes", "abc\x0F\x2D\x0F\x2A" "def", "abc\r\ndef"},
        {"a tab and a line feed as they are", "a\tb\nc", "a\tb\nc"},
        {"a high byte in the default group (code page 850, not 437)", "\x9B" "re", "\u00F8re"},
        {"the default group named", "caf\x01\x82", "caf\u00E9"},
        {"a Cyrillic group", "\x05\xC0", "\u0410"},
        {"a Latin-2 group", "\x06\xA5", "\u0105"},
        {"a UTF-16 character", "\x14\x20\xAC 5", "\u20AC 5"},
        {"a UTF-16 character whose low byte is zero", "\x14\xF6\x01", "\u0100"},
        {"a C1 control character", "x\x0F\x85y", "x\u0085y"},
        {"a control escape cut off", "ab\x0F", "ab\uFFFD"},
        {"a UTF-16 character cut off", "ab\x14\x20", "ab\uFFFD"},
        {"a double-byte character cut off", "ab\x10\x88", "ab\uFFFD"},
        {"a double-byte character", "\x10\x88\x9F" "ok", "\uFFFDok"},
        {"an extra character of the default group", "\x01\x27z", "\uFFFDz"},
        {"a group byte of no set", "\x07z", "\uFFFDz"},
        {"a UTF-16 surrogate", "\x14\xD8\x01z", "\uFFFDz"},
    };
    LotusWriter w;
    w.Record(0, U16(0x1000) + std::string(24, '\0'));
    w.Record(0x1B, U16(14000) + U16(1) + Sz("Cr\x8Ame"));
    uint16_t row = 0;
    for (const Case& k : cases) w.Cell3(0x16, 0, 0, row++, Sz("'" + k.label));
    w.Record(1);
    Opened o = OpenInEngine(w.Write(TempPath("lmbcs.wk4")));
    ASSERT_EQ(o.book->Sheets()->Count(), 2);
    EXPECT_EQ(o.book->Worksheets(2)->Name(), "Cr\u00E8me");
    auto sheet = o.book->Worksheets(1);
    row = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        VARIANT v;
        sheet->Cells(++row, 1)->Value(v);
        EXPECT_EQ(Text(v), k.utf8);
        VariantClear(&v);
    }
}

TEST(EngineLotus, RecordsThatDoNotHoldAreSkippedOrEndTheFile) {
    struct Case {
        const char* what;
        std::string tail;  // after a good number at A1
        long rows, cols;
    };
    auto cell = [](uint16_t type, uint16_t col, uint16_t row, const std::string& value) {
        LotusWriter w;
        w.Cell(type, kGeneral, col, row, value);
        return w.Bytes();
    };
    const Case cases[] = {
        {"a number record too short", cell(0x0E, 3, 0, U32(0)), 1, 1},
        {"an integer record too short", cell(0x0D, 3, 0, ""), 1, 1},
        {"a label without its terminating NUL", cell(0x0F, 2, 0, "'abc"), 1, 3},
        {"a column beyond the sheet", cell(0x0E, 300, 0, F64(1)), 1, 1},
        {"a string record with no formula before it", cell(0x33, 4, 0, Sz("x")), 1, 1},
        {"a record longer than the file", U16(0x0E) + U16(500) + "\xF1", 1, 1},
        {"a header cut short", "\x0E", 1, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        LotusWriter w;
        w.Record(0, U16(0x0406)).Cell(0x0E, kGeneral, 0, 0, F64(9));
        w.Append(k.tail);
        Opened o = OpenInEngine(w.Write(TempPath("bad.wk1")));
        auto ws = o.book->Worksheets(1);
        auto last = ws->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
        EXPECT_EQ(last->Row(), k.rows);
        EXPECT_EQ(last->Column(), k.cols);
        VARIANT v;
        ws->Cells(1, 1)->Value(v);
        EXPECT_EQ(v.dblVal, 9);
    }
}

}  // namespace
