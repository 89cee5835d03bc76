// BIFF2, BIFF3, BIFF4 and BIFF5 streams built record by record: the parts no
// tool here writes (old versions, MULRK, protection, code pages, out-of-order cells).
#include "BiffTestWriter.h"
#include "sources/workbook/BiffFormat.h"
#include "sources/workbook/WksIO.h"

#include <gtest/gtest.h>

#include <string>

using namespace biff;

namespace {

std::string Text(TWksIO& wks, int row, int column, int mode = WKS_PREFIX_NONE, int size = 256) {
    char buffer[256] = "unchanged";
    wks.GetCellText(row, column, buffer, size, mode);
    return buffer;
}

int Flags(TWksIO& wks, int row, int column) {
    char buffer[64];
    return wks.GetCellText(row, column, buffer, sizeof buffer, WKS_PREFIX_NONE);
}

double Number(TWksIO& wks, int row, int column) {
    double value = 0;
    wks.GetNumber(row, column, value);
    return value;
}

// Formula result bytes: a number, or a typed special value (0 text, 1 logical, 2 error).
Body NumberResult(Body b, double v) { return b.f64(v); }
Body SpecialResult(Body b, int type) { return b.u8(type).u8(0).u8(0).u8(0).u8(0).u8(0).u16(0xFFFF); }

std::string OpenFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = TempPath(name);
    WriteBytes(path, bytes);
    return path;
}

// ---- BIFF2 ----

struct Biff2Cell {
    int row, column;
    enum { Label, Integer, Number, TextFormula } kind;
    int attr0, attr1, attr2;
    double number;
    std::string text;
};

std::vector<uint8_t> Biff2Sheet(const std::vector<Biff2Cell>& cells) {
    BiffWriter w;
    w.Record(kBof2, Body().u16(2).u16(0x10));
    for (const char* f : {"General", "0.00", "d/m/yy", "h:mm", "d/m/yy h:mm"}) w.Record(kFormat2, Body().str8(f));
    w.Record(kColWidth2, Body().u8(1).u8(2).u16(0x0A4A));
    w.Record(kProtect, Body().u16(1));
    for (const Biff2Cell& c : cells) {
        Body b = CellHead2(c.row, c.column, c.attr0, c.attr1, c.attr2);
        switch (c.kind) {
            case Biff2Cell::Label: w.Record(kLabel2, b.str8(c.text)); break;
            case Biff2Cell::Integer: w.Record(kInteger2, b.u16(int(c.number))); break;
            case Biff2Cell::Number: w.Record(kNumber2, b.f64(c.number)); break;
            case Biff2Cell::TextFormula:
                w.Record(kFormula2, SpecialResult(b, 0).u8(0).u8(0));
                w.Record(kString2, Body().str8(c.text));
                break;
        }
    }
    w.Record(kEof);
    return w.Bytes();
}

const std::vector<Biff2Cell> kBiff2Sorted = {
    {0, 0, Biff2Cell::Label, 0x40, 0, 2, 0, "Name"},        // locked, centred
    {0, 1, Biff2Cell::Label, 0, 0, 0, 0, "123"},
    {1, 0, Biff2Cell::Integer, 0, 0, 0, 8, ""},
    {1, 1, Biff2Cell::Number, 0, 2, 0, 45000, ""},          // d/m/yy
    {2, 0, Biff2Cell::TextFormula, 0, 0, 0, 0, "txt"},
    {2, 1, Biff2Cell::Number, 0, 4, 3, 45000.5, ""},        // d/m/yy h:mm, right aligned
};

const std::vector<Biff2Cell> kBiff2Shuffled = {
    kBiff2Sorted[3], kBiff2Sorted[5], kBiff2Sorted[0],
    {1, 0, Biff2Cell::Integer, 0, 0, 0, 7, ""},             // replaced by the later record
    kBiff2Sorted[4], kBiff2Sorted[2], kBiff2Sorted[1],
};

