// The cell base with its wrong-kind markers, and the text and numeric kinds.
#include "tables/IoCell.h"

#include "tables/CellPool.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

const char kWrongKindText[] = "!";

namespace dulo {

int32_t TruncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return int32_t(value);
}

int AtoiClamped(const char* text) {
    if (!text) return 0;
    errno = 0;
    long long v = std::strtoll(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

}  // namespace dulo

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char small[64];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) return std::string();
    if (size_t(n) < sizeof small) return std::string(small, size_t(n));
    // "%f" of a large number runs past any fixed buffer.
    std::string out(size_t(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(out.data(), out.size(), format, args);
    va_end(args);
    out.resize(size_t(n));
    return out;
}

}  // namespace

void* CIoCell::operator new(std::size_t size) { return dulo::CellPool::Allocate(size); }
void CIoCell::operator delete(void* p, std::size_t size) noexcept { dulo::CellPool::Free(p, size); }

namespace {

// What a few cells have beyond their eight bytes of fields: a column name, or
// a flag, source index or column outside the packed ranges. A field's entry
// is read only while the cell's packed word says it is beyond its range.
struct CellExtra {
    std::string name;
    uint32_t wideFlags = 0;  // the flag bits above the packed ones
    int32_t index = -1;
    int32_t column = -1;
};

struct CellExtras {
    std::mutex lock;
    std::unordered_map<const CIoCell*, CellExtra> byCell;
};

CellExtras& Extras() {
    // Never destroyed: a cell in static storage may be destroyed after it.
    static CellExtras& extras = *new CellExtras;
    return extras;
}

// The entry of a cell known to have one.
const CellExtra& ExtraOf(const CIoCell* cell) {
    static const CellExtra none;
    CellExtras& extras = Extras();
    std::lock_guard<std::mutex> hold(extras.lock);
    auto it = extras.byCell.find(cell);
    return it == extras.byCell.end() ? none : it->second;
}

}  // namespace

CIoCell::CIoCell(const CIoCell& other) : m_packed(other.m_packed & ~kHasExtras), m_nSourceRow(other.m_nSourceRow) {
    CopyExtras(other);
}

CIoCell& CIoCell::operator=(const CIoCell& other) {
    if (this != &other) {
        ForgetExtras();
        m_packed = other.m_packed & ~kHasExtras;
        m_nSourceRow = other.m_nSourceRow;
        CopyExtras(other);
    }
    return *this;
}

void CIoCell::CopyExtras(const CIoCell& other) {
    if (!(other.m_packed & kHasExtras)) return;
    CellExtras& extras = Extras();
    std::lock_guard<std::mutex> hold(extras.lock);
    auto it = extras.byCell.find(&other);
    if (it == extras.byCell.end()) return;
    CellExtra copy = it->second;
    extras.byCell.insert_or_assign(this, std::move(copy));
    m_packed |= kHasExtras;
}

CIoCell::~CIoCell() { ForgetExtras(); }

void CIoCell::ForgetExtras() noexcept {
    if (!(m_packed & kHasExtras)) return;
    CellExtras& extras = Extras();
    std::lock_guard<std::mutex> hold(extras.lock);
    extras.byCell.erase(this);
    m_packed &= ~kHasExtras;
}

const std::string& CIoCell::EmptyName() {
    static const std::string empty;
    return empty;
}

// Makes the cell's entry if it has none, then changes it.
template <class Change>
void CIoCell::ChangeExtras(Change change) {
    CellExtras& extras = Extras();
    std::lock_guard<std::mutex> hold(extras.lock);
    change(extras.byCell[this]);
    m_packed |= kHasExtras;
}

const std::string& CIoCell::GetName() const {
    if (!(m_packed & kHasExtras)) return EmptyName();
    return ExtraOf(this).name;
}

void CIoCell::SetName(const char* name) {
    if (!name || !*name) {
        if (m_packed & kHasExtras) ChangeExtras([](CellExtra& e) { e.name.clear(); });
        return;
    }
    ChangeExtras([name](CellExtra& e) { e.name = name; });
}

uint32_t CIoCell::WideFlags() const { return ExtraOf(this).wideFlags; }
int CIoCell::WideIndex() const { return ExtraOf(this).index; }
int CIoCell::WideColumn() const { return ExtraOf(this).column; }

void CIoCell::SetFlags(uint32_t flags) {
    m_packed = (m_packed & ~kFlagMask) | (flags & kFlagMask);
    uint32_t wide = flags & ~kFlagMask;
    if (wide != 0 || (m_packed & kHasExtras)) ChangeExtras([wide](CellExtra& e) { e.wideFlags = wide; });
}

