// The reader entry for worksheets, the workbook cache, and bad input.
#include "WorksheetSupport.h"

#include "sources/TableSources.h"
#include "sources/WorkbookCache.h"
#include "sources/workbook/WksIO.h"
#include "tables/IoTable.h"
#include "tables/SqlType.h"
#include "tables/TableReaders.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { dulo::SetUpTableSources(); }
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_F(ReaderTest, IsRegisteredForTypeZero) { EXPECT_EQ(FindTableReader(0), &ReadWorksheetTable); }

TEST_F(ReaderTest, FillsTheTableAndItsDescription) {
    std::string path = WorksheetFixture("layouts.xls");
    CIoTable table(path.c_str(), "Plain", "ROWNAMES", "*", "*", 0);
    ASSERT_EQ(table.GetStatus(), 0);
    EXPECT_EQ(table.GetRowCount(), 3);
    EXPECT_EQ(table.GetColumnCount(), 8);
    EXPECT_EQ(table.GetRowName(1), "R2");
    EXPECT_EQ(table.GetColumnName(2), "X");
    EXPECT_DOUBLE_EQ(table.GetValueNumber(1, 2), 2.5);
    EXPECT_EQ(table.m_strSheetLabel, path);

    const CIoTableDescription& d = table.m_Description;
    EXPECT_EQ(d.m_nSheetRowCount, 6);
    EXPECT_EQ(d.m_nSheetColumnCount, 9);
    EXPECT_EQ(d.m_nHeaderRow, 0);
    EXPECT_EQ(d.m_nRowNameColumn, 0);
    EXPECT_EQ(d.m_nEndMarkerColumn, -1);
    EXPECT_EQ(d.m_nRowCount, 3);
    EXPECT_EQ(d.m_nDataColumnCount, 8);
    EXPECT_EQ(d.m_nLastColumnOrdinal, 8);
    EXPECT_EQ(table.m_nReaderResults[2], 1) << "the reader's ready word";
}

struct StatusCase {
    const char* name;
    const char* file;  // under the fixtures, or a path of its own when it starts with "/"
    const char* sheet;
    const char* keyFields;
    int status;
    int rows;
};

