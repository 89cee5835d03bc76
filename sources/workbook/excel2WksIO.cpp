#include "sources/workbook/excel2WksIO.h"

#include "platform/TextConv.h"
#include "sources/workbook/BiffFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace dulo::biff;

namespace {

char AlignmentPrefix(int align) {
    switch (align) {
        case 2:
        case 6: return '^';
        case 3: return '"';
        case 4: return '\\';
        default: return '\'';
    }
}

}  // namespace

excel2WksIO::excel2WksIO(const std::string& path) : excel2WksIO(path, 2) { LoadWholeFile(); }

void excel2WksIO::LoadWholeFile() {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(bytes)) {
        m_nReadError = FileUnreadable;
        m_bFailed = true;
    } else if (!LoadRecords(bytes.data(), bytes.size(), 0)) {
        m_nReadError = RecordsDamaged;
        m_bFailed = true;
    }
}

excel2WksIO::excel2WksIO(const std::string& path, int version) : m_nVersion(version), m_path(path) {
    m_recordClass.resize(0x0500);  // every cell record id is below this
    for (size_t id = 0; id < m_recordClass.size(); ++id) m_recordClass[id] = ClassifyRecord(uint16_t(id));
}

excel2WksIO::~excel2WksIO() = default;

bool excel2WksIO::ReadWholeFile(std::vector<uint8_t>& bytes) {
    bytes.clear();
    FILE* f = std::fopen(m_path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(size_t(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    if (!ok) bytes.clear();
    return ok;
}

bool excel2WksIO::LoadRecords(const uint8_t* data, size_t size, size_t offset) {
    m_store.Clear();
    RecordCursor cursor(data, size, offset);
    Record rec;
    for (;;) {
        switch (cursor.Next(rec)) {
            case RecordCursor::Ok:
                m_store.Append(rec.id, rec.data, rec.length);
                if (rec.id == kEof) return true;
                break;
            case RecordCursor::End:
                m_store.Append(kEof, nullptr, 0);
                return true;
            case RecordCursor::Truncated:
                m_store.Clear();
                return false;
        }
    }
}

void excel2WksIO::ResetSheet() {
    m_colWidths.assign(kMaxColumns, kDefaultWidth);
    m_colOffsets.clear();
    m_nColumns = m_nRows = 0;
    m_bProtected = m_bHasFormulas = false;
    m_dateOffset = 0.0;
    m_rowIndex.clear();
    m_selection = m_firstRow = RecordStore::None();
    m_formats.clear();
    m_xfs.clear();
    m_xfStyles.clear();
    m_formatFlags.clear();
    m_codepage = 1252;
    m_bDimensions = false;
    m_last = {};
    m_walk = {};
    m_curPos = RecordStore::Begin();
}

uint8_t excel2WksIO::ClassifyRecord(uint16_t id) const {
    bool formula, value, cell;
    if (m_nVersion == 2) {
        formula = id == kFormula2;
        value = id == kInteger2 || id == kNumber2 || id == kLabel2 || formula;
        cell = id >= kBlank2 && id <= kFormula2;
    } else {
        formula = id == kFormula2 || id == kFormula3 || id == kFormula4;
        value = id == kNumber || id == kLabel || id == kRString || id == kRk || (id == kMulRk && m_nVersion == 5) ||
                formula;
        cell = id == kBlank || id == kBoolErr || (id == kMulBlank && m_nVersion == 5) || value;
    }
    return uint8_t((cell ? kCellRecord : 0) | (value ? kValueRecord : 0) | (formula ? kFormulaRecord : 0));
}


std::string excel2WksIO::ToUtf8(const uint8_t* bytes, size_t length) const {
    return dulo::ToUtf8FromCodepage(std::string_view(reinterpret_cast<const char*>(bytes), length), m_codepage);
}

// ---- header scan, layout, row index ----

void excel2WksIO::ScanHeader() {
    if (m_nVersion == 2) CheckCellOrder();
    const uint16_t formatId = m_nVersion <= 3 ? kFormat2 : kFormat4;
    const uint16_t xfId = m_nVersion == 3 ? kXf3 : m_nVersion == 4 ? kXf4 : m_nVersion == 5 ? kXf5 : 0;
    RecordView rec;
    for (RecPos pos = RecordStore::Begin(); m_store.At(pos, rec); pos = m_store.Next(rec)) {
        int row, first, last;
        if (rec.id == kEof || (IsCellRecord(rec.id) && ((rec.id != kMulRk && rec.id != kMulBlank) || CellSpan(rec, row, first, last))))
            break;
        const uint8_t* d = rec.data;
        switch (rec.id) {
            case kProtect:
                if (rec.length >= 2) m_bProtected = ReadU16(d) == 1;
                break;
            case kDefColWidth:
                if (rec.length >= 2) m_colWidths.assign(kMaxColumns, ReadU16(d));
                break;
            case kColWidth2:
                if (m_nVersion == 2 && rec.length >= 4) {
                    int last = std::min<int>(d[1], kMaxColumns - 1);
                    for (int c = d[0]; c <= last; ++c) m_colWidths[c] = WidthFromUnits(ReadU16(d + 2));
                }
                break;
            case kColInfo:
                if (m_nVersion >= 3 && rec.length >= 6) {
                    int last = std::min<int>(ReadU16(d + 2), kMaxColumns - 1);
                    for (int c = ReadU16(d); c <= last; ++c) m_colWidths[c] = WidthFromUnits(ReadU16(d + 4));
                }
                break;
            case kDimensions:
                if (m_nVersion >= 3 && rec.length >= 8) {
                    m_nRows = ReadU16(d + 2);
                    // No BIFF sheet has more than 256 columns, whatever the record claims.
                    m_nColumns = std::min<int>(ReadU16(d + 6), kMaxColumns);
                    m_bDimensions = true;
                }
                break;
            case kRow2:
                if (m_nVersion == 2 && m_firstRow == RecordStore::None()) m_firstRow = pos;
                break;
            case kDateMode:
                // 1904 workbooks count days from 1904-01-01: dates move by 1462 days.
                if (rec.length >= 2) m_dateOffset = ReadU16(d) == 1 ? 1462.0 : 0.0;
                break;
            case kCodePage:
                if (rec.length >= 2) m_codepage = ReadU16(d);
                break;
            default:
                if (rec.id == formatId) m_formats.push_back(pos);
                else if (xfId && rec.id == xfId) m_xfs.push_back(pos);
                break;
        }
    }
    if (m_nVersion >= 3 && !m_bDimensions) {
        // Without a DIMENSIONS record the cells themselves say how large the sheet is.
        bool outOfOrder;
        ComputeDimensions(m_nRows, m_nColumns, outOfOrder);
    }
    BuildStyles();
}

void excel2WksIO::PrepareLayout() {
    TWksIOInnards::PrepareLayout();
    m_rowIndex.assign(size_t(std::max(m_nRows, 0)), RecordStore::None());
    m_last = {};
    m_walk = {};
}

void excel2WksIO::IndexRows() {
    size_t next = 0;
    RecordView rec;
    for (RecPos pos = RecordStore::Begin(); m_store.At(pos, rec); pos = m_store.Next(rec)) {
        if (rec.id == kEof) break;
        if (rec.id == kSelection) m_selection = pos;
        int row, first, last;
        if (!CellSpan(rec, row, first, last)) continue;
        if (IsFormulaRecord(rec.id)) m_bHasFormulas = true;
        for (; next <= size_t(row) && next < m_rowIndex.size(); ++next) m_rowIndex[next] = pos;
    }
}

void excel2WksIO::Rewind() {
    m_curPos = RecordStore::Begin();
    m_last = {};
    m_walk = {};
}

void excel2WksIO::ComputeDimensions(int& rows, int& columns, bool& outOfOrder) const {
    rows = columns = 0;
    outOfOrder = false;
    int prevRow = -1, prevColumn = -1;
    RecordView rec;
    for (RecPos pos = RecordStore::Begin(); m_store.At(pos, rec); pos = m_store.Next(rec)) {
        if (rec.id == kEof) break;
        int row, first, last;
        if (!CellSpan(rec, row, first, last)) continue;
        rows = std::max(rows, row + 1);
        columns = std::max(columns, last + 1);
        if (row < prevRow || (row == prevRow && first <= prevColumn)) outOfOrder = true;
        prevRow = row, prevColumn = last;
    }
    columns = std::min(columns, int(kMaxColumns));
}

bool excel2WksIO::NextCell(int& row, int& column) {
    if (row < 0) row = 0, column = 0;
    if (column < 0) column = 0;
    const int rows = std::min(m_nRows, int(m_rowIndex.size()));
    while (row < rows) {
        if (column >= m_nColumns) {
            ++row, column = 0;
            continue;
        }
        // The row index points at the first cell record of the row or of a later
        // one; a walk that goes on from where the last step stopped starts there.
        RecordView rec;
        RecPos pos = m_rowIndex[size_t(row)];
        if (m_walk.row == row && m_walk.column <= column) pos = m_walk.pos;
        for (; m_store.At(pos, rec); pos = m_store.Next(rec)) {
            if (rec.id == kEof) return false;
            int r, first, last;
            if (!CellSpan(rec, r, first, last)) continue;
            if (r < row || (r == row && last < column)) continue;
            if (r > row) row = r, column = first;
            else column = std::max(column, first);
            break;
        }
        if (!m_store.At(pos, rec)) return false;
        if (row >= rows) return false;
        if (column < m_nColumns) {
            m_walk.row = row, m_walk.column = column, m_walk.pos = pos;
            return true;
        }
    }
    return false;
}

void excel2WksIO::GetUsedArea(int& rows, int& columns) {
    bool outOfOrder;
    ComputeDimensions(rows, columns, outOfOrder);
    // A DIMENSIONS claim smaller than the cells present bounds what is read.
    rows = std::min(rows, m_nRows);
    columns = std::min(columns, m_nColumns);
}

bool excel2WksIO::CheckCellOrder() {
    bool outOfOrder;
    ComputeDimensions(m_nRows, m_nColumns, outOfOrder);
    if (outOfOrder) SortCells();
    return outOfOrder;
}

// Rebuilds the store as: the records before the first cell, the cells in row and
// column order (a later record for a cell replacing an earlier one, a formula
// keeping the STRING record that follows it), an end-of-file record.
void excel2WksIO::SortCells() {
    struct Cell {
        int row, column;
        RecPos pos, string;
    };
    std::vector<Cell> cells;
    RecordStore sorted;
    bool seenCell = false;
    const uint16_t stringId = m_nVersion == 2 ? kString2 : kString;
    RecordView rec;
    for (RecPos pos = RecordStore::Begin(); m_store.At(pos, rec); pos = m_store.Next(rec)) {
        if (rec.id == kEof) break;
        if (IsCellRecord(rec.id) && rec.length >= 4) {
            seenCell = true;
            cells.push_back({ReadU16(rec.data), ReadU16(rec.data + 2), pos, RecordStore::None()});
        } else if (rec.id == stringId && !cells.empty() && cells.back().string == RecordStore::None()) {
            cells.back().string = pos;
        } else if (!seenCell) {
            sorted.Append(rec.id, rec.data, rec.length);
        }
    }
    std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i + 1 < cells.size() && cells[i + 1].row == cells[i].row && cells[i + 1].column == cells[i].column) continue;
        for (RecPos p : {cells[i].pos, cells[i].string}) {
            if (m_store.At(p, rec)) sorted.Append(rec.id, rec.data, rec.length);
        }
    }
    sorted.Append(kEof, nullptr, 0);
    m_store.Swap(sorted);
    m_last = {};
    m_walk = {};
}

// ---- formats and styles ----

bool excel2WksIO::GetFormatString(int formatIndex, int& length, const char*& text) {
    length = 0;
    text = "";
    if (formatIndex < 0 || size_t(formatIndex) >= m_formats.size()) return false;
    RecordView rec;
    if (!m_store.At(m_formats[formatIndex], rec)) return false;
    size_t at = rec.id == kFormat4 ? 2 : 0;  // BIFF4 and BIFF5 put two bytes first
    if (rec.length < at + 1) return false;
    size_t n = std::min<size_t>(rec.data[at], rec.length - at - 1);
    text = reinterpret_cast<const char*>(rec.data + at + 1);
    length = int(n);
    return true;
}

int excel2WksIO::FormatFlags(int formatIndex) {
    if (formatIndex < 0) return 0;
    if (size_t(formatIndex) >= m_formatFlags.size()) {
        if (formatIndex > 0xFFFF) return 0;
        m_formatFlags.resize(size_t(formatIndex) + 1, -1);
    }
    int& flags = m_formatFlags[formatIndex];
    if (flags < 0) {
        int length;
        const char* text;
        GetFormatString(formatIndex, length, text);
        flags = ClassifyFormat(length, text) & (WKS_DATE | WKS_TIME);
    }
    return flags;
}

void excel2WksIO::BuildStyles() {
    m_xfStyles.clear();
    m_xfStyles.reserve(m_xfs.size());
    const bool biff5 = UsesBiff5Xf();
    RecordView rec;
    for (RecPos pos : m_xfs) {
        CellStyle style;
        if (m_store.At(pos, rec)) {
            const uint8_t* d = rec.data;
            if (biff5 && rec.length >= 7) {
                style.formatIndex = ReadU16(d + 2);
                style.locked = (d[4] & 0x01) != 0;
                style.align = d[6] & 0x07;
            } else if (!biff5 && rec.length >= 5) {
                style.formatIndex = d[1];
                style.locked = (d[2] & 0x01) != 0;
                style.align = d[4] & 0x07;
            }
        }
        style.numberFlags = FormatFlags(style.formatIndex);
        m_xfStyles.push_back(style);
    }
}

excel2WksIO::CellStyle excel2WksIO::StyleOf(const RecordView& rec, int column) {
    if (m_nVersion == 2) {
        CellStyle style;
        if (rec.length >= 7) {
            style.locked = (rec.data[4] & 0x40) != 0;
            style.formatIndex = rec.data[5] & 0x3F;
            style.align = rec.data[6] & 0x07;
            style.numberFlags = FormatFlags(style.formatIndex);
        }
        return style;
    }
    if (rec.length < 6) return {};
    size_t at = 4;
    if (rec.id == kMulRk) {
        size_t i = MulRkIndex(rec, column);
        if (i == kNotInRun) return {};
        at += 6 * i;
    }
    size_t xf = ReadU16(rec.data + at);
    // An XF index beyond the list gets the plain style.
    return xf < m_xfStyles.size() ? m_xfStyles[xf] : CellStyle{};
}

// ---- cell lookup and decoding ----

bool excel2WksIO::FindCell(int row, int column, RecordView& record) {
    if (row < 0 || column < 0 || size_t(row) >= m_rowIndex.size()) return false;
    RecPos pos = m_rowIndex[row];
    if (m_last.row == row && m_last.column <= column) {
        if (m_last.found && column <= m_last.last) {
            // Another cell of the run the last lookup found (a MULRK record).
            m_last.column = column;
            record = m_last.record;
            return true;
        }
        // Records before the last one found are behind column.
        pos = m_last.found ? m_last.next : m_last.pos;
    }
    m_last.found = false;
    RecordView rec;
    for (; m_store.At(pos, rec); pos = m_store.Next(rec)) {
        if (rec.id == kEof) break;
        int r, first, last;
        if (!CellSpan(rec, r, first, last)) continue;
        if (r > row || (r == row && first > column)) break;
        if (r == row && column <= last && IsValueRecord(rec.id)) {
            m_last.found = true;
            m_last.first = first;
            m_last.last = last;
            m_last.record = rec;
            m_last.next = m_store.Next(rec);
            record = rec;
            break;
        }
    }
    m_last.row = row;
    m_last.column = column;
    m_last.pos = pos;
    return m_last.found;
}

void excel2WksIO::FormulaText(const RecordView& formula, CellValue& value) const {
    const uint16_t stringId = m_nVersion == 2 ? kString2 : kString;
    RecordView rec;
    for (RecPos pos = m_store.Next(formula); m_store.At(pos, rec); pos = m_store.Next(rec)) {
        if (rec.id == kArray || rec.id == kShrFmla || rec.id == kTableOp) continue;
        if (rec.id != stringId) return;
        size_t at = m_nVersion == 2 ? 1 : 2;
        if (rec.length < at) return;
        size_t n = m_nVersion == 2 ? rec.data[0] : ReadU16(rec.data);
        value.text = rec.data + at;
        value.textLength = std::min(n, rec.length - at);
        return;
    }
}

excel2WksIO::CellValue excel2WksIO::DecodeCell(const RecordView& rec, int column) {
    CellValue value;
    const uint8_t* d = rec.data;
    const size_t len = rec.length;
    const size_t at = m_nVersion == 2 ? 7 : 6;  // where the value starts
    switch (rec.id) {
        case kInteger2:
            if (len >= at + 2) value.kind = ValueKind::Number, value.number = ReadU16(d + at);
            break;
        case kNumber2:
        case kNumber:
            if (len >= at + 8) value.kind = ValueKind::Number, value.number = ReadF64(d + at);
            break;
        case kRk:
            if (len >= at + 4) value.kind = ValueKind::Number, value.number = DecodeRk(ReadU32(d + at));
            break;
        case kMulRk:
            if (size_t i = MulRkIndex(rec, column); i != kNotInRun) {
                value.kind = ValueKind::Number;
                value.number = DecodeRk(ReadU32(d + 6 + 6 * i));
            }
            break;
        case kLabel2:
            if (len >= 8) {
                value.kind = ValueKind::Label;
                value.text = d + 8;
                value.textLength = std::min<size_t>(d[7], len - 8);
            }
            break;
        case kLabel:
        case kRString:
            if (len >= 8) {
                value.kind = ValueKind::Label;
                value.text = d + 8;
                value.textLength = std::min<size_t>(ReadU16(d + 6), len - 8);
            }
            break;
        default:
            if (IsFormulaRecord(rec.id) && len >= at + 8) {
                const uint8_t* result = d + at;
                if (result[6] != 0xFF || result[7] != 0xFF) {
                    value.kind = ValueKind::FormulaNumber;
                    value.number = ReadF64(result);
                } else if (result[0] == 0) {
                    value.kind = ValueKind::FormulaText;
                    FormulaText(rec, value);
                } else {
                    value.kind = ValueKind::FormulaOther;
                }
            }
            break;
    }
    if (value.kind == ValueKind::None) return value;
    CellStyle style = StyleOf(rec, column);
    value.flags = style.align | (m_bProtected && style.locked ? WKS_PROTECTED : 0);
    switch (value.kind) {
        case ValueKind::Number: value.flags |= WKS_NUMBER | style.numberFlags; break;
        case ValueKind::Label: value.flags |= WKS_TEXT; break;
        case ValueKind::FormulaNumber: value.flags |= WKS_FORMULA | WKS_NUMBER | style.numberFlags; break;
        case ValueKind::FormulaText: value.flags |= WKS_FORMULA_TEXT; break;
        case ValueKind::FormulaOther: value.flags |= WKS_FORMULA; break;
        case ValueKind::None: break;
    }
    return value;
}

// ---- getters ----

int excel2WksIO::GetCellText(int row, int column, char* buffer, int size, int prefixMode) {
    if (buffer && size > 0) buffer[0] = '\0';
    RecordView rec;
    if (!FindCell(row, column, rec)) return 0;
    CellValue value = DecodeCell(rec, column);
    WriteText(value, buffer, size, prefixMode);
    return value.flags;
}

int excel2WksIO::GetCellValue(int row, int column, double& number, char* buffer, int size) {
    number = WKS_NO_NUMBER;
    if (buffer && size > 0) buffer[0] = '\0';
    RecordView rec;
    if (!FindCell(row, column, rec)) return 0;
    CellValue value = DecodeCell(rec, column);
    if (value.kind == ValueKind::Number || value.kind == ValueKind::FormulaNumber) number = value.number;
    else WriteText(value, buffer, size, WKS_PREFIX_NONE);
    return value.flags;
}

void excel2WksIO::WriteText(const CellValue& value, char* buffer, int size, int prefixMode) const {
    switch (value.kind) {
        case ValueKind::Number:
        case ValueKind::FormulaNumber: {
            // The "%g" notation; to_chars writes it without printf's cost.
            char number[32];
            auto result = std::to_chars(number, number + sizeof number, value.number, std::chars_format::general, 6);
            dulo::CopyUtf8(buffer, size_t(std::max(size, 0)), std::string_view(number, size_t(result.ptr - number)));
            break;
        }
        case ValueKind::Label:
        case ValueKind::FormulaText: {
            const uint8_t* text = value.text;
            size_t length = value.textLength;
            char prefix = 0;
            if (value.kind == ValueKind::Label) {
                if (prefixMode == WKS_PREFIX_ALIGN) {
                    prefix = AlignmentPrefix(value.flags & WKS_ALIGN_MASK);
                } else if (prefixMode == WKS_PREFIX_NUMERIC && length > 0 &&
                           ((text[0] >= '0' && text[0] <= '9') || text[0] == '+' || text[0] == '-' || text[0] == '.')) {
                    prefix = '\'';
                }
            }
            bool ascii = std::all_of(text, text + length, [](uint8_t b) { return b < 0x80; });
            if (ascii && !prefix) {
                dulo::CopyUtf8(buffer, size_t(std::max(size, 0)),
                               std::string_view(reinterpret_cast<const char*>(text), length));
            } else {
                std::string utf8;
                if (prefix) utf8 += prefix;
                utf8 += ascii ? std::string(reinterpret_cast<const char*>(text), length) : ToUtf8(text, length);
                dulo::CopyUtf8(buffer, size_t(std::max(size, 0)), std::string_view(utf8.data(), utf8.size()));
            }
            break;
        }
        default: break;
    }
}

int excel2WksIO::GetNumber(int row, int column, double& value) {
    value = WKS_NO_NUMBER;
    RecordView rec;
    if (!FindCell(row, column, rec)) return 0;
    CellValue cell = DecodeCell(rec, column);
    if (cell.kind == ValueKind::Number || cell.kind == ValueKind::FormulaNumber) value = cell.number;
    return cell.flags;
}

bool excel2WksIO::IsFormula(int row, int column) {
    RecordView rec;
    return FindCell(row, column, rec) && IsFormulaRecord(rec.id);
}

int excel2WksIO::FormatCellText(int row, int column, char* buffer, int size, int) {
    double number;
    int flags = GetNumber(row, column, number);
    if (!(flags & WKS_NUMBER)) return GetCellText(row, column, buffer, size, WKS_PREFIX_NONE);
    RecordView rec;
    FindCell(row, column, rec);
    int length;
    const char* text;
    GetFormatString(StyleOf(rec, column).formatIndex, length, text);
    std::string format(text, size_t(length));
    int width = std::max(GetColumnWidth(column) - 1, 1);
    char out[512];
    if (format.empty() || format[0] == 'G') {
        std::snprintf(out, sizeof out, "%g", number);
        out[std::min<size_t>(size_t(width), std::strlen(out))] = '\0';
    } else if (size_t dot = format.find('.'); dot != std::string::npos) {
        int decimals = 0;
        for (size_t i = dot + 1; i < format.size() && format[i] != ';'; ++i) decimals += format[i] == '0';
        std::snprintf(out, sizeof out, "%*.*f", width, std::min(decimals, 30), number);
    } else if (format.find('0') != std::string::npos) {
        std::snprintf(out, sizeof out, "%*.0f", width, std::round(number));
    } else {
        std::snprintf(out, sizeof out, "%*f", width, number);
    }
    dulo::CopyUtf8(buffer, size_t(std::max(size, 0)), std::string_view(out, std::strlen(out)));
    return flags;
}

void excel2WksIO::GetActiveCell(int& row, int& column) {
    row = column = 0;
    RecordView rec;
    if (m_store.At(m_selection, rec) && rec.length >= 5) {
        row = ReadU16(rec.data + 1);
        column = ReadU16(rec.data + 3);
    }
}

void excel2WksIO::SetActiveCell(int row, int column) {
    RecordView rec;
    if (!m_store.At(m_selection, rec) || rec.length < 5) return;
    uint8_t* d = m_store.MutableData(m_selection);
    d[1] = uint8_t(row), d[2] = uint8_t(row >> 8), d[3] = uint8_t(column), d[4] = uint8_t(column >> 8);
    m_bChanged = true;
}
