// The worksheet table source: opening through the workbook cache, locating the
// table on its sheet, reading and typing the columns, the cursor.
#include "sources/WksTbl.h"

#include "platform/Messages.h"
#include "platform/TextConv.h"
#include "sources/CellText.h"
#include "sources/SourceMessages.h"
#include "sources/WksMessages.h"
#include "sources/WorkbookCache.h"
#include "sources/workbook/WksIO.h"
#include "tables/SqlType.h"
#include "sources/ReaderEntry.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace source_messages;
using namespace wks_messages;

namespace {

bool IsComment(const char* text) { return dulo::IsCommentText(text); }

using dulo::TrimCellText;

}  // namespace

CWksTbl::CWksTbl(std::ostream* log, CIOOptions* options) : CBaseTbl(log, options) {}

CWksTbl::~CWksTbl() = default;

// ---- opening and closing ----

bool CWksTbl::OpenTable(const CIoTableDescription& description) {
    m_Description = description;
    m_strSourceName = description.m_Strings[0];
    m_strTableName = description.m_Strings[1];
    const std::string& path = m_strSourceName;
    const std::string& sheet = m_strTableName;
    m_pWorkbook.reset();
    m_read = CellRead();

    std::shared_ptr<TWksIO> workbook;
    bool fromCache = false;
    if (m_bKeepOpen) {
        workbook = dulo::WorkbookCache::Lookup(path, sheet);
        fromCache = workbook != nullptr;
        if (fromCache) workbook->SelectSheet(sheet.c_str());
    }
    if (!workbook) {
        workbook = std::make_shared<TWksIO>();
        workbook->Open(path.c_str(), sheet.c_str(), WKS_OPEN_ALLOW_APPLICATION);
    }
    if (workbook->IsFailed()) {
        const WksOpenResult why = workbook->GetOpenResult();
        if (fromCache) dulo::WorkbookCache::Empty();
        ReportError(kIdCannotOpenTable, path);
        // A host that asked for the reasons also learns what failed.
        if (dulo::ReportsShown(false))
            dulo::ShowMessage(why.Describe() + (sheet.empty() ? std::string() : " (sheet \"" + sheet + "\")"));
        return false;
    }
    if (m_bKeepOpen) dulo::WorkbookCache::Register(workbook, path, sheet);
    m_pWorkbook = std::move(workbook);

    m_nSourceResults[0] = m_pWorkbook->HasFormulas() ? 1 : 0;
    m_nSourceResults[1] = m_pWorkbook->IsReadOnly() ? 1 : 0;
    m_nSourceResults[2] = m_pWorkbook->IsReady() ? 1 : 0;

    if (!LocateTable()) return ReportError(kIdNoFirstDataRow);
    if (!ReadColumns()) return ReportError(kIdColumnInfoFailed, path);
    m_bOpen = true;
    return true;
}

bool CWksTbl::CloseTable(bool save) {
    if (!m_bOpen) return false;
    if (m_pWorkbook && save && m_pWorkbook->IsChanged()) {
        const char* backup = m_pOptions && m_pOptions->MakeBackup() ? m_pOptions->GetBackupExtension().c_str() : nullptr;
        if (!m_pWorkbook->Save(false, backup, nullptr)) return false;
    }
    m_bOpen = false;
    // A workbook the cache keeps stays open for the next table of the same file.
    m_pWorkbook.reset();
    return true;
}

// ---- cells ----

size_t CWksTbl::ReadText(int row, int column) {
    m_read.row = -1;  // m_szText no longer holds the remembered cell's text
    m_szText[0] = '\0';
    if (!m_pWorkbook) return 0;
    m_pWorkbook->GetCellText(row, column, m_szText, int(sizeof m_szText), WKS_PREFIX_NONE);
    return TrimCellText(m_szText, sizeof m_szText);
}

int CWksTbl::GetCellText(int record, int column, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    if (!m_pWorkbook) return 0;
    int flags = m_pWorkbook->GetCellText(record, column, buffer, size, WKS_PREFIX_NONE);
    return TrimCellText(buffer, size_t(size)) == 0 ? 0 : flags;
}

