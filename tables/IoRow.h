#pragma once
// A table row (key cells, data cells, the sources it came from) and the row array.
#include "tables/IoCell.h"

#include <string>
#include <vector>

class CIoRow {
public:
    CIoRow() = default;
    explicit CIoRow(int rowId) : m_nRowId(rowId) {}
    // (row id, source index): the id is the first; the source index goes to list A, the id to list B.
    CIoRow(int rowId, int sourceIndex) : m_nRowId(rowId) {
        m_SourceListA.push_back(sourceIndex);
        m_SourceListB.push_back(rowId);
    }
    CIoRow(const CIoRow&) = delete;
    CIoRow& operator=(const CIoRow&) = delete;
    virtual ~CIoRow() = default;

    // True when any key cell (with bDataCells, any key or data cell) is modified.
    bool IsModified() const;
    bool IsModified(bool bDataCells) const;
    // Clears CELL_MODIFIED on the key cells (with bDataCells, on the data cells too).
    void ClearModified();
    void ClearModified(bool bDataCells);

    int GetRowId() const { return m_nRowId; }
    void SetRowId(int id) { m_nRowId = id; }

    CIoCellArray m_KeyCells;   // the row-name cells, owned
    CIoCellArray m_DataCells;  // one per data column, owned
    std::vector<int> m_SourceListA;  // source indexes of the descriptions the row was read from
    std::vector<int> m_SourceListB;  // the matching source row ids
    int32_t m_nRowId = -2;
};

// Every operation checks the row index and the cell index and raises
// CInvalidArgException on a bad one.
class CIoRowArray : public CAutoDestructArray<CIoRow> {
public:
    CIoRowArray() : CAutoDestructArray<CIoRow>(25) {}

    CIoRow* GetRow(int r) const { return GetAt(r); }

    // A new row with one key text cell; returns its index.
    int AddRow(const char* keyText, bool null);
    // The same, made with the (row id, source index) pair.
    int AddRow(const char* keyText, bool null, int rowId, int sourceIndex);
    // Appends an empty, null text cell flagged CELL_BLANK to row r's data cells.
    void AddBlankTextCell(int r);

    CIoCell* GetCell(int r, int c) const;
    CIoCell* GetKeyCell(int r, int k) const;
    bool IsNull(int r, int c) const;
    const char* GetCellTextPtr(int r, int c) const;
    double GetCellDouble(int r, int c) const;
    COleDateTime GetCellDate(int r, int c) const;
    std::string GetKeyText(int r, int k) const;
};
