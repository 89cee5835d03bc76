// The ADO table source: the provider sequence, the columns with the
// text-or-date map, the statement and the extraction from VARIANT values.
#include "sources/database/AdoTbl.h"

#include "platform/Messages.h"
#include "platform/oleauto/ScopedVariant.h"
#include "platform/TextConv.h"
#include "platform/registry/Registry.h"
#include "sources/database/DbClassMessages.h"
#include "sources/database/OdbcIds.h"
#include "sources/ReaderEntry.h"

#include <limits>
#include <optional>

namespace {

using namespace odbc_ids;
using namespace dbclass_messages;

std::optional<bool> g_ace16Registered;
bool g_ace16Failed = false;

bool HasPattern(const std::string& value) {
    return value.find_first_of("*?") != std::string::npos || value.find("...") != std::string::npos;
}

}  // namespace

CAdoTbl::CAdoTbl(std::ostream* log, CIOOptions* options) : CMfcOdbcTbl(log, options) {}

CAdoTbl::~CAdoTbl() {
    if (m_pRecordset && m_pRecordset->GetState() == adStateOpen) m_pRecordset->Close();
    m_pRecordset.reset();
    if (m_pConnection) m_pConnection->Release();
}

bool CAdoTbl::IsAce16Registered() {
    if (!g_ace16Registered) g_ace16Registered = dulo::RegistryKeyExists(kAce16ClassKey);
    return *g_ace16Registered;
}

bool CAdoTbl::Ace16Failed() { return g_ace16Failed; }

void CAdoTbl::ResetProviderState() {
    g_ace16Registered.reset();
    g_ace16Failed = false;
}

int CAdoTbl::ReportAdoError(const dulo::Message& m, const std::string& name, const CComError& e) {
    return ReportFileException(m, name, e);
}

bool CAdoTbl::OpenWithProvider(const char* provider, const std::string& path) {
    CoUninitialize();
    CoInitialize(nullptr);
    try {
        m_pConnection->Open(std::string("Provider=") + provider + ";Data Source=" + path, m_strUserName, m_strPassword,
                            -1);
        return true;
    } catch (const CComError& e) {
        LogLine(std::string(provider) + ": " + e.Description());
        return false;
    }
}

bool CAdoTbl::OpenTable(const CIoTableDescription& description) {
    m_Description = description;
    const std::string& path = description.m_Strings[0];
    m_strTableName = description.m_Strings[1];
    m_strUserName = description.m_Strings[3];
    m_strPassword = description.m_Strings[4];
    m_strSourceName = path;

    auto* connection = dynamic_cast<CAdoConnection*>(description.GetAdoConnection());
    if (connection) connection->AddRef();
    if (m_pConnection) m_pConnection->Release();
    m_pConnection = connection;
    if (!m_pConnection) return false;

    if (m_pConnection->GetState() == adStateClosed) {
        // The 16.0 provider is tried until it has failed once in this process;
        // after that only the 12.0 provider is asked.
        bool open = false;
        if (!g_ace16Failed && IsAce16Registered()) {
            open = OpenWithProvider(kAce16Provider, path);
            if (!open) g_ace16Failed = true;
        } else {
            g_ace16Failed = true;
        }
        if (!open && !OpenWithProvider(kAce12Provider, path)) return false;
    }
    if (!ReadColumns()) return false;
    m_bOpen = true;
    return true;
}

int CAdoTbl::ColumnTypeOfAdoType(int adoType) {
    switch (adoType) {
    case adSmallInt:
    case adInteger:
    case adUnsignedInt: return 5;
    case adBigInt:
    case adUnsignedBigInt: return 4;
    case adSingle: return 7;
    case adDouble: return 8;
    case adCurrency:
    case adDecimal: return 3;
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp: return 11;
    case adBSTR:
    case adChar:
    case adWChar:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar: return 1;
    case adBoolean: return -7;
    case adTinyInt:
    case adUnsignedTinyInt: return -6;
    default: return 0;
    }
}

bool CAdoTbl::ReadColumns() {
    std::unique_ptr<CAdoRecordset> recordset;
    try {
        recordset = m_pConnection->Execute("SELECT * FROM " + m_strTableName);
    } catch (const CComError& e) {
        return ReportAdoError(kIdOpenTableFailed, m_strTableName, e);
    }
    m_Columns.RemoveAll();
    m_TextOrDate.clear();
    try {
        for (long i = 0; i < recordset->GetFieldCount(); ++i) {
            const CAdoField& field = recordset->GetItem(i);
            m_TextOrDate[field.GetName()] = false;
            int type = ColumnTypeOfAdoType(field.GetType());
            if (type == 1 || type == 11) m_TextOrDate[field.GetName()] = true;
            if (type == 0) {
                if (m_pOptions && m_pOptions->SkipUnsupportedColumns()) {
                    ReportWarning(kIdColumnSkipped, field.GetName());
                    continue;
                }
                // Kept as text, as the database-class table keeps it.
                type = 1;
            }
            auto* c = new CColumn(field.GetName().c_str(), short(type), 0, 0, 1, nullptr);
            c->m_nOrdinal = m_Columns.GetSize();
            m_Columns.Add(c);
        }
        recordset->Close();
    } catch (const CComError& e) {
        return ReportAdoError(kIdColumnInfoFailed, m_strTableName, e);
    }
    return true;
}

