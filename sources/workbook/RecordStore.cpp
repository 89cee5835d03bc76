#include "sources/workbook/RecordStore.h"

#include <algorithm>
#include <cstring>

void RecordStore::Clear() { m_blocks.clear(); }

void RecordStore::Append(uint16_t id, const uint8_t* data, uint16_t length) {
    const uint32_t need = 4u + length;
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < need) {
        Block block;
        block.capacity = static_cast<uint32_t>(std::max<size_t>(kBlockSize, need));
        block.bytes = std::make_unique<uint8_t[]>(block.capacity);
        m_blocks.push_back(std::move(block));
    }
    Block& block = m_blocks.back();
    uint8_t* p = block.bytes.get() + block.used;
    p[0] = uint8_t(id), p[1] = uint8_t(id >> 8), p[2] = uint8_t(length), p[3] = uint8_t(length >> 8);
    if (length) std::memcpy(p + 4, data, length);
    block.used += need;
}

bool RecordStore::At(RecPos pos, RecordView& record) const {
    if (pos.block >= m_blocks.size()) return false;
    const Block& block = m_blocks[pos.block];
    if (pos.offset + 4 > block.used) return false;
    const uint8_t* p = block.bytes.get() + pos.offset;
    record.id = ReadU16(p);
    record.length = ReadU16(p + 2);
    record.data = p + 4;
    record.pos = pos;
    return true;
}

RecPos RecordStore::Next(const RecordView& record) const {
    RecPos next{record.pos.block, record.pos.offset + 4u + record.length};
    if (next.block < m_blocks.size() && next.offset >= m_blocks[next.block].used) next = {next.block + 1, 0};
    return next;
}

uint8_t* RecordStore::MutableData(RecPos pos) {
    if (pos.block >= m_blocks.size() || pos.offset + 4 > m_blocks[pos.block].used) return nullptr;
    return m_blocks[pos.block].bytes.get() + pos.offset + 4;
}

double ReadF64(const uint8_t* p) {
    uint64_t bits = uint64_t(ReadU32(p)) | (uint64_t(ReadU32(p + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

RecordCursor::Status RecordCursor::Next(uint16_t& id, uint16_t& length, const uint8_t*& body) {
    if (m_offset >= m_size) return End;
    if (m_size - m_offset < 4) return Truncated;
    id = ReadU16(m_data + m_offset);
    length = ReadU16(m_data + m_offset + 2);
    if (m_size - m_offset - 4 < length) return Truncated;
    body = m_data + m_offset + 4;
    m_offset += 4u + length;
    return Ok;
}
