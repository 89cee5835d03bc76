#pragma once
// Small writers for test workbooks: zip packages and compound documents
// through libgsf, .xlsb and Lotus records by hand.
#include "../support/BiffWriter.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace enginetest {

using Parts = std::vector<std::pair<std::string, std::string>>;

// Writes a zip archive with these members (names may hold folders).
void WriteZip(const std::string& path, const Parts& parts);
// Writes a compound document whose top level holds these streams.
void WriteCompound(const std::string& path, const Parts& streams);

// A minimal OOXML package: one workbook part naming the sheets, their
// relationships, and the given extra parts. sheets: (name, sheet XML).
Parts XlsxParts(const std::vector<std::pair<std::string, std::string>>& sheets, const std::string& sharedStrings = "",
                const std::string& styles = "", const std::string& workbookPr = "");
// A worksheet part around the given sheetData content.
std::string SheetXml(const std::string& rows, const std::string& beforeData = "");

// BIFF8 records and the little-endian fields of every binary writer here come
// from the shared test writer.
using bifftest::BiffWriter;
using bifftest::CellHead;
using bifftest::F64;
using bifftest::Str16;
using bifftest::U16;
using bifftest::U32;

// Records of a binary workbook part: type and size in the seven-bits-a-byte form.
class XlsbWriter {
public:
    XlsbWriter& Record(uint32_t type, const std::string& data = "");
    // A cell record: column, style index, then the value bytes.
    XlsbWriter& Cell(uint32_t type, uint32_t col, uint32_t style, const std::string& value = "");
    XlsbWriter& Row(uint32_t row) { return Record(0, U32(row) + std::string(21, '\0')); }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};
// XLWideString: 32-bit count, UTF-16 of the (ASCII) text.
std::string WideStr(const std::string& ascii);
// A binary workbook package: the workbook part naming the sheets (name, sheet
// part bytes), the content type that marks it, shared strings and styles parts
// when given, and the workbook properties' flags (1: the 1904 date system).
Parts XlsbParts(const std::vector<std::pair<std::string, std::string>>& sheets, const std::string& sharedStrings = "",
                const std::string& styles = "", uint32_t workbookFlags = 0);

// Lotus 1-2-3 records: 16-bit type, 16-bit length, the data.
class LotusWriter {
public:
    LotusWriter& Record(uint16_t type, const std::string& data = "");
    // Release 1-2 cells: format byte, column, row, then the value.
    LotusWriter& Cell(uint16_t type, uint8_t format, uint16_t col, uint16_t row, const std::string& value = "");
    // Release 3-4 cells: row, sheet, column, then the value.
    LotusWriter& Cell3(uint16_t type, uint8_t sheet, uint8_t col, uint16_t row, const std::string& value);
    void Append(const std::string& bytes) { m_bytes += bytes; }
    const std::string& Bytes() const { return m_bytes; }
    // Writes the bytes to path; returns path.
    std::string Write(const std::string& path) const;

private:
    std::string m_bytes;
};
// Text with its terminating NUL.
std::string Sz(const std::string& text);
// The 80-bit extended form: the mantissa with its integer bit, then sign and exponent.
std::string Ext10(double v);

// Where test files go (created on first use).
std::string TempPath(const std::string& name);
std::string Fixture(const std::string& name);

}  // namespace enginetest
