// Real workbooks written by other programs (optional: skips when the corpus
// folder is not beside the project). Every BIFF8, OOXML (.xlsx, .xlsb), OpenDocument and Lotus workbook opens and
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
        if ((ext == ".xls" && !IsBiff5(e.path())) || ext == ".xlsx" || ext == ".xlsb" || ext == ".ods" || ext == ".wk1" ||
            ext == ".wks" || ext == ".wr1" || ext == ".wk3" || ext == ".wk4") out.push_back(e.path());
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
    InstallExcel8WksIO();
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
        } else if (v.vt == VT_ERROR) {
            EXPECT_EQ(static_cast<uint32_t>(v.scode), k.number);
        }
        VariantClear(&v);
    }
}

}  // namespace

namespace {

// Every element's type and value in a readable line, for comparing two reads.
std::vector<std::string> Elements(IWorksheet& sheet) {
    UsedArea area;
    ReadUsed(sheet, area);
    std::vector<std::string> out;
    out.push_back(std::to_string(area.rows) + "x" + std::to_string(area.cols));
    if (!area.IsArray()) return out;
    for (long r = 1; r <= area.rows; ++r)
        for (long c = 1; c <= area.cols; ++c) {
            const VARIANT& v = area.At(r, c);
            if (v.vt == VT_EMPTY) continue;
            char buffer[96];
            double number = v.vt == VT_R8 ? v.dblVal : v.vt == VT_DATE ? v.date : v.vt == VT_CY ? v.cyVal.int64 / 1e4 : v.vt == VT_BOOL ? v.boolVal : v.vt == VT_ERROR ? v.scode : 0;
            std::snprintf(buffer, sizeof buffer, "%ld,%ld vt%d %.17g ", r, c, v.vt, number);
            out.push_back(buffer + (v.vt == VT_BSTR ? Text(v) : std::string()));
        }
    return out;
}

TEST(EngineCorpus, AWorkbookSavedInSeveralKindsReadsAlike) {
    if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
    struct Twins {
        const char* first;
        const char* second;
        std::vector<std::string> volatileCells;  // "sheet:row,col" of NOW() and RAND(), saved at different times
    };
    const Twins twins[] = {
        {"sheetjs/RkNumber.xlsb", "sheetjs/RkNumber.xlsx", {}},
        {"sheetjs/RkNumber.xlsb", "sheetjs/RkNumber.xls", {}},
        {"sheetjs/merge_cells.xlsb", "sheetjs/merge_cells.xlsx", {}},
        {"sheetjs/formula_stress_test.xlsb", "sheetjs/formula_stress_test.xlsx", {"Date:6,2", "Date:7,2", "Math:46,2"}},
        {"sheetjs/AutoFilter.xlsb", "sheetjs/AutoFilter.xls", {}},
        {"sheetjs/AutoFilter.xlsb", "sheetjs/AutoFilter.ods", {}},
        {"sheetjs/merge_cells.xlsb", "sheetjs/merge_cells.ods", {}},
        {"sheetjs/1904/1904.xlsb", "sheetjs/1904/1904.ods", {}},
    };
    for (const Twins& t : twins) {
        SCOPED_TRACE(std::string(t.first) + " and " + t.second);
        Opened a = OpenInEngine((kCorpus / t.first).string());
        Opened b = OpenInEngine((kCorpus / t.second).string());
        ASSERT_EQ(a.book->Sheets()->Count(), b.book->Sheets()->Count());
        for (long i = 1; i <= a.book->Sheets()->Count(); ++i) {
            auto sa = a.book->Worksheets(i);
            auto sb = b.book->Worksheets(i);
            // Programs other than Excel may rename sheets ("No Filter" as "No_Filter"); the cells must agree.
            std::vector<std::string> ea = Elements(*sa), eb = Elements(*sb);
            ASSERT_EQ(ea.size(), eb.size()) << sa->Name();
            ASSERT_GT(ea.size(), 1u) << sa->Name();
            for (size_t k = 0; k < ea.size(); ++k) {
                std::string at = sa->Name() + ":" + ea[k].substr(0, ea[k].find(' '));
                if (std::find(t.volatileCells.begin(), t.volatileCells.end(), at) != t.volatileCells.end()) continue;
                EXPECT_EQ(ea[k], eb[k]) << sa->Name();
            }
        }
    }
}

}  // namespace
