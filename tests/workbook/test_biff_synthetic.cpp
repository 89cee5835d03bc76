// BIFF2, BIFF3, BIFF4 and BIFF5 streams built record by record: the parts no
// tool here writes (old versions, MULRK, protection, code pages, out-of-order cells).
#include "WorkbookSupport.h"
#include "SyntheticBooks.h"
#include "sources/workbook/BiffFormat.h"
#include "sources/workbook/WksIO.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>

using namespace dulo::biff;

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

std::string OpenFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = TempPath(name);
    WriteBytes(path, bytes);
    return path;
}

// ---- BIFF2 ----

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

TEST(NumberText, WrittenInPercentGNotation) {
    const double values[] = {0.0, -0.0, 1.0, -7.0, 0.1, 0.75, 1.0 / 3, 2.0 / 3, 123456.0, 999999.0, 1234567.0,
                             999999.5, 0.0001, 0.00001, 1e-300, -2.5e10, 1e15, 45000.25, 3.14159265358979,
                             1e100, 5e-324, -1.5e-7, 100.0, 1e6};
    BiffWriter w;
    w.Record(kBof3, Body().u16(3).u16(0x10));
    w.Record(kDimensions, Body().u16(0).u16(int(std::size(values))).u16(0).u16(1));
    for (size_t i = 0; i < std::size(values); ++i) w.Record(kNumber, CellHead(int(i), 0, 0).f64(values[i]));
    w.Record(kEof);
    TWksIO wks;
    ASSERT_TRUE(wks.Open(OpenFile("g.xls", w.Bytes()).c_str(), "", 0));
    for (size_t i = 0; i < std::size(values); ++i) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%g", values[i]);
        EXPECT_EQ(Text(wks, int(i), 0), expected) << values[i];
        EXPECT_EQ(Number(wks, int(i), 0), values[i]);
    }
}

TEST(DisplayedText, NumbersFormattedIntoTheColumnWidth) {
    BiffWriter w;
    w.Record(kBof3, Body().u16(3).u16(0x10));
    w.Record(kDefColWidth, Body().u16(8));
    for (const char* f : {"General", "0.00", "#,##0", "0.0;[Red]-0.0", "@"}) w.Record(kFormat2, Body().str8(f));
    for (int format = 0; format < 5; ++format) w.Record(kXf3, Xf3(format, 0, 0));
    w.Record(kDimensions, Body().u16(0).u16(6).u16(0).u16(1));
    struct Case {
        int xf;
        double number;
        const char* shown;
    } cases[] = {
        {0, 1.0 / 3, "0.33333"},    // %g cut to 7 characters
        {1, 2.345, "   2.35"},      // two decimals, right in 7 characters
        {2, 2.5, "      3"},        // rounded half away from zero
        {2, -2.5, "     -3"},
        {3, 7.25, "    7.2"},       // decimals counted up to the ';'
        {4, 1.5, "1.500000"},       // anything else: fixed notation
    };
    for (int i = 0; i < 6; ++i) w.Record(kNumber, CellHead(i, 0, cases[i].xf).f64(cases[i].number));
    w.Record(kEof);
    TWksIO wks;
    ASSERT_TRUE(wks.Open(OpenFile("shown.xls", w.Bytes()).c_str(), "", 0));
    for (int i = 0; i < 6; ++i) {
        char text[64];
        EXPECT_EQ(wks.GetInnards()->FormatCellText(i, 0, text, sizeof text, 0), WKS_NUMBER);
        EXPECT_STREQ(text, cases[i].shown) << i;
    }
}

// ---- BIFF4 ----

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

std::string Biff5File(const std::string& name, const std::vector<uint8_t>& book, const char* stream = "Book") {
    std::string path = TempPath(name);
    EXPECT_TRUE(WriteCompoundFile(path, {{stream, book}}));
    return path;
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
