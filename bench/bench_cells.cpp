// Building and destroying a worksheet-sized table (20,000 rows x 43 double
// columns) cell by cell, as the worksheet reader does.
#include "tables/IoRow.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kRows = 20000;
constexpr int kColumns = 43;

void BuildTable(CIoRowArray& rows) {
    char name[16];
    for (int r = 0; r < kRows; ++r) {
        std::snprintf(name, sizeof name, "R%d", r);
        int index = rows.AddRow(name, false, r + 1, 0);
        CIoCellArray& cells = rows.GetRow(index)->m_DataCells;
        for (int c = 0; c < kColumns; ++c) {
            CIoDoubleCell* cell = new CIoDoubleCell(r * 0.5 + c, false, false);
            cell->SetSourceIndex(0);
            cell->SetSourceRow(r + 1);
            cell->SetSourceColumn(c + 1);
            cells.Add(cell);
        }
    }
}

void BM_BuildAndDestroyTable(benchmark::State& state) {
    for (auto _ : state) {
        CIoRowArray rows;
        BuildTable(rows);
        benchmark::DoNotOptimize(rows.GetData());
    }
    state.counters["cells"] = double(kRows) * kColumns;
    state.counters["ns_per_cell"] = benchmark::Counter(double(kRows) * kColumns * double(state.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildAndDestroyTable)->Unit(benchmark::kMillisecond);

// Reading every cell back as the exports do (number per cell).
void BM_ReadTable(benchmark::State& state) {
    CIoRowArray rows;
    BuildTable(rows);
    for (auto _ : state) {
        double sum = 0;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                if (!rows.IsNull(r, c)) sum += rows.GetCellDouble(r, c);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
