// Finding the table on its sheet, the column list and the column types.
#include "WorksheetSupport.h"

#include "sources/WorkbookCache.h"
#include "sources/workbook/WksIO.h"
#include "tables/SqlType.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

struct LayoutCase {
    const char* sheet;
    int layout;
    int headerRow;
    int firstDataRecord;
    Names columns;
    int endMarker;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {
protected:
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_P(LayoutTest, FindsHeadingRowAndColumns) {
    const LayoutCase& c = GetParam();
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), c.sheet)) << s.log.str();
    EXPECT_EQ(s.table.GetLayout(), c.layout);
    EXPECT_EQ(s.table.GetHeaderRow(), c.headerRow);
    EXPECT_EQ(s.table.GetFirstDataRecord(), c.firstDataRecord);
    EXPECT_EQ(s.ColumnNames(), c.columns);
    EXPECT_EQ(s.table.GetEndMarkerColumn(), c.endMarker);
    for (int i = 0; i < s.table.GetColumns().GetSize(); ++i) {
        const CColumn* column = s.table.GetColumns()[i];
        EXPECT_EQ(column->m_nOrdinal, i);
        EXPECT_EQ(column->m_pUserData, reinterpret_cast<void*>(intptr_t(-1)));
        EXPECT_EQ(column->m_nPrecision, s.table.GetWorkbook()->GetColumnWidth(i));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, LayoutTest,
    ::testing::Values(
        LayoutCase{"Plain", 0, 0, 1, {"ROWNAMES", "TEXT", "X", "Price", "PRICE", "DATE", "Mixed", "!Hidden", "Late"}, -1},
        // "table" in any case, then two comment rows: the headings are on the fourth row,
        // and the comment row after them is not the first data record.
        LayoutCase{"Table", 2, 3, 5, {"ROWNAMES", "A", "B"}, -1},
        LayoutCase{"NoName", 1, 0, 1, {"ROWNAMES", "C1", "C2"}, -1},
        LayoutCase{"Lead", 1, 2, 3, {"ROWNAMES", "X", "Y", "Z"}, -1},
        LayoutCase{"Comment", 2, 1, 2, {"ROWNAMES", "V"}, -1},
        LayoutCase{"BadHead", 0, 0, 1, {"ROWNAMES", "A"}, -1},
        LayoutCase{"StarEnd", 0, 0, 1, {"ROWNAMES", "A"}, 2}),
    [](const auto& info) { return std::string(info.param.sheet); });

TEST(WorksheetColumns, EmptyHeadingEndsTheListWithTwoWarnings) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), "BadHead"));
    EXPECT_TRUE(s.Logged("Warning -- Empty or Bad Column Name cell encountered in Row, Column:  1,3"))
        << s.log.str();
    EXPECT_TRUE(s.Logged("Warning -- All further columns will be ignored."));
    EXPECT_FALSE(s.table.IsWarningRaised());
    dulo::WorkbookCache::Empty();
}

TEST(WorksheetColumns, StarHeadingIsAColumnWhenTheOptionIsOff) {
    SheetSource s;
    s.options.SetWord(19, 0);
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), "StarEnd"));
    EXPECT_EQ(s.ColumnNames(), (Names{"ROWNAMES", "A", "*END", "B"}));
    EXPECT_EQ(s.table.GetEndMarkerColumn(), -1);
    dulo::WorkbookCache::Empty();
}

TEST(WorksheetColumns, RowNamesColumnOfLayoutOneHasTheSheetColumnWidth) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), "NoName"));
    const CColumn* rowNames = s.table.GetColumns()[0];
    EXPECT_EQ(rowNames->m_strName, "ROWNAMES");
    EXPECT_GT(rowNames->m_nPrecision, 9) << "the fixture widens column A";
    dulo::WorkbookCache::Empty();
}

struct TypeCase {
    const char* sheet;
    std::vector<int> types;
};

