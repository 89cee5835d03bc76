#include "sources/workbook/RecordStore.h"

#include "platform/HugePages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

void StreamBuffer::Free::operator()(uint8_t* p) const { std::free(p); }

bool StreamBuffer::Allocate(size_t size) {
    Clear();
    constexpr size_t kHugePage = dulo::kHugePageSize;
    void* memory;
    if (size >= kHugePage) {
        size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        if (rounded < size) return false;
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory) dulo::AdviseHugePages(memory, rounded);
    } else {
        memory = std::malloc(std::max<size_t>(size, 1));
    }
    if (!memory) return false;
    m_bytes.reset(static_cast<uint8_t*>(memory));
    m_size = size;
    return true;
}

void RecordStore::Clear() { m_blocks.clear(); }

void RecordStore::Append(uint16_t id, const uint8_t* data, uint16_t length) {
    const uint32_t need = 4u + length;
    if (m_blocks.empty() || !m_blocks.back().owned || m_blocks.back().capacity - m_blocks.back().used < need) {
        Block block;
        block.capacity = static_cast<uint32_t>(std::max<size_t>(kBlockSize, need));
        block.owned = std::make_unique<uint8_t[]>(block.capacity);
        block.bytes = block.owned.get();
        m_blocks.push_back(std::move(block));
    }
    Block& block = m_blocks.back();
    uint8_t* p = block.bytes + block.used;
    p[0] = uint8_t(id), p[1] = uint8_t(id >> 8), p[2] = uint8_t(length), p[3] = uint8_t(length >> 8);
    if (length) std::memcpy(p + 4, data, length);
    block.used += need;
}

void RecordStore::AppendInPlace(uint8_t* data, size_t size) {
    // Positions are 32-bit offsets: a longer run is split at a record boundary.
    constexpr size_t kMaxRun = 0x7FFFFFFF;
    if (size > 0 && size <= kMaxRun) {
        Block block;
        block.bytes = data;
        block.capacity = block.used = static_cast<uint32_t>(size);
        m_blocks.push_back(std::move(block));
        return;
    }
    while (size > 0) {
        size_t run = 0;
        while (size - run >= 4) {
            size_t next = run + 4 + dulo::biff::ReadU16(data + run + 2);
            if (next > size || next > kMaxRun) break;
            run = next;
        }
        if (run == 0) return;  // a broken record: nothing more to borrow
        Block block;
        block.bytes = data;
        block.capacity = block.used = static_cast<uint32_t>(run);
        m_blocks.push_back(std::move(block));
        data += run;
        size -= run;
    }
}

uint8_t* RecordStore::MutableData(RecPos pos) {
    if (pos.block >= m_blocks.size() || pos.offset + 4 > m_blocks[pos.block].used) return nullptr;
    return m_blocks[pos.block].bytes + pos.offset + 4;
}
