// Reading rows: key selection and ranges, the cells made from each kind of
// sheet cell, and the warnings of the extraction.
#include "WorksheetSupport.h"

#include "sources/WorkbookCache.h"
#include "tables/SqlType.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace {

using Names = std::vector<std::string>;

class ExtractTest : public ::testing::Test {
protected:
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_F(ExtractTest, ModelTableSelectsNamedRowsAndVisibleColumns) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), "Plain"));
    ASSERT_TRUE(s.Extract("ROWNAMES", "*"));
    EXPECT_EQ(s.RowNames(), (Names{"R1", "R2", "R3"}));
    EXPECT_TRUE(s.Logged("Row 5 with all empty key values skipped.")) << s.log.str();
    EXPECT_FALSE(s.table.IsWarningRaised());

    Names headings;
    for (const CColumn* c : s.columnHeadings) headings.push_back(c->m_strName);
    EXPECT_EQ(headings, (Names{"ROWNAMES", "TEXT", "X", "Price", "PRICE", "DATE", "Mixed", "Late"}));
    ASSERT_EQ(s.keyHeadings.GetSize(), 1);
    EXPECT_EQ(s.keyHeadings[0]->m_strName, "ROWNAMES");
    EXPECT_EQ(s.columnHeadings[7]->m_nOrdinal, 8) << "the hidden column is skipped, ordinals stay the sheet's";

    // Rows carry the sheet row and the source index; cells their origin.
    const int sheetRows[] = {1, 3, 5};
    for (int r = 0; r < 3; ++r) {
        const CIoRow* row = s.rows[r];
        EXPECT_EQ(row->GetRowId(), sheetRows[r]);
        EXPECT_EQ(row->m_SourceListA, std::vector<int>{0});
        ASSERT_EQ(row->m_DataCells.GetSize(), 8);
        ASSERT_EQ(row->m_KeyCells.GetSize(), 1);
        for (int c = 0; c < 8; ++c) {
            const CIoCell* cell = row->m_DataCells[c];
            EXPECT_EQ(cell->GetSourceRow(), sheetRows[r]);
            EXPECT_EQ(cell->GetSourceColumn(), s.columnHeadings[c]->m_nOrdinal);
            EXPECT_EQ(cell->GetSourceIndex(), 0);
            EXPECT_EQ(cell->GetName(), "");
            EXPECT_FALSE(cell->IsMarked());
        }
    }
}

// One expected cell: its class, whether it is null, and its value.
struct CellCase {
    const char* sheet;
    int row;     // index into the extracted rows
    int column;  // index into the data columns
    int kind;    // the cell's SQL type
    bool null;
    const char* text;  // the text of a text cell, or nullptr
    double value;      // a number, or the OLE date of a date cell
};

