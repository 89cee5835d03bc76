// The dBase source read through its reader entry: fields to cells, the key
// test, deleted records, versions and code pages.
#include "DbfSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace dbf_test {
namespace {

const std::string kDamaged = "Invalid or damaged DBF file header encountered.";

std::string Warning(const std::string& text) { return "Warning\n" + text + "\n\n"; }
std::string Error(const std::string& text) { return "Error\n" + text + "\n\n"; }

// A model table written by shapelib: texts in code page 1252, numbers, an
// unset number, a record without a row name.
TEST(DbfRead, ShapelibTableGivesTypedColumnsAndCells) {
    EntryResult r;
    RunEntry(r, FixturePath("keyed.dbf"));
    ASSERT_EQ(r.status, TABLE_READ_OK);
    EXPECT_EQ(r.results[0], 1);
    EXPECT_EQ(r.results[1], 0);
    EXPECT_EQ(r.results[2], 0);

    ASSERT_EQ(r.columnHeadings.GetSize(), 4);
    const struct { const char* name; int type; int width; } columns[] = {
        {"ROWNAMES", 12, 10}, {"TEXT", 12, 20}, {"X", 8, 10}, {"COUNT", 8, 5}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(r.Heading(c), columns[c].name);
        EXPECT_EQ(r.columnHeadings[c]->m_nSqlType, columns[c].type) << columns[c].name;
        EXPECT_EQ(r.columnHeadings[c]->m_nPrecision, columns[c].width) << columns[c].name;
    }
    ASSERT_EQ(r.keyHeadings.GetSize(), 1);
    EXPECT_EQ(r.keyHeadings[0]->m_strName, "ROWNAMES");

    // The record without a row name is skipped.
    EXPECT_EQ(r.RowNames(), (std::vector<std::string>{"A", "B", "C", "AB"}));
    EXPECT_EQ(r.description.m_nRowCount, 4);
    EXPECT_EQ(r.description.m_nDataColumnCount, 4);

    EXPECT_EQ(r.Cell(0, 1).GetSqlType(), SqlType::Char);
    EXPECT_STREQ(r.Cell(0, 1).GetString(), "alpha");
    EXPECT_STREQ(r.Cell(2, 1).GetString(), "caf\xC3\xA9 cr\xC3\xA8me");
    const double x[] = {1.5, -3.25, 5.0, 0.125};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(r.Cell(row, 2).GetSqlType(), SqlType::Double);
        EXPECT_DOUBLE_EQ(r.Cell(row, 2).GetDouble(), x[row]);
    }
    EXPECT_DOUBLE_EQ(r.Cell(0, 3).GetDouble(), 2.0);
    // shapelib writes an unset number as a field of "*": it holds no number.
    EXPECT_TRUE(r.Cell(1, 3).IsNull());
    EXPECT_DOUBLE_EQ(r.Cell(3, 3).GetDouble(), -4.0);
    // Cells remember where they came from.
    EXPECT_EQ(r.Cell(3, 0).GetSourceRow(), 4);
    EXPECT_EQ(r.rows[3]->GetRowId(), 4);

    LoggedRead logged(FixturePath("keyed.dbf"));
    EXPECT_TRUE(logged.extracted);
    EXPECT_EQ(logged.Log(), Warning("Row 4 with all empty key values skipped."));
    EXPECT_EQ(logged.keyValuesOut, std::vector<std::string>{"*"});
}

DbfFile TypesFile() {
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 8}, {"D", 'D', 8}, {"L", 'L', 1}, {"M", 'M', 10}, {"F", 'F', 10, 2}, {"N", 'N', 6}};
    f.records = {
        {{"LEAP", "20240229", "T", "0000000012", "     12.50", "7"}},
        {{"COMMON", "20230229", "t", "", "-1.5e2", "x1"}},
        {{"MONTH13", "20241301", "F", "abc", "0.5", "*****"}},
        {{"EMPTY", "", "", "", "", ""}},
        {{"ZERO\0PAD", "19991231", "?", "  padded", ".", "-0"}},
    };
    f.records[4].values[0] = std::string("ZERO\0PAD", 8);
    return f;
}

