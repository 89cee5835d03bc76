#pragma once
// Reading across a BIFF8 record and the CONTINUE records after it: the shared
// string table, and any text long enough to be split. Every read is checked
// against the records it has; a read that runs past them fails.
#include "platform/biff/RecordCursor.h"
#include "platform/biff/RecordIds.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace dulo::biff {

class ContinuedReader {
public:
    void Add(const Record& r) { m_segments.push_back(r); }
    bool U8(uint8_t& v) {
        if (!Available(1)) return false;
        v = Cur()[0];
        m_off += 1;
        return true;
    }
    bool U16(uint16_t& v) {
        if (!Available(2)) return false;
        v = ReadU16(Cur());
        m_off += 2;
        return true;
    }
    bool U32(uint32_t& v) {
        if (!Available(4)) return false;
        v = ReadU32(Cur());
        m_off += 4;
        return true;
    }
    bool Skip(uint64_t n) {
        while (n > 0) {
            if (!NextIfExhausted()) return false;
            uint64_t here = std::min<uint64_t>(n, Left());
            m_off += static_cast<uint32_t>(here);
            n -= here;
        }
        return true;
    }
    // cch characters, compressed (one byte each) or UTF-16 as the option byte
    // says. Character runs that cross a boundary find a fresh option byte at the
    // start of the next record.
    bool Chars(uint32_t cch, bool highByte, std::u16string& out) {
        out.clear();
        while (cch > 0) {
            if (Left() == 0) {
                if (!NextSegment()) return false;
                uint8_t option;
                if (!U8(option)) return false;
                highByte = option & 0x01;
            }
            uint32_t width = highByte ? 2 : 1;
            uint32_t take = std::min<uint32_t>(cch, Left() / width);
            if (take == 0) return false;
            const uint8_t* p = Cur();
            for (uint32_t i = 0; i < take; ++i)
                out.push_back(highByte ? static_cast<char16_t>(ReadU16(p + 2 * i)) : static_cast<char16_t>(p[i]));
            m_off += take * width;
            cch -= take;
        }
        return true;
    }
    // XLUnicodeRichExtendedString (SST) or XLUnicodeString (extended = false).
    bool String(std::u16string& out, bool extended) {
        uint16_t cch;
        uint8_t flags;
        if (!U16(cch) || !U8(flags)) return false;
        uint16_t runs = 0;
        uint32_t extBytes = 0;
        if (extended && (flags & 0x08) && !U16(runs)) return false;
        if (extended && (flags & 0x04) && !U32(extBytes)) return false;
        if (!Chars(cch, flags & 0x01, out)) return false;
        return Skip(uint64_t(runs) * 4) && Skip(extBytes);
    }

private:
    uint32_t Left() const { return m_seg < m_segments.size() ? uint32_t(m_segments[m_seg].length) - m_off : 0; }
    const uint8_t* Cur() const { return m_segments[m_seg].data + m_off; }
    bool NextSegment() {
        if (m_seg + 1 >= m_segments.size()) return false;
        ++m_seg;
        m_off = 0;
        return true;
    }
    bool NextIfExhausted() { return Left() > 0 || NextSegment(); }
    // Fixed-size fields never straddle records; move on only when this one is used up.
    bool Available(uint32_t n) {
        if (Left() == 0 && !NextSegment()) return false;
        return Left() >= n;
    }

    std::vector<Record> m_segments;
    size_t m_seg = 0;
    uint32_t m_off = 0;
};

// A record and the CONTINUE records after it; the cursor moves past them.
inline ContinuedReader Continued(const Record& first, RecordCursor& cursor) {
    ContinuedReader reader;
    reader.Add(first);
    uint16_t id;
    Record next;
    while (cursor.PeekId(id) && id == kContinue && cursor.Next(next) == RecordCursor::Ok) reader.Add(next);
    return reader;
}

}  // namespace dulo::biff
