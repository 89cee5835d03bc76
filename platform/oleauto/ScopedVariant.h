#pragma once
// How a VARIANT built here reaches a caller: it is owned by a ScopedVariant
// until it is complete, then handed over in one step, so a failure on the way
// leaves nothing allocated and the caller's VARIANT untouched.
#include "dulo/oleauto.h"

#include <cstring>

namespace dulo {

// The caller's VARIANT takes the 16 bytes of ours and owns what they refer to;
// ours is left empty. What the caller's VARIANT held is overwritten, not
// released: the exports promise to write it only on success.
inline void HandOverVariant(VARIANT& ours, VARIANT* caller) {
    std::memcpy(static_cast<void*>(caller), &ours, sizeof(VARIANT));
    VariantInit(&ours);
}

// A number goes straight into the caller's VARIANT: assembling it in a local
// first and copying costs a stalled store-to-load forward on every calculation.
inline void HandOverNumber(VARIANT* caller, double value) {
    caller->vt = VT_R8;
    caller->wReserved1 = caller->wReserved2 = caller->wReserved3 = 0;
    caller->dblVal = value;
}

// A VARIANT that clears itself on every way out of its scope unless it was
// handed over.
struct ScopedVariant {
    VARIANT v;
    ScopedVariant() { VariantInit(&v); }
    ~ScopedVariant() { VariantClear(&v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    void HandOver(VARIANT* caller) { HandOverVariant(v, caller); }
};

}  // namespace dulo
