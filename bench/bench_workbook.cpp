// Reading a BIFF5 sheet of 16,383 rows x 43 columns through TWksIO, row by row
// and column by column, as the worksheet table reads it.
#include "sources/workbook/WksIO.h"

#include <benchmark/benchmark.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 16383;
constexpr int kColumns = 43;

struct Stream {
    std::vector<uint8_t> bytes;
    void U16(int v) {
        bytes.push_back(uint8_t(v));
        bytes.push_back(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        U16(int(v & 0xFFFF));
        U16(int(v >> 16));
    }
    void Record(int id, const std::vector<uint8_t>& body) {
        U16(id);
        U16(int(body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
    }
};

std::vector<uint8_t> Body(std::initializer_list<int> words) {
    std::vector<uint8_t> b;
    for (int w : words) b.push_back(uint8_t(w)), b.push_back(uint8_t(w >> 8));
    return b;
}

// Globals with one BOUNDSHEET, then the sheet: a label row name and 42 numbers a row,
// RK values and IEEE doubles alternating.
std::vector<uint8_t> MakeBook() {
    Stream sheet;
    sheet.Record(0x0809, Body({0x0500, 0x0010, 0, 0}));
    sheet.Record(0x0200, Body({0, kRows, 0, kColumns, 0}));
    for (int row = 0; row < kRows; ++row) {
        std::string name = "ROW" + std::to_string(row);
        std::vector<uint8_t> label = Body({row, 0, 0, int(name.size())});
        label.insert(label.end(), name.begin(), name.end());
        sheet.Record(0x0204, label);
        for (int column = 1; column < kColumns; ++column) {
            if (column % 2) {
                std::vector<uint8_t> rk = Body({row, column, 0});
                uint32_t value = (uint32_t(row * 100 + column) << 2) | 2;
                for (int i = 0; i < 4; ++i) rk.push_back(uint8_t(value >> (8 * i)));
                sheet.Record(0x027E, rk);
            } else {
                std::vector<uint8_t> number = Body({row, column, 0});
                double value = row + column / 100.0;
                uint8_t raw[8];
                std::memcpy(raw, &value, 8);
                number.insert(number.end(), raw, raw + 8);
                sheet.Record(0x0203, number);
            }
        }
    }
    sheet.Record(0x000A, {});

    std::string sheetName = "Data";
    Stream book;
    book.Record(0x0809, Body({0x0500, 0x0005, 0, 0}));
    size_t globals = book.bytes.size() + 4 + 7 + sheetName.size() + 4;
    std::vector<uint8_t> bound;
    for (int i = 0; i < 4; ++i) bound.push_back(uint8_t(globals >> (8 * i)));
    bound.push_back(0), bound.push_back(0), bound.push_back(uint8_t(sheetName.size()));
    bound.insert(bound.end(), sheetName.begin(), sheetName.end());
    book.Record(0x0085, bound);
    book.Record(0x000A, {});
    book.bytes.insert(book.bytes.end(), sheet.bytes.begin(), sheet.bytes.end());
    return book.bytes;
}

const std::string& BookPath() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "dulo-bench-workbook.xls").string();
        std::vector<uint8_t> book = MakeBook();
        gsf_init();
        std::filesystem::remove(p);
        GsfOutput* out = gsf_output_stdio_new(p.c_str(), nullptr);
        GsfOutfile* ole = gsf_outfile_msole_new(out);
        g_object_unref(out);
        GsfOutput* child = gsf_outfile_new_child(ole, "Book", FALSE);
        gsf_output_write(child, book.size(), book.data());
        gsf_output_close(child);
        g_object_unref(child);
        gsf_output_close(GSF_OUTPUT(ole));
        g_object_unref(ole);
        return p;
    }();
    return path;
}

void BM_OpenBiff5Sheet(benchmark::State& state) {
    for (auto _ : state) {
        TWksIO wks;
        if (!wks.Open(BookPath().c_str(), "Data", WKS_OPEN_NO_APPLICATION)) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(wks.GetRowCount());
    }
}
BENCHMARK(BM_OpenBiff5Sheet)->Unit(benchmark::kMillisecond);

void BM_ReadBiff5SheetCellByCell(benchmark::State& state) {
    char text[256];
    for (auto _ : state) {
        TWksIO wks;
        if (!wks.Open(BookPath().c_str(), "Data", WKS_OPEN_NO_APPLICATION)) state.SkipWithError("open failed");
        double sum = 0;
        for (int row = 0; row < wks.GetRowCount(); ++row) {
            for (int column = 0; column < wks.GetColumnCount(); ++column) {
                int flags = wks.GetCellText(row, column, text, sizeof text, WKS_PREFIX_NUMERIC);
                if (flags & WKS_NUMBER) {
                    double number;
                    wks.GetNumber(row, column, number);
                    sum += number;
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["cells"] = benchmark::Counter(double(kRows) * kColumns, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadBiff5SheetCellByCell)->Unit(benchmark::kMillisecond);

// As the worksheet table reads: one lookup per cell for its flags, number or text.
void BM_ReadBiff5SheetValues(benchmark::State& state) {
    char text[1024];
    for (auto _ : state) {
        TWksIO wks;
        if (!wks.Open(BookPath().c_str(), "Data", WKS_OPEN_NO_APPLICATION)) state.SkipWithError("open failed");
        double sum = 0;
        size_t textBytes = 0;
        for (int row = 0; row < wks.GetRowCount(); ++row) {
            for (int column = 0; column < wks.GetColumnCount(); ++column) {
                double number;
                int flags = wks.GetCellValue(row, column, number, text, sizeof text);
                if (flags & WKS_NUMBER) sum += number;
                else if (flags & WKS_TEXT) textBytes += std::strlen(text);
            }
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(textBytes);
    }
    state.counters["cells"] = benchmark::Counter(double(kRows) * kColumns, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadBiff5SheetValues)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
