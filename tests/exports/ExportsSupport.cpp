#include "ExportsSupport.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/wait.h>
#include <string>

namespace exports_test {

Dims DimsOf(const VARIANT& result) {
    if (result.vt != (VT_ARRAY | VT_VARIANT) || !result.parray || SafeArrayGetDim(result.parray) != 2) return {};
    LONG lower = 0, upper = 0;
    Dims d;
    SafeArrayGetLBound(result.parray, 1, &lower);
    SafeArrayGetUBound(result.parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    d.rows = upper - lower + 1;
    SafeArrayGetLBound(result.parray, 2, &lower);
    SafeArrayGetUBound(result.parray, 2, &upper);
    EXPECT_EQ(lower, 0);
    d.columns = upper - lower + 1;
    return d;
}

namespace {

struct Element {
    VARIANT v;
    Element(const VARIANT& result, long row, long column) {
        VariantInit(&v);
        LONG index[2] = {LONG(row), LONG(column)};
        HRESULT hr = SafeArrayGetElement(result.parray, index, &v);
        EXPECT_EQ(hr, S_OK) << "element " << row << "," << column;
    }
    ~Element() { VariantClear(&v); }
};

std::string Utf8(BSTR text) {
    std::string out;
    for (UINT i = 0; i < SysStringLen(text); ++i) {
        char16_t ch = text[i];
        if (ch < 0x80) {
            out += char(ch);
        } else if (ch < 0x800) {
            out += char(0xC0 | (ch >> 6));
            out += char(0x80 | (ch & 0x3F));
        } else {
            out += char(0xE0 | (ch >> 12));
            out += char(0x80 | ((ch >> 6) & 0x3F));
            out += char(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

std::string Number(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return buffer;
}

}  // namespace

std::string CellText(const VARIANT& result, long row, long column) {
    Element e(result, row, column);
    switch (e.v.vt) {
        case VT_EMPTY: return "";
        case VT_R8: return Number(e.v.dblVal);
        case VT_DATE: return "d:" + Number(e.v.date);
        case VT_BSTR: return Utf8(e.v.bstrVal);
        default: return "vt:" + std::to_string(e.v.vt);
    }
}

VARTYPE CellType(const VARIANT& result, long row, long column) {
    Element e(result, row, column);
    return e.v.vt;
}

double CellNumber(const VARIANT& result, long row, long column) {
    Element e(result, row, column);
    EXPECT_EQ(e.v.vt, VT_R8);
    return e.v.vt == VT_R8 ? e.v.dblVal : 0.0;
}

std::string RowText(const VARIANT& result, long row) {
    Dims d = DimsOf(result);
    std::string out;
    for (long c = 0; c < d.columns; ++c) {
        if (c) out += '|';
        out += CellText(result, row, c);
    }
    return out;
}

std::vector<std::string> Grid(const VARIANT& result) {
    Dims d = DimsOf(result);
    std::vector<std::string> rows;
    for (long r = 0; r < d.rows; ++r) rows.push_back(RowText(result, r));
    return rows;
}

TempDir::TempDir() {
    std::random_device random;
    path = fs::temp_directory_path() / ("dulo-exports-" + std::to_string(random()));
    fs::create_directories(path);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

int RunDulo(const std::string& args) {
    std::string command = std::string("\"") + DULO_CLI_FILE + "\" " + args + " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace exports_test
