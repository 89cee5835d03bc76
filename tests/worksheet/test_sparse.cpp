// A sheet whose extent is far larger than its cells: locating the table and
// typing its columns walk the cells that exist, so the cost is that of the
// cells, not of every position of the claimed extent.
#include "WorksheetSupport.h"

#include "interface/CaseTable.h"
#include "interface/TableArray.h"

#include "sources/WorkbookCache.h"
#include "sources/workbook/WksIO.h"
#include "tables/SqlType.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Names = std::vector<std::string>;

struct SparseCase;
void PrintTo(const SparseCase& c, std::ostream* out);

struct SparseCase {
    const char* what;
    std::function<void(Biff3Sheet&)> cells;
    int headerRow;
    Names columns;
    std::vector<int> types;
    Names rows;
};

void PrintTo(const SparseCase& c, std::ostream* out) { *out << c.what; }

class SparseSheetTest : public ::testing::TestWithParam<SparseCase> {
protected:
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_P(SparseSheetTest, OpeningCostsTheCellsThatExist) {
    const SparseCase& c = GetParam();
    Biff3Sheet sheet;
    sheet.Dimensions(16384, 256);  // the claim: 4 million positions
    c.cells(sheet);
    const std::string path = TempFile("sparse.xls");
    sheet.Write(path);

    SheetSource s;
    ASSERT_TRUE(s.Open(path, "")) << s.log.str();
    ASSERT_NE(s.table.GetWorkbook(), nullptr);
    // A few lookups per cell that exists; one per position would be millions.
    EXPECT_LT(s.table.GetWorkbook()->GetCellLookups(), 200u) << c.what;
    EXPECT_EQ(s.table.GetHeaderRow(), c.headerRow) << c.what;
    EXPECT_EQ(s.ColumnNames(), c.columns) << c.what;
    EXPECT_EQ(s.ColumnTypes(), c.types) << c.what;
    ASSERT_TRUE(s.Extract("ROWNAMES", "A")) << s.log.str();
    EXPECT_EQ(s.RowNames(), c.rows) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Worksheet, SparseSheetTest,
    ::testing::Values(
        SparseCase{"heading row below thousands of empty rows",
                   [](Biff3Sheet& s) {
                       s.Label(9000, 1, "X").Label(9001, 0, "A").Number(9001, 1, 1.5);
                   },
                   9000, Names{"ROWNAMES", "X"}, {SqlType::Char, SqlType::Double}, Names{"A"}},
        SparseCase{"heading row after comment rows and empty rows",
                   [](Biff3Sheet& s) {
                       s.Label(0, 0, "* note").Label(5000, 0, "* another").Label(12000, 0, "ROWNAMES");
                       s.Label(12000, 1, "X").Label(12001, 0, "A").Label(12001, 1, "text");
                   },
                   12000, Names{"ROWNAMES", "X"}, {SqlType::Char, SqlType::Char}, Names{"A"}},
        SparseCase{"a column typed by a cell far down",
                   [](Biff3Sheet& s) {
                       s.Label(0, 0, "ROWNAMES").Label(0, 1, "X").Label(0, 2, "Y");
                       s.Label(1, 0, "A").Number(1, 2, 4);
                       s.Label(15000, 0, "B").Label(15000, 1, "far");
                   },
                   0, Names{"ROWNAMES", "X", "Y"}, {SqlType::Char, SqlType::Char, SqlType::Double}, Names{"A"}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// The case table of a sheet with a value at each end of a large extent: the
// array is the used area, and filling it reads the two cells, not the millions
// of empty positions between them.
TEST(SparseCaseTable, ReadsTheCellsThatExist) {
    Biff3Sheet sheet;
    sheet.Dimensions(65535, 256);
    sheet.Label(0, 0, "CASE").Number(20000, 200, 7);
    const std::string path = TempFile("sparse-case.xls");
    sheet.Write(path);
    TWksIO workbook;
    ASSERT_TRUE(workbook.Open(path.c_str(), "", WKS_OPEN_NO_APPLICATION));
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(dulo::BuildCaseTable(workbook, &result), 0);
    EXPECT_LT(workbook.GetCellLookups(), 20u);
    ASSERT_EQ(result.vt, VT_ARRAY | VT_VARIANT);
    LONG upper = -1;
    SafeArrayGetUBound(result.parray, 1, &upper);
    EXPECT_EQ(upper, 20000 + 2) << "rows up to the last cell, + 2";
    SafeArrayGetUBound(result.parray, 2, &upper);
    EXPECT_EQ(upper, 200 + 2);
    // Both cells are kept rows, packed from row 0.
    LONG at[2] = {1, 200};
    VARIANT element;
    VariantInit(&element);
    ASSERT_EQ(SafeArrayGetElement(result.parray, at, &element), S_OK);
    EXPECT_EQ(element.vt, VT_R8);
    EXPECT_EQ(element.dblVal, 7.0);
    VariantClear(&element);
    VariantClear(&result);
}

}  // namespace
