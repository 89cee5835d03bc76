// The shared part of every table source: construction, the defaults of the
// optional operations, the cursor, headings and columns, the table-type text.
// Selections, reporting and the reader-entry sequence have files of their own.
#include "sources/BaseTbl.h"

#include "tables/TableType.h"

#include <cstring>

namespace {

const char* Text(const char* s) { return s ? s : ""; }

// A heading column copied from a source column.
CColumn* HeadingCopy(const CColumn& c) {
    CColumn* copy = new CColumn(c.m_strName.c_str(), c.m_nSqlType, c.m_nPrecision, c.m_nScale, c.m_nNullable,
                                c.m_pUserData);
    copy->m_nOrdinal = c.m_nOrdinal;
    copy->m_strDisplayName = c.m_strDisplayName;
    return copy;
}

int FillHeadings(const CColumnArray& source, const CIoKeyCellArray& selection, CColumnArray& out) {
    int added = 0;
    for (const CIoKeyCell* entry : selection) {
        if (entry->GetIndex() < 0)
            out.Add(new CColumn("", 0, 0, 0, 1, nullptr));
        else
            out.Add(HeadingCopy(*source.GetAt(entry->GetIndex())));
        ++added;
    }
    return added;
}

}  // namespace

CBaseTbl::CBaseTbl(std::ostream* log, CIOOptions* options)
    : m_pLog(log),
      m_pExtractSelection(std::make_unique<CIoKeyCellArray>()),
      m_pResultSelection(std::make_unique<CIoKeyCellArray>()),
      m_pOptions(options) {}

CBaseTbl::~CBaseTbl() = default;

// Operations a source may leave alone.
bool CBaseTbl::OpenNamedTable(const char*, const char*) { return false; }
bool CBaseTbl::CreateTable(CColumnArray&, CIoKeyCellArray&, CIoRowArray&) { return false; }
int CBaseTbl::ReservedSlot25(int, int, int) { return 0; }
int CBaseTbl::GetCellText(int, int, char*, int) { return 0; }
int CBaseTbl::ReservedSlot27(int, int) { return 0; }
bool CBaseTbl::UpdateRows(CIoRowArray&) { return false; }
bool CBaseTbl::InsertRows(CIoRowArray&) { return false; }
bool CBaseTbl::UpdateColumnValues(CIoRowArray&) { return false; }
int CBaseTbl::ReservedSlot35(int, int) { return 0; }
bool CBaseTbl::DeleteRows(CIoRowArray&) { return false; }
bool CBaseTbl::DeleteMatching(const char*, const char*) { return false; }
int CBaseTbl::AddColumn(const CColumn&) { return 0; }
std::string CBaseTbl::FormatLiteral(const char*, int) { return std::string(); }
std::string CBaseTbl::GetTypeName(int) { return std::string(); }
std::string CBaseTbl::GetLiteralPrefix(int) { return std::string(); }
std::string CBaseTbl::GetLiteralSuffix(int) { return std::string(); }
std::string CBaseTbl::GetCreateParams(int) { return std::string(); }

bool CBaseTbl::IsEndOfRecords() { return m_bEndOfRecords; }
bool CBaseTbl::IsEndOfColumns() { return m_bEndOfColumns; }
bool CBaseTbl::IsBeforeFirstRecord() { return m_bBeforeFirstRecord; }
bool CBaseTbl::IsBeforeFirstColumn() { return m_bBeforeFirstColumn; }
int CBaseTbl::GetFirstDataRecord() { return m_nFirstDataRecord; }

bool CBaseTbl::GetColumnName(int index, std::string& name) {
    if (index < 0 || index >= m_Columns.GetSize()) return false;
    name = m_Columns.GetAt(index)->m_strName;
    return true;
}

