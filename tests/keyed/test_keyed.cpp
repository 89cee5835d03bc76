// The model-table reader: one source, several workbooks merged by row name,
// conflicts, exempt tables and event tables.
#include "platform/Messages.h"
#include "sources/TableSources.h"
#include "sources/WorkbookCache.h"
#include "tables/DuloIoTable.h"
#include "tables/SqlType.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using Names = std::vector<std::string>;

std::string Fixture(const std::string& name) { return std::string(DULO_FIXTURES) + "/worksheet/" + name; }

class KeyedTest : public ::testing::Test {
protected:
    void SetUp() override {
        dulo::SetUpTableSources();
        dulo::SetMessageSink(&KeyedTest::Capture, &messages, true);
    }
    void TearDown() override {
        dulo::SetMessageSink(nullptr, nullptr, true);
        dulo::WorkbookCache::Empty();
    }
    static void Capture(const char*, const char* text, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(text);
    }

    // Reads table from keyA.xls (sheet firstSheet) and keyB.xls (sheet secondSheet).
    static std::unique_ptr<CDuloIoTable> ReadPair(const char* table, const char* firstSheet, const char* secondSheet) {
        return std::make_unique<CDuloIoTable>(table, Names{Fixture("keyA.xls"), Fixture("keyB.xls")},
                                              Names{firstSheet, secondSheet}, "ROWNAMES", "*", "*", 0);
    }
    static Names RowNames(const CIoTable& t) {
        Names names;
        for (int r = 0; r < t.GetRowCount(); ++r) names.push_back(t.GetRowName(r));
        return names;
    }
    static Names ColumnNames(const CIoTable& t) {
        Names names;
        for (int c = 0; c < t.GetColumnCount(); ++c) names.push_back(t.GetColumnName(c));
        return names;
    }

    std::vector<std::string> messages;
};

TEST_F(KeyedTest, SingleSourceReadsModelTable) {
    CDuloIoTable t(Fixture("keyA.xls").c_str(), "Data", 0);
    ASSERT_EQ(t.GetStatus(), 0);
    EXPECT_EQ(RowNames(t), (Names{"A", "B", "C"}));
    EXPECT_EQ(t.GetTextColumn(), 2);
    EXPECT_EQ(t.GetDisplayName(), Fixture("keyA.xls") + "[Data]");

    CDuloIoTable first(Fixture("keyA.xls").c_str(), "", 0);
    EXPECT_EQ(first.GetStatus(), 0);
    EXPECT_EQ(first.GetDisplayName(), Fixture("keyA.xls")) << "no table text, no brackets";
    EXPECT_EQ(first.GetTextColumn(), 2);
}

