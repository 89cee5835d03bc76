// The one list of table sources. Registration is explicit: registration by
// static initialisers would be dropped by the linker from the static libraries.
#include "sources/TableSources.h"

#include "sources/WksTbl.h"
#include "sources/WorkbookCache.h"
#include "sources/database/AdoTbl.h"
#include "sources/database/DbfTbl.h"
#include "sources/database/MfcOdbcTbl.h"
#include "sources/database/ODBCTbl.h"
#include "sources/workbook/ExcelApplication.h"
#include "tables/IoTableDescription.h"
#include "tables/TableReaders.h"

namespace dulo {
namespace {

struct TableSource {
    int type;
    TableReaderFn entry;
};

constexpr TableSource kSources[] = {
    {TABLE_TYPE_WKS, ReadWorksheetTable}, {TABLE_TYPE_ODBC, ReadOdbcTable}, {TABLE_TYPE_DBF, ReadDbfTable},
    {TABLE_TYPE_DAO, ReadMfcOdbcTable},   {TABLE_TYPE_ADO, ReadAdoTable},
};

}  // namespace

void SetUpTableSources() {
    static const bool done = [] {
        for (const TableSource& source : kSources) RegisterTableReader(source.type, source.entry);
        InstallExcel8WksIO();
        return true;
    }();
    (void)done;
}

bool ShutDownTableSources() {
    WorkbookCache::Empty();
    return QuitApplication();
}

}  // namespace dulo