TEST(Biff2, OutOfOrderCellsReadTheSameAsSortedOnes) {
    TWksIO sorted, shuffled;
    ASSERT_TRUE(sorted.Open(OpenFile("sorted.xls", Biff2Sheet(kBiff2Sorted)).c_str(), "", WKS_OPEN_NO_APPLICATION));
    ASSERT_TRUE(shuffled.Open(OpenFile("shuffled.xls", Biff2Sheet(kBiff2Shuffled)).c_str(), "", 0));
    EXPECT_EQ(sorted.GetKind(), WKS_KIND_BIFF2);
    for (TWksIO* wks : {&sorted, &shuffled}) {
        EXPECT_EQ(wks->GetRowCount(), 3);
        EXPECT_EQ(wks->GetColumnCount(), 2);
        EXPECT_TRUE(wks->HasFormulas());
    }
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            SCOPED_TRACE(testing::Message() << row << "," << column);
            EXPECT_EQ(Flags(shuffled, row, column), Flags(sorted, row, column));
            EXPECT_EQ(Text(shuffled, row, column), Text(sorted, row, column));
        }
    }
}

TEST(Biff2, AttributeBytesGiveProtectionFormatAndAlignment) {
    TWksIO wks;
    ASSERT_TRUE(wks.Open(OpenFile("b2.xls", Biff2Sheet(kBiff2Shuffled)).c_str(), "", 0));
    struct Case {
        int row, column, flags;
        const char* text;
    } cases[] = {
        {0, 0, 0x40 | 0x10 | 2, "Name"},  // the sheet is protected and the cell locked
        {0, 1, 0x40, "123"},
        {1, 0, 0x80, "8"},
        {1, 1, 0x180, "45000"},
        {2, 0, 0x60, "txt"},
        {2, 1, 0x380 | 3, "45000.5"},
        {3, 0, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Flags(wks, c.row, c.column), c.flags) << c.row << "," << c.column;
        EXPECT_EQ(Text(wks, c.row, c.column), c.text);
    }
    EXPECT_EQ(wks.GetColumnWidth(0), 9);
    EXPECT_EQ(wks.GetColumnWidth(1), 11);
    EXPECT_EQ(wks.GetColumnWidth(2), 11);
    EXPECT_EQ(Text(wks, 0, 0, WKS_PREFIX_ALIGN), "^Name");
    EXPECT_EQ(Text(wks, 0, 1, WKS_PREFIX_NUMERIC), "'123");
}

// ---- BIFF3 ----

Body Xf3(int format, int protection, int align) {
    return Body().u8(0).u8(format).u8(protection).u8(0).u16(align).u16(0).u16(0).u16(0);
}

std::vector<uint8_t> Biff3Sheet(int codepage = 1252) {
    BiffWriter w;
    w.Record(kBof3, Body().u16(3).u16(0x10));
    w.Record(kCodePage, Body().u16(codepage));
    w.Record(kDefColWidth, Body().u16(12));
    w.Record(kColInfo, Body().u16(2).u16(3).u16(0x0A4A).u16(0).u16(0).u16(0));
    w.Record(kColInfo, Body().u16(4).u16(300).u16(0x0A49).u16(0).u16(0).u16(0));
    for (const char* f : {"General", "0.00", "[Red]dd/mm/yyyy", "\"hours\" 0"}) w.Record(kFormat2, Body().str8(f));
    w.Record(kXf3, Xf3(0, 0x01, 0));   // 0: locked
    w.Record(kXf3, Xf3(2, 0x00, 3));   // 1: date, right aligned
    w.Record(kXf3, Xf3(3, 0x00, 1));   // 2: quoted text only, left aligned
    w.Record(kXf3, Xf3(99, 0x00, 0));  // 3: a format index beyond the list
    w.Record(kProtect, Body().u16(1));
    w.Record(kDimensions, Body().u16(0).u16(4).u16(0).u16(3));
    w.Record(kLabel, CellHead(0, 0, 0).str16("Cr\xE8me"));
    w.Record(kNumber, CellHead(0, 1, 1).f64(45000));
    w.Record(kRk, CellHead(0, 2, 2).u32(302));
    w.Record(kRk, CellHead(1, 0, 50).u32(303));  // an XF index beyond the list
    w.Record(kRString, CellHead(1, 1, 3).str16("rich").u8(1).u8(0).u8(0));
    w.Record(kBlank, CellHead(1, 2, 0));
    w.Record(kBoolErr, CellHead(2, 0, 0).u8(1).u8(0));
    w.Record(kFormula3, NumberResult(CellHead(2, 1, 0), 2.5).u16(0).u16(0));
    w.Record(kFormula3, SpecialResult(CellHead(2, 2, 0), 2).u16(0).u16(0));
    w.Record(kFormula3, SpecialResult(CellHead(3, 0, 3), 0).u16(0).u16(0));
    w.Record(kArray, Body().u16(3).u16(3).u8(0).u8(0).u16(0));
    w.Record(kString, Body().str16("via array"));
    w.Record(kLabel, CellHead(3, 1, 3).str16("-5"));
    w.Record(kLabel, CellHead(3, 2, 1).str16("r"));
    w.Record(kSelection, Body().u8(3).u16(2).u16(1).u16(0).u16(1).u16(2).u16(2).u8(1).u8(1));
    w.Record(kEof);
    w.Record(kLabel, CellHead(0, 0, 0).str16("after the end"));
    return w.Bytes();
}

