// The ODBC table source: connecting, the table's columns, the driver's types
// and identifier quote, the error details, closing and the reader entry.
#include "sources/database/ODBCTbl.h"

#include "platform/Messages.h"
#include "sources/database/OdbcIds.h"
#include "sources/ReaderEntry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

using namespace odbc_ids;

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// A driver may fill a text result without a terminator when it is cut.
std::string BoundText(const char* buffer, size_t size, SQLLEN indicator) {
    if (indicator == SQL_NULL_DATA) return std::string();
    return std::string(buffer, strnlen(buffer, size));
}

// Where the directory part of a table name ends: after the last "/" or "\",
// or after a drive letter; 0 when there is none.
size_t DirectoryEnd(const std::string& name) {
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) return slash + 1;
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) return 2;
    return 0;
}

}  // namespace

namespace odbc_ids {

short Odbc2Type(short type) {
    switch (type) {
    case SQL_TYPE_DATE: return SQL_DATE;
    case SQL_TYPE_TIME: return SQL_TIME;
    case SQL_TYPE_TIMESTAMP: return SQL_TIMESTAMP;
    default: return type;
    }
}

}  // namespace odbc_ids

CODBCTbl::CODBCTbl(std::ostream* log, CIOOptions* options) : CBaseTbl(log, options) {}

CODBCTbl::~CODBCTbl() { ReleaseHandles(false); }

// ---- opening ----

bool CODBCTbl::OpenTable(const CIoTableDescription& description) {
    m_Description = description;
    m_strSourceName = description.m_Strings[0];
    m_strTableName = description.m_Strings[1];
    m_strDataSource = description.m_Strings[2];
    m_strUserName = description.m_Strings[3];
    m_strPassword = description.m_Strings[4];
    if (!Connect()) return false;
    if (!ReadColumns() || !ReadTypeInfo() || !ReadIdentifierQuote()) return false;
    m_bOpen = true;
    return true;
}

bool CODBCTbl::Connect() {
    m_TypeInfo.RemoveAll();
    m_nLastResult = SQLAllocEnv(&m_hEnv);
    if (m_nLastResult == SQL_ERROR) {
        LogLine(kIdAllocEnvFailed);
        LogLine(kIdCheckDrivers);
        return ReportOdbcError(nullptr, true);
    }
    m_nLastResult = SQLAllocConnect(m_hEnv, &m_hDbc);
    if (m_nLastResult != SQL_SUCCESS) {
        LogLine(kIdAllocConnectFailed);
        LogLine(kIdCheckDrivers);
        return ReportOdbcError(nullptr, true);
    }
    SQLULEN timeout = SQLULEN(std::max<int32_t>(0, m_pOptions ? m_pOptions->GetTimeout() : 15));
    m_nLastResult = SQLSetConnectOption(m_hDbc, SQL_LOGIN_TIMEOUT, timeout);
    if (!Ok(m_nLastResult)) {
        LogLine(kIdSetTimeoutFailed);
        LogLine(kIdCheckDrivers);
        return ReportOdbcError(nullptr, true);
    }
    // An empty name goes as a zero-length one, so that the driver manager's
    // [Default] data source answers; drivers refuse an empty terminated name.
    auto* dsn = reinterpret_cast<SQLCHAR*>(const_cast<char*>(m_strDataSource.c_str()));
    SQLSMALLINT dsnLength = m_strDataSource.empty() ? 0 : SQLSMALLINT(SQL_NTS);
    m_nLastResult = SQLConnect(m_hDbc, dsn, dsnLength,
                               reinterpret_cast<SQLCHAR*>(const_cast<char*>(m_strUserName.c_str())), SQL_NTS,
                               reinterpret_cast<SQLCHAR*>(const_cast<char*>(m_strPassword.c_str())), SQL_NTS);
    if (!Ok(m_nLastResult)) {
        LogLine(kIdConnectFailed);
        LogLine(kIdConnectParameters);
        LogLine(kIdDataSourceName, m_strDataSource);
        LogLine(kIdUserName, m_strUserName);
        LogLine(kIdPassword, m_strPassword);
        return ReportOdbcError(kIdConnectFailed.text, true);
    }
    m_nLastResult = SQLAllocStmt(m_hDbc, &m_hStmt);
    if (m_nLastResult != SQL_SUCCESS) {
        m_hStmt = SQL_NULL_HSTMT;
        return ReportOdbcError(kIdAllocStmtFailed.text, true);
    }
    return true;
}

