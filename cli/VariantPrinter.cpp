#include "VariantPrinter.h"

#include "dulo/DuloModelDataLib.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace dulocli {

namespace {

// Reads element (row, col) of a 1-D or 2-D array of VARIANTs without copying.
const VARIANT* Element(SAFEARRAY* sa, long row, long col) {
    LONG idx[2] = {LONG(row), LONG(col)};
    void* p = nullptr;
    if (FAILED(SafeArrayPtrOfIndex(sa, idx, &p))) return nullptr;
    return static_cast<const VARIANT*>(p);
}

bool IsVariantArray(const VARIANT& v) { return v.vt == (VT_ARRAY | VT_VARIANT) && v.parray; }

std::string IsoDate(double date) {
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date, &st)) return JsonNumber(date);
    char buf[64];
    if (st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0)
        std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
    else
        std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute, st.wSecond);
    return buf;
}

// Display width in code points, so that non-ASCII headings still line up.
size_t Width(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string Utf8FromBstr(BSTR bstr) {
    const int length = DuloUtf8FromBstr(bstr, nullptr, 0);
    if (length <= 0) return std::string();
    std::string text(size_t(length) + 1, '\0');
    DuloUtf8FromBstr(bstr, text.data(), length + 1);
    text.resize(size_t(length));
    return text;
}

// "%.*g" in the "C" locale, whatever numeric locale a read left in force.
static std::string GeneralNumber(double value, int digits) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    return GeneralNumber(value, 17);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

bool ArrayDims(const VARIANT& v, long& rows, long& cols) {
    if (!(v.vt & VT_ARRAY) || !v.parray) return false;
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(v.parray, 1, &lo);
    SafeArrayGetUBound(v.parray, 1, &hi);
    rows = long(hi) - lo + 1;
    cols = 1;
    if (SafeArrayGetDim(v.parray) >= 2) {
        SafeArrayGetLBound(v.parray, 2, &lo);
        SafeArrayGetUBound(v.parray, 2, &hi);
        cols = long(hi) - lo + 1;
    }
    return true;
}

std::string VariantToJson(const VARIANT& v) {
    switch (v.vt) {
        case VT_EMPTY: return "null";
        case VT_R8: return JsonNumber(v.dblVal);
        case VT_BSTR: return JsonString(Utf8FromBstr(v.bstrVal));
        case VT_DATE: return "{\"date\": " + JsonNumber(v.date) + "}";
        case VT_BOOL: return v.boolVal ? "true" : "false";
        default: break;
    }
    if (IsVariantArray(v)) {
        SAFEARRAY* sa = v.parray;
        UINT dims = SafeArrayGetDim(sa);
        long rows = 0, cols = 0;
        ArrayDims(v, rows, cols);
        std::string out = "{\"array\": [";
        for (long r = 0; r < rows; ++r) {
            if (r) out += ", ";
            if (dims == 1) {
                const VARIANT* e = Element(sa, r, 0);
                out += e ? VariantToJson(*e) : "null";
                continue;
            }
            out += "[";
            for (long c = 0; c < cols; ++c) {
                if (c) out += ", ";
                const VARIANT* e = Element(sa, r, c);
                out += e ? VariantToJson(*e) : "null";
            }
            out += "]";
        }
        return out + "]}";
    }
    std::string value = "null";
    VARIANT text;
    VariantInit(&text);
    if (SUCCEEDED(VariantChangeTypeEx(&text, &v, LOCALE_EN_US, 0, VT_BSTR)))
        value = JsonString(Utf8FromBstr(text.bstrVal));
    VariantClear(&text);
    return "{\"vt\": " + std::to_string(v.vt) + ", \"value\": " + value + "}";
}

std::string VariantToText(const VARIANT& v) {
    switch (v.vt) {
        case VT_EMPTY: return "";
        case VT_BSTR: return Utf8FromBstr(v.bstrVal);
        case VT_DATE: return IsoDate(v.date);
        case VT_BOOL: return v.boolVal ? "TRUE" : "FALSE";
        case VT_R8: return GeneralNumber(v.dblVal, 15);
        default: break;
    }
    if (v.vt & VT_ARRAY) return VariantToJson(v);
    VARIANT text;
    VariantInit(&text);
    std::string out;
    if (SUCCEEDED(VariantChangeTypeEx(&text, &v, LOCALE_EN_US, 0, VT_BSTR))) out = Utf8FromBstr(text.bstrVal);
    VariantClear(&text);
    return out;
}

std::string VariantToTable(const VARIANT& v) {
    if (!IsVariantArray(v)) return VariantToText(v) + "\n";
    long rows = 0, cols = 0;
    ArrayDims(v, rows, cols);
    bool twoD = SafeArrayGetDim(v.parray) >= 2;
    std::vector<std::vector<std::string>> cells(static_cast<size_t>(rows));
    for (auto& row : cells) row.resize(size_t(cols));
    std::vector<size_t> widths(static_cast<size_t>(cols), 0);
    for (long r = 0; r < rows; ++r)
        for (long c = 0; c < cols; ++c) {
            const VARIANT* e = Element(v.parray, r, twoD ? c : 0);
            std::string& s = cells[size_t(r)][size_t(c)];
            s = e ? VariantToText(*e) : "";
            widths[size_t(c)] = std::max(widths[size_t(c)], Width(s));
        }
    // The spare rows and columns at the end of a table array carry nothing to read.
    while (rows > 0 && std::all_of(cells[size_t(rows - 1)].begin(), cells[size_t(rows - 1)].end(),
                                   [](const std::string& s) { return s.empty(); }))
        --rows;
    while (cols > 0 && widths[size_t(cols - 1)] == 0) --cols;
    std::string out;
    for (long r = 0; r < rows; ++r) {
        std::string line;
        for (long c = 0; c < cols; ++c) {
            const std::string& s = cells[size_t(r)][size_t(c)];
            line += s;
            if (c + 1 < cols) line.append(widths[size_t(c)] - Width(s) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

std::string VariantToCsv(const VARIANT& v) {
    if (!IsVariantArray(v)) return CsvField(VariantToText(v)) + "\n";
    long rows = 0, cols = 0;
    ArrayDims(v, rows, cols);
    bool twoD = SafeArrayGetDim(v.parray) >= 2;
    std::string out;
    for (long r = 0; r < rows; ++r) {
        for (long c = 0; c < cols; ++c) {
            if (c) out += ',';
            const VARIANT* e = Element(v.parray, r, twoD ? c : 0);
            if (e) out += CsvField(VariantToText(*e));
        }
        out += '\n';
    }
    return out;
}

}  // namespace dulocli
