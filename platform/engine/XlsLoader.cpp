// BIFF8 workbooks (.xls of Excel 97 and later): the "Workbook" stream of a
// compound document, its globals when opened, each sheet's records when first needed.
#include "platform/engine/BookLoader.h"
#include "platform/engine/LittleEndian.h"
#include "platform/TextConv.h"
#include "platform/cfb/CompoundFile.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace dulo::engine {

namespace {

enum : uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kWsBool = 0x0081,
    kBoundSheet = 0x0085,
    kStandardWidth = 0x0099,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

struct Record {
    uint16_t id = 0;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// Walks the records of a stream; stops at the end or at a record that runs past it.
class RecordCursor {
public:
    RecordCursor(const std::vector<uint8_t>& stream, size_t pos) : m_s(stream), m_pos(pos) {}
    bool Next(Record& r) {
        if (m_pos + 4 > m_s.size()) return false;
        r.id = U16(&m_s[m_pos]);
        r.size = U16(&m_s[m_pos + 2]);
        if (m_pos + 4 + r.size > m_s.size()) return false;
        r.data = m_s.data() + m_pos + 4;
        m_pos += 4 + r.size;
        return true;
    }
    bool PeekId(uint16_t& id) const {
        if (m_pos + 4 > m_s.size()) return false;
        id = U16(&m_s[m_pos]);
        return true;
    }

private:
    const std::vector<uint8_t>& m_s;
    size_t m_pos;
};

// Reads across a record and its CONTINUE records. Character runs that cross a
// boundary find a fresh option byte at the start of the next record.
class ContinuedReader {
public:
    void Add(const Record& r) { m_segments.push_back(r); }
    bool U8(uint8_t& v) {
        if (!Available(1)) return false;
        v = Cur()[0];
        m_off += 1;
        return true;
    }
    bool U16v(uint16_t& v) {
        if (!Available(2)) return false;
        v = U16(Cur());
        m_off += 2;
        return true;
    }
    bool U32v(uint32_t& v) {
        if (!Available(4)) return false;
        v = U32(Cur());
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
    // cch characters, compressed (one byte each) or UTF-16 as the option byte says.
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
                out.push_back(highByte ? static_cast<char16_t>(U16(p + 2 * i)) : static_cast<char16_t>(p[i]));
            m_off += take * width;
            cch -= take;
        }
        return true;
    }
    // XLUnicodeRichExtendedString (SST) or XLUnicodeString (extended = false).
    bool String(std::u16string& out, bool extended) {
        uint16_t cch;
        uint8_t flags;
        if (!U16v(cch) || !U8(flags)) return false;
        uint16_t runs = 0;
        uint32_t extBytes = 0;
        if (extended && (flags & 0x08) && !U16v(runs)) return false;
        if (extended && (flags & 0x04) && !U32v(extBytes)) return false;
        if (!Chars(cch, flags & 0x01, out)) return false;
        return Skip(uint64_t(runs) * 4) && Skip(extBytes);
    }

private:
    uint32_t Left() const { return m_seg < m_segments.size() ? m_segments[m_seg].size - m_off : 0; }
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

// A record and the CONTINUE records after it.
ContinuedReader Continued(const Record& first, RecordCursor& cursor) {
    ContinuedReader reader;
    reader.Add(first);
    uint16_t id;
    Record next;
    while (cursor.PeekId(id) && id == kContinue && cursor.Next(next)) reader.Add(next);
    return reader;
}

class XlsLoader : public BookLoader {
public:
    bool ReadGlobals(BookModel& book);
    bool LoadSheet(BookModel& book, size_t index) override;

    std::vector<uint8_t> m_stream;

private:
    inline void AddCell(SheetModel& sheet, uint32_t row, uint32_t col, uint16_t xf, CellType type, double number,
                        uint32_t index, uint8_t flags = 0);
    void ReadSst(BookModel& book, ContinuedReader& reader);
    bool ReadSheetRecords(BookModel& book, SheetModel& sheet, uint32_t offset);
    size_t CountCells(uint32_t offset) const;

    bool IsDialogSheet(uint32_t offset) const;