class CellTest : public ::testing::TestWithParam<CellCase> {
protected:
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_P(CellTest, CellMadeByColumnTypeAndCellKind) {
    const CellCase& c = GetParam();
    SheetSource s;
    std::string file = std::string(c.sheet) == "Plain" ? "layouts.xls" : "selection.xls";
    ASSERT_TRUE(s.Open(WorksheetFixture(file), c.sheet));
    ASSERT_TRUE(s.Extract("ROWNAMES", "*"));
    ASSERT_LT(c.row, s.rows.GetSize());
    const CIoCell* cell = s.rows.GetCell(c.row, c.column);
    EXPECT_EQ(cell->GetSqlType(), c.kind);
    EXPECT_EQ(cell->IsNull(), c.null);
    if (c.null) return;
    if (c.text) EXPECT_STREQ(cell->GetString(), c.text);
    else if (c.kind == SqlType::Double) EXPECT_DOUBLE_EQ(cell->GetDouble(), c.value);
    else {
        EXPECT_DOUBLE_EQ(cell->GetDate().m_dt, c.value);
        EXPECT_EQ(cell->GetDate().m_status, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, CellTest,
    ::testing::Values(
        // Plain: ROWNAMES TEXT X Price PRICE DATE Mixed Late; rows R1 R2 R3.
        CellCase{"Plain", 0, 1, SqlType::Char, false, "first", 0},
        CellCase{"Plain", 1, 1, SqlType::Char, false, "second", 0},
        CellCase{"Plain", 0, 2, SqlType::Double, false, nullptr, 1.5},
        CellCase{"Plain", 2, 2, SqlType::Double, true, nullptr, 0},    // empty
        CellCase{"Plain", 2, 3, SqlType::Double, true, nullptr, 0},    // text in a number column
        CellCase{"Plain", 2, 4, SqlType::Double, false, nullptr, 7},   // PRICE is decimal, held as double
        CellCase{"Plain", 0, 5, SqlType::Date, false, nullptr, 45000},  // date-formatted number
        CellCase{"Plain", 2, 5, SqlType::TimeStamp, true, nullptr, 0},  // empty date cell
        CellCase{"Plain", 0, 6, SqlType::Char, false, "word", 0},
        CellCase{"Plain", 1, 6, SqlType::Char, true, nullptr, 0},     // number in a text column
        CellCase{"Plain", 1, 7, SqlType::Double, false, nullptr, 8},
        // Types: ROWNAMES Price PRICE COST TEXT Dt Tm starttime DATETIMEID Late Txt StopDate datetimeid.
        CellCase{"Types", 0, 5, SqlType::Date, false, nullptr, 45000},
        CellCase{"Types", 1, 5, SqlType::TimeStamp, true, nullptr, 0},  // text in a date column
        CellCase{"Types", 0, 6, SqlType::Time, false, nullptr, 0.5},
        CellCase{"Types", 0, 7, SqlType::TimeStamp, false, nullptr, 0.25},  // plain number in a time column
        CellCase{"Types", 0, 8, SqlType::TimeStamp, false, nullptr, 45000.5},
        CellCase{"Types", 0, 11, SqlType::Time, false, nullptr, 0.75},  // the cell's kind, not the column's
        CellCase{"Types", 1, 4, SqlType::Char, true, nullptr, 0},      // number under TEXT
        CellCase{"Types", 1, 9, SqlType::Double, false, nullptr, 7},
        CellCase{"Types", 1, 10, SqlType::Char, false, "abc", 0},
        // Formula: ROWNAMES V Flag DATE; values come from the formulas' cached results.
        CellCase{"Formula", 0, 0, SqlType::Char, false, "F1", 0},
        CellCase{"Formula", 0, 1, SqlType::Double, false, nullptr, 2},
        CellCase{"Formula", 1, 2, SqlType::Double, true, nullptr, 0},    // logical result
        CellCase{"Formula", 0, 3, SqlType::TimeStamp, false, nullptr, 45000},  // plain number under DATE
        CellCase{"Formula", 1, 3, SqlType::TimeStamp, true, nullptr, 0}));  // error result

TEST_F(ExtractTest, DateFormattedNumberInANumberColumnKeepsItsValue) {
    // A date display format on one cell of a numeric column must not lose the number.
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("selection.xls"), "Types"));
    // Make the column numeric, as when an earlier row had decided its type.
    s.table.m_Columns[s.table.FindColumn("Dt")]->m_nSqlType = SqlType::Double;
    ASSERT_TRUE(s.Extract("ROWNAMES", "*", "ROWNAMES,Dt"));
    const CIoCell* cell = s.rows.GetCell(0, 1);
    EXPECT_EQ(cell->GetSqlType(), SqlType::Double);
    ASSERT_FALSE(cell->IsNull());
    EXPECT_DOUBLE_EQ(cell->GetDouble(), 45000);
}

TEST_F(ExtractTest, FormulaKeyCellsAreMarkedAndErrorDatesWarned) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("selection.xls"), "Formula"));
    ASSERT_TRUE(s.Extract("ROWNAMES", "*"));
    ASSERT_EQ(s.RowNames(), (Names{"F1", "F2"}));
    EXPECT_TRUE(s.rows[0]->m_KeyCells[0]->IsMarked());
    EXPECT_FALSE(s.rows[1]->m_KeyCells[0]->IsMarked());
    EXPECT_FALSE(s.rows[0]->m_DataCells[0]->IsMarked()) << "data cells are never marked";
    EXPECT_TRUE(s.Logged("Invalid date/time cell encountered in row 3 col 4.")) << s.log.str();
    EXPECT_TRUE(s.table.m_nSourceResults[0]) << "the sheet holds formulas";
}

struct KeyCase {
    const char* name;
    const char* keyFields;
    const char* keyValues;
    Names rows;
    bool warningFlag;
};

