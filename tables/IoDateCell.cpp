// The date, time and timestamp cells and the date value conversions they share.
#include "tables/IoCell.h"

#include <cstdio>
#include <string_view>

namespace {

// atoi of text[pos, pos + count), empty past the end of the text.
int Field(std::string_view text, size_t pos, size_t count) {
    if (pos >= text.size()) return 0;
    return dulo::AtoiClamped(std::string(text.substr(pos, count)).c_str());
}

}  // namespace

namespace dulo {

COleDateTime DateValueFromText(const char* text, int kind) {
    std::string_view t = text ? text : "";
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    if (kind == SqlType::Time) {
        hour = Field(t, 0, 2);
        minute = Field(t, 3, 2);
        second = Field(t, 6, 2);
    } else {
        year = Field(t, 0, 4);
        month = Field(t, 5, 2);
        day = Field(t, 8, 2);
        if (kind == SqlType::TimeStamp) {
            hour = Field(t, 11, 2);
            minute = Field(t, 14, 2);
            second = Field(t, 17, 2);
        }
    }
    // Only a value that comes back unchanged from the calendar is valid, so
    // month 13 or day 32 gives an invalid date, not a rolled-over one.
    double date = 0.0;
    SYSTEMTIME st{};
    if (!CalendarToOleDate(year, month, day, hour, minute, second, date) || !OleDateToCalendar(date, st) ||
        st.wYear != year || st.wMonth != month || st.wDay != day || st.wHour != hour || st.wMinute != minute ||
        st.wSecond != second)
        return COleDateTime(0.0, COleDateTime::invalid);
    return COleDateTime(date, COleDateTime::valid);
}

COleDateTime DateValueFromVariant(const VARIANT& value) {
    if (value.vt == VT_DATE) return COleDateTime(value.date, COleDateTime::valid);
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &value, 0, VT_DATE);
    COleDateTime result(0.0, COleDateTime::invalid);
    if (SUCCEEDED(hr) && converted.vt == VT_DATE) result = COleDateTime(converted.date, COleDateTime::valid);
    VariantClear(&converted);
    return result;
}

std::string DateValueText(const COleDateTime& value, int kind) {
    SYSTEMTIME st{};
    bool ok = value.GetCalendar(st);
    int year = ok ? st.wYear : -1, month = ok ? st.wMonth : -1, day = ok ? st.wDay : -1;
    int hour = ok ? st.wHour : -1, minute = ok ? st.wMinute : -1, second = ok ? st.wSecond : -1;
    char buffer[64];
    if (kind == SqlType::Date)
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    else if (kind == SqlType::Time)
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hour, minute, second);
    else
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                      second);
    return buffer;
}

}  // namespace dulo

#define DULO_DATE_CELL_DEFINITIONS(Class, Kind)                                                           \
    Class::Class(const COleDateTime& value, bool null, bool marked) : CIoCell(null, marked) {             \
        if (!null) m_Value = value;                                                                       \
    }                                                                                                     \
    Class::Class(const COleDateTime& value, const char* name, bool null, bool marked, int sourceIndex)    \
        : CIoCell(name, null, marked, sourceIndex) {                                                      \
        if (!null) m_Value = value;                                                                       \
    }                                                                                                     \
    Class::Class(double oleDate, bool null, bool marked) : CIoCell(null, marked) {                        \
        if (!null) m_Value = COleDateTime(oleDate, COleDateTime::valid);                                  \
    }                                                                                                     \
    Class::Class(double oleDate, const char* name, bool null, bool marked, int sourceIndex)               \
        : CIoCell(name, null, marked, sourceIndex) {                                                      \
        if (!null) m_Value = COleDateTime(oleDate, COleDateTime::valid);                                  \
    }                                                                                                     \
    Class::Class(const VARIANT& value, bool null, bool marked) : CIoCell(null, marked) {                  \
        if (!null) m_Value = dulo::DateValueFromVariant(value);                                           \
    }                                                                                                     \
    Class::Class(const VARIANT& value, const char* name, bool null, bool marked, int sourceIndex)         \
        : CIoCell(name, null, marked, sourceIndex) {                                                      \
        if (!null) m_Value = dulo::DateValueFromVariant(value);                                           \
    }                                                                                                     \
    Class::Class(const char* text, bool null, bool marked) : CIoCell(null, marked) {                      \
        if (!null) m_Value = dulo::DateValueFromText(text, Kind);                                         \
    }                                                                                                     \
    Class::Class(const char* text, const char* name, bool null, bool marked, int sourceIndex)             \
        : CIoCell(name, null, marked, sourceIndex) {                                                      \
        if (!null) m_Value = dulo::DateValueFromText(text, Kind);                                         \
    }                                                                                                     \
    std::string Class::GetText() const { return dulo::DateValueText(m_Value, Kind); }                     \
    const char* Class::GetTextPtr() const {                                                               \
        thread_local std::string buffer;                                                                  \
        buffer = GetText();                                                                               \
        return buffer.c_str();                                                                            \
    }                                                                                                     \
    void Class::SetDate(double date, int status) {                                                        \
        m_Value = COleDateTime(date, status);                                                             \
        MarkSet();                                                                                        \
    }

DULO_DATE_CELL_DEFINITIONS(CIoDateCell, SqlType::Date)
DULO_DATE_CELL_DEFINITIONS(CIoTimeCell, SqlType::Time)
DULO_DATE_CELL_DEFINITIONS(CIoTimeStampCell, SqlType::TimeStamp)

#undef DULO_DATE_CELL_DEFINITIONS