class Biff3Sheet_ : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(wks.Open(OpenFile("b3.xls", Biff3Sheet()).c_str(), "ignored", WKS_OPEN_NO_APPLICATION));
    }
    TWksIO wks;
};

TEST_F(Biff3Sheet_, CellsThroughTheirXfs) {
    EXPECT_EQ(wks.GetKind(), WKS_KIND_BIFF3);
    EXPECT_EQ(wks.GetRowCount(), 4);
    EXPECT_EQ(wks.GetColumnCount(), 3);
    struct Case {
        int row, column, flags;
        const char* text;
        double number;
    } cases[] = {
        {0, 0, 0x50, "Crème", WKS_NO_NUMBER},       // locked under protection; 1252 text
        {0, 1, 0x183, "45000", 45000},              // date format, right aligned
        {0, 2, 0x81, "75", 75},                     // quoted "hours" is not a time
        {1, 0, 0x80, "0.75", 0.75},                 // unknown XF: plain
        {1, 1, 0x40, "rich", WKS_NO_NUMBER},        // RSTRING, runs ignored
        {1, 2, 0, "", WKS_NO_NUMBER},               // BLANK
        {2, 0, 0, "", WKS_NO_NUMBER},               // BOOLERR is passed over
        {2, 1, 0xB0, "2.5", 2.5},                   // formula, number, locked
        {2, 2, 0x30, "", WKS_NO_NUMBER},            // formula, error
        {3, 0, 0x60, "via array", WKS_NO_NUMBER},   // STRING after an ARRAY record
        {3, 1, 0x40, "-5", WKS_NO_NUMBER},
        {4, 0, 0, "", WKS_NO_NUMBER},               // beyond DIMENSIONS
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
        EXPECT_EQ(Flags(wks, c.row, c.column), c.flags);
        EXPECT_EQ(Text(wks, c.row, c.column), c.text);
        EXPECT_EQ(Number(wks, c.row, c.column), c.number);
    }
    EXPECT_TRUE(wks.IsFormula(2, 1));
    EXPECT_FALSE(wks.IsFormula(1, 1));
}

TEST_F(Biff3Sheet_, ReadingOrderDoesNotChangeResults) {
    // Backwards within rows and columns, so the last-lookup position is not reused.
    for (int row = 3; row >= 0; --row) {
        for (int column = 2; column >= 0; --column) {
            std::string backwards = Text(wks, row, column);
            Text(wks, 0, 0);
            EXPECT_EQ(Text(wks, row, column), backwards);
        }
    }
    EXPECT_EQ(Text(wks, 3, 1), "-5");
    EXPECT_EQ(Text(wks, 0, 2), "75");
}

