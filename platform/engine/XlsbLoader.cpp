// Excel binary workbooks (.xlsb): the OOXML package with binary parts, each a
// run of records (variable-length type and size), read with every length checked.
#include "platform/TextConv.h"
#include "platform/biff/LittleEndian.h"
#include "platform/engine/BookLoader.h"
#include "platform/engine/ZipPackage.h"

#include <cmath>
#include <cstring>

namespace dulo::engine {

namespace {

using biff::DecodeRk;
using biff::ReadF64;
using biff::ReadU16;
using biff::ReadU32;

enum : uint32_t {
    kRowHdr = 0,
    kCellBlank = 1,
    kCellRk = 2,
    kCellError = 3,
    kCellBool = 4,
    kCellReal = 5,
    kCellSt = 6,
    kCellIsst = 7,
    kFmlaString = 8,
    kFmlaNum = 9,
    kFmlaBool = 10,
    kFmlaError = 11,
    // The short forms: no column (the one after the previous cell of the row).
    kShortBlank = 12,
    kShortRk = 13,
    kShortError = 14,
    kShortBool = 15,
    kShortReal = 16,
    kShortSt = 17,
    kShortIsst = 18,
    kSstItem = 19,
    kFmt = 44,
    kXf = 47,
    kColInfo = 60,
    kBeginSheetData = 145,
    kEndSheetData = 146,
    kWbProp = 153,
    kBundleSh = 156,
    kWsFmtInfo = 485,
    kBeginCellXfs = 617,
    kEndCellXfs = 618,
};

struct Record {
    uint32_t type = 0;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// Walks the records of a part: a type of one or two bytes and a size of up to
// four, seven bits a byte, the high bit saying another byte follows. Stops at
// the end or at a record that runs past it.
class RecordCursor {
public:
    explicit RecordCursor(const std::string& part)
        : m_p(reinterpret_cast<const uint8_t*>(part.data())), m_n(part.size()) {}
    bool Next(Record& r) {
        uint32_t type = 0, size = 0;
        if (!Varint(2, type) || !Varint(4, size) || size > m_n - m_pos) return false;
        r.type = type;
        r.size = size;
        r.data = m_p + m_pos;
        m_pos += size;
        return true;
    }

private:
    bool Varint(int maxBytes, uint32_t& value) {
        value = 0;
        for (int i = 0; i < maxBytes; ++i) {
            if (m_pos >= m_n) return false;
            uint8_t b = m_p[m_pos++];
            value |= uint32_t(b & 0x7F) << (7 * i);
            if (!(b & 0x80)) return true;
        }
        return false;  // a continuation bit on the last byte
    }
    const uint8_t* m_p;
    size_t m_n;
    size_t m_pos = 0;
};

// An XLWideString at offset: 32-bit count of UTF-16 units, then the units.
// False when it runs past the record.
bool WideString(const Record& r, uint32_t offset, std::u16string& out, uint32_t* end = nullptr) {
    if (offset > r.size || r.size - offset < 4) return false;
    uint32_t cch = ReadU32(r.data + offset);
    if (cch > (r.size - offset - 4) / 2) return false;
    out.resize(cch);
    const uint8_t* p = r.data + offset + 4;
    for (uint32_t i = 0; i < cch; ++i) out[i] = static_cast<char16_t>(ReadU16(p + 2 * i));
    if (end) *end = offset + 4 + cch * 2;
    return true;
}

bool IsCellRecord(uint32_t type) { return type >= kCellBlank && type <= kShortIsst; }

// A short form as the long form it stands for.
uint32_t LongForm(uint32_t type) {
    switch (type) {
    case kShortBlank: return kCellBlank;
    case kShortRk: return kCellRk;
    case kShortError: return kCellError;
    case kShortBool: return kCellBool;
    case kShortReal: return kCellReal;
    case kShortSt: return kCellSt;
    case kShortIsst: return kCellIsst;
    default: return type;
    }
}

class XlsbLoader : public BookLoader {
public:
    explicit XlsbLoader(std::unique_ptr<ZipPackage> zip) : m_zip(std::move(zip)) {}
    bool ReadWorkbook(BookModel& book);
    bool LoadSheet(BookModel& book, size_t index) override;

private:
    void ReadSharedStrings(BookModel& book, const std::string& part);
    void ReadStyles(const std::string& part);
    void AddCell(BookModel& book, SheetModel& sheet, uint32_t row, const Record& r, uint32_t& nextCol);