// ---- metadata ----

CODBCTbl::TableNameParts CODBCTbl::SplitTableName(const std::string& name) {
    TableNameParts parts;
    size_t dirEnd = DirectoryEnd(name);
    std::string directory = name.substr(0, dirEnd), file = name.substr(dirEnd);
    if (!directory.empty() && directory.back() == '\\') directory.pop_back();
    parts.table = file;
    if (!directory.empty()) {
        parts.catalog = directory;
        parts.hasCatalog = true;
    } else if (size_t dot = file.find('.', 1); !file.empty() && dot != std::string::npos) {
        parts.schema = file.substr(0, dot);
        parts.table = file.substr(dot + 1);
        parts.hasSchema = true;
    }
    return parts;
}

bool CODBCTbl::ReadColumns() {
    TableNameParts p = SplitTableName(m_strTableName);
    auto text = [](std::string& s) { return reinterpret_cast<SQLCHAR*>(s.data()); };
    m_nLastResult = SQLColumns(m_hStmt, p.hasCatalog ? text(p.catalog) : nullptr, p.hasCatalog ? SQL_NTS : 0,
                               p.hasSchema ? text(p.schema) : nullptr, p.hasSchema ? SQL_NTS : 0, text(p.table),
                               SQL_NTS, nullptr, 0);
    const std::string failed = kIdColumnsFailed.text;
    if (m_nLastResult != SQL_SUCCESS) return ReportOdbcError(failed.c_str(), true);

    char qualifier[129], owner[129], tableName[129], columnName[129], typeName[129], remarks[255];
    SQLSMALLINT dataType, scale, radix, nullable;
    SQLINTEGER precision, length;
    SQLLEN ind[12];
    struct Text {
        int column;
        char* buffer;
        SQLLEN size;
    } texts[] = {{1, qualifier, 129}, {2, owner, 129}, {3, tableName, 129}, {4, columnName, 129},
                 {6, typeName, 129},  {12, remarks, 255}};
    for (const Text& t : texts) SQLBindCol(m_hStmt, SQLUSMALLINT(t.column), SQL_C_CHAR, t.buffer, t.size, &ind[t.column - 1]);
    // Signed binding first; a driver that refuses it gets the plain one.
    auto bindShort = [&](int column, SQLSMALLINT* value) {
        if (!Ok(SQLBindCol(m_hStmt, SQLUSMALLINT(column), SQL_C_SSHORT, value, 0, &ind[column - 1])))
            SQLBindCol(m_hStmt, SQLUSMALLINT(column), SQL_C_SHORT, value, 0, &ind[column - 1]);
    };
    auto bindLong = [&](int column, SQLINTEGER* value) {
        if (!Ok(SQLBindCol(m_hStmt, SQLUSMALLINT(column), SQL_C_SLONG, value, 0, &ind[column - 1])))
            SQLBindCol(m_hStmt, SQLUSMALLINT(column), SQL_C_LONG, value, 0, &ind[column - 1]);
    };
    bindShort(5, &dataType);
    bindLong(7, &precision);
    bindLong(8, &length);
    bindShort(9, &scale);
    bindShort(10, &radix);
    bindShort(11, &nullable);

    m_Columns.RemoveAll();
    for (;;) {
        columnName[0] = '\0';
        dataType = scale = radix = nullable = 0;
        precision = length = 0;
        m_nLastResult = SQLFetch(m_hStmt);
        if (m_nLastResult != SQL_SUCCESS) break;
        std::string column = BoundText(columnName, sizeof columnName, ind[3]);
        short type = odbc_ids::Odbc2Type(dataType);
        if (column == "DATETIMEID") type = SQL_TIMESTAMP;
        if (m_pOptions && m_pOptions->SkipUnsupportedColumns() &&
            (type == SQL_LONGVARBINARY || type == SQL_VARBINARY || type == SQL_BINARY)) {
            LogLine(kIdColumnSkipped, column);
            continue;
        }
        // The length a driver leaves empty is taken from the column size.
        int32_t size = ind[7] == SQL_NULL_DATA || length <= 0 ? (ind[6] == SQL_NULL_DATA ? 0 : precision) : length;
        CColumn* c = new CColumn(column.c_str(), type, size, ind[8] == SQL_NULL_DATA ? 0 : scale,
                                 ind[10] == SQL_NULL_DATA ? 1 : nullable, nullptr);
        c->m_nOrdinal = m_Columns.GetSize();
        m_Columns.Add(c);
    }
    if (m_nLastResult == SQL_ERROR || m_nLastResult == SQL_SUCCESS_WITH_INFO ||
        (m_nLastResult == SQL_NO_DATA && m_Columns.IsEmpty()))
        return ReportOdbcError(failed.c_str(), true);
    SQLFreeStmt(m_hStmt, SQL_UNBIND);
    m_nLastResult = SQLFreeStmt(m_hStmt, SQL_CLOSE);
    if (m_nLastResult != SQL_SUCCESS) return ReportOdbcError(kIdFreeStmtFailed.text, true);
    return true;
}

