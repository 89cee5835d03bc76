// Table-loading exports: not built yet, the loaders report "table not read".
#include "dulo/DuloModelDataLib.h"

extern "C" {

int LoadExcelTable(const char*, const char*, int, const char*, const char*, VARIANT*, char*, char*) { return 20; }
int LoadSingleExcelTable(const char*, const char*, const char*, int, VARIANT*, char*, char*) { return 20; }
int LoadCaseTable(const char*, const char*, VARIANT*, char*, char*) { return 20; }
int LoadTableSX(const char*, const char*, VARIANT*) { return 0; }

}