TEST_F(Biff3Sheet_, PrefixModesAndBufferSizes) {
    EXPECT_EQ(Text(wks, 3, 1, WKS_PREFIX_NUMERIC), "'-5");
    EXPECT_EQ(Text(wks, 3, 1, WKS_PREFIX_ALIGN), "'-5");
    EXPECT_EQ(Text(wks, 3, 2, WKS_PREFIX_ALIGN), "\"r");
    EXPECT_EQ(Text(wks, 0, 0, WKS_PREFIX_NUMERIC), "Crème");
    // "Crème" is 6 bytes in UTF-8; a character is never split.
    EXPECT_EQ(Text(wks, 0, 0, WKS_PREFIX_NONE, 4), "Cr");
    EXPECT_EQ(Text(wks, 0, 0, WKS_PREFIX_NONE, 5), "Crè");
    EXPECT_EQ(Text(wks, 0, 0, WKS_PREFIX_NONE, 1), "");
    EXPECT_EQ(Text(wks, 0, 0, WKS_PREFIX_NONE, 0), "unchanged");
    EXPECT_EQ(Text(wks, 0, 1, WKS_PREFIX_NONE, 3), "45");
}

TEST_F(Biff3Sheet_, WidthsFromDefColWidthAndColInfo) {
    struct Case {
        int column, width;
    } cases[] = {{0, 12}, {1, 12}, {2, 11}, {3, 11}, {4, 10}, {255, 10}, {256, -1}, {-1, -1}};
    for (const Case& c : cases) EXPECT_EQ(wks.GetColumnWidth(c.column), c.width) << c.column;
}

TEST_F(Biff3Sheet_, ActiveCellFromTheSelectionRecord) {
    auto* impl = wks.GetInnards();
    int row = -1, column = -1;
    impl->GetActiveCell(row, column);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(column, 1);
    impl->SetActiveCell(3, 0);
    impl->GetActiveCell(row, column);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(column, 0);
}

TEST(Biff3CodePage, LabelsConvertFromTheWorkbookCodePage) {
    struct Case {
        int codepage;
        std::string bytes, utf8;
    } cases[] = {
        {1252, "\xE9\x80", "é€"},
        {850, "\x82", "é"},
        {437, "\x9B", "¢"},
        {32768, "\x8E", "é"},   // Apple Roman
        {32769, "\xE9", "é"},   // 1252 as BIFF2-4 may name it
        {1251, "\xC4", "Д"},
    };
    for (const Case& c : cases) {
        BiffWriter w;
        w.Record(kBof3, Body().u16(3).u16(0x10));
        w.Record(kCodePage, Body().u16(c.codepage));
        w.Record(kDimensions, Body().u16(0).u16(1).u16(0).u16(1));
        w.Record(kLabel, CellHead(0, 0, 0).str16(c.bytes));
        w.Record(kEof);
        TWksIO wks;
        ASSERT_TRUE(wks.Open(OpenFile("cp.xls", w.Bytes()).c_str(), "", 0));
        EXPECT_EQ(Text(wks, 0, 0), c.utf8) << c.codepage;
    }
}

TEST(Biff3Dimensions, MissingDimensionsComeFromTheCells) {
    BiffWriter w;
    w.Record(kBof3, Body().u16(3).u16(0x10));
    w.Record(kRk, CellHead(4, 6, 0).u32(302));
    w.Record(kEof);
    TWksIO wks;
    ASSERT_TRUE(wks.Open(OpenFile("nodim.xls", w.Bytes()).c_str(), "", 0));
    EXPECT_EQ(wks.GetRowCount(), 5);
    EXPECT_EQ(wks.GetColumnCount(), 7);
    EXPECT_EQ(Number(wks, 4, 6), 75.0);
}

// ---- BIFF4 ----

Body Xf4(int format) { return Body().u8(0).u8(format).u8(0).u8(0).u16(0).u16(0).u16(0).u16(0); }