const CWksTbl::CellRead& CWksTbl::ReadCell(int row, int column) {
    if (m_read.row == row && m_read.column == column && m_read.row >= 0) return m_read;
    CellRead read;
    m_szText[0] = '\0';
    if (m_pWorkbook) {
        // One lookup gives the flags, a number without formatting it, or the text.
        read.flags = m_pWorkbook->GetCellValue(row, column, read.number, m_szText, int(sizeof m_szText));
        if (read.flags & WKS_TEXT) {
            read.kind = TrimCellText(m_szText, sizeof m_szText) > 0 ? WKS_CELL_TEXT : WKS_CELL_EMPTY;
        } else if (read.flags & WKS_NUMBER) {
            bool date = read.flags & WKS_DATE, time = read.flags & WKS_TIME;
            read.kind = date && time ? WKS_CELL_TIMESTAMP : date ? WKS_CELL_DATE : time ? WKS_CELL_TIME : WKS_CELL_NUMBER;
        }
    }
    if (read.kind != WKS_CELL_TEXT) m_szText[0] = '\0';
    read.row = row;
    read.column = column;
    m_read = read;
    return m_read;
}

COleDateTime CWksTbl::DateOf(double number) const {
    const TWksIOInnards* innards = m_pWorkbook ? m_pWorkbook->GetInnards() : nullptr;
    return COleDateTime(number + (innards ? innards->GetDateOffset() : 0.0), COleDateTime::valid);
}

int CWksTbl::GetCellKind(int row, int column) { return ReadCell(row, column).kind; }

bool CWksTbl::IsCellEmpty(int row, int column) {
    return (ReadCell(row, column).flags & (WKS_TEXT | WKS_NUMBER)) == 0;
}

// ---- cursor ----

int CWksTbl::GetRecordCount() { return m_pWorkbook ? m_pWorkbook->GetRowCount() : 0; }
int CWksTbl::GetColumnCount() { return m_Columns.GetSize(); }
bool CWksTbl::IsLastRecord() { return m_nCurrentRecord + 1 == GetRecordCount(); }
bool CWksTbl::IsLastColumn() { return m_nCurrentColumn + 1 == GetColumnCount(); }

bool CWksTbl::IsPastEnd() { return GetRecordCount() - 1 < m_nCurrentRecord || m_bEndOfRecords; }

bool CWksTbl::IsCommentRow(int row) {
    if (!m_pWorkbook || row < 0 || row >= GetRecordCount()) return false;
    // Only a text cell can begin with "*"; numbers need no formatting to tell.
    return ReadCell(row, 0).kind == WKS_CELL_TEXT && IsComment(m_szText);
}

bool CWksTbl::IsCurrentRowComment() { return IsCommentRow(m_nCurrentRecord); }

bool CWksTbl::MoveNext() {
    do {
        CBaseTbl::MoveNext();
    } while (!IsPastEnd() && IsCurrentRowComment());
    return IsPastEnd();
}

int CWksTbl::MovePrev() {
    int record;
    do {
        record = CBaseTbl::MovePrev();
    } while (!IsBeforeFirstRecord() && record >= 0 && IsCommentRow(record));
    return record;
}

// ---- locating the table ----

bool CWksTbl::HasValueBetween(int row, int first, int last) {
    if (!m_pWorkbook) return false;
    for (int r = row, c = first; c <= last && m_pWorkbook->NextCell(r, c) && r == row && c <= last; ++c)
        if (!IsCellEmpty(row, c)) return true;
    return false;
}

int CWksTbl::NextRowWithCells(int row) {
    int r = row, c = 0;
    if (m_pWorkbook && m_pWorkbook->NextCell(r, c)) return std::max(r, row);
    return std::max(row, GetRecordCount() - 1);
}

