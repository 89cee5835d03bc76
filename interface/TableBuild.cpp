#include "interface/TableBuild.h"

#include "platform/AutoDestructArray.h"
#include "platform/oleauto/ScopedVariant.h"
#include "platform/TextConv.h"
#include "tables/IoTable.h"
#include "tables/RepeatedRowRules.h"
#include "tables/SqlType.h"

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

// The element a non-empty cell becomes.
void MakeCellValue(const CIoTable& table, int r, int c, ECellKind kind, VARIANT& value) {
    VariantInit(&value);
    switch (kind) {
        case ECellKind::Text: {
            const char* text = table.GetValueText(r, c);
            value.bstrVal = BstrFromUtf8(text ? text : "");
            if (!value.bstrVal) throw std::bad_alloc();
            value.vt = VT_BSTR;
            break;
        }
        case ECellKind::Date: {
            // A date that did not validate (29 February of a common year) has
            // no OLE value: nothing is written.
            const COleDateTime date = table.GetDateValue(r, c);
            if (date.m_status != COleDateTime::valid) break;
            value.vt = VT_DATE;
            value.date = date.m_dt;
            break;
        }
        case ECellKind::Number:
            value.vt = VT_R8;
            value.dblVal = table.GetValueNumber(r, c);
            break;
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

    const bool repeatsFail = Rules::RepeatsFail(tableName);
    const bool exempt = Rules::IsExemptTable(tableName);
    CAutoDestructArray<IRowColName> index(0, CompareRowColNames);
    IRowColName key;
    for (int r = 0; r < rows; ++r) {
        key.m_name = table.GetRowName(r, 0);
        CopyNameBuffer(rowName, key.m_name);
        long target = long(r) + 1;
        bool merging = false;
        int found = index.FindSorted(&key);
        if (found < 0) {
            index.AddSorted(new IRowColName{key.m_name, int32_t(r + 1)});
        } else {
            if (repeatsFail) {
                CopyNameBuffer(rowName, key.m_name);
                return LOAD_QBML_REPEATED;
            }
            merging = true;
            target = index[found]->m_row;
        }
        for (int c = 0; c < columnCount; ++c) {
            if (table.IsNull(r, c)) continue;
            const ColumnInfo& column = columns[size_t(c)];
            CopyNameBuffer(colName, column.heading);
            VARIANT* old = array.At(target, c);
            if (rules.rowNamesColumnRule && c == 0 && column.heading == "ROWNAMES") {
                // The row-name column always takes the cell's text, unless a merging
                // row would blank out a name already there.
                const char* text = table.GetValueText(r, c);
                std::string_view name = text ? text : "";
                if (!(merging && name.empty() && old->vt != VT_EMPTY)) array.PutText(target, c, name);
                continue;
            }
            ScopedVariant value;
            MakeCellValue(table, r, c, column.kind, value.v);
            if (!merging) {
                array.Put(target, c, value.v);
            } else if (value.v.vt == VT_EMPTY) {
                // Nothing to merge.
            } else if (old->vt == VT_EMPTY || Rules::TakesLaterValue(column.heading)) {
                array.Put(target, c, value.v);
            } else if (!SameValue(*old, value.v) && !exempt) {
                return LOAD_CONFLICT;
            }
        }
    }
    return LOAD_OK;
}

int BuildPlainArray(const CIoTable& table, long extraRows, long extraColumns, bool emptyHeadingFails, char* rowName,
                    char* colName, CTableArray& array) {
    const int rows = table.GetRowCount();
    const int columnCount = table.GetColumnCount();
    if (!array.Create(long(rows) + extraRows, long(columnCount) + extraColumns)) throw std::bad_alloc();
    std::vector<ColumnInfo> columns;
    if (!WriteHeadings(table, emptyHeadingFails, array, columns)) return LOAD_EMPTY_HEADING;
    for (int r = 0; r < rows; ++r) {
        if (rowName) CopyNameBuffer(rowName, table.GetRowName(r, 0));
        for (int c = 0; c < columnCount; ++c) {
            if (table.IsNull(r, c)) continue;
            const ColumnInfo& column = columns[size_t(c)];
            CopyNameBuffer(colName, column.heading);
            ScopedVariant value;
            MakeCellValue(table, r, c, column.kind, value.v);
            array.Put(long(r) + 1, c, value.v);
        }
    }
    return LOAD_OK;
}

}  // namespace dulo
