// Lotus 1-2-3 worksheets: .wks/.wr1/.wk1 (releases 1 and 2, one sheet) and
// .wk3/.wk4 (releases 3 and 4, several sheets, 10-byte numbers), record by
// record with every length checked. Labels of releases 1 and 2 are code page
// 437 text; later releases write LMBCS. Release 1-2 cells carry their format
// byte; release 3-4 cells take theirs from row format records.
#include "platform/TextConv.h"
#include "platform/biff/LittleEndian.h"
#include "platform/engine/BookLoader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace dulo::engine {

namespace {

using biff::ReadF64;
using biff::ReadU16;
using biff::ReadU32;

constexpr size_t kMaxLotusBytes = size_t(256) << 20;

enum : uint16_t {
    kBof = 0x00,
    kEof = 0x01,
    kColumnWidth = 0x08,
    kBlank = 0x0C,
    kInteger = 0x0D,
    kNumber = 0x0E,
    kLabel = 0x0F,
    kFormula = 0x10,
    kString = 0x33,
    // Releases 3 and 4.
    kFormat3 = 0x13,
    kLabel3 = 0x16,
    kNumber3 = 0x17,
    kSmallNumber3 = 0x18,
    kFormula3 = 0x19,
    kString3 = 0x1A,
    kExtended3 = 0x1B,
};

constexpr uint16_t kSheetNameSubtype = 14000;
// Format record subtypes: a row's formats column by column, and a row that
// takes the formats of another.
constexpr uint8_t kRowFormats = 0, kCopyRowFormats = 2;
constexpr uint32_t kLotusColumns = 256;

struct Record {
    uint16_t type = 0;
    const uint8_t* data = nullptr;
    uint16_t size = 0;
};

class RecordCursor {
public:
    explicit RecordCursor(const std::string& bytes)
        : m_p(reinterpret_cast<const uint8_t*>(bytes.data())), m_n(bytes.size()) {}
    bool Next(Record& r) {
        if (m_n - m_pos < 4) return false;
        r.type = ReadU16(m_p + m_pos);
        r.size = ReadU16(m_p + m_pos + 2);
        if (r.size > m_n - m_pos - 4) return false;
        r.data = m_p + m_pos + 4;
        m_pos += 4 + size_t(r.size);
        return true;
    }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_pos = 0;
};

// An 80-bit extended number: 64-bit mantissa with its integer bit, then sign
// and a 15-bit exponent. The all-ones exponent marks a text or error result.
bool Extended(const uint8_t* p, double& value) {
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | p[i];
    uint16_t top = ReadU16(p + 8);
    int exponent = top & 0x7FFF;
    if (exponent == 0x7FFF) return false;
    value = mantissa == 0 ? 0.0 : std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    if (top & 0x8000) value = -value;
    return std::isfinite(value);
}

// A 16-bit number: an even value is an integer (shifted left once); an odd one
// holds a 12-bit signed integer and a 3-bit index: times 5000 or 500, or
// divided by 20, 200, 2000, 20000, 16 or 64. Dividing gives the double nearest
// the value (3 / 20 is 0.15; 3 * 0.05 is not).
double SmallNumber(uint16_t raw) {
    int16_t v = static_cast<int16_t>(raw);
    if (!(v & 1)) return v >> 1;
    int mantissa = v >> 4, index = (v >> 1) & 7;
    if (index < 2) return mantissa * (index == 0 ? 5000.0 : 500.0);
    static constexpr double kDivisors[] = {20, 200, 2000, 20000, 16, 64};
    return mantissa / kDivisors[index - 2];
}

// A release 1-2 format byte: bits 4-6 the kind, bits 0-3 its variant.
NumberClass ClassOfFormat(uint8_t format) {
    int kind = (format >> 4) & 7, variant = format & 0x0F;
    if (kind == 2) return NumberClass::Currency;
    if (kind != 7) return NumberClass::Plain;
    switch (variant) {
    case 2: case 3: case 4: case 9: case 10:  // dates D1 to D5
    case 7: case 8: case 11: case 12:         // times D6 to D9
        return NumberClass::Date;
    default:
        return NumberClass::Plain;
    }
}

// Sheet letters as the program names its sheets: A to Z, then AA, AB, ...
std::string SheetLetters(size_t index) {
    std::string name;
    for (size_t n = index + 1; n > 0; n = (n - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

std::string StemOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

// LMBCS, the text of releases 3 and 4. Bytes 0x20-0x7F and tab, line feed and
// carriage return stand for themselves; a byte of 0x80 or above is a character
// of the default group, code page 850. Below 0x20 a group byte announces one
// character of another set: 0x01-0x0B a single-byte code page, 0x0F a control
// character (a C0 one plus 0x20, a C1 one as it is), 0x10-0x13 a double-byte
// set, 0x14 a UTF-16 character high byte first (0xF6 then the high byte for a
// character whose low byte is 0). What cannot be decoded becomes U+FFFD with
// the bytes it claims, so a broken sequence never swallows the text after it.
class LmbcsDecoder {
public:
    void AppendUtf8(std::string& out, std::string_view bytes);

private:
    const dulo::CSingleByteDecoder* Group(uint8_t group);
    std::map<uint8_t, std::unique_ptr<dulo::CSingleByteDecoder>> m_groups;
};

void AppendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

const dulo::CSingleByteDecoder* LmbcsDecoder::Group(uint8_t group) {
    int codepage = 0;
    switch (group) {
    case 0x01: codepage = 850; break;
    case 0x02: codepage = 851; break;
    case 0x03: codepage = 1255; break;
    case 0x04: codepage = 1256; break;
    case 0x05: codepage = 1251; break;
    case 0x06: codepage = 852; break;
    case 0x08: codepage = 1254; break;
    case 0x0B: codepage = 874; break;
    default: return nullptr;
    }
    std::unique_ptr<dulo::CSingleByteDecoder>& decoder = m_groups[group];
    if (!decoder) decoder = std::make_unique<dulo::CSingleByteDecoder>(codepage);
    return decoder.get();
}

void LmbcsDecoder::AppendUtf8(std::string& out, std::string_view bytes) {
    constexpr char32_t kReplacement = 0xFFFD;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t n = bytes.size(), i = 0;
    while (i < n) {
        size_t start = i;
        while (i < n && ((p[i] >= 0x20 && p[i] < 0x80) || p[i] == 0x09 || p[i] == 0x0A || p[i] == 0x0D)) ++i;
        out.append(bytes.data() + start, i - start);
        if (i == n) break;
        uint8_t b = p[i];
        size_t left = n - i - 1;  // bytes after this one
        if (b >= 0x80) {
            Group(0x01)->AppendUtf8(out, bytes.substr(i, 1));
            ++i;
        } else if (b == 0x0F) {
            uint8_t c = left >= 1 ? p[i + 1] : 0;
            if (c >= 0x20 && c < 0x40) AppendCodePoint(out, c - 0x20);
            else if (c >= 0x80 && c < 0xA0) AppendCodePoint(out, c);
            else AppendCodePoint(out, kReplacement);
            i += left >= 1 ? 2 : 1;
        } else if (b == 0x14) {
            if (left < 2) {
                AppendCodePoint(out, kReplacement);
                break;
            }
            char32_t c = p[i + 1] == 0xF6 ? char32_t(p[i + 2]) << 8 : char32_t(p[i + 1]) << 8 | p[i + 2];
            AppendCodePoint(out, c >= 0xD800 && c < 0xE000 ? kReplacement : c);
            i += 3;
        } else if (const dulo::CSingleByteDecoder* group = Group(b)) {
            // A data byte below 0x80 names one of Lotus's own extra characters, not kept here.
            if (left >= 1 && p[i + 1] >= 0x80) group->AppendUtf8(out, bytes.substr(i + 1, 1));
            else AppendCodePoint(out, kReplacement);
            i += left >= 1 ? 2 : 1;
        } else if (b >= 0x10 && b <= 0x13) {
            AppendCodePoint(out, kReplacement);  // a double-byte character: group and two data bytes
            i += std::min<size_t>(3, left + 1);
        } else {
            AppendCodePoint(out, kReplacement);
            ++i;
        }
    }
}

// The date and currency columns of one row of a release 3-4 sheet, in order.
struct ClassRun {
    uint16_t first, last;
    NumberClass cls;
};
using RowClasses = std::shared_ptr<const std::vector<ClassRun>>;

class LotusLoader : public BookLoader {
public:
    bool LoadSheet(BookModel&, size_t) override { return true; }  // read whole when opened
};

class LotusReader {
public:
    LotusReader(BookModel& book) : m_book(book), m_decoder(437) {}
    void ReadRelease2(const std::string& bytes, const std::string& path);
    void ReadRelease3(const std::string& bytes);

private:
    SheetModel* Sheet(size_t index);
    void Add(SheetModel& sheet, uint32_t row, uint32_t col, Cell cell);
    // The text of a label or string record from offset, up to its NUL or the record's end.
    uint32_t Text(const Record& r, uint32_t offset, bool hasPrefix);
    void RowFormats(const Record& r);
    // Gives every number its row's class once all records are read: format
    // records may come before or after the cells.
    void ApplyRowClasses();

    BookModel& m_book;
    dulo::CSingleByteDecoder m_decoder;
    LmbcsDecoder m_lmbcs;
    bool m_release3 = false;
    std::string m_utf8;
    // The formula cell whose text result the next string record holds.
    SheetModel* m_pendingSheet = nullptr;
    size_t m_pendingCell = SIZE_MAX;
    // Rows with date or currency columns, by sheet << 16 | row. A row copying
    // another shares its runs, so copies cost no more than their records.
    std::map<uint32_t, RowClasses> m_rowClasses;
};

SheetModel* LotusReader::Sheet(size_t index) {
    while (m_book.sheets.size() <= index) {
        SheetModel sheet;
        sheet.name = SheetLetters(m_book.sheets.size());
        m_book.sheets.push_back(std::move(sheet));
        m_pendingSheet = nullptr;  // the vector moved
    }
    return &m_book.sheets[index];
}

void LotusReader::Add(SheetModel& sheet, uint32_t row, uint32_t col, Cell cell) {
    if (row >= kXlsMaxRows || col >= kXlsMaxColumns) return;
    cell.row = row;
    cell.col = static_cast<uint16_t>(col);
    sheet.cells.push_back(cell);
}

uint32_t LotusReader::Text(const Record& r, uint32_t offset, bool hasPrefix) {
    const char* start = reinterpret_cast<const char*>(r.data) + offset;
    size_t length = offset < r.size ? r.size - offset : 0;
    const void* nul = std::memchr(start, 0, length);
    if (nul) length = static_cast<size_t>(static_cast<const char*>(nul) - start);
    std::string_view text(start, length);
    // The alignment prefix: ' left, " right, ^ centred, \ repeated, | not printed.
    if (hasPrefix && !text.empty() && std::strchr("'\"^\\|", text[0])) text.remove_prefix(1);
    m_utf8.clear();
    if (m_release3) m_lmbcs.AppendUtf8(m_utf8, text);
    else m_decoder.AppendUtf8(m_utf8, text);
    return m_book.strings.AddUtf8(m_utf8, false);
}

// A format record: sheet, subtype, row. Subtype 0 lists 32-bit format words
// from column A on, the low byte the format as in release 2; bit 31 set, a
// byte follows with the count of further columns the word covers. Subtype 2
// names the sheet and row whose formats this row takes.
void LotusReader::RowFormats(const Record& r) {
    if (r.size < 4) return;
    uint32_t key = uint32_t(r.data[0]) << 16 | ReadU16(r.data + 2);
    if (r.data[1] == kRowFormats) {
        auto runs = std::make_shared<std::vector<ClassRun>>();
        uint32_t col = 0;
        for (size_t o = 4; o + 4 <= r.size && col < kLotusColumns;) {
            uint32_t word = ReadU32(r.data + o);
            uint32_t count = 1;
            if ((word & 0x80000000u) && o + 4 < r.size) {
                count += r.data[o + 4];
                o += 5;
            } else {
                o += 4;
            }
            uint32_t last = std::min(col + count, kLotusColumns) - 1;
            NumberClass cls = ClassOfFormat(static_cast<uint8_t>(word));
            if (cls != NumberClass::Plain) {
                if (!runs->empty() && runs->back().cls == cls && runs->back().last + 1u == col)
                    runs->back().last = static_cast<uint16_t>(last);
                else
                    runs->push_back({static_cast<uint16_t>(col), static_cast<uint16_t>(last), cls});
            }
            col = last + 1;
        }
        if (runs->empty()) m_rowClasses.erase(key);
        else m_rowClasses[key] = std::move(runs);
    } else if (r.data[1] == kCopyRowFormats && r.size >= 8) {
        uint16_t sourceSheet = ReadU16(r.data + 4);
        if (sourceSheet >= 256) return;  // no such sheet: the record does not hold
        auto source = m_rowClasses.find(uint32_t(sourceSheet) << 16 | ReadU16(r.data + 6));
        if (source == m_rowClasses.end()) m_rowClasses.erase(key);
        else m_rowClasses[key] = source->second;
    }
}

void LotusReader::ApplyRowClasses() {
    if (m_rowClasses.empty()) return;
    for (size_t s = 0; s < m_book.sheets.size() && s < 256; ++s) {
        uint32_t cachedRow = UINT32_MAX;
        const std::vector<ClassRun>* runs = nullptr;
        for (Cell& cell : m_book.sheets[s].cells) {
            if (cell.type != CellType::Number) continue;
            if (cell.row != cachedRow) {
                cachedRow = cell.row;
                auto it = m_rowClasses.find(uint32_t(s) << 16 | cell.row);
                runs = it == m_rowClasses.end() ? nullptr : it->second.get();
            }
            if (!runs) continue;
            auto run = std::lower_bound(runs->begin(), runs->end(), uint32_t(cell.col),
                                        [](const ClassRun& a, uint32_t col) { return a.last < col; });
            if (run != runs->end() && run->first <= cell.col) cell.SetClass(run->cls);
        }
    }
}

void LotusReader::ReadRelease2(const std::string& bytes, const std::string& path) {
    SheetModel& sheet = *Sheet(0);
    sheet.name = StemOf(path);
    RecordCursor cursor(bytes);
    Record r;
    while (cursor.Next(r) && r.type != kEof) {
        if (r.type == kColumnWidth) {
            if (r.size >= 3 && ReadU16(r.data) < kXlsMaxColumns) {
                uint32_t col = ReadU16(r.data);
                if (sheet.widths.size() <= col) sheet.widths.resize(col + 1, -1);
                // Characters as the program counts them; the cell padding is added back.
                sheet.widths[col] = r.data[2] + 5.0 / 7.0;
            }
            continue;
        }
        bool isCell = r.type == kBlank || r.type == kInteger || r.type == kNumber || r.type == kLabel ||
                      r.type == kFormula || r.type == kString;
        if (!isCell || r.size < 5) continue;
        uint8_t format = r.data[0];
        uint32_t col = ReadU16(r.data + 1), row = ReadU16(r.data + 3);
        Cell cell{};
        cell.type = CellType::Blank;
        switch (r.type) {
        case kBlank:
            break;  // a formatted blank: it counts for the used area
        case kInteger:
            if (r.size < 7) continue;
            cell.type = CellType::Number;
            cell.number = static_cast<int16_t>(ReadU16(r.data + 5));
            break;
        case kNumber:
        case kFormula:
            if (r.size < 13) continue;
            if (r.type == kFormula) cell.flags |= Cell::kFormula;
            cell.number = ReadF64(r.data + 5);
            if (std::isfinite(cell.number)) cell.type = CellType::Number;
            break;
        case kLabel:
            cell.type = CellType::String;
            cell.index = Text(r, 5, true);
            break;
        case kString:
            // The text result of the formula just before it.
            if (m_pendingCell < sheet.cells.size() && sheet.cells[m_pendingCell].row == row &&
                sheet.cells[m_pendingCell].col == col) {
                sheet.cells[m_pendingCell].type = CellType::String;
                sheet.cells[m_pendingCell].index = Text(r, 5, false);
            }
            m_pendingCell = SIZE_MAX;
            continue;
        }
        if (cell.type == CellType::Number) cell.SetClass(ClassOfFormat(format));
        size_t before = sheet.cells.size();
        Add(sheet, row, col, cell);
        m_pendingCell = r.type == kFormula && sheet.cells.size() > before && cell.type == CellType::Blank ? before
                                                                                                       : SIZE_MAX;
    }
}

void LotusReader::ReadRelease3(const std::string& bytes) {
    m_release3 = true;
    RecordCursor cursor(bytes);
    Record r;
    Sheet(0);
    bool first = true;
    while (cursor.Next(r) && r.type != kEof) {
        if (r.type == kBof && !first) break;  // a second section follows the worksheet
        first = false;
        if (r.type == kExtended3) {
            if (r.size >= 5 && ReadU16(r.data) == kSheetNameSubtype && ReadU16(r.data + 2) < 256) {
                size_t index = ReadU16(r.data + 2);
                uint32_t name = Text(r, 4, false);
                std::u16string_view text = m_book.strings.Get(name);
                if (!text.empty()) Sheet(index)->name = dulo::Utf16ToUtf8(text);
            }
            continue;
        }
        if (r.type == kFormat3) {
            RowFormats(r);
            continue;
        }
        if (r.type < kLabel3 || r.type > kString3 || r.size < 4) continue;
        uint32_t row = ReadU16(r.data), col = r.data[3];
        SheetModel& sheet = *Sheet(r.data[2]);
        Cell cell{};
        cell.type = CellType::Blank;
        switch (r.type) {
        case kLabel3:
            cell.type = CellType::String;
            cell.index = Text(r, 4, true);
            break;
        case kNumber3:
        case kFormula3:
            if (r.size < 14) continue;
            if (r.type == kFormula3) cell.flags |= Cell::kFormula;
            if (Extended(r.data + 4, cell.number)) cell.type = CellType::Number;
            break;
        case kSmallNumber3:
            if (r.size < 6) continue;
            cell.type = CellType::Number;
            cell.number = SmallNumber(ReadU16(r.data + 4));
            break;
        case kString3:
            if (m_pendingSheet == &sheet && m_pendingCell < sheet.cells.size() && sheet.cells[m_pendingCell].row == row &&
                sheet.cells[m_pendingCell].col == col) {
                sheet.cells[m_pendingCell].type = CellType::String;
                sheet.cells[m_pendingCell].index = Text(r, 4, false);
            }
            m_pendingCell = SIZE_MAX;
            continue;
        }
        size_t before = sheet.cells.size();
        Add(sheet, row, col, cell);
        bool pending = r.type == kFormula3 && sheet.cells.size() > before && cell.type == CellType::Blank;
        m_pendingSheet = pending ? &sheet : nullptr;
        m_pendingCell = pending ? before : SIZE_MAX;
    }
    ApplyRowClasses();
}

}  // namespace

std::unique_ptr<BookLoader> OpenLotus(const std::string& path, BookModel& book) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, kMaxLotusBytes) || bytes.size() < 6) return nullptr;
    book.maxRows = kXlsMaxRows;
    book.maxColumns = kXlsMaxColumns;
    uint16_t version = ReadU16(reinterpret_cast<const uint8_t*>(bytes.data()) + 4);
    LotusReader reader(book);
    if (version >= 0x1000) reader.ReadRelease3(bytes);
    else reader.ReadRelease2(bytes, path);
    for (SheetModel& sheet : book.sheets) sheet.Finish();
    return std::make_unique<LotusLoader>();
}

}  // namespace dulo::engine
