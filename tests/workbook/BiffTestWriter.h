#pragma once
// Small writers for the workbook tests: BIFF record streams built record by
// record, and compound documents written through libgsf.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// A record body under construction, little-endian.
struct Body {
    std::vector<uint8_t> bytes;
    Body& u8(int v);
    Body& u16(int v);
    Body& u32(uint32_t v);
    Body& f64(double v);
    Body& raw(const std::string& s);
    Body& str8(const std::string& s);   // 1-byte length, then the bytes
    Body& str16(const std::string& s);  // 2-byte length, then the bytes
};

// BIFF3-BIFF5 cell address and XF index; BIFF2 cell address and attribute bytes.
Body CellHead(int row, int column, int xf = 0);
Body CellHead2(int row, int column, int attr0 = 0, int attr1 = 0, int attr2 = 0);

class BiffWriter {
public:
    BiffWriter& Record(uint16_t id, const Body& body);
    BiffWriter& Record(uint16_t id);
    BiffWriter& Append(const std::vector<uint8_t>& bytes);
    // A record whose length field claims more bytes than follow it.
    BiffWriter& Overlong(uint16_t id, uint16_t claimed, const Body& body);
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    std::vector<uint8_t> m_bytes;
};

// A BIFF5 workbook stream: globals (BOF, the given records, one BOUNDSHEET per
// sheet with its offset, EOF) followed by each sheet's BOF, records and EOF.
struct Biff5Sheet {
    std::string name;
    std::vector<uint8_t> records;  // between the sheet's BOF and EOF
    bool withEof = true;
};
std::vector<uint8_t> Biff5Book(const std::vector<uint8_t>& globals, const std::vector<Biff5Sheet>& sheets);

// A fresh directory for one test's files.
std::string TempPath(const std::string& name);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
// A compound document holding the given top-level streams.
bool WriteCompoundFile(const std::string& path, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& streams);

// The fixture folder of this area.
std::string Fixture(const std::string& name);