bool CBaseTbl::GetColumnName(int index, char* buffer, size_t size) {
    std::string name;
    if (!buffer || size == 0 || !GetColumnName(index, name)) return false;
    size_t n = std::min(name.size(), size - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return true;
}

int CBaseTbl::FindColumnIn(const CColumnArray& columns, const char* name) { return columns.FindColumn(name); }
int CBaseTbl::FindColumn(const char* name) { return FindColumnIn(m_Columns, name); }

int CBaseTbl::FillKeyHeadings(CColumnArray& columns) { return FillHeadings(m_Columns, m_KeySelection, columns); }

void CBaseTbl::FillColumnHeadings(CColumnArray& columns) { FillHeadings(m_Columns, *m_pExtractSelection, columns); }

// Cursor.
int CBaseTbl::MoveFirst() {
    m_nCurrentRecord = m_nFirstDataRecord;
    m_bBeforeFirstRecord = false;
    int count = GetRecordCount();
    m_bEndOfRecords = m_nCurrentRecord >= count;
    return count;
}

bool CBaseTbl::MoveNext() {
    bool wasLast = IsLastRecord();
    ++m_nCurrentRecord;
    if (wasLast) m_bEndOfRecords = true;
    return wasLast;
}

int CBaseTbl::MovePrev() {
    int old = m_nCurrentRecord;
    --m_nCurrentRecord;
    m_bEndOfRecords = false;
    m_bBeforeFirstRecord = m_nFirstDataRecord >= old;
    return m_nCurrentRecord;
}

int CBaseTbl::MoveFirstColumn() {
    m_nCurrentColumn = 0;
    m_bBeforeFirstColumn = false;
    int count = GetColumnCount();
    m_bEndOfColumns = m_nCurrentColumn >= count;
    return count;
}

bool CBaseTbl::MoveNextColumn() {
    bool wasLast = IsLastColumn();
    ++m_nCurrentColumn;
    if (wasLast) m_bEndOfColumns = true;
    return wasLast;
}

int CBaseTbl::MovePrevColumn() {
    int old = m_nCurrentColumn;
    --m_nCurrentColumn;
    m_bEndOfColumns = false;
    m_bBeforeFirstColumn = 0 >= old;
    return m_nCurrentColumn;
}

std::string CBaseTbl::GetCurrentRecordText() const { return std::to_string(m_nCurrentRecord + 1); }
std::string CBaseTbl::GetCurrentColumnText() const { return std::to_string(m_nCurrentColumn + 1); }

void CBaseTbl::CopyColumns(CColumnArray& list) const {
    list.RemoveAll();
    for (const CColumn* c : m_Columns) {
        CColumn* copy = new CColumn(c->m_strName.c_str(), c->m_nSqlType, c->m_nPrecision, c->m_nScale,
                                    c->m_nNullable, nullptr);
        copy->m_nOrdinal = c->m_nOrdinal;
        list.Add(copy);
    }
}

bool CBaseTbl::EnsureColumns(const CIoCell& sample) {
    for (CIoKeyCell* entry : *m_pResultSelection) {
        if (entry->GetIndex() != -1) continue;
        CColumn column;
        column.m_strName = entry->GetName();
        column.m_nNullable = 1;
        switch (sample.GetSqlType()) {
        case SqlType::Integer:
        case SqlType::SmallInt:
        case SqlType::Float:
        case SqlType::Real:
        case SqlType::Double:
        case SqlType::Bit:
        case SqlType::TinyInt:
            column.m_nSqlType = SqlType::Double;
            column.m_nPrecision = 8;
            column.m_nScale = 0;
            break;
        default:  // text, numeric, decimal, dates, varchar, long varchar
            column.m_nSqlType = SqlType::Char;
            column.m_nPrecision = int32_t(sample.GetText().size());
            break;
        }
        int index = AddColumn(column);
        if (index == -1) return false;
        entry->SetIndex(index);
    }
    return true;
}

bool CBaseTbl::SetTableTypeText(const char* typeString) {
    m_strConnection1.clear();
    m_strConnection2.clear();
    m_strConnection3.clear();
    std::string text = Text(typeString);
    int type;
    std::vector<std::string> args;
    std::string message;
    if (!ParseTableType(text, type, args, &message)) return ReportError(message);
    switch (type) {
    case TABLE_TYPE_OLE2_EXCEL5:
    case TABLE_TYPE_OLE2_EXCEL8:
        m_strSaveFormat = args.empty() ? std::string() : args[0];
        return true;
    case TABLE_TYPE_WKS:
    case TABLE_TYPE_DBF:
        return true;
    default:
        if (args.size() < 3) return ReportError(InvalidTableTypeMessage(text));
        m_strConnection1 = args[0];
        m_strConnection2 = args[1];
        m_strConnection3 = args[2];
        return true;
    }
}
