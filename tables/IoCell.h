#pragma once
// Typed cells: every table, whatever its source, is held as rows of these.
// A cell knows its kind by an ODBC SQL type code and answers every typed
// getter; a getter that does not fit the kind returns a fixed marker.
#include "platform/AutoDestructArray.h"
#include "platform/OleDateTime.h"
#include "tables/SqlType.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

// Markers returned by a typed getter that does not fit the cell's kind.
// Callers compare against these exact values.
constexpr int kWrongKindInt = 0;          // GetAsInt
constexpr int kWrongKindLong = -999;      // GetAsLong, GetLong, GetShort
constexpr float kWrongKindFloat = -999.0f;  // GetFloat
constexpr double kWrongKindDouble = -999.99;  // GetAsDouble, GetDouble
constexpr char kWrongKindChar = '!';      // GetBit, GetTinyInt
extern const char kWrongKindText[];       // "!": GetText, GetTextPtr, GetString

class CIoCell {
public:
    enum : uint32_t {
        CELL_NULL = 0x10,      // no value
        CELL_MARKED = 0x20,    // the worksheet cell behind a key cell holds a formula
        CELL_BLANK = 0x40,     // an empty placeholder text cell
        CELL_MODIFIED = 0x100  // created or changed since its row was last written
    };

    virtual ~CIoCell();

    // Cells come from the cell pool (tables/CellPool.h).
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    virtual int GetSqlType() const = 0;
    virtual std::string GetText() const;
    // Valid until the next GetText/GetTextPtr on a cell of the same kind on this thread
    // (a text cell returns its own buffer).
    virtual const char* GetTextPtr() const;
    virtual double GetAsDouble() const;
    virtual int GetAsInt() const;
    virtual int GetAsLong() const;
    // The setters store the value, clear CELL_NULL and set CELL_MODIFIED on the kinds they fit.
    virtual void SetText(const char* text);
    virtual void SetNumber(double value);
    virtual void SetDate(double date, int status);
    virtual char GetBit() const;
    virtual char GetTinyInt() const;
    virtual const char* GetString() const;
    virtual short GetShort() const;
    virtual int GetLong() const;
    virtual float GetFloat() const;
    virtual double GetDouble() const;
    virtual void GetDateTo(COleDateTime& value) const;
    virtual COleDateTime GetDate() const;

    uint32_t GetFlags() const {
        uint32_t flags = m_packed & kFlagMask;
        return (m_packed & kHasExtras) ? flags | WideFlags() : flags;
    }
    void SetFlags(uint32_t flags);
    bool IsNull() const { return (m_packed & CELL_NULL) != 0; }
    bool IsMarked() const { return (m_packed & CELL_MARKED) != 0; }
    bool IsBlank() const { return (m_packed & CELL_BLANK) != 0; }
    bool IsModified() const { return (m_packed & CELL_MODIFIED) != 0; }
    void ClearModified() { m_packed &= ~uint32_t(CELL_MODIFIED); }

    // The column name. No source names its cells, so the few names there are
    // live beside the cells (see below) and a cell holds nothing for one.
    // The reference is valid until the cell is renamed or destroyed.
    const std::string& GetName() const;
    void SetName(const char* name);
    int GetSourceIndex() const {
        uint32_t v = (m_packed >> kIndexShift) & kIndexMask;
        return v != kIndexMask ? int(v) - 1 : WideIndex();
    }
    void SetSourceIndex(int index) {
        if (index >= -1 && index < int(kIndexMask) - 1) SetField(kIndexShift, kIndexMask, uint32_t(index + 1));
        else SetWideIndex(index);
    }
    int GetSourceRow() const { return m_nSourceRow; }
    void SetSourceRow(int row) { m_nSourceRow = row; }
    int GetSourceColumn() const {
        uint32_t v = (m_packed >> kColumnShift) & kColumnMask;
        return v != kColumnMask ? int(v) - 1 : WideColumn();
    }
    void SetSourceColumn(int column) {
        if (column >= -1 && column < int(kColumnMask) - 1) SetField(kColumnShift, kColumnMask, uint32_t(column + 1));
        else SetWideColumn(column);
    }

protected:
    CIoCell(bool null, bool marked) : m_packed(MakeFlags(null, marked)) {}
    CIoCell(const char* name, bool null, bool marked, int sourceIndex) : m_packed(MakeFlags(null, marked)) {
        SetSourceIndex(sourceIndex);
        SetName(name);
    }
    CIoCell(const CIoCell& other);
    CIoCell& operator=(const CIoCell& other);

