#include "interface/TableArray.h"

#include "platform/TextConv.h"
#include "platform/oleauto/ScopedVariant.h"

#include <algorithm>

namespace dulo {

CTableArray::~CTableArray() {
    if (m_array) SafeArrayDestroy(m_array);
}

bool CTableArray::Create(long rows, long columns) {
    if (m_array || rows < 0 || columns < 0) return false;
    SAFEARRAYBOUND bounds[2];
    bounds[0].cElements = ULONG(rows);
    bounds[0].lLbound = 0;
    bounds[1].cElements = ULONG(columns);
    bounds[1].lLbound = 0;
    m_array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!m_array) return false;
    m_rows = rows;
    m_columns = columns;
    return true;
}

VARIANT* CTableArray::Data() const { return m_array ? static_cast<VARIANT*>(m_array->pvData) : nullptr; }

VARIANT* CTableArray::At(long row, long column) {
    if (!m_array) return nullptr;
    LONG index[2] = {LONG(row), LONG(column)};
    void* element = nullptr;
    if (FAILED(SafeArrayPtrOfIndex(m_array, index, &element))) return nullptr;
    return static_cast<VARIANT*>(element);
}

bool CTableArray::Put(long row, long column, VARIANT& value) {
    VARIANT* element = At(row, column);
    if (!element) {
        VariantClear(&value);
        return false;
    }
    VariantClear(element);
    *element = value;  // the element takes over the string, if any
    VariantInit(&value);
    return true;
}

bool CTableArray::PutText(long row, long column, std::string_view text) {
    VARIANT value;
    VariantInit(&value);
    value.bstrVal = BstrFromUtf8(text);
    if (!value.bstrVal) return false;
    value.vt = VT_BSTR;
    return Put(row, column, value);
}

bool CTableArray::PutNumber(long row, long column, double number) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R8;
    value.dblVal = number;
    return Put(row, column, value);
}

bool CTableArray::PutDate(long row, long column, double date) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DATE;
    value.date = date;
    return Put(row, column, value);
}

void CTableArray::HandOver(VARIANT* result) {
    ScopedVariant array;
    array.v.vt = VT_ARRAY | VT_VARIANT;
    array.v.parray = m_array;
    m_array = nullptr;
    array.HandOver(result);
}

void CopyNameBuffer(char* buffer, std::string_view name) { CopyUtf8(buffer, 256, name); }

}  // namespace dulo