// Each field type, read while the user's numeric locale writes a decimal comma.
TEST(DbfRead, FieldTypesBecomeCellsWhateverTheNumericLocale) {
    TempDir dir;
    TypesFile().Write(dir.File("types.dbf"));
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    if (!comma) std::printf("note: de_DE.UTF-8 is not installed; numbers read in the current locale only\n");
    EntryResult r;
    RunEntry(r, dir.File("types.dbf"));
    ASSERT_EQ(r.status, TABLE_READ_OK);
    // Afterwards the numeric locale is the user's default.
    std::string after = std::setlocale(LC_NUMERIC, nullptr);
    std::string userDefault = std::setlocale(LC_NUMERIC, "");
    EXPECT_EQ(after, userDefault);
    std::setlocale(LC_NUMERIC, "C");

    const int expectedTypes[] = {12, 9, -7, -1, 8, 8};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(r.columnHeadings[c]->m_nSqlType, expectedTypes[c]) << r.Heading(c);
    ASSERT_EQ(r.RowNames(), (std::vector<std::string>{"LEAP", "COMMON", "MONTH13", "EMPTY", "ZERO"}));

    // "" stands for a null cell.
    struct Case {
        int row, column;
        std::string text;  // GetText of the cell
    } cases[] = {
        {0, 1, "2024-02-29"}, {1, 1, "-001--1--1"}, {2, 1, "-001--1--1"}, {3, 1, ""}, {4, 1, "1999-12-31"},
        {0, 2, "1"}, {1, 2, "0"}, {2, 2, "0"}, {3, 2, ""}, {4, 2, "0"},
        {0, 3, "0000000012"}, {1, 3, ""}, {2, 3, "abc"}, {4, 3, "  padded"},
        {0, 4, "12.500000"}, {1, 4, "-150.000000"}, {2, 4, "0.500000"}, {3, 4, ""}, {4, 4, ""},
        {0, 5, "7.000000"}, {1, 5, ""}, {2, 5, ""}, {4, 5, "-0.000000"},
    };
    for (const Case& c : cases) {
        const CIoCell& cell = r.Cell(c.row, c.column);
        SCOPED_TRACE(r.Heading(c.column) + " of " + r.RowNames()[size_t(c.row)]);
        if (c.text.empty()) {
            EXPECT_TRUE(cell.IsNull());
        } else {
            ASSERT_FALSE(cell.IsNull());
            EXPECT_EQ(cell.GetText(), c.text);
        }
    }
    EXPECT_EQ(r.Cell(0, 1).GetSqlType(), SqlType::Date);
    EXPECT_EQ(r.Cell(0, 1).GetDate().m_status, COleDateTime::valid);
    EXPECT_EQ(r.Cell(1, 1).GetDate().m_status, COleDateTime::invalid);
    EXPECT_EQ(r.Cell(0, 2).GetSqlType(), SqlType::Bit);
    EXPECT_EQ(r.Cell(0, 3).GetSqlType(), SqlType::Char);
    EXPECT_DOUBLE_EQ(r.Cell(0, 4).GetDouble(), 12.5);
}

// The key test compares each type by its key text: dates as yyyy-mm-dd,
// numbers as "%f", logicals as TRUE or FALSE.
TEST(DbfRead, KeysMatchTheKeyTextOfEachFieldType) {
    TempDir dir;
    TypesFile().Write(dir.File("types.dbf"));
    const struct {
        const char* keyFields;
        const char* keyValues;
        std::vector<std::string> rows;
    } cases[] = {
        {"D", "2024-02-29", {"LEAP"}},
        {"D", "-001*", {"COMMON", "MONTH13"}},
        {"D", "\?\?\?\?-12-*", {"ZERO"}},
        {"F", "12.500000", {"LEAP"}},
        {"F", "12.5", {}},
        {"F", "-*", {"COMMON"}},
        {"L", "TRUE", {"LEAP"}},
        {"L", "FALSE", {"COMMON", "MONTH13", "ZERO"}},
        {"M", "abc", {"MONTH13"}},
        {"ROWNAMES", "?E*", {"LEAP", "ZERO"}},
        {"ROWNAMES", "*E*", {"LEAP", "EMPTY", "ZERO"}},
        {"ROWNAMES", "leap", {}},
        {"ROWNAMES,L", "*,TRUE", {"LEAP"}},
        {"R*", "C*", {"COMMON"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyFields) + " = " + c.keyValues);
        EntryResult r;
        RunEntry(r, dir.File("types.dbf"), c.keyFields, c.keyValues);
        ASSERT_EQ(r.status, TABLE_READ_OK);
        std::vector<std::string> names;
        for (int i = 0; i < r.rows.GetSize(); ++i) names.push_back(r.Cell(i, 0).GetText());
        EXPECT_EQ(names, c.rows);
    }
}

