// BIFF8 workbooks built record by record: what gnumeric does not write,
// and damaged streams.
#include "Builders.h"
#include "EngineHelpers.h"

#include <gtest/gtest.h>

using namespace dulo::engine;
using namespace enginetest;

namespace {

std::string Xf(uint16_t format) { return U16(0) + U16(format) + std::string(16, '\0'); }

std::string Utf16(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += U16(static_cast<uint16_t>(c));
    return out;
}

struct SheetRecords {
    std::string name;
    uint8_t type;         // 0 worksheet, 2 chart
    std::string records;  // the records between BOF and EOF
};

// Globals (with the given extra records before the sheets' BOUNDSHEETs) and the sheets.
std::string Book(const std::string& globals, const std::vector<SheetRecords>& sheets, bool fixOffsets = true) {
    BiffWriter w;
    w.Bof8(0x0005);
    w.Record(0x0022, U16(0));  // DATEMODE, may be overridden by a later one in globals
    w.Record(0x041E, U16(170) + Str16("d/m/yy h:mm"));
    for (uint16_t fmt : {0, 14, 7, 170, 0}) w.Record(0x00E0, Xf(fmt));
    std::string g = w.String() + globals;
    BiffWriter tail;
    std::vector<size_t> offsetAt;
    for (const SheetRecords& s : sheets) {
        offsetAt.push_back(g.size() + 4);
        BiffWriter b;
        b.Record(0x0085, U32(0) + std::string(1, '\0') + std::string(1, static_cast<char>(s.type)) +
                             std::string(1, static_cast<char>(s.name.size())) + std::string(1, '\0') + s.name);
        g += b.String();
    }
    BiffWriter e;
    e.Eof();
    g += e.String();
    std::string stream = g;
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (fixOffsets) stream.replace(offsetAt[i], 4, U32(static_cast<uint32_t>(stream.size())));
        BiffWriter b;
        b.Bof8(sheets[i].type == 2 ? 0x0020 : 0x0010).Record(0x0000, "");
        std::string body = b.String() + sheets[i].records;
        BiffWriter end;
        end.Eof();
        stream += body + end.String();
    }
    return stream;
}

std::string Save(const std::string& name, const std::string& workbookStream) {
    std::string path = TempPath(name);
    WriteCompound(path, {{"Workbook", workbookStream}});
    return path;
}

std::string Rec(uint16_t id, const std::string& data) { return BiffWriter().Record(id, data).String(); }

TEST(EngineXls, SharedStringsAcrossContinueRecords) {
    // "abc" compressed, continued as UTF-16 "def" after a fresh option byte; then a
    // rich, extended string whose runs and extension data also cross a boundary.
    std::string sst = U32(3) + U32(3) + U16(6) + std::string(1, '\0') + "abc";
    std::string cont1 = std::string(1, '\x01') + Utf16(u"def") + U16(2) + std::string(1, '\x0C') + U16(1) + U32(3) +
                        "xy" + U16(0);  // runs: 1 (4 bytes), ext 3 bytes; split inside the run
    std::string cont2 = U16(0) + "EXT" + U16(1) + std::string(1, '\x01') + Utf16(u"\u20AC");
    std::string globals = Rec(0x00FC, sst) + Rec(0x003C, cont1) + Rec(0x003C, cont2);
    std::string cells;
    for (uint16_t i = 0; i < 4; ++i) cells += Rec(0x00FD, CellHead(0, i, 0) + U32(i));  // index 3 does not exist
    Opened o = OpenInEngine(Save("sst.xls", Book(globals, {{"S", 0, cells}})));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(Text(area.At(1, 1)), "abcdef");
    EXPECT_EQ(Text(area.At(1, 2)), "xy");
    EXPECT_EQ(Text(area.At(1, 3)), "\u20AC");
    EXPECT_EQ(area.At(1, 4).vt, VT_EMPTY);
    EXPECT_EQ(area.cols, 4);
}

TEST(EngineXls, AContinueChainThatRunsOffTheStreamEndsTheTable) {
    std::string sst = U32(2) + U32(2) + U16(2) + std::string(1, '\0') + "ok" + U16(500) + std::string(1, '\0') + "short";
    std::string cells = Rec(0x00FD, CellHead(0, 0, 0) + U32(0)) + Rec(0x00FD, CellHead(0, 1, 0) + U32(1));
    Opened o = OpenInEngine(Save("sstshort.xls", Book(Rec(0x00FC, sst), {{"S", 0, cells}})));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(Text(area.At(1, 1)), "ok");
    EXPECT_EQ(area.At(1, 2).vt, VT_EMPTY);
}

