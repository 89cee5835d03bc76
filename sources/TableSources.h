#pragma once
// Registers the reader entry of every table source with the in-memory table's
// reader table. Call before the first read (the table exports do); calling it
// again is harmless.
//
// A source's entry is `int ReadXxxTable(TableReadRequest&)`, built on
// RunReaderEntry (sources/BaseTbl.h), declared in the source's header:
//   type 0  ReadWorksheetTable  sources/WksTbl.h
//   type 2  ReadOdbcTable       sources/database/ODBCTbl.h
//   type 7  ReadDbfTable        sources/database/DbfTbl.h
//   type 8  ReadMfcOdbcTable    sources/database/MfcOdbcTbl.h
//   type 10 ReadAdoTable        sources/database/AdoTbl.h
// Each is registered here once its header exists.
void RegisterTableSources();
