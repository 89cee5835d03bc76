// External-model export: not built yet, reports failure.
#include "dulo/DuloModelDataLib.h"

extern "C" int GetExternalModels(const char*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) { return 0; }
