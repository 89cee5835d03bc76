// Binary workbooks (.xlsb) built record by record in the test: every cell
// record, styles for dates and currency, the 1904 date system, and records
// whose lengths and indexes do not hold.
#include "Builders.h"
#include "EngineHelpers.h"

#include <gtest/gtest.h>

using namespace dulo::engine;
using namespace enginetest;

namespace {

enum : uint32_t {
    kBlank = 1, kRk = 2, kError = 3, kBool = 4, kReal = 5, kSt = 6, kIsst = 7,
    kFmlaString = 8, kFmlaNum = 9, kFmlaBool = 10, kFmlaError = 11,
};

// After a formula's value: its flags and an empty formula (no tokens, no extra bytes).
const std::string kFormulaTail = U16(0) + U32(0) + U32(0);

std::string SharedStrings() {
    XlsbWriter w;
    w.Record(159, U32(2) + U32(2));
    w.Record(19, std::string(1, '\0') + WideStr("alpha"));
    w.Record(19, std::string(1, '\x01') + WideStr("rich") + U32(0));  // formatting runs follow the text
    w.Record(160);
    return w.Bytes();
}

std::string Xf(uint16_t format) { return U16(0xFFFF) + U16(format) + std::string(12, '\0'); }

// Cell formats: 0 general, 1 built-in date 14, 2 custom currency, 3 custom date, 4 built-in accounting 44.
// The cell-style formats before them are not cell formats.
std::string Styles() {
    XlsbWriter w;
    w.Record(278);
    w.Record(615, U32(2)).Record(44, U16(170) + WideStr("\"$\"#,##0.00")).Record(44, U16(171) + WideStr("yyyy-mm-dd")).Record(616);
    w.Record(626, U32(1)).Record(47, Xf(14)).Record(627);
    w.Record(617, U32(5)).Record(47, Xf(0)).Record(47, Xf(14)).Record(47, Xf(170)).Record(47, Xf(171)).Record(47, Xf(44));
    w.Record(618).Record(279);
    return w.Bytes();
}

std::string Rk(int32_t integer) { return U32(static_cast<uint32_t>(integer) << 2 | 0x02); }

std::string KindsSheet() {
    XlsbWriter w;
    w.Record(129).Record(148, U32(0) + U32(999) + U32(0) + U32(99));  // a claimed extent, not trusted
    w.Record(145);
    w.Row(0)
        .Cell(kIsst, 0, 0, U32(0))
        .Cell(kIsst, 1, 0, U32(1))
        .Cell(kIsst, 2, 0, U32(99))  // beyond the table: empty
        .Cell(kSt, 3, 0, WideStr("inline"))
        .Cell(kBool, 4, 0, "\x01")
        .Cell(kError, 5, 0, "\x2A");
    w.Row(1)
        .Cell(kRk, 0, 0, Rk(7))
        .Cell(kRk, 1, 0, U32(303 << 2 | 0x03))  // 303 / 100
        .Cell(kReal, 2, 0, F64(1e-5))
        .Cell(kReal, 3, 1, F64(40000))
        .Cell(kReal, 4, 2, F64(2.5))
        .Cell(kRk, 5, 3, Rk(61))
        .Cell(kReal, 6, 4, F64(-3.5));
    w.Row(2)
        .Cell(kFmlaString, 0, 0, WideStr("res") + kFormulaTail)
        .Cell(kFmlaNum, 1, 0, F64(2) + kFormulaTail)
        .Cell(kFmlaBool, 2, 0, "\x01" + kFormulaTail)
        .Cell(kFmlaError, 3, 0, "\x07" + kFormulaTail);
    // Short forms (style index only) follow the cell before them in the row.
    w.Row(3).Cell(kReal, 2, 0, F64(10)).Record(16, U32(0) + F64(11)).Record(13, U32(0) + Rk(12));
    w.Record(17, U32(0) + WideStr("short")).Record(18, U32(0) + U32(0)).Record(15, U32(0) + "\x01");
    w.Record(14, U32(0) + "\x2A").Record(12, U32(1));
    w.Row(4).Record(16, U32(0) + F64(13));  // a row's first short cell is in column A
    w.Row(5).Cell(kBlank, 8, 1);  // a formatted blank beyond the data
    w.Row(2000000).Cell(kReal, 0, 0, F64(1));  // beyond the sheet's rows
    w.Record(146);
    w.Record(1, std::string(9, '\0'));  // a record numbered like a blank, outside the cell data
    w.Record(60, U32(1) + U32(2) + U32(0x0A4A * 1) + U32(0) + U16(0));
    w.Record(130);
    return w.Bytes();
}

std::string Build(const std::string& name, const Parts& parts) {
    std::string path = TempPath(name);
    WriteZip(path, parts);
    return path;
}

TEST(EngineXlsb, ReadsEveryCellRecord) {
    XlsbWriter second;
    second.Record(129).Record(145).Row(0).Cell(kReal, 0, 0, F64(1)).Record(146).Record(130);
    Opened o = OpenInEngine(Build("kinds.xlsb", XlsbParts({{"Kinds", KindsSheet()}, {"Chart1", ""}, {"Second", second.Bytes()}},
                                                          SharedStrings(), Styles())));
    EXPECT_EQ(o.book->Sheets()->Count(), 3);
    EXPECT_EQ(o.book->Worksheets(2)->Name(), "Second");
    auto sheet = o.book->Worksheets(1);
    EXPECT_EQ(sheet->Name(), "Kinds");
    UsedArea area;
    ReadUsed(*sheet, area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 6);
    EXPECT_EQ(area.cols, 10);  // the short blank at J4
    EXPECT_EQ(Text(area.At(1, 1)), "alpha");
    EXPECT_EQ(Text(area.At(1, 2)), "rich");
    EXPECT_EQ(area.At(1, 3).vt, VT_EMPTY);
    EXPECT_EQ(Text(area.At(1, 4)), "inline");
    EXPECT_EQ(Text(area.At(3, 1)), "res");
    EXPECT_EQ(Text(area.At(4, 6)), "short");
    EXPECT_EQ(Text(area.At(4, 7)), "alpha");
    EXPECT_EQ(area.At(4, 10).vt, VT_EMPTY);
    struct Expected {
        long r, c;
        VARTYPE vt;
        double value;
    };
    const Expected cases[] = {
        {1, 5, VT_BOOL, -1}, {1, 6, VT_ERROR, 0x800A07FA}, {2, 1, VT_R8, 7},     {2, 2, VT_R8, 3.03},
        {2, 3, VT_R8, 1e-5}, {2, 4, VT_DATE, 40000},      {2, 5, VT_CY, 2.5},   {2, 6, VT_DATE, 61},
        {2, 7, VT_CY, -3.5}, {3, 2, VT_R8, 2},            {3, 3, VT_BOOL, -1},  {3, 4, VT_ERROR, 0x800A07D7},
        {4, 3, VT_R8, 10},   {4, 4, VT_R8, 11},           {4, 5, VT_R8, 12},    {4, 8, VT_BOOL, -1},
        {4, 9, VT_ERROR, 0x800A07FA}, {5, 1, VT_R8, 13},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << e.r << "," << e.c);
        const VARIANT& v = area.At(e.r, e.c);
        ASSERT_EQ(v.vt, e.vt);
        switch (e.vt) {
        case VT_CY: EXPECT_EQ(v.cyVal.int64, static_cast<int64_t>(e.value * 10000)); break;
        case VT_BOOL: EXPECT_EQ(v.boolVal, e.value); break;
        case VT_ERROR: EXPECT_EQ(static_cast<uint32_t>(v.scode), e.value); break;
        case VT_DATE: EXPECT_DOUBLE_EQ(v.date, e.value); break;
        default: EXPECT_DOUBLE_EQ(v.dblVal, e.value);
        }
    }
    VARIANT has;
    sheet->Range(*sheet->Cells(3, 1), *sheet->Cells(3, 4))->HasFormula(has);
    EXPECT_EQ(has.boolVal, VARIANT_TRUE);
    sheet->Cells(2, 1)->HasFormula(has);
    EXPECT_EQ(has.boolVal, VARIANT_FALSE);
    EXPECT_NEAR(sheet->Cells(1, 2)->ColumnWidth(), 9.57, 0.01);  // 0x0A4A / 256 characters with padding, as in .xls
}

