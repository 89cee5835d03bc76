#include "platform/ado/Ado.h"

#include "platform/OleDateTime.h"
#include "platform/TextConv.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace {

// ADO's own error codes for the cases raised here.
constexpr HRESULT kProviderNotFound = HRESULT(0x800A0E7AL);
constexpr HRESULT kObjectOpen = HRESULT(0x800A0E79L);
constexpr HRESULT kObjectClosed = HRESULT(0x800A0E78L);
constexpr HRESULT kProviderError = HRESULT(0x80004005L);
constexpr HRESULT kBadIndex = HRESULT(0x800A0CC1L);

[[noreturn]] void Raise(HRESULT hr, const std::string& description) {
    throw CComError(hr, description, "Microsoft OLE DB Provider for ODBC Drivers");
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

namespace dulo::ado {

bool DecimalFromText(const std::string& text, VARIANT& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned __int128 magnitude = 0;
    const unsigned __int128 limit = (unsigned __int128)1 << 96;
    int scale = 0, digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        magnitude = magnitude * 10 + unsigned(c - '0');
        if (magnitude >= limit || (point && ++scale > 28)) return false;
        ++digits;
    }
    if (digits == 0) return false;
    DECIMAL d{};
    d.wReserved = VT_DECIMAL;
    d.scale = uint8_t(scale);
    d.sign = negative ? 0x80 : 0;
    d.Hi32 = uint32_t(magnitude >> 64);
    d.Lo64 = uint64_t(magnitude);
    VariantInit(&out);
    std::memcpy(&out, &d, sizeof d);
    return true;
}

double DecimalToDouble(const VARIANT& value) {
    DECIMAL d;
    std::memcpy(&d, &value, sizeof d);
    double v = double(d.Hi32) * 18446744073709551616.0 + double(d.Lo64);
    for (int i = 0; i < d.scale; ++i) v /= 10;
    return d.sign & 0x80 ? -v : v;
}

int AdoTypeOfSqlType(int sqlType) {
    switch (sqlType) {
    case SQL_CHAR: return adChar;
    case SQL_VARCHAR: return adVarChar;
    case SQL_LONGVARCHAR: return adLongVarChar;
    case SQL_WCHAR: return adWChar;
    case SQL_WVARCHAR: return adVarWChar;
    case SQL_WLONGVARCHAR: return adLongVarWChar;
    case SQL_SMALLINT: return adSmallInt;
    case SQL_INTEGER: return adInteger;
    case SQL_REAL: return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE: return adDouble;
    case SQL_DECIMAL: return adDecimal;
    case SQL_NUMERIC: return adNumeric;
    case SQL_BIT: return adBoolean;
    case SQL_TINYINT: return adUnsignedTinyInt;
    case SQL_BIGINT: return adBigInt;
    case SQL_DATE:
    case SQL_TYPE_DATE: return adDBDate;
    case SQL_TIME:
    case SQL_TYPE_TIME: return adDBTime;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP: return adDBTimeStamp;
    case SQL_BINARY: return adBinary;
    case SQL_VARBINARY: return adVarBinary;
    case SQL_LONGVARBINARY: return adLongVarBinary;
    case SQL_GUID: return adGUID;
    default: return adEmpty;
    }
}

}  // namespace dulo::ado

// ---- COM hooks ----

void CoUninitialize() {}
HRESULT CoInitialize(void*) { return S_OK; }

// ---- fields and record sets ----

VARIANT CAdoField::GetValue() const { return m_pOwner->ValueOf(m_nIndex); }

CAdoRecordset::CAdoRecordset(const std::shared_ptr<CDatabase>& database, const std::string& commandText)
    : m_pDatabase(database), m_Recordset(database.get()) {
    try {
        m_Recordset.Open(CRecordset::forwardOnly, commandText);
        m_Fields.resize(size_t(m_Recordset.GetODBCFieldCount()));
        for (short i = 0; i < m_Recordset.GetODBCFieldCount(); ++i) {
            CODBCFieldInfo info;
            m_Recordset.GetODBCFieldInfo(i, info);
            CAdoField& f = m_Fields[size_t(i)];
            f.m_pOwner = this;
            f.m_nIndex = i;
            f.m_strName = info.m_strName;
            f.m_nType = dulo::ado::AdoTypeOfSqlType(info.m_nSQLType);
        }
    } catch (const CDBException& e) {
        Raise(kProviderError, e.m_strError);
    }
}

CAdoRecordset::~CAdoRecordset() { Close(); }

void CAdoRecordset::RaiseClosed() const { Raise(kObjectClosed, "Operation is not allowed when the object is closed."); }

bool CAdoRecordset::IsEOF() const {
    if (!m_Recordset.IsOpen()) RaiseClosed();
    return m_Recordset.IsEOF();
}

