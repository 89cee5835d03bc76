// BIFF8 workbooks (.xls of Excel 97 and later): the "Workbook" stream of a
// compound document, its globals when opened, each sheet's records when first needed.
#include "platform/engine/BookLoader.h"
#include "platform/TextConv.h"
#include "platform/biff/ContinuedRecord.h"
#include "platform/biff/RecordIds.h"
#include "platform/cfb/CompoundFile.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace dulo::engine {

namespace {

using namespace dulo::biff;

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
    if (!reader.U32(total) || !reader.U32(unique)) return;
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
    RecordCursor cursor(m_stream.data(), m_stream.size());
    Record r;
    if (cursor.Next(r) != RecordCursor::Ok || r.id != kBof5 || r.length < 4 || ReadU16(r.data) != 0x0600 ||
        ReadU16(r.data + 2) != 0x0005)
        return false;
    // Custom format classes by format index (a later FORMAT with the same index wins).
    std::vector<int8_t> formats(65536, -1);
    std::vector<uint16_t> xfFormats;
    bool sawEof = false;
    while (!sawEof && cursor.Next(r) == RecordCursor::Ok) {
        switch (r.id) {
        case kFilePass:
            return false;  // encrypted
        case kDateMode:
            if (r.length >= 2) book.date1904 = ReadU16(r.data) == 1;
            break;
        case kFormat4:
            if (r.length >= 2) {
                ContinuedReader reader;
                reader.Add(r);
                uint16_t id;
                std::u16string code;
                if (reader.U16(id) && reader.String(code, false))
                    formats[id] = static_cast<int8_t>(ClassifyFormatCode(dulo::Utf16ToUtf8(code)));
            }
            break;
        case kXf5:
            if (r.length >= 4) xfFormats.push_back(ReadU16(r.data + 2));
            break;
        case kBoundSheet:
            if (r.length >= 8) {
                ContinuedReader reader;
                reader.Add(r);
                uint32_t offset;
                uint8_t state, type, cch, flags;
                std::u16string name;
                if (!reader.U32(offset) || !reader.U8(state) || !reader.U8(type) || !reader.U8(cch) ||
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
    RecordCursor cursor(m_stream.data(), m_stream.size(), offset);
    Record r;
    if (cursor.Next(r) != RecordCursor::Ok || r.id != kBof5) return false;
    // WSBOOL comes among the first records, well before any cell.
    for (int i = 0; i < 64 && cursor.Next(r) == RecordCursor::Ok && r.id != kEof && r.id != kBof5; ++i)
        if (r.id == kWsBool) return r.length >= 2 && (ReadU16(r.data) & 0x0010);
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
    RecordCursor cursor(m_stream.data(), m_stream.size(), offset);
    Record r;
    size_t cells = 0;
    int depth = 0;
    while (cursor.Next(r) == RecordCursor::Ok) {
        switch (r.id) {
        case kBof5:
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
        case kFormula2:
            ++cells;
            break;
        case kMulRk:
            if (r.length >= 6) cells += (r.length - 6) / 6;
            break;
        case kMulBlank:
            if (r.length >= 6) cells += (r.length - 6) / 2;
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
    RecordCursor cursor(m_stream.data(), m_stream.size(), offset);
    Record r;
    if (cursor.Next(r) != RecordCursor::Ok || r.id != kBof5) return false;
    sheet.cells.reserve(CountCells(offset));
    int depth = 0;                          // embedded chart substreams
    size_t pendingString = SIZE_MAX;        // formula cell waiting for its STRING record
    bool sawEof = false;
    while (!sawEof && cursor.Next(r) == RecordCursor::Ok) {
        if (r.id == kBof5) {
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
        uint32_t row = r.length >= 2 ? ReadU16(d) : 0;
        uint32_t col = r.length >= 4 ? ReadU16(d + 2) : 0;
        uint16_t xf = r.length >= 6 ? ReadU16(d + 4) : 0;
        switch (r.id) {
        case kNumber:
            if (r.length >= 14) AddCell(sheet, row, col, xf, CellType::Number, ReadF64(d + 6), 0);
            break;
        case kRk:
            if (r.length >= 10) AddCell(sheet, row, col, xf, CellType::Number, DecodeRk(ReadU32(d + 6)), 0);
            break;
        case kMulRk:
            if (r.length >= 6)
                for (uint32_t i = 0; 4 + i * 6 + 6 <= r.length - 2u; ++i)
                    AddCell(sheet, row, col + i, ReadU16(d + 4 + i * 6), CellType::Number, DecodeRk(ReadU32(d + 6 + i * 6)),
                            0);
            break;
        case kLabelSst:
            if (r.length >= 10) {
                uint32_t isst = ReadU32(d + 6);
                // An index beyond the table reads as an empty cell.
                if (isst < m_sst.size()) AddCell(sheet, row, col, xf, CellType::String, 0, m_sst[isst]);
                else AddCell(sheet, row, col, xf, CellType::Blank, 0, 0);
            }
            break;
        case kLabel:
        case kRString:
            if (r.length >= 6) {
                ContinuedReader reader = Continued(r, cursor);
                std::u16string text;
                if (reader.Skip(6) && reader.String(text, false))
                    AddCell(sheet, row, col, xf, CellType::String, 0, book.strings.Add(text));
            }
            break;
        case kBoolErr:
            if (r.length >= 8)
                AddCell(sheet, row, col, xf, d[7] ? CellType::Error : CellType::Bool, 0, d[7] ? d[6] : (d[6] ? 1 : 0));
            break;
        case kBlank:
            if (r.length >= 6) AddCell(sheet, row, col, xf, CellType::Blank, 0, 0);
            break;
        case kMulBlank:
            if (r.length >= 6)
                for (uint32_t i = 0; 4 + i * 2 + 2 <= r.length - 2u; ++i)
                    AddCell(sheet, row, col + i, ReadU16(d + 4 + i * 2), CellType::Blank, 0, 0);
            break;
        case kFormula2:
            pendingString = SIZE_MAX;
            if (r.length >= 14) {
                const uint8_t* result = d + 6;
                if (result[6] != 0xFF || result[7] != 0xFF) {
                    AddCell(sheet, row, col, xf, CellType::Number, ReadF64(result), 0, Cell::kFormula);
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
            if (r.length >= 2) sheet.baseWidth = ReadU16(d);
            break;
        case kStandardWidth:
            if (r.length >= 2) sheet.defaultWidth = ReadU16(d) / 256.0;
            break;
        case kColInfo:
            if (r.length >= 10) {
                uint32_t first = ReadU16(d), last = std::min<uint32_t>(ReadU16(d + 2), kXlsMaxColumns - 1);
                if (first > last) break;
                if (sheet.widths.size() <= last) {
                    sheet.widths.resize(last + 1, -1);
                    sheet.hiddenColumns.resize(last + 1, false);
                }
                for (uint32_t c = first; c <= last; ++c) {
                    sheet.widths[c] = ReadU16(d + 4) / 256.0;
                    sheet.hiddenColumns[c] = ReadU16(d + 8) & 0x0001;
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