std::vector<uint8_t> Biff4Workbook() {
    BiffWriter w;
    w.Record(kBof4, Body().u16(4).u16(0x0100));
    w.Record(kBundleSheet, Body().u32(0).str8("Alpha"));
    w.Record(kBof4, Body().u16(4).u16(0x10));
    w.Record(kDimensions, Body().u16(0).u16(1).u16(0).u16(1));
    w.Record(kLabel, CellHead(0, 0, 0).str16("alpha cell"));
    w.Record(kEof);
    w.Record(kBundleSheet, Body().u32(0).str8("Beta"));
    w.Record(kBof4, Body().u16(4).u16(0x10));
    w.Record(kFormat4, Body().u16(0).str8("General"));
    w.Record(kFormat4, Body().u16(0).str8("d/m/yy"));
    w.Record(kXf4, Xf4(0));
    w.Record(kXf4, Xf4(1));
    w.Record(kDimensions, Body().u16(0).u16(2).u16(0).u16(2));
    w.Record(kNumber, CellHead(0, 0, 1).f64(45000));
    w.Record(kFormula4, NumberResult(CellHead(1, 1, 0), 6).u16(0).u16(0));
    w.Record(kEof);
    w.Record(kBundleSheet, Body().u32(0).str8(std::string(40, 'L')));
    w.Record(kBof4, Body().u16(4).u16(0x10));
    w.Record(kEof);
    w.Record(kEof);
    return w.Bytes();
}

TEST(Biff4, WorkbookSheetsByBundleSheetName) {
    std::string path = OpenFile("b4.xlw", Biff4Workbook());
    struct Case {
        const char* sheet;
        bool opens;
        const char* a1;
        int a1Flags;
    } cases[] = {
        {"BETA", true, "45000", 0x180},
        {"alpha", true, "alpha cell", 0x40},
        {"", true, "alpha cell", 0x40},   // no name: the records up to the first end of file
        {"Gamma", false, "", 0},
        {"Alph", false, "", 0},
        {"LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", false, "", 0},  // longer than 31
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sheet);
        TWksIO wks;
        EXPECT_EQ(wks.Open(path.c_str(), c.sheet, WKS_OPEN_NO_APPLICATION), c.opens);
        EXPECT_EQ(wks.GetKind(), WKS_KIND_BIFF4);
        EXPECT_EQ(Text(wks, 0, 0), c.a1);
        EXPECT_EQ(Flags(wks, 0, 0), c.a1Flags);
    }
    TWksIO beta;
    ASSERT_TRUE(beta.Open(path.c_str(), "beta", 0));
    EXPECT_EQ(Flags(beta, 1, 1), 0xA0);
    EXPECT_EQ(Number(beta, 1, 1), 6.0);
    EXPECT_TRUE(beta.HasFormulas());
    EXPECT_FALSE(beta.SelectSheet("Alpha") && Text(beta, 0, 0) == "alpha cell");  // BIFF4 does not switch
}

// ---- BIFF5 ----

Body Xf5(int format, int align = 0) {
    return Body().u16(0).u16(format).u16(0x0001).u8(align).u8(0).u32(0).u32(0);
}

std::vector<uint8_t> Biff5Globals(bool date1904) {
    BiffWriter g;
    g.Record(kCodePage, Body().u16(1252));
    g.Record(kDateMode, Body().u16(date1904 ? 1 : 0));
    g.Record(kFormat4, Body().u16(164).str8("yyyy-mm-dd"));
    g.Record(kXf5, Xf5(0));
    g.Record(kXf5, Xf5(14));
    g.Record(kXf5, Xf5(164));
    g.Record(kXf5, Xf5(20, 2));
    return g.Bytes();
}

std::string Biff5File(const std::string& name, const std::vector<uint8_t>& book, const char* stream = "Book") {
    std::string path = TempPath(name);
    EXPECT_TRUE(WriteCompoundFile(path, {{stream, book}}));
    return path;
}