bool CWksTbl::LocateTable() {
    m_nCurrentRecord = 0;
    m_nCurrentColumn = 0;
    m_bEndOfRecords = false;
    ReadText(0, 0);

    if (strcasecmp(m_szText, "TABLE") == 0) {
        m_nLayout = WKS_LAYOUT_MARKED;
        do {
            CBaseTbl::MoveNext();
            if (IsPastEnd()) m_szText[0] = '\0';
            else ReadText(m_nCurrentRecord, 0);
        } while (IsComment(m_szText) && !IsLastRecord() && !IsPastEnd());
    } else if (m_szText[0] != '\0' && !IsComment(m_szText)) {
        m_nLayout = WKS_LAYOUT_FIRST_ROW;
    } else {
        const int sheetColumns = m_pWorkbook ? m_pWorkbook->GetColumnCount() : 0;
        while (!IsPastEnd() && (m_szText[0] == '\0' || IsComment(m_szText))) {
            if (m_szText[0] == '\0') {
                // A blank first cell over the row names: the headings are the
                // first row with anything to its right.
                if (sheetColumns < 3 || HasValueBetween(m_nCurrentRecord, 1, sheetColumns - 2)) {
                    m_nCurrentColumn = 0;
                    ReadText(m_nCurrentRecord, 0);
                    break;
                }
            }
            if (IsLastRecord()) break;
            m_nCurrentColumn = 0;
            // Rows without a cell cannot be the heading row (with three or more
            // columns): go on from the next row that has one, or the last row.
            if (sheetColumns >= 3) m_nCurrentRecord = NextRowWithCells(m_nCurrentRecord + 1) - 1;
            MoveNext();
            if (IsPastEnd()) m_szText[0] = '\0';
            else ReadText(m_nCurrentRecord, 0);
        }
        m_nLayout = m_szText[0] != '\0' ? WKS_LAYOUT_MARKED : WKS_LAYOUT_NO_ROWNAME;
    }

    m_nHeaderRow = m_nCurrentRecord;
    MoveNext();
    m_nFirstDataRecord = m_nCurrentRecord;
    return true;
}

// ---- columns ----

bool CWksTbl::ReadColumns() {
    m_Columns.RemoveAll();
    m_nEndMarkerColumn = -1;
    const int sheetColumns = m_pWorkbook ? m_pWorkbook->GetColumnCount() : 0;
    const bool starEnds = !m_pOptions || m_pOptions->StarHeadingEndsColumns();
    void* userData = reinterpret_cast<void*>(static_cast<intptr_t>(m_nColumnUserData));

    for (int c = 0; c < sheetColumns; ++c) {
        std::string name;
        if (m_nLayout == WKS_LAYOUT_NO_ROWNAME && c == 0) {
            name = "ROWNAMES";
        } else {
            if (ReadText(m_nHeaderRow, c) == 0) {
                ReportWarning(std::string(kIdBadColumnName.text) + " " + std::to_string(m_nHeaderRow + 1) + "," +
                              std::to_string(c + 1));
                ReportWarning(kIdFurtherColumnsIgnored);
                break;
            }
            if (starEnds && IsComment(m_szText)) {
                m_nEndMarkerColumn = c;
                break;
            }
            name = m_szText;
        }
        CColumn* column = new CColumn(name.c_str(), SqlType::Unknown, m_pWorkbook->GetColumnWidth(c), 0, 1, userData);
        column->m_nOrdinal = c;
        m_Columns.Add(column);
    }
    if (!TypeColumns()) return ReportError(kIdFindSqlTypeFailed);
    return true;
}

bool CWksTbl::TypeColumns() {
    // Columns that their names do not type, by sheet column.
    std::vector<CColumn*> byCell;
    int untyped = 0;
    for (CColumn* column : m_Columns) {
        const std::string& name = column->m_strName;
        short type = SqlType::Unknown;
        if (name == "DATETIMEID") {
            type = SqlType::TimeStamp;
        } else if (name == "PRICE" || name == "IPRICE" || name == "VPRICE" || name == "COST" || name == "ICOST") {
            type = SqlType::Decimal;
        } else if (name == "TEXT") {
            type = SqlType::Char;
        } else {
            int byName = TypeFromColumnName(name.c_str());
            if (byName != SqlType::Numeric) type = short(byName);
        }
        column->m_nSqlType = type;
        if (type == SqlType::Unknown && column->m_nOrdinal >= 0) {
            if (size_t(column->m_nOrdinal) >= byCell.size()) byCell.resize(size_t(column->m_nOrdinal) + 1);
            byCell[size_t(column->m_nOrdinal)] = column;
            ++untyped;
        }
    }
    // The first non-empty cell of a row that carries a row name decides; one
    // walk down the cells that exist types every such column.
    for (MoveFirst(); m_pWorkbook && untyped > 0 && !IsPastEnd();) {
        const int row = m_nCurrentRecord;
        if (ReadText(row, 0) != 0 && !IsComment(m_szText)) {
            for (int r = row, c = 0; untyped > 0 && m_pWorkbook->NextCell(r, c) && r == row; ++c) {
                CColumn* column = size_t(c) < byCell.size() ? byCell[size_t(c)] : nullptr;
                if (!column || column->m_nSqlType != SqlType::Unknown) continue;
                int kind = GetCellKind(row, c);
                if (kind == WKS_CELL_EMPTY || (kind == WKS_CELL_TEXT && IsComment(m_szText))) continue;
                column->m_nSqlType = short(kind);
                --untyped;
            }
        }
        if (IsLastRecord()) break;
        m_nCurrentRecord = NextRowWithCells(row + 1) - 1;
        MoveNext();
    }
    for (CColumn* column : m_Columns)
        if (column->m_nSqlType == SqlType::Unknown) column->m_nSqlType = SqlType::Double;
    MoveFirst();
    return true;
}

