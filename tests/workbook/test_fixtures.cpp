// BIFF5 workbooks written by gnumeric (tests/fixtures/workbook, made by
// scripts/make-fixtures-workbook.sh from the sources beside them).
#include "WorkbookSupport.h"
#include "sources/workbook/WksIO.h"
#include "sources/workbook/excel5WksIO.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(TWksIO& wks, int row, int column, int mode = WKS_PREFIX_NONE) {
    char buffer[256];
    wks.GetCellText(row, column, buffer, sizeof buffer, mode);
    return buffer;
}

int Flags(TWksIO& wks, int row, int column) {
    char buffer[256];
    return wks.GetCellText(row, column, buffer, sizeof buffer, WKS_PREFIX_NONE);
}

class BookFixture : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(wks.Open(Fixture("book.xls").c_str(), "data", WKS_OPEN_NO_APPLICATION)); }
    TWksIO wks;
};

TEST_F(BookFixture, IsABiff5WorkbookOpenOnTheNamedSheet) {
    EXPECT_EQ(wks.GetKind(), WKS_KIND_BIFF5);
    EXPECT_TRUE(wks.IsReady());
    EXPECT_FALSE(wks.IsFailed());
    EXPECT_EQ(wks.GetRowCount(), 10);
    EXPECT_EQ(wks.GetColumnCount(), 8);
    EXPECT_EQ(Text(wks, 0, 0), "ROWNAMES");
    EXPECT_TRUE(wks.HasFormulas());
    auto* impl = dynamic_cast<excel5WksIO*>(wks.GetInnards());
    ASSERT_NE(impl, nullptr);
    EXPECT_EQ(impl->GetSheetNames(), (std::vector<std::string>{"Data", "Sheet2"}));
}

TEST_F(BookFixture, CellsReadWithTheirFlagsTextsAndNumbers) {
    struct Case {
        int row, column;
        int flags;
        const char* text;
        double number;
    } cases[] = {
        {0, 1, 0x40, "Int", WKS_NO_NUMBER},
        {1, 1, 0x80, "42", 42.0},                     // integer RK
        {1, 2, 0x80, "0.75", 0.75},
        {2, 1, 0x80, "-7", -7.0},
        {2, 2, 0x80, "0.1", 0.1},
        {4, 1, 0x80, "100000", 100000.0},
        {4, 2, 0x80, "3.14159", 3.14159265358979},
        {9, 2, 0x80, "1e-300", 1e-300},
        {1, 3, 0x180, "45000", 45000.0},              // d-mmm, built-in 16: a date
        {1, 4, 0x280, "0.5", 0.5},                    // h:mm, built-in 20: a time
        // gnumeric stores m/d/yy h:mm and yyyy-mm-dd as custom formats (index 50 on),
        // which BIFF5 reads as plain numbers; the second is right aligned.
        {1, 5, 0x80, "45000.2", 45000.25},
        {1, 6, 0x83, "45001", 45001.0},
        {1, 7, 0x60, "abcd", WKS_NO_NUMBER},          // formula with a text result
        {2, 7, 0x20, "", WKS_NO_NUMBER},              // formula with an error result
        {4, 7, 0xA0, "35", 35.0},                     // formula with a number
        {5, 7, 0x20, "", WKS_NO_NUMBER},              // formula with a logical result
        {4, 4, 0x40, "Crème brûlée €5", WKS_NO_NUMBER},  // code page 1252 to UTF-8
        {3, 0, 0x40, "*comment row", WKS_NO_NUMBER},
        {3, 2, 0, "", WKS_NO_NUMBER},                 // nothing there
        {6, 0, 0, "", WKS_NO_NUMBER},                 // an empty row
        {9, 7, 0, "", WKS_NO_NUMBER},
        {12, 0, 0, "", WKS_NO_NUMBER},                // beyond the rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << c.row << "," << c.column);
        EXPECT_EQ(Flags(wks, c.row, c.column), c.flags);
        EXPECT_EQ(Text(wks, c.row, c.column), c.text);
        double number = 0;
        EXPECT_EQ(wks.GetNumber(c.row, c.column, number), c.flags);
        EXPECT_DOUBLE_EQ(number, c.number);
    }
}

TEST_F(BookFixture, ConsecutiveRkCellsInARow) {
    for (int column = 1; column <= 4; ++column) {
        double number = 0;
        EXPECT_EQ(wks.GetNumber(5, column, number), 0x80) << column;
        EXPECT_EQ(number, double(column));
    }
}

TEST_F(BookFixture, PrefixModesApplyToLabelsOnly) {
    EXPECT_EQ(Text(wks, 4, 3, WKS_PREFIX_NONE), "123");
    EXPECT_EQ(Text(wks, 4, 3, WKS_PREFIX_NUMERIC), "'123");
    EXPECT_EQ(Text(wks, 4, 0, WKS_PREFIX_NUMERIC), "R3");
    EXPECT_EQ(Text(wks, 4, 0, WKS_PREFIX_ALIGN), "'R3");
    EXPECT_EQ(Text(wks, 1, 1, WKS_PREFIX_NUMERIC), "42");
    EXPECT_EQ(Text(wks, 1, 7, WKS_PREFIX_NUMERIC), "abcd");
    std::string text;
    EXPECT_EQ(wks.GetCellText(4, 3, text), 0x40);
    EXPECT_EQ(text, "123");
}

