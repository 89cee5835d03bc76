// The model-table reader and its two merges.
#include "tables/DuloIoTable.h"

#include "platform/Messages.h"
#include "tables/RepeatedRowRules.h"
#include "tables/SqlType.h"
#include "tables/TableMessages.h"
#include "tables/TableReaders.h"


#include <cmath>
#include <memory>
#include <typeinfo>
#include <unordered_map>

namespace {

using Rules = dulo::RepeatedRowsAcrossWorkbooks;

const char* Text(const char* s) { return s ? s : ""; }

bool IsDateType(int type) { return type == SqlType::Date || type == SqlType::Time || type == SqlType::TimeStamp; }

std::string RowName(const CIoRow& row) { return row.m_KeyCells.IsEmpty() ? std::string() : row.m_KeyCells[0]->GetText(); }

// A cell's number; date kinds give their OLE date rather than the wrong-kind marker.
double NumberOf(const CIoCell& cell) {
    return IsDateType(cell.GetSqlType()) ? cell.GetDate().m_dt : cell.GetAsDouble();
}

// A cell's date value; a null cell is a null date, text is read as date text.
COleDateTime DateOf(const CIoCell& cell, int columnType) {
    if (cell.IsNull()) return COleDateTime(0.0, COleDateTime::null);
    int kind = cell.GetSqlType();
    if (IsDateType(kind)) return cell.GetDate();
    if (kind == SqlType::Char) return dulo::DateValueFromText(cell.GetTextPtr(), columnType);
    return COleDateTime(cell.GetAsDouble(), COleDateTime::valid);
}

bool DatesDiffer(const COleDateTime& a, const COleDateTime& b) {
    if (a.m_status != b.m_status) return true;
    if (a.m_status == COleDateTime::valid) return std::fabs(a.m_dt - b.m_dt) >= Rules::kDateTolerance;
    return a.m_status == COleDateTime::invalid;
}

// Fixed, variable and long texts alike.
bool IsTextType(int type) { return type == SqlType::Char || type == SqlType::VarChar || type == SqlType::LongVarChar; }

bool ValuesDiffer(int columnType, const CIoCell& a, const CIoCell& b) {
    if (IsTextType(columnType)) return a.GetText() != b.GetText();
    if (IsDateType(columnType)) return DatesDiffer(DateOf(a, columnType), DateOf(b, columnType));
    return std::fabs(NumberOf(a) - NumberOf(b)) > Rules::kNumberTolerance;
}

// A cell of the column's type holding from's value, with from's source; null
// when the column type cannot be merged.
CIoCell* MakeCell(int columnType, const CIoCell& from) {
    CIoCell* cell = nullptr;
    switch (columnType) {
        case SqlType::Char:
        case SqlType::VarChar:
        case SqlType::LongVarChar: cell = new CIoStrCell(from.GetText().c_str(), false, false); break;
        case SqlType::Decimal:
        case SqlType::Double:
        case SqlType::Bit: cell = new CIoDoubleCell(NumberOf(from), false, false); break;
        case SqlType::Date: cell = new CIoDateCell(DateOf(from, columnType), false, false); break;
        case SqlType::Time: cell = new CIoTimeCell(DateOf(from, columnType), false, false); break;
        case SqlType::TimeStamp: cell = new CIoTimeStampCell(DateOf(from, columnType), false, false); break;
        default: return nullptr;
    }
    cell->SetSourceIndex(from.GetSourceIndex());
    cell->SetSourceRow(from.GetSourceRow());
    cell->SetSourceColumn(from.GetSourceColumn());
    return cell;
}

// The kind of cell MakeCell makes for a column type (0 for none).
int MergedKind(int columnType) {
    switch (columnType) {
        case SqlType::Char:
        case SqlType::VarChar:
        case SqlType::LongVarChar: return SqlType::Char;
        case SqlType::Decimal:
        case SqlType::Double:
        case SqlType::Bit: return SqlType::Double;
        case SqlType::Date:
        case SqlType::Time:
        case SqlType::TimeStamp: return columnType;
        default: return 0;
    }
}

// Whether cell is of the library's own class for kind (not a caller's subclass).
bool IsPlainCellOf(const CIoCell& cell, int kind) {
    const std::type_info& type = typeid(cell);
    switch (kind) {
        case SqlType::Char: return type == typeid(CIoStrCell);
        case SqlType::Double: return type == typeid(CIoDoubleCell);
        case SqlType::Date: return type == typeid(CIoDateCell);
        case SqlType::Time: return type == typeid(CIoTimeCell);
        case SqlType::TimeStamp: return type == typeid(CIoTimeStampCell);
        default: return false;
    }
}

// The cell to merge for from: from itself when it already is what MakeCell
// would make of it (a plain cell of the column's kind, flags as made, no name,
// no text cut at a NUL by the copy), so that a second workbook's cells move
// instead of being copied; otherwise a converted copy, kept in made. Null when
// the column type cannot be merged.
const CIoCell* CellToMerge(int columnType, const CIoCell& from, std::unique_ptr<CIoCell>& made) {
    const int kind = MergedKind(columnType);
    bool takeOver = kind != 0 && from.GetSqlType() == kind && IsPlainCellOf(from, kind) &&
                    from.GetFlags() == CIoCell::CELL_MODIFIED && from.GetName().empty();
    if (takeOver && kind == SqlType::Char)
        takeOver = static_cast<const CIoStrCell&>(from).m_strValue.find('\0') == std::string::npos;
    if (takeOver) return &from;
    made.reset(MakeCell(columnType, from));
    return made.get();
}

// Puts the merged cell into the table's slot; a cell taken over leaves newRow's slot empty.
void PlaceMerged(CIoCellArray& cells, int c, CIoCell*& newSlot, std::unique_ptr<CIoCell>& made) {
    if (made) {
        cells.ReplaceAt(c, made.release());
    } else {
        cells.ReplaceAt(c, newSlot);
        newSlot = nullptr;
    }
}

// A merged row's cells are not needed again: freeing them at once keeps the
// two workbooks' tables from both staying whole until the merge ends.
void ReleaseCells(CIoRow& row) {
    row.m_DataCells.RemoveAll();
    row.m_KeyCells.RemoveAll();
}

int SourceOf(const CIoRow& row) { return row.m_SourceListA.empty() ? -1 : row.m_SourceListA.front(); }

// A new row named name with a placeholder for each of columnCount columns.
int AppendRow(CIoRowArray& rows, const std::string& name, const CIoRow& from, int columnCount) {
    int index = rows.AddRow(name.c_str(), false, from.GetRowId(), SourceOf(from));
    for (int c = 0; c < columnCount; ++c) rows.AddBlankTextCell(index);
    return index;
}

// Rows read before all columns were merged may be short; pad them with placeholders.
void PadRow(CIoRowArray& rows, int r, int columnCount) {
    while (rows.GetRow(r)->m_DataCells.GetSize() < columnCount) rows.AddBlankTextCell(r);
}

}  // namespace

