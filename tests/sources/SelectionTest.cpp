// Selection texts, wildcard matching and headings of the shared table source.
#include "MemoryTbl.h"

#include "platform/Messages.h"

#include <gtest/gtest.h>

namespace {

// Collects what the message sink is shown.
struct Shown {
    std::vector<std::string> texts;
    static void Sink(const char*, const char* text, void* context) {
        static_cast<Shown*>(context)->texts.push_back(text);
    }
};

class SelectionTest : public testing::Test {
protected:
    void SetUp() override {
        dulo::SetMessageSink(&Shown::Sink, &shown, true);
        grid.headings = {"ROWNAMES", "AXB", "A1B", "AB", "!HIDDEN", "ROW2", "X", "TEXT"};
        grid.records = {{"R1", "1", "2", "3", "4", "5", "6", "t"}};
        ASSERT_TRUE(source.OpenTable(description));
    }
    void TearDown() override { dulo::SetMessageSink(nullptr, nullptr, true); }

    std::vector<std::string> Selected(const CIoKeyCellArray& selection) {
        std::vector<std::string> names;
        for (const CIoKeyCell* k : selection) names.push_back(std::string(k->GetName()) + "@" + std::to_string(k->GetIndex()));
        return names;
    }

    Shown shown;
    MemoryGrid grid;
    CIOOptions options;  // errors shown by default
    CIoTableDescription description;
    CMemoryTbl source{nullptr, &options, &grid};
};

TEST(Wildcard, Matching) {
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    } cases[] = {
        {"AXB", "A?B", true},   {"A1B", "A?B", true},     {"AB", "A?B", false},     {"AXXB", "A?B", false},
        {"ROWNAMES", "ROW*", true}, {"ROW2", "ROW*", true}, {"ROW", "ROW*", true},  {"row2", "ROW*", false},
        {"", "*", true},        {"anything", "*", true},  {"", "", true},           {"a", "", false},
        {"", "?", false},       {"abc", "a*c", true},     {"ac", "a*c", true},      {"abd", "a*c", false},
        {"abcbc", "*bc", true}, {"abcbd", "*bc", false},  {"a", "a**", false},      {"ab", "a**", true},
        {"", "**", false},      {"x", "**", true},        {"ab", "*?", true},       {"", "*?", false},
        {"a*b", "a*b", true},   {"Price", "PRICE", false}, {"PRICE", "PRICE", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.match) << "'" << c.text << "' ~ '" << c.pattern << "'";
    }
    // Long runs of stars stay fast: no backtracking blow-up.
    std::string text(5000, 'a');
    std::string pattern;
    for (int i = 0; i < 200; ++i) pattern += "*a";
    pattern += "b";
    EXPECT_FALSE(WildcardMatch(text.c_str(), pattern.c_str()));
}

