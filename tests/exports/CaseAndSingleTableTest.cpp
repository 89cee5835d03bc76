// LoadCaseTable, LoadSingleExcelTable and CleanUpTableRead, including what the
// cached workbook does between calls.
#include "ExportsSupport.h"

using namespace exports_test;
using Rows = std::vector<std::string>;

namespace {

std::string FixturePath(const std::string& name) { return ModelDir() + "/" + name; }


int LoadSingle(const std::string& table, const std::string& path, const std::string& sheet, int sourceType,
               ResultVariant& result, NameBuffers& names) {
    return LoadSingleExcelTable(table.c_str(), path.c_str(), sheet.c_str(), sourceType, &result.v,
                                names.row.data(), names.col.data());
}

}  // namespace

TEST(LoadCaseTable, SkipsBlankAndCommentRowsAndPacksTheRest) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadCaseTable(FixturePath("Book1.xls").c_str(), "CASE", &result.v, names.row.data(),
                            names.col.data()),
              0);
    EXPECT_EQ(Grid(result.v), kCaseGrid);
    EXPECT_EQ(CellType(result.v, 1, 0), VT_R8);
    EXPECT_EQ(CellType(result.v, 1, 1), VT_BSTR);
    EXPECT_EQ(CellType(result.v, 1, 4), VT_EMPTY);  // 1e30 is no number
    EXPECT_EQ(names.Row(), "untouched");
    EXPECT_EQ(names.Col(), "untouched");
}

TEST(LoadCaseTable, ArrayIsSizedByTheCellsNotByTheClaimedDimensions) {
    // HugeDims.xls claims 65535 rows x 256 columns for the same eight rows.
    ResultVariant result;
    ASSERT_EQ(LoadCaseTable(FixturePath("HugeDims.xls").c_str(), "CASE", &result.v, nullptr, nullptr), 0);
    EXPECT_EQ(Grid(result.v), kCaseGrid);
}

// Styled empty cells below and right of the values (gnumeric writes them as
// BLANK/MULBLANK records and as <c> elements without a value) count for the
// used area, as they do in the spreadsheet application: 3 x 3 values, styled
// cells to row 8 and column F.
TEST(LoadCaseTable, FormattedBlanksCountForTheUsedArea) {
    const std::string dir = std::string(DULO_FIXTURES) + "/exports/blanks/";
    for (const char* name : {"Blanks5.xls", "Blanks8.xls", "Blanks.xlsx"}) {
        SCOPED_TRACE(name);
        ResultVariant result;
        ASSERT_EQ(LoadCaseTable((dir + name).c_str(), "CASE", &result.v, nullptr, nullptr), 0);
        EXPECT_EQ(DimsOf(result.v), (Dims{8 + 2, 6 + 2}));
        EXPECT_EQ(RowText(result.v, 0), "CASE|A|B|||||");
        EXPECT_EQ(RowText(result.v, 2), "C2|3|4|||||");
        EXPECT_EQ(RowText(result.v, 3), "|||||||") << "the styled rows hold nothing";
    }
}