class TypingTest : public ::testing::TestWithParam<TypeCase> {
protected:
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_P(TypingTest, TypesByNameOrFirstNamedRow) {
    SheetSource s;
    const TypeCase& c = GetParam();
    std::string file = std::string(c.sheet) == "Plain" ? "layouts.xls" : "selection.xls";
    ASSERT_TRUE(s.Open(WorksheetFixture(file), c.sheet));
    EXPECT_EQ(s.ColumnTypes(), c.types);
    // Typing leaves the cursor on the first data record.
    EXPECT_EQ(s.table.GetCurrentRecord(), s.table.GetFirstDataRecord());
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, TypingTest,
    ::testing::Values(
        // ROWNAMES TEXT X Price PRICE DATE Mixed !Hidden Late
        TypeCase{"Plain", {1, 1, 8, 8, 3, 9, 1, 8, 8}},
        // ROWNAMES Price PRICE COST TEXT Dt Tm starttime DATETIMEID Late Txt StopDate datetimeid:
        // Price by its data; the comment row and the unnamed row never decide; Dt and Tm
        // by their display formats; a column empty in the first named row by the next one.
        TypeCase{"Types", {1, 8, 3, 3, 1, 9, 10, 10, 11, 8, 1, 9, 8}},
        TypeCase{"Keys", {1, 1, 8, 8}}),
    [](const auto& info) { return std::string(info.param.sheet); });

TEST(WorksheetCursor, MovesSkipCommentRows) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), "Plain"));
    CWksTbl& t = s.table;
    EXPECT_EQ(t.MoveFirst(), 6);
    EXPECT_EQ(t.GetCurrentRecord(), 1);
    EXPECT_TRUE(t.IsCommentRow(2));
    EXPECT_FALSE(t.IsCommentRow(4));
    EXPECT_FALSE(t.MoveNext());
    EXPECT_EQ(t.GetCurrentRecord(), 3) << "row 2 is a comment";
    EXPECT_EQ(t.MovePrev(), 1);
    EXPECT_FALSE(t.MoveNext());
    EXPECT_FALSE(t.MoveNext());
    EXPECT_FALSE(t.MoveNext());
    EXPECT_EQ(t.GetCurrentRecord(), 5);
    EXPECT_TRUE(t.IsLastRecord());
    EXPECT_TRUE(t.MoveNext());
    EXPECT_TRUE(t.IsPastEnd());
    EXPECT_TRUE(t.IsEndOfRecords());
    dulo::WorkbookCache::Empty();
}

TEST(WorksheetCells, KindsAndTextFollowTheCellFlags) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("selection.xls"), "Types"));
    CWksTbl& t = s.table;
    struct {
        int row, column, kind;
        const char* text;
    } cases[] = {
        {2, 0, WKS_CELL_TEXT, "Y1"},        {2, 1, WKS_CELL_NUMBER, "1.25"},
        {2, 5, WKS_CELL_DATE, nullptr},     {2, 6, WKS_CELL_TIME, nullptr},
        {2, 9, WKS_CELL_EMPTY, ""},         {3, 0, WKS_CELL_EMPTY, ""},
        {4, 5, WKS_CELL_TEXT, "not a date"}, {100, 100, WKS_CELL_EMPTY, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
        EXPECT_EQ(t.GetCellKind(c.row, c.column), c.kind);
        EXPECT_EQ(t.IsCellEmpty(c.row, c.column), c.kind == WKS_CELL_EMPTY);
        if (c.text) {
            char buffer[64];
            int flags = t.GetCellText(c.row, c.column, buffer, sizeof buffer);
            EXPECT_STREQ(buffer, c.text);
            EXPECT_EQ(flags == 0, *c.text == '\0');
        }
    }
    // Trailing blanks are removed; a buffer of one byte still gets its terminator.
    SheetSource plain;
    ASSERT_TRUE(plain.Open(WorksheetFixture("layouts.xls"), "Plain"));
    char buffer[64];
    plain.table.GetCellText(3, 1, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "second");
    char tiny[1] = {'x'};
    EXPECT_EQ(plain.table.GetCellText(3, 1, tiny, 1), 0);
    EXPECT_EQ(tiny[0], '\0');
    dulo::WorkbookCache::Empty();
}

}  // namespace
