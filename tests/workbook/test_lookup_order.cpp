// The reader remembers where its last lookup stopped, so that a row read
// column by column walks its records once. Whatever the order of the lookups,
// every cell must read as it does on its own, including cells inside a MULRK
// run, and the one-lookup GetCellValue must agree with GetNumber and GetCellText.
#include "WorkbookSupport.h"
#include "SyntheticBooks.h"
#include "sources/workbook/BiffFormat.h"
#include "sources/workbook/WksIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace dulo::biff;

namespace {

constexpr int kRows = 5, kColumns = 8;

uint32_t RkInt(int value) { return (uint32_t(value) << 2) | 2; }

// Row 0: a label, a MULRK run of three (the middle one date-formatted), a
// number, a second run. Row 1: MULBLANK, a label, a MULRK with no cells, an RK.
// Row 2: nothing. Row 3: BLANK, then a run. Row 4: a run of one at the last column.
std::vector<uint8_t> Sheet() {
    BiffWriter s;
    s.Record(kDimensions, Body().u16(0).u16(kRows).u16(0).u16(kColumns));
    s.Record(kLabel, CellHead(0, 0).str16("R0"));
    s.Record(kMulRk, Body().u16(0).u16(1).u16(0).u32(0x3FF00000).u16(1).u32(RkInt(2)).u16(0).u32((350u << 2) | 3).u16(3));
    s.Record(kNumber, CellHead(0, 4).f64(9.5));
    s.Record(kMulRk, Body().u16(0).u16(5).u16(0).u32(RkInt(6)).u16(0).u32(RkInt(7)).u16(6));
    s.Record(kMulBlank, Body().u16(1).u16(0).u16(0).u16(0).u16(0).u16(2));
    s.Record(kLabel, CellHead(1, 3).str16("x"));
    s.Record(kMulRk, Body().u16(1).u16(4).u16(4));
    s.Record(kRk, CellHead(1, 5).u32(RkInt(15)));
    s.Record(kBlank, CellHead(3, 0));
    s.Record(kMulRk, Body().u16(3).u16(1).u16(0).u32(RkInt(31)).u16(0).u32(RkInt(32)).u16(2));
    s.Record(kMulRk, Body().u16(4).u16(7).u16(0).u32(RkInt(47)).u16(7));
    return s.Bytes();
}

struct Seen {
    int flags;
    double number;
    std::string text;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << "{" << s.flags << ", " << s.number << ", \"" << s.text << "\"}";
}

Seen Read(TWksIO& wks, int row, int column) {
    Seen s{0, 0.0, ""};
    char buffer[64];
    s.flags = wks.GetNumber(row, column, s.number);
    wks.GetCellText(row, column, buffer, sizeof buffer, WKS_PREFIX_NONE);
    s.text = buffer;
    return s;
}

// A lookup on another row first, so that nothing of the last lookup is reused.
Seen ReadAlone(TWksIO& wks, int row, int column) {
    Read(wks, (row + 1) % kRows, kColumns - 1);
    return Read(wks, row, column);
}

class LookupOrder : public testing::Test {
protected:
    void SetUp() override {
        path = TempPath("order.xls");
        ASSERT_TRUE(WriteCompoundFile(path, {{"Book", Biff5Book(Biff5Globals(false), {{"Data", Sheet()}})}}));
        ASSERT_TRUE(wks.Open(path.c_str(), "Data", WKS_OPEN_NO_APPLICATION));
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) alone[r][c] = ReadAlone(wks, r, c);
    }
    std::string path;
    TWksIO wks;
    Seen alone[kRows][kColumns];
};

TEST_F(LookupOrder, CellsReadAloneHoldTheirValues) {
    const Seen none{0, WKS_NO_NUMBER, ""};
    struct Case {
        int row, column;
        Seen seen;
    } cases[] = {
        {0, 0, {0x40, WKS_NO_NUMBER, "R0"}},
        {0, 1, {0x80, 1.0, "1"}},
        {0, 2, {0x180, 2.0, "2"}},  // XF 1 of the pair: a date format
        {0, 3, {0x80, 3.5, "3.5"}},
        {0, 4, {0x80, 9.5, "9.5"}},
        {0, 5, {0x80, 6.0, "6"}},
        {0, 6, {0x80, 7.0, "7"}},
        {0, 7, none},
        {1, 0, none},
        {1, 3, {0x40, WKS_NO_NUMBER, "x"}},
        {1, 4, none},  // the MULRK without cells
        {1, 5, {0x80, 15.0, "15"}},
        {2, 0, none},
        {3, 0, none},
        {3, 1, {0x80, 31.0, "31"}},
        {3, 2, {0x80, 32.0, "32"}},
        {3, 3, none},
        {4, 6, none},
        {4, 7, {0x80, 47.0, "47"}},
    };
    for (const Case& c : cases) EXPECT_EQ(alone[c.row][c.column], c.seen) << c.row << "," << c.column;
}

TEST_F(LookupOrder, AnyOrderReadsAsAlone) {
    std::vector<std::pair<int, int>> forward, backward, shuffled;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) forward.push_back({r, c});
    backward.assign(forward.rbegin(), forward.rend());
    shuffled = forward;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
    // Every cell twice in a row, then skipping ahead along the row.
    std::vector<std::pair<int, int>> repeated, skipping;
    for (auto cell : forward) repeated.insert(repeated.end(), {cell, cell});
    for (int r = 0; r < kRows; ++r)
        for (int c : {0, 2, 3, 6, 1, 7, 5}) skipping.push_back({r, c});
    for (const auto* order : {&forward, &backward, &shuffled, &repeated, &skipping}) {
        for (auto [r, c] : *order) EXPECT_EQ(Read(wks, r, c), alone[r][c]) << r << "," << c;
    }
}

