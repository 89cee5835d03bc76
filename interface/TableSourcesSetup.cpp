#include "interface/TableSourcesSetup.h"

#include "sources/TableSources.h"
#include "sources/workbook/excel8WksIO.h"

namespace dulo {

void SetUpTableSources() {
    static bool done = false;
    if (done) return;
    RegisterTableSources();
    InstallExcel8WksIO();
    done = true;
}

}  // namespace dulo
