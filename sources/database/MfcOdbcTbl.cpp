// The database-class table source: opening in either mode, the identifier
// quote, the columns, literals, the statement and the extraction.
#include "sources/database/MfcOdbcTbl.h"

#include "platform/Messages.h"
#include "sources/database/DbClassMessages.h"
#include "sources/database/OdbcIds.h"
#include "sources/ReaderEntry.h"

#include <cstring>
#include <strings.h>

namespace {

using namespace odbc_ids;
using namespace dbclass_messages;

constexpr const char* kQueryPrefix = "Query::";

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool HasPattern(const std::string& value) {
    return value.find_first_of("*?") != std::string::npos || value.find("...") != std::string::npos;
}

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace

CMfcOdbcTbl::CMfcOdbcTbl(std::ostream* log, CIOOptions* options) : CBaseTbl(log, options) {}

CMfcOdbcTbl::~CMfcOdbcTbl() {
    if (m_bOwnsDatabase) delete m_pDatabase;
}

int CMfcOdbcTbl::ReportDbException(const dulo::Message& m, const std::string& name, const CDBException& e) {
    return ReportFileException(m, name, e, e.m_strStateNativeOrigin.empty() ? nullptr : e.m_strStateNativeOrigin.c_str());
}

// ---- opening ----

bool CMfcOdbcTbl::OpenTable(const CIoTableDescription& description) {
    m_Description = description;
    const std::string& path = description.m_Strings[0];
    m_strTableName = description.m_Strings[1];
    m_strDataSource = description.m_Strings[2];
    m_strUserName = description.m_Strings[3];
    m_strPassword = description.m_Strings[4];
    m_bQuery = m_strTableName.size() >= 7 && strncasecmp(m_strTableName.c_str(), kQueryPrefix, 7) == 0;
    if (m_bQuery) m_strTableName.erase(0, 7);

    if (m_strDataSource.empty() || !path.empty()) {
        m_nConnectionMode = kModeAccessFile;
        m_strConnect = "ODBC; Driver={Microsoft Access Driver (*.mdb)};DBQ=" + path;
        m_strSourceName = path;
    } else {
        m_nConnectionMode = kModeDataSource;
        m_strConnect = "ODBC;UID=" + m_strUserName + ";PWD=" + m_strPassword + ";DSN=" + m_strDataSource;
        m_strSourceName = m_strDataSource;
    }

    if (description.m_pDatabase) {
        if (m_bOwnsDatabase) delete m_pDatabase;
        m_pDatabase = description.m_pDatabase;
        m_bOwnsDatabase = false;
    } else {
        if (!m_bOwnsDatabase || !m_pDatabase) {
            m_pDatabase = new CDatabase();
            m_bOwnsDatabase = true;
        }
        try {
            if (!m_pDatabase->OpenEx(m_strConnect, CDatabase::noOdbcDialog | CDatabase::useCursorLib)) return false;
        } catch (const CDBException& e) {
            return ReportDbException(kIdOpenDatabaseFailed, m_strSourceName, e);
        }
    }

    if (m_nConnectionMode == kModeAccessFile)
        m_strIdentifierQuote.assign(1, '`');
    else if (!ReadIdentifierQuote())
        return false;

    if (!ReadColumns()) return false;
    m_bOpen = true;
    return true;
}

bool CMfcOdbcTbl::ReadIdentifierQuote() {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (SQLAllocEnv(&env) == SQL_ERROR) return ReportError(kIdAllocEnvFailed);
    if (SQLAllocConnect(env, &dbc) != SQL_SUCCESS) {
        SQLFreeEnv(env);
        return ReportError(kIdAllocConnectFailed);
    }
    auto text = [](std::string& s) { return reinterpret_cast<SQLCHAR*>(s.data()); };
    // An empty name goes as a zero-length one, as the ODBC source sends it.
    SQLRETURN rc = SQLConnect(dbc, text(m_strDataSource), m_strDataSource.empty() ? 0 : SQLSMALLINT(SQL_NTS),
                              text(m_strUserName), SQL_NTS, text(m_strPassword), SQL_NTS);
    bool ok = true;
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        ok = ReportError(kIdConnectFailed);
    } else {
        char quote[128] = {0};
        SQLSMALLINT length = 0;
        if (!Ok(SQLGetInfo(dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length)))
            ok = ReportError(kIdGetInfoFailed);
        else
            m_strIdentifierQuote.assign(quote, strnlen(quote, sizeof quote));
        if (!Ok(SQLDisconnect(dbc))) ok = ReportError(kIdDisconnectFailed);
    }
    if (SQLFreeConnect(dbc) != SQL_SUCCESS) ok = ReportError(kIdFreeConnectFailed);
    if (SQLFreeEnv(env) != SQL_SUCCESS) ok = ReportError(kIdFreeEnvFailed);
    return ok;
}