class ReaderStatusTest : public ::testing::TestWithParam<StatusCase> {
protected:
    void SetUp() override { dulo::SetUpTableSources(); }
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_P(ReaderStatusTest, ReportsItsStatus) {
    const StatusCase& c = GetParam();
    std::string path = c.file[0] == '/' ? c.file : WorksheetFixture(c.file);
    CIoTable table(path.c_str(), c.sheet, c.keyFields, "*", "*", 0);
    EXPECT_EQ(table.GetStatus(), c.status);
    EXPECT_EQ(table.GetRowCount(), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ReaderStatusTest,
    ::testing::Values(
        StatusCase{"Read", "layouts.xls", "Table", "ROWNAMES", 0, 2},
        StatusCase{"SheetNameWithoutRegardToCase", "layouts.xls", "table", "ROWNAMES", 0, 2},
        StatusCase{"MissingFile", "/nonexistent/dir/book.xls", "Plain", "ROWNAMES", 1, 0},
        StatusCase{"MissingSheet", "layouts.xls", "NoSuchSheet", "ROWNAMES", 1, 0},
        StatusCase{"NotAWorkbook", "keyA.gnumeric", "Data", "ROWNAMES", 1, 0},
        // A sheet without cells reads as one blank heading over the row names, and no rows.
        StatusCase{"EmptySheet", "layouts.xls", "Empty", "ROWNAMES", 0, 0},
        StatusCase{"EmptySheetOtherKey", "layouts.xls", "Empty", "KEY", 2, 0},
        // Only comment rows: the blank heading row past them gives a ROWNAMES column and no rows.
        StatusCase{"CommentsOnly", "layouts.xls", "CommentsOnly", "ROWNAMES", 0, 0},
        StatusCase{"HeadingRowOfBlanks", "layouts.xls", "Blanks", "ROWNAMES", 0, 0},
        StatusCase{"UnknownKeyField", "layouts.xls", "Plain", "NOPE", 2, 0},
        // A text key cell in a numeric key column: read, with the warning status.
        StatusCase{"Warning", "selection.xls", "Keys", "CODE", 21, 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderTest, TruncatedWorkbooksFailCleanly) {
    std::ifstream in(WorksheetFixture("layouts.xls"), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 4096u);
    for (size_t keep : {size_t(0), size_t(100), size_t(512), bytes.size() / 2, bytes.size() - 700}) {
        std::string path = TempFile("cut" + std::to_string(keep) + ".xls");
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(keep));
        CIoTable table(path.c_str(), "Plain", "ROWNAMES", "*", "*", 0);
        EXPECT_NE(table.GetStatus(), 0) << keep;
        dulo::WorkbookCache::Empty();
    }
}

TEST_F(ReaderTest, HugeDimensionsWithFewCells) {
    // The sheet claims 65535 rows and 255 columns; three cells exist.
    std::string path = TempFile("huge.xls");
    Biff3Sheet().Dimensions(65535, 255).Label(0, 0, "ROWNAMES").Label(0, 1, "X").Label(1, 0, "R1").Number(1, 1, 4.5)
        .Write(path);
    auto start = std::chrono::steady_clock::now();
    CIoTable table(path.c_str(), "", "ROWNAMES", "*", "*", 0);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(table.GetStatus(), 0);
    ASSERT_EQ(table.GetRowCount(), 1);
    EXPECT_DOUBLE_EQ(table.GetValueNumber(0, 1), 4.5);
    EXPECT_EQ(table.m_Description.m_nSheetRowCount, 65535);
    // Not a timing target: a guard against walking the claimed grid cell by cell many times over.
    EXPECT_LT(seconds, 30.0);

    // A blank first cell and nothing before the last column: the heading search
    // looks along every claimed row and settles on the last one.
    std::string blank = TempFile("huge-blank.xls");
    Biff3Sheet().Dimensions(65535, 255).Number(70, 254, 1).Write(blank);
    CIoTable sparse(blank.c_str(), "", "ROWNAMES", "*", "*", 0);
    EXPECT_EQ(sparse.GetStatus(), 0);
    EXPECT_EQ(sparse.GetRowCount(), 0);
    EXPECT_EQ(sparse.m_Description.m_nHeaderRow, 65534);
}

TEST_F(ReaderTest, DateAndTimeFormatsOfOlderFiles) {
    // BIFF3 keeps its format texts: both date and time letters make a timestamp.
    std::string path = TempFile("formats.xls");
    Biff3Sheet()
        .Format("General")
        .Format("dd/mm/yyyy hh:mm")
        .Format("hh:mm")
        .Format("[Red]0.00")
        .Xf(0)
        .Xf(1)
        .Xf(2)
        .Xf(3)
        .Dimensions(4, 3)
        .Label(0, 0, "ROWNAMES")
        .Label(0, 1, "DATE")
        .Label(0, 2, "V")
        .Label(1, 0, "A")
        .Number(1, 1, 45000.75, 1)
        .Number(1, 2, 3.25, 1)
        .Label(2, 0, "B")
        .Number(2, 1, 0.5, 2)
        .Number(2, 2, 2, 3)
        .Label(3, 0, "C")
        .Number(3, 1, 45001, 3)
        .Write(path);
    CIoTable table(path.c_str(), "", "ROWNAMES", "*", "*", 0);
    ASSERT_EQ(table.GetStatus(), 0);
    ASSERT_EQ(table.GetRowCount(), 3);
    EXPECT_EQ(table.GetColumnType(2), SqlType::TimeStamp) << "V is typed by its first cell";
    struct {
        int row, column, kind;
        double value;
    } cells[] = {
        {0, 1, SqlType::TimeStamp, 45000.75}, {1, 1, SqlType::Time, 0.5}, {2, 1, SqlType::TimeStamp, 45001},
        {1, 2, SqlType::TimeStamp, 2},
    };
    for (const auto& c : cells) {
        const CIoCell* cell = table.m_Rows.GetCell(c.row, c.column);
        EXPECT_EQ(cell->GetSqlType(), c.kind) << c.row << "," << c.column;
        EXPECT_DOUBLE_EQ(cell->GetDate().m_dt, c.value);
    }
    EXPECT_EQ(dulo::WorkbookCache::Cached(), nullptr) << "older files are not kept open";
}

class CacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        dulo::SetUpTableSources();
        dulo::WorkbookCache::Empty();
    }
    void TearDown() override { dulo::WorkbookCache::Empty(); }
};

TEST_F(CacheTest, SameWorkbookIsOpenedOnce) {
    std::string layouts = WorksheetFixture("layouts.xls");
    {
        CIoTable first(layouts.c_str(), "Plain", "ROWNAMES", "*", "*", 0);
        ASSERT_EQ(first.GetStatus(), 0);
    }
    TWksIO* cached = dulo::WorkbookCache::Cached();
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(dulo::WorkbookCache::CachedPath(), layouts);
    {
        CIoTable second(layouts.c_str(), "Table", "ROWNAMES", "*", "*", 0);
        ASSERT_EQ(second.GetStatus(), 0);
        EXPECT_EQ(second.GetRowName(0), "T1") << "the other sheet was selected";
    }
    EXPECT_EQ(dulo::WorkbookCache::Cached(), cached);

    // Another workbook replaces it; a missing sheet of the cached one empties the cache.
    std::string selection = WorksheetFixture("selection.xls");
    CIoTable other(selection.c_str(), "Keys", "ROWNAMES", "*", "*", 0);
    ASSERT_EQ(other.GetStatus(), 0);
    EXPECT_EQ(dulo::WorkbookCache::CachedPath(), selection);
    CIoTable missing(selection.c_str(), "Nope", "ROWNAMES", "*", "*", 0);
    EXPECT_EQ(missing.GetStatus(), 1);
    EXPECT_EQ(dulo::WorkbookCache::Cached(), nullptr);
}

TEST_F(CacheTest, EmptySheetNameIsNotKept) {
    std::string layouts = WorksheetFixture("layouts.xls");
    CIoTable table(layouts.c_str(), "", "ROWNAMES", "*", "*", 0);
    EXPECT_EQ(table.GetStatus(), 0) << "the first sheet";
    EXPECT_EQ(table.GetRowName(0), "R1");
    EXPECT_EQ(dulo::WorkbookCache::Cached(), nullptr);
}

TEST_F(CacheTest, SpellingsDifferingInCaseMatchOnlyTheSameFile) {
    std::string original = TempFile("Book.xls");
    fs::copy_file(WorksheetFixture("layouts.xls"), original, fs::copy_options::overwrite_existing);
    auto workbook = std::make_shared<TWksIO>();
    ASSERT_TRUE(workbook->Open(original.c_str(), "Plain", WKS_OPEN_NO_APPLICATION));
    ASSERT_TRUE(dulo::WorkbookCache::Register(workbook, original, "Plain"));
    EXPECT_TRUE(dulo::WorkbookCache::Holds(workbook.get()));

    // The same file under another case (a hard link) is the cached workbook.
    std::string link = TempFile("BOOK.xls");
    fs::remove(link);
    fs::create_hard_link(original, link);
    EXPECT_EQ(dulo::WorkbookCache::Lookup(link, "Table"), workbook);

    // A different file whose name differs only in case is not, and empties the cache.
    std::string other = TempFile("book.xls");
    fs::copy_file(WorksheetFixture("selection.xls"), other, fs::copy_options::overwrite_existing);
    EXPECT_EQ(dulo::WorkbookCache::Lookup(other, "Keys"), nullptr);
    EXPECT_EQ(dulo::WorkbookCache::Cached(), nullptr);
    EXPECT_EQ(workbook.use_count(), 1) << "the cache let go of it";
}

TEST_F(CacheTest, RegisterKeepsOnlyCacheableWorkbooks) {
    std::string path = TempFile("old.xls");
    Biff3Sheet().Dimensions(1, 1).Label(0, 0, "ROWNAMES").Write(path);
    auto old = std::make_shared<TWksIO>();
    ASSERT_TRUE(old->Open(path.c_str(), "", WKS_OPEN_NO_APPLICATION));
    EXPECT_FALSE(dulo::WorkbookCache::Register(old, path, "Sheet1")) << "BIFF3 is read anew each time";
    EXPECT_EQ(dulo::WorkbookCache::Cached(), nullptr);

    auto biff5 = std::make_shared<TWksIO>();
    ASSERT_TRUE(biff5->Open(WorksheetFixture("keyA.xls").c_str(), "Data", WKS_OPEN_NO_APPLICATION));
    EXPECT_FALSE(dulo::WorkbookCache::Register(biff5, WorksheetFixture("keyA.xls"), "")) << "without a sheet name";
    EXPECT_TRUE(dulo::WorkbookCache::Register(biff5, WorksheetFixture("keyA.xls"), "Data"));
    EXPECT_EQ(dulo::WorkbookCache::Cached(), biff5.get());
    EXPECT_FALSE(dulo::WorkbookCache::Register(biff5, WorksheetFixture("keyA.xls"), ""));
    EXPECT_EQ(dulo::WorkbookCache::Cached(), nullptr);
}

TEST_F(CacheTest, EmptyingTheCacheUnderAnOpenTableKeepsItsWorkbook) {
    SheetSource s;
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), "Plain"));
    dulo::WorkbookCache::Empty();
    ASSERT_TRUE(s.Extract("ROWNAMES", "*"));
    EXPECT_EQ(s.RowNames(), (std::vector<std::string>{"R1", "R2", "R3"}));
    EXPECT_TRUE(s.table.CloseTable(true));
}

TEST_F(CacheTest, CloseKeepsTheCachedWorkbookAndFailsWhenNotOpen) {
    SheetSource s;
    EXPECT_FALSE(s.table.CloseTable(true)) << "not open";
    ASSERT_TRUE(s.Open(WorksheetFixture("layouts.xls"), "Plain"));
    TWksIO* workbook = s.table.GetWorkbook();
    EXPECT_TRUE(dulo::WorkbookCache::Holds(workbook));
    EXPECT_TRUE(s.table.CloseTable(true));
    EXPECT_FALSE(s.table.CloseTable(true)) << "closed";
    EXPECT_EQ(dulo::WorkbookCache::Cached(), workbook);
}

TEST_F(CacheTest, OpenFailureReportsThePath) {
    SheetSource s;
    EXPECT_FALSE(s.Open("/nonexistent/x.xls", "Plain"));
    EXPECT_TRUE(s.Logged("Unable to open table [/nonexistent/x.xls]")) << s.log.str();
    EXPECT_FALSE(s.table.IsOpen());
}

}  // namespace
