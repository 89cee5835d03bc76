// Real BIFF5 workbooks from other programs (the shared corpus beside the
// project). Skipped when the corpus is not there.
#include "sources/workbook/WksIO.h"
#include "sources/workbook/excel5WksIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

bool EndsWithNoCase(std::string name, std::string suffix) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The corpus's BIFF5 workbooks: sheetjs/biff5/, *5.xls, *.biff5.xls, crlf/CRLFR9.XLS.
std::vector<fs::path> Biff5Workbooks() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(DULO_CORPUS)) {
        if (!entry.is_regular_file()) continue;
        const fs::path& p = entry.path();
        std::string name = p.filename().string();
        if (p.parent_path().filename() == "biff5" || EndsWithNoCase(name, "5.xls") || name == "CRLFR9.XLS")
            files.push_back(p);
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Corpus : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(DULO_CORPUS)) GTEST_SKIP() << "no corpus at " << DULO_CORPUS;
    }
};

// Every cell of every sheet through every getter; returns the cells that hold something.
int ReadAllCells(TWksIO& wks) {
    int filled = 0;
    char text[1024];
    for (int row = 0; row < wks.GetRowCount(); ++row) {
        for (int column = 0; column < wks.GetColumnCount(); ++column) {
            int flags = wks.GetCellText(row, column, text, sizeof text, WKS_PREFIX_NUMERIC);
            double number;
            EXPECT_EQ(wks.GetNumber(row, column, number), flags);
            EXPECT_EQ(number != WKS_NO_NUMBER, (flags & WKS_NUMBER) != 0);
            COleDateTime date;
            wks.GetDateValue(row, column, date);
            filled += (flags & (WKS_NUMBER | WKS_TEXT)) != 0;
        }
    }
    return filled;
}

TEST_F(Corpus, EveryBiff5WorkbookReadsCellByCell) {
    std::vector<fs::path> files = Biff5Workbooks();
    ASSERT_GE(files.size(), 10u);
    int workbooks = 0, sheets = 0, cells = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        int kind = TWksIO::DetectKind(file.c_str());
        TWksIO wks;
        if (kind != WKS_KIND_BIFF5) {
            // CRLFR9.XLS holds a BIFF8 "Workbook" stream: the application reads it.
            EXPECT_EQ(kind, WKS_KIND_APPLICATION);
            EXPECT_FALSE(wks.Open(file.c_str(), "", WKS_OPEN_NO_APPLICATION));
            EXPECT_TRUE(wks.NeedsApplication());
            continue;
        }
        ASSERT_TRUE(wks.Open(file.c_str(), "", WKS_OPEN_NO_APPLICATION));
        ++workbooks;
        auto names = dynamic_cast<excel5WksIO&>(*wks.GetInnards()).GetSheetNames();
        EXPECT_FALSE(names.empty());
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            ASSERT_TRUE(wks.SelectSheet(name.c_str()));
            ++sheets;
            cells += ReadAllCells(wks);
        }
    }
    EXPECT_GE(workbooks, 10);
    EXPECT_GT(sheets, workbooks);
    EXPECT_GT(cells, 500);
}

struct Expected {
    const char* file;
    const char* sheet;
    int row, column, flags;
    const char* text;
    double number;
};

TEST_F(Corpus, CellsCheckedByHand) {
    const Expected cases[] = {
        {"sheetjs/biff5/hyperlink_stress_test_2011.xls", "Sheet1", 0, 0, 0x40, "http://www.sheetjs.com", WKS_NO_NUMBER},
        {"sheetjs/biff5/hyperlink_stress_test_2011.xls", "sheet1", 1, 0, 0x40, "OSS", WKS_NO_NUMBER},
        {"sheetjs/crlf/crlf5.xls", "Sheet1", 0, 1, 0x40, "abc\ndef", WKS_NO_NUMBER},
        {"sheetjs/crlf/crlf5.xls", "Sheet1", 1, 1, 0x60, "abc\r\ndef", WKS_NO_NUMBER},  // formula with a text result
        {"sheetjs/crlf/crlf5.xls", "Sheet1", 2, 1, 0, "", WKS_NO_NUMBER},
        {"sheetjs/biff5/defined_names_simple.xls", "Sheet1", 0, 0, 0xA0, "2", 2.0},
        {"sheetjs/biff5/defined_names_simple.xls", "Sheet1", 1, 0, 0x80, "3", 3.0},
        {"sheetjs/biff5/number_format_estonian.xls", "Implied", 0, 1, 0x40, "Value", WKS_NO_NUMBER},
        {"sheetjs/biff5/number_format_estonian.xls", "IMPLIED", 1, 1, 0x80, "12345.7", 12345.6789},
        {"sheetjs/biff5/number_format_estonian.xls", "ImpliedNegative", 1, 1, 0x80, "-12345.7", -12345.6789},
        {"sheetjs/biff5/number_format_estonian.xls", "Miscellany", 3, 0, 0x80, "100", 100.0},
        {"sheetjs/biff5/number_format_vietnamese.xls", "Implied", 2, 3, 0x60, "12346", WKS_NO_NUMBER},
        {"sheetjs/biff5/NumberFormatCondition.xls", "Sheet1", 0, 0, 0x80, "50", 50.0},
        // Rows 1 and 2 are MULRK records of four RK values each.
        {"sheetjs/biff5/NumberFormatCondition.xls", "Sheet1", 1, 0, 0x80, "26", 26.0},
        {"sheetjs/biff5/NumberFormatCondition.xls", "Sheet1", 1, 2, 0x80, "51", 51.0},
        {"sheetjs/biff5/NumberFormatCondition.xls", "Sheet1", 2, 3, 0x80, "49", 49.0},
        {"sheetjs/biff5/NumberFormatCondition.xls", "Sheet1", 3, 2, 0, "", WKS_NO_NUMBER},
        {"sheetjs/freeze5.xls", "b3", 0, 0, 0x40, "B3", WKS_NO_NUMBER},
        {"sheetjs/defined_names_unicode.biff5.xls", "NoContainsJapanese", 0, 0, 0x40, "NamedDefine", WKS_NO_NUMBER},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " " << c.sheet << " " << c.row << "," << c.column);
        TWksIO wks;
        ASSERT_TRUE(wks.Open((std::string(DULO_CORPUS) + "/" + c.file).c_str(), c.sheet, WKS_OPEN_NO_APPLICATION));
        char text[256];
        EXPECT_EQ(wks.GetCellText(c.row, c.column, text, sizeof text, WKS_PREFIX_NONE) & ~WKS_ALIGN_MASK, c.flags);
        EXPECT_STREQ(text, c.text);
        double number;
        wks.GetNumber(c.row, c.column, number);
        EXPECT_DOUBLE_EQ(number, c.number);
    }
}

TEST_F(Corpus, SheetNamesInWorkbookOrder) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"sheetjs/freeze5.xls", {"B2", "B3", "A2", "B1"}},
        {"sheetjs/biff5/number_format_estonian.xls", {"Implied", "ImpliedNegative", "2011", "Miscellany", "SSF"}},
        {"sheetjs/page_margins_2016_5.xls", {"Wide", "Narrow", "Normal", "Custom 1 Inch Centered", "1 Inch HF"}},
    };
    for (const auto& [file, names] : expected) {
        TWksIO wks;
        ASSERT_TRUE(wks.Open((std::string(DULO_CORPUS) + "/" + file).c_str(), "", WKS_OPEN_NO_APPLICATION)) << file;
        EXPECT_EQ(dynamic_cast<excel5WksIO&>(*wks.GetInnards()).GetSheetNames(), names) << file;
    }
}

}  // namespace
