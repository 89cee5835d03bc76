// BSTR allocation: a 32-bit byte count, then the UTF-16 text and a NUL.
#include "dulo/oleauto.h"

#include <cstdlib>
#include <cstring>

namespace {

uint32_t* HeaderOf(BSTR bstr) { return reinterpret_cast<uint32_t*>(bstr) - 1; }

BSTR Allocate(UINT cch) {
    // Reject lengths whose byte size would not fit the 32-bit prefix.
    if (cch > (UINT32_MAX - sizeof(uint32_t) - sizeof(OLECHAR)) / sizeof(OLECHAR)) return nullptr;
    size_t bytes = sizeof(uint32_t) + (size_t(cch) + 1) * sizeof(OLECHAR);
    auto* block = static_cast<uint32_t*>(std::malloc(bytes));
    if (!block) return nullptr;
    block[0] = cch * sizeof(OLECHAR);
    BSTR text = reinterpret_cast<BSTR>(block + 1);
    text[cch] = 0;
    return text;
}

}  // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
    BSTR text = Allocate(cch);
    if (!text) return nullptr;
    if (pch)
        std::memcpy(text, pch, size_t(cch) * sizeof(OLECHAR));
    else
        std::memset(text, 0, size_t(cch) * sizeof(OLECHAR));
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    UINT n = 0;
    while (psz[n]) ++n;
    return SysAllocStringLen(psz, n);
}

void SysFreeString(BSTR bstr) {
    if (bstr) std::free(HeaderOf(bstr));
}

UINT SysStringByteLen(BSTR bstr) { return bstr ? *HeaderOf(bstr) : 0; }

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

}  // extern "C"
