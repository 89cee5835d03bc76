// SAFEARRAY with OLE's memory layout: bounds stored right-most dimension
// first, elements laid out with the left-most index varying fastest.
#include "dulo/oleauto.h"
#include "platform/HugePages.h"
#include "platform/Sanitizers.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

// Leak checkers do not follow mappings, so sanitizer builds keep the heap.
#if defined(__linux__) && !DULO_ADDRESS_SANITIZER
#define DULO_MAPPED_ARRAYS 1
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

constexpr UINT kMaxDims = 64;

ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_VARIANT: return sizeof(VARIANT);
        case VT_BSTR: return sizeof(BSTR);
        case VT_R8:
        case VT_DATE:
        case VT_CY:
        case VT_I8:
        case VT_UI8: return 8;
        case VT_I4:
        case VT_UI4:
        case VT_R4:
        case VT_INT:
        case VT_UINT:
        case VT_ERROR: return 4;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL: return 2;
        case VT_I1:
        case VT_UI1: return 1;
        default: return 0;
    }
}

// The element type is kept just before the descriptor, as OLE's FADF_HAVEVARTYPE arrays do.
struct ArrayBlock {
    size_t mappedBytes;  // the length of the elements' mapping; 0 when they came from the heap
    VARTYPE vt;
    SAFEARRAY sa;  // rgsabound continues past the end of the block
};

ArrayBlock* BlockOf(SAFEARRAY* psa) {
    return reinterpret_cast<ArrayBlock*>(reinterpret_cast<char*>(psa) - offsetof(ArrayBlock, sa));
}

VARTYPE VarTypeOf(SAFEARRAY* psa) { return BlockOf(psa)->vt; }

// Element offset of an index vector given left to right; false when out of bounds.
bool ElementOffset(SAFEARRAY* psa, const LONG* indices, size_t& offset) {
    size_t stride = 1;
    offset = 0;
    for (UINT d = 0; d < psa->cDims; ++d) {
        const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - d];
        int64_t rel = int64_t(indices[d]) - b.lLbound;
        if (rel < 0 || rel >= int64_t(b.cElements)) return false;
        offset += size_t(rel) * stride;
        stride *= b.cElements;
    }
    return true;
}

size_t ElementCount(const SAFEARRAY* psa) {
    size_t n = 1;
    for (UINT d = 0; d < psa->cDims; ++d) n *= psa->rgsabound[d].cElements;
    return n;
}

void ClearElements(SAFEARRAY* psa) {
    VARTYPE vt = VarTypeOf(psa);
    size_t n = ElementCount(psa);
    if (vt == VT_VARIANT) {
        auto* v = static_cast<VARIANT*>(psa->pvData);
        // An empty element is left as it is: writing to it would bring a page of a
        // sparse array into memory only to free it.
        for (size_t i = 0; i < n; ++i)
            if (v[i].vt != VT_EMPTY) VariantClear(&v[i]);
    } else if (vt == VT_BSTR) {
        auto* s = static_cast<BSTR*>(psa->pvData);
        for (size_t i = 0; i < n; ++i) {
            SysFreeString(s[i]);
            s[i] = nullptr;
        }
    }
}

// Zeroed element storage: every VARIANT starts VT_EMPTY and every BSTR null.
// A table export fills arrays of tens of megabytes, where 4 KiB pages cost a
// fault each on first touch; such arrays are mapped in huge pages where the
// system offers them (fresh pages are zero, as calloc's are). The tail past
// the last whole huge page keeps small pages, so the array's memory is no
// more than the heap's would be.
void* AllocateElements(size_t bytes, size_t& mappedBytes) {
    mappedBytes = 0;
#if DULO_MAPPED_ARRAYS
    constexpr size_t kHugePage = dulo::kHugePageSize;
    constexpr size_t kMappedFrom = 2 * kHugePage;
    static const size_t page = size_t(sysconf(_SC_PAGESIZE));
    if (bytes >= kMappedFrom && bytes <= SIZE_MAX - 2 * kHugePage && page != 0 && kHugePage % page == 0) {
        const size_t length = (bytes + page - 1) / page * page;
        const size_t mapped = length + kHugePage;
        void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            // Keep the part of the mapping that starts on a huge page.
            const uintptr_t start = uintptr_t(p);
            const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
            if (aligned != start) munmap(p, aligned - start);
            const uintptr_t end = start + mapped;
            if (end != aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
            dulo::AdviseHugePages(reinterpret_cast<void*>(aligned), length);
            mappedBytes = length;
            return reinterpret_cast<void*>(aligned);
        }
    }
#endif
    return std::calloc(bytes ? bytes : 1, 1);
}

void FreeElements(void* data, size_t mappedBytes) {
#if DULO_MAPPED_ARRAYS
    if (mappedBytes) {
        munmap(data, mappedBytes);
        return;
    }
#endif
    (void)mappedBytes;
    std::free(data);
}

}  // namespace

