// Rows and the owning row array.
#include "tables/IoRow.h"

#include <gtest/gtest.h>

namespace {

// Counts destructions so that ownership can be seen.
struct CountedCell : CIoDoubleCell {
    static int alive;
    CountedCell() : CIoDoubleCell(1.0, false, false) { ++alive; }
    ~CountedCell() override { --alive; }
};
int CountedCell::alive = 0;

TEST(IoRow, Constructors) {
    CIoRow byDefault;
    EXPECT_EQ(byDefault.GetRowId(), -2);
    EXPECT_TRUE(byDefault.m_SourceListA.empty());
    CIoRow byId(7);
    EXPECT_EQ(byId.GetRowId(), 7);
    CIoRow pair(12, 3);
    EXPECT_EQ(pair.GetRowId(), 12);
    EXPECT_EQ(pair.m_SourceListA, std::vector<int>{3});
    EXPECT_EQ(pair.m_SourceListB, std::vector<int>{12});
    EXPECT_EQ(pair.m_KeyCells.GetGrowBy(), 25);
}

TEST(IoRow, ModifiedFlagsOfKeyAndDataCells) {
    CIoRow row;
    row.m_KeyCells.Add(new CIoStrCell("A", false, false));
    row.m_DataCells.Add(new CIoDoubleCell(1.0, false, false));
    EXPECT_TRUE(row.IsModified());
    row.ClearModified();
    EXPECT_FALSE(row.IsModified());
    EXPECT_TRUE(row.IsModified(true));  // the data cell is still modified
    row.ClearModified(true);
    EXPECT_FALSE(row.IsModified(true));
    row.m_DataCells.GetAt(0)->SetNumber(2.0);
    EXPECT_FALSE(row.IsModified());
    EXPECT_TRUE(row.IsModified(true));
}

TEST(IoRowArray, OwnsRowsAndCells) {
    CountedCell::alive = 0;
    {
        CIoRowArray rows;
        int r = rows.AddRow("A", false);
        rows.GetRow(r)->m_DataCells.Add(new CountedCell);
        rows.GetRow(r)->m_DataCells.Add(new CountedCell);
        rows.AddRow("B", false);
        rows.GetRow(1)->m_DataCells.Add(new CountedCell);
        EXPECT_EQ(CountedCell::alive, 3);
        rows.RemoveAt(0);
        EXPECT_EQ(CountedCell::alive, 1);
    }
    EXPECT_EQ(CountedCell::alive, 0);
}

TEST(IoRowArray, RowOperations) {
    CIoRowArray rows;
    EXPECT_EQ(rows.AddRow("A", false), 0);
    EXPECT_EQ(rows.AddRow("B", false, 9, 2), 1);
    EXPECT_EQ(rows.AddRow("ignored", true), 2);
    EXPECT_EQ(rows.GetKeyText(0, 0), "A");
    EXPECT_EQ(rows.GetKeyText(2, 0), "");
    EXPECT_TRUE(rows.GetKeyCell(2, 0)->IsNull());
    EXPECT_EQ(rows.GetRow(1)->GetRowId(), 9);
    EXPECT_EQ(rows.GetRow(1)->m_SourceListA, std::vector<int>{2});
    EXPECT_EQ(rows.GetRow(0)->GetRowId(), -2);

    rows.GetRow(0)->m_DataCells.Add(new CIoDoubleCell(2.5, false, false));
    rows.GetRow(0)->m_DataCells.Add(new CIoDateCell(COleDateTime(45000.0, 0), false, false));
    rows.AddBlankTextCell(0);
    EXPECT_FALSE(rows.IsNull(0, 0));
    EXPECT_STREQ(rows.GetCellTextPtr(0, 0), "2.500000");
    EXPECT_EQ(rows.GetCellDouble(0, 0), 2.5);
    EXPECT_EQ(rows.GetCellDate(0, 1).m_dt, 45000.0);
    EXPECT_EQ(rows.GetCellDouble(0, 1), -999.99);
    CIoCell* blank = rows.GetCell(0, 2);
    EXPECT_EQ(blank->GetFlags(), 0x150u);
    EXPECT_EQ(blank->GetSqlType(), SqlType::Char);
    EXPECT_TRUE(rows.IsNull(0, 2));
    EXPECT_STREQ(rows.GetCellTextPtr(0, 2), "");
}

TEST(IoRowArray, BadIndexesRaiseInvalidArgument) {
    CIoRowArray rows;
    rows.AddRow("A", false);
    rows.GetRow(0)->m_DataCells.Add(new CIoDoubleCell(1.0, false, false));
    struct Case {
        int r, c;
    } cases[] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {100, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << "," << c.c);
        EXPECT_THROW(rows.IsNull(c.r, c.c), CInvalidArgException);
        EXPECT_THROW(rows.GetCellTextPtr(c.r, c.c), CInvalidArgException);
        EXPECT_THROW(rows.GetCellDouble(c.r, c.c), CInvalidArgException);
        EXPECT_THROW(rows.GetCellDate(c.r, c.c), CInvalidArgException);
        EXPECT_THROW(rows.GetKeyText(c.r, c.c), CInvalidArgException);
    }
    EXPECT_THROW(rows.AddBlankTextCell(1), CInvalidArgException);
    EXPECT_THROW(rows.AddBlankTextCell(-1), CInvalidArgException);
    EXPECT_EQ(rows.GetRow(0)->m_DataCells.GetSize(), 1);
}

}  // namespace
