// VARIANT lifetime and the type changes the library and its hosts use.
#include "platform/OleDateTime.h"
#include "platform/TextConv.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

SAFEARRAY* DuloSafeArrayCopy(SAFEARRAY* psa);

namespace {

bool UsesInvariantNumbers(LCID lcid) { return lcid == LOCALE_EN_US || lcid == LOCALE_INVARIANT; }

// strtod in the "C" locale, independent of the process locale.
double StrtodC(const char* text, char** end) {
    static locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    return strtod_l(text, end, c);
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

HRESULT ParseNumber(const std::string& raw, LCID lcid, double& value) {
    std::string text = Trim(raw);
    if (text.empty()) return DISP_E_TYPEMISMATCH;
    char* end = nullptr;
    value = UsesInvariantNumbers(lcid) ? StrtodC(text.c_str(), &end) : std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return DISP_E_TYPEMISMATCH;
    if (std::isinf(value)) return DISP_E_OVERFLOW;
    return S_OK;
}

// 15 significant digits and an "E+30" exponent, as OLE prints doubles.
std::string FormatNumber(double value, LCID lcid) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    if (UsesInvariantNumbers(lcid)) {
        // The user's locale may print another decimal point; this one wants ".".
        const char* point = std::localeconv()->decimal_point;
        size_t pointLen = point ? std::strlen(point) : 0;
        if (pointLen && std::strcmp(point, ".") != 0) {
            if (char* at = std::strstr(buf, point)) {
                *at = '.';
                std::memmove(at + 1, at + pointLen, std::strlen(at + pointLen) + 1);
            }
        }
    }
    return buf;
}

HRESULT ToDouble(const VARIANT* src, LCID lcid, double& value) {
    switch (src->vt) {
        case VT_EMPTY: value = 0; return S_OK;
        case VT_I2: value = src->iVal; return S_OK;
        case VT_I4:
        case VT_INT: value = src->lVal; return S_OK;
        case VT_R4: value = src->fltVal; return S_OK;
        case VT_R8: value = src->dblVal; return S_OK;
        case VT_DATE: value = src->date; return S_OK;
        case VT_CY: value = double(src->cyVal.int64) / 10000.0; return S_OK;
        case VT_BOOL: value = src->boolVal ? -1.0 : 0.0; return S_OK;
        case VT_I1: value = src->cVal; return S_OK;
        case VT_UI1: value = src->bVal; return S_OK;
        case VT_UI2: value = src->uiVal; return S_OK;
        case VT_UI4:
        case VT_UINT: value = src->ulVal; return S_OK;
        case VT_I8: value = double(src->llVal); return S_OK;
        case VT_UI8: value = double(src->ullVal); return S_OK;
        case VT_BSTR: return ParseNumber(dulo::Utf8FromBstr(src->bstrVal), lcid, value);
        default: return DISP_E_TYPEMISMATCH;
    }
}

// Rounds half to even, as OLE does when it narrows to an integer.
HRESULT ToInteger(double value, double lo, double hi, int64_t& out) {
    if (std::isnan(value)) return DISP_E_OVERFLOW;
    double r = std::nearbyint(value);
    if (r < lo || r > hi) return DISP_E_OVERFLOW;
    out = int64_t(r);
    return S_OK;
}

HRESULT ToText(const VARIANT* src, LCID lcid, USHORT flags, std::string& text) {
    switch (src->vt) {
        case VT_EMPTY: text.clear(); return S_OK;
        case VT_BSTR: text = dulo::Utf8FromBstr(src->bstrVal); return S_OK;
        case VT_BOOL:
            text = (flags & VARIANT_ALPHABOOL) ? (src->boolVal ? "True" : "False") : (src->boolVal ? "-1" : "0");
            return S_OK;
        case VT_DATE:
            return dulo::FormatUsDate(src->date, text) ? S_OK : DISP_E_OVERFLOW;
        case VT_I2: text = std::to_string(src->iVal); return S_OK;
        case VT_I4:
        case VT_INT: text = std::to_string(src->lVal); return S_OK;
        case VT_I8: text = std::to_string(src->llVal); return S_OK;
        default: {
            double v;
            HRESULT hr = ToDouble(src, lcid, v);
            if (FAILED(hr)) return hr;
            text = FormatNumber(v, lcid);
            return S_OK;
        }
    }
}

}  // namespace

