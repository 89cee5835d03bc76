// Rows and the row array.
#include "tables/IoRow.h"

namespace {

bool AnyModified(const CIoCellArray& cells) {
    for (const CIoCell* cell : cells)
        if (cell->IsModified()) return true;
    return false;
}

void ClearAll(CIoCellArray& cells) {
    for (CIoCell* cell : cells) cell->ClearModified();
}

}  // namespace

bool CIoRow::IsModified() const { return AnyModified(m_KeyCells); }

bool CIoRow::IsModified(bool bDataCells) const {
    return AnyModified(m_KeyCells) || (bDataCells && AnyModified(m_DataCells));
}

void CIoRow::ClearModified() { ClearAll(m_KeyCells); }

void CIoRow::ClearModified(bool bDataCells) {
    ClearAll(m_KeyCells);
    if (bDataCells) ClearAll(m_DataCells);
}

int CIoRowArray::AddRow(const char* keyText, bool null) {
    CIoRow* row = new CIoRow();
    row->m_KeyCells.ReserveCells(1);  // not the array's step of 25 for its one key
    row->m_KeyCells.Add(new CIoStrCell(keyText, null, false));
    return Add(row);
}

int CIoRowArray::AddRow(const char* keyText, bool null, int rowId, int sourceIndex) {
    CIoRow* row = new CIoRow(rowId, sourceIndex);
    row->m_KeyCells.ReserveCells(1);  // not the array's step of 25 for its one key
    row->m_KeyCells.Add(new CIoStrCell(keyText, null, false));
    return Add(row);
}

void CIoRowArray::AddBlankTextCell(int r) {
    CIoRow* row = GetAt(r);
    CIoStrCell* cell = new CIoStrCell("", true, false);
    cell->SetFlags(cell->GetFlags() | CIoCell::CELL_BLANK);
    row->m_DataCells.Add(cell);
}

CIoCell* CIoRowArray::GetCell(int r, int c) const { return GetAt(r)->m_DataCells.GetAt(c); }
CIoCell* CIoRowArray::GetKeyCell(int r, int k) const { return GetAt(r)->m_KeyCells.GetAt(k); }
bool CIoRowArray::IsNull(int r, int c) const { return GetCell(r, c)->IsNull(); }
const char* CIoRowArray::GetCellTextPtr(int r, int c) const { return GetCell(r, c)->GetTextPtr(); }
double CIoRowArray::GetCellDouble(int r, int c) const { return GetCell(r, c)->GetAsDouble(); }
COleDateTime CIoRowArray::GetCellDate(int r, int c) const { return GetCell(r, c)->GetDate(); }
std::string CIoRowArray::GetKeyText(int r, int k) const { return GetKeyCell(r, k)->GetText(); }