TEST_F(LookupOrder, OneLookupAgreesWithTheTwoGetters) {
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            Seen once{0, 0.0, ""};
            char buffer[64] = "unchanged";
            once.flags = wks.GetCellValue(r, c, once.number, buffer, sizeof buffer);
            once.text = buffer;
            const Seen& expected = alone[r][c];
            // A number's text is left to GetCellText; the buffer holds text cells only.
            Seen want = expected;
            if (expected.flags & WKS_NUMBER) want.text = "";
            EXPECT_EQ(once, want) << r << "," << c;
        }
    }
}

// The walk over the cells that exist: every cell record in row order, the
// formatted blanks of BLANK and MULBLANK included, nothing in between.
TEST_F(LookupOrder, NextCellWalksTheCellRecordsInRowOrder) {
    std::vector<std::pair<int, int>> walked;
    for (int r = 0, c = 0; wks.NextCell(r, c); ++c) {
        walked.push_back({r, c});
        ASSERT_LT(walked.size(), 100u) << "the walk does not end";
    }
    const std::vector<std::pair<int, int>> expected = {
        {0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6},  // label, runs, number
        {1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 5},                  // MULBLANK, label, RK
        {3, 0}, {3, 1}, {3, 2},                                  // BLANK, run
        {4, 7}};
    EXPECT_EQ(walked, expected);
    // Every position the walk passes over holds nothing.
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            if (std::find(walked.begin(), walked.end(), std::pair{r, c}) == walked.end()) {
                EXPECT_EQ(alone[r][c].flags, 0) << r << "," << c;
            }
        }
    // A walk can start anywhere, also inside a run or before the first row.
    int r = 0, c = 2;
    ASSERT_TRUE(wks.NextCell(r, c));
    EXPECT_EQ(std::pair(r, c), std::pair(0, 2));
    r = 1, c = 6;
    ASSERT_TRUE(wks.NextCell(r, c));
    EXPECT_EQ(std::pair(r, c), std::pair(3, 0)) << "row 2 has no cell";
    r = -4, c = 9;
    ASSERT_TRUE(wks.NextCell(r, c));
    EXPECT_EQ(std::pair(r, c), std::pair(0, 0));
    r = 4, c = 8;
    EXPECT_FALSE(wks.NextCell(r, c));
}

// The used area ends at the last cell record, a formatted blank included, and
// never reaches past what DIMENSIONS claims.
TEST(UsedArea, LastCellRecordWithinTheClaim) {
    struct Case {
        const char* what;
        int claimRows, claimColumns;
        bool blanks;
        int rows, columns;
    } cases[] = {
        {"claim fits the cells", 6, 5, true, 6, 5},
        {"claim far beyond the cells", 65535, 256, true, 6, 5},
        {"claim smaller than the cells", 3, 2, true, 3, 2},
        {"values only", 65535, 256, false, 2, 2},
    };
    for (const Case& k : cases) {
        BiffWriter s;
        s.Record(kDimensions, Body().u16(0).u16(k.claimRows).u16(0).u16(k.claimColumns));
        s.Record(kNumber, CellHead(0, 0).f64(1));
        s.Record(kLabel, CellHead(1, 1).str16("b"));
        if (k.blanks) {
            s.Record(kMulBlank, Body().u16(3).u16(2).u16(0).u16(0).u16(0).u16(4));  // (3,2)..(3,4)
            s.Record(kBlank, CellHead(5, 0));
        }
        const std::string path = TempPath("used.xls");
        ASSERT_TRUE(WriteCompoundFile(path, {{"Book", Biff5Book(Biff5Globals(false), {{"Data", s.Bytes()}})}}));
        TWksIO wks;
        ASSERT_TRUE(wks.Open(path.c_str(), "Data", WKS_OPEN_NO_APPLICATION)) << k.what;
        int rows = -1, columns = -1;
        wks.GetUsedArea(rows, columns);
        EXPECT_EQ(rows, k.rows) << k.what;
        EXPECT_EQ(columns, k.columns) << k.what;
    }
}

// BIFF2 has no DIMENSIONS claim: the extent is that of the cells, and a walk
// over a sheet with two cells far apart visits two cells.
TEST(UsedArea, Biff2SparseSheetWalksTwoCells) {
    const std::string path = TempPath("sparse2.xls");
    WriteBytes(path, Biff2Sheet({{0, 0, Biff2Cell::Label, 0, 0, 0, 0, "a"},
                                 {16383, 255, Biff2Cell::Number, 0, 0, 0, 2.5, ""}}));
    TWksIO wks;
    ASSERT_TRUE(wks.Open(path.c_str(), "", WKS_OPEN_NO_APPLICATION));
    int rows = 0, columns = 0;
    wks.GetUsedArea(rows, columns);
    EXPECT_EQ(std::pair(rows, columns), std::pair(16384, 256));
    std::vector<std::pair<int, int>> walked;
    for (int r = 0, c = 0; wks.NextCell(r, c); ++c) walked.push_back({r, c});
    EXPECT_EQ(walked, (std::vector<std::pair<int, int>>{{0, 0}, {16383, 255}}));
    EXPECT_EQ(wks.GetCellLookups(), 0u) << "the walk reads no cell";
}

}  // namespace
