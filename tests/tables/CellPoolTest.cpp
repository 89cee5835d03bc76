// The cell pool: slots do not overlap, freed slots are reused, and slabs go
// back to the heap once their last cell is gone.
#include "tables/CellPool.h"
#include "tables/IoRow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

TEST(CellPool, SlotsHoldTheirContentsAcrossInterleavedFrees) {
    struct Slot {
        unsigned char* p;
        size_t size;
        unsigned char fill;
    };
    std::mt19937 random(7);
    std::vector<Slot> live;
    const size_t sizes[] = {1, 16, 24, 64, 88, 200, 256, 257, 1000};
    for (int round = 0; round < 20000; ++round) {
        if (!live.empty() && random() % 3 == 0) {
            size_t i = random() % live.size();
            Slot s = live[i];
            for (size_t k = 0; k < s.size; ++k) ASSERT_EQ(s.p[k], s.fill) << "slot overwritten";
            dulo::CellPool::Free(s.p, s.size);
            live[i] = live.back();
            live.pop_back();
        } else {
            size_t size = sizes[random() % std::size(sizes)];
            auto* p = static_cast<unsigned char*>(dulo::CellPool::Allocate(size));
            unsigned char fill = static_cast<unsigned char>(round);
            std::memset(p, fill, size);
            live.push_back({p, size, fill});
        }
    }
    for (const auto& s : live) {
        for (size_t k = 0; k < s.size; ++k) ASSERT_EQ(s.p[k], s.fill);
        dulo::CellPool::Free(s.p, s.size);
    }
}

TEST(CellPool, SlabsAreReleasedWithTheirLastCell) {
    size_t before = dulo::CellPool::SlabCount();
    {
        // Enough cells to fill three slabs.
        const int rowCount = int(3 * dulo::CellPool::kSlabSize / sizeof(CIoDoubleCell) / 20 + 1);
        CIoRowArray rows;
        for (int r = 0; r < rowCount; ++r) {
            int i = rows.AddRow("R", false);
            for (int c = 0; c < 20; ++c) rows.GetRow(i)->m_DataCells.Add(new CIoDoubleCell(c, false, false));
        }
        EXPECT_GE(dulo::CellPool::SlabCount(), before + 3);
        // Freeing every other row leaves the slabs partly used; new cells fill the holes.
        for (int r = rows.GetUpperBound(); r >= 0; r -= 2) rows.RemoveAt(r);
        size_t afterHalf = dulo::CellPool::SlabCount();
        for (int r = 0; r < rowCount / 2; ++r) {
            int i = rows.AddRow("S", false);
            for (int c = 0; c < 20; ++c) rows.GetRow(i)->m_DataCells.Add(new CIoDoubleCell(c, false, false));
        }
        EXPECT_EQ(dulo::CellPool::SlabCount(), afterHalf);
        EXPECT_EQ(rows.GetCellDouble(rows.GetUpperBound(), 19), 19.0);
    }
    // At most the slab each size class allocates from stays.
    EXPECT_LE(dulo::CellPool::SlabCount(), before + 2);
}

TEST(CellPool, DerivedCellsOfOtherSizesUseTheirOwnClass) {
    struct Wide : CIoStrCell {
        char extra[300];
        Wide() : CIoStrCell("wide", false, false) { std::memset(extra, 1, sizeof extra); }
    };
    std::vector<CIoCell*> cells;
    for (int i = 0; i < 100; ++i) {
        cells.push_back(new Wide);
        cells.push_back(new CIoTinyIntCell(int8_t(i), false, false));
    }
    for (size_t i = 0; i < cells.size(); i += 2) EXPECT_EQ(cells[i]->GetText(), "wide");
    for (size_t i = 1; i < cells.size(); i += 2) EXPECT_EQ(cells[i]->GetAsInt(), int(i / 2));
    for (CIoCell* c : cells) delete c;
}

}  // namespace
