// Lotus 1-2-3 worksheets built record by record in the test: the release 2
// cell records with their format bytes, the release 3 sheets and 10-byte
// numbers, and records that do not hold.
#include "Builders.h"
#include "EngineHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

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

// A release 3-4 row format record: sheet, subtype 0, row, then format words,
// each covering one column or, with bit 31 and a count byte, 1 + count.
std::string RowFormats(uint8_t sheet, uint16_t row, const std::vector<std::pair<uint32_t, int>>& words) {
    std::string data = std::string(1, static_cast<char>(sheet)) + '\0' + U16(row);
    for (const auto& [word, repeat] : words)
        data += repeat < 0 ? U32(word) : U32(word | 0x80000000u) + static_cast<char>(repeat);
    return data;
}
// Subtype 2: this row takes the formats of the source sheet's row.
std::string CopyRowFormats(uint8_t sheet, uint16_t row, uint16_t sourceSheet, uint16_t sourceRow) {
    return std::string(1, static_cast<char>(sheet)) + '\x02' + U16(row) + U16(sourceSheet) + U16(sourceRow);
}

// Release 3-4 cells have no format byte: the format records of their rows
// make dates, times and currency, whichever comes first in the file.
TEST(EngineLotus, Release3RowFormatsMakeDatesAndCurrency) {
    LotusWriter w;
    w.Record(0, U16(0x1002) + std::string(24, '\0'));
    w.Record(0x13, RowFormats(0, 0, {{kDateD1, -1}, {kTimeD7, -1}, {0x77, -1}, {kCurrency2, -1}, {kFixed2, -1},
                                      {0xFF, -1}, {0xF2, -1}, {0x40048072, -1}, {0x7D, -1}, {0x53, -1}}));
    for (uint8_t c = 0; c < 10; ++c) w.Cell3(0x17, 0, c, 0, Ext10(c == 1 || c == 2 ? 0.75 : 36526));
    // Row 1: a date run over A-C, currency in D, nothing after; the last word
    // claims a count its record has no byte for, so it covers one column.
    w.Record(0x13, RowFormats(0, 1, {{kDateD1, 2}, {kCurrency2, -1}}) + U32(0x80000000u | kDateD1));
    for (uint8_t c = 0; c < 7; ++c) w.Cell3(0x17, 0, c, 1, Ext10(40000));
    // Row 2 takes row 1's formats; row 3 took them and then lost them to a row without any.
    w.Record(0x13, CopyRowFormats(0, 2, 0, 1)).Record(0x13, CopyRowFormats(0, 3, 0, 1));
    w.Record(0x13, CopyRowFormats(0, 3, 0, 200));
    w.Cell3(0x17, 0, 0, 2, Ext10(40001)).Cell3(0x17, 0, 3, 2, Ext10(2.5)).Cell3(0x17, 0, 0, 3, Ext10(40002));
    // Row 4: small numbers, a formula's number and a label under a date format;
    // the cells come before their row's format record.
    w.Cell3(0x18, 0, 0, 4, U16(100 << 1))
        .Cell3(0x19, 0, 1, 4, Ext10(36527) + U16(0))
        .Cell3(0x16, 0, 2, 4, Sz("'label"));
    w.Record(0x13, RowFormats(0, 4, {{kDateD1, 3}}));
    // Row 5: a later record for the row replaces the earlier one.
    w.Record(0x13, RowFormats(0, 5, {{kDateD1, -1}})).Record(0x13, RowFormats(0, 5, {{kCurrency2, -1}}));
    w.Cell3(0x17, 0, 0, 5, Ext10(12.5));
    // The second sheet's row 0 has its own formats; its row 1 copies sheet 1's row 1.
    w.Record(0x13, RowFormats(1, 0, {{kFixed2, -1}, {kDateD1, -1}})).Record(0x13, CopyRowFormats(1, 1, 0, 1));
    w.Cell3(0x17, 1, 0, 0, Ext10(36526)).Cell3(0x17, 1, 1, 0, Ext10(36526)).Cell3(0x17, 1, 3, 1, Ext10(7.25));
    w.Record(1);
    Opened o = OpenInEngine(w.Write(TempPath("formats.wk4")));
    ASSERT_EQ(o.book->Sheets()->Count(), 2);
    struct Expected {
        const char* what;
        long sheet, r, c;
        VARTYPE vt;
        double value;
    };
    const Expected cases[] = {
        {"date D1", 1, 1, 1, VT_DATE, 36526},
        {"time D7", 1, 1, 2, VT_DATE, 0.75},
        {"time D6", 1, 1, 3, VT_DATE, 0.75},
        {"currency", 1, 1, 4, VT_CY, 36526},
        {"fixed", 1, 1, 5, VT_R8, 36526},
        {"the default format", 1, 1, 6, VT_R8, 36526},
        {"a protected date", 1, 1, 7, VT_DATE, 36526},
        {"a date with other bits in its word", 1, 1, 8, VT_DATE, 36526},
        {"an unused special format", 1, 1, 9, VT_R8, 36526},
        {"a kind of no class", 1, 1, 10, VT_R8, 36526},
        {"a run's first column", 1, 2, 1, VT_DATE, 40000},
        {"a run's last column", 1, 2, 3, VT_DATE, 40000},
        {"the word after a run", 1, 2, 4, VT_CY, 40000},
        {"the word whose count byte is missing", 1, 2, 5, VT_DATE, 40000},
        {"after the last word", 1, 2, 6, VT_R8, 40000},
        {"a row copying another", 1, 3, 1, VT_DATE, 40001},
        {"a row copying another, its currency", 1, 3, 4, VT_CY, 2.5},
        {"a row that copied a row without formats", 1, 4, 1, VT_R8, 40002},
        {"a small number", 1, 5, 1, VT_DATE, 100},
        {"a formula's number", 1, 5, 2, VT_DATE, 36527},
        {"the later record of a row", 1, 6, 1, VT_CY, 12.5},
        {"another sheet's own row", 2, 1, 1, VT_R8, 36526},
        {"another sheet's own row, a date", 2, 1, 2, VT_DATE, 36526},
        {"a row copying another sheet's", 2, 2, 4, VT_CY, 7.25},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.what);
        VARIANT v;
        o.book->Worksheets(e.sheet)->Cells(e.r, e.c)->Value(v);
        ASSERT_EQ(v.vt, e.vt);
        if (e.vt == VT_CY) EXPECT_EQ(v.cyVal.int64, static_cast<int64_t>(e.value * 10000));
        else EXPECT_DOUBLE_EQ(e.vt == VT_DATE ? v.date : v.dblVal, e.value);
    }
    VARIANT label;
    o.book->Worksheets(1)->Cells(5, 3)->Value(label);
    EXPECT_EQ(Text(label), "label");
    VariantClear(&label);
}