    void MarkSet() { m_packed = (m_packed & ~uint32_t(CELL_NULL)) | CELL_MODIFIED; }

private:
    // A table holds hundreds of thousands of cells, and the readers set flags,
    // source index, row and column on every one, so the four take eight bytes:
    // the row as it is, and the flags, index and column packed into one word
    // in the ranges every reader stays within (flags 0x3FF, index 61, column
    // 32,765; a field's all-ones value means "beyond"). A value beyond its
    // range, and a column name, are kept in a table beside the cells
    // (CellExtras in IoCell.cpp); kHasExtras says the cell has an entry there.
    static constexpr uint32_t kFlagMask = 0x3FF;
    static constexpr uint32_t kIndexShift = 10, kIndexMask = 0x3F;
    static constexpr uint32_t kColumnShift = 16, kColumnMask = 0x7FFF;
    static constexpr uint32_t kHasExtras = 0x80000000u;

    static const std::string& EmptyName();
    void SetField(uint32_t shift, uint32_t mask, uint32_t value) {
        m_packed = (m_packed & ~(mask << shift)) | (value << shift);
    }
    void SetWideIndex(int index);
    void SetWideColumn(int column);
    uint32_t WideFlags() const;
    int WideIndex() const;
    int WideColumn() const;
    void ForgetExtras() noexcept;
    void CopyExtras(const CIoCell& other);
    template <class Change>
    void ChangeExtras(Change change);  // only IoCell.cpp instantiates it
    static uint32_t MakeFlags(bool null, bool marked) {
        // Source index and column -1 are stored as 0.
        return CELL_MODIFIED | (null ? uint32_t(CELL_NULL) : 0u) | (marked ? uint32_t(CELL_MARKED) : 0u);
    }

    uint32_t m_packed;
    int32_t m_nSourceRow = -1;
};

// The two constructor shapes every kind has: (value, null, marked) and
// (value, column name, null, marked, source index). A null cell does not
// store its value. The default constructor makes a null, unmarked cell.

class CIoStrCell : public CIoCell {
public:
    CIoStrCell() : CIoCell(true, false) {}
    CIoStrCell(const char* text, bool null, bool marked);
    CIoStrCell(const char* text, const char* name, bool null, bool marked, int sourceIndex);

    int GetSqlType() const override { return SqlType::Char; }
    std::string GetText() const override { return m_strValue; }
    const char* GetTextPtr() const override { return m_strValue.c_str(); }
    // Text converts with atoi for all three: 12.75 gives 12, "abc" gives 0.
    double GetAsDouble() const override;
    int GetAsInt() const override;
    int GetAsLong() const override;
    void SetText(const char* text) override;
    const char* GetString() const override { return m_strValue.c_str(); }

    std::string m_strValue;
};

namespace dulo {
int32_t TruncateToInt32(double value);
}  // namespace dulo

// What the numeric kinds share: one value of type T, stored unless the cell is
// null; the number and integer getters read it (floating kinds truncate toward
// zero); GetTextPtr formats GetText into a per-thread buffer of the kind.
template <class T, int kSqlType>
class CIoNumericCell : public CIoCell {
public:
    CIoNumericCell() : CIoCell(true, false) {}
    CIoNumericCell(T value, bool null, bool marked) : CIoCell(null, marked) {
        if (!null) m_value = value;
    }
    CIoNumericCell(T value, const char* name, bool null, bool marked, int sourceIndex)
        : CIoCell(name, null, marked, sourceIndex) {
        if (!null) m_value = value;
    }

    int GetSqlType() const override { return kSqlType; }
    const char* GetTextPtr() const override {
        thread_local std::string buffer;
        buffer = GetText();
        return buffer.c_str();
    }
    double GetAsDouble() const override { return m_value; }
    int GetAsInt() const override {
        if constexpr (std::is_floating_point_v<T>) return dulo::TruncateToInt32(m_value);
        else return m_value;
    }
    int GetAsLong() const override { return CIoNumericCell::GetAsInt(); }

    T m_value = 0;
};

class CIoLongCell : public CIoNumericCell<int32_t, SqlType::Integer> {
public:
    using CIoNumericCell::CIoNumericCell;
    std::string GetText() const override;
    void SetNumber(double value) override;
    int GetLong() const override { return m_value; }
};

class CIoShortCell : public CIoNumericCell<int16_t, SqlType::SmallInt> {
public:
    using CIoNumericCell::CIoNumericCell;
    std::string GetText() const override;
    void SetNumber(double value) override;
    short GetShort() const override { return m_value; }
};

class CIoFloatCell : public CIoNumericCell<float, SqlType::Real> {
public:
    using CIoNumericCell::CIoNumericCell;
    std::string GetText() const override;
    void SetNumber(double value) override;
    float GetFloat() const override { return m_value; }
};

class CIoDoubleCell : public CIoNumericCell<double, SqlType::Double> {
public:
    using CIoNumericCell::CIoNumericCell;
    std::string GetText() const override;
    void SetNumber(double value) override;
    double GetDouble() const override { return m_value; }
};

class CIoBitCell : public CIoNumericCell<uint8_t, SqlType::Bit> {
public:
    using CIoNumericCell::CIoNumericCell;
    std::string GetText() const override;
    void SetNumber(double value) override;
    char GetBit() const override { return char(m_value); }
};