CDuloIoTable::CDuloIoTable(const char* sourcePath, const char* tableText, int tableType)
    : CIoTable(sourcePath, tableText, "ROWNAMES", "*", "*", tableType) {
    m_nTextColumn = FindColumn("TEXT");
}

CDuloIoTable::CDuloIoTable(const char* tableName, const std::vector<std::string>& paths,
                           const std::vector<std::string>& sheets, const char* keyFields, const char* keyValues,
                           const char* extractColumns, int flag, const std::vector<int>& tableTypes) {
    if (flag != 0 || paths.empty()) {
        m_strSourceText.clear();
        m_strTableText.clear();
        m_nStatus = TABLE_OPEN_FAILED;
        return;
    }
    if (sheets.size() < paths.size()) throw CInvalidArgException("fewer sheet names than workbooks");
    const std::string table = Text(tableName);
    bool warned = false;

    for (size_t i = 0; i < paths.size(); ++i) {
        const bool dbase = i < tableTypes.size() && tableTypes[i] == TABLE_TYPE_DBF;
        m_strSourceText = paths[i];
        m_strTableText = dbase ? std::string() : sheets[i];
        auto* description = new CIoTableDescription;
        description->m_nTableType = dbase ? TABLE_TYPE_DBF : TABLE_TYPE_WKS;
        description->m_nInUse = 1;
        description->m_Strings[0] = paths[i];
        description->m_Strings[1] = m_strTableText;
        int sourceIndex = m_Descriptions.Add(description);

        CColumnArray keyColumns, dataColumns;
        CIoRowArray rows, extra1, extra2;
        const bool first = i == 0;
        TableReadRequest request(*description, first ? m_KeyColumns : keyColumns,
                                 first ? m_DataColumns : dataColumns, first ? m_Rows : rows,
                                 first ? m_ExtraRows1 : extra1, first ? m_ExtraRows2 : extra2);
        request.sourceIndex = sourceIndex;
        request.keyFields = Text(keyFields);
        request.keyValues = Text(keyValues);
        request.extractColumns = Text(extractColumns);
        int result = ReadTableByType(request);
        for (int k = 0; k < 3; ++k) m_nReaderResults[k] = request.results[k];
        if (!request.sheetLabel.empty()) m_strSheetLabel = request.sheetLabel;

        // A read that ends with a warning has still read its table: a later
        // workbook is merged after it, and the warning stays the status.
        const bool readOk = result == TABLE_READ_OK || result == TABLE_READ_WARNING;
        if (result == TABLE_READ_WARNING) warned = true;
        if (first || !readOk) {
            m_nStatus = result;
        } else {
            m_nStatus = Rules::IsEventTable(table) ? MergeEvents(keyColumns, dataColumns, rows)
                                            : MergeKeyed(keyColumns, dataColumns, rows, table);
            if (m_nStatus == TABLE_READ_OK) {
                CIoRowArray* extras[][2] = {{&m_ExtraRows1, &extra1}, {&m_ExtraRows2, &extra2}};
                for (auto& pair : extras) {
                    if (pair[1]->IsEmpty()) continue;
                    std::vector<int> map(size_t(dataColumns.GetSize()));
                    for (int c = 0; c < dataColumns.GetSize(); ++c)
                        map[size_t(c)] = m_DataColumns.FindColumn(dataColumns[c]->m_strName.c_str());
                    m_nStatus = MergeKeyedRows(*pair[0], *pair[1], map, table);
                    if (m_nStatus != TABLE_READ_OK) break;
                }
            }
            m_strTableText = sheets[0];
        }
        if (m_nStatus == TABLE_READ_OK && warned) m_nStatus = TABLE_READ_WARNING;
        m_nTextColumn = FindColumn("TEXT");
        if (m_nStatus != TABLE_READ_OK && m_nStatus != TABLE_READ_WARNING) break;
    }
}