extern "C" {

void VariantInit(VARIANT* pvarg) {
    if (!pvarg) return;
    std::memset(pvarg, 0, sizeof(VARIANT));
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    if (!(pvarg->vt & VT_BYREF)) {
        if (pvarg->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(pvarg->parray);
            if (FAILED(hr)) return hr;
        } else if (pvarg->vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        }
    }
    std::memset(pvarg, 0, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    VARIANT copy;
    std::memcpy(&copy, src, sizeof(VARIANT));
    if (!(src->vt & VT_BYREF)) {
        if (src->vt & VT_ARRAY) {
            if (src->parray && !(copy.parray = DuloSafeArrayCopy(src->parray))) return E_OUTOFMEMORY;
        } else if (src->vt == VT_BSTR && src->bstrVal) {
            copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (!copy.bstrVal) return E_OUTOFMEMORY;
        }
    }
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    std::memcpy(dest, &copy, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    if (src->vt == vt) return VariantCopy(dest, src);
    if ((src->vt & (VT_ARRAY | VT_BYREF)) || (vt & (VT_ARRAY | VT_BYREF))) return DISP_E_TYPEMISMATCH;

    VARIANT out;
    VariantInit(&out);
    out.vt = vt;
    HRESULT hr = S_OK;
    double d = 0;
    int64_t i = 0;
    switch (vt) {
        case VT_EMPTY: break;
        case VT_R8:
            hr = ToDouble(src, lcid, out.dblVal);
            break;
        case VT_R4:
            hr = ToDouble(src, lcid, d);
            if (SUCCEEDED(hr)) {
                if (std::fabs(d) > 3.402823466e38 && !std::isinf(d)) hr = DISP_E_OVERFLOW;
                out.fltVal = float(d);
            }
            break;
        case VT_DATE:
            if (src->vt == VT_BSTR) {
                if (!dulo::ParseUsDate(dulo::Utf8FromBstr(src->bstrVal), out.date)) {
                    // A plain number is also a date.
                    hr = ToDouble(src, lcid, out.date);
                }
            } else {
                hr = ToDouble(src, lcid, out.date);
            }
            if (SUCCEEDED(hr) && !(out.date >= dulo::kMinOleDate && out.date < dulo::kMaxOleDate + 1.0))
                hr = DISP_E_OVERFLOW;
            break;
        case VT_CY:
            hr = ToDouble(src, lcid, d);
            if (SUCCEEDED(hr)) hr = ToInteger(d * 10000.0, -9.2e18, 9.2e18, out.cyVal.int64);
            break;
        case VT_I4:
        case VT_INT:
            hr = ToDouble(src, lcid, d);
            if (SUCCEEDED(hr)) hr = ToInteger(d, -2147483648.0, 2147483647.0, i);
            out.lVal = LONG(i);
            break;
        case VT_I2:
            hr = ToDouble(src, lcid, d);
            if (SUCCEEDED(hr)) hr = ToInteger(d, -32768.0, 32767.0, i);
            out.iVal = int16_t(i);
            break;
        case VT_UI1:
            hr = ToDouble(src, lcid, d);
            if (SUCCEEDED(hr)) hr = ToInteger(d, 0.0, 255.0, i);
            out.bVal = uint8_t(i);
            break;
        case VT_BOOL:
            if (src->vt == VT_BSTR) {
                std::string t = Trim(dulo::Utf8FromBstr(src->bstrVal));
                if (strcasecmp(t.c_str(), "true") == 0) {
                    out.boolVal = VARIANT_TRUE;
                    break;
                }
                if (strcasecmp(t.c_str(), "false") == 0) {
                    out.boolVal = VARIANT_FALSE;
                    break;
                }
            }
            hr = ToDouble(src, lcid, d);
            out.boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_BSTR: {
            std::string text;
            hr = ToText(src, lcid, flags, text);
            if (SUCCEEDED(hr)) {
                out.bstrVal = dulo::BstrFromUtf8(text);
                if (!out.bstrVal) hr = E_OUTOFMEMORY;
            }
            break;
        }
        default: hr = DISP_E_TYPEMISMATCH; break;
    }
    if (FAILED(hr)) return hr;
    // The source may be the destination: clear it only after reading it.
    VariantClear(dest);
    std::memcpy(dest, &out, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(dest, src, LOCALE_USER_DEFAULT, flags, vt);
}

}  // extern "C"