TEST_F(BookFixture, DateValuesByCellKind) {
    COleDateTime date;
    EXPECT_EQ(wks.GetDateValue(1, 3, date), 0x180);
    EXPECT_EQ(date.m_dt, 45000.0);
    EXPECT_EQ(date.m_status, COleDateTime::valid);
    wks.GetDateValue(0, 3, date);
    EXPECT_EQ(date.m_dt, 0.0);
    EXPECT_EQ(date.m_status, COleDateTime::invalid);
    wks.GetDateValue(3, 3, date);
    EXPECT_EQ(date.m_status, COleDateTime::null);
}

TEST_F(BookFixture, ColumnWidths) {
    EXPECT_GT(wks.GetColumnWidth(0), wks.GetColumnWidth(1));
    EXPECT_EQ(wks.GetColumnWidth(-1), -1);
    EXPECT_EQ(wks.GetColumnWidth(256), -1);
    EXPECT_GT(wks.GetColumnWidth(255), 0);
}

TEST_F(BookFixture, SelectSheetByNameInAnyCase) {
    ASSERT_TRUE(wks.SelectSheet("SHEET2"));
    EXPECT_EQ(Text(wks, 0, 0), "second");
    EXPECT_EQ(Text(wks, 1, 1), "2");
    EXPECT_EQ(wks.GetRowCount(), 2);
    EXPECT_FALSE(wks.HasFormulas());
    ASSERT_TRUE(wks.SelectSheet("Data"));
    EXPECT_EQ(Text(wks, 1, 7), "abcd");
    EXPECT_FALSE(wks.SelectSheet("Dat"));
    EXPECT_TRUE(wks.IsFailed());
    EXPECT_EQ(Flags(wks, 0, 0), 0);
    ASSERT_TRUE(wks.SelectSheet("sheet2"));
    EXPECT_FALSE(wks.IsFailed());
    EXPECT_EQ(Text(wks, 0, 0), "second");
}

TEST(BookOpen, SheetNamesMatchWholeNamesOnly) {
    struct Case {
        const char* sheet;
        bool opens;
        const char* a1;
    } cases[] = {
        {"DATA", true, "ROWNAMES"}, {"data", true, "ROWNAMES"}, {"", true, "ROWNAMES"},
        {"sheet2", true, "second"}, {"Dat", false, ""},         {"Data ", false, ""},
    };
    for (const Case& c : cases) {
        TWksIO wks;
        EXPECT_EQ(wks.Open(Fixture("book.xls").c_str(), c.sheet, WKS_OPEN_NO_APPLICATION), c.opens) << c.sheet;
        EXPECT_EQ(wks.IsFailed(), !c.opens);
        EXPECT_EQ(wks.GetInnards() != nullptr, c.opens);
        EXPECT_EQ(Text(wks, 0, 0), c.a1) << c.sheet;
    }
}

TEST(LayoutsFixture, TableMarkerBlankA1AndCommentSheets) {
    TWksIO wks;
    ASSERT_TRUE(wks.Open(Fixture("layouts.xls").c_str(), "TableLayout", WKS_OPEN_NO_APPLICATION));
    EXPECT_EQ(Text(wks, 0, 0), "table");
    EXPECT_EQ(Text(wks, 2, 0), "* second comment");
    EXPECT_EQ(Text(wks, 3, 2), "B");
    EXPECT_EQ(Text(wks, 5, 2), "4");

    ASSERT_TRUE(wks.SelectSheet("blanka1"));
    EXPECT_EQ(Flags(wks, 0, 0), 0);
    EXPECT_EQ(Text(wks, 0, 1), "C1");
    double number;
    EXPECT_EQ(wks.GetNumber(2, 2, number), 0x80);
    EXPECT_EQ(number, 40.5);

    ASSERT_TRUE(wks.SelectSheet("Comments"));
    EXPECT_EQ(Text(wks, 3, 0), "* between");
    EXPECT_EQ(Text(wks, 4, 1), "2.5");
}

TEST(Date1904Fixture, DatesMoveToThe1900SystemNumbersStayAsStored) {
    TWksIO wks;
    ASSERT_TRUE(wks.Open(Fixture("date1904.xls").c_str(), "", WKS_OPEN_NO_APPLICATION));
    double number;
    EXPECT_EQ(wks.GetNumber(1, 1, number), 0x180);
    EXPECT_EQ(number, 43538.0);
    COleDateTime date;
    wks.GetDateValue(1, 1, date);
    EXPECT_EQ(date.m_dt, 43538.0 + 1462.0);  // 2023-03-15
    SYSTEMTIME st;
    ASSERT_TRUE(date.GetCalendar(st));
    EXPECT_EQ(st.wYear, 2023);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 15);
    wks.GetDateValue(2, 1, date);  // day 0 of 1904 is 1904-01-01
    EXPECT_EQ(date.m_dt, 1462.0);
    EXPECT_EQ(wks.GetNumber(1, 2, number), 0x80);
    EXPECT_EQ(number, 100.0);
}

TEST(Date1900Fixture, DatesStayAsStored) {
    TWksIO wks;
    ASSERT_TRUE(wks.Open(Fixture("book.xls").c_str(), "", WKS_OPEN_NO_APPLICATION));
    COleDateTime date;
    wks.GetDateValue(2, 3, date);
    EXPECT_EQ(date.m_dt, 1.0);
}

}  // namespace
