#pragma once
// A small table source over an in-memory grid, for exercising the shared
// table-source behaviour. Row 0 holds the headings; data records follow.
// Each step can be told to fail or to throw.
#include "sources/BaseTbl.h"
#include "sources/SourceMessages.h"
#include "tables/IoTable.h"
#include "sources/ReaderEntry.h"

#include <stdexcept>
#include <string>
#include <vector>

struct MemoryGrid {
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> records;  // data records, after the heading row
    bool failOpen = false, failExtract = false, failClose = false, raiseWarning = false;
    bool throwInExtract = false;
    int closeCalls = 0;
};

class CMemoryTbl : public CBaseTbl {
public:
    CMemoryTbl(std::ostream* log, CIOOptions* options, MemoryGrid* grid) : CBaseTbl(log, options), m_pGrid(grid) {}

    int GetTableType() const override { return TABLE_TYPE_DBF; }

    bool OpenTable(const CIoTableDescription& description) override {
        m_Description = description;
        m_strSourceName = description.GetSource();
        m_strTableName = description.GetTable();
        if (m_pGrid->failOpen) return ReportError(source_messages::kIdExtractColumnNotFound, "open");
        m_nHeaderRow = 0;
        m_nFirstDataRecord = 1;
        m_nSourceResults[0] = 5;
        if (!ReadColumns()) return false;
        m_bOpen = true;
        return true;
    }

    bool CloseTable(bool) override {
        ++m_pGrid->closeCalls;
        if (!m_bOpen) return false;
        m_bOpen = false;
        return !m_pGrid->failClose;
    }

    // Records are sheet rows: the heading row and the data records.
    int GetRecordCount() override { return int(m_pGrid->records.size()) + 1; }
    int GetColumnCount() override { return m_Columns.GetSize(); }
    bool IsLastRecord() override { return m_nCurrentRecord + 1 == GetRecordCount(); }
    bool IsLastColumn() override { return m_nCurrentColumn + 1 == GetColumnCount(); }
    int GetRecordLimit() override { return 0; }

    bool ReadColumns() override {
        m_Columns.RemoveAll();
        for (size_t c = 0; c < m_pGrid->headings.size(); ++c) {
            CColumn* column = new CColumn(m_pGrid->headings[c].c_str(), SqlType::Char, 10, 0, 1, nullptr);
            column->m_nOrdinal = int(c);
            m_Columns.Add(column);
        }
        return true;
    }

    // Every record as text cells; key cells from the key selection.
    bool ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                     const char* keyFields, const char* keyValues, const char* extractColumns,
                     std::vector<std::string>* keyValuesOut, int sourceIndex) override {
        if (m_pGrid->throwInExtract) throw std::runtime_error("grid exploded");
        if (m_pGrid->failExtract) return false;
        if (!ParseExtractColumns(extractColumns)) return false;
        if ((*keyFields || *keyValues) && (!ParseKeyFields(keyFields) || !ParseKeyValues(keyValues)))
            return false;
        if (keyValuesOut) *keyValuesOut = m_KeyValues;
        FillKeyHeadings(keyHeadings);
        FillColumnHeadings(columnHeadings);
        for (MoveFirst(); !IsEndOfRecords(); MoveNext()) {
            const auto& record = m_pGrid->records[size_t(m_nCurrentRecord - 1)];
            int r = rows.AddRow(Cell(record, 0).c_str(), false, m_nCurrentRecord, sourceIndex);
            for (const CIoKeyCell* entry : *m_pExtractSelection)
                rows.GetRow(r)->m_DataCells.Add(new CIoStrCell(Cell(record, entry->GetIndex()).c_str(), false, false));
        }
        if (m_pGrid->raiseWarning) m_bWarningRaised = true;
        return true;
    }

    int AddColumn(const CColumn& column) override {
        m_Columns.Add(new CColumn(column));
        return m_Columns.GetUpperBound();
    }

private:
    static std::string Cell(const std::vector<std::string>& record, int c) {
        return c >= 0 && size_t(c) < record.size() ? record[size_t(c)] : std::string();
    }

    MemoryGrid* m_pGrid;
};

inline int ReadMemoryTable(TableReadRequest& request, MemoryGrid* grid, const ReaderEntryHooks& hooks = {}) {
    return RunReaderEntry<CMemoryTbl>(request, hooks, grid);
}
