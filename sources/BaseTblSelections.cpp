// The selections of a table source: which columns are extracted, which are
// keys, and which key values a row must match.
#include "sources/BaseTbl.h"

#include "sources/SourceMessages.h"

#include <cstring>
#include <string_view>

using namespace source_messages;

namespace {

bool HasWildcard(const char* text) { return std::strpbrk(text, "*?") != nullptr; }

const char* Text(const char* s) { return s ? s : ""; }

}  // namespace

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
