#pragma once
// The engine's in-memory workbook: sheets of compact cells, one string pool,
// and the typed values of a rectangle as the application hands them out.
#include "dulo/oleauto.h"
#include "platform/engine/NumberFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dulo::engine {

// Limits of the two families of files (rows, columns).
constexpr uint32_t kXlsMaxRows = 65536;
constexpr uint32_t kXlsMaxColumns = 256;
constexpr uint32_t kXlsxMaxRows = 1048576;
constexpr uint32_t kXlsxMaxColumns = 16384;

// Excel's error values as VT_ERROR codes (0x800A0000 | 2000 + BIFF code).
SCODE ErrorScode(uint8_t biffCode);
// "#DIV/0!" and friends to their BIFF codes; #VALUE! for anything unknown.
uint8_t ErrorCodeFromText(std::string_view text);

enum class CellType : uint8_t { Blank = 0, Number, Bool, Error, String };

// 16 bytes a cell: position, type, display class and value.
struct Cell {
    uint32_t row;  // 0-based
    uint16_t col;  // 0-based
    CellType type;
    uint8_t flags;  // kFormula, number class in the upper bits
    union {
        double number;
        uint32_t index;  // string pool index, boolean (0/1) or BIFF error code
    };

    static constexpr uint8_t kFormula = 0x01;
    // The number is already an OLE date (OOXML "d" cells), not a serial.
    static constexpr uint8_t kOleDate = 0x02;
    NumberClass Class() const { return static_cast<NumberClass>(flags >> 4); }
    void SetClass(NumberClass c) { flags = static_cast<uint8_t>((flags & 0x0F) | (static_cast<int>(c) << 4)); }
};
static_assert(sizeof(Cell) == 16);

// UTF-16 strings back to back; a string is (offset, length).
class StringPool {
public:
    uint32_t Add(std::u16string_view text);
    // Appends UTF-8 text, decoding "_xHHHH_" escapes of the package format when asked.
    uint32_t AddUtf8(std::string_view text, bool packageEscapes);
    // Builds one string from several UTF-8 pieces (rich text runs).
    void BeginUtf8();
    void AppendUtf8(std::string_view text, bool packageEscapes);
    uint32_t EndUtf8();
    size_t Count() const { return m_spans.size(); }
    // Gives back a real surplus of room once no more strings are expected soon.
    void Compact();
    std::u16string_view Get(uint32_t index) const;

private:
    std::vector<char16_t> m_chars;
    std::vector<std::pair<uint32_t, uint32_t>> m_spans;
    size_t m_pendingStart = 0;
};

enum class SheetType : uint8_t { Worksheet, Chart, Macro, Dialog };
// The sheet type that a package relationship type names (the .xlsx and .xlsb
// workbook parts list their sheets so); a worksheet for any other type.
SheetType SheetTypeOfRelationship(std::string_view type);

struct SheetModel {
    std::string name;  // UTF-8
    SheetType type = SheetType::Worksheet;
    bool loaded = false;
    bool loadFailed = false;
    std::vector<Cell> cells;  // sorted by row, then column, one per position
    uint32_t lastRow = 0;     // 0-based largest row holding a cell
    uint32_t lastCol = 0;
    // Formatted blanks kept as an extent only (1-based counts, 0 for none), so
    // that a repeat of a million of them is a number, not a million cells.
    uint32_t blankRows = 0;
    uint32_t blankCols = 0;
    // Width in characters including the cell padding, as the files store it.
    double defaultWidth = -1;       // < 0: derived from baseWidth
    double baseWidth = 8;           // characters without padding
    std::vector<double> widths;     // per column, < 0 where the default holds
    std::vector<bool> hiddenColumns;

    // Sorts the cells, keeps the last of duplicates and computes the extent.
    void Finish();
    const Cell* Find(uint32_t row, uint32_t col) const;
    // ColumnWidth as the application reports it: characters of the digit width.
    double ColumnWidth(uint32_t col) const;
};

struct BookModel {
    std::vector<SheetModel> sheets;
    StringPool strings;
    bool date1904 = false;
    uint32_t maxRows = kXlsxMaxRows;
    uint32_t maxColumns = kXlsxMaxColumns;
};

// Ranges whose Value would need more elements than this fail as out of memory.
constexpr uint64_t kMaxValueElements = 64ull * 1024 * 1024;

// Converts one cell to the VARIANT the application gives for it.
void CellToVariant(const BookModel& book, const Cell* cell, VARIANT& out);

// What CellToVariant gives for a cell, without allocating: the same VARIANT
// for every type but text, for which vt is VT_BSTR, bstrVal is null and the
// characters are in text.
void CellToScalar(const BookModel& book, const Cell* cell, VARIANT& out, std::u16string_view& text);

// A rectangle of a loaded sheet as the engine holds it (1-based, inclusive),
// for a reader that converts the cells it asks for instead of taking a whole
// Value array. The view keeps the workbook's data alive after a close.
struct RangeCells {
    std::shared_ptr<const BookModel> book;
    const SheetModel* sheet = nullptr;  // one of book->sheets
    uint32_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
};

// The Value of the rectangle (1-based, inclusive): a 1-based rows x columns
// SAFEARRAY of VARIANTs, or the single value for a one-cell range. Throws
// AutomationError when the array cannot be had.
void RangeValue(const BookModel& book, const SheetModel& sheet, uint32_t row1, uint32_t col1, uint32_t row2,
                uint32_t col2, VARIANT& out);

}  // namespace dulo::engine