// The 16-bit form: an even value is the integer shifted once; an odd one a
// signed 12-bit mantissa and a factor. Values are exact where the double is.
TEST(EngineLotus, Release3SmallNumbers) {
    auto scaled = [](int mantissa, int index) { return static_cast<uint16_t>((mantissa << 4) | (index << 1) | 1); };
    struct Case {
        uint16_t raw;
        double value;
    };
    const Case cases[] = {
        {42 << 1, 42},
        {static_cast<uint16_t>(-42 * 2), -42},
        {static_cast<uint16_t>(16383 << 1), 16383},
        {scaled(3, 0), 15000},
        {scaled(3, 1), 1500},
        {scaled(3, 2), 3.0 / 20},  // 0.15, where 3 * 0.05 is one step above
        {scaled(3, 3), 3.0 / 200},
        {scaled(3, 4), 3.0 / 2000},
        {scaled(3, 5), 3.0 / 20000},
        {scaled(3, 6), 0.1875},
        {scaled(3, 7), 0.046875},
        {static_cast<uint16_t>(scaled(-3, 2)), -3.0 / 20},
        {scaled(2047, 0), 2047 * 5000.0},
        {static_cast<uint16_t>(scaled(-2048, 1)), -2048 * 500.0},
    };
    LotusWriter w;
    w.Record(0, U16(0x1000) + std::string(24, '\0'));
    uint16_t row = 0;
    for (const Case& k : cases) w.Cell3(0x18, 0, 0, row++, U16(k.raw));
    w.Record(1);
    Opened o = OpenInEngine(w.Write(TempPath("small.wk3")));
    auto sheet = o.book->Worksheets(1);
    row = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "raw 0x" << std::hex << k.raw);
        VARIANT v;
        sheet->Cells(++row, 1)->Value(v);
        ASSERT_EQ(v.vt, VT_R8);
        EXPECT_EQ(v.dblVal, k.value);
    }
}

