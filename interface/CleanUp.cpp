// CleanUpTableRead: closes what table reads keep open between calls.
#include "dulo/DuloModelDataLib.h"
#include "interface/ExportGuard.h"
#include "sources/TableSources.h"

extern "C" int CleanUpTableRead(void) {
    return dulo::ExportGuard(0, [] { return dulo::ShutDownTableSources() ? 1 : 0; });
}
