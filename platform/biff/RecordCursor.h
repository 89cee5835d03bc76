#pragma once
// Walks the records of a BIFF byte buffer (a file or a workbook stream): a
// 16-bit id, a 16-bit length, then the data. Every record it hands out lies
// wholly inside the buffer.
#include "platform/biff/LittleEndian.h"

#include <cstddef>
#include <cstdint>

namespace dulo::biff {

struct Record {
    uint16_t id = 0;
    uint16_t length = 0;
    const uint8_t* data = nullptr;
};

class RecordCursor {
public:
    enum Status { Ok, End, Truncated };
    RecordCursor(const uint8_t* data, size_t size, size_t offset = 0) : m_data(data), m_size(size), m_offset(offset) {}

    // The next record; End at the end of the bytes, Truncated when a record
    // header or body runs past them (the cursor then stays where it was).
    Status Next(Record& record) {
        if (m_offset >= m_size) return End;
        if (m_size - m_offset < 4) return Truncated;
        const uint16_t length = ReadU16(m_data + m_offset + 2);
        if (m_size - m_offset - 4 < length) return Truncated;
        record.id = ReadU16(m_data + m_offset);
        record.length = length;
        record.data = m_data + m_offset + 4;
        m_offset += 4u + length;
        return Ok;
    }
    // The id of the next record without moving; false when no whole header follows.
    bool PeekId(uint16_t& id) const {
        if (m_offset > m_size || m_size - m_offset < 4) return false;
        id = ReadU16(m_data + m_offset);
        return true;
    }
    // Where the next record starts.
    size_t Offset() const { return m_offset; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset;
};

}  // namespace dulo::biff
