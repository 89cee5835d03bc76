// LoadExcelTable: the directory buffer and packed lists, the keyed read with its
// merge rules, the fixed-list branch and the case tables.
#include "ExportsSupport.h"

using namespace exports_test;
using Rows = std::vector<std::string>;

namespace {

struct ExcelCall {
    int code;
    NameBuffers names;
};

// LoadExcelTable over the fixture directory (or directoryText) with the given files and sheets.
int LoadExcel(const std::string& table, const std::vector<std::string>& files, const std::vector<std::string>& sheets,
              ResultVariant& result, NameBuffers& names, const std::string& directoryText = ModelDir()) {
    DirectoryBuffer directory(directoryText);
    std::string packedFiles = Packed(files), packedSheets = Packed(sheets);
    return LoadExcelTable(table.c_str(), directory.c_str(), int(files.size()), packedFiles.data(),
                          packedSheets.data(), &result.v, names.row.data(), names.col.data());
}

const Rows kPlainGrid = {
    "ROWNAMES|TEXT|DATE|X|Y||",
    "A|alpha|d:45352|1.5|2||",
    "B|beta|d:45353|3|4||",
    "C|gamma|d:45354|5|||",
    "||||||",
};

}  // namespace

TEST(LoadExcelTable, DistinctRowsFillRowsInOrderWithSpareRowAndColumns) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadExcel("BUY", {"Book1.xls"}, {"PLAIN"}, result, names), 0);
    EXPECT_EQ(DimsOf(result.v), (Dims{5, 7}));
    EXPECT_EQ(Grid(result.v), kPlainGrid);
    EXPECT_EQ(CellType(result.v, 0, 0), VT_BSTR);
    EXPECT_EQ(CellType(result.v, 1, 1), VT_BSTR);
    EXPECT_EQ(CellType(result.v, 1, 2), VT_DATE);
    EXPECT_EQ(CellType(result.v, 1, 3), VT_R8);
    EXPECT_EQ(CellType(result.v, 3, 4), VT_EMPTY);
    // The buffers tell the last row and the last non-empty cell read.
    EXPECT_EQ(names.Row(), "C");
    EXPECT_EQ(names.Col(), "X");
}

TEST(LoadExcelTable, DirectoryBufferForms) {
    const std::string dir = ModelDir();
    std::string backslashed = dir;
    for (char& ch : backslashed)
        if (ch == '/') ch = '\\';
    struct Case {
        const char* label;
        std::string directory;
    } cases[] = {
        {"plain", dir},
        {"trailing slash", dir + "/"},
        {"trailing backslash", dir + "\\"},
        {"trailing blanks", dir + "    "},
        {"slash and white space", dir + "/ \t "},
        {"backslash separators", backslashed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResultVariant result;
        NameBuffers names;
        ASSERT_EQ(LoadExcel("BUY", {"Book1.xls"}, {"PLAIN"}, result, names, c.directory), 0);
        EXPECT_EQ(Grid(result.v), kPlainGrid);
    }
}

TEST(LoadExcelTable, FileNamesWrittenOnWindowsFindTheirFiles) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadExcel("BUY", {"BOOK1.XLS", "tables\\book2.xls"}, {"PLAIN", "PLAIN"}, result, names), 0);
    EXPECT_EQ(DimsOf(result.v), (Dims{6, 8}));
}

TEST(LoadExcelTable, TwoWorkbooksMergeColumnsAndRows) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadExcel("BUY", {"Book1.xls", "Tables/Book2.xls"}, {"PLAIN", "PLAIN"}, result, names), 0);
    EXPECT_EQ(Grid(result.v), (Rows{
                                  "ROWNAMES|TEXT|DATE|X|Y|Z||",
                                  "A|alpha|d:45352|1.5|2|||",
                                  "B|beta|d:45353|3.0000001|4|9||",
                                  "C|gamma|d:45354|5||||",
                                  "D|||7||8||",
                                  "|||||||",
                              }));
    EXPECT_EQ(names.Row(), "D");
    EXPECT_EQ(names.Col(), "Z");
}

TEST(LoadExcelTable, RepeatedRowsMergeIntoTheirFirstRow) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadExcel("BOUNDS", {"Book1.xls"}, {"MERGE"}, result, names), 0);
    // A's second X (1.0000005) equals 1 within 1e-6; its empty Y keeps 5; TEXT takes
    // the later text; C's X arrives with the second C row. Merged rows stay empty.
    EXPECT_EQ(Grid(result.v), (Rows{
                                  "ROWNAMES|X|Y|TEXT||",
                                  "A|1|5|second||",
                                  "B|2|6|b||",
                                  "|||||",
                                  "C|3|7|c||",
                                  "|||||",
                                  "|||||",
                              }));
    EXPECT_EQ(CellType(result.v, 3, 0), VT_EMPTY);
}