bool CODBCTbl::ReadTypeInfo() {
    m_nLastResult = SQLGetTypeInfo(m_hStmt, SQL_ALL_TYPES);
    if (m_nLastResult != SQL_SUCCESS) return ReportOdbcError(kIdTypeInfoFailed.text, true);

    CIoSqlTypeInfo record;
    // The precision is a 32-bit column: read into its own integer and narrowed,
    // never written into the 16-bit field.
    SQLINTEGER precision = 0;
    SQLLEN ind[13];
    char* texts[] = {record.m_szTypeName, record.m_szLiteralPrefix, record.m_szLiteralSuffix, record.m_szCreateParams,
                     record.m_szLocalTypeName};
    const int textColumns[] = {1, 4, 5, 6, 13};
    int16_t* shorts[] = {&record.m_nDataType, &record.m_nNullable, &record.m_nCaseSensitive, &record.m_nSearchable,
                         &record.m_nUnsigned, &record.m_nMoney, &record.m_nAutoIncrement};
    const int shortColumns[] = {2, 7, 8, 9, 10, 11, 12};
    bool bound = true;
    for (int i = 0; i < 5; ++i)
        bound &= Ok(SQLBindCol(m_hStmt, SQLUSMALLINT(textColumns[i]), SQL_C_CHAR, texts[i], CIoSqlTypeInfo::kTextSize,
                               &ind[textColumns[i] - 1]));
    for (int i = 0; i < 7; ++i)
        bound &= Ok(SQLBindCol(m_hStmt, SQLUSMALLINT(shortColumns[i]), SQL_C_SSHORT, shorts[i], 0,
                               &ind[shortColumns[i] - 1]));
    bound &= Ok(SQLBindCol(m_hStmt, 3, SQL_C_SLONG, &precision, 0, &ind[2]));
    if (!bound) return ReportOdbcError(kIdBindColFailed.text, true);

    for (;;) {
        record = CIoSqlTypeInfo();
        precision = 0;
        m_nLastResult = SQLFetch(m_hStmt);
        if (!Ok(m_nLastResult)) break;
        for (int i = 0; i < 5; ++i) {
            if (ind[textColumns[i] - 1] == SQL_NULL_DATA) texts[i][0] = '\0';
            texts[i][CIoSqlTypeInfo::kTextSize - 1] = '\0';
        }
        record.m_nPrecision = int16_t(std::clamp<SQLINTEGER>(precision, INT16_MIN, INT16_MAX));
        record.m_nDataType = odbc_ids::Odbc2Type(record.m_nDataType);
        m_TypeInfo.Add(new CIoSqlTypeInfo(record));
    }
    SQLFreeStmt(m_hStmt, SQL_UNBIND);
    m_nLastResult = SQLFreeStmt(m_hStmt, SQL_CLOSE);
    if (m_nLastResult != SQL_SUCCESS) return ReportOdbcError(kIdFreeStmtFailed.text, true);
    return true;
}

