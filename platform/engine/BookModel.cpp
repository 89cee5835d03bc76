#include "platform/engine/BookModel.h"

#include "platform/engine/Automation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dulo::engine {

SheetType SheetTypeOfRelationship(std::string_view type) {
    if (type == "chartsheet") return SheetType::Chart;
    if (type == "dialogsheet") return SheetType::Dialog;
    if (type.find("acrosheet") != std::string_view::npos) return SheetType::Macro;
    return SheetType::Worksheet;
}

namespace {

// Loaders reserve what the file claims and pools grow by doubling: give back
// only a real surplus, not the last few slots, which would cost a copy each time.
template <class T>
void GiveBackSurplus(std::vector<T>& items) {
    if (items.capacity() - items.size() > items.size() / 8) items.shrink_to_fit();
}

// Maximum digit width in pixels of the default font, and the cell padding.
constexpr double kDigitWidth = 7.0;
constexpr double kPaddingPixels = 5.0;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes UTF-8 into out; malformed bytes become U+FFFD.
void AppendUtf8To(std::vector<char16_t>& out, std::string_view s, bool packageEscapes) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t n = s.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = p[i];
        if (c < 0x80) {
            if (packageEscapes && c == '_' && i + 6 < n && p[i + 1] == 'x' && p[i + 6] == '_') {
                int h0 = HexValue(s[i + 2]), h1 = HexValue(s[i + 3]), h2 = HexValue(s[i + 4]), h3 = HexValue(s[i + 5]);
                if (h0 >= 0 && h1 >= 0 && h2 >= 0 && h3 >= 0) {
                    out.push_back(static_cast<char16_t>((h0 << 12) | (h1 << 8) | (h2 << 4) | h3));
                    i += 7;
                    continue;
                }
            }
            out.push_back(c);
            ++i;
            continue;
        }
        uint32_t cp = 0;
        size_t len = 0;
        if ((c & 0xE0) == 0xC0) cp = c & 0x1F, len = 2;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, len = 3;
        else if ((c & 0xF8) == 0xF0) cp = c & 0x07, len = 4;
        bool ok = len != 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
                   cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
}

double WidthToCharacters(double widthWithPadding) {
    double pixels = std::floor(widthWithPadding * kDigitWidth + 0.5);
    double chars = (pixels - kPaddingPixels) / kDigitWidth;
    if (chars < 0) chars = 0;
    return std::floor(chars * 100 + 0.5) / 100;
}

// Excel serials below 60 count the phantom 29 February 1900; OLE dates do not.
double SerialToOleDate(double serial, bool date1904) {
    if (date1904) return serial + 1462;
    if (serial >= 1 && serial < 60) return serial + 1;
    return serial;
}

}  // namespace

SCODE ErrorScode(uint8_t biffCode) { return static_cast<SCODE>(0x800A0000u | (2000u + biffCode)); }

uint8_t ErrorCodeFromText(std::string_view text) {
    struct Name {
        std::string_view text;
        uint8_t code;
    };
    static constexpr Name kNames[] = {{"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
                                      {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A}};
    for (const Name& n : kNames)
        if (n.text == text) return n.code;
    return 0x0F;
}

uint32_t StringPool::Add(std::u16string_view text) {
    auto offset = static_cast<uint32_t>(m_chars.size());
    m_chars.insert(m_chars.end(), text.begin(), text.end());
    m_spans.emplace_back(offset, static_cast<uint32_t>(text.size()));
    return static_cast<uint32_t>(m_spans.size() - 1);
}

uint32_t StringPool::AddUtf8(std::string_view text, bool packageEscapes) {
    BeginUtf8();
    AppendUtf8(text, packageEscapes);
    return EndUtf8();
}

void StringPool::BeginUtf8() { m_pendingStart = m_chars.size(); }

void StringPool::AppendUtf8(std::string_view text, bool packageEscapes) {
    AppendUtf8To(m_chars, text, packageEscapes);
}

uint32_t StringPool::EndUtf8() {
    m_spans.emplace_back(static_cast<uint32_t>(m_pendingStart), static_cast<uint32_t>(m_chars.size() - m_pendingStart));
    return static_cast<uint32_t>(m_spans.size() - 1);
}

void StringPool::Compact() {
    GiveBackSurplus(m_chars);
    GiveBackSurplus(m_spans);
}

std::u16string_view StringPool::Get(uint32_t index) const {
    if (index >= m_spans.size()) return {};
    return {m_chars.data() + m_spans[index].first, m_spans[index].second};
}

void SheetModel::Finish() {
    auto before = [](const Cell& a, const Cell& b) { return a.row != b.row ? a.row < b.row : a.col < b.col; };
    // Files nearly always list cells in order, once each: one pass proves it.
    bool ordered = true;
    lastCol = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0 && !before(cells[i - 1], cells[i])) {
            ordered = false;
            break;
        }
        lastCol = std::max<uint32_t>(lastCol, cells[i].col);
    }
    if (!ordered) {
        std::stable_sort(cells.begin(), cells.end(), before);
        // A later record for the same cell replaces the earlier one.
        size_t out = 0;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (out > 0 && cells[out - 1].row == cells[i].row && cells[out - 1].col == cells[i].col)
                cells[out - 1] = cells[i];
            else
                cells[out++] = cells[i];
        }
        cells.resize(out);
        lastCol = 0;
        for (const Cell& c : cells) lastCol = std::max<uint32_t>(lastCol, c.col);
    }
    GiveBackSurplus(cells);
    lastRow = cells.empty() ? 0 : cells.back().row;
    if (blankRows > 0) lastRow = std::max(lastRow, blankRows - 1);
    if (blankCols > 0) lastCol = std::max(lastCol, blankCols - 1);
    loaded = true;
}