class KeySelectionTest : public ::testing::TestWithParam<KeyCase> {
protected:
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_P(KeySelectionTest, SelectsMatchingRows) {
    const KeyCase& c = GetParam();
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("selection.xls"), "Keys"));
    ASSERT_TRUE(s.Extract(c.keyFields, c.keyValues)) << s.log.str();
    Names got;
    // Rows are identified by their ROWNAMES data cell: key cells depend on the key fields.
    for (int r = 0; r < s.rows.GetSize(); ++r) got.push_back(s.rows.GetCell(r, 0)->GetText());
    EXPECT_EQ(got, c.rows);
    EXPECT_EQ(s.table.IsWarningRaised(), c.warningFlag);
    EXPECT_EQ(s.Logged("No Match for Source Key Value."), c.rows.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeySelectionTest,
    ::testing::Values(
        KeyCase{"All", "ROWNAMES", "*", {"Alpha", "Beta", "Mike", "M", "Zulu", "A"}, false},
        KeyCase{"NoKeysSelectsEveryRow", "", "", {"Alpha", "Beta", "Mike", "M", "Zulu", "A"}, false},
        // A range is inclusive and byte-wise: "Mike" sorts after "M".
        KeyCase{"Range", "ROWNAMES", "A...M", {"Alpha", "Beta", "M", "A"}, false},
        KeyCase{"OpenLow", "ROWNAMES", "...B", {"Alpha", "A"}, false},
        KeyCase{"OpenHigh", "ROWNAMES", "N...", {"Zulu"}, false},
        KeyCase{"Star", "ROWNAMES", "B*", {"Beta"}, false},
        KeyCase{"Question", "ROWNAMES", "?", {"M", "A"}, false},
        KeyCase{"CaseSensitive", "ROWNAMES", "alpha", {}, false},
        KeyCase{"TwoKeys", "ROWNAMES,KIND", "*,x", {"Alpha", "Mike", "Zulu", "A"}, false},
        KeyCase{"SecondKeyOnly", "KIND", "y", {"Beta", "M"}, false},
        KeyCase{"PlaceholderKeyIsNotCompared", "ROWNAMES,,KIND", "*,zzz,y", {"Beta", "M"}, false},
        KeyCase{"NoMatch", "ROWNAMES", "Q*", {}, false},
        // CODE is numeric (its first cell is 10); the text "forty" does not fit it.
        KeyCase{"MisfitKeyCellRaisesTheWarning", "CODE", "*", {"Alpha", "Beta", "Mike", "M", "Zulu", "A"}, true},
        KeyCase{"NumericKeyText", "CODE", "20", {"Beta"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractTest, PlaceholderKeyFieldGivesEmptyHeadingAndNullKeyCell) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("selection.xls"), "Keys"));
    ASSERT_TRUE(s.Extract("ROWNAMES,,KIND", "*,*,x"));
    ASSERT_EQ(s.keyHeadings.GetSize(), 3);
    EXPECT_EQ(s.keyHeadings[1]->m_strName, "");
    EXPECT_EQ(s.keyHeadings[1]->m_nSqlType, 0);
    ASSERT_GT(s.rows.GetSize(), 0);
    const CIoCell* placeholder = s.rows[0]->m_KeyCells[1];
    EXPECT_EQ(placeholder->GetSqlType(), SqlType::Char);
    EXPECT_TRUE(placeholder->IsNull());
    EXPECT_FALSE(placeholder->IsMarked());
    EXPECT_EQ(s.rows[0]->m_KeyCells[2]->GetText(), "x");
}

struct FailureCase {
    const char* name;
    const char* keyFields;
    const char* keyValues;
    const char* extractColumns;
    Names messages;
};

class ExtractFailureTest : public ::testing::TestWithParam<FailureCase> {
protected:
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_P(ExtractFailureTest, FailsWithItsMessages) {
    const FailureCase& c = GetParam();
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("selection.xls"), "Keys"));
    EXPECT_FALSE(s.Extract(c.keyFields, c.keyValues, c.extractColumns));
    for (const auto& m : c.messages) EXPECT_TRUE(s.Logged(m)) << m << "\n" << s.log.str();
    EXPECT_EQ(s.rows.GetSize(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ExtractFailureTest,
    ::testing::Values(
        FailureCase{"KeyCountMismatch", "ROWNAMES", "a,b", "*",
                    {"The number of Key Fields does not match the number of Key Values."}},
        FailureCase{"UnknownKeyField", "NOPE", "*", "*",
                    {"[NOPE] KeyField not Found. ", "Key Fields are incorrectly specified."}},
        FailureCase{"KeyValuesMissing", "ROWNAMES", "", "*",
                    {"No Key Values Specified.", "Key Fields are incorrectly specified."}},
        FailureCase{"UnknownExtractColumn", "ROWNAMES", "*", "V,NOPE", {"Can Not Find Extract Column [NOPE]."}},
        FailureCase{"NoExtractColumns", "ROWNAMES", "*", "", {"No Extract Columns Specified."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WorksheetKeyMatch, RangesAndWildcards) {
    CIOOptions options;
    CWksTbl t(nullptr, &options);
    struct {
        const char* text;
        const char* pattern;
        bool match;
    } cases[] = {
        {"A", "A...M", true},      {"M", "A...M", true},     {"Kilo", "A...M", true},
        {"Mike", "A...M", false},  {"", "A...M", false},     {"a", "A...M", false},
        {"\xC3\xA9", "A...z", false},  // bytes above 0x7F sort after ASCII
        {"", "...M", true},        {"Z", "M...", true},       {"anything", "...", true},
        {"", "*", true},           {"abc", "a?c", true},      {"ac", "a?c", false},
        {"abc", "A*", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.MatchKeyValue(c.text, c.pattern), c.match) << c.text << " / " << c.pattern;
}

}  // namespace