TEST(Selection, SplitsAtEveryCommaWithoutTrimming) {
    EXPECT_EQ(SplitSelection("a,,b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitSelection(" a , b"), (std::vector<std::string>{" a ", " b"}));
    EXPECT_EQ(SplitSelection("a,"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitSelection(""), (std::vector<std::string>{""}));
}

TEST_F(SelectionTest, ExtractPatterns) {
    struct Case {
        const char* text;
        std::vector<std::string> selected;
    } cases[] = {
        {"A?B", {"AXB@1", "A1B@2"}},
        {"*", {"ROWNAMES@0", "AXB@1", "A1B@2", "AB@3", "ROW2@5", "X@6", "TEXT@7"}},
        {"ROW*", {"ROWNAMES@0", "ROW2@5"}},
        {"X,*", {"ROWNAMES@0", "AXB@1", "A1B@2", "AB@3", "ROW2@5", "X@6", "X@6", "TEXT@7"}},
        {"!*", {}},  // "!" columns are never taken by a pattern
        {"Q*", {}},  // no match is not an error
        {"X,AB", {"X@6", "AB@3"}},
        {"!HIDDEN", {"!HIDDEN@4"}},  // but can be named
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(source.ParseExtractColumns(c.text));
        EXPECT_EQ(Selected(source.GetExtractSelection()), c.selected);
    }
    EXPECT_TRUE(shown.texts.empty());
}

TEST_F(SelectionTest, ExtractFailures) {
    EXPECT_FALSE(source.ParseExtractColumns(""));
    EXPECT_FALSE(source.ParseExtractColumns("X,NOPE"));
    EXPECT_FALSE(source.ParseExtractColumns("x"));  // case-sensitive
    EXPECT_EQ(shown.texts, (std::vector<std::string>{"No Extract Columns Specified.",
                                                     "Can Not Find Extract Column [NOPE].",
                                                     "Can Not Find Extract Column [x]."}));
}

TEST_F(SelectionTest, KeyFields) {
    ASSERT_TRUE(source.ParseKeyFields("ROWNAMES,,TEXT"));
    EXPECT_EQ(Selected(source.GetKeySelection()), (std::vector<std::string>{"ROWNAMES@0", "@-1", "TEXT@7"}));
    CColumnArray headings;
    EXPECT_EQ(source.FillKeyHeadings(headings), 3);
    ASSERT_EQ(headings.GetSize(), 3);
    EXPECT_EQ(headings.GetAt(0)->m_strName, "ROWNAMES");
    EXPECT_EQ(headings.GetAt(0)->m_nSqlType, SqlType::Char);
    EXPECT_EQ(headings.GetAt(0)->m_nPrecision, 10);
    EXPECT_EQ(headings.GetAt(1)->m_strName, "");
    EXPECT_EQ(headings.GetAt(1)->m_nSqlType, 0);
    EXPECT_EQ(headings.GetAt(2)->m_nOrdinal, 7);

    // Key patterns do not skip "!" columns.
    ASSERT_TRUE(source.ParseKeyFields("!*"));
    EXPECT_EQ(Selected(source.GetKeySelection()), (std::vector<std::string>{"!HIDDEN@4"}));
    EXPECT_TRUE(shown.texts.empty());
}

TEST_F(SelectionTest, KeyFieldFailures) {
    EXPECT_FALSE(source.ParseKeyFields("Q*"));
    EXPECT_FALSE(source.ParseKeyFields("ROWNAMES,NOPE"));
    EXPECT_FALSE(source.ParseKeyFields(""));
    EXPECT_FALSE(source.ParseKeyValues(""));
    EXPECT_EQ(shown.texts, (std::vector<std::string>{"[Q*] KeyField not Found. ", "[NOPE] KeyField not Found. ",
                                                     "Error: No key field specified.", "No Key Values Specified."}));
    ASSERT_TRUE(source.ParseKeyValues("A*,,B"));
    EXPECT_EQ(source.GetKeyValues(), (std::vector<std::string>{"A*", "", "B"}));
}

TEST_F(SelectionTest, ColumnHeadingsAndCopies) {
    ASSERT_TRUE(source.ParseExtractColumns("X,A?B"));
    CColumnArray headings;
    headings.Add(new CColumn("kept", 1, 0, 0, 1, nullptr));
    source.FillColumnHeadings(headings);
    ASSERT_EQ(headings.GetSize(), 4);  // appended, not replaced
    // With a pattern in the text, columns come in source order.
    EXPECT_EQ(headings.GetAt(1)->m_strName, "AXB");
    EXPECT_EQ(headings.GetAt(3)->m_strName, "X");

    CColumnArray copies;
    copies.Add(new CColumn("gone", 1, 0, 0, 1, nullptr));
    source.CopyColumns(copies);
    ASSERT_EQ(copies.GetSize(), 8);
    EXPECT_EQ(copies.GetAt(4)->m_strName, "!HIDDEN");
    EXPECT_EQ(copies.GetAt(4)->m_nOrdinal, 4);
}

TEST_F(SelectionTest, ColumnNamesByIndex) {
    std::string name;
    EXPECT_TRUE(source.GetColumnName(7, name));
    EXPECT_EQ(name, "TEXT");
    EXPECT_FALSE(source.GetColumnName(8, name));  // one past the end
    EXPECT_FALSE(source.GetColumnName(-1, name));
    char buffer[4];
    EXPECT_TRUE(source.GetColumnName(0, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "ROW");  // truncated to the buffer
    EXPECT_EQ(source.FindColumn("ROW2"), 5);
    EXPECT_EQ(source.FindColumn("row2"), -1);
}

TEST_F(SelectionTest, EnsureColumnsTypesNewColumnsAfterTheSample) {
    source.m_pResultSelection->Add(new CIoKeyCell("X", 6));  // has a column
    source.m_pResultSelection->Add(new CIoKeyCell("NEWNUM", -1));
    ASSERT_TRUE(source.EnsureColumns(CIoLongCell(5, false, false)));
    EXPECT_EQ(source.m_pResultSelection->GetAt(0)->GetIndex(), 6);
    EXPECT_EQ(source.m_pResultSelection->GetAt(1)->GetIndex(), 8);
    const CColumn* added = source.GetColumns().GetAt(8);
    EXPECT_EQ(added->m_strName, "NEWNUM");
    EXPECT_EQ(added->m_nSqlType, SqlType::Double);
    EXPECT_EQ(added->m_nPrecision, 8);

    source.m_pResultSelection->Add(new CIoKeyCell("NEWTEXT", -1));
    ASSERT_TRUE(source.EnsureColumns(CIoDateCell("2024-01-02", false, false)));
    const CColumn* text = source.GetColumns().GetAt(9);
    EXPECT_EQ(text->m_nSqlType, SqlType::Char);
    EXPECT_EQ(text->m_nPrecision, 10);  // length of "2024-01-02"
}

TEST_F(SelectionTest, TableTypeText) {
    EXPECT_TRUE(source.SetTableTypeText("ODBC(dsn,user,pw)"));
    EXPECT_EQ(source.m_strConnection1, "dsn");
    EXPECT_EQ(source.m_strConnection3, "pw");
    EXPECT_TRUE(source.SetTableTypeText("WKS"));
    EXPECT_EQ(source.m_strConnection1, "");
    EXPECT_TRUE(source.SetTableTypeText("OLE2(Excel5,Sheet1)"));
    EXPECT_EQ(source.m_strSaveFormat, "Excel5");
    EXPECT_TRUE(shown.texts.empty());
    EXPECT_FALSE(source.SetTableTypeText("ODBC(dsn,user)"));
    EXPECT_EQ(shown.texts, (std::vector<std::string>{"[ODBC(dsn,user)] Invalid Table Type Specified."}));
}

TEST_F(SelectionTest, KeyMatchingForTableUpdating) {
    CIoRowArray rows;
    rows.AddRow("A1", false);
    rows.AddRow("", true);
    rows.AddRow("B7", false);
    EXPECT_EQ(source.FindMatchingRow(rows, {"B*"}), 2);
    EXPECT_EQ(source.FindMatchingRow(rows, {"NULL"}), 1);
    EXPECT_EQ(source.FindMatchingRow(rows, {"NOT NULL"}), 0);
    EXPECT_EQ(source.FindMatchingRow(rows, {"C?"}), -1);
    EXPECT_EQ(source.FindMatchingRow(rows, {"*", "*"}), -1);  // more keys than key cells
    EXPECT_TRUE(source.AnyRowModified(rows));
    for (CIoRow* row : rows) row->ClearModified();
    EXPECT_FALSE(source.AnyRowModified(rows));
}

}  // namespace
