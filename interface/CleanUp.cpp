// CleanUpTableRead: closes what table reads keep open between calls.
#include "dulo/DuloModelDataLib.h"

extern "C" int CleanUpTableRead(void) {
    // Nothing is kept open between calls yet.
    return 1;
}
