#pragma once
// Turning a read table (CIoTable) into the table array the loaders hand over:
// headings in row 0, data row r at row r + 1, cells typed by their column.
#include "interface/TableArray.h"

#include <string_view>

class CIoTable;

namespace dulo {

// Loader return codes.
enum : int {
    LOAD_OK = 0,
    LOAD_EMPTY_HEADING = 9,
    LOAD_QBML_REPEATED = 16,
    LOAD_CONFLICT = 18,
    LOAD_NOT_READ = 20,
};

struct KeyedReadRules {
    bool emptyHeadingFails = false;  // return 9 for an empty heading instead of writing it
    bool rowNamesColumnRule = false;  // column 0 headed "ROWNAMES" keeps its own merge rule
};

// The keyed read: a (rows + 2) x (columns + 2) array in which repeated row names
// are merged into the row of their first occurrence. Returns 0, 9, 16 or 18;
// rowName and colName (either may be null) tell where reading got.
int BuildKeyedArray(const CIoTable& table, std::string_view tableName, const KeyedReadRules& rules, char* rowName,
                    char* colName, CTableArray& array);

// Every row at its row number + 1, without a repeated-name check, in a
// (rows + extraRows) x (columns + extraColumns) array. Returns 0, or 9 for an
// empty heading when emptyHeadingFails.
int BuildPlainArray(const CIoTable& table, long extraRows, long extraColumns, bool emptyHeadingFails, char* rowName,
                    char* colName, CTableArray& array);

}  // namespace dulo
