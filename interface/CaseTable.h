#pragma once
// The case table: a sheet read cell by cell, without a key column.
#include "dulo/oleauto.h"

namespace dulo {

// LoadCaseTable's work: 0 with the array handed over in result, or 20.
int ReadCaseTable(const char* filePath, const char* sheetName, VARIANT* result);

}  // namespace dulo
