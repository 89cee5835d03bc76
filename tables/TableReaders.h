#pragma once
// The reader entries by table type. Each table source registers its entry
// (SetUpTableSources in sources/ does it before any read), so that the
// tables need nothing from the sources.
#include "tables/Column.h"
#include "tables/IoRow.h"
#include "tables/IoTableDescription.h"

#include <cstdint>
#include <string>

// What a reader entry receives and gives back.
struct TableReadRequest {
    TableReadRequest(CIoTableDescription& description_, CColumnArray& keyHeadings_, CColumnArray& columnHeadings_,
                     CIoRowArray& rows_, CIoRowArray& extraRows1_, CIoRowArray& extraRows2_)
        : description(description_),
          keyHeadings(keyHeadings_),
          columnHeadings(columnHeadings_),
          rows(rows_),
          extraRows1(extraRows1_),
          extraRows2(extraRows2_) {}

    CIoTableDescription& description;  // the reader writes its statistics here
    int sourceIndex = -1;  // -1 for a single table, else the description's position
    std::string keyFields;       // e.g. "ROWNAMES"
    std::string keyValues;       // row pattern, e.g. "*"
    std::string extractColumns;  // column pattern, e.g. "*"
    CColumnArray& keyHeadings;
    CColumnArray& columnHeadings;
    CIoRowArray& rows;
    CIoRowArray& extraRows1;
    CIoRowArray& extraRows2;
    bool fillExtraRowSets = false;

    // Outputs.
    int32_t results[3] = {0, 0, 0};  // the source's three results
    std::string sheetLabel;         // the name under which a worksheet source found the table
};

// A reader entry returns a table read status.
using TableReaderFn = int (*)(TableReadRequest& request);

// Table read status codes.
enum : int {
    TABLE_READ_OK = 0,
    TABLE_OPEN_FAILED = 1,
    TABLE_READ_FAILED = 2,
    TABLE_CLOSE_FAILED = 4,
    TABLE_READ_WARNING = 21,
    TABLE_DUPLICATE_CONFLICT = 29,
    TABLE_UNSUPPORTED_COLUMN_TYPE = 30,
};

// A null reader removes the entry.
void RegisterTableReader(int tableType, TableReaderFn reader);
TableReaderFn FindTableReader(int tableType);
// Runs the entry of the description's table type; 1 when there is none.
int ReadTableByType(TableReadRequest& request);