int CWksTbl::AddColumn(const CColumn& column) {
    if (!m_pWorkbook || !m_pWorkbook->GetInnards()) return -1;
    int next = m_Columns.IsEmpty() ? 0 : m_Columns[m_Columns.GetUpperBound()]->m_nOrdinal + 1;
    if (!m_pWorkbook->GetInnards()->SetCellText(m_nHeaderRow, next, column.m_strName.c_str(), 0)) return -1;
    CColumn* added = new CColumn(column);
    added->m_nOrdinal = next;
    int index = m_Columns.Add(added);
    LogLine(kIdColumnAdded, column.m_strName);
    return index;
}

// ---- extracting rows ----

namespace {

bool IsDateType(int type) { return type == SqlType::Date || type == SqlType::Time || type == SqlType::TimeStamp; }
bool IsNumericType(int type) { return type == SqlType::Double || type == SqlType::Decimal; }
bool IsNumberKind(int kind) { return kind >= WKS_CELL_NUMBER && kind <= WKS_CELL_TIMESTAMP; }

}  // namespace

bool CWksTbl::MatchKeyValue(const char* text, const char* pattern) {
    std::string_view t = text ? text : "", p = pattern ? pattern : "";
    size_t dots = p.find("...");
    if (dots == std::string_view::npos) return WildcardMatch(text, pattern);
    // char_traits<char> compares as unsigned bytes, as memcmp does.
    std::string_view low = p.substr(0, dots), high = p.substr(dots + 3);
    return (low.empty() || t.compare(low) >= 0) && (high.empty() || t.compare(high) <= 0);
}

std::string CWksTbl::KeyText(int row, const CColumn& column) {
    const CellRead& read = ReadCell(row, column.m_nOrdinal);
    if (read.kind == WKS_CELL_EMPTY) return std::string();
    const int type = column.m_nSqlType;
    const bool number = read.flags & WKS_NUMBER;
    // A key cell of the wrong kind for its column is passed on as the read's warning.
    if ((IsNumericType(type) && !number) || (!IsNumericType(type) && !IsDateType(type) && number))
        m_bWarningRaised = true;
    if (IsDateType(type)) {
        return dulo::DateValueText(number ? DateOf(read.number) : COleDateTime(0.0, COleDateTime::invalid), type);
    }
    if (read.kind == WKS_CELL_TEXT) return m_szText;
    ReadText(row, column.m_nOrdinal);
    return m_szText;
}

CIoCell* CWksTbl::MakeCell(int row, const CColumn& column, int sourceIndex, bool keyCell) {
    const int c = column.m_nOrdinal;
    const CellRead read = ReadCell(row, c);
    const int kind = read.kind, flags = read.flags;
    const bool marked = keyCell && (flags & WKS_FORMULA);
    CIoCell* cell = nullptr;
    switch (column.m_nSqlType) {
        case SqlType::Char:
            cell = kind == WKS_CELL_TEXT ? new CIoStrCell(m_szText, false, marked) : new CIoStrCell("", true, marked);
            break;
        case SqlType::Date:
        case SqlType::Time:
        case SqlType::TimeStamp: {
            if (!IsNumberKind(kind)) {
                // A formula whose result is a logical value or an error has no date.
                if (kind == WKS_CELL_EMPTY && (flags & WKS_FORMULA))
                    ReportWarning(dulo::FormatString(kIdInvalidDate, {std::to_string(row + 1), std::to_string(c + 1)}));
                cell = new CIoTimeStampCell("", true, marked);
                break;
            }
            const COleDateTime date = DateOf(read.number);
            if (kind == WKS_CELL_DATE) cell = new CIoDateCell(date, false, marked);
            else if (kind == WKS_CELL_TIME) cell = new CIoTimeCell(date, false, marked);
            else cell = new CIoTimeStampCell(date, false, marked);
            break;
        }
        default: {
            // Every number counts, whatever its display format: a date-formatted
            // cell in a numeric column keeps its value.
            cell = new CIoDoubleCell(IsNumberKind(kind) ? read.number : 0.0, !IsNumberKind(kind), marked);
            break;
        }
    }
    cell->SetSourceIndex(sourceIndex);
    cell->SetSourceRow(row);
    cell->SetSourceColumn(c);
    return cell;
}

