// The explicit registration of the reader entries (registration by static
// initialisers would be dropped by the linker from the static libraries).
#include "sources/TableSources.h"

#include "tables/IoTableDescription.h"
#include "tables/TableReaders.h"

#if __has_include("sources/WksTbl.h")
#include "sources/WksTbl.h"
#define DULO_HAVE_WORKSHEET_SOURCE 1
#endif
#include "sources/database/ODBCTbl.h"
#include "sources/database/DbfTbl.h"
#include "sources/database/MfcOdbcTbl.h"
#include "sources/database/AdoTbl.h"

void RegisterTableSources() {
#ifdef DULO_HAVE_WORKSHEET_SOURCE
    RegisterTableReader(TABLE_TYPE_WKS, ReadWorksheetTable);
#endif
    RegisterTableReader(TABLE_TYPE_ODBC, ReadOdbcTable);
    RegisterTableReader(TABLE_TYPE_DBF, ReadDbfTable);
    RegisterTableReader(TABLE_TYPE_DAO, ReadMfcOdbcTable);
    RegisterTableReader(TABLE_TYPE_ADO, ReadAdoTable);
}