TEST_F(KeyedTest, MergesAgreeingWorkbooks) {
    auto t = ReadPair("BOUNDS", "Data", "Same");
    ASSERT_EQ(t->GetStatus(), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(RowNames(*t), (Names{"A", "B", "C", "D"}));
    EXPECT_EQ(ColumnNames(*t), (Names{"ROWNAMES", "X", "TEXT", "DATE", "Only1", "New"}));
    EXPECT_EQ(t->m_Descriptions.GetSize(), 2);
    EXPECT_EQ(t->m_strTableText, "Data");
    EXPECT_EQ(t->GetTextColumn(), 2);

    // Within 1e-6 and within half a second: the later value replaces the first.
    EXPECT_DOUBLE_EQ(t->GetValueNumber(0, 1), 1.0000005);
    EXPECT_EQ(t->m_Rows.GetCell(0, 1)->GetSourceIndex(), 1);
    EXPECT_DOUBLE_EQ(t->GetDateValue(0, 3).m_dt, 45000.25000462963);
    // TEXT differs without a conflict; the later text wins.
    EXPECT_STREQ(t->GetValueText(0, 2), "uno");
    // A row of the first workbook only has a placeholder in the second's new column.
    EXPECT_TRUE(t->IsNull(1, 5));
    EXPECT_TRUE(t->m_Rows.GetCell(1, 5)->IsBlank());
    EXPECT_DOUBLE_EQ(t->GetValueNumber(0, 5), 7);
    // A row of the second workbook only has a placeholder in the first's columns.
    EXPECT_TRUE(t->IsNull(3, 4));
    EXPECT_DOUBLE_EQ(t->GetValueNumber(3, 1), 4);
    EXPECT_EQ(t->m_Rows.GetRow(3)->m_SourceListA, std::vector<int>{1});
    // A row given by both lists both sources.
    EXPECT_EQ(t->m_Rows.GetRow(0)->m_SourceListA, (std::vector<int>{0, 1}));
    EXPECT_EQ(t->m_Rows.GetRow(0)->m_SourceListB, (std::vector<int>{1, 1}));
}

struct ConflictCase {
    const char* name;
    const char* table;
    const char* secondSheet;
    int status;
    const char* column;  // the conflicting column, or nullptr when none is reported
    double kept;         // X or DATE of row A afterwards
};

class ConflictTest : public KeyedTest, public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(ConflictTest, ConflictsFailUnlessTheTableIsExempt) {
    const ConflictCase& c = GetParam();
    auto t = ReadPair(c.table, "Data", c.secondSheet);
    EXPECT_EQ(t->GetStatus(), c.status);
    if (c.column) {
        ASSERT_EQ(messages.size(), 1u);
        std::string expected = "Duplicate coefficient in table " + Fixture("keyB.xls") + "[" + c.secondSheet +
                               "] for row A column " + c.column;
        EXPECT_EQ(messages[0], expected);
    } else {
        EXPECT_TRUE(messages.empty());
    }
    int column = t->FindColumn(std::string(c.secondSheet) == "DateFar" ? "DATE" : "X");
    ASSERT_GE(column, 0);
    double value = column == 1 ? t->GetValueNumber(0, column) : t->GetDateValue(0, column).m_dt;
    EXPECT_DOUBLE_EQ(value, c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ConflictTest,
    ::testing::Values(ConflictCase{"Bounds", "BOUNDS", "Conflict", 29, "X", 1.0},
                      ConflictCase{"Pguess", "PGUESS", "Conflict", 0, nullptr, 1.0},
                      ConflictCase{"PguessLowerCase", "pguess", "Conflict", 0, nullptr, 1.0},
                      ConflictCase{"Pdist", "Pdist", "Conflict", 0, nullptr, 1.0},
                      ConflictCase{"Ncrdcuts", "NCRDCUTS", "Conflict", 0, nullptr, 1.0},
                      ConflictCase{"Testrun", "TestRun", "Conflict", 0, nullptr, 1.0},
                      ConflictCase{"DateMoreThanHalfSecond", "BOUNDS", "DateFar", 29, "DATE", 45000.25},
                      ConflictCase{"DateExempt", "PDIST", "DateFar", 0, nullptr, 45000.25}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyedTest, ConflictKeepsWhatWasMergedBefore) {
    // Row B of the second sheet agrees and is merged before row A conflicts.
    auto t = ReadPair("BOUNDS", "Data", "Conflict");
    ASSERT_EQ(t->GetStatus(), 29);
    EXPECT_EQ(t->m_Rows.GetRow(1)->m_SourceListA, (std::vector<int>{0, 1}));
    EXPECT_EQ(t->m_strTableText, "Data");
}

TEST_F(KeyedTest, MessagesFollowTheSwitch) {
    dulo::SetMessageSink(&KeyedTest::Capture, &messages, false);
    auto t = ReadPair("BOUNDS", "Data", "Conflict");
    EXPECT_EQ(t->GetStatus(), 29);
    EXPECT_TRUE(messages.empty());
}

struct EventCase {
    const char* name;
    const char* table;
    const char* secondSheet;
    int status;
    Names rows;
    size_t messages;
};

class EventTest : public KeyedTest, public ::testing::WithParamInterface<EventCase> {};

TEST_P(EventTest, EventRowsStandSideBySide) {
    const EventCase& c = GetParam();
    auto t = ReadPair(c.table, "Event", c.secondSheet);
    EXPECT_EQ(t->GetStatus(), c.status);
    EXPECT_EQ(RowNames(*t), c.rows);
    ASSERT_EQ(messages.size(), c.messages);
    if (c.messages) {
        EXPECT_EQ(messages[0], "Duplicate coefficient in table " + Fixture("keyB.xls") + "[" + c.secondSheet +
                                   "] for row TANK1 column Date");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, EventTest,
    ::testing::Values(
        EventCase{"SameDate", "RECEIVE", "Event", 0, {"TANK1", "TANK2", "TANK1", "TANK3"}, 1},
        EventCase{"AnyCase", "Ship", "Event", 0, {"TANK1", "TANK2", "TANK1", "TANK3"}, 1},
        EventCase{"OtherDate", "SHIP", "EventOther", 0, {"TANK1", "TANK2", "TANK1"}, 0},
        // Not an event table: the same rows merge by name and the quantities conflict.
        EventCase{"KeyedTable", "BOUNDS", "EventOther", 29, {"TANK1", "TANK2"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyedTest, EventRowKeepsItsOwnValues) {
    auto t = ReadPair("RECEIVE", "Event", "Event");
    ASSERT_EQ(t->GetRowCount(), 4);
    int qty = t->FindColumn("Qty");
    EXPECT_DOUBLE_EQ(t->GetValueNumber(0, qty), 10);
    EXPECT_DOUBLE_EQ(t->GetValueNumber(2, qty), 11);
}

TEST_F(KeyedTest, EmptyListOrFlagFails) {
    CDuloIoTable none("BOUNDS", {}, {}, "ROWNAMES", "*", "*", 0);
    EXPECT_EQ(none.GetStatus(), 1);
    EXPECT_EQ(none.GetRowCount(), 0);
    EXPECT_EQ(none.GetColumnCount(), 0);
    EXPECT_EQ(none.GetDisplayName(), "");

    CDuloIoTable flagged("BOUNDS", {Fixture("keyA.xls")}, {"Data"}, "ROWNAMES", "*", "*", 1);
    EXPECT_EQ(flagged.GetStatus(), 1);
    EXPECT_EQ(flagged.GetRowCount(), 0);
    EXPECT_EQ(flagged.m_Descriptions.GetSize(), 0);
}

TEST_F(KeyedTest, ShortSheetListIsAnInvalidArgument) {
    EXPECT_THROW(CDuloIoTable("BOUNDS", {Fixture("keyA.xls"), Fixture("keyB.xls")}, {"Data"}, "ROWNAMES", "*",
                              "*", 0),
                 CInvalidArgException);
}

TEST_F(KeyedTest, FirstFailingWorkbookEndsTheRead) {
    auto missingFirst = ReadPair("BOUNDS", "Nope", "Same");
    EXPECT_EQ(missingFirst->GetStatus(), 1);
    EXPECT_EQ(missingFirst->m_Descriptions.GetSize(), 1) << "the second workbook is not read";

    auto missingSecond = ReadPair("BOUNDS", "Data", "Nope");
    EXPECT_EQ(missingSecond->GetStatus(), 1);
    EXPECT_EQ(RowNames(*missingSecond), (Names{"A", "B", "C"})) << "the first workbook's rows stay";
    EXPECT_EQ(missingSecond->m_Descriptions.GetSize(), 2);
}

// A read that ends with a warning (21) has read its table: it is merged, and
// the warning is what the whole read reports.
TEST_F(KeyedTest, WarningReadIsMergedAndKeptAsTheStatus) {
    // Sheet Warn names one row by a number: the row is read (its text key is
    // empty) and the read warns.
    CDuloIoTable alone(Fixture("keyB.xls").c_str(), "Warn", 0);
    ASSERT_EQ(alone.GetStatus(), 21);
    EXPECT_EQ(RowNames(alone), (Names{"A", "D", ""}));

    auto later = ReadPair("BOUNDS", "Data", "Warn");
    EXPECT_EQ(later->GetStatus(), 21);
    EXPECT_EQ(RowNames(*later), (Names{"A", "B", "C", "D", ""})) << "the warned workbook's new rows are merged";
    const int x = later->FindColumn("X");
    ASSERT_GE(x, 0);
    EXPECT_DOUBLE_EQ(later->GetValueNumber(3, x), 4.0);

    // A warning on the first workbook does not stop the later ones either.
    auto first = std::make_unique<CDuloIoTable>("BOUNDS", Names{Fixture("keyB.xls"), Fixture("keyA.xls")},
                                                Names{"Warn", "Data"}, "ROWNAMES", "*", "*", 0);
    EXPECT_EQ(first->GetStatus(), 21);
    EXPECT_EQ(RowNames(*first), (Names{"A", "D", "", "B", "C"}));
    EXPECT_EQ(first->m_Descriptions.GetSize(), 2);

    // A failure after a warning is still a failure.
    auto failing = std::make_unique<CDuloIoTable>("BOUNDS", Names{Fixture("keyB.xls"), Fixture("keyA.xls")},
                                                  Names{"Warn", "Nope"}, "ROWNAMES", "*", "*", 0);
    EXPECT_EQ(failing->GetStatus(), 1);
}

// Merges built by hand: what the worksheet never produces.
class MergeTest : public KeyedTest {
protected:
    void SetUp() override {
        KeyedTest::SetUp();
        table = std::make_unique<CDuloIoTable>("BOUNDS", Names{Fixture("keyA.xls")}, Names{"Data"}, "ROWNAMES", "*",
                                               "*", 0);
        ASSERT_EQ(table->GetStatus(), 0);
    }
    // Rows named names with one cell each in one column (name, type).
    static void Build(CColumnArray& columns, CIoRowArray& rows, const char* column, short type,
                      const std::vector<std::pair<std::string, CIoCell*>>& cells) {
        columns.Add(new CColumn(column, type, 8, 0, 1, nullptr));
        int id = 1;
        for (const auto& [name, cell] : cells) {
            int r = rows.AddRow(name.c_str(), false, id++, 1);
            rows.GetRow(r)->m_DataCells.Add(cell);
        }
    }

    std::unique_ptr<CDuloIoTable> table;
    CColumnArray keys, columns;
    CIoRowArray rows;
};

TEST_F(MergeTest, UnsupportedColumnTypeEndsTheMerge) {
    Build(columns, rows, "Count", SqlType::Integer, {{"A", new CIoLongCell(3, false, false)}});
    EXPECT_EQ(table->MergeKeyed(keys, columns, rows, "BOUNDS"), 30);
    CIoRowArray events;
    int r = events.AddRow("A", false, 1, 1);
    events.GetRow(r)->m_DataCells.Add(new CIoLongCell(3, false, false));
    EXPECT_EQ(table->MergeEvents(keys, columns, events), 30);
}

TEST_F(MergeTest, NullNewCellsKeepTheTablesValue) {
    Build(columns, rows, "X", SqlType::Double, {{"A", new CIoDoubleCell(0.0, true, false)}});
    EXPECT_EQ(table->MergeKeyed(keys, columns, rows, "BOUNDS"), 0);
    EXPECT_DOUBLE_EQ(table->GetValueNumber(0, 1), 1.0);
}

TEST_F(MergeTest, RowNamesColumnIsExempt) {
    Build(columns, rows, "ROWNAMES", SqlType::Char, {{"A", new CIoStrCell("other", false, false)}});
    EXPECT_EQ(table->MergeKeyed(keys, columns, rows, "BOUNDS"), 0);
    EXPECT_STREQ(table->GetValueText(0, 0), "other");
}

TEST_F(MergeTest, DatesCompareByStatus) {
    // DATE of A is valid; an invalid date conflicts, a value 0.49 s away does not.
    const double halfSecond = 0.5 / 86400.0;
    Build(columns, rows, "DATE", SqlType::Date,
          {{"A", new CIoDateCell(COleDateTime(45000.25 + 0.98 * halfSecond), false, false)}});
    EXPECT_EQ(table->MergeKeyed(keys, columns, rows, "BOUNDS"), 0);
    CColumnArray keys2, columns2;
    CIoRowArray rows2;
    Build(columns2, rows2, "DATE", SqlType::Date,
          {{"A", new CIoDateCell(COleDateTime(0.0, COleDateTime::invalid), false, false)}});
    EXPECT_EQ(table->MergeKeyed(keys2, columns2, rows2, "BOUNDS"), 29);
}

// A merged cell is what the column's type makes of the new cell, whether the
// merge moves the cell over or converts a copy; the new rows' cells are gone
// once the merge is done.
struct CountedDouble : CIoDoubleCell {
    static int alive;
    explicit CountedDouble(double v) : CIoDoubleCell(v, false, false) { ++alive; }
    ~CountedDouble() override { --alive; }
};
int CountedDouble::alive = 0;

TEST_F(MergeTest, MergedCellsTakeTheColumnsKindAndTheNewRowsAreEmptied) {
    auto cutText = [] {
        auto* cell = new CIoStrCell("", false, false);
        cell->m_strValue = std::string("cut\0here", 8);
        return cell;
    };
    struct Case {
        const char* name;
        short type;
        std::function<CIoCell*()> make;
        int kind;
        const char* text;
    } cases[] = {
        {"text", SqlType::Char, [] { return new CIoStrCell("plain", false, false); }, SqlType::Char, "plain"},
        {"text cut at its NUL", SqlType::Char, cutText, SqlType::Char, "cut"},
        {"number", SqlType::Double, [] { return new CIoDoubleCell(2.5, false, false); }, SqlType::Double, "2.500000"},
        {"marked number", SqlType::Double, [] { return new CIoDoubleCell(2.5, false, true); }, SqlType::Double,
         "2.500000"},
        {"named number", SqlType::Double, [] { return new CIoDoubleCell(2.5, "NAME", false, false, 1); },
         SqlType::Double, "2.500000"},
        {"integer into a number column", SqlType::Double, [] { return new CIoLongCell(7, false, false); },
         SqlType::Double, "7.000000"},
        {"caller's subclass", SqlType::Double, [] { return new CountedDouble(4.0); }, SqlType::Double, "4.000000"},
        {"timestamp into a date column", SqlType::Date,
         [] { return new CIoTimeStampCell(45000.75, false, false); }, SqlType::Date, "2023-03-15"},
        {"timestamp", SqlType::TimeStamp, [] { return new CIoTimeStampCell(45000.75, false, false); },
         SqlType::TimeStamp, "2023-03-15 18:00:00"},
        {"time", SqlType::Time, [] { return new CIoTimeCell(0.25, false, false); }, SqlType::Time, "06:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountedDouble::alive = 0;
        CColumnArray newKeys, newColumns;
        CIoRowArray newRows;
        CIoCell* cell = c.make();
        cell->SetSourceRow(77);
        cell->SetSourceColumn(3);
        const std::string column = std::string("NEW ") + c.name;
        Build(newColumns, newRows, column.c_str(), c.type, {{std::string("ROW ") + c.name, cell}});
        ASSERT_EQ(table->MergeKeyed(newKeys, newColumns, newRows, "BOUNDS"), 0);

        const int r = table->GetRowCount() - 1;
        const int col = table->FindColumn(column.c_str());
        ASSERT_GE(col, 0);
        const CIoCell* merged = table->m_Rows.GetCell(r, col);
        EXPECT_EQ(merged->GetSqlType(), c.kind);
        EXPECT_EQ(merged->GetText(), c.text);
        EXPECT_EQ(merged->GetFlags(), uint32_t(CIoCell::CELL_MODIFIED));
        EXPECT_EQ(merged->GetName(), "");
        EXPECT_EQ(merged->GetSourceRow(), 77);
        EXPECT_EQ(merged->GetSourceColumn(), 3);
        const CIoCell& mergedCell = *merged;
        EXPECT_FALSE(typeid(mergedCell) == typeid(CountedDouble));
        EXPECT_EQ(CountedDouble::alive, 0) << "the new row's cell outlived the merge";
        EXPECT_EQ(newRows.GetRow(0)->m_DataCells.GetSize(), 0);
    }
}

TEST_F(MergeTest, RowLookupKeepsTheFirstMatchAtScale) {
    // A second workbook sharing 90% of many row names: each name finds its first row.
    const int n = 100000;
    CDuloIoTable big("BOUNDS", {}, {}, "ROWNAMES", "*", "*", 0);
    big.m_DataColumns.Add(new CColumn("X", SqlType::Double, 8, 0, 1, nullptr));
    for (int i = 0; i < n; ++i) {
        int r = big.m_Rows.AddRow(("R" + std::to_string(i)).c_str(), false, i, 0);
        big.m_Rows.GetRow(r)->m_DataCells.Add(new CIoDoubleCell(i, false, false));
    }
    // A repeated name inside the table: the merge must go to its first row.
    int dup = big.m_Rows.AddRow("R5", false, n, 0);
    big.m_Rows.GetRow(dup)->m_DataCells.Add(new CIoDoubleCell(-1, false, false));

    CColumnArray newColumns;
    newColumns.Add(new CColumn("X", SqlType::Double, 8, 0, 1, nullptr));
    CIoRowArray newRows;
    for (int i = n / 10; i < n + n / 10; ++i) {
        int r = newRows.AddRow(("R" + std::to_string(i)).c_str(), false, i, 1);
        newRows.GetRow(r)->m_DataCells.Add(new CIoDoubleCell(i, false, false));
    }
    int r5 = newRows.AddRow("R5", false, 0, 1);
    newRows.GetRow(r5)->m_DataCells.Add(new CIoDoubleCell(5, false, false));

    ASSERT_EQ(big.MergeKeyed(CColumnArray(), newColumns, newRows, "BOUNDS"), 0) << (messages.empty() ? "" : messages[0]);
    EXPECT_EQ(big.GetRowCount(), n + 1 + n / 10);
    EXPECT_EQ(big.m_Rows.GetRow(5)->m_SourceListA, (std::vector<int>{0, 1}));
    EXPECT_DOUBLE_EQ(big.GetValueNumber(n, 0), -1) << "the later duplicate is untouched";
    EXPECT_EQ(big.GetRowName(n + 1), "R" + std::to_string(n));
}

}  // namespace