bool CWksTbl::SelectRecord(int row, bool& allEmpty) {
    allEmpty = true;
    bool compared = false;
    for (int k = 0; k < m_KeySelection.GetSize(); ++k) {
        int index = m_KeySelection[k]->GetIndex();
        if (index < 0) continue;
        std::string text = KeyText(row, *m_Columns[index]);
        if (!text.empty()) allEmpty = false;
        compared = true;
        const std::string& pattern = size_t(k) < m_KeyValues.size() ? m_KeyValues[size_t(k)] : std::string();
        if (!MatchKeyValue(text.c_str(), pattern.c_str())) {
            allEmpty = false;  // rejected, not skipped
            return false;
        }
    }
    return compared;
}

bool CWksTbl::ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                          const char* keyFields, const char* keyValues, const char* extractColumns,
                          std::vector<std::string>* keyValuesOut, int sourceIndex) {
    if (!ParseExtractColumns(extractColumns)) return false;
    const bool selectAll = (!keyFields || !*keyFields) && (!keyValues || !*keyValues);
    if (selectAll) {
        m_KeySelection.RemoveAll();
        m_KeyValues.clear();
    } else if (!ParseKeyFields(keyFields) || !ParseKeyValues(keyValues)) {
        return ReportError(kIdBadKeyFields);
    }
    if (keyValuesOut) keyValuesOut->insert(keyValuesOut->end(), m_KeyValues.begin(), m_KeyValues.end());
    if (size_t(m_KeySelection.GetSize()) != m_KeyValues.size()) return ReportError(kIdKeyCountMismatch);

    FillKeyHeadings(keyHeadings);
    FillColumnHeadings(columnHeadings);
    MoveFirst();
    if (IsPastEnd()) {
        ReportWarning(kIdNoMatch);
        return true;
    }

    bool any = false;
    do {
        const int row = m_nCurrentRecord;
        if (!selectAll) {
            bool allEmpty;
            bool selected = SelectRecord(row, allEmpty);
            if (selected && allEmpty) {
                ReportWarning(dulo::FormatString(kIdEmptyKeysSkipped, {std::to_string(row + 1)}));
                continue;
            }
            if (!selected) continue;
        }
        any = true;
        CIoRow* out = new CIoRow(row, sourceIndex);
        rows.Add(out);
        out->m_DataCells.ReserveCells(m_pExtractSelection->GetSize());
        // Without it the first key cell takes room for the array's step of 25.
        out->m_KeyCells.ReserveCells(m_KeySelection.GetSize());
        for (const CIoKeyCell* entry : *m_pExtractSelection)
            out->m_DataCells.Add(MakeCell(row, *m_Columns[entry->GetIndex()], sourceIndex, false));
        for (const CIoKeyCell* entry : m_KeySelection) {
            if (entry->GetIndex() < 0) {
                out->m_KeyCells.Add(new CIoStrCell("", true, false));
                continue;
            }
            out->m_KeyCells.Add(MakeCell(row, *m_Columns[entry->GetIndex()], sourceIndex, true));
        }
    } while (!MoveNext());

    if (!any) ReportWarning(kIdNoMatch);
    return true;
}

// ---- the reader entry ----

int ReadWorksheetTable(TableReadRequest& request) {
    ReaderEntryHooks hooks;
    hooks.afterOpen = [](CBaseTbl& source, TableReadRequest& read) {
        auto& sheet = static_cast<CWksTbl&>(source);
        RecordSheetLayout(sheet, read.description);
        read.description.m_nSheetColumnCount = sheet.GetWorkbook() ? sheet.GetWorkbook()->GetColumnCount() : 0;
        // The workbook path: with the sheet as table text it names the table in messages.
        read.sheetLabel = sheet.m_strSourceName;
    };
    return RunReaderEntry<CWksTbl>(request, hooks);
}
