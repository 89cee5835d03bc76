#include "platform/dbclasses/Database.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace {

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// A text value larger than this is cut there: a driver that keeps saying
// "more data" must not grow the holder without end.
constexpr size_t kMaxValueBytes = size_t(64) << 20;

// The date, time and timestamp codes of ODBC 3 as the older ones.
SQLSMALLINT Odbc2Type(SQLSMALLINT type) {
    switch (type) {
    case SQL_TYPE_DATE: return SQL_DATE;
    case SQL_TYPE_TIME: return SQL_TIME;
    case SQL_TYPE_TIMESTAMP: return SQL_TIMESTAMP;
    default: return type;
    }
}

bool SameNameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string OdbcDiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle, std::string* firstState) {
    std::string text;
    if (handle == SQL_NULL_HANDLE) return text;
    for (SQLSMALLINT record = 1; record < 64; ++record) {
        SQLCHAR state[6] = {0};
        SQLINTEGER native = 0;
        SQLCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {0};
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, message, sizeof message, &length);
        if (!Ok(rc)) break;
        if (!text.empty()) text += "\n";
        text += reinterpret_cast<const char*>(message);
        if (firstState && record == 1)
            *firstState = "State:" + std::string(reinterpret_cast<const char*>(state)) + ",Native:" + std::to_string(native);
    }
    return text;
}

// ---- CDatabase ----

std::string CDatabase::DriverConnectString(const std::string& connect) {
    size_t start = 0;
    if (connect.size() >= 5 && strncasecmp(connect.c_str(), "ODBC;", 5) == 0) start = 5;
    while (start < connect.size() && std::isspace(static_cast<unsigned char>(connect[start]))) ++start;
    // An empty user or password is left out, so that the data source's own
    // entries apply (a driver takes "UID=" as an empty user name).
    std::string out;
    size_t at = start;
    while (at < connect.size()) {
        size_t end = connect.find(';', at);
        if (end == std::string::npos) end = connect.size();
        std::string item = connect.substr(at, end - at);
        at = end + 1;
        if (strcasecmp(item.c_str(), "UID=") == 0 || strcasecmp(item.c_str(), "PWD=") == 0) continue;
        if (!out.empty()) out += ";";
        out += item;
    }
    return out;
}

