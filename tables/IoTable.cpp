// The in-memory table: construction forms, the read by table type, accessors.
#include "tables/IoTable.h"

#include "tables/TableReaders.h"

namespace {

const char* Text(const char* s) { return s ? s : ""; }

}  // namespace

CIoTable::CIoTable(const char* source, const char* tableText, const char* keyColumnName, const char* rowPattern,
                   const char* columnPattern, int tableType, const char* string2, const char* string3,
                   const char* string4, const char* string5) {
    const char* strings[] = {source, tableText, string2, string3, string4, string5};
    for (int i = 0; i < 6; ++i) m_Description.m_Strings[i] = Text(strings[i]);
    m_Description.m_nTableType = tableType;
    m_Description.m_nInUse = 1;
    Read(keyColumnName, rowPattern, columnPattern);
}

CIoTable::CIoTable(CDatabase* database, const char* source, const char* keyColumnName, const char* rowPattern,
                   const char* columnPattern, int tableType, const char* label) {
    m_Description.m_pDatabase = database;
    m_Description.m_Strings[0] = Text(source);
    m_Description.m_Strings[7] = Text(label);
    m_Description.m_nTableType = tableType;
    m_Description.m_nInUse = 1;
    Read(keyColumnName, rowPattern, columnPattern);
}

CIoTable::CIoTable(IRefCounted* adoConnection, const char* source, const char* keyColumnName, const char* rowPattern,
                   const char* columnPattern, int tableType, const char* label) {
    m_Description.SetAdoConnection(adoConnection);
    m_Description.m_Strings[0] = Text(source);
    m_Description.m_Strings[7] = Text(label);
    m_Description.m_nTableType = tableType;
    m_Description.m_nInUse = 1;
    Read(keyColumnName, rowPattern, columnPattern);
}

CIoTable::CIoTable(const CIoTableDescription& description, const char* keyColumnName, const char* rowPattern,
                   const char* columnPattern)
    : m_Description(description) {
    m_Description.m_nInUse = 1;
    Read(keyColumnName, rowPattern, columnPattern);
}

CIoTable::CIoTable(const CIoTableDescription& description, const char* columnPattern)
    : m_Description(description) {
    m_Description.m_nInUse = 1;
    Read("", "", columnPattern);
}

int CIoTable::Read(const char* keyColumnName, const char* rowPattern, const char* columnPattern) {
    m_strSourceText = m_Description.m_Strings[0];
    m_strTableText = m_Description.m_Strings[1];
    TableReadRequest request(m_Description, m_KeyColumns, m_DataColumns, m_Rows, m_ExtraRows1, m_ExtraRows2);
    request.keyFields = Text(keyColumnName);
    request.keyValues = Text(rowPattern);
    request.extractColumns = Text(columnPattern);
    m_nStatus = ReadTableByType(request);
    for (int i = 0; i < 3; ++i) m_nReaderResults[i] = request.results[i];
    if (!request.sheetLabel.empty()) m_strSheetLabel = request.sheetLabel;
    return m_nStatus;
}

const std::string& CIoTable::GetColumnName(int c) const { return m_DataColumns.GetAt(c)->m_strName; }
int CIoTable::GetColumnType(int c) const { return m_DataColumns.GetAt(c)->m_nSqlType; }
int CIoTable::FindColumn(const char* name) const { return m_DataColumns.FindColumn(name); }
std::string CIoTable::GetRowName(int r, int keyIndex) const { return m_Rows.GetKeyText(r, keyIndex); }
bool CIoTable::IsNull(int r, int c) const { return m_Rows.IsNull(r, c); }
const char* CIoTable::GetValueText(int r, int c) const { return m_Rows.GetCellTextPtr(r, c); }
double CIoTable::GetValueNumber(int r, int c) const { return m_Rows.GetCellDouble(r, c); }
COleDateTime CIoTable::GetDateValue(int r, int c) const { return m_Rows.GetCellDate(r, c); }
