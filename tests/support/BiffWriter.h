#pragma once
// The tests' one writer of BIFF record streams, BIFF2 to BIFF8: little-endian
// fields, record bodies built field by field, records framed with their id and
// length (or with a length that lies), and the BIFF5 workbook layout. The
// engine's .xlsb and Lotus writers use its little-endian fields too. It needs
// no library header, so that tests which see only the public header use it too.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace bifftest {

inline std::string U16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
inline std::string U32(uint32_t v) { return U16(static_cast<uint16_t>(v & 0xFFFF)) + U16(static_cast<uint16_t>(v >> 16)); }
inline std::string F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return U32(static_cast<uint32_t>(bits)) + U32(static_cast<uint32_t>(bits >> 32));
}
// XLUnicodeString (BIFF8): 16-bit count, option byte, compressed characters.
inline std::string Str16(const std::string& latin1) {
    return U16(static_cast<uint16_t>(latin1.size())) + std::string(1, '\0') + latin1;
}

// A record body under construction.
struct Body {
    std::string bytes;
    Body& u8(int v) {
        bytes += static_cast<char>(v & 0xFF);
        return *this;
    }
    Body& u16(int v) { return raw(U16(static_cast<uint16_t>(v))); }
    Body& u32(uint32_t v) { return raw(U32(v)); }
    Body& f64(double v) { return raw(F64(v)); }
    Body& raw(std::string_view s) {
        bytes += s;
        return *this;
    }
    Body& str8(const std::string& s) { return u8(int(s.size())).raw(s); }    // 1-byte length, then the bytes
    Body& str16(const std::string& s) { return u16(int(s.size())).raw(s); }  // 2-byte length, then the bytes
    // The body followed by more fields written as a byte string.
    friend std::string operator+(const Body& body, const std::string& more) { return body.bytes + more; }
};

// BIFF3 to BIFF8 cell address and XF index; BIFF2 cell address and attribute bytes.
inline Body CellHead(int row, int column, int xf = 0) { return Body().u16(row).u16(column).u16(xf); }
inline Body CellHead2(int row, int column, int attr0 = 0, int attr1 = 0, int attr2 = 0) {
    return Body().u16(row).u16(column).u8(attr0).u8(attr1).u8(attr2);
}

class BiffWriter {
public:
    static constexpr uint16_t kBof = 0x0809;  // BIFF5 and BIFF8
    static constexpr uint16_t kBoundSheet = 0x0085;
    static constexpr uint16_t kEof = 0x000A;

    BiffWriter& Record(uint16_t id, std::string_view data = {}) { return Framed(id, uint16_t(data.size()), data); }
    BiffWriter& Record(uint16_t id, const Body& body) { return Record(id, std::string_view(body.bytes)); }
    // A record whose length field claims more bytes than follow it.
    BiffWriter& Overlong(uint16_t id, uint16_t claimed, const Body& body) { return Framed(id, claimed, body.bytes); }
    BiffWriter& Append(std::string_view bytes) {
        m_bytes += bytes;
        return *this;
    }
    BiffWriter& Append(const std::vector<uint8_t>& bytes) {
        m_bytes.append(bytes.begin(), bytes.end());
        return *this;
    }
    // A BIFF8 BOF: 0x0005 globals, 0x0010 worksheet, 0x0020 chart.
    BiffWriter& Bof8(uint16_t type) {
        return Record(kBof, U16(0x0600) + U16(type) + U16(0x0DBB) + U16(0x07CC) + U32(0) + U32(0x0006));
    }
    BiffWriter& Eof() { return Record(kEof); }
    // Overwrites a 32-bit value (a BOUNDSHEET offset once the sheet's place is known).
    void Patch32(size_t at, uint32_t value) { m_bytes.replace(at, 4, U32(value)); }

    size_t Size() const { return m_bytes.size(); }
    const std::string& String() const { return m_bytes; }
    std::vector<uint8_t> Bytes() const { return std::vector<uint8_t>(m_bytes.begin(), m_bytes.end()); }

private:
    BiffWriter& Framed(uint16_t id, uint16_t length, std::string_view data) {
        m_bytes += U16(id) + U16(length);
        m_bytes += data;
        return *this;
    }
    std::string m_bytes;
};

// A BIFF5 workbook stream: globals (BOF, the given records, one BOUNDSHEET per
// sheet with its offset, EOF) followed by each sheet's BOF, records and EOF.
struct Biff5Sheet {
    std::string name;
    std::vector<uint8_t> records;  // between the sheet's BOF and EOF
    bool withEof = true;
};
inline std::vector<uint8_t> Biff5Book(const std::vector<uint8_t>& globals, const std::vector<Biff5Sheet>& sheets) {
    // Globals size first, so the BOUNDSHEET offsets are known.
    size_t globalsSize = 4 + 8 + globals.size() + 4;
    for (const Biff5Sheet& s : sheets) globalsSize += 4 + 7 + s.name.size();
    BiffWriter book;
    book.Record(BiffWriter::kBof, Body().u16(0x0500).u16(0x0005).u16(0).u16(0));
    book.Append(globals);
    size_t offset = globalsSize;
    for (const Biff5Sheet& s : sheets) {
        book.Record(BiffWriter::kBoundSheet, Body().u32(uint32_t(offset)).u8(0).u8(0).str8(s.name));
        offset += 4 + 8 + s.records.size() + (s.withEof ? 4 : 0);
    }
    book.Eof();
    for (const Biff5Sheet& s : sheets) {
        book.Record(BiffWriter::kBof, Body().u16(0x0500).u16(0x0010).u16(0).u16(0));
        book.Append(s.records);
        if (s.withEof) book.Eof();
    }
    return book.Bytes();
}

}  // namespace bifftest
