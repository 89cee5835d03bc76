// ODBC tables through the table export with source type 2: the sheet name is
// the table, the data source is the [Default] one, and the merge rules of
// model tables apply.
#include "OdbcTestSupport.h"

#include "dulo/DuloModelDataLib.h"

#include <array>
#include <cstdlib>
#include <fstream>

namespace {

struct Result {
    VARIANT v;
    Result() { VariantInit(&v); }
    ~Result() { VariantClear(&v); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    long Bound(UINT dim) const {
        LONG ub = -1;
        SafeArrayGetUBound(v.parray, dim, &ub);
        return ub + 1;
    }
    // The element (row, column), copied.
    VARIANT At(long row, long column) const {
        VARIANT e;
        VariantInit(&e);
        LONG index[2] = {LONG(row), LONG(column)};
        SafeArrayGetElement(v.parray, index, &e);
        return e;
    }
    std::string Text(long row, long column) const {
        VARIANT e = At(row, column);
        std::string out;
        if (e.vt == VT_BSTR)
            for (const char16_t* p = e.bstrVal; p && *p; ++p) out += char(*p);
        VariantClear(&e);
        return out;
    }
};

struct Names {
    std::array<char, 256> row{}, col{};
};

int Load(const char* tableName, const char* sheet, Result& result, Names& names) {
    return LoadSingleExcelTable(tableName, "", sheet, 2, &result.v, names.row.data(), names.col.data());
}

TEST(SingleTableExport, ReadsTheDefaultDataSource) {
    Result result;
    Names names;
    ASSERT_EQ(Load("UNITS", "units", result, names), 0);
    ASSERT_EQ(result.v.vt, VT_ARRAY | VT_VARIANT);
    // Five rows and nine columns, with the spare row and column of a keyed read.
    EXPECT_EQ(result.Bound(1), 5 + 2);
    EXPECT_EQ(result.Bound(2), 9 + 2);
    const char* headings[] = {"ROWNAMES", "CAPACITY", "COUNTS", "NAME", "STARTDATE", "STAMP", "SHIFT", "SMALL", "RATIO"};
    for (long c = 0; c < 9; ++c) EXPECT_EQ(result.Text(0, c), headings[c]);
    VARIANT capacity = result.At(1, 1), counts = result.At(4, 2), date = result.At(1, 4), stamp = result.At(1, 5),
            shift = result.At(1, 6), missing = result.At(3, 2);
    EXPECT_EQ(capacity.vt, VT_R8);
    EXPECT_DOUBLE_EQ(capacity.dblVal, 10.5);
    EXPECT_EQ(counts.vt, VT_EMPTY);  // B1 has no COUNTS
    EXPECT_EQ(missing.vt, VT_R8);
    EXPECT_DOUBLE_EQ(missing.dblVal, 3);
    ASSERT_EQ(date.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(date.date, 45351.0);  // 2024-02-29
    ASSERT_EQ(stamp.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(stamp.date, 45352.0 + 12.5 / 24);  // 2024-03-01 12:30
    ASSERT_EQ(shift.vt, VT_DATE);
    EXPECT_NEAR(shift.date, (7 * 3600 + 5 * 60 + 9) / 86400.0, 1e-9);
    EXPECT_STREQ(names.row.data(), "C2");  // the last row read
}

TEST(SingleTableExport, MergeRulesOfModelTables) {
    struct Case {
        const char* tableName;
        const char* sheet;
        int code;
    } cases[] = {
        {"QBML", "QBML", 16},     // a repeated row name in QBML
        {"qbml", "QBML", 0},      // the rule is for that exact name
        {"BOUNDS", "repeats", 0},     // equal within 1e-6: one row
        {"BOUNDS", "conflicts", 18},  // different values
        {"PGUESS", "conflicts", 0},   // exempt: the first value stays
    };
    for (const auto& c : cases) {
        Result result;
        Names names;
        EXPECT_EQ(Load(c.tableName, c.sheet, result, names), c.code) << c.tableName << " " << c.sheet;
        if (c.code == 16 || c.code == 18) {
            EXPECT_EQ(result.v.vt, VT_EMPTY);
            EXPECT_STREQ(names.row.data(), c.code == 16 ? "Q1" : "R1");
        }
        if (std::string(c.sheet) == "repeats" && c.code == 0) {
            VARIANT first = result.At(1, 1), merged = result.At(2, 2), second = result.At(2, 1);
            EXPECT_DOUBLE_EQ(first.dblVal, 1);
            EXPECT_EQ(second.vt, VT_EMPTY);  // the repeated row's own array row stays empty
            VARIANT other = result.At(1, 2);
            EXPECT_EQ(merged.vt, VT_EMPTY);
            EXPECT_EQ(other.vt, VT_R8);  // the second row's OTHER merged into the first
            EXPECT_DOUBLE_EQ(other.dblVal, 2);
        }
        if (std::string(c.tableName) == "PGUESS") {
            VARIANT kept = result.At(1, 1);
            EXPECT_DOUBLE_EQ(kept.dblVal, 1);
        }
    }
}

TEST(SingleTableExport, FailuresReturnNotRead) {
    const char* sheets[] = {"no_such_table", "counters"};  // missing; a BIGINT column
    for (const char* sheet : sheets) {
        Result result;
        Names names;
        EXPECT_EQ(Load("UNITS", sheet, result, names), 20) << sheet;
        EXPECT_EQ(result.v.vt, VT_EMPTY);
    }
}

TEST(SingleTableExport, DuloHostWithSourceType2) {
    std::string out = odbc_test::ScratchDir() + "/dulo.out";
    // The driver manager's installer library leaves the entries it cached
    // from odbc.ini behind when it is unloaded at the end of the process; the
    // leak check of this program covers the source itself.
    std::string command = "ASAN_OPTIONS=detect_leaks=0 " + std::string(DULO_CLI_FILE) + " single-table ignored units UNITS --source-type 2 --format summary > " + out;
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "{\"export\": \"LoadSingleExcelTable\", \"return\": 0, \"dims\": [7, 11]}");
}

}  // namespace
