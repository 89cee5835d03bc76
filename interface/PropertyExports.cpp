// Property-calculator exports: not built yet, every one reports failure.
#include "dulo/DuloModelDataLib.h"

extern "C" {

DuloPropertyCalculator GetPropertyCalculator(const char*, const char*) { return nullptr; }
int ReleasePropertyCalculator(DuloPropertyCalculator) { return 0; }
int GetPropertyArgs(const char*, const char*, double*, double*, VARIANT*, VARIANT*, VARIANT*) { return 0; }
int CalcPropertyResult(DuloPropertyCalculator*, const char*, const char*, double*, VARIANT*) { return 0; }
int GetPropertyResult(const char*, const char*, double*, VARIANT*) { return 0; }

}