std::vector<uint8_t> Biff5DataSheet() {
    BiffWriter s;
    s.Record(kDimensions, Body().u16(0).u16(3).u16(0).u16(5));
    s.Record(kMulRk, Body().u16(0).u16(1).u16(0).u32(302).u16(0).u32(0x3FF00000).u16(1).u32(303).u16(3));
    s.Record(kMulBlank, Body().u16(1).u16(0).u16(0).u16(0).u16(0).u16(2));
    s.Record(kShrFmla, Body().u16(2).u16(2).u8(0).u8(1).u16(0).u16(0));
    s.Record(kLabel, CellHead(1, 3, 0).str16("after"));
    s.Record(kRk, CellHead(1, 4, 2).u32(uint32_t(45001 << 2) | 2));
    s.Record(kNumber, CellHead(2, 0, 1).f64(45000.5));
    s.Record(kNumber, CellHead(2, 1, 3).f64(0.25));
    s.Record(kFormula2, SpecialResult(CellHead(2, 2, 0), 0).u16(0).u32(0).u16(0));
    s.Record(kString, Body().str16("biff5 text"));
    return s.Bytes();
}

TEST(Biff5, MulrkExpandsMulblankAndShrfmlaDrop) {
    TWksIO wks;
    std::string path = Biff5File("b5.xls", Biff5Book(Biff5Globals(false), {{"Data", Biff5DataSheet()}, {"Sheet2", {}}}));
    ASSERT_TRUE(wks.Open(path.c_str(), "DATA", WKS_OPEN_NO_APPLICATION));
    EXPECT_EQ(wks.GetKind(), WKS_KIND_BIFF5);
    struct Case {
        int row, column, flags;
        double number;
        const char* text;
    } cases[] = {
        {0, 0, 0, WKS_NO_NUMBER, ""},
        {0, 1, 0x80, 75.0, "75"},
        {0, 2, 0x80, 1.0, "1"},
        {0, 3, 0x180, 0.75, "0.75"},          // XF 1: built-in 14, a date
        {0, 4, 0, WKS_NO_NUMBER, ""},
        {1, 0, 0, WKS_NO_NUMBER, ""},         // MULBLANK reads as empty
        {1, 3, 0x40, WKS_NO_NUMBER, "after"},
        {1, 4, 0x80, 45001.0, "45001"},       // XF 2: custom 164 is a plain number
        {2, 0, 0x180, 45000.5, "45000.5"},
        {2, 1, 0x282, 0.25, "0.25"},          // XF 3: built-in 20, a time, centred
        {2, 2, 0x60, WKS_NO_NUMBER, "biff5 text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
        EXPECT_EQ(Flags(wks, c.row, c.column), c.flags);
        EXPECT_EQ(Number(wks, c.row, c.column), c.number);
        EXPECT_EQ(Text(wks, c.row, c.column), c.text);
    }
    ASSERT_TRUE(wks.SelectSheet("sheet2"));
    EXPECT_EQ(wks.GetRowCount(), 0);
    EXPECT_EQ(Flags(wks, 0, 1), 0);
}

TEST(Biff5, DateModeMovesDatesOnly) {
    for (bool date1904 : {false, true}) {
        TWksIO wks;
        std::string path = Biff5File("dm.xls", Biff5Book(Biff5Globals(date1904), {{"Data", Biff5DataSheet()}}));
        ASSERT_TRUE(wks.Open(path.c_str(), "", 0));
        EXPECT_EQ(Number(wks, 2, 0), 45000.5);
        COleDateTime date;
        EXPECT_EQ(wks.GetDateValue(2, 0, date), 0x180);
        EXPECT_EQ(date.m_dt, date1904 ? 45000.5 + 1462 : 45000.5);
        EXPECT_EQ(date.m_status, COleDateTime::valid);
    }
}

TEST(Biff5, StreamNameWithoutRegardToCase) {
    std::vector<uint8_t> book = Biff5Book(Biff5Globals(false), {{"Data", Biff5DataSheet()}});
    for (const char* name : {"Book", "BOOK", "book"}) {
        TWksIO wks;
        ASSERT_TRUE(wks.Open(Biff5File("case.xls", book, name).c_str(), "", 0)) << name;
        EXPECT_EQ(wks.GetKind(), WKS_KIND_BIFF5);
        EXPECT_EQ(Text(wks, 1, 3), "after");
    }
}

}  // namespace
