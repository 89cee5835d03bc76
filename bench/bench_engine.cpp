// The spreadsheet engine reading the 20,000-row x 43-column table sheet
// (ROWNAMES, TEXT, DATE and 40 numbers) from .xlsx and BIFF8 .xls: open, find
// the last cell, take the used area's Value in one call.
//
// The workbooks are those bench/tables.sh makes (bench/work/tables/single/Big.*);
// when they are missing they are made here the same way (gnumeric's ssconvert,
// slow the first time). Counters: cells per second, the peak resident memory
// of the process and the uncompressed size of the sheet data, for the targets
// "peak memory <= 3 x sheet data + 64 MB" (compare with peers: bench/tables.sh).
#include "platform/engine/Automation.h"
#include "platform/engine/ZipPackage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using namespace dulo::engine;

namespace {

fs::path Workbook(const std::string& ext) {
    fs::path bench = DULO_BENCH_DIR;
    fs::path made = bench / "work/tables/single" / ("Big" + ext);
    if (fs::exists(made)) return made;
    fs::path work = bench / "work/engine";
    fs::path out = work / ("Big" + ext);
    if (fs::exists(out)) return out;
    fs::create_directories(work);
    std::string type = ext == ".xlsx" ? "Gnumeric_Excel:xlsx" : "Gnumeric_Excel:excel_biff8";
    std::string cmd = "python3 '" + (bench / "tables_make_data.py").string() + "' '" + (work / "src").string() +
                      "' && cp '" + (work / "src/single/BIG.csv").string() + "' '" + (work / "BIG").string() +
                      "' && ssconvert --import-type=Gnumeric_stf:stf_csvtab -T " + type + " '" +
                      (work / "BIG").string() + "' '" + out.string() + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return {};
    return out;
}

double PeakMegabytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double SheetMegabytes(const fs::path& path) {
    if (path.extension() != ".xlsx") return fs::file_size(path) / 1048576.0;
    std::string bytes;
    auto zip = ZipPackage::Open(path.string());
    if (!zip || !zip->Read("xl/worksheets/sheet1.xml", bytes)) return 0;
    return bytes.size() / 1048576.0;
}

void ReadSheet(benchmark::State& state, const std::string& ext) {
    fs::path path = Workbook(ext);
    if (path.empty()) {
        state.SkipWithError("cannot make the workbook (ssconvert missing?)");
        return;
    }
    long cells = 0;
    for (auto _ : state) {
        auto app = CreateEngineApplication();
        auto book = app->Workbooks()->Open(path.string(), 0, true);
        auto sheet = book->Worksheets(1);
        auto last = sheet->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
        VARIANT value;
        sheet->Range(*sheet->Cells(1, 1), *last)->Value(value);
        cells = last->Row() * last->Column();
        benchmark::DoNotOptimize(value.parray);
        VariantClear(&value);
        book->Close();
        app->Quit();
    }
    state.counters["cells"] = static_cast<double>(cells);
    state.counters["cells_per_s"] = benchmark::Counter(static_cast<double>(cells), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = PeakMegabytes();
    state.counters["sheet_MB"] = SheetMegabytes(path);
}

}  // namespace

BENCHMARK_CAPTURE(ReadSheet, xlsx, std::string(".xlsx"))->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(ReadSheet, xls, std::string(".xls"))->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
