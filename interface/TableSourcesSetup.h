#pragma once
// Readies the table sources before a table export reads: the reader entry of
// every source type and the spreadsheet-application path of the workbook reader.

namespace dulo {

// Cheap after the first call.
void SetUpTableSources();

}  // namespace dulo
