#pragma once
// The in-memory table: it owns its descriptions, has the reader of its table
// type fill its column and row arrays, and answers the accessors the exports use.
#include "tables/Column.h"
#include "tables/IoRow.h"
#include "tables/IoTableDescription.h"

#include <cstdint>
#include <string>

class CIoTable {
public:
    // Every public form sets up the description, marks it in use and reads at once.
    CIoTable(const char* source, const char* tableText, const char* keyColumnName, const char* rowPattern,
             const char* columnPattern, int tableType, const char* string2 = "", const char* string3 = "",
             const char* string4 = "", const char* string5 = "");
    // With a connection: string 0 is the source, string 7 the label.
    CIoTable(CDatabase* database, const char* source, const char* keyColumnName, const char* rowPattern,
             const char* columnPattern, int tableType, const char* label);
    CIoTable(IRefCounted* adoConnection, const char* source, const char* keyColumnName, const char* rowPattern,
             const char* columnPattern, int tableType, const char* label);
    CIoTable(const CIoTableDescription& description, const char* keyColumnName, const char* rowPattern,
             const char* columnPattern);
    // No key fields and no row pattern: every row.
    CIoTable(const CIoTableDescription& description, const char* columnPattern);
    CIoTable(const CIoTable&) = delete;
    CIoTable& operator=(const CIoTable&) = delete;
    virtual ~CIoTable() = default;

    // Runs the reader of the embedded description's table type; returns and keeps the status.
    int Read(const char* keyColumnName, const char* rowPattern, const char* columnPattern);

    int GetStatus() const { return m_nStatus; }
    int GetColumnCount() const { return m_DataColumns.GetSize(); }
    int GetRowCount() const { return m_Rows.GetSize(); }

    // Indexes are 0-based; a bad one raises CInvalidArgException.
    const std::string& GetColumnName(int c) const;
    int GetColumnType(int c) const;
    // First data column named exactly name (case-sensitive), -1 if none.
    int FindColumn(const char* name) const;
    std::string GetRowName(int r, int keyIndex = 0) const;
    bool IsNull(int r, int c) const;
    const char* GetValueText(int r, int c) const;
    double GetValueNumber(int r, int c) const;
    COleDateTime GetDateValue(int r, int c) const;

    CColumnArray m_KeyColumns;
    CColumnArray m_DataColumns;
    CIoRowArray m_Rows;
    CIoRowArray m_ExtraRows1;
    CIoRowArray m_ExtraRows2;
    CIoTableDescriptionArray m_Descriptions;
    CIoTableDescription m_Description;
    int32_t m_nReaderResults[3] = {0, 0, 0};
    int32_t m_nReserved = 0;
    std::string m_strSheetLabel;
    int32_t m_nStatus = 0;
    std::string m_strSourceText;
    std::string m_strTableText;

protected:
    // An empty table that has not read anything (for derived tables that read several sources).
    CIoTable() { m_Description.m_nInUse = 1; }
};

// A table with a key-column name and a key pattern; not read by any path here.
class CAnyDataTable : public CIoTable {
public:
    CAnyDataTable() = default;

    std::string m_strKeyColumnName;
    std::string m_strKeyPattern;
};