// A value beyond the packed range: the field says so, the table holds it.
void CIoCell::SetWideIndex(int index) {
    ChangeExtras([index](CellExtra& e) { e.index = index; });
    SetField(kIndexShift, kIndexMask, kIndexMask);
}

void CIoCell::SetWideColumn(int column) {
    ChangeExtras([column](CellExtra& e) { e.column = column; });
    SetField(kColumnShift, kColumnMask, kColumnMask);
}

// The pool hands out 8-byte aligned slots; a number cell, the commonest, takes
// 24 bytes: the vtable pointer, the packed fields and the value.
static_assert(alignof(CIoStrCell) <= 8 && alignof(CIoDoubleCell) <= 8 && alignof(CIoTimeStampCell) <= 8);
static_assert(sizeof(CIoDoubleCell) <= 24);

// Base: every slot answers with its marker.
std::string CIoCell::GetText() const { return kWrongKindText; }
const char* CIoCell::GetTextPtr() const { return kWrongKindText; }
double CIoCell::GetAsDouble() const { return kWrongKindDouble; }
int CIoCell::GetAsInt() const { return kWrongKindInt; }
int CIoCell::GetAsLong() const { return kWrongKindLong; }
void CIoCell::SetText(const char*) {}
void CIoCell::SetNumber(double) {}
void CIoCell::SetDate(double, int) {}
char CIoCell::GetBit() const { return kWrongKindChar; }
char CIoCell::GetTinyInt() const { return kWrongKindChar; }
const char* CIoCell::GetString() const { return kWrongKindText; }
short CIoCell::GetShort() const { return short(kWrongKindLong); }
int CIoCell::GetLong() const { return kWrongKindLong; }
float CIoCell::GetFloat() const { return kWrongKindFloat; }
double CIoCell::GetDouble() const { return kWrongKindDouble; }
void CIoCell::GetDateTo(COleDateTime&) const {}
COleDateTime CIoCell::GetDate() const { return COleDateTime(0.0, COleDateTime::valid); }

// Text
CIoStrCell::CIoStrCell(const char* text, bool null, bool marked) : CIoCell(null, marked) {
    if (!null && text) m_strValue = text;
}

CIoStrCell::CIoStrCell(const char* text, const char* name, bool null, bool marked, int sourceIndex)
    : CIoCell(name, null, marked, sourceIndex) {
    if (!null && text) m_strValue = text;
}

double CIoStrCell::GetAsDouble() const { return dulo::AtoiClamped(m_strValue.c_str()); }
int CIoStrCell::GetAsInt() const { return dulo::AtoiClamped(m_strValue.c_str()); }
int CIoStrCell::GetAsLong() const { return dulo::AtoiClamped(m_strValue.c_str()); }

void CIoStrCell::SetText(const char* text) {
    m_strValue = text ? text : "";
    MarkSet();
}

std::string CIoLongCell::GetText() const { return Format("%ld", long(m_value)); }
std::string CIoShortCell::GetText() const { return Format("%d", int(m_value)); }
std::string CIoFloatCell::GetText() const { return Format("%f", double(m_value)); }
std::string CIoDoubleCell::GetText() const { return Format("%lf", m_value); }
std::string CIoBitCell::GetText() const { return Format("%d", int(m_value)); }
std::string CIoTinyIntCell::GetText() const { return Format("%d", int(m_value)); }

// Integer kinds truncate toward zero and keep the low bits, so 300.7 in a
// tiny-integer cell is 44.
void CIoLongCell::SetNumber(double value) {
    m_value = dulo::TruncateToInt32(value);
    MarkSet();
}

void CIoShortCell::SetNumber(double value) {
    m_value = int16_t(uint16_t(uint32_t(dulo::TruncateToInt32(value))));
    MarkSet();
}

void CIoBitCell::SetNumber(double value) {
    m_value = uint8_t(uint32_t(dulo::TruncateToInt32(value)));
    MarkSet();
}

void CIoTinyIntCell::SetNumber(double value) {
    m_value = int8_t(uint8_t(uint32_t(dulo::TruncateToInt32(value))));
    MarkSet();
}

void CIoFloatCell::SetNumber(double value) {
    // Beyond the float range the value becomes an infinity rather than undefined.
    if (std::isfinite(value) && std::fabs(value) > double(FLT_MAX))
        m_value = value > 0 ? HUGE_VALF : -HUGE_VALF;
    else
        m_value = float(value);
    MarkSet();
}

void CIoDoubleCell::SetNumber(double value) {
    m_value = value;
    MarkSet();
}