class CIoTinyIntCell : public CIoNumericCell<int8_t, SqlType::TinyInt> {
public:
    using CIoNumericCell::CIoNumericCell;
    std::string GetText() const override;
    void SetNumber(double value) override;
    char GetTinyInt() const override { return char(m_value); }
};

// The three date kinds hold the full date value; the kind decides which
// fields are read from text and printed. Besides the date value they are made
// from a raw OLE date (status 0), from a VARIANT (VT_DATE as is, anything else
// converted; a failed conversion gives status 1) and from text ("yyyy-mm-dd",
// "hh:mm:ss", "yyyy-mm-dd hh:mm:ss"; fields that do not survive a round trip
// through the calendar give status 1).
#define DULO_DATE_CELL_CONSTRUCTORS(Class)                                                                  \
    Class() : CIoCell(true, false) {}                                                                       \
    Class(const COleDateTime& value, bool null, bool marked);                                               \
    Class(const COleDateTime& value, const char* name, bool null, bool marked, int sourceIndex);            \
    Class(double oleDate, bool null, bool marked);                                                          \
    Class(double oleDate, const char* name, bool null, bool marked, int sourceIndex);                       \
    Class(const VARIANT& value, bool null, bool marked);                                                    \
    Class(const VARIANT& value, const char* name, bool null, bool marked, int sourceIndex);                 \
    Class(const char* text, bool null, bool marked);                                                        \
    Class(const char* text, const char* name, bool null, bool marked, int sourceIndex);

class CIoDateCell : public CIoCell {
public:
    DULO_DATE_CELL_CONSTRUCTORS(CIoDateCell)

    int GetSqlType() const override { return SqlType::Date; }
    std::string GetText() const override;
    const char* GetTextPtr() const override;
    void SetDate(double date, int status) override;
    void GetDateTo(COleDateTime& value) const override { value = m_Value; }
    COleDateTime GetDate() const override { return m_Value; }

    COleDateTime m_Value;
};

class CIoTimeCell : public CIoCell {
public:
    DULO_DATE_CELL_CONSTRUCTORS(CIoTimeCell)

    int GetSqlType() const override { return SqlType::Time; }
    std::string GetText() const override;
    const char* GetTextPtr() const override;
    void SetDate(double date, int status) override;
    void GetDateTo(COleDateTime& value) const override { value = m_Value; }
    COleDateTime GetDate() const override { return m_Value; }

    COleDateTime m_Value;
};

class CIoTimeStampCell : public CIoCell {
public:
    DULO_DATE_CELL_CONSTRUCTORS(CIoTimeStampCell)

    int GetSqlType() const override { return SqlType::TimeStamp; }
    std::string GetText() const override;
    const char* GetTextPtr() const override;
    void SetDate(double date, int status) override;
    void GetDateTo(COleDateTime& value) const override { value = m_Value; }
    COleDateTime GetDate() const override { return m_Value; }

    COleDateTime m_Value;
};

#undef DULO_DATE_CELL_CONSTRUCTORS

namespace dulo {

// Date value helpers shared by the date kinds (kind = SqlType::Date, SqlType::Time or SqlType::TimeStamp).
COleDateTime DateValueFromText(const char* text, int kind);
COleDateTime DateValueFromVariant(const VARIANT& value);
// "%04d-%02d-%02d", "%02d:%02d:%02d" or both; a field is -1 when the status is
// not 0 or the date has no calendar form, so an invalid date prints -001--1--1.
std::string DateValueText(const COleDateTime& value, int kind);
// Truncation toward zero into 32 bits; NaN and values outside the range give
// INT32_MIN, as the x86 conversion does. Narrower kinds keep the low bits.
int32_t TruncateToInt32(double value);
// atoi with the result clamped to the int range on overflow.
int AtoiClamped(const char* text);

}  // namespace dulo

// A key column: its name and position.
class CIoKeyCell final {
public:
    CIoKeyCell() = default;
    CIoKeyCell(const char* name, int index) : m_strName(name ? name : ""), m_nIndex(index) {}

    virtual const char* GetName() const { return m_strName.c_str(); }
    virtual int GetIndex() const { return m_nIndex; }
    virtual void SetName(const char* name) { m_strName = name ? name : ""; }
    virtual void SetIndex(int index) { m_nIndex = index; }

    std::string m_strName;
    int32_t m_nIndex = -1;
};

// Owning arrays: clearing or destroying them deletes the elements; grow by 25.
class CIoCellArray : public CAutoDestructArray<CIoCell> {
public:
    CIoCellArray() : CAutoDestructArray<CIoCell>(25) {}
    // Room for n cells in one allocation, for a row whose width is known.
    void ReserveCells(int n) {
        if (n > 0) m_items.reserve(size_t(n));
    }
};

class CIoKeyCellArray : public CAutoDestructArray<CIoKeyCell> {
public:
    CIoKeyCellArray() : CAutoDestructArray<CIoKeyCell>(25) {}
};
