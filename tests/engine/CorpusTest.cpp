// Real workbooks written by other programs (optional: skips when the corpus
// folder is not beside the project). Every BIFF8, OOXML and OpenDocument workbook opens and
// every worksheet's used area reads; a few cells are checked by hand.
#include "EngineHelpers.h"
#include "sources/workbook/excel8WksIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace dulo::engine;
using namespace enginetest;
namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = DULO_CORPUS;

// BIFF5 workbooks, which the BIFF readers read instead (see the corpus README).
bool IsBiff5(const fs::path& p) {
    std::string name = p.filename().string();
    auto endsWith = [&](const std::string& s) { return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0; };
    return p.parent_path().filename() == "biff5" || endsWith("5.xls") || endsWith(".biff5.xls") || name == "CRLFR9.XLS";
}

std::vector<fs::path> Workbooks() {
    std::vector<fs::path> out;
    for (const auto& e : fs::recursive_directory_iterator(kCorpus)) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if ((ext == ".xls" && !IsBiff5(e.path())) || ext == ".xlsx" || ext == ".ods") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(EngineCorpus, EveryWorkbookOpensAndEveryWorksheetReads) {
    if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
    std::vector<fs::path> books = Workbooks();
    ASSERT_FALSE(books.empty());
    for (const fs::path& path : books) {
        SCOPED_TRACE(path.string());
        auto app = CreateEngineApplication();
        std::shared_ptr<IWorkbook> book;
        try {
            book = app->Workbooks()->Open(path.string(), 0, true);
        } catch (const CComError& e) {
            ADD_FAILURE() << "did not open: " << e.what();
            continue;
        }
        long sheets = book->Sheets()->Count();
        EXPECT_GT(sheets, 0);
        for (long i = 1; i <= sheets; ++i) {
            std::shared_ptr<IWorksheet> ws;
            try {
                ws = book->Worksheets(i);
            } catch (const CComError&) {
                break;  // the rest are chart or macro sheets
            }
            UsedArea area;
            EXPECT_NO_THROW(ReadUsed(*ws, area)) << ws->Name();
        }
        app->Quit();
    }
}

TEST(EngineCorpus, TheReaderReadsEveryWorksheetCellByCell) {
    if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
    ASSERT_TRUE(StartApplication());
    int sheetsRead = 0;
    for (const fs::path& path : Workbooks()) {
        SCOPED_TRACE(path.string());
        std::vector<std::string> names;
        {
            Opened o = OpenInEngine(path.string());
            for (long i = 1;; ++i) {
                try {
                    names.push_back(o.book->Worksheets(i)->Name());
                } catch (const CComError&) {
                    break;
                }
            }
        }
        TWksIO wks;
        for (const std::string& name : names) {
            if (!wks.Open(path.c_str(), name.c_str(), WKS_OPEN_ALLOW_APPLICATION)) {
                // Only a sheet whose used area is the single cell A1 may fail (its Value is no array).
                excel8WksIO reader(path.c_str(), name.c_str());
                EXPECT_EQ(reader.GetErrorCode(), EXCEL8_NOT_AN_ARRAY) << name;
                continue;
            }
            EXPECT_EQ(wks.GetKind(), WKS_KIND_APPLICATION);
            std::string text;
            double number;
            COleDateTime date;
            for (int r = 0; r < wks.GetRowCount(); ++r)
                for (int c = 0; c < wks.GetColumnCount(); ++c) {
                    wks.GetCellText(r, c, text);
                    wks.GetNumber(r, c, number);
                    wks.GetDateValue(r, c, date);
                }
            ++sheetsRead;
        }
    }
    EXPECT_GT(sheetsRead, 0);
    EXPECT_TRUE(QuitApplication());
}

struct KnownCell {
    const char* file;
    const char* sheet;
    long row, col;
    VARTYPE vt;
    const char* text;  // for VT_BSTR
    double number;     // for numbers and dates
};

TEST(EngineCorpus, DialogChartAndMacroSheetsAreNotWorksheets) {
    if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
    Opened o = OpenInEngine((kCorpus / "sheetjs/BlankSheetTypes.xls").string());
    EXPECT_EQ(o.book->Sheets()->Count(), 4);  // Sheet1, Chart1, Macro1, Dialog1
    EXPECT_EQ(o.book->Worksheets(1)->Name(), "Sheet1");
    EXPECT_THROW(o.book->Worksheets(2), CComError);
    Opened x = OpenInEngine((kCorpus / "sheetjs/mixed_sheets.xlsx").string());
    EXPECT_EQ(x.book->Worksheets(2)->Name(), "choices");
}

TEST(EngineCorpus, HandCheckedCells) {
    if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
    const KnownCell cells[] = {
#include "CorpusCells.inc"
    };
    for (const KnownCell& k : cells) {
        SCOPED_TRACE(std::string(k.file) + " " + k.sheet);
        Opened o = OpenInEngine((kCorpus / k.file).string());
        std::shared_ptr<IWorksheet> ws;
        for (long i = 1; !ws; ++i) {
            auto s = o.book->Worksheets(i);
            if (s->Name() == k.sheet) ws = s;
        }
        VARIANT v;
        ws->Cells(k.row, k.col)->Value(v);
        ASSERT_EQ(v.vt, k.vt) << k.row << "," << k.col;
        if (v.vt == VT_BSTR) {
            EXPECT_EQ(Text(v), k.text);
        } else if (v.vt == VT_R8) {
            EXPECT_DOUBLE_EQ(v.dblVal, k.number);
        } else if (v.vt == VT_DATE) {
            EXPECT_DOUBLE_EQ(v.date, k.number);
        }
        VariantClear(&v);
    }
}

}  // namespace
