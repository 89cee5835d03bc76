#pragma once
// The case table: a sheet read cell by cell, without a key column.
#include "dulo/oleauto.h"

class TWksIO;

namespace dulo {

// The case table of an open workbook into result: 0, or 20 when the array
// cannot be had (result untouched).
int BuildCaseTable(TWksIO& workbook, VARIANT* result);

// LoadCaseTable's work: 0 with the array handed over in result, or 20.
int ReadCaseTable(const char* filePath, const char* sheetName, VARIANT* result);

}  // namespace dulo