std::string CAdoTbl::BuildAdoSelect() {
    std::string sql = "SELECT ";
    bool first = true;
    for (const CIoKeyCell* e : *m_pExtractSelection) {
        if (!first) sql += ",";
        sql += e->GetName();
        first = false;
    }
    bool anyKey = false;
    for (const CIoKeyCell* k : m_KeySelection) {
        if (k->GetIndex() < 0) continue;
        sql += std::string(",") + k->GetName();
        anyKey = true;
    }
    sql += " FROM " + m_strTableName;
    if (!anyKey) return sql;
    std::string where;
    for (int i = 0; i < m_KeySelection.GetSize(); ++i) {
        const CIoKeyCell* k = m_KeySelection.GetAt(i);
        if (k->GetIndex() < 0 || size_t(i) >= m_KeyValues.size()) continue;
        const std::string& value = m_KeyValues[size_t(i)];
        if (value == "*") continue;
        const std::string name = k->GetName();
        const int type = m_Columns.GetAt(k->GetIndex())->m_nSqlType;
        std::string condition;
        if (value == "NULL")
            condition = name + " IS NULL ";
        else if (value == "NOT NULL")
            condition = name + " IS NOT NULL";
        else if (HasPattern(value))
            condition = name + " LIKE " + GetLiteralPrefix(type) + LikePattern(value) + GetLiteralSuffix(type);
        else {
            auto flag = m_TextOrDate.find(name);
            bool quoted = flag != m_TextOrDate.end() && flag->second;
            condition = name + " = " + (quoted ? " '" + value + "' " : value);
        }
        if (!where.empty()) where += " AND ";
        where += condition;
    }
    if (!where.empty()) sql += " WHERE " + where;
    return sql;
}

CIoCell* CAdoTbl::MakeCell(const VARIANT& v, int columnType) {
    switch (v.vt) {
    case VT_I2: return new CIoShortCell(v.iVal, false, false);
    case VT_I4: return new CIoLongCell(int32_t(v.lVal), false, false);
    case VT_R4: return new CIoFloatCell(v.fltVal, false, false);
    case VT_R8: return new CIoDoubleCell(v.dblVal, false, false);
    case VT_CY: return new CIoDoubleCell(double(v.cyVal.int64) / 10000.0, false, false);
    case VT_DATE: return new CIoTimeStampCell(v.date, false, false);
    case VT_BSTR: return new CIoStrCell(dulo::Utf8FromBstr(v.bstrVal).c_str(), false, false);
    case VT_BOOL: return new CIoShortCell(int16_t(v.boolVal ? -1 : 0), false, false);
    case VT_UI1: return new CIoBitCell(v.bVal, false, false);
    // A decimal keeps its value (scale and sign included) in a double cell.
    case VT_DECIMAL: return new CIoDoubleCell(dulo::ado::DecimalToDouble(v), false, false);
    // A big integer: a long cell while it fits, else a double cell, never lost.
    case VT_I8:
        if (v.llVal >= std::numeric_limits<int32_t>::min() && v.llVal <= std::numeric_limits<int32_t>::max())
            return new CIoLongCell(int32_t(v.llVal), false, false);
        return new CIoDoubleCell(double(v.llVal), false, false);
    default: break;
    }
    return NullCellOf(columnType);
}

bool CAdoTbl::ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                          const char* keyFields, const char* keyValues, const char* extractColumns,
                          std::vector<std::string>* keyValuesOut, int) {
    if (!ParseExtractColumns(extractColumns)) return false;
    if (const dulo::Message* m = SelectKeys(keyFields, keyValues, keyValuesOut)) return ReportError(*m);
    FillKeyHeadings(keyHeadings);
    FillColumnHeadings(columnHeadings);

    m_strStatement = BuildAdoSelect();
    LogLine(m_strStatement);
    const int before = rows.GetSize();
    try {
        if (m_pRecordset && m_pRecordset->GetState() == adStateOpen) m_pRecordset->Close();
        m_pRecordset.reset();
        if (!m_pConnection) return false;
        m_pRecordset = m_pConnection->Execute(m_strStatement);
        const int extractCount = m_pExtractSelection->GetSize();
        while (!m_pRecordset->IsEOF()) {
            auto* row = new CIoRow();
            rows.Add(row);
            for (int i = 0; i < extractCount; ++i) {
                dulo::ScopedVariant value;
                value.v = m_pRecordset->GetItem(i).GetValue();
                int column = m_pExtractSelection->GetAt(i)->GetIndex();
                row->m_DataCells.Add(MakeCell(value.v, column >= 0 ? m_Columns.GetAt(column)->m_nSqlType : 1));
            }
            for (const CIoKeyCell* k : m_KeySelection) {
                long position = -1;
                for (long f = 0; k->GetIndex() >= 0 && f < m_pRecordset->GetFieldCount(); ++f)
                    if (m_pRecordset->GetItem(f).GetName() == k->GetName()) {
                        position = f;
                        break;
                    }
                if (position < 0) {
                    row->m_KeyCells.Add(new CIoStrCell("", false, false));
                    continue;
                }
                dulo::ScopedVariant value;
                value.v = m_pRecordset->GetItem(position).GetValue();
                row->m_KeyCells.Add(MakeCell(value.v, m_Columns.GetAt(k->GetIndex())->m_nSqlType));
            }
            m_pRecordset->MoveNext();
        }
        m_pRecordset->Close();
    } catch (const CComError& e) {
        return ReportAdoError(kIdOpenTableFailed, m_strTableName, e);
    }
    if (rows.GetSize() == before) ReportWarning(kIdNoMatch);
    return true;
}

bool CAdoTbl::CloseTable(bool) {
    m_bOpen = false;
    return true;
}

int ReadAdoTable(TableReadRequest& request) {
    // This entry leaves the three source results of the request as they were.
    int32_t kept[3] = {request.results[0], request.results[1], request.results[2]};
    int result = RunReaderEntry<CAdoTbl>(request);
    for (int i = 0; i < 3; ++i) request.results[i] = kept[i];
    return result;
}