bool CODBCTbl::ReadIdentifierQuote() {
    char quote[kQuoteSize] = {};
    SQLSMALLINT length = 0;
    m_nLastResult = SQLGetInfo(m_hDbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, SQLSMALLINT(sizeof quote), &length);
    if (!Ok(m_nLastResult)) return ReportOdbcError(kIdGetInfoFailed.text, true);
    quote[sizeof quote - 1] = '\0';
    m_strIdentifierQuote = quote;
    if (m_strIdentifierQuote == " ") ReportWarning(kIdNoDelimitedIdentifiers);
    // What SQLGetData may do decides how long texts are read (OdbcFetch.cpp).
    SQLUINTEGER extensions = 0;
    if (Ok(SQLGetInfo(m_hDbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)))
        m_nGetDataExtensions = extensions;
    return true;
}

// ---- errors and closing ----

int CODBCTbl::ReportOdbcError(const char* message, bool close) {
    // Every record is taken off, whether or not it is reported; a bound guards
    // against a driver that never says it has no more.
    for (int guard = 0; guard < 256; ++guard) {
        SQLCHAR state[6] = {};
        SQLCHAR text[257] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLError(m_hEnv, m_hDbc, m_hStmt, state, &native, text, SQLSMALLINT(sizeof text - 1), &length);
        if (Ok(rc)) {
            if (m_pOptions && m_pOptions->LogOn())
                ReportError(std::string(kIdSqlState.text) + reinterpret_cast<char*>(state) + "\n\n" +
                            reinterpret_cast<char*>(text));
            continue;
        }
        if (rc == SQL_ERROR) LogLine(kIdSqlErrorFailed);
        else if (rc == SQL_INVALID_HANDLE) LogLine(kIdSqlErrorBadHandle);
        break;
    }
    if (message) ReportError(message);
    if (close) ReleaseHandles(true);
    return 0;
}

bool CODBCTbl::ReleaseHandles(bool reportFailures) {
    bool ok = true;
    auto failed = [&](const dulo::Message& m) {
        ok = false;
        if (reportFailures) ReportOdbcError(m.text, false);
    };
    if (m_hStmt != SQL_NULL_HSTMT) {
        m_nLastResult = SQLFreeStmt(m_hStmt, SQL_DROP);
        if (m_nLastResult != SQL_SUCCESS) failed(kIdFreeStmtFailed);
        m_hStmt = SQL_NULL_HSTMT;
    }
    if (m_hDbc != SQL_NULL_HDBC) {
        m_nLastResult = SQLDisconnect(m_hDbc);
        if (!Ok(m_nLastResult)) failed(kIdDisconnectFailed);
        m_nLastResult = SQLFreeConnect(m_hDbc);
        if (m_nLastResult != SQL_SUCCESS) failed(kIdFreeConnectFailed);
        m_hDbc = SQL_NULL_HDBC;
    }
    if (m_hEnv != SQL_NULL_HENV) {
        m_nLastResult = SQLFreeEnv(m_hEnv);
        if (m_nLastResult != SQL_SUCCESS) failed(kIdFreeEnvFailed);
        m_hEnv = SQL_NULL_HENV;
    }
    return ok;
}

bool CODBCTbl::CloseTable(bool) {
    m_bOpen = false;
    return ReleaseHandles(true);
}

// ---- reader entry ----

int ReadOdbcTable(TableReadRequest& request) { return RunReaderEntry<CODBCTbl>(request); }
