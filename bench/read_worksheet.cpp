// Reads one worksheet table the way the table exports do (the keyed reader over
// the worksheet source) and touches every cell, for whole-process timing by
// bench/worksheet.sh. With a second workbook it times the keyed merge as well.
//
//   read_worksheet [--teardown] PATH SHEET [PATH2 SHEET2]
//
// Prints the row and column counts and a checksum of every value read. The
// table is left for the operating system to reclaim at exit, as a host that
// ends after reading would (it stays reachable, so nothing counts as leaked);
// --teardown destroys it first, to time that as well.
#include "sources/TableSources.h"
#include "sources/WorkbookCache.h"
#include "tables/DuloIoTable.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Reachable from here until the process ends.
CDuloIoTable* g_table = nullptr;

int main(int argc, char** argv) {
    const bool teardown = argc > 1 && std::strcmp(argv[1], "--teardown") == 0;
    if (teardown) --argc, ++argv;
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s [--teardown] PATH SHEET [PATH2 SHEET2]\n", argv[0]);
        return 2;
    }
    dulo::SetUpTableSources();
    std::vector<std::string> paths{argv[1]}, sheets{argv[2]};
    if (argc == 5) {
        paths.push_back(argv[3]);
        sheets.push_back(argv[4]);
    }
    g_table = new CDuloIoTable("BIG", paths, sheets, "ROWNAMES", "*", "*", 0);
    const CDuloIoTable& table = *g_table;
    if (table.GetStatus() != 0) {
        std::fprintf(stderr, "read failed: status %d\n", table.GetStatus());
        return 1;
    }

    const int rows = table.GetRowCount(), columns = table.GetColumnCount();
    double sum = 0.0;
    size_t textBytes = 0, empty = 0;
    for (int c = 0; c < columns; ++c) textBytes += table.GetColumnName(c).size();
    for (int r = 0; r < rows; ++r) {
        textBytes += table.GetRowName(r).size();
        for (int c = 0; c < columns; ++c) {
            if (table.IsNull(r, c)) {
                ++empty;
                continue;
            }
            switch (table.GetColumnType(c)) {
                case 1: textBytes += std::strlen(table.GetValueText(r, c)); break;
                case 9:
                case 10:
                case 11: sum += table.GetDateValue(r, c).m_dt; break;
                default: sum += table.GetValueNumber(r, c); break;
            }
        }
    }
    dulo::WorkbookCache::Empty();
    if (teardown) {
        delete g_table;
        g_table = nullptr;
    }
    std::printf("rows %d columns %d empty %zu text-bytes %zu sum %.6f\n", rows, columns, empty, textBytes, sum);
    return 0;
}
