#pragma once
// The model-table reader: one named table read from one source, or from a list
// of workbooks whose later members are merged into the first by column name
// and row name. A value given twice must agree.
#include "tables/IoTable.h"

#include <string>
#include <vector>

class CDuloIoTable : public CIoTable {
public:
    // Reads one source with key fields "ROWNAMES", key values "*" and extract columns "*".
    CDuloIoTable(const char* sourcePath, const char* tableText, int tableType);
    // Reads tableName from every workbook (paths[i], sheet sheets[i]) and merges
    // them in order. A set flag or an empty path list gives status 1. A sheet
    // list shorter than the path list raises CInvalidArgException before anything is read.
    // tableTypes[i], when given, is the table type of source i: 7 reads a dBase
    // file (its sheet name is not used); any other value, or none, a workbook.
    CDuloIoTable(const char* tableName, const std::vector<std::string>& paths, const std::vector<std::string>& sheets,
                 const char* keyFields, const char* keyValues, const char* extractColumns, int flag,
                 const std::vector<int>& tableTypes = {});

    // The sheet label, followed by "[table text]" when there is a table text.
    std::string GetDisplayName() const;
    // Index of the data column named "TEXT", -1 when there is none.
    int GetTextColumn() const { return m_nTextColumn; }

    // Merges rows read from another workbook (their key and data columns and
    // rows) into this table; returns 0, 29 (conflict, message shown) or 30
    // (a column type that cannot be merged). The event merge keeps rows of equal
    // names side by side. Both consume newRows: once a row is merged its cells
    // are taken over or freed (the row stays, empty).
    int MergeKeyed(const CColumnArray& newKeyColumns, const CColumnArray& newDataColumns, CIoRowArray& newRows,
                   const std::string& tableName);
    int MergeEvents(const CColumnArray& newKeyColumns, const CColumnArray& newDataColumns, CIoRowArray& newRows);

    int32_t m_nTextColumn = -1;

private:
    // For each new data column, the index of the table's column it goes to;
    // appends the columns the table lacks, with a placeholder in every row.
    std::vector<int> MergeColumns(const CColumnArray& newDataColumns);
    int MergeKeyedRows(CIoRowArray& target, CIoRowArray& newRows, const std::vector<int>& columnMap,
                       const std::string& tableName);
    void ReportDuplicate(const std::string& rowName, const std::string& columnName) const;
};
