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
#if __has_include("sources/database/MfcOdbcTbl.h")
#include "sources/database/MfcOdbcTbl.h"
#define DULO_HAVE_DBCLASS_SOURCE 1
#endif
#if __has_include("sources/database/AdoTbl.h")
#include "sources/database/AdoTbl.h"
#define DULO_HAVE_ADO_SOURCE 1
#endif

void RegisterTableSources() {
#ifdef DULO_HAVE_WORKSHEET_SOURCE
    RegisterTableReader(TABLE_TYPE_WKS, ReadWorksheetTable);
#endif
    RegisterTableReader(TABLE_TYPE_ODBC, ReadOdbcTable);
    RegisterTableReader(TABLE_TYPE_DBF, ReadDbfTable);
#ifdef DULO_HAVE_DBCLASS_SOURCE
    RegisterTableReader(TABLE_TYPE_DAO, ReadMfcOdbcTable);
#endif
#ifdef DULO_HAVE_ADO_SOURCE
    RegisterTableReader(TABLE_TYPE_ADO, ReadAdoTable);
#endif
}
