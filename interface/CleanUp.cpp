// CleanUpTableRead: closes what table reads keep open between calls.
#include "dulo/DuloModelDataLib.h"
#include "sources/WorkbookCache.h"
#include "sources/workbook/excel8WksIO.h"

extern "C" int CleanUpTableRead(void) {
    try {
        // The cached workbook may be one the application opened, so it goes first.
        dulo::WorkbookCache::Empty();
        return QuitApplication() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
