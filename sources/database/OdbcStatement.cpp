// The SQL side of the ODBC source: the type information with its substitutes,
// literals, the SELECT statement and the extraction that runs it.
#include "sources/database/ODBCTbl.h"

#include "platform/Messages.h"
#include "sources/database/OdbcIds.h"

#include <vector>

namespace {

using namespace odbc_ids;

// The types tried, in order, for a type the data source does not list.
std::vector<int> Substitutes(int sqlType) {
    switch (sqlType) {
    case SQL_INTEGER: return {SQL_REAL, SQL_FLOAT, SQL_DOUBLE, SQL_SMALLINT, SQL_TINYINT, SQL_BIT};
    case SQL_SMALLINT: return {SQL_INTEGER, SQL_REAL, SQL_FLOAT, SQL_DOUBLE, SQL_TINYINT, SQL_BIT};
    case SQL_REAL: return {SQL_FLOAT, SQL_DOUBLE, SQL_REAL, SQL_INTEGER, SQL_SMALLINT, SQL_TINYINT, SQL_BIT};
    case SQL_FLOAT: return {SQL_DOUBLE, SQL_REAL, SQL_INTEGER, SQL_SMALLINT, SQL_TINYINT, SQL_BIT};
    case SQL_DOUBLE: return {SQL_FLOAT, SQL_REAL, SQL_INTEGER, SQL_SMALLINT, SQL_TINYINT, SQL_BIT};
    case SQL_DATE:
    case SQL_TIME: return {SQL_TIMESTAMP, SQL_VARCHAR};
    case SQL_TIMESTAMP: return {SQL_VARCHAR};
    case SQL_VARCHAR: return {SQL_CHAR};
    case SQL_BIT: return {SQL_TINYINT, SQL_SMALLINT, SQL_INTEGER, SQL_REAL, SQL_FLOAT, SQL_DOUBLE};
    case SQL_TINYINT: return {SQL_SMALLINT, SQL_INTEGER, SQL_REAL, SQL_FLOAT, SQL_DOUBLE, SQL_BIT};
    case SQL_LONGVARCHAR: return {SQL_VARCHAR, SQL_CHAR};
    default: return {SQL_CHAR, SQL_VARCHAR};
    }
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

// ---- type information ----

const CIoSqlTypeInfo* CODBCTbl::FindTypeInfo(int sqlType) const {
    auto first = [this](int type) -> const CIoSqlTypeInfo* {
        for (const CIoSqlTypeInfo* info : m_TypeInfo)
            if (info->m_nDataType == type) return info;
        return nullptr;
    };
    if (const CIoSqlTypeInfo* own = first(sqlType)) return own;
    if (sqlType >= SQL_BIT && sqlType <= SQL_VARCHAR)
        for (int substitute : Substitutes(sqlType))
            if (const CIoSqlTypeInfo* info = first(substitute)) return info;
    return m_TypeInfo.IsEmpty() ? nullptr : m_TypeInfo.GetAt(0);
}

std::string CODBCTbl::GetTypeName(int sqlType) {
    const CIoSqlTypeInfo* info = FindTypeInfo(sqlType);
    return info ? info->m_szTypeName : "";
}

std::string CODBCTbl::GetLiteralPrefix(int sqlType) {
    const CIoSqlTypeInfo* info = FindTypeInfo(sqlType);
    return info ? info->m_szLiteralPrefix : "";
}

std::string CODBCTbl::GetLiteralSuffix(int sqlType) {
    const CIoSqlTypeInfo* info = FindTypeInfo(sqlType);
    return info ? info->m_szLiteralSuffix : "";
}

std::string CODBCTbl::GetCreateParams(int sqlType) {
    const CIoSqlTypeInfo* info = FindTypeInfo(sqlType);
    return info ? info->m_szCreateParams : "";
}

// ---- literals and the statement ----

std::string CODBCTbl::FormatLiteral(const char* text, int sqlType) {
    std::string value = text ? text : "";
    switch (sqlType) {
    case SQL_DATE:
    case SQL_TIMESTAMP: return (value.size() == 19 ? "{ts '" : "{d '") + value + "'}";
    case SQL_TIME: return "{t '" + value + "'}";
    default: return GetLiteralPrefix(sqlType) + value + GetLiteralSuffix(sqlType);
    }
}

std::string CODBCTbl::LikePattern(const std::string& value) {
    std::string pattern = value;
    ReplaceAll(pattern, "...", "%");
    ReplaceAll(pattern, "*", "%");
    ReplaceAll(pattern, "?", "_");
    return pattern;
}

std::string CODBCTbl::BuildSelect() const {
    const std::string& q = m_strIdentifierQuote;
    auto* self = const_cast<CODBCTbl*>(this);  // the type lookups are not const in the source interface
    std::string sql = "SELECT ";
    bool firstColumn = true;
    for (const CIoKeyCell* e : *m_pExtractSelection) {
        if (!firstColumn) sql += ",";
        sql += q + e->GetName() + q;
        firstColumn = false;
    }
    for (const CIoKeyCell* k : m_KeySelection)
        if (k->GetIndex() >= 0) sql += "," + q + k->GetName() + q;
    sql += " FROM " + m_strTableName;
    const size_t beforeWhere = sql.size();
    sql += " WHERE ";
    bool anyCondition = false;
    for (int k = 0; k < m_KeySelection.GetSize(); ++k) {
        const CIoKeyCell* key = m_KeySelection.GetAt(k);
        if (key->GetIndex() < 0) continue;
        const std::string& value = m_KeyValues[size_t(k)];
        if (value == "*") continue;
        int type = m_Columns.GetAt(key->GetIndex())->m_nSqlType;
        if (anyCondition) sql += " AND ";
        sql += q + key->GetName() + q;
        if (value == "NULL")
            sql += " IS NULL";
        else if (value == "NOT NULL")
            sql += " IS NOT NULL";
        else if (value.find_first_of("*?") != std::string::npos || value.find("...") != std::string::npos)
            sql.append(" LIKE ")
                .append(self->GetLiteralPrefix(type))
                .append(LikePattern(value))
                .append(self->GetLiteralSuffix(type));
        else
            sql.append("=").append(self->FormatLiteral(value.c_str(), type));
        anyCondition = true;
    }
    if (!anyCondition) sql.resize(beforeWhere);
    return sql;
}

// ---- extraction ----

CODBCTbl::FetchResult CODBCTbl::RunSelect(CIoRowArray& rows, int sourceIndex, bool allowBlock) {
    m_nLastResult = SQLExecDirect(m_hStmt, reinterpret_cast<SQLCHAR*>(m_strStatement.data()), SQL_NTS);
    if (m_nLastResult != SQL_SUCCESS && m_nLastResult != SQL_SUCCESS_WITH_INFO) {
        ReportError(kIdNoMatch);
        CloseTable(false);
        return FetchResult::Failed;
    }
    const int extractCount = m_pExtractSelection->GetSize();
    const int keyCount = m_KeySelection.GetSize();
    ChooseRowsPerFetch(allowBlock);
    AllocateFetchBuffers(extractCount + keyCount);
    int columnNumber = 1;
    for (int i = 0; i < extractCount; ++i)
        if (!BindColumn(columnNumber++, i, m_pExtractSelection->GetAt(i)->GetIndex())) return FetchResult::Failed;
    for (int k = 0; k < keyCount; ++k) {
        int index = m_KeySelection.GetAt(k)->GetIndex();
        if (index >= 0 && !BindColumn(columnNumber++, extractCount + k, index)) return FetchResult::Failed;
    }
    return FetchRows(rows, extractCount, sourceIndex);
}

bool CODBCTbl::ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                           const char* keyFields, const char* keyValues, const char* extractColumns,
                           std::vector<std::string>* keyValuesOut, int sourceIndex) {
    auto fail = [this](const dulo::Message& m) {
        ReportError(m);
        CloseTable(false);
        return false;
    };
    if (!ParseExtractColumns(extractColumns)) return fail(kIdNoExtractColumn);
    if (const dulo::Message* m = SelectKeys(keyFields, keyValues, keyValuesOut)) return fail(*m);

    FillKeyHeadings(keyHeadings);
    FillColumnHeadings(columnHeadings);

    m_strStatement = BuildSelect();
    LogLine(m_strStatement);
    // The statement buffer's size is kept: a longer statement is refused, never cut.
    if (m_strStatement.size() + 1 > kStatementSize) {
        ReportError(dulo::FormatString(kIdStatementTooLong,
                                       {std::to_string(m_strStatement.size() + 1), std::to_string(kStatementSize)}));
        CloseTable(false);
        return false;
    }
    const int extractCount = m_pExtractSelection->GetSize();
    const int keyCount = m_KeySelection.GetSize();
    const int before = rows.GetSize();
    FetchResult result = RunSelect(rows, sourceIndex, true);
    if (result == FetchResult::RetryRowByRow) {
        // A text longer than its buffer in a block this driver cannot position
        // in: the same statement again, a row at a time.
        while (rows.GetSize() > before) delete rows.Detach(rows.GetUpperBound());
        SQLFreeStmt(m_hStmt, SQL_CLOSE);
        SQLFreeStmt(m_hStmt, SQL_UNBIND);
        result = RunSelect(rows, sourceIndex, false);
    }
    if (result != FetchResult::Done) return false;

    SQLRETURN closed = SQLFreeStmt(m_hStmt, SQL_CLOSE);
    SQLRETURN unbound = SQLFreeStmt(m_hStmt, SQL_UNBIND);
    if (closed != SQL_SUCCESS || unbound != SQL_SUCCESS) {
        FreeFetchBuffers(extractCount + keyCount);
        return fail(kIdCannotFreeStatement);
    }
    FreeFetchBuffers(extractCount + keyCount);
    if (rows.GetSize() == before) ReportWarning(kIdNoMatch);
    return true;
}