bool CDatabase::OpenEx(const std::string& connect, uint32_t) {
    Close();
    m_strConnect = connect;
    if (!Ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_henv))) {
        m_henv = SQL_NULL_HENV;
        return false;
    }
    SQLSetEnvAttr(m_henv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHDBC hdbc = SQL_NULL_HDBC;
    if (!Ok(SQLAllocHandle(SQL_HANDLE_DBC, m_henv, &hdbc))) {
        std::string text = OdbcDiagnosticText(SQL_HANDLE_ENV, m_henv);
        Close();
        if (text.empty()) return false;
        throw CDBException(SQL_ERROR, text);
    }
    std::string driverConnect = DriverConnectString(connect);
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnect(hdbc, nullptr, reinterpret_cast<SQLCHAR*>(driverConnect.data()), SQL_NTS, out,
                                    sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    if (!Ok(rc)) {
        std::string state;
        std::string text = OdbcDiagnosticText(SQL_HANDLE_DBC, hdbc, &state);
        SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
        Close();
        if (text.empty()) return false;
        throw CDBException(rc, text, state);
    }
    m_hdbc = hdbc;
    return true;
}

void CDatabase::Close() {
    if (m_hdbc != SQL_NULL_HDBC) {
        SQLDisconnect(m_hdbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_hdbc);
        m_hdbc = SQL_NULL_HDBC;
    }
    if (m_henv != SQL_NULL_HENV) {
        SQLFreeHandle(SQL_HANDLE_ENV, m_henv);
        m_henv = SQL_NULL_HENV;
    }
}

// ---- CDBVariant ----

void CDBVariant::Clear() {
    m_dwType = DBVT_NULL;
    m_strVal.clear();
    m_wstrVal.clear();
}

// ---- CRecordset ----

uint32_t CRecordset::HolderType(SQLSMALLINT sqlType) {
    switch (Odbc2Type(sqlType)) {
    case SQL_BIT: return DBVT_BOOL;
    case SQL_TINYINT: return DBVT_UCHAR;
    case SQL_SMALLINT: return DBVT_SHORT;
    case SQL_INTEGER: return DBVT_LONG;
    case SQL_REAL:
    case SQL_FLOAT: return DBVT_SINGLE;  // the column type of a float field is float
    case SQL_DOUBLE: return DBVT_DOUBLE;
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP: return DBVT_DATE;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return DBVT_BINARY;
    default: return DBVT_STRING;
    }
}

void CRecordset::Raise(SQLRETURN rc) const {
    std::string state;
    std::string text = OdbcDiagnosticText(SQL_HANDLE_STMT, m_hstmt, &state);
    if (text.empty() && m_pDatabase) text = OdbcDiagnosticText(SQL_HANDLE_DBC, m_pDatabase->m_hdbc, &state);
    if (text.empty()) text = "The ODBC driver failed without a message (return code " + std::to_string(rc) + ").";
    throw CDBException(rc, text, state);
}

bool CRecordset::Open(int, const std::string& sql) {
    Close();
    if (!m_pDatabase || !m_pDatabase->IsOpen()) throw CDBException(SQL_ERROR, "The database is not open.");
    if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, m_pDatabase->m_hdbc, &m_hstmt))) {
        m_hstmt = SQL_NULL_HSTMT;
        std::string text = OdbcDiagnosticText(SQL_HANDLE_DBC, m_pDatabase->m_hdbc);
        throw CDBException(SQL_ERROR, text.empty() ? "No statement could be allocated." : text);
    }
    std::string text = sql;
    SQLRETURN rc = SQLExecDirect(m_hstmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    if (!Ok(rc) && rc != SQL_NO_DATA) Raise(rc);
    SQLSMALLINT count = 0;
    if (!Ok(SQLNumResultCols(m_hstmt, &count))) Raise(SQL_ERROR);
    m_Fields.assign(size_t(count < 0 ? 0 : count), CODBCFieldInfo());
    for (SQLSMALLINT i = 0; i < count; ++i) {
        SQLCHAR name[256] = {0};
        SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = 0;
        SQLULEN size = 0;
        rc = SQLDescribeCol(m_hstmt, SQLUSMALLINT(i + 1), name, sizeof name, &nameLength, &type, &size, &scale, &nullable);
        if (!Ok(rc)) Raise(rc);
        CODBCFieldInfo& f = m_Fields[size_t(i)];
        f.m_strName = std::string(reinterpret_cast<const char*>(name), strnlen(reinterpret_cast<const char*>(name), sizeof name));
        f.m_nSQLType = Odbc2Type(type);
        f.m_nPrecision = size;
        f.m_nScale = scale;
        f.m_nNullability = nullable;
    }
    m_Row.assign(m_Fields.size(), CDBVariant());
    Fetch();
    return true;
}

void CRecordset::Close() {
    if (m_hstmt != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, m_hstmt);
        m_hstmt = SQL_NULL_HSTMT;
    }
    m_Fields.clear();
    m_Row.clear();
    m_bRowRead = false;
    m_bEOF = true;
}

void CRecordset::GetODBCFieldInfo(short index, CODBCFieldInfo& info) const {
    if (index < 0 || size_t(index) >= m_Fields.size())
        throw CDBException(SQL_ERROR, "Field index " + std::to_string(index) + " is out of range.");
    info = m_Fields[size_t(index)];
}

void CRecordset::Fetch() {
    m_bRowRead = false;
    if (m_Fields.empty()) {
        m_bEOF = true;
        return;
    }
    SQLRETURN rc = SQLFetch(m_hstmt);
    if (rc == SQL_NO_DATA) {
        m_bEOF = true;
        return;
    }
    if (!Ok(rc)) Raise(rc);
    m_bEOF = false;
}

void CRecordset::MoveNext() {
    if (!IsOpen() || m_bEOF) throw CDBException(SQL_ERROR, "Attempt to move past the end of the record set.");
    Fetch();
}

