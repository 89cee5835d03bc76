// The in-memory table: dispatch by table type, status, accessors.
#include "tables/IoTable.h"
#include "tables/TableReaders.h"

#include <gtest/gtest.h>

namespace {

// What the fake reader saw, and what it answers.
struct Seen {
    int calls = 0;
    std::string source, table, keyFields, keyValues, extractColumns;
    int sourceIndex = 0;
    int status = 0;
} seen;

int FakeReader(TableReadRequest& r) {
    ++seen.calls;
    seen.source = r.description.GetSource();
    seen.table = r.description.GetTable();
    seen.keyFields = r.keyFields;
    seen.keyValues = r.keyValues;
    seen.extractColumns = r.extractColumns;
    seen.sourceIndex = r.sourceIndex;
    r.rows.RemoveAll();
    r.keyHeadings.RemoveAll();
    r.columnHeadings.RemoveAll();
    r.keyHeadings.Add(new CColumn("ROWNAMES", SqlType::Char, 0, 0, 1, nullptr));
    r.columnHeadings.Add(new CColumn("TEXT", SqlType::Char, 0, 0, 1, nullptr));
    r.columnHeadings.Add(new CColumn("X", SqlType::Double, 0, 0, 1, nullptr));
    r.columnHeadings.Add(new CColumn("D", SqlType::Date, 0, 0, 1, nullptr));
    int row = r.rows.AddRow("A", false, 3, r.sourceIndex);
    r.rows.GetRow(row)->m_DataCells.Add(new CIoStrCell("hello", false, false));
    r.rows.GetRow(row)->m_DataCells.Add(new CIoDoubleCell(2.5, false, false));
    r.rows.GetRow(row)->m_DataCells.Add(new CIoDateCell(COleDateTime(45351.0, 0), false, false));
    row = r.rows.AddRow("B", false, 4, r.sourceIndex);
    r.rows.GetRow(row)->m_DataCells.Add(new CIoStrCell("", true, false));
    r.rows.GetRow(row)->m_DataCells.Add(new CIoDoubleCell(0.0, true, false));
    r.rows.GetRow(row)->m_DataCells.Add(new CIoDateCell());
    r.results[0] = 1;
    r.results[1] = 0;
    r.results[2] = 7;
    r.sheetLabel = "Sheet1";
    r.description.m_nRowCount = r.rows.GetSize();
    return seen.status;
}

class IoTableTest : public testing::Test {
protected:
    void SetUp() override {
        seen = Seen();
        RegisterTableReader(TABLE_TYPE_DBF, FakeReader);
    }
    void TearDown() override { RegisterTableReader(TABLE_TYPE_DBF, nullptr); }
};

TEST_F(IoTableTest, TypesWithoutAReaderGiveStatusOne) {
    for (int type : {5, -1, 6, 0, 2, 10, 1000}) {
        SCOPED_TRACE(type);
        CIoTable t("book.xls", "Sheet1", "ROWNAMES", "*", "*", type);
        EXPECT_EQ(t.GetStatus(), 1);
        EXPECT_EQ(t.GetRowCount(), 0);
        EXPECT_EQ(t.GetColumnCount(), 0);
        EXPECT_EQ(t.m_strSourceText, "book.xls");
        EXPECT_EQ(t.m_strTableText, "Sheet1");
    }
    EXPECT_EQ(seen.calls, 0);
}

TEST_F(IoTableTest, ReadDispatchesToTheRegisteredEntry) {
    CIoTable t("file.dbf", "T", "ROWNAMES", "A*", "*", TABLE_TYPE_DBF, "two", "three", "four", "five");
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.source, "file.dbf");
    EXPECT_EQ(seen.table, "T");
    EXPECT_EQ(seen.keyFields, "ROWNAMES");
    EXPECT_EQ(seen.keyValues, "A*");
    EXPECT_EQ(seen.extractColumns, "*");
    EXPECT_EQ(seen.sourceIndex, -1);
    EXPECT_EQ(t.GetStatus(), 0);
    EXPECT_EQ(t.m_Description.m_nInUse, 1);
    EXPECT_EQ(t.m_Description.GetString(5), "five");
    EXPECT_EQ(t.m_Description.m_nRowCount, 2);
    EXPECT_EQ(t.m_strSheetLabel, "Sheet1");
    EXPECT_EQ(t.m_nReaderResults[2], 7);
}