std::string CDuloIoTable::GetDisplayName() const {
    if (m_strTableText.empty()) return m_strSheetLabel;
    return m_strSheetLabel + "[" + m_strTableText + "]";
}

void CDuloIoTable::ReportDuplicate(const std::string& rowName, const std::string& columnName) const {
    dulo::ShowMessage(
        dulo::FormatString(table_messages::kIdDuplicateCoefficient, {GetDisplayName(), rowName, columnName}));
}

std::vector<int> CDuloIoTable::MergeColumns(const CColumnArray& newDataColumns) {
    std::vector<int> map;
    map.reserve(size_t(newDataColumns.GetSize()));
    for (const CColumn* column : newDataColumns) {
        int index = m_DataColumns.FindColumn(column->m_strName.c_str());
        if (index >= 0) {
            CColumn* existing = m_DataColumns[index];
            existing->m_SourceListA.insert(existing->m_SourceListA.end(), column->m_SourceListA.begin(),
                                           column->m_SourceListA.end());
        } else {
            index = m_DataColumns.Add(new CColumn(*column));
            for (int r = 0; r < m_Rows.GetSize(); ++r) m_Rows.AddBlankTextCell(r);
        }
        map.push_back(index);
    }
    return map;
}

int CDuloIoTable::MergeKeyed(const CColumnArray&, const CColumnArray& newDataColumns, CIoRowArray& newRows,
                             const std::string& tableName) {
    std::vector<int> map = MergeColumns(newDataColumns);
    return MergeKeyedRows(m_Rows, newRows, map, tableName);
}