    std::unique_ptr<ZipPackage> m_zip;
    std::vector<std::string> m_sheetParts;
    std::vector<uint32_t> m_sharedStrings;
    std::vector<NumberClass> m_xfClasses;
    std::u16string m_text;
};

bool XlsbLoader::ReadWorkbook(BookModel& book) {
    book.maxRows = kXlsxMaxRows;
    book.maxColumns = kXlsxMaxColumns;
    std::string workbookPart = "xl/workbook.bin";
    for (const auto& [id, rel] : ReadRelationships(*m_zip, ""))
        if (rel.type == "officeDocument") workbookPart = rel.target;
    std::string bytes;
    if (!m_zip->Read(workbookPart, bytes, kMaxTreePartBytes)) return false;
    Relationships rels = ReadRelationships(*m_zip, workbookPart);
    for (const auto& [id, rel] : rels) {
        if (rel.type == "sharedStrings") ReadSharedStrings(book, rel.target);
        else if (rel.type == "styles") ReadStyles(rel.target);
    }
    RecordCursor cursor(bytes);
    Record r;
    while (cursor.Next(r)) {
        if (r.type == kWbProp && r.size >= 4) {
            book.date1904 = ReadU32(r.data) & 0x01;
        } else if (r.type == kBundleSh) {
            // hsState, iTabID, the relationship id, the name.
            std::u16string relId, name;
            uint32_t next = 0;
            if (r.size < 8 || !WideString(r, 8, relId, &next) || !WideString(r, next, name)) continue;
            SheetModel sheet;
            sheet.name = dulo::Utf16ToUtf8(name);
            std::string part;
            auto rel = rels.find(dulo::Utf16ToUtf8(relId));
            if (rel != rels.end()) {
                part = rel->second.target;
                sheet.type = SheetTypeOfRelationship(rel->second.type);
            }
            book.sheets.push_back(std::move(sheet));
            m_sheetParts.push_back(part);
        }
    }
    return !book.sheets.empty();
}

void XlsbLoader::ReadSharedStrings(BookModel& book, const std::string& part) {
    std::string bytes;
    if (!m_zip->Read(part, bytes)) return;
    RecordCursor cursor(bytes);
    Record r;
    while (cursor.Next(r)) {
        if (r.type != kSstItem) continue;
        // A flags byte (rich text, phonetic), then the text; runs after it are formatting.
        if (r.size < 1 || !WideString(r, 1, m_text)) m_text.clear();
        m_sharedStrings.push_back(book.strings.Add(m_text));
    }
}

void XlsbLoader::ReadStyles(const std::string& part) {
    std::string bytes;
    if (!m_zip->Read(part, bytes, kMaxTreePartBytes)) return;
    std::vector<std::pair<uint16_t, NumberClass>> custom;
    std::vector<uint16_t> xfFormats;
    bool inCellXfs = false;
    RecordCursor cursor(bytes);
    Record r;
    while (cursor.Next(r)) {
        if (r.type == kFmt && r.size >= 2) {
            if (WideString(r, 2, m_text)) custom.emplace_back(ReadU16(r.data), ClassifyFormatCode(dulo::Utf16ToUtf8(m_text)));
        } else if (r.type == kBeginCellXfs) {
            inCellXfs = true;
        } else if (r.type == kEndCellXfs) {
            inCellXfs = false;
        } else if (r.type == kXf && inCellXfs && r.size >= 4) {
            xfFormats.push_back(ReadU16(r.data + 2));
        }
    }
    m_xfClasses.reserve(xfFormats.size());
    for (uint16_t fmt : xfFormats) {
        NumberClass cls = ClassifyBuiltinFormat(fmt < 164 ? fmt : 0);
        for (const auto& [id, c] : custom)
            if (id == fmt) cls = c;
        m_xfClasses.push_back(cls);
    }
}

void XlsbLoader::AddCell(BookModel& book, SheetModel& sheet, uint32_t row, const Record& r, uint32_t& nextCol) {
    // A cell opens with its column and a 24-bit style index; a short one with the style index only.
    bool isShort = r.type >= kShortBlank;
    uint32_t head = isShort ? 4 : 8;
    if (r.size < head) return;
    uint32_t col = isShort ? nextCol : ReadU32(r.data);
    uint32_t xf = ReadU32(r.data + head - 4) & 0x00FFFFFF;
    if (col >= kXlsxMaxColumns) return;
    nextCol = col + 1;
    const uint8_t* v = r.data + head;
    uint32_t left = r.size - head;
    Cell cell{};
    cell.row = row;
    cell.col = static_cast<uint16_t>(col);
    cell.type = CellType::Blank;
    if (r.type >= kFmlaString) cell.flags |= Cell::kFormula;
    double number = 0;
    bool isNumber = false;
    switch (LongForm(r.type)) {
    case kCellBlank:
        break;
    case kCellRk:
        if (left >= 4) number = DecodeRk(ReadU32(v)), isNumber = true;
        break;
    case kCellReal:
    case kFmlaNum:
        if (left >= 8) number = ReadF64(v), isNumber = true;
        break;
    case kCellError:
    case kFmlaError:
        if (left >= 1) cell.type = CellType::Error, cell.index = v[0];
        break;
    case kCellBool:
    case kFmlaBool:
        if (left >= 1) cell.type = CellType::Bool, cell.index = v[0] ? 1 : 0;
        break;
    case kCellIsst:
        // An index beyond the table reads as an empty cell.
        if (left >= 4 && ReadU32(v) < m_sharedStrings.size()) {
            cell.type = CellType::String;
            cell.index = m_sharedStrings[ReadU32(v)];
        }
        break;
    case kCellSt:
    case kFmlaString:
        if (WideString(r, head, m_text)) {
            cell.type = CellType::String;
            cell.index = book.strings.Add(m_text);
        }
        break;
    default:
        return;
    }
    if (isNumber) {
        if (!std::isfinite(number)) return;
        cell.type = CellType::Number;
        cell.number = number;
        if (xf < m_xfClasses.size()) cell.SetClass(m_xfClasses[xf]);
    }
    sheet.cells.push_back(cell);
}

bool XlsbLoader::LoadSheet(BookModel& book, size_t index) {
    SheetModel& sheet = book.sheets[index];
    if (sheet.type != SheetType::Worksheet || m_sheetParts[index].empty()) {
        sheet.Finish();
        return sheet.type != SheetType::Worksheet;
    }
    std::string bytes;
    if (!m_zip->Read(m_sheetParts[index], bytes)) return false;
    // Count the cell records first so that the cells are allocated once.
    size_t count = 0;
    {
        RecordCursor counter(bytes);
        Record r;
        while (counter.Next(r))
            if (IsCellRecord(r.type)) ++count;
    }
    sheet.cells.reserve(count);
    RecordCursor cursor(bytes);
    Record r;
    bool inData = false;
    bool rowValid = false;
    uint32_t row = 0, nextCol = 0;
    while (cursor.Next(r)) {
        if (inData && IsCellRecord(r.type)) {
            if (rowValid) AddCell(book, sheet, row, r, nextCol);
            continue;
        }
        switch (r.type) {
        case kBeginSheetData:
            inData = true;
            break;
        case kEndSheetData:
            inData = false;
            break;
        case kRowHdr:
            if (inData) {
                rowValid = r.size >= 4 && ReadU32(r.data) < kXlsxMaxRows;
                if (rowValid) row = ReadU32(r.data);
                nextCol = 0;
            }
            break;
        case kWsFmtInfo:
            if (r.size >= 6) {
                uint32_t defaultWidth = ReadU32(r.data);
                if (defaultWidth != 0xFFFFFFFFu && defaultWidth / 256.0 < 256) sheet.defaultWidth = defaultWidth / 256.0;
                if (ReadU16(r.data + 4) < 256) sheet.baseWidth = ReadU16(r.data + 4);
            }
            break;
        case kColInfo:
            if (r.size >= 18) {
                uint32_t first = ReadU32(r.data), last = std::min<uint32_t>(ReadU32(r.data + 4), kXlsxMaxColumns - 1);
                double width = ReadU32(r.data + 8) / 256.0;
                if (first > last || width > 255) break;
                if (sheet.widths.size() <= last) {
                    sheet.widths.resize(last + 1, -1);
                    sheet.hiddenColumns.resize(last + 1, false);
                }
                for (uint32_t c = first; c <= last; ++c) {
                    sheet.widths[c] = width;
                    sheet.hiddenColumns[c] = ReadU16(r.data + 16) & 0x0001;
                }
            }
            break;
        default:
            break;
        }
    }
    sheet.Finish();
    return true;
}

}  // namespace

std::unique_ptr<BookLoader> OpenXlsb(std::unique_ptr<ZipPackage> zip, BookModel& book) {
    auto loader = std::make_unique<XlsbLoader>(std::move(zip));
    if (!loader->ReadWorkbook(book)) return nullptr;
    return loader;
}

}  // namespace dulo::engine