TEST(DbfRead, KeyCellsAreMadeByColumnTypeAndMissingFieldsGiveEmptyTexts) {
    TempDir dir;
    TypesFile().Write(dir.File("types.dbf"));
    EntryResult r;
    RunEntry(r, dir.File("types.dbf"), "D,,L", "2024*,*,*");
    ASSERT_EQ(r.status, TABLE_READ_OK);
    ASSERT_EQ(r.rows.GetSize(), 1);
    ASSERT_EQ(r.keyHeadings.GetSize(), 3);
    EXPECT_EQ(r.keyHeadings[1]->m_strName, "");
    EXPECT_EQ(r.keyHeadings[1]->m_nSqlType, 0);
    EXPECT_EQ(r.Key(0, 0).GetSqlType(), SqlType::Date);
    EXPECT_EQ(r.Key(0, 1).GetSqlType(), SqlType::Char);
    EXPECT_TRUE(r.Key(0, 1).IsNull());
    EXPECT_EQ(r.Key(0, 2).GetSqlType(), SqlType::Bit);
    EXPECT_EQ(r.Key(0, 2).GetAsInt(), 1);
}

TEST(DbfRead, DeletedRecordsAreNeverReturned) {
    TempDir dir;
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 4}, {"X", 'N', 4}};
    f.records = {{{"A", "1"}}, {{"A", "2"}, true}, {{"B", "3"}, true}, {{"C", "4"}}};
    f.Write(dir.File("deleted.dbf"));
    for (const char* pattern : {"*", "B", "A"}) {
        EntryResult r;
        RunEntry(r, dir.File("deleted.dbf"), "ROWNAMES", pattern);
        ASSERT_EQ(r.status, TABLE_READ_OK);
        for (int i = 0; i < r.rows.GetSize(); ++i) {
            EXPECT_NE(r.Cell(i, 0).GetText(), "B");
            EXPECT_NE(r.Cell(i, 1).GetAsDouble(), 2.0);
        }
    }
    EntryResult all;
    RunEntry(all, dir.File("deleted.dbf"));
    EXPECT_EQ(all.RowNames(), (std::vector<std::string>{"A", "C"}));
}

// A record whose examined key texts are all empty is skipped with a warning,
// also when the key value would not have matched; other mismatches are silent.
TEST(DbfRead, AllEmptyKeysAreSkippedWithTheirWarning) {
    TempDir dir;
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 4}, {"TEXT", 'C', 4}};
    f.records = {{{"A", "a"}}, {{"", "b"}}, {{"", ""}}, {{"C", ""}}};
    f.Write(dir.File("keys.dbf"));
    const std::string row2 = Warning("Row 2 with all empty key values skipped.");
    const std::string row3 = Warning("Row 3 with all empty key values skipped.");
    const std::string noMatch = Warning("No Match for Source Key Value.");
    const struct {
        const char* keyFields;
        const char* keyValues;
        std::vector<std::string> rows;  // by TEXT, "" for a null one
        std::string log;
    } cases[] = {
        {"ROWNAMES", "*", {"a", ""}, row2 + row3},
        {"ROWNAMES", "C", {""}, row2 + row3},
        {"ROWNAMES,TEXT", "*,*", {"a", "b", ""}, row3},
        {"TEXT,ROWNAMES", "b,*", {"b"}, row3 + Warning("Row 4 with all empty key values skipped.")},
        // The first key mismatches on a non-empty text: no warning for record 1.
        {"ROWNAMES,TEXT", "Z,*", {}, row2 + row3 + noMatch},
        // No key field exists in the file: every record is warned about.
        {",", "*,*", {},
         Warning("Row 1 with all empty key values skipped.") + row2 + row3 +
             Warning("Row 4 with all empty key values skipped.") + noMatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyFields) + " = " + c.keyValues);
        LoggedRead r(dir.File("keys.dbf"), c.keyFields, c.keyValues);
        ASSERT_TRUE(r.extracted);
        std::vector<std::string> texts;
        for (const CIoRow* row : r.rows) texts.push_back(row->m_DataCells[1]->GetText());
        EXPECT_EQ(texts, c.rows);
        EXPECT_EQ(r.Log(), c.log);
    }
    EntryResult entry;
    RunEntry(entry, dir.File("keys.dbf"), ",", "*,*");
    EXPECT_EQ(entry.status, TABLE_READ_OK);  // warnings do not change the result
}

