// Settings exports: not built yet, every one reports failure.
#include "dulo/DuloModelDataLib.h"

extern "C" {

int LoadModelSettings(const char*, VARIANT*) { return 0; }
int LoadSettingValue(const char*, const char*, VARIANT*) { return 0; }
int GetNonDefaultModelSettings(const char*, const char*, VARIANT*) { return 0; }

}
