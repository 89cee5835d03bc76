#pragma once
// Helpers of the export tests: the buffers a host passes, the fixture model
// directory, and a readable view of the table arrays that come back.
#include "dulo/DuloModelDataLib.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace exports_test {

namespace fs = std::filesystem;

// The fixture model directory (workbooks, Tables/, DuloModel.dulx).
inline std::string ModelDir() { return std::string(DULO_FIXTURES) + "/exports/model"; }

// A 256-byte directory buffer holding text, NUL-filled.
struct DirectoryBuffer {
    std::array<char, 256> bytes{};
    explicit DirectoryBuffer(const std::string& text) {
        EXPECT_LT(text.size(), bytes.size());
        text.copy(bytes.data(), bytes.size() - 1);
    }
    const char* c_str() const { return bytes.data(); }
};

// Strings back to back, each ending in NUL.
inline std::string Packed(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) {
        out += item;
        out += '\0';
    }
    return out;
}

// A caller's result VARIANT, marked so that an untouched one can be told apart.
struct ResultVariant {
    static constexpr LONG kMark = 424242;
    VARIANT v;
    ResultVariant() {
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = kMark;
    }
    ~ResultVariant() {
        if (!IsUntouched()) VariantClear(&v);
    }
    ResultVariant(const ResultVariant&) = delete;
    ResultVariant& operator=(const ResultVariant&) = delete;
    bool IsUntouched() const { return v.vt == VT_I4 && v.lVal == kMark; }
};

// The 256-byte name buffers, pre-filled so that "not touched" can be seen.
struct NameBuffers {
    std::array<char, 256> row{};
    std::array<char, 256> col{};
    NameBuffers() {
        std::string mark = "untouched";
        mark.copy(row.data(), mark.size());
        mark.copy(col.data(), mark.size());
    }
    std::string Row() const { return row.data(); }
    std::string Col() const { return col.data(); }
};

// Rows and columns of a two-dimensional table array.
struct Dims {
    long rows = -1;
    long columns = -1;
    bool operator==(const Dims&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Dims& d) {
    return out << d.rows << " x " << d.columns;
}
Dims DimsOf(const VARIANT& result);

// The element (row, column) in a short readable form: "" empty, a number as %.10g,
// "d:<OLE date>" for a date, the text itself for a text, "vt:<code>" otherwise.
std::string CellText(const VARIANT& result, long row, long column);
// One row as its cells joined by "|".
std::string RowText(const VARIANT& result, long row);
// Every row; the array must be VT_ARRAY | VT_VARIANT with two dimensions.
std::vector<std::string> Grid(const VARIANT& result);
// The element's VARIANT type.
VARTYPE CellType(const VARIANT& result, long row, long column);
double CellNumber(const VARIANT& result, long row, long column);

// A scratch directory removed at the end of the test.
struct TempDir {
    fs::path path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

// The CASE sheet of the fixture model as LoadCaseTable returns it, row by row.
inline const std::vector<std::string> kCaseGrid = {
    "CASE|TABLE|ROW|COLUMN|VALUE||",
    "1|BUY|A|X|||",
    "2|BUY|B|X|2.5||",
    "|note|||||",
    "3||||||",
    "||||||",
    "||||||",
    "||||||",
    "||||||",
    "||||||",
};

// Runs the dulo host with args; its exit status.
int RunDulo(const std::string& args);

}  // namespace exports_test