TEST(DbfRead, SelectionsThatCannotBeAppliedFailTheExtraction) {
    const struct {
        const char* keyFields;
        const char* keyValues;
        const char* extract;
        std::string log;
    } cases[] = {
        {"", "*", "*", Error("Error: No key field specified.") + Error("Key Fields are incorrectly specified.")},
        {"ROWNAMES", "", "*", Error("No Key Values Specified.") + Error("Key Fields are incorrectly specified.")},
        {"NOPE", "*", "*", Error("[NOPE] KeyField not Found. ") + Error("Key Fields are incorrectly specified.")},
        {"ROWNAMES", "A,B", "*", Error("The number of Key Fields does not match the number of Key Values.")},
        {"ROWNAMES", "*", "X,NOPE", Error("Can Not Find Extract Column [NOPE].")},
        {"ROWNAMES", "*", "", Error("No Extract Columns Specified.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyFields) + " / " + c.keyValues + " / " + c.extract);
        LoggedRead r(FixturePath("keyed.dbf"), c.keyFields, c.keyValues, c.extract);
        EXPECT_TRUE(r.opened);
        EXPECT_FALSE(r.extracted);
        EXPECT_EQ(r.Log(), c.log);
        EntryResult entry;
        RunEntry(entry, FixturePath("keyed.dbf"), c.keyFields, c.keyValues, c.extract);
        EXPECT_EQ(entry.status, TABLE_READ_FAILED);
    }
}

TEST(DbfRead, ExtractColumnsFollowTheSelectionText) {
    EntryResult r;
    RunEntry(r, FixturePath("keyed.dbf"), "ROWNAMES", "A*", "X,TEXT,X");
    ASSERT_EQ(r.status, TABLE_READ_OK);
    ASSERT_EQ(r.columnHeadings.GetSize(), 3);
    EXPECT_EQ(r.Heading(0), "X");
    EXPECT_EQ(r.Heading(1), "TEXT");
    EXPECT_EQ(r.RowNames(), (std::vector<std::string>{"A", "AB"}));
    EXPECT_DOUBLE_EQ(r.Cell(1, 0).GetDouble(), 0.125);
    EXPECT_STREQ(r.Cell(1, 1).GetString(), "last");
}

TEST(DbfRead, OnlyVersionsThreeAndFourAreRead) {
    TempDir dir;
    const std::string refused = "Unsupported DBF version encountered.  Only DBF versions 3 and 4 are allowed.";
    for (int version : {0x03, 0x04, 0x83, 0x8B, 0x02, 0x30, 0xF5, 0x00, 0x05}) {
        SCOPED_TRACE(version);
        DbfFile f;
        f.version = uint8_t(version);
        f.fields = {{"ROWNAMES", 'C', 4}};
        f.records = {{{"A"}}};
        f.Write(dir.File("v.dbf"));
        EntryResult r;
        RunEntry(r, dir.File("v.dbf"));
        LoggedRead logged(dir.File("v.dbf"));
        if (version == 3 || version == 4) {
            EXPECT_EQ(r.status, TABLE_READ_OK);
            EXPECT_EQ(r.RowNames(), std::vector<std::string>{"A"});
            EXPECT_EQ(logged.Log(), "");
        } else {
            EXPECT_EQ(r.status, TABLE_OPEN_FAILED);
            EXPECT_EQ(logged.Log(), Error(refused));
        }
    }
}

// Character fields (and field names) are converted from the code page that
// the language-driver byte names; 437 when it names none.
TEST(DbfRead, CharacterFieldsAreConvertedFromTheLanguageDriverCodePage) {
    const struct {
        int driver;
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {0x00, "\x81\x9b\xe1", "ü¢ß"}, {0x01, "\x81\x9b\xe1", "ü¢ß"}, {0x99, "\x81\x9b\xe1", "ü¢ß"},
        {0x02, "\x9b\xd0", "øð"},       {0x03, "\xe9\x80", "é€"},       {0x57, "\xe9\x80", "é€"},
        {0x64, "\xa5\x9b", "ąŤ"},       {0x65, "\x80\xe0", "Ар"},       {0x66, "\x9b\xaf", "ø¤"},
        {0x67, "\x8b\x8c", "Ðð"},       {0x6A, "\x80\x98", "Αα"},       {0x6B, "\x8d\x98", "ıİ"},
        {0xC8, "\x8a\xb9", "Šą"},       {0xC9, "\xc0\xe0", "Аа"},       {0xCA, "\xd0\xfd", "Ğı"},
        {0xCB, "\xc1\xe1", "Αα"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        DbfFile f;
        f.languageDriver = uint8_t(c.driver);
        f.fields = {{"ROWNAMES", 'C', 6}, {std::string("N") + c.bytes, 'C', 6}, {"MEMO", 'M', 6}};
        f.records = {{{c.bytes, c.bytes, "0012"}}};
        f.Write(dir.File("cp.dbf"));
        EntryResult r;
        RunEntry(r, dir.File("cp.dbf"), "ROWNAMES", c.utf8);
        ASSERT_EQ(r.status, TABLE_READ_OK);
        ASSERT_EQ(r.rows.GetSize(), 1);
        EXPECT_EQ(r.Cell(0, 0).GetText(), c.utf8);
        EXPECT_EQ(r.Cell(0, 1).GetText(), c.utf8);
        EXPECT_EQ(r.Heading(1), std::string("N") + c.utf8);
        EXPECT_EQ(r.Cell(0, 2).GetText(), "0012");
    }
}

// The descriptor list ends at its 0x0D byte, whatever follows before the
// first record; without that byte it ends where no whole descriptor is left.
TEST(DbfRead, DescriptorListEndsAtItsTerminator) {
    TempDir dir;
    const struct {
        bool terminator;
        size_t padding;
    } cases[] = {{true, 0}, {true, 263}, {true, 31}, {true, 32}, {false, 0}, {false, 17}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.terminator) + " " + std::to_string(c.padding));
        DbfFile f;
        f.terminator = c.terminator;
        f.paddingAfterTerminator = c.padding;
        f.fields = {{"ROWNAMES", 'C', 4}, {"X", 'N', 5}};
        f.records = {{{"A", "1.5"}}, {{"B", "2"}}};
        f.Write(dir.File("t.dbf"));
        EntryResult r;
        RunEntry(r, dir.File("t.dbf"));
        ASSERT_EQ(r.status, TABLE_READ_OK);
        EXPECT_EQ(r.columnHeadings.GetSize(), 2);
        EXPECT_EQ(r.RowNames(), (std::vector<std::string>{"A", "B"}));
        EXPECT_DOUBLE_EQ(r.Cell(1, 1).GetDouble(), 2.0);
    }
}

TEST(DbfRead, SourceAnswersItsCountsAndClosesOnce) {
    CIOOptions options;
    options.SetWord(1, 0);
    CDbfTbl table(nullptr, &options);
    EXPECT_EQ(table.GetTableType(), 7);
    EXPECT_FALSE(table.CloseTable(true));  // not open
    CIoTableDescription d;
    d.m_Strings[0] = FixturePath("keyed.dbf");
    ASSERT_TRUE(table.OpenTable(d));
    EXPECT_EQ(table.GetRecordCount(), 5);
    EXPECT_EQ(table.GetColumnCount(), 4);
    EXPECT_TRUE(table.IsLastRecord());
    EXPECT_EQ(table.GetRecordLimit(), 0);
    EXPECT_EQ(table.m_nHeaderLength, 32 * 5 + 1);
    EXPECT_EQ(table.m_nRecordLength, 1 + 10 + 20 + 10 + 5);
    EXPECT_TRUE(table.CloseTable(true));
    EXPECT_FALSE(table.CloseTable(true));
}

TEST(DbfRead, NothingMatchingGivesNoRowsAndItsWarning) {
    LoggedRead r(FixturePath("keyed.dbf"), "ROWNAMES", "Q*");
    EXPECT_TRUE(r.extracted);
    EXPECT_EQ(r.rows.GetSize(), 0);
    EXPECT_EQ(r.Log(), Warning("Row 4 with all empty key values skipped.") + Warning("No Match for Source Key Value."));
}

}  // namespace
}  // namespace dbf_test
