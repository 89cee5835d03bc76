#pragma once
// The table sources' one set-up and shut-down. Set-up registers the reader
// entry of every source type with the in-memory table's reader table and
// installs the spreadsheet-application path of the workbook reader; the table
// exports call it before every read (cheap after the first call).
//
// A source's entry is `int ReadXxxTable(TableReadRequest&)`, built on
// RunReaderEntry (sources/BaseTbl.h), declared in the source's header and
// listed in kSources in TableSources.cpp:
//   type 0  ReadWorksheetTable  sources/WksTbl.h
//   type 2  ReadOdbcTable       sources/database/ODBCTbl.h
//   type 7  ReadDbfTable        sources/database/DbfTbl.h
//   type 8  ReadMfcOdbcTable    sources/database/MfcOdbcTbl.h
//   type 10 ReadAdoTable        sources/database/AdoTbl.h

namespace dulo {

void SetUpTableSources();

// Closes what table reads keep open between calls: the cached workbook first
// (it may be one the application opened), then the spreadsheet application.
// False when the application would not quit.
bool ShutDownTableSources();

}  // namespace dulo