// Format records that do not hold are skipped or read as far as they hold; a
// copy from a row without formats leaves its row without any.
TEST(EngineLotus, Release3FormatRecordsThatDoNotHold) {
    struct Case {
        const char* what;
        std::string tail;  // after a number at A1 and B1 of the first sheet
        VARTYPE a1, b1;
    };
    auto rec = [](const std::string& data) { return U16(0x13) + U16(static_cast<uint16_t>(data.size())) + data; };
    std::string dateRun = RowFormats(0, 0, {{kDateD1, 1}});
    const Case cases[] = {
        {"a record too short for its row", rec(std::string("\0\0\0", 3)), VT_R8, VT_R8},
        {"a word cut short", rec(RowFormats(0, 0, {}) + std::string("\x72\0", 2)), VT_R8, VT_R8},
        {"a whole word and a cut one", rec(RowFormats(0, 0, {{kDateD1, -1}}) + "\x22"), VT_DATE, VT_R8},
        {"counts past the last column", rec(RowFormats(0, 0, {{kFixed2, 255}, {kFixed2, 255}, {kDateD1, -1}})), VT_R8,
         VT_R8},
        {"a sheet no cell is on", rec(RowFormats(255, 0, {{kDateD1, 1}})), VT_R8, VT_R8},
        {"a subtype not known", rec(std::string("\0\x05\0\0", 4) + U32(kDateD1)), VT_R8, VT_R8},
        {"a copy without its source", rec(std::string("\0\x02\0\0", 4)), VT_R8, VT_R8},
        {"a copy from a sheet out of range", rec(dateRun) + rec(CopyRowFormats(0, 0, 300, 0)), VT_DATE, VT_DATE},
        {"a copy from itself", rec(dateRun) + rec(CopyRowFormats(0, 0, 0, 0)), VT_DATE, VT_DATE},
        {"a record longer than the file", U16(0x13) + U16(500) + dateRun, VT_R8, VT_R8},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        LotusWriter w;
        w.Record(0, U16(0x1002) + std::string(24, '\0'));
        w.Cell3(0x17, 0, 0, 0, Ext10(36526)).Cell3(0x17, 0, 1, 0, Ext10(36527));
        w.Append(k.tail);
        Opened o = OpenInEngine(w.Write(TempPath("badformats.wk4")));
        ASSERT_EQ(o.book->Sheets()->Count(), 1);
        auto ws = o.book->Worksheets(1);
        VARIANT a, b;
        ws->Cells(1, 1)->Value(a);
        ws->Cells(1, 2)->Value(b);
        EXPECT_EQ(a.vt, k.a1);
        EXPECT_EQ(b.vt, k.b1);
        EXPECT_DOUBLE_EQ(a.vt == VT_DATE ? a.date : a.dblVal, 36526);
        auto last = ws->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
        EXPECT_EQ(last->Row(), 1);
        EXPECT_EQ(last->Column(), 2);
    }
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