extern "C" {

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound) {
    ULONG elemSize = ElementSize(vt);
    if (elemSize == 0 || cDims == 0 || cDims > kMaxDims || !rgsabound) return nullptr;
    size_t count = 1;
    for (UINT d = 0; d < cDims; ++d) {
        size_t n = rgsabound[d].cElements;
        if (n != 0 && count > SIZE_MAX / n) return nullptr;
        count *= n;
    }
    if (count != 0 && count > SIZE_MAX / elemSize) return nullptr;

    size_t headerBytes = sizeof(ArrayBlock) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
    auto* block = static_cast<ArrayBlock*>(std::calloc(1, headerBytes));
    if (!block) return nullptr;
    block->vt = vt;
    SAFEARRAY* psa = &block->sa;
    psa->cDims = USHORT(cDims);
    psa->cbElements = elemSize;
    psa->fFeatures = FADF_HAVEVARTYPE | (vt == VT_VARIANT ? FADF_VARIANT : 0) | (vt == VT_BSTR ? FADF_BSTR : 0);
    for (UINT d = 0; d < cDims; ++d) psa->rgsabound[cDims - 1 - d] = rgsabound[d];
    psa->pvData = AllocateElements(count * elemSize, block->mappedBytes);
    if (!psa->pvData) {
        std::free(block);
        return nullptr;
    }
    return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    SAFEARRAYBOUND b{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &b);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
    ClearElements(psa);
    FreeElements(psa->pvData, BlockOf(psa)->mappedBytes);
    std::free(BlockOf(psa));
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (!psa || !pvt) return E_INVALIDARG;
    *pvt = VarTypeOf(psa);
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (!psa || !plLbound) return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (!psa || !plUbound) return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
    *plUbound = LONG(int64_t(b.lLbound) + int64_t(b.cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, const LONG* rgIndices, void** ppvData) {
    if (!psa || !rgIndices || !ppvData) return E_INVALIDARG;
    size_t offset;
    if (!ElementOffset(psa, rgIndices, offset)) return DISP_E_BADINDEX;
    *ppvData = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
    return S_OK;
}

// Stores a copy: a VARIANT is copied deeply, a BSTR duplicated, the old element released.
HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, const void* pv) {
    void* slot;
    HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &slot);
    if (FAILED(hr)) return hr;
    VARTYPE vt = VarTypeOf(psa);
    if (vt == VT_VARIANT) {
        if (!pv) return E_INVALIDARG;
        VARIANT copy;
        VariantInit(&copy);
        hr = VariantCopy(&copy, static_cast<const VARIANT*>(pv));
        if (FAILED(hr)) return hr;
        VariantClear(static_cast<VARIANT*>(slot));
        std::memcpy(slot, &copy, sizeof(VARIANT));
        return S_OK;
    }
    if (vt == VT_BSTR) {
        BSTR src = const_cast<BSTR>(static_cast<const OLECHAR*>(pv));
        BSTR copy = nullptr;
        if (src) {
            copy = SysAllocStringLen(src, SysStringLen(src));
            if (!copy) return E_OUTOFMEMORY;
        }
        BSTR* dst = static_cast<BSTR*>(slot);
        SysFreeString(*dst);
        *dst = copy;
        return S_OK;
    }
    if (!pv) return E_INVALIDARG;
    std::memcpy(slot, pv, psa->cbElements);
    return S_OK;
}

// Returns a copy the caller owns: a VARIANT copied deeply, a BSTR duplicated.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv) {
    if (!pv) return E_INVALIDARG;
    void* slot;
    HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &slot);
    if (FAILED(hr)) return hr;
    VARTYPE vt = VarTypeOf(psa);
    if (vt == VT_VARIANT) {
        auto* out = static_cast<VARIANT*>(pv);
        VariantInit(out);
        return VariantCopy(out, static_cast<VARIANT*>(slot));
    }
    if (vt == VT_BSTR) {
        BSTR src = *static_cast<BSTR*>(slot);
        BSTR copy = nullptr;
        if (src) {
            copy = SysAllocStringLen(src, SysStringLen(src));
            if (!copy) return E_OUTOFMEMORY;
        }
        *static_cast<BSTR*>(pv) = copy;
        return S_OK;
    }
    std::memcpy(pv, slot, psa->cbElements);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (!psa || !ppvData) return E_INVALIDARG;
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

}  // extern "C"

// Also used by VariantCopy for VT_ARRAY values.
SAFEARRAY* DuloSafeArrayCopy(SAFEARRAY* psa) {
    if (!psa) return nullptr;
    VARTYPE vt = VarTypeOf(psa);
    SAFEARRAYBOUND bounds[kMaxDims] = {};
    for (UINT d = 0; d < psa->cDims; ++d) bounds[d] = psa->rgsabound[psa->cDims - 1 - d];
    SAFEARRAY* copy = SafeArrayCreate(vt, psa->cDims, bounds);
    if (!copy) return nullptr;
    size_t n = ElementCount(psa);
    if (vt == VT_VARIANT) {
        auto* src = static_cast<VARIANT*>(psa->pvData);
        auto* dst = static_cast<VARIANT*>(copy->pvData);
        for (size_t i = 0; i < n; ++i) {
            if (FAILED(VariantCopy(&dst[i], &src[i]))) {
                SafeArrayDestroy(copy);
                return nullptr;
            }
        }
    } else if (vt == VT_BSTR) {
        auto* src = static_cast<BSTR*>(psa->pvData);
        auto* dst = static_cast<BSTR*>(copy->pvData);
        for (size_t i = 0; i < n; ++i) {
            if (src[i] && !(dst[i] = SysAllocStringLen(src[i], SysStringLen(src[i])))) {
                SafeArrayDestroy(copy);
                return nullptr;
            }
        }
    } else {
        std::memcpy(copy->pvData, psa->pvData, n * psa->cbElements);
    }
    return copy;
}