int CDuloIoTable::MergeKeyedRows(CIoRowArray& target, CIoRowArray& newRows, const std::vector<int>& columnMap,
                                 const std::string& tableName) {
    const int columnCount = m_DataColumns.GetSize();
    const int rowNamesColumn = m_DataColumns.FindColumn("ROWNAMES");
    const int textColumn = m_DataColumns.FindColumn("TEXT");
    const bool exempt = Rules::IsExemptTable(tableName);

    // Row name -> first row of that name, so that a second workbook sharing most
    // names with the first costs one hash lookup per row, not a scan.
    std::unordered_map<std::string, int> firstRow;
    firstRow.reserve(size_t(target.GetSize() + newRows.GetSize()));
    for (int r = 0; r < target.GetSize(); ++r) firstRow.emplace(RowName(*target[r]), r);

    for (CIoRow* newRow : newRows) {
        const std::string name = RowName(*newRow);
        int r;
        auto found = firstRow.find(name);
        if (found == firstRow.end()) {
            r = AppendRow(target, name, *newRow, columnCount);
            firstRow.emplace(name, r);
        } else {
            r = found->second;
            PadRow(target, r, columnCount);
            CIoRow* row = target[r];
            row->m_SourceListA.push_back(SourceOf(*newRow));
            row->m_SourceListB.push_back(newRow->GetRowId());
        }
        CIoRow* row = target[r];
        for (int j = 0; j < newRow->m_DataCells.GetSize() && j < int(columnMap.size()); ++j) {
            CIoCell*& newSlot = newRow->m_DataCells.ElementAt(j);
            const int c = columnMap[size_t(j)];
            if (newSlot->IsNull() || c < 0) continue;
            const CColumn* column = m_DataColumns[c];
            std::unique_ptr<CIoCell> made;
            const CIoCell* merged = CellToMerge(column->m_nSqlType, *newSlot, made);
            if (!merged) return TABLE_UNSUPPORTED_COLUMN_TYPE;
            const CIoCell* old = row->m_DataCells[c];
            bool conflict = !old->IsNull() && c != rowNamesColumn && c != textColumn &&
                            ValuesDiffer(column->m_nSqlType, *old, *merged);
            if (!conflict) {
                PlaceMerged(row->m_DataCells, c, newSlot, made);
            } else if (!exempt) {
                ReportDuplicate(name, column->m_strName);
                return TABLE_DUPLICATE_CONFLICT;
            }
        }
        ReleaseCells(*newRow);
    }
    return TABLE_READ_OK;
}

int CDuloIoTable::MergeEvents(const CColumnArray&, const CColumnArray& newDataColumns, CIoRowArray& newRows) {
    std::vector<int> map = MergeColumns(newDataColumns);
    const int columnCount = m_DataColumns.GetSize();
    const int dateColumn = m_DataColumns.FindColumn("Date");

    std::unordered_map<std::string, std::vector<int>> rowsNamed;
    rowsNamed.reserve(size_t(m_Rows.GetSize() + newRows.GetSize()));
    for (int r = 0; r < m_Rows.GetSize(); ++r) rowsNamed[RowName(*m_Rows[r])].push_back(r);

    for (CIoRow* newRow : newRows) {
        const std::string name = RowName(*newRow);
        std::vector<int>& same = rowsNamed[name];
        const int r = AppendRow(m_Rows, name, *newRow, columnCount);
        CIoRow* row = m_Rows[r];
        for (int j = 0; j < newRow->m_DataCells.GetSize() && j < int(map.size()); ++j) {
            CIoCell*& newSlot = newRow->m_DataCells.ElementAt(j);
            const int c = map[size_t(j)];
            if (newSlot->IsNull() || c < 0) continue;
            std::unique_ptr<CIoCell> made;
            if (!CellToMerge(m_DataColumns[c]->m_nSqlType, *newSlot, made)) return TABLE_UNSUPPORTED_COLUMN_TYPE;
            PlaceMerged(row->m_DataCells, c, newSlot, made);
        }
        ReleaseCells(*newRow);
        if (dateColumn >= 0 && !same.empty()) {
            const int dateType = m_DataColumns[dateColumn]->m_nSqlType;
            const COleDateTime date = DateOf(*row->m_DataCells[dateColumn], dateType);
            for (int other : same) {
                PadRow(m_Rows, other, columnCount);
                if (!DatesDiffer(DateOf(*m_Rows[other]->m_DataCells[dateColumn], dateType), date)) {
                    ReportDuplicate(name, m_DataColumns[dateColumn]->m_strName);
                    break;
                }
            }
        }
        same.push_back(r);
    }
    return TABLE_READ_OK;
}