// ---- columns ----

int CMfcOdbcTbl::ColumnTypeOfSqlType(int sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR: return 1;
    case SQL_DECIMAL:
    case SQL_INTEGER: return 4;
    case SQL_SMALLINT: return 5;
    case SQL_FLOAT: return 7;
    case SQL_DOUBLE: return 8;
    case SQL_TIMESTAMP: return 11;
    case SQL_BIT: return -7;
    case SQL_TINYINT: return -6;
    default: return 0;
    }
}

void CMfcOdbcTbl::OpenWithFallback(CRecordset& recordset, const std::string& sql, const std::string& fallback) {
    try {
        recordset.Open(CRecordset::snapshot, sql);
        return;
    } catch (const CDBException&) {
        // Only a data source may need another dialect; the Access driver takes the statement.
        if (m_nConnectionMode != kModeDataSource || fallback.empty() || fallback == sql) throw;
    }
    LogLine(fallback);
    recordset.Open(CRecordset::snapshot, fallback);
}

bool CMfcOdbcTbl::ReadColumns() {
    CRecordset recordset(m_pDatabase);
    try {
        // "TOP 1" is Access SQL; a data source that refuses it is asked for no rows instead.
        OpenWithFallback(recordset, "SELECT TOP 1 * FROM " + m_strTableName,
                         "SELECT * FROM " + m_strTableName + " WHERE 1=0");
    } catch (const CDBException& e) {
        return ReportDbException(kIdOpenTableFailed, m_strTableName, e);
    }
    m_Columns.RemoveAll();
    try {
        const short count = recordset.GetODBCFieldCount();
        for (short i = 0; i < count; ++i) {
            CODBCFieldInfo info;
            recordset.GetODBCFieldInfo(i, info);
            int type = ColumnTypeOfSqlType(info.m_nSQLType);
            if (type == 0) {
                if (m_pOptions && m_pOptions->SkipUnsupportedColumns()) {
                    ReportWarning(kIdColumnSkipped, info.m_strName);
                    continue;
                }
                // Kept as text: its values arrive as text or as a null text cell.
                type = 1;
            }
            auto* c = new CColumn(info.m_strName.c_str(), type, int32_t(info.m_nPrecision), 0,
                                  info.m_nNullability != 0, nullptr);
            c->m_nOrdinal = m_Columns.GetSize();
            m_Columns.Add(c);
        }
    } catch (const CDBException& e) {
        return ReportDbException(kIdColumnInfoFailed, m_strTableName, e);
    }
    recordset.Close();
    return true;
}

// ---- literals ----

std::string CMfcOdbcTbl::GetLiteralPrefix(int sqlType) {
    switch (sqlType) {
    case 1: case 2: case 3: case 12: case -1: return "'";
    case 9: return m_nConnectionMode == kModeDataSource ? "{d '" : "#";
    case 10: return m_nConnectionMode == kModeDataSource ? "{t '" : "#";
    case 11: return m_nConnectionMode == kModeDataSource ? "{ts '" : "#";
    default: return "";
    }
}

std::string CMfcOdbcTbl::GetLiteralSuffix(int sqlType) {
    switch (sqlType) {
    case 1: case 2: case 3: case 12: case -1: return "'";
    case 9: case 10: case 11: return m_nConnectionMode == kModeDataSource ? "'}" : "#";
    default: return "";
    }
}