TEST(EngineXlsb, Dates1904AreGivenIn1900System) {
    XlsbWriter sheet;
    sheet.Record(129).Record(145).Row(0).Cell(kReal, 0, 1, F64(0)).Cell(kReal, 1, 1, F64(1462)).Record(146).Record(130);
    Opened o = OpenInEngine(Build("date1904.xlsb", XlsbParts({{"S", sheet.Bytes()}}, "", Styles(), 0x01)));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_DOUBLE_EQ(area.At(1, 1).date, 1462);
    EXPECT_DOUBLE_EQ(area.At(1, 2).date, 2924);
}

TEST(EngineXlsb, RecordsThatDoNotHoldReadAsEmptyOrEndTheSheet) {
    struct Case {
        const char* what;
        std::string tail;  // records after a good cell at A1
        long rows, cols;
    };
    const Case cases[] = {
        {"a cell record too short for its header", XlsbWriter().Record(kReal, U32(3)).Bytes(), 1, 1},
        {"a number too short (an empty cell)", XlsbWriter().Cell(kReal, 3, 0, U32(0)).Bytes(), 1, 4},
        {"a text longer than its record (an empty cell)", XlsbWriter().Cell(kSt, 2, 0, U32(1000) + "ab").Bytes(), 1, 3},
        {"a column beyond the sheet", XlsbWriter().Cell(kReal, 16384, 0, F64(1)).Bytes(), 1, 1},
        {"a style index beyond the formats", XlsbWriter().Cell(kReal, 1, 0xFFFFFF, F64(1)).Bytes(), 1, 2},
        {"a record size beyond the part", std::string("\x05\xFF\xFF\xFF\x7F", 5) + U32(4) + U32(0), 1, 1},
        {"a size with its continuation bit on the last byte", std::string("\x05\xFF\xFF\xFF\xFF", 5), 1, 1},
        {"a row header cut short", XlsbWriter().Record(0, "\x01").Cell(kReal, 5, 0, F64(1)).Bytes(), 1, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        XlsbWriter sheet;
        sheet.Record(129).Record(145).Row(0).Cell(kReal, 0, 0, F64(9));
        Opened o = OpenInEngine(Build("bad.xlsb", XlsbParts({{"S", sheet.Bytes() + k.tail}}, "", Styles())));
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