// The row's values were read once in full, so they stay readable.
void CRecordset::RefreshRowset() {}

void CRecordset::ReadRow() {
    for (size_t i = 0; i < m_Fields.size(); ++i) {
        CDBVariant& v = m_Row[i];
        v.Clear();
        SQLUSMALLINT column = SQLUSMALLINT(i + 1);
        SQLLEN indicator = 0;
        SQLRETURN rc = SQL_SUCCESS;
        uint32_t holder = HolderType(m_Fields[i].m_nSQLType);
        auto fixed = [&](SQLSMALLINT cType, void* target, SQLLEN size) {
            rc = SQLGetData(m_hstmt, column, cType, target, size, &indicator);
            if (!Ok(rc)) Raise(rc);
            if (indicator != SQL_NULL_DATA) v.m_dwType = holder;
        };
        switch (holder) {
        case DBVT_BOOL: {
            unsigned char b = 0;
            fixed(SQL_C_BIT, &b, sizeof b);
            v.m_boolVal = b != 0;
            break;
        }
        case DBVT_UCHAR: fixed(SQL_C_UTINYINT, &v.m_chVal, sizeof v.m_chVal); break;
        case DBVT_SHORT: fixed(SQL_C_SSHORT, &v.m_iVal, sizeof v.m_iVal); break;
        case DBVT_LONG: fixed(SQL_C_SLONG, &v.m_lVal, sizeof v.m_lVal); break;
        case DBVT_SINGLE: fixed(SQL_C_FLOAT, &v.m_fltVal, sizeof v.m_fltVal); break;
        case DBVT_DOUBLE: fixed(SQL_C_DOUBLE, &v.m_dblVal, sizeof v.m_dblVal); break;
        case DBVT_DATE: {
            SQL_TIMESTAMP_STRUCT ts{};
            fixed(SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts);
            v.m_date.year = ts.year;
            v.m_date.month = ts.month;
            v.m_date.day = ts.day;
            v.m_date.hour = ts.hour;
            v.m_date.minute = ts.minute;
            v.m_date.second = ts.second;
            v.m_date.fraction = ts.fraction;
            break;
        }
        default: {
            // Text (or bytes) in pieces until the driver has handed out all of it.
            const bool binary = holder == DBVT_BINARY;
            char piece[1024];
            for (;;) {
                indicator = 0;
                rc = SQLGetData(m_hstmt, column, binary ? SQL_C_BINARY : SQL_C_CHAR, piece, sizeof piece, &indicator);
                if (rc == SQL_NO_DATA) break;
                if (!Ok(rc)) Raise(rc);
                if (indicator == SQL_NULL_DATA) break;
                v.m_dwType = holder;
                size_t room = binary ? sizeof piece : sizeof piece - 1;
                size_t got = indicator == SQL_NO_TOTAL || indicator < 0 || size_t(indicator) > room ? room : size_t(indicator);
                if (!binary) got = strnlen(piece, got);
                if (v.m_strVal.size() + got > kMaxValueBytes) break;
                v.m_strVal.append(piece, got);
                if (rc == SQL_SUCCESS) break;
                if (got == 0) break;  // "more data" without any: nothing more will come
            }
            break;
        }
        }
    }
    m_bRowRead = true;
}

void CRecordset::GetFieldValue(short index, CDBVariant& value) {
    if (!IsOpen() || m_bEOF) throw CDBException(SQL_ERROR, "No current record.");
    if (index < 0 || size_t(index) >= m_Fields.size())
        throw CDBException(SQL_ERROR, "Field index " + std::to_string(index) + " is out of range.");
    if (!m_bRowRead) ReadRow();
    value = m_Row[size_t(index)];
}

void CRecordset::GetFieldValue(const std::string& name, CDBVariant& value) {
    for (size_t i = 0; i < m_Fields.size(); ++i)
        if (SameNameNoCase(m_Fields[i].m_strName, name)) return GetFieldValue(short(i), value);
    throw CDBException(SQL_ERROR, "Field '" + name + "' is not in the record set.");
}
