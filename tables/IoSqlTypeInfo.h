#pragma once
// One row of a data source's type list, and the owning list of them.
#include "platform/AutoDestructArray.h"

#include <cstdint>

struct CIoSqlTypeInfo {
    static constexpr int kTextSize = 129;  // 128 characters and the terminator

    // Texts: type list columns 1, 4, 5, 6 and 13.
    char m_szTypeName[kTextSize] = {};
    char m_szLiteralPrefix[kTextSize] = {};
    char m_szLiteralSuffix[kTextSize] = {};
    char m_szCreateParams[kTextSize] = {};
    char m_szLocalTypeName[kTextSize] = {};
    // Numbers: columns 2, 3, 7, 8, 9, 10, 11 and 12.
    int16_t m_nDataType = 0;
    int16_t m_nPrecision = 0;
    int16_t m_nNullable = 0;
    int16_t m_nCaseSensitive = 0;
    int16_t m_nSearchable = 0;
    int16_t m_nUnsigned = 0;
    int16_t m_nMoney = 0;
    int16_t m_nAutoIncrement = 0;
};

class CIoSqlTypeInfoArray : public CAutoDestructArray<CIoSqlTypeInfo> {
public:
    CIoSqlTypeInfoArray() : CAutoDestructArray<CIoSqlTypeInfo>(25) {}
};
