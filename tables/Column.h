#pragma once
// A column of a table source or of an in-memory table, and the column array.
#include "platform/AutoDestructArray.h"
#include "tables/SqlType.h"

#include <cstdint>
#include <string>
#include <vector>

class CColumn {
public:
    CColumn() = default;
    CColumn(const char* name, short sqlType, int precision, short scale, short nullable, void* userData);
    // From a column-description record: the ordinal also goes to source list B,
    // the source position to source list A.
    CColumn(const char* name, short dataType, int columnSize, short decimalDigits, short nullable, void* userData,
            int ordinal, int sourcePosition);
    CColumn(const CColumn&) = default;
    CColumn& operator=(const CColumn&) = default;
    virtual ~CColumn() = default;

    const std::string& GetName() const { return m_strName; }
    short GetSqlType() const { return m_nSqlType; }
    int GetOrdinal() const { return m_nOrdinal; }
    // The first of the three column numbers: read here, cleared by ResetMark.
    int32_t GetMark() const { return m_nNumber1; }
    void ResetMark() { m_nNumber1 = 0; }

    int32_t m_nOrdinal = -1;
    std::vector<int> m_SourceListA;  // source positions merged into this column
    std::vector<int> m_SourceListB;  // second list; the ordinal of a column made from a record
    std::string m_strName;
    short m_nSqlType = 0;
    int32_t m_nPrecision = 0;
    short m_nScale = 0;
    short m_nNullable = 1;
    std::string m_strDisplayName;
    void* m_pUserData = nullptr;  // the caller's, not owned
    int32_t m_nNumber1 = 0;
    int32_t m_nNumber2 = 1;
    int32_t m_nNumber3 = 0;
};

class CColumnArray : public CAutoDestructArray<CColumn> {
public:
    CColumnArray() : CAutoDestructArray<CColumn>(25) {}

    // First column whose name equals name exactly (case-sensitive), -1 if none.
    int FindColumn(const char* name) const;
};

// Column type from a column name: TIME, STARTTIME, STOPTIME (any case) 10;
// DATE, STARTDATE, STOPDATE (any case) 9; DATETIMEID (exact case) 11;
// anything else 2, which tells the caller to look at the data.
int TypeFromColumnName(const char* name);