const Cell* SheetModel::Find(uint32_t row, uint32_t col) const {
    auto it = std::lower_bound(cells.begin(), cells.end(), std::pair<uint32_t, uint32_t>(row, col),
                               [](const Cell& c, const std::pair<uint32_t, uint32_t>& key) {
                                   return c.row != key.first ? c.row < key.first : c.col < key.second;
                               });
    if (it == cells.end() || it->row != row || it->col != col) return nullptr;
    return &*it;
}

double SheetModel::ColumnWidth(uint32_t col) const {
    if (col < hiddenColumns.size() && hiddenColumns[col]) return 0;
    if (col < widths.size() && widths[col] >= 0) return WidthToCharacters(widths[col]);
    if (defaultWidth >= 0) return WidthToCharacters(defaultWidth);
    // The default width is the base width plus padding, rounded up to 8 pixels.
    double pixels = std::ceil((baseWidth * kDigitWidth + kPaddingPixels) / 8.0) * 8.0;
    return std::floor((pixels - kPaddingPixels) / kDigitWidth * 100 + 0.5) / 100;
}

void CellToVariant(const BookModel& book, const Cell* cell, VARIANT& out) {
    std::u16string_view text;
    CellToScalar(book, cell, out, text);
    if (out.vt != VT_BSTR) return;
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b) {
        VariantInit(&out);
        throw AutomationError(E_OUTOFMEMORY, "out of memory");
    }
    out.bstrVal = b;
}

void CellToScalar(const BookModel& book, const Cell* cell, VARIANT& out, std::u16string_view& text) {
    VariantInit(&out);
    if (!cell) return;
    switch (cell->type) {
    case CellType::Blank:
        return;
    case CellType::Bool:
        out.vt = VT_BOOL;
        out.boolVal = cell->index ? VARIANT_TRUE : VARIANT_FALSE;
        return;
    case CellType::Error:
        out.vt = VT_ERROR;
        out.scode = ErrorScode(static_cast<uint8_t>(cell->index));
        return;
    case CellType::String:
        text = book.strings.Get(cell->index);
        out.vt = VT_BSTR;
        out.bstrVal = nullptr;
        return;
    case CellType::Number:
        break;
    }
    double v = cell->number;
    switch (cell->Class()) {
    case NumberClass::Date: {
        double date = (cell->flags & Cell::kOleDate) ? v : SerialToOleDate(v, book.date1904);
        // Excel shows no date outside its calendar; such numbers stay numbers.
        if (date >= -657434.0 && date <= 2958465.0 && (book.date1904 || (cell->flags & Cell::kOleDate) || v >= 0)) {
            out.vt = VT_DATE;
            out.date = date;
            return;
        }
        break;
    }
    case NumberClass::Currency:
        if (std::fabs(v) < 922337203685477.0) {
            out.vt = VT_CY;
            out.cyVal.int64 = static_cast<int64_t>(std::llround(v * 10000.0));
            return;
        }
        break;
    case NumberClass::Plain:
        break;
    }
    out.vt = VT_R8;
    out.dblVal = v;
}

void RangeValue(const BookModel& book, const SheetModel& sheet, uint32_t row1, uint32_t col1, uint32_t row2,
                uint32_t col2, VARIANT& out) {
    VariantInit(&out);
    if (row1 == 0 || col1 == 0 || row2 < row1 || col2 < col1) throw AutomationError(E_INVALIDARG, "bad range");
    if (row1 == row2 && col1 == col2) {
        CellToVariant(book, sheet.Find(row1 - 1, col1 - 1), out);
        return;
    }
    uint64_t rows = uint64_t(row2) - row1 + 1;
    uint64_t cols = uint64_t(col2) - col1 + 1;
    if (rows * cols > kMaxValueElements) throw AutomationError(E_OUTOFMEMORY, "range too large");
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 1}, {static_cast<ULONG>(cols), 1}};
    SAFEARRAY* sa = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!sa) throw AutomationError(E_OUTOFMEMORY, "out of memory");
    auto* data = static_cast<VARIANT*>(sa->pvData);
    // Cells are sorted by row then column: find the first row of the range and walk.
    auto it = std::lower_bound(sheet.cells.begin(), sheet.cells.end(), row1 - 1,
                               [](const Cell& c, uint32_t r) { return c.row < r; });
    try {
        for (; it != sheet.cells.end() && it->row <= row2 - 1; ++it) {
            if (it->col < col1 - 1 || it->col > col2 - 1) continue;
            size_t index = (it->row - (row1 - 1)) + size_t(it->col - (col1 - 1)) * rows;
            // Plain numbers are most cells: set them here; the array starts VT_EMPTY.
            if (it->type == CellType::Number && it->Class() == NumberClass::Plain) {
                data[index].vt = VT_R8;
                data[index].dblVal = it->number;
            } else if (it->type != CellType::Blank) {
                CellToVariant(book, &*it, data[index]);
            }
        }
    } catch (...) {
        SafeArrayDestroy(sa);
        throw;
    }
    out.vt = VT_ARRAY | VT_VARIANT;
    out.parray = sa;
}

}  // namespace dulo::engine