// Workbooks of other programs whose sheets have styled empty cells past their
// values: the case table covers them (rows and columns of the last cell + 2).
TEST(LoadCaseTable, CorpusWorkbooksWithFormattedBlanks) {
    const std::string corpus = DULO_CORPUS;
    if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    struct Case {
        const char* file;
        const char* sheet;
        Dims dims;
    } cases[] = {
        {"sheetjs/numfmt_1_russian.xls", "", {17, 8}},
        {"sheetjs/wtf_path.xlsx", "SheetJS", {6 + 2, 5 + 2}},
        {"sheetjs/mixed_sheets.xlsx", "settings", {3 + 2, 2 + 2}},
        {"xlrd/tests/samples/issue20.xls", "", {20, 14}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ResultVariant result;
        ASSERT_EQ(LoadCaseTable((corpus + "/" + c.file).c_str(), c.sheet, &result.v, nullptr, nullptr), 0);
        EXPECT_EQ(DimsOf(result.v), c.dims);
    }
}

TEST(LoadCaseTable, WorkbooksThatCannotBeRead) {
    struct Case {
        const char* label;
        std::string path;
        const char* sheet;
    } cases[] = {
        {"missing workbook", FixturePath("Nothere.xls"), "CASE"},
        {"missing sheet", FixturePath("Book1.xls"), "NOPE"},
        {"not a workbook", FixturePath("DuloModel.dulx"), "CASE"},
        {"a directory", ModelDir(), "CASE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResultVariant result;
        EXPECT_EQ(LoadCaseTable(c.path.c_str(), c.sheet, &result.v, nullptr, nullptr), 20);
        EXPECT_TRUE(result.IsUntouched());
    }
    ResultVariant result;
    EXPECT_EQ(LoadCaseTable(nullptr, "CASE", &result.v, nullptr, nullptr), 20);
    EXPECT_TRUE(result.IsUntouched());
}

TEST(LoadCaseTable, FileNameInAnotherCaseNeedsExactlyOneMatch) {
    TempDir dir;
    fs::copy_file(FixturePath("Book1.xls"), dir.path / "book1.xls");
    const std::string asWritten = (dir.path / "BOOK1.XLS").string();
    {
        ResultVariant result;
        EXPECT_EQ(LoadCaseTable(asWritten.c_str(), "CASE", &result.v, nullptr, nullptr), 0);
        EXPECT_EQ(Grid(result.v), kCaseGrid);
    }
    // With two candidates neither is taken: the file counts as missing.
    fs::copy_file(FixturePath("Book1.xls"), dir.path / "Book1.xls");
    ResultVariant result;
    EXPECT_EQ(LoadCaseTable(asWritten.c_str(), "CASE", &result.v, nullptr, nullptr), 20);
    EXPECT_TRUE(result.IsUntouched());
}

TEST(LoadSingleExcelTable, ReadsOneSourceWithoutJoiningPaths) {
    struct Case {
        const char* label;
        std::string table;
        std::string path;
        const char* sheet;
        int code;
        Dims dims;
    } cases[] = {
        {"keyed read", "BUY", FixturePath("Book1.xls"), "PLAIN", 0, {5, 7}},
        {"merging rows", "BOUNDS", FixturePath("Book1.xls"), "MERGE", 0, {7, 6}},
        {"conflict", "BOUNDS", FixturePath("Book1.xls"), "CONFLICT", 18, {}},
        {"exempt", "PGUESS", FixturePath("Book1.xls"), "CONFLICT", 0, {5, 4}},
        {"QBML", "QBML", FixturePath("Book1.xls"), "DUPS", 16, {}},
        {"fixed list", "MBO_Tanks", FixturePath("Book1.xls"), "MBO_Tanks", 0, {4, 3}},
        {"case table", "EXPERT", FixturePath("Book1.xls"), "CASE", 0, {10, 7}},
        {"a caller's path written on Windows", "BUY", FixturePath("tables\\BOOK2.xls"), "PLAIN", 0, {4, 5}},
        {"missing workbook", "BUY", FixturePath("Nothere.xls"), "PLAIN", 20, {}},
        {"missing sheet", "BUY", FixturePath("Book1.xls"), "NOPE", 20, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResultVariant result;
        NameBuffers names;
        EXPECT_EQ(LoadSingle(c.table, c.path, c.sheet, 0, result, names), c.code);
        if (c.code == 0)
            EXPECT_EQ(DimsOf(result.v), c.dims);
        else
            EXPECT_TRUE(result.IsUntouched());
    }
    CleanUpTableRead();
}

TEST(LoadSingleExcelTable, SourceTypesGoToTheirReaders) {
    // A workbook read as a dBase file, and types without a reader, are not read.
    for (int type : {7, 5, -1, 99}) {
        SCOPED_TRACE(type);
        ResultVariant result;
        NameBuffers names;
        EXPECT_EQ(LoadSingle("BUY", FixturePath("Book1.xls"), "PLAIN", type, result, names), 20);
        EXPECT_TRUE(result.IsUntouched());
    }
}

TEST(LoadSingleExcelTable, MergedRowsMatchLoadExcelTable) {
    ResultVariant single, excel;
    NameBuffers names;
    ASSERT_EQ(LoadSingle("BOUNDS", FixturePath("Book1.xls"), "MERGE", 0, single, names), 0);
    DirectoryBuffer directory(ModelDir());
    std::string files = Packed({"Book1.xls"}), sheets = Packed({"MERGE"});
    ASSERT_EQ(LoadExcelTable("BOUNDS", directory.c_str(), 1, files.data(), sheets.data(), &excel.v,
                             names.row.data(), names.col.data()),
              0);
    EXPECT_EQ(Grid(single.v), Grid(excel.v));
    CleanUpTableRead();
}

// The cached workbook is observable from outside: a read served from the cache
// succeeds after the file has gone.
TEST(CachedWorkbook, SingleTableReadsKeepItAndTheOthersCloseIt) {
    TempDir dir;
    fs::path book = dir.path / "Book1.xls";
    auto restore = [&] { fs::copy_file(FixturePath("Book1.xls"), book, fs::copy_options::overwrite_existing); };
    auto loadSingle = [&](const char* sheet) {
        ResultVariant result;
        NameBuffers names;
        return LoadSingle("BUY", book.string(), sheet, 0, result, names);
    };

    restore();
    ASSERT_EQ(loadSingle("PLAIN"), 0);
    fs::remove(book);
    EXPECT_EQ(loadSingle("DUPS"), 0) << "a second sheet of the cached workbook";
    EXPECT_EQ(CleanUpTableRead(), 1);
    EXPECT_EQ(loadSingle("PLAIN"), 20) << "the clean-up closed the cached workbook";

    // LoadExcelTable closes the cache when it starts (and again when it succeeds).
    restore();
    ASSERT_EQ(loadSingle("PLAIN"), 0);
    fs::remove(book);
    {
        ResultVariant result;
        NameBuffers names;
        DirectoryBuffer directory(ModelDir());
        std::string files = Packed({"Book1.xls"}), sheets = Packed({"DUPS"});
        ASSERT_EQ(LoadExcelTable("BUY", directory.c_str(), 1, files.data(), sheets.data(), &result.v,
                                 names.row.data(), names.col.data()),
                  0);
    }
    EXPECT_EQ(loadSingle("PLAIN"), 20);

    // So do LoadCaseTable and LoadTableSX.
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which == 0 ? "LoadCaseTable" : "LoadTableSX");
        restore();
        ASSERT_EQ(loadSingle("PLAIN"), 0);
        fs::remove(book);
        ResultVariant result;
        if (which == 0) {
            ASSERT_EQ(LoadCaseTable(FixturePath("Book1.xls").c_str(), "CASE", &result.v, nullptr, nullptr), 0);
        } else {
            DirectoryBuffer directory(ModelDir());
            ASSERT_EQ(LoadTableSX(directory.c_str(), "MERGE", &result.v), 1);
        }
        EXPECT_EQ(loadSingle("PLAIN"), 20);
    }
}

TEST(CleanUpTableRead, HarmlessWithNothingOpenAndTwiceInARow) {
    EXPECT_EQ(CleanUpTableRead(), 1);
    EXPECT_EQ(CleanUpTableRead(), 1);
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadSingle("BUY", FixturePath("Book1.xls"), "PLAIN", 0, result, names), 0);
    EXPECT_EQ(CleanUpTableRead(), 1);
    EXPECT_EQ(CleanUpTableRead(), 1);
}

TEST(CleanUpTableRead, EndsTheSpreadsheetApplication) {
    // An .xlsx workbook is read through the application, which stays until the clean-up.
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadSingle("PGUESS", FixturePath("Book3.xlsx"), "LONG", 0, result, names), 0);
    EXPECT_EQ(CleanUpTableRead(), 1);
    EXPECT_EQ(CleanUpTableRead(), 1);
}