std::string CMfcOdbcTbl::FormatLiteral(const char* text, int sqlType) {
    return GetLiteralPrefix(sqlType) + (text ? text : "") + GetLiteralSuffix(sqlType);
}

std::string CMfcOdbcTbl::GetTypeName(int sqlType) {
    switch (sqlType) {
    case 1: case 12: case -1: return "CHAR";
    case 2: return "NUMBER";
    case 3: return "CURRENCY";
    case 4: return "INTEGER";
    case 5: return "SMALLINT";
    case 6: case 7: return "REAL";
    case 8: return "DOUBLE";
    case 9: return "DATE";
    case 10: return "TIME";
    case 11: return "TIMESTAMP";
    case -7: return "BIT";
    case -6: return "BYTE";
    default: return "";
    }
}

std::string CMfcOdbcTbl::GetCreateParams(int sqlType) {
    return sqlType == 1 || sqlType == 12 || sqlType == -1 ? "1" : "";
}

bool CMfcOdbcTbl::DropTable(const char*) { return false; }
bool CMfcOdbcTbl::CreateTableFromColumns(const char*, CColumnArray&) { return false; }

// ---- the statement ----

std::string CMfcOdbcTbl::LikePattern(const std::string& value) {
    std::string pattern = value;
    ReplaceAll(pattern, "...", "*");
    return pattern;
}

std::string CMfcOdbcTbl::BuildSelect(const std::string& from, const std::string& q) const {
    auto* self = const_cast<CMfcOdbcTbl*>(this);  // the literal operations are not const in the source interface
    std::string sql = "SELECT ";
    bool first = true;
    for (const CIoKeyCell* e : *m_pExtractSelection) {
        if (!first) sql += ",";
        sql += q + e->GetName() + q;
        first = false;
    }
    bool anyKey = false;
    for (const CIoKeyCell* k : m_KeySelection) {
        if (k->GetIndex() < 0) continue;
        sql += "," + q + k->GetName() + q;
        anyKey = true;
    }
    sql += " FROM " + from;
    if (!anyKey) return sql;
    std::string where;
    for (int i = 0; i < m_KeySelection.GetSize(); ++i) {
        const CIoKeyCell* k = m_KeySelection.GetAt(i);
        if (k->GetIndex() < 0 || size_t(i) >= m_KeyValues.size()) continue;
        const std::string& value = m_KeyValues[size_t(i)];
        if (value == "*") continue;
        const int type = m_Columns.GetAt(k->GetIndex())->m_nSqlType;
        std::string condition = q + k->GetName() + q;
        if (value == "NULL")
            condition += " IS NULL";
        else if (value == "NOT NULL")
            condition += " IS NOT NULL";
        else if (HasPattern(value))
            condition += " LIKE " + self->GetLiteralPrefix(type) + LikePattern(value) + self->GetLiteralSuffix(type);
        else
            condition += "=" + self->FormatLiteral(value.c_str(), type);
        if (!where.empty()) where += " AND ";
        where += condition;
    }
    if (!where.empty()) sql += " WHERE " + where;
    return sql;
}

// ---- extraction ----

CIoCell* CMfcOdbcTbl::NullCellOf(int columnType) {
    switch (columnType) {
    case 3:
    case 8: return new CIoDoubleCell();
    case 4: return new CIoLongCell();
    case 5: return new CIoShortCell();
    case 7: return new CIoFloatCell();
    case 11: return new CIoTimeStampCell();
    case -7: return new CIoBitCell();
    case -6: return new CIoTinyIntCell();
    default: return new CIoStrCell();
    }
}

