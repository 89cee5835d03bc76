/*
 * OLE Automation types and helpers with the Windows field layout, so that host
 * code written for Windows compiles unchanged: VARIANT, BSTR, SAFEARRAY, the
 * VT_* codes, HRESULTs and the functions a host needs to read and free what
 * the library hands over.
 */
#ifndef DULO_OLEAUTO_H
#define DULO_OLEAUTO_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h> /* char16_t for C hosts */
#endif

#if defined(DULO_BUILDING_LIBRARY)
#define DULO_API __attribute__((visibility("default")))
#else
#define DULO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;
typedef double DATE;
typedef char16_t OLECHAR;
typedef OLECHAR* BSTR;
typedef uint32_t LCID;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef uint16_t USHORT;
typedef uint16_t WORD;
typedef uint32_t UINT;

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_INVARIANT 0x007F
#define LOCALE_EN_US 1033

enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0fff
};

/* Currency: a 64-bit integer scaled by 10,000. */
typedef union tagCY {
    struct {
        uint32_t Lo;
        int32_t Hi;
    } s;
    int64_t int64;
} CY;

typedef struct tagSAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
} SAFEARRAYBOUND;

typedef struct tagSAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    /* cDims bounds, stored right-most dimension first, as OLE does. */
    SAFEARRAYBOUND rgsabound[1];
} SAFEARRAY;

#define FADF_BSTR 0x0100
#define FADF_VARIANT 0x0800
#define FADF_HAVEVARTYPE 0x0080

typedef struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        int64_t llVal;
        LONG lVal;
        uint8_t bVal;
        int16_t iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        SAFEARRAY* parray;
        struct tagVARIANT* pvarVal;
        void* byref;
        int8_t cVal;
        uint16_t uiVal;
        ULONG ulVal;
        uint64_t ullVal;
        int32_t intVal;
        uint32_t uintVal;
        /* Keeps the value union 16 bytes wide, as the record pair does on Windows. */
        struct {
            void* pvRecord;
            void* pRecInfo;
        } brecVal;
    };
} VARIANT;

typedef VARIANT VARIANTARG;

typedef struct tagSYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME;

/* VariantChangeType flags that matter here. */
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02

/* BSTR: a UTF-16 string preceded by its 32-bit byte length. */
DULO_API BSTR SysAllocString(const OLECHAR* psz);
DULO_API BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
DULO_API void SysFreeString(BSTR bstr);
DULO_API UINT SysStringLen(BSTR bstr);
DULO_API UINT SysStringByteLen(BSTR bstr);

DULO_API void VariantInit(VARIANT* pvarg);
DULO_API HRESULT VariantClear(VARIANT* pvarg);
DULO_API HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc);
DULO_API HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, USHORT wFlags, VARTYPE vt);
DULO_API HRESULT VariantChangeTypeEx(VARIANT* pvargDest, const VARIANT* pvarSrc, LCID lcid, USHORT wFlags,
                                     VARTYPE vt);

/* Arrays of VT_VARIANT, VT_BSTR, VT_R8, VT_I4, VT_I2, VT_BOOL, VT_DATE, VT_UI1. */
DULO_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound);
DULO_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
DULO_API HRESULT SafeArrayDestroy(SAFEARRAY* psa);
DULO_API UINT SafeArrayGetDim(SAFEARRAY* psa);
DULO_API UINT SafeArrayGetElemsize(SAFEARRAY* psa);
DULO_API HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
DULO_API HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
DULO_API HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
DULO_API HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, const void* pv);
DULO_API HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv);
DULO_API HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, const LONG* rgIndices, void** ppvData);
DULO_API HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
DULO_API HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);

/* OLE dates: days since 1899-12-30; the fraction's magnitude is the time of day. */
DULO_API int VariantTimeToSystemTime(double vtime, SYSTEMTIME* lpSystemTime);
DULO_API int SystemTimeToVariantTime(const SYSTEMTIME* lpSystemTime, double* pvtime);

#ifdef __cplusplus
}
#endif

#endif
