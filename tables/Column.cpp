// Columns and the column-name typing rule.
#include "tables/Column.h"

#include "tables/SqlType.h"

#include <strings.h>

#include <cstring>

CColumn::CColumn(const char* name, short sqlType, int precision, short scale, short nullable, void* userData)
    : m_strName(name ? name : ""),
      m_nSqlType(sqlType),
      m_nPrecision(precision),
      m_nScale(scale),
      m_nNullable(nullable),
      m_pUserData(userData) {}

CColumn::CColumn(const char* name, short dataType, int columnSize, short decimalDigits, short nullable,
                 void* userData, int ordinal, int sourcePosition)
    : CColumn(name, dataType, columnSize, decimalDigits, nullable, userData) {
    m_nOrdinal = ordinal;
    m_SourceListA.push_back(sourcePosition);
    m_SourceListB.push_back(ordinal);
}

int CColumnArray::FindColumn(const char* name) const {
    if (!name) return -1;
    for (int i = 0; i < GetSize(); ++i)
        if (m_items[size_t(i)]->m_strName == name) return i;
    return -1;
}

int TypeFromColumnName(const char* name) {
    if (!name) return SqlType::Numeric;
    for (const char* n : {"TIME", "STARTTIME", "STOPTIME"})
        if (strcasecmp(name, n) == 0) return SqlType::Time;
    for (const char* n : {"DATE", "STARTDATE", "STOPDATE"})
        if (strcasecmp(name, n) == 0) return SqlType::Date;
    if (std::strcmp(name, "DATETIMEID") == 0) return SqlType::TimeStamp;
    return SqlType::Numeric;
}
