#include "interface/TableBuild.h"

#include "platform/AutoDestructArray.h"
#include "platform/oleauto/ScopedVariant.h"
#include "platform/TextConv.h"
#include "tables/IoTable.h"
#include "tables/RepeatedRowRules.h"
#include "tables/SqlType.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

// One entry of the row-name index: a row name and the array row it went to.
struct IRowColName {
    std::string m_name;
    int32_t m_row = 0;
};

namespace dulo {
namespace {

using Rules = RepeatedRowsWithinTable;

int CompareRowColNames(const IRowColName* a, const IRowColName* b) {
    int order = a->m_name.compare(b->m_name);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

enum class ECellKind { Text, Date, Number };

ECellKind KindOfColumnType(int type) {
    // Variable and long texts (dBase character and memo fields, database
    // varchar columns) are texts too, not numbers.
    if (type == SqlType::Char || type == SqlType::VarChar || type == SqlType::LongVarChar) return ECellKind::Text;
    if (type == SqlType::Date || type == SqlType::Time || type == SqlType::TimeStamp) return ECellKind::Date;
    return ECellKind::Number;
}

struct ColumnInfo {
    std::string heading;
    ECellKind kind;
};

// Rows are filled a block at a time, column by column inside the block: the
// array's columns lie one after the other in memory, so each column of a block
// is one run of elements, and the block's cells stay in cache while its
// columns are walked.
constexpr int kRowBlock = 256;

// Headings and cell kinds of every data column, written into row 0.
// False (nothing more written) at the first empty heading when it fails the read.
bool WriteHeadings(const CIoTable& table, bool emptyHeadingFails, CTableArray& array,
                   std::vector<ColumnInfo>& columns) {
    int count = table.GetColumnCount();
    columns.clear();
    columns.reserve(size_t(count));
    for (int c = 0; c < count; ++c) {
        ColumnInfo info{table.GetColumnName(c), KindOfColumnType(table.GetColumnType(c))};
        if (info.heading.empty() && emptyHeadingFails) return false;
        array.PutText(0, c, info.heading);
        columns.push_back(std::move(info));
    }
    return true;
}

// Writes a non-empty cell into an element that is still VT_EMPTY; a date
// that did not validate (29 February of a common year) has no OLE value and
// leaves the element empty.
void WriteCellValue(const CIoCell& cell, ECellKind kind, VARIANT& element) {
    switch (kind) {
        case ECellKind::Text: {
            const char* text = cell.GetTextPtr();
            element.bstrVal = BstrFromUtf8(text ? text : "");
            if (!element.bstrVal) throw std::bad_alloc();
            element.vt = VT_BSTR;
            break;
        }
        case ECellKind::Date: {
            const COleDateTime date = cell.GetDate();
            if (date.m_status != COleDateTime::valid) break;
            element.date = date.m_dt;
            element.vt = VT_DATE;
            break;
        }
        case ECellKind::Number:
            element.dblVal = cell.GetAsDouble();
            element.vt = VT_R8;
            break;
    }
}

// The heading of the last non-empty cell in row order, as a row-by-row fill
// leaves it in the column-name buffer; rows from firstRow on are not looked at.
void CopyLastCellHeading(const CIoTable& table, int firstRow, const std::vector<ColumnInfo>& columns,
                         char* colName) {
    if (!colName) return;
    for (int r = firstRow - 1; r >= 0; --r)
        for (int c = int(columns.size()) - 1; c >= 0; --c)
            if (!table.m_Rows.GetCell(r, c)->IsNull()) {
                CopyNameBuffer(colName, columns[size_t(c)].heading);
                return;
            }
}

bool SameText(BSTR a, BSTR b) {
    UINT length = SysStringLen(a);
    return length == SysStringLen(b) && (length == 0 || std::memcmp(a, b, length * sizeof(OLECHAR)) == 0);
}

// Equal values of one column: the same text, the same date, numbers within 1e-6.
bool SameValue(const VARIANT& a, const VARIANT& b) {
    if (a.vt != b.vt) return false;
    switch (a.vt) {
        case VT_BSTR: return SameText(a.bstrVal, b.bstrVal);
        case VT_DATE: return a.date == b.date;
        case VT_R8: return std::fabs(a.dblVal - b.dblVal) <= Rules::kNumberTolerance;
        default: return false;
    }
}

}  // namespace

int BuildKeyedArray(const CIoTable& table, std::string_view tableName, const KeyedReadRules& rules, char* rowName,
                    char* colName, CTableArray& array) {
    const int rows = table.GetRowCount();
    const int columnCount = table.GetColumnCount();
    if (!array.Create(long(rows) + 2, long(columnCount) + 2)) throw std::bad_alloc();
    std::vector<ColumnInfo> columns;
    if (!WriteHeadings(table, rules.emptyHeadingFails, array, columns)) return LOAD_EMPTY_HEADING;

    // Where every row goes: its own array row, or the row of the first one of its name.
    const bool repeatsFail = Rules::RepeatsFail(tableName);
    const bool exempt = Rules::IsExemptTable(tableName);
    CAutoDestructArray<IRowColName> index(0, CompareRowColNames);
    IRowColName key;
    std::vector<int32_t> targets(static_cast<size_t>(rows));
    std::vector<bool> merging(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        key.m_name = table.GetRowName(r, 0);
        CopyNameBuffer(rowName, key.m_name);
        int found = index.FindSorted(&key);
        if (found < 0) {
            index.AddSorted(new IRowColName{key.m_name, int32_t(r + 1)});
            targets[size_t(r)] = r + 1;
        } else {
            if (repeatsFail) {
                CopyLastCellHeading(table, r, columns, colName);
                return LOAD_QBML_REPEATED;
            }
            merging[size_t(r)] = true;
            targets[size_t(r)] = index[found]->m_row;
        }
    }

    // A column's merge depends on that column alone, so filling column by column
    // gives the array of a row-by-row fill; a conflict is reported at the first
    // one in row order.
    VARIANT* const data = array.Data();
    const long stride = array.Rows();
    for (int block = 0; block < rows; block += kRowBlock) {
        const int blockEnd = std::min(rows, block + kRowBlock);
        int conflictRow = -1, conflictColumn = -1;
        for (int c = 0; c < columnCount; ++c) {
            const ColumnInfo& column = columns[size_t(c)];
            VARIANT* const elements = data + long(c) * stride;
            const bool rowNames = rules.rowNamesColumnRule && c == 0 && column.heading == "ROWNAMES";
            const bool textWins = Rules::TakesLaterValue(column.heading);
            const int last = conflictRow >= 0 ? conflictRow : blockEnd;  // later rows cannot come first
            for (int r = block; r < last; ++r) {
                const CIoCell& cell = *table.m_Rows.GetCell(r, c);
                if (cell.IsNull()) continue;
                VARIANT& element = elements[targets[size_t(r)]];
                const bool merge = merging[size_t(r)];
                if (rowNames) {
                    // The row-name column always takes the cell's text, unless a merging
                    // row would blank out a name already there.
                    const char* text = cell.GetTextPtr();
                    std::string_view name = text ? text : "";
                    if (merge && name.empty() && element.vt != VT_EMPTY) continue;
                    BSTR bstr = BstrFromUtf8(name);
                    if (!bstr) throw std::bad_alloc();
                    if (merge) VariantClear(&element);
                    element.bstrVal = bstr;
                    element.vt = VT_BSTR;
                    continue;
                }
                if (!merge) {
                    WriteCellValue(cell, column.kind, element);
                    continue;
                }
                ScopedVariant value;
                WriteCellValue(cell, column.kind, value.v);
                if (value.v.vt == VT_EMPTY) {
                    // Nothing to merge.
                } else if (element.vt == VT_EMPTY || textWins) {
                    VariantClear(&element);
                    element = value.v;  // the element takes over the string, if any
                    VariantInit(&value.v);
                } else if (!SameValue(element, value.v) && !exempt) {
                    conflictRow = r;
                    conflictColumn = c;
                    break;
                }
            }
        }
        if (conflictRow >= 0) {
            CopyNameBuffer(rowName, table.GetRowName(conflictRow, 0));
            CopyNameBuffer(colName, columns[size_t(conflictColumn)].heading);
            return LOAD_CONFLICT;
        }
    }
    CopyLastCellHeading(table, rows, columns, colName);
    return LOAD_OK;
}

int BuildPlainArray(const CIoTable& table, long extraRows, long extraColumns, bool emptyHeadingFails, char* rowName,
                    char* colName, CTableArray& array) {
    const int rows = table.GetRowCount();
    const int columnCount = table.GetColumnCount();
    if (!array.Create(long(rows) + extraRows, long(columnCount) + extraColumns)) throw std::bad_alloc();
    std::vector<ColumnInfo> columns;
    if (!WriteHeadings(table, emptyHeadingFails, array, columns)) return LOAD_EMPTY_HEADING;
    if (rowName)
        for (int r = 0; r < rows; ++r) CopyNameBuffer(rowName, table.GetRowName(r, 0));
    VARIANT* const data = array.Data();
    const long stride = array.Rows();
    for (int block = 0; block < rows; block += kRowBlock) {
        const int blockEnd = std::min(rows, block + kRowBlock);
        for (int c = 0; c < columnCount; ++c) {
            const ECellKind kind = columns[size_t(c)].kind;
            VARIANT* const elements = data + long(c) * stride + 1;
            for (int r = block; r < blockEnd; ++r) {
                const CIoCell& cell = *table.m_Rows.GetCell(r, c);
                if (!cell.IsNull()) WriteCellValue(cell, kind, elements[r]);
            }
        }
    }
    CopyLastCellHeading(table, rows, columns, colName);
    return LOAD_OK;
}

}  // namespace dulo
