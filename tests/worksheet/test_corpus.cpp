// Real workbooks written by other programs, read as worksheet tables: every
// sheet of every BIFF5 workbook and the first sheet of the others must read
// or fail with a status, without crashing. Skipped when the corpus is absent.
#include "WorksheetSupport.h"

#include "sources/TableSources.h"
#include "sources/WorkbookCache.h"
#include "sources/workbook/WksIO.h"
#include "sources/workbook/excel5WksIO.h"
#include "sources/workbook/excel8WksIO.h"
#include "tables/IoTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    if (!fs::is_directory(DULO_CORPUS, ec)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(DULO_CORPUS, ec)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (entry.is_regular_file() && (ext == ".xls" || ext == ".xlsx")) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> SheetsOf(const std::string& path) {
    TWksIO workbook;
    if (!workbook.Open(path.c_str(), "", WKS_OPEN_NO_APPLICATION)) return {""};
    auto* biff5 = dynamic_cast<excel5WksIO*>(workbook.GetInnards());
    return biff5 ? biff5->GetSheetNames() : std::vector<std::string>{""};
}

// Reads every value the way the exports do.
void TouchEverything(const CIoTable& table) {
    for (int r = 0; r < table.GetRowCount(); ++r) {
        if (!table.m_KeyColumns.IsEmpty()) (void)table.GetRowName(r);
        for (int c = 0; c < table.GetColumnCount(); ++c) {
            if (table.IsNull(r, c)) continue;
            switch (table.GetColumnType(c)) {
                case 1: (void)std::string(table.GetValueText(r, c)); break;
                case 9:
                case 10:
                case 11: (void)table.GetDateValue(r, c); break;
                default: (void)table.GetValueNumber(r, c); break;
            }
        }
    }
}

TEST(WorksheetCorpus, EverySheetReadsOrFailsCleanly) {
    std::vector<std::string> files = CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << DULO_CORPUS;
    dulo::SetUpTableSources();
    int sheets = 0, read = 0;
    for (const auto& path : files) {
        for (const auto& sheet : SheetsOf(path)) {
            SCOPED_TRACE(path + " [" + sheet + "]");
            ++sheets;
            // As a model table, and with every row selected.
            for (const char* keyFields : {"ROWNAMES", ""}) {
                CIoTable table(path.c_str(), sheet.c_str(), keyFields, *keyFields ? "*" : "", "*", 0);
                int status = table.GetStatus();
                EXPECT_TRUE(status == 0 || status == 1 || status == 2 || status == 21) << status;
                if (status == 0 || status == 21) {
                    ++read;
                    EXPECT_LE(table.GetRowCount(), std::max(0, table.m_Description.m_nSheetRowCount));
                    TouchEverything(table);
                }
            }
        }
        dulo::WorkbookCache::Empty();
    }
    EXPECT_GT(read, 0) << sheets << " sheets, none read";
}

TEST(WorksheetCorpus, KnownBiff5TableByAnotherKeyColumn) {
    std::string path = std::string(DULO_CORPUS) + "/sheetjs/biff5/number_format_estonian.xls";
    if (!fs::exists(path)) GTEST_SKIP() << "no corpus file " << path;
    dulo::SetUpTableSources();
    // Headings Format, Value, B Fmt, VBA Fmt, Fmt, Macro; rows keyed by the numbers 0..27 under Format.
    CIoTable table(path.c_str(), "implied", "Format", "*", "*", 0);
    ASSERT_EQ(table.GetStatus(), 0);
    ASSERT_EQ(table.GetColumnCount(), 6);
    EXPECT_EQ(table.GetColumnName(3), "VBA Fmt");
    EXPECT_EQ(table.GetRowCount(), 28);
    EXPECT_EQ(table.GetRowName(2), "2.000000") << "a numeric key cell prints as a double";
    EXPECT_DOUBLE_EQ(table.GetValueNumber(0, 1), 12345.6789);
    EXPECT_EQ(table.GetColumnType(4), 1);
    EXPECT_STREQ(table.GetValueText(2, 4), "0.00");
    dulo::WorkbookCache::Empty();
}

}  // namespace
