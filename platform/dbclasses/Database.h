#pragma once
// The database classes over the ODBC driver manager: a connection opened with
// a connection string (no dialog), a forward-only record set on a SQL text
// whose field values are read into a typed value holder, and the database
// exception that carries the driver's message text.
#include "platform/OdbcApi.h"

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

class CDBException : public std::exception {
public:
    CDBException(SQLRETURN code, std::string error, std::string state = {})
        : m_nRetCode(code), m_strError(std::move(error)), m_strStateNativeOrigin(std::move(state)) {}
    const char* what() const noexcept override { return m_strError.c_str(); }

    SQLRETURN m_nRetCode;
    std::string m_strError;              // the driver's message texts, one a line
    std::string m_strStateNativeOrigin;  // "State:S1000,Native:0,Origin:..." of the first record
};

class CDatabase {
public:
    enum : uint32_t { openExclusive = 0x1, openReadOnly = 0x2, useCursorLib = 0x4, noOdbcDialog = 0x8 };

    CDatabase() = default;
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;
    ~CDatabase() { Close(); }

    // Opens with connect, in the "ODBC;..." form or the driver manager's own;
    // false when the driver manager refuses without a diagnostic, a
    // CDBException with the driver's text otherwise.
    bool OpenEx(const std::string& connect, uint32_t options = noOdbcDialog);
    bool IsOpen() const { return m_hdbc != SQL_NULL_HDBC; }
    void Close();
    const std::string& GetConnect() const { return m_strConnect; }

    // "ODBC;" and the blanks after it taken off, and an empty UID or PWD; the
    // rest is already the keyword=value list that SQLDriverConnect takes.
    static std::string DriverConnectString(const std::string& connect);

    SQLHENV m_henv = SQL_NULL_HENV;
    SQLHDBC m_hdbc = SQL_NULL_HDBC;

private:
    std::string m_strConnect;
};

// The typed value holder of a field.
enum DBVariantType : uint32_t {
    DBVT_NULL = 0,
    DBVT_BOOL = 1,
    DBVT_UCHAR = 2,
    DBVT_SHORT = 3,
    DBVT_LONG = 4,
    DBVT_SINGLE = 5,
    DBVT_DOUBLE = 6,
    DBVT_DATE = 7,
    DBVT_STRING = 8,
    DBVT_BINARY = 9,
    DBVT_ASTRING = 10,
    DBVT_WSTRING = 11,
};

struct DBTIMESTAMP {
    int16_t year = 0;
    uint16_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
    uint32_t fraction = 0;
};

class CDBVariant {
public:
    void Clear();

    uint32_t m_dwType = DBVT_NULL;
    bool m_boolVal = false;
    unsigned char m_chVal = 0;
    int16_t m_iVal = 0;
    int32_t m_lVal = 0;
    float m_fltVal = 0;
    double m_dblVal = 0;
    DBTIMESTAMP m_date;
    std::string m_strVal;  // DBVT_STRING and DBVT_ASTRING (narrow text) and DBVT_BINARY bytes
    std::wstring m_wstrVal;
};

struct CODBCFieldInfo {
    std::string m_strName;
    SQLSMALLINT m_nSQLType = 0;
    SQLULEN m_nPrecision = 0;
    SQLSMALLINT m_nScale = 0;
    SQLSMALLINT m_nNullability = 0;
};

class CRecordset {
public:
    enum OpenType { dynaset = 0, snapshot = 1, forwardOnly = 3 };

    explicit CRecordset(CDatabase* database) : m_pDatabase(database) {}
    CRecordset(const CRecordset&) = delete;
    CRecordset& operator=(const CRecordset&) = delete;
    ~CRecordset() { Close(); }

    // Executes sql and fetches the first row; raises CDBException.
    bool Open(int openType, const std::string& sql);
    bool IsOpen() const { return m_hstmt != SQL_NULL_HSTMT; }
    void Close();

    short GetODBCFieldCount() const { return short(m_Fields.size()); }
    // Field index (0-based) out of range raises CDBException.
    void GetODBCFieldInfo(short index, CODBCFieldInfo& info) const;
    bool IsEOF() const { return m_bEOF; }
    // The value of the current row in the holder type of the field's SQL type.
    void GetFieldValue(short index, CDBVariant& value);
    void GetFieldValue(const std::string& name, CDBVariant& value);
    // Makes the current row's fields readable again in any order.
    void RefreshRowset();
    void MoveNext();

    // The holder type a field of sqlType is read into.
    static uint32_t HolderType(SQLSMALLINT sqlType);

private:
    [[noreturn]] void Raise(SQLRETURN rc) const;
    void Fetch();
    // Reads every field of the current row once, so that fields may be asked
    // for in any order (the driver hands each one out once and in order).
    void ReadRow();

    CDatabase* m_pDatabase;
    SQLHSTMT m_hstmt = SQL_NULL_HSTMT;
    std::vector<CODBCFieldInfo> m_Fields;
    std::vector<CDBVariant> m_Row;
    bool m_bRowRead = false;
    bool m_bEOF = true;
};

// The diagnostic records of handle as one text, one record a line.
std::string OdbcDiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle, std::string* firstState = nullptr);
