#pragma once
// The record stream of one worksheet, kept in memory as a list of blocks. Each
// record is stored whole, exactly as in the file: 16-bit id, 16-bit length,
// data, little-endian. A block is either owned (filled by Append in 32 KB
// blocks; a record that does not fit in the rest of a block starts the next
// one) or borrowed: a run of whole records inside a buffer the caller keeps,
// so a workbook stream read into memory is walked in place, not copied.
#include "platform/biff/RecordCursor.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

struct RecPos {
    uint32_t block = 0;
    uint32_t offset = 0;
    bool operator==(const RecPos&) const = default;
};

// A record read from the store; data stays valid while the store is unchanged.
struct RecordView {
    uint16_t id = 0;
    uint16_t length = 0;
    const uint8_t* data = nullptr;
    RecPos pos;
};

class RecordStore {
public:
    static constexpr size_t kBlockSize = 32768;
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    void Clear();
    bool Empty() const { return m_blocks.empty(); }
    void Append(uint16_t id, const uint8_t* data, uint16_t length);
    // Appends the records in data[0..size) without copying them. The caller has
    // checked that they are whole records (dulo::biff::RecordCursor): the store
    // trusts their lengths. The caller keeps the bytes alive and unmoved while
    // the store uses them. Empty runs are ignored.
    void AppendInPlace(uint8_t* data, size_t size);
    void Swap(RecordStore& other) { m_blocks.swap(other.m_blocks); }

    static RecPos Begin() { return {}; }
    static RecPos None() { return {kNone, kNone}; }
    // The record at pos; false past the last record (or for None()).
    bool At(RecPos pos, RecordView& record) const {
        if (pos.block >= m_blocks.size()) return false;
        const Block& block = m_blocks[pos.block];
        if (block.used < 4 || pos.offset > block.used - 4) return false;
        const uint8_t* p = block.bytes + pos.offset;
        record.id = dulo::biff::ReadU16(p);
        record.length = dulo::biff::ReadU16(p + 2);
        record.data = p + 4;
        record.pos = pos;
        return true;
    }
    // The position after the record.
    RecPos Next(const RecordView& record) const {
        RecPos next{record.pos.block, record.pos.offset + 4u + record.length};
        if (next.block < m_blocks.size() && next.offset >= m_blocks[next.block].used) next = {next.block + 1, 0};
        return next;
    }
    // Writable data of the record at pos (for the few records written back).
    uint8_t* MutableData(RecPos pos);

private:
    struct Block {
        std::unique_ptr<uint8_t[]> owned;  // empty for a borrowed block
        uint8_t* bytes = nullptr;
        uint32_t capacity = 0;
        uint32_t used = 0;
    };
    std::vector<Block> m_blocks;
};

// A workbook stream read whole into one block. A large block is placed on
// huge pages where the system offers them, so reading it costs a few page
// faults instead of one per 4 KiB.
class StreamBuffer {
public:
    // An uninitialised block of size bytes; false when it cannot be had.
    bool Allocate(size_t size);
    void Clear() { m_bytes.reset(), m_size = 0; }
    uint8_t* data() const { return m_bytes.get(); }
    size_t size() const { return m_size; }

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t[], Free> m_bytes;
    size_t m_size = 0;
};
