// The fetch side of the ODBC source: buffers, binding by SQL type, the fetch
// loop (a block of rows at a time where the driver allows it) and the cells.
#include "sources/database/ODBCTbl.h"

#include "platform/Messages.h"
#include "sources/database/OdbcIds.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

using namespace odbc_ids;

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// The largest text buffer a column is given; a longer value is read whole
// with SQLGetData.
constexpr SQLLEN kMaxTextBuffer = 8192;

// Room for a column's values: its declared length in UTF-8 bytes, at least the
// 256 bytes of the classic buffer and at most kMaxTextBuffer.
SQLLEN TextBufferSize(int32_t declared) {
    SQLLEN want = SQLLEN(std::max<int32_t>(declared, 0)) * 4 + 1;
    return std::clamp<SQLLEN>(want, CODBCTbl::kTextBufferSize, kMaxTextBuffer);
}

double DecimalValue(const char* text) {
    while (*text == ' ') ++text;
    if (*text == '+') ++text;
    double value = 0.0;
    std::from_chars(text, text + std::strlen(text), value);
    return value;
}

}  // namespace

void CODBCTbl::AllocateFetchBuffers(int count) { m_Buffers.assign(size_t(std::max(count, 0)), FetchBuffer()); }

void CODBCTbl::FreeFetchBuffers(int) {
    m_Buffers.clear();
    m_Buffers.shrink_to_fit();
}

void CODBCTbl::ChooseRowsPerFetch(bool block) {
    m_nRowsPerFetch = 1;
    m_nRowsFetched = 0;
    SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
    if (!block) return;
    if (!Ok(SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlockRows), 0))) return;
    SQLULEN granted = 0;
    if (!Ok(SQLGetStmtAttr(m_hStmt, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) || granted <= 1 ||
        granted > kBlockRows) {
        SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
        return;
    }
    m_RowStatus.assign(granted, SQL_ROW_NOROW);
    if (!Ok(SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROWS_FETCHED_PTR, &m_nRowsFetched, 0)) ||
        !Ok(SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROW_STATUS_PTR, m_RowStatus.data(), 0))) {
        SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
        SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        SQLSetStmtAttr(m_hStmt, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
        return;
    }
    m_nRowsPerFetch = granted;
}

bool CODBCTbl::BindColumn(int columnNumber, int position, int tableColumn) {
    const CColumn& column = *m_Columns.GetAt(tableColumn);
    const std::string& name = column.m_strName;
    const int type = column.m_nSqlType;
    FetchBuffer& b = m_Buffers.at(size_t(position));
    const size_t n = size_t(m_nRowsPerFetch);
    b.columnNumber = columnNumber;
    b.sqlType = SQLSMALLINT(type);
    b.indicator.assign(n, 0);

    auto refuse = [&](const std::string& logged, const dulo::Message& m) {
        if (!logged.empty()) LogLine(logged);
        ReportError(m);
        CloseTable(false);
        return false;
    };
    switch (type) {
    case SQL_BIGINT: return refuse(name + " SQL_BIGINT", kIdUnknownSqlType);
    case SQL_LONGVARBINARY: return refuse(name + " SQL_LONGVARBINARY", kIdUnknownSqlType);
    case SQL_VARBINARY: return refuse(name + " SQL_VARBINARY", kIdUnknownSqlType);
    case SQL_BINARY: return refuse(std::string(), kIdBinaryFetchFailed);
    default:
        if (type == 0 || type == -8 || type < -9 || type > 12) {
            char line[64];
            std::snprintf(line, sizeof line, "%d ", type);
            return refuse(line + name, kIdUnknownSqlType);
        }
    }

    SQLSMALLINT cType;
    SQLPOINTER target;
    SQLLEN length = 0;
    switch (type) {
    case SQL_INTEGER: b.longValue.assign(n, 0), cType = SQL_C_SLONG, target = b.longValue.data(); break;
    case SQL_SMALLINT: b.shortValue.assign(n, 0), cType = SQL_C_SSHORT, target = b.shortValue.data(); break;
    case SQL_FLOAT:
    case SQL_DOUBLE: b.doubleValue.assign(n, 0.0), cType = SQL_C_DOUBLE, target = b.doubleValue.data(); break;
    case SQL_REAL: b.floatValue.assign(n, 0.0f), cType = SQL_C_FLOAT, target = b.floatValue.data(); break;
    case SQL_BIT: b.bit.assign(n, ' '), cType = SQL_C_BIT, target = b.bit.data(); break;
    case SQL_TINYINT: b.tinyInt.assign(n, ' '), cType = SQL_C_STINYINT, target = b.tinyInt.data(); break;
    default:
        b.isText = true;
        b.textSize = TextBufferSize(column.m_nPrecision);
        b.text.assign(n * size_t(b.textSize), '\0');
        b.longText.assign(n, std::string());
        b.hasLongText.assign(n, 0);
        cType = SQL_C_CHAR;
        target = b.text.data();
        length = b.textSize;
        break;
    }
    m_nLastResult = SQLBindCol(m_hStmt, SQLUSMALLINT(columnNumber), cType, target, length, b.indicator.data());
    if (m_nLastResult == SQL_ERROR) {
        LogLine(std::string(kIdColumnName.text) + name);
        ReportOdbcError(kIdBindColFailed.text, true);
        return false;
    }
    if (m_nLastResult == SQL_INVALID_HANDLE) {
        ReportError(kIdInvalidHandle);
        ReportError(kIdBindColFailed);
        CloseTable(false);
        return false;
    }
    return true;
}