TEST_F(IoTableTest, StatusOfTheReaderIsKept) {
    for (int status : {0, 1, 2, 4, 21}) {
        seen.status = status;
        CIoTable t("f", "", "", "", "*", TABLE_TYPE_DBF);
        EXPECT_EQ(t.GetStatus(), status);
    }
}

TEST_F(IoTableTest, DescriptionForms) {
    CIoTableDescription d;
    d.SetString(0, "copy.dbf");
    d.m_nTableType = TABLE_TYPE_DBF;
    d.m_nRowCount = 99;
    CIoTable a(d, "ROWNAMES", "*", "X");
    EXPECT_EQ(seen.source, "copy.dbf");
    EXPECT_EQ(seen.extractColumns, "X");
    EXPECT_EQ(a.m_Description.m_nInUse, 1);
    EXPECT_EQ(d.m_nInUse, 0);  // the caller's description is copied, not adopted
    CIoTable b(d, "*");
    EXPECT_EQ(seen.keyFields, "");
    EXPECT_EQ(seen.keyValues, "");
    EXPECT_EQ(seen.calls, 2);

    CIoTable c(static_cast<CDatabase*>(nullptr), "db", "ROWNAMES", "*", "*", TABLE_TYPE_DBF, "label");
    EXPECT_EQ(c.m_Description.GetString(7), "label");
    EXPECT_EQ(seen.source, "db");
}

TEST_F(IoTableTest, Accessors) {
    CIoTable t("f", "", "ROWNAMES", "*", "*", TABLE_TYPE_DBF);
    ASSERT_EQ(t.GetRowCount(), 2);
    ASSERT_EQ(t.GetColumnCount(), 3);
    EXPECT_EQ(t.GetColumnName(1), "X");
    EXPECT_EQ(t.GetColumnType(2), SqlType::Date);
    EXPECT_EQ(t.FindColumn("X"), 1);
    EXPECT_EQ(t.FindColumn("x"), -1);
    EXPECT_EQ(t.FindColumn("ROWNAMES"), -1);  // a key column, not a data column
    EXPECT_EQ(t.GetRowName(0), "A");
    EXPECT_EQ(t.GetRowName(1, 0), "B");
    EXPECT_FALSE(t.IsNull(0, 1));
    EXPECT_TRUE(t.IsNull(1, 1));
    EXPECT_STREQ(t.GetValueText(0, 0), "hello");
    EXPECT_EQ(t.GetValueNumber(0, 1), 2.5);
    EXPECT_EQ(t.GetValueNumber(0, 0), 0.0);  // atoi of "hello"
    EXPECT_EQ(t.GetDateValue(0, 2).m_dt, 45351.0);
    EXPECT_EQ(t.GetDateValue(0, 1).m_dt, 0.0);

    EXPECT_THROW(t.GetColumnName(3), CInvalidArgException);
    EXPECT_THROW(t.GetColumnType(-1), CInvalidArgException);
    EXPECT_THROW(t.GetRowName(2), CInvalidArgException);
    EXPECT_THROW(t.GetRowName(0, 1), CInvalidArgException);
    EXPECT_THROW(t.IsNull(0, 3), CInvalidArgException);
    EXPECT_THROW(t.GetValueText(-1, 0), CInvalidArgException);
    EXPECT_THROW(t.GetValueNumber(2, 0), CInvalidArgException);
    EXPECT_THROW(t.GetDateValue(0, 5), CInvalidArgException);
}

TEST(TableReaders, RegistrationAndRemoval) {
    EXPECT_EQ(FindTableReader(8), nullptr);
    RegisterTableReader(8, FakeReader);
    EXPECT_EQ(FindTableReader(8), &FakeReader);
    RegisterTableReader(8, nullptr);
    EXPECT_EQ(FindTableReader(8), nullptr);
}

}  // namespace