TEST(LoadExcelTable, RepeatedRowsThatDisagree) {
    struct Case {
        const char* table;
        const char* sheet;
        int code;
        const char* rowName;
        const char* colName;
    } cases[] = {
        {"BOUNDS", "CONFLICT", 18, "A", "X"},
        {"PGUESS", "CONFLICT", 0, "A", "X"},
        {"PDIST", "CONFLICT", 0, "A", "X"},
        {"NCRDCUTS", "CONFLICT", 0, "A", "X"},
        {"TESTRUN", "CONFLICT", 0, "A", "X"},
        {"pguess", "CONFLICT", 18, "A", "X"},  // the exempt names match exactly
        {"QBML", "DUPS", 16, "A", "X"},
        {"qbml", "DUPS", 0, "A", "X"},
        {"BOUNDS", "DATES", 18, "B", "DATE"},
        {"BOUNDS", "NOTES", 18, "B", "NOTE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.table) + " " + c.sheet);
        ResultVariant result;
        NameBuffers names;
        EXPECT_EQ(LoadExcel(c.table, {"Book1.xls"}, {c.sheet}, result, names), c.code);
        EXPECT_EQ(names.Row(), c.rowName);
        EXPECT_EQ(names.Col(), c.colName);
        if (c.code != 0) {
            EXPECT_TRUE(result.IsUntouched());
        } else {
            // The first value stays; the repeated row's array row stays empty.
            ASSERT_EQ(DimsOf(result.v), (Dims{5, 4}));
            EXPECT_EQ(RowText(result.v, 1), "A|1||");
            EXPECT_EQ(RowText(result.v, 3), "|||");
        }
    }
}

TEST(LoadExcelTable, TablesOfTheFixedListReadByTheirKeyColumn) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadExcel("MBO_Tanks", {"Book1.xls"}, {"MBO_Tanks"}, result, names), 0);
    // (rows + 1) x columns, repeated keys kept as they are.
    EXPECT_EQ(Grid(result.v), (Rows{
                                  "Tank|Capacity|Product",
                                  "TK1|100|PRM",
                                  "TK2|200|",
                                  "TK1|300|PRM",
                              }));
    EXPECT_EQ(names.Row(), "TK1");
    EXPECT_EQ(names.Col(), "Product");
}


TEST(LoadExcelTable, CaseReadsOnlyTheFirstWorkbookAsACaseTable) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadExcel("CASE", {"Book1.xls", "Tables/Book2.xls"}, {"CASE", "CASE"}, result, names), 0);
    EXPECT_EQ(Grid(result.v), kCaseGrid);
    EXPECT_EQ(names.Row(), "untouched");
    EXPECT_EQ(names.Col(), "untouched");
}

TEST(LoadExcelTable, TablesThatCannotBeRead) {
    struct Case {
        const char* label;
        std::string table;
        std::vector<std::string> files;
        std::vector<std::string> sheets;
        std::string directory;
    } cases[] = {
        {"missing workbook", "BUY", {"Nothere.xls"}, {"PLAIN"}, ModelDir()},
        {"missing sheet", "BUY", {"Book1.xls"}, {"NOPE"}, ModelDir()},
        {"no file", "BUY", {}, {}, ModelDir()},
        {"no file for CASE", "CASE", {}, {}, ModelDir()},
        {"no file for EXPERT", "EXPERT", {}, {}, ModelDir()},
        {"case table in a missing workbook", "CASE", {"Nothere.xls"}, {"CASE"}, ModelDir()},
        {"fixed-list table in a missing sheet", "MBO_Tanks", {"Book1.xls"}, {"NOPE"}, ModelDir()},
        {"directory of blanks", "BUY", {"Book1.xls"}, {"PLAIN"}, std::string(200, ' ')},
        {"empty directory", "BUY", {"Book1.xls"}, {"PLAIN"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResultVariant result;
        NameBuffers names;
        EXPECT_EQ(LoadExcel(c.table, c.files, c.sheets, result, names, c.directory), 20);
        EXPECT_TRUE(result.IsUntouched());
    }
}

TEST(LoadExcelTable, NullArgumentsAreRejected) {
    ResultVariant result;
    NameBuffers names;
    DirectoryBuffer directory(ModelDir());
    std::string files = Packed({"Book1.xls"});
    EXPECT_EQ(LoadExcelTable("BUY", directory.c_str(), 1, nullptr, files.data(), &result.v, names.row.data(),
                             names.col.data()),
              20);
    EXPECT_EQ(LoadExcelTable("BUY", directory.c_str(), -1, files.data(), files.data(), &result.v, names.row.data(),
                             names.col.data()),
              20);
    EXPECT_EQ(LoadExcelTable(nullptr, directory.c_str(), 1, files.data(), files.data(), &result.v,
                             names.row.data(), names.col.data()),
              20);
    EXPECT_TRUE(result.IsUntouched());
}

TEST(LoadExcelTable, LongRowNamesAreCutToTheNameBuffer) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadExcel("BOUNDS", {"Book3.xlsx"}, {"LONG"}, result, names), 18);
    EXPECT_EQ(names.Row(), std::string(255, 'R'));
    EXPECT_EQ(names.row[255], '\0');
    EXPECT_EQ(names.Col(), "X");
}

TEST(LoadExcelTable, ConflictBetweenWorkbooksIsReportedAndNotRead) {
    struct Sink {
        std::vector<std::string> texts;
        static void Receive(const char*, const char* text, void* context) {
            static_cast<Sink*>(context)->texts.push_back(text);
        }
    } sink;
    DuloSetMessageSink(&Sink::Receive, &sink, 1);
    ResultVariant result;
    NameBuffers names;
    int code = LoadExcel("BUY", {"Book1.xls", "Tables/Book2.xls"}, {"PLAIN", "PLAINBAD"}, result, names);
    DuloSetMessageSink(nullptr, nullptr, 1);
    EXPECT_EQ(code, 20);
    EXPECT_TRUE(result.IsUntouched());
    ASSERT_EQ(sink.texts.size(), 1u);
    EXPECT_EQ(sink.texts[0],
              "Duplicate coefficient in table " + ModelDir() + "/Tables/Book2.xls[PLAINBAD] for row A column X");
}