void CODBCTbl::ClearFetchBuffers() {
    for (FetchBuffer& b : m_Buffers) {
        std::fill(b.indicator.begin(), b.indicator.end(), 0);
        if (b.isText) {
            for (size_t r = 0; r < b.hasLongText.size(); ++r) {
                b.text[r * size_t(b.textSize)] = '\0';
                if (b.hasLongText[r]) b.longText[r].clear(), b.hasLongText[r] = 0;
            }
        }
        std::fill(b.bit.begin(), b.bit.end(), uint8_t(' '));
        std::fill(b.tinyInt.begin(), b.tinyInt.end(), int8_t(' '));
        std::fill(b.shortValue.begin(), b.shortValue.end(), 0);
        std::fill(b.longValue.begin(), b.longValue.end(), 0);
        std::fill(b.floatValue.begin(), b.floatValue.end(), 0.0f);
        std::fill(b.doubleValue.begin(), b.doubleValue.end(), 0.0);
    }
}

bool CODBCTbl::ReadRestOfText(FetchBuffer& b, SQLULEN row) {
    // SQLGetData on a bound column; in a block, of the row positioned on.
    if ((m_nGetDataExtensions & SQL_GD_BOUND) == 0) return false;
    if (m_nRowsPerFetch > 1 &&
        ((m_nGetDataExtensions & SQL_GD_BLOCK) == 0 ||
         !Ok(SQLSetPos(m_hStmt, SQLSETPOSIROW(row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE))))
        return false;
    std::string whole;
    char chunk[4096];
    for (;;) {
        SQLLEN got = 0;
        SQLRETURN rc = SQLGetData(m_hStmt, SQLUSMALLINT(b.columnNumber), SQL_C_CHAR, chunk, sizeof chunk, &got);
        if (rc == SQL_NO_DATA) break;
        if (!Ok(rc)) return false;
        if (got == SQL_NULL_DATA) break;
        // A piece that filled the chunk ends before its terminator.
        size_t piece = (got == SQL_NO_TOTAL || got >= SQLLEN(sizeof chunk)) ? sizeof chunk - 1 : size_t(got);
        whole.append(chunk, piece);
        if (rc == SQL_SUCCESS) break;
    }
    b.longText[row] = std::move(whole);
    b.hasLongText[row] = 1;
    return true;
}

CODBCTbl::FetchResult CODBCTbl::FetchRows(CIoRowArray& rows, int extractCount, int sourceIndex) {
    const int keyCount = m_KeySelection.GetSize();
    for (;;) {
        ClearFetchBuffers();
        m_nLastResult = SQLFetch(m_hStmt);
        if (!Ok(m_nLastResult)) break;
        const SQLULEN count = m_nRowsPerFetch > 1 ? std::min(m_nRowsFetched, m_nRowsPerFetch) : 1;
        for (SQLULEN r = 0; r < count; ++r) {
            // A row in error ends the read where a row-at-a-time fetch would have stopped.
            if (m_nRowsPerFetch > 1 && (m_RowStatus[r] == SQL_ROW_ERROR || m_RowStatus[r] == SQL_ROW_NOROW))
                return FetchResult::Done;
            for (size_t p = 0; p < m_Buffers.size(); ++p) {
                FetchBuffer& b = m_Buffers[p];
                if (!b.isText) continue;
                SQLLEN ind = b.indicator[r];
                if (ind != SQL_NO_TOTAL && (ind == SQL_NULL_DATA || ind < b.textSize)) continue;
                if (!ReadRestOfText(b, r)) {
                    if (m_nRowsPerFetch > 1) return FetchResult::RetryRowByRow;
                    int at = int(p);
                    const CIoKeyCell* entry = at < extractCount ? m_pExtractSelection->GetAt(at)
                                                                : m_KeySelection.GetAt(at - extractCount);
                    ReportOdbcError(dulo::FormatString(kIdTextNotWhole, {entry->GetName()}).c_str(), true);
                    return FetchResult::Failed;
                }
            }
            CIoRow* row = new CIoRow();
            rows.Add(row);
            row->m_DataCells.ReserveCells(extractCount);
            row->m_KeyCells.ReserveCells(keyCount);
            for (int i = 0; i < extractCount; ++i)
                AddFetchedCell(rows, i, m_pExtractSelection->GetAt(i)->GetIndex(), false, r);
            for (int k = 0; k < keyCount; ++k)
                AddFetchedCell(rows, extractCount + k, m_KeySelection.GetAt(k)->GetIndex(), true, r);
            for (CIoCell* cell : row->m_DataCells) cell->SetSourceIndex(sourceIndex);
            for (CIoCell* cell : row->m_KeyCells) cell->SetSourceIndex(sourceIndex);
        }
    }
    return FetchResult::Done;
}

void CODBCTbl::AddFetchedCell(CIoRowArray& rows, int position, int tableColumn, bool isKey, SQLULEN row) {
    CIoRow* last = rows.GetAt(rows.GetUpperBound());
    CIoCellArray& cells = isKey ? last->m_KeyCells : last->m_DataCells;
    if (tableColumn < 0) {
        cells.Add(new CIoStrCell("", false, false));
        return;
    }
    const FetchBuffer& b = m_Buffers.at(size_t(position));
    const int type = m_Columns.GetAt(tableColumn)->m_nSqlType;
    const bool null = b.indicator[row] == SQL_NULL_DATA;
    const char* text = nullptr;
    std::string trimmed;
    if (b.isText) {
        if (b.hasLongText[row]) {
            trimmed = b.longText[row];
        } else {
            const char* start = &b.text[row * size_t(b.textSize)];
            trimmed.assign(start, strnlen(start, size_t(b.textSize)));
        }
        text = trimmed.c_str();
    }
    CIoCell* cell = nullptr;
    switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR: {
        size_t end = trimmed.find_last_not_of(' ');
        trimmed.resize(end == std::string::npos ? 0 : end + 1);
        cell = new CIoStrCell(trimmed.c_str(), null, false);
        break;
    }
    case SQL_NUMERIC:
    case SQL_DECIMAL: cell = new CIoDoubleCell(null ? 0.0 : DecimalValue(text), null, false); break;
    case SQL_INTEGER: cell = new CIoLongCell(b.longValue[row], null, false); break;
    case SQL_SMALLINT: cell = new CIoShortCell(b.shortValue[row], null, false); break;
    case SQL_FLOAT:
    case SQL_DOUBLE: cell = new CIoDoubleCell(b.doubleValue[row], null, false); break;
    case SQL_REAL: cell = new CIoFloatCell(b.floatValue[row], null, false); break;
    case SQL_DATE: cell = null ? new CIoDateCell() : new CIoDateCell(text, false, false); break;
    case SQL_TIME: cell = null ? new CIoTimeCell() : new CIoTimeCell(text, false, false); break;
    case SQL_TIMESTAMP: cell = null ? new CIoTimeStampCell() : new CIoTimeStampCell(text, false, false); break;
    case SQL_BIT: cell = new CIoBitCell(b.bit[row], null, false); break;
    case SQL_TINYINT: cell = new CIoTinyIntCell(b.tinyInt[row], null, false); break;
    case SQL_BINARY: return;
    default:
        ReportError(kIdDataTypeSkipped);
        // A null placeholder keeps the later cells of the row under their columns.
        cell = new CIoStrCell();
        cell->SetFlags(cell->GetFlags() | CIoCell::CELL_BLANK);
        break;
    }
    cells.Add(cell);
}
