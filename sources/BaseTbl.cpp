// The shared part of every table source: selections, cursor, headings,
// reporting and the common reader-entry sequence.
#include "sources/BaseTbl.h"

#include "platform/Messages.h"
#include "sources/SourceMessages.h"
#include "tables/TableType.h"

#include <cstring>

using namespace source_messages;

namespace {

bool HasWildcard(const char* text) { return std::strpbrk(text, "*?") != nullptr; }

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

bool WildcardMatch(const char* text, const char* pattern) {
    std::string_view t = Text(text), p = Text(pattern);
    // The common cases: every text, and a plain name.
    if (p == "*") return true;
    if (p.find_first_of("*?") == std::string_view::npos) return t == p;
    // The set of pattern positions reachable after the characters read so far.
    // A "*" may be skipped only before a character is read, which gives the
    // end rule: a used-up text leaves a rest of "" or "*" only.
    std::vector<char> states(p.size() + 1, 0), next(p.size() + 1, 0);
    states[0] = 1;
    for (char c : t) {
        for (size_t j = 0; j < p.size(); ++j)
            if (states[j] && p[j] == '*') states[j + 1] = 1;
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (size_t j = 0; j < p.size(); ++j) {
            if (!states[j]) continue;
            if (p[j] == '*') next[j] = 1, any = true;
            else if (p[j] == '?' || p[j] == c) next[j + 1] = 1, any = true;
        }
        if (!any) return false;
        states.swap(next);
    }
    for (size_t j = 0; j <= p.size(); ++j)
        if (states[j] && (j == p.size() || p.substr(j) == "*")) return true;
    return false;
}

std::vector<std::string> SplitSelection(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            items.push_back(text.substr(start));
            return items;
        }
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

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

// Selections.
bool CBaseTbl::ParseExtractColumns(const char* text) {
    m_pExtractSelection->RemoveAll();
    std::string t = Text(text);
    if (t.empty()) return ReportError(kIdNoExtractColumns);
    std::vector<std::string> names = SplitSelection(t);
    if (!HasWildcard(t.c_str())) {
        for (const auto& name : names) {
            int index = FindColumn(name.c_str());
            if (index < 0) {
                m_pExtractSelection->RemoveAll();
                return ReportError(kIdExtractColumnNotFound, name);
            }
            m_pExtractSelection->Add(new CIoKeyCell(name.c_str(), index));
        }
        return true;
    }
    // Columns whose names begin with "!" are never extracted by pattern.
    for (int c = 0; c < m_Columns.GetSize(); ++c) {
        const std::string& name = m_Columns.GetAt(c)->m_strName;
        if (!name.empty() && name[0] == '!') continue;
        for (const auto& pattern : names)
            if (WildcardMatch(name.c_str(), pattern.c_str())) m_pExtractSelection->Add(new CIoKeyCell(name.c_str(), c));
    }
    return true;
}

bool CBaseTbl::ParseKeyFields(const char* text) {
    m_KeySelection.RemoveAll();
    std::string t = Text(text);
    if (t.empty()) return ReportError(kIdNoKeyField);
    std::vector<std::string> names = SplitSelection(t);
    if (HasWildcard(t.c_str())) {
        for (int c = 0; c < m_Columns.GetSize(); ++c) {
            const std::string& name = m_Columns.GetAt(c)->m_strName;
            for (const auto& pattern : names)
                if (WildcardMatch(name.c_str(), pattern.c_str())) m_KeySelection.Add(new CIoKeyCell(name.c_str(), c));
        }
        if (m_KeySelection.IsEmpty()) return ReportError(kIdKeyFieldNotFound, t);
        return true;
    }
    for (const auto& name : names) {
        if (name.empty()) {
            m_KeySelection.Add(new CIoKeyCell("", -1));
            continue;
        }
        int index = FindColumn(name.c_str());
        if (index < 0) {
            m_KeySelection.RemoveAll();
            return ReportError(kIdKeyFieldNotFound, name);
        }
        m_KeySelection.Add(new CIoKeyCell(name.c_str(), index));
    }
    return true;
}

bool CBaseTbl::ParseKeyValues(const char* text) {
    m_KeyValues.clear();
    std::string t = Text(text);
    if (t.empty()) return ReportError(kIdNoKeyValues);
    m_KeyValues = SplitSelection(t);
    return true;
}

const dulo::Message* CBaseTbl::SelectKeys(const char* keyFields, const char* keyValues,
                                         std::vector<std::string>* keyValuesOut) {
    m_KeySelection.RemoveAll();
    m_KeyValues.clear();
    if (keyFields && *keyFields && !ParseKeyFields(keyFields)) return &kIdBadKeyFields;
    if (keyValues && *keyValues && !ParseKeyValues(keyValues)) return &kIdBadKeyFields;
    if (keyValuesOut) *keyValuesOut = m_KeyValues;
    if (size_t(m_KeySelection.GetSize()) != m_KeyValues.size()) return &kIdKeyCountMismatch;
    return nullptr;
}

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

// Table updating helpers.
bool CBaseTbl::MatchKeyValue(const char* text, const char* pattern) {
    std::string_view t = Text(text), p = Text(pattern);
    if (p == "NULL") return t.empty();
    if (p == "NOT NULL") return !t.empty();
    return WildcardMatch(Text(text), Text(pattern));
}

bool CBaseTbl::RowMatchesKeys(const CIoRow& row, const std::vector<std::string>& keyValues) {
    if (keyValues.empty() || size_t(row.m_KeyCells.GetSize()) < keyValues.size()) return false;
    for (size_t k = 0; k < keyValues.size(); ++k) {
        const CIoCell* cell = row.m_KeyCells.GetAt(int(k));
        std::string text = cell->IsNull() ? std::string() : cell->GetText();
        if (!MatchKeyValue(text.c_str(), keyValues[k].c_str())) return false;
    }
    return true;
}

int CBaseTbl::FindMatchingRow(const CIoRowArray& rows, const std::vector<std::string>& keyValues) {
    for (int r = 0; r < rows.GetSize(); ++r)
        if (RowMatchesKeys(*rows.GetAt(r), keyValues)) return r;
    return -1;
}

bool CBaseTbl::AnyRowModified(const CIoRowArray& rows) {
    for (const CIoRow* row : rows)
        if (row->IsModified()) return true;
    return false;
}

// Reporting.
void CBaseTbl::Log(const char* heading, const std::string& text) {
    if (!m_pLog || !m_pOptions || !m_pOptions->LogOn()) return;
    if (heading) *m_pLog << heading << '\n';
    *m_pLog << text << "\n\n";
}

int CBaseTbl::ReportError(const std::string& text) {
    if ((m_pOptions && m_pOptions->ErrorsShown()) || dulo::ReportsShown(false)) dulo::ShowMessage(text);
    Log(dulo::kIdErrorCaption.text, text);
    return 0;
}

int CBaseTbl::ReportWarning(const std::string& text) {
    if ((m_pOptions && m_pOptions->WarningsShown()) || dulo::ReportsShown(true)) dulo::ShowMessage(text);
    Log(kIdWarning.text, text);
    return 0;
}

void CBaseTbl::LogLine(const std::string& text) { Log(nullptr, text); }

int CBaseTbl::ReportError(const dulo::Message& m) { return ReportError(std::string(m.text)); }
int CBaseTbl::ReportError(const dulo::Message& m, const std::string& arg) {
    return ReportError(dulo::FormatString(m, {arg}));
}
int CBaseTbl::ReportErrorDetail(const dulo::Message& m, const std::string& detail) {
    return ReportError(m.text + (" [" + detail + "]"));
}
int CBaseTbl::ReportWarning(const dulo::Message& m) { return ReportWarning(std::string(m.text)); }
int CBaseTbl::ReportWarning(const dulo::Message& m, const std::string& arg) {
    return ReportWarning(dulo::FormatString(m, {arg}));
}
int CBaseTbl::ReportWarningDetail(const dulo::Message& m, const std::string& detail) {
    return ReportWarning(m.text + (" [" + detail + "]"));
}
void CBaseTbl::LogLine(const dulo::Message& m) { LogLine(std::string(m.text)); }
void CBaseTbl::LogLine(const dulo::Message& m, const std::string& arg) { LogLine(dulo::FormatString(m, {arg})); }
void CBaseTbl::LogLineDetail(const dulo::Message& m, const std::string& detail) {
    LogLine(m.text + (" [" + detail + "]"));
}

int CBaseTbl::ReportFileException(const dulo::Message& m, const std::string& fileName, const std::exception& error,
                                  const char* further) {
    std::string text = dulo::FormatString(m, {fileName}) + "\n\n" + error.what();
    if (further) text += std::string("\n\n") + further;
    return ReportError(text);
}

// The common reader-entry sequence.
CIOOptions ReaderEntryOptions() {
    CIOOptions options;
    options.SetBackupExtension("BAK");
    options.SetWord(7, 0);  // no backup
    options.SetWord(1, 0);  // errors not shown
    return options;
}

void ClearReaderOutputs(TableReadRequest& request) {
    request.rows.RemoveAll();
    request.keyHeadings.RemoveAll();
    request.columnHeadings.RemoveAll();
}

void RecordSheetLayout(CBaseTbl& source, CIoTableDescription& description) {
    description.m_nSheetRowCount = source.GetRecordCount();
    description.m_nHeaderRow = source.m_nHeaderRow;
    description.m_nRowNameColumn = source.FindColumn("ROWNAMES");
    description.m_nEndMarkerColumn = source.m_nEndMarkerColumn;
}

namespace {

// Runs one step; an exception from the source is reported and counts as failure.
template <class Step>
bool Guarded(CBaseTbl& source, Step step) {
    try {
        return step();
    } catch (const std::exception& e) {
        source.ReportError(e.what());
        return false;
    }
}

}  // namespace

int RunReaderSequence(CBaseTbl& source, TableReadRequest& request, const ReaderEntryHooks& hooks) {
    if (!Guarded(source, [&] { return source.OpenTable(request.description); })) return TABLE_OPEN_FAILED;

    for (int i = 0; i < 3; ++i) request.results[i] = source.m_nSourceResults[i];
    if (hooks.afterOpen && !Guarded(source, [&] {
            hooks.afterOpen(source, request);
            return true;
        })) {
        Guarded(source, [&] { return source.CloseTable(true); });
        return TABLE_OPEN_FAILED;
    }

    bool extracted = Guarded(source, [&] {
        return source.ExtractRows(request.rows, request.keyHeadings, request.columnHeadings,
                                  request.keyFields.c_str(), request.keyValues.c_str(),
                                  request.extractColumns.c_str(), nullptr, request.sourceIndex);
    });
    if (!extracted) {
        Guarded(source, [&] { return source.CloseTable(true); });
        return TABLE_READ_FAILED;
    }

    CIoTableDescription& d = request.description;
    d.m_nRowCount = request.rows.GetSize();
    d.m_nDataColumnCount = request.columnHeadings.GetSize();
    d.m_nLastColumnOrdinal =
        request.columnHeadings.IsEmpty() ? -1 : request.columnHeadings.GetAt(request.columnHeadings.GetUpperBound())->m_nOrdinal;

    if (request.fillExtraRowSets && hooks.readExtraRowSets &&
        !Guarded(source, [&] { return hooks.readExtraRowSets(source, request); })) {
        Guarded(source, [&] { return source.CloseTable(true); });
        return TABLE_READ_FAILED;
    }

    if (!Guarded(source, [&] { return source.CloseTable(true); })) return TABLE_CLOSE_FAILED;
    return source.m_bWarningRaised ? TABLE_READ_WARNING : TABLE_READ_OK;
}