    // Worksheets whose records are still to be read; the stream goes when none is left.
    size_t m_unreadWorksheets = 0;

    std::vector<uint32_t> m_sst;
    std::vector<NumberClass> m_xfClasses;
    std::vector<uint32_t> m_sheetOffsets;
};

void XlsLoader::ReadSst(BookModel& book, ContinuedReader& reader) {
    uint32_t total, unique;
    if (!reader.U32v(total) || !reader.U32v(unique)) return;
    // The count is a claim: each string takes at least three bytes.
    m_sst.reserve(std::min<size_t>(unique, m_stream.size() / 3));
    std::u16string text;
    for (uint32_t i = 0; i < unique; ++i) {
        if (!reader.String(text, true)) break;
        m_sst.push_back(book.strings.Add(text));
    }
}

bool XlsLoader::ReadGlobals(BookModel& book) {
    book.maxRows = kXlsMaxRows;
    book.maxColumns = kXlsMaxColumns;
    RecordCursor cursor(m_stream, 0);
    Record r;
    if (!cursor.Next(r) || r.id != kBof || r.size < 4 || U16(r.data) != 0x0600 || U16(r.data + 2) != 0x0005)
        return false;
    // Custom format classes by format index (a later FORMAT with the same index wins).
    std::vector<int8_t> formats(65536, -1);
    std::vector<uint16_t> xfFormats;
    bool sawEof = false;
    while (!sawEof && cursor.Next(r)) {
        switch (r.id) {
        case kFilePass:
            return false;  // encrypted
        case kDateMode:
            if (r.size >= 2) book.date1904 = U16(r.data) == 1;
            break;
        case kFormat:
            if (r.size >= 2) {
                ContinuedReader reader;
                reader.Add(r);
                uint16_t id;
                std::u16string code;
                if (reader.U16v(id) && reader.String(code, false))
                    formats[id] = static_cast<int8_t>(ClassifyFormatCode(dulo::Utf16ToUtf8(code)));
            }
            break;
        case kXf:
            if (r.size >= 4) xfFormats.push_back(U16(r.data + 2));
            break;
        case kBoundSheet:
            if (r.size >= 8) {
                ContinuedReader reader;
                reader.Add(r);
                uint32_t offset;
                uint8_t state, type, cch, flags;
                std::u16string name;
                if (!reader.U32v(offset) || !reader.U8(state) || !reader.U8(type) || !reader.U8(cch) ||
                    !reader.U8(flags) || !reader.Chars(cch, flags & 0x01, name))
                    break;
                SheetModel sheet;
                sheet.name = dulo::Utf16ToUtf8(name);
                sheet.type = type == 0 ? SheetType::Worksheet : type == 2 ? SheetType::Chart : SheetType::Macro;
                if (type == 6) break;  // a code module is not a sheet
                book.sheets.push_back(std::move(sheet));
                m_sheetOffsets.push_back(offset);
            }
            break;
        case kSst: {
            ContinuedReader reader = Continued(r, cursor);
            ReadSst(book, reader);
            break;
        }
        case kEof:
            sawEof = true;
            break;
        default:
            break;
        }
    }
    // Dialog sheets are listed as worksheets; their WSBOOL record tells them apart.
    for (size_t i = 0; i < book.sheets.size(); ++i)
        if (book.sheets[i].type == SheetType::Worksheet && IsDialogSheet(m_sheetOffsets[i]))
            book.sheets[i].type = SheetType::Dialog;
    for (const SheetModel& sheet : book.sheets)
        if (sheet.type == SheetType::Worksheet) ++m_unreadWorksheets;
    m_xfClasses.reserve(xfFormats.size());
    for (uint16_t fmt : xfFormats)
        m_xfClasses.push_back(formats[fmt] >= 0 ? static_cast<NumberClass>(formats[fmt])
                                                : ClassifyBuiltinFormat(fmt < 164 ? fmt : 0));
    return sawEof && !book.sheets.empty();
}

bool XlsLoader::IsDialogSheet(uint32_t offset) const {
    if (offset >= m_stream.size()) return false;
    RecordCursor cursor(m_stream, offset);
    Record r;
    if (!cursor.Next(r) || r.id != kBof) return false;
    // WSBOOL comes among the first records, well before any cell.
    for (int i = 0; i < 64 && cursor.Next(r) && r.id != kEof && r.id != kBof; ++i)
        if (r.id == kWsBool) return r.size >= 2 && (U16(r.data) & 0x0010);
    return false;
}

inline void XlsLoader::AddCell(SheetModel& sheet, uint32_t row, uint32_t col, uint16_t xf, CellType type,
                               double number, uint32_t index, uint8_t flags) {
    if (col >= kXlsMaxColumns || row >= kXlsMaxRows) return;
    Cell cell{};
    cell.row = row;
    cell.col = static_cast<uint16_t>(col);
    cell.type = type;
    cell.flags = flags;
    if (type == CellType::Number) {
        if (!std::isfinite(number)) return;
        cell.number = number;
        if (xf < m_xfClasses.size()) cell.SetClass(m_xfClasses[xf]);
    } else {
        cell.index = index;
    }
    sheet.cells.push_back(cell);
}

// Cells the sheet's records hold at most, so that the cells are allocated once.
size_t XlsLoader::CountCells(uint32_t offset) const {
    RecordCursor cursor(m_stream, offset);
    Record r;
    size_t cells = 0;
    int depth = 0;
    while (cursor.Next(r)) {
        switch (r.id) {
        case kBof:
            ++depth;
            break;
        case kEof:
            if (--depth <= 0) return cells;
            break;
        case kNumber:
        case kRk:
        case kLabelSst:
        case kLabel:
        case kRString:
        case kBoolErr:
        case kBlank:
        case kFormula:
            ++cells;
            break;
        case kMulRk:
            if (r.size >= 6) cells += (r.size - 6) / 6;
            break;
        case kMulBlank:
            if (r.size >= 6) cells += (r.size - 6) / 2;
            break;
        default:
            break;
        }
    }
    return cells;
}

bool XlsLoader::LoadSheet(BookModel& book, size_t index) {
    SheetModel& sheet = book.sheets[index];
    if (sheet.type != SheetType::Worksheet) {
        sheet.Finish();
        return true;
    }
    bool ok = ReadSheetRecords(book, sheet, m_sheetOffsets[index]);
    // Every worksheet is in the model now: the raw stream is of no more use.
    if (m_unreadWorksheets > 0 && --m_unreadWorksheets == 0) {
        m_stream.clear();
        m_stream.shrink_to_fit();
    }
    return ok;
}

bool XlsLoader::ReadSheetRecords(BookModel& book, SheetModel& sheet, uint32_t offset) {
    if (offset >= m_stream.size()) return false;
    RecordCursor cursor(m_stream, offset);
    Record r;
    if (!cursor.Next(r) || r.id != kBof) return false;
    sheet.cells.reserve(CountCells(offset));
    int depth = 0;                          // embedded chart substreams
    size_t pendingString = SIZE_MAX;        // formula cell waiting for its STRING record
    bool sawEof = false;
    while (!sawEof && cursor.Next(r)) {
        if (r.id == kBof) {
            ++depth;
            continue;
        }
        if (r.id == kEof) {
            if (depth == 0) sawEof = true;
            else --depth;
            continue;
        }
        if (depth > 0) continue;
        const uint8_t* d = r.data;
        uint32_t row = r.size >= 2 ? U16(d) : 0;
        uint32_t col = r.size >= 4 ? U16(d + 2) : 0;
        uint16_t xf = r.size >= 6 ? U16(d + 4) : 0;
        switch (r.id) {
        case kNumber:
            if (r.size >= 14) AddCell(sheet, row, col, xf, CellType::Number, F64(d + 6), 0);
            break;
        case kRk:
            if (r.size >= 10) AddCell(sheet, row, col, xf, CellType::Number, DecodeRk(U32(d + 6)), 0);
            break;
        case kMulRk:
            if (r.size >= 6)
                for (uint32_t i = 0; 4 + i * 6 + 6 <= r.size - 2; ++i)
                    AddCell(sheet, row, col + i, U16(d + 4 + i * 6), CellType::Number, DecodeRk(U32(d + 6 + i * 6)),
                            0);
            break;
        case kLabelSst:
            if (r.size >= 10) {
                uint32_t isst = U32(d + 6);
                // An index beyond the table reads as an empty cell.
                if (isst < m_sst.size()) AddCell(sheet, row, col, xf, CellType::String, 0, m_sst[isst]);
                else AddCell(sheet, row, col, xf, CellType::Blank, 0, 0);
            }
            break;
        case kLabel:
        case kRString:
            if (r.size >= 6) {
                ContinuedReader reader = Continued(r, cursor);
                std::u16string text;
                if (reader.Skip(6) && reader.String(text, false))
                    AddCell(sheet, row, col, xf, CellType::String, 0, book.strings.Add(text));
            }
            break;
        case kBoolErr:
            if (r.size >= 8)
                AddCell(sheet, row, col, xf, d[7] ? CellType::Error : CellType::Bool, 0, d[7] ? d[6] : (d[6] ? 1 : 0));
            break;
        case kBlank:
            if (r.size >= 6) AddCell(sheet, row, col, xf, CellType::Blank, 0, 0);
            break;
        case kMulBlank:
            if (r.size >= 6)
                for (uint32_t i = 0; 4 + i * 2 + 2 <= r.size - 2; ++i)
                    AddCell(sheet, row, col + i, U16(d + 4 + i * 2), CellType::Blank, 0, 0);
            break;
        case kFormula:
            pendingString = SIZE_MAX;
            if (r.size >= 14) {
                const uint8_t* result = d + 6;
                if (result[6] != 0xFF || result[7] != 0xFF) {
                    AddCell(sheet, row, col, xf, CellType::Number, F64(result), 0, Cell::kFormula);
                } else if (result[0] == 0 || result[0] == 3) {
                    size_t before = sheet.cells.size();
                    AddCell(sheet, row, col, xf, CellType::String, 0, book.strings.Add(u""), Cell::kFormula);
                    if (result[0] == 0 && sheet.cells.size() > before) pendingString = before;
                } else if (result[0] == 1) {
                    AddCell(sheet, row, col, xf, CellType::Bool, 0, result[2] ? 1 : 0, Cell::kFormula);
                } else if (result[0] == 2) {
                    AddCell(sheet, row, col, xf, CellType::Error, 0, result[2], Cell::kFormula);
                } else {
                    AddCell(sheet, row, col, xf, CellType::Blank, 0, 0, Cell::kFormula);
                }
            }
            break;
        case kString:
            if (pendingString != SIZE_MAX) {
                ContinuedReader reader = Continued(r, cursor);
                std::u16string text;
                if (reader.String(text, false)) sheet.cells[pendingString].index = book.strings.Add(text);
                pendingString = SIZE_MAX;
            }
            break;
        case kDefColWidth:
            if (r.size >= 2) sheet.baseWidth = U16(d);
            break;
        case kStandardWidth:
            if (r.size >= 2) sheet.defaultWidth = U16(d) / 256.0;
            break;
        case kColInfo:
            if (r.size >= 10) {
                uint32_t first = U16(d), last = std::min<uint32_t>(U16(d + 2), kXlsMaxColumns - 1);
                if (first > last) break;
                if (sheet.widths.size() <= last) {
                    sheet.widths.resize(last + 1, -1);
                    sheet.hiddenColumns.resize(last + 1, false);
                }
                for (uint32_t c = first; c <= last; ++c) {
                    sheet.widths[c] = U16(d + 4) / 256.0;
                    sheet.hiddenColumns[c] = U16(d + 8) & 0x0001;
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

std::unique_ptr<BookLoader> OpenXls(const std::string& path, BookModel& book) {
    dulo::cfb::CompoundFile file;
    if (file.Open(path) != dulo::cfb::CfbStatus::Ok) return nullptr;
    std::unique_ptr<dulo::cfb::CompoundStream> stream = file.OpenStream("Workbook", true);
    if (!stream) return nullptr;
    auto loader = std::make_unique<XlsLoader>();
    if (!stream->ReadAll(loader->m_stream, file.FileSize())) return nullptr;
    if (!loader->ReadGlobals(book)) return nullptr;
    return loader;
}

}  // namespace dulo::engine
