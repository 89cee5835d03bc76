#pragma once
// The table array the loaders hand over: a two-dimensional SAFEARRAY of VARIANTs,
// first index the row, lower bounds 0, built one element at a time.
#include "dulo/oleauto.h"

#include <string_view>

namespace dulo {

class CTableArray {
public:
    CTableArray() = default;
    ~CTableArray();
    CTableArray(const CTableArray&) = delete;
    CTableArray& operator=(const CTableArray&) = delete;

    // False when the counts are negative or the memory is not there.
    bool Create(long rows, long columns);
    bool IsCreated() const { return m_array != nullptr; }
    long Rows() const { return m_rows; }
    long Columns() const { return m_columns; }

    // The elements in memory order: column c's rows start at Data() + c * Rows().
    // Null before Create.
    VARIANT* Data() const;
    // The element at (row, column), or null outside the array.
    VARIANT* At(long row, long column);
    // Replaces the element with value, taking over what value owns (value is
    // left VT_EMPTY). False outside the array.
    bool Put(long row, long column, VARIANT& value);
    bool PutText(long row, long column, std::string_view text);
    bool PutNumber(long row, long column, double value);
    bool PutDate(long row, long column, double date);

    // Copies the array VARIANT over result and gives up the array; the caller
    // owns it then. What result held before is overwritten, not released.
    void HandOver(VARIANT* result);

private:
    SAFEARRAY* m_array = nullptr;
    long m_rows = 0;
    long m_columns = 0;
};

// Bounded copy into a 256-byte name buffer: at most 255 bytes and a NUL. A null
// buffer is left alone.
void CopyNameBuffer(char* buffer, std::string_view name);

}  // namespace dulo