CIoCell* CMfcOdbcTbl::MakeCell(const CDBVariant& v, int columnType) {
    switch (v.m_dwType) {
    case DBVT_BOOL: return new CIoShortCell(int16_t(v.m_boolVal ? 1 : 0), false, false);
    case DBVT_UCHAR: return new CIoBitCell(uint8_t(v.m_chVal), false, false);
    case DBVT_SHORT: return new CIoShortCell(v.m_iVal, false, false);
    case DBVT_LONG: return new CIoLongCell(v.m_lVal, false, false);
    case DBVT_SINGLE: return new CIoFloatCell(v.m_fltVal, false, false);
    case DBVT_DOUBLE: return new CIoDoubleCell(v.m_dblVal, false, false);
    case DBVT_DATE: {
        double date = 0;
        bool valid = dulo::CalendarToOleDate(v.m_date.year, v.m_date.month, v.m_date.day, v.m_date.hour,
                                             v.m_date.minute, v.m_date.second, date);
        return new CIoTimeStampCell(COleDateTime(valid ? date : 0.0, valid ? COleDateTime::valid : COleDateTime::invalid),
                                    false, false);
    }
    case DBVT_STRING:
    case DBVT_ASTRING: return new CIoStrCell(v.m_strVal.c_str(), false, false);
    case DBVT_WSTRING: {
        std::string narrow;
        for (wchar_t c : v.m_wstrVal) narrow += c < 0x80 ? char(c) : '?';
        return new CIoStrCell(narrow.c_str(), false, false);
    }
    default: break;
    }
    return NullCellOf(columnType);
}

bool CMfcOdbcTbl::ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                              const char* keyFields, const char* keyValues, const char* extractColumns,
                              std::vector<std::string>* keyValuesOut, int) {
    if (!ParseExtractColumns(extractColumns)) return false;
    if (const dulo::Message* m = SelectKeys(keyFields, keyValues, keyValuesOut)) return ReportError(*m);
    FillKeyHeadings(keyHeadings);
    FillColumnHeadings(columnHeadings);
    if (!m_pDatabase || !m_pDatabase->IsOpen()) return true;

    const int before = rows.GetSize();
    try {
        m_strStatement = BuildSelect("[" + m_strTableName + "]");
        LogLine(m_strStatement);
        CRecordset recordset(m_pDatabase);
        // Brackets and bare names are Access SQL; a data source that refuses
        // them gets table and column names in its own quote.
        const std::string& q = m_strIdentifierQuote == " " ? std::string() : m_strIdentifierQuote;
        OpenWithFallback(recordset, m_strStatement, BuildSelect(q + m_strTableName + q, q));
        const int extractCount = m_pExtractSelection->GetSize();
        while (!recordset.IsEOF()) {
            auto* row = new CIoRow();
            rows.Add(row);
            CDBVariant value;
            for (short i = 0; i < extractCount; ++i) {
                recordset.GetFieldValue(i, value);
                int column = m_pExtractSelection->GetAt(i)->GetIndex();
                row->m_DataCells.Add(MakeCell(value, column >= 0 ? m_Columns.GetAt(column)->m_nSqlType : 1));
            }
            recordset.RefreshRowset();
            for (const CIoKeyCell* k : m_KeySelection) {
                if (k->GetIndex() < 0) {
                    row->m_KeyCells.Add(new CIoStrCell("", false, false));
                    continue;
                }
                recordset.GetFieldValue(k->GetName(), value);
                row->m_KeyCells.Add(MakeCell(value, m_Columns.GetAt(k->GetIndex())->m_nSqlType));
            }
            recordset.MoveNext();
        }
        recordset.Close();
    } catch (const CDBException& e) {
        return ReportDbException(kIdOpenTableFailed, m_strTableName, e);
    }
    if (rows.GetSize() == before) ReportWarning(kIdNoMatch);
    return true;
}

bool CMfcOdbcTbl::CloseTable(bool) {
    m_bOpen = false;
    if (m_bOwnsDatabase && m_pDatabase) {
        if (m_pDatabase->IsOpen()) m_pDatabase->Close();
        delete m_pDatabase;
        m_pDatabase = nullptr;
        m_bOwnsDatabase = false;
    } else if (!m_bOwnsDatabase) {
        m_pDatabase = nullptr;
    }
    return true;
}

int ReadMfcOdbcTable(TableReadRequest& request) { return RunReaderEntry<CMfcOdbcTbl>(request); }
