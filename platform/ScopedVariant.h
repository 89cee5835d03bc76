#pragma once
// A VARIANT that clears itself on every way out of its scope.
#include "dulo/oleauto.h"

namespace dulo {

struct ScopedVariant {
    VARIANT v;
    ScopedVariant() { VariantInit(&v); }
    ~ScopedVariant() { VariantClear(&v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
};

}  // namespace dulo