TEST(EngineXls, CellRecordsAndTheirTypes) {
    std::string cells =
        Rec(0x0203, CellHead(0, 0, 1) + F64(40000)) +                                  // date (format 14)
        Rec(0x0203, CellHead(0, 1, 2) + F64(9.5)) +                                    // currency (format 7)
        Rec(0x0203, CellHead(0, 2, 3) + F64(40000.25)) +                               // custom d/m/yy h:mm
        Rec(0x00BD, U16(1) + U16(0) + U16(0) + U32(302) + U16(0) + U32(0x3FF00001) + U16(2)) +  // MULRK
        Rec(0x027E, CellHead(1, 3, 0) + U32(303)) +
        Rec(0x0204, CellHead(2, 0, 0) + Str16("label")) +
        Rec(0x0205, CellHead(2, 1, 0) + std::string("\x01\x00", 2)) +                   // TRUE
        Rec(0x0205, CellHead(2, 2, 0) + std::string("\x24\x01", 2)) +                   // #NUM!
        Rec(0x0006, CellHead(3, 0, 0) + std::string("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8) + U16(0) + U32(0) + U16(0)) +
        Rec(0x04BC, std::string(10, '\0')) +                                            // SHRFMLA before the STRING
        Rec(0x0207, Str16("formula text")) +
        Rec(0x0006, CellHead(3, 1, 0) + std::string("\x01\x00\x01\x00\x00\x00\xFF\xFF", 8) + U16(0) + U32(0) + U16(0)) +
        Rec(0x0006, CellHead(3, 2, 0) + std::string("\x02\x00\x07\x00\x00\x00\xFF\xFF", 8) + U16(0) + U32(0) + U16(0)) +
        Rec(0x0006, CellHead(3, 3, 0) + F64(6) + U16(0) + U32(0) + U16(0)) +
        Rec(0x00BE, U16(5) + U16(2) + U16(0) + U16(0) + U16(3)) +                       // MULBLANK C6:D6
        Rec(0x0203, CellHead(1, 256, 0) + F64(1)) +                                     // beyond column IV
        Rec(0x00BD, U16(4) + U16(256) + U16(0) + U32(2) + U16(0) + U32(2) + U16(257)) +  // all past IV
        // An embedded chart's own records are not cells of the sheet.
        BiffWriter().Bof8(0x0020).Record(0x0203, CellHead(40, 40, 0) + F64(1)).Eof().String();
    Opened o = OpenInEngine(Save("cells.xls", Book("", {{"S", 0, cells}})));
    auto ws = o.book->Worksheets(1);
    UsedArea area;
    ReadUsed(*ws, area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 6);
    EXPECT_EQ(area.cols, 4);
    EXPECT_EQ(area.At(1, 1).vt, VT_DATE);
    EXPECT_EQ(area.At(1, 2).vt, VT_CY);
    EXPECT_EQ(area.At(1, 3).vt, VT_DATE);
    EXPECT_DOUBLE_EQ(area.At(2, 1).dblVal, 75);    // RK 302
    EXPECT_DOUBLE_EQ(area.At(2, 2).dblVal, 0.01);  // RK of 1.0 divided by 100
    EXPECT_DOUBLE_EQ(area.At(2, 4).dblVal, 0.75);  // RK 303
    EXPECT_EQ(Text(area.At(3, 1)), "label");
    EXPECT_EQ(area.At(3, 2).boolVal, VARIANT_TRUE);
    EXPECT_EQ(static_cast<uint32_t>(area.At(3, 3).scode), 0x800A07F4u);
    EXPECT_EQ(Text(area.At(4, 1)), "formula text");
    EXPECT_EQ(area.At(4, 2).vt, VT_BOOL);
    EXPECT_EQ(static_cast<uint32_t>(area.At(4, 3).scode), 0x800A07D7u);
    EXPECT_DOUBLE_EQ(area.At(4, 4).dblVal, 6);
    EXPECT_EQ(area.At(6, 3).vt, VT_EMPTY);
    VARIANT has;
    ws->Cells(4, 1)->HasFormula(has);
    EXPECT_EQ(has.boolVal, VARIANT_TRUE);
}

TEST(EngineXls, SheetKindsWidthsAndDateSystem) {
    std::string widths = Rec(0x0055, U16(10)) + Rec(0x007D, U16(1) + U16(300) + U16(0x0A4A) + U16(0) + U16(0) + U16(0)) +
                         Rec(0x007D, U16(0) + U16(0) + U16(2340) + U16(0) + U16(1) + U16(0));
    std::string cells = widths + Rec(0x0203, CellHead(1, 1, 1) + F64(0));
    std::string globals = Rec(0x0022, U16(1));
    Opened o = OpenInEngine(Save("kinds.xls", Book(globals, {{"Chart", 2, ""}, {"Data", 0, cells}})));
    EXPECT_EQ(o.book->Sheets()->Count(), 2);
    auto ws = o.book->Worksheets(1);
    EXPECT_EQ(ws->Name(), "Data");
    EXPECT_THROW(o.book->Worksheets(2), CComError);
    EXPECT_EQ(ws->Cells(1, 1)->ColumnWidth(), 0);                 // hidden
    EXPECT_NEAR(ws->Cells(1, 2)->ColumnWidth(), 9.57, 0.01);       // 0x0A4A / 256 with padding taken off
    EXPECT_NEAR(ws->Cells(1, 256)->ColumnWidth(), 9.57, 0.01);     // last column capped at 255
    VARIANT v;
    ws->Cells(2, 2)->Value(v);
    EXPECT_EQ(v.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(v.date, 1462);
    EXPECT_THROW(ws->Cells(1, 257), CComError);  // beyond the sheet
}

TEST(EngineXls, DamagedOrForeignStreamsFailToOpen) {
    struct Case {
        const char* name;
        std::string stream;
    };
    std::string biff5Bof = Rec(0x0809, U16(0x0500) + U16(0x0005) + U16(0) + U16(0));
    std::string encrypted = Book(Rec(0x002F, U16(1) + std::string(52, '\0')), {{"S", 0, ""}});
    std::string noEof = Book("", {{"S", 0, ""}});
    noEof.resize(noEof.find(std::string("\x85\x00", 2)) + 4);  // cut inside the first BOUNDSHEET
    std::string noSheets = Book("", {});
    const Case cases[] = {{"encrypted.xls", encrypted},
                          {"biff5.xls", biff5Bof + Rec(0x000A, "")},
                          {"cut.xls", noEof},
                          {"nosheets.xls", noSheets},
                          {"empty.xls", ""}};
    for (const Case& c : cases) {
        auto app = CreateEngineApplication();
        EXPECT_THROW(app->Workbooks()->Open(Save(c.name, c.stream), 0, true), CComError) << c.name;
    }
    // A compound document without a Workbook stream.
    std::string path = TempPath("nobook.xls");
    WriteCompound(path, {{"Other", "data"}});
    EXPECT_THROW(CreateEngineApplication()->Workbooks()->Open(path, 0, true), CComError);
}

TEST(EngineXls, ASheetOffsetOutsideTheStreamFailsThatSheetOnly) {
    std::string stream = Book("", {{"Good", 0, Rec(0x0203, CellHead(0, 1, 0) + F64(1))}, {"Bad", 0, ""}});
    // Point the second BOUNDSHEET far beyond the end.
    size_t second = stream.find(std::string("\x85\x00", 2), stream.find(std::string("\x85\x00", 2)) + 1);
    stream.replace(second + 4, 4, U32(0x7FFFFFF0));
    Opened o = OpenInEngine(Save("offset.xls", stream));
    EXPECT_EQ(o.book->Worksheets(1)->Cells(1, 1)->SpecialCells(xlCellTypeLastCell)->Column(), 2);
    EXPECT_THROW(o.book->Worksheets(2)->Cells(1, 1)->SpecialCells(xlCellTypeLastCell), CComError);
}

}  // namespace

TEST(EngineXls, EverySheetReadsInAnyOrderAndAgain) {
    // Cells out of order, one written twice (the later record wins).
    std::string first = Rec(0x0203, CellHead(2, 1, 0) + F64(5)) + Rec(0x0203, CellHead(0, 0, 0) + F64(1)) +
                        Rec(0x0203, CellHead(2, 1, 0) + F64(6)) + Rec(0x0203, CellHead(1, 2, 0) + F64(2));
    std::string second = Rec(0x00BD, U16(0) + U16(0) + U16(0) + U32(302) + U16(0) + U32(306) + U16(1));
    std::string third = Rec(0x0204, CellHead(0, 0, 0) + Str16("only"));
    Opened o = OpenInEngine(
        Save("order.xls", Book("", {{"One", 0, first}, {"Chart", 2, ""}, {"Two", 0, second}, {"Three", 0, third}})));
    struct Visit {
        long sheet;
        long rows, cols;
    };
    // The last worksheet read first, then the others, then the first again.
    const Visit visits[] = {{3, 1, 1}, {1, 3, 3}, {2, 1, 2}, {1, 3, 3}, {3, 1, 1}};
    for (const Visit& v : visits) {
        UsedArea area;
        ReadUsed(*o.book->Worksheets(v.sheet), area);
        ASSERT_EQ(area.rows, v.rows) << v.sheet;
        ASSERT_EQ(area.cols, v.cols) << v.sheet;
        if (v.sheet == 1) {
            ASSERT_TRUE(area.IsArray());
            EXPECT_DOUBLE_EQ(area.At(1, 1).dblVal, 1);
            EXPECT_DOUBLE_EQ(area.At(2, 3).dblVal, 2);
            EXPECT_DOUBLE_EQ(area.At(3, 2).dblVal, 6);
            EXPECT_EQ(area.At(3, 1).vt, VT_EMPTY);
        } else if (v.sheet == 2) {
            ASSERT_TRUE(area.IsArray());
            EXPECT_DOUBLE_EQ(area.At(1, 1).dblVal, 75);
            EXPECT_DOUBLE_EQ(area.At(1, 2).dblVal, 76);
        } else {
            EXPECT_EQ(Text(area.value), "only");  // a one-cell used area is a single value
        }
    }
}