const CAdoField& CAdoRecordset::GetItem(long index) const {
    if (index < 0 || size_t(index) >= m_Fields.size())
        Raise(kBadIndex, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    return m_Fields[size_t(index)];
}

void CAdoRecordset::MoveNext() {
    if (!m_Recordset.IsOpen()) RaiseClosed();
    try {
        m_Recordset.MoveNext();
    } catch (const CDBException& e) {
        Raise(kProviderError, e.m_strError);
    }
}

void CAdoRecordset::Close() { m_Recordset.Close(); }

VARIANT CAdoRecordset::ValueOf(short index) const {
    if (!m_Recordset.IsOpen()) RaiseClosed();
    CDBVariant v;
    try {
        m_Recordset.GetFieldValue(index, v);
    } catch (const CDBException& e) {
        Raise(kProviderError, e.m_strError);
    }
    VARIANT out;
    VariantInit(&out);
    const int adoType = m_Fields[size_t(index)].m_nType;
    switch (v.m_dwType) {
    case DBVT_NULL: out.vt = VT_NULL; break;
    case DBVT_BOOL:
        out.vt = VT_BOOL;
        out.boolVal = v.m_boolVal ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case DBVT_UCHAR:
        out.vt = VT_UI1;
        out.bVal = v.m_chVal;
        break;
    case DBVT_SHORT:
        out.vt = VT_I2;
        out.iVal = v.m_iVal;
        break;
    case DBVT_LONG:
        out.vt = VT_I4;
        out.lVal = v.m_lVal;
        break;
    case DBVT_SINGLE:
        out.vt = VT_R4;
        out.fltVal = v.m_fltVal;
        break;
    case DBVT_DOUBLE:
        out.vt = VT_R8;
        out.dblVal = v.m_dblVal;
        break;
    case DBVT_DATE: {
        double date = 0;
        if (dulo::CalendarToOleDate(v.m_date.year, v.m_date.month, v.m_date.day, v.m_date.hour, v.m_date.minute,
                                    v.m_date.second, date)) {
            out.vt = VT_DATE;
            out.date = date;
        } else {
            out.vt = VT_NULL;
        }
        break;
    }
    case DBVT_STRING:
    case DBVT_ASTRING:
        if ((adoType == adDecimal || adoType == adNumeric) && dulo::ado::DecimalFromText(v.m_strVal, out)) break;
        if (adoType == adBigInt) {
            char* end = nullptr;
            long long n = std::strtoll(v.m_strVal.c_str(), &end, 10);
            if (end && *end == '\0' && !v.m_strVal.empty()) {
                out.vt = VT_I8;
                out.llVal = n;
                break;
            }
        }
        out.vt = VT_BSTR;
        out.bstrVal = dulo::BstrFromUtf8(v.m_strVal);
        break;
    default:
        // Bytes have no VARIANT form here; the table takes them as no value.
        out.vt = VT_NULL;
        break;
    }
    return out;
}

// ---- the connection ----

unsigned long CAdoConnection::Release() {
    unsigned long left = --m_nRefs;
    if (left == 0) delete this;
    return left;
}

std::string CAdoConnection::DriverConnectString(const std::string& connectionString, const std::string& user,
                                                const std::string& password, std::string* providerOut) {
    std::string provider, source, rest;
    size_t start = 0;
    while (start <= connectionString.size()) {
        size_t end = connectionString.find(';', start);
        if (end == std::string::npos) end = connectionString.size();
        std::string item = connectionString.substr(start, end - start);
        start = end + 1;
        size_t eq = item.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(item.substr(0, eq)), value = Trim(item.substr(eq + 1));
        if (strcasecmp(key.c_str(), "Provider") == 0)
            provider = value;
        else if (strcasecmp(key.c_str(), "Data Source") == 0)
            source = value;
        else
            rest += key + "=" + value + ";";
    }
    if (providerOut) *providerOut = provider;
    std::string text = "Driver={" + provider + "};DBQ=" + source + ";";
    if (!user.empty()) text += "UID=" + user + ";";
    if (!password.empty()) text += "PWD=" + password + ";";
    return text + rest;
}

bool CAdoConnection::IsProviderInstalled(const std::string& provider) {
    if (provider.empty()) return false;
    SQLHENV env = SQL_NULL_HENV;
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env) == SQL_ERROR) return false;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    bool found = false;
    SQLCHAR name[256], attributes[1024];
    SQLSMALLINT nameLength = 0, attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (!found && SQL_SUCCEEDED(SQLDrivers(env, direction, name, sizeof name, &nameLength, attributes,
                                              sizeof attributes, &attributesLength))) {
        direction = SQL_FETCH_NEXT;
        found = strcasecmp(reinterpret_cast<const char*>(name), provider.c_str()) == 0;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return found;
}

void CAdoConnection::Open(const std::string& connectionString, const std::string& user, const std::string& password,
                          long) {
    if (GetState() == adStateOpen) Raise(kObjectOpen, "Operation is not allowed when the object is open.");
    std::string provider;
    std::string text = DriverConnectString(connectionString, user, password, &provider);
    if (!IsProviderInstalled(provider))
        Raise(kProviderNotFound, "Provider cannot be found. It may not be properly installed.");
    auto database = std::make_shared<CDatabase>();
    try {
        if (!database->OpenEx(text)) Raise(kProviderError, "The provider refused to open the data source.");
    } catch (const CDBException& e) {
        Raise(kProviderError, e.m_strError);
    }
    m_pDatabase = std::move(database);
}

std::unique_ptr<CAdoRecordset> CAdoConnection::Execute(const std::string& commandText) {
    if (GetState() != adStateOpen) Raise(kObjectClosed, "Operation is not allowed when the object is closed.");
    return std::make_unique<CAdoRecordset>(m_pDatabase, commandText);
}

void CAdoConnection::Close() {
    if (GetState() != adStateOpen) Raise(kObjectClosed, "Operation is not allowed when the object is closed.");
    m_pDatabase.reset();
}
